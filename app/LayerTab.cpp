#include "app/LayerTab.h"

IMPLEMENT_DYNCREATE(CQvWndTab, CWnd)
