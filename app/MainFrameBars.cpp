// The main frame's tool-bar side: command buttons, the UI modes, bar toggles,
// the snap and unit switches and the menus of the bar areas.
#include "app/MainFrame.h"

#include "app/KorvelIds.h"
#include "app/ToolBarSetDlg.h"
#include "framework/extendra/PlugInApp.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/Relayon.h"
#include "framework/widgra/ui/UIToolBarMgr.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Resources.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QStyle>

#include <cmath>
#include <optional>

namespace {

// Mask bits of the snap commands.
constexpr std::pair<UINT, int> kSnapBits[] = {{33016, 0x1},   {33017, 0x2},   {33018, 0x4},   {33019, 0x10},
                                              {33020, 0x8},   {33021, 0x20},  {33022, 0x40},  {33023, 0x80},
                                              {33024, 0x100}, {33025, 0x400}, {33027, 0x800}};
// All eleven bits; 0x200 and the bits above 0x800 belong to no button.
constexpr int kAllSnapBits = 0xDFF;
// Popups of the bar-area menu.
constexpr int kPopupClassicBars = 6;
constexpr int kPopupRulerUnits = 7;
constexpr int kPopupTabSet = 8;

int SnapBitOf(UINT id)
{
    for (const auto& [command, bit] : kSnapBits)
        if (command == id) return bit;
    return 0;
}

// A menu text without its mnemonic marks and accelerator.
QString PlainMenuText(const CString& text)
{
    QString plain = QString::fromWCharArray(text.GetString());
    plain = plain.section(QLatin1Char('\t'), 0, 0);
    plain.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return plain;
}

std::optional<CString> FindMenuText(const CMenu& menu, UINT id)
{
    for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
        if (CMenu* sub = menu.GetSubMenu(i)) {
            if (std::optional<CString> text = FindMenuText(*sub, id)) return text;
        } else if (menu.GetMenuItemID(i) == id) {
            CString text;
            menu.GetMenuString(static_cast<UINT>(i), text, MF_BYPOSITION);
            return text;
        }
    }
    return std::nullopt;
}

// Names of the bar commands that the main menu does not carry.
const wchar_t* ExtraCommandName(UINT id)
{
    switch (id) {
        case 32870: return L"Move Nodes";
        case 32871: return L"Add Node";
        case 32872: return L"Delete Node";
        case 32873: return L"Break at Node";
        case 32916: return L"Join Nodes";
        case 32878: return L"To Line";
        case 32879: return L"To Curve";
        case 32934: return L"Smooth Node";
        case 32936: return L"Cusp Node";
        case 32937: return L"Symmetric Node";
        case 32938: return L"Close Curve";
        case 32939: return L"Reverse Direction";
        case 33062: return L"Align Nodes";
        case 32975: return L"Start Node";
        case 32990: return L"Fillet Node";
        case 32988: return L"Draw Tool Bar";
        case 32987: return L"Edit Tool Bar";
        case 32989: return L"Transform Tool Bar";
        case 32986: return L"Align Tool Bar";
        case 32784: return L"Text";
        case 32793: return L"Text on Path";
        case 32914: return L"Text to Curves";
        case 32852: return L"Copy Objects";
        case 32834: return L"Group";
        case 32897: return L"Combine";
        case 32917: return L"Break Apart";
        case 32801: return L"Mirror";
        default: break;
    }
    if (id >= 32820 && id <= 32831) {
        static const wchar_t* const kAlign[] = {L"Align Left", L"Align Right", L"Align Top", L"Align Bottom",
                                                L"Centre Horizontally", L"Centre Vertically", L"Centre on Page",
                                                L"Same Width", L"Same Height", L"Same Size",
                                                L"Space Horizontally", L"Space Vertically"};
        return kAlign[id - 32820];
    }
    return nullptr;
}

CString CommandName(UINT id)
{
    CMenu menu;
    if (menu.LoadMenu(korvel::IDR_MAINFRAME)) {
        if (std::optional<CString> text = FindMenuText(menu, id)) {
            return CString(PlainMenuText(*text).toStdWString().c_str());
        }
    }
    if (const wchar_t* name = ExtraCommandName(id)) return CString(name);
    CString name;
    name.Format(L"Command %u", id);
    return name;
}

