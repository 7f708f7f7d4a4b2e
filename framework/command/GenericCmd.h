// One command class for the commands of this library: each instance stands
// for one command id (and name) that the program registers with the hub. A
// run starts and ends at once: these commands have no behaviour of their own
// here, so the hub never keeps one running.
#pragma once

#include "framework/relayon/Command.h"

class CGenericCmd : public CCommand {
    DECLARE_DYNAMIC(CGenericCmd)
public:
    // first and name as every command's constructor; id 0 leaves the id to SetID.
    CGenericCmd(int first, LPCTSTR name, UINT id = 0);

    int StartUp(int subCommand) override;
    // Number of runs so far and the sub-command of the last one.
    int GetRunCount() const { return m_nRuns; }
    int GetLastSub() const { return m_nLastSub; }

private:
    int m_nRuns = 0;
    int m_nLastSub = -1;
};
