// The guide-line page of the settings sheet: the guide lines of one
// orientation at a time in a list, with add, modify, delete and clear, and the
// switch that shows or hides guide lines. Changes reach the drawing at once;
// Cancel takes them back out of the drawing and the undo history.
#pragma once

#include "app/AidLineRecordSet.h"
#include "framework/widgra/ui/DigitEdit.h"
#include "framework/widgra/ui/PropertySheet.h"
#include "platform/ui/ListControls.h"

class CSystemSetDlg : public CQvPropertyPage {
    DECLARE_DYNAMIC(CSystemSetDlg)
public:
    static constexpr UINT IDD = 495;
    static constexpr UINT kHorizontal = 160, kVertical = 172, kAdd = 621, kDelete = 801, kModify = 799,
                          kClear = 800, kShow = 804, kList = 622, kPosition = 802;

    CSystemSetDlg();

    BOOL OnInitDialog() override;
    int Ok() override;
    void Cancel() override;

    void OnHorizontal();
    void OnVertical();
    void OnAdd();
    void OnModify();
    void OnDelete();
    void OnClear();
    void OnListChanged();
    void OnShow();

    CQvRecordSet& GetSet(int orientation) { return orientation == 0 ? static_cast<CQvRecordSet&>(m_hor) : m_ver; }
    CListBox m_list;
    CDigitEdit m_editPos;
    double m_dPos = 0.0;

protected:
    DECLARE_MESSAGE_MAP()

private:
    // The chosen set by the radio buttons; null with neither checked.
    CQvRecordSet* ChosenSet();
    void FillList();
    void FocusPosition();

    CQvDatabase m_db;
    CQvHorAidLineRecordSet m_hor;
    CQvVerAidLineRecordSet m_ver;
};

// A position in millimetres as the list shows it: in the current unit, "%.3f".
CString FormatGuidePosition(double millimetres);
