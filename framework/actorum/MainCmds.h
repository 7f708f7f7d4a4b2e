// The main commands (select, node edit, text), the scan command's bitmap
// hand-over and the notes dialog.
#pragma once

#include "framework/relayon/Command.h"
#include "platform/core/WinString.h"

#include <functional>

class CDib;

// Host types of the main commands.
inline constexpr int kHostSelect = 1;
inline constexpr int kHostNode = 2;
inline constexpr int kHostText = 4;

// Select: a left click picks the topmost entity whose box holds the point
// (within 3 pixels); without Shift it replaces the selection, with Shift it
// toggles the entity. A click on nothing without Shift clears the selection.
class CToolCmd : public CCommand {
    DECLARE_DYNAMIC(CToolCmd)
public:
    static constexpr UINT kShift = 0x0004;  // MK_SHIFT
    static constexpr double kApertureX = 3.0;

    CToolCmd(int first, LPCTSTR name);
    int HostType() override { return kHostSelect; }
    int OnLButtonDown(UINT flags, Position& pos) override;
    // A new or merged document empties the selection.
    int OnMessage(QMessage* message) override;
    // The main command does not end on the right button.
    int OnRButtonDown(UINT, Position&) override { return 0; }
};

class CToolNodeCmd : public CCommand {
    DECLARE_DYNAMIC(CToolNodeCmd)
public:
    CToolNodeCmd(int first, LPCTSTR name) : CCommand(first, name, 0) {}
    int HostType() override { return kHostNode; }
    int OnRButtonDown(UINT, Position&) override { return 0; }
};

class CTextMainCmd : public CCommand {
    DECLARE_DYNAMIC(CTextMainCmd)
public:
    CTextMainCmd(int first, LPCTSTR name) : CCommand(first, name, 0) {}
    int HostType() override { return kHostText; }
    int OnRButtonDown(UINT, Position&) override { return 0; }
    // Fill toggle of the text being edited.
    void OnFill() { m_bFill = !m_bFill; }
    BOOL m_bFill = FALSE;

    // Clipboard commands on the text being edited: the text tool keeps no text
    // here, so they leave the clipboard alone and their items are disabled.
    void OnEditCopy() {}
    void OnEditCut() {}
    void OnEditPaste() {}
    void OnUpdateEditCopy(CCmdUI* cmdUI);
    void OnUpdateEditCut(CCmdUI* cmdUI);
    void OnUpdateEditPaste(CCmdUI* cmdUI);
};

// Puts a scanned picture into the drawing: SetBitmap copies the packed bitmap
// of a native transfer (the caller frees the block right after); running the
// command adds it as an image entity with its lower-left corner at the
// origin, one pixel per millimetre, as one undo step, and ends.
class CImageScanCmd : public CCommand {
    DECLARE_DYNAMIC(CImageScanCmd)
public:
    CImageScanCmd(int first, LPCTSTR name) : CCommand(first, name, 0) {}
    ~CImageScanCmd() override;
    // FALSE (nothing kept) when the block does not hold a bitmap of the
    // given width and bits per pixel; a length of -1 (unknown before the
    // transfer) takes the bitmap's own height.
    BOOL SetBitmap(void* hDib, int bitsPerPixel, int length, int width);
    CDib* GetBitmap() const { return m_pDib; }
    int StartUp(int subCommand) override;

private:
    CDib* m_pDib = nullptr;
};

// The document notes dialog. DoModal shows the text through the installed
// editor (which may change it and answers IDOK or IDCANCEL); without an
// editor it answers IDCANCEL.
class CDlgNotes {
public:
    using Editor = std::function<int(CString& text)>;
    void SetParam(const CString& text) { m_strText = text; }
    CString GetParam() const { return m_strText; }
    int DoModal();
    static void SetEditor(Editor editor);

private:
    CString m_strText;
};
