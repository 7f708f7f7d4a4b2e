#include "toolpath/surfkernel/EdInterCurve.h"

#include "toolpath/surfkernel/EdTrimBound.h"
#include "toolpath/surfkernel/EdTrimLoop.h"
#include "toolpath/surfkernel/EdTrimSurf.h"

void CEdInterPoint::Get(double* out) const
{
    out[0] = x, out[1] = y, out[2] = z, out[3] = uA, out[4] = vA, out[5] = uB, out[6] = vB;
}

void CEdInterPoint::Set(const double* in)
{
    x = in[0], y = in[1], z = in[2], uA = in[3], vA = in[4], uB = in[5], vB = in[6];
}

CEdInterCurve::CEdInterCurve() = default;

CEdInterCurve::~CEdInterCurve()
{
    Reset();
    FreePoints();
}

void CEdInterCurve::FreePoints()
{
    delete[] pts;
    pts = nullptr;
    nLast = 0;
}

void CEdInterCurve::Reset()
{
    DeleteChain(pointHead);
    pointTail = nullptr;
    state = 0;
}

int CEdInterCurve::PointCount() const
{
    int n = 0;
    for (const CEdInterPoint* p = pointHead; p; p = p->next) ++n;
    return n;
}

int CEdInterCurve::Create(ECRV_INTCUR*, CEdTrimSurf*, CEdTrimSurf*) { return 0; }
int CEdInterCurve::Create(double (*)[2], int, CEdTrimSurf*) { return 0; }
int CEdInterCurve::AddNewPoint(CEdInterPoint* p)
{
    delete p;
    return 0;
}
void CEdInterCurve::AddEndPoint() {}
int CEdInterCurve::GetPoint(double, double*) const { return 0; }
int CEdInterCurve::GetTanVecAt(int, double*) const { return 0; }
int CEdInterCurve::IsOverlap(CEdInterCurve*) { return 0; }
int CEdInterCurve::InterWithBound(CEdTrimLoop*, CEdTrimBound*) { return 0; }
int CEdInterCurve::InterWithIntCurve(CEdInterCurve*) { return 0; }
int CEdInterCurve::InterWithIntCurve(CEdInterCurve*, int, int, CEdTrimSurf*, int) { return 0; }
int CEdInterCurve::InterWithSelf() { return 0; }
int CEdInterCurve::CreateNearPoint(CEdInterCurve*, double) { return 0; }
int CEdInterCurve::CreateNearPoint(CEdTrimLoop*, CEdTrimBound*) { return 0; }
int CEdInterCurve::CreateNearPoint() { return 0; }
int CEdInterCurve::InterWithLoop(CEdTrimLoop* loop, int) { return loop && loop->owner ? 1 : 0; }
int CEdInterCurve::IsValid(CEdInterPoint*, CEdInterPoint*, CEdTrimSurf*) { return 0; }
CEdTrimBound* CEdInterCurve::GetValidBound(CEdTrimSurf*, int) { return nullptr; }
CEdTrimBound* CEdInterCurve::GetSubBound(CEdInterPoint*, CEdInterPoint*, int, CEdTrimSurf*, int) { return nullptr; }
CEdInterLine* CEdInterCurve::GetValidSegment(int) { return nullptr; }
void CEdInterCurve::GetValidIntCur(CTypedPtrList<CPtrList, ECRV_INTCUR*>*) {}

double PeriodicShift(double, double, double, double) { return 0.0; }
void InitNearPair(NearPair& pair) { pair = NearPair{}; }
void CollectNearCluster(std::vector<NearPair>&, const std::vector<std::size_t>&, std::size_t,
                        std::vector<std::size_t>&)
{
}
std::vector<std::size_t> NearPairOrder(const std::vector<NearPair>&) { return {}; }
std::vector<std::size_t> NearClusterRepresentatives(std::vector<NearPair>&) { return {}; }
void SetInterLineEnd(bool, double, CEdInterLine*, const double*, const double*, const double*) {}
ECRV_INTCUR* InterLineToIntcur(CEdInterLine*) { return nullptr; }
