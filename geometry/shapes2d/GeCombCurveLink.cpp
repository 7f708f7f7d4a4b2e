// Composite curve: turning members to follow the path, closing gaps, cutting
// into linked pieces, merging runs of members, thinning, conversion of one
// member to a Bézier spline, and splitting.
#include "framework/numerak/Point2D.h"
#include "geometry/shapes2d/CurveListMerge.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "geometry/shapes2d/SplitRemainder.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kTypeLine = 0x2;
constexpr int kTypeArc = 0x4;
constexpr int kTypeBezier = 0x20;
constexpr int kTypePolyline = 0x40;
constexpr int kTypeCombCurve = 0x80;
// Points of a merged straight run closer than this are one point.
constexpr double kRepeatPointTol = 0.0001;
// SplitEx: positions within this of a vertex count as that vertex.
constexpr double kSplitVertexTol = 1e-6;
constexpr double kSplitStartLimit = 1.000001;

using CurveList = CGeCombCurve::CurveList;

bool IsStraight(const CGeCurve* c) { return c->GetType() == kTypeLine || c->GetType() == kTypePolyline; }

double Gap(CGeCurve* before, CGeCurve* after, double* end, double* start)
{
    before->GetEndPoint(end);
    after->GetStartPoint(start);
    return P2D_Dist(end, start);
}

// Calls close(position, prev, m, prevEnd, mStart, gap) at each joint between
// consecutive non-null members, in order; returns the last non-null member.
template <class Close>
CGeCurve* ForEachJoint(CurveList& list, Close close)
{
    CGeCurve* prev = nullptr;
    POSITION pos = list.GetHeadPosition();
    while (pos) {
        POSITION cur = pos;
        CGeCurve* m = list.GetNext(pos);
        if (!m) continue;
        if (prev) {
            double pe[2], s[2];
            const double g = Gap(prev, m, pe, s);
            close(cur, prev, m, pe, s, g);
        }
        prev = m;
    }
    return prev;
}

// Closes the inner joint (gap g) from prev to m at position cur: below the
// move limit one end moves (a line before the joint moves its end, otherwise
// the member after moves its start); a wider gap gets a new line before m.
// Returns whether a line was inserted.
bool CloseInnerJoint(CurveList& list, POSITION cur, CGeCurve* prev, CGeCurve* m, double* pe, double* s, double g)
{
    if (g < gecon::kStitchMoveLimit) {
        if (prev->GetType() == kTypeLine)
            prev->ModifyEndPoint(s);
        else
            m->ModifyStartPoint(pe);
        return false;
    }
    list.InsertBefore(cur, new CGeLine(pe, s));
    return true;
}

// Closes the joint from the last member's end le to the first member's start
// fs by moving one end: a line at the start moves its start, otherwise the
// last member moves its end.
void MoveClosingJoint(CGeCurve* last, CGeCurve* first, double* le, double* fs)
{
    if (first->GetType() == kTypeLine)
        first->ModifyStartPoint(le);
    else
        last->ModifyEndPoint(fs);
}

void AppendPoint(CArray<tagPoint2d, tagPoint2d>& pts, const double* p) { pts.Add(tagPoint2d{p[0], p[1]}); }

// The pending straight run of Refine becomes one line (2 points) or one polyline.
void geFlushLineRun(CArray<tagPoint2d, tagPoint2d>& run, CurveList& out)
{
    const INT_PTR n = run.GetSize();
    if (n == 2) {
        out.AddTail(new CGeLine(&run[0].x, &run[1].x));
    } else if (n > 2) {
        auto* poly = new CGePolyline;
        if (poly->Create(&run))
            out.AddTail(poly);
        else
            delete poly;
    }
    run.RemoveAll();
}

// The pending spline run of Refine becomes one spline with exactly its nodes.
void geFlushBezierRun(std::vector<CBezierNode>& run, CurveList& out)
{
    if (run.size() >= 4) {
        auto* bez = new CGeBezier;
        if (bez->CreateEx(static_cast<unsigned>(run.size()), run.data()))
            out.AddTail(bez);
        else
            delete bez;
    }
    run.clear();
}

