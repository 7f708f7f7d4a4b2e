// One command class for the commands of this library: each instance stands
// for one command id (and name) that the program registers with the hub. A
// run starts and ends at once: these commands have no behaviour of their own
// here, so the hub keeps one running only when it is told to wait for input
// (as a drawing command does until cancelled).
#pragma once

#include "framework/relayon/Command.h"

class CGenericCmd : public CCommand {
    DECLARE_DYNAMIC(CGenericCmd)
public:
    // first and name as every command's constructor; id 0 leaves the id to SetID.
    CGenericCmd(int first, LPCTSTR name, UINT id = 0);

    BOOL IsEnable() override { return m_bEnabled; }
    int StartUp(int subCommand) override;
    // Whether the command may run, and whether a run waits until cancelled.
    void SetEnabled(BOOL enabled) { m_bEnabled = enabled ? TRUE : FALSE; }
    void SetWaitForInput(BOOL wait) { m_bWait = wait ? TRUE : FALSE; }
    // Number of runs so far and the sub-command of the last one.
    int GetRunCount() const { return m_nRuns; }
    int GetLastSub() const { return m_nLastSub; }

private:
    int m_nRuns = 0;
    int m_nLastSub = -1;
    BOOL m_bEnabled = TRUE;
    BOOL m_bWait = FALSE;
};
