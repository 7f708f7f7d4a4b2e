// Offsets of open and closed curve chains: raw offset pieces, bridging of the
// gaps and overlaps between them, cutting at crossings and removal of the
// loops a self-crossing offset leaves.
#include "geometry/algorithms/CurveIntersect.h"
#include "geometry/algorithms/CurveTypes.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/algorithms/OpenCurveOffsetDetail.h"

#include "framework/looker/QVGlobal.h"
#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/Intersect2D.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeometryConst.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using offsetcut::kEndParam;
using offsetcut::kEndParamHigh;
using offsetcut::kPieceBoxTol;

// An input loop is closed when its ends meet within this.
constexpr double kClosedLoopTol = 1e-6;
// Broken pieces: a later piece continues a piece when its start lies within this on both axes.
constexpr double kBrokenTol = 0.005;
// The result's members are re-discretised at this and thinned with kLeanTol and 170 degrees.
constexpr double kResultDiscTol = 0.005;
constexpr double kLeanTol = 0.01;
// Gaps below 0.01 in single precision are closed by moving the second piece's start.
constexpr double kSmallGap = static_cast<double>(0.01f);
// Pieces that are changed are re-discretised at this.
constexpr double kPieceDiscTol = 0.01;
// Line/line extension: length and angle tolerances of the crossing.
constexpr double kExtendLenTol = 1e-6;
constexpr double kExtendAngTol = 0.001;

bool IsOneOf(CGeCurve* c, int type) { return c && c->GetType() == type; }

// Appends the offset lines of the chords of a point string: a chord too short
// for a line is merged into the following one.
void OffsetChords(const double* pts, INT_PTR n, double dist, CGeTool2D::CurveList* out,
                  CGeLine* (*make)(const double*, const double*, double))
{
    if (n < 2) return;
    const double* a = pts;
    for (INT_PTR i = 1; i < n; ++i) {
        const double* b = pts + 2 * i;
        if (CGeLine* line = make(a, b, dist)) {
            out->AddTail(line);
            a = b;
        }
    }
}

// Rebuilds an arc from its start along its start tangent to p.
bool ArcToEndAt(CGeArc* arc, const double* p)
{
    double s[2], d[2];
    arc->Ev1Der(0.0, s, d, 1);
    if (!arc->CreateSESTan(s, p, d)) return false;
    // The box of the cut search is read from the display polyline.
    arc->Discrete(kPieceDiscTol);
    return true;
}

// Rebuilds an arc from p along to its old end with its old end tangent.
bool ArcToStartAt(CGeArc* arc, const double* p)
{
    double e[2], d[2];
    arc->Ev1Der(1.0, e, d, 1);
    if (!arc->CreateSEETan(p, e, d)) return false;
    arc->Discrete(kPieceDiscTol);
    return true;
}

void MoveLineEnd(CGeCurve* line, double* p, bool atEnd)
{
    if (atEnd)
        line->ModifyEndPoint(p);
    else
        line->ModifyStartPoint(p);
    line->Discrete(kPieceDiscTol);
}

// Of two candidate points, the one with the smaller sum of distances to a and
// b; the second on a tie.
const double* CloserPair(const double* pts, const double* a, const double* b)
{
    const double s0 = P2D_Dist(pts, a) + P2D_Dist(pts, b);
    const double s1 = P2D_Dist(pts + 2, a) + P2D_Dist(pts + 2, b);
    return s1 <= s0 ? pts + 2 : pts;
}

}  // namespace

