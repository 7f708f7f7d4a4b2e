// The grid page of the settings sheet: a rectangular grid (spacings in x and y)
// or a radial one (angle between rays, ring spacing) and whether it is shown.
// OK checks and writes only the values of the chosen type.
#pragma once

#include "framework/widgra/ui/DigitEdit.h"
#include "framework/widgra/ui/PropertySheet.h"

class CGridSetDlg : public CQvPropertyPage {
    DECLARE_DYNAMIC(CGridSetDlg)
public:
    static constexpr UINT IDD = 247;
    static constexpr UINT kDx = 311, kDy = 294, kAngle = 332, kRing = 356, kRectangular = 166, kRadial = 168,
                          kShow = 803, kLabelDx = 496, kLabelDy = 499, kLabelAngle = 626, kLabelRing = 627;

    CGridSetDlg();

    int InitParam() override;
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    int Ok() override;
    void OnRectangular();
    void OnRadial();

    double m_dDx = 10.0;
    double m_dDy = 10.0;
    int m_nAngle = 10;
    double m_dRing = 10.0;
    int m_nType = 0;
    int m_bShow = 0;

    CDigitEdit m_editDx;
    CDigitEdit m_editDy;
    CDigitEdit m_editRing;

protected:
    DECLARE_MESSAGE_MAP()

private:
    void EnableType(int type);
    // Tells the user, puts the focus on the edit and answers -1.
    int Refuse(UINT nIDPrompt, UINT nIDEdit);
};
