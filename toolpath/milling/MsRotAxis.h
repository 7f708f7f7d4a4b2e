// Rotary-axis (fourth axis) machining of meshes turned about the X axis. The meshes
// are inflated radially and put into the drop-cutter model; the model is turned step
// by step and lines of points along X (or circles round X) are lifted onto it, the
// heights being radii from the axis. Patterns: along (lines parallel to X at
// successive angles), around (circles at x stations), helix (one screw line) and
// around-4D (circles whose tool axis follows the part's section). The result is
// wrapped back round the axis, or left unwrapped (y = arc length at the stock radius)
// and cut into radial layers, and returned as a database path group.
#pragma once

#include "framework/pathwerk/ParamRotAxis.h"
#include "toolpath/milling/MillGen.h"

class CDbPathGroup;
class CPathCombine;
class CPathGroup;

class CMsRotAxis : public CMillGen {
public:
    CMsRotAxis() = default;
    explicit CMsRotAxis(const CParamRotAxis& p) : param(p) {}
    virtual ~CMsRotAxis() = default;

    // A new path group owned by the caller, or null for a null or empty mesh list, a
    // null tool, no settings object, a model without meshes, a pattern that fails
    // (no stations, no samples, a string that cannot be lifted) or a cancel. Without
    // a pattern flag the group is empty.
    CDbPathGroup* GenPath(CGeMeshList* meshes, CParamRotAxis* param, CTool* tool);

    // The patterns: 1 with the pattern appended to the group, 0 on failure or cancel.
    int CreateRotatePathAlong(double step, CTool* toolCopy, CPathGroup& group);
    int CreateRotatePathAround(double step, CTool* toolCopy, CPathGroup& group);
    int CreateRotatePathHelix(double step, CTool* toolCopy, CPathGroup& group);
    int CreateRotatePathAround4D(double step, CTool* toolCopy, CPathGroup& group);
    // Cuts unwrapped strings into radial layers from the stock max radius down, one
    // combine per layer (wrapped), the rest last; consumes the strings. 0 for a down
    // step below 0.002, no strings or a cancel.
    int LayerAllPath(CPathGroup& out, CNcPlineGrp& strings);
    // Joins the strings into one, end to start, through two points at the higher end
    // height plus lift; a joining move that would cut the part (a radial drop along it
    // finds the part farther out) goes out to the stock max radius plus the join lift,
    // round at that radius and back down instead.
    void ChainStringsLifted(CNcPlineGrp& strings, double lift);

    CParamRotAxis param;

private:
    // The output transform of a lifted point at angle theta from the pattern's start.
    void Transform(CNcPoint& p, double theta, double floor) const;
    // Whether the polyline through the points would cut the part, and the route round
    // it at the top radius from a to b (a and b excluded).
    bool MoveCuts(const std::vector<const CNcPoint*>& pts);
    std::vector<CNcPoint*> RouteOver(const CNcPoint& a, const CNcPoint& b) const;
    // Part radius (CL radius of the tool) at x and at the output angle theta.
    double PartRadius(double x, double theta);
    // Joins the strings, then layers them or appends them as one combine.
    int Finish(CNcPlineGrp& strings, CPathGroup& group, bool layer);
    int Stations(double step, std::vector<double>& xs, bool atLeastTwo) const;

    double startTurn = 0;  // the model's turn before the pattern's first sample
};

// Angular samples over a span of |span| radians: |span| / (2 acos((R - 10 tol) / R))
// truncated and clamped into [lo, hi] (the upper end when the chord angle is 0: R or
// tol not positive) and truncated; 0 for a zero span or hi < 1.
int RotarySampleCount(double span, double partRadius, double tol, double lo, double hi);
// Joins strings whose ends lie within J, nearest pair first, through two points lifted
// by lift (reversing the joined string where needed).
void JoinNearestStrings(CNcPlineGrp& list, double J, double lift);
// Adds every string to the combine; whether any was added.
int PlineGrpToPathCombine(CNcPlineGrp& strings, CPathCombine& combine);
void WrapPlineGrp(double r, CNcPlineGrp& strings);
