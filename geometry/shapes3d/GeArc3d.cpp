#include "geometry/shapes3d/GeArc3d.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Conic2D.h"
#include "framework/numerak/Line3D.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/QvnMath.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "framework/numerak/Point3D.h"
#include "framework/numerak/Matrix44.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <cmath>

IMPLEMENT_SERIAL(CGeArc3d, CObject, VERSIONABLE_SCHEMA | 1)

namespace {

// Display strings never have fewer segments than this, nor more than the cap.
constexpr int kMinDisplaySegments = 10;
constexpr double kMaxDisplaySegments = 1e6;
// A stored sweep beyond a full turn (2 pi + 0.0001) is damage.
constexpr double kFullTurnLimit = 6.283285307179586;
// Largest angle at the middle point of a three-point arc (pi - 0.001).
constexpr double kMaxThreePointAngle = 3.1405926535897932;
// Tolerances of the centre of a start-end-tangent arc: distance and angle of the lines.
constexpr double kCentreDistTol = 1e-6;
constexpr double kCentreAngleTol = 0.001;
// A 2D pick takes the exact arc when its normal is vertical within this.
constexpr double kVerticalNormalTol = 0.0001;
// Relative tolerance of the similarity test of matrix transforms.
constexpr double kSimilarityTol = 1e-9;

void SetAxes(_rect_fm3d& f, const double* x, const double* y, const double* z)
{
    P3D_Copy(x, f.X);
    P3D_Copy(y, f.Y);
    P3D_Copy(z, f.Z);
}

// Scale factor s when the linear part (rows a, b, c) is s times an orthogonal matrix.
bool SimilarityScale(const double* a, const double* b, const double* c, double& s)
{
    const double la = V3D_Dot(a, a), lb = V3D_Dot(b, b), lc = V3D_Dot(c, c);
    if (!(la > 0.0) || !std::isfinite(la + lb + lc)) return false;
    const double tol = kSimilarityTol * la;
    if (std::fabs(la - lb) > tol || std::fabs(la - lc) > tol) return false;
    if (std::fabs(V3D_Dot(a, b)) > tol || std::fabs(V3D_Dot(a, c)) > tol || std::fabs(V3D_Dot(b, c)) > tol)
        return false;
    s = std::sqrt(la);
    return true;
}

}  // namespace

CGeArc3d::CGeArc3d() { RF_Init(&m_frame); }

int CGeArc3d::GetType() const { return ge3con::kTypeArc3d; }

void CGeArc3d::Serialize(CArchive& ar)
{
    CGeCurve3d::Serialize(ar);
    double* fields[] = {&m_radius, &m_sweep, m_frame.O, m_frame.X, m_frame.Y, m_frame.Z, &m_frame.s};
    const int sizes[] = {1, 1, 3, 3, 3, 3, 1};
    for (int f = 0; f < 7; ++f)
        for (int i = 0; i < sizes[f]; ++i) {
            if (ar.IsStoring())
                ar << fields[f][i];
            else
                ar >> fields[f][i];
        }
    if (ar.IsLoading()) {
        // An arc no drawing can hold is damage, not geometry; its display
        // string would also take the most points there are for each such record.
        bool sound = gecon::IsCoordinateInRange(m_radius) && std::fabs(m_sweep) <= kFullTurnLimit &&
                     std::isfinite(m_frame.s);
        for (int i = 0; i < 3; ++i)
            sound = sound && gecon::IsCoordinateInRange(m_frame.O[i]) && std::isfinite(m_frame.X[i]) &&
                    std::isfinite(m_frame.Y[i]) && std::isfinite(m_frame.Z[i]);
        if (!sound) AfxThrowArchiveException(CArchiveException::genericException);
        Rediscretise();
    }
}

