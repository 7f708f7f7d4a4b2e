// The program's resources: texts, the main menu and accelerators, the splash
// dialog template and its picture. Registered once at start-up.
#pragma once

class QImage;

namespace korvel {

// The splash picture at the given pixel size.
QImage MakeSplashImage(int width, int height);

// Idempotent: registering again replaces the same entries.
void RegisterKorvelResources();

}  // namespace korvel
