// The relief canvas's grid: creation and its failures, node coordinates and the index
// conversions over a long axis, flags, blending reliefs against a coordinate oracle,
// smoothing, interpolation, run encoding (decoded with Eigen's half floats), the
// node rectangle and the archive record.
#include "geometry/relief/GeCanvas.h"
#include "geometry/relief/tests/ReliefFixtures.h"

#include "framework/looker/MemoryStatus.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/WorkArea.h"
#include "framework/looker/SnapRecords.h"
#include "geometry/relief/GeRelief.h"
#include "geometry/relief/tests/ReliefFixtures.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"
#include "testing/ImageReader.h"
#include "testing/NpzReader.h"

#include <Eigen/Core>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr float kEmpty = CGeCanvas::kEmptyHeight;

}  // namespace

TEST(GeCanvasTest, CreateMiniFillsEmptyHeightsAndRejectsBadCounts)
{
    auto c = MakeCanvas(-5, 3, 0.5f, 7, 4);
    EXPECT_EQ(c->xs[6], -2.0f);
    EXPECT_EQ(c->ys[3], 4.5f);
    for (unsigned j = 0; j < 4; ++j)
        for (unsigned i = 0; i < 7; ++i) ASSERT_EQ(c->heights[j][i], kEmpty);
    EXPECT_EQ(c->m_box.xmax, -5.0 + 7 * 0.5);
    EXPECT_EQ(c->flags, nullptr);
    float* oldXs = c->xs;
    float origin[2] = {0, 0};
    struct Row {
        const char* label;
        int nx, ny;
    } rows[] = {{"one row", 5, 1}, {"negative", -2, 5}, {"2^31 cells", 65536, 32768}};
    for (const Row& row : rows) {
        EXPECT_EQ(c->CreateMini(origin, 1.0f, row.nx, row.ny), 0) << row.label;
        EXPECT_EQ(c->xs, oldXs) << row.label;
        EXPECT_EQ(c->nx, 7u) << row.label;
    }
    // Re-creating replaces the arrays (the sanitizer build checks that nothing leaks).
    c->ResetFlag(1, nullptr);
    c->CreateGrnd(2.0f);
    ASSERT_EQ(c->Create(origin, 1.0f, 3, 3), 1);
    EXPECT_EQ(c->nx, 3u);
    EXPECT_EQ(c->flags, nullptr);
    EXPECT_EQ(c->ground, nullptr);
    EXPECT_EQ(c->m_box.zmin, 0.0);
}

TEST(GeCanvasTest, CreateOverARectangleSnapsTheOrigin)
{
    CGeCanvas c;
    float origin[2] = {2.7f, -1.5f};
    ASSERT_EQ(c.Create(origin, 0.5f, 10.0f, 4.0f), 1);
    EXPECT_EQ(c.originX, 2.0f);
    EXPECT_EQ(c.originY, -1.0f);
    EXPECT_EQ(c.nx, 21u);  // (2.7 + 10 - 2) / 0.5 truncated
    EXPECT_EQ(c.ny, 7u);
}

TEST(GeCanvasTest, IndexTablesOfTheSmallGrid)
{
    auto c = MakeCanvas(10, 0, 2.0f, 6, 4);  // xs 10 .. 20
    struct Row {
        float v;
        int index, min, max;
    } rows[] = {{9.0f, 0, 0, 0},   {10.0f, 0, 0, 0},  {11.0f, 0, 0, 1}, {11.01f, 1, 0, 1},
                {12.0f, 1, 1, 1},  {13.0f, 1, 1, 2},  {13.5f, 2, 1, 2}, {19.99f, 5, 4, 5},
                {20.0f, 5, 5, 5},  {25.0f, 5, 5, 5}};
    for (const Row& row : rows) {
        EXPECT_EQ(c->Get_Index(row.v, 0), row.index) << "Get_Index " << row.v;
        EXPECT_EQ(c->Get_IndexMin(row.v, 0), row.min) << "Get_IndexMin " << row.v;
        EXPECT_EQ(c->Get_IndexMax(row.v, 0), row.max) << "Get_IndexMax " << row.v;
    }
    EXPECT_EQ(c->Get_IndexEx(25.0f, 0), 7) << "not clamped";
    EXPECT_EQ(c->Get_IndexMax(5.0f, 1), 3) << "rows at 0, 2, 4, 6";
}

TEST(GeCanvasTest, NodesOfALongAxisSitAtTheirIndexAndBracketEveryValue)
{
    const int n = 20001;
    auto c = MakeCanvas(0, 0, 0.1f, n, 2);
    EXPECT_FLOAT_EQ(c->xs[20000], 2000.0f);
    for (int i = 0; i < n; ++i) ASSERT_EQ(c->xs[i], static_cast<float>(i) * 0.1f) << "node " << i;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> uni(-1.0f, 2001.0f);
    std::vector<float> values;
    for (int i = 0; i < n; ++i) values.push_back(c->xs[i]);  // exactly on nodes
    for (int k = 0; k < 200000; ++k) values.push_back(uni(rng));
    for (float v : values) {
        const int lo = c->Get_IndexMin(v, 0), hi = c->Get_IndexMax(v, 0), near = c->Get_Index(v, 0);
        const float inside = std::fmin(std::fmax(v, c->xs[0]), c->xs[n - 1]);
        ASSERT_LE(c->xs[lo], inside) << "Min of " << v;
        ASSERT_GE(c->xs[hi], inside) << "Max of " << v;
        ASSERT_LE(hi - lo, 1) << v;
        ASSERT_TRUE(near == lo || near == hi) << "Get_Index of " << v;
    }
}

