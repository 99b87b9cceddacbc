#include "lib/core/Date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct DateCase {
  const char* text;
  unsigned year, month, day;
  int consumed;
};

struct TimeCase {
  const char* text;
  unsigned hour, minute, second, millisecond;
  int consumed;
};

struct DateTextCase {
  int year, month, day;
  bool withEra;
  const char* text;
};

// Weekday of the framework's own (Gregorian) encoding, 0 = Sunday.
int GregorianWeekday(int y, int m, int d) { return DayOfWeek(EncodeDate(y, m, d)) - 1; }

}  // namespace

// ---------------------------------------------------------------------------
// Leap rule and day numbers

TEST(Calendar, LeapRuleUsesThousandNotFourHundred) {
  for (int year : {4, 1996, 2000, 1000, 3000, 2004}) EXPECT_TRUE(IsLeapYear(year)) << year;
  for (int year : {1, 1900, 2100, 1600, 2400, 1998, 1700}) EXPECT_FALSE(IsLeapYear(year)) << year;
  EXPECT_EQ(DaysInFebruary(2000), 29);
  EXPECT_EQ(DaysInFebruary(1600), 28);
  EXPECT_EQ(DaysInMonth(2400, 2), 28);
  EXPECT_EQ(DaysInMonth(1000, 2), 29);
  // Within 1601..2399 the rule is the Gregorian one.
  for (int year = 1601; year <= 2399; ++year)
    ASSERT_EQ(IsLeapYear(year), IsGregorianLeapYear(year)) << year;
  const int lengths[] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31, 0};
  for (int month = 0; month <= 13; ++month) EXPECT_EQ(DaysInMonth(1998, month), lengths[month]);
  EXPECT_EQ(DaysInMonth(1998, -1), 0);
}

TEST(Calendar, KnownDayNumbersAndWeekdays) {
  EXPECT_EQ(DateToDays(1, 1, 1), 0);
  EXPECT_EQ(DateToDays(1998, 1, 1), 729386);
  EXPECT_EQ(DateToDays(2000, 1, 1), 730116);
  EXPECT_EQ(DayOfWeekOf(1998, 1, 1), 4);  // Thursday
  EXPECT_EQ(DayOfWeekOf(2000, 1, 1), 6);  // Saturday
  EXPECT_EQ(DayOfWeekOf(1998, 12, 7), 1);
  // Month 13 runs on into the next year rather than reading past the table.
  EXPECT_EQ(DateToDays(1998, 13, 1), DateToDays(1999, 1, 1));
  EXPECT_EQ(DateToDays(1998, 0, 1), DateToDays(1998, 1, 1));
  uint16_t year = 0;
  uint8_t month = 0, day = 0;
  EXPECT_EQ(DaysToDate(729386, &year, &month, &day), 4);
  EXPECT_EQ(year, 1998);
  EXPECT_EQ(month, 1);
  EXPECT_EQ(day, 1);
  EXPECT_EQ(DaysToDate(730116, nullptr, nullptr, nullptr), 6);
  for (int32_t n = -14; n < 0; ++n) {
    int weekday = DaysToDate(n, nullptr, nullptr, nullptr);
    EXPECT_GE(weekday, 0);
    EXPECT_LT(weekday, 7);
  }
}

// Every date of years 1..9999: consecutive day numbers, exact round trip
// through the year estimate, and in 1601..2399 the true weekday and the same
// distances as the framework's Gregorian encoding.
TEST(Calendar, EveryDateRoundTrips) {
  int32_t expected = 0;
  int failures = 0;
  for (int y = 1; y <= 9999 && failures < 5; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInMonth(y, m); ++d, ++expected) {
        int32_t n = DateToDays(y, m, d);
        uint16_t year = 0;
        uint8_t month = 0, day = 0;
        int weekday = DaysToDate(n, &year, &month, &day);
        if (n != expected || year != y || month != m || day != d || weekday != (n + 4) % 7) {
          ADD_FAILURE() << y << "-" << m << "-" << d << " day " << n << " -> " << year << "-"
                        << int(month) << "-" << int(day);
          ++failures;
        }
      }
    }
  }
  EXPECT_EQ(expected, DateToDays(10000, 1, 1));
  const TDateTime base = EncodeDate(1601, 1, 1);
  const int32_t baseDays = DateToDays(1601, 1, 1);
  for (int y = 1601; y <= 2399; ++y) {
    for (int m = 1; m <= 12; ++m) {
      int last = DaysInMonth(y, m);
      ASSERT_EQ(DateToDays(y, m, last) - baseDays,
                static_cast<int32_t>(std::lround(EncodeDate(y, m, last) - base)))
          << y << "-" << m;
      ASSERT_EQ(DayOfWeekOf(y, m, last), GregorianWeekday(y, m, last)) << y << "-" << m;
    }
  }
}

