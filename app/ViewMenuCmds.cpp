// The view's menu commands: items that run a registered command (alone, by
// pointer, or as a family of variants of one command), the main commands,
// the direct actions and their update handlers.
#include "app/KorvelView.h"

#include "app/KorvelIds.h"
#include "app/ViewCommandTable.h"
#include "framework/actorum/FontServer.h"
#include "framework/actorum/MainCmds.h"
#include "framework/command/BoolCmd.h"
#include "framework/command/InterPackCmd.h"
#include "framework/looker/AppSlots.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Shell.h"
#include "framework/widgra/ui/UIToolBarMgr.h"

#include <QProcess>
#include <QStandardPaths>

using korvel::CancelBefore;
using korvel::CommandFamily;
using korvel::FamilyUpdate;

namespace {

// Base types of the selection that the trim-by-boundary, loop-from-boundary
// and mirror items look for.
constexpr int kBaseTrimmable = 26;
constexpr int kBaseBoundary = 10;
constexpr int kBaseNoMirror = 0x120;
constexpr UINT kRectangleCmd = 32777;
constexpr UINT kNestingCmd = 33000;

CCommand* RunningCommand(CRelayon* hub) { return hub != nullptr ? hub->GetCurCmd() : nullptr; }

bool IsMainCommand(CRelayon* hub, UINT id)
{
    return hub != nullptr && hub->GetCurMainCmd() != nullptr && hub->GetCurMainCmd()->GetID() == id;
}

// The command a family item runs: the family's, the id's own, or the
// fallback for an id without a command of its own.
CCommand* FamilyCommand(CRelayon* hub, const CommandFamily& family, UINT id)
{
    if (hub == nullptr) return nullptr;
    CCommand* cmd = hub->GetCmd(korvel::FamilyTarget(family, id));
    if (cmd == nullptr && family.fallback != 0) cmd = hub->GetCmd(family.fallback);
    return cmd;
}

// Checked while the target runs the item's variant (any variant for items
// that keep the target's current one).
bool RunsVariant(CRelayon* hub, CCommand* target, int sub)
{
    return target != nullptr && RunningCommand(hub) == target && (sub == korvel::kCurrentSub || target->GetSubCmd() == sub);
}

void EnableAs(CCmdUI* pCmdUI, BOOL enabled)
{
    pCmdUI->Enable(enabled);
    if (!enabled) pCmdUI->SetCheck(0);
}

// The first program of the list found on PATH; empty when none is.
QString FindProgram(korvel::DesktopTool tool)
{
    for (const char* name : korvel::DesktopToolPrograms(tool)) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) return path;
    }
    return {};
}

// Texts of the desktop tools' prompts (the program's own).
constexpr UINT IDS_NO_CALCULATOR = 34002;
constexpr UINT IDS_NO_TEXT_EDITOR = 34003;
constexpr UINT IDS_NO_PAINT = 34004;

}  // namespace

void CKorvelView::OnRunByPointer(UINT nID)
{
    CRelayon* hub = gGetRelayon();
    if (CCommand* cmd = hub != nullptr ? hub->GetCmd(nID) : nullptr) hub->RunAppCmd(cmd, 0, TRUE);
}

void CKorvelView::OnFamilyCommand(UINT nID)
{
    const CommandFamily* family = korvel::FindCommandFamily(nID);
    CRelayon* hub = gGetRelayon();
    if (family == nullptr || hub == nullptr) return;
    if (family->cancel == CancelBefore::First || (family->cancel == CancelBefore::IfBusy && hub->CurCmdFlag() == 1))
        hub->CancelCurCmd();
    CCommand* cmd = FamilyCommand(hub, *family, nID);
    if (cmd == nullptr) return;
    const int sub = korvel::FamilySub(*family, nID);
    hub->RunAppCmd(cmd, sub == korvel::kCurrentSub ? cmd->GetSubCmd() : sub, TRUE);
}

