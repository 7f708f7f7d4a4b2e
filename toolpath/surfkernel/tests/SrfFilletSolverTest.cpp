#include "toolpath/surfkernel/SrfFilletSolver.h"

#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bsrf.h"
#include "toolpath/surfkernel/SurfaceEntity.h"
#include "toolpath/surfkernel/tests/TrimAdaptorFixtures.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

using trimadapt::Floor;
using trimadapt::Input;
using trimadapt::Wall;
using trimadapt::WallDir;
using trimadapt::V3;
using ResultList = CTypedPtrList<CObList, CGeTrimSurf*>;

// The solver leaves the kernel's triples set: every test starts from and goes
// back to the kernel's initial state.
class SrfFilletSolverTest : public ::testing::Test {
protected:
    void SetUp() override { ESSI_ResetKernelState(); }
    void TearDown() override
    {
        ESSI_ResetKernelState();
        looker::testing::ResetQVGlobal();
    }
};

std::vector<CGeTrimSurf*> Take(ResultList& list)
{
    std::vector<CGeTrimSurf*> out;
    while (!list.IsEmpty()) out.push_back(list.RemoveHead());
    return out;
}

double Norm(const double* a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

// Checks every sample of every piece: the spine point at the radius from both
// contact points, along both base normals; returns the sweep between the two
// contact directions at the first sample (radians).
double CheckSections(const CSrfFilletSolver& s, double rA, double rB, const std::string& label)
{
    double sweep = -1.0;
    int samples = 0;
    for (const SrfCurvePiece* p = s.curves; p; p = p->next) {
        const ECRV_INTCUR* c = p->curve;
        const SURFACE* base[2] = {nullptr, nullptr};
        for (const SrfFilletEntry* e : {s.first, s.second}) {
            if (e->Working() == c->a) base[0] = e->base;
            if (e->Working() == c->b) base[1] = e->base;
        }
        // The first surface of the record is the first set's when both are offsets.
        const double r[2] = {s.first->Working() == c->a ? rA : rB, s.first->Working() == c->a ? rB : rA};
        for (int k = 0; k < c->trace->n; ++k) {
            const SSI_SAMPLE& sm = c->trace->s[k];
            const double* uv[2] = {sm.uvA, sm.uvB};
            double d[2][3];
            for (int side = 0; side < 2; ++side) {
                double P[3], N[3];
                EXPECT_EQ(ESRF_EvalNormal(N, P, base[side], uv[side][0], uv[side][1]), 1) << label;
                for (int q = 0; q < 3; ++q) d[side][q] = sm.p[q] - P[q];
                const double len = Norm(d[side]);
                EXPECT_NEAR(len, r[side], 1e-3) << label << ": sample " << k << " side " << side;
                const double dot = (d[side][0] * N[0] + d[side][1] * N[1] + d[side][2] * N[2]) / len;
                EXPECT_NEAR(std::fabs(dot), 1.0, 1e-6) << label << ": the base normal misses the spine, sample " << k;
            }
            if (sweep < 0)
                sweep = std::acos((d[0][0] * d[1][0] + d[0][1] * d[1][1] + d[0][2] * d[1][2]) / Norm(d[0]) / Norm(d[1]));
            ++samples;
        }
    }
    EXPECT_GT(samples, 1) << label;
    return sweep;
}

// Calls f on an n × n grid of points of the surface (over its knot box).
void ForGrid(CGeTrimSurf& s, int n, const std::function<void(const double*)>& f)
{
    const BOX2<double>& b = s.m_boxUV;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) {
            double p[3];
            ASSERT_TRUE(s.GetPoint(b.xmin + (b.xmax - b.xmin) * i / n, b.ymin + (b.ymax - b.ymin) * j / n, p));
            f(p);
        }
}

