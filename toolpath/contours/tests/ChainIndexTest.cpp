// IsPointIn keeps its contour's sections by bands between calls. Its answers against the
// plain walk of the live chain, on random loops of lines and arcs, glyph loops and a
// shoreline, before and after every kind of edit made in place: each must drop the bands
// (edits through the curve's members, sections edited directly and then the loop's box
// redone or the curve told), and freed sections' addresses may be reused by new ones.
#include "CurveFixtures.h"
#include "LoopOracle.h"

#include "testing/Shorelines.h"
#include "toolpath/contours/Containment.h"
#include "toolpath/contours/SmartConst.h"
#include "toolpath/contours/SmartLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using P = std::array<double, 2>;

// IsPointIn with the plain walk of the live chain.
int PlainIsPointIn(CSmartLoop& L, const double* p)
{
    if (!L.contour || !L.contour->head)
        return 0;
    if (!(p[0] >= L.box[0][0] - smart::kLoopBoxMargin && p[0] <= L.box[1][0] + smart::kLoopBoxMargin &&
          p[1] >= L.box[0][1] - smart::kLoopBoxMargin && p[1] <= L.box[1][1] + smart::kLoopBoxMargin))
        return 0;
    return smart::ContainPoint(*L.contour, p, L.box[0][0] - smart::kProbeMargin, L.box[1][0] + smart::kProbeMargin,
                               smart::LoopContainRule());
}

// Random points over the box and beyond, every section's ends and midpoint, points at
// vertex heights and points 1e-9 beside section midpoints.
std::vector<P> Probes(CSmartLoop& L, std::mt19937& rng, int randomCount)
{
    const double w = L.box[1][0] - L.box[0][0], h = L.box[1][1] - L.box[0][1];
    std::uniform_real_distribution<double> ux(L.box[0][0] - 0.1 * w, L.box[1][0] + 0.1 * w),
        uy(L.box[0][1] - 0.1 * h, L.box[1][1] + 0.1 * h);
    std::vector<P> out;
    for (int i = 0; i < randomCount; ++i)
        out.push_back({ux(rng), uy(rng)});
    for (CSmartSect* s = L.contour->head; s; s = s->next) {
        double a[2], n[2];
        for (double t : {0.0, 0.5, 1.0}) {
            s->GetPoint(t, a);
            out.push_back({a[0], a[1]});
        }
        out.push_back({ux(rng), a[1]});
        s->GetPoint(0.5, a);
        if (s->GetNormal(0.5, n)) {
            out.push_back({a[0] + 1e-9 * n[0], a[1] + 1e-9 * n[1]});
            out.push_back({a[0] - 1e-9 * n[0], a[1] - 1e-9 * n[1]});
        }
    }
    return out;
}

struct Tally {
    int inside = 0, on = 0, tested = 0;
};

void ExpectSameAsPlain(CSmartLoop& L, std::mt19937& rng, int randomCount, const std::string& label, Tally& tally)
{
    // Twice: the first test after an edit walks the chain, the others use the bands made
    // by the second.
    const std::vector<P> probes = Probes(L, rng, randomCount);
    for (int pass = 0; pass < 2; ++pass)
        for (const P& p : probes) {
            const int want = PlainIsPointIn(L, p.data());
            ASSERT_EQ(L.IsPointIn(p.data()), want) << label << " pass " << pass << " at " << p[0] << ", " << p[1];
            tally.inside += want == 1;
            tally.on += want == 2;
            ++tally.tested;
        }
}

// Every third section replaced by its two halves.
void SplitSections(CSmartCurve& c)
{
    int k = 0;
    for (CSmartSect* s = c.head; s;) {
        CSmartSect* next = s->next;
        if (k++ % 3 == 0) {
            double a[3] = {0, 0, 0}, m[3] = {0, 0, 0.5}, b[3] = {0, 0, 1};
            s->GetPoint(0, a);
            s->GetPoint(0.5, m);
            s->GetPoint(1, b);
            CSmartSect* first = s->GetSubSect(a, m);
            CSmartSect* second = s->GetSubSect(m, b);
            if (first && second) {
                first->DefineBox();
                second->DefineBox();
                c.InsertAfter(first, s);
                c.InsertAfter(second, first);
                c.RemoveSect(s);
                delete s;
            } else {
                delete first;
                delete second;
            }
        }
        s = next;
    }
}

// Every line freed and then replaced by a new equal one at its place (the allocator tends
// to hand back the freed address).
void ReplaceLines(CSmartCurve& c)
{
    for (CSmartSect* s = c.head; s;) {
        CSmartSect* next = s->next;
        if (s->IsSectLine()) {
            auto* l = static_cast<CSmartLine*>(s);
            const double a[2] = {l->start[0], l->start[1]}, b[2] = {l->end[0], l->end[1]};
            CSmartSect* after = s->prev;
            c.RemoveSect(s);
            delete s;
            c.InsertAfter(new CSmartLine(a, b), after);
        }
        s = next;
    }
}

// The last two sections replaced by one line closing the chain (a shorter chain).
void DropTail(CSmartCurve& c)
{
    if (c.count < 5)
        return;
    for (int i = 0; i < 2; ++i) {
        CSmartSect* t = c.tail;
        c.RemoveSect(t);
        delete t;
    }
    double a[2], b[2];
    c.tail->GetPoint(1, a);
    c.head->GetPoint(0, b);
    c.AddSect(new CSmartLine(a, b));
}

