#include "app/DlgLayer.h"

#include "app/KorvelIds.h"
#include "app/LayerBarWnd.h"
#include "app/LayerManageCmd.h"
#include "app/MainFrame.h"
#include "framework/looker/AppSlots.h"
#include "framework/relayon/DBase.h"
#include "geometry/shapes2d/Layer.h"
#include "platform/core/DC.h"
#include "platform/ui/Input.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Resources.h"
#include "platform/ui/View.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>
#include <new>

IMPLEMENT_DYNAMIC(CListCellEdit, CEdit)
IMPLEMENT_DYNAMIC(CQvLayerList, CListCtrl)
IMPLEMENT_DYNAMIC(CDlgLayerManager, CDialog)
IMPLEMENT_DYNAMIC(CDlgLayerSel, CDialog)

BEGIN_MESSAGE_MAP(CListCellEdit, CEdit)
    ON_WM_KEYDOWN()
    ON_WM_KILLFOCUS()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CQvLayerList, CListCtrl)
    ON_WM_LBUTTONDOWN()
    ON_MESSAGE(WM_KV_LIST_NOTIFY, &CQvLayerList::OnEndLabelEdit)
    ON_EN_CHANGE(101, &CQvLayerList::OnEditChange)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CDlgLayerManager, CDialog)
    ON_BN_CLICKED(CDlgLayerManager::kAdd, &CDlgLayerManager::OnAdd)
    ON_BN_CLICKED(CDlgLayerManager::kDelete, &CDlgLayerManager::OnDelete)
    ON_BN_CLICKED(CDlgLayerManager::kClose, &CDlgLayerManager::OnClose)
END_MESSAGE_MAP()

CQvLayerBarWnd* korvelLayerBar()
{
    auto* frame = dynamic_cast<CMainFrame*>(gGetMainFrame());
    return frame != nullptr ? &frame->GetLayerBar() : nullptr;
}

namespace {

constexpr int kPageWidth = 160;   // dialog units
constexpr int kPageHeight = 170;
constexpr int kButtonHeight = 14;

void RegisterTemplates()
{
    if (AfxFindDialogTemplate(CDlgLayerManager::kTemplate) == nullptr) {
        // The buttons are bitmap buttons the page makes itself.
        CDialogTemplateDesc desc(L"Layers", kPageWidth, kPageHeight, WS_CHILD, {});
        AfxRegisterDialogTemplate(CDlgLayerManager::kTemplate, std::move(desc));
    }
    if (AfxFindDialogTemplate(CDlgLayerSel::kTemplate) == nullptr) {
        CDialogTemplateDesc desc(L"Pick a Layer", kPageWidth, kPageHeight, WS_CHILD,
                                 {{CDialogItemKind::DefPushButton, IDOK, 4, kPageHeight - 18, 50, kButtonHeight, L"OK"},
                                  {CDialogItemKind::PushButton, IDCANCEL, 60, kPageHeight - 18, 50, kButtonHeight, L"Cancel"}});
        AfxRegisterDialogTemplate(CDlgLayerSel::kTemplate, std::move(desc));
    }
}

int Ask(UINT text, UINT caption, UINT type)
{
    return AfxGetPromptService()->MessageBox(AfxLoadString(text), AfxLoadString(caption), type);
}

// The program's own small pictures of the list: 16 x 16 at (x, y).
void DrawMark(CDC* dc, int x, int y)
{
    for (int k = 0; k < 5; ++k) dc->FillSolidRect(x + 5 + k, y + 3 + k, 1, 9 - 2 * k, RGB(0, 0, 160));
}

void DrawLock(CDC* dc, int x, int y, bool locked)
{
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* old = dc->SelectObject(&pen);
    const POINT body[5] = {{x + 2, y + 7}, {x + 11, y + 7}, {x + 11, y + 14}, {x + 2, y + 14}, {x + 2, y + 7}};
    dc->FillSolidRect(x + 3, y + 8, 8, 6, locked ? RGB(200, 160, 0) : RGB(255, 255, 255));
    dc->Polyline(body, 5);
    const int shackleX = locked ? x + 4 : x + 8;
    dc->MoveTo(shackleX, y + 7);
    dc->LineTo(shackleX, y + 3);
    dc->LineTo(shackleX + 5, y + 3);
    dc->LineTo(shackleX + 5, locked ? y + 7 : y + 5);
    dc->SelectObject(old);
}

void DrawEye(CDC* dc, int x, int y, bool visible)
{
    CPen pen(PS_SOLID, 1, visible ? RGB(0, 0, 0) : RGB(150, 150, 150));
    CPen* old = dc->SelectObject(&pen);
    const POINT outline[7] = {{x + 1, y + 8}, {x + 5, y + 4}, {x + 10, y + 4}, {x + 14, y + 8},
                              {x + 10, y + 12}, {x + 5, y + 12}, {x + 1, y + 8}};
    dc->Polyline(outline, 7);
    if (visible) dc->FillSolidRect(x + 6, y + 6, 4, 4, RGB(0, 0, 0));
    else {
        dc->MoveTo(x + 2, y + 13);
        dc->LineTo(x + 14, y + 3);
    }
    dc->SelectObject(old);
}

}  // namespace

