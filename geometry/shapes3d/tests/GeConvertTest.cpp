// Conversions of 2D curves into 3D curves and NURBS records, checked against
// closed forms of the 2D shapes sampled densely.
#include "geometry/shapes3d/GeConvert.h"

#include "CurveSampling.h"
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Point3D.h"

#include "framework/numerak/Bcrv.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeGroup.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeOffsetCrv.h"
#include "geometry/shapes2d/GePoint.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeLoop3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;
using Pt2 = std::array<double, 2>;
using Pt3 = std::array<double, 3>;
using Param2d = std::function<Pt2(double)>;

struct BcrvFree {
    void operator()(BCRV* c) const { BCRV_Free(c); }
};
using BcrvPtr = std::unique_ptr<BCRV, BcrvFree>;

// --- 2D inputs, built through the classes' own constructions -------------

std::unique_ptr<CGeCurve> MakeLine(double x1, double y1, double x2, double y2)
{
    const double p[2] = {x1, y1}, q[2] = {x2, y2};
    return std::make_unique<CGeLine>(p, q);
}

std::unique_ptr<CGeArc> MakeArc(double cx, double cy, double r, double a0, double a1)
{
    auto arc = std::make_unique<CGeArc>();
    const double c[2] = {cx, cy};
    EXPECT_EQ(arc->CreateCSEAngle(c, r, a0, a1), 1);
    return arc;
}

std::unique_ptr<CGePolyline> MakePolyline(const std::vector<Pt2>& pts)
{
    auto poly = std::make_unique<CGePolyline>();
    CArray<tagPoint2d, tagPoint2d> a;
    for (const Pt2& p : pts) a.Add(tagPoint2d{p[0], p[1]});
    poly->Create(&a);
    return poly;
}

std::unique_ptr<CGeBezier> MakeBezier(std::vector<Pt2> nodes)
{
    auto bez = std::make_unique<CGeBezier>();
    EXPECT_EQ(bez->CreateEx(static_cast<unsigned>(nodes.size()), reinterpret_cast<double(*)[2]>(nodes.data())), 1);
    return bez;
}

// --- closed forms of the 2D shapes ---------------------------------------

Param2d LineParam(Pt2 a, Pt2 b)
{
    return [=](double t) { return Pt2{a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1])}; };
}

Param2d ArcParam(Pt2 c, double r, double a0, double sweep)
{
    return [=](double t) {
        const double a = a0 + t * sweep;
        return Pt2{c[0] + r * std::cos(a), c[1] + r * std::sin(a)};
    };
}

Param2d EllipseParam(Pt2 c, double a, double b, double rot, int dir)
{
    return [=](double t) {
        const double th = (dir ? 1.0 : -1.0) * 2.0 * kPi * t;
        const double u = a * std::cos(th), v = b * std::sin(th);
        return Pt2{c[0] + u * std::cos(rot) - v * std::sin(rot), c[1] + u * std::sin(rot) + v * std::cos(rot)};
    };
}

Pt2 Cubic(const CBezierNode* n, double s)
{
    const double m = 1.0 - s;
    const double w[4] = {m * m * m, 3 * m * m * s, 3 * m * s * s, s * s * s};
    Pt2 p{0, 0};
    for (int i = 0; i < 4; ++i) {
        p[0] += w[i] * n[i].x;
        p[1] += w[i] * n[i].y;
    }
    return p;
}

Param2d BezierParam(const CGeBezier& bez)
{
    std::vector<CBezierNode> nodes(bez.GetNodes(), bez.GetNodes() + bez.GetNodeCount());
    const int segs = static_cast<int>(nodes.size() - 1) / 3;
    return [nodes, segs](double t) {
        const int k = std::min(static_cast<int>(t * segs), segs - 1);
        return Cubic(&nodes[3 * k], t * segs - k);
    };
}

Param2d PolylineParam(std::vector<Pt2> pts)
{
    return [pts](double t) {
        const int segs = static_cast<int>(pts.size()) - 1;
        const int k = std::min(static_cast<int>(t * segs), segs - 1);
        return LineParam(pts[k], pts[k + 1])(t * segs - k);
    };
}

// Two pieces sharing [0, 1] equally.
Param2d Joined(Param2d first, Param2d second)
{
    return [=](double t) { return t < 0.5 ? first(2 * t) : second(2 * t - 1); };
}

// --- sampling oracles ------------------------------------------------------

double DistToSegment(const double* p, const double* a, const double* b)
{
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dy);
}

// Distance in XY from p to the polyline pts.
template <class P>
double DistToPolyline(const double* p, const std::vector<P>& pts)
{
    double best = 1e300;
    for (size_t i = 0; i + 1 < pts.size(); ++i) best = std::min(best, DistToSegment(p, pts[i].data(), pts[i + 1].data()));
    if (pts.size() == 1) best = std::hypot(p[0] - pts[0][0], p[1] - pts[0][1]);
    return best;
}

// Shoelace sum of the XY polygon through the points: equal shapes traced the
// same way agree in sign and size.
template <class P>
double SignedArea(const std::vector<P>& pts)
{
    double a = 0.0;
    for (size_t i = 0; i < pts.size(); ++i) {
        const P& p = pts[i];
        const P& q = pts[(i + 1) % pts.size()];
        a += p[0] * q[1] - q[0] * p[1];
    }
    return 0.5 * a;
}

std::vector<Pt2> Sample2d(const Param2d& f, int n)
{
    std::vector<Pt2> pts;
    for (int i = 0; i <= n; ++i) pts.push_back(f(double(i) / n));
    return pts;
}

