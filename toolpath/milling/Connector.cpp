#include "toolpath/milling/Connector.h"

#include "framework/numerak/QvMem.h"
#include "framework/widgra/Progress.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/contours/PathEntity.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/milling/CentreConst.h"
#include "toolpath/milling/MillCenter.h"
#include "toolpath/surfkernel/KernelArc.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace connector;

constexpr double kGouge = 0.05;       // a point this far under the model cuts it
constexpr double kMarkTol = 0.0001;   // marks of the checked points
constexpr int kMaxCheckParts = 10000;  // most check points per segment of a shape

using String = std::unique_ptr<CNcPline>;

String StringOf(const std::vector<Pnt3>& pts)
{
    String s = std::make_unique<CNcPline>();
    for (const Pnt3& p : pts)
        s->AddTail(p.data());
    return s;
}

std::vector<Pnt3> PointsOf(const CNcPline& s)
{
    std::vector<Pnt3> pts;
    pts.reserve(size_t(s.GetCount()));
    for (POSITION pos = s.GetHeadPosition(); pos;) {
        const CNcPoint* p = s.GetNext(pos);
        pts.push_back({p->x, p->y, p->z});
    }
    return pts;
}

// The shape with points added so that no segment is longer than kCheckStep in XY.
std::vector<Pnt3> Densified(const std::vector<Pnt3>& pts)
{
    std::vector<Pnt3> out;
    for (size_t i = 0; i < pts.size(); ++i) {
        if (i > 0) {
            const Pnt3& p = pts[i - 1];
            const Pnt3& q = pts[i];
            const double d = std::hypot(q[0] - p[0], q[1] - p[1]);
            const int k = int(std::min(std::ceil(d / kCheckStep), double(kMaxCheckParts)));
            for (int j = 1; j < k; ++j) {
                const double t = double(j) / k;
                out.push_back({p[0] + t * (q[0] - p[0]), p[1] + t * (q[1] - p[1]), p[2] + t * (q[2] - p[2])});
            }
        }
        out.push_back(pts[i]);
    }
    return out;
}

// The shape's check against the model: every interior point, and points between them at
// least every kCheckStep, dropped onto the model. False when one rises by more than
// kGouge (the move would cut the model). Points raised by less are kept raised: the
// shape then becomes the densified one. The points are marked in runs (the drop of a
// point is the same for any marks that hold its own, and marking scans the model).
bool ClearsModel(CMillCenter* model, String& shape)
{
    if (!model)
        return true;
    const std::vector<Pnt3> given = PointsOf(*shape);
    std::vector<Pnt3> pts = Densified(given);
    bool raised = false;
    for (size_t i = 1; i + 1 < pts.size(); i += kCheckRun) {
        const size_t end = std::min(i + kCheckRun, pts.size() - 1);
        double pane[2][2] = {{pts[i][0], pts[i][1]}, {pts[i][0], pts[i][1]}};
        for (size_t j = i; j < end; ++j)
            for (int c = 0; c < 2; ++c) {
                pane[0][c] = std::min(pane[0][c], pts[j][size_t(c)]);
                pane[1][c] = std::max(pane[1][c], pts[j][size_t(c)]);
            }
        model->DefineMarkedPane(pane, kMarkTol);
        for (size_t j = i; j < end; ++j) {
            double p[3] = {pts[j][0], pts[j][1], pts[j][2]};
            model->ProjPntOnMdl(p);
            if (p[2] - pts[j][2] > kGouge)
                return false;
            if (p[2] > pts[j][2]) {
                pts[j][2] = p[2];
                raised = true;
            }
        }
    }
    if (raised)
        shape = StringOf(pts);
    return true;
}

// The straight move from a to b replaced by the model's drop along it (thinned). Where
// no piece of the model lies under it the drop finds nothing and leaves the point far
// under the model; such points keep the straight move's height (nothing is there to cut).
String Projected(CMillCenter* model, const double* a, const double* b)
{
    String s(ConnectorLine(a, b));
    const double pane[2][2] = {{std::min(a[0], b[0]), std::min(a[1], b[1])},
                               {std::max(a[0], b[0]), std::max(a[1], b[1])}};
    model->DefineMarkedPane(pane, kMarkTol);
    model->ProjCutPath(s.get(), s->GetHead(), s->GetTail(), 0);
    const double uncovered = model->box[2] - centre::kBelowFloor / 2;
    const double len = std::hypot(b[0] - a[0], b[1] - a[1]);
    bool changed = false;
    std::vector<Pnt3> pts = PointsOf(*s);
    for (size_t i = 1; i + 1 < pts.size(); ++i)
        if (pts[i][2] < uncovered && len > 0) {
            const double t = std::hypot(pts[i][0] - a[0], pts[i][1] - a[1]) / len;
            pts[i][2] = a[2] + t * (b[2] - a[2]);
            changed = true;
        }
    return changed ? StringOf(pts) : std::move(s);
}

