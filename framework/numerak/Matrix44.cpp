#include "framework/numerak/Matrix44.h"

#include "framework/numerak/Matrix33.h"
#include "framework/numerak/Point3D.h"

void MAT44_MultPt(const double* p, double* out, const double (*m)[4])
{
    const double x = p[0], y = p[1], z = p[2];
    for (int j = 0; j < 3; ++j) out[j] = x * m[0][j] + y * m[1][j] + z * m[2][j] + m[3][j];
}

void MAT44_MultVec(const double* v, double* out, const double (*m)[4])
{
    const double x = v[0], y = v[1], z = v[2];
    for (int j = 0; j < 3; ++j) out[j] = x * m[0][j] + y * m[1][j] + z * m[2][j];
}

void MAT33_ToMAT44(const double (*m3)[3], double (*m4)[4])
{
    static constexpr double kUnit[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m4[r][c] = kUnit[r][c];
    // Rows 0 and 1 hold the images of the x and y axes, row 2 of m3 the translation.
    for (int c = 0; c < 2; ++c) {
        m4[0][c] = m3[0][c];
        m4[1][c] = m3[1][c];
        m4[3][c] = m3[2][c];
    }
}

void RF_RotateRFrame(_rect_fm3d* f, const double* point, const double* axis, double angle)
{
    static constexpr double kOrigin[3] = {0.0, 0.0, 0.0};
    P3D_RotatePnt(axis, point, angle, f->O, f->O);
    P3D_RotatePnt(axis, kOrigin, angle, f->X, f->X);
    P3D_RotatePnt(axis, kOrigin, angle, f->Y, f->Y);
    P3D_RotatePnt(axis, kOrigin, angle, f->Z, f->Z);
}

void RF_MirrorRFrame(_rect_fm3d* f, const double* point, const double* n)
{
    if (!(V3D_Dot(n, n) > 0.0)) return;
    P3D_Mirror(point, n, f->O, f->O);
    V3D_Mirror(n, f->X, f->X);
    V3D_Mirror(n, f->Y, f->Y);
    V3D_Cross(f->X, f->Y, f->Z);
}

void RF_EvRFrame(const _rect_fm3d* f, const _rect_fm3d* g, _rect_fm3d* out)
{
    _rect_fm3d r = *g;
    RF_TransWorldP3D(f, g->O, r.O);
    RF_TransWorldV3D(f, g->X, r.X);
    RF_TransWorldV3D(f, g->Y, r.Y);
    RF_TransWorldV3D(f, g->Z, r.Z);
    *out = r;
}

void RF_GetRFrameFromMatrix(const double (*m)[4], _rect_fm3d* f)
{
    for (int j = 0; j < 3; ++j) {
        f->X[j] = m[0][j];
        f->Y[j] = m[1][j];
        f->Z[j] = m[2][j];
        f->O[j] = m[3][j];
    }
    f->s = 0.0;
}

void RF_MultRFrame(const _rect_fm3d* f, const _rect_fm3d* g, _rect_fm3d* out)
{
    _rect_fm3d r = *g;
    RF_TransLocalP3D(f, g->O, r.O);
    RF_TransLocalV3D(f, g->X, r.X);
    RF_TransLocalV3D(f, g->Y, r.Y);
    RF_TransLocalV3D(f, g->Z, r.Z);
    *out = r;
}
