#include "framework/actorum/MainCmds.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Dib.h"
#include "framework/looker/Looker.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Selector.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/View.h"

IMPLEMENT_DYNAMIC(CToolCmd, CCommand)
IMPLEMENT_DYNAMIC(CToolNodeCmd, CCommand)
IMPLEMENT_DYNAMIC(CTextMainCmd, CCommand)
IMPLEMENT_DYNAMIC(CImageScanCmd, CCommand)

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

void CImageScanCmd::SetBitmap(CDib* dib)
{
    if (dib == m_pDib) return;
    if (m_pDib != nullptr) m_pDib->Release();
    m_pDib = dib;
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