int CGeArc3d::Create3Pnt(double* start, double* mid, double* end)
{
    if (P3D_Dist(start, end) < 1e-6) return 0;
    double a[3], b[3];
    if (!V3D_GenUnit(mid, start, 1e-6, a) || !V3D_GenUnit(mid, end, 1e-6, b)) return 0;
    RF_Init(&m_frame);
    double z[3];
    V3D_Cross(b, a, z);
    if (!V3D_Unit(z, 1e-12)) return 0;  // collinear
    P3D_Copy(z, m_frame.Z);
    V3D_GetXYFromZ(z, m_frame.X, m_frame.Y);
    // The circle's centre in the frame's plane, at the start's height over it.
    double s[3], m[3], e[3], c[3];
    RF_TransWorldP3D(&m_frame, start, s);
    RF_TransWorldP3D(&m_frame, mid, m);
    RF_TransWorldP3D(&m_frame, end, e);
    if (!C2D_GetCenter(s, m, e, c)) return 0;
    c[2] = s[2];
    RF_TransLocalP3D(&m_frame, c, c);
    const double alpha = V3D_GetAngle(a, b, 1e-6);
    if (alpha < ge3con::kMinArcSweep || alpha > kMaxThreePointAngle) return 0;
    // The inscribed angle at mid spans the part of the circle that does not hold mid.
    m_sweep = ge3con::kTwoPi - 2.0 * alpha;
    m_radius = P3D_Dist(c, start);
    P3D_Copy(c, m_frame.O);
    if (!V3D_GenUnit(c, start, 1e-6, m_frame.X)) return 0;
    V3D_VProductUnit(m_frame.Z, m_frame.X, m_frame.Y);
    return std::fabs(m_sweep) < ge3con::kMinArcSweep ? 0 : 1;
}

int CGeArc3d::CreateSETan(double* start, double* end, double* tangent)
{
    double d[3];
    if (!V3D_GenUnit(start, end, 1e-6, d) || !V3D_Unit(tangent, 1e-6)) return 0;
    double z[3];
    if (!V3D_VProductUnit(tangent, d, z)) return 0;
    // The centre lies on the normal to the tangent at the start and on the chord's bisector.
    static constexpr double kOrigin[3] = {0.0, 0.0, 0.0};
    constexpr double kQuarter = 1.5707963267948966;
    double normal[3], bisector[3], mid[3], c[3];
    P3D_RotatePnt(z, kOrigin, -kQuarter, tangent, normal);
    P3D_RotatePnt(z, kOrigin, kQuarter, d, bisector);
    P3D_Lerp(start, end, 0.5, mid);
    if (Isect3_LineLine(start, normal, mid, bisector, kCentreDistTol, kCentreAngleTol, c) != 1) return 0;
    RF_Init(&m_frame);
    P3D_Copy(c, m_frame.O);
    P3D_Copy(z, m_frame.Z);
    if (!V3D_GenUnit(c, start, 1e-6, m_frame.X)) return 0;
    V3D_VProductUnit(m_frame.Z, m_frame.X, m_frame.Y);
    m_radius = P3D_Dist(c, start);
    double e[3];
    if (!V3D_GenUnit(c, end, 1e-6, e)) return 0;
    m_sweep = V3D_GetAngle(m_frame.X, e, 1e-12);
    double turn[3];
    // The end lies behind the start's tangent line: the long way round.
    if (V3D_VProductUnit(m_frame.X, e, turn) && V3D_GetAngle(z, turn, 1e-12) > kQuarter)
        m_sweep = ge3con::kTwoPi - m_sweep;
    return std::fabs(m_sweep) < ge3con::kMinArcSweep ? 0 : 1;
}

int CGeArc3d::CreateCSE(double* centre, double* start, double* end, int shorter)
{
    if (P3D_Dist(start, end) < 1e-6) return 0;
    double d[3], mid[3];
    if (!V3D_GenUnit(start, end, 1e-6, d)) return 0;
    P3D_Lerp(start, end, 0.5, mid);
    // The centre used is the given one projected onto the bisector plane.
    double v[3], c[3];
    V3D_Sub(centre, mid, v);
    const double h = V3D_Dot(v, d);
    P3D_Set(c, centre[0] - h * d[0], centre[1] - h * d[1], centre[2] - h * d[2]);
    const double r = P3D_Dist(start, c);
    if (r < 1e-6) return 0;
    const double half = QVN_Math::ACos(P3D_Dist(mid, c) / r);
    if (half < ge3con::kMinArcSweep) return 0;

    RF_Init(&m_frame);
    m_sweep = 2.0 * half;
    m_radius = r;
    P3D_Copy(c, m_frame.O);
    double x[3], z[3], y[3];
    if (!V3D_GenUnit(c, start, 1e-6, x)) return 0;
    V3D_Cross(x, d, z);
    if (!V3D_Unit(z, 1e-12)) return 0;
    if (!shorter) {
        m_sweep = ge3con::kTwoPi - m_sweep;
        P3D_Set(z, -z[0], -z[1], -z[2]);
    }
    V3D_Cross(z, x, y);
    V3D_Unit(y, 1e-12);
    SetAxes(m_frame, x, y, z);
    return std::fabs(m_sweep) < ge3con::kMinArcSweep ? 0 : 1;
}