TEST(Calendar, SixteenBitVariantClearsHighBytes) {
  for (int32_t n : {0, 729386, DateToDays(2000, 2, 29), DateToDays(9999, 12, 31)}) {
    uint16_t year8 = 0, year16 = 0xFFFF, month16 = 0xFFFF, day16 = 0xFFFF;
    uint8_t month8 = 0, day8 = 0;
    int weekday8 = DaysToDate(n, &year8, &month8, &day8);
    EXPECT_EQ(DaysToDate(n, &year16, month16, day16), weekday8);
    EXPECT_EQ(year16, year8);
    EXPECT_EQ(month16, month8);
    EXPECT_EQ(day16, day8);
  }
  uint16_t month = 0xABCD, day = 0xABCD;
  DaysToDate(DateToDays(1998, 12, 7), nullptr, month, day);
  EXPECT_EQ(month, 12);
  EXPECT_EQ(day, 7);
}

// ---------------------------------------------------------------------------
// Month and day steps

TEST(Calendar, MonthStepsGoThroughDayNumbers) {
  struct Step {
    int y, m, d;
    bool forward;
    int ry, rm, rd;
  };
  const Step steps[] = {
      {1998, 1, 15, true, 1998, 2, 15},  {1998, 1, 31, true, 1998, 3, 3},
      {2000, 1, 31, true, 2000, 3, 2},   {1998, 12, 31, true, 1999, 1, 31},
      {1998, 3, 15, false, 1998, 2, 15}, {1998, 3, 31, false, 1998, 3, 3},
      {1998, 1, 15, false, 1997, 12, 15}, {2000, 3, 31, false, 2000, 3, 2},
  };
  for (const Step& s : steps) {
    uint16_t y = static_cast<uint16_t>(s.y);
    uint8_t m = static_cast<uint8_t>(s.m), d = static_cast<uint8_t>(s.d);
    int weekday = s.forward ? StepMonthForward(y, m, d) : StepMonthBack(y, m, d);
    EXPECT_EQ(y, s.ry) << s.y << "-" << s.m << "-" << s.d << (s.forward ? " +" : " -");
    EXPECT_EQ(m, s.rm) << s.y << "-" << s.m << "-" << s.d;
    EXPECT_EQ(d, s.rd) << s.y << "-" << s.m << "-" << s.d;
    EXPECT_EQ(weekday, DayOfWeekOf(s.ry, s.rm, s.rd));
  }
  // From the first of a month, forward and back again are inverse.
  for (int year = 1900; year <= 2100; ++year) {
    for (int month = 1; month <= 12; ++month) {
      uint16_t y = static_cast<uint16_t>(year);
      uint8_t m = static_cast<uint8_t>(month), d = 1;
      StepMonthForward(y, m, d);
      ASSERT_EQ(d, 1);
      ASSERT_EQ(m, month % 12 + 1);
      StepMonthBack(y, m, d);
      ASSERT_EQ(y, year);
      ASSERT_EQ(m, month);
      ASSERT_EQ(d, 1);
    }
  }
}

TEST(Calendar, StepDayBackCrossesMonthAndYear) {
  uint16_t y = 1998;
  uint8_t m = 1, d = 1;
  EXPECT_EQ(StepDayBack(y, m, d), DateToDays(1997, 12, 31));
  EXPECT_EQ(y, 1997);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(d, 31);
  y = 2000, m = 3, d = 1;
  EXPECT_EQ(StepDayBack(y, m, d), DateToDays(2000, 2, 29));
  EXPECT_EQ(d, 29);
}

// ---------------------------------------------------------------------------
// Holidays