// True when the XY turn from u to v is clockwise (negative signed angle); directions
// shorter than kTurnTol give no turn.
bool TurnsClockwise(const double* u, const double* v)
{
    if (std::hypot(u[0], u[1]) < kTurnTol || std::hypot(v[0], v[1]) < kTurnTol)
        return false;
    return std::atan2(u[0] * v[1] - u[1] * v[0], u[0] * v[0] + u[1] * v[1]) < 0;
}

Pnt3 Bezier(const Pnt3& p0, const Pnt3& p1, const Pnt3& p2, double t)
{
    const double u = 1 - t;
    Pnt3 r;
    for (size_t i = 0; i < 3; ++i)
        r[i] = u * u * p0[i] + 2 * u * t * p1[i] + t * t * p2[i];
    return r;
}

}  // namespace

CNcPline* ConnectorStepped(const double* a, const double* b)
{
    const Pnt3 m = b[2] > a[2] ? Pnt3{a[0], a[1], b[2]} : Pnt3{b[0], b[1], a[2]};
    return StringOf({{a[0], a[1], a[2]}, m, {b[0], b[1], b[2]}}).release();
}

CNcPline* ConnectorLine(const double* a, const double* b)
{
    return StringOf({{a[0], a[1], a[2]}, {b[0], b[1], b[2]}}).release();
}

CNcPline* ConnectorSmooth(const double* d1, const double* d2, const double* a, const double* b, double s)
{
    const Pnt3 pa = {a[0], a[1], a[2]}, pb = {b[0], b[1], b[2]};
    Pnt3 q1, q2, m;
    for (size_t i = 0; i < 3; ++i) {
        q1[i] = a[i] + s * d1[i];
        q2[i] = b[i] - s * d2[i];
        m[i] = 0.5 * (q1[i] + q2[i]);
    }
    std::vector<Pnt3> pts = {pa};
    for (int i = 1; i <= 9; ++i)
        pts.push_back(Bezier(pa, q1, m, 0.1 * i));
    for (int i = 1; i <= 9; ++i)
        pts.push_back(Bezier(m, q2, pb, 0.1 * i));
    pts.push_back(pb);
    return StringOf(pts).release();
}

CNcPline* ArcPoints(const _arc* arc)
{
    if (!arc)
        return nullptr;
    const int n = int(arc->sweep / kArcStep + 1);
    auto s = std::make_unique<CNcPline>();
    for (int i = 0; i <= n; ++i) {
        double p[3], t[3];
        ARC_EvalPointTangent(arc->sweep * i / n, p, arc, t);
        s->AddTail(p);
    }
    return s.release();
}

CNcPline* ConnectorLoop(const double* d2, const double* a, const double* b, const double* d1, double s)
{
    // The half turn lies at a's height: only d1's XY direction counts.
    const double len = std::hypot(d1[0], d1[1]);
    if (!(len >= kUnitTol))
        return nullptr;
    const double u[2] = {d1[0] / len, d1[1] / len};
    double v[3] = {d2[0], d2[1], d2[2]};
    const double vl = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (vl >= kUnitTol)
        for (double& c : v)
            c /= vl;
    const double p[2] = {-u[1], u[0]};
    const double r = std::max(s, std::hypot(b[0] - a[0], b[1] - a[1]));
    const double p1[3] = {a[0] + 2 * r * p[0], a[1] + 2 * r * p[1], a[2]};
    const double p2[3] = {a[0] + r * (p[0] + u[0]), a[1] + r * (p[1] + u[1]), a[2]};
    _arc* arc = nullptr;
    if (ARC_ThroughThreePoints(&arc, a, p2, p1) != 1)
        return nullptr;
    String turn(ArcPoints(arc));
    QV_MemFree(arc);
    const double back[3] = {-u[0], -u[1], 0};
    const String tail(ConnectorSmooth(back, v, p1, b, 0.5 * std::hypot(b[0] - p1[0], b[1] - p1[1])));
    // The smooth part starts at P1, where the half turn ends.
    std::vector<Pnt3> pts = PointsOf(*turn);
    const std::vector<Pnt3> rest = PointsOf(*tail);
    pts.insert(pts.end(), rest.begin() + 1, rest.end());
    return StringOf(pts).release();
}

