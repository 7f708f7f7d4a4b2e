#pragma once
// The Qt application object behind the window classes.

// Makes sure a QApplication exists (tests and tools that never run AfxWinMain get
// one with an empty command line). Returns FALSE only when none could be made.
int AfxEnsureQtApplication();
