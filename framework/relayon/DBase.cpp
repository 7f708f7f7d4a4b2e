#include "framework/relayon/DBase.h"

#include "framework/looker/AppSlots.h"
#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/RepaintCache.h"
#include "framework/relayon/Selector.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeometryChange.h"
#include "platform/core/Archive.h"
#include "platform/core/OwnedListArchive.h"

#include "framework/looker/Camera.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

// ---------------------------------------------------------------------------
// Layers

namespace {

// The layer record documents carried before CLayer: id, colour, visible,
// locked (int32 each) and name. Only read, and turned into a CLayer at once.
class CDbLayer : public CObject {
    DECLARE_SERIAL(CDbLayer)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring()) return;
        ar >> m_nID >> m_crColor >> m_bVisible >> m_bLocked >> m_strName;
        // The same limit as the current layer record's: ToLayer raises the layer counter to the id.
        if (m_nID > CLayer::kMaxLoadedLayerId) AfxThrowArchiveException(CArchiveException::genericException);
    }
    CLayer* ToLayer() const
    {
        auto* layer = new CLayer(m_strName);
        layer->SetID(m_nID);
        layer->SetColor(m_crColor & 0xFFFFFFu);
        if (!m_bVisible) layer->SetInVisible();
        layer->SetLock(m_bLocked);
        CLayer::RaiseLayerCounter(m_nID);
        return layer;
    }

private:
    int m_nID = 0;
    CString m_strName;
    COLORREF m_crColor = 0;
    BOOL m_bVisible = TRUE;
    BOOL m_bLocked = FALSE;
};

std::unique_ptr<CDBase> g_dbase;

// Reads the owned layer list as archive::LoadOwnedList does, accepting records
// of CLayer and of the earlier layer kind: another kind throws badClass, a
// reference to an object read earlier throws badIndex.
void LoadLayerList(CArchive& ar, CTypedPtrList<CObList, CObject*>& list)
{
    DWORD count = ar.ReadCount();
    ar.RequireBytes(static_cast<ULONGLONG>(count) * sizeof(WORD));
    while (count-- > 0) {
        bool created = false;
        CObject* ob = ar.ReadObject(nullptr, &created);
        if (ob == nullptr) continue;
        if (dynamic_cast<CLayer*>(ob) == nullptr && dynamic_cast<CDbLayer*>(ob) == nullptr) {
            if (created && !ar.IsHoldingNewObjects()) delete ob;
            AfxThrowArchiveException(CArchiveException::badClass);
        }
        if (!created) AfxThrowArchiveException(CArchiveException::badIndex);
        list.AddTail(ob);
    }
}

}  // namespace

IMPLEMENT_SERIAL(CDbLayer, CObject, 1)

// ---------------------------------------------------------------------------
// Database

CDBase* CDBase::Instance()
{
    if (!g_dbase) g_dbase = std::make_unique<CDBase>();
    return g_dbase.get();
}

BOOL CDBase::IsLiving() { return g_dbase ? TRUE : FALSE; }

void CDBase::Uninstance() { g_dbase.reset(); }

CDBase::CDBase() : m_repaint(std::make_unique<RepaintCache>()) {}

CDBase::~CDBase()
{
    DelAllEnt();
    while (!m_layers.IsEmpty()) delete m_layers.RemoveHead();
}

void CDBase::AddTail(CDbEntity* entity)
{
    if (entity == nullptr) return;
    entity->CreateNewHandle();
    m_entities.AddTail(entity);
    geNoteGeometryChange();
}

BOOL CDBase::Remove(CDbEntity* entity)
{
    POSITION pos = m_entities.Find(entity);
    if (pos == nullptr) return FALSE;
    m_entities.RemoveAt(pos);
    geNoteGeometryChange();
    if (CSelector* selector = gGetSelector()) selector->Remove(entity);
    return TRUE;
}

BOOL CDBase::Contains(const CDbEntity* entity) const
{
    return m_entities.Find(const_cast<CDbEntity*>(entity)) != nullptr ? TRUE : FALSE;
}

int CDBase::IndexOf(const CDbEntity* entity) const
{
    int index = 0;
    for (CDbEntity* e : m_entities) {
        if (e == entity) return index;
        ++index;
    }
    return -1;
}

