// The trim editing of the surface kernel on the trimmed faces of Open CASCADE's
// sample models: point containment against the peer's face classifier, and a
// rebuild without cutting curves that must give the faces' loops back.

#include "testing/OcctModels.h"
#include "testing/OcctTrimFaces.h"
#include "toolpath/surfkernel/EdTrimSurf.h"
#include "toolpath/surfkernel/KernelEntity.h"
#include "toolpath/surfkernel/tests/TrimEditFixtures.h"

#include <BRepClass_FaceClassifier.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

const char* const kTrimModels[] = {"CrankArm.brep", "Ball.brep", "Pump_Nut.brep", "Bottom.brep"};
constexpr int kFacesPerModel = 30;
constexpr int kGrid = 16;
constexpr double kNearLoop = 0.01;  // grid points this near a loop are not judged

// The loop's points from the given start, each bound's last point left out.
trimedit::Polygon Rotated(const trimedit::Polygon& p, size_t start)
{
    trimedit::Polygon out(p.begin() + start, p.end());
    out.insert(out.end(), p.begin(), p.begin() + start);
    return out;
}

// The loop's distinct points: a bound without length in (u, v) (a degenerate edge
// of the face) adds repeated points and no area; the rebuild drops it.
trimedit::Polygon Distinct(const CEdTrimLoop& loop)
{
    trimedit::Polygon out;
    for (const auto& p : trimedit::LoopPolygon(loop))
        if (out.empty() || p != out.back()) out.push_back(p);
    while (out.size() > 1 && out.back() == out.front()) out.pop_back();
    return out;
}

// True when b is a as the same closed sequence of points, started anywhere.
bool SameLoop(const trimedit::Polygon& a, const trimedit::Polygon& b)
{
    if (a.size() != b.size() || a.empty()) return false;
    for (size_t s = 0; s < b.size(); ++s)
        if (b[s] == a[0] && Rotated(b, s) == a) return true;
    return false;
}

TEST(TrimEditOcct, FacePointsAndRebuildsAgreeWithThePeer)
{
    ESSI_ResetKernelState();
    int faces = 0, judged = 0, inside = 0, rebuilt = 0, holes = 0;
    for (const char* name : kTrimModels) {
        const std::string path = std::string(occt3d::kModelFolder) + "/" + name;
        const TopoDS_Shape shape = occt3d::ReadBrepAsNurbs(path);
        ASSERT_FALSE(shape.IsNull()) << path;
        int modelFaces = 0;
        for (TopExp_Explorer fx(shape, TopAbs_FACE); fx.More() && modelFaces < kFacesPerModel; fx.Next()) {
            const TopoDS_Face face = TopoDS::Face(fx.Current());
            occt3d::TrimFace f;
            if (!occt3d::ToTrimSurf(face, f)) continue;
            ++modelFaces, ++faces;
            const std::string label = std::string(name) + " face " + std::to_string(modelFaces);
            CEdTrimSurf edit;
            ASSERT_EQ(edit.InitSurfBound(f.surf.get()), 1) << label;
            for (int i = 0; i <= kGrid; ++i)
                for (int j = 0; j <= kGrid; ++j) {
                    const double uv[2] = {(i + 0.5) / (kGrid + 1), (j + 0.5) / (kGrid + 1)};
                    double nearest = 1e300;
                    for (const auto& loop : f.loops) nearest = std::fmin(nearest, trimedit::PolygonDistance(loop, {uv[0], uv[1]}));
                    if (nearest < kNearLoop) continue;
                    BRepClass_FaceClassifier classify(face, gp_Pnt2d(f.u0 + uv[0] * (f.u1 - f.u0), f.v0 + uv[1] * (f.v1 - f.v0)), 1e-7);
                    if (classify.State() == TopAbs_ON) continue;
                    const int expect = classify.State() == TopAbs_IN ? 0 : 1;
                    EXPECT_EQ(edit.IsPointIn(uv), expect) << label << " at (" << uv[0] << ", " << uv[1] << ")";
                    ++judged;
                    inside += expect == 0;
                }

            // Without curves the rebuild gives every loop back: the outer loop with
            // the holes as its islands, each the same closed sequence of points.
            std::vector<trimedit::Polygon> own;
            for (CEdTrimLoop* l = edit.loopHead; l; l = l->next) own.push_back(Distinct(*l));
            edit.TrimSurface(0);
            std::vector<trimedit::Polygon> back;
            int outers = 0;
            for (CEdTrimLoop* l = edit.resultHead; l; l = l->next) {
                ++outers;
                back.push_back(Distinct(*l));
                for (CEdTrimLoop* h = l->islandHead; h; h = h->next) back.push_back(Distinct(*h));
            }
            EXPECT_EQ(outers, 1) << label;
            ASSERT_EQ(back.size(), own.size()) << label;
            for (const trimedit::Polygon& p : own)
                EXPECT_TRUE(std::any_of(back.begin(), back.end(), [&](const trimedit::Polygon& q) { return SameLoop(p, q); }))
                    << label;
            ++rebuilt;
            holes += static_cast<int>(own.size()) - 1;
        }
    }
    EXPECT_GT(faces, 40);
    EXPECT_GT(judged, 5000);
    EXPECT_GT(inside, 1000);
    EXPECT_GT(judged - inside, 500);
    EXPECT_GT(holes, 5);
    EXPECT_EQ(rebuilt, faces);
}

}  // namespace
