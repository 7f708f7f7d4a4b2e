#include "platform/core/Archive.h"

#include "platform/core/ObList.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace {

constexpr WORD wNullTag = 0;
constexpr WORD wNewClassTag = 0xFFFF;
constexpr WORD wClassTag = 0x8000;
constexpr DWORD dwBigClassTag = 0x80000000u;
constexpr WORD wBigObjectTag = 0x7FFF;
constexpr DWORD nMaxMapCount = 0x3FFFFFFEu;

constexpr UINT kMinBufSize = 128;

}  // namespace

namespace {

// Home slot of an address. Objects stored one after another usually lie close
// together in memory, so the addresses of one small block of memory keep their
// order in a window of neighbouring slots (one cache miss serves a run of
// objects), while the blocks themselves spread over the table through a full
// avalanche of the block number. A window is small, so that windows that happen
// to overlap make short probe runs only.
constexpr unsigned kWindowBits = 8;   // slots of a window
constexpr unsigned kCellBits = 4;     // bytes of memory per slot (a heap object takes 16 at least)

size_t HomeSlot(const void* p) {
  const auto a = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
  std::uint64_t block = a >> (kCellBits + kWindowBits);
  block ^= block >> 33;
  block *= 0xff51afd7ed558ccdULL;
  block ^= block >> 33;
  block *= 0xc4ceb9fe1a85ec53ULL;
  block ^= block >> 33;
  return static_cast<size_t>((block << kWindowBits) + ((a >> kCellBits) & ((1u << kWindowBits) - 1)));
}

}  // namespace

DWORD CArchive::CStoreMap::Find(const void* key) const {
  if (m_slots.empty()) return 0;
  const size_t mask = m_slots.size() - 1;
  for (size_t i = HomeSlot(key) & mask;; i = (i + 1) & mask) {
    const DWORD index = m_slots[i];
    if (index == 0) {
      // Most keys looked up in vain are inserted next: remember where.
      m_pMissedKey = key;
      m_nMissedSlot = i;
      return 0;
    }
    if (m_keys[index] == key) return index;
  }
}

void CArchive::CStoreMap::Insert(const void* key, DWORD index) {
  if (index >= m_keys.size()) m_keys.resize(std::max<size_t>(index + 1, m_keys.size() * 2), nullptr);
  m_keys[index] = key;
  size_t i = m_nMissedSlot;
  if ((m_nUsed + 1) * 2 > m_slots.size()) {
    Grow();
    i = FreeSlot(key);
  } else if (key != m_pMissedKey) {
    i = FreeSlot(key);
  }
  m_slots[i] = index;
  ++m_nUsed;
  m_pMissedKey = nullptr;
}

size_t CArchive::CStoreMap::FreeSlot(const void* key) const {
  const size_t mask = m_slots.size() - 1;
  size_t i = HomeSlot(key) & mask;
  while (m_slots[i] != 0) i = (i + 1) & mask;
  return i;
}

void CArchive::CStoreMap::Grow() {
  std::vector<DWORD> old = std::move(m_slots);
  m_slots.assign(std::max<size_t>(64, old.size() * 2), 0);
  for (const DWORD index : old) {
    if (index != 0) m_slots[FreeSlot(m_keys[index])] = index;
  }
}

CObject* KorvelReadObject(CArchive& ar, const CRuntimeClass* pClassRefRequested) {
  return ar.ReadObject(pClassRefRequested);
}

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize, void* lpBuf) : m_pFile(pFile), m_nMode(nMode) {
  m_nBufSize = std::max<UINT>(kMinBufSize, nBufSize > 0 ? static_cast<UINT>(nBufSize) : 0);
  if (lpBuf != nullptr && nBufSize >= static_cast<int>(kMinBufSize)) m_pUserBuf = static_cast<BYTE*>(lpBuf);
  // Memory files are read and written in place, without a buffer of the archive's own.
  m_bDirect = pFile != nullptr && (pFile->GetBufferPtr(CFile::bufferCheck) & CFile::bufferDirect) != 0;
  if (IsLoading()) {
    if (!m_bDirect) UseOwnBuffer();
    m_loadArray.push_back({nullptr, 0, false});
  } else if (!m_bDirect || !OpenDirectWindow(m_nBufSize)) {
    m_bDirect = false;
    UseOwnBuffer();
  }
  if (pFile != nullptr) m_strFileName = pFile->GetFilePath();
}

