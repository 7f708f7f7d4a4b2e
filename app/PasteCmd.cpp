#include "app/PasteCmd.h"

#include "app/KorvelDoc.h"
#include "app/KorvelIds.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/Wnd.h"

IMPLEMENT_DYNAMIC(CPasteCmd, CCommand)

namespace {

UINT PayloadFormat()
{
    const CQVGlobal* global = gGetQVGlobal();
    return global != nullptr ? global->GetClipboardFormat() : CQVAppSettings::kClipboardFormat;
}

void DeleteEntities(CObList& list)
{
    while (!list.IsEmpty()) delete static_cast<CDbEntity*>(list.RemoveHead());
}

}  // namespace

CPasteCmd::CPasteCmd(int first, LPCTSTR name) : CCommand(first, name, 0)
{
    m_nFlags |= 1;
    m_nStep = -1;
    m_nCursor = kCursor;
}

CPasteCmd::~CPasteCmd()
{
    DeleteEntities(m_entities);
    dbDelEntList(&m_preview);
}

BOOL CPasteCmd::IsEnable()
{
    if (!CCommand::IsEnable()) return FALSE;
    return IsClipboardFormatAvailable(PayloadFormat());
}

int CPasteCmd::StartUp(int subCommand)
{
    m_nSubCmd = subCommand;
    m_nStep = 0;
    dbDelEntList(&m_preview);
    DeleteEntities(m_entities);
    Prompt(AfxLoadString(korvel::IDS_PASTE_PROMPT));
    AskForKeyIn(kKeyInPoint2D);
    CWnd* main = AfxGetMainWnd();
    // Without a window to own the clipboard there is nothing to paste.
    if (main == nullptr || main->GetSafeHwnd() == nullptr) return Cancel();
    std::vector<BYTE> bytes;
    if (OpenClipboard(main->GetSafeHwnd())) {
        if (HGLOBAL handle = GetClipboardData(PayloadFormat())) {
            const auto* data = static_cast<const BYTE*>(GlobalLock(handle));
            if (data != nullptr) bytes.assign(data, data + GlobalSize(handle));
            GlobalUnlock(handle);
        }
        CloseClipboard();
    }
    if (!bytes.empty() && !ReadClipboard(m_entities, bytes)) return Cancel();
    m_bRunning = TRUE;
    return 1;
}

BOOL CPasteCmd::ReadClipboard(CObList& list, const std::vector<BYTE>& bytes)
{
    double base[2] = {0.0, 0.0};
    CTypedPtrList<CObList, CDbEntity*> read;
    if (!CKorvelDoc::ReadClipboardPayload(bytes, base, read)) {
        AfxMessageBox(korvel::IDS_PASTE_UNREADABLE, MB_ICONERROR | MB_OK);
        return FALSE;
    }
    m_posBase = Position(base[0], base[1]);
    while (!read.IsEmpty()) list.AddTail(read.RemoveHead());
    return TRUE;
}

void CPasteCmd::DeletePreview(CDC* dc)
{
    for (CDbEntity* copy : m_preview) {
        if (dc != nullptr) copy->Draw(dc, kDrawRubberFast);
        delete copy;
    }
    m_preview.RemoveAll();
}

int CPasteCmd::OnMouseMove(UINT, Position& pos)
{
    CDC* dc = GetDC();
    if (dc == nullptr) return 0;
    DeletePreview(dc);
    const double from[2] = {m_posBase.x, m_posBase.y}, to[2] = {pos.x, pos.y};
    for (POSITION p = m_entities.GetHeadPosition(); p != nullptr;) {
        auto* entity = static_cast<CDbEntity*>(m_entities.GetNext(p));
        CDbEntity* copy = entity->Copy();
        if (copy == nullptr) continue;
        copy->Move(from, to);
        copy->Draw(dc, kDrawRubberFast);
        m_preview.AddTail(copy);
    }
    m_posLast = pos;
    ReleaseDC(dc);
    return 0;
}

int CPasteCmd::OnLButtonDown(UINT, Position& pos)
{
    PasteAt(pos);
    return 1;
}

int CPasteCmd::OnKeyInP2D(double* p)
{
    if (p == nullptr) return 0;
    PasteAt(Position(p[0], p[1]));
    return 1;
}

int CPasteCmd::OnRButtonDown(UINT, Position&) { return Cancel(); }

int CPasteCmd::PasteAt(const Position& pos)
{
    CDC* dc = GetDC();
    // The preview is taken off the screen before the entities are drawn for good.
    DeletePreview(dc);
    const double from[2] = {m_posBase.x, m_posBase.y}, to[2] = {pos.x, pos.y};
    for (POSITION p = m_entities.GetHeadPosition(); p != nullptr;)
        static_cast<CDbEntity*>(m_entities.GetNext(p))->Move(from, to);
    // The view draws the placed entities when it repaints.
    AddPastedEntities(m_entities);
    if (dc != nullptr) ReleaseDC(dc);
    return Cancel();
}

void CPasteCmd::AddPastedEntities(CObList& list)
{
    if (gGetMainFrame() == nullptr || list.IsEmpty()) return;
    auto* action = new CAction(1, GetCmdName());
    const int layer = CLayer::GetCurrentLayerID();
    while (!list.IsEmpty()) {
        auto* entity = static_cast<CDbEntity*>(list.RemoveHead());
        entity->SetLayerID(layer);
        entity->SetSelected(FALSE);
        entity->SetHandle(0);
        for (int i = 0; i < entity->GetRefHandleCount(); ++i) entity->SetRefHandle(i, 0);
        entity->CreateNewHandle();
        action->AddNewEnt(entity);
    }
    qvInsertActionIntoManager(action, 0);
    if (CView* view = gGetView()) view->Invalidate(TRUE);
}

void CPasteCmd::Sleep()
{
    CDC* dc = GetDC();
    DeletePreview(dc);
    if (dc != nullptr) ReleaseDC(dc);
}

int CPasteCmd::Cancel()
{
    DeleteEntities(m_entities);
    dbDelEntList(&m_preview);
    const int result = CCommand::Cancel();
    m_nStep = 0;
    return result;
}
