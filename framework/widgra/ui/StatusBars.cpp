#include "framework/widgra/ui/StatusBars.h"

#include "framework/widgra/Progress.h"
#include "platform/ui/FrameWnd.h"

#include "platform/ui/Prompt.h"
#include "platform/ui/QtConvert.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

IMPLEMENT_DYNAMIC(CTabToolBar, CMFCToolBar)
IMPLEMENT_DYNAMIC(CQVStatusBar, CMFCStatusBar)
IMPLEMENT_DYNAMIC(CQVStatusBarSnap, CMFCStatusBar)
IMPLEMENT_DYNAMIC(CQVRulerBar, CBasePane)
IMPLEMENT_DYNAMIC(CQVHorRulerBar, CQVRulerBar)
IMPLEMENT_DYNAMIC(CQVVertRulerBar, CQVRulerBar)

namespace {
constexpr UINT kSnapBarID = 0xE802;
constexpr UINT kStatusChildID = 1;
constexpr UINT kGridCommand = 33014;
constexpr UINT kPathsCommand = 32877;
constexpr UINT kColourChosen = WM_USER + 2;
// Captions and tips of the snap buttons, in the order of CQVStatusBarSnap::kSnapIDs.
constexpr const char* kSnapNames[11] = {"End", "Mid", "Centre", "Quad", "Node", "Int",
                                        "Perp", "Tan", "Near", "Grid", "Guide"};
constexpr const char* kSnapTips[11] = {"Snap to end points", "Snap to mid points", "Snap to centres",
                                       "Snap to quadrant points", "Snap to nodes", "Snap to intersections",
                                       "Snap perpendicular", "Snap tangent", "Snap to the nearest point",
                                       "Snap to the grid", "Snap to guide lines"};
}  // namespace

BOOL CTabToolBar::Create(CWnd* parent, UINT id, int)
{
    if (!CMFCToolBar::Create(parent, WS_CHILD | WS_VISIBLE, id)) return FALSE;
    auto* bar = qobject_cast<QToolBar*>(GetWidget());
    if (bar == nullptr) return FALSE;
    m_pTabs = new QTabBar(bar);
    m_pTabs->setDrawBase(false);
    m_pTabs->setExpanding(false);
    bar->addWidget(m_pTabs);
    QObject::connect(m_pTabs, &QTabBar::currentChanged, m_pTabs, [this](int tab) { OnTabChosen(tab); });
    return TRUE;
}

int CTabToolBar::AddItem(const CString& title, int mainCmd, std::vector<UINT> buttons)
{
    m_items.push_back(Item{title, mainCmd, std::move(buttons)});
    if (m_pTabs != nullptr) {
        // The first tab becomes current by itself: no command runs for it.
        const QSignalBlocker quiet(m_pTabs);
        m_pTabs->addTab(ToQString(title));
    }
    return GetItemCount() - 1;
}

const std::vector<UINT>& CTabToolBar::GetTabButtons(int tab) const
{
    static const std::vector<UINT> none;
    return tab >= 0 && tab < GetItemCount() ? m_items[static_cast<size_t>(tab)].buttons : none;
}

void CTabToolBar::SetActionMaker(ActionMaker maker)
{
    m_maker = std::move(maker);
    OnChangeTabEx(m_nCurTab);
}

void CTabToolBar::OnChangeTabEx(int tab)
{
    m_nCurTab = tab;
    if (m_pTabs != nullptr && tab >= 0 && tab < m_pTabs->count() && m_pTabs->currentIndex() != tab) {
        const QSignalBlocker quiet(m_pTabs);
        m_pTabs->setCurrentIndex(tab);
    }
    m_buttons = GetTabButtons(tab);
    auto* bar = qobject_cast<QToolBar*>(GetWidget());
    if (bar == nullptr) return;
    // Everything after the tab strip is the previous tab's row.
    const QList<QAction*> shown = bar->actions();
    for (qsizetype i = 1; i < shown.size(); ++i) {
        bar->removeAction(shown[i]);
        if (shown[i]->isSeparator() && shown[i]->parent() == bar) delete shown[i];
    }
    if (!m_maker) return;
    bar->addSeparator();
    for (UINT id : m_buttons) {
        if (id == 0) bar->addSeparator();
        else if (QAction* action = m_maker(id)) bar->addAction(action);
    }
}

void CTabToolBar::OnTabChosen(int tab)
{
    OnChangeTabEx(tab);
    if (tab >= 0 && tab < GetItemCount() && m_pfnRunMainCmd != nullptr)
        m_pfnRunMainCmd(m_items[static_cast<size_t>(tab)].mainCmd);
}

CQVStatusBar::CQVStatusBar() = default;

CQVStatusBar::~CQVStatusBar() { CQProgress::SetObserver(nullptr, nullptr); }

