#include "framework/widgra/ui/PropertySheet.h"

#include "platform/ui/QtConvert.h"
#include "platform/ui/Resources.h"

#include <QHBoxLayout>
#include <QStackedWidget>
#include <QTreeWidget>

#include <algorithm>

IMPLEMENT_DYNAMIC(CQvPropertyPage, CDialog)
IMPLEMENT_DYNAMIC(CQvPropertySheet, CDialog)

namespace {

constexpr int kTreeWidth = 130;  // pixels
constexpr int kMargin = 8;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;

void RegisterSheetTemplate()
{
    if (AfxFindDialogTemplate(CQvPropertySheet::kTemplate) != nullptr) return;
    CDialogTemplateDesc desc;
    desc.lpszCaption = L"Settings";
    AfxRegisterDialogTemplate(CQvPropertySheet::kTemplate, std::move(desc));
}

}  // namespace

CQvPropertyPage::CQvPropertyPage(UINT nIDTemplate, UINT nIDCaption)
    : CDialog(nIDTemplate, nullptr), m_nIDCaption(nIDCaption)
{
}

CString CQvPropertyPage::GetTitle() const
{
    if (m_nIDCaption != 0) {
        CString title;
        if (AfxLoadString(m_nIDCaption, title)) return title;
    }
    const CDialogTemplateDesc* desc = AfxFindDialogTemplate(GetTemplateID());
    return desc != nullptr && desc->lpszCaption != nullptr ? CString(desc->lpszCaption) : CString();
}

void CQvPropertyPage::OnOK()
{
    if (m_pSheet != nullptr) m_pSheet->OnOK();
}

void CQvPropertyPage::OnCancel()
{
    if (m_pSheet != nullptr) m_pSheet->OnCancel();
}

CQvPropertySheet::CQvPropertySheet(LPCTSTR lpszCaption, CWnd* pParentWnd)
    : CDialog(kTemplate, pParentWnd), m_strCaption(lpszCaption != nullptr ? lpszCaption : L"")
{
    RegisterSheetTemplate();
}

void CQvPropertySheet::AddRoot(CQvPropertyPage* pPage, UINT nIDTemplate, BOOL bExpand)
{
    if (pPage == nullptr) return;
    (void)bExpand;
    pPage->m_nIDTemplate = nIDTemplate;
    pPage->m_pSheet = this;
    m_pages.insert(m_pages.begin(), pPage);
}

void CQvPropertySheet::AddPage(CQvPropertyPage* pPage, UINT nIDTemplate, BOOL bExpand)
{
    if (pPage == nullptr) return;
    (void)bExpand;
    pPage->m_nIDTemplate = nIDTemplate;
    pPage->m_pSheet = this;
    m_pages.push_back(pPage);
}

CQvPropertyPage* CQvPropertySheet::GetPage(int index) const
{
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

void CQvPropertySheet::Light(int index)
{
    if (index < 0 || index >= GetPageCount()) return;
    m_nActive = index;
    if (m_pStack == nullptr || m_pTree == nullptr) return;
    m_pStack->setCurrentIndex(index);
    QTreeWidgetItem* root = m_pTree->topLevelItem(0);
    QTreeWidgetItem* item = index == 0 ? root : (root != nullptr ? root->child(index - 1) : nullptr);
    if (item != nullptr && m_pTree->currentItem() != item) m_pTree->setCurrentItem(item);
}

void CQvPropertySheet::InitParam()
{
    for (CQvPropertyPage* page : m_pages)
        if (page->GetSafeHwnd() != nullptr) page->InitParam();
}

BOOL CQvPropertySheet::OnInitDialog()
{
    CDialog::OnInitDialog();
    QWidget* frame = GetWidget();
    if (!m_strCaption.IsEmpty()) SetWindowText(m_strCaption);

    m_pTree = new QTreeWidget(frame);
    m_pTree->setHeaderHidden(true);
    m_pStack = new QStackedWidget(frame);
    QTreeWidgetItem* root = nullptr;
    int pageWidth = 200, pageHeight = 120;
    for (CQvPropertyPage* page : m_pages) {
        if (!page->Create(page->GetTemplateID(), this)) {
            // A page without a window still gets its place, so that indices hold.
            m_pStack->addWidget(new QWidget(m_pStack));
        } else {
            QWidget* widget = page->GetWidget();
            pageWidth = std::max(pageWidth, widget->width());
            pageHeight = std::max(pageHeight, widget->height());
            // The stack shows the current page only.
            m_pStack->addWidget(widget);
        }
        auto* item = root == nullptr ? new QTreeWidgetItem(m_pTree) : new QTreeWidgetItem(root);
        item->setText(0, ToQString(page->GetTitle()));
        if (root == nullptr) root = item;
    }
    if (root != nullptr) root->setExpanded(true);
    QObject::connect(m_pTree, &QTreeWidget::currentItemChanged, frame, [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
        if (item == nullptr) return;
        QTreeWidgetItem* parent = item->parent();
        Light(parent == nullptr ? 0 : parent->indexOfChild(item) + 1);
    });

    const int width = kMargin + kTreeWidth + kMargin + pageWidth + kMargin;
    const int height = kMargin + pageHeight + kMargin + kButtonHeight + kMargin;
    frame->setFixedSize(width, height);
    m_pTree->setGeometry(kMargin, kMargin, kTreeWidth, pageHeight);
    m_pStack->setGeometry(2 * kMargin + kTreeWidth, kMargin, pageWidth, pageHeight);
    const int y = height - kMargin - kButtonHeight;
    const RECT okRect{width - 2 * (kButtonWidth + kMargin), y, width - kButtonWidth - 2 * kMargin, y + kButtonHeight};
    const RECT cancelRect{width - kButtonWidth - kMargin, y, width - kMargin, y + kButtonHeight};
    m_ok.Create(L"OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, okRect, this, IDOK);
    m_cancel.Create(L"Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, cancelRect, this, IDCANCEL);
    Light(m_nActive);
    return TRUE;
}

void CQvPropertySheet::OnOK()
{
    for (int i = 0; i < GetPageCount(); ++i) {
        CQvPropertyPage* page = m_pages[static_cast<size_t>(i)];
        if (page->GetSafeHwnd() != nullptr && page->Ok() == -1) {
            Light(i);
            return;
        }
    }
    EndDialog(IDOK);
}

void CQvPropertySheet::OnCancel()
{
    for (CQvPropertyPage* page : m_pages)
        if (page->GetSafeHwnd() != nullptr) page->Cancel();
    EndDialog(IDCANCEL);
}