CArchive::~CArchive() {
  if (m_pFile != nullptr && !(m_nMode & bNoFlushOnDelete)) {
    try {
      Close();
    } catch (...) {
      // A destructor cannot report a failed write; callers that care call Close().
    }
  }
  Abort();
}

void CArchive::Abort() {
  m_pFile = nullptr;
  m_pBufCur = m_pBufMax = m_pBufStart;
}

void CArchive::Close() {
  Flush();
  m_pFile = nullptr;
}

void CArchive::Flush() {
  if (m_pFile == nullptr) return;
  if (IsStoring()) {
    FlushBuffer();
    m_pFile->Flush();
  } else if (m_pBufMax != m_pBufCur) {
    m_pFile->Seek(-static_cast<LONGLONG>(m_pBufMax - m_pBufCur), CFile::current);
    m_pBufCur = m_pBufMax = m_pBufStart;
  }
}

void CArchive::UseOwnBuffer() {
  if (m_pUserBuf != nullptr) {
    m_pBufStart = m_pUserBuf;
  } else {
    m_ownBuffer.resize(m_nBufSize);
    m_pBufStart = m_ownBuffer.data();
  }
  m_pBufCur = m_pBufStart;
  m_pBufMax = IsLoading() ? m_pBufStart : m_pBufStart + m_nBufSize;
}

bool CArchive::OpenDirectWindow(UINT nNeeded) {
  void* start = nullptr;
  void* max = nullptr;
  const UINT room = m_pFile->GetBufferPtr(CFile::bufferWrite, std::max(nNeeded, m_nBufSize), &start, &max);
  if (room < nNeeded) return false;
  m_pBufStart = m_pBufCur = static_cast<BYTE*>(start);
  m_pBufMax = static_cast<BYTE*>(max);
  return true;
}

void CArchive::FlushBuffer() {
  if (m_pFile == nullptr) AfxThrowArchiveException(CArchiveException::genericException);
  const auto n = static_cast<UINT>(m_pBufCur - m_pBufStart);
  if (m_bDirect) {
    // The bytes are in the file already; the window closes until more room is needed.
    m_pFile->GetBufferPtr(CFile::bufferCommit, n);
    m_pBufStart = m_pBufMax = m_pBufCur;
    return;
  }
  m_pBufCur = m_pBufStart;
  if (n > 0 && !m_pFile->Write(m_pBufStart, n)) AfxThrowArchiveException(CArchiveException::genericException);
}

void CArchive::MakeRoom(UINT nNeeded) {
  FlushBuffer();
  if (!m_bDirect || OpenDirectWindow(nNeeded)) return;
  // A memory file that cannot grow: the archive buffers on, and the write that
  // overflows the file fails when the buffer is written out, as with any file.
  m_bDirect = false;
  UseOwnBuffer();
}

UINT CArchive::TakeDirect() {
  void* start = nullptr;
  void* max = nullptr;
  const UINT got = m_pFile->GetBufferPtr(CFile::bufferRead, std::numeric_limits<UINT>::max(), &start, &max);
  if (got == 0) return 0;
  if (m_pBufCur == m_pBufMax) {
    m_pBufStart = m_pBufCur = static_cast<BYTE*>(start);
  } else if (start != m_pBufMax) {
    // The file was moved under the archive: what follows is not what was left.
    m_pFile->Seek(-static_cast<LONGLONG>(got), CFile::current);
    AfxThrowArchiveException(CArchiveException::genericException);
  }
  m_pBufMax = static_cast<BYTE*>(max);
  return got;
}

