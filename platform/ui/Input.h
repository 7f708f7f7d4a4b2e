#pragma once
// Keyboard, mouse and cursor services of the window layer.
//
// Qt's mouse, wheel and key events reach windows as the platform's messages
// (WM_LBUTTONDOWN ... WM_MOUSEWHEEL, WM_KEYDOWN, WM_CHAR, ...) with their flag words
// and virtual-key codes; the keyboard state that GetKeyState reports is the state
// seen in the input events delivered so far.

#include "platform/ui/UiTypes.h"

class QImage;

// Virtual-key codes (Windows values). Letters and digits are their upper-case ASCII codes.
constexpr UINT VK_LBUTTON = 0x01;
constexpr UINT VK_RBUTTON = 0x02;
constexpr UINT VK_CANCEL = 0x03;
constexpr UINT VK_MBUTTON = 0x04;
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_CLEAR = 0x0C;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_PAUSE = 0x13;
constexpr UINT VK_CAPITAL = 0x14;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_SNAPSHOT = 0x2C;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_HELP = 0x2F;
constexpr UINT VK_LWIN = 0x5B;
constexpr UINT VK_RWIN = 0x5C;
constexpr UINT VK_APPS = 0x5D;
constexpr UINT VK_NUMPAD0 = 0x60;
constexpr UINT VK_NUMPAD9 = 0x69;
constexpr UINT VK_MULTIPLY = 0x6A;
constexpr UINT VK_ADD = 0x6B;
constexpr UINT VK_SEPARATOR = 0x6C;
constexpr UINT VK_SUBTRACT = 0x6D;
constexpr UINT VK_DECIMAL = 0x6E;
constexpr UINT VK_DIVIDE = 0x6F;
constexpr UINT VK_F1 = 0x70;
constexpr UINT VK_F12 = 0x7B;
constexpr UINT VK_F24 = 0x87;
constexpr UINT VK_NUMLOCK = 0x90;
constexpr UINT VK_SCROLL = 0x91;
constexpr UINT VK_OEM_1 = 0xBA;       // ';:'
constexpr UINT VK_OEM_PLUS = 0xBB;    // '=+'
constexpr UINT VK_OEM_COMMA = 0xBC;   // ',<'
constexpr UINT VK_OEM_MINUS = 0xBD;   // '-_'
constexpr UINT VK_OEM_PERIOD = 0xBE;  // '.>'
constexpr UINT VK_OEM_2 = 0xBF;       // '/?'
constexpr UINT VK_OEM_3 = 0xC0;       // '`~'
constexpr UINT VK_OEM_4 = 0xDB;       // '[{'
constexpr UINT VK_OEM_5 = 0xDC;       // '\|'
constexpr UINT VK_OEM_6 = 0xDD;       // ']}'
constexpr UINT VK_OEM_7 = 0xDE;       // quote

// State of a key as seen in the input delivered so far: the high bit (value
// negative) while it is down, bit 0 toggled at each press (caps lock and the like).
// Mouse buttons are VK_LBUTTON, VK_RBUTTON and VK_MBUTTON.
SHORT GetKeyState(int nVirtKey);
SHORT GetAsyncKeyState(int nVirtKey);

// Mouse capture: while a window holds it, mouse messages go to that window, with
// points in its client coordinates, wherever the pointer is. See CWnd::SetCapture.
BOOL ReleaseCapture();
HWND GetCapture();

// Cursors: opaque handles of the standard shapes.
struct HICON__;
using HCURSOR = HICON__*;
#define MAKEINTRESOURCE(i) (reinterpret_cast<LPCTSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define IDC_ARROW MAKEINTRESOURCE(32512)
#define IDC_IBEAM MAKEINTRESOURCE(32513)
#define IDC_WAIT MAKEINTRESOURCE(32514)
#define IDC_CROSS MAKEINTRESOURCE(32515)
#define IDC_UPARROW MAKEINTRESOURCE(32516)
#define IDC_SIZENWSE MAKEINTRESOURCE(32642)
#define IDC_SIZENESW MAKEINTRESOURCE(32643)
#define IDC_SIZEWE MAKEINTRESOURCE(32644)
#define IDC_SIZENS MAKEINTRESOURCE(32645)
#define IDC_SIZEALL MAKEINTRESOURCE(32646)
#define IDC_NO MAKEINTRESOURCE(32648)
#define IDC_HAND MAKEINTRESOURCE(32649)
#define IDC_APPSTARTING MAKEINTRESOURCE(32650)
#define IDC_HELP MAKEINTRESOURCE(32651)

// A standard cursor (hInstance null, lpCursorName one of IDC_*); null for any other.
HCURSOR LoadCursor(void* hInstance, LPCTSTR lpCursorName);
// Shows the cursor over the window that is handling mouse input (or WM_SETCURSOR)
// now; returns the cursor set before. Null hides the cursor.
HCURSOR SetCursor(HCURSOR hCursor);
// A cursor of the program's own picture, with its hot spot; it lives as long
// as the process. Null for an empty picture.
HCURSOR AfxCreateCursor(const QImage& image, int xHotSpot, int yHotSpot);

// The locale id of the keyboard's input language (0x804 simplified Chinese,
// 0x404 traditional Chinese, 0x409 for any other language here).
unsigned GetThreadLocale();
HCURSOR GetCursor();

// Virtual-key code of a Qt key (Qt::Key value; bKeypad for keys of the numeric
// keypad); 0 for keys without a code. Shifted symbols give their key's code.
UINT AfxVirtualKeyFromQtKey(int qtKey, bool bKeypad = false);
