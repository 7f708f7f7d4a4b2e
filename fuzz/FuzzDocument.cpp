// Document files: the whole read of a document (preview block, then the
// database stream) as opening a file checks it.
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
    const std::vector<unsigned char> bytes(data, data + size);
    (void)CKorvelDoc::CheckDocumentBytes(bytes);
    return 0;
}
