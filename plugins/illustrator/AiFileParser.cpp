#include "plugins/illustrator/AiFileParser.h"

#include "framework/db/DbCurve.h"
#include "framework/db/DbUnion.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "plugins/illustrator/AiPathReader.h"
#include "plugins/illustrator/IlvaneConst.h"

#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Feeds the file's lines (ending in LF, CRLF or CR, of any length) to the
// reader until the end of the file, a read error or the reader's stop, and
// reports the share read through the progress object.
void ReadLines(std::FILE* file, long long fileSize, ilvane::AiPathReader& reader)
{
    CQProgress progress;
    progress.SetRange(1.0);
    long long charsRead = 0;
    long long lastPercent = 0;
    auto report = [&](std::size_t lineBytes) {
        charsRead += static_cast<long long>(lineBytes);
        if (fileSize <= 0) return;
        const long long percent = charsRead * 100 / fileSize;
        if (percent > lastPercent) {
            lastPercent = percent;
            progress.SetPos(static_cast<double>(percent) / 100.0);
        }
    };

    std::vector<char> buffer(1 << 16);
    std::string line;
    bool skipLF = false;  // the previous line ended in CR: a following LF belongs to it
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
        const char* p = buffer.data();
        const char* const end = p + got;
        if (skipLF && *p == '\n') ++p;
        skipLF = false;
        while (p < end) {
            const char* q = p;
            while (q < end && *q != '\n' && *q != '\r') ++q;
            line.append(p, q);
            if (q == end) break;  // the line goes on in the next block
            std::size_t terminator = 1;
            if (*q == '\r') {
                if (q + 1 < end) {
                    if (q[1] == '\n') terminator = 2;
                } else {
                    skipLF = true;
                }
            }
            report(line.size() + terminator);
            if (!reader.ReadLine(line)) return;
            line.clear();
            p = q + terminator;
        }
    }
    // A last line without a terminator is read as well.
    if (!line.empty()) {
        report(line.size());
        reader.ReadLine(line);
    }
}

}  // namespace

void AiFileParser::DeleteAll()
{
    while (!IsEmpty()) delete RemoveHead();
}

bool ParseAiFile(AiFileParser& parser, CString path)
{
    if (path.IsEmpty()) return false;
    const std::string name = path.ToUtf8();
    FilePtr file(std::fopen(name.c_str(), "rb"));
    if (!file) return false;
    struct stat info {};
    const long long fileSize = fstat(fileno(file.get()), &info) == 0 ? static_cast<long long>(info.st_size) : 0;

    ilvane::AiPathReader reader;
    ReadLines(file.get(), fileSize, reader);
    file.reset();
    reader.Finish();
    if (reader.IsDamaged()) return false;

    std::vector<std::unique_ptr<CGeCombCurve>> curves = reader.TakeCurves();
    if (curves.empty()) return false;
    if (curves.size() == 1) {
        std::unique_ptr<CGeCombCurve>& only = curves.front();
        CGeCurve* handed = only.get();
        if (only->GetSegmentCount() == 1) {
            // The segment leaves the composite before the composite goes.
            handed = only->GetCurveList().RemoveHead();
            handed->SetClosedFlag(handed->IsClosed(ilvane::kClosedTol));
            only.reset();
        } else {
            only.release();
        }
        CDbEntity* entity = dbGenCurve(handed);
        if (entity == nullptr) return false;
        parser.AddTail(entity);
        return true;
    }
    auto* group = new CDbUnion;
    for (std::unique_ptr<CGeCombCurve>& curve : curves) group->AddEntity(dbGenCurve(curve.release()));
    parser.AddTail(group);
    return true;
}
