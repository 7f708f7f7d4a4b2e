// The drop-cutter model every mesh strategy lifts its CL points against: one
// CCheckMesh per input mesh, the model's own tool copy, the depth range and the
// check step. A strategy marks the elements near a pass (scan line, box, interval)
// per mesh, then narrows the marked set per segment while it lifts a string.
//
// Marking and narrowing act on the calling thread's candidate list of every mesh, so
// worker threads may mark and lift at once after InitAccel(thread count); the meshes,
// the tool and the fields are shared read-only then. Rotations, SetTool and the
// accel set-up run outside parallel regions.
#pragma once

#include "framework/numerak/Box.h"
#include "toolpath/milling/CheckMesh.h"

#include <memory>
#include <vector>

class CNcPline;
class CNcPoint;
class CTool;

class CCheckModel {
public:
    CCheckModel();
    // Shared copies of src's meshes, its fields and a copy of its tool.
    explicit CCheckModel(CCheckModel* src);
    ~CCheckModel();
    CCheckModel(const CCheckModel&) = delete;
    CCheckModel& operator=(const CCheckModel&) = delete;

    // Keeps a prepared copy of t (null: no tool), renews every mesh's offsets and
    // boxes; with a tool and meshes, top and bottom become the model box's z range.
    void SetTool(CTool* t);
    void SetMillDepth(double topZ, double bottomZ);
    // Union of the mesh boxes and 1; 0 without a tool or meshes.
    int GetBox(BOX3<double>& out);
    // Turns every mesh about Z (callers call SetTool afterwards).
    void RotateByZAxis(double angle);
    // Turns every mesh about X and renews its boxes for the tool; rotary angle += angle.
    int RotateByXAxis(double angle);
    int MoveModel(double dx, double dy, double dz);
    void InitAccel(int n);
    void ClearAccel();
    // Deletes the meshes (the tool stays).
    void ClearMesh();
    // Appends a mesh (the model takes it over); null is ignored.
    void AddMesh(CCheckMesh* mesh);

    // Lifting with the model's tool over every mesh's candidates; return 1.
    int LiftZ(CNcPoint& p);
    int LiftZ(double* p);
    // Highest facet over (x, y) among the candidates: 1 when any mesh raised z.
    int ProjectPoint(double x, double y, double& z);
    // A string from p0 to p1 with a point every check step, lifted and refined at tol;
    // null when lifting fails. The caller owns it.
    CNcPline* CreateLinePath(const double* p0, const double* p1, double tol);
    // Appends to out the elements within the tool radius of the plane x (shared
    // records), gives out a tool copy when it has none and sets its depth range to
    // its box; returns out (null for a null out).
    CCheckModel* CreateSubModel(double x, CCheckModel* out);
    void CreateIsoXCurve(double x, CTypedPtrList<CObList, CGeCurve*>* list);
    // Rotary lift about X (see the .cpp); returns 1.
    int DefineRHeight(CNcPoint& p);
    CNcPline* BreakOnePath(CNcPline*, double) { return nullptr; }
    void CreateOffsetSurf(void*) {}

    // Marking: every mesh's calling-thread candidate list. Interval ends are put in
    // order first.
    void Mark_Box3D(const BOX3<double>& b);
    void Mark_Box2D(const BOX2<double>& b);
    void Mark_IsoYLine(double y);
    void Mark_IsoXLine(double x);
    void Mark_XInterval(double a, double b);
    void Mark_XIntervalEx(double a, double b);
    // Narrowing inside the marked set (the marked set stays intact).
    void MarkSub_Box3D(const BOX3<double>& b);
    void MarkSub_Box2D(const BOX2<double>& b);
    void MarkSub_Interval(double a, double b, int axis);
    void Mark_YInterval(double a, double b);

    int MeshCount() const { return int(meshes.size()); }
    CCheckMesh* Mesh(int i) const { return meshes[size_t(i)].get(); }
    CTool* Tool() const { return tool.get(); }

    std::vector<std::unique_ptr<CCheckMesh>> meshes;
    double checkStep = 0;
    int resetHeight = 0;
    double top = 0;
    double bottom = 0;
    double rotaryAngle = 0;
    double rotaryRadius = 0;
    std::unique_ptr<CTool> tool;
    int rotaryMode = 0;  // written by the rotary strategy
    int copyFlag = 0;    // written by the strategy frame

private:
    // Narrows every mesh's marked set to the elements whose range on axis may meet
    // [a, b] (a superset visited through the index) and that pass keep(box).
    template <class Keep>
    void Narrow(int axis, double a, double b, Keep keep);
    // Marks every mesh's elements visited near [a, b] on axis that pass keep(box).
    template <class Keep>
    void MarkNear(CCheckMesh& m, int axis, double a, double b, Keep keep);
};
