// The command hub: owns the registered commands, runs them by id and
// sub-command, keeps the running application command and the current main
// command, passes view input to the running command (else to the main
// command), draws the running command's overlay, decides the state of the
// commands' menu items, and stores the commands' settings in its part of the
// configuration file.
//
// Configuration stream (little-endian, this library's own layout):
//   DWORD 0x594C524B ("KRLY"), int32 format 1, int32 coordinate display,
//   int32 jump-to-end, DWORD id of the current main command (0 none);
//   then int32 count and, per command with settings, DWORD id, DWORD byte
//   count and the bytes of the command's own Serialize.
// The first-pass reader (Serialize1) reads only the head.
#pragma once

#include "framework/relayon/Command.h"

#include <memory>
#include <utility>
#include <vector>

class CCmdUI;
class CFrameWnd;
class CWnd;

class CRelayon {
public:
    static constexpr DWORD kStreamMagic = 0x594C524Bu;
    static constexpr int kStreamFormat = 1;
    static constexpr int kMaxPrevCmd = 10;

    CRelayon();
    ~CRelayon();
    CRelayon(const CRelayon&) = delete;
    CRelayon& operator=(const CRelayon&) = delete;

    // Registration takes ownership of the command in every case: a null
    // command, an id of 0 or an id already registered is refused (the command
    // is deleted) with FALSE.
    BOOL RegAppCmd(CCommand* cmd);
    BOOL RegMainCmd(CCommand* cmd);

    // Null when none.
    CCommand* GetCmd(UINT id) const;
    CCommand* GetCmd(LPCTSTR name) const;
    CCommand* GetMainCmd(UINT id) const;
    CCommand* GetMainCmdOnType(int hostType) const;
    CCommand* GetCurCmd() const { return m_pCurCmd; }
    CCommand* GetCurMainCmd() const { return m_pMainCmd; }

    // Runs an application command: a disabled or unknown command runs nothing
    // (0). With bCancelRunning the running command ends first; without it the
    // running command sleeps and wakes up when the new one ends. Returns
    // StartUp's result (1 the command waits for input, 0 it is done).
    int RunAppCmd(UINT id, int subCommand);
    int RunAppCmd(CCommand* cmd, int subCommand, BOOL bCancelRunning);
    // Ends the running command, then starts cmd.
    int RunAppCmdMutil(CCommand* cmd, int subCommand);
    // Ends the running application command, makes the main command current and
    // starts it. 0 for an unknown id.
    int RunMainCmd(UINT id, int subCommand = 0);
    BOOL SetCurMainCmd(UINT id);
    // Cancels the running application command (and those sleeping under it).
    void CancelCurCmd();
    // 1 while an application command runs, else 0.
    int CurCmdFlag() const { return m_pCurCmd != nullptr ? 1 : 0; }

    // Commands without a name take the text of their menu item ('&' removed,
    // from a tab on cut off).
    void SetCmdName(const std::vector<std::pair<UINT, CString>>& items);
    void SetCmdName(CFrameWnd* frame);

    // Shows text in the status control (when there is one) and keeps it.
    void Prompt(LPCTSTR text);
    const CString& GetPromptText() const { return m_strPrompt; }
    void AskForKeyIn(CCommand* cmd, int kind);
    int GetKeyInKind() const { return m_nKeyInKind; }
    // A cursor set for the moment through the hub (0: none); while there is
    // one, the view leaves the cursor alone.
    int GetDynCursor() const { return m_nDynCursor; }
    void SetDynCursor(int cursor) { m_nDynCursor = cursor; }
    // Ids of the commands run before, most recent first.
    void GetPrevCmd(std::vector<UINT>& ids) const;

    // Runs the command whose single-key accelerator is key + modifier; FALSE
    // when none matches.
    BOOL TranslateAccel(UINT key, UINT modifier);

    void Serialize1(CArchive& ar);
    void Serialize(CArchive& ar);

    // Overlay of the running (else main) command.
    void OnDraw(CDC* dc, int mode);
    void OnDraw(COpenGLDC* dc, int mode);

    // Input of the view, for the running command, else the main command.
    int OnLButtonDown(UINT flags, Position& pos);
    int OnLButtonUp(UINT flags, Position& pos);
    int OnLButtonDblClk(UINT flags, Position& pos);
    int OnRButtonDown(UINT flags, Position& pos);
    int OnRButtonUp(UINT flags, Position& pos);
    int OnRButtonDblClk(UINT flags, Position& pos);
    int OnMButtonDown(UINT flags, Position& pos);
    int OnMButtonUp(UINT flags, Position& pos);
    int OnMouseMove(UINT flags, Position& pos);
    int OnMouseWheel(UINT flags, short delta, Position& pos);
    int OnReturn();
    int OnKeyDown(UINT nChar, UINT nRepCnt, UINT flags);
    int OnKeyUp(UINT nChar, UINT nRepCnt, UINT flags);
    int OnChar(UINT nChar, UINT nRepCnt, UINT flags);
    int OnSize(UINT type, int cx, int cy);
    int OnTimer(UINT_PTR id);
    int OnKeyInP2D(double* p);
    int OnKeyInDouble(double value);
    int OnKeyInInt(int value);
    int OnKeyInString(const CString& text);
    int OnKeyInBool(BOOL value);
    // The running command first, then the main command (when another one).
    int OnMessage(QMessage* message);
    // A menu command and a window message for the running, else the main, command.
    int OnCommand(UINT id);
    int OnUserMessage(WPARAM wParam, UINT message, LPARAM lParam);
    // State of a registered command's item: the command's own answer, else
    // enabled by IsEnable (and no item while a running command refuses) and
    // checked while it runs or is the current main command. FALSE for ids that
    // are not registered.
    BOOL OnUpdateCmdUI(CCmdUI* cmdUI);

    CWnd* m_pStatusCtrl = nullptr;  // status control of the prompt (not owned)
    BOOL m_bShowCoord = TRUE;       // coordinate display switch
    BOOL m_bJumpToEnd = FALSE;      // jump-to-end flag

private:
    CCommand* Target() const { return m_pCurCmd != nullptr ? m_pCurCmd : m_pMainCmd; }
    // Clears the running command once it has ended and wakes a sleeping one.
    void Settle();
    void RememberRun(UINT id);
    void ReadHead(CArchive& ar, bool* ok);

    std::vector<std::unique_ptr<CCommand>> m_appCmds;
    std::vector<std::unique_ptr<CCommand>> m_mainCmds;
    CCommand* m_pCurCmd = nullptr;
    CCommand* m_pMainCmd = nullptr;
    CCommand* m_pStartingCmd = nullptr;  // the command inside its StartUp
    std::vector<CCommand*> m_sleeping;
    std::vector<UINT> m_prevCmds;
    CString m_strPrompt;
    CCommand* m_pKeyInCmd = nullptr;
    int m_nKeyInKind = 0;
    int m_nDynCursor = 0;
};

// Id of the current main command of the published hub (0 when none); the
// tool-bar manager asks it.
int hubGetMainCmdID();
// Makes id the main command of the published hub (the tab tool bar's tabs).
void hubRunMainCmd(int id);
