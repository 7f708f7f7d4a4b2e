// Sections of the tool-centre model by Z and Y planes, drops onto it, marking of the
// candidates of a rectangle, rotation, and the checks of cutting and connecting moves.
#include "framework/looker/Tool.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartSect.h"
#include "toolpath/milling/IntLineSet.h"
#include "toolpath/milling/CentreConst.h"
#include "toolpath/milling/MillCenter.h"
#include "toolpath/milling/MillSection.h"
#include "toolpath/milling/ProtectNet.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace {

constexpr double kPlaneTol = 0.0001;   // a facet or box this close to the plane meets it
constexpr double kZSame = 0.01;        // Z section: crossings this close are one
constexpr double kYSame = 0.0001;      // Y section: crossings this close are one
constexpr double kThinSurf = 0.01;     // offset surfaces thinner in z get no Z section
constexpr double kNetAbove = 5.1;      // a segment this far under the net's minimum is buried
constexpr double kLinkTol = 0.0001;    // chaining of tiny section segments
constexpr int kCircleSamples = 40;     // vertex circles: most points
constexpr double kCircleChord = 0.01;  // vertex circles: chord tolerance
constexpr double kMinCircle = 0.001;   // smaller compensated radii give no circle
constexpr double kYSampleStep = 0.1;   // Y section of a vertex of a general tool: sample step
constexpr double kYSampleDeep = 10;    // samples deeper than r + this under the vertex are none
constexpr double kDropNear = 0.01;     // drops: p this close to a chord end takes its height
constexpr double kSameX = 1e-6;        // drops: crossings this close are one
constexpr double kMoveMin = 0.01;      // moves shorter in XY are not checked
constexpr double kMoveStep = 0.2;      // step of projected and checked moves
constexpr double kProjThin = 0.05;     // thinning of projected connecting moves
constexpr double kMarkTol = 0.0001;    // marks of one move segment
constexpr double kGouge = 0.05;        // a connector point this far under the model gouges
constexpr int kTubeCells = centre::kTubeColumns - 1;

// Section of polygon pts[idx[0..n-1]] by the plane where coordinate `axis` equals v; the
// crossings (coordinates 0 and `keep`) go to out. Returns their count; an edge lying in the
// plane is the whole result (2).
int SectionFacet(const Pnt3* pts, const int* idx, int n, double (*out)[2], double v, int axis, int keep, double same)
{
    int found = 0;
    for (int k = 0; k < n; ++k) {
        const Pnt3* p = &pts[idx[k == 0 ? n - 1 : k - 1]];
        const Pnt3* q = &pts[idx[k]];
        if ((*p)[size_t(axis)] > (*q)[size_t(axis)])
            std::swap(p, q);
        const double pv = (*p)[size_t(axis)], qv = (*q)[size_t(axis)];
        if (qv < v - kPlaneTol || pv > v + kPlaneTol)
            continue;
        if (qv - pv < kPlaneTol && pv > v - kPlaneTol) {
            out[0][0] = (*p)[0], out[0][1] = (*p)[size_t(keep)];
            out[1][0] = (*q)[0], out[1][1] = (*q)[size_t(keep)];
            return 2;
        }
        const double f = qv - pv > 0 ? (v - pv) / (qv - pv) : 0;
        const double c[2] = {(*p)[0] + f * ((*q)[0] - (*p)[0]),
                             (*p)[size_t(keep)] + f * ((*q)[size_t(keep)] - (*p)[size_t(keep)])};
        bool dup = false;
        for (int i = 0; i < found && !dup; ++i)
            dup = std::hypot(out[i][0] - c[0], out[i][1] - c[1]) < same;
        if (!dup)
            out[found][0] = c[0], out[found][1] = c[1], ++found;
    }
    return found;
}

