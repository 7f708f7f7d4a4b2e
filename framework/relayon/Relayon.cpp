#include "framework/relayon/Relayon.h"

#include "framework/looker/AppSlots.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/FrameWnd.h"

#include <QAction>

#include <algorithm>
#include <utility>

namespace {

bool HasId(const std::vector<std::unique_ptr<CCommand>>& list, UINT id)
{
    return std::any_of(list.begin(), list.end(), [id](const auto& c) { return c->GetID() == id; });
}

CCommand* FindId(const std::vector<std::unique_ptr<CCommand>>& list, UINT id)
{
    for (const auto& c : list)
        if (c->GetID() == id) return c.get();
    return nullptr;
}

CString MenuTextToName(const CString& text)
{
    CString name;
    for (int i = 0; i < text.GetLength(); ++i) {
        const wchar_t ch = text[i];
        if (ch == L'\t') break;
        if (ch == L'&') {
            if (i + 1 < text.GetLength() && text[i + 1] == L'&') name += L'&', ++i;
            continue;
        }
        name += ch;
    }
    return name.Trim();
}

}  // namespace

CRelayon::CRelayon() = default;

CRelayon::~CRelayon()
{
    // Commands may look at the hub while they end; end them before the lists go.
    m_sleeping.clear();
    m_pCurCmd = nullptr;
    m_pMainCmd = nullptr;
}

BOOL CRelayon::RegAppCmd(CCommand* cmd)
{
    std::unique_ptr<CCommand> owned(cmd);
    if (!owned || owned->GetID() == 0 || HasId(m_appCmds, owned->GetID())) return FALSE;
    m_appCmds.push_back(std::move(owned));
    return TRUE;
}

BOOL CRelayon::RegMainCmd(CCommand* cmd)
{
    std::unique_ptr<CCommand> owned(cmd);
    if (!owned || owned->GetID() == 0 || HasId(m_mainCmds, owned->GetID())) return FALSE;
    m_mainCmds.push_back(std::move(owned));
    return TRUE;
}

CCommand* CRelayon::GetCmd(UINT id) const { return FindId(m_appCmds, id); }

CCommand* CRelayon::GetCmd(LPCTSTR name) const
{
    if (name == nullptr) return nullptr;
    for (const auto& c : m_appCmds)
        if (c->GetCmdName() == name) return c.get();
    return nullptr;
}

CCommand* CRelayon::GetMainCmd(UINT id) const { return FindId(m_mainCmds, id); }

CCommand* CRelayon::GetMainCmdOnType(int hostType) const
{
    for (const auto& c : m_mainCmds)
        if (c->HostType() == hostType) return c.get();
    return nullptr;
}

int CRelayon::RunAppCmd(UINT id, int subCommand) { return RunAppCmd(GetCmd(id), subCommand, TRUE); }

int CRelayon::RunAppCmd(CCommand* cmd, int subCommand, BOOL bCancelRunning)
{
    if (cmd == nullptr || !cmd->IsEnable()) return 0;
    if (m_pCurCmd != nullptr) {
        if (bCancelRunning || m_pCurCmd == cmd) {
            CancelCurCmd();
        } else {
            m_pCurCmd->Sleep();
            m_sleeping.push_back(m_pCurCmd);
            m_pCurCmd = nullptr;
        }
    }
    RememberRun(cmd->GetID());
    m_pCurCmd = cmd;
    // A dialog inside StartUp runs the event loop, and the view's resize or
    // mouse events then reach the command before it says it waits for input:
    // it must not be settled away while it is still starting.
    CCommand* const outer = std::exchange(m_pStartingCmd, cmd);
    const int result = cmd->StartUp(subCommand);
    m_pStartingCmd = outer;
    // StartUp's result decides whether the command waits for input; an
    // override need not call the base StartUp.
    if (m_pCurCmd == cmd) {
        cmd->m_bRunning = result != 0 ? TRUE : FALSE;
        Settle();
    }
    return result;
}

int CRelayon::RunAppCmdMutil(CCommand* cmd, int subCommand) { return RunAppCmd(cmd, subCommand, TRUE); }

