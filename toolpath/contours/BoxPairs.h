// Pairs of boxes that overlap within a tolerance, found through a grid of cells instead
// of a test of every pair. The result is exactly the set of pairs that BoxesOverlap
// admits, sorted by (first, second), so callers visit them in plain-scan order.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace smart {

// Pairs i < j of boxes (4 doubles each) with BoxesOverlap(tol, boxes[i], boxes[j]).
std::vector<std::pair<int, int>> SelfBoxPairs(const std::vector<const double*>& boxes, double tol);
// The same pairs less those within one group (group[i] == group[j]): pairs that the
// caller would drop are never collected nor sorted.
std::vector<std::pair<int, int>> SelfBoxPairs(const std::vector<const double*>& boxes, double tol,
                                              const std::vector<int>& group);
// The pairs of SelfBoxPairs(boxes, tol, group) (group may be empty) in no particular
// order, for searches that need only some pair: true as soon as visit(i, j) returns true.
bool ForSelfBoxPairs(const std::vector<const double*>& boxes, double tol, const std::vector<int>& group,
                     const std::function<bool(int, int)>& visit);
// Pairs (i, j) with BoxesOverlap(tol, a[i], b[j]).
std::vector<std::pair<int, int>> CrossBoxPairs(const std::vector<const double*>& a, const std::vector<const double*>& b,
                                               double tol);

}  // namespace smart
