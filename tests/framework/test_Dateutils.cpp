#include "framework/Dateutils.h"

#include "framework/Locale.h"
#include "framework/Wintypes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Ymd {
  int year, month, day;
};

Ymd Decoded(TDateTime value) {
  uint16_t y, m, d;
  DecodeDate(value, y, m, d);
  return {y, m, d};
}

String TimeOf(TDateTime value) {
  uint16_t h, n, s, ms;
  DecodeTime(value, h, n, s, ms);
  return std::to_string(h) + ":" + std::to_string(n) + ":" + std::to_string(s) + "." +
         std::to_string(ms);
}

// 1998-12-07 (a Monday) 13:05:03.045.
const TDateTime kAfternoon = EncodeDate(1998, 12, 7) + EncodeTime(13, 5, 3, 45);

}  // namespace

TEST(Dateutils, EncodeDateCountsFrom18991230) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(1900, 3, 1), 61);  // 1900 had no 29 February
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  EXPECT_EQ(EncodeDate(2000, 2, 29) + 1, EncodeDate(2000, 3, 1));
}

TEST(Dateutils, InvalidArgumentsRaise) {
  TDateTime result = 123;
  for (Ymd bad : {Ymd{0, 1, 1}, {10000, 1, 1}, {2000, 0, 1}, {2000, 13, 1}, {2000, 1, 0},
                  {2000, 4, 31}, {1900, 2, 29}, {2001, 2, 29}}) {
    EXPECT_FALSE(TryEncodeDate(bad.year, bad.month, bad.day, result)) << bad.year << bad.month;
  }
  EXPECT_EQ(result, 123);
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, result));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, result));
  EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, result));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, result));
  EXPECT_FALSE(TryEncodeTime(-1, 0, 0, 0, result));
  try {
    EncodeDate(2001, 2, 29);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to date encode");
  }
  try {
    EncodeTime(0, 0, 0, -1);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to time encode");
  }
}

TEST(Dateutils, DatesRoundTrip) {
  // Every 0.7 years or so through the whole range, and every day of two
  // years around a leap day and a century.
  for (int n = -693593; n <= 2958465; n += 263) {
    Ymd d = Decoded(n);
    EXPECT_EQ(EncodeDate(d.year, d.month, d.day), n) << n;
  }
  TDateTime day = EncodeDate(1999, 1, 1);
  for (int i = 0; i < 731; ++i, ++day) {
    Ymd d = Decoded(day + 0.75);
    EXPECT_EQ(EncodeDate(d.year, d.month, d.day), day);
  }
  EXPECT_EQ(Decoded(-1.25).day, 29);  // the time of a date before 1899 is positive
  EXPECT_EQ(Decoded(3e6).year, 0);    // beyond 9999
}

TEST(Dateutils, TimesRoundTrip) {
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  for (int ms = 0; ms < 86400000; ms += 997) {
    int h = ms / 3600000, n = ms / 60000 % 60, s = ms / 1000 % 60, z = ms % 1000;
    TDateTime value = 40000 + EncodeTime(h, n, s, z);
    uint16_t h2, n2, s2, z2;
    DecodeTime(value, h2, n2, s2, z2);
    ASSERT_EQ(h2 * 3600000 + n2 * 60000 + s2 * 1000 + z2, ms);
  }
  EXPECT_EQ(TimeOf(-1.25), "6:0:0.0");
  EXPECT_EQ(TimeOf(EncodeTime(1, 2, 3, 4) + 0.0004 / 86400000), "1:2:3.4");
  EXPECT_EQ(TimeOf(0.9999999999), "23:59:59.999");  // never 24:00
  EXPECT_EQ(Decoded(0.9999999999).day, 30);
}

TEST(Dateutils, ComposeDateTimeTakesTheTimeOffADayBefore18991230) {
  const TDateTime six = EncodeTime(6, 0, 0, 0);
  EXPECT_EQ(ComposeDateTime(EncodeDate(1899, 12, 29), six), -1.25);
  EXPECT_EQ(ComposeDateTime(EncodeDate(1899, 12, 30), six), 0.25);
  EXPECT_EQ(ComposeDateTime(EncodeDate(1899, 12, 31), six), 1.25);
}

TEST(Dateutils, DayOfWeekAndLeapYears) {
  EXPECT_EQ(DayOfWeek(kAfternoon), 2);
  EXPECT_EQ(DayOfWeek(0), 7);
  EXPECT_EQ(DayOfWeek(-1.5), 6);
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 3)), 1);
  EXPECT_TRUE(IsGregorianLeapYear(2000));
  EXPECT_TRUE(IsGregorianLeapYear(2024));
  EXPECT_FALSE(IsGregorianLeapYear(1900));
  EXPECT_FALSE(IsGregorianLeapYear(2023));
}

TEST(Dateutils, NowIsTheLocalClock) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  TDateTime clock = EncodeDate(t.wYear, t.wMonth, t.wDay) +
                    EncodeTime(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
  EXPECT_NEAR(Now(), clock, 2.0 / 86400);
}

