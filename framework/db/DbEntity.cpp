#include "framework/db/DbEntity.h"

#include "framework/looker/Looker.h"
#include "geometry/shapes2d/GeometryChange.h"
#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CDbEntity, CObject, 1)

std::atomic<std::uint32_t> CDbEntity::m_nMaxHandle{0};

CDbEntity::CDbEntity() = default;
CDbEntity::~CDbEntity() = default;

void CDbEntity::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    if (ar.IsStoring()) {
        ar << m_nHandle << m_nLayerID << m_crColor << m_bFill << m_bVisible;
    } else {
        ar >> m_nHandle >> m_nLayerID >> m_crColor >> m_bFill >> m_bVisible;
        m_crColor &= 0xFFFFFFu;
        m_bFill = m_bFill ? TRUE : FALSE;
        m_bVisible = m_bVisible ? TRUE : FALSE;
        m_bSelected = FALSE;
    }
}

CDbEntity* CDbEntity::Copy() { return nullptr; }

void CDbEntity::CreateNewHandle()
{
    if (m_nHandle == 0) m_nHandle = m_nMaxHandle.fetch_add(1, std::memory_order_relaxed) + 1;
}

void CDbEntity::SetSelected(BOOL selected)
{
    geNoteGeometryChange();
    m_bSelected = selected ? TRUE : FALSE;
}

void CDbEntity::SetLayerID(int layerId)
{
    geNoteGeometryChange();
    m_nLayerID = layerId;
}

void CDbEntity::SetColor(COLORREF colour)
{
    geNoteGeometryChange();
    m_crColor = colour & 0xFFFFFFu;
}

void CDbEntity::SetVisible(BOOL visible)
{
    geNoteGeometryChange();
    m_bVisible = visible ? TRUE : FALSE;
}
int CDbEntity::GetType() const { return 0; }
int CDbEntity::GetBaseType() const { return 0; }
void CDbEntity::Draw(CDC*, int) {}
BOOL CDbEntity::GetBox(BOX2<double>*) { return FALSE; }
void CDbEntity::Move(const double*, const double*) {}
void CDbEntity::Scale(const double*, const double*) {}
void CDbEntity::DrawGL(COpenGLDC*, int) {}

std::uint32_t CDbEntity::GetMaxHandle() { return m_nMaxHandle.load(std::memory_order_relaxed); }
void CDbEntity::SetMaxHandle(std::uint32_t handle) { m_nMaxHandle.store(handle, std::memory_order_relaxed); }

void CDbEntity::CopyAttributesTo(CDbEntity& other) const
{
    other.m_nLayerID = m_nLayerID;
    other.m_crColor = m_crColor;
    other.m_bFill = m_bFill;
    other.m_bVisible = m_bVisible;
}

CDbEntity::PenGuard::PenGuard(CDC* dc, const CDbEntity& entity, int mode) : m_dc(dc)
{
    const bool rubber = mode == kDrawRubber || mode == kDrawRubberFast;
    const COLORREF colour = rubber ? RGB(255, 255, 255) : entity.m_crColor;
    m_pen.CreatePen(mode == kDrawSelected ? PS_DASH : PS_SOLID, 1, colour);
    m_oldPen = dc->SelectObject(&m_pen);
    m_oldRop = dc->SetROP2(rubber ? R2_XORPEN : R2_COPYPEN);
}

CDbEntity::PenGuard::~PenGuard()
{
    m_dc->SetROP2(m_oldRop);
    if (m_oldPen != nullptr) m_dc->SelectObject(m_oldPen);
}

void dbDelEntList(CDbEntityList* list)
{
    if (list == nullptr) return;
    while (!list->IsEmpty()) delete list->RemoveHead();
}

void dbDelEntList(CTypedPtrList<CObList, CDbEntity*>* list)
{
    if (list == nullptr) return;
    while (!list->IsEmpty()) delete list->RemoveHead();
}

BOOL dbSetViewRange(const BOX2<double>& box)
{
    CLooker* looker = gGetLooker();
    if (looker == nullptr || !box.IsValid()) return FALSE;
    return looker->ZoomBox(box);
}

BOOL CDbEntity::GetBox3D(BOX3<double>* box)
{
    BOX2<double> b;
    if (box == nullptr || !GetBox(&b)) return FALSE;
    box->xmin = b.xmin, box->ymin = b.ymin, box->zmin = 0.0;
    box->xmax = b.xmax, box->ymax = b.ymax, box->zmax = 0.0;
    return TRUE;
}