TEST(Calendar, FixedHolidaysAndVernalEquinox) {
  const kxMonthDay expected[] = {{1, 1},  {1, 15}, {2, 11}, {3, 20},  {4, 29},
                                 {5, 3},  {5, 4},  {5, 5},  {7, 20},  {9, 15},
                                 {9, 23}, {10, 10}, {11, 3}, {11, 23}, {12, 23}};
  int count = 0;
  while (FixedHolidays[count].Month != 0) {
    ASSERT_LT(count, 15);
    EXPECT_EQ(FixedHolidays[count].Month, expected[count].Month) << count;
    EXPECT_EQ(FixedHolidays[count].Day, expected[count].Day) << count;
    ++count;
  }
  EXPECT_EQ(count, 15);
  EXPECT_EQ(FixedHolidays[15].Day, 0);
  for (int year : {1994, 1995, 1998, 1999}) {
    kxMonthDay day = VernalEquinoxDay(year);
    EXPECT_EQ(day.Month, 3) << year;
    EXPECT_EQ(day.Day, 21) << year;
  }
  for (int year : {1996, 1997, 2000, 2001}) {
    kxMonthDay day = VernalEquinoxDay(year);
    EXPECT_EQ(day.Month, 3) << year;
    EXPECT_EQ(day.Day, 20) << year;
  }
}

namespace {

// The national holidays of a year as the Cabinet Office lists them, written
// out by hand: substitute days as 振替休日, days between two as 国民の休日.
struct YearHolidays {
  int year;
  std::vector<std::tuple<int, int, std::string>> days;  // month, day, name
};

const YearHolidays kPublished[] = {
    {1989,
     {{1, 1, "元日"}, {1, 2, "振替休日"}, {1, 15, "成人の日"}, {1, 16, "振替休日"},
      {2, 11, "建国記念の日"}, {2, 24, "昭和天皇の大喪の礼"}, {3, 21, "春分の日"},
      {4, 29, "みどりの日"}, {5, 3, "憲法記念日"}, {5, 4, "国民の休日"}, {5, 5, "こどもの日"},
      {9, 15, "敬老の日"}, {9, 23, "秋分の日"}, {10, 10, "体育の日"}, {11, 3, "文化の日"},
      {11, 23, "勤労感謝の日"}, {12, 23, "天皇誕生日"}}},
    {2000,
     {{1, 1, "元日"}, {1, 10, "成人の日"}, {2, 11, "建国記念の日"}, {3, 20, "春分の日"},
      {4, 29, "みどりの日"}, {5, 3, "憲法記念日"}, {5, 4, "国民の休日"}, {5, 5, "こどもの日"},
      {7, 20, "海の日"}, {9, 15, "敬老の日"}, {9, 23, "秋分の日"}, {10, 9, "体育の日"},
      {11, 3, "文化の日"}, {11, 23, "勤労感謝の日"}, {12, 23, "天皇誕生日"}}},
    {2007,
     {{1, 1, "元日"}, {1, 8, "成人の日"}, {2, 11, "建国記念の日"}, {2, 12, "振替休日"},
      {3, 21, "春分の日"}, {4, 29, "昭和の日"}, {4, 30, "振替休日"}, {5, 3, "憲法記念日"},
      {5, 4, "みどりの日"}, {5, 5, "こどもの日"}, {7, 16, "海の日"}, {9, 17, "敬老の日"},
      {9, 23, "秋分の日"}, {9, 24, "振替休日"}, {10, 8, "体育の日"}, {11, 3, "文化の日"},
      {11, 23, "勤労感謝の日"}, {12, 23, "天皇誕生日"}, {12, 24, "振替休日"}}},
    {2019,
     {{1, 1, "元日"}, {1, 14, "成人の日"}, {2, 11, "建国記念の日"}, {3, 21, "春分の日"},
      {4, 29, "昭和の日"}, {4, 30, "国民の休日"}, {5, 1, "天皇の即位の日"}, {5, 2, "国民の休日"},
      {5, 3, "憲法記念日"}, {5, 4, "みどりの日"}, {5, 5, "こどもの日"}, {5, 6, "振替休日"},
      {7, 15, "海の日"}, {8, 11, "山の日"}, {8, 12, "振替休日"}, {9, 16, "敬老の日"},
      {9, 23, "秋分の日"}, {10, 14, "体育の日"}, {10, 22, "即位礼正殿の儀"}, {11, 3, "文化の日"},
      {11, 4, "振替休日"}, {11, 23, "勤労感謝の日"}}},
    {2020,
     {{1, 1, "元日"}, {1, 13, "成人の日"}, {2, 11, "建国記念の日"}, {2, 23, "天皇誕生日"},
      {2, 24, "振替休日"}, {3, 20, "春分の日"}, {4, 29, "昭和の日"}, {5, 3, "憲法記念日"},
      {5, 4, "みどりの日"}, {5, 5, "こどもの日"}, {5, 6, "振替休日"}, {7, 23, "海の日"},
      {7, 24, "スポーツの日"}, {8, 10, "山の日"}, {9, 21, "敬老の日"}, {9, 22, "秋分の日"},
      {11, 3, "文化の日"}, {11, 23, "勤労感謝の日"}}},
    {2021,
     {{1, 1, "元日"}, {1, 11, "成人の日"}, {2, 11, "建国記念の日"}, {2, 23, "天皇誕生日"},
      {3, 20, "春分の日"}, {4, 29, "昭和の日"}, {5, 3, "憲法記念日"}, {5, 4, "みどりの日"},
      {5, 5, "こどもの日"}, {7, 22, "海の日"}, {7, 23, "スポーツの日"}, {8, 8, "山の日"},
      {8, 9, "振替休日"}, {9, 20, "敬老の日"}, {9, 23, "秋分の日"}, {11, 3, "文化の日"},
      {11, 23, "勤労感謝の日"}}},
    {2026,
     {{1, 1, "元日"}, {1, 12, "成人の日"}, {2, 11, "建国記念の日"}, {2, 23, "天皇誕生日"},
      {3, 20, "春分の日"}, {4, 29, "昭和の日"}, {5, 3, "憲法記念日"}, {5, 4, "みどりの日"},
      {5, 5, "こどもの日"}, {5, 6, "振替休日"}, {7, 20, "海の日"}, {8, 11, "山の日"},
      {9, 21, "敬老の日"}, {9, 22, "国民の休日"}, {9, 23, "秋分の日"}, {10, 12, "スポーツの日"},
      {11, 3, "文化の日"}, {11, 23, "勤労感謝の日"}}},
};

std::string NameOf(int year, int month, int day) {
  const char* name = NationalHolidayName(year, month, day);
  return name ? name : "";
}

}  // namespace

