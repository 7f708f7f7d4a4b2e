#include "geometry/shapes3d/GeCombCurve3d.h"

#include "framework/looker/SnapRecords.h"
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Point3D.h"
#include "geometry/shapes3d/GeConvert.h"
#include "geometry/shapes3d/GeNrbCrv3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "platform/core/OwnedListArchive.h"

#include <algorithm>
#include <cmath>
#include <vector>

IMPLEMENT_SERIAL(CGeCombCurve3d, CObject, VERSIONABLE_SCHEMA | 1)

namespace {

// A transform's result as a curve; a shape of another kind is not a member.
CGeCurve3d* AsCurve(CGeShape3d* shape) { return dynamic_cast<CGeCurve3d*>(shape); }

bool IsComposite(const CGeCurve3d* c) { return c && c->GetType() == ge3con::kTypeCombCurve3d; }

// IsPlanar answers of the curves (codes of CGeCurve3d::IsPlanar).
constexpr int kNotPlanar = 0;
constexpr int kPlanar = 1;
constexpr int kStraight = 2;
constexpr int kPoint = 3;
// A direction lies in a plane when its dot product with the unit normal is at most this.
constexpr double kInPlaneDot = 1e-6;
// Sine of the angle under which two normals or directions count as parallel.
constexpr double kParallelSine = 0.001;

// The set of points the members so far span: a point p (kPoint), the line through
// p along the unit v (kStraight) or the plane through p with unit normal v (kPlanar).
struct Span {
    int code;
    double p[3];
    double v[3];

    double DistToLine(const double* q) const
    {
        double d[3], c[3];
        V3D_Sub(q, p, d);
        V3D_Cross(d, v, c);
        return V3D_Len(c);
    }
    double DistToPlane(const double* q) const
    {
        double d[3];
        V3D_Sub(q, p, d);
        return std::fabs(V3D_Dot(d, v));
    }
    // Becomes the plane through the line and q (q off the line).
    void SpanPlaneTo(const double* q)
    {
        double d[3], n[3];
        V3D_Sub(q, p, d);
        V3D_Cross(v, d, n);
        V3D_Unit(n, 1e-300);
        P3D_Copy(n, v);
        code = kPlanar;
    }

    // Adds a member's answer (b, q, w); false when the members no longer lie in a plane.
    bool Add(int b, const double* q, const double* w, double tol)
    {
        if (b == kPoint) {
            if (code == kPoint) {
                if (P3D_Dist(q, p) > tol) {
                    V3D_GenUnit(p, q, 0.0, v);
                    code = kStraight;
                }
                return true;
            }
            if (code == kStraight) {
                if (DistToLine(q) > tol) SpanPlaneTo(q);
                return true;
            }
            return DistToPlane(q) <= tol;
        }
        if (b == kStraight) {
            if (code == kPoint) {
                // The member's line; the point so far off it spans the plane through both.
                const double point[3] = {p[0], p[1], p[2]};
                *this = Span{kStraight, {q[0], q[1], q[2]}, {w[0], w[1], w[2]}};
                if (DistToLine(point) > tol) SpanPlaneTo(point);
                return true;
            }
            if (code == kStraight) {
                if (V3D_IsParallel(v, w, kParallelSine)) {
                    // Parallel lines apart span the plane through both; collinear ones stay a line.
                    if (DistToLine(q) > tol) SpanPlaneTo(q);
                    return true;
                }
                double n[3];
                V3D_Cross(v, w, n);
                V3D_Unit(n, 1e-300);
                P3D_Copy(n, v);
                code = kPlanar;
                // Skew lines do not meet the plane of the first one's direction and the second's.
                return DistToPlane(q) <= tol;
            }
            return std::fabs(V3D_Dot(v, w)) <= kInPlaneDot && DistToPlane(q) <= tol;
        }
        // b == kPlanar: the member's plane must hold everything so far.
        const Span plane{kPlanar, {q[0], q[1], q[2]}, {w[0], w[1], w[2]}};
        if (code == kPoint || code == kStraight) {
            if (code == kStraight && std::fabs(V3D_Dot(v, w)) > kInPlaneDot) return false;
            if (plane.DistToPlane(p) > tol) return false;
            P3D_Copy(w, v);
            code = kPlanar;
            return true;
        }
        return V3D_IsParallel(v, w, kParallelSine) && DistToPlane(q) <= tol;
    }
};

}  // namespace

