// Picture files: Qt's readers behind the program's image loading, and the
// bitmap's own BMP reader used without them.
#include "FuzzInputFile.h"
#include "framework/looker/Dib.h"
#include "platform/ui/ImageFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzz::InputPath(".img");
    if (!fuzz::WriteInput(path, data, size)) return 0;
    const CString name = CString::FromUtf8(path);
    int width = 0, height = 0;
    std::vector<BYTE> bgra;
    (void)AfxReadImageFile(name, width, height, bgra, CDib::kMaxSide);
    CDib::SetReader(nullptr);
    CDib* dib = new CDib;
    (void)dib->ReadFile(name);
    dib->Release();
    return 0;
}
