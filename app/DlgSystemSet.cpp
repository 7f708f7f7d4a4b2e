#include "app/DlgSystemSet.h"

#include "app/KorvelIds.h"
#include "app/MainFrame.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/View.h"

#include <cmath>
#include <cwchar>
#include <cwctype>

IMPLEMENT_DYNAMIC(CDlgSystemSet, CQvPropertyPage)

BEGIN_MESSAGE_MAP(CDlgSystemSet, CQvPropertyPage)
    ON_COMMAND_RANGE(CDlgSystemSet::kUnitCm, CDlgSystemSet::kUnitCm, &CDlgSystemSet::OnUnit)
    ON_COMMAND_RANGE(CDlgSystemSet::kUnitMm, CDlgSystemSet::kUnitMm, &CDlgSystemSet::OnUnit)
    ON_COMMAND_RANGE(CDlgSystemSet::kUnitInch, CDlgSystemSet::kUnitFoot, &CDlgSystemSet::OnUnit)
    ON_CBN_SELCHANGE(CDlgSystemSet::kScheme, &CDlgSystemSet::OnSchemeChanged)
    ON_BN_CLICKED(CDlgSystemSet::kBackground, &CDlgSystemSet::OnColourPicked)
    ON_BN_CLICKED(CDlgSystemSet::kWorkFrame, &CDlgSystemSet::OnColourPicked)
    ON_CBN_EDITUPDATE(CDlgSystemSet::kInterval, &CDlgSystemSet::OnIntervalEdited)
    ON_BN_CLICKED(CDlgSystemSet::kDefaults, &CDlgSystemSet::OnRestoreDefaults)
END_MESSAGE_MAP()

namespace {

constexpr UINT kUnitButtons[4] = {CDlgSystemSet::kUnitMm, CDlgSystemSet::kUnitCm, CDlgSystemSet::kUnitInch,
                                  CDlgSystemSet::kUnitFoot};
constexpr const wchar_t* kSchemeNames[] = {L" 白色", L" 灰色1", L" 灰色2", L" 浅蓝色", L" 黑色", L" 自定义"};
constexpr const wchar_t* kIntervals[] = {L"3", L"5", L"10", L"15", L"30", L"45", L"60", L"90", L"120"};
constexpr const wchar_t* kSnapPixels[] = {L"6", L"8", L"10", L"12", L"14", L"16", L"18", L"20", L"22"};
// A value that moved less than this from the stored one is accepted unchecked.
constexpr double kPrecisionMoved = 0.001;
constexpr double kAngleMoved = 0.01;

// A combo box text read as a decimal integer: leading blanks and a sign, then
// digits up to the first other character (0 without digits).
long ReadInteger(const CString& text) { return std::wcstol(text.GetString(), nullptr, 10); }

void FillList(CComboBox& combo, const wchar_t* const* entries, size_t count)
{
    // The initialisation data's single empty entry stays last.
    combo.AddString(L"");
    for (size_t i = 0; i < count; ++i) combo.InsertString(static_cast<int>(i), entries[i]);
}

void SetUpColourButton(CMFCColorButton& button, COLORREF colour)
{
    button.EnableAutomaticButton(L"", RGB(255, 255, 255));
    button.EnableOtherButton(L"Other");
    button.SetColumnsNumber(10);
    button.SetColor(colour);
}

COLORREF ColourOf(const CMFCColorButton& button)
{
    const COLORREF colour = button.GetColor();
    return colour == static_cast<COLORREF>(-1) ? button.GetAutomaticColor() : colour;
}

CString FormatInt(int value)
{
    CString text;
    text.Format(L"%d", value);
    return text;
}

}  // namespace

CDlgSystemSet::CDlgSystemSet() : CQvPropertyPage(IDD, korvel::IDS_PAGE_SYSTEM) {}

