#pragma once
// Archive: buffered binary serialisation over a `CFile` in the class library's
// persistent-object format (little-endian, fixed widths). A memory file (one that
// offers `CFile::bufferDirect`) is read and written in place, without a copy.
//
// Object records: 0x0000 null; 0xFFFF new class (WORD schema, WORD name length, the
// name's 8-bit characters) followed by the object's Serialize; 0x8000|index a class
// seen before (0x7FFF + DWORD 0x80000000|index for large indices); index an object
// seen before (0x7FFF + DWORD index when large). Classes and objects share one index
// counter starting at 1; a new class takes its index before its object.
//
// Every failure is a thrown `CArchiveException` (file errors included). Loading is
// safe against truncated or hostile input: counts and lengths are checked against
// the bytes left, nesting depth is bounded, and an object whose loading fails is
// deleted before the exception leaves `ReadObject`.
//
// Ownership while loading: the record that creates an object hands it to the code
// that read it; a back-reference hands out a pointer that somebody else owns. An
// object read inside another object's Serialize belongs to that object (which must
// take only objects the record created, see OwnedListArchive.h). Objects read by
// the outermost records, outside any Serialize, belong to the caller, or, while a
// `CLoadHold` is active, to the archive until the hold is released.

#include "platform/core/Exception.h"
#include "platform/core/File.h"
#include "platform/core/Object.h"
#include "platform/core/WinString.h"

#include <bit>
#include <cstring>
#include <vector>

class CDocument;

class CArchive {
public:
  enum Mode : UINT { store = 0, load = 1, bNoFlushOnDelete = 2, bNoByteSwap = 4 };

  // Deepest nesting of object records accepted while loading.
  static constexpr int nMaxLoadDepth = 1000;
  // Longest class name accepted in a class record.
  static constexpr int nMaxClassNameLength = 255;

  CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = nullptr);
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsLoading() const { return (m_nMode & load) != 0; }
  bool IsStoring() const { return (m_nMode & load) == 0; }
  bool IsBufferEmpty() const { return m_pBufCur == m_pBufMax; }
  CFile* GetFile() const { return m_pFile; }

  // Storing: writes the buffer out. Loading: moves the file back to the archive's
  // logical position, so that the file can be read on from there.
  void Flush();
  void Close();
  void Abort();

  // Raw bytes. Read returns how many it got (fewer at the end of the file).
  UINT Read(void* lpBuf, UINT nMax);
  void Write(const void* lpBuf, UINT nMax);

  // Bytes that can still be read (buffered plus what the file holds after its position).
  ULONGLONG GetBytesLeft() const;
  // Throws endOfFile unless at least nBytes can still be read; loaders call it before
  // allocating for a count read from the archive.
  void RequireBytes(ULONGLONG nBytes) const;

  // Element counts of collections: WORD, or 0xFFFF + DWORD from 0xFFFF on.
  void WriteCount(DWORD dwCount);
  DWORD ReadCount();

  void WriteObject(const CObject* pOb);
  // Null, or an object of pClassRefRequested's kind (badClass otherwise). pbCreated,
  // when given, tells whether the record created the object or referred to an earlier one.
  CObject* ReadObject(const CRuntimeClass* pClassRefRequested, bool* pbCreated = nullptr);

  void WriteClass(const CRuntimeClass* pClassRef);
  CRuntimeClass* ReadClass(const CRuntimeClass* pClassRefRequested = nullptr, UINT* pSchema = nullptr,
                           DWORD* pObTag = nullptr);
  void SerializeClass(const CRuntimeClass* pClassRef);

  // Schema stored with the record of the object being loaded; (UINT)-1 after the first
  // call within one Serialize, as in the class library.
  UINT GetObjectSchema();
  void SetObjectSchema(UINT nSchema) { m_nObjectSchema = nSchema; }

  // Registers an object as if it had been written or read, for back-references.
  void MapObject(const CObject* pOb);

  // Makes a load all-or-nothing: while the hold lives, every object created by an
  // outermost record belongs to the archive. Release hands them to the caller once
  // the load has succeeded; a hold that ends unreleased (the load failed) deletes
  // each of them exactly once, from the archive's own record of what this load
  // created, whatever lists may repeat or share. One hold at a time.
  class CLoadHold {
  public:
    explicit CLoadHold(CArchive& ar);
    ~CLoadHold();
    CLoadHold(const CLoadHold&) = delete;
    CLoadHold& operator=(const CLoadHold&) = delete;
    void Release();

  private:
    CArchive& m_ar;
  };
  // True when an object that a record read now creates would belong to a hold, so
  // that the reader must not delete it on failure.
  bool IsHoldingNewObjects() const { return m_bHolding && m_nLoadDepth == 0; }

  // Tuning calls of the class library; accepted, with no effect here.
  void SetStoreParams(UINT nHashSize = 2053, UINT nBlockSize = 128) { (void)nHashSize, (void)nBlockSize; }
  void SetLoadParams(UINT nGrowBy = 1024) { (void)nGrowBy; }

  // Primitives, little-endian with their Windows widths.
  CArchive& operator<<(BYTE v) { return Put(v); }
  CArchive& operator<<(char v) { return Put(v); }
  CArchive& operator<<(signed char v) { return Put(v); }
  CArchive& operator<<(WORD v) { return Put(v); }
  CArchive& operator<<(short v) { return Put(v); }
  CArchive& operator<<(int v) { return Put(v); }
  CArchive& operator<<(unsigned int v) { return Put(v); }
  CArchive& operator<<(long long v) { return Put(v); }
  CArchive& operator<<(unsigned long long v) { return Put(v); }
  CArchive& operator<<(float v) { return Put(v); }
  CArchive& operator<<(double v) { return Put(v); }
  CArchive& operator>>(BYTE& v) { return Get(v); }
  CArchive& operator>>(char& v) { return Get(v); }
  CArchive& operator>>(signed char& v) { return Get(v); }
  CArchive& operator>>(WORD& v) { return Get(v); }
  CArchive& operator>>(short& v) { return Get(v); }
  CArchive& operator>>(int& v) { return Get(v); }
  CArchive& operator>>(unsigned int& v) { return Get(v); }
  CArchive& operator>>(long long& v) { return Get(v); }
  CArchive& operator>>(unsigned long long& v) { return Get(v); }
  CArchive& operator>>(float& v) { return Get(v); }
  CArchive& operator>>(double& v) { return Get(v); }
  // `long` is 64-bit here but 32-bit in the format, and wchar_t and bool have no
  // agreed width: write them through an explicit fixed-width type.
  CArchive& operator<<(long) = delete;
  CArchive& operator<<(unsigned long) = delete;
  CArchive& operator<<(wchar_t) = delete;
  CArchive& operator<<(bool) = delete;
  CArchive& operator>>(long&) = delete;
  CArchive& operator>>(unsigned long&) = delete;
  CArchive& operator>>(wchar_t&) = delete;
  CArchive& operator>>(bool&) = delete;

  CDocument* m_pDocument = nullptr;
  BOOL m_bForceFlat = TRUE;
  CString m_strFileName;

