#include "platform/core/Archive.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/QtApp.h"
#include "platform/ui/Shell.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class ClipboardTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(AfxEnsureQtApplication()); }
  void TearDown() override { CloseClipboard(); }
};

TEST_F(ClipboardTest, PrivateFormatRoundTripThroughTheSharedFile) {
  const UINT format = RegisterClipboardFormat(L"Korvel Entities");
  ASSERT_GE(format, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat(L"Korvel Entities"), format) << "same name, same id";
  EXPECT_NE(RegisterClipboardFormat(L"Other"), format);
  EXPECT_EQ(AfxGetClipboardMimeType(format), L"application/x-korvel-Korvel Entities");

  // Copy: an archive into a shared file, its block onto the clipboard.
  HGLOBAL hData = nullptr;
  {
    CSharedFile file;
    CArchive ar(&file, CArchive::store);
    ar << 12.5 << -3.25 << static_cast<int32_t>(7);
    ar.Close();
    hData = file.Detach();
  }
  ASSERT_NE(hData, nullptr);
  const size_t size = GlobalSize(hData);
  EXPECT_EQ(size, 8u + 8u + 4u);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr)) << "open once at a time";
  ASSERT_TRUE(EmptyClipboard());
  EXPECT_EQ(SetClipboardData(format, hData), hData);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_TRUE(IsClipboardFormatAvailable(format));
  EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormat(L"Other")));

  // Paste: the block read back into a shared file.
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL hRead = GetClipboardData(format);
  ASSERT_NE(hRead, nullptr);
  ASSERT_EQ(GlobalSize(hRead), size);
  CSharedFile file;
  file.SetHandle(hRead, FALSE);
  CArchive ar(&file, CArchive::load);
  double x = 0;
  double y = 0;
  int32_t n = 0;
  ar >> x >> y >> n;
  EXPECT_EQ(x, 12.5);
  EXPECT_EQ(y, -3.25);
  EXPECT_EQ(n, 7);
  EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr) << "the copy replaced the text";
  CloseClipboard();
}

TEST_F(ClipboardTest, ByteBuffersTextAndMisuse) {
  EXPECT_TRUE(AfxMapClipboardFormat(0xC301, "application/x-korvel-entities"));
  const BYTE bytes[] = {0, 1, 2, 0xFF, 0};
  ASSERT_TRUE(AfxSetClipboardBytes(0xC301, bytes, sizeof(bytes)));
  std::vector<BYTE> back;
  ASSERT_TRUE(AfxGetClipboardBytes(0xC301, back));
  EXPECT_EQ(back, std::vector<BYTE>(bytes, bytes + sizeof(bytes))) << "zero bytes survive";

  const char16_t text[] = u"Korvel";
  ASSERT_TRUE(AfxSetClipboardBytes(CF_UNICODETEXT, text, sizeof(text)));
  EXPECT_FALSE(IsClipboardFormatAvailable(0xC301));
  ASSERT_TRUE(AfxGetClipboardBytes(CF_UNICODETEXT, back));
  ASSERT_EQ(back.size(), sizeof(text));
  EXPECT_EQ(std::memcmp(back.data(), text, sizeof(text)), 0);

  EXPECT_FALSE(AfxSetClipboardBytes(0x1234, bytes, sizeof(bytes))) << "a format without a MIME type";
  EXPECT_FALSE(EmptyClipboard()) << "not open";
  HGLOBAL hBlock = GlobalAlloc(GHND, 4);
  EXPECT_EQ(SetClipboardData(0xC301, hBlock), nullptr) << "not open: the block stays the caller's";
  EXPECT_EQ(GlobalFree(hBlock), nullptr);
  int notABlock = 0;
  EXPECT_EQ(GlobalLock(&notABlock), nullptr);
  EXPECT_EQ(GlobalSize(nullptr), 0u);
  EXPECT_EQ(GlobalFree(&notABlock), static_cast<HGLOBAL>(&notABlock)) << "foreign handles are left alone";
}

TEST(ShellTest, HelpAndOpenGoToTheDesktopOpener) {
  ASSERT_TRUE(AfxEnsureQtApplication());
  std::vector<CString> opened;
  AfxSetDesktopOpener([&opened](const CString& target) {
    opened.push_back(target);
    return true;
  });
  const HWND hwnd = reinterpret_cast<HWND>(&opened);
  EXPECT_EQ(HtmlHelp(hwnd, L"/opt/korvel/help.chm", HH_DISPLAY_TOPIC, 0), hwnd);
  EXPECT_EQ(HtmlHelp(hwnd, L"/opt/korvel/help.chm", HH_HELP_CONTEXT, 1114), hwnd);
  EXPECT_EQ(HtmlHelp(hwnd, L"/opt/korvel/help.chm", HH_CLOSE_ALL, 0), nullptr);
  EXPECT_GT(ShellExecuteW(nullptr, L"open", L"https://example.org/wspx.asp", nullptr, nullptr, SW_SHOW), 32);
  EXPECT_LE(ShellExecuteW(nullptr, L"print", L"/tmp/x.txt", nullptr, nullptr, SW_SHOW), 32);
  const std::vector<CString> expected{CString(L"/opt/korvel/help.chm"), CString(L"/opt/korvel/help.chm#1114"),
                                      CString(L"https://example.org/wspx.asp")};
  EXPECT_EQ(opened, expected);
  AfxSetDesktopOpener(nullptr);
}

}  // namespace
