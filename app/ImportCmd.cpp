#include "app/ImportCmd.h"

#include "app/DocumentFile.h"
#include "app/KorvelDoc.h"
#include "app/KorvelIds.h"
#include "framework/db/DbCurve.h"
#include "framework/db/DbImage.h"
#include "framework/extendra/PlugInApp.h"
#include "framework/looker/AppSlots.h"
#include "framework/looker/Dib.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/looker/WorkArea.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Relayon.h"
#include "platform/core/Archive.h"
#include "platform/core/Exception.h"
#include "platform/ui/CmdTarget.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"

#include <cmath>
#include <cstdlib>

IMPLEMENT_DYNAMIC(CImportCmd, CCommand)

namespace {

// Picture extensions read by the program itself (upper case).
constexpr const wchar_t* kImageExtensions[] = {L"BMP", L"JPG", L"JPEG", L"GIF", L"PNG", L"TIF"};

bool IsImageExtension(const CString& upper)
{
    for (const wchar_t* ext : kImageExtensions)
        if (upper == ext) return true;
    return false;
}

void ReportOpenFailure(CDocument* doc, const CString& path, const CException& error)
{
    if (doc != nullptr) {
        doc->ReportSaveLoadException(path, &error, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    } else {
        AfxMessageBox(AFX_IDP_FAILED_TO_OPEN_DOC, MB_ICONEXCLAMATION);
    }
}

}  // namespace

CImportCmd::CImportCmd(int first, LPCTSTR name) : CCommand(first, name, 0) { m_box.InitEmpty(); }

CImportCmd::~CImportCmd()
{
    delete m_pOutline;
    dbDelEntList(&m_entities);
}

CString CImportCmd::GetFileExtension(const CString& path)
{
    const int dot = path.ReverseFind(L'.');
    return dot >= 0 ? path.Mid(dot + 1) : path;
}

CString CImportCmd::BuildOpenFilter()
{
    CString filter;
    if (const CPlugInApp* app = GetPlugInApp()) {
        for (int i = 0; i < app->GetPlugInCount(); ++i) {
            const PlugInRecord* record = app->GetPlugInRecord(i);
            if (record == nullptr || record->GetKind() != kPlugInKindFile || record->m_pfnImport == nullptr) continue;
            filter += record->GetDescription() + L"|*." + record->GetExtension() + L"|";
        }
    }
    filter += AfxLoadString(korvel::IDS_IMAGE_FILTER) + L"|*.BMP;*.JPG;*.JPEG;*.GIF;*.PNG;*.TIF|";
    filter += L"Dalvex File(*.zdc)|*.zdc";
    filter += L"||";
    return filter;
}

int CImportCmd::StartUp(int subCommand)
{
    m_nSubCmd = subCommand;
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->HideDCenter();
    CPlugInApp* app = GetPlugInApp();
    if (app == nullptr) return 0;
    m_posLast = Position();
    m_box.InitEmpty();

    const CString filter = BuildOpenFilter();
    if (subCommand == 0) {
        CFileDialog dialog(TRUE, nullptr, m_strFilePattern,
                           OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST, filter, nullptr);
        dialog.SetTitle(GetCmdName());
        m_fileList.RemoveAll();
        if (dialog.DoModal() != IDOK) return Cancel();
        for (const CString& path : dialog.GetPathNames()) m_fileList.Add(path);
        CString last = GetFileExtension(m_fileList[m_fileList.GetSize() - 1]);
        last.MakeUpper();
        m_strFilePattern = L"*." + last;
        // The area under the dialog is drawn again before reading starts.
        if (CView* view = gGetView()) {
            view->Invalidate(TRUE);
            view->UpdateWindow();
        }
    }

    int success = 0;
    for (INT_PTR i = 0; i < m_fileList.GetSize(); ++i) {
        m_strPath = m_fileList[i];
        m_strExtension = GetFileExtension(m_strPath);
        m_strExtension.MakeUpper();
        if (m_strExtension == L"ZDC") {
            ImportOwnDocument(m_strPath);
        } else if (IsImageExtension(m_strExtension)) {
            if (!ReadImage(m_strPath)) {
                AfxMessageBox(korvel::IDS_IMAGE_UNREADABLE, MB_ICONERROR | MB_OK);
                // Files after it are not read, and what was read goes.
                return Cancel();
            }
            success = 1;
        } else {
            success = app->ImportFile(m_strPath, m_strExtension, &m_entities);
        }
    }
    if (m_entities.IsEmpty()) return Cancel();

    bool first = true;
    for (CDbEntity* entity : m_entities) {
        BOX2<double> box;
        if (entity == nullptr || !entity->GetBox(&box)) continue;
        if (first) {
            m_box = box;
            first = false;
        } else {
            m_box.Union(box);
        }
    }
    const double width = std::fabs(m_box.xmax - m_box.xmin);
    const double height = std::fabs(m_box.ymax - m_box.ymin);
    if ((width > kMaxDrawingSide || height > kMaxDrawingSide) &&
        AfxMessageBox(korvel::IDS_LARGE_DRAWING, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        float pageWidth = 0.0f, pageHeight = 0.0f;
        if (CWorkArea* area = CWorkArea::Instance()) area->GetPageSize(pageWidth, pageHeight);
        const double factor = width > height ? pageWidth / width : pageHeight / height;
        const double centre[2] = {(m_box.xmin + m_box.xmax) * 0.5, (m_box.ymin + m_box.ymax) * 0.5};
        const double origin[2] = {0.0, 0.0};
        const double factors[2] = {factor, factor};
        for (CDbEntity* entity : m_entities) {
            entity->Move(centre, origin);
            entity->Scale(origin, factors);
        }
        qvEntListToManager(&m_entities, nullptr, GetCmdName());
        if (CView* view = gGetView()) view->Invalidate(TRUE);
        m_entities.RemoveAll();
        return Cancel();
    }
    if (success == 0) return Cancel();
    Prompt(AfxLoadString(korvel::IDS_PLACE_PROMPT));
    m_nStep = 1;
    m_bRunning = TRUE;
    return 1;
}

BOOL CImportCmd::ReadImage(const CString& path)
{
    CWaitCursor wait;
    auto* dib = new CDib;
    if (!dib->ReadFile(path)) {
        dib->Release();
        return FALSE;
    }
    const double origin[2] = {0.0, 0.0};
    // The image entity takes the bitmap's one reference.
    m_entities.AddTail(new CDbImage(dib, origin));
    return TRUE;
}

void CImportCmd::ImportOwnDocument(const CString& path)
{
    auto* doc = dynamic_cast<CKorvelDoc*>(gGetDocument());
    if (doc == nullptr || gGetQVGlobal() == nullptr) return;
    doc->SetModifiedFlag(TRUE);
    std::vector<unsigned char> bytes;
    if (!korvel::ReadWholeFile(path, bytes)) {
        ReportOpenFailure(doc, path, CFileException(CFileException::fileNotFound));
        return;
    }
    if (!bytes.empty()) {
        CWaitCursor wait;
        // The whole document is read before anything of it enters the drawing,
        // each record under the format version the document was written with.
        CString note;
        CTypedPtrList<CObList, CDbEntity*> read;
        if (!CKorvelDoc::ReadDocumentEntities(bytes, note, read)) {
            ReportOpenFailure(doc, path, CArchiveException(CArchiveException::badIndex));
            return;
        }
        CDBase* db = CDBase::Instance();
        db->GetNote() += note;
        db->UpdateHandle();
        const std::uint32_t base = CDbEntity::GetMaxHandle();
        if (!read.IsEmpty()) {
            const int layer = CLayer::GetCurrentLayerID();
            while (!read.IsEmpty()) {
                CDbEntity* entity = read.RemoveHead();
                entity->SetHandle(entity->GetHandle() + base);
                for (int i = 0; i < entity->GetRefHandleCount(); ++i) {
                    const std::uint32_t ref = entity->GetRefHandle(i);
                    if (ref != 0) entity->SetRefHandle(i, ref + base);
                }
                entity->SetLayerID(layer);
                db->AddTail(entity);
            }
            db->UpdateHandle();
            // New shapes must never take a handle that a merged one holds.
            RaiseHandleCountersPastLoaded();
            QMessage message(QMessage::kNewDocument);
            if (CRelayon* hub = gGetRelayon()) hub->OnMessage(&message);
        }
    }
    doc->SetModifiedFlag(TRUE);
    if (CView* view = gGetView()) view->Invalidate(TRUE);
}

void CImportCmd::EraseOutline(CDC* dc)
{
    if (m_pOutline == nullptr) return;
    CDC* target = dc != nullptr ? dc : GetDC();
    if (target != nullptr) m_pOutline->Draw(target, kDrawRubber);
    if (dc == nullptr && target != nullptr) ReleaseDC(target);
    delete m_pOutline;
    m_pOutline = nullptr;
}

void CImportCmd::Sleep() { EraseOutline(nullptr); }

void CImportCmd::WakeUp() { EraseOutline(nullptr); }

int CImportCmd::OnMouseMove(UINT, Position& pos)
{
    if (std::abs(pos.m_ptScreen.x - m_posLast.m_ptScreen.x) < kOutlineStep &&
        std::abs(pos.m_ptScreen.y - m_posLast.m_ptScreen.y) < kOutlineStep)
        return 0;
    if (gGetLooker() == nullptr) return 0;
    CDC* dc = GetDC();
    if (dc == nullptr) return 0;
    EraseOutline(dc);
    if (m_box.IsValid()) {
        const double lo[2] = {m_box.xmin, m_box.ymin}, hi[2] = {m_box.xmax, m_box.ymax};
        m_pOutline = dbGenRect(lo, hi);
        if (m_pOutline != nullptr) {
            const double to[2] = {pos.x, pos.y};
            m_pOutline->Move(lo, to);
            m_pOutline->Draw(dc, kDrawRubber);
        }
    }
    ReleaseDC(dc);
    m_posLast = pos;
    return 1;
}

int CImportCmd::Place(const Position& pos)
{
    EraseOutline(nullptr);
    if (m_entities.IsEmpty()) return Cancel();
    const double from[2] = {m_box.xmin, m_box.ymin}, to[2] = {pos.x, pos.y};
    for (CDbEntity* entity : m_entities) entity->Move(from, to);
    qvEntListToManager(&m_entities, nullptr, GetCmdName());
    if (CView* view = gGetView()) view->Invalidate(TRUE);
    m_entities.RemoveAll();
    return Cancel();
}

int CImportCmd::OnLButtonDown(UINT, Position& pos) { return Place(pos); }

int CImportCmd::OnLButtonUp(UINT, Position& pos) { return m_nSubCmd == 2 ? Place(pos) : 1; }

void CImportCmd::DeleteEntitiesRead() { dbDelEntList(&m_entities); }

int CImportCmd::Cancel()
{
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->RestoreDCenter();
    DeleteEntitiesRead();
    EraseOutline(nullptr);
    m_nSubCmd = 0;
    m_strPath.Empty();
    const int result = CCommand::Cancel();
    m_nStep = 0;
    return result;
}

void CImportCmd::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << m_strFilePattern;
    } else {
        ar >> m_strFilePattern;
    }
}
