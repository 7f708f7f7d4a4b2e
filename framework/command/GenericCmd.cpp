#include "framework/command/GenericCmd.h"

IMPLEMENT_DYNAMIC(CGenericCmd, CCommand)

CGenericCmd::CGenericCmd(int first, LPCTSTR name, UINT id) : CCommand(first, name, 0)
{
    if (id != 0) SetID(id);
}

int CGenericCmd::StartUp(int subCommand)
{
    ++m_nRuns;
    m_nLastSub = subCommand;
    m_nSubCmd = subCommand;
    return m_bWait ? 1 : Cancel();
}