TEST(FormatDateTime, NumericFields) {
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd", EncodeDate(1998, 12, 7)), "1998/12/07");
  EXPECT_EQ(FormatDateTime("hh:nn:ss", EncodeTime(9, 5, 3, 0)), "09:05:03");
  EXPECT_EQ(FormatDateTime("yy/mm/dd hh:nn:ss", EncodeDate(2005, 3, 4) + EncodeTime(9, 5, 3, 0)),
            "05/03/04 09:05:03");
  EXPECT_EQ(FormatDateTime("yyyy/mm", EncodeDate(2005, 3, 4)), "2005/03");
  EXPECT_EQ(FormatDateTime("y|yyy|m|d|h|n|s|z|zzz", kAfternoon), "98|1998|12|7|13|5|3|45|045");
  EXPECT_EQ(FormatDateTime("YYYY-MM-DD HH.NN.SS", kAfternoon), "1998-12-07 13.05.03");
  EXPECT_EQ(FormatDateTime("yyyy", EncodeDate(33, 1, 1)), "0033");
}

TEST(FormatDateTime, MinutesAfterHours) {
  EXPECT_EQ(FormatDateTime("h:m", kAfternoon), "13:5");
  EXPECT_EQ(FormatDateTime("hh'h'mm", kAfternoon), "13h05");
  EXPECT_EQ(FormatDateTime("hh mm", kAfternoon), "13 05");
  EXPECT_EQ(FormatDateTime("hh dd mm", kAfternoon), "13 07 12");
  EXPECT_EQ(FormatDateTime("mm hh", kAfternoon), "12 13");
  EXPECT_EQ(FormatDateTime("hh mmm", kAfternoon), "13 " + ShortMonthName(12));
}

TEST(FormatDateTime, TwelveHourClock) {
  TDateTime midnight = EncodeDate(2000, 1, 1), noon = midnight + 0.5;
  EXPECT_EQ(FormatDateTime("h:nn am/pm", kAfternoon), "1:05 pm");
  EXPECT_EQ(FormatDateTime("AM/PM h", midnight), "AM 12");
  EXPECT_EQ(FormatDateTime("hh Am/pM", noon), "12 pM");
  EXPECT_EQ(FormatDateTime("a/p|A/P", midnight), "a|A");
  EXPECT_EQ(FormatDateTime("A/P", kAfternoon), "P");
  EXPECT_EQ(FormatDateTime("ampm h", midnight), TimeAMString() + " 12");
  EXPECT_EQ(FormatDateTime("h AMPM", kAfternoon), "1 " + TimePMString());
  EXPECT_EQ(TimeAMString(), "午前");
  EXPECT_EQ(FormatDateTime("h 'am/pm'", kAfternoon), "13 am/pm");  // quoted: 24-hour
  EXPECT_EQ(FormatDateTime("h a", kAfternoon), "13 a");
}

// The locale's names and patterns, whatever they are.
TEST(FormatDateTime, LocaleFields) {
  EXPECT_EQ(FormatDateTime("ddd|dddd", kAfternoon), ShortDayName(1) + "|" + LongDayName(1));
  EXPECT_EQ(FormatDateTime("mmm|mmmm", kAfternoon), ShortMonthName(12) + "|" + LongMonthName(12));
  EXPECT_EQ(LongDayName(1), "月曜日");
  String date = FormatDateTime(ShortDateFormat(), kAfternoon);
  String time = FormatDateTime(LongTimeFormat(), kAfternoon);
  EXPECT_EQ(FormatDateTime("ddddd", kAfternoon), date);
  EXPECT_EQ(FormatDateTime("dddddd", kAfternoon), FormatDateTime(LongDateFormat(), kAfternoon));
  EXPECT_EQ(FormatDateTime("tt", kAfternoon), time);
  EXPECT_EQ(FormatDateTime("t", kAfternoon), "13:05");
  EXPECT_EQ(FormatDateTime("c", kAfternoon), date + " " + time);
  EXPECT_EQ(FormatDateTime("c", std::floor(kAfternoon)), date);
  EXPECT_NE(date.find("1998"), String::npos);
  EXPECT_NE(time.find("13:05:03"), String::npos);
}

TEST(FormatDateTime, Literals) {
  EXPECT_EQ(FormatDateTime("yyyy'年'm\"月\"d'日'", kAfternoon), "1998年12月7日");
  EXPECT_EQ(FormatDateTime("'yyyy' \"hh\" xq!", kAfternoon), "yyyy hh xq!");
  EXPECT_EQ(FormatDateTime("d'open", kAfternoon), "7open");
  // ズ is 83 59 and ノ 83 6D: trail bytes that look like "Y" and "m".
  EXPECT_EQ(FormatDateTime("yyズノm", kAfternoon), "98ズノ12");
  EXPECT_EQ(FormatDateTime("", kAfternoon), "");
}
