// The closed contour of the pocketing kernel: one owned closed curve with its islands and
// offset children, and the geometric queries and tree operations that turn loops into a
// pocket. Outer loops run counter-clockwise, islands clockwise; `area` is twice the
// signed area of the contour.
#pragma once

#include "platform/core/Containers.h"
#include "toolpath/contours/Containment.h"
#include "toolpath/contours/SmartCurve.h"

#include <cstdint>

struct DVN_CornerType;
struct DVN_CutLinearDef;
struct DVN_OrderType;
struct DVN_CutEmitDef;
struct DVN_CutFollowDef;
class CPathCombine;
class CSmartLPoint;

class CSmartLoop {
public:
    CSmartLoop() = default;
    // Deletes the contour, then each offset child, then each island.
    virtual ~CSmartLoop();
    // A loop owns its contour, islands and children: two loops sharing them would free
    // them twice. CopyLoop and CopyContour are the copies.
    CSmartLoop(const CSmartLoop&) = delete;
    CSmartLoop& operator=(const CSmartLoop&) = delete;

    // Construction and copies.
    // The rectangle p1 -> (p2.x, p1.y) -> p2 -> (p1.x, p2.y) -> p1 as contour; 1.
    int CreateLoop(const double* p1, const double* p2);
    // Same depth, box and area, a deep copy of the contour; no islands, children or links.
    CSmartLoop* CopyLoop();
    // CopyLoop with a CopyLoop of each island.
    CSmartLoop* CopyContour();
    // Installs c as contour (chained, area and box recomputed); returns the previous
    // contour, which the caller owns.
    CSmartCurve* UpdateSect(CSmartCurve* c);
    void SetHeight(double z) { depth = z; }
    CSmartLoop* GetIsland() const { return islands; }
    CSmartSect* GetSectHead() const { return contour ? contour->head : nullptr; }
    CSmartSect* GetSectTail() const { return contour ? contour->tail : nullptr; }
    // The section at index n/2 - 1 of n (the head when n/2 is 0); null without sections.
    CSmartSect* GetSectMid() const;

    // Geometry.
    // Twice the signed area of the closed contour (also stored); 0 without contour,
    // sections or closure.
    double Area();
    void DefineBox();
    // The smallest section distance; 1e12 without contour.
    double MinDistPoint(const double* p);
    // 0 outside, 1 inside, 2 on the contour; islands are not considered.
    int IsPointIn(const double* p);
    // 1 inside this loop and inside none of its islands.
    int IsPtOnContour(const double* p);
    // Containment in L with its islands: see the .cpp.
    int IsOnContour(CSmartLoop* L, const double* p);
    // 1 when L lies inside this loop (two test points, the second not in an island).
    int IsLoopOn(CSmartLoop* L);
    void RotateContour(double angle);
    void ReverseLoop(int negate);
    void ReverseContour(int negate);
    void SetContourInfo(double z, int fromSource);
    void SetBoundInfo(int flag);
    // Deletes the point lists of every section of this loop and its islands; 0 as soon
    // as a loop without contour is met.
    int InitBuffer();

    // Crossings with lines and circles (this loop, then its islands), bounded by max.
    unsigned GetYLineInt(double y, double (*pts)[2], CSmartSect** sects, unsigned max);
    unsigned GetYLineIntContour(double y, double (*pts)[2], unsigned max);
    static unsigned SortPointSect(double (*pts)[2], CSmartSect** sects, unsigned& n);
    unsigned GetLineInt(const double* a, const double* b, double (*pts)[2], CSmartSect** sects, unsigned max);
    unsigned GetCircleInt(const double* c, double r, double (*pts)[2], CSmartSect** sects, unsigned max);
    int GetCircleInt(const CSmartArc& arc, double (*out)[4], CSmartSect** sects, int max);
    int IsLineInt(CSmartLine& s);
    int IntSectContour(CSmartSect* s);
    // A detour along the contour around the obstacle the segment crosses (see the .cpp).
    int LineIntCurve(CSmartLine& s, CSmartCurve*& detour);
    int LoopLoopInt(CSmartLoop* L);
    int ContourContourInt(CSmartLoop* L);

