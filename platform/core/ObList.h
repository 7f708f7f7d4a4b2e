#pragma once
// Doubly linked lists with the class library's iteration: a POSITION is the address
// of a node, stays valid until that node is removed, and null ends the iteration.
// Removing while iterating works when the caller has moved past the node first:
//   POSITION pos = list.GetHeadPosition();
//   while (pos) { POSITION cur = pos; auto* p = list.GetNext(pos); if (...) list.RemoveAt(cur); }
// Pointer lists do not own their elements; null elements are allowed.

#include "platform/core/Object.h"

#include <concepts>
#include <cstddef>
#include <iterator>
#include <type_traits>
#include <utility>

class CArchive;

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
protected:
  struct CNode {
    CNode* pNext;
    CNode* pPrev;
    TYPE data;
  };

public:
  explicit CList(INT_PTR nBlockSize = 10) { (void)nBlockSize; }
  ~CList() override { RemoveAll(); }

  INT_PTR GetCount() const { return m_nCount; }
  INT_PTR GetSize() const { return m_nCount; }
  bool IsEmpty() const { return m_nCount == 0; }

  // Head and tail of a non-empty list.
  TYPE& GetHead() { return m_pNodeHead->data; }
  const TYPE& GetHead() const { return m_pNodeHead->data; }
  TYPE& GetTail() { return m_pNodeTail->data; }
  const TYPE& GetTail() const { return m_pNodeTail->data; }

  TYPE RemoveHead() {
    ASSERT(m_pNodeHead != nullptr);
    CNode* node = m_pNodeHead;
    TYPE value = node->data;
    FreeNode(node);
    return value;
  }
  TYPE RemoveTail() {
    ASSERT(m_pNodeTail != nullptr);
    CNode* node = m_pNodeTail;
    TYPE value = node->data;
    FreeNode(node);
    return value;
  }

  POSITION AddHead(ARG_TYPE newElement) { return InsertNode(nullptr, m_pNodeHead, newElement); }
  POSITION AddTail(ARG_TYPE newElement) { return InsertNode(m_pNodeTail, nullptr, newElement); }
  // Whole lists (templates, so that a null element does not read as a null list).
  template <std::derived_from<CList> LIST>
  void AddHead(const LIST* pNewList) {
    if (pNewList == nullptr) return;
    // Walk backwards so the new list keeps its order in front; safe when adding to itself.
    POSITION pos = pNewList->GetTailPosition();
    const INT_PTR n = pNewList->GetCount();
    for (INT_PTR i = 0; i < n; ++i) AddHead(pNewList->GetPrev(pos));
  }
  template <std::derived_from<CList> LIST>
  void AddTail(const LIST* pNewList) {
    if (pNewList == nullptr) return;
    POSITION pos = pNewList->GetHeadPosition();
    const INT_PTR n = pNewList->GetCount();
    for (INT_PTR i = 0; i < n; ++i) AddTail(pNewList->GetNext(pos));
  }

  void RemoveAll() {
    CNode* node = m_pNodeHead;
    while (node != nullptr) {
      CNode* next = node->pNext;
      delete node;
      node = next;
    }
    m_pNodeHead = m_pNodeTail = nullptr;
    m_nCount = 0;
  }

  POSITION GetHeadPosition() const { return ToPos(m_pNodeHead); }
  POSITION GetTailPosition() const { return ToPos(m_pNodeTail); }
  TYPE& GetNext(POSITION& rPosition) {
    CNode* node = ToNode(rPosition);
    rPosition = ToPos(node->pNext);
    return node->data;
  }
  const TYPE& GetNext(POSITION& rPosition) const {
    CNode* node = ToNode(rPosition);
    rPosition = ToPos(node->pNext);
    return node->data;
  }
  TYPE& GetPrev(POSITION& rPosition) {
    CNode* node = ToNode(rPosition);
    rPosition = ToPos(node->pPrev);
    return node->data;
  }
  const TYPE& GetPrev(POSITION& rPosition) const {
    CNode* node = ToNode(rPosition);
    rPosition = ToPos(node->pPrev);
    return node->data;
  }
  TYPE& GetAt(POSITION position) { return ToNode(position)->data; }
  const TYPE& GetAt(POSITION position) const { return ToNode(position)->data; }
  void SetAt(POSITION pos, ARG_TYPE newElement) { ToNode(pos)->data = newElement; }
  void RemoveAt(POSITION position) { FreeNode(ToNode(position)); }

  // Null inserts at the head (before) or the tail (after).
  POSITION InsertBefore(POSITION position, ARG_TYPE newElement) {
    if (position == nullptr) return AddHead(newElement);
    CNode* at = ToNode(position);
    return InsertNode(at->pPrev, at, newElement);
  }
  POSITION InsertAfter(POSITION position, ARG_TYPE newElement) {
    if (position == nullptr) return AddTail(newElement);
    CNode* at = ToNode(position);
    return InsertNode(at, at->pNext, newElement);
  }

  // First element equal to searchValue after startAfter (from the head when null).
  POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const {
    CNode* node = startAfter == nullptr ? m_pNodeHead : ToNode(startAfter)->pNext;
    for (; node != nullptr; node = node->pNext) {
      if (node->data == searchValue) return ToPos(node);
    }
    return nullptr;
  }
  // Position of the nIndex-th element, or null when out of range.
  POSITION FindIndex(INT_PTR nIndex) const {
    if (nIndex < 0 || nIndex >= m_nCount) return nullptr;
    CNode* node = m_pNodeHead;
    while (nIndex-- > 0) node = node->pNext;
    return ToPos(node);
  }

  // Range-for over the elements.
  template <class LIST, class REF>
  class Iterator {
  public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = TYPE;
    using difference_type = std::ptrdiff_t;
    Iterator() = default;
    explicit Iterator(CNode* node) : m_node(node) {}
    REF operator*() const { return m_node->data; }
    Iterator& operator++() {
      m_node = m_node->pNext;
      return *this;
    }
    Iterator operator++(int) {
      Iterator old = *this;
      m_node = m_node->pNext;
      return old;
    }
    bool operator==(const Iterator& o) const { return m_node == o.m_node; }

  private:
    CNode* m_node = nullptr;
  };
  using iterator = Iterator<CList, TYPE&>;
  using const_iterator = Iterator<const CList, const TYPE&>;
  iterator begin() { return iterator(m_pNodeHead); }
  iterator end() { return iterator(nullptr); }
  const_iterator begin() const { return const_iterator(m_pNodeHead); }
  const_iterator end() const { return const_iterator(nullptr); }

