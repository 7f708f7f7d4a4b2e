#pragma once
// Handing files and addresses to the desktop, and the help viewer.
//
// The help file is shown by the desktop's viewer for its type (an HTML page or a
// compiled help file whatever program the desktop has for it); there is no help
// window of our own to close. Tests replace the opener to see what was asked.

#include "platform/core/WinString.h"
#include "platform/ui/UiTypes.h"

#include <functional>

// HtmlHelp commands.
constexpr UINT HH_DISPLAY_TOPIC = 0x0000;
constexpr UINT HH_HELP_FINDER = 0x0000;
constexpr UINT HH_DISPLAY_TOC = 0x0001;
constexpr UINT HH_DISPLAY_INDEX = 0x0002;
constexpr UINT HH_HELP_CONTEXT = 0x000F;
constexpr UINT HH_CLOSE_ALL = 0x0012;

// Opens a file or an address with the desktop; the default opener is
// QDesktopServices::openUrl (plain paths become file addresses). Returns whether
// the desktop took it.
using CDesktopOpener = std::function<bool(const CString& target)>;
// Installs an opener (an empty one puts the default back); returns the previous one.
CDesktopOpener AfxSetDesktopOpener(CDesktopOpener opener);
BOOL AfxOpenWithDesktop(LPCTSTR lpszTarget);

// Shows the help file (HH_DISPLAY_TOPIC, HH_HELP_CONTEXT with the topic id in
// dwData, appended as "#<id>"); HH_CLOSE_ALL and other commands do nothing. Returns
// hwndCaller when the desktop took the file, else null.
HWND HtmlHelp(HWND hwndCaller, LPCTSTR pszFile, UINT uCommand, DWORD_PTR dwData);

// Opens lpFile with the desktop for the "open" verb (or a null verb); other verbs
// and programs named without a path the desktop cannot open fail. Returns a value
// above 32 on success, as the platform does, else 2 (file not found).
INT_PTR ShellExecute(HWND hwnd, LPCTSTR lpOperation, LPCTSTR lpFile, LPCTSTR lpParameters, LPCTSTR lpDirectory,
                     int nShowCmd);
inline INT_PTR ShellExecuteW(HWND hwnd, LPCTSTR lpOperation, LPCTSTR lpFile, LPCTSTR lpParameters,
                             LPCTSTR lpDirectory, int nShowCmd) {
  return ShellExecute(hwnd, lpOperation, lpFile, lpParameters, lpDirectory, nShowCmd);
}
