// Scanned frames: the scanner library's parameters (from the first 13 bytes)
// and samples (the rest) made into a packed bitmap, which the program's
// bitmap reader must then read back at the same size.
#include "framework/looker/Dib.h"
#include "platform/scan/DibFrame.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 13) return 0;
    twainsane::FrameLayout layout;
    layout.rgb = (data[0] & 1) != 0;
    static const int depths[] = {1, 8, 16, 4};
    layout.depth = depths[(data[0] >> 1) & 3];
    std::int32_t words[3];
    std::memcpy(words, data + 1, sizeof words);
    // Sizes kept small enough that a frame fits the input most of the time.
    layout.pixelsPerLine = words[0] % 4096;
    layout.bytesPerLine = words[1] % 16384;
    layout.lines = words[2] % 4096;
    const auto dib = twainsane::MakePackedDib(layout, data + 13, size - 13, 300);
    if (!dib) return 0;
    CDib* read = new CDib;
    const bool ok = layout.pixelsPerLine <= CDib::kMaxSide && read->CreateFromPackedDib(dib->data(), dib->size());
    if (layout.pixelsPerLine <= CDib::kMaxSide && (!ok || read->GetWidth() != layout.pixelsPerLine)) std::abort();
    read->Release();
    return 0;
}
