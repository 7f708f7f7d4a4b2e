#include "toolpath/milling/CheckModel.h"

#include "framework/looker/Tool.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/milling/MillConst.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

double Lo(const BOX3<double>& b, int axis) { return axis == 0 ? b.xmin : axis == 1 ? b.ymin : b.zmin; }
double Hi(const BOX3<double>& b, int axis) { return axis == 0 ? b.xmax : axis == 1 ? b.ymax : b.zmax; }

bool MeetsXY(const BOX3<double>& e, const BOX2<double>& b, double tol)
{
    return box_detail::Overlap(e.xmin, e.xmax, b.xmin, b.xmax, tol) &&
           box_detail::Overlap(e.ymin, e.ymax, b.ymin, b.ymax, tol);
}

// Narrows one mesh's calling-thread list: active := the marked elements that pass
// keep, in marked order, visiting through an index over the marked set only those
// whose range on axis may meet [a, b].
template <class Keep>
void NarrowMesh(CCheckMesh& m, CMeshAccel& acc, int axis, double a, double b, Keep keep)
{
    for (int kind = 0; kind < 3; ++kind) {
        CMeshAccel::List& l = acc.lists[kind];
        const int n = l.markedCount;
        if (n < mill::SpanIndex::kMinIndexed) {
            int k = 0;
            for (int i = 0; i < n; ++i)
                if (keep(m.ElementBox(kind, l.marked[size_t(i)]))) l.active[size_t(k++)] = l.marked[size_t(i)];
            l.activeCount = k;
            continue;
        }
        mill::SpanIndex& idx = l.index[axis];
        if (!idx.Built()) {
            l.scratch.resize(size_t(n));
            std::iota(l.scratch.begin(), l.scratch.end(), 0);
            const auto lo = [&](int pos) { return Lo(m.ElementBox(kind, l.marked[size_t(pos)]), axis); };
            const auto hi = [&](int pos) { return Hi(m.ElementBox(kind, l.marked[size_t(pos)]), axis); };
            idx.Build(l.scratch.data(), n, lo, hi);
        }
        l.scratch.clear();
        idx.Visit(a, b, [&](int pos) {
            if (keep(m.ElementBox(kind, l.marked[size_t(pos)]))) l.scratch.push_back(pos);
        });
        // Back to marked order, so the candidates are what a plain scan keeps.
        std::sort(l.scratch.begin(), l.scratch.end());
        for (size_t i = 0; i < l.scratch.size(); ++i) l.active[i] = l.marked[size_t(l.scratch[i])];
        l.activeCount = int(l.scratch.size());
    }
}

}  // namespace

CCheckModel::CCheckModel() = default;

CCheckModel::CCheckModel(CCheckModel* src)
    : checkStep(src->checkStep), resetHeight(src->resetHeight), top(src->top), bottom(src->bottom),
      rotaryAngle(src->rotaryAngle), rotaryRadius(src->rotaryRadius), rotaryMode(src->rotaryMode),
      copyFlag(src->copyFlag)
{
    for (auto& m : src->meshes)
        if (m) meshes.push_back(std::make_unique<CCheckMesh>(m.get()));
    if (src->tool) tool.reset(src->tool->Copy());
}

CCheckModel::~CCheckModel() = default;

void CCheckModel::SetTool(CTool* t)
{
    tool.reset(t ? t->Copy() : nullptr);
    if (tool) tool->SetAidParam();
    for (auto& m : meshes)
        if (m) m->SetTool(tool.get());
    BOX3<double> b;
    if (tool && GetBox(b)) {
        top = b.zmax;
        bottom = b.zmin;
    }
}

void CCheckModel::SetMillDepth(double topZ, double bottomZ)
{
    top = topZ;
    bottom = bottomZ;
}

int CCheckModel::GetBox(BOX3<double>& out)
{
    if (!tool || meshes.empty()) return 0;
    BOX3<double> b;
    b.InitEmpty();
    for (auto& m : meshes)
        if (m) b.Union(m->box);
    out = b;
    return 1;
}

void CCheckModel::RotateByZAxis(double angle)
{
    const double c = std::cos(angle), s = std::sin(angle);
    for (auto& m : meshes)
        if (m) m->RotateByZAxis(c, s);
}

int CCheckModel::RotateByXAxis(double angle)
{
    for (auto& m : meshes) {
        if (!m) break;
        m->RotateByXAxis(angle);
        if (tool) m->RenewAfterTurn(tool.get());
    }
    rotaryAngle += angle;
    return 1;
}

int CCheckModel::MoveModel(double dx, double dy, double dz)
{
    for (auto& m : meshes) {
        if (!m) break;
        m->MoveCheck(dx, dy, dz);
    }
    return 1;
}

void CCheckModel::InitAccel(int n)
{
    for (auto& m : meshes)
        if (m) m->InitAccel(n);
}

void CCheckModel::ClearAccel()
{
    for (auto& m : meshes)
        if (m) m->ClearAccel();
}

void CCheckModel::ClearMesh() { meshes.clear(); }

