#pragma once
// Static splitter: a grid of panes (views or other windows) laid out by rows and
// columns. Rows take their ideal heights top-down, the last row the rest; likewise
// columns. Bars between panes are m_cxSplitter/m_cySplitter pixels wide.

#include "platform/ui/Wnd.h"

#include <vector>

class CSplitterWnd : public CWnd {
  DECLARE_DYNAMIC(CSplitterWnd)
public:
  CSplitterWnd();

  virtual BOOL CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle = WS_CHILD | WS_VISIBLE,
                            UINT nID = AFX_IDW_PANE_FIRST);
  // Makes pane (row, col) as a window of pViewClass with the given initial size.
  virtual BOOL CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit, CCreateContext* pContext);
  CWnd* GetPane(int row, int col) const;
  int IdFromRowCol(int row, int col) const { return static_cast<int>(AFX_IDW_PANE_FIRST) + row * 16 + col; }
  int GetRowCount() const { return m_nRows; }
  int GetColumnCount() const { return m_nCols; }

  void SetRowInfo(int row, int cyIdeal, int cyMin);
  void GetRowInfo(int row, int& cyCur, int& cyMin) const;
  void SetColumnInfo(int col, int cxIdeal, int cxMin);
  void GetColumnInfo(int col, int& cxCur, int& cxMin) const;

  virtual void RecalcLayout();

  void OnSize(UINT nType, int cx, int cy);

protected:
  struct CRowColInfo {
    int nMinSize = 0;
    int nIdealSize = 0;
    int nCurSize = 0;
  };

  int m_nRows = 0;
  int m_nCols = 0;
  std::vector<CRowColInfo> m_rowInfo;
  std::vector<CRowColInfo> m_colInfo;
  // Bar and border sizes; zero makes the bars vanish.
  int m_cxSplitter = 7;
  int m_cySplitter = 7;
  int m_cxBorderShare = 1;
  int m_cyBorderShare = 1;
  int m_cxSplitterGap = 7;
  int m_cySplitterGap = 7;
  int m_cxBorder = 2;
  int m_cyBorder = 2;

  DECLARE_MESSAGE_MAP()
};