void CArchive::FillBuffer(UINT nNeeded) {
  if (!IsLoading()) AfxThrowArchiveException(CArchiveException::writeOnly);
  if (m_pFile == nullptr) AfxThrowArchiveException(CArchiveException::genericException);
  auto have = static_cast<UINT>(m_pBufMax - m_pBufCur);
  if (m_bDirect) {
    while (have < nNeeded && TakeDirect() > 0) have = static_cast<UINT>(m_pBufMax - m_pBufCur);
    if (have < nNeeded) AfxThrowArchiveException(CArchiveException::endOfFile);
    return;
  }
  if (have > 0 && m_pBufCur != m_pBufStart) std::memmove(m_pBufStart, m_pBufCur, have);
  m_pBufCur = m_pBufStart;
  m_pBufMax = m_pBufStart + have;
  while (have < nNeeded) {
    const UINT got = m_pFile->Read(m_pBufMax, m_nBufSize - have);
    if (got == 0) break;
    have += got;
    m_pBufMax += got;
  }
  if (have < nNeeded) AfxThrowArchiveException(CArchiveException::endOfFile);
}

UINT CArchive::TakeBuffered(BYTE* out, UINT nMax) {
  const UINT n = std::min<UINT>(nMax, static_cast<UINT>(m_pBufMax - m_pBufCur));
  if (n > 0) std::memcpy(out, m_pBufCur, n);
  m_pBufCur += n;
  return n;
}

UINT CArchive::Read(void* lpBuf, UINT nMax) {
  if (!IsLoading()) AfxThrowArchiveException(CArchiveException::writeOnly);
  if (nMax == 0) return 0;
  auto* out = static_cast<BYTE*>(lpBuf);
  UINT done = TakeBuffered(out, nMax);
  if (done == nMax || m_pFile == nullptr) return done;
  if (m_bDirect) {
    while (done < nMax && TakeDirect() > 0) done += TakeBuffered(out + done, nMax - done);
    return done;
  }
  // Large remainders go straight from the file; small ones through the buffer.
  const UINT rest = nMax - done;
  if (rest >= m_nBufSize) {
    done += m_pFile->Read(out + done, rest);
    return done;
  }
  m_pBufCur = m_pBufMax = m_pBufStart;
  while (static_cast<UINT>(m_pBufMax - m_pBufStart) < rest) {
    const UINT got = m_pFile->Read(m_pBufMax, m_nBufSize - static_cast<UINT>(m_pBufMax - m_pBufStart));
    if (got == 0) break;
    m_pBufMax += got;
  }
  return done + TakeBuffered(out + done, rest);
}

void CArchive::Write(const void* lpBuf, UINT nMax) {
  if (!IsStoring()) AfxThrowArchiveException(CArchiveException::readOnly);
  if (nMax == 0) return;
  const auto* in = static_cast<const BYTE*>(lpBuf);
  if (static_cast<UINT>(m_pBufMax - m_pBufCur) < nMax) {
    if (m_bDirect) {
      MakeRoom(nMax);
    } else {
      FlushBuffer();
      if (nMax >= m_nBufSize) {
        if (!m_pFile->Write(in, nMax)) AfxThrowArchiveException(CArchiveException::genericException);
        return;
      }
    }
  }
  if (static_cast<UINT>(m_pBufMax - m_pBufCur) < nMax) {
    // Direct writing fell back to a buffer too small for the block.
    FlushBuffer();
    if (!m_pFile->Write(in, nMax)) AfxThrowArchiveException(CArchiveException::genericException);
    return;
  }
  std::memcpy(m_pBufCur, in, nMax);
  m_pBufCur += nMax;
}

ULONGLONG CArchive::GetBytesLeft() const {
  if (!IsLoading()) return 0;
  ULONGLONG left = static_cast<ULONGLONG>(m_pBufMax - m_pBufCur);
  if (m_pFile != nullptr) {
    const ULONGLONG len = m_pFile->GetLength();
    const ULONGLONG pos = m_pFile->GetPosition();
    if (len > pos) left += len - pos;
  }
  return left;
}

