// Surface edits of the NURBS editor: extension, splitting, planes, crease cuts
// and interpolation at uniform row parameters, checked against the original
// surface, closed-form polynomials and dense sampling.
#include "framework/numerak/Bsrf.h"
#include "framework/numerak/NurbsEditor.h"
#include "framework/numerak/NurbsSkin.h"
#include "testing/SurfaceFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using surffix::CurvePtr;
using surffix::SurfPtr;

double Dist(const double* a, const double* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

double U0(const _nurbs_surface* s) { return s->U[s->ku - 1]; }
double U1(const _nurbs_surface* s) { return s->U[s->nu]; }
double V0(const _nurbs_surface* s) { return s->V[s->kv - 1]; }
double V1(const _nurbs_surface* s) { return s->V[s->nv]; }

// Evaluation at normalised parameters (a, b) in [0, 1]^2 of the domain.
void EvNorm(const _nurbs_surface* s, double a, double b, double* P, double* Su = nullptr, double* Sv = nullptr)
{
    double su[3], sv[3];
    BSRF_Ev1Der(s, U0(s) + a * (U1(s) - U0(s)), V0(s) + b * (V1(s) - V0(s)), P, su, sv);
    for (int e = 0; e < 3; ++e) {
        if (Su) Su[e] = su[e] * (U1(s) - U0(s));
        if (Sv) Sv[e] = sv[e] * (V1(s) - V0(s));
    }
}

// A single bicubic Bezier patch over x = 6u, y = 4v (linear precision) with
// heights zc: its heights have the closed form sum zc[i][j] B_i(u) B_j(v) for
// every u, v, also outside [0, 1].
const double kZc[4][4] = {{0, 1, -1, 2}, {1, 3, 0, -2}, {-1, 0, 2, 1}, {2, -1, 1, 0}};

SurfPtr PolyPatch()
{
    SurfPtr s(BSRF_Create(4, 4, 4, 4));
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            s->P[i][j][0] = 2.0 * i;
            s->P[i][j][1] = 4.0 * j / 3.0;
            s->P[i][j][2] = kZc[i][j];
            s->P[i][j][3] = 1.0;
        }
    return s;
}

double Bern(int i, double t)
{
    const double c[4] = {1, 3, 3, 1};
    return c[i] * std::pow(t, i) * std::pow(1.0 - t, 3 - i);
}

double PolyZ(double u, double v)
{
    double z = 0.0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) z += kZc[i][j] * Bern(i, u) * Bern(j, v);
    return z;
}

struct Named {
    std::string label;
    SurfPtr s;
};

std::vector<Named> EditSurfaces()
{
    std::vector<Named> rows;
    rows.push_back({"polynomial patch", PolyPatch()});
    rows.push_back({"wavy", surffix::Wavy(7, false)});
    rows.push_back({"wavy rational", surffix::Wavy(6, true)});
    rows.push_back({"torus", surffix::Torus(3.0, 1.0)});
    rows.push_back({"reknotted wavy", surffix::Reknotted(*surffix::Wavy(5, false), 2.0, 5.0, -1.0, 0.5)});
    return rows;
}

// Where normalised (a, b) of the original lies in the normalised domain of its
// extension by ratio r beyond side.
void MapIntoExtension(int side, double r, double& a, double& b)
{
    if (side == 0) a = (a + r) / (1.0 + r);
    if (side == 2) a = a / (1.0 + r);
    if (side == 1) b = (b + r) / (1.0 + r);
    if (side == 3) b = b / (1.0 + r);
}