// ---------------------------------------------------------------------------
// CListCellEdit

BOOL CListCellEdit::CreateOver(CListCtrl* list, DWORD style, const RECT& rect, UINT id)
{
    m_pList = list;
    if (!Create(style, rect, list, id)) return FALSE;
    if (list->GetFont() != nullptr) SetFont(list->GetFont());
    SetWindowText(m_strInitial);
    SetFocus();
    SetSel(0, -1);
    return TRUE;
}

BOOL CListCellEdit::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg != nullptr && pMsg->message == WM_KEYDOWN &&
        (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_DELETE || pMsg->wParam == VK_ESCAPE ||
         (GetKeyState(VK_CONTROL) & 0x8000) != 0)) {
        const HWND self = m_hWnd;
        SendMessage(pMsg->message, pMsg->wParam, pMsg->lParam);
        // Enter and Escape close the editor; its widget must not see the key.
        return CWnd::FromHandle(self) != this || pMsg->wParam != VK_DELETE ? TRUE : FALSE;
    }
    return CEdit::PreTranslateMessage(pMsg);
}

void CListCellEdit::OnKeyDown(UINT nChar, UINT, UINT)
{
    if (nChar == VK_ESCAPE) {
        m_bCancelled = 1;
        if (m_pList != nullptr) m_pList->SetFocus();
    } else if (nChar == VK_RETURN) {
        if (m_pList != nullptr) m_pList->SetFocus();
    }
}

void CListCellEdit::FitText()
{
    QWidget* widget = GetWidget();
    if (widget == nullptr || m_pList == nullptr || m_pList->GetWidget() == nullptr) return;
    CString text;
    GetWindowText(text);
    const int wanted = QFontMetrics(widget->font()).horizontalAdvance(QString::fromWCharArray(text.GetString(), text.GetLength())) + 5;
    if (wanted <= widget->width()) return;
    const int right = m_pList->GetWidget()->width();
    widget->resize(std::max(std::min(wanted, right - widget->x()), widget->width()), widget->height());
}

