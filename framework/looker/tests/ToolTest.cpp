// Contact geometry of the cutting tools, held against closed forms, a hand-worked
// triangle and the milling kit's profile oracle (which knows only the parameters).
#include "framework/looker/Tool.h"

#include "platform/core/Archive.h"
#include "testing/BruteForceDrop.h"
#include "testing/MillMesh.h"
#include "testing/ToolProfileOracle.h"
#include "testing/ZMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using millkit::BruteForceDrop;
using millkit::DropResult;
using millkit::ToolProfileOracle;
using millkit::TriMesh;
using millkit::Vec3;

constexpr double kPi = std::numbers::pi;

// One tool of every kind with the oracle built from the same parameters.
struct Kind {
  std::string name;
  std::function<CTool*()> make;
  ToolProfileOracle oracle;
};

std::vector<Kind> Kinds() {
  return {
      {"ball", [] { return new CTBall(6); }, ToolProfileOracle::MakeBall(6)},
      {"flat", [] { return new CTCylindrical(6); }, ToolProfileOracle::MakeFlat(6)},
      {"drill", [] { return new CTDrill(4); }, ToolProfileOracle::MakeFlat(4)},
      {"bull", [] { return new CTBull(6, 1.5); }, ToolProfileOracle::MakeBull(6, 1.5)},
      {"cone 30", [] { return new CTConnic(6, 30); }, ToolProfileOracle::MakeCone(6, 30)},
      {"cone 60", [] { return new CTConnic(5, 60); }, ToolProfileOracle::MakeCone(5, 60)},
      {"taper ball", [] { return new CTTaperBall(6, 1, 10); }, ToolProfileOracle::MakeTaperBall(6, 1, 10)},
      {"taper ball cut short",
       [] {
         auto* t = new CTTaperBall(6, 1, 10);
         t->SetCutDepth(3);
         return t;
       },
       ToolProfileOracle::MakeTaperBall(6, 1, 10, 3)},
  };
}

TriMesh OneTriangle(const Vec3& a, const Vec3& b, const Vec3& c) {
  TriMesh m;
  m.vertices = {a, b, c};
  m.triangles = {{0, 1, 2}};
  return m;
}

// ---------------------------------------------------------------------------
// Analytic table

TEST(ToolContact, RestsOnPlanesAsTheClosedFormsSay) {
  // Planes z = a x + b y + c; the expected drop is the closed form of each kind
  // (ball: plane + R (sqrt(1 + a^2 + b^2) - 1), flat: plane + r sqrt(a^2 + b^2), bull:
  // both, cone: tip or rim by slope, taper ball: ball or rim).
  const double planes[][2] = {{0, 0}, {0.3, 0}, {0, -0.5}, {0.4, 0.7}, {1.2, -0.9}, {-5, 3}, {1e-9, 0}};
  const double c = 0.75, px = 1.25, py = -0.5;
  for (const Kind& k : Kinds()) {
    std::unique_ptr<CTool> tool(k.make());
    for (const auto& pl : planes) {
      const double a = pl[0], b = pl[1];
      const std::string row = k.name + " a=" + std::to_string(a) + " b=" + std::to_string(b);
      const double expected = k.oracle.PlaneDrop(a, b, c, px, py);
      const double n[3] = {-a, -b, 1};
      double off[3];
      tool->Eval_FacetCC_OffVec(n, off);
      const double got = a * (px - off[0]) + b * (py - off[1]) + c + off[2];
      EXPECT_NEAR(got, expected, 1e-9) << row;
      // The brute-force drop on a wide triangle of that plane meets the same value.
      const auto plane = [&](double x, double y) { return Vec3{x, y, a * x + b * y + c}; };
      const TriMesh m = OneTriangle(plane(-40, -40), plane(40, -40), plane(0, 40));
      const DropResult r = BruteForceDrop(*tool, m, px, py);
      EXPECT_NEAR(r.z, expected, 1e-9) << row;
    }
  }
}

