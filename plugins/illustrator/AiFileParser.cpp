#include "plugins/illustrator/AiFileParser.h"

#include "framework/db/DbCurve.h"
#include "framework/db/DbUnion.h"
#include "framework/widgra/Progress.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "plugins/illustrator/AiPathReader.h"
#include "plugins/illustrator/IlvaneConst.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The whole file in one block (what could be read of it: a read error ends it
// like the end of the file). sizeHint, the size the file reported, saves growing.
std::string_view ReadWholeFile(std::FILE* file, long long sizeHint, std::unique_ptr<char[]>& block)
{
    // One byte more than the size, so that the end shows without a second call.
    std::size_t capacity = sizeHint > 0 ? static_cast<std::size_t>(sizeHint) + 1 : std::size_t{1} << 16;
    block = std::make_unique_for_overwrite<char[]>(capacity);
    std::size_t length = 0;
    for (;;) {
        length += std::fread(block.get() + length, 1, capacity - length, file);
        if (length < capacity) break;
        // The file grew since its size was taken.
        auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2);
        std::memcpy(larger.get(), block.get(), length);
        block = std::move(larger);
        capacity *= 2;
    }
    return {block.get(), length};
}

// Feeds the text's lines (ending in LF, CRLF or CR, of any length) to the
// reader until the end of the text or the reader's stop, and reports the share
// read through the progress object.
void ReadLines(std::string_view text, ilvane::AiPathReader& reader)
{
    CQProgress progress;
    progress.SetRange(1.0);
    const auto size = static_cast<long long>(text.size());
    long long lastPercent = 0;
    long long nextReport = (size + 99) / 100;  // first offset worth a new percent
    auto report = [&](long long done) {
        if (size <= 0 || done < nextReport) return;
        lastPercent = done * 100 / size;
        nextReport = ((lastPercent + 1) * size + 99) / 100;
        progress.SetPos(static_cast<double>(lastPercent) / 100.0);
    };

    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin;
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\n' && *q != '\r') ++q;
        const std::string_view line(p, static_cast<std::size_t>(q - p));
        if (q == end) {
            // A last line without a terminator is read as well.
            report(size);
            reader.ReadLine(line);
            return;
        }
        const std::size_t terminator = (*q == '\r' && q + 1 < end && q[1] == '\n') ? 2 : 1;
        p = q + terminator;
        report(p - begin);
        if (!reader.ReadLine(line)) return;
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

    std::unique_ptr<char[]> block;
    std::string_view text;
    try {
        text = ReadWholeFile(file.get(), fileSize, block);
    } catch (const std::bad_alloc&) {
        return false;  // a file larger than the memory can hold
    }
    file.reset();
    ilvane::AiPathReader reader;
    ReadLines(text, reader);
    block.reset();
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
