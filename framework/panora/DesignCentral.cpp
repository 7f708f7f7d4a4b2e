#include "framework/panora/DesignCentral.h"

#include "platform/ui/Controls.h"

#include <QStackedLayout>
#include <QWidget>

#include <algorithm>

IMPLEMENT_DYNAMIC(CDesignCentral, CDockablePane)

CDesignCentral::CDesignCentral(CWnd*) {}

CDesignCentral::~CDesignCentral() = default;

BOOL CDesignCentral::InitDCenter()
{
    if (m_bInit) return TRUE;
    QWidget* widget = GetWidget();
    if (widget != nullptr && m_pStack == nullptr) {
        m_pStack = new QStackedLayout(widget);
        m_pStack->setContentsMargins(0, 0, 0, 0);
        m_pDefault = std::make_unique<CStatic>();
        CString caption;
        GetWindowText(caption);
        if (m_pDefault->Create(caption, WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, this)) {
            m_pStack->addWidget(m_pDefault->GetWidget());
        }
    }
    m_bInit = TRUE;
    return TRUE;
}

CWnd* CDesignCentral::GetDefaultPage() const { return m_pDefault.get(); }

CWnd* CDesignCentral::GetCurrentPage() const { return m_pCurrent != nullptr ? m_pCurrent : m_pDefault.get(); }

int CDesignCentral::GetChildDlgIndex(CWnd* page) const
{
    if (page == nullptr) return -1;
    if (page == m_pDefault.get()) return 0;
    const auto it = std::find(m_pages.begin(), m_pages.end(), page);
    return it != m_pages.end() ? static_cast<int>(it - m_pages.begin()) + 1 : -1;
}

void CDesignCentral::SwitchPage(int index)
{
    if (index == 0) ShowPage(nullptr);
    else if (index > 0 && static_cast<size_t>(index) <= m_pages.size()) ShowPage(m_pages[static_cast<size_t>(index) - 1]);
}

std::unique_ptr<CStatic> CDesignCentral::MakePlaceholder(LPCTSTR title)
{
    auto page = std::make_unique<CStatic>();
    if (GetSafeHwnd() != nullptr) page->Create(title, WS_CHILD, RECT{0, 0, 10, 10}, this);
    return page;
}

void CDesignCentral::AddRlfLayerManagerDlg()
{
    if (m_pRlfLayers == nullptr) m_pRlfLayers = MakePlaceholder(L"Relief Layers");
    AddCommandPage(m_pRlfLayers.get());
}

void CDesignCentral::DelRlfLayerManagerDlg()
{
    CWnd* page = m_pRlfLayers.get();
    if (page == nullptr) return;
    if (m_pCurrent == page) ShowPage(nullptr);
    std::erase(m_pages, page);
    if (m_pStack != nullptr && page->GetWidget() != nullptr) m_pStack->removeWidget(page->GetWidget());
    m_pRlfLayers.reset();
}

CWnd* CDesignCentral::GetRlfLayerManagerDlg() const { return m_pRlfLayers.get(); }

void CDesignCentral::SwitchAttrDlg()
{
    if (m_pAttr == nullptr) m_pAttr = MakePlaceholder(L"Attributes");
    AddCommandPage(m_pAttr.get());
    ShowPage(m_pAttr.get());
}

CWnd* CDesignCentral::GetAttrDlg() const { return m_pAttr.get(); }

void CDesignCentral::ShowPane(BOOL bShow, BOOL bDelay, BOOL bActivate)
{
    m_bShown = bShow ? TRUE : FALSE;
    if (GetSafeHwnd() != nullptr) CDockablePane::ShowPane(bShow, bDelay, bActivate);
}

void CDesignCentral::ShowDCenter()
{
    m_bHiddenByCmd = FALSE;
    ShowPane(TRUE, FALSE, TRUE);
}

void CDesignCentral::HideDCenter()
{
    if (!m_bShown) return;
    m_bHiddenByCmd = TRUE;
    ShowPane(FALSE, FALSE, FALSE);
}

void CDesignCentral::RestoreDCenter()
{
    if (!m_bHiddenByCmd) return;
    m_bHiddenByCmd = FALSE;
    ShowPane(TRUE, FALSE, FALSE);
}

void CDesignCentral::AddCommandPage(CWnd* page)
{
    if (page == nullptr || std::find(m_pages.begin(), m_pages.end(), page) != m_pages.end()) return;
    m_pages.push_back(page);
    if (m_pStack != nullptr && page->GetWidget() != nullptr) m_pStack->addWidget(page->GetWidget());
}

BOOL CDesignCentral::LoadCommandPage(CWnd* page)
{
    if (page == nullptr || std::find(m_pages.begin(), m_pages.end(), page) == m_pages.end()) return FALSE;
    ShowPage(page);
    return TRUE;
}

void CDesignCentral::RemoveCommandAllPage()
{
    ShowPage(nullptr);
    if (m_pStack != nullptr) {
        for (CWnd* page : m_pages)
            if (QWidget* widget = page->GetWidget()) m_pStack->removeWidget(widget);
    }
    m_pages.clear();
}

void CDesignCentral::RecoverDefaultPage() { ShowPage(nullptr); }

void CDesignCentral::ShowPage(CWnd* page)
{
    m_pCurrent = page;
    if (m_pStack == nullptr) return;
    CWnd* shown = page != nullptr ? page : m_pDefault.get();
    if (shown != nullptr && shown->GetWidget() != nullptr) m_pStack->setCurrentWidget(shown->GetWidget());
}

void CDesignCentral::UnitChanged()
{
    for (CWnd* page : m_pages)
        if (page->GetSafeHwnd() != nullptr) page->SendMessage(WM_DC_UNIT_CHANGED, 0, 0);
}

void CDesignCentral::OnViewRedraw(CDC*) {}
