#pragma once
// A prompt object for tests: answers message boxes and file dialogs from queues and
// records what was asked. An empty queue answers IDCANCEL / cancelled.
// Modal dialogs are answered by pressing a button: an optional step first fills
// the dialog's controls, then the button's WM_COMMAND goes to the dialog (so its
// OnOK / OnCancel run); a dialog that refuses to end takes the next answer, and
// with none left it is cancelled. Popup menus answer the next queued command.

#include "platform/ui/Menu.h"
#include "platform/ui/Prompt.h"

#include <deque>
#include <functional>
#include <vector>

class CScriptedPrompt : public CPromptService {
public:
  // Installs itself for its lifetime.
  CScriptedPrompt();
  ~CScriptedPrompt() override;
  CScriptedPrompt(const CScriptedPrompt&) = delete;
  CScriptedPrompt& operator=(const CScriptedPrompt&) = delete;

  int MessageBox(const CString& strText, const CString& strCaption, UINT nType) override;
  BOOL ChooseFiles(const CFileDialogRequest& request, CFileDialogAnswer& rAnswer) override;
  INT_PTR RunModalDialog(CDialog& dialog) override;
  UINT ChooseMenuItem(const std::vector<CMenuChoiceItem>& items, POINT ptScreen) override;
  BOOL ChooseColor(COLORREF& rColour) override;
  // Runs the next queued step on the printer; none left cancels.
  BOOL PageSetup(QPrinter* pPrinter) override;

  struct DialogAnswer {
    int nButton = IDCANCEL;
    std::function<void(CDialog&)> fill;  // runs on the initialised dialog before the button
  };

  std::deque<int> m_answers;          // next message-box answers
  std::deque<CFileDialogAnswer> m_paths;  // next file-dialog answers; one without a path cancels
  std::vector<CString> m_messages;    // texts shown, in order
  std::vector<CFileDialogRequest> m_fileRequests;
  std::deque<DialogAnswer> m_dialogAnswers;
  std::vector<UINT> m_dialogs;                         // template ids of the dialogs run
  std::deque<UINT> m_menuChoices;                      // 0 dismisses the menu
  std::vector<std::vector<CMenuChoiceItem>> m_menus;   // popups shown
  std::deque<COLORREF> m_colours;                      // next colour-dialog answers; none left cancels
  int m_nColourDialogs = 0;                            // colour dialogs shown
  std::deque<std::function<void(QPrinter*)>> m_pageSetups;  // next page-setup answers
  int m_nPageSetupDialogs = 0;                         // page setup dialogs shown

private:
  CPromptService* m_pPrevious;
};
