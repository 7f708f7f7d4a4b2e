// The point records live in the maths layer; this header keeps the geometry
// library's include path working.
#pragma once

#include "framework/numerak/PointTypes.h"
