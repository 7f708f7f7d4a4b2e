// Drop-cutter lifting (both LiftZ forms, CreateLinePath, VerifyMillPath) against the
// brute-force drop of the test kit: every tool kind, analytic and real meshes, one and
// several meshes, after turning the model about Z and X.
#include "geometry/shapes2d/GeCurve.h"
#include "testing/StlReader.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using millkit::TriMesh;
using milltest::AllTools;
using milltest::CheckString;
using milltest::DropAll;
using milltest::MakeModel;
using milltest::RoundToFloat;

constexpr double kEq = 1e-9;
constexpr double kStart = -1000;  // below every test mesh

struct Scene {
    std::string name;
    std::vector<TriMesh> meshes;
};

std::vector<Scene> Scenes()
{
    std::vector<Scene> s;
    s.push_back({"terrain", {RoundToFloat(millkit::TerrainMesh(
                                [](double x, double y) { return std::sin(x * 0.7) * std::cos(y * 0.5) * 2; }, -5, -5, 10, 12))}});
    s.push_back({"hemisphere on plate", {RoundToFloat(millkit::HemisphereOnPlate(3, 6, 24))}});
    s.push_back({"torus", {RoundToFloat(millkit::TorusMesh({0, 0, 0}, 4, 1.5, 24, 12))}});
    s.push_back({"ridge", {RoundToFloat(millkit::RidgeMesh(-5, 5, 2, 3))}});
    s.push_back({"sphere and cylinder", {RoundToFloat(millkit::SphereMesh({-2, 0, 0}, 2.5, 20)),
                                         RoundToFloat(millkit::VerticalCylinderMesh({2.5, 1, -1}, 1.5, 3, 16))}});
    TriMesh wuson;
    if (millkit::ReadStl("/usr/share/assimp/models/STL/Wuson.stl", wuson)) s.push_back({"Wuson.stl", {RoundToFloat(wuson)}});
    return s;
}

BOX3<double> SceneBox(const Scene& s)
{
    BOX3<double> b;
    b.InitEmpty();
    for (const auto& m : s.meshes)
        for (const auto& v : m.vertices) b.Extend(v.data());
    return b;
}

// Per-point lifting with both forms, the model marked around each point.
void CheckPoints(const std::string& label, const std::vector<TriMesh>& meshes, CTool& tool, CCheckModel& model,
                 const BOX3<double>& b, int count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> ux(b.xmin - 1, b.xmax + 1), uy(b.ymin - 1, b.ymax + 1);
    const double r = tool.GetDia() / 2;
    int hits = 0;
    for (int i = 0; i < count; ++i) {
        const double x = ux(rng), y = uy(rng);
        const double want = std::max(kStart, DropAll(tool, meshes, x, y));
        model.Mark_Box2D(BOX2<double>(x - r, y - r, x + r, y + r));
        CNcPoint p(x, y, kStart);
        model.LiftZ(p);
        double q[3] = {x, y, kStart};
        model.LiftZ(q);
        ASSERT_NEAR(p.z, want, kEq) << label << " CNcPoint lift at " << x << ", " << y;
        ASSERT_NEAR(q[2], want, kEq) << label << " plain lift at " << x << ", " << y;
        EXPECT_EQ(p.contact == kContactNone, want == kStart) << label << " contact at " << x << ", " << y;
        hits += want > kStart;
    }
    EXPECT_GT(hits, count / 4) << label << ": too few points over the mesh to mean anything";
}

TEST(DropCutterLift, PointsEqualTheBruteForceDropForEveryToolAndMesh)
{
    for (const Scene& scene : Scenes()) {
        const BOX3<double> b = SceneBox(scene);
        for (auto& [name, tool] : AllTools(1.6)) {
            auto model = MakeModel(scene.meshes, tool.get(), 0.5);
            ASSERT_TRUE(model) << scene.name;
            CheckPoints(scene.name + " / " + name, scene.meshes, *tool, *model, b, scene.name == "Wuson.stl" ? 60 : 150, 7);
        }
    }
}