bool ZAccept(const CProtectNet& net, double plane, const double* a, const double* b)
{
    const double box[4] = {std::min(a[0], b[0]), std::min(a[1], b[1]), std::max(a[0], b[0]), std::max(a[1], b[1])};
    return ProtectNetMinHeight(box, net) < plane + kNetAbove;
}

bool YAccept(const CProtectNet& net, double plane, const double* a, const double* b)
{
    const double box[4] = {std::min(a[0], b[0]), plane, std::max(a[0], b[0]), plane};
    return std::max(a[1], b[1]) + kNetAbove > ProtectNetMinHeight(box, net);
}

using Accept = bool (*)(const CProtectNet&, double, const double*, const double*);

// Offers the section points of one facet: a segment for two, every pair for more (the
// tiny ones of pairs to pairSide, of a lone segment to oneSide). The number accepted.
int OfferPoints(const CProtectNet& net, CIntLineSet& set, Accept accept, const double (*pts)[2], int n,
                CIntLineSet* oneSide, CIntLineSet* pairSide)
{
    int accepted = 0;
    if (n == 2) {
        if (accept(net, set.plane, pts[0], pts[1]))
            LineSetAddSegment(set, pts[0], pts[1], oneSide), ++accepted;
        return accepted;
    }
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if (accept(net, set.plane, pts[i], pts[j]))
                LineSetAddSegment(set, pts[i], pts[j], pairSide), ++accepted;
    return accepted;
}

// Chains the tiny segments set aside (two or more) and appends the chains to set.
void FlushSide(CIntLineSet& side, CIntLineSet& set)
{
    if (side.count >= 2) {
        LinkSegments(kLinkTol, side);
        while (side.head)
            LineSetAppend(set, LineSetUnlink(side, side.head));
    }
    LineSetClear(side);
}

// Samples the arc (centre, radius, from a0 to a1) into at most 40 points at chord 0.01 and
// offers every chord; the number accepted.
int OfferArc(const CProtectNet& net, CIntLineSet& set, Accept accept, const double* centre, double radius, double a0,
             double a1)
{
    CSmartArc arc(centre, radius, a0, a1);
    double pts[kCircleSamples][2];
    const int n = DiscretizeArcSect(pts, kCircleSamples, kCircleChord, &arc);
    int accepted = 0;
    for (int i = 0; i < n; ++i)
        if (accept(net, set.plane, pts[i], pts[i + 1]))
            LineSetAddSegment(set, pts[i], pts[i + 1], nullptr), ++accepted;
    return accepted;
}

const int* CellCorners(int row, int col, int* c)
{
    const int base = row * centre::kTubeColumns + col;
    c[0] = base, c[1] = base + 1, c[2] = base + centre::kTubeColumns + 1, c[3] = base + centre::kTubeColumns;
    return c;
}

void FacetRanges(const SOffsetSurf& s, int axis, std::vector<double>& lo, std::vector<double>& hi)
{
    lo.clear(), hi.clear();
    for (const SCentreTri& t : s.tris)
        lo.push_back(t.box[axis]), hi.push_back(t.box[axis + 3]);
    for (const SCentreQuad& q : s.quads)
        lo.push_back(q.box[axis]), hi.push_back(q.box[axis + 3]);
}

void CellRanges(const SEdgeSurf& s, std::vector<double>& lo, std::vector<double>& hi)
{
    lo.clear(), hi.clear();
    for (int i = 0; i + 1 < s.rows; ++i)
        for (int j = 0; j < kTubeCells; ++j) {
            int c[4];
            CellCorners(i, j, c);
            double a = 1e300, b = -1e300;
            for (int k : c)
                a = std::min(a, s.grid[size_t(k)][2]), b = std::max(b, s.grid[size_t(k)][2]);
            lo.push_back(a), hi.push_back(b);
        }
}

}  // namespace

