#include "framework/actorum/MainCmds.h"

#include "framework/db/DbImage.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Dib.h"
#include "framework/looker/Looker.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Selector.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <cstring>

IMPLEMENT_DYNAMIC(CToolCmd, CCommand)
IMPLEMENT_DYNAMIC(CToolNodeCmd, CCommand)
IMPLEMENT_DYNAMIC(CTextMainCmd, CCommand)
IMPLEMENT_DYNAMIC(CImageScanCmd, CCommand)
IMPLEMENT_DYNAMIC(CTextInputCmd, CCommand)
IMPLEMENT_DYNAMIC(CGraphLibCmd, CCommand)

int CToolNodeCmd::OnMessage(QMessage* message)
{
    if (message == nullptr || message->m_nType != QMessage::kNodeEdit) return 0;
    m_nodeCodes.push_back(message->m_nCode);
    return 1;
}

void CToolNodeCmd::OnUpdateMessageUI(QMessage* message, CCmdUI* cmdUI)
{
    if (message != nullptr && message->m_nType == QMessage::kNodeEdit && cmdUI != nullptr) cmdUI->Enable(TRUE);
}

int CTextMainCmd::OnChar(UINT nChar, UINT, UINT)
{
    m_chars.push_back(nChar);
    if (nChar >= 0x20 && nChar < 0x10000) m_strText += static_cast<wchar_t>(nChar);
    return 1;
}

int CTextInputCmd::StartUp(int subCommand)
{
    m_nSubCmd = subCommand;
    return 1;
}

int CGraphLibCmd::StartUp(int subCommand)
{
    m_nSubCmd = subCommand;
    return 1;
}

namespace {
CDlgNotes::Editor g_notesEditor;
constexpr int kIdCancel = 2;
}  // namespace

// Selecting works in 3D, and the view may go back to 2D while it runs.
CToolCmd::CToolCmd(int first, LPCTSTR name) : CCommand(first, name, 0) { m_nStyle = kCmdStyle3D | kCmdStyleAllow2D; }

int CToolCmd::OnLButtonDown(UINT flags, Position& pos)
{
    CSelector* selector = gGetSelector();
    if (selector == nullptr || !CDBase::IsLiving()) return 0;
    double aperture = 0.0;
    if (CLooker* looker = gGetLooker()) looker->ScreentoWorld(kApertureX, aperture);
    CDbEntityList hits;
    const double p[2] = {pos.x, pos.y};
    CDBase::Instance()->RoughPick(p, aperture, hits);
    // The last drawn lies on top; entities the base-type filter refuses are passed over.
    CDbEntity* hit = nullptr;
    for (POSITION p = hits.GetTailPosition(); p != nullptr && hit == nullptr;) {
        CDbEntity* e = hits.GetPrev(p);
        if (IsPickable(e)) hit = e;
    }
    if (flags & kShift) {
        if (hit != nullptr && !selector->Remove(hit)) selector->Add(hit);
    } else {
        selector->ClearAll();
        if (hit != nullptr) selector->Add(hit);
    }
    // The selection shows in the next drawing of the view.
    if (CView* view = gGetView()) view->Invalidate(TRUE);
    return 1;
}

int CToolCmd::OnMessage(QMessage* message)
{
    if (message != nullptr && message->m_nType == QMessage::kNewDocument) {
        if (CSelector* selector = gGetSelector()) selector->RemoveAll();
        return 1;
    }
    return 0;
}

CImageScanCmd::~CImageScanCmd()
{
    if (m_pDib != nullptr) m_pDib->Release();
}

BOOL CImageScanCmd::SetBitmap(void* hDib, int bitsPerPixel, int length, int width)
{
    if (m_pDib != nullptr) m_pDib->Release();
    m_pDib = nullptr;
    const std::size_t size = GlobalSize(hDib);
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(hDib));
    if (bytes == nullptr || size < 16) return FALSE;
    std::int32_t headerWidth = 0;
    std::uint16_t headerBits = 0;
    std::memcpy(&headerWidth, bytes + 4, 4);
    std::memcpy(&headerBits, bytes + 14, 2);
    auto* dib = new CDib;
    const bool matches = headerWidth == width && headerBits == bitsPerPixel;
    if (!matches || !dib->CreateFromPackedDib(bytes, size) || (length >= 0 && dib->GetHeight() != length)) {
        GlobalUnlock(hDib);
        dib->Release();
        return FALSE;
    }
    GlobalUnlock(hDib);
    m_pDib = dib;
    return TRUE;
}

int CImageScanCmd::StartUp(int subCommand)
{
    CCommand::StartUp(subCommand);
    if (m_pDib != nullptr && CDBase::IsLiving()) {
        const double origin[2] = {0.0, 0.0};
        auto* image = new CDbImage(m_pDib, origin);  // takes the command's reference
        m_pDib = nullptr;
        image->SetLayerID(CLayer::GetCurrentLayerID());
        image->CreateNewHandle();
        auto* action = new CAction(1, GetCmdName());
        action->AddNewEnt(image);
        qvInsertActionIntoManager(action, 0);
        if (CView* view = gGetView()) view->Invalidate(TRUE);
    }
    return Cancel();
}

int CDlgNotes::DoModal() { return g_notesEditor ? g_notesEditor(m_strText) : kIdCancel; }

void CDlgNotes::SetEditor(Editor editor) { g_notesEditor = std::move(editor); }

void CTextMainCmd::OnUpdateEditCopy(CCmdUI* cmdUI)
{
    if (cmdUI != nullptr) cmdUI->Enable(FALSE);
}

void CTextMainCmd::OnUpdateEditCut(CCmdUI* cmdUI)
{
    if (cmdUI != nullptr) cmdUI->Enable(FALSE);
}

void CTextMainCmd::OnUpdateEditPaste(CCmdUI* cmdUI)
{
    if (cmdUI != nullptr) cmdUI->Enable(FALSE);
}
