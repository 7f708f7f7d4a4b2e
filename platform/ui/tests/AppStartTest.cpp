#include "TestApp.h"

#include "platform/ui/QtApp.h"
#include "platform/ui/ScriptedPrompt.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui_test;

namespace {

struct Args {
  explicit Args(std::vector<std::string> values) : strings(std::move(values)) {
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(strings.size()); }
  char** argv() { return pointers.data(); }
  std::vector<std::string> strings;
  std::vector<char*> pointers;
};

TEST(CommandLine, ParsesOptionsAndTheFileToOpen) {
  struct Row {
    const char* label;
    std::vector<std::string> args;
    int command;
    const wchar_t* file;
  };
  const Row rows[] = {
      {"no arguments", {"korvel"}, CCommandLineInfo::FileNew, L""},
      {"a file", {"korvel", "/home/u/part.zdc"}, CCommandLineInfo::FileOpen, L"/home/u/part.zdc"},
      {"option then file", {"korvel", "-nologo", "rel.zdc", "second.zdc"}, CCommandLineInfo::FileOpen, L"rel.zdc"},
      {"only an option", {"korvel", "-nologo"}, CCommandLineInfo::FileNew, L""},
  };
  for (const Row& row : rows) {
    CTestApp app;
    Args args(row.args);
    app.m_argc = args.argc();
    app.m_argv = args.argv();
    CCommandLineInfo info;
    app.ParseCommandLine(info);
    EXPECT_EQ(info.m_nShellCommand, row.command) << row.label;
    EXPECT_EQ(info.m_strFileName, row.file) << row.label;
  }
}

class AppStartTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(AfxEnsureQtApplication());
    ASSERT_TRUE(dir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("config"));
  }
  QTemporaryDir dir;
};

TEST_F(AppStartTest, FileOnTheCommandLineIsOpenedInsteadOfANewDocument) {
  const std::string path = dir.filePath("start.dat").toStdString();
  {
    CTestDoc source;
    source.m_nValue = 31;
    ASSERT_TRUE(source.OnSaveDocument(CString::FromUtf8(path)));
  }
  CTestApp app;
  Args args({"korvel", path});
  app.m_argc = args.argc();
  app.m_argv = args.argv();
  ASSERT_TRUE(app.InitApplication());
  ASSERT_TRUE(app.InitInstance());
  auto* frame = dynamic_cast<CFrameWnd*>(app.m_pMainWnd);
  ASSERT_NE(frame, nullptr);
  auto* doc = dynamic_cast<CTestDoc*>(frame->GetActiveDocument());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->m_nValue, 31);
  EXPECT_EQ(doc->GetPathName(), CString::FromUtf8(path));
  EXPECT_EQ(doc->GetTitle(), L"start.dat");
  frame->DestroyWindow();
}

TEST_F(AppStartTest, StartFailsWhenTheNamedFileCannotBeOpened) {
  CScriptedPrompt prompt;
  CTestApp app;
  const std::string path = dir.filePath("absent.dat").toStdString();
  Args args({"korvel", path});
  app.m_argc = args.argc();
  app.m_argv = args.argv();
  ASSERT_TRUE(app.InitApplication());
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(prompt.m_messages.size(), 1u);
}

}  // namespace