CGeCombCurve3d::CGeCombCurve3d() = default;

CGeCombCurve3d::~CGeCombCurve3d()
{
    // Taken off the list before deletion: the typed list's iteration reads each element.
    while (!m_listCurve.IsEmpty()) delete m_listCurve.RemoveHead();
}

int CGeCombCurve3d::GetType() const { return ge3con::kTypeCombCurve3d; }

CGeCurve3d* CGeCombCurve3d::GetSubCurve(int k) const
{
    if (k < 1 || k > m_listCurve.GetCount()) return nullptr;
    for (CGeCurve3d* member : m_listCurve) {
        if (member && --k == 0) return member;
    }
    return nullptr;
}

int CGeCombCurve3d::IsLinked(double tol)
{
    CGeCurve3d* prev = nullptr;
    for (CGeCurve3d* member : m_listCurve) {
        if (!member) continue;
        if (prev) {
            double e[3] = {0.0, 0.0, 0.0}, s[3] = {0.0, 0.0, 0.0};
            prev->GetEndPoint(e);
            member->GetStartPoint(s);
            if (!(P3D_Dist(e, s) < tol)) return 0;
        }
        prev = member;
    }
    return 1;
}

void CGeCombCurve3d::AddTail(CGeCurve3d* curve)
{
    if (!curve) return;
    if (IsComposite(curve)) {
        auto* other = static_cast<CGeCombCurve3d*>(curve);
        if (other == this || other->IsEmpty()) return;
        while (!other->m_listCurve.IsEmpty()) m_listCurve.AddTail(other->m_listCurve.RemoveHead());
        delete other;
    } else {
        m_listCurve.AddTail(curve);
    }
    CalcBox();
}

void CGeCombCurve3d::AddHead(CGeCurve3d* curve)
{
    if (!curve) return;
    if (IsComposite(curve)) {
        auto* other = static_cast<CGeCombCurve3d*>(curve);
        if (other == this || other->IsEmpty()) return;
        while (!other->m_listCurve.IsEmpty()) m_listCurve.AddHead(other->m_listCurve.RemoveTail());
        delete other;
    } else {
        m_listCurve.AddHead(curve);
    }
    CalcBox();
}

void CGeCombCurve3d::SeperateComCurve()
{
    const bool nested = std::any_of(m_listCurve.begin(), m_listCurve.end(), IsComposite);
    if (!nested) return;
    CGeCurve3dList old;
    while (!m_listCurve.IsEmpty()) old.AddTail(m_listCurve.RemoveHead());
    while (!old.IsEmpty()) {
        CGeCurve3d* member = old.RemoveHead();
        if (!member) continue;
        if (!IsComposite(member)) {
            AddTail(member);
            continue;
        }
        auto* inner = static_cast<CGeCombCurve3d*>(member);
        while (!inner->m_listCurve.IsEmpty()) AddTail(inner->m_listCurve.RemoveHead());
        delete inner;
    }
}

void CGeCombCurve3d::SetExtData(int value)
{
    for (CGeCurve3d* member : m_listCurve) {
        if (!member) continue;
        member->m_nFlags = value;
        if (IsComposite(member)) {
            for (CGeCurve3d* inner : static_cast<CGeCombCurve3d*>(member)->m_listCurve)
                if (inner) inner->m_nFlags = value;
        }
    }
}

CGePolyline3d* CGeCombCurve3d::ToPLine(double tol)
{
    CStrP3D str;
    Discrete(tol, str);
    auto* pline = new CGePolyline3d;
    if (str.m_nCount >= 2) pline->Create(str.m_nCount, str.m_pPoints);
    return pline;
}

void CGeCombCurve3d::ConvertToPolyline(double tol)
{
    ReplaceMembers(
        [tol](CGeCurve3d* c) -> CGeShape3d* {
            const int type = c->GetType();
            if (type == ge3con::kTypeLine3d || type == ge3con::kTypePolyline3d) return c;
            CGePolyline3d* pline = QVN_GeConvert::ToPolyline3d(c, tol);
            if (pline) pline->m_nFlags = c->m_nFlags;
            return pline;
        },
        false);
}