int CRelayon::RunMainCmd(UINT id, int subCommand)
{
    CCommand* cmd = GetMainCmd(id);
    if (cmd == nullptr) return 0;
    CancelCurCmd();
    m_pMainCmd = cmd;
    return cmd->StartUp(subCommand);
}

BOOL CRelayon::SetCurMainCmd(UINT id)
{
    CCommand* cmd = GetMainCmd(id);
    if (cmd == nullptr) return FALSE;
    m_pMainCmd = cmd;
    return TRUE;
}

void CRelayon::CancelCurCmd()
{
    // Sleeping commands are ended too: waking them after a cancel would resume
    // work the user meant to stop.
    std::vector<CCommand*> sleeping;
    sleeping.swap(m_sleeping);
    if (CCommand* cmd = m_pCurCmd) {
        m_pCurCmd = nullptr;
        cmd->Cancel();
    }
    for (auto it = sleeping.rbegin(); it != sleeping.rend(); ++it) (*it)->Cancel();
    m_pKeyInCmd = nullptr;
    m_nKeyInKind = 0;
}

void CRelayon::Settle()
{
    if (m_pCurCmd == nullptr || m_pCurCmd == m_pStartingCmd || m_pCurCmd->IsRunning()) return;
    if (m_pKeyInCmd == m_pCurCmd) m_pKeyInCmd = nullptr, m_nKeyInKind = 0;
    m_pCurCmd = nullptr;
    if (!m_sleeping.empty()) {
        m_pCurCmd = m_sleeping.back();
        m_sleeping.pop_back();
        m_pCurCmd->WakeUp();
    }
}

void CRelayon::RememberRun(UINT id)
{
    m_prevCmds.erase(std::remove(m_prevCmds.begin(), m_prevCmds.end(), id), m_prevCmds.end());
    m_prevCmds.insert(m_prevCmds.begin(), id);
    if (m_prevCmds.size() > static_cast<size_t>(kMaxPrevCmd)) m_prevCmds.resize(kMaxPrevCmd);
}

void CRelayon::GetPrevCmd(std::vector<UINT>& ids) const { ids = m_prevCmds; }

void CRelayon::SetCmdName(const std::vector<std::pair<UINT, CString>>& items)
{
    for (const auto& [id, text] : items) {
        for (auto* list : {&m_appCmds, &m_mainCmds}) {
            CCommand* cmd = FindId(*list, id);
            if (cmd != nullptr && cmd->GetCmdName().IsEmpty()) cmd->SetCmdName(MenuTextToName(text));
        }
    }
}

void CRelayon::SetCmdName(CFrameWnd* frame)
{
    if (frame == nullptr) return;
    std::vector<std::pair<UINT, CString>> items;
    for (const auto& [id, action] : frame->GetCommandActions())
        if (action != nullptr) items.emplace_back(id, CString::FromUtf8(action->text().toStdString()));
    SetCmdName(items);
}

void CRelayon::Prompt(LPCTSTR text)
{
    m_strPrompt = text;
    if (m_pStatusCtrl != nullptr) m_pStatusCtrl->SetWindowText(m_strPrompt);
}

void CRelayon::AskForKeyIn(CCommand* cmd, int kind)
{
    m_pKeyInCmd = cmd;
    m_nKeyInKind = cmd != nullptr ? kind : 0;
}

BOOL CRelayon::TranslateAccel(UINT key, UINT modifier)
{
    for (const auto& c : m_appCmds) {
        const int sub = c->FindAccel(key, modifier);
        if (sub >= 0) {
            RunAppCmd(c.get(), sub, TRUE);
            return TRUE;
        }
    }
    return FALSE;
}

void CRelayon::ReadHead(CArchive& ar, bool* ok)
{
    *ok = false;
    DWORD magic = 0;
    int format = 0;
    ar >> magic;
    if (magic != kStreamMagic) return;
    ar >> format;
    if (format != kStreamFormat) return;
    int showCoord = 0, jumpToEnd = 0;
    DWORD mainId = 0;
    ar >> showCoord >> jumpToEnd >> mainId;
    m_bShowCoord = showCoord ? TRUE : FALSE;
    m_bJumpToEnd = jumpToEnd ? TRUE : FALSE;
    if (mainId != 0) SetCurMainCmd(mainId);
    *ok = true;
}

