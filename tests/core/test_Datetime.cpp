#include "lib/core/Datetime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

namespace {

SYSTEMTIME MakeSystemTime(int y, int mo, int d, int h, int mi, int s, int ms) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(y);
  time.wMonth = static_cast<WORD>(mo);
  time.wDay = static_cast<WORD>(d);
  time.wDayOfWeek = 3;  // deliberately wrong: never read
  time.wHour = static_cast<WORD>(h);
  time.wMinute = static_cast<WORD>(mi);
  time.wSecond = static_cast<WORD>(s);
  time.wMilliseconds = static_cast<WORD>(ms);
  return time;
}

}  // namespace

TEST(kxDateTime, LayoutIsDateThenTime) {
  kxDateTime value(kxDate(1998, 12, 7), kxTime(9, 5, 3, 7));
  unsigned char bytes[sizeof(kxDateTime)];
  std::memcpy(bytes, &value, sizeof value);
  const unsigned char expected[] = {1998 & 0xFF, 1998 >> 8, 12, 7, 9, 5, 3};
  EXPECT_EQ(std::memcmp(bytes, expected, sizeof expected), 0);
  EXPECT_EQ(bytes[8] | bytes[9] << 8, 7);
}

TEST(kxDateTime, SystemTimeBothWays) {
  kxDateTime value(MakeSystemTime(1998, 12, 7, 9, 5, 3, 7));
  EXPECT_EQ(value.ToText(), "1998/12/07 09:05:03.007");
  SYSTEMTIME back = value.ToSystemTime();
  EXPECT_EQ(back.wYear, 1998);
  EXPECT_EQ(back.wMonth, 12);
  EXPECT_EQ(back.wDay, 7);
  EXPECT_EQ(back.wDayOfWeek, 1);  // computed from the date: a Monday
  EXPECT_EQ(back.wHour, 9);
  EXPECT_EQ(back.wMinute, 5);
  EXPECT_EQ(back.wSecond, 3);
  EXPECT_EQ(back.wMilliseconds, 7);

  // The weekday follows the date over a whole stretch of years.
  for (int32_t n = DateToDays(1990, 1, 1); n < DateToDays(2030, 1, 1); n += 13) {
    kxDateTime day(kxDate(n), kxTime(0, 0, 0, 0));
    ASSERT_EQ(day.ToSystemTime().wDayOfWeek, DayOfWeek(day.ToDateTime()) - 1) << day.ToText();
  }

  // Nothing is checked on the way out: the platform conversion rejects it.
  kxDateTime bad(kxDate(1998, 13, 40), kxTime(24, 75, 0, 0));
  SYSTEMTIME raw = bad.ToSystemTime();
  EXPECT_EQ(raw.wMonth, 13);
  EXPECT_EQ(raw.wDay, 40);
  EXPECT_EQ(raw.wHour, 24);
  EXPECT_EQ(raw.wMinute, 75);
}

TEST(kxDateTime, FromTextReadsDateThenTime) {
  struct Case {
    const char* text;
    const char* date;
    const char* time;
    int consumed;
  };
  const Case cases[] = {
      {"1998/12/07 09:05:03", "1998/12/07", "09:05:03", 19},
      {"1998/12/07", "1998/12/07", "00:00:00", 10},
      {"", "", "00:00:00", 0},
      {"H10/12/7 PM 1:02", "1998/12/07", "13:02:00", 16},
      {"1998/12 10:00", "1998/12", "10:00:00", 13},
      {"  平成10/1/2\t23:59:59.999", "1998/01/02", "23:59:59.999", 25},
  };
  for (const Case& c : cases) {
    kxDateTime value(kxDate(1, 2, 3), kxTime(4, 5, 6, 7));
    const char* end = value.FromText(c.text);
    EXPECT_EQ(value.Date.ToText(), c.date) << c.text;
    EXPECT_EQ(value.Time.ToText(), c.time) << c.text;
    EXPECT_EQ(end - c.text, c.consumed) << c.text;
  }
  // A part too large for its field refuses the whole text.
  for (const char* text : {"1998/12/0709:05", "1998/12/07 265:00"}) {
    kxDateTime value(kxDate(1, 2, 3), kxTime(4, 5, 6, 7));
    EXPECT_EQ(value.FromText(text), nullptr) << text;
    EXPECT_EQ(value.ToText(), " 00:00:00") << text;
  }
  // Texts the value writes read back the same.
  for (int32_t n = DateToDays(1899, 12, 31); n < DateToDays(2100, 1, 1); n += 97) {
    kxDateTime value(kxDate(n), kxTime(n % 24, n % 60, n % 59, n % 1000));
    kxDateTime copy(kxDate(0, 0, 0), kxTime(0, 0, 0, 0));
    copy.FromText(value.ToText());
    ASSERT_EQ(copy.ToText(), value.ToText());
    ASSERT_FALSE(copy.Date != value.Date);
  }
}