// Unit vectors e1, e2 perpendicular to unit u.
void Frame(const Vec3& u, Vec3& e1, Vec3& e2) {
  const Vec3 t = std::abs(u[2]) < 0.9 ? Vec3{0, 0, 1} : Vec3{1, 0, 0};
  e1 = {u[1] * t[2] - u[2] * t[1], u[2] * t[0] - u[0] * t[2], u[0] * t[1] - u[1] * t[0]};
  const double l = std::hypot(e1[0], e1[1], e1[2]);
  for (double& v : e1) v /= l;
  e2 = {u[1] * e1[2] - u[2] * e1[1], u[2] * e1[0] - u[0] * e1[2], u[0] * e1[1] - u[1] * e1[0]};
}

// A fan of triangles inscribed in the sphere (centre c, radius rs) around the point of
// direction u: a tool that touches the sphere there touches the fan at its centre
// vertex and nowhere else higher.
TriMesh SpherePatch(const Vec3& c, double rs, const Vec3& u) {
  Vec3 e1, e2;
  Frame(u, e1, e2);
  TriMesh m;
  m.vertices.push_back({c[0] + rs * u[0], c[1] + rs * u[1], c[2] + rs * u[2]});
  const int n = 8;
  const double beta = 0.3;
  for (int i = 0; i < n; ++i) {
    const double phi = 2 * kPi * i / n;
    Vec3 v;
    for (int k = 0; k < 3; ++k)
      v[k] = c[k] + rs * (std::cos(beta) * u[k] + std::sin(beta) * (std::cos(phi) * e1[k] + std::sin(phi) * e2[k]));
    m.vertices.push_back(v);
  }
  for (int i = 0; i < n; ++i) m.triangles.push_back({0, 1 + i, 1 + (i + 1) % n});
  return m;
}

TEST(ToolContact, TouchesSpheresAsTheClosedFormsSay) {
  const Vec3 c{2, -1, 3};
  const double rs = 5;
  const double offsets[][2] = {{0, 0}, {1, 0.5}, {-3, 2}, {4, -3.5}, {0.2, 7}, {-6, -4}};
  CTBall ball(4);
  CTCylindrical flat(4);
  const double R = 2, r = 2;
  for (const auto& o : offsets) {
    const double px = c[0] + o[0], py = c[1] + o[1], d = std::hypot(o[0], o[1]);
    const std::string row = "offset " + std::to_string(o[0]) + "," + std::to_string(o[1]);
    // Ball: zc + sqrt((Rs + R)^2 - d^2) - R; the contact lies toward the ball's centre.
    if (d < rs + R) {
      const double expected = c[2] + std::sqrt((rs + R) * (rs + R) - d * d) - R;
      const double h = expected + R - c[2];
      const Vec3 u{o[0] / (rs + R), o[1] / (rs + R), h / (rs + R)};
      EXPECT_NEAR(BruteForceDrop(ball, SpherePatch(c, rs, u), px, py).z, expected, 1e-9) << "ball " << row;
    }
    // Flat: zc + Rs for d <= r, else zc + sqrt(Rs^2 - (d - r)^2) at the rim.
    if (d < rs + r) {
      Vec3 u{0, 0, 1};
      double expected = c[2] + rs;
      if (d > r) {
        const double e = d - r;
        expected = c[2] + std::sqrt(rs * rs - e * e);
        u = {o[0] / d * e / rs, o[1] / d * e / rs, (expected - c[2]) / rs};
      }
      EXPECT_NEAR(BruteForceDrop(flat, SpherePatch(c, rs, u), px, py).z, expected, 1e-9) << "flat " << row;
    }
  }
  // A whole sphere mesh is inscribed: its drop lies at or below the sphere's and
  // within the mesh's sagitta of it.
  const TriMesh sphere = millkit::SphereMesh(c, rs, 96);
  const double sagitta = rs * (1 - std::cos(2 * kPi / 96));
  for (const auto& o : offsets) {
    const double d = std::hypot(o[0], o[1]);
    if (d >= rs + R) continue;
    const double expected = c[2] + std::sqrt((rs + R) * (rs + R) - d * d) - R;
    const double got = BruteForceDrop(ball, sphere, c[0] + o[0], c[1] + o[1]).z;
    EXPECT_LE(got, expected + 1e-9) << o[0] << "," << o[1];
    EXPECT_GE(got, expected - 2 * sagitta) << o[0] << "," << o[1];
  }
}

