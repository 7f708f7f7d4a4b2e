// Wall-clock stopwatch for timing long operations.
#pragma once

#include <chrono>

class Timer {
public:
    Timer();

    void start();
    void stop();
    // Time between start and stop, or up to now while running; 0 before the first start.
    double getElapsedTimeInSec() const;
    double getElapsedTimeInMilliSec() const;

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point m_start;
    Clock::time_point m_end;
    bool m_running;
    bool m_started;
};
