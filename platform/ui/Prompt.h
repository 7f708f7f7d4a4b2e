#pragma once
// Questions to the user: message boxes and file dialogs go through one replaceable
// prompt object. The default shows Qt dialogs; tests install a scripted one.

#include "platform/core/WinString.h"
#include "platform/ui/UiTypes.h"

#include <utility>
#include <vector>

class CDialog;
class QPrinter;
struct CMenuChoiceItem;

struct CFileDialogRequest {
  BOOL bOpen = TRUE;
  CString strDefExt;    // without the dot
  CString strFileName;  // proposed name or path
  CString strFilter;    // "Name (*.ext)|*.ext|...||"
  CString strTitle;
  DWORD dwFlags = 0;
};

// What a file dialog answers: every chosen path in the dialog's order (several
// when the request allows a multiple selection) and the 1-based index of the
// filter entry selected when it closed.
struct CFileDialogAnswer {
  CFileDialogAnswer() = default;
  // One path, the first filter; an empty path cancels.
  CFileDialogAnswer(const CString& path, int filterIndex = 1) : nFilterIndex(filterIndex) {
    if (!path.IsEmpty()) paths.push_back(path);
  }
  CFileDialogAnswer(std::vector<CString> chosen, int filterIndex) : paths(std::move(chosen)), nFilterIndex(filterIndex) {}

  std::vector<CString> paths;
  int nFilterIndex = 1;
};

class CPromptService {
public:
  virtual ~CPromptService() = default;
  // Returns IDOK, IDCANCEL, IDYES or IDNO as the buttons of nType allow.
  virtual int MessageBox(const CString& strText, const CString& strCaption, UINT nType) = 0;
  // TRUE with at least one chosen path, FALSE when cancelled.
  virtual BOOL ChooseFiles(const CFileDialogRequest& request, CFileDialogAnswer& rAnswer) = 0;
  // The first chosen path.
  BOOL ChooseFile(const CFileDialogRequest& request, CString& rPath);
  // Runs a created modal dialog until it ends (EndDialog) and returns its result.
  // The default shows it with Qt (CDialog::RunModalLoop).
  virtual INT_PTR RunModalDialog(CDialog& dialog);
  // The command chosen from a popup menu at a screen point; 0 when none. The
  // default shows a Qt menu.
  virtual UINT ChooseMenuItem(const std::vector<CMenuChoiceItem>& items, POINT ptScreen);
  // A colour chosen in the colour dialog, starting from rColour; FALSE when
  // cancelled (rColour unchanged). The default shows QColorDialog.
  virtual BOOL ChooseColor(COLORREF& rColour);
  // The page setup dialog on a printer; FALSE when cancelled. The default shows
  // QPageSetupDialog.
  virtual BOOL PageSetup(QPrinter* pPrinter);
};

// The prompt object in use (never null).
CPromptService* AfxGetPromptService();
// Installs a prompt object (not owned); null puts the default back. Returns the previous one.
CPromptService* AfxSetPromptService(CPromptService* pService);

int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The text is the string resource nIDPrompt.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));
