#include "framework/command/InterPackCmd.h"

IMPLEMENT_DYNAMIC(CInterPackCmd, CGenericCmd)

CInterPackCmd::CInterPackCmd(int first, LPCTSTR name, UINT id) : CGenericCmd(first, name, id) { SetWaitForInput(TRUE); }
