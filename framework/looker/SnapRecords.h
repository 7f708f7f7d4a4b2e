// Records that the view hands to shapes for picking and snapping, and that
// shapes fill: pick ray, snap request and result, world points with pixels,
// feature vectors.
#pragma once

#include "framework/numerak/Box.h"
#include "platform/core/WinGeometry.h"
#include "platform/core/WinTypes.h"

#include <vector>

class CLooker;
class DBIUnknown;  // database owner of a snap point; the geometry library passes null

namespace looker {

// A world point (x, y, z). Qt has a class of the same name, so code that uses
// Qt reaches this one as looker::QPoint.
class QPoint {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    QPoint() = default;
    QPoint(double x_, double y_, double z_ = 0.0) : x(x_), y(y_), z(z_) {}
    explicit QPoint(const double* p, int dim = 2) { Set(p, dim); }

    // Sets x and y; z is kept.
    void Set2(double x_, double y_) { x = x_; y = y_; }
    void Set2(const double* p) { x = p[0]; y = p[1]; }
    // Reads dim (2 or 3) coordinates; z becomes 0 for dim 2.
    void Set(const double* p, int dim);

    // Reflects x and y in the line through p and q; a degenerate line (p = q)
    // reflects through the point p.
    void Mirror(const double* p, const double* q);

    // Non-zero when (x, y) lies in the box grown by tol on every side; the
    // border counts, so a flat box (a horizontal line) still holds its points.
    int IsInBox(const BOX2<double>& box, double tol = 0.0) const;
    // Against a 3D box only x and y are tested: picks in the plan view.
    int IsInBox(const BOX3<double>& box, double tol = 0.0) const;

    const double* Ptr() const { return &x; }
    double* Ptr() { return &x; }
};
static_assert(sizeof(QPoint) == 3 * sizeof(double));

}  // namespace looker

#ifndef QT_CORE_LIB
using looker::QPoint;
#endif

// A world point together with its pixel on the screen.
class Position : public looker::QPoint {
public:
    CPoint m_ptScreen{0, 0};

    Position() = default;
    Position(const looker::QPoint& p) : looker::QPoint(p) {}
    Position(double x_, double y_, double z_ = 0.0) : looker::QPoint(x_, y_, z_) {}
};

// A pick request, filled by the caller; shapes read it and write the results.
class CPickRay {
public:
    double m_pt[3] = {0.0, 0.0, 0.0};   // pick point (2D pick) or ray origin (3D pick)
    double m_dir[3] = {0.0, 0.0, -1.0}; // ray direction of a 3D pick
    double m_dAperture = 0.0;           // pick aperture, world units
    double m_dDepth = 1e30;             // best depth (first 3D result), in and out
    double m_dParam = 0.0;              // curve parameter (second 3D result), out
    double m_dParam2 = 0.0;             // second value of a mesh hit, out
    double m_dDist = 1e30;              // best 2D distance, in and out
    int m_nSeg = 0;                     // segment or face index, out
    int m_b2D = 1;                      // non-zero for a 2D pick
    int m_nTypeMask = -1;               // shape type codes the pick accepts

    // The ray's second point, origin + direction, for pick tests that take a
    // ray as two points.
    void GetSecondPoint(double* out) const
    {
        out[0] = m_pt[0] + m_dir[0];
        out[1] = m_pt[1] + m_dir[1];
        out[2] = m_pt[2] + m_dir[2];
    }
};

// Snap mode bits.
inline constexpr int kSnapEnd = 0x1;
inline constexpr int kSnapNear = 0x2;
inline constexpr int kSnapMid = 0x8;
inline constexpr int kSnapCen = 0x10;
inline constexpr int kSnapPerp = 0x40;
inline constexpr int kSnapTan = 0x80;
inline constexpr int kSnapQuad = 0x100;
inline constexpr int kSnapControl = 0x200;

// Context of a snap request: the point perpendicular and tangent snaps start from.
struct CSnapBase {
    int m_bHasBase = 0;
    double m_ptBase[3] = {0.0, 0.0, 0.0};
};

class CSnapAt {
public:
    double m_ptCursor[2] = {0.0, 0.0};
    int m_nSnapMode = 0;        // kSnap* bits
    int m_bAlign = 0;           // also offer points aligned with the cursor in x or y
    double m_dAperture = 0.0;   // world units
    CLooker* m_pLooker = nullptr;
    CSnapBase* m_pBase = nullptr;

    // Non-zero when p lies within the aperture of the cursor (distance in the
    // plane; dim 3 points are judged by their x and y, the cursor being 2D).
    int IsSnapPoint(const double* p, int dim) const;
};

struct CSnapItem {
    Position pos;
    int kind = 0;  // one kSnap* bit
    DBIUnknown* owner = nullptr;
};

class CSnapResult {
public:
    int GetSize() const { return int(m_items.size()); }
    const CSnapItem& GetAt(int i) const { return m_items[std::size_t(i)]; }
    void RemoveAll() { m_items.clear(); }

    void PushBack(int kind, const Position& p, DBIUnknown* owner = nullptr);
    void PushBackEnd(const Position& p, DBIUnknown* owner = nullptr) { PushBack(kSnapEnd, p, owner); }
    void PushBackNear(const Position& p, DBIUnknown* owner = nullptr) { PushBack(kSnapNear, p, owner); }
    void PushBackMid(const Position& p, DBIUnknown* owner = nullptr) { PushBack(kSnapMid, p, owner); }
    void PushBackCen(const Position& p, DBIUnknown* owner = nullptr) { PushBack(kSnapCen, p, owner); }
    void PushBackPerp(const Position& p, DBIUnknown* owner = nullptr) { PushBack(kSnapPerp, p, owner); }
    void PushBackTan(const Position& p, DBIUnknown* owner = nullptr) { PushBack(kSnapTan, p, owner); }
    void PushBackQuad(const Position& p, DBIUnknown* owner = nullptr) { PushBack(kSnapQuad, p, owner); }
    void PushBackEnd(double x, double y, double z, DBIUnknown* owner = nullptr) { PushBackEnd(Position(x, y, z), owner); }
    void PushBackNear(double x, double y, double z, DBIUnknown* owner = nullptr) { PushBackNear(Position(x, y, z), owner); }
    void PushBackMid(double x, double y, double z, DBIUnknown* owner = nullptr) { PushBackMid(Position(x, y, z), owner); }
    void PushBackCen(double x, double y, double z, DBIUnknown* owner = nullptr) { PushBackCen(Position(x, y, z), owner); }
    void PushBackPerp(double x, double y, double z, DBIUnknown* owner = nullptr) { PushBackPerp(Position(x, y, z), owner); }
    void PushBackTan(double x, double y, double z, DBIUnknown* owner = nullptr) { PushBackTan(Position(x, y, z), owner); }
    void PushBackQuad(double x, double y, double z, DBIUnknown* owner = nullptr) { PushBackQuad(Position(x, y, z), owner); }

private:
    std::vector<CSnapItem> m_items;
};

// A position with a 2D unit direction (a straight piece under the cursor).
class CFeatureVector {
public:
    double m_pos[3] = {0.0, 0.0, 0.0};
    double m_dir[2] = {1.0, 0.0};

    CFeatureVector() = default;
    CFeatureVector(const double* pos3, const double* dir2)
    {
        m_pos[0] = pos3[0];
        m_pos[1] = pos3[1];
        m_pos[2] = pos3[2];
        m_dir[0] = dir2[0];
        m_dir[1] = dir2[1];
    }
};
