// Drawing of a mesh in the OpenGL view: the show modes, buffer objects with a fallback
// to client-side arrays, the wireframe, the point cloud and chosen faces.
#include "geometry/shapes3d/GeMesh.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"
#include "framework/looker/Looker.h"

#include <GL/gl.h>

#include <cstdint>

namespace {

constexpr int kModeShaded = 20;
constexpr int kModeCurves = 21;
constexpr int kModePoints = 22;
constexpr int kModeFlat = 23;

const void* Offset(std::size_t bytes) { return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(bytes)); }

// Makes dc's context current for the scope when none is, and releases it at the end.
class CurrentScope {
public:
    explicit CurrentScope(COpenGLDC* dc) : m_dc(dc)
    {
        if (!COpenGLDC::IsContextCurrent()) m_made = m_dc->MakeCurrent(1) != FALSE;
    }
    ~CurrentScope()
    {
        if (m_made) m_dc->MakeCurrent(0);
    }
    CurrentScope(const CurrentScope&) = delete;
    CurrentScope& operator=(const CurrentScope&) = delete;
    bool Current() const { return m_made || COpenGLDC::IsContextCurrent(); }

private:
    COpenGLDC* m_dc;
    bool m_made = false;
};

}  // namespace

bool CGeMesh::HasVertexNormals() const { return !normals.empty() && normals.size() == vertices.size(); }

void CGeMesh::BuildVBOs(COpenGLDC* dc)
{
    if (dc == nullptr || !dc->m_bVBO) return;
    CurrentScope scope(dc);
    if (!scope.Current()) return;
    DeleteVBO();
    dc->GenBuffers(1, &vbovertex);
    if (vbovertex == 0) return;
    const bool smooth = HasVertexNormals();
    const std::ptrdiff_t vertexBytes = std::ptrdiff_t(vertices.size() * sizeof(CPoint3f));
    dc->BindBuffer(GL_ARRAY_BUFFER, vbovertex);
    if (smooth) {
        dc->BufferData(GL_ARRAY_BUFFER, 2 * vertexBytes, nullptr, GL_STATIC_DRAW);
        dc->BufferSubData(GL_ARRAY_BUFFER, 0, vertexBytes, vertices.data());
        dc->BufferSubData(GL_ARRAY_BUFFER, vertexBytes, vertexBytes, normals.data());
    } else {
        dc->BufferData(GL_ARRAY_BUFFER, vertexBytes, vertices.data(), GL_STATIC_DRAW);
    }
    dc->BindBuffer(GL_ARRAY_BUFFER, 0);
    if (!faces3.empty()) {
        vboface3 = dc->CreateVBO(faces3.data(), std::ptrdiff_t(faces3.size() * sizeof(SFacet3)),
                                 GL_ELEMENT_ARRAY_BUFFER, GL_STATIC_DRAW);
        if (vboface3 == 0) {
            DeleteVBO();
            return;
        }
    }
    if (!faces4.empty()) {
        vboface4 = dc->CreateVBO(faces4.data(), std::ptrdiff_t(faces4.size() * sizeof(SFacet4)),
                                 GL_ELEMENT_ARRAY_BUFFER, GL_STATIC_DRAW);
        if (vboface4 == 0) {
            DeleteVBO();
            return;
        }
    }
    m_nVboVertices = numVertices();
    m_bVboNormals = smooth;
}

void CGeMesh::DeleteVBO()
{
    COpenGLDC* dc = gGetOpenGLDC();
    if (vbovertex != 0 && dc != nullptr && dc->m_bVBO) {
        CurrentScope scope(dc);
        if (scope.Current()) {
            for (unsigned int name : {vbovertex, vboface3, vboface4})
                if (name != 0) dc->DeleteBuffers(1, &name);
        }
    }
    // The names go also when no context could delete the buffers: a later draw must
    // build fresh buffers instead of showing the old positions.
    vbovertex = vboface3 = vboface4 = 0;
    m_nVboVertices = 0;
    m_bVboNormals = false;
}

