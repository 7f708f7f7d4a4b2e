#include "app/KorvelDoc.h"

#include "app/DocumentFile.h"
#include "app/KorvelIds.h"
#include "app/LayerBarWnd.h"
#include "app/LayerTab.h"
#include "app/MainFrame.h"
#include "app/SplashWnd.h"
#include "app/StartupLog.h"
#include "framework/actorum/MainCmds.h"
#include "framework/db/DbCurve.h"
#include "framework/db/DbUnion.h"
#include "framework/looker/AppSettings.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/WorkArea.h"
#include "framework/panora/DesignCentral.h"
#include "framework/panora/ZdcFilePreview.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/GeCombCurve.h"
#include "geometry/shapes2d/GeGroup.h"
#include "geometry/shapes2d/GeOffsetCrv.h"
#include "geometry/shapes2d/GeRegion.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GeShape2d.h"
#include "geometry/shapes3d/GeShape3d.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"
#include "platform/core/OwnedListArchive.h"
#include "platform/ui/CmdUI.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"
#include "platform/ui/WinApp.h"

#include <algorithm>

IMPLEMENT_DYNCREATE(CKorvelDoc, CPIDoc)

BEGIN_MESSAGE_MAP(CKorvelDoc, CPIDoc)
    ON_COMMAND(korvel::ID_FILE_IMPORT, &CKorvelDoc::OnFileImport)
    ON_COMMAND(ID_FILE_OPEN, &CKorvelDoc::OnFileOpen)
    ON_COMMAND(ID_FILE_SAVE, &CKorvelDoc::OnFileSave)
    ON_UPDATE_COMMAND_UI(ID_FILE_SAVE, &CKorvelDoc::OnUpdateFileSave)
    ON_COMMAND(ID_FILE_SAVE_AS, &CKorvelDoc::OnFileSaveAs)
    ON_UPDATE_COMMAND_UI(ID_FILE_SAVE_AS, &CKorvelDoc::OnUpdateFileSave)
    ON_COMMAND(korvel::ID_EXPORT_SELECTION, &CKorvelDoc::OnExportSelection)
    ON_UPDATE_COMMAND_UI(korvel::ID_EXPORT_SELECTION, &CKorvelDoc::OnUpdateExportSelection)
    ON_COMMAND(korvel::ID_NOTES, &CKorvelDoc::OnNotes)
    ON_COMMAND(ID_EDIT_COPY, &CKorvelDoc::OnEditCopy)
    ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, &CKorvelDoc::OnUpdateEditCopy)
    ON_COMMAND(ID_EDIT_CUT, &CKorvelDoc::OnEditCut)
    ON_UPDATE_COMMAND_UI(ID_EDIT_CUT, &CKorvelDoc::OnUpdateEditCut)
    ON_COMMAND(ID_EDIT_PASTE, &CKorvelDoc::OnEditPaste)
    ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, &CKorvelDoc::OnUpdateEditPaste)
END_MESSAGE_MAP()

