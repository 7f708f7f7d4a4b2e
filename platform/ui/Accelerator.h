#pragma once
// Accelerator tables: keys (with Shift, Ctrl, Alt) bound to command ids. A frame
// consults its table for every key message before the message is routed; a match
// becomes WM_COMMAND with the command id (HIWORD(wParam) = 1).
//
// The program's tables are registered by id at start-up, as string resources are
// (see Resources.h); LoadAccelerators hands out the registered table.

#include "platform/ui/UiTypes.h"

#include <initializer_list>

struct MSG;

constexpr BYTE FVIRTKEY = 0x01;  // key is a virtual-key code (else a character code)
constexpr BYTE FNOINVERT = 0x02;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

struct ACCEL {
  BYTE fVirt;
  WORD key;
  WORD cmd;
};
using LPACCEL = ACCEL*;

struct HACCEL__;
using HACCEL = HACCEL__*;

// A table the caller owns (destroy it with DestroyAcceleratorTable); null for no entries.
HACCEL CreateAcceleratorTable(const ACCEL* paccel, int cAccel);
// FALSE for a null handle or a registered (loaded) table, which lives for the process.
BOOL DestroyAcceleratorTable(HACCEL hAccel);
// With lpAccelDst null, the number of entries; else the number copied (at most cAccelEntries).
int CopyAcceleratorTable(HACCEL hAccelSrc, ACCEL* lpAccelDst, int cAccelEntries);

// Registers (or replaces) the table of a resource id.
void AfxRegisterAccelerators(UINT nID, std::initializer_list<ACCEL> entries);
void AfxRegisterAccelerators(UINT nID, const ACCEL* paccel, int cAccel);
// The registered table of nID, or null. Handles of one id stay the same.
HACCEL AfxLoadAccelerators(UINT nID);

// A key message matching an entry (virtual-key entries: WM_KEYDOWN / WM_SYSKEYDOWN
// with exactly the entry's Shift, Ctrl and Alt state; character entries: WM_CHAR /
// WM_SYSCHAR) sends hWnd WM_COMMAND with the entry's command. Nonzero when it did.
int TranslateAccelerator(HWND hWnd, HACCEL hAccTable, MSG* lpMsg);
