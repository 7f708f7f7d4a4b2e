#include "app/GridSetDlg.h"

#include "app/KorvelIds.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/WorkArea.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"

IMPLEMENT_DYNAMIC(CGridSetDlg, CQvPropertyPage)

BEGIN_MESSAGE_MAP(CGridSetDlg, CQvPropertyPage)
    ON_BN_CLICKED(CGridSetDlg::kRectangular, &CGridSetDlg::OnRectangular)
    ON_BN_CLICKED(CGridSetDlg::kRadial, &CGridSetDlg::OnRadial)
END_MESSAGE_MAP()

namespace {
// Spacings must exceed this, millimetres.
constexpr double kMinSpacing = 1.0;
}  // namespace

CGridSetDlg::CGridSetDlg() : CQvPropertyPage(IDD, korvel::IDS_PAGE_GRID) {}

BOOL CGridSetDlg::OnInitDialog()
{
    CreateItem(m_editDx, {CDialogItemKind::Edit, kDx, 90, 30, 60, 13});
    CreateItem(m_editDy, {CDialogItemKind::Edit, kDy, 90, 48, 60, 13});
    CreateItem(m_editRing, {CDialogItemKind::Edit, kRing, 90, 106, 60, 13});
    for (CDigitEdit* edit : {&m_editDx, &m_editDy, &m_editRing}) edit->SetNoMinus(TRUE);
    CQvPropertyPage::OnInitDialog();
    InitParam();
    return TRUE;
}

int CGridSetDlg::InitParam()
{
    m_editDx.SetValue(m_dDx, 0);
    m_editDy.SetValue(m_dDy, 0);
    m_editRing.SetValue(m_dRing, 0);
    if (auto* angle = dynamic_cast<CEdit*>(GetDlgItem(kAngle))) angle->SetLimitText(3);
    EnableType(m_nType);
    return 1;
}

void CGridSetDlg::DoDataExchange(CDataExchange* pDX)
{
    CQvPropertyPage::DoDataExchange(pDX);
    DDX_Text(pDX, kAngle, m_nAngle);
    if (pDX->m_bSaveAndValidate) {
        m_nType = IsDlgButtonChecked(kRectangular) ? 0 : (IsDlgButtonChecked(kRadial) ? 1 : -1);
    } else {
        CheckDlgButton(kRectangular, m_nType == 0 ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(kRadial, m_nType == 1 ? BST_CHECKED : BST_UNCHECKED);
    }
    DDX_Check(pDX, kShow, m_bShow);
}

void CGridSetDlg::EnableType(int type)
{
    for (UINT id : {kDx, kDy, kLabelDx, kLabelDy})
        if (CWnd* item = GetDlgItem(static_cast<int>(id))) item->EnableWindow(type == 0);
    for (UINT id : {kAngle, kRing, kLabelAngle, kLabelRing})
        if (CWnd* item = GetDlgItem(static_cast<int>(id))) item->EnableWindow(type == 1);
}

void CGridSetDlg::OnRectangular() { EnableType(0); }

void CGridSetDlg::OnRadial() { EnableType(1); }

int CGridSetDlg::Refuse(UINT nIDPrompt, UINT nIDEdit)
{
    AfxGetPromptService()->MessageBox(AfxLoadString(nIDPrompt), AfxLoadString(korvel::IDS_GRID_CAPTION),
                                      MB_OK | MB_ICONINFORMATION);
    if (CWnd* edit = GetDlgItem(static_cast<int>(nIDEdit))) edit->SetFocus();
    return -1;
}

int CGridSetDlg::Ok()
{
    if (!UpdateData(TRUE)) return -1;
    const int unit = gGetQVGlobal() != nullptr ? gGetQVGlobal()->m_nUnit : 0;
    m_dDx = m_editDx.GetValue(unit);
    m_dDy = m_editDy.GetValue(unit);
    m_dRing = m_editRing.GetValue(unit);
    CWorkArea* area = CWorkArea::Instance();
    if (m_nType == 0) {
        if (!(m_dDx > kMinSpacing)) return Refuse(korvel::IDS_GRID_BAD_DX, kDx);
        if (!(m_dDy > kMinSpacing)) return Refuse(korvel::IDS_GRID_BAD_DY, kDy);
        if (area != nullptr) {
            area->SetSpaceDx(m_dDx);
            area->SetSpaceDy(m_dDy);
            area->m_nGridType = CWorkArea::kGridRectangular;
            area->m_bGridOn = m_bShow ? TRUE : FALSE;
        }
    } else if (m_nType == 1) {
        if (m_nAngle < 1 || m_nAngle > 359) return Refuse(korvel::IDS_GRID_BAD_ANGLE, kAngle);
        if (!(m_dRing > kMinSpacing)) return Refuse(korvel::IDS_GRID_BAD_RING, kRing);
        if (area != nullptr) {
            area->SetSpaceAngle(static_cast<double>(m_nAngle));
            area->SetRadSpace(m_dRing);
            area->m_nGridType = CWorkArea::kGridRadial;
            area->m_bGridOn = m_bShow ? TRUE : FALSE;
        }
    }
    if (CView* view = gGetView()) view->Invalidate(TRUE);
    return 0;
}