TEST(BsrfExtend, OriginalLiesInsideAndTheSeamIsTangentContinuous)
{
    for (const Named& row : EditSurfaces())
        for (int mode : {CNurbsEditor::kExtendTangent, CNurbsEditor::kExtendPolynomial})
            for (int side = 0; side < 4; ++side)
                for (double r : {0.25, 1.0}) {
                    // Continued as polynomials, weights drawn at random in [0.5, 2]
                    // fall below zero within a fraction of the domain: that mode is
                    // checked on the torus' rational net only.
                    if (mode == CNurbsEditor::kExtendPolynomial && row.label == "wavy rational") continue;
                    const std::string label =
                        row.label + " mode " + std::to_string(mode) + " side " + std::to_string(side) + " ratio " +
                        std::to_string(r);
                    SurfPtr e(CNurbsEditor::Extend(row.s.get(), r, side, mode));
                    ASSERT_NE(e, nullptr) << label;
                    ASSERT_EQ(BSRF_IsValid(e.get()), 1) << label;
                    EXPECT_EQ(U0(e.get()), 0.0) << label;
                    EXPECT_EQ(U1(e.get()), 1.0) << label;
                    double worst = 0.0;
                    for (int i = 0; i <= 20; ++i)
                        for (int j = 0; j <= 20; ++j) {
                            double a = i / 20.0, b = j / 20.0, p[3], q[3];
                            EvNorm(row.s.get(), a, b, p);
                            MapIntoExtension(side, r, a, b);
                            EvNorm(e.get(), a, b, q);
                            worst = std::fmax(worst, Dist(p, q));
                        }
                    EXPECT_LT(worst, 1e-9) << label;
                    // Across the seam: position and the cross derivative (scaled by
                    // the domain's growth) seen from the extension's side.
                    const bool alongU = side == 0 || side == 2;
                    const double edge = side >= 2 ? 1.0 : 0.0;
                    const double eps = side >= 2 ? 1e-10 : -1e-10;
                    double seam = edge;
                    double dummy = 0.5;
                    if (alongU) MapIntoExtension(side, r, seam, dummy);
                    else MapIntoExtension(side, r, dummy, seam);
                    for (int j = 0; j <= 10; ++j) {
                        const double t = j / 10.0;
                        double p[3], su[3], sv[3], q[3], eu[3], ev[3];
                        if (alongU) {
                            EvNorm(row.s.get(), edge, t, p, su, sv);
                            EvNorm(e.get(), seam + eps, t, q, eu, ev);
                        } else {
                            EvNorm(row.s.get(), t, edge, p, su, sv);
                            EvNorm(e.get(), t, seam + eps, q, eu, ev);
                        }
                        const double* d = alongU ? su : sv;
                        const double* de = alongU ? eu : ev;
                        double scaled[3];
                        for (int c = 0; c < 3; ++c) scaled[c] = de[c] / (1.0 + r);
                        const double size = std::fmax(1.0, std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]));
                        EXPECT_LT(Dist(p, q), 1e-8) << label << " seam point " << j;
                        EXPECT_LT(Dist(d, scaled), 1e-6 * size) << label << " seam tangent " << j;
                    }
                }
}

TEST(BsrfExtend, ModesContinueTheTangentOrThePolynomial)
{
    SurfPtr s = PolyPatch();
    const double r = 0.5;
    // Mode 1 beyond u = 1 is the same cubic: heights from the closed form at u > 1.
    SurfPtr poly(CNurbsEditor::Extend(s.get(), r, 2, CNurbsEditor::kExtendPolynomial));
    ASSERT_NE(poly, nullptr);
    double worst = 0.0;
    for (int i = 0; i <= 20; ++i)
        for (int j = 0; j <= 20; ++j) {
            double p[3];
            EvNorm(poly.get(), i / 20.0, j / 20.0, p);
            const double u = p[0] / 6.0, v = p[1] / 4.0;
            worst = std::fmax(worst, std::fabs(p[2] - PolyZ(u, v)));
        }
    EXPECT_LT(worst, 1e-9);
    double far[3];
    EvNorm(poly.get(), 1.0, 0.3, far);
    EXPECT_NEAR(far[0], 6.0 * (1.0 + r), 1e-9) << "the domain grew by half";
    // Mode 0 beyond v = 0 is straight: the end line is the boundary moved by
    // r times the cross derivative, and the strip is linear between.
    SurfPtr lin(CNurbsEditor::Extend(s.get(), r, 1, CNurbsEditor::kExtendTangent));
    ASSERT_NE(lin, nullptr);
    for (int i = 0; i <= 10; ++i) {
        const double a = i / 10.0;
        double p[3], su[3], sv[3], end[3], mid[3];
        EvNorm(s.get(), a, 0.0, p, su, sv);
        EvNorm(lin.get(), a, 0.0, end);
        EvNorm(lin.get(), a, r / (1.0 + r) / 2.0, mid);
        double want[3], half[3];
        for (int c = 0; c < 3; ++c) {
            want[c] = p[c] - r * sv[c];
            half[c] = p[c] - 0.5 * r * sv[c];
        }
        EXPECT_LT(Dist(end, want), 1e-9) << "end line at " << a;
        EXPECT_LT(Dist(mid, half), 1e-9) << "middle of the strip at " << a;
    }
}

