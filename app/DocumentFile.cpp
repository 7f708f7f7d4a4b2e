#include "app/DocumentFile.h"

#include "platform/core/Archive.h"
#include "platform/core/Exception.h"
#include "platform/core/File.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace korvel {

namespace fs = std::filesystem;

namespace {

// A name beside the target that no other writer of this process or another
// one picks at the same time.
fs::path TemporaryBeside(const fs::path& target)
{
    static std::atomic<unsigned> counter{0};
    const std::string name = "." + target.filename().string() + ".kv" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter.fetch_add(1)) + ".tmp";
    return target.parent_path() / name;
}

// The file a symbolic link points to is the one to replace, not the link.
fs::path ResolveTarget(const fs::path& target)
{
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) return resolved;
    }
    return target;
}

}  // namespace

BOOL IsReadOnlyFile(const CString& path)
{
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(path.ToUtf8()), ec);
    if (ec || !fs::exists(status) || fs::is_directory(status)) return FALSE;
    return (status.permissions() & fs::perms::owner_write) == fs::perms::none ? TRUE : FALSE;
}

WriteResult WriteArchiveFile(const CString& path, CDocument* doc, BOOL bReplaceReadOnly,
                             const std::function<void(CArchive&)>& writer)
{
    if (!bReplaceReadOnly && IsReadOnlyFile(path)) return WriteResult::kReadOnly;
    const fs::path target = ResolveTarget(fs::path(path.ToUtf8()));
    std::error_code ec;
    if (fs::is_directory(target, ec)) return WriteResult::kCannotOpen;
    const fs::path temporary = TemporaryBeside(target);
    const CString tempName = CString::FromUtf8(temporary.string());

    CFile file;
    CFileException openError;
    if (!file.Open(tempName, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive, &openError))
        return WriteResult::kCannotOpen;
    bool written = false;
    try {
        CArchive ar(&file, CArchive::store | CArchive::bNoFlushOnDelete, 4096);
        ar.m_pDocument = doc;
        ar.m_bForceFlat = TRUE;
        ar.SetStoreParams(5097, 640);
        writer(ar);
        ar.Close();
        file.Flush();
        file.Close();
        written = true;
    } catch (const CException&) {
        file.Abort();
    }
    if (!written) {
        fs::remove(temporary, ec);
        return WriteResult::kFailed;
    }
    // The new file takes over the permissions of the one it replaces.
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::exists(old)) {
        fs::permissions(temporary, old.permissions() | fs::perms::owner_write, ec);
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return WriteResult::kFailed;
    }
    return WriteResult::kDone;
}

BOOL ReadWholeFile(const CString& path, std::vector<unsigned char>& bytes)
{
    bytes.clear();
    const fs::path file(path.ToUtf8());
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return FALSE;
    std::ifstream in(file, std::ios::binary);
    if (!in) return FALSE;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return FALSE;
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        bytes.clear();
        return FALSE;
    }
    return TRUE;
}

}  // namespace korvel
