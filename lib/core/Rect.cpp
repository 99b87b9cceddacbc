#include "lib/core/Rect.h"

kxRect::kxRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
    : Left(left), Top(top), Right(right), Bottom(bottom) {}

kxRect::kxRect(const RECT& rect) : kxRect(rect.left, rect.top, rect.right, rect.bottom) {}

kxRect::operator RECT() const { return RECT{Left, Top, Right, Bottom}; }
