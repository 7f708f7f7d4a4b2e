// The view's utility commands: hiding and showing objects, selecting all and
// inverting the selection, the node-edit operations, the recent commands, the
// surface display modes, the design-centre pages, the cursor and the key-up.
#include "app/KorvelView.h"

#include "app/KorvelIds.h"
#include "app/ViewCmds.h"
#include "app/ViewCommandTable.h"
#include "framework/actorum/MainCmds.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/Menu.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <map>
#include <vector>

namespace {

// Constraint kinds whose entities hide and show with their entity.
constexpr int kConstraintFilter = 0x2200;
// Surface display modes of the 3D view.
constexpr int kSurfaceModeSmooth = 20;
constexpr int kSurfaceModeMesh = 21;

CCommand* MainCommand(CRelayon* hub) { return hub != nullptr ? hub->GetCurMainCmd() : nullptr; }

int MainHostType(CRelayon* hub)
{
    CCommand* main = MainCommand(hub);
    return main != nullptr ? main->HostType() : 0;
}

void NotifyDesignCentre(UINT message)
{
    CDesignCentral* pane = gGetPaneDCenter();
    if (pane != nullptr && pane->GetSafeHwnd() != nullptr) pane->SendMessage(message, 0, 0);
}

// An entity select all and invert selection may take: selectable, not a
// guide line, and of no base type the database's filter leaves out.
bool TakesPart(const CDBase& db, CDbEntity* entity)
{
    return db.IsSelectable(entity) && entity->GetType() != kDbTypeAidLine && (entity->GetBaseType() & db.GetSelFilterMask()) == 0;
}

// Sets the visibility of the entity and of the entities tied to it by constraints.
void SetVisibleWithConstraints(CDBase& db, CDbEntity* entity, BOOL visible)
{
    entity->SetVisible(visible);
    CDbEntityList related;
    db.GetRelatedConstraint(entity, kConstraintFilter, related);
    for (CDbEntity* e : related) e->SetVisible(visible);
}

}  // namespace

void CKorvelView::OnHideObjects()
{
    CSelector* selector = gGetSelector();
    if (selector == nullptr || selector->IsEmpty()) return;
    CDBase* db = CDBase::Instance();
    for (int i = 0; i < selector->GetSize(); ++i) SetVisibleWithConstraints(*db, selector->GetEntity(i), FALSE);
    NotifyDesignCentre(korvel::WM_KV_OBJECTS_HIDDEN);
    qvClearSelSet();
    Invalidate(TRUE);
}

void CKorvelView::OnShowObjects()
{
    CDBase* db = CDBase::Instance();
    bool shown = false;
    std::vector<CDbEntity*> hidden;
    for (CDbEntity* e : db->GetEntities())
        if (!e->IsVisible()) hidden.push_back(e);
    // Constraint entities come back with their entity, as they went with it.
    for (CDbEntity* e : hidden) {
        SetVisibleWithConstraints(*db, e, TRUE);
        shown = true;
    }
    if (shown) NotifyDesignCentre(korvel::WM_KV_OBJECTS_SHOWN);
    Invalidate(TRUE);
}

void CKorvelView::OnUpdateShowObjects(CCmdUI* pCmdUI)
{
    const int count = CDBase::IsLiving() ? CDBase::Instance()->GetInvisibleEntSelfCount() : 0;
    pCmdUI->Enable(count > 0 ? TRUE : FALSE);
    if (pCmdUI->m_pMenu == nullptr) return;
    if (m_strShowObjectsText.IsEmpty()) pCmdUI->m_pMenu->GetMenuString(pCmdUI->m_nID, m_strShowObjectsText, MF_BYCOMMAND);
    CString text;
    text.Format(L"%s(%d)", m_strShowObjectsText.GetString(), count);
    pCmdUI->SetText(text);
}

void CKorvelView::OnHideShowRange(UINT nID)
{
    if (nID == 32844) OnHideObjects();
    else OnShowObjects();
}

void CKorvelView::OnUpdateHideShowRange(CCmdUI* pCmdUI)
{
    if (pCmdUI->m_nID == 32844) OnUpdateHideObjects(pCmdUI);
    else OnUpdateShowObjects(pCmdUI);
}

void CKorvelView::OnSelectAll()
{
    CRelayon* hub = gGetRelayon();
    switch (MainHostType(hub)) {
    case kHostSelect: {
        CSelector* selector = gGetSelector();
        if (selector == nullptr) return;
        selector->ClearAll();
        CDBase* db = CDBase::Instance();
        bool any = false;
        for (CDbEntity* e : db->GetEntities())
            if (TakesPart(*db, e)) any = selector->Add(e) || any;
        if (any) Invalidate(TRUE);
        break;
    }
    case kHostNode:
        if (auto* node = dynamic_cast<CToolNodeCmd*>(MainCommand(hub))) node->SelectAllNode();
        break;
    case kHostText:
        if (auto* text = dynamic_cast<CTextMainCmd*>(MainCommand(hub))) text->SelectAll();
        break;
    default: break;
    }
}

