// Refinement of lifted strings on a sphere, a horizontal cylinder and a 90-degree
// ridge, with a tool whose radius is not below the check step: every point on the
// drop surface, and the drop surface, sampled every 0.01 along every segment, within
// reach of the chord.
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using millkit::TriMesh;

// Distance of q from the line through a and b (3D).
double LineDist(const double* a, const double* b, const double* q)
{
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, w[3] = {q[0] - a[0], q[1] - a[1], q[2] - a[2]};
    const double c[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    return std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]) / std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
}

struct Shape {
    std::string name;
    TriMesh mesh;
    double x0, x1;          // the sphere's lines' extent, where the CL surface is below 45 degrees
    std::vector<double> ys; // where the lines lie (x for lines along Y)
};

TEST(Refinement, ChordsFollowTheDropSurfaceWithinTolerance)
{
    const double r = 1, tol = 0.005;
    // Horizontal cylinder of radius 3 along X as a terrain whose vertices lie on it.
    const TriMesh cylinder = millkit::TerrainMesh([](double, double y) { return std::sqrt(std::max(0.0, 9 - y * y)); }, -2.9, -2.9, 5.8, 60);
    std::vector<Shape> shapes = {
        {"sphere", millkit::SphereMesh({0, 0, 0}, 3, 48), -2.5, 2.5, {-1.7, -0.3, 0.9, 2.0}},
        {"horizontal cylinder", cylinder, -2.5, 2.5, {-2.2, -1.1, 0.05, 1.9}},
        {"ridge", millkit::RidgeMesh(-5, 5, 2, 3), -4, 4, {-1.5, 0.5}},
    };
    CTBall ball(2 * r);
    ball.SetAidParam();
    for (Shape& shape : shapes) {
        const TriMesh mesh = milltest::RoundToFloat(shape.mesh);
        auto model = milltest::MakeModel({mesh}, &ball, r);  // check step = the radius
        model->SetMillDepth(10, -10);
        const double minSeg = std::max(model->checkStep / 5, 0.1);
        // A chord of XY length minSeg at up to 45 degrees over a ridge of the CL surface,
        // which has the ball's radius where the tool rolls over a mesh edge, sags by
        // (minSeg sqrt 2)^2 / (8 r); a split chord keeps both samples within tol, so the
        // surface within tol / 0.6 where it bends one way.
        const double bound = tol / 0.6 + 2 * minSeg * minSeg / (8 * r);
        double worst = 0;
        int inserted = 0;
        for (double y : shape.ys) {
            const std::string label = shape.name + " at y " + std::to_string(y);
            const double p0[3] = {shape.x0, y, -10}, p1[3] = {shape.x1, y, -10};
            // Lines across the cylinder and the ridge (both along X) run along Y.
            const bool alongY = shape.name != "sphere";
            const double q0[3] = {y, -2.5, -10}, q1[3] = {y + 1e-3, 2.5, -10};
            model->Mark_Box2D(BOX2<double>(-10, -10, 10, 10));
            std::unique_ptr<CNcPline> s(alongY ? model->CreateLinePath(q0, q1, tol) : model->CreateLinePath(p0, p1, tol));
            ASSERT_TRUE(s) << label;
            const double initial = std::ceil((alongY ? 5.0 : shape.x1 - shape.x0) / model->checkStep) + 1;
            inserted += int(s->GetCount() - initial);
            milltest::CheckString(label, *s, {mesh}, ball, -10);
            const CNcPoint* prev = nullptr;
            for (POSITION pos = s->GetHeadPosition(); pos;) {
                const CNcPoint* p = s->GetNext(pos);
                if (prev) {
                    const double a[3] = {prev->x, prev->y, prev->z}, b[3] = {p->x, p->y, p->z};
                    const double len = std::hypot(b[0] - a[0], b[1] - a[1]);
                    const int n = std::max(1, int(len / 0.01));
                    for (int k = 0; k <= n; ++k) {
                        const double t = double(k) / n;
                        const double x = a[0] + t * (b[0] - a[0]), yy = a[1] + t * (b[1] - a[1]);
                        const double q[3] = {x, yy, milltest::DropAll(ball, {mesh}, x, yy)};
                        const double d = LineDist(a, b, q);
                        worst = std::max(worst, d);
                        ASSERT_LE(d, bound) << label << " segment (" << a[0] << ", " << a[1] << ") - (" << b[0] << ", " << b[1] << ") at t " << t;
                    }
                }
                prev = p;
            }
        }
        EXPECT_GT(inserted, 10) << shape.name << ": the refinement must have split segments";
        std::cout << shape.name << ": worst distance " << worst << " (bound " << bound << "), " << inserted << " points inserted\n";
    }
}

}  // namespace
