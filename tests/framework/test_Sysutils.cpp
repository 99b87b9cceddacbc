#include "framework/Sysutils.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(StrToInt, AcceptsDecimalHexAndSigns) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("  -17"), -17);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
}

TEST(StrToInt, RejectsEverythingElse) {
  for (const char* bad : {"", " ", "12 ", "1a", "abc", "$", "0x", "+", "2147483648",
                          "-2147483649", "$100000000", "\t1"}) {
    EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
    EXPECT_EQ(StrToIntDef(bad, -7), -7) << bad;
  }
  try {
    StrToInt("x1");
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'x1' is not a valid integer value");
  }
}

TEST(Sysutils, TextHelpers) {
  EXPECT_EQ(IntToStr(-12), "-12");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(Trim("  a b \t"), "a b");
  EXPECT_EQ(Trim("   "), "");
  // The trail bytes of ソ (83 5C) and ア (83 41) must not be case-mapped.
  EXPECT_EQ(LowerCase("ABCア"), "abcア");
  EXPECT_EQ(UpperCase("abcア"), "ABCア");
  EXPECT_EQ(CompareText("Readme.TXT", "README.txt"), 0);
  EXPECT_LT(CompareText("a", "B"), 0);
}

TEST(Sysutils, TextBuffers) {
  char* empty = StrAlloc(16);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], '\0');
  EXPECT_EQ(StrBufSize(empty), 16u);
  // The whole block is the caller's to fill.
  std::memset(empty, 'x', 15);
  empty[15] = '\0';
  EXPECT_EQ(std::strlen(empty), 15u);
  StrDispose(empty);

  char* copy = StrNew("画像");
  EXPECT_STREQ(copy, "画像");
  EXPECT_EQ(StrBufSize(copy), std::strlen("画像") + 1);
  StrDispose(copy);

  EXPECT_EQ(StrNew(nullptr), nullptr);
  EXPECT_EQ(StrBufSize(nullptr), 0u);
  StrDispose(nullptr);
  char* zero = StrAlloc(0);
  EXPECT_EQ(zero[0], '\0');
  StrDispose(zero);
}
