// Help: the program's local HTML pages (written into the application-data
// folder's "help" directory when first opened: an index and one page per help
// id asked for), opened with the desktop's handler, else in a help window of
// the program. Closing all help closes those windows.
#pragma once

#include "platform/ui/UiTypes.h"

#include <QString>

#include <functional>

class CWnd;

inline constexpr UINT HH_DISPLAY_TOPIC = 0x0000;
inline constexpr UINT HH_HELP_CONTEXT = 0x000F;
inline constexpr UINT HH_CLOSE_ALL = 0x0012;

namespace korvel {

// Opens a page with the desktop's handler; TRUE when the handler took it.
using HelpOpener = std::function<bool(const QString& path)>;
// Replaces the desktop opener (null restores it); tests pass their own.
void SetHelpOpener(HelpOpener opener);
// The page of a help id (0: the index); written if missing. Empty on failure.
QString HelpPagePath(DWORD_PTR topic);
// Number of open help windows of the program.
int HelpWindowCount();

}  // namespace korvel

// HH_DISPLAY_TOPIC (data 0: the index), HH_HELP_CONTEXT (data: the help id) or
// HH_CLOSE_ALL; TRUE when a page opened or the windows closed.
BOOL HtmlHelp(CWnd* owner, UINT command, DWORD_PTR data);
