// Lifting point strings onto the drop-cutter model: every point is raised by the drop
// cutter, and every segment is split where the lifted surface leaves its chord.
#include "framework/looker/Tool.h"
#include "framework/widgra/Progress.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/contours/SectIntersect.h"
#include "toolpath/milling/CheckModel.h"
#include "toolpath/milling/MillConst.h"

#include <algorithm>
#include <cmath>

namespace {

double DistXY(const CNcPoint* a, const CNcPoint* b) { return std::hypot(b->x - a->x, b->y - a->y); }

// Narrows the model's marked candidates to the segment a-b.
void NarrowToSegment(CCheckModel* model, const CNcPoint* a, const CNcPoint* b, int kind)
{
    if (kind == 0) {
        model->MarkSub_Interval(std::min(a->x, b->x), std::max(a->x, b->x), 0);
        return;
    }
    if (kind == 2) {
        if (std::fabs(a->y - b->y) < mill::kSameCoord) {
            model->MarkSub_Interval(std::min(a->x, b->x), std::max(a->x, b->x), 0);
        } else if (std::fabs(a->x - b->x) < mill::kSameCoord) {
            model->MarkSub_Interval(std::min(a->y, b->y), std::max(a->y, b->y), 1);
        } else {
            const BOX2<double> box(std::min(a->x, b->x), std::min(a->y, b->y), std::max(a->x, b->x),
                                   std::max(a->y, b->y));
            model->MarkSub_Box2D(box);
        }
        return;
    }
    // The box reaches from the lowest height a point or sample may start at up past the
    // model: an element above both ends still holds the tool up over the segment.
    BOX3<double> box;
    box.xmin = std::min(a->x, b->x), box.xmax = std::max(a->x, b->x);
    box.ymin = std::min(a->y, b->y), box.ymax = std::max(a->y, b->y);
    box.zmin = std::min({a->z, b->z, model->bottom});
    box.zmax = std::max({a->z, b->z, model->top});
    for (int i = 0; i < model->MeshCount(); ++i)
        if (model->Mesh(i)) box.zmax = std::max(box.zmax, model->Mesh(i)->box.zmax);
    model->MarkSub_Box3D(box);
}

void Xyz(const CNcPoint* p, double* out)
{
    out[0] = p->x;
    out[1] = p->y;
    out[2] = p->z;
}

}  // namespace

int CNcPline::VerifyMillPath(CCheckModel* model, double tol, int kind)
{
    if (GetCount() < 2 || !model) return 0;
    const double minSeg = std::max(model->checkStep / 5, mill::kMinSegFloor);
    if (model->resetHeight) SetPointValue(2, model->bottom);
    const bool keepSampleZ = liftMode == 2 || liftMode == 3;
    CNcPoint s1, s2;  // the two refinement samples, reused for every test

    POSITION posA = GetHeadPosition();
    CNcPoint* a = GetAt(posA);
    bool first = true;
    while (true) {
        POSITION posB = posA;
        GetNext(posB);
        if (!posB) break;
        CNcPoint* b = GetAt(posB);
        if (gIsProgressCancel()) return 1;
        NarrowToSegment(model, a, b, kind);
        if (first) model->LiftZ(*a);
        first = false;
        model->LiftZ(*b);

        // Refinement from P = a until P reaches b.
        POSITION posP = posA;
        CNcPoint* p = a;
        while (p != b) {
            if (gIsProgressCancel()) return 1;
            POSITION posN = posP;
            GetNext(posN);
            CNcPoint* n = GetAt(posN);
            const double len = DistXY(p, n);
            const bool shortSeg = len < minSeg;
            // A short segment is not split; only a steep one is tested, for a wall of the
            // CL surface (the tool falling off an edge), which it would cut through.
            if (shortSeg && !(std::fabs(n->z - p->z) > std::max(len, tol))) {
                posP = posN;
                p = n;
                continue;
            }
            InterpolateNcPoint(mill::kSample1, p, n, &s1);
            InterpolateNcPoint(mill::kSample2, p, n, &s2);
            if (!keepSampleZ) s1.z = s2.z = model->bottom;
            model->LiftZ(s1);
            model->LiftZ(s2);
            double pp[3], nn[3], q1[3], q2[3];
            Xyz(p, pp), Xyz(n, nn), Xyz(&s1, q1), Xyz(&s2, q2);
            const double d1 = PointToLineDistance3D(q1, pp, nn);
            const double d2 = PointToLineDistance3D(q2, pp, nn);
            const CNcPoint& chosen = d2 > d1 ? s2 : s1;
            if (shortSeg) {
                // The wall is taken vertically over the lower end: the path stays at
                // the higher end's height (or the samples', when above) across the
                // segment and moves straight up or down where the tool meets nothing
                // higher than the lower end. The samples are measured vertically too:
                // the steep chord passes close to them across, yet the tool moving
                // along it would sink far under the CL surface.
                const double rise1 = s1.z - (p->z + mill::kSample1 * (n->z - p->z));
                const double rise2 = s2.z - (p->z + mill::kSample2 * (n->z - p->z));
                if (std::max({d1, d2, rise1, rise2}) > tol) {
                    const bool pHigher = p->z > n->z;
                    const CNcPoint* low = pHigher ? n : p;
                    const CNcPoint* high = pHigher ? p : n;
                    auto* rise = new CNcPoint(low->x, low->y, std::max({high->z, s1.z, s2.z}));
                    rise->contact = high->contact;
                    InsertAfter(posP, rise);
                }
                posP = posN;
                p = n;
                continue;
            }
            if (std::max(d1, d2) > tol) {
                auto* c = new CNcPoint(chosen);
                c->axis.reset();
                InsertAfter(posP, c);
                // The test repeats on P and the new point.
                continue;
            }
            posP = posN;
            p = n;
        }
        posA = posB;
        a = b;
    }
    return 1;
}

