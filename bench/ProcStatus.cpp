#include "ProcStatus.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

long ProcStatus::residentKiB() {
    return field("VmRSS:");
}

long ProcStatus::peakKiB() {
    return field("VmHWM:");
}

long ProcStatus::field(const char* name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name, 0) != 0)
            continue;
        std::istringstream value(line.substr(std::strlen(name)));
        long kib = -1;
        value >> kib;
        return kib;
    }
    return -1;
}
