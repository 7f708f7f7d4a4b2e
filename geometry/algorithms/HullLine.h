// Convex hull of 2D points in single precision, the direction of its longest
// edge and its minimum-area enclosing rectangle (sides along a hull edge).
#pragma once

#include <type_traits>
#include <vector>

struct tagPoint2f {
    float x, y;
};
static_assert(sizeof(tagPoint2f) == 2 * sizeof(float) && std::is_standard_layout_v<tagPoint2f>);

class CHullLine {
public:
    CHullLine() = default;
    CHullLine(const CHullLine&) = default;
    CHullLine& operator=(const CHullLine&) = default;
    virtual ~CHullLine() = default;

    void AddPoint(float x, float y) { m_points.push_back({x, y}); }
    // Fills the hull from the points (nothing without points); the points
    // are left sorted.
    void CalculateConvexHull();
    // Sorts the points by x, then y. Points with a coordinate that is not
    // finite go last and take no part in the hull.
    void QuickSortPtsBasedOnX();
    // Monotone chain over points sorted by QuickSortPtsBasedOnX: hull gets the
    // extreme points counter-clockwise from the lowest of the leftmost, that
    // point repeated at the end; collinear and repeated points are left out.
    // A single distinct point gives [P, P].
    static void ConvexHull2D(std::vector<tagPoint2f>& sorted, std::vector<tagPoint2f>& hull);
    // Positive when c lies left of the line from a to b, 0 on it, negative
    // right of it; computed in double precision from the float coordinates.
    static double IsPoint2DLeft(tagPoint2f a, tagPoint2f b, tagPoint2f c);
    // The direction becomes the longest hull edge vector (the first of equal
    // lengths); a hull of fewer than two points leaves it unchanged.
    void CalMaxLenVector();
    // Smallest area of a rectangle with a side along a hull edge; writes its
    // centre and unit axes (axes[0] along the edge, axes[1] to its left) and
    // takes axes[0] as the direction. A hull of one distinct point (or none)
    // gives 0 and writes nothing; 1e12 when every edge is too short to give a
    // direction (nothing written then either).
    double CalMinAreaRect(double* centre, double (*axes)[2]);

    const std::vector<tagPoint2f>& GetPoints() const { return m_points; }
    const std::vector<tagPoint2f>& GetHull() const { return m_hull; }
    const double* GetDirection() const { return m_direction; }

private:
    std::vector<tagPoint2f> m_points;  // in the order added; sorted after a hull computation
    int m_nReserved = 0;               // copied with the object, otherwise unused
    std::vector<tagPoint2f> m_hull;    // counter-clockwise, first point repeated at the end
    double m_direction[2] = {0.0, 0.0};
};