TEST(NationalHoliday, EveryDayOfSevenYearsAsThePublishedListsHaveThem) {
  for (const YearHolidays& published : kPublished) {
    std::vector<std::tuple<int, int, std::string>> found;
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= DaysInMonth(published.year, month); ++day) {
        if (const char* name = NationalHolidayName(published.year, month, day)) {
          found.emplace_back(month, day, name);
          EXPECT_TRUE(IsNationalHoliday(published.year, month, day));
        }
      }
    }
    EXPECT_EQ(found, published.days) << published.year;
  }
}

TEST(NationalHoliday, EquinoxDaysOfTheObservatory) {
  const std::tuple<int, kxMonthDay> known[] = {
      {1991, {3, 21}}, {2023, {3, 21}}, {2026, {3, 20}}, {2012, {9, 22}},
      {2024, {9, 22}}, {2026, {9, 23}}, {1979, {9, 24}},
  };
  for (const auto& [year, expected] : known) {
    const kxMonthDay day =
        expected.Month == 3 ? VernalEquinoxDay(year) : AutumnalEquinoxDay(year);
    EXPECT_TRUE(day.Month == expected.Month && day.Day == expected.Day)
        << year << ": " << int(day.Month) << "/" << int(day.Day);
    EXPECT_EQ(NameOf(year, expected.Month, expected.Day),
              expected.Month == 3 ? "春分の日" : "秋分の日");
  }
  // September 24 every fourth year up to 1979, then the 23rd to 2011, then
  // the 22nd in leap years.
  for (int year = 1948; year <= 2044; ++year) {
    const int day = year <= 1979 ? (year % 4 == 3 ? 24 : 23)
                    : year <= 2011 ? 23
                                   : (year % 4 == 0 ? 22 : 23);
    EXPECT_EQ(AutumnalEquinoxDay(year).Day, day) << year;
  }
  // The century's last March 22 and its first March 20.
  EXPECT_EQ(VernalEquinoxDay(1923).Day, 22);
  EXPECT_EQ(VernalEquinoxDay(1956).Day, 21);
  EXPECT_EQ(VernalEquinoxDay(1960).Day, 20);
}

