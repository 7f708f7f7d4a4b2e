#include "framework/db/DbUnion.h"

#include "platform/core/Archive.h"
#include "platform/core/OwnedListArchive.h"

IMPLEMENT_SERIAL(CDbUnion, CDbEntity, 1)

CDbUnion::CDbUnion() = default;
CDbUnion::~CDbUnion() { dbDelEntList(&m_members); }

void CDbUnion::Serialize(CArchive& ar)
{
    CDbEntity::Serialize(ar);
    if (ar.IsStoring()) {
        m_members.Serialize(ar);
        return;
    }
    // Members are owned: each must be an entity its own record created. Another
    // kind, or a reference to an object read earlier (a repeat, an entity owned
    // elsewhere, this group itself), is a damaged file.
    dbDelEntList(&m_members);
    archive::LoadOwnedList(ar, m_members);
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
