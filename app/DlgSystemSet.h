// The system page of the settings sheet: discretisation precision and angle,
// the medial-axis angle, the length unit and its display, animated views,
// automatic saving and its interval, the mouse snap precision and the colours
// of the background and the work frame with their scheme. OK validates, then
// writes the settings object and re-arms the frame's autosave timer.
#pragma once

#include "framework/widgra/ui/DigitEdit.h"
#include "framework/widgra/ui/PropertySheet.h"

struct CColourScheme {
    COLORREF background;
    COLORREF workFrame;
};
// Schemes 0 to 4 (white, grey 1, grey 2, light blue, black); 5 is custom.
inline constexpr CColourScheme kColourSchemes[5] = {
    {0xFFFFFF, 0xDCDCDC}, {0xF0F0F0, 0xDCDCDC}, {0xD2D2D2, 0xAAAAAA}, {0xEBE6E3, 0xAAAAAA}, {0x000000, 0xD2D2D2}};
inline constexpr int kCustomScheme = 5;

// Each of red, green and blue replaced by 255 minus itself.
constexpr COLORREF ComplementColour(COLORREF colour) { return 0xFFFFFFu & ~colour; }

class CDlgSystemSet : public CQvPropertyPage {
    DECLARE_DYNAMIC(CDlgSystemSet)
public:
    static constexpr UINT IDD = 334;
    static constexpr UINT kAutoSave = 451, kPrecision = 135, kAngle = 134, kMedial = 770, kUnitMm = 153,
                          kUnitCm = 136, kUnitInch = 179, kUnitFoot = 180, kShowUnit = 1042, kAnimate = 1043,
                          kScheme = 405, kInterval = 412, kSnap = 413, kBackground = 6078, kWorkFrame = 6079,
                          kDefaults = 32772;
    // Longest interval whose milliseconds (minutes x 60000) fit the timer.
    static constexpr int kMaxIntervalMinutes = 0x7FFFFFFF / 60000;

    CDlgSystemSet();

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    int InitParam() override;
    int Ok() override;

    void OnUnit(UINT nID);
    void OnSchemeChanged();
    void OnColourPicked();
    void OnIntervalEdited();
    void OnRestoreDefaults();

    int m_bAutoSave = 0;
    float m_fPrecision = 0.01f;
    float m_fAngle = 170.0f;
    int m_nMedialAngle = 30;
    int m_nUnit = 0;
    int m_bShowUnit = 0;
    int m_bAnimate = 1;
    int m_nScheme = 0;
    CString m_strInterval;
    CString m_strSnap;

    CDigitEdit m_editPrecision;
    CDigitEdit m_editAngle;
    CComboBox m_comboScheme;
    CComboBox m_comboInterval;
    CComboBox m_comboSnap;
    CMFCColorButton m_btnBackground;
    CMFCColorButton m_btnWorkFrame;

protected:
    DECLARE_MESSAGE_MAP()

private:
    BOOL Validate();
    void Apply();
};
