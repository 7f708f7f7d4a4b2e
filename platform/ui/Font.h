#pragma once
// Font object of the drawing contexts: face, height in pixels (negative: character
// height, as the platform takes it), weight and italic.

#include "platform/core/WinString.h"

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr BYTE DEFAULT_CHARSET = 1;

class CFont {
public:
  CFont() = default;

  BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                  BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                  BYTE nQuality, BYTE nPitchAndFamily, LPCTSTR lpszFacename);
  // nPointSize in tenths of a point.
  BOOL CreatePointFont(int nPointSize, LPCTSTR lpszFaceName);
  BOOL DeleteObject();
  bool IsCreated() const { return m_bCreated; }

  int GetHeight() const { return m_nHeight; }
  int GetPointSize10() const { return m_nPointSize10; }
  int GetWeight() const { return m_nWeight; }
  bool IsItalic() const { return m_bItalic; }
  bool IsUnderline() const { return m_bUnderline; }
  const CString& GetFaceName() const { return m_strFace; }

private:
  int m_nHeight = 0;       // pixels; 0 when given in points
  int m_nPointSize10 = 0;  // tenths of a point; 0 when given in pixels
  int m_nWeight = FW_NORMAL;
  bool m_bItalic = false;
  bool m_bUnderline = false;
  CString m_strFace;
  bool m_bCreated = false;
};
