// Subdivision nodes shared between patches: every node holds what evaluating
// the surface at its (u, v) gives, every patch corner is a node of the
// subdivision, and a (u, v) is seldom held twice.
#include "toolpath/surfkernel/SurfaceIntersect.h"

#include "IntersectFixtures.h"
#include "KernelEntityFixtures.h"
#include "testing/SurfaceFixtures.h"
#include "toolpath/surfkernel/SurfaceEntity.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

using kernelfix::EntityPtr;
using namespace intersectfix;

TEST(SubdivNodes, NodesAreSharedAndHoldTheirEvaluation)
{
    struct Row {
        const char* label;
        SURFACE* s;
        double tol[3];
    } rows[] = {
        {"wavy rational", ESRF_NewNurbs(surffix::Wavy(20, true).release()), {0.002, 0.2, 0.05}},
        {"sphere with poles", ESRF_NewNurbs(NurbsSphere(1.0).release()), {0.001, 0.2, 0.05}},
    };
    for (const Row& row : rows) {
        EntityPtr owner(row.s);
        double box[4];
        ASSERT_EQ(ESRF_GetUVBox(row.s, box), 1);
        SSI_SUBDIV* sub = nullptr;
        ASSERT_EQ(ESSI_Subdivide(row.s, box, row.tol[0], row.tol[1], row.tol[2], &sub), 1) << row.label;
        std::set<const SSI_NODE*> nodes;
        std::set<std::pair<double, double>> places;
        for (const SSI_NODE* n = sub->nodes; n; n = n->next) {
            nodes.insert(n);
            places.insert({n->u, n->v});
            double P[3], N[3];
            ASSERT_EQ(ESRF_EvalNormal(N, P, row.s, n->u, n->v), 1);
            for (int e = 0; e < 3; ++e) {
                ASSERT_EQ(n->p[e], P[e]) << row.label << " u " << n->u << " v " << n->v;
                ASSERT_EQ(n->n[e], N[e]) << row.label << " u " << n->u << " v " << n->v;
            }
        }
        int patches = 0;
        for (const SSI_PATCH* p = sub->patches; p; p = p->next, ++patches)
            for (const SSI_NODE* c : p->c)
                ASSERT_TRUE(nodes.count(c)) << row.label << ": a corner outside the node list";
        // Without sharing every split evaluates both its nodes anew and about
        // half of the nodes repeat a (u, v).
        EXPECT_GT(patches, 2000) << row.label;
        EXPECT_LT(static_cast<double>(nodes.size()), 1.05 * static_cast<double>(places.size())) << row.label;
        ESSI_FreeSubdivision(sub);
    }
}

} // namespace
