#include "geometry/shapes3d/GePolyline3d.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Bcrv.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GeTool3D.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "platform/core/Archive.h"

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
// The document version from which polyline records carry normals.
constexpr int kDocVersionNormals = 12;
constexpr ULONGLONG kVertexBytes = 3 * sizeof(double);

// n points of 3 doubles: every double through the archive (little-endian).
void StorePoints(CArchive& ar, const double (*pts)[3], int n)
{
    for (int i = 0; i < n; ++i) ar << pts[i][0] << pts[i][1] << pts[i][2];
}
void LoadPoints(CArchive& ar, double (*pts)[3], int n)
{
    for (int i = 0; i < n; ++i) ar >> pts[i][0] >> pts[i][1] >> pts[i][2];
}
// A count read from a record: negative or needing more bytes than are left is damage.
void CheckCount(CArchive& ar, int n)
{
    if (n < 0) AfxThrowArchiveException(CArchiveException::endOfFile);
    ar.RequireBytes(kVertexBytes * static_cast<ULONGLONG>(n));
}

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
    for (int i = 0; i < n; ++i) P3D_Set(m_strDisp.m_pPoints[i], copy[2 * i], copy[2 * i + 1], 0.0);
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
        P3D_Set(m_strDisp.m_pPoints[i], p.x, p.y, p.z);
    }
    CalcBox();
    return 1;
}

int CGePolyline3d::GetType() const { return ge3con::kTypePolyline3d; }

void CGePolyline3d::Serialize(CArchive& ar)
{
    CGeCurve3d::Serialize(ar);
    const CQVGlobal* global = gGetQVGlobal();
    if (!global) return;
    if (ar.IsStoring()) {
        if (!HasPoints()) m_strDisp.Clear();
        const int n = m_strDisp.m_nCount;
        ar << n;
        StorePoints(ar, m_strDisp.m_pPoints, n);
        const int hasNormals = n > 0 && m_strDisp.m_pNormals ? 1 : 0;
        ar << hasNormals;
        if (hasNormals) StorePoints(ar, m_strDisp.m_pNormals, n);
        return;
    }
    m_strDisp.Clear();
    int n = 0;
    ar >> n;
    CheckCount(ar, n);
    if (n > 0) {
        m_strDisp.Create(n, false, false);
        LoadPoints(ar, m_strDisp.m_pPoints, n);
    }
    if (global->GetVersion() >= kDocVersionNormals) {
        int hasNormals = 0;
        ar >> hasNormals;
        if (hasNormals == 1 && n > 0) {
            CheckCount(ar, n);
            m_strDisp.CreateMemNormal(n);
            LoadPoints(ar, m_strDisp.m_pNormals, n);
        }
    }
    CalcBox();
}

void CGePolyline3d::DelCtrlPt(unsigned int i)
{
    const int n = m_strDisp.m_nCount;
    auto* v = m_strDisp.m_pPoints;
    if (n <= 2 || !v || i >= static_cast<unsigned int>(n)) return;
    const int at = static_cast<int>(i);
    if (IsClosed(ge3con::kClosedTol)) {
        if (at == 0 || at == n - 1) return;
        if (n == 4) {
            // A closed triangle: what is left of it is the segment to its other corner.
            double seg[2][3];
            P3D_Copy(v[0], seg[0]);
            P3D_Copy(v[at == 1 ? 2 : 1], seg[1]);
            Create(2, seg);
            return;
        }
    }
    std::vector<double> kept;
    kept.reserve(3 * static_cast<std::size_t>(n - 1));
    for (int j = 0; j < n; ++j)
        if (j != at) kept.insert(kept.end(), v[j], v[j] + 3);
    Create(n - 1, reinterpret_cast<double(*)[3]>(kept.data()));
}

void CGePolyline3d::DelCtrlPt(unsigned int* list, int k)
{
    const int n = m_strDisp.m_nCount;
    auto* v = m_strDisp.m_pPoints;
    if (n <= 2 || !v || !list || k >= n - 1) return;
    const bool closed = IsClosed(ge3con::kClosedTol) != 0;
    std::vector<char> drop(static_cast<std::size_t>(n), 0);
    int ends = 0;
    for (int j = 0; j < k; ++j) {
        if (list[j] == 0 || list[j] == static_cast<unsigned int>(n - 1)) ++ends;
        if (list[j] < static_cast<unsigned int>(n)) drop[list[j]] = 1;
    }
    std::vector<double> kept;
    kept.reserve(3 * static_cast<std::size_t>(n + 1));
    for (int j = 0; j < n; ++j)
        if (!drop[j]) kept.insert(kept.end(), v[j], v[j] + 3);
    const std::size_t count = kept.size() / 3;
    if (closed && ends == 2 && count != 2 && count > 0) kept.insert(kept.end(), kept.begin(), kept.begin() + 3);
    Create(static_cast<int>(kept.size() / 3), reinterpret_cast<double(*)[3]>(kept.data()));
}

