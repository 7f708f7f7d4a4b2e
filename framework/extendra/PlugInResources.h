// Resources of plug-in modules: a module that carries texts or pictures
// exports PlugInResource, which answers the bytes of a resource by type name
// and id ("STRING" texts as UTF-8). The framework looks them up here.
#pragma once

#include "platform/core/WinString.h"
#include "platform/core/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The export: 1 with *data and *size set to bytes the module keeps alive, 0
// when the module has no such resource.
using PlugInResourceFn = int (*)(const char* type, std::uint32_t id, const unsigned char** data, std::size_t* size);
inline constexpr const char* kPlugInResourceName = "PlugInResource";

// FALSE (out emptied) when the module or the resource is missing.
BOOL PlugInFindResource(void* hModule, UINT nID, LPCTSTR lpszType, std::vector<BYTE>& out);
BOOL PlugInLoadString(void* hModule, UINT nID, CString& text);
