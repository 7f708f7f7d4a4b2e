#include "framework/db/DbImage.h"

#include "framework/looker/Dib.h"
#include "framework/looker/Looker.h"
#include "platform/core/Archive.h"

#include <cmath>

IMPLEMENT_SERIAL(CDbImage, CDbEntity, 1)

CDbImage::CDbImage() = default;

CDbImage::CDbImage(CDib* dib, const double* origin) : m_pDib(dib)
{
    if (origin != nullptr) m_origin[0] = origin[0], m_origin[1] = origin[1];
    if (dib != nullptr) m_size[0] = dib->GetWidth(), m_size[1] = dib->GetHeight();
}

CDbImage::~CDbImage()
{
    if (m_pDib != nullptr) m_pDib->Release();
}

void CDbImage::Serialize(CArchive& ar)
{
    CDbEntity::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_origin[0] << m_origin[1] << m_size[0] << m_size[1];
        const int w = m_pDib != nullptr ? m_pDib->GetWidth() : 0;
        const int h = m_pDib != nullptr ? m_pDib->GetHeight() : 0;
        ar << w << h;
        if (w > 0 && h > 0) ar.Write(m_pDib->GetBits().data(), static_cast<UINT>(m_pDib->GetBits().size()));
        return;
    }
    ar >> m_origin[0] >> m_origin[1] >> m_size[0] >> m_size[1];
    int w = 0, h = 0;
    ar >> w >> h;
    if (m_pDib != nullptr) m_pDib->Release();
    m_pDib = nullptr;
    if (w == 0 && h == 0) return;
    if (w < 0 || h < 0 || w > CDib::kMaxSide || h > CDib::kMaxSide)
        AfxThrowArchiveException(CArchiveException::genericException);
    const ULONGLONG n = static_cast<ULONGLONG>(w) * static_cast<ULONGLONG>(h) * 4;
    ar.RequireBytes(n);
    std::vector<BYTE> bits(static_cast<std::size_t>(n));
    if (ar.Read(bits.data(), static_cast<UINT>(n)) != n) AfxThrowArchiveException(CArchiveException::endOfFile);
    auto* dib = new CDib;
    dib->Create(w, h, bits.data());
    m_pDib = dib;
}

CDbEntity* CDbImage::Copy()
{
    if (m_pDib != nullptr) m_pDib->AddRef();
    auto* copy = new CDbImage(m_pDib, m_origin);
    copy->m_size[0] = m_size[0], copy->m_size[1] = m_size[1];
    CopyAttributesTo(*copy);
    return copy;
}

void CDbImage::Draw(CDC* dc, int mode)
{
    CLooker* looker = gGetLooker();
    if (dc == nullptr || looker == nullptr) return;
    const double x0 = m_origin[0], y0 = m_origin[1];
    const double x1 = x0 + m_size[0], y1 = y0 + m_size[1];
    const bool rubber = mode == kDrawRubber || mode == kDrawRubberFast;
    if (!rubber && m_pDib != nullptr && !m_pDib->IsEmpty()) {
        // World y grows upwards, so the top row of the bitmap is at y1.
        const double topLeft[2] = {x0, y1}, bottomRight[2] = {x1, y0};
        CPoint a, b;
        looker->WorldtoScreen2D(topLeft, a);
        looker->WorldtoScreen2D(bottomRight, b);
        const RECT dest{a.x, a.y, b.x, b.y};
        dc->StretchDIBits(&dest, m_pDib->GetWidth(), m_pDib->GetHeight(), m_pDib->GetBits().data());
        if (mode == kDrawNormal) return;
    }
    // Rubber-band drawing and the selection mark show the image's rectangle.
    const double outline[5][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    PenGuard guard(dc, *this, mode);
    looker->DrawPolyline(outline, 5, dc);
}

BOOL CDbImage::GetBox(BOX2<double>* box)
{
    if (box == nullptr) return FALSE;
    const double p[2] = {m_origin[0], m_origin[1]};
    const double q[2] = {m_origin[0] + m_size[0], m_origin[1] + m_size[1]};
    box->Init(p, q);
    return TRUE;
}

void CDbImage::Move(const double* from, const double* to)
{
    m_origin[0] += to[0] - from[0];
    m_origin[1] += to[1] - from[1];
}

void CDbImage::Scale(const double* base, const double* factors)
{
    for (int i = 0; i < 2; ++i) {
        const double a = base[i] + (m_origin[i] - base[i]) * factors[i];
        const double b = base[i] + (m_origin[i] + m_size[i] - base[i]) * factors[i];
        m_origin[i] = std::fmin(a, b);
        m_size[i] = std::fabs(b - a);
    }
}
