#pragma once

#include <QString>

// A text as a search compares it: case folded, accents and other combining
// marks dropped, ligatures and width forms spelled out ("Ｃafé" and "CAFE"
// give the same key).
QString searchKey(const QString& text);
