// Tool paths in the database: a path group entity owning an ordered list of path
// units, each holding one composite 3D curve (lines, arcs and polylines in cutting
// order). The toolpath library hands its results to the host in this form.
#pragma once

#include "framework/db/DbEntity.h"

class CGeCombCurve3d;

class CDbPathUnit {
public:
    // Takes ownership of curve (may be null).
    explicit CDbPathUnit(CGeCombCurve3d* curve = nullptr);
    ~CDbPathUnit();
    CDbPathUnit(const CDbPathUnit&) = delete;
    CDbPathUnit& operator=(const CDbPathUnit&) = delete;

    CGeCombCurve3d* GetCurve() const { return m_pCurve; }
    // Replaces (and deletes) the curve held; takes ownership of curve.
    void SetCurve(CGeCombCurve3d* curve);

private:
    CGeCombCurve3d* m_pCurve = nullptr;
};

using CDbPathUnitList = CTypedPtrList<CPtrList, CDbPathUnit*>;

class CDbPathGroup : public CDbEntity {
    DECLARE_DYNAMIC(CDbPathGroup)
public:
    CDbPathGroup();
    // Deletes every unit with its curve.
    ~CDbPathGroup() override;
    int GetBaseType() const override { return kDbBasePath; }
    CDbPathGroup(const CDbPathGroup&) = delete;
    CDbPathGroup& operator=(const CDbPathGroup&) = delete;

    // The units in cutting order, owned by the group: callers append new units and
    // must remove a unit from the list before deleting it elsewhere.
    CDbPathUnitList m_listUnit;
};
