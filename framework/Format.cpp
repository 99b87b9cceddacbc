#include "framework/Format.h"

#include "framework/Locale.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

String TVarRec::AsString() const {
  if (kind_ == vtChar) return String(1, char_);
  if (kind_ != vtString) return String();
  return length_ == String::npos ? String(text_) : String(text_, length_);
}

namespace {

// ---------------------------------------------------------------------------
// Decimal digits of a float

// value = 0.digits * 10^exponent; no trailing zeros, and no digits at all
// for zero.
struct Decimal {
  String digits;
  int exponent = 0;
  bool negative = false;

  bool IsZero() const { return digits.empty(); }
  char At(int index) const {
    return index >= 0 && index < static_cast<int>(digits.size()) ? digits[index] : '0';
  }
};

void StripTrailingZeros(Decimal& d) {
  size_t end = d.digits.find_last_not_of('0');
  d.digits.resize(end == String::npos ? 0 : end + 1);
  if (d.IsZero()) d.exponent = 0;
}

// Rounding works on the 18-digit decimal text of the 80-bit value, not on
// the binary value: 1.005L shows as "1.01", the double just below it "1.00".
Decimal ToDecimal(long double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17Le", std::fabs(value));  // "d.<17 digits>e+x"
  Decimal d;
  d.negative = std::signbit(value);
  d.digits = String(1, buffer[0]) + String(buffer + 2, 17);
  d.exponent = std::atoi(buffer + 20) + 1;
  StripTrailingZeros(d);
  return d;
}

// Keeps count significant digits, rounding half away from zero; a count
// below zero leaves nothing.
void RoundTo(Decimal& d, int count) {
  if (count >= static_cast<int>(d.digits.size())) return;
  bool up = count >= 0 && d.digits[count] >= '5';
  d.digits.resize(std::max(count, 0));
  if (up) {
    int i = count - 1;
    while (i >= 0 && d.digits[i] == '9') --i;
    if (i < 0) {
      d.digits = "1";
      ++d.exponent;
    } else {
      ++d.digits[i];
      d.digits.resize(i + 1);
    }
  }
  StripTrailingZeros(d);
}

void RoundToDecimals(Decimal& d, int decimals) { RoundTo(d, d.exponent + decimals); }

String IntegerDigits(const Decimal& d) {
  String text;
  for (int i = 0; i < d.exponent; ++i) text += d.At(i);
  return text;
}

String FractionDigits(const Decimal& d, int count) {
  String text;
  for (int i = 0; i < count; ++i) text += d.At(d.exponent + i);
  return text;
}

String Group(const String& digits) {
  String text;
  for (size_t i = 0; i < digits.size(); ++i) {
    text += digits[i];
    size_t rest = digits.size() - 1 - i;
    if (rest > 0 && rest % 3 == 0) text += ThousandSeparator();
  }
  return text;
}

String ExponentText(int value, int minDigits, bool plusSign) {
  String digits = std::to_string(std::abs(value));
  if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, minDigits - digits.size(), '0');
  return (value < 0 ? "-" : plusSign ? "+" : "") + digits;
}

