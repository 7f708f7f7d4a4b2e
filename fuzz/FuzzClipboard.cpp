// Clipboard payloads: the program's own entity block as paste reads it.
#include "app/KorvelDoc.h"
#include "FuzzMemoryBudget.h"

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
    const std::vector<BYTE> bytes(data, data + size);
    double base[2] = {0.0, 0.0};
    CTypedPtrList<CObList, CDbEntity*> entities;
    if (CKorvelDoc::ReadClipboardPayload(bytes, base, entities)) {
        while (!entities.IsEmpty()) delete entities.RemoveHead();
    }
    return 0;
}