TEST(BsrfExtend, RationalTangentRulingsStayStraightAndFinite)
{
    // A flat strip with weights 2 then 1 along u: continued along its plain
    // homogeneous derivative the weight would be 1 - ratio and reach zero at
    // ratio 1. The rulings must stay on the line y = const beyond x = 1, moving
    // steadily outwards.
    SurfPtr s(BSRF_Create(2, 2, 2, 2));
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            const double w = i == 0 ? 2.0 : 1.0;
            s->P[i][j][0] = w * i;
            s->P[i][j][1] = w * j;
            s->P[i][j][2] = 0.0;
            s->P[i][j][3] = w;
        }
    for (double r : {1.0, 3.0}) {
        SurfPtr e(CNurbsEditor::Extend(s.get(), r, 2, CNurbsEditor::kExtendTangent));
        ASSERT_NE(e, nullptr) << r;
        ASSERT_EQ(BSRF_IsValid(e.get()), 1) << r;
        double last = 1.0;
        for (int i = 1; i <= 20; ++i) {
            const double u = 1.0 / (1.0 + r) + (1.0 - 1.0 / (1.0 + r)) * i / 20.0;
            double p[3];
            ASSERT_EQ(BSRF_EvPos(e.get(), u, 0.5, p), 1);
            EXPECT_NEAR(p[1], 0.5, 1e-12) << r << " " << i;
            EXPECT_NEAR(p[2], 0.0, 1e-12) << r << " " << i;
            EXPECT_GT(p[0], last) << r << " " << i;
            last = p[0];
        }
    }
}

TEST(BsrfExtend, BadArgumentsGiveNull)
{
    SurfPtr s = surffix::Wavy(5, false);
    struct Row {
        const char* label;
        const _nurbs_surface* s;
        double ratio;
        int side;
        int mode;
    } rows[] = {
        {"null surface", nullptr, 0.5, 0, 0}, {"ratio 0", s.get(), 0.0, 0, 0},   {"negative ratio", s.get(), -1, 0, 0},
        {"NaN ratio", s.get(), NAN, 0, 0},     {"side 4", s.get(), 0.5, 4, 0},   {"side -1", s.get(), 0.5, -1, 0},
        {"mode 2", s.get(), 0.5, 0, 2},        {"infinite", s.get(), INFINITY, 0, 0},
    };
    for (const Row& row : rows) EXPECT_EQ(CNurbsEditor::Extend(row.s, row.ratio, row.side, row.mode), nullptr) << row.label;
}

TEST(BsrfSplitAt, HalvesAreTheOriginalOnTheirRanges)
{
    for (const Named& row : EditSurfaces())
        for (int dir : {kIsoConstU, kIsoConstV})
            for (double f : {0.37, 0.5, 0.9}) {
                const _nurbs_surface* s = row.s.get();
                const bool alongU = dir == kIsoConstU;
                const double value = alongU ? U0(s) + f * (U1(s) - U0(s)) : V0(s) + f * (V1(s) - V0(s));
                const std::string label = row.label + (alongU ? " u " : " v ") + std::to_string(f);
                _nurbs_surface* out[2] = {};
                ASSERT_EQ(CNurbsEditor::SplitAt(s, value, dir, out), 2) << label;
                SurfPtr lo(out[0]), hi(out[1]);
                ASSERT_TRUE(lo && hi) << label;
                double worst = 0.0;
                for (int i = 0; i <= 20; ++i)
                    for (int j = 0; j <= 20; ++j) {
                        const double a = i / 20.0, b = j / 20.0;
                        double p[3], q[3];
                        EvNorm(lo.get(), a, b, q);
                        EvNorm(s, alongU ? a * f : a, alongU ? b : b * f, p);
                        worst = std::fmax(worst, Dist(p, q));
                        EvNorm(hi.get(), a, b, q);
                        EvNorm(s, alongU ? f + a * (1 - f) : a, alongU ? b : f + b * (1 - f), p);
                        worst = std::fmax(worst, Dist(p, q));
                    }
                EXPECT_LT(worst, 1e-9) << label;
            }
}

TEST(BsrfSplitAt, ValuesOutsideTheDomainSplitNothing)
{
    SurfPtr s = surffix::Reknotted(*surffix::Wavy(5, false), 2.0, 5.0, -1.0, 0.5);
    const struct {
        const char* label;
        double value;
        int dir;
    } rows[] = {{"u start", 2.0, kIsoConstU}, {"u end", 5.0, kIsoConstU}, {"u beyond", 6.0, kIsoConstU},
                {"v start", -1.0, kIsoConstV}, {"v below", -3.0, kIsoConstV}, {"NaN", NAN, kIsoConstU}};
    for (const auto& row : rows) {
        _nurbs_surface* out[2] = {s.get(), s.get()};
        EXPECT_EQ(CNurbsEditor::SplitAt(s.get(), row.value, row.dir, out), 0) << row.label;
        EXPECT_EQ(out[0], nullptr) << row.label;
        EXPECT_EQ(out[1], nullptr) << row.label;
    }
}

