// Image entity: a bitmap placed on the drawing with its lower-left corner at
// the origin point and a size in millimetres (one pixel per millimetre at first).
#pragma once

#include "framework/db/DbEntity.h"

class CDib;

class CDbImage : public CDbEntity {
    DECLARE_SERIAL(CDbImage)
public:
    CDbImage();
    // Takes one reference of dib (the caller AddRefs when it keeps its own);
    // origin is the lower-left corner.
    CDbImage(CDib* dib, const double* origin);
    ~CDbImage() override;

    // Entity part, origin and size (4 doubles), then the pixels: width and
    // height (int32) and width x height x 4 BGRA bytes (0 x 0 without a bitmap).
    void Serialize(CArchive& ar) override;
    CDbEntity* Copy() override;
    int GetType() const override { return kDbTypeImage; }
    int GetBaseType() const override { return kDbBaseImage; }
    // The pixels stretched over the image rectangle; the rubber-band modes draw
    // the rectangle's outline instead, the selected mode both.
    void Draw(CDC* dc, int mode) override;
    BOOL GetBox(BOX2<double>* box) override;
    void Move(const double* from, const double* to) override;
    void Scale(const double* base, const double* factors) override;

    CDib* GetDib() const { return m_pDib; }

private:
    CDib* m_pDib = nullptr;
    double m_origin[2] = {0.0, 0.0};
    double m_size[2] = {0.0, 0.0};
};
