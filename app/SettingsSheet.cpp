#include "app/SettingsSheet.h"

#include "app/AboutDlg.h"
#include "app/DlgSystemSet.h"
#include "app/GridSetDlg.h"
#include "app/KorvelIds.h"
#include "app/SystemSetDlg.h"
#include "framework/looker/WorkArea.h"

namespace korvel {

namespace {

using K = CDialogItemKind;

void RegisterGuidePage()
{
    using D = CSystemSetDlg;
    CDialogTemplateDesc desc(L"Guide Lines", 260, 170, WS_CHILD,
                             {
                                 {K::RadioButton, D::kHorizontal, 10, 8, 110, 12, L"Horizontal guide lines"},
                                 {K::RadioButton, D::kVertical, 130, 8, 110, 12, L"Vertical guide lines"},
                                 {K::Static, IDC_STATIC, 10, 28, 110, 10, L"Positions:"},
                                 {K::Static, IDC_STATIC, 130, 28, 70, 10, L"Position:"},
                                 {K::PushButton, D::kAdd, 130, 60, 60, 14, L"&Add"},
                                 {K::PushButton, D::kModify, 130, 78, 60, 14, L"&Modify"},
                                 {K::PushButton, D::kDelete, 130, 96, 60, 14, L"&Delete"},
                                 {K::PushButton, D::kClear, 130, 114, 60, 14, L"C&lear"},
                                 {K::CheckBox, D::kShow, 130, 134, 110, 12, L"&Show guide lines"},
                                 {K::Static, IDC_STATIC, 10, 154, 240, 10,
                                  L"Changes show at once; Cancel takes them back."},
                             });
    AfxRegisterDialogTemplate(D::IDD, std::move(desc));
}

void RegisterGridPage()
{
    using D = CGridSetDlg;
    CDialogTemplateDesc desc(L"Grid", 260, 170, WS_CHILD,
                             {
                                 {K::RadioButton, D::kRectangular, 10, 12, 100, 12, L"&Rectangular"},
                                 {K::Static, D::kLabelDx, 20, 32, 65, 10, L"X spacing:"},
                                 {K::Static, D::kLabelDy, 20, 50, 65, 10, L"Y spacing:"},
                                 {K::RadioButton, D::kRadial, 10, 72, 100, 12, L"R&adial"},
                                 {K::Static, D::kLabelAngle, 20, 90, 65, 10, L"Ray angle (deg):"},
                                 {K::Edit, D::kAngle, 90, 88, 60, 13},
                                 {K::Static, D::kLabelRing, 20, 108, 65, 10, L"Ring spacing:"},
                                 {K::CheckBox, D::kShow, 10, 134, 100, 12, L"&Show grid"},
                             });
    AfxRegisterDialogTemplate(D::IDD, std::move(desc));
}

void RegisterSystemPage()
{
    using D = CDlgSystemSet;
    CDialogTemplateDesc desc(L"System", 260, 200, WS_CHILD,
                             {
                                 {K::CheckBox, D::kAutoSave, 130, 8, 120, 12, L"Save &automatically"},
                                 {K::Static, IDC_STATIC, 130, 24, 48, 10, L"Every (min):"},
                                 {K::Static, IDC_STATIC, 130, 60, 48, 10, L"Snap (pixels):"},
                                 {K::Static, IDC_STATIC, 10, 24, 62, 10, L"Precision:"},
                                 {K::Static, IDC_STATIC, 10, 42, 62, 10, L"Angle (deg):"},
                                 {K::Static, IDC_STATIC, 10, 60, 62, 10, L"Medial axis (deg):"},
                                 {K::Edit, D::kMedial, 75, 58, 50, 13},
                                 {K::GroupBox, IDC_STATIC, 5, 78, 120, 66, L"Unit"},
                                 {K::RadioButton, D::kUnitMm, 12, 90, 50, 12, L"mm"},
                                 {K::RadioButton, D::kUnitCm, 66, 90, 50, 12, L"cm"},
                                 {K::RadioButton, D::kUnitInch, 12, 106, 50, 12, L"inch"},
                                 {K::RadioButton, D::kUnitFoot, 66, 106, 50, 12, L"foot"},
                                 {K::CheckBox, D::kShowUnit, 12, 124, 100, 12, L"Show the &unit"},
                                 {K::CheckBox, D::kAnimate, 130, 80, 120, 12, L"A&nimate views"},
                                 {K::Static, IDC_STATIC, 130, 96, 120, 10, L"Colours"},
                                 {K::Static, IDC_STATIC, 130, 112, 48, 10, L"Scheme:"},
                                 {K::Static, IDC_STATIC, 130, 130, 48, 10, L"Background:"},
                                 {K::Static, IDC_STATIC, 130, 148, 48, 10, L"Work frame:"},
                                 {K::PushButton, D::kDefaults, 5, 180, 90, 14, L"&Restore Defaults"},
                             });
    AfxRegisterDialogTemplate(D::IDD, std::move(desc));
}

}  // namespace

void RegisterSettingsPages()
{
    RegisterGuidePage();
    RegisterGridPage();
    RegisterSystemPage();
}

int RunSettingsSheet(const std::function<void(CQvPropertySheet&)>& onReady)
{
    if (AfxFindDialogTemplate(CDlgSystemSet::IDD) == nullptr) RegisterSettingsPages();
    CQvPropertySheet sheet(L"Settings", nullptr);
    CAboutDlgNew about;
    CSystemSetDlg guides;
    CGridSetDlg grid;
    CDlgSystemSet system;
    sheet.AddRoot(&about, CAboutDlgNew::IDD, TRUE);
    sheet.AddPage(&guides, CSystemSetDlg::IDD, FALSE);
    sheet.AddPage(&grid, CGridSetDlg::IDD, FALSE);
    sheet.AddPage(&system, CDlgSystemSet::IDD, FALSE);
    const CWorkArea* area = CWorkArea::Instance();
    grid.m_dDx = area->GetSpaceDx();
    grid.m_dDy = area->GetSpaceDy();
    grid.m_nAngle = static_cast<int>(area->GetSpaceAngle());
    grid.m_dRing = area->GetRadSpace();
    grid.m_nType = area->m_nGridType;
    grid.m_bShow = area->m_bGridOn ? 1 : 0;
    sheet.Light(0);
    if (onReady) onReady(sheet);
    return static_cast<int>(sheet.DoModal());
}

}  // namespace korvel
