// The database's packed 2D repaint: its grid query against a plain scan of the
// boxes, and its image against the entity-by-entity repaint's after edits made
// in place, through the accessors, by undo and redo and by layer changes, and
// its drawing calls against the entity-by-entity repaint's on random views.
#include "framework/db/DbAidLine.h"
#include "framework/db/DbCurve.h"
#include "framework/db/DbUnion.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/BoxGrid.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Selector.h"
#include "framework/relayon/tests/DatabaseFixture.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeLine.h"
#include "platform/core/RecordingDC.h"
#include "platform/ui/QtDC.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <utility>
#include <string>
#include <vector>

namespace {

TEST(BoxGridTest, QueryReportsWhatAPlainScanFindsInListOrder)
{
    // Small boxes over a square, some long thin ones, points, boxes not
    // indexed, and odd ones (inverted, NaN, infinite).
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> at(0.0, 1000.0), size(0.0, 6.0);
    std::vector<BOX2<double>> boxes;
    std::vector<std::uint8_t> indexed;
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 5000; ++i) {
        const double x = at(rng), y = at(rng);
        BOX2<double> b{x, y, x + size(rng), y + size(rng)};
        if (i % 97 == 0) b.xmax = x + 600.0;  // spans many cells
        if (i % 89 == 0) b = BOX2<double>{x, y, x, y};
        if (i == 11) b = BOX2<double>{x, y, x - 1.0, y - 1.0};
        if (i == 12) b.xmin = nan;
        if (i == 13) b.xmax = inf;
        boxes.push_back(b);
        indexed.push_back(i % 53 == 0 ? 0 : 1);
    }
    BoxGrid grid;
    grid.Build(boxes, indexed);

    struct Row {
        const char* label;
        BOX2<double> rect;
    };
    std::vector<Row> rows = {{"whole drawing", {-10, -10, 1010, 1010}},
                             {"a twentieth", {400, 400, 450, 450}},
                             {"one cell or less", {500, 500, 503, 502}},
                             {"a point", {250, 250, 250, 250}},
                             {"thin strip", {0, 300, 1000, 300.5}},
                             {"outside", {2000, 2000, 2100, 2100}},
                             {"overlapping a corner", {-100, -100, 20, 20}},
                             {"inverted", {450, 450, 400, 400}},
                             {"NaN", {nan, 0, 100, 100}}};
    for (int k = 0; k < 40; ++k) {
        const double x = at(rng), y = at(rng), w = std::pow(10.0, at(rng) / 400.0);
        rows.push_back({"random", {x, y, x + w, y + w * 0.7}});
    }
    // Edges exactly on box edges: touching counts.
    rows.push_back({"touching a box", {boxes[5].xmax, boxes[5].ymax, boxes[5].xmax + 30, boxes[5].ymax + 30}});
    int reportedIndexed = 0;
    for (const Row& r : rows) {
        std::vector<int> scan;
        for (int i = 0; i < static_cast<int>(boxes.size()); ++i)
            if (!indexed[i] || BoxGrid::Meets(boxes[i], r.rect)) scan.push_back(i);
        const std::vector<int> found = grid.Query(r.rect);
        EXPECT_EQ(found, scan) << r.label << " " << r.rect.xmin << " " << r.rect.ymin;
        for (int i : found) reportedIndexed += indexed[i];
    }
    EXPECT_GT(reportedIndexed, 1000) << "the queries found indexed boxes";
}

TEST(BoxGridTest, EmptyAndAllUnindexedLists)
{
    BoxGrid grid;
    grid.Build({}, {});
    EXPECT_TRUE(grid.Query(BOX2<double>{0, 0, 1, 1}).empty());
    grid.Build({BOX2<double>{0, 0, 1, 1}, BOX2<double>{5, 5, 6, 6}}, {0, 0});
    EXPECT_EQ(grid.Query(BOX2<double>{100, 100, 101, 101}), (std::vector<int>{0, 1}));
}

class RepaintCacheTest : public DatabaseFixture {
protected:
    static constexpr int kWidth = 320, kHeight = 240;

