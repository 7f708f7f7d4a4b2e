#include "plugins/illustrator/Ilvane.h"

#include "plugins/illustrator/AiFileParser.h"
#include "plugins/illustrator/IlvaneConst.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"

namespace {

void ShowMessageBox(unsigned stringId, unsigned style)
{
    AfxMessageBox(IlvaneLoadString(stringId), style);
}

IlvaneReportFn g_report = nullptr;

}  // namespace

CString IlvaneLoadString(unsigned stringId)
{
    CString text;
    if (AfxLoadString(stringId, text) && !text.IsEmpty()) return text;
    switch (stringId) {
    case ilvane::kIdsDescription:
        return CString(L"Adobe Illustrator File(*.ai)");
    case ilvane::kIdsImportFailed:
        return CString(
            L"The Illustrator file could not be read: it holds no path that can be imported, or a coordinate out of range.");
    default:
        return CString();
    }
}

extern "C" void InitialiseDLL(void*, PlugInDesc* desc)
{
    if (desc == nullptr) return;
    desc->m_nKind = kPlugInKindFile;
    desc->m_nValue8 = ilvane::kDescValue8;
    desc->m_nValue12 = ilvane::kDescValue12;
    desc->m_strDate = ilvane::kDescDate;
    desc->m_strExtension = ilvane::kDescExtension;
    desc->m_strDescription = IlvaneLoadString(ilvane::kIdsDescription);
}

extern "C" void FileImport(CString path, CPtrList* out)
{
    if (out == nullptr) return;
    AiFileParser parser;
    if (!ParseAiFile(parser, path)) {
        (g_report != nullptr ? g_report : ShowMessageBox)(ilvane::kIdsImportFailed, MB_ICONERROR);
        return;
    }
    while (!parser.IsEmpty()) {
        CDbEntity* entity = parser.RemoveHead();
        if (entity != nullptr) out->AddTail(entity);
    }
}

extern "C" IlvaneReportFn IlvaneSetReporter(IlvaneReportFn report)
{
    const IlvaneReportFn previous = g_report != nullptr ? g_report : ShowMessageBox;
    g_report = report;
    return previous;
}
