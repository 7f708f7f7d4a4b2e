#include "app/SystemSetDlg.h"

#include "app/KorvelIds.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/DBase.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/View.h"

#include <cwchar>

IMPLEMENT_DYNAMIC(CSystemSetDlg, CQvPropertyPage)

BEGIN_MESSAGE_MAP(CSystemSetDlg, CQvPropertyPage)
    ON_BN_CLICKED(CSystemSetDlg::kHorizontal, &CSystemSetDlg::OnHorizontal)
    ON_BN_CLICKED(CSystemSetDlg::kVertical, &CSystemSetDlg::OnVertical)
    ON_BN_CLICKED(CSystemSetDlg::kAdd, &CSystemSetDlg::OnAdd)
    ON_BN_CLICKED(CSystemSetDlg::kModify, &CSystemSetDlg::OnModify)
    ON_BN_CLICKED(CSystemSetDlg::kDelete, &CSystemSetDlg::OnDelete)
    ON_BN_CLICKED(CSystemSetDlg::kClear, &CSystemSetDlg::OnClear)
    ON_BN_CLICKED(CSystemSetDlg::kShow, &CSystemSetDlg::OnShow)
    ON_LBN_SELCHANGE(CSystemSetDlg::kList, &CSystemSetDlg::OnListChanged)
END_MESSAGE_MAP()

CString FormatGuidePosition(double millimetres)
{
    CString text;
    text.Format(L"%.3f", MM2CUR(millimetres));
    return text;
}

CSystemSetDlg::CSystemSetDlg() : CQvPropertyPage(IDD, korvel::IDS_PAGE_GUIDE_LINES) {}

BOOL CSystemSetDlg::OnInitDialog()
{
    CreateItem(m_list, {CDialogItemKind::Edit, kList, 10, 40, 110, 110});
    CreateItem(m_editPos, {CDialogItemKind::Edit, kPosition, 130, 40, 70, 13});
    CQvPropertyPage::OnInitDialog();
    m_db.Add(&m_hor);
    m_db.Add(&m_ver);
    m_hor.Load(0);
    m_ver.Load(1);
    CheckDlgButton(kHorizontal, BST_CHECKED);
    CheckDlgButton(kVertical, BST_UNCHECKED);
    FillList();
    CheckDlgButton(kShow, CDBase::IsLiving() && CDBase::Instance()->GetDbAidLineVisible() ? BST_CHECKED : BST_UNCHECKED);
    m_editPos.SetValue(m_dPos, 0);
    return TRUE;
}

CQvRecordSet* CSystemSetDlg::ChosenSet()
{
    if (IsDlgButtonChecked(kHorizontal)) return &m_hor;
    if (IsDlgButtonChecked(kVertical)) return &m_ver;
    return nullptr;
}

void CSystemSetDlg::FillList()
{
    m_list.ResetContent();
    CQvRecordSet* set = ChosenSet();
    if (set == nullptr) return;
    for (int i = 0; i < set->GetCount(); ++i) m_list.AddString(FormatGuidePosition(set->GetLinePos(i)));
}

void CSystemSetDlg::FocusPosition()
{
    m_editPos.SetFocus();
    m_editPos.SetSel(0, -1);
}

void CSystemSetDlg::OnHorizontal()
{
    CheckDlgButton(kHorizontal, BST_CHECKED);
    CheckDlgButton(kVertical, BST_UNCHECKED);
    FillList();
}

void CSystemSetDlg::OnVertical()
{
    CheckDlgButton(kVertical, BST_CHECKED);
    CheckDlgButton(kHorizontal, BST_UNCHECKED);
    FillList();
}

void CSystemSetDlg::OnAdd()
{
    CQvRecordSet* set = ChosenSet();
    if (set == nullptr || !UpdateData(TRUE)) return;
    const int unit = gGetQVGlobal() != nullptr ? gGetQVGlobal()->m_nUnit : 0;
    m_dPos = m_editPos.GetValue(unit);
    if (!set->AddLine(m_dPos)) return;
    m_list.SetCurSel(m_list.AddString(FormatGuidePosition(m_dPos)));
    FocusPosition();
}

void CSystemSetDlg::OnModify()
{
    CQvRecordSet* set = ChosenSet();
    if (set == nullptr) return;
    const int index = m_list.GetCurSel();
    if (index == LB_ERR) {
        AfxMessageBox(korvel::IDS_GUIDE_SELECT_ONE);
        return;
    }
    const int unit = gGetQVGlobal() != nullptr ? gGetQVGlobal()->m_nUnit : 0;
    m_dPos = m_editPos.GetValue(unit);
    if (!set->MoveLine(index, m_dPos)) return;
    m_list.DeleteString(index);
    m_list.InsertString(index, FormatGuidePosition(m_dPos));
    m_list.SetCurSel(index);
    FocusPosition();
}

void CSystemSetDlg::OnDelete()
{
    CQvRecordSet* set = ChosenSet();
    if (set == nullptr) return;
    const int index = m_list.GetCurSel();
    if (index == LB_ERR) {
        AfxMessageBox(korvel::IDS_GUIDE_SELECT_ONE);
        return;
    }
    if (set->DeleteLine(index)) m_list.DeleteString(index);
}

void CSystemSetDlg::OnClear()
{
    CQvRecordSet* set = ChosenSet();
    if (set == nullptr) return;
    if (set->DeleteAll(set == &m_hor ? L"水平辅助线" : L"垂直辅助线")) m_list.ResetContent();
}

void CSystemSetDlg::OnListChanged()
{
    const int index = m_list.GetCurSel();
    if (index == LB_ERR) return;
    // The entry's number, in the current unit, goes into the position edit.
    m_dPos = std::wcstod(m_list.GetText(index).GetString(), nullptr);
    UpdateData(FALSE);
    m_editPos.SetValue(m_dPos, 1);
    FocusPosition();
}

void CSystemSetDlg::OnShow()
{
    if (!CDBase::IsLiving()) return;
    CDBase* db = CDBase::Instance();
    db->SetDbAidLineVisible(!db->GetDbAidLineVisible());
    if (CView* view = gGetView()) view->Invalidate(TRUE);
}

int CSystemSetDlg::Ok()
{
    m_db.Commit();
    return 0;
}

void CSystemSetDlg::Cancel() { m_db.Rollback(); }
