// The single relief canvas of the process: one single-precision height field over
// the work area, with an optional second height layer (ground) and a state flag per
// node. Reliefs are blended into it cell by cell; the toolpath library reads its
// grid fields and writes heights and ground directly.
//
// Node (i, j) lies at (xs[i], ys[j]) = origin + (i, j)·step; its height is
// heights[j][i] and its linear cell index j·nx + i. An empty cell holds exactly
// kEmptyHeight; a cell counts as non-empty when |h| > kEmptyHeight. Flags: 0
// untouched, 1 changed by UpdateHeight, 2 passed (UpdateHeight leaves it alone).
#pragma once

#include "framework/numerak/Float16.h"
#include "geometry/relief/TGrid.h"
#include "geometry/shapes3d/GeSurf.h"
#include "platform/core/WinGeometry.h"

#include <cstdint>
#include <vector>

class CDib;
class CDibSection;
class CGeLoop;
class CGeMesh;
class CGeRegion;
class CGeRelief;

// One run of consecutive non-empty cells, last inclusive, with a half-float height
// per cell.
struct RlfIndexData {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::vector<Float16> heights;
};

// Relief node record of the toolpath library: a linear canvas cell index, a word the
// toolpath side leaves unset, and a height.
struct SRlfNode {
    std::int32_t index;
    std::int32_t reserved;
    float height;
};
static_assert(sizeof(SRlfNode) == 12, "relief node records are 12 bytes");

class CGeCanvas : public CGeSurf {
    DECLARE_SERIAL(CGeCanvas)

public:
    static constexpr float kEmptyHeight = 0.0011f;
    // Blend modes of UpdateHeight.
    static constexpr unsigned kModeAdd = 0x1000;
    static constexpr unsigned kModeSubtract = 0x2000;
    static constexpr unsigned kModeMax = 0x4000;
    static constexpr unsigned kModeMin = 0x8000;
    static constexpr unsigned kModeReplace = 0x10000;

    CGeCanvas();
    // Releases every array, the preview and the strips; buffer names are deleted when
    // an OpenGL context can be made current.
    ~CGeCanvas() override;

    static CGeCanvas* Instance() { return m_Instance; }
    static void Uninstance();
    static CGeCanvas* New();
    // The canvas over the work area's page (an existing instance unchanged), the step
    // raised in 0.1 increments until the budget fits half the available memory.
    // Null without a work area, for a step below 0.1, when fewer than 2 nodes per axis
    // remain, or when raising the step stops changing it.
    static CGeCanvas* CreateFrmWorkArea(float step);

    // Grid only, every height empty. 0 and the canvas unchanged for fewer than 2 nodes
    // on an axis, 2^31 cells or more, or a failed allocation; earlier arrays released.
    int CreateMini(float* origin, float step, int countX, int countY);
    // CreateMini, the box with z = 0 and the preview image.
    int Create(float* origin, float step, int countX, int countY);
    // Grid over a rectangle from the origin snapped to whole units.
    int Create(float* origin, float step, float width, float height);
    // (Re)makes ground filled with value; 0 when it cannot be allocated.
    int CreateGrnd(float value);
    void DelGrnd();
    void SetCurRelief(CGeRelief* relief) { curRelief = relief; }
    CGeRelief* GetCurRelief() const { return curRelief; }

    // Flags to fill: all cells (made on first use), or the cells of the index box
    // clamped to the grid.
    void ResetFlag(int fill, BOX2<int>* box);
    // Flag 1 becomes 2 inside the index box (clamped to the grid).
    void SetNodePassed(BOX2<int>& box);
    // Blends the relief into the cells of the index box (clamped to the grid), relief
    // nodes matched to canvas nodes one to one; needs flags (ResetFlag).
    void UpdateHeight(CGeRelief* relief, BOX2<int>& box, unsigned mode);
    void ReverseZ();
    // One in-place smoothing pass over the interior cells, then CalcBox.
    void LapSmooth();
    // Bilinear height at (x, y) measured from the origin; 0 outside [0, n·step].
    float Interplate(float x, float y) const;
    float GetMeanZ(int, int, float, float, float) { return 0.0f; }
    void SliceXY(float, CTypedPtrList<CObList, CGeCurve3d*>&) {}
    void CreateHeightIndexDataAll(std::vector<RlfIndexData>& runs) const;
    // Runs inside the inclusive index rectangle (clamped to the grid), cells counted
    // within it; box spans its nodes and the heights met.
    void CreateHeightIndexDataLocal(CRect rect, std::vector<RlfIndexData>& runs, BOX3<double>& box) const;
    // Index bounding rectangle of the nodes' cells (left, top, right, bottom).
    CRect CreateLocalRect(std::vector<SRlfNode>* nodes) const;

