// Bezier spline: nodes, construction, node editing, copy, transforms, archive
// and node drawing. Discretisation and evaluation live in GeBezierEval.cpp.
#include "geometry/shapes2d/GeBezier.h"
#include "geometry/shapes2d/GeometryChange.h"

#include "framework/looker/Looker.h"
#include "framework/looker/QVGlobal.h"
#include "framework/numerak/Bcrv.h"
#include "framework/numerak/Bezier2D.h"
#include "framework/numerak/Line2D.h"
#include "framework/numerak/Matrix33.h"
#include "framework/numerak/NurbsFit.h"
#include "framework/numerak/Point2D.h"
#include "framework/numerak/Vector2D.h"
#include "geometry/shapes2d/GeometryConst.h"
#include "platform/core/Archive.h"
#include "platform/core/DC.h"
#include "platform/core/Exception.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

IMPLEMENT_SERIAL(CGeBezier, CObject, 2 | VERSIONABLE_SCHEMA)

namespace {

constexpr int kCorner = 0;
constexpr int kSmooth = 1;
constexpr int kSymmetric = 2;
// Handle lengths closer than this count as equal (symmetric joint).
constexpr double kEqualHandleTol = 0.001;
// End points moved by less than this are left where they are.
constexpr double kEndMoveTol = 0.001;
// Handles this close to opposite need no new tangent.
constexpr double kOppositeTol = 0.0001;
constexpr double kHalfPi = 1.5707963267948966;
// Bytes of one node in the archive: x, y (double) and kind (int32).
constexpr ULONGLONG kNodeRecordBytes = 20;

const double* P(const CBezierNode& n) { return &n.x; }

double Dist(const CBezierNode& a, const CBezierNode& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Joint kind of main node m between handles a and b: symmetric when the three
// are collinear with equal handle lengths, smooth when only collinear.
int JointKind(const CBezierNode& a, const CBezierNode& m, const CBezierNode& b, double lenA, double lenB)
{
    if (!P2D_IsCollinear(P(a), P(m), P(b))) return kCorner;
    return std::fabs(lenA - lenB) < kEqualHandleTol ? kSymmetric : kSmooth;
}

// The opposite-handle rule: o is re-placed at base + unit(m - h)·length, the
// length being |m h| for a symmetric joint and o's own distance from base for
// a smooth one. Corners and degenerate handles leave o alone.
void PlaceOpposite(const CBezierNode& h, const CBezierNode& m, const CBezierNode& base, CBezierNode& o, int kind)
{
    if (kind != kSmooth && kind != kSymmetric) return;
    double dir[2];
    if (!V2D_GenUnit(P(h), P(m), gecon::kDegenerateTol, dir)) return;
    const double len = kind == kSymmetric ? Dist(m, h) : Dist(base, o);
    o.x = base.x + dir[0] * len;
    o.y = base.y + dir[1] * len;
}

// Places handle h at m + len·unit(foot - m), foot being h's projection on the
// line through m along dir; a handle whose foot is m itself stays.
void PlaceOnTangent(const CBezierNode& m, const double* dir, double len, CBezierNode& h)
{
    double foot[2], u[2];
    if (!L2D_PrjPnt(P(h), P(m), dir, foot)) return;
    if (!V2D_GenUnit(P(m), foot, gecon::kDegenerateTol, u)) return;
    h.x = m.x + u[0] * len;
    h.y = m.y + u[1] * len;
}

std::vector<CBezierNode> NodesFromPoints(unsigned int n, const double (*pts)[2])
{
    std::vector<CBezierNode> nodes(n);
    for (unsigned int i = 0; i < n; ++i) {
        nodes[i].x = pts[i][0];
        nodes[i].y = pts[i][1];
    }
    return nodes;
}

}  // namespace

CGeBezier::CGeBezier() = default;

CGeBezier::~CGeBezier() = default;

int CGeBezier::GetType() const { return 0x20; }

int CGeBezier::GetSegmentCount() { return m_nNodes > 0 ? static_cast<int>((m_nNodes - 1) / 3) : 0; }

void CGeBezier::SetNodes(unsigned int K, const CBezierNode* nodes)
{
    geNoteGeometryChange();
    m_pNodes.reset();
    m_nNodes = 0;
    if (K == 0 || !nodes) return;
    m_pNodes.reset(new CBezierNode[K]);
    std::copy(nodes, nodes + K, m_pNodes.get());
    m_nNodes = K;
}

void CGeBezier::LoadCtrl(unsigned int k, double* ctrl) const
{
    const CBezierNode* n = &m_pNodes[3 * (k - 1)];
    for (int j = 0; j < 4; ++j) {
        ctrl[2 * j] = n[j].x;
        ctrl[2 * j + 1] = n[j].y;
    }
}

void CGeBezier::ApplyClosingRule()
{
    if (m_nNodes < 2) {
        m_bClosed = 0;
        return;
    }
    const unsigned int K = m_nNodes;
    CBezierNode* n = m_pNodes.get();
    int kind = kCorner;
    if (IsClosed(gecon::kClosedTol)) {
        m_bClosed = 1;
        if (K >= 3) kind = JointKind(n[1], n[0], n[K - 2], Dist(n[0], n[1]), Dist(n[K - 1], n[K - 2]));
    } else {
        m_bClosed = 0;
    }
    n[0].kind = kind;
    n[K - 1].kind = kind;
}

void CGeBezier::DeriveKinds()
{
    CBezierNode* n = m_pNodes.get();
    for (unsigned int i = 0; i < m_nNodes; ++i) {
        n[i].kind = kCorner;
        if (i == 0 || i + 1 >= m_nNodes || i % 3 != 0) continue;
        n[i].kind = JointKind(n[i - 1], n[i], n[i + 1], Dist(n[i - 1], n[i]), Dist(n[i], n[i + 1]));
    }
    ApplyClosingRule();
}

// ---------------------------------------------------------------------------
// Construction

int CGeBezier::CreateEx(unsigned int K, double (*pts)[2])
{
    geNoteGeometryChange();
    if (K < 3 || !pts) return 0;
    // The nodes are written in place: the points cannot lie inside them.
    auto nodes = std::make_unique<CBezierNode[]>(K);
    for (unsigned int i = 0; i < K; ++i) {
        nodes[i].x = pts[i][0];
        nodes[i].y = pts[i][1];
    }
    m_pNodes = std::move(nodes);
    m_nNodes = K;
    DeriveKinds();
    Discrete(gGetCrvShowDiscTol());
    return 1;
}

int CGeBezier::CreateEx(unsigned int K, CBezierNode* nodes)
{
    geNoteGeometryChange();
    if (K < 3 || !nodes) return 0;
    if (nodes != m_pNodes.get())
        SetNodes(K, nodes);
    else
        m_nNodes = std::min(K, m_nNodes);
    m_bClosed = IsClosed(gecon::kClosedTol);
    Discrete(gGetCrvShowDiscTol());
    return 1;
}

CGeBezier* CGeBezier::CreateFrmLine(double* p1, double* p2)
{
    geNoteGeometryChange();
    double pts[4][2];
    for (int j = 0; j < 4; ++j) {
        pts[j][0] = p1[0] + (p2[0] - p1[0]) * j / 3.0;
        pts[j][1] = p1[1] + (p2[1] - p1[1]) * j / 3.0;
    }
    // The end points exactly as given, free of rounding.
    pts[3][0] = p2[0];
    pts[3][1] = p2[1];
    auto* bez = new CGeBezier;
    bez->CreateEx(4, pts);
    return bez;
}

int CGeBezier::CreateLine(unsigned int n, double (*pts)[2])
{
    geNoteGeometryChange();
    if (n < 2 || !pts) return 0;
    const unsigned int K = 3 * n - 2;
    std::vector<CBezierNode> nodes(K);
    nodes[0].x = pts[0][0];
    nodes[0].y = pts[0][1];
    for (unsigned int j = 1; j < n; ++j) {
        const double* a = pts[j - 1];
        const double* b = pts[j];
        CBezierNode* out = &nodes[3 * j - 2];
        for (int s = 1; s <= 3; ++s) {
            out[s - 1].x = a[0] + (b[0] - a[0]) * s / 3.0;
            out[s - 1].y = a[1] + (b[1] - a[1]) * s / 3.0;
        }
        out[2].x = b[0];
        out[2].y = b[1];
    }
    // Inner joints: handles turned onto the line perpendicular to the bisector,
    // both at the shorter handle length.
    for (unsigned int i = 3; i + 2 < K; i += 3) {
        CBezierNode& m = nodes[i];
        double u[2], w[2];
        if (!V2D_GenUnit(P(m), P(nodes[i - 1]), gecon::kDegenerateTol, u) ||
            !V2D_GenUnit(P(m), P(nodes[i + 1]), gecon::kDegenerateTol, w))
            continue;
        const double len = std::min(Dist(m, nodes[i - 1]), Dist(m, nodes[i + 1]));
        const double sum[2] = {u[0] + w[0], u[1] + w[1]};
        double tan[2];
        V2D_Rot(kHalfPi, sum, tan);
        if (V2D_Unit(tan, gecon::kDegenerateTol)) {
            PlaceOnTangent(m, tan, len, nodes[i - 1]);
            PlaceOnTangent(m, tan, len, nodes[i + 1]);
        }
        m.kind = kSymmetric;
    }
    SetNodes(K, nodes.data());
    ApplyClosingRule();
    Discrete(gGetCrvDiscTol());
    return 1;
}

int CGeBezier::Create(unsigned int n, double (*pts)[2])
{
    geNoteGeometryChange();
    if (n < 2 || !pts) return 0;
    if (n == 2) return CreateLine(n, pts);
    SetNodes(0, nullptr);
    m_aSegEnds.RemoveAll();
    std::vector<double> pts3(3 * static_cast<size_t>(n));
    for (unsigned int i = 0; i < n; ++i) {
        pts3[3 * i] = pts[i][0];
        pts3[3 * i + 1] = pts[i][1];
        pts3[3 * i + 2] = 0.0;
    }
    BCRV* curve = BCRV_Interpolate(reinterpret_cast<const double(*)[3]>(pts3.data()), static_cast<int>(n));
    if (!curve) return 0;
    double(*bez)[2] = nullptr;
    const int count = curve->ConvertToBezier(bez);
    BCRV_Free(curve);
    if (count <= 0 || !bez) return 0;
    // Nodes and kinds from the points (CreateEx's rules), one display at the end.
    const std::vector<CBezierNode> nodes = NodesFromPoints(static_cast<unsigned int>(count), bez);
    BCRV::FreePtList(bez);
    if (count < 3) return 0;
    SetNodes(static_cast<unsigned int>(count), nodes.data());
    DeriveKinds();
    Discrete(gGetCrvDiscTol());
    return 1;
}

// ---------------------------------------------------------------------------
// Node access

void CGeBezier::GetCtrlPoint(unsigned int k, double (*out)[2])
{
    if (!out || !IsValidSeg(k)) return;
    LoadCtrl(k, &out[0][0]);
}

void CGeBezier::GetStartPoint(double* p)
{
    if (m_nNodes == 0) return;
    p[0] = m_pNodes[0].x;
    p[1] = m_pNodes[0].y;
}

void CGeBezier::GetEndPoint(double* p)
{
    if (m_nNodes == 0) return;
    p[0] = m_pNodes[m_nNodes - 1].x;
    p[1] = m_pNodes[m_nNodes - 1].y;
}

void CGeBezier::GetNodeBox(BOX2<double>* out)
{
    if (!out) return;
    out->InitEmpty();
    for (unsigned int i = 0; i < m_nNodes; ++i) out->Extend(P(m_pNodes[i]));
}

int CGeBezier::IsClosed(double tol)
{
    if (m_nNodes == 0) return 0;
    return Dist(m_pNodes[0], m_pNodes[m_nNodes - 1]) < tol ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Editing

int CGeBezier::MoveNode(double dx, double dy, int i)
{
    const int K = static_cast<int>(m_nNodes);
    if (i < 0 || i >= K) return 0;
    CBezierNode* n = m_pNodes.get();
    auto move = [&](int j) {
        n[j].x += dx;
        n[j].y += dy;
    };
    if (i == 0) {
        move(0);
        if (K > 1) move(1);
    } else if (i == 1) {
        move(1);
        if (m_bClosed && K >= 4) PlaceOpposite(n[1], n[0], n[0], n[K - 2], n[0].kind);
    } else if (i == K - 1) {
        move(K - 1);
        move(K - 2);
    } else if (i == K - 2) {
        move(K - 2);
        // Across the closing joint: direction from node K-2 towards node K-1, placed from node 0.
        if (m_bClosed && K >= 4) PlaceOpposite(n[K - 2], n[K - 1], n[0], n[1], n[K - 1].kind);
    } else if (i % 3 == 0) {
        move(i - 1);
        move(i);
        move(i + 1);
    } else if (i % 3 == 1) {
        move(i);
        const int m = i - 1;
        PlaceOpposite(n[i], n[m], n[m], n[m - 1], n[m].kind);
    } else {
        move(i);
        const int m = i + 1;
        PlaceOpposite(n[i], n[m], n[m], n[m + 1], n[m].kind);
    }
    return 1;
}

int CGeBezier::MoveBezSeg(double dx, double dy, int k)
{
    if (k < 1 || !IsValidSeg(static_cast<unsigned int>(k))) return 0;
    CBezierNode* n = &m_pNodes[3 * (k - 1)];
    for (int j = 1; j <= 2; ++j) {
        n[j].x += dx;
        n[j].y += dy;
    }
    n[0].kind = kCorner;
    n[3].kind = kCorner;
    return 1;
}

int CGeBezier::ModifyCtrlPoint(unsigned int i, double* p)
{
    if (i >= m_nNodes || !p) return 0;
    m_pNodes[i].x = p[0];
    m_pNodes[i].y = p[1];
    Discrete(gGetCrvDiscTol());
    return 1;
}

int CGeBezier::ModifyCtrlPoint(unsigned int i)
{
    if (i < 2 || i + 1 >= m_nNodes || i % 3 != 0) return 0;
    CBezierNode* n = m_pNodes.get();
    const CBezierNode& m = n[i];
    if (m.kind != kSmooth && m.kind != kSymmetric) return 1;
    double u[2], w[2];
    if (!V2D_GenUnit(P(m), P(n[i - 1]), gecon::kDegenerateTol, u) ||
        !V2D_GenUnit(P(m), P(n[i + 1]), gecon::kDegenerateTol, w))
        return 1;
    double tan[2] = {u[0] + w[0], u[1] + w[1]};
    if (std::hypot(tan[0], tan[1]) < kOppositeTol) {
        tan[0] = u[0];
        tan[1] = u[1];
    } else {
        const double h[2] = {tan[0], tan[1]};
        V2D_Perp(h, tan);
    }
    V2D_Unit(tan, gecon::kDegenerateTol);
    double d1 = Dist(m, n[i - 1]), d2 = Dist(m, n[i + 1]);
    if (m.kind == kSymmetric) d1 = d2 = (d1 + d2) / 2.0;
    PlaceOnTangent(m, tan, d1, n[i - 1]);
    PlaceOnTangent(m, tan, d2, n[i + 1]);
    return 1;
}

void CGeBezier::ModifyStartPoint(double* p)
{
    geNoteGeometryChange();
    if (m_nNodes == 0 || !p) return;
    if (std::hypot(p[0] - m_pNodes[0].x, p[1] - m_pNodes[0].y) > kEndMoveTol) ModifyCtrlPoint(0u, p);
}

void CGeBezier::ModifyEndPoint(double* p)
{
    geNoteGeometryChange();
    if (m_nNodes == 0 || !p) return;
    const CBezierNode& e = m_pNodes[m_nNodes - 1];
    if (std::hypot(p[0] - e.x, p[1] - e.y) > kEndMoveTol) ModifyCtrlPoint(m_nNodes - 1, p);
}

int CGeBezier::AddMainNode(unsigned int k, double t)
{
    geNoteGeometryChange();
    if (!IsValidSeg(k) || !(t >= 0.0 && t <= 1.0)) return 0;
    double ctrl[8], L[8], R[8];
    LoadCtrl(k, ctrl);
    BEZ_Split(ctrl, t, L, R);
    const unsigned int K = m_nNodes;
    const unsigned int first = 3 * k - 3;  // the segment's first main node
    std::vector<CBezierNode> nodes;
    nodes.reserve(K + 3);
    nodes.insert(nodes.end(), m_pNodes.get(), m_pNodes.get() + first + 1);
    auto node = [](const double* p, int kind) {
        CBezierNode n;
        n.x = p[0];
        n.y = p[1];
        n.kind = kind;
        return n;
    };
    nodes.push_back(node(L + 2, m_pNodes[first + 1].kind));
    nodes.push_back(node(L + 4, kCorner));
    nodes.push_back(node(L + 6, kSmooth));  // the new main node
    nodes.push_back(node(R + 2, kCorner));
    nodes.push_back(node(R + 4, m_pNodes[first + 2].kind));
    nodes.insert(nodes.end(), m_pNodes.get() + first + 3, m_pNodes.get() + K);
    return CreateEx(static_cast<unsigned int>(nodes.size()), nodes.data());
}

int CGeBezier::DelMainNode(unsigned int i)
{
    const unsigned int K = m_nNodes;
    if (i % 3 != 0 || K <= 4 || i >= K) return 0;
    std::vector<CBezierNode> nodes(m_pNodes.get(), m_pNodes.get() + K);
    const unsigned int from = i == 0 ? 0 : (i == K - 1 ? K - 3 : i - 1);
    nodes.erase(nodes.begin() + from, nodes.begin() + from + 3);
    return CreateEx(static_cast<unsigned int>(nodes.size()), nodes.data());
}

int CGeBezier::DelMainNode(unsigned int* list, int n)
{
    const unsigned int K = m_nNodes;
    if (!list || n <= 0 || K <= 4) return 0;
    const bool closed = IsClosed(gecon::kClosedTol) != 0;
    const std::vector<unsigned int> gone(list, list + n);
    const int ends = static_cast<int>(std::count_if(gone.begin(), gone.end(), [K](unsigned int v) { return v == 0 || v == K - 1; }));
    const CBezierNode* old = m_pNodes.get();
    std::vector<CBezierNode> nodes;
    nodes.reserve(K + 3);
    int d = -1, e = -1;
    for (unsigned int m = 0; m < K; m += 3) {
        if (std::find(gone.begin(), gone.end(), m) != gone.end()) continue;
        if (d >= 0) nodes.push_back(old[m - 1]);
        nodes.push_back(old[m]);
        if (m + 1 < K) nodes.push_back(old[m + 1]);
        if (d < 0) d = static_cast<int>(m);
        e = static_cast<int>(m);
    }
    if (d < 0) return 0;
    if (static_cast<unsigned int>(e) + 1 < K) nodes.pop_back();  // the trailing handle
    if (closed && ends == 2 && d > 0) {
        nodes.push_back(old[e + 1]);
        nodes.push_back(old[d - 1]);
        nodes.push_back(old[d]);
    }
    if (nodes.size() < 3) return 0;
    return CreateEx(static_cast<unsigned int>(nodes.size()), nodes.data());
}

void CGeBezier::Reverse()
{
    geNoteGeometryChange();
    if (m_nNodes == 0) return;
    std::reverse(m_pNodes.get(), m_pNodes.get() + m_nNodes);
    Discrete(gGetCrvDiscTol());
}

// ---------------------------------------------------------------------------
// Copy and transforms

CGeCurve* CGeBezier::Copy()
{
    if (m_nNodes == 0) return nullptr;
    auto* copy = new CGeBezier;
    copy->PastetHandle(this);
    copy->SetNodes(m_nNodes, m_pNodes.get());
    copy->m_bClosed = m_bClosed;
    copy->m_box = m_box;
    copy->m_dLastTol = m_dLastTol;
    if (HasDisplay()) copy->CopySWPoint(m_pSWPoint.get(), m_nSWPoint);
    copy->m_aSegEnds.Copy(m_aSegEnds);
    return copy;
}

void CGeBezier::Translate(double* offset)
{
    geNoteGeometryChange();
    for (unsigned int i = 0; i < m_nNodes; ++i) {
        m_pNodes[i].x += offset[0];
        m_pNodes[i].y += offset[1];
    }
    CGeCurve::Translate(offset);
}

void CGeBezier::Rotate(double* centre, double angle)
{
    geNoteGeometryChange();
    const double c = std::cos(angle), s = std::sin(angle);
    for (unsigned int i = 0; i < m_nNodes; ++i) P2D_Rot(centre, c, s, &m_pNodes[i].x, &m_pNodes[i].x);
    CGeCurve::Rotate(centre, angle);
}

void CGeBezier::Mirror(double* p, double* q)
{
    geNoteGeometryChange();
    for (unsigned int i = 0; i < m_nNodes; ++i) P2D_Mirr(p, q, &m_pNodes[i].x, &m_pNodes[i].x);
    CGeCurve::Mirror(p, q);
}

CGeCurve* CGeBezier::Scale(double* centre, double* factors)
{
    geNoteGeometryChange();
    for (unsigned int i = 0; i < m_nNodes; ++i) {
        m_pNodes[i].x = centre[0] + (m_pNodes[i].x - centre[0]) * factors[0];
        m_pNodes[i].y = centre[1] + (m_pNodes[i].y - centre[1]) * factors[1];
    }
    return CGeCurve::Scale(centre, factors);
}

CGeCurve* CGeBezier::Shear(double* base, double* factors)
{
    geNoteGeometryChange();
    for (unsigned int i = 0; i < m_nNodes; ++i) P2D_Shear(base, &m_pNodes[i].x, factors);
    return CGeCurve::Shear(base, factors);
}

CGeCurve* CGeBezier::Transform(double m[3][3], unsigned)
{
    geNoteGeometryChange();
    for (unsigned int i = 0; i < m_nNodes; ++i) MAT33_MultPt(&m_pNodes[i].x, &m_pNodes[i].x, m);
    Discrete(gGetCrvShowDiscTol());
    return this;
}

// ---------------------------------------------------------------------------
// Archive

void CGeBezier::Serialize(CArchive& ar)
{
    geNoteGeometryChange();
    CGeCurve::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<int>(m_nNodes);
        for (unsigned int i = 0; i < m_nNodes; ++i) ar << m_pNodes[i].x << m_pNodes[i].y << m_pNodes[i].kind;
        return;
    }
    int n = 0;
    ar >> n;
    if (n < 0) AfxThrowArchiveException(CArchiveException::endOfFile);
    // A corrupt count fails here rather than allocating for nodes that are not there.
    ar.RequireBytes(kNodeRecordBytes * static_cast<ULONGLONG>(n));
    std::unique_ptr<CBezierNode[]> nodes(n > 0 ? new CBezierNode[static_cast<size_t>(n)] : nullptr);
    for (int i = 0; i < n; ++i) {
        ar >> nodes[i].x >> nodes[i].y >> nodes[i].kind;
        // A node no drawing can hold is damage, not geometry.
        if (!gecon::IsCoordinateInRange(nodes[i].x) || !gecon::IsCoordinateInRange(nodes[i].y))
            AfxThrowArchiveException(CArchiveException::genericException);
    }
    m_pNodes = std::move(nodes);
    m_nNodes = static_cast<unsigned int>(n);
    m_aSegEnds.RemoveAll();
    Discrete(gGetCrvShowDiscTol());
}

// ---------------------------------------------------------------------------
// Node drawing

void CGeBezier::DrawNode(CDC* dc, int bStart, int bEnd)
{
    CLooker* looker = gGetLooker();
    if (!dc || !looker) return;
    const bool closed = IsClosed(gecon::kClosedTol) != 0;
    for (unsigned int i = 0; i < m_nNodes; i += 3) {
        CPoint pt;
        looker->WorldtoScreen(P(m_pNodes[i]), pt, 2);
        CRect square(pt.x - 3, pt.y - 3, pt.x + 3, pt.y + 3);
        if (i == 0) {
            if (!bStart) continue;
            const bool view2D = CLooker::IsView2D() != 0;
            CPen pen(PS_SOLID, view2D ? 1 : 2, view2D ? RGB(0, 125, 0) : RGB(195, 0, 170));
            CPen* oldPen = dc->SelectObject(&pen);
            square.InflateRect(1, 1);
            dc->Ellipse(&square);
            dc->SelectObject(oldPen);
            continue;
        }
        if (i == m_nNodes - 1 && (closed || !bEnd)) break;
        dc->Rectangle(&square);
    }
}
