#include "framework/command/BoolCmd.h"

#include "framework/looker/AppSlots.h"
#include "framework/relayon/Selector.h"

IMPLEMENT_DYNAMIC(CBoolCmd, CGenericCmd)

BOOL CBoolCmd::IsEnable(int operation)
{
    if (operation < 0 || operation > 3 || !IsEnable()) return FALSE;
    const CSelector* selector = gGetSelector();
    return selector != nullptr && selector->GetSizeOfBType(kDbBaseCurve | kDbBaseUnion) >= 2 ? TRUE : FALSE;
}