void CCheckModel::AddMesh(CCheckMesh* mesh)
{
    if (mesh) meshes.emplace_back(mesh);
}

int CCheckModel::LiftZ(CNcPoint& p)
{
    for (auto& m : meshes)
        if (m && m->GetAccel() && !(m->box.zmax < p.z)) m->LiftZ(tool.get(), p);
    return 1;
}

int CCheckModel::LiftZ(double* p)
{
    for (auto& m : meshes)
        if (m && m->GetAccel() && !(m->box.zmax < p[2])) m->LiftZ(tool.get(), p);
    return 1;
}

int CCheckModel::ProjectPoint(double x, double y, double& z)
{
    int raised = 0;
    for (auto& m : meshes)
        if (m && m->ProjectPoint(x, y, z)) raised = 1;
    return raised;
}

CNcPline* CCheckModel::CreateLinePath(const double* p0, const double* p1, double tol)
{
    auto s = std::make_unique<CNcPline>();
    s->Init(p0, p1, checkStep);
    const int ok = p1[1] != p0[1] ? s->VerifyMillPath(this, tol, 1) : s->IsoY_VerifyMillPath(this, tol);
    return ok ? s.release() : nullptr;
}

CCheckModel* CCheckModel::CreateSubModel(double x, CCheckModel* out)
{
    if (!out) return nullptr;
    const double r = tool ? tool->GetDia() / 2 : 0.0;
    Mark_XInterval(x - r, x + r);
    for (auto& m : meshes)
        if (m) out->AddMesh(m->CreateSubMesh(m->GetAccel()));
    if (tool && !out->tool) {
        out->tool.reset(tool->Copy());
        out->tool->SetAidParam();
    }
    BOX3<double> b;
    if (out->GetBox(b)) {
        out->top = b.zmax;
        out->bottom = b.zmin;
    }
    return out;
}

void CCheckModel::CreateIsoXCurve(double x, CTypedPtrList<CObList, CGeCurve*>* list)
{
    for (auto& m : meshes)
        if (m) m->CreateIsoXCurve(x, list);
}

// The point's y is an arc length at the rotary radius: the model turns about X until
// the point's angle lies at y = 0, the point is lifted there, and y is given back as
// the arc length of the model's new angle. The element boxes are renewed for the new
// rotation before marking, so the marking sees the turned mesh.
int CCheckModel::DefineRHeight(CNcPoint& p)
{
    double step = rotaryRadius != 0 ? p.y / rotaryRadius - rotaryAngle : 0.0;
    if (std::fabs(step) < 0.001) step = 0;
    p.y = 0;
    const double r = tool ? tool->GetDia() / 2 : 0.0;
    for (auto& m : meshes) {
        if (!m) break;
        if (step != 0) {
            m->RotateByXAxis(step);
            m->RenewAfterTurn(tool.get());
        }
        CMeshAccel* acc = m->GetAccel();
        if (!acc) continue;
        BOX3<double> b;
        b.xmin = p.x - r, b.ymin = -r, b.zmin = p.z, b.xmax = p.x + r, b.ymax = r, b.zmax = p.z;
        b.zmax = std::max(b.zmax, m->box.zmax);  // elements above the point still hold it up
        acc->ClearAll();
        for (int kind = 0; kind < 3; ++kind) {
            CMeshAccel::List& l = acc->lists[kind];
            l.scratch.clear();
            for (int i = 0; i < m->ElementCount(kind); ++i)
                if (m->ElementBox(kind, i).IsIntersect(b, mill::kMarkTol)) l.scratch.push_back(i);
            acc->SetMarked(kind, l.scratch.data(), int(l.scratch.size()));
        }
        double xyz[3] = {p.x, p.y, p.z};
        m->LiftZ(tool.get(), xyz);
        p.z = xyz[2];
    }
    rotaryAngle += step;
    p.y = rotaryAngle * rotaryRadius;
    return 1;
}

template <class Keep>
void CCheckModel::MarkNear(CCheckMesh& m, int axis, double a, double b, Keep keep)
{
    CMeshAccel* acc = m.GetAccel();
    if (!acc) return;
    for (int kind = 0; kind < 3; ++kind) {
        CMeshAccel::List& l = acc->lists[kind];
        l.scratch.clear();
        m.VisitNear(kind, axis, a, b, [&](int id) {
            if (keep(m.ElementBox(kind, id))) l.scratch.push_back(id);
        });
        // Element order, as a plain scan marks them.
        std::sort(l.scratch.begin(), l.scratch.end());
        acc->SetMarked(kind, l.scratch.data(), int(l.scratch.size()));
    }
}

void CCheckModel::Mark_Box3D(const BOX3<double>& b)
{
    for (auto& m : meshes) {
        if (!m || !m->GetAccel()) continue;
        if (!m->box.IsIntersect(b, mill::kMarkTol)) {
            m->GetAccel()->ClearAll();
            continue;
        }
        MarkNear(*m, 0, b.xmin - mill::kMarkTol, b.xmax + mill::kMarkTol,
                 [&](const BOX3<double>& e) { return e.IsIntersect(b, mill::kMarkTol); });
    }
}

