#include "app/LayerManageCmd.h"

#include "app/DlgLayer.h"
#include "app/KorvelIds.h"
#include "app/LayerBarWnd.h"
#include "app/MainFrame.h"
#include "framework/looker/AppSlots.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/Layer.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"

IMPLEMENT_DYNAMIC(CLayerManageCmd, CCommand)

namespace {

constexpr UINT kModeNames[] = {korvel::IDS_LAYER_EDIT,           korvel::IDS_LAYER_SHOW_ALL,
                               korvel::IDS_LAYER_SHOW_ONE,       korvel::IDS_LAYER_HIDE_OF_OBJECT,
                               korvel::IDS_LAYER_MOVE_TO_PICKED, korvel::IDS_LAYER_MOVE_TO_CURRENT,
                               korvel::IDS_LAYER_CURRENT_OF_OBJECT};

void Tell(UINT text)
{
    AfxGetPromptService()->MessageBox(AfxLoadString(text), AfxLoadString(korvel::IDS_LAYER_CAPTION), MB_OK);
}

void ClearSelection()
{
    if (CSelector* selector = gGetSelector()) selector->ClearAll();
    if (CView* view = gGetView()) view->Invalidate(TRUE);
}

int SelectedCount()
{
    CSelector* selector = gGetSelector();
    return selector != nullptr ? selector->GetSize() : 0;
}

}  // namespace

CLayerManageCmd::CLayerManageCmd(int first, LPCTSTR name, int) : CCommand(first, name, 0) {}

CLayerManageCmd::~CLayerManageCmd() = default;

CString CLayerManageCmd::GetModeName() const
{
    if (m_nSubCmd < 0 || m_nSubCmd >= static_cast<int>(std::size(kModeNames))) return CString();
    return AfxLoadString(kModeNames[m_nSubCmd]);
}

BOOL CLayerManageCmd::IsEnable() { return CCommand::IsEnable() ? TRUE : FALSE; }

CQvLayerBarWnd* CLayerManageCmd::LayerBar()
{
    auto* frame = dynamic_cast<CMainFrame*>(gGetMainFrame());
    return frame != nullptr ? &frame->GetLayerBar() : nullptr;
}

int CLayerManageCmd::StartUp(int mode)
{
    CCommand::StartUp(mode);
    m_nSubCmd = mode;
    m_pEnded.reset();
    CQvLayerBarWnd* bar = LayerBar();
    if (bar == nullptr) return Cancel();
    switch (mode) {
    case kEdit:
        ShowPage();
        ClearSelection();
        bar->RefreshLayerBar(1);
        return 1;
    case kMoveToPicked:
        if (SelectedCount() == 0) {
            Tell(korvel::IDS_LAYER_MOVE_TO_PICKED);
            return Cancel();
        }
        ShowPage();
        return 1;
    case kShowAll: ShowAll(bar); break;
    case kShowOne: ShowOne(bar); break;
    case kHideOfObject: HideOfObject(bar); break;
    case kMoveToCurrent: MoveToCurrent(bar); break;
    case kCurrentOfObject: CurrentOfObject(bar); break;
    default: break;
    }
    return Cancel();
}

void CLayerManageCmd::ShowPage()
{
    CDesignCentral* pane = gGetPaneDCenter();
    if (pane == nullptr) return;
    pane->ShowDCenter();
    if (m_nSubCmd == kEdit) {
        auto page = std::make_unique<CDlgLayerManager>();
        page->SetCmd(this);
        m_pDialog = std::move(page);
    } else {
        auto page = std::make_unique<CDlgLayerSel>();
        page->SetCmd(this);
        m_pDialog = std::move(page);
    }
    if (pane->GetSafeHwnd() == nullptr) {
        m_pDialog->OnInitDialog();
        return;
    }
    if (!m_pDialog->Create(m_nSubCmd == kEdit ? CDlgLayerManager::kTemplate : CDlgLayerSel::kTemplate, pane)) return;
    pane->RemoveCommandAllPage();
    pane->AddCommandPage(m_pDialog.get());
    pane->LoadCommandPage(m_pDialog.get());
    m_pDialog->ShowWindow(SW_SHOW);
}

int CLayerManageCmd::OnRButtonDown(UINT, Position&) { return Cancel(); }

