// The Boolean operation command: union, intersection and the two differences
// of closed shapes. Only its refusal is built here: an operation needs at
// least two selected shapes (curves or unions).
#pragma once

#include "framework/command/GenericCmd.h"

class CBoolCmd : public CGenericCmd {
    DECLARE_DYNAMIC(CBoolCmd)
public:
    using CGenericCmd::CGenericCmd;
    using CGenericCmd::IsEnable;
    // Whether the operation (0 to 3) can be carried out on the selection.
    BOOL IsEnable(int operation);
};
