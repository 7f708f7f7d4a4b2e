#include "platform/core/File.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CMemFile, CFile)

namespace {

void SetError(CFileException* pError, int err) {
  if (pError == nullptr) return;
  pError->m_lOsError = err;
  pError->m_cause = CFileException::OsErrorToException(err);
}

}  // namespace

CFile::~CFile() {
  if (m_hFile != hFileNull) ::close(m_hFile);
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  if (lpszFileName == nullptr) {
    SetError(pError, ENOENT);
    return FALSE;
  }
  return Open(CString(lpszFileName).ToUtf8().c_str(), nOpenFlags, pError);
}

BOOL CFile::Open(const char* lpszFileNameUtf8, UINT nOpenFlags, CFileException* pError) {
  if (m_hFile != hFileNull) Close();
  int flags = O_CLOEXEC;
  switch (nOpenFlags & 3) {
    case modeWrite: flags |= O_WRONLY; break;
    case modeReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
  }
  if (nOpenFlags & modeCreate) {
    flags |= O_CREAT;
    if (!(nOpenFlags & modeNoTruncate)) flags |= O_TRUNC;
  }
  const int fd = ::open(lpszFileNameUtf8, flags, 0666);
  if (fd < 0) {
    SetError(pError, errno);
    return FALSE;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    SetError(pError, EISDIR);
    return FALSE;
  }
  m_hFile = fd;
  m_strFileName = CString::FromUtf8(lpszFileNameUtf8);
  if (pError != nullptr) pError->m_cause = CFileException::none;
  return TRUE;
}

void CFile::Close() {
  if (m_hFile != hFileNull) ::close(m_hFile);
  m_hFile = hFileNull;
  m_strFileName.Empty();
}

void CFile::Abort() { Close(); }

// Writes go straight to the system, so there is nothing of ours to flush.
BOOL CFile::Flush() { return m_hFile != hFileNull; }

UINT CFile::Read(void* lpBuf, UINT nCount) {
  if (m_hFile == hFileNull) return 0;
  auto* p = static_cast<char*>(lpBuf);
  UINT done = 0;
  while (done < nCount) {
    const ssize_t n = ::read(m_hFile, p + done, nCount - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<UINT>(n);
  }
  return done;
}

BOOL CFile::Write(const void* lpBuf, UINT nCount) {
  if (m_hFile == hFileNull) return FALSE;
  const auto* p = static_cast<const char*>(lpBuf);
  UINT done = 0;
  while (done < nCount) {
    const ssize_t n = ::write(m_hFile, p + done, nCount - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return FALSE;
    done += static_cast<UINT>(n);
  }
  return TRUE;
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
  if (m_hFile == hFileNull || nFrom > end) return static_cast<ULONGLONG>(-1);
  const int whence = nFrom == begin ? SEEK_SET : nFrom == current ? SEEK_CUR : SEEK_END;
  const off_t r = ::lseek(m_hFile, static_cast<off_t>(lOff), whence);
  return r < 0 ? static_cast<ULONGLONG>(-1) : static_cast<ULONGLONG>(r);
}

ULONGLONG CFile::GetPosition() const {
  if (m_hFile == hFileNull) return 0;
  const off_t r = ::lseek(m_hFile, 0, SEEK_CUR);
  return r < 0 ? 0 : static_cast<ULONGLONG>(r);
}

ULONGLONG CFile::GetLength() const {
  struct stat st {};
  if (m_hFile == hFileNull || ::fstat(m_hFile, &st) != 0) return 0;
  return static_cast<ULONGLONG>(st.st_size);
}

BOOL CFile::SetLength(ULONGLONG nNewLen) {
  return m_hFile != hFileNull && ::ftruncate(m_hFile, static_cast<off_t>(nNewLen)) == 0;
}

UINT CFile::GetBufferPtr(UINT nCommand, UINT nCount, void** ppBufStart, void** ppBufMax) {
  (void)nCommand, (void)nCount, (void)ppBufStart, (void)ppBufMax;
  return 0;
}

CString CFile::GetFileName() const {
  const int slash = m_strFileName.ReverseFind(L'/');
  return slash < 0 ? m_strFileName : m_strFileName.Mid(slash + 1);
}

BOOL CFile::GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus) {
  if (lpszFileName == nullptr) return FALSE;
  struct stat st {};
  if (::stat(CString(lpszFileName).ToUtf8().c_str(), &st) != 0) return FALSE;
  rStatus.m_size = static_cast<ULONGLONG>(st.st_size);
  rStatus.m_attribute = 0;
  if (S_ISDIR(st.st_mode)) rStatus.m_attribute |= directory;
  if (!(st.st_mode & S_IWUSR)) rStatus.m_attribute |= readOnly;
  rStatus.m_szFullName = lpszFileName;
  return TRUE;
}

BOOL CFile::SetStatus(LPCTSTR lpszFileName, const CFileStatus& status) {
  if (lpszFileName == nullptr) return FALSE;
  const std::string path = CString(lpszFileName).ToUtf8();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FALSE;
  mode_t mode = st.st_mode & 07777;
  if (status.m_attribute & readOnly)
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else
    mode |= S_IWUSR;
  return ::chmod(path.c_str(), mode) == 0;
}

BOOL CFile::Remove(LPCTSTR lpszFileName) {
  return lpszFileName != nullptr && ::unlink(CString(lpszFileName).ToUtf8().c_str()) == 0;
}

BOOL CFile::Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName) {
  return lpszOldName != nullptr && lpszNewName != nullptr &&
         std::rename(CString(lpszOldName).ToUtf8().c_str(), CString(lpszNewName).ToUtf8().c_str()) == 0;
}