protected:
  static POSITION ToPos(CNode* node) { return reinterpret_cast<POSITION>(node); }
  static CNode* ToNode(POSITION pos) {
    ASSERT(pos != nullptr);
    return reinterpret_cast<CNode*>(pos);
  }

  POSITION InsertNode(CNode* prev, CNode* next, ARG_TYPE value) {
    CNode* node = new CNode{next, prev, value};
    (prev != nullptr ? prev->pNext : m_pNodeHead) = node;
    (next != nullptr ? next->pPrev : m_pNodeTail) = node;
    ++m_nCount;
    return ToPos(node);
  }
  void FreeNode(CNode* node) {
    (node->pPrev != nullptr ? node->pPrev->pNext : m_pNodeHead) = node->pNext;
    (node->pNext != nullptr ? node->pNext->pPrev : m_pNodeTail) = node->pPrev;
    delete node;
    --m_nCount;
  }

  CNode* m_pNodeHead = nullptr;
  CNode* m_pNodeTail = nullptr;
  INT_PTR m_nCount = 0;
};

// List of object pointers. Serialize writes the count (CArchive::WriteCount) and one
// object record per element; loading appends the objects it reads. If loading fails,
// the elements that call appended are taken off again and the objects it created are
// deleted before the exception goes on.
class CObList : public CList<CObject*, CObject*> {
  DECLARE_SERIAL(CObList)
public:
  explicit CObList(INT_PTR nBlockSize = 10) : CList(nBlockSize) {}
  void Serialize(CArchive& ar) override;
};

class CPtrList : public CList<void*, void*> {
  DECLARE_DYNAMIC(CPtrList)
public:
  explicit CPtrList(INT_PTR nBlockSize = 10) : CList(nBlockSize) {}
};

// Typed view of a CObList or CPtrList: elements go in and come out as TYPE (a pointer
// type). Getters return values; change an element through SetAt.
template <class BASE_CLASS, class TYPE>
class CTypedPtrList : public BASE_CLASS {
  using Base = BASE_CLASS;
  using Elem = decltype(std::declval<Base&>().GetHead());
  using Stored = std::remove_reference_t<Elem>;

  static TYPE Cast(Stored p) { return static_cast<TYPE>(p); }

public:
  explicit CTypedPtrList(INT_PTR nBlockSize = 10) : Base(nBlockSize) {}

  TYPE GetHead() const { return Cast(Base::GetHead()); }
  TYPE GetTail() const { return Cast(Base::GetTail()); }
  TYPE RemoveHead() { return Cast(Base::RemoveHead()); }
  TYPE RemoveTail() { return Cast(Base::RemoveTail()); }
  TYPE GetNext(POSITION& rPosition) const { return Cast(Base::GetNext(rPosition)); }
  TYPE GetPrev(POSITION& rPosition) const { return Cast(Base::GetPrev(rPosition)); }
  TYPE GetAt(POSITION position) const { return Cast(Base::GetAt(position)); }
  void SetAt(POSITION pos, TYPE newElement) { Base::SetAt(pos, newElement); }

  // The element goes in as the stored pointer type, so that an element that is itself a
  // list (a list of point strings) is not taken for a whole list to append.
  POSITION AddHead(TYPE newElement) { return Base::AddHead(static_cast<Stored>(newElement)); }
  POSITION AddTail(TYPE newElement) { return Base::AddTail(static_cast<Stored>(newElement)); }
  template <std::derived_from<Base> LIST>
  void AddHead(const LIST* pNewList) {
    Base::AddHead(pNewList);
  }
  template <std::derived_from<Base> LIST>
  void AddTail(const LIST* pNewList) {
    Base::AddTail(pNewList);
  }
  POSITION InsertBefore(POSITION position, TYPE newElement) { return Base::InsertBefore(position, newElement); }
  POSITION InsertAfter(POSITION position, TYPE newElement) { return Base::InsertAfter(position, newElement); }
  POSITION Find(TYPE searchValue, POSITION startAfter = nullptr) const { return Base::Find(searchValue, startAfter); }

  class const_iterator {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TYPE;
    using difference_type = std::ptrdiff_t;
    const_iterator() = default;
    explicit const_iterator(POSITION pos, const CTypedPtrList* list) : m_pos(pos), m_list(list) {}
    TYPE operator*() const { return m_list->GetAt(m_pos); }
    // Steps without casting the element, so a loop may delete what it has visited.
    const_iterator& operator++() {
      m_list->Base::GetNext(m_pos);
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++*this;
      return old;
    }
    bool operator==(const const_iterator& o) const { return m_pos == o.m_pos; }

  private:
    POSITION m_pos = nullptr;
    const CTypedPtrList* m_list = nullptr;
  };
  const_iterator begin() const { return const_iterator(this->GetHeadPosition(), this); }
  const_iterator end() const { return const_iterator(nullptr, this); }
};
