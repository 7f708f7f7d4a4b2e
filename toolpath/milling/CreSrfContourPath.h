// Waterline finishing on the tool-centre model: at a series of heights the closed
// contours of the region where the model rises above the height, optionally clipped by a
// machining boundary, linked level by level into descending chains with ramp entries and
// connecting moves, returned as a database path group.
#pragma once

#include "platform/core/ObList.h"
#include "toolpath/milling/IntCurveSet.h"
#include "toolpath/milling/ProtectNet.h"

#include <vector>

class CDbPathGroup;
class CGeRegion;
class CMillCenter;
class CParamSrfFinish;
class CPathGroup;
class CQProgress;
class CSmartLoop;
class CTool;
struct DVN_CornerType;
struct DVN_CutAreaDef;

namespace srfcontour {
constexpr short kGroupKind = 302;
constexpr double kContourTol = 0.01;   // distance tolerance of the contour passes
constexpr double kContourCos = 5;      // ... and their angle, degrees
constexpr double kOutlineTol = 0.02;   // the model's outline
constexpr double kOutlineCos = 10;
constexpr double kCloseGap = 0.02;     // ends farther apart in XY get a closing point
constexpr double kSameArea = 1;        // neighbouring contours within this area are a run
constexpr double kFlatTol = 0.01;      // flat areas: curve tolerance
constexpr double kFlatCos = 10;        // ... and angle, degrees
constexpr double kSameHeight = 0.01;   // flat curves this close in height are pocketed together
constexpr double kFlatMaxLink = 50;    // linear pocketing of flat areas: longest boundary link
}  // namespace srfcontour

// The level loops without paths (ConstructLoops): per level its height and its loops.
struct CContrLoops {
    CContrLoops() = default;
    ~CContrLoops();
    CContrLoops(const CContrLoops&) = delete;
    CContrLoops& operator=(const CContrLoops&) = delete;
    int count = 0;
    std::vector<CSmartLoop*> loops;  // owned chains
    std::vector<double> heights;
};

class CCreSrfContourPath {
public:
    using RegionList = CTypedPtrList<CObList, CGeRegion*>;

    CCreSrfContourPath();
    ~CCreSrfContourPath();
    CCreSrfContourPath(const CCreSrfContourPath&) = delete;
    CCreSrfContourPath& operator=(const CCreSrfContourPath&) = delete;

    // A new database group (owned by the caller), or null for a null model or when the
    // levels or the net cannot be made.
    CDbPathGroup* CreateContourPath(CMillCenter* center, RegionList* regions, CParamSrfFinish& param,
                                    CQProgress* progress = nullptr);
    // The same as a path group (owned by the caller).
    CPathGroup* CreatePathGroup(CMillCenter* center, RegionList* regions, CParamSrfFinish& param,
                                CQProgress* progress = nullptr);
    // Flat-area finishing: the flat areas of the model pocketed at their heights (and, with
    // boundary records, the nearly level meshes), appended to out and ordered by nearest
    // start. 0 for a null model or a failed set-up. The caller's record is not written.
    int CreateFlatSurfPath(CMillCenter* center, CParamSrfFinish& param, CPathGroup& out);
    // The model's outline offset inward by the tool radius (owned by the caller), or null.
    // Works on levels and a net of its own: this object's are replaced.
    CSmartLoop* GenSurfBound(CMillCenter* center, DVN_CornerType& corner);
    // The level loops of this object's levels (after Create) without paths; 0 without a
    // tool or when out already holds loops.
    int ConstructLoops(CTool* tool, const double* tol, CContrLoops& out);

    // Steps. Floors reset, the range from the record and the net over the model's box
    // reaching down to the bottom (the model's box is not changed); 0 on failure.
    int SetUp(CMillCenter* model, const CParamSrfFinish& param, int fixed, double spacing);
    int Create(CTool* tool, const double* box, int fixed, double spacing);
    int GenContourPath(CTool* tool, CSmartLoop* boundary, CParamSrfFinish& param, CPathGroup& group,
                       CQProgress* progress = nullptr);
    void GenOneLayerLoop(CIntCurveSet* set, double tol, CPathGroup& group);
    void ProcBorder(CSmartLoop* boundary, const double* tol, CIntCurveSet* set, CPathGroup& group);
    int GenPathGroup(CParamSrfFinish& param, const double* tol, CPathGroup& out);
    void GetStartPnt(double* out, int corner) const;
    int GetLinkICS(int i, double link, double* p, int type, double rampLength, CIntCurveSet& chain);
    void GenPathCombine(CIntCurveSet& chain, int type, double linkSize, double rampLength, const double* tol,
                        CPathGroup& group);
    void GenPathCombine(CIntCurveSet& chain, int type, double linkSize, double rampLength, const double* tol,
                        const DVN_CutAreaDef& areaDef, CPathGroup& group);
    static void CombineSameLoop(int first, int last, double tol, const std::vector<double>& z, std::vector<int>& f);
    static void SeparateLoop(int first, int last, double tol, const std::vector<double>& z, std::vector<int>& f);
    void OrderPathCombByMinZ(CPathGroup& group) const;
    // Flat-area steps. Loops of flat curves carry their own curve's height.
    struct SFlatLoop {
        CSmartLoop* loop;
        double z;
    };
    int GenPlanePath(const CParamSrfFinish& param, CPathGroup& out);
    int GenPlanePath(const CParamSrfFinish& param, CSmartLoop* loops, double z, CPathGroup& out);
    // One loop per flat curve (descending heights), or none when a curve gives no single loop.
    std::vector<SFlatLoop> GenPlaneContour();
    void GenCntrPlanePath(const CParamSrfFinish& param, CSmartLoop* loop, double z, CPathGroup& out);
    void GenFlatSurfPath(const CParamSrfFinish& param, CPathGroup& out);

    unsigned char dropOuterLoop = 0;
    unsigned char ascendingOrder = 0;
    double step = 1.0;
    CProtectNet net;
    double box[6] = {0, 0, 0, 0, 0, 0};
    double zRange[2] = {0, 0};
    SLineArray levels;
    CMillCenter* center = nullptr;
};
