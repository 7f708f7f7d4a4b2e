#include "framework/db/DbUnion.h"

#include "platform/core/Archive.h"

IMPLEMENT_SERIAL(CDbUnion, CDbEntity, 1)

CDbUnion::CDbUnion() = default;
CDbUnion::~CDbUnion() { dbDelEntList(&m_members); }

void CDbUnion::Serialize(CArchive& ar)
{
    CDbEntity::Serialize(ar);
    if (ar.IsLoading()) dbDelEntList(&m_members);
    m_members.Serialize(ar);
    if (ar.IsLoading()) {
        // Only entities may be members: anything else read is dropped.
        POSITION pos = m_members.GetHeadPosition();
        while (pos != nullptr) {
            POSITION cur = pos;
            CObject* object = m_members.CObList::GetNext(pos);
            if (object == nullptr || !object->IsKindOf(RUNTIME_CLASS(CDbEntity))) {
                m_members.RemoveAt(cur);
                delete object;
            }
        }
    }
}

CDbEntity* CDbUnion::Copy()
{
    auto* copy = new CDbUnion;
    CopyAttributesTo(*copy);
    for (CDbEntity* member : m_members) {
        CDbEntity* c = member->Copy();
        if (c == nullptr) {
            delete copy;
            return nullptr;
        }
        copy->AddEntity(c);
    }
    return copy;
}

void CDbUnion::SetSelected(BOOL selected)
{
    CDbEntity::SetSelected(selected);
    for (CDbEntity* member : m_members) member->SetSelected(selected);
}

void CDbUnion::SetLayerID(int layerId)
{
    CDbEntity::SetLayerID(layerId);
    for (CDbEntity* member : m_members) member->SetLayerID(layerId);
}

void CDbUnion::Draw(CDC* dc, int mode)
{
    for (CDbEntity* member : m_members) member->Draw(dc, mode);
}

BOOL CDbUnion::GetBox(BOX2<double>* box)
{
    if (box == nullptr) return FALSE;
    BOX2<double> all;
    all.InitEmpty();
    BOOL any = FALSE;
    for (CDbEntity* member : m_members) {
        BOX2<double> b;
        if (member->GetBox(&b)) {
            all.Union(b);
            any = TRUE;
        }
    }
    if (any) *box = all;
    return any;
}

void CDbUnion::Move(const double* from, const double* to)
{
    for (CDbEntity* member : m_members) member->Move(from, to);
}

void CDbUnion::Scale(const double* base, const double* factors)
{
    for (CDbEntity* member : m_members) member->Scale(base, factors);
}

void CDbUnion::DrawGL(COpenGLDC* dc, int mode)
{
    for (CDbEntity* member : m_members) member->DrawGL(dc, mode);
}

void CDbUnion::AddEntity(CDbEntity* entity)
{
    if (entity != nullptr) m_members.AddTail(entity);
}
