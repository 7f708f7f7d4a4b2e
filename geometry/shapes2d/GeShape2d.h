// Abstract base of every 2D shape: the lazily computed bounding box, the shape
// handle from one process-wide counter and a free extra data word. It fixes the
// first 17 virtual operations that every 2D shape keeps, in this order.
//
// Threads: handles may be made on any thread (the counter is atomic). A shape
// is not locked: the box (and a curve's display polyline) is a cache filled on
// first need, so shapes shared between threads are prepared first
// (CGeCurve::PrepareDisplay) and then only queried; queries write nothing else.
#pragma once

#include "geometry/shapes2d/Box.h"
#include "platform/core/Object.h"
#include "platform/core/WinGeometry.h"

#include <atomic>
#include <cstdint>

class CArchive;
class CSnapAt;
class CSnapResult;

class CGeShape2d : public CObject {
public:
    CGeShape2d();
    // 2: destructor.
    ~CGeShape2d() override;

    // 1 is CObject's GetRuntimeClass; the base has no class record of its own.
    // 3: writes the handle; reads it only under a settings object whose
    // document format version is at least 6. Called by the subclasses.
    void Serialize(CArchive& ar) override;
    // 4, 5: CObject's AssertValid and Dump.

    // 6: one bit per concrete class (0 for the bases).
    virtual int GetType() const;
    // 7: a new copy owned by the caller; null for a shape that cannot copy itself.
    virtual CGeShape2d* Copy();
    // 8: 0 skip (outside the view), 1 draw, 8 draw (wholly inside the view).
    virtual int IsEnableDraw2D();
    // 9: the screen rectangle of the box, at least 2 pixels wide and high.
    virtual void GetViewRect(CRect& rect);
    // 10: 1 when snap points were added to the result.
    virtual int GetSnapPos(CSnapAt* snap, CSnapResult& result);
    // 11: computes the bounding box from the geometry.
    virtual void CalcBox2d() = 0;
    // 12: copies the box to out, computing it first when it is empty; nothing for null.
    virtual void GetBox2d(BOX2<double>* out);
    // 13: gives a shape without a handle the next value of the counter.
    virtual void CreateNewHandle();
    // 14-17: in-place transforms; Scale returns the shape itself, a new shape
    // of another class, or null (the base) when it cannot scale.
    virtual void Translate(double* offset);
    virtual void Rotate(double* centre, double angle);
    virtual void Mirror(double* p, double* q);
    virtual CGeShape2d* Scale(double* centre, double* factors);

    std::uint32_t GetHandle() const { return m_nHandle; }
    // Sets the handle and raises the counter to it; a smaller value never lowers it.
    void SetHandle(std::uint32_t handle);
    // Copies the other shape's handle (nothing for null); the counter is not touched.
    void PastetHandle(CGeShape2d* other);

    static std::uint32_t GetMaxHandle();
    static void SetMaxHandle(std::uint32_t handle);

    // The stored box as it stands, not recomputed.
    const BOX2<double>& StoredBox2d() const { return m_box; }

    std::uintptr_t GetExtData() const { return m_nExtData; }
    void SetExtData(std::uintptr_t data) { m_nExtData = data; }

    // Free word for callers (marks, addresses); wide enough for a pointer.
    std::uintptr_t m_nExtData = 0;

protected:
    // Stores a recomputed box, noting a geometry change when it differs from
    // the box stored before (so that a box read once stays valid until a change).
    void StoreBox2d(const BOX2<double>& box);

    BOX2<double> m_box;
    std::uint32_t m_nHandle = 0;

    // The highest 2D handle handed out or set, for the whole process. Atomic:
    // shapes may be made on several threads at once, and each new handle is
    // handed out exactly once.
    static std::atomic<std::uint32_t> m_nMaxHandle;
};
