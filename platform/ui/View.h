#pragma once
// Views: a window showing a document. The view's screen is a persistent image:
// after an invalidation the view draws itself (OnDraw) into that image; drawing
// through GetDC goes straight onto it (so that XOR drawing done twice erases);
// painting the widget only shows the image. A 3D work area (OpenGL) is made on
// the first request and laid over the view.

#include "platform/ui/Print.h"
#include "platform/ui/Wnd.h"

#include <memory>

class CDocument;
class CGLArea;
class QImage;

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)
public:
  CView();
  ~CView() override;

  CDocument* GetDocument() const { return m_pDocument; }

  virtual void OnDraw(CDC* pDC) = 0;
  virtual void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr);
  virtual void OnInitialUpdate();
  virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
  virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);
  virtual BOOL OnPreparePrinting(CPrintInfo* pInfo);
  virtual void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo);
  virtual void OnPrint(CDC* pDC, CPrintInfo* pInfo);
  virtual void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo);
  // Leaving the preview: closes the preview window's print job.
  virtual void OnEndPrintPreview(CDC* pDC, CPrintInfo* pInfo, POINT point, CPreviewView* pView);

  // Print (ID_FILE_PRINT) and print without the dialog (ID_FILE_PRINT_DIRECT):
  // OnPreparePrinting, then the pages from the dialog's range through
  // OnBeginPrinting, OnPrepareDC and OnPrint, and OnEndPrinting.
  void OnFilePrint(UINT nID);
  // Runs the pages of a prepared print job into the printer context.
  BOOL PrintPages(CPrinterDC* pDC, CPrintInfo* pInfo);
  // The print dialog of the job (none for a preview or a direct print);
  // FALSE when cancelled.
  BOOL DoPreparePrinting(CPrintInfo* pInfo);
  // Shows the preview window of class pPreviewViewClass (a CPreviewView) for
  // pPrintView over the frame; FALSE when it cannot start.
  BOOL DoPrintPreview(UINT nIDResource, CView* pPrintView, CRuntimeClass* pPreviewViewClass,
                      CPrintPreviewState* pState);

  // Routing: the view's own map, then its document's.
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

  // A context drawing directly on the screen image; release it with ReleaseDC.
  CDC* GetDC() override;
  int ReleaseDC(CDC* pDC) override;
  // Draws the view into its screen image now (what a pending invalidation does later).
  void RedrawScreen();
  const QImage& GetScreenImage() const;

  // The 3D work area, made on the first call (null when the view has no widget).
  CGLArea* GetGLArea();
  CGLArea* FindGLArea() const { return m_pGLArea.get(); }

  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDestroy();
  void OnSize(UINT nType, int cx, int cy);

protected:
  QWidget* CreateWidget(QWidget* pParent) override;
  void PostNcDestroy() override;
  void OnInvalidate() override;
  void OnUpdateWindow() override;

  CDocument* m_pDocument = nullptr;

  DECLARE_MESSAGE_MAP()

private:
  friend class CDocument;
  friend class CViewWidget;
  void ScheduleRedraw();
  void ResizeScreen(int cx, int cy);

  std::unique_ptr<QImage> m_pScreen;
  std::unique_ptr<CGLArea> m_pGLArea;
  bool m_bRedrawPending = false;
  // A size that arrived while something painted on the screen image; applied
  // when the drawing ends.
  int m_nPendingCx = 0;
  int m_nPendingCy = 0;
};
