#include "app/QvScan.h"

#include "framework/looker/AppSlots.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Wnd.h"

#include <dlfcn.h>

#include <cstring>

namespace {

CQvScan::LibraryOps DefaultOps()
{
    CQvScan::LibraryOps ops;
    // The module stays mapped after it is freed: the scanner library's
    // backends may leave handlers behind that run at exit.
    ops.load = [](const CString& path) { return dlopen(path.ToUtf8().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE); };
    ops.entry = [](void* module) { return reinterpret_cast<DSMENTRYPROC>(dlsym(module, kDsmEntryName)); };
    ops.free = [](void* module) { dlclose(module); };
    return ops;
}

CQvScan::LibraryOps& Ops()
{
    static CQvScan::LibraryOps ops = DefaultOps();
    return ops;
}

}  // namespace

void CQvScan::SetLibraryOps(LibraryOps ops)
{
    Ops() = ops.load && ops.entry && ops.free ? std::move(ops) : DefaultOps();
}

CQvScan::CQvScan(HWND hWnd)
{
    if (hWnd != nullptr) LoadSourceManager(hWnd);
}

CQvScan::~CQvScan() { UnloadDSM(); }

void CQvScan::FillIdentity()
{
    std::memset(&m_appIdentity, 0, sizeof m_appIdentity);
    m_appIdentity.Id = 0;
    m_appIdentity.Version.MajorNum = 3;
    m_appIdentity.Version.MinorNum = 5;
    m_appIdentity.Version.Language = TWLG_ENGLISH_USA;
    m_appIdentity.Version.Country = TWCY_USA;
    TwainSetText(m_appIdentity.Version.Info, "3.5");
    m_appIdentity.ProtocolMajor = 1;
    m_appIdentity.ProtocolMinor = 8;
    m_appIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    TwainSetText(m_appIdentity.Manufacturer, "Morlan Dalvex");
    TwainSetText(m_appIdentity.ProductFamily, "Generic");
    TwainSetText(m_appIdentity.ProductName, "Twain Test");
}

BOOL CQvScan::CallSourceManager(TW_IDENTITY* pDest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF pData)
{
    if (!IsDSMLoaded()) {
        m_nReturnCode = TWRC_FAILURE;
        return FALSE;
    }
    m_nReturnCode = m_pEntry(&m_appIdentity, pDest, dg, dat, msg, pData);
    if (m_nReturnCode == TWRC_SUCCESS) return TRUE;
    // The condition code of the failure; the return code stays the call's.
    m_pEntry(&m_appIdentity, pDest, DG_CONTROL, DAT_STATUS, MSG_GET, &m_status);
    return FALSE;
}

BOOL CQvScan::LoadSourceManager(HWND hWnd)
{
    if (IsDSMLoaded()) return TRUE;
    std::memset(&m_appIdentity, 0, sizeof m_appIdentity);
    if (!IsWindow(hWnd)) return FALSE;
    m_hParent = hWnd;
    m_hLibrary = Ops().load(gGetApplicationPath() + CString::FromUtf8(kDsmModuleName));
    m_pEntry = m_hLibrary != nullptr ? Ops().entry(m_hLibrary) : nullptr;
    if (m_hLibrary != nullptr && m_pEntry == nullptr) {
        Ops().free(m_hLibrary);
        m_hLibrary = nullptr;
    }
    if (!IsDSMLoaded()) return FALSE;
    FillIdentity();
    m_bManagerOpen = CallSourceManager(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &m_hParent);
    return TRUE;
}

void CQvScan::GetDefaultSource()
{
    m_bSourceSelected = CallSourceManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &m_sourceIdentity);
}

BOOL CQvScan::SelectSource()
{
    std::memset(&m_sourceIdentity, 0, sizeof m_sourceIdentity);
    if (!m_bSourceSelected) GetDefaultSource();
    if (CallSourceManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &m_sourceIdentity))
        m_bSourceSelected = TRUE;
    return m_bSourceSelected;
}

BOOL CQvScan::OpenSource(TW_IDENTITY* pIdentity)
{
    if (pIdentity != nullptr) m_sourceIdentity = *pIdentity;
    if (m_bManagerOpen) {
        if (!m_bSourceSelected) GetDefaultSource();
        m_bSourceOpen = CallSourceManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &m_sourceIdentity);
    }
    return IsSourceOpen();
}

BOOL CQvScan::Acquire(int nCount)
{
    if (!IsSourceOpen() && !OpenSource(nullptr)) return FALSE;
    return SetTransferCount(nCount) && EnableSource(TRUE);
}

BOOL CQvScan::SetTransferCount(int nCount)
{
    if (SetOneValue(CAP_XFERCOUNT, nCount, true)) {
        m_nImageCount = static_cast<TW_INT16>(nCount);
        return TRUE;
    }
    // A source that wants its own count gets it back.
    TW_UINT32 value = 0;
    if (m_nReturnCode == TWRC_CHECKSTATUS && GetCapabilityValue(CAP_XFERCOUNT, value) &&
        SetOneValue(CAP_XFERCOUNT, static_cast<int>(value), false)) {
        m_nImageCount = static_cast<TW_INT16>(value);
        return TRUE;
    }
    return FALSE;
}