int CGeArc3d::CreateCSE(int longer, double* centre, double* start, double* end)
{
    return CreateCSE(centre, start, end, longer == 1 ? 0 : 1);
}

int CGeArc3d::CreateCricleXY(double* centre, double r)
{
    m_radius = std::fabs(r);
    m_sweep = ge3con::kTwoPi;
    if (m_radius < ge3con::kMinCircleRadius) return 0;
    P3D_Copy(centre, m_frame.O);
    const double x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, z[3] = {0, 0, 1};
    SetAxes(m_frame, x, y, z);
    return 1;
}

int CGeArc3d::CreateCricleXZ(double* centre, double r)
{
    m_radius = std::fabs(r);
    m_sweep = ge3con::kTwoPi;
    if (m_radius < ge3con::kMinCircleRadius) return 0;
    P3D_Copy(centre, m_frame.O);
    const double x[3] = {1, 0, 0}, y[3] = {0, 0, 1}, z[3] = {0, -1, 0};
    SetAxes(m_frame, x, y, z);
    return 1;
}

int CGeArc3d::CreateCricleYZ(double* centre, double r)
{
    m_radius = std::fabs(r);
    m_sweep = ge3con::kTwoPi;
    if (m_radius < ge3con::kMinCircleRadius) return 0;
    P3D_Copy(centre, m_frame.O);
    const double x[3] = {0, 1, 0}, y[3] = {0, 0, 1}, z[3] = {1, 0, 0};
    SetAxes(m_frame, x, y, z);
    return 1;
}

int CGeArc3d::CreateArcXY(double* centre, double r, double startAngle, double sweep)
{
    const double size = std::fabs(sweep);
    if (!(r >= ge3con::kMinCircleRadius) || !(size >= ge3con::kMinArcSweep) || size > ge3con::kTwoPi + 1e-9 ||
        !std::isfinite(centre[0] + centre[1] + centre[2] + startAngle))
        return 0;
    const double sign = sweep < 0.0 ? -1.0 : 1.0;
    const double x[3] = {std::cos(startAngle), std::sin(startAngle), 0.0};
    const double z[3] = {0.0, 0.0, sign};
    // Y = Z × X: turned a quarter towards the sweep direction.
    const double y[3] = {-sign * x[1], sign * x[0], 0.0};
    SetAxes(m_frame, x, y, z);
    P3D_Copy(centre, m_frame.O);
    m_radius = r;
    m_sweep = std::min(size, ge3con::kTwoPi);
    return 1;
}

int CGeArc3d::GetParam(double* point, double& t)
{
    t = 0.0;
    double v[3];
    V3D_Sub(point, m_frame.O, v);
    const double h = V3D_Dot(v, m_frame.Z);
    for (int i = 0; i < 3; ++i) v[i] -= h * m_frame.Z[i];
    if (!V3D_Unit(v, 1e-12)) return 0;
    const double a = V3D_GetRotAngleXY(m_frame.X, m_frame.Y, v);
    t = m_sweep != 0.0 ? a / m_sweep : 0.0;
    return 1;
}

CGeShape3d* CGeArc3d::Copy()
{
    auto* arc = new CGeArc3d;
    arc->m_radius = m_radius;
    arc->m_sweep = m_sweep;
    arc->m_frame = m_frame;
    CopyBaseTo(*arc);
    arc->m_bClosed = m_bClosed;
    return arc;
}

