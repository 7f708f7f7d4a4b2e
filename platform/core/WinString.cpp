#include "platform/core/WinString.h"

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <cwctype>
#include <iconv.h>
#include <ostream>
#include <vector>

namespace {

constexpr wchar_t kReplacement = 0xFFFD;
constexpr LPCWSTR kWhitespace = L" \t\r\n\v\f";

size_t Clamp(int v, size_t hi) { return v < 0 ? 0 : std::min(static_cast<size_t>(v), hi); }

bool IsNarrowLength(std::wstring_view spec) { return spec.find(L'h') != std::wstring_view::npos; }

// Rewrites a format from the class library's wide conventions into the C library's:
// there %s in a wide format takes a wide string, here it takes a narrow one.
std::wstring TranslateFormat(LPCWSTR fmt) {
  std::wstring out;
  const std::wstring_view f(fmt);
  out.reserve(f.size() + 8);
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != L'%') {
      out += f[i];
      continue;
    }
    if (i + 1 < f.size() && f[i + 1] == L'%') {
      out += L"%%";
      ++i;
      continue;
    }
    // Flags, width and precision pass through unchanged.
    size_t j = i + 1;
    while (j < f.size() && std::wcschr(L"-+ #0123456789.*", f[j]) != nullptr) ++j;
    const size_t lengthStart = j;
    while (j < f.size() && std::wcschr(L"hlLqjztI", f[j]) != nullptr) {
      if (f[j] == L'I') {
        if (f.compare(j, 3, L"I64") == 0 || f.compare(j, 3, L"I32") == 0) j += 2;
      }
      ++j;
    }
    if (j >= f.size()) {
      out.append(f.substr(i));
      break;
    }
    std::wstring length(f.substr(lengthStart, j - lengthStart));
    const wchar_t conv = f[j];
    out.append(f.substr(i, lengthStart - i));
    if (length == L"I64")
      out += L"ll";
    else if (length == L"I32")
      ;
    else if (length == L"I")
      out += L"z";
    else if (conv == L's' || conv == L'c' || conv == L'S' || conv == L'C')
      ;
    else
      out += length;
    switch (conv) {
      case L's': out += IsNarrowLength(length) ? L"s" : L"ls"; break;
      case L'c': out += IsNarrowLength(length) ? L"c" : L"lc"; break;
      case L'S': out += length.find(L'l') != std::wstring::npos ? L"ls" : L"s"; break;
      case L'C': out += length.find(L'l') != std::wstring::npos ? L"lc" : L"c"; break;
      default: out += conv; break;
    }
    i = j;
  }
  return out;
}

bool InSet(wchar_t ch, LPCWSTR set) { return set != nullptr && ch != 0 && std::wcschr(set, ch) != nullptr; }

}  // namespace

std::wstring Utf8ToWide(std::string_view s) {
  std::wstring out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += static_cast<wchar_t>(c);
      ++i;
      continue;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07, min = 0x10000;
    } else {
      out += kReplacement;
      ++i;
      continue;
    }
    size_t k = 1;
    for (; k <= static_cast<size_t>(extra); ++k) {
      if (i + k >= s.size()) break;
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) break;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (k <= static_cast<size_t>(extra) || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += kReplacement;
      i += k;
      continue;
    }
    out += static_cast<wchar_t>(cp);
    i += k;
  }
  return out;
}

