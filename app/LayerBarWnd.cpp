#include "app/LayerBarWnd.h"

#include "app/LayerTab.h"
#include "platform/core/Archive.h"
#include "platform/ui/CreateContext.h"
#include "platform/ui/View.h"
#include "framework/looker/AppSlots.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/Layer.h"

#include <algorithm>
#include <cstdint>

IMPLEMENT_DYNAMIC(CQvLayerBarWnd, CSplitterWndEx)

CQvLayerBarWnd::CQvLayerBarWnd()
{
    // No splitter bar is drawn or can be dragged.
    m_cxSplitter = m_cySplitter = 0;
    m_cxSplitterGap = m_cySplitterGap = 0;
    m_cxBorderShare = m_cyBorderShare = 0;
}

CQvLayerBarWnd::~CQvLayerBarWnd()
{
    if (m_pTab != nullptr) {
        if (m_pTab->GetSafeHwnd() != nullptr) m_pTab->DestroyWindow();
        delete m_pTab;
    }
}

BOOL CQvLayerBarWnd::CreatePanes(CWnd* parent, CCreateContext* pContext)
{
    if (parent == nullptr || pContext == nullptr || pContext->m_pNewViewClass == nullptr) return FALSE;
    if (!CreateStatic(parent, 2, 1, WS_CHILD | WS_VISIBLE | WS_BORDER, AFX_IDW_PANE_FIRST)) return FALSE;
    RECT client{0, 0, 0, 0};
    parent->GetClientRect(&client);
    const int height = std::max<int>(client.bottom - client.top - kInitialStripHeight, 0);
    if (!CreateView(0, 0, pContext->m_pNewViewClass, SIZE{client.right - client.left, height}, pContext)) return FALSE;
    auto tab = std::make_unique<CQvWndTab>();
    CCreateContext tabContext;
    if (!tab->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, kInitialStripHeight}, this,
                     static_cast<UINT>(IdFromRowCol(1, 0)), &tabContext))
        return FALSE;
    m_pTab = tab.release();
    m_pTab->SetLayerBar(this);
    m_pTab->CreateScrollBar();
    SetRowInfo(0, height, 0);
    SetRowInfo(1, kInitialStripHeight, 0);
    RecalcLayout();
    ShowWindow(SW_SHOW);
    UpdateWindow();
    return GetView() != nullptr ? TRUE : FALSE;
}

CView* CQvLayerBarWnd::GetView() const { return dynamic_cast<CView*>(GetPane(0, 0)); }

void CQvLayerBarWnd::RecalcLayout()
{
    RECT r{0, 0, 0, 0};
    GetClientRect(&r);
    const int h = m_pTab != nullptr ? m_pTab->GetTabHeight() : 0;
    if (m_pTab != nullptr && m_pTab->GetSafeHwnd() != nullptr) {
        m_pTab->MoveWindow(r.left, r.bottom - h, std::max<int>(r.right - r.left, 0), h);
    }
    if (CWnd* view = GetPane(0, 0)) {
        view->MoveWindow(r.left, r.top, std::max<int>(r.right - r.left, 0), std::max<int>(r.bottom - r.top - h, 0));
    }
}

void CQvLayerBarWnd::ToggleTab()
{
    if (m_pTab != nullptr) {
        if (IsTabVisible()) {
            m_pTab->SetTabHeight(0);
            m_nTabHidden = 1;
        } else {
            m_pTab->SetTabHeight(CQvWndTab::kDefaultHeight);
            m_nTabHidden = 0;
        }
    }
    RecalcLayout();
}

void CQvLayerBarWnd::SerializeState(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << std::int32_t{m_nReserved} << std::int32_t{m_nTabHidden};
    } else {
        std::int32_t reserved = 0, hidden = 0;
        ar >> reserved >> hidden;
        m_nReserved = reserved;
        m_nTabHidden = hidden;
    }
}

// ---------------------------------------------------------------------------
// Layer operations

int CQvLayerBarWnd::GetLayerCount() const { return CDBase::Instance()->GetLayerCnt(); }

int CQvLayerBarWnd::GetCurLayerIndex() const { return m_layers.LayerIdToIndex(CLayer::GetCurrentLayerID()); }

