#include "platform/ui/Prompt.h"

#include "platform/ui/Dialog.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Menu.h"

#include "platform/ui/QtApp.h"
#include "platform/ui/QtConvert.h"
#include "platform/ui/Resources.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPageSetupDialog>

namespace {

// "Name (*.a)|*.a|All (*.*)|*.*||" becomes "Name (*.a);;All (*)".
QString ToQtFilter(const CString& filter) {
  const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
  QStringList result;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1String("*.*"), QLatin1String("*")).replace(QLatin1Char(';'), QLatin1Char(' '));
    QString name = parts[i];
    if (!name.contains(QLatin1Char('('))) name += QLatin1String(" (") + patterns + QLatin1Char(')');
    result << name;
  }
  return result.join(QLatin1String(";;"));
}

class CQtPrompt : public CPromptService {
public:
  int MessageBox(const CString& strText, const CString& strCaption, UINT nType) override {
    if (!AfxEnsureQtApplication()) return IDCANCEL;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (nType & MB_TYPEMASK) {
      case MB_OKCANCEL: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
      case MB_YESNOCANCEL: buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
      case MB_YESNO: buttons = QMessageBox::Yes | QMessageBox::No; break;
      default: break;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (nType & 0xF0) {
      case MB_ICONERROR: icon = QMessageBox::Critical; break;
      case MB_ICONQUESTION: icon = QMessageBox::Question; break;
      case MB_ICONWARNING: icon = QMessageBox::Warning; break;
      case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
      default: break;
    }
    QMessageBox box(icon, ToQString(strCaption), ToQString(strText), buttons, QApplication::activeWindow());
    switch (box.exec()) {
      case QMessageBox::Ok: return IDOK;
      case QMessageBox::Yes: return IDYES;
      case QMessageBox::No: return IDNO;
      default: return (nType & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
    }
  }

  BOOL ChooseFiles(const CFileDialogRequest& request, CFileDialogAnswer& rAnswer) override {
    if (!AfxEnsureQtApplication()) return FALSE;
    const QString filter = ToQtFilter(request.strFilter);
    QFileDialog dialog(QApplication::activeWindow(), ToQString(request.strTitle), QString(), filter);
    dialog.setAcceptMode(request.bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    const bool multiple = request.bOpen && (request.dwFlags & OFN_ALLOWMULTISELECT) != 0;
    dialog.setFileMode(!request.bOpen ? QFileDialog::AnyFile
                                      : (multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile));
    if (!request.strDefExt.IsEmpty()) dialog.setDefaultSuffix(ToQString(request.strDefExt));
    if (!request.strFileName.IsEmpty()) dialog.selectFile(ToQString(request.strFileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return FALSE;
    rAnswer.paths.clear();
    for (const QString& file : dialog.selectedFiles()) rAnswer.paths.push_back(FromQString(file));
    const int index = filter.split(QLatin1String(";;")).indexOf(dialog.selectedNameFilter());
    rAnswer.nFilterIndex = index >= 0 ? index + 1 : 1;
    return TRUE;
  }
};

void FillQMenu(QMenu* pMenu, const std::vector<CMenuChoiceItem>& items) {
  for (const CMenuChoiceItem& item : items) {
    if (!item.subItems.empty()) {
      FillQMenu(pMenu->addMenu(ToQString(item.strText)), item.subItems);
    } else if ((item.nFlags & MF_SEPARATOR) != 0) {
      pMenu->addSeparator();
    } else {
      QAction* pAction = pMenu->addAction(ToQString(item.strText));
      pAction->setData(item.nID);
      pAction->setEnabled((item.nFlags & (MF_GRAYED | MF_DISABLED)) == 0);
      pAction->setCheckable((item.nFlags & MF_CHECKED) != 0);
      pAction->setChecked((item.nFlags & MF_CHECKED) != 0);
    }
  }
}

CQtPrompt& DefaultPrompt() {
  static CQtPrompt prompt;
  return prompt;
}

CPromptService* g_pPrompt = nullptr;

}  // namespace

BOOL CPromptService::ChooseFile(const CFileDialogRequest& request, CString& rPath) {
  CFileDialogAnswer answer;
  if (!ChooseFiles(request, answer) || answer.paths.empty()) return FALSE;
  rPath = answer.paths.front();
  return TRUE;
}

INT_PTR CPromptService::RunModalDialog(CDialog& dialog) { return dialog.RunModalLoop(); }

UINT CPromptService::ChooseMenuItem(const std::vector<CMenuChoiceItem>& items, POINT ptScreen) {
  if (!AfxEnsureQtApplication()) return 0;
  QMenu menu;
  FillQMenu(&menu, items);
  QAction* pChosen = menu.exec(QPoint(ptScreen.x, ptScreen.y));
  return pChosen != nullptr ? pChosen->data().toUInt() : 0;
}

CPromptService* AfxGetPromptService() { return g_pPrompt != nullptr ? g_pPrompt : &DefaultPrompt(); }

CPromptService* AfxSetPromptService(CPromptService* pService) {
  CPromptService* pOld = AfxGetPromptService();
  g_pPrompt = pService;
  return pOld;
}

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT) {
  CString caption;
  if (!AfxLoadString(AFX_IDS_APP_TITLE, caption)) caption = L"Korvel";
  return AfxGetPromptService()->MessageBox(CString(lpszText), caption, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
  CString text;
  if (!AfxLoadString(nIDPrompt, text)) text.Format(L"#%u", nIDPrompt);
  return AfxMessageBox(text, nType, nIDHelp);
}

BOOL CPromptService::ChooseColor(COLORREF& rColour) {
  const QColor start(GetRValue(rColour), GetGValue(rColour), GetBValue(rColour));
  const QColor chosen = QColorDialog::getColor(start, QApplication::activeWindow());
  if (!chosen.isValid()) return FALSE;
  rColour = RGB(chosen.red(), chosen.green(), chosen.blue());
  return TRUE;
}

BOOL CPromptService::PageSetup(QPrinter* pPrinter) {
  if (pPrinter == nullptr) return FALSE;
  QPageSetupDialog dialog(pPrinter, QApplication::activeWindow());
  return dialog.exec() == QDialog::Accepted ? TRUE : FALSE;
}