TEST(DropCutterLift, TurnedModelEqualsTheDropOnMeshesTurnedByTheTest)
{
    const TriMesh terrain = RoundToFloat(millkit::TerrainMesh(
        [](double x, double y) { return std::cos(x * 0.9 + y * 0.3) * 1.5; }, -4, -4, 8, 10));
    const TriMesh torus = RoundToFloat(millkit::TorusMesh({1, 1, 2}, 2.5, 1, 20, 10));
    for (auto& [name, tool] : AllTools(1.2)) {
        for (double angle : {0.3, -1.1}) {
            auto model = MakeModel({terrain, torus}, tool.get(), 0.5);
            model->RotateByZAxis(angle);
            model->SetTool(tool.get());
            const std::vector<TriMesh> turned = {milltest::RotateZ(terrain, angle), milltest::RotateZ(torus, angle)};
            BOX3<double> b = model->meshes[0]->box;
            CheckPoints(name + " about Z " + std::to_string(angle), turned, *tool, *model, b, 80, 3);

            auto modelX = MakeModel({terrain, torus}, tool.get(), 0.5);
            modelX->RotateByXAxis(angle * 0.3);
            const std::vector<TriMesh> turnedX = {milltest::RotateX(terrain, angle * 0.3),
                                                  milltest::RotateX(torus, angle * 0.3)};
            CheckPoints(name + " about X " + std::to_string(angle), turnedX, *tool, *modelX, modelX->meshes[0]->box, 80, 5);
        }
    }
}

// A turn about X keeps the indexes whose element ranges did not change (the edges'
// x ranges): step after step, the turned model marks the same elements in the same
// order and lifts to the same heights as a copy renewed in full by SetTool.
TEST(DropCutterLift, TurnsAboutXMarkAndLiftAsAFullRenewal)
{
    const TriMesh torus = RoundToFloat(millkit::TorusMesh({0.5, 0, 0}, 4, 1.5, 40, 16));
    const TriMesh ridge = RoundToFloat(millkit::RidgeMesh(-5, 5, 2, 3));
    for (auto& [name, tool] : AllTools(1.2)) {
        auto turned = MakeModel({torus, ridge}, tool.get(), 0.5);
        auto renewed = MakeModel({torus, ridge}, tool.get(), 0.5);
        ASSERT_TRUE(turned && renewed);
        const auto sameMarks = [&](const std::string& what) {
            for (size_t m = 0; m < turned->meshes.size(); ++m)
                for (int kind = 0; kind < 3; ++kind) {
                    const CMeshAccel::List& a = turned->meshes[m]->GetAccel()->lists[kind];
                    const CMeshAccel::List& b = renewed->meshes[m]->GetAccel()->lists[kind];
                    ASSERT_EQ(a.markedCount, b.markedCount) << name << " " << what << " mesh " << m << " kind " << kind;
                    for (int i = 0; i < a.markedCount; ++i)
                        ASSERT_EQ(a.marked[size_t(i)], b.marked[size_t(i)]) << name << " " << what;
                }
        };
        for (int step = 1; step <= 12; ++step) {
            const double inc = 0.37 - 0.05 * step;  // both signs, unequal steps
            turned->RotateByXAxis(inc);
            renewed->RotateByXAxis(inc);
            renewed->SetTool(tool.get());
            const std::string at = "step " + std::to_string(step);
            for (double y : {-3.1, 0.0, 2.2}) {
                turned->Mark_IsoYLine(y);
                renewed->Mark_IsoYLine(y);
                sameMarks(at + " iso-Y " + std::to_string(y));
                for (double x = -6; x <= 6; x += 0.75) {
                    CNcPoint p(x, y, kStart), q(x, y, kStart);
                    turned->LiftZ(p);
                    renewed->LiftZ(q);
                    ASSERT_EQ(p.z, q.z) << name << " " << at << " lift at " << x << ", " << y;
                }
            }
            for (double x : {-4.3, 0.4}) {
                turned->Mark_IsoXLine(x);
                renewed->Mark_IsoXLine(x);
                sameMarks(at + " iso-X " + std::to_string(x));
            }
            turned->Mark_Box2D(BOX2<double>(-1, -2, 1.5, 0.5));
            renewed->Mark_Box2D(BOX2<double>(-1, -2, 1.5, 0.5));
            sameMarks(at + " box");
        }
    }
}

