#include "plugins/illustrator/AiPathReader.h"

#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes2d/RefinePointStr.h"
#include "plugins/illustrator/IlvaneConst.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

namespace ilvane {

namespace {

// Character classes of the tokeniser, looked up once per character.
enum : unsigned char { kWhite = 1, kDelimiter = 2 };

constexpr std::array<unsigned char, 256> MakeCharClasses()
{
    std::array<unsigned char, 256> classes{};
    for (const unsigned char ch : {' ', '\t', '\r', '\n', '\f', '\0'}) classes[ch] = kWhite | kDelimiter;
    for (const unsigned char ch : {'(', ')', '<', '>', '[', ']', '{', '}', '/', '%'}) classes[ch] = kDelimiter;
    return classes;
}
constexpr std::array<unsigned char, 256> kCharClasses = MakeCharClasses();

bool IsWhite(char ch) { return (kCharClasses[static_cast<unsigned char>(ch)] & kWhite) != 0; }
bool IsDelimiter(char ch) { return (kCharClasses[static_cast<unsigned char>(ch)] & kDelimiter) != 0; }

bool Contains(std::string_view text, std::string_view what) { return text.find(what) != std::string_view::npos; }

bool Same(const double* p, const double* q) { return p[0] == q[0] && p[1] == q[1]; }

constexpr int kLineType = 0x2;  // CGeLine::GetType

bool InRange(const double* p) { return gecon::IsCoordinateInRange(p[0]) && gecon::IsCoordinateInRange(p[1]); }

// The operators the reader understands. Painting operators end the current
// path; those that fill or close first close each subpath.
enum class Op {
    Other,
    PaintOpen,
    PaintClosed,
    MoveTo,
    LineTo,
    CurveTo,
    CurveFromCurrent,  // v: the first control point is the current point
    CurveToEnd,        // y: the second control point is the end point
    ClosePath,
    Rectangle,
    RMoveTo,
    RLineTo,
    RCurveTo,
    Save,
    Restore,
    Concat,
    Translate,
    Scale,
    Rotate,
};

// Matched exactly: single letters by a switch, the longer names from a table.
Op OperatorOf(std::string_view op)
{
    if (op.size() == 1) {
        switch (op[0]) {
        case 'S': case 'N': return Op::PaintOpen;
        case 's': case 'f': case 'F': case 'b': case 'B': case 'n': return Op::PaintClosed;
        case 'm': return Op::MoveTo;
        case 'l': case 'L': return Op::LineTo;
        case 'c': case 'C': return Op::CurveTo;
        case 'v': case 'V': return Op::CurveFromCurrent;
        case 'y': case 'Y': return Op::CurveToEnd;
        case 'h': case 'H': return Op::ClosePath;
        case 'q': return Op::Save;
        case 'Q': return Op::Restore;
        default: return Op::Other;
        }
    }
    static constexpr std::pair<std::string_view, Op> kNamed[] = {
        {"stroke", Op::PaintOpen},     {"newpath", Op::PaintOpen},     {"f*", Op::PaintClosed},
        {"b*", Op::PaintClosed},       {"B*", Op::PaintClosed},        {"fill", Op::PaintClosed},
        {"eofill", Op::PaintClosed},   {"moveto", Op::MoveTo},         {"lineto", Op::LineTo},
        {"curveto", Op::CurveTo},      {"closepath", Op::ClosePath},   {"re", Op::Rectangle},
        {"rmoveto", Op::RMoveTo},      {"rlineto", Op::RLineTo},       {"rcurveto", Op::RCurveTo},
        {"gsave", Op::Save},           {"grestore", Op::Restore},      {"cm", Op::Concat},
        {"concat", Op::Concat},        {"translate", Op::Translate},   {"scale", Op::Scale},
        {"rotate", Op::Rotate},
    };
    for (const auto& [name, kind] : kNamed)
        if (op == name) return kind;
    return Op::Other;
}

}  // namespace

namespace {

bool IsDigit(char ch) { return static_cast<unsigned char>(ch - '0') < 10; }

// Reads the plain decimal ("-12.375", "7", ".5") that begins at p, of at most
// 15 significant digits: the digits as an integer are exact in a double and
// so is the power of ten that scales them, so one correctly rounded division
// (or none) gives exactly the double that from_chars gives. Returns the end
// of the decimal read, or null for none or one of more digits.
const char* ScanPlainDecimal(const char* p, const char* end, double& value)
{
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    const char* const first = p;
    while (p != end && *p == '0') ++p;  // leading zeros are not significant
    std::uint64_t digits = 0;
    const char* significant = p;
    for (; p != end && IsDigit(*p); ++p) digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    std::ptrdiff_t count = p - significant;
    std::ptrdiff_t fraction = 0;
    bool any = p != first;
    if (p != end && *p == '.') {
        const char* const point = ++p;
        if (digits == 0)
            while (p != end && *p == '0') ++p;
        significant = p;
        for (; p != end && IsDigit(*p); ++p) digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
        count += p - significant;
        fraction = p - point;
        any = any || fraction > 0;
    }
    // Longer digit strings wrapped the integer: they go to the full parse.
    if (!any || count > 15 || fraction > 15) return nullptr;
    double v = static_cast<double>(digits);
    if (fraction > 0) v /= kPowersOfTen[fraction];
    value = negative ? -v : v;
    return p;
}

}  // namespace

bool ParseAiNumber(std::string_view token, double& value)
{
    const char* const last = token.data() + token.size();
    if (!token.empty() && ScanPlainDecimal(token.data(), last, value) == last) return true;
    return ParseAiNumberGeneral(token, value);
}

bool ParseAiNumberGeneral(std::string_view token, double& value)
{
    if (token.empty()) return false;
    const char* first = token.data();
    const char* last = first + token.size();
    const char c0 = *first;
    if (!(c0 == '-' || c0 == '+' || c0 == '.' || (c0 >= '0' && c0 <= '9'))) return false;
    // from_chars takes no leading plus sign.
    if (c0 == '+') {
        ++first;
        if (first == last || *first == '-' || *first == '+') return false;
    }
    double v = 0.0;
    const auto result = std::from_chars(first, last, v, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(v)) return false;
    value = v;
    return true;
}

AiMatrix AiMatrix::PreMultiplied(const AiMatrix& m) const
{
    AiMatrix r;
    r.a = a * m.a + c * m.b;
    r.b = b * m.a + d * m.b;
    r.c = a * m.c + c * m.d;
    r.d = b * m.c + d * m.d;
    r.e = a * m.e + c * m.f + e;
    r.f = b * m.e + d * m.f + f;
    return r;
}

AiPathReader::AiPathReader() = default;

bool AiPathReader::ReadLine(std::string_view line)
{
    if (!m_bInterpreting) {
        if (Contains(line, "BeginLayer") || Contains(line, "%%EndPageSetup") || Contains(line, "%%EndSetup"))
            m_bInterpreting = true;
        else if (!Contains(line, "EndLayer"))
            return true;
    }
    if (Contains(line, "%%EOF")) return false;
    Interpret(line);
    return !m_bDamaged;
}

void AiPathReader::Interpret(std::string_view line)
{
    const char* p = line.data();
    const char* const end = p + line.size();
    while (p < end) {
        if (m_nStringDepth > 0) {
            for (; p < end && m_nStringDepth > 0; ++p) {
                if (*p == '\\') {
                    if (p + 1 < end) ++p;
                } else if (*p == '(') {
                    ++m_nStringDepth;
                } else if (*p == ')') {
                    --m_nStringDepth;
                }
            }
            continue;
        }
        if (m_bInHex) {
            const void* close = std::memchr(p, '>', static_cast<std::size_t>(end - p));
            if (close == nullptr) return;
            p = static_cast<const char*>(close) + 1;
            m_bInHex = false;
            continue;
        }
        const char ch = *p;
        if (IsWhite(ch)) {
            ++p;
            continue;
        }
        switch (ch) {
        case '%':
            return;  // comment to the end of the line
        case '(':
            m_nStringDepth = 1;
            m_nStack = 0;
            ++p;
            continue;
        case '<':
            if (p + 1 < end && p[1] == '<') {
                p += 2;  // dictionary
            } else {
                m_bInHex = true;
                ++p;
            }
            m_nStack = 0;
            continue;
        case '[':
            // The numbers of an array are the operands of concat.
            m_nStack = 0;
            ++p;
            continue;
        case ')':
        case '>':
        case ']':
            ++p;
            continue;
        case '{':
            ++m_nProcDepth;
            ++p;
            continue;
        case '}':
            if (m_nProcDepth > 0) --m_nProcDepth;
            m_nStack = 0;
            ++p;
            continue;
        case '/':
            ++p;
            while (p < end && !IsDelimiter(*p)) ++p;
            m_nStack = 0;
            continue;
        default:
            break;
        }
        if (m_nProcDepth == 0 && (IsDigit(ch) || ch == '-' || ch == '.')) {
            // Most tokens are plain decimals: read in the one pass that finds their end.
            double value = 0.0;
            const char* last = ScanPlainDecimal(p, end, value);
            if (last != nullptr && (last == end || IsDelimiter(*last))) {
                PushNumber(value);
                p = last;
                continue;
            }
        }
        const char* start = p;
        while (p < end && !IsDelimiter(*p)) ++p;
        if (m_nProcDepth > 0) continue;  // procedure bodies are definitions, not drawing
        const std::string_view token(start, static_cast<std::size_t>(p - start));
        double value = 0.0;
        if (ParseAiNumber(token, value)) {
            PushNumber(value);
        } else {
            Execute(token);
            m_nStack = 0;
        }
    }
}

void AiPathReader::PushNumber(double v)
{
    if (m_nStack == kStackSize) {
        std::memmove(m_stack, m_stack + 1, sizeof(double) * (kStackSize - 1));
        --m_nStack;
    }
    m_stack[m_nStack++] = v;
}

void AiPathReader::Map(double x, double y, double* out) const
{
    out[0] = (m_ctm.a * x + m_ctm.c * y + m_ctm.e) * kPointToMm;
    out[1] = (m_ctm.b * x + m_ctm.d * y + m_ctm.f) * kPointToMm;
}

void AiPathReader::MapDelta(double dx, double dy, double* out) const
{
    out[0] = (m_ctm.a * dx + m_ctm.c * dy) * kPointToMm;
    out[1] = (m_ctm.b * dx + m_ctm.d * dy) * kPointToMm;
}

void AiPathReader::Execute(std::string_view op)
{
    double p[3][2];
    const Op kind = OperatorOf(op);
    switch (kind) {
    case Op::Other:
        break;
    case Op::PaintOpen:
    case Op::PaintClosed:
        Paint(kind == Op::PaintClosed);
        break;
    case Op::MoveTo:
    case Op::LineTo:
        if (const double* a = Args(2)) {
            Map(a[0], a[1], p[0]);
            kind == Op::MoveTo ? MoveTo(p[0]) : LineTo(p[0]);
        }
        break;
    case Op::CurveTo:
        if (const double* a = Args(6)) {
            for (int i = 0; i < 3; ++i) Map(a[2 * i], a[2 * i + 1], p[i]);
            CurveTo(p[0], p[1], p[2]);
        }
        break;
    case Op::CurveFromCurrent:
        if (const double* a = Args(4)) {
            Map(a[0], a[1], p[1]);
            Map(a[2], a[3], p[2]);
            CurveTo(m_cur, p[1], p[2]);
        }
        break;
    case Op::CurveToEnd:
        if (const double* a = Args(4)) {
            Map(a[0], a[1], p[0]);
            Map(a[2], a[3], p[2]);
            CurveTo(p[0], p[2], p[2]);
        }
        break;
    case Op::ClosePath:
        ClosePath();
        break;
    case Op::Rectangle:
        if (const double* a = Args(4)) Rectangle(a);
        break;
    case Op::RMoveTo:
    case Op::RLineTo:
        if (const double* a = Args(2); a != nullptr && m_bHasCurrent) {
            MapDelta(a[0], a[1], p[0]);
            p[0][0] += m_cur[0];
            p[0][1] += m_cur[1];
            kind == Op::RMoveTo ? MoveTo(p[0]) : LineTo(p[0]);
        }
        break;
    case Op::RCurveTo:
        if (const double* a = Args(6); a != nullptr && m_bHasCurrent) {
            for (int i = 0; i < 3; ++i) {
                MapDelta(a[2 * i], a[2 * i + 1], p[i]);
                p[i][0] += m_cur[0];
                p[i][1] += m_cur[1];
            }
            CurveTo(p[0], p[1], p[2]);
        }
        break;
    case Op::Save:
        if (m_saved.size() < kMaxSavedStates)
            m_saved.push_back(m_ctm);
        else
            ++m_nLostSaves;
        break;
    case Op::Restore:
        if (m_nLostSaves > 0) {
            --m_nLostSaves;
        } else if (!m_saved.empty()) {
            m_ctm = m_saved.back();
            m_saved.pop_back();
        }
        break;
    case Op::Concat:
        if (const double* a = Args(6)) m_ctm = m_ctm.PreMultiplied({a[0], a[1], a[2], a[3], a[4], a[5]});
        break;
    case Op::Translate:
        if (const double* a = Args(2)) m_ctm = m_ctm.PreMultiplied({1.0, 0.0, 0.0, 1.0, a[0], a[1]});
        break;
    case Op::Scale:
        if (const double* a = Args(2)) m_ctm = m_ctm.PreMultiplied({a[0], 0.0, 0.0, a[1], 0.0, 0.0});
        break;
    case Op::Rotate:
        if (const double* a = Args(1)) {
            const double r = a[0] * std::numbers::pi / 180.0;
            const double cs = std::cos(r), sn = std::sin(r);
            m_ctm = m_ctm.PreMultiplied({cs, sn, -sn, cs, 0.0, 0.0});
        }
        break;
    }
}

bool AiPathReader::Accept(const double* p)
{
    if (!InRange(p)) m_bDamaged = true;
    return !m_bDamaged;
}

void AiPathReader::MoveTo(const double* p)
{
    if (!Accept(p)) return;
    // A subpath that got no segment is taken over by the new start.
    if (m_nPath == 0 || m_path[m_nPath - 1].HasSegment()) {
        PushSubpath(p);
    } else {
        Subpath& sub = m_path[m_nPath - 1];
        sub.start[0] = p[0];
        sub.start[1] = p[1];
    }
    m_cur[0] = p[0];
    m_cur[1] = p[1];
    m_bHasCurrent = true;
    m_bNeedSubpath = false;
}

AiPathReader::Subpath& AiPathReader::PushSubpath(const double* p)
{
    if (m_nPath == m_path.size()) m_path.emplace_back();
    Subpath& sub = m_path[m_nPath++];
    sub.curve = std::make_unique<CGeCombCurve>();
    sub.start[0] = p[0];
    sub.start[1] = p[1];
    sub.run.SetSize(0);
    return sub;
}

AiPathReader::Subpath& AiPathReader::OpenSubpath()
{
    if (m_bNeedSubpath || m_nPath == 0) {
        m_bNeedSubpath = false;
        return PushSubpath(m_cur);
    }
    return m_path[m_nPath - 1];
}

void AiPathReader::LineTo(const double* p)
{
    if (!m_bHasCurrent || !Accept(p) || Same(p, m_cur)) return;
    Subpath& sub = OpenSubpath();
    if (sub.run.IsEmpty()) sub.run.Add(tagPoint2d{m_cur[0], m_cur[1]});
    sub.run.Add(tagPoint2d{p[0], p[1]});
    m_cur[0] = p[0];
    m_cur[1] = p[1];
}

void AiPathReader::CurveTo(const double* c1, const double* c2, const double* end)
{
    if (!m_bHasCurrent || !Accept(c1) || !Accept(c2) || !Accept(end)) return;
    // A curve that does not leave the current point adds nothing, as a lineto.
    if (Same(c1, m_cur) && Same(c2, m_cur) && Same(end, m_cur)) return;
    double pts[4][2] = {{m_cur[0], m_cur[1]}, {c1[0], c1[1]}, {c2[0], c2[1]}, {end[0], end[1]}};
    auto bezier = std::make_unique<CGeBezier>();
    if (!bezier->CreateEx(4, pts)) return;
    Subpath& sub = OpenSubpath();
    AddRun(sub, false);
    sub.curve->AddTail(bezier.release(), 0);
    m_cur[0] = end[0];
    m_cur[1] = end[1];
}

void AiPathReader::ClosePath()
{
    if (!m_bHasCurrent) return;
    if (!m_bNeedSubpath && m_nPath > 0) {
        Subpath& sub = m_path[m_nPath - 1];
        AddClosingLine(sub, m_cur);
        m_cur[0] = sub.start[0];
        m_cur[1] = sub.start[1];
    }
    // Segments after a closepath start a new subpath at its start point.
    m_bNeedSubpath = true;
}

void AiPathReader::AddRun(Subpath& sub, bool finishing)
{
    const INT_PTR n = sub.run.GetSize();
    if (n == 0) return;
    if (finishing && n == 2 && sub.curve->IsEmpty()) {
        const tagPoint2d* pts = sub.run.GetData();
        const double a[2] = {pts[0].x, pts[0].y}, b[2] = {pts[1].x, pts[1].y};
        sub.curve->AddTail(new CGeLine(a, b), 0);
    } else {
        RefinePointStr(kLeanTol, gecon::kThinAngle170, sub.run);
        auto* poly = new CGePolyline;
        poly->Create(&sub.run);
        sub.curve->AddTail(poly, 0);
    }
    sub.run.SetSize(0);
}

void AiPathReader::AddClosingLine(Subpath& sub, const double* end)
{
    if (!sub.HasSegment() || Same(end, sub.start)) return;
    // Closing a lone straight segment would only retrace it.
    if (sub.curve->IsEmpty() && sub.run.GetSize() == 2) return;
    // The closing segment joins the straight run that ends the subpath.
    if (sub.run.IsEmpty()) sub.run.Add(tagPoint2d{end[0], end[1]});
    sub.run.Add(tagPoint2d{sub.start[0], sub.start[1]});
}

void AiPathReader::Rectangle(const double* a)
{
    const double x = a[0], y = a[1], w = a[2], h = a[3];
    const double corners[4][2] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
    double p[2];
    Map(corners[0][0], corners[0][1], p);
    MoveTo(p);
    if (m_bDamaged) return;
    for (int i = 1; i < 4; ++i) {
        Map(corners[i][0], corners[i][1], p);
        LineTo(p);
    }
    ClosePath();
}

void AiPathReader::Paint(bool close)
{
    if (close) {
        for (std::size_t i = 0; i < m_nPath; ++i) {
            Subpath& sub = m_path[i];
            if (!sub.HasSegment()) continue;
            double end[2];
            if (sub.run.IsEmpty()) {
                sub.curve->GetEndPoint(end);
            } else {
                const tagPoint2d& last = sub.run[sub.run.GetSize() - 1];
                end[0] = last.x;
                end[1] = last.y;
            }
            AddClosingLine(sub, end);
        }
    }
    EndPath();
}

void AiPathReader::EndPath()
{
    for (std::size_t i = 0; i < m_nPath; ++i) FinishSubpath(m_path[i]);
    m_nPath = 0;
    m_bHasCurrent = false;
    m_bNeedSubpath = true;
}

void AiPathReader::FinishSubpath(Subpath& sub)
{
    AddRun(sub, true);
    std::unique_ptr<CGeCombCurve> curve = std::move(sub.curve);
    if (curve->IsEmpty()) return;
    // A lone straight segment stays the line it is; every other subpath gets
    // its box as thinning leaves it.
    const bool loneLine = curve->GetSegmentCount() == 1 && curve->GetSubCurve(1)->GetType() == kLineType;
    if (!loneLine) curve->CalcBox2d();
    curve->SetClosedFlag(curve->IsClosed(kClosedTol));
    m_done.push_back(std::move(curve));
}

void AiPathReader::Finish() { EndPath(); }

std::vector<std::unique_ptr<CGeCombCurve>> AiPathReader::TakeCurves() { return std::move(m_done); }

}  // namespace ilvane
