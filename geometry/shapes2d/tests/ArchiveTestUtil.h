// Object-record round trips through a memory file for the shape archive tests.
#pragma once

#include "platform/core/Archive.h"
#include "platform/core/File.h"

namespace archtest {

// Writes ob as an object record (its class record first) into file.
inline void StoreObject(CMemFile& file, CObject* ob)
{
    CArchive ar(&file, CArchive::store);
    ar << ob;
    ar.Close();
}

// Reads one object record from the start of file; the caller owns the result.
inline CObject* LoadObject(CMemFile& file)
{
    file.SeekToBegin();
    CObject* back = nullptr;
    CArchive ar(&file, CArchive::load);
    ar >> back;
    ar.Close();
    return back;
}

}  // namespace archtest
