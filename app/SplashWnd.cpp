#include "app/SplashWnd.h"

#include "app/KorvelIds.h"
#include "app/KorvelResources.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Resources.h"
#include "platform/ui/WinApp.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

IMPLEMENT_DYNAMIC(CDlgSplash, CDialog)

BEGIN_MESSAGE_MAP(CDlgSplash, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

CDlgSplash::CDlgSplash(CWnd* pParent)
    : CDialog(korvel::IDD_SPLASH, pParent), m_strStatus(AfxLoadString(korvel::IDS_SPLASH_DEFAULT))
{
}

CDlgSplash::~CDlgSplash()
{
    if (GetSafeHwnd() != nullptr) DestroyWindow();
}

void CDlgSplash::PostNcDestroy() { CDialog::PostNcDestroy(); }

void CDlgSplash::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, korvel::IDC_SPLASH_TEXT, m_strStatus);
}

BOOL CDlgSplash::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The picture fills its control at whatever size the screen's font gave it.
    if (auto* picture = dynamic_cast<CStatic*>(GetDlgItem(korvel::IDC_SPLASH_PICTURE))) {
        RECT r{0, 0, 0, 0};
        picture->GetClientRect(&r);
        if (r.right > 0 && r.bottom > 0) picture->SetImage(korvel::MakeSplashImage(r.right, r.bottom));
    }
    UpdateData(FALSE);
    return TRUE;
}

void CDlgSplash::ShowSplash(CWnd* pParent)
{
    if (GetSafeHwnd() != nullptr) return;
    if (!Create(korvel::IDD_SPLASH, pParent)) return;
    // A top-level window of its own, so that it shows before the frame does.
    if (QWidget* w = GetWidget()) {
        w->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    }
    // Centred on the screen: the frame it belongs to is not shown yet.
    QWidget* widget = GetWidget();
    if (QScreen* screen = QGuiApplication::primaryScreen(); widget != nullptr && screen != nullptr) {
        const QRect area = screen->availableGeometry();
        widget->move(area.center() - QPoint(widget->width() / 2, widget->height() / 2));
    } else {
        CenterWindow();
    }
    ShowWindow(SW_SHOW);
    UpdateWindow();
}

void CDlgSplash::SetStatusText(LPCTSTR text)
{
    if (GetSafeHwnd() == nullptr) return;
    m_strStatus = text != nullptr ? text : L"";
    UpdateData(FALSE);
    UpdateWindow();
}

void CDlgSplash::HideSplash()
{
    if (GetSafeHwnd() == nullptr) return;
    ShowWindow(SW_HIDE);
    UpdateWindow();
}

void CDlgSplash::StartCloseTimer()
{
    if (GetSafeHwnd() == nullptr) return;
    SetTimer(korvel::kTimerSplashClose, korvel::kSplashCloseMs);
}

void CDlgSplash::OnTimer(UINT_PTR)
{
    KillTimer(korvel::kTimerSplashClose);
    DestroyWindow();
    if (CWnd* main = AfxGetMainWnd()) main->UpdateWindow();
}