    int Get_Index(float v, int axis) const;
    int Get_IndexEx(float v, int axis) const;
    int Get_IndexMin(float v, int axis) const;
    int Get_IndexMax(float v, int axis) const;
    void CalcBox() override;
    BOX2<double> GetBoxFrmIndex(BOX2<int>& ibox) const;
    void GetNotZeroHeightBox(BOX2<double>* box) const;
    int Pick(CPickRay& ray, int check) override;
    void Serialize(CArchive& ar) override;
    virtual int SerializeEx(CArchive& ar);

    // Meshing: new quad meshes of the grid owned by the caller (vertex of node (c, r) at
    // (xs[c], ys[r], heights[r][c]), numbered from the range's first row and column).
    // Ranges are inclusive (first, last); null when a range has fewer than 2 nodes, is
    // reversed or leaves the grid, or without heights.
    CGeMesh* ToMesh();
    CGeMesh* ToMeshReduce();
    CGeMesh* ToMesh(unsigned* cols, unsigned* rows);
    // Without the cells whose four corners are all empty, and without unused vertices.
    CGeMesh* ToMeshReduce(unsigned* cols, unsigned* rows);
    // Level runs along each row strip merged into long quads (T-junctions with the
    // neighbouring strips), unused vertices dropped.
    CGeMesh* ToMeshRefine(unsigned* cols, unsigned* rows);
    // The nodes around the box's part of the canvas; null when the box misses it.
    CGeMesh* ToMesh(BOX2<double> box);
    // The canvas surface inside the loops (the area on their left once oriented by
    // nesting); null for a null or empty list, an empty mesh when meshing fails.
    CGeMesh* ToMesh(CTypedPtrList<CObList, CGeLoop*>* loops, double tol);
    // The same for the loops of the regions, boundary heights constant when asked;
    // null for a null or empty list or when meshing fails or is cancelled.
    CGeMesh* ToMesh(CTypedPtrList<CObList, CGeRegion*>* regions, double tol, bool constant, float z);

    // Display (strips of the show range, normals, show step).
    // When step differs from showStep: the strips are released and showStep = step.
    void SetShowStep(unsigned stepNodes);
    // showRange from a world box (node at or below its lower corner, at or above its
    // upper one) and showStep = 0; an inverted box empties the range; null does nothing.
    void SetShowRange(BOX2<double>* box);
    // cols = (left, right), rows = (top, bottom) of showRange.
    void GetShowRange(unsigned* cols, unsigned* rows) const;
    bool IsShowRangeEmpty() const { return showRange.right <= showRange.left || showRange.bottom <= showRange.top; }
    // Unit normal of node (i, j) from its existing neighbours (edge and corner rules of
    // the display); (0, 0, 1) when it vanishes.
    void CalcNodeNormal(int i, int j, float* normal) const;
    // Position and half-float normal buffers of every node (z 0, normal up). Without
    // buffer objects the same records are kept in client memory (normals as floats
    // rounded like half floats), and the strips draw from there.
    void BuildVBOs();
    // Heights into the position buffer, normals of the flagged non-empty cells of the
    // show range into the normal buffer, then a new preview. Nothing without flags or
    // an OpenGL device context.
    void UpdateInFlag();
    // Empties the cells of the boxes (clamped) and resets their normals; every flag
    // becomes 0. The heights and flags change also without an OpenGL context.
    void ResetHeight(std::vector<BOX2<int>>& boxes);
    void SetDefaultMaterial(COpenGLDC* dc);
    void DrawGL(COpenGLDC* dc, int mode) override;
    // Strips of the show range (or one quad when it is empty) and the quads around it.
    void DrawGL_All(int mode);
    void DrawGL_Side(int mode);
    void DrawGL_Row(COpenGLDC* dc, int row);
    void DrawGL_Col(COpenGLDC* dc, int col);
    // Rows and columns a fifth of the counts apart (at least one node), black.
    void DrawGL_WireFrame(COpenGLDC* dc);
    // Renders the canvas seen from above (flat: one quad at z = 0) off screen into a new
    // 24-bit bitmap of width × height pixels, white where nothing is drawn. bmp stays
    // empty without an OpenGL context, framebuffer objects or a complete framebuffer;
    // the view's camera, viewport, framebuffer and state are restored.
    void CreatePreviewBitmapEx(CDibSection* bmp, int width, int height, int flat);
    // 2D views: the preview image (made on first use) stretched over the canvas box,
    // white transparent, then the surface's curves.
    using CGeSurf::Draw;
    void Draw(CDC* dc) override;
    // 0 outside the view, 1 partly inside, 8 wholly inside (a 3D view gives 1).
    int IsInViewWnd();
    // A new depth texture of width × height floats (nearest filtering, repeating);
    // its name, 0 without a context.
    unsigned int CreateDepthTexture(int width, int height);
    // Strip list over the whole grid, and over the show range widened by one node
    // (not below column or row 1 when it starts there); node step s ≥ 1. The local list
    // needs a current view.
    void CreateAllStrip(unsigned s);
    void CreateLocalStrip(unsigned s);

