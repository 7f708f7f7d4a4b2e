// Settings of the program kept in the global settings object and persisted
// between runs in the application-data folder ("settings.cfg", one
// "key=value" line per setting). CQVGlobal derives from this record.
#pragma once

#include "platform/core/WinString.h"
#include "platform/core/WinTypes.h"

#include <istream>

// Length units of the settings (m_nUnit).
inline constexpr int kUnitMillimetre = 0;
inline constexpr int kUnitCentimetre = 1;
inline constexpr int kUnitInch = 2;
inline constexpr int kUnitFoot = 3;

class CQVAppSettings {
public:
    BOOL m_bAutoSave = TRUE;         // autosave switch
    int m_nAutoSaveMinutes = 10;     // autosave period
    BOOL m_bViewAnimation = TRUE;    // animated 3D view changes
    BOOL m_bShowRulers = TRUE;       // rulers switch
    int m_nUnit = kUnitMillimetre;   // length unit, 0 mm, 1 cm, 2 inch, 3 foot
    int m_nSnapMask = 0;             // snap switches, one bit each
    BOOL m_bSnapExtra = FALSE;       // the extra snap switch
    COLORREF m_crBackground = RGB(0, 0, 0);
    COLORREF m_crWorkFrame = RGB(128, 128, 128);
    COLORREF m_crDrawing = RGB(255, 255, 255);
    BOOL m_bShowTips = FALSE;        // tip of the day at start-up
    double m_ptGuide[2] = {0.0, 0.0};  // guide-line point
    float m_fPrecision = 0.01f;      // curve discretisation precision, millimetres
    float m_fDiscAngle = 170.0f;     // discretisation angle, degrees
    int m_nMedialAngle = 30;         // largest angle of medial axes, degrees
    BOOL m_bShowUnit = FALSE;        // lengths shown with their unit
    int m_nSnapPixels = 10;          // mouse snap precision, pixels
    short m_nColorScheme = 0;        // colour scheme of the settings page (5 custom)
    short m_nSchemeFlag = 0;         // set by the settings page; read by the widget side
    int m_nFrameReady = 0;           // set once the main frame is fully created; not persisted

    void SetUnitBefore(int unit) { m_nUnitBefore = unit; }
    int GetUnitBefore() const { return m_nUnitBefore; }

    // Clipboard format of the program's entity payload: a fixed id and the
    // MIME type that carries it on the Qt clipboard.
    UINT GetClipboardFormat() const { return kClipboardFormat; }
    static const char* GetClipboardMimeType() { return "application/x-korvel-entities"; }
    static constexpr UINT kClipboardFormat = 0xC301;

    // Reads and writes the persisted settings at path (default: "settings.cfg"
    // in the application-data folder). Unknown keys and unreadable values are
    // skipped and keep their current value; FALSE when the file cannot be
    // opened or written.
    BOOL LoadProfile(const CString& path = CString());
    // Reads "key=value" lines from in by the same rules (what LoadProfile
    // does once the file is open).
    void ReadProfile(std::istream& in);
    BOOL SaveProfile(const CString& path = CString()) const;

private:
    int m_nUnitBefore = kUnitMillimetre;
};
