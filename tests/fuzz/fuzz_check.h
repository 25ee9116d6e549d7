#pragma once
// A fuzz target's invariant: a failed one ends the run with its line, and libFuzzer keeps the
// input that broke it.
#include <cstdio>
#include <cstdlib>

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__);                 \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
