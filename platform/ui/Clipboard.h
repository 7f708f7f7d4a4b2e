#pragma once
// The clipboard over QClipboard, with the platform's calls: formats by id (private
// formats carry a MIME type of their own), memory blocks by handle, and a memory
// file whose block can be handed to the clipboard.
//
// Blocks handed to SetClipboardData belong to the clipboard from then on (their
// bytes are copied at once); blocks returned by GetClipboardData belong to it too.
// Neither may be used after EmptyClipboard or CloseClipboard, as on the platform.

#include "platform/core/File.h"
#include "platform/ui/UiTypes.h"

#include <cstddef>
#include <vector>

// Movable memory blocks (what the clipboard exchanges).
using HGLOBAL = void*;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GMEM_SHARE = 0x2000;

// Null for a size the allocator refuses; the block is zeroed.
HGLOBAL GlobalAlloc(UINT uFlags, std::size_t dwBytes);
// Null for a handle that is not a live block.
void* GlobalLock(HGLOBAL hMem);
BOOL GlobalUnlock(HGLOBAL hMem);
std::size_t GlobalSize(HGLOBAL hMem);
// Null when freed (or not a live block: nothing happens).
HGLOBAL GlobalFree(HGLOBAL hMem);

// Standard formats.
constexpr UINT CF_TEXT = 1;
constexpr UINT CF_UNICODETEXT = 13;

// A private format: the same name gives the same id (0xC000 upwards) in the run.
// Its MIME type is the name itself when it contains '/', else
// "application/x-korvel-" followed by the name.
UINT RegisterClipboardFormat(LPCTSTR lpszFormat);
// Ties an id chosen elsewhere to a MIME type (replacing an earlier tie of the id).
BOOL AfxMapClipboardFormat(UINT nFormat, const char* pszMimeType);
// The MIME type of a format id, empty when it has none.
CString AfxGetClipboardMimeType(UINT nFormat);

BOOL OpenClipboard(HWND hWndNewOwner);
BOOL CloseClipboard();
// Only while open: removes every format and frees the blocks the clipboard held.
BOOL EmptyClipboard();
// Only while open: puts the block on the clipboard (which takes it over) and
// returns it; null for an unknown format or a bad block. CF_UNICODETEXT blocks are
// zero-terminated UTF-16 text.
HGLOBAL SetClipboardData(UINT uFormat, HGLOBAL hMem);
// Only while open: a block holding the format's bytes, or null when absent.
HGLOBAL GetClipboardData(UINT uFormat);
BOOL IsClipboardFormatAvailable(UINT format);

// Byte-buffer forms of the calls above (no opening needed). Setting replaces
// everything on the clipboard with this one format.
BOOL AfxSetClipboardBytes(UINT uFormat, const void* pData, std::size_t nBytes);
// FALSE when the format is absent.
BOOL AfxGetClipboardBytes(UINT uFormat, std::vector<BYTE>& rBytes);

// A memory file whose contents can be detached as a clipboard block, or that reads
// a block given to it.
class CSharedFile : public CMemFile {
  DECLARE_DYNAMIC(CSharedFile)
public:
  explicit CSharedFile(UINT nAllocFlags = GMEM_MOVEABLE, UINT nGrowBytes = 4096);
  ~CSharedFile() override;

  // The written bytes as a new block (the caller owns it); the file is empty after.
  // Null when nothing was written.
  HGLOBAL Detach();
  // Reads (and, with bAllowGrow, writes) a copy of the block's bytes.
  void SetHandle(HGLOBAL hGlobalMemory, BOOL bAllowGrow = TRUE);
};