// ---------------------------------------------------------------------------

CMemFile::CMemFile(UINT nGrowBytes) : m_nGrowBytes(nGrowBytes == 0 ? 1024 : nGrowBytes) {}

CMemFile::CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) : m_nGrowBytes(nGrowBytes) {
  Attach(lpBuffer, nBufferSize, nGrowBytes);
}

CMemFile::~CMemFile() { FreeBuffer(); }

void CMemFile::FreeBuffer() {
  if (m_bOwnsBuffer) std::free(m_lpBuffer);
  m_lpBuffer = nullptr;
  m_nBufferSize = m_nFileSize = m_nPosition = 0;
  m_bOwnsBuffer = true;
}

void CMemFile::Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) {
  FreeBuffer();
  m_lpBuffer = lpBuffer;
  m_nBufferSize = lpBuffer != nullptr ? nBufferSize : 0;
  m_nGrowBytes = nGrowBytes;
  m_nFileSize = nGrowBytes == 0 ? m_nBufferSize : 0;
  m_bOwnsBuffer = false;
}

BYTE* CMemFile::Detach() {
  BYTE* p = m_lpBuffer;
  m_lpBuffer = nullptr;
  m_nBufferSize = m_nFileSize = m_nPosition = 0;
  m_bOwnsBuffer = true;
  return p;
}

void CMemFile::Close() { FreeBuffer(); }

void CMemFile::Abort() { FreeBuffer(); }

BOOL CMemFile::GrowFile(ULONGLONG nNewSize) {
  if (nNewSize <= m_nBufferSize) return TRUE;
  if (m_nGrowBytes == 0) return FALSE;
  // Grow geometrically so that appending many small blocks stays linear.
  ULONGLONG nNewBuf = std::max<ULONGLONG>(nNewSize, m_nBufferSize + m_nBufferSize / 2);
  nNewBuf = (nNewBuf + m_nGrowBytes - 1) / m_nGrowBytes * m_nGrowBytes;
  if (nNewBuf > std::numeric_limits<size_t>::max() / 2) return FALSE;
  BYTE* p = nullptr;
  if (m_bOwnsBuffer) {
    p = static_cast<BYTE*>(std::realloc(m_lpBuffer, static_cast<size_t>(nNewBuf)));
    if (p == nullptr) return FALSE;
  } else {
    p = static_cast<BYTE*>(std::malloc(static_cast<size_t>(nNewBuf)));
    if (p == nullptr) return FALSE;
    if (m_nFileSize > 0) std::memcpy(p, m_lpBuffer, static_cast<size_t>(m_nFileSize));
    m_bOwnsBuffer = true;
  }
  m_lpBuffer = p;
  m_nBufferSize = nNewBuf;
  return TRUE;
}