void CGeTool2D::OpenCurveOffset(LoopList* in, double dist, int bridgeMode, LoopList* out)
{
    if (!in || !out) return;
    for (CGeLoop* loop : *in) {
        if (!loop) continue;
        CurveList pieces;
        GenRawOffsetCurve(&loop->GetCurveList(), dist, &pieces);
        if (pieces.IsEmpty()) continue;
        BridgeCurveList(&pieces, dist, bridgeMode);
        const bool closed = loop->IsLoop(kClosedLoopTol) != 0;
        if (closed) {
            if (CGeCurve* bridge =
                    BridgeCurve(&pieces, pieces.GetTailPosition(), pieces.GetHeadPosition(), dist, bridgeMode))
                pieces.AddTail(bridge);
        }
        SplitCurveOnIntPt(&pieces);
        DelBrokenCurve(&pieces, kBrokenTol, closed);
        if (pieces.IsEmpty()) continue;
        auto result = std::make_unique<CGeLoop>();
        for (CGeCurve* piece : pieces) {
            if (!piece) continue;
            piece->Discrete(kResultDiscTol);
            result->AddTail(piece, 0);
        }
        pieces.RemoveAll();
        result->Lean(kLeanTol, gecon::kThinAngle170);
        result->CalcBox2d();
        out->AddTail(result.release());
    }
}

void CGeTool2D::GenRawOffsetCurve(CurveList* members, double dist, CurveList* out)
{
    if (!members || !out) return;
    const double tol = gGetCrvDiscTol(), ang = gGetCrvDiscAng();
    for (CGeCurve* m : *members) {
        if (!m) continue;
        switch (m->GetType()) {
        case curvetype::kLine:
        case curvetype::kArc:
        case curvetype::kCircle:
            if (CGeCurve* o = m->Offset(dist)) out->AddTail(o);
            break;
        case curvetype::kEllipse:  // has no analytic offset: chord by chord like a spline
        case curvetype::kBezier: {
            CArray<tagPoint2d, tagPoint2d> pts;
            m->DiscreteInArray(tol, &pts, ang, true);
            OffsetChords(reinterpret_cast<const double*>(pts.GetData()), pts.GetSize(), dist, out, &CGeTool2D::GenOffsetLine);
            break;
        }
        case curvetype::kPolyline:
            // A polyline's vertices are its display polyline.
            OffsetChords(reinterpret_cast<const double*>(m->GetSWPoint()), m->GetSWPointCount(), dist, out, &CGeTool2D::GenOffsetLine);
            break;
        case curvetype::kCombCurve:
        case curvetype::kLoop: GenRawOffsetCurve(&static_cast<CGeCombCurve*>(m)->GetCurveList(), dist, out); break;
        default: break;
        }
    }
}

CGeLine* CGeTool2D::GenOffsetLine(const double* a, const double* b, double dist)
{
    if (P2D_Dist(a, b) < gecon::kDegenerateTol) return nullptr;
    double u[2];
    if (!V2D_GenUnit(a, b, gecon::kDegenerateTol, u)) return nullptr;
    double n[2];
    V2D_Rot(std::numbers::pi / 2, u, n);
    const double p[2] = {a[0] + dist * n[0], a[1] + dist * n[1]};
    const double q[2] = {b[0] + dist * n[0], b[1] + dist * n[1]};
    return new CGeLine(p, q);
}

void CGeTool2D::BridgeCurveList(CurveList* list, double dist, int bridgeMode)
{
    if (!list) return;
    POSITION pos = list->GetHeadPosition();
    while (pos) {
        POSITION next = pos;
        list->GetNext(next);
        if (!next) break;
        if (CGeCurve* bridge = BridgeCurve(list, pos, next, dist, bridgeMode)) list->InsertBefore(next, bridge);
        pos = next;
    }
}

