// Base of the database entities: what the document holds. An entity carries a
// handle from one process-wide counter, a layer id, a colour and flags, and
// draws itself through the current view object.
#pragma once

#include "framework/numerak/Box.h"
#include "platform/core/DC.h"
#include "platform/core/ObList.h"

#include <atomic>
#include <cstdint>

class CArchive;
class COpenGLDC;

// Entity type codes (GetType).
inline constexpr int kDbTypeCurve = 1;
inline constexpr int kDbTypeUnion = 2;
inline constexpr int kDbTypeImage = 3;
inline constexpr int kDbTypeNoCopy = 10;   // entities that never go to the clipboard
inline constexpr int kDbTypeAidLine = 11;  // guide line

// Base type bits (GetBaseType). Bits 0xE are the entities that can be filled.
inline constexpr int kDbBaseCurve = 0x2;
inline constexpr int kDbBaseUnion = 0x4;
inline constexpr int kDbBasePath = 0x10;  // tool paths, shown or hidden together
inline constexpr int kDbBaseAid = 0x20;
inline constexpr int kDbBaseImage = 0x40;

// Drawing modes of Draw.
inline constexpr int kDrawNormal = 0;
inline constexpr int kDrawSelected = 1;
inline constexpr int kDrawRubber = 3;      // exclusive-or: drawing twice restores the screen
inline constexpr int kDrawRubberFast = 8;  // exclusive-or, as 3

class CDbEntity : public CObject {
    DECLARE_SERIAL(CDbEntity)
public:
    CDbEntity();
    ~CDbEntity() override;

    // Handle, layer id, colour and flags (schema 1).
    void Serialize(CArchive& ar) override;

    // Virtual operations in slot order after the destructor.
    // A new entity with the same content and no handle, owned by the caller; null
    // when the entity cannot copy itself (the base).
    virtual CDbEntity* Copy();
    // Gives an entity without a handle the next value of the counter.
    virtual void CreateNewHandle();
    virtual void SetSelected(BOOL selected);
    virtual void SetLayerID(int layerId);
    virtual int GetType() const;
    virtual int GetBaseType() const;
    // Draws through the current view object (nothing without one). Modes
    // kDrawRubber and kDrawRubberFast draw with an exclusive-or pen.
    virtual void Draw(CDC* dc, int mode);
    // FALSE (box untouched) when the entity has no extent.
    virtual BOOL GetBox(BOX2<double>* box);
    virtual void Move(const double* from, const double* to);
    // Scales about base by factors (x, y).
    virtual void Scale(const double* base, const double* factors);
    // OpenGL display; nothing in the base.
    virtual void DrawGL(COpenGLDC* dc, int mode);
    // 3D box; the base gives the 2D box at z = 0 (FALSE, box untouched, without extent).
    virtual BOOL GetBox3D(BOX3<double>* box);

    // Handles of other entities that this one refers to (none in the entities of
    // this library): a merge raises them past the drawing's handles, a paste
    // clears them. Setting a reference to 0 clears the value that goes with it.
    virtual int GetRefHandleCount() const { return 0; }
    virtual std::uint32_t GetRefHandle(int /*index*/) const { return 0; }
    virtual void SetRefHandle(int /*index*/, std::uint32_t /*handle*/) {}

    std::uint32_t GetHandle() const { return m_nHandle; }
    // Sets the handle; the counter is not touched (UpdateHandle of the database
    // re-aligns it).
    void SetHandle(std::uint32_t handle) { m_nHandle = handle; }
    static std::uint32_t GetMaxHandle();
    static void SetMaxHandle(std::uint32_t handle);

    int GetLayerID() const { return m_nLayerID; }
    COLORREF GetColor() const { return m_crColor; }
    // The setters of what drawing shows (colour, visibility, selection, layer)
    // note a change in the geometry change count, as geometry edits do.
    void SetColor(COLORREF colour);
    BOOL IsSelected() const { return m_bSelected; }
    BOOL IsFill() const { return m_bFill; }
    void SetFill(BOOL fill) { m_bFill = fill ? TRUE : FALSE; }
    BOOL IsVisible() const { return m_bVisible; }
    void SetVisible(BOOL visible);

protected:
    // Copies the attributes (not the handle or the selection) into a copy.
    void CopyAttributesTo(CDbEntity& other) const;
    // Selects the pen of the mode into dc and sets the raster operation;
    // restores both when the guard ends.
    class PenGuard {
    public:
        PenGuard(CDC* dc, const CDbEntity& entity, int mode);
        ~PenGuard();
        PenGuard(const PenGuard&) = delete;
        PenGuard& operator=(const PenGuard&) = delete;

    private:
        CDC* m_dc;
        CPen m_pen;
        CPen* m_oldPen = nullptr;
        int m_oldRop = R2_COPYPEN;
    };

    std::uint32_t m_nHandle = 0;
    int m_nLayerID = 0;
    COLORREF m_crColor = RGB(255, 255, 255);
    BOOL m_bSelected = FALSE;
    BOOL m_bFill = FALSE;
    BOOL m_bVisible = TRUE;

private:
    // The last entity handle handed out; atomic so that entities may be made
    // on several threads at once.
    static std::atomic<std::uint32_t> m_nMaxHandle;
};

using CDbEntityList = CTypedPtrList<CPtrList, CDbEntity*>;

// Deletes every entity of the list and empties it.
void dbDelEntList(CDbEntityList* list);
void dbDelEntList(CTypedPtrList<CObList, CDbEntity*>* list);

// Fits the current 2D view to the box (nothing without a view object or for an
// invalid box); FALSE when nothing changed.
BOOL dbSetViewRange(const BOX2<double>& box);