void CRelayon::Serialize1(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << kStreamMagic << kStreamFormat << static_cast<int>(m_bShowCoord) << static_cast<int>(m_bJumpToEnd)
           << static_cast<DWORD>(m_pMainCmd != nullptr ? m_pMainCmd->GetID() : 0);
        return;
    }
    bool ok = false;
    ReadHead(ar, &ok);
}

void CRelayon::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        Serialize1(ar);
        std::vector<std::pair<UINT, CMemFile*>> blocks;
        std::vector<std::unique_ptr<CMemFile>> files;
        for (auto* list : {&m_appCmds, &m_mainCmds}) {
            for (const auto& c : *list) {
                auto file = std::make_unique<CMemFile>();
                {
                    CArchive inner(file.get(), CArchive::store);
                    c->Serialize(inner);
                    inner.Close();
                }
                if (file->GetLength() == 0) continue;
                blocks.emplace_back(c->GetID(), file.get());
                files.push_back(std::move(file));
            }
        }
        ar << static_cast<int>(blocks.size());
        for (const auto& [id, file] : blocks) {
            const auto length = static_cast<DWORD>(file->GetLength());
            ar << static_cast<DWORD>(id) << length;
            ar.Write(file->GetData(), length);
        }
        return;
    }
    bool ok = false;
    ReadHead(ar, &ok);
    if (!ok) return;
    int count = 0;
    ar >> count;
    if (count < 0) AfxThrowArchiveException(CArchiveException::genericException);
    for (int i = 0; i < count; ++i) {
        DWORD id = 0, length = 0;
        ar >> id >> length;
        ar.RequireBytes(length);
        std::vector<BYTE> bytes(length);
        if (length > 0 && ar.Read(bytes.data(), length) != length) AfxThrowArchiveException(CArchiveException::endOfFile);
        CCommand* cmd = GetCmd(id);
        if (cmd == nullptr) cmd = GetMainCmd(id);
        if (cmd == nullptr || length == 0) continue;
        // A command whose own settings are damaged keeps its defaults; the
        // blocks after it are still read.
        CMemFile file(bytes.data(), length);
        try {
            CArchive inner(&file, CArchive::load);
            cmd->Serialize(inner);
        } catch (const CException&) {
        }
    }
}

void CRelayon::OnDraw(CDC* dc, int mode)
{
    if (CCommand* cmd = Target()) cmd->OnDraw(dc, mode);
}

void CRelayon::OnDraw(COpenGLDC* dc, int mode)
{
    if (CCommand* cmd = Target()) cmd->OnDraw(dc, mode);
}

#define KORVEL_HUB_FORWARD(call)        \
    CCommand* cmd = Target();           \
    if (cmd == nullptr) return 0;       \
    const int result = cmd->call;       \
    if (cmd == m_pCurCmd) Settle();     \
    return result;