std::optional<QStyle::StandardPixmap> StandardIconOf(UINT id)
{
    switch (id) {
        case ID_FILE_NEW: return QStyle::SP_FileIcon;
        case ID_FILE_OPEN: return QStyle::SP_DialogOpenButton;
        case ID_FILE_SAVE: return QStyle::SP_DialogSaveButton;
        case korvel::ID_FILE_IMPORT: return QStyle::SP_FileDialogNewFolder;
        case 32818: return QStyle::SP_TrashIcon;
        case korvel::ID_VIEW_DCENTER: return QStyle::SP_FileDialogDetailedView;
        default: return std::nullopt;
    }
}

// The program's own 16-pixel pictures: a drawn shape for the drawing and view
// commands, otherwise the command name's initials on a tile.
QIcon DrawnIcon(UINT id, const QString& name)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(30, 60, 120);
    p.setPen(QPen(ink, 2.5));
    switch (id) {
        case 32776: p.setBrush(ink); p.drawEllipse(QPointF(16, 16), 4, 4); break;
        case 32774: p.drawLine(5, 27, 27, 5); break;
        case 32777: p.drawRect(5, 8, 22, 16); break;
        case 32775: p.drawEllipse(QPointF(16, 16), 11, 11); break;
        case 32778: p.drawEllipse(QPointF(16, 16), 13, 8); break;
        case 32787: p.drawArc(QRectF(5, 5, 22, 22), 0, 180 * 16); break;
        case 32782:
        case 32783: {
            const int points = id == 32782 ? 6 : 10;
            QPolygonF poly;
            for (int i = 0; i < points; ++i) {
                const double r = id == 32783 && i % 2 == 1 ? 5.0 : 12.0;
                const double a = -M_PI / 2 + 2 * M_PI * i / points;
                poly << QPointF(16 + r * std::cos(a), 16 + r * std::sin(a));
            }
            p.drawPolygon(poly);
            break;
        }
        case 32779: {
            QPainterPath path(QPointF(4, 26));
            path.cubicTo(8, 2, 24, 30, 28, 6);
            p.drawPath(path);
            break;
        }
        case 32903: p.drawPolyline(QPolygonF({QPointF(4, 26), QPointF(12, 8), QPointF(20, 22), QPointF(28, 6)})); break;
        case 32808:
        case 32809:
        case 32806:
        case 32807:
            p.drawEllipse(QPointF(13, 13), 8, 8);
            p.drawLine(19, 19, 28, 28);
            if (id != 32806) p.drawLine(9, 13, 17, 13);
            if (id == 32808) p.drawLine(13, 9, 13, 17);
            break;
        default: {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(220, 230, 245));
            p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
            QString initials;
            for (const QString& word : name.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                if (initials.size() < 2 && word.at(0).isLetterOrNumber()) initials += word.at(0).toUpper();
            QFont font;
            font.setPixelSize(15);
            font.setBold(true);
            p.setFont(font);
            p.setPen(ink);
            p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, initials);
            break;
        }
    }
    p.end();
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace

QAction* CMainFrame::GetToolAction(UINT id)
{
    if (const auto found = m_toolActions.find(id); found != m_toolActions.end()) return found->second;
    const CString name = CommandName(id);
    QAction* action = CreateCommandAction(id, name);
    if (action == nullptr) return nullptr;
    const QString text = QString::fromWCharArray(name.GetString());
    action->setToolTip(text);
    if (std::optional<QStyle::StandardPixmap> standard = StandardIconOf(id))
        action->setIcon(QApplication::style()->standardIcon(*standard));
    else
        action->setIcon(DrawnIcon(id, text));
    m_toolActions.emplace(id, action);
    return action;
}

void CMainFrame::OnSnap(UINT id)
{
    CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr || id == korvel::ID_SNAP_NONE) return;
    if (id == korvel::ID_SNAP_EXTRA) {
        global->m_bSnapExtra = global->m_bSnapExtra ? FALSE : TRUE;
        return;
    }
    if (id == korvel::ID_SNAP_ALL) {
        if ((global->m_nSnapMask & kAllSnapBits) == kAllSnapBits) global->m_nSnapMask ^= kAllSnapBits;
        else global->m_nSnapMask |= kAllSnapBits;
        for (const auto& [command, bit] : kSnapBits)
            m_wndSnapBar.SetCheck(command, (global->m_nSnapMask & bit) != 0 ? TRUE : FALSE);
        m_wndSnapBar.SetAllPushed(FALSE);
        return;
    }
    const int bit = SnapBitOf(id);
    if (bit == 0) return;
    global->m_nSnapMask ^= bit;
    m_wndSnapBar.SetCheck(id, (global->m_nSnapMask & bit) != 0 ? TRUE : FALSE);
}

