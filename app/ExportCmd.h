// The export command: writes through the export function of a file plug-in.
// The save dialog lists every loaded file plug-in that exports; the plug-in
// whose extension matches the chosen file (compared in upper case) writes it.
#pragma once

#include "framework/relayon/Command.h"

#include <vector>

class CExportCmd : public CCommand {
    DECLARE_DYNAMIC(CExportCmd)
public:
    // Base types of the entities an export needs among the selection.
    static constexpr int kExportBaseTypes = 0x10E;

    CExportCmd(int first, LPCTSTR name);

    BOOL IsEnable() override;
    int HostType() override { return 1; }
    int StartUp(int subCommand) override;
    int Cancel() override;
    // The stored value and the file-name pattern, kept with the command's settings.
    void Serialize(CArchive& ar) override;

    // The save dialog's filter and, per filter entry, the record number of its plug-in.
    static CString BuildSaveFilter(std::vector<int>& records);
    const CString& GetFilePattern() const { return m_strFilePattern; }

private:
    std::int32_t m_nStored = 3;
    CString m_strFilePattern;
};