CGeCurve* CGeTool2D::BridgeCurve(CurveList* list, POSITION pos1, POSITION pos2, double dist, int bridgeMode)
{
    if (!list || !pos1 || !pos2) return nullptr;
    CGeCurve* c1 = list->GetAt(pos1);
    CGeCurve* c2 = list->GetAt(pos2);
    if (!c1 || !c2) return nullptr;
    double e[2], s[2];
    c1->GetEndPoint(e);
    c2->GetStartPoint(s);
    const double gap = P2D_Dist(e, s);
    if (gap < kSmallGap) {
        if (gap > gecon::kDegenerateTol) c2->ModifyStartPoint(e);
        return nullptr;
    }
    QVN_GeCC_Inter::IntPntArray recs;
    if (c1 != c2) QVN_GeCC_Inter::CurveCurve(c1, c2, &recs, 0);
    if (recs.GetSize() > 0) {
        INT_PTR first = 0;
        for (INT_PTR i = 1; i < recs.GetSize(); ++i)
            if (recs[i].para2 < recs[first].para2) first = i;
        const IntPnt x = recs[first];
        // An arc that keeps nothing leaves the list for a line before it is deleted.
        auto trim = [list](POSITION pos, CGeCurve* c, double t, const double* p, int atEnd) {
            if (CGeCurve* line = TrimCurveEnd(c, t, p, atEnd)) {
                list->SetAt(pos, line);
                delete c;
            }
        };
        trim(pos1, c1, x.para1, x.pt, 1);
        trim(pos2, c2, x.para2, x.pt, 0);
        return nullptr;
    }
    switch (bridgeMode) {
    case 1: {
        double p[2], tan[2];
        c1->GetPointAt(1.0, p, 1);
        c1->GetTanVecAt(1.0, tan, 1);
        auto arc = std::make_unique<CGeArc>();
        if (!arc->CreateSESTan(p, s, tan) || std::fabs(arc->GetSweep()) > std::numbers::pi) return nullptr;
        arc->Discrete(kPieceDiscTol);
        return arc.release();
    }
    case 2: return new CGeLine(e, s);
    case 0: {
        CGeCurve* out = nullptr;
        ExtendCurveEnd(c1, c2, dist, out);
        return out;
    }
    default: return nullptr;
    }
}

CGeCurve* CGeTool2D::TrimCurveEnd(CGeCurve* curve, double t, const double* point, int atEnd)
{
    double p[2] = {point[0], point[1]};
    if (IsOneOf(curve, curvetype::kLine)) {
        if (atEnd)
            curve->ModifyEndPoint(p);
        else
            curve->ModifyStartPoint(p);
        return nullptr;
    }
    if (!IsOneOf(curve, curvetype::kArc)) return nullptr;
    auto* arc = static_cast<CGeArc*>(curve);
    CGeCurve* parts[2] = {nullptr, nullptr};
    arc->Split(t, parts, 1, 1);
    std::unique_ptr<CGeCurve> head(parts[0]), tail(parts[1]);
    CGeCurve* kept = atEnd ? head.get() : tail.get();
    if (kept) {
        arc->Create(static_cast<CGeArc*>(kept));
        arc->Discrete(kPieceDiscTol);
        return nullptr;
    }
    // Nothing of the arc lies on the kept side: a line from the arc's other
    // end to the point stands in for it.
    double s[2], e[2];
    arc->GetStartPoint(s);
    arc->GetEndPoint(e);
    return atEnd ? new CGeLine(s, p) : new CGeLine(p, e);
}

