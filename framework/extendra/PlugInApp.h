// Application base of the plug-in framework: the plug-in table, loading of
// plug-in modules, import dispatch by file extension, and the framework's
// document manager.
//
// Plug-in modules are the files in the plug-in folder, the folder that holds
// the executable, whose names end in ".so" or ".mlp" and do not start with
// "lib" (the shared libraries the program links are all named lib*.so). A
// module is taken into the table when it exports InitialiseDLL; its
// FileImport and FileExport, when exported, become the record's functions.
#pragma once

#include "framework/extendra/PlugInTable.h"
#include "platform/ui/DocManager.h"
#include "platform/ui/WinAppEx.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class CCmdUI;

// The framework's document manager (the class library's behaviour).
class CPIDocManager : public CDocManager {
public:
    CPIDocManager() = default;
};

class CPlugInApp : public CWinAppEx {
    DECLARE_DYNAMIC(CPlugInApp)
public:
    explicit CPlugInApp(LPCTSTR lpszAppName = nullptr);
    ~CPlugInApp() override;

    // Installs the framework's document manager (before any template is added).
    void ReplaceDocManager();
    BOOL Init();
    BOOL IsInitialised() const { return m_bInit; }

    // Loads every plug-in module of the folder (default: the plug-in folder),
    // in file-name order; returns how many were taken into the table. Modules
    // already loaded are skipped.
    int LoadPlugInDLLs();
    int LoadPlugInDLLs(const CString& folder);
    // Unloads every module and empties the table.
    void FreePlugInDLLs();
    static CString GetPlugInFolder();

    std::int32_t GetPlugInCount() const { return m_nPlugInCount; }
    // Null out of range.
    const PlugInRecord* GetPlugInRecord(int index) const;
    // Module handle of the plug-in loaded from path; null when none.
    void* GetPlugHInstance(const CString& path) const;

    // Reads path with the first file plug-in whose extension matches (case
    // ignored) and that imports; nonzero when it appended entities to list.
    int ImportFile(const CString& path, const CString& extension, CPtrList* list);

    // Plug-in menus, accelerators and tool bars: the plug-ins loaded here add
    // none, so these only keep the program's own.
    void UpdateMenus() {}
    void UpdateAccelerators() {}
    void UpdateToolBar() {}

    // Commands that plug-ins add to the program; the plug-in frame routes them
    // before the program's own maps.
    void AddPlugInCommand(UINT id, std::function<void()> handler);
    BOOL DispatchPlugInCommand(UINT id, int code, void* extra);

    int ExitInstance() override;

protected:
    std::int32_t m_nPlugInCount = 0;
    std::vector<PlugInRecord> m_aPlugIns;

private:
    BOOL m_bInit = FALSE;
    std::map<UINT, std::function<void()>> m_commands;
};

// The application object as the plug-in framework's; null when there is none
// or it is another kind.
CPlugInApp* GetPlugInApp();