void CDBase::InsertAt(int index, CDbEntity* entity)
{
    if (entity == nullptr) return;
    entity->CreateNewHandle();
    POSITION pos = index >= 0 ? m_entities.FindIndex(index) : nullptr;
    if (pos != nullptr) m_entities.InsertBefore(pos, entity);
    else m_entities.AddTail(entity);
    geNoteGeometryChange();
}

CTypedPtrList<CObList, CDbEntity*>& CDBase::GetEntities()
{
    geNoteGeometryChange();
    return m_entities;
}

void CDBase::DelAllEnt()
{
    // The selection points into the list: empty it first.
    if (CSelector* selector = gGetSelector()) selector->RemoveAll();
    dbDelEntList(&m_entities);
    geNoteGeometryChange();
}

void CDBase::UpdateHandle()
{
    std::uint32_t maxHandle = CDbEntity::GetMaxHandle();
    for (CDbEntity* e : m_entities) maxHandle = std::max(maxHandle, e->GetHandle());
    CDbEntity::SetMaxHandle(maxHandle);
}

BOOL CDBase::GetBox2D(BOX2<double>* box)
{
    if (box == nullptr) return FALSE;
    BOX2<double> all;
    all.InitEmpty();
    BOOL any = FALSE;
    for (CDbEntity* e : m_entities) {
        BOX2<double> b;
        if (e->GetBox(&b)) {
            all.Union(b);
            any = TRUE;
        }
    }
    if (any) *box = all;
    return any;
}

void CDBase::RoughPick(const double* p, double aperture, CDbEntityList& out)
{
    if (p == nullptr) return;
    LayerVisibility layers(*this);
    for (CDbEntity* e : m_entities) {
        if (!IsDrawable(e, layers)) continue;
        BOX2<double> b;
        if (!e->GetBox(&b)) continue;
        b.Inflate(aperture);
        if (p[0] >= b.xmin && p[0] <= b.xmax && p[1] >= b.ymin && p[1] <= b.ymax) out.AddTail(e);
    }
}

CDbEntity* CDBase::RoughPick(const Position& pos)
{
    if (!CLooker::IsView3D()) {
        double aperture = 0.0;
        if (CLooker* looker = gGetLooker()) looker->ScreentoWorld(static_cast<double>(kPickAperture), aperture);
        CDbEntityList hits;
        const double p[2] = {pos.x, pos.y};
        RoughPick(p, aperture, hits);
        return hits.IsEmpty() ? nullptr : hits.GetTail();
    }
    COpenGLDC* dc = gGetOpenGLDC();
    if (dc == nullptr) return nullptr;
    const GCamera& camera = dc->GetCamera();
    CDbEntity* found = nullptr;
    LayerVisibility layers(*this);
    for (CDbEntity* e : m_entities) {
        BOX3<double> b;
        if (!IsDrawable(e, layers) || !e->GetBox3D(&b)) continue;
        double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
        for (int corner = 0; corner < 8; ++corner) {
            const double w[3] = {corner & 1 ? b.xmax : b.xmin, corner & 2 ? b.ymax : b.ymin, corner & 4 ? b.zmax : b.zmin};
            double px[2];
            camera.world_to_screen(w, px);
            for (int i = 0; i < 2; ++i) lo[i] = std::min(lo[i], px[i]), hi[i] = std::max(hi[i], px[i]);
        }
        const double x = pos.m_ptScreen.x, y = pos.m_ptScreen.y;
        if (x >= lo[0] - kPickAperture && x <= hi[0] + kPickAperture && y >= lo[1] - kPickAperture &&
            y <= hi[1] + kPickAperture)
            found = e;
    }
    return found;
}

BOOL CDBase::HasBaseType(int mask) const
{
    for (CDbEntity* e : m_entities)
        if ((e->GetBaseType() & mask) != 0) return TRUE;
    return FALSE;
}

void CDBase::GetRelatedConstraint(CDbEntity*, int, CDbEntityList&) const {}

int CDBase::GetInvisibleEntSelfCount() const
{
    int count = 0;
    for (CDbEntity* e : m_entities)
        if (!e->IsVisible()) ++count;
    return count;
}

BOOL CDBase::IsSelectable(CDbEntity* entity) const
{
    if (entity == nullptr) return FALSE;
    const CLayer* layer = GetLayerByID(entity->GetLayerID());
    const bool locked = layer != nullptr && layer->IsLocked();
    const bool layerHidden = layer != nullptr && !layer->IsVisible();
    return !locked && entity->IsVisible() && !layerHidden ? TRUE : FALSE;
}

