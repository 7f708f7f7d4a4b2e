// A hash of points in space by cubic cells, for the searches of the 3D chainers that
// look for curve ends within a tolerance of a chain end. It only narrows the
// candidates: callers apply their exact test to what it returns and sort by id where
// the order of candidates decides a tie, so results never depend on the hashing.
//
// Points with a non-finite coordinate fall into no cell: every query returns them.
#pragma once

#include <cstdint>
#include <vector>

class CEndHash3d {
public:
    struct Entry {
        double p[3] = {0.0, 0.0, 0.0};
        std::uint32_t id = 0;
    };

    // Files the entries in cells of edge `cell` (at least 1e-9 of the extent of the
    // points, so that the integer cell indices stay in range).
    void Build(const std::vector<Entry>& entries, double cell);

    // Appends to out the ids of every entry in a cell that meets the cube of
    // half-size r around p (a superset of the entries within r of p), unsorted and
    // possibly with repeats.
    void Near(const double* p, double r, std::vector<std::uint32_t>& out) const;

private:
    struct Filed {
        std::uint64_t key;
        std::uint32_t id;
        bool operator<(const Filed& o) const { return key != o.key ? key < o.key : id < o.id; }
    };
    std::int64_t Index(double v, int axis) const;
    static std::uint64_t Key(std::int64_t ix, std::int64_t iy, std::int64_t iz);

    double m_origin[3] = {0.0, 0.0, 0.0};
    double m_cell = 1.0;
    std::vector<Filed> m_filed;
    std::vector<std::uint32_t> m_loose;
};
