#include "geometry/shapes2d/CurveListMerge.h"

#include "framework/looker/MemPool.h"
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/QvnMath.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes2d/RefinePointStr.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kLineType = 0x2;
constexpr int kBezierType = 0x20;
constexpr int kPolylineType = 0x40;
// Merged polylines are thinned of nearly straight runs within this.
constexpr double kMergeLeanTol = 0.001;
// A swept boundary has at least this many chords.
constexpr int kMinSweepCount = 5;
// Never more chords than this, however large the radii.
constexpr int kMaxSweepCount = 1 << 20;

// Chords of a sweep at radius r whose sagitta stays within tol (no finer than
// gecon::kMinRelDiscTol of r); 0 for a radius that is not positive.
int SweepChords(double sweep, double r, double tol)
{
    if (!(r > 0.0)) return 0;
    tol = gecon::FloorDiscTol(tol, r);
    const double a = QVN_Math::ACos((r - tol) / r);
    const double n = a > 0.0 ? std::fabs(sweep) / a : static_cast<double>(kMaxSweepCount);
    return n >= kMaxSweepCount ? kMaxSweepCount : static_cast<int>(n);
}

}  // namespace

namespace {

using PointArray = CArray<tagPoint2d, tagPoint2d>;

// Scratch arrays of one thread that keep their room between calls; a nested
// use (a curve whose discretisation merges a list again) gets arrays of its own.
class MergeScratch {
public:
    MergeScratch() : m_shared(&t_shared)
    {
        if (m_shared->busy) {
            m_own = std::make_unique<Arrays>();
            m_arrays = m_own.get();
        } else {
            m_shared->busy = true;
            m_arrays = m_shared;
        }
        m_arrays->points.SetSize(0);
        m_arrays->one.SetSize(0);
    }
    ~MergeScratch()
    {
        if (m_own) return;
        m_shared->busy = false;
        // Larger arrays are not kept between calls.
        if (m_shared->points.GetSize() > kKeepLimit) m_shared->points.RemoveAll();
        if (m_shared->one.GetSize() > kKeepLimit) m_shared->one.RemoveAll();
    }
    MergeScratch(const MergeScratch&) = delete;
    MergeScratch& operator=(const MergeScratch&) = delete;
    PointArray& Points() { return m_arrays->points; }
    PointArray& One() { return m_arrays->one; }

private:
    static constexpr INT_PTR kKeepLimit = 1 << 16;
    struct Arrays {
        bool busy = false;
        PointArray points;
        PointArray one;
    };
    static thread_local Arrays t_shared;
    Arrays* m_shared;
    Arrays* m_arrays = nullptr;
    std::unique_ptr<Arrays> m_own;
};

thread_local MergeScratch::Arrays MergeScratch::t_shared;

// The discretisation of the count curves from first on into pts, the shared end
// points written once; false when they are not linked within tol or give fewer
// than 2 points.
bool RunPoints(const CTypedPtrList<CObList, CGeCurve*>& list, POSITION first, INT_PTR count, double tol, double ang,
               MergeScratch& scratch)
{
    if (!geIsLinkCurveRun2d(list, first, count, tol)) return false;
    PointArray& pts = scratch.Points();
    PointArray& one = scratch.One();
    POSITION pos = first;
    for (INT_PTR k = 0; k < count && pos; ++k) {
        CGeCurve* c = list.GetNext(pos);
        one.SetSize(0);
        c->DiscreteInArray(tol, &one, ang, false);
        // The first point of every later curve repeats the previous end.
        for (INT_PTR i = pts.IsEmpty() ? 0 : 1; i < one.GetSize(); ++i) pts.Add(one[i]);
    }
    return pts.GetSize() >= 2;
}

}  // namespace

CGePolyline* geCurveListToPolyLine(CTypedPtrList<CObList, CGeCurve*>* list, double tol, double ang)
{
    if (!list) return nullptr;
    MergeScratch scratch;
    if (!RunPoints(*list, list->GetHeadPosition(), list->GetCount(), tol, ang, scratch)) return nullptr;
    auto* poly = new CGePolyline;
    if (!poly->Create(&scratch.Points())) {
        delete poly;
        return nullptr;
    }
    return poly;
}

CGePolyline* geCurveRunToLeanPolyLine(const CTypedPtrList<CObList, CGeCurve*>& list, POSITION first, INT_PTR count,
                                      double tol, double ang)
{
    MergeScratch scratch;
    if (!RunPoints(list, first, count, tol, ang, scratch)) return nullptr;
    // The thinning CGePolyline::Lean applies to the merged polyline's points.
    RefinePointStr(tol, gecon::kThinAngle170, scratch.Points());
    auto* poly = new CGePolyline;
    poly->Create(&scratch.Points());
    return poly;
}

