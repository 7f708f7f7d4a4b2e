#pragma once
// Printing over Qt Print Support: the print job state handed to a view's print
// hooks, the print dialog (QPrintDialog, with a dialog template of the caller
// as an option tab), the printer context and the print preview window.
//
// The printer context draws each page into an image at the printer's resolution
// (at most kMaxPrintDpi) and hands the finished page to the printer, so that a
// page prints exactly as it shows in the preview. Figures drawn in white print
// black: white paper would swallow them. Printing to a PDF file needs no
// display and no printer.

#include "platform/ui/Dialog.h"
#include "platform/ui/QtDC.h"

#include <QImage>
#include <QSize>

#include <memory>

class CView;
class CFrameWnd;
class QPainter;
class QPrinter;
class QPrintPreviewWidget;

// Print dialog flags (the platform's values).
constexpr DWORD PD_ALLPAGES = 0x00000000;
constexpr DWORD PD_SELECTION = 0x00000001;
constexpr DWORD PD_PAGENUMS = 0x00000002;
constexpr DWORD PD_NOSELECTION = 0x00000004;
constexpr DWORD PD_NOPAGENUMS = 0x00000008;
constexpr DWORD PD_PRINTSETUP = 0x00000040;
constexpr DWORD PD_RETURNDC = 0x00000100;
constexpr DWORD PD_USEDEVMODECOPIES = 0x00040000;
constexpr DWORD PD_USEDEVMODECOPIESANDCOLLATE = 0x00040000;
constexpr DWORD PD_ENABLEPRINTTEMPLATE = 0x00004000;

// The fields of the platform's print dialog record that callers read and set.
struct PRINTDLG {
  DWORD Flags = PD_ALLPAGES;
  WORD nFromPage = 1;
  WORD nToPage = 0xFFFF;
  WORD nMinPage = 1;
  WORD nMaxPage = 0xFFFF;
  WORD nCopies = 1;
  UINT nPrintTemplate = 0;  // dialog template shown as the option tab (PD_ENABLEPRINTTEMPLATE)
};

// Highest resolution a page image is drawn at.
constexpr int kMaxPrintDpi = 300;

// A drawing context on one printer page at a time. GetDeviceCaps gives the
// printable area in pixels (HORZRES, VERTRES) and the pixels per inch
// (LOGPIXELSX/Y) of the page image.
class CPrinterDC : public CQtDC {
public:
  // The printer must outlive the context; nothing is printed before StartDoc.
  explicit CPrinterDC(QPrinter* pPrinter);
  ~CPrinterDC() override;

  // Opens the printer (the output file for PDF); FALSE when it cannot.
  BOOL StartDoc();
  // A white page to draw on.
  BOOL StartPage();
  // Hands the page to the printer.
  BOOL EndPage();
  BOOL EndDoc();
  int GetPageCount() const { return m_nPages; }
  // The printer's page also before the first StartPage.
  int GetDeviceCaps(int nIndex) const override;

private:
  // Size in pixels and resolution of the page image.
  QSize PageSize(int* dpi) const;

  QPrinter* m_pPrinter;
  std::unique_ptr<QPainter> m_pOut;
  QImage m_page;
  int m_nPages = 0;
};

class CPrintDialog : public CDialog {
  DECLARE_DYNAMIC(CPrintDialog)
public:
  // The printer is the application's printer defaults (CWinApp::GetPrinter).
  CPrintDialog(BOOL bPrintSetupOnly, DWORD dwFlags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS |
                                                     PD_NOSELECTION,
               CWnd* pParentWnd = nullptr);

  // IDOK when the user chose to print, IDCANCEL otherwise. The template of
  // m_pd.nPrintTemplate (PD_ENABLEPRINTTEMPLATE) is made as this dialog and
  // shown as an option tab of the system print dialog; tests answer it through
  // the prompt object like any modal dialog.
  INT_PTR DoModal() override;
  // A printer context for the chosen printer (caller owns).
  CPrinterDC* CreatePrinterDC();
  QPrinter* GetPrinter() const;
  // The application's printer defaults, copied into the record's page fields.
  BOOL GetDefaults();

  PRINTDLG m_pd;

protected:
  INT_PTR RunModalLoop() override;
  BOOL m_bPrintSetupOnly;
};

// Print job state handed to the view's print hooks. It owns its print dialog
// (m_pPD), which a view may replace by one of its own.
struct CPrintInfo {
  CPrintInfo();
  ~CPrintInfo();
  CPrintInfo(const CPrintInfo&) = delete;
  CPrintInfo& operator=(const CPrintInfo&) = delete;

  void SetMaxPage(UINT nMaxPage);
  UINT GetMaxPage() const;
  void SetMinPage(UINT nMinPage);
  UINT GetMinPage() const;
  // The pages to print: the dialog's range when it asks for page numbers,
  // otherwise all of them.
  UINT GetFromPage() const;
  UINT GetToPage() const;

  CPrintDialog* m_pPD;
  BOOL m_bDirect = FALSE;
  BOOL m_bPreview = FALSE;
  BOOL m_bContinuePrinting = TRUE;
  UINT m_nCurPage = 1;
  RECT m_rectDraw{0, 0, 0, 0};
};

// Saved state of the frame around a print preview (nothing here needs keeping).
struct CPrintPreviewState {
  UINT nIDMainPane = 0;
};

// The print preview window: the pages of a view's print hooks on the
// application's printer, with a tool bar of print, next and previous page,
// zoom and close (the class library's preview commands AFX_ID_PREVIEW_*).
class CPreviewView : public CWnd {
  DECLARE_DYNCREATE(CPreviewView)
public:
  CPreviewView();
  ~CPreviewView() override;

  // Shows the preview of pPrintView's pages over the frame.
  BOOL SetPrintView(CView* pPrintView, CFrameWnd* pFrame, CPrintPreviewState* pState);
  CView* GetPrintView() const { return m_pPrintView; }
  int GetPageCount() const;
  QPrintPreviewWidget* GetPreviewWidget() const { return m_pPreview; }

  void OnPreviewClose();
  void OnPreviewPrint();
  void OnNextPage();
  void OnPrevPage();
  void OnZoomIn();
  void OnZoomOut();

protected:
  QWidget* CreateWidget(QWidget* pParent) override;
  void PostNcDestroy() override;
  // Runs the view's print hooks for every page onto the preview's printer.
  void PaintPages(QPrinter* pPrinter);

  CView* m_pPrintView = nullptr;
  CFrameWnd* m_pFrame = nullptr;
  CPrintPreviewState* m_pState = nullptr;
  QPrintPreviewWidget* m_pPreview = nullptr;
  std::unique_ptr<CPrintInfo> m_pInfo;

  DECLARE_MESSAGE_MAP()
};

// The preview window currently shown, or null.
CPreviewView* AfxGetPreviewView();
