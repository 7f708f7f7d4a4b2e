// Display side of the relief canvas: buffer objects, strips and the preview image.
#include "geometry/relief/GeCanvas.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {
// Surface show modes of the view.
constexpr int kShowShaded = 20;
constexpr int kShowWireframe = 21;
constexpr int kShowPoints = 22;
}  // namespace

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

namespace {

// Makes the device context's OpenGL context current for work outside a frame and
// releases it again; a context that was current stays current.
class CurrentContext {
public:
    explicit CurrentContext(COpenGLDC* dc) : m_dc(dc), m_made(dc && !COpenGLDC::IsContextCurrent())
    {
        m_ok = dc && (!m_made || dc->MakeCurrent(1));
        if (m_ok && m_made) dc->InitCaps();
    }
    ~CurrentContext()
    {
        if (m_ok && m_made) m_dc->MakeCurrent(0);
    }
    CurrentContext(const CurrentContext&) = delete;
    CurrentContext& operator=(const CurrentContext&) = delete;
    bool Ok() const { return m_ok; }

private:
    COpenGLDC* m_dc;
    bool m_made;
    bool m_ok = false;
};

const Float16 kHalfZero(0.0f), kHalfOne(1.0f);

}  // namespace

void CGeCanvas::BuildVBOs()
{
    COpenGLDC* dc = gGetOpenGLDC();
    CurrentContext current(dc);
    if (!current.Ok() || !dc->m_bVBO || !heights) return;
    const size_t cells = static_cast<size_t>(nx) * ny;
    std::vector<float> positions;
    std::vector<Float16> normals;
    try {
        positions.resize(cells * 3);
        normals.resize(cells * 3);
    } catch (const std::bad_alloc&) {
        return;
    }
    size_t k = 0;
    for (std::uint32_t j = 0; j < ny; ++j)
        for (std::uint32_t i = 0; i < nx; ++i, k += 3) {
            positions[k] = xs[i];
            positions[k + 1] = ys[j];
            positions[k + 2] = 0.0f;
            normals[k] = kHalfZero;
            normals[k + 1] = kHalfZero;
            normals[k + 2] = kHalfOne;
        }
    vboVertex = dc->CreateVBO(positions.data(), static_cast<std::ptrdiff_t>(cells * 12), GL_ARRAY_BUFFER, GL_STATIC_DRAW);
    vboNormal = dc->CreateVBO(normals.data(), static_cast<std::ptrdiff_t>(cells * 6), GL_ARRAY_BUFFER, GL_STATIC_DRAW);
}

void CGeCanvas::UpdateInFlag()
{
    COpenGLDC* dc = gGetOpenGLDC();
    if (!flags || !dc) return;
    CurrentContext current(dc);
    if (!current.Ok()) return;
    if (!vboVertex) BuildVBOs();
    if (!vboVertex || !vboNormal) return;
    dc->BindBuffer(GL_ARRAY_BUFFER, vboVertex);
    if (auto* p = static_cast<float*>(dc->MapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY))) {
        const float* h = heights[0];
        const size_t cells = static_cast<size_t>(nx) * ny;
        for (size_t c = 0; c < cells; ++c) p[c * 3 + 2] = h[c];
        dc->UnmapBuffer(GL_ARRAY_BUFFER);
    }
    unsigned cols[2], rows[2];
    GetShowRange(cols, rows);
    cols[1] = std::min(cols[1], nx - 1);
    rows[1] = std::min(rows[1], ny - 1);
    dc->BindBuffer(GL_ARRAY_BUFFER, vboNormal);
    if (auto* p = static_cast<Float16*>(dc->MapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY))) {
        for (unsigned j = rows[0]; j <= rows[1]; ++j)
            for (unsigned i = cols[0]; i <= cols[1]; ++i) {
                if (flags[j][i] == 0 || heights[j][i] == kEmptyHeight) continue;
                float n[3];
                CalcNodeNormal(static_cast<int>(i), static_cast<int>(j), n);
                Float16* rec = p + (static_cast<size_t>(j) * nx + i) * 3;
                rec[0] = Float16(n[0]);
                rec[1] = Float16(n[1]);
                rec[2] = Float16(n[2]);
            }
        dc->UnmapBuffer(GL_ARRAY_BUFFER);
    }
    dc->BindBuffer(GL_ARRAY_BUFFER, 0);
    MakePreview(0);
}

