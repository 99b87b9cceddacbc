#include "lib/input/Editdata.h"

#include "framework/Dateutils.h"
#include "framework/Locale.h"
#include "lib/core/Datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

// Every byte above the space that the type takes.
String Accepted(kxDataType type) {
  String keys;
  for (int c = 33; c < 256; ++c) {
    if (KeyAccepted(type, static_cast<char>(c))) keys += static_cast<char>(c);
  }
  return keys;
}

template <class T>
String Shown(kxDataType type, T value, const String& format = String()) {
  return DataToText(type, &value, format, 0);
}

template <class T>
T Stored(kxDataType type, const String& text, T before = T()) {
  T value = before;
  EXPECT_TRUE(TextToData(type, text, &value, 0)) << text;
  return value;
}

}  // namespace

TEST(KeyAccepted, EachTypeTakesTheKeysOfItsValuesAndControlKeysAlwaysPass) {
  EXPECT_EQ(Accepted(dtLong), "+,-0123456789");
  EXPECT_EQ(Accepted(dtBool), Accepted(dtWChar));
  EXPECT_EQ(Accepted(dtDouble), "+,-.0123456789");
  EXPECT_EQ(Accepted(dtDate), "/0123456789");
  EXPECT_EQ(Accepted(dtTime), "0123456789:");
  EXPECT_EQ(Accepted(dtDateTime), "/0123456789:");
  EXPECT_EQ(Accepted(dtTDateTime), Accepted(dtDateTime));
  EXPECT_EQ(Accepted(dtPointer), "0123456789ABCDEFabcdef");
  for (kxDataType free : {dtVoid, dtChar, dtCString, dtAnsiString}) {
    EXPECT_EQ(Accepted(free).size(), 223u);
  }
  for (char control : {'\b', '\t', '\r', '\x03', ' '}) EXPECT_TRUE(KeyAccepted(dtDate, control));
  // A double-byte character is judged by its lead byte: never a digit.
  EXPECT_FALSE(KeyAccepted(dtLong, '\x82'));
}

TEST(DataToText, PlainFormsOfEveryType) {
  EXPECT_EQ(Shown<uint8_t>(dtBool, 2), "True");
  EXPECT_EQ(Shown<uint8_t>(dtBool, 0), "False");
  EXPECT_EQ(Shown<uint8_t>(dtByte, 255), "255");
  EXPECT_EQ(Shown<char>(dtChar, 'A'), "A");
  EXPECT_EQ(Shown<char>(dtChar, 0), "");
  EXPECT_EQ(Shown<uint16_t>(dtWChar, 0x9F88), "40840");
  EXPECT_EQ(Shown<uint16_t>(dtWord, 65535), "65535");
  EXPECT_EQ(Shown<int16_t>(dtShort, -32768), "-32768");
  EXPECT_EQ(Shown<uint32_t>(dtDWord, 4294967295u), "4294967295");
  EXPECT_EQ(Shown<int32_t>(dtLong, -2147483647 - 1), "-2147483648");
  EXPECT_EQ(Shown<float>(dtFloat, 0.1f), "0.100000001490116");
  EXPECT_EQ(Shown<double>(dtDouble, 1234.5), "1234.5");
  EXPECT_EQ(Shown<double>(dtDouble, 1e20), "1E20");
  EXPECT_EQ(Shown(dtDate, kxDate(1998, 2, 30)), "1998/02/30");
  EXPECT_EQ(Shown(dtTime, kxTime(9, 5, 3, 0)), "09:05:03");
  EXPECT_EQ(Shown(dtDateTime, kxDateTime(kxDate(1998, 1, 2), kxTime(3, 4, 5, 0))),
            "1998/01/02 03:04:05");
  EXPECT_EQ(Shown(dtAnsiString, String("表示")), "表示");
  EXPECT_EQ(Shown<const void*>(dtPointer, reinterpret_cast<const void*>(0xABCDEF)), "00ABCDEF");
  EXPECT_EQ(Shown<int>(dtVoid, 5), "");
  // TDateTime, in the locale's forms: a time alone on the day 0, a date
  // alone at midnight.
  const TDateTime day = EncodeDate(1998, 1, 2), time = EncodeTime(13, 4, 5, 0);
  const String date = FormatDateTime(ShortDateFormat(), day);
  EXPECT_EQ(Shown(dtTDateTime, day), date);
  EXPECT_EQ(Shown(dtTDateTime, day + time), date + " " + FormatDateTime(LongTimeFormat(), time));
  EXPECT_EQ(Shown(dtTDateTime, time), FormatDateTime(LongTimeFormat(), time));
  EXPECT_EQ(Shown(dtTDateTime, std::nan("")), "");  // an unset variable
  EXPECT_EQ(Shown(dtTDateTime, 1e300), "");
}