CNcPline* ConnectorPoints(CMillCenter* model, const double* next, const double* prevDir, const double* nextDir,
                          double size, int mode, const double* prevEnd)
{
    const double* a = prevEnd;
    const double* b = next;
    if (mode == kLoop && TurnsClockwise(prevDir, nextDir))
        mode = kSmooth;
    const auto simple = [&](int m) { return m == kStepped ? ConnectorStepped(a, b) : ConnectorLine(a, b); };
    String s;
    switch (mode) {
    case kStepped:
    case kLine:
        s.reset(simple(mode));
        break;
    case kLoop:
    case kSmooth:
        s.reset(mode == kLoop ? ConnectorLoop(nextDir, a, b, prevDir, size)
                              : ConnectorSmooth(prevDir, nextDir, a, b, size));
        // The simpler shape of the mode in place of a curved one that cuts the model.
        if (s && !ClearsModel(model, s)) {
            mode = mode == kLoop ? kStepped : kLine;
            s.reset(simple(mode));
        }
        break;
    default:
        return nullptr;
    }
    if (!s || s->IsEmpty())
        return nullptr;
    // Stepped and straight moves are checked as the curved ones are; one that still cuts
    // the model (a straight move across a dome runs under it) follows the model instead.
    if ((mode == kStepped || mode == kLine) && !ClearsModel(model, s))
        s = Projected(model, a, b);
    s->AddHead(new CNcPoint(a[0], a[1], a[2]));
    s->AddTail(b);
    return s.release();
}

CPathPLine3D* ConnectorToPolyline(CMillCenter* model, const double* next, const double* prevDir,
                                  const double* nextDir, double size, int mode, const double* prevEnd)
{
    const String s(ConnectorPoints(model, next, prevDir, nextDir, size, mode, prevEnd));
    if (!s)
        return nullptr;
    std::vector<double> xyz;
    xyz.reserve(3 * size_t(s->GetCount()));
    for (const Pnt3& p : PointsOf(*s))
        xyz.insert(xyz.end(), p.begin(), p.end());
    auto pl = std::make_unique<CPathPLine3D>();
    if (!SetPathPLinePoints(pl.get(), unsigned(s->GetCount() - 1), xyz.data()))
        return nullptr;
    return pl.release();
}

int LinkCombineEntities(CMillCenter* model, double size, int mode, CPathCombine* combine, CQProgress* progress)
{
    if (!combine || !combine->head)
        return 0;
    int pairs = 0;
    for (const CPathEntity* e = combine->head; e->next; e = e->next)
        ++pairs;
    for (CPathEntity* p = combine->head; p->next;) {
        CPathEntity* q = p->next;
        if (progress)
            progress->Step(1.0 / pairs);
        double e[3], s[3];
        if (p->GetEndPoint(1, e) && q->GetEndPoint(0, s)) {
            if (std::sqrt((s[0] - e[0]) * (s[0] - e[0]) + (s[1] - e[1]) * (s[1] - e[1]) +
                          (s[2] - e[2]) * (s[2] - e[2])) > kSnap) {
                double d1[3] = {0, 0, 0}, d2[3] = {0, 0, 0};
                p->GetUnitDir(1, d1);
                q->GetUnitDir(0, d2);
                if (CPathPLine3D* c = ConnectorToPolyline(model, s, d1, d2, size, mode, e)) {
                    c->points[0][2] = e[2];
                    c->points[size_t(c->count)][2] = s[2];
                    PathCombineInsert(c, combine, p);
                }
            } else if (q->GetType() == pathc::kTypeLine) {
                std::copy(e, e + 3, static_cast<CPathLine3D*>(q)->start);
            } else if (q->GetType() == pathc::kTypePLine) {
                std::copy(e, e + 3, static_cast<CPathPLine3D*>(q)->points[0]);
            }
        }
        p = q;
    }
    return 1;
}
