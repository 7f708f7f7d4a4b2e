#include "framework/relayon/Command.h"

#include "framework/looker/AppSlots.h"
#include "framework/relayon/Relayon.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/View.h"

IMPLEMENT_DYNAMIC(CCommand, CObject)

CCommand::CCommand(int first, LPCTSTR name, int) : m_nFirst(first), m_strName(name) {}
CCommand::~CCommand() = default;

BOOL CCommand::IsEnable() { return TRUE; }
int CCommand::HostType() { return 0; }

int CCommand::StartUp(int subCommand)
{
    m_nSubCmd = subCommand;
    m_nStep = 0;
    m_bRunning = TRUE;
    return 1;
}

void CCommand::Sleep() {}
void CCommand::WakeUp() {}

int CCommand::Cancel()
{
    m_nStep = -1;
    m_bRunning = FALSE;
    return 0;
}

int CCommand::OnOK() { return Cancel(); }
int CCommand::OnLButtonDown(UINT, Position&) { return 0; }
int CCommand::OnLButtonUp(UINT, Position&) { return 0; }
int CCommand::OnLButtonDblClk(UINT, Position&) { return 0; }
int CCommand::OnRButtonDown(UINT, Position&) { return Cancel(); }
int CCommand::OnRButtonUp(UINT, Position&) { return 0; }
int CCommand::OnRButtonDblClk(UINT, Position&) { return 0; }
int CCommand::OnMButtonDown(UINT, Position&) { return 0; }
int CCommand::OnMButtonUp(UINT, Position&) { return 0; }
int CCommand::OnMouseMove(UINT, Position&) { return 0; }
int CCommand::OnMouseWheel(UINT, short, Position&) { return 0; }
int CCommand::OnReturn() { return OnOK(); }
int CCommand::OnKeyDown(UINT, UINT, UINT) { return 0; }
int CCommand::OnKeyUp(UINT, UINT, UINT) { return 0; }
int CCommand::OnChar(UINT, UINT, UINT) { return 0; }
int CCommand::OnTimer(UINT_PTR) { return 0; }
int CCommand::OnSize(UINT, int, int) { return 0; }
int CCommand::OnSetCursor() { return m_nCursor; }
BOOL CCommand::OnUpdateCmdUI(CCmdUI*) { return FALSE; }
int CCommand::OnMessage(QMessage*) { return 0; }
void CCommand::OnUpdateMessageUI(QMessage*, CCmdUI*) {}
int CCommand::OnCommandId(UINT) { return 0; }
int CCommand::OnUserMessage(WPARAM, UINT, LPARAM) { return 0; }

CString CCommand::GetSubCmdName(int subCommand) const
{
    if (subCommand < 0 || static_cast<size_t>(subCommand) >= m_subNames.size()) return CString();
    return m_subNames[static_cast<size_t>(subCommand)];
}

void CCommand::SetSubCmdName(CCmdUI* cmdUI, int subCommand) const
{
    const CString name = GetSubCmdName(subCommand);
    if (cmdUI != nullptr && !name.IsEmpty()) cmdUI->SetText(name);
}
UINT CCommand::GetHelpID() { return m_nID; }
void CCommand::OnDraw(CDC*, int) {}
void CCommand::OnDraw(COpenGLDC*, int) {}
void CCommand::Serialize(CArchive&) {}
int CCommand::OnKeyInP2D(double*) { return 0; }
int CCommand::OnKeyInDouble(double) { return 0; }
int CCommand::OnKeyInInt(int) { return 0; }
int CCommand::OnKeyInString(const CString&) { return 0; }
int CCommand::OnKeyInBool(BOOL) { return 0; }

void CCommand::SetAccel(UINT key, UINT modifier, int subCommand)
{
    for (Accel& a : m_accels) {
        if (a.key == key && a.modifier == modifier) {
            a.sub = subCommand;
            return;
        }
    }
    m_accels.push_back(Accel{key, modifier, subCommand});
}

int CCommand::FindAccel(UINT key, UINT modifier) const
{
    for (const Accel& a : m_accels)
        if (a.key == key && a.modifier == modifier) return a.sub;
    return -1;
}

void CCommand::Prompt(LPCTSTR text)
{
    if (CRelayon* hub = gGetRelayon()) hub->Prompt(text);
}

void CCommand::AskForKeyIn(int kind)
{
    if (CRelayon* hub = gGetRelayon()) hub->AskForKeyIn(this, kind);
}

CDC* CCommand::GetDC()
{
    CView* view = gGetView();
    return view != nullptr ? view->GetDC() : nullptr;
}

void CCommand::ReleaseDC(CDC* dc)
{
    if (dc == nullptr) return;
    if (CView* view = gGetView()) view->ReleaseDC(dc);
}
