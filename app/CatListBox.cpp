#include "app/CatListBox.h"

#include "platform/ui/Input.h"
#include "platform/ui/QtConvert.h"
#include "platform/ui/WndWidget.h"

#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>

#include <new>

IMPLEMENT_DYNAMIC(CCatListBox, CListBox)

BEGIN_MESSAGE_MAP(CCatListBox, CListBox)
    ON_WM_LBUTTONDOWN()
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

namespace {

// Row data: the category record of a category row (null for item rows).
constexpr int kRecordRole = Qt::UserRole + 1;

class CatListWidget : public CWndWidget<QListWidget> {
public:
    CatListWidget(CCatListBox* list, QWidget* parent) : CWndWidget<QListWidget>(list, parent)
    {
        m_bNativeInput = true;
        setSelectionMode(QAbstractItemView::SingleSelection);
        setUniformItemSizes(true);
        viewport()->installEventFilter(this);
    }

protected:
    // A press on the rows goes to the window's message first; the list's own
    // selection follows.
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched == viewport() && m_pWnd != nullptr && e->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(e);
            if (me->button() == Qt::LeftButton) {
                const QPoint p = me->position().toPoint();
                m_pWnd->SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(static_cast<WORD>(p.x()), static_cast<WORD>(p.y())));
            }
        }
        return CWndWidget<QListWidget>::eventFilter(watched, e);
    }
};

class CatDelegate : public QStyledItemDelegate {
public:
    CatDelegate(CCatListBox* list, QListWidget* view) : QStyledItemDelegate(view), m_list(list), m_view(view) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        const bool focused = (option.state & QStyle::State_HasFocus) != 0 && m_view->hasFocus();
        m_list->DrawItem(*painter, index.row(), option.rect, selected, focused);
    }

private:
    CCatListBox* m_list;
    QListWidget* m_view;
};

QListWidget* ListOf(const CWnd* wnd) { return qobject_cast<QListWidget*>(wnd->GetWidget()); }

}  // namespace

CCatListBox::CCatListBox() = default;

CCatListBox::~CCatListBox() = default;

BOOL CCatListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    m_dwListStyle = dwStyle & (LBS_SORT | LBS_NOSEL);
    return CListBox::Create(dwStyle & ~(LBS_SORT | LBS_NOSEL), rect, pParentWnd, nID);
}

QWidget* CCatListBox::CreateWidget(QWidget* pParent)
{
    auto* list = new CatListWidget(this, pParent);
    list->setItemDelegate(new CatDelegate(this, list));
    if ((m_dwListStyle & LBS_NOSEL) != 0) list->setSelectionMode(QAbstractItemView::NoSelection);
    return list;
}

HRESULT CCatListBox::AddCategory(LPCTSTR name)
{
    if (name == nullptr) return E_POINTER;
    const CString key(name);
    if (key.IsEmpty() || m_categories.count(key) != 0) return E_INVALIDARG;
    QListWidget* list = ListOf(this);
    if (list == nullptr) return E_FAIL;
    auto record = std::unique_ptr<Category>(new (std::nothrow) Category);
    if (record == nullptr) return E_FAIL;
    int row = list->count();
    if ((m_dwListStyle & LBS_SORT) != 0) {
        // Before the first category that sorts after the name, ignoring case;
        // the rows of those categories move down by one.
        int first = -1;
        for (auto& [other, rec] : m_categories) {
            if (other.CompareNoCase(key) > 0) {
                if (first < 0 || rec->m_nRow < first) first = rec->m_nRow;
                ++rec->m_nRow;
            }
        }
        if (first >= 0) row = first;
    }
    m_bDrawEnabled = 0;
    auto* item = new QListWidgetItem(ToQString(key));
    item->setData(kRecordRole, QVariant::fromValue(static_cast<void*>(record.get())));
    list->insertItem(row, item);
    record->m_nRow = row;
    m_categories.emplace(key, std::move(record));
    m_bDrawEnabled = 1;
    Repaint();
    return S_OK;
}

CCatListBox::Category* CCatListBox::FindCategory(LPCTSTR name) const
{
    if (name == nullptr) return nullptr;
    const auto found = m_categories.find(CString(name));
    return found != m_categories.end() ? found->second.get() : nullptr;
}

HRESULT CCatListBox::SetCategoryCheck(LPCTSTR name, BOOL checked)
{
    Category* record = FindCategory(name);
    if (record == nullptr) return E_INVALIDARG;
    if (record->m_nChecked != checked) {
        record->m_nChecked = checked;
        m_bDrawEnabled = 1;
        Repaint();
    }
    return S_OK;
}

BOOL CCatListBox::IsCategoryChecked(LPCTSTR name) const
{
    const Category* record = FindCategory(name);
    return record != nullptr && record->m_nChecked != 0 ? TRUE : FALSE;
}

CString CCatListBox::GetCategoryName(int n, BOOL byRow) const
{
    if (!byRow) {
        if (n < 0 || n >= GetCategoryCount()) return CString();
        auto it = m_categories.begin();
        std::advance(it, n);
        return it->first;
    }
    const Category* record = CategoryOfRow(n);
    for (const auto& [name, rec] : m_categories)
        if (rec.get() == record) return name;
    return CString();
}

