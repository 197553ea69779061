#pragma once
#include <time.h>
#include <cstdio>
inline void StartMark(const char* what) {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::fprintf(stderr, "MARK %.6f %s\n", ts.tv_sec + ts.tv_nsec / 1e9, what);
}
