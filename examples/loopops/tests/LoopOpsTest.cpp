// The headless example run as a user runs it: on a fjord coast and on a pocket with
// holes, offsets and Booleans; its text output equals the loop functions' result in this
// process, and it writes an SVG picture. Bad arguments and files give a message and a
// non-zero exit.
#include "examples/loopops/LoopText.h"

#include "testing/Shorelines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using loopops::Polygon;

class LoopOps : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("loopops_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::vector<Polygon>& polys)
    {
        const fs::path p = m_dir / name;
        std::ofstream out(p);
        loopops::WriteLoops(out, polys);
        return p.string();
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    static int Run(const std::string& args)
    {
        std::string cmd = LOOPOPS_PROGRAM;
        cmd.append(" ").append(args).append(" > /dev/null 2>&1");
        return std::system(cmd.c_str());
    }
    static std::string Slurp(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path m_dir;
};

std::string Text(GeLoopList& result)
{
    std::ostringstream s;
    loopops::WriteLoops(s, loopops::Flatten(result, 0.001));
    return s.str();
}

// A 60 x 40 plate with a square and a near-round hole, and a bar across it.
std::vector<Polygon> Plate()
{
    Polygon round;
    for (int i = 0; i < 72; ++i)
        round.push_back({40 + 6 * std::cos(-i * 0.0872664626), 20 + 6 * std::sin(-i * 0.0872664626)});
    return {{{0, 0}, {60, 0}, {60, 40}, {0, 40}}, {{10, 10}, {10, 20}, {20, 20}, {20, 10}}, round};
}

TEST_F(LoopOps, OffsetsMatchTheInProcessResult)
{
    std::vector<Polygon> coast = shorelines::Read("iceland_fjords");
    ASSERT_FALSE(coast.empty());
    coast.resize(std::min<std::size_t>(coast.size(), 5));
    const struct {
        const char* label;
        std::vector<Polygon> polys;
        double d;
        int corner, mode;
    } rows[] = {
        {"coast inward 0.5", coast, 0.5, 4, 0},
        {"coast outward 2", coast, 2, 4, 2},
        {"plate inward 2 bevel", Plate(), 2, 1, 0},
        {"plate outward 0.5 sharp", Plate(), 0.5, 3, 2},
    };
    for (const auto& r : rows) {
        const std::string in = Write("in.txt", r.polys);
        ASSERT_EQ(Run("offset " + in + " " + std::to_string(r.d) + " " + std::to_string(r.corner) + " " +
                      std::to_string(r.mode) + " " + Path("out.txt") + " " + Path("out.svg")),
                  0)
            << r.label;
        GeLoopList loops, result;
        loopops::ToLoops(r.polys, loops);
        acGeLoopListOffset(&loops, r.d, r.corner, r.mode, &result);
        EXPECT_GT(result.GetCount(), 0) << r.label;
        EXPECT_EQ(Slurp(Path("out.txt")), Text(result)) << r.label;
        EXPECT_EQ(Slurp(Path("out.svg")).rfind("<svg", 0), 0u) << r.label;
        loopops::Free(loops);
        loopops::Free(result);
    }
}

TEST_F(LoopOps, BooleansMatchTheInProcessResult)
{
    std::vector<Polygon> a = Plate(), b = Plate();
    for (Polygon& p : b)
        for (auto& q : p)
            q = {q[0] + 7.5, q[1] + 5};
    const std::string fa = Write("a.txt", a), fb = Write("b.txt", b);
    for (int op : {0, 1, 3}) {
        ASSERT_EQ(Run("bool " + fa + " " + fb + " " + std::to_string(op) + " " + Path("out.txt")), 0) << op;
        GeRegionList ra, rb;
        loopops::ToRegions(a, ra);
        loopops::ToRegions(b, rb);
        GeLoopList result;
        acGeLoopBool(&ra, &rb, op, &result);
        EXPECT_GT(result.GetCount(), 0) << op;
        EXPECT_EQ(Slurp(Path("out.txt")), Text(result)) << op;
        loopops::Free(ra);
        loopops::Free(rb);
        loopops::Free(result);
    }
}

TEST_F(LoopOps, BadArgumentsAndFilesFail)
{
    std::ofstream(Path("bad.txt")) << "1 2\nthree 4\n";
    EXPECT_NE(Run(""), 0);
    EXPECT_NE(Run("offset " + Path("missing.txt") + " 1 4 0 " + Path("o.txt")), 0);
    EXPECT_NE(Run("offset " + Path("bad.txt") + " 1 4 0 " + Path("o.txt")), 0);
    EXPECT_NE(Run("offset " + Path("bad.txt") + " x 4 0 " + Path("o.txt")), 0);
    EXPECT_NE(Run("bool " + Path("bad.txt") + " " + Path("bad.txt") + " 3"), 0);
}

TEST(LoopText, ReadsGmtSegments)
{
    std::istringstream in("# header\n> first\n0 0\n1 0\n1 1\n0 0\n>\n5 5\n6 5\n\n6 6\n> two points\n1 1\n2 2\n");
    std::vector<Polygon> loops;
    std::string error;
    ASSERT_TRUE(loopops::ReadLoops(in, loops, error));
    ASSERT_EQ(loops.size(), 2u);
    EXPECT_EQ(loops[0].size(), 3u);  // the closing point dropped
    EXPECT_EQ(loops[1].size(), 3u);
    std::istringstream bad("0 0\n1 nan\n");
    EXPECT_FALSE(loopops::ReadLoops(bad, loops, error));
    EXPECT_NE(error.find("line 2"), std::string::npos);
}

}  // namespace

namespace {

// Even-odd containment in the polygons, or within tol of an edge.
bool InsideOrNear(const std::vector<Polygon>& polys, const loopops::Pt& p, double tol)
{
    bool in = false;
    for (const Polygon& poly : polys)
        for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
            const auto &a = poly[j], &b = poly[i];
            if ((a[1] > p[1]) != (b[1] > p[1]) && p[0] < a[0] + (b[0] - a[0]) * (p[1] - a[1]) / (b[1] - a[1]))
                in = !in;
            const double ux = b[0] - a[0], uy = b[1] - a[1];
            const double t = std::clamp(((p[0] - a[0]) * ux + (p[1] - a[1]) * uy) / (ux * ux + uy * uy), 0.0, 1.0);
            if (std::hypot(a[0] + t * ux - p[0], a[1] + t * uy - p[1]) <= tol)
                return true;
        }
    return in;
}

TEST_F(LoopOps, PocketPathsStayInsideThePlateForEveryStrategy)
{
    const std::vector<Polygon> plate = Plate();
    const std::string in = Write("plate.txt", plate);
    for (const char* strategy : {"oneway", "zigzag", "spiral", "radial", "follow"}) {
        const std::string out = Path(std::string(strategy) + ".txt"), svg = Path(std::string(strategy) + ".svg");
        ASSERT_EQ(Run("pocket " + in + " " + strategy + " " + (std::string(strategy) == "radial" ? "5" : "1.5") + " " +
                      out + " " + svg),
                  0)
            << strategy;
        // Open polylines, two points and more (the loop reader keeps three and more).
        std::istringstream t(Slurp(out));
        std::vector<Polygon> paths;
        for (std::string line; std::getline(t, line);) {
            if (line.rfind('>', 0) == 0) {
                paths.emplace_back();
                continue;
            }
            std::istringstream xy(line);
            loopops::Pt q;
            ASSERT_TRUE(!paths.empty() && (xy >> q[0] >> q[1])) << strategy << ": " << line;
            paths.back().push_back(q);
        }
        ASSERT_GT(paths.size(), 0u) << strategy;
        std::size_t points = 0;
        for (const Polygon& p : paths)
            for (const auto& q : p) {
                ++points;
                EXPECT_TRUE(InsideOrNear(plate, q, 1e-6)) << strategy << " at " << q[0] << ", " << q[1];
            }
        EXPECT_GT(points, 40u) << strategy;
        EXPECT_NE(Slurp(svg).find("#d02020"), std::string::npos) << strategy;
    }
    EXPECT_EQ(WEXITSTATUS(Run("pocket " + in + " helix 1 " + Path("x.txt"))), 2);
}

}  // namespace

