// Result page of the area measure: perimeter, area, and the radius and centre of the
// largest inscribed circle, each in the current length unit (the area in its square).
#pragma once

#include "framework/widgra/ui/DigitEdit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/UiTypes.h"

class CCommand;

// A page of the design-centre pane when created there; it keeps its values
// without a window too.
class CDlgMeasure : public CDialog {
    DECLARE_DYNAMIC(CDlgMeasure)
public:
    static constexpr UINT kTemplate = 5012;
    static constexpr int kEditPerimeter = 6070;
    static constexpr int kEditArea = 6069;
    static constexpr int kEditRadius = 6071;
    static constexpr int kEditCentreX = 6072;
    static constexpr int kEditCentreY = 194;

    void SetCmd(CCommand* cmd) { m_pCmd = cmd; }
    CCommand* GetCmd() const { return m_pCmd; }

    CDlgMeasure();
    ~CDlgMeasure() override;

    // Creates the page as a child of parent with its five edits.
    BOOL CreatePage(CWnd* parent);
    // Every value 0.
    BOOL OnInitDialog() override;
    // Values in millimetres (the area in square millimetres).
    void SetResults(double perimeter, double area, double radius, const double centre[2]);
    // The length unit changed from the settings' unit-before to the current one:
    // every edit is shown again in the new unit. Returns 1.
    LRESULT OnUnitChanged(WPARAM, LPARAM);
    // Cancels the bound command; the command destroys the page.
    void OnCancel() override;

    // The edit of a control id; null for another id.
    CDigitEdit* GetEdit(int id);

protected:
    DECLARE_MESSAGE_MAP()

private:
    CCommand* m_pCmd = nullptr;
    CDigitEdit m_perimeter, m_area, m_radius, m_centreX, m_centreY;
};