// Prism inscribed in the horizontal cylinder (axis along X at y = yc, z = zc, radius
// rc) with one generator at angle theta from the top.
TriMesh CylinderPrism(double yc, double zc, double rc, double theta) {
  TriMesh m;
  const int n = 24;
  for (int i = 0; i < n; ++i) {
    const double a = theta + 2 * kPi * i / n;
    m.vertices.push_back({-20, yc + rc * std::sin(a), zc + rc * std::cos(a)});
    m.vertices.push_back({20, yc + rc * std::sin(a), zc + rc * std::cos(a)});
  }
  for (int i = 0; i < n; ++i) {
    const int j = (i + 1) % n;
    m.triangles.push_back({2 * i, 2 * i + 1, 2 * j + 1});
    m.triangles.push_back({2 * i, 2 * j + 1, 2 * j});
  }
  return m;
}

TEST(ToolContact, TouchesAHorizontalCylinderAsTheClosedFormsSay) {
  const double yc = 1, zc = -2, rc = 4;
  struct Row {
    std::string name;
    std::unique_ptr<CTool> tool;
    double flat;   // radius of the flat bottom
    double round;  // radius of the rounding beyond it
  };
  Row rows[3] = {{"ball", std::make_unique<CTBall>(5), 0, 2.5},
                 {"flat", std::make_unique<CTCylindrical>(5), 2.5, 0},
                 {"bull", std::make_unique<CTBull>(5, 1), 1.5, 1}};
  for (const Row& row : rows) {
    for (double dy : {0.0, 0.7, -1.2, 2.0, 3.1, -4.4, 5.5}) {
      // Seen along X the tool is its profile: flat bottom, then a circle of radius
      // `round` about (flat, round) that rolls on the section circle.
      double expected = zc + rc, theta = 0;
      const double e = std::abs(dy) - row.flat;
      if (e > 0) {
        if (e >= rc + row.round) continue;
        const double hc = std::sqrt((rc + row.round) * (rc + row.round) - e * e);
        expected = zc + hc - row.round;
        theta = std::copysign(std::atan2(e, hc), dy);
      }
      const TriMesh prism = CylinderPrism(yc, zc, rc, theta);
      EXPECT_NEAR(BruteForceDrop(*row.tool, prism, 0.3, yc + dy).z, expected, 1e-9) << row.name << " dy " << dy;
    }
  }
}

// ---------------------------------------------------------------------------
// One triangle worked by hand: z = x / 2 over A(0,0,0), B(10,0,5), C(0,10,0), ball R = 1.