    void SetUp() override
    {
        DatabaseFixture::SetUp();
        CLooker::SetView2D();
        gSetLooker(&m_looker);
        m_looker.SetViewRect(CRect(0, 0, kWidth, kHeight));
    }
    void TearDown() override
    {
        CDBase::Instance()->DelAllEnt();
        gSetLooker(nullptr);
        DatabaseFixture::TearDown();
    }

    // Lines and arcs of many sizes (most a pixel or two across at the whole
    // view), two layers, four colours, a group, a guide line and a polyline.
    void Fill(CDBase* db)
    {
        m_layer = new CLayer(CString(L"second"));
        db->AddLayer(m_layer);
        std::mt19937 rng(3);
        std::uniform_real_distribution<double> at(0.0, 400.0), unit(0.0, 1.0);
        const COLORREF colours[] = {RGB(0, 0, 0), RGB(200, 0, 0), RGB(0, 120, 0), RGB(0, 0, 200)};
        for (int i = 0; i < 3000; ++i) {
            const double x = at(rng), y = at(rng) * 0.75;
            const double s = i % 25 == 0 ? 60.0 * unit(rng) : 2.5 * unit(rng);
            CDbCurve* e = nullptr;
            if (i % 2 == 0) {
                const double p[2] = {x, y}, q[2] = {x + s * (unit(rng) - 0.3), y + s * (unit(rng) - 0.3)};
                e = dbGenLine(p, q);
            } else {
                auto* arc = new CGeArc;
                const double c[2] = {x, y};
                const double a0 = 6.0 * unit(rng);
                arc->CreateCSEAngle(c, 0.2 + s, a0, a0 + 0.5 + 5.5 * unit(rng));
                e = new CDbCurve(arc);
            }
            e->SetColor(colours[(i / 7) % 4]);
            if (i % 11 == 0) e->SetLayerID(m_layer->GetID());
            if (i % 101 == 0) e->SetVisible(FALSE);
            db->AddTail(e);
        }
        auto* group = new CDbUnion;
        const double a[2] = {100, 100}, b[2] = {140, 130};
        group->AddEntity(dbGenRect(a, b));
        db->AddTail(group);
        db->AddTail(new CDbAidLine(210.0, CDbAidLine::kVertical));
        BOX2<double> box;
        ASSERT_TRUE(db->GetBox2D(&box));
        m_looker.ZoomBox(box);
    }

    QImage Render(bool packed)
    {
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        CQtDC dc(&image);
        CDBase* db = CDBase::Instance();
        db->SetRepaintCacheUse(packed);
        db->DrawAllUnSel(&dc, 0, 1, 1);
        db->SetRepaintCacheUse(true);
        return image;
    }

    // The entity at index, found without the list's editing access (which
    // would itself note a change).
    static CDbCurve* Curve(int index)
    {
        const CTypedPtrList<CObList, CDbEntity*>& list = std::as_const(*CDBase::Instance()).GetEntities();
        return static_cast<CDbCurve*>(list.GetAt(list.FindIndex(index)));
    }

    CLooker m_looker;
    CLayer* m_layer = nullptr;
};

