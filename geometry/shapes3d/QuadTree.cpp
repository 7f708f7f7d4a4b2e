#include "geometry/shapes3d/QuadTree.h"

#include "geometry/shapes3d/GeMesh.h"
#include "platform/core/DC.h"

#include <algorithm>

namespace {

// Quadrant i of a box about its centre (closed ranges): 0 and 1 above cy, 2 and 3
// below; 1 and 3 right of cx.
BOX2<short int> Quadrant(const BOX2<short int>& b, const short int* c, int i)
{
    BOX2<short int> q;
    q.xmin = (i & 1) ? c[0] : b.xmin;
    q.xmax = (i & 1) ? b.xmax : c[0];
    q.ymin = (i < 2) ? c[1] : b.ymin;
    q.ymax = (i < 2) ? b.ymax : c[1];
    return q;
}

bool Inside(const BOX2<short int>& inner, const BOX2<short int>& outer)
{
    return inner.xmin >= outer.xmin && inner.xmax <= outer.xmax && inner.ymin >= outer.ymin &&
           inner.ymax <= outer.ymax;
}

}  // namespace

QuadTreeNode::QuadTreeNode(CQuadTree* tree, const BOX2<short int>& b) : box(b), m_tree(tree)
{
    center[0] = static_cast<short int>((int(b.xmin) + int(b.xmax)) / 2);
    center[1] = static_cast<short int>((int(b.ymin) + int(b.ymax)) / 2);
}

void QuadTreeNode::Split(int level)
{
    if (m_tree->realMaxDepth < level) m_tree->realMaxDepth = level;
    const std::vector<BOX2<short int>>& boxes = m_tree->mesh->faceboxes;
    BOX2<short int> quads[4];
    for (int i = 0; i < 4; ++i) {
        quads[i] = Quadrant(box, center, i);
        children[std::size_t(i)] = std::make_unique<QuadTreeNode>(m_tree, quads[i]);
        children[std::size_t(i)]->facets.reserve(facets.size() / 4);
    }
    for (unsigned f : facets) {
        const BOX2<short int>& fb = boxes[f];
        bool first = true;
        for (int i = 0; i < 4; ++i) {
            if (!quads[i].IsIntersect(fb)) continue;
            children[std::size_t(i)]->facets.push_back(f);
            // A box wholly inside the first quadrant it meets goes nowhere else; one
            // that meets an earlier quadrant goes to every quadrant it touches, also
            // when it lies inside a later one.
            if (first && Inside(fb, quads[i])) break;
            first = false;
        }
    }
    std::vector<unsigned>().swap(facets);
    for (auto& child : children)
        if (child->facets.size() > m_tree->sizeBound && level < m_tree->maxDepth) child->Split(level + 1);
}

void QuadTreeNode::FindPoint(short int x, short int y, CResultData& result) const
{
    const QuadTreeNode* node = this;
    while (!node->IsLeaf()) {
        const int i = (y > node->center[1] ? 0 : 2) + (x > node->center[0] ? 1 : 0);
        ++result.nodeCount;
        node = node->children[std::size_t(i)].get();
    }
    result.facets.insert(result.facets.end(), node->facets.begin(), node->facets.end());
}

void QuadTreeNode::FindInBox(const BOX2<short int>& query, CResultData& result) const
{
    if (IsLeaf()) {
        const std::vector<BOX2<short int>>& boxes = m_tree->mesh->faceboxes;
        for (unsigned f : facets) {
            ++result.testCount;
            if (boxes[f].IsIntersect(query)) result.facets.push_back(f);
        }
        return;
    }
    for (const auto& child : children) {
        if (!child->IntersectsBox(query)) continue;
        ++result.nodeCount;
        child->FindInBox(query, result);
    }
}

void QuadTreeNode::Draw(CDC* dc) const
{
    dc->Rectangle(box.xmin, box.ymin, box.xmax, box.ymax);
    if (!IsLeaf())
        for (const auto& child : children) child->Draw(dc);
}

CQuadTree::~CQuadTree() { cleanup(); }

void CQuadTree::cleanup() { root.reset(); }

void CQuadTree::create(CGeMesh* m, BOX2<short int> box)
{
    if (m == nullptr) return;
    // A tree already built is replaced, not leaked.
    cleanup();
    mesh = m;
    realMaxDepth = 0;
    root = std::make_unique<QuadTreeNode>(this, box);
    const unsigned n = m->numFace();
    // Boxes of faces the mesh has not projected yet would be read out of range.
    if (m->faceboxes.size() < n) m->faceboxes.resize(n);
    root->facets.resize(n);
    for (unsigned f = 0; f < n; ++f) root->facets[f] = f;
    if (sizeBound == 0) {
        sizeBound = static_cast<unsigned>(static_cast<float>(n) * sizePercent / 100.0f);
        if (sizeBound == 0) sizeBound = 1;
    }
    if (root->facets.size() > sizeBound && maxDepth > 0) root->Split(1);
}

void CQuadTree::findTries(CPoint point, CResultData& result) const
{
    if (!root) return;
    const short int x = static_cast<short int>(point.x), y = static_cast<short int>(point.y);
    if (root->ContainsPoint(x, y)) root->FindPoint(x, y, result);
}

void CQuadTree::findInBox(BOX2<short int>& box, CResultData& result) const
{
    if (mesh == nullptr || !root) return;
    if (root->IntersectsBox(box)) root->FindInBox(box, result);
    if (!result.facets.empty()) {
        std::sort(result.facets.begin(), result.facets.end());
        result.facets.erase(std::unique(result.facets.begin(), result.facets.end()), result.facets.end());
    }
}

void CQuadTree::Draw(CDC* dc) const
{
    if (dc != nullptr && root) root->Draw(dc);
}
