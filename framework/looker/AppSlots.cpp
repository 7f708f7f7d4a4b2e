#include "framework/looker/AppSlots.h"

#include "framework/looker/Looker.h"

#include "framework/looker/QVGlobal.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

// Slots are set and read on the user-interface thread.
CDocument* g_document = nullptr;
CFrameWnd* g_mainFrame = nullptr;
CView* g_view = nullptr;
CRelayon* g_relayon = nullptr;
CDesignCentral* g_paneDCenter = nullptr;
CSelector* g_selector = nullptr;
COpenGLDC* g_openGLDC = nullptr;
CConstraintMgr* g_constraintMgr = nullptr;

constexpr COLORREF kDefaultCurColor = RGB(255, 255, 255);
COLORREF g_curColor = kDefaultCurColor;

CString WithSlash(const std::filesystem::path& p)
{
    CString s = CString::FromUtf8(p.string());
    if (s.IsEmpty() || s[s.GetLength() - 1] != L'/') s += L'/';
    return s;
}

}  // namespace

void gSetDocument(CDocument* doc) { g_document = doc; }
CDocument* gGetDocument() { return g_document; }
void gSetMainFrame(CFrameWnd* frame) { g_mainFrame = frame; }
CFrameWnd* gGetMainFrame() { return g_mainFrame; }
void gSetView(CView* view) { g_view = view; }
CView* gGetView() { return g_view; }
void gSetRelayon(CRelayon* hub) { g_relayon = hub; }
CRelayon* gGetRelayon() { return g_relayon; }
void gSetPaneDCenter(CDesignCentral* pane) { g_paneDCenter = pane; }
CDesignCentral* gGetPaneDCenter() { return g_paneDCenter; }
void gSetSelector(CSelector* selector) { g_selector = selector; }
CSelector* gGetSelector() { return g_selector; }
void gSetOpenGLDC(COpenGLDC* dc) { g_openGLDC = dc; }
COpenGLDC* gGetOpenGLDC() { return g_openGLDC; }
void gSetConstraintMgr(CConstraintMgr* mgr) { g_constraintMgr = mgr; }
CConstraintMgr* gGetConstraintMgr() { return g_constraintMgr; }

CString gGetAppVerName() { return CString(L"Korvel V11"); }

CString gGetAppDataDir()
{
    std::filesystem::path dir;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        dir = std::filesystem::path(xdg) / "korvel";
    } else {
        const char* home = std::getenv("HOME");
        dir = std::filesystem::path(home != nullptr && home[0] != '\0' ? home : "/tmp") / ".config" / "korvel";
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);  // a failure shows later, when a file cannot be opened
    return WithSlash(dir);
}

CString gGetApplicationPath()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return WithSlash(std::filesystem::current_path(ec));
    return WithSlash(exe.parent_path());
}

CString gGetHelpFilePath() { return gGetApplicationPath() + L"help/index.html"; }

void gSetCurColor(COLORREF colour) { g_curColor = colour & 0xFFFFFFu; }
COLORREF gGetCurColor() { return g_curColor; }

void gDrawBox(CDC* dc, int left, int top, int right, int bottom)
{
    if (dc == nullptr) return;
    CPen pen(PS_DOT, 1, RGB(255, 255, 255));
    CPen* oldPen = dc->SelectObject(&pen);
    const int oldRop = dc->SetROP2(R2_XORPEN);
    const POINT corners[5] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
    dc->Polyline(corners, 5);
    dc->SetROP2(oldRop);
    if (oldPen != nullptr) dc->SelectObject(oldPen);
}

void gDrawBox(CDC* dc, int mode, const BOX2<double>& box, COLORREF colour)
{
    CLooker* looker = gGetLooker();
    if (dc == nullptr || looker == nullptr || !box.IsValid()) return;
    CPoint lo, hi;
    const double a[2] = {box.xmin, box.ymin}, b[2] = {box.xmax, box.ymax};
    looker->WorldtoScreen2D(a, lo);
    looker->WorldtoScreen2D(b, hi);
    CPen pen(mode == 3 ? PS_DOT : PS_SOLID, 1, colour & 0xFFFFFFu);
    CPen* oldPen = dc->SelectObject(&pen);
    const int oldRop = dc->SetROP2(R2_XORPEN);
    const POINT corners[5] = {{lo.x, lo.y}, {hi.x, lo.y}, {hi.x, hi.y}, {lo.x, hi.y}, {lo.x, lo.y}};
    dc->Polyline(corners, 5);
    dc->SetROP2(oldRop);
    if (oldPen != nullptr) dc->SelectObject(oldPen);
}

namespace {

double UnitFactor()
{
    const CQVGlobal* g = gGetQVGlobal();
    switch (g != nullptr ? g->m_nUnit : kUnitMillimetre) {
    case kUnitCentimetre: return 0.1;
    case kUnitInch: return 1.0 / 25.4;
    case kUnitFoot: return 1.0 / 304.8;
    default: return 1.0;
    }
}

}  // namespace

double MM2CUR(double mm) { return mm * UnitFactor(); }
double CUR2MM(double value) { return value / UnitFactor(); }

namespace looker::testing {

void ResetAppSlots()
{
    g_document = nullptr;
    g_mainFrame = nullptr;
    g_view = nullptr;
    g_relayon = nullptr;
    g_paneDCenter = nullptr;
    g_selector = nullptr;
    g_openGLDC = nullptr;
    g_constraintMgr = nullptr;
    g_curColor = kDefaultCurColor;
}

}  // namespace looker::testing
