#include "framework/looker/WorkArea.h"

#include <cmath>
#include <memory>

namespace {
std::unique_ptr<CWorkArea> g_workArea;
}

CWorkArea* CWorkArea::Instance()
{
    if (!g_workArea) g_workArea = std::make_unique<CWorkArea>();
    return g_workArea.get();
}

void CWorkArea::Uninstance() { g_workArea.reset(); }

void CWorkArea::GetPageSize(float& width, float& height) const
{
    width = static_cast<float>(m_dPageWidth);
    height = static_cast<float>(m_dPageHeight);
}

BOX2<double> CWorkArea::GetPageSize() const { return BOX2<double>(0.0, 0.0, m_dPageWidth, m_dPageHeight); }

BOOL CWorkArea::SetPageSize(double width, double height)
{
    if (!(std::isfinite(width) && std::isfinite(height) && width > 0.0 && height > 0.0)) return FALSE;
    m_dPageWidth = width;
    m_dPageHeight = height;
    return TRUE;
}

void CWorkArea::SetScrollInfo()
{
    if (m_scroll) m_scroll();
}
