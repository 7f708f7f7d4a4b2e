// Group entity: owns its member entities.
#pragma once

#include "framework/db/DbEntity.h"
#include "geometry/shapes2d/GeometryChange.h"

class CDbUnion : public CDbEntity {
    DECLARE_SERIAL(CDbUnion)
public:
    CDbUnion();
    ~CDbUnion() override;

    // Entity part, then the members as an object list; loading refuses a
    // member that is not an entity or that its record did not create.
    void Serialize(CArchive& ar) override;
    CDbEntity* Copy() override;
    void SetSelected(BOOL selected) override;
    void SetLayerID(int layerId) override;
    int GetType() const override { return kDbTypeUnion; }
    int GetBaseType() const override { return kDbBaseUnion; }
    void Draw(CDC* dc, int mode) override;
    BOOL GetBox(BOX2<double>* box) override;
    void Move(const double* from, const double* to) override;
    void Scale(const double* base, const double* factors) override;
    void DrawGL(COpenGLDC* dc, int mode) override;

    // Takes ownership; null is ignored.
    void AddEntity(CDbEntity* entity);
    int GetCount() const { return static_cast<int>(m_members.GetCount()); }
    // The member list for editing: notes a geometry change (the const form reads).
    CTypedPtrList<CObList, CDbEntity*>& GetMembers()
    {
        geNoteGeometryChange();
        return m_members;
    }
    const CTypedPtrList<CObList, CDbEntity*>& GetMembers() const { return m_members; }

private:
    CTypedPtrList<CObList, CDbEntity*> m_members;
};
