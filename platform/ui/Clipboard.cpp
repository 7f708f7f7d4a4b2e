#include "platform/ui/Clipboard.h"

#include "platform/ui/QtApp.h"
#include "platform/ui/QtConvert.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_set>

IMPLEMENT_DYNAMIC(CSharedFile, CMemFile)

namespace {

// A block: its size, then its bytes.
struct BlockHeader {
  std::size_t size;
  std::size_t reserved;  // keeps the bytes 16-byte aligned
};

std::unordered_set<HGLOBAL>& LiveBlocks() {
  static std::unordered_set<HGLOBAL> blocks;
  return blocks;
}

BlockHeader* Header(HGLOBAL h) {
  return h != nullptr && LiveBlocks().count(h) != 0 ? static_cast<BlockHeader*>(h) : nullptr;
}

HGLOBAL BlockFromBytes(const void* pData, std::size_t nBytes) {
  HGLOBAL h = GlobalAlloc(GHND, nBytes);
  if (h != nullptr && nBytes > 0) std::memcpy(GlobalLock(h), pData, nBytes);
  return h;
}

struct ClipboardState {
  bool bOpen = false;
  std::unique_ptr<QMimeData> pending;      // formats set since EmptyClipboard
  std::map<UINT, HGLOBAL> owned;           // blocks the clipboard took over or handed out
  std::map<UINT, QString> mimeTypes;       // format id → MIME type
  std::map<QString, UINT> registered;      // registered names → ids
  UINT nNextFormat = 0xC000;
};

ClipboardState& State() {
  static ClipboardState state;
  return state;
}

void FreeOwned(UINT nFormat) {
  auto it = State().owned.find(nFormat);
  if (it == State().owned.end()) return;
  GlobalFree(it->second);
  State().owned.erase(it);
}

QClipboard* Clipboard() {
  if (!AfxEnsureQtApplication()) return nullptr;
  return QGuiApplication::clipboard();
}

QString MimeOf(UINT nFormat) {
  auto it = State().mimeTypes.find(nFormat);
  return it != State().mimeTypes.end() ? it->second : QString();
}

// Puts bytes of a format into mime data.
bool PutBytes(QMimeData& mime, UINT nFormat, const BYTE* pData, std::size_t nBytes) {
  if (nFormat == CF_UNICODETEXT) {
    // Zero-terminated UTF-16; whatever follows the terminator is not text.
    std::size_t units = nBytes / 2;
    std::vector<char16_t> text(units);
    if (units > 0) std::memcpy(text.data(), pData, units * 2);
    std::size_t length = 0;
    while (length < units && text[length] != 0) ++length;
    mime.setText(QString::fromUtf16(text.data(), static_cast<qsizetype>(length)));
    return true;
  }
  if (nFormat == CF_TEXT) {
    std::size_t length = 0;
    while (length < nBytes && pData[length] != 0) ++length;
    mime.setText(QString::fromLocal8Bit(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(length)));
    return true;
  }
  const QString mimeType = MimeOf(nFormat);
  if (mimeType.isEmpty()) return false;
  mime.setData(mimeType, QByteArray(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(nBytes)));
  return true;
}

bool TakeBytes(UINT nFormat, std::vector<BYTE>& rBytes) {
  QClipboard* pClipboard = Clipboard();
  const QMimeData* mime = pClipboard != nullptr ? pClipboard->mimeData() : nullptr;
  if (mime == nullptr) return false;
  if (nFormat == CF_UNICODETEXT || nFormat == CF_TEXT) {
    if (!mime->hasText()) return false;
    const QString text = mime->text();
    if (nFormat == CF_UNICODETEXT) {
      rBytes.resize(static_cast<std::size_t>(text.size() + 1) * 2);
      std::memcpy(rBytes.data(), text.utf16(), static_cast<std::size_t>(text.size() + 1) * 2);
    } else {
      const QByteArray bytes = text.toLocal8Bit();
      rBytes.assign(bytes.begin(), bytes.end());
      rBytes.push_back(0);
    }
    return true;
  }
  const QString mimeType = MimeOf(nFormat);
  if (mimeType.isEmpty() || !mime->hasFormat(mimeType)) return false;
  const QByteArray bytes = mime->data(mimeType);
  rBytes.assign(bytes.begin(), bytes.end());
  return true;
}

void CopyMime(QMimeData& to, const QMimeData& from) {
  for (const QString& format : from.formats()) to.setData(format, from.data(format));
  if (from.hasText()) to.setText(from.text());
}

}  // namespace

HGLOBAL GlobalAlloc(UINT, std::size_t dwBytes) {
  if (dwBytes > (std::size_t{1} << 40)) return nullptr;
  void* p = std::calloc(1, sizeof(BlockHeader) + dwBytes);
  if (p == nullptr) return nullptr;
  static_cast<BlockHeader*>(p)->size = dwBytes;
  LiveBlocks().insert(p);
  return p;
}

void* GlobalLock(HGLOBAL hMem) {
  BlockHeader* h = Header(hMem);
  return h != nullptr ? static_cast<void*>(h + 1) : nullptr;
}

BOOL GlobalUnlock(HGLOBAL hMem) { return Header(hMem) != nullptr ? TRUE : FALSE; }

std::size_t GlobalSize(HGLOBAL hMem) {
  BlockHeader* h = Header(hMem);
  return h != nullptr ? h->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
  if (Header(hMem) == nullptr) return hMem;
  LiveBlocks().erase(hMem);
  std::free(hMem);
  return nullptr;
}

