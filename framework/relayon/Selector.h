// The selection: entities of the database picked by the user (not owned).
#pragma once

#include "framework/db/DbEntity.h"

#include <vector>

class COpenGLDC;

class CSelector {
public:
    CSelector() = default;
    CSelector(const CSelector&) = delete;
    CSelector& operator=(const CSelector&) = delete;

    int GetSize() const { return static_cast<int>(m_entities.size()); }
    BOOL IsEmpty() const { return m_entities.empty(); }
    // Null out of range.
    CDbEntity* GetEntity(int index) const;
    // Number of selected entities whose base type has any bit of mask.
    int GetSizeOfBType(int mask) const;
    BOOL Contains(const CDbEntity* entity) const;

    // Adds an entity once and marks it selected; FALSE for null or a duplicate.
    BOOL Add(CDbEntity* entity);
    // Takes an entity out and clears its mark.
    BOOL Remove(CDbEntity* entity);
    // Clears every mark and empties the selection.
    void ClearAll();
    // Empties the selection without touching the entities (they may be gone).
    void RemoveAll() { m_entities.clear(); m_bBoxValid = FALSE; }

    // Box of the selection, computed by CalcBox or on demand; FALSE when empty.
    BOOL GetBox(BOX2<double>* box);
    void CalcBox();

    void Draw(CDC* dc, int mode);
    void DrawGL(COpenGLDC* dc, int mode);
    void DrawFeatureGL(COpenGLDC* dc);

    void SetShowFlag(int flag) { m_nShowFlag = flag; }
    int GetShowFlag() const { return m_nShowFlag; }
    void SetWorkPlane(int plane, int flag) { m_nWorkPlane = plane, m_nWorkPlaneFlag = flag; }
    int GetWorkPlane() const { return m_nWorkPlane; }
    BOOL IsLocked() const { return m_bLocked; }
    void SetLocked(BOOL locked) { m_bLocked = locked ? TRUE : FALSE; }

    double m_d3DOffset = 0.0;  // the value the view resets before a 3D paint

private:
    std::vector<CDbEntity*> m_entities;
    BOX2<double> m_box{};
    BOOL m_bBoxValid = FALSE;
    int m_nShowFlag = 1;
    int m_nWorkPlane = 3;
    int m_nWorkPlaneFlag = 1;
    BOOL m_bLocked = FALSE;
};