void CGeArc3d::Rediscretise() { Discrete(gGetCrvShowDiscTol(), m_strDisp); }

void CGeArc3d::SettleAxes()
{
    // Z from the mapped X and Y keeps the counter-clockwise sense of the mapped points,
    // also when the map is a reflection or scales.
    V3D_Unit(m_frame.X, 1e-300);
    V3D_Unit(m_frame.Y, 1e-300);
    V3D_Cross(m_frame.X, m_frame.Y, m_frame.Z);
    V3D_Unit(m_frame.Z, 1e-300);
}

void CGeArc3d::Translate(double* v)
{
    m_frame.O[0] += v[0];
    m_frame.O[1] += v[1];
    CGeCurve3d::Translate(v);
}

void CGeArc3d::Translate3D(double* v)
{
    V3D_Add(m_frame.O, v, m_frame.O);
    CGeCurve3d::Translate3D(v);
}

void CGeArc3d::Rotate(double* centre, double angle)
{
    double p[3] = {centre[0], centre[1], 0.0};
    double axis[3] = {0.0, 0.0, 1.0};
    RF_RotateRFrame(&m_frame, p, axis, angle);
    CGeCurve3d::Rotate(centre, angle);
}

void CGeArc3d::Rotate3D(double* point, double* axis, double angle)
{
    RF_RotateRFrame(&m_frame, point, axis, angle);
    CGeCurve3d::Rotate3D(point, axis, angle);
}

void CGeArc3d::Mirror(double* p, double* q)
{
    // The vertical plane through the line from p to q (q read as a point, as the
    // display points are mirrored).
    const double point[3] = {p[0], p[1], 0.0};
    const double normal[3] = {-(q[1] - p[1]), q[0] - p[0], 0.0};
    RF_MirrorRFrame(&m_frame, point, normal);
    CGeCurve3d::Mirror(p, q);
}

void CGeArc3d::Mirror3D(double* point, double* normal)
{
    RF_MirrorRFrame(&m_frame, point, normal);
    CGeCurve3d::Mirror3D(point, normal);
}

void CGeArc3d::Transform(_rect_fm3d* frame)
{
    if (!frame) return;
    // Centre and axes follow the display points into the frame's coordinates.
    RF_EvRFrame(frame, &m_frame, &m_frame);
    SettleAxes();
    CGeCurve3d::Transform(frame);
}

void CGeArc3d::TransformLocal(_rect_fm3d* frame)
{
    if (!frame) return;
    // Centre and axes follow the display points out of the frame's coordinates.
    RF_MultRFrame(frame, &m_frame, &m_frame);
    SettleAxes();
    CGeCurve3d::TransformLocal(frame);
}

CGeNrbCrv3d* CGeArc3d::ToNurbs() const
{
    _arc rec;
    rec.frame = m_frame;
    rec.r = m_radius;
    rec.sweep = m_sweep;
    BCRV* curve = nullptr;
    if (!BCRV_GenArc(&rec, &curve) || !curve) return nullptr;
    auto* nurbs = new CGeNrbCrv3d;
    nurbs->SetCurve(curve);
    nurbs->m_nFlags = m_nFlags;
    nurbs->m_bClosed = m_bClosed;
    return nurbs;
}

CGeShape3d* CGeArc3d::Twist(double* point, double* axis, double angle)
{
    CGeNrbCrv3d* nurbs = ToNurbs();
    if (nurbs) nurbs->Twist(point, axis, angle);
    return nurbs;
}

CGeShape3d* CGeArc3d::Taper(double* point, double* axis, double angle)
{
    CGeNrbCrv3d* nurbs = ToNurbs();
    if (nurbs) nurbs->Taper(point, axis, angle);
    return nurbs;
}

CGeShape3d* CGeArc3d::Shear(double* base, double* factors)
{
    CGeNrbCrv3d* nurbs = ToNurbs();
    if (nurbs) nurbs->Shear(base, factors);
    return nurbs;
}

CGeShape3d* CGeArc3d::Scale(double* centre, double* factors)
{
    CGeNrbCrv3d* nurbs = ToNurbs();
    if (nurbs) nurbs->Scale(centre, factors);
    return nurbs;
}