TEST(NationalHoliday, TheLawsDaysAndTheRulesOnTheirBoundaries) {
  const std::tuple<int, int, int, const char*> cases[] = {
      // The law's first day, 1948-07-20.
      {1948, 5, 3, ""}, {1948, 9, 23, "秋分の日"}, {1949, 1, 1, "元日"},
      {1949, 3, 21, "春分の日"}, {1949, 4, 29, "天皇誕生日"},
      {1965, 9, 15, ""}, {1966, 9, 15, "敬老の日"}, {1966, 2, 11, ""},
      {1967, 2, 11, "建国記念の日"}, {1959, 4, 10, "皇太子明仁親王の結婚の儀"},
      {1990, 11, 12, "即位礼正殿の儀"}, {1993, 6, 9, "皇太子徳仁親王の結婚の儀"},
      // Substitutes from 1973-04-12, the Monday only: 2/11 and 4/29 were Sundays.
      {1973, 2, 12, ""}, {1973, 4, 30, "振替休日"}, {1998, 5, 4, "振替休日"},
      {1998, 5, 6, ""},
      // From 2007 the first day that is none: 5/4 (2008) or 5/3 (2009) a Sunday.
      {2008, 5, 6, "振替休日"}, {2009, 5, 6, "振替休日"},
      // Days between two from 1986, but no Sunday until 2007.
      {1985, 5, 4, ""}, {1986, 5, 4, ""}, {1987, 5, 4, "振替休日"}, {1988, 5, 4, "国民の休日"},
      {2009, 9, 22, "国民の休日"},
      // Not dates.
      {2026, 2, 29, ""}, {2026, 13, 1, ""}, {2026, 1, 0, ""}, {2026, 0, 1, ""},
  };
  for (const auto& [year, month, day, name] : cases) {
    EXPECT_EQ(NameOf(year, month, day), name) << year << "-" << month << "-" << day;
  }
}

// ---------------------------------------------------------------------------
// Reading text

TEST(ParseDateText, ErasSeparatorsAndStops) {
  const DateCase cases[] = {
      {"", 0, 0, 0, 0},
      {"   ", 0, 0, 0, 3},
      {" \t", 0, 0, 0, 2},
      {"abc", 0, 0, 0, 0},
      {"1998/12/07", 1998, 12, 7, 10},
      {"1998/12", 1998, 12, 0, 7},
      {"1998/12 x", 1998, 12, 0, 8},
      {"1998 x", 1998, 0, 0, 5},
      {"98", 98, 0, 0, 2},
      {"1998/13/40", 1998, 13, 40, 10},
      {"1998/12/07 09:05", 1998, 12, 7, 10},
      {"\t1998\t/\t12\t/\t7x", 1998, 12, 7, 14},
      {"h10/1/2", 1998, 1, 2, 7},
      {"H 10 / 1 / 2", 1998, 1, 2, 12},
      {"平成10/1/2", 1998, 1, 2, 10},
      {"平成 10", 1998, 0, 0, 7},
      {"㍻10/1/2", 1998, 1, 2, 8},
      {"明治", 1867, 0, 0, 4},
      {"平成10 5", 1998, 0, 0, 7},
      {"S64/1/7", 1989, 1, 7, 7},
      {"s1", 1926, 0, 0, 2},
      {"T15/12/25", 1926, 12, 25, 9},
      {"m45/7/30", 1912, 7, 30, 8},
      {"M", 1867, 0, 0, 1},
      {"㍼20", 1945, 0, 0, 4},
      {"㍽1", 1912, 0, 0, 3},
      {"㍾1", 1868, 0, 0, 3},
      {"昭和20/8/15", 1945, 8, 15, 11},
      {"大正1", 1912, 0, 0, 5},
      {"/12/7", 0, 12, 7, 5},
      {"65535/255/255", 65535, 255, 255, 13},
  };
  for (const DateCase& c : cases) {
    uint16_t year = 0xFFFF;
    uint8_t month = 0xFF, day = 0xFF;
    const char* end = ParseDateText(c.text, &year, &month, &day);
    EXPECT_EQ(year, c.year) << c.text;
    EXPECT_EQ(month, c.month) << c.text;
    EXPECT_EQ(day, c.day) << c.text;
    EXPECT_EQ(end - c.text, c.consumed) << c.text;
  }
  const char* text = "1998/12/07";
  EXPECT_EQ(ParseDateText(text, nullptr, nullptr, nullptr), text + 10);
}

