// The exported loop functions over the geometry library's loops and regions.
#include "toolpath/contours/LoopApi.h"

#include "framework/looker/QVGlobal.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeCircle.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeRegion.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/BoxPairs.h"
#include "toolpath/contours/LoopChain.h"
#include "toolpath/contours/SmartConst.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

using namespace smart;

namespace {

// Lean's angle limit, 170 degrees.
constexpr double kLeanAngle = 2.9670597283898;
constexpr double kTwoPi = 2 * std::numbers::pi;

bool Finite(const double* p) { return std::isfinite(p[0]) && std::isfinite(p[1]); }

// Sections of the loop's members by kind (2 line, 4 arc, 8 circle, 64 polyline; others
// skipped); circleSense 1 runs circles counter-clockwise, 0 by their direction flag.
// Null when nothing converts or a coordinate is not finite.
std::unique_ptr<CSmartCurve> MembersToCurve(CGeLoop& loop, bool circlesCcw)
{
    auto c = std::make_unique<CSmartCurve>();
    bool finite = true;
    // Sections have their boxes from their constructors.
    auto add = [&](CSmartSect* s) {
        finite = finite && std::isfinite(s->box[0]) && std::isfinite(s->box[1]) && std::isfinite(s->box[2]) &&
                 std::isfinite(s->box[3]);
        c->AddSect(s);
    };
    auto line = [&](const double* p, const double* q) {
        if (!Finite(p) || !Finite(q)) {
            finite = false;
            return;
        }
        if (p[0] != q[0] || p[1] != q[1])  // zero-length members have no direction
            add(new CSmartLine(p, q));
    };
    for (POSITION pos = loop.GetCurveList().GetHeadPosition(); pos;) {
        CGeCurve* m = loop.GetCurveList().GetNext(pos);
        if (!m)
            continue;
        double p[2], q[2];
        switch (m->GetType()) {
        case 2:
            m->GetStartPoint(p);
            m->GetEndPoint(q);
            line(p, q);
            break;
        case 4: {
            auto* a = static_cast<CGeArc*>(m);
            a->GetCenter(p);
            // GetEndAngle is the start angle plus the sweep: one arc tangent for both.
            const double r = a->GetRadius(), a0 = a->GetStartAngle(), a1 = a0 + a->GetSweep();
            if (!Finite(p) || !std::isfinite(r) || !std::isfinite(a0) || !std::isfinite(a1))
                finite = false;
            else if (r > 0 && a0 != a1)
                add(new CSmartArc(p, r, a0, a1));
            break;
        }
        case 8: {
            auto* ci = static_cast<CGeCircle*>(m);
            ci->GetCenter(p);
            const double r = ci->GetRadius();
            const bool ccw = circlesCcw || ci->GetDirection() == 1;
            if (!Finite(p) || !std::isfinite(r))
                finite = false;
            else if (r > 0)
                add(new CSmartArc(p, r, ccw ? 0.0 : kTwoPi, ccw ? kTwoPi : 0.0));
            break;
        }
        case 64: {
            auto* pl = static_cast<CGePolyline*>(m);
            const int n = pl->GetSegmentCount();
            for (int i = 0; i < n; ++i) {
                pl->GetPoint(i, p);
                pl->GetPoint(i + 1, q);
                line(p, q);
            }
            break;
        }
        default:
            break;
        }
    }
    if (!finite || !c->head)
        return nullptr;
    return c;
}

// The list functions' conversion: a copy of the loop (the caller's loop stays as it is),
// leaned when `lean`, to a curve, or null.
std::unique_ptr<CSmartCurve> CopiedCurve(CGeLoop* loop, bool lean)
{
    if (!loop || loop->GetCurveList().IsEmpty())
        return nullptr;
    std::unique_ptr<CGeLoop> copy(static_cast<CGeLoop*>(loop->Copy()));
    if (!copy)
        return nullptr;
    if (lean)
        copy->Lean(2 * gGetCrvDiscTol(), kLeanAngle);
    return MembersToCurve(*copy, true);
}

CSmartLoop* FormedLoops(std::unique_ptr<CSmartCurve> c)
{
    if (!c)
        return nullptr;
    c->ConnectAllSect();
    c->DefineBox();
    c->AutoInters(0);
    c->AutoDepart(0);
    return c->FormLoop();
}

// The loops a list loop forms once its self-crossings are split: a chain, or null. A loop
// thinner than the thinning tolerance collapses when leaned; it is taken as it is then,
// so that a sliver island still grows.
CSmartLoop* FormedLoops(CGeLoop* loop)
{
    if (CSmartLoop* formed = FormedLoops(CopiedCurve(loop, true)))
        return formed;
    return FormedLoops(CopiedCurve(loop, false));
}

CGeLoop* ContourToGeLoop(CSmartCurve* c)
{
    auto loop = std::make_unique<CGeLoop>();
    for (CSmartSect* s = c ? c->head : nullptr; s; s = s->next) {
        if (s->IsSectLine()) {
            auto* l = static_cast<CSmartLine*>(s);
            loop->AddTail(new CGeLine(l->start, l->end), 0);
        } else if (s->IsSectArc()) {
            auto* a = static_cast<CSmartArc*>(s);
            auto arc = std::make_unique<CGeArc>();
            if (arc->CreateCSEAngle(a->centre, a->radius, a->startAngle, a->endAngle))
                loop->AddTail(arc.release(), 0);
        }
    }
    if (loop->GetCurveList().IsEmpty())
        return nullptr;
    // The box once at the end: adding with a box update goes over every member each time.
    loop->CalcBox2d();
    return loop.release();
}

void AddContour(CSmartCurve* c, GeLoopList* out)
{
    if (CGeLoop* g = ContourToGeLoop(c))
        out->AddTail(g);
}

DVN_CornerType ApiCorner(int type) { return {type, kApiSharpLimitType0, kApiSharpLimitAll}; }

// The regions of a list as outer loops with islands, overlapping regions united and every
// loop tagged `tag`.
CSmartLoop* RegionsToTree(GeRegionList* list, int tag)
{
    CSmartLoop* chain = nullptr;
    for (POSITION pos = list->GetHeadPosition(); pos;)
        CSmartLoop::AppendChain(chain, ConvertRegionToSmartLoop(list->GetNext(pos)));
    std::vector<CSmartLoop*> loops = TakeChain(CSmartLoop::BuildContour(LinkChain(TakeChain(chain))));
    // Loops of one list are not cut at each other's crossings; overlapping ones are united
    // here so that the operation sees each list as one region. Boxes that merely touch
    // (islands in a fjord's box) leave the loops as they are, in the weld's order.
    const auto boxes = LoopBoxes(loops);
    const bool overlap = ForSelfBoxPairs(BoxPointers(boxes), kJoint, {}, [](int, int) { return true; });
    for (std::size_t i = 0; i < loops.size(); ++i)
        loops[i]->tag = static_cast<int>(i) + 1;
    CSmartLoop* tree = overlap ? WeldApartRegions(loops) : LinkChain(loops);
    for (CSmartLoop* L = tree; L; L = L->next)
        L->tag = tag;
    return tree;
}

}  // namespace

