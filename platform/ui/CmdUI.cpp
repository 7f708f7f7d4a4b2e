#include "platform/ui/CmdUI.h"

#include "platform/ui/QtConvert.h"

#include <QAction>

void CCmdUI::Enable(BOOL bOn) {
  if (m_pAction != nullptr) m_pAction->setEnabled(bOn != FALSE);
  m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
  if (m_pAction == nullptr) return;
  m_pAction->setCheckable(true);
  m_pAction->setChecked(nCheck != 0);
}

void CCmdUI::SetRadio(BOOL bOn) { SetCheck(bOn ? 1 : 0); }

void CCmdUI::SetText(LPCTSTR lpszText) {
  if (m_pAction != nullptr && lpszText != nullptr) m_pAction->setText(ToQString(lpszText));
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
  if (pTarget == nullptr) return FALSE;
  m_bEnableChanged = FALSE;
  BOOL bResult = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
  if (!bResult && bDisableIfNoHndler && !m_bEnableChanged) {
    AFX_CMDHANDLERINFO info{nullptr, nullptr};
    Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, nullptr, &info));
  }
  return bResult;
}

void CTestCmdUI::Enable(BOOL bOn) {
  m_bEnabled = bOn;
  m_bEnableChanged = TRUE;
}
