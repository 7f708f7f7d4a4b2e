#include "geometry/shapes3d/GeSurf.h"

#include "framework/looker/SnapRecords.h"
#include "geometry/shapes2d/CurveList.h"

#include <GL/gl.h>

namespace {

// A transform's result as a curve; a shape of another kind cannot stand in a curve list.
CGeCurve3d* AsCurve(CGeShape3d* shape) { return dynamic_cast<CGeCurve3d*>(shape); }

}  // namespace

CGeSurf::CGeSurf() = default;

CGeSurf::~CGeSurf() { CGeSurf::ClearIsoCurve(); }

void CGeSurf::Serialize(CArchive&) {}

CGeShape3d* CGeSurf::Copy() { return nullptr; }

void CGeSurf::CalcBox()
{
    bool first = true;
    for (CGeCurve3dList* list : {&m_listIsoCurve, &m_listBndCurve}) {
        for (CGeCurve3d* c : *list) {
            if (!c) continue;
            BOX3<double> box;
            c->GetBox(&box);
            if (first) m_box = box;
            else m_box.Union(box);
            first = false;
        }
    }
}

template <class Op>
void CGeSurf::ForEachCurve(Op op)
{
    for (CGeCurve3dList* list : {&m_listIsoCurve, &m_listBndCurve})
        for (CGeCurve3d* c : *list)
            if (c) op(c);
}

template <class Op>
void CGeSurf::ReplaceCurves(Op op)
{
    for (CGeCurve3dList* list : {&m_listIsoCurve, &m_listBndCurve}) {
        for (POSITION pos = list->GetHeadPosition(); pos;) {
            POSITION at = pos;
            CGeCurve3d* c = list->GetNext(pos);
            if (!c) continue;
            CGeShape3d* shape = op(c);
            if (!shape || shape == c) continue;
            // A replacing curve takes the old one's place; anything else is dropped and
            // the curve stays as it was.
            if (CGeCurve3d* replacement = AsCurve(shape)) {
                list->SetAt(at, replacement);
                delete c;
            } else {
                delete shape;
            }
        }
    }
    CalcBox();
}

void CGeSurf::ShiftBox(double dx, double dy, double dz)
{
    m_box.xmin += dx;
    m_box.xmax += dx;
    m_box.ymin += dy;
    m_box.ymax += dy;
    m_box.zmin += dz;
    m_box.zmax += dz;
}

void CGeSurf::Translate(double* v)
{
    ForEachCurve([=](CGeCurve3d* c) { c->Translate(v); });
    ShiftBox(v[0], v[1], 0.0);
}

void CGeSurf::Translate3D(double* v)
{
    ForEachCurve([=](CGeCurve3d* c) { c->Translate3D(v); });
    ShiftBox(v[0], v[1], v[2]);
}

void CGeSurf::Rotate(double* centre, double angle)
{
    ForEachCurve([=](CGeCurve3d* c) { c->Rotate(centre, angle); });
    CalcBox();
}

void CGeSurf::Rotate3D(double* point, double* axis, double angle)
{
    ForEachCurve([=](CGeCurve3d* c) { c->Rotate3D(point, axis, angle); });
    CalcBox();
}

CGeShape3d* CGeSurf::Twist(double* point, double* axis, double angle)
{
    ReplaceCurves([=](CGeCurve3d* c) { return c->Twist(point, axis, angle); });
    return this;
}

CGeShape3d* CGeSurf::Taper(double* point, double* axis, double angle)
{
    ReplaceCurves([=](CGeCurve3d* c) { return c->Taper(point, axis, angle); });
    return this;
}

void CGeSurf::Mirror(double* p, double* q)
{
    ForEachCurve([=](CGeCurve3d* c) { c->Mirror(p, q); });
    CalcBox();
}

CGeShape3d* CGeSurf::Shear(double* base, double* factors)
{
    ReplaceCurves([=](CGeCurve3d* c) { return c->Shear(base, factors); });
    return this;
}

CGeShape3d* CGeSurf::Scale(double* centre, double* factors)
{
    ReplaceCurves([=](CGeCurve3d* c) { return c->Scale(centre, factors); });
    return this;
}

