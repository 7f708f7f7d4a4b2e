#pragma once
// Keeps the application's document templates and carries out new and open.

#include "platform/core/WinString.h"

#include <vector>

class CDocTemplate;
class CDocument;

class CDocManager {
public:
  CDocManager() = default;
  virtual ~CDocManager();
  CDocManager(const CDocManager&) = delete;
  CDocManager& operator=(const CDocManager&) = delete;

  // Takes ownership; null is ignored.
  virtual void AddDocTemplate(CDocTemplate* pTemplate);
  int GetTemplateCount() const { return static_cast<int>(m_templates.size()); }
  CDocTemplate* GetTemplate(int nIndex) const;

  // A new document of the first template (null when there is none or it fails).
  virtual CDocument* OnFileNew();
  // Asks for a file and opens it.
  virtual void OnFileOpen();
  virtual CDocument* OpenDocumentFile(LPCTSTR lpszFileName);
  virtual BOOL SaveAllModified();
  virtual void CloseAllDocuments(BOOL bEndSession);

protected:
  std::vector<CDocTemplate*> m_templates;
};