TEST(ParseDateText, ANumberTooLargeForItsFieldRefusesTheText) {
  for (const char* text : {"65536/1/1", "1998/257/7", "1998/12/263", "H65535", "1998/1/4294967297",
                           "1998/1/99999999999999999999"}) {
    uint16_t year = 1;
    uint8_t month = 1, day = 1;
    EXPECT_EQ(ParseDateText(text, &year, &month, &day), nullptr) << text;
    EXPECT_TRUE(year == 0 && month == 0 && day == 0) << text;
  }
}

TEST(ParseTimeText, MarkersCarriesAndStops) {
  const TimeCase cases[] = {
      {"", 0, 0, 0, 0, 0},
      {"09:05:03", 9, 5, 3, 0, 8},
      {"PM 1:02:03.5", 13, 2, 3, 5, 12},
      {"1:02:03 PM", 1, 2, 3, 0, 8},
      {"0:0:75", 0, 1, 15, 0, 6},
      {"1:30:00.1500", 1, 30, 1, 500, 12},
      {"PM12:00", 24, 0, 0, 0, 7},
      {"AM12:00", 12, 0, 0, 0, 7},
      {"23:75", 24, 15, 0, 0, 5},
      {"午後3:04", 15, 4, 0, 0, 8},
      {"午前 11", 11, 0, 0, 0, 7},
      {"am 5", 0, 0, 0, 0, 0},
      {"12 : 34 : 56 . 7", 12, 34, 56, 7, 16},
      {"12:34:56.789x", 12, 34, 56, 789, 12},
      {"12:34 x", 12, 34, 0, 0, 6},
      {"1:30.5", 1, 30, 0, 0, 4},
      {"99:99:99.99999", 100, 42, 18, 999, 14},
      {"255:59:59.999", 255, 59, 59, 999, 13},
      {"  7", 7, 0, 0, 0, 3},
  };
  for (const TimeCase& c : cases) {
    uint8_t hour = 0xFF, minute = 0xFF, second = 0xFF;
    uint16_t millisecond = 0xFFFF;
    const char* end = ParseTimeText(c.text, &hour, &minute, &second, &millisecond);
    EXPECT_EQ(hour, c.hour) << c.text;
    EXPECT_EQ(minute, c.minute) << c.text;
    EXPECT_EQ(second, c.second) << c.text;
    EXPECT_EQ(millisecond, c.millisecond) << c.text;
    EXPECT_EQ(end - c.text, c.consumed) << c.text;
  }
  // The locale's own designators count too.
  const String pm = TimePMString() + "2:00";
  uint8_t hour = 0;
  ParseTimeText(pm.c_str(), &hour, nullptr, nullptr, nullptr);
  EXPECT_EQ(hour, 14);
}

TEST(ParseTimeText, AnHourTooLargeForItsFieldRefusesTheText) {
  // Also when minutes, seconds or milliseconds carry it there.
  for (const char* text : {"256", "265:00", "PM244", "255:60", "0:0:0.99999999999", "4294967296"}) {
    uint8_t hour = 1, minute = 1, second = 1;
    uint16_t millisecond = 1;
    EXPECT_EQ(ParseTimeText(text, &hour, &minute, &second, &millisecond), nullptr) << text;
    EXPECT_TRUE(hour == 0 && minute == 0 && second == 0 && millisecond == 0) << text;
  }
}

// ---------------------------------------------------------------------------
// Writing text

