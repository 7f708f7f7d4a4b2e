// The common part of the mesh strategies that lift onto the drop-cutter model: the
// machining regions, the model, the strategy's own tool copy, the scan lines and the
// step-over, and the helpers they share: building the model, scan lines, grouping
// lifted strings into areas and ordering them, zigzag linking through lifted
// connectors, lifting string lists and writing strings into a 3D curve group.
#pragma once

#include "framework/numerak/Box.h"
#include "framework/pathwerk/PocketLine.h"
#include "platform/core/ObList.h"
#include "toolpath/contours/NcPline.h"

#include <vector>

class CCheckModel;
class CGeGroup3d;
class CGeMesh;
class CGeRegion;
class CQProgress;
class CTool;

using CGeMeshList = CTypedPtrList<CObList, CGeMesh*>;
using CGeRegionList = CTypedPtrList<CObList, CGeRegion*>;

class CMillGen {
public:
    CMillGen() = default;
    // Deletes the model, the tool copy, the scan lines and the regions.
    ~CMillGen();
    CMillGen(const CMillGen&) = delete;
    CMillGen& operator=(const CMillGen&) = delete;

    // Builds `model` from the meshes, each a copy inflated by the allowance when it is
    // above 0.01: 1, or 0 for a null or empty list or a mesh that cannot be used (the
    // model then keeps the meshes built before it; the failed one is freed).
    int BuildCheckModel(CGeMeshList* meshes, double allowance);
    // The same with the meshes inflated radially about the X axis (rotary strategies).
    int BuildRotaryCheckModel(CGeMeshList* meshes, double allowance);
    // Fills scanLines from the regions at stepOver (lines along X, border flag 1).
    void BuildScanLines();
    // Deletes every scan line; the vector keeps its length.
    void FreeScanLines();
    // Moves into the area every remaining string that touches it (see the .cpp).
    void GrowArea(BOX3<double>& areaBox, CNcPlineGrp& area, CNcPlineGrp& remaining, CTool* callerTool);
    // 1 when the candidate lies near a string of the area on a neighbouring scan line.
    int IsNearArea(CNcPlineGrp& area, CTool* callerTool, CNcPline* candidate);

    CGeRegionList regions;
    CCheckModel* model = nullptr;
    CTool* tool = nullptr;
    std::vector<CScanLine*> scanLines;
    double stepOver = 0;
    CQProgress* progress = nullptr;  // the running generation's progress, or null

private:
    int BuildModel(CGeMeshList* meshes, double allowance, bool radial);
};

// Union of the boxes of the meshes of a non-empty list into box (untouched otherwise).
void MeshListBox(CGeMeshList* meshes, BOX3<double>& box);
// Box of the list = union of its strings' boxes.
void PlineGrpCalcBox(CNcPlineGrp& list);
// Lifts every string onto the model (marked in its XY box); returns 1.
int LiftStringsOnModel(double tol, CNcPlineGrp& list, CCheckModel* model);
// Squared XY distance of p from segment a-b in out: 1, or 0 for a segment under 1e-5.
int SegPointDist2XY(const double* a, const double* b, const double* p, double& out);
// Orders the strings by scan line and, within a line, by X.
void OrderAreaByLines(CNcPlineGrp& area);
// Moves every string of from to the tail of to, in order.
void MoveStrings(CNcPlineList& from, CNcPlineList& to);
// Moves the head string and the strings right after it with the same lineId.
void TakeLineStrings(CNcPlineList& from, CNcPlineList& to);
// Removes and returns the string whose end points have the smallest x.
CNcPline* ExtractMinXString(CNcPlineList& list);
void SortLineByX(CNcPlineList& list);
// Joins the strings of an ordered area into zigzag passes through lifted
// connectors; returns 1.
int LinkAreaStrings(CCheckModel* model, CNcPlineGrp& area, double linkDist);
// Writes the strings as composite curves of 3D polylines into the group; returns 1.
int PlinesToGroup3d(CNcPlineList& strings, CGeGroup3d* group);
