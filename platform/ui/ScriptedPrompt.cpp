#include "platform/ui/ScriptedPrompt.h"

#include "platform/ui/Dialog.h"

CScriptedPrompt::CScriptedPrompt() : m_pPrevious(AfxSetPromptService(this)) {}

CScriptedPrompt::~CScriptedPrompt() { AfxSetPromptService(m_pPrevious); }

int CScriptedPrompt::MessageBox(const CString& strText, const CString&, UINT) {
  m_messages.push_back(strText);
  if (m_answers.empty()) return IDCANCEL;
  const int answer = m_answers.front();
  m_answers.pop_front();
  return answer;
}

BOOL CScriptedPrompt::ChooseFiles(const CFileDialogRequest& request, CFileDialogAnswer& rAnswer) {
  m_fileRequests.push_back(request);
  if (m_paths.empty()) return FALSE;
  rAnswer = m_paths.front();
  m_paths.pop_front();
  return rAnswer.paths.empty() ? FALSE : TRUE;
}

INT_PTR CScriptedPrompt::RunModalDialog(CDialog& dialog) {
  m_dialogs.push_back(dialog.GetTemplateID());
  const HWND hWnd = dialog.m_hWnd;
  while (!dialog.IsEnded() && CWnd::FromHandle(hWnd) == &dialog) {
    if (m_dialogAnswers.empty()) {
      dialog.EndDialog(IDCANCEL);
      break;
    }
    DialogAnswer answer = std::move(m_dialogAnswers.front());
    m_dialogAnswers.pop_front();
    if (answer.fill) answer.fill(dialog);
    if (CWnd::FromHandle(hWnd) != &dialog || dialog.IsEnded()) break;
    dialog.SendMessage(WM_COMMAND, static_cast<WPARAM>(answer.nButton), 0);
  }
  return dialog.IsEnded() ? dialog.GetModalResult() : IDCANCEL;
}

UINT CScriptedPrompt::ChooseMenuItem(const std::vector<CMenuChoiceItem>& items, POINT) {
  m_menus.push_back(items);
  if (m_menuChoices.empty()) return 0;
  const UINT nID = m_menuChoices.front();
  m_menuChoices.pop_front();
  return nID;
}

BOOL CScriptedPrompt::ChooseColor(COLORREF& rColour) {
  ++m_nColourDialogs;
  if (m_colours.empty()) return FALSE;
  rColour = m_colours.front();
  m_colours.pop_front();
  return TRUE;
}

BOOL CScriptedPrompt::PageSetup(QPrinter* pPrinter) {
  ++m_nPageSetupDialogs;
  if (m_pageSetups.empty()) return FALSE;
  auto step = std::move(m_pageSetups.front());
  m_pageSetups.pop_front();
  if (step) step(pPrinter);
  return TRUE;
}
