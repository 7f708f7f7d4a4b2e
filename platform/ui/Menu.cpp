#include "platform/ui/Menu.h"

#include "platform/ui/CmdUI.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Wnd.h"

#include <map>
#include <memory>
#include <unordered_set>

// A menu: its items, the menu holding it (null for a top menu) and the wrapper
// that FromHandle hands out.
struct HMENU__ {
  struct Item {
    UINT nID = 0;
    UINT nFlags = 0;
    CString strText;
    HMENU__* pPopup = nullptr;  // owned
  };
  std::vector<Item> items;
  HMENU__* pParent = nullptr;
  std::unique_ptr<CMenu> pWrapper;
};

namespace {

std::unordered_set<HMENU>& LiveMenus() {
  static std::unordered_set<HMENU> menus;
  return menus;
}

std::map<UINT, std::vector<CMenuItemDesc>>& RegisteredMenus() {
  static std::map<UINT, std::vector<CMenuItemDesc>> menus;
  return menus;
}

bool IsLive(HMENU h) { return h != nullptr && LiveMenus().count(h) != 0; }

HMENU NewMenu() {
  auto* h = new HMENU__;
  LiveMenus().insert(h);
  return h;
}

void FreeMenu(HMENU h) {
  if (!IsLive(h)) return;
  for (auto& item : h->items) FreeMenu(item.pPopup);
  LiveMenus().erase(h);
  if (h->pWrapper != nullptr) h->pWrapper->m_hMenu = nullptr;
  delete h;
}

void Build(HMENU h, const std::vector<CMenuItemDesc>& items) {
  for (const CMenuItemDesc& d : items) {
    HMENU__::Item item;
    item.nID = d.nID;
    item.nFlags = d.nFlags;
    if (d.lpszText != nullptr) item.strText = d.lpszText;
    // A popup may start empty (MF_POPUP given) and be filled before it shows.
    if (!d.subItems.empty() || (d.nFlags & MF_POPUP) != 0) {
      item.nFlags |= MF_POPUP;
      item.nID = 0;
      item.pPopup = NewMenu();
      item.pPopup->pParent = h;
      Build(item.pPopup, d.subItems);
    } else if (d.lpszText == nullptr) {
      item.nFlags |= MF_SEPARATOR;
    }
    h->items.push_back(std::move(item));
  }
}

// The item by command (searching popups too) or by position; null when none.
HMENU__::Item* FindItem(HMENU h, UINT nPosition, UINT nFlags, HMENU* pOwner = nullptr) {
  if (!IsLive(h)) return nullptr;
  if ((nFlags & MF_BYPOSITION) != 0) {
    if (nPosition >= h->items.size()) return nullptr;
    if (pOwner != nullptr) *pOwner = h;
    return &h->items[nPosition];
  }
  for (auto& item : h->items) {
    if (item.pPopup != nullptr) {
      if (auto* found = FindItem(item.pPopup, nPosition, nFlags, pOwner)) return found;
    } else if ((item.nFlags & MF_SEPARATOR) == 0 && item.nID == nPosition) {
      if (pOwner != nullptr) *pOwner = h;
      return &item;
    }
  }
  return nullptr;
}

bool MakeItem(HMENU h, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem, HMENU__::Item& item) {
  item.nFlags = nFlags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR);
  if (lpszNewItem != nullptr) item.strText = lpszNewItem;
  if ((nFlags & MF_POPUP) != 0) {
    auto hPopup = reinterpret_cast<HMENU>(nIDNewItem);
    // A popup belongs to one menu only, and never to itself or its own popups.
    if (!IsLive(hPopup) || hPopup->pParent != nullptr) return false;
    for (HMENU p = h; p != nullptr; p = p->pParent) {
      if (p == hPopup) return false;
    }
    item.pPopup = hPopup;
    item.nID = 0;
  } else {
    item.nID = static_cast<UINT>(nIDNewItem);
  }
  return true;
}

// Applies update handlers' answers to a menu item.
class CMenuCmdUI : public CCmdUI {
public:
  explicit CMenuCmdUI(HMENU__::Item* pItem) : m_pItem(pItem) {}
  void Enable(BOOL bOn) override {
    m_pItem->nFlags = bOn ? (m_pItem->nFlags & ~(MF_GRAYED | MF_DISABLED)) : (m_pItem->nFlags | MF_GRAYED);
    m_bEnableChanged = TRUE;
  }
  void SetCheck(int nCheck) override {
    m_pItem->nFlags = nCheck != 0 ? (m_pItem->nFlags | MF_CHECKED) : (m_pItem->nFlags & ~MF_CHECKED);
  }
  void SetRadio(BOOL bOn) override { SetCheck(bOn ? 1 : 0); }
  void SetText(LPCTSTR lpszText) override { m_pItem->strText = lpszText != nullptr ? lpszText : L""; }

private:
  HMENU__::Item* m_pItem;
};