TEST_F(LoopOps, ReliefStampsTheRegionsIntoABitmap)
{
    // A 45-degree V cut off at 3 over a 20 x 10 rectangle, nodes 0.5 apart from -0.5.
    const std::string in = Write("rect.txt", {{{0, 0}, {20, 0}, {20, 10}, {0, 10}}});
    const std::string bmp = Path("rect.bmp");
    ASSERT_EQ(Run("relief " + in + " angle 3 0.5 " + bmp), 0);
    const std::string b = Slurp(bmp);
    ASSERT_GT(b.size(), 1078u);
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
                                          static_cast<unsigned char>(b[at + 2]) << 16 |
                                          static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
    };
    const std::uint32_t w = u32(18), h = u32(22), stride = (w + 3) & ~3u;
    ASSERT_EQ(w, 43u);
    ASSERT_EQ(h, 23u);
    ASSERT_EQ(b.size(), 1078u + stride * h);
    auto pixel = [&](double x, double y) {
        const auto i = static_cast<std::size_t>(std::lround((x + 0.5) / 0.5)), j = static_cast<std::size_t>(std::lround((y + 0.5) / 0.5));
        return static_cast<int>(static_cast<unsigned char>(b[1078 + j * stride + i]));
    };
    EXPECT_EQ(pixel(10, 5), 250) << "the middle reaches the full height";
    EXPECT_EQ(pixel(10, 1), 83) << "1 from the border: a third of it";
    EXPECT_EQ(pixel(-0.5, 5), 0) << "nothing outside";
    EXPECT_EQ(pixel(10, 10), 0) << "nothing on the border";
    EXPECT_EQ(WEXITSTATUS(Run("relief " + in + " bowl 3 0.5 " + bmp)), 2);
    EXPECT_NE(Run("relief " + in + " angle 3 0 " + bmp), 0) << "no grid at step 0";
}
