#include "platform/ui/CmdTarget.h"

#include "platform/ui/CmdUI.h"

#include <QApplication>
#include <QCursor>

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
  static const AFX_MSGMAP messageMap = {nullptr, &entries[0]};
  return &messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

namespace {
bool MatchesCommand(const AFX_MSGMAP_ENTRY& e, UINT nID, int nCode) {
  return e.nMessage == WM_COMMAND && e.pRegistered == nullptr && e.nCode == nCode && nID >= e.nID &&
         nID <= e.nLastID;
}
}  // namespace

BOOL CCmdTarget::DispatchCommand(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e) {
      if (!MatchesCommand(*e, nID, nCode)) continue;
      if (pHandlerInfo != nullptr) {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pEntry = e;
        return TRUE;
      }
      e->pfn(this, nID, 0, reinterpret_cast<LPARAM>(pExtra));
      if (nCode == CN_UPDATE_COMMAND_UI && pExtra != nullptr) {
        // An update handler may pass the item on to the next target in the route.
        auto* pCmdUI = static_cast<CCmdUI*>(pExtra);
        const BOOL bContinue = pCmdUI->m_bContinueRouting;
        pCmdUI->m_bContinueRouting = FALSE;
        return !bContinue;
      }
      return TRUE;
    }
  }
  return FALSE;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  return DispatchCommand(nID, nCode, pExtra, pHandlerInfo);
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage) const {
  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e) {
      if (e->pRegistered != nullptr) {
        // A registered message that has not got its number yet (0) matches nothing.
        if (*e->pRegistered != 0 && *e->pRegistered == nMessage) return e;
      } else if (e->nMessage == nMessage && nMessage != WM_COMMAND) {
        return e;
      }
    }
  }
  return nullptr;
}

namespace {
int g_nWaitCursors = 0;
}  // namespace

void CCmdTarget::BeginWaitCursor() {
  if (QApplication::instance() == nullptr) return;
  ++g_nWaitCursors;
  QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void CCmdTarget::EndWaitCursor() {
  if (g_nWaitCursors == 0 || QApplication::instance() == nullptr) return;
  --g_nWaitCursors;
  QApplication::restoreOverrideCursor();
}

void CCmdTarget::RestoreWaitCursor() {
  if (g_nWaitCursors > 0 && QApplication::instance() != nullptr) QApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
}

CWaitCursor::CWaitCursor() {
  CCmdTarget target;
  target.BeginWaitCursor();
}

CWaitCursor::~CWaitCursor() {
  CCmdTarget target;
  target.EndWaitCursor();
}

void CWaitCursor::Restore() {
  CCmdTarget target;
  target.RestoreWaitCursor();
}
