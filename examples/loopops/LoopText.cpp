#include "examples/loopops/LoopText.h"

#include "framework/db/DbPathGroup.h"
#include "geometry/algorithms/GeTool2D.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "toolpath/contours/CornerType.h"
#include "toolpath/contours/CutPath.h"
#include "toolpath/contours/PathConst.h"
#include "toolpath/contours/PathGroup.h"
#include "toolpath/contours/SmartCurveLib.h"
#include "toolpath/contours/SmartLPoint.h"
#include "toolpath/contours/SmartLoop.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeLoop.h"
#include "geometry/shapes2d/GePolyline.h"
#include "geometry/shapes2d/GeRegion.h"

#include <algorithm>
#include <cmath>
#include <istream>
#include <ostream>
#include <sstream>

namespace loopops {

namespace {

void Close(Polygon& cur, std::vector<Polygon>& out)
{
    if (cur.size() > 1 && cur.front() == cur.back())
        cur.pop_back();
    if (cur.size() >= 3)
        out.push_back(cur);
    cur.clear();
}

template <class F>
void ForMembers(CGeLoop* loop, F&& f)
{
    for (POSITION pos = loop->GetCurveList().GetHeadPosition(); pos;)
        f(loop->GetCurveList().GetNext(pos));
}

}  // namespace

bool ReadLoops(std::istream& in, std::vector<Polygon>& out, std::string& error)
{
    Polygon cur;
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        if (line[first] == '>') {
            Close(cur, out);
            continue;
        }
        std::istringstream s(line);
        double x, y;
        if (!(s >> x >> y) || !std::isfinite(x) || !std::isfinite(y)) {
            error = "line " + std::to_string(n) + ": expected two numbers";
            return false;
        }
        cur.push_back({x, y});
    }
    Close(cur, out);
    return true;
}

void ToLoops(const std::vector<Polygon>& polys, GeLoopList& out)
{
    for (const Polygon& p : polys) {
        std::vector<double> xy;
        for (const Pt& q : p)
            xy.insert(xy.end(), {q[0], q[1]});
        xy.insert(xy.end(), {p[0][0], p[0][1]});
        auto* pl = new CGePolyline;
        pl->Create(static_cast<int>(p.size()) + 1, reinterpret_cast<const double(*)[2]>(xy.data()));
        auto* loop = new CGeLoop;
        loop->AddTail(pl, 1);
        out.AddTail(loop);
    }
}

void ToRegions(const std::vector<Polygon>& polys, GeRegionList& out)
{
    GeLoopList loops;
    ToLoops(polys, loops);
    CGeTool2D tool;
    tool.CreateRegion(&loops, &out);
    Free(loops);
}

std::vector<Polygon> Flatten(GeLoopList& loops, double tol)
{
    std::vector<Polygon> out;
    for (POSITION pos = loops.GetHeadPosition(); pos;) {
        Polygon p;
        ForMembers(loops.GetNext(pos), [&](CGeCurve* m) {
            double a[2];
            if (m->GetType() == 4) {
                auto* arc = static_cast<CGeArc*>(m);
                double c[2];
                arc->GetCenter(c);
                const double r = arc->GetRadius(), a0 = arc->GetStartAngle(), sweep = arc->GetSweep();
                const double step = r > tol ? 2 * std::acos(1 - tol / r) : std::fabs(sweep);
                const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / step)));
                for (int i = 0; i < n; ++i)
                    p.push_back({c[0] + r * std::cos(a0 + sweep * i / n), c[1] + r * std::sin(a0 + sweep * i / n)});
            } else {
                m->GetStartPoint(a);
                p.push_back({a[0], a[1]});
            }
        });
        if (!p.empty())
            out.push_back(p);
    }
    return out;
}

void WriteLoops(std::ostream& out, const std::vector<Polygon>& polys)
{
    out.precision(17);
    for (const Polygon& p : polys) {
        out << ">\n";
        for (const Pt& q : p)
            out << q[0] << ' ' << q[1] << '\n';
    }
}