int FacetDropPoint(const Pnt3* pts, const int* idx, int n, const double* p, double* z)
{
    double x[2] = {0, 0}, h[2] = {0, 0};
    int found = 0;
    const auto add = [&](double px, double pz) {
        for (int i = 0; i < found; ++i)
            if (std::fabs(x[i] - px) < kSameX)
                return;
        if (found < 2)
            x[found] = px, h[found] = pz, ++found;
    };
    for (int k = 0; k < n && found < 2; ++k) {
        const Pnt3& a = pts[idx[k]];
        const Pnt3& b = pts[idx[(k + 1) % n]];
        if (std::fabs(a[1] - b[1]) < kSameX) {
            if (std::fabs(a[1] - p[1]) < kSameX) {
                add(a[0], a[2]);
                add(b[0], b[2]);
            }
            continue;
        }
        const double t = (p[1] - a[1]) / (b[1] - a[1]);
        if (t < 0 || t > 1)
            continue;
        add(a[0] + t * (b[0] - a[0]), a[2] + t * (b[2] - a[2]));
    }
    if (found < 2)
        return false;
    const double f = (p[0] - x[0]) / (x[1] - x[0]);
    if (f > 0 && f < 1) {
        *z = h[0] + f * (h[1] - h[0]);
        return true;
    }
    for (int i = 0; i < 2; ++i)
        if (std::fabs(p[0] - x[i]) <= kDropNear) {
            *z = h[i];
            return true;
        }
    return false;
}

int ZSectionFacet(const Pnt3* pts, const int* idx, int n, double (*out)[2], double z)
{
    return SectionFacet(pts, idx, n, out, z, 2, 1, kZSame);
}

int YSectionFacet(const Pnt3* pts, const int* idx, int n, double (*out)[2], double y)
{
    return SectionFacet(pts, idx, n, out, y, 1, 2, kYSame);
}

namespace {

void Rotate(Pnt3& p, double c, double s)
{
    const double x = p[0] * c - p[1] * s, y = p[0] * s + p[1] * c;
    p[0] = x, p[1] = y;
}

void PointBox(const std::vector<Pnt3>& pts, double* box)
{
    box[0] = box[1] = box[2] = 1e300;
    box[3] = box[4] = box[5] = -1e300;
    for (const Pnt3& p : pts)
        for (int c = 0; c < 3; ++c)
            box[c] = std::min(box[c], p[size_t(c)]), box[c + 3] = std::max(box[c + 3], p[size_t(c)]);
}

}  // namespace

// Height order ---------------------------------------------------------------------

void SHeightOrder::Build(const double* lo, const double* hi, size_t n)
{
    ids.resize(n);
    std::iota(ids.begin(), ids.end(), 0);
    std::stable_sort(ids.begin(), ids.end(), [lo](int a, int b) { return lo[a] < lo[b]; });
    minZ.resize(n);
    span = 0;
    for (size_t i = 0; i < n; ++i) {
        minZ[i] = lo[ids[i]];
        span = std::max(span, hi[ids[i]] - lo[ids[i]]);
    }
    built = n;
}

void SHeightOrder::Find(double z, double t, const double* lo, const double* hi, std::vector<int>& out) const
{
    out.clear();
    // Only elements starting within the largest extent under the plane can reach it.
    const auto first = std::lower_bound(minZ.begin(), minZ.end(), z - t - span);
    const auto last = std::upper_bound(minZ.begin(), minZ.end(), z + t);
    for (auto it = first; it < last; ++it) {
        const int id = ids[size_t(it - minZ.begin())];
        if (lo[id] <= z + t && hi[id] >= z - t)
            out.push_back(id);
    }
    std::sort(out.begin(), out.end());
}

// Sections -------------------------------------------------------------------------

