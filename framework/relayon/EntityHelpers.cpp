#include "framework/relayon/EntityHelpers.h"

#include "framework/db/DbCurve.h"
#include "framework/db/DbCurve3d.h"
#include "framework/db/DbUnion.h"
#include "framework/looker/AppSlots.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/GeCurve.h"
#include "geometry/shapes3d/GeCurve3d.h"

namespace {

// Appends copies of the curves that entities of kind Holder hold, members of
// groups included; prepare sees every copy before it is appended.
template <class Holder, class Curve, class Prepare>
int CopyCurves(CDbEntity* entity, CTypedPtrList<CObList, Curve*>* out, const Prepare& prepare)
{
    if (auto* holder = dynamic_cast<Holder*>(entity)) {
        Curve* copy = holder->GetCurve() != nullptr ? dynamic_cast<Curve*>(holder->GetCurve()->Copy()) : nullptr;
        if (copy == nullptr) return 0;
        prepare(copy);
        out->AddTail(copy);
        return 1;
    }
    int n = 0;
    if (auto* group = dynamic_cast<CDbUnion*>(entity))
        for (CDbEntity* member : group->GetMembers()) n += CopyCurves<Holder>(member, out, prepare);
    return n;
}

template <class Holder, class Curve, class Prepare>
int CopySelectedCurves(CTypedPtrList<CObList, Curve*>* out, const Prepare& prepare)
{
    CSelector* selector = gGetSelector();
    if (out == nullptr || selector == nullptr) return 0;
    int n = 0;
    for (int i = 0; i < selector->GetSize(); ++i) n += CopyCurves<Holder>(selector->GetEntity(i), out, prepare);
    return n;
}

}  // namespace

int qvGetSelectorCurve(CTypedPtrList<CObList, CGeCurve*>* out)
{
    return CopySelectedCurves<CDbCurve>(out, [](CGeCurve*) {});
}

int qvGetSelectorCurve3d(CTypedPtrList<CObList, CGeCurve3d*>* out, double tol)
{
    return CopySelectedCurves<CDbCurve3d>(out, [tol](CGeCurve3d* c) {
        if (!c->HasPoints()) c->DiscreteMe(tol);
    });
}
