// Files written by independent generators (cairo's EPS output, Ghostscript's
// ps2ai conversion to Illustrator 3), committed under data/ with the script
// that made them. Each has known geometry: exact shapes are checked to 1e-6 mm,
// glyph outlines against the writer's own full-precision path.
#include "plugins/illustrator/AiFileParser.h"
#include "plugins/illustrator/tests/IlvaneTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

using namespace ilvane::test;

const std::string kData = ILVANE_TEST_DATA;

// The curves a path description should import as: the description's
// elements (M x y, L x y, C x1 y1 x2 y2 x3 y3, Z, P for a filling operator)
// in points, followed as the importer documents it (closing segments, runs of
// lines as one polyline, one curve per subpath with a segment).
struct Expected {
    double tolMm = 1e-6;
    std::vector<Curve> curves;
};

Expected ExpectedFrom(std::istream& in)
{
    struct Seg {
        bool line;
        std::vector<Pt> pts;
    };
    struct Sub {
        Pt start;
        std::vector<Seg> segs;
    };
    Expected out;
    std::vector<Sub> subs;
    Pt cur{0, 0};
    bool needNew = true;
    auto same = [](const Pt& a, const Pt& b) { return std::hypot(a[0] - b[0], a[1] - b[1]) < 1e-9; };
    auto open = [&]() -> Sub& {
        if (needNew || subs.empty()) subs.push_back({cur, {}});
        needNew = false;
        return subs.back();
    };
    auto endOf = [](const Sub& s) { return s.segs.back().pts.back(); };
    auto close = [&](Sub& s) {
        if (s.segs.empty() || same(endOf(s), s.start)) return;
        if (s.segs.size() == 1 && s.segs[0].line) return;
        s.segs.push_back({true, {endOf(s), s.start}});
    };
    auto finish = [&]() {
        for (Sub& s : subs) {
            if (s.segs.empty()) continue;
            Curve c;
            for (const Seg& seg : s.segs) {
                if (seg.line && !c.members.empty() && c.members.back().type == kPolyline) {
                    c.members.back().pts.push_back(seg.pts[1]);
                } else {
                    c.members.push_back({seg.line ? kPolyline : kBezier, seg.pts});
                }
            }
            const Pt a = s.start, b = endOf(s);
            c.closed = std::hypot(a[0] - b[0], a[1] - b[1]) < ilvane::kClosedTol;
            out.curves.push_back(std::move(c));
        }
        subs.clear();
        needNew = true;
    };
    auto read = [&in]() {
        double x = 0, y = 0;
        in >> x >> y;
        return Mm(x, y);
    };
    std::string op;
    while (in >> op) {
        if (op == "tol") {
            double t = 0;
            in >> t;
            out.tolMm = t * ilvane::kPointToMm;
        } else if (op == "M") {
            cur = read();
            if (subs.empty() || !subs.back().segs.empty()) subs.push_back({cur, {}});
            subs.back().start = cur;
            needNew = false;
        } else if (op == "L") {
            const Pt p = read();
            if (!same(p, cur)) open().segs.push_back({true, {cur, p}});
            cur = p;
        } else if (op == "C") {
            const Pt c1 = read(), c2 = read(), e = read();
            open().segs.push_back({false, {cur, c1, c2, e}});
            cur = e;
        } else if (op == "Z") {
            if (!needNew && !subs.empty()) {
                close(subs.back());
                cur = subs.back().start;
            }
            needNew = true;
        } else if (op == "P") {
            for (Sub& s : subs) close(s);
            finish();
        }
    }
    finish();
    return out;
}

Expected ExpectedFrom(const std::string& text, double tolMm = 1e-6)
{
    std::istringstream in(text);
    Expected e = ExpectedFrom(in);
    e.tolMm = tolMm;
    return e;
}

Expected ExpectedFromFile(const std::string& name)
{
    std::ifstream in(kData + name);
    EXPECT_TRUE(in.good()) << name;
    return ExpectedFrom(in);
}

std::vector<Curve> Import(const std::string& name, int* dbType)
{
    AiFileParser parser;
    EXPECT_TRUE(ParseAiFile(parser, CString::FromUtf8(kData + name))) << name;
    std::vector<Curve> curves;
    EXPECT_EQ(parser.GetCount(), 1) << name;
    if (!parser.IsEmpty()) {
        *dbType = parser.GetHead()->GetType();
        curves = CurvesOf(parser.GetHead());
    }
    parser.DeleteAll();
    return curves;
}

// A lone straight member compares as a two-vertex polyline.
int Kind(int type) { return type == kLine ? kPolyline : type; }

void ExpectSameCurves(const std::vector<Curve>& got, const Expected& want, const std::string& label)
{
    ASSERT_EQ(got.size(), want.curves.size()) << label;
    for (size_t i = 0; i < got.size(); ++i) {
        const std::string curve = label + " curve " + std::to_string(i);
        EXPECT_EQ(got[i].closed, want.curves[i].closed) << curve;
        EXPECT_EQ(SegmentCount(got[i]), SegmentCount(want.curves[i])) << curve;
        ASSERT_EQ(got[i].members.size(), want.curves[i].members.size()) << curve;
        for (size_t k = 0; k < got[i].members.size(); ++k) {
            const Member& g = got[i].members[k];
            const Member& w = want.curves[i].members[k];
            const std::string member = curve + " member " + std::to_string(k);
            EXPECT_EQ(Kind(g.type), Kind(w.type)) << member;
            ASSERT_EQ(g.pts.size(), w.pts.size()) << member;
            for (size_t j = 0; j < g.pts.size(); ++j) {
                EXPECT_NEAR(g.pts[j][0], w.pts[j][0], want.tolMm) << member << " point " << j;
                EXPECT_NEAR(g.pts[j][1], w.pts[j][1], want.tolMm) << member << " point " << j;
            }
        }
    }
}

