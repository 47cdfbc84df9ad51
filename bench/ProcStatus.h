#pragma once

// This process's memory as the kernel counts it (/proc/self/status), in KiB.
class ProcStatus {
public:
    // Resident set now.
    static long residentKiB();
    // The highest resident set so far.
    static long peakKiB();

private:
    static long field(const char* name);
};