void CListCellEdit::OnKillFocus(CWnd*)
{
    if (m_bReported) return;
    m_bReported = TRUE;
    CString text;
    GetWindowText(text);
    CListEndEdit info;
    info.idFrom = GetDlgCtrlID();
    info.item = m_nRow;
    info.subItem = m_nColumn;
    info.text = m_bCancelled ? nullptr : text.GetString();
    info.textLength = text.GetLength();
    if (m_pList != nullptr) m_pList->SendMessage(WM_KV_LIST_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    DestroyWindow();
}

// ---------------------------------------------------------------------------
// CQvLayerList

CQvLayerList::~CQvLayerList() = default;

void CQvLayerList::FreeRecord(CLayerRow* record)
{
    auto it = std::find_if(m_records.begin(), m_records.end(), [record](const auto& r) { return r.get() == record; });
    if (it != m_records.end()) m_records.erase(it);
}

int CQvLayerList::AddLayerRow(const CString& name, int current, int locked, int visible, COLORREF colour, int count)
{
    std::unique_ptr<CLayerRow> owned(new (std::nothrow) CLayerRow{colour, locked, visible, current, count});
    if (!owned) return -1;
    const int row = InsertItem(GetItemCount(), L"");
    if (row < 0) return -1;
    CLayerRow* record = owned.get();
    m_records.push_back(std::move(owned));
    SetItemText(row, kName, name);
    CString number;
    number.Format(L"%d", count);
    SetItemText(row, kCount, number);
    SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
    if (current) m_nCurRow = row;
    return row;
}

int CQvLayerList::DeleteRow(int row)
{
    if (GetItemCount() == 1 || row < 0 || row >= GetItemCount()) return 0;
    CLayerRow* record = GetRow(row);
    const bool wasCurrent = record != nullptr && record->current;
    FreeRecord(record);
    SetItemData(row, 0);
    m_nLastClicked = -1;
    DeleteItem(row);
    if (wasCurrent && GetItemCount() > 0) {
        if (CLayerRow* first = GetRow(0)) first->current = 1;
        m_nCurRow = 0;
        RedrawItems(0, GetItemCount() - 1);
    } else if (m_nCurRow > row) {
        --m_nCurRow;
    }
    return 1;
}

void CQvLayerList::ResetRows()
{
    for (int i = 0; i < GetItemCount(); ++i) SetItemData(i, 0);
    m_records.clear();
    CQvLayerBarWnd* bar = korvelLayerBar();
    if (bar == nullptr) return;
    CDBase* db = CDBase::Instance();
    int visible = 0;
    for (int i = 0; i < db->GetLayerCnt(); ++i)
        if (const CLayer* layer = db->GetLayer(i); layer != nullptr && layer->IsVisible()) ++visible;
    bar->SetSingleLayerMode(visible <= 1 ? 1 : 0);
}

void CQvLayerList::ApplyRowToLayer(int row, CLayerRow* record)
{
    CQvLayerBarWnd* bar = korvelLayerBar();
    if (bar == nullptr || record == nullptr) return;
    CLayer layer(GetItemText(row, kName));
    layer.SetLock(record->locked);
    if (record->visible) layer.SetVisible();
    else layer.SetInVisible();
    layer.SetColor(record->colour);
    bar->SetLayerInfo(row, &layer);
    bar->SetCurrentLayer(m_nCurRow);
    bar->RefreshLayerBar(1);
}

int CQvLayerList::ColumnLeft(int row, int column) const
{
    RECT r{0, 0, 0, 0};
    GetItemRect(row, &r);
    int x = r.left;
    for (int c = 0; c < column; ++c) x += GetColumnWidth(c);
    return x;
}

int CQvLayerList::HitTestEx(POINT point, int* column) const
{
    const int top = GetTopIndex();
    const int last = std::min(top + GetCountPerPage() + 1, GetItemCount());
    for (int row = top; row < last; ++row) {
        RECT r{0, 0, 0, 0};
        if (!GetItemRect(row, &r) || point.y < r.top || point.y >= r.bottom) continue;
        int x = r.left;
        for (int c = 0; c < GetColumnCount(); ++c) {
            const int w = GetColumnWidth(c);
            // A point on a boundary belongs to the left column.
            if (point.x >= x && point.x <= x + w) {
                if (column != nullptr) *column = c;
                return row;
            }
            x += w;
        }
    }
    return -1;
}

CListCellEdit* CQvLayerList::EditSubLabel(int row, int column)
{
    if (row < 0 || row >= GetItemCount()) return nullptr;
    EnsureVisible(row, TRUE);
    if (column >= GetColumnCount() || GetColumnWidth(column) < 5) return nullptr;
    RECT client{0, 0, 0, 0};
    GetClientRect(&client);
    int left = ColumnLeft(row, column);
    // Bring the cell's left edge into view, the editor moving with it.
    if (left < client.left || left > client.right) {
        const int shift = left - client.left;
        Scroll(SIZE{shift, 0});
        left -= shift;
    }
    RECT r{0, 0, 0, 0};
    GetItemRect(row, &r);
    const POINT origin = GetViewportOrigin();
    RECT cell{origin.x + left + 4, origin.y + r.top,
              origin.x + std::min<int>(left + GetColumnWidth(column) - 3, client.right), origin.y + r.bottom};
    const int format = GetColumnFormat(column);
    const DWORD align = format == LVCFMT_RIGHT ? 0x0002u : format == LVCFMT_CENTER ? 0x0001u : ES_LEFT;
    auto* edit = new CListCellEdit(row, column, GetItemText(row, column));
    if (!edit->CreateOver(this, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | align, cell, 101)) {
        delete edit;
        return nullptr;
    }
    m_pEditor = edit;
    return edit;
}

void CQvLayerList::FocusView()
{
    if (CView* view = gGetView()) view->SetFocus();
}

void CQvLayerList::OnLButtonDown(UINT nFlags, CPoint point)
{
    CListCtrl::OnLButtonDown(nFlags, point);
    int column = -1;
    const int row = HitTestEx(point, &column);
    m_nLastClicked = row;
    if (row < 0) return;
    switch (column) {
    case kCurrent: ClickCurrent(row); break;
    case kName: EditSubLabel(row, kName); break;
    case kLock:
    case kVisible: ClickToggle(row, column); break;
    case kColour: ClickColour(row); break;
    default: break;
    }
    m_nLastClicked = row;
}

void CQvLayerList::ClickCurrent(int row)
{
    CLayerRow* record = GetRow(row);
    if (record == nullptr || record->current) return;
    FocusView();
    if (Ask(korvel::IDS_LAYER_MAKE_CURRENT_ASK, korvel::IDS_LAYER_MAKE_CURRENT_CAPTION, MB_YESNO) != IDYES) return;
    record->current = 1;
    record->locked = 0;
    record->visible = 1;
    for (int i = 0; i < GetItemCount(); ++i)
        if (CLayerRow* other = GetRow(i); other != nullptr && i != row) other->current = 0;
    m_nCurRow = row;
    RedrawItems(0, GetItemCount() - 1);
    if (CQvLayerBarWnd* bar = korvelLayerBar()) {
        bar->SetCurrentLayer(row);
        bar->RefreshLayerBar(1);
    }
}

void CQvLayerList::ClickToggle(int row, int column)
{
    CLayerRow* record = GetRow(row);
    if (record == nullptr) return;
    if (record->current) {
        FocusView();
        Ask(korvel::IDS_LAYER_CURRENT_REFUSED, korvel::IDS_LAYER_CAPTION, MB_OK);
        return;
    }
    int& flag = column == kLock ? record->locked : record->visible;
    flag = flag ? 0 : 1;
    RedrawItems(row, row);
    ApplyRowToLayer(row, record);
}

void CQvLayerList::ClickColour(int row)
{
    CLayerRow* record = GetRow(row);
    if (record == nullptr) return;
    COLORREF colour = record->colour;
    if (!AfxGetPromptService()->ChooseColor(colour)) return;
    record->colour = colour;
    RedrawItems(row, row);
    ApplyRowToLayer(row, record);
}

void CQvLayerList::OnEditChange()
{
    if (m_pEditor != nullptr) m_pEditor->FitText();
}

LRESULT CQvLayerList::OnEndLabelEdit(WPARAM, LPARAM lParam)
{
    m_pEditor = nullptr;
    const auto* info = reinterpret_cast<const CListEndEdit*>(lParam);
    if (info == nullptr || info->text == nullptr) return 0;
    CQvLayerBarWnd* bar = korvelLayerBar();
    if (bar == nullptr) return 0;
    const CString name(info->text);
    if (bar->GetHelper().IsLayerNameUsed(name, info->item)) {
        FocusView();
        Ask(korvel::IDS_LAYER_NAME_USED, korvel::IDS_LAYER_CAPTION, MB_OK);
        return 0;
    }
    bar->RenameLayer(info->item, name);
    bar->RefreshLayerBar(1);
    SetItemText(info->item, info->subItem, name);
    return 0;
}

void CQvLayerList::DrawSubItem(CDC* pDC, int row, int col, const RECT& cell)
{
    const CLayerRow* record = GetRow(row);
    if (record == nullptr) return;
    const int x = cell.left + 1, y = cell.top;
    switch (col) {
    case kCurrent:
        if (record->current) {
            DrawMark(pDC, x, y);
            m_nCurRow = row;
        }
        break;
    case kLock: DrawLock(pDC, x, y, record->locked != 0); break;
    case kVisible: DrawEye(pDC, x, y, record->visible != 0); break;
    case kColour: {
        CPen frame(PS_SOLID, 1, RGB(0, 0, 0));
        CPen* old = pDC->SelectObject(&frame);
        const POINT box[5] = {{cell.left + 1, cell.top + 1}, {cell.right - 2, cell.top + 1},
                              {cell.right - 2, cell.bottom - 2}, {cell.left + 1, cell.bottom - 2},
                              {cell.left + 1, cell.top + 1}};
        pDC->Polyline(box, 5);
        pDC->FillSolidRect(cell.left + 2, cell.top + 2, cell.right - cell.left - 4, cell.bottom - cell.top - 4,
                           record->colour);
        pDC->SelectObject(old);
        break;
    }
    default: break;
    }
}

// ---------------------------------------------------------------------------
// CDlgLayerManager

CDlgLayerManager::CDlgLayerManager() : CDialog(kTemplate) { RegisterTemplates(); }

CDlgLayerManager::~CDlgLayerManager()
{
    m_list.ResetRows();
    for (CWnd* control : {static_cast<CWnd*>(&m_list), static_cast<CWnd*>(&m_close), static_cast<CWnd*>(&m_delete),
                          static_cast<CWnd*>(&m_add)})
        if (control->GetSafeHwnd() != nullptr) control->DestroyWindow();
}

BOOL CDlgLayerManager::OnInitDialog()
{
    if (GetSafeHwnd() != nullptr) {
        // Three bitmap buttons with pictures by caption: up "<caption>U", down "<caption>D".
        struct ButtonSpec {
            CBitmapButton* button;
            UINT id;
            const wchar_t* caption;
            int x;
        };
        const ButtonSpec buttons[] = {{&m_add, kAdd, L"ADD", 4}, {&m_delete, kDelete, L"DEL", 42},
                                      {&m_close, kClose, L"OK", 80}};
        for (const ButtonSpec& spec : buttons) {
            RECT r{spec.x, 4, spec.x + 34, 4 + kButtonHeight};
            MapDialogRect(&r);
            if (!spec.button->Create(spec.caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, r, this, spec.id)) continue;
            CString up(spec.caption), down(spec.caption);
            up += L"U";
            down += L"D";
            spec.button->LoadBitmaps(up, down);
        }
    }
    CDialog::OnInitDialog();
    CQvLayerBarWnd* bar = korvelLayerBar();
    if (GetSafeHwnd() == nullptr || bar == nullptr) return TRUE;
    RECT r{4, 22, kPageWidth - 4, kPageHeight - 4};
    MapDialogRect(&r);
    if (!m_list.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, r, this, kList)) return TRUE;
    m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_list.SetRowHeight(16);
    struct ColumnSpec {
        UINT heading;
        int width;
    };
    const ColumnSpec columns[] = {{0, 0},  {korvel::IDS_LAYER_COL_CURRENT, 19}, {korvel::IDS_LAYER_COL_NAME, 42},
                                  {0, 17}, {0, 17}, {0, 17}, {korvel::IDS_LAYER_COL_COUNT, 36}};
    int c = 0;
    for (const ColumnSpec& spec : columns) {
        const CString heading = spec.heading != 0 ? AfxLoadString(spec.heading) : CString();
        m_list.InsertColumn(c++, heading, LVCFMT_LEFT, spec.width);
    }
    Fill();
    bar->SetSingleLayerMode(0);
    return TRUE;
}

