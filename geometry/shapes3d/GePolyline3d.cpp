#include "geometry/shapes3d/GePolyline3d.h"

#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Bcrv.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GeTool3D.h"
#include "geometry/shapes3d/Math3d.h"
#include "geometry/shapes3d/Shapes3dConst.h"

#include <algorithm>
#include <cmath>
#include <vector>

IMPLEMENT_SERIAL(CGePolyline3d, CObject, VERSIONABLE_SCHEMA | 1)

namespace {

// Fitting of long polylines into NURBS pieces: degree 2 within 0.2, cut at corners
// sharper than 150 degrees.
constexpr int kFitDegree = 2;
constexpr double kFitTol = 0.2;
constexpr double kFitAngle = 2.617993877991;
constexpr int kFitMinVertices = 15;

}  // namespace

CGePolyline3d::CGePolyline3d() = default;

CGePolyline3d::CGePolyline3d(int n, int withNormals)
{
    if (withNormals)
        m_strDisp.CreateNormal(n);
    else
        m_strDisp.Create(n, false, false);
}

CGePolyline3d::~CGePolyline3d() { m_strDisp.Clear(); }

int CGePolyline3d::Create(int n)
{
    if (n < 2) return 0;
    return m_strDisp.Create(n, false, false);
}

int CGePolyline3d::Create(int n, double (*pts)[3])
{
    if (!pts || n < 2) return 0;
    // The source may be this polyline's own vertices.
    std::vector<double> copy(&pts[0][0], &pts[0][0] + 3 * static_cast<std::size_t>(n));
    if (!m_strDisp.Create(n, false, false)) return 0;
    std::copy(copy.begin(), copy.end(), &m_strDisp.m_pPoints[0][0]);
    CalcBox();
    return 1;
}

int CGePolyline3d::Create(int n, double (*pts)[2])
{
    if (!pts || n < 2) return 0;
    std::vector<double> copy(&pts[0][0], &pts[0][0] + 2 * static_cast<std::size_t>(n));
    if (!m_strDisp.Create(n, false, false)) return 0;
    for (int i = 0; i < n; ++i) ge3d::Set(m_strDisp.m_pPoints[i], copy[2 * i], copy[2 * i + 1], 0.0);
    CalcBox();
    return 1;
}

int CGePolyline3d::Create(CArray<tagPoint3d, tagPoint3d>& a)
{
    const int n = static_cast<int>(a.GetSize());
    if (n <= 1) return 0;
    if (!m_strDisp.Create(n, false, false)) return 0;
    for (int i = 0; i < n; ++i) {
        const tagPoint3d& p = a.GetAt(i);
        ge3d::Set(m_strDisp.m_pPoints[i], p.x, p.y, p.z);
    }
    CalcBox();
    return 1;
}

int CGePolyline3d::GetType() const { return ge3con::kTypePolyline3d; }

CGeShape3d* CGePolyline3d::Copy()
{
    auto* copy = new CGePolyline3d;
    if (HasPoints()) {
        copy->m_strDisp.Create(m_strDisp.m_nCount, false, false);
        std::copy_n(&m_strDisp.m_pPoints[0][0], 3 * m_strDisp.m_nCount, &copy->m_strDisp.m_pPoints[0][0]);
        copy->m_strDisp.CalcBox();
    }
    copy->m_box = m_box;
    copy->m_nFlags = m_nFlags;
    copy->m_bClosed = m_bClosed;
    return copy;
}

int CGePolyline3d::GetSnapPos(CSnapAt* snap, CSnapResult& result)
{
    if (!snap || !snap->m_pBase || !snap->m_pLooker || !HasPoints()) return 0;
    const int before = result.GetSize();
    const double a = snap->m_dAperture;
    const double cx = snap->m_ptCursor[0], cy = snap->m_ptCursor[1];
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;

    if (snap->m_nSnapMode & kSnapEnd) {
        for (int i = 0; i < n; ++i) {
            const bool take = snap->m_bAlign ? (std::fabs(cx - v[i][0]) < a || std::fabs(cy - v[i][1]) < a)
                                             : snap->IsSnapPoint(v[i], 3) != 0;
            if (take) result.PushBackEnd(v[i][0], v[i][1], v[i][2]);
        }
    }
    if (snap->m_nSnapMode & kSnapMid) {
        for (int i = 1; i < n; ++i) {
            double m[3];
            ge3d::Lerp(v[i - 1], v[i], 0.5, m);
            if (snap->IsSnapPoint(m, 3)) result.PushBackMid(m[0], m[1], m[2]);
        }
    }
    if ((snap->m_nSnapMode & kSnapPerp) && snap->m_pBase->m_bHasBase) {
        for (int i = 1; i < n; ++i) {
            double d[3], w[3];
            ge3d::Sub(v[i], v[i - 1], d);
            ge3d::Sub(snap->m_pBase->m_ptBase, v[i - 1], w);
            const double dd = ge3d::Dot(d, d);
            if (!(dd > 0.0)) continue;
            const double u = ge3d::Dot(w, d) / dd;
            double f[3];
            ge3d::Lerp(v[i - 1], v[i], u, f);
            if (u >= 0.0 && u <= 1.0 && snap->IsSnapPoint(f, 3)) result.PushBackPerp(f[0], f[1], f[2]);
        }
    }
    return result.GetSize() != before ? 1 : 0;
}