TEST(ToolContact, HandWorkedTriangle) {
  CTBall ball(2);
  CTCylindrical flat(2);
  const Vec3 A{0, 0, 0}, B{10, 0, 5}, C{0, 10, 0};
  const TriMesh tri = OneTriangle(A, B, C);
  struct Row {
    const char* name;
    const CTool* tool;
    double px, py;
    double expected;
    DropResult::Element element;
  };
  const double kNo = kNoHeight;
  const Row rows[] = {
      // Facet: plane 1.5 at (3, 3) plus R (sqrt(1 + 1/4) - 1).
      {"ball facet", &ball, 3, 3, 1.5 + std::sqrt(1.25) - 1, DropResult::Facet},
      // Edge AB (slope 1/2 along X) at 0.5 from p: its circle in the edge's plane has
      // radius s = sqrt(3/4) and rests at line(p) + s sqrt(1 + 1/4) - R.
      {"ball edge", &ball, 5, -0.5, 2.5 + std::sqrt(0.75) * std::sqrt(1.25) - 1, DropResult::Edge},
      // Past B: the edge contact runs to its end and equals B's vertex contact (which
      // of the two is kept depends on the last bit, so the element is not checked).
      {"ball vertex", &ball, 10.6, -0.3, 5 - 1 + std::sqrt(1 - 0.45), DropResult::None},
      // Horizontal edge AC at 0.5 from p.
      {"ball horizontal edge", &ball, -0.5, 5, -1 + std::sqrt(0.75), DropResult::Edge},
      {"ball out of reach", &ball, -5, -5, kNo, DropResult::None},
      // Flat: plane + r g; on edge AB the highest point of the chord |u - 5| <= sqrt(3/4).
      {"flat facet", &flat, 3, 3, 2.0, DropResult::Facet},
      {"flat edge", &flat, 5, -0.5, (5 + std::sqrt(0.75)) / 2, DropResult::Edge},
      {"flat out of reach", &flat, 11, 11, kNo, DropResult::None},
  };
  for (const Row& row : rows) {
    const DropResult r = BruteForceDrop(*row.tool, tri, row.px, row.py);
    EXPECT_NEAR(r.z, row.expected, 1e-12) << row.name;
    if (row.element != DropResult::None || row.expected == kNo) {
      EXPECT_EQ(r.element, row.element) << row.name;
    }
  }
  // The edge contact exactly at its end is the vertex's, at t = 1.
  const double p[3] = {10.6, -0.3, 0};
  double t = -1, cc[3];
  EXPECT_NEAR(ball.Zval_EdgeCC(A.data(), B.data(), p[0], p[1], &t, cc), ball.Zval_VertCC(B.data(), p), 1e-14);
  EXPECT_EQ(t, 1);
  EXPECT_EQ(cc[0], 10);
  // A vertical edge touches like its top vertex, whichever way round.
  const double lo[3] = {2, 2, 0}, hi[3] = {2, 2, 3}, q[3] = {2.5, 2, 0}, over[3] = {2, 2, 0};
  EXPECT_NEAR(ball.Zval_EdgeCC(lo, hi, q), 3 - 1 + std::sqrt(0.75), 1e-14);
  EXPECT_NEAR(ball.Zval_EdgeCC(hi, lo, q), 3 - 1 + std::sqrt(0.75), 1e-14);
  EXPECT_EQ(ball.Zval_EdgeCC(hi, lo, over), 3);
  EXPECT_EQ(flat.Zval_EdgeCC(lo, hi, q), 3);
}

// ---------------------------------------------------------------------------
// Random triangles against the oracle

struct RandomCase {
  Vec3 v[3];
  double px, py;
};

RandomCase MakeCase(std::mt19937& rng) {
  std::uniform_real_distribution<double> xy(-4, 4), z(-3, 3);
  RandomCase c;
  for (Vec3& v : c.v) v = {xy(rng), xy(rng), z(rng)};
  c.px = xy(rng), c.py = xy(rng);
  return c;
}

TEST(ToolContact, DropStaysWithinTheOracleBoundsOnRandomTriangles) {
  // The drop onto a triangle and onto each of its edges alone must lie between the
  // oracle's lower bound (exact points: no gouge) and its upper bound (no lift).
  for (const Kind& k : Kinds()) {
    std::unique_ptr<CTool> tool(k.make());
    std::mt19937 rng(7);
    int inReach = 0;
    for (int i = 0; i < 300; ++i) {
      const RandomCase c = MakeCase(rng);
      const std::string row = k.name + " case " + std::to_string(i);
      const TriMesh tri = OneTriangle(c.v[0], c.v[1], c.v[2]);
      const auto bounds = millkit::ProfileDropBounds(k.oracle, tri, c.px, c.py, 1e-7);
      const double z = BruteForceDrop(*tool, tri, c.px, c.py).z;
      if (!bounds.inReach) {
        EXPECT_EQ(z, kNoHeight) << row;
        continue;
      }
      ++inReach;
      ASSERT_LT(bounds.upper - bounds.lower, 1e-6) << row;
      EXPECT_GE(z, bounds.lower - 1e-9) << row;
      EXPECT_LE(z, bounds.upper + 1e-9) << row;
      const double p[3] = {c.px, c.py, 0};
      for (int e = 0; e < 3; ++e) {
        const Vec3& a = c.v[e];
        const Vec3& b = c.v[(e + 1) % 3];
        const auto eb = millkit::ProfileDropBounds(k.oracle, OneTriangle(a, b, b), c.px, c.py, 1e-7);
        const double ze = tool->Zval_EdgeCC(a.data(), b.data(), p);
        if (!eb.inReach) {
          EXPECT_EQ(ze, kNoHeight) << row << " edge " << e;
          continue;
        }
        ASSERT_LT(eb.upper - eb.lower, 1e-6) << row << " edge " << e;
        EXPECT_GE(ze, eb.lower - 1e-9) << row << " edge " << e;
        EXPECT_LE(ze, eb.upper + 1e-9) << row << " edge " << e;
      }
    }
    EXPECT_GT(inReach, 80) << k.name << ": too few cases in reach to mean anything";
  }
}

