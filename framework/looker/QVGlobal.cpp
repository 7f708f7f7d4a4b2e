#include "framework/looker/QVGlobal.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>

namespace {

std::atomic<CQVGlobal*> g_global{nullptr};
std::mutex g_ownedMutex;
std::unique_ptr<CQVGlobal> g_owned;

bool IsPositive(double v) { return std::isfinite(v) && v > 0.0; }

bool SetTriple(double* dst, const double* src)
{
    if (!src) return false;
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(src[k]) || src[k] < 0.0) return false;
    std::copy(src, src + 3, dst);
    return true;
}

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

void CQVGlobal::GetSurfSubdivTol(double* out) const { std::copy(m_dSurfSubdivTol, m_dSurfSubdivTol + 3, out); }

void CQVGlobal::GetSurfTraceTol(double* out) const { std::copy(m_dSurfTraceTol, m_dSurfTraceTol + 3, out); }

bool CQVGlobal::SetSurfSubdivTol(const double* tol) { return SetTriple(m_dSurfSubdivTol, tol); }

bool CQVGlobal::SetSurfTraceTol(const double* tol) { return SetTriple(m_dSurfTraceTol, tol); }

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

void ZDC_Get_gp_pre(double* out)
{
    if (!out) return;
    if (const CQVGlobal* g = gGetQVGlobal())
        g->GetSurfSubdivTol(out);
    else
        std::copy(kDefaultSurfSubdivTol, kDefaultSurfSubdivTol + 3, out);
}

void ZDC_Get_gp_tra(double* out)
{
    if (!out) return;
    if (const CQVGlobal* g = gGetQVGlobal())
        g->GetSurfTraceTol(out);
    else
        std::copy(kDefaultSurfTraceTol, kDefaultSurfTraceTol + 3, out);
}

namespace looker::testing {

void ResetQVGlobal()
{
    std::lock_guard lock(g_ownedMutex);
    gSetQVGlobal(nullptr);
    g_owned.reset();
}

}  // namespace looker::testing
