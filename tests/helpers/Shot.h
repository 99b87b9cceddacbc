// What a window of ours paints, by WM_PRINTCLIENT into a memory bitmap: the
// null driver keeps no screen to read back.
#pragma once

#include "framework/Controls.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

struct Shot {
  int width, height;
  std::vector<COLORREF> pixels;

  // With PRF_ERASEBKGND in flags the window's background is painted first.
  explicit Shot(TWinControl* control, UINT flags = PRF_CLIENT) {
    RECT r;
    GetClientRect(control->Handle(), &r);
    width = r.right;
    height = r.bottom;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(nullptr, screen);
    SendMessageA(control->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), flags);
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
  int Count(COLORREF color) const {
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), color));
  }
  // The box around the pixels that match; {width, height, 0, 0} for none.
  RECT Box(const std::function<bool(COLORREF)>& match) const {
    RECT box{width, height, 0, 0};
    for (int i = 0; i < width * height; ++i) {
      if (!match(pixels[i])) continue;
      const LONG x = i % width, y = i / width;
      box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
             std::max(box.bottom, y + 1)};
    }
    return box;
  }
  // Around the pixels of one colour.
  RECT Box(COLORREF color) const {
    return Box([color](COLORREF c) { return c == color; });
  }
  // Around what is not background.
  RECT Ink(COLORREF background) const {
    return Box([background](COLORREF c) { return c != background; });
  }
};