void CCheckModel::Mark_Box2D(const BOX2<double>& b)
{
    for (auto& m : meshes) {
        if (!m || !m->GetAccel()) continue;
        if (!MeetsXY(m->box, b, mill::kMarkTol)) {
            m->GetAccel()->ClearAll();
            continue;
        }
        MarkNear(*m, 0, b.xmin - mill::kMarkTol, b.xmax + mill::kMarkTol,
                 [&](const BOX3<double>& e) { return MeetsXY(e, b, mill::kMarkTol); });
    }
}

void CCheckModel::Mark_IsoYLine(double y)
{
    for (auto& m : meshes) {
        if (!m || !m->GetAccel()) continue;
        m->GetAccel()->ClearAll();
        if (!(m->box.ymin <= y && y <= m->box.ymax)) continue;
        MarkNear(*m, 1, y, y, [&](const BOX3<double>& e) { return e.ymin <= y && y <= e.ymax; });
    }
}

void CCheckModel::Mark_IsoXLine(double x)
{
    for (auto& m : meshes) {
        if (!m || !m->GetAccel()) continue;
        m->GetAccel()->ClearAll();
        if (!(m->box.xmin <= x && x <= m->box.xmax)) continue;
        MarkNear(*m, 0, x, x, [&](const BOX3<double>& e) { return e.xmin <= x && x <= e.xmax; });
    }
}

void CCheckModel::Mark_XInterval(double a, double b)
{
    if (a > b) std::swap(a, b);
    for (auto& m : meshes) {
        if (!m || !m->GetAccel()) continue;
        m->GetAccel()->ClearAll();
        if (m->box.xmax < a || m->box.xmin > b) continue;
        MarkNear(*m, 0, a, b, [&](const BOX3<double>& e) { return !(e.xmax < a || e.xmin > b); });
    }
}

void CCheckModel::Mark_XIntervalEx(double a, double b)
{
    if (a > b) std::swap(a, b);
    for (auto& m : meshes) {
        if (!m || !m->GetAccel()) continue;
        CMeshAccel* acc = m->GetAccel();
        acc->ClearAll();
        if (m->box.xmax < a || m->box.xmin > b) continue;
        const auto meets = [&](const int* v, int n) {
            double lo = m->Vertex(v[0])[0], hi = lo;
            for (int k = 1; k < n; ++k) lo = std::min(lo, m->Vertex(v[k])[0]), hi = std::max(hi, m->Vertex(v[k])[0]);
            return !(hi < a || lo > b);
        };
        for (int kind = 0; kind < 3; ++kind) {
            CMeshAccel::List& l = acc->lists[kind];
            l.scratch.clear();
            for (int i = 0; i < m->ElementCount(kind); ++i) {
                const int* v = kind == 0 ? m->Triangle(i).v : kind == 1 ? m->Quad(i).v : m->Edge(i).v;
                if (meets(v, kind == 0 ? 3 : kind == 1 ? 4 : 2)) l.scratch.push_back(i);
            }
            acc->SetMarked(kind, l.scratch.data(), int(l.scratch.size()));
        }
    }
}

void CCheckModel::MarkSub_Box3D(const BOX3<double>& b)
{
    for (auto& m : meshes) {
        if (!m || !m->GetAccel()) continue;
        if (!m->box.IsIntersect(b, mill::kMarkTol)) {
            m->GetAccel()->ClearActive();
            continue;
        }
        NarrowMesh(*m, *m->GetAccel(), 0, b.xmin - mill::kNarrowTol, b.xmax + mill::kNarrowTol,
                   [&](const BOX3<double>& e) { return e.IsIntersect(b, mill::kNarrowTol); });
    }
}

void CCheckModel::MarkSub_Box2D(const BOX2<double>& b)
{
    for (auto& m : meshes) {
        if (!m || !m->GetAccel()) continue;
        if (!MeetsXY(m->box, b, mill::kMarkTol)) {
            m->GetAccel()->ClearActive();
            continue;
        }
        NarrowMesh(*m, *m->GetAccel(), 0, b.xmin - mill::kNarrowTol, b.xmax + mill::kNarrowTol,
                   [&](const BOX3<double>& e) { return MeetsXY(e, b, mill::kNarrowTol); });
    }
}

void CCheckModel::MarkSub_Interval(double a, double b, int axis)
{
    if (axis < 0 || axis > 2) return;
    if (a > b) std::swap(a, b);
    for (auto& m : meshes) {
        if (!m || !m->GetAccel()) continue;
        if (Hi(m->box, axis) < a || Lo(m->box, axis) > b) {
            m->GetAccel()->ClearActive();
            continue;
        }
        const double w = mill::kIntervalWiden;
        NarrowMesh(*m, *m->GetAccel(), axis, a - w, b + w,
                   [&](const BOX3<double>& e) { return !(Hi(e, axis) + w < a || Lo(e, axis) - w > b); });
    }
}

void CCheckModel::Mark_YInterval(double a, double b) { MarkSub_Interval(a, b, 1); }
