#include "framework/extendra/PlugInResources.h"

#include <dlfcn.h>

#include <string>

BOOL PlugInFindResource(void* hModule, UINT nID, LPCTSTR lpszType, std::vector<BYTE>& out)
{
    out.clear();
    if (hModule == nullptr || lpszType == nullptr) return FALSE;
    auto find = reinterpret_cast<PlugInResourceFn>(dlsym(hModule, kPlugInResourceName));
    if (find == nullptr) return FALSE;
    const std::string type = CString(lpszType).ToUtf8();
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (find(type.c_str(), nID, &data, &size) == 0 || (data == nullptr && size > 0)) return FALSE;
    out.assign(data, data + size);
    return TRUE;
}

BOOL PlugInLoadString(void* hModule, UINT nID, CString& text)
{
    std::vector<BYTE> bytes;
    text.Empty();
    if (!PlugInFindResource(hModule, nID, L"STRING", bytes)) return FALSE;
    text = CString::FromUtf8(std::string(bytes.begin(), bytes.end()));
    return TRUE;
}
