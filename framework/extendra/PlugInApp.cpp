#include "framework/extendra/PlugInApp.h"

#include "framework/looker/AppSlots.h"
#include "platform/ui/CmdUI.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

IMPLEMENT_DYNAMIC(CPlugInApp, CWinAppEx)

namespace {

bool IsPlugInFileName(const std::string& name)
{
    auto endsWith = [&name](const char* suffix) {
        const std::string s(suffix);
        return name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
    };
    return (endsWith(".so") || endsWith(".mlp")) && name.rfind("lib", 0) != 0;
}

}  // namespace

CPlugInApp::CPlugInApp(LPCTSTR lpszAppName) : CWinAppEx(lpszAppName) {}

CPlugInApp::~CPlugInApp() { FreePlugInDLLs(); }

void CPlugInApp::ReplaceDocManager()
{
    if (m_pDocManager == nullptr) m_pDocManager = new CPIDocManager;
}

BOOL CPlugInApp::Init()
{
    m_bInit = TRUE;
    return TRUE;
}

CString CPlugInApp::GetPlugInFolder() { return gGetApplicationPath(); }

int CPlugInApp::LoadPlugInDLLs() { return LoadPlugInDLLs(GetPlugInFolder()); }

int CPlugInApp::LoadPlugInDLLs(const CString& folder)
{
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.ToUtf8(), ec)) {
        if (entry.is_regular_file(ec) && IsPlugInFileName(entry.path().filename().string())) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    int loaded = 0;
    for (const auto& file : files) {
        const CString path = CString::FromUtf8(file.string());
        if (GetPlugHInstance(path) != nullptr) continue;
        void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) continue;
        auto init = reinterpret_cast<PlugInInitFn>(dlsym(module, kPlugInInitName));
        if (init == nullptr) {
            dlclose(module);
            continue;
        }
        PlugInRecord record;
        record.m_hModule = module;
        record.m_strPath = path;
        init(nullptr, &record.m_desc);
        record.m_desc.m_strExtension.MakeUpper();
        record.m_pfnImport = reinterpret_cast<PlugInImportFn>(dlsym(module, kPlugInImportName));
        record.m_pfnExport = reinterpret_cast<PlugInExportFn>(dlsym(module, kPlugInExportName));
        m_aPlugIns.push_back(std::move(record));
        ++loaded;
    }
    m_nPlugInCount = static_cast<std::int32_t>(m_aPlugIns.size());
    return loaded;
}

void CPlugInApp::FreePlugInDLLs()
{
    for (PlugInRecord& record : m_aPlugIns)
        if (record.m_hModule != nullptr) dlclose(record.m_hModule);
    m_aPlugIns.clear();
    m_nPlugInCount = 0;
}

const PlugInRecord* CPlugInApp::GetPlugInRecord(int index) const
{
    return index >= 0 && index < m_nPlugInCount ? &m_aPlugIns[static_cast<size_t>(index)] : nullptr;
}

void* CPlugInApp::GetPlugHInstance(const CString& path) const
{
    for (const PlugInRecord& record : m_aPlugIns)
        if (record.m_strPath == path) return record.m_hModule;
    return nullptr;
}

int CPlugInApp::ImportFile(const CString& path, const CString& extension, CPtrList* list)
{
    if (list == nullptr) return 0;
    for (const PlugInRecord& record : m_aPlugIns) {
        if (record.GetKind() != kPlugInKindFile || record.m_pfnImport == nullptr) continue;
        if (record.GetExtension().CompareNoCase(extension) != 0) continue;
        const INT_PTR before = list->GetCount();
        record.m_pfnImport(path, list);
        return list->GetCount() > before ? 1 : 0;
    }
    return 0;
}

void CPlugInApp::AddPlugInCommand(UINT id, std::function<void()> handler)
{
    if (handler) m_commands[id] = std::move(handler);
}

BOOL CPlugInApp::DispatchPlugInCommand(UINT id, int code, void* extra)
{
    auto it = m_commands.find(id);
    if (it == m_commands.end()) return FALSE;
    if (code == CN_COMMAND) {
        it->second();
    } else if (code == CN_UPDATE_COMMAND_UI && extra != nullptr) {
        static_cast<CCmdUI*>(extra)->Enable(TRUE);
    }
    return TRUE;
}

int CPlugInApp::ExitInstance()
{
    // Modules stay loaded until the application object goes: entities they
    // made may still be alive.
    return CWinAppEx::ExitInstance();
}

CPlugInApp* GetPlugInApp() { return dynamic_cast<CPlugInApp*>(AfxGetApp()); }