BOOL CQvScan::SetOneValue(TW_UINT16 cap, int value, bool bSigned)
{
    if (!IsSourceOpen()) return FALSE;
    TW_CAPABILITY record{cap, TWON_ONEVALUE, GlobalAlloc(GHND, sizeof(TW_ONEVALUE))};
    if (record.hContainer == nullptr) return FALSE;
    auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(record.hContainer));
    one->ItemType = bSigned ? TWTY_INT16 : TWTY_UINT16;
    one->Item = static_cast<TW_UINT16>(value);  // the 16-bit value, zero-extended
    GlobalUnlock(record.hContainer);
    const BOOL ok = SetCapabilityRecord(record);
    GlobalFree(record.hContainer);
    return ok;
}

BOOL CQvScan::SetCapabilityRecord(TW_CAPABILITY& cap)
{
    return CallSourceManager(&m_sourceIdentity, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
}

BOOL CQvScan::QueryCapability(TW_UINT16 cap, TW_CAPABILITY& record)
{
    if (!IsSourceOpen()) return FALSE;
    record = TW_CAPABILITY{cap, TWON_DONTCARE16, nullptr};
    return CallSourceManager(&m_sourceIdentity, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &record);
}

BOOL CQvScan::GetCapabilityValue(TW_UINT16 cap, TW_UINT32& value)
{
    TW_CAPABILITY record{};
    if (!QueryCapability(cap, record)) return FALSE;
    // The item follows the 16-bit item type; a block too small to hold it is not read.
    const auto* one = static_cast<const TW_ONEVALUE*>(GlobalLock(record.hContainer));
    const bool ok = one != nullptr && GlobalSize(record.hContainer) >= sizeof(TW_ONEVALUE);
    if (ok) value = one->Item;
    GlobalUnlock(record.hContainer);
    GlobalFree(record.hContainer);
    return ok ? TRUE : FALSE;
}

BOOL CQvScan::EnableSource(BOOL bShowUI)
{
    if (!IsSourceOpen() || m_bSourceEnabled) return m_bSourceEnabled;
    TW_USERINTERFACE ui{static_cast<TW_BOOL>(bShowUI ? 1 : 0), 0, m_hParent};
    if (CallSourceManager(&m_sourceIdentity, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui)) {
        m_bSourceEnabled = TRUE;
        m_nModalUI = ui.ModalUI;
    } else {
        m_bSourceEnabled = FALSE;
        m_nModalUI = 1;
    }
    return m_bSourceEnabled;
}

BOOL CQvScan::DisableSource()
{
    if (!m_bSourceEnabled) return FALSE;
    TW_USERINTERFACE ui{0, 0, m_hParent};
    if (!CallSourceManager(&m_sourceIdentity, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui)) return FALSE;
    m_bSourceEnabled = FALSE;
    return TRUE;
}

BOOL CQvScan::CanCloseSource() { return TRUE; }

int CQvScan::ShouldTransfer(const TW_IMAGEINFO&) { return 0; }

BOOL CQvScan::FilterMessage(MSG* pMsg)
{
    if (!m_bSourceEnabled || pMsg == nullptr) return FALSE;
    MSG copy = *pMsg;
    TW_EVENT event{&copy, MSG_NULL};
    CallSourceManager(&m_sourceIdentity, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    if (m_nReturnCode != TWRC_NOTDSEVENT) OnSourceMessage(event.TWMessage);
    return FALSE;
}

void CQvScan::OnSourceMessage(TW_UINT16 message)
{
    if (message == MSG_XFERREADY) TransferImages();
    else if (message == MSG_CLOSEDSREQ && CanCloseSource()) CloseSource();
}

void CQvScan::TransferImages()
{
    bool go = true;
    while (go) {
        TW_IMAGEINFO info{};
        if (!GetImageInfo(info)) break;
        switch (ShouldTransfer(info)) {
        case 0: go = TransferNative(info); break;
        case 1: go = EndTransfer(); break;
        default:
            ResetTransfers();
            go = false;
            break;
        }
    }
}

BOOL CQvScan::GetImageInfo(TW_IMAGEINFO& info)
{
    if (!m_bSourceEnabled) return FALSE;
    return CallSourceManager(&m_sourceIdentity, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
}

BOOL CQvScan::TransferNative(const TW_IMAGEINFO& info)
{
    TW_HANDLE handle = nullptr;
    CallSourceManager(&m_sourceIdentity, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (m_nReturnCode == TWRC_FAILURE) {
        ResetTransfers();
        return FALSE;
    }
    if (m_nReturnCode == TWRC_XFERDONE) OnImage(handle, info);
    if (handle != nullptr) GlobalFree(handle);
    return EndTransfer();
}

BOOL CQvScan::EndTransfer()
{
    TW_PENDINGXFERS pending{};
    if (!CallSourceManager(&m_sourceIdentity, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending)) return FALSE;
    return pending.Count != 0;
}

void CQvScan::ResetTransfers()
{
    TW_PENDINGXFERS pending{};
    CallSourceManager(&m_sourceIdentity, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
}

void CQvScan::CloseSource()
{
    if (!m_bSourceOpen) return;
    DisableSource();
    CallSourceManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_sourceIdentity);
    m_bSourceOpen = FALSE;
}

void CQvScan::CloseManager()
{
    if (!m_bManagerOpen) return;
    CloseSource();
    CallSourceManager(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &m_hParent);
    m_bManagerOpen = FALSE;
}

void CQvScan::UnloadDSM()
{
    if (!IsDSMLoaded()) return;
    CloseManager();
    Ops().free(m_hLibrary);
    m_hLibrary = nullptr;
    m_pEntry = nullptr;
}
