#include "framework/widgra/ThreadProg.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

std::mutex g_mutex;
std::condition_variable g_wake;
std::deque<std::function<void()>> g_jobs;
std::thread g_thread;
bool g_stop = false;
bool g_running = false;

void Run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(g_mutex);
            g_wake.wait(lock, [] { return g_stop || !g_jobs.empty(); });
            if (g_stop) return;
            job = std::move(g_jobs.front());
            g_jobs.pop_front();
        }
        job();
    }
}

}  // namespace

bool gStartThreadProg()
{
    std::lock_guard lock(g_mutex);
    if (g_running) return true;
    g_stop = false;
    g_thread = std::thread(Run);
    g_running = true;
    return true;
}

void gEndThreadProg()
{
    std::thread worker;
    {
        std::lock_guard lock(g_mutex);
        if (!g_running) return;
        g_stop = true;
        g_jobs.clear();
        g_running = false;
        worker = std::move(g_thread);
    }
    g_wake.notify_all();
    worker.join();
}

bool gIsThreadProgRunning()
{
    std::lock_guard lock(g_mutex);
    return g_running;
}

bool gPostThreadProg(std::function<void()> job)
{
    if (!job) return false;
    {
        std::lock_guard lock(g_mutex);
        if (!g_running) return false;
        g_jobs.push_back(std::move(job));
    }
    g_wake.notify_one();
    return true;
}