    float originX = 0.0f;
    float originY = 0.0f;
    float step = 1.0f;
    std::uint32_t nx = 0;
    std::uint32_t ny = 0;
    float* xs = nullptr;
    float* ys = nullptr;
    float** heights = nullptr;
    float** ground = nullptr;
    unsigned char** flags = nullptr;
    std::uint32_t showStep = 1;
    CTGrid<float>* grid = nullptr;
    CDib* preview = nullptr;
    RECT showRange{0, 0, 0, 0};
    std::uint32_t* strip = nullptr;
    std::uint32_t stripCount = 0;
    unsigned int vboVertex = 0;
    unsigned int vboNormal = 0;
    unsigned int vboExtra = 0;
    CGeRelief* curRelief = nullptr;

    static CGeCanvas* m_Instance;

private:
    struct Axis {
        const float* table;
        int count;
    };
    Axis AxisOf(int axis) const;
    // Deletes grid, then the strips.
    void ClearCanvas();
    void ClearAllTriStrip();
    // Bands between consecutive sampled rows of [r0, r1] joined by degenerate triangles.
    void BuildStrip(unsigned c0, unsigned c1, unsigned r0, unsigned r1, unsigned s);
    // Releases coordinates, heights, ground and flags.
    void FreeGrid();
    // Deletes the buffer names when a context can be made current (display side).
    void DeleteBuffers();
    // Renders a preview 600 pixels wide into `preview` (made when null); a failed
    // render leaves it as it was.
    void MakePreview(int flat);
    // Whether the position and normal records exist: the buffers, or without buffer
    // objects the client arrays.
    bool HasRecords(const COpenGLDC* dc) const;
    // Writable position and normal records (the bound, mapped buffer or the client
    // array); null when mapping fails. UnmapRecords ends the mapping.
    float* MapPositions(COpenGLDC* dc);
    struct NormalRecords {
        Float16* half = nullptr;
        float* full = nullptr;
        explicit operator bool() const { return half || full; }
        void Set(size_t cell, const float* n);
    };
    NormalRecords MapNormals(COpenGLDC* dc);
    void UnmapRecords(COpenGLDC* dc);
    // Releases the buffers and client arrays (their size follows the grid).
    void ReleaseRecords();
    // A quad mesh of the inclusive ranges with the cells cellKept(c, r) (absolute
    // indices) chooses; null for ranges that are not valid.
    template <class Keep>
    CGeMesh* GridMesh(const unsigned* cols, const unsigned* rows, Keep cellKept) const;
    // The index box clamped to the grid; false when nothing of it lies inside.
    bool ClampBox(const BOX2<int>& in, BOX2<int>& out) const;

    std::vector<float> m_clientVertex;
    std::vector<float> m_clientNormal;
};
