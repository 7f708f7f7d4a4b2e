// The settings file "settings.cfg": "key=value" lines read into the settings
// record at start-up.
#include "framework/looker/AppSettings.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CQVAppSettings settings;
    settings.ReadProfile(in);
    return 0;
}