void CKorvelView::OnUpdateFamily(CCmdUI* pCmdUI)
{
    const UINT id = pCmdUI->m_nID;
    const CommandFamily* family = korvel::FindCommandFamily(id);
    CRelayon* hub = gGetRelayon();
    CCommand* cmd = family != nullptr ? FamilyCommand(hub, *family, id) : nullptr;
    if (cmd == nullptr) {
        EnableAs(pCmdUI, FALSE);
        return;
    }
    const int sub = korvel::FamilySub(*family, id);
    switch (family->update) {
    case FamilyUpdate::Checked:
    case FamilyUpdate::Named:
        if (!cmd->IsEnable()) {
            EnableAs(pCmdUI, FALSE);
            return;
        }
        if (family->update == FamilyUpdate::Named) cmd->SetSubCmdName(pCmdUI, sub);
        pCmdUI->Enable(TRUE);
        pCmdUI->SetCheck(RunsVariant(hub, cmd, sub) ? 1 : 0);
        return;
    case FamilyUpdate::Align:
        cmd->SetSubCmdName(pCmdUI, sub);
        pCmdUI->Enable(cmd->IsEnable());
        return;
    case FamilyUpdate::Enable: pCmdUI->Enable(cmd->IsEnable()); return;
    case FamilyUpdate::Boolean: {
        cmd->SetSubCmdName(pCmdUI, sub);
        auto* boolean = dynamic_cast<CBoolCmd*>(cmd);
        if (boolean == nullptr || !boolean->IsEnable(korvel::BooleanOperationOf(id))) {
            EnableAs(pCmdUI, FALSE);
            return;
        }
        pCmdUI->Enable(TRUE);
        pCmdUI->SetCheck(RunsVariant(hub, cmd, sub) ? 1 : 0);
        return;
    }
    case FamilyUpdate::Mirror: {
        if (!cmd->IsEnable()) {
            pCmdUI->Enable(FALSE);
            return;
        }
        const CSelector* selector = gGetSelector();
        if (selector != nullptr && selector->GetSizeOfBType(kBaseNoMirror) > 0)
            pCmdUI->Enable(id != family->last ? TRUE : FALSE);
        else
            pCmdUI->Enable(TRUE);
        pCmdUI->SetCheck(RunsVariant(hub, cmd, sub) ? 1 : 0);
        return;
    }
    case FamilyUpdate::SetSub:
    case FamilyUpdate::SetSubHub:
    case FamilyUpdate::SetSubOne:
        cmd->SetSubCmd(sub);
        cmd->SetSubCmdName(pCmdUI, sub);
        if (family->update == FamilyUpdate::SetSubHub) OnUpdateCommandUIByHub(pCmdUI);
        else if (family->update == FamilyUpdate::SetSubOne) pCmdUI->Enable(cmd->IsEnable() == 1 ? TRUE : FALSE);
        else pCmdUI->Enable(cmd->IsEnable());
        return;
    case FamilyUpdate::Hub: OnUpdateCommandUIByHub(pCmdUI); return;
    }
}

void CKorvelView::OnUpdateTrimByBoundary(CCmdUI* pCmdUI)
{
    const CSelector* selector = gGetSelector();
    pCmdUI->Enable(selector != nullptr && selector->GetSizeOfBType(kBaseTrimmable) > 0 ? TRUE : FALSE);
}

void CKorvelView::OnUpdateLoopFromBoundary(CCmdUI* pCmdUI)
{
    const CSelector* selector = gGetSelector();
    pCmdUI->Enable(selector != nullptr && selector->GetSizeOfBType(kBaseBoundary) > 0 ? TRUE : FALSE);
}

void CKorvelView::OnUpdateCurveMap3d(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    CCommand* cmd = hub != nullptr ? hub->GetCmd(pCmdUI->m_nID) : nullptr;
    pCmdUI->Enable(cmd != nullptr && cmd->IsEnable() ? TRUE : FALSE);
}