int CGeTool2D::ExtendCurveEnd(CGeCurve* c1, CGeCurve* c2, double, CGeCurve*& out)
{
    out = nullptr;
    if (!c1 || !c2) return 0;
    const bool line1 = IsOneOf(c1, curvetype::kLine), arc1 = IsOneOf(c1, curvetype::kArc);
    const bool line2 = IsOneOf(c2, curvetype::kLine), arc2 = IsOneOf(c2, curvetype::kArc);
    double s1[2], e1[2], s2[2], e2[2];
    c1->GetStartPoint(s1);
    c1->GetEndPoint(e1);
    c2->GetStartPoint(s2);
    c2->GetEndPoint(e2);
    if (line1 && line2) {
        double x[2];
        if (Isect_LineLineEx(s1, e1, s2, e2, kExtendLenTol, kExtendAngTol, x) != kIsectPoint) return 0;
        if (!(L2D_GetParam(x, s1, e1) >= 0.0) || !(L2D_GetParam(x, s2, e2) <= 1.0)) return 0;
        MoveLineEnd(c1, x, true);
        MoveLineEnd(c2, x, false);
        return 1;
    }
    if ((line1 && arc2) || (arc1 && line2)) {
        CGeCurve* line = line1 ? c1 : c2;
        auto* arc = static_cast<CGeArc*>(line1 ? c2 : c1);
        double ls[2], le[2], c[2], pts[4];
        line->GetStartPoint(ls);
        line->GetEndPoint(le);
        arc->GetCenter(c);
        const int n = Isect_LineCirEx(ls, le, c, arc->GetRadius(), gecon::kDegenerateTol, pts);
        double x[2];
        if (n == 1) {
            const double u = L2D_GetParam(pts, ls, le);
            // The line must reach forward to the arc (line first) or back from it.
            if (line1 ? !(u > 0.0) : !(u < 1.0)) return 0;
            x[0] = pts[0];
            x[1] = pts[1];
        } else if (n == 2) {
            const double* p = line1 ? CloserPair(pts, e1, s2) : CloserPair(pts, s2, e1);
            x[0] = p[0];
            x[1] = p[1];
        } else {
            return 0;
        }
        // The arc first, so that a refused arc leaves both pieces as they were.
        if (line1) {
            if (!ArcToStartAt(arc, x)) return 0;
            MoveLineEnd(line, x, true);
        } else {
            if (!ArcToEndAt(arc, x)) return 0;
            MoveLineEnd(line, x, false);
        }
        return 1;
    }
    if (arc1 && arc2) {
        auto* a1 = static_cast<CGeArc*>(c1);
        auto* a2 = static_cast<CGeArc*>(c2);
        double cc1[2], cc2[2], pts[4];
        a1->GetCenter(cc1);
        a2->GetCenter(cc2);
        const int n = Isect_CirCir(cc1, a1->GetRadius(), cc2, a2->GetRadius(), gecon::kDegenerateTol, pts);
        if (n != 1 && n != 2) return 0;
        const double* p = n == 1 ? pts : CloserPair(pts, s2, e1);
        const double x[2] = {p[0], p[1]};
        CGeArc keep1, keep2;
        keep1.Create(a1);
        keep2.Create(a2);
        if (!ArcToEndAt(a1, x)) return 0;
        if (!ArcToStartAt(a2, x)) {
            a1->Create(&keep1);
            return 0;
        }
        return 1;
    }
    return 0;
}

void CGeTool2D::EvCurveIntPt(CurveList* list, CArray<_tagGeIsectPt, _tagGeIsectPt>& out)
{
    if (!list) return;
    std::vector<CGeCurve*> curves;
    curves.reserve(static_cast<size_t>(list->GetCount()));
    for (CGeCurve* c : *list) {
        if (!c) continue;
        c->CalcBox2d();
        curves.push_back(c);
    }
    const size_t n = curves.size();
    std::vector<BOX2<double>> boxes(n);
    for (size_t i = 0; i < n; ++i) curves[i]->GetBox2d(&boxes[i]);
    // Pairs whose boxes meet within the tolerance, by a sweep over the boxes'
    // left edges; then taken in list order (each curve with every later one),
    // the order in which a plain all-pairs loop visits them.
    std::vector<uint32_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = uint32_t(i);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return boxes[a].xmin < boxes[b].xmin || (boxes[a].xmin == boxes[b].xmin && a < b);
    });
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    for (size_t a = 0; a < n; ++a) {
        const BOX2<double>& ba = boxes[order[a]];
        if (!ba.IsValid()) continue;
        for (size_t b = a + 1; b < n && boxes[order[b]].xmin <= ba.xmax + 2 * kPieceBoxTol; ++b) {
            const uint32_t i = order[a], j = order[b];
            if (!BOX2D_IsInt(&ba, &boxes[j], kPieceBoxTol)) continue;
            pairs.emplace_back(std::min(i, j), std::max(i, j));
        }
    }
    std::sort(pairs.begin(), pairs.end());
    QVN_GeCC_Inter::IntPntArray recs;
    auto add = [&out](CGeCurve* c, double t, const double* p) {
        if (!(t > kEndParam && t < kEndParamHigh)) return;
        _tagGeIsectPt r;
        r.pCurve = c;
        r.t = t;
        r.nSeg = 1;
        r.pt.Set2(p);
        out.Add(r);
    };
    for (const auto& [i, j] : pairs) {
        // Each pair into an emptied array: records of earlier pairs are not taken again.
        recs.RemoveAll();
        QVN_GeCC_Inter::CurveCurve(curves[i], curves[j], &recs, 0);
        for (INT_PTR k = 0; k < recs.GetSize(); ++k) {
            add(curves[i], recs[k].para1, recs[k].pt);
            add(curves[j], recs[k].para2, recs[k].pt);
        }
    }
}

