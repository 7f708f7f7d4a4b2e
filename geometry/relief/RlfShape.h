// Relief profile shapes: a cross-section (round, angle, chamfer, flat) swept along
// axis segments whose points carry the half width of the region. The toolpath
// library sets a segment with SetCAxis and asks CalcHeight for every grid node in
// updateBox, keeping the highest answer.
//
// The fields and the order of the virtual operations are what the toolpath library
// relies on; keep both. CalcHeight and CalcHScale read the shape only, so rows of a
// grid can be stamped in parallel on one shape.
#pragma once

#include "geometry/relief/TGrid.h"
#include "platform/core/ObList.h"
#include "platform/core/WinTypes.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

class CGeLine;

class CRlfShape {
public:
    float paramA;        // first SetParam value, stored only
    float height;        // full height H
    float angle;         // profile angle (radians)
    float paramC;        // fifth SetParam value, stored only
    float maxSpan;       // inset from the border at which the profile reaches H
    int mode;            // 1 span, 2 angle, 3 span with scaling, 4 angle with scaling up
    int skeletonMode;    // passed on to the skeleton builder
    float minWidth;      // half widths at or below get scale 1
    float node0[4];      // wider end (x, y, w, s)
    float node1[4];      // narrower end
    float clip[4];       // where the half width falls to maxSpan (x, y, w, t)
    float axis[4];       // node1 - node0 (dx, dy, dw), spare
    float tail[3];       // node1 - clip
    float tangentPoint[2][2];  // touch points of the outer tangents on node0's circle
    float tangentDir[2][3];    // tangent directions towards node1, squared length
    float topHeight;     // highest answer the segment can give
    float sinAngle, cosAngle, tanAngle;
    float updateBox[4];  // xy box of the two end circles (x0, y0, x1, y1)
    BYTE axisFlags;      // 1 degenerate, 2 part within span, 4 part beyond span, 8 swapped
    CTypedPtrList<CObList, CGeLine*> lines;  // every accepted segment, owned

    CRlfShape();
    CRlfShape& operator=(const CRlfShape&) = delete;

    virtual ~CRlfShape();
    virtual void SetMaxSpan(float s);
    // Stores the segment p-q (x, y, half width) and sets it as the current axis; 0 and
    // nothing changed when the segment (either direction) is already stored.
    virtual int SetCAxis(double* p, double* q);
    virtual void SetCAxis(float* p, float* q);
    virtual float CalcHScale(float w) const = 0;
    // Index forms: flags 1 first end's disc, 2 second end's disc, 4 the sweep.
    // They only raise h and return the bits of what raised it.
    virtual int CalcHeight(int flags, float x, float y, float& h, float& depth) const;
    virtual int CalcHeight(int flags, float x, float y, float& h) const;
    // Node forms: one disc (x, y, r, s).
    virtual int CalcHeight(const float* node, float x, float y, float& h, float& depth) const;
    virtual int CalcHeight(const float* node, float x, float y, float& h) const;
    virtual int CalcHeightEx(const float* node, const float* point, float x, float y, float& h,
                             float& depth) const;
    // Raises the grid nodes in the update box with the index form; nothing for null.
    virtual void UpdateGrid(int flags, CTGrid<float>* grid) const;
    // A new shape of the same kind with this one's profile and axis but no stored
    // segments (so threads can each set axes of their own); null when the kind has none.
    virtual CRlfShape* CloneProfile() const;

    void SetParam(float a, float h, int m, float ang, float c);
    // 1 when lines holds p-q in either direction (ends within 0.02).
    int FindLine(const double* p, const double* q) const;
    // Grid index box of updateBox: box[0] lowest (column, row), box[1] highest, clamped
    // to the grid; an empty grid gives box[1] below box[0].
    void GetUpdateBox(const CTGrid<float>* grid, int (*box)[2]) const;

    // True when the outer tangents of the end circles exist (neither circle holds the other).
    bool HasTangents() const { return tangentDir[0][2] > 0.0f && tangentDir[1][2] > 0.0f; }

protected:
    // Profile and axis fields only: the stored segments stay with the original.
    CRlfShape(const CRlfShape& other);

    // Angle-family pieces shared by the angle and chamfer profiles.
    void SetAngleSpan();
    float AngleHScale(float w) const;
    float AngleTopHeight() const;

private:
    struct StoredLine {
        double p[2], q[2];
    };
    // Stored segments by the grid cell of their start: FindLine looks at the cells
    // around p and around q only, so a call costs the same however many are stored.
    std::vector<StoredLine> stored_;
    std::unordered_map<std::uint64_t, std::vector<int>> byStart_;

    void IndexLine(const double* p, const double* q);
    bool MatchesFrom(const double* a, const double* b) const;
};

// Signed distance of p from the line through q along d; the plain distance of p and q
// when d is shorter than 0.0001.
float SignedLineDistance(const float* p, const float* q, const float* d);