void CGeCombCurve3d::ConvertArc2Nurbs()
{
    ReplaceMembers(
        [](CGeCurve3d* c) -> CGeShape3d* {
            if (c->GetType() != ge3con::kTypeArc3d) return c;
            BCRV* rec = QVN_GeConvert::ToNurbsCurve(c);
            if (!rec) return c;
            return new CGeNrbCrv3d(rec);
        },
        false);
}

void CGeCombCurve3d::Serialize(CArchive& ar)
{
    CGeCurve3d::Serialize(ar);
    if (ar.IsStoring())
        m_listCurve.Serialize(ar);
    else
        archive::LoadOwnedList(ar, m_listCurve);
}

CGeShape3d* CGeCombCurve3d::Copy()
{
    auto* copy = new CGeCombCurve3d;
    for (CGeCurve3d* member : m_listCurve) {
        if (!member) continue;
        if (CGeCurve3d* c = AsCurve(member->Copy())) copy->m_listCurve.AddTail(c);
    }
    copy->m_box = m_box;
    copy->m_nFlags = m_nFlags;
    copy->m_bClosed = m_bClosed;
    return copy;
}

void CGeCombCurve3d::CalcBox()
{
    bool first = true;
    for (CGeCurve3d* member : m_listCurve) {
        if (!member) continue;
        member->CalcBox();
        if (first)
            m_box = member->m_box;
        else
            m_box.Union(member->m_box);
        first = false;
    }
}

template <class Op>
void CGeCombCurve3d::ForEachMember(Op op)
{
    for (CGeCurve3d* member : m_listCurve)
        if (member) op(member);
    CalcBox();
}

template <class Op>
void CGeCombCurve3d::ReplaceMembers(Op op, bool keepNull)
{
    CGeCurve3dList rebuilt;
    while (!m_listCurve.IsEmpty()) {
        CGeCurve3d* member = m_listCurve.RemoveHead();
        if (!member) continue;
        CGeShape3d* shape = op(member);
        CGeCurve3d* result = AsCurve(shape);
        if (shape != member) {
            delete member;
            if (shape && !result) delete shape;
        }
        if (result || keepNull) rebuilt.AddTail(result);
    }
    while (!rebuilt.IsEmpty()) m_listCurve.AddTail(rebuilt.RemoveHead());
    CalcBox();
}

void CGeCombCurve3d::Translate(double* v)
{
    ForEachMember([=](CGeCurve3d* c) { c->Translate(v); });
}

void CGeCombCurve3d::Translate3D(double* v)
{
    ForEachMember([=](CGeCurve3d* c) { c->Translate3D(v); });
}

void CGeCombCurve3d::Rotate(double* centre, double angle)
{
    ForEachMember([=](CGeCurve3d* c) { c->Rotate(centre, angle); });
}

void CGeCombCurve3d::Rotate3D(double* point, double* axis, double angle)
{
    ForEachMember([=](CGeCurve3d* c) { c->Rotate3D(point, axis, angle); });
}

void CGeCombCurve3d::Mirror(double* p, double* q)
{
    ForEachMember([=](CGeCurve3d* c) { c->Mirror(p, q); });
}

void CGeCombCurve3d::Mirror3D(double* point, double* normal)
{
    ForEachMember([=](CGeCurve3d* c) { c->Mirror3D(point, normal); });
}

void CGeCombCurve3d::Transform(_rect_fm3d* frame)
{
    ForEachMember([=](CGeCurve3d* c) { c->Transform(frame); });
}

void CGeCombCurve3d::TransformLocal(_rect_fm3d* frame)
{
    ForEachMember([=](CGeCurve3d* c) { c->TransformLocal(frame); });
}

CGeShape3d* CGeCombCurve3d::Twist(double* point, double* axis, double angle)
{
    ReplaceMembers([=](CGeCurve3d* c) { return c->Twist(point, axis, angle); }, false);
    return this;
}

CGeShape3d* CGeCombCurve3d::Taper(double* point, double* axis, double angle)
{
    ReplaceMembers([=](CGeCurve3d* c) { return c->Taper(point, axis, angle); }, false);
    return this;
}

