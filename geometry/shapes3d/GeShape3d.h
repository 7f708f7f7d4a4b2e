// Abstract base of every 3D shape: the lazily computed bounding box, a handle from
// the process-wide 3D counter, a flags word and an extra data word. It fixes the
// order of the 28 virtual operations that every 3D class keeps and gives neutral
// defaults for all of them.
#pragma once

#include "geometry/shapes2d/Box.h"
#include "framework/numerak/NurbsArc.h"
#include "platform/core/Object.h"
#include "platform/core/WinGeometry.h"

#include <atomic>
#include <cstdint>

class CArchive;

class CGeShape3d : public CObject {
public:
    // Takes the next 3D handle.
    CGeShape3d();
    // 2: destructor (1 is CObject's GetRuntimeClass; the base has no record of its own).
    ~CGeShape3d() override;

    // 3: the shape header: box, flags and handle. Loading reads the handle only
    // under a settings object whose document version is at least 6.
    void Serialize(CArchive& ar) override;
    // 4, 5: CObject's AssertValid and Dump.

    // 6: one bit per concrete class; 0 for the bases.
    virtual int GetType() const;
    // 7: a new copy owned by the caller; null when the class cannot copy.
    virtual CGeShape3d* Copy();
    // 8: 1 when the shape may show in the current view, 0 when it lies outside a
    // 2D view that asks for the visibility test (and 0 without a view).
    virtual int IsEnableDraw2D();
    // 9: the screen rectangle of the box, at least 2 pixels wide and high.
    virtual void GetViewRect(CRect& rect);
    // 10: computes the box from the geometry (nothing in the base).
    virtual void CalcBox();
    // 11, 12: the box (x/y only for the 2D form), computed first while it is not yet
    // computed; nothing for a null output.
    virtual void GetBox(BOX3<double>* box);
    virtual void GetBox2d(BOX2<double>* box);
    // 13-28: transforms. Those returning a shape return the shape itself (changed in
    // place), null (nothing done), or a new shape of another class that the caller
    // uses in place of this one (the caller then owns and deletes both).
    virtual void Translate(double* v);
    virtual void Translate3D(double* v);
    virtual void Rotate(double* centre, double angle);
    virtual void Rotate3D(double* point, double* axis, double angle);
    virtual CGeShape3d* Twist(double* point, double* axis, double angle);
    virtual CGeShape3d* Taper(double* point, double* axis, double angle);
    virtual void Mirror(double* p, double* q);
    virtual CGeShape3d* Shear(double* base, double* factors);
    virtual CGeShape3d* Scale(double* centre, double* factors);
    virtual CGeShape3d* Scale3D(double* centre, double* factors);
    virtual CGeShape3d* Shear3D(double* point, double* dir, double* normal);
    virtual void Mirror3D(double* point, double* normal);
    virtual void Transform(_rect_fm3d* frame);
    virtual CGeShape3d* Transform(double m[4][4], unsigned int flags);
    virtual CGeShape3d* Transform(double m[3][3], unsigned int flags);
    virtual void TransformLocal(_rect_fm3d* frame);

    unsigned int GetHandle() const { return m_nHandle; }
    // Stores the handle; the counter is not touched.
    void SetHandle(unsigned int handle) { m_nHandle = handle; }
    static unsigned int GetMaxHandle();
    // The next new 3D shape gets handle + 1.
    static void SetMaxHandle(unsigned int handle);

    // True while the box has not been computed (its maximum x below its minimum x).
    bool IsBoxEmpty() const { return m_box.xmax < m_box.xmin; }

    BOX3<double> m_box;
    unsigned int m_nHandle = 0;
    // Bit 1, bit 8 and the sign bit highlight a curve, bit 4 draws it dotted; the
    // 3D chaining tools also keep working marks here.
    int m_nFlags = 2;
    // Free word for callers (marks, addresses); neither copied nor archived.
    std::uintptr_t m_nExtData = 0;

protected:
    // The last 3D handle handed out, for the whole process; independent of the 2D
    // counter. Atomic: shapes may be made on several threads at once.
    static std::atomic<unsigned int> m_nMaxHandle;
};