String NonFinite(long double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

// ---------------------------------------------------------------------------
// The float types of Format; each takes an already rounded magnitude

String SignOf(const Decimal& d) { return d.negative && !d.IsZero() ? "-" : ""; }

String FixedText(const Decimal& d, int decimals, bool thousands) {
  String integer = IntegerDigits(d);
  if (integer.empty()) integer = "0";
  if (thousands) integer = Group(integer);
  if (decimals <= 0) return integer;
  return integer + DecimalSeparator() + FractionDigits(d, decimals);
}

// d.ddd with count digits.
String MantissaText(const Decimal& d, int count) {
  String text(1, d.At(0));
  if (count > 1) text += DecimalSeparator();
  for (int i = 1; i < count; ++i) text += d.At(i);
  return text;
}

String Fixed(Decimal d, int decimals, bool thousands) {
  RoundToDecimals(d, decimals);
  return SignOf(d) + FixedText(d, decimals, thousands);
}

String Scientific(Decimal d, int precision) {
  RoundTo(d, precision);
  int exponent = d.IsZero() ? 0 : d.exponent - 1;
  return SignOf(d) + MantissaText(d, precision) + "E" + ExponentText(exponent, 3, true);
}

// Fixed notation while it stays short and exact, otherwise scientific; the
// exponent is signed only when negative.
String General(Decimal d, int precision, int exponentDigits) {
  RoundTo(d, precision);
  if (d.IsZero()) return "0";
  int count = static_cast<int>(d.digits.size());
  if (d.exponent <= precision && d.exponent >= -4)
    return SignOf(d) + FixedText(d, std::max(count - d.exponent, 0), false);
  return SignOf(d) + MantissaText(d, count) + "E" +
         ExponentText(d.exponent - 1, exponentDigits, false);
}

// Layouts of the platform: "$" the symbol, "1" the amount.
const char* const kPositiveMoney[] = {"$1", "1$", "$ 1", "1 $"};
const char* const kNegativeMoney[] = {"($1)", "-$1",  "$-1",  "$1-",  "(1$)",  "-1$",
                                      "1-$",  "1$-",  "-1 $", "-$ 1", "1 $-",  "$ 1-",
                                      "$ -1", "1- $", "($ 1)", "(1 $)"};

template <size_t N>
const char* PickLayout(const char* const (&layouts)[N], int code) {
  return layouts[code >= 0 && code < static_cast<int>(N) ? code : 0];
}

String Money(Decimal d, int decimals) {
  RoundToDecimals(d, decimals);
  bool negative = d.negative && !d.IsZero();
  const char* layout = negative ? PickLayout(kNegativeMoney, NegCurrFormat())
                                : PickLayout(kPositiveMoney, CurrencyFormat());
  String amount = FixedText(d, decimals, true);
  String text;
  for (const char* p = layout; *p; ++p) {
    if (*p == '$') text += CurrencyString();
    else if (*p == '1') text += amount;
    else text += *p;
  }
  return text;
}

// 18 digits are all the 80-bit value holds.
int SignificantDigits(int precision) { return precision < 0 ? 15 : std::clamp(precision, 1, 18); }

String FloatText(char type, long double value, int precision) {
  if (!std::isfinite(value)) return NonFinite(value);
  Decimal d = ToDecimal(value);
  switch (type) {
    case 'e': return Scientific(d, SignificantDigits(precision));
    case 'f': return Fixed(d, precision < 0 ? 2 : precision, false);
    case 'g': return General(d, SignificantDigits(precision), 3);
    case 'n': return Fixed(d, precision < 0 ? 2 : precision, true);
    default: return Money(d, precision < 0 ? CurrencyDecimals() : precision);
  }
}

// ---------------------------------------------------------------------------
// Format

String IntegerText(const TVarRec& arg, char type, int precision) {
  int64_t value = arg.AsInt64();
  bool negative = type == 'd' && value < 0;
  uint64_t magnitude = static_cast<uint64_t>(value);
  if (negative) magnitude = 0 - magnitude;
  // Unsigned, a 32-bit argument keeps its own 32 bits: -1 is FFFFFFFF.
  if (type != 'd' && arg.kind() == TVarRec::vtInteger) magnitude = static_cast<uint32_t>(value);
  String digits = type == 'x' ? IntToHex(magnitude, 0) : std::to_string(magnitude);
  if (precision > static_cast<int>(digits.size())) digits.insert(0, precision - digits.size(), '0');
  return (negative ? "-" : "") + digits;
}

class Formatter {
public:
  Formatter(const String& format, const TVarRec* args, size_t count)
      : format_(format), args_(args), count_(count) {}

  String Run() {
    while (pos_ < format_.size()) {
      char c = format_[pos_++];
      if (c != '%') out_ += c;
      else if (Peek() == '%') out_ += format_[pos_++];
      else Conversion();
    }
    return out_;
  }

private:
  struct Field {
    bool left = false;
    int width = 0;
    int precision = -1;
  };

  [[noreturn]] void Fail() const {
    throw EConvertError("Format '" + format_ + "' invalid or incompatible with argument");
  }

  char Peek() const { return pos_ < format_.size() ? format_[pos_] : '\0'; }

  const TVarRec& Next() {
    if (next_ >= count_) Fail();
    return args_[next_++];
  }

  // Digits or "*" (the next argument, an integer); false if neither is there.
  bool ReadNumber(int& value) {
    if (Peek() == '*') {
      ++pos_;
      const TVarRec& arg = Next();
      if (!arg.IsInteger()) Fail();
      value = static_cast<int>(std::clamp<int64_t>(arg.AsInt64(), -INT32_MAX, INT32_MAX));
      return true;
    }
    if (Peek() < '0' || Peek() > '9') return false;
    int64_t number = 0;
    while (Peek() >= '0' && Peek() <= '9') {
      number = number * 10 + (format_[pos_++] - '0');
      if (number > INT32_MAX) Fail();
    }
    value = static_cast<int>(number);
    return true;
  }

  Field ReadField() {
    Field field;
    int number = 0;
    bool have = ReadNumber(number);
    if (have && Peek() == ':') {
      ++pos_;
      if (number < 0) Fail();
      next_ = number;
      have = false;
    }
    if (!have) {
      if (Peek() == '-') {
        field.left = true;
        ++pos_;
      }
      have = ReadNumber(number);
    }
    if (have) {
      field.left = field.left || number < 0;  // as printf: "*" with -n aligns left
      field.width = std::abs(number);
    }
    if (Peek() == '.') {
      ++pos_;
      if (!ReadNumber(field.precision)) field.precision = 0;
      if (field.precision < 0) field.precision = -1;
    }
    return field;
  }

  void Conversion() {
    Field field = ReadField();
    if (pos_ >= format_.size()) Fail();
    char type = static_cast<char>(std::tolower(static_cast<unsigned char>(format_[pos_++])));
    String text = Convert(type, Next(), field.precision);
    size_t width = static_cast<size_t>(field.width);
    if (text.size() < width) text.insert(field.left ? text.size() : 0, width - text.size(), ' ');
    out_ += text;
  }

  String Convert(char type, const TVarRec& arg, int precision) const {
    switch (type) {
      case 'd':
      case 'u':
      case 'x':
        if (!arg.IsInteger()) Fail();
        return IntegerText(arg, type, precision);
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm':
        if (arg.kind() != TVarRec::vtExtended) Fail();
        return FloatText(type, arg.AsExtended(), precision);
      case 's':
        if (arg.kind() != TVarRec::vtString && arg.kind() != TVarRec::vtChar) Fail();
        return precision < 0 ? arg.AsString() : arg.AsString().substr(0, precision);
      case 'p':
        if (arg.kind() != TVarRec::vtPointer) Fail();
        return IntToHex(reinterpret_cast<uintptr_t>(arg.AsPointer()), 8);
      default:
        Fail();
    }
  }

  const String& format_;
  const TVarRec* args_;
  size_t count_;
  size_t pos_ = 0;
  size_t next_ = 0;
  String out_;
};

// ---------------------------------------------------------------------------
// FormatFloat pictures


std::vector<String> SplitSections(const String& picture) {
  std::vector<String> sections(1);
  for (size_t i = 0; i < picture.size();) {
    size_t length = std::max<size_t>(PictureLiteralLength(picture, i), 1);
    if (picture[i] == ';') sections.emplace_back();
    else sections.back().append(picture, i, length);
    i += length;
  }
  return sections;
}

struct Piece {
  enum Kind { Literal, IntegerPlace, FractionPlace, Point, Exponent } kind;
  String text;  // a literal's bytes; for an exponent its letter and sign
};

struct Picture {
  std::vector<Piece> pieces;
  int integerPlaces = 0;
  int integerMin = 0;  // the places from the first "0" on
  int fractionPlaces = 0;
  int fractionMin = 0;  // the places up to the last "0"
  bool thousands = false;
  bool scientific = false;
  int exponentDigits = 0;
};

String Unquote(const String& unit) {
  if (unit[0] != '\'' && unit[0] != '"') return unit;
  bool closed = unit.size() > 1 && unit.back() == unit[0];
  return unit.substr(1, unit.size() - (closed ? 2 : 1));
}

bool IsExponentAt(const String& section, size_t i) {
  return (section[i] == 'E' || section[i] == 'e') && i + 1 < section.size() &&
         (section[i + 1] == '+' || section[i + 1] == '-');
}

// The bytes that shape the number; any other is literal.
bool ShapesNumber(const String& section, size_t i) {
  char c = section[i];
  return c == ',' || c == '0' || c == '#' || c == '.' || IsExponentAt(section, i);
}

// The exponent's zeros set its minimum width; the pair is consumed.
size_t AddExponent(Picture& picture, const String& section, size_t i) {
  picture.pieces.push_back({Piece::Exponent, section.substr(i, 2)});
  picture.scientific = true;
  i += 2;
  while (i < section.size() && section[i] == '0') {
    ++picture.exponentDigits;
    ++i;
  }
  return i;
}

void AddPlace(Picture& picture, char c, bool afterPoint, int& firstZero) {
  if (afterPoint) {
    picture.pieces.push_back({Piece::FractionPlace, ""});
    if (c == '0') picture.fractionMin = picture.fractionPlaces + 1;
    ++picture.fractionPlaces;
  } else {
    picture.pieces.push_back({Piece::IntegerPlace, ""});
    if (c == '0' && firstZero < 0) firstZero = picture.integerPlaces;
    ++picture.integerPlaces;
  }
}

// Without integer places the integer digits still need a home: before the
// point, the fraction or the exponent, whichever comes first.
void AddIntegerHome(Picture& picture) {
  if (picture.integerPlaces > 0) return;
  auto home = std::find_if(picture.pieces.begin(), picture.pieces.end(),
                           [](const Piece& p) { return p.kind != Piece::Literal; });
  if (home == picture.pieces.end()) return;
  picture.pieces.insert(home, {Piece::IntegerPlace, ""});
  picture.integerPlaces = 1;
}

Picture ParsePicture(const String& section) {
  Picture picture;
  bool afterPoint = false;
  int firstZero = -1;
  for (size_t i = 0; i < section.size();) {
    char c = section[i];
    if (size_t length = PictureLiteralLength(section, i)) {
      picture.pieces.push_back({Piece::Literal, Unquote(section.substr(i, length))});
      i += length;
      continue;
    }
    if (picture.scientific || !ShapesNumber(section, i)) {
      picture.pieces.push_back({Piece::Literal, String(1, c)});
    } else if (c == ',') {
      picture.thousands = true;
    } else if (c == '.' && !afterPoint) {
      picture.pieces.push_back({Piece::Point, ""});
      afterPoint = true;
    } else if (c == '.') {
      picture.pieces.push_back({Piece::Literal, "."});
    } else if (c == 'E' || c == 'e') {
      i = AddExponent(picture, section, i);
      continue;
    } else {
      AddPlace(picture, c, afterPoint, firstZero);
    }
    ++i;
  }
  picture.integerMin = firstZero < 0 ? 0 : picture.integerPlaces - firstZero;
  AddIntegerHome(picture);
  return picture;
}

// The digits a picture shows of a magnitude.
struct Figures {
  String integer;
  String fraction;
  int exponent = 0;
  bool zero = false;
};

Figures Layout(const Picture& picture, Decimal d) {
  Figures f;
  if (picture.scientific) {
    RoundTo(d, picture.integerPlaces + picture.fractionPlaces);
    for (int i = 0; i < picture.integerPlaces && !d.IsZero(); ++i) f.integer += d.At(i);
    for (int i = 0; i < picture.fractionPlaces; ++i) f.fraction += d.At(picture.integerPlaces + i);
    f.exponent = d.IsZero() ? 0 : d.exponent - picture.integerPlaces;
  } else {
    RoundToDecimals(d, picture.fractionPlaces);
    f.integer = IntegerDigits(d);
    f.fraction = FractionDigits(d, picture.fractionPlaces);
  }
  f.zero = d.IsZero();
  size_t end = f.fraction.find_last_not_of('0');
  f.fraction.resize(std::max<size_t>(end == String::npos ? 0 : end + 1, picture.fractionMin));
  if (static_cast<int>(f.integer.size()) < picture.integerMin)
    f.integer.insert(0, picture.integerMin - f.integer.size(), '0');
  return f;
}

// Digit places are filled from the right; the first one also takes any
// digits the picture has no places for.
void PutIntegerPlace(String& out, const Picture& picture, const Figures& f, int place) {
  int count = static_cast<int>(f.integer.size());
  int last = place + count - picture.integerPlaces;
  int first = place == 0 ? 0 : last;
  bool group = picture.thousands && !picture.scientific;
  for (int j = std::max(first, 0); j <= last; ++j) {
    out += f.integer[j];
    int rest = count - 1 - j;
    if (group && rest > 0 && rest % 3 == 0) out += ThousandSeparator();
  }
}

String Render(const Picture& picture, const Figures& f) {
  String out;
  int integerPlace = 0;
  size_t fractionPlace = 0;
  for (const Piece& piece : picture.pieces) {
    switch (piece.kind) {
      case Piece::Literal: out += piece.text; break;
      case Piece::IntegerPlace: PutIntegerPlace(out, picture, f, integerPlace++); break;
      case Piece::FractionPlace:
        if (fractionPlace < f.fraction.size()) out += f.fraction[fractionPlace];
        ++fractionPlace;
        break;
      case Piece::Point:
        if (!f.fraction.empty()) out += DecimalSeparator();
        break;
      case Piece::Exponent:
        out += piece.text[0];
        out += ExponentText(f.exponent, picture.exponentDigits, piece.text[1] == '+');
        break;
    }
  }
  return out;
}

String RenderValue(const String& section, const Decimal& d) {
  Picture picture = ParsePicture(section);
  return Render(picture, Layout(picture, d));
}

}  // namespace

