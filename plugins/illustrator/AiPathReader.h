// Reader of the path operators of Adobe Illustrator / PostScript text.
//
// Lines are fed one at a time (without their terminator). Interpretation
// starts at the first line that contains "BeginLayer", "%%EndPageSetup" or
// "%%EndSetup" (that line is interpreted too) and the reading ends at the
// first interpreted line containing "%%EOF".
//
// Each interpreted line is split into PostScript tokens: comments, string
// literals, hex strings and procedure bodies are skipped (strings and
// procedures may span lines), numbers collect on a small operand stack and
// every other token is an operator, matched exactly. Path construction
// (m l c v y h re and their word forms, the relative forms), the painting
// operators that end a path, and the graphics-state operators that change
// coordinates (q Q cm concat translate scale rotate) are understood; any
// other operator only clears the operand stack.
//
// Each subpath becomes a composite of CGeBezier segments and straight runs
// in millimetres (points x 25.4/72 after the current transform). A painting
// operator finishes the current path: when it closes or fills, every subpath
// gets the segment back to its start (not a lone straight segment, which it
// would only retrace); each is flagged by IsClosed and collected; subpaths
// without a segment are dropped. Subpaths still open at the end are finished
// the same way, without closing. The subpaths come out as CGeCombCurve::Lean
// would leave them: every straight run (closing segment included) is one
// CGePolyline thinned as Lean thins, except the single segment of a subpath
// that has nothing else, which stays a CGeLine. The reader collects each run's
// points and thins them once, without building the unthinned members.
//
// A point that is not finite or lies beyond gecon::kMaxCoordinate (after the
// transform) marks the file damaged: the reading stops and IsDamaged is true.
#pragma once

#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/PointTypes.h"
#include "platform/core/Containers.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

namespace ilvane {

// Affine map of PostScript: x' = a x + c y + e, y' = b x + d y + f.
struct AiMatrix {
    double a = 1.0, b = 0.0, c = 0.0, d = 1.0, e = 0.0, f = 0.0;
    // this applied after m (the operand of cm/concat applies first).
    AiMatrix PreMultiplied(const AiMatrix& m) const;
};

class AiPathReader {
public:
    AiPathReader();
    AiPathReader(const AiPathReader&) = delete;
    AiPathReader& operator=(const AiPathReader&) = delete;

    // Interprets one line; false once the line ended the reading ("%%EOF", or
    // the file proved damaged).
    bool ReadLine(std::string_view line);
    // Finishes the subpaths still under construction (not closed).
    void Finish();
    // The finished curves in file order; the reader keeps none of them.
    std::vector<std::unique_ptr<CGeCombCurve>> TakeCurves();

    bool IsInterpreting() const { return m_bInterpreting; }
    // A point out of range was met; the curves read are not the file's drawing.
    bool IsDamaged() const { return m_bDamaged; }

private:
    struct Subpath {
        std::unique_ptr<CGeCombCurve> curve;
        double start[2] = {0.0, 0.0};
        // The straight run after the curve's last member: its points, none or
        // at least two. Kept across paths for its room.
        CArray<tagPoint2d, tagPoint2d> run;
        bool HasSegment() const { return !curve->IsEmpty() || !run.IsEmpty(); }
    };
    static constexpr int kStackSize = 8;
    // Deeper q nesting than this is counted but not stored.
    static constexpr std::size_t kMaxSavedStates = 4096;

    void Interpret(std::string_view line);
    void Execute(std::string_view op);
    void PushNumber(double v);
    // True when the stack holds at least n numbers; args points at the
    // deepest of the last n.
    const double* Args(int n) const { return m_nStack >= n ? m_stack + (m_nStack - n) : nullptr; }

    // False, marking the file damaged, for a point out of range (or after one).
    bool Accept(const double* p);
    void Map(double x, double y, double* out) const;
    void MapDelta(double dx, double dy, double* out) const;
    void MoveTo(const double* p);
    void LineTo(const double* p);
    void CurveTo(const double* c1, const double* c2, const double* end);
    void ClosePath();
    void Rectangle(const double* args);
    // Adds the segment from end (the subpath's end) back to its start, when
    // there is a gap.
    void AddClosingLine(Subpath& sub, const double* end);
    // Ends the current path; close adds the closing segment of each subpath.
    void Paint(bool close);
    // The subpath segments go to, started at the current point when needed.
    Subpath& OpenSubpath();
    // A new subpath starting at p, reusing the room of finished ones.
    Subpath& PushSubpath(const double* p);
    void FinishSubpath(Subpath& sub);
    // Ends the subpath's straight run with the member it makes: a thinned
    // polyline, or a line when the run is the whole of a finished subpath.
    void AddRun(Subpath& sub, bool finishing);
    // Finishes the current path's subpaths and starts an empty path.
    void EndPath();

    bool m_bInterpreting = false;
    bool m_bDamaged = false;
    int m_nStringDepth = 0;  // unbalanced '(' of a string literal
    int m_nProcDepth = 0;    // unbalanced '{' of a procedure body
    bool m_bInHex = false;   // inside a <hex> string

    double m_stack[kStackSize] = {};
    int m_nStack = 0;

    AiMatrix m_ctm;
    std::vector<AiMatrix> m_saved;
    std::size_t m_nLostSaves = 0;

    bool m_bHasCurrent = false;
    bool m_bNeedSubpath = true;  // the next segment starts a new subpath
    double m_cur[2] = {0.0, 0.0};
    std::deque<Subpath> m_path;  // the first m_nPath are the current path's (a deque: CArray does not move)
    std::size_t m_nPath = 0;
    std::vector<std::unique_ptr<CGeCombCurve>> m_done;
};

// Reads a PostScript number token; false when the whole token is not one
// finite number.
bool ParseAiNumber(std::string_view token, double& value);
// The same reading through from_chars alone: ParseAiNumber reads plain
// decimals a shorter way and must agree with it bit for bit.
bool ParseAiNumberGeneral(std::string_view token, double& value);

}  // namespace ilvane
