// Entry points of the Illustrator/EPS import plug-in module (extension "AI").
#pragma once

#include "framework/extendra/PlugInTable.h"

#define ILVANE_EXPORT __attribute__((visibility("default")))

// Reports an import failure: the string resource id of the message and the
// message-box style. The default shows the message through the platform's
// message box layer.
using IlvaneReportFn = void (*)(unsigned stringId, unsigned style);

extern "C" {
// Fills the description block; nothing for a null block.
ILVANE_EXPORT void InitialiseDLL(void* reserved, PlugInDesc* desc);
// Appends the entities read from path to out (the caller owns them from then
// on), or reports the error message and leaves out unchanged. Nothing for a
// null out.
ILVANE_EXPORT void FileImport(CString path, CPtrList* out);
// Replaces the failure report; null puts the default back. Returns the one
// in use before.
ILVANE_EXPORT IlvaneReportFn IlvaneSetReporter(IlvaneReportFn report);
}

// Text of the plug-in's string resources: the program's resource chain, or the
// plug-in's own wording when the program has none for the id.
CString IlvaneLoadString(unsigned stringId);