TEST(GeCanvasTest, FlagsFollowTheClampedBox)
{
    auto c = MakeCanvas(0, 0, 1, 6, 5);
    BOX2<int> inner(1, 2, 3, 3);
    c->ResetFlag(2, &inner);  // first call makes every flag 2
    for (unsigned j = 0; j < 5; ++j)
        for (unsigned i = 0; i < 6; ++i) ASSERT_EQ(c->flags[j][i], 2);
    c->ResetFlag(0, nullptr);
    c->ResetFlag(1, &inner);
    BOX2<int> overhang(-4, -3, 100, 2);
    c->SetNodePassed(overhang);
    BOX2<int> outside(7, 0, 9, 9);
    c->ResetFlag(3, &outside);
    c->SetNodePassed(outside);
    for (unsigned j = 0; j < 5; ++j)
        for (unsigned i = 0; i < 6; ++i) {
            const bool in = i >= 1 && i <= 3 && j >= 2 && j <= 3;
            ASSERT_EQ(c->flags[j][i], in ? (j <= 2 ? 2 : 1) : 0) << i << ", " << j;
        }
}

namespace {

struct Placement {
    const char* label;
    int di, dj;  // relief origin in canvas nodes
    int rnx, rny;
};

// Canvas 24 x 18 at step 0.5; reliefs overhanging every side and corner, inside, and
// covering the canvas.
const Placement kPlacements[] = {
    {"inside", 5, 4, 6, 5},        {"left", -3, 6, 7, 4},        {"right", 20, 6, 9, 4},
    {"bottom", 8, -2, 5, 6},       {"top", 8, 15, 5, 9},         {"lower left", -4, -3, 8, 7},
    {"lower right", 19, -5, 9, 8}, {"upper left", -2, 14, 6, 8}, {"upper right", 21, 16, 6, 6},
    {"covering", -3, -2, 32, 25}};

float CanvasStart(int k) { return 0.01f * static_cast<float>((k * 37) % 11) - 0.03f; }
float ReliefValue(int i, int j) { return ((i + 2 * j) % 5 == 0) ? 0.0f : 0.25f * static_cast<float>((i * 7 + j * 3) % 13) - 1.0f; }

float Blend(unsigned mode, float h, float v)
{
    switch (mode) {
    case CGeCanvas::kModeAdd: return h + v;
    case CGeCanvas::kModeSubtract: return h - v;
    case CGeCanvas::kModeMax: return h == kEmpty ? v : (v > h ? v : h);
    case CGeCanvas::kModeMin: return h == kEmpty ? v : (v < h ? v : h);
    case CGeCanvas::kModeReplace: return v;
    default: return h;
    }
}

}  // namespace

TEST(GeCanvasTest, UpdateHeightGivesEachOverlapCellTheReliefNodeAtItsPosition)
{
    const float step = 0.5f, ox = -3.0f, oy = 2.0f;
    const int nx = 24, ny = 18;
    const unsigned modes[] = {CGeCanvas::kModeAdd, CGeCanvas::kModeSubtract, CGeCanvas::kModeMax,
                              CGeCanvas::kModeMin, CGeCanvas::kModeReplace, 0x3000};
    for (const Placement& p : kPlacements)
        for (unsigned mode : modes) {
            auto c = MakeCanvas(ox, oy, step, nx, ny);
            for (int j = 0; j < ny; ++j)
                for (int i = 0; i < nx; ++i) {
                    const int k = j * nx + i;
                    c->heights[j][i] = k % 3 == 0 ? kEmpty : CanvasStart(k) + 0.5f * static_cast<float>(k % 4);
                }
            c->ResetFlag(0, nullptr);
            BOX2<int> passed(10, 7, 12, 9);
            c->ResetFlag(2, &passed);
            auto r = MakeRelief(ox + p.di * step, oy + p.dj * step, step, p.rnx, p.rny);
            for (int j = 0; j < p.rny; ++j)
                for (int i = 0; i < p.rnx; ++i) r->SetZHeight(i, j, ReliefValue(i, j));
            std::vector<float> before(c->heights[0], c->heights[0] + nx * ny);
            BOX2<int> all(-5, -5, nx + 5, ny + 5);
            c->UpdateHeight(r.get(), all, mode);
            for (int j = 0; j < ny; ++j)
                for (int i = 0; i < nx; ++i) {
                    // Oracle from coordinates: the relief node lying at this canvas node.
                    const int ri = static_cast<int>(std::lround((c->xs[i] - r->originX) / step));
                    const int rj = static_cast<int>(std::lround((c->ys[j] - r->originY) / step));
                    const bool covered = ri >= 0 && ri < p.rnx && rj >= 0 && rj < p.rny;
                    const bool isPassed = i >= 10 && i <= 12 && j >= 7 && j <= 9;
                    const float h0 = before[j * nx + i];
                    float want = h0;
                    int flag = isPassed ? 2 : 0;
                    if (covered && !isPassed) {
                        flag = 1;
                        const float v = r->GetZHeight(ri, rj);
                        if (v != 0.0f) want = Blend(mode, h0, v);
                    }
                    ASSERT_EQ(c->heights[j][i], want) << p.label << " mode " << mode << " at " << i << ", " << j;
                    ASSERT_EQ(c->flags[j][i], flag) << p.label << " mode " << mode << " at " << i << ", " << j;
                }
        }
}

