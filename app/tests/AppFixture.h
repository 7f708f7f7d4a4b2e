// A fixture that runs the whole program in-process: a fresh application-data
// folder and registry profile per test, a scripted prompt, start-up with the
// given arguments and shutdown through closing the main frame.
#pragma once

#include "app/KorvelApp.h"
#include "app/KorvelDoc.h"
#include "app/KorvelView.h"
#include "app/MainFrame.h"
#include "platform/ui/ScriptedPrompt.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class CGeCurve;

namespace ui_probe {
class Input;
}

namespace korvel_test {

struct Args {
    explicit Args(std::vector<std::string> values = {"korvel"});
    int argc() const { return static_cast<int>(strings.size()); }
    char** argv() { return pointers.data(); }
    std::vector<std::string> strings;
    std::vector<char*> pointers;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program; the result of InitInstance.
    BOOL Start(std::vector<std::string> args = {"korvel"});
    // Closes the main frame (without the save question) and ends the run.
    void Close();

    CMainFrame* Frame() const;
    CKorvelDoc* Doc() const;
    CKorvelView* View() const;
    // A path in the test's folder.
    std::string PathOf(const char* name) const;
    CString CPathOf(const char* name) const { return CString::FromUtf8(PathOf(name)); }
    std::string AppDataDir() const;
    // With the main frame at the top left of the screen, shown and active: nothing
    // lies over its bars, and every menu opens by a click on its title and by Alt
    // with its mnemonic, also with the rulers, the snap bar and the design centre
    // switched.
    void ExpectMenusReachable(ui_probe::Input& input);

    QTemporaryDir m_dir;
    CScriptedPrompt m_prompt;
    std::unique_ptr<Args> m_args;
    std::unique_ptr<CKorvelApp> m_app;
};

// One curve of every storable 2D kind, each with its own handle (caller owns).
std::vector<CGeCurve*> MakeEveryCurve();
// The curve's archive record as bytes.
std::vector<unsigned char> RecordOf(CGeCurve* curve);
// Adds curve entities for the curves to the database (which takes them) with
// distinct colours; returns their handles in order.
std::vector<std::uint32_t> AddCurveEntities(const std::vector<CGeCurve*>& curves);
std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
bool Exists(const std::string& path);
// Files in the folder whose name contains the text.
int CountFilesContaining(const std::string& folder, const std::string& text);

}  // namespace korvel_test