TEST_F(SrfFilletSolverTest, FilletsBetweenPlanes)
{
    const double pi = std::numbers::pi, r = 5.0;
    struct Row {
        const char* label;
        double alpha;
        int floorSide;
        double zSign;  // the quadrant of the fillet: above or below the floor
    } rows[] = {
        {"planes at 90 degrees", pi / 2, 0, 1},
        {"planes at 60 degrees", pi / 3, 0, 1},
        {"the floor's side flipped", pi / 2, 1, -1},
    };
    // Triples other than the kernel's own, so that the run is seen to set them.
    CQVGlobal settings;
    const double pre[3] = {0.0008, 0.15, 0.02}, tra[3] = {0.0004, 0.08, 0.004};
    settings.SetSurfSubdivTol(pre);
    settings.SetSurfTraceTol(tra);
    gSetQVGlobal(&settings);
    for (const Row& row : rows) {
        ESSI_ResetKernelState();
        Input floor = Floor(), wall = Wall(row.alpha);
        CSrfFilletSolver s;
        s.radius = r;
        s.AddFirst(floor.get(), row.floorSide);
        s.AddSecond(wall.get(), 1);
        ResultList result;
        ASSERT_EQ(s.SrfFillet(&result), 1) << row.label;
        std::vector<std::unique_ptr<CGeTrimSurf>> fillets;
        for (CGeTrimSurf* f : Take(result)) fillets.emplace_back(f);
        int pieces = 0;
        for (const SrfCurvePiece* p = s.curves; p; p = p->next) ++pieces;
        EXPECT_EQ(fillets.size(), static_cast<size_t>(pieces)) << row.label << ": one surface per piece";
        ASSERT_GE(pieces, 1) << row.label;
        const double sweep = CheckSections(s, r, r, row.label);
        EXPECT_NEAR(sweep, pi - row.alpha, 1e-4) << row.label;
        // The ball centre runs along the line at r from both planes in the wedge;
        // every fillet point lies at r from it, inside the wedge's quadrant.
        // The centre line: z = zc and r from the wall towards the wedge, the wall
        // passing through (10, y, 0) with unit normal (sin alpha, 0, cos alpha).
        const double zc = row.zSign * r;
        const double xc = 10 + (-r - std::cos(row.alpha) * zc) / std::sin(row.alpha);
        double worst = 0.0, minZ = 1e9;
        for (auto& f : fillets)
            ForGrid(*f, 20, [&](const double* p) {
                worst = std::max(worst, std::fabs(std::hypot(p[0] - xc, p[2] - zc) - r));
                minZ = std::min(minZ, p[2] * row.zSign);
            });
        EXPECT_LT(worst, 1e-3) << row.label << ": the fillet is the cylinder about the ball's path";
        EXPECT_GT(minZ, -1e-6) << row.label << ": the fillet lies in the wedge's quadrant";
        double sub[3], trace[3];
        ESSI_GetSubdivTolerance(sub);
        ESSI_GetTraceTolerance(trace);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(sub[k], pre[k]) << row.label << ": the application's subdivision triple stays set";
            EXPECT_EQ(trace[k], tra[k]) << row.label << ": the application's trace triple stays set";
        }
    }
}

TEST_F(SrfFilletSolverTest, NoFilletForNoRadiusOrApartSurfaces)
{
    struct Row {
        const char* label;
        double radius;
        double floorX;  // where the floor starts
    } rows[] = {{"radius 0", 0.0, 0.0}, {"radius below the limit", 1e-7, 0.0}, {"boxes apart", 5.0, 100.0}};
    for (const Row& row : rows) {
        Input floor = Floor(row.floorX), wall = Wall(std::numbers::pi / 2);
        CSrfFilletSolver s;
        s.radius = row.radius;
        s.AddFirst(floor.get(), 0);
        s.AddSecond(wall.get(), 1);
        ResultList result;
        EXPECT_EQ(s.SrfFillet(&result), 0) << row.label;
        EXPECT_TRUE(result.IsEmpty()) << row.label;
    }
    CSrfFilletSolver s;
    s.radius = 5;
    EXPECT_EQ(s.AddFirst(nullptr, 0), 0);
    EXPECT_EQ(s.IsValid(), 0) << "empty sets";
    Input bare = Floor();
    ENT_Free(static_cast<SURFACE*>(bare.surf->m_pKernelSurf));
    bare.surf->m_pKernelSurf = nullptr;
    Input wall = Wall(std::numbers::pi / 2);
    s.AddFirst(bare.get(), 0);
    s.AddSecond(wall.get(), 1);
    ResultList result;
    EXPECT_EQ(s.SrfFillet(&result), 0) << "a surface without its kernel record";
}