int CQvLayerBarWnd::GetLayerInfo(int index, CLayer* out) const
{
    const CLayer* layer = IsIndex(index) ? CDBase::Instance()->GetLayer(index) : nullptr;
    if (layer == nullptr || out == nullptr) return -1;
    out->SetLock(layer->IsLocked());
    if (layer->IsVisible()) out->SetVisible();
    else out->SetInVisible();
    out->SetColor(layer->GetColor());
    out->SetName(layer->GetName());
    return index;
}

int CQvLayerBarWnd::SetLayerInfo(int index, const CLayer* in)
{
    CLayer* layer = IsIndex(index) ? CDBase::Instance()->GetLayer(index) : nullptr;
    if (layer == nullptr || in == nullptr) return -1;
    SyncNames();
    layer->SetLock(in->IsLocked());
    if (in->IsVisible()) layer->SetVisible();
    else layer->SetInVisible();
    layer->SetColor(in->GetColor());
    layer->SetName(in->GetName());
    m_names[static_cast<size_t>(index)] = in->GetName();
    NamesChanged();
    return index;
}

int CQvLayerBarWnd::SetCurrentLayer(int index)
{
    if (!IsIndex(index)) return -1;
    m_layers.ActivateLayer(index);
    m_nCurIndex = GetCurLayerIndex();
    return index;
}

int CQvLayerBarWnd::AddLayer(const CString&)
{
    SyncNames();
    const CString name = m_layers.MakeDefaultLayerName();
    if (m_layers.CreateLayer(name) != 1) return -1;
    m_names.push_back(name);
    NamesChanged();
    m_nCurIndex = GetCurLayerIndex();
    return GetLayerCount() - 1;
}

int CQvLayerBarWnd::RenameLayer(int index, const CString& name)
{
    // Only the other layers count: a layer may keep its own name.
    if (m_layers.IsLayerNameUsed(name, index)) return -2;
    CLayer* layer = IsIndex(index) ? CDBase::Instance()->GetLayer(index) : nullptr;
    if (layer == nullptr) return -1;
    SyncNames();
    layer->SetName(name);
    m_names[static_cast<size_t>(index)] = name;
    NamesChanged();
    return index;
}

int CQvLayerBarWnd::DeleteLayer(int index, int)
{
    if (GetLayerCount() < 2 || !IsIndex(index)) return -1;
    if (m_layers.DeleteLayerUndoable(index) != 0) return -1;
    ReadNames();
    m_nCurIndex = GetCurLayerIndex();
    return index;
}

void CQvLayerBarWnd::ReloadLayers()
{
    ReadNames();
    SetCurrentLayer(0);
    RefreshLayerBar(0);
}

void CQvLayerBarWnd::RefreshLayerBar(int clearSelection)
{
    if (clearSelection) {
        if (CSelector* selector = gGetSelector()) selector->ClearAll();
        if (CView* view = GetView()) view->Invalidate(TRUE);
    }
    if (m_pTab != nullptr && m_pTab->GetSafeHwnd() != nullptr) m_pTab->Invalidate(TRUE);
}

void CQvLayerBarWnd::EnableTabButtons(int on)
{
    if (m_pTab != nullptr) m_pTab->EnableButtons(on);
}

const std::vector<CString>& CQvLayerBarWnd::GetLayerNames()
{
    SyncNames();
    return m_names;
}

void CQvLayerBarWnd::SyncNames()
{
    CDBase* db = CDBase::Instance();
    bool same = static_cast<int>(m_names.size()) == db->GetLayerCnt();
    for (int i = 0; same && i < db->GetLayerCnt(); ++i) {
        const CLayer* layer = db->GetLayer(i);
        same = layer != nullptr && layer->GetName() == m_names[static_cast<size_t>(i)];
    }
    if (!same) ReadNames();
}

void CQvLayerBarWnd::ReadNames()
{
    CDBase* db = CDBase::Instance();
    m_names.clear();
    for (int i = 0; i < db->GetLayerCnt(); ++i)
        if (const CLayer* layer = db->GetLayer(i)) m_names.push_back(layer->GetName());
    NamesChanged();
}

void CQvLayerBarWnd::NamesChanged()
{
    if (m_pTab != nullptr) m_pTab->m_bWidthsDirty = 1;
}
