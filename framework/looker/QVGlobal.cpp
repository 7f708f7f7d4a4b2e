#include "framework/looker/QVGlobal.h"

#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>

namespace {

std::atomic<CQVGlobal*> g_global{nullptr};
std::mutex g_ownedMutex;
std::unique_ptr<CQVGlobal> g_owned;

bool IsPositive(double v) { return std::isfinite(v) && v > 0.0; }

}  // namespace

bool CQVGlobal::SetCrvDiscTol(double tol)
{
    if (!IsPositive(tol)) return false;
    m_dCrvDiscTol = tol;
    return true;
}

bool CQVGlobal::SetCrvShowDiscTol(double tol)
{
    if (!IsPositive(tol)) return false;
    m_dCrvShowDiscTol = tol;
    return true;
}

bool CQVGlobal::SetSurfShowDiscTol(double tol)
{
    if (!IsPositive(tol)) return false;
    m_dSurfShowDiscTol = tol;
    return true;
}

bool CQVGlobal::SetSurfNCDiscTol(double tol)
{
    if (!IsPositive(tol)) return false;
    m_dSurfNCDiscTol = tol;
    return true;
}

bool CQVGlobal::SetCrvDiscAng(double radians)
{
    if (!IsPositive(radians)) return false;
    m_dCrvDiscAng = radians;
    return true;
}

CQVGlobal* gGetQVGlobal() { return g_global.load(std::memory_order_acquire); }

void gSetQVGlobal(CQVGlobal* global) { g_global.store(global, std::memory_order_release); }

CQVGlobal* gNewQVGlobal()
{
    std::lock_guard lock(g_ownedMutex);
    if (CQVGlobal* current = gGetQVGlobal()) return current;
    if (!g_owned) g_owned = std::make_unique<CQVGlobal>();
    gSetQVGlobal(g_owned.get());
    return g_owned.get();
}

double gGetCrvDiscTol()
{
    const CQVGlobal* g = gGetQVGlobal();
    return g ? g->GetCrvDiscTol() : kDefaultCrvDiscTol;
}

double gGetCrvShowDiscTol()
{
    const CQVGlobal* g = gGetQVGlobal();
    return g ? g->GetCrvShowDiscTol() : kDefaultCrvShowDiscTol;
}

double gGetCrvDiscAng()
{
    const CQVGlobal* g = gGetQVGlobal();
    return g ? g->GetCrvDiscAng() : kDefaultCrvDiscAng;
}

double gGetSurfShowDiscTol()
{
    const CQVGlobal* g = gGetQVGlobal();
    return g ? g->GetSurfShowDiscTol() : kDefaultSurfShowDiscTol;
}

double gGetSurfNCDiscTol()
{
    const CQVGlobal* g = gGetQVGlobal();
    return g ? g->GetSurfNCDiscTol() : kDefaultSurfNCDiscTol;
}

namespace looker::testing {

void ResetQVGlobal()
{
    std::lock_guard lock(g_ownedMutex);
    gSetQVGlobal(nullptr);
    g_owned.reset();
}

}  // namespace looker::testing
