#include "platform/core/ObList.h"

#include "platform/core/Archive.h"

#include <vector>

IMPLEMENT_SERIAL(CObList, CObject, 0)
IMPLEMENT_DYNAMIC(CPtrList, CObject)

void CObList::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD>(GetCount()));
    for (CNode* node = m_pNodeHead; node != nullptr; node = node->pNext) ar << node->data;
    return;
  }

  DWORD nNewCount = ar.ReadCount();
  // Every record takes at least its two-byte tag, so a larger count cannot be genuine.
  ar.RequireBytes(static_cast<ULONGLONG>(nNewCount) * sizeof(WORD));
  CNode* const oldTail = m_pNodeTail;
  // Objects created under the archive's load hold are the hold's to delete.
  const bool held = ar.IsHoldingNewObjects();
  std::vector<CObject*> created;  // each created object is new, so no repeats
  try {
    while (nNewCount-- > 0) {
      bool isNew = false;
      CObject* pOb = ar.ReadObject(nullptr, &isNew);
      if (isNew && !held) created.push_back(pOb);
      try {
        AddTail(pOb);
      } catch (...) {
        if (isNew && !held) {
          created.pop_back();
          delete pOb;
        }
        throw;
      }
    }
  } catch (...) {
    // Take back what this call appended and delete only the objects it created: a
    // back-reference may repeat an element, and objects read earlier have owners.
    while (m_pNodeTail != oldTail) RemoveTail();
    for (auto it = created.rbegin(); it != created.rend(); ++it) delete *it;
    throw;
  }
}
