// The surface kernel's NURBS utilities on the B-spline edges and faces of Open
// CASCADE's sample models.

#include "testing/OcctModels.h"
#include "toolpath/surfkernel/NurbsUtil.h"
#include "toolpath/surfkernel/SurfaceEntity.h"
#include "toolpath/surfkernel/SurfaceIntersect.h"
#include "testing/SurfaceFixtures.h"

#include <GeomInt_IntSS.hxx>
#include <Geom_Curve.hxx>

#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <gp_Vec.hxx>

#include "framework/numerak/Knot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

// Surface/surface intersections of B-spline surfaces against GeomInt_IntSS
// (walking lines, no approximation): where the two answers are more than r0
// plus the peer's tolerance apart, the point-on-both-surfaces test decides
// which one is wrong, and a point we missed fails.
struct PairReport {
    int ours = 0, peers = 0, missed = 0, peerMissed = 0, peerOff = 0, overlaps = 0;
};

double SurfaceDistance(SURFACE* s, const double* p)
{
    double u = 0, v = 0, foot[3];
    return ESRF_ProjectPoint(&u, &v, foot, s, p) == 1 ? dist(p, foot) : 1e300;
}

double PolylineDistance(const double* p, const std::vector<std::vector<std::array<double, 3>>>& lines)
{
    double best = 1e300;
    for (const auto& l : lines)
        for (std::size_t i = 0; i + 1 < l.size(); ++i) {
            const double* a = l[i].data();
            const double* b = l[i + 1].data();
            double ab[3], ap[3];
            for (int e = 0; e < 3; ++e) {
                ab[e] = b[e] - a[e];
                ap[e] = p[e] - a[e];
            }
            const double l2 = ab[0] * ab[0] + ab[1] * ab[1] + ab[2] * ab[2];
            const double t = l2 > 0 ? std::clamp((ap[0] * ab[0] + ap[1] * ab[1] + ap[2] * ab[2]) / l2, 0.0, 1.0) : 0.0;
            const double f[3] = {a[0] + t * ab[0], a[1] + t * ab[1], a[2] + t * ab[2]};
            best = std::min(best, dist(p, f));
        }
    return best;
}

