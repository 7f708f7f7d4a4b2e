// Chain of straight 3D segments, optionally with a normal per vertex. Its vertices
// are its display string, so the generic curve operations work on exact geometry.
#pragma once

#include "geometry/shapes2d/PointTypes.h"
#include "geometry/shapes3d/GeCurve3d.h"
#include "platform/core/Containers.h"

class CGePolyline3d : public CGeCurve3d {
    DECLARE_SERIAL(CGePolyline3d)
public:
    CGePolyline3d();
    // n vertices allocated (contents zero), with normals when withNormals is non-zero;
    // the box is not computed.
    CGePolyline3d(int n, int withNormals);
    ~CGePolyline3d() override;

    // n vertices without contents; 0 for n < 2.
    int Create(int n);
    // Copies the n points and computes the box; 0 (nothing changed) for null points or n < 2.
    int Create(int n, double (*pts)[3]);
    int Create(int n, double (*pts)[2]);
    int Create(CArray<tagPoint3d, tagPoint3d>& a);

    int GetCount() const { return m_strDisp.m_nCount; }
    double (*GetCtrlPt())[3] { return m_strDisp.m_pPoints; }

    // Deletes vertex i of a polyline of more than two vertices. A closed polyline keeps
    // its closing pair (nothing for i = 0 or n - 1); a closed triangle becomes the open
    // segment from V[0] to its other middle vertex.
    void DelCtrlPt(unsigned int i);
    // Deletes the k listed vertices (nothing when k >= n - 1); a closed polyline that
    // loses both ends of its closing pair is closed again on its first kept vertex.
    void DelCtrlPt(unsigned int* list, int k);
    // Pieces between the given vertices (increasing, each below n; 0 is skipped): each
    // node ends one piece and starts the next. New polylines of two or more vertices are
    // appended to list.
    void SplitInNode(int* nodes, int k, CGeCurve3dList& list);

    // The curve header under the document version gate, then (with a settings object)
    // the vertex count, the vertices and, from document version 12, the normals flag and
    // the normals. A negative count or one that needs more bytes than are left is a
    // damaged record (the archive's end-of-file exception).
    void Serialize(CArchive& ar) override;
    int GetType() const override;
    // Same vertices, closed flag, box and flags; new handle; normals are not carried.
    CGeShape3d* Copy() override;

    // A circle round V[0], squares round the other vertices (the last only when the
    // polyline is open and drawLast is set).
    void DrawNode(CDC* dc, int drawFirst, int drawLast, unsigned int half) override;
    int GetSnapPos(CSnapAt* snap, CSnapResult& result) override;
    int IsPlanar(double tol, double* origin, double* vec) override;
    // Copies the vertices into str (when str is another string); tol is not used.
    void Discrete(double tol, CStrP3D& str) override;
    // Lines per segment, or fitted NURBS pieces for more than 15 vertices when fit is set.
    void DiscreteToElement(CGeCurve3dList* list, bool fit) override;
    int GetDiscStep(double tol, double& step) override;
    int GetSegmentCount() override;
    int EvParam(double len, double& t, unsigned int& seg, double total) override;
    // t local on segment seg.
    void Split(double t, CGeCurve3d** out, int seg) override;
    // Normalised running lengths at the vertices (new array of n, freed with delete[]).
    int GetSplitParam(double*& params) override;
};