namespace {

void OffsetSurfZSection(SOffsetSurf& s, const CProtectNet& net, CIntLineSet& set)
{
    const double z = set.plane;
    if (s.box[5] - s.box[2] < kThinSurf || s.box[2] > z + kPlaneTol || s.box[5] < z - kPlaneTol)
        return;
    std::vector<double> lo, hi;
    FacetRanges(s, 2, lo, hi);
    if (s.zOrder.built != lo.size())
        s.zOrder.Build(lo.data(), hi.data(), lo.size());
    std::vector<int> ids;
    s.zOrder.Find(z, kPlaneTol, lo.data(), hi.data(), ids);
    CIntLineSet side;
    const int nt = int(s.tris.size());
    for (int id : ids) {
        double pts[4][2];
        const int n = id < nt ? ZSectionFacet(s.pts.data(), s.tris[size_t(id)].v, 3, pts, z)
                              : ZSectionFacet(s.pts.data(), s.quads[size_t(id - nt)].v, 4, pts, z);
        OfferPoints(net, set, ZAccept, pts, n, nullptr, &side);
    }
    FlushSide(side, set);
}

void OffsetSurfYSection(const SOffsetSurf& s, const CProtectNet& net, CIntLineSet& set)
{
    const double y = set.plane;
    if (s.box[1] > y + kPlaneTol || s.box[4] < y - kPlaneTol)
        return;
    CIntLineSet side;
    const auto one = [&](const int* v, int n, const double* box) {
        if (box[1] > y + kPlaneTol || box[4] < y - kPlaneTol)
            return;
        double pts[4][2];
        const int k = YSectionFacet(s.pts.data(), v, n, pts, y);
        OfferPoints(net, set, YAccept, pts, k, &side, &side);
    };
    for (const SCentreTri& t : s.tris)
        one(t.v, 3, t.box);
    for (const SCentreQuad& q : s.quads)
        one(q.v, 4, q.box);
    FlushSide(side, set);
}

void EdgeSurfZSection(SEdgeSurf& s, const CProtectNet& net, CIntLineSet& set)
{
    const double z = set.plane;
    if (s.rows < 2 || s.box[5] - kPlaneTol < z)
        return;
    if (z > s.box[2] + kPlaneTol) {
        std::vector<double> lo, hi;
        CellRanges(s, lo, hi);
        if (s.zOrder.built != lo.size())
            s.zOrder.Build(lo.data(), hi.data(), lo.size());
        std::vector<int> ids;
        s.zOrder.Find(z, kPlaneTol, lo.data(), hi.data(), ids);
        for (int id : ids) {
            int c[4];
            double pts[4][2];
            const int n = ZSectionFacet(s.grid.data(), CellCorners(id / kTubeCells, id % kTubeCells, c), 4, pts, z);
            OfferPoints(net, set, ZAccept, pts, n, nullptr, nullptr);
        }
        return;
    }
    if (!(z > s.floorZ))
        return;
    // Under the tube: its two skirt outlines, until the net rejects them all.
    int accepted = 0;
    for (int i = 0; i + 1 < s.rows; ++i)
        for (int col : {0, centre::kTubeColumns - 1}) {
            const double pts[2][2] = {{s.At(i, col)[0], s.At(i, col)[1]}, {s.At(i + 1, col)[0], s.At(i + 1, col)[1]}};
            accepted += OfferPoints(net, set, ZAccept, pts, 2, nullptr, nullptr);
        }
    if (accepted == 0)
        s.floorZ = z;
}

void EdgeSurfYSection(const SEdgeSurf& s, const CProtectNet& net, CIntLineSet& set)
{
    const double y = set.plane;
    if (s.rows < 2 || s.box[1] > y + kPlaneTol || s.box[4] < y - kPlaneTol)
        return;
    for (int i = 0; i + 1 < s.rows; ++i)
        for (int j = 0; j < kTubeCells; ++j) {
            int c[4];
            double pts[4][2];
            const int n = YSectionFacet(s.grid.data(), CellCorners(i, j, c), 4, pts, y);
            OfferPoints(net, set, YAccept, pts, n, nullptr, nullptr);
        }
}

}  // namespace

