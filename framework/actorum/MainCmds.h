// The main commands (select, node edit, text), the scan command's bitmap
// hand-over and the notes dialog.
#pragma once

#include "framework/relayon/Command.h"
#include "platform/core/WinString.h"

#include <functional>
#include <vector>

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

// Node editing. The nodes themselves are not built here: the command counts
// the select-all and invert requests and keeps the codes of the node-edit
// messages (type 0) it was sent; every node-edit item is enabled for it.
class CToolNodeCmd : public CCommand {
    DECLARE_DYNAMIC(CToolNodeCmd)
public:
    CToolNodeCmd(int first, LPCTSTR name) : CCommand(first, name, 0) {}
    int HostType() override { return kHostNode; }
    int OnRButtonDown(UINT, Position&) override { return 0; }
    int OnMessage(QMessage* message) override;
    void OnUpdateMessageUI(QMessage* message, CCmdUI* cmdUI) override;
    void SelectAllNode() { ++m_nSelectAll; }
    void FlipSelectNode() { ++m_nFlip; }

    int m_nSelectAll = 0;
    int m_nFlip = 0;
    std::vector<int> m_nodeCodes;
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
    // Typed characters go into the text being edited.
    int OnChar(UINT nChar, UINT nRepCnt, UINT flags) override;
    // Whether a text object is being edited and holds text.
    BOOL HasText() const { return m_strText.IsEmpty() ? FALSE : TRUE; }
    // Selects the whole text; starts the insertion of a special sign.
    void SelectAll() { ++m_nSelectAll; }
    void StartInsSign() { ++m_nInsSign; }
    CString m_strText;
    std::vector<UINT> m_chars;
    int m_nSelectAll = 0;
    int m_nInsSign = 0;

    // Clipboard commands on the text being edited: the text tool keeps no text
    // here, so they leave the clipboard alone and their items are disabled.
    void OnEditCopy() {}
    void OnEditCut() {}
    void OnEditPaste() {}
    void OnUpdateEditCopy(CCmdUI* cmdUI);
    void OnUpdateEditCut(CCmdUI* cmdUI);
    void OnUpdateEditPaste(CCmdUI* cmdUI);
};

// Text typed onto the drawing and the shape library: outside commands whose
// work is not built here. A run waits until it is cancelled.
class CTextInputCmd : public CCommand {
    DECLARE_DYNAMIC(CTextInputCmd)
public:
    CTextInputCmd(int first, LPCTSTR name) : CCommand(first, name, 0) {}
    int StartUp(int subCommand) override;
};

class CGraphLibCmd : public CCommand {
    DECLARE_DYNAMIC(CGraphLibCmd)
public:
    CGraphLibCmd(int first, LPCTSTR name) : CCommand(first, name, 0) {}
    int StartUp(int subCommand) override;
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
