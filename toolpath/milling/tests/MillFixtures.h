// Shared set-up of the milling tests: analytic kit meshes turned into CGeMesh with
// float vertices (and the kit mesh rounded the same way, for the brute-force drop),
// tools of every kind, and a drop-cutter model of some meshes.
#pragma once

#include "framework/looker/Tool.h"
#include "geometry/shapes3d/GeCombCurve3d.h"
#include "geometry/shapes3d/GeGroup3d.h"
#include "geometry/shapes3d/GeMesh.h"
#include "geometry/shapes3d/GePolyline3d.h"
#include "testing/BruteForceDrop.h"
#include "testing/MillMesh.h"
#include "testing/ZMap.h"
#include "toolpath/contours/NcPline.h"
#include "toolpath/milling/CheckModel.h"
#include "toolpath/milling/MillGen.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace milltest {

// The mesh with every coordinate rounded to float, as CGeMesh stores it.
inline millkit::TriMesh RoundToFloat(millkit::TriMesh m)
{
    for (auto& v : m.vertices)
        for (double& c : v) c = double(float(c));
    return m;
}

inline std::unique_ptr<CGeMesh> ToGeMesh(const millkit::TriMesh& m)
{
    auto g = std::make_unique<CGeMesh>();
    for (const auto& v : m.vertices) g->vertices.emplace_back(float(v[0]), float(v[1]), float(v[2]));
    for (const auto& t : m.triangles) g->faces3.emplace_back(t[0], t[1], t[2]);
    g->CalcBox();
    return g;
}

struct NamedTool {
    std::string name;
    std::shared_ptr<CTool> tool;
};

// One tool of every kind, set up.
inline std::vector<NamedTool> AllTools(double dia = 2)
{
    std::vector<NamedTool> tools = {
        {"ball", std::make_shared<CTBall>(dia)},
        {"flat", std::make_shared<CTCylindrical>(dia)},
        {"bull", std::make_shared<CTBull>(dia, dia / 4)},
        {"cone", std::make_shared<CTConnic>(dia, 30)},
        {"drill", std::make_shared<CTDrill>(dia)},
        {"taperball", std::make_shared<CTTaperBall>(dia, dia / 5, 10)},
    };
    for (auto& t : tools) t.tool->SetAidParam();
    return tools;
}

// A model of the meshes (float-rounded) with the tool and check step.
inline std::unique_ptr<CCheckModel> MakeModel(const std::vector<millkit::TriMesh>& meshes, CTool* tool,
                                              double checkStep)
{
    auto model = std::make_unique<CCheckModel>();
    for (const auto& m : meshes) {
        auto g = ToGeMesh(m);
        auto cm = std::make_unique<CCheckMesh>();
        if (!cm->Init(g.get())) return nullptr;
        model->AddMesh(cm.release());
    }
    model->checkStep = checkStep;
    model->SetTool(tool);
    return model;
}

// Brute-force drop over several meshes: the highest.
template <class Tool>
double DropAll(const Tool& tool, const std::vector<millkit::TriMesh>& meshes, double x, double y)
{
    double z = -1e12;
    for (const auto& m : meshes) z = std::max(z, millkit::BruteForceDrop(tool, m, x, y).z);
    return z;
}

inline millkit::TriMesh RotateZ(millkit::TriMesh m, double angle)
{
    const double c = std::cos(angle), s = std::sin(angle);
    for (auto& v : m.vertices) {
        const double x = v[0], y = v[1];
        v[0] = c * x - s * y;
        v[1] = s * x + c * y;
    }
    return m;
}

inline millkit::TriMesh RotateX(millkit::TriMesh m, double a)
{
    const double c = std::cos(a), s = std::sin(a);
    for (auto& v : m.vertices) {
        const double y = v[1], z = v[2];
        v[1] = y * c - z * s;
        v[2] = y * s + z * c;
    }
    return m;
}

