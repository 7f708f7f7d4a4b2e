// The view's registration of the program's commands with the command hub:
// the 88 application commands in their order, their single-key accelerators,
// then the four main commands with select made current.
#include "app/KorvelView.h"

#include "app/ExportCmd.h"
#include "app/ImportCmd.h"
#include "app/KorvelIds.h"
#include "app/LayerManageCmd.h"
#include "app/MeaAreaCmd.h"
#include "app/MeaDistCmd.h"
#include "app/PasteCmd.h"
#include "app/ViewCmds.h"
#include "app/ViewCommandTable.h"
#include "framework/command/BoolCmd.h"
#include "framework/command/InterPackCmd.h"
#include "framework/actorum/MainCmds.h"
#include "framework/command/GenericCmd.h"
#include "framework/looker/AppSlots.h"
#include "framework/relayon/Relayon.h"
#include "platform/ui/Resources.h"

#include <memory>

namespace {

// One row of the application-command table: id, the first constructor value
// and the string id of the name (0 for none).
struct AppCommandRow {
    UINT id;
    int first;
    UINT nameId;
};

// Commands whose classes are not built in this program yet are registered as
// the command library's generic command under their id, so that routing,
// accelerators and menu states work the same for every row.
constexpr AppCommandRow kAppCommands[] = {
    {57637, 1, 0},     {32848, 1, 0},     {32999, 1, 0},     {32935, 1, 0},     {32839, 1, 0},
    {32950, 1, 0},     {32776, 1, 30037}, {32774, 1, 30038}, {32777, 1, 30044}, {32782, 1, 30051},
    {32783, 1, 30052}, {32775, 1, 30053}, {32786, 1, 30057}, {32778, 1, 30063}, {32779, 1, 30064},
    {32903, 1, 30065}, {33005, 1, 0},     {32973, 1, 0},     {32904, 1, 30072}, {32930, 1, 0},
    {32926, 1, 0},     {32927, 1, 0},     {33072, 1, 0},     {32948, 1, 0},     {32961, 1, 0},
    {32962, 1, 0},     {33154, 1, 0},     {32795, 1, 30078}, {32933, 1, 30080}, {32801, 1, 0},
    {32796, 1, 30088}, {33164, 1, 0},     {32797, 1, 0},     {32959, 1, 0},     {32960, 1, 0},
    {32963, 1, 0},     {32836, 1, 0},     {32951, 1, 0},     {32956, 1, 0},     {32971, 1, 0},
    {32974, 1, 0},     {32994, 1, 0},     {32992, 1, 0},     {33000, 1, 0},     {32996, 1, 0},
    {33196, 1, 0},     {33197, 1, 0},     {32808, 0, 0},     {32809, 0, 0},     {32807, 0, 0},
    {32805, 0, 0},     {33128, 0, 0},     {32806, 0, 0},     {32810, 0, 0},     {32812, 0, 0},
    {32811, 0, 0},     {32802, 0, 0},     {32814, 0, 0},     {32947, 1, 0},     {32818, 1, 30128},
    {32819, 1, 0},     {32773, 1, 0},     {32852, 1, 0},     {32958, 1, 0},     {32964, 1, 0},
    {32863, 1, 30149}, {33191, 1, 0},     {33077, 1, 0},     {33186, 1, 0},     {32834, 1, 0},
    {33307, 1, 0},     {33309, 1, 0},     {32897, 1, 0},     {32940, 1, 0},     {32917, 1, 0},
    {32978, 1, 0},     {33308, 1, 0},     {32784, 1, 0},     {32793, 1, 0},     {32914, 1, 0},
    {32949, 1, 0},     {32977, 1, 0},     {33002, 1, 0},     {33148, 1, 0},     {33089, 1, 0},
    {33289, 1, 0},     {32849, 1, 0},     {33314, 1, 0},
};
static_assert(std::size(kAppCommands) == 88, "the program registers 88 application commands");

constexpr UINT kImageScanCmd = korvel::ID_IMAGE_SCAN;
constexpr UINT kTextInputCmd = 32784;
constexpr UINT kGraphLibCmd = 32849;
constexpr UINT kInterPackCmd = 33000;
constexpr UINT kBoolCmd = 32917;

std::unique_ptr<CCommand> MakeAppCommand(UINT id, int first, LPCTSTR name)
{
    switch (id) {
    case kImageScanCmd: return std::make_unique<CImageScanCmd>(first, name);
    case ID_EDIT_PASTE: return std::make_unique<CPasteCmd>(first, name);
    case korvel::ID_FILE_IMPORT: return std::make_unique<CImportCmd>(first, name);
    case korvel::ID_FILE_EXPORT: return std::make_unique<CExportCmd>(first, name);
    case CMeaAreaCmd::kId: return std::make_unique<CMeaAreaCmd>(first, name);
    case CMeaDistCmd::kId: return std::make_unique<CMeaDistCmd>(first, name);
    case CMeaAngCmd::kId: return std::make_unique<CMeaAngCmd>(first, name);
    case korvel::ID_VIEW_ZOOM_IN: return std::make_unique<CViewZoomInCmd>(first, name);
    case korvel::ID_VIEW_ZOOM_OUT: return std::make_unique<CViewZoomOutCmd>(first, name);
    case korvel::ID_VIEW_ZOOM_DYN: return std::make_unique<CViewZoomDynCmd>(first, name);
    case korvel::ID_VIEW_PAN: return std::make_unique<CViewPanCmd>(first, name);
    case korvel::ID_VIEW_ROTATE_3D: return std::make_unique<CView3DRotCmd>(first, name);
    case korvel::ID_VIEW_REGION: return std::make_unique<CViewRegionCmd>(first, name);
    case korvel::ID_VIEW_ALL: return std::make_unique<CViewAllCmd>(first, name);
    case korvel::ID_VIEW_PAGE: return std::make_unique<CViewAllPageCmd>(first, name);
    case korvel::ID_VIEW_PREV: return std::make_unique<CViewPrevCmd>(first, name);
    case kTextInputCmd: return std::make_unique<CTextInputCmd>(first, name);
    case kGraphLibCmd: return std::make_unique<CGraphLibCmd>(first, name);
    case kInterPackCmd: return std::make_unique<CInterPackCmd>(first, name);
    case kBoolCmd: return std::make_unique<CBoolCmd>(first, name);
    default: return std::make_unique<CGenericCmd>(first, name);
    }
}

// Single-key accelerators: key, the command found by name (string id) or by id,
// modifier and sub-command.
struct AccelRow {
    UINT key;
    UINT nameId;
    UINT cmdId;
    UINT modifier;
    int sub;
};

constexpr UINT kMirrorModifier = 0x10;

constexpr AccelRow kAccels[] = {
    {'P', 30037, 0, 0, 0},     {'L', 30038, 0, 0, 0},     {'M', 30065, 0, 0, 0},
    {'A', 30057, 0, 0, 0},     {'C', 30053, 0, 0, 0},     {'E', 30063, 0, 0, 0},
    {'R', 30044, 0, 0, 0},     {'D', 0, 32973, 0, 0},     {'B', 30064, 0, 0, 0},
    {'U', 0, 33000, 0, 0},     {'N', 30051, 0, 0, 0},     {'S', 30052, 0, 0, 0},
    {'W', 0, 32962, 0, 0},     {'H', 0, 32801, kMirrorModifier, 0}, {'V', 0, 32801, kMirrorModifier, 1},
};

}  // namespace

