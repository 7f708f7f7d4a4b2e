#include "platform/ui/SplitterWnd.h"

#include "platform/ui/CreateContext.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)

BEGIN_MESSAGE_MAP(CSplitterWnd, CWnd)
  ON_WM_SIZE()
END_MESSAGE_MAP()

namespace {
// Sizes along one axis: ideal sizes in order, the last pane takes what is left.
std::vector<int> Distribute(std::vector<int> ideal, int total, int gap) {
  int pos = 0;
  for (size_t i = 0; i < ideal.size(); ++i) {
    const int left = std::max(total - pos, 0);
    ideal[i] = i + 1 == ideal.size() ? left : std::clamp(ideal[i], 0, left);
    pos += ideal[i] + gap;
  }
  return ideal;
}
}  // namespace

CSplitterWnd::CSplitterWnd() = default;

BOOL CSplitterWnd::CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle, UINT nID) {
  if (pParentWnd == nullptr || nRows < 1 || nCols < 1 || nRows > 16 || nCols > 16) return FALSE;
  m_nRows = nRows;
  m_nCols = nCols;
  m_rowInfo.assign(static_cast<size_t>(nRows), CRowColInfo{});
  m_colInfo.assign(static_cast<size_t>(nCols), CRowColInfo{});
  RECT rect{0, 0, 0, 0};
  pParentWnd->GetClientRect(&rect);
  return Create(nullptr, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

BOOL CSplitterWnd::CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit, CCreateContext* pContext) {
  if (row < 0 || row >= m_nRows || col < 0 || col >= m_nCols || pViewClass == nullptr) return FALSE;
  if (GetPane(row, col) != nullptr) return FALSE;
  m_rowInfo[static_cast<size_t>(row)].nIdealSize = sizeInit.cy;
  m_colInfo[static_cast<size_t>(col)].nIdealSize = sizeInit.cx;
  CObject* pObject = pViewClass->CreateObject();
  if (pObject == nullptr) return FALSE;
  if (!pObject->IsKindOf(RUNTIME_CLASS(CWnd))) {
    delete pObject;
    return FALSE;
  }
  CCreateContext context;
  if (pContext != nullptr) context = *pContext;
  context.m_pNewViewClass = pViewClass;
  auto* pWnd = static_cast<CWnd*>(pObject);
  const RECT rect{0, 0, std::max<LONG>(sizeInit.cx, 0), std::max<LONG>(sizeInit.cy, 0)};
  // A pane that fails to create has deleted itself (views do) on its way down.
  return pWnd->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rect, this,
                      static_cast<UINT>(IdFromRowCol(row, col)), &context);
}

CWnd* CSplitterWnd::GetPane(int row, int col) const {
  if (row < 0 || row >= m_nRows || col < 0 || col >= m_nCols) return nullptr;
  return GetDlgItem(IdFromRowCol(row, col));
}

void CSplitterWnd::SetRowInfo(int row, int cyIdeal, int cyMin) {
  if (row < 0 || row >= m_nRows) return;
  m_rowInfo[static_cast<size_t>(row)].nIdealSize = cyIdeal;
  m_rowInfo[static_cast<size_t>(row)].nMinSize = cyMin;
}

void CSplitterWnd::GetRowInfo(int row, int& cyCur, int& cyMin) const {
  cyCur = cyMin = 0;
  if (row < 0 || row >= m_nRows) return;
  cyCur = m_rowInfo[static_cast<size_t>(row)].nCurSize;
  cyMin = m_rowInfo[static_cast<size_t>(row)].nMinSize;
}

void CSplitterWnd::SetColumnInfo(int col, int cxIdeal, int cxMin) {
  if (col < 0 || col >= m_nCols) return;
  m_colInfo[static_cast<size_t>(col)].nIdealSize = cxIdeal;
  m_colInfo[static_cast<size_t>(col)].nMinSize = cxMin;
}

void CSplitterWnd::GetColumnInfo(int col, int& cxCur, int& cxMin) const {
  cxCur = cxMin = 0;
  if (col < 0 || col >= m_nCols) return;
  cxCur = m_colInfo[static_cast<size_t>(col)].nCurSize;
  cxMin = m_colInfo[static_cast<size_t>(col)].nMinSize;
}

void CSplitterWnd::RecalcLayout() {
  if (m_nRows == 0 || m_nCols == 0) return;
  RECT client{0, 0, 0, 0};
  GetClientRect(&client);
  std::vector<int> heights;
  std::vector<int> widths;
  for (const CRowColInfo& info : m_rowInfo) heights.push_back(info.nIdealSize);
  for (const CRowColInfo& info : m_colInfo) widths.push_back(info.nIdealSize);
  heights = Distribute(heights, client.bottom - client.top, m_cySplitter);
  widths = Distribute(widths, client.right - client.left, m_cxSplitter);
  int y = client.top;
  for (int row = 0; row < m_nRows; ++row) {
    m_rowInfo[static_cast<size_t>(row)].nCurSize = heights[static_cast<size_t>(row)];
    int x = client.left;
    for (int col = 0; col < m_nCols; ++col) {
      m_colInfo[static_cast<size_t>(col)].nCurSize = widths[static_cast<size_t>(col)];
      if (CWnd* pPane = GetPane(row, col))
        pPane->MoveWindow(x, y, widths[static_cast<size_t>(col)], heights[static_cast<size_t>(row)]);
      x += widths[static_cast<size_t>(col)] + m_cxSplitter;
    }
    y += heights[static_cast<size_t>(row)] + m_cySplitter;
  }
}

void CSplitterWnd::OnSize(UINT nType, int cx, int cy) {
  CWnd::OnSize(nType, cx, cy);
  RecalcLayout();
}