std::string WideToUtf8(std::wstring_view w) {
  std::string out;
  out.reserve(w.size());
  for (wchar_t wc : w) {
    auto cp = static_cast<char32_t>(wc);
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::u16string WideToUtf16(std::wstring_view w) {
  std::u16string out;
  out.reserve(w.size());
  for (wchar_t wc : w) {
    auto cp = static_cast<char32_t>(wc);
    if (cp > 0x10FFFF) cp = kReplacement;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::wstring Utf16ToWide(std::u16string_view u) {
  std::wstring out;
  out.reserve(u.size());
  for (size_t i = 0; i < u.size(); ++i) {
    const char16_t c = u[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] <= 0xDFFF) {
      out += static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00));
      ++i;
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

std::wstring Cp936ToWide(std::string_view bytes) {
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::wstring(bytes.begin(), bytes.end());
  iconv_t cd = iconv_open("UTF-32LE", "CP936");
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-32LE", "GBK");
  std::wstring out;
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : kReplacement;
    return out;
  }
  out.reserve(bytes.size());
  std::vector<char> in(bytes.begin(), bytes.end());
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char32_t chunk[256];
  while (inLeft > 0) {
    char* outPtr = reinterpret_cast<char*>(chunk);
    size_t outLeft = sizeof(chunk);
    const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    const size_t produced = (sizeof(chunk) - outLeft) / sizeof(char32_t);
    for (size_t k = 0; k < produced; ++k) out += static_cast<wchar_t>(chunk[k]);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // Invalid or cut-off sequence: mark it and resynchronise on the next byte.
      out += kReplacement;
      ++inPtr;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

CString::CString(const char* pszUtf8) : m_str(pszUtf8 != nullptr ? Utf8ToWide(pszUtf8) : std::wstring()) {}

CString& CString::operator=(const char* pszUtf8) {
  m_str = pszUtf8 != nullptr ? Utf8ToWide(pszUtf8) : std::wstring();
  return *this;
}

std::ostream& operator<<(std::ostream& os, const CString& s) { return os << s.ToUtf8(); }

std::string CString::ToUtf8() const { return WideToUtf8(m_str); }

CString CString::FromUtf8(std::string_view utf8) { return CString(Utf8ToWide(utf8)); }

LPWSTR CString::GetBuffer(int nMinBufLength) {
  if (nMinBufLength > GetLength()) m_str.resize(static_cast<size_t>(nMinBufLength));
  return m_str.data();
}

LPWSTR CString::GetBufferSetLength(int nNewLength) {
  m_str.resize(nNewLength > 0 ? static_cast<size_t>(nNewLength) : 0);
  return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength) {
  if (nNewLength < 0)
    m_str.resize(std::wcslen(m_str.c_str()));
  else
    m_str.resize(std::min(static_cast<size_t>(nNewLength), m_str.size()));
}

int CString::Compare(LPCWSTR psz) const {
  const int c = m_str.compare(psz != nullptr ? psz : L"");
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CString::CompareNoCase(LPCWSTR psz) const {
  CString a(*this), b(psz);
  return a.MakeLower().Compare(b.MakeLower());
}

void CString::FormatV(LPCWSTR pszFormat, va_list args) {
  m_str.clear();
  if (pszFormat == nullptr) return;
  const std::wstring fmt = TranslateFormat(pszFormat);
  std::vector<wchar_t> buf(256);
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vswprintf(buf.data(), buf.size(), fmt.c_str(), copy);
    va_end(copy);
    if (n >= 0 && static_cast<size_t>(n) < buf.size()) {
      m_str.assign(buf.data(), static_cast<size_t>(n));
      return;
    }
    // vswprintf does not tell the needed size; give up on absurd sizes (a bad format).
    if (buf.size() >= (size_t{1} << 26)) return;
    buf.resize(buf.size() * 4);
  }
}

void CString::Format(LPCWSTR pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  FormatV(pszFormat, args);
  va_end(args);
}

void CString::AppendFormat(LPCWSTR pszFormat, ...) {
  CString tail;
  va_list args;
  va_start(args, pszFormat);
  tail.FormatV(pszFormat, args);
  va_end(args);
  m_str += tail.m_str;
}

CString CString::Left(int nCount) const { return CString(m_str.substr(0, Clamp(nCount, m_str.size()))); }

CString CString::Right(int nCount) const {
  const size_t n = Clamp(nCount, m_str.size());
  return CString(m_str.substr(m_str.size() - n));
}

CString CString::Mid(int iFirst) const { return Mid(iFirst, GetLength()); }

CString CString::Mid(int iFirst, int nCount) const {
  const size_t first = Clamp(iFirst, m_str.size());
  return CString(m_str.substr(first, Clamp(nCount, m_str.size() - first)));
}

int CString::Find(wchar_t ch, int iStart) const {
  if (iStart < 0 || static_cast<size_t>(iStart) > m_str.size()) return -1;
  const size_t p = m_str.find(ch, static_cast<size_t>(iStart));
  return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::Find(LPCWSTR pszSub, int iStart) const {
  if (pszSub == nullptr || iStart < 0 || static_cast<size_t>(iStart) > m_str.size()) return -1;
  const size_t p = m_str.find(pszSub, static_cast<size_t>(iStart));
  return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(wchar_t ch) const {
  const size_t p = m_str.rfind(ch);
  return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::FindOneOf(LPCWSTR pszCharSet) const {
  if (pszCharSet == nullptr) return -1;
  const size_t p = m_str.find_first_of(pszCharSet);
  return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::Replace(wchar_t chOld, wchar_t chNew) {
  int n = 0;
  for (wchar_t& c : m_str) {
    if (c == chOld) {
      c = chNew;
      ++n;
    }
  }
  return n;
}

int CString::Replace(LPCWSTR pszOld, LPCWSTR pszNew) {
  if (pszOld == nullptr || *pszOld == 0) return 0;
  const std::wstring_view from(pszOld);
  const std::wstring_view to(pszNew != nullptr ? pszNew : L"");
  std::wstring out;
  int n = 0;
  size_t pos = 0;
  for (;;) {
    const size_t hit = m_str.find(from, pos);
    if (hit == std::wstring::npos) break;
    out.append(m_str, pos, hit - pos);
    out.append(to);
    pos = hit + from.size();
    ++n;
  }
  if (n == 0) return 0;
  out.append(m_str, pos);
  m_str = std::move(out);
  return n;
}

int CString::Remove(wchar_t ch) {
  const size_t before = m_str.size();
  m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
  return static_cast<int>(before - m_str.size());
}

int CString::Insert(int iIndex, wchar_t ch) {
  m_str.insert(Clamp(iIndex, m_str.size()), 1, ch);
  return GetLength();
}

int CString::Insert(int iIndex, LPCWSTR psz) {
  if (psz != nullptr) m_str.insert(Clamp(iIndex, m_str.size()), psz);
  return GetLength();
}

int CString::Delete(int iIndex, int nCount) {
  const size_t first = Clamp(iIndex, m_str.size());
  m_str.erase(first, Clamp(nCount, m_str.size() - first));
  return GetLength();
}

CString& CString::MakeUpper() {
  for (wchar_t& c : m_str) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return *this;
}

CString& CString::MakeLower() {
  for (wchar_t& c : m_str) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return *this;
}

CString& CString::MakeReverse() {
  std::reverse(m_str.begin(), m_str.end());
  return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(wchar_t chTarget) { return TrimRight(chTarget).TrimLeft(chTarget); }
CString& CString::Trim(LPCWSTR pszTargets) { return TrimRight(pszTargets).TrimLeft(pszTargets); }
CString& CString::TrimLeft() { return TrimLeft(kWhitespace); }
CString& CString::TrimRight() { return TrimRight(kWhitespace); }

CString& CString::TrimLeft(wchar_t chTarget) {
  const wchar_t set[2] = {chTarget, 0};
  return TrimLeft(set);
}

CString& CString::TrimRight(wchar_t chTarget) {
  const wchar_t set[2] = {chTarget, 0};
  return TrimRight(set);
}

CString& CString::TrimLeft(LPCWSTR pszTargets) {
  size_t i = 0;
  while (i < m_str.size() && InSet(m_str[i], pszTargets)) ++i;
  m_str.erase(0, i);
  return *this;
}

CString& CString::TrimRight(LPCWSTR pszTargets) {
  size_t n = m_str.size();
  while (n > 0 && InSet(m_str[n - 1], pszTargets)) --n;
  m_str.resize(n);
  return *this;
}

CString CString::Tokenize(LPCWSTR pszTokens, int& iStart) const {
  if (iStart < 0 || static_cast<size_t>(iStart) >= m_str.size()) {
    iStart = -1;
    return CString();
  }
  const std::wstring_view set(pszTokens != nullptr ? pszTokens : L"");
  size_t first = m_str.find_first_not_of(set, static_cast<size_t>(iStart));
  if (first == std::wstring::npos) {
    iStart = -1;
    return CString();
  }
  size_t last = m_str.find_first_of(set, first);
  if (last == std::wstring::npos) last = m_str.size();
  iStart = static_cast<int>(std::min(last + 1, m_str.size() + 1));
  return CString(m_str.substr(first, last - first));
}
