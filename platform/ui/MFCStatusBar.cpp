#include "platform/ui/MFCStatusBar.h"

#include "platform/ui/QtConvert.h"

#include <QLabel>
#include <QToolBar>

IMPLEMENT_DYNAMIC(CMFCStatusBar, CBasePane)

BOOL CMFCStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
  if (!CreatePane(pParentWnd, dwStyle, nID)) return FALSE;
  if (m_texts.empty()) m_texts.resize(1);
  return TRUE;
}

BOOL CMFCStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
  if (nIDCount < 0 || (lpIDArray == nullptr && nIDCount > 0)) return FALSE;
  m_ids.assign(lpIDArray, lpIDArray + nIDCount);
  m_texts.assign(static_cast<size_t>(nIDCount), CString());
  for (QPointer<QLabel>& pLabel : m_labels) delete pLabel.data();
  m_labels.clear();
  if (auto* pBar = qobject_cast<QToolBar*>(GetWidget())) {
    for (int i = 0; i < nIDCount; ++i) {
      auto* pLabel = new QLabel(pBar);
      pLabel->setMinimumWidth(i == 0 ? 200 : 110);
      pLabel->setContentsMargins(4, 0, 4, 0);
      pBar->addWidget(pLabel);
      m_labels.push_back(pLabel);
    }
  }
  return TRUE;
}

BOOL CMFCStatusBar::SetPaneText(int nIndex, LPCTSTR lpszNewText, BOOL) {
  if (nIndex < 0 || nIndex >= GetCount()) return FALSE;
  m_texts[static_cast<size_t>(nIndex)] = lpszNewText;
  if (static_cast<size_t>(nIndex) < m_labels.size() && !m_labels[static_cast<size_t>(nIndex)].isNull())
    m_labels[static_cast<size_t>(nIndex)]->setText(ToQString(lpszNewText));
  return TRUE;
}

CString CMFCStatusBar::GetPaneText(int nIndex) const {
  return nIndex >= 0 && nIndex < GetCount() ? m_texts[static_cast<size_t>(nIndex)] : CString();
}
