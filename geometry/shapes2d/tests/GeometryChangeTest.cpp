// The geometry change count: every edit of a line or an arc through its
// setters, transforms, end-point edits, rediscretisation, loading (of the copy
// read) and the mutable accessors moves it; queries and boxes computed again
// the same leave it.
#include "framework/looker/QVGlobal.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeometryChange.h"
#include "geometry/shapes2d/tests/ArchiveTestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::unique_ptr<CGeArc> MakeArc()
{
    auto arc = std::make_unique<CGeArc>();
    const double c[2] = {1.0, 2.0};
    arc->CreateCSEAngle(c, 3.0, 0.2, 2.5);
    arc->Discrete(0.01);
    return arc;
}

std::unique_ptr<CGeLine> MakeLine()
{
    const double p[2] = {0.0, 0.0}, q[2] = {4.0, 3.0};
    auto line = std::make_unique<CGeLine>(p, q);
    line->Discrete(0.01);
    return line;
}

struct Edit {
    const char* label;
    std::function<void(CGeCurve&)> apply;
};

// Edits through the paths every change of a curve goes through.
const std::vector<Edit>& Edits()
{
    static const std::vector<Edit> edits = {
        {"Translate", [](CGeCurve& c) { double d[2] = {1.0, -2.0}; c.Translate(d); }},
        {"Rotate", [](CGeCurve& c) { double o[2] = {0.5, 0.5}; c.Rotate(o, 0.3); }},
        {"Mirror", [](CGeCurve& c) { double p[2] = {0, 0}, q[2] = {1, 2}; c.Mirror(p, q); }},
        {"Scale", [](CGeCurve& c) {
             double o[2] = {0, 0}, f[2] = {2, 2};
             CGeCurve* scaled = c.Scale(o, f);
             if (scaled != &c) delete scaled;
         }},
        {"Transform", [](CGeCurve& c) { double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {3, 4, 1}}; c.Transform(m, 0); }},
        {"Reverse", [](CGeCurve& c) { c.Reverse(); }},
        {"ModifyStartPoint", [](CGeCurve& c) { double p[2]; c.GetStartPoint(p); p[0] += 0.1; c.ModifyStartPoint(p); }},
        {"ModifyEndPoint", [](CGeCurve& c) { double p[2]; c.GetEndPoint(p); p[1] += 0.1; c.ModifyEndPoint(p); }},
        {"Discrete", [](CGeCurve& c) { c.Discrete(0.5); }},
        {"display points in place", [](CGeCurve& c) { c.GetSWPoint()[0][0] += 1.0; }},
        {"box in place", [](CGeCurve& c) { c.GetBox2d()->InitEmpty(); }},
        {"closed flag", [](CGeCurve& c) { c.SetClosedFlag(1); }},
        {"loading", [](CGeCurve& c) {
             CQVGlobal settings;
             settings.SetVersion(kDocVersionCurrent);
             gSetQVGlobal(&settings);
             CMemFile file;
             archtest::StoreObject(file, &c);
             delete archtest::LoadObject(file);
             gSetQVGlobal(nullptr);
         }},
    };
    return edits;
}

TEST(GeometryChangeTest, EveryEditOfALineOrAnArcMovesTheCount)
{
    for (const Edit& edit : Edits()) {
        for (int kind = 0; kind < 2; ++kind) {
            std::unique_ptr<CGeCurve> curve;
            if (kind == 0) curve = MakeLine();
            else curve = MakeArc();
            const std::uint64_t before = geGeometryChangeCount();
            edit.apply(*curve);
            EXPECT_NE(geGeometryChangeCount(), before) << edit.label << (kind == 0 ? " line" : " arc");
        }
    }
    // The setters of each class.
    auto arc = MakeArc();
    std::uint64_t before = geGeometryChangeCount();
    const double c[2] = {0, 0};
    arc->CreateCSEAngle(c, 1.0, 0.0, 1.0);
    EXPECT_NE(geGeometryChangeCount(), before) << "CreateCSEAngle";
    auto line = MakeLine();
    before = geGeometryChangeCount();
    line->Create(0.0, 0.0, 1.0, 1.0);
    EXPECT_NE(geGeometryChangeCount(), before) << "Create";
}

TEST(GeometryChangeTest, QueriesAndBoxesComputedAgainTheSameLeaveTheCount)
{
    auto arc = MakeArc();
    auto line = MakeLine();
    BOX2<double> box;
    arc->GetBox2d(&box);
    line->GetBox2d(&box);
    const std::uint64_t before = geGeometryChangeCount();
    for (CGeCurve* c : {static_cast<CGeCurve*>(arc.get()), static_cast<CGeCurve*>(line.get())}) {
        double p[2], d[2];
        c->GetBox2d(&box);
        c->CalcBox2d();
        c->GetStartPoint(p);
        c->EvPos(0.5, p, 1);
        c->Ev1Der(0.5, p, d, 1);
        c->EvTotalArcLength();
        std::as_const(*c).GetSWPoint();
    }
    EXPECT_EQ(geGeometryChangeCount(), before);
}

TEST(GeometryChangeTest, AnArcsBoxReplacedByItsDisplayBoxMovesTheCount)
{
    // Before its first draw an arc's box is its exact box; made from the display
    // points it may differ, which must show as a change.
    auto arc = std::make_unique<CGeArc>();
    const double c[2] = {0, 0};
    arc->CreateCSEAngle(c, 1.0, 0.1, 6.0);
    BOX2<double> exact;
    arc->GetBox2d(&exact);
    const std::uint64_t before = geGeometryChangeCount();
    arc->Discrete(0.3);
    BOX2<double> shown;
    arc->GetBox2d(&shown);
    EXPECT_NE(geGeometryChangeCount(), before);
    EXPECT_FALSE(shown.xmin == exact.xmin && shown.xmax == exact.xmax && shown.ymin == exact.ymin &&
                 shown.ymax == exact.ymax)
        << "the coarse display changes the box";
}

TEST(GeometryChangeTest, EditsOnSeveralThreadsAfterAReadMoveTheCount)
{
    const std::uint64_t before = geGeometryChangeCount();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 1000; ++i) {
                auto line = MakeLine();
                double d[2] = {1.0, 1.0};
                line->Translate(d);
            }
        });
    for (std::thread& t : threads) t.join();
    const std::uint64_t after = geGeometryChangeCount();
    EXPECT_NE(after, before);
    EXPECT_EQ(geGeometryChangeCount(), after) << "a read alone is no change";
}

}  // namespace