TEST(DateToText, PartsErasAndSeparators) {
  const DateTextCase cases[] = {
      {1998, 12, 7, false, "1998/12/07"}, {1998, 12, 7, true, "H10/12/07"},
      {1998, 0, 0, false, "1998"},        {0, 12, 7, false, "12/07"},
      {0, 0, 0, false, ""},               {0, 0, 7, true, "07"},
      {1998, 0, 7, false, "1998/07"},     {5, 1, 1, true, "0005/01/01"},
      {1989, 1, 8, true, "H01/01/08"},    {1988, 1, 1, true, "S63/01/01"},
      {1926, 1, 1, true, "S01/01/01"},    {1925, 1, 1, true, "T14/01/01"},
      {1912, 1, 1, true, "T01/01/01"},    {1868, 1, 1, true, "M01/01/01"},
      {1867, 1, 1, true, "1867/01/01"},   {2098, 0, 0, true, "H110"},
  };
  for (const DateTextCase& c : cases)
    EXPECT_EQ(DateToText(c.year, c.month, c.day, c.withEra), c.text)
        << c.year << "-" << c.month << "-" << c.day;
  // Written dates read back, with and without the era, in every year.
  for (int y = 1; y <= 9999; ++y) {
    for (int m = 1; m <= 12; m += 11) {
      for (bool era : {false, true}) {
        String text = DateToText(y, m, DaysInMonth(y, m), era);
        uint16_t year = 0;
        uint8_t month = 0, day = 0;
        const char* end = ParseDateText(text.c_str(), &year, &month, &day);
        ASSERT_EQ(year, y) << text;
        ASSERT_EQ(month, m) << text;
        ASSERT_EQ(day, DaysInMonth(y, m)) << text;
        ASSERT_EQ(*end, '\0') << text;
      }
    }
  }
}