// Writes the SVG head, the white page and the grey input covering input and extra;
// returns the stroke width.
static double BeginSvg(std::ostream& out, const std::vector<Polygon>& input, const std::vector<Polygon>& extra)
{
    double box[4] = {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    auto grow = [&](const Pt& p) {
        box[0] = std::min(box[0], p[0]);
        box[1] = std::min(box[1], p[1]);
        box[2] = std::max(box[2], p[0]);
        box[3] = std::max(box[3], p[1]);
    };
    for (const Polygon& p : input)
        std::for_each(p.begin(), p.end(), grow);
    for (const Polygon& p : extra)
        std::for_each(p.begin(), p.end(), grow);
    if (!(box[0] <= box[2]))
        box[0] = box[1] = 0, box[2] = box[3] = 1;
    const double w = box[2] - box[0], h = box[3] - box[1], m = 0.02 * std::max(w, h) + 1e-9;
    const double stroke = 0.002 * std::max(w, h);
    out.precision(10);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"" << box[0] - m << ' ' << -box[3] - m << ' ' << w + 2 * m
        << ' ' << h + 2 * m << "\" width=\"1000\" height=\"" << std::max(1.0, 1000 * (h + 2 * m) / (w + 2 * m)) << "\">\n";
    out << "<g transform=\"scale(1,-1)\">\n<rect x=\"" << box[0] - m << "\" y=\"" << box[1] - m << "\" width=\"" << w + 2 * m
        << "\" height=\"" << h + 2 * m << "\" fill=\"white\"/>\n";
    out << "<path fill=\"#dddddd\" fill-rule=\"evenodd\" stroke=\"#888888\" stroke-width=\"" << stroke << "\" d=\"";
    for (const Polygon& p : input) {
        out << 'M';
        for (const Pt& q : p)
            out << q[0] << ',' << q[1] << ' ';
        out << 'Z';
    }
    return stroke;
}

void WriteSvg(std::ostream& out, const std::vector<Polygon>& input, GeLoopList& result)
{
    const double stroke = BeginSvg(out, input, Flatten(result, 0.01));
    out << "\"/>\n<path fill=\"#3070d0\" fill-opacity=\"0.35\" fill-rule=\"evenodd\" stroke=\"#1040a0\" stroke-width=\""
        << stroke << "\" d=\"";
    for (POSITION pos = result.GetHeadPosition(); pos;) {
        bool first = true;
        ForMembers(result.GetNext(pos), [&](CGeCurve* c) {
            double a[2], b[2];
            c->GetStartPoint(a);
            c->GetEndPoint(b);
            if (first)
                out << 'M' << a[0] << ',' << a[1] << ' ';
            first = false;
            if (c->GetType() == 4) {
                auto* arc = static_cast<CGeArc*>(c);
                const double r = arc->GetRadius(), sweep = arc->GetSweep();
                // A full circle is drawn as two halves (one SVG arc cannot close on itself).
                if (std::fabs(sweep) > 6.28) {
                    double mid[2], ctr[2];
                    arc->GetCenter(ctr);
                    mid[0] = 2 * ctr[0] - a[0];
                    mid[1] = 2 * ctr[1] - a[1];
                    const int s = sweep > 0 ? 1 : 0;
                    out << 'A' << r << ',' << r << " 0 0," << s << ' ' << mid[0] << ',' << mid[1] << ' ';
                    out << 'A' << r << ',' << r << " 0 0," << s << ' ' << b[0] << ',' << b[1] << ' ';
                } else {
                    out << 'A' << r << ',' << r << " 0 " << (std::fabs(sweep) > 3.141592653589793 ? 1 : 0) << ','
                        << (sweep > 0 ? 1 : 0) << ' ' << b[0] << ',' << b[1] << ' ';
                }
            } else {
                out << 'L' << b[0] << ',' << b[1] << ' ';
            }
        });
        out << 'Z';
    }
    out << "\"/>\n</g>\n</svg>\n";
}

bool ParseStrategy(const std::string& name, Strategy& out)
{
    static const struct {
        const char* name;
        Strategy strategy;
    } names[] = {{"oneway", Strategy::OneWay}, {"zigzag", Strategy::Zigzag}, {"spiral", Strategy::Spiral},
                 {"radial", Strategy::Radial}, {"follow", Strategy::Follow}};
    for (const auto& n : names)
        if (name == n.name) {
            out = n.strategy;
            return true;
        }
    return false;
}

CDbPathGroup* Pocket(GeRegionList& regions, Strategy strategy, double step)
{
    CPathGroup group(pathc::kGroupKind);
    for (POSITION pos = regions.GetHeadPosition(); pos;) {
        CSmartLoop* L = ConvertRegionToSmartLoop(regions.GetNext(pos));
        if (!L)
            continue;
        auto* combine = new CPathCombine(1);
        if (strategy == Strategy::Spiral) {
            // Half circles about the box centre above and, half a step to the left and
            // half a step smaller, below: each pass ends where the next one begins.
            const double c0[2] = {(L->box[0][0] + L->box[1][0]) / 2, (L->box[0][1] + L->box[1][1]) / 2};
            const double c1[2] = {c0[0] - step / 2, c0[1]};
            const double r = std::hypot(L->box[1][0] - L->box[0][0], L->box[1][1] - L->box[0][1]) / 2 + step;
            CSmartArc arcs[2] = {CSmartArc(c0, r, 0, M_PI), CSmartArc(c1, r - step / 2, M_PI, 2 * M_PI)};
            CSmartCurveLib pool;
            CSmartLPoint* points = GenerateSpiralPoint(L, arcs, step, pool);
            DVN_CutSpiralDef def;
            DVN_OrderType order;
            ExtractSpiralPath(*combine, def, order, points, pool);
        } else if (strategy == Strategy::Radial) {
            DVN_CutEmitDef def;
            def.flags = cutdef::kEmitConnected;
            def.centre[0] = (L->box[0][0] + L->box[1][0]) / 2;
            def.centre[1] = (L->box[0][1] + L->box[1][1]) / 2;
            def.sweepAngle = 360;
            def.stepAngle = step;
            L->CreateEmitPath(*combine, def);
        } else if (strategy == Strategy::Follow) {
            DVN_CutFollowDef def;
            def.step = step;
            DVN_CornerType corner;
            corner.type = 4;
            DVN_OrderType order;
            L->CreateFollowPath(*combine, def, corner, order);
        } else {
            DVN_CutLinearDef def;
            def.flags = strategy == Strategy::Zigzag ? cutdef::kZigzag | cutdef::kBoundary : 0;
            def.step = step;
            def.maxLink = 3 * step;
            DVN_CornerType corner;
            corner.type = 4;
            DVN_OrderType order;
            L->CreateLinearPath(*combine, def, corner, order);
        }
        delete L;
        PathGroupAppend(0, &group, combine);
    }
    return PathGroupToDbPathGroup(&group);
}

std::vector<Polygon> PathPolylines(CDbPathGroup* group, double tol)
{
    std::vector<Polygon> out;
    if (!group)
        return out;
    for (POSITION pos = group->m_listUnit.GetHeadPosition(); pos;) {
        CGeCombCurve3d* c = group->m_listUnit.GetNext(pos)->GetCurve();
        CGePolyline3d* pl = c ? c->ToPLine(tol) : nullptr;
        if (!pl)
            continue;
        Polygon p;
        for (int i = 0; i < pl->GetCount(); ++i)
            p.push_back({pl->GetCtrlPt()[i][0], pl->GetCtrlPt()[i][1]});
        delete pl;
        out.push_back(std::move(p));
    }
    return out;
}

void WritePathSvg(std::ostream& out, const std::vector<Polygon>& input, const std::vector<Polygon>& paths)
{
    const double stroke = BeginSvg(out, input, paths);
    out << "\"/>\n<path fill=\"none\" stroke=\"#d02020\" stroke-width=\"" << stroke << "\" d=\"";
    for (const Polygon& p : paths) {
        out << 'M';
        for (const Pt& q : p)
            out << q[0] << ',' << q[1] << ' ';
    }
    out << "\"/>\n</g>\n</svg>\n";
}

void Free(GeLoopList& list)
{
    while (!list.IsEmpty())
        delete list.RemoveHead();
}

void Free(GeRegionList& list)
{
    while (!list.IsEmpty())
        delete list.RemoveHead();
}

}  // namespace loopops