void CKorvelView::OnInvertSelection()
{
    CRelayon* hub = gGetRelayon();
    const int host = MainHostType(hub);
    if (host == kHostNode) {
        if (auto* node = dynamic_cast<CToolNodeCmd*>(MainCommand(hub))) node->FlipSelectNode();
        return;
    }
    if (host != kHostSelect) return;
    CSelector* selector = gGetSelector();
    if (selector == nullptr) return;
    std::vector<CDbEntity*> before;
    for (int i = 0; i < selector->GetSize(); ++i) before.push_back(selector->GetEntity(i));
    selector->ClearAll();
    CDBase* db = CDBase::Instance();
    for (CDbEntity* e : db->GetEntities())
        if (TakesPart(*db, e) && std::find(before.begin(), before.end(), e) == before.end()) selector->Add(e);
    Invalidate(TRUE);
}

void CKorvelView::OnUpdateInvertSelection(CCmdUI* pCmdUI)
{
    const CSelector* selector = gGetSelector();
    pCmdUI->Enable(selector != nullptr && !selector->IsEmpty() ? TRUE : FALSE);
}

void CKorvelView::OnNodeEditOperation(UINT nID)
{
    if (gGetRelayon() == nullptr) return;
    QMessage message(QMessage::kNodeEdit, korvel::NodeEditCodeOf(nID));
    qvSendMessage(&message);
}

void CKorvelView::OnUpdateNodeEditOperation(CCmdUI* pCmdUI)
{
    CCommand* main = MainCommand(gGetRelayon());
    if (main == nullptr || main->GetID() != korvel::ID_MAIN_NODE) {
        pCmdUI->Enable(FALSE);
        return;
    }
    QMessage message(QMessage::kNodeEdit, korvel::NodeEditCodeOf(pCmdUI->m_nID));
    qvSendMessage(&message, pCmdUI);
}

void CKorvelView::OnRecentCommand(UINT nID)
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return;
    hub->CancelCurCmd();
    std::vector<UINT> ids;
    hub->GetPrevCmd(ids);
    const size_t index = nID - 98;
    if (index >= ids.size()) return;
    if (CCommand* cmd = hub->GetCmd(ids[index])) hub->RunAppCmd(cmd, cmd->GetSubCmd(), TRUE);
}

void CKorvelView::OnUpdateRecentCommand(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    std::vector<UINT> ids;
    if (hub != nullptr) hub->GetPrevCmd(ids);
    const size_t index = pCmdUI->m_nID - 98;
    CCommand* cmd = hub != nullptr && index < ids.size() ? hub->GetCmd(ids[index]) : nullptr;
    pCmdUI->Enable(cmd != nullptr && cmd->IsEnable() ? TRUE : FALSE);
    pCmdUI->SetCheck(0);
}

void CKorvelView::OnSurfaceMode(UINT nID)
{
    CLooker* looker = gGetLooker();
    if (looker == nullptr) return;
    const int mode = nID == 33083 ? kSurfaceModeSmooth : kSurfaceModeMesh;
    if (looker->GetSrfShowMode() == mode) return;
    looker->SetSrfShowMode(mode);
    CDBase::Instance()->SetListDone(0);
    Invalidate(TRUE);
}

void CKorvelView::OnSelectByConditions()
{
    CDesignCentral* pane = gGetPaneDCenter();
    CRelayon* hub = gGetRelayon();
    if (pane == nullptr || hub == nullptr) return;
    pane->ShowDCenter();
    CWnd* defaultPage = pane->GetDefaultPage();
    if (pane->GetCurrentPage() != defaultPage) {
        if (hub->CurCmdFlag() == 1) {
            hub->CancelCurCmd();
        } else {
            CCommand* select = hub->GetMainCmdOnType(kHostSelect);
            CCommand* main = hub->GetCurMainCmd();
            if (select == nullptr || main == nullptr) return;
            if (main != select) hub->RunMainCmd(select->GetID());
        }
    }
    if (pane->GetCurrentPage() == defaultPage && defaultPage != nullptr && !defaultPage->IsWindowVisible())
        pane->SwitchPage(pane->GetChildDlgIndex(defaultPage));
}

void CKorvelView::OnUpdateSelectByConditions(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(CDBase::IsLiving() && CDBase::Instance()->GetCount() > 0 ? TRUE : FALSE);
}

