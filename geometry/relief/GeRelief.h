// A relief height grid: a regular single-precision height field with its own origin
// and node spacing, blended into the relief canvas cell by cell. Node (i, j) lies at
// origin + (i, j)·step; its height is heights[j·nx + i]. The box reaches one step
// beyond the last node; unwritten heights are 0.
#pragma once

#include "framework/numerak/Box.h"
#include "platform/core/Object.h"
#include "platform/core/ObList.h"

#include <cstdint>

class CGeMesh;
class CGeSurf;

class CGeRelief : public CObject {
    DECLARE_DYNAMIC(CGeRelief)

public:
    CGeRelief();
    ~CGeRelief() override;
    CGeRelief(const CGeRelief&) = delete;
    CGeRelief& operator=(const CGeRelief&) = delete;

    // Releases the heights (counts kept).
    void Clear();
    // 1 with count X × count Y zero heights (earlier heights released first); 0 and
    // nothing changed when a count is below 2, nx·ny would reach 2^31, or the heights
    // cannot be allocated.
    int Create(float* origin, float step, int countX, int countY);
    // Counts (int)(extent/step + 0.5).
    int Create(float* origin, float step, float width, float height);
    int Create(BOX2<double> box, float step);

    // Renders the surfaces from above into a depth buffer of one pixel per node and
    // turns depths into heights (0 where nothing lies). 0 without surfaces, an OpenGL
    // device context with framebuffer and pixel-pack support, for a grid beyond the
    // renderbuffer limit, or when the framebuffer is incomplete (the relief then keeps
    // its zero heights).
    int Create(CTypedPtrList<CObList, CGeSurf*>& surfaces, float step);

    void SetZHeight(int i, int j, float z) { heights[static_cast<size_t>(j) * nx + i] = z; }
    float GetZHeight(int i, int j) const { return heights[static_cast<size_t>(j) * nx + i]; }
    // Bilinear height at (x, y) measured from the origin; the point is clamped into
    // the grid, so points outside take the nearest border value.
    float Interplate(float x, float y) const;
    void GetBasePoint(double* p) const;
    void GetBox2d(BOX2<double>* b) const;
    virtual void CalcBox();
    // Moves origin and xy box; heights and z range stay.
    virtual void Translate(double* v);
    // A new relief with its own copy of the heights; null when allocation fails.
    CGeRelief* Copy() const;
    CGeMesh* ToMesh();
    // Inclusive index ranges (first, last); null when a range has fewer than 2 nodes,
    // is reversed or leaves the grid, or without heights.
    CGeMesh* ToMesh(unsigned* cols, unsigned* rows);

    // Nearest node, node at or below, node at or above v; clamped. Axis 0 is x.
    int Get_Index(float v, int axis) const;
    int Get_IndexMin(float v, int axis) const;
    int Get_IndexMax(float v, int axis) const;

    float originX = 0.0f;
    float originY = 0.0f;
    float step = 0.0f;
    std::uint32_t nx = 0;
    std::uint32_t ny = 0;
    float* heights = nullptr;
    BOX3<double> box{};

private:
    struct Axis {
        double lower, upper;
        float origin;
        int count;
    };
    Axis AxisOf(int axis) const;
};
