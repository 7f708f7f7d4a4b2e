// The plug-in table record shared by the framework, the plug-in modules and
// the program, and the entry points a plug-in module exports.
//
// The 32-bit fields keep the byte offsets of the record layout the modules
// were written against: the description block starts at record byte 20 with
// the plug-in kind at byte 24 (block byte 4), 0xFFFF at 28 and 1 at 32; the
// date text is block byte 20 (record byte 40). The texts and the function
// addresses are wider here (a CString and 64-bit pointers), so the fields
// after record byte 40 only keep their order.
#pragma once

#include "platform/core/ObList.h"
#include "platform/core/WinString.h"

#include <cstddef>
#include <cstdint>

// 32-bit head of the description block. Its first word lies before the block
// proper and belongs to the framework, so that the block's fields fall on
// their record offsets when the description sits at record byte 16.
struct PlugInDescHead {
    std::int32_t m_nFramework = 0;  // record byte 16 (framework data)
    std::int32_t m_nBlock0 = 0;     // block byte 0 (record 20), not written by plug-ins
    std::int32_t m_nKind = -1;      // block byte 4 (record 24): 0 = file import/export
    std::int32_t m_nValue8 = 0;     // block byte 8 (record 28): 0xFFFF
    std::int32_t m_nValue12 = 0;    // block byte 12 (record 32): 1
    std::int32_t m_nBlock16 = 0;    // block byte 16 (record 36), not written by plug-ins
};
static_assert(offsetof(PlugInDescHead, m_nBlock0) == 4 && offsetof(PlugInDescHead, m_nKind) == 8 &&
              offsetof(PlugInDescHead, m_nValue8) == 12 && offsetof(PlugInDescHead, m_nValue12) == 16 &&
              offsetof(PlugInDescHead, m_nBlock16) == 20 && sizeof(PlugInDescHead) == 24);

// What a plug-in's InitialiseDLL fills in.
struct PlugInDesc : PlugInDescHead {
    CString m_strDate;         // block byte 20 (record 40): date text
    CString m_strExtension;    // file extension without the dot, upper case
    CString m_strDescription;  // description shown in file dialogs
};

// Kinds of plug-in.
inline constexpr std::int32_t kPlugInKindFile = 0;

// Entry points, looked up by these names in every module.
using PlugInInitFn = void (*)(void* reserved, PlugInDesc* desc);
// Appends the entities read from path to out (the caller owns them), or shows
// its own error message and appends nothing.
using PlugInImportFn = void (*)(CString path, CPtrList* out);
using PlugInExportFn = void (*)(CString path);
inline constexpr const char* kPlugInInitName = "InitialiseDLL";
inline constexpr const char* kPlugInImportName = "FileImport";
inline constexpr const char* kPlugInExportName = "FileExport";

struct PlugInRecord {
    std::int32_t m_aFramework[4] = {0, 0, 0, 0};  // record bytes 0 to 15 (framework data)
    PlugInDesc m_desc;                            // from record byte 16; block from byte 20
    PlugInImportFn m_pfnImport = nullptr;         // null when the plug-in cannot import
    PlugInExportFn m_pfnExport = nullptr;         // null when the plug-in cannot export
    void* m_hModule = nullptr;                    // the loaded module
    CString m_strPath;                            // full path of the module file

    std::int32_t GetKind() const { return m_desc.m_nKind; }
    const CString& GetExtension() const { return m_desc.m_strExtension; }
    const CString& GetDescription() const { return m_desc.m_strDescription; }
};
