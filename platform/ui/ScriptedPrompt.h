#pragma once
// A prompt object for tests: answers message boxes and file dialogs from queues and
// records what was asked. An empty queue answers IDCANCEL / cancelled.

#include "platform/ui/Prompt.h"

#include <deque>
#include <vector>

class CScriptedPrompt : public CPromptService {
public:
  // Installs itself for its lifetime.
  CScriptedPrompt();
  ~CScriptedPrompt() override;
  CScriptedPrompt(const CScriptedPrompt&) = delete;
  CScriptedPrompt& operator=(const CScriptedPrompt&) = delete;

  int MessageBox(const CString& strText, const CString& strCaption, UINT nType) override;
  BOOL ChooseFile(const CFileDialogRequest& request, CString& rPath) override;

  std::deque<int> m_answers;          // next message-box answers
  std::deque<CString> m_paths;        // next file-dialog paths; an empty string cancels
  std::vector<CString> m_messages;    // texts shown, in order
  std::vector<CFileDialogRequest> m_fileRequests;

private:
  CPromptService* m_pPrevious;
};
