#include "framework/widgra/ui/DigitEdit.h"

#include "framework/looker/AppSlots.h"

#include <cstdio>

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
    m_shown = flag == 0 ? MM2CUR(value) : value;
    if (GetSafeHwnd() != nullptr) SetWindowText(GetText());
}

double CDigitEdit::GetValue(int unit) const { return m_shown * UnitLength(unit); }

CString CDigitEdit::GetText() const
{
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", m_shown);
    return CString::FromUtf8(text);
}
