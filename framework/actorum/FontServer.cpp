#include "framework/actorum/FontServer.h"

#include <iconv.h>

CFontServer* CFontServer::Instance()
{
    static CFontServer server;
    return &server;
}

void CFontServer::SetFonts(std::vector<CFontEntry> fonts)
{
    m_fonts = std::move(fonts);
    if (m_nSel >= static_cast<int>(m_fonts.size())) m_nSel = m_fonts.empty() ? -1 : 0;
}

void CFontServer::SetSelFont(int index)
{
    if (index >= 0 && index < static_cast<int>(m_fonts.size())) m_nSel = index;
}

const CFontEntry* CFontServer::GetSelFontEntry() const
{
    return m_nSel >= 0 && m_nSel < static_cast<int>(m_fonts.size()) ? &m_fonts[static_cast<size_t>(m_nSel)] : nullptr;
}

std::string CFontServer::ToCodePage(unsigned ch) const
{
    const char* codePage = (m_nLocale & 0x3FFu) == 0x04u ? "GBK" : "WINDOWS-1252";
    iconv_t cd = iconv_open(codePage, "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    char in[4] = {static_cast<char>(ch & 0xFF), static_cast<char>((ch >> 8) & 0xFF), static_cast<char>((ch >> 16) & 0xFF),
                  static_cast<char>((ch >> 24) & 0xFF)};
    char out[4] = {};
    char* pin = in;
    char* pout = out;
    size_t inLeft = sizeof in, outLeft = sizeof out;
    const size_t done = iconv(cd, &pin, &inLeft, &pout, &outLeft);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1)) return {};
    return std::string(out, sizeof out - outLeft);
}
