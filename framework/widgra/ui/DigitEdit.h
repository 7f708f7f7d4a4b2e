// Numeric edit that shows lengths in the current length unit of the settings.
// It keeps its value without a window too; once created it shows GetText.
#pragma once

#include "platform/core/WinString.h"
#include "platform/ui/Controls.h"

class CDigitEdit : public CEdit {
public:
    // flag 0: value is in millimetres and is shown in the current unit; otherwise
    // the value is shown as it stands.
    void SetValue(double value, int flag);
    // The shown number read as a length in unit (0 mm, 1 cm, 2 inch, 3 foot, 4 metre),
    // in millimetres.
    double GetValue(int unit) const;
    // The number as shown.
    double GetShown() const { return m_shown; }
    CString GetText() const;

    // Length of one unit in millimetres; 1 for an unknown unit.
    static double UnitLength(int unit);

private:
    double m_shown = 0;
};
