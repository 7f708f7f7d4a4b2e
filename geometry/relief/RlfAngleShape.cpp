#include "geometry/relief/RlfAngleShape.h"

#include "geometry/relief/RlfConst.h"
#include "geometry/relief/RlfSweep.h"

#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace rlf;

void CRlfAngleShape::SetParam(float a, float h, int m, float ang, float c)
{
    CRlfShape::SetParam(a, h, m, ang, c);
    maxSpan = kNoSpan;
}

void CRlfAngleShape::SetMaxSpan(float s)
{
    CRlfShape::SetMaxSpan(s);
    SetAngleSpan();
}

void CRlfAngleShape::SetCAxis(float* p, float* q)
{
    CRlfShape::SetCAxis(p, q);
    topHeight = AngleTopHeight();
}

float CRlfAngleShape::CalcHScale(float w) const { return AngleHScale(w); }

bool CRlfAngleShape::IsZeroProfile() const
{
    return height == 0.0f || tanAngle == 0.0f || !std::isfinite(height) || !std::isfinite(tanAngle);
}

namespace {

// The node form once the profile is known not to be zero.
inline int RaiseByNode(const CRlfAngleShape& sh, const float* node, float x, float y, float& h)
{
    const float dx = x - node[0], dy = y - node[1];
    const double d2 = double(dx) * dx + double(dy) * dy;
    // At or beyond the radius (node[2]² is exact in double, and the square root and
    // its rounding to float are monotonic) the inset cannot be positive.
    if (d2 >= double(node[2]) * node[2]) return 0;
    const float d = float(std::sqrt(d2));
    const float m = node[2] - d;
    if (!(m > 0.0f)) return 0;
    const float hp = m >= sh.maxSpan ? sh.height : m * sh.tanAngle * node[3];
    if (!(h < hp)) return 0;
    h = hp;
    return 1;
}

}  // namespace

int CRlfAngleShape::CalcHeight(const float* node, float x, float y, float& h) const
{
    if (IsZeroProfile()) return 0;
    return RaiseByNode(*this, node, x, y, h);
}

namespace {

// CalcHeight of the index form once the profile is known not to be zero.
inline int RaiseBySweep(const CRlfAngleShape& sh, int flags, float x, float y, float& h)
{
    if (sh.topHeight <= h) return 0;
    auto node = [&](const float* n) { return RaiseByNode(sh, n, x, y, h); };
    auto foot = [&](const float* n, int, float) { return RaiseByNode(sh, n, x, y, h); };
    return AngleSweep(sh, flags, x, y, node, foot);
}

#if defined(__SSE2__)
// Four nodes of a row at a time with SSE2: every lane does the float and double
// operations of RaiseByNode in the same order, so the answers are the same bits.
struct Lanes {
    __m128 x, y, h, live;
};

inline __m128 Select(__m128 mask, __m128 a, __m128 b) { return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b)); }

