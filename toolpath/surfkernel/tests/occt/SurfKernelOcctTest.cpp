// The surface kernel's NURBS utilities on the B-spline edges and faces of Open
// CASCADE's sample models.

#include "testing/OcctModels.h"
#include "toolpath/surfkernel/NurbsUtil.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <gp_Vec.hxx>

#include "framework/numerak/Knot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <cmath>
#include <string>
#include <vector>

namespace {

double dist(const double* a, const gp_Pnt& b) { return std::hypot(a[0] - b.X(), a[1] - b.Y(), a[2] - b.Z()); }

double dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

const char* const kModels[] = {"bottle.brep", "wing.brep", "CrankArm.brep", "Ball.brep"};

TEST(SurfKernelOcct, ModelEdgesAndFacesEvaluateLikeThePeer)
{
    int edges = 0, faces = 0;
    for (const char* name : kModels) {
        const std::string path = std::string(occt3d::kModelFolder) + "/" + name;
        const TopoDS_Shape shape = occt3d::ReadBrepAsNurbs(path);
        if (shape.IsNull() && std::string(name) == "wing.brep")
            continue; // not in every occt-misc release
        ASSERT_FALSE(shape.IsNull()) << path;
        for (const auto& e : occt3d::ModelEdges(shape)) {
            ASSERT_TRUE(e.ours) << name;
            const double t0 = e.ours->U[e.ours->k - 1], t1 = e.ours->U[e.ours->n];
            const double size = 1.0 + e.peer->Pole(1).Distance(gp_Pnt(0, 0, 0));
            for (int i = 0; i <= 40; ++i) {
                const double t = t0 + (t1 - t0) * i / 40;
                double p[3];
                ASSERT_EQ(BCRV_EvPos(e.ours.get(), t, p), 1) << name;
                EXPECT_LT(dist(p, e.peer->Value(t)), 1e-9 * size) << name << " edge " << edges << " t " << t;
            }
            ++edges;
        }
        for (const auto& f : occt3d::ModelFaces(shape)) {
            ASSERT_TRUE(f.ours) << name;
            const auto* s = f.ours.get();
            const double u0 = s->U[s->ku - 1], u1 = s->U[s->nu], v0 = s->V[s->kv - 1], v1 = s->V[s->nv];
            const double size = 1.0 + f.peer->Pole(1, 1).Distance(gp_Pnt(0, 0, 0));
            for (int i = 0; i <= 12; ++i)
                for (int j = 0; j <= 12; ++j) {
                    const double u = u0 + (u1 - u0) * i / 12, v = v0 + (v1 - v0) * j / 12;
                    double p[3];
                    ASSERT_EQ(BSRF_EvPos(s, u, v, p), 1) << name;
                    EXPECT_LT(dist(p, f.peer->Value(u, v)), 1e-9 * size) << name << " face " << faces;
                }
            ++faces;
        }
    }
    EXPECT_GT(edges, 50);
    EXPECT_GT(faces, 10);
}

TEST(SurfKernelOcct, ModelEdgesSurviveKnotInsertionAndRemoval)
{
    int tested = 0;
    for (const char* name : kModels) {
        const TopoDS_Shape shape = occt3d::ReadBrepAsNurbs(std::string(occt3d::kModelFolder) + "/" + name);
        if (shape.IsNull())
            continue;
        for (const auto& e : occt3d::ModelEdges(shape)) {
            // Our curves run over [0, 1]: normalised copy of the peer's knots.
            std::unique_ptr<BCRV, occt3d::CurveFreer> c(occt3d::FromOcct(e.peer, true));
            std::unique_ptr<BCRV, occt3d::CurveFreer> orig(NRB_CopyCurve(c.get()));
            if (c->k < 2 || c->n > 400)
                continue;
            const double size = 1.0 + e.peer->Pole(1).Distance(gp_Pnt(0, 0, 0));
            // Edges whose own knots are removable (lines and arcs stored with
            // spare knots) would lose those too; they are left out.
            std::unique_ptr<BCRV, occt3d::CurveFreer> probe(NRB_CopyCurve(c.get()));
            if (NRB_RemoveCurveKnots(probe.get(), 1e-9 * size) != 0)
                continue;
            // New knots in the middle of the two widest spans, the first one
            // twice: removal divides by the knots' relative positions, so knots
            // crowding an old one of high multiplicity could not be taken out
            // again in floating point.
            std::vector<std::pair<double, double>> spans; // width, middle
            for (int i = c->k - 1; i < c->n; ++i)
                if (c->U[i + 1] > c->U[i])
                    spans.emplace_back(c->U[i + 1] - c->U[i], 0.5 * (c->U[i] + c->U[i + 1]));
            std::sort(spans.rbegin(), spans.rend());
            std::vector<double> extra = {spans[0].second};
            if (c->k >= 3)
                extra.push_back(spans[0].second);
            if (spans.size() > 1)
                extra.push_back(spans[1].second);
            std::sort(extra.begin(), extra.end());
            const int m = static_cast<int>(extra.size());
            ASSERT_EQ(BCRV_InsKnots(c.get(), m, extra.data()), 1) << name;
            const int inserted = c->n - orig->n;
            const int got = NRB_RemoveCurveKnots(c.get(), 1e-9 * size);
            EXPECT_EQ(got, inserted) << name << " edge " << tested;
            ASSERT_EQ(c->n, orig->n) << name << " edge " << tested;
            EXPECT_TRUE(NRB_SameKnots(c.get(), orig.get())) << name << " edge " << tested;
            for (int i = 0; i <= 100; ++i) {
                double p[3], q[3];
                BCRV_EvPos(c.get(), i / 100.0, p);
                BCRV_EvPos(orig.get(), i / 100.0, q);
                EXPECT_LT(dist(p, q), 1e-9 * size) << name << " edge " << tested;
            }
            ++tested;
        }
    }
    EXPECT_GT(tested, 50);
}

double dist(const double* a, const gp_Vec& b) { return std::hypot(a[0] - b.X(), a[1] - b.Y(), a[2] - b.Z()); }

// Kernel records of the models' B-spline faces, on the faces' own knots:
// derivatives as the peer's D2, and nearest points no farther than the peer's
// projection finds.
TEST(SurfKernelOcct, ModelFacesEvaluateAndProjectLikeThePeer)
{
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> unit(0.0, 1.0), lift(-0.2, 0.2);
    int faces = 0, projections = 0;
    for (const char* name : kModels) {
        const TopoDS_Shape shape = occt3d::ReadBrepAsNurbs(std::string(occt3d::kModelFolder) + "/" + name);
        if (shape.IsNull())
            continue;
        for (const auto& f : occt3d::ModelFaces(shape)) {
            if (faces >= 60)
                break;
            ENTITY* rec = ESRF_NewNurbs(BSRF_Clone(f.ours.get()));
            ASSERT_TRUE(rec) << name;
            double box[4];
            ASSERT_EQ(ESRF_GetUVBox(rec, box), 1);
            EXPECT_EQ(box[0], f.peer->UKnot(1)) << name;
            EXPECT_EQ(box[2], f.peer->UKnot(f.peer->NbUKnots())) << name;
            double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
            for (int i = 1; i <= f.peer->NbUPoles(); ++i)
                for (int j = 1; j <= f.peer->NbVPoles(); ++j) {
                    const gp_Pnt q = f.peer->Pole(i, j);
                    const double c[3] = {q.X(), q.Y(), q.Z()};
                    for (int e = 0; e < 3; ++e) {
                        lo[e] = std::min(lo[e], c[e]);
                        hi[e] = std::max(hi[e], c[e]);
                    }
                }
            const double size = std::max(1e-3, std::hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]));
            for (int k = 0; k < 12; ++k) {
                const double u = box[0] + (box[2] - box[0]) * unit(rng), v = box[1] + (box[3] - box[1]) * unit(rng);
                double P[3], Su[3], Sv[3], Suu[3], Suv[3], Svv[3];
                ASSERT_EQ(ESRF_EvalDeriv2(rec, u, v, P, Su, Sv, Suu, Suv, Svv), 1) << name;
                gp_Pnt p;
                gp_Vec su, sv, suu, svv, suv;
                f.peer->D2(u, v, p, su, sv, suu, svv, suv);
                const double scale = 1.0 + su.Magnitude() + sv.Magnitude() + suu.Magnitude() + svv.Magnitude();
                EXPECT_LT(dist(P, p), 1e-9 * size) << name << " face " << faces;
                EXPECT_LT(dist(Su, su), 1e-9 * scale) << name << " face " << faces;
                EXPECT_LT(dist(Sv, sv), 1e-9 * scale) << name << " face " << faces;
                EXPECT_LT(dist(Suu, suu), 1e-8 * scale) << name << " face " << faces;
                EXPECT_LT(dist(Suv, suv), 1e-8 * scale) << name << " face " << faces;
                EXPECT_LT(dist(Svv, svv), 1e-8 * scale) << name << " face " << faces;
                // A point off the surface: our nearest point against the peer's.
                double N[3], Q[3];
                if (ESRF_EvalNormal(N, Q, rec, u, v) != 1)
                    continue;
                const double h = lift(rng) * size;
                const gp_Pnt x(P[0] + h * N[0], P[1] + h * N[1], P[2] + h * N[2]);
                GeomAPI_ProjectPointOnSurf peer(x, f.peer);
                if (peer.NbPoints() == 0)
                    continue;
                const double X[3] = {x.X(), x.Y(), x.Z()};
                double pu = 0, pv = 0, foot[3];
                ASSERT_EQ(ESRF_ProjectPoint(&pu, &pv, foot, rec, X), 1) << name;
                EXPECT_LE(dist(X, foot), peer.LowerDistance() + 1e-9 * size) << name << " face " << faces;
                ++projections;
            }
            ENT_Free(rec);
            ++faces;
        }
    }
    EXPECT_GT(faces, 10);
    EXPECT_GT(projections, 100);
}

} // namespace
