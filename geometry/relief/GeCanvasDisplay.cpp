// Display side of the relief canvas: buffer objects, strips and the preview image.
#include "geometry/relief/GeCanvas.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"

#include "framework/looker/Dib.h"
#include "framework/numerak/Box2D.h"
#include "platform/core/DibSection.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {
// Surface show modes of the view.
constexpr int kShowShaded = 20;
constexpr int kShowWireframe = 21;
constexpr int kShowPoints = 22;
// Width of the preview image in pixels; its height keeps the canvas's proportions.
constexpr int kPreviewWidth = 600;
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

void CGeCanvas::ReleaseRecords()
{
    DeleteBuffers();
    m_clientVertex = {};
    m_clientNormal = {};
}


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
    if (!current.Ok() || !heights) return;
    const size_t cells = static_cast<size_t>(nx) * ny;
    std::vector<float> positions;
    std::vector<Float16> normals;
    try {
        positions.resize(cells * 3);
        if (dc->m_bVBO) normals.resize(cells * 3);
        else m_clientNormal.assign(cells * 3, 0.0f);
    } catch (const std::bad_alloc&) {
        m_clientNormal = {};
        return;
    }
    size_t k = 0;
    for (std::uint32_t j = 0; j < ny; ++j)
        for (std::uint32_t i = 0; i < nx; ++i, k += 3) {
            positions[k] = xs[i];
            positions[k + 1] = ys[j];
            positions[k + 2] = 0.0f;
        }
    if (!dc->m_bVBO) {
        // The strips then draw from these arrays.
        for (k = 2; k < cells * 3; k += 3) m_clientNormal[k] = 1.0f;
        m_clientVertex = std::move(positions);
        return;
    }
    for (k = 0; k < cells * 3; k += 3) {
        normals[k] = kHalfZero;
        normals[k + 1] = kHalfZero;
        normals[k + 2] = kHalfOne;
    }
    vboVertex = dc->CreateVBO(positions.data(), static_cast<std::ptrdiff_t>(cells * 12), GL_ARRAY_BUFFER, GL_STATIC_DRAW);
    vboNormal = dc->CreateVBO(normals.data(), static_cast<std::ptrdiff_t>(cells * 6), GL_ARRAY_BUFFER, GL_STATIC_DRAW);
}

bool CGeCanvas::HasRecords(const COpenGLDC* dc) const
{
    return dc->m_bVBO ? vboVertex && vboNormal : !m_clientVertex.empty() && !m_clientNormal.empty();
}

float* CGeCanvas::MapPositions(COpenGLDC* dc)
{
    if (!dc->m_bVBO) return m_clientVertex.data();
    dc->BindBuffer(GL_ARRAY_BUFFER, vboVertex);
    return static_cast<float*>(dc->MapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));
}

CGeCanvas::NormalRecords CGeCanvas::MapNormals(COpenGLDC* dc)
{
    NormalRecords r;
    if (!dc->m_bVBO) {
        r.full = m_clientNormal.data();
        return r;
    }
    dc->BindBuffer(GL_ARRAY_BUFFER, vboNormal);
    r.half = static_cast<Float16*>(dc->MapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));
    return r;
}

void CGeCanvas::NormalRecords::Set(size_t cell, const float* n)
{
    for (int k = 0; k < 3; ++k) {
        const Float16 h(n[k]);
        // Client normals hold the values the buffer would, so both draw alike.
        if (half) half[cell * 3 + k] = h;
        else full[cell * 3 + k] = static_cast<float>(h);
    }
}

void CGeCanvas::UnmapRecords(COpenGLDC* dc)
{
    if (dc->m_bVBO) dc->UnmapBuffer(GL_ARRAY_BUFFER);
}

