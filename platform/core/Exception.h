#pragma once
// Exceptions of the class library. They are thrown by value and caught by reference
// (`catch (const CArchiveException& e)`); `CException` catches every kind.
// Of these only the archive exception crosses library boundaries: files report
// failures through return values and the archive turns them into archive exceptions.

#include "platform/core/Object.h"

#include <exception>

class CException : public CObject, public std::exception {
  DECLARE_DYNAMIC(CException)
public:
  CException() = default;
  CException(const CException&) : CObject(), std::exception() {}
  CException& operator=(const CException&) { return *this; }
  const char* what() const noexcept override;
};

class CArchiveException : public CException {
  DECLARE_DYNAMIC(CArchiveException)
public:
  enum {
    none,
    genericException,
    readOnly,   // writing to a loading archive
    endOfFile,  // reading past the end, or a count or length larger than what is left
    writeOnly,  // reading from a storing archive
    badIndex,   // a class or object reference that names nothing seen so far
    badClass,   // an unknown class name, or a class of the wrong kind
    badSchema,  // a stored schema that a non-versionable class does not accept
    bufferFull,
    generic = genericException,
  };
  explicit CArchiveException(int cause = none) : m_cause(cause) {}
  CArchiveException(const CArchiveException& other) : CException(other), m_cause(other.m_cause) {}
  CArchiveException& operator=(const CArchiveException& other) {
    m_cause = other.m_cause;
    return *this;
  }
  const char* what() const noexcept override;

  int m_cause;
};

class CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)
public:
  enum {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
  };
  explicit CFileException(int cause = none, LONG lOsError = -1) : m_cause(cause), m_lOsError(lOsError) {}
  CFileException(const CFileException& other)
      : CException(other), m_cause(other.m_cause), m_lOsError(other.m_lOsError) {}
  CFileException& operator=(const CFileException& other) {
    m_cause = other.m_cause;
    m_lOsError = other.m_lOsError;
    return *this;
  }
  const char* what() const noexcept override;
  // Maps an errno value to a cause.
  static int OsErrorToException(LONG lOsError);

  int m_cause;
  LONG m_lOsError;
};

[[noreturn]] void AfxThrowArchiveException(int cause);
[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1);
