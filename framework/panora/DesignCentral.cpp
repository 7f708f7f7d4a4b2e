#include "framework/panora/DesignCentral.h"

IMPLEMENT_DYNAMIC(CDesignCentral, CDockablePane)

CDesignCentral::CDesignCentral(CWnd*) {}

BOOL CDesignCentral::InitDCenter()
{
    m_bInit = TRUE;
    return TRUE;
}

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

void CDesignCentral::OnViewRedraw(CDC*) {}
