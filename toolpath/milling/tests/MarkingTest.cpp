// Marking and narrowing of the drop-cutter model against a plain filter of the
// element boxes, on meshes large enough for the indexes and with long plate facets.
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <random>

namespace {

using BoxTest = std::function<bool(const BOX3<double>&)>;

std::vector<int> Ids(const CMeshAccel::List& l, bool active)
{
    const auto& v = active ? l.active : l.marked;
    return std::vector<int>(v.begin(), v.begin() + (active ? l.activeCount : l.markedCount));
}

// Plain filter over all elements of a kind, or over the given marked ids.
std::vector<int> Filter(const CCheckMesh& m, int kind, const BoxTest& t, const std::vector<int>* within = nullptr)
{
    std::vector<int> out;
    if (within) {
        for (int id : *within)
            if (t(m.ElementBox(kind, id))) out.push_back(id);
        return out;
    }
    for (int i = 0; i < m.ElementCount(kind); ++i)
        if (t(m.ElementBox(kind, i))) out.push_back(i);
    return out;
}

bool Overlap(double a0, double a1, double b0, double b1, double tol) { return !(b1 + tol < a0 || b0 - tol > a1); }

TEST(DropCutterMarking, EveryMarkingEqualsAPlainFilterOfTheElementBoxes)
{
    const auto terrain = milltest::RoundToFloat(millkit::TerrainMesh(
        [](double x, double y) { return std::sin(x) * std::cos(y); }, -10, -10, 20, 30));
    const auto plate = milltest::RoundToFloat(millkit::HemisphereOnPlate(3, 12, 32));
    CTBull tool(1.5, 0.3);
    tool.SetAidParam();
    auto model = milltest::MakeModel({terrain, plate}, &tool, 0.5);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-13, 13), uz(-2, 4), len(0, 3);