BOOL CQVStatusBar::Init(CFrameWnd* frame)
{
    if (frame == nullptr || !Create(frame)) return FALSE;
    static const UINT indicators[] = {0, 1, 2, 3};
    SetIndicators(indicators, 4);
    const RECT rect{0, 0, 200, 20};
    if (!m_child.Create(nullptr, L"", WS_CHILD | WS_VISIBLE, rect, this, kStatusChildID)) return FALSE;
    if (auto* bar = qobject_cast<QToolBar*>(GetWidget())) {
        const HWND frameWnd = frame->GetSafeHwnd();
        auto commandButton = [bar, frameWnd](const QString& text, UINT id) {
            auto* button = new QToolButton(bar);
            button->setText(text);
            QObject::connect(button, &QToolButton::clicked, button, [frameWnd, id] {
                if (CWnd* target = CWnd::FromHandle(frameWnd)) target->SendMessage(WM_COMMAND, id, 0);
            });
            bar->addWidget(button);
            return button;
        };
        m_pGrid = commandButton(QStringLiteral("Grid"), kGridCommand);
        m_pPaths = commandButton(QStringLiteral("Paths"), kPathsCommand);
        auto* colour = new QToolButton(bar);
        colour->setToolTip(QStringLiteral("Colour of the current layer and the selection"));
        QObject::connect(colour, &QToolButton::clicked, colour, [this, frameWnd] {
            COLORREF chosen = m_crSelected;
            CPromptService* prompt = AfxGetPromptService();
            if (prompt == nullptr || !prompt->ChooseColor(chosen)) return;
            SetSelectedColor(chosen);
            if (CWnd* target = CWnd::FromHandle(frameWnd)) target->SendMessage(kColourChosen, 0, 0);
        });
        bar->addWidget(colour);
        m_pColour = colour;
        ShowColour();
    }
    CQProgress::SetObserver(&CQVStatusBar::OnProgress, this);
    return TRUE;
}

void CQVStatusBar::SetGridPushed(BOOL pushed)
{
    m_bGridPushed = pushed ? TRUE : FALSE;
    if (m_pGrid != nullptr) m_pGrid->setDown(m_bGridPushed != FALSE);
}

void CQVStatusBar::SetPathsText(const CString& text)
{
    if (m_pPaths != nullptr) m_pPaths->setText(ToQString(text));
}

void CQVStatusBar::SetSelectedColor(COLORREF colour)
{
    m_crSelected = colour & 0xFFFFFFu;
    ShowColour();
}

void CQVStatusBar::ShowColour()
{
    if (m_pColour == nullptr) return;
    QPixmap swatch(28, 14);
    swatch.fill(QColor(GetRValue(m_crSelected), GetGValue(m_crSelected), GetBValue(m_crSelected)));
    QPainter painter(&swatch);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 27, 13);
    painter.end();
    m_pColour->setIcon(QIcon(swatch));
    m_pColour->setIconSize(swatch.size());
}

void CQVStatusBar::OnProgress(double position, void* user)
{
    static_cast<CQVStatusBar*>(user)->m_dProgress = position;
}

BOOL CQVStatusBarSnap::Init(CFrameWnd* frame)
{
    if (frame == nullptr || !Create(frame, WS_CHILD | WS_VISIBLE, kSnapBarID)) return FALSE;
    // The snap ids are the bar's panes; the buttons below show them.
    m_ids.assign(kSnapIDs.begin(), kSnapIDs.end());
    m_texts.assign(kSnapIDs.size(), CString());
    QWidget* bar = GetWidget();
    if (bar == nullptr) return FALSE;
    auto* toolBar = qobject_cast<QToolBar*>(bar);
    QHBoxLayout* layout = toolBar == nullptr ? new QHBoxLayout(bar) : nullptr;
    const HWND frameWnd = frame->GetSafeHwnd();
    for (size_t i = 0; i <= kSnapIDs.size(); ++i) {
        const bool all = i == kSnapIDs.size();
        const UINT id = all ? kAllSnapsID : kSnapIDs[i];
        auto* button = new QToolButton(bar);
        button->setText(all ? QStringLiteral("All") : QString::fromLatin1(kSnapNames[i]));
        button->setToolTip(all ? QStringLiteral("All snaps on or off") : QString::fromLatin1(kSnapTips[i]));
        button->setCheckable(!all);
        button->setAutoRaise(true);
        button->setProperty("commandId", id);
        QObject::connect(button, &QToolButton::clicked, button, [frameWnd, id] {
            if (CWnd* target = CWnd::FromHandle(frameWnd)) target->SendMessage(WM_COMMAND, id, 0);
        });
        if (toolBar != nullptr) toolBar->addWidget(button);
        else layout->addWidget(button);
        m_buttons[i] = button;
    }
    return TRUE;
}

QAbstractButton* CQVStatusBarSnap::GetButton(UINT id) const
{
    if (id == kAllSnapsID) return m_buttons.back();
    for (size_t i = 0; i < kSnapIDs.size(); ++i)
        if (kSnapIDs[i] == id) return m_buttons[i];
    return nullptr;
}

void CQVStatusBarSnap::SetCheck(UINT id, BOOL checked)
{
    QAbstractButton* button = GetButton(id);
    if (button != nullptr && id != kAllSnapsID) button->setChecked(checked != FALSE);
}

BOOL CQVStatusBarSnap::GetCheck(UINT id) const
{
    const QAbstractButton* button = GetButton(id);
    return button != nullptr && button->isChecked() ? TRUE : FALSE;
}

void CQVStatusBarSnap::SetAllPushed(BOOL pushed)
{
    if (QAbstractButton* button = m_buttons.back().data()) button->setDown(pushed != FALSE);
}

BOOL CQVStatusBarSnap::IsAllPushed() const
{
    const QAbstractButton* button = m_buttons.back().data();
    return button != nullptr && button->isDown() ? TRUE : FALSE;
}

