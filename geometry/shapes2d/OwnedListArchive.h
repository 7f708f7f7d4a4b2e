// Loading of an owning shape list from an archive, shared by the composite
// curve and the region. Internal to the shapes library.
#pragma once

#include "platform/core/Archive.h"

namespace gearchive {

// Reads the count and the object records of an owning list one by one, so
// that nothing is owned twice: each record must create a new T. A reference
// to an object read earlier, or an object of another class, throws the
// archive exception; null entries are skipped. Objects taken before a throw
// stay in list, whose owner the loader deletes.
template <class T>
void LoadOwnedList(CArchive& ar, CTypedPtrList<CObList, T*>& list)
{
    DWORD count = ar.ReadCount();
    ar.RequireBytes(static_cast<ULONGLONG>(count) * sizeof(WORD));
    while (count-- > 0) {
        bool created = false;
        CObject* ob = ar.ReadObject(nullptr, &created);
        if (!ob) continue;  // a null entry: nothing to keep
        if (!created) AfxThrowArchiveException(CArchiveException::badIndex);
        auto* item = dynamic_cast<T*>(ob);
        if (!item) {
            delete ob;
            AfxThrowArchiveException(CArchiveException::badClass);
        }
        list.AddTail(item);
    }
}

}  // namespace gearchive