CGeShape3d* CGeCombCurve3d::Shear(double* base, double* factors)
{
    ReplaceMembers([=](CGeCurve3d* c) { return c->Shear(base, factors); }, false);
    return this;
}

CGeShape3d* CGeCombCurve3d::Scale(double* centre, double* factors)
{
    ReplaceMembers([=](CGeCurve3d* c) { return c->Scale(centre, factors); }, false);
    return this;
}

CGeShape3d* CGeCombCurve3d::Scale3D(double* centre, double* factors)
{
    ReplaceMembers([=](CGeCurve3d* c) { return c->Scale3D(centre, factors); }, false);
    return this;
}

CGeShape3d* CGeCombCurve3d::Shear3D(double* point, double* dir, double* normal)
{
    ReplaceMembers([=](CGeCurve3d* c) { return c->Shear3D(point, dir, normal); }, false);
    return this;
}

CGeShape3d* CGeCombCurve3d::Transform(double m[4][4], unsigned int flags)
{
    ReplaceMembers([=](CGeCurve3d* c) { return c->Transform(m, flags); }, true);
    return this;
}

CGeShape3d* CGeCombCurve3d::Transform(double m[3][3], unsigned int flags)
{
    ReplaceMembers([=](CGeCurve3d* c) { return c->Transform(m, flags); }, true);
    return this;
}

void CGeCombCurve3d::Draw(Direct2DHandler*, int) {}

void CGeCombCurve3d::Draw(CDC* dc, int mode)
{
    for (CGeCurve3d* member : m_listCurve)
        if (member && member->IsEnableDraw2D()) member->Draw(dc, mode);
}

void CGeCombCurve3d::DrawGL(COpenGLDC* gl, int mode)
{
    for (CGeCurve3d* member : m_listCurve)
        if (member) member->DrawGL(gl, mode);
}

void CGeCombCurve3d::DrawNode(CDC* dc, int, int, unsigned int half)
{
    CGeCurve3d* last = m_listCurve.IsEmpty() ? nullptr : m_listCurve.GetTail();
    // The end node of a closed composite's last member would sit on the start node.
    const bool closed = IsClosed(ge3con::kClosedTol) != 0;
    bool first = true;
    for (CGeCurve3d* member : m_listCurve) {
        if (!member) continue;
        member->DrawNode(dc, first ? 1 : 0, member == last && closed ? 0 : 1, half);
        first = false;
    }
}

int CGeCombCurve3d::Pick(CPickRay& ray, int useMask)
{
    if (useMask && !(GetType() & ray.m_nTypeMask)) return 0;
    if (ray.m_b2D) {
        BOX3<double> box;
        GetBox(&box);
        if (!QPoint(ray.m_pt).IsInBox(box, ray.m_dAperture)) return 0;
    }
    for (CGeCurve3d* member : m_listCurve)
        if (member && member->Pick(ray, useMask)) return 1;
    return 0;
}

int CGeCombCurve3d::PickBox(_rect_fm3d* frame, BOX2<double>* box)
{
    for (CGeCurve3d* member : m_listCurve)
        if (member && member->PickBox(frame, box)) return 1;
    return 0;
}

int CGeCombCurve3d::IsPlanar(double tol, double* point, double* vec)
{
    Span span{kNotPlanar, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}};
    for (CGeCurve3d* member : m_listCurve) {
        if (!member) continue;
        double q[3] = {0.0, 0.0, 0.0}, w[3] = {0.0, 0.0, 0.0};
        const int b = member->IsPlanar(tol, q, w);
        if (b < kPlanar || b > kPoint) return kNotPlanar;
        if (span.code == kNotPlanar) {
            span = Span{b, {q[0], q[1], q[2]}, {w[0], w[1], w[2]}};
            P3D_Copy(q, point);
            continue;
        }
        if (!span.Add(b, q, w, tol)) return kNotPlanar;
    }
    if (span.code != kNotPlanar) P3D_Copy(span.v, vec);
    return span.code;
}

