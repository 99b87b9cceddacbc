#include "lib/core/Memory.h"

#include <gtest/gtest.h>

TEST(FindLong, ForwardBackwardAndBounds) {
  const uint32_t words[] = {5, 7, 9, 7, 11};
  EXPECT_EQ(FindLong(words, 7, 5, false), &words[1]);
  EXPECT_EQ(FindLong(&words[4], 7, 5, true), &words[3]);
  EXPECT_EQ(FindLong(&words[4], 5, 5, true), &words[0]);
  EXPECT_EQ(FindLong(words, 11, 4, false), nullptr);  // just past the count
  EXPECT_EQ(FindLong(&words[4], 5, 4, true), nullptr);
  EXPECT_EQ(FindLong(words, 5, 0, false), nullptr);
}
