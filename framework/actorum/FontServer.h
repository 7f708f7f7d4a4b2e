// The fonts of the text tool: the list of fonts with their character sets,
// the selected font, the default face and the keyboard's locale; and the
// text tool's font box, which re-reads them.
#pragma once

#include "platform/core/WinString.h"

#include <string>
#include <vector>

// Character sets of the fonts (the platform's numbers).
inline constexpr int kCharsetAnsi = 0;
inline constexpr int kCharsetGB2312 = 134;
// Fonts of this type index their glyphs by double-byte codes of the system
// code page.
inline constexpr int kFontTypeDbcs = 5;

struct CFontEntry {
    CString face;
    int charset = kCharsetAnsi;
    int type = 0;
};

class CFontServer {
public:
    static CFontServer* Instance();

    void SetFonts(std::vector<CFontEntry> fonts);
    const std::vector<CFontEntry>& GetFonts() const { return m_fonts; }
    // Index of the selected font in the list; -1 when none.
    int GetSelFont() const { return m_nSel; }
    void SetSelFont(int index);
    const CFontEntry* GetSelFontEntry() const;
    const CString& GetDefaultFace() const { return m_strDefaultFace; }
    void SetDefaultFace(const CString& face) { m_strDefaultFace = face; }
    // The keyboard's locale id (a Windows LCID; 0x804 simplified Chinese).
    unsigned GetLocale() const { return m_nLocale; }
    void SetLocale(unsigned locale) { m_nLocale = locale; }
    // The character's bytes in the code page of the locale (GBK for simplified
    // Chinese, Windows-1252 otherwise), at most 4; empty when it has none.
    std::string ToCodePage(unsigned ch) const;
    // A double-byte character from its lead and trail bytes.
    static unsigned ToDbcsChar(unsigned char lead, unsigned char trail) { return (lead << 8u) | trail; }

private:
    std::vector<CFontEntry> m_fonts;
    int m_nSel = -1;
    CString m_strDefaultFace = L"Arial";
    unsigned m_nLocale = 0x409;
};

// The text tool's font box: Initialize fills it again from the font server.
class CFontCombo {
public:
    static void Initialize() { ++s_nInitialized; }
    static int GetInitializeCount() { return s_nInitialized; }

private:
    static inline int s_nInitialized = 0;
};
