// The settings sheet of command 32837: the about page at the root, then the
// guide-line, grid and system pages.
#pragma once

#include <functional>

class CQvPropertySheet;

namespace korvel {

// Registers the templates of the sheet's pages.
void RegisterSettingsPages();
// Runs the sheet modally; the grid page starts from the work area's grid.
// onReady, when given, sees the sheet after its pages were added and before it
// runs (tests reach the pages through it).
int RunSettingsSheet(const std::function<void(CQvPropertySheet&)>& onReady = {});

}  // namespace korvel