std::vector<Pt3> SampleRecord(const BCRV* rec, int n)
{
    std::vector<Pt3> pts;
    const double a = rec->U[rec->k - 1], b = rec->U[rec->n];
    for (int i = 0; i <= n; ++i) {
        Pt3 p;
        BCRV_EvPos(rec, a + (b - a) * i / n, p.data());
        pts.push_back(p);
    }
    return pts;
}

// Points along the 3D curve from its own exact geometry, in curve order.
std::vector<Pt3> Sample3d(CGeCurve3d* c, int n)
{
    std::vector<Pt3> pts;
    if (auto* nrb = dynamic_cast<CGeNrbCrv3d*>(c)) return nrb->GetCurve() ? SampleRecord(nrb->GetCurve(), n) : pts;
    if (auto* comb = dynamic_cast<CGeCombCurve3d*>(c)) {
        for (CGeCurve3d* m : comb->m_listCurve) {
            std::vector<Pt3> part = Sample3d(m, n);
            pts.insert(pts.end(), part.begin(), part.end());
        }
        return pts;
    }
    if (auto* poly = dynamic_cast<CGePolyline3d*>(c)) {
        for (int i = 0; i < poly->GetCount(); ++i)
            pts.push_back({poly->GetCtrlPt()[i][0], poly->GetCtrlPt()[i][1], poly->GetCtrlPt()[i][2]});
        return pts;
    }
    for (int i = 0; i <= n; ++i) {
        Pt3 p;
        c->GetPointAt(double(i) / n, p.data(), 1);
        pts.push_back(p);
    }
    return pts;
}

// The 3D curve lies on the 2D shape at height z and covers all of it, traced
// the same way round.
void ExpectSameShape(CGeCurve3d* c3, const Param2d& f, double z, const std::string& label)
{
    constexpr double kTol = 1e-4;
    // 2100 steps put a sample on every joint of pieces sharing [0, 1] equally (up to 7).
    const std::vector<Pt2> dense2 = Sample2d(f, 2100);
    const std::vector<Pt3> pts3 = Sample3d(c3, 400);
    ASSERT_GE(pts3.size(), 2u) << label;
    double worstOn = 0, worstZ = 0;
    for (const Pt3& p : pts3) {
        worstOn = std::max(worstOn, DistToPolyline(p.data(), dense2));
        worstZ = std::max(worstZ, std::fabs(p[2] - z));
    }
    EXPECT_LT(worstOn, kTol) << label << ": 3D points off the 2D curve";
    EXPECT_LT(worstZ, 1e-12) << label << ": 3D points off the height";

    const std::vector<Pt3> dense3 = Sample3d(c3, 2000);
    double worstCover = 0;
    for (const Pt2& p : Sample2d(f, 97)) worstCover = std::max(worstCover, DistToPolyline(p.data(), dense3));
    EXPECT_LT(worstCover, kTol) << label << ": 2D points missed by the 3D curve";

    const double a2 = SignedArea(dense2), a3 = SignedArea(dense3);
    EXPECT_NEAR(a3, a2, 1e-3 * std::max(1.0, std::fabs(a2))) << label << ": direction or extent differs";

    double s[3], e[3];
    c3->GetStartPoint(s);
    c3->GetEndPoint(e);
    const Pt2 s2 = f(0.0), e2 = f(1.0);
    EXPECT_NEAR(std::hypot(s[0] - s2[0], s[1] - s2[1]), 0.0, 1e-9) << label << ": start";
    EXPECT_NEAR(std::hypot(e[0] - e2[0], e[1] - e2[1]), 0.0, 1e-9) << label << ": end";
}

// --- the conversion table --------------------------------------------------

struct Row {
    std::string label;
    std::unique_ptr<CGeCurve> curve;
    int type3d;     // 0: no result
    Param2d shape;  // closed form of the 2D curve (converting rows)
};

