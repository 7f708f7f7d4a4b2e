#pragma once
// Documents: the data of a document window, its file path, title and modified flag,
// and the default new, open, save and close behaviour. The file is read and written
// through CArchive by Serialize.

#include "platform/core/Exception.h"
#include "platform/core/WinString.h"
#include "platform/ui/CmdTarget.h"

#include <vector>

class CArchive;
class CDocTemplate;
class CFile;
class CFrameWnd;
class CView;

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)
public:
  CDocument();
  ~CDocument() override;

  const CString& GetTitle() const { return m_strTitle; }
  virtual void SetTitle(LPCTSTR lpszTitle);
  const CString& GetPathName() const { return m_strPathName; }
  // Takes the full path; the title becomes its file name.
  virtual void SetPathName(LPCTSTR lpszPathName, BOOL bAddToMRU = TRUE);
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

  virtual BOOL IsModified();
  virtual void SetModifiedFlag(BOOL bModified = TRUE);

  void AddView(CView* pView);
  void RemoveView(CView* pView);
  POSITION GetFirstViewPosition() const;
  CView* GetNextView(POSITION& rPosition) const;
  void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);

  virtual void DeleteContents();
  virtual BOOL OnNewDocument();
  virtual BOOL OnOpenDocument(LPCTSTR lpszPathName);
  virtual BOOL OnSaveDocument(LPCTSTR lpszPathName);
  // Destroys the document's frames, empties it and (when auto-deleting) deletes it.
  virtual void OnCloseDocument();
  // Asks to save a modified document; FALSE when the user cancels.
  virtual BOOL SaveModified();
  virtual BOOL CanCloseFrame(CFrameWnd* pFrame);
  // Saves to lpszPathName, or asks for a path when it is null; with bReplace the
  // document takes the new path.
  virtual BOOL DoSave(LPCTSTR lpszPathName, BOOL bReplace = TRUE);
  virtual BOOL DoFileSave();

  // Files of the document: null (and pError filled) when the file cannot be opened.
  virtual CFile* GetFile(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError);
  virtual void ReleaseFile(CFile* pFile, BOOL bAbort);
  // Tells the user that a load or save failed.
  virtual void ReportSaveLoadException(LPCTSTR lpszPathName, const CException* e, BOOL bSaving, UINT nIDPDefault);

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

  void OnFileSave();
  void OnFileSaveAs();
  void OnFileClose();

  BOOL m_bAutoDelete = TRUE;

protected:
  CString m_strTitle;
  CString m_strPathName;
  CDocTemplate* m_pDocTemplate = nullptr;
  std::vector<CView*> m_viewList;
  BOOL m_bModified = FALSE;

  DECLARE_MESSAGE_MAP()

private:
  friend class CDocTemplate;
  void UpdateFrameCounts();
};