int CCatListBox::GetItemValue(LPCTSTR name, int position) const
{
    const Category* record = FindCategory(name);
    if (record == nullptr || record->m_items.empty()) return -1;
    if (position < 0 || position >= record->m_nItemCount) return E_INVALIDARG;
    return *std::next(record->m_items.begin(), position);
}

HRESULT CCatListBox::SetItemValue(LPCTSTR name, int position, int value)
{
    Category* record = FindCategory(name);
    if (record == nullptr) return E_INVALIDARG;
    if (record->m_items.empty()) return E_FAIL;
    if (position < 0 || position >= record->m_nItemCount) return E_INVALIDARG;
    *std::next(record->m_items.begin(), position) = value;
    if (m_bItemCheckBoxes) Repaint();
    return S_OK;
}

void CCatListBox::RemoveAllCategories()
{
    if (QListWidget* list = ListOf(this)) list->clear();
    m_categories.clear();
}

CCatListBox::Category* CCatListBox::CategoryOfRow(int row) const
{
    QListWidget* list = ListOf(this);
    if (list == nullptr || row < 0 || row >= list->count()) return nullptr;
    return static_cast<Category*>(list->item(row)->data(kRecordRole).value<void*>());
}

void CCatListBox::Repaint()
{
    if (QListWidget* list = ListOf(this)) list->viewport()->update();
}

RECT CCatListBox::CheckBoxRect(const RECT& row)
{
    const int h = (row.bottom - 2) - (row.top + 1);
    return RECT{row.left + 3, row.top + 1, row.left + 3 + h, row.bottom - 2};
}

void CCatListBox::DrawItem(QPainter& painter, int row, const QRect& rect, bool selected, bool focused)
{
    const Category* record = CategoryOfRow(row);
    if (!m_bDrawEnabled || record == nullptr) return;
    const bool enabled = IsWindowEnabled() != FALSE;
    selected = selected && (m_dwListStyle & LBS_NOSEL) == 0 && enabled;
    const QPalette palette = QApplication::palette();
    RECT r{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
    painter.save();
    painter.fillRect(rect, selected ? palette.highlight() : palette.base());
    const bool categoryRow = record->m_nRow == row;
    const RECT box = CheckBoxRect(r);
    if (categoryRow) {
        r.bottom -= 1;
        if (!selected) painter.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), palette.button());
        // A flat check box: a white square with a thin frame, ticked when checked.
        const QRect square(box.left, box.top, box.right - box.left, box.bottom - box.top);
        painter.fillRect(square, palette.base());
        painter.setPen(palette.color(QPalette::Dark));
        painter.drawRect(square.adjusted(0, 0, -1, -1));
        if (record->m_nChecked != 0) {
            painter.setPen(QPen(palette.color(QPalette::Text), 2));
            painter.drawPolyline(QPolygon({QPoint(square.left() + 2, square.center().y()),
                                           QPoint(square.left() + square.width() / 2 - 1, square.bottom() - 3),
                                           QPoint(square.right() - 2, square.top() + 2)}));
        }
    }
    const QColor text = !enabled  ? palette.color(QPalette::Disabled, QPalette::Text)
                        : selected ? palette.color(QPalette::HighlightedText)
                                   : palette.color(QPalette::Text);
    painter.setPen(text);
    const int x = categoryRow || m_bItemCheckBoxes ? box.right + 3 : r.left + 3;
    QListWidget* list = ListOf(this);
    const QString label = list != nullptr ? list->item(row)->text() : QString();
    painter.drawText(QRect(x, r.top + 1, r.right - x, r.bottom - r.top - 1), Qt::AlignLeft | Qt::AlignVCenter, label);
    if (focused && enabled) {
        painter.setPen(QPen(palette.color(QPalette::Text), 1, Qt::DotLine));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

void CCatListBox::OnLButtonDown(UINT, CPoint point)
{
    QListWidget* list = ListOf(this);
    if (list == nullptr) return;
    m_nLastClicked = -1;
    const int bottom = list->viewport()->height();
    for (int row = std::max(0, list->indexAt(QPoint(1, 1)).row()); row < list->count(); ++row) {
        const QRect rect = list->visualItemRect(list->item(row));
        const RECT box = CheckBoxRect(RECT{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1});
        if (box.top >= bottom) break;
        if (point.x >= box.left && point.x < box.right && point.y >= box.top && point.y < box.bottom) {
            m_nLastClicked = row;
            SetCurSel(row);
            const Category* record = CategoryOfRow(row);
            if (record != nullptr && record->m_nRow == row) {
                const CString name = GetCategoryName(row, TRUE);
                SetCategoryCheck(name, record->m_nChecked != 0 ? FALSE : TRUE);
            }
            break;
        }
    }
    NotifySelChange();
}

void CCatListBox::NotifySelChange()
{
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), LBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(GetSafeHwnd()));
}

void CCatListBox::OnKeyDown(UINT nChar, UINT, UINT)
{
    if (nChar != VK_SPACE) return;
    const int row = GetCurSel();
    Category* record = CategoryOfRow(row);
    if (record == nullptr) return;
    if (record->m_nRow == row) {
        SetCategoryCheck(GetCategoryName(row, TRUE), record->m_nChecked != 0 ? FALSE : TRUE);
        // The tick changed: the owner hears it as a click on the row.
        m_nLastClicked = row;
        NotifySelChange();
    }
}