CSmartLoop* ConvertRegionToSmartLoop(CGeRegion* region)
{
    if (!region || region->IsEmpty())
        return nullptr;
    CSmartLoop* first = nullptr;
    CSmartLoop* last = nullptr;  // first's last island
    for (POSITION pos = region->GetLoopList().GetHeadPosition(); pos;) {
        CGeLoop* g = region->GetLoopList().GetNext(pos);
        if (!g || g->GetCurveList().IsEmpty())
            continue;
        std::unique_ptr<CSmartCurve> c = MembersToCurve(*g, false);
        if (!c)
            continue;
        // UpdateSect without boxing every section again: they have their boxes from their
        // constructors, and the joints ConnectAllSect moves are boxed anew by it.
        auto* L = new CSmartLoop;
        L->contour = c.release();
        L->contour->ConnectAllSect();
        L->contour->DefineBox(L->contour->box, L->contour->box + 2);
        L->Area();
        L->DefineBox();
        if (!first)
            first = L;
        else
            AppendIsland(first, L, last);
    }
    return first;
}

void ConverSmartLoopToGeLoopList(CSmartLoop* chain, GeLoopList* out)
{
    if (!out)
        return;
    for (CSmartLoop* L = chain; L; L = L->next) {
        AddContour(L->contour, out);
        for (CSmartLoop* i = L->islands; i; i = i->next)
            AddContour(i->contour, out);
    }
}