bool CDBase::LayerVisibility::Look(int id)
{
    const CLayer* layer = m_db.GetLayerByID(id);
    m_nId = id;
    m_bVisible = layer == nullptr || layer->IsVisible();
    m_bKnown = true;
    return m_bVisible;
}

BOOL CDBase::IsDrawable(CDbEntity* entity, LayerVisibility& layers) const
{
    if (!entity->IsVisible()) return FALSE;
    if (!m_bPathVisible && (entity->GetBaseType() & kDbBasePath) != 0) return FALSE;
    return layers.Visible(entity->GetLayerID()) ? TRUE : FALSE;
}

void CDBase::DrawAllUnSel(CDC* dc, int mode, int bCheckView, int bDrawAid)
{
    if (dc == nullptr) return;
    BOX2<double> view;
    CLooker* looker = gGetLooker();
    const bool check = bCheckView && looker != nullptr;
    // The packed drawing keeps one pen between entities, which needs a pen of
    // the caller's to hand back.
    if (m_bUseRepaintCache && check && mode == kDrawNormal && CLooker::IsView2D() && dc->GetCurrentPen() != nullptr) {
        DrawAllUnSelPacked(dc, *looker, bDrawAid);
        return;
    }
    if (check) view = looker->GetViewBox();
    LayerVisibility layers(*this);
    for (CDbEntity* e : m_entities) {
        if (e->IsSelected() || !IsDrawable(e, layers)) continue;
        if (e->GetType() == kDbTypeAidLine) {
            if (bDrawAid && m_bAidLineVisible) e->Draw(dc, mode);
            continue;
        }
        if (check) {
            BOX2<double> b;
            if (e->GetBox(&b) && (b.xmax < view.xmin || b.xmin > view.xmax || b.ymax < view.ymin || b.ymin > view.ymax))
                continue;
        }
        e->Draw(dc, mode);
    }
}

namespace {

// The normal pen of each colour in turn (as CDbEntity::PenGuard selects it
// for one entity), made only when the colour changes; the dc's pen and raster
// operation come back at the end.
class ColourPens {
public:
    explicit ColourPens(CDC* dc) : m_dc(dc), m_oldPen(dc->GetCurrentPen()), m_oldRop(dc->SetROP2(R2_COPYPEN)) {}
    ~ColourPens()
    {
        m_dc->SetROP2(m_oldRop);
        m_dc->SelectObject(m_oldPen);
    }
    ColourPens(const ColourPens&) = delete;
    ColourPens& operator=(const ColourPens&) = delete;

    void Select(COLORREF colour)
    {
        if (m_pen != nullptr && colour == m_colour) return;
        auto pen = std::make_unique<CPen>(PS_SOLID, 1, colour);
        m_dc->SelectObject(pen.get());
        m_pen = std::move(pen);
        m_colour = colour;
    }

private:
    CDC* m_dc;
    CPen* m_oldPen;
    int m_oldRop;
    std::unique_ptr<CPen> m_pen;
    COLORREF m_colour = 0;
};

// CGeArc::DrawStride at one frame's pixel size, remembered per arc size
// (display point count, radius, sweep): a drawing's arcs mostly come in a few
// sizes (holes, fillets, repeated parts), and the stride costs an arc cosine.
class ArcStrides {
public:
    explicit ArcStrides(double pixel) : m_pixel(pixel) {}

    int Stride(int count, double radius, double sweep)
    {
        std::uint64_t r, s;
        std::memcpy(&r, &radius, sizeof r);
        std::memcpy(&s, &sweep, sizeof s);
        const std::uint64_t key = (r ^ (s >> 1) ^ static_cast<std::uint32_t>(count)) * 0x9E3779B97F4A7C15ull;
        Entry& e = m_entries[key >> (64 - kSlotBits)];
        if (!e.used || e.count != count || e.radius != r || e.sweep != s)
            e = Entry{true, count, r, s, CGeArc::DrawStride(count, radius, sweep, m_pixel)};
        return e.stride;
    }

private:
    static constexpr int kSlotBits = 6;
    struct Entry {
        bool used = false;
        int count = 0;
        std::uint64_t radius = 0, sweep = 0;  // bits, so that any value finds itself
        int stride = 1;
    };
    double m_pixel;
    Entry m_entries[std::size_t{1} << kSlotBits];
};

}  // namespace