private:
  static_assert(std::endian::native == std::endian::little, "archive primitives are copied as little-endian");

  template <class T>
  CArchive& Put(T v) {
    if (!IsStoring()) AfxThrowArchiveException(CArchiveException::readOnly);
    if (m_pBufMax - m_pBufCur < static_cast<std::ptrdiff_t>(sizeof(T))) MakeRoom(sizeof(T));
    std::memcpy(m_pBufCur, &v, sizeof(T));
    m_pBufCur += sizeof(T);
    return *this;
  }
  template <class T>
  CArchive& Get(T& v) {
    if (!IsLoading()) AfxThrowArchiveException(CArchiveException::writeOnly);
    if (m_pBufMax - m_pBufCur < static_cast<std::ptrdiff_t>(sizeof(T))) FillBuffer(sizeof(T));
    std::memcpy(&v, m_pBufCur, sizeof(T));
    m_pBufCur += sizeof(T);
    return *this;
  }

  // Storing: writes out (or, in place, commits) what the buffer holds.
  void FlushBuffer();
  // Storing: FlushBuffer, then room for at least nNeeded bytes.
  void MakeRoom(UINT nNeeded);
  // Loading: makes at least nNeeded bytes available in the buffer or throws endOfFile.
  void FillBuffer(UINT nNeeded);
  void UseOwnBuffer();
  // In place: the file's memory at its position as the buffer, with room for at
  // least nNeeded bytes (false when the file has no such room).
  bool OpenDirectWindow(UINT nNeeded);
  // In place: the rest of the file joins the buffer; the bytes it added.
  UINT TakeDirect();
  // Copies up to nMax buffered bytes out; how many.
  UINT TakeBuffered(BYTE* out, UINT nMax);

  // Pointer -> index of the objects and classes already stored: open addressing, so
  // that storing an object costs no allocation of its own, with neighbouring
  // addresses in neighbouring slots (see HomeSlot). A slot holds only the index
  // (0 = empty) and the pointers sit once in index order, so the table is a quarter
  // of a pointer-and-index table: a large document's store touches that much less
  // fresh memory. Only looked up, never iterated.
  class CStoreMap {
  public:
    // Index of key, or 0 when absent.
    DWORD Find(const void* key) const;
    // Adds key (not present) with index (nonzero, not used before).
    void Insert(const void* key, DWORD index);

  private:
    void Grow();
    // The first empty slot of key's probe run.
    size_t FreeSlot(const void* key) const;
    std::vector<DWORD> m_slots;
    std::vector<const void*> m_keys;  // by index
    size_t m_nUsed = 0;
    // Where the last Find that failed stopped, while nothing was inserted since.
    mutable const void* m_pMissedKey = nullptr;
    mutable size_t m_nMissedSlot = 0;
  };

  struct LoadEntry {
    void* pointer;  // CRuntimeClass* or CObject*; null once a failed load deleted it
    UINT schema;    // stored schema of a class entry
    bool isClass;
    bool held = false;  // created by an outermost record under a hold
  };

  CFile* m_pFile;
  UINT m_nMode;
  std::vector<BYTE> m_ownBuffer;
  BYTE* m_pUserBuf = nullptr;  // a caller's buffer given to the constructor
  bool m_bDirect = false;      // the buffer is the file's own memory (CFile::GetBufferPtr)
  BYTE* m_pBufStart = nullptr;
  BYTE* m_pBufCur = nullptr;
  BYTE* m_pBufMax = nullptr;
  UINT m_nBufSize = 0;

  DWORD m_nMapCount = 1;  // next index; 0 is the null object
  CStoreMap m_storeMap;
  std::vector<LoadEntry> m_loadArray;
  UINT m_nObjectSchema = static_cast<UINT>(-1);
  int m_nLoadDepth = 0;
  bool m_bHolding = false;
  // Object entries from here on are cleared (while a failed load unwinds).
  size_t m_nClearedFrom = static_cast<size_t>(-1);
};

// Object records.
CArchive& operator<<(CArchive& ar, const CObject* pOb);
CArchive& operator>>(CArchive& ar, CObject*& pOb);
CArchive& operator>>(CArchive& ar, const CObject*& pOb);

// String records: written as UTF-16 with the Unicode marker; read as either UTF-16 or,
// without the marker, 8-bit text of code page 936.
CArchive& operator<<(CArchive& ar, const CString& s);
CArchive& operator>>(CArchive& ar, CString& s);
