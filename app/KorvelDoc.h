// The document of the single-document program. The drawing itself lives in
// the process-wide entity database and the undo manager; the document creates
// and clears them, reads and writes the document file, writes the selection
// file and the autosave copy, and edits the document note.
#pragma once

#include "framework/db/DbEntity.h"
#include "framework/extendra/PIDoc.h"
#include "platform/ui/Clipboard.h"

#include <vector>

class CCmdUI;
class COpenGLDC;

class CKorvelDoc : public CPIDoc {
    DECLARE_DYNCREATE(CKorvelDoc)
public:
    CKorvelDoc();
    ~CKorvelDoc() override;

    void Serialize(CArchive& ar) override;
    void SetModifiedFlag(BOOL bModified = TRUE) override;
    void DeleteContents() override;
    BOOL OnNewDocument() override;
    void OnCloseDocument() override;
    // Checks the whole file first; a file that cannot be read or is damaged is
    // reported and leaves the document as it was (FALSE).
    BOOL OnOpenDocument(LPCTSTR lpszPathName) override;

    // Drawing of the content in 2D (memory context) and in 3D.
    void DrawSceneGDI(CDC* pDC);
    void DrawSceneGL(COpenGLDC* pDC, int mode);

    // Writes the selection (preview block, then the selected entities).
    // FALSE when nothing was written.
    BOOL SaveSelectionToFile(const CString& path);
    // The autosave copy "backup.zdc" in the application-data folder; only with
    // entities in the database. Clears the backup-pending flag when written.
    BOOL BackupSave();
    int GetBackupPending() const { return m_nBackupPending; }

    // Whether a document file reads completely; what is read is dropped. No
    // state of the program changes.
    static BOOL CheckDocumentBytes(const std::vector<unsigned char>& bytes);
    // Reads a whole document file and hands out its note and entities (the
    // caller owns them; empty bytes give none). The shapes are read under the
    // file's format version, which is put back afterwards, as is every other
    // state of the program that reading touches. FALSE, with nothing handed
    // out, when the file does not read whole.
    static BOOL ReadDocumentEntities(const std::vector<unsigned char>& bytes, CString& note,
                                     CTypedPtrList<CObList, CDbEntity*>& entities);

    // Clipboard: copy and cut put the selected entities on the clipboard in the
    // program's own format (the selection box's centre, then the entity list);
    // cut deletes them as one undo step. Mode 1 copy, 2 cut; FALSE when the
    // selection may not go (an entity of type 10) or nothing was built.
    BOOL CopySelectionToClipboard(int mode, HGLOBAL* handle);
    static void CollectSelectedEntities(CObList& list);
    // The payload block of the entities (null when nothing was written).
    static HGLOBAL PackSelectionToClipboard(CObList& list);
    static void DeleteSelectionWithUndo(CObList& list);
    // Reads a payload block's bytes: the base point and the entities (the caller
    // owns them). FALSE, with nothing handed out, when the bytes do not read
    // whole (damaged, or not this program's payload).
    static BOOL ReadClipboardPayload(const std::vector<BYTE>& bytes, double* base,
                                     CTypedPtrList<CObList, CDbEntity*>& entities);

    // Command handlers.
    void OnFileImport();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnExportSelection();
    void OnNotes();
    void OnUpdateFileSave(CCmdUI* pCmdUI);
    void OnUpdateExportSelection(CCmdUI* pCmdUI);
    void OnEditCopy();
    void OnEditCut();
    void OnEditPaste();
    void OnUpdateEditCopy(CCmdUI* pCmdUI);
    void OnUpdateEditCut(CCmdUI* pCmdUI);
    void OnUpdateEditPaste(CCmdUI* pCmdUI);

protected:
    DECLARE_MESSAGE_MAP()

private:
    // Copy (mode 1) and cut (mode 2) of the selection.
    void CopyOrCut(int mode);
    // Replaces the content with the document in bytes (already checked).
    BOOL LoadBytes(const std::vector<unsigned char>& bytes);
    // Writes the document to path; reports a failure. TRUE when written.
    BOOL WriteDocument(const CString& path, BOOL bReplaceReadOnly);
    void ReportWriteFailure(const CString& path);
    void NotifyDocumentReplaced();

    int m_nBackupPending = 0;
};

// Raises the database's entity handle counter and Geometry's 2D and 3D shape
// handle counters past every handle the database's entities hold.
void RaiseHandleCountersPastLoaded();
