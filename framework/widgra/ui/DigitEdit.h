// Numeric edit that shows lengths in the current length unit of the settings.
// It keeps its value without a window too; once created it shows GetText.
#pragma once

#include "platform/core/WinString.h"
#include "platform/ui/Controls.h"

class CDigitEdit : public CEdit {
public:
    // flag 0: value is in millimetres and is shown in the current unit; otherwise
    // the value is shown as it stands. An edit without unit always shows it as it stands.
    void SetValue(double value, int flag);
    // The shown number read as a length in unit (0 mm, 1 cm, 2 inch, 3 foot, 4 metre),
    // in millimetres; the number as it stands for an edit without unit.
    double GetValue(int unit) const;
    // The number as shown: what was typed when it reads as a number, else the last value set.
    double GetShown() const;
    CString GetText() const;
    // Numbers without unit (angles, counts).
    void SetNoUnit(BOOL bNoUnit) { m_bNoUnit = bNoUnit; }
    // Refuses a minus sign while typing (takes effect on the created edit).
    void SetNoMinus(BOOL bNoMinus);

    // Length of one unit in millimetres; 1 for an unknown unit.
    static double UnitLength(int unit);

private:
    double m_shown = 0;
    BOOL m_bNoUnit = FALSE;
};
