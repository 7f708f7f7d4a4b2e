// The built plug-in module loaded as the program loads it: its description,
// its import through the plug-in framework, and its failure report.
#include "framework/extendra/PlugInApp.h"
#include "plugins/illustrator/Ilvane.h"
#include "plugins/illustrator/IlvaneConst.h"
#include "plugins/illustrator/tests/IlvaneTestUtil.h"
#include "platform/ui/Resources.h"
#include "platform/ui/ScriptedPrompt.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <random>

namespace {

using namespace ilvane::test;

const std::string kModulePath = ILVANE_MODULE_PATH;
const std::string kData = ILVANE_TEST_DATA;

// Reports received through the replaceable reporter.
struct Report {
    unsigned id;
    unsigned style;
};
std::vector<Report> g_reports;
void RecordReport(unsigned id, unsigned style) { g_reports.push_back({id, style}); }

class IlvaneModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = dlopen(kModulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_module, nullptr) << dlerror();
        m_init = reinterpret_cast<PlugInInitFn>(dlsym(m_module, kPlugInInitName));
        m_import = reinterpret_cast<PlugInImportFn>(dlsym(m_module, kPlugInImportName));
        m_setReporter = reinterpret_cast<IlvaneReportFn (*)(IlvaneReportFn)>(dlsym(m_module, "IlvaneSetReporter"));
        ASSERT_NE(m_init, nullptr);
        ASSERT_NE(m_import, nullptr);
        ASSERT_NE(m_setReporter, nullptr);
        g_reports.clear();
    }
    void TearDown() override
    {
        if (m_module != nullptr) dlclose(m_module);
    }

    static void FreeList(CPtrList& list)
    {
        while (!list.IsEmpty()) delete static_cast<CDbEntity*>(list.RemoveHead());
    }

    CScriptedPrompt m_prompt;  // no test may block on a real message box
    void* m_module = nullptr;
    PlugInInitFn m_init = nullptr;
    PlugInImportFn m_import = nullptr;
    IlvaneReportFn (*m_setReporter)(IlvaneReportFn) = nullptr;
};

TEST_F(IlvaneModuleTest, InitialiseDLLFillsTheDescriptionBlock)
{
    m_init(nullptr, nullptr);  // a null block is ignored

    PlugInRecord record;
    record.m_desc.m_nFramework = 7;
    record.m_desc.m_nBlock0 = 11;
    record.m_desc.m_nBlock16 = 13;
    m_init(nullptr, &record.m_desc);
    EXPECT_EQ(record.GetKind(), kPlugInKindFile);
    EXPECT_EQ(record.m_desc.m_nValue8, 0xFFFF);
    EXPECT_EQ(record.m_desc.m_nValue12, 1);
    EXPECT_EQ(record.m_desc.m_strDate, CString(L"2003/09/29"));
    EXPECT_EQ(record.GetExtension(), CString(L"AI"));
    EXPECT_FALSE(record.GetDescription().IsEmpty()) << "the plug-in's own wording without a program text";
    EXPECT_EQ(record.m_desc.m_nFramework, 7) << "fields the plug-in does not own stay";
    EXPECT_EQ(record.m_desc.m_nBlock0, 11);
    EXPECT_EQ(record.m_desc.m_nBlock16, 13);
    EXPECT_EQ(record.m_pfnImport, nullptr) << "the framework fills the function addresses";

    AfxSetResourceString(ilvane::kIdsDescription, L"Illustrator(*.ai)");
    m_init(nullptr, &record.m_desc);
    EXPECT_EQ(record.GetDescription(), CString(L"Illustrator(*.ai)")) << "the program's resource text wins";
}

