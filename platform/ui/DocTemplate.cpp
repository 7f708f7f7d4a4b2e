#include "platform/ui/DocTemplate.h"

#include "platform/ui/CreateContext.h"
#include "platform/ui/Document.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"
#include "platform/ui/WinApp.h"

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass) {}

CDocTemplate::~CDocTemplate() = default;

BOOL CDocTemplate::GetDocString(CString& rString, DocStringIndex index) const {
  CString strings = m_strDocStrings;
  if (strings.IsEmpty()) AfxLoadString(m_nIDResource, strings);
  // Parts are separated by '\n'; empty parts count.
  int part = 0;
  int start = 0;
  while (part < index) {
    const int next = strings.Find(L'\n', start);
    if (next < 0) {
      rString.Empty();
      return FALSE;
    }
    start = next + 1;
    ++part;
  }
  const int end = strings.Find(L'\n', start);
  rString = end < 0 ? strings.Mid(start) : strings.Mid(start, end - start);
  return !rString.IsEmpty();
}

void CDocTemplate::AddDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = this; }

void CDocTemplate::RemoveDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = nullptr; }

CDocument* CDocTemplate::CreateNewDocument() {
  if (m_pDocClass == nullptr) return nullptr;
  CObject* pObject = m_pDocClass->CreateObject();
  if (pObject == nullptr) return nullptr;
  if (!pObject->IsKindOf(RUNTIME_CLASS(CDocument))) {
    delete pObject;
    return nullptr;
  }
  auto* pDocument = static_cast<CDocument*>(pObject);
  AddDocument(pDocument);
  return pDocument;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther) {
  if (m_pFrameClass == nullptr) return nullptr;
  CCreateContext context;
  context.m_pCurrentFrame = pOther;
  context.m_pCurrentDoc = pDoc;
  context.m_pNewViewClass = m_pViewClass;
  context.m_pNewDocTemplate = this;
  CObject* pObject = m_pFrameClass->CreateObject();
  if (pObject == nullptr) return nullptr;
  if (!pObject->IsKindOf(RUNTIME_CLASS(CFrameWnd))) {
    delete pObject;
    return nullptr;
  }
  auto* pFrame = static_cast<CFrameWnd*>(pObject);
  // A frame that fails to load has deleted itself when its window went down.
  if (!pFrame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW, nullptr, &context)) return nullptr;
  return pFrame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
  pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

BOOL CDocTemplate::SaveAllModified() {
  POSITION pos = GetFirstDocPosition();
  while (pos != nullptr) {
    CDocument* pDoc = GetNextDoc(pos);
    if (!pDoc->SaveModified()) return FALSE;
  }
  return TRUE;
}

void CDocTemplate::CloseAllDocuments(BOOL) {
  POSITION pos = GetFirstDocPosition();
  while (pos != nullptr) {
    CDocument* pDoc = GetNextDoc(pos);
    pDoc->OnCloseDocument();
  }
}

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                                       CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}

CSingleDocTemplate::~CSingleDocTemplate() {
  CDocument* pDoc = m_pOnlyDoc;
  m_pOnlyDoc = nullptr;
  if (pDoc != nullptr) {
    RemoveDocument(pDoc);
    delete pDoc;
  }
}

POSITION CSingleDocTemplate::GetFirstDocPosition() const {
  return m_pOnlyDoc != nullptr ? reinterpret_cast<POSITION>(m_pOnlyDoc) : nullptr;
}

CDocument* CSingleDocTemplate::GetNextDoc(POSITION& rPos) const {
  CDocument* pDoc = rPos != nullptr ? m_pOnlyDoc : nullptr;
  rPos = nullptr;
  return pDoc;
}

void CSingleDocTemplate::AddDocument(CDocument* pDoc) {
  CDocTemplate::AddDocument(pDoc);
  m_pOnlyDoc = pDoc;
}

void CSingleDocTemplate::RemoveDocument(CDocument* pDoc) {
  CDocTemplate::RemoveDocument(pDoc);
  if (m_pOnlyDoc == pDoc) m_pOnlyDoc = nullptr;
}

void CSingleDocTemplate::SetDefaultTitle(CDocument* pDocument) {
  CString title;
  if (!GetDocString(title, docName) || title.IsEmpty()) title = AfxLoadString(AFX_IDS_UNTITLED);
  pDocument->SetTitle(title);
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible) {
  CDocument* pDocument = m_pOnlyDoc;
  CFrameWnd* pFrame = nullptr;
  BOOL bCreated = FALSE;
  if (pDocument != nullptr) {
    // The one document is reused: its frame stays.
    if (!pDocument->SaveModified()) return nullptr;
    POSITION pos = pDocument->GetFirstViewPosition();
    if (pos != nullptr) pFrame = pDocument->GetNextView(pos)->GetParentFrame();
  } else {
    pDocument = CreateNewDocument();
    if (pDocument == nullptr) return nullptr;
    bCreated = TRUE;
  }

  BOOL bFrameCreated = FALSE;
  if (pFrame == nullptr) {
    pFrame = CreateNewFrame(pDocument, nullptr);
    if (pFrame == nullptr) {
      if (bCreated) delete pDocument;
      return nullptr;
    }
    bFrameCreated = TRUE;
  }

  CWinApp* pApp = AfxGetApp();
  const bool bOk = lpszPathName == nullptr
                       ? (SetDefaultTitle(pDocument), pDocument->OnNewDocument() != FALSE)
                       : pDocument->OnOpenDocument(lpszPathName) != FALSE;
  if (!bOk) {
    if (bFrameCreated) {
      // The frame goes with its views; the new document is then deleted too.
      const BOOL bAutoDelete = pDocument->m_bAutoDelete;
      pDocument->m_bAutoDelete = FALSE;
      pFrame->DestroyWindow();
      pDocument->m_bAutoDelete = bAutoDelete;
      if (bCreated) delete pDocument;
    }
    return nullptr;
  }
  if (lpszPathName != nullptr) pDocument->SetPathName(lpszPathName);
  if (bFrameCreated && pApp != nullptr && pApp->m_pMainWnd == nullptr) pApp->m_pMainWnd = pFrame;
  InitialUpdateFrame(pFrame, pDocument, bMakeVisible);
  return pDocument;
}
