#pragma once
// Wide string of the class library. Characters are wchar_t (UTF-32 here); archives
// store them as UTF-16, converted at the archive boundary. Narrow `const char*` input
// is taken as UTF-8.

#include "platform/core/WinTypes.h"

#include <cstdarg>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

class CString {
public:
  CString() = default;
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  CString(LPCWSTR psz) : m_str(psz != nullptr ? psz : L"") {}  // NOLINT: implicit as in the class library
  CString(LPCWSTR pch, int nLength) : m_str(pch != nullptr && nLength > 0 ? std::wstring(pch, nLength) : std::wstring()) {}
  CString(const char* pszUtf8);  // NOLINT
  explicit CString(wchar_t ch, int nRepeat = 1) : m_str(nRepeat > 0 ? static_cast<size_t>(nRepeat) : 0, ch) {}
  explicit CString(std::wstring s) : m_str(std::move(s)) {}
  explicit CString(std::wstring_view s) : m_str(s) {}

  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;
  CString& operator=(LPCWSTR psz) {
    m_str = psz != nullptr ? psz : L"";
    return *this;
  }
  CString& operator=(const char* pszUtf8);
  CString& operator=(wchar_t ch) {
    m_str.assign(1, ch);
    return *this;
  }

  int GetLength() const { return static_cast<int>(m_str.size()); }
  bool IsEmpty() const { return m_str.empty(); }
  void Empty() { m_str.clear(); }
  wchar_t GetAt(int nIndex) const { return m_str[static_cast<size_t>(nIndex)]; }
  void SetAt(int nIndex, wchar_t ch) { m_str[static_cast<size_t>(nIndex)] = ch; }
  wchar_t operator[](int nIndex) const { return GetAt(nIndex); }
  LPCWSTR GetString() const { return m_str.c_str(); }
  operator LPCWSTR() const { return m_str.c_str(); }  // NOLINT: as in the class library
  const std::wstring& str() const { return m_str; }

  // Writable buffer of at least nMinBufLength characters; ReleaseBuffer(-1) takes the
  // length up to the first null.
  LPWSTR GetBuffer(int nMinBufLength = 0);
  LPWSTR GetBufferSetLength(int nNewLength);
  void ReleaseBuffer(int nNewLength = -1);

  CString& operator+=(const CString& s) {
    m_str += s.m_str;
    return *this;
  }
  CString& operator+=(LPCWSTR psz) {
    if (psz != nullptr) m_str += psz;
    return *this;
  }
  CString& operator+=(wchar_t ch) {
    m_str += ch;
    return *this;
  }
  void Append(LPCWSTR psz) { *this += psz; }
  void AppendChar(wchar_t ch) { m_str += ch; }

  int Compare(LPCWSTR psz) const;
  int CompareNoCase(LPCWSTR psz) const;

  // Printf-style formatting with the class library's wide conventions: %s and %c take
  // wide arguments, %hs/%S and %hc/%C narrow ones, %I64d a 64-bit integer.
  void Format(LPCWSTR pszFormat, ...);
  void AppendFormat(LPCWSTR pszFormat, ...);
  void FormatV(LPCWSTR pszFormat, va_list args);

  // Substrings; counts and positions are clamped to the string.
  CString Left(int nCount) const;
  CString Right(int nCount) const;
  CString Mid(int iFirst) const;
  CString Mid(int iFirst, int nCount) const;

  // Positions of the first match at or after iStart, or -1.
  int Find(wchar_t ch, int iStart = 0) const;
  int Find(LPCWSTR pszSub, int iStart = 0) const;
  int ReverseFind(wchar_t ch) const;
  int FindOneOf(LPCWSTR pszCharSet) const;

  int Replace(wchar_t chOld, wchar_t chNew);
  int Replace(LPCWSTR pszOld, LPCWSTR pszNew);
  int Remove(wchar_t ch);
  int Insert(int iIndex, wchar_t ch);
  int Insert(int iIndex, LPCWSTR psz);
  int Delete(int iIndex, int nCount = 1);

  // Case mapping of the C locale (ASCII letters).
  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();

  CString& Trim();
  CString& Trim(wchar_t chTarget);
  CString& Trim(LPCWSTR pszTargets);
  CString& TrimLeft();
  CString& TrimLeft(wchar_t chTarget);
  CString& TrimLeft(LPCWSTR pszTargets);
  CString& TrimRight();
  CString& TrimRight(wchar_t chTarget);
  CString& TrimRight(LPCWSTR pszTargets);

  // Next token after iStart delimited by any of pszTokens; iStart becomes -1 at the end.
  CString Tokenize(LPCWSTR pszTokens, int& iStart) const;

  std::string ToUtf8() const;
  static CString FromUtf8(std::string_view utf8);

  friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
  friend bool operator==(const CString& a, LPCWSTR b) { return a.m_str == (b != nullptr ? b : L""); }
  friend auto operator<=>(const CString& a, const CString& b) { return a.m_str <=> b.m_str; }
  friend auto operator<=>(const CString& a, LPCWSTR b) { return a.m_str <=> std::wstring_view(b != nullptr ? b : L""); }

private:
  std::wstring m_str;
};

inline CString operator+(const CString& a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}
inline CString operator+(const CString& a, LPCWSTR b) {
  CString r(a);
  r += b;
  return r;
}
inline CString operator+(LPCWSTR a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}
inline CString operator+(const CString& a, wchar_t ch) {
  CString r(a);
  r += ch;
  return r;
}
inline CString operator+(wchar_t ch, const CString& b) {
  CString r(ch);
  r += b;
  return r;
}

using CStringW = CString;

// Writes the string as UTF-8 (diagnostics and test messages).
std::ostream& operator<<(std::ostream& os, const CString& s);

// UTF-8 <-> wide conversions; invalid sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
// UTF-16 code units <-> wide characters; unpaired surrogates are kept as they are.
std::u16string WideToUtf16(std::wstring_view wide);
std::wstring Utf16ToWide(std::u16string_view utf16);
// Decodes bytes of code page 936 (GBK); undecodable bytes become U+FFFD.
std::wstring Cp936ToWide(std::string_view bytes);

template <>
struct std::hash<CString> {
  size_t operator()(const CString& s) const noexcept { return std::hash<std::wstring>()(s.str()); }
};