// A run of MergeSubCurve: one curve moves on unchanged; more are merged, or
// moved on unchanged when the merge yields nothing.
void geFlushMergeRun(CurveList& run, CurveList& out, bool straight)
{
    if (run.GetCount() >= 2) {
        CGeCurve* merged = straight ? geMergeLine(&run) : static_cast<CGeCurve*>(geMergeBezier(&run));
        if (merged) {
            out.AddTail(merged);
            DeleteOwnedList(run);
            return;
        }
    }
    out.AddTail(&run);
    run.RemoveAll();
}

std::vector<CGeCurve*> Members(const CurveList& list)
{
    std::vector<CGeCurve*> v;
    for (CGeCurve* m : list)
        if (m) v.push_back(m);
    return v;
}

// Assembles one part of a split: the pieces given, in order, skipping nulls.
// Null when the part is empty; the single curve itself when asComposite is
// false and the part has one curve.
CGeCurve* MakePart(const std::vector<CGeCurve*>& curves, bool asComposite)
{
    auto* part = new CGeCombCurve;
    for (CGeCurve* c : curves) part->AddTail(c, 0);
    const int n = part->GetSegmentCount();
    if (n == 0) {
        delete part;
        return nullptr;
    }
    if (n == 1 && !asComposite) {
        CGeCurve* only = part->GetSubCurve(1);
        part->GetCurveList().RemoveAll();
        delete part;
        only->CalcBox2d();
        return only;
    }
    part->CalcBox2d();
    return part;
}

// Fills out[0] and out[1] with copies of the members before and after target,
// with target's two pieces in its place (see MakePart for asComposite).
void SplitAround(const CGeCombCurve::CurveList& members, const CGeCurve* target, CGeCurve* const* pieces,
                 CGeCurve** out, bool asComposite)
{
    std::vector<CGeCurve*> before, after;
    bool past = false;
    for (CGeCurve* m : members) {
        if (!m) continue;
        if (m == target) {
            before.push_back(pieces[0]);
            after.push_back(pieces[1]);
            past = true;
            continue;
        }
        (past ? after : before).push_back(m->Copy());
    }
    if (CGeCurve* p = MakePart(before, asComposite)) out[0] = p;
    if (CGeCurve* p = MakePart(after, asComposite)) out[1] = p;
}

}  // namespace

void CGeCombCurve::ReDirection()
{
    if (IsLinked(gecon::kClosedTol)) return;
    bool first = true;
    double e[2] = {0.0, 0.0};
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        if (first) {
            m->GetEndPoint(e);
            first = false;
            continue;
        }
        double s[2] = {0.0, 0.0}, me[2] = {0.0, 0.0};
        m->GetStartPoint(s);
        m->GetEndPoint(me);
        if (P2D_Dist(s, e) < gecon::kClosedTol) {
            m->GetEndPoint(e);
        } else if (P2D_Dist(me, e) < gecon::kClosedTol) {
            m->Reverse();
            m->GetEndPoint(e);
        }
    }
}

void CGeCombCurve::Stitch(double tol)
{
    if (IsEmpty()) return;
    CGeCurve* last =
        ForEachJoint(m_curveList, [&](POSITION cur, CGeCurve* prev, CGeCurve* m, double* pe, double* s, double g) {
            if (tol < g) CloseInnerJoint(m_curveList, cur, prev, m, pe, s, g);
        });
    CGeCurve* first = GetSubCurve(1);
    double fs[2], le[2];
    const double g = Gap(last, first, le, fs);
    if (tol < g && g < gecon::kClosedTol) {
        MoveClosingJoint(last, first, le, fs);
    }
    CalcBox2d();
}