void CGeCanvas::UpdateInFlag()
{
    COpenGLDC* dc = gGetOpenGLDC();
    if (!flags || !dc) return;
    CurrentContext current(dc);
    if (!current.Ok()) return;
    if (!HasRecords(dc)) BuildVBOs();
    if (!HasRecords(dc)) return;
    if (float* p = MapPositions(dc)) {
        const float* h = heights[0];
        const size_t cells = static_cast<size_t>(nx) * ny;
        for (size_t c = 0; c < cells; ++c) p[c * 3 + 2] = h[c];
        UnmapRecords(dc);
    }
    unsigned cols[2], rows[2];
    GetShowRange(cols, rows);
    cols[1] = std::min(cols[1], nx - 1);
    rows[1] = std::min(rows[1], ny - 1);
    if (NormalRecords normals = MapNormals(dc)) {
        for (unsigned j = rows[0]; j <= rows[1]; ++j)
            for (unsigned i = cols[0]; i <= cols[1]; ++i) {
                if (flags[j][i] == 0 || heights[j][i] == kEmptyHeight) continue;
                float n[3];
                CalcNodeNormal(static_cast<int>(i), static_cast<int>(j), n);
                normals.Set(static_cast<size_t>(j) * nx + i, n);
            }
        UnmapRecords(dc);
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
    if (!HasRecords(dc)) BuildVBOs();
    if (!HasRecords(dc)) return;
    if (NormalRecords normals = MapNormals(dc)) {
        const float up[3] = {0.0f, 0.0f, 1.0f};
        for (const BOX2<int>& box : boxes) {
            BOX2<int> b;
            if (!ClampBox(box, b)) continue;
            for (int y = b.ymin; y <= b.ymax; ++y)
                for (int x = b.xmin; x <= b.xmax; ++x) normals.Set(static_cast<size_t>(y) * nx + x, up);
        }
        UnmapRecords(dc);
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
        if (!HasRecords(dc)) BuildVBOs();
        if (strip && HasRecords(dc)) {
            glEnableClientState(GL_VERTEX_ARRAY);
            glEnableClientState(GL_NORMAL_ARRAY);
            if (dc->m_bVBO) {
                dc->BindBuffer(GL_ARRAY_BUFFER, vboVertex);
                glVertexPointer(3, GL_FLOAT, 0, nullptr);
                dc->BindBuffer(GL_ARRAY_BUFFER, vboNormal);
                glNormalPointer(GL_HALF_FLOAT, 0, nullptr);
            } else {
                glVertexPointer(3, GL_FLOAT, 0, m_clientVertex.data());
                glNormalPointer(GL_FLOAT, 0, m_clientNormal.data());
            }
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

void CGeCanvas::MakePreview(int flat)
{
    if (!heights) return;
    CDibSection bitmap;
    CreatePreviewBitmapEx(&bitmap, kPreviewWidth, static_cast<int>(ny * double(kPreviewWidth) / nx), flat);
    if (!bitmap.IsCreated()) return;
    if (!preview) preview = new CDib;
    preview->CBitmap2Bitmap(bitmap);
}

void CGeCanvas::CreatePreviewBitmapEx(CDibSection* bmp, int width, int height, int flat)
{
    COpenGLDC* dc = gGetOpenGLDC();
    if (!bmp || !dc || !heights) return;
    bmp->DeleteObject();
    CurrentContext current(dc);
    if (!current.Ok() || !dc->m_bFBO) return;
    CDibSection dib;
    if (!dib.Create(width, height)) return;

    // The preview is often made inside another frame or between frames of the view:
    // its framebuffer, viewport, matrices, camera and state are put back afterwards.
    GLint previousFbo = 0, previousPack = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previousFbo);
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &previousPack);
    const GCamera camera = dc->m_Camera;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);

    GLuint texture = 0, depth = 0, fbo = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    // A depth buffer, so that the quads around the show range stay behind the strips.
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    if (dc->CheckFramebufferStatus(fbo)) {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        // Ready reads the capability flags again; a caller that cleared one to force a
        // fallback keeps it cleared.
        const BYTE caps[3] = {dc->m_bVBO, dc->m_bFBO, dc->m_bPBO};
        dc->Ready(width, height);
        dc->m_bVBO = caps[0], dc->m_bFBO = caps[1], dc->m_bPBO = caps[2];
        // Seen from above over the canvas box; the heights strictly inside the depth
        // range, whose ends would clip a surface lying on them.
        const size_t cells = static_cast<size_t>(nx) * ny;
        const auto [lo, hi] = std::minmax_element(heights[0], heights[0] + cells);
        const double zLow = std::min(*lo, 0.0f), zHigh = std::max(*hi, 0.0f);
        const double margin = std::max(1.0, 0.01 * (zHigh - zLow));
        BOX3<double> box = m_box;
        box.zmin = zLow - margin;
        box.zmax = zHigh + margin;
        dc->m_Camera.LookAt(box);
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_COLOR_MATERIAL);
        glDisable(GL_TEXTURE_2D);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glDepthMask(GL_TRUE);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        // White is the colour key of the 2D draw: where nothing is drawn the view shows through.
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const float ex = nx * step / 2, ey = ny * step / 2;
        dc->SetLightDirection(ex, ey, std::max(ex, ey));
        SetDefaultMaterial(dc);
        if (flat) {
            glBegin(GL_QUADS);
            glNormal3f(0.0f, 0.0f, 1.0f);
            glVertex3d(m_box.xmin, m_box.ymin, 0.0);
            glVertex3d(m_box.xmax, m_box.ymin, 0.0);
            glVertex3d(m_box.xmax, m_box.ymax, 0.0);
            glVertex3d(m_box.xmin, m_box.ymax, 0.0);
            glEnd();
        } else {
            DrawGL_All(kShowShaded);
        }
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, width, height, GL_BGR, GL_UNSIGNED_BYTE, dib.GetBits());
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        *bmp = std::move(dib);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previousFbo));
    glDeleteFramebuffers(1, &fbo);
    glDeleteRenderbuffers(1, &depth);
    glDeleteTextures(1, &texture);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(previousPack));
    glPopClientAttrib();
    glPopAttrib();
    dc->m_Camera = camera;
}