void CDBase::DrawAllUnSelPacked(CDC* dc, const CLooker& looker, int bDrawAid)
{
    m_repaint->Update(m_entities);
    const BOX2<double> view = looker.GetViewBox();
    double pixel = 0.0;
    looker.ScreentoWorld(1.0, pixel);
    const std::vector<RepaintCache::Item>& items = m_repaint->Items();
    const std::vector<BOX2<double>>& boxes = m_repaint->Boxes();
    const double (*linePoints)[2] = m_repaint->Points(RepaintCache::kLine);
    const double (*arcPoints)[2] = m_repaint->Points(RepaintCache::kArc);
    const PixelMap2D map(looker);
    LayerVisibility layers(*this);
    ColourPens pens(dc);
    ArcStrides strides(pixel);
    m_repaint->Query(view, [&](int i) {
        const RepaintCache::Item& item = items[static_cast<std::size_t>(i)];
        if (item.kind == RepaintCache::kLive || item.kind == RepaintCache::kEntity) {
            // As DrawAllUnSel draws every entity, from the entity itself
            // (an indexed one's box, tested again, is the box the query met).
            CDbEntity* e = item.entity;
            if (e->IsSelected() || !IsDrawable(e, layers)) return;
            if (e->GetType() == kDbTypeAidLine) {
                if (bDrawAid && m_bAidLineVisible) e->Draw(dc, kDrawNormal);
                return;
            }
            BOX2<double> b;
            if (e->GetBox(&b) && !BoxGrid::Meets(b, view)) return;
            e->Draw(dc, kDrawNormal);
            return;
        }
        // A plain line or arc whose box meets the view (the query tested it).
        if ((item.flags & RepaintCache::kSelected) != 0 || (item.flags & RepaintCache::kVisible) == 0 ||
            !layers.Visible(item.layer))
            return;
        pens.Select(item.colour);
        // What DrawPolylineEx draws for the entity. A box within one pixel
        // draws that pixel alone, whatever the points: the test only spares
        // projecting an arc's points.
        POINT run[CLooker::kShortStroke];
        const double (*points)[2] = linePoints + item.first;
        int step = 1;
        if (item.kind == RepaintCache::kArc) {
            points = arcPoints + item.first;
            step = strides.Stride(item.count, item.radius, item.sweep);
            // A step past the last point draws the pixel of the first point alone.
            if (step >= item.count) {
                if (map.PointPixel(item.head, run[0])) dc->SetPixelV(run[0], item.colour);
                return;
            }
            if (map.BoxPixel(boxes[static_cast<std::size_t>(i)], run[0])) {
                dc->SetPixelV(run[0], item.colour);
                return;
            }
        }
        const int m = map.ShortRun(points, item.count, step, run);
        if (m >= 2)
            dc->Polyline(run, m);
        else if (m == 1)
            dc->SetPixelV(run[0], dc->GetPenState().colour);
        else
            looker.DrawPolylineEx(points, item.count, step, dc);  // clipped, or a long stroke
    });
}

int CDBase::GetRepaintCacheBuilds() const { return m_repaint->GetBuildCount(); }

void CDBase::DrawAllUnSel(COpenGLDC* dc, int mode)
{
    LayerVisibility layers(*this);
    for (CDbEntity* e : m_entities)
        if (!e->IsSelected() && IsDrawable(e, layers)) e->DrawGL(dc, mode);
}

void CDBase::DrawAllEx(CDC* dc, int mode)
{
    if (dc == nullptr) return;
    LayerVisibility layers(*this);
    for (CDbEntity* e : m_entities) {
        if (!IsDrawable(e, layers)) continue;
        if (e->GetType() == kDbTypeAidLine && !m_bAidLineVisible) continue;
        e->Draw(dc, mode);
    }
}

CLayer* CDBase::GetLayer(int index) const
{
    if (index < 0) return nullptr;
    POSITION pos = m_layers.FindIndex(index);
    return pos != nullptr ? m_layers.GetAt(pos) : nullptr;
}

CLayer* CDBase::GetLayerByID(int id) const
{
    for (CLayer* layer : m_layers)
        if (layer->GetID() == id) return layer;
    return nullptr;
}

int CDBase::GetLayerIDByIndex(int index) const
{
    const CLayer* layer = GetLayer(index);
    return layer != nullptr ? layer->GetID() : -1;
}