TEST(DataToText, ThroughAFormat) {
  EXPECT_EQ(Shown<int32_t>(dtLong, 1234567, "#,##0"), "1,234,567");
  EXPECT_EQ(Shown<double>(dtDouble, 2.5, "0.00"), "2.50");
  EXPECT_EQ(Shown<uint8_t>(dtBool, 1, "[%s]"), "[True]");
  EXPECT_EQ(Shown<char>(dtChar, 'x', "<%s>"), "<x>");
  EXPECT_EQ(Shown(dtAnsiString, String("abc"), "%5s"), "  abc");
  EXPECT_EQ(Shown<const void*>(dtPointer, reinterpret_cast<const void*>(0x10), "@%p"), "@00000010");
  EXPECT_EQ(Shown(dtDate, kxDate(1998, 1, 2), "yyyy/mm/dd"), "1998/01/02");
  EXPECT_EQ(Shown(dtTDateTime, EncodeDate(1998, 1, 2), "yyyy-mm-dd"), "1998-01-02");
  // What cannot be shown leaves the text empty.
  EXPECT_EQ(Shown(dtDate, kxDate(1998, 2, 30), "yyyy/mm/dd"), "");
  EXPECT_EQ(Shown(dtDate, kxDate(1998, 0, 0), "yyyy/mm/dd"), "");
  EXPECT_EQ(Shown(dtTime, kxTime(24, 0, 0, 0), "hh:nn"), "");
  EXPECT_EQ(Shown<int32_t>(dtLong, 5, "%d"), "%d");  // a picture takes % as a literal
  EXPECT_EQ(Shown(dtAnsiString, String("abc"), "%d"), "");
}

TEST(DataToText, ACharacterBufferIsReadNoFurtherThanItsCapacity) {
  char buffer[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};  // no terminator
  EXPECT_EQ(DataToText(dtCString, buffer, "", 5), "abcd");
  buffer[2] = '\0';
  EXPECT_EQ(DataToText(dtCString, buffer, "", 5), "ab");
  EXPECT_EQ(DataToText(dtCString, buffer, "", 0), "ab");
  EXPECT_EQ(DataToText(dtCString, buffer, "(%s)", 5), "(ab)");
}

TEST(TextToData, NumbersAreReadLenientlyTruncatedAndCutToTheirWidth) {
  EXPECT_EQ(Stored<uint8_t>(dtByte, "300"), 44);
  EXPECT_EQ(Stored<uint8_t>(dtByte, "-1"), 255);
  EXPECT_EQ(Stored<uint16_t>(dtWord, "65537"), 1);
  EXPECT_EQ(Stored<int16_t>(dtShort, "-2.9"), -2);
  EXPECT_EQ(Stored<int16_t>(dtShort, "40000"), -25536);
  EXPECT_EQ(Stored<uint32_t>(dtDWord, "4,294,967,295"), 4294967295u);
  EXPECT_EQ(Stored<int32_t>(dtLong, "1,234"), 1234);
  EXPECT_EQ(Stored<int32_t>(dtLong, "4294967297"), 1);
  EXPECT_EQ(Stored<int32_t>(dtLong, "-2147483649"), 2147483647);
  EXPECT_EQ(Stored<int32_t>(dtLong, "1" + String(400, '0')), 0);  // beyond a double
  EXPECT_EQ(Stored<int32_t>(dtLong, "12abc", 7), 12);
  EXPECT_EQ(Stored<double>(dtDouble, "1,234.5"), 1234.5);
  EXPECT_EQ(Stored<double>(dtDouble, "abc", 9.0), 0.0);
  EXPECT_EQ(Stored<float>(dtFloat, "0.1"), 0.1f);
  EXPECT_EQ(Stored<uint16_t>(dtWChar, "40840"), 0x9F88);
  EXPECT_EQ(Stored<void*>(dtPointer, "00abcdef"), reinterpret_cast<void*>(0xABCDEF));
  EXPECT_EQ(Stored<void*>(dtPointer, "FFFFFFFF"), reinterpret_cast<void*>(uintptr_t{0xFFFFFFFF}));
}