// RaiseByNode on four lanes for the discs (nx, ny, r, s) where `ask` is set.
inline void RaiseLanes(const CRlfAngleShape& sh, Lanes& l, __m128 ask, __m128 nx, __m128 ny, __m128 r, __m128 s)
{
    const __m128 dx = _mm_sub_ps(l.x, nx), dy = _mm_sub_ps(l.y, ny);
    const __m128d dxl = _mm_cvtps_pd(dx), dxh = _mm_cvtps_pd(_mm_movehl_ps(dx, dx));
    const __m128d dyl = _mm_cvtps_pd(dy), dyh = _mm_cvtps_pd(_mm_movehl_ps(dy, dy));
    const __m128d rl = _mm_cvtps_pd(r), rh = _mm_cvtps_pd(_mm_movehl_ps(r, r));
    const __m128d d2l = _mm_add_pd(_mm_mul_pd(dxl, dxl), _mm_mul_pd(dyl, dyl));
    const __m128d d2h = _mm_add_pd(_mm_mul_pd(dxh, dxh), _mm_mul_pd(dyh, dyh));
    const __m128 within = _mm_shuffle_ps(_mm_castpd_ps(_mm_cmplt_pd(d2l, _mm_mul_pd(rl, rl))),
                                         _mm_castpd_ps(_mm_cmplt_pd(d2h, _mm_mul_pd(rh, rh))), _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 d = _mm_movelh_ps(_mm_cvtpd_ps(_mm_sqrt_pd(d2l)), _mm_cvtpd_ps(_mm_sqrt_pd(d2h)));
    const __m128 m = _mm_sub_ps(r, d);
    const __m128 hp = Select(_mm_cmpge_ps(m, _mm_set1_ps(sh.maxSpan)), _mm_set1_ps(sh.height),
                             _mm_mul_ps(_mm_mul_ps(m, _mm_set1_ps(sh.tanAngle)), s));
    __m128 take = _mm_and_ps(_mm_and_ps(ask, l.live), _mm_and_ps(within, _mm_cmpgt_ps(m, _mm_setzero_ps())));
    take = _mm_and_ps(take, _mm_cmplt_ps(l.h, hp));
    l.h = Select(take, hp, l.h);
}

// RaiseBySweep of modes 1 and 2 on a segment with both outer tangents, along a row: the
// same feet and discs in the same order, four nodes at a time.
void SweepRow(const CRlfAngleShape& sh, int flags, float* row, const float* xs, float y, int i0, int i1)
{
    const bool swapped = (sh.axisFlags & 8) != 0;
    const float* ends[2] = {swapped ? sh.node1 : sh.node0, swapped ? sh.node0 : sh.node1};
    const __m128 all = _mm_castsi128_ps(_mm_set1_epi32(-1)), none = _mm_setzero_ps();
    const __m128 askEnd[2] = {(flags & 1) ? all : none, (flags & 2) ? all : none};
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), top = _mm_set1_ps(sh.topHeight);
    const __m128 s0 = _mm_set1_ps(sh.node0[3]);
    __m128 foot[2][2], footY[2];
    for (int k = 0; k < 2; ++k) {
        foot[k][0] = _mm_set1_ps(sh.tangentPoint[k][0]);
        foot[k][1] = _mm_set1_ps(sh.tangentDir[k][0]);
        footY[k] = _mm_set1_ps((y - sh.tangentPoint[k][1]) * sh.tangentDir[k][1]);
    }
    int i = i0;
    for (; i + 3 <= i1; i += 4) {
        Lanes l{_mm_loadu_ps(xs + i), _mm_set1_ps(y), _mm_loadu_ps(row + i), zero};
        l.live = _mm_cmpnle_ps(top, l.h);
        for (int k = 0; k < 2; ++k) {
            const __m128 f = _mm_div_ps(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(l.x, foot[k][0]), foot[k][1]), footY[k]),
                                        _mm_set1_ps(sh.tangentDir[k][2]));
            const __m128 ask = _mm_and_ps(_mm_cmpge_ps(f, zero), _mm_cmple_ps(f, one));
            RaiseLanes(sh, l, ask, _mm_add_ps(_mm_set1_ps(sh.node0[0]), _mm_mul_ps(f, _mm_set1_ps(sh.axis[0]))),
                       _mm_add_ps(_mm_set1_ps(sh.node0[1]), _mm_mul_ps(f, _mm_set1_ps(sh.axis[1]))),
                       _mm_add_ps(_mm_set1_ps(sh.node0[2]), _mm_mul_ps(f, _mm_set1_ps(sh.axis[2]))), s0);
        }
        for (int e = 0; e < 2; ++e)
            RaiseLanes(sh, l, askEnd[e], _mm_set1_ps(ends[e][0]), _mm_set1_ps(ends[e][1]), _mm_set1_ps(ends[e][2]),
                       _mm_set1_ps(ends[e][3]));
        _mm_storeu_ps(row + i, l.h);
    }
    for (; i <= i1; ++i) RaiseBySweep(sh, flags, xs[i], y, row[i]);
}
#else
void SweepRow(const CRlfAngleShape& sh, int flags, float* row, const float* xs, float y, int i0, int i1)
{
    for (int i = i0; i <= i1; ++i) RaiseBySweep(sh, flags, xs[i], y, row[i]);
}
#endif

}  // namespace

int CRlfAngleShape::CalcHeight(int flags, float x, float y, float& h) const
{
    if (IsZeroProfile()) return 0;
    return RaiseBySweep(*this, flags, x, y, h);
}

// The discs along the segment interpolate the end widths in every mode: only the nodes
// near the hull of the end discs are asked, a row at a time without a virtual call, the
// plain sweep of modes 1 and 2 several nodes at once.
void CRlfAngleShape::UpdateGrid(int flags, CTGrid<float>* grid) const
{
    if (IsZeroProfile()) return;
    const bool plainSweep = (mode == 1 || mode == 2) && (flags & 4) && !(axisFlags & 1) && HasTangents();
    StampRows(*this, grid, true, [&](float* row, const float* xs, float y, int i0, int i1) {
        if (plainSweep)
            SweepRow(*this, flags, row, xs, y, i0, i1);
        else
            for (int i = i0; i <= i1; ++i) RaiseBySweep(*this, flags, xs[i], y, row[i]);
    });
}

CRlfShape* CRlfAngleShape::CloneProfile() const { return new CRlfAngleShape(*this); }
