// Document, view and frame bases of the plug-in framework. Their routing
// entries offer a command to the plug-ins' commands first (the frame), then
// to the class library's routing.
#pragma once

#include "platform/ui/Document.h"
#include "platform/ui/FrameWndEx.h"
#include "platform/ui/View.h"

class CPIDoc : public CDocument {
    DECLARE_DYNAMIC(CPIDoc)
public:
    CPIDoc() = default;
    // Attaches the document plug-ins; the plug-ins loaded here have none.
    BOOL InitialisePlugIns();
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
};

class CPIView : public CView {
    DECLARE_DYNAMIC(CPIView)
public:
    CPIView() = default;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
};

// WM_USER + 10: sent by the document after a new or opened document.
inline constexpr UINT WM_PI_DOCUMENT_READY = WM_USER + 10;

class CPISMainFrame : public CFrameWndEx {
    DECLARE_DYNAMIC(CPISMainFrame)
public:
    CPISMainFrame() = default;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnTimer(UINT_PTR nIDEvent);
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    // Tool bars of the plug-ins (none here); both succeed.
    BOOL CreatePlugToolBar();
    void DockPlugToolBar();
    // Releases the frame's plug-in objects.
    void FreeMap();
    // Count of WM_USER + 10 messages received (the document-ready notice).
    int GetDocumentReadyCount() const { return m_nDocumentReady; }

protected:
    LRESULT OnDocumentReady(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    int m_nDocumentReady = 0;
};
