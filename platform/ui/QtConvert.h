#pragma once
// Conversions between the class library's value types and Qt's.

#include "platform/core/WinString.h"

#include <QColor>
#include <QRect>
#include <QString>

inline QString ToQString(LPCTSTR psz) { return psz != nullptr ? QString::fromWCharArray(psz) : QString(); }
inline QString ToQString(const CString& s) { return QString::fromWCharArray(s.GetString(), s.GetLength()); }
inline CString FromQString(const QString& s) { return CString(s.toStdWString()); }

inline QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
inline COLORREF FromQColor(const QColor& c) {
  return RGB(static_cast<BYTE>(c.red()), static_cast<BYTE>(c.green()), static_cast<BYTE>(c.blue()));
}

inline RECT FromQRect(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
inline QRect ToQRect(const RECT& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }
