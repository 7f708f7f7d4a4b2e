#include "app/ExportCmd.h"

#include "app/ImportCmd.h"
#include "framework/extendra/PlugInApp.h"
#include "framework/looker/AppSlots.h"
#include "framework/panora/DesignCentral.h"
#include "framework/relayon/Selector.h"
#include "platform/core/Archive.h"
#include "platform/ui/FileDialog.h"

IMPLEMENT_DYNAMIC(CExportCmd, CCommand)

CExportCmd::CExportCmd(int first, LPCTSTR name) : CCommand(first, name, 0) {}

BOOL CExportCmd::IsEnable()
{
    if (!CCommand::IsEnable()) return FALSE;
    const CSelector* selector = gGetSelector();
    return selector != nullptr && selector->GetSizeOfBType(kExportBaseTypes) > 0 ? TRUE : FALSE;
}

CString CExportCmd::BuildSaveFilter(std::vector<int>& records)
{
    CString filter;
    records.clear();
    const CPlugInApp* app = GetPlugInApp();
    for (int i = 0; app != nullptr && i < app->GetPlugInCount(); ++i) {
        const PlugInRecord* record = app->GetPlugInRecord(i);
        if (record == nullptr || record->GetKind() != kPlugInKindFile || record->m_pfnExport == nullptr) continue;
        if (!filter.IsEmpty()) filter += L"|";
        filter += record->GetDescription() + L"|*." + record->GetExtension();
        records.push_back(i);
    }
    if (!filter.IsEmpty()) filter += L"|";
    return filter;
}

int CExportCmd::StartUp(int subCommand)
{
    m_nSubCmd = subCommand;
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->HideDCenter();
    CPlugInApp* app = GetPlugInApp();
    if (app == nullptr) return 0;
    std::vector<int> records;
    const CString filter = BuildSaveFilter(records);
    CFileDialog dialog(FALSE, nullptr, m_strFilePattern, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter, nullptr);
    dialog.SetTitle(GetCmdName());
    if (dialog.DoModal() == IDOK) {
        CString path = dialog.GetPathName();
        CString extension;
        if (path.Find(L'.') >= 0) {
            extension = CImportCmd::GetFileExtension(path);
        } else {
            // The name has no extension: the selected filter entry's plug-in
            // gives it. An index outside the entries (no exporting plug-in)
            // gives none, and nothing is written.
            const int index = dialog.GetFilterIndex() - 1;
            if (index >= 0 && index < static_cast<int>(records.size())) {
                extension = app->GetPlugInRecord(records[static_cast<std::size_t>(index)])->GetExtension();
                path += L"." + extension;
            }
        }
        extension.MakeUpper();
        m_strFilePattern = L"*." + extension;
        for (const int number : records) {
            const PlugInRecord* record = app->GetPlugInRecord(number);
            if (!extension.IsEmpty() && record->GetExtension() == extension && record->m_pfnExport != nullptr) {
                record->m_pfnExport(path);
                break;
            }
        }
    }
    m_nStep = 0;
    return Cancel();
}

int CExportCmd::Cancel()
{
    if (CDesignCentral* pane = gGetPaneDCenter()) pane->RestoreDCenter();
    const int result = CCommand::Cancel();
    m_nStep = 0;
    return result;
}

void CExportCmd::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << m_nStored << m_strFilePattern;
    } else {
        ar >> m_nStored >> m_strFilePattern;
    }
}
