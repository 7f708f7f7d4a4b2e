// Writing through the export function of a file plug-in.
#include "AppFixture.h"

#include "app/ExportCmd.h"
#include "app/KorvelIds.h"
#include "framework/db/DbCurve.h"
#include "framework/db/DbImage.h"
#include "framework/extendra/PlugInApp.h"
#include "framework/looker/AppSlots.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/GeLine.h"
#include "platform/ui/CmdUI.h"

#include <fstream>
#include <iterator>
#include <string>

using namespace korvel_test;

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ExportCmdTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
        m_hub = gGetRelayon();
        m_cmd = dynamic_cast<CExportCmd*>(m_hub->GetCmd(korvel::ID_FILE_EXPORT));
        ASSERT_NE(m_cmd, nullptr);
    }

    void LoadTestPlugIns() { ASSERT_EQ(GetPlugInApp()->LoadPlugInDLLs(CString::FromUtf8(KORVEL_TEST_PLUGIN_DIR)), 3); }

    void SelectLine()
    {
        const double a[2] = {0, 0}, b[2] = {10, 10};
        auto* line = new CDbCurve(new CGeLine(a, b));
        CDBase::Instance()->AddTail(line);
        gGetSelector()->Add(line);
    }

    // Exports through the menu item with the dialog's answer.
    void Export(const std::string& name, int filterIndex)
    {
        m_prompt.m_paths.push_back(CFileDialogAnswer(CPathOf(name.c_str()), filterIndex));
        Frame()->SendMessage(WM_COMMAND, korvel::ID_FILE_EXPORT, 0);
    }

    CRelayon* m_hub = nullptr;
    CExportCmd* m_cmd = nullptr;
};

TEST_F(ExportCmdTest, FilterListsTheExportingPlugInsInTableOrder)
{
    LoadTestPlugIns();
    SelectLine();
    Export("", 1);  // cancelled
    ASSERT_EQ(m_prompt.m_fileRequests.size(), 1u);
    EXPECT_EQ(m_prompt.m_fileRequests[0].strFilter,
              CString(L"Export test (*.EXA)|*.EXA|Export test (*.EXB)|*.EXB|Export test (*.exc)|*.EXC|"))
        << "the plug-in framework keeps extensions in upper case";
    EXPECT_FALSE(m_prompt.m_fileRequests[0].bOpen);
    EXPECT_EQ(m_hub->GetCurCmd(), nullptr);
}

TEST_F(ExportCmdTest, NameWithoutExtensionWritesThroughTheSelectedFilterEntry)
{
    LoadTestPlugIns();
    SelectLine();
    Export("drawing", 2);
    EXPECT_EQ(Contents(PathOf("drawing.EXB")), "EXB");
    EXPECT_FALSE(Exists(PathOf("drawing")));
    EXPECT_EQ(m_cmd->GetFilePattern(), CString(L"*.EXB"));
}

TEST_F(ExportCmdTest, TypedExtensionIsFoundInUpperCaseOnly)
{
    LoadTestPlugIns();
    SelectLine();
    Export("part.exa", 3);
    EXPECT_EQ(Contents(PathOf("part.exa")), "EXA") << "a lower-case typed extension finds its plug-in";
    Export("other.exc", 1);
    EXPECT_EQ(Contents(PathOf("other.exc")), "exc") << "registered in lower case, kept in upper case";
    Export("v1.2/name", 1);
    EXPECT_FALSE(Exists(PathOf("v1.2/name"))) << "the dot of the folder makes no extension";
}

TEST_F(ExportCmdTest, WithoutAnExportingPlugInNothingIsWritten)
{
    SelectLine();
    for (const int index : {1, 2, 0}) {
        Export("plain", index);
        EXPECT_FALSE(Exists(PathOf("plain"))) << index;
    }
    EXPECT_EQ(m_prompt.m_fileRequests.back().strFilter, CString()) << "an empty filter";
}

TEST_F(ExportCmdTest, EnabledOnlyWithLinesCurvesOrGroupsSelected)
{
    auto enabled = [this] {
        CTestCmdUI state;
        state.m_nID = korvel::ID_FILE_EXPORT;
        Frame()->OnCmdMsg(korvel::ID_FILE_EXPORT, CN_UPDATE_COMMAND_UI, &state, nullptr);
        return state.m_bEnabled;
    };
    EXPECT_FALSE(enabled()) << "nothing selected";
    auto* image = new CDbImage;
    CDBase::Instance()->AddTail(image);
    gGetSelector()->Add(image);
    EXPECT_FALSE(enabled()) << "only an image selected";
    SelectLine();
    EXPECT_TRUE(enabled());
}

}  // namespace
