// Constants and the polyline edge index shared by the curve/curve intersection
// files. Internal to the curve algorithms.
#pragma once

#include "framework/numerak/Box.h"
#include "framework/numerak/Box2D.h"
#include "framework/numerak/IntPnt.h"
#include "platform/core/Containers.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <vector>

namespace QVN_GeCC_Inter::ccdetail {

// Boxes of curves, segments and edges must meet within this to be intersected.
inline constexpr double kBoxTol = 0.01;
// Two lines: boxes within 1e-6, crossing parameters within [0, 1] widened by 1e-12.
inline constexpr double kLineLineBoxTol = 1e-6;
inline constexpr double kLineLineWiden = 1e-12;
// Length and angle tolerance of the line/line intersector for two lines.
inline constexpr double kLineLineTol = 1e-6;
inline constexpr double kLineLineAngTol = 1e-5;
// Angle tolerance of the line/line intersector on polyline edges.
inline constexpr double kPLineAngTol = 0.001;
// Line and edge parameters are accepted within [0, 1] widened by this.
inline constexpr double kParamWiden = 1e-6;
// Tangent tolerance of a line against a circle or an arc.
inline constexpr double kLineCircleTol = 0.0001;
// Tolerance of the other analytic and subdivision intersectors.
inline constexpr double kCurveTol = 1e-6;
// Parallel evaluation only pays when every thread gets at least this much
// work: polyline edges of the first curve, or member intersections.
inline constexpr long kParallelMinEdges = 16384;
inline constexpr long kParallelMinMembers = 256;

inline IntPnt Record(const double* p, int seg1, double t1, int seg2, double t2)
{
    IntPnt r;
    r.pt[0] = p[0];
    r.pt[1] = p[1];
    r.seg1 = seg1;
    r.seg2 = seg2;
    r.para1 = t1;
    r.para2 = t2;
    return r;
}

// The number of threads to share `units` of work so that each gets at least
// minPerThread: at most OpenMP's thread limit and the processors that the
// system's load leaves idle. 1 means sequential evaluation.
//
// A parallel region ends only when every thread of its team has arrived, and
// the threads that arrive first spin there: on a loaded machine they take the
// processors that the late ones wait for, and a region of a fraction of a
// millisecond took 10 ms and more. Small work and a loaded machine therefore
// stay on one thread.
int ParallelTeam(long units, long minPerThread);

// Runs emit(k, push) for k in [0, total), in order, and appends to out every
// record emit hands to push(const IntPnt&). With team > 1 the range goes to
// that many OpenMP threads in contiguous chunks (one parallel region), each
// chunk collecting its own records without any lock; the chunks are appended
// in order, so out receives the records of sequential evaluation in the same
// order. No exception leaves the parallel region: the first one thrown is
// rethrown here after the region, before anything is appended.
template <class Emit>
void CollectInOrder(long total, int team, CArray<IntPnt, IntPnt>* out, Emit emit)
{
    if (team <= 1 || total < 2) {
        auto push = [out](const IntPnt& r) { out->Add(r); };
        for (long k = 0; k < total; ++k) emit(k, push);
        return;
    }
    // A few chunks per thread so that uneven chunks still balance.
    const long chunks = std::min(total, 8L * team);
    std::vector<std::vector<IntPnt>> found(static_cast<size_t>(chunks));
    std::exception_ptr failure;
    std::mutex failureLock;
#pragma omp parallel for schedule(dynamic) num_threads(team)
    for (long c = 0; c < chunks; ++c) {
        try {
            std::vector<IntPnt>& mine = found[static_cast<size_t>(c)];
            auto push = [&mine](const IntPnt& r) { mine.push_back(r); };
            const long end = total * (c + 1) / chunks;
            for (long k = total * c / chunks; k < end; ++k) emit(k, push);
        } catch (...) {
            std::lock_guard<std::mutex> hold(failureLock);
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
    for (const auto& run : found)
        for (const IntPnt& r : run) out->Add(r);
}

// Box tree over the edges of a polyline: every node holds a run of consecutive
// edges and their united box. Query visits the edges whose box meets a box in
// ascending edge order, so it makes the same choices in the same order as a
// plain walk over all edges with the same box test.
class EdgeIndex {
public:
    // v: the polyline's n vertices (edge k runs from v[k-1] to v[k]).
    EdgeIndex(const double (*v)[2], int n)
        : m_v(v)
    {
        if (n >= 2) {
            m_nodes.reserve(static_cast<size_t>(2 * ((n - 1) / kLeafEdges + 1)));
            Build(1, n - 1);
        }
    }

    // visit(k) for every edge k whose box meets box within tol, k ascending.
    template <class Visit>
    void Query(const BOX2<double>& box, double tol, Visit visit) const
    {
        if (m_nodes.empty()) return;
        int stack[kMaxDepth];
        int top = 0;
        stack[top++] = 0;
        while (top > 0) {
            const Node& node = m_nodes[static_cast<size_t>(stack[--top])];
            if (!BOX2D_IsInt(node.box, box, tol)) continue;
            if (node.left < 0) {
                for (int k = node.lo; k <= node.hi; ++k) {
                    BOX2<double> e;
                    e.Init(m_v[k - 1], m_v[k]);
                    if (BOX2D_IsInt(e, box, tol)) visit(k);
                }
                continue;
            }
            stack[top++] = node.right;  // the left run is visited first
            stack[top++] = node.left;
        }
    }

private:
    static constexpr int kLeafEdges = 8;
    static constexpr int kMaxDepth = 64;

    struct Node {
        BOX2<double> box;
        int lo, hi;         // edges lo..hi, 1-based
        int left, right;    // children, -1 for a leaf
    };

    int Build(int lo, int hi)
    {
        const int id = static_cast<int>(m_nodes.size());
        m_nodes.push_back(Node{BOX2<double>(), lo, hi, -1, -1});
        if (hi - lo + 1 <= kLeafEdges) {
            BOX2<double> b;
            b.Init(m_v[lo - 1], m_v[lo]);
            for (int k = lo + 1; k <= hi; ++k) b.Extend(m_v[k]);
            m_nodes[static_cast<size_t>(id)].box = b;
            return id;
        }
        const int mid = lo + (hi - lo) / 2;
        const int l = Build(lo, mid);
        const int r = Build(mid + 1, hi);
        Node& node = m_nodes[static_cast<size_t>(id)];
        node.left = l;
        node.right = r;
        node.box = m_nodes[static_cast<size_t>(l)].box;
        BOX2D_Union(node.box, m_nodes[static_cast<size_t>(r)].box);
        return id;
    }

    const double (*m_v)[2];
    std::vector<Node> m_nodes;
};

}  // namespace QVN_GeCC_Inter::ccdetail