int CGeCombCurve::StitchEx(double tol)
{
    if (IsEmpty()) return 0;
    int count = 0;
    CGeCurve* last =
        ForEachJoint(m_curveList, [&](POSITION cur, CGeCurve* prev, CGeCurve* m, double* pe, double* s, double g) {
            // A moved end counts only when the gap was really open.
            if (!(g < tol)) return;
            if (CloseInnerJoint(m_curveList, cur, prev, m, pe, s, g) || g > gecon::kClosedTol) ++count;
        });
    CGeCurve* first = GetSubCurve(1);
    double fs[2], le[2];
    const double g = Gap(last, first, le, fs);
    if (g < tol) {
        if (g < gecon::kStitchMoveLimit) {
            MoveClosingJoint(last, first, le, fs);
            if (g > gecon::kClosedTol) ++count;
        } else {
            m_curveList.AddTail(new CGeLine(le, fs));
            ++count;
        }
    }
    CalcBox2d();
    return count;
}

void CGeCombCurve::CreateLinkedComCurve(double tol, CTypedPtrList<CObList, CGeCombCurve*>& out)
{
    if (IsLinked(gecon::kClosedTol)) {
        out.AddTail(static_cast<CGeCombCurve*>(Copy()));
        return;
    }
    // The members move into the pieces, so that each has exactly one owner.
    std::vector<CGeCurve*> members = Members(m_curveList);
    m_curveList.RemoveAll();
    m_box.InitEmpty();
    auto* piece = new CGeCombCurve;
    CGeCurve* prev = nullptr;
    for (CGeCurve* m : members) {
        if (prev) {
            double pe[2], s[2];
            if (!(Gap(prev, m, pe, s) < tol)) {
                piece->Stitch(gecon::kClosedTol);
                piece->CalcBox2d();
                out.AddTail(piece);
                piece = new CGeCombCurve;
            }
        }
        piece->m_curveList.AddTail(m);
        prev = m;
    }
    if (piece->IsEmpty()) {
        delete piece;
        return;
    }
    piece->CalcBox2d();
    out.AddTail(piece);
}

void CGeCombCurve::Refine()
{
    std::vector<CGeCurve*> members = Members(m_curveList);
    if (members.size() <= 1) return;
    CArray<tagPoint2d, tagPoint2d> straight;  // pending straight run
    std::vector<CBezierNode> spline;          // pending spline run
    CurveList out;
    for (std::size_t i = 0; i < members.size(); ++i) {
        CGeCurve* m = members[i];
        CGeCurve* next = i + 1 < members.size() ? members[i + 1] : nullptr;
        const int type = m->GetType();
        if (type == kTypeLine || type == kTypePolyline) {
            if (straight.IsEmpty() && next && !IsStraight(next)) {
                // A lone straight member between other kinds stays as it is.
                geFlushBezierRun(spline, out);
                out.AddTail(m);
                continue;
            }
            // A point within kRepeatPointTol of the run's last point replaces it.
            auto add = [&straight](const double* p, bool mayReplace) {
                const INT_PTR n = straight.GetSize();
                if (mayReplace && n > 0 &&
                    std::hypot(p[0] - straight[n - 1].x, p[1] - straight[n - 1].y) < kRepeatPointTol)
                    straight[n - 1] = tagPoint2d{p[0], p[1]};
                else
                    AppendPoint(straight, p);
            };
            const bool fresh = straight.IsEmpty();
            if (type == kTypeLine) {
                double s[2], e[2];
                m->GetStartPoint(s);
                m->GetEndPoint(e);
                if (fresh) add(s, false);
                add(e, !fresh);
            } else {
                const double(*v)[2] = m->GetSWPoint();
                for (int j = fresh ? 0 : 1; j < m->GetSWPointCount(); ++j) add(v[j], !fresh && j == 1);
            }
            if (spline.size() > 3) geFlushBezierRun(spline, out);
            delete m;
        } else if (type == kTypeBezier) {
            if (spline.empty() && next && next->GetType() != kTypeBezier) {
                geFlushLineRun(straight, out);
                out.AddTail(m);
                continue;
            }
            auto* bez = static_cast<CGeBezier*>(m);
            const CBezierNode* nodes = bez->GetNodes();
            for (unsigned j = spline.empty() ? 0 : 1; j < bez->GetNodeCount(); ++j) spline.push_back(nodes[j]);
            if (straight.GetSize() > 1) geFlushLineRun(straight, out);
            delete m;
        } else {
            geFlushLineRun(straight, out);
            geFlushBezierRun(spline, out);
            out.AddTail(m);
        }
    }
    geFlushLineRun(straight, out);
    geFlushBezierRun(spline, out);
    m_curveList.RemoveAll();
    m_curveList.AddTail(&out);
    CalcBox2d();
}