namespace {

// UpdateHeight and LapSmooth as first written, cell by cell with the mode looked at per
// cell: references for the row-wise versions, which must give the same bits.
void ReferenceUpdateHeight(CGeCanvas& c, CGeRelief* relief, const BOX2<int>& box, unsigned mode)
{
    if (!relief || !relief->heights || !c.flags || c.nx == 0 || c.ny == 0) return;
    BOX2<int> ibox(std::max(box.xmin, 0), std::max(box.ymin, 0), std::min(box.xmax, static_cast<int>(c.nx) - 1),
                   std::min(box.ymax, static_cast<int>(c.ny) - 1));
    if (ibox.xmin > ibox.xmax || ibox.ymin > ibox.ymax) return;
    BOX2<double> rb, cb = c.GetBoxFrmIndex(ibox);
    relief->GetBox2d(&rb);
    const BOX2<double> ib(std::max(rb.xmin, cb.xmin), std::max(rb.ymin, cb.ymin), std::min(rb.xmax, cb.xmax),
                          std::min(rb.ymax, cb.ymax));
    if (ib.xmin > ib.xmax || ib.ymin > ib.ymax) return;
    const int ox = c.Get_Index(relief->originX, 0), oy = c.Get_Index(relief->originY, 1);
    int cx0 = c.Get_Index(static_cast<float>(ib.xmin), 0), cx1 = c.Get_Index(static_cast<float>(ib.xmax), 0);
    int cy0 = c.Get_Index(static_cast<float>(ib.ymin), 1), cy1 = c.Get_Index(static_cast<float>(ib.ymax), 1);
    const int rnx = static_cast<int>(relief->nx), rny = static_cast<int>(relief->ny);
    int rx0 = c.xs[0] > relief->originX ? relief->Get_Index(static_cast<float>(ib.xmin), 0) : cx0 - ox;
    int ry0 = c.ys[0] > relief->originY ? relief->Get_Index(static_cast<float>(ib.ymin), 1) : cy0 - oy;
    if (rx0 < 0) {
        rx0 = 0;
        cx0 = ox;
    }
    if (rx0 >= rnx) rx0 = rnx - 1;
    if (ry0 < 0) {
        ry0 = 0;
        cy0 = oy;
    }
    if (ry0 >= rny) ry0 = rny - 1;
    const int rx1 = std::clamp(cx1 - cx0 + rx0, 0, rnx - 1), ry1 = std::clamp(cy1 - cy0 + ry0, 0, rny - 1);
    for (int cy = cy0, ry = ry0; cy <= cy1 && ry <= ry1; ++cy, ++ry)
        for (int cx = cx0, rx = rx0; cx <= cx1 && rx <= rx1; ++cx, ++rx) {
            if (c.flags[cy][cx] == 2) continue;
            c.flags[cy][cx] = 1;
            const float v = relief->heights[static_cast<size_t>(ry) * relief->nx + rx];
            if (v == 0.0f) continue;
            float& h = c.heights[cy][cx];
            switch (mode) {
            case CGeCanvas::kModeAdd: h = h + v; break;
            case CGeCanvas::kModeSubtract: h = h - v; break;
            case CGeCanvas::kModeMax: h = h == kEmpty ? v : std::max(h, v); break;
            case CGeCanvas::kModeMin: h = h == kEmpty ? v : std::min(h, v); break;
            case CGeCanvas::kModeReplace: h = v; break;
            default: break;
            }
        }
}

void ReferenceLapSmooth(CGeCanvas& c)
{
    for (std::uint32_t j = 1; j + 1 < c.ny; ++j)
        for (std::uint32_t i = 1; i + 1 < c.nx; ++i) {
            float* row = c.heights[j];
            const float m = (c.heights[j - 1][i] + c.heights[j + 1][i] + row[i - 1] + row[i + 1]) / 4.0f;
            row[i] += (m - row[i]) * 0.33f;
        }
}

// Heights drawn from values that make the blends and their selections matter: empty,
// zero of both signs, ties, NaN, small and large values of both signs.
float DrawHeight(std::mt19937& rng)
{
    static const float kSpecial[] = {kEmpty, 0.0f, -0.0f, 1.0f, -1.0f, 0.0005f, std::nanf(""), 1e30f, -kEmpty};
    const unsigned pick = rng() % 16;
    if (pick < std::size(kSpecial)) return kSpecial[pick];
    return std::uniform_real_distribution<float>(-50.0f, 50.0f)(rng);
}

bool SameBits(const float* a, const float* b, size_t n) { return std::memcmp(a, b, n * sizeof(float)) == 0; }

}  // namespace

TEST(GeCanvasTest, UpdateHeightMatchesTheCellByCellBlendBitForBit)
{
    // Widths around the sixteen-cell steps, reliefs overhanging each side and corner,
    // lying inside, covering the canvas, and index boxes cutting into it.
    std::mt19937 rng(7);
    const unsigned modes[] = {CGeCanvas::kModeAdd, CGeCanvas::kModeSubtract, CGeCanvas::kModeMax,
                              CGeCanvas::kModeMin, CGeCanvas::kModeReplace, 0x3000};
    const int widths[] = {2, 15, 16, 17, 47, 70};
    for (int nx : widths)
        for (int trial = 0; trial < 24; ++trial) {
            const int ny = 2 + static_cast<int>(rng() % 20);
            const float step = 0.25f;
            auto c = MakeCanvas(1.0f, -2.0f, step, nx, ny);
            auto ref = MakeCanvas(1.0f, -2.0f, step, nx, ny);
            c->ResetFlag(0, nullptr);
            ref->ResetFlag(0, nullptr);
            for (int k = 0; k < nx * ny; ++k) {
                c->heights[0][k] = ref->heights[0][k] = DrawHeight(rng);
                c->flags[0][k] = ref->flags[0][k] = static_cast<unsigned char>(rng() % 4 == 0 ? 2 : rng() % 2);
            }
            const int rnx = 2 + static_cast<int>(rng() % (nx + 20)), rny = 2 + static_cast<int>(rng() % (ny + 6));
            const int di = static_cast<int>(rng() % (nx + rnx)) - rnx + 1, dj = static_cast<int>(rng() % (ny + rny)) - rny + 1;
            auto r = MakeRelief(1.0f + di * step, -2.0f + dj * step, step, rnx, rny);
            for (int k = 0; k < rnx * rny; ++k) r->heights[k] = DrawHeight(rng);
            BOX2<int> box(-3, -3, nx + 3, ny + 3);
            if (trial % 3 == 1) box = BOX2<int>(static_cast<int>(rng() % nx), static_cast<int>(rng() % ny), nx - 2, ny - 1);
            const unsigned mode = modes[trial % std::size(modes)];
            c->UpdateHeight(r.get(), box, mode);
            ReferenceUpdateHeight(*ref, r.get(), box, mode);
            const size_t cells = static_cast<size_t>(nx) * ny;
            ASSERT_TRUE(SameBits(c->heights[0], ref->heights[0], cells)) << nx << " x " << ny << " trial " << trial;
            ASSERT_EQ(std::memcmp(c->flags[0], ref->flags[0], cells), 0) << nx << " x " << ny << " trial " << trial;
        }
}

