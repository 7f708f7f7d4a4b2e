// The document's entity database: the entity list, the layer table, the
// guide-line and tool-path visibility and the document note. One process-wide
// instance (Instance, Uninstance).
//
// Stream (Serialize): the note (CString), the 32-bit document format version,
// the entity list as an object list; then the layer table as an object list of
// CLayer records, the current layer id (int32), guide-line visible (int32) and
// paths visible (int32). Documents written with the earlier layer record
// ("CDbLayer": id, colour, visible, locked, name) still load; their layers
// become CLayer records with the same values. SaveSelected writes the same stream with the selected entities
// only, so that a selection file opens as a document.
#pragma once

#include "framework/db/DbEntity.h"
#include "geometry/shapes2d/Layer.h"
#include "framework/looker/SnapRecords.h"
#include "platform/core/WinString.h"

#include <memory>

class COpenGLDC;
class CLooker;
class RepaintCache;

class CLayer;

class CDBase {
public:
    static CDBase* Instance();  // creates the database on first use
    static BOOL IsLiving();
    static void Uninstance();  // deletes the database and its entities

    CDBase();
    ~CDBase();
    CDBase(const CDBase&) = delete;
    CDBase& operator=(const CDBase&) = delete;

    // Entities. AddTail takes ownership (no undo step) and gives an entity
    // without a handle the next handle; Remove hands ownership back.
    void AddTail(CDbEntity* entity);
    BOOL Remove(CDbEntity* entity);
    BOOL Contains(const CDbEntity* entity) const;
    // Position of the entity in the list, -1 when absent.
    int IndexOf(const CDbEntity* entity) const;
    // Puts an entity back at index (clamped to the list); takes ownership.
    void InsertAt(int index, CDbEntity* entity);
    int GetCount() const { return static_cast<int>(m_entities.GetCount()); }
    // The list for editing: notes a geometry change, so that the repaint's
    // packed data are made afresh. The const form reads.
    CTypedPtrList<CObList, CDbEntity*>& GetEntities();
    const CTypedPtrList<CObList, CDbEntity*>& GetEntities() const { return m_entities; }
    void DelAllEnt();
    // Raises the entity handle counter to the largest handle held.
    void UpdateHandle();
    // Union of the entities' boxes; FALSE when none has one.
    BOOL GetBox2D(BOX2<double>* box);
    // Visible entities whose box, grown by aperture, holds the point, in list order.
    void RoughPick(const double* p, double aperture, CDbEntityList& out);
    // The visible entity under a mouse position, the last drawn (topmost) of
    // those whose box, grown by kPickAperture pixels, holds it: in 2D by the
    // world point, in 3D by the screen point against the box projected through
    // the camera. Null when none.
    static constexpr int kPickAperture = 3;
    CDbEntity* RoughPick(const Position& pos);

    // Drawing of the visible entities on visible layers. DrawAllUnSel skips
    // selected entities; guide lines only when bDrawAid and guide lines are shown.
    // A normal-mode 2D repaint checked against the view draws from packed
    // data (RepaintCache) kept between repaints; its image is the same as that
    // of the entity-by-entity drawing, which SetRepaintCacheUse(false) selects.
    void DrawAllUnSel(CDC* dc, int mode, int bCheckView, int bDrawAid);
    void SetRepaintCacheUse(bool use) { m_bUseRepaintCache = use; }
    // Times the packed data were made, for tests.
    int GetRepaintCacheBuilds() const;
    void DrawAllUnSel(COpenGLDC* dc, int mode);
    void DrawAllEx(CDC* dc, int mode);