    for (int round = 0; round < 60; ++round) {
        const double x0 = u(rng), y0 = u(rng), z0 = uz(rng);
        const double x1 = x0 + len(rng), y1 = y0 + len(rng), z1 = z0 + len(rng);
        BOX3<double> b3;
        b3.xmin = x0, b3.ymin = y0, b3.zmin = z0, b3.xmax = x1, b3.ymax = y1, b3.zmax = z1;
        const BOX2<double> b2(x0, y0, x1, y1);
        struct MarkRow {
            const char* label;
            std::function<void()> mark;
            std::function<bool(const CCheckMesh&)> meshMeets;
            BoxTest element;
        };
        const MarkRow marks[] = {
            {"Mark_Box3D", [&] { model->Mark_Box3D(b3); }, [&](const CCheckMesh& m) { return m.box.IsIntersect(b3, 0.01); },
             [&](const BOX3<double>& e) { return e.IsIntersect(b3, 0.01); }},
            {"Mark_Box2D", [&] { model->Mark_Box2D(b2); },
             [&](const CCheckMesh& m) { return Overlap(m.box.xmin, m.box.xmax, x0, x1, 0.01) && Overlap(m.box.ymin, m.box.ymax, y0, y1, 0.01); },
             [&](const BOX3<double>& e) { return Overlap(e.xmin, e.xmax, x0, x1, 0.01) && Overlap(e.ymin, e.ymax, y0, y1, 0.01); }},
            {"Mark_IsoYLine", [&] { model->Mark_IsoYLine(y0); }, [&](const CCheckMesh& m) { return m.box.ymin <= y0 && y0 <= m.box.ymax; },
             [&](const BOX3<double>& e) { return e.ymin <= y0 && y0 <= e.ymax; }},
            {"Mark_IsoXLine", [&] { model->Mark_IsoXLine(x0); }, [&](const CCheckMesh& m) { return m.box.xmin <= x0 && x0 <= m.box.xmax; },
             [&](const BOX3<double>& e) { return e.xmin <= x0 && x0 <= e.xmax; }},
            {"Mark_XInterval (ends swapped)", [&] { model->Mark_XInterval(x1, x0); },
             [&](const CCheckMesh& m) { return Overlap(m.box.xmin, m.box.xmax, x0, x1, 0); },
             [&](const BOX3<double>& e) { return Overlap(e.xmin, e.xmax, x0, x1, 0); }},
        };
        for (const MarkRow& row : marks) {
            row.mark();
            for (int mi = 0; mi < model->MeshCount(); ++mi) {
                const CCheckMesh& m = *model->Mesh(mi);
                const CMeshAccel& acc = *model->Mesh(mi)->GetAccel();
                for (int kind = 0; kind < 3; ++kind) {
                    const auto want = row.meshMeets(m) ? Filter(m, kind, row.element) : std::vector<int>{};
                    ASSERT_EQ(Ids(acc.lists[kind], false), want) << row.label << " mesh " << mi << " kind " << kind;
                    ASSERT_EQ(Ids(acc.lists[kind], true), want) << row.label << " active, mesh " << mi << " kind " << kind;
                }
            }
            // Narrowing inside that marked set, twice in a row (the marked set stays).
            const double a = u(rng), b = a + len(rng) * 2;
            BOX3<double> s3;
            s3.xmin = a, s3.ymin = y0 - 1, s3.zmin = z0, s3.xmax = b, s3.ymax = y1 + 1, s3.zmax = z1 + 2;
            const BOX2<double> s2(a, y0 - 1, b, y1 + 1);
            struct SubRow {
                const char* label;
                std::function<void()> narrow;
                std::function<bool(const CCheckMesh&)> meshMeets;
                BoxTest element;
            };
            const SubRow subs[] = {
                {"MarkSub_Box3D", [&] { model->MarkSub_Box3D(s3); }, [&](const CCheckMesh& m) { return m.box.IsIntersect(s3, 0.01); },
                 [&](const BOX3<double>& e) { return e.IsIntersect(s3, 0.005); }},
                {"MarkSub_Box2D", [&] { model->MarkSub_Box2D(s2); },
                 [&](const CCheckMesh& m) { return Overlap(m.box.xmin, m.box.xmax, a, b, 0.01) && Overlap(m.box.ymin, m.box.ymax, y0 - 1, y1 + 1, 0.01); },
                 [&](const BOX3<double>& e) { return Overlap(e.xmin, e.xmax, a, b, 0.005) && Overlap(e.ymin, e.ymax, y0 - 1, y1 + 1, 0.005); }},
                {"MarkSub_Interval x", [&] { model->MarkSub_Interval(b, a, 0); },
                 [&](const CCheckMesh& m) { return Overlap(m.box.xmin, m.box.xmax, a, b, 0); },
                 [&](const BOX3<double>& e) { return Overlap(e.xmin, e.xmax, a, b, 0.01); }},
                {"MarkSub_Interval y", [&] { model->MarkSub_Interval(a, b, 1); },
                 [&](const CCheckMesh& m) { return Overlap(m.box.ymin, m.box.ymax, a, b, 0); },
                 [&](const BOX3<double>& e) { return Overlap(e.ymin, e.ymax, a, b, 0.01); }},
                {"Mark_YInterval", [&] { model->Mark_YInterval(a, b); },
                 [&](const CCheckMesh& m) { return Overlap(m.box.ymin, m.box.ymax, a, b, 0); },
                 [&](const BOX3<double>& e) { return Overlap(e.ymin, e.ymax, a, b, 0.01); }},
                {"MarkSub_Interval z", [&] { model->MarkSub_Interval(z0, z1, 2); },
                 [&](const CCheckMesh& m) { return Overlap(m.box.zmin, m.box.zmax, z0, z1, 0); },
                 [&](const BOX3<double>& e) { return Overlap(e.zmin, e.zmax, z0, z1, 0.01); }},
            };
            for (const SubRow& sub : subs) {
                std::vector<std::vector<int>> before;
                for (int mi = 0; mi < model->MeshCount(); ++mi)
                    for (int kind = 0; kind < 3; ++kind) before.push_back(Ids(model->Mesh(mi)->GetAccel()->lists[kind], false));
                sub.narrow();
                for (int mi = 0; mi < model->MeshCount(); ++mi) {
                    const CCheckMesh& m = *model->Mesh(mi);
                    const CMeshAccel& acc = *model->Mesh(mi)->GetAccel();
                    for (int kind = 0; kind < 3; ++kind) {
                        const auto& marked = before[size_t(mi * 3 + kind)];
                        const auto want = sub.meshMeets(m) ? Filter(m, kind, sub.element, &marked) : std::vector<int>{};
                        ASSERT_EQ(Ids(acc.lists[kind], true), want) << row.label << " then " << sub.label << " mesh " << mi << " kind " << kind;
                        ASSERT_EQ(Ids(acc.lists[kind], false), marked) << sub.label << " keeps the marked set";
                    }
                }
            }
        }
    }
}

