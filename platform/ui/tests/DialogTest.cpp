#include "platform/ui/Dialog.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/ScriptedPrompt.h"

#include <QCoreApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr UINT kSettingsDialog = 7001;
constexpr UINT kSplashDialog = 7002;
constexpr UINT kName = 1001;
constexpr UINT kCount = 1002;
constexpr UINT kFlag = 1003;
constexpr UINT kStatus = 178;
constexpr UINT kPicture = 1086;
constexpr UINT kPictureImage = 33159;

void RegisterTemplates() {
  AfxRegisterDialogTemplate(kSettingsDialog,
                            {L"Settings", 180, 90, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                             {{CDialogItemKind::Static, IDC_STATIC, 5, 5, 40, 10, L"Name"},
                              {CDialogItemKind::Edit, kName, 50, 5, 100, 12},
                              {CDialogItemKind::Edit, kCount, 50, 20, 100, 12},
                              {CDialogItemKind::CheckBox, kFlag, 50, 35, 100, 12, L"Flag"},
                              {CDialogItemKind::DefPushButton, IDOK, 70, 70, 50, 14, L"OK"},
                              {CDialogItemKind::PushButton, IDCANCEL, 125, 70, 50, 14, L"Cancel"}}});
  QImage picture(40, 20, QImage::Format_RGB32);
  picture.fill(Qt::red);
  AfxRegisterImage(kPictureImage, picture);
  // Popup with a border, no caption: the splash window's template.
  AfxRegisterDialogTemplate(kSplashDialog,
                            {nullptr, 404, 167, WS_POPUP | WS_BORDER,
                             {{CDialogItemKind::Static, kStatus, 1, 155, 393, 11},
                              {CDialogItemKind::Picture, kPicture, 0, 0, 403, 151, nullptr,
                               SS_CENTERIMAGE | SS_REALSIZEIMAGE, kPictureImage}}});
}

class CSettingsDlg : public CDialog {
public:
  CSettingsDlg() : CDialog(kSettingsDialog) {}
  CString m_strName = L"first";
  int m_nCount = 3;
  int m_nFlag = 1;
  int m_nInits = 0;

  BOOL OnInitDialog() override {
    ++m_nInits;
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, kName, m_strName);
    DDX_Text(pDX, kCount, m_nCount);
    DDX_Check(pDX, kFlag, m_nFlag);
  }
};

class DialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(AfxEnsureQtApplication());
    RegisterTemplates();
  }
};

