#include "app/journal.h"

#include <array>
#include <cstdio>
#include <map>


namespace {

uint32_t Crc32(const char* data, size_t size) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) c = table[(c ^ static_cast<uint8_t>(data[i])) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

String Hex8(uint32_t value) {
  char buffer[9];
  std::snprintf(buffer, sizeof buffer, "%08X", value);
  return buffer;
}

// The fields joined by tabs, the check sum after them, CRLF.
String Line(const std::vector<String>& fields) {
  String line;
  for (const String& field : fields) {
    line += field;
    line += '\t';
  }
  line += Hex8(Crc32(line.data(), line.size()));
  line += "\r\n";
  return line;
}

String Escaped(const String& path) {
  String out;
  out.reserve(path.size());
  for (const char c : path) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x20 || c == '%') {
      char buffer[4];
      std::snprintf(buffer, sizeof buffer, "%%%02X", b);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unescaped(const String& text, String& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (static_cast<uint8_t>(text[i]) < 0x20) return false;
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

// A decimal or hexadecimal number of at most the given digits, whole.
bool Number(const String& text, int base, size_t maxDigits, uint64_t& value) {
  if (text.empty() || text.size() > maxDigits) return false;
  value = 0;
  for (const char c : text) {
    const int d = base == 16 ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (d < 0) return false;
    value = value * base + d;
  }
  return true;
}

bool Id(const String& text, uint32_t& id) {
  uint64_t v;
  if (!Number(text, 10, 9, v)) return false;
  id = static_cast<uint32_t>(v);
  return true;
}

bool Word(const String& text, uint32_t& word) {
  uint64_t v;
  if (text.size() != 8 || !Number(text, 16, 8, v)) return false;
  word = static_cast<uint32_t>(v);
  return true;
}

// Days since 1601-01-01 to the proleptic Gregorian date and back (file
// times are Gregorian; the library's calendar, Date, keeps its own leap
// rule).
constexpr int64_t kEpochDays = 584694;  // days from 0000-03-01 to 1601-01-01
void CivilFromDays(int64_t days, int& y, int& m, int& d) {
  const int64_t z = days + kEpochDays;
  const int64_t era = z / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = y / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - kEpochDays;
}

std::vector<String> Split(const String& line) {
  std::vector<String> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == String::npos ? String::npos : tab - start));
    if (tab == String::npos) return fields;
    start = tab + 1;
  }
}

// The fields of a line whose check sum holds, without the sum; empty for
// any other line.
std::vector<String> CheckedFields(const String& line) {
  const size_t tab = line.rfind('\t');
  if (tab == String::npos || line.size() - tab - 1 != 8) return {};
  uint32_t sum;
  if (!Word(line.substr(tab + 1), sum) || sum != Crc32(line.data(), tab + 1)) return {};
  return Split(line.substr(0, tab));
}

}  // namespace

String JournalTimeText(uint64_t fileTime) {
  const uint64_t ticks = fileTime % 10000000;
  uint64_t seconds = fileTime / 10000000;
  const int second = static_cast<int>(seconds % 60);
  seconds /= 60;
  const int minute = static_cast<int>(seconds % 60);
  seconds /= 60;
  const int hour = static_cast<int>(seconds % 24);
  int y, m, d;
  CivilFromDays(static_cast<int64_t>(seconds / 24), y, m, d);
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%07u", y, m, d, hour, minute,
                second, static_cast<unsigned>(ticks));
  return buffer;
}

bool ParseJournalTime(const String& text, uint64_t& fileTime) {
  // "yyyy-mm-dd hh:nn:ss.fffffff", digits exactly where they belong.
  static const char kShape[] = "dddd-dd-dd dd:dd:dd.ddddddd";
  if (text.size() != sizeof kShape - 1) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (kShape[i] == 'd' ? !(text[i] >= '0' && text[i] <= '9') : text[i] != kShape[i]) return false;
  }
  const auto at = [&](size_t from, size_t n) { return std::stoi(text.substr(from, n)); };
  const int y = at(0, 4), m = at(5, 2), d = at(8, 2), h = at(11, 2), mi = at(14, 2), s = at(17, 2);
  if (y < 1601 || m < 1 || m > 12 || d < 1 || h > 23 || mi > 59 || s > 59) return false;
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (d > kDays[m - 1] || (m == 2 && d == 29 && !leap)) return false;
  const int64_t days = DaysFromCivil(y, m, d);
  fileTime = ((static_cast<uint64_t>(days) * 24 + h) * 60 + mi) * 60 + s;
  fileTime = fileTime * 10000000 + static_cast<uint64_t>(std::stol(text.substr(20, 7)));
  return true;
}