void CKorvelView::OnSelectMode() { EnterSelectMode(); }

void CKorvelView::OnUpdateSelectMode(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    const bool select = IsMainCommand(hub, korvel::ID_MAIN_SELECT);
    pCmdUI->SetCheck(select && RunningCommand(hub) == nullptr ? 1 : 0);
    if (select) CUIToolBarMgr::UpdateBarUI_CurCmd(korvel::ID_MAIN_SELECT);
}

void CKorvelView::OnTextMode()
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return;
    if (IsMainCommand(hub, korvel::ID_MAIN_TEXT)) {
        EnterSelectMode();
        return;
    }
    // A new text starts without half a double-byte character.
    m_nPendingBytes = 0;
    hub->RunMainCmd(korvel::ID_MAIN_TEXT);
}

void CKorvelView::OnUpdateTextMode(CCmdUI* pCmdUI)
{
    const bool text = IsMainCommand(gGetRelayon(), korvel::ID_MAIN_TEXT);
    pCmdUI->SetCheck(text ? 1 : 0);
    if (text) CUIToolBarMgr::UpdateBarUI_CurCmd(korvel::ID_MAIN_TEXT);
}

void CKorvelView::OnUpdateNodeEdit(CCmdUI* pCmdUI)
{
    const bool node = IsMainCommand(gGetRelayon(), korvel::ID_MAIN_NODE);
    pCmdUI->SetCheck(node ? 1 : 0);
    if (node) CUIToolBarMgr::UpdateBarUI_CurCmd(korvel::ID_MAIN_NODE);
}

void CKorvelView::OnHubCommand()
{
    if (CRelayon* hub = gGetRelayon()) hub->OnCommand(32816);
}

void CKorvelView::OnShapeLibrary()
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return;
    CCommand* running = hub->GetCurCmd();
    if (running != nullptr && running->GetID() == 32849) hub->CancelCurCmd();
    else hub->RunAppCmd(32849, 0);
}

void CKorvelView::OnInsertSign()
{
    CRelayon* hub = gGetRelayon();
    if (!IsMainCommand(hub, korvel::ID_MAIN_TEXT)) return;
    if (auto* text = dynamic_cast<CTextMainCmd*>(hub->GetCurMainCmd())) text->StartInsSign();
}

void CKorvelView::OnUpdateInsertSign(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    auto* text = IsMainCommand(hub, korvel::ID_MAIN_TEXT) ? dynamic_cast<CTextMainCmd*>(hub->GetCurMainCmd()) : nullptr;
    pCmdUI->Enable(text != nullptr && text->HasText() ? TRUE : FALSE);
}

void CKorvelView::OnDesktopTool(UINT nID)
{
    korvel::DesktopTool tool = korvel::DesktopTool::Calculator;
    UINT missing = IDS_NO_CALCULATOR;
    if (nID == 32901) tool = korvel::DesktopTool::TextEditor, missing = IDS_NO_TEXT_EDITOR;
    else if (nID == 32972) tool = korvel::DesktopTool::Paint, missing = IDS_NO_PAINT;
    const QString program = FindProgram(tool);
    if (program.isEmpty() || !QProcess::startDetached(program, {})) AfxMessageBox(AfxLoadString(missing), MB_ICONINFORMATION);
}

void CKorvelView::OnAppDataFolder() { AfxOpenWithDesktop(gGetAppDataDir()); }

const wchar_t* CKorvelView::WebPageAddress() { return L"https://www.korvel.example/wspx.asp"; }

void CKorvelView::OnWebPage() { ShellExecuteW(m_hWnd, L"open", WebPageAddress(), nullptr, nullptr, SW_SHOWNORMAL); }

