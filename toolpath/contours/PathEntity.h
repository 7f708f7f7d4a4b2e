// Path entities: the moves of a tool path (3D lines, planar or helical 3D arcs and
// 3D polylines) handled alike through one table of virtual operations. Lengths,
// normals and nearest points are planar (XY) measures.
#pragma once

#include "toolpath/contours/PathConst.h"

#include <cstdint>
#include <memory>

class CPathPLine3D;
class CSmartArc;

class CPathEntity {
public:
    explicit CPathEntity(int entityType) : type(entityType) {}
    virtual ~CPathEntity() = default;
    // Entities are linked into one combine: Copy is the copy.
    CPathEntity(const CPathEntity&) = delete;
    CPathEntity& operator=(const CPathEntity&) = delete;

    virtual int GetType() const = 0;
    // Rotation about the Z axis (x, y) -> (c x - s y, s x + c y).
    virtual void RotateZ(double c, double s) = 0;
    // Rotation about the X axis: z' = c z - s y, y' = c y + s z.
    virtual void RotateX(double c, double s) = 0;
    virtual void Move(double dx, double dy, double dz) = 0;
    virtual double GetLength() { return 0.0; }
    // A new polyline running n times there and back; null when the kind has none.
    virtual CPathPLine3D* ToAndFro(int) { return nullptr; }
    // Two new pieces before and after the length len along the entity (either may be
    // null): len below 0.01 gives (null, copy), len beyond the length less 0.01 gives
    // (copy, null). 1 when split, 0 when the kind cannot split.
    virtual int SplitAt(double, CPathEntity*& first, CPathEntity*& second);
    virtual void SetZ(double) {}
    // Lowers the end by d, the rest in proportion.
    virtual void LowerEnd(double) {}
    // The start (atEnd 0) or the end point; 0 when there is none.
    virtual int GetEndPoint(int atEnd, double* out) = 0;
    // Unit XY normal (left of the direction of travel) at the start or end; 0 when none.
    virtual int GetNormalXY(int, double*) { return 0; }
    // Unit direction of travel at the start or end; 0 when none.
    virtual int GetUnitDir(int, double*) { return 0; }
    // A new equal entity (kind and type kept, links null), owned by the caller.
    virtual CPathEntity* Copy() = 0;
    virtual int Reverse() { return 1; }
    // Nearest point in XY to p (out z = p's z); see each kind for dist.
    virtual int NearestXY(const double*, double*, double&) { return 0; }

    std::uint8_t kind = pathc::kKindUnset;
    CPathEntity* next = nullptr;
    CPathEntity* prev = nullptr;
    int type = 0;

protected:
    // The end cases of SplitAt: true (pieces set) when len lies within 0.01 of an end.
    bool SplitNearEnds(double len, CPathEntity*& first, CPathEntity*& second);
};

class CPathLine3D : public CPathEntity {
public:
    CPathLine3D() : CPathEntity(pathc::kTypeLine) {}
    CPathLine3D(const double* s, const double* e);

    int GetType() const override { return pathc::kTypeLine; }
    void RotateZ(double c, double s) override;
    void RotateX(double c, double s) override;
    void Move(double dx, double dy, double dz) override;
    double GetLength() override;
    // Start, end, start, ...: n trips there and back (2n segments).
    CPathPLine3D* ToAndFro(int n) override;
    // The pieces meet at len / length along the 3D segment.
    int SplitAt(double len, CPathEntity*& first, CPathEntity*& second) override;
    void SetZ(double z) override;
    // End z = start z - d.
    void LowerEnd(double d) override;
    int GetEndPoint(int atEnd, double* out) override;
    int GetNormalXY(int atEnd, double* out) override;
    int GetUnitDir(int atEnd, double* out) override;
    CPathEntity* Copy() override;
    int Reverse() override;
    // The nearest point of the segment; dist is set to its XY distance; 1.
    int NearestXY(const double* p, double* out, double& dist) override;

    double start[3] = {0, 0, 0};
    double end[3] = {0, 0, 0};
};

// Arc planes (CPathArc3D::plane); any other value uses the arc's own frame.
constexpr std::int8_t kArcPlaneXY = 0;  // angles from +X toward +Y, height along Z
constexpr std::int8_t kArcPlaneYZ = 1;  // from +Y toward +Z, height along X
constexpr std::int8_t kArcPlaneZX = 2;  // from +Z toward +X, height along Y
constexpr std::int8_t kArcPlaneFrame = 3;

