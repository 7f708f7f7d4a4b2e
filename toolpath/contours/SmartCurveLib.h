// A pool of open and closed curves that arrive piece by piece: loose sections attached
// to the curve ends they meet, curves chained end to end, intersected, split and clipped
// against the pool's closed curves, and walked into closed loops.
#pragma once

class CSmartCurve;
class CSmartLoop;
class CSmartSect;

class CSmartCurveLib {
public:
    CSmartCurveLib() = default;
    // Deletes every curve.
    ~CSmartCurveLib();
    // The pool owns its curves: copies would free them twice.
    CSmartCurveLib(const CSmartCurveLib&) = delete;
    CSmartCurveLib& operator=(const CSmartCurveLib&) = delete;

    void DeleteAllCurves();
    // Hands the whole chain to the caller; the pool is left empty.
    CSmartCurve* RemoveAll();
    // Appends a chain of curves (linked through next).
    void AddCurves(CSmartCurve* chain);
    // Unlinks c (its next cleared); DeleteCurve deletes it as well.
    void RemoveCurve(CSmartCurve* c);
    void DeleteCurve(CSmartCurve* c);

    // Attaches a loose section to a curve end within 0.001 (mode -1 both ends and
    // merging of the curves it bridges, 1 only in front, 2 only behind), else starts a
    // new curve with it.
    void AppendSect(CSmartSect* s, int mode);
    // Attaches to the nearer of a curve's free ends within tol (closed curves skipped).
    void AppendSectEx(CSmartSect* s, double tol);
    // Chains open curves end to start within tol (never reversed).
    void ConnectCurve(double tol);
    // Joins curves at any ends within tol, reversing as needed, into the earlier one.
    void ConnectSingleCurve(double tol);
    // The first curve whose end lies within 1e-6 of p and does not turn back on dir.
    CSmartCurve* GetClosedCurve(const double* p, const double* dir);
    // The curve starting at p that turns most to the left from dir.
    CSmartCurve* GetOptimalCurve(const double* p, const double* dir);
    // Walks the pool into closed loops (chained, the first returned); the pool ends empty.
    // What cannot close goes to rest (with depth 0.02), or is deleted when rest is null.
    CSmartLoop* FormLoop(CSmartCurveLib* rest);
    // Intersection points of every overlapping pair of sections of a and b added to
    // both; 1 when any.
    static int CurveCurveIntEx(CSmartCurve& a, CSmartCurve& b);
    // Every curve cut at its own and the others' crossings. Returns 1.
    int AutoInteDepart();
    // The curves cut at their crossings, pieces inside another closed curve, closed
    // pieces and pieces holding or meeting cutting sections (index -1) dropped, the rest
    // walked into loops.
    CSmartLoop* ClipAllCurve(CSmartCurveLib* rest);
    // 1 when p lies strictly inside a curve of the pool whose state is set.
    int IsPointOn(const double* p);

    CSmartCurve* head = nullptr;
    CSmartCurve* tail = nullptr;
    int count = 0;

private:
    // After s (ends S, E) grew `grown` at its front (or back): the first curve from
    // `from` on whose end meets S (start meets E) within tol is joined in travel order.
    void JoinFollower(CSmartCurve* grown, bool front, const double* S, const double* E, double tol, CSmartCurve* from,
                      bool skipClosed);
};

// 1 inside, 2 on, 0 outside the closed curve c.
int PointInCurve(const double* p, CSmartCurve* c);
// 0 when piece p meets a cutting section (index -1) of c, else 1.
int PieceCrossesCut(CSmartCurve* p, CSmartCurve* c);
