#include "platform/ui/Shell.h"

#include "platform/ui/QtApp.h"
#include "platform/ui/QtConvert.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

CDesktopOpener& Opener() {
  static CDesktopOpener opener;
  return opener;
}

bool DefaultOpen(const CString& target) {
  if (!AfxEnsureQtApplication()) return false;
  const QString text = ToQString(target);
  const QUrl url = text.contains(QLatin1String("://")) ? QUrl(text) : QUrl::fromLocalFile(text);
  return QDesktopServices::openUrl(url);
}

}  // namespace

CDesktopOpener AfxSetDesktopOpener(CDesktopOpener opener) {
  CDesktopOpener old = std::move(Opener());
  Opener() = std::move(opener);
  return old;
}

BOOL AfxOpenWithDesktop(LPCTSTR lpszTarget) {
  if (lpszTarget == nullptr || *lpszTarget == L'\0') return FALSE;
  const CString target(lpszTarget);
  const bool ok = Opener() ? Opener()(target) : DefaultOpen(target);
  return ok ? TRUE : FALSE;
}

HWND HtmlHelp(HWND hwndCaller, LPCTSTR pszFile, UINT uCommand, DWORD_PTR dwData) {
  if (pszFile == nullptr) return nullptr;
  CString target(pszFile);
  // A "file::topic" address shows the file; the topic part has no viewer here.
  const int nTopic = target.Find(L"::");
  if (nTopic >= 0) target = target.Left(nTopic);
  switch (uCommand) {
    case HH_DISPLAY_TOPIC:
    case HH_DISPLAY_TOC:
    case HH_DISPLAY_INDEX:
      break;
    case HH_HELP_CONTEXT: {
      CString anchor;
      anchor.Format(L"#%u", static_cast<unsigned>(dwData));
      target += anchor;
      break;
    }
    default:
      return nullptr;
  }
  return AfxOpenWithDesktop(target) ? hwndCaller : nullptr;
}

INT_PTR ShellExecute(HWND, LPCTSTR lpOperation, LPCTSTR lpFile, LPCTSTR, LPCTSTR lpDirectory, int) {
  constexpr INT_PTR kFileNotFound = 2;
  constexpr INT_PTR kDone = 42;
  if (lpFile == nullptr) return kFileNotFound;
  if (lpOperation != nullptr && CString(lpOperation) != L"open") return kFileNotFound;
  CString target(lpFile);
  if (lpDirectory != nullptr && *lpDirectory != L'\0' && !ToQString(target).contains(QLatin1String("://")) &&
      QFileInfo(ToQString(target)).isRelative()) {
    target = CString(lpDirectory) + L"/" + target;
  }
  return AfxOpenWithDesktop(target) ? kDone : kFileNotFound;
}