void acRefineGeLoopList(GeLoopList* in, GeLoopList* out)
{
    if (!in || in->IsEmpty() || !out)
        return;
    CSmartLoop* chain = nullptr;
    for (POSITION pos = in->GetHeadPosition(); pos;)
        CSmartLoop::AppendChain(chain, FormedLoops(in->GetNext(pos)));
    ConverSmartLoopToGeLoopList(chain, out);
    CSmartLoop::DeleteLoopChain(chain);
}

void acGeLoopListOffsetEx(GeLoopList* in, double d, int cornerType, int, GeLoopList* out)
{
    if (!in || in->IsEmpty() || !out)
        return;
    DVN_CornerType corner = ApiCorner(cornerType);
    for (POSITION pos = in->GetHeadPosition(); pos;) {
        CSmartLoop* formed = FormedLoops(in->GetNext(pos));
        if (!formed)
            continue;
        CSmartLoop* R = formed->OffsetLoop(d, corner);
        if (R)
            AddContour(R->contour, out);
        CSmartLoop::DeleteLoopChain(R);
        CSmartLoop::DeleteLoopChain(formed);
    }
}

void acGeLoopListOffset(GeLoopList* in, double d, int cornerType, int mode, GeLoopList* out)
{
    if (!in || in->IsEmpty() || !out)
        return;
    DVN_CornerType corner = ApiCorner(cornerType);
    CSmartLoop* chain = nullptr;
    for (POSITION pos = in->GetHeadPosition(); pos;)
        CSmartLoop::AppendChain(chain, FormedLoops(in->GetNext(pos)));
    if (!chain)
        return;
    CSmartLoop* T = CSmartLoop::BuildContour(chain);
    const double dd[2] = {d, d};
    CSmartLoop* R = CSmartLoop::OffsetContourList(T, mode, dd, corner);
    for (CSmartLoop* L = R; L; L = L->next) {
        for (CSmartLoop* i = L->islands; i; i = i->next)
            AddContour(i->contour, out);
        AddContour(L->contour, out);
    }
    CSmartLoop::DeleteLoopChain(R);
    CSmartLoop::DeleteLoopChain(T);
}

void acGeLoopBool(GeRegionList* a, GeRegionList* b, int op, GeLoopList* out)
{
    if (!a || !b || a->IsEmpty() || b->IsEmpty() || !out || (op != 0 && op != 1 && op != 3))
        return;
    CSmartLoop* A = RegionsToTree(a, 1);
    CSmartLoop* B = RegionsToTree(b, 2);
    CSmartLoop* R = nullptr;
    if (op == 0) {
        R = CSmartLoop::SubtractContours(A, B);
    } else if (op == 1 && (!A || !B)) {
        CSmartLoop::DeleteLoopChain(A);
        CSmartLoop::DeleteLoopChain(B);
    } else {
        CSmartLoop::AppendChain(A, B);
        R = op == 1 ? CSmartLoop::IntersectLoop(A) : CSmartLoop::WeldContours(A);
    }
    ConverSmartLoopToGeLoopList(R, out);
    CSmartLoop::DeleteLoopChain(R);
}