TEST_F(SrfFilletSolverTest, ChamferBetweenPlanes)
{
    Input floor = Floor(), wall = Wall(std::numbers::pi / 2);
    CSrfChamferSolver s;
    s.firstDist = 2;
    s.secondDist = 3;
    s.AddFirst(floor.get(), 0);
    s.AddSecond(wall.get(), 1);
    ResultList result;
    ASSERT_EQ(s.SrfChamfer(&result), 1);
    EXPECT_EQ(s.radius, 2.0);
    std::vector<std::unique_ptr<CGeTrimSurf>> faces;
    for (CGeTrimSurf* f : Take(result)) faces.emplace_back(f);
    ASSERT_EQ(faces.size(), 1u);
    CheckSections(s, 2, 3, "chamfer");
    // Straight sections from (7, y, 0) on the floor to (10, y, 2) on the wall.
    double off = 0.0, lo = 1e9, hi = -1e9;
    ForGrid(*faces[0], 20, [&](const double* p) {
        off = std::max(off, std::fabs(2 * (p[0] - 7) - 3 * p[2]) / std::sqrt(13.0));
        lo = std::min(lo, p[0]);
        hi = std::max(hi, p[0]);
    });
    EXPECT_LT(off, 1e-6);
    EXPECT_NEAR(lo, 7, 1e-6);
    EXPECT_NEAR(hi, 10, 1e-6);

    CSrfChamferSolver none;
    none.firstDist = 2;
    none.AddFirst(floor.get(), 0);
    none.AddSecond(wall.get(), 1);
    EXPECT_EQ(none.SrfChamfer(&result), 0) << "a second distance of 0";
}

TEST_F(SrfFilletSolverTest, TrimmedPiecesFollowTheFillet)
{
    Input floor = Floor(), wall = Wall(std::numbers::pi / 2);
    CSrfFilletSolver s;
    s.radius = 5;
    s.trimFirst = s.trimSecond = 1;
    s.AddFirst(floor.get(), 0);
    s.AddSecond(wall.get(), 1);
    ResultList result;
    ASSERT_EQ(s.SrfFillet(&result), 1);
    std::vector<std::unique_ptr<CGeTrimSurf>> out;
    for (CGeTrimSurf* f : Take(result)) out.emplace_back(f);
    ASSERT_EQ(out.size(), 3u) << "the fillet, the floor's piece, the wall's piece";
    EXPECT_TRUE(out[0]->m_listLoop.IsEmpty()) << "the fillet comes first, untrimmed";
    EXPECT_EQ(s.first->done, 1);
    EXPECT_EQ(s.second->done, 1);
    EXPECT_EQ(floor.surf->m_pKernelSurf, nullptr) << "the trim released the kernel record";
    // The floor keeps x < 5 (away from the fillet), the wall z > 5.
    struct Kept {
        CGeTrimSurf* piece;
        std::function<bool(const double*)> inside;
        const char* label;
    } kept[] = {{out[1].get(), [](const double* p) { return p[0] < 5; }, "floor"},
                {out[2].get(), [](const double* p) { return p[2] > 5; }, "wall"}};
    for (const Kept& k : kept) {
        int in = 0, total = 0;
        const BOX2<double>& b = k.piece->m_boxUV;
        for (int i = 0; i < 40; ++i)
            for (int j = 0; j < 40; ++j) {
                double uv[2] = {b.xmin + (i + 0.5) / 40 * (b.xmax - b.xmin), b.ymin + (j + 0.5) / 40 * (b.ymax - b.ymin)};
                double p[3];
                k.piece->GetPoint(uv[0], uv[1], p);
                const bool pieceHas = k.piece->IsPtInParaLoop(uv);
                total += pieceHas;
                in += pieceHas == k.inside(p);
            }
        EXPECT_EQ(in, 1600) << k.label << ": the piece is the kept side";
        EXPECT_GT(total, 0) << k.label;
    }
}

