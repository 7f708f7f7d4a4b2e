#include "framework/numerak/NurbsEditor.h"

#include "framework/numerak/NurbsFit.h"

#include <algorithm>
#include <vector>

namespace {

// Parameters closer than this (knot units) to a break or domain end snap to it.
constexpr double kTrimSnap = 1e-12;

}  // namespace

BCRV* CNurbsEditor::GlobalInterp(const double (*pts)[3], int n, int degree)
{
    return BCRV_GlobalInterp(pts, n, degree);
}

BCRV* CNurbsEditor::GlobalInterp(const double (*pts)[2], int n, int degree)
{
    if (!pts || n < 2) return nullptr;
    std::vector<double> xyz(static_cast<std::size_t>(n) * 3, 0.0);
    for (int i = 0; i < n; ++i) {
        xyz[3 * i] = pts[i][0];
        xyz[3 * i + 1] = pts[i][1];
    }
    return BCRV_GlobalInterp(reinterpret_cast<const double(*)[3]>(xyz.data()), n, degree);
}

BCRV* CNurbsEditor::GlobalApproxErrBnd(const double (*pts)[3], int n, int degree, double tol)
{
    return BCRV_ApproxErrBnd(pts, n, degree, tol);
}

BCRV* CNurbsEditor::AddKnot(const BCRV* c, double u, int times)
{
    if (!BCRV_IsValid(c) || times < 1) return nullptr;
    if (!(u > c->U[c->k - 1] && u < c->U[c->n])) return nullptr;
    BCRV* copy = c->Clone();
    if (!copy) return nullptr;
    if (!BCRV_InsKnot(copy, u, times) || copy->n == c->n) {
        BCRV_Free(copy);
        return nullptr;
    }
    return copy;
}

double CNurbsEditor::LengthIn(const BCRV* c, double t0, double t1, double tol)
{
    return std::max(0.0, BCRV_Length(c, t0, t1, tol));
}

int CNurbsEditor::Split(double t, const BCRV* c, BCRV** pieces)
{
    if (!pieces) return 0;
    pieces[0] = pieces[1] = nullptr;
    return BCRV_Split(c, t, &pieces[0], &pieces[1]) ? 2 : 0;
}

std::vector<double> CNurbsEditor::C1Breaks(const BCRV* c)
{
    if (!BCRV_IsValid(c)) return {};
    const double a = c->U[c->k - 1], b = c->U[c->n];
    std::vector<double> breaks{a};
    for (int i = c->k; i < c->n; ++i) {
        const double u = c->U[i];
        if (u > breaks.back() && u < b && c->CalKnotMul(u) >= c->k - 1) breaks.push_back(u);
    }
    breaks.push_back(b);
    return breaks;
}

int CNurbsEditor::SplitInC1Discont(const BCRV* c, BCRV** pieces, int maxPieces)
{
    if (!pieces || maxPieces < 1) return 0;
    const std::vector<double> breaks = C1Breaks(c);
    if (breaks.size() < 2) return 0;
    const int count = std::min(maxPieces, static_cast<int>(breaks.size()) - 1);
    int made = 0;
    for (int j = 0; j < count; ++j) {
        // The last piece reaches the domain end even when maxPieces cut the list short.
        const double t1 = j + 1 == count ? breaks.back() : breaks[j + 1];
        BCRV* piece = nullptr;
        if (BCRV_Trim(c, breaks[j], t1, kTrimSnap, &piece) && piece) pieces[made++] = piece;
    }
    return made;
}
