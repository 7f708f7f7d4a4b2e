// Conic arcs and Ferguson cubics as curve records.
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/BcrvDetail.h"

#include <cmath>

using numerak::nurbs::detail::IsFinite3;

int BCRV_CreConic(const double* P0, const double* P1, const double* P2, double rho, BCRV** out)
{
    if (!out || !P0 || !P1 || !P2 || !(rho > 0.0 && rho < 1.0) || !IsFinite3(P0) || !IsFinite3(P1) ||
        !IsFinite3(P2))
        return 0;
    const double w = rho / (1.0 - rho);
    BCRV* c = BCRV_New(3, 3);
    if (!c)
        return 0;
    c->SetCtrlPt(0, P0);
    c->SetCtrlPt(1, P1, w);
    c->SetCtrlPt(2, P2);
    *out = c;
    return 1;
}

int BCRV_CalFergCntP(const double* P0, const double* T0, const double* P1, const double* T1, double (*cp)[4])
{
    if (!P0 || !T0 || !P1 || !T1 || !cp || !IsFinite3(P0) || !IsFinite3(T0) || !IsFinite3(P1) || !IsFinite3(T1))
        return 0;
    for (int d = 0; d < 3; ++d) {
        cp[0][d] = P0[d];
        cp[1][d] = P0[d] + T0[d] / 3.0;
        cp[2][d] = P1[d] - T1[d] / 3.0;
        cp[3][d] = P1[d];
    }
    for (int i = 0; i < 4; ++i)
        cp[i][3] = 1.0;
    return 1;
}

int BCRV_CreFergC1(const double* P0, const double* T0, const double* P1, const double* T1, BCRV** out)
{
    double cp[4][4];
    if (!out || !BCRV_CalFergCntP(P0, T0, P1, T1, cp))
        return 0;
    BCRV* c = BCRV_New(4, 4);
    if (!c)
        return 0;
    for (int i = 0; i < 4; ++i)
        c->SetCtrlPt(i, cp[i]);
    *out = c;
    return 1;
}
