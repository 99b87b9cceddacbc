// A date and a time of day side by side, and the persistent-object holders
// of the three value types. Window-free.
#pragma once

#include "framework/Classes.h"
#include "lib/core/Date.h"

struct kxDateTime {
  kxDate Date;
  kxTime Time;

  // Today and now, each part from its own clock reading.
  kxDateTime() = default;
  kxDateTime(const kxDate& date, const kxTime& time) : Date(date), Time(time) {}
  explicit kxDateTime(const SYSTEMTIME& time);

  // The date from the start of the text, then the time from where the date
  // ended; returns the position after the time. Either part refused
  // refuses the whole text: both parts are 0 and the result is null.
  const char* FromText(const char* text);
  // False when the text is refused.
  bool FromText(const String& text) { return FromText(text.c_str()) != nullptr; }

  // The date's text (no era), one space, the time's text.
  String ToText() const;
  // EConvertError when either part cannot be encoded.
  String Format(const String& format) const;
  TDateTime ToDateTime() const;
  // Copied unchecked, with the weekday of the date.
  SYSTEMTIME ToSystemTime() const;
};

static_assert(sizeof(kxDateTime) == 10 && offsetof(kxDateTime, Time) == 4);

// Holders of one value each, for places that need a persistent object.
// Their values start cleared, like every framework object's fields.
class kxvDate : public TPersistent {
public:
  kxDate Value{0, 0, 0};
};

class kxvTime : public TPersistent {
public:
  kxTime Value{0, 0, 0, 0};
};

class kxvDateTime : public TPersistent {
public:
  kxDateTime Value{kxDate(0, 0, 0), kxTime(0, 0, 0, 0)};
};
