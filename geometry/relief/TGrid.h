// The plain regular height grid that sampling, meshing and the relief profiles hand
// around. Every user reads and writes the fields directly.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

template <class T>
class CTGrid {
public:
    T origin[3];          // node (0, 0); Create sets x and y, z stays 0
    T dx;                 // column spacing
    T dy;                 // row spacing
    int nx;               // nodes per row
    int ny;               // rows
    std::vector<T> xs;    // x of every column
    std::vector<T> ys;    // y of every row
    T** rows;             // rows[j][i] is the height of node (i, j)

    CTGrid() { Reset(); }
    ~CTGrid() { Free(); }
    CTGrid(const CTGrid&) = delete;
    CTGrid& operator=(const CTGrid&) = delete;

    // Allocates nx·ny zero heights and the coordinate tables; 1. A filled grid is
    // freed first. Negative counts or a failed allocation give 0 and an empty grid.
    // Counts of 0 give 1 and no heights.
    int Create(const T* org, T spacingX, T spacingY, int countX, int countY)
    {
        Free();
        if (countX < 0 || countY < 0) return 0;
        rows = new (std::nothrow) T*[static_cast<size_t>(countY)];
        if (!rows) return 0;
        for (int j = 0; j < countY; ++j) rows[j] = nullptr;
        // Set the counts first so that Free releases what was allocated on failure.
        ny = countY;
        for (int j = 0; j < countY; ++j) {
            rows[j] = new (std::nothrow) T[static_cast<size_t>(countX)]();
            if (!rows[j]) {
                Free();
                return 0;
            }
        }
        origin[0] = org[0];
        origin[1] = org[1];
        dx = spacingX;
        dy = spacingY;
        nx = countX;
        try {
            xs.reserve(static_cast<size_t>(countX));
            ys.reserve(static_cast<size_t>(countY));
        } catch (const std::bad_alloc&) {
            Free();
            return 0;
        }
        // Each coordinate from its index, not a running sum, so no error accumulates.
        for (int i = 0; i < countX; ++i) xs.push_back(static_cast<T>(i * dx + origin[0]));
        for (int j = 0; j < countY; ++j) ys.push_back(static_cast<T>(j * dy + origin[1]));
        return 1;
    }

    // Releases the heights; origin, spacings and counts keep their values.
    void Free()
    {
        if (rows) {
            for (int j = 0; j < ny; ++j) {
                delete[] rows[j];
                rows[j] = nullptr;
            }
            delete[] rows;
            rows = nullptr;
        }
        xs.clear();
        ys.clear();
    }

    // Construction only: on a filled grid it would drop the rows unreleased.
    void Reset()
    {
        origin[0] = origin[1] = origin[2] = T(0);
        dx = dy = T(0);
        nx = ny = 0;
        rows = nullptr;
        xs.clear();
        ys.clear();
    }
};
