// The program's print dialog, its print layout and its preview window.
//
// The print factor f is paper length per model length, as the dialog's ratio
// (paper : model) defines it: the page box prints at f times its size, one
// model millimetre spans f paper millimetres, and a page tile of W paper
// millimetres covers W / f of the work area.
#pragma once

#include "framework/widgra/ui/DigitEdit.h"
#include "platform/ui/ListControls.h"
#include "platform/ui/Print.h"

class CLooker;

// The seven print settings the view keeps between print jobs.
struct CPrintSettings {
    int nScaleMode = 2;  // index of the scale list: 0 fit to paper, 1 custom ratio, 2 "1:1", ...
    double dScale = 1.0;  // factor f, paper per model
    double dPaper = 1.0;  // custom ratio, paper term
    double dModel = 1.0;  // custom ratio, model term
    int nPosMode = 0;     // 0 centred, 1 custom offsets
    double dOffsetX = 0.0;  // shift of the printed area, millimetres
    double dOffsetY = 0.0;
};

// An entry of the scale list: its text (a string resource when textID is not 0)
// and the ratio it sets; entry 1 (custom) keeps the ratio typed.
struct CPrintScaleEntry {
    UINT textID;
    const wchar_t* text;
    double paper;
    double model;
};
inline constexpr int kPrintScaleCount = 18;
extern const CPrintScaleEntry kPrintScales[kPrintScaleCount];

class CQvPrintDialog : public CPrintDialog {
    DECLARE_DYNAMIC(CQvPrintDialog)
public:
    static constexpr UINT IDD = 1538;
    static constexpr UINT kScaleList = 805, kPaper = 299, kModel = 337, kCentred = 806, kCustomPos = 807,
                          kOffsetX = 351, kOffsetY = 363, kPreview = 429;

    CQvPrintDialog(BOOL bPrintSetupOnly, DWORD dwFlags, CWnd* pParentWnd);

    // IDCANCEL when Preview ended the dialog.
    INT_PTR DoModal() override;
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

    void OnScaleChanged();
    void OnRatioChanged();
    void OnCentred();
    void OnCustomPosition();
    void OnPreview();

    CPrintSettings GetSettings() const;
    void SetSettings(const CPrintSettings& settings);

    CComboBox m_listScale;
    double m_dModel = 1.0;
    double m_dPaper = 1.0;
    int m_nScaleMode = 2;
    int m_nPosMode = 0;
    CDigitEdit m_editOffsetY;
    CDigitEdit m_editOffsetX;
    double m_dOffsetY = 0.0;
    double m_dOffsetX = 0.0;
    int m_bPreview = 0;
    double m_dScale = 1.0;

protected:
    DECLARE_MESSAGE_MAP()

private:
    void ApplyScale();
    void ApplyPosition();
    void ReadOffsets();
};

class CQvPreviewView : public CPreviewView {
    DECLARE_DYNCREATE(CQvPreviewView)
public:
    // Close the preview and repaint the drawing view at once.
    void OnPreviewClose();
    // The same, then a print job through the main window.
    void OnPreviewPrint();

protected:
    DECLARE_MESSAGE_MAP()
};

// Registers the option tab of the print dialog (template 1538).
void RegisterPrintDialog();

// Page layout of one printed page.
struct CPrintPage {
    int horzRes = 0, vertRes = 0;  // printable pixels
    int dpiX = 0, dpiY = 0;        // pixels per inch
};

// Printable area of the page in whole millimetres (the page count's rounding).
void PrintableMillimetres(const CPrintPage& page, int& width, int& height);
// Pages needed for a page box of width x height millimetres at the settings on
// a printable area of pageW x pageH millimetres: 1 when fitting, when the box
// has no width or height, or for a factor that is not positive.
int CountPrintPages(const CPrintSettings& settings, double width, double height, int pageW, int pageH);
// Sets the view state's centre, origin and scale for page p (1-based) of the
// page box; in fit mode the factor it computes becomes the settings' factor.
void PrintPageLayout(CLooker* looker, CPrintSettings& settings, double xmin, double ymin, double xmax,
                     double ymax, const CPrintPage& page, int p);
