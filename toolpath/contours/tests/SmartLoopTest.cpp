// CSmartLoop: area, containment against a winding-number oracle, the loop tree and bad input.
#include "LoopOracle.h"

#include "testing/Shorelines.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <sstream>
#include <string>

namespace {

using namespace looptest;
using curvetest::Polyline;

std::vector<P> Square(double x0, double y0, double x1, double y1, bool ccw)
{
    std::vector<P> v{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    if (!ccw)
        std::reverse(v.begin(), v.end());
    return v;
}

// A row label from its parts (streamed: g++ 12 warns on some string concatenations).
template <class... T>
std::string Label(const T&... parts)
{
    std::ostringstream s;
    (s << ... << parts);
    return s.str();
}

std::vector<glyphs::Contour> Glyph(unsigned long code, double scale)
{
    glyphs::GlyphReader r;
    std::vector<glyphs::Contour> out;
    if (r.Ok())
        r.Char(code, scale, out);
    return out;
}

TEST(SmartLoop, AreaRows)
{
    CSmartLoop rect;
    rect.SetHeight(3);
    const double p1[2] = {0, 0}, p2[2] = {2, 1};
    ASSERT_EQ(rect.CreateLoop(p1, p2), 1);
    EXPECT_DOUBLE_EQ(rect.area, 4) << "CreateLoop((0,0),(2,1))";
    const double box[2][3] = {{0, 0, 3}, {2, 1, 3}};
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_DOUBLE_EQ(rect.box[i][k], box[i][k]) << "box corner " << i << " coordinate " << k;

    std::unique_ptr<CSmartLoop> cw(PolygonLoop(Square(0, 0, 1, 1, false)));
    EXPECT_DOUBLE_EQ(cw->Area(), -2) << "clockwise unit square";

    CSmartLoop empty;
    EXPECT_EQ(empty.Area(), 0) << "no contour";
    CSmartLoop open;
    delete open.UpdateSect(Polyline({{0, 0}, {5, 0}, {5, 5}}, false));
    open.contour->tail->TrimEnd(1, std::array<double, 2>{5, 4}.data(), 1);
    EXPECT_EQ(open.Area(), 0) << "open contour";
}

// Arcs and glyph outlines against the shoelace of a dense polygon of the same contour:
// the chords (at most 50 per arc, chord error 0.01) cut at most 2 x error x length.
TEST(SmartLoop, AreaOfArcsAndGlyphsWithinChordError)
{
    struct Row {
        std::string label;
        CSmartCurve* curve;
    };
    std::vector<Row> rows;
    const double c[2] = {3, -2};
    for (double r : {0.5, 5.0, 200.0}) {
        auto* circle = new CSmartCurve;
        circle->AddSect(new CSmartArc(c, r, 0.3, 0.3 + 6.283185307179586));
        rows.push_back({Label("circle r ", r), circle});
        auto* cwCircle = new CSmartCurve;
        cwCircle->AddSect(new CSmartArc(c, r, 1.0, 1.0 - 6.283185307179586));
        rows.push_back({Label("clockwise circle r ", r), cwCircle});
    }
    for (unsigned long ch : {'S', 'g', '&', '@'}) {
        const auto contours = Glyph(ch, 0.05);
        ASSERT_FALSE(contours.empty()) << "glyph " << static_cast<char>(ch);
        for (std::size_t k = 0; k < contours.size(); ++k)
            rows.push_back({Label("glyph ", static_cast<char>(ch), " contour ", k), curvetest::GlyphCurve(contours[k])});
    }
    int arcs = 0;
    for (Row& row : rows) {
        CSmartLoop L;
        delete L.UpdateSect(row.curve);
        // Each chord cuts off at most its sag times its length (twice the area: 2x); the
        // sag is 0.01 unless the arc needs more than 50 chords.
        double bound = 1e-9;
        for (CSmartSect* s = L.contour->head; s; s = s->next) {
            if (!s->IsSectArc())
                continue;
            ++arcs;
            auto* a = static_cast<CSmartArc*>(s);
            const double sag = a->radius * (1 - std::cos(std::fabs(a->endAngle - a->startAngle) / 100));
            bound += 2 * std::max(0.0101, sag * 1.01) * s->GetLength();
        }
        const std::vector<P> dense = curvetest::Flatten(*L.contour);
        const double want = Shoelace(dense);
        EXPECT_NEAR(L.area, want, bound) << row.label;
        if (row.label.find("circle") == 0 || row.label.find("clockwise") == 0) {
            EXPECT_GT(std::fabs(L.area - want), 0.05 * bound) << row.label << ": the bound is not vacuous";
        }
        EXPECT_EQ(L.area > 0, want > 0) << row.label;
    }
    EXPECT_GT(arcs, 20) << "the glyph rows must contain arcs";
}

TEST(SmartLoop, SectionAccessors)
{
    CSmartLoop one;
    auto* c = new CSmartCurve;
    const double ctr[2] = {0, 0};
    c->AddSect(new CSmartArc(ctr, 1, 0, 6.283185307179586));
    delete one.UpdateSect(c);
    EXPECT_EQ(one.GetSectMid(), one.GetSectHead()) << "one section";
    std::unique_ptr<CSmartLoop> four(PolygonLoop(Square(0, 0, 1, 1, true)));
    EXPECT_EQ(four->GetSectMid(), four->GetSectHead()->next) << "four sections: index 1";
    std::unique_ptr<CSmartLoop> five(PolygonLoop({{0, 0}, {2, 0}, {3, 1}, {2, 2}, {0, 2}}));
    EXPECT_EQ(five->GetSectMid(), five->GetSectHead()->next) << "five sections: index 1";
    CSmartLoop none;
    EXPECT_EQ(none.GetSectMid(), nullptr);
    EXPECT_EQ(none.GetSectHead(), nullptr);
}

// Every point of a table of polygons against the exact winding number: a grid, every
// vertex, the midpoint of every edge (on the contour), points 1e-9 off every edge on both
// sides, and rows along nearly horizontal sections.
TEST(SmartLoop, IsPointInMatchesWindingOracle)
{
    Orientation o;
    struct Row {
        std::string label;
        std::vector<P> poly;
    };
    std::vector<Row> rows;
    for (const char* name : {"iceland_fjords", "aegean_islands"}) {
        const auto loops = shorelines::Read(name);
        ASSERT_FALSE(loops.empty()) << name;
        rows.push_back({Label(name, " largest"), loops.front()});
        if (loops.size() > 3)
            rows.push_back({Label(name, " fourth"), loops[3]});
    }
    for (unsigned long ch : {'W', 'g', '&'}) {
        const auto contours = Glyph(ch, 0.05);
        for (std::size_t k = 0; k < contours.size(); ++k)
            rows.push_back({Label("glyph polygon ", static_cast<char>(ch), k), glyphs::Sample(contours[k], 6)});
    }
    // Sections with a y extent below 0.002 (nearly horizontal) in both directions.
    rows.push_back({"nearly horizontal", {{0, 0}, {10, 0.001}, {10, 5}, {5, 5.0015}, {0, 5}}});
    int onCount = 0, insideCount = 0, midCount = 0;
    for (const Row& row : rows) {
        std::unique_ptr<CSmartLoop> L(PolygonLoop(row.poly));
        const std::size_t n = row.poly.size();
        std::vector<P> probes, midpoints;
        const double x0 = L->box[0][0], y0 = L->box[0][1], x1 = L->box[1][0], y1 = L->box[1][1];
        // Grid steps that are no simple fraction of the box, so grid points do not fall on
        // edges by rounding.
        for (int i = 0; i <= 40; ++i)
            for (int j = 0; j <= 40; ++j)
                probes.push_back({x0 - 1 + (x1 - x0 + 2) * (i + 0.3183) / 41.3, y0 - 1 + (y1 - y0 + 2) * (j + 0.2718) / 41.3});
        for (std::size_t i = 0; i < n; ++i) {
            const P& a = row.poly[i];
            const P& b = row.poly[(i + 1) % n];
            probes.push_back(a);
            midpoints.push_back({(a[0] + b[0]) / 2, (a[1] + b[1]) / 2});
            const double len = std::hypot(b[0] - a[0], b[1] - a[1]);
            if (len < 1e-6)
                continue;
            const double nx = -(b[1] - a[1]) / len, ny = (b[0] - a[0]) / len;
            const P m{a[0] + (b[0] - a[0]) * 0.37, a[1] + (b[1] - a[1]) * 0.37};
            probes.push_back({m[0] + 1e-9 * nx, m[1] + 1e-9 * ny});
            probes.push_back({m[0] - 1e-9 * nx, m[1] - 1e-9 * ny});
            probes.push_back({m[0] + 1e-6 * nx, m[1] + 1e-6 * ny});
        }
        for (const P& p : probes) {
            const int w = o.Winding(row.poly, p);
            const int want = w == 2 ? 2 : (w != 0 ? 1 : 0);
            onCount += want == 2;
            insideCount += want == 1;
            ASSERT_EQ(L->IsPointIn(p.data()), want) << row.label << " at (" << p[0] << ", " << p[1] << ")";
        }
        // Edge midpoints lie on the contour up to the rounding of the halving: 2, or the
        // exact side when the crossing found lies more than 1e-10 from the rounded point.
        for (const P& p : midpoints) {
            const int w = o.Winding(row.poly, p);
            const int exact = w == 2 ? 2 : (w != 0 ? 1 : 0);
            const int got = L->IsPointIn(p.data());
            onCount += got == 2;
            ++midCount;
            ASSERT_TRUE(got == 2 || got == exact) << row.label << " edge midpoint (" << p[0] << ", " << p[1] << ")";
        }
    }
    EXPECT_GT(onCount, 1000) << "points on edges must be exercised";
    EXPECT_GT(onCount, midCount * 9 / 10) << "edge midpoints are nearly all on the contour";
    EXPECT_GT(insideCount, 1000);
}

TEST(SmartLoop, FlatSectionRows)
{
    // A section of y extent 0.001: a point exactly on it is on the contour; 1e-6 above
    // or below it the winding sum decides.
    std::unique_ptr<CSmartLoop> L(PolygonLoop({{0, 0}, {10, 0.001}, {10, 5}, {0, 5}}));
    const double on[2] = {5, 0.0005}, above[2] = {5, 0.0005 + 1e-6}, below[2] = {5, 0.0005 - 1e-6};
    EXPECT_EQ(L->IsPointIn(on), 2) << "on the flat section";
    EXPECT_EQ(L->IsPointIn(above), 1) << "just inside";
    EXPECT_EQ(L->IsPointIn(below), 0) << "just outside";
    const double far[2] = {10.02, 2};
    EXPECT_EQ(L->IsPointIn(far), 0) << "outside the box margin";
}

// Glyph loops with islands: IsPtOnContour and IsOnContour against the winding of all
// contours, for grid points clear of the contours by more than the chord error.
TEST(SmartLoop, IslandContainmentOnGlyphs)
{
    Orientation o;
    int inHole = 0, inSolid = 0;
    for (unsigned long ch : {'B', 'g', '8', 'O'}) {
        const auto contours = Glyph(ch, 0.05);
        ASSERT_GE(contours.size(), 2u) << static_cast<char>(ch);
        std::unique_ptr<CSmartLoop> L(GlyphLoop(contours));
        std::vector<std::vector<P>> polys{curvetest::Flatten(*L->contour)};
        for (CSmartLoop* i = L->islands; i; i = i->next)
            polys.push_back(curvetest::Flatten(*i->contour));
        for (int i = 0; i <= 50; ++i)
            for (int j = 0; j <= 50; ++j) {
                const P p{L->box[0][0] + (L->box[1][0] - L->box[0][0]) * i / 50.0,
                          L->box[0][1] + (L->box[1][1] - L->box[0][1]) * j / 50.0};
                if (L->MinDistPoint(p.data()) < 0.02)
                    continue;
                bool clear = true;
                for (CSmartLoop* isl = L->islands; isl; isl = isl->next)
                    clear = clear && isl->MinDistPoint(p.data()) >= 0.02;
                if (!clear)
                    continue;
                int w = 0;
                for (const auto& poly : polys)
                    w += o.Winding(poly, p);
                const bool inOuter = o.Winding(polys[0], p) != 0;
                const std::string at = Label(static_cast<char>(ch), " at (", p[0], ", ", p[1], ")");
                EXPECT_EQ(L->IsPtOnContour(p.data()), w != 0 ? 1 : 0) << at;
                EXPECT_EQ(L->IsOnContour(L.get(), p.data()), w != 0 ? 1 : 0) << at;
                inHole += inOuter && w == 0;
                inSolid += w != 0;
            }
        // On an island's contour: 2.
        double q[2];
        L->islands->contour->head->GetPoint(0.5, q);
        EXPECT_EQ(L->IsOnContour(L.get(), q), 2) << static_cast<char>(ch) << " on an island";
        L->contour->head->GetPoint(0.5, q);
        EXPECT_EQ(L->IsOnContour(L.get(), q), 2) << static_cast<char>(ch) << " on the outer contour";
        EXPECT_EQ(L->IsOnContour(L->islands, q), 1) << "an island is not an outer loop";
        EXPECT_EQ(L->IsOnContour(nullptr, q), 0);
    }
    EXPECT_GT(inHole, 20);
    EXPECT_GT(inSolid, 200);
}

TEST(SmartLoop, IsLoopOnRows)
{
    std::unique_ptr<CSmartLoop> outer(PolygonLoop(Square(0, 0, 10, 10, true)));
    const std::vector<P> crossing{{1, 1}, {3, 1}, {7, 9}, {1, 9}};  // mid section's middle (5, 5)
    std::unique_ptr<CSmartLoop> L(PolygonLoop(crossing));
    EXPECT_EQ(outer->IsLoopOn(L.get()), 1) << "no island";
    outer->AddIsland(PolygonLoop(Square(4, 4, 6, 6, false)));
    EXPECT_EQ(outer->IsLoopOn(L.get()), 0) << "middle point in an island";
    std::unique_ptr<CSmartLoop> beside(PolygonLoop(Square(1, 1, 2, 2, true)));
    EXPECT_EQ(outer->IsLoopOn(beside.get()), 1) << "beside the island";
    std::unique_ptr<CSmartLoop> out(PolygonLoop(Square(11, 1, 12, 2, true)));
    EXPECT_EQ(outer->IsLoopOn(out.get()), 0) << "outside";
    CSmartLoop empty;
    EXPECT_EQ(outer->IsLoopOn(&empty), 0) << "no contour";
    EXPECT_EQ(outer->IsLoopOn(nullptr), 0);
}

// Three nested squares: A (outer) holds island B, which holds the outer loop C.
struct Nested {
    CSmartLoop* a = PolygonLoop(Square(0, 0, 10, 10, true));
    CSmartLoop* b = PolygonLoop(Square(2, 2, 8, 8, false));
    CSmartLoop* c = PolygonLoop(Square(4, 4, 6, 6, true));
    Nested()
    {
        b->AddIsland(c);
        a->AddIsland(b);
    }
};

std::vector<CSmartLoop*> Chain(CSmartLoop* head)
{
    std::vector<CSmartLoop*> v;
    for (CSmartLoop* L = head; L; L = L->next) {
        if (L->next) {
            EXPECT_EQ(L->next->prev, L) << "chain links";
        }
        v.push_back(L);
    }
    return v;
}

TEST(SmartLoop, ExtractContourOfThreeNestedSquares)
{
    {
        Nested n;
        CSmartLoop* head = n.a->ExtractContour(0);
        EXPECT_EQ(Chain(head), (std::vector<CSmartLoop*>{n.c, n.a})) << "keepAll 0: C becomes an outer loop before A";
        EXPECT_EQ(n.a->islands, n.b) << "A keeps its island";
        EXPECT_EQ(n.b->islands, nullptr) << "B's islands are cleared";
        CSmartLoop::DeleteLoopChain(head);
    }
    {
        Nested n;
        CSmartLoop* head = n.a->ExtractContour(1);
        EXPECT_EQ(Chain(head), (std::vector<CSmartLoop*>{n.c, n.b, n.a})) << "keepAll 1: every loop";
        EXPECT_EQ(n.a->islands, nullptr);
        EXPECT_EQ(n.b->islands, nullptr);
        CSmartLoop::DeleteLoopChain(head);
        EXPECT_EQ(head, nullptr);
    }
}

TEST(SmartLoop, ResortContourModes)
{
    auto chainOf = [](std::vector<CSmartLoop*> v) {
        for (std::size_t i = 0; i < v.size(); ++i) {
            v[i]->prev = i ? v[i - 1] : nullptr;
            v[i]->next = i + 1 < v.size() ? v[i + 1] : nullptr;
        }
        return v.front();
    };
    auto areas = [](CSmartLoop* head) {
        std::vector<double> a;
        for (CSmartLoop* L = head; L; L = L->next)
            a.push_back(L->area);
        return a;
    };
    // Separate loops: A (200), B (-72), C (8), and a far square D (2).
    auto make = [&] {
        return std::vector<CSmartLoop*>{PolygonLoop(Square(0, 0, 10, 10, true)), PolygonLoop(Square(2, 2, 8, 8, false)),
                                        PolygonLoop(Square(4, 4, 6, 6, true)), PolygonLoop(Square(20, 0, 21, 1, true))};
    };
    {
        CSmartLoop* head = CSmartLoop::ResortContour(chainOf(make()), 3, 0);
        EXPECT_EQ(areas(head), (std::vector<double>{2, 8, -72, 200})) << "mode 3: ascending |area|";
        CSmartLoop::DeleteLoopChain(head);
    }
    {
        CSmartLoop* head = CSmartLoop::ResortContour(chainOf(make()), 4, 0);
        EXPECT_EQ(areas(head), (std::vector<double>{200, -72, 8, 2})) << "mode 4: descending |area|";
        CSmartLoop::DeleteLoopChain(head);
    }
    for (int mode : {1, 2}) {
        std::vector<CSmartLoop*> v = make();
        CSmartLoop* head = CSmartLoop::ResortContour(chainOf(v), mode, 1);
        const std::vector<CSmartLoop*> got = Chain(head);
        ASSERT_EQ(got.size(), 4u) << "mode " << mode << " keep 1: every loop flattened";
        std::vector<CSmartLoop*> want{v[3], v[2], v[1], v[0]};  // D, then C, B, A flattened
        // The outer chain [A, D] is ordered by start points before flattening.
        std::vector<CSmartLoop*> alt{v[2], v[1], v[0], v[3]};
        if (mode == 2) {
            std::reverse(want.begin(), want.end());
            std::reverse(alt.begin(), alt.end());
        }
        EXPECT_TRUE(got == want || got == alt) << "mode " << mode;
        for (CSmartLoop* L : got)
            EXPECT_EQ(L->islands, nullptr) << "mode " << mode;
        CSmartLoop::DeleteLoopChain(head);
    }
    {
        // keep 0: C nests in island B of A; B stays A's island after flattening.
        std::vector<CSmartLoop*> v = make();
        v[0]->AddIsland(v[1]);
        std::vector<CSmartLoop*> top{v[0], v[2], v[3]};
        CSmartLoop* head = CSmartLoop::ResortContour(chainOf(top), 1, 0);
        const std::vector<CSmartLoop*> got = Chain(head);
        EXPECT_EQ(got.size(), 3u) << "C, A and D";
        EXPECT_NE(std::find(got.begin(), got.end(), v[2]), got.end()) << "C is an outer loop of its own";
        EXPECT_EQ(v[0]->islands, v[1]) << "A keeps B";
        CSmartLoop::DeleteLoopChain(head);
    }
    {
        std::vector<CSmartLoop*> v = make();
        CSmartLoop* head = CSmartLoop::ResortContour(chainOf(v), 0, 0);
        std::vector<CSmartLoop*> got = Chain(head);
        std::sort(got.begin(), got.end());
        std::sort(v.begin(), v.end());
        EXPECT_EQ(got, v) << "mode 0 reorders only";
        CSmartLoop::DeleteLoopChain(head);
    }
    EXPECT_EQ(CSmartLoop::ResortContour(nullptr, 1, 1), nullptr);
}

TEST(SmartLoop, InsertNewLoopAndLinks)
{
    std::unique_ptr<CSmartLoop> root(PolygonLoop(Square(0, 0, 100, 100, true)));
    CSmartLoop* small = PolygonLoop(Square(10, 10, 20, 20, true));
    CSmartLoop* other = PolygonLoop(Square(60, 60, 70, 70, true));
    EXPECT_EQ(root->InsertNewLoop(small), 1);
    EXPECT_EQ(root->InsertNewLoop(other), 1);
    EXPECT_EQ(Chain(root->children), (std::vector<CSmartLoop*>{small, other}));
    CSmartLoop* mid = PolygonLoop(Square(5, 5, 30, 30, true));
    EXPECT_EQ(root->InsertNewLoop(mid), 1);
    EXPECT_EQ(Chain(root->children), (std::vector<CSmartLoop*>{other, mid})) << "mid takes the small square";
    EXPECT_EQ(Chain(mid->children), (std::vector<CSmartLoop*>{small}));
    EXPECT_EQ(small->parent, mid);
    CSmartLoop* inner = PolygonLoop(Square(12, 12, 14, 14, true));
    EXPECT_EQ(root->InsertNewLoop(inner), 1);
    EXPECT_EQ(inner->parent, small) << "offered to the children first";
    std::unique_ptr<CSmartLoop> outside(PolygonLoop(Square(200, 0, 210, 10, true)));
    EXPECT_EQ(root->InsertNewLoop(outside.get()), 0);
    EXPECT_EQ(root->InsertNewLoop(nullptr), 0);
    EXPECT_EQ(root->DeleteChild(other), 1);
    EXPECT_EQ(Chain(root->children), (std::vector<CSmartLoop*>{mid}));

    CArray<CSmartLoop*, CSmartLoop*> arr;
    CSmartLoop* isl1 = PolygonLoop(Square(40, 40, 45, 45, false));
    CSmartLoop* isl2 = PolygonLoop(Square(50, 40, 55, 45, false));
    root->AddIsland(isl1);
    root->AddIsland(isl2);
    root->ExtractAllLoop(2, arr);
    root->ExtractAllLoop(0, arr);
    const std::vector<CSmartLoop*> want{root.get(), isl1, isl2, isl1, isl2, root.get()};
    ASSERT_EQ(arr.GetSize(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(arr[i], want[static_cast<std::size_t>(i)]) << "entry " << i;
    EXPECT_EQ(root->RemoveIsland(isl1), 1);
    EXPECT_EQ(Chain(root->islands), (std::vector<CSmartLoop*>{isl2}));
    delete isl1;

    // Deep copies: changing the original leaves the copy alone.
    std::unique_ptr<CSmartLoop> copy(root->CopyContour());
    EXPECT_EQ(copy->area, root->area);
    ASSERT_NE(copy->islands, nullptr);
    EXPECT_EQ(copy->islands->parent, copy.get());
    EXPECT_EQ(copy->children, nullptr);
    root->ReverseContour(1);
    EXPECT_EQ(copy->area, 20000);
    EXPECT_EQ(root->area, -20000);
    EXPECT_EQ(isl2->area, 50) << "islands reversed too";
    const double p[2] = {50, 1};
    EXPECT_EQ(copy->IsPointIn(p), 1);
}

TEST(SmartLoop, RotateSetInfoAndBuffers)
{
    std::unique_ptr<CSmartLoop> L(PolygonLoop(Square(0, 0, 4, 2, true)));
    L->AddIsland(PolygonLoop(Square(1, 0.5, 2, 1.5, false)));
    L->RotateContour(1.5707963267948966);
    EXPECT_NEAR(L->box[0][0], -2, 1e-12);
    EXPECT_NEAR(L->box[1][1], 4, 1e-12);
    EXPECT_NEAR(L->Area(), 16, 1e-9) << "rotation keeps the area";
    L->SetContourInfo(7, 0);
    EXPECT_EQ(L->depth, 7);
    EXPECT_EQ(L->islands->depth, 7);
    EXPECT_EQ(L->contour->head->number, 2);
    EXPECT_EQ(L->islands->contour->tail->number, 3);
    L->SetBoundInfo(1);
    EXPECT_EQ(L->islands->contour->head->mark, 0x80);
    L->SetBoundInfo(0);
    EXPECT_EQ(L->contour->head->mark, 0x40);
    const double q[2] = {0.5, 0.5};
    L->contour->head->AddIntPt(q);
    EXPECT_EQ(L->InitBuffer(), 1);
    EXPECT_EQ(L->contour->head->points, nullptr);
    L->islands->AddIsland(new CSmartLoop);
    EXPECT_EQ(L->islands->InitBuffer(), 0) << "an island without contour";
}

// Loops without contour or sections, degenerate and NaN sections: the null results, no
// crash, no hang.
TEST(SmartLoop, BadInput)
{
    CSmartLoop empty;
    const double p[2] = {0, 0};
    double pts[8][2];
    CSmartSect* sects[8];
    EXPECT_EQ(empty.IsPointIn(p), 0);
    EXPECT_EQ(empty.IsPtOnContour(p), 0);
    EXPECT_EQ(empty.MinDistPoint(p), 1e12);
    EXPECT_EQ(empty.GetYLineInt(0, pts, sects, 8), 0u);
    EXPECT_EQ(empty.GetYLineIntContour(0, pts, 8), 0u);
    EXPECT_EQ(empty.GetLineInt(p, p, pts, sects, 8), 0u);
    EXPECT_EQ(empty.LoopLoopInt(&empty), 0);
    EXPECT_EQ(empty.ContourContourInt(nullptr), 0);
    EXPECT_EQ(empty.InitBuffer(), 0);
    EXPECT_EQ(empty.AddIsland(nullptr), 0);
    EXPECT_EQ(empty.AddChild(nullptr), 0);
    EXPECT_EQ(CSmartLoop::SortByDist(static_cast<CSmartLoop*>(nullptr)), nullptr);
    CSmartLoop* none = nullptr;
    CSmartLoop::DeleteLoopChain(none);
    CSmartCurve* detour = reinterpret_cast<CSmartCurve*>(1);
    CSmartLine seg(p, p);
    EXPECT_EQ(empty.LineIntCurve(seg, detour), 0);
    EXPECT_EQ(detour, nullptr);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::unique_ptr<CSmartLoop> bad(PolygonLoop({{0, 0}, {10, 0}, {nan, 5}, {0, 10}}));
    const double in[2] = {2, 2};
    bad->IsPointIn(in);
    bad->GetYLineIntContour(3, pts, 8);
    std::unique_ptr<CSmartLoop> zero(PolygonLoop({{1, 1}, {1, 1}, {1, 1}}));
    EXPECT_EQ(zero->area, 0);
    EXPECT_EQ(zero->IsPointIn(in), 0);
    const double at[2] = {1, 1};
    EXPECT_EQ(zero->IsPointIn(at), 2) << "the degenerate loop's own point";
}

}  // namespace
