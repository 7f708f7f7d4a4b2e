// Every storable class of the program (shapes, entities, layers, tools, ...):
// outermost object records read through CArchive::ReadObject under a load
// hold, as the readers of lists do.
#include "app/KorvelDoc.h"
#include "FuzzMemoryBudget.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::PretendSmallMemory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<BYTE> bytes(data, data + size);
    std::vector<CObject*> read;
    try {
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete, 4096);
        CArchive::CLoadHold hold(ar);
        // A few records, so that later ones may refer to earlier ones.
        for (int i = 0; i < 4 && file.GetPosition() < file.GetLength(); ++i) read.push_back(ar.ReadObject(nullptr));
        hold.Release();
        ar.Close();
    } catch (const CException&) {
        return 0;  // the hold deleted what the failed load created
    }
    // Records after the first of an object are references: delete each once.
    std::vector<CObject*> owned;
    for (CObject* ob : read) {
        if (ob != nullptr && std::find(owned.begin(), owned.end(), ob) == owned.end()) owned.push_back(ob);
    }
    for (CObject* ob : owned) delete ob;
    return 0;
}
