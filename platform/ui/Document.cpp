#include "platform/ui/Document.h"

#include "platform/core/Archive.h"
#include "platform/core/File.h"
#include "platform/ui/DocTemplate.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"
#include "platform/ui/WinApp.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
  ON_COMMAND(ID_FILE_CLOSE, &CDocument::OnFileClose)
  ON_COMMAND(ID_FILE_SAVE, &CDocument::OnFileSave)
  ON_COMMAND(ID_FILE_SAVE_AS, &CDocument::OnFileSaveAs)
END_MESSAGE_MAP()

namespace {

CString FileNameOf(const CString& path) {
  const int slash = std::max(path.ReverseFind(L'/'), path.ReverseFind(L'\\'));
  return slash >= 0 ? path.Mid(slash + 1) : path;
}

POSITION ToPosition(size_t index) { return reinterpret_cast<POSITION>(static_cast<std::uintptr_t>(index + 1)); }
size_t FromPosition(POSITION pos) { return static_cast<size_t>(reinterpret_cast<std::uintptr_t>(pos)) - 1; }

}  // namespace

CDocument::CDocument() = default;

CDocument::~CDocument() {
  // Views still attached lose their document.
  for (CView* pView : m_viewList) pView->m_pDocument = nullptr;
  if (m_pDocTemplate != nullptr) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCTSTR lpszTitle) {
  m_strTitle = lpszTitle;
  UpdateFrameCounts();
}

void CDocument::SetPathName(LPCTSTR lpszPathName, BOOL bAddToMRU) {
  m_strPathName = lpszPathName;
  SetTitle(FileNameOf(m_strPathName));
  if (bAddToMRU) {
    if (CWinApp* pApp = AfxGetApp()) pApp->AddToRecentFileList(m_strPathName);
  }
}

void CDocument::UpdateFrameCounts() {
  for (CView* pView : m_viewList) {
    if (CFrameWnd* pFrame = pView->GetParentFrame()) pFrame->OnUpdateFrameTitle(TRUE);
  }
}

BOOL CDocument::IsModified() { return m_bModified; }
void CDocument::SetModifiedFlag(BOOL bModified) { m_bModified = bModified; }

void CDocument::AddView(CView* pView) {
  if (pView == nullptr || std::find(m_viewList.begin(), m_viewList.end(), pView) != m_viewList.end()) return;
  if (pView->m_pDocument != nullptr && pView->m_pDocument != this) pView->m_pDocument->RemoveView(pView);
  m_viewList.push_back(pView);
  pView->m_pDocument = this;
}

void CDocument::RemoveView(CView* pView) {
  auto it = std::find(m_viewList.begin(), m_viewList.end(), pView);
  if (it == m_viewList.end()) return;
  m_viewList.erase(it);
  pView->m_pDocument = nullptr;
}

POSITION CDocument::GetFirstViewPosition() const { return m_viewList.empty() ? nullptr : ToPosition(0); }

CView* CDocument::GetNextView(POSITION& rPosition) const {
  const size_t index = FromPosition(rPosition);
  if (rPosition == nullptr || index >= m_viewList.size()) {
    rPosition = nullptr;
    return nullptr;
  }
  rPosition = index + 1 < m_viewList.size() ? ToPosition(index + 1) : nullptr;
  return m_viewList[index];
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
  const auto views = m_viewList;
  for (CView* pView : views) {
    if (pView != pSender) pView->OnUpdate(pSender, lHint, pHint);
  }
}

void CDocument::DeleteContents() {}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  SetModifiedFlag(FALSE);
  return TRUE;
}

CFile* CDocument::GetFile(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  auto* pFile = new CFile;
  if (!pFile->Open(lpszFileName, nOpenFlags, pError)) {
    delete pFile;
    return nullptr;
  }
  return pFile;
}

void CDocument::ReleaseFile(CFile* pFile, BOOL bAbort) {
  if (pFile == nullptr) return;
  if (bAbort) {
    pFile->Abort();
  } else {
    pFile->Close();
  }
  delete pFile;
}

void CDocument::ReportSaveLoadException(LPCTSTR, const CException*, BOOL, UINT nIDPDefault) {
  AfxMessageBox(nIDPDefault, MB_ICONEXCLAMATION);
}