void CDlgLayerManager::Fill()
{
    CQvLayerBarWnd* bar = korvelLayerBar();
    if (bar == nullptr || m_list.GetSafeHwnd() == nullptr) return;
    CDBase* db = CDBase::Instance();
    const int current = bar->GetCurLayerIndex();
    for (int i = 0; i < bar->GetLayerCount(); ++i) {
        const CLayer* layer = db->GetLayer(i);
        if (layer == nullptr) continue;
        m_list.AddLayerRow(layer->GetName(), i == current ? 1 : 0, layer->IsLocked(), layer->IsVisible(),
                           layer->GetColor(), db->GetCountOnLayerIndex(i));
    }
}

void CDlgLayerManager::Refill()
{
    if (m_list.GetSafeHwnd() == nullptr) return;
    for (int i = m_list.GetItemCount() - 1; i >= 0; --i) {
        m_list.FreeRecord(m_list.GetRow(i));
        m_list.DeleteItem(i);
    }
    Fill();
}

void CDlgLayerManager::SyncRows()
{
    CQvLayerBarWnd* bar = korvelLayerBar();
    if (bar == nullptr) return;
    const int current = bar->GetCurLayerIndex();
    for (int i = 0; i < m_list.GetItemCount(); ++i) {
        CLayerRow* record = m_list.GetRow(i);
        CLayer info;
        if (record == nullptr || bar->GetLayerInfo(i, &info) < 0) continue;
        record->locked = info.IsLocked();
        record->visible = info.IsVisible();
        record->colour = info.GetColor();
        record->current = i == current ? 1 : 0;
    }
    m_list.RedrawItems(0, m_list.GetItemCount() - 1);
}

