#include "framework/relayon/RepaintCache.h"

#include "framework/db/DbCurve.h"
#include "geometry/shapes2d/GeArc.h"
#include "geometry/shapes2d/GeLine.h"
#include "geometry/shapes2d/GeometryChange.h"

#include <cmath>
#include <typeinfo>

namespace {

// The kind an entity is kept as. Plain line and arc entities are indexed by
// their box: it changes only with a noted change (their box computations note
// a box that comes out different). Those whose display points exist and
// whose box is the box of those points are packed; the others are drawn by
// the entity. kLive for anything else.
RepaintCache::Kind KindOf(CDbEntity* e, const CGeCurve*& curve, BOX2<double>& box)
{
    curve = nullptr;
    if (typeid(*e) != typeid(CDbCurve)) return RepaintCache::kLive;
    curve = static_cast<const CDbCurve*>(e)->ReadCurve();
    if (curve == nullptr) return RepaintCache::kLive;
    const RepaintCache::Kind kind = typeid(*curve) == typeid(CGeLine)  ? RepaintCache::kLine
                                    : typeid(*curve) == typeid(CGeArc) ? RepaintCache::kArc
                                                                       : RepaintCache::kLive;
    if (kind == RepaintCache::kLive || !e->GetBox(&box)) return RepaintCache::kLive;
    if (!curve->HasDisplay()) return RepaintCache::kEntity;
    BOX2<double> shown;
    shown.InitEmpty();
    const double (*pts)[2] = curve->GetSWPoint();
    for (int i = 0; i < curve->GetSWPointCount(); ++i) {
        if (!std::isfinite(pts[i][0]) || !std::isfinite(pts[i][1])) return RepaintCache::kEntity;
        shown.Extend(pts[i]);
    }
    const bool same = shown.xmin == box.xmin && shown.xmax == box.xmax && shown.ymin == box.ymin &&
                      shown.ymax == box.ymax;
    return same ? kind : RepaintCache::kEntity;
}

}  // namespace

void RepaintCache::Update(const CTypedPtrList<CObList, CDbEntity*>& entities)
{
    if (m_bBuilt && m_nStamp == geGeometryChangeCount()) return;
    Build(entities);
    // Stamped after the build: boxes made lazily while reading are part of
    // what it read, and edits happen on the thread that repaints.
    m_nStamp = geGeometryChangeCount();
    m_bBuilt = true;
    ++m_nBuilds;
}

void RepaintCache::Build(const CTypedPtrList<CObList, CDbEntity*>& entities)
{
    m_items.clear();
    for (std::vector<double>& points : m_points) points.clear();
    std::vector<BOX2<double>> boxes;
    std::vector<std::uint8_t> indexed;
    const auto n = static_cast<std::size_t>(entities.GetCount());
    m_items.reserve(n);
    boxes.reserve(n);
    indexed.reserve(n);
    for (CDbEntity* e : entities) {
        Item item{e, e->GetColor(), e->GetLayerID(), kLive, 0, 0, 0, 0.0, 0.0, {0.0, 0.0}};
        const CGeCurve* curve = nullptr;
        BOX2<double> box{0.0, 0.0, 0.0, 0.0};
        item.kind = KindOf(e, curve, box);
        if (item.kind == kLine || item.kind == kArc) {
            item.flags = static_cast<std::uint8_t>((e->IsSelected() ? kSelected : 0) | (e->IsVisible() ? kVisible : 0));
            item.count = curve->GetSWPointCount();
            std::vector<double>& points = m_points[item.kind == kArc ? 1 : 0];
            item.first = points.size() / 2;
            const double* flat = curve->GetSWPoint()[0];
            item.head[0] = flat[0];
            item.head[1] = flat[1];
            points.insert(points.end(), flat, flat + 2 * static_cast<std::size_t>(item.count));
            if (item.kind == kArc) {
                const auto* arc = static_cast<const CGeArc*>(curve);
                item.radius = arc->GetRadius();
                item.sweep = arc->GetSweep();
            }
        }
        m_items.push_back(item);
        boxes.push_back(box);
        indexed.push_back(item.kind != kLive ? 1 : 0);
    }
    m_grid.Build(std::move(boxes), std::move(indexed));
}