TEST_F(RepaintCacheTest, PackedRepaintEqualsTheEntityByEntityRepaintAfterEveryEdit)
{
    CDBase* db = CDBase::Instance();
    Fill(db);
    const double centre[2] = {180.0, 120.0};
    // Each edit changes what the view shows; the packed repaint right after it
    // must draw what drawing entity by entity draws.
    struct Edit {
        const char* label;
        std::function<void()> apply;
        bool remakes = true;  // false: layers and the view are read at each repaint
    };
    const Edit edits[] = {
        {"first repaint (display points made)", [] {}},
        {"line end moved through GetCurve",
         [] {
             const double p[2] = {5.0, 5.0};
             static_cast<CGeLine*>(Curve(50)->GetCurve())->ModifyStartPoint(const_cast<double*>(p));
         }},
        {"arc moved through GetCurve",
         [] {
             double d[2] = {40.0, -30.0};
             Curve(51)->GetCurve()->Translate(d);
         }},
        {"display points written in place",
         [] {
             Curve(103)->GetCurve()->GetSWPoint()[0][0] += 70.0;
         }},
        {"entity moved", [] {
             const double a[2] = {0, 0}, b[2] = {-30, 20};
             Curve(151)->Move(a, b);
         }},
        {"entity scaled", [&] {
             const double f[2] = {3.0, 3.0};
             Curve(200)->Scale(centre, f);
         }},
        {"arc redivided", [] { Curve(75)->GetCurve()->Discrete(3.0); }},
        {"arc replaced", [] {
             auto* arc = new CGeArc;
             const double c[2] = {200.0, 150.0};
             arc->CreateCSEAngle(c, 30.0, 0.0, 3.0);
             Curve(401)->SetCurve(arc);
         }},
        {"colour", [] { Curve(600)->SetColor(RGB(250, 0, 250)); }},
        {"hidden", [] { Curve(700)->SetVisible(FALSE); }},
        {"selected", [] { Curve(50)->SetSelected(TRUE); }},
        {"second layer hidden", [&] { m_layer->SetInVisible(); }, false},
        {"moved to the hidden second layer", [&] { Curve(52)->SetLayerID(m_layer->GetID()); }},
        {"second layer shown", [&] { m_layer->SetVisible(); }, false},
        {"removed", [] {
             CDbEntity* e = Curve(800);
             CDBase::Instance()->Remove(e);
             delete e;
         }},
        {"undoable delete and add", [] {
             CDbEntityList removed, added;
             removed.AddTail(Curve(0));
             const double p[2] = {20, 20}, q[2] = {300, 200};
             added.AddTail(dbGenLine(p, q));
             qvEntListToManager(&added, &removed, L"Edit");
         }},
        {"undo", [] { CActionManager::Instance()->Undo(); }},
        {"redo", [] { CActionManager::Instance()->Redo(); }},
        {"zero-length line added", [] {
             const double p[2] = {123.4, 56.7};
             CDbCurve* e = dbGenLine(p, p);
             e->SetColor(RGB(0, 200, 200));
             CDBase::Instance()->AddTail(e);
         }},
        {"short line and line out past the drawing guard added", [] {
             const double p[2] = {150.3, 90.2}, q[2] = {151.9, 91.1}, far[2] = {4e7, 3e7};
             CDbCurve* e = dbGenLine(p, q);
             e->SetColor(RGB(250, 120, 0));
             CDBase::Instance()->AddTail(e);
             e = dbGenLine(q, far);
             e->SetColor(RGB(250, 120, 0));
             CDBase::Instance()->AddTail(e);
         }},
        {"zoomed in", [&] { m_looker.SetScale(m_looker.GetScale() * 20.0); }, false},
        {"panned", [&] { m_looker.MoveView(7.3, -4.1); }, false},
        {"whole drawing rotated", [&] {
             for (CDbEntity* e : CDBase::Instance()->GetEntities())
                 if (auto* c = dynamic_cast<CDbCurve*>(e)) c->GetCurve()->Rotate(const_cast<double*>(centre), 0.01);
         }},
    };
    QImage before = Render(false);
    for (const Edit& edit : edits) {
        const int builds = db->GetRepaintCacheBuilds();
        edit.apply();
        const QImage packed = Render(true);
        const QImage plain = Render(false);
        EXPECT_TRUE(packed == plain) << edit.label;
        if (edit.remakes) {
            EXPECT_GT(db->GetRepaintCacheBuilds(), builds) << edit.label << ": the packed data were made afresh";
        }
        if (std::string(edit.label).find("first") == std::string::npos) {
            EXPECT_FALSE(plain == before) << edit.label << ": the edit shows";
        }
        before = plain;
    }
}

TEST_F(RepaintCacheTest, FirstDrawsChangeArcBoxesAndTheRepaintFollows)
{
    // Zoomed in before anything was drawn: the arcs outside keep their exact
    // boxes, and get the boxes of their display points when a later view
    // draws them first.
    CDBase* db = CDBase::Instance();
    Fill(db);
    const double scale = m_looker.GetScale();
    const double steps[][3] = {{20.0, 0.0, 0.0}, {1.0, 0.0, 0.0}, {5.0, 60.0, 40.0}, {0.8, -90.0, 10.0}};
    for (const auto& step : steps) {
        m_looker.SetScale(scale * step[0]);
        m_looker.MoveView(step[1], step[2]);
        const QImage packed = Render(true);
        EXPECT_TRUE(packed == Render(false)) << "scale x" << step[0];
    }
}