PairReport ComparePair(const _nurbs_surface* a, const _nurbs_surface* b, double size, const std::string& label)
{
    PairReport rep;
    ESSI_ResetKernelState();
    const double k = size / 10.0; // the default triples suit a model of about 10 units
    ESSI_SetSubdivTolerance(0.001 * k, 0.2, 0.01 * k);
    ESSI_SetTraceTolerance(0.0005 * k, 0.1, 0.005 * k);
    const double r0 = 0.0005 * k;
    SURFACE* A = ESRF_NewNurbs(BSRF_Clone(a));
    SURFACE* B = ESRF_NewNurbs(BSRF_Clone(b));
    SSI_SUBDIV *sa = nullptr, *sb = nullptr;
    SSI_POINT* contacts = nullptr;
    SSI_CURVENODE* curves = nullptr;
    EXPECT_EQ(ESSI_Intersect(A, B, nullptr, &sa, nullptr, &sb, &contacts, &curves), 1) << label;
    std::vector<std::vector<std::array<double, 3>>> ours, peer;
    for (const SSI_CURVENODE* c = curves; c; c = c->next) {
        const SSI_TRACE* tr = c->curve->trace;
        std::vector<std::array<double, 3>> l;
        for (int i = 0; i < tr->n; ++i) {
            const double* p = tr->s[i].p;
            l.push_back({p[0], p[1], p[2]});
            EXPECT_LT(std::max(SurfaceDistance(A, p), SurfaceDistance(B, p)), 1e-8 * std::max(1.0, size)) << label;
        }
        // Points between the samples lie on both surfaces too.
        for (int j = 1; j < 8; ++j) {
            const double t = c->range[0] + (c->range[1] - c->range[0]) * (j - 0.5) / 7.0;
            double P[3];
            const int got = ECRV_IntersectionPoint(c->curve, t, P);
            EXPECT_EQ(got, 1) << label << " t " << t;
            if (got == 1) {
                EXPECT_LT(std::max(SurfaceDistance(A, P), SurfaceDistance(B, P)), 1e-8 * std::max(1.0, size)) << label;
            }
        }
        ours.push_back(l);
        ++rep.ours;
    }
    GeomInt_IntSS ss(occt3d::ToOcct(a), occt3d::ToOcct(b), 1e-7 * std::max(1.0, size), Standard_False, Standard_False,
                     Standard_False);
    if (ss.IsDone()) {
        const double peerTol = std::max(ss.TolReached3d(), 1e-7 * size);
        for (int i = 1; i <= ss.NbLines(); ++i) {
            const Handle(Geom_Curve)& c = ss.Line(i);
            std::vector<std::array<double, 3>> l;
            const double f = c->FirstParameter(), e = c->LastParameter();
            for (int j = 0; j <= 400; ++j) {
                const gp_Pnt q = c->Value(f + (e - f) * j / 400.0);
                l.push_back({q.X(), q.Y(), q.Z()});
            }
            peer.push_back(l);
            ++rep.peers;
        }
        for (const auto& l : peer)
            for (const auto& q : l) {
                if (PolylineDistance(q.data(), ours) <= r0 + peerTol)
                    continue;
                // The peer's point decides only when it is on both surfaces.
                if (std::max(SurfaceDistance(A, q.data()), SurfaceDistance(B, q.data())) < peerTol)
                    ++rep.missed;
                else
                    ++rep.peerOff;
            }
        for (const auto& l : ours)
            for (const auto& p : l)
                rep.peerMissed += PolylineDistance(p.data(), peer) > r0 + peerTol;
    }
    EXPECT_EQ(rep.missed, 0) << label << ": peer points on both surfaces that we did not find";
    // No two of our curves share a piece: a chord's middle within r0/10 of
    // another curve, away from that curve's ends (curves may meet there), is
    // an overlap; two such chords are allowed where curves meet at a slant.
    for (std::size_t i = 0; i < ours.size(); ++i)
        for (std::size_t j = 0; j < ours.size(); ++j) {
            if (i == j)
                continue;
            int shared = 0;
            for (std::size_t m = 0; m + 1 < ours[i].size(); ++m) {
                double mid[3];
                for (int e = 0; e < 3; ++e)
                    mid[e] = 0.5 * (ours[i][m][e] + ours[i][m + 1][e]);
                if (dist(mid, ours[j].front().data()) < r0 || dist(mid, ours[j].back().data()) < r0)
                    continue;
                shared += PolylineDistance(mid, {ours[j]}) < 0.1 * r0;
            }
            rep.overlaps += shared > 2;
        }
    // Nor does a contact point lie on one of our curves.
    for (const SSI_POINT* c = contacts; c; c = c->next)
        rep.overlaps += PolylineDistance(c->p, ours) < r0;
    EXPECT_EQ(rep.overlaps, 0) << label << ": our curves overlap";
    ESSI_FreePointList(contacts);
    ESSI_FreeCurveList(curves);
    ESSI_FreeSubdivision(sa);
    ESSI_FreeSubdivision(sb);
    ENT_Free(A);
    ENT_Free(B);
    return rep;
}

double NetSize(const _nurbs_surface* s)
{
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (int i = 0; i < s->nu; ++i)
        for (int j = 0; j < s->nv; ++j)
            for (int e = 0; e < 3; ++e) {
                lo[e] = std::min(lo[e], s->P[i][j][e] / s->P[i][j][3]);
                hi[e] = std::max(hi[e], s->P[i][j][e] / s->P[i][j][3]);
            }
    return std::hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]);
}

void NetBox(const _nurbs_surface* s, double* lo, double* hi)
{
    for (int e = 0; e < 3; ++e) {
        lo[e] = 1e300;
        hi[e] = -1e300;
    }
    for (int i = 0; i < s->nu; ++i)
        for (int j = 0; j < s->nv; ++j)
            for (int e = 0; e < 3; ++e) {
                lo[e] = std::min(lo[e], s->P[i][j][e] / s->P[i][j][3]);
                hi[e] = std::max(hi[e], s->P[i][j][e] / s->P[i][j][3]);
            }
}

bool NetsOverlap(const _nurbs_surface* a, const _nurbs_surface* b)
{
    double la[3], ha[3], lb[3], hb[3];
    NetBox(a, la, ha);
    NetBox(b, lb, hb);
    for (int e = 0; e < 3; ++e)
        if (la[e] > hb[e] || lb[e] > ha[e])
            return false;
    return true;
}

TEST(SurfKernelOcct, IntersectionsOfRandomBicubicsLikeThePeer)
{
    int branches = 0;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        surffix::SurfPtr a = surffix::Wavy(8, seed % 2 == 0, seed);
        surffix::SurfPtr b = surffix::Wavy(8, false, seed + 100);
        // b stood up across a: x, y, z -> x, z + 5, y - 5 turned a little.
        const double c = std::cos(0.2 * seed), s = std::sin(0.2 * seed);
        for (int i = 0; i < b->nu; ++i)
            for (int j = 0; j < b->nv; ++j) {
                double* P = b->P[i][j];
                const double w = P[3], x = P[0] / w, y = P[1] / w, z = P[2] / w;
                const double X = c * x - s * (z + 5), Y = s * x + c * (z + 5);
                P[0] = w * (X + 2);
                P[1] = w * Y;
                P[2] = w * (y - 5);
            }
        const PairReport r = ComparePair(a.get(), b.get(), 15.0, "random pair " + std::to_string(seed));
        EXPECT_EQ(r.ours, r.peers) << "random pair " << seed;
        branches += r.ours;
    }
    EXPECT_GE(branches, 6);
}