TEST(TimeToText, PartsAndRoundTrip) {
  EXPECT_EQ(TimeToText(9, 5, 3, 0), "09:05:03");
  EXPECT_EQ(TimeToText(9, 5, 3, 7), "09:05:03.007");
  EXPECT_EQ(TimeToText(-1, 5, -1, 0), "05");
  EXPECT_EQ(TimeToText(-1, -1, -1, 5), "005");
  EXPECT_EQ(TimeToText(-1, -1, -1, 0), "");
  EXPECT_EQ(TimeToText(24, 0, 0, 0), "24:00:00");
  for (int h = 0; h < 24; ++h) {
    for (int mi = 0; mi < 60; ++mi) {
      for (int s = 0; s < 60; s += 7) {
        for (int ms : {0, 7, 500, 999}) {
          String text = TimeToText(h, mi, s, ms);
          uint8_t hour = 0, minute = 0, second = 0;
          uint16_t millisecond = 0;
          const char* end = ParseTimeText(text.c_str(), &hour, &minute, &second, &millisecond);
          ASSERT_TRUE(hour == h && minute == mi && second == s && millisecond == ms) << text;
          ASSERT_EQ(*end, '\0') << text;
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------
// kxDate and kxTime

TEST(kxDate, ConstructionAndLayout) {
  kxDate date(1998, 12, 7);
  unsigned char bytes[sizeof(kxDate)];
  std::memcpy(bytes, &date, sizeof date);
  EXPECT_EQ(bytes[0] | bytes[1] << 8, 1998);  // little-endian year first
  EXPECT_EQ(bytes[2], 12);
  EXPECT_EQ(bytes[3], 7);

  kxDate fromDays(DateToDays(2000, 2, 29));
  EXPECT_EQ(fromDays.Year, 2000);
  EXPECT_EQ(fromDays.Month, 2);
  EXPECT_EQ(fromDays.Day, 29);

  SYSTEMTIME time{};
  time.wYear = 1998, time.wMonth = 12, time.wDay = 7, time.wDayOfWeek = 5, time.wHour = 9;
  kxDate fromSystem(time);
  EXPECT_EQ(fromSystem.Days(), date.Days());
  EXPECT_EQ(fromSystem.DayOfWeek(), 1);  // the given weekday is ignored

  SYSTEMTIME before, after;
  GetLocalTime(&before);
  kxDate today;
  GetLocalTime(&after);
  EXPECT_TRUE((today.Year == before.wYear && today.Month == before.wMonth &&
               today.Day == before.wDay) ||
              (today.Year == after.wYear && today.Month == after.wMonth &&
               today.Day == after.wDay));
}

TEST(kxDate, TextComparisonAndSteps) {
  kxDate date(1, 2, 3);
  date.FromText("   ");
  EXPECT_EQ(date.Year, 0);
  EXPECT_EQ(date.Month, 0);
  EXPECT_EQ(date.Day, 0);
  const char* text = "H10/12/07 rest";
  EXPECT_EQ(date.FromText(text), text + 9);
  EXPECT_EQ(date.ToText(), "1998/12/07");
  EXPECT_EQ(date.ToText(true), "H10/12/07");
  EXPECT_TRUE(date.FromText(String("1998/12")));
  EXPECT_EQ(date.ToText(), "1998/12");
  EXPECT_EQ(date.Day, 0);
  EXPECT_FALSE(date.FromText(String("1998/257/7")));
  EXPECT_EQ(date.ToText(), "");

  kxDate a(1998, 12, 31), b(1999, 1, 1), c(1998, 12, 31);
  EXPECT_TRUE(a < b);
  EXPECT_FALSE(b < a);
  EXPECT_TRUE(b > a);
  EXPECT_FALSE(a > c);
  EXPECT_TRUE(a != b);
  EXPECT_FALSE(a != c);
  // Equal by day number even when the fields differ.
  EXPECT_FALSE(kxDate(1998, 13, 1) != kxDate(1999, 1, 1));

  kxDate step(1998, 1, 31);
  EXPECT_EQ(step.StepMonthForward(), DayOfWeekOf(1998, 3, 3));
  EXPECT_EQ(step.ToText(), "1998/03/03");
  step.StepMonthBack();  // February's length back: not the way it came
  EXPECT_EQ(step.ToText(), "1998/02/03");
  EXPECT_EQ(step.StepDayBack(), DateToDays(1998, 2, 2));
  EXPECT_EQ(step.Day, 2);
}

TEST(kxDate, FormatGuardsIncompleteDates) {
  EXPECT_EQ(kxDate(1998, 12, 7).Format("yyyy/mm/dd"), "1998/12/07");
  EXPECT_EQ(kxDate(1998, 12, 0).Format("yyyy/mm/dd"), "");
  EXPECT_EQ(kxDate(1998, 0, 7).Format("yyyy/mm/dd"), "");
  EXPECT_EQ(kxDate(0, 0, 0).Format("yyyy/mm/dd"), "");
  EXPECT_THROW(kxDate(1998, 2, 30).Format("yyyy/mm/dd"), EConvertError);
  EXPECT_THROW(kxDate(0, 1, 1).Format("yyyy/mm/dd"), EConvertError);
  EXPECT_THROW(kxDate(1998, 2, 30).ToDateTime(), EConvertError);
  EXPECT_DOUBLE_EQ(kxDate(1998, 12, 7).ToDateTime(), EncodeDate(1998, 12, 7));
}

TEST(kxTime, ConstructionTextAndFormat) {
  kxTime time(9, 5, 3, 7);
  unsigned char bytes[sizeof(kxTime)];
  std::memcpy(bytes, &time, sizeof time);
  EXPECT_EQ(bytes[0], 9);
  EXPECT_EQ(bytes[1], 5);
  EXPECT_EQ(bytes[2], 3);
  EXPECT_EQ(bytes[4] | bytes[5] << 8, 7);
  EXPECT_EQ(time.ToText(), "09:05:03.007");
  EXPECT_EQ(time.Format("hh:nn:ss"), "09:05:03");
  EXPECT_DOUBLE_EQ(time.ToDateTime(), EncodeTime(9, 5, 3, 7));

  SYSTEMTIME system{};
  system.wHour = 23, system.wMinute = 59, system.wSecond = 58, system.wMilliseconds = 999;
  kxTime fromSystem(system);
  EXPECT_EQ(fromSystem.ToText(), "23:59:58.999");

  const char* text = "PM12:00 x";
  EXPECT_EQ(time.FromText(text), text + 8);
  EXPECT_EQ(time.Hour, 24);
  EXPECT_EQ(time.Second, 0);
  EXPECT_EQ(time.Millisecond, 0);
  EXPECT_EQ(time.ToText(), "24:00:00");
  EXPECT_THROW(time.Format("hh:nn:ss"), EConvertError);
  EXPECT_TRUE(time.FromText(String("")));
  EXPECT_EQ(time.ToText(), "00:00:00");
  time = kxTime(9, 5, 3, 7);
  EXPECT_FALSE(time.FromText(String("265:00")));
  EXPECT_EQ(time.ToText(), "00:00:00");

  SYSTEMTIME before;
  GetLocalTime(&before);
  kxTime now;
  int nowMs = ((now.Hour * 60 + now.Minute) * 60 + now.Second) * 1000 + now.Millisecond;
  int beforeMs =
      ((before.wHour * 60 + before.wMinute) * 60 + before.wSecond) * 1000 + before.wMilliseconds;
  int elapsed = nowMs - beforeMs;
  EXPECT_TRUE((elapsed >= 0 && elapsed < 5000) || elapsed < -86390000) << elapsed;
}