TEST(BsrfMakePlane, ParametersMapOntoTheBox)
{
    const double origin[3] = {-3.0, 2.0, 1.5};
    SurfPtr s(CNurbsEditor::MakePlane(origin, 4000.25, 1234.5));
    ASSERT_NE(s, nullptr);
    for (double u : {0.0, 0.3, 1.0})
        for (double v : {0.0, 0.8, 1.0}) {
            double p[3];
            ASSERT_EQ(BSRF_EvPos(s.get(), u, v, p), 1);
            const double want[3] = {-3.0 + 4000.25 * u, 2.0 + 1234.5 * v, 1.5};
            EXPECT_LT(Dist(p, want), 1e-9) << u << " " << v;
        }
    EXPECT_EQ(CNurbsEditor::MakePlane(origin, 0.0, 1.0), nullptr);
    EXPECT_EQ(CNurbsEditor::MakePlane(origin, 1.0, -1.0), nullptr);
    EXPECT_EQ(CNurbsEditor::MakePlane(origin, NAN, 1.0), nullptr);
    EXPECT_EQ(CNurbsEditor::MakePlane(nullptr, 1.0, 1.0), nullptr);
}

// A strip along u through the given cross-section points (x, z), y from 0 to
// 2, of order k in u on the given knots.
SurfPtr Strip(int k, const std::vector<std::pair<double, double>>& xz, const std::vector<double>& knots)
{
    const int n = static_cast<int>(xz.size());
    SurfPtr s(BSRF_Create(k, n, 2, 2));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < 2; ++j) {
            s->P[i][j][0] = xz[i].first;
            s->P[i][j][1] = 2.0 * j;
            s->P[i][j][2] = xz[i].second;
            s->P[i][j][3] = 1.0;
        }
    for (int i = 0; i < n + k; ++i) s->U[i] = knots[i];
    return s;
}

TEST(BsrfUSplitG1Discont, CutsAtCreasesSharperThanTheAngle)
{
    const double t3 = std::tan(3.0 * M_PI / 180.0);
    struct Row {
        const char* label;
        SurfPtr s;
        std::vector<double> cuts;  // expected breaks, in the surface's u
    };
    std::vector<Row> rows;
    rows.push_back({"linear fold of 45 degrees", Strip(2, {{0, 0}, {1, 0}, {2, 1}}, {0, 0, 0.5, 1, 1}), {0.5}});
    rows.push_back({"linear fold of 3 degrees", Strip(2, {{0, 0}, {1, 0}, {2, t3}}, {0, 0, 0.5, 1, 1}), {}});
    rows.push_back({"folds of 45 and 3 degrees",
                    Strip(2, {{0, 0}, {1, 0}, {2, 1}, {3, 2 + t3}}, {0, 0, 0.3, 0.6, 1, 1}), {0.3}});
    rows.push_back({"cubic with a kink at a triple knot",
                    Strip(4, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3.5, 1}, {4, 2}, {5, 3}},
                          {0, 0, 0, 0, 0.4, 0.4, 0.4, 1, 1, 1, 1}),
                    {0.4}});
    rows.push_back({"cubic smooth through a triple knot",
                    Strip(4, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 1}, {6, 3}},
                          {0, 0, 0, 0, 0.4, 0.4, 0.4, 1, 1, 1, 1}),
                    {}});
    rows.push_back({"double knot of a cubic is not a crease",
                    Strip(4, {{0, 0}, {1, 0}, {2, 1}, {3, 0}, {4, 2}, {5, 1}}, {0, 0, 0, 0, 0.5, 0.5, 1, 1, 1, 1}),
                    {}});
    for (const Row& row : rows) {
        ASSERT_EQ(BSRF_IsValid(row.s.get()), 1) << row.label;
        std::vector<_nurbs_surface*> parts(8, row.s.get());
        const int result = BSRF_USplitG1Discont(row.s.get(), 5.0 * M_PI / 180.0, parts.data(), 8);
        std::vector<SurfPtr> keep;
        for (auto* p : parts)
            if (p != row.s.get()) keep.emplace_back(p);
        if (row.cuts.empty()) {
            EXPECT_NE(result, 1) << row.label;
            for (auto* p : parts) EXPECT_EQ(p, nullptr) << row.label;
            continue;
        }
        ASSERT_EQ(result, 1) << row.label;
        const std::size_t count = row.cuts.size() + 1;
        for (std::size_t i = 0; i < parts.size(); ++i) EXPECT_EQ(parts[i] != nullptr, i < count) << row.label << i;
        // Each part is the original over its range.
        std::vector<double> ends{0.0};
        ends.insert(ends.end(), row.cuts.begin(), row.cuts.end());
        ends.push_back(1.0);
        for (std::size_t i = 0; i < count && parts[i]; ++i)
            for (int a = 0; a <= 10; ++a)
                for (int b = 0; b <= 4; ++b) {
                    double p[3], q[3];
                    BSRF_EvPos(parts[i], a / 10.0, b / 4.0, q);
                    BSRF_EvPos(row.s.get(), ends[i] + (ends[i + 1] - ends[i]) * a / 10.0, b / 4.0, p);
                    EXPECT_LT(Dist(p, q), 1e-9) << row.label << " part " << i;
                }
    }
    // No room for both parts: nothing is split.
    SurfPtr fold = Strip(2, {{0, 0}, {1, 0}, {2, 1}}, {0, 0, 0.5, 1, 1});
    _nurbs_surface* one[1] = {fold.get()};
    EXPECT_EQ(BSRF_USplitG1Discont(fold.get(), 0.1, one, 1), 0);
    EXPECT_EQ(one[0], nullptr);
}

