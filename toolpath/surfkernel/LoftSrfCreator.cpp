#include "toolpath/surfkernel/LoftSrfCreator.h"

#include "framework/numerak/Bsrf.h"
#include "framework/numerak/NurbsEditor.h"
#include "geometry/shapes2d/CurveList.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeConvert.h"

#include <cmath>
#include <numbers>

namespace {

// A 2D curve closed within this stays flat when stood up.
constexpr double kLoftClosedTol = 0.01;
// A chord shorter than this gives no axis to stand the profile on.
constexpr double kLoftAxisTol = 1e-6;

}  // namespace

CLoftSrfCreator::Section::~Section() { geDelCurve3dList(&members); }

CLoftSrfCreator::CLoftSrfCreator() = default;

CLoftSrfCreator::~CLoftSrfCreator() = default;

void CLoftSrfCreator::AddCross(CGeCurve* curve, int reverse, int standUp)
{
    if (!curve) return;
    auto section = std::make_unique<Section>();
    curve->ToElement(&section->members);
    if (section->members.IsEmpty()) return;
    double start[3] = {0.0, 0.0, 0.0}, end[3] = {0.0, 0.0, 0.0}, axis[3] = {0.0, 0.0, 0.0};
    bool hasAxis = false;
    if (standUp && !curve->IsClosed(kLoftClosedTol)) {
        curve->GetStartPoint(start);
        curve->GetEndPoint(end);
        start[2] = end[2] = 0.0;
        const double len = std::hypot(end[0] - start[0], end[1] - start[1]);
        if (len > kLoftAxisTol) {
            axis[0] = (end[0] - start[0]) / len;
            axis[1] = (end[1] - start[1]) / len;
            hasAxis = true;
        }
    }
    if (hasAxis)
        for (CGeCurve3d* m : section->members)
            if (m) m->Rotate3D(start, axis, std::numbers::pi / 2);
    Append(std::move(section), reverse);
}

void CLoftSrfCreator::AddCross(CGeCurve3d* curve, int reverse)
{
    if (!curve) return;
    auto section = std::make_unique<Section>();
    curve->DiscreteToElement(&section->members, true);
    if (section->members.IsEmpty()) return;
    Append(std::move(section), reverse);
}

void CLoftSrfCreator::AddCrossPoint(double* point)
{
    if (!point) return;
    auto section = std::make_unique<Section>();
    for (int d = 0; d < 3; ++d) section->point[d] = point[d];
    m_sections.push_back(std::move(section));
}

void CLoftSrfCreator::Append(std::unique_ptr<Section> section, int reverse)
{
    if (reverse) {
        CGeCurve3dList reversed;
        while (!section->members.IsEmpty()) {
            CGeCurve3d* m = section->members.RemoveTail();
            if (m) m->Reverse();
            reversed.AddTail(m);
        }
        section->members.AddTail(&reversed);
    }
    std::vector<double> lengths;
    double total = 0.0;
    for (CGeCurve3d* m : section->members) {
        const double len = m ? m->EvTotalArcLength() : 0.0;
        lengths.push_back(std::isfinite(len) && len > 0.0 ? len : 0.0);
        total += lengths.back();
    }
    section->params.push_back(0.0);
    double run = 0.0;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        run += lengths[i];
        // Members without length share the section evenly instead of dividing by zero.
        section->params.push_back(total > 0.0 ? run / total
                                              : static_cast<double>(i + 1) / static_cast<double>(lengths.size()));
    }
    section->params.back() = 1.0;
    m_sections.push_back(std::move(section));
}

BCRV* CLoftSrfCreator::SectionCurve(Section& section)
{
    if (section.members.IsEmpty()) {
        BCRV* c = BCRV_New();
        if (c && c->GenLine(section.point, section.point)) return c;
        BCRV_Free(c);
        return nullptr;
    }
    // The members are only borrowed by the composite and taken out before it goes.
    CGeCombCurve3d comb;
    for (CGeCurve3d* m : section.members)
        if (m) comb.m_listCurve.AddTail(m);
    comb.CalcBox();
    BCRV* c = QVN_GeConvert::ToNurbsCurve(&comb);
    comb.m_listCurve.RemoveAll();
    return c;
}

_nurbs_surface* CLoftSrfCreator::Skin(std::vector<BCRV*>& curves) const
{
    bool complete = true;
    for (BCRV* c : curves) complete = complete && c;
    _nurbs_surface* s =
        complete ? CNurbsEditor::SkinV(curves.data(), static_cast<int>(curves.size()), m_nVOrder) : nullptr;
    for (BCRV* c : curves) BCRV_Free(c);
    curves.clear();
    return s;
}

_nurbs_surface* CLoftSrfCreator::CreatLoftSurf()
{
    std::vector<BCRV*> curves;
    for (auto& section : m_sections) curves.push_back(SectionCurve(*section));
    return Skin(curves);
}

void CLoftSrfCreator::CreatLoftSurf(std::vector<_nurbs_surface*>& out)
{
    if (m_sections.empty()) return;
    const int count = static_cast<int>(m_sections.front()->members.GetCount());
    bool same = true;
    for (auto& section : m_sections) same = same && static_cast<int>(section->members.GetCount()) == count;
    if (same) {
        CreatLoftSurfEqu(out, count);
        return;
    }
    _nurbs_surface* s = CreatLoftSurf();
    if (!s) return;
    std::vector<_nurbs_surface*> parts(static_cast<std::size_t>(s->ku + s->nu), nullptr);
    int appended = 0;
    if (BSRF_USplitG1Discont(s, kLoftCreaseAngle, parts.data(), static_cast<int>(parts.size())) == 1)
        for (_nurbs_surface* p : parts)
            if (p) {
                out.push_back(p);
                ++appended;
            }
    // A split that made no part leaves the unsplit surface as the result.
    if (appended == 0)
        out.push_back(s);
    else
        BSRF_Free(s);
}

void CLoftSrfCreator::CreatLoftSurfEqu(std::vector<_nurbs_surface*>& out, int count)
{
    for (int b = 0; b < count; ++b) {
        std::vector<BCRV*> curves;
        for (auto& section : m_sections) {
            POSITION pos = section->members.FindIndex(b);
            CGeCurve3d* m = pos ? section->members.GetAt(pos) : nullptr;
            curves.push_back(m ? QVN_GeConvert::ToNurbsCurve(m) : nullptr);
        }
        if (_nurbs_surface* s = Skin(curves)) out.push_back(s);
    }
}
