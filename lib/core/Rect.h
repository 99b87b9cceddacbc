// The library's rectangle: the platform's, four signed 32-bit coordinates
// in the same order, with constructors.
#pragma once

#include "framework/Wintypes.h"

#include <cstdint>

struct kxRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;

  kxRect() = default;
  kxRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  kxRect(const RECT& rect);
  // The platform's rectangle with the same coordinates.
  operator RECT() const;
};
static_assert(sizeof(kxRect) == sizeof(RECT), "the platform's layout, nothing added");
