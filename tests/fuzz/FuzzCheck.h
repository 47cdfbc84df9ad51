#pragma once

#include <cstdio>
#include <cstdlib>

// A property of a fuzz target: when it does not hold, the input is a
// finding. Aborts (libFuzzer keeps the input as a crash) whatever NDEBUG says.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