// Every point of a lifted string lies on the drop-cutter surface, except the rises
// where the path takes a wall of the CL surface vertically: a point over the same XY
// as a neighbour, above it, lies above the surface.
inline void CheckString(const std::string& label, const CNcPline& s, const std::vector<millkit::TriMesh>& meshes, CTool& tool,
                 double bottom)
{
    ASSERT_GE(s.GetCount(), 2) << label;
    std::vector<const CNcPoint*> pts;
    for (POSITION pos = s.GetHeadPosition(); pos;) pts.push_back(s.GetNext(pos));
    const auto risesOver = [&](size_t i, size_t j) {
        return j < pts.size() && pts[j]->x == pts[i]->x && pts[j]->y == pts[i]->y && pts[i]->z > pts[j]->z;
    };
    for (size_t i = 0; i < pts.size(); ++i) {
        const CNcPoint* p = pts[i];
        const double want = std::max(bottom, DropAll(tool, meshes, p->x, p->y));
        if ((i > 0 && risesOver(i, i - 1)) || risesOver(i, i + 1))
            ASSERT_GE(p->z, want - 1e-9) << label << " rise at " << p->x << ", " << p->y;
        else
            ASSERT_NEAR(p->z, want, 1e-9) << label << " at " << p->x << ", " << p->y;
    }
}

// Meshes handed to the strategy, owned here.
struct MeshSet {
    std::vector<std::unique_ptr<CGeMesh>> owned;
    CGeMeshList list;
    explicit MeshSet(const std::vector<millkit::TriMesh>& meshes)
    {
        for (const auto& m : meshes) {
            owned.push_back(ToGeMesh(m));
            list.AddTail(owned.back().get());
        }
    }
};

// The CL paths written into the group: one point list per member polyline.
inline std::vector<std::vector<millkit::Vec3>> Paths(CGeGroup3d& out)
{
    std::vector<std::vector<millkit::Vec3>> paths;
    for (CGeCurve3d* c : out.m_listCurve) {
        auto* comb = dynamic_cast<CGeCombCurve3d*>(c);
        if (!comb) continue;
        std::vector<millkit::Vec3> path;
        for (CGeCurve3d* m : comb->m_listCurve) {
            auto* pl = dynamic_cast<CGePolyline3d*>(m);
            if (!pl) continue;
            for (int k = 0; k < pl->GetCount(); ++k) path.push_back({pl->GetCtrlPt()[k][0], pl->GetCtrlPt()[k][1], pl->GetCtrlPt()[k][2]});
        }
        paths.push_back(path);
    }
    return paths;
}

// The vertices of every polyline of a curve (the members of a composite in order).
inline std::vector<std::vector<millkit::Vec3>> Polylines(CGeCurve3d* c)
{
    std::vector<std::vector<millkit::Vec3>> out;
    std::vector<CGeCurve3d*> members;
    if (auto* comb = dynamic_cast<CGeCombCurve3d*>(c))
        for (CGeCurve3d* m : comb->m_listCurve) members.push_back(m);
    else
        members.push_back(c);
    for (CGeCurve3d* m : members) {
        auto* pl = dynamic_cast<CGePolyline3d*>(m);
        if (!pl) continue;
        std::vector<millkit::Vec3> pts;
        for (int k = 0; k < pl->GetCount(); ++k) pts.push_back({pl->GetCtrlPt()[k][0], pl->GetCtrlPt()[k][1], pl->GetCtrlPt()[k][2]});
        out.push_back(pts);
    }
    return out;
}

// A z-map over the meshes' XY box, `across` cells along its longer side, starting
// `above` over the highest vertex.
inline millkit::ZMap ZMapOver(const std::vector<millkit::TriMesh>& meshes, int across, double above)
{
    BOX3<double> b;
    b.InitEmpty();
    for (const auto& m : meshes)
        for (const auto& v : m.vertices) b.Extend(v.data());
    const double cell = std::max(b.xmax - b.xmin, b.ymax - b.ymin) / across;
    return millkit::ZMap(b.xmin, b.ymin, cell, int((b.xmax - b.xmin) / cell) + 1, int((b.ymax - b.ymin) / cell) + 1,
                         b.zmax + above);
}

// The highest mesh point over every cell centre of the z-map (NaN where none).
inline std::vector<double> MeshTops(const millkit::ZMap& zmap, const std::vector<millkit::TriMesh>& meshes)
{
    std::vector<double> top(size_t(zmap.Nx()) * size_t(zmap.Ny()), std::nan(""));
    for (const auto& m : meshes) {
        const auto t = zmap.MeshTop(m);
        for (size_t i = 0; i < t.size(); ++i)
            if (!std::isnan(t[i]) && !(t[i] <= top[i])) top[i] = t[i];
    }
    return top;
}

}  // namespace milltest
