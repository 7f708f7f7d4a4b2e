#include "toolpath/milling/MillGen.h"

#include "framework/looker/Tool.h"
#include "framework/numerak/Box3D.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeGroup3d.h"
#include "geometry/shapes3d/GeMesh.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/milling/CheckModel.h"
#include "toolpath/milling/MillConst.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <limits>
#include <map>
#include <vector>

namespace {

// Squared distance of p from segment a-b in XY, or in 3D from a when a-b is degenerate.
double PointSegDist2(const double* a, const double* b, const double* p)
{
    double d;
    return SegPointDist2XY(a, b, p, d) ? d : P3D_Dist2(p, a);
}

void Ends(CNcPline* s, double* first, double* last)
{
    s->GetStartPoint(first);
    s->GetEndPoint(last);
}

}  // namespace

CMillGen::~CMillGen()
{
    delete model;
    delete tool;
    FreeScanLines();
    geDelRegionList(&regions, false);
}

void MeshListBox(CGeMeshList* meshes, BOX3<double>& box)
{
    if (!meshes || meshes->IsEmpty()) return;
    bool first = true;
    for (CGeMesh* m : *meshes) {
        if (!m) continue;
        BOX3<double> b;
        m->GetBox(&b);
        if (first)
            box = b;
        else
            box.Union(b);
        first = false;
    }
}

int CMillGen::BuildCheckModel(CGeMeshList* meshes, double allowance) { return BuildModel(meshes, allowance, false); }

int CMillGen::BuildRotaryCheckModel(CGeMeshList* meshes, double allowance)
{
    return BuildModel(meshes, allowance, true);
}

int CMillGen::BuildModel(CGeMeshList* meshes, double allowance, bool radial)
{
    if (!meshes || meshes->IsEmpty()) return 0;
    delete model;
    model = new CCheckModel();
    const double share = 1.0 / double(meshes->GetCount());
    for (CGeMesh* m : *meshes) {
        if (progress) progress->SetRange(share);
        if (!m) continue;
        std::unique_ptr<CGeMesh> inflated;
        if (allowance > mill::kMinAllowance) {
            inflated.reset(static_cast<CGeMesh*>(m->Copy()));
            if (radial)
                inflated->InflateRadial(float(allowance));
            else
                inflated->InflateNC(float(allowance));
        }
        auto check = std::make_unique<CCheckMesh>();
        // A mesh that fails is freed with its inflated copy; the model keeps the others.
        if (!check->Init(inflated ? inflated.get() : m)) return 0;
        model->AddMesh(check.release());
    }
    return 1;
}

void CMillGen::FreeScanLines()
{
    for (CScanLine*& l : scanLines) {
        delete l;
        l = nullptr;
    }
}

void CMillGen::BuildScanLines()
{
    if (regions.IsEmpty()) return;
    CPocketLine builder;
    for (CGeRegion* r : regions)
        if (r) builder.m_listRegion.AddTail(static_cast<CGeRegion*>(r->Copy()));
    builder.SetScanBorderFlag(1);
    builder.SetAngle(0.0);
    builder.SetInterval(stepOver);
    builder.BuildAllScanLine();
    FreeScanLines();
    scanLines = builder.m_scanLines;
    builder.m_scanLines.clear();
}

void PlineGrpCalcBox(CNcPlineGrp& list)
{
    list.box.InitEmpty();
    for (CNcPline* s : list)
        if (s && !s->IsEmpty()) list.box.Union(s->box);
}

int LiftStringsOnModel(double tol, CNcPlineGrp& list, CCheckModel* model)
{
    PlineGrpCalcBox(list);
    for (CNcPline* s : list) {
        if (!s || !model) continue;
        BOX2<double> b(s->box.xmin, s->box.ymin, s->box.xmax, s->box.ymax);
        if (tol > b.xmax - b.xmin || tol > b.ymax - b.ymin) b.Inflate(10 * tol);
        model->Mark_Box2D(b);
        s->VerifyMillPath(model, tol, 2);
    }
    return 1;
}

int SegPointDist2XY(const double* a, const double* b, const double* p, double& out)
{
    const double ab[2] = {b[0] - a[0], b[1] - a[1]};
    const double len2 = ab[0] * ab[0] + ab[1] * ab[1];
    if (len2 < 1e-10) return 0;
    const double t = ((p[0] - a[0]) * ab[0] + (p[1] - a[1]) * ab[1]) / len2;
    double foot[2];
    if (t < 1e-12)
        foot[0] = a[0], foot[1] = a[1];
    else if (t > 0.999999999999)
        foot[0] = b[0], foot[1] = b[1];
    else
        foot[0] = a[0] + t * ab[0], foot[1] = a[1] + t * ab[1];
    out = (p[0] - foot[0]) * (p[0] - foot[0]) + (p[1] - foot[1]) * (p[1] - foot[1]);
    return 1;
}

