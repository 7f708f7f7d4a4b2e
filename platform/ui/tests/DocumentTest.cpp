#include "TestApp.h"

#include "platform/core/File.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/RecentFileList.h"
#include "platform/ui/Resources.h"
#include "platform/ui/ScriptedPrompt.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ui_test;

namespace {


class DocumentTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(AfxEnsureQtApplication());
    ASSERT_TRUE(dir.isValid());
    // The profile lives in the temporary folder, not in the user's settings.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("config"));
    ASSERT_TRUE(app.InitApplication());
    ASSERT_TRUE(app.InitInstance());
    frame = dynamic_cast<CTestFrame*>(app.m_pMainWnd);
    ASSERT_NE(frame, nullptr);
    doc = dynamic_cast<CTestDoc*>(frame->GetActiveDocument());
    ASSERT_NE(doc, nullptr);
  }
  void TearDown() override {
    if (app.m_pMainWnd != nullptr) app.m_pMainWnd->DestroyWindow();
  }

  static CString FromQStringPath(const QString& s) { return CString(s.toStdWString()); }
  CString Path(const char* name) const { return FromQStringPath(dir.filePath(name)); }

  QTemporaryDir dir;
  CTestApp app;
  CTestFrame* frame = nullptr;
  CTestDoc* doc = nullptr;
};

