// Packed drawing data of the database's entities for the 2D repaint: their
// boxes in one array under a grid index, and for plain line and arc entities
// their colour, layer, flags and display points in contiguous arrays, so that
// a repaint reads a few contiguous arrays instead of three or four separate
// blocks per entity.
//
// The data are a copy and go stale when an entity changes. Every path that
// changes an entity, its curve, its curve's box or the entity list notes a
// change in the process-wide geometry change count (GeometryChange.h), and
// Update makes the data afresh when the count has moved since they were made.
// So a kept box stays the entity's box: an arc's box that changes at its first
// draw (from the exact box to that of its display points) is noted with the
// display points made. Entities of other kinds are only listed: the repaint
// asks them for their live box and draws them itself.
#pragma once

#include "framework/numerak/Box.h"
#include "framework/relayon/BoxGrid.h"
#include "platform/core/ObList.h"
#include "platform/core/WinTypes.h"

#include <cstdint>
#include <vector>

class CDbEntity;

class RepaintCache {
public:
    // kLive: not indexed, asked for its box at each repaint; kEntity: indexed
    // by its box, drawn by the entity; kLine, kArc: packed.
    enum Kind : std::uint8_t { kLive, kEntity, kLine, kArc };
    // Flags of packed entities.
    static constexpr std::uint8_t kSelected = 1;
    static constexpr std::uint8_t kVisible = 2;

    // What a repaint needs of one entity, in list order.
    struct Item {
        CDbEntity* entity;
        COLORREF colour;
        int layer;
        Kind kind;
        std::uint8_t flags;
        int count;              // display points
        std::size_t first;      // index of the first display point in Points(kind)
        double radius, sweep;  // arcs: what their drawing step depends on
        double head[2];        // the first display point (all an arc within a pixel draws)
    };

    // Makes the data afresh when the geometry change count moved since they
    // were made (or they were never made).
    void Update(const CTypedPtrList<CObList, CDbEntity*>& entities);
    // Forgets the data (the next Update makes them).
    void Invalidate() { m_bBuilt = false; }
    // Number of times the data were made, for tests.
    int GetBuildCount() const { return m_nBuilds; }

    const std::vector<Item>& Items() const { return m_items; }
    const std::vector<BOX2<double>>& Boxes() const { return m_grid.Boxes(); }
    const double (*Points(Kind kind) const)[2]
    {
        return reinterpret_cast<const double (*)[2]>(m_points[kind == kArc ? 1 : 0].data());
    }
    // Calls visit(i) in ascending order for every live entity and every packed
    // entity whose box meets rect.
    template <class Visit>
    void Query(const BOX2<double>& rect, Visit&& visit) const
    {
        m_grid.Query(rect, visit);
    }

private:
    void Build(const CTypedPtrList<CObList, CDbEntity*>& entities);

    std::vector<Item> m_items;
    // Display points (x, y pairs) of lines and of arcs, apart: the points of
    // an arc within a pixel are not read, and those of lines then lie together.
    std::vector<double> m_points[2];
    BoxGrid m_grid;
    std::uint64_t m_nStamp = 0;
    bool m_bBuilt = false;
    int m_nBuilds = 0;
};