std::vector<Row> ConversionRows()
{
    std::vector<Row> rows;
    rows.push_back({"line", MakeLine(1, 2, 4, -2), 0x800, LineParam({1, 2}, {4, -2})});
    rows.push_back({"counter-clockwise arc", MakeArc(1, 1, 3, 0.3, 2.5), 0x1000, ArcParam({1, 1}, 3, 0.3, 2.2)});
    rows.push_back({"clockwise arc", MakeArc(-2, 0, 2, 1.0, -2.0), 0x1000, ArcParam({-2, 0}, 2, 1.0, -3.0)});
    {
        const double c[2] = {2, -1};
        rows.push_back({"circle, counter-clockwise", std::make_unique<CGeCircle>(c, 5, 1), 0x1000,
                        ArcParam({2, -1}, 5, 0, 2 * kPi)});
        rows.push_back({"circle, clockwise", std::make_unique<CGeCircle>(c, 5, 0), 0x1000,
                        ArcParam({2, -1}, 5, 0, -2 * kPi)});
        rows.push_back({"ellipse, counter-clockwise", std::make_unique<CGeEllipse>(c, 6, 3, 0.4, 1), 0x4000,
                        EllipseParam({2, -1}, 6, 3, 0.4, 1)});
        rows.push_back({"ellipse, clockwise", std::make_unique<CGeEllipse>(c, 2, 4, -1.0, 0), 0x4000,
                        EllipseParam({2, -1}, 2, 4, -1.0, 0)});
    }
    {
        auto bez = MakeBezier({{0, 0}, {1, 2}, {3, 2}, {4, 0}, {5, -2}, {9, -3}, {8, 1}});
        Param2d f = BezierParam(*bez);
        rows.push_back({"Bezier, two segments", std::move(bez), 0x4000, f});
    }
    {
        std::vector<Pt2> v = {{0, 0}, {3, 0}, {3, 2}, {-1, 5}};
        rows.push_back({"polyline, 4 vertices", MakePolyline(v), 0x2000, PolylineParam(v)});
        rows.push_back({"polyline, 2 vertices", MakePolyline({{1, 1}, {2, 3}}), 0x2000, LineParam({1, 1}, {2, 3})});
    }
    {
        auto comb = std::make_unique<CGeCombCurve>();
        comb->GetCurveList().AddTail(MakeLine(0, 0, 3, 0).release());
        comb->GetCurveList().AddTail(MakeArc(3, 1, 1, -kPi / 2, kPi / 2).release());
        rows.push_back({"composite of a line and an arc", std::move(comb), 0x10000,
                        Joined(LineParam({0, 0}, {3, 0}), ArcParam({3, 1}, 1, -kPi / 2, kPi))});
    }

    const double p[2] = {1, 1};
    rows.push_back({"point", std::make_unique<CGePoint>(p), 0, nullptr});
    {
        auto one = std::make_unique<CGePolyline>(1);
        one->GetSWPoint()[0][0] = 1;
        one->GetSWPoint()[0][1] = 2;
        rows.push_back({"polyline, 1 vertex", std::move(one), 0, nullptr});
    }
    rows.push_back({"polyline, no vertices", std::make_unique<CGePolyline>(), 0, nullptr});
    rows.push_back({"empty composite", std::make_unique<CGeCombCurve>(), 0, nullptr});
    {
        auto loop = std::make_unique<CGeLoop>();
        loop->GetCurveList().AddTail(MakeLine(0, 0, 1, 0).release());
        loop->GetCurveList().AddTail(MakeLine(1, 0, 0, 0).release());
        rows.push_back({"loop", std::move(loop), 0, nullptr});
    }
    rows.push_back({"offset curve", std::make_unique<CGeOffsetCrv>(), 0, nullptr});
    {
        auto group = std::make_unique<CGeGroup>();
        group->GetCurveList().AddTail(MakeLine(0, 0, 1, 0).release());
        rows.push_back({"group", std::move(group), 0, nullptr});
    }
    rows.push_back({"region", std::make_unique<CGeRegion>(), 0, nullptr});
    return rows;
}

TEST(GeConvertTest, ToCurve3dTable)
{
    EXPECT_EQ(QVN_GeConvert::ToCurve3d(nullptr, 1.0), nullptr);
    for (Row& row : ConversionRows()) {
        for (double z : {0.0, 2.5}) {
            const std::string label = row.label + " at z " + std::to_string(z);
            std::unique_ptr<CGeCurve3d> c3(QVN_GeConvert::ToCurve3d(row.curve.get(), z));
            if (row.type3d == 0) {
                EXPECT_EQ(c3.get(), nullptr) << label;
                continue;
            }
            ASSERT_NE(c3, nullptr) << label;
            EXPECT_EQ(c3->GetType(), row.type3d) << label;
            ExpectSameShape(c3.get(), row.shape, z, label);
            // The box is computed and lies at the height.
            EXPECT_FALSE(c3->IsBoxEmpty()) << label;
            EXPECT_NEAR(c3->m_box.zmin, z, 1e-12) << label;
            EXPECT_NEAR(c3->m_box.zmax, z, 1e-12) << label;
        }
    }
}

TEST(GeConvertTest, ArcsKeepTheirParameterisation)
{
    // Arcs and circles convert to 3D arcs whose parameter runs like the 2D one.
    struct Case {
        const char* label;
        std::unique_ptr<CGeCurve> curve;
        Param2d shape;
        double normalZ;
    };
    const double c[2] = {2, -1};
    Case cases[] = {
        {"counter-clockwise arc", MakeArc(1, 1, 3, 0.3, 2.5), ArcParam({1, 1}, 3, 0.3, 2.2), 1.0},
        {"clockwise arc", MakeArc(-2, 0, 2, 1.0, -2.0), ArcParam({-2, 0}, 2, 1.0, -3.0), -1.0},
        {"clockwise circle", std::make_unique<CGeCircle>(c, 5, 0), ArcParam({2, -1}, 5, 0, -2 * kPi), -1.0},
    };
    for (Case& cs : cases) {
        std::unique_ptr<CGeCurve3d> c3(QVN_GeConvert::ToCurve3d(cs.curve.get(), -1.0));
        auto* arc = dynamic_cast<CGeArc3d*>(c3.get());
        ASSERT_NE(arc, nullptr) << cs.label;
        EXPECT_GT(arc->m_sweep, 0.0) << cs.label;
        EXPECT_DOUBLE_EQ(arc->m_frame.Z[2], cs.normalZ) << cs.label;
        for (double t : {0.0, 0.2, 0.5, 0.9, 1.0}) {
            double p[3];
            arc->GetPointAt(t, p, 1);
            const Pt2 q = cs.shape(t);
            EXPECT_NEAR(std::hypot(p[0] - q[0], p[1] - q[1]), 0.0, 1e-9) << cs.label << " t " << t;
        }
    }
}

