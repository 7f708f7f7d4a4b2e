// Packed bitmaps as a native scanner transfer hands them over: the bitmap
// reader, and the image-scan command's copy from a memory block.
#include "framework/actorum/MainCmds.h"
#include "framework/looker/Dib.h"
#include "platform/ui/Clipboard.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CDib* dib = new CDib;
    (void)dib->CreateFromPackedDib(data, size);
    dib->Release();
    void* block = GlobalAlloc(GHND, size);
    if (block == nullptr) return 0;
    if (size > 0) std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    std::int32_t width = 0;
    std::uint16_t bits = 0;
    if (size >= 16) std::memcpy(&width, data + 4, 4), std::memcpy(&bits, data + 14, 2);
    CImageScanCmd cmd(1, L"scan");
    (void)cmd.SetBitmap(block, bits, -1, width);
    GlobalFree(block);
    return 0;
}
