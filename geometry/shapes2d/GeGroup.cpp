#include "geometry/shapes2d/GeGroup.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/numerak/Box2D.h"
#include "geometry/shapes2d/CurveList.h"

#include <cmath>

namespace {

// Rotations by less than this change nothing.
constexpr double kMinRotation = 0.0001;

}  // namespace

CGeGroup::CGeGroup() = default;

CGeGroup::~CGeGroup() { geDelCurveList(&m_curveList); }

void CGeGroup::CalcBox2d()
{
    bool first = true;
    for (CGeCurve* c : m_curveList) {
        if (!c) continue;
        BOX2<double> b;
        c->GetBox2d(&b);
        if (first)
            m_box = b;
        else
            BOX2D_Union(m_box, b);
        first = false;
    }
}

void CGeGroup::GetBox2d(BOX2<double>* out)
{
    CalcBox2d();
    if (out) *out = m_box;
}

void CGeGroup::Rotate(double* centre, double angle)
{
    geNoteGeometryChange();
    if (std::fabs(angle) < kMinRotation) return;
    // The group's own box is left as it was; GetBox2d recomputes it.
    for (CGeCurve* c : m_curveList)
        if (c) c->Rotate(centre, angle);
}

void CGeGroup::GetStartPoint(double* p)
{
    for (CGeCurve* c : m_curveList)
        if (c) {
            c->GetStartPoint(p);
            return;
        }
}

void CGeGroup::GetEndPoint(double* p)
{
    POSITION pos = m_curveList.GetTailPosition();
    while (pos)
        if (CGeCurve* c = m_curveList.GetPrev(pos)) {
            c->GetEndPoint(p);
            return;
        }
}
