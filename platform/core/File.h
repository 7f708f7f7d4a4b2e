#pragma once
// Binary files: `CFile` over a file on disk, `CMemFile` over growable memory.
//
// Failures are reported through return values, never by throwing: `Open` returns
// FALSE (and fills an optional `CFileException` with the cause), `Read` returns the
// bytes it could read (short at end of file or on error), `Write` returns FALSE when
// not every byte was written, `Seek` returns (ULONGLONG)-1 and leaves the position
// unchanged. `CArchive` turns these into archive exceptions.
// Share modes are accepted and ignored (no mandatory locking on this platform).

#include "platform/core/Exception.h"
#include "platform/core/WinString.h"

class CFileStatus {
public:
  ULONGLONG m_size = 0;
  BYTE m_attribute = 0;  // CFile::Attribute bits
  CString m_szFullName;
};

class CFile : public CObject {
  DECLARE_DYNAMIC(CFile)
public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum Attribute : BYTE { normal = 0x00, readOnly = 0x01, hidden = 0x02, system = 0x04, directory = 0x10, archive = 0x20 };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };
  static constexpr int hFileNull = -1;

  CFile() = default;
  ~CFile() override;

  virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
  BOOL Open(const char* lpszFileNameUtf8, UINT nOpenFlags, CFileException* pError = nullptr);
  virtual void Close();
  // Closes without reporting anything.
  virtual void Abort();
  virtual BOOL Flush();

  virtual UINT Read(void* lpBuf, UINT nCount);
  virtual BOOL Write(const void* lpBuf, UINT nCount);
  virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
  ULONGLONG SeekToBegin() { return Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual ULONGLONG GetPosition() const;
  virtual ULONGLONG GetLength() const;
  virtual BOOL SetLength(ULONGLONG nNewLen);

  // Direct access to a file's own memory, so that an archive over a memory file
  // reads and writes in place instead of through a buffer of its own.
  //   bufferCheck: the BufferFlags the file supports (0 here: no direct access).
  //   bufferRead: points at up to nCount bytes from the position and moves the
  //     position past them; returns how many.
  //   bufferWrite: points at room for nCount bytes at the position (the file
  //     grows its memory, not its length); returns the room, 0 when it cannot grow.
  //   bufferCommit: the first nCount bytes of that room now belong to the file;
  //     the position moves past them.
  // The pointers stay valid until the next call that may move the file's memory
  // (a write, a growth, a new bufferWrite).
  enum BufferCommand : UINT { bufferRead = 0, bufferWrite = 1, bufferCommit = 2, bufferCheck = 3 };
  enum BufferFlags : UINT { bufferDirect = 0x01, bufferBlocking = 0x02 };
  virtual UINT GetBufferPtr(UINT nCommand, UINT nCount = 0, void** ppBufStart = nullptr, void** ppBufMax = nullptr);

  BOOL IsOpen() const { return m_hFile != hFileNull; }
  const CString& GetFilePath() const { return m_strFileName; }
  CString GetFileName() const;

  static BOOL GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus);
  // Only the read-only attribute is applied (as the owner's write permission).
  static BOOL SetStatus(LPCTSTR lpszFileName, const CFileStatus& status);
  static BOOL Remove(LPCTSTR lpszFileName);
  static BOOL Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName);

  int m_hFile = hFileNull;

protected:
  CString m_strFileName;
};

// A file in memory. It owns a growable block (allocated with malloc, so a detached
// block is released with free), or works on a caller's block after `Attach`: with a
// grow size of 0 that block is the whole file and cannot grow; with a grow size the
// file starts empty and moves to its own block when it outgrows the caller's.
class CMemFile : public CFile {
  DECLARE_DYNAMIC(CMemFile)
public:
  explicit CMemFile(UINT nGrowBytes = 1024);
  CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
  ~CMemFile() override;

  void Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
  // Hands the block to the caller (who frees it when it was the file's own) and
  // leaves the file empty.
  BYTE* Detach();

  void Close() override;
  void Abort() override;
  BOOL Flush() override { return TRUE; }
  UINT Read(void* lpBuf, UINT nCount) override;
  BOOL Write(const void* lpBuf, UINT nCount) override;
  ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
  ULONGLONG GetPosition() const override { return m_nPosition; }
  ULONGLONG GetLength() const override { return m_nFileSize; }
  BOOL SetLength(ULONGLONG nNewLen) override;
  UINT GetBufferPtr(UINT nCommand, UINT nCount = 0, void** ppBufStart = nullptr, void** ppBufMax = nullptr) override;

  // Direct view of the contents (valid until the next write).
  const BYTE* GetData() const { return m_lpBuffer; }

private:
  BOOL GrowFile(ULONGLONG nNewSize);
  void FreeBuffer();

  UINT m_nGrowBytes;
  ULONGLONG m_nPosition = 0;
  ULONGLONG m_nBufferSize = 0;
  ULONGLONG m_nFileSize = 0;
  BYTE* m_lpBuffer = nullptr;
  bool m_bOwnsBuffer = true;
};