namespace {

CMainFrame* MainFrame() { return dynamic_cast<CMainFrame*>(gGetMainFrame()); }

void CancelRunningCommand()
{
    if (CRelayon* hub = gGetRelayon()) hub->CancelCurCmd();
}

void MarkTabWidthsDirty()
{
    if (CMainFrame* frame = MainFrame()) {
        if (CQvWndTab* tab = frame->GetLayerBar().GetTab()) tab->m_bWidthsDirty = 1;
    }
}

// The highest 2D handle in a curve and the curves it holds.
void CollectCurveHandles(CGeCurve* curve, std::uint32_t& max2d, int depth)
{
    // Curves nest only a few levels; the bound keeps a damaged structure from
    // recursing without end.
    if (curve == nullptr || depth > 64) return;
    max2d = std::max(max2d, curve->GetHandle());
    if (auto* comb = dynamic_cast<CGeCombCurve*>(curve)) {
        for (CGeCurve* member : comb->GetCurveList()) CollectCurveHandles(member, max2d, depth + 1);
    } else if (auto* group = dynamic_cast<CGeGroup*>(curve)) {
        for (CGeCurve* member : group->GetCurveList()) CollectCurveHandles(member, max2d, depth + 1);
    } else if (auto* region = dynamic_cast<CGeRegion*>(curve)) {
        for (CGeLoop* loop : region->GetLoopList()) CollectCurveHandles(loop, max2d, depth + 1);
    } else if (auto* offset = dynamic_cast<CGeOffsetCrv*>(curve)) {
        CollectCurveHandles(offset->GetBase(), max2d, depth + 1);
    }
}

void CollectEntityHandles(CDbEntity* entity, std::uint32_t& maxEntity, std::uint32_t& max2d, int depth)
{
    if (entity == nullptr || depth > 64) return;
    maxEntity = std::max(maxEntity, entity->GetHandle());
    if (auto* curve = dynamic_cast<CDbCurve*>(entity)) {
        CollectCurveHandles(curve->GetCurve(), max2d, 0);
    } else if (auto* unionEntity = dynamic_cast<CDbUnion*>(entity)) {
        for (CDbEntity* member : unionEntity->GetMembers()) CollectEntityHandles(member, maxEntity, max2d, depth + 1);
    }
}

// State of the program that reading a document touches, kept across a trial read.
class TrialReadGuard {
public:
    TrialReadGuard()
        : m_version(gGetQVGlobal() != nullptr ? gGetQVGlobal()->GetVersion() : kDocVersionCurrent),
          m_layer(CLayer::GetCurrentLayerID()),
          m_entity(CDbEntity::GetMaxHandle()),
          m_shape2d(CGeShape2d::GetMaxHandle()),
          m_shape3d(CGeShape3d::GetMaxHandle())
    {
    }
    ~TrialReadGuard()
    {
        if (CQVGlobal* global = gGetQVGlobal()) global->SetVersion(m_version);
        CLayer::SetCurrentLayerID(m_layer);
        CDbEntity::SetMaxHandle(m_entity);
        CGeShape2d::SetMaxHandle(m_shape2d);
        CGeShape3d::SetMaxHandle(m_shape3d);
    }
    TrialReadGuard(const TrialReadGuard&) = delete;
    TrialReadGuard& operator=(const TrialReadGuard&) = delete;

private:
    std::int32_t m_version;
    int m_layer;
    std::uint32_t m_entity;
    std::uint32_t m_shape2d;
    unsigned int m_shape3d;
};

CString LowerTitle(const CString& title)
{
    CString lower = title;
    lower.MakeLower();
    return lower;
}

}  // namespace

void RaiseHandleCountersPastLoaded()
{
    if (!CDBase::IsLiving()) return;
    std::uint32_t maxEntity = CDbEntity::GetMaxHandle();
    std::uint32_t max2d = CGeShape2d::GetMaxHandle();
    for (CDbEntity* entity : CDBase::Instance()->GetEntities()) CollectEntityHandles(entity, maxEntity, max2d, 0);
    CDbEntity::SetMaxHandle(maxEntity);
    CGeShape2d::SetMaxHandle(max2d);
    // No entity kind of the database holds 3D shapes; every 3D shape made while
    // reading took a new handle from the counter, so it is already past them.
}

CKorvelDoc::CKorvelDoc()
{
    korvel::LogStep("document: create");
    gSetDocument(this);
    qvCreateAllManager();
    InitialisePlugIns();
}

CKorvelDoc::~CKorvelDoc()
{
    if (gGetDocument() == this) gSetDocument(nullptr);
}

void CKorvelDoc::SetModifiedFlag(BOOL bModified)
{
    CPIDoc::SetModifiedFlag(bModified);
    m_nBackupPending = bModified ? 1 : 0;
}

void CKorvelDoc::DeleteContents()
{
    korvel::LogStep("document: delete contents");
    CActionManager::Uninstance();
    if (CDBase::IsLiving()) CDBase::Instance()->DelAllEnt();
    CPIDoc::DeleteContents();
}

