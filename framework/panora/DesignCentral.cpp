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