void CKorvelView::OnNestingOperation(UINT nID)
{
    CRelayon* hub = gGetRelayon();
    auto* nesting = hub != nullptr ? dynamic_cast<CInterPackCmd*>(hub->GetCmd(kNestingCmd)) : nullptr;
    if (nesting == nullptr) return;
    switch (nID) {
    case 33006: EnterSelectMode(); break;
    case 33007: nesting->AddStock(); break;
    case 33008: nesting->AddPart(); break;
    case 33009: nesting->RemovePart(); break;
    case 33010:
        nesting->MirrorPart(1);
        nesting->SetDownPart(1);
        break;
    case 33011:
        nesting->MirrorPart(2);
        nesting->SetDownPart(1);
        break;
    case 33012:
        nesting->RotatePart90();
        nesting->SetDownPart(1);
        break;
    default: break;
    }
}

void CKorvelView::OnUpdateFillDisplay(CCmdUI* pCmdUI)
{
    const CSelector* selector = gGetSelector();
    pCmdUI->Enable(selector != nullptr && selector->GetSizeOfBType(0x2 | 0x4 | 0x8) > 0 ? TRUE : FALSE);
}

void CKorvelView::OnUpdateHideObjects(CCmdUI* pCmdUI)
{
    const CSelector* selector = gGetSelector();
    pCmdUI->Enable(selector != nullptr && selector->IsEmpty() ? FALSE : TRUE);
}

LRESULT CKorvelView::OnCommandMessage(WPARAM wParam, LPARAM lParam)
{
    if (CRelayon* hub = gGetRelayon()) hub->OnUserMessage(wParam, 0, lParam);
    return 1;
}

LRESULT CKorvelView::OnAddReliefLayerPage(WPARAM, LPARAM)
{
    const CSelector* selector = gGetSelector();
    CDesignCentral* pane = gGetPaneDCenter();
    if (pane != nullptr && (selector == nullptr || selector->IsEmpty())) {
        pane->AddRlfLayerManagerDlg();
        pane->UpdateWorkareaDlg();
    }
    return 0;
}

LRESULT CKorvelView::OnDelReliefLayerPage(WPARAM, LPARAM)
{
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->DelRlfLayerManagerDlg();
    return 0;
}

LRESULT CKorvelView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_IME_CHAR) {
        CRelayon* hub = gGetRelayon();
        if (hub == nullptr) return 0;
        if (IsMainCommand(hub, korvel::ID_MAIN_TEXT)) {
            CFontServer* fonts = CFontServer::Instance();
            const CFontEntry* font = fonts->GetSelFontEntry();
            UINT ch = static_cast<UINT>(wParam);
            if (font != nullptr && font->type == kFontTypeDbcs) {
                // These fonts index their glyphs by the code page's two bytes.
                const std::string bytes = fonts->ToCodePage(ch);
                if (bytes.size() >= 2)
                    ch = CFontServer::ToDbcsChar(static_cast<unsigned char>(bytes[0]), static_cast<unsigned char>(bytes[1]));
            }
            hub->GetCurMainCmd()->OnChar(ch, 1, 0);
        }
        return 1;
    }
    if (message == WM_INPUTLANGCHANGE) {
        CRelayon* hub = gGetRelayon();
        if (hub == nullptr) return 0;
        CFontServer* fonts = CFontServer::Instance();
        fonts->SetLocale(GetThreadLocale());
        const int charset = static_cast<int>(wParam);
        const CFontEntry* selected = fonts->GetSelFontEntry();
        if (selected == nullptr || selected->charset != charset) {
            const auto& list = fonts->GetFonts();
            const auto it = std::find_if(list.begin(), list.end(), [charset](const CFontEntry& f) { return f.charset == charset; });
            if (it != list.end()) fonts->SetSelFont(static_cast<int>(it - list.begin()));
            else if (charset == kCharsetGB2312) fonts->SetDefaultFace(L"宋体");
            else if (charset == kCharsetAnsi) fonts->SetDefaultFace(L"Arial");
        }
        if (IsMainCommand(hub, korvel::ID_MAIN_TEXT)) CFontCombo::Initialize();
    }
    return CGLView::WindowProc(message, wParam, lParam);
}
