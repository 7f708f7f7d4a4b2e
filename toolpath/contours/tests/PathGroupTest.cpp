#include "toolpath/contours/PathGroup.h"

#include "framework/db/DbPathGroup.h"
#include "framework/looker/QVGlobal.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeCurve3d.h"
#include "toolpath/contours/SmartCurve.h"
#include "toolpath/contours/tests/CurveFixtures.h"
#include "testing/PathOracle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace pathtest;

namespace {

constexpr double kPi = 3.141592653589793;

std::vector<CPathEntity*> Entities(const CPathCombine& c)
{
    std::vector<CPathEntity*> v;
    for (CPathEntity* e = c.head; e; e = e->next) v.push_back(e);
    return v;
}

CPathLine3D* Line(P3 a, P3 b) { return new CPathLine3D(a.data(), b.data()); }

// A combine of entities appended in order.
CPathCombine* Combine(std::uint16_t op, std::vector<CPathEntity*> es)
{
    auto* c = new CPathCombine(op);
    for (CPathEntity* e : es) PathCombineAppend(e, c);
    return c;
}

CPathGroup* Group(std::vector<CPathCombine*> cs)
{
    auto* g = new CPathGroup(pathc::kGroupKind);
    for (CPathCombine* c : cs) {
        c->next = nullptr;
        PathGroupAppend(0, g, c);
    }
    return g;
}

int UnitCount(const CDbPathGroup* db) { return db ? int(db->m_listUnit.GetCount()) : 0; }

TEST(PathGroupTest, KindComesFromTheOperationCode)
{
    const struct {
        std::uint16_t op;
        std::uint8_t kind;
    } rows[] = {{0, 255}, {1, 9}, {2, 7}, {3, 8}, {4, 2}, {5, 3}, {6, 3}, {7, 8}, {8, 8}, {9, 8}, {10, 8}, {11, 255}, {400, 255}};
    for (const auto& r : rows) {
        CPathCombine c(r.op);
        CPathEntity* e = PathCombineAppend(Line({0, 0, 0}, {1, 0, 0}), &c);
        EXPECT_EQ(e->kind, r.kind) << "op " << r.op;
        auto* set = Line({1, 0, 0}, {2, 0, 0});
        set->kind = 4;
        PathCombineAppend(set, &c);
        EXPECT_EQ(set->kind, 4) << "a set kind stays, op " << r.op;
    }
    CPathCombine c(1);
    EXPECT_EQ(PathCombineAppend(nullptr, &c), nullptr);
}

TEST(PathGroupTest, InsertLinksWhereAsked)
{
    CPathCombine c(2);
    CPathEntity* a = PathCombineInsert(Line({0, 0, 0}, {1, 0, 0}), &c, nullptr);
    EXPECT_EQ(c.head, a) << "an empty combine appends";
    CPathEntity* front = PathCombineInsert(Line({-1, 0, 0}, {0, 0, 0}), &c, nullptr);
    CPathEntity* last = PathCombineInsert(Line({1, 0, 0}, {2, 0, 0}), &c, a);
    CPathEntity* mid = PathCombineInsert(Line({0.5, 0, 0}, {0.6, 0, 0}), &c, front);
    const std::vector<CPathEntity*> want{front, mid, a, last};
    EXPECT_EQ(Entities(c), want);
    EXPECT_EQ(c.tail, last);
    EXPECT_EQ(last->prev, a);
    EXPECT_EQ(mid->prev, front);
    EXPECT_EQ(mid->kind, 7);
    PathCombineClear(&c);
    EXPECT_EQ(c.head, nullptr);
    EXPECT_EQ(c.tail, nullptr);
}

TEST(PathGroupTest, SmartCurveBecomesEntitiesOnTheCurve)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 20; ++round) {
        CSmartCurve* curve = curvetest::RandomChain(rng, 12, 50, false);
        const double z = -1.5;
        std::vector<CSmartSect*> sects = curvetest::Sects(*curve);
        CPathCombine c(3);
        AddCurveToPathCombine(curve, &c, 0, z);
        double total = 0;
        int arcs = 0, bigArcs = 0;
        for (CSmartSect* s : sects) {
            if (!s->IsSectArc()) continue;
            double pts[20][2];
            if (DiscretizeArcSect(pts, 20, 0.001, static_cast<CSmartArc*>(s)) > 1) ++bigArcs;
        }
        P3 prevEnd{};
        bool first = true;
        for (CPathEntity* e : Entities(c)) {
            total += e->GetLength();
            arcs += e->type == pathc::kTypeArc;
            EXPECT_EQ(e->kind, 8);
            for (int i = 0; i <= 10; ++i) {
                const P3 p = Sample(*e, i / 10.0);
                EXPECT_EQ(p[2], z);
                double foot[2], d = 1e9;
                curve->MinDistSect(p.data(), foot, d);
                EXPECT_LT(d, 1e-9) << "round " << round;
            }
            double s[3], en[3];
            e->GetEndPoint(0, s);
            e->GetEndPoint(1, en);
            if (!first) {
                EXPECT_LT(Dist(prevEnd, {s[0], s[1], s[2]}), 1e-9) << "entities join, round " << round;
            }
            prevEnd = {en[0], en[1], en[2]};
            first = false;
        }
        EXPECT_EQ(arcs, bigArcs) << "arcs of more than one chord stay arcs, round " << round;
        EXPECT_NEAR(total, curve->GetLength(), 1e-6 * curve->GetLength()) << "round " << round;
        delete curve;
    }
}

