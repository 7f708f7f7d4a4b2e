// Sections of the pocketing kernel: straight (CSmartLine) and circular (CSmartArc)
// pieces of a 2D contour, handled alike through one table of virtual operations.
#pragma once

#include "toolpath/contours/SmartPoint.h"

#include <cstdint>

// Section kinds in CSmartSect::type.
constexpr std::uint8_t kSectLine = 1;
constexpr std::uint8_t kSectArc = 2;
constexpr std::uint8_t kSectBase = 8;

class CSmartSect {
public:
    CSmartSect() = default;
    // Frees the intersection point list with its points.
    virtual ~CSmartSect();
    // A section owns its point list and is linked into one curve: CopyMyself is the copy.
    CSmartSect(const CSmartSect&) = delete;
    CSmartSect& operator=(const CSmartSect&) = delete;

    virtual void Reverse() = 0;
    virtual void DefineBox() = 0;
    virtual int GetPoint(double t, double* out) = 0;
    virtual int GetNormal(double t, double* out) = 0;
    virtual int GetTangent(double t, double* out) = 0;
    virtual double GetParam(const double* p) = 0;
    // 1 when -1e-8 < GetParam(p) < 1.00000001 (the distance to the section is not tested).
    virtual int IsPointOn(const double* p);
    // Lines: 0 when p lies strictly right of the line, else 1. Arcs: always 1.
    virtual int IsOnLeft(const double* p);
    virtual int TrimEnd(int atEnd, const double* p, int withBox) = 0;
    virtual double MinDistPoint(const double* p, double* out) = 0;
    virtual void RotateSect(double c, double s) = 0;
    // A new section offset by d to the left (the caller calls DefineBox), or null.
    virtual CSmartSect* Offset(double d) = 0;
    // A new section between p1 and p2 (x, y, parameter), or null when the parameters do
    // not ascend or the piece is shorter than 2e-7. Keeps source, index and mark 0x80.
    virtual CSmartSect* GetSubSect(const double* p1, const double* p2) = 0;
    // A new equal section whose source is this one; keeps index and mark 0x80.
    virtual CSmartSect* CopyMyself() = 0;
    virtual double GetLength() = 0;

    int IsSectLine() const { return type & kSectLine; }
    int IsSectArc() const { return type & kSectArc; }
    // Adds an intersection point at p; 0 when its parameter lies outside [-1e-6, 1.000001]
    // or a point with the same parameter (within 1e-10) is held.
    int AddIntPt(const double* p);
    // The same for a ready point (deleted when refused).
    int AddPoint(CSmartPoint* p);
    void RotateSect(double angle);

    std::uint8_t type = kSectBase;
    int index = 0;
    double box[4] = {0, 0, 0, 0};  // min x, min y, max x, max y
    CSmartSect* next = nullptr;
    CSmartSect* prev = nullptr;
    CSmartSect* offsetCopy = nullptr;  // not owned
    CSmartSect* source = nullptr;      // not owned
    CPointList* points = nullptr;      // owned
    int number = 0;
    std::uint8_t mark = 0;

protected:
    // Copies index and mark bit 0x80 of `from` and sets the source.
    void Inherit(const CSmartSect& from, CSmartSect* src);
};

class CSmartLine : public CSmartSect {
public:
    CSmartLine() { type = kSectLine; }
    CSmartLine(const double* p1, const double* p2);

    void Reverse() override;
    void DefineBox() override;
    int GetPoint(double t, double* out) override;
    int GetNormal(double t, double* out) override;
    int GetTangent(double t, double* out) override;
    // By the dominant axis of the direction; -1 for a degenerate line unless p is its start.
    double GetParam(const double* p) override;
    int IsOnLeft(const double* p) override;
    int TrimEnd(int atEnd, const double* p, int withBox) override;
    double MinDistPoint(const double* p, double* out) override;
    void RotateSect(double c, double s) override;
    using CSmartSect::RotateSect;
    CSmartSect* Offset(double d) override;
    CSmartSect* GetSubSect(const double* p1, const double* p2) override;
    CSmartSect* CopyMyself() override;
    double GetLength() override;

    // Removes the intersection points closer than 0.0001 to either end.
    int FilterIntPoint();

    double start[2] = {0, 0};
    double end[2] = {0, 0};
};

// An arc from startAngle to endAngle (radians): counter-clockwise when endAngle >
// startAngle, clockwise otherwise; a full circle has angles 2 pi apart.
class CSmartArc : public CSmartSect {
public:
    CSmartArc() { type = kSectArc; }
    // Centre, radius and the two angles; the box is computed.
    CSmartArc(const double* centre, double radius, double startAngle, double endAngle);

