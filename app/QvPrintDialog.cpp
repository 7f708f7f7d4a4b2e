#include "app/QvPrintDialog.h"

#include "app/KorvelView.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "platform/ui/Resources.h"
#include "platform/ui/WinApp.h"

#include <algorithm>
#include <cmath>

const CPrintScaleEntry kPrintScales[kPrintScaleCount] = {
    {30033, nullptr, 1, 1},   {30034, nullptr, 0, 0},     {0, L"1:1", 1, 1},       {0, L"1:2", 1, 2},
    {0, L"1:4", 1, 4},        {0, L"1:8", 1, 8},          {0, L"1:10", 1, 10},     {0, L"1:16", 1, 16},
    {0, L"1:20", 1, 20},      {0, L"1:30", 1, 30},        {0, L"1:40", 1, 40},     {0, L"1:50", 1, 50},
    {0, L"1:100", 1, 100},    {0, L"2:1", 1, 0.5},        {0, L"4:1", 1, 0.25},    {0, L"8:1", 1, 0.125},
    {0, L"10:1", 1, 0.1},     {0, L"100:1", 1, 0.01},
};

namespace {

constexpr int kCustomScale = 1;

void EnableItem(CWnd* dialog, UINT nID, BOOL enable)
{
    if (CWnd* item = dialog->GetDlgItem(static_cast<int>(nID))) item->EnableWindow(enable);
}

}  // namespace

void RegisterPrintDialog()
{
    CDialogTemplateDesc desc;
    desc.lpszCaption = L"Scale and Position";
    desc.cx = 230;
    desc.cy = 150;
    desc.dwStyle = WS_CHILD;
    using K = CDialogItemKind;
    desc.items = {
        {K::GroupBox, IDC_STATIC, 5, 4, 220, 56, L"Print scale"},
        {K::Static, IDC_STATIC, 12, 19, 40, 10, L"Scale:"},
        {K::Static, IDC_STATIC, 12, 40, 40, 10, L"Ratio:"},
        {K::Edit, CQvPrintDialog::kPaper, 55, 38, 40, 13},
        {K::Static, IDC_STATIC, 98, 40, 28, 10, L"paper :"},
        {K::Edit, CQvPrintDialog::kModel, 128, 38, 40, 13},
        {K::Static, IDC_STATIC, 171, 40, 30, 10, L"model"},
        {K::GroupBox, IDC_STATIC, 5, 64, 220, 62, L"Position"},
        {K::RadioButton, CQvPrintDialog::kCentred, 12, 76, 80, 12, L"Centred"},
        {K::RadioButton, CQvPrintDialog::kCustomPos, 12, 92, 80, 12, L"Shifted by"},
        {K::Static, IDC_STATIC, 96, 78, 50, 10, L"Horizontal:"},
        {K::Static, IDC_STATIC, 96, 96, 50, 10, L"Vertical:"},
        {K::PushButton, CQvPrintDialog::kPreview, 5, 132, 60, 14, L"Pre&view"},
    };
    AfxRegisterDialogTemplate(CQvPrintDialog::IDD, std::move(desc));
}

// ---------------------------------------------------------------------------
// Dialog

IMPLEMENT_DYNAMIC(CQvPrintDialog, CPrintDialog)

BEGIN_MESSAGE_MAP(CQvPrintDialog, CPrintDialog)
    ON_CBN_SELCHANGE(CQvPrintDialog::kScaleList, &CQvPrintDialog::OnScaleChanged)
    ON_EN_CHANGE(CQvPrintDialog::kPaper, &CQvPrintDialog::OnRatioChanged)
    ON_EN_CHANGE(CQvPrintDialog::kModel, &CQvPrintDialog::OnRatioChanged)
    ON_BN_CLICKED(CQvPrintDialog::kCentred, &CQvPrintDialog::OnCentred)
    ON_BN_CLICKED(CQvPrintDialog::kCustomPos, &CQvPrintDialog::OnCustomPosition)
    ON_BN_CLICKED(CQvPrintDialog::kPreview, &CQvPrintDialog::OnPreview)
END_MESSAGE_MAP()

CQvPrintDialog::CQvPrintDialog(BOOL bPrintSetupOnly, DWORD dwFlags, CWnd* pParentWnd)
    : CPrintDialog(bPrintSetupOnly, dwFlags, pParentWnd)
{
    if (AfxFindDialogTemplate(IDD) == nullptr) RegisterPrintDialog();
    m_pd.nPrintTemplate = IDD;
    m_pd.Flags |= PD_ENABLEPRINTTEMPLATE;
    GetDefaults();
    m_pd.nFromPage = 1;
    m_pd.nToPage = 0xFFFF;
    m_pd.nMinPage = 1;
    m_pd.nMaxPage = 0xFFFF;
}

INT_PTR CQvPrintDialog::DoModal()
{
    m_bPreview = 0;
    const INT_PTR result = CPrintDialog::DoModal();
    if (m_bPreview) return IDCANCEL;
    return result == IDOK ? IDOK : IDCANCEL;
}

