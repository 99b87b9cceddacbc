// The tools a top window's tooltips hold, read back from the platform's
// tooltip window.
#pragma once

#include "framework/Sysutils.h"

#include <windows.h>

#include <vector>

struct Tool {
  HWND owner;      // the window the tool is in
  UINT_PTR id;     // a window's handle, or the id of a rectangle
  bool window;     // TTF_IDISHWND
  RECT rect;       // of a rectangle, in owner's client coordinates
  String text;
};

// Every tool of the tooltip windows top owns.
std::vector<Tool> ToolsOf(HWND top);
// The text of the tool for a window (or rectangle id), "-" for none.
String ToolText(HWND top, UINT_PTR id);