    void Reverse() override;
    void DefineBox() override;
    int GetPoint(double t, double* out) override;
    int GetNormal(double t, double* out) override;
    int GetTangent(double t, double* out) override;
    double GetParam(const double* p) override;
    int IsPointOn(const double* p) override;
    int IsOnLeft(const double* p) override;
    int TrimEnd(int atEnd, const double* p, int withBox) override;
    double MinDistPoint(const double* p, double* out) override;
    void RotateSect(double c, double s) override;
    using CSmartSect::RotateSect;
    CSmartSect* Offset(double d) override;
    CSmartSect* GetSubSect(const double* p1, const double* p2) override;
    CSmartSect* CopyMyself() override;
    double GetLength() override;

    // A point of the circle with the angle it was worked out at.
    struct ArcPoint {
        double angle = 0;
        double p[2] = {0, 0};
        bool held = false;
    };
    // GetSubSect for pieces that follow one another along the arc: `carry` takes each
    // piece's end point to the next piece, which starts there (held false at first).
    CSmartSect* GetSubSect(const double* p1, const double* p2, ArcPoint& carry);

    bool IsCounterClockwise() const { return endAngle > startAngle; }
    double AngleAt(double t) const { return AngleBetween(startAngle, endAngle, t); }

    double centre[2] = {0, 0};
    double radius = 0;
    double startAngle = 0;
    double endAngle = 0;

private:
    // Whether box and boxedEnds are those of the current centre, radius and angles.
    bool BoxKept() const;
    // -1 when p's direction from the centre lies before the start or past the end so
    // clearly that GetParam's answer falls outside IsPointOn's range, 1 when it lies so
    // clearly between them that the answer falls inside, else 0.
    int SweepSide(const double* p) const;
    static double AngleBetween(double a0, double a1, double t) { return a0 + t * (a1 - a0); }
    // centre + radius (cos a, sin a).
    void PointAtAngle(double a, double* out) const;
    // GetParam for a point at angle a about the centre (AngleAbout's value).
    double ParamAtAngle(double a) const;
    // IsPointOn's answer for a point at angle a about the centre.
    int OnAtAngle(double a) const;
    // DefineBox's box and kept ends, the ends taken from `known` where an angle there is
    // AngleAt(0) or AngleAt(1) bit for bit (the same centre and radius give the same point).
    void BoxWithEnds(const ArcPoint* known, int count);
    // The kept ends with their angles (while the centre and radius are those they were
    // worked out for, whatever the angles are now) into out; their number, 0 or 2.
    int KeptEnds(ArcPoint* out) const;

    // Centre, radius and angles the box was last computed for: DefineBox, copies and the
    // end points (GetPoint at 0 and 1) reuse what was worked out while they are bit-equal,
    // and use trigonometry again only when they changed.
    double boxedFor[5] = {0, 0, 0, 0, 0};
    double boxedEnds[2][2] = {{0, 0}, {0, 0}};
    bool boxed = false;
};

// s->GetSubSect(p1, p2) for pieces that follow one another along s: an arc's pieces share
// their end points through `carry` (see CSmartArc::GetSubSect).
inline CSmartSect* GetNextSubSect(CSmartSect* s, const double* p1, const double* p2, CSmartArc::ArcPoint& carry)
{
    return s->IsSectArc() ? static_cast<CSmartArc*>(s)->GetSubSect(p1, p2, carry) : s->GetSubSect(p1, p2);
}

// Arc set-up: each sets the arc's kind, clears its links and computes its box.
void InitSmartArcByAngles(const double* angles, const double* centre, CSmartArc* arc, double radius);
// Always clockwise from startPt to endPt about centre (a full circle when they coincide).
void InitSmartArcByPoints(const double* startPt, const double* centre, CSmartArc* arc, const double* endPt);
int SetSmartArcByPoints(const double* startPt, CSmartArc* arc, const double* centre, const double* endPt);
// The arc from a through b to c: 1, or 0 (arc untouched) when the points are collinear,
// coincide or need a radius above 1e6.
int SetSmartArcThreePoints(const double* a, const double* b, CSmartArc* arc, const double* c);

// Fills out[0..n] with points of the arc at chord tolerance tol (at least 0.001) and
// returns n, the number of chords (1 .. capacity - 1); 0 for a radius below 1e-6 or a
// capacity below 2.
int DiscretizeArcSect(double (*out)[2], int capacity, double tol, CSmartArc* arc);