void CGeCanvas::ResetHeight(std::vector<BOX2<int>>& boxes)
{
    if (boxes.empty() || !heights) return;
    ResetFlag(0, nullptr);
    // The heights are emptied whether or not the normals can be reset with them.
    for (const BOX2<int>& box : boxes) {
        BOX2<int> b;
        if (!ClampBox(box, b)) continue;
        for (int y = b.ymin; y <= b.ymax; ++y) std::fill(heights[y] + b.xmin, heights[y] + b.xmax + 1, kEmptyHeight);
    }
    COpenGLDC* dc = gGetOpenGLDC();
    CurrentContext current(dc);
    if (!current.Ok()) return;
    if (!vboVertex) BuildVBOs();
    if (!vboNormal) return;
    dc->BindBuffer(GL_ARRAY_BUFFER, vboNormal);
    if (auto* p = static_cast<Float16*>(dc->MapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY))) {
        for (const BOX2<int>& box : boxes) {
            BOX2<int> b;
            if (!ClampBox(box, b)) continue;
            for (int y = b.ymin; y <= b.ymax; ++y)
                for (int x = b.xmin; x <= b.xmax; ++x) {
                    Float16* rec = p + (static_cast<size_t>(y) * nx + x) * 3;
                    rec[0] = kHalfZero;
                    rec[1] = kHalfZero;
                    rec[2] = kHalfOne;
                }
        }
        dc->UnmapBuffer(GL_ARRAY_BUFFER);
    }
    dc->BindBuffer(GL_ARRAY_BUFFER, 0);
}

void CGeCanvas::SetDefaultMaterial(COpenGLDC* dc)
{
    if (!dc) return;
    const GLfloat ambient[4] = {0.2f, 0.3f, 0.2f, 1.0f}, diffuse[4] = {0.5f, 0.5f, 0.0f, 1.0f},
                  specular[4] = {0.6f, 0.6f, 0.5f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 120.0f);
}

void CGeCanvas::DrawGL(COpenGLDC* dc, int mode)
{
    if (!dc || !heights) return;
    const float ex = nx * step / 2, ey = ny * step / 2;
    dc->SetLightDirection(ex, ey, std::max(ex, ey));
    SetDefaultMaterial(dc);
    glDisable(GL_TEXTURE_2D);
    CLooker* looker = gGetLooker();
    int show = looker ? looker->GetSrfShowMode() : kShowShaded;
    if ((looker && looker->IsAnimateView()) || mode == 3) show = kShowWireframe;
    if (show == kShowShaded) DrawGL_All(kShowShaded);
    else if (show == kShowWireframe) DrawGL_WireFrame(dc);
}

void CGeCanvas::DrawGL_All(int mode)
{
    CLooker* looker = gGetLooker();
    COpenGLDC* dc = gGetOpenGLDC();
    if (!looker || !dc || !heights) return;
    glShadeModel(GL_SMOOTH);
    glEnable(GL_NORMALIZE);
    if (IsShowRangeEmpty()) {
        const unsigned li = nx - 1, lj = ny - 1;
        glBegin(GL_QUADS);
        glNormal3f(0.0f, 0.0f, 1.0f);
        glVertex3f(xs[0], ys[0], heights[0][0]);
        glVertex3f(xs[li], ys[0], heights[0][li]);
        glVertex3f(xs[li], ys[lj], heights[lj][li]);
        glVertex3f(xs[0], ys[lj], heights[lj][0]);
        glEnd();
    } else {
        double w = 0.0;
        looker->ScreentoWorld(1.0, w);
        unsigned s = 16;
        for (unsigned k : {1u, 2u, 4u, 8u})
            if (k * step >= w) {
                s = k;
                break;
            }
        if (!strip || s != showStep) {
            CreateLocalStrip(s);
            showStep = s;
        }
        if (dc->m_bVBO && !vboVertex) BuildVBOs();
        if (strip && vboVertex && vboNormal) {
            glEnableClientState(GL_VERTEX_ARRAY);
            glEnableClientState(GL_NORMAL_ARRAY);
            dc->BindBuffer(GL_ARRAY_BUFFER, vboVertex);
            glVertexPointer(3, GL_FLOAT, 0, nullptr);
            dc->BindBuffer(GL_ARRAY_BUFFER, vboNormal);
            glNormalPointer(GL_HALF_FLOAT, 0, nullptr);
            glDrawElements(mode == kShowPoints ? GL_POINTS : GL_TRIANGLE_STRIP, static_cast<GLsizei>(stripCount),
                           GL_UNSIGNED_INT, strip);
            dc->BindBuffer(GL_ARRAY_BUFFER, 0);
            glDisableClientState(GL_VERTEX_ARRAY);
            glDisableClientState(GL_NORMAL_ARRAY);
        }
        DrawGL_Side(mode);
    }
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_NORMALIZE);
    glFinish();
}

