// Conversions of 2D curves into 3D curves and NURBS records, checked against
// closed forms of the 2D shapes sampled densely.
#include "geometry/shapes3d/GeConvert.h"

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
