#include "platform/core/Exception.h"

#include <cerrno>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CArchiveException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)

const char* CException::what() const noexcept { return "class library exception"; }

const char* CArchiveException::what() const noexcept {
  switch (m_cause) {
    case none: return "archive: no error";
    case readOnly: return "archive: writing to a loading archive";
    case endOfFile: return "archive: unexpected end of file";
    case writeOnly: return "archive: reading from a storing archive";
    case badIndex: return "archive: bad object or class index";
    case badClass: return "archive: unknown or unexpected class";
    case badSchema: return "archive: unsupported schema";
    case bufferFull: return "archive: buffer full";
    default: return "archive: generic error";
  }
}

const char* CFileException::what() const noexcept {
  switch (m_cause) {
    case fileNotFound: return "file: not found";
    case badPath: return "file: bad path";
    case tooManyOpenFiles: return "file: too many open files";
    case accessDenied: return "file: access denied";
    case badSeek: return "file: bad seek";
    case hardIO: return "file: input/output error";
    case diskFull: return "file: disk full";
    case endOfFile: return "file: end of file";
    default: return "file: error";
  }
}

int CFileException::OsErrorToException(LONG lOsError) {
  switch (lOsError) {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG: return badPath;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return accessDenied;
    case EINVAL:
    case ESPIPE: return badSeek;
    case EIO: return hardIO;
    case ENOSPC:
    case EDQUOT: return diskFull;
    default: return genericException;
  }
}

void AfxThrowArchiveException(int cause) { throw CArchiveException(cause); }

void AfxThrowFileException(int cause, LONG lOsError) { throw CFileException(cause, lOsError); }
