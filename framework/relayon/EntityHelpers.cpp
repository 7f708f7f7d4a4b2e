#include "framework/relayon/EntityHelpers.h"

#include "framework/db/DbCurve.h"
#include "framework/db/DbUnion.h"
#include "framework/looker/AppSlots.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/GeCurve.h"

namespace {

int CopyCurves(CDbEntity* entity, CTypedPtrList<CObList, CGeCurve*>* out)
{
    if (auto* curve = dynamic_cast<CDbCurve*>(entity)) {
        CGeCurve* copy = curve->GetCurve() != nullptr ? curve->GetCurve()->Copy() : nullptr;
        if (copy == nullptr) return 0;
        out->AddTail(copy);
        return 1;
    }
    int n = 0;
    if (auto* group = dynamic_cast<CDbUnion*>(entity))
        for (CDbEntity* member : group->GetMembers()) n += CopyCurves(member, out);
    return n;
}

}  // namespace

int qvGetSelectorCurve(CTypedPtrList<CObList, CGeCurve*>* out)
{
    CSelector* selector = gGetSelector();
    if (out == nullptr || selector == nullptr) return 0;
    int n = 0;
    for (int i = 0; i < selector->GetSize(); ++i) n += CopyCurves(selector->GetEntity(i), out);
    return n;
}
