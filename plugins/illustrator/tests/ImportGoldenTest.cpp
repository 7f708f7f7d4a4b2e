// Every fixture's import written out as canonical text (entity kinds, member
// types, closed flags, points to full precision) and kept against golden files
// made by the importer as it stood before its reading was reworked for speed:
// the shapes a file imports as must not change.
#include "plugins/illustrator/AiFileParser.h"
#include "plugins/illustrator/tests/IlvaneTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace ilvane::test;

const std::filesystem::path kData = ILVANE_TEST_DATA;

void WriteEntity(std::ostream& out, CDbEntity* entity)
{
    const auto* curve = dynamic_cast<CDbCurve*>(entity);
    if (curve != nullptr) out << "curve entity, " << (curve->GetCurve()->GetType() == kComposite ? "composite" : "segment") << "\n";
    if (dynamic_cast<CDbUnion*>(entity) != nullptr) out << "group entity\n";
    char number[64];
    for (const Curve& c : CurvesOf(entity)) {
        out << "curve " << (c.closed ? "closed" : "open") << "\n";
        for (const Member& m : c.members) {
            out << "  member " << m.type << ":";
            for (const Pt& p : m.pts) {
                std::snprintf(number, sizeof number, " %.17g,%.17g", p[0], p[1]);
                out << number;
            }
            out << "\n";
        }
    }
}

std::string ImportAsText(const std::filesystem::path& file)
{
    AiFileParser parser;
    std::ostringstream out;
    out << (ParseAiFile(parser, CString::FromUtf8(file.string())) ? "imported" : "failed") << ", " << parser.GetCount()
        << " entities\n";
    for (CDbEntity* entity : parser) WriteEntity(out, entity);
    parser.DeleteAll();
    return out.str();
}

std::vector<std::filesystem::path> Fixtures()
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kData)) {
        const auto ext = entry.path().extension();
        if (entry.is_regular_file() && (ext == ".eps" || ext == ".ai")) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ImportGoldenTest, EveryFixtureImportsAsItsGoldenShapes)
{
    const std::vector<std::filesystem::path> files = Fixtures();
    ASSERT_GE(files.size(), 10u) << "fixtures not found under " << kData;
    for (const std::filesystem::path& file : files) {
        const std::filesystem::path golden =
            kData / "golden" / (std::filesystem::relative(file, kData).string() + ".shapes");
        std::ifstream in(golden, std::ios::binary);
        ASSERT_TRUE(in) << "no golden " << golden;
        std::ostringstream want;
        want << in.rdbuf();
        EXPECT_EQ(ImportAsText(file), want.str()) << file.filename();
    }
}

}  // namespace