void CKorvelView::OnAttributes()
{
    CDesignCentral* pane = gGetPaneDCenter();
    if (pane == nullptr) return;
    const bool hidden = pane->GetSafeHwnd() == nullptr || !pane->IsWindowVisible();
    if (hidden || pane->GetAttrDlg() == nullptr || pane->GetCurrentPage() != pane->GetAttrDlg()) {
        pane->HideDCenter();
        pane->ShowDCenter();
        pane->SwitchAttrDlg();
    }
}

void CKorvelView::OnUpdateAttributes(CCmdUI* pCmdUI)
{
    CRelayon* hub = gGetRelayon();
    const CSelector* selector = gGetSelector();
    pCmdUI->Enable(MainHostType(hub) == kHostSelect && hub->GetCurCmd() == nullptr && selector != nullptr &&
                           selector->GetSize() == 1
                       ? TRUE
                       : FALSE);
}

void CKorvelView::OnRedraw() { Invalidate(TRUE); }

LRESULT CKorvelView::OnSelectionMessage(WPARAM, LPARAM)
{
    QMessage message(1);
    qvSendMessage(&message);
    return 0;
}

LRESULT CKorvelView::OnMainCommandMessage(WPARAM, LPARAM)
{
    CRelayon* hub = gGetRelayon();
    CCommand* main = MainCommand(hub);
    CDesignCentral* pane = gGetPaneDCenter();
    if (main == nullptr || pane == nullptr) return 0;
    const int host = main->HostType();
    if (host != kHostSelect && host != kHostNode) return 0;
    QMessage message(0x40B);
    hub->OnMessage(&message);
    if (host == kHostSelect) pane->SwitchSelChange();
    return 1;
}

BOOL CKorvelView::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr || hub->GetDynCursor() != 0) return FALSE;
    CCommand* cmd = hub->GetCurCmd() != nullptr ? hub->GetCurCmd() : hub->GetCurMainCmd();
    const int cursor = cmd != nullptr ? cmd->OnSetCursor() : 0;
    if (cursor == 0) return CGLView::OnSetCursor(pWnd, nHitTest, message);
    ::SetCursor(CommandCursor(cursor));
    return TRUE;
}

void CKorvelView::OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (CRelayon* hub = gGetRelayon()) hub->OnKeyUp(nChar, nRepCnt, nFlags);
    CGLView::OnKeyUp(nChar, nRepCnt, nFlags);
}

namespace {

// The cursor pictures: 32 x 32, black lines with a white outline so that they
// show on the black and the white drawing backgrounds.
QImage CursorPicture(int cursor)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    auto magnifier = [&path] {
        path.addEllipse(QPointF(12, 12), 8, 8);
        path.moveTo(18, 18);
        path.lineTo(28, 28);
    };
    auto hand = [&path](bool closed) {
        const int top = closed ? 12 : 4;
        for (int x = 9; x <= 21; x += 4) {
            path.moveTo(x, 18);
            path.lineTo(x, top + (x == 9 || x == 21 ? 4 : 0));
        }
        path.addRoundedRect(QRectF(7, 16, 18, 12), 4, 4);
    };
    switch (cursor) {
    case korvel::kCursorRegion:
        magnifier();
        path.addRect(QRectF(8, 9, 8, 6));
        break;
    case korvel::kCursorPan: hand(false); break;
    case korvel::kCursorGrab: hand(true); break;
    case korvel::kCursorRotate:
        path.arcMoveTo(QRectF(6, 6, 20, 20), 30);
        path.arcTo(QRectF(6, 6, 20, 20), 30, 300);
        path.moveTo(25, 8);
        path.lineTo(26, 14);
        path.lineTo(20, 13);
        break;
    case korvel::kCursorZoomDyn:
        magnifier();
        path.moveTo(8, 12), path.lineTo(16, 12);
        path.moveTo(12, 8), path.lineTo(12, 16);
        break;
    case korvel::kCursorArea:
        path.moveTo(16, 2), path.lineTo(16, 30);
        path.moveTo(2, 16), path.lineTo(30, 16);
        path.addRect(QRectF(20, 20, 8, 8));
        break;
    default: return {};
    }
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    return image;
}

}  // namespace

HCURSOR CKorvelView::CommandCursor(int cursor)
{
    static std::map<int, HCURSOR> made;
    if (const auto it = made.find(cursor); it != made.end()) return it->second;
    const QImage picture = CursorPicture(cursor);
    // The hot spot: the crossing for the area cursor, the lens centre for
    // the magnifiers, the middle otherwise.
    const bool lens = cursor == korvel::kCursorRegion || cursor == korvel::kCursorZoomDyn;
    HCURSOR handle = picture.isNull() ? ::LoadCursor(nullptr, IDC_CROSS) : AfxCreateCursor(picture, lens ? 12 : 16, lens ? 12 : 16);
    made.emplace(cursor, handle);
    return handle;
}