BOOL CDocument::OnOpenDocument(LPCTSTR lpszPathName) {
  CFileException fe;
  CFile* pFile = GetFile(lpszPathName, CFile::modeRead | CFile::shareDenyWrite, &fe);
  if (pFile == nullptr) {
    ReportSaveLoadException(lpszPathName, &fe, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    return FALSE;
  }
  DeleteContents();
  SetModifiedFlag(TRUE);  // dirty while loading
  try {
    CArchive loadArchive(pFile, CArchive::load | CArchive::bNoFlushOnDelete);
    loadArchive.m_pDocument = this;
    if (pFile->GetLength() != 0) Serialize(loadArchive);
    loadArchive.Close();
  } catch (const CException& e) {
    ReleaseFile(pFile, TRUE);
    // What was read so far is dropped: the document is empty rather than half loaded.
    DeleteContents();
    ReportSaveLoadException(lpszPathName, &e, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    return FALSE;
  }
  ReleaseFile(pFile, FALSE);
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCTSTR lpszPathName) {
  CFileException fe;
  CFile* pFile = GetFile(lpszPathName, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive, &fe);
  if (pFile == nullptr) {
    ReportSaveLoadException(lpszPathName, &fe, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    return FALSE;
  }
  try {
    CArchive saveArchive(pFile, CArchive::store | CArchive::bNoFlushOnDelete);
    saveArchive.m_pDocument = this;
    Serialize(saveArchive);
    saveArchive.Close();
  } catch (const CException& e) {
    ReleaseFile(pFile, TRUE);
    ReportSaveLoadException(lpszPathName, &e, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    return FALSE;
  }
  ReleaseFile(pFile, FALSE);
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() {
  // Destroying the frames must not delete the document under us.
  const BOOL bAutoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;
  while (!m_viewList.empty()) {
    CView* pView = m_viewList.front();
    CFrameWnd* pFrame = pView->GetParentFrame();
    if (pFrame != nullptr) {
      pFrame->DestroyWindow();
    } else {
      pView->DestroyWindow();
    }
    // A view that outlived its window is detached here so that the loop ends.
    if (!m_viewList.empty() && m_viewList.front() == pView) RemoveView(pView);
  }
  m_bAutoDelete = bAutoDelete;
  DeleteContents();
  if (m_bAutoDelete) delete this;
}

BOOL CDocument::CanCloseFrame(CFrameWnd*) { return SaveModified(); }

BOOL CDocument::SaveModified() {
  if (!IsModified()) return TRUE;
  CString name = m_strPathName.IsEmpty() ? m_strTitle : FileNameOf(m_strPathName);
  CString prompt = AfxLoadString(AFX_IDP_ASK_TO_SAVE);
  prompt.Replace(L"%1", name);
  switch (AfxMessageBox(prompt, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDCANCEL:
      return FALSE;
    case IDYES:
      return DoFileSave();
    default:
      return TRUE;
  }
}

BOOL CDocument::DoFileSave() {
  CFileStatus status;
  const bool bReadOnly = !m_strPathName.IsEmpty() && CFile::GetStatus(m_strPathName, status) &&
                         (status.m_attribute & CFile::readOnly) != 0;
  if (m_strPathName.IsEmpty() || bReadOnly) return DoSave(nullptr);
  return DoSave(m_strPathName);
}

BOOL CDocument::DoSave(LPCTSTR lpszPathName, BOOL bReplace) {
  CString newName = lpszPathName != nullptr ? CString(lpszPathName) : CString();
  if (newName.IsEmpty()) {
    CString defExt;
    CString filter;
    if (m_pDocTemplate != nullptr) {
      m_pDocTemplate->GetDocString(defExt, CDocTemplate::filterExt);
      m_pDocTemplate->GetDocString(filter, CDocTemplate::filterName);
    }
    CString proposed = m_strPathName.IsEmpty() ? m_strTitle : m_strPathName;
    if (!defExt.IsEmpty() && proposed.Find(L'.') < 0) proposed += defExt;
    CFileDialog dlg(FALSE, defExt.IsEmpty() ? nullptr : defExt.GetString(), proposed, 0,
                    filter.IsEmpty() ? nullptr : (filter + L"|*" + defExt + L"||").GetString());
    if (dlg.DoModal() != IDOK) return FALSE;
    newName = dlg.GetPathName();
  }
  if (!OnSaveDocument(newName)) {
    if (lpszPathName == nullptr) CFile::Remove(newName);  // no half-written file under a new name
    return FALSE;
  }
  if (bReplace) SetPathName(newName);
  return TRUE;
}

void CDocument::OnFileSave() { DoFileSave(); }
void CDocument::OnFileSaveAs() { DoSave(nullptr); }
void CDocument::OnFileClose() {
  if (!SaveModified()) return;
  OnCloseDocument();
}

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  return m_pDocTemplate != nullptr && m_pDocTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}
