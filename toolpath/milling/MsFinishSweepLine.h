// Raster finishing of meshes: scan lines along X through the machining regions (turned
// by the raster angle), each inside segment dropped onto the model at the check step
// and refined, the lifted strings grouped into areas, linked into zigzag passes and
// written as composite curves of 3D polylines. The lifting runs on all processors,
// one contiguous block of scan lines per thread.
#pragma once

#include "framework/pathwerk/ParamSrfFinish.h"
#include "toolpath/milling/MillGen.h"
#include "toolpath/milling/MillPrep.h"

#include <vector>

class CMsFinishSweepLine : public CMillGen {
public:
    CMsFinishSweepLine() = default;
    explicit CMsFinishSweepLine(const CParamSrfFinish& p) : param(p) {}
    virtual ~CMsFinishSweepLine() = default;

    // The whole strategy; composite curves are appended to out's curve list. Nothing
    // is written for a null or empty mesh list, a null tool, no settings object, a
    // model that cannot be built, meshes narrower than the tool, or a cancel.
    virtual void GenPath(CGeMeshList* meshes, CGeRegionList* regions, CParamSrfFinish* param, CTool* tool,
                         CGeGroup3d* out);

    // Lift every scan-line segment into strings, on one thread or on `threads` threads
    // (the same strings in the same order).
    void GenPlanePath(CNcPlineGrp& strings);
    void GenPlanePathMp(CNcPlineGrp& strings, int threads);
    // Groups, links and writes all strings: 0 when there are none, else 1.
    int SortPathByArea(CNcPlineGrp& strings, CCheckModel* model, CTool* callerTool, CGeGroup3d* out);
    // Orders, links (unless one-way) and writes the strings as one area; returns 1.
    int GenAreaPath(CNcPlineGrp& strings, CCheckModel* model, CTool* callerTool, CGeGroup3d* out);

    double top = 0;
    double bottom = 0;
    CParamSrfFinish param;
    BOX3<double> box{};
};

// Cuts every string at runs of two or more points where the tool met nothing.
void SplitAtNoContact(CNcPlineGrp& strings);

// Check step of raster finishing for a tool radius and the meshes' step limits.
double RasterCheckStep(double radius, CGeMeshList* meshes);