TEST(GeConvertTest, ClosedFlagAndExtraData)
{
    struct Case {
        const char* label;
        std::unique_ptr<CGeCurve> curve;
        int closed;
        std::uintptr_t ext;
    };
    auto closedPoly = MakePolyline({{0, 0}, {1, 0}, {1, 1}, {0, 0}});
    closedPoly->SetClosedFlag(1);
    auto comb = std::make_unique<CGeCombCurve>();
    comb->GetCurveList().AddTail(MakeLine(0, 0, 1, 0).release());
    Case cases[] = {
        {"open line, no extra data", MakeLine(0, 0, 1, 0), 0, 0},
        {"line with extra data", MakeLine(0, 0, 1, 0), 0, 0x1234},
        {"closed polyline with extra data", std::move(closedPoly), 1, 0x40},
        {"closed Bezier", MakeBezier({{0, 0}, {1, 1}, {2, 1}, {3, 0}, {2, -1}, {1, -1}, {0, 0}}), 1, 0},
        {"composite, wide extra data", std::move(comb), 0, std::uintptr_t(0x7fff00001234ull)},
    };
    const int defaultFlags = CGeLine3d().m_nFlags;
    for (Case& c : cases) {
        c.curve->SetExtData(c.ext);
        std::unique_ptr<CGeCurve3d> c3(QVN_GeConvert::ToCurve3d(c.curve.get(), 0.0));
        ASSERT_NE(c3, nullptr) << c.label;
        EXPECT_EQ(c.curve->GetClosedFlag(), c.closed) << c.label << ": input as built";
        EXPECT_EQ(c3->m_bClosed, c.closed) << c.label;
        if (c.ext == 0) {
            EXPECT_EQ(c3->m_nFlags, defaultFlags) << c.label;
            EXPECT_EQ(c3->m_nExtData, 0u) << c.label;
        } else {
            EXPECT_EQ(c3->m_nFlags, static_cast<int>(c.ext)) << c.label;
            EXPECT_EQ(c3->m_nExtData, c.ext) << c.label;
        }
    }
}

TEST(GeConvertTest, CompositeConversionSkipsWhatDoesNotConvert)
{
    EXPECT_EQ(QVN_GeConvert::CombCurveToCombCurve3d(nullptr, 0.0), nullptr);
    CGeCombCurve empty;
    EXPECT_EQ(QVN_GeConvert::CombCurveToCombCurve3d(&empty, 0.0), nullptr);

    // Nothing converts: null, and the empty 3D composite is not leaked.
    CGeCombCurve none;
    none.GetCurveList().AddTail(new CGePolyline());
    none.GetCurveList().AddTail(new CGeOffsetCrv());
    EXPECT_EQ(QVN_GeConvert::CombCurveToCombCurve3d(&none, 0.0), nullptr);
    EXPECT_EQ(QVN_GeConvert::ToCurve3d(&none, 0.0), nullptr);

    CGeCombCurve some;
    some.GetCurveList().AddTail(MakeLine(0, 0, 2, 0).release());
    some.GetCurveList().AddTail(new CGePolyline());
    some.GetCurveList().AddTail(MakeLine(2, 0, 2, 3).release());
    std::unique_ptr<CGeCombCurve3d> c3(QVN_GeConvert::CombCurveToCombCurve3d(&some, 4.0));
    ASSERT_NE(c3, nullptr);
    EXPECT_EQ(c3->m_listCurve.GetCount(), 2);
    EXPECT_NEAR(c3->m_box.xmin, 0.0, 1e-12);
    EXPECT_NEAR(c3->m_box.xmax, 2.0, 1e-12);
    EXPECT_NEAR(c3->m_box.ymax, 3.0, 1e-12);
    EXPECT_NEAR(c3->m_box.zmin, 4.0, 1e-12);

    // Lists convert element by element; loops convert through their own path.
    CTypedPtrList<CObList, CGeCurve*> list;
    list.AddTail(MakeLine(0, 0, 1, 0).release());
    list.AddTail(nullptr);
    list.AddTail(new CGePoint());
    CTypedPtrList<CObList, CGeCurve3d*> out;
    QVN_GeConvert::CurveListToCurveList3D(&list, 1.0, &out);
    EXPECT_EQ(out.GetCount(), 1);
    geDelCurveList(&list);
    geDelCurve3dList(&out);

    CGeLoop loop;
    loop.GetCurveList().AddTail(MakeLine(0, 0, 1, 0).release());
    loop.GetCurveList().AddTail(MakeLine(1, 0, 0, 0).release());
    std::unique_ptr<CGeLoop3d> loop3d(QVN_GeConvert::LoopToLoop3d(&loop, 0.0));
    ASSERT_NE(loop3d, nullptr);
    EXPECT_EQ(loop3d->m_listCurve.GetCount(), 2);
}

TEST(GeConvertTest, ToElementAppendsTheCounterpartAtHeightZero)
{
    CTypedPtrList<CObList, CGeCurve3d*> out;
    auto line = MakeLine(1, 2, 3, 4);
    line->ToElement(&out);
    line->ToElement(nullptr);
    CGePoint point;
    point.ToElement(&out);
    ASSERT_EQ(out.GetCount(), 1);
    double e[3] = {0, 0, -1};
    out.GetHead()->GetEndPoint(e);
    EXPECT_EQ(out.GetHead()->GetType(), 0x800);
    EXPECT_DOUBLE_EQ(e[0], 3.0);
    EXPECT_DOUBLE_EQ(e[1], 4.0);
    EXPECT_DOUBLE_EQ(e[2], 0.0);
    geDelCurve3dList(&out);
}

// --- NURBS records -----------------------------------------------------------

// The record lies on the 2D shape in z = 0, covers it and runs the same way.
void ExpectRecordShape(const BCRV* rec, const Param2d& f, const std::string& label)
{
    ASSERT_NE(rec, nullptr) << label;
    ASSERT_EQ(BCRV_IsValid(rec), 1) << label;
    CGeNrbCrv3d wrapper(rec->Clone());
    ExpectSameShape(&wrapper, f, 0.0, label);
}

