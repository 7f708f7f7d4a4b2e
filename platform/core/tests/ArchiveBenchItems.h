// The small storable objects of the archive throughput bench, shared with the
// test that keeps the bench's bytes against a golden file. The header defines
// the class's run-time record: include it from one source file per program.
#pragma once

#include "platform/core/Archive.h"
#include "platform/core/ObList.h"

// Fixed schema 1: int32 id, int32 flags, double x, double y (24 bytes a record).
class CBenchItem : public CObject {
  DECLARE_SERIAL(CBenchItem)
public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring())
      ar << m_id << m_flags << m_x << m_y;
    else
      ar >> m_id >> m_flags >> m_x >> m_y;
  }
  int m_id = 0;
  int m_flags = 0;
  double m_x = 0.0;
  double m_y = 0.0;
};

IMPLEMENT_SERIAL(CBenchItem, CObject, 1)

// Appends the bench's first count objects.
inline void FillBenchList(CObList& list, int count) {
  for (int i = 0; i < count; ++i) {
    auto* item = new CBenchItem;
    item->m_id = i;
    item->m_flags = i & 7;
    item->m_x = i * 0.5;
    item->m_y = -i * 0.25;
    list.AddTail(item);
  }
}

inline void DeleteBenchList(CObList& list) {
  while (!list.IsEmpty()) delete list.RemoveHead();
}