void CGeCombCurve::MergeSubCurve()
{
    CurveList out, run;
    bool runStraight = false;
    for (CGeCurve* m : Members(m_curveList)) {
        const int type = m->GetType();
        if (type != kTypeBezier && !IsStraight(m)) {
            geFlushMergeRun(run, out, runStraight);
            out.AddTail(m);
            continue;
        }
        const bool straight = type != kTypeBezier;
        if (!run.IsEmpty() && straight != runStraight) geFlushMergeRun(run, out, runStraight);
        runStraight = straight;
        run.AddTail(m);
    }
    geFlushMergeRun(run, out, runStraight);
    m_curveList.RemoveAll();
    m_curveList.AddTail(&out);
    if (m_curveList.GetCount() == 1 && IsClosed(gecon::kClosedTol)) m_curveList.GetHead()->SetClosedFlag(1);
    CalcBox2d();
}

void CGeCombCurve::Lean(double tol, double angle)
{
    for (CGeCurve* m : m_curveList)
        if (!m) return;  // a composite with holes is left as it is
    // Each run of straight members becomes one polyline in the run's place; a
    // run that does not merge stays as it was. The list keeps its other nodes.
    POSITION runStart = nullptr;
    INT_PTR runCount = 0;
    auto flush = [&]() {
        if (runCount == 0) return;
        CGePolyline* poly = geCurveRunToLeanPolyLine(m_curveList, runStart, runCount, tol, angle);
        if (poly) {
            POSITION pos = runStart;
            for (INT_PTR i = 0; i < runCount; ++i) {
                const POSITION at = pos;
                delete m_curveList.GetNext(pos);
                if (i == 0)
                    m_curveList.SetAt(at, poly);
                else
                    m_curveList.RemoveAt(at);
            }
        }
        runCount = 0;
    };
    for (POSITION pos = m_curveList.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        CGeCurve* m = m_curveList.GetNext(pos);
        if (!IsStraight(m)) {
            flush();
            continue;
        }
        if (runCount++ == 0) runStart = at;
    }
    flush();
    CalcBox2d();
}

CGeCombCurve* CGeCombCurve::ToBezier(unsigned k)
{
    CGeCurve* target = GetSubCurve(static_cast<int>(k));
    if (!target) return nullptr;
    // Always a new object, so the caller owns the result whatever the member is.
    if (target->GetType() == kTypeBezier) return static_cast<CGeCombCurve*>(Copy());
    auto* comb = new CGeCombCurve;
    comb->m_bClosed = m_bClosed;
    for (CGeCurve* m : m_curveList) {
        if (!m) continue;
        CGeCurve* c = nullptr;
        if (m == target) {
            if (m->GetType() == kTypeLine)
                c = static_cast<CGeLine*>(m)->ToBezier();
            else if (m->GetType() == kTypeArc)
                c = static_cast<CGeArc*>(m)->ToBezier();
        }
        // Other kinds (or a failed conversion) keep a copy, so the chain stays whole.
        if (!c) c = m->Copy();
        if (c) comb->m_curveList.AddTail(c);
    }
    comb->CalcBox2d();
    return comb;
}