// The tool with its tip at cl: the smallest clearance over the plane of (a, b, c)
// of its surface sampled on a polar grid (negative: it cuts into the plane).
double PlaneClearance(const ToolProfileOracle& t, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& cl) {
  const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
  const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
  const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  double clearance = 1e300;
  const double reach = t.Reach();
  for (int i = 0; i <= 60; ++i)
    for (int j = 0; j < 72; ++j) {
      const double d = reach * i / 60, phi = 2 * kPi * j / 72;
      const double x = cl[0] + d * std::cos(phi), y = cl[1] + d * std::sin(phi);
      const double planeZ = a[2] - (nx * (x - a[0]) + ny * (y - a[1])) / nz;
      clearance = std::min(clearance, cl[2] + t.Height(d) - planeZ);
    }
  return clearance;
}

TEST(ToolContact, TouchesAtTheReturnedContactAndCutsNothing) {
  for (const Kind& k : Kinds()) {
    std::unique_ptr<CTool> tool(k.make());
    std::mt19937 rng(11);
    int facets = 0, edges = 0;
    for (int i = 0; i < 200; ++i) {
      const RandomCase c = MakeCase(rng);
      const std::string row = k.name + " case " + std::to_string(i);
      double z;
      if (millkit::FacetDrop(*tool, c.v[0], c.v[1], c.v[2], c.px, c.py, &z)) {
        // Resting on the plane: the polar grid of the surface clears the plane and
        // the contact point lies on both.
        ++facets;
        EXPECT_GE(PlaneClearance(k.oracle, c.v[0], c.v[1], c.v[2], {c.px, c.py, z}), -1e-9) << row;
        const double ux = c.v[1][0] - c.v[0][0], uy = c.v[1][1] - c.v[0][1], uz = c.v[1][2] - c.v[0][2];
        const double vx = c.v[2][0] - c.v[0][0], vy = c.v[2][1] - c.v[0][1], vz = c.v[2][2] - c.v[0][2];
        double n[3] = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
        if (n[2] < 0) n[0] = -n[0], n[1] = -n[1], n[2] = -n[2];
        const double cl[3] = {c.px, c.py, z};
        double cc[3];
        tool->Eval_EnvelopPoint(n, cl, cc);
        const double planeZ = c.v[0][2] - (n[0] * (cc[0] - c.v[0][0]) + n[1] * (cc[1] - c.v[0][1])) / n[2];
        EXPECT_NEAR(cc[2], planeZ, 1e-7) << row;
        EXPECT_NEAR(cc[2], z + k.oracle.Height(std::hypot(cc[0] - c.px, cc[1] - c.py)), 1e-7) << row;
      }
      for (int e = 0; e < 3; ++e) {
        const Vec3& a = c.v[e];
        const Vec3& b = c.v[(e + 1) % 3];
        double t, cc[3];
        const double ze = tool->Zval_EdgeCC(a.data(), b.data(), c.px, c.py, &t, cc);
        if (ze == kNoHeight) continue;
        ++edges;
        // The contact is on the edge and on the tool surface...
        ASSERT_TRUE(t >= 0 && t <= 1) << row;
        const double d = std::hypot(cc[0] - c.px, cc[1] - c.py);
        EXPECT_LE(d, k.oracle.Reach() + 1e-9) << row;
        EXPECT_NEAR(cc[2], ze + k.oracle.Height(d), 1e-7) << row;
        // ...and no point of the edge rises into the tool.
        for (int s = 0; s <= 400; ++s) {
          const double u = s / 400.0;
          const double x = a[0] + u * (b[0] - a[0]), y = a[1] + u * (b[1] - a[1]), zz = a[2] + u * (b[2] - a[2]);
          const double ds = std::hypot(x - c.px, y - c.py);
          if (ds <= k.oracle.Reach()) {
            ASSERT_LE(zz, ze + k.oracle.Height(ds) + 1e-9) << row << " s " << s;
          }
        }
      }
    }
    EXPECT_GT(facets, 10) << k.name;
    EXPECT_GT(edges, 50) << k.name;
  }
}