// The drawing calls (strokes and pixels, with their pens) of a repaint into a
// recording context, in order; pen selections are left out, as drawing entity
// by entity selects a pen per entity.
std::vector<std::string> DrawingCalls(bool packed)
{
    RecordingDC dc;
    CPen pen(PS_SOLID, 1, RGB(5, 5, 5));
    dc.SelectObject(&pen);
    CDBase* db = CDBase::Instance();
    db->SetRepaintCacheUse(packed);
    db->DrawAllUnSel(&dc, 0, 1, 1);
    db->SetRepaintCacheUse(true);
    std::vector<std::string> calls;
    for (const DCRecord& r : dc.GetRecords()) {
        if (r.kind == DCRecord::SelectPen || r.kind == DCRecord::SetROP2) continue;
        std::string call = std::to_string(int(r.kind)) + " colour " + std::to_string(r.colour) + " pen " +
                           std::to_string(r.pen.colour) + "/" + std::to_string(r.pen.width) + " rop " +
                           std::to_string(r.rop2) + ":";
        for (const POINT& p : r.points) call += " " + std::to_string(p.x) + "," + std::to_string(p.y);
        calls.push_back(call);
    }
    return calls;
}

TEST_F(RepaintCacheTest, PackedRepaintMakesTheCallsOfTheEntityByEntityRepaintOnRandomViews)
{
    // Views from the whole drawing down to a few entities, at scales and
    // origins that give inexact pixels, some so close that strokes reach past
    // the drawing guard (65536 px outside the view): the packed repaint's
    // shortcuts (pixels of boxes and points, short strokes) must make the
    // very calls of drawing each entity, in the same order.
    CDBase* db = CDBase::Instance();
    Fill(db);
    // Arcs of a few sizes, repeated (the repaint remembers an arc size's
    // drawing step), some so alike that they have as many display points.
    const double sizes[][2] = {{1.5, 5.0}, {1.56, 5.0}, {1.5, 5.08}, {4.0, 2.0}};
    for (int i = 0; i < 400; ++i) {
        auto* arc = new CGeArc;
        const double c[2] = {10.0 + (i % 20) * 19.0, 10.0 + (i / 20) * 14.0};
        const double* size = sizes[i % 4];
        arc->CreateCSEAngle(c, size[0], 0.3 * (i % 3), 0.3 * (i % 3) + size[1]);
        db->AddTail(new CDbCurve(arc));
    }
    DrawingCalls(false);  // display points made: arcs' boxes are final
    const double fit = m_looker.GetScale();
    double org[2];
    m_looker.GetOrgPoint(org);
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::size_t calls = 0;
    for (int k = 0; k < 60; ++k) {
        // Zoom from x0.05 to x2000 of the whole view (guard crossings from
        // about x100 on), origins over the drawing.
        const double magnify = std::pow(10.0, -1.3 + 4.6 * unit(rng));
        m_looker.SetScale(fit * magnify);
        m_looker.SetOrgPoint(org[0] + 400.0 * (unit(rng) - 0.5), org[1] + 300.0 * (unit(rng) - 0.5));
        const std::vector<std::string> plain = DrawingCalls(false);
        const std::vector<std::string> packed = DrawingCalls(true);
        ASSERT_EQ(packed.size(), plain.size()) << "view " << k << " x" << magnify;
        for (std::size_t c = 0; c < plain.size(); ++c)
            ASSERT_EQ(packed[c], plain[c]) << "view " << k << " x" << magnify << ", call " << c;
        calls += plain.size();
    }
    EXPECT_GT(calls, 30000u) << "the views drew";
}

TEST_F(RepaintCacheTest, RepaintsWithoutEditsReuseThePackedData)
{
    CDBase* db = CDBase::Instance();
    Fill(db);
    Render(true);  // makes the display points
    Render(true);
    const int builds = db->GetRepaintCacheBuilds();
    const QImage first = Render(true);
    m_looker.SetScale(m_looker.GetScale() * 1.2);
    Render(true);
    m_looker.SetScale(m_looker.GetScale() / 1.2);
    EXPECT_TRUE(Render(true) == first);
    EXPECT_EQ(db->GetRepaintCacheBuilds(), builds) << "zooming is no edit";
}

}  // namespace
