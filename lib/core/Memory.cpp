#include "lib/core/Memory.h"

const uint32_t* FindLong(const uint32_t* words, uint32_t value, size_t count, bool backward) {
  for (size_t i = 0; i < count; ++i) {
    const uint32_t* word = backward ? words - i : words + i;
    if (*word == value) return word;
  }
  return nullptr;
}