int CNcPline::IsoY_VerifyMillPath(CCheckModel* model, double tol)
{
    if (IsEmpty()) return 1;
    CalcBox();
    if (box.ymax - box.ymin > mill::kIsoYSpan) return VerifyMillPath(model, tol, 1);
    if (!model) return 1;
    if (GetTail()->x < GetHead()->x) Reverse();
    model->Mark_IsoYLine(box.ymin);
    VerifyMillPath(model, tol, 0);
    return 1;
}

int CNcPline::VerifyRotatePath(CCheckModel& model, double tol)
{
    if (gIsProgressCancel()) return 0;
    if (model.resetHeight) SetPointValue(2, model.bottom);
    POSITION pos = GetHeadPosition();
    while (pos) model.DefineRHeight(*GetNext(pos));
    if (liftMode == 2 || GetCount() < 2) return 1;
    const bool keepSampleZ = liftMode == 50 || liftMode == 51;
    const double minSeg = std::max(model.checkStep / 5, mill::kMinSegFloor);
    CNcPoint s[3];
    constexpr double kT[3] = {0.25, 0.5, 0.75};
    POSITION posP = GetHeadPosition();
    while (true) {
        POSITION posN = posP;
        GetNext(posN);
        if (!posN) break;
        CNcPoint* p = GetAt(posP);
        CNcPoint* n = GetAt(posN);
        // Chord distances in a frame where y (an arc length) is scaled by the larger
        // end height, so a turn of the model counts like a move at that radius.
        const double scale = std::max(p->z, n->z);
        double best = -1;
        int bi = 0;
        if (DistXY(p, n) >= minSeg) {
            for (int k = 0; k < 3; ++k) {
                InterpolateNcPoint(kT[k], p, n, &s[k]);
                if (model.resetHeight && !keepSampleZ) s[k].z = model.bottom;
                model.DefineRHeight(s[k]);
                const double q[3] = {s[k].x, s[k].y * scale, s[k].z};
                const double a[3] = {p->x, p->y * scale, p->z}, b[3] = {n->x, n->y * scale, n->z};
                const double d = PointToLineDistance3D(q, a, b);
                if (d > best) best = d, bi = k;
            }
        }
        if (best > tol) {
            auto* c = new CNcPoint(s[bi]);
            c->axis.reset();
            InsertAfter(posP, c);
            continue;
        }
        posP = posN;
    }
    return 1;
}