TEST(GeConvertTest, ToNurbsCurveShapes)
{
    EXPECT_EQ(QVN_GeConvert::ToNurbsCurve(static_cast<CGeCurve*>(nullptr)), nullptr);
    for (Row& row : ConversionRows()) {
        BcrvPtr rec(QVN_GeConvert::ToNurbsCurve(row.curve.get()));
        if (row.type3d == 0) {
            EXPECT_EQ(rec.get(), nullptr) << row.label;
            continue;
        }
        ExpectRecordShape(rec.get(), row.shape, row.label);
    }

    // Straight kinds stay of order 2.
    auto line = MakeLine(0, 0, 1, 1);
    BcrvPtr lineRec(QVN_GeConvert::ToNurbsCurve(line.get()));
    ASSERT_NE(lineRec, nullptr);
    EXPECT_EQ(lineRec->k, 2);
    auto poly = MakePolyline({{0, 0}, {1, 0}, {1, 1}, {3, 1}});
    BcrvPtr polyRec(QVN_GeConvert::ToNurbsCurve(poly.get()));
    ASSERT_NE(polyRec, nullptr);
    EXPECT_EQ(polyRec->k, 2);

    // A composite with one convertible member gives that member's record unmerged.
    CGeCombCurve single;
    single.GetCurveList().AddTail(new CGePolyline());
    single.GetCurveList().AddTail(MakeLine(0, 0, 1, 1).release());
    BcrvPtr singleRec(QVN_GeConvert::ToNurbsCurve(&single));
    ASSERT_NE(singleRec, nullptr);
    EXPECT_EQ(singleRec->k, 2);
    EXPECT_EQ(singleRec->n, 2);

    // Members too far apart to merge give no record.
    CGeCombCurve apart;
    apart.GetCurveList().AddTail(MakeLine(0, 0, 1, 0).release());
    apart.GetCurveList().AddTail(MakeLine(1.5, 0, 2, 0).release());
    EXPECT_EQ(QVN_GeConvert::ToNurbsCurve(&apart), nullptr);

    CGeBezier emptyBezier;
    EXPECT_EQ(QVN_GeConvert::ToNurbsCurve(&emptyBezier), nullptr);
    EXPECT_EQ(QVN_GeConvert::ToNrbCrv3d(&emptyBezier), nullptr);
}

TEST(GeConvertTest, BezierRecordJoinsSegmentsAtChordLengthKnots)
{
    auto bez = MakeBezier({{0, 0}, {1, 2}, {3, 2}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {7, 1}, {8, 3}, {6, 4}});
    const CBezierNode* n = bez->GetNodes();
    BcrvPtr rec(QVN_GeConvert::ToNurbsCurve(bez.get()));
    ASSERT_NE(rec, nullptr);
    ASSERT_EQ(rec->k, 4);
    ASSERT_EQ(rec->n, 10);
    // Control polygon lengths of the three segments.
    double len[3] = {};
    for (int j = 0; j < 3; ++j)
        for (int i = 3 * j; i < 3 * j + 3; ++i) len[j] += std::hypot(n[i + 1].x - n[i].x, n[i + 1].y - n[i].y);
    const double total = len[0] + len[1] + len[2];
    const double joins[4] = {0.0, len[0] / total, (len[0] + len[1]) / total, 1.0};
    // Each knot span reproduces its cubic segment exactly.
    for (int j = 0; j < 3; ++j) {
        for (double s : {0.0, 0.25, 0.5, 0.8, 1.0}) {
            double p[3];
            BCRV_EvPos(rec.get(), joins[j] + s * (joins[j + 1] - joins[j]), p);
            const Pt2 q = Cubic(&n[3 * j], s);
            EXPECT_NEAR(std::hypot(p[0] - q[0], p[1] - q[1]), 0.0, 1e-9) << "segment " << j + 1 << " s " << s;
            EXPECT_EQ(p[2], 0.0);
        }
    }

    // All nodes at one point: still a valid record, and it stays at that point.
    auto dot = MakeBezier({{2, 3}, {2, 3}, {2, 3}, {2, 3}, {2, 3}, {2, 3}, {2, 3}});
    BcrvPtr dotRec(QVN_GeConvert::ToNurbsCurve(dot.get()));
    ASSERT_NE(dotRec, nullptr);
    EXPECT_EQ(BCRV_IsValid(dotRec.get()), 1);
    for (double u : {0.0, 0.3, 0.5, 1.0}) {
        double p[3];
        ASSERT_EQ(BCRV_EvPos(dotRec.get(), u, p), 1);
        EXPECT_NEAR(std::hypot(p[0] - 2, p[1] - 3), 0.0, 1e-12) << u;
    }
}

TEST(GeConvertTest, NurbsCurvesOfClosedKindsAreClosed)
{
    const double c[2] = {0, 0};
    CGeCircle circle(c, 2, 0);
    CGeEllipse ellipse(c, 3, 1, 0.2, 1);
    std::unique_ptr<CGeNrbCrv3d> a(QVN_GeConvert::ToNrbCrv3d(&circle));
    std::unique_ptr<CGeNrbCrv3d> b(QVN_GeConvert::ToNrbCrv3d(&ellipse));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->m_bClosed, 1);
    EXPECT_EQ(b->m_bClosed, 1);
    // The clockwise circle turns clockwise just after its start.
    double p[3];
    BCRV_EvPos(a->GetCurve(), 0.1, p);
    EXPECT_LT(p[1], 0.0);
    EXPECT_EQ(QVN_GeConvert::ToNrbCrv3d(static_cast<CGeCircle*>(nullptr)), nullptr);
}

}  // namespace