TEST(FixtureImportTest, ExactShapesFromBothWriters)
{
    struct Row {
        const char* file;
        int dbType;
        const char* path;  // page points, y up
    } rows[] = {
        // cairo draws in a y-down space and flips it with cm.
        {"cairo_rect.eps", kDbTypeCurve, "M 10 130 L 110 130 L 110 80 L 10 80 Z P"},
        {"cairo_hole.eps", kDbTypeUnion,
         "M 20 130 L 180 130 L 180 20 L 20 20 Z M 60 100 L 60 50 L 140 50 L 140 100 Z P"},
        {"gs_rect.ai", kDbTypeCurve, "M 72 72 L 172 72 L 172 122 L 72 122 L 72 72 P"},
        // Drawn with translate; ps2ai writes page coordinates.
        {"gs_hole.ai", kDbTypeUnion,
         "M 40 60 L 240 60 L 240 210 L 40 210 L 40 60 P M 90 100 L 90 170 L 190 170 L 190 100 L 90 100 P"},
    };
    for (const Row& row : rows) {
        int type = 0;
        const std::vector<Curve> got = Import(row.file, &type);
        EXPECT_EQ(type, row.dbType) << row.file;
        ExpectSameCurves(got, ExpectedFrom(row.path), row.file);
        for (const Curve& c : got) EXPECT_TRUE(c.closed) << row.file;
    }
}

Pt BezierAt(const std::vector<Pt>& n, double t)
{
    const double s = 1.0 - t;
    const double b[4] = {s * s * s, 3 * s * s * t, 3 * s * t * t, t * t * t};
    Pt p{0, 0};
    for (int i = 0; i < 4; ++i) {
        p[0] += b[i] * n[static_cast<size_t>(i)][0];
        p[1] += b[i] * n[static_cast<size_t>(i)][1];
    }
    return p;
}

TEST(FixtureImportTest, CirclesAreFourClosedBeziersOnTheCircle)
{
    struct Row {
        const char* file;
        Pt centre;  // points
        double radius;
        Pt quadrants[4];  // on-curve nodes in path order
    } rows[] = {
        {"cairo_circle.eps", {100, 75}, 50, {{150, 75}, {100, 25}, {50, 75}, {100, 125}}},
        {"gs_circle.ai", {300, 300}, 50, {{350, 300}, {300, 350}, {250, 300}, {300, 250}}},
    };
    for (const Row& row : rows) {
        int type = 0;
        const std::vector<Curve> got = Import(row.file, &type);
        EXPECT_EQ(type, kDbTypeCurve) << row.file;
        ASSERT_EQ(got.size(), 1u) << row.file;
        EXPECT_TRUE(got[0].closed) << row.file;
        ASSERT_EQ(got[0].members.size(), 4u) << row.file;
        const Pt c = Mm(row.centre[0], row.centre[1]);
        const double r = row.radius * ilvane::kPointToMm;
        for (size_t k = 0; k < 4; ++k) {
            const Member& m = got[0].members[k];
            const std::string label = std::string(row.file) + " member " + std::to_string(k);
            ASSERT_EQ(m.type, kBezier) << label;
            ASSERT_EQ(m.pts.size(), 4u) << label;
            // The quadrant points are printed exactly.
            const Pt q = Mm(row.quadrants[k][0], row.quadrants[k][1]);
            EXPECT_NEAR(m.pts[0][0], q[0], 1e-6) << label;
            EXPECT_NEAR(m.pts[0][1], q[1], 1e-6) << label;
            // The cubic approximation of a quarter circle stays within 3e-4 r,
            // the printed control points add a little.
            for (int s = 0; s <= 64; ++s) {
                const Pt p = BezierAt(m.pts, s / 64.0);
                EXPECT_NEAR(std::hypot(p[0] - c[0], p[1] - c[1]), r, 5e-4 * r) << label << " sample " << s;
            }
        }
    }
}

TEST(FixtureImportTest, TextOutlinesMatchTheWritersOwnPath)
{
    struct Row {
        const char* file;
        const char* oracle;
        size_t contours;  // "DO": the D and its counter, the O and its counter
    } rows[] = {
        {"cairo_text.eps", "cairo_text.expect", 4},
        {"gs_text.ai", "gs_text.expect", 4},
    };
    for (const Row& row : rows) {
        int type = 0;
        const std::vector<Curve> got = Import(row.file, &type);
        EXPECT_EQ(type, kDbTypeUnion) << row.file;
        const Expected want = ExpectedFromFile(row.oracle);
        EXPECT_EQ(want.curves.size(), row.contours) << row.oracle;
        ExpectSameCurves(got, want, row.file);
        for (const Curve& c : got) EXPECT_TRUE(c.closed) << row.file;
    }
}

}  // namespace