CGeShape3d* CGeArc3d::Scale3D(double* centre, double* factors)
{
    CGeNrbCrv3d* nurbs = ToNurbs();
    if (nurbs) nurbs->Scale3D(centre, factors);
    return nurbs;
}

CGeShape3d* CGeArc3d::Shear3D(double* point, double* dir, double* normal)
{
    CGeNrbCrv3d* nurbs = ToNurbs();
    if (nurbs) nurbs->Shear3D(point, dir, normal);
    return nurbs;
}

CGeShape3d* CGeArc3d::Transform(double m[4][4], unsigned int flags)
{
    // A similarity (rotation, reflection or equal scale, any translation) keeps a
    // circle: centre and axes are mapped and the radius scaled. Anything else bends it.
    double s = 1.0;
    if (SimilarityScale(m[0], m[1], m[2], s)) {
        _rect_fm3d carrier;
        RF_GetRFrameFromMatrix(m, &carrier);
        RF_MultRFrame(&carrier, &m_frame, &m_frame);
        SettleAxes();
        m_radius *= s;
        Rediscretise();
        return this;
    }
    CGeNrbCrv3d* nurbs = ToNurbs();
    if (!nurbs) return this;
    nurbs->Transform(m, flags);
    return nurbs;
}

CGeShape3d* CGeArc3d::Transform(double m[3][3], unsigned int flags)
{
    // The plane affinity embedded in space: x and y change, z stays.
    double m4[4][4] = {{m[0][0], m[0][1], 0.0, 0.0},
                       {m[1][0], m[1][1], 0.0, 0.0},
                       {0.0, 0.0, 1.0, 0.0},
                       {m[2][0], m[2][1], 0.0, 1.0}};
    return Transform(m4, flags);
}

int CGeArc3d::GetSnapPos(CSnapAt* snap, CSnapResult& result)
{
    if (!snap || !snap->m_pLooker || !snap->m_pBase) return 0;
    const int before = result.GetSize();
    const double g = snap->m_dAperture;
    const double px = snap->m_ptCursor[0], py = snap->m_ptCursor[1];
    auto aligned = [&](const double* p) { return std::fabs(px - p[0]) < g || std::fabs(py - p[1]) < g; };

    if (snap->m_nSnapMode & kSnapEnd) {
        double s[3], e[3];
        GetStartPoint(s);
        GetEndPoint(e);
        if (snap->IsSnapPoint(s, 3)) {
            result.PushBackEnd(s[0], s[1], s[2]);
        } else if (snap->IsSnapPoint(e, 3)) {
            result.PushBackEnd(e[0], e[1], e[2]);
        } else if (snap->m_bAlign) {
            if (aligned(s)) result.PushBackEnd(s[0], s[1], s[2]);
            if (aligned(e)) result.PushBackEnd(e[0], e[1], e[2]);
        }
    }
    if (snap->m_nSnapMode & kSnapCen) {
        const double* c = m_frame.O;
        if (snap->IsSnapPoint(c, 3))
            result.PushBackCen(c[0], c[1], c[2]);
        else if (snap->m_bAlign && snap->m_pLooker->IsPtInView(c, 2) && aligned(c))
            result.PushBackCen(c[0], c[1], c[2]);
    }
    return result.GetSize() != before ? 1 : 0;
}

int CGeArc3d::GetNearestPoint3D(double* pt, double* nearest, double& t, unsigned int& seg, double& dist)
{
    t = 0.0;
    dist = 0.0;
    seg = 1;
    double v[3];
    V3D_Sub(pt, m_frame.O, v);
    const double h = V3D_Dot(v, m_frame.Z);
    for (int i = 0; i < 3; ++i) v[i] -= h * m_frame.Z[i];
    if (V3D_Unit(v, 1e-12)) {
        const double a = V3D_GetRotAngleXY(m_frame.X, m_frame.Y, v);
        if (a < m_sweep) {
            t = a / m_sweep;
        } else {
            // Beyond the sweep: the nearer end (the end on a tie).
            double s[3], e[3];
            GetStartPoint(s);
            GetEndPoint(e);
            t = P3D_Dist(pt, e) > P3D_Dist(pt, s) ? 0.0 : 1.0;
        }
    }
    GetPointAt(t, nearest, 1);
    dist = P3D_Dist(pt, nearest);
    return 1;
}