void CGeCombCurve::Split(double t, CGeCurve** out, int memberSeg, int k)
{
    CGeCurve* target = GetSubCurve(k);
    if (!out || !target || t < 0.0) return;
    CGeCurve* pieces[2] = {nullptr, nullptr};
    target->Split(t, pieces, memberSeg, 1);
    // A member that does not split would vanish from both parts.
    if (!pieces[0] && !pieces[1]) return;
    SplitAround(m_curveList, target, pieces, out, false);
}

void CGeCombCurve::SplitEx(double x, CGeCurve** out, int k)
{
    CGeCurve* target = GetSubCurve(k);
    if (!out || !target || x < 0.0) return;
    CGeCurve* pieces[2] = {nullptr, nullptr};
    const int type = target->GetType();
    const double n = std::trunc(x);
    if (type == kTypePolyline || type == kTypeBezier) {
        // Here x runs over the member's vertices: 1 is its start, the segment
        // count + 1 its end.
        const double endPos = target->GetSegmentCount() + 1.0;
        const bool wholeFirst = type == kTypePolyline ? x >= endPos - kSplitVertexTol : x > endPos - kSplitVertexTol;
        if (wholeFirst)
            pieces[0] = target->Copy();
        else if (x >= kSplitStartLimit)
            target->Split(x - n, pieces, static_cast<int>(n), 1);
        else
            pieces[1] = target->Copy();
    } else if (x > 1.0) {
        target->Split(x - n, pieces, static_cast<int>(n), 1);
    } else {
        target->Split(x, pieces, 0, 1);
    }
    if (!pieces[0] && !pieces[1]) return;
    SplitAround(m_curveList, target, pieces, out, true);
}

CGeCurve* CGeCombCurve::Split(IntPnt a, IntPnt b)
{
    const int n = GetSegmentCount();
    if (n == 0) return nullptr;
    CGeCurve* lastMember = GetSubCurve(n);
    const bool fromStart = std::fabs(a.para1) < gecon::kParamSnapTol && a.seg1 == 1 && a.subSeg1 == 1;
    const bool toEnd = std::fabs(b.para1 - 1.0) < gecon::kParamSnapTol && b.seg1 == n &&
                       b.subSeg1 == lastMember->GetSegmentCount();
    if (fromStart && toEnd) return Copy();
    CGeCurve* parts[2] = {nullptr, nullptr};
    if (fromStart) {
        Split(b.para1, parts, b.subSeg1, b.seg1);
        delete parts[1];
        return parts[0];
    }
    if (toEnd) {
        Split(a.para1, parts, a.subSeg1, a.seg1);
        delete parts[0];
        return parts[1];
    }
    Split(a.para1, parts, a.subSeg1, a.seg1);
    delete parts[0];
    CGeCurve* rest = parts[1];
    if (!rest) return nullptr;
    // b's record refers to this composite: carry its member, member segment
    // and parameter over to the rest (a search by distance could land on an
    // earlier passage of a composite that crosses itself).
    const int restMembers = rest->GetType() == kTypeCombCurve ? rest->GetSegmentCount() : 1;
    // The rest starts with the piece of a's member after a, unless a cut it at its end.
    const bool keepsCutMember = restMembers == n - a.seg1 + 1;
    const int k = std::max(1, b.seg1 - a.seg1 + (keepsCutMember ? 1 : 0));
    CGeCurve* target = rest->GetType() == kTypeCombCurve ? static_cast<CGeCombCurve*>(rest)->GetSubCurve(k) : rest;
    SegParam at{b.subSeg1, b.para1};
    if (b.seg1 == a.seg1) {
        if (keepsCutMember && target)
            at = geParamOnRemainder(GetSubCurve(a.seg1), {a.subSeg1, a.para1}, at, target);
        else
            at = SegParam{1, 0.0};  // b coincides with a at the end of their member
    }
    CGeCurve* cut[2] = {nullptr, nullptr};
    if (rest->GetType() == kTypeCombCurve)
        rest->Split(at.t, cut, at.seg, k);
    else
        rest->Split(at.t, cut, at.seg, 1);
    delete rest;
    delete cut[1];
    return cut[0];
}