void CDlgLayerManager::OnAdd()
{
    CQvLayerBarWnd* bar = korvelLayerBar();
    if (bar == nullptr) return;
    const int index = bar->AddLayer(CString());
    if (index < 0) return;
    CLayer info;
    if (bar->GetLayerInfo(index, &info) < 0) return;
    m_list.AddLayerRow(info.GetName(), 0, info.IsLocked(), info.IsVisible(), info.GetColor(), 0);
    bar->RefreshLayerBar(1);
}

void CDlgLayerManager::OnDelete()
{
    CQvLayerBarWnd* bar = korvelLayerBar();
    if (bar == nullptr) return;
    if (bar->GetLayerCount() <= 1) {
        Ask(korvel::IDS_LAYER_DELETE_LAST, korvel::IDS_LAYER_DELETE_CAPTION, MB_OK);
        return;
    }
    if (Ask(korvel::IDS_LAYER_DELETE_ASK, korvel::IDS_LAYER_DELETE_CAPTION, MB_YESNO) != IDYES) return;
    const int row = m_list.GetCurIndex();
    if (row < 0) return;
    if (bar->DeleteLayer(row, 0) < 0) return;
    m_list.DeleteRow(row);
    // The layer that became current is shown and unlocked, as the strip's
    // delete button does, and the list's current mark follows the bar.
    bar->SetCurrentLayer(bar->GetCurLayerIndex());
    SyncRows();
    bar->RefreshLayerBar(1);
}

