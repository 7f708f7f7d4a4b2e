// Projection of 3D curves onto meshes in depth layers: each curve is discretised,
// dropped onto the drop-cutter model from below, optionally raised by the curve's own
// height, thinned and written once per layer, the members of one composite curve
// staying together as one composite output curve.
#pragma once

#include "platform/core/WinString.h"
#include "toolpath/milling/MillGen.h"

class CGeCurve3d;

// Parameters of the projection, passed by value.
struct DVN_FPROJECT {
    double depth = 0;      // total depth below the projected curves
    double step = 1;       // depth of one layer
    int addOwnHeight = 0;  // non-zero: each lifted point is raised by the curve's own height there
    int reserved = 0;
};

class CMsProject : public CMillGen {
public:
    CMsProject() = default;
    virtual ~CMsProject() = default;

    // The whole strategy: curves appended to out. Nothing for a null or empty mesh
    // list, curves beside the meshes or a cancel before writing. Without a tool the
    // curves are dropped as points (a ball of diameter 0), so they lie on the surface.
    virtual void GenPath(CGeMeshList* meshes, CGeGroup3d* curves, DVN_FPROJECT param, CTool* tool, CString title,
                         CGeGroup3d* out);
    // The curve's points at tol, densified at the model's check step, every point at
    // height z with w = the curve's own height there (0 without a tool); null for a
    // null curve. The caller owns it.
    CNcPline* DiscreteCurve(CGeCurve3d* curve, double tol, CTool* tool, double z);
    // Orders, links (distance 10) and writes the strings as one area; returns 1.
    int GenAreaPath(CNcPlineGrp& strings, CCheckModel* model, CTool* tool, CGeGroup3d* out);

    DVN_FPROJECT param;
};

// Number of layers for a depth and a layer step: 1 for a depth under 0.002, one not
// deeper than the step, or a step that is not positive; otherwise depth / step
// truncated.
int ProjectLayerCount(double depth, double step);
