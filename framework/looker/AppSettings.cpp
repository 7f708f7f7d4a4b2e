#include "framework/looker/AppSettings.h"

#include "framework/looker/AppSlots.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

namespace {

std::string ProfilePath(const CString& path)
{
    if (!path.IsEmpty()) return path.ToUtf8();
    return (gGetAppDataDir() + L"settings.cfg").ToUtf8();
}

bool ParseInt(const std::string& text, int& out)
{
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseUInt(const std::string& text, DWORD& out)
{
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || v > UINT32_MAX) return false;
    out = static_cast<DWORD>(v);
    return true;
}

bool ParseDouble(const std::string& text, double& out)
{
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

// A positive length or angle kept as float: values beyond float's range or
// that round to zero would overflow the conversion or stall discretisation.
bool ParsePositiveFloat(const std::string& text, float& out)
{
    double d = 0.0;
    if (!ParseDouble(text, d) || !(d > 0.0) || d > std::numeric_limits<float>::max()) return false;
    const float f = static_cast<float>(d);
    if (!(f > 0.0f)) return false;
    out = f;
    return true;
}

}  // namespace

BOOL CQVAppSettings::LoadProfile(const CString& path)
{
    std::ifstream in(ProfilePath(path));
    if (!in) return FALSE;
    ReadProfile(in);
    return TRUE;
}

void CQVAppSettings::ReadProfile(std::istream& in)
{
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();  // a file saved with CR LF
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        int i = 0;
        DWORD u = 0;
        double d = 0.0;
        if (key == "AutoSave" && ParseInt(value, i)) m_bAutoSave = i != 0;
        else if (key == "AutoSaveMinutes" && ParseInt(value, i) && i > 0) m_nAutoSaveMinutes = i;
        else if (key == "ViewAnimation" && ParseInt(value, i)) m_bViewAnimation = i != 0;
        else if (key == "ShowRulers" && ParseInt(value, i)) m_bShowRulers = i != 0;
        else if (key == "Unit" && ParseInt(value, i) && i >= kUnitMillimetre && i <= kUnitFoot) m_nUnit = i;
        else if (key == "SnapMask" && ParseInt(value, i)) m_nSnapMask = i;
        else if (key == "SnapExtra" && ParseInt(value, i)) m_bSnapExtra = i != 0;
        else if (key == "Background" && ParseUInt(value, u)) m_crBackground = u & 0xFFFFFFu;
        else if (key == "WorkFrame" && ParseUInt(value, u)) m_crWorkFrame = u & 0xFFFFFFu;
        else if (key == "Drawing" && ParseUInt(value, u)) m_crDrawing = u & 0xFFFFFFu;
        else if (key == "ShowTips" && ParseInt(value, i)) m_bShowTips = i != 0;
        else if (key == "GuideX" && ParseDouble(value, d)) m_ptGuide[0] = d;
        else if (key == "GuideY" && ParseDouble(value, d)) m_ptGuide[1] = d;
        else if (key == "Precision") ParsePositiveFloat(value, m_fPrecision);
        else if (key == "DiscAngle") ParsePositiveFloat(value, m_fDiscAngle);
        else if (key == "MedialAngle" && ParseInt(value, i)) m_nMedialAngle = i;
        else if (key == "ShowUnit" && ParseInt(value, i)) m_bShowUnit = i != 0;
        else if (key == "SnapPixels" && ParseInt(value, i) && i > 0) m_nSnapPixels = i;
        else if (key == "ColorScheme" && ParseInt(value, i) && i >= 0 && i <= 5) m_nColorScheme = static_cast<short>(i);
    }
}

BOOL CQVAppSettings::SaveProfile(const CString& path) const
{
    std::ostringstream out;
    out.precision(17);
    out << "AutoSave=" << m_bAutoSave << '\n'
        << "AutoSaveMinutes=" << m_nAutoSaveMinutes << '\n'
        << "ViewAnimation=" << m_bViewAnimation << '\n'
        << "ShowRulers=" << m_bShowRulers << '\n'
        << "Unit=" << m_nUnit << '\n'
        << "SnapMask=" << m_nSnapMask << '\n'
        << "SnapExtra=" << m_bSnapExtra << '\n'
        << "Background=" << m_crBackground << '\n'
        << "WorkFrame=" << m_crWorkFrame << '\n'
        << "Drawing=" << m_crDrawing << '\n'
        << "ShowTips=" << m_bShowTips << '\n'
        << "GuideX=" << m_ptGuide[0] << '\n'
        << "GuideY=" << m_ptGuide[1] << '\n'
        << "Precision=" << m_fPrecision << '\n'
        << "DiscAngle=" << m_fDiscAngle << '\n'
        << "MedialAngle=" << m_nMedialAngle << '\n'
        << "ShowUnit=" << m_bShowUnit << '\n'
        << "SnapPixels=" << m_nSnapPixels << '\n'
        << "ColorScheme=" << m_nColorScheme << '\n';
    std::ofstream file(ProfilePath(path), std::ios::trunc);
    if (!file) return FALSE;
    file << out.str();
    return file.good() ? TRUE : FALSE;
}
