#include "app/LayerBarWnd.h"

#include "app/LayerTab.h"
#include "platform/core/Archive.h"
#include "platform/ui/CreateContext.h"
#include "platform/ui/View.h"

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
