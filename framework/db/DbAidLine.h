// Guide line: an endless horizontal or vertical line through one coordinate.
#pragma once

#include "framework/db/DbEntity.h"

class CDbAidLine : public CDbEntity {
    DECLARE_SERIAL(CDbAidLine)
public:
    static constexpr int kHorizontal = 0;
    static constexpr int kVertical = 1;

    CDbAidLine() = default;
    // Horizontal: the line y = position; vertical: x = position.
    CDbAidLine(double position, int orientation);

    // Entity part, position (double), orientation (int32).
    void Serialize(CArchive& ar) override;
    CDbEntity* Copy() override;
    int GetType() const override { return kDbTypeAidLine; }
    int GetBaseType() const override { return kDbBaseAid; }
    // Across the whole view box.
    void Draw(CDC* dc, int mode) override;
    // A guide line has no finite extent.
    BOOL GetBox(BOX2<double>* box) override;
    void Move(const double* from, const double* to) override;
    void Scale(const double* base, const double* factors) override;

    double GetPosition() const { return m_dPosition; }
    int GetOrientation() const { return m_nOrientation; }

private:
    double m_dPosition = 0.0;
    int m_nOrientation = kHorizontal;
};