TEST(GeCanvasTest, LapSmoothMatchesTheCellByCellPassBitForBit)
{
    // Row counts below, at and past the band of rows smoothed together, columns too few
    // for the band's stagger, empty cells and NaN.
    std::mt19937 rng(11);
    const std::pair<int, int> sizes[] = {{2, 2}, {3, 3}, {3, 40}, {40, 3}, {5, 9}, {9, 10}, {4, 11},
                                         {17, 18}, {33, 26}, {64, 9}, {101, 77}};
    for (auto [nx, ny] : sizes)
        for (int trial = 0; trial < 3; ++trial) {
            auto c = MakeCanvas(0.0f, 0.0f, 0.5f, nx, ny);
            auto ref = MakeCanvas(0.0f, 0.0f, 0.5f, nx, ny);
            for (int k = 0; k < nx * ny; ++k)
                c->heights[0][k] = ref->heights[0][k] =
                    trial == 2 ? DrawHeight(rng) : std::uniform_real_distribution<float>(-5.0f, 5.0f)(rng);
            c->LapSmooth();
            ReferenceLapSmooth(*ref);
            ASSERT_TRUE(SameBits(c->heights[0], ref->heights[0], static_cast<size_t>(nx) * ny))
                << nx << " x " << ny << " trial " << trial;
        }
}

TEST(GeCanvasTest, CalcBoxHeightRangeIsThatOfTheOrderedSearch)
{
    // The z range as std::minmax_element gives it (first least, last greatest), also with
    // zeros of both signs at the ends of the range and NaN anywhere.
    std::mt19937 rng(5);
    const std::pair<int, int> sizes[] = {{2, 2}, {4, 4}, {5, 4}, {17, 3}, {31, 9}};
    for (auto [nx, ny] : sizes)
        for (int trial = 0; trial < 40; ++trial) {
            auto c = MakeCanvas(0.0f, 0.0f, 1.0f, nx, ny);
            const int cells = nx * ny;
            for (int k = 0; k < cells; ++k) {
                switch (trial % 4) {
                case 0: c->heights[0][k] = std::uniform_real_distribution<float>(-9.0f, 9.0f)(rng); break;
                case 1: c->heights[0][k] = DrawHeight(rng); break;
                case 2: c->heights[0][k] = rng() % 3 == 0 ? 1.0f : rng() % 2 ? 0.0f : -0.0f; break;
                default: c->heights[0][k] = rng() % 3 == 0 ? -1.0f : rng() % 2 ? 0.0f : -0.0f; break;
                }
            }
            c->CalcBox();
            const auto [lo, hi] = std::minmax_element(c->heights[0], c->heights[0] + cells);
            const double want[2] = {*lo, *hi}, got[2] = {c->m_box.zmin, c->m_box.zmax};
            ASSERT_EQ(std::memcmp(want, got, sizeof want), 0) << nx << " x " << ny << " trial " << trial;
        }
}