String FormatArgs(const String& format, const TVarRec* args, size_t count) {
  return Formatter(format, args, count).Run();
}

String Format(const String& format, std::initializer_list<TVarRec> args) {
  return FormatArgs(format, args.begin(), args.size());
}

// A value that rounds to zero is shown by the zero section, or else as a
// plain zero by the first: never with a sign, nor by the negative section.
String FormatFloat(const String& picture, long double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  std::vector<String> sections = SplitSections(picture);
  Decimal d = ToDecimal(value);
  bool negative = d.negative;
  d.negative = false;
  size_t index = negative && sections.size() > 1 && !sections[1].empty() ? 1 : 0;
  if (sections[index].empty()) return General(ToDecimal(value), 15, 0);
  Picture chosen = ParsePicture(sections[index]);
  Figures figures = Layout(chosen, d);
  if (!figures.zero) return (negative && index == 0 ? "-" : "") + Render(chosen, figures);
  const String& zero = sections.size() > 2 && !sections[2].empty() ? sections[2] : sections[0];
  return zero.empty() ? "0" : RenderValue(zero, Decimal());
}

size_t PictureLiteralLength(const String& text, size_t i) {
  char c = text[i];
  if (c == '\'' || c == '"') {
    size_t end = text.find(c, i + 1);
    return end == String::npos ? text.size() - i : end - i + 1;
  }
  return IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size() ? 2 : 0;
}