    // Layers, addressed by 0-based position; the current layer is the one
    // whose id is CLayer::GetCurrentLayerID.
    int GetLayerCnt() const { return static_cast<int>(m_layers.GetCount()); }
    CLayer* GetLayer(int index) const;
    CLayer* GetLayerByID(int id) const;
    int GetLayerIDByIndex(int index) const;  // -1 out of range
    int GetIndexByLayerID(int id) const;     // -1 when absent
    int GetCountOnLayerIndex(int index) const;
    // Takes ownership; returns the new position.
    int AddLayer(CLayer* layer);
    // Takes the layer at index out of the table and hands it to the caller;
    // null for a bad index. Its entities stay.
    CLayer* RemoveLayerAt(int index);
    // Puts a layer back at index (clamped to the table); takes ownership.
    BOOL InsertLayerAt(int index, CLayer* layer);
    // Makes sure there is at least one layer and that the current layer id
    // names one of them (the first otherwise).
    void InitLayer();

    BOOL GetDbAidLineVisible() const { return m_bAidLineVisible; }
    void SetDbAidLineVisible(BOOL visible) { m_bAidLineVisible = visible ? TRUE : FALSE; }
    // Whether some entity's base type has a bit of mask (a walk of the list).
    BOOL HasBaseType(int mask) const;
    BOOL GetDbPathVisible() const { return m_bPathVisible; }
    void SetDbPathVisible(BOOL visible) { m_bPathVisible = visible ? TRUE : FALSE; }
    CString& GetNote() { return m_strNote; }
    void SetNote(const CString& note) { m_strNote = note; }

    // Entities tied to entity by constraints of the filter's kinds, appended
    // to out. The database keeps no constraints, so there are none.
    void GetRelatedConstraint(CDbEntity* entity, int filter, CDbEntityList& out) const;
    // Number of entities hidden one by one (not through their layer).
    int GetInvisibleEntSelfCount() const;
    // Whether the 3D display lists are up to date; 0 asks for a rebuild.
    void SetListDone(int done) { m_nListDone = done; }
    int GetListDone() const { return m_nListDone; }
    // Base types that select all and invert selection pass over.
    int GetSelFilterMask() const { return m_nSelFilterMask; }
    void SetSelFilterMask(int mask) { m_nSelFilterMask = mask; }
    // The three state queries of selecting by command: the entity's layer is
    // locked (must be false), the entity is shown (true), its layer is hidden
    // (false).
    BOOL IsSelectable(CDbEntity* entity) const;

    // Loading appends the entities read and replaces the layer table. It is
    // all or nothing: a damaged stream (a truncation, an object of the wrong
    // kind in either list, a repeated object or one another object owns)
    // throws the archive exception and leaves the database as it was.
    void Serialize(CArchive& ar);
    void SaveSelected(CArchive& ar);

private:
    void WriteStream(CArchive& ar, const CTypedPtrList<CObList, CDbEntity*>& entities);
    // Visibility of layers by id during one pass over the entities, in which
    // the layer table does not change.
    class LayerVisibility {
    public:
        explicit LayerVisibility(const CDBase& db) : m_db(db) {}
        // Entities mostly come in runs on one layer: the last answer is kept.
        bool Visible(int id) { return m_bKnown && id == m_nId ? m_bVisible : Look(id); }

    private:
        bool Look(int id);
        const CDBase& m_db;
        int m_nId = 0;
        bool m_bVisible = true;
        bool m_bKnown = false;
    };
    BOOL IsDrawable(CDbEntity* entity, LayerVisibility& layers) const;
    // DrawAllUnSel's normal 2D repaint from the packed data.
    void DrawAllUnSelPacked(CDC* dc, const CLooker& looker, int bDrawAid);

    CTypedPtrList<CObList, CDbEntity*> m_entities;
    CTypedPtrList<CObList, CLayer*> m_layers;
    CString m_strNote;
    BOOL m_bAidLineVisible = TRUE;
    BOOL m_bPathVisible = TRUE;
    int m_nListDone = 1;
    int m_nSelFilterMask = 0;
    std::unique_ptr<RepaintCache> m_repaint;
    bool m_bUseRepaintCache = true;
};
