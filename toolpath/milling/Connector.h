// Connecting moves between the consecutive entities of a path combine on the tool-centre
// model: stepped, straight, loop and smooth shapes as NC point strings, checked against
// the model along their whole length; a shape that would cut the model falls back to a
// simpler one, and a straight or stepped move that still cuts it follows the model
// instead (its projection onto the model).
#pragma once

class CMillCenter;
class CNcPline;
class CPathCombine;
class CPathPLine3D;
class CQProgress;
struct _arc;

namespace connector {

constexpr int kStepped = 0;  // rise or move level first, then the other leg
constexpr int kLine = 1;     // straight
constexpr int kLoop = 2;     // left half turn, then smooth; falls back to stepped
constexpr int kSmooth = 3;   // two quadratic Bezier halves; falls back to straight

constexpr double kSnap = 0.01;          // entity ends closer than this (3D) are snapped
constexpr double kTurnTol = 1e-8;       // shorter directions give no turn
constexpr double kUnitTol = 1e-6;       // shorter directions cannot be made unit
constexpr double kArcStep = 0.17453292519943295;  // arc sampling: pi / 18
constexpr double kCheckStep = 0.2;      // a connector is checked at least this often (XY)
constexpr int kCheckRun = 16;           // checked points marked together

}  // namespace connector

// Shape builders: new strings owned by the caller (contact 0, second height = z), null
// when no shape results. a is the previous end, b the next start.
// a, m, b with m = (a.x, a.y, b.z) when b is higher, else (b.x, b.y, a.z).
CNcPline* ConnectorStepped(const double* a, const double* b);
// a, b.
CNcPline* ConnectorLine(const double* a, const double* b);
// a, nine points of the quadratic Bezier a, a + s d1, M, nine of M, b - s d2, b, then b
// (twenty points); M is the middle of the two control points. d1 leaves a, d2 enters b.
CNcPline* ConnectorSmooth(const double* d1, const double* d2, const double* a, const double* b, double s);
// A left half turn of radius r = max(s, XY distance a-b) leaving a along d1 at a's height
// (to P1 = a + 2r p, p = d1 turned left), then the smooth shape from P1 (direction -d1)
// into b (direction d2) with half the XY distance P1-b as scale. Null when d1 has no XY
// direction or the arc cannot be made.
CNcPline* ConnectorLoop(const double* d2, const double* a, const double* b, const double* d1, double s);
// The arc's points from angle 0 to its sweep in n = int(sweep / (pi/18) + 1) equal steps
// (n + 1 points); null for a null arc.
CNcPline* ArcPoints(const _arc* arc);

// The connector of the mode (0 to 3; any other gives null) from prevEnd (direction
// prevDir) to next (direction nextDir), checked against the model (none without a
// model), with a point at prevEnd put in front and one at next appended. Mode 2 turning
// clockwise builds the smooth shape. A loop or smooth shape that would cut the model is
// replaced by the stepped or straight one; a stepped or straight one that would cut it
// by the model's drop along the line from prevEnd to next.
CNcPline* ConnectorPoints(CMillCenter* model, const double* next, const double* prevDir, const double* nextDir,
                          double size, int mode, const double* prevEnd);
// The same as a new polyline entity (type 500) of the string's points, or null.
CPathPLine3D* ConnectorToPolyline(CMillCenter* model, const double* next, const double* prevDir,
                                  const double* nextDir, double size, int mode, const double* prevEnd);

// Bridges every gap of more than 0.01 between consecutive entities of the combine with a
// connector inserted after the first of them (its ends set to the heights of the gap's
// ends); closer ends are snapped (a line's start or a polyline's first point moved onto
// the previous end). One progress step of 1/(pairs) per pair when progress is given.
// 1, or 0 for a null or empty combine.
int LinkCombineEntities(CMillCenter* model, double size, int mode, CPathCombine* combine,
                        CQProgress* progress = nullptr);