// Contour lines of the terrain: the face cut by horizontal planes.
TEST(SurfKernelOcct, TerrainContoursLikeThePeer)
{
    const TopoDS_Shape shape = occt3d::ReadBrepAsNurbs(std::string(occt3d::kModelFolder) + "/terrain.brep");
    ASSERT_FALSE(shape.IsNull());
    const auto faces = occt3d::ModelFaces(shape);
    ASSERT_FALSE(faces.empty());
    int contours = 0;
    for (const auto& f : faces) {
        // A corner of the terrain, a quarter of each parameter range (the
        // peer needs minutes for the whole face).
        Handle(Geom_BSplineSurface) part = Handle(Geom_BSplineSurface)::DownCast(f.peer->Copy());
        double u0, u1, v0, v1;
        part->Bounds(u0, u1, v0, v1);
        part->Segment(u0, u0 + 0.25 * (u1 - u0), v0, v0 + 0.25 * (v1 - v0));
        std::unique_ptr<_nurbs_surface, occt3d::SurfaceFreer> corner(occt3d::FromOcct(part));
        const _nurbs_surface* t = corner.get();
        double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
        for (int i = 0; i < t->nu; ++i)
            for (int j = 0; j < t->nv; ++j)
                for (int e = 0; e < 3; ++e) {
                    lo[e] = std::min(lo[e], t->P[i][j][e] / t->P[i][j][3]);
                    hi[e] = std::max(hi[e], t->P[i][j][e] / t->P[i][j][3]);
                }
        const double size = NetSize(t);
        for (int level = 1; level <= 4; ++level) {
            const double z = lo[2] + (hi[2] - lo[2]) * level / 5.0;
            surffix::SurfPtr plane(BSRF_Create(2, 2, 2, 2));
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 2; ++j) {
                    double* P = plane->P[i][j];
                    P[0] = i ? hi[0] + 0.1 * size : lo[0] - 0.1 * size;
                    P[1] = j ? hi[1] + 0.1 * size : lo[1] - 0.1 * size;
                    P[2] = z;
                    P[3] = 1.0;
                }
            const PairReport r = ComparePair(t, plane.get(), size, "terrain level " + std::to_string(level));
            contours += r.ours;
        }
    }
    EXPECT_GE(contours, 4);
}

// Pairs of B-spline faces of real models whose boxes overlap, and faces that
// meet along a shared edge: shell1's faces 0 and 1 touch tangentially along
// it, bottle's faces 0 and 4 cross at right angles along an edge of face 0.
TEST(SurfKernelOcct, ModelFacePairsIntersectLikeThePeer)
{
    struct Model {
        const char* name;
        std::vector<std::pair<std::size_t, std::size_t>> edgePairs;
    };
    int pairs = 0;
    for (const Model& model : {Model{"shell1.brep", {{0, 1}}}, Model{"bottle.brep", {{0, 4}}}}) {
        const char* name = model.name;
        const TopoDS_Shape shape = occt3d::ReadBrepAsNurbs(std::string(occt3d::kModelFolder) + "/" + name);
        ASSERT_FALSE(shape.IsNull()) << name;
        const auto faces = occt3d::ModelFaces(shape);
        std::vector<std::pair<std::size_t, std::size_t>> chosen;
        for (std::size_t i = 0; i < faces.size() && chosen.size() < 8; ++i)
            for (std::size_t j = i + 1; j < faces.size() && chosen.size() < 8; ++j)
                if (NetsOverlap(faces[i].ours.get(), faces[j].ours.get()))
                    chosen.emplace_back(i, j);
        for (const auto& p : model.edgePairs) {
            ASSERT_LT(p.second, faces.size()) << name;
            if (std::find(chosen.begin(), chosen.end(), p) == chosen.end())
                chosen.push_back(p);
        }
        for (const auto& [i, j] : chosen) {
            const double size = std::max(NetSize(faces[i].ours.get()), NetSize(faces[j].ours.get()));
            ComparePair(faces[i].ours.get(), faces[j].ours.get(), size,
                        std::string(name) + " faces " + std::to_string(i) + ", " + std::to_string(j));
            ++pairs;
        }
    }
    EXPECT_GT(pairs, 6);
}

} // namespace
