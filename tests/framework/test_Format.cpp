#include "framework/Format.h"

#include "framework/Locale.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const char* const kInvalid = "invalid or incompatible with argument";

void ExpectInvalid(const String& format, std::initializer_list<TVarRec> args) {
  try {
    Format(format, args);
    ADD_FAILURE() << "no error for " << format;
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Format '" + format + "' " + kInvalid);
  }
}

}  // namespace

TEST(Format, Integers) {
  EXPECT_EQ(Format("%d|%5d|%-5d|%.3d|%5.3d", {42, 42, 42, -5, -5}), "42|   42|42   |-005| -005");
  EXPECT_EQ(Format("%d", {INT64_MIN}), "-9223372036854775808");
  EXPECT_EQ(Format("%u|%u|%u", {-1, 7u, -1LL}), "4294967295|7|18446744073709551615");
  EXPECT_EQ(Format("%x|%X|%.4x|%x", {255, -1, 10, -1LL}), "FF|FFFFFFFF|000A|FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%D %U", {3, 4}), "3 4");
}

TEST(Format, TextAndPointers) {
  String owned("abcdef");
  EXPECT_EQ(Format("[%s][%.3s][%6s][%-3s]", {"x", owned, "ab", 'c'}), "[x][abc][    ab][c  ]");
  EXPECT_EQ(Format("%s", {String("a\0b", 3)}), String("a\0b", 3));
  EXPECT_EQ(Format("%s", {static_cast<const char*>(nullptr)}), "");
  EXPECT_EQ(Format("%p", {reinterpret_cast<const void*>(0xBEEF)}), "0000BEEF");
  EXPECT_EQ(Format("100%% %s%%", {"sure"}), "100% sure%");
  EXPECT_EQ(Format("plain text", {}), "plain text");
}

TEST(Format, IndexesAndStars) {
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b", "c"}), "b a b");
  EXPECT_EQ(Format("%2:s %s %0:s%s", {"a", "b", "c", "d"}), "c d ab");
  EXPECT_EQ(Format("[%*d][%-*d][%.*f]", {4, 1, 3, 2, 1, 2.25}), "[   1][2  ][2.3]");
  EXPECT_EQ(Format("[%*s]", {-4, "a"}), "[a   ]");
  EXPECT_EQ(Format("%*:s", {2, "x", "y"}), "y");
}

TEST(Format, MalformedFormatsRaise) {
  ExpectInvalid("%", {1});
  ExpectInvalid("abc %5", {1});
  ExpectInvalid("%-.2", {1});
  ExpectInvalid("%k", {1});
  ExpectInvalid("%d %d", {1});
  ExpectInvalid("%3:d", {1, 2, 3});
  ExpectInvalid("%*d", {"4", 1});
  ExpectInvalid("%d", {1.0});
  ExpectInvalid("%d", {'c'});
  ExpectInvalid("%f", {1});
  ExpectInvalid("%s", {1});
  ExpectInvalid("%p", {"text"});
  ExpectInvalid("%x", {static_cast<const void*>(nullptr)});
  ExpectInvalid("%99999999999d", {1});
}

TEST(Format, FixedAndNumber) {
  EXPECT_EQ(Format("%f|%.0f|%.3f|%8.1f|%-8.1F|", {1.0, 2.5, -0.0005, 3.14159, 3.14159}),
            "1.00|3|-0.001|     3.1|3.1     |");
  EXPECT_EQ(Format("%.2f|%.0f", {-0.001, -0.4}), "0.00|0");  // no sign on a zero
  EXPECT_EQ(Format("%n|%.0n|%n", {1234567.891, 999.5, -12.0}), "1,234,567.89|1,000|-12.00");
  EXPECT_EQ(Format("%.1f", {9.96}), "10.0");
  EXPECT_EQ(Format("%.0f", {1e20}), "100000000000000000000");
}

TEST(Format, ScientificAndGeneral) {
  EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
  EXPECT_EQ(Format("%.3e|%.1e|%.3e|%.3E", {-0.000123456, 9.96, 0.0, 1e300}),
            "-1.23E-004|1E+001|0.00E+000|1.00E+300");
  EXPECT_EQ(Format("%.30e", {1.0}), "1.00000000000000000E+000");  // 18 digits at most
  EXPECT_EQ(Format("%g|%g|%g|%g", {0.1, 1234567.0, -2.5, 0.0}), "0.1|1234567|-2.5|0");
  EXPECT_EQ(Format("%g|%g", {0.00001, 0.000009}), "0.00001|9E-006");
  EXPECT_EQ(Format("%g|%.3g|%.3g", {1e15, 1234.0, 123.0}), "1E015|1.23E003|123");
  EXPECT_EQ(Format("%g", {2.0 / 3.0}), "0.666666666666667");
}

TEST(Format, NonFiniteValues) {
  EXPECT_EQ(Format("%f %e", {std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()}),
            "INF -INF");
  EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::quiet_NaN()), "NAN");
}

// Digits come from the 18-digit decimal text of the 80-bit value, rounded
// half away from zero: the double nearest 1.005 is just below it, the long
// double nearest it is not.
TEST(Format, RoundsTheEighteenDigitText) {
  EXPECT_EQ(FormatFloat("0.00", 1.005), "1.00");
  EXPECT_EQ(FormatFloat("0.00", 1.005L), "1.01");
  EXPECT_EQ(Format("%.2f|%.2f", {1.005, 1.005L}), "1.00|1.01");
  EXPECT_EQ(Format("%.0f|%.0f|%.0f", {0.5, 1.5, -2.5}), "1|2|-3");
  EXPECT_EQ(Format("%.2f", {0.125}), "0.13");
}

