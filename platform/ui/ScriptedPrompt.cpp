#include "platform/ui/ScriptedPrompt.h"

CScriptedPrompt::CScriptedPrompt() : m_pPrevious(AfxSetPromptService(this)) {}

CScriptedPrompt::~CScriptedPrompt() { AfxSetPromptService(m_pPrevious); }

int CScriptedPrompt::MessageBox(const CString& strText, const CString&, UINT) {
  m_messages.push_back(strText);
  if (m_answers.empty()) return IDCANCEL;
  const int answer = m_answers.front();
  m_answers.pop_front();
  return answer;
}

BOOL CScriptedPrompt::ChooseFile(const CFileDialogRequest& request, CString& rPath) {
  m_fileRequests.push_back(request);
  if (m_paths.empty()) return FALSE;
  rPath = m_paths.front();
  m_paths.pop_front();
  return rPath.IsEmpty() ? FALSE : TRUE;
}
