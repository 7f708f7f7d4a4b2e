#include "framework/extendra/PIDoc.h"

#include "framework/extendra/PlugInApp.h"

IMPLEMENT_DYNAMIC(CPIDoc, CDocument)
IMPLEMENT_DYNAMIC(CPIView, CView)
IMPLEMENT_DYNAMIC(CPISMainFrame, CFrameWndEx)

BOOL CPIDoc::InitialisePlugIns() { return TRUE; }

BOOL CPIDoc::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    return CDocument::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CPIView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    return CView::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BEGIN_MESSAGE_MAP(CPISMainFrame, CFrameWndEx)
    ON_MESSAGE(WM_PI_DOCUMENT_READY, &CPISMainFrame::OnDocumentReady)
END_MESSAGE_MAP()

int CPISMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) { return CFrameWndEx::OnCreate(lpCreateStruct); }

void CPISMainFrame::OnTimer(UINT_PTR nIDEvent) { CFrameWndEx::OnTimer(nIDEvent); }

BOOL CPISMainFrame::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (pHandlerInfo == nullptr) {
        if (CPlugInApp* app = GetPlugInApp(); app != nullptr && app->DispatchPlugInCommand(nID, nCode, pExtra))
            return TRUE;
    }
    return CFrameWndEx::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CPISMainFrame::CreatePlugToolBar() { return TRUE; }
void CPISMainFrame::DockPlugToolBar() {}
void CPISMainFrame::FreeMap() {}

LRESULT CPISMainFrame::OnDocumentReady(WPARAM, LPARAM)
{
    ++m_nDocumentReady;
    return 0;
}
