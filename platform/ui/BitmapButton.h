#pragma once
// A push button that shows a picture for its up and its pressed state instead
// of a caption. Pictures are registered by name (the program registers its
// own); a button whose pictures are missing shows its caption as a plain
// push button would.

#include "platform/ui/Controls.h"

class QImage;

class CBitmapButton : public CButton {
  DECLARE_DYNAMIC(CBitmapButton)
public:
  CBitmapButton() = default;
  // Registers (or replaces) a picture under a name.
  static void RegisterBitmap(LPCTSTR name, const QImage& image);
  static BOOL HasBitmap(LPCTSTR name);
  // The pictures of the up and the pressed state; FALSE when the up picture
  // is not registered (the button keeps its caption).
  BOOL LoadBitmaps(LPCTSTR up, LPCTSTR down);
  const CString& GetUpName() const { return m_strUp; }
  const CString& GetDownName() const { return m_strDown; }

protected:
  QWidget* CreateWidget(QWidget* pParent) override;

private:
  CString m_strUp;
  CString m_strDown;
};
