#include "app/ViewCommandTable.h"

#include <algorithm>
#include <iterator>

namespace korvel {

namespace {

constexpr int C = kCurrentSub;

constexpr CommandFamily kFamilies[] = {
    {32776, 32785, 0, 32777, {C, 0, C, C, 1, 2, C, C, C, C}, CancelBefore::IfBusy, FamilyUpdate::Checked},
    {32774, 32775, 0, 0, {C, C}, CancelBefore::IfBusy, FamilyUpdate::Checked},
    {32787, 32791, 32786, 0, {0, 1, 2, 3, 4}, CancelBefore::First, FamilyUpdate::Checked},
    {32795, 32797, 0, 0, {0, 0, 0}, CancelBefore::First, FamilyUpdate::Checked},
    {33164, 33165, 33164, 0, {1, 2}, CancelBefore::First, FamilyUpdate::Checked},
    {32820, 32831, 32819, 0, {1, 2, 3, 4, 12, 6, 5, 7, 8, 9, 10, 11}, CancelBefore::First, FamilyUpdate::Align},
    {32864, 32866, 32863, 0, {0, 1, 2}, CancelBefore::First, FamilyUpdate::Enable},
    {32997, 32997, 32863, 0, {3}, CancelBefore::None, FamilyUpdate::Enable},
    {33286, 33286, 32863, 0, {4}, CancelBefore::None, FamilyUpdate::Enable},
    {32897, 32899, 32897, 0, {1, 2, 3}, CancelBefore::First, FamilyUpdate::Named},
    {32978, 32980, 32978, 0, {1, 2, 3}, CancelBefore::First, FamilyUpdate::Named},
    {32917, 32920, 32917, 0, {0, 1, 2, 3}, CancelBefore::First, FamilyUpdate::Boolean},
    {32799, 32801, 32801, 0, {0, 1, 2}, CancelBefore::First, FamilyUpdate::Mirror},
    {33289, 33290, 33289, 0, {1, 2}, CancelBefore::First, FamilyUpdate::SetSub},
    {33186, 33187, 33186, 0, {0, 1}, CancelBefore::First, FamilyUpdate::Checked},
    {32996, 32996, 32996, 0, {0}, CancelBefore::None, FamilyUpdate::SetSubHub},
    {33155, 33155, 32996, 0, {1}, CancelBefore::None, FamilyUpdate::SetSubOne},
    // The current variant of the arc and rectangle commands, and of the wave.
    {32942, 32942, 32786, 0, {C}, CancelBefore::None, FamilyUpdate::Checked},
    {32943, 32943, 32777, 0, {C}, CancelBefore::None, FamilyUpdate::Checked},
    {32962, 32962, 0, 0, {C}, CancelBefore::None, FamilyUpdate::Hub},
};

constexpr UINT kHubRunIds[] = {
    32773, 32793, 32802, 32814, 32818, 32834, 32836, 32852, 32903, 32904, 32914, 32926, 32927, 32930, 32933, 32935,
    32940, 32947, 32948, 32949, 32950, 32951, 32956, 32958, 32959, 32960, 32961, 32963, 32964, 32971, 32973, 32974,
    32977, 32992, 32994, 32999, 33000, 33005, 33072, 33073, 33077, 33089, 33154, 33182, 33191, 33196, 33197, 33309,
};
static_assert(std::size(kHubRunIds) == 48);

struct NodeEditRow {
    UINT id;
    int code;
};
constexpr NodeEditRow kNodeEdit[] = {
    {32870, 0},  {32871, 1},  {32872, 2},  {32873, 3},  {32916, 4},  {32878, 5},  {32879, 7},  {32934, 8},
    {32936, 10}, {32937, 11}, {32938, 12}, {32939, 13}, {33062, 15}, {32975, 16}, {32990, 17},
};

// Boolean operation per item of 32917 to 32920.
constexpr int kBooleanOperations[] = {3, 1, 0, 2};

constexpr SubCommandNames kSubNames[] = {
    {32819,
     {L"", L"Align Left", L"Align Right", L"Align Top", L"Align Bottom", L"Centre Horizontally", L"Centre Vertically",
      L"Same Width", L"Same Height", L"Same Size", L"Space Horizontally", L"Space Vertically", L"Centre on Page"}},
    {32917, {L"Union", L"Intersection", L"Difference", L"Reverse Difference"}},
    {32897, {L"", L"Split by Line", L"Split by Polyline", L"Split by Curve"}},
    {32978, {L"", L"Split at Point", L"Split at Intersections", L"Split into Segments"}},
    {33289, {L"", L"Bold", L"Italic"}},
    {32996, {L"Fit Arcs", L"Fit Arcs and Lines"}},
};

constexpr const char* kCalculators[] = {"gnome-calculator", "kcalc", "galculator", "qalculate-gtk", "xcalc"};
constexpr const char* kTextEditors[] = {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "pluma", "xed",
                                        "leafpad", "xedit"};
constexpr const char* kPaintPrograms[] = {"kolourpaint", "pinta", "mtpaint", "gimp"};

}  // namespace

const CommandFamily* FindCommandFamily(UINT id)
{
    const auto it = std::find_if(std::begin(kFamilies), std::end(kFamilies),
                                 [id](const CommandFamily& f) { return id >= f.first && id <= f.last; });
    return it != std::end(kFamilies) ? &*it : nullptr;
}

UINT FamilyTarget(const CommandFamily& family, UINT id) { return family.command != 0 ? family.command : id; }

int FamilySub(const CommandFamily& family, UINT id) { return family.subs[id - family.first]; }

int BooleanOperationOf(UINT id) { return id >= 32917 && id <= 32920 ? kBooleanOperations[id - 32917] : -1; }

std::span<const UINT> HubRunIds() { return kHubRunIds; }

int NodeEditCodeOf(UINT id)
{
    for (const NodeEditRow& row : kNodeEdit)
        if (row.id == id) return row.code;
    return -1;
}

std::span<const SubCommandNames> SubCommandNameTable() { return kSubNames; }

std::span<const char* const> DesktopToolPrograms(DesktopTool tool)
{
    switch (tool) {
    case DesktopTool::Calculator: return kCalculators;
    case DesktopTool::TextEditor: return kTextEditors;
    case DesktopTool::Paint: return kPaintPrograms;
    }
    return {};
}

}  // namespace korvel
