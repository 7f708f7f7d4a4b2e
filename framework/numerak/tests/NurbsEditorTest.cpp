// The NURBS editing facade: splitting at C1 breaks keeps every point of the curve
// in exactly one piece, knot insertion keeps the shape, lengths against a circle.
#include "NurbsTestCurves.h"

#include "framework/numerak/NurbsEditor.h"
#include "framework/numerak/Point3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using nurbs_test::Curve;

// A cubic whose inner knots at 0.3 (triple: a corner) and 0.6 (double: C1) are breaks
// only where the multiplicity reaches k - 1.
Curve Cornered()
{
    Curve c(BCRV_New(4, 9));
    const double pts[9][3] = {{0, 0, 0}, {1, 2, 0}, {2, 2, 1}, {3, 0, 0}, {5, 1, 0},
                              {6, 3, 2}, {8, 3, 0}, {9, 1, 1}, {10, 0, 0}};
    for (int i = 0; i < 9; ++i) c->SetCtrlPt(i, pts[i], 1.0 + 0.1 * (i % 3));
    const double knots[13] = {0, 0, 0, 0, 0.3, 0.3, 0.3, 0.6, 0.6, 1, 1, 1, 1};
    std::copy(knots, knots + 13, c->U);
    return c;
}

TEST(NurbsEditorTest, SplitInC1DiscontCutsAtTheBreaksOnly)
{
    Curve c = Cornered();
    ASSERT_EQ(BCRV_IsValid(c.get()), 1);
    EXPECT_EQ(CNurbsEditor::C1Breaks(c.get()), (std::vector<double>{0.0, 0.3, 1.0}));
    BCRV* pieces[13] = {};
    ASSERT_EQ(CNurbsEditor::SplitInC1Discont(c.get(), pieces, 13), 2);
    const double ends[3] = {0.0, 0.3, 1.0};
    for (int j = 0; j < 2; ++j) {
        Curve piece(pieces[j]);
        ASSERT_NE(piece, nullptr) << "piece " << j;
        EXPECT_EQ(piece->U[piece->k - 1], 0.0) << "piece " << j;
        EXPECT_EQ(piece->U[piece->n], 1.0) << "piece " << j;
        // The piece's parameter s is the curve's ends[j] + s (ends[j+1] - ends[j]).
        for (int i = 0; i <= 50; ++i) {
            const double s = i / 50.0;
            double p[3], q[3];
            BCRV_EvPos(piece.get(), s, p);
            BCRV_EvPos(c.get(), ends[j] + s * (ends[j + 1] - ends[j]), q);
            EXPECT_LT(P3D_Dist(p, q), 1e-9) << "piece " << j << " at " << s;
        }
    }
    BCRV* one[1] = {};
    ASSERT_EQ(CNurbsEditor::SplitInC1Discont(c.get(), one, 1), 1) << "a single slot takes the whole curve";
    Curve whole(one[0]);
    double p[3], q[3];
    BCRV_EvPos(whole.get(), 1.0, p);
    BCRV_EvPos(c.get(), 1.0, q);
    EXPECT_LT(P3D_Dist(p, q), 1e-12);
    EXPECT_EQ(CNurbsEditor::SplitInC1Discont(nullptr, pieces, 13), 0);
}

TEST(NurbsEditorTest, AddKnotAndSplitKeepTheShape)
{
    Curve c = nurbs_test::Wavy(4, 9, true);
    Curve more(CNurbsEditor::AddKnot(c.get(), 0.45, 3));
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(more->CalKnotMul(0.45), 3);
    for (int i = 0; i <= 200; ++i) {
        double p[3], q[3];
        BCRV_EvPos(c.get(), i / 200.0, p);
        BCRV_EvPos(more.get(), i / 200.0, q);
        EXPECT_LT(P3D_Dist(p, q), 1e-9) << i;
    }
    EXPECT_EQ(CNurbsEditor::AddKnot(more.get(), 0.45, 3), nullptr) << "nothing left to insert";
    EXPECT_EQ(CNurbsEditor::AddKnot(c.get(), 0.0, 3), nullptr) << "a domain end";

    BCRV* halves[2] = {};
    ASSERT_EQ(CNurbsEditor::Split(0.45, c.get(), halves), 2);
    Curve left(halves[0]), right(halves[1]);
    double e[3], s[3], m[3];
    BCRV_EvPos(left.get(), 1.0, e);
    BCRV_EvPos(right.get(), 0.0, s);
    BCRV_EvPos(c.get(), 0.45, m);
    EXPECT_LT(P3D_Dist(e, m), 1e-9);
    EXPECT_LT(P3D_Dist(s, m), 1e-9);
    EXPECT_EQ(CNurbsEditor::Split(1.0, c.get(), halves), 0);
    EXPECT_EQ(halves[0], nullptr);
}

TEST(NurbsEditorTest, LengthAndInterpolation)
{
    Curve circle(BCRV_New());
    const double centre[3] = {1, 2, 3};
    circle->GenCircle(centre, 4);
    EXPECT_NEAR(CNurbsEditor::LengthIn(circle.get(), 0.0, 1.0, 1e-9), 8 * M_PI, 1e-7);
    EXPECT_NEAR(CNurbsEditor::LengthIn(circle.get(), 0.25, 0.0, 1e-9), 2 * M_PI, 1e-7) << "either order";
    EXPECT_EQ(CNurbsEditor::LengthIn(nullptr, 0.0, 1.0, 0.01), 0.0);

    const double flat[4][2] = {{0, 0}, {2, 3}, {5, 1}, {7, 4}};
    Curve through(CNurbsEditor::GlobalInterp(flat, 4, 3));
    ASSERT_NE(through, nullptr);
    EXPECT_EQ(through->k, 4);
    double p[3];
    BCRV_EvPos(through.get(), 1.0, p);
    EXPECT_NEAR(p[0], 7.0, 1e-12);
    EXPECT_NEAR(p[2], 0.0, 1e-15) << "in the plane z = 0";
    EXPECT_EQ(CNurbsEditor::GlobalInterp(static_cast<const double(*)[2]>(nullptr), 4, 3), nullptr);
}

}  // namespace