TEST(GeCanvasTest, RealInputsBlendSmoothAndEncodeAsTheCellByCellVersions)
{
    // matplotlib's terrain samples as reliefs in tenths of their units: a fault scarp
    // (344 x 403, its lowest ground made zero so that part of it leaves cells alone) and
    // land with sea floor (91 x 120, heights of both signs); two pictures as reliefs of
    // their luma in tenths: a portrait (JPEG, 512 x 600) and libpng's logo (PNG, 91 x 69,
    // transparent round it, so empty there). Each is laid over a canvas that already
    // holds another one, overhanging its edges.
    struct Terrain {
        const char* file;
        const char* array;
        double base;
    };
    const Terrain terrains[] = {{"jacksboro_fault_dem.npz", "elevation", 236.0}, {"topobathy.npz", "topo", 0.0}};
    std::vector<std::unique_ptr<CGeRelief>> reliefs;
    for (const Terrain& t : terrains) {
        auto arrays = npz::Read(npz::SampleDataDir() + "/" + t.file);
        const npz::Array& a = arrays[t.array];
        ASSERT_EQ(a.shape.size(), 2u) << t.file;
        const int rny = static_cast<int>(a.shape[0]), rnx = static_cast<int>(a.shape[1]);
        reliefs.push_back(MakeRelief(-4.5f, -2.0f, 0.1f, rnx, rny));
        for (int k = 0; k < rnx * rny; ++k) reliefs.back()->heights[k] = static_cast<float>((a.values[k] - t.base) / 10.0);
    }
    double shift[3] = {5.0, 3.0, 0.0};
    reliefs[1]->Translate(shift);
    for (const std::string& file : {npz::SampleDataDir() + "/grace_hopper.jpg", image::PngTestFile()}) {
        const image::Rgba picture = image::Read(file);
        ASSERT_GT(picture.width, 0) << file;
        reliefs.push_back(MakeRelief(-2.0f, -1.5f, 0.1f, picture.width, picture.height));
        // Relief rows run upwards, picture rows downwards.
        for (int j = 0; j < picture.height; ++j)
            for (int i = 0; i < picture.width; ++i)
                reliefs.back()->heights[j * picture.width + i] = image::Height(picture, i, picture.height - 1 - j) / 10.0f;
    }
    double pictureShift[3] = {12.0, 8.0, 0.0};
    reliefs[3]->Translate(pictureShift);
    const std::pair<int, int> layers[] = {{0, 1}, {1, 0}, {2, 3}, {3, 2}, {0, 3}, {2, 1}};
    const unsigned modes[] = {CGeCanvas::kModeAdd, CGeCanvas::kModeSubtract, CGeCanvas::kModeMax,
                              CGeCanvas::kModeMin, CGeCanvas::kModeReplace};
    for (const auto& [first, second] : layers)
        for (unsigned mode : modes) {
            auto c = MakeCanvas(0.0f, 0.0f, 0.1f, 301, 203);
            auto ref = MakeCanvas(0.0f, 0.0f, 0.1f, 301, 203);
            BOX2<int> all(0, 0, 300, 202), passed(40, 30, 90, 70);
            for (CGeCanvas* k : {c.get(), ref.get()}) {
                k->ResetFlag(0, nullptr);
                k->UpdateHeight(reliefs[first].get(), all, CGeCanvas::kModeReplace);
                k->ResetFlag(0, nullptr);
                k->ResetFlag(2, &passed);
            }
            c->UpdateHeight(reliefs[second].get(), all, mode);
            ReferenceUpdateHeight(*ref, reliefs[second].get(), all, mode);
            const size_t cells = 301 * 203;
            ASSERT_TRUE(SameBits(c->heights[0], ref->heights[0], cells)) << second << " over " << first << " mode " << mode;
            ASSERT_EQ(std::memcmp(c->flags[0], ref->flags[0], cells), 0) << second << " over " << first << " mode " << mode;
            c->LapSmooth();
            ReferenceLapSmooth(*ref);
            ASSERT_TRUE(SameBits(c->heights[0], ref->heights[0], cells)) << second << " over " << first << " mode " << mode;
            std::vector<RlfIndexData> runs;
            c->CreateHeightIndexDataAll(runs);
            size_t covered = 0;
            for (const RlfIndexData& run : runs) {
                covered += run.heights.size();
                for (std::uint32_t cell = run.first; cell <= run.last; ++cell)
                    ASSERT_EQ(run.heights[cell - run.first].bits, Float16(c->heights[0][cell]).bits);
            }
            const auto nonEmpty = std::count_if(c->heights[0], c->heights[0] + cells,
                                                [](float h) { return std::fabs(h) > kEmpty; });
            EXPECT_EQ(covered, static_cast<size_t>(nonEmpty)) << second << " over " << first << " mode " << mode;
            EXPECT_GT(nonEmpty, 0);
        }
}

TEST(GeCanvasTest, UpdateHeightEdgeCases)
{
    auto c = MakeCanvas(0, 0, 1, 8, 8);
    auto r = MakeRelief(2, 2, 1, 3, 3);
    r->SetZHeight(0, 0, 0.0005f);
    r->SetZHeight(1, 0, -4.0f);
    BOX2<int> all(0, 0, 7, 7);
    c->UpdateHeight(r.get(), all, CGeCanvas::kModeMax);  // no flags yet: nothing
    EXPECT_EQ(c->heights[2][2], kEmpty);
    c->ResetFlag(0, nullptr);
    c->UpdateHeight(r.get(), all, CGeCanvas::kModeMax);
    EXPECT_EQ(c->heights[2][2], 0.0005f) << "an empty cell takes a value below the empty height";
    EXPECT_EQ(c->heights[2][3], -4.0f);
    EXPECT_EQ(c->heights[3][3], kEmpty) << "zero relief value";
    EXPECT_EQ(c->flags[3][3], 1);
    c->UpdateHeight(nullptr, all, CGeCanvas::kModeMax);
    BOX2<int> away(6, 6, 7, 7);
    c->UpdateHeight(r.get(), away, CGeCanvas::kModeReplace);
    EXPECT_EQ(c->flags[6][6], 0) << "relief outside the index box";
}

TEST(GeCanvasTest, LapSmoothKeepsAPlaneAndSmoothsASpike)
{
    auto c = MakeCanvas(0, 0, 0.5f, 30, 20);
    for (unsigned j = 0; j < 20; ++j)
        for (unsigned i = 0; i < 30; ++i) c->heights[j][i] = 1.0f + 0.25f * i - 0.5f * j;
    c->LapSmooth();
    for (unsigned j = 0; j < 20; ++j)
        for (unsigned i = 0; i < 30; ++i)
            ASSERT_NEAR(c->heights[j][i], 1.0f + 0.25f * i - 0.5f * j, 1e-5f) << i << ", " << j;
    EXPECT_NEAR(c->m_box.zmin, 1.0 - 0.5 * 19, 1e-5);
    c->heights[10][10] += 9.0f;
    c->LapSmooth();
    // The spike loses about a third (its lower and left neighbours already carry a little of it).
    EXPECT_LT(c->heights[10][10] - (1.0f + 2.5f - 5.0f), 9.0f * 0.7f);
    EXPECT_GT(c->heights[10][11] - (1.0f + 2.75f - 5.0f), 0.5f);

    auto tiny = MakeCanvas(0, 0, 1, 2, 2);
    tiny->heights[1][1] = 3.0f;
    tiny->LapSmooth();
    EXPECT_EQ(tiny->heights[1][1], 3.0f);
    EXPECT_EQ(tiny->m_box.zmax, 3.0);
}

TEST(GeCanvasTest, InterplateInsideAndOutside)
{
    const float step = 0.25f;
    auto c = MakeCanvas(100, 50, step, 12, 9);
    const auto field = [](float x, float y) { return -2.0f + 1.5f * x + 0.5f * y - 0.75f * x * y; };
    for (unsigned j = 0; j < 9; ++j)
        for (unsigned i = 0; i < 12; ++i) c->heights[j][i] = field(i * step, j * step);
    for (float y = 0.0f; y <= 8 * step; y += 0.07f)
        for (float x = 0.0f; x <= 11 * step; x += 0.05f)
            EXPECT_NEAR(c->Interplate(x, y), field(x, y), 1e-4f) << x << ", " << y;
    EXPECT_EQ(c->Interplate(-0.001f, 1.0f), 0.0f);
    EXPECT_EQ(c->Interplate(1.0f, 9 * step + 0.01f), 0.0f);
    // Past the last node but inside n·step: the border value.
    EXPECT_NEAR(c->Interplate(11.5f * step, 0.0f), field(11 * step, 0.0f), 1e-5f);
}

