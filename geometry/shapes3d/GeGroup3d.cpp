#include "geometry/shapes3d/GeGroup3d.h"

#include "geometry/shapes2d/CurveList.h"

CGeGroup3d::~CGeGroup3d() { geDelCurve3dList(&m_listCurve); }

void CGeGroup3d::GetStartPoint(double* p)
{
    if (!m_listCurve.IsEmpty() && m_listCurve.GetHead()) m_listCurve.GetHead()->GetStartPoint(p);
}

void CGeGroup3d::GetEndPoint(double* p)
{
    if (!m_listCurve.IsEmpty() && m_listCurve.GetTail()) m_listCurve.GetTail()->GetEndPoint(p);
}

void CGeGroup3d::Reverse()
{
    for (CGeCurve3d* c : m_listCurve)
        if (c) c->Reverse();
}

void CGeGroup3d::Rotate(double* centre, double angle)
{
    for (CGeCurve3d* c : m_listCurve)
        if (c) c->Rotate(centre, angle);
}

void CGeGroup3d::CalcBox()
{
    bool first = true;
    for (CGeCurve3d* c : m_listCurve) {
        if (!c) continue;
        BOX3<double> b;
        c->GetBox(&b);
        if (first)
            m_box = b;
        else
            m_box.Union(b);
        first = false;
    }
}

void CGeGroup3d::GetBox(BOX3<double>* box)
{
    CalcBox();
    if (box) *box = m_box;
}