// Every third joint between two lines moved sideways by a quarter of the shorter line,
// the lines' ends set in place (TrimEnd, or by hand with the sections' boxes redone).
void MoveJoints(CSmartCurve& c, bool byHand)
{
    int k = 0;
    for (CSmartSect* s = c.head; s && s->next; s = s->next) {
        CSmartSect* n = s->next;
        if (k++ % 3 != 0 || !s->IsSectLine() || !n->IsSectLine())
            continue;
        auto* a = static_cast<CSmartLine*>(s);
        auto* b = static_cast<CSmartLine*>(n);
        const double d = 0.25 * std::min(a->GetLength(), b->GetLength());
        double normal[2];
        if (!a->GetNormal(1, normal))
            continue;
        const double j[2] = {a->end[0] + d * normal[0], a->end[1] + d * normal[1]};
        if (byHand) {
            a->end[0] = b->start[0] = j[0];
            a->end[1] = b->start[1] = j[1];
            a->DefineBox();
            b->DefineBox();
        } else {
            a->TrimEnd(1, j, 1);
            b->TrimEnd(0, j, 1);
        }
    }
}

struct Edit {
    const char* label;
    std::function<void(CSmartLoop&)> apply;
};

const std::vector<Edit>& Edits()
{
    static const std::vector<Edit> edits = {
        {"translate", [](CSmartLoop& L) {
             L.contour->MoveCurve(3.25, -1.5);
             L.contour->DefineBox();
             L.DefineBox();
         }},
        // The sections moved, their boxes and the loop's not redone.
        {"translate, boxes left", [](CSmartLoop& L) { L.contour->MoveCurve(0.125, 0.0625); }},
        {"rotate", [](CSmartLoop& L) { L.RotateContour(0.7); }},
        {"reverse", [](CSmartLoop& L) { L.ReverseLoop(1); }},
        {"start moved", [](CSmartLoop& L) { L.contour->SetStartSect(L.GetSectMid()); }},
        {"split", [](CSmartLoop& L) {
             SplitSections(*L.contour);
             L.DefineBox();
         }},
        {"lines replaced", [](CSmartLoop& L) { ReplaceLines(*L.contour); }},
        {"tail dropped", [](CSmartLoop& L) {
             DropTail(*L.contour);
             L.DefineBox();
         }},
        // A new contour in place of the old, which is freed first.
        {"contour replaced", [](CSmartLoop& L) {
             std::unique_ptr<CSmartCurve> copy(L.contour->CopyMyself());
             delete L.UpdateSect(nullptr);
             delete L.UpdateSect(copy->CopyMyself());
         }},
        // Sections edited directly: the loop's box redone, or the curve told.
        {"joints moved, loop box redone", [](CSmartLoop& L) {
             MoveJoints(*L.contour, false);
             L.DefineBox();
         }},
        {"joints moved by hand, curve told", [](CSmartLoop& L) {
             MoveJoints(*L.contour, true);
             L.contour->Edited();
         }},
        // Arcs replaced by chords, nothing else redone.
        {"arcs into chords", [](CSmartLoop& L) { L.contour->DiscreteCurve(0.05); }},
        {"split at self crossings", [](CSmartLoop& L) {
             L.contour->AutoInters(0);
             L.contour->AutoDepart(0);
             L.contour->DefineBox();
             L.DefineBox();
         }},
    };
    return edits;
}

// The bands are used on a loop, then each edit in turn is made to the same loop.
void CheckThroughEdits(CSmartLoop& L, std::mt19937& rng, int randomCount, const std::string& label, Tally& tally)
{
    ExpectSameAsPlain(L, rng, randomCount, label + ", as built", tally);
    for (const Edit& e : Edits()) {
        e.apply(L);
        ASSERT_TRUE(L.contour && L.contour->head) << label << ", " << e.label;
        ExpectSameAsPlain(L, rng, randomCount, label + ", " + e.label, tally);
    }
}

TEST(ChainIndex, SameAnswersAsThePlainWalkThroughEdits)
{
    std::mt19937 rng(5);
    Tally tally;
    for (int k = 0; k < 12; ++k) {
        CSmartLoop L;
        delete L.UpdateSect(curvetest::RandomChain(rng, 6 + 4 * k, 30, true));
        CheckThroughEdits(L, rng, 200, "random loop " + std::to_string(k), tally);
    }
    glyphs::GlyphReader reader;
    ASSERT_TRUE(reader.Ok());
    for (unsigned long ch : {'g', '&', 'B'}) {
        std::vector<glyphs::Contour> contours;
        reader.Char(ch, 0.05, contours);
        ASSERT_FALSE(contours.empty());
        std::unique_ptr<CSmartLoop> L(looptest::GlyphLoop(contours));
        CheckThroughEdits(*L, rng, 300, std::string("glyph ") + static_cast<char>(ch), tally);
    }
    const auto shore = shorelines::Read("iceland_fjords");
    ASSERT_FALSE(shore.empty());
    std::unique_ptr<CSmartLoop> L(looptest::PolygonLoop(shore.front()));
    CheckThroughEdits(*L, rng, 500, "iceland", tally);
    // Not vacuous: all three answers occur often.
    EXPECT_GT(tally.inside, 2000);
    EXPECT_GT(tally.on, 2000);
    EXPECT_GT(tally.tested - tally.inside - tally.on, 2000);
}

}  // namespace
