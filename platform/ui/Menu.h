#pragma once
// Menus as data: items with ids, texts and check/enable flags, and popups holding
// further items. A frame shows its menu as Qt menus (CFrameWnd::SetMenu); a popup
// tracked with TrackPopupMenu is shown through the prompt object, so tests can
// choose an item.
//
// The program's menus are registered by id at start-up from a small description
// (AfxRegisterMenu), as string resources are; LoadMenu builds a menu from it.

#include "platform/core/WinString.h"
#include "platform/ui/UiTypes.h"

#include <vector>

class CWnd;
class CCmdTarget;

constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;

constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

struct HMENU__;
using HMENU = HMENU__*;

// One item of a menu description: a command (text and id), a separator (no text),
// or a popup (text and sub-items).
struct CMenuItemDesc {
  CMenuItemDesc() = default;  // separator
  CMenuItemDesc(LPCTSTR text, UINT id, UINT flags = 0) : lpszText(text), nID(id), nFlags(flags) {}
  CMenuItemDesc(LPCTSTR text, std::vector<CMenuItemDesc> items) : lpszText(text), subItems(std::move(items)) {}
  CMenuItemDesc(LPCTSTR text, UINT id, std::vector<CMenuItemDesc> items, UINT flags)
      : lpszText(text), nID(id), subItems(std::move(items)), nFlags(flags) {}

  LPCTSTR lpszText = nullptr;
  UINT nID = 0;
  std::vector<CMenuItemDesc> subItems;
  UINT nFlags = 0;  // MF_CHECKED, MF_GRAYED at load
};

// Registers (or replaces) the menu of a resource id: its top-level items; an empty
// list removes the registration.
void AfxRegisterMenu(UINT nID, std::vector<CMenuItemDesc> items);
BOOL AfxHasMenu(UINT nID);

class CMenu {
public:
  CMenu() = default;
  // Destroys the menu it holds unless that menu is a popup inside another menu.
  virtual ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU m_hMenu = nullptr;
  HMENU GetSafeHmenu() const { return m_hMenu; }
  // The wrapper of a live menu handle (kept with the menu), or null.
  static CMenu* FromHandle(HMENU hMenu);
  BOOL Attach(HMENU hMenu);
  HMENU Detach();

  BOOL CreateMenu();
  BOOL CreatePopupMenu();
  // A copy of the registered menu nIDResource; FALSE when none is registered.
  BOOL LoadMenu(UINT nIDResource);
  BOOL DestroyMenu();

  // MF_POPUP: nIDNewItem is the HMENU of the popup, which this menu then owns.
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
  // Inserts before the item nPosition (by command or by position); past the end appends.
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
  BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
  // Removes the item; DeleteMenu also destroys a popup it held.
  BOOL RemoveMenu(UINT nPosition, UINT nFlags);
  BOOL DeleteMenu(UINT nPosition, UINT nFlags);

  int GetMenuItemCount() const;
  // The command id at nPos; (UINT)-1 for a popup or a bad position, 0 for a separator.
  UINT GetMenuItemID(int nPos) const;
  // MF_* flags of the item, or (UINT)-1 when there is none.
  UINT GetMenuState(UINT nID, UINT nFlags) const;
  int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
  // Returns the previous check state, or (UINT)-1 when there is no such item.
  UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
  // Returns the previous MF_GRAYED / MF_DISABLED state, or (UINT)-1.
  UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
  // The popup at nPos (owned by this menu), or null.
  CMenu* GetSubMenu(int nPos) const;

  // Shows the popup at the screen point. Before it shows, its items are updated
  // through pWnd's command routing (CCmdUI); the chosen command is posted to pWnd
  // as WM_COMMAND, or with TPM_RETURNCMD returned instead. Without TPM_RETURNCMD
  // the result is TRUE when an item was chosen.
  BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);

  // Runs the update handlers of the items (recursively) through pTarget's routing.
  void UpdateItems(CCmdTarget* pTarget, BOOL bDisableIfNoHandler);

private:
  BOOL m_bOwned = false;
};

// What the prompt object shows for a tracked popup.
struct CMenuChoiceItem {
  UINT nID = 0;  // 0 for separators and popups
  CString strText;
  UINT nFlags = 0;
  std::vector<CMenuChoiceItem> subItems;
};
std::vector<CMenuChoiceItem> AfxDescribeMenu(const CMenu& menu);
