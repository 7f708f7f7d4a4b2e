// Reliefs made for the relief tests.
#pragma once

#include "geometry/relief/GeCanvas.h"
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

// A canvas of empty heights (grid only); the creation is asserted.
inline std::unique_ptr<CGeCanvas> MakeCanvas(float ox, float oy, float step, int nx, int ny)
{
    auto c = std::make_unique<CGeCanvas>();
    float origin[2] = {ox, oy};
    EXPECT_EQ(c->CreateMini(origin, step, nx, ny), 1);
    return c;
}
