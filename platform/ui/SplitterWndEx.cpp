#include "platform/ui/SplitterWndEx.h"

IMPLEMENT_DYNAMIC(CSplitterWndEx, CSplitterWnd)
