#include "geometry/shapes3d/ChainWork3d.h"

#include "framework/numerak/Plane3D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/Vector2D.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace {

// Start value of the lowest start z: curves at or above it are never seeds.
constexpr double kNoZ = 1e12;
// A candidate whose own ends lie closer than this is closed: no angle test.
constexpr double kClosedCandidate = 0.0001;
// Tangents shorter than this give no turning angle.
constexpr double kAngleTol = 1e-6;
// The best turning angle before any candidate (2 pi).
constexpr double kNoAngle = 6.283185307179586;
// A start farther than this many tolerances past p in one coordinate is passed early.
constexpr double kZFirstReach = 5.0;
// Start value of the largest z change.
constexpr double kNoRise = -1000000.0;

}  // namespace

CChainWork3d::CChainWork3d(CGeCurve3dList* list, bool bFromList, double tol, bool bEnds)
    : m_list(bFromList ? list : nullptr)
{
    std::unordered_set<CGeCurve3d*> seen;
    if (list) {
        POSITION pos = list->GetHeadPosition();
        while (pos) {
            const POSITION cur = pos;
            CGeCurve3d* c = list->GetNext(pos);
            if (!c) continue;
            if (!seen.insert(c).second) {
                // The same curve again: it can be chained only once.
                if (m_list) m_list->RemoveAt(cur);
                continue;
            }
            Item it;
            it.curve = c;
            it.pos = cur;
            c->GetStartPoint(it.s);
            c->GetEndPoint(it.e);
            c->GetBox(&it.box);
            m_items.push_back(it);
        }
    }
    std::vector<CEndHash3d::Entry> entries;
    entries.reserve(m_items.size() * (bEnds ? 2 : 1));
    m_byZ.reserve(m_items.size());
    for (std::uint32_t i = 0; i < m_items.size(); ++i) {
        const Item& it = m_items[i];
        CEndHash3d::Entry e;
        P3D_Copy(it.s, e.p);
        e.id = 2 * i;
        entries.push_back(e);
        if (bEnds) {
            P3D_Copy(it.e, e.p);
            e.id = 2 * i + 1;
            entries.push_back(e);
        }
        if (it.s[2] < kNoZ) m_byZ.push_back(i);
    }
    std::stable_sort(m_byZ.begin(), m_byZ.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return m_items[a].s[2] < m_items[b].s[2]; });
    m_hash.Build(entries, std::isfinite(tol) && tol > 0.0 ? 2.0 * tol : 0.0);
}

void CChainWork3d::Take(std::uint32_t i)
{
    m_items[i].taken = true;
    if (m_list) m_list->RemoveAt(m_items[i].pos);
}

CGeCurve3d* CChainWork3d::TakeLowestStart()
{
    while (m_nextZ < m_byZ.size() && m_items[m_byZ[m_nextZ]].taken) ++m_nextZ;
    if (m_nextZ == m_byZ.size()) return nullptr;
    const std::uint32_t i = m_byZ[m_nextZ];
    Take(i);
    return m_items[i].curve;
}

CGeCurve3d* CChainWork3d::TakeHead()
{
    while (m_head < m_items.size() && m_items[m_head].taken) ++m_head;
    if (m_head == m_items.size()) return nullptr;
    Take(static_cast<std::uint32_t>(m_head));
    return m_items[m_head].curve;
}

const std::vector<std::uint32_t>& CChainWork3d::Near(const double* p, double tol)
{
    m_near.clear();
    // A hair wider than tol, so that rounding never loses an end at tol.
    const double reach = tol + 1e-9 * (tol + std::fabs(p[0]) + std::fabs(p[1]) + std::fabs(p[2]));
    m_hash.Near(p, reach, m_near);
    for (auto& id : m_near) id >>= 1;
    std::sort(m_near.begin(), m_near.end());
    m_near.erase(std::unique(m_near.begin(), m_near.end()), m_near.end());
    m_near.erase(std::remove_if(m_near.begin(), m_near.end(), [this](std::uint32_t i) { return m_items[i].taken; }),
                 m_near.end());
    return m_near;
}

CGeCurve3d* CChainWork3d::TakeLeastTurn(const double* p, const double* dir, double tol, int& byStart)
{
    double bestAngle = kNoAngle;
    bool found = false;
    std::uint32_t best = 0;
    for (const std::uint32_t i : Near(p, tol)) {
        const Item& it = m_items[i];
        if (BOX3D_IsP3DIn(&it.box, p, tol) != 1) continue;
        const double ds = P3D_Dist(p, it.s), de = P3D_Dist(p, it.e);
        if (std::min(ds, de) > tol) continue;
        const bool atStart = de >= ds;
        if (P3D_Dist(it.s, it.e) >= kClosedCandidate) {
            double t[3] = {0.0, 0.0, 0.0};
            if (atStart) {
                it.curve->GetStartTanVec(t);
            } else {
                it.curve->GetEndTanVec(t);
                for (double& v : t) v = -v;
            }
            const double a = V3D_GetAngle(dir, t, kAngleTol);
            if (!(a < bestAngle)) continue;
            bestAngle = a;
        }
        best = i;
        found = true;
        byStart = atStart ? 1 : 0;
    }
    if (!found) return nullptr;
    Take(best);
    return m_items[best].curve;
}

CGeCurve3d* CChainWork3d::TakeZFirst(const double* p, double tol)
{
    double bestRise = kNoRise;
    bool found = false;
    std::uint32_t best = 0;
    for (const std::uint32_t i : Near(p, tol)) {
        const Item& it = m_items[i];
        if (BOX3D_IsP3DIn(&it.box, p, tol) != 1) continue;
        const double reach = kZFirstReach * tol;
        if (it.s[0] - p[0] > reach || it.s[1] - p[1] > reach || it.s[2] - p[2] > reach) continue;
        if (P3D_Dist(p, it.s) > tol) continue;
        const double rise = std::fabs(it.e[2] - p[2]);
        if (!(rise > bestRise)) continue;
        bestRise = rise;
        best = i;
        found = true;
    }
    if (!found) return nullptr;
    Take(best);
    return m_items[best].curve;
}

void CChainWork3d::MoveFreeTo(CGeCurve3dList& out)
{
    for (Item& it : m_items) {
        if (it.taken) continue;
        it.taken = true;
        if (!m_list) out.AddTail(it.curve);
    }
}
