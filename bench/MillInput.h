// A kit mesh as the milling code takes it (float vertices) with a ball tool and the
// tool-centre model of the two, for the milling benches.
#pragma once

#include "framework/looker/Tool.h"
#include "geometry/shapes3d/GeMesh.h"
#include "testing/MillMesh.h"
#include "toolpath/milling/MillCenter.h"

#include <memory>

struct MillInput {
    std::unique_ptr<CGeMesh> mesh;
    std::unique_ptr<CTBall> tool;
    std::unique_ptr<CMillCenter> model;
};

inline void MakeBallModel(const millkit::TriMesh& t, double dia, MillInput& in)
{
    in.mesh = std::make_unique<CGeMesh>();
    for (const auto& v : t.vertices)
        in.mesh->vertices.emplace_back(float(v[0]), float(v[1]), float(v[2]));
    for (const auto& f : t.triangles)
        in.mesh->faces3.emplace_back(f[0], f[1], f[2]);
    in.tool = std::make_unique<CTBall>(dia);
    in.tool->SetAidParam();
    CMillMeshList list;
    list.AddTail(in.mesh.get());
    in.model.reset(CreateMillCentre(&list, in.tool.get(), 0, 0, 0));
}
