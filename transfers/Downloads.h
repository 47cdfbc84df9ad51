#pragma once

#include "StatusChannel.h"

// The window's side of every transfer. The status channel (updates, dls, cb,
// cb2) is inherited so that workers only ever see plain C++.
class Downloads : public StatusChannel {};