CGeShape3d* CGeSurf::Scale3D(double* centre, double* factors)
{
    ReplaceCurves([=](CGeCurve3d* c) { return c->Scale3D(centre, factors); });
    return this;
}

CGeShape3d* CGeSurf::Shear3D(double* point, double* dir, double* normal)
{
    ReplaceCurves([=](CGeCurve3d* c) { return c->Shear3D(point, dir, normal); });
    return this;
}

void CGeSurf::Mirror3D(double* point, double* normal)
{
    ForEachCurve([=](CGeCurve3d* c) { c->Mirror3D(point, normal); });
    CalcBox();
}

void CGeSurf::Transform(_rect_fm3d* frame)
{
    ForEachCurve([=](CGeCurve3d* c) { c->Transform(frame); });
    CalcBox();
}

CGeShape3d* CGeSurf::Transform(double m[4][4], unsigned int flags)
{
    ReplaceCurves([=](CGeCurve3d* c) { return c->Transform(m, flags); });
    return this;
}

CGeShape3d* CGeSurf::Transform(double m[3][3], unsigned int flags)
{
    ReplaceCurves([=](CGeCurve3d* c) { return c->Transform(m, flags); });
    return this;
}

void CGeSurf::TransformLocal(_rect_fm3d* frame)
{
    ForEachCurve([=](CGeCurve3d* c) { c->TransformLocal(frame); });
    CalcBox();
}

CGeCurve3d* CGeSurf::UIsoCurve(double) { return nullptr; }

CGeCurve3d* CGeSurf::VIsoCurve(double) { return nullptr; }

void CGeSurf::ClearIsoCurve()
{
    geDelCurve3dList(&m_listIsoCurve);
    geDelCurve3dList(&m_listBndCurve);
}

void CGeSurf::ClearBndCurve() { geDelCurve3dList(&m_listBndCurve); }

void CGeSurf::Draw(Direct2DHandler*) {}

void CGeSurf::Draw(CDC* dc)
{
    if (!IsEnableDraw2D()) return;
    ForEachCurve([=](CGeCurve3d* c) { c->Draw(dc, 0); });
}

void CGeSurf::DrawGL(COpenGLDC* gl, int mode)
{
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    ForEachCurve([=](CGeCurve3d* c) { c->DrawGL(gl, mode); });
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

void CGeSurf::GetBox2D(BOX2<double>* box)
{
    if (!box) return;
    box->xmin = m_box.xmin;
    box->ymin = m_box.ymin;
    box->xmax = m_box.xmax;
    box->ymax = m_box.ymax;
}

int CGeSurf::Pick(CPickRay& ray, int check)
{
    if (check && !(GetType() & ray.m_nTypeMask)) return 0;
    for (CGeCurve3dList* list : {&m_listIsoCurve, &m_listBndCurve})
        for (CGeCurve3d* c : *list)
            if (c && c->Pick(ray, check)) return 1;
    return 0;
}

int CGeSurf::PickBox(_rect_fm3d* frame, BOX2<double>* box)
{
    for (CGeCurve3dList* list : {&m_listIsoCurve, &m_listBndCurve})
        for (CGeCurve3d* c : *list)
            if (c && c->PickBox(frame, box)) return 1;
    return 0;
}

void CGeSurf::Discrete(double) {}

void CGeSurf::CopyIsoCurve(CGeSurf* src)
{
    if (!src) return;
    for (CGeCurve3d* c : src->m_listIsoCurve)
        if (c)
            if (CGeCurve3d* copy = AsCurve(c->Copy())) m_listIsoCurve.AddTail(copy);
    for (CGeCurve3d* c : src->m_listBndCurve)
        if (c)
            if (CGeCurve3d* copy = AsCurve(c->Copy())) m_listBndCurve.AddTail(copy);
}

void CGeSurf::CopyFromSurf(CGeSurf* src)
{
    if (!src) return;
    m_box = src->m_box;
    m_nFlags = src->m_nFlags;
    CopyIsoCurve(src);
}