BOOL CDlgSystemSet::OnInitDialog()
{
    CreateItem(m_editPrecision, {CDialogItemKind::Edit, kPrecision, 75, 22, 50, 13});
    CreateItem(m_editAngle, {CDialogItemKind::Edit, kAngle, 75, 40, 50, 13});
    CreateItem(m_comboScheme, {CDialogItemKind::Edit, kScheme, 180, 110, 70, 100, nullptr, CBS_DROPDOWNLIST});
    CreateItem(m_comboInterval, {CDialogItemKind::Edit, kInterval, 180, 22, 50, 100, nullptr, CBS_DROPDOWN});
    CreateItem(m_comboSnap, {CDialogItemKind::Edit, kSnap, 180, 58, 50, 100, nullptr, CBS_DROPDOWN});
    CreateItem(m_btnBackground, {CDialogItemKind::Edit, kBackground, 180, 128, 50, 14});
    CreateItem(m_btnWorkFrame, {CDialogItemKind::Edit, kWorkFrame, 180, 146, 50, 14});
    m_editPrecision.SetNoMinus(TRUE);
    m_editAngle.SetNoUnit(TRUE);
    for (const wchar_t* name : kSchemeNames) m_comboScheme.AddString(name);
    CQvPropertyPage::OnInitDialog();
    CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr) return TRUE;
    global->SetUnitBefore(global->m_nUnit);
    m_bAutoSave = global->m_bAutoSave ? 1 : 0;
    m_editPrecision.SetValue(global->m_fPrecision, 0);
    m_editAngle.SetValue(global->m_fDiscAngle, 1);
    m_nMedialAngle = global->m_nMedialAngle;
    m_nUnit = global->m_nUnit;
    m_bShowUnit = global->m_bShowUnit ? 1 : 0;
    m_bAnimate = global->m_bViewAnimation ? 1 : 0;
    FillList(m_comboInterval, kIntervals, std::size(kIntervals));
    m_strInterval = FormatInt(global->m_nAutoSaveMinutes);
    FillList(m_comboSnap, kSnapPixels, std::size(kSnapPixels));
    m_strSnap = FormatInt(global->m_nSnapPixels);
    SetUpColourButton(m_btnBackground, global->m_crBackground);
    SetUpColourButton(m_btnWorkFrame, global->m_crWorkFrame);
    m_nScheme = global->m_nColorScheme;
    UpdateData(FALSE);
    return TRUE;
}

void CDlgSystemSet::DoDataExchange(CDataExchange* pDX)
{
    CQvPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, kAutoSave, m_bAutoSave);
    DDX_Text(pDX, kMedial, m_nMedialAngle);
    if (pDX->m_bSaveAndValidate) {
        for (int unit = 0; unit < 4; ++unit)
            if (IsDlgButtonChecked(kUnitButtons[unit])) m_nUnit = unit;
        m_nScheme = m_comboScheme.GetCurSel();
        m_comboInterval.GetWindowText(m_strInterval);
        m_comboSnap.GetWindowText(m_strSnap);
    } else {
        for (int unit = 0; unit < 4; ++unit) CheckDlgButton(kUnitButtons[unit], unit == m_nUnit ? BST_CHECKED : BST_UNCHECKED);
        m_comboScheme.SetCurSel(m_nScheme);
        m_comboInterval.SetWindowText(m_strInterval);
        m_comboSnap.SetWindowText(m_strSnap);
    }
    DDX_Check(pDX, kShowUnit, m_bShowUnit);
    DDX_Check(pDX, kAnimate, m_bAnimate);
}

int CDlgSystemSet::InitParam()
{
    CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr) return 0;
    m_editPrecision.SetValue(global->m_fPrecision, 0);
    return 1;
}

void CDlgSystemSet::OnUnit(UINT nID)
{
    for (int unit = 0; unit < 4; ++unit) {
        if (kUnitButtons[unit] != nID) continue;
        m_nUnit = unit;
        if (CQVGlobal* global = gGetQVGlobal()) global->m_nUnit = unit;
    }
    if (CQvPropertySheet* sheet = GetSheet()) sheet->InitParam();
}

void CDlgSystemSet::OnSchemeChanged()
{
    UpdateData(TRUE);
    if (m_nScheme < 0 || m_nScheme >= kCustomScheme) return;
    m_btnBackground.SetColor(kColourSchemes[m_nScheme].background);
    m_btnWorkFrame.SetColor(kColourSchemes[m_nScheme].workFrame);
}

void CDlgSystemSet::OnColourPicked()
{
    const CQVGlobal* global = gGetQVGlobal();
    if (global != nullptr && ColourOf(m_btnBackground) == global->m_crBackground &&
        ColourOf(m_btnWorkFrame) == global->m_crWorkFrame)
        return;
    m_nScheme = kCustomScheme;
    m_comboScheme.SetCurSel(kCustomScheme);
}

void CDlgSystemSet::OnIntervalEdited()
{
    CString text;
    m_comboInterval.GetWindowText(text);
    const int length = text.GetLength();
    if (length == 0) return;
    const wchar_t last = text[length - 1];
    if (!std::iswdigit(static_cast<wint_t>(last)) || (length == 1 && last == L'0')) {
        text = text.Left(length - 1);
        m_comboInterval.SetWindowText(text);
    }
    m_comboInterval.SetEditSel(text.GetLength(), text.GetLength());
}