void CGePolyline3d::SplitInNode(int* nodes, int k, CGeCurve3dList& list)
{
    const int n = m_strDisp.m_nCount;
    auto* v = m_strDisp.m_pPoints;
    if (!v || n < 2) return;
    auto piece = [&](int from, int to) {
        if (to - from + 1 < 2) return;
        auto* pl = new CGePolyline3d;
        pl->Create(to - from + 1, v + from);
        list.AddTail(pl);
    };
    int j = 0;
    for (int i = 0; nodes && i < k; ++i) {
        const int node = nodes[i];
        // Nodes out of order or beyond the last vertex cut nothing.
        if (node <= j || node >= n) continue;
        piece(j, node);
        j = node;
    }
    piece(j, n - 1);
}

void CGePolyline3d::DrawNode(CDC* dc, int drawFirst, int drawLast, unsigned int half)
{
    CLooker* looker = gGetLooker();
    const int n = m_strDisp.m_nCount;
    const auto* v = m_strDisp.m_pPoints;
    if (!dc || !looker || !v) return;
    const int last = !IsClosed(ge3con::kClosedTol) && drawLast ? n : n - 1;
    if (drawFirst) DrawStartMark(dc, *looker, v[0], half);
    for (int i = 1; i < last; ++i) dc->Rectangle(NodeSquare(*looker, v[i], half));
}

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
            P3D_Lerp(v[i - 1], v[i], 0.5, m);
            if (snap->IsSnapPoint(m, 3)) result.PushBackMid(m[0], m[1], m[2]);
        }
    }
    if ((snap->m_nSnapMode & kSnapPerp) && snap->m_pBase->m_bHasBase) {
        for (int i = 1; i < n; ++i) {
            double d[3], w[3];
            V3D_Sub(v[i], v[i - 1], d);
            V3D_Sub(snap->m_pBase->m_ptBase, v[i - 1], w);
            const double dd = V3D_Dot(d, d);
            if (!(dd > 0.0)) continue;
            const double u = V3D_Dot(w, d) / dd;
            double f[3];
            P3D_Lerp(v[i - 1], v[i], u, f);
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
    P3D_Copy(v[0], origin);
    if (n == 2) {
        V3D_GenUnit(v[0], v[1], 1e-6, vec);
        return P3D_Dist(v[0], v[1]) <= tol ? 3 : 2;
    }
    int state = 0;
    for (int i = 1; i < n && state < 3; ++i) {
        const double dist = P3D_Dist(v[i], v[0]);
        if (state == 0) {
            if (dist > tol) {
                V3D_GenUnit(v[0], v[i], 1e-6, vec);
                state = 1;
            }
        } else if (state == 1) {
            double dir[3];
            if (dist > tol && V3D_GenUnit(v[0], v[i], 1e-6, dir)) {
                double c[3];
                V3D_Cross(vec, dir, c);
                // Not parallel within 0.01: the two directions span the plane.
                if (V3D_Len(c) > 0.01 && V3D_Unit(c, 1e-12)) {
                    P3D_Copy(c, vec);
                    state = 2;
                }
            }
        } else {
            double w[3];
            V3D_Sub(v[i], v[0], w);
            if (std::fabs(V3D_Dot(w, vec)) > tol) state = 3;
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
        const double c = P3D_Dist(v[i - 1], v[i]);
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
    P3D_Lerp(v[seg - 1], v[seg], t, p);
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
    for (int i = 1; i < n; ++i) params[i] = params[i - 1] + P3D_Dist(v[i - 1], v[i]);
    const double total = params[n - 1];
    // A polyline of zero length spreads its parameters evenly instead of dividing by 0.
    for (int i = 1; i < n; ++i) params[i] = total > 0.0 ? params[i] / total : double(i) / (n - 1);
    params[n - 1] = 1.0;
    return n;
}
