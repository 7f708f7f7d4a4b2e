// loopops: offsets and Booleans of loops given as text, without a display.
//
//   loopops offset IN D CORNER MODE OUT.txt [OUT.svg]
//       tool-centre offset of the loops in IN (nested into pockets): MODE 0 inward,
//       2 outward; CORNER 0 sharp below 165 degrees, 1 bevel, 3 sharp, 4 round.
//   loopops bool A B OP OUT.txt [OUT.svg]
//       regions of A minus B (OP 0), A and B (1), A or B (3).
//
//   loopops pocket IN STRATEGY STEP OUT.txt [OUT.svg]
//       cutting paths of the regions of IN: STRATEGY oneway or zigzag (scan lines STEP
//       apart along x, zigzag finishing with the boundary), spiral (half-circle passes
//       STEP apart about each region's box centre, joined along the boundary), radial
//       (connected rays STEP degrees apart from that centre) or follow (contour-parallel
//       rings STEP apart linked into one another); written as the units of the database
//       path group, one open polyline each.
//
//   loopops relief IN round|angle HEIGHT STEP OUT.bmp
//       stamps a profile HEIGHT high along the medial axis of each region of IN into a
//       height grid of spacing STEP (round: every stroke rounded up to HEIGHT; angle: a
//       45-degree V cut off at HEIGHT) and writes it as a greyscale bitmap.
//
// Loops are read and written as x y lines with '>' between loops (GMT's multi-segment
// text); written arcs are chords at 0.001. The SVG shows the input in grey and the
// result in blue.
#include "examples/loopops/LoopText.h"

#include "framework/db/DbPathGroup.h"
#include "geometry/relief/RlfAngleShape.h"
#include "geometry/relief/RlfRoundShape.h"
#include "toolpath/contours/RlfGrid.h"

#include <algorithm>
#include <memory>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

