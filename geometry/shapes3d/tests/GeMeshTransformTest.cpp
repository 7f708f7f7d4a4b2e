// The shape transforms on meshes: vertices, normals, face order and curves.
#include "geometry/shapes3d/GeArc3d.h"
#include "geometry/shapes3d/GeLine3d.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/tests/MeshFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A bumpy open sheet with vertex and face normals.
void Sheet(CGeMesh& m)
{
    meshtest::FromTriMesh(
        millkit::TerrainMesh([](double x, double y) { return 3.0 * std::sin(x / 7.0) * std::cos(y / 5.0); }, -20,
                             -15, 40, 24),
        m);
    m.Need_VertexNormals();
    m.Need_FaceNormal();
}

void ExpectNormalsMatchFresh(CGeMesh& m, const char* label)
{
    CGeMesh fresh;
    fresh.CopyFromMesh(&m);
    fresh.ClearNormal();
    fresh.Need_VertexNormals();
    fresh.Need_FaceNormal();
    for (std::size_t i = 0; i < m.normals.size(); ++i)
        ASSERT_NEAR((m.normals[i] - fresh.normals[i]).GetLength(), 0.0f, 1e-4f) << label << " vertex " << i;
    for (std::size_t i = 0; i < m.facenormals.size(); ++i)
        ASSERT_NEAR((m.facenormals[i] - fresh.facenormals[i]).GetLength(), 0.0f, 1e-4f) << label << " face " << i;
}

TEST(GeMeshTransform, RotationAndInverseGiveTheVerticesBack)
{
    CGeMesh m;
    Sheet(m);
    const std::vector<CPoint3f> before = m.vertices;
    double point[3] = {3, -2, 1}, axis[3] = {1, 2, 3};
    m.Rotate3D(point, axis, 1.1);
    m.Rotate3D(point, axis, -1.1);
    double centre[2] = {5, 5};
    m.Rotate(centre, 0.7);
    m.Rotate(centre, -0.7);
    for (std::size_t i = 0; i < before.size(); ++i)
        ASSERT_NEAR(Distance(m.vertices[i], before[i]), 0.0f, 2e-5f * 40) << "vertex " << i;
}

// Every mapping: the kept or re-derived normals equal a fresh computation on the
// transformed mesh (mirrors and reflections included).
TEST(GeMeshTransform, NormalsAgreeWithAFreshComputation)
{
    double p1[3] = {1, 2, 0}, p2[3] = {0.3, 0.2, 1}, p3[3] = {0, 0, 1};
    double m44[4][4] = {{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {5, 6, 7, 1}};  // swaps x and y
    double m33[3][3] = {{1, 0.5, 0}, {0, -2, 0}, {3, 4, 1}};
    struct Case {
        const char* label;
        void (*apply)(CGeMesh&, double*, double*, double*, double (*)[4], double (*)[3]);
    } cases[] = {
        {"Rotate", [](CGeMesh& m, double* a, double*, double*, double (*)[4], double (*)[3]) { m.Rotate(a, 0.4); }},
        {"Rotate3D",
         [](CGeMesh& m, double* a, double* b, double*, double (*)[4], double (*)[3]) { m.Rotate3D(a, b, 0.4); }},
        {"Mirror", [](CGeMesh& m, double* a, double* b, double*, double (*)[4], double (*)[3]) { m.Mirror(a, b); }},
        {"Mirror3D",
         [](CGeMesh& m, double* a, double* b, double*, double (*)[4], double (*)[3]) { m.Mirror3D(a, b); }},
        {"Scale negative",
         [](CGeMesh& m, double* a, double*, double*, double (*)[4], double (*)[3]) {
             double f[2] = {-2, 3};
             m.Scale(a, f);
         }},
        {"Scale3D",
         [](CGeMesh& m, double* a, double*, double*, double (*)[4], double (*)[3]) {
             double f[3] = {2, 0.5, -3};
             m.Scale3D(a, f);
         }},
        {"Shear3D",
         [](CGeMesh& m, double* a, double* b, double* c, double (*)[4], double (*)[3]) { m.Shear3D(a, b, c); }},
        {"Twist",
         [](CGeMesh& m, double* a, double*, double* c, double (*)[4], double (*)[3]) { m.Twist(a, c, 0.02); }},
        {"Matrix44 kind 8",
         [](CGeMesh& m, double*, double*, double*, double (*q)[4], double (*)[3]) { m.Transform(q, 8); }},
        {"Matrix44 other kind",
         [](CGeMesh& m, double*, double*, double*, double (*q)[4], double (*)[3]) { m.Transform(q, 2); }},
        {"Matrix33", [](CGeMesh& m, double*, double*, double*, double (*)[4], double (*q)[3]) { m.Transform(q, 2); }},
    };
    for (const Case& c : cases) {
        CGeMesh m;
        Sheet(m);
        c.apply(m, p1, p2, p3, m44, m33);
        ExpectNormalsMatchFresh(m, c.label);
        // A later rescale re-derives the normals; they must stay on the same side.
        CGeMesh again;
        again.CopyFromMesh(&m);
        const std::vector<CVector3f> kept = again.normals;
        double centre[3] = {0, 0, 0}, f[3] = {2, 2, 2};
        again.Scale3D(centre, f);
        for (std::size_t i = 0; i < kept.size(); ++i)
            ASSERT_GT(kept[i] * again.normals[i], 0.9f) << c.label << " vertex " << i;
    }
}

TEST(GeMeshTransform, ScaleMapsAboutTheBase)
{
    CGeMesh m;
    meshtest::AddVertices(m, {{2, 2, 5}});
    double b[2] = {1, 1}, f[2] = {2, 3};
    m.Scale(b, f);
    EXPECT_EQ(m.vertices[0], CPoint3f(3, 4, 5));
    BOX3<double> box;
    m.GetBox(&box);
    EXPECT_EQ(box.xmin, 3.0);
}

TEST(GeMeshTransform, KindOneKeepsNormals)
{
    CGeMesh m;
    Sheet(m);
    const std::vector<CVector3f> before = m.normals;
    double t[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1, 2, 3, 1}};
    m.Transform(t, 1);
    EXPECT_EQ(m.normals, before);
}