bool CGeMesh::EnsureVBOs(COpenGLDC* dc, bool smooth)
{
    // Buffers built for another vertex count or without the normals the smooth path
    // reads behind the vertices are rebuilt.
    if (vbovertex != 0 && (m_nVboVertices != numVertices() || (smooth && !m_bVboNormals))) DeleteVBO();
    if (vbovertex == 0) BuildVBOs(dc);
    return vbovertex != 0;
}

void CGeMesh::DrawFaceArrays(COpenGLDC* dc, bool buffers)
{
    if (buffers) {
        if (!faces3.empty()) {
            dc->BindBuffer(GL_ELEMENT_ARRAY_BUFFER, vboface3);
            glDrawElements(GL_TRIANGLES, GLsizei(3 * faces3.size()), GL_UNSIGNED_INT, nullptr);
            dc->BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        }
        if (!faces4.empty()) {
            dc->BindBuffer(GL_ELEMENT_ARRAY_BUFFER, vboface4);
            glDrawElements(GL_QUADS, GLsizei(4 * faces4.size()), GL_UNSIGNED_INT, nullptr);
            dc->BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        }
        return;
    }
    if (!faces3.empty()) glDrawElements(GL_TRIANGLES, GLsizei(3 * faces3.size()), GL_UNSIGNED_INT, faces3.data());
    if (!faces4.empty()) glDrawElements(GL_QUADS, GLsizei(4 * faces4.size()), GL_UNSIGNED_INT, faces4.data());
}

void CGeMesh::DrawShaded(COpenGLDC* dc)
{
    glDisable(GL_COLOR_MATERIAL);
    const bool smooth = HasVertexNormals();
    const bool buffers = EnsureVBOs(dc, smooth);
    if (smooth) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        if (buffers) {
            dc->BindBuffer(GL_ARRAY_BUFFER, vbovertex);
            glVertexPointer(3, GL_FLOAT, 0, nullptr);
            glNormalPointer(GL_FLOAT, 0, Offset(vertices.size() * sizeof(CPoint3f)));
        } else {
            glVertexPointer(3, GL_FLOAT, sizeof(CPoint3f), vertices.data());
            glNormalPointer(GL_FLOAT, sizeof(CVector3f), normals.data());
        }
        DrawFaceArrays(dc, buffers);
        if (buffers) dc->BindBuffer(GL_ARRAY_BUFFER, 0);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glFinish();
        return;
    }
    if (facenormals.size() != numFace()) {
        Clear_FaceNormal();
        Need_FaceNormal();
    }
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    const unsigned nF3 = numFace3();
    if (buffers) {
        dc->BindBuffer(GL_ARRAY_BUFFER, vbovertex);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        // One call per face: each face carries its own normal.
        if (!faces3.empty()) {
            dc->BindBuffer(GL_ELEMENT_ARRAY_BUFFER, vboface3);
            for (unsigned i = 0; i < nF3; ++i) {
                glNormal3fv(&facenormals[i].dx);
                glDrawElements(GL_TRIANGLES, 3, GL_UNSIGNED_INT, Offset(sizeof(SFacet3) * i));
            }
            dc->BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        }
        if (!faces4.empty()) {
            dc->BindBuffer(GL_ELEMENT_ARRAY_BUFFER, vboface4);
            for (unsigned j = 0; j < numFace4(); ++j) {
                glNormal3fv(&facenormals[nF3 + j].dx);
                glDrawElements(GL_QUADS, 4, GL_UNSIGNED_INT, Offset(sizeof(SFacet4) * j));
            }
        }
        dc->BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        dc->BindBuffer(GL_ARRAY_BUFFER, 0);
    } else {
        glVertexPointer(3, GL_FLOAT, sizeof(CPoint3f), vertices.data());
        glBegin(GL_TRIANGLES);
        for (unsigned i = 0; i < nF3; ++i) {
            glNormal3fv(&facenormals[i].dx);
            for (int k = 0; k < 3; ++k) glArrayElement(GLint(faces3[i][k]));
        }
        glEnd();
        glBegin(GL_QUADS);
        for (unsigned j = 0; j < numFace4(); ++j) {
            glNormal3fv(&facenormals[nF3 + j].dx);
            for (int k = 0; k < 4; ++k) glArrayElement(GLint(faces4[j][k]));
        }
        glEnd();
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glFinish();
}

