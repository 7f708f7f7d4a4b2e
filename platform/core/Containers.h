#pragma once
// Array and map templates of the class library.
// CArray: contiguous, index-addressed, grows on SetSize/Add/InsertAt; new elements are
// value-initialised (zero for plain structs). CMap: hashed; GetStartPosition/GetNextAssoc
// visit the entries in insertion order, so results never depend on hash values, and a
// position stays valid until its entry is removed.

#include "platform/core/Object.h"
#include "platform/core/WinString.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <type_traits>
#include <vector>

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
public:
  CArray() = default;
  ~CArray() override = default;

  INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
  INT_PTR GetCount() const { return GetSize(); }
  bool IsEmpty() const { return m_data.empty(); }
  INT_PTR GetUpperBound() const { return GetSize() - 1; }

  // nGrowBy > 0 sets how many elements later growth reserves at least; -1 keeps it.
  void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1) {
    if (nGrowBy >= 0) m_nGrowBy = nGrowBy;
    if (nNewSize < 0) nNewSize = 0;
    Reserve(nNewSize);
    m_data.resize(static_cast<size_t>(nNewSize));
  }
  void FreeExtra() { m_data.shrink_to_fit(); }
  void RemoveAll() {
    m_data.clear();
    m_data.shrink_to_fit();
  }

  const TYPE& GetAt(INT_PTR nIndex) const { return m_data[static_cast<size_t>(nIndex)]; }
  TYPE& GetAt(INT_PTR nIndex) { return m_data[static_cast<size_t>(nIndex)]; }
  void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_data[static_cast<size_t>(nIndex)] = newElement; }
  TYPE& ElementAt(INT_PTR nIndex) { return m_data[static_cast<size_t>(nIndex)]; }
  const TYPE& ElementAt(INT_PTR nIndex) const { return m_data[static_cast<size_t>(nIndex)]; }
  TYPE& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
  const TYPE& operator[](INT_PTR nIndex) const { return ElementAt(nIndex); }
  const TYPE* GetData() const { return m_data.data(); }
  TYPE* GetData() { return m_data.data(); }

  // Sets an element, growing the array to reach it.
  void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement) {
    if (nIndex >= GetSize()) SetSize(nIndex + 1);
    m_data[static_cast<size_t>(nIndex)] = newElement;
  }
  INT_PTR Add(ARG_TYPE newElement) {
    Reserve(GetSize() + 1);
    m_data.push_back(newElement);
    return GetSize() - 1;
  }
  // Appends a copy of src (which may be this array); returns the first new index.
  INT_PTR Append(const CArray& src) {
    const INT_PTR old = GetSize();
    const INT_PTR n = src.GetSize();
    Reserve(old + n);  // no reallocation below, so appending to itself is safe
    for (INT_PTR i = 0; i < n; ++i) m_data.push_back(src.m_data[static_cast<size_t>(i)]);
    return old;
  }
  void Copy(const CArray& src) {
    if (&src != this) m_data = src.m_data;
  }
  // Inserts nCount copies at nIndex; an index past the end grows the array first.
  void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1) {
    if (nCount <= 0 || nIndex < 0) return;
    const TYPE value = newElement;  // newElement may refer into this array
    if (nIndex >= GetSize()) {
      SetSize(nIndex + nCount);
      std::fill(m_data.begin() + nIndex, m_data.end(), value);
      return;
    }
    Reserve(GetSize() + nCount);
    m_data.insert(m_data.begin() + nIndex, static_cast<size_t>(nCount), value);
  }
  void InsertAt(INT_PTR nStartIndex, const CArray* pNewArray) {
    if (pNewArray == nullptr || pNewArray->IsEmpty() || nStartIndex < 0) return;
    const std::vector<TYPE> copy = pNewArray->m_data;
    if (nStartIndex > GetSize()) SetSize(nStartIndex);
    Reserve(GetSize() + static_cast<INT_PTR>(copy.size()));
    m_data.insert(m_data.begin() + nStartIndex, copy.begin(), copy.end());
  }
  void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1) {
    if (nIndex < 0 || nCount <= 0 || nIndex >= GetSize()) return;
    const INT_PTR last = std::min(GetSize(), nIndex + nCount);
    m_data.erase(m_data.begin() + nIndex, m_data.begin() + last);
  }

  auto begin() { return m_data.begin(); }
  auto end() { return m_data.end(); }
  auto begin() const { return m_data.begin(); }
  auto end() const { return m_data.end(); }

private:
  void Reserve(INT_PTR nSize) {
    const auto want = static_cast<size_t>(nSize);
    if (want <= m_data.capacity()) return;
    // Honour the caller's grow-by, but never grow slower than geometrically.
    size_t grow = std::max<size_t>(static_cast<size_t>(m_nGrowBy), m_data.capacity() / 2);
    m_data.reserve(std::max(want, m_data.capacity() + grow));
  }

  std::vector<TYPE> m_data;
  INT_PTR m_nGrowBy = 0;
};

class CUIntArray : public CArray<UINT, UINT> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CWordArray : public CArray<WORD, WORD> {};
class CByteArray : public CArray<BYTE, BYTE> {};
class CPtrArray : public CArray<void*, void*> {};
class CObArray : public CArray<CObject*, CObject*> {};
class CStringArray : public CArray<CString, const CString&> {};