CGeBezier* geMergeBezier(CTypedPtrList<CObList, CGeCurve*>* list)
{
    if (!list || list->IsEmpty() || !geIsLinkCurve2d(list, gecon::kMergeLinkTol)) return nullptr;
    unsigned total = 0;
    for (POSITION pos = list->GetHeadPosition(); pos;) {
        CGeCurve* c = list->GetNext(pos);
        if (c->GetType() == kBezierType) total += static_cast<CGeBezier*>(c)->GetNodeCount();
    }
    if (total == 0) return nullptr;
    auto* pts = static_cast<double(*)[2]>(gAlcMemPool(static_cast<int>(sizeof(double[2]) * total)));
    CGeBezier* result = nullptr;
    if (pts) {
        unsigned n = 0;
        for (POSITION pos = list->GetHeadPosition(); pos;) {
            CGeCurve* c = list->GetNext(pos);
            if (c->GetType() != kBezierType) continue;
            const auto* bez = static_cast<CGeBezier*>(c);
            const CBezierNode* nodes = bez->GetNodes();
            for (unsigned i = n == 0 ? 0 : 1; nodes && i < bez->GetNodeCount(); ++i) {
                pts[n][0] = nodes[i].x;
                pts[n][1] = nodes[i].y;
                ++n;
            }
        }
        result = new CGeBezier;
        if (!result->CreateEx(n, pts)) {
            delete result;
            result = nullptr;
        }
    }
    gFreMemPool();
    return result;
}

CGeCurve* geMergeLine(CTypedPtrList<CObList, CGeCurve*>* list)
{
    if (!list || list->IsEmpty() || !geIsLinkCurve2d(list, gecon::kMergeLinkTol)) return nullptr;
    std::vector<double> pts;
    auto add = [&pts](const double* p) {
        pts.push_back(p[0]);
        pts.push_back(p[1]);
    };
    for (POSITION pos = list->GetHeadPosition(); pos;) {
        CGeCurve* c = list->GetNext(pos);
        if (c->GetType() == kLineType) {
            double p[2];
            if (pts.empty()) {
                c->GetStartPoint(p);
                add(p);
            }
            c->GetEndPoint(p);
            add(p);
        } else if (c->GetType() == kPolylineType) {
            const auto* poly = static_cast<CGePolyline*>(c);
            for (int i = pts.empty() ? 0 : 1; i < poly->GetSWPointCount(); ++i) add(poly->GetSWPoint()[i]);
        }
    }
    const int n = static_cast<int>(pts.size() / 2);
    if (n < 2) return nullptr;
    if (n == 2) return new CGeLine(&pts[0], &pts[2]);
    auto* poly = new CGePolyline;
    poly->Create(n, reinterpret_cast<const double(*)[2]>(pts.data()));
    poly->Lean(kMergeLeanTol);
    return poly;
}

CGePolyline* geCreateSweepBound(CGeArc* arc, double* radii)
{
    if (!arc || !radii) return nullptr;
    const double tol = gGetCrvDiscTol();
    const double sweep = arc->GetSweep();
    int count = (SweepChords(sweep, radii[0], tol) + SweepChords(sweep, radii[1], tol)) / 2;
    if (count < kMinSweepCount) count = kMinSweepCount;
    const double step = sweep / count;

    double centre[2], u[2];
    arc->GetCenter(centre);
    arc->GetStartDir(u);
    const double len = std::hypot(u[0], u[1]);
    if (len > 0.0) {
        u[0] /= len;
        u[1] /= len;
    } else {
        u[0] = 1.0;
        u[1] = 0.0;
    }
    CArray<tagPoint2d, tagPoint2d> pts;
    pts.SetSize(count + 1);
    for (int j = 0; j <= count; ++j) {
        const double angle = j == count ? sweep : j * step;
        const double s = j == count ? 1.0 : (sweep != 0.0 ? angle / sweep : 0.0);
        const double rho = (1.0 - s) * radii[0] + s * radii[1];
        const double c = std::cos(angle), sn = std::sin(angle);
        pts[j] = {centre[0] + rho * (u[0] * c - u[1] * sn), centre[1] + rho * (u[0] * sn + u[1] * c)};
    }
    auto* poly = new CGePolyline;
    poly->Create(&pts);
    return poly;
}
