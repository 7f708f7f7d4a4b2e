#include "platform/ui/View.h"

#include "platform/ui/CreateContext.h"
#include "platform/ui/Document.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/GLArea.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"
#include "platform/ui/QtDC.h"
#include "platform/ui/WndWidget.h"

#include <QImage>
#include <QPainter>
#include <QTimer>

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_SIZE()
END_MESSAGE_MAP()

// The view's widget shows the screen image and nothing else.
class CViewWidget : public CWndWidget<QWidget> {
public:
  CViewWidget(CView* pView, QWidget* pParent) : CWndWidget<QWidget>(pView, pParent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A view takes the keyboard when clicked, as on the platform.
    setFocusPolicy(Qt::StrongFocus);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    auto* pView = static_cast<CView*>(m_pWnd);
    if (pView == nullptr || pView->m_pScreen == nullptr) return;
    QPainter painter(this);
    painter.drawImage(0, 0, *pView->m_pScreen);
  }
};

CView::CView() : m_pScreen(std::make_unique<QImage>()) {}

CView::~CView() {
  m_pGLArea.reset();
  if (m_pDocument != nullptr) m_pDocument->RemoveView(this);
}

QWidget* CView::CreateWidget(QWidget* pParent) { return new CViewWidget(this, pParent); }

int CView::OnCreate(LPCREATESTRUCT lpcs) {
  if (CWnd::OnCreate(lpcs) == -1) return -1;
  auto* pContext = lpcs != nullptr ? static_cast<CCreateContext*>(lpcs->lpCreateParams) : nullptr;
  if (pContext != nullptr && pContext->m_pCurrentDoc != nullptr) pContext->m_pCurrentDoc->AddView(this);
  return 0;
}

void CView::OnDestroy() {
  if (CFrameWnd* pFrame = GetParentFrame()) {
    if (pFrame->GetActiveView() == this) pFrame->SetActiveView(nullptr, FALSE);
  }
  m_pGLArea.reset();
  CWnd::OnDestroy();
}

void CView::PostNcDestroy() {
  // Views are created on the heap by their frames and go with their window.
  delete this;
}

void CView::OnSize(UINT nType, int cx, int cy) {
  CWnd::OnSize(nType, cx, cy);
  if (cx <= 0 || cy <= 0) return;
  if (m_pScreen->paintingActive()) {
    // Drawing code can change the layout (rulers, panes) and so resize the view
    // while a painter still works on the screen image; replacing the image under
    // it would leave the painter on freed pixels.
    m_nPendingCx = cx;
    m_nPendingCy = cy;
    ScheduleRedraw();
    return;
  }
  ResizeScreen(cx, cy);
}

void CView::ResizeScreen(int cx, int cy) {
  m_nPendingCx = m_nPendingCy = 0;
  if (m_pScreen->width() != cx || m_pScreen->height() != cy) {
    QImage screen(cx, cy, QImage::Format_RGB32);
    screen.fill(Qt::white);
    *m_pScreen = std::move(screen);
  }
  if (m_pGLArea != nullptr) m_pGLArea->Resize(cx, cy);
  // A resized view is drawn again as a whole.
  ScheduleRedraw();
}

void CView::OnInvalidate() { ScheduleRedraw(); }

void CView::ScheduleRedraw() {
  if (m_bRedrawPending || GetWidget() == nullptr) return;
  m_bRedrawPending = true;
  const HWND hWnd = m_hWnd;
  QTimer::singleShot(0, GetWidget(), [this, hWnd] {
    if (CWnd::FromHandle(hWnd) == this && m_bRedrawPending) RedrawScreen();
  });
}

void CView::OnUpdateWindow() {
  if (m_bRedrawPending) RedrawScreen();
  if (GetWidget() != nullptr) GetWidget()->repaint();
}

void CView::RedrawScreen() {
  if (m_nPendingCx > 0 && !m_pScreen->paintingActive()) ResizeScreen(m_nPendingCx, m_nPendingCy);
  m_bRedrawPending = false;
  if (m_pScreen->isNull()) return;
  {
    CQtDC dc(m_pScreen.get());
    // A view that erases its own background is asked first; by default the screen
    // image keeps its pixels and OnDraw paints over them.
    if (FindMessageEntry(WM_ERASEBKGND) != nullptr) SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(static_cast<CDC*>(&dc)), 0);
    OnPrepareDC(&dc);
    OnDraw(&dc);
  }
  if (GetWidget() != nullptr) GetWidget()->update();
  if (m_pGLArea != nullptr) m_pGLArea->Update();
}

const QImage& CView::GetScreenImage() const { return *m_pScreen; }