// Hash of a map key. Specialise for your own key types:
//   template <> inline UINT HashKey<const SEdge&>(const SEdge& key) { ... }
template <class ARG_KEY>
inline UINT HashKey(ARG_KEY key) {
  using K = std::decay_t<ARG_KEY>;
  if constexpr (std::is_integral_v<K> || std::is_enum_v<K> || std::is_pointer_v<K>) {
    std::uint64_t v;
    if constexpr (std::is_pointer_v<K>)
      v = reinterpret_cast<std::uintptr_t>(key);
    else
      v = static_cast<std::uint64_t>(key);
    v ^= v >> 33;
    v *= 0xff51afd7ed558ccdULL;
    v ^= v >> 33;
    return static_cast<UINT>(v);
  } else {
    return static_cast<UINT>(std::hash<K>()(key));
  }
}

// String keys hash their characters, not their address.
template <>
inline UINT HashKey<LPCWSTR>(LPCWSTR key) {
  return static_cast<UINT>(std::hash<std::wstring_view>()(key != nullptr ? key : L""));
}
template <>
inline UINT HashKey<LPCSTR>(LPCSTR key) {
  return static_cast<UINT>(std::hash<std::string_view>()(key != nullptr ? key : ""));
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
  struct CAssoc {
    CAssoc* pNextInBucket;
    CAssoc* pNext;  // insertion order
    CAssoc* pPrev;
    UINT nHashValue;
    KEY key;
    VALUE value;
  };

public:
  explicit CMap(INT_PTR nBlockSize = 10) { (void)nBlockSize; }
  ~CMap() override { RemoveAll(); }

  INT_PTR GetCount() const { return m_nCount; }
  INT_PTR GetSize() const { return m_nCount; }
  bool IsEmpty() const { return m_nCount == 0; }
  UINT GetHashTableSize() const { return static_cast<UINT>(m_buckets.size()); }

  // Sets the bucket count (the map also grows it by itself as it fills).
  void InitHashTable(UINT nHashSize, BOOL bAllocNow = TRUE) {
    (void)bAllocNow;
    Rehash(std::max<UINT>(nHashSize, 1));
  }

  BOOL Lookup(ARG_KEY key, VALUE& rValue) const {
    const CAssoc* a = Find(key);
    if (a == nullptr) return FALSE;
    rValue = a->value;
    return TRUE;
  }
  VALUE* PLookup(ARG_KEY key) {
    CAssoc* a = Find(key);
    return a != nullptr ? &a->value : nullptr;
  }
  // Value for key, inserted value-initialised when missing.
  VALUE& operator[](ARG_KEY key) {
    if (CAssoc* a = Find(key)) return a->value;
    return Insert(key)->value;
  }
  void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }

  BOOL RemoveKey(ARG_KEY key) {
    if (m_buckets.empty()) return FALSE;
    const UINT h = HashKey<ARG_KEY>(key);
    CAssoc** link = &m_buckets[h % m_buckets.size()];
    for (; *link != nullptr; link = &(*link)->pNextInBucket) {
      CAssoc* a = *link;
      if (a->nHashValue == h && a->key == key) {
        *link = a->pNextInBucket;
        (a->pPrev != nullptr ? a->pPrev->pNext : m_pHead) = a->pNext;
        (a->pNext != nullptr ? a->pNext->pPrev : m_pTail) = a->pPrev;
        delete a;
        --m_nCount;
        return TRUE;
      }
    }
    return FALSE;
  }
  void RemoveAll() {
    CAssoc* a = m_pHead;
    while (a != nullptr) {
      CAssoc* next = a->pNext;
      delete a;
      a = next;
    }
    m_pHead = m_pTail = nullptr;
    std::fill(m_buckets.begin(), m_buckets.end(), nullptr);
    m_nCount = 0;
  }

  POSITION GetStartPosition() const { return reinterpret_cast<POSITION>(m_pHead); }
  void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const {
    ASSERT(rNextPosition != nullptr);
    const CAssoc* a = reinterpret_cast<const CAssoc*>(rNextPosition);
    rKey = a->key;
    rValue = a->value;
    rNextPosition = reinterpret_cast<POSITION>(a->pNext);
  }

private:
  CAssoc* Find(ARG_KEY key) const {
    if (m_buckets.empty()) return nullptr;
    const UINT h = HashKey<ARG_KEY>(key);
    for (CAssoc* a = m_buckets[h % m_buckets.size()]; a != nullptr; a = a->pNextInBucket) {
      if (a->nHashValue == h && a->key == key) return a;
    }
    return nullptr;
  }
  CAssoc* Insert(ARG_KEY key) {
    if (static_cast<size_t>(m_nCount) >= m_buckets.size()) Rehash(static_cast<UINT>(std::max<size_t>(17, m_buckets.size() * 2 + 1)));
    const UINT h = HashKey<ARG_KEY>(key);
    CAssoc*& bucket = m_buckets[h % m_buckets.size()];
    auto* a = new CAssoc{bucket, nullptr, m_pTail, h, key, VALUE()};
    bucket = a;
    (m_pTail != nullptr ? m_pTail->pNext : m_pHead) = a;
    m_pTail = a;
    ++m_nCount;
    return a;
  }
  void Rehash(UINT nBuckets) {
    m_buckets.assign(nBuckets, nullptr);
    for (CAssoc* a = m_pHead; a != nullptr; a = a->pNext) {
      CAssoc*& bucket = m_buckets[a->nHashValue % nBuckets];
      a->pNextInBucket = bucket;
      bucket = a;
    }
  }

  std::vector<CAssoc*> m_buckets;
  CAssoc* m_pHead = nullptr;
  CAssoc* m_pTail = nullptr;
  INT_PTR m_nCount = 0;
};