int CGeCombCurve3d::GetNodeBox(BOX3<double>* box)
{
    if (!box || m_listCurve.IsEmpty()) return 0;
    box->InitEmpty();
    for (CGeCurve3d* member : m_listCurve) {
        BOX3<double> b;
        if (member && member->GetNodeBox(&b)) box->Union(b);
    }
    return 1;
}

int CGeCombCurve3d::GetSnapPos(CSnapAt* snap, CSnapResult& result)
{
    int any = 0;
    for (CGeCurve3d* member : m_listCurve)
        if (member && member->GetSnapPos(snap, result)) any = 1;
    return any;
}

int CGeCombCurve3d::GetNearestPoint3D(double* pt, double* nearest, double& t, unsigned int& seg, double& dist)
{
    double best = 1e12;
    int winner = 0, k = 0;
    for (CGeCurve3d* member : m_listCurve) {
        if (!member) continue;
        ++k;
        double p[3], u = 0.0, d = 0.0;
        unsigned int s = 0;
        if (member->GetNearestPoint3D(pt, p, u, s, d) && d < best) {
            best = d;
            winner = k;
            P3D_Copy(p, nearest);
            t = u;
            seg = s;
            dist = d;
        }
    }
    return winner;
}

void CGeCombCurve3d::Discrete(double tol, CStrP3D& str)
{
    SeperateComCurve();
    int total = 0;
    for (CGeCurve3d* member : m_listCurve) {
        if (!member) continue;
        member->Discrete(tol, member->m_strDisp);
        total += member->m_strDisp.m_nCount;
    }
    CalcBox();
    if (total < 1 || !str.Create(total, false, false)) {
        str.Clear();
        return;
    }
    int written = 0;
    for (CGeCurve3d* member : m_listCurve) {
        if (!member || !member->HasPoints()) continue;
        // Each later member repeats the previous member's end as its first point.
        for (int i = written > 0 ? 1 : 0; i < member->m_strDisp.m_nCount; ++i)
            P3D_Copy(member->m_strDisp.m_pPoints[i], str.m_pPoints[written++]);
    }
    str.Truncate(written);
    str.CalcBox();
}

void CGeCombCurve3d::DiscreteToElement(CGeCurve3dList* list, bool fit)
{
    if (!list) return;
    SeperateComCurve();
    for (CGeCurve3d* member : m_listCurve)
        if (member) member->DiscreteToElement(list, fit);
}

int CGeCombCurve3d::GetSegmentCount() { return static_cast<int>(m_listCurve.GetCount()); }

void CGeCombCurve3d::GetStartPoint(double* p)
{
    if (CGeCurve3d* first = GetSubCurve(1)) first->GetStartPoint(p);
}

void CGeCombCurve3d::GetEndPoint(double* p)
{
    if (!m_listCurve.IsEmpty() && m_listCurve.GetTail()) m_listCurve.GetTail()->GetEndPoint(p);
}

void CGeCombCurve3d::GetStartTanVec(double* v)
{
    if (!m_listCurve.IsEmpty() && m_listCurve.GetHead()) m_listCurve.GetHead()->GetStartTanVec(v);
}

void CGeCombCurve3d::GetEndTanVec(double* v)
{
    if (!m_listCurve.IsEmpty() && m_listCurve.GetTail()) m_listCurve.GetTail()->GetEndTanVec(v);
}

void CGeCombCurve3d::GetPointAt(double t, double* p, int seg)
{
    CGeCurve3d* member = GetSubCurve(seg);
    if (!member) return;
    const int k = static_cast<int>(t);
    member->GetPointAt(t - k, p, k == 0 ? 1 : k);
}

void CGeCombCurve3d::GetTanVecAt(double t, double* p, double* tan, int seg)
{
    CGeCurve3d* member = GetSubCurve(seg);
    if (!member) return;
    const int k = static_cast<int>(t);
    member->GetTanVecAt(t - k, p, tan, k == 0 ? 1 : k);
}

void CGeCombCurve3d::Ev2Der(double t, double* p, double* d1, double* d2, unsigned int seg)
{
    CGeCurve3d* member = GetSubCurve(static_cast<int>(seg));
    if (!member) return;
    const int k = static_cast<int>(t);
    member->Ev2Der(t - k, p, d1, d2, static_cast<unsigned int>(k == 0 ? 1 : k));
}

