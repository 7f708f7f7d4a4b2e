#include "framework/relayon/Selector.h"

#include <algorithm>

CDbEntity* CSelector::GetEntity(int index) const
{
    return index >= 0 && index < GetSize() ? m_entities[static_cast<size_t>(index)] : nullptr;
}

int CSelector::GetSizeOfBType(int mask) const
{
    return static_cast<int>(
        std::count_if(m_entities.begin(), m_entities.end(), [mask](CDbEntity* e) { return (e->GetBaseType() & mask) != 0; }));
}

BOOL CSelector::Contains(const CDbEntity* entity) const
{
    return std::find(m_entities.begin(), m_entities.end(), entity) != m_entities.end() ? TRUE : FALSE;
}

BOOL CSelector::Add(CDbEntity* entity)
{
    if (entity == nullptr || Contains(entity)) return FALSE;
    m_entities.push_back(entity);
    entity->SetSelected(TRUE);
    m_bBoxValid = FALSE;
    return TRUE;
}

BOOL CSelector::Remove(CDbEntity* entity)
{
    auto it = std::find(m_entities.begin(), m_entities.end(), entity);
    if (it == m_entities.end()) return FALSE;
    m_entities.erase(it);
    entity->SetSelected(FALSE);
    m_bBoxValid = FALSE;
    return TRUE;
}

void CSelector::ClearAll()
{
    for (CDbEntity* e : m_entities) e->SetSelected(FALSE);
    RemoveAll();
}

void CSelector::CalcBox()
{
    BOX2<double> all;
    all.InitEmpty();
    BOOL any = FALSE;
    for (CDbEntity* e : m_entities) {
        BOX2<double> b;
        if (e->GetBox(&b)) all.Union(b), any = TRUE;
    }
    m_box = all;
    m_bBoxValid = any;
}

BOOL CSelector::GetBox(BOX2<double>* box)
{
    if (!m_bBoxValid) CalcBox();
    if (m_bBoxValid && box != nullptr) *box = m_box;
    return m_bBoxValid;
}

void CSelector::Draw(CDC* dc, int mode)
{
    if (dc == nullptr || m_nShowFlag == 0) return;
    for (CDbEntity* e : m_entities) e->Draw(dc, mode);
}

void CSelector::DrawGL(COpenGLDC* dc, int mode)
{
    if (m_nShowFlag == 0) return;
    for (CDbEntity* e : m_entities) e->DrawGL(dc, mode);
}

void CSelector::DrawFeatureGL(COpenGLDC* dc) { DrawGL(dc, 1); }
