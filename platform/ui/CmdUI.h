#pragma once
// Update-command-UI requests: a handler decides an item's enabled state, check mark
// and text; the result reaches the item's QAction (menu entry or tool-bar button).

#include "platform/core/WinString.h"
#include "platform/ui/CmdTarget.h"

class QAction;

class CCmdUI {
public:
  CCmdUI() = default;
  virtual ~CCmdUI() = default;

  virtual void Enable(BOOL bOn = TRUE);
  // 0 unchecked, 1 checked, 2 indeterminate (shown as checked).
  virtual void SetCheck(int nCheck = 1);
  virtual void SetRadio(BOOL bOn = TRUE);
  virtual void SetText(LPCTSTR lpszText);

  // Asks pTarget's routing for an update handler. Without one, and when
  // bDisableIfNoHandler, the item is enabled exactly when a command handler exists.
  // TRUE when an update handler ran.
  BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

  UINT m_nID = 0;
  UINT m_nIndex = 0;
  UINT m_nIndexMax = 0;
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;  // set by a handler to let routing go on
  QAction* m_pAction = nullptr;     // the item updated; may be null (state test only)
  class CMenu* m_pMenu = nullptr;   // the menu holding the item; null for a tool-bar button
};

// Records the answer of update handlers without touching any item; used to test
// whether a command is enabled before it runs.
class CTestCmdUI : public CCmdUI {
public:
  void Enable(BOOL bOn = TRUE) override;
  void SetCheck(int nCheck = 1) override { m_nCheck = nCheck; }
  void SetRadio(BOOL bOn = TRUE) override { m_nCheck = bOn ? 1 : 0; }
  void SetText(LPCTSTR lpszText) override { m_strText = lpszText; }

  BOOL m_bEnabled = TRUE;
  int m_nCheck = 0;
  CString m_strText;
};
