// The select main command through the hub, and the generic command.
#include "framework/actorum/MainCmds.h"
#include "framework/db/DbCurve.h"
#include "framework/looker/AppSlots.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"

#include "framework/looker/Dib.h"
#include "platform/ui/Clipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(ToolCmdTest, ClicksPickReplaceAndToggleTheSelection)
{
    qvCreateAllManager();
    CRelayon hub;
    gSetRelayon(&hub);
    auto* select = new CToolCmd(1, L"Select");
    select->SetID(32853);
    ASSERT_TRUE(hub.RegMainCmd(select));
    ASSERT_EQ(hub.RunMainCmd(32853), 1);

    CDBase* db = CDBase::Instance();
    const double a0[2] = {0, 0}, a1[2] = {10, 10}, b0[2] = {20, 0}, b1[2] = {30, 10};
    CDbCurve* a = dbGenRect(a0, a1);
    CDbCurve* b = dbGenRect(b0, b1);
    db->AddTail(a);
    db->AddTail(b);
    CSelector* sel = gGetSelector();

    struct Step {
        const char* label;
        double x;
        UINT flags;
        int size;
        bool aSelected;
        bool bSelected;
    } steps[] = {
        {"click a", 5, 0, 1, true, false},
        {"click b replaces", 25, 0, 1, false, true},
        {"shift-click a adds", 5, CToolCmd::kShift, 2, true, true},
        {"shift-click b toggles off", 25, CToolCmd::kShift, 1, true, false},
        {"click nothing clears", 15, 0, 0, false, false},
    };
    for (const Step& s : steps) {
        Position p(s.x, 5);
        hub.OnLButtonDown(s.flags, p);
        EXPECT_EQ(sel->GetSize(), s.size) << s.label;
        EXPECT_EQ(a->IsSelected() != 0, s.aSelected) << s.label;
        EXPECT_EQ(b->IsSelected() != 0, s.bSelected) << s.label;
    }
    Position p(0, 0);
    hub.OnRButtonDown(0, p);
    EXPECT_EQ(hub.GetCurMainCmd(), select) << "the main command stays current";
    gSetRelayon(nullptr);
    qvClearAllManager();
    looker::testing::ResetAppSlots();
}

TEST(DlgNotesTest, EditorDecidesTheAnswer)
{
    CDlgNotes dlg;
    dlg.SetParam(CString(L"old"));
    EXPECT_EQ(dlg.DoModal(), 2);
    CDlgNotes::SetEditor([](CString& text) {
        text += L" new";
        return 1;
    });
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(dlg.GetParam(), CString(L"old new"));
    CDlgNotes::SetEditor(nullptr);
}

}  // namespace

// The scanned bitmap is copied only when the block holds what the transfer's
// image information says; a length of -1 takes the bitmap's own.
TEST(ImageScanCmdTest, CopiesOnlyAMatchingBitmap)
{
    // 2 x 3 pixels, 24 bits: header, then three rows of 8 bytes (6 + padding).
    std::vector<BYTE> dib(40 + 3 * 8, 0);
    const std::int32_t header[] = {40, 2, 3};
    std::memcpy(dib.data(), header, sizeof header);
    dib[12] = 1, dib[14] = 24;
    dib[40] = 0x11;  // blue of the bottom-left pixel
    void* block = GlobalAlloc(GHND, dib.size());
    std::memcpy(GlobalLock(block), dib.data(), dib.size());
    GlobalUnlock(block);
    const struct {
        const char* label;
        int bits, length, width;
        bool taken;
    } rows[] = {
        {"as described", 24, 3, 2, true}, {"length unknown", 24, -1, 2, true}, {"other width", 24, 3, 3, false},
        {"other depth", 8, 3, 2, false},  {"other length", 24, 4, 2, false},
    };
    for (const auto& row : rows) {
        CImageScanCmd cmd(1, L"scan");
        EXPECT_EQ(cmd.SetBitmap(block, row.bits, row.length, row.width) != FALSE, row.taken) << row.label;
        ASSERT_EQ(cmd.GetBitmap() != nullptr, row.taken) << row.label;
        if (row.taken) {
            EXPECT_EQ(cmd.GetBitmap()->GetHeight(), 3) << row.label;
            EXPECT_EQ(cmd.GetBitmap()->GetBits()[(2 * 2) * 4], 0x11) << row.label << ": bottom row last";
        }
    }
    GlobalFree(block);
    CImageScanCmd cmd(1, L"scan");
    EXPECT_FALSE(cmd.SetBitmap(nullptr, 24, 3, 2)) << "no block";
}
