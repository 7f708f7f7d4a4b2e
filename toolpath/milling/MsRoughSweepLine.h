// Raster roughing of meshes by Z levels: every scan-line segment is dropped onto the
// model once over the full cut depth, the lifted strings are cut into equal layers
// from the top down (a layer's pass follows the surface above the layer and runs flat
// at the layer elsewhere; only what dips below goes on to the next layer), and the
// layers are written area by area: an area of one layer, then at once what lies under
// it in the deeper layers, before the next area of the upper layer.
#pragma once

#include "framework/pathwerk/ParamSrfRough.h"
#include "toolpath/milling/MillGen.h"

#include <memory>

class CMsRoughSweepLine : public CMillGen {
public:
    CMsRoughSweepLine() = default;
    explicit CMsRoughSweepLine(const CParamSrfRough& p) : param(p) {}
    virtual ~CMsRoughSweepLine() = default;

    // The whole strategy; curves are appended to out. Nothing is written for a null or
    // empty mesh list, a null tool, no settings object, a down step below 0.01, a cut
    // depth that is not positive, a model that cannot be built, meshes narrower than
    // the tool, or a cancel before writing.
    virtual void GenPath(CGeMeshList* meshes, CGeRegionList* regions, CParamSrfRough* param, CTool* tool,
                         CGeGroup3d* out);

    // Lift the scan-line segments over the full depth (one thread or `threads`).
    void GenPlanePath(CNcPlineGrp& strings);
    void GenPlanePathMp(CNcPlineGrp& strings, int threads);
    // Cuts the lifted strings into `layers` (strings of layer k tagged k); the
    // strings are consumed. Nothing for a down step below 0.005 or a cut depth that
    // is not positive.
    void LayerAllPath(CNcPlineGrp& strings);
    // Writes the layers area by area: 0 without layers or on a cancel, else 1.
    int SortPathByArea(CCheckModel* model, CTool* callerTool, CGeGroup3d* out);
    // Writes them layer by layer, every layer linked; returns 1.
    int SortPathByDepth(CCheckModel* model, CTool* callerTool, CGeGroup3d* out);
    // Writes one area, then (recursively) the strings of layer nextLayer and below
    // lying under it: 1 when it found such strings, else 0 (also on a cancel).
    int GenAreaPath(CNcPlineGrp& area, CCheckModel* model, CTool* callerTool, int nextLayer, CGeGroup3d* out,
                    CQProgress& progress);
    // Moves the strings of `layer` lying under the area into out.
    int GetAreaPathInNextLayer(CNcPlineGrp& area, CTool* callerTool, int layer, CNcPlineGrp& out);
    // 1 when a string of the area on s's scan line spans s in X.
    static int IsSameAreaNextLayer(CNcPlineGrp& area, CNcPline* s);

    double top = 0;
    double bottom = 0;
    CParamSrfRough param;
    std::unique_ptr<CNcPlineGrp[]> layers;
    int layerCount = 0;

private:
    int totalStrings = 0;  // strings over all layers when writing began (progress unit)
};

// Cuts every string of rest at the plane z: the layer strings (rest raised to z, with
// the crossings) are appended to layer, and rest keeps only what lies below z.
void ClipGrp_Zplane(CNcPlineGrp& rest, CNcPlineGrp& layer, double z);
// Takes s's points out: returns the layer string (every point below z raised to z, the
// crossings of the plane added; null when s was empty) and appends every run below z,
// bounded by its crossings, to below. Both get s's lineId and tag.
CNcPline* ClipPLine_Zplane(CNcPlineGrp& below, CNcPline* s, double z);