TEST(GeMeshTransform, EmptyMeshMovesOnlyUnderTranslation)
{
    CGeMesh m;
    m.m_listBndCurve.AddTail(new CGeLine3d(CPoint3f(0, 0, 0), CPoint3f(1, 0, 0)));
    m.CGeSurf::CalcBox();
    double c[2] = {0, 0};
    m.Rotate(c, 1.0);
    double s[3], e[3];
    m.m_listBndCurve.GetHead()->GetEndPoint(e);
    EXPECT_EQ(e[0], 1.0) << "rotate of an empty mesh";
    double v[3] = {2, 0, 0};
    m.Translate(v);
    m.m_listBndCurve.GetHead()->GetStartPoint(s);
    EXPECT_EQ(s[0], 2.0);
    EXPECT_EQ(m.m_box.xmin, 2.0);
}

TEST(GeMeshTransform, TwistedBoundaryFollowsTheBorder)
{
    CGeMesh m;
    meshtest::FromTriMesh(millkit::TerrainMesh([](double, double) { return 0.0; }, 0, 0, 20, 10), m);
    m.CreateBndCrv();
    ASSERT_EQ(m.m_listBndCurve.GetCount(), 1);
    double point[3] = {0, 10, 0}, axis[3] = {1, 0, 0};
    m.Twist(point, axis, 0.1);
    ASSERT_EQ(m.m_listBndCurve.GetCount(), 1);
    auto* pl = dynamic_cast<CGePolyline3d*>(m.m_listBndCurve.GetHead());
    ASSERT_TRUE(pl);
    // Every twisted border vertex is a point of the boundary polyline.
    m.GenEdgeTopoEx();
    for (const SEdge& e : m.edges) {
        if (e.f1 != -1) continue;
        const CPoint3f& v = m.vertices[e.v0];
        double best = 1e9;
        for (int j = 0; j < pl->GetCount(); ++j) {
            const double* p = pl->GetCtrlPt()[j];
            best = std::min(best, std::hypot(p[0] - v.x, p[1] - v.y, p[2] - v.z));
        }
        EXPECT_LT(best, 1e-4) << "border vertex " << e.v0;
    }
}

// A 3D arc turns into a NURBS curve under a scale; the surface keeps the replacement.
TEST(GeMeshTransform, ReplacingCurvesTakeTheirPlace)
{
    CGeMesh m;
    meshtest::FlatSquare(m);
    auto* arc = new CGeArc3d;
    double centre[3] = {5, 5, 0};
    ASSERT_EQ(arc->CreateCricleXY(centre, 2.0), 1);
    arc->DiscreteMe(0.01);
    m.m_listIsoCurve.AddTail(arc);
    double b[2] = {0, 0}, f[2] = {2, 1};
    m.Scale(b, f);
    ASSERT_EQ(m.m_listIsoCurve.GetCount(), 1);
    CGeCurve3d* c = m.m_listIsoCurve.GetHead();
    EXPECT_TRUE(dynamic_cast<CGeNrbCrv3d*>(c)) << "the arc's replacement";
    double s[3];
    c->GetStartPoint(s);
    EXPECT_NEAR(s[0], 14.0, 1e-6);
}

}  // namespace