TEST(DropCutterLift, LinePathsAndStringsLieOnTheDropSurface)
{
    for (const Scene& scene : Scenes()) {
        if (scene.name == "Wuson.stl") continue;
        const BOX3<double> b = SceneBox(scene);
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> ux(b.xmin, b.xmax), uy(b.ymin, b.ymax);
        for (auto& [name, tool] : AllTools(1.6)) {
            auto model = MakeModel(scene.meshes, tool.get(), 0.4);
            const double bottom = b.zmin - 1;
            model->SetMillDepth(b.zmax, bottom);
            const std::string label = scene.name + " / " + name;
            for (int i = 0; i < 4; ++i) {
                const double y = uy(rng);
                // Along X (the iso-Y path) and slanted (kind 1).
                const double p0[3] = {ux(rng), y, bottom}, p1[3] = {ux(rng), y, bottom};
                std::unique_ptr<CNcPline> iso(model->CreateLinePath(p0, p1, 0.005));
                ASSERT_TRUE(iso) << label;
                CheckString(label + " iso-Y line", *iso, scene.meshes, *tool, bottom);
                EXPECT_LE(iso->GetHead()->x, iso->GetTail()->x) << label << " iso-Y line runs along +X";
                // Slanted lines narrow within what the caller marked.
                const double q1[3] = {ux(rng), uy(rng), bottom};
                model->Mark_Box2D(BOX2<double>(b.xmin - 2, b.ymin - 2, b.xmax + 2, b.ymax + 2));
                std::unique_ptr<CNcPline> slant(model->CreateLinePath(p0, q1, 0.005));
                ASSERT_TRUE(slant) << label;
                CheckString(label + " slanted line", *slant, scene.meshes, *tool, bottom);
                // A string of several segments lifted with kind 2 after a box marking.
                CNcPline s;
                s.liftMode = 1;
                for (int k = 0; k < 5; ++k) {
                    const double xyz[3] = {ux(rng), uy(rng), bottom};
                    s.AddTail(xyz);
                }
                model->Mark_Box2D(BOX2<double>(b.xmin - 2, b.ymin - 2, b.xmax + 2, b.ymax + 2));
                ASSERT_EQ(s.VerifyMillPath(model.get(), 0.005, 2), 1) << label;
                CheckString(label + " string", s, scene.meshes, *tool, bottom);
            }
        }
    }
}

// The model narrowed to a segment keeps elements higher than both its ends: a flat
// tool over a tall narrow block between two low points.
TEST(DropCutterLift, ElementsAboveBothEndsStillHoldTheToolUp)
{
    TriMesh plate = millkit::TerrainMesh([](double, double) { return 0.0; }, -10, -10, 20, 4);
    TriMesh block = millkit::TerrainMesh([](double, double) { return 5.0; }, -1, -1, 2, 1);
    CTCylindrical tool(2);
    tool.SetAidParam();
    auto model = MakeModel({plate, block}, &tool, 2);
    model->SetMillDepth(5, -1);
    model->Mark_Box2D(BOX2<double>(-10, -10, 10, 10));
    const double p0[3] = {-6, -4, -1}, p1[3] = {6, 4, -1};
    std::unique_ptr<CNcPline> s(model->CreateLinePath(p0, p1, 0.005));
    ASSERT_TRUE(s);
    double highest = -1e9;
    for (POSITION pos = s->GetHeadPosition(); pos;) highest = std::max(highest, s->GetNext(pos)->z);
    EXPECT_NEAR(highest, 5.0, 1e-12) << "the block under the middle of the segment lifts the tool";
    CheckString("block", *s, {RoundToFloat(plate), RoundToFloat(block)}, tool, -1);
}