void CGeArc3d::Draw(CDC* dc, int mode)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    if (!HasPoints()) Rediscretise();
    // Decimation: a string finer than a pixel is drawn through every step-th point.
    const int count = m_strDisp.m_nCount;
    int step = 1;
    if (count > 10) {
        double w = 0.0;
        looker->ScreentoWorld(1.0, w);
        if (w > m_radius) {
            step = count;
        } else {
            const double a = std::acos((m_radius - w) / m_radius);
            const double k = a > 0.0 ? std::floor(std::fabs(m_sweep) / a) : 0.0;
            if (k > 0.0 && k < count) step = count / static_cast<int>(k);
        }
    }
    DrawDisplay(dc, mode, step);
}

void CGeArc3d::DrawNode(CDC* dc, int drawStart, int drawEnd, unsigned int half)
{
    DrawEndNodes(dc, drawStart, drawEnd, half);
}

int CGeArc3d::Pick(CPickRay& ray, int useMask)
{
    if (useMask && !(ge3con::kTypeArc3d & ray.m_nTypeMask)) return 0;
    const double nz = m_frame.Z[2];
    if (ray.m_b2D && (std::fabs(nz - 1.0) < kVerticalNormalTol || std::fabs(nz + 1.0) < kVerticalNormalTol)) {
        double nearest[3], t = 0.0, dist = 0.0;
        unsigned int seg = 0;
        GetNearestPoint3D(ray.m_pt, nearest, t, seg, dist);
        const double d = P3D_Dist2D(ray.m_pt, nearest);
        if (!(d < ray.m_dAperture)) return 0;
        ray.m_dDist = d;
        return 1;
    }
    if (!PickDisplay(ray)) return 0;
    if (ray.m_b2D) return 1;
    HitToLengthFraction(ray);
    return 1;
}

int CGeArc3d::IsPlanar(double, double* origin, double* vec)
{
    P3D_Copy(m_frame.O, origin);
    P3D_Copy(m_frame.Z, vec);
    return 1;
}

void CGeArc3d::Discrete(double tol, CStrP3D& str)
{
    tol = gecon::FloorDiscTol(std::max(tol, 1e-6), m_radius);
    const double r = m_radius, s = m_sweep;
    double n = kMinDisplaySegments;
    if (r > 0.0) {
        const double a = QVN_Math::ACos((r - tol) / r);
        if (a > 0.0) n = std::floor(std::fabs(s) / a);
    }
    if (!std::isfinite(n)) n = kMinDisplaySegments;
    const int count = static_cast<int>(std::clamp(n, double(kMinDisplaySegments), kMaxDisplaySegments));
    if (!str.Create(count + 1, true, false)) return;

    const double step = s / count, cs = std::cos(step), sn = std::sin(step);
    double c = 1.0, si = 0.0;
    for (int i = 0; i <= count; ++i) {
        if (i == count) {
            c = std::cos(s);
            si = std::sin(s);
        }
        double* p = str.m_pPoints[i];
        for (int j = 0; j < 3; ++j) p[j] = m_frame.O[j] + r * (c * m_frame.X[j] + si * m_frame.Y[j]);
        str.m_pParams[i] = double(i) / count;
        const double nc = c * cs - si * sn;
        si = si * cs + c * sn;
        c = nc;
    }
    str.CalcBox();
    str.GetBox(&m_box);
}

int CGeArc3d::GetDiscStep(double tol, double& step)
{
    const double r = m_radius;
    if (tol > r) {
        step = 0.1;
        return 1;
    }
    const double a = 2.0 * QVN_Math::ACos((r - tol) / r);
    double n = a > 0.0 ? std::floor(std::fabs(m_sweep) / a) + 1.0 : 8.0;
    if (!std::isfinite(n) || n < 8.0) n = 8.0;
    step = 1.0 / n;
    return 1;
}