namespace {

int Usage()
{
    std::cerr << "usage: loopops offset IN D CORNER MODE OUT.txt [OUT.svg]\n"
                 "       loopops bool A B OP OUT.txt [OUT.svg]\n"
                 "       loopops pocket IN oneway|zigzag|spiral|radial|follow STEP OUT.txt [OUT.svg]\n"
                 "       loopops relief IN round|angle HEIGHT STEP OUT.bmp\n";
    return 2;
}

bool Read(const char* path, std::vector<loopops::Polygon>& out)
{
    std::ifstream in(path);
    if (!in) {
        std::cerr << "loopops: cannot open " << path << '\n';
        return false;
    }
    std::string error;
    if (!loopops::ReadLoops(in, out, error)) {
        std::cerr << "loopops: " << path << ", " << error << '\n';
        return false;
    }
    return true;
}

bool Number(const char* s, double& v)
{
    char* end = nullptr;
    v = std::strtod(s, &end);
    return end && *end == '\0' && end != s;
}

bool Write(GeLoopList& result, const std::vector<loopops::Polygon>& input, const char* txt, const char* svg)
{
    std::ofstream t(txt);
    loopops::WriteLoops(t, loopops::Flatten(result, 0.001));
    if (!t) {
        std::cerr << "loopops: cannot write " << txt << '\n';
        return false;
    }
    if (svg) {
        std::ofstream s(svg);
        loopops::WriteSvg(s, input, result);
        if (!s) {
            std::cerr << "loopops: cannot write " << svg << '\n';
            return false;
        }
    }
    return true;
}

// The regions of the polygons stamped with the profile into a grid over their box.
bool Relief(const std::vector<loopops::Polygon>& input, const std::string& kind, double height, double step,
            char* bmp)
{
    std::unique_ptr<CRlfShape> shape;
    if (kind == "round") {
        auto* round = new CRlfRoundShape;
        round->SetParam(0, static_cast<float>(height), 3, 0, 0, 1);
        shape.reset(round);
    } else if (kind == "angle") {
        auto* angle = new CRlfAngleShape;
        angle->SetParam(0, static_cast<float>(height), 2, 0.785398163f, 0);
        shape.reset(angle);
    } else {
        return false;
    }
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (const auto& poly : input)
        for (const auto& p : poly)
            for (int k = 0; k < 2; ++k) {
                lo[k] = std::min(lo[k], p[static_cast<std::size_t>(k)]);
                hi[k] = std::max(hi[k], p[static_cast<std::size_t>(k)]);
            }
    CRlfGrid grid;
    grid.dx = grid.dy = static_cast<float>(step);
    if (input.empty() || !grid.InitBitmap(static_cast<float>(lo[0] - step), static_cast<float>(hi[0] + step),
                                          static_cast<float>(lo[1] - step), static_cast<float>(hi[1] + step))) {
        std::cerr << "loopops: no grid for these loops at step " << step << '\n';
        return false;
    }
    GeRegionList regions;
    loopops::ToRegions(input, regions);
    gcCreateRlfGrid(&grid, &regions, shape.get());
    loopops::Free(regions);
    if (!grid.SaveBitmap(bmp)) {
        std::cerr << "loopops: cannot write " << bmp << '\n';
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string cmd = argv[1];
    GeLoopList result;
    std::vector<loopops::Polygon> input;
    bool ok = false;
    if (cmd == "offset" && (argc == 7 || argc == 8)) {
        double d, corner, mode;
        if (!Number(argv[3], d) || !Number(argv[4], corner) || !Number(argv[5], mode))
            return Usage();
        if (!Read(argv[2], input))
            return 1;
        GeLoopList loops;
        loopops::ToLoops(input, loops);
        acGeLoopListOffset(&loops, d, static_cast<int>(corner), static_cast<int>(mode), &result);
        loopops::Free(loops);
        ok = Write(result, input, argv[6], argc == 8 ? argv[7] : nullptr);
    } else if (cmd == "bool" && (argc == 6 || argc == 7)) {
        double op;
        if (!Number(argv[4], op))
            return Usage();
        std::vector<loopops::Polygon> b;
        if (!Read(argv[2], input) || !Read(argv[3], b))
            return 1;
        GeRegionList ra, rb;
        loopops::ToRegions(input, ra);
        loopops::ToRegions(b, rb);
        acGeLoopBool(&ra, &rb, static_cast<int>(op), &result);
        loopops::Free(ra);
        loopops::Free(rb);
        input.insert(input.end(), b.begin(), b.end());
        ok = Write(result, input, argv[5], argc == 7 ? argv[6] : nullptr);
    } else if (cmd == "pocket" && (argc == 6 || argc == 7)) {
        double step;
        loopops::Strategy strategy;
        if (!loopops::ParseStrategy(argv[3], strategy) || !Number(argv[4], step))
            return Usage();
        if (!Read(argv[2], input))
            return 1;
        GeRegionList regions;
        loopops::ToRegions(input, regions);
        CDbPathGroup* group = loopops::Pocket(regions, strategy, step);
        loopops::Free(regions);
        const auto paths = loopops::PathPolylines(group, 0.001);
        delete group;
        std::ofstream t(argv[5]);
        loopops::WriteLoops(t, paths);
        ok = bool(t);
        if (ok && argc == 7) {
            std::ofstream s(argv[6]);
            loopops::WritePathSvg(s, input, paths);
            ok = bool(s);
        }
        if (!ok)
            std::cerr << "loopops: cannot write the output\n";
        std::cout << "loopops: " << paths.size() << " paths\n";
        return ok ? 0 : 1;
    } else if (cmd == "relief" && argc == 7) {
        double height, step;
        const std::string kind = argv[3];
        if ((kind != "round" && kind != "angle") || !Number(argv[4], height) || !Number(argv[5], step))
            return Usage();
        if (!Read(argv[2], input))
            return 1;
        return Relief(input, argv[3], height, step, argv[6]) ? 0 : 1;
    } else {
        return Usage();
    }
    std::cout << "loopops: " << result.GetCount() << " loops\n";
    loopops::Free(result);
    return ok ? 0 : 1;
}
