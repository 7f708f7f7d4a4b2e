// Raster finishing of a terrain drawn over its shaded heights: every scan line shows
// as a path across the part. With KORVEL_PICTURE_DIR set, the picture is saved there
// ("raster-terrain.png") for a look.
#include "framework/looker/QVGlobal.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeGroup3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "testing/ui/PathPicture.h"
#include "toolpath/milling/MsFinishSweepLine.h"
#include "toolpath/milling/tests/MillFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

double Hills(double x, double y) { return 2 * std::sin(x * 0.5) * std::cos(y * 0.4) + 0.5 * std::sin(x * 1.3 + y); }

TEST(RasterPicture, EveryScanLineCrossesThePart)
{
    gNewQVGlobal();
    auto mesh = milltest::ToGeMesh(millkit::TerrainMesh(Hills, -8, -8, 16, 48));
    CGeMeshList list;
    list.AddTail(mesh.get());
    CTBall ball(2);
    ball.SetAidParam();
    CParamSrfFinish p;
    p.m_nStepOver = 40;  // 0.8 apart
    CMsFinishSweepLine finish(p);
    CGeGroup3d out;
    finish.GenPath(&list, nullptr, &p, &ball, &out);
    std::vector<millkit::PicturePath> paths;
    for (CGeCurve3d* c : out.m_listCurve)
        for (CGeCurve3d* m : static_cast<CGeCombCurve3d*>(c)->m_listCurve) {
            auto* pl = static_cast<CGePolyline3d*>(m);
            millkit::PicturePath path;
            for (int k = 0; k < pl->GetCount(); ++k) path.push_back({pl->GetCtrlPt()[k][0], pl->GetCtrlPt()[k][1], pl->GetCtrlPt()[k][2]});
            paths.push_back(path);
        }
    ASSERT_FALSE(paths.empty());
    const auto height = [](double x, double y) {
        return std::fabs(x) <= 8 && std::fabs(y) <= 8 ? Hills(x, y) : std::nan("");
    };
    const QImage img = millkit::DrawPathsOverHeights(height, -9, -9, 9, 9, 720, paths);
    if (const char* dir = std::getenv("KORVEL_PICTURE_DIR")) img.save(QString(dir) + "/raster-terrain.png");
    const auto red = [&](int i, int j) {
        const QRgb c = img.pixel(i, j);
        return qRed(c) > qGreen(c) + 40;  // red, also where antialiasing blends it with the relief
    };
    const double scale = 720 / 18.0;
    // Every scan line (lines from y = -9 + 1e-4 every 0.8) is red across the part.
    int lines = 0;
    for (double y = -9 + 1e-4; y < 9; y += 0.8, ++lines) {
        if (std::fabs(y) > 7.9) continue;
        const int j = std::clamp(int((9 - y) * scale), 0, img.height() - 1);
        int covered = 0, total = 0;
        for (int i = int(1 * scale); i < int(17 * scale); ++i, ++total) covered += red(i, j) || red(i, std::max(0, j - 1)) || red(i, std::min(img.height() - 1, j + 1));
        EXPECT_GT(covered, total * 95 / 100) << "scan line at y " << y;
    }
    EXPECT_GT(lines, 20);
}

}  // namespace
