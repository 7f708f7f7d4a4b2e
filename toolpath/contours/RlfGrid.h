// The toolpath library's float height grid for reliefs, and the exports that stamp a
// profile shape along the skeletons of regions into such a grid or into the relief canvas.
#pragma once

#include "platform/core/ObList.h"

#include <vector>

class CCLineCurve;
class CGeCanvas;
class CGeRegion;
class CRlfShape;
struct SRlfNode;

class CRlfGrid {
public:
    CRlfGrid() = default;
    ~CRlfGrid() { ClearAll(); }
    CRlfGrid(const CRlfGrid&) = delete;
    CRlfGrid& operator=(const CRlfGrid&) = delete;

    // Frees the heights and tables; empty box, counts -1; the spacing is kept.
    void ClearAll();
    // nx + 1 by ny + 1 zero heights from the current origin and spacing; 0 and an empty
    // grid for counts below 1, a bad spacing or origin, or a grid that cannot be allocated.
    int InitBuffer(int nx, int ny);
    // The box snapped outwards to multiples of the spacing, zero heights; 0 and an empty
    // grid for an empty or non-finite box, a bad spacing or a grid too large to allocate.
    int InitBitmap(float xmin, float xmax, float ymin, float ymax);
    int InitHeight(float h);
    void ScaleBitmap(float s);
    // Grows this grid to the union of both boxes, then combines other's heights onto the
    // nodes they fall on: mode 0 adds, 1 keeps the maximum, 2 the minimum.
    int MergeBitmap(int mode, CRlfGrid& other);
    // passes + 1 separable passes of B-spline (kind 100) or Bernstein weights whose width
    // follows radius; neighbours beyond the border repeat the border value.
    int SmoothBitmap(int kind, int passes, float radius);
    // Stamps the shape along the polyline (see the .cpp); 0 without a shape.
    int ModifyBitmap(CCLineCurve& curve, CRlfShape* shape);
    // Bilinear height at (x, y) combined with z by mode (100/300 add, 200/400 height less
    // z, 500 no higher, 600 no lower, 700 replace); 1 when z was set.
    int ProjectPoint(float x, float y, float& z, int mode);
    // Greyscale 8-bit BMP of the heights (a debugging dump); 0 for a grid of one row or
    // column or a file that cannot be written.
    int SaveBitmap(char* path);
    int SharpenBitmap(float, int) { return 0; }
    int FractalTexture(int, float*, int*) { return 0; }

    float* Row(int j) { return heights.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(nx + 1); }
    const float* Row(int j) const
    {
        return heights.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(nx + 1);
    }
    bool HasRows() const { return !heights.empty(); }

    float x0 = 1e6f, y0 = 1e6f, x1 = -1e6f, y1 = -1e6f;
    int nx = 0, ny = 0;  // last column and last row
    float dx = 1.0f, dy = 1.0f;
    std::vector<float> heights;  // row-major, row index = y
    std::vector<float> xs, ys;

private:
    int Allocate(int cols, int rows);
};

using RlfRegionList = CTypedPtrList<CObList, CGeRegion*>;

// Stamps every region's skeleton (wide corners) into the grid, which the caller has set up.
void gcCreateRlfGrid(CRlfGrid* grid, RlfRegionList* regions, CRlfShape* shape);
// Stamps every region's skeleton (the shape's corner setting) into the canvas; 0 for no
// regions, no canvas or shape, or a cancel (the regions done so far stay stamped).
int gcCreateCanvas(CGeCanvas* canvas, RlfRegionList* regions, CRlfShape* shape);
// Appends a node record (canvas index, 0, height) for every canvas node over the grid whose
// grid height (the grid node nearest to it) is at least 0.001 in magnitude.
void gcGetModifiedNode(CGeCanvas* canvas, CRlfGrid* grid, std::vector<SRlfNode>& out);
// ModifyBitmap on the canvas: heights (and the second layer when present) raised along
// the polyline; segments the shape already holds are skipped.
int StampSkeletonOnCanvas(CGeCanvas* canvas, CCLineCurve& curve, CRlfShape* shape);