void CMillCenter::GenSameZLineSet(CProtectNet& net, CIntLineSet& set)
{
    for (SOffsetSurf* s = offsets; s; s = s->next)
        OffsetSurfZSection(*s, net, set);
    for (SEdgeSurf* s = edges; s; s = s->next)
        EdgeSurfZSection(*s, net, set);
    if (!tool || vertices.v.empty())
        return;
    const double z = set.plane;
    const double r = tool->GetDia() / 2.0;
    SHeightOrder& order = vertices.zOrder;
    if (order.built != vertices.v.size()) {
        std::vector<double> h;
        for (const Pnt3& v : vertices.v)
            h.push_back(v[2]);
        order.Build(h.data(), h.data(), h.size());
    }
    // The floors are the vertices' own heights or -1e12: only vertices above the plane.
    std::vector<int> ids(order.ids.begin() + (std::lower_bound(order.minZ.begin(), order.minZ.end(), z + kPlaneTol) -
                                              order.minZ.begin()),
                         order.ids.end());
    std::sort(ids.begin(), ids.end());
    for (int i : ids) {
        if (vertices.floorZ[size_t(i)] - kPlaneTol < z)
            continue;
        const Pnt3& v = vertices.v[size_t(i)];
        const double h = v[2] - z;
        if (r > h) {
            const double rad = tool->GetRadiusComp(h, 0);
            if (rad >= kMinCircle)
                OfferArc(net, set, ZAccept, v.data(), rad, 0, 2 * M_PI);
        } else if (OfferArc(net, set, ZAccept, v.data(), r, 0, 2 * M_PI) == 0) {
            vertices.floorZ[size_t(i)] = -1e12;
        }
    }
}

void CMillCenter::GenSameYLineSet(CProtectNet& net, CIntLineSet& set)
{
    for (SOffsetSurf* s = offsets; s; s = s->next)
        OffsetSurfYSection(*s, net, set);
    for (SEdgeSurf* s = edges; s; s = s->next)
        EdgeSurfYSection(*s, net, set);
    if (!tool)
        return;
    const double y = set.plane;
    const double dia = tool->GetDia(), r = dia / 2.0;
    const auto* ball = tool->Type() == 1 ? dynamic_cast<const CTBall*>(tool) : nullptr;
    for (const Pnt3& v : vertices.v) {
        const double dy = y - v[1];
        if (!(std::fabs(dy) <= r - kPlaneTol))
            continue;
        if (ball) {
            const double R = ball->m_R, R2 = ball->m_R2;
            const double c[2] = {v[0], v[2] - R};
            OfferArc(net, set, YAccept, c, std::sqrt(std::max(0.0, R2 - dy * dy)), 0, M_PI);
        } else if (tool->Type() == 2) {
            // The flat end: level at the vertex over the chord of radius r.
            const double b = std::sqrt(r * r - dy * dy);
            const double pts[2][2] = {{v[0] - b, v[2]}, {v[0] + b, v[2]}};
            OfferPoints(net, set, YAccept, pts, 2, nullptr, nullptr);
        } else {
            const int n = int(dia / kYSampleStep);
            if (n < 1)
                continue;
            double prev[2] = {0, -1e300};
            for (int k = 0; k <= n; ++k) {
                const double p[3] = {v[0] - r + k * dia / n, y, 0};
                const double cur[2] = {p[0], tool->Zval_VertCC(v.data(), p)};
                const double deep = v[2] - r - kYSampleDeep;
                if (k > 0 && prev[1] > deep && cur[1] > deep) {
                    const double pts[2][2] = {{prev[0], prev[1]}, {cur[0], cur[1]}};
                    OfferPoints(net, set, YAccept, pts, 2, nullptr, nullptr);
                }
                prev[0] = cur[0], prev[1] = cur[1];
            }
        }
    }
}

