#include "framework/widgra/ui/DigitEdit.h"

#include "framework/looker/AppSlots.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

double CDigitEdit::UnitLength(int unit)
{
    switch (unit) {
    case 1: return 10.0;
    case 2: return 25.4;
    case 3: return 12 * 25.4;
    case 4: return 1000.0;
    default: return 1.0;
    }
}

void CDigitEdit::SetValue(double value, int flag)
{
    m_shown = flag == 0 && !m_bNoUnit ? MM2CUR(value) : value;
    if (GetSafeHwnd() != nullptr) SetWindowText(GetText());
}

double CDigitEdit::GetValue(int unit) const { return m_bNoUnit ? GetShown() : GetShown() * UnitLength(unit); }

double CDigitEdit::GetShown() const
{
    if (GetSafeHwnd() == nullptr) return m_shown;
    CString text;
    GetWindowText(text);
    // Untouched text keeps the full value behind its rounded digits.
    if (text == GetText()) return m_shown;
    const std::string utf8 = text.ToUtf8();
    char* end = nullptr;
    const double typed = std::strtod(utf8.c_str(), &end);
    if (end == utf8.c_str() || !std::isfinite(typed)) return m_shown;
    return typed;
}

void CDigitEdit::SetNoMinus(BOOL bNoMinus)
{
    auto* line = qobject_cast<QLineEdit*>(GetWidget());
    if (line == nullptr) return;
    line->setValidator(bNoMinus ? new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.eE+]*")), line)
                                : nullptr);
}

CString CDigitEdit::GetText() const
{
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", m_shown);
    return CString::FromUtf8(text);
}
