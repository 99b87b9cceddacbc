// What a window of ours paints, by WM_PRINTCLIENT into a memory bitmap: the
// null driver keeps no screen to read back.
#pragma once

#include "framework/Controls.h"

#include <windows.h>

#include <functional>
#include <vector>

struct Shot {
  int width, height;
  std::vector<COLORREF> pixels;

  explicit Shot(TWinControl* control) {
    RECT r;
    GetClientRect(control->Handle(), &r);
    width = r.right;
    height = r.bottom;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(nullptr, screen);
    SendMessageA(control->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    for (int i = 0; i < width * height; ++i) pixels.push_back(GetPixel(dc, i % width, i / width));
    DeleteObject(SelectObject(dc, old));
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const { return pixels[y * width + x]; }
  // The pixels of r that match.
  int Count(const RECT& r, const std::function<bool(COLORREF)>& match) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) n += match(At(x, y));
    }
    return n;
  }
};
