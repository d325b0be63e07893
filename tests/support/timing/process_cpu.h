#pragma once

#include <ctime>

namespace cuu::test {

// The CPU time this process has used, all threads together, in seconds: what a wait that must not
// spin is measured by.
inline double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace cuu::test
