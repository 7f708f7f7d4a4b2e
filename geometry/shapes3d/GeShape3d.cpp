#include "geometry/shapes3d/GeShape3d.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Box2D.h"
#include "geometry/shapes3d/Shapes3dConst.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <cmath>

std::atomic<unsigned int> CGeShape3d::m_nMaxHandle{0};

CGeShape3d::CGeShape3d()
{
    m_box.InitEmpty();
    m_nHandle = m_nMaxHandle.fetch_add(1, std::memory_order_relaxed) + 1;
}

CGeShape3d::~CGeShape3d() = default;

unsigned int CGeShape3d::GetMaxHandle() { return m_nMaxHandle.load(std::memory_order_relaxed); }

void CGeShape3d::SetMaxHandle(unsigned int handle) { m_nMaxHandle.store(handle, std::memory_order_relaxed); }

void CGeShape3d::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << m_box.xmin << m_box.ymin << m_box.zmin << m_box.xmax << m_box.ymax << m_box.zmax;
        ar << m_nFlags << m_nHandle;
        return;
    }
    ar >> m_box.xmin >> m_box.ymin >> m_box.zmin >> m_box.xmax >> m_box.ymax >> m_box.zmax;
    ar >> m_nFlags;
    // Older records hold no handle; a loaded handle leaves the counter alone.
    const CQVGlobal* global = gGetQVGlobal();
    if (global && global->GetVersion() >= ge3con::kDocVersionHandles) ar >> m_nHandle;
}

int CGeShape3d::GetType() const { return 0; }

CGeShape3d* CGeShape3d::Copy() { return nullptr; }

int CGeShape3d::IsEnableDraw2D()
{
    CLooker* looker = gGetLooker();
    if (!looker) return 0;
    if (!CLooker::IsView2D() || !looker->IsCheckBox()) return 1;

    const CRect& check = looker->GetClipRect();
    if (check.IsRectEmpty()) {
        const BOX2<double> view = looker->GetViewBox();
        BOX2<double> box;
        GetBox2d(&box);
        return BOX2D_IsInt(view, box, 1.0) ? 1 : 0;
    }
    CRect rect;
    GetViewRect(rect);
    CRect common;
    return common.IntersectRect(&rect, &check) ? 1 : 0;
}

void CGeShape3d::GetViewRect(CRect& rect)
{
    rect.SetRectEmpty();
    CLooker* looker = gGetLooker();
    if (!looker) return;

    bool first = true;
    auto extend = [&](const CPoint& p) {
        if (first) {
            rect.SetRect(p.x, p.y, p.x, p.y);
            first = false;
            return;
        }
        rect.left = std::min<LONG>(rect.left, p.x);
        rect.right = std::max<LONG>(rect.right, p.x);
        rect.top = std::min<LONG>(rect.top, p.y);
        rect.bottom = std::max<LONG>(rect.bottom, p.y);
    };

    if (CLooker::IsView2D()) {
        BOX2<double> b;
        GetBox2d(&b);
        const double lo[2] = {b.xmin, b.ymin};
        const double hi[2] = {b.xmax, b.ymax};
        CPoint p, q;
        looker->WorldtoScreen2D(lo, p);
        looker->WorldtoScreen2D(hi, q);
        extend(p);
        extend(q);
    } else {
        BOX3<double> b;
        GetBox(&b);
        const bool flat = std::fabs(b.zmin - b.zmax) < 0.001;
        for (double z : {b.zmin, b.zmax}) {
            const double corners[4][3] = {
                {b.xmin, b.ymin, z}, {b.xmax, b.ymin, z}, {b.xmax, b.ymax, z}, {b.xmin, b.ymax, z}};
            for (const auto& c : corners) {
                CPoint p;
                looker->WorldtoScreen3D(c, p);
                extend(p);
            }
            if (flat) break;
        }
    }
    if (rect.left == rect.right) {
        --rect.left;
        ++rect.right;
    }
    if (rect.top == rect.bottom) {
        --rect.top;
        ++rect.bottom;
    }
}

void CGeShape3d::CalcBox() {}

void CGeShape3d::GetBox(BOX3<double>* box)
{
    if (!box) return;
    if (IsBoxEmpty()) CalcBox();
    *box = m_box;
}

void CGeShape3d::GetBox2d(BOX2<double>* box)
{
    if (!box) return;
    if (IsBoxEmpty()) CalcBox();
    *box = BOX2<double>(m_box.xmin, m_box.ymin, m_box.xmax, m_box.ymax);
}

void CGeShape3d::Translate(double*) {}
void CGeShape3d::Translate3D(double*) {}
void CGeShape3d::Rotate(double*, double) {}
void CGeShape3d::Rotate3D(double*, double*, double) {}
CGeShape3d* CGeShape3d::Twist(double*, double*, double) { return nullptr; }
CGeShape3d* CGeShape3d::Taper(double*, double*, double) { return nullptr; }
void CGeShape3d::Mirror(double*, double*) {}
CGeShape3d* CGeShape3d::Shear(double*, double*) { return nullptr; }
CGeShape3d* CGeShape3d::Scale(double*, double*) { return nullptr; }
CGeShape3d* CGeShape3d::Scale3D(double*, double*) { return nullptr; }
CGeShape3d* CGeShape3d::Shear3D(double*, double*, double*) { return nullptr; }
void CGeShape3d::Mirror3D(double*, double*) {}
void CGeShape3d::Transform(_rect_fm3d*) {}
CGeShape3d* CGeShape3d::Transform(double[4][4], unsigned int) { return this; }
CGeShape3d* CGeShape3d::Transform(double[3][3], unsigned int) { return this; }
void CGeShape3d::TransformLocal(_rect_fm3d*) {}