String JournalRunLine(const JournalRun& run) {
  return Line({"R", std::to_string(run.id), run.started, Escaped(run.directory), Escaped(run.what),
               std::to_string(run.undoes)});
}

String JournalEntryLine(uint32_t run, const JournalEntry& e) {
  return Line({"E", std::to_string(run), std::to_string(e.seq), Escaped(e.oldPath), Escaped(e.newPath),
               Hex8(e.oldAttr), Hex8(e.newAttr), JournalTimeText(e.oldTime), JournalTimeText(e.newTime)});
}

String JournalOutcomeLine(uint32_t run, uint32_t seq, bool done) {
  return Line({"O", std::to_string(run), std::to_string(seq), done ? "OK" : "NG"});
}

JournalText ParseJournal(const String& text) {
  JournalText journal;
  std::map<uint32_t, size_t> runAt;  // a run's id to its place in runs
  size_t number = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    const bool whole = end != String::npos;
    if (!whole) end = text.size();
    const String line = text.substr(start, end - start);
    start = whole ? end + 2 : end;
    ++number;
    if (number == 1 && line + "\r\n" == kJournalHeader) continue;
    const std::vector<String> f = CheckedFields(line);
    bool ok = whole && !f.empty();
    if (ok && f[0] == "R" && f.size() == 6) {
      JournalRun run;
      ok = Id(f[1], run.id) && !runAt.count(run.id) && Unescaped(f[3], run.directory) &&
           Unescaped(f[4], run.what) && Id(f[5], run.undoes) && f[2].find('%') == String::npos;
      if (ok) {
        run.started = f[2];
        if (const auto undone = runAt.find(run.undoes); undone != runAt.end()) {
          journal.runs[undone->second].undone = true;
        }
        runAt[run.id] = journal.runs.size();
        journal.runs.push_back(std::move(run));
      }
    } else if (ok && f[0] == "E" && f.size() == 9) {
      uint32_t id = 0;
      JournalEntry e;
      ok = Id(f[1], id) && runAt.count(id) && Id(f[2], e.seq) && Unescaped(f[3], e.oldPath) &&
           !e.oldPath.empty() && Unescaped(f[4], e.newPath) && Word(f[5], e.oldAttr) &&
           Word(f[6], e.newAttr) && ParseJournalTime(f[7], e.oldTime) &&
           ParseJournalTime(f[8], e.newTime);
      if (ok) journal.runs[runAt[id]].entries.push_back(std::move(e));
    } else if (ok && f[0] == "O" && f.size() == 4 && (f[3] == "OK" || f[3] == "NG")) {
      uint32_t id = 0, seq = 0;
      ok = Id(f[1], id) && runAt.count(id) && Id(f[2], seq);
      JournalEntry* entry = nullptr;
      if (ok) {
        // The outcome follows its entry closely: look from the end.
        auto& entries = journal.runs[runAt[id]].entries;
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
          if (it->seq == seq) {
            entry = &*it;
            break;
          }
        }
      }
      ok = entry && entry->outcome == JournalEntry::Pending;
      if (ok) entry->outcome = f[3] == "OK" ? JournalEntry::Done : JournalEntry::Failed;
    } else {
      ok = false;
    }
    if (!ok) journal.skipped.push_back(number);
  }
  return journal;
}

size_t JournalTrimOffset(const String& text, size_t maxRuns, size_t maxBytes) {
  // The starts of the run heads, found by their lines' first field.
  std::vector<size_t> heads;
  for (size_t start = 0; start < text.size();) {
    if (text.compare(start, 2, "R\t") == 0) heads.push_back(start);
    const size_t end = text.find("\r\n", start);
    if (end == String::npos) break;
    start = end + 2;
  }
  size_t keep = 0;  // whole runs kept, counted from the newest; always the newest
  while (keep < heads.size() && (keep == 0 || keep < maxRuns) &&
         (keep == 0 || text.size() - heads[heads.size() - 1 - keep] <= maxBytes)) {
    ++keep;
  }
  if (keep == heads.size()) return 0;
  return heads[heads.size() - keep];
}

uint32_t JournalLastRunId(const String& text) {
  size_t end = text.size();
  while (end > 0) {
    const size_t cut = text.rfind("\r\n", end - 1);
    const size_t start = cut == String::npos ? 0 : cut + 2;
    if (start < end) {
      const std::vector<String> f = CheckedFields(text.substr(start, end - start));
      uint32_t id = 0;
      if (f.size() >= 2 && (f[0] == "R" || f[0] == "E" || f[0] == "O") && Id(f[1], id)) return id;
    }
    if (cut == String::npos) break;
    end = cut;
  }
  return 0;
}