UINT CMemFile::Read(void* lpBuf, UINT nCount) {
  if (m_nPosition >= m_nFileSize || nCount == 0) return 0;
  const ULONGLONG n = std::min<ULONGLONG>(nCount, m_nFileSize - m_nPosition);
  std::memcpy(lpBuf, m_lpBuffer + m_nPosition, static_cast<size_t>(n));
  m_nPosition += n;
  return static_cast<UINT>(n);
}

BOOL CMemFile::Write(const void* lpBuf, UINT nCount) {
  if (nCount == 0) return TRUE;
  const ULONGLONG nEnd = m_nPosition + nCount;
  if (!GrowFile(nEnd)) return FALSE;
  // A seek past the end leaves a gap that reads back as zeros.
  if (m_nPosition > m_nFileSize) std::memset(m_lpBuffer + m_nFileSize, 0, static_cast<size_t>(m_nPosition - m_nFileSize));
  std::memcpy(m_lpBuffer + m_nPosition, lpBuf, nCount);
  m_nPosition = nEnd;
  if (nEnd > m_nFileSize) m_nFileSize = nEnd;
  return TRUE;
}

UINT CMemFile::GetBufferPtr(UINT nCommand, UINT nCount, void** ppBufStart, void** ppBufMax) {
  auto point = [&](ULONGLONG n) {
    if (ppBufStart != nullptr) *ppBufStart = m_lpBuffer + m_nPosition;
    if (ppBufMax != nullptr) *ppBufMax = m_lpBuffer + m_nPosition + n;
  };
  switch (nCommand) {
  case bufferCheck:
    return bufferDirect;
  case bufferRead: {
    const ULONGLONG n = m_nPosition < m_nFileSize ? std::min<ULONGLONG>(nCount, m_nFileSize - m_nPosition) : 0;
    point(n);
    m_nPosition += n;
    return static_cast<UINT>(n);
  }
  case bufferWrite: {
    if (!GrowFile(m_nPosition + nCount)) {
      // A caller's block that cannot grow offers what room it has left.
      nCount = m_nPosition < m_nBufferSize ? static_cast<UINT>(std::min<ULONGLONG>(nCount, m_nBufferSize - m_nPosition)) : 0;
    }
    // A seek past the end leaves a gap that reads back as zeros.
    if (nCount > 0 && m_nPosition > m_nFileSize)
      std::memset(m_lpBuffer + m_nFileSize, 0, static_cast<size_t>(m_nPosition - m_nFileSize));
    point(nCount);
    return nCount;
  }
  case bufferCommit:
    m_nPosition += nCount;
    if (m_nPosition > m_nFileSize) m_nFileSize = m_nPosition;
    return 0;
  default:
    return 0;
  }
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom) {
  LONGLONG base = 0;
  if (nFrom == current)
    base = static_cast<LONGLONG>(m_nPosition);
  else if (nFrom == end)
    base = static_cast<LONGLONG>(m_nFileSize);
  else if (nFrom != begin)
    return static_cast<ULONGLONG>(-1);
  const LONGLONG pos = base + lOff;
  if (pos < 0) return static_cast<ULONGLONG>(-1);
  m_nPosition = static_cast<ULONGLONG>(pos);
  return m_nPosition;
}

BOOL CMemFile::SetLength(ULONGLONG nNewLen) {
  if (nNewLen > m_nBufferSize && !GrowFile(nNewLen)) return FALSE;
  if (nNewLen > m_nFileSize) std::memset(m_lpBuffer + m_nFileSize, 0, static_cast<size_t>(nNewLen - m_nFileSize));
  m_nFileSize = nNewLen;
  if (m_nPosition > nNewLen) m_nPosition = nNewLen;
  return TRUE;
}
