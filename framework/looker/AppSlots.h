// Process-wide slots of the program's main objects and the folders and small
// services of the application side of the settings library. The objects are
// owned elsewhere; a slot only holds the pointer that was published last.
#pragma once

#include "framework/numerak/Box.h"

#include "platform/core/DC.h"
#include "platform/core/WinString.h"

class CDocument;
class CFrameWnd;
class CView;
class CRelayon;
class CDesignCentral;
class CSelector;
class COpenGLDC;
class CConstraintMgr;

void gSetDocument(CDocument* doc);
CDocument* gGetDocument();
void gSetMainFrame(CFrameWnd* frame);
CFrameWnd* gGetMainFrame();
void gSetView(CView* view);
CView* gGetView();
void gSetRelayon(CRelayon* hub);
CRelayon* gGetRelayon();
void gSetPaneDCenter(CDesignCentral* pane);
CDesignCentral* gGetPaneDCenter();
void gSetSelector(CSelector* selector);
CSelector* gGetSelector();
void gSetOpenGLDC(COpenGLDC* dc);
COpenGLDC* gGetOpenGLDC();
void gSetConstraintMgr(CConstraintMgr* mgr);
CConstraintMgr* gGetConstraintMgr();

// Name and version of the program, e.g. "Korvel V11".
CString gGetAppVerName();
// Folders, each ending with '/': the application-data folder
// ($XDG_CONFIG_HOME/korvel/, else $HOME/.config/korvel/; created when missing),
// the folder of the running executable, and the help file's path.
CString gGetAppDataDir();
CString gGetApplicationPath();
CString gGetHelpFilePath();

// Current drawing colour of new entities.
void gSetCurColor(COLORREF colour);
COLORREF gGetCurColor();

// Draws the outline of the pixel rectangle with an exclusive-or pen, so that
// drawing it twice restores the screen.
void gDrawBox(CDC* dc, int left, int top, int right, int bottom);
// Exclusive-or outline of a world box through the current view object, in the
// colour (drawing it twice restores the screen). Mode 3 is the rubber band
// (dotted); other modes draw solid. Nothing without a view object.
void gDrawBox(CDC* dc, int mode, const BOX2<double>& box, COLORREF colour);

// Millimetres to the current length unit of the settings (millimetres when
// there is no settings object), and back.
double MM2CUR(double mm);
double CUR2MM(double value);

namespace looker::testing {

// Empties every slot above and puts the current colour back to its default.
void ResetAppSlots();

}  // namespace looker::testing
