#include "framework/widgra/Progress.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <vector>

namespace {

std::atomic<bool> g_cancel{false};

// Cancel-after-N hook: armed flag first so that an unarmed poll costs two
// relaxed loads and no read-modify-write on a shared cache line.
std::atomic<bool> g_countdownArmed{false};
std::atomic<std::int64_t> g_countdown{0};

// Poll counting for the tests, per thread: every thread writes only its own
// counter (its own cache line), so parallel loops that poll on every round do
// not contend; PollCount adds the counters up.
struct alignas(64) PollCounter {
    std::atomic<std::int64_t> polls{0};
};

struct PollRegistry {
    std::mutex mutex;
    std::vector<PollCounter*> live;
    std::int64_t retired = 0;  // polls of threads that have ended
};

PollRegistry& Registry()
{
    static PollRegistry* registry = new PollRegistry;  // outlives every thread's counter
    return *registry;
}

// A thread's counter: registered on its first poll, folded into the retired
// total when the thread ends.
class ThreadPolls {
public:
    ThreadPolls()
    {
        PollRegistry& r = Registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.live.push_back(&m_counter);
    }
    ~ThreadPolls()
    {
        PollRegistry& r = Registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.retired += m_counter.polls.load(std::memory_order_relaxed);
        r.live.erase(std::find(r.live.begin(), r.live.end(), &m_counter));
    }
    ThreadPolls(const ThreadPolls&) = delete;
    ThreadPolls& operator=(const ThreadPolls&) = delete;

    // Only the owning thread writes, so a plain load and store suffice.
    void Count()
    {
        m_counter.polls.store(m_counter.polls.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }

private:
    PollCounter m_counter;
};

// The poll reads a plain thread-local pointer: one load without an
// initialisation guard (initial-exec: no lookup call inside the shared
// library). The counter it points to is made, registered and retired by a
// thread-local owner on the thread's first poll.
__attribute__((tls_model("initial-exec"))) thread_local ThreadPolls* t_polls = nullptr;

ThreadPolls& LocalPolls()
{
    if (!t_polls) {
        static thread_local ThreadPolls owner;
        t_polls = &owner;
    }
    return *t_polls;
}

std::atomic<CQProgress::Observer> g_observer{nullptr};
std::atomic<void*> g_observerUser{nullptr};

double Clamp01(double v)
{
    if (!(v > 0.0)) return 0.0;  // also NaN
    return v < 1.0 ? v : 1.0;
}

}  // namespace

bool gIsProgressCancel()
{
    LocalPolls().Count();
    if (g_cancel.load(std::memory_order_acquire)) return true;
    if (g_countdownArmed.load(std::memory_order_acquire)) {
        // The poll that finds no polls left is the first to see the cancel.
        if (g_countdown.fetch_sub(1, std::memory_order_acq_rel) <= 0) {
            g_cancel.store(true, std::memory_order_release);
            return true;
        }
    }
    return false;
}

void gRequestProgressCancel() { g_cancel.store(true, std::memory_order_release); }

void gResetProgressCancel() { g_cancel.store(false, std::memory_order_release); }

namespace widgra::testing {

void CancelAfterPolls(std::int64_t polls)
{
    g_countdown.store(std::max<std::int64_t>(polls, 0), std::memory_order_release);
    g_countdownArmed.store(true, std::memory_order_release);
}

std::int64_t PollCount()
{
    PollRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    std::int64_t total = r.retired;
    for (const PollCounter* c : r.live) total += c->polls.load(std::memory_order_relaxed);
    return total;
}

void Reset()
{
    g_countdownArmed.store(false, std::memory_order_release);
    g_countdown.store(0, std::memory_order_release);
    g_cancel.store(false, std::memory_order_release);
    PollRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.retired = 0;
    for (PollCounter* c : r.live) c->polls.store(0, std::memory_order_relaxed);
}

}  // namespace widgra::testing

CQProgress::CQProgress() { Notify(); }

CQProgress::~CQProgress() = default;

void CQProgress::SetRange(double share)
{
    m_dDone = std::min(1.0, m_dDone + m_dShare);
    m_dShare = std::isfinite(share) && share > 0.0 ? share : 0.0;
    m_dFraction = 0.0;
    Notify();
}

void CQProgress::SetPos(double fraction)
{
    m_dFraction = Clamp01(fraction);
    Notify();
}

void CQProgress::Step(double fraction)
{
    SetPos(m_dFraction + (std::isfinite(fraction) ? fraction : 0.0));
}

double CQProgress::GetPos() const { return Clamp01(m_dDone + m_dShare * m_dFraction); }

void CQProgress::SetObserver(Observer observer, void* user)
{
    g_observerUser.store(user, std::memory_order_release);
    g_observer.store(observer, std::memory_order_release);
}

void CQProgress::Notify() const
{
    if (Observer observer = g_observer.load(std::memory_order_acquire))
        observer(GetPos(), g_observerUser.load(std::memory_order_acquire));
}
