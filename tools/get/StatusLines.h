#pragma once

#include "base/Reason.h"
#include "jobs/JobEvent.h"

#include <string>
#include <vector>

// What quillmoth-get prints on standard output, in one place: each reason
// as its line, and each event as its lines, control words included
// ("setflv", "saved:NAME", "setmp3", "done"). Scripts read these lines:
// they stay as they are.
class StatusLines {
public:
    // The line of a reason; detail goes where the reason has one.
    static std::string line(Reason reason, const std::string& detail = {});
    // The lines an event prints, in order; none for progress and facts
    // kept to itself (the title, the part file).
    static std::vector<std::string> lines(const JobEvent& event);
};