void UpdateMenuItems(HMENU h, CCmdTarget* pTarget, BOOL bDisableIfNoHandler) {
  if (!IsLive(h)) return;
  for (size_t i = 0; i < h->items.size(); ++i) {
    HMENU__::Item& item = h->items[i];
    if (item.pPopup != nullptr) {
      UpdateMenuItems(item.pPopup, pTarget, bDisableIfNoHandler);
    } else if ((item.nFlags & MF_SEPARATOR) == 0 && item.nID != 0) {
      CMenuCmdUI state(&item);
      state.m_nID = item.nID;
      state.m_pMenu = CMenu::FromHandle(h);
      state.m_nIndex = static_cast<UINT>(i);
      state.m_nIndexMax = static_cast<UINT>(h->items.size());
      state.DoUpdate(pTarget, bDisableIfNoHandler);
    }
  }
}

std::vector<CMenuChoiceItem> Describe(HMENU h) {
  std::vector<CMenuChoiceItem> out;
  if (!IsLive(h)) return out;
  for (const auto& item : h->items) {
    CMenuChoiceItem c;
    c.nID = item.pPopup != nullptr || (item.nFlags & MF_SEPARATOR) != 0 ? 0 : item.nID;
    c.strText = item.strText;
    c.nFlags = item.nFlags;
    if (item.pPopup != nullptr) c.subItems = Describe(item.pPopup);
    out.push_back(std::move(c));
  }
  return out;
}

bool HasEnabledCommand(const std::vector<CMenuChoiceItem>& items, UINT nID) {
  for (const auto& c : items) {
    if (!c.subItems.empty() && HasEnabledCommand(c.subItems, nID)) return true;
    if (c.subItems.empty() && c.nID == nID && (c.nFlags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR)) == 0) return true;
  }
  return false;
}

}  // namespace

void AfxRegisterMenu(UINT nID, std::vector<CMenuItemDesc> items) {
  if (items.empty()) {
    RegisteredMenus().erase(nID);
  } else {
    RegisteredMenus()[nID] = std::move(items);
  }
}

BOOL AfxHasMenu(UINT nID) { return RegisteredMenus().count(nID) != 0; }

std::vector<CMenuChoiceItem> AfxDescribeMenu(const CMenu& menu) { return Describe(menu.m_hMenu); }

CMenu::~CMenu() {
  if (!IsLive(m_hMenu)) return;
  if (m_hMenu->pWrapper.get() == this) {
    // The wrapper kept by the menu itself is going with it.
    m_hMenu->pWrapper.release();
    return;
  }
  if (m_bOwned && m_hMenu->pParent == nullptr) FreeMenu(m_hMenu);
}

CMenu* CMenu::FromHandle(HMENU hMenu) {
  if (!IsLive(hMenu)) return nullptr;
  if (hMenu->pWrapper == nullptr) {
    hMenu->pWrapper = std::make_unique<CMenu>();
    hMenu->pWrapper->m_hMenu = hMenu;
  }
  return hMenu->pWrapper.get();
}

BOOL CMenu::Attach(HMENU hMenu) {
  if (m_hMenu != nullptr || !IsLive(hMenu)) return FALSE;
  m_hMenu = hMenu;
  m_bOwned = TRUE;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU h = m_hMenu;
  m_hMenu = nullptr;
  m_bOwned = FALSE;
  return h;
}

BOOL CMenu::CreateMenu() {
  if (m_hMenu != nullptr) return FALSE;
  m_hMenu = NewMenu();
  m_bOwned = TRUE;
  return TRUE;
}

BOOL CMenu::CreatePopupMenu() { return CreateMenu(); }

BOOL CMenu::LoadMenu(UINT nIDResource) {
  auto it = RegisteredMenus().find(nIDResource);
  if (m_hMenu != nullptr || it == RegisteredMenus().end()) return FALSE;
  CreateMenu();
  Build(m_hMenu, it->second);
  return TRUE;
}

BOOL CMenu::DestroyMenu() {
  if (!IsLive(m_hMenu)) return FALSE;
  HMENU h = Detach();
  if (h->pParent != nullptr) {
    // A popup being destroyed leaves its menu.
    auto& siblings = h->pParent->items;
    std::erase_if(siblings, [h](const HMENU__::Item& item) { return item.pPopup == h; });
    h->pParent = nullptr;
  }
  FreeMenu(h);
  return TRUE;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
  return InsertMenu(static_cast<UINT>(-1), nFlags | MF_BYPOSITION, nIDNewItem, lpszNewItem);
}

BOOL CMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
  if (!IsLive(m_hMenu)) return FALSE;
  HMENU hOwner = m_hMenu;
  size_t index = m_hMenu->items.size();
  if ((nFlags & MF_BYPOSITION) != 0) {
    index = std::min<size_t>(nPosition, m_hMenu->items.size());
  } else if (HMENU__::Item* before = FindItem(m_hMenu, nPosition, MF_BYCOMMAND, &hOwner)) {
    index = static_cast<size_t>(before - hOwner->items.data());
  }
  HMENU__::Item item;
  if (!MakeItem(hOwner, nFlags, nIDNewItem, lpszNewItem, item)) return FALSE;
  if (item.pPopup != nullptr) item.pPopup->pParent = hOwner;
  hOwner->items.insert(hOwner->items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
  return TRUE;
}

BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
  HMENU hOwner = nullptr;
  HMENU__::Item* pItem = FindItem(m_hMenu, nPosition, nFlags, &hOwner);
  if (pItem == nullptr) return FALSE;
  HMENU__::Item item;
  if (!MakeItem(hOwner, nFlags, nIDNewItem, lpszNewItem, item)) return FALSE;
  if (pItem->pPopup != nullptr && pItem->pPopup != item.pPopup) FreeMenu(pItem->pPopup);
  if (item.pPopup != nullptr) item.pPopup->pParent = hOwner;
  *pItem = std::move(item);
  return TRUE;
}

BOOL CMenu::RemoveMenu(UINT nPosition, UINT nFlags) {
  HMENU hOwner = nullptr;
  HMENU__::Item* pItem = FindItem(m_hMenu, nPosition, nFlags, &hOwner);
  if (pItem == nullptr) return FALSE;
  // A removed popup lives on as a top menu of its own (as the platform leaves it).
  if (pItem->pPopup != nullptr) pItem->pPopup->pParent = nullptr;
  hOwner->items.erase(hOwner->items.begin() + (pItem - hOwner->items.data()));
  return TRUE;
}

BOOL CMenu::DeleteMenu(UINT nPosition, UINT nFlags) {
  HMENU hOwner = nullptr;
  HMENU__::Item* pItem = FindItem(m_hMenu, nPosition, nFlags, &hOwner);
  if (pItem == nullptr) return FALSE;
  HMENU hPopup = pItem->pPopup;
  hOwner->items.erase(hOwner->items.begin() + (pItem - hOwner->items.data()));
  FreeMenu(hPopup);
  return TRUE;
}

int CMenu::GetMenuItemCount() const { return IsLive(m_hMenu) ? static_cast<int>(m_hMenu->items.size()) : -1; }

UINT CMenu::GetMenuItemID(int nPos) const {
  if (!IsLive(m_hMenu) || nPos < 0 || static_cast<size_t>(nPos) >= m_hMenu->items.size()) {
    return static_cast<UINT>(-1);
  }
  const auto& item = m_hMenu->items[static_cast<size_t>(nPos)];
  if (item.pPopup != nullptr) return static_cast<UINT>(-1);
  return (item.nFlags & MF_SEPARATOR) != 0 ? 0 : item.nID;
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const {
  const HMENU__::Item* pItem = FindItem(m_hMenu, nID, nFlags);
  return pItem != nullptr ? pItem->nFlags : static_cast<UINT>(-1);
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
  const HMENU__::Item* pItem = FindItem(m_hMenu, nIDItem, nFlags);
  rString = pItem != nullptr ? pItem->strText : CString();
  return rString.GetLength();
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck) {
  HMENU__::Item* pItem = FindItem(m_hMenu, nIDCheckItem, nCheck);
  if (pItem == nullptr) return static_cast<UINT>(-1);
  const UINT old = pItem->nFlags & MF_CHECKED;
  pItem->nFlags = (pItem->nFlags & ~MF_CHECKED) | (nCheck & MF_CHECKED);
  return old;
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
  HMENU__::Item* pItem = FindItem(m_hMenu, nIDEnableItem, nEnable);
  if (pItem == nullptr) return static_cast<UINT>(-1);
  const UINT old = pItem->nFlags & (MF_GRAYED | MF_DISABLED);
  pItem->nFlags = (pItem->nFlags & ~(MF_GRAYED | MF_DISABLED)) | (nEnable & (MF_GRAYED | MF_DISABLED));
  return old;
}

CMenu* CMenu::GetSubMenu(int nPos) const {
  if (!IsLive(m_hMenu) || nPos < 0 || static_cast<size_t>(nPos) >= m_hMenu->items.size()) return nullptr;
  return FromHandle(m_hMenu->items[static_cast<size_t>(nPos)].pPopup);
}

void CMenu::UpdateItems(CCmdTarget* pTarget, BOOL bDisableIfNoHandler) {
  if (pTarget != nullptr) UpdateMenuItems(m_hMenu, pTarget, bDisableIfNoHandler);
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT) {
  if (!IsLive(m_hMenu)) return FALSE;
  const HWND hWnd = pWnd != nullptr ? pWnd->m_hWnd : nullptr;
  if (pWnd != nullptr) {
    auto* pFrame = dynamic_cast<CFrameWnd*>(pWnd);
    UpdateItems(pWnd, pFrame != nullptr ? pFrame->m_bAutoMenuEnable : FALSE);
  }
  const std::vector<CMenuChoiceItem> items = Describe(m_hMenu);
  UINT nChosen = AfxGetPromptService()->ChooseMenuItem(items, POINT{x, y});
  // Only an enabled command of this popup can be chosen.
  if (nChosen != 0 && !HasEnabledCommand(items, nChosen)) nChosen = 0;
  if ((nFlags & TPM_RETURNCMD) != 0) return static_cast<BOOL>(nChosen);
  if (nChosen == 0) return FALSE;
  if (CWnd* pOwner = CWnd::FromHandle(hWnd)) pOwner->PostMessage(WM_COMMAND, nChosen, 0);
  return TRUE;
}