namespace {

// 2D type codes of the results.
constexpr int kLine2d = 0x2, kArc2d = 0x4, kBezier2d = 0x20, kPolyline2d = 0x40, kComb2d = 0x80;

std::vector<Pt2> Points2d(CGeCurve* c, double tol)
{
    CArray<tagPoint2d, tagPoint2d> a;
    c->DiscreteInArray(tol, &a, 0.1, false);  // no thinning
    std::vector<Pt2> pts;
    for (INT_PTR i = 0; i < a.GetSize(); ++i) pts.push_back({a[i].x, a[i].y});
    return pts;
}

// The 2D curve lies on the shape f and covers it, traced the same way round.
void ExpectSame2d(CGeCurve* c2, const Param2d& f, double tol, const std::string& label)
{
    const std::vector<Pt2> dense = Sample2d(f, 2100);
    const std::vector<Pt2> got = Points2d(c2, 1e-5);
    ASSERT_GE(got.size(), 2u) << label;
    double worstOn = 0, worstCover = 0;
    for (const Pt2& p : got) worstOn = std::max(worstOn, DistToPolyline(p.data(), dense));
    for (const Pt2& p : Sample2d(f, 97)) worstCover = std::max(worstCover, DistToPolyline(p.data(), got));
    EXPECT_LT(worstOn, tol) << label << ": 2D points off the shape";
    EXPECT_LT(worstCover, tol) << label << ": shape points missed";
    const double a = SignedArea(dense);
    EXPECT_NEAR(SignedArea(got), a, 1e-3 * std::max(1.0, std::fabs(a)) + 10 * tol) << label << ": direction";
}

TEST(GeConvertTest, EveryKindRoundTripsThroughThreeDimensions)
{
    struct Expect {
        std::string label;
        int type2d;
    };
    // The 2D kind each row comes back as: ellipses are rational records, so polylines.
    const std::vector<Expect> kinds = {
        {"line", kLine2d}, {"counter-clockwise arc", kArc2d}, {"clockwise arc", kArc2d},
        {"circle, counter-clockwise", kArc2d}, {"circle, clockwise", kArc2d},
        {"ellipse, counter-clockwise", kPolyline2d}, {"ellipse, clockwise", kPolyline2d},
        {"Bezier, two segments", kBezier2d}, {"polyline, 4 vertices", kPolyline2d},
        {"polyline, 2 vertices", kPolyline2d}, {"composite of a line and an arc", kComb2d},
    };
    size_t checked = 0;
    for (Row& row : ConversionRows()) {
        if (row.type3d == 0) continue;
        const auto kind = std::find_if(kinds.begin(), kinds.end(), [&](const Expect& e) { return e.label == row.label; });
        ASSERT_NE(kind, kinds.end()) << row.label;
        for (double z : {0.0, -3.5}) {
            const std::string label = row.label + " at z " + std::to_string(z);
            std::unique_ptr<CGeCurve3d> c3(QVN_GeConvert::ToCurve3d(row.curve.get(), z));
            ASSERT_NE(c3, nullptr) << label;
            std::unique_ptr<CGeCurve> c2(QVN_GeConvert::ToCurve2d(c3.get()));
            ASSERT_NE(c2, nullptr) << label;
            EXPECT_EQ(c2->GetType(), kind->type2d) << label;
            // Exact kinds come back exactly; polylines of rational curves within the curve tolerance.
            ExpectSame2d(c2.get(), row.shape, kind->type2d == kPolyline2d && row.type3d != 0x2000 ? 0.011 : 1e-4, label);
            if (row.curve->GetType() == kArc2d) {
                EXPECT_EQ(static_cast<CGeArc*>(c2.get())->GetSweep(), static_cast<CGeArc*>(row.curve.get())->GetSweep())
                    << label << ": the signed sweep";
            }
            if (row.curve->GetType() == 0x8) {
                const double sweep = static_cast<CGeArc*>(c2.get())->GetSweep();
                EXPECT_NEAR(std::fabs(sweep), 2 * kPi, 1e-12) << label;
                EXPECT_EQ(sweep > 0, static_cast<CGeCircle*>(row.curve.get())->GetDirection() == 1) << label;
            }
        }
        ++checked;
    }
    EXPECT_EQ(checked, kinds.size());
}

TEST(GeConvertTest, ToCurve2dOfTheOtherKindsAndLists)
{
    EXPECT_EQ(QVN_GeConvert::ToCurve2d(nullptr), nullptr);
    CGeLoop3d loop;
    double a[3] = {0, 0, 0}, b[3] = {1, 0, 0};
    loop.AddTail(new CGeLine3d(a, b));
    loop.AddTail(new CGeLine3d(b, a));
    EXPECT_EQ(QVN_GeConvert::ToCurve2d(&loop), nullptr) << "a loop";
    EXPECT_EQ(QVN_GeConvert::ToNurbsCurve(&loop), nullptr) << "a loop";
    CGeNrbCrv3d none;
    EXPECT_EQ(QVN_GeConvert::ToCurve2d(&none), nullptr) << "a NURBS curve without a record";
    CGePolyline3d one;
    EXPECT_EQ(QVN_GeConvert::ToCurve2d(&one), nullptr) << "a polyline without points";

    CTypedPtrList<CObList, CGeCurve3d*> list3d;
    list3d.AddTail(new CGeLine3d(a, b));
    list3d.AddTail(new CGePolyline3d);
    list3d.AddTail(nullptr);
    list3d.AddTail(new CGeLine3d(b, a));
    CTypedPtrList<CObList, CGeCurve*> list2d;
    QVN_GeConvert::ListCurve3dToListCurve(&list3d, &list2d);
    EXPECT_EQ(list2d.GetCount(), 2);
    geDelCurve3dList(&list3d);
    geDelCurveList(&list2d);
}

TEST(GeConvertTest, ArcsBecomeArcsOnlyWhenParallelToXY)
{
    const double tol = gGetCrvDiscTol();
    struct Row {
        std::string label;
        std::array<double, 3> s, m, e;
        int type2d;
    };
    const std::vector<Row> rows = {
        {"horizontal at z 5", {10, 0, 5}, {0, 10, 5}, {-10, 0, 5}, kArc2d},
        {"horizontal, clockwise", {10, 0, 5}, {0, -10, 5}, {-10, 0, 5}, kArc2d},
        {"tilted by 30 degrees", {10, 0, 0}, {0, 8.660254037844387, 5}, {-10, 0, 0}, kPolyline2d},
        {"upright", {10, 0, 0}, {0, 0, 10}, {-10, 0, 0}, kPolyline2d},
    };
    for (const Row& row : rows) {
        CGeArc3d arc;
        std::array<double, 3> s = row.s, m = row.m, e = row.e;
        ASSERT_EQ(arc.Create3Pnt(s.data(), m.data(), e.data()), 1) << row.label;
        std::unique_ptr<CGeCurve> c2(QVN_GeConvert::ToCurve2d(&arc));
        ASSERT_NE(c2, nullptr) << row.label;
        EXPECT_EQ(c2->GetType(), row.type2d) << row.label;
        // The oracle: the arc's own points with z dropped.
        Param2d projected = [&arc](double t) {
            double p[3];
            arc.GetPointAt(t, p, 1);
            return Pt2{p[0], p[1]};
        };
        ExpectSame2d(c2.get(), projected, tol + 1e-9, row.label);
    }
}

// Distance from p to the segment ab in 3D.
double DistToSegment3d(const double* p, const double* a, const double* b)
{
    double ab[3], ap[3];
    V3D_Sub(b, a, ab);
    V3D_Sub(p, a, ap);
    const double len2 = V3D_Dot(ab, ab);
    const double t = len2 > 0 ? std::clamp(V3D_Dot(ap, ab) / len2, 0.0, 1.0) : 0.0;
    double q[3] = {a[0] + t * ab[0], a[1] + t * ab[1], a[2] + t * ab[2]};
    return P3D_Dist(p, q);
}

TEST(GeConvertTest, ToNurbsCurveOfEvery3dKindMatchesTheCurve)
{
    double s[3] = {1, 2, 3}, e[3] = {7, -2, 5};
    double as[3] = {10, 0, 0}, am[3] = {0, 8.660254037844387, 5}, ae[3] = {-10, 0, 0};
    double pts[4][3] = {{0, 0, 0}, {3, 1, 2}, {5, 5, 2}, {2, 7, -1}};
    struct Row {
        std::string label;
        std::function<CGeCurve3d*()> make;
        // Distance from a point to the exact curve.
        std::function<double(const double*)> dist;
    };
    auto arcOf = [&] {
        auto* arc = new CGeArc3d;
        arc->Create3Pnt(as, am, ae);
        return arc;
    };
    std::unique_ptr<CGeArc3d> arcRef(arcOf());
    auto arcDist = [&](const double* p) {
        const _rect_fm3d& f = arcRef->m_frame;
        double d[3];
        V3D_Sub(p, f.O, d);
        const double h = V3D_Dot(d, f.Z);
        const double x = V3D_Dot(d, f.X), y = V3D_Dot(d, f.Y);
        double a = std::atan2(y, x);
        if (a < -1e-9) a += 2 * kPi;
        const double off = a > arcRef->m_sweep + 1e-9 ? 1.0 : 0.0;  // beyond the arc's end
        return std::hypot(h, std::hypot(x, y) - arcRef->m_radius) + off;
    };
    auto polyDist = [&](const double* p) {
        double best = 1e300;
        for (int i = 0; i < 3; ++i) best = std::min(best, DistToSegment3d(p, pts[i], pts[i + 1]));
        return best;
    };
    const std::vector<Row> rows = {
        {"line", [&] { return new CGeLine3d(s, e); }, [&](const double* p) { return DistToSegment3d(p, s, e); }},
        {"tilted arc", arcOf, arcDist},
        {"polyline", [&] {
             auto* pl = new CGePolyline3d;
             pl->Create(4, pts);
             return pl;
         },
         polyDist},
        {"NURBS curve", [&] {
             auto* c = new CGeNrbCrv3d;
             c->CreateCtrlPt(pts, 4, 2, 0.01);
             return c;
         },
         nullptr},
        {"composite of an arc and a line",
         [&] {
             auto* comb = new CGeCombCurve3d;
             comb->m_listCurve.AddTail(arcOf());
             double far[3] = {-10, -6, 0};
             comb->m_listCurve.AddTail(new CGeLine3d(ae, far));
             return comb;
         },
         [&](const double* p) {
             double far[3] = {-10, -6, 0};
             return std::min(arcDist(p), DistToSegment3d(p, ae, far));
         }},
    };
    for (const Row& row : rows) {
        std::unique_ptr<CGeCurve3d> c(row.make());
        BcrvPtr rec(QVN_GeConvert::ToNurbsCurve(c.get()));
        ASSERT_NE(rec, nullptr) << row.label;
        double s0[3], e0[3], s1[3], e1[3];
        c->GetStartPoint(s0);
        c->GetEndPoint(e0);
        BCRV_EvPos(rec.get(), rec->U[rec->k - 1], s1);
        BCRV_EvPos(rec.get(), rec->U[rec->n], e1);
        EXPECT_LT(P3D_Dist(s0, s1), 1e-9) << row.label << ": start";
        EXPECT_LT(P3D_Dist(e0, e1), 1e-9) << row.label << ": end";
        if (auto* nrb = dynamic_cast<CGeNrbCrv3d*>(c.get())) {
            EXPECT_NE(rec.get(), nrb->GetCurve()) << row.label << ": a clone";
            continue;
        }
        double worst = 0;
        for (const Pt3& p : SampleRecord(rec.get(), 1000)) worst = std::max(worst, row.dist(p.data()));
        EXPECT_LT(worst, 1e-9) << row.label << ": record points off the curve";
        // The curve's own points lie on the record.
        c->DiscreteMe(0.001);
        for (int i = 0; i < c->m_strDisp.m_nCount; i += 3)
            EXPECT_LT(shapes3d_test::DistToCurve(rec.get(), c->m_strDisp.m_pPoints[i], 2000), 1e-9)
                << row.label << " display point " << i;
    }
    CGeArc3d* arc = arcOf();
    std::unique_ptr<CGeArc3d> owned(arc);
    std::unique_ptr<CGeNrbCrv3d> wrapped(QVN_GeConvert::ToNrbCrv3d(arc));
    ASSERT_NE(wrapped, nullptr);
    EXPECT_GT(wrapped->m_strDisp.m_nCount, 2);
    EXPECT_EQ(QVN_GeConvert::ToNrbCrv3d(static_cast<CGeArc3d*>(nullptr)), nullptr);
    EXPECT_EQ(QVN_GeConvert::ToNurbsCurve(static_cast<CGeCurve3d*>(nullptr)), nullptr);
}

TEST(GeConvertTest, PolylinesOfCurves)
{
    const double tol = gGetCrvDiscTol();
    // A short detour off a straight run: within tol of the run, but turning by far more
    // than 10 degrees. The settings' angle (10 degrees) drops it, 170 degrees keeps it.
    auto detour = MakePolyline({{0, 0}, {10, 0}, {10 + tol, tol / 2}, {10 + 2 * tol, 0}, {20, 0}});
    std::unique_ptr<CGePolyline3d> thin(QVN_GeConvert::PolylineToPolyline3d(detour.get(), 2.0));
    std::unique_ptr<CGePolyline3d> keep(QVN_GeConvert::ToPolyline3d(detour.get(), tol, 2.0));
    ASSERT_TRUE(thin && keep);
    auto hasDetour = [&](CGePolyline3d& pl) {
        for (int i = 0; i < pl.GetCount(); ++i)
            if (std::fabs(pl.GetCtrlPt()[i][1] - tol / 2) < 1e-12) return true;
        return false;
    };
    EXPECT_FALSE(hasDetour(*thin)) << "the settings' angle thins the detour";
    EXPECT_TRUE(hasDetour(*keep)) << "170 degrees keeps it";
    for (CGePolyline3d* pl : {thin.get(), keep.get()}) {
        std::vector<Pt3> out;
        for (int i = 0; i < pl->GetCount(); ++i) {
            const double* p = pl->GetCtrlPt()[i];
            out.push_back({p[0], p[1], p[2]});
            EXPECT_EQ(p[2], 2.0);
        }
        for (const Pt2& v : Points2d(detour.get(), tol)) EXPECT_LE(DistToPolyline(v.data(), out), tol + 1e-12);
    }

    const double c[2] = {1, 1};
    CGeEllipse ellipse(c, 8, 3, 0.5, 1);
    auto bez = MakeBezier({{0, 0}, {1, 2}, {3, 2}, {4, 0}});
    const std::pair<std::string, CGePolyline3d*> family[] = {
        {"ellipse", QVN_GeConvert::EllipseToPolyline3d(&ellipse, -1.0)},
        {"Bezier", QVN_GeConvert::BezierToPolyline3d(bez.get(), -1.0)},
    };
    const Param2d shapes[] = {EllipseParam({1, 1}, 8, 3, 0.5, 1), BezierParam(*bez)};
    for (int k = 0; k < 2; ++k) {
        std::unique_ptr<CGePolyline3d> pl(family[k].second);
        ASSERT_NE(pl, nullptr) << family[k].first;
        std::vector<Pt3> out;
        for (int i = 0; i < pl->GetCount(); ++i) out.push_back({pl->GetCtrlPt()[i][0], pl->GetCtrlPt()[i][1], -1.0});
        for (const Pt2& p : Sample2d(shapes[k], 500))
            EXPECT_LE(DistToPolyline(p.data(), out), tol + 1e-9) << family[k].first;
    }
    EXPECT_EQ(QVN_GeConvert::ToPolyline3d(static_cast<CGeCurve*>(nullptr), tol, 0.0), nullptr);
    CGePolyline empty;
    EXPECT_EQ(QVN_GeConvert::PolylineToPolyline3d(&empty, 0.0), nullptr);

    // 3D curves to polylines: the discretisation, and with z dropped.
    CGeArc3d arc;
    double as[3] = {10, 0, 0}, am[3] = {0, 8.660254037844387, 5}, ae[3] = {-10, 0, 0};
    ASSERT_EQ(arc.Create3Pnt(as, am, ae), 1);
    std::unique_ptr<CGePolyline3d> p3(QVN_GeConvert::ToPolyline3d(&arc, 0.001));
    std::unique_ptr<CGePolyline> p2(QVN_GeConvert::ToPolyline2d(&arc, 0.001));
    ASSERT_TRUE(p3 && p2);
    ASSERT_EQ(p2->GetSWPointCount(), p3->GetCount());
    for (int i = 0; i < p3->GetCount(); ++i) {
        EXPECT_EQ(p2->GetSWPoint()[i][0], p3->GetCtrlPt()[i][0]);
        EXPECT_EQ(p2->GetSWPoint()[i][1], p3->GetCtrlPt()[i][1]);
    }
    EXPECT_EQ(QVN_GeConvert::ToPolyline2d(nullptr, 0.01), nullptr);
}

}  // namespace
