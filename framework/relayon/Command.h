// Base of every command of the command hub, and the command messages.
//
// A command is registered once with the hub under its id. Running it calls
// StartUp, which returns 1 when the command goes on waiting for input and 0
// when it is already done; input then reaches it through the hub until it
// ends (Cancel, or an operation that returns after calling Cancel).
#pragma once

#include "framework/db/DbEntity.h"
#include "framework/looker/SnapRecords.h"
#include "platform/core/WinString.h"
#include "platform/ui/UiTypes.h"

#include <vector>

class CArchive;
class CCmdUI;
class COpenGLDC;
class CRelayon;

// Command message: what only the running or the main command can carry out.
// Types: 0 node edit (codes 0 to 17), 2 colour change, 5 new or merged
// document, 6 own undo, 7 own redo.
class QMessage {
public:
    static constexpr int kNodeEdit = 0;
    static constexpr int kColor = 2;
    static constexpr int kNewDocument = 5;
    static constexpr int kUndo = 6;
    static constexpr int kRedo = 7;

    explicit QMessage(int type = 0, int code = 0) : m_nType(type), m_nCode(code) {}

    int m_nType;
    int m_nCode;
    CDbEntityList m_entList;  // not owned
};

// Style bits of a command.
inline constexpr int kCmdStyleAllow2D = 4;  // may switch the view from 3D to 2D while running
inline constexpr int kCmdStyle3D = 8;       // works in 3D

// Kinds of key-in a command can ask for.
inline constexpr int kKeyInPoint2D = 1;
inline constexpr int kKeyInDouble = 2;
inline constexpr int kKeyInInt = 3;
inline constexpr int kKeyInString = 4;
inline constexpr int kKeyInBool = 5;

class CCommand : public CObject {
    DECLARE_DYNAMIC(CCommand)
public:
    // first: the command's own value (kept, not interpreted here); name may be
    // null (the menu text is taken later, CRelayon::SetCmdName).
    CCommand(int first, LPCTSTR name, int third);
    ~CCommand() override;

    // Virtual operations, in slot order after the destructor.
    virtual BOOL IsEnable();
    // Kind of host the command belongs to; 0 in the base.
    virtual int HostType();
    // Starts a run with the sub-command; 1 while the command waits for input.
    virtual int StartUp(int subCommand);
    // Another command suspends this one, and gives it back.
    virtual void Sleep();
    virtual void WakeUp();
    // Ends the run; returns 0 (the result a finished operation hands back).
    virtual int Cancel();
    virtual int OnOK();
    virtual int OnLButtonDown(UINT flags, Position& pos);
    virtual int OnLButtonUp(UINT flags, Position& pos);
    virtual int OnLButtonDblClk(UINT flags, Position& pos);
    // The base cancels the run on the right button.
    virtual int OnRButtonDown(UINT flags, Position& pos);
    virtual int OnRButtonUp(UINT flags, Position& pos);
    virtual int OnRButtonDblClk(UINT flags, Position& pos);
    virtual int OnMButtonDown(UINT flags, Position& pos);
    virtual int OnMButtonUp(UINT flags, Position& pos);
    virtual int OnMouseMove(UINT flags, Position& pos);
    virtual int OnMouseWheel(UINT flags, short delta, Position& pos);
    virtual int OnReturn();
    virtual int OnKeyDown(UINT nChar, UINT nRepCnt, UINT flags);
    virtual int OnKeyUp(UINT nChar, UINT nRepCnt, UINT flags);
    virtual int OnChar(UINT nChar, UINT nRepCnt, UINT flags);
    virtual int OnTimer(UINT_PTR id);
    virtual int OnSize(UINT type, int cx, int cy);
    // Cursor to show; 0 keeps the view's own.
    virtual int OnSetCursor();
    // Enabled state and check mark of the command's own items; FALSE to let
    // the hub decide.
    virtual BOOL OnUpdateCmdUI(CCmdUI* cmdUI);
    virtual int OnMessage(QMessage* message);
    // State of an item that stands for a message to this command (node-edit
    // operations); the base leaves the item as it is.
    virtual void OnUpdateMessageUI(QMessage* message, CCmdUI* cmdUI);
    // A menu command or a window message that the view hands to the running
    // (else the main) command as it came; the base takes neither (0).
    virtual int OnCommandId(UINT id);
    virtual int OnUserMessage(WPARAM wParam, UINT message, LPARAM lParam);
    virtual UINT GetHelpID();
    // Overlay of the running command; drawing twice erases in the rubber modes.
    virtual void OnDraw(CDC* dc, int mode);
    virtual void OnDraw(COpenGLDC* dc, int mode);
    // The command's settings in the hub's configuration stream.
    void Serialize(CArchive& ar) override;
    virtual int OnKeyInP2D(double* p);
    virtual int OnKeyInDouble(double value);
    virtual int OnKeyInInt(int value);
    virtual int OnKeyInString(const CString& text);
    virtual int OnKeyInBool(BOOL value);

