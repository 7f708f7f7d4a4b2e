#include "platform/core/Archive.h"
#include "platform/core/WinString.h"
#include "platform/core/tests/TestClasses.h"

#include <gtest/gtest.h>

namespace {

TEST(WinStringRecord, GoldenBytes) {
  struct Case {
    const char* label;
    CString text;
    Bytes want;
  };
  Bytes empty = {0xFF, 0xFE, 0xFF, 0x00};
  Bytes ascii = {0xFF, 0xFE, 0xFF, 0x03, 'a', 0, 'b', 0, 'c', 0};
  Bytes chinese = {0xFF, 0xFE, 0xFF, 0x02, 0xFE, 0x56, 0x42, 0x5C};  // 图层
  Bytes astral = {0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 0x00, 0xDE};   // U+1F600 as a surrogate pair
  Bytes len300 = {0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01};
  for (int i = 0; i < 300; ++i) Append(len300, {'x', 0});
  Bytes len70000 = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00};
  for (int i = 0; i < 70000; ++i) Append(len70000, {'y', 0});
  const Case cases[] = {
      {"empty", CString(), empty},
      {"ascii", CString(L"abc"), ascii},
      {"chinese", CString(L"图层"), chinese},
      {"outside the basic plane", CString(std::wstring(1, static_cast<wchar_t>(0x1F600))), astral},
      {"length 300 (word prefix)", CString(L'x', 300), len300},
      {"length 70000 (dword prefix)", CString(L'y', 70000), len70000},
  };
  for (const Case& c : cases) {
    const Bytes got = StoreBytes([&](CArchive& ar) { ar << c.text; });
    EXPECT_EQ(got, c.want) << c.label;
    CString back(L"previous");
    LoadBytes(got, [&](CArchive& ar) { ar >> back; });
    EXPECT_EQ(back, c.text) << c.label << " round trip";
  }
}

TEST(WinStringRecord, ReadsLegacyEightBitStringsAsCodePage936) {
  struct Case {
    const char* label;
    Bytes bytes;
    CString want;
  };
  Bytes longAscii = {0xFF, 0x2C, 0x01};
  for (int i = 0; i < 300; ++i) longAscii.push_back('q');
  Bytes markerLong = {0xFF, 0xFE, 0xFF, 0xFF, 0x02, 0x00, 'h', 0, 'i', 0};  // word length after the marker
  const Case cases[] = {
      {"gbk chinese", {0x04, 0xCD, 0xBC, 0xB2, 0xE3}, CString(L"图层")},
      {"ascii", {0x05, 'H', 'e', 'l', 'l', 'o'}, CString(L"Hello")},
      {"mixed", {0x05, 'A', 0xCD, 0xBC, 'B', 0xB2}, CString(L"A图B\uFFFD")},
      {"empty", {0x00}, CString()},
      {"word length", longAscii, CString(L'q', 300)},
      {"unicode with word length", markerLong, CString(L"hi")},
  };
  for (const Case& c : cases) {
    CString got;
    LoadBytes(c.bytes, [&](CArchive& ar) { ar >> got; });
    EXPECT_EQ(got, c.want) << c.label;
  }
}

TEST(WinStringRecord, LengthsBeyondTheDataAreRejected) {
  const Bytes cases[] = {
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0},  // 2^31 units, 1 present
      {0xFF, 0xFE, 0xFF, 0x05, 'a', 0},
      {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x10},
      {0x03, 'a'},
      {0xFF, 0xFE},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    int cause = -1;
    try {
      CString s;
      LoadBytes(cases[i], [&](CArchive& ar) { ar >> s; });
    } catch (const CArchiveException& e) {
      cause = e.m_cause;
    }
    EXPECT_EQ(cause, CArchiveException::endOfFile) << "case " << i;
  }
}