TEST_F(DocumentTest, SavedDocumentReopensWithItsContents) {
  doc->m_nValue = -123456;
  doc->m_strText = L"Korvel 文档";
  doc->SetModifiedFlag();
  const CString path = Path("round.dat");
  ASSERT_TRUE(doc->OnSaveDocument(path));
  EXPECT_FALSE(doc->IsModified());

  doc->OnNewDocument();
  EXPECT_EQ(doc->m_nValue, 0);
  ASSERT_TRUE(doc->OnOpenDocument(path));
  EXPECT_EQ(doc->m_nValue, -123456);
  EXPECT_EQ(doc->m_strText, L"Korvel 文档");
  EXPECT_FALSE(doc->IsModified());

  // The bytes are the archive's: a 32-bit integer, then the length-prefixed text.
  QFile file(dir.filePath("round.dat"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GE(bytes.size(), 4);
  int32_t stored = 0;
  std::memcpy(&stored, bytes.constData(), 4);
  EXPECT_EQ(stored, -123456);
}

TEST_F(DocumentTest, OpeningAFileTheDocumentCannotReadReportsAndLeavesItEmpty) {
  CScriptedPrompt prompt;
  struct Row {
    const char* label;
    const char* name;
    QByteArray content;  // null: no file
  };
  const Row rows[] = {{"missing file", "missing.dat", QByteArray()},
                      {"truncated archive", "short.dat", QByteArray("\x07\x00", 2)}};
  for (const Row& row : rows) {
    if (!row.content.isNull()) {
      QFile file(dir.filePath(row.name));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << row.label;
      file.write(row.content);
    }
    doc->m_nValue = 5;
    prompt.m_messages.clear();
    EXPECT_FALSE(doc->OnOpenDocument(Path(row.name))) << row.label;
    ASSERT_EQ(prompt.m_messages.size(), 1u) << row.label;
    EXPECT_EQ(prompt.m_messages[0], AfxLoadString(AFX_IDP_FAILED_TO_OPEN_DOC)) << row.label;
    if (!row.content.isNull()) {
      EXPECT_EQ(doc->m_nValue, 0) << row.label << ": nothing half-read stays";
    }
  }
}

TEST_F(DocumentTest, EmptyFileOpensAsAnEmptyDocument) {
  QFile file(dir.filePath("empty.dat"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  doc->m_nValue = 9;
  ASSERT_TRUE(doc->OnOpenDocument(Path("empty.dat")));
  EXPECT_EQ(doc->m_nValue, 0);
  EXPECT_FALSE(doc->IsModified());
}

TEST_F(DocumentTest, SaveAsAsksForThePathAndTakesIt) {
  CScriptedPrompt prompt;
  const CString path = Path("chosen.dat");
  prompt.m_paths.push_back(path);
  doc->m_nValue = 77;
  doc->SetModifiedFlag();
  frame->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS, 0);
  ASSERT_EQ(prompt.m_fileRequests.size(), 1u);
  EXPECT_FALSE(prompt.m_fileRequests[0].bOpen);
  EXPECT_EQ(doc->GetPathName(), path);
  EXPECT_EQ(doc->GetTitle(), L"chosen.dat");
  EXPECT_FALSE(doc->IsModified());
  EXPECT_TRUE(QFile::exists(dir.filePath("chosen.dat")));
  ASSERT_NE(app.GetRecentFileList(), nullptr);
  ASSERT_EQ(app.GetRecentFileList()->GetCount(), 1);
  EXPECT_EQ((*app.GetRecentFileList())[0], path);

  // A cancelled dialog saves nothing.
  doc->SetModifiedFlag();
  frame->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS, 0);
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentTest, SaveModifiedFollowsTheAnswer) {
  CScriptedPrompt prompt;
  struct Row {
    const char* label;
    int answer;
    BOOL result;
    bool saved;
  };
  const Row rows[] = {{"cancel", IDCANCEL, FALSE, false}, {"no", IDNO, TRUE, false}, {"yes", IDYES, TRUE, true}};
  for (const Row& row : rows) {
    doc->SetModifiedFlag();
    prompt.m_answers = {row.answer};
    prompt.m_paths = {Path("answer.dat")};
    EXPECT_EQ(doc->SaveModified(), row.result) << row.label;
    EXPECT_EQ(!doc->IsModified(), row.saved) << row.label;
  }
  doc->SetModifiedFlag(FALSE);
  prompt.m_messages.clear();
  EXPECT_TRUE(doc->SaveModified());
  EXPECT_TRUE(prompt.m_messages.empty()) << "an unmodified document asks nothing";
}

TEST_F(DocumentTest, RecentFileListKeepsFourNewestAcrossRuns) {
  const char* names[] = {"a.dat", "b.dat", "c.dat", "d.dat", "e.dat", "b.dat"};
  for (const char* name : names) app.AddToRecentFileList(Path(name));
  app.ExitInstance();

  // A later run reads the same profile.
  CTestApp secondRun;
  secondRun.InitApplication();
  secondRun.SetRegistryKey(L"Morlan Dalvex");
  secondRun.LoadStdProfileSettings(4);
  CRecentFileList* list = secondRun.GetRecentFileList();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetCount(), 4);
  const char* expected[] = {"b.dat", "e.dat", "d.dat", "c.dat"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ((*list)[i], Path(expected[i])) << i;
  EXPECT_EQ(secondRun.GetProfileString(L"Recent File List", L"File1"), Path("b.dat"));
  EXPECT_TRUE(QFile::exists(dir.filePath("config/Morlan Dalvex/KorvelTest.conf")))
      << "the profile is kept under the registry key";
}

TEST_F(DocumentTest, ProfileValuesPersist) {
  EXPECT_EQ(app.GetProfileInt(L"Settings", L"Count", 17), 17u);
  EXPECT_EQ(app.GetProfileString(L"Settings", L"Name", L"none"), L"none");
  EXPECT_TRUE(app.WriteProfileInt(L"Settings", L"Count", -4));
  EXPECT_TRUE(app.WriteProfileString(L"Settings", L"Name", L"Dalvex"));
  CTestApp other;
  other.InitApplication();
  other.SetRegistryKey(L"Morlan Dalvex");
  EXPECT_EQ(static_cast<int>(other.GetProfileInt(L"Settings", L"Count", 0)), -4);
  EXPECT_EQ(other.GetProfileString(L"Settings", L"Name"), L"Dalvex");
  EXPECT_TRUE(other.WriteProfileString(L"Settings", L"Name", nullptr));
  EXPECT_EQ(app.GetProfileString(L"Settings", L"Name", L"gone"), L"gone");
}

}  // namespace
