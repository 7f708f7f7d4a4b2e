// Reliefs made for the relief tests.
#pragma once

#include "geometry/relief/GeRelief.h"

#include <gtest/gtest.h>

#include <memory>

// A relief of zero heights at the origin (ox, oy); the creation is asserted.
inline std::unique_ptr<CGeRelief> MakeRelief(float ox, float oy, float step, int nx, int ny)
{
    auto r = std::make_unique<CGeRelief>();
    float origin[2] = {ox, oy};
    EXPECT_EQ(r->Create(origin, step, nx, ny), 1);
    return r;
}
