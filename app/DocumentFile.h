// Safe reading and writing of document files.
//
// Writing goes to a temporary file in the target's folder, which is renamed
// over the target only after the whole stream was written and closed: a write
// that fails half-way leaves the previous file as it was. Reading takes the
// whole file into memory first, so that a document can be checked before the
// one in hand is given up.
#pragma once

#include "platform/core/WinString.h"

#include <functional>
#include <vector>

class CArchive;
class CDocument;

namespace korvel {

enum class WriteResult {
    kDone,
    kReadOnly,    // the target exists and is marked read-only
    kCannotOpen,  // the temporary file could not be made
    kFailed,      // the stream failed while being written, or the rename failed
};

// Writes the stream that writer stores into an archive (4096-byte buffer,
// document pointer doc) and puts it in place of path. With bReplaceReadOnly
// FALSE a target marked read-only is refused (kReadOnly). The target keeps its
// permission bits.
WriteResult WriteArchiveFile(const CString& path, CDocument* doc, BOOL bReplaceReadOnly,
                             const std::function<void(CArchive&)>& writer);

// Whether the file exists and its owner-write permission is off.
BOOL IsReadOnlyFile(const CString& path);

// The file's bytes; FALSE when it cannot be opened or read.
BOOL ReadWholeFile(const CString& path, std::vector<unsigned char>& bytes);

}  // namespace korvel