void CGeCanvas::DrawGL_Side(int)
{
    const unsigned cols[4] = {0, static_cast<unsigned>(showRange.left), static_cast<unsigned>(showRange.right), nx - 1};
    const unsigned rows[4] = {0, static_cast<unsigned>(showRange.top), static_cast<unsigned>(showRange.bottom), ny - 1};
    // (column slot, row slot) of the four quads around the show range.
    static constexpr int kCorners[16][2] = {{0, 0}, {3, 0}, {3, 1}, {0, 1}, {0, 1}, {1, 1}, {1, 2}, {0, 2},
                                            {2, 1}, {3, 1}, {3, 2}, {2, 2}, {0, 2}, {3, 2}, {3, 3}, {0, 3}};
    float vertices[16][3];
    Float16 normals[16][3];
    for (int k = 0; k < 16; ++k) {
        const unsigned i = std::min(cols[kCorners[k][0]], nx - 1), j = std::min(rows[kCorners[k][1]], ny - 1);
        vertices[k][0] = xs[i];
        vertices[k][1] = ys[j];
        vertices[k][2] = heights[j][i];
        normals[k][0] = kHalfZero;
        normals[k][1] = kHalfZero;
        normals[k][2] = kHalfOne;
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glNormalPointer(GL_HALF_FLOAT, 0, normals);
    glDrawArrays(GL_QUADS, 0, 16);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glFinish();
}

namespace {

// A black line strip through n nodes, lighting off while it is drawn.
template <class Node>
void DrawBlackLine(COpenGLDC* dc, unsigned n, Node node)
{
    const COLORREF saved = dc->GetColor();
    dc->SetColor(RGB(0, 0, 0));
    glDisable(GL_LIGHTING);
    glBegin(GL_LINE_STRIP);
    for (unsigned k = 0; k < n; ++k) {
        float p[3];
        node(k, p);
        glVertex3fv(p);
    }
    glEnd();
    glEnable(GL_LIGHTING);
    dc->SetColor(saved);
}

}  // namespace

void CGeCanvas::DrawGL_Row(COpenGLDC* dc, int row)
{
    if (!dc || !heights || row < 0 || row >= static_cast<int>(ny)) return;
    DrawBlackLine(dc, nx, [&](unsigned i, float* p) {
        p[0] = xs[i];
        p[1] = ys[row];
        p[2] = heights[row][i];
    });
}

void CGeCanvas::DrawGL_Col(COpenGLDC* dc, int col)
{
    if (!dc || !heights || col < 0 || col >= static_cast<int>(nx)) return;
    DrawBlackLine(dc, ny, [&](unsigned j, float* p) {
        p[0] = xs[col];
        p[1] = ys[j];
        p[2] = heights[j][col];
    });
}

void CGeCanvas::DrawGL_WireFrame(COpenGLDC* dc)
{
    if (!dc || !heights) return;
    // A grid of fewer than 5 rows or columns draws each of them.
    const unsigned a = std::max(ny / 5, 1u), b = std::max(nx / 5, 1u);
    for (unsigned j = 0; j < ny; j += a) DrawGL_Row(dc, static_cast<int>(j));
    for (unsigned i = 0; i < nx; i += b) DrawGL_Col(dc, static_cast<int>(i));
}
