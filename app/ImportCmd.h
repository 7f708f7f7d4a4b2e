// The import command: reads the program's own documents, pictures and every
// format a file plug-in imports into the open drawing. Own documents merge
// straight into the database; pictures and plug-in formats give entities that
// the user places with an outline following the cursor, or that are scaled onto
// the page when the drawing is more than 300000 mm wide or high.
//
// Sub-commands: 0 asks for the files with the open dialog; 1 reads the file
// list as it stands (dropped files); 2 as 1, placing on the button's release too.
#pragma once

#include "framework/db/DbEntity.h"
#include "framework/relayon/Command.h"
#include "platform/core/Containers.h"

class CDC;

class CImportCmd : public CCommand {
    DECLARE_DYNAMIC(CImportCmd)
public:
    // A drawing larger than this in either direction (mm) may be scaled to the page.
    static constexpr double kMaxDrawingSide = 300000.0;
    // Pixels the cursor must move in x or y before the outline follows it.
    static constexpr int kOutlineStep = 3;

    CImportCmd(int first, LPCTSTR name);
    ~CImportCmd() override;

    int HostType() override { return 1; }
    int StartUp(int subCommand) override;
    void Sleep() override;
    void WakeUp() override;
    int OnLButtonDown(UINT flags, Position& pos) override;
    int OnLButtonUp(UINT flags, Position& pos) override;
    int OnMouseMove(UINT flags, Position& pos) override;
    int Cancel() override;
    // The file-name pattern of the open dialog, kept with the command's settings.
    void Serialize(CArchive& ar) override;

    // Draws the outline once more (erasing it) on dc, or on the view's context
    // when dc is null, and deletes it.
    void EraseOutline(CDC* dc);
    // Merges a document of the program into the database as it is stored: no
    // undo step, no placement, every entity on the current layer with a handle
    // above all handles of the drawing. A file that cannot be read or does not
    // read whole is reported and merges nothing.
    void ImportOwnDocument(const CString& path);
    // The text after the last '.' of the path; the whole path when it has none.
    static CString GetFileExtension(const CString& path);
    // The open dialog's filter: every importing file plug-in, the pictures and
    // the program's own documents.
    static CString BuildOpenFilter();

    // Paths to read, in order; the frame's drop handler fills it.
    CStringArray m_fileList;

    const CDbEntityList& GetEntitiesRead() const { return m_entities; }
    const BOX2<double>& GetBox() const { return m_box; }
    const CString& GetFilePattern() const { return m_strFilePattern; }
    CDbEntity* GetOutline() const { return m_pOutline; }

private:
    // Reads a picture into an image entity at the origin; FALSE when it cannot.
    BOOL ReadImage(const CString& path);
    // Moves the entities read so that the box's lower-left corner lies on the
    // point and hands them to the database as one undo step.
    int Place(const Position& pos);
    void DeleteEntitiesRead();

    CDbEntity* m_pOutline = nullptr;
    CDbEntityList m_entities;
    BOX2<double> m_box;
    CString m_strExtension = L"zdc";
    CString m_strFilePattern;
    CString m_strPath;
    Position m_posLast;
};
