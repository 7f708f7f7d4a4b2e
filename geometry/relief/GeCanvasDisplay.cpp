// Display side of the relief canvas: buffer objects, strips and the preview image.
#include "geometry/relief/GeCanvas.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

void CGeCanvas::DeleteBuffers()
{
    unsigned int names[3] = {vboVertex, vboNormal, vboExtra};
    vboVertex = vboNormal = vboExtra = 0;
    if (!names[0] && !names[1] && !names[2]) return;
    COpenGLDC* dc = gGetOpenGLDC();
    // Without a context the names cannot be deleted; the context's own teardown frees them.
    if (!dc || !dc->MakeCurrent(1)) return;
    for (unsigned int name : names)
        if (name) dc->DeleteBuffers(1, &name);
    dc->MakeCurrent(0);
}

void CGeCanvas::MakePreview(int) {}

void CGeCanvas::SetShowStep(unsigned stepNodes)
{
    if (stepNodes == showStep) return;
    ClearAllTriStrip();
    showStep = stepNodes;
}

void CGeCanvas::SetShowRange(BOX2<double>* box)
{
    if (!box) return;
    if (box->xmax >= box->xmin && box->ymax >= box->ymin && xs) {
        showRange.left = Get_IndexMin(static_cast<float>(box->xmin), 0);
        showRange.top = Get_IndexMin(static_cast<float>(box->ymin), 1);
        showRange.right = Get_IndexMax(static_cast<float>(box->xmax), 0);
        showRange.bottom = Get_IndexMax(static_cast<float>(box->ymax), 1);
        showStep = 0;
    } else {
        showRange = RECT{0, 0, 0, 0};
    }
}

void CGeCanvas::GetShowRange(unsigned* cols, unsigned* rows) const
{
    cols[0] = static_cast<unsigned>(showRange.left);
    cols[1] = static_cast<unsigned>(showRange.right);
    rows[0] = static_cast<unsigned>(showRange.top);
    rows[1] = static_cast<unsigned>(showRange.bottom);
}

namespace {

struct V3 {
    float x, y, z;
};
V3 Cross(const V3& a, const V3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Add(const V3& a, const V3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 Unit(const V3& a)
{
    const float len = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    if (len <= 1e-6f) return {0.0f, 0.0f, 1.0f};
    return {a.x / len, a.y / len, a.z / len};
}

}  // namespace

void CGeCanvas::CalcNodeNormal(int i, int j, float* normal) const
{
    const int lastI = static_cast<int>(nx) - 1, lastJ = static_cast<int>(ny) - 1;
    const float h = heights[j][i];
    const auto right = [&] { return V3{step, 0.0f, heights[j][i + 1] - h}; };
    const auto up = [&] { return V3{0.0f, step, heights[j + 1][i] - h}; };
    const auto left = [&] { return V3{-step, 0.0f, heights[j][i - 1] - h}; };
    const auto down = [&] { return V3{0.0f, -step, heights[j - 1][i] - h}; };
    V3 n;
    if (i > 0 && i < lastI && j > 0 && j < lastJ) n = {-(heights[j][i + 1] - h), -(heights[j + 1][i] - h), step};
    else if (i == 0 && j == 0) n = Cross(right(), up());
    else if (i == lastI && j == 0) n = Cross(up(), left());
    else if (i == 0 && j == lastJ) n = Cross(down(), right());
    else if (i == lastI && j == lastJ) n = Cross(left(), down());
    else if (i == 0) n = Add(Cross(right(), up()), Cross(down(), right()));
    else if (i == lastI) n = Add(Cross(up(), left()), Cross(left(), down()));
    else if (j == 0) n = Add(Cross(right(), up()), Cross(up(), left()));
    else n = Add(Unit(Cross(left(), down())), Unit(Cross(down(), right())));
    n = Unit(n);
    normal[0] = n.x;
    normal[1] = n.y;
    normal[2] = n.z;
}

void CGeCanvas::BuildStrip(unsigned c0, unsigned c1, unsigned r0, unsigned r1, unsigned s)
{
    if (s == 0) s = 1;
    if (!strip) {
        strip = new (std::nothrow) std::uint32_t[(static_cast<size_t>(nx) + 2) * ny * 2];
        if (!strip) return;
    }
    const auto sampled = [s](unsigned first, unsigned last) {
        std::vector<unsigned> v;
        for (unsigned k = first; k < last; k += s) v.push_back(k);
        v.push_back(last);
        return v;
    };
    const std::vector<unsigned> rows = sampled(r0, r1), cols = sampled(c0, c1);
    std::uint32_t n = 0;
    for (size_t b = 0; b + 1 < rows.size(); ++b) {
        const std::uint32_t lower = rows[b] * nx, upper = rows[b + 1] * nx;
        if (b > 0) {  // degenerate join: the previous band's last index, the new band's first
            strip[n] = strip[n - 1];
            ++n;
            strip[n++] = upper + cols[0];
        }
        for (unsigned c : cols) {
            strip[n++] = upper + c;
            strip[n++] = lower + c;
        }
    }
    stripCount = n;
}

void CGeCanvas::CreateAllStrip(unsigned s)
{
    if (!heights) return;
    BuildStrip(0, nx - 1, 0, ny - 1, s);
}

void CGeCanvas::CreateLocalStrip(unsigned s)
{
    if (!gGetLooker() || !heights) return;
    unsigned cols[2], rows[2];
    GetShowRange(cols, rows);
    // Widened by one node; a range starting at column or row 1 is kept there.
    const unsigned c0 = cols[0] > 1 ? cols[0] - 1 : cols[0], r0 = rows[0] > 1 ? rows[0] - 1 : rows[0];
    const unsigned c1 = std::min(cols[1] + 1, nx - 1), r1 = std::min(rows[1] + 1, ny - 1);
    BuildStrip(c0, c1, r0, r1, s);
}