int CGePolyline3d::IsPlanar(double tol, double* origin, double* vec)
{
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;
    if (!v || n < 2) return 0;
    ge3d::Copy(v[0], origin);
    if (n == 2) {
        ge3d::GenUnit(v[0], v[1], 1e-6, vec);
        return ge3d::Dist(v[0], v[1]) <= tol ? 3 : 2;
    }
    int state = 0;
    for (int i = 1; i < n && state < 3; ++i) {
        const double dist = ge3d::Dist(v[i], v[0]);
        if (state == 0) {
            if (dist > tol) {
                ge3d::GenUnit(v[0], v[i], 1e-6, vec);
                state = 1;
            }
        } else if (state == 1) {
            double dir[3];
            if (dist > tol && ge3d::GenUnit(v[0], v[i], 1e-6, dir)) {
                double c[3];
                ge3d::Cross(vec, dir, c);
                // Not parallel within 0.01: the two directions span the plane.
                if (ge3d::Length(c) > 0.01 && ge3d::Unit(c, 1e-12)) {
                    ge3d::Copy(c, vec);
                    state = 2;
                }
            }
        } else {
            double w[3];
            ge3d::Sub(v[i], v[0], w);
            if (std::fabs(ge3d::Dot(w, vec)) > tol) state = 3;
        }
    }
    static constexpr int kResult[4] = {3, 2, 1, 0};
    return kResult[state];
}

void CGePolyline3d::Discrete(double, CStrP3D& str)
{
    if (&str != &m_strDisp && m_strDisp.m_nCount >= 2) m_strDisp.CopyTo(str);
}

void CGePolyline3d::DiscreteToElement(CGeCurve3dList* list, bool fit)
{
    const int n = m_strDisp.m_nCount;
    auto* v = m_strDisp.m_pPoints;
    if (!list || !v || n < 2) return;
    if (n > kFitMinVertices && fit) {
        std::vector<BCRV*> pieces;
        CGeTool3D tool;
        tool.GlobalInterp(v, n, kFitDegree, kFitTol, kFitAngle, pieces);
        for (BCRV* piece : pieces) {
            auto* curve = new CGeNrbCrv3d;
            curve->SetCurve(piece);
            list->AddTail(curve);
        }
        return;
    }
    for (int i = 1; i < n; ++i) list->AddTail(new CGeLine3d(v[i - 1], v[i]));
}

int CGePolyline3d::GetDiscStep(double, double& step)
{
    step = m_strDisp.m_nCount > 0 ? 1.0 / m_strDisp.m_nCount : 1.0;
    return 1;
}

int CGePolyline3d::GetSegmentCount() { return m_strDisp.m_nCount - 1; }

int CGePolyline3d::EvParam(double len, double& t, unsigned int& seg, double total)
{
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;
    if (total == 0.0) total = EvTotalArcLength();
    if (IsClosed(ge3con::kClosedTol)) {
        // fmod instead of repeated subtraction: a closed polyline of length 0 would never end.
        if (total > 0.0 && len > total) {
            len = std::fmod(len, total);
            if (len == 0.0) len = total;
        }
    } else if (len > total) {
        len = total;
    }
    if (!v) return 1;
    double a = 0.0;
    for (int i = 1; i < n; ++i) {
        const double c = ge3d::Dist(v[i - 1], v[i]);
        if (len >= a && len - ge3con::kPolylineVertexSnap < a + c) {
            t = std::fabs(a + c - len) <= ge3con::kPolylineVertexSnap ? 1.0 : (len - a) / c;
            seg = static_cast<unsigned int>(i);
            break;
        }
        a += c;
    }
    return 1;
}

void CGePolyline3d::Split(double t, CGeCurve3d** out, int seg)
{
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;
    if (!out || !v || seg < 1 || seg > n - 1 || t < -1e-6 || t > 1.000001) return;
    if (t < ge3con::kSplitEndTol && seg == 1) {
        out[0] = nullptr;
        out[1] = static_cast<CGeCurve3d*>(Copy());
        return;
    }
    if (t > 1.0 - ge3con::kSplitEndTol && seg == n - 1) {
        out[0] = static_cast<CGeCurve3d*>(Copy());
        out[1] = nullptr;
        return;
    }
    double p[3];
    ge3d::Lerp(v[seg - 1], v[seg], t, p);
    std::vector<double> buf;
    buf.reserve(3 * static_cast<std::size_t>(n + 1));
    auto push = [&buf](const double* q) { buf.insert(buf.end(), q, q + 3); };
    auto make = [&](CGeCurve3d*& slot) {
        const int count = static_cast<int>(buf.size() / 3);
        slot = nullptr;
        if (count < 2) return;
        auto* piece = new CGePolyline3d;
        piece->Create(count, reinterpret_cast<double(*)[3]>(buf.data()));
        piece->m_nFlags = m_nFlags;
        slot = piece;
    };
    for (int i = 0; i < seg; ++i) push(v[i]);
    if (t > 1e-6) push(p);
    make(out[0]);
    buf.clear();
    if (t < 0.999999) push(p);
    for (int i = seg; i < n; ++i) push(v[i]);
    make(out[1]);
}

int CGePolyline3d::GetSplitParam(double*& params)
{
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;
    if (!v || n < 2) {
        params = new double[2]{0.0, 1.0};
        return 2;
    }
    params = new double[static_cast<std::size_t>(n)];
    params[0] = 0.0;
    for (int i = 1; i < n; ++i) params[i] = params[i - 1] + ge3d::Dist(v[i - 1], v[i]);
    const double total = params[n - 1];
    // A polyline of zero length spreads its parameters evenly instead of dividing by 0.
    for (int i = 1; i < n; ++i) params[i] = total > 0.0 ? params[i] / total : double(i) / (n - 1);
    params[n - 1] = 1.0;
    return n;
}