    // Pocketing strategies (the emitted entities lie at z 0).
    // Parallel scan-line moves over this region shrunk by the allowance: one-way or
    // zigzag with boundary links and laps, then the boundary pass. Returns 1.
    int CreateLinearPath(CPathCombine& out, DVN_CutLinearDef& def, DVN_CornerType& corner, DVN_OrderType& order);
    // The moves of the scan points (see CreateLinearPath); the boundary pass runs on this
    // region. Returns 1.
    int ExtractLinearPath(CPathCombine& out, DVN_CutLinearDef& def, DVN_OrderType& order, CSmartLPoint* points);
    // Rays from def.centre clipped by this region: separate lines, or with flags bit 0
    // curves linked through a centre circle and along the boundary (runs up to 20).
    // No rays for a stepAngle of 0 or NaN. Returns 1.
    int CreateEmitPath(CPathCombine& out, DVN_CutEmitDef& def);
    // Emits the contour and every island at height z (contour first when contourFirst is
    // set); skips loops without sections, loops already lapped (head number negative)
    // when skipUsed is set and loops of |area| 9000000 and above. Returns 1.
    int ExtractCurve(CPathCombine& out, int skipUsed, int contourFirst, double z);
    // Contour-parallel pocketing (see FollowPath.h for the marks and links it uses).
    // The offsets of this region step apart, cut loop by loop with links into the inner
    // offsets and back; works on a copy (def is not changed). 0 at once for a step below
    // 1e-6 or not finite, else 1.
    int CreateFollowPath(CPathCombine& out, DVN_CutFollowDef& def, DVN_CornerType& corner, DVN_OrderType& order);
    int FollowContour(DVN_CutFollowDef& def, DVN_CornerType& corner, int maxLevel);
    // The offset hierarchy below this loop (maxLevel < 0: unlimited): each loop gets its
    // next-inner offsets as children, depth first. 0 (nothing built) for a step below
    // 1e-6 or not finite, else 1.
    int FollowContour(int type, double step, DVN_CornerType& corner, int maxLevel, double percentage);
    // New loops one step inside this loop and its islands, or null.
    CSmartLoop* FollowPath(int type, double step, DVN_CornerType& corner);
    // The connection point on s for p (the foot on s, else its nearer end, which marks s
    // 0x04 or 0x08); 0 for a null s, else 1.
    int CreateConnectPoint(CSmartSect* s, const double* p, double* out);
    int GetFirstCntSect(CSmartSect*& s);
    CSmartSect* GetBeginSect();
    void UpdateConnectPoint(const double* a, const double* b);
    void BreakConnectPoint();
    int ConnectFollowChild();
    int ConnectAllChild();
    void ConnectMiddleChild();
    void ConnectMiddleIsland();
    void ConnectOuterIsland();
    void ConnectFollowIsland();
    void ConnectFollowPath(int type, int flags);
    int ExtractFollowPath(CPathCombine& out, DVN_CutFollowDef& def, DVN_OrderType& order);
    int LoopToSect(CPathCombine& out, int type);
    int ExtractCutinPath(int type, int flags, CSmartCurve* curve, CSmartSect* s, CSmartSect* start, CSmartLoop*& cur,
                         CSmartLoop*& next);
    int ExtractDeburyPath(int type, int flags, CSmartCurve* curve, CSmartSect* s, CSmartSect* start, CSmartLoop*& cur,
                          CSmartLoop*& next);
    CSmartLoop* GetFirstLoop(int type);
    CSmartLoop* GetNextLoop(const double* p, int type);
    CSmartLoop* FindExportChild();
    CSmartLoop* FindExportIsland();
    // After ConnectAllChild: the whole offset tree in one curve.
    int ExtractAllChild(CPathCombine& out, int flags);
    // The contour, then each child nearest first, joined by lines; the children are deleted.
    int ExtractAllCurve(CPathCombine& out, double* pt, double* scratch);
    // Links.
    int AddIsland(CSmartLoop* L);
    int RemoveIsland(CSmartLoop* L);
    int AddChild(CSmartLoop* L);
    int RemoveChild(CSmartLoop* L);
    int DeleteChild(CSmartLoop* L);
    int InsertNewLoop(CSmartLoop* L);
    // Deletes every loop of the sibling chain that starts at head; head becomes null.
    static void DeleteLoopChain(CSmartLoop*& head);
    // Mode 2: this loop then its islands; other modes: the islands then this loop.
    int ExtractAllLoop(int mode, CArray<CSmartLoop*, CSmartLoop*>& out);
    CSmartLoop* ExtractContour(int keepAll);
    void ResortIsland(CSmartLoop** scratch);
    static CSmartLoop* SortByDist(CSmartLoop* chain);
    static CSmartLoop* SortByDist(CSmartLoop** arr, int n);
    static CSmartLoop* ResortContour(CSmartLoop* chain, int mode, int keep);

