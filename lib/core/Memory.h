// Word search in memory.
#pragma once

#include <cstddef>
#include <cstdint>

// The first of count 32-bit words equal to value, going up from words (or
// down, when backward); null if none matches.
const uint32_t* FindLong(const uint32_t* words, uint32_t value, size_t count, bool backward);