// The Part's edge cases of lifting in one table.
TEST(DropCutterLift, EdgeCases)
{
    // One quad and one triangle, both flat at z = 1.
    auto quadMesh = std::make_unique<CGeMesh>();
    quadMesh->vertices = {{0, 0, 1}, {4, 0, 1}, {4, 4, 1}, {0, 4, 1}, {8, 0, 1}, {8, 4, 1}};
    quadMesh->faces4.emplace_back(0, 1, 2, 3);
    quadMesh->faces3.emplace_back(1, 4, 5);
    CTBall ball(1);
    ball.SetAidParam();
    CCheckMesh mesh;
    ASSERT_EQ(mesh.Init(quadMesh.get()), 1);
    mesh.SetTool(&ball);
    CCheckModel model;
    model.Mark_Box3D(mesh.box);  // no meshes yet: nothing happens
    auto* m = new CCheckMesh();
    m->Init(quadMesh.get());
    model.AddMesh(m);
    model.SetTool(&ball);
    model.Mark_Box3D(m->box);

    struct Row {
        const char* label;
        double x, y, z;
        int contact;
        double wantZ;
        int result;
    };
    const Row rows[] = {
        {"quad at the current height takes contact 5", 2, 2, 1, kContactQuad, 1, 0},
        {"triangle at the current height keeps the contact", 6.5, 1, 1, kContactNone, 1, 0},
        {"below the quad rises onto it", 2, 2, 0, kContactQuad, 1, 1},
        {"point above the box top is left", 2, 2, 5, kContactNone, 5, 0},
    };
    for (const Row& r : rows) {
        CNcPoint p(r.x, r.y, r.z);
        EXPECT_EQ(m->LiftZ(model.Tool(), p), r.result) << r.label;
        EXPECT_EQ(p.contact, r.contact) << r.label;
        EXPECT_DOUBLE_EQ(p.z, r.wantZ) << r.label;
    }

    // Zero diameter: no offsets, the lifted height is the facet's own.
    auto terrain = RoundToFloat(millkit::TerrainMesh([](double x, double y) { return 0.3 * x + 0.1 * y; }, 0, 0, 4, 3));
    CTBall zero(0);
    zero.SetAidParam();
    auto zm = MakeModel({terrain}, &zero, 0.5);
    for (int k = 0; k < zm->Mesh(0)->TriangleCount(); ++k)
        for (double o : zm->Mesh(0)->Triangle(k).off) EXPECT_EQ(o, 0.0) << "zero diameter: offset of triangle " << k;
    zm->Mark_Box3D(zm->Mesh(0)->box);
    CNcPoint p(1.3, 2.2, -5);
    zm->LiftZ(p);
    EXPECT_NEAR(p.z, 0.3 * 1.3 + 0.1 * 2.2, 1e-6) << "zero diameter lifts onto the facet";

    // Strings of fewer than two points and missing models.
    CNcPline one;
    const double xyz[3] = {1, 1, 0};
    one.AddTail(xyz);
    EXPECT_EQ(one.VerifyMillPath(&model, 0.005, 1), 0) << "one-point string";
    one.AddTail(xyz);
    EXPECT_EQ(one.VerifyMillPath(nullptr, 0.005, 1), 0) << "no model";
    // Refused meshes.
    CGeMesh two;
    two.vertices = {{0, 0, 0}, {1, 0, 0}};
    CCheckMesh refused;
    EXPECT_EQ(refused.Init(&two), 0) << "two vertices";
    EXPECT_EQ(refused.Init(nullptr), 0) << "null mesh";
}

}  // namespace