TEST(DropCutterMarking, VertexIntervalMarkingTakesTheElementsOwnVertices)
{
    const auto terrain = milltest::RoundToFloat(millkit::TerrainMesh(
        [](double x, double y) { return 0.3 * x + std::sin(y); }, -5, -5, 10, 12));
    CTBall tool(2);
    tool.SetAidParam();
    auto model = milltest::MakeModel({terrain}, &tool, 0.5);
    const CCheckMesh& m = *model->Mesh(0);
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> u(-7, 7), len(0, 2);
    for (int round = 0; round < 30; ++round) {
        const double a = u(rng), b = a + len(rng);
        model->Mark_XIntervalEx(b, a);
        for (int kind = 0; kind < 3; ++kind) {
            std::vector<int> want;
            if (!(m.box.xmax < a || m.box.xmin > b))
                for (int i = 0; i < m.ElementCount(kind); ++i) {
                    const int* v = kind == 0 ? m.Triangle(i).v : kind == 1 ? m.Quad(i).v : m.Edge(i).v;
                    const int n = kind == 0 ? 3 : kind == 1 ? 4 : 2;
                    double lo = 1e300, hi = -1e300;
                    for (int k = 0; k < n; ++k) lo = std::min(lo, m.Vertex(v[k])[0]), hi = std::max(hi, m.Vertex(v[k])[0]);
                    if (!(hi < a || lo > b)) want.push_back(i);
                }
            ASSERT_EQ(Ids(model->Mesh(0)->GetAccel()->lists[kind], false), want) << "interval " << a << ", " << b << " kind " << kind;
        }
    }
}

TEST(DropCutterMarking, NonFiniteVerticesNeitherMarkNorBreakTheIndex)
{
    auto terrain = milltest::RoundToFloat(millkit::TerrainMesh([](double x, double y) { return x * y * 0.01; }, 0, 0, 10, 12));
    terrain.vertices[20][0] = std::nan("");
    terrain.vertices[40][2] = std::numeric_limits<double>::infinity();
    CTBall tool(1);
    tool.SetAidParam();
    auto model = milltest::MakeModel({terrain}, &tool, 0.5);
    ASSERT_TRUE(model);
    const CCheckMesh& m = *model->Mesh(0);
    for (double y : {0.5, 2.3, 5.0, 9.9}) {
        model->Mark_IsoYLine(y);
        model->MarkSub_Interval(1, 4, 0);
        for (int kind = 0; kind < 3; ++kind) {
            const auto marked = Filter(m, kind, [&](const BOX3<double>& e) { return e.ymin <= y && y <= e.ymax; });
            ASSERT_EQ(Ids(model->Mesh(0)->GetAccel()->lists[kind], false), marked) << "y " << y << " kind " << kind;
            const auto active = Filter(m, kind, [&](const BOX3<double>& e) { return Overlap(e.xmin, e.xmax, 1, 4, 0.01); }, &marked);
            ASSERT_EQ(Ids(model->Mesh(0)->GetAccel()->lists[kind], true), active) << "y " << y << " kind " << kind;
        }
        CNcPoint p(2.5, y, -10);
        model->LiftZ(p);
        EXPECT_TRUE(std::isfinite(p.z)) << "y " << y;
    }
}

