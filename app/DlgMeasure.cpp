#include "app/DlgMeasure.h"

#include "framework/looker/AppSettings.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/Command.h"

BOOL CDlgMeasure::OnInitDialog()
{
    const double zero[2] = {0, 0};
    SetResults(0, 0, 0, zero);
    return TRUE;
}

void CDlgMeasure::SetResults(double perimeter, double area, double radius, const double centre[2])
{
    m_perimeter.SetValue(perimeter, 0);
    // The area shows in square units: one more unit conversion than a length.
    m_area.SetValue(MM2CUR(area), 0);
    m_radius.SetValue(radius, 0);
    m_centreX.SetValue(centre[0], 0);
    m_centreY.SetValue(centre[1], 0);
}

LRESULT CDlgMeasure::OnUnitChanged(WPARAM, LPARAM)
{
    const CQVGlobal* global = gGetQVGlobal();
    const int before = global != nullptr ? global->GetUnitBefore() : 0;
    for (CDigitEdit* edit : {&m_perimeter, &m_radius, &m_centreX, &m_centreY}) edit->SetValue(edit->GetValue(before), 0);
    m_area.SetValue(MM2CUR(m_area.GetValue(before) * CDigitEdit::UnitLength(before)), 0);
    return 1;
}

void CDlgMeasure::OnCancel()
{
    if (m_pCmd != nullptr) m_pCmd->Cancel();
}

CDigitEdit* CDlgMeasure::GetEdit(int id)
{
    switch (id) {
    case kEditPerimeter: return &m_perimeter;
    case kEditArea: return &m_area;
    case kEditRadius: return &m_radius;
    case kEditCentreX: return &m_centreX;
    case kEditCentreY: return &m_centreY;
    default: return nullptr;
    }
}