void CArchive::RequireBytes(ULONGLONG nBytes) const {
  if (nBytes > static_cast<ULONGLONG>(m_pBufMax - m_pBufCur) && GetBytesLeft() < nBytes)
    AfxThrowArchiveException(CArchiveException::endOfFile);
}

void CArchive::WriteCount(DWORD dwCount) {
  if (dwCount < 0xFFFF) {
    *this << static_cast<WORD>(dwCount);
  } else {
    *this << static_cast<WORD>(0xFFFF) << dwCount;
  }
}

DWORD CArchive::ReadCount() {
  WORD wCount = 0;
  *this >> wCount;
  if (wCount != 0xFFFF) return wCount;
  DWORD dwCount = 0;
  *this >> dwCount;
  return dwCount;
}

void CArchive::WriteClass(const CRuntimeClass* pClassRef) {
  if (!IsStoring()) AfxThrowArchiveException(CArchiveException::readOnly);
  if (pClassRef == nullptr || !pClassRef->IsSerializable()) AfxThrowArchiveException(CArchiveException::badClass);
  if (const DWORD nClassIndex = m_storeMap.Find(pClassRef); nClassIndex != 0) {
    if (nClassIndex < wBigObjectTag) {
      *this << static_cast<WORD>(wClassTag | nClassIndex);
    } else {
      *this << wBigObjectTag << (dwBigClassTag | nClassIndex);
    }
    return;
  }
  *this << wNewClassTag;
  pClassRef->Store(*this);
  if (m_nMapCount >= nMaxMapCount) AfxThrowArchiveException(CArchiveException::badIndex);
  m_storeMap.Insert(pClassRef, m_nMapCount++);
}

void CArchive::WriteObject(const CObject* pOb) {
  if (!IsStoring()) AfxThrowArchiveException(CArchiveException::readOnly);
  if (pOb == nullptr) {
    *this << wNullTag;
    return;
  }
  if (const DWORD nObIndex = m_storeMap.Find(pOb); nObIndex != 0) {
    if (nObIndex < wBigObjectTag) {
      *this << static_cast<WORD>(nObIndex);
    } else {
      *this << wBigObjectTag << nObIndex;
    }
    return;
  }
  WriteClass(pOb->GetRuntimeClass());
  if (m_nMapCount >= nMaxMapCount) AfxThrowArchiveException(CArchiveException::badIndex);
  m_storeMap.Insert(pOb, m_nMapCount++);
  // Serialize is non-const by contract but does not change the object when storing.
  const_cast<CObject*>(pOb)->Serialize(*this);
}

CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pClassRefRequested, UINT* pSchema, DWORD* pObTag) {
  if (!IsLoading()) AfxThrowArchiveException(CArchiveException::writeOnly);
  WORD wTag = 0;
  *this >> wTag;
  DWORD obTag = 0;
  if (wTag == wBigObjectTag) {
    *this >> obTag;
  } else {
    obTag = (static_cast<DWORD>(wTag & wClassTag) << 16) | (wTag & ~wClassTag & 0xFFFFu);
  }
  if (!(obTag & dwBigClassTag)) {
    // An object reference (or null), not a class.
    if (pObTag == nullptr) AfxThrowArchiveException(CArchiveException::badIndex);
    *pObTag = obTag;
    return nullptr;
  }

  CRuntimeClass* pClassRef = nullptr;
  UINT nSchema = 0;
  if (wTag == wNewClassTag) {
    pClassRef = CRuntimeClass::Load(*this, &nSchema);
    if (pClassRef == nullptr || !pClassRef->IsSerializable()) AfxThrowArchiveException(CArchiveException::badClass);
    const UINT ownSchema = pClassRef->m_wSchema & ~VERSIONABLE_SCHEMA;
    if (ownSchema != nSchema && !(pClassRef->m_wSchema & VERSIONABLE_SCHEMA))
      AfxThrowArchiveException(CArchiveException::badSchema);
    if (m_loadArray.size() >= nMaxMapCount) AfxThrowArchiveException(CArchiveException::badIndex);
    m_loadArray.push_back({pClassRef, nSchema, true});
  } else {
    const DWORD nClassIndex = obTag & ~dwBigClassTag;
    if (nClassIndex == 0 || nClassIndex >= m_loadArray.size() || !m_loadArray[nClassIndex].isClass)
      AfxThrowArchiveException(CArchiveException::badIndex);
    pClassRef = static_cast<CRuntimeClass*>(m_loadArray[nClassIndex].pointer);
    nSchema = m_loadArray[nClassIndex].schema;
  }
  if (pClassRefRequested != nullptr && !pClassRef->IsDerivedFrom(pClassRefRequested))
    AfxThrowArchiveException(CArchiveException::badClass);
  if (pSchema != nullptr) *pSchema = nSchema;
  if (pObTag != nullptr) *pObTag = obTag;
  return pClassRef;
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested, bool* pbCreated) {
  if (pbCreated != nullptr) *pbCreated = false;
  UINT nSchema = 0;
  DWORD obTag = 0;
  CRuntimeClass* pClassRef = ReadClass(pClassRefRequested, &nSchema, &obTag);
  if (pClassRef == nullptr) {
    if (obTag >= m_loadArray.size() || m_loadArray[obTag].isClass) AfxThrowArchiveException(CArchiveException::badIndex);
    auto* pOb = static_cast<CObject*>(m_loadArray[obTag].pointer);
    if (pOb != nullptr && pClassRefRequested != nullptr && !pOb->IsKindOf(pClassRefRequested))
      AfxThrowArchiveException(CArchiveException::badClass);
    return pOb;
  }

  // Hostile archives can nest records without end; stop before the stack does.
  if (m_nLoadDepth >= nMaxLoadDepth) AfxThrowArchiveException(CArchiveException::genericException);
  if (m_loadArray.size() >= nMaxMapCount) AfxThrowArchiveException(CArchiveException::badIndex);
  // A list is stored in place by the object that owns its elements; as an object
  // record of its own, the objects it read would belong to nobody.
  if (pClassRef->IsDerivedFrom(RUNTIME_CLASS(CObList))) AfxThrowArchiveException(CArchiveException::badClass);
  std::unique_ptr<CObject> pOb(pClassRef->CreateObject());
  if (pOb == nullptr) AfxThrowArchiveException(CArchiveException::badClass);

  // Mapped before its Serialize, so that its members may refer back to it.
  const size_t slot = m_loadArray.size();
  m_loadArray.push_back({pOb.get(), 0, false});
  m_nClearedFrom = static_cast<size_t>(-1);
  const UINT nSchemaSave = m_nObjectSchema;
  m_nObjectSchema = nSchema;
  ++m_nLoadDepth;
  try {
    pOb->Serialize(*this);
  } catch (...) {
    --m_nLoadDepth;
    m_nObjectSchema = nSchemaSave;
    // The object is deleted on the way out, and with it whatever its Serialize read
    // and took: the map keeps no pointer to any of them.
    // Outer levels of the same failure clear only up to where an inner one began.
    const size_t end = std::min(m_nClearedFrom, m_loadArray.size());
    for (size_t i = slot; i < end; ++i)
      if (!m_loadArray[i].isClass) m_loadArray[i].pointer = nullptr;
    m_nClearedFrom = slot;
    throw;
  }
  --m_nLoadDepth;
  m_nObjectSchema = nSchemaSave;
  if (pbCreated != nullptr) *pbCreated = true;
  if (m_bHolding && m_nLoadDepth == 0) m_loadArray[slot].held = true;
  return pOb.release();
}

CArchive::CLoadHold::CLoadHold(CArchive& ar) : m_ar(ar) {
  if (!ar.IsLoading() || ar.m_bHolding) AfxThrowArchiveException(CArchiveException::genericException);
  ar.m_bHolding = true;
}

CArchive::CLoadHold::~CLoadHold() {
  if (!m_ar.m_bHolding) return;
  m_ar.m_bHolding = false;
  // Each created object has one entry, so each is deleted once; an outermost object
  // deletes the objects it owns, which have entries of their own that are not held.
  for (LoadEntry& entry : m_ar.m_loadArray) {
    if (!entry.held) continue;
    entry.held = false;
    delete static_cast<CObject*>(entry.pointer);
    entry.pointer = nullptr;
  }
}

