#include "platform/ui/ListControls.h"

#include "platform/ui/QtConvert.h"
#include "platform/ui/QtDC.h"
#include "platform/ui/WndWidget.h"

#include <QHeaderView>
#include <QImage>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>

IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

BEGIN_MESSAGE_MAP(CListCtrl, CWnd)
  ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

namespace {

template <class Base>
class CListWidget : public CWndWidget<Base> {
public:
  template <class... Args>
  explicit CListWidget(CWnd* pWnd, Args&&... args) : CWndWidget<Base>(pWnd, std::forward<Args>(args)...) {
    this->m_bNativeInput = true;
  }
};

// Mouse presses on the report list's viewport go to the window's messages
// (whose default handling selects the row); scrolling takes the focus to the
// list, so that an open in-place editor closes.
class CReportWidget : public CListWidget<QTreeWidget> {
public:
  CReportWidget(CListCtrl* pList, QWidget* pParent) : CListWidget<QTreeWidget>(pList, pParent) {
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Fixed);
    header()->setMinimumSectionSize(0);
    viewport()->installEventFilter(this);
    auto focus = [this] {
      if (!hasFocus()) setFocus();
    };
    QObject::connect(verticalScrollBar(), &QScrollBar::valueChanged, this, focus);
    QObject::connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, focus);
  }
  int m_nRowHeight = 16;

protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == viewport() && m_pWnd != nullptr &&
        (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick)) {
      auto* me = static_cast<QMouseEvent*>(e);
      if (me->button() == Qt::LeftButton) {
        const QPoint p = me->position().toPoint();
        wnd_bridge::DispatchScope scope;
        m_pWnd->SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(static_cast<WORD>(p.x()), static_cast<WORD>(p.y())));
        return true;
      }
    }
    return CListWidget<QTreeWidget>::eventFilter(watched, e);
  }
};

// Default painting of a cell, then the list's own drawing over it.
class CCellDelegate : public QStyledItemDelegate {
public:
  CCellDelegate(CListCtrl* pList, CReportWidget* pView) : QStyledItemDelegate(pView), m_pList(pList), m_pView(pView) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    const QRect r = option.rect;
    if (r.width() <= 0 || r.height() <= 0) return;
    QImage cell(r.size(), QImage::Format_ARGB32_Premultiplied);
    cell.fill(Qt::transparent);
    {
      CQtDC dc(&cell);
      dc.SetWindowOrg(r.left(), r.top());
      m_pList->DrawSubItem(&dc, index.row(), index.column(), RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    }
    painter->drawImage(r.topLeft(), cell);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), m_pView->m_nRowHeight + 1));
    return size;
  }

private:
  CListCtrl* m_pList;
  CReportWidget* m_pView;
};

}  // namespace

// ---------------------------------------------------------------------------
// CListBox

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(nullptr, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CListBox::CreateWidget(QWidget* pParent) {
  auto* list = new CListWidget<QListWidget>(this, pParent);
  const HWND hWnd = reinterpret_cast<HWND>(static_cast<QWidget*>(list));
  QObject::connect(list, &QListWidget::currentRowChanged, list, [this, hWnd](int) {
    if (CWnd::FromHandle(hWnd) != this || m_bSelecting) return;
    if (CWnd* parent = GetParent()) {
      wnd_bridge::DispatchScope scope;
      parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), LBN_SELCHANGE),
                          reinterpret_cast<LPARAM>(m_hWnd));
    }
  });
  return list;
}

int CListBox::AddString(LPCTSTR text) { return InsertString(-1, text); }

int CListBox::InsertString(int index, LPCTSTR text) {
  auto* list = qobject_cast<QListWidget*>(GetWidget());
  if (list == nullptr) return LB_ERR;
  if (index < 0 || index > list->count()) index = list->count();
  m_bSelecting = true;
  list->insertItem(index, ToQString(text));
  m_bSelecting = false;
  return index;
}

int CListBox::DeleteString(int index) {
  auto* list = qobject_cast<QListWidget*>(GetWidget());
  if (list == nullptr || index < 0 || index >= list->count()) return LB_ERR;
  m_bSelecting = true;
  delete list->takeItem(index);
  list->clearSelection();
  m_bSelecting = false;
  return list->count();
}

void CListBox::ResetContent() {
  auto* list = qobject_cast<QListWidget*>(GetWidget());
  if (list == nullptr) return;
  m_bSelecting = true;
  list->clear();
  m_bSelecting = false;
}