    // Offsets. Results are new chains; the source tree is left as found (mode 2 reverses it
    // for the time of the call). Outer results run counter-clockwise except those of
    // OffsetContourList in mode 2, which run clockwise while keeping a positive area.
    // The contour offset by d to the left of each section (inward for an outer loop),
    // islands ignored; a copy for d < 1e-6 (NaN too); null without contour.
    CSmartLoop* OffsetLoop(double d, DVN_CornerType& corner);
    // The union of the islands grown by d, as positive loops with islands.
    CSmartLoop* OffsetIsland(double d, DVN_CornerType& corner, unsigned tagBase);
    // mode 0: inward by d1 minus the islands grown by d2; mode 2: outward by d1 minus the
    // islands shrunk by d2; other modes: a copy with islands. d2 < 0 means d1.
    CSmartLoop* OffsetContour(int mode, double d1, double d2, DVN_CornerType& corner);
    // OffsetContour of every loop of the chain, joined; mode 2 results welded.
    static CSmartLoop* OffsetContourList(CSmartLoop* chain, int mode, const double* d, DVN_CornerType& corner);

    // Booleans. A top-level loop of non-positive area holds no point. Loops with equal tags
    // are not cut at each other's crossings.
    // Loose loops ordered into positive outer loops with islands (loops reused; those
    // below 1e-8 deleted).
    static CSmartLoop* BuildContour(CSmartLoop* chain);
    // Loops of different tags cut at their crossings and re-formed with the others into
    // outer loops with islands.
    static CSmartLoop* ClipLoops(CSmartLoop* chain);
    // Union; consumes the chain (a single loop comes back as it is).
    static CSmartLoop* WeldContours(CSmartLoop* chain);
    // Intersection of the runs of equal tags; consumes the chain.
    static CSmartLoop* IntersectLoop(CSmartLoop* chain);
    // a minus b; consumes both (a comes back untouched when b is null).
    static CSmartLoop* SubtractContours(CSmartLoop* a, CSmartLoop* b);
    // Pieces (chained through next) of this loop and its islands, cut at the intersection
    // points of their sections.
    CSmartCurve* ContourBreak();
    // Appends the sibling chain `chain` at the end of the chain that starts at head.
    static void AppendChain(CSmartLoop*& head, CSmartLoop* chain);

    double depth = 0.0;
    double box[2][3] = {{0, 0, 0}, {0, 0, 0}};
    CSmartCurve* contour = nullptr;  // owned
    double area = 0.0;
    CSmartLoop* next = nullptr;
    CSmartLoop* prev = nullptr;
    CSmartLoop* queue = nullptr;
    CSmartLoop* islands = nullptr;   // owned chain
    CSmartLoop* parent = nullptr;
    CSmartLoop* children = nullptr;  // owned chain
    int tag = 0;
    int level = -1;
    double connectA[2] = {1e10, 1e10};
    double connectB[2] = {1e10, 1e10};
    std::uint8_t flags = 0;
};
