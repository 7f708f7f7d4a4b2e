#include "framework/numerak/Timer.h"

Timer::Timer() : m_start(), m_end(), m_running(false), m_started(false) {}

void Timer::start()
{
    m_start = Clock::now();
    m_running = true;
    m_started = true;
}

void Timer::stop()
{
    if (!m_running)
        return;
    m_end = Clock::now();
    m_running = false;
}

double Timer::getElapsedTimeInSec() const
{
    if (!m_started)
        return 0.0;
    Clock::time_point end = m_running ? Clock::now() : m_end;
    return std::chrono::duration<double>(end - m_start).count();
}

double Timer::getElapsedTimeInMilliSec() const
{
    return getElapsedTimeInSec() * 1000.0;
}
