// Plug-in table layout, loading of plug-in modules and import dispatch.
#include "framework/extendra/PIDoc.h"
#include "framework/extendra/PlugInApp.h"
#include "platform/ui/CmdUI.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

const CString kPlugInDir = CString::FromUtf8(KORVEL_TEST_PLUGIN_DIR);

TEST(PlugInTableTest, ThirtyTwoBitFieldsKeepTheirRecordOffsets)
{
    PlugInRecord record;
    auto offset = [&record](const void* field) {
        return static_cast<const char*>(field) - reinterpret_cast<const char*>(&record);
    };
    EXPECT_EQ(offset(&record.m_desc.m_nBlock0), 20);
    EXPECT_EQ(offset(&record.m_desc.m_nKind), 24);
    EXPECT_EQ(offset(&record.m_desc.m_nValue8), 28);
    EXPECT_EQ(offset(&record.m_desc.m_nValue12), 32);
    EXPECT_EQ(offset(&record.m_desc.m_strDate), 40) << "the date text is block byte 20";
    // The wide fields keep their order.
    EXPECT_LT(offset(&record.m_desc.m_strExtension), offset(&record.m_desc.m_strDescription));
    EXPECT_LT(offset(&record.m_desc.m_strDescription), offset(&record.m_pfnImport));
    EXPECT_LT(offset(&record.m_pfnImport), offset(&record.m_pfnExport));
}

class PlugInAppTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(m_dataFile); }
    std::string m_dataFile = (std::filesystem::temp_directory_path() / "extendra_import_test.tst").string();
};

TEST_F(PlugInAppTest, LoadsTheModuleAndDispatchesImportByExtension)
{
    CPlugInApp app;
    EXPECT_EQ(GetPlugInApp(), &app);
    ASSERT_EQ(app.LoadPlugInDLLs(kPlugInDir), 1);
    EXPECT_EQ(app.LoadPlugInDLLs(kPlugInDir), 0) << "a module is loaded once";
    ASSERT_EQ(app.GetPlugInCount(), 1);
    const PlugInRecord* record = app.GetPlugInRecord(0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->GetKind(), kPlugInKindFile);
    EXPECT_EQ(record->m_desc.m_nValue8, 0xFFFF);
    EXPECT_EQ(record->GetExtension(), CString(L"TST")) << "extensions are kept upper case";
    EXPECT_EQ(record->GetDescription(), CString(L"Test file(*.tst)"));
    EXPECT_NE(record->m_pfnImport, nullptr);
    EXPECT_EQ(record->m_pfnExport, nullptr);
    EXPECT_EQ(app.GetPlugHInstance(record->m_strPath), record->m_hModule);
    EXPECT_EQ(app.GetPlugInRecord(1), nullptr);

    { std::ofstream(m_dataFile) << "one\ntwo\n"; }
    auto freeImported = reinterpret_cast<void (*)(CPtrList*)>(dlsym(record->m_hModule, "FreeImported"));
    ASSERT_NE(freeImported, nullptr);
    const CString path = CString::FromUtf8(m_dataFile);
    struct Case {
        const wchar_t* extension;
        int expected;
        INT_PTR count;
    } cases[] = {{L"TST", 1, 2}, {L"tst", 1, 2}, {L"AI", 0, 0}, {L"", 0, 0}};
    for (const Case& c : cases) {
        CPtrList list;
        EXPECT_EQ(app.ImportFile(path, c.extension, &list), c.expected) << CString(c.extension).ToUtf8();
        EXPECT_EQ(list.GetCount(), c.count) << CString(c.extension).ToUtf8();
        freeImported(&list);
    }
    CPtrList list;
    EXPECT_EQ(app.ImportFile(CString(L"/nonexistent/file.tst"), L"TST", &list), 0)
        << "a plug-in that appends nothing reports failure";
    EXPECT_EQ(app.ImportFile(path, L"TST", nullptr), 0);
}

TEST_F(PlugInAppTest, MissingFolderLoadsNothing)
{
    CPlugInApp app;
    EXPECT_EQ(app.LoadPlugInDLLs(CString(L"/nonexistent/folder/")), 0);
    EXPECT_EQ(app.GetPlugInCount(), 0);
    CPtrList list;
    EXPECT_EQ(app.ImportFile(CString(L"x.tst"), L"TST", &list), 0);
}

TEST_F(PlugInAppTest, ReplaceDocManagerInstallsTheFrameworksManager)
{
    CPlugInApp app;
    app.ReplaceDocManager();
    EXPECT_NE(dynamic_cast<CPIDocManager*>(app.m_pDocManager), nullptr);
}

TEST_F(PlugInAppTest, PlugInCommandsAreRoutedByTheFrameFirst)
{
    CPlugInApp app;
    int runs = 0;
    app.AddPlugInCommand(40000, [&runs]() { ++runs; });
    CPISMainFrame frame;
    EXPECT_TRUE(frame.OnCmdMsg(40000, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(runs, 1);
    CTestCmdUI ui;
    ui.m_nID = 40000;
    ui.m_bEnabled = FALSE;
    EXPECT_TRUE(frame.OnCmdMsg(40000, CN_UPDATE_COMMAND_UI, &ui, nullptr));
    EXPECT_TRUE(ui.m_bEnabled);
    EXPECT_FALSE(frame.OnCmdMsg(40001, CN_COMMAND, nullptr, nullptr));
}

}  // namespace
