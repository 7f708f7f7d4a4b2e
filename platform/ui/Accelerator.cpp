#include "platform/ui/Accelerator.h"

#include "platform/ui/Input.h"
#include "platform/ui/Wnd.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

// The table behind a handle.
struct HACCEL__ {
  std::vector<ACCEL> entries;
  bool bRegistered = false;
};

namespace {

std::map<UINT, std::unique_ptr<HACCEL__>>& Registered() {
  static std::map<UINT, std::unique_ptr<HACCEL__>> tables;
  return tables;
}

bool ModifiersMatch(BYTE fVirt) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const bool alt = GetKeyState(VK_MENU) < 0;
  return shift == ((fVirt & FSHIFT) != 0) && ctrl == ((fVirt & FCONTROL) != 0) && alt == ((fVirt & FALT) != 0);
}

bool Matches(const ACCEL& a, const MSG& msg) {
  if ((a.fVirt & FVIRTKEY) != 0) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    return a.key == msg.wParam && ModifiersMatch(a.fVirt);
  }
  // Character entries: the typed character itself; Alt distinguishes WM_SYSCHAR.
  if (msg.message != WM_CHAR && msg.message != WM_SYSCHAR) return false;
  const bool alt = msg.message == WM_SYSCHAR;
  return a.key == msg.wParam && alt == ((a.fVirt & FALT) != 0);
}

}  // namespace

HACCEL CreateAcceleratorTable(const ACCEL* paccel, int cAccel) {
  if (paccel == nullptr || cAccel <= 0) return nullptr;
  auto* table = new HACCEL__;
  table->entries.assign(paccel, paccel + cAccel);
  return table;
}

BOOL DestroyAcceleratorTable(HACCEL hAccel) {
  if (hAccel == nullptr || hAccel->bRegistered) return FALSE;
  delete hAccel;
  return TRUE;
}

int CopyAcceleratorTable(HACCEL hAccelSrc, ACCEL* lpAccelDst, int cAccelEntries) {
  if (hAccelSrc == nullptr) return 0;
  const int count = static_cast<int>(hAccelSrc->entries.size());
  if (lpAccelDst == nullptr) return count;
  const int n = std::min(count, std::max(cAccelEntries, 0));
  for (int i = 0; i < n; ++i) lpAccelDst[i] = hAccelSrc->entries[static_cast<size_t>(i)];
  return n;
}

void AfxRegisterAccelerators(UINT nID, std::initializer_list<ACCEL> entries) {
  AfxRegisterAccelerators(nID, entries.begin(), static_cast<int>(entries.size()));
}

void AfxRegisterAccelerators(UINT nID, const ACCEL* paccel, int cAccel) {
  auto& slot = Registered()[nID];
  // Handles already given out stay valid: the table is refilled in place.
  if (slot == nullptr) {
    slot = std::make_unique<HACCEL__>();
    slot->bRegistered = true;
  }
  slot->entries.clear();
  if (paccel != nullptr && cAccel > 0) slot->entries.assign(paccel, paccel + cAccel);
}

HACCEL AfxLoadAccelerators(UINT nID) {
  auto it = Registered().find(nID);
  return it != Registered().end() ? it->second.get() : nullptr;
}

int TranslateAccelerator(HWND hWnd, HACCEL hAccTable, MSG* lpMsg) {
  CWnd* pWnd = CWnd::FromHandle(hWnd);
  if (pWnd == nullptr || hAccTable == nullptr || lpMsg == nullptr) return 0;
  for (const ACCEL& a : hAccTable->entries) {
    if (!Matches(a, *lpMsg)) continue;
    pWnd->SendMessage(WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
    return 1;
  }
  return 0;
}