TEST_F(SrfFilletSolverTest, FilletBetweenPlaneAndCylinder)
{
    // A cylinder of radius 3 standing on the floor, rounded into it outside: the
    // fillet lies on the torus swept by the ball about the cylinder's axis.
    const double R = 3, r = 1;
    surffix::SurfPtr cyl = surffix::Cylinder(R, 6);
    const double move[3] = {10, 5, -2};
    BSRF_Move(cyl.get(), move);
    Input cylinder{std::move(cyl)};
    Input floor = Floor();
    // The side that offsets the cylinder outwards.
    double P[3], N[3];
    cylinder.surf->GetNormal(0.1, 0.5, P, N);
    const int side = (P[0] - 10) * N[0] + (P[1] - 5) * N[1] > 0 ? 0 : 1;
    CSrfFilletSolver s;
    s.radius = r;
    s.AddFirst(floor.get(), 0);
    s.AddSecond(cylinder.get(), side);
    ResultList result;
    ASSERT_EQ(s.SrfFillet(&result), 1);
    std::vector<std::unique_ptr<CGeTrimSurf>> fillets;
    for (CGeTrimSurf* f : Take(result)) fillets.emplace_back(f);
    ASSERT_FALSE(fillets.empty());
    CheckSections(s, r, r, "plane and cylinder");
    double worst = 0.0;
    for (auto& f : fillets)
        ForGrid(*f, 30, [&](const double* p) {
            const double rho = std::hypot(p[0] - 10, p[1] - 5);
            worst = std::max(worst, std::fabs(std::hypot(rho - (R + r), p[2] - r) - r));
        });
    EXPECT_LT(worst, 2e-3) << "on the torus";
}

// A wall standing on the floor z = 0 along a cubic B-spline wave in the plane
// (x from 0 to 30, y = 3 + 2 sin(x / 5) at the poles), from z = -5 to 10; its
// normal (along the wave × up) points to -y.
surffix::SurfPtr WavyWall()
{
    constexpr int poles = 10;
    surffix::SurfPtr s(BSRF_Create(4, poles, 2, 2));
    for (int i = 0; i < poles; ++i)
        for (int j = 0; j < 2; ++j) {
            const double x = 30.0 * i / (poles - 1);
            double* P = s->P[i][j];
            P[0] = x, P[1] = 3 + 2 * std::sin(x / 5), P[2] = j ? 10 : -5, P[3] = 1;
        }
    for (int k = 0; k < poles + 4; ++k) s->U[k] = std::clamp(double(k - 3) / (poles - 3), 0.0, 1.0);
    return s;
}

