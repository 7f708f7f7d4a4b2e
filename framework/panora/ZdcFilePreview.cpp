#include "framework/panora/ZdcFilePreview.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/DBase.h"
#include "framework/relayon/Selector.h"
#include "platform/core/Archive.h"
#include "platform/ui/Prompt.h"

#include <algorithm>
#include <cmath>

namespace {

void Put(std::vector<BYTE>& pixels, int width, int x, int y, COLORREF c)
{
    BYTE* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
    p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c), p[3] = 255;
}

}  // namespace

void CZdcFilePreview::GenBitmap(int mode)
{
    const CQVGlobal* global = gGetQVGlobal();
    const COLORREF background = global != nullptr ? global->m_crBackground : RGB(0, 0, 0);
    const COLORREF ink = global != nullptr ? global->m_crDrawing : RGB(255, 255, 255);
    m_nWidth = kPreviewWidth;
    m_nHeight = kPreviewHeight;
    m_pixels.assign(static_cast<size_t>(m_nWidth) * m_nHeight * 4, 0);
    for (int y = 0; y < m_nHeight; ++y)
        for (int x = 0; x < m_nWidth; ++x) Put(m_pixels, m_nWidth, x, y, background);

    std::vector<CDbEntity*> entities;
    if (mode == 0) {
        if (CSelector* sel = gGetSelector())
            for (int i = 0; i < sel->GetSize(); ++i) entities.push_back(sel->GetEntity(i));
    } else if (CDBase::IsLiving()) {
        for (CDbEntity* e : CDBase::Instance()->GetEntities()) entities.push_back(e);
    }
    BOX2<double> all;
    all.InitEmpty();
    std::vector<BOX2<double>> boxes;
    for (CDbEntity* e : entities) {
        BOX2<double> b;
        if (e->GetBox(&b)) boxes.push_back(b), all.Union(b);
    }
    if (boxes.empty()) return;
    const double span = std::max({all.xmax - all.xmin, all.ymax - all.ymin, 1e-9});
    const double scale = (kPreviewWidth - 5) / span;
    auto px = [&](double x) { return std::clamp(static_cast<int>(2 + (x - all.xmin) * scale), 0, m_nWidth - 1); };
    auto py = [&](double y) { return std::clamp(m_nHeight - 3 - static_cast<int>((y - all.ymin) * scale), 0, m_nHeight - 1); };
    for (const BOX2<double>& b : boxes) {
        const int x0 = px(b.xmin), x1 = px(b.xmax), y0 = py(b.ymax), y1 = py(b.ymin);
        for (int x = x0; x <= x1; ++x) Put(m_pixels, m_nWidth, x, y0, ink), Put(m_pixels, m_nWidth, x, y1, ink);
        for (int y = y0; y <= y1; ++y) Put(m_pixels, m_nWidth, x0, y, ink), Put(m_pixels, m_nWidth, x1, y, ink);
    }
}

void CZdcFilePreview::BitmapSerialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        if (m_pixels.empty()) {
            ar << std::int32_t{0};
            return;
        }
        ar << static_cast<std::int32_t>(8 + m_pixels.size()) << std::int32_t{m_nWidth} << std::int32_t{m_nHeight};
        ar.Write(m_pixels.data(), static_cast<UINT>(m_pixels.size()));
        return;
    }
    std::int32_t size = 0;
    ar >> size;
    if (size == 0) {
        m_nWidth = m_nHeight = 0;
        m_pixels.clear();
        return;
    }
    if (size < 8) AfxThrowArchiveException(CArchiveException::genericException);
    ar.RequireBytes(static_cast<ULONGLONG>(size));
    std::int32_t width = 0, height = 0;
    ar >> width >> height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        static_cast<ULONGLONG>(size) != 8 + static_cast<ULONGLONG>(width) * height * 4)
        AfxThrowArchiveException(CArchiveException::genericException);
    std::vector<BYTE> pixels(static_cast<size_t>(size) - 8);
    if (ar.Read(pixels.data(), static_cast<UINT>(pixels.size())) != pixels.size())
        AfxThrowArchiveException(CArchiveException::endOfFile);
    m_nWidth = width;
    m_nHeight = height;
    m_pixels = std::move(pixels);
}

BOOL CZdcFilePreview::GetCADName(int mode, CString& path)
{
    CFileDialogRequest request;
    request.bOpen = mode == 1 ? TRUE : FALSE;
    request.strDefExt = L"zdc";
    request.strFilter = L"Dalvex File(*.zdc)|*.zdc||";
    request.strFileName = path;
    CString chosen;
    if (!AfxGetPromptService()->ChooseFile(request, chosen)) return FALSE;
    path = chosen;
    return TRUE;
}