void CMainFrame::OnUpdateSnap(CCmdUI* pCmdUI)
{
    const CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr || pCmdUI->m_nID == korvel::ID_SNAP_NONE) return;
    const BOOL on = pCmdUI->m_nID == korvel::ID_SNAP_EXTRA ? global->m_bSnapExtra
                                                           : (global->m_nSnapMask & SnapBitOf(pCmdUI->m_nID)) != 0;
    pCmdUI->SetRadio(on ? TRUE : FALSE);
}

void CMainFrame::OnUnit(UINT id)
{
    CQVGlobal* global = gGetQVGlobal();
    CView* view = gGetView();
    if (global != nullptr && id >= korvel::ID_UNIT_MM) {
        const int unit = static_cast<int>(id - korvel::ID_UNIT_MM);
        if (unit != global->m_nUnit) {
            global->SetUnitBefore(global->m_nUnit);
            global->m_nUnit = unit;
            if (view != nullptr) view->SendMessage(korvel::WM_KV_UNIT_CHANGED, 0, 0);
        }
    }
    if (view != nullptr) view->Invalidate(TRUE);
    m_wndHorzRuler.Invalidate(TRUE);
    m_wndVertRuler.Invalidate(TRUE);
}

void CMainFrame::SwitchUIMode(int mode)
{
    CUIToolBarMgr::Instance()->ShowCurrentUI(mode);
    m_nUIMode = mode == CUIToolBarMgr::kModeClassic ? 1 : 0;
}

void CMainFrame::OnUIModeClassic()
{
    SwitchUIMode(CUIToolBarMgr::kModeClassic);
    if (CPlugInApp* app = GetPlugInApp()) app->UpdateToolBar();
}

void CMainFrame::OnUIModeTab() { SwitchUIMode(CUIToolBarMgr::kModeTab); }

void CMainFrame::OnSetPreviewMode(BOOL bPreview)
{
    CUIToolBarMgr* manager = CUIToolBarMgr::Instance();
    if (bPreview) {
        // Kept so that leaving the preview shows the bars the user had.
        for (const TitledBar& entry : BarsOfMode(manager->GetUIMode()))
            manager->RememberShown(entry.bar, entry.bar->IsVisible());
        for (UINT id : {602u, 606u, 237u, 603u, 607u, 608u, 604u, 427u, 605u})
            if (CMFCToolBar* bar = GetToolBar(id)) ShowPane(bar, FALSE, TRUE, TRUE);
        return;
    }
    if (m_nUIMode == 1) {
        manager->ShowCurrentUI(CUIToolBarMgr::kModeClassic);
        m_wndTabToolBar.HideAllDragTBar();
    } else {
        manager->ShowCurrentUI(CUIToolBarMgr::kModeTab);
    }
}

void CMainFrame::OnToggleViewBar()
{
    if (CMFCToolBar* bar = GetToolBar(korvel::IDR_VIEWBAR_TAB))
        ShowPane(bar, bar->IsVisible() ? FALSE : TRUE, FALSE, TRUE);
}

std::vector<CMainFrame::TitledBar> CMainFrame::BarsOfMode(int mode)
{
    std::vector<TitledBar> bars;
    const CString tabTitle = AfxLoadString(korvel::IDS_TAB_TOOLBAR);
    CUIToolBarMgr* manager = CUIToolBarMgr::Instance();
    for (int i = 0; i < manager->GetBarCount(); ++i) {
        const UIToolBarRec* rec = manager->GetBar(i);
        if (rec->m_nUIMode != mode || rec->m_pBar == nullptr || rec->m_pBar->GetSafeHwnd() == nullptr) continue;
        CString title;
        rec->m_pBar->GetWindowText(title);
        if (title != tabTitle) bars.push_back(TitledBar{title, rec->m_pBar});
    }
    return bars;
}

