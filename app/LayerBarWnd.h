// The frame's client area: a static splitter with the drawing view above the
// layer tab strip. It shows or hides the strip, keeps the strip's visibility
// in "Command-chs.cfg" (two 32-bit values ahead of the command hub's stream)
// and owns the layer operations of the strip, the layer dialogs and the layer
// command. Indexes are positions in the database's layer table; a bad index
// answers -1 and changes nothing.
//
// The bar keeps the layer names for the strip. The names follow the database:
// whenever they differ from it (undo or redo of a layer deletion, a document
// loaded), they are read again before they are drawn or written.
#pragma once

#include "app/LayerHelper.h"
#include "platform/ui/SplitterWndEx.h"

#include <memory>
#include <vector>

class CArchive;
class CLayer;
class CQvWndTab;
class CView;
struct CCreateContext;

class CQvLayerBarWnd : public CSplitterWndEx {
    DECLARE_DYNAMIC(CQvLayerBarWnd)
public:
    // Height of the strip pane when the panes are first made.
    static constexpr int kInitialStripHeight = 80;

    CQvLayerBarWnd();
    ~CQvLayerBarWnd() override;

    // Makes the splitter in parent: the view of pContext in row 0, the strip
    // in row 1. TRUE when the view exists afterwards.
    BOOL CreatePanes(CWnd* parent, CCreateContext* pContext);
    CView* GetView() const;
    CQvWndTab* GetTab() const { return m_pTab; }

    void RecalcLayout() override;

    BOOL IsTabVisible() const { return m_nTabHidden == 0 ? TRUE : FALSE; }
    void SetTabHidden(int hidden) { m_nTabHidden = hidden; }
    // Shows the strip when hidden, hides it when shown.
    void ToggleTab();
    // The two state values: the reserved one (written back as read), then
    // whether the strip is hidden.
    void SerializeState(CArchive& ar);
    int GetReservedState() const { return m_nReserved; }

    int GetLayerCount() const;
    // Position of the current layer; the layer count when no layer is current.
    int GetCurLayerIndex() const;
    // Lock, visibility, colour and name of the layer into *out (not its id).
    int GetLayerInfo(int index, CLayer* out) const;
    // Lock, visibility, colour and name of *in into the layer; no repaint.
    int SetLayerInfo(int index, const CLayer* in);
    void SetSingleLayerMode(int v) { m_layers.SetSingleLayerMode(v); }
    int GetSingleLayerMode() const { return m_layers.GetSingleLayerMode(); }
    int SetCurrentLayer(int index);
    // Adds a layer under the first free "Page%d" name (name is not used);
    // returns its index.
    int AddLayer(const CString& name);
    // -2 when another layer has exactly this name, -1 for a bad index.
    int RenameLayer(int index, const CString& name);
    // Deletes the layer and its entities as one undoable step; -1 with fewer
    // than two layers or a bad index.
    int DeleteLayer(int index, int reserved = 0);
    // Names from the database, layer 0 current, strip repainted.
    void ReloadLayers();
    // Clears the selection and repaints the view when clearSelection is
    // nonzero; always repaints the strip.
    void RefreshLayerBar(int clearSelection);
    void EnableTabButtons(int on);
    // The layer names in table order, read again when they differ from the
    // database.
    const std::vector<CString>& GetLayerNames();
    CLayerHelper& GetHelper() { return m_layers; }
    int GetCurIndexField() const { return m_nCurIndex; }

private:
    // Reads the names again when they differ from the database.
    void SyncNames();
    void ReadNames();
    void NamesChanged();
    BOOL IsIndex(int index) const { return index >= 0 && index < GetLayerCount(); }

    CLayerHelper m_layers;
    int m_nCurIndex = 0;
    std::vector<CString> m_names;

    int m_nReserved = 1;
    int m_nTabHidden = 0;
    CQvWndTab* m_pTab = nullptr;  // owned
};