void CArchive::CLoadHold::Release() {
  m_ar.m_bHolding = false;
  for (LoadEntry& entry : m_ar.m_loadArray) entry.held = false;
}

void CArchive::SerializeClass(const CRuntimeClass* pClassRef) {
  if (IsStoring())
    WriteClass(pClassRef);
  else
    ReadClass(pClassRef);
}

UINT CArchive::GetObjectSchema() {
  const UINT n = m_nObjectSchema;
  m_nObjectSchema = static_cast<UINT>(-1);
  return n;
}

void CArchive::MapObject(const CObject* pOb) {
  if (IsStoring()) {
    if (pOb != nullptr && m_storeMap.Find(pOb) == 0) m_storeMap.Insert(pOb, m_nMapCount++);
  } else {
    m_loadArray.push_back({const_cast<CObject*>(pOb), 0, false});
  }
}

CArchive& operator<<(CArchive& ar, const CObject* pOb) {
  ar.WriteObject(pOb);
  return ar;
}

CArchive& operator>>(CArchive& ar, CObject*& pOb) {
  pOb = ar.ReadObject(nullptr);
  return ar;
}

CArchive& operator>>(CArchive& ar, const CObject*& pOb) {
  pOb = ar.ReadObject(nullptr);
  return ar;
}

CArchive& operator<<(CArchive& ar, const CString& s) {
  const std::u16string units = WideToUtf16(s.str());
  const size_t n = units.size();
  ar << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFE);
  if (n < 0xFF) {
    ar << static_cast<BYTE>(n);
  } else {
    ar << static_cast<BYTE>(0xFF);
    if (n < 0xFFFE)
      ar << static_cast<WORD>(n);
    else
      ar << static_cast<WORD>(0xFFFF) << static_cast<DWORD>(n);
  }
  const auto* bytes = reinterpret_cast<const BYTE*>(units.data());
  size_t left = n * sizeof(char16_t);
  while (left > 0) {
    const auto chunk = static_cast<UINT>(std::min<size_t>(left, size_t{1} << 30));
    ar.Write(bytes, chunk);
    bytes += chunk;
    left -= chunk;
  }
  return ar;
}

CArchive& operator>>(CArchive& ar, CString& s) {
  // Length prefix: BYTE (< 0xFF), or 0xFF + WORD (< 0xFFFF), or 0xFF 0xFFFF + DWORD; a
  // Unicode string puts 0xFF 0xFFFE before the prefix.
  bool unicode = false;
  ULONGLONG nLength = 0;
  BYTE b = 0;
  ar >> b;
  if (b < 0xFF) {
    nLength = b;
  } else {
    WORD w = 0;
    ar >> w;
    bool haveLength = false;
    if (w == 0xFFFE) {
      unicode = true;
      ar >> b;
      if (b < 0xFF) {
        nLength = b;
        haveLength = true;
      } else {
        ar >> w;
      }
    }
    if (!haveLength) {
      if (w < 0xFFFF) {
        nLength = w;
      } else {
        DWORD dw = 0;
        ar >> dw;
        nLength = dw;
      }
    }
  }
  const ULONGLONG nBytes = nLength * (unicode ? 2u : 1u);
  ar.RequireBytes(nBytes);
  if (unicode) {
    std::u16string units(static_cast<size_t>(nLength), u'\0');
    if (ar.Read(units.data(), static_cast<UINT>(nBytes)) != nBytes) AfxThrowArchiveException(CArchiveException::endOfFile);
    s = CString(Utf16ToWide(units));
  } else {
    std::string bytes(static_cast<size_t>(nLength), '\0');
    if (ar.Read(bytes.data(), static_cast<UINT>(nBytes)) != nBytes) AfxThrowArchiveException(CArchiveException::endOfFile);
    s = CString(Cp936ToWide(bytes));
  }
  return ar;
}
