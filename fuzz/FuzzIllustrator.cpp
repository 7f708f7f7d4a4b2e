// Illustrator/EPS files: the import plug-in's parser, from the file on.
#include "FuzzInputFile.h"
#include "plugins/illustrator/AiFileParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzz::InputPath(".eps");
    if (!fuzz::WriteInput(path, data, size)) return 0;
    AiFileParser parser;
    (void)ParseAiFile(parser, CString::FromUtf8(path));
    parser.DeleteAll();
    return 0;
}
