#include "platform/ui/Font.h"

BOOL CFont::CreateFont(int nHeight, int, int, int, int nWeight, BYTE bItalic, BYTE bUnderline, BYTE, BYTE, BYTE,
                       BYTE, BYTE, BYTE, LPCTSTR lpszFacename) {
  m_nHeight = nHeight;
  m_nPointSize10 = 0;
  m_nWeight = nWeight > 0 ? nWeight : FW_NORMAL;
  m_bItalic = bItalic != 0;
  m_bUnderline = bUnderline != 0;
  m_strFace = lpszFacename;
  m_bCreated = true;
  return TRUE;
}

BOOL CFont::CreatePointFont(int nPointSize, LPCTSTR lpszFaceName) {
  if (nPointSize <= 0) return FALSE;
  m_nHeight = 0;
  m_nPointSize10 = nPointSize;
  m_nWeight = FW_NORMAL;
  m_bItalic = false;
  m_bUnderline = false;
  m_strFace = lpszFaceName;
  m_bCreated = true;
  return TRUE;
}

BOOL CFont::DeleteObject() {
  const BOOL bHad = m_bCreated ? TRUE : FALSE;
  *this = CFont();
  return bHad;
}
