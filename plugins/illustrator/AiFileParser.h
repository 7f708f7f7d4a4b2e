// The Illustrator/EPS file parser: reads a file's path operators into curve
// entities (see AiPathReader for what is read).
#pragma once

#include "framework/db/DbEntity.h"
#include "platform/core/WinString.h"

class AiFileParser : public CTypedPtrList<CPtrList, CDbEntity*> {
public:
    AiFileParser() : CTypedPtrList<CPtrList, CDbEntity*>(10) {}
    ~AiFileParser() = default;
    AiFileParser(const AiFileParser&) = delete;
    AiFileParser& operator=(const AiFileParser&) = delete;

    // Deletes every entity of the list and empties it.
    void DeleteAll();
};

// Reads path into the parser's list: one CDbCurve when the file holds one
// subpath (holding that subpath's only segment when it has just one), else
// one CDbUnion of one CDbCurve per subpath. The file is read into memory in
// one piece. False, with nothing appended, for an empty path, a file that
// cannot be opened or not held in memory, a file without a segment or a
// damaged file (a coordinate not finite or beyond gecon::kMaxCoordinate).
bool ParseAiFile(AiFileParser& parser, CString path);