int CGeTool2D::SplitCurveOnIntPt(CurveList* list)
{
    if (!list) return 0;
    CArray<_tagGeIsectPt, _tagGeIsectPt> recs;
    EvCurveIntPt(list, recs);
    if (recs.GetSize() == 0) return 0;
    // Groups by curve in the order of their first record; within a group the
    // records by ascending t, equal t in record order.
    std::unordered_map<CGeCurve*, size_t> groupOf;
    std::vector<std::vector<_tagGeIsectPt>> groups;
    for (INT_PTR i = 0; i < recs.GetSize(); ++i) {
        const auto [it, isNew] = groupOf.emplace(recs[i].pCurve, groups.size());
        if (isNew) groups.emplace_back();
        groups[it->second].push_back(recs[i]);
    }
    std::unordered_map<CGeCurve*, POSITION> where;
    for (POSITION pos = list->GetHeadPosition(); pos;) {
        POSITION cur = pos;
        if (CGeCurve* c = list->GetNext(pos)) where.emplace(c, cur);
    }
    CArray<_tagGeIsectPt, _tagGeIsectPt> group;
    for (auto& g : groups) {
        std::stable_sort(g.begin(), g.end(), [](const _tagGeIsectPt& a, const _tagGeIsectPt& b) { return a.t < b.t; });
        group.RemoveAll();
        for (const _tagGeIsectPt& r : g) group.Add(r);
        CGeCurve* k = g.front().pCurve;
        CurveList pieces;
        CreateSegCurveWithIntPt(k, group, &pieces);
        const auto at = where.find(k);
        if (at == where.end()) {
            DeleteOwnedList(pieces);
            continue;
        }
        POSITION after = at->second;
        for (CGeCurve* piece : pieces) after = list->InsertAfter(after, piece);
        pieces.RemoveAll();
    }
    return 1;
}

void CGeTool2D::CreateSegCurveWithIntPt(CGeCurve* k, CArray<_tagGeIsectPt, _tagGeIsectPt>& group, CurveList* pieces)
{
    const INT_PTR n = group.GetSize();
    if (!k || n == 0) return;
    if (n == 1 && (group[0].t <= kEndParam || group[0].t > kEndParamHigh)) return;
    std::unique_ptr<CGeCurve> first(Split(k, 0.0, group[0].t));
    for (INT_PTR i = 1; i < n; ++i)
        if (CGeCurve* piece = Split(k, group[i - 1].t, group[i].t)) pieces->AddTail(piece);
    if (CGeCurve* piece = Split(k, group[n - 1].t, 1.0)) pieces->AddTail(piece);
    if (!first) return;
    // k keeps its place and identity in the list as the first piece.
    if (IsOneOf(k, curvetype::kLine)) {
        double s[2], e[2];
        first->GetStartPoint(s);
        first->GetEndPoint(e);
        static_cast<CGeLine*>(k)->Create(s, e);
    } else {
        static_cast<CGeArc*>(k)->Create(static_cast<CGeArc*>(first.get()));
    }
    k->Discrete(kPieceDiscTol);
}

