#include "platform/ui/Print.h"

#include "platform/ui/FrameWnd.h"
#include "platform/ui/QtConvert.h"
#include "platform/ui/View.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WndWidget.h"

#include <QAction>
#include <QGraphicsView>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------------------
// Printer context

namespace {
constexpr QRgb kPaperKey = 0xFFFEFFFEu;
}

CPrinterDC::CPrinterDC(QPrinter* pPrinter) : m_pPrinter(pPrinter) { SetPrinting(TRUE); }

CPrinterDC::~CPrinterDC() {
  End();
  if (m_pOut != nullptr && m_pOut->isActive()) m_pOut->end();
}

BOOL CPrinterDC::StartDoc() {
  if (m_pPrinter == nullptr) return FALSE;
  m_pOut = std::make_unique<QPainter>();
  if (!m_pOut->begin(m_pPrinter)) {
    m_pOut.reset();
    return FALSE;
  }
  // Line drawings must not go through lossy compression (PDF output would
  // otherwise store the pages as JPEG).
  m_pOut->setRenderHint(QPainter::LosslessImageRendering);
  m_nPages = 0;
  return TRUE;
}

BOOL CPrinterDC::StartPage() {
  if (m_pOut == nullptr) return FALSE;
  End();
  if (m_nPages > 0 && !m_pPrinter->newPage()) return FALSE;
  int dpi = 0;
  m_page = QImage(PageSize(&dpi), QImage::Format_RGB32);
  m_page.fill(kPaperKey);
  const int dotsPerMetre = static_cast<int>(std::lround(dpi / 0.0254));
  m_page.setDotsPerMeterX(dotsPerMetre);
  m_page.setDotsPerMeterY(dotsPerMetre);
  Begin(&m_page);
  return TRUE;
}

QSize CPrinterDC::PageSize(int* dpi) const {
  // The printable area at the printer's resolution, drawn at no more than kMaxPrintDpi.
  const int resolution = std::max(m_pPrinter->resolution(), 1);
  *dpi = std::min(resolution, kMaxPrintDpi);
  const QRectF area = m_pPrinter->pageRect(QPrinter::DevicePixel);
  return QSize(std::max(1, static_cast<int>(std::lround(area.width() * *dpi / resolution))),
               std::max(1, static_cast<int>(std::lround(area.height() * *dpi / resolution))));
}

int CPrinterDC::GetDeviceCaps(int nIndex) const {
  if (!m_page.isNull() || m_pPrinter == nullptr) return CQtDC::GetDeviceCaps(nIndex);
  int dpi = 0;
  const QSize size = PageSize(&dpi);
  switch (nIndex) {
    case HORZRES: return size.width();
    case VERTRES: return size.height();
    case LOGPIXELSX:
    case LOGPIXELSY: return dpi;
    default: return 0;
  }
}

BOOL CPrinterDC::EndPage() {
  if (m_pOut == nullptr || m_page.isNull()) return FALSE;
  End();
  // The page starts in a key colour near white, so that figures drawn in white
  // (the drawing colour on a dark screen) can be told from the paper: they
  // print black, and the untouched paper prints white.
  for (int y = 0; y < m_page.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(m_page.scanLine(y));
    for (int x = 0; x < m_page.width(); ++x) {
      const QRgb pixel = line[x] & 0xFFFFFFu;
      if (pixel == (kPaperKey & 0xFFFFFFu)) {
        line[x] = 0xFFFFFFFFu;
      } else if (pixel == 0xFFFFFFu) {
        line[x] = 0xFF000000u;
      }
    }
  }
  const QRectF area = m_pPrinter->pageRect(QPrinter::DevicePixel);
  m_pOut->drawImage(QRectF(0, 0, area.width(), area.height()), m_page);
  m_page = QImage();
  ++m_nPages;
  return TRUE;
}