TEST_F(IlvaneModuleTest, FrameworkLoadsTheModuleAndImportsByExtension)
{
    CPlugInApp app;
    const CString folder = CString::FromUtf8(std::filesystem::path(kModulePath).parent_path().string());
    ASSERT_GE(app.LoadPlugInDLLs(folder), 1);
    const PlugInRecord* record = nullptr;
    for (int i = 0; i < app.GetPlugInCount(); ++i)
        if (app.GetPlugInRecord(i)->GetExtension() == CString(L"AI")) record = app.GetPlugInRecord(i);
    ASSERT_NE(record, nullptr);
    EXPECT_NE(record->m_pfnImport, nullptr);
    EXPECT_EQ(record->m_pfnExport, nullptr) << "the plug-in only imports";

    CPtrList list;
    EXPECT_EQ(app.ImportFile(CString::FromUtf8(kData + "cairo_hole.eps"), L"ai", &list), 1);
    ASSERT_EQ(list.GetCount(), 1);
    auto* entity = static_cast<CDbEntity*>(list.GetHead());
    EXPECT_EQ(entity->GetType(), kDbTypeUnion);
    EXPECT_EQ(CurvesOf(entity).size(), 2u);
    FreeList(list);
}

TEST_F(IlvaneModuleTest, FileImportAppendsAfterWhatTheListHolds)
{
    CPtrList list;
    int marker = 0;
    list.AddTail(&marker);
    m_import(CString::FromUtf8(kData + "gs_rect.ai"), &list);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetHead(), &marker);
    auto* entity = static_cast<CDbEntity*>(list.GetTail());
    EXPECT_EQ(entity->GetType(), kDbTypeCurve);
    delete entity;
    EXPECT_TRUE(g_reports.empty());

    m_import(CString::FromUtf8(kData + "gs_rect.ai"), nullptr);  // nothing, and no report
}

TEST_F(IlvaneModuleTest, FailureShowsTheMessageBoxAndAppendsNothing)
{
    CScriptedPrompt& prompt = m_prompt;
    AfxSetResourceString(ilvane::kIdsImportFailed, L"Cannot import this file.");
    TempDir dir;
    CPtrList list;
    m_import(CString::FromUtf8(dir.Write("none.ai", "%%EndSetup\n0 0 0 1 k\n")), &list);
    EXPECT_TRUE(list.IsEmpty());
    ASSERT_EQ(prompt.m_messages.size(), 1u);
    EXPECT_EQ(prompt.m_messages[0], CString(L"Cannot import this file."));

    m_import(CString::FromUtf8(dir.Write("ok.ai", "%%EndSetup\n0 0 m 1 1 l S\n")), nullptr);
    EXPECT_EQ(prompt.m_messages.size(), 1u) << "a null list shows nothing";
}

// Files that hold nothing to import, however large or malformed: the failure
// is reported once, nothing is appended and nothing crashes.
TEST_F(IlvaneModuleTest, BadFilesReportTheFailure)
{
    const IlvaneReportFn previous = m_setReporter(RecordReport);
    TempDir dir;
    std::mt19937 random(12345);
    std::string garbage(1 << 20, '\0');
    for (char& ch : garbage) ch = static_cast<char>(random() & 0xFF);
    std::string noOperators = "%!PS-Adobe-3.0\n%%EndSetup\n";
    for (int i = 0; i < 2000; ++i) noOperators += "0.25 0.5 0.75 1 k 1 w 4 M [3 2] 0 d (text 1 2 m 3 4 l) Tx\n";
    std::string longGarbage = "%%EndSetup\n" + std::string(1 << 20, 'x') + "\n";
    const std::pair<const char*, std::string> cases[] = {
        {"empty file", ""},
        {"binary garbage", garbage},
        {"binary garbage after the gate", "%%EndSetup\n" + garbage},
        {"no path operators", noOperators},
        {"one 1 MB word", longGarbage},
        {"unclosed string", "%%EndSetup\n(0 0 m 10 10 l S\n0 0 m 5 5 l S\n"},
    };
    for (const auto& [label, content] : cases) {
        g_reports.clear();
        CPtrList list;
        m_import(CString::FromUtf8(dir.Write("bad.ai", content)), &list);
        EXPECT_TRUE(list.IsEmpty()) << label;
        ASSERT_EQ(g_reports.size(), 1u) << label;
        EXPECT_EQ(g_reports[0].id, 31832u) << label;
        EXPECT_EQ(g_reports[0].style, static_cast<unsigned>(MB_ICONERROR)) << label;
        FreeList(list);
    }
    g_reports.clear();
    CPtrList list;
    m_import(CString(L"/nonexistent/file.ai"), &list);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(g_reports.size(), 1u) << "missing file";
    m_setReporter(previous);
}