int CRelayon::OnLButtonDown(UINT flags, Position& pos) { KORVEL_HUB_FORWARD(OnLButtonDown(flags, pos)) }
int CRelayon::OnLButtonUp(UINT flags, Position& pos) { KORVEL_HUB_FORWARD(OnLButtonUp(flags, pos)) }
int CRelayon::OnLButtonDblClk(UINT flags, Position& pos) { KORVEL_HUB_FORWARD(OnLButtonDblClk(flags, pos)) }
int CRelayon::OnRButtonDown(UINT flags, Position& pos) { KORVEL_HUB_FORWARD(OnRButtonDown(flags, pos)) }
int CRelayon::OnRButtonUp(UINT flags, Position& pos) { KORVEL_HUB_FORWARD(OnRButtonUp(flags, pos)) }
int CRelayon::OnRButtonDblClk(UINT flags, Position& pos) { KORVEL_HUB_FORWARD(OnRButtonDblClk(flags, pos)) }
int CRelayon::OnMButtonDown(UINT flags, Position& pos) { KORVEL_HUB_FORWARD(OnMButtonDown(flags, pos)) }
int CRelayon::OnMButtonUp(UINT flags, Position& pos) { KORVEL_HUB_FORWARD(OnMButtonUp(flags, pos)) }
int CRelayon::OnMouseMove(UINT flags, Position& pos) { KORVEL_HUB_FORWARD(OnMouseMove(flags, pos)) }
int CRelayon::OnMouseWheel(UINT flags, short delta, Position& pos) { KORVEL_HUB_FORWARD(OnMouseWheel(flags, delta, pos)) }
int CRelayon::OnReturn() { KORVEL_HUB_FORWARD(OnReturn()) }
int CRelayon::OnKeyDown(UINT nChar, UINT nRepCnt, UINT flags) { KORVEL_HUB_FORWARD(OnKeyDown(nChar, nRepCnt, flags)) }
int CRelayon::OnKeyUp(UINT nChar, UINT nRepCnt, UINT flags) { KORVEL_HUB_FORWARD(OnKeyUp(nChar, nRepCnt, flags)) }
int CRelayon::OnChar(UINT nChar, UINT nRepCnt, UINT flags) { KORVEL_HUB_FORWARD(OnChar(nChar, nRepCnt, flags)) }
int CRelayon::OnSize(UINT type, int cx, int cy) { KORVEL_HUB_FORWARD(OnSize(type, cx, cy)) }
int CRelayon::OnTimer(UINT_PTR id) { KORVEL_HUB_FORWARD(OnTimer(id)) }
int CRelayon::OnKeyInP2D(double* p) { KORVEL_HUB_FORWARD(OnKeyInP2D(p)) }
int CRelayon::OnKeyInDouble(double value) { KORVEL_HUB_FORWARD(OnKeyInDouble(value)) }
int CRelayon::OnKeyInInt(int value) { KORVEL_HUB_FORWARD(OnKeyInInt(value)) }
int CRelayon::OnKeyInString(const CString& text) { KORVEL_HUB_FORWARD(OnKeyInString(text)) }
int CRelayon::OnKeyInBool(BOOL value) { KORVEL_HUB_FORWARD(OnKeyInBool(value)) }

#undef KORVEL_HUB_FORWARD

int CRelayon::OnMessage(QMessage* message)
{
    if (message == nullptr) return 0;
    int result = 0;
    CCommand* running = m_pCurCmd;
    if (running != nullptr) {
        result |= running->OnMessage(message);
        if (running == m_pCurCmd) Settle();
    }
    if (m_pMainCmd != nullptr && m_pMainCmd != running) result |= m_pMainCmd->OnMessage(message);
    return result;
}

int CRelayon::OnCommand(UINT id)
{
    CCommand* cmd = Target();
    return cmd != nullptr ? cmd->OnCommandId(id) : 0;
}

int CRelayon::OnUserMessage(WPARAM wParam, UINT message, LPARAM lParam)
{
    CCommand* cmd = Target();
    return cmd != nullptr ? cmd->OnUserMessage(wParam, message, lParam) : 0;
}

BOOL CRelayon::OnUpdateCmdUI(CCmdUI* cmdUI)
{
    if (cmdUI == nullptr) return FALSE;
    CCommand* cmd = GetCmd(cmdUI->m_nID);
    if (cmd == nullptr) cmd = GetMainCmd(cmdUI->m_nID);
    if (cmd == nullptr) return FALSE;
    if (cmd->OnUpdateCmdUI(cmdUI)) return TRUE;
    cmdUI->Enable(cmd->IsEnable());
    cmdUI->SetCheck(cmd == m_pCurCmd || cmd == m_pMainCmd ? 1 : 0);
    return TRUE;
}

int hubGetMainCmdID()
{
    CRelayon* hub = gGetRelayon();
    return hub != nullptr && hub->GetCurMainCmd() != nullptr ? static_cast<int>(hub->GetCurMainCmd()->GetID()) : 0;
}

void hubRunMainCmd(int id)
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr || id <= 0) return;
    if (hub->GetCurMainCmd() != nullptr && hub->GetCurMainCmd()->GetID() == static_cast<UINT>(id)) return;
    hub->RunMainCmd(static_cast<UINT>(id));
}
