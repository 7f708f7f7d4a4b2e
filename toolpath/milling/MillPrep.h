// Steps the mesh strategies share around CMillGen: the grown mesh box, the machining
// regions, turning model and regions for a raster angle and the output back, and the
// lifting of every scan-line segment onto the model on one or several threads.
#pragma once

#include "framework/widgra/Progress.h"
#include "toolpath/milling/MillGen.h"

// The progress object of one generation, published in gen.progress for its lifetime.
class GenProgress {
public:
    explicit GenProgress(CMillGen& g) : gen(g) { gen.progress = &prog; }
    ~GenProgress() { gen.progress = nullptr; }
    GenProgress(const GenProgress&) = delete;
    GenProgress& operator=(const GenProgress&) = delete;
    void SetRange(double share) { prog.SetRange(share); }
    CQProgress& Get() { return prog; }

private:
    CMillGen& gen;
    CQProgress prog;
};

// The meshes' union box grown by half the tool diameter in X and Y: false when its
// width or height (in single precision) is less than the diameter.
bool GrownMeshBox(CGeMeshList* meshes, float toolDia, BOX3<double>& box);
// Moves the caller's regions into gen.regions (the caller's list comes back empty) or,
// when it gives none, adds the rectangle of the box; true when the caller gave regions.
bool TakeRegions(CMillGen& gen, CGeRegionList* callerRegions, const BOX3<double>& box);
// A raster angle above 0.01 degrees turns the model and the regions by -angle.
void TurnForAngle(CMillGen& gen, int angle);
// Turns the curves of out from index `first` on by +angle about the origin (angle above
// 0.01 degrees), so that what the group held before stays as it was.
void TurnBackOutput(CGeGroup3d* out, INT_PTR first, int angle);

// How a strategy lifts its scan lines: the lifting tolerance, the progress shares (of
// building the lines; of all lines together) and whether a cancel right after building
// ends the lifting.
struct ScanLift {
    double tol;
    double buildShare;
    double linesShare;
    bool cancelAfterBuild;
};
// Builds the scan lines and lifts every inside segment from `bottom` onto the model,
// line i's strings with lineId i, in line order then segment order. threads 0 runs on
// the caller's thread; n > 0 lifts the lines on n threads, each taking the next free line.
void LiftScanLines(CMillGen& gen, double bottom, const ScanLift& how, int threads, CNcPlineGrp& strings);

