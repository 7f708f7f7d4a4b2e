// Preview block of document files, the file dialogs, and the design-centre
// pane's hide and restore.
#include "framework/db/DbCurve.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/panora/DesignCentral.h"
#include "framework/panora/ZdcFilePreview.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "platform/core/Archive.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ScriptedPrompt.h"

#include <QStackedLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<BYTE> StoreBlock(CZdcFilePreview& preview, int trailer)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        preview.BitmapSerialize(ar);
        ar << trailer;
        ar.Close();
    }
    return std::vector<BYTE>(file.GetData(), file.GetData() + file.GetLength());
}

TEST(ZdcFilePreviewTest, BlockRoundTripLeavesTheArchiveAfterTheBlock)
{
    gNewQVGlobal();
    qvCreateAllManager();
    const double p[2] = {0, 0}, q[2] = {100, 50};
    CDBase::Instance()->AddTail(dbGenLine(p, q));

    for (int mode : {1, 0}) {
        CZdcFilePreview preview;
        preview.GenBitmap(mode);
        ASSERT_EQ(preview.GetWidth(), CZdcFilePreview::kPreviewWidth);
        std::vector<BYTE> bytes = StoreBlock(preview, 0x1234);
        std::int32_t size = 0;
        std::memcpy(&size, bytes.data(), 4);
        EXPECT_EQ(static_cast<size_t>(size), 8 + preview.GetPixels().size()) << "mode " << mode;

        CZdcFilePreview read;
        CMemFile in(bytes.data(), static_cast<UINT>(bytes.size()));
        CArchive ar(&in, CArchive::load);
        read.BitmapSerialize(ar);
        int trailer = 0;
        ar >> trailer;
        EXPECT_EQ(trailer, 0x1234) << "mode " << mode;
        EXPECT_EQ(read.GetPixels(), preview.GetPixels()) << "mode " << mode;
    }
    qvClearAllManager();
    looker::testing::ResetAppSlots();
    looker::testing::ResetQVGlobal();
}

TEST(ZdcFilePreviewTest, DamagedBlocksThrowTheArchiveException)
{
    struct Case {
        const char* label;
        std::vector<std::int32_t> words;
    } cases[] = {
        {"negative size", {-5}},
        {"size below the header", {4, 1}},
        {"size past the end", {1000, 10, 10}},
        {"size disagrees with the pixels", {8 + 16, 1, 1, 0, 0, 0, 0}},
        {"oversized side", {8 + 4, 100000, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> bytes(c.words.size() * 4);
        std::memcpy(bytes.data(), c.words.data(), bytes.size());
        CMemFile in(bytes.data(), static_cast<UINT>(bytes.size()));
        CArchive ar(&in, CArchive::load);
        CZdcFilePreview preview;
        EXPECT_THROW(preview.BitmapSerialize(ar), CArchiveException) << c.label;
    }
}

TEST(ZdcFilePreviewTest, EmptyPreviewIsOneZeroWord)
{
    CZdcFilePreview preview;
    std::vector<BYTE> bytes = StoreBlock(preview, 7);
    ASSERT_EQ(bytes.size(), 8u);
    std::int32_t size = -1;
    std::memcpy(&size, bytes.data(), 4);
    EXPECT_EQ(size, 0);
}

TEST(ZdcFilePreviewTest, FileDialogAsksWithTheDocumentFilter)
{
    CScriptedPrompt prompt;
    prompt.m_paths = {CString(L"/tmp/a.zdc"), CString()};
    CString path;
    EXPECT_TRUE(CZdcFilePreview::GetCADName(2, path));
    EXPECT_EQ(path, CString(L"/tmp/a.zdc"));
    ASSERT_EQ(prompt.m_fileRequests.size(), 1u);
    EXPECT_FALSE(prompt.m_fileRequests[0].bOpen);
    EXPECT_EQ(prompt.m_fileRequests[0].strFilter, CString(L"Dalvex File(*.zdc)|*.zdc||"));
    EXPECT_FALSE(CZdcFilePreview::GetCADName(1, path));
    EXPECT_EQ(path, CString(L"/tmp/a.zdc")) << "a cancelled dialog leaves the path";
}

TEST(DesignCentralTest, RestoreShowsOnlyWhatHideHid)
{
    CDesignCentral pane;
    pane.HideDCenter();
    pane.RestoreDCenter();
    EXPECT_FALSE(pane.IsShown()) << "a hidden pane stays hidden";
    pane.ShowDCenter();
    pane.HideDCenter();
    EXPECT_FALSE(pane.IsShown());
    pane.RestoreDCenter();
    EXPECT_TRUE(pane.IsShown());
    pane.RestoreDCenter();
    EXPECT_TRUE(pane.IsShown());
}

// The pane shows one page: the default one, or the command page loaded last.
TEST(DesignCentralTest, CommandPagesReplaceTheDefaultPageUntilRemoved)
{
    CWnd host;
    ASSERT_TRUE(host.Create(nullptr, L"host", WS_VISIBLE, RECT{0, 0, 300, 300}, nullptr, 0));
    CDesignCentral pane;
    ASSERT_TRUE(pane.Create(L"Design Centre", &host, RECT{0, 0, 200, 200}, TRUE, 1, WS_CHILD | WS_VISIBLE));
    pane.InitDCenter();
    auto* stack = qobject_cast<QStackedLayout*>(pane.GetWidget()->layout());
    ASSERT_NE(stack, nullptr);
    ASSERT_NE(pane.GetDefaultPage(), nullptr);
    EXPECT_EQ(stack->currentWidget(), pane.GetDefaultPage()->GetWidget());

    CStatic first, second;
    ASSERT_TRUE(first.Create(L"first", WS_CHILD, RECT{0, 0, 50, 20}, &pane));
    ASSERT_TRUE(second.Create(L"second", WS_CHILD, RECT{0, 0, 50, 20}, &pane));
    pane.AddCommandPage(&first);
    EXPECT_FALSE(pane.LoadCommandPage(&second)) << "a page not added is not shown";
    EXPECT_EQ(pane.GetCommandPage(), nullptr);
    pane.AddCommandPage(&second);
    EXPECT_TRUE(pane.LoadCommandPage(&second));
    EXPECT_EQ(stack->currentWidget(), second.GetWidget());
    pane.RecoverDefaultPage();
    EXPECT_EQ(stack->currentWidget(), pane.GetDefaultPage()->GetWidget());
    EXPECT_TRUE(pane.LoadCommandPage(&first));
    pane.RemoveCommandAllPage();
    EXPECT_EQ(pane.GetCommandPage(), nullptr);
    EXPECT_EQ(stack->currentWidget(), pane.GetDefaultPage()->GetWidget());
    EXPECT_EQ(stack->count(), 1) << "only the default page is left";
    EXPECT_FALSE(pane.LoadCommandPage(&first)) << "removed pages are forgotten";
    pane.DestroyWindow();
    host.DestroyWindow();
}

}  // namespace
