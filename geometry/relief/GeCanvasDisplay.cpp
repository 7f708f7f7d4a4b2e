// Display side of the relief canvas: buffer objects, strips and the preview image.
#include "geometry/relief/GeCanvas.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Camera.h"

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
