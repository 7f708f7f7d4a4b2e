#include "platform/ui/BitmapButton.h"

#include "platform/ui/QtConvert.h"
#include "platform/ui/WndWidget.h"

#include <QAbstractButton>
#include <QImage>
#include <QPainter>

#include <map>
#include <string>

IMPLEMENT_DYNAMIC(CBitmapButton, CButton)

namespace {

std::map<std::wstring, QImage>& Bitmaps()
{
  static std::map<std::wstring, QImage> bitmaps;
  return bitmaps;
}

const QImage* FindBitmap(const CString& name)
{
  auto it = Bitmaps().find(std::wstring(name.GetString()));
  return it != Bitmaps().end() ? &it->second : nullptr;
}

// Paints the up or the pressed picture, scaled into the button; the caption
// when there is no picture.
class CPictureButton : public CWndWidget<QAbstractButton> {
public:
  CPictureButton(CBitmapButton* pButton, QWidget* pParent) : CWndWidget<QAbstractButton>(pButton, pParent) {
    m_bNativeInput = true;
  }

protected:
  void paintEvent(QPaintEvent*) override {
    auto* button = static_cast<CBitmapButton*>(m_pWnd);
    QPainter painter(this);
    const QImage* picture = nullptr;
    if (button != nullptr) {
      picture = isDown() ? FindBitmap(button->GetDownName()) : nullptr;
      if (picture == nullptr) picture = FindBitmap(button->GetUpName());
    }
    if (picture != nullptr) {
      painter.drawImage(rect(), *picture);
    } else {
      painter.fillRect(rect(), palette().button());
      painter.drawRect(rect().adjusted(0, 0, -1, -1));
      painter.drawText(rect(), Qt::AlignCenter, text());
    }
  }
  QSize sizeHint() const override { return QSize(40, 20); }
};

}  // namespace

void CBitmapButton::RegisterBitmap(LPCTSTR name, const QImage& image)
{
  if (name != nullptr) Bitmaps()[std::wstring(name)] = image;
}

BOOL CBitmapButton::HasBitmap(LPCTSTR name) { return name != nullptr && FindBitmap(CString(name)) != nullptr; }

BOOL CBitmapButton::LoadBitmaps(LPCTSTR up, LPCTSTR down)
{
  m_strUp = up != nullptr ? up : L"";
  m_strDown = down != nullptr ? down : L"";
  if (GetWidget() != nullptr) GetWidget()->update();
  return FindBitmap(m_strUp) != nullptr ? TRUE : FALSE;
}

QWidget* CBitmapButton::CreateWidget(QWidget* pParent)
{
  auto* button = new CPictureButton(this, pParent);
  const HWND hWnd = reinterpret_cast<HWND>(static_cast<QWidget*>(button));
  QObject::connect(button, &QAbstractButton::clicked, button, [this, hWnd] {
    CWnd* parent = GetParent();
    if (CWnd::FromHandle(hWnd) != this || parent == nullptr) return;
    wnd_bridge::DispatchScope scope;
    parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), static_cast<WORD>(BN_CLICKED)),
                        reinterpret_cast<LPARAM>(m_hWnd));
  });
  return button;
}