TEST(ToolContact, RasterOverAHemisphereLeavesOnlyScallops) {
  // Brute-force drops along a raster, cut into z-maps with the oracle's profile. With
  // the tool placed at the drop points only, nothing of the mesh is cut; swept along
  // the straight moves between them, it cuts no deeper than the sag of those chords
  // under the CL surface (step^2 / 8 times its curvature in X: 1 / (R cos^3) over the
  // edges and vertices of the facets, 8 / R where they rise 60 degrees), and on the
  // dome it leaves only the scallops of the step-over.
  const TriMesh dome = millkit::HemisphereOnPlate(3, 6, 24);
  CTBall ball(2);
  const auto oracle = ToolProfileOracle::MakeBall(2);
  millkit::ZMap swept(-4, -4, 0.04, 200, 200, 10), placed(-4, -4, 0.04, 200, 200, 10);
  const double stepOver = 0.2, step = 0.05;
  for (double y = -4; y <= 4 + 1e-9; y += stepOver) {
    std::vector<Vec3> path;
    for (double x = -4; x <= 4 + 1e-9; x += step) {
      path.push_back({x, y, BruteForceDrop(ball, dome, x, y).z});
      placed.Cut(oracle, path.back());
    }
    swept.CutPath(oracle, path);
  }
  std::vector<double> surface = swept.MeshTop(dome);
  EXPECT_LT(placed.Compare(surface).gouge, 1e-9);
  for (int j = 0; j < swept.Ny(); ++j)
    for (int i = 0; i < swept.Nx(); ++i)
      if (std::hypot(swept.X(i), swept.Y(j)) > 2.5) surface[size_t(j) * swept.Nx() + i] = std::nan("");
  const auto dev = swept.Compare(surface);
  ASSERT_GT(dev.compared, 10000);
  EXPECT_LT(dev.gouge, step * step / 8 * 8 / 1.0) << "at " << dev.gougeI << "," << dev.gougeJ;
  // Flat ground would give R - sqrt(R^2 - (s / 2)^2) = 0.005; room for the facets.
  EXPECT_LT(dev.scallop, 0.03) << "at " << dev.scallopI << "," << dev.scallopJ;
}

// ---------------------------------------------------------------------------
// Profile, inverse profile and the other queries

TEST(ToolShape, ProfileAndItsInverseMatchTheOracle) {
  for (const Kind& k : Kinds()) {
    std::unique_ptr<CTool> tool(k.make());
    const double reach = k.oracle.Reach();
    for (int i = 0; i <= 200; ++i) {
      const double d = reach * i / 200;
      EXPECT_NEAR(tool->GetRadInHeight(d), k.oracle.Height(d), 1e-12) << k.name << " d " << d;
    }
    const double top = k.oracle.Height(reach);
    for (int i = 0; i <= 100; ++i) {
      const double h = top * 1.2 * i / 100;
      // The largest radius whose profile height is at most h, by bisection on the oracle.
      double lo = 0, hi = reach;
      if (k.oracle.Height(reach) <= h) lo = reach;
      for (int it = 0; it < 100 && lo < hi; ++it) {
        const double mid = (lo + hi) / 2;
        (k.oracle.Height(mid) <= h ? lo : hi) = mid;
      }
      EXPECT_NEAR(tool->GetRadiusComp(h, 0), lo, 1e-6 * reach) << k.name << " h " << h;
    }
    EXPECT_EQ(tool->GetRadiusComp(-0.1, 0), 0) << k.name;
  }
  CTBall ball(5);
  EXPECT_EQ(ball.m_R, 2.5f);
  EXPECT_EQ(ball.m_R2, 6.25f);
  ball.m_dDia = 3;
  ball.SetAidParam();
  EXPECT_EQ(ball.m_R, 1.5f);
  EXPECT_EQ(ball.m_R2, 2.25f);
  EXPECT_EQ(ball.IntervalDist(10), 0.3);
  EXPECT_EQ(ball.IntervalDist(0), 0.03) << "at least 1 percent";
  EXPECT_EQ(ball.IntervalDist(500), 3) << "at most the diameter";
}