void CKorvelView::RegisterAppCommands()
{
    CString name;
    for (const AppCommandRow& row : kAppCommands) {
        CRelayon* hub = gGetRelayon();
        if (hub == nullptr) break;
        if (row.nameId != 0) name = AfxLoadString(row.nameId);
        const LPCTSTR text = row.nameId != 0 && !name.IsEmpty() ? name.GetString() : nullptr;
        std::unique_ptr<CCommand> command = MakeAppCommand(row.id, row.first, text);
        command->SetID(row.id);
        for (const korvel::SubCommandNames& names : korvel::SubCommandNameTable()) {
            if (names.command != row.id) continue;
            std::vector<CString> texts;
            for (const wchar_t* text : names.names)
                if (text != nullptr) texts.emplace_back(text);
            command->SetSubCmdNames(std::move(texts));
        }
        hub->RegAppCmd(command.release());
    }
    RegisterCommandAccelerators();
}

void CKorvelView::RegisterCommandAccelerators()
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return;
    for (const AccelRow& row : kAccels) {
        CCommand* command = nullptr;
        if (row.nameId != 0) {
            const CString name = AfxLoadString(row.nameId);
            if (!name.IsEmpty()) command = hub->GetCmd(name.GetString());
        } else {
            command = hub->GetCmd(row.cmdId);
        }
        if (command != nullptr) command->SetAccel(row.key, row.modifier, row.sub);
    }
}

void CKorvelView::RegisterMainCommands()
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return;
    auto add = [hub](CCommand* command, UINT id) {
        command->SetID(id);
        hub->RegMainCmd(command);
    };
    add(new CToolCmd(1, nullptr), korvel::ID_MAIN_SELECT);
    add(new CToolNodeCmd(1, nullptr), korvel::ID_MAIN_NODE);
    add(new CTextMainCmd(1, nullptr), korvel::ID_MAIN_TEXT);
    add(new CLayerManageCmd(1, nullptr, 0), korvel::ID_LAYER_MANAGE);
    if (hub->GetMainCmd(korvel::ID_MAIN_SELECT) != nullptr) hub->SetCurMainCmd(korvel::ID_MAIN_SELECT);
}