UINT RegisterClipboardFormat(LPCTSTR lpszFormat) {
  if (lpszFormat == nullptr || *lpszFormat == L'\0') return 0;
  const QString name = ToQString(lpszFormat);
  auto it = State().registered.find(name);
  if (it != State().registered.end()) return it->second;
  if (State().nNextFormat > 0xFFFF) return 0;
  const UINT nFormat = State().nNextFormat++;
  State().registered[name] = nFormat;
  State().mimeTypes[nFormat] =
      name.contains(QLatin1Char('/')) ? name : QStringLiteral("application/x-korvel-") + name;
  return nFormat;
}

BOOL AfxMapClipboardFormat(UINT nFormat, const char* pszMimeType) {
  if (nFormat == 0 || nFormat == CF_TEXT || nFormat == CF_UNICODETEXT || pszMimeType == nullptr ||
      *pszMimeType == '\0') {
    return FALSE;
  }
  State().mimeTypes[nFormat] = QString::fromUtf8(pszMimeType);
  return TRUE;
}

CString AfxGetClipboardMimeType(UINT nFormat) {
  if (nFormat == CF_TEXT || nFormat == CF_UNICODETEXT) return CString(L"text/plain");
  return FromQString(MimeOf(nFormat));
}

BOOL OpenClipboard(HWND) {
  if (State().bOpen || Clipboard() == nullptr) return FALSE;
  State().bOpen = true;
  return TRUE;
}

BOOL CloseClipboard() {
  if (!State().bOpen) return FALSE;
  State().bOpen = false;
  State().pending.reset();
  // Blocks given to or taken from the clipboard are not to be used once it is closed.
  while (!State().owned.empty()) FreeOwned(State().owned.begin()->first);
  return TRUE;
}

BOOL EmptyClipboard() {
  if (!State().bOpen) return FALSE;
  while (!State().owned.empty()) FreeOwned(State().owned.begin()->first);
  State().pending = std::make_unique<QMimeData>();
  Clipboard()->clear();
  return TRUE;
}

HGLOBAL SetClipboardData(UINT uFormat, HGLOBAL hMem) {
  if (!State().bOpen || Header(hMem) == nullptr) return nullptr;
  if (State().pending == nullptr) {
    // Adding to what is there: start from the clipboard's present contents.
    State().pending = std::make_unique<QMimeData>();
    if (const QMimeData* current = Clipboard()->mimeData()) CopyMime(*State().pending, *current);
  }
  if (!PutBytes(*State().pending, uFormat, static_cast<const BYTE*>(GlobalLock(hMem)), GlobalSize(hMem))) {
    return nullptr;
  }
  auto copy = std::make_unique<QMimeData>();
  CopyMime(*copy, *State().pending);
  Clipboard()->setMimeData(copy.release());  // the clipboard owns it
  if (State().owned[uFormat] != hMem) FreeOwned(uFormat);
  State().owned[uFormat] = hMem;
  return hMem;
}

HGLOBAL GetClipboardData(UINT uFormat) {
  if (!State().bOpen) return nullptr;
  std::vector<BYTE> bytes;
  if (!TakeBytes(uFormat, bytes)) return nullptr;
  FreeOwned(uFormat);
  HGLOBAL h = BlockFromBytes(bytes.data(), bytes.size());
  if (h != nullptr) State().owned[uFormat] = h;
  return h;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  QClipboard* pClipboard = Clipboard();
  const QMimeData* mime = pClipboard != nullptr ? pClipboard->mimeData() : nullptr;
  if (mime == nullptr) return FALSE;
  if (format == CF_TEXT || format == CF_UNICODETEXT) return mime->hasText() ? TRUE : FALSE;
  const QString mimeType = MimeOf(format);
  return !mimeType.isEmpty() && mime->hasFormat(mimeType) ? TRUE : FALSE;
}

BOOL AfxSetClipboardBytes(UINT uFormat, const void* pData, std::size_t nBytes) {
  if (pData == nullptr && nBytes > 0) return FALSE;
  const bool bWasOpen = State().bOpen;
  if (!bWasOpen && !OpenClipboard(nullptr)) return FALSE;
  EmptyClipboard();
  HGLOBAL h = BlockFromBytes(pData, nBytes);
  const bool ok = h != nullptr && SetClipboardData(uFormat, h) != nullptr;
  if (!ok) GlobalFree(h);
  if (!bWasOpen) CloseClipboard();
  return ok ? TRUE : FALSE;
}

BOOL AfxGetClipboardBytes(UINT uFormat, std::vector<BYTE>& rBytes) {
  rBytes.clear();
  return TakeBytes(uFormat, rBytes) ? TRUE : FALSE;
}

CSharedFile::CSharedFile(UINT, UINT nGrowBytes) : CMemFile(nGrowBytes) {}

CSharedFile::~CSharedFile() = default;

HGLOBAL CSharedFile::Detach() {
  const std::size_t nBytes = static_cast<std::size_t>(GetLength());
  if (nBytes == 0) return nullptr;
  HGLOBAL h = BlockFromBytes(GetData(), nBytes);
  SetLength(0);
  return h;
}

void CSharedFile::SetHandle(HGLOBAL hGlobalMemory, BOOL) {
  SetLength(0);
  const std::size_t nBytes = GlobalSize(hGlobalMemory);
  if (nBytes > 0 && nBytes <= 0xFFFFFFFFu) Write(GlobalLock(hGlobalMemory), static_cast<UINT>(nBytes));
  SeekToBegin();
}