int CDBase::GetIndexByLayerID(int id) const
{
    int index = 0;
    for (CLayer* layer : m_layers) {
        if (layer->GetID() == id) return index;
        ++index;
    }
    return -1;
}

int CDBase::GetCountOnLayerIndex(int index) const
{
    const int id = GetLayerIDByIndex(index);
    if (id < 0) return 0;
    int n = 0;
    for (CDbEntity* e : m_entities)
        if (e->GetLayerID() == id) ++n;
    return n;
}

int CDBase::AddLayer(CLayer* layer)
{
    if (layer == nullptr) return -1;
    m_layers.AddTail(layer);
    CLayer::RaiseLayerCounter(layer->GetID());
    return GetLayerCnt() - 1;
}

CLayer* CDBase::RemoveLayerAt(int index)
{
    if (index < 0) return nullptr;
    POSITION pos = m_layers.FindIndex(index);
    if (pos == nullptr) return nullptr;
    CLayer* layer = m_layers.GetAt(pos);
    m_layers.RemoveAt(pos);
    return layer;
}

BOOL CDBase::InsertLayerAt(int index, CLayer* layer)
{
    if (layer == nullptr) return FALSE;
    POSITION pos = index >= 0 ? m_layers.FindIndex(index) : nullptr;
    if (pos != nullptr) m_layers.InsertBefore(pos, layer);
    else m_layers.AddTail(layer);
    CLayer::RaiseLayerCounter(layer->GetID());
    return TRUE;
}

void CDBase::InitLayer()
{
    if (m_layers.IsEmpty()) {
        auto* layer = new CLayer(CString(L"0"));
        layer->SetColor(RGB(255, 255, 255));
        AddLayer(layer);
    }
    if (GetLayerByID(CLayer::GetCurrentLayerID()) == nullptr) CLayer::SetCurrentLayerID(m_layers.GetHead()->GetID());
}

void CDBase::WriteStream(CArchive& ar, const CTypedPtrList<CObList, CDbEntity*>& entities)
{
    // Shapes always write every field of the current format, so the stream is
    // stamped with the current version whatever version was last loaded.
    if (CQVGlobal* global = gGetQVGlobal()) global->SetVersion(kDocVersionCurrent);
    const std::int32_t version = kDocVersionCurrent;
    ar << m_strNote << version;
    const_cast<CTypedPtrList<CObList, CDbEntity*>&>(entities).Serialize(ar);
    m_layers.Serialize(ar);
    ar << CLayer::GetCurrentLayerID() << m_bAidLineVisible << m_bPathVisible;
}

void CDBase::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        WriteStream(ar, m_entities);
        return;
    }
    // All or nothing: until the whole stream has read, the archive owns what it
    // created and deletes each object once if the load fails.
    CArchive::CLoadHold hold(ar);
    CString note;
    std::int32_t version = 0;
    ar >> note >> version;
    // Shapes read their records under the version of the settings object.
    if (CQVGlobal* global = gGetQVGlobal()) global->SetVersion(version);

    // Both lists own their objects: an object of another kind, or a reference
    // to one read earlier (a repeat, or a member another object owns), is a
    // damaged file.
    CTypedPtrList<CObList, CDbEntity*> read;
    archive::LoadOwnedList(ar, read);
    // Layer records of either kind; the earlier kind is converted below.
    CTypedPtrList<CObList, CObject*> layers;
    LoadLayerList(ar, layers);
    int currentLayer = 0, aid = 1, path = 1;
    ar >> currentLayer >> aid >> path;
    hold.Release();

    m_strNote = note;
    while (!m_layers.IsEmpty()) delete m_layers.RemoveHead();
    for (CObject* ob : layers) {
        if (auto* old = dynamic_cast<CDbLayer*>(ob)) {
            AddLayer(old->ToLayer());
            delete old;
        } else {
            AddLayer(static_cast<CLayer*>(ob));
        }
    }
    CLayer::SetCurrentLayerID(currentLayer);
    m_bAidLineVisible = aid ? TRUE : FALSE;
    m_bPathVisible = path ? TRUE : FALSE;
    m_entities.AddTail(&read);
    geNoteGeometryChange();
}

void CDBase::SaveSelected(CArchive& ar)
{
    CTypedPtrList<CObList, CDbEntity*> selected;
    if (CSelector* selector = gGetSelector()) {
        for (int i = 0; i < selector->GetSize(); ++i) selected.AddTail(selector->GetEntity(i));
    }
    WriteStream(ar, selected);
}
