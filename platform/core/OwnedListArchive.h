// Loading of owned members: an object pointer or an object list whose
// objects the reader owns (a curve entity's curve, a composite's members, a
// region's loops, a group's entities, the database's entities and layers).
#pragma once

#include "platform/core/Archive.h"
#include "platform/core/ObList.h"

namespace archive {

// Reads one record of an owned member of kind T: null, or the new object the
// record created. Another kind throws badClass; a reference to an object read
// earlier (owned elsewhere, repeated, or the reader itself) throws badIndex.
// Nothing that came from a reference is deleted; a new object of another kind
// is deleted unless the archive's load hold owns it. T is checked with
// dynamic_cast, as the run-time class records of shapes name CObject as base.
template <class T>
T* ReadOwnedObject(CArchive& ar)
{
    const bool held = ar.IsHoldingNewObjects();
    bool created = false;
    CObject* ob = ar.ReadObject(nullptr, &created);
    if (ob == nullptr) return nullptr;
    auto* item = dynamic_cast<T*>(ob);
    if (item == nullptr) {
        if (created && !held) delete ob;
        AfxThrowArchiveException(CArchiveException::badClass);
    }
    if (!created) AfxThrowArchiveException(CArchiveException::badIndex);
    return item;
}

// Reads the count and the records of an owned list one by one with
// ReadOwnedObject, so that nothing is owned twice; null entries are skipped.
// Objects taken before a throw stay in list, for its owner to delete (or the
// archive's load hold, when it owns them).
template <class T>
void LoadOwnedList(CArchive& ar, CTypedPtrList<CObList, T*>& list)
{
    DWORD count = ar.ReadCount();
    // Every record takes at least its two-byte tag.
    ar.RequireBytes(static_cast<ULONGLONG>(count) * sizeof(WORD));
    while (count-- > 0)
        if (T* item = ReadOwnedObject<T>(ar)) list.AddTail(item);
}

}  // namespace archive