    // The variant the next run takes when its caller keeps the current one.
    int GetSubCmd() const { return m_nSubCmd; }
    void SetSubCmd(int subCommand) { m_nSubCmd = subCommand; }
    // Names of the sub-commands, by number; an item showing a variant takes
    // its name (SetSubCmdName leaves the item's text alone for a variant
    // without a name).
    void SetSubCmdNames(std::vector<CString> names) { m_subNames = std::move(names); }
    CString GetSubCmdName(int subCommand) const;
    void SetSubCmdName(CCmdUI* cmdUI, int subCommand) const;

    void SetID(UINT id) { m_nID = id; }
    UINT GetID() const { return m_nID; }
    const CString& GetCmdName() const { return m_strName; }
    void SetCmdName(const CString& name) { m_strName = name; }
    // Single-key accelerators: key code, modifier bits (the accelerator-table
    // bits: 0x04 Shift, 0x08 Ctrl, 0x10 Alt) and the sub-command it runs. A
    // command keeps several; setting a key + modifier again replaces its sub-command.
    struct Accel {
        UINT key;
        UINT modifier;
        int sub;
    };
    static constexpr UINT kAccelShift = 0x04;
    static constexpr UINT kAccelControl = 0x08;
    static constexpr UINT kAccelAlt = 0x10;
    void SetAccel(UINT key, UINT modifier, int subCommand);
    BOOL HasAccel() const { return m_accels.empty() ? FALSE : TRUE; }
    const std::vector<Accel>& GetAccels() const { return m_accels; }
    // The sub-command of key + modifier, or -1 when the command has no such accelerator.
    int FindAccel(UINT key, UINT modifier) const;

    // Shows text through the hub's prompt.
    void Prompt(LPCTSTR text);
    // Asks the hub to collect a key-in of the kind for this command.
    void AskForKeyIn(int kind);
    // The view's drawing context (null without a view); release it with ReleaseDC.
    CDC* GetDC();
    void ReleaseDC(CDC* dc);

    // Whether a run is going on (set by StartUp, cleared by Cancel).
    BOOL IsRunning() const { return m_bRunning; }
    int GetFirstValue() const { return m_nFirst; }

    int m_nSubCmd = 0;
    int m_nStep = -1;
    int m_nFlags = 0;
    int m_nCursor = 0;
    int m_nStyle = 0;
    // Base-type filter of picking: while the switch is non-zero, a click picks
    // only entities whose base type (CDbEntity::GetBaseType) shares a bit with the mask.
    static constexpr int kBaseTypeMaskAll = 0xFFFFF;
    int m_nBaseTypeMask = kBaseTypeMaskAll;
    int m_nBaseTypeSwitch = 0;
    BOOL IsPickable(const CDbEntity* entity) const
    {
        return entity != nullptr && (m_nBaseTypeSwitch == 0 || (entity->GetBaseType() & m_nBaseTypeMask) != 0);
    }

protected:
    friend class CRelayon;
    BOOL m_bRunning = FALSE;

private:
    UINT m_nID = 0;
    int m_nFirst;
    CString m_strName;
    std::vector<Accel> m_accels;
    std::vector<CString> m_subNames;
};