TEST(GeCanvasTest, RunsDecodeBackToExactlyTheNonEmptyCells)
{
    const int nx = 37, ny = 23;
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> uni(-30.0f, 30.0f);
    // Mixed cells; and long empty stretches (NaN counts as empty) around short runs,
    // with runs at the first and last cells and at offsets around sixteen cells.
    auto mixed = MakeCanvas(0, 0, 1, nx, ny);
    auto sparse = MakeCanvas(0, 0, 1, nx, ny);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const unsigned kind = rng() % 5;
            mixed->heights[j][i] = kind == 0 ? kEmpty : kind == 1 ? -kEmpty : kind == 2 ? 0.001f : uni(rng);
            const unsigned far = rng() % 40;
            sparse->heights[j][i] = far == 0 ? uni(rng) : far == 1 ? std::nanf("") : far == 2 ? -kEmpty : kEmpty;
        }
    mixed->heights[ny - 1][nx - 1] = 4.0f;
    mixed->heights[3][nx - 1] = 2.0f;  // a run crossing a row end
    mixed->heights[4][0] = 2.5f;
    for (int cell : {0, 15, 16, 17, 31, 32, 33, 34, 35, 36, 37, 300, 301, 302, nx * ny - 1})
        sparse->heights[0][cell] = -3.5f + 0.25f * static_cast<float>(cell % 7);
    for (CGeCanvas* c : {mixed.get(), sparse.get()}) {
        std::vector<RlfIndexData> runs;
        c->CreateHeightIndexDataAll(runs);
        std::vector<int> seen(nx * ny, 0);
        std::uint32_t previousLast = 0;
        for (size_t k = 0; k < runs.size(); ++k) {
            const RlfIndexData& run = runs[k];
            ASSERT_LE(run.first, run.last);
            ASSERT_EQ(run.heights.size(), run.last - run.first + 1);
            if (k > 0) {
                ASSERT_GT(run.first, previousLast + 1) << "runs are separated by an empty cell";
            }
            previousLast = run.last;
            for (std::uint32_t cell = run.first; cell <= run.last; ++cell) {
                const float h = c->heights[0][cell];
                const Eigen::half peer(h);
                ASSERT_EQ(run.heights[cell - run.first].bits, Eigen::numext::bit_cast<std::uint16_t>(peer)) << cell;
                seen[cell] = 1;
            }
        }
        for (int cell = 0; cell < nx * ny; ++cell)
            ASSERT_EQ(seen[cell] == 1, std::fabs(c->heights[0][cell]) > kEmpty) << "cell " << cell;
        EXPECT_EQ(runs.back().last, static_cast<std::uint32_t>(nx * ny - 1));
    }

    std::vector<RlfIndexData> runs;
    auto empty = MakeCanvas(0, 0, 1, 5, 5);
    empty->CreateHeightIndexDataAll(runs);
    EXPECT_TRUE(runs.empty());
    empty->heights[4][4] = 1.0f;
    empty->CreateHeightIndexDataAll(runs);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, 24u);
    EXPECT_EQ(runs[0].last, 24u);
}

TEST(GeCanvasTest, LocalRunsCountInsideTheRectangle)
{
    auto c = MakeCanvas(1, 2, 0.5f, 10, 8);
    c->heights[3][4] = -2.0f;
    c->heights[3][5] = 1.0f;
    c->heights[5][6] = 5.0f;
    std::vector<RlfIndexData> runs;
    BOX3<double> box;
    c->CreateHeightIndexDataLocal(CRect(4, 3, 6, 5), runs, box);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].first, 0u);
    EXPECT_EQ(runs[0].last, 1u);
    EXPECT_EQ(runs[1].first, 8u);
    EXPECT_EQ(box.zmin, -2.0);
    EXPECT_EQ(box.zmax, 5.0);
    EXPECT_EQ(box.xmin, 3.0);
    EXPECT_EQ(box.ymax, 4.5);
}

TEST(GeCanvasTest, LocalRectOfNodes)
{
    auto c = MakeCanvas(0, 0, 1, 10, 40);  // more rows than columns
    std::vector<SRlfNode> nodes = {{3 * 10 + 7, 0, 1.0f}, {12 * 10 + 5, 0, 1.0f}, {8 * 10 + 6, 0, 1.0f}};
    const CRect r = c->CreateLocalRect(&nodes);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 3);
    EXPECT_EQ(r.right, 7);
    EXPECT_EQ(r.bottom, 12);
    std::vector<SRlfNode> none;
    EXPECT_TRUE(c->CreateLocalRect(&none) == CRect(0, 0, 0, 0));
    EXPECT_TRUE(c->CreateLocalRect(nullptr) == CRect(0, 0, 0, 0));
    static_assert(offsetof(SRlfNode, height) == 8);
}

TEST(GeCanvasTest, ReverseZBoxesAndPick)
{
    auto c = MakeCanvas(-2, -1, 1, 5, 4);
    c->heights[1][2] = 3.0f;
    c->ReverseZ();
    EXPECT_EQ(c->heights[0][0], -kEmpty);
    c->ReverseZ();
    EXPECT_EQ(c->heights[0][0], kEmpty);
    EXPECT_EQ(c->heights[1][2], 3.0f);
    BOX2<double> nz;
    c->GetNotZeroHeightBox(&nz);
    EXPECT_EQ(nz.xmin, 0.0);
    EXPECT_EQ(nz.ymax, 0.0);
    CPickRay ray;
    ray.m_pt[0] = 3.0;  // the box's right bound (5 nodes reach x = 3)
    ray.m_pt[1] = 0.5;
    EXPECT_EQ(c->Pick(ray, 0), 1);
    EXPECT_EQ(ray.m_dDist, 0.0);
    ray.m_pt[0] = 3.01;
    EXPECT_EQ(c->Pick(ray, 0), 0);
}

