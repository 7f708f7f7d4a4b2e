#pragma once
// Rolling-ball fillets and chamfers between two sets of trimmed surfaces. Every
// surface is offset by the radius (or, for a chamfer, by its set's distance)
// towards its chosen side; the offset surfaces of the two sets are intersected
// into spine curves (the path of the ball centre); a section is swept along every
// spine curve (a circular arc between the two contact points, or a straight line
// for a chamfer) into a lofted NURBS surface, through only as many of the spine
// samples' sections as keep it within kFilletFitTol of all of them; and, when
// asked, the input surfaces are trimmed back along the contact curves.
//
// Every input surface must carry its kernel surface record. A run sets the
// kernel's subdivision and trace triples from the application's settings and
// leaves them set; no other use of the surface kernel may run at the same time.
// Spine breaks at the trim boundaries of the input surfaces are not made: each
// spine curve gives one whole piece.

#include "geometry/shapes3d/GeTrimSurf.h"
#include "platform/core/ObList.h"
#include "toolpath/surfkernel/SurfaceIntersect.h"

inline constexpr double kFilletMinRadius = 1e-6;
inline constexpr double kFilletBoxTol = 1e-6;
inline constexpr double kFilletLoopMargin = 0.1;       // of the surface's UV width, around the first loop
inline constexpr double kFilletPointSection = 1e-6;    // a spine point this near its contact gives a point section
inline constexpr double kFilletLoftTol = 0.0001;
inline constexpr double kFilletKnotRemovalTol = 0.0015;
// The lofted surface keeps only the sections it needs to stay within this of the
// exact section at every sample between them.
inline constexpr double kFilletFitTol = 0.0001;
inline constexpr double kFilletSeedTurn = 0.2;  // spine tangent turn (radians) between first kept sections
inline constexpr int kFilletGapChecks = 7;       // samples checked between two kept sections
inline constexpr int kFilletCheckPoints = 5;     // points checked along a section
inline constexpr int kFilletFootSteps = 8;       // Gauss-Newton steps to the foot of a checked point
inline constexpr double kFilletSideStep = 0.5;         // largest step off a contact point for the side test
inline constexpr double kFilletSideMinRadius = 0.001;

// One input surface of a set with its working data.
struct SrfFilletEntry {
    CGeTrimSurf* surf = nullptr;
    int side = 0;  // 0 offsets along the surface normal, non-zero against it
    int done = 0;  // 1 once trimmed
    SURFACE* base = nullptr;  // the surface's own kernel record
    CTypedPtrList<CObList, CGeTrimLoop*>* loops = nullptr;
    double uv[4] = {};        // working UV box
    _param U{}, V{};
    BOX3<double> box{};       // grown by the offset distance
    SURFACE* offset = nullptr;  // type 29, owned; null without an offset
    SSI_SUBDIV* subdiv = nullptr;
    SrfFilletEntry* next = nullptr;
    SrfFilletEntry* prev = nullptr;

    // The record that is intersected: the offset, or the base without one.
    SURFACE* Working() const { return offset ? offset : base; }
};

// One spine curve or piece of the curve list.
struct SrfCurvePiece {
    SrfCurvePiece* prev = nullptr;
    SrfCurvePiece* next = nullptr;
    int zero = 0;
    ECRV_INTCUR* curve = nullptr;  // owned
    double one = 1.0;
};

class CSrfFilletSolver {
public:
    CSrfFilletSolver();
    // Frees the entries, their offset records (bases stay with their surfaces) and
    // the curve list.
    virtual ~CSrfFilletSolver();
    CSrfFilletSolver(const CSrfFilletSolver&) = delete;
    CSrfFilletSolver& operator=(const CSrfFilletSolver&) = delete;

    // Both sets non-empty and the radius at least 1e-6.
    virtual int IsValid();

    // Appends a surface with its side to the first (second) set; 0 for null.
    int AddFirst(CGeTrimSurf* surf, int side);
    int AddSecond(CGeTrimSurf* surf, int side);

    // The fillet surfaces, then (by the trim flags) the trimmed pieces of the first
    // and the second set, appended to result. 1 when result is not empty afterwards;
    // 0 and result unchanged when the input is invalid or a surface cannot be prepared.
    int SrfFillet(CTypedPtrList<CObList, CGeTrimSurf*>* result);

    SrfFilletEntry* first = nullptr;
    SrfFilletEntry* second = nullptr;
    int trimFirst = 0;
    int trimSecond = 0;
    int extend = 0;
    double radius = 0.0;
    SrfCurvePiece* curves = nullptr;

protected:
    // The run with the offset distance of each set and the kind of section.
    int Run(CTypedPtrList<CObList, CGeTrimSurf*>* result, double firstDist, double secondDist, bool chamfer);
    void FreeCurves();
};

class CSrfChamferSolver : public CSrfFilletSolver {
public:
    // Both sets non-empty and both distances at least 1e-6.
    int IsValid() override;
    // As SrfFillet with straight sections between the contact points of the first
    // and the second distance.
    int SrfChamfer(CTypedPtrList<CObList, CGeTrimSurf*>* result);

    double firstDist = 0.0;
    double secondDist = 0.0;
};
