// Chaining loose curves into loops: gaps and tolerance, least-turn choice at
// junctions, agreement of the list and grid forms, cancel, and the other
// chaining forms.
#include "ChainReference.h"
#include "LoopFixtures.h"

#include "geometry/shapes2d/GeArc.h"

#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <string>

namespace {

using namespace looptest;

// Opens the protected searches.
class ChainTool : public CGeTool2D {
public:
    using CGeTool2D::SearchNext;
};

enum class Form { kList, kGrid };

const char* FormName(Form f) { return f == Form::kList ? "list" : "grid"; }

void Chain(Form f, CurveList* curves, LoopList* loops, double tol, bool closedOnly, bool copy)
{
    CGeTool2D tool;
    if (f == Form::kList)
        tool.ReCreateLoop(curves, loops, tol, closedOnly, copy);
    else
        tool.ReCreateLoopEx(curves, loops, tol, closedOnly, copy);
}

CGeArc* Arc(const double* s, const double* e, double sweep)
{
    auto* arc = new CGeArc;
    if (!arc->CreateSEAngle(s, e, sweep)) {
        delete arc;
        return nullptr;
    }
    arc->Discrete(gGetCrvDiscTol());
    return arc;
}

// Loose pieces of closed polygons (lines and arcs, every piece starting up to
// maxGap away from the previous piece's end), a few circles and a few open
// zig-zags, spread over a grid of cells of the given pitch.
void MakeLoosePieces(CurveList& out, int cols, int rows, double pitch, double maxGap, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double pi = std::acos(-1.0);
    for (int i = 0; i < cols; ++i) {
        for (int j = 0; j < rows; ++j) {
            const double cx = i * pitch, cy = j * pitch;
            const int kind = static_cast<int>(rng() % 6);
            if (kind == 0) {
                out.AddTail(Circle(cx, cy, 0.2 * pitch + 0.1 * pitch * unit(rng), static_cast<int>(rng() % 2)));
                continue;
            }
            if (kind == 1) {  // open zig-zag
                for (int k = 0; k < 3; ++k)
                    out.AddTail(Line(cx - 0.3 * pitch + 0.2 * pitch * k, cy + (k % 2 ? 0.1 : -0.1) * pitch,
                                     cx - 0.1 * pitch + 0.2 * pitch * k, cy + (k % 2 ? -0.1 : 0.1) * pitch));
                continue;
            }
            const int n = 3 + static_cast<int>(rng() % 6);
            std::vector<std::array<double, 2>> v(static_cast<std::size_t>(n));
            const double phase = 2 * pi * unit(rng);
            for (int k = 0; k < n; ++k) {
                const double a = phase + 2 * pi * k / n;
                const double r = pitch * (0.25 + 0.1 * unit(rng));
                v[static_cast<std::size_t>(k)] = {cx + r * std::cos(a), cy + r * std::sin(a)};
            }
            for (int k = 0; k < n; ++k) {
                const auto& a = v[static_cast<std::size_t>(k)];
                const auto& b = v[static_cast<std::size_t>((k + 1) % n)];
                const double ga = 2 * pi * unit(rng), g = maxGap * unit(rng);
                const double s[2] = {a[0] + g * std::cos(ga), a[1] + g * std::sin(ga)};
                const double e[2] = {b[0], b[1]};
                CGeCurve* piece = nullptr;
                if (rng() % 3 == 0) piece = Arc(s, e, (unit(rng) - 0.5) * 1.2);
                if (!piece) piece = Line(s[0], s[1], e[0], e[1]);
                out.AddTail(piece);
            }
        }
    }
}

struct LoopSig {
    int members;
    double s[2], e[2];
    double length;
    double area;
};

LoopSig Signature(CGeLoop* l)
{
    LoopSig sig{};
    sig.members = static_cast<int>(l->GetCurveList().GetCount());
    l->GetStartPoint(sig.s);
    l->GetEndPoint(sig.e);
    sig.length = l->EvTotalArcLength();
    sig.area = l->IsLoop(0.05) ? l->EvArea(0.01) : 0.0;
    return sig;
}

void ExpectSameLoops(LoopList& a, LoopList& b, const std::string& label)
{
    ASSERT_EQ(a.GetCount(), b.GetCount()) << label;
    POSITION pa = a.GetHeadPosition(), pb = b.GetHeadPosition();
    for (int i = 0; pa && pb; ++i) {
        const LoopSig x = Signature(a.GetNext(pa));
        LoopSig y = Signature(b.GetNext(pb));
        const std::string at = label + ", loop " + std::to_string(i);
        // The list form turns an open chain back to its seed's direction, the
        // grid form only when the second pass found nothing: open chains may
        // come out reversed.
        if (x.area == 0.0 && P2D_Dist(x.s, y.s) > 1e-9) {
            std::swap(y.s, y.e);
        }
        EXPECT_EQ(x.members, y.members) << at;
        EXPECT_NEAR(x.s[0], y.s[0], 1e-9) << at;
        EXPECT_NEAR(x.s[1], y.s[1], 1e-9) << at;
        EXPECT_NEAR(x.e[0], y.e[0], 1e-9) << at;
        EXPECT_NEAR(x.e[1], y.e[1], 1e-9) << at;
        EXPECT_NEAR(x.length, y.length, 1e-9) << at;
        EXPECT_NEAR(x.area, y.area, 1e-9) << at;
    }
}

using ChainingTest = LoopTest;

// A lattice of lines broken at every node (X junctions inside, T junctions
// on the border) whose start points sit gap * tol away from their node, with
// gap factors at and around 1, and a few doubled lines.
void MakeLatticeWithJunctions(CurveList& out, int side, double tol, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double factors[] = {0.0, 0.5, 1.0 - 1e-12, 1.0, 1.0 + 1e-12, 1.5};
    const double pi = std::acos(-1.0);
    std::vector<CGeCurve*> made;
    auto add = [&](double x0, double y0, double x1, double y1) {
        const double g = tol * factors[rng() % 6], a = 2 * pi * unit(rng);
        made.push_back(Line(x0 + g * std::cos(a), y0 + g * std::sin(a), x1, y1));
    };
    for (int i = 0; i <= side; ++i) {
        for (int j = 0; j < side; ++j) {
            add(i, j, i, j + 1);
            add(j, i, j + 1, i);
        }
    }
    for (std::size_t k = 0; k < made.size(); k += 17) made.push_back(made[k]->Copy());
    for (CGeCurve* c : made) out.AddTail(c);
}

// Every loop and every member the same, to the last bit.
void ExpectIdenticalLoops(LoopList& got, LoopList& want, const std::string& label)
{
    ASSERT_EQ(got.GetCount(), want.GetCount()) << label;
    POSITION pg = got.GetHeadPosition(), pw = want.GetHeadPosition();
    for (int i = 0; pg && pw; ++i) {
        CurveList& g = got.GetNext(pg)->GetCurveList();
        CurveList& w = want.GetNext(pw)->GetCurveList();
        const std::string at = label + ", loop " + std::to_string(i);
        ASSERT_EQ(g.GetCount(), w.GetCount()) << at;
        POSITION mg = g.GetHeadPosition(), mw = w.GetHeadPosition();
        for (int k = 0; mg && mw; ++k) {
            CGeCurve* a = g.GetNext(mg);
            CGeCurve* b = w.GetNext(mw);
            double as[2], ae[2], bs[2], be[2];
            a->GetStartPoint(as);
            a->GetEndPoint(ae);
            b->GetStartPoint(bs);
            b->GetEndPoint(be);
            const bool same = a->GetType() == b->GetType() && as[0] == bs[0] && as[1] == bs[1] && ae[0] == be[0] &&
                              ae[1] == be[1];
            ASSERT_TRUE(same) << at << ", member " << k << ": (" << as[0] << ", " << as[1] << ")-(" << ae[0]
                              << ", " << ae[1] << ") against (" << bs[0] << ", " << bs[1] << ")-(" << be[0] << ", "
                              << be[1] << ")";
        }
    }
}

TEST_F(ChainingTest, IndexedSearchesMatchThePlainScan)
{
    struct Input {
        const char* label;
        double tol;
        std::function<void(CurveList&)> make;
    };
    const Input inputs[] = {
        {"loose polygons, arcs, circles", 0.01, [](CurveList& l) { MakeLoosePieces(l, 14, 11, 3.0, 0.009, 5); }},
        {"loose pieces, gaps at tol", 0.01, [](CurveList& l) { MakeLoosePieces(l, 8, 8, 2.0, 0.01, 9); }},
        {"lattice with X and T junctions", 0.01, [](CurveList& l) { MakeLatticeWithJunctions(l, 14, 0.01, 3); }},
        {"lattice, tolerance wider than the gaps", 0.05,
         [](CurveList& l) { MakeLatticeWithJunctions(l, 9, 0.02, 4); }},
        {"lattice, zero tolerance", 0.0, [](CurveList& l) { MakeLatticeWithJunctions(l, 6, 0.0, 6); }},
    };
    struct Form {
        const char* label;
        chainref::Rule rule;
        std::function<void(CurveList*, LoopList*, double, bool)> run;
    };
    const Form forms[] = {
        {"ReCreateLoop", chainref::Rule::kLeastTurn,
         [](CurveList* c, LoopList* l, double tol, bool closedOnly) {
             CGeTool2D().ReCreateLoop(c, l, tol, closedOnly, true);
         }},
        {"ReCreateLoopEx", chainref::Rule::kGrid,
         [](CurveList* c, LoopList* l, double tol, bool closedOnly) {
             CGeTool2D().ReCreateLoopEx(c, l, tol, closedOnly, true);
         }},
        {"ReCreateOpenLoop", chainref::Rule::kNearestEnd,
         [](CurveList* c, LoopList* l, double tol, bool) {
             OwnedCurves moved;  // always move mode: give it copies
             for (CGeCurve* x : *c) moved.list.AddTail(x->Copy());
             CGeTool2D().ReCreateOpenLoop(&moved.list, l, tol);
         }},
        {"ReCreateLoopInSelfDir", chainref::Rule::kSelfDir,
         [](CurveList* c, LoopList* l, double tol, bool closedOnly) {
             CGeTool2D().ReCreateLoopInSelfDir(c, l, tol, closedOnly, true);
         }},
    };
    int chained = 0;
    for (const Input& in : inputs) {
        for (unsigned shuffle = 0; shuffle < 2; ++shuffle) {
            OwnedCurves curves;
            in.make(curves.list);
            ShuffleAndReverse(curves.list, 100 + shuffle);
            for (const Form& f : forms) {
                for (bool closedOnly : {false, true}) {
                    const std::string label = std::string(f.label) + ", " + in.label + ", shuffle " +
                                              std::to_string(shuffle) + (closedOnly ? ", closed only" : "");
                    OwnedLoops got, want;
                    f.run(&curves.list, &got.list, in.tol, closedOnly);
                    chainref::Chain(f.rule, curves.list, want.list, in.tol, closedOnly);
                    ExpectIdenticalLoops(got.list, want.list, label);
                    for (CGeLoop* l : got.list) chained += l->GetCurveList().GetCount() > 1 ? 1 : 0;
                }
            }
        }
    }
    EXPECT_GT(chained, 1000);  // the inputs really chain
}

// A triangle whose three lines miss each other by 0.01 (one given backwards).
void Triangle(CurveList& list)
{
    list.AddTail(Line(0, 0, 10, 0));
    list.AddTail(Line(0, 0.01, 0, 9.99));  // backwards, gaps of 0.01 at both ends
    list.AddTail(Line(10, 0.01, 0, 10));
}

TEST_F(ChainingTest, TriangleWithGaps)
{
    struct Row {
        const char* label;
        double tol;
        bool closedOnly;
        int loops;
        bool closed;
    };
    const Row rows[] = {
        {"gaps within tol", 0.03, true, 1, true},
        {"gaps beyond tol, closed only", 0.005, true, 0, false},
        {"gaps beyond tol, open kept", 0.005, false, 3, false},
    };
    for (Form form : {Form::kList, Form::kGrid}) {
        for (bool copy : {true, false}) {
            for (const Row& r : rows) {
                const std::string label =
                    std::string(r.label) + " (" + FormName(form) + (copy ? ", copy)" : ", move)");
                OwnedCurves curves;
                Triangle(curves.list);
                OwnedLoops loops;
                Chain(form, &curves.list, &loops.list, r.tol, r.closedOnly, copy);
                ASSERT_EQ(loops.list.GetCount(), r.loops) << label;
                EXPECT_EQ(curves.list.GetCount(), copy ? 3 : 0) << label;
                if (r.loops != 1) continue;
                CGeLoop* loop = loops.list.GetHead();
                EXPECT_EQ(loop->GetCurveList().GetCount(), 3) << label;
                EXPECT_TRUE(loop->IsLoop(r.tol)) << label;
                // The accepted gaps are closed: the area is there at the
                // computation tolerance too (counter-clockwise: the seed's direction).
                // (The closing gap is closed by moving the first start onto
                // the last end, (0, 0.01): the triangle loses 0.05.)
                EXPECT_NEAR(loop->EvArea(0.01), 49.95, 1e-6) << label;
                // Every member continues where the previous one ends.
                EXPECT_EQ(CGeTool2D::IsLinked(&loop->GetCurveList(), r.tol), 1) << label;
            }
        }
    }
}

TEST_F(ChainingTest, LeastTurnAtJunctions)
{
    // The chain arrives at (0, 0) heading +x along the first line.
    struct Row {
        const char* label;
        std::vector<std::array<double, 4>> lines;  // the first is the seed
        double end[2];                             // end of the first chain
    };
    const Row rows[] = {
        {"T: straight beats the branch listed first",
         {{-10, 0, 0, 0}, {0, 0, 0, 10}, {0, 0, 10, 0}},
         {10, 0}},
        {"T: straight matched at its end is reversed",
         {{-10, 0, 0, 0}, {0, 0, 0, 10}, {10, 0, 0, 0}},
         {10, 0}},
        {"X: equal turns, left listed first", {{-10, 0, 0, 0}, {0, 0, 0, 10}, {0, 0, 0, -10}}, {0, 10}},
        {"X: equal turns, right listed first", {{-10, 0, 0, 0}, {0, 0, 0, -10}, {0, 0, 0, 10}}, {0, -10}},
        {"gentle turn beats sharp turn",
         {{-10, 0, 0, 0}, {0, 0, -5, 1}, {0, 0, 8, 3}, {0, 0, 0, 10}},
         {8, 3}},
    };
    for (Form form : {Form::kList, Form::kGrid}) {
        for (const Row& r : rows) {
            const std::string label = std::string(r.label) + " (" + FormName(form) + ")";
            OwnedCurves curves;
            for (const auto& l : r.lines) curves.list.AddTail(Line(l[0], l[1], l[2], l[3]));
            OwnedLoops loops;
            Chain(form, &curves.list, &loops.list, 0.01, false, true);
            ASSERT_FALSE(loops.list.IsEmpty()) << label;
            CGeLoop* first = loops.list.GetHead();
            ASSERT_EQ(first->GetCurveList().GetCount(), 2) << label;
            double s[2], e[2], mid[2];
            first->GetStartPoint(s);
            first->GetEndPoint(e);
            first->GetCurveList().GetTail()->GetStartPoint(mid);
            EXPECT_NEAR(s[0], -10, 1e-12) << label;
            EXPECT_NEAR(mid[0], 0, 1e-12) << label;
            EXPECT_NEAR(mid[1], 0, 1e-12) << label;
            EXPECT_NEAR(e[0], r.end[0], 1e-12) << label;
            EXPECT_NEAR(e[1], r.end[1], 1e-12) << label;
        }
    }
}

TEST_F(ChainingTest, ListSearchSkipsFarAndTakesClosedCandidates)
{
    OwnedCurves curves;
    curves.list.AddTail(Line(0.02, 0, 5, 0));   // 0.02 away: beyond tol 0.01
    curves.list.AddTail(Line(0, 0.005, 0, 5));  // within tol, 90 degrees
    curves.list.AddTail(Circle(0.2, 0, 0.2));   // closed, starts at (0.4, 0): too far
    const double p[2] = {0, 0}, t[2] = {1, 0};
    bool forward = false;
    CGeCurve* got = ChainTool::SearchNext(&curves.list, p, t, 0.01, false, forward);
    ASSERT_NE(got, nullptr);
    double s[2];
    got->GetStartPoint(s);
    EXPECT_NEAR(s[1], 0.005, 1e-12);
    EXPECT_TRUE(forward);
    EXPECT_EQ(curves.list.GetCount(), 3);  // not removed without the flag
}

TEST_F(ChainingTest, GridFormAgreesWithListForm)
{
    struct Row {
        const char* label;
        int cols, rows;
        double pitch, gap, tol;
        unsigned seed;
    };
    const Row rows[] = {
        {"many small shapes", 12, 9, 3.0, 0.008, 0.01, 7},
        {"few shapes, tolerance wider than a grid cell", 3, 2, 1.0, 0.045, 0.05, 11},
        {"single row (flat working box)", 25, 1, 2.0, 0.005, 0.01, 3},
    };
    for (const Row& r : rows) {
        for (bool closedOnly : {false, true}) {
            const std::string label = std::string(r.label) + (closedOnly ? ", closed only" : ", all chains");
            OwnedCurves curves;
            MakeLoosePieces(curves.list, r.cols, r.rows, r.pitch, r.gap, r.seed);
            ShuffleAndReverse(curves.list, r.seed + 1);
            OwnedLoops byList, byGrid;
            Chain(Form::kList, &curves.list, &byList.list, r.tol, closedOnly, true);
            Chain(Form::kGrid, &curves.list, &byGrid.list, r.tol, closedOnly, true);
            ExpectSameLoops(byList.list, byGrid.list, label);
            if (!closedOnly) {
                // Nothing lost or doubled: the chains hold every piece once
                // (closing a gap changes a length by at most the gap).
                double chained = 0.0;
                int pieces = 0;
                for (CGeLoop* l : byGrid.list) {
                    chained += l->EvTotalArcLength();
                    pieces += static_cast<int>(l->GetCurveList().GetCount());
                }
                EXPECT_EQ(pieces, curves.list.GetCount()) << label;
                EXPECT_NEAR(chained, TotalLength(curves.list), pieces * r.gap) << label;
            }
        }
    }
}

TEST_F(ChainingTest, GridFindsEndsSeveralCellsAway)
{
    // A square of side 0.9 cut into 12 pieces with gaps of 0.08: the working
    // box is about 0.9 wide, so a cell is 0.045 and a gap spans two cells.
    OwnedCurves curves;
    const double side = 0.9, g = 0.08;
    const double corner[4][2] = {{0, 0}, {side, 0}, {side, side}, {0, side}};
    for (int k = 0; k < 4; ++k) {
        const double* a = corner[k];
        const double* b = corner[(k + 1) % 4];
        for (int j = 0; j < 3; ++j) {
            const double t0 = j / 3.0, t1 = (j + 1) / 3.0;
            const double dx = b[0] - a[0], dy = b[1] - a[1];
            const double len = std::hypot(dx, dy);
            // Each piece starts g further along than the previous one ended.
            curves.list.AddTail(Line(a[0] + dx * t0 + dx / len * g, a[1] + dy * t0 + dy / len * g,
                                     a[0] + dx * t1, a[1] + dy * t1));
        }
    }
    ShuffleAndReverse(curves.list, 5);
    for (Form form : {Form::kList, Form::kGrid}) {
        OwnedLoops loops;
        Chain(form, &curves.list, &loops.list, 0.1, true, true);
        ASSERT_EQ(loops.list.GetCount(), 1) << FormName(form);
        EXPECT_EQ(loops.list.GetHead()->GetCurveList().GetCount(), 12) << FormName(form);
    }
}

TEST_F(ChainingTest, ClosedCurvesShortLinesAndCopies)
{
    for (Form form : {Form::kList, Form::kGrid}) {
        for (bool copy : {true, false}) {
            const std::string label = std::string(FormName(form)) + (copy ? ", copy" : ", move");
            OwnedCurves curves;
            curves.list.AddTail(Circle(100, 100, 5));
            curves.list.AddTail(Line(0, 0, 0.001, 0));  // never reaches a loop
            curves.list.AddTail(nullptr);
            curves.list.AddTail(Line(20, 0, 30, 0));
            OwnedLoops loops;
            Chain(form, &curves.list, &loops.list, 0.01, false, copy);
            ASSERT_EQ(loops.list.GetCount(), 2) << label;
            CGeLoop* circle = loops.list.GetHead();
            EXPECT_EQ(circle->GetCurveList().GetCount(), 1) << label;
            EXPECT_NEAR(circle->EvArea(0.001), std::acos(-1.0) * 25, 0.05) << label;
            // Copy mode leaves the caller's list alone; move mode empties it
            // (the short line is deleted on the way).
            EXPECT_EQ(curves.list.GetCount(), copy ? 4 : 0) << label;
        }
    }
}

TEST_F(ChainingTest, CancelKeepsTheCallersLoops)
{
    using Call = std::function<void(CGeTool2D&, CurveList*, LoopList*, bool copy)>;
    struct Row {
        const char* label;
        Call call;
        bool hasCopyMode;
    };
    const Row rows[] = {
        {"ReCreateLoop", [](CGeTool2D& t, CurveList* c, LoopList* l, bool copy) { t.ReCreateLoop(c, l, 0.01, false, copy); },
         true},
        {"ReCreateLoopEx",
         [](CGeTool2D& t, CurveList* c, LoopList* l, bool copy) { t.ReCreateLoopEx(c, l, 0.01, true, copy); }, true},
        {"ReCreateLoopInSelfDir",
         [](CGeTool2D& t, CurveList* c, LoopList* l, bool copy) { t.ReCreateLoopInSelfDir(c, l, 0.01, false, copy); },
         true},
        {"ReCreateOpenLoop", [](CGeTool2D& t, CurveList* c, LoopList* l, bool) { t.ReCreateOpenLoop(c, l, 0.01); },
         false},
        {"CreateLinkedCurve", [](CGeTool2D& t, CurveList* c, LoopList* l, bool) { t.CreateLinkedCurve(c, l); },
         false},
    };
    for (const Row& r : rows) {
        for (bool copy : {true, false}) {
            if (copy && !r.hasCopyMode) continue;
            for (long long polls : {0LL, 1LL, 4LL, 25LL}) {
                const std::string label = std::string(r.label) + (copy ? ", copy" : ", move") +
                                          ", cancel after " + std::to_string(polls) + " polls";
                OwnedCurves curves;
                MakeLoosePieces(curves.list, 4, 3, 3.0, 0.004, 21);
                ShuffleAndReverse(curves.list, 22);
                std::vector<CGeCurve*> before;
                for (CGeCurve* c : curves.list) before.push_back(c);
                const double length = TotalLength(curves.list);

                OwnedLoops loops;
                CGeLoop* earlier = CircleLoop(-50, -50, 3);
                loops.list.AddTail(earlier);
                widgra::testing::CancelAfterPolls(polls);
                CGeTool2D tool;
                r.call(tool, &curves.list, &loops.list, copy);
                widgra::testing::Reset();

                ASSERT_EQ(loops.list.GetCount(), 1) << label;
                EXPECT_EQ(loops.list.GetHead(), earlier) << label;
                EXPECT_EQ(earlier->GetCurveList().GetCount(), 1) << label;
                if (copy) {
                    std::vector<CGeCurve*> after;
                    for (CGeCurve* c : curves.list) after.push_back(c);
                    EXPECT_EQ(after, before) << label;
                } else {
                    // Every curve is back, maybe reversed, reordered or with a
                    // gap closed (which changes a length by at most the gap).
                    std::vector<CGeCurve*> after;
                    for (CGeCurve* c : curves.list) after.push_back(c);
                    std::sort(after.begin(), after.end());
                    std::sort(before.begin(), before.end());
                    EXPECT_EQ(after, before) << label;
                    EXPECT_NEAR(TotalLength(curves.list), length, 0.004 * static_cast<double>(before.size())) << label;
                }
            }
        }
    }
}

TEST_F(ChainingTest, NoCancelAppendsAfterTheCallersLoops)
{
    OwnedCurves curves;
    Triangle(curves.list);
    OwnedLoops loops;
    CGeLoop* earlier = CircleLoop(-50, -50, 3);
    loops.list.AddTail(earlier);
    widgra::testing::CancelAfterPolls(1000000);
    CGeTool2D tool;
    tool.ReCreateLoopEx(&curves.list, &loops.list, 0.03, true, false);
    ASSERT_EQ(loops.list.GetCount(), 2);
    EXPECT_EQ(loops.list.GetHead(), earlier);
    EXPECT_TRUE(curves.list.IsEmpty());
}

TEST_F(ChainingTest, OpenLoopsByNearestEnd)
{
    // Two arcs meeting at one end only; a 0.015 line is dropped (below 0.02).
    OwnedCurves curves;
    auto* a1 = new CGeArc;
    const double c[2] = {0, 0};
    a1->CreateCSEAngle(c, 5, 0, 1.0);
    auto* a2 = new CGeArc;
    a2->CreateCSEAngle(c, 5, 1.0, 2.0);
    a2->Reverse();  // meets a1 at its end
    curves.list.AddTail(a1);
    curves.list.AddTail(Line(50, 50, 50.015, 50));
    curves.list.AddTail(a2);
    OwnedLoops loops;
    CGeTool2D tool;
    tool.ReCreateOpenLoop(&curves.list, &loops.list, 0.01);
    ASSERT_EQ(loops.list.GetCount(), 1);
    CGeLoop* loop = loops.list.GetHead();
    EXPECT_EQ(loop->GetCurveList().GetCount(), 2);
    double s[2], e[2];
    loop->GetStartPoint(s);
    loop->GetEndPoint(e);
    // The seed's direction: from angle 0 to angle 2.
    EXPECT_NEAR(s[0], 5.0, 1e-9);
    EXPECT_NEAR(s[1], 0.0, 1e-9);
    EXPECT_NEAR(e[0], 5 * std::cos(2.0), 1e-9);
    EXPECT_NEAR(e[1], 5 * std::sin(2.0), 1e-9);
    EXPECT_TRUE(curves.list.IsEmpty());
}

TEST_F(ChainingTest, SelfDirectionNeverReverses)
{
    // A square whose third side runs backwards: in-direction chaining stops there.
    OwnedCurves curves;
    curves.list.AddTail(Line(0, 0, 1, 0));
    curves.list.AddTail(Line(1, 0, 1, 1));
    curves.list.AddTail(Line(0, 1, 1, 1));  // backwards
    curves.list.AddTail(Line(0, 1, 0, 0));
    for (bool closedOnly : {false, true}) {
        OwnedLoops loops;
        CGeTool2D tool;
        tool.ReCreateLoopInSelfDir(&curves.list, &loops.list, 0.01, closedOnly, true);
        if (closedOnly) {
            EXPECT_TRUE(loops.list.IsEmpty());
            continue;
        }
        // [first, second side], then the backwards side and the fourth side alone.
        ASSERT_EQ(loops.list.GetCount(), 3);
        EXPECT_EQ(loops.list.GetHead()->GetCurveList().GetCount(), 2);
        EXPECT_EQ(loops.list.GetTail()->GetCurveList().GetCount(), 1);
    }
    // All four in direction: one closed loop.
    curves.list.GetAt(curves.list.FindIndex(2))->Reverse();
    OwnedLoops loops;
    CGeTool2D tool;
    tool.ReCreateLoopInSelfDir(&curves.list, &loops.list, 0.01, true, true);
    ASSERT_EQ(loops.list.GetCount(), 1);
    EXPECT_NEAR(loops.list.GetHead()->EvArea(0.01), 1.0, 1e-9);
}

TEST_F(ChainingTest, LinkedCurveWalksEveryBranch)
{
    OwnedCurves curves;
    curves.list.AddTail(Line(-10, 0, 0, 0));
    curves.list.AddTail(Line(0, 0, 0, 10));  // branch
    curves.list.AddTail(Line(0, 0, 10, 0));
    OwnedLoops loops;
    CGeTool2D tool;
    tool.CreateLinkedCurve(&curves.list, &loops.list);
    EXPECT_TRUE(curves.list.IsEmpty());
    ASSERT_EQ(loops.list.GetCount(), 1);
    CGeLoop* walk = loops.list.GetHead();
    // Out along the straight line, back, up the branch and back: every piece twice.
    EXPECT_EQ(walk->GetCurveList().GetCount(), 6);
    EXPECT_NEAR(walk->EvTotalArcLength(), 60.0, 1e-9);
    EXPECT_EQ(CGeTool2D::IsLinked(&walk->GetCurveList(), 1e-9), 1);
}

TEST_F(ChainingTest, StitchCurveList)
{
    struct Row {
        const char* label;
        double gap;
        bool moved;
    };
    const Row rows[] = {{"gap of tol stays open", 0.01, false}, {"gap of tol / 2 is closed", 0.005, true}};
    for (const Row& r : rows) {
        OwnedCurves curves;
        curves.list.AddTail(Line(0, 0, 1, 0));
        curves.list.AddTail(Line(1 + r.gap, 0, 2, 0));
        CGeTool2D::StitchCurveList(&curves.list, 0.01);
        double s[2];
        curves.list.GetTail()->GetStartPoint(s);
        EXPECT_NEAR(s[0], r.moved ? 1.0 : 1.0 + r.gap, 1e-12) << r.label;
    }
    // The last end closes onto the first start.
    OwnedCurves ring;
    ring.list.AddTail(Line(0, 0.004, 1, 0));
    ring.list.AddTail(Line(1, 0, 0, 0));
    CGeTool2D::StitchCurveList(&ring.list, 0.01);
    double s[2];
    ring.list.GetHead()->GetStartPoint(s);
    EXPECT_NEAR(s[1], 0.0, 1e-12);
}

TEST_F(ChainingTest, BadInputDoesNothing)
{
    OwnedCurves curves;
    Triangle(curves.list);
    OwnedLoops loops;
    CGeTool2D tool;
    tool.ReCreateLoop(nullptr, &loops.list, 0.03, false, true);
    tool.ReCreateLoopEx(&curves.list, nullptr, 0.03, false, true);
    tool.ReCreateLoop(&curves.list, &loops.list, NAN, false, false);
    tool.ReCreateOpenLoop(&curves.list, &loops.list, -1.0);
    EXPECT_TRUE(loops.list.IsEmpty());
    EXPECT_EQ(curves.list.GetCount(), 3);
}

TEST_F(ChainingTest, NoSettingsObjectChainsWithDefaults)
{
    looker::testing::ResetQVGlobal();
    ASSERT_EQ(gGetQVGlobal(), nullptr);
    for (Form f : {Form::kList, Form::kGrid}) {
        OwnedCurves curves;
        Triangle(curves.list);
        OwnedLoops loops;
        Chain(f, &curves.list, &loops.list, 0.03, true, false);
        ASSERT_EQ(loops.list.GetCount(), 1) << FormName(f);
        EXPECT_TRUE(curves.list.IsEmpty()) << FormName(f);
        EXPECT_TRUE(loops.list.GetHead()->IsLoop(1e-9)) << FormName(f);
    }
}

}  // namespace