TEST(kxDateTime, FormatHasNoGuard) {
  kxDateTime value(kxDate(1998, 12, 7), kxTime(9, 5, 3, 0));
  EXPECT_EQ(value.Format("yyyy/mm/dd"), "1998/12/07");
  EXPECT_EQ(value.Format("hh:nn:ss"), "09:05:03");
  EXPECT_EQ(value.Format("yy/mm/dd hh:nn:ss"), "98/12/07 09:05:03");
  EXPECT_DOUBLE_EQ(value.ToDateTime(), EncodeDate(1998, 12, 7) + EncodeTime(9, 5, 3, 0));

  // Unlike kxDate::Format, an incomplete date is an error here.
  kxDateTime incomplete(kxDate(1998, 12, 0), kxTime(9, 5, 3, 0));
  EXPECT_EQ(incomplete.Date.Format("yyyy/mm/dd"), "");
  EXPECT_THROW(incomplete.Format("yyyy/mm/dd"), EConvertError);
  kxDateTime lateHour(kxDate(1998, 12, 7), kxTime(24, 0, 0, 0));
  EXPECT_THROW(lateHour.Format("hh:nn:ss"), EConvertError);
}

TEST(kxDateTime, ToDateTimeKeepsTheDayBeforeOnAndAfter18991230) {
  const kxTime times[] = {kxTime(0, 0, 0, 0), kxTime(9, 0, 0, 0), kxTime(23, 59, 59, 999)};
  for (int32_t n = DateToDays(1899, 12, 20); n <= DateToDays(1900, 1, 10); ++n) {
    for (const kxTime& time : times) {
      const kxDateTime value(kxDate(n), time);
      ASSERT_EQ(value.Format("yyyy/mm/dd hh:nn:ss.zzz"),
                value.Date.Format("yyyy/mm/dd") + " " + time.Format("hh:nn:ss.zzz"));
    }
  }
  EXPECT_EQ(kxDateTime(kxDate(1800, 1, 1), kxTime(9, 0, 0, 0)).Format("yyyy/mm/dd hh:nn"),
            "1800/01/01 09:00");
}

TEST(kxDateTime, DefaultIsTodayAndNow) {
  SYSTEMTIME before;
  GetLocalTime(&before);
  kxDateTime now;
  SYSTEMTIME after;
  GetLocalTime(&after);
  kxDate first(before), last(after);
  EXPECT_FALSE(now.Date < first);
  EXPECT_FALSE(now.Date > last);
  // Start-up fills the fields with these two patterns: the clock's date
  // and a time between the two readings (the same day: texts compare).
  EXPECT_EQ(now.Format("yyyy/mm/dd").size(), 10u);
  if (before.wDay == after.wDay) {
    EXPECT_LE(kxTime(before).Format("hh:nn:ss"), now.Format("hh:nn:ss"));
    EXPECT_LE(now.Format("hh:nn:ss"), kxTime(after).Format("hh:nn:ss"));
  }
}

TEST(kxvValues, PersistentHoldersStartCleared) {
  static_assert(std::is_base_of_v<TPersistent, kxvDate>);
  static_assert(std::is_base_of_v<TPersistent, kxvTime>);
  static_assert(std::is_base_of_v<TPersistent, kxvDateTime>);
  kxvDate date;
  kxvTime time;
  kxvDateTime dateTime;
  EXPECT_EQ(date.Value.ToText(), "");
  EXPECT_EQ(time.Value.ToText(), "00:00:00");
  EXPECT_EQ(dateTime.Value.ToText(), " 00:00:00");
  // They add no copying of their own, so the framework refuses.
  kxvDate other;
  EXPECT_THROW(other.Assign(date), EConvertError);
}
