#include "lib/core/Kxstring.h"

#include <gtest/gtest.h>

namespace {

struct FloatCase {
  const char* text;
  long double value;
  int consumed;
};

}  // namespace

TEST(ScanFloat, SignsSeparatorsAndCursor) {
  const FloatCase cases[] = {
      {"  -1,234.5x", -1234.5L, 10}, {"+ 12", 12, 4},  {"12.", 12, 3},  {".5", 0.5L, 2},
      {"abc", 0, 0},                 {"- x", 0, 2},    {"1,2,3", 123, 5}, {"3.25e2", 3.25L, 4},
      {"\t7", 7, 2},
  };
  for (const auto& c : cases) {
    const char* cursor = c.text;
    EXPECT_NEAR(static_cast<double>(ScanFloat(cursor)), static_cast<double>(c.value), 1e-12)
        << c.text;
    EXPECT_EQ(cursor - c.text, c.consumed) << c.text;
  }
  EXPECT_DOUBLE_EQ(TextToFloat(String("2.5 rest")), 2.5);
}

TEST(ScanHexAndInt, DigitsSignsAndWrap) {
  const char* text = "ff";
  EXPECT_EQ(ScanHex(text), 255);
  text = "-1A";
  EXPECT_EQ(ScanHex(text), -26);
  text = "0x10";
  EXPECT_EQ(ScanHex(text), 0);
  EXPECT_EQ(*text, 'x');
  text = "  42abc";
  EXPECT_EQ(ScanInt(text), 42);
  EXPECT_EQ(*text, 'a');
  text = "abc";
  EXPECT_EQ(ScanInt(text), 0);
  EXPECT_EQ(*text, 'a');
  text = "- 5";
  EXPECT_EQ(ScanInt(text), -5);
  text = "1,000";  // no thousands separators in integers
  EXPECT_EQ(ScanInt(text), 1);
  text = "4294967297";  // wraps in 32 bits
  EXPECT_EQ(ScanInt(text), 1);
  EXPECT_EQ(TextToHex("FFFFFFFF"), -1);
  EXPECT_EQ(TextToHex(String("7fffffff")), INT32_MAX);
  EXPECT_STREQ(SkipSpaces(" \t x"), "x");
}