TEST(GeCanvasTest, SingletonLifecycle)
{
    CGeCanvas* a = CGeCanvas::New();
    EXPECT_EQ(CGeCanvas::Instance(), a);
    CGeCanvas* b = CGeCanvas::New();
    EXPECT_EQ(CGeCanvas::Instance(), b);
    CGeCanvas::Uninstance();
    EXPECT_EQ(CGeCanvas::Instance(), nullptr);
}

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes StoreRecord(CGeCanvas& c, bool headerOnly)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        if (headerOnly) c.SerializeEx(ar);
        else c.Serialize(ar);
        ar.Close();
    }
    return Bytes(file.GetData(), file.GetData() + file.GetLength());
}

// -1 when loaded, else the exception's cause.
int LoadRecord(Bytes bytes, CGeCanvas& c)
{
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    try {
        c.Serialize(ar);
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return -1;
}

template <class T>
void Put(Bytes& b, size_t at, T v)
{
    std::memcpy(b.data() + at, &v, sizeof(T));
}

}  // namespace

TEST(GeCanvasTest, ArchiveRecordRoundTripAndDamage)
{
    gNewQVGlobal()->SetVersion(kDocVersionCurrent);
    auto c = MakeCanvas(-12.5f, 4.25f, 0.75f, 30, 17);
    c->heights[3][3] = 9.0f;
    const Bytes header = StoreRecord(*c, true);
    const Bytes bytes = StoreRecord(*c, false);
    ASSERT_EQ(bytes.size(), header.size() + 20);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
    Bytes tail;
    for (float f : {-12.5f, 4.25f, 0.75f}) {
        std::uint8_t raw[4];
        std::memcpy(raw, &f, 4);
        tail.insert(tail.end(), raw, raw + 4);
    }
    for (std::uint32_t n : {30u, 17u}) {
        std::uint8_t raw[4];
        std::memcpy(raw, &n, 4);
        tail.insert(tail.end(), raw, raw + 4);
    }
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), bytes.end() - 20));

    CGeCanvas loaded;
    ASSERT_EQ(LoadRecord(bytes, loaded), -1);
    EXPECT_EQ(loaded.originX, -12.5f);
    EXPECT_EQ(loaded.step, 0.75f);
    EXPECT_EQ(loaded.nx, 30u);
    EXPECT_EQ(loaded.ny, 17u);
    for (unsigned j = 0; j < 17; ++j)
        for (unsigned i = 0; i < 30; ++i) ASSERT_EQ(loaded.heights[j][i], kEmpty);

    const size_t at = header.size();
    struct Row {
        const char* label;
        int nx, ny;
        float step;
        bool damaged, arrays;
    } rows[] = {{"one column", 1, 17, 0.75f, false, false},   {"negative", -5, 17, 0.75f, false, false},
                {"past the cell cap", 65536, 32768, 0.75f, true, false},
                {"int max", 0x7FFFFFFF, 0x7FFFFFFF, 0.75f, true, false},
                {"zero step", 30, 17, 0.0f, true, false},      {"NaN step", 30, 17, std::nanf(""), true, false},
                {"small", 2, 2, 0.75f, false, true}};
    for (const Row& row : rows) {
        Bytes b = bytes;
        Put(b, at + 8, row.step);
        Put(b, at + 12, row.nx);
        Put(b, at + 16, row.ny);
        CGeCanvas hostile;
        const int cause = LoadRecord(b, hostile);
        EXPECT_EQ(cause != -1, row.damaged) << row.label;
        EXPECT_EQ(hostile.heights != nullptr, row.arrays) << row.label;
    }
    for (size_t cut = 0; cut < bytes.size(); cut += 3) {
        CGeCanvas truncated;
        EXPECT_NE(LoadRecord(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(cut)), truncated), -1) << "cut " << cut;
        EXPECT_EQ(truncated.heights, nullptr) << "cut " << cut;
    }
    looker::testing::ResetQVGlobal();
}

namespace {

class CanvasWorkAreaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_meminfo = std::filesystem::temp_directory_path() /
                    ("korvel-canvas-meminfo-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        SetAvailable(64ull << 30);
        looker::SetResourceMessageHook([this](UINT id, double v) { m_messages.push_back({id, v}); });
    }
    void TearDown() override
    {
        CGeCanvas::Uninstance();
        CWorkArea::Uninstance();
        looker::SetResourceMessageHook(nullptr);
        looker::testing::SetMemoryFiles(nullptr, nullptr);
        std::filesystem::remove(m_meminfo);
    }
    // Available memory as the canvas sees it (no cgroup limit); 0 bytes writes a file
    // without the figure, which is a failed query.
    void SetAvailable(std::uint64_t bytes)
    {
        std::ofstream out(m_meminfo);
        out << "MemTotal: 99999999 kB\n";
        if (bytes) out << "MemAvailable: " << bytes / 1024 << " kB\n";
        out.close();
        looker::testing::SetMemoryFiles(m_meminfo.string().c_str(), "/nonexistent");
    }

    std::filesystem::path m_meminfo;
    std::vector<std::pair<UINT, double>> m_messages;
};

}  // namespace