void CGeCombCurve3d::Reverse()
{
    CGeCurve3dList reversed;
    while (!m_listCurve.IsEmpty()) {
        CGeCurve3d* member = m_listCurve.RemoveTail();
        if (!member) continue;
        member->Reverse();
        reversed.AddTail(member);
    }
    while (!reversed.IsEmpty()) m_listCurve.AddTail(reversed.RemoveHead());
}

double CGeCombCurve3d::EvTotalArcLength()
{
    double sum = 0.0;
    for (CGeCurve3d* member : m_listCurve)
        if (member) sum += member->EvTotalArcLength();
    return sum;
}

double CGeCombCurve3d::EvTotalArcLength2D()
{
    double sum = 0.0;
    for (CGeCurve3d* member : m_listCurve)
        if (member) sum += member->EvTotalArcLength2D();
    return sum;
}

int CGeCombCurve3d::EvParam(double len, double& t, unsigned int& seg, double total)
{
    if (total == 0.0) total = EvTotalArcLength();
    if (IsClosed(ge3con::kClosedTol)) {
        // fmod instead of repeated subtraction: a closed curve of length 0 would never end.
        if (total > 0.0 && len > total) {
            len = std::fmod(len, total);
            if (len == 0.0) len = total;
        }
    } else if (len > total) {
        len = total;
    }
    double start = 0.0;
    int k = 0;
    for (CGeCurve3d* member : m_listCurve) {
        if (!member) continue;
        ++k;
        const double end = start + member->EvTotalArcLength();
        if (end > len) {
            member->EvParam(len - start, t, seg, 0.0);
            return k;
        }
        start = end;
    }
    return 0;
}

void CGeCombCurve3d::Split(double t, CGeCurve3d** out, int k)
{
    CGeCurve3d* member = GetSubCurve(k);
    if (!out || !member || t < 0.0) return;

    CGeCurve3d* before = nullptr;
    CGeCurve3d* after = nullptr;
    bool whole = false;
    double fraction = t;
    int segment = 1;
    if (member->GetType() == ge3con::kTypePolyline3d) {
        const int n = static_cast<CGePolyline3d*>(member)->GetCount();
        if (t >= n - 1e-6) {
            before = AsCurve(member->Copy());
            whole = true;
        } else if (t < 1.000001) {
            after = AsCurve(member->Copy());
            whole = true;
        } else {
            segment = static_cast<int>(t);
            fraction = t - segment;
        }
    } else if (t > 1.0) {
        segment = static_cast<int>(t);
        fraction = t - segment;
    }
    if (!whole) {
        CGeCurve3d* pieces[2] = {nullptr, nullptr};
        member->Split(fraction, pieces, segment);
        before = pieces[0];
        after = pieces[1];
    }

    auto* head = new CGeCombCurve3d;
    auto* tail = new CGeCombCurve3d;
    int index = 0;
    for (CGeCurve3d* m : m_listCurve) {
        if (!m) continue;
        ++index;
        if (index == k) continue;
        if (CGeCurve3d* c = AsCurve(m->Copy())) (index < k ? head : tail)->m_listCurve.AddTail(c);
    }
    if (before) head->m_listCurve.AddTail(before);
    if (after) tail->m_listCurve.AddHead(after);
    for (CGeCombCurve3d** part : {&head, &tail}) {
        if ((*part)->IsEmpty()) {
            delete *part;
            *part = nullptr;
        } else {
            (*part)->CalcBox();
        }
    }
    out[0] = head;
    out[1] = tail;
}

int CGeCombCurve3d::GetSplitParam(double*& params)
{
    const int n = static_cast<int>(m_listCurve.GetCount());
    params = new double[static_cast<std::size_t>(n) + 1];
    params[0] = 0.0;
    int i = 0;
    for (CGeCurve3d* member : m_listCurve) {
        ++i;
        params[i] = params[i - 1] + (member ? member->EvTotalArcLength() : 0.0);
    }
    const double total = params[n];
    // A composite of length 0 spreads its parameters evenly instead of dividing by 0.
    for (int j = 1; j <= n; ++j) params[j] = total > 0.0 ? params[j] / total : double(j) / n;
    params[n] = 1.0;
    return n + 1;
}