void CDlgLayerManager::OnClose()
{
    m_list.ResetRows();
    if (m_pCmd != nullptr) m_pCmd->Cancel();
}

void CDlgLayerManager::OnCancel()
{
    m_list.ResetRows();
    CDialog::OnCancel();
}

// ---------------------------------------------------------------------------
// CDlgLayerSel

CDlgLayerSel::CDlgLayerSel() : CDialog(kTemplate) { RegisterTemplates(); }

CDlgLayerSel::~CDlgLayerSel()
{
    if (m_list.GetSafeHwnd() != nullptr) m_list.DestroyWindow();
}

BOOL CDlgLayerSel::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (GetSafeHwnd() == nullptr) return TRUE;
    RECT r{4, 4, kPageWidth - 4, kPageHeight - 22};
    MapDialogRect(&r);
    if (!m_list.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, r, this, kList)) return TRUE;
    CDBase* db = CDBase::Instance();
    for (int i = 0; i < db->GetLayerCnt(); ++i)
        if (const CLayer* layer = db->GetLayer(i)) m_list.AddString(layer->GetName());
    return TRUE;
}

void CDlgLayerSel::OnOK()
{
    const int position = m_list.GetSafeHwnd() != nullptr ? m_list.GetCurSel() : -1;
    if (m_pCmd == nullptr) return;
    if (auto* cmd = dynamic_cast<CLayerManageCmd*>(m_pCmd)) cmd->OnLayerChosen(position);
    m_pCmd->Cancel();
}

void CDlgLayerSel::OnCancel()
{
    if (m_pCmd != nullptr) m_pCmd->Cancel();
}