TEST(PathGroupTest, LongLineRunsSplitAt4000Points)
{
    auto* curve = new CSmartCurve;
    for (int i = 0; i < 5000; ++i) {
        const double a[2] = {double(i), std::sin(i * 0.01)}, b[2] = {double(i + 1), std::sin((i + 1) * 0.01)};
        curve->AddSect(new CSmartLine(a, b));
    }
    CPathCombine c(1);
    AddCurveToPathCombine(curve, &c, 1, -2);
    const std::vector<CPathEntity*> es = Entities(c);
    ASSERT_EQ(es.size(), 2u);
    auto* p0 = static_cast<CPathPLine3D*>(es[0]);
    auto* p1 = static_cast<CPathPLine3D*>(es[1]);
    EXPECT_EQ(p0->count + 1, 4000);
    EXPECT_EQ(p1->count + 1, 1002);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(p0->points[3999][k], p1->points[0][k]) << "shared joint";
    for (CPathPLine3D* p : {p0, p1})
        for (int i = 0; i <= p->count; ++i) ASSERT_EQ(p->points[i][2], -2.0);

    // A lone tiny arc (one chord at 0.001) is a two-point polyline.
    auto* tiny = new CSmartCurve;
    const double centre[2] = {0, 0};
    tiny->AddSect(new CSmartArc(centre, 1.0, 0.0, 0.01));
    CPathCombine t(1);
    AddCurveToPathCombine(tiny, &t, 1, 0);
    ASSERT_NE(t.head, nullptr);
    EXPECT_EQ(t.head, t.tail);
    EXPECT_EQ(t.head->type, pathc::kTypePLine);
    EXPECT_EQ(static_cast<CPathPLine3D*>(t.head)->count, 1);
    AddCurveToPathCombine(nullptr, &t, 1, 0);
}

// Every database curve, sampled by its own GetPointAt, lies on the group's entities.
void ExpectDbOnEntities(const CDbPathGroup& db, const CPathGroup& g, double tol, const std::string& what)
{
    std::vector<std::vector<P3>> chains;
    for (CPathCombine* c = g.head; c; c = c->next)
        for (CPathEntity* e : Entities(*c)) chains.push_back(Chain(*e, 20000));
    for (CDbPathUnit* unit : db.m_listUnit) {
        for (CGeCurve3d* m : unit->GetCurve()->m_listCurve) {
            std::vector<P3> samples;
            if (m->GetType() == 8192) {
                for (int seg = 1; seg < m->GetSegmentCount() + 1; ++seg)
                    for (double t : {0.0, 0.25, 0.5, 0.75}) {
                        P3 p;
                        m->GetPointAt(t, p.data(), seg);
                        samples.push_back(p);
                    }
            } else {
                for (int i = 0; i <= 40; ++i) {
                    P3 p;
                    m->GetPointAt(i / 40.0, p.data(), 0);
                    samples.push_back(p);
                }
            }
            P3 e;
            m->GetEndPoint(e.data());
            samples.push_back(e);
            for (const P3& p : samples) {
                double best = 1e9;
                for (const auto& ch : chains) best = std::min(best, DistToChain(p, ch));
                EXPECT_LT(best, tol) << what << ": member type " << m->GetType();
            }
        }
    }
}