void CMillCenter::SetIntMinZ()
{
    for (SEdgeSurf* s = edges; s; s = s->next)
        s->floorZ = -1e12;
    for (size_t i = 0; i < vertices.v.size(); ++i)
        vertices.floorZ[i] = vertices.v[i][2];
}

// Marks and drops ------------------------------------------------------------------

void CMillCenter::DefineMarkedPane(const double pane[2][2], double tol)
{
    const auto meets = [&](const double* box) {
        return box[0] - tol <= pane[1][0] && box[3] + tol >= pane[0][0] && box[1] - tol <= pane[1][1] &&
               box[4] + tol >= pane[0][1];
    };
    for (SOffsetSurf* s = offsets; s; s = s->next) {
        s->candTri.clear(), s->candQuad.clear();
        if (!meets(s->box))
            continue;
        for (SCentreTri& t : s->tris)
            if (meets(t.box))
                s->candTri.push_back(&t);
        for (SCentreQuad& q : s->quads)
            if (meets(q.box))
                s->candQuad.push_back(&q);
    }
    for (SEdgeSurf* s = edges; s; s = s->next) {
        s->cells.clear();
        if (s->rows < 2 || !meets(s->box))
            continue;
        for (int i = 0; i + 1 < s->rows; ++i)
            for (int j = 0; j < kTubeCells; ++j) {
                int c[4];
                CellCorners(i, j, c);
                double box[6] = {1e300, 1e300, 0, -1e300, -1e300, 0};
                for (int k : c) {
                    const Pnt3& p = s->grid[size_t(k)];
                    box[0] = std::min(box[0], p[0]), box[1] = std::min(box[1], p[1]);
                    box[3] = std::max(box[3], p[0]), box[4] = std::max(box[4], p[1]);
                }
                if (meets(box))
                    s->cells.push_back({i, j});
            }
    }
    vertices.cand.clear();
    if (!tool)
        return;
    const double r = tool->GetDia() / 2.0;
    for (size_t i = 0; i < vertices.v.size(); ++i) {
        const Pnt3& v = vertices.v[i];
        const double box[6] = {v[0] - r, v[1] - r, 0, v[0] + r, v[1] + r, 0};
        if (meets(box))
            vertices.cand.push_back(int(i));
    }
}

void CMillCenter::ProjPntOnMdl(double p[3])
{
    const auto raise = [&](const Pnt3* pts, const int* idx, int n) {
        double z;
        if (FacetDropPoint(pts, idx, n, p, &z) && z > p[2])
            p[2] = z;
    };
    const auto holds = [&](const double* box) {
        return box[0] <= p[0] && p[0] <= box[3] && box[1] <= p[1] && p[1] <= box[4] && box[5] - kDropNear > p[2];
    };
    for (SOffsetSurf* s = offsets; s; s = s->next) {
        for (const SCentreTri* t : s->candTri)
            if (holds(t->box))
                raise(s->pts.data(), t->v, 3);
        for (const SCentreQuad* q : s->candQuad)
            if (holds(q->box))
                raise(s->pts.data(), q->v, 4);
    }
    for (SEdgeSurf* s = edges; s; s = s->next)
        for (const auto& cell : s->cells) {
            int c[4];
            CellCorners(cell[0], cell[1], c);
            double top = -1e300;
            for (int k : c)
                top = std::max(top, s->grid[size_t(k)][2]);
            if (top > p[2])
                raise(s->grid.data(), c, 4);
        }
    if (!tool)
        return;
    const double r = tool->GetDia() / 2.0;
    for (int i : vertices.cand) {
        const Pnt3& v = vertices.v[size_t(i)];
        const double dx = p[0] - v[0], dy = p[1] - v[1];
        // The band round the rim reaches past r along the axes too.
        if (!(v[2] > p[2]) || std::fabs(dx) > r + kPlaneTol || std::fabs(dy) > r + kPlaneTol)
            continue;
        const double d = std::hypot(dx, dy);
        if (d > r + kPlaneTol)
            continue;
        // In the band round the rim the tool's own height at the rim, for every kind.
        double q[3] = {p[0], p[1], p[2]};
        if (d > r)
            q[0] = v[0] + dx * r / d, q[1] = v[1] + dy * r / d;
        const double z = tool->Zval_VertCC(v.data(), q);
        if (z > p[2])
            p[2] = z;
    }
}