BOOL CQvPrintDialog::OnInitDialog()
{
    m_listScale.DestroyWindow();
    CreateItem(m_listScale, {CDialogItemKind::Edit, kScaleList, 55, 17, 113, 120, nullptr, CBS_DROPDOWNLIST});
    CreateItem(m_editOffsetX, {CDialogItemKind::Edit, kOffsetX, 148, 76, 60, 13});
    CreateItem(m_editOffsetY, {CDialogItemKind::Edit, kOffsetY, 148, 94, 60, 13});
    CPrintDialog::OnInitDialog();
    for (const CPrintScaleEntry& entry : kPrintScales)
        m_listScale.AddString(entry.textID != 0 ? AfxLoadString(entry.textID) : CString(entry.text));
    m_listScale.SetCurSel(m_nScaleMode);
    ApplyScale();
    ApplyPosition();
    m_editOffsetY.SetValue(m_dOffsetY, 0);
    m_editOffsetX.SetValue(m_dOffsetX, 0);
    return TRUE;
}

void CQvPrintDialog::DoDataExchange(CDataExchange* pDX)
{
    CPrintDialog::DoDataExchange(pDX);
    if (pDX->m_bSaveAndValidate) {
        m_nScaleMode = std::max(m_listScale.GetCurSel(), 0);
    } else {
        m_listScale.SetCurSel(m_nScaleMode);
    }
    DDX_Text(pDX, kModel, m_dModel);
    DDX_Text(pDX, kPaper, m_dPaper);
    if (pDX->m_bSaveAndValidate) {
        m_nPosMode = IsDlgButtonChecked(kCustomPos) ? 1 : 0;
    } else {
        CheckDlgButton(kCentred, m_nPosMode == 0 ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(kCustomPos, m_nPosMode == 1 ? BST_CHECKED : BST_UNCHECKED);
    }
}

// Sets the ratio of the selected scale entry and enables the ratio edits for
// the custom entry only; the custom entry keeps the ratio and factor as they are.
void CQvPrintDialog::ApplyScale()
{
    if (m_nScaleMode < 0 || m_nScaleMode >= kPrintScaleCount) m_nScaleMode = 0;
    if (m_nScaleMode != kCustomScale) {
        const CPrintScaleEntry& entry = kPrintScales[m_nScaleMode];
        m_dPaper = entry.paper;
        m_dModel = entry.model;
        m_dScale = entry.paper / entry.model;
    }
    UpdateData(FALSE);
    EnableItem(this, kPaper, m_nScaleMode == kCustomScale);
    EnableItem(this, kModel, m_nScaleMode == kCustomScale);
}

void CQvPrintDialog::ApplyPosition()
{
    if (m_nPosMode == 1) {
        OnCustomPosition();
    } else {
        OnCentred();
    }
}

void CQvPrintDialog::ReadOffsets()
{
    const int unit = gGetQVGlobal() != nullptr ? gGetQVGlobal()->m_nUnit : 0;
    m_dOffsetX = m_editOffsetX.GetValue(unit);
    m_dOffsetY = m_editOffsetY.GetValue(unit);
}

void CQvPrintDialog::OnScaleChanged()
{
    UpdateData(TRUE);
    ApplyScale();
}

void CQvPrintDialog::OnRatioChanged()
{
    if (m_nScaleMode != kCustomScale || m_listScale.GetCurSel() != kCustomScale) return;
    CString paper, model;
    GetDlgItemText(kPaper, paper);
    GetDlgItemText(kModel, model);
    // Half-typed numbers leave the factor as it was.
    const double p = std::wcstod(paper.GetString(), nullptr), m = std::wcstod(model.GetString(), nullptr);
    if (!(p > 0.0) || !(m > 0.0) || !std::isfinite(p / m)) return;
    m_dPaper = p;
    m_dModel = m;
    m_dScale = p / m;
}

void CQvPrintDialog::OnCentred()
{
    m_dOffsetX = m_dOffsetY = 0.0;
    m_nPosMode = 0;
    UpdateData(FALSE);
    m_editOffsetX.SetValue(0.0, 0);
    m_editOffsetY.SetValue(0.0, 0);
    m_editOffsetX.EnableWindow(FALSE);
    m_editOffsetY.EnableWindow(FALSE);
}

void CQvPrintDialog::OnCustomPosition()
{
    m_nPosMode = 1;
    UpdateData(FALSE);
    m_editOffsetX.SetValue(m_dOffsetX, 0);
    m_editOffsetY.SetValue(m_dOffsetY, 0);
    m_editOffsetX.EnableWindow(TRUE);
    m_editOffsetY.EnableWindow(TRUE);
}

void CQvPrintDialog::OnPreview()
{
    if (!UpdateData(TRUE)) return;
    ReadOffsets();
    m_bPreview = 1;
    EndDialog(IDCANCEL);
}

void CQvPrintDialog::OnOK()
{
    ReadOffsets();
    CPrintDialog::OnOK();
}

CPrintSettings CQvPrintDialog::GetSettings() const
{
    return CPrintSettings{m_nScaleMode, m_dScale, m_dPaper, m_dModel, m_nPosMode, m_dOffsetX, m_dOffsetY};
}

void CQvPrintDialog::SetSettings(const CPrintSettings& s)
{
    m_nScaleMode = s.nScaleMode;
    m_dScale = s.dScale;
    m_dPaper = s.dPaper;
    m_dModel = s.dModel;
    m_nPosMode = s.nPosMode;
    m_dOffsetX = s.dOffsetX;
    m_dOffsetY = s.dOffsetY;
}

// ---------------------------------------------------------------------------
// Preview

IMPLEMENT_DYNCREATE(CQvPreviewView, CPreviewView)

BEGIN_MESSAGE_MAP(CQvPreviewView, CPreviewView)
    ON_COMMAND(AFX_ID_PREVIEW_CLOSE, &CQvPreviewView::OnPreviewClose)
    ON_COMMAND(AFX_ID_PREVIEW_PRINT, &CQvPreviewView::OnPreviewPrint)
END_MESSAGE_MAP()

void CQvPreviewView::OnPreviewClose()
{
    CView* view = GetPrintView();
    CPreviewView::OnPreviewClose();
    if (view != nullptr) {
        view->Invalidate(TRUE);
        view->UpdateWindow();
    }
}

void CQvPreviewView::OnPreviewPrint()
{
    OnPreviewClose();
    if (CWnd* main = AfxGetMainWnd()) main->PostMessage(WM_COMMAND, ID_FILE_PRINT, 0);
}

// ---------------------------------------------------------------------------
// Layout

void PrintableMillimetres(const CPrintPage& page, int& width, int& height)
{
    const int dpiX = std::max(page.dpiX, 1), dpiY = std::max(page.dpiY, 1);
    width = static_cast<int>(page.horzRes / static_cast<double>(dpiX) * 25.4 + 0.5);
    height = static_cast<int>(page.vertRes / static_cast<double>(dpiY) * 25.4 + 0.5);
}

namespace {

// Tiles of page length along a printed length: the integer part, plus one when short.
int Tiles(double length, int page)
{
    if (!(length > 0.0) || page <= 0) return 1;
    const double n = std::floor(length / page);
    if (!(n < 65535.0)) return 65535;
    int tiles = static_cast<int>(n);
    if (tiles * static_cast<double>(page) < length) ++tiles;
    return std::max(tiles, 1);
}

bool IsFlat(double width, double height) { return !(std::fabs(width) > 0.0) || !(std::fabs(height) > 0.0); }

// The factor that fits the box on the printable area; a flat box fits by its
// other side, a point prints at 1.
double FitFactor(double width, double height, int pageW, int pageH)
{
    const double w = std::fabs(width), h = std::fabs(height);
    double f = 0.0;
    if (w > 0.0 && h > 0.0) {
        f = std::min(pageW / w, pageH / h);
    } else if (w > 0.0) {
        f = pageW / w;
    } else if (h > 0.0) {
        f = pageH / h;
    }
    return f > 0.0 && std::isfinite(f) ? f : 1.0;
}

}  // namespace

int CountPrintPages(const CPrintSettings& settings, double width, double height, int pageW, int pageH)
{
    if (settings.nScaleMode == 0 || !(settings.dScale > 0.0) || !std::isfinite(settings.dScale) || pageW <= 0 ||
        pageH <= 0 || IsFlat(width, height))
        return 1;
    const long long pages = static_cast<long long>(Tiles(std::fabs(height) * settings.dScale, pageH)) *
                            Tiles(std::fabs(width) * settings.dScale, pageW);
    return static_cast<int>(std::min<long long>(pages, 65535));
}

void PrintPageLayout(CLooker* looker, CPrintSettings& settings, double xmin, double ymin, double xmax, double ymax,
                     const CPrintPage& page, int p)
{
    if (looker == nullptr) return;
    const double cx = 0.5 * (xmin + xmax), cy = 0.5 * (ymin + ymax);
    const double mmPerPixel = 25.4 / std::max(page.dpiX, 1);
    int W = 0, H = 0;
    PrintableMillimetres(page, W, H);
    looker->SetCenter(page.horzRes / 2, page.vertRes / 2);
    const double width = xmax - xmin, height = ymax - ymin;
    const bool tiling = settings.nScaleMode != 0 && settings.dScale > 0.0 && std::isfinite(settings.dScale) &&
                        !IsFlat(width, height);
    if (!tiling) {
        looker->SetOrgPoint(cx - settings.dOffsetX, cy - settings.dOffsetY);
        const double f = FitFactor(width, height, W, H);
        settings.dScale = f;
        looker->SetScale(f / mmPerPixel);
        return;
    }
    const double f = settings.dScale;
    const int rows = Tiles(std::fabs(height) * f, H), columns = Tiles(std::fabs(width) * f, W);
    const int index = std::max(p, 1) - 1;
    const int row = index / columns, column = index % columns;
    // Offsets of the tile's centre from the middle of the printed area, paper millimetres.
    const double tileX = (column - (columns - 1) / 2.0) * W, tileY = (row - (rows - 1) / 2.0) * H;
    looker->SetOrgPoint(cx + tileX / f - settings.dOffsetX, cy - tileY / f - settings.dOffsetY);
    looker->SetScale(f / mmPerPixel);
}