namespace {

// Whether the candidate (ends p0, p1) lies within sqrt(d2) of a string of the list, by
// the four end-to-segment distances in the frame's order.
bool NearAnyOf(const std::vector<CNcPline*>& strings, const double* p0, const double* p1, double d2)
{
    for (CNcPline* s : strings) {
        double s0[3], s1[3];
        Ends(s, s0, s1);
        if (PointSegDist2(p0, p1, s0) < d2 || PointSegDist2(p0, p1, s1) < d2 || PointSegDist2(s0, s1, p0) < d2 ||
            PointSegDist2(s0, s1, p1) < d2)
            return true;
    }
    return false;
}

double NearDistance(double stepOver, CTool* callerTool)
{
    const double dia = callerTool ? callerTool->GetDia() : 0.0;
    return std::min(2 * stepOver, 1.5 * dia);
}

// The area's strings by scan line with the position of each line's first string: a
// candidate is compared only with the strings of the lines 1 and 2 away, which is all
// IsNearArea's walk over the area counts, and a string joins in front of the first
// string of the lowest line at or above its own, as the walk from the head finds it
// in an area ordered by line.
struct AreaLine {
    std::vector<CNcPline*> strings;
    POSITION first = nullptr;
};
using AreaLines = std::map<int, AreaLine>;

bool NearAreaLines(const AreaLines& lines, CNcPline* candidate, double d)
{
    double p0[3], p1[3];
    Ends(candidate, p0, p1);
    for (int off : {-2, -1, 1, 2}) {
        const auto it = lines.find(candidate->lineId + off);
        if (it != lines.end() && NearAnyOf(it->second.strings, p0, p1, d * d)) return true;
    }
    return false;
}

}  // namespace

int CMillGen::IsNearArea(CNcPlineGrp& area, CTool* callerTool, CNcPline* candidate)
{
    const double d = NearDistance(stepOver, callerTool);
    double p0[3], p1[3];
    Ends(candidate, p0, p1);
    std::vector<CNcPline*> one(1);
    for (POSITION pos = area.GetTailPosition(); pos;) {
        CNcPline* s = area.GetPrev(pos);
        const int gap = std::abs(candidate->lineId - s->lineId);
        if (gap != 1 && gap != 2) continue;
        one[0] = s;
        if (NearAnyOf(one, p0, p1, d * d)) return 1;
    }
    return 0;
}

void CMillGen::GrowArea(BOX3<double>& areaBox, CNcPlineGrp& area, CNcPlineGrp& remaining, CTool* callerTool)
{
    const double dia = callerTool ? callerTool->GetDia() : 0.0;
    const double tol = 2 * std::max(2 * stepOver, 1.5 * dia);
    const double d = NearDistance(stepOver, callerTool);
    AreaLines lines;
    bool ordered = true;
    int last = std::numeric_limits<int>::min();
    for (POSITION pos = area.GetHeadPosition(); pos;) {
        const POSITION cur = pos;
        CNcPline* s = area.GetNext(pos);
        AreaLine& l = lines[s->lineId];
        if (!l.first) l.first = cur;
        l.strings.push_back(s);
        ordered = ordered && s->lineId >= last;
        last = s->lineId;
    }
    bool moved = true;
    while (moved && !remaining.IsEmpty()) {
        moved = false;
        for (POSITION pos = remaining.GetHeadPosition(); pos;) {
            const POSITION cur = pos;
            CNcPline* s = remaining.GetNext(pos);
            if (!BOX3D_IsInt(&s->box, &areaBox, tol) || !NearAreaLines(lines, s, d)) continue;
            BOX3D_Union(&areaBox, &s->box, &areaBox);
            POSITION at = nullptr;
            if (ordered) {
                const auto above = lines.lower_bound(s->lineId);
                at = above == lines.end() ? nullptr : above->second.first;
            } else {
                at = area.GetHeadPosition();
                while (at && area.GetAt(at)->lineId < s->lineId) area.GetNext(at);
            }
            const POSITION placed = at ? area.InsertBefore(at, s) : area.AddTail(s);
            AreaLine& l = lines[s->lineId];
            if (!l.first || at == l.first) l.first = placed;
            l.strings.push_back(s);
            remaining.RemoveAt(cur);
            moved = true;
        }
    }
}

void MoveStrings(CNcPlineList& from, CNcPlineList& to)
{
    while (!from.IsEmpty()) to.AddTail(from.RemoveHead());
}

void TakeLineStrings(CNcPlineList& from, CNcPlineList& to)
{
    if (from.IsEmpty()) return;
    const int id = from.GetHead()->lineId;
    while (!from.IsEmpty() && from.GetHead()->lineId == id) to.AddTail(from.RemoveHead());
}

CNcPline* ExtractMinXString(CNcPlineList& list)
{
    double best = 1e10;
    POSITION bestPos = nullptr;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const POSITION cur = pos;
        CNcPline* s = list.GetNext(pos);
        double a[3], b[3];
        if (!s->GetStartPoint(a) || !s->GetEndPoint(b)) continue;
        const double x = std::min(a[0], b[0]);
        if (x < best) best = x, bestPos = cur;
    }
    if (!bestPos) bestPos = list.GetHeadPosition();
    if (!bestPos) return nullptr;
    CNcPline* s = list.GetAt(bestPos);
    list.RemoveAt(bestPos);
    return s;
}

