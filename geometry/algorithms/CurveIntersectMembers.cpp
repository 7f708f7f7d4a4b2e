// Curve/curve intersection over the members of composite curves, loops and
// regions: each member goes through CurveCurve and its records are renumbered
// to name the member and the segment inside it.
#include "geometry/algorithms/CurveIntersect.h"

#include "framework/numerak/Box2D.h"
#include "geometry/algorithms/CurveIntersectDetail.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeEllipse.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeRegion.h"

#include <vector>

namespace QVN_GeCC_Inter {

using namespace ccdetail;

namespace {

// The non-null members in list order; member number = index + 1.
std::vector<CGeCurve*> MembersOf(const CGeCombCurve* comb)
{
    std::vector<CGeCurve*> members;
    members.reserve(static_cast<size_t>(comb->GetCurveList().GetCount()));
    for (CGeCurve* m : comb->GetCurveList())
        if (m) members.push_back(m);
    return members;
}

bool BoxesMeet(CGeCurve* a, CGeCurve* b)
{
    BOX2<double> ba, bb;
    a->GetBox2d(&ba);
    b->GetBox2d(&bb);
    return BOX2D_IsInt(ba, bb, kBoxTol) != 0;
}

bool IsComposite(const CGeCurve* c)
{
    const int type = c->GetType();
    return type == 0x80 || type == 0x100;
}

// Builds the display polylines and boxes that the intersectors read, so that
// threads sharing the curves afterwards only read them. A composite's own
// display is left alone (building it would rebuild every member).
void Prepare(CGeCurve* c)
{
    if (IsComposite(c)) {
        for (CGeCurve* m : static_cast<CGeCombCurve*>(c)->GetCurveList())
            if (m) Prepare(m);
        BOX2<double> box;
        c->GetBox2d(&box);
        return;
    }
    c->PrepareDisplay();
}

// Appends the records of c against every member, renumbered by
// renumber(record, member number), member by member in order; in parallel
// when the members are many (the records and their order stay the same).
template <class Renumber>
void IntersectMembers(CGeCurve* c, const std::vector<CGeCurve*>& members, IntPntArray* out, int bParallel,
                      Renumber renumber)
{
    const long n = static_cast<long>(members.size());
    const int team = bParallel ? ParallelTeam(n, kParallelMinMembers) : 1;
    CollectInOrder(n, team, out, [&](long i, auto& push) {
        IntPntArray found;  // allocates only for a member that gives records
        CurveCurve(c, members[static_cast<size_t>(i)], &found, 0);
        for (INT_PTR r = 0; r < found.GetSize(); ++r) {
            IntPnt rec = found[r];
            renumber(rec, static_cast<int>(i) + 1);
            push(rec);
        }
    });
}

// A simple curve against a composite: the six operations named after the simple class.
int SimpleComCurve(CGeCurve* c, CGeCombCurve* comb, IntPntArray* out, int bParallel)
{
    if (!c || !comb || !out || !BoxesMeet(c, comb)) return 0;
    const std::vector<CGeCurve*> members = MembersOf(comb);
    if (bParallel) {
        Prepare(c);
        Prepare(comb);
    }
    IntersectMembers(c, members, out, bParallel, [](IntPnt& rec, int member) {
        rec.subSeg1 = 1;
        rec.subSeg2 = rec.seg2;
        rec.seg2 = member;
    });
    return out->GetSize() > 0 ? 1 : 0;
}

}  // namespace

int LineComCurve(CGeLine* c, CGeCombCurve* comb, IntPntArray* out, int bParallel)
{
    return SimpleComCurve(c, comb, out, bParallel);
}

int ArcComCurve(CGeArc* c, CGeCombCurve* comb, IntPntArray* out, int bParallel)
{
    return SimpleComCurve(c, comb, out, bParallel);
}

int CirComCurve(CGeCircle* c, CGeCombCurve* comb, IntPntArray* out, int bParallel)
{
    return SimpleComCurve(c, comb, out, bParallel);
}

int EllComCurve(CGeEllipse* c, CGeCombCurve* comb, IntPntArray* out, int bParallel)
{
    return SimpleComCurve(c, comb, out, bParallel);
}

int BezComCurve(CGeBezier* c, CGeCombCurve* comb, IntPntArray* out, int bParallel)
{
    return SimpleComCurve(c, comb, out, bParallel);
}

int PLineComCurve(CGePolyline* c, CGeCombCurve* comb, IntPntArray* out, int bParallel)
{
    return SimpleComCurve(c, comb, out, bParallel);
}

int ComCurveComCurve(CGeCombCurve* c1, CGeCombCurve* c2, IntPntArray* out, int bParallel)
{
    if (!c1 || !c2 || !out || c1 == c2 || !BoxesMeet(c1, c2)) return 0;
    const std::vector<CGeCurve*> first = MembersOf(c1);
    const std::vector<CGeCurve*> second = MembersOf(c2);
    if (bParallel) {
        Prepare(c1);
        Prepare(c2);
    }
    // Every member pair in one pass (one parallel region), the first
    // composite's members outermost.
    const long n1 = static_cast<long>(first.size()), n2 = static_cast<long>(second.size());
    const int team = bParallel ? ParallelTeam(n1 * n2, kParallelMinMembers) : 1;
    CollectInOrder(n1 * n2, team, out, [&](long k, auto& push) {
        IntPntArray found;  // allocates only for a member that gives records
        CurveCurve(first[static_cast<size_t>(k / n2)], second[static_cast<size_t>(k % n2)], &found, 0);
        for (INT_PTR r = 0; r < found.GetSize(); ++r) {
            IntPnt rec = found[r];
            rec.subSeg1 = rec.seg1;
            rec.subSeg2 = rec.seg2;
            rec.seg1 = static_cast<int>(k / n2) + 1;
            rec.seg2 = static_cast<int>(k % n2) + 1;
            push(rec);
        }
    });
    return out->GetSize() > 0 ? 1 : 0;
}

int CurveLoop(CGeCurve* c, CGeLoop* loop, IntPntArray* out, int bParallel)
{
    if (!c || !loop || !out || !BoxesMeet(c, loop)) return 0;
    const INT_PTR before = out->GetSize();
    const std::vector<CGeCurve*> members = MembersOf(loop);
    if (bParallel) {
        Prepare(c);
        Prepare(loop);
    }
    // Segment 1 and sub-segment 1 stay as the member intersection gave them:
    // a composite c has already named its own member there.
    IntersectMembers(c, members, out, bParallel, [](IntPnt& rec, int member) {
        rec.subSeg2 = rec.seg2;
        rec.seg2 = member;
    });
    return out->GetSize() > before ? 1 : 0;
}

int CurveLoopList(CGeCurve* c, CTypedPtrList<CObList, CGeLoop*>* loops, IntPntArray* out)
{
    if (!loops || loops->IsEmpty() || !out) return 0;
    const INT_PTR before = out->GetSize();
    for (CGeLoop* loop : *loops)
        if (loop) CurveLoop(c, loop, out, 0);
    return out->GetSize() > before ? 1 : 0;
}

int CurveRegion(CGeCurve* c, CGeRegion* region, IntPntArray* out)
{
    if (!c || !region || !out || !BoxesMeet(c, region)) return 0;
    const INT_PTR before = out->GetSize();
    IntPntArray found;
    for (CGeLoop* loop : region->GetLoopList()) {
        if (!loop) continue;
        found.RemoveAll();
        CurveLoop(c, loop, &found, 0);
        for (INT_PTR r = 0; r < found.GetSize(); ++r) out->Add(found[r]);
    }
    return out->GetSize() > before ? 1 : 0;
}

int LoopLoop(CGeLoop* l1, CGeLoop* l2, IntPntArray* out)
{
    if (!l1 || !l2 || !out || l1->IsEmpty() || l2->IsEmpty()) return 0;
    for (CGeCurve* m1 : l1->GetCurveList()) {
        if (!m1) continue;
        for (CGeCurve* m2 : l2->GetCurveList())
            if (m2) CurveCurve(m1, m2, out, 0);
    }
    return out->GetSize() > 0 ? 1 : 0;
}

}  // namespace QVN_GeCC_Inter
