#pragma once

#include "DLPair.h"
#include "ReportQueue.h"

#include <string>

// The only state shared between the workers and the window: two process-wide
// queues and the two report functions every job is given. Plain C++ so that
// it can be checked under ThreadSanitizer on its own.
class StatusChannel {
public:
    // Both run on a worker thread. The text is copied before cb returns;
    // cb2 stamps its report with the time it is called.
    static void cb(int index, const char* status);
    static void cb2(int index, double dltotal, double dlnow);

    // "<id>|<status>", the id in decimal as itoa writes it.
    static std::string encode(int index, const char* status);

    // Splits a queued text at its first "|": the id as atoi reads the part
    // before it (-1 when out of int's range), the status everything after it.
    struct Decoded {
        int id;
        std::string status;
    };
    static Decoded decode(const std::string& text);

    // Built on first use and never destroyed: workers still running at exit
    // may push after the window is gone.
    static ReportQueue<std::string>& updates;
    static ReportQueue<DLPair>& dls;
};
