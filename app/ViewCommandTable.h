// The view's command tables: which command each menu item runs, with which
// sub-command, what is cancelled first and how the item's state is decided.
#pragma once

#include "platform/ui/UiTypes.h"

#include <array>
#include <span>

namespace korvel {

// What is cancelled before a run: nothing, the running command, or the
// running command only while the hub reports one.
enum class CancelBefore { None, First, IfBusy };

// How the item of a family is updated (the target is the command run).
enum class FamilyUpdate {
    Checked,    // enabled as the target reports (else disabled and unchecked); checked while it runs the item's variant
    Named,      // as Checked, the item's text the variant's name while enabled
    Align,      // the variant's name, then enabled as the target reports
    Enable,     // enabled as the target reports
    Boolean,    // the variant's name; disabled and unchecked when the operation is refused; else as Checked
    Mirror,     // as Checked, with 32801 disabled and the others enabled for a selection of base type 0x120
    SetSub,     // the target's variant and the item's text set to the item's, then enabled as the target reports
    SetSubHub,  // as SetSub, then the hub decides
    SetSubOne,  // as SetSub, enabled only while the target reports exactly 1
    Hub,        // the hub decides
};

// The target keeps the variant it has.
inline constexpr int kCurrentSub = -1;

struct CommandFamily {
    UINT first;
    UINT last;
    UINT command;   // 0: each id's own command
    UINT fallback;  // the command of an id that has none of its own (0: none)
    std::array<int, 12> subs;  // per id from first on
    CancelBefore cancel;
    FamilyUpdate update;
};

// The family of an id; null for ids outside every family.
const CommandFamily* FindCommandFamily(UINT id);
// The command a family member runs: 0 when it is its own, otherwise the target.
UINT FamilyTarget(const CommandFamily& family, UINT id);
int FamilySub(const CommandFamily& family, UINT id);
// The Boolean command's operation of an item of its family.
int BooleanOperationOf(UINT id);

// Items that only run their registered command (sub-command 0).
std::span<const UINT> HubRunIds();
// Node-edit items and the codes of their messages; -1 for other ids.
int NodeEditCodeOf(UINT id);

// Names of the variants of the commands that show them in their items.
struct SubCommandNames {
    UINT command;
    std::array<const wchar_t*, 13> names;
};
std::span<const SubCommandNames> SubCommandNameTable();

// Desktop programs started by the tools items, the first found on PATH.
enum class DesktopTool { Calculator, TextEditor, Paint };
std::span<const char* const> DesktopToolPrograms(DesktopTool tool);

}  // namespace korvel