void CGeCanvas::Draw(CDC* dc)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker || CLooker::IsView3D() || (looker->IsCheckBox() && IsInViewWnd() == 0)) return;
    if (!preview) MakePreview(0);
    if (preview && !preview->IsEmpty()) {
        const double w = m_box.xmax - m_box.xmin, h = m_box.ymax - m_box.ymin;
        const double corners[3][2] = {{originX, originY + h}, {originX + w, originY + h}, {originX, originY}};
        POINT points[3];
        for (int k = 0; k < 3; ++k) {
            CPoint p;
            looker->WorldtoScreen(corners[k], p, 2);
            points[k] = POINT{p.x, p.y};
        }
        const COLORREF white = RGB(255, 255, 255);
        dc->DrawImage(points, preview->GetWidth(), preview->GetHeight(), preview->GetBits().data(), &white);
    }
    CGeSurf::Draw(dc);
}

int CGeCanvas::IsInViewWnd()
{
    CLooker* looker = gGetLooker();
    if (!looker) return 0;
    if (CLooker::IsView3D()) return 1;
    BOX2<double> box;
    GetBox2D(&box);
    const CRect& check = looker->GetClipRect();
    if (check.IsRectEmpty()) {
        const BOX2<double> view = looker->GetViewBox();
        if (!BOX2D_IsInt(view, box, 0.01)) return 0;
        return BOX2D_IsContain(view, box, 1.0) ? 8 : 1;
    }
    const double lo[2] = {box.xmin, box.ymin}, hi[2] = {box.xmax, box.ymax};
    CPoint a, b;
    looker->WorldtoScreen2D(lo, a);
    looker->WorldtoScreen2D(hi, b);
    const CRect rect(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
    CRect common;
    if (!common.IntersectRect(&rect, &check)) return 0;
    return common == rect ? 8 : 1;
}

unsigned int CGeCanvas::CreateDepthTexture(int width, int height)
{
    if (!COpenGLDC::IsContextCurrent() || width <= 0 || height <= 0) return 0;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, width, height, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}