TEST(PathGroupTest, DatabaseCurvesLieOnTheEntities)
{
    auto* general = NewArc(3, {0, 0, 0}, 2, 0.3, 2.4, 0);
    general->frame = std::make_unique<double[]>(9);
    const double f[9] = {0.6, 0.8, 0, 0, 0, 1, 0.8, -0.6, 0};
    std::copy(f, f + 9, general->frame.get());
    auto* pl = new CPathPLine3D;
    const double pts[12] = {10, 0, 0, 11, 1, 0.5, 12, 0, 1, 13, 2, 0};
    SetPathPLinePoints(pl, 3, pts);
    CPathGroup* g = Group({
        Combine(1, {Line({0, 0, 0}, {2, 1, 1}), NewArc(0, {5, 5, 0}, 3, 0, 4.0, 2.5), NewArc(1, {0, 5, 5}, 2, 1, 3, -1)}),
        Combine(2, {NewArc(2, {5, 0, 5}, 2, -1, 2, 0), NewArc(0, {-5, 0, 1}, 1.5, 3, -2, 0), general, pl}),
    });
    std::unique_ptr<CDbPathGroup> db(PathGroupToDbPathGroup(g));
    ASSERT_TRUE(db);
    ExpectDbOnEntities(*db, *g, gGetCrvDiscTol() + 1e-9, "mixed group");
    // A helix rises: its database curve ends where the entity ends.
    CPathEntity* helix = g->head->head->next;
    int members = 0;
    for (CDbPathUnit* u : db->m_listUnit) members += int(u->GetCurve()->m_listCurve.GetCount());
    EXPECT_EQ(members, 7);
    double want[3];
    helix->GetEndPoint(1, want);
    bool found = false;
    for (CDbPathUnit* u : db->m_listUnit)
        for (CGeCurve3d* m : u->GetCurve()->m_listCurve) {
            double e[3];
            m->GetEndPoint(e);
            found = found || Dist({e[0], e[1], e[2]}, {want[0], want[1], want[2]}) < 1e-9;
        }
    EXPECT_TRUE(found) << "the helix's database curve reaches its end height";
    delete g;
}

TEST(PathGroupTest, UnitsBreakAtGapsAboveTheTolerance)
{
    const struct {
        const char* label;
        double gap;
        bool acrossCombines;
        int units;
    } rows[] = {
        {"touching", 0, false, 1},          {"0.0009 apart", 0.0009, false, 1}, {"0.0011 apart", 0.0011, false, 2},
        {"touching combines", 0, true, 1},  {"0.0009 across", 0.0009, true, 1}, {"0.0011 across", 0.0011, true, 2},
        {"0.002 across", 0.002, true, 2},
    };
    for (const auto& r : rows) {
        CPathEntity* a = Line({0, 0, 0}, {1, 0, 0});
        CPathEntity* b = Line({1 + r.gap, 0, 0}, {2, 1, 0});
        CPathEntity* c = Line({2, 1, 0}, {3, 1, 0});
        CPathGroup* g = r.acrossCombines ? Group({Combine(1, {a}), Combine(2, {b, c})}) : Group({Combine(1, {a, b, c})});
        std::unique_ptr<CDbPathGroup> db(PathGroupToDbPathGroup(g));
        EXPECT_EQ(UnitCount(db.get()), r.units) << r.label;
        delete g;
    }
    CPathGroup* empty = Group({new CPathCombine(1), new CPathCombine(2)});
    EXPECT_EQ(PathGroupToDbPathGroup(empty), nullptr) << "all combines empty";
    delete empty;
    CPathGroup none(pathc::kGroupKind);
    EXPECT_EQ(PathGroupToDbPathGroup(&none), nullptr) << "no combine";
    EXPECT_EQ(PathGroupToDbPathGroup(nullptr), nullptr);
}

TEST(PathGroupTest, AppendAndRotateMoveEveryEntity)
{
    CPathGroup g(pathc::kGroupKind);
    EXPECT_EQ(g.kind, 302);
    EXPECT_EQ(g.toolId, -1);
    EXPECT_EQ(g.counter1, 9);
    auto* c1 = Combine(1, {Line({0, 0, 0}, {1, 0, 0})});
    auto* c2 = Combine(2, {Line({1, 0, 0}, {1, 1, 0})});
    auto* c3 = Combine(3, {NewArc(0, {0, 0, 0}, 1, 0, 1, 0)});
    c2->next = c3;
    PathGroupAppend(0.5, &g, c1);
    PathGroupAppend(2, &g, c2);
    EXPECT_EQ(g.head, c1);
    EXPECT_EQ(g.tail, c3);
    EXPECT_EQ(static_cast<CPathLine3D*>(c1->head)->start[2], -0.5);
    EXPECT_EQ(static_cast<CPathLine3D*>(c2->head)->end[2], -2.0);
    EXPECT_EQ(static_cast<CPathArc3D*>(c3->head)->centre[2], -2.0);

    PathGroupRotate(kPi / 2, &g);
    auto* l2 = static_cast<CPathLine3D*>(c2->head);
    EXPECT_NEAR(l2->start[0], 0, 1e-12);
    EXPECT_NEAR(l2->start[1], 1, 1e-12);
    EXPECT_NEAR(static_cast<CPathArc3D*>(c3->head)->startAngle, kPi / 2, 1e-12);
    PathGroupRotateBack(kPi / 2, &g);
    // RotateX(cos(-a), sin(-a)) with c = 0, s = -1 on (0, 1, -2): y' = c y + s z, z' = c z - s y.
    EXPECT_NEAR(l2->start[1], 2, 1e-12);
    EXPECT_NEAR(l2->start[2], 1, 1e-12);
}

}  // namespace