TEST(DropCutterMarking, EdgeCases)
{
    const auto a = milltest::RoundToFloat(millkit::TerrainMesh([](double, double) { return 0.0; }, 0, 0, 4, 3));
    const auto b = milltest::RoundToFloat(millkit::TerrainMesh([](double, double) { return 1.0; }, 10, 0, 4, 3));
    CTBall ball(1);
    ball.SetAidParam();
    auto model = milltest::MakeModel({a, b}, &ball, 0.5);
    const auto counts = [&](int mi) {
        const auto& l = model->Mesh(mi)->GetAccel()->lists;
        return std::vector<int>{l[0].activeCount, l[0].markedCount, l[2].activeCount, l[2].markedCount};
    };
    model->Mark_Box2D(BOX2<double>(-1, -1, 20, 5));
    const auto all0 = counts(0), all1 = counts(1);
    model->MarkSub_Interval(0, 1, 3);
    EXPECT_EQ(counts(0), all0) << "axis 3 changes nothing";
    EXPECT_EQ(counts(1), all1) << "axis 3 changes nothing";

    BOX3<double> onlyA;
    onlyA.xmin = 0, onlyA.ymin = 0, onlyA.zmin = -1, onlyA.xmax = 4, onlyA.ymax = 4, onlyA.zmax = 2;
    model->Mark_Box3D(onlyA);
    BOX3<double> onlyB = onlyA;
    onlyB.xmin = 10, onlyB.xmax = 14;
    model->MarkSub_Box3D(onlyB);
    EXPECT_EQ(counts(1)[0] + counts(1)[2], 0) << "a mesh the marking missed gives no candidates";

    BOX3<double> box;
    CCheckModel empty;
    EXPECT_EQ(empty.GetBox(box), 0) << "no tool, no meshes";
    CCheckModel noTool;
    noTool.AddMesh(new CCheckMesh());
    EXPECT_EQ(noTool.GetBox(box), 0) << "meshes but no tool";
}

TEST(DropCutterMarking, ProjectPointTakesTheHighestFacetOfTheMeshesUnderIt)
{
    const auto a = milltest::RoundToFloat(millkit::TerrainMesh([](double, double) { return 2.0; }, 0, 0, 4, 3));
    const auto b = milltest::RoundToFloat(millkit::TerrainMesh([](double, double) { return 7.0; }, 10, 0, 4, 3));
    CTBall ball(1);
    ball.SetAidParam();
    auto model = milltest::MakeModel({a, b}, &ball, 0.5);
    model->Mark_Box2D(BOX2<double>(-1, -1, 20, 5));
    double z = -10;
    EXPECT_EQ(model->ProjectPoint(1.3, 1.7, z), 1);
    EXPECT_DOUBLE_EQ(z, 2.0) << "only the first mesh lies under the point";
    z = -10;
    EXPECT_EQ(model->ProjectPoint(30, 1.7, z), 0);
    EXPECT_DOUBLE_EQ(z, -10) << "nothing under the point";
}

TEST(DropCutterMarking, SubModelsKeepMeshesOfAnyElementKind)
{
    // A quad-only mesh must not vanish from a sub-model.
    auto quads = std::make_unique<CGeMesh>();
    quads->vertices = {{0, 0, 0}, {2, 0, 0}, {2, 2, 1}, {0, 2, 1}, {4, 0, 0}, {4, 2, 1}};
    quads->faces4.emplace_back(0, 1, 2, 3);
    quads->faces4.emplace_back(1, 4, 5, 2);
    CCheckModel model;
    auto* m = new CCheckMesh();
    ASSERT_EQ(m->Init(quads.get()), 1);
    model.AddMesh(m);
    CTBall ball(1);
    ball.SetAidParam();
    model.SetTool(&ball);
    CCheckModel sub;
    EXPECT_EQ(model.CreateSubModel(1.0, &sub), &sub);
    ASSERT_EQ(sub.MeshCount(), 1) << "quad-only mesh kept";
    EXPECT_EQ(sub.Mesh(0)->QuadCount(), 1) << "only the quad within the radius of x = 1";
    EXPECT_EQ(sub.Mesh(0)->VertexCount(), 6) << "each vertex of the kept quad and edges once";
    EXPECT_TRUE(sub.Tool()) << "sub-model gets a tool copy";
    EXPECT_EQ(model.CreateSubModel(1.0, nullptr), nullptr);
    CCheckModel far;
    model.CreateSubModel(50.0, &far);
    EXPECT_EQ(far.MeshCount(), 0) << "nothing marked: no sub-mesh";
}

}  // namespace
