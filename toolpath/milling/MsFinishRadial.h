// Radial finishing of meshes: the machining regions become pocket loops (offset by
// the boundary allowance when there is one), their rays from the emit centre are
// turned into point strings, densified, dropped onto the model, linked from ray to
// ray where the gap is short, thinned and returned as a database path group.
#pragma once

#include "framework/pathwerk/ParamSrfFinish.h"
#include "toolpath/milling/MillGen.h"

class CDbPathGroup;
class CPathCombine;
class CPathGroup;
class CSmartLoop;

class CMsFinishRadial : public CMillGen {
public:
    CMsFinishRadial() = default;
    explicit CMsFinishRadial(const CParamSrfFinish& p) : param(p) {}
    virtual ~CMsFinishRadial() = default;

    // The whole strategy: a new path group owned by the caller (empty when every loop
    // vanishes under the boundary offset), or null for a null or empty mesh list, a
    // null tool, no settings object, a model that cannot be built, meshes narrower than
    // the tool or a cancel.
    CDbPathGroup* GenPath(CGeMeshList* meshes, CGeRegionList* regions, CParamSrfFinish* param, CTool* tool);
    // Builds, lifts, links and thins the rays of the loop chain into group: 0 for no
    // loops or when every offset loop vanishes, else 1.
    int CreateBoundEmit(CPathGroup& group, CCheckModel& model, CSmartLoop* loops);
    // 0 for an empty mesh list, else 1 (it produces no path).
    int CreateCutPathLib(CTool* tool, CGeMeshList& meshes, CNcPlineGrp& out);
    // 0 for a step angle or b under 0.0001 in size, else 1; adds nothing to out.
    int GenerateRadialPath(double a, double b, DVN_CutEmitDef& def, CNcPlineGrp& out);

    CParamSrfFinish param;
};

// Step of the radial and rotary strategies: the tool radius clamped to [0.5, 2] (0.5
// without a tool).
double RadialStep(const CTool* tool);
// One string per polyline, line and arc entity of the combine (arcs at 101 points).
void PathCombineToPlines(CNcPlineGrp& strings, CPathCombine& combine);
// Links consecutive rays: ends within 0.01 are made to meet, ends within gapLimit are
// joined by a connector lifted onto the model (inserted in front of the later ray), and
// with zigzag every second ray is reversed first. Empty strings are dropped.
void LinkRadialStrings(CNcPlineGrp& strings, CCheckModel* model, int zigzag, double gapLimit);
