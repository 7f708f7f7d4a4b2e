// Constants of the Illustrator/EPS import plug-in.
#pragma once

#include <cstdint>

namespace ilvane {

// Path coordinates are PostScript points; the document works in millimetres.
inline constexpr double kPointToMm = 25.4 / 72.0;
// Thinning of each imported subpath: chord tolerance (mm) and the corner
// angle (160 degrees in radians) below which a vertex is always kept.
inline constexpr double kLeanTol = 0.05;
inline constexpr double kLeanAngle = 2.7925268031904;
// A subpath whose ends lie closer than this (mm) is flagged closed.
inline constexpr double kClosedTol = 0.01;

// String resources of the program's resource chain.
inline constexpr unsigned kIdsDescription = 31831;  // file-dialog description
inline constexpr unsigned kIdsImportFailed = 31832;  // import error message

// Description block values.
inline constexpr std::int32_t kDescValue8 = 0xFFFF;
inline constexpr std::int32_t kDescValue12 = 1;
inline constexpr const wchar_t* kDescDate = L"2003/09/29";
inline constexpr const wchar_t* kDescExtension = L"AI";

}  // namespace ilvane