BOOL CPrinterDC::EndDoc() {
  End();
  if (m_pOut == nullptr) return FALSE;
  const bool ended = m_pOut->end();
  m_pOut.reset();
  return ended ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------
// Print job state

CPrintInfo::CPrintInfo() : m_pPD(new CPrintDialog(FALSE, PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOSELECTION)) {}

CPrintInfo::~CPrintInfo() { delete m_pPD; }

void CPrintInfo::SetMaxPage(UINT nMaxPage) {
  if (m_pPD != nullptr) m_pPD->m_pd.nMaxPage = static_cast<WORD>(std::min<UINT>(nMaxPage, 0xFFFF));
}
UINT CPrintInfo::GetMaxPage() const { return m_pPD != nullptr ? m_pPD->m_pd.nMaxPage : 0xFFFF; }
void CPrintInfo::SetMinPage(UINT nMinPage) {
  if (m_pPD != nullptr) m_pPD->m_pd.nMinPage = static_cast<WORD>(std::min<UINT>(nMinPage, 0xFFFF));
}
UINT CPrintInfo::GetMinPage() const { return m_pPD != nullptr ? m_pPD->m_pd.nMinPage : 1; }

UINT CPrintInfo::GetFromPage() const {
  if (m_pPD == nullptr || (m_pPD->m_pd.Flags & PD_PAGENUMS) == 0) return GetMinPage();
  return std::max<UINT>(m_pPD->m_pd.nFromPage, GetMinPage());
}

UINT CPrintInfo::GetToPage() const {
  if (m_pPD == nullptr || (m_pPD->m_pd.Flags & PD_PAGENUMS) == 0) return GetMaxPage();
  return std::min<UINT>(m_pPD->m_pd.nToPage, GetMaxPage());
}

// ---------------------------------------------------------------------------
// Print dialog

IMPLEMENT_DYNAMIC(CPrintDialog, CDialog)

CPrintDialog::CPrintDialog(BOOL bPrintSetupOnly, DWORD dwFlags, CWnd* pParentWnd)
    : CDialog(0, pParentWnd), m_bPrintSetupOnly(bPrintSetupOnly) {
  m_pd.Flags = dwFlags | (bPrintSetupOnly ? PD_PRINTSETUP : 0);
}

QPrinter* CPrintDialog::GetPrinter() const {
  CWinApp* app = AfxGetApp();
  return app != nullptr ? app->GetPrinter() : nullptr;
}

BOOL CPrintDialog::GetDefaults() {
  CWinApp* app = AfxGetApp();
  return app != nullptr && app->GetPrinterDeviceDefaults(&m_pd);
}

CPrinterDC* CPrintDialog::CreatePrinterDC() {
  QPrinter* printer = GetPrinter();
  return printer != nullptr ? new CPrinterDC(printer) : nullptr;
}

INT_PTR CPrintDialog::DoModal() {
  if (GetPrinter() == nullptr) return IDCANCEL;
  const bool withTemplate = (m_pd.Flags & PD_ENABLEPRINTTEMPLATE) != 0 &&
                            AfxFindDialogTemplate(m_pd.nPrintTemplate) != nullptr;
  m_nIDTemplate = withTemplate ? m_pd.nPrintTemplate : 0;
  return CDialog::DoModal();
}

INT_PTR CPrintDialog::RunModalLoop() {
  QPrinter* printer = GetPrinter();
  auto* page = qobject_cast<QDialog*>(GetWidget());
  if (printer == nullptr || page == nullptr) return IDCANCEL;
  if (IsEnded()) return GetModalResult();

  QPrintDialog dialog(printer, page->parentWidget());
  dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
  dialog.setMinMax(m_pd.nMinPage, m_pd.nMaxPage);
  QWidget* const oldParent = page->parentWidget();
  const Qt::WindowFlags oldFlags = page->windowFlags();
  if (m_nIDTemplate != 0) {
    if (const CDialogTemplateDesc* desc = AfxFindDialogTemplate(m_nIDTemplate); desc && desc->lpszCaption)
      page->setWindowTitle(ToQString(CString(desc->lpszCaption)));
    dialog.setOptionTabs({page});
    page->show();
  }
  // A button of the option tab that ends the dialog (EndDialog) ends the system dialog too.
  QObject::connect(page, &QDialog::finished, &dialog, [&dialog](int result) {
    if (dialog.isVisible()) dialog.done(result == IDOK ? QDialog::Accepted : QDialog::Rejected);
  });
  const int result = dialog.exec();
  // The page goes back to its own parent before the system dialog (its parent now) goes.
  page->setParent(oldParent, oldFlags);
  if (result == QDialog::Accepted) {
    if (printer->printRange() == QPrinter::PageRange) {
      m_pd.Flags |= PD_PAGENUMS;
      m_pd.nFromPage = static_cast<WORD>(std::max(printer->fromPage(), 1));
      m_pd.nToPage = static_cast<WORD>(std::max(printer->toPage(), 1));
    } else {
      m_pd.Flags &= ~PD_PAGENUMS;
    }
    m_pd.nCopies = static_cast<WORD>(std::max(printer->copyCount(), 1));
  }
  if (!IsEnded()) SendMessage(WM_COMMAND, result == QDialog::Accepted ? IDOK : IDCANCEL, 0);
  return IsEnded() ? GetModalResult() : IDCANCEL;
}

// ---------------------------------------------------------------------------
// Preview window

namespace {
CPreviewView* g_pPreview = nullptr;
}

CPreviewView* AfxGetPreviewView() { return g_pPreview; }

IMPLEMENT_DYNCREATE(CPreviewView, CWnd)

BEGIN_MESSAGE_MAP(CPreviewView, CWnd)
  ON_COMMAND(AFX_ID_PREVIEW_CLOSE, &CPreviewView::OnPreviewClose)
  ON_COMMAND(AFX_ID_PREVIEW_PRINT, &CPreviewView::OnPreviewPrint)
  ON_COMMAND(AFX_ID_PREVIEW_NEXT, &CPreviewView::OnNextPage)
  ON_COMMAND(AFX_ID_PREVIEW_PREV, &CPreviewView::OnPrevPage)
  ON_COMMAND(AFX_ID_PREVIEW_ZOOMIN, &CPreviewView::OnZoomIn)
  ON_COMMAND(AFX_ID_PREVIEW_ZOOMOUT, &CPreviewView::OnZoomOut)
END_MESSAGE_MAP()

CPreviewView::CPreviewView() = default;

CPreviewView::~CPreviewView() {
  if (g_pPreview == this) g_pPreview = nullptr;
}

QWidget* CPreviewView::CreateWidget(QWidget* pParent) {
  auto* window = new CWndWidget<QWidget>(this, pParent, Qt::Window);
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QToolBar(window);
  const struct {
    const char* text;
    UINT nID;
  } buttons[] = {{"&Print...", AFX_ID_PREVIEW_PRINT}, {"&Next Page", AFX_ID_PREVIEW_NEXT},
                 {"Pre&v Page", AFX_ID_PREVIEW_PREV},  {"Zoom &In", AFX_ID_PREVIEW_ZOOMIN},
                 {"Zoom &Out", AFX_ID_PREVIEW_ZOOMOUT}, {"&Close", AFX_ID_PREVIEW_CLOSE}};
  // The window's handle is its widget (m_hWnd is set once this returns).
  const HWND hWnd = reinterpret_cast<HWND>(static_cast<QWidget*>(window));
  for (const auto& button : buttons) {
    QAction* action = bar->addAction(QString::fromUtf8(button.text));
    const UINT nID = button.nID;
    QObject::connect(action, &QAction::triggered, window, [this, hWnd, nID] {
      if (CWnd::FromHandle(hWnd) == this) SendMessage(WM_COMMAND, nID, 0);
    });
  }
  layout->addWidget(bar);
  CWinApp* app = AfxGetApp();
  m_pPreview = new QPrintPreviewWidget(app != nullptr ? app->GetPrinter() : nullptr, window);
  // Pages shown smaller than printed keep their thin lines.
  for (QGraphicsView* view : m_pPreview->findChildren<QGraphicsView*>())
    view->setRenderHints(view->renderHints() | QPainter::SmoothPixmapTransform);
  QObject::connect(m_pPreview, &QPrintPreviewWidget::paintRequested, window,
                   [this](QPrinter* printer) { PaintPages(printer); });
  layout->addWidget(m_pPreview, 1);
  return window;
}

BOOL CPreviewView::SetPrintView(CView* pPrintView, CFrameWnd* pFrame, CPrintPreviewState* pState) {
  if (pPrintView == nullptr || m_hWnd != nullptr) return FALSE;
  CWinApp* app = AfxGetApp();
  if (app == nullptr || app->GetPrinter() == nullptr) return FALSE;
  m_pPrintView = pPrintView;
  m_pFrame = pFrame;
  m_pState = pState;
  m_pInfo = std::make_unique<CPrintInfo>();
  m_pInfo->m_bPreview = TRUE;
  if (!pPrintView->OnPreparePrinting(m_pInfo.get())) return FALSE;
  RECT rect{0, 0, 900, 700};
  if (pFrame != nullptr && pFrame->GetWidget() != nullptr) pFrame->GetWindowRect(&rect);
  if (!Create(nullptr, L"Print Preview", WS_OVERLAPPEDWINDOW, rect, pFrame, 0)) return FALSE;
  g_pPreview = this;
  ShowWindow(SW_SHOW);
  m_pPreview->updatePreview();
  return TRUE;
}

int CPreviewView::GetPageCount() const { return m_pPreview != nullptr ? m_pPreview->pageCount() : 0; }

void CPreviewView::PaintPages(QPrinter* pPrinter) {
  if (m_pPrintView == nullptr || m_pInfo == nullptr || pPrinter == nullptr) return;
  CPrinterDC dc(pPrinter);
  if (!dc.StartDoc()) return;
  m_pInfo->m_bContinuePrinting = TRUE;
  m_pPrintView->OnBeginPrinting(&dc, m_pInfo.get());
  m_pPrintView->PrintPages(&dc, m_pInfo.get());
  m_pPrintView->OnEndPrinting(&dc, m_pInfo.get());
  dc.EndDoc();
}

void CPreviewView::OnPreviewClose() {
  if (g_pPreview == this) g_pPreview = nullptr;
  if (GetWidget() != nullptr) GetWidget()->hide();
  if (m_pPrintView != nullptr) m_pPrintView->OnEndPrintPreview(nullptr, m_pInfo.get(), POINT{0, 0}, this);
  m_pPrintView = nullptr;
  // The window goes once the command that closed it has returned.
  const HWND hWnd = m_hWnd;
  if (GetWidget() != nullptr) {
    QTimer::singleShot(0, [this, hWnd] {
      if (CWnd::FromHandle(hWnd) == this) DestroyWindow();
    });
  }
}

void CPreviewView::OnPreviewPrint() {
  OnPreviewClose();
  if (CWnd* main = AfxGetMainWnd()) main->PostMessage(WM_COMMAND, ID_FILE_PRINT, 0);
}

void CPreviewView::OnNextPage() {
  if (m_pPreview != nullptr) m_pPreview->setCurrentPage(m_pPreview->currentPage() + 1);
}

void CPreviewView::OnPrevPage() {
  if (m_pPreview != nullptr) m_pPreview->setCurrentPage(m_pPreview->currentPage() - 1);
}

void CPreviewView::OnZoomIn() {
  if (m_pPreview != nullptr) m_pPreview->zoomIn();
}

void CPreviewView::OnZoomOut() {
  if (m_pPreview != nullptr) m_pPreview->zoomOut();
}

void CPreviewView::PostNcDestroy() {
  m_pPreview = nullptr;
  // Preview windows are made on the heap by DoPrintPreview and go with their window.
  delete this;
}