namespace {

// "$" stands for the locale's symbol, which differs between the builds.
String Money(const String& layout) {
  String text;
  for (char c : layout) text += c == '$' ? CurrencyString() : String(1, c);
  return text;
}

}  // namespace

// The symbol goes before the amount, with no decimals, as in Japan.
TEST(Format, Money) {
  ASSERT_EQ(CurrencyFormat(), 0);
  ASSERT_EQ(CurrencyDecimals(), 0);
  EXPECT_EQ(Format("%m|%.2m|%m", {1234.5, 1234.5, 0.4}), Money("$1,235|$1,234.50|$0"));
  EXPECT_EQ(Format("%m", {-0.4}), Money("$0"));
  // Windows' negative layouts, by LOCALE_INEGCURR.
  const char* const negative[] = {"($5)", "-$5",  "$-5",  "$5-",  "(5$)",  "-5$",
                                  "5-$",  "5$-",  "-5 $", "-$ 5", "5 $-",  "$ 5-",
                                  "$ -5", "5- $", "($ 5)", "(5 $)"};
  ASSERT_GE(NegCurrFormat(), 0);
  ASSERT_LE(NegCurrFormat(), 15);
  EXPECT_EQ(Format("%m", {-5.0}), Money(negative[NegCurrFormat()]));
}

TEST(FormatFloat, CommonPictures) {
  EXPECT_EQ(FormatFloat("#,##0", 1234567), "1,234,567");
  EXPECT_EQ(FormatFloat("#,##0", 0), "0");
  EXPECT_EQ(FormatFloat("#,##0.00", -1234.5), "-1,234.50");
  EXPECT_EQ(FormatFloat("0,0.0", 1234567), "1,234,567.0");
  EXPECT_EQ(FormatFloat("0.00", 3.14159), "3.14");
  EXPECT_EQ(FormatFloat("000", -12), "-012");
  EXPECT_EQ(FormatFloat("#", 0), "");
  EXPECT_EQ(FormatFloat("##0.##", 0.004), "0");
}

TEST(FormatFloat, DigitPlacement) {
  EXPECT_EQ(FormatFloat("00-00", 1234), "12-34");
  EXPECT_EQ(FormatFloat("0-0", 1234), "123-4");  // surplus at the first place
  EXPECT_EQ(FormatFloat("0.0#", 2), "2.0");
  EXPECT_EQ(FormatFloat("0.0##", 2.5), "2.5");
  EXPECT_EQ(FormatFloat("0.##", 7), "7");  // no point without fraction digits
  EXPECT_EQ(FormatFloat("#.00", 0.5), ".50");
  EXPECT_EQ(FormatFloat(".00", 12.5), "12.50");
  EXPECT_EQ(FormatFloat("0.00.0", 1.5), "1.50.0");  // only the first point counts
}

TEST(FormatFloat, Literals) {
  EXPECT_EQ(FormatFloat("Version ##.00", 1.1), "Version 1.10");
  EXPECT_EQ(FormatFloat("'0#,'0\"E+0\"", 7), "0#,7E+0");
  EXPECT_EQ(FormatFloat("abc", 5), "abc");
  EXPECT_EQ(FormatFloat("0'unclosed", 5), "5unclosed");
  // ウ is 83 45: its trail byte must not start an "E+" exponent.
  EXPECT_EQ(FormatFloat("0ウ+0", 5), "0ウ+5");
  EXPECT_EQ(FormatFloat("0円", 100), "100円");
}

TEST(FormatFloat, Sections) {
  EXPECT_EQ(FormatFloat("0.00;(0.00)", -1.5), "(1.50)");
  EXPECT_EQ(FormatFloat("0.00;(0.00)", 1.5), "1.50");
  EXPECT_EQ(FormatFloat("0.00;;Zero", -1.5), "-1.50");
  EXPECT_EQ(FormatFloat("0;(0);Zero", 0), "Zero");
  EXPECT_EQ(FormatFloat("0;(0);Zero", -0.2), "Zero");  // rounds to zero
  EXPECT_EQ(FormatFloat("0.0;(0.0);Zero", -0.2), "(0.2)");
  EXPECT_EQ(FormatFloat("0;(0)", -0.2), "0");
  EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");
  EXPECT_EQ(FormatFloat("'a;b'0;x", 1), "a;b1");
}

TEST(FormatFloat, Exponents) {
  EXPECT_EQ(FormatFloat("0.00E+00", 1234567), "1.23E+06");
  EXPECT_EQ(FormatFloat("0.00E+0", 1234567), "1.23E+6");
  EXPECT_EQ(FormatFloat("0.00E-00", 12000), "1.20E04");
  EXPECT_EQ(FormatFloat("0.00E-00", 0.00012), "1.20E-04");
  EXPECT_EQ(FormatFloat("00.0e+000", -98765), "-98.8e+003");
  EXPECT_EQ(FormatFloat("0.0E+00", 0), "0.0E+00");
  EXPECT_EQ(FormatFloat("0E+", 5e10), "5E+10");
}

TEST(FormatFloat, EmptyPictureIsGeneral) {
  EXPECT_EQ(FormatFloat("", 1.5), "1.5");
  EXPECT_EQ(FormatFloat("", -1e20), "-1E20");
  EXPECT_EQ(FormatFloat("", 1.0 / 3.0), "0.333333333333333");
}