TEST(WinString, SubstringsClampAndSearch) {
  const CString s(L"Hello, World");
  EXPECT_EQ(s.GetLength(), 12);
  EXPECT_EQ(s.Left(5), L"Hello");
  EXPECT_EQ(s.Left(50), s);
  EXPECT_EQ(s.Left(-1), L"");
  EXPECT_EQ(s.Right(5), L"World");
  EXPECT_EQ(s.Right(99), s);
  EXPECT_EQ(s.Mid(7), L"World");
  EXPECT_EQ(s.Mid(7, 2), L"Wo");
  EXPECT_EQ(s.Mid(40), L"");
  EXPECT_EQ(s.Mid(-3, 2), L"He");
  EXPECT_EQ(s.Find(L'o'), 4);
  EXPECT_EQ(s.Find(L'o', 5), 8);
  EXPECT_EQ(s.Find(L"World"), 7);
  EXPECT_EQ(s.Find(L"world"), -1);
  EXPECT_EQ(s.Find(L'o', 99), -1);
  EXPECT_EQ(s.ReverseFind(L'o'), 8);
  EXPECT_EQ(s.FindOneOf(L",W"), 5);
}

TEST(WinString, EditingAndCase) {
  CString s(L"  a.b.c \t");
  s.Trim();
  EXPECT_EQ(s, L"a.b.c");
  EXPECT_EQ(s.Replace(L".", L"::"), 2);
  EXPECT_EQ(s, L"a::b::c");
  EXPECT_EQ(s.Remove(L':'), 4);
  EXPECT_EQ(s, L"abc");
  s.Insert(1, L"XY");
  s.Delete(0);
  EXPECT_EQ(s, L"XYbc");
  s.MakeLower();
  EXPECT_EQ(s, L"xybc");
  s.MakeUpper();
  EXPECT_EQ(s, L"XYBC");
  CString t(L"xxabcxx");
  t.TrimLeft(L'x');
  EXPECT_EQ(t, L"abcxx");
  t.TrimRight(L"x");
  EXPECT_EQ(t, L"abc");
  EXPECT_EQ(CString(L"abc").CompareNoCase(L"ABC"), 0);
  EXPECT_LT(CString(L"abc"), CString(L"abd"));
  EXPECT_TRUE(CString(L"a") + L"b" + CString(L"c") + L'd' == L"abcd");
  CString buf;
  wchar_t* p = buf.GetBuffer(10);
  p[0] = L'o', p[1] = L'k', p[2] = 0;
  buf.ReleaseBuffer();
  EXPECT_EQ(buf, L"ok");
  int pos = 0;
  const CString list(L"a,,b;c");
  EXPECT_EQ(list.Tokenize(L",;", pos), L"a");
  EXPECT_EQ(list.Tokenize(L",;", pos), L"b");
  EXPECT_EQ(list.Tokenize(L",;", pos), L"c");
  EXPECT_EQ(list.Tokenize(L",;", pos), L"");
  EXPECT_EQ(pos, -1);
}

TEST(WinString, FormatFollowsWideConventions) {
  struct Case {
    const char* label;
    CString got;
    const wchar_t* want;
  };
  CString a, b, c, d, e;
  const CString thousand(L'z', 1000);
  a.Format(L"%s=%d", L"n", 42);
  b.Format(L"%5.2f|%-3c|%%", 3.14159, L'x');
  c.Format(L"%hs/%S/%ls", "narrow", "also", L"wide");
  d.Format(L"%I64d %x", 1234567890123LL, 255u);
  e.Format(L"%s", thousand.GetString());
  const Case cases[] = {
      {"wide %s", a, L"n=42"},
      {"float and char", b, L" 3.14|x  |%"},
      {"narrow and wide strings", c, L"narrow/also/wide"},
      {"64-bit", d, L"1234567890123 ff"},
      {"long output", e, thousand.GetString()},
  };
  for (const Case& k : cases) EXPECT_EQ(k.got, k.want) << k.label;
  a.AppendFormat(L"+%d", 1);
  EXPECT_EQ(a, L"n=42+1");
}

TEST(WinString, Utf8ConversionsRoundTrip) {
  const std::string utf8 = "Layer 图层 \xF0\x9F\x98\x80";
  const CString s = CString::FromUtf8(utf8);
  EXPECT_EQ(s.GetLength(), 10);
  EXPECT_EQ(s.ToUtf8(), utf8);
  EXPECT_EQ(CString("plain"), L"plain");
  // Invalid input becomes replacement characters instead of failing.
  EXPECT_EQ(CString::FromUtf8("a\xC3(b\xFF"), L"a\uFFFD(b\uFFFD");
}

}  // namespace
