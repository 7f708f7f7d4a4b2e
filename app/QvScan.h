// The scanning client: loads the source manager module at run time, opens it
// with the drawing view as parent window, lets the user choose a source,
// opens and enables the source with its own user interface, feeds window
// messages to the source while it is enabled, transfers each image natively
// (a packed bitmap in a global memory block) and hands it on to OnImage.
#pragma once

#include "platform/scan/Twain.h"
#include "platform/ui/UiTypes.h"
#include "platform/core/WinString.h"

#include <functional>

struct MSG;

class CQvScan {
public:
    // How the client reaches its source manager module; tests install their
    // own. Load answers a module handle or null, Entry the module's DSM_Entry
    // or null, Free releases the module.
    struct LibraryOps {
        std::function<void*(const CString& path)> load;
        std::function<DSMENTRYPROC(void* module)> entry;
        std::function<void(void* module)> free;
    };
    // Installs ops; empty ops restore loading the module from the program's folder.
    static void SetLibraryOps(LibraryOps ops);

    explicit CQvScan(HWND hWnd = nullptr);
    virtual ~CQvScan();
    CQvScan(const CQvScan&) = delete;
    CQvScan& operator=(const CQvScan&) = delete;

    virtual void FillIdentity();
    virtual BOOL SelectSource();
    virtual BOOL OpenSource(TW_IDENTITY* pIdentity = nullptr);
    // 0 transfer this image, 1 skip it, 2 cancel all pending images.
    virtual int ShouldTransfer(const TW_IMAGEINFO& info);
    virtual BOOL DisableSource();
    virtual BOOL CanCloseSource();
    // The transferred bitmap; the block is freed right after this returns.
    virtual void OnImage(void* hDib, const TW_IMAGEINFO& info) = 0;

    BOOL LoadSourceManager(HWND hWnd);
    BOOL IsDSMLoaded() const { return m_hLibrary != nullptr && m_pEntry != nullptr; }
    BOOL IsManagerOpen() const { return IsDSMLoaded() && m_bManagerOpen; }
    BOOL IsSourceOpen() const { return IsManagerOpen() && m_bSourceOpen; }
    BOOL IsSourceSelected() const { return m_bSourceSelected; }
    BOOL IsSourceEnabled() const { return m_bSourceEnabled; }
    BOOL CallSourceManager(TW_IDENTITY* pDest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF pData);
    // Opens the source when needed, sets the count and enables it with its
    // user interface.
    BOOL Acquire(int nCount);
    // Always FALSE: the caller goes on with its own pre-translation.
    BOOL FilterMessage(MSG* pMsg);
    void UnloadDSM();

    TW_UINT16 GetReturnCode() const { return m_nReturnCode; }
    const TW_STATUS& GetStatus() const { return m_status; }
    const TW_IDENTITY& GetAppIdentity() const { return m_appIdentity; }
    const TW_IDENTITY& GetSourceIdentity() const { return m_sourceIdentity; }
    TW_INT16 GetImageCount() const { return m_nImageCount; }
    int GetModalUI() const { return m_nModalUI; }

protected:
    void GetDefaultSource();
    BOOL SetTransferCount(int nCount);
    BOOL SetOneValue(TW_UINT16 cap, int value, bool bSigned);
    BOOL SetCapabilityRecord(TW_CAPABILITY& cap);
    BOOL QueryCapability(TW_UINT16 cap, TW_CAPABILITY& record);
    BOOL GetCapabilityValue(TW_UINT16 cap, TW_UINT32& value);
    BOOL EnableSource(BOOL bShowUI);
    void OnSourceMessage(TW_UINT16 message);
    void TransferImages();
    BOOL GetImageInfo(TW_IMAGEINFO& info);
    BOOL TransferNative(const TW_IMAGEINFO& info);
    BOOL EndTransfer();
    void ResetTransfers();
    void CloseSource();
    void CloseManager();

private:
    void* m_hLibrary = nullptr;
    DSMENTRYPROC m_pEntry = nullptr;
    TW_IDENTITY m_appIdentity{};
    TW_IDENTITY m_sourceIdentity{};
    TW_STATUS m_status{};
    TW_UINT16 m_nReturnCode = TWRC_FAILURE;
    HWND m_hParent = nullptr;
    BOOL m_bSourceSelected = FALSE;
    BOOL m_bManagerOpen = FALSE;
    BOOL m_bSourceOpen = FALSE;
    BOOL m_bSourceEnabled = FALSE;
    int m_nModalUI = 1;
    TW_INT16 m_nImageCount = -1;
};
