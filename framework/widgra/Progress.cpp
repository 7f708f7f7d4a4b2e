#include "framework/widgra/Progress.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

std::atomic<bool> g_cancel{false};

// Cancel-after-N hook: armed flag first so that an unarmed poll costs two
// relaxed loads and no read-modify-write on a shared cache line.
std::atomic<bool> g_countdownArmed{false};
std::atomic<std::int64_t> g_countdown{0};
std::atomic<std::int64_t> g_polls{0};

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
    g_polls.fetch_add(1, std::memory_order_relaxed);
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

std::int64_t PollCount() { return g_polls.load(std::memory_order_acquire); }

void Reset()
{
    g_countdownArmed.store(false, std::memory_order_release);
    g_countdown.store(0, std::memory_order_release);
    g_cancel.store(false, std::memory_order_release);
    g_polls.store(0, std::memory_order_release);
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
