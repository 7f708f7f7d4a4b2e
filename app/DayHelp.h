// The tip-of-the-day record and table shared by the program and the plug-in
// module that appends its own tips.
#pragma once

#include "platform/core/Containers.h"

#include <cstdint>

// A tip: the string id and the GIF id (0: no picture). A string id of 0 or
// less names a tip of the plug-in module: its string |id| and its GIF.
struct tagDAYHELP {
    std::int32_t nStringID;
    std::int32_t nGifID;
};
static_assert(sizeof(tagDAYHELP) == 8, "tip records are two 32-bit values");

using DayHelpTable = CArray<tagDAYHELP>;
// The plug-in's export "GetDayHelp": appends its records to the table.
using GetDayHelpFn = void (*)(DayHelpTable* table);
inline constexpr const char* kGetDayHelpName = "GetDayHelp";
