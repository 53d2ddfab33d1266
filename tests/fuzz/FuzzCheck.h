#pragma once
#include <cstdio>
#include <cstdlib>

// Aborts with the text, so that libFuzzer keeps the input that broke a promise.
inline void FuzzCheck(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}
