#include "framework/Locale.h"

#include <gtest/gtest.h>

// The Japanese locale the program runs in (code page 932).
TEST(Locale, JapaneseValuesFromThePlatform) {
  EXPECT_EQ(DateSeparator(), '/');
  EXPECT_EQ(TimeSeparator(), ':');
  EXPECT_EQ(ThousandSeparator(), ',');
  EXPECT_EQ(DecimalSeparator(), '.');
  EXPECT_EQ(TimeAMString(), "午前");
  EXPECT_EQ(TimePMString(), "午後");
  EXPECT_EQ(ShortDayName(0), "日");
  EXPECT_EQ(ShortDayName(6), "土");
  // The platform's "M" for months comes out as FormatDateTime's "m".
  EXPECT_EQ(ShortDateFormat().substr(0, 6), "yyyy/m");
  EXPECT_EQ(ShortDateFormat().find('M'), String::npos);
  EXPECT_TRUE(IsLeadByte(0x83));
  EXPECT_TRUE(IsLeadByte(0xE0));
  EXPECT_FALSE(IsLeadByte('A'));
  EXPECT_FALSE(IsLeadByte(0xA6));  // half-width katakana are single bytes
}
