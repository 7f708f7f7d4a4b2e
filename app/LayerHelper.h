// The layer operations of the layer bar, on the database's layer table:
// positions and ids, default names, creating, activating and deleting layers.
// In single-layer mode only the current layer is visible: activating a layer
// hides every other one first.
#pragma once

#include "platform/core/WinString.h"

class CLayerHelper {
public:
    // First position whose layer has id; the layer count when none.
    int LayerIdToIndex(int id) const;
    // Id of the layer at index; -1 for a bad index.
    int LayerIndexToId(int index) const;
    // TRUE when a layer other than the one at exceptIndex (-1: none excepted)
    // has exactly this name (case-sensitive).
    BOOL IsLayerNameUsed(const CString& name, int exceptIndex = -1) const;
    // The first of "Page1", "Page2", ... that no layer uses.
    CString MakeDefaultLayerName() const;
    // Appends a new layer with the name, colour 0, unlocked and not visible.
    // 1, or -1 when it cannot be made.
    int CreateLayer(const CString& name);
    // Clears the selection; in single-layer mode hides every layer; makes the
    // layer at index current, unlocked and visible, and shows its colour in the
    // frame's colour selector.
    void ActivateLayer(int index);
    // Deletes the layer at index with its entities as one undoable step. When
    // it was current, the layer before it (after it, for the first) becomes
    // current. 0, or -1 when refused (fewer than two layers, a bad index).
    int DeleteLayerUndoable(int index);

    void SetSingleLayerMode(int v) { m_nSingleLayerMode = v == 1 ? 1 : 0; }
    int GetSingleLayerMode() const { return m_nSingleLayerMode; }

private:
    int m_nSingleLayerMode = 1;
};
