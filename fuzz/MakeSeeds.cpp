// Writes the seeds that the program itself produces into fuzz/corpus: a
// document, a selection payload of the clipboard, single object records of
// the storable classes and a command configuration file. Run once after the
// stored formats change: fuzz_seeds <fuzz/corpus folder>.
#include "ConfigCommands.h"
#include "framework/db/DbCurve.h"
#include "framework/db/DbUnion.h"
#include "framework/looker/Tool.h"
#include "framework/panora/ZdcFilePreview.h"
#include "framework/relayon/DBase.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeCircle.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

void Write(const std::string& path, const std::function<void(CArchive&)>& body)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        body(ar);
        ar.Close();
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    std::fwrite(file.GetData(), 1, static_cast<std::size_t>(file.GetLength()), f);
    std::fclose(f);
}

// A drawing of every kind of curve entity and a group.
void FillDatabase(CDBase& db)
{
    const double p[2] = {0, 0}, q[2] = {40, 10}, r[2] = {60, 30};
    db.AddTail(dbGenLine(p, q));
    db.AddTail(dbGenRect(p, r));
    db.AddTail(dbGenCurve(new CGeCircle(q, 5, 1)));
    auto* arc = new CGeArc;
    arc->CreateCSEAngle(r, 8, 0.0, 1.5);
    db.AddTail(dbGenCurve(arc));
    double pts[4][2] = {{0, 0}, {10, 20}, {30, 5}, {50, 25}};
    auto* spline = new CGeBezier;
    spline->Create(4, pts);
    db.AddTail(dbGenCurve(spline));
    auto* group = new CDbUnion;
    group->AddEntity(dbGenLine(q, r));
    group->AddEntity(dbGenRect(q, r));
    db.AddTail(group);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <corpus folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    CDBase* db = CDBase::Instance();
    FillDatabase(*db);

    Write(dir + "/fuzz_document/saved.zdc", [db](CArchive& ar) {
        CZdcFilePreview preview;
        preview.GenBitmap(1);
        preview.BitmapSerialize(ar);
        db->Serialize(ar);
    });
    Write(dir + "/fuzz_clipboard/payload.bin", [db](CArchive& ar) {
        ar << 30.0 << 15.0;
        db->GetEntities().Serialize(ar);
    });
    int n = 0;
    for (CDbEntity* entity : db->GetEntities()) {
        Write(dir + "/fuzz_archive_object/entity" + std::to_string(n++) + ".bin",
              [entity](CArchive& ar) { ar << entity << entity; });
    }
    std::vector<CTool*> tools = {new CTBall(6), new CTBull(8, 1), new CTConnic, new CTTaperBall, new CTDrill};
    n = 0;
    for (CTool* tool : tools) {
        Write(dir + "/fuzz_archive_object/tool" + std::to_string(n++) + ".bin", [tool](CArchive& ar) { ar << tool; });
        delete tool;
    }
    Write(dir + "/fuzz_command_config/Command-chs.cfg", [](CArchive& ar) {
        CRelayon hub;
        fuzz::RegisterConfigCommands(hub);
        ar << std::int32_t{0} << std::int32_t{1};
        hub.Serialize(ar);
    });
    CDBase::Uninstance();
    return 0;
}