void CMillCenter::RotateModel(double angle)
{
    const double c = std::cos(angle), s = std::sin(angle);
    for (SOffsetSurf* o = offsets; o; o = o->next) {
        for (Pnt3& p : o->pts)
            Rotate(p, c, s);
        o->DefineBoxes();
    }
    for (SEdgeSurf* e = edges; e; e = e->next) {
        for (Pnt3& p : e->grid)
            Rotate(p, c, s);
        if (!e->grid.empty())
            PointBox(e->grid, e->box);
    }
    for (Pnt3& p : vertices.v)
        Rotate(p, c, s);
    if (!vertices.v.empty()) {
        PointBox(vertices.v, vertices.box);
        if (tool) {
            const double r = tool->GetDia() / 2.0;
            vertices.box[0] -= r, vertices.box[1] -= r, vertices.box[2] -= r;
            vertices.box[3] += r, vertices.box[4] += r;
        }
    }
    DefineBox();
}

// Move checks ----------------------------------------------------------------------

void CMillCenter::ProjCutPath(CNcPline* string, CNcPoint* a, CNcPoint* b, double)
{
    const double d = std::hypot(b->x - a->x, b->y - a->y);
    if (d < kMoveMin)
        return;
    const int n = int(5 * d + 1);
    const double ux = (b->x - a->x) / d, uy = (b->y - a->y) / d;
    std::vector<Pnt3> pts;
    pts.push_back({a->x, a->y, a->z});
    for (int i = 1; i < n; ++i) {
        double p[3] = {a->x + i * kMoveStep * ux, a->y + i * kMoveStep * uy, box[2] - centre::kBelowFloor};
        ProjPntOnMdl(p);
        pts.push_back({p[0], p[1], p[2]});
    }
    if (n > 1)
        pts.back() = {b->x, b->y, b->z};
    else
        pts.push_back({b->x, b->y, b->z});
    ThinPolyline(pts, kProjThin);
    for (size_t i = 1; i + 1 < pts.size(); ++i) {
        auto* q = new CNcPoint(pts[i][0], pts[i][1], pts[i][2]);
        q->contact = 0;
        string->InsertBefore(q, b);
    }
}

void CMillCenter::CheckCutPath(CNcPline* string, CNcPoint* a, CNcPoint* b, double tol)
{
    // Depth first with an explicit stack: the first half of a split move is checked
    // before the second, so points are inserted as a recursion would insert them.
    std::vector<std::pair<CNcPoint*, CNcPoint*>> stack = {{a, b}};
    while (!stack.empty()) {
        auto [p, q] = stack.back();
        stack.pop_back();
        const double d = std::hypot(q->x - p->x, q->y - p->y);
        if (d < kMoveMin)
            continue;
        const int k = d <= 1 ? 5 : int(d / kMoveStep + 0.5);
        for (int i = 1; i < k; ++i) {
            const double t = double(i) / k;
            double s[3] = {p->x + t * (q->x - p->x), p->y + t * (q->y - p->y), p->z + t * (q->z - p->z)};
            const double line = s[2];
            ProjPntOnMdl(s);
            if (s[2] - line > tol) {
                auto* m = new CNcPoint(s[0], s[1], s[2]);
                m->contact = 0;
                string->InsertBefore(m, q);
                stack.push_back({m, q});
                stack.push_back({p, m});
                break;
            }
        }
    }
}

