#include "platform/ui/QtApp.h"

#include <QApplication>

int AfxEnsureQtApplication() {
  if (QCoreApplication::instance() != nullptr) return 1;
  // QApplication keeps references to argc and argv for its whole life.
  static int argc = 1;
  static char name[] = "korvel";
  static char* argv[] = {name, nullptr};
  // Left alive until the process ends: windows may still refer to it from static objects.
  new QApplication(argc, argv);
  return QCoreApplication::instance() != nullptr ? 1 : 0;
}