int CListBox::GetCount() const {
  auto* list = qobject_cast<QListWidget*>(GetWidget());
  return list != nullptr ? list->count() : LB_ERR;
}

int CListBox::GetCurSel() const {
  auto* list = qobject_cast<QListWidget*>(GetWidget());
  if (list == nullptr || list->selectedItems().isEmpty()) return LB_ERR;
  return list->row(list->selectedItems().front());
}

int CListBox::SetCurSel(int index) {
  auto* list = qobject_cast<QListWidget*>(GetWidget());
  if (list == nullptr) return LB_ERR;
  m_bSelecting = true;
  if (index < 0 || index >= list->count()) {
    list->clearSelection();
    m_bSelecting = false;
    return LB_ERR;
  }
  list->setCurrentRow(index);
  list->item(index)->setSelected(true);
  m_bSelecting = false;
  return index;
}

CString CListBox::GetText(int index) const {
  auto* list = qobject_cast<QListWidget*>(GetWidget());
  if (list == nullptr || index < 0 || index >= list->count()) return CString();
  return FromQString(list->item(index)->text());
}

// ---------------------------------------------------------------------------
// CListCtrl

namespace {
QTreeWidget* Tree(const CWnd* wnd) { return qobject_cast<QTreeWidget*>(wnd->GetWidget()); }
}  // namespace

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(nullptr, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CListCtrl::CreateWidget(QWidget* pParent) {
  auto* view = new CReportWidget(this, pParent);
  view->m_nRowHeight = m_nRowHeight;
  view->setItemDelegate(new CCellDelegate(this, view));
  view->setColumnCount(0);
  return view;
}

void CListCtrl::SetExtendedStyle(DWORD style) {
  m_dwExStyle = style;
  if (QTreeWidget* tree = Tree(this)) {
    tree->setSelectionBehavior((style & LVS_EX_FULLROWSELECT) != 0 ? QAbstractItemView::SelectRows
                                                                   : QAbstractItemView::SelectItems);
    // The selected row keeps dark text on a light band, with or without focus.
    QString sheet = QStringLiteral("QTreeView::item:selected { background: #cce8ff; color: black; }");
    if ((style & LVS_EX_GRIDLINES) != 0)
      sheet += QStringLiteral(" QTreeView::item { border-right: 1px solid #d0d0d0; border-bottom: 1px solid #d0d0d0; }");
    tree->setStyleSheet(sheet);
  }
}

void CListCtrl::SetRowHeight(int height) {
  m_nRowHeight = height;
  if (auto* view = dynamic_cast<CReportWidget*>(GetWidget())) {
    view->m_nRowHeight = height;
    view->doItemsLayout();
  }
}

int CListCtrl::InsertColumn(int col, LPCTSTR heading, int format, int width) {
  col = std::clamp(col, 0, GetColumnCount());
  m_columns.insert(m_columns.begin() + col, Column{CString(heading != nullptr ? heading : L""), format, width});
  if (QTreeWidget* tree = Tree(this)) {
    QStringList labels;
    for (const Column& c : m_columns) labels << ToQString(c.heading);
    tree->setColumnCount(GetColumnCount());
    tree->setHeaderLabels(labels);
    for (int i = 0; i < GetColumnCount(); ++i) tree->header()->resizeSection(i, m_columns[static_cast<size_t>(i)].width);
  }
  return col;
}

int CListCtrl::GetColumnWidth(int col) const {
  if (col < 0 || col >= GetColumnCount()) return 0;
  if (QTreeWidget* tree = Tree(this)) return tree->header()->sectionSize(col);
  return m_columns[static_cast<size_t>(col)].width;
}

int CListCtrl::GetColumnFormat(int col) const {
  return col >= 0 && col < GetColumnCount() ? m_columns[static_cast<size_t>(col)].format : LVCFMT_LEFT;
}

int CListCtrl::InsertItem(int row, LPCTSTR text) {
  QTreeWidget* tree = Tree(this);
  if (tree == nullptr) return -1;
  row = std::clamp(row, 0, tree->topLevelItemCount());
  auto* item = new QTreeWidgetItem;
  item->setText(0, ToQString(text));
  tree->insertTopLevelItem(row, item);
  m_data.insert(m_data.begin() + row, DWORD_PTR{0});
  return row;
}

BOOL CListCtrl::DeleteItem(int row) {
  QTreeWidget* tree = Tree(this);
  if (tree == nullptr || row < 0 || row >= tree->topLevelItemCount()) return FALSE;
  delete tree->takeTopLevelItem(row);
  m_data.erase(m_data.begin() + row);
  return TRUE;
}

int CListCtrl::GetItemCount() const {
  QTreeWidget* tree = Tree(this);
  return tree != nullptr ? tree->topLevelItemCount() : 0;
}

BOOL CListCtrl::SetItemText(int row, int col, LPCTSTR text) {
  QTreeWidget* tree = Tree(this);
  if (tree == nullptr || row < 0 || row >= tree->topLevelItemCount() || col < 0 || col >= GetColumnCount()) return FALSE;
  tree->topLevelItem(row)->setText(col, ToQString(text));
  return TRUE;
}

CString CListCtrl::GetItemText(int row, int col) const {
  QTreeWidget* tree = Tree(this);
  if (tree == nullptr || row < 0 || row >= tree->topLevelItemCount() || col < 0 || col >= GetColumnCount())
    return CString();
  return FromQString(tree->topLevelItem(row)->text(col));
}

BOOL CListCtrl::SetItemData(int row, DWORD_PTR data) {
  if (row < 0 || row >= static_cast<int>(m_data.size())) return FALSE;
  m_data[static_cast<size_t>(row)] = data;
  return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int row) const {
  return row >= 0 && row < static_cast<int>(m_data.size()) ? m_data[static_cast<size_t>(row)] : 0;
}

BOOL CListCtrl::GetItemRect(int row, LPRECT rect) const {
  QTreeWidget* tree = Tree(this);
  if (tree == nullptr || rect == nullptr || row < 0 || row >= tree->topLevelItemCount()) return FALSE;
  const QRect r = tree->visualItemRect(tree->topLevelItem(row));
  int width = 0;
  for (int i = 0; i < GetColumnCount(); ++i) width += GetColumnWidth(i);
  const int left = -tree->horizontalScrollBar()->value();
  *rect = RECT{left, r.top(), left + width, r.bottom() + 1};
  return TRUE;
}

int CListCtrl::GetTopIndex() const {
  QTreeWidget* tree = Tree(this);
  if (tree == nullptr) return 0;
  QTreeWidgetItem* item = tree->itemAt(QPoint(1, 1));
  return item != nullptr ? tree->indexOfTopLevelItem(item) : 0;
}

int CListCtrl::GetCountPerPage() const {
  QTreeWidget* tree = Tree(this);
  if (tree == nullptr) return 0;
  const int rowHeight = tree->topLevelItemCount() > 0 ? tree->visualItemRect(tree->topLevelItem(0)).height() : m_nRowHeight + 1;
  return std::max(tree->viewport()->height() / std::max(rowHeight, 1), 1);
}

BOOL CListCtrl::EnsureVisible(int row, BOOL) {
  QTreeWidget* tree = Tree(this);
  if (tree == nullptr || row < 0 || row >= tree->topLevelItemCount()) return FALSE;
  tree->scrollToItem(tree->topLevelItem(row));
  return TRUE;
}

BOOL CListCtrl::Scroll(SIZE size) {
  QTreeWidget* tree = Tree(this);
  if (tree == nullptr) return FALSE;
  tree->horizontalScrollBar()->setValue(tree->horizontalScrollBar()->value() + size.cx);
  return TRUE;
}

int CListCtrl::HitTest(POINT point) const {
  QTreeWidget* tree = Tree(this);
  if (tree == nullptr) return -1;
  QTreeWidgetItem* item = tree->itemAt(QPoint(point.x, point.y));
  return item != nullptr ? tree->indexOfTopLevelItem(item) : -1;
}

void CListCtrl::RedrawItems(int, int) {
  if (QTreeWidget* tree = Tree(this)) tree->viewport()->update();
}

void CListCtrl::DrawSubItem(CDC*, int, int, const RECT&) {}

POINT CListCtrl::GetViewportOrigin() const {
  QTreeWidget* tree = Tree(this);
  if (tree == nullptr) return POINT{0, 0};
  const QPoint p = tree->viewport()->pos();
  return POINT{p.x(), p.y()};
}

void CListCtrl::OnLButtonDown(UINT, CPoint point) {
  QTreeWidget* tree = Tree(this);
  const int row = HitTest(point);
  if (tree != nullptr && row >= 0) tree->setCurrentItem(tree->topLevelItem(row));
  if (tree != nullptr) tree->setFocus();
}