int CLayerManageCmd::Cancel()
{
    if (m_nSubCmd == kEdit || m_nSubCmd == kMoveToPicked) {
        if (CDesignCentral* pane = gGetPaneDCenter()) {
            pane->RemoveCommandAllPage();
            pane->RecoverDefaultPage();
            pane->RestoreDCenter();
        }
        // The page may be ending from its own handler: it goes out of sight now
        // and is deleted at the next run or with the command.
        if (m_pDialog) {
            if (auto* manager = dynamic_cast<CDlgLayerManager*>(m_pDialog.get())) manager->ResetRows();
            if (m_pDialog->GetSafeHwnd() != nullptr) m_pDialog->ShowWindow(SW_HIDE);
            m_pEnded = std::move(m_pDialog);
        }
    }
    return CCommand::Cancel();
}

int CLayerManageCmd::OnMessage(QMessage* message)
{
    if (message == nullptr) return 0;
    if (message->m_nType == QMessage::kNewDocument) {
        if (CQvLayerBarWnd* bar = LayerBar()) bar->ReloadLayers();
    }
    return 1;
}

void CLayerManageCmd::ShowAll(CQvLayerBarWnd* bar)
{
    for (int i = 0; i < bar->GetLayerCount(); ++i) {
        CLayer info;
        if (bar->GetLayerInfo(i, &info) < 0) continue;
        info.SetVisible();
        bar->SetLayerInfo(i, &info);
    }
    bar->SetSingleLayerMode(0);
    ClearSelection();
    bar->RefreshLayerBar(1);
}

void CLayerManageCmd::ShowOne(CQvLayerBarWnd* bar)
{
    const int current = bar->GetCurLayerIndex();
    for (int i = 0; i < bar->GetLayerCount(); ++i) {
        CLayer info;
        if (bar->GetLayerInfo(i, &info) < 0) continue;
        if (i == current) info.SetVisible();
        else info.SetInVisible();
        bar->SetLayerInfo(i, &info);
    }
    bar->SetSingleLayerMode(1);
    ClearSelection();
    bar->RefreshLayerBar(1);
}

void CLayerManageCmd::HideOfObject(CQvLayerBarWnd* bar)
{
    CSelector* selector = gGetSelector();
    if (selector == nullptr || selector->GetSize() != 1) {
        Tell(korvel::IDS_LAYER_SELECT_ONE);
        return;
    }
    const int layerId = selector->GetEntity(0)->GetLayerID();
    if (layerId == CDBase::Instance()->GetLayerIDByIndex(bar->GetCurLayerIndex())) {
        Tell(korvel::IDS_LAYER_HIDE_CURRENT);
        return;
    }
    ClearSelection();
    const int index = bar->GetHelper().LayerIdToIndex(layerId);
    CLayer info;
    if (bar->GetLayerInfo(index, &info) < 0) return;
    info.SetInVisible();
    if (bar->SetLayerInfo(index, &info) >= 0) {
        ClearSelection();
        bar->RefreshLayerBar(1);
    }
}

void CLayerManageCmd::OnLayerChosen(int position)
{
    CQvLayerBarWnd* bar = LayerBar();
    CSelector* selector = gGetSelector();
    if (bar == nullptr || selector == nullptr) return;
    if (position < 0 || position >= bar->GetLayerCount() || selector->GetSize() == 0) return;
    const int id = CDBase::Instance()->GetLayerIDByIndex(position);
    for (int i = 0; i < selector->GetSize(); ++i) selector->GetEntity(i)->SetLayerID(id);
    ClearSelection();
    bar->RefreshLayerBar(1);
}

void CLayerManageCmd::MoveToCurrent(CQvLayerBarWnd* bar)
{
    CSelector* selector = gGetSelector();
    if (selector == nullptr || selector->GetSize() == 0) {
        Tell(korvel::IDS_LAYER_MOVE_TO_CURRENT);
        return;
    }
    const int id = CLayer::GetCurrentLayerID();
    for (int i = 0; i < selector->GetSize(); ++i) selector->GetEntity(i)->SetLayerID(id);
    ClearSelection();
    bar->RefreshLayerBar(1);
}

void CLayerManageCmd::CurrentOfObject(CQvLayerBarWnd* bar)
{
    CSelector* selector = gGetSelector();
    if (selector == nullptr || selector->GetSize() != 1) {
        Tell(korvel::IDS_LAYER_CURRENT_OF_OBJECT);
        return;
    }
    const int layerId = selector->GetEntity(0)->GetLayerID();
    if (layerId == CLayer::GetCurrentLayerID()) return;
    ClearSelection();
    bar->SetCurrentLayer(bar->GetHelper().LayerIdToIndex(layerId));
    bar->RefreshLayerBar(1);
}
