#include "platform/ui/DocManager.h"

#include "platform/ui/DocTemplate.h"
#include "platform/ui/Document.h"
#include "platform/ui/FileDialog.h"

CDocManager::~CDocManager() {
  for (CDocTemplate* pTemplate : m_templates) delete pTemplate;
}

void CDocManager::AddDocTemplate(CDocTemplate* pTemplate) {
  if (pTemplate != nullptr) m_templates.push_back(pTemplate);
}

CDocTemplate* CDocManager::GetTemplate(int nIndex) const {
  return nIndex >= 0 && nIndex < GetTemplateCount() ? m_templates[static_cast<size_t>(nIndex)] : nullptr;
}

CDocument* CDocManager::OnFileNew() {
  if (m_templates.empty()) return nullptr;
  return m_templates.front()->OpenDocumentFile(nullptr);
}

void CDocManager::OnFileOpen() {
  CString filter;
  CString ext;
  if (CDocTemplate* pTemplate = GetTemplate(0)) {
    pTemplate->GetDocString(filter, CDocTemplate::filterName);
    pTemplate->GetDocString(ext, CDocTemplate::filterExt);
  }
  if (!filter.IsEmpty()) filter += L"|*" + ext + L"|";
  filter += L"All Files (*.*)|*.*||";
  CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, filter);
  if (dlg.DoModal() == IDOK) OpenDocumentFile(dlg.GetPathName());
}

CDocument* CDocManager::OpenDocumentFile(LPCTSTR lpszFileName) {
  if (m_templates.empty() || lpszFileName == nullptr) return nullptr;
  return m_templates.front()->OpenDocumentFile(lpszFileName);
}

BOOL CDocManager::SaveAllModified() {
  for (CDocTemplate* pTemplate : m_templates) {
    if (!pTemplate->SaveAllModified()) return FALSE;
  }
  return TRUE;
}

void CDocManager::CloseAllDocuments(BOOL bEndSession) {
  for (CDocTemplate* pTemplate : m_templates) pTemplate->CloseAllDocuments(bEndSession);
}