void CKorvelDoc::OnCloseDocument()
{
    korvel::LogStep("document: close");
    CancelRunningCommand();
    CPIDoc::OnCloseDocument();
}

void CKorvelDoc::NotifyDocumentReplaced()
{
    QMessage message(QMessage::kNewDocument);
    if (CRelayon* hub = gGetRelayon()) hub->OnMessage(&message);
}

BOOL CKorvelDoc::OnNewDocument()
{
    CancelRunningCommand();
    if (!CPIDoc::OnNewDocument()) return FALSE;
    CDBase::Instance()->InitLayer();
    CDbEntity::SetMaxHandle(0);
    CGeShape2d::SetMaxHandle(0);
    MarkTabWidthsDirty();
    NotifyDocumentReplaced();
    korvel::LogStep("document: new");
    if (CMainFrame* frame = MainFrame()) {
        if (CDlgSplash* splash = frame->GetSplash(); splash != nullptr && splash->HasWindow()) {
            splash->HideSplash();
            korvel::LogStep("document: splash hidden");
        }
        frame->SendMessage(korvel::WM_KV_DOCUMENT_READY, 0, 0);
    }
    return TRUE;
}

void CKorvelDoc::Serialize(CArchive& ar)
{
    CZdcFilePreview preview;
    if (ar.IsStoring()) preview.GenBitmap(1);
    preview.BitmapSerialize(ar);
    CDBase* db = CDBase::Instance();
    db->Serialize(ar);
    db->InitLayer();
    MarkTabWidthsDirty();
    if (ar.IsLoading()) {
        // New shapes must never take a handle that a loaded one holds.
        RaiseHandleCountersPastLoaded();
        if (db->GetCount() > 0) NotifyDocumentReplaced();
        if (CDesignCentral* pane = gGetPaneDCenter()) pane->UpdateWorkareaDlg();
    }
}

namespace {

// Reads a whole document (preview block, then the database stream) into a
// database of its own; FALSE when it does not read whole. The caller keeps the
// program's state with a TrialReadGuard.
bool ReadIntoTrial(const std::vector<unsigned char>& bytes, CDBase& trial)
{
    try {
        CMemFile file(const_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete, 4096);
        ar.m_bForceFlat = TRUE;
        ar.SetLoadParams(6144);
        CZdcFilePreview preview;
        preview.BitmapSerialize(ar);
        trial.Serialize(ar);
        ar.Close();
    } catch (const CException&) {
        return false;
    }
    return true;
}

}  // namespace

BOOL CKorvelDoc::CheckDocumentBytes(const std::vector<unsigned char>& bytes)
{
    if (bytes.empty()) return TRUE;
    TrialReadGuard guard;
    CDBase trial;
    return ReadIntoTrial(bytes, trial) ? TRUE : FALSE;
}

BOOL CKorvelDoc::ReadDocumentEntities(const std::vector<unsigned char>& bytes, CString& note,
                                      CTypedPtrList<CObList, CDbEntity*>& entities)
{
    if (bytes.empty()) return TRUE;
    TrialReadGuard guard;
    CDBase trial;
    if (!ReadIntoTrial(bytes, trial)) return FALSE;
    note = trial.GetNote();
    entities.AddTail(&trial.GetEntities());
    trial.GetEntities().RemoveAll();
    return TRUE;
}

BOOL CKorvelDoc::LoadBytes(const std::vector<unsigned char>& bytes)
{
    if (bytes.empty()) return TRUE;
    try {
        CMemFile file(const_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete, 4096);
        ar.m_pDocument = this;
        ar.m_bForceFlat = TRUE;
        ar.SetLoadParams(6144);
        Serialize(ar);
        ar.Close();
    } catch (const CException&) {
        // The bytes passed the check, so this does not happen; an empty
        // document is still better than a half-read one.
        DeleteContents();
        return FALSE;
    }
    return TRUE;
}