namespace {

TEST(DropCutterMesh, InitBuildsEdgesAndRefusesUnusableMeshes)
{
    CGeMesh two;
    two.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    two.faces3.emplace_back(0, 1, 2);
    two.faces3.emplace_back(0, 2, 3);
    CCheckMesh m;
    ASSERT_EQ(m.Init(&two), 1) << "two triangles sharing an edge";
    EXPECT_EQ(m.VertexCount(), 4);
    EXPECT_EQ(m.EdgeCount(), 5);
    CGeMesh one;
    one.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    one.faces3.emplace_back(0, 1, 2);
    EXPECT_EQ(m.Init(&one), 1) << "a single triangle";
    EXPECT_EQ(m.EdgeCount(), 3);
    CGeMesh badIndex;
    badIndex.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    badIndex.faces3.emplace_back(0, 1, 7);
    EXPECT_EQ(m.Init(&badIndex), 0) << "a vertex index past the vertices";
}

TEST(DropCutterMesh, IsoXCurvesOfATriangleAndAQuad)
{
    CGeMesh mesh;
    mesh.vertices = {{0, 0, 0}, {2, 0, 1}, {2, 2, 1}, {3, 0, 0}, {5, 0, 2}, {5, 2, 2}, {3, 2, 0}};
    mesh.faces3.emplace_back(0, 1, 2);
    mesh.faces4.emplace_back(3, 4, 5, 6);
    CCheckModel model;
    auto* cm = new CCheckMesh();
    ASSERT_EQ(cm->Init(&mesh), 1);
    model.AddMesh(cm);
    CTypedPtrList<CObList, CGeCurve*> list;
    model.CreateIsoXCurve(1.0, &list);
    EXPECT_EQ(list.GetCount(), 1) << "the plane x = 1 cuts the triangle only";
    model.CreateIsoXCurve(4.0, &list);
    ASSERT_EQ(list.GetCount(), 2) << "then the quad";
    double s[2], e[2];
    list.GetTail()->GetStartPoint(s);
    list.GetTail()->GetEndPoint(e);
    // The quad's section at x = 4 runs at z = 1 (drawn first) from y = 0 to y = 2.
    EXPECT_NEAR(s[0], 1, 1e-12);
    EXPECT_NEAR(e[0], 1, 1e-12);
    EXPECT_NEAR(std::fabs(e[1] - s[1]), 2, 1e-12);
    for (CGeCurve* c : list) delete c;
}

TEST(DropCutterModel, SharedCopyLiftsLikeItsSource)
{
    const auto torus = milltest::RoundToFloat(millkit::TorusMesh({0, 0, 0}, 3, 1, 16, 8));
    CTBull tool(1.5, 0.3);
    tool.SetAidParam();
    auto model = milltest::MakeModel({torus}, &tool, 0.5);
    CCheckModel copy(model.get());
    EXPECT_EQ(copy.Mesh(0)->IsShared(), 1);
    copy.Mark_Box2D(BOX2<double>(-5, -5, 5, 5));
    for (double x : {-3.1, -0.2, 1.7, 3.4}) {
        CNcPoint p(x, 0.3 * x, -100);
        copy.LiftZ(p);
        EXPECT_NEAR(p.z, std::max(-100.0, milltest::DropAll(tool, {torus}, x, 0.3 * x)), 1e-9) << "x " << x;
    }
}

TEST(DropCutterModel, RotaryLiftTurnsTheModelToThePointsAngle)
{
    // A plate at z = 1 under a ball of radius 0.5; the rotary radius 10 turns y = 1 into
    // 0.1 radians about X.
    const auto plate = milltest::RoundToFloat(millkit::TerrainMesh([](double, double) { return 1.0; }, -5, -5, 10, 4));
    CTBall ball(1);
    ball.SetAidParam();
    auto model = milltest::MakeModel({plate}, &ball, 0.5);
    model->rotaryRadius = 10;
    CNcPoint flat(1, 0, 0);
    model->DefineRHeight(flat);
    EXPECT_NEAR(flat.z, 1, 1e-9) << "no turn at y = 0";
    CNcPoint turned(1, 1, 0);
    model->DefineRHeight(turned);
    const double a = 0.1, r = 0.5;
    EXPECT_NEAR(turned.z, 1 / std::cos(a) + r / std::cos(a) - r, 1e-6) << "the plate turned by 0.1 about X";
    EXPECT_NEAR(model->rotaryAngle, 0.1, 1e-12);
    EXPECT_NEAR(turned.y, 1, 1e-12);
    CNcPline s;
    for (double x : {-2.0, 2.0}) {
        const double xyz[3] = {x, 1, 0};
        s.AddTail(xyz);
    }
    EXPECT_EQ(s.VerifyRotatePath(*model, 0.005), 1);
    for (POSITION pos = s.GetHeadPosition(); pos;)
        EXPECT_NEAR(s.GetNext(pos)->z, 1 / std::cos(a) + r / std::cos(a) - r, 1e-6);
}

}  // namespace
