// The path parser on small hand-written files: the documented cases, and the
// operator forms that independent writers produce.
#include "plugins/illustrator/AiFileParser.h"
#include "plugins/illustrator/AiPathReader.h"
#include "plugins/illustrator/tests/IlvaneTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <sstream>

namespace {

using namespace ilvane::test;

constexpr double kTol = 1e-9;  // mm: exact numbers of the file, only scaled

struct Parsed {
    bool ok = false;
    INT_PTR entities = 0;
    int type = 0;  // db type of the only entity
    std::vector<Curve> curves;
};

Parsed Parse(const std::string& text)
{
    TempDir dir;
    AiFileParser parser;
    Parsed out;
    out.ok = ParseAiFile(parser, CString::FromUtf8(dir.Write("t.ai", text)));
    out.entities = parser.GetCount();
    if (parser.GetCount() == 1) {
        out.type = parser.GetHead()->GetType();
        out.curves = CurvesOf(parser.GetHead());
    }
    parser.DeleteAll();
    return out;
}

void ExpectPt(const Pt& got, const Pt& want, const std::string& label)
{
    EXPECT_NEAR(got[0], want[0], kTol) << label;
    EXPECT_NEAR(got[1], want[1], kTol) << label;
}

TEST(AiFileParserTest, SingleLineIsHandedOverAsThatSegment)
{
    const Parsed r = Parse("%!PS\n%%EndSetup\n10 20 m\n30 40 l\ns\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.entities, 1);
    EXPECT_EQ(r.type, kDbTypeCurve);
    ASSERT_EQ(r.curves.size(), 1u);
    const Curve& c = r.curves[0];
    ASSERT_EQ(c.members.size(), 1u) << "the segment itself, not a composite";
    EXPECT_EQ(c.members[0].type, kLine) << "a lone straight segment stays a line";
    EXPECT_EQ(SegmentCount(c), 1);
    ExpectPt(StartOf(c), Mm(10, 20), "start");
    ExpectPt(EndOf(c), Mm(30, 40), "end");
    EXPECT_FALSE(c.closed);
}

TEST(AiFileParserTest, TwoSubpathsGiveAGroupOfTwoCurves)
{
    const Parsed r = Parse("%%EndPageSetup\n0 0 m\n10 0 l\n10 10 l\ns\n20 0 m\n30 0 l\n30 10 l\ns\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.entities, 1);
    EXPECT_EQ(r.type, kDbTypeUnion);
    ASSERT_EQ(r.curves.size(), 2u);
    for (const Curve& c : r.curves) {
        EXPECT_TRUE(c.closed) << "s closes the subpath";
        EXPECT_EQ(SegmentCount(c), 3);
    }
    ExpectPt(StartOf(r.curves[1]), Mm(20, 0), "second start");
}

TEST(AiFileParserTest, FilesWithoutSegmentsFail)
{
    const char* const cases[][2] = {
        {"operators before the gate", "%!PS\n0 0 m\n10 0 l\nS\n%%EOF\n"},
        {"no gate at all", "0 0 moveto 10 10 lineto stroke\n"},
        {"lineto without a current point", "%%EndSetup\n10 20 l\n30 40 l\nS\n"},
        {"moveto only", "%%EndSetup\n10 20 m\nS\n"},
        {"operators after %%EOF", "%%EndSetup\n%%EOF\n0 0 m\n10 0 l\nS\n"},
        {"empty file", ""},
        {"colours and text only", "%%EndSetup\n0 0 0 1 k\n(Hello 10 20 m 30 40 l) Tx\n4 M\n"},
    };
    for (const auto& c : cases) {
        const Parsed r = Parse(c[1]);
        EXPECT_FALSE(r.ok) << c[0];
        EXPECT_EQ(r.entities, 0) << c[0];
    }
}

TEST(AiFileParserTest, MissingOrEmptyPathFails)
{
    AiFileParser parser;
    EXPECT_FALSE(ParseAiFile(parser, CString()));
    EXPECT_FALSE(ParseAiFile(parser, CString(L"/nonexistent/dir/file.ai")));
    TempDir dir;
    EXPECT_FALSE(ParseAiFile(parser, CString::FromUtf8(dir.Path().string()))) << "a folder";
    EXPECT_TRUE(parser.IsEmpty());
}

// Files as independent writers produce them; each row names the feature that
// a line-by-line substring reader gets wrong.
TEST(AiFileParserTest, OperatorsAreReadAsTokens)
{
    struct Row {
        const char* label;
        std::string text;
        size_t curves;
        int segments;  // of the first curve
        bool closed;   // of the first curve
        Pt start;      // of the first curve, points
        Pt end;        // of the last curve, points
    };
    std::string longLine = "0 0 m";
    for (int i = 1; i <= 200; ++i) longLine += " " + std::to_string(i * 1.25) + " " + std::to_string(i % 2 ? 3.5 : -3.5) + " l";
    longLine += " S";
    const std::vector<Row> rows = {
        {"miter limit is not a moveto", "%%EndSetup\n1 w 4 M\n0 0 m\n10 0 l\n10 10 l\nS\n", 1, 2, false, {0, 0}, {10, 10}},
        {"cm is not a curveto", "%%EndSetup\n2 0 0 2 5 5 cm\n0 0 m\n10 0 l\n10 10 l\nS\n", 1, 2, false, {5, 5}, {25, 25}},
        {"concat of an array", "%%EndSetup\n[1 0 0 -1 0 100] concat\n0 0 m 10 0 l 10 10 l S\n", 1, 2, false, {0, 100}, {10, 90}},
        {"q and Q restore the transform",
         "%%EndSetup\nq 2 0 0 2 0 0 cm 0 0 m 10 0 l 10 10 l S Q\n0 0 m 10 0 l 10 5 l S\n", 2, 2, false, {0, 0}, {10, 5}},
        {"translate, scale and rotate", "%%EndSetup\n10 0 translate 2 2 scale 90 rotate 0 0 m 10 0 l 10 10 l S\n", 1, 2,
         false, {10, 0}, {-10, 20}},
        {"comments and strings hold no operators",
         "%%EndSetup\n% 1 2 m 3 4 l\n(5 6 m 7 8 l (nested) \\) 9 9 l) Tx\n0 0 m 10 0 l 10 10 l S % 99 99 l\n", 1, 2, false,
         {0, 0}, {10, 10}},
        {"strings span lines", "%%EndSetup\n(open 1 1 m\n2 2 l) pop\n0 0 m 10 0 l 10 10 l S\n", 1, 2, false, {0, 0}, {10, 10}},
        {"procedures and hex strings are skipped",
         "%%EndSetup\n/box { 0 0 m 50 50 l } def <0a0b 1c> pop\n0 0 m 10 0 l 10 10 l S\n", 1, 2, false, {0, 0}, {10, 10}},
        {"several operators on one line", "%%EndSetup\n0 0 m 10 0 l 10 10 l 0 10 l h f\n", 1, 4, true, {0, 0}, {0, 0}},
        {"operands continue on the next line", "%%EndSetup\n0 0 m 10\n 0 l 10 10\nl S\n", 1, 2, false, {0, 0}, {10, 10}},
        {"line longer than 255 characters", "%%EndSetup\n" + longLine + "\n", 1, 200, false, {0, 0}, {250, -3.5}},
        {"h closes", "%%EndSetup\n0 0 m\n10 0 l\n10 10 l\nh\nS\n", 1, 3, true, {0, 0}, {0, 0}},
        {"b closes", "%%EndSetup\n0 0 m\n10 0 l\n10 10 l\nb\n", 1, 3, true, {0, 0}, {0, 0}},
        {"B fills", "%%EndSetup\n0 0 m\n10 0 l\n10 10 l\nB\n", 1, 3, true, {0, 0}, {0, 0}},
        {"f at the end of a line", "%%EndSetup\n0 0 m 10 0 l 10 10 l f\n", 1, 3, true, {0, 0}, {0, 0}},
        {"S at the end of a line", "%%EndSetup\n0 0 m 10 0 l 10 10 l S\n", 1, 2, false, {0, 0}, {10, 10}},
        {"full words", "%%EndSetup\nnewpath 0 0 moveto 10 0 lineto 10 10 5 15 0 10 curveto closepath stroke\n", 1, 3,
         true, {0, 0}, {0, 0}},
        {"re with a flipped transform", "%%EndSetup\n1 0 0 -1 0 100 cm 10 20 30 40 re f\n", 1, 4, true, {10, 80},
         {10, 80}},
        {"last number without a newline", "%%EndSetup\n0 0 m\n10 0 l\n10 10 l", 1, 2, false, {0, 0}, {10, 10}},
        {"CR line ends", "%%EndSetup\r0 0 m\r10 0 l\r10 10 l\rS\r", 1, 2, false, {0, 0}, {10, 10}},
        {"CRLF line ends", "%%EndSetup\r\n0 0 m\r\n10 0 l\r\n10 10 l\r\nS\r\n", 1, 2, false, {0, 0}, {10, 10}},
        {"exponent numbers", "%%EndSetup\n1.5e2 0 m\n1.5E2 +10 l\n-.5e1 10 l\nS\n", 1, 2, false, {150, 0}, {-5, 10}},
        {"lineto to the current point adds nothing", "%%EndSetup\n0 0 m 0 0 l 10 0 l 10 0 l 10 10 l S\n", 1, 2, false,
         {0, 0}, {10, 10}},
        {"lineto before any moveto adds nothing", "%%EndSetup\n10 20 l\n0 0 m 10 0 l 10 10 l S\n", 1, 2, false, {0, 0},
         {10, 10}},
        {"the gate line is interpreted", "5 5 m\n0 0 m 10 0 l %%EndSetup\n10 10 l S\n", 1, 2, false, {0, 0}, {10, 10}},
        {"reading stops at %%EOF", "%%EndSetup\n0 0 m 10 0 l 10 10 l S\n%%EOF\n0 0 m 5 5 l S\n", 1, 2, false, {0, 0},
         {10, 10}},
        {"subpaths of one fill are closed each",
         "%%EndSetup\n0 0 m 10 0 l 10 10 l 0 10 l 2 2 m 2 8 l 8 8 l 8 2 l f*\n", 2, 4, true, {0, 0}, {2, 2}},
        {"segments after closepath start at the subpath start", "%%EndSetup\n0 0 m 10 0 l 10 10 l h 0 -10 l S\n", 2,
         3, true, {0, 0}, {0, -10}},
    };
    for (const Row& row : rows) {
        const Parsed r = Parse(row.text);
        ASSERT_TRUE(r.ok) << row.label;
        ASSERT_EQ(r.curves.size(), row.curves) << row.label;
        EXPECT_EQ(SegmentCount(r.curves.front()), row.segments) << row.label;
        EXPECT_EQ(r.curves.front().closed, row.closed) << row.label;
        ExpectPt(StartOf(r.curves.front()), Mm(row.start[0], row.start[1]), std::string(row.label) + ": start");
        ExpectPt(EndOf(r.curves.back()), Mm(row.end[0], row.end[1]), std::string(row.label) + ": end");
    }
}

TEST(AiFileParserTest, CurveOperatorsPlaceTheirControlPoints)
{
    struct Row {
        const char* label;
        const char* text;
        Pt nodes[4];
    } rows[] = {
        {"c", "%%EndSetup\n0 0 m 1 2 3 4 5 0 c S\n", {{0, 0}, {1, 2}, {3, 4}, {5, 0}}},
        {"v: first control at the current point", "%%EndSetup\n0 0 m 3 4 5 0 v S\n", {{0, 0}, {0, 0}, {3, 4}, {5, 0}}},
        {"y: second control at the end", "%%EndSetup\n0 0 m 1 2 5 0 y S\n", {{0, 0}, {1, 2}, {5, 0}, {5, 0}}},
        {"rcurveto", "%%EndSetup\n1 1 moveto 1 2 3 4 5 0 rcurveto stroke\n", {{1, 1}, {2, 3}, {4, 5}, {6, 1}}},
    };
    for (const Row& row : rows) {
        const Parsed r = Parse(row.text);
        ASSERT_TRUE(r.ok) << row.label;
        ASSERT_EQ(r.curves.size(), 1u) << row.label;
        ASSERT_EQ(r.curves[0].members.size(), 1u) << row.label;
        const Member& m = r.curves[0].members[0];
        ASSERT_EQ(m.type, kBezier) << row.label;
        ASSERT_EQ(m.pts.size(), 4u) << row.label;
        for (int i = 0; i < 4; ++i)
            ExpectPt(m.pts[i], Mm(row.nodes[i][0], row.nodes[i][1]), std::string(row.label) + " node " + std::to_string(i));
    }
}

TEST(AiFileParserTest, NumbersAreWholeTokens)
{
    struct Row {
        const char* token;
        bool number;
        double value;
    } rows[] = {{"10", true, 10},      {"-3.5", true, -3.5}, {"+2", true, 2},       {".5", true, 0.5},
                {"1.5e2", true, 150},  {"1E-2", true, 0.01}, {"4M", false, 0},      {"1e999", false, 0},
                {"nan", false, 0},     {"inf", false, 0},    {"+-1", false, 0},     {"--1", false, 0},
                {"", false, 0},        {"m", false, 0},      {"12#ff", false, 0}};
    for (const Row& row : rows) {
        double v = -1.0;
        EXPECT_EQ(ilvane::ParseAiNumber(row.token, v), row.number) << row.token;
        if (row.number) {
            EXPECT_DOUBLE_EQ(v, row.value) << row.token;
        }
    }
}

// Plain decimals are read without from_chars: the numbers must be the same
// bits, and the same tokens must be numbers.
TEST(AiFileParserTest, NumbersReadExactlyAsFromChars)
{
    std::vector<std::string> tokens = {"0",       "-0",        "1.",         "-.5",        ".",          "-",
                                       "-.",      "00012.500", "0.1",        "0.3",        "123456789012345",
                                       "1234567890123456", "9007199254740993", "0.000000000000001",
                                       "0.0000000000000001", "1.2.3",  "1-2",        "12e",        "+.5",
                                       "999999999999999.9", "-123.456789012345", "3.14159265358979"};
    std::mt19937_64 random(11);
    char buf[64];
    for (int i = 0; i < 20000; ++i) {
        // Decimals as writers print them: a few to many digits on either side.
        const int intDigits = static_cast<int>(random() % 10), fracDigits = static_cast<int>(random() % 19);
        std::string t = (random() % 3 == 0) ? "-" : "";
        for (int k = 0; k < intDigits; ++k) t += static_cast<char>('0' + random() % 10);
        if (fracDigits > 0 || random() % 2) t += '.';
        for (int k = 0; k < fracDigits; ++k) t += static_cast<char>('0' + random() % 10);
        tokens.push_back(t);
        const double x = std::ldexp(static_cast<double>(random() % (1u << 30)), -static_cast<int>(random() % 40));
        std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(random() % 12), random() % 2 ? x : -x);
        tokens.emplace_back(buf);
    }
    for (const std::string& token : tokens) {
        double got = 0.0, want = 0.0;
        const bool ok = ilvane::ParseAiNumber(token, got);
        ASSERT_EQ(ok, ilvane::ParseAiNumberGeneral(token, want)) << token;
        if (ok) {
            ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << token << ": " << got << " vs " << want;
        }
    }
}

// A point that no drawing can hold (not finite after the transform, or
// beyond 1e9 mm) makes the whole file damaged, even after good paths; the
// largest allowed coordinate imports.
TEST(AiFileParserTest, OutOfRangeCoordinatesFailTheFile)
{
    const double limitPt = 1e9 / ilvane::kPointToMm;
    const std::string inside = std::to_string(limitPt * 0.999);
    const std::string outside = std::to_string(limitPt * 1.001);
    struct Row {
        const char* label;
        std::string text;
        bool ok;
    };
    const Row rows[] = {
        {"transform overflows", "1e300 0 0 1e300 0 0 cm 1e300 0 m 2e300 0 l S\n", false},
        {"curve to 1e12", "0 0 m 1e12 0 0 1e12 1 1 c S\n", false},
        {"line past the limit after a good path", "0 0 m 1 1 l S 0 0 m " + outside + " 0 l S\n", false},
        {"move past the limit", "0 " + outside + " m 1 1 l S\n", false},
        {"rectangle past the limit", "0 0 " + outside + " 1 re f\n", false},
        {"scaled past the limit", "1e6 1e6 scale 0 0 m 1e4 1e4 l S\n", false},
        {"just inside the limit", "0 0 m " + inside + " 0 l S\n", true},
    };
    for (const Row& row : rows) {
        const Parsed r = Parse("%%EndSetup\n" + row.text);
        EXPECT_EQ(r.ok, row.ok) << row.label;
        EXPECT_EQ(r.entities, row.ok ? 1 : 0) << row.label;
    }
}

TEST(AiFileParserTest, DeleteAllEmptiesTheList)
{
    TempDir dir;
    AiFileParser parser;
    ASSERT_TRUE(ParseAiFile(parser, CString::FromUtf8(dir.Write("a.ai", "%%EndSetup\n0 0 m 1 1 l S\n"))));
    ASSERT_TRUE(ParseAiFile(parser, CString::FromUtf8(dir.Write("b.ai", "%%EndSetup\n0 0 m 1 1 l S 5 5 m 6 6 l S\n"))));
    EXPECT_EQ(parser.GetCount(), 2) << "each run appends";
    parser.DeleteAll();
    EXPECT_TRUE(parser.IsEmpty());
}

}  // namespace