void CMillCenter::VerifyCutPath(CNcPline* string, double tol, bool project)
{
    if (!string || string->IsEmpty())
        return;
    POSITION pos = string->GetHeadPosition();
    CNcPoint* a = string->GetNext(pos);
    const auto mark = [&](const CNcPoint* p, const CNcPoint* q) {
        const double pane[2][2] = {{std::min(p->x, q->x), std::min(p->y, q->y)},
                                   {std::max(p->x, q->x), std::max(p->y, q->y)}};
        DefineMarkedPane(pane, kMarkTol);
    };
    const auto drop = [&](CNcPoint* p) {
        if (project)
            p->z = box[2] - centre::kBelowFloor;
        double xyz[3] = {p->x, p->y, p->z};
        ProjPntOnMdl(xyz);
        p->z = xyz[2];
    };
    mark(a, a);
    drop(a);
    while (pos) {
        CNcPoint* b = string->GetNext(pos);
        mark(a, b);
        drop(b);
        if (project)
            ProjCutPath(string, a, b, tol);
        else
            CheckCutPath(string, a, b, tol);
        a = b;
    }
}

void CMillCenter::CheckPntString(CNcPline*& string)
{
    if (!string || string->IsEmpty())
        return;
    POSITION pos = string->GetHeadPosition();
    string->GetNext(pos);
    while (pos) {
        CNcPoint* p = string->GetNext(pos);
        if (!pos)
            break;  // the last point
        const double pane[2][2] = {{p->x, p->y}, {p->x, p->y}};
        DefineMarkedPane(pane, kMarkTol);
        double xyz[3] = {p->x, p->y, p->z};
        ProjPntOnMdl(xyz);
        const double rise = xyz[2] - p->z;
        p->z = xyz[2];
        if (rise > kGouge) {
            delete string;
            string = nullptr;
            return;
        }
    }
}

// Display copies ------------------------------------------------------------------

namespace {

constexpr std::uint16_t kDisplayOp = 8;
constexpr int kTubeCrest = 7;

void AppendPolyline(CPathCombine* c, const std::vector<Pnt3>& pts)
{
    if (auto pl = PolylineOf(pts))
        PathCombineAppend(pl.release(), c);
}

}  // namespace

CPathCombine* CMillCenter::CreateEdgeComb() const
{
    auto* c = new CPathCombine(kDisplayOp);
    for (const SEdgeSurf* s = edges; s; s = s->next) {
        std::vector<Pnt3> crest;
        for (int i = 0; i < s->rows; ++i)
            crest.push_back(s->At(i, kTubeCrest));
        AppendPolyline(c, crest);
    }
    return c;
}

CPathCombine* CMillCenter::CreateOffsetSurfComb() const
{
    auto* c = new CPathCombine(kDisplayOp);
    const auto closed = [&](const SOffsetSurf& s, const int* v, int n) {
        std::vector<Pnt3> pts;
        for (int k = 0; k <= n; ++k)
            pts.push_back(s.pts[size_t(v[k % n])]);
        AppendPolyline(c, pts);
    };
    for (const SOffsetSurf* s = offsets; s; s = s->next) {
        for (const SCentreTri& t : s->tris)
            closed(*s, t.v, 3);
        for (const SCentreQuad& q : s->quads)
            closed(*s, q.v, 4);
    }
    return c;
}

CPathCombine* CMillCenter::CreateBoundSurfComb() const
{
    auto* c = new CPathCombine(kDisplayOp);
    for (const SEdgeSurf* s = edges; s; s = s->next) {
        for (int i = 0; i < s->rows; ++i)
            AppendPolyline(c, std::vector<Pnt3>(s->grid.begin() + i * centre::kTubeColumns,
                                                s->grid.begin() + (i + 1) * centre::kTubeColumns));
        for (int j = 0; j < centre::kTubeColumns; ++j) {
            std::vector<Pnt3> column;
            for (int i = 0; i < s->rows; ++i)
                column.push_back(s->At(i, j));
            AppendPolyline(c, column);
        }
    }
    return c;
}