TEST(TextToData, FlagsCharactersTextsAndDates) {
  EXPECT_EQ(Stored<uint8_t>(dtBool, "TRUE"), 1);
  EXPECT_EQ(Stored<uint8_t>(dtBool, "False", 1), 0);
  EXPECT_EQ(Stored<uint8_t>(dtBool, "0", 1), 0);
  EXPECT_EQ(Stored<uint8_t>(dtBool, "no", 1), 0);
  EXPECT_EQ(Stored<uint8_t>(dtBool, "2"), 1);
  EXPECT_EQ(Stored<char>(dtChar, "xyz"), 'x');
  EXPECT_EQ(Stored<char>(dtChar, "", 'x'), '\0');
  char c = 'x';
  EXPECT_FALSE(TextToData(dtChar, "表", &c, 0));
  EXPECT_EQ(c, 'x');
  EXPECT_EQ(Stored<String>(dtAnsiString, "表示"), "表示");

  kxDate date = Stored(dtDate, "1998/1/2", kxDate(0, 0, 0));
  EXPECT_EQ(Shown(dtDate, date), "1998/01/02");
  kxTime time = Stored(dtTime, "9:5", kxTime(0, 0, 0, 0));
  EXPECT_EQ(Shown(dtTime, time), "09:05:00");
  kxDateTime both = Stored(dtDateTime, "1998/1/2 3:4:5", kxDateTime(date, time));
  EXPECT_EQ(Shown(dtDateTime, both), "1998/01/02 03:04:05");
  // A part too large for its field: no value, so the variable stays.
  EXPECT_FALSE(TextToData(dtDate, "1998/257/7", &date, 0));
  EXPECT_FALSE(TextToData(dtTime, "265:00", &time, 0));
  EXPECT_FALSE(TextToData(dtDateTime, "1998/12/07 265:00", &both, 0));
  EXPECT_EQ(Shown(dtDateTime, both), "1998/01/02 03:04:05");
  EXPECT_EQ(Shown(dtDate, date), "1998/01/02");
  EXPECT_EQ(Shown(dtTime, time), "09:05:00");

  int none = 3;
  EXPECT_FALSE(TextToData(dtVoid, "1", &none, 0));
  EXPECT_EQ(none, 3);
}

TEST(TextToData, TDateTimeReadsWhatItShowsAndRefusesTheRest) {
  const TDateTime start = 100.25;
  for (TDateTime value : {EncodeDate(1998, 1, 2), EncodeDate(1998, 1, 2) + EncodeTime(13, 4, 5, 0),
                          EncodeTime(13, 4, 5, 0), EncodeDate(1800, 1, 1) - EncodeTime(6, 0, 0, 0)}) {
    const String text = Shown(dtTDateTime, value);
    EXPECT_DOUBLE_EQ(Stored(dtTDateTime, text, start), value) << text;
  }
  for (const char* bad : {"", "1998/2/30", "25:00", "1998/1/2 x", "abc", "256", "1998/257/7",
                          "1998/12/07 265:00", "4294967296"}) {
    TDateTime value = start;
    EXPECT_FALSE(TextToData(dtTDateTime, bad, &value, 0)) << bad;
    EXPECT_EQ(value, start);
  }
}

TEST(TextToData, ACharacterBufferTakesWholeCharactersUpToItsSize) {
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  // Six bytes and the terminator fit in seven; the guard byte stays.
  EXPECT_TRUE(TextToData(dtCString, "abcdefghij", buffer, 7));
  EXPECT_STREQ(buffer, "abcdef");
  EXPECT_EQ(buffer[7], '#');
  // 表 would straddle the end: it goes whole, not halved.
  EXPECT_TRUE(TextToData(dtCString, "abcde表", buffer, 7));
  EXPECT_STREQ(buffer, "abcde");
  EXPECT_TRUE(TextToData(dtCString, "ab表", buffer, 7));
  EXPECT_STREQ(buffer, "ab表");
  EXPECT_FALSE(TextToData(dtCString, "x", buffer, 0));  // size unknown
  EXPECT_STREQ(buffer, "ab表");
}