void CGeMesh::DrawUnlitFaces(COpenGLDC* dc)
{
    const bool buffers = EnsureVBOs(dc, false);
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (buffers) {
        dc->BindBuffer(GL_ARRAY_BUFFER, vbovertex);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
    } else {
        glVertexPointer(3, GL_FLOAT, sizeof(CPoint3f), vertices.data());
    }
    DrawFaceArrays(dc, buffers);
    if (buffers) dc->BindBuffer(GL_ARRAY_BUFFER, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glFinish();
}

void CGeMesh::DrawGL(COpenGLDC* dc, int type)
{
    if (dc == nullptr || (faces3.empty() && faces4.empty())) return;
    const CLooker* looker = gGetLooker();
    int mode = looker != nullptr ? looker->GetSrfShowMode() : kModeShaded;
    if ((looker != nullptr && looker->IsAnimateView()) || type == 3) mode = kModePoints;
    if (type == kModeFlat) mode = kModeFlat;
    switch (mode) {
    case kModeCurves:
        CGeSurf::DrawGL(dc, type);
        return;
    case kModePoints:
        DrawVertex(dc);
        return;
    case kModeShaded:
        DrawShaded(dc);
        if (type == 1) CGeSurf::DrawGL(dc, type);
        return;
    case kModeFlat:
        glShadeModel(GL_FLAT);
        glDisable(GL_COLOR_MATERIAL);
        DrawUnlitFaces(dc);
        glShadeModel(GL_SMOOTH);
        return;
    default:
        return;
    }
}

void CGeMesh::DrawEdge(COpenGLDC* dc)
{
    if (dc == nullptr) return;
    glDisable(GL_COLOR_MATERIAL);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    DrawUnlitFaces(dc);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void CGeMesh::DrawVertex(COpenGLDC* dc)
{
    if (dc == nullptr || vertices.empty()) return;
    GLfloat pointSize = 1.0f;
    glGetFloatv(GL_POINT_SIZE, &pointSize);
    glPointSize(1.0f);
    const bool withNormals = HasVertexNormals();
    // Buffers built without normals (or for other vertices) are not read.
    const bool buffers =
        vbovertex != 0 && m_nVboVertices == numVertices() && (!withNormals || m_bVboNormals);
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    if (withNormals)
        glEnableClientState(GL_NORMAL_ARRAY);
    else
        glDisableClientState(GL_NORMAL_ARRAY);
    if (buffers) {
        dc->BindBuffer(GL_ARRAY_BUFFER, vbovertex);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        if (withNormals) glNormalPointer(GL_FLOAT, 0, Offset(vertices.size() * sizeof(CPoint3f)));
    } else {
        glVertexPointer(3, GL_FLOAT, sizeof(CPoint3f), vertices.data());
        if (withNormals) glNormalPointer(GL_FLOAT, sizeof(CVector3f), normals.data());
    }
    glDrawArrays(GL_POINTS, 0, GLsizei(vertices.size()));
    if (buffers) dc->BindBuffer(GL_ARRAY_BUFFER, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glFinish();
    glPointSize(pointSize);
}

void CGeMesh::DrawGL(COpenGLDC*, std::vector<unsigned int>& faces)
{
    const unsigned nF3 = numFace3(), nF = numFace();
    // Without a normal per vertex the faces go without normals.
    const bool withNormals = HasVertexNormals();
    for (unsigned f : faces) {
        if (f >= nF) continue;
        const bool tri = f < nF3;
        const std::uint32_t* corners = tri ? &faces3[f][0] : &faces4[f - nF3][0];
        glBegin(tri ? GL_TRIANGLES : GL_QUADS);
        for (int k = 0; k < (tri ? 3 : 4); ++k) {
            if (corners[k] >= vertices.size()) continue;
            if (withNormals) glNormal3fv(&normals[corners[k]].dx);
            glVertex3fv(&vertices[corners[k]].x);
        }
        glEnd();
    }
}

void CGeMesh::Draw(CDC* dc)
{
    if (numFace() > 0 && dc != nullptr && IsEnableDraw2D()) CGeSurf::Draw(dc);
}