// The fillet (or chamfer) surface keeps only some of the spine's sections: at
// every few samples the exact section (the arc of the radius about the spine
// point from one contact point to the other, or the chamfer's line between
// them) lies within the fitting tolerance of the surface, though the surface has
// far fewer columns than the spine has samples.
TEST_F(SrfFilletSolverTest, LighterSurfacesHoldEverySampleSection)
{
    const double R = 3;
    struct Row {
        const char* label;
        bool cylinder;  // the wall: a cylinder of radius 3, else the wave
        bool chamfer;   // straight sections of distances 1.5 and 2, else arcs of radius 1.5
    } rows[] = {
        {"fillet along a wavy wall", false, false},
        {"chamfer along a wavy wall", false, true},
        {"fillet round a cylinder", true, false},
    };
    for (const Row& row : rows) {
        ESSI_ResetKernelState();
        Input floor(trimadapt::Parallelogram({-5, -10, 0}, {40, 0, 0}, {0, 25, 0}));
        auto makeWall = [&]() {
            if (!row.cylinder) return WavyWall();
            surffix::SurfPtr cyl = surffix::Cylinder(R, 6);
            const double move[3] = {10, 5, -2};
            BSRF_Move(cyl.get(), move);
            return cyl;
        };
        Input wall(makeWall());
        int wallSide = 0;
        if (row.cylinder) {
            double P[3], N[3];
            wall.surf->GetNormal(0.1, 0.5, P, N);
            wallSide = (P[0] - 10) * N[0] + (P[1] - 5) * N[1] > 0 ? 0 : 1;  // offset outwards
        }
        std::unique_ptr<CSrfFilletSolver> solver;
        if (row.chamfer) {
            auto* c = new CSrfChamferSolver;
            c->firstDist = 1.5;
            c->secondDist = 2;
            solver.reset(c);
        } else {
            solver = std::make_unique<CSrfFilletSolver>();
            solver->radius = 1.5;
        }
        solver->AddFirst(floor.get(), 0);
        solver->AddSecond(wall.get(), wallSide);
        ResultList result;
        ASSERT_EQ(row.chamfer ? static_cast<CSrfChamferSolver*>(solver.get())->SrfChamfer(&result)
                              : solver->SrfFillet(&result),
                  1)
            << row.label;
        std::vector<std::unique_ptr<CGeTrimSurf>> faces;
        for (CGeTrimSurf* f : Take(result)) faces.emplace_back(f);
        int pieces = 0;
        for (const SrfCurvePiece* p = solver->curves; p; p = p->next) ++pieces;
        ASSERT_EQ(faces.size(), static_cast<size_t>(pieces)) << row.label;
        size_t k = 0;
        for (const SrfCurvePiece* p = solver->curves; p; p = p->next, ++k) {
            const ECRV_INTCUR* c = p->curve;
            const _nurbs_surface* ns = faces[k]->m_pSurface;
            ASSERT_NE(ns, nullptr) << row.label;
            EXPECT_LT(ns->nv * 10, c->trace->n) << row.label << ": far fewer columns than samples";
            SURFACE* rec = ESRF_NewNurbs(BSRF_Clone(ns));
            const SURFACE* base[2] = {solver->first->base, solver->second->base};
            if (solver->first->Working() != c->a) std::swap(base[0], base[1]);
            const int stride = std::max(1, c->trace->n / 400);
            double worst = 0.0;
            for (int i = 0; i < c->trace->n; i += stride) {
                const SSI_SAMPLE& sm = c->trace->s[i];
                double pa[3], pb[3];
                ASSERT_EQ(ESRF_EvalPoint(pa, base[0], sm.uvA[0], sm.uvA[1]), 1);
                ASSERT_EQ(ESRF_EvalPoint(pb, base[1], sm.uvB[0], sm.uvB[1]), 1);
                // The arc: P + r (cos θ e1 + sin θ e2), e1 towards A's contact,
                // e2 the part of the way to B's contact across e1.
                double e1[3], e2[3];
                for (int q = 0; q < 3; ++q) e1[q] = pa[q] - sm.p[q], e2[q] = pb[q] - sm.p[q];
                const double r = Norm(e1);
                for (int q = 0; q < 3; ++q) e1[q] /= r;
                const double along = e1[0] * e2[0] + e1[1] * e2[1] + e1[2] * e2[2];
                for (int q = 0; q < 3; ++q) e2[q] -= along * e1[q];
                const double across = Norm(e2);
                for (int q = 0; q < 3; ++q) e2[q] /= across;
                const double sweep = std::atan2(across, along);
                for (int j = 0; j <= 8; ++j) {
                    double x[3];
                    for (int q = 0; q < 3; ++q) {
                        const double th = sweep * j / 8;
                        x[q] = row.chamfer ? pa[q] + (pb[q] - pa[q]) * j / 8
                                           : sm.p[q] + r * (std::cos(th) * e1[q] + std::sin(th) * e2[q]);
                    }
                    double u = 0.5, v = 0.5, foot[3];
                    ASSERT_EQ(ESRF_ProjectPoint(&u, &v, foot, rec, x), 1) << row.label;
                    worst = std::max(worst, std::sqrt((x[0] - foot[0]) * (x[0] - foot[0]) +
                                                      (x[1] - foot[1]) * (x[1] - foot[1]) +
                                                      (x[2] - foot[2]) * (x[2] - foot[2])));
                }
            }
            ENT_Free(rec);
            EXPECT_LT(worst, kFilletFitTol) << row.label << ": the surface strays from a sample's section";
        }
    }
}

}  // namespace