TEST_F(DialogTest, ModalDialogAnsweredWithOkTakesTheControlsValues) {
  CScriptedPrompt prompt;
  CSettingsDlg dlg;
  prompt.m_dialogAnswers.push_back({IDOK, [](CDialog& d) {
                                      CString shown;
                                      d.GetDlgItemText(kName, shown);
                                      EXPECT_EQ(shown, L"first") << "OnInitDialog filled the controls";
                                      EXPECT_EQ(d.IsDlgButtonChecked(kFlag), 1u);
                                      d.SetDlgItemText(kName, L"second");
                                      d.SetDlgItemText(kCount, L" 42 ");
                                      d.CheckDlgButton(kFlag, 0);
                                    }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_nInits, 1);
  EXPECT_EQ(dlg.m_strName, L"second");
  EXPECT_EQ(dlg.m_nCount, 42);
  EXPECT_EQ(dlg.m_nFlag, 0);
  EXPECT_EQ(dlg.m_hWnd, nullptr) << "the window goes when the modal run ends";
  EXPECT_EQ(prompt.m_dialogs, std::vector<UINT>{kSettingsDialog});
}

TEST_F(DialogTest, CancelKeepsValuesAndBadNumbersKeepTheDialogOpen) {
  struct Row {
    const char* label;
    std::vector<CScriptedPrompt::DialogAnswer> answers;
    INT_PTR result;
    int count;
    size_t messages;  // "Please enter an integer." shown
  };
  const auto typeCount = [](const wchar_t* text) {
    return [text](CDialog& d) { d.SetDlgItemText(kCount, text); };
  };
  const Row rows[] = {
      {"cancel", {{IDCANCEL, typeCount(L"99")}}, IDCANCEL, 3, 0},
      {"no answer left", {}, IDCANCEL, 3, 0},
      {"bad number then fixed", {{IDOK, typeCount(L"4x")}, {IDOK, typeCount(L"5")}}, IDOK, 5, 1},
      {"bad number then nothing", {{IDOK, typeCount(L"")}}, IDCANCEL, 3, 1},
  };
  for (const Row& row : rows) {
    CScriptedPrompt prompt;
    prompt.m_answers.push_back(IDOK);
    prompt.m_dialogAnswers.assign(row.answers.begin(), row.answers.end());
    CSettingsDlg dlg;
    EXPECT_EQ(dlg.DoModal(), row.result) << row.label;
    EXPECT_EQ(dlg.m_nCount, row.count) << row.label;
    EXPECT_EQ(prompt.m_messages.size(), row.messages) << row.label;
  }
}

TEST_F(DialogTest, ButtonsAndEscapeGoThroughOnOkAndOnCancel) {
  // Modeless, so the test can press the Qt widgets themselves.
  CSettingsDlg dlg;
  ASSERT_TRUE(dlg.Create(kSettingsDialog));
  EXPECT_FALSE(dlg.IsWindowVisible()) << "no WS_VISIBLE in the template";
  dlg.ShowWindow(SW_SHOW);
  auto* edit = qobject_cast<QLineEdit*>(dlg.GetDlgItem(kName)->GetWidget());
  ASSERT_NE(edit, nullptr);
  edit->setText(QStringLiteral("typed"));
  auto* ok = qobject_cast<QPushButton*>(dlg.GetDlgItem(IDOK)->GetWidget());
  ASSERT_NE(ok, nullptr);
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_TRUE(dlg.IsEnded());
  EXPECT_EQ(dlg.GetModalResult(), IDOK);
  EXPECT_EQ(dlg.m_strName, L"typed");
  EXPECT_FALSE(dlg.IsWindowVisible()) << "a modeless dialog hides on EndDialog";

  dlg.ShowWindow(SW_SHOW);
  QTest::keyClick(dlg.GetWidget(), Qt::Key_Escape);
  EXPECT_EQ(dlg.GetModalResult(), IDCANCEL);
  EXPECT_TRUE(dlg.DestroyWindow());
  EXPECT_EQ(dlg.GetDlgItem(kName), nullptr);
}

// The splash pattern: a modeless frameless dialog with a picture and a status line,
// which closes itself on a timer.
class CSplash : public CDialog {
public:
  CSplash() : CDialog(kSplashDialog) {}
  CString m_strStatus = L"Starting";
  int m_nTicks = 0;
  void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, kStatus, m_strStatus); }
  void SetStatusText(LPCTSTR text) {
    if (m_hWnd == nullptr) return;
    m_strStatus = text;
    UpdateData(FALSE);
    UpdateWindow();
  }
  void OnTimer(UINT_PTR nIDEvent) {
    ++m_nTicks;
    KillTimer(nIDEvent);
    DestroyWindow();
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CSplash, CDialog)
  ON_WM_TIMER()
END_MESSAGE_MAP()

TEST_F(DialogTest, SplashShowsPictureAndStatusAndClosesOnItsTimer) {
  CSplash splash;
  ASSERT_TRUE(splash.Create(kSplashDialog));
  splash.CenterWindow();
  splash.ShowWindow(SW_SHOW);
  EXPECT_TRUE(splash.GetWidget()->windowFlags().testFlag(Qt::FramelessWindowHint));
  RECT client{};
  splash.GetClientRect(&client);
  RECT units{0, 0, 404, 167};
  splash.MapDialogRect(&units);
  EXPECT_EQ(client.right, units.right);
  EXPECT_EQ(client.bottom, units.bottom);
  auto* picture = dynamic_cast<CStatic*>(splash.GetDlgItem(kPicture));
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(picture->HasImage());
  CString status;
  splash.GetDlgItemText(kStatus, status);
  EXPECT_EQ(status, L"Starting");
  splash.SetStatusText(L"Loading plug-ins");
  splash.GetDlgItemText(kStatus, status);
  EXPECT_EQ(status, L"Loading plug-ins");

  ASSERT_EQ(splash.SetTimer(93, 1), 93u);
  for (int i = 0; i < 100 && splash.m_hWnd != nullptr; ++i) QTest::qWait(5);
  EXPECT_EQ(splash.m_hWnd, nullptr);
  EXPECT_EQ(splash.m_nTicks, 1);
  splash.SetStatusText(L"ignored");  // no window: nothing happens
}

}  // namespace
