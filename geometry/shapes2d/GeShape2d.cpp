#include "geometry/shapes2d/GeShape2d.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Box2D.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <cstring>

std::atomic<std::uint32_t> CGeShape2d::m_nMaxHandle{0};

CGeShape2d::CGeShape2d() { m_box.InitEmpty(); }

CGeShape2d::~CGeShape2d() = default;

void CGeShape2d::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    if (ar.IsStoring()) {
        ar << static_cast<unsigned int>(m_nHandle);
        return;
    }
    // Records older than the handle version hold no handle. A loaded handle
    // leaves the counter alone; the loader re-aligns it afterwards.
    const CQVGlobal* global = gGetQVGlobal();
    if (global && global->GetVersion() >= kDocVersionShapeHandles) {
        unsigned int handle = 0;
        ar >> handle;
        m_nHandle = handle;
    }
}

int CGeShape2d::GetType() const { return 0; }

CGeShape2d* CGeShape2d::Copy() { return nullptr; }

int CGeShape2d::IsEnableDraw2D()
{
    CLooker* looker = gGetLooker();
    if (!looker) return 0;
    if (!(CLooker::IsView2D() && looker->IsCheckBox())) return 1;

    const CRect& clip = looker->GetClipRect();
    if (clip.IsRectEmpty()) {
        const BOX2<double> view = looker->GetViewBox();
        BOX2<double> box;
        GetBox2d(&box);
        if (!BOX2D_IsInt(view, box, gecon::kViewBoxTol)) return 0;
        if (BOX2D_IsContain(view, box, gecon::kViewBoxTol)) return 8;
        return 1;
    }
    CRect rect;
    GetViewRect(rect);
    CRect common;
    if (!common.IntersectRect(&rect, &clip)) return 0;
    return common == rect ? 8 : 1;
}

void CGeShape2d::GetViewRect(CRect& rect)
{
    rect.SetRectEmpty();
    BOX2<double> box;
    GetBox2d(&box);
    CLooker* looker = gGetLooker();
    // A shape without a box (or without a view) has no place on the screen.
    if (!looker || !box.IsValid()) return;

    CPoint pts[4];
    int n = 0;
    if (CLooker::IsView2D()) {
        const double lo[2] = {box.xmin, box.ymin};
        const double hi[2] = {box.xmax, box.ymax};
        looker->WorldtoScreen2D(lo, pts[n++]);
        looker->WorldtoScreen2D(hi, pts[n++]);
    } else {
        const double corners[4][3] = {
            {box.xmin, box.ymin, 0.0}, {box.xmax, box.ymin, 0.0}, {box.xmax, box.ymax, 0.0}, {box.xmin, box.ymax, 0.0}};
        for (const auto& c : corners) looker->WorldtoScreen3D(c, pts[n++]);
    }
    rect.SetRect(pts[0].x, pts[0].y, pts[0].x, pts[0].y);
    for (int i = 1; i < n; ++i) {
        rect.left = std::min<LONG>(rect.left, pts[i].x);
        rect.right = std::max<LONG>(rect.right, pts[i].x);
        rect.top = std::min<LONG>(rect.top, pts[i].y);
        rect.bottom = std::max<LONG>(rect.bottom, pts[i].y);
    }
    // A point or an axis-parallel line still gets a rectangle 2 pixels across.
    if (rect.left == rect.right) {
        --rect.left;
        ++rect.right;
    }
    if (rect.top == rect.bottom) {
        --rect.top;
        ++rect.bottom;
    }
}

int CGeShape2d::GetSnapPos(CSnapAt*, CSnapResult&) { return 0; }

void CGeShape2d::StoreBox2d(const BOX2<double>& box)
{
    // Compared as bits, so that a NaN box recomputed the same is no change.
    if (std::memcmp(&box, &m_box, sizeof box) != 0) geNoteGeometryChange();
    m_box = box;
}

void CGeShape2d::GetBox2d(BOX2<double>* out)
{
    if (!out) return;
    if (m_box.xmax < m_box.xmin) CalcBox2d();
    *out = m_box;
}

void CGeShape2d::CreateNewHandle()
{
    if (m_nHandle != 0) return;
    m_nHandle = m_nMaxHandle.fetch_add(1, std::memory_order_relaxed) + 1;
}

void CGeShape2d::Translate(double*) { geNoteGeometryChange();}

void CGeShape2d::Rotate(double*, double) { geNoteGeometryChange();}

void CGeShape2d::Mirror(double*, double*) { geNoteGeometryChange();}

CGeShape2d* CGeShape2d::Scale(double*, double*) { geNoteGeometryChange(); return nullptr; }

void CGeShape2d::SetHandle(std::uint32_t handle)
{
    m_nHandle = handle;
    // Raise the counter without ever lowering it, also against a concurrent raise.
    std::uint32_t seen = m_nMaxHandle.load(std::memory_order_relaxed);
    while (seen < handle && !m_nMaxHandle.compare_exchange_weak(seen, handle, std::memory_order_relaxed)) {
    }
}

void CGeShape2d::PastetHandle(CGeShape2d* other)
{
    if (other) m_nHandle = other->m_nHandle;
}

std::uint32_t CGeShape2d::GetMaxHandle() { return m_nMaxHandle.load(std::memory_order_relaxed); }

void CGeShape2d::SetMaxHandle(std::uint32_t handle) { m_nMaxHandle.store(handle, std::memory_order_relaxed); }
