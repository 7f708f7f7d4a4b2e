#pragma once
// Status bar: a row of text panes; in a frame, a fixed bar at the bottom whose
// panes show as labels.

#include "platform/core/WinString.h"
#include "platform/ui/BasePane.h"

#include <QLabel>
#include <QPointer>

#include <vector>

class CMFCStatusBar : public CBasePane {
  DECLARE_DYNAMIC(CMFCStatusBar)
public:
  CMFCStatusBar() = default;

  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE, UINT nID = AFX_IDW_STATUS_BAR);
  // One pane per id (the ids are kept; their texts start empty).
  BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);
  int GetCount() const { return static_cast<int>(m_texts.size()); }
  BOOL SetPaneText(int nIndex, LPCTSTR lpszNewText, BOOL bUpdate = TRUE);
  CString GetPaneText(int nIndex) const;
  Placement GetPlacement() const override { return Placement::kFixedBar; }
  DWORD GetDefaultSide() const override { return CBRS_ALIGN_BOTTOM; }

protected:
  using CWnd::Create;
  std::vector<UINT> m_ids;
  std::vector<CString> m_texts;
  std::vector<QPointer<QLabel>> m_labels;  // owned by the bar's widget
};