void CDlgSystemSet::OnRestoreDefaults()
{
    CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr) return;
    UpdateData(TRUE);
    m_strInterval = L"30";
    m_strSnap = L"5";
    m_editPrecision.SetValue(0.005, 0);
    m_editAngle.SetValue(176.0, 1);
    m_nMedialAngle = 20;
    m_nScheme = 0;
    global->m_crBackground = kColourSchemes[0].background;
    global->m_crWorkFrame = kColourSchemes[0].workFrame;
    m_btnBackground.SetColor(kColourSchemes[0].background);
    m_btnWorkFrame.SetColor(kColourSchemes[0].workFrame);
    UpdateData(FALSE);
}

BOOL CDlgSystemSet::Validate()
{
    const CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr) return FALSE;
    if (m_strInterval.IsEmpty()) {
        AfxMessageBox(korvel::IDS_SYSTEM_NO_INTERVAL);
        return FALSE;
    }
    const double precision = m_editPrecision.GetValue(global->m_nUnit);
    if (std::fabs(precision - global->m_fPrecision) > kPrecisionMoved && !(precision >= 0.001 && precision <= 0.5)) {
        AfxMessageBox(korvel::IDS_SYSTEM_BAD_PRECISION);
        return FALSE;
    }
    const double angle = m_editAngle.GetShown();
    if (std::fabs(angle - global->m_fDiscAngle) > kAngleMoved && !(angle >= 120.0 && angle <= 180.0)) {
        AfxMessageBox(korvel::IDS_SYSTEM_BAD_ANGLE);
        return FALSE;
    }
    if (m_nMedialAngle < 5 || m_nMedialAngle > 60) {
        AfxMessageBox(korvel::IDS_SYSTEM_BAD_MEDIAL);
        return FALSE;
    }
    return TRUE;
}

void CDlgSystemSet::Apply()
{
    CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr) return;
    global->m_bAutoSave = m_bAutoSave ? TRUE : FALSE;
    global->m_fPrecision = static_cast<float>(std::fabs(m_editPrecision.GetValue(global->m_nUnit)));
    global->m_fDiscAngle = static_cast<float>(std::fabs(m_editAngle.GetShown()));
    global->m_nMedialAngle = m_nMedialAngle;
    if (m_nUnit != global->GetUnitBefore()) {
        global->m_nUnit = m_nUnit;
        if (CView* view = gGetView()) view->SendMessage(korvel::WM_KV_UNIT_CHANGED, 0, 0);
    }
    global->m_bShowUnit = m_bShowUnit ? TRUE : FALSE;
    global->m_bViewAnimation = m_bAnimate ? TRUE : FALSE;
    const long typed = m_strInterval.IsEmpty() ? 30 : ReadInteger(m_strInterval);
    // Minutes whose milliseconds would overflow the timer are capped.
    const int interval = static_cast<int>(std::clamp<long>(typed, 0, kMaxIntervalMinutes));
    if (!m_strSnap.IsEmpty()) global->m_nSnapPixels = static_cast<int>(std::clamp<long>(ReadInteger(m_strSnap), 0, 0x7FFFFFFF));
    global->m_crBackground = ColourOf(m_btnBackground);
    global->m_crWorkFrame = ColourOf(m_btnWorkFrame);
    global->m_nColorScheme = static_cast<short>(m_nScheme);
    global->m_crDrawing = ComplementColour(global->m_crBackground);
    auto* frame = dynamic_cast<CMainFrame*>(gGetMainFrame());
    if (frame != nullptr) {
        frame->GetStatusBar().SetSelectedColor(global->m_crDrawing);
        frame->SendMessage(korvel::WM_KV_COLOR_CHOSEN, 0, 0);
        frame->Invalidate(TRUE);
        frame->KillTimer(korvel::kTimerAutoSave);
    }
    global->m_nAutoSaveMinutes = interval;
    global->m_nSchemeFlag = 10;
    if (frame != nullptr && global->m_bAutoSave && interval >= 1)
        frame->SetTimer(korvel::kTimerAutoSave, CMainFrame::AutoSavePeriod(interval));
    if (CView* view = gGetView()) view->Invalidate(TRUE);
}

int CDlgSystemSet::Ok()
{
    UpdateData(TRUE);
    if (!Validate()) return -1;
    Apply();
    return 0;
}
