// CPU time of the calling thread, for benches on a machine shared with other work:
// waits for a core do not count, so ratios of these times are steadier than of wall times.
#pragma once

#include <ctime>

inline double ThreadCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}
