// Medial axis (skeleton) of a pocket loop with the half width at every point. The
// boundary's distance function is the lower envelope of facets over the boundary: a
// 45-degree plane over every line (arcs are cut into chords first) and a cone over every
// reflex corner sharper than the corner limit (flatter reflex corners are mitered, as in
// a straight skeleton). The skeleton is the set of ridges where two facets meet below all
// others; it is traced from the convex corners through every ridge meeting.
#pragma once

class CSmartLoop;

// One skeleton polyline: points (x, y, half width) in order, listed through next.
class CCLineCurve {
public:
    struct Node {
        double x, y, z;
        double w;  // the same as z
        Node* next;
    };

    CCLineCurve() = default;
    ~CCLineCurve();
    CCLineCurve(const CCLineCurve&) = delete;
    CCLineCurve& operator=(const CCLineCurve&) = delete;

    void AddPoint(double x, double y, double z);
    // Drops, after each kept point P, the following points as long as every dropped point
    // lies within tol of the 3D line from P to the candidate end and between them in XY.
    void Simplify(double tol);

    int count = 0;
    Node* head = nullptr;
    Node* tail = nullptr;
    CCLineCurve* next = nullptr;
    int main = 1;          // 1 main skeleton (and a single-point result), 0 branch
    double cap = -1;       // branch: height where it joins the main skeleton; -1 none
    double top[3] = {0, 0, 0};  // highest point of a branch
};

// Deletes the list of polylines chained through next.
void DeleteSkeleton(CCLineCurve* list);

// The skeleton of the loop and its islands: main polylines first, then branches (null
// when none). The loop's contours are refined in place (tiny sections absorbed). Reflex
// corners turning by more than 170 degrees (wideCorners non-zero) or 10 degrees (zero)
// get cones; flatter ones are mitered, and with wideCorners their bisectors belong to the
// skeleton. *maxRadius (may be null) receives the highest skeleton point's half width.
// A loop without islands whose contour is one full circle gives its centre.
CCLineCurve* BuildLoopSkeleton(CSmartLoop* loop, int wideCorners, float* maxRadius);

namespace skeleton_detail {
// The same with every facet tested in every search: the reference for the indexed search.
CCLineCurve* BuildLoopSkeletonPlain(CSmartLoop* loop, int wideCorners, float* maxRadius);
}  // namespace skeleton_detail
