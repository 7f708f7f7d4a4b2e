// A drawing layer: colour, id, visibility and lock flags, name. Ids come from
// one process-wide counter; loading a layer raises the counter to its id, so
// layers created afterwards get new ids.
#pragma once

#include "platform/core/Object.h"
#include "platform/core/WinString.h"
#include "platform/core/WinTypes.h"

class CArchive;

class CLayer : public CObject {
    DECLARE_SERIAL(CLayer)
public:
    // Colour 0, visible and unlocked; the id is the counter's next value (the
    // first layer of a process gets 1).
    CLayer();
    explicit CLayer(CString name);
    ~CLayer() override;

    void Serialize(CArchive& ar) override;

    // The counter is not touched: callers of SetID keep ids unique themselves.
    void SetID(int id) { m_nID = id; }
    int GetID() const { return m_nID; }
    void SetColor(COLORREF colour) { m_color = colour; }
    COLORREF GetColor() const { return m_color; }
    void SetVisible() { m_nFlags |= kVisible; }
    void SetInVisible();
    int IsVisible() const { return (m_nFlags & kVisible) ? 1 : 0; }
    // Locks for b nonzero, unlocks otherwise.
    void SetLock(int b);
    int IsLocked() const { return (m_nFlags & kLocked) ? 1 : 0; }
    void SetName(CString name) { m_strName = name; }
    CString GetName() const { return m_strName; }

    // Raises the layer counter to id when id is larger, so that layers made
    // afterwards do not reuse it (for layers built from other records).
    static void RaiseLayerCounter(int id);

    // Loaded ids above this are damage: new layers count on from the highest
    // loaded id, which must leave them room below the largest int.
    static constexpr int kMaxLoadedLayerId = 1 << 30;

    static void SetCurrentLayerID(int id) { m_nCurrentLayerID = id; }
    static int GetCurrentLayerID() { return m_nCurrentLayerID; }

    // The id of the current layer, for the whole process. Not locked.
    static int m_nCurrentLayerID;

private:
    static constexpr int kVisible = 0x1;
    static constexpr int kLocked = 0x2;

    COLORREF m_color = 0;
    int m_nID = 0;
    int m_nFlags = kVisible;
    CString m_strName;
};

namespace geometry::testing {

// The layer counter: the id of the latest layer created, or the largest loaded.
int GetLayerCounter();
void SetLayerCounter(int value);

}  // namespace geometry::testing