void CGeArc3d::GetPointAt(double t, double* p, int)
{
    const double a = t * m_sweep, c = std::cos(a), s = std::sin(a);
    for (int j = 0; j < 3; ++j) p[j] = m_frame.O[j] + m_radius * (c * m_frame.X[j] + s * m_frame.Y[j]);
}

void CGeArc3d::GetStartPoint(double* p) { GetPointAt(0.0, p, 1); }

void CGeArc3d::GetEndPoint(double* p) { GetPointAt(1.0, p, 1); }

void CGeArc3d::GetTanVecAt(double t, double* p, double* tan, int)
{
    const double a = t * m_sweep, c = std::cos(a), s = std::sin(a);
    GetPointAt(t, p, 1);
    for (int j = 0; j < 3; ++j) tan[j] = m_radius * (-s * m_frame.X[j] + c * m_frame.Y[j]);
}

void CGeArc3d::GetStartTanVec(double* v)
{
    double p[3];
    GetTanVecAt(0.0, p, v, 1);
}

void CGeArc3d::GetEndTanVec(double* v)
{
    double p[3];
    GetTanVecAt(1.0, p, v, 1);
}

void CGeArc3d::Ev2Der(double t, double* p, double* d1, double* d2, unsigned int)
{
    const double a = t * m_sweep, c = std::cos(a), s = std::sin(a), r = m_radius, w = m_sweep;
    GetPointAt(t, p, 1);
    for (int j = 0; j < 3; ++j) {
        d1[j] = w * r * (-s * m_frame.X[j] + c * m_frame.Y[j]);
        d2[j] = -w * w * r * (c * m_frame.X[j] + s * m_frame.Y[j]);
    }
}

void CGeArc3d::Reverse()
{
    static constexpr double kOrigin[3] = {0.0, 0.0, 0.0};
    double x[3], y[3], z[3];
    P3D_RotatePnt(m_frame.Z, kOrigin, m_sweep, m_frame.X, x);
    P3D_Set(z, -m_frame.Z[0], -m_frame.Z[1], -m_frame.Z[2]);
    V3D_Cross(z, x, y);
    V3D_Unit(y, 1e-12);
    SetAxes(m_frame, x, y, z);
    Rediscretise();
}

int CGeArc3d::IsClosed(double tol) { return std::fabs(m_sweep - ge3con::kTwoPi) < tol ? 1 : 0; }

double CGeArc3d::EvTotalArcLength() { return m_radius * std::fabs(m_sweep); }

int CGeArc3d::EvParam(double len, double& t, unsigned int& seg, double total)
{
    if (total == 0.0) total = EvTotalArcLength();
    t = total > 0.0 ? std::min(len, total) / total : 0.0;
    seg = 0;
    return 0;
}

void CGeArc3d::Split(double t, CGeCurve3d** out, int)
{
    if (!out || t < 0.0 || t > 1.0) return;
    if (std::fabs(t) < ge3con::kSplitEndTol) {
        out[0] = nullptr;
        out[1] = static_cast<CGeCurve3d*>(Copy());
        return;
    }
    if (t > 1.0 - ge3con::kSplitEndTol) {
        out[0] = static_cast<CGeCurve3d*>(Copy());
        out[1] = nullptr;
        return;
    }
    // Both pieces lie on the same circle: the first keeps the frame with a shorter
    // sweep, the second starts where the first ends.
    static constexpr double kOrigin[3] = {0.0, 0.0, 0.0};
    auto* first = new CGeArc3d;
    first->m_frame = m_frame;
    first->m_radius = m_radius;
    first->m_sweep = m_sweep * t;
    auto* second = new CGeArc3d;
    second->m_frame = m_frame;
    second->m_radius = m_radius;
    second->m_sweep = m_sweep * (1.0 - t);
    P3D_RotatePnt(m_frame.Z, kOrigin, m_sweep * t, m_frame.X, second->m_frame.X);
    P3D_RotatePnt(m_frame.Z, kOrigin, m_sweep * t, m_frame.Y, second->m_frame.Y);
    for (CGeArc3d* piece : {first, second}) {
        piece->Rediscretise();
        piece->m_nFlags = m_nFlags;
    }
    out[0] = first;
    out[1] = second;
}
