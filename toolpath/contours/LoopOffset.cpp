// Offsets of loops, of the islands of a pocket, of pocket regions and of region lists.
#include "toolpath/contours/LoopChain.h"
#include "toolpath/contours/OffsetChain.h"

#include "toolpath/contours/SmartConst.h"

#include <cmath>
#include <vector>

using namespace smart;

CSmartLoop* CSmartLoop::OffsetLoop(double d, DVN_CornerType& corner)
{
    if (!contour || !contour->head)
        return nullptr;
    if (!(d >= kMinLoopOffset))
        return CopyLoop();
    CSmartCurve pieces;
    AppendOffsetChain(*contour, d, corner, true, pieces);
    pieces.DefineBox();
    pieces.AutoInters(0);
    pieces.AutoDepart(0);
    std::vector<CSmartLoop*> kept;
    double start[2];
    contour->head->GetPoint(0, start);
    for (CSmartLoop* L : TakeChain(pieces.FormLoop())) {
        const double A = area;
        bool drop = A > 0 ? (!(L->area >= kMinLoopArea) || L->area > A) : (L->area < 0 && L->area > A);
        if (!drop) {
            // A loop nearer to the source than the distance lies in a notch thinner than d.
            double m[2];
            L->contour->GetPoint(0.5, m);
            drop = MinDistPoint(m) + kOffsetDistSlack < d;
        }
        if (drop) {
            delete L;
            continue;
        }
        double q[2], dist;
        CSmartSect* s = L->contour->FindNearSect(start, q, dist);
        if (s && s != L->contour->head)
            L->contour->SetStartSect(s);
        L->contour->state = contour->state;
        kept.push_back(L);
    }
    return LinkChain(kept);
}

CSmartLoop* CSmartLoop::OffsetIsland(double d, DVN_CornerType& corner, unsigned tagBase)
{
    std::vector<CSmartLoop*> grown;
    for (CSmartLoop* I = islands; I; I = I->next) {
        std::vector<CSmartLoop*> R = TakeChain(I->OffsetLoop(d, corner));
        if (R.empty())
            continue;
        CSmartLoop* P = nullptr;
        int positives = 0;
        for (CSmartLoop* L : R) {
            L->ReverseLoop(1);
            if (L->area > 0) {
                P = L;
                ++positives;
            }
        }
        if (positives != 1) {
            for (CSmartLoop* L : R)
                delete L;
            continue;
        }
        for (CSmartLoop* L : R)
            if (L != P) {
                if (L->area < 0)
                    P->AddIsland(L);
                else
                    delete L;
            }
        P->tag = static_cast<int>(++tagBase);
        grown.push_back(P);
    }
    return WeldContours(LinkChain(grown));
}

CSmartLoop* CSmartLoop::OffsetContour(int mode, double d1, double d2, DVN_CornerType& corner)
{
    if (d2 < 0)
        d2 = d1;
    if (mode == 0) {
        CSmartLoop* R = OffsetLoop(d1, corner);
        if (!R)
            return nullptr;
        for (CSmartLoop* L = R; L; L = L->next)
            L->tag = 0;
        return SubtractContours(R, OffsetIsland(d2, corner, 1));
    }
    if (mode == 2) {
        // The tree is turned inside out so that the left offsets grow the outer loop and
        // shrink the islands; it is turned back on every way out.
        auto turn = [this] {
            ReverseLoop(1);
            for (CSmartLoop* i = islands; i; i = i->next)
                i->ReverseContour(1);
            for (CSmartLoop* c = children; c; c = c->next)
                c->ReverseContour(1);
        };
        turn();
        CSmartLoop* R = OffsetLoop(d1, corner);
        if (!R) {
            turn();
            return nullptr;
        }
        for (CSmartLoop* L = R; L; L = L->next) {
            L->ReverseLoop(1);
            L->tag = 0;
        }
        R = BuildContour(R);
        CSmartLoop* holes = nullptr;
        for (CSmartLoop* i = islands; i; i = i->next) {
            CSmartLoop* S = i->OffsetLoop(d2, corner);
            for (CSmartLoop* L = S; L; L = L->next)
                L->tag = 1;
            AppendChain(holes, S);
        }
        CSmartLoop* result = SubtractContours(R, WeldContours(holes));
        turn();
        return result;
    }
    CSmartLoop* copy = CopyLoop();
    for (CSmartLoop* i = islands; i; i = i->next)
        copy->AddIsland(i->CopyLoop());
    return copy;
}

CSmartLoop* CSmartLoop::OffsetContourList(CSmartLoop* chain, int mode, const double* d, DVN_CornerType& corner)
{
    if (!chain || !d)
        return nullptr;
    CSmartLoop* result = nullptr;
    int k = 0;
    for (CSmartLoop* L = chain; L; L = L->next) {
        CSmartLoop* R = L->OffsetContour(mode, d[0], d[1], corner);
        if (!R)
            continue;
        ++k;
        for (CSmartLoop* x = R; x; x = x->next)
            x->tag = k;
        AppendChain(result, R);
    }
    if (mode == 2) {
        result = WeldContours(result);
        // Outward results leave clockwise with their positive area kept.
        for (CSmartLoop* L = result; L; L = L->next) {
            L->ReverseLoop(0);
            for (CSmartLoop* i = L->islands; i; i = i->next)
                i->ReverseContour(0);
            for (CSmartLoop* c = L->children; c; c = c->next)
                c->ReverseContour(0);
        }
    }
    return result;
}
