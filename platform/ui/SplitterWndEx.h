#pragma once
// Splitter of the feature pack; lays out and behaves as the static splitter here.

#include "platform/ui/SplitterWnd.h"

class CSplitterWndEx : public CSplitterWnd {
  DECLARE_DYNAMIC(CSplitterWndEx)
public:
  CSplitterWndEx() = default;
};