TEST(ToolShape, TypesAndTipRadii) {
  struct Row {
    std::unique_ptr<CTool> tool;
    int type;
    double tip;
  };
  Row rows[] = {{std::make_unique<CTBall>(6), 1, 3},         {std::make_unique<CTCylindrical>(6), 2, 0},
                {std::make_unique<CTConnic>(6, 45), 4, 0},   {std::make_unique<CTBull>(6, 1), 8, 1},
                {std::make_unique<CTDrill>(6), 16, 0},       {std::make_unique<CTTaperBall>(6, 0.5, 5), 32, 0.5}};
  for (const Row& r : rows) {
    EXPECT_EQ(r.tool->Type(), r.type);
    EXPECT_EQ(r.tool->GetTipRad(), r.tip) << r.type;
    EXPECT_EQ(r.tool->GetDia(), 6.0f) << r.type;
    double param[4];
    EXPECT_EQ(r.tool->GetToolParam(param), r.type);
    EXPECT_EQ(param[0], 6) << r.type;
  }
  EXPECT_TRUE(CTDrill().IsKindOf(RUNTIME_CLASS(CTCylindrical)));
}

TEST(ToolShape, CopyIsTheSameToolAndChangesAreSeen) {
  for (const Kind& k : Kinds()) {
    std::unique_ptr<CTool> tool(k.make());
    std::unique_ptr<CTool> copy(tool->Copy());
    copy->SetAidParam();
    EXPECT_EQ(copy->GetRuntimeClass(), tool->GetRuntimeClass()) << k.name;
    EXPECT_TRUE(copy->IsSame(tool.get())) << k.name;
    EXPECT_EQ(copy->Shape().reach, tool->Shape().reach) << k.name;
    copy->m_dDia += 1;
    EXPECT_FALSE(copy->IsSame(tool.get())) << k.name;
    EXPECT_FALSE(tool->IsSame(nullptr)) << k.name;
  }
  CTBull a(6, 1), b(6, 1.5);
  EXPECT_FALSE(a.IsSame(&b));
  CTCylindrical flat(6);
  CTDrill drill(6);
  EXPECT_FALSE(flat.IsSame(&drill)) << "different kinds";
  CTTaperBall t1(6, 1, 10), t2(6, 1, 10);
  t2.SetCutDepth(2);
  EXPECT_FALSE(t1.IsSame(&t2));
}

std::vector<BYTE> Store(const CObject* ob) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    ar << ob;
    ar.Close();
  }
  std::vector<BYTE> bytes(file.GetLength());
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

CObject* Load(std::vector<BYTE> bytes) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  return ar.ReadObject(RUNTIME_CLASS(CTool));
}

TEST(ToolShape, SerializeRoundTripOfEveryKind) {
  for (const Kind& k : Kinds()) {
    std::unique_ptr<CTool> tool(k.make());
    const std::vector<BYTE> bytes = Store(tool.get());
    std::unique_ptr<CObject> back(Load(bytes));
    ASSERT_NE(back, nullptr) << k.name;
    auto* loaded = static_cast<CTool*>(back.get());
    EXPECT_EQ(loaded->GetRuntimeClass(), tool->GetRuntimeClass()) << k.name;
    EXPECT_TRUE(loaded->IsSame(tool.get())) << k.name;
    // Loading prepares the working shape.
    const double v[3] = {0.5, 0.7, 1}, p[3] = {0, 0, 0};
    EXPECT_EQ(loaded->Zval_VertCC(v, p), tool->Zval_VertCC(v, p)) << k.name;
    // Cut short anywhere, the record fails to load.
    for (size_t n = 0; n < bytes.size(); ++n)
      EXPECT_THROW(delete Load(std::vector<BYTE>(bytes.begin(), bytes.begin() + n)), CArchiveException)
          << k.name << " at " << n;
  }
}