BOOL CKorvelDoc::OnOpenDocument(LPCTSTR lpszPathName)
{
    const CString path(lpszPathName);
    std::vector<unsigned char> bytes;
    if (!korvel::ReadWholeFile(path, bytes)) {
        CFileException error(CFileException::fileNotFound);
        ReportSaveLoadException(path, &error, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
        return FALSE;
    }
    if (!CheckDocumentBytes(bytes)) {
        CArchiveException error(CArchiveException::badIndex);
        ReportSaveLoadException(path, &error, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
        return FALSE;
    }
    CancelRunningCommand();
    DeleteContents();
    SetModifiedFlag(TRUE);
    if (!LoadBytes(bytes)) {
        CArchiveException error(CArchiveException::badIndex);
        ReportSaveLoadException(path, &error, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
        return FALSE;
    }
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CKorvelDoc::DrawSceneGDI(CDC* pDC)
{
    const CLooker* looker = gGetLooker();
    const bool animate = looker != nullptr && looker->IsAnimateView();
    if (CDBase::IsLiving()) {
        if (animate) {
            CDBase::Instance()->DrawAllUnSel(pDC, 8, 0, 1);
        } else {
            CDBase::Instance()->DrawAllUnSel(pDC, 0, 1, 1);
        }
    }
    if (CSelector* selector = gGetSelector()) selector->Draw(pDC, animate ? 8 : 1);
    if (CRelayon* hub = gGetRelayon()) hub->OnDraw(pDC, 0);
}

void CKorvelDoc::DrawSceneGL(COpenGLDC* pDC, int mode)
{
    if (CDBase::IsLiving()) CDBase::Instance()->DrawAllUnSel(pDC, mode);
    if (CSelector* selector = gGetSelector(); selector != nullptr && selector->GetSize() > 0) {
        const CLooker* looker = gGetLooker();
        selector->DrawGL(pDC, looker != nullptr && looker->IsAnimateView() ? mode : 1);
    }
    if (CRelayon* hub = gGetRelayon()) hub->OnDraw(pDC, mode);
}

void CKorvelDoc::OnFileImport()
{
    if (CRelayon* hub = gGetRelayon()) hub->RunAppCmd(korvel::ID_FILE_IMPORT, 0);
}

void CKorvelDoc::OnFileOpen()
{
    CancelRunningCommand();
    if (IsModified() == TRUE && CDBase::IsLiving() && CDBase::Instance()->GetCount() > 0) {
        switch (AfxMessageBox(korvel::IDS_ASK_SAVE_BEFORE_OPEN, MB_YESNOCANCEL | MB_ICONQUESTION)) {
            case IDCANCEL:
                return;
            case IDYES:
                if (CWnd* main = AfxGetMainWnd()) main->SendMessage(WM_COMMAND, ID_FILE_SAVE, 0);
                // A save that was cancelled or failed must not lose the drawing.
                if (IsModified()) return;
                break;
            default:
                break;
        }
    }
    CString path;
    if (!CZdcFilePreview::GetCADName(1, path)) return;

    // The document in hand goes only once the new one is known to read.
    std::vector<unsigned char> bytes;
    if (!korvel::ReadWholeFile(path, bytes)) {
        CFileException error(CFileException::fileNotFound);
        ReportSaveLoadException(path, &error, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
        return;
    }
    if (!CheckDocumentBytes(bytes)) {
        CArchiveException error(CArchiveException::badIndex);
        ReportSaveLoadException(path, &error, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
        return;
    }
    m_strPathName = path;
    DeleteContents();
    SetModifiedFlag(TRUE);
    if (!LoadBytes(bytes)) {
        CArchiveException error(CArchiveException::badIndex);
        ReportSaveLoadException(path, &error, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
        return;
    }
    SetTitle(path);
    if (CWinApp* app = AfxGetApp()) app->AddToRecentFileList(path);
    SetModifiedFlag(FALSE);
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->UpdateWorkareaDlg();
    dbSetViewRange(CWorkArea::Instance()->GetPageSize());
    if (CMainFrame* frame = MainFrame()) frame->SendMessage(korvel::WM_KV_DOCUMENT_READY, 0, 0);
    if (CView* view = gGetView()) view->Invalidate(TRUE);
}

void CKorvelDoc::ReportWriteFailure(const CString& path)
{
    CFileException error(CFileException::accessDenied);
    ReportSaveLoadException(path, &error, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
}

BOOL CKorvelDoc::WriteDocument(const CString& path, BOOL bReplaceReadOnly)
{
    CQVGlobal* global = gGetQVGlobal();
    if (global == nullptr) return FALSE;
    // The autosave timer must not write while the document is being saved.
    const BOOL autoSave = global->m_bAutoSave;
    global->m_bAutoSave = FALSE;
    const korvel::WriteResult result =
        korvel::WriteArchiveFile(path, this, bReplaceReadOnly, [this](CArchive& ar) { Serialize(ar); });
    global->m_bAutoSave = autoSave;
    if (result != korvel::WriteResult::kDone) {
        ReportWriteFailure(path);
        return FALSE;
    }
    return TRUE;
}

void CKorvelDoc::OnFileSave()
{
    CancelRunningCommand();
    const CString title = LowerTitle(GetTitle());
    if (title == L"untitled" || title == L"无标题" || m_strPathName.IsEmpty()) {
        OnFileSaveAs();
        return;
    }
    if (!IsModified()) return;
    CFileStatus status;
    if (CFile::GetStatus(m_strPathName, status) && (status.m_attribute & CFile::readOnly) != 0) {
        status.m_attribute = static_cast<BYTE>(status.m_attribute & ~CFile::readOnly);
        CFile::SetStatus(m_strPathName, status);
    }
    if (WriteDocument(m_strPathName, TRUE)) SetModifiedFlag(FALSE);
}

void CKorvelDoc::OnFileSaveAs()
{
    CancelRunningCommand();
    CString path;
    if (!CZdcFilePreview::GetCADName(2, path)) return;
    if (!WriteDocument(path, FALSE)) return;
    SetPathName(path, FALSE);
    SetTitle(path);
    if (CWinApp* app = AfxGetApp()) app->AddToRecentFileList(path);
    SetModifiedFlag(FALSE);
}

void CKorvelDoc::OnExportSelection()
{
    CString path;
    if (CZdcFilePreview::GetCADName(2, path)) SaveSelectionToFile(path);
}

BOOL CKorvelDoc::SaveSelectionToFile(const CString& path)
{
    CSelector* selector = gGetSelector();
    if (selector == nullptr || selector->GetSize() < 1 || CWorkArea::Instance() == nullptr) return FALSE;
    const korvel::WriteResult result = korvel::WriteArchiveFile(path, this, FALSE, [](CArchive& ar) {
        CZdcFilePreview preview;
        preview.GenBitmap(0);
        preview.BitmapSerialize(ar);
        CDBase::Instance()->SaveSelected(ar);
    });
    if (result != korvel::WriteResult::kDone) {
        ReportWriteFailure(path);
        return FALSE;
    }
    return TRUE;
}

BOOL CKorvelDoc::BackupSave()
{
    if (!CDBase::IsLiving() || CDBase::Instance()->GetCount() < 1) return FALSE;
    const CString path = gGetAppDataDir() + korvel::kBackupFile;
    const korvel::WriteResult result =
        korvel::WriteArchiveFile(path, this, TRUE, [this](CArchive& ar) { Serialize(ar); });
    if (result == korvel::WriteResult::kCannotOpen) return FALSE;
    if (result != korvel::WriteResult::kDone) {
        ReportWriteFailure(path);
        return FALSE;
    }
    m_nBackupPending = 0;
    return TRUE;
}

void CKorvelDoc::OnNotes()
{
    if (!CDBase::IsLiving()) return;
    CDlgNotes dialog;
    dialog.SetParam(CDBase::Instance()->GetNote());
    if (dialog.DoModal() == IDOK) CDBase::Instance()->SetNote(dialog.GetParam());
}

void CKorvelDoc::OnUpdateFileSave(CCmdUI* pCmdUI)
{
    const CRelayon* hub = gGetRelayon();
    pCmdUI->Enable(hub == nullptr || hub->CurCmdFlag() == 0);
}

void CKorvelDoc::OnUpdateExportSelection(CCmdUI* pCmdUI)
{
    const CRelayon* hub = gGetRelayon();
    const CSelector* selector = gGetSelector();
    pCmdUI->Enable((hub == nullptr || hub->CurCmdFlag() == 0) && selector != nullptr && selector->GetSize() > 0);
}

namespace {

CTextMainCmd* EditingText(CRelayon* hub)
{
    CCommand* main = hub != nullptr ? hub->GetCurMainCmd() : nullptr;
    return main != nullptr && main->HostType() == kHostText ? dynamic_cast<CTextMainCmd*>(main) : nullptr;
}

// The clipboard payload is written and read under the program's own format
// version, so that two processes with documents of different versions open
// still exchange entities.
class PayloadVersion {
public:
    PayloadVersion()
    {
        if (CQVGlobal* global = gGetQVGlobal()) {
            m_saved = global->GetVersion();
            global->SetVersion(kDocVersionCurrent);
        }
    }
    ~PayloadVersion()
    {
        if (CQVGlobal* global = gGetQVGlobal()) global->SetVersion(m_saved);
    }
    PayloadVersion(const PayloadVersion&) = delete;
    PayloadVersion& operator=(const PayloadVersion&) = delete;

private:
    std::int32_t m_saved = kDocVersionCurrent;
};

}  // namespace

void CKorvelDoc::CollectSelectedEntities(CObList& list)
{
    CSelector* selector = gGetSelector();
    if (selector == nullptr || selector->IsEmpty() || selector->GetSize() <= 0) return;
    for (int i = 0; i < selector->GetSize(); ++i)
        if (CDbEntity* entity = selector->GetEntity(i)) list.AddTail(entity);
}

HGLOBAL CKorvelDoc::PackSelectionToClipboard(CObList& list)
{
    CSelector* selector = gGetSelector();
    if (selector == nullptr || list.IsEmpty()) return nullptr;
    BOX2<double> box;
    box.InitEmpty();
    if (!selector->GetBox(&box)) return nullptr;
    const double x = (box.xmin + box.xmax) / 2.0, y = (box.ymin + box.ymax) / 2.0;
    CSharedFile file(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, 4096);
    try {
        PayloadVersion version;
        CArchive ar(&file, CArchive::store | CArchive::bNoFlushOnDelete, 4096);
        ar << x << y;
        list.Serialize(ar);
        ar.Close();
    } catch (const CException&) {
        return nullptr;
    }
    return file.GetLength() != 0 ? file.Detach() : nullptr;
}

BOOL CKorvelDoc::ReadClipboardPayload(const std::vector<BYTE>& bytes, double* base,
                                      CTypedPtrList<CObList, CDbEntity*>& entities)
{
    if (bytes.empty()) return FALSE;
    CTypedPtrList<CObList, CDbEntity*> read;
    double x = 0.0, y = 0.0;
    try {
        PayloadVersion version;
        CMemFile file(const_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete, 4096);
        ar.m_bForceFlat = TRUE;
        ar.SetLoadParams(6144);
        // Until the list has read whole, the archive owns what it created.
        CArchive::CLoadHold hold(ar);
        ar >> x >> y;
        archive::LoadOwnedList(ar, read);
        hold.Release();
        ar.Close();
    } catch (const CException&) {
        return FALSE;
    }
    base[0] = x;
    base[1] = y;
    entities.AddTail(&read);
    return TRUE;
}

void CKorvelDoc::DeleteSelectionWithUndo(CObList& list)
{
    auto* action = new CAction(1, AfxLoadString(korvel::IDS_CUT_ACTION));
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        auto* entity = static_cast<CDbEntity*>(list.GetNext(pos));
        if (entity != nullptr) action->AddDelEnt(entity);
    }
    qvInsertActionIntoManager(action, 0);
    if (CSelector* selector = gGetSelector()) selector->ClearAll();
}

BOOL CKorvelDoc::CopySelectionToClipboard(int mode, HGLOBAL* handle)
{
    CObList list(10);
    CollectSelectedEntities(list);
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        if (static_cast<CDbEntity*>(list.GetNext(pos))->GetType() == kDbTypeNoCopy) {
            AfxMessageBox(mode == 1 ? korvel::IDS_COPY_REFUSED : korvel::IDS_CUT_REFUSED, MB_OK);
            return FALSE;
        }
    }
    *handle = PackSelectionToClipboard(list);
    if (mode == 2) DeleteSelectionWithUndo(list);
    list.RemoveAll();
    return TRUE;
}

void CKorvelDoc::CopyOrCut(int mode)
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return;
    if (CTextMainCmd* text = EditingText(hub)) {
        if (mode == 1) {
            text->OnEditCopy();
        } else {
            text->OnEditCut();
        }
        return;
    }
    CWnd* main = AfxGetMainWnd();
    if (main == nullptr || main->GetSafeHwnd() == nullptr) return;
    const CQVGlobal* global = gGetQVGlobal();
    const UINT format = global != nullptr ? global->GetClipboardFormat() : CQVAppSettings::kClipboardFormat;
    HGLOBAL handle = nullptr;
    if (!CopySelectionToClipboard(mode, &handle)) return;
    OpenClipboard(main->GetSafeHwnd());
    EmptyClipboard();
    if (SetClipboardData(format, handle) == nullptr && handle != nullptr) GlobalFree(handle);
    CloseClipboard();
    if (mode == 2) UpdateAllViews(nullptr, 0, nullptr);
}

void CKorvelDoc::OnEditCopy() { CopyOrCut(1); }

void CKorvelDoc::OnEditCut() { CopyOrCut(2); }

void CKorvelDoc::OnEditPaste()
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return;
    if (CTextMainCmd* text = EditingText(hub)) {
        text->OnEditPaste();
        return;
    }
    hub->RunAppCmd(ID_EDIT_PASTE, 0);
}

namespace {

// The edit items' state: nothing without a hub; the text tool's own while it
// edits text; otherwise whether the item can act.
template <class CanAct>
void UpdateEditItem(CCmdUI* pCmdUI, void (CTextMainCmd::*textUpdate)(CCmdUI*), CanAct canAct)
{
    CRelayon* hub = gGetRelayon();
    if (hub == nullptr) return;
    if (CTextMainCmd* text = EditingText(hub)) {
        (text->*textUpdate)(pCmdUI);
        return;
    }
    pCmdUI->Enable(canAct(hub) ? TRUE : FALSE);
}

bool HasSelection(CRelayon*)
{
    const CSelector* selector = gGetSelector();
    return selector != nullptr && !selector->IsEmpty();
}

}  // namespace

void CKorvelDoc::OnUpdateEditCopy(CCmdUI* pCmdUI) { UpdateEditItem(pCmdUI, &CTextMainCmd::OnUpdateEditCopy, HasSelection); }

void CKorvelDoc::OnUpdateEditCut(CCmdUI* pCmdUI) { UpdateEditItem(pCmdUI, &CTextMainCmd::OnUpdateEditCut, HasSelection); }

void CKorvelDoc::OnUpdateEditPaste(CCmdUI* pCmdUI)
{
    UpdateEditItem(pCmdUI, &CTextMainCmd::OnUpdateEditPaste, [](CRelayon* hub) {
        CCommand* paste = hub->GetCmd(ID_EDIT_PASTE);
        return paste != nullptr && paste->IsEnable();
    });
}