// A circular arc, or a helix when pitch is not 0: the point at t in [0, 1] lies at the
// angle startAngle + t (endAngle - startAngle) and rises t pitch along the height axis
// from the centre.
class CPathArc3D : public CPathEntity {
public:
    CPathArc3D() : CPathEntity(pathc::kTypeArc) {}

    int GetType() const override { return pathc::kTypeArc; }
    // Plane 0 only: the centre turns and both angles turn with it (the start angle in
    // (-pi, pi]); other planes are left alone.
    void RotateZ(double c, double s) override;
    // Does nothing.
    void RotateX(double, double) override {}
    void Move(double dx, double dy, double dz) override;
    // |endAngle - startAngle| radius.
    double GetLength() override;
    // The pieces split the sweep at len / length; a helix splits its rise the same way.
    int SplitAt(double len, CPathEntity*& first, CPathEntity*& second) override;
    // pitch -= d.
    void LowerEnd(double d) override;
    int GetEndPoint(int atEnd, double* out) override;
    int GetNormalXY(int atEnd, double* out) override;
    int GetUnitDir(int atEnd, double* out) override;
    CPathEntity* Copy() override;
    // Runs the arc backwards; a helix then starts at its old end height.
    int Reverse() override;
    // Plane 0: the nearest point of the arc, dist set to its XY distance, 1; else 0.
    int NearestXY(const double* p, double* out, double& dist) override;

    bool IsCounterClockwise() const { return endAngle > startAngle; }
    // Unit height axis of the plane (the frame's third row for a general frame); 0
    // for a general frame without frame.
    int HeightAxis(double* out) const;

    std::int8_t plane = kArcPlaneXY;
    double centre[3] = {0, 0, 0};
    double radius = 0.0;
    double startAngle = 0.0;
    double endAngle = 0.0;
    double pitch = 0.0;
    // General frame: rows X axis, Y axis, height axis (9 doubles); null otherwise.
    std::unique_ptr<double[]> frame;
};

// A chain of count segments through count + 1 points, optionally with a tool-axis
// vector per point that travels with its point through copies, reversals and splits.
class CPathPLine3D : public CPathEntity {
public:
    CPathPLine3D() : CPathEntity(pathc::kTypePLine) {}

    int GetType() const override { return pathc::kTypePLine; }
    void RotateZ(double c, double s) override;
    void RotateX(double c, double s) override;
    void Move(double dx, double dy, double dz) override;
    // Sum of the XY segment lengths.
    double GetLength() override;
    // null for n <= 0 or no segment. Closed polylines repeat their points n times;
    // open ones alternate forward and backward passes. Consecutive passes share no
    // point: the turning point is written twice.
    CPathPLine3D* ToAndFro(int n) override;
    int SplitAt(double len, CPathEntity*& first, CPathEntity*& second) override;
    void SetZ(double z) override;
    // Each point lowered by d times its share of the XY length (the last by d).
    void LowerEnd(double d) override;
    int GetEndPoint(int atEnd, double* out) override;
    int GetNormalXY(int atEnd, double* out) override;
    // The first or last segment with x and y made unit over XY; z is the segment's rise.
    int GetUnitDir(int atEnd, double* out) override;
    CPathEntity* Copy() override;
    int Reverse() override;
    // The segment nearest in XY when it beats the incoming dist (strictly): out, dist
    // and 1; else 0 and both untouched. dist must hold the best so far on entry.
    int NearestXY(const double* p, double* out, double& dist) override;

    int PointCount() const { return points ? count + 1 : 0; }

    int count = 0;
    std::unique_ptr<double[][3]> points;  // count + 1 points
    std::unique_ptr<double[][3]> axes;    // tool-axis vector per point, or null
};

// The point of the arc at parameter t; 0 (out untouched) for a general-frame arc
// without frame.
int PathArcPointAt(const CPathArc3D* arc, double* out, double t);
// Replaces the points by a copy of the n + 1 points of src and sets count n (axes are
// dropped); 0 with count 0 when they cannot be stored.
int SetPathPLinePoints(CPathPLine3D* pl, unsigned n, const double* src);
// Plane 0, centre (a's centre, z), a's radius and angles, pitch 0, no frame; 1.
int SetPathArcFromSmartArc(double z, CSmartArc* a, CPathArc3D* arc);