BOOL CMainFrame::ShowBarByTitle(const CString& title, BOOL show)
{
    const int mode = m_nUIMode != 0 ? CUIToolBarMgr::kModeClassic : CUIToolBarMgr::kModeTab;
    for (const TitledBar& entry : BarsOfMode(mode)) {
        if (entry.title != title) continue;
        ShowPane(entry.bar, show, FALSE, TRUE);
        UpdateCommandActions();
        return TRUE;
    }
    return FALSE;
}

void CMainFrame::OnToggleBar(UINT id)
{
    if (m_nUIMode != 1) return;
    // An item past the listed bars names no bar: nothing to toggle.
    const size_t index = id - korvel::ID_BAR_TOGGLE_FIRST;
    if (index >= m_barNames.size()) return;
    for (const TitledBar& entry : BarsOfMode(CUIToolBarMgr::kModeClassic)) {
        if (entry.title == m_barNames[index]) {
            ShowBarByTitle(entry.title, entry.bar->IsVisible() ? FALSE : TRUE);
            return;
        }
    }
}

LRESULT CMainFrame::OnToolBarMenu(WPARAM, LPARAM lParam)
{
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT horz{}, vert{};
    m_wndHorzRuler.GetWindowRect(&horz);
    m_wndVertRuler.GetWindowRect(&vert);
    CDesignCentral* pane = gGetPaneDCenter();
    if (pane == nullptr) return 0;
    auto inside = [&point](const RECT& r) {
        return point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom;
    };
    if ((m_wndHorzRuler.IsVisible() && inside(horz)) || (m_wndVertRuler.IsVisible() && inside(vert))) {
        ShowRulerMenu(point);
        return 1;
    }
    if (pane->GetSafeHwnd() != nullptr && pane->IsVisible()) {
        RECT rect{};
        pane->GetWindowRect(&rect);
        if (inside(rect)) return 0;
    }
    ShowToolBarMenu(point);
    return 1;
}

void CMainFrame::ShowRulerMenu(POINT point)
{
    CMenu menu;
    if (!menu.LoadMenu(korvel::IDR_BAR_MENUS)) return;
    CMenu* popup = menu.GetSubMenu(kPopupRulerUnits);
    const CQVGlobal* global = gGetQVGlobal();
    if (popup == nullptr || global == nullptr) return;
    popup->CheckMenuItem(korvel::ID_UNIT_MM + static_cast<UINT>(global->m_nUnit), MF_BYCOMMAND | MF_CHECKED);
    SetForegroundWindow();
    popup->TrackPopupMenu(TPM_RIGHTBUTTON, point.x, point.y, this);
}

void CMainFrame::ShowToolBarMenu(POINT point)
{
    CMenu menu;
    if (!menu.LoadMenu(korvel::IDR_BAR_MENUS)) return;
    CMenu* popup = nullptr;
    if (m_nUIMode != 1) {
        popup = menu.GetSubMenu(kPopupTabSet);
        CMFCToolBar* bar = GetToolBar(korvel::IDR_VIEWBAR_TAB);
        if (popup == nullptr || bar == nullptr) return;
        CString title;
        bar->GetWindowText(title);
        popup->AppendMenu(MF_STRING | (bar->IsVisible() ? MF_CHECKED : 0), korvel::IDR_VIEWBAR_TAB, title);
    } else {
        popup = menu.GetSubMenu(kPopupClassicBars);
        if (popup == nullptr) return;
        m_barNames.clear();
        for (const TitledBar& entry : BarsOfMode(CUIToolBarMgr::kModeClassic)) {
            const UINT id = korvel::ID_BAR_TOGGLE_FIRST + static_cast<UINT>(m_barNames.size());
            popup->AppendMenu(MF_STRING | (entry.bar->IsVisible() ? MF_CHECKED : 0), id, entry.title);
            m_barNames.push_back(entry.title);
        }
    }
    SetForegroundWindow();
    popup->TrackPopupMenu(TPM_RIGHTBUTTON, point.x, point.y, this);
}

void CMainFrame::OnToolBarSettings()
{
    CToolBarSetDlg dialog(this);
    dialog.DoModal();
}

void CMainFrame::OnUpdateToolBarSettings(CCmdUI* pCmdUI)
{
    const CRelayon* hub = gGetRelayon();
    pCmdUI->Enable(hub == nullptr || hub->CurCmdFlag() == 0 ? TRUE : FALSE);
}
