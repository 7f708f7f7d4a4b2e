// Constants shared by the maths library.
#pragma once

namespace numerak {

inline constexpr double kPi = 3.141592653589793;
inline constexpr double k2Pi = 6.283185307179586;
inline constexpr double kHalfPi = 1.5707963267948966;

}  // namespace numerak
