// The command configuration file "Command-chs.cfg": the layer bar's state,
// then the command hub's part, read by both passes of the start-up with the
// commands that keep settings registered.
#include "ConfigCommands.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void ReadConfig(std::vector<BYTE>& bytes, bool secondPass)
{
    CRelayon hub;
    fuzz::RegisterConfigCommands(hub);
    try {
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete, 4096);
        std::int32_t reserved = 0, hidden = 0;
        ar >> reserved >> hidden;
        if (secondPass) hub.Serialize(ar);
        else hub.Serialize1(ar);
        ar.Close();
    } catch (const CException&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<BYTE> bytes(data, data + size);
    ReadConfig(bytes, false);
    ReadConfig(bytes, true);
    return 0;
}
