// The milling test kit checked on its own: meshes, STL reader, profile oracle, z-map.
#include "testing/MillMesh.h"
#include "testing/StlReader.h"
#include "testing/ToolProfileOracle.h"
#include "testing/ZMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <string>
#include <vector>

namespace millkit {
namespace {

// Number of triangles using each undirected edge.
std::map<std::pair<int, int>, int> EdgeUse(const TriMesh& m) {
  std::map<std::pair<int, int>, int> use;
  for (const auto& t : m.triangles)
    for (int k = 0; k < 3; ++k) {
      int a = t[k], b = t[(k + 1) % 3];
      if (a > b) std::swap(a, b);
      ++use[{a, b}];
    }
  return use;
}

struct EdgeCounts {
  int boundary = 0, manifold = 0, nonManifold = 0;
};
EdgeCounts CountEdges(const TriMesh& m) {
  EdgeCounts c;
  for (const auto& [edge, n] : EdgeUse(m)) (n == 1 ? c.boundary : n == 2 ? c.manifold : c.nonManifold)++;
  return c;
}

TEST(MillMesh, ClosedShapesUseEveryEdgeTwiceAndLieOnTheirSurface) {
  const Vec3 c{1, 2, 3};
  struct Row {
    const char* name;
    TriMesh mesh;
    std::function<double(const Vec3&)> residual;  // 0 on the analytic surface
  };
  const Row rows[] = {
      {"sphere", SphereMesh(c, 4, 24),
       [&](const Vec3& v) { return std::hypot(v[0] - c[0], v[1] - c[1], v[2] - c[2]) - 4; }},
      {"torus", TorusMesh(c, 5, 1.5, 32, 16),
       [&](const Vec3& v) { return std::hypot(std::hypot(v[0] - c[0], v[1] - c[1]) - 5, v[2] - c[2]) - 1.5; }},
  };
  for (const Row& row : rows) {
    const EdgeCounts e = CountEdges(row.mesh);
    EXPECT_EQ(e.boundary, 0) << row.name;
    EXPECT_EQ(e.nonManifold, 0) << row.name;
    for (const Vec3& v : row.mesh.vertices) ASSERT_NEAR(row.residual(v), 0, 1e-12) << row.name;
  }
  // Open shapes: the plate's rim and the cylinder's foot are their only boundaries.
  EXPECT_EQ(CountEdges(HemisphereOnPlate(3, 6, 32)).boundary, 32);
  EXPECT_EQ(CountEdges(HemisphereOnPlate(3, 6, 32)).nonManifold, 0);
  EXPECT_EQ(CountEdges(VerticalCylinderMesh(c, 2, 5, 20)).boundary, 20);
  EXPECT_EQ(CountEdges(RidgeMesh(0, 10, 5, 2)).boundary, 6);
  const TriMesh terrain = TerrainMesh([](double x, double y) { return x * y; }, 0, 0, 2, 4);
  EXPECT_EQ(terrain.triangles.size(), 32u);
  EXPECT_EQ(CountEdges(terrain).boundary, 16);
}

const std::string kStlDir = "/usr/share/assimp/models/STL/";

TEST(StlReader, ReadsTheTestModelsAndKeepsTheirTopology) {
  // Open boundaries and non-manifold edges stay as the files have them.
  struct Row {
    const char* file;
    size_t triangles;
    int boundary, nonManifold;
  };
  const Row rows[] = {{"Wuson.stl", 3732, 412, 0},
                      {"Spider_binary.stl", 1368, 72, 20},
                      {"3DSMaxExport.STL", 2000, 0, 16},
                      {"sphereWithHole.stl", 285, 9, 0}};
  for (const Row& row : rows) {
    TriMesh m;
    std::string error;
    ASSERT_TRUE(ReadStl(kStlDir + row.file, m, &error)) << row.file << ": " << error;
    EXPECT_EQ(m.triangles.size(), row.triangles) << row.file;
    // Welding shares vertices: fewer vertices than corners, and every index valid.
    EXPECT_LT(m.vertices.size(), 3 * m.triangles.size()) << row.file;
    for (const auto& t : m.triangles)
      for (int k : t) ASSERT_TRUE(k >= 0 && size_t(k) < m.vertices.size()) << row.file;
    const EdgeCounts e = CountEdges(m);
    EXPECT_EQ(e.boundary, row.boundary) << row.file;
    EXPECT_EQ(e.nonManifold, row.nonManifold) << row.file;
  }
}

TEST(StlReader, AsciiAndBinaryOfTheSameModelAgree) {
  TriMesh ascii, binary;
  ASSERT_TRUE(ReadStl(kStlDir + "Spider_ascii.stl", ascii));
  ASSERT_TRUE(ReadStl(kStlDir + "Spider_binary.stl", binary));
  ASSERT_EQ(ascii.triangles.size(), binary.triangles.size());
  ASSERT_EQ(ascii.vertices.size(), binary.vertices.size());
  for (size_t i = 0; i < ascii.vertices.size(); ++i)
    for (int k = 0; k < 3; ++k) ASSERT_NEAR(ascii.vertices[i][k], binary.vertices[i][k], 1e-4) << i;
}

std::vector<unsigned char> BinaryStl(const std::vector<std::array<float, 9>>& tris, uint32_t claimed) {
  std::vector<unsigned char> b(84, 0);
  std::memcpy(b.data() + 80, &claimed, 4);
  for (const auto& t : tris) {
    unsigned char rec[50] = {};
    std::memcpy(rec + 12, t.data(), 36);
    b.insert(b.end(), rec, rec + 50);
  }
  return b;
}

TEST(StlReader, WeldsIdenticalVerticesOnly) {
  // Two triangles sharing an edge; -0 and +0 are one coordinate; a vertex 1e-6 away stays apart.
  const auto bytes = BinaryStl({{0, 0, 0, 1, 0, 0, 0, 1, 0}, {1, 0, 0, -0.0f, 1, 0, 1, 1, 1e-6f}}, 2);
  TriMesh m;
  ASSERT_TRUE(ReadStlBytes(bytes.data(), bytes.size(), m));
  EXPECT_EQ(m.vertices.size(), 4u);
  EXPECT_EQ(m.triangles[1][0], m.triangles[0][1]);
  EXPECT_EQ(m.triangles[1][1], m.triangles[0][2]);
}

TEST(StlReader, HostileFilesFailClearly) {
  const std::array<float, 9> tri{0, 0, 0, 1, 0, 0, 0, 1, 0};
  const float nan = std::nanf("");
  struct Row {
    const char* name;
    std::vector<unsigned char> bytes;
    const char* message;  // part of the error
  };
  const auto text = [](const char* s) { return std::vector<unsigned char>(s, s + std::strlen(s)); };
  std::vector<Row> rows = {
      {"empty", {}, "too short"},
      {"short binary", std::vector<unsigned char>(40, 1), "too short"},
      {"count beyond size", BinaryStl({tri}, 0xFFFFFFFFu), "truncated"},
      {"one record missing", BinaryStl({tri}, 2), "truncated"},
      {"trailing bytes", [&] { auto b = BinaryStl({tri}, 1); b.push_back(0); return b; }(), "after its triangles"},
      {"NaN coordinate", BinaryStl({{0, 0, nan, 1, 0, 0, 0, 1, 0}}, 1), "non-finite"},
      {"ascii quad", text("solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 1 1 0\n"
                          "vertex 0 1 0\nendloop\nendfacet\nendsolid a\n"),
       "line 7"},
      {"ascii bad number", text("solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0 x\n"), "bad vertex"},
      {"ascii infinite", text("solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0 1e999\n"), "bad vertex"},
      {"ascii cut short", text("solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n"), "expected"},
      {"ascii no end", text("solid a\n"), "endsolid"},
  };
  for (const Row& row : rows) {
    TriMesh m;
    m.vertices.push_back({1, 2, 3});
    std::string error;
    EXPECT_FALSE(ReadStlBytes(row.bytes.data(), row.bytes.size(), m, &error)) << row.name;
    EXPECT_NE(error.find(row.message), std::string::npos) << row.name << ": " << error;
    EXPECT_TRUE(m.vertices.empty() && m.triangles.empty()) << row.name;
  }
  TriMesh m;
  std::string error;
  EXPECT_FALSE(ReadStl("/nonexistent/x.stl", m, &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos);
}

TEST(StlReader, ReadsSeveralAsciiSolids) {
  const char* s =
      "solid a\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n   vertex 1 0 0\n   vertex 0 1 0\n"
      "  endloop\n endfacet\nendsolid a\nsolid b\n facet normal 0 0 1\n  outer loop\n   vertex 1 0 0\n"
      "   vertex 1 1 0\n   vertex 0 1 0\n  endloop\n endfacet\nendsolid b\n";
  TriMesh m;
  std::string error;
  ASSERT_TRUE(ReadStlBytes(reinterpret_cast<const unsigned char*>(s), std::strlen(s), m, &error)) << error;
  EXPECT_EQ(m.triangles.size(), 2u);
  EXPECT_EQ(m.vertices.size(), 4u);
}

TEST(ToolProfileOracle, BoundsBracketThePlaneDrop) {
  // A plane wide enough for every contact: the bounds must hold the closed form.
  const ToolProfileOracle tools[] = {ToolProfileOracle::MakeBall(6), ToolProfileOracle::MakeFlat(6),
                                     ToolProfileOracle::MakeBull(6, 1), ToolProfileOracle::MakeCone(6, 30),
                                     ToolProfileOracle::MakeTaperBall(6, 1, 10),
                                     ToolProfileOracle::MakeTaperBall(6, 1, 10, 2)};
  const double a = 0.4, b = -0.7, c = 1;
  TriMesh plane;
  plane.vertices = {{-20, -20, a * -20 + b * -20 + c}, {20, -20, a * 20 + b * -20 + c}, {0, 20, b * 20 + c}};
  plane.triangles = {{0, 1, 2}};
  for (const auto& tool : tools) {
    const DropBounds bounds = ProfileDropBounds(tool, plane, 0.5, -0.25, 1e-7);
    const double expected = tool.PlaneDrop(a, b, c, 0.5, -0.25);
    EXPECT_LE(bounds.lower, expected + 1e-12) << tool.kind;
    EXPECT_GE(bounds.upper, expected - 1e-12) << tool.kind;
    EXPECT_LT(bounds.upper - bounds.lower, 1e-6) << tool.kind;
  }
}

TEST(ToolProfileOracle, TaperBallIsTangentAndCutShortAtItsDepth) {
  const auto t = ToolProfileOracle::MakeTaperBall(8, 1, 10);
  const double a = 10 * std::numbers::pi / 180, dt = std::cos(a);
  // Slope continuous across the tangent circle: the cone's cotangent on both sides.
  const double e = 1e-6;
  EXPECT_NEAR((t.Height(dt) - t.Height(dt - e)) / e, 1 / std::tan(a), 1e-4);
  EXPECT_NEAR((t.Height(dt + e) - t.Height(dt)) / e, 1 / std::tan(a), 1e-4);
  EXPECT_DOUBLE_EQ(t.Reach(), 4);
  const auto shortTool = ToolProfileOracle::MakeTaperBall(8, 1, 10, 3);
  EXPECT_NEAR(shortTool.Height(shortTool.Reach()), 3, 1e-12);
}

TEST(ZMap, BallAtAKnownHeightCarvesTheAnalyticGroove) {
  // Stock top at 0; a ball of radius 2 at CL height -1.5 runs along X through y = 0.
  const double R = 2, zc = -1.5, cell = 0.05;
  const auto ball = ToolProfileOracle::MakeBall(2 * R);
  ZMap map(-5, -5, cell, 200, 200, 0);
  map.CutPath(ball, {{-8, 0, zc}, {8, 0, zc}});
  // Along X the path is sampled at a quarter cell, so a cell lies at most cell / 8
  // from a sample in X: its cut is the groove at |y| or slightly above it.
  for (int j = 0; j < map.Ny(); ++j) {
    const double y = map.Y(j);
    const double groove = std::abs(y) <= R ? std::min(0.0, zc + R - std::sqrt(R * R - y * y)) : 0.0;
    for (int i = 0; i < map.Nx(); i += 17) {
      const double z = map.Height(i, j);
      ASSERT_GE(z, groove - 1e-12) << "y " << y;
      ASSERT_LE(z, groove + 2e-3) << "y " << y;
    }
  }
  // Against the groove's own floor plane z = zc there is no gouge; the scallop is the
  // stock left at the groove's sides.
  const auto dev = map.Compare([&](double, double) { return zc; });
  EXPECT_EQ(dev.gouge, 0);
  EXPECT_NEAR(dev.scallop, -zc, 1e-12);
  // A surface above the cut anywhere shows as gouge where the ball went deepest.
  const auto deep = map.Compare([&](double, double y) { return std::abs(y) < 0.1 ? zc + 0.25 : std::nan(""); });
  // (the nearest cells lie 0.025 off the path; samples in X at most cell / 8 away)
  EXPECT_LE(deep.gouge, 0.25 - (R - std::sqrt(R * R - 0.025 * 0.025)));
  EXPECT_GE(deep.gouge, 0.25 - (R - std::sqrt(R * R - 0.025 * 0.025 - 0.00625 * 0.00625)));
  EXPECT_EQ(deep.compared, 4 * 200);
}

TEST(ZMap, MeshTopFollowsTheMesh) {
  ZMap map(-4, -4, 0.1, 80, 80, 10);
  const TriMesh ridge = RidgeMesh(-3, 3, 2, 2);
  const auto top = map.MeshTop(ridge);
  int covered = 0;
  for (int j = 0; j < map.Ny(); ++j)
    for (int i = 0; i < map.Nx(); ++i) {
      const double z = top[size_t(j) * map.Nx() + i];
      const bool inside = std::abs(map.X(i)) < 3 && std::abs(map.Y(j)) < 2;
      ASSERT_EQ(!std::isnan(z), inside) << i << "," << j;
      if (inside) {
        ++covered;
        ASSERT_NEAR(z, 2 - std::abs(map.Y(j)), 1e-12);
      }
    }
  EXPECT_EQ(covered, 60 * 40);
}

}  // namespace
}  // namespace millkit
