// matplotlib's fault-scarp terrain (344 × 403 samples) as canvas heights in tenths of
// its units above its lowest ground; for the tests that mesh or sample real heights.
// The caller links korvel_testing.
#pragma once

#include "geometry/relief/GeCanvas.h"
#include "testing/NpzReader.h"

#include <gtest/gtest.h>

#include <memory>

inline std::unique_ptr<CGeCanvas> TerrainCanvas(float ox, float oy, float step)
{
    auto arrays = npz::Read(npz::SampleDataDir() + "/jacksboro_fault_dem.npz");
    const npz::Array& a = arrays["elevation"];
    EXPECT_EQ(a.shape.size(), 2u);
    if (a.shape.size() != 2) return nullptr;
    const int ny = static_cast<int>(a.shape[0]), nx = static_cast<int>(a.shape[1]);
    auto c = std::make_unique<CGeCanvas>();
    float origin[2] = {ox, oy};
    EXPECT_EQ(c->CreateMini(origin, step, nx, ny), 1);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            c->heights[j][i] = static_cast<float>((a.values[static_cast<size_t>(j) * nx + i] - 236.0) / 10.0);
    return c;
}