TEST_F(CanvasWorkAreaTest, PageGridAndOrigin)
{
    CWorkArea::Instance()->SetPageSize(100, 50);
    CGeCanvas* c = CGeCanvas::CreateFrmWorkArea(1.0f);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(CGeCanvas::Instance(), c);
    EXPECT_EQ(c->nx, 101u);
    EXPECT_EQ(c->ny, 51u);
    EXPECT_EQ(c->originX, 0.0f);
    EXPECT_EQ(c->m_box.xmax, 101.0);
    EXPECT_EQ(c->m_box.ymax, 51.0);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(CGeCanvas::CreateFrmWorkArea(2.0f), c) << "an existing canvas is returned unchanged";
    EXPECT_EQ(c->step, 1.0f);
    CGeCanvas::Uninstance();
    CWorkArea::Instance()->SetOrigin(0);
    c = CGeCanvas::CreateFrmWorkArea(1.0f);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->originX, -50.0f);
    EXPECT_EQ(c->originY, -25.0f);
    CGeCanvas::Uninstance();
    EXPECT_EQ(CGeCanvas::CreateFrmWorkArea(0.05f), nullptr);
    EXPECT_EQ(CGeCanvas::CreateFrmWorkArea(std::nanf("")), nullptr);
    EXPECT_EQ(CGeCanvas::Instance(), nullptr);
}

TEST_F(CanvasWorkAreaTest, TightMemoryRaisesTheStepAndSaysSo)
{
    CWorkArea::Instance()->SetPageSize(1000, 1000);
    // 40 MB available: half of it holds about 377000 cells at 53 bytes, so the step
    // must reach 1000 / (sqrt(377000) - 1) ≈ 1.63.
    SetAvailable(40ull << 20);
    CGeCanvas* c = CGeCanvas::CreateFrmWorkArea(0.5f);
    ASSERT_NE(c, nullptr);
    EXPECT_GE(c->step, 1.6f);
    EXPECT_LE(c->step, 1.8f);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].first, 299u);
    EXPECT_EQ(m_messages[0].second, static_cast<double>(c->step));
    EXPECT_LT(53.0 * c->nx * c->ny, 20.0 * (1 << 20));
}

TEST_F(CanvasWorkAreaTest, AlwaysEnds)
{
    // A failed memory query is not zero memory: the canvas is made at the asked step.
    CWorkArea::Instance()->SetPageSize(100, 100);
    SetAvailable(0);
    CGeCanvas* c = CGeCanvas::CreateFrmWorkArea(1.0f);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->step, 1.0f);
    CGeCanvas::Uninstance();
    // No memory at all (0 kB): the step grows until fewer than 2 nodes remain.
    SetAvailable(1);
    EXPECT_EQ(CGeCanvas::CreateFrmWorkArea(1.0f), nullptr);
    // A page so large that the step stops growing before the grid fits.
    CWorkArea::Instance()->SetPageSize(1e15, 1e15);
    SetAvailable(64ull << 30);
    EXPECT_EQ(CGeCanvas::CreateFrmWorkArea(1.0f), nullptr);
    EXPECT_EQ(CGeCanvas::Instance(), nullptr);
}

// The heights are not stored, so a loaded record's counts alone size the grid: one past
// the memory budget of a canvas over the work area (half the available memory at 53
// bytes a cell) is refused before anything is allocated. 40 MB available holds about
// 395000 cells.
TEST_F(CanvasWorkAreaTest, LoadedGridPastTheMemoryBudgetIsRefused)
{
    gNewQVGlobal()->SetVersion(kDocVersionCurrent);
    auto small = MakeCanvas(0, 0, 1.0f, 2, 2);
    const Bytes header = StoreRecord(*small, true);
    const Bytes bytes = StoreRecord(*small, false);
    struct Row {
        const char* label;
        std::uint64_t available;  // 0: the memory query fails
        int nx, ny;
        bool loads;
    } rows[] = {{"within the budget", 40ull << 20, 600, 600, true},
                {"past the budget", 40ull << 20, 700, 700, false},
                {"one long row past the budget", 40ull << 20, 400000, 2, false},
                {"no memory figure: the cell cap alone", 0, 700, 700, true}};
    for (const Row& row : rows) {
        SetAvailable(row.available);
        Bytes b = bytes;
        Put(b, header.size() + 12, row.nx);
        Put(b, header.size() + 16, row.ny);
        CGeCanvas loaded;
        const int cause = LoadRecord(b, loaded);
        EXPECT_EQ(cause, row.loads ? -1 : static_cast<int>(CArchiveException::genericException)) << row.label;
        EXPECT_EQ(loaded.heights != nullptr, row.loads) << row.label;
        EXPECT_EQ(loaded.nx, row.loads ? static_cast<std::uint32_t>(row.nx) : 0u) << row.label;
    }

    // Found by fuzzing: 118 bytes whose canvas record asked for 2.6 GB of heights. Read
    // as the readers of lists do (outermost records under a load hold, without a
    // settings object, so the records carry no handle), it throws and leaves nothing.
    looker::testing::ResetQVGlobal();
    SetAvailable(1ull << 30);
    std::ifstream in(std::filesystem::path(RELIEF_TEST_DATA) / "canvas_grid_past_the_memory_budget.bin", std::ios::binary);
    Bytes fuzzed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(fuzzed.size(), 118u);
    CMemFile file(fuzzed.data(), static_cast<UINT>(fuzzed.size()));
    CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete, 4096);
    std::vector<CObject*> read;
    int cause = -1;
    try {
        CArchive::CLoadHold hold(ar);
        for (int i = 0; i < 4 && file.GetPosition() < file.GetLength(); ++i) {
            CObject* ob = ar.ReadObject(nullptr);
            if (ob != nullptr && std::find(read.begin(), read.end(), ob) == read.end()) read.push_back(ob);
        }
        hold.Release();
    } catch (const CArchiveException& e) {
        cause = e.m_cause;  // the hold deleted what the load created
        read.clear();
    }
    for (CObject* ob : read) delete ob;
    EXPECT_EQ(cause, CArchiveException::genericException);
}