CGeCurve* CGeTool2D::Split(CGeCurve* curve, double t0, double t1)
{
    if (!curve) return nullptr;
    if ((t0 < kEndParam && t1 <= kEndParam) || (t0 >= kEndParamHigh && t1 > kEndParamHigh) || t1 - t0 <= kEndParam ||
        (t0 < kEndParam && t1 > kEndParamHigh))
        return nullptr;
    double a[2], b[2];
    if (IsOneOf(curve, curvetype::kLine)) {
        curve->GetPointAt(t0, a, 1);
        curve->GetPointAt(t1, b, 1);
        return new CGeLine(a, b);
    }
    if (IsOneOf(curve, curvetype::kArc)) {
        double m[2];
        curve->GetPointAt(t0, a, 1);
        curve->GetPointAt(0.5 * (t0 + t1), m, 1);
        curve->GetPointAt(t1, b, 1);
        auto arc = std::make_unique<CGeArc>();
        if (!arc->Create3Pnt(a, m, b)) return nullptr;
        arc->Discrete(kPieceDiscTol);
        return arc.release();
    }
    return nullptr;
}

void CGeTool2D::DelBrokenCurve(CurveList* list, double tol, bool closedChain)
{
    if (!list || list->IsEmpty()) return;
    // The pieces in order up to the first null entry, which ends every search.
    std::vector<POSITION> nodes;
    std::vector<CGeCurve*> curves;
    for (POSITION pos = list->GetHeadPosition(); pos;) {
        POSITION cur = pos;
        CGeCurve* c = list->GetNext(pos);
        if (!c) break;
        nodes.push_back(cur);
        curves.push_back(c);
    }
    // Start points by cells of size tol: every start strictly within tol of a
    // point on both axes lies in the point's cell or a neighbour.
    auto cellOf = [tol](double v) { return static_cast<int64_t>(std::floor(v / tol)); };
    auto key = [](int64_t ix, int64_t iy) { return (static_cast<uint64_t>(ix) * 0x9E3779B97F4A7C15ull) ^ static_cast<uint64_t>(iy); };
    std::unordered_map<uint64_t, std::vector<size_t>> starts;
    std::vector<std::array<double, 2>> startPt(curves.size());
    // Lengths before each piece, for the choice of side on a closed chain.
    std::vector<double> before(curves.size() + 1, 0.0);
    for (size_t i = 0; i < curves.size(); ++i) {
        before[i + 1] = before[i] + (closedChain ? curves[i]->EvTotalArcLength() : 0.0);
        if (i == 0) continue;
        curves[i]->GetStartPoint(startPt[i].data());
        starts[key(cellOf(startPt[i][0]), cellOf(startPt[i][1]))].push_back(i);
    }
    auto remove = [&](size_t from, size_t to) {
        for (size_t j = from; j < to; ++j) {
            list->RemoveAt(nodes[j]);
            delete curves[j];
        }
    };
    // The live chain is [begin, end); kept is the length of its pieces up to and including i.
    size_t begin = 0, end = curves.size(), i = 0;
    double kept = before[1];
    while (i + 1 < end) {
        double e[2];
        curves[i]->GetEndPoint(e);
        // The last following piece that starts at this piece's end: the pieces
        // between form a loop of a self-crossing offset.
        size_t found = 0;
        const int64_t cx = cellOf(e[0]), cy = cellOf(e[1]);
        for (int64_t dx = -1; dx <= 1; ++dx)
            for (int64_t dy = -1; dy <= 1; ++dy) {
                const auto it = starts.find(key(cx + dx, cy + dy));
                if (it == starts.end()) continue;
                for (size_t j : it->second)
                    if (j > i && j < end && j > found && std::fabs(startPt[j][0] - e[0]) < tol &&
                        std::fabs(startPt[j][1] - e[1]) < tol)
                        found = j;
            }
        if (found == 0) {
            ++i;
            kept += before[i + 1] - before[i];
            continue;
        }
        // On a closed chain the crossing may straddle the chain's seam (a corner
        // at the start point): then the stretch outside the loop is the small
        // one, and it goes instead, leaving the loop as the closed chain.
        const double inner = before[found] - before[i + 1];
        const double outer = kept + before[end] - before[found];
        if (closedChain && inner > outer) {
            remove(begin, i + 1);
            remove(found, end);
            begin = i + 1;
            end = found;
            i = begin;
            kept = before[i + 1] - before[i];
            continue;
        }
        remove(i + 1, found);
        i = found;
        kept += before[i + 1] - before[i];
    }
}
