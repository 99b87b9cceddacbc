#include "tests/helpers/Tooltips.h"

#include <commctrl.h>

namespace {

struct Search {
  HWND top;
  std::vector<Tool> tools;
};

// A tooltip window top owns (a tree view's own among them): its tools.
BOOL CALLBACK ReadTips(HWND hwnd, LPARAM search) {
  auto* s = reinterpret_cast<Search*>(search);
  char name[32] = "";
  GetClassNameA(hwnd, name, sizeof name);
  if (lstrcmpiA(name, TOOLTIPS_CLASSA) != 0 || GetWindow(hwnd, GW_OWNER) != s->top) return TRUE;
  for (int i = 0;; ++i) {
    char text[256] = "";
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.lpszText = text;
    if (!SendMessageA(hwnd, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&info))) break;
    const bool window = (info.uFlags & TTF_IDISHWND) != 0;
    s->tools.push_back(Tool{info.hwnd, info.uId, window, info.rect, text});
  }
  return TRUE;
}

}  // namespace

std::vector<Tool> ToolsOf(HWND top) {
  Search search{top, {}};
  EnumThreadWindows(GetCurrentThreadId(), ReadTips, reinterpret_cast<LPARAM>(&search));
  return search.tools;
}

String ToolText(HWND top, UINT_PTR id) {
  for (const Tool& tool : ToolsOf(top)) {
    if (tool.id == id) return tool.text;
  }
  return "-";
}
