#include "app/DlgMeasure.h"

#include "framework/looker/AppSettings.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/Command.h"

#include <iterator>

IMPLEMENT_DYNAMIC(CDlgMeasure, CDialog)

BEGIN_MESSAGE_MAP(CDlgMeasure, CDialog)
    ON_MESSAGE(WM_DC_UNIT_CHANGED, &CDlgMeasure::OnUnitChanged)
END_MESSAGE_MAP()

namespace {

constexpr int kRowHeight = 14;
constexpr int kLabelWidth = 44;
constexpr int kEditWidth = 70;
constexpr int kMargin = 4;

struct Row {
    int id;
    LPCTSTR label;
};
constexpr Row kRows[] = {{CDlgMeasure::kEditPerimeter, L"Perimeter:"},
                         {CDlgMeasure::kEditArea, L"Area:"},
                         {CDlgMeasure::kEditRadius, L"Radius:"},
                         {CDlgMeasure::kEditCentreX, L"Centre X:"},
                         {CDlgMeasure::kEditCentreY, L"Centre Y:"}};

void RegisterTemplate()
{
    if (AfxFindDialogTemplate(CDlgMeasure::kTemplate) != nullptr) return;
    CDialogTemplateDesc desc;
    desc.lpszCaption = L"Measure";
    desc.cx = 2 * kMargin + kLabelWidth + kEditWidth;
    desc.cy = 2 * kMargin + kRowHeight * static_cast<int>(std::size(kRows));
    desc.dwStyle = WS_CHILD;
    int y = kMargin;
    for (const Row& row : kRows) {
        desc.items.emplace_back(CDialogItemKind::Static, IDC_STATIC, kMargin, y + 2, kLabelWidth - 2, 9, row.label);
        y += kRowHeight;
    }
    AfxRegisterDialogTemplate(CDlgMeasure::kTemplate, std::move(desc));
}

}  // namespace

CDlgMeasure::CDlgMeasure() : CDialog(kTemplate) {}

CDlgMeasure::~CDlgMeasure()
{
    // The edits go before the page's own widget.
    for (CDigitEdit* edit : {&m_perimeter, &m_area, &m_radius, &m_centreX, &m_centreY})
        if (edit->GetSafeHwnd() != nullptr) edit->DestroyWindow();
}

BOOL CDlgMeasure::CreatePage(CWnd* parent)
{
    RegisterTemplate();
    return Create(kTemplate, parent);
}

BOOL CDlgMeasure::OnInitDialog()
{
    if (GetSafeHwnd() != nullptr) {
        int y = kMargin;
        for (const Row& row : kRows) {
            RECT rect{kMargin + kLabelWidth, y, kMargin + kLabelWidth + kEditWidth, y + kRowHeight - 2};
            MapDialogRect(&rect);
            GetEdit(row.id)->Create(WS_CHILD | WS_VISIBLE | ES_READONLY, rect, this, static_cast<UINT>(row.id));
            y += kRowHeight;
        }
    }
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