// Files found by fuzzing whose Bezier flattening ran without bound (a
// coordinate of 1e12 or 1e20 points): refused as damaged, reported once,
// nothing appended.
TEST_F(IlvaneModuleTest, HostileFilesAreReportedAsDamaged)
{
    const IlvaneReportFn previous = m_setReporter(RecordReport);
    for (const char* name : {"eps_F5_bezier_discretise_hang.eps", "eps_F5b_bezier_discretise_hang.eps"}) {
        const std::string path = kData + "hostile/" + name;
        ASSERT_TRUE(std::filesystem::exists(path)) << name;
        g_reports.clear();
        CPtrList list;
        m_import(CString::FromUtf8(path), &list);
        EXPECT_TRUE(list.IsEmpty()) << name;
        ASSERT_EQ(g_reports.size(), 1u) << name;
        EXPECT_EQ(g_reports[0].id, 31832u) << name;
        FreeList(list);
    }
    m_setReporter(previous);
}

// 10 MB of path text with one line of 1 MB: nothing is cut, every subpath
// arrives.
TEST_F(IlvaneModuleTest, LargeFileWithAMegabyteLine)
{
    TempDir dir;
    std::string text = "%!PS-Adobe-3.0\n%%EndSetup\n";
    int expected = 0;
    auto triangle = [&expected](std::string& out, int i, const char* sep) {
        const int x = (i % 1000) * 3, y = (i / 1000) * 3;
        out += std::to_string(x) + ".5 " + std::to_string(y) + ".25 m" + sep + std::to_string(x + 2) + " " +
               std::to_string(y) + ".25 l" + sep + std::to_string(x) + ".5 " + std::to_string(y + 2) + " l" + sep +
               "f" + sep;
        ++expected;
    };
    const std::string filler = "0.25 0.5 0.75 1 k 0 0 0 1 K 1 w 4 M [] 0 d % filler without paths\n";
    int i = 0;
    // About 4.5 MB of filler around 1.5 MB of one-line-per-operator paths.
    while (text.size() < 4'500'000) text += filler;
    for (int n = 0; n < 50'000; ++n) triangle(text, i++, "\n");
    std::string line;
    while (line.size() < (1u << 20)) triangle(line, i++, " ");
    text += line + "\n";
    while (text.size() < 10'000'000) text += filler;

    CPtrList list;
    m_import(CString::FromUtf8(dir.Write("large.ai", text)), &list);
    ASSERT_EQ(list.GetCount(), 1);
    const std::vector<Curve> curves = CurvesOf(static_cast<CDbEntity*>(list.GetHead()));
    ASSERT_EQ(static_cast<int>(curves.size()), expected);
    for (int k : {0, expected / 2, expected - 1}) {
        const int x = (k % 1000) * 3, y = (k / 1000) * 3;
        EXPECT_TRUE(curves[static_cast<size_t>(k)].closed) << k;
        EXPECT_EQ(SegmentCount(curves[static_cast<size_t>(k)]), 3) << k;
        const Pt start = StartOf(curves[static_cast<size_t>(k)]);
        const Pt want = Mm(x + 0.5, y + 0.25);
        EXPECT_NEAR(start[0], want[0], 1e-9) << k;
        EXPECT_NEAR(start[1], want[1], 1e-9) << k;
    }
    EXPECT_TRUE(g_reports.empty());
    FreeList(list);
}

}  // namespace
