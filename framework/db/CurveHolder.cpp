#include "framework/db/CurveHolder.h"

#include <GL/gl.h>

namespace dbcurve {

GLColour::GLColour(COLORREF colour)
{
    glPushAttrib(GL_CURRENT_BIT);
    glColor3ub(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

GLColour::~GLColour() { glPopAttrib(); }

}  // namespace dbcurve
