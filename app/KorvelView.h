// The drawing view: the work area of the single-document program. In 2D it
// draws the whole scene into an off-screen bitmap and copies it to the screen
// in one step; in 3D it draws through the OpenGL device context of its base.
// It registers the program's commands with the command hub when created.
#pragma once

#include "framework/relayon/GLView.h"
#include "platform/core/WinGeometry.h"

class CKorvelDoc;
class CLooker;
class CRelayon;

class CKorvelView : public CGLView {
    DECLARE_DYNCREATE(CKorvelView)
public:
    // Frame rate stored for a paint too quick for the clock to measure.
    static constexpr int kMaxFrameRate = 1000;

    CKorvelView();
    ~CKorvelView() override;

    CKorvelDoc* GetDocument() const;

    BOOL PreTranslateMessage(MSG* pMsg) override;
    // The class library's own preparation (the OpenGL base adds nothing for 2D).
    void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr) override;
    void OnDraw(CDC* pDC) override;
    void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) override;
    // The 3D scene, with the OpenGL device context and a drawing mode.
    void RenderScene(COpenGLDC* pDC, int mode) override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnSize(UINT nType, int cx, int cy);
    // 2D/3D switch and the fill toggle of the selection.
    void OnView3D();
    void OnFillDisplay();

    // Command registration (the program's command table).
    void RegisterAppCommands();
    void RegisterCommandAccelerators();
    void RegisterMainCommands();

    // Frames per second of a paint that took seconds (never a division by zero).
    static int FrameRateOf(double seconds);
    // Printed pages for a page box of width x height millimetres at the scale
    // factor on a printable area of pageW x pageH millimetres (1 when fitting).
    static int CountPrintPages(int scaleMode, double scale, double width, double height, int pageW, int pageH);

    // Print settings.
    int m_nPrintScaleMode = 0;  // 0 fit to paper
    double m_dPrintScale = 1.0;
    CRect m_rcPrint{0, 0, 0, 0};
    int m_bPrinting = 0;

    // Number of 2D paints that drew something (for tests and diagnostics).
    int GetPaintCount() const { return m_nPaints; }

protected:
    DECLARE_MESSAGE_MAP()

private:
    void ShowGLArea(BOOL bShow);
    void PaintGL();
    void DrawWorkArea(CDC* pDC);
    void FitPageOnce();

    CRelayon* m_pRelayon = nullptr;
    CLooker* m_pLooker = nullptr;
    int m_nPaints = 0;
    bool m_bPageFitted = false;
    int m_nGLWidth = 0;
    int m_nGLHeight = 0;
};