// ---------------------------------------------------------------------------
// Degenerate input

TEST(ToolContact, DegenerateInputGivesFiniteHeights) {
  const double nan = std::nan("");
  const double normals[][3] = {{1, 0, 0},    {0.6, -0.8, 0}, {0.8, 0, -1e-3}, {0, 0.999, -0.045},
                               {0, 0, -1},   {0, 0, 0},      {0, 0, 1},       {1e-300, 0, 1e-300},
                               {nan, 0, 1}};
  for (const Kind& k : Kinds()) {
    std::unique_ptr<CTool> tool(k.make());
    for (const auto& n : normals) {
      double off[3];
      tool->Eval_FacetCC_OffVec(n, off);
      for (double o : off) EXPECT_TRUE(std::isfinite(o)) << k.name << " n " << n[0] << "," << n[1] << "," << n[2];
    }
    // Rim contact for a horizontal normal: the rim point toward the wall.
    double off[3];
    const double wall[3] = {-1, 0, 0};
    tool->Eval_FacetCC_OffVec(wall, off);
    EXPECT_NEAR(off[0], -k.oracle.Reach(), 1e-12) << k.name;
    EXPECT_NEAR(off[2], -k.oracle.Height(k.oracle.Reach()), 1e-12) << k.name;
    // Slightly overhanging normals move continuously into the rim contact.
    const double up[3] = {-1, 0, 1e-9}, down[3] = {-1, 0, -1e-9};
    double offUp[3], offDown[3];
    tool->Eval_FacetCC_OffVec(up, offUp);
    tool->Eval_FacetCC_OffVec(down, offDown);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(offUp[i], offDown[i], 1e-4) << k.name << " " << i;

    const double a[3] = {1, 1, 2}, b[3] = {3, 1, 2.5}, p[3] = {1, 1, 0}, pOnEdge[3] = {2, 1, 0};
    // A zero-length edge is its vertex; points exactly over an edge or a vertex are finite.
    EXPECT_EQ(tool->Zval_EdgeCC(a, a, p), tool->Zval_VertCC(a, p)) << k.name;
    EXPECT_EQ(tool->Zval_VertCC(a, p), 2) << k.name;
    for (const double* q : {p, pOnEdge}) {
      const double z = tool->Zval_EdgeCC(a, b, q);
      EXPECT_TRUE(std::isfinite(z)) << k.name;
      EXPECT_GE(z, std::max(tool->Zval_VertCC(a, q), tool->Zval_VertCC(b, q))) << k.name;
    }
    // NaN coordinates count as out of reach.
    const double bad[3] = {nan, 1, 2};
    EXPECT_EQ(tool->Zval_VertCC(bad, p), kNoHeight) << k.name;
    EXPECT_EQ(tool->Zval_EdgeCC(bad, b, p), kNoHeight) << k.name;
    EXPECT_EQ(tool->Zval_EdgeCC(a, bad, p), kNoHeight) << k.name;
    const double badZ[3] = {2, 1, nan};
    EXPECT_EQ(tool->Zval_EdgeCC(a, badZ, p), kNoHeight) << k.name;
  }
  // Hostile parameters still give a usable shape.
  CTBull bull(6, 10);
  EXPECT_EQ(bull.GetTipRad(), 3) << "corner clamped to the radius";
  CTConnic cone(6, nan);
  const double v[3] = {1, 0, 0}, p[3] = {0, 0, 0};
  EXPECT_TRUE(std::isfinite(cone.Zval_VertCC(v, p)));
  CTBall none(-2);
  EXPECT_EQ(none.Zval_VertCC(v, p), kNoHeight);
}

}  // namespace