CDC* CView::GetDC() {
  if (m_pScreen->isNull()) return nullptr;
  return new CQtDC(m_pScreen.get());
}

int CView::ReleaseDC(CDC* pDC) {
  if (pDC == nullptr) return 0;
  delete pDC;
  if (GetWidget() != nullptr) GetWidget()->update();
  return 1;
}

CGLArea* CView::GetGLArea() {
  if (m_pGLArea == nullptr && GetWidget() != nullptr) m_pGLArea = std::make_unique<CGLArea>(this);
  return m_pGLArea.get();
}

void CView::OnPrepareDC(CDC*, CPrintInfo* pInfo) {
  // A job whose page count nobody set prints its first page only.
  if (pInfo != nullptr && pInfo->GetMaxPage() == 0xFFFF) pInfo->m_bContinuePrinting = pInfo->m_nCurPage == 1;
}
void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }
void CView::OnUpdate(CView*, LPARAM, CObject*) { Invalidate(TRUE); }
void CView::OnActivateView(BOOL, CView*, CView*) {}
BOOL CView::OnPreparePrinting(CPrintInfo*) { return TRUE; }
void CView::OnBeginPrinting(CDC*, CPrintInfo*) {}
void CView::OnPrint(CDC* pDC, CPrintInfo* pInfo) {
  OnPrepareDC(pDC, pInfo);
  OnDraw(pDC);
}
void CView::OnEndPrinting(CDC*, CPrintInfo*) {}

void CView::OnEndPrintPreview(CDC* pDC, CPrintInfo* pInfo, POINT, CPreviewView*) {
  if (pInfo != nullptr) OnEndPrinting(pDC, pInfo);
  if (CFrameWnd* frame = GetParentFrame()) frame->OnSetPreviewMode(FALSE, nullptr);
  Invalidate(TRUE);
}

BOOL CView::DoPreparePrinting(CPrintInfo* pInfo) {
  if (pInfo == nullptr || pInfo->m_pPD == nullptr) return FALSE;
  if (pInfo->m_bPreview || pInfo->m_bDirect) return pInfo->m_pPD->GetDefaults();
  return pInfo->m_pPD->DoModal() == IDOK ? TRUE : FALSE;
}

BOOL CView::PrintPages(CPrinterDC* pDC, CPrintInfo* pInfo) {
  if (pDC == nullptr || pInfo == nullptr) return FALSE;
  const UINT last = pInfo->GetToPage();
  for (UINT page = pInfo->GetFromPage(); page <= last && pInfo->m_bContinuePrinting; ++page) {
    pInfo->m_nCurPage = page;
    OnPrepareDC(pDC, pInfo);
    if (!pInfo->m_bContinuePrinting) break;
    if (!pDC->StartPage()) return FALSE;
    pInfo->m_rectDraw = RECT{0, 0, pDC->GetDeviceCaps(HORZRES), pDC->GetDeviceCaps(VERTRES)};
    OnPrint(pDC, pInfo);
    if (!pDC->EndPage()) return FALSE;
  }
  return TRUE;
}

void CView::OnFilePrint(UINT nID) {
  CPrintInfo info;
  info.m_bDirect = nID == ID_FILE_PRINT_DIRECT ? TRUE : FALSE;
  if (!OnPreparePrinting(&info)) return;
  std::unique_ptr<CPrinterDC> dc(info.m_pPD->CreatePrinterDC());
  if (dc == nullptr || !dc->StartDoc()) {
    AfxMessageBox(AFX_IDP_COMMAND_FAILURE);
    return;
  }
  OnBeginPrinting(dc.get(), &info);
  PrintPages(dc.get(), &info);
  OnEndPrinting(dc.get(), &info);
  dc->EndDoc();
}

BOOL CView::DoPrintPreview(UINT, CView* pPrintView, CRuntimeClass* pPreviewViewClass, CPrintPreviewState* pState) {
  if (pPrintView == nullptr || pPreviewViewClass == nullptr || AfxGetPreviewView() != nullptr) return FALSE;
  CObject* object = pPreviewViewClass->CreateObject();
  auto* preview = dynamic_cast<CPreviewView*>(object);
  if (preview == nullptr) {
    delete object;
    return FALSE;
  }
  CFrameWnd* frame = GetParentFrame();
  if (frame != nullptr) frame->OnSetPreviewMode(TRUE, pState);
  if (!preview->SetPrintView(pPrintView, frame, pState)) {
    if (preview->GetSafeHwnd() != nullptr) {
      preview->DestroyWindow();
    } else {
      delete preview;
    }
    if (frame != nullptr) frame->OnSetPreviewMode(FALSE, pState);
    return FALSE;
  }
  return TRUE;
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  return m_pDocument != nullptr && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}