void SortLineByX(CNcPlineList& list)
{
    if (list.GetCount() < 2) return;
    CNcPlineList sorted;
    while (!list.IsEmpty()) sorted.AddTail(ExtractMinXString(list));
    MoveStrings(sorted, list);
}

void OrderAreaByLines(CNcPlineGrp& area)
{
    CNcPlineList result;
    while (!area.IsEmpty()) {
        CNcPlineList line;
        TakeLineStrings(area, line);
        SortLineByX(line);
        MoveStrings(line, result);
    }
    MoveStrings(result, area);
}

namespace {

// The string of line L + 1 after q nearest to q's end (the later one on ties), not
// blocked by a string of line L lying between them in X; null when none.
POSITION FindLink(CNcPlineGrp& area, POSITION qPos, int line, bool reversed, double linkDist)
{
    CNcPline* q = area.GetAt(qPos);
    double end[3];
    q->GetEndPoint(end);
    double best = linkDist;
    POSITION bestPos = nullptr;
    POSITION pos = qPos;
    area.GetNext(pos);
    while (pos) {
        const POSITION cur = pos;
        CNcPline* c = area.GetNext(pos);
        if (c->lineId > line + 1) break;
        if (c->lineId != line + 1) continue;
        double first[3], last[3];
        Ends(c, first, last);
        const double* p = reversed ? last : first;
        const double d = std::hypot(p[0] - end[0], p[1] - end[1]);
        if (d > best) continue;
        // Walking back towards q: a string of line L overlapping the candidate in X blocks it.
        bool blocked = false;
        for (POSITION back = cur; back;) {
            CNcPline* s = area.GetPrev(back);
            if (s == c || s->lineId == line + 1) continue;
            if (s == q || s->lineId < line) break;
            double s0[3], s1[3];
            Ends(s, s0, s1);
            if (last[0] > s0[0] && first[0] < s1[0]) {
                blocked = true;
                break;
            }
        }
        if (blocked) continue;
        best = d;
        bestPos = cur;
    }
    return bestPos;
}

}  // namespace

int LinkAreaStrings(CCheckModel* model, CNcPlineGrp& area, double linkDist)
{
    if (!model) return 1;
    const double step = std::min(model->checkStep, 1.0);
    const double r = model->Tool() ? model->Tool()->GetDia() / 2 : 0.0;
    for (POSITION qPos = area.GetHeadPosition(); qPos; area.GetNext(qPos)) {
        CNcPline* q = area.GetAt(qPos);
        bool reversed = true;
        int line = q->lineId;
        while (true) {
            const POSITION cPos = FindLink(area, qPos, line, reversed, linkDist);
            if (!cPos) break;
            CNcPline* c = area.GetAt(cPos);
            area.RemoveAt(cPos);
            if (reversed) c->Reverse();
            // Connector from q's end to c's start, densified and lifted keeping its
            // sample heights interpolated (it must not dive to the bottom between passes).
            CNcPline link;
            link.liftMode = 2;
            auto* a = new CNcPoint(*q->GetTail());
            auto* b = new CNcPoint(*c->GetHead());
            a->axis.reset(), b->axis.reset();
            a->contact = b->contact = kContactVertex;
            a->w = a->z, b->w = b->z;
            link.AddTail(a);
            link.AddTail(b);
            link.InsPoint(step);
            BOX2<double> box(std::min(a->x, b->x) - r, std::min(a->y, b->y) - r, std::max(a->x, b->x) + r,
                             std::max(a->y, b->y) + r);
            model->Mark_Box2D(box);
            link.VerifyMillPath(model, mill::kLineTol, 2);
            const double qz = q->GetTail()->z, cz = c->GetHead()->z;
            if (std::fabs(link.GetHead()->z - qz) <= mill::kLinkZSame) DeleteNcPoint(link.RemoveHead());
            if (!link.IsEmpty() && std::fabs(link.GetTail()->z - cz) <= mill::kLinkZSame)
                DeleteNcPoint(link.RemoveTail());
            q->AddTail(&link);
            link.RemoveAll();
            q->AddTail(c);
            c->RemoveAll();
            line = c->lineId;  // the search goes on from c's line; q keeps its own id
            DeleteNcPline(c);
            reversed = !reversed;
        }
    }
    return 1;
}

int PlinesToGroup3d(CNcPlineList& strings, CGeGroup3d* group)
{
    if (!group) return 1;
    std::unique_ptr<CGeCombCurve3d> comb;
    double prevEnd[3] = {0, 0, 0};
    for (CNcPline* s : strings) {
        if (!s || s->GetCount() < 2) continue;
        CGePolyline3d* pl = s->ConvertTo();
        if (!pl) continue;
        double start[3];
        pl->GetStartPoint(start);
        if (comb && std::sqrt(P3D_Dist2(start, prevEnd)) > mill::kJoinDist) {
            group->m_listCurve.AddTail(comb.release());
        }
        if (!comb) comb = std::make_unique<CGeCombCurve3d>();
        pl->GetEndPoint(prevEnd);
        comb->AddTail(pl);
    }
    if (comb && !comb->IsEmpty()) group->m_listCurve.AddTail(comb.release());
    return 1;
}