TEST(BsrfIntpPsUniK, PassesThroughTheRowsAtUniformParameters)
{
    // Rows of a cubic template at uneven distances: the surface holds row j at v = j / (m - 1).
    CurvePtr tmpl(BCRV_New(4, 6));
    const int m = 5;
    const double heights[m] = {0.0, 0.2, 3.0, 3.5, 9.0};
    std::vector<std::vector<double[4]>> rows(m);
    std::vector<double(*)[4]> ptrs;
    for (int j = 0; j < m; ++j) {
        rows[j] = std::vector<double[4]>(6);
        for (int i = 0; i < 6; ++i) {
            const double w = 1.0 + 0.2 * ((i + j) % 3);
            const double p[3] = {static_cast<double>(i), std::sin(i + j), heights[j]};
            for (int c = 0; c < 3; ++c) rows[j][i][c] = w * p[c];
            rows[j][i][3] = w;
        }
        ptrs.push_back(rows[j].data());
    }
    for (int kv : {2, 3, 4}) {
        _nurbs_surface* raw = nullptr;
        ASSERT_EQ(BSRF_IntpPsUniK(m, ptrs.data(), tmpl.get(), kv, &raw), 1) << kv;
        SurfPtr s(raw);
        EXPECT_EQ(s->kv, kv);
        for (int j = 0; j < m; ++j) {
            CurvePtr row(BCRV_New(4, 6));
            for (int i = 0; i < 6; ++i)
                for (int c = 0; c < 4; ++c) row->P[i][c] = rows[j][i][c];
            double worst = 0.0;
            for (int a = 0; a <= 40; ++a) {
                double p[3], q[3];
                BSRF_EvPos(s.get(), a / 40.0, static_cast<double>(j) / (m - 1), p);
                BCRV_EvPos(row.get(), a / 40.0, q);
                worst = std::fmax(worst, Dist(p, q));
            }
            EXPECT_LT(worst, 1e-9) << "order " << kv << " row " << j;
        }
    }
    _nurbs_surface* raw = nullptr;
    EXPECT_EQ(BSRF_IntpPsUniK(1, ptrs.data(), tmpl.get(), 4, &raw), 0) << "one row";
    EXPECT_EQ(raw, nullptr);
    // Weights 1, 0.05, 1, 0.05 across the rows: a cubic through them needs
    // negative control weights, which make no valid record; a linear one does not.
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 6; ++i) {
            const double w = j % 2 ? 0.05 : 1.0;
            for (int c = 0; c < 3; ++c) rows[j][i][c] = rows[j][i][c] / rows[j][i][3] * w;
            rows[j][i][3] = w;
        }
    EXPECT_EQ(BSRF_IntpPsUniK(4, ptrs.data(), tmpl.get(), 4, &raw), 0) << "weights overshoot";
    ASSERT_EQ(BSRF_IntpPsUniK(4, ptrs.data(), tmpl.get(), 2, &raw), 1) << "linear across";
    EXPECT_EQ(BSRF_IsValid(raw), 1);
    BSRF_Free(raw);
    rows[2][3][3] = 0.0;
    EXPECT_EQ(BSRF_IntpPsUniK(m, ptrs.data(), tmpl.get(), 4, &raw), 0) << "zero weight";
}

}  // namespace
