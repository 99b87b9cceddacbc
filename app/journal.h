// The journal of page 1's changes: its text form, window-free.
//
// The file is Shift-JIS text with CRLF line ends, one line per record, the
// fields separated by tabs and closed by a CRC-32 of the line before it
// (8 hexadecimal digits), so that a damaged or foreign line is recognised
// and skipped, never trusted:
//
//   VEMTAR-JOURNAL<TAB>1                                  the first line
//   R  run  started  directory  what  undoes  crc         a run's head
//   E  run  seq  old path  new path  old attr  new attr  old time  new time  crc
//   O  run  seq  OK|NG  crc                               an entry's outcome
//
// A run's head is written before its first change, each entry's line
// before its change is made and its outcome after (a write-ahead log): a
// program killed in the middle leaves entries without an outcome, which
// undo then judges by what is on disk. Times are the file times in UTC,
// exact to 100 ns ("2026-12-09 07:40:12.1234567"); attributes the
// platform's word in hexadecimal. A deleted entry's new path is empty. A
// byte below 0x20 and "%" in a path are written as "%XX" (a Shift-JIS
// trail byte is never below 0x40).
#pragma once

#include "framework/Sysutils.h"

#include <cstdint>
#include <vector>

// One entry's change as recorded, and what became of it.
struct JournalEntry {
  enum Outcome { Pending, Done, Failed };
  uint32_t seq = 0;
  String oldPath, newPath;  // newPath empty: deleted
  uint32_t oldAttr = 0, newAttr = 0;
  uint64_t oldTime = 0, newTime = 0;
  Outcome outcome = Pending;
};

struct JournalRun {
  uint32_t id = 0;
  String started;    // local time, "2026/12/09 16:40:12"
  String directory;  // the list's directory
  String what;       // what the run changed, in the user's words
  uint32_t undoes = 0;  // the run this run took back, 0 for none
  bool undone = false;  // taken back by a later run of the journal
  std::vector<JournalEntry> entries;
};

// Everything a journal's text holds: its runs in file order, and the lines
// (numbered from 1) that were skipped as damaged or foreign.
struct JournalText {
  std::vector<JournalRun> runs;
  std::vector<size_t> skipped;
};

// The first line, CRLF included.
inline constexpr char kJournalHeader[] = "VEMTAR-JOURNAL\t1\r\n";

String JournalRunLine(const JournalRun& run);
String JournalEntryLine(uint32_t run, const JournalEntry& entry);
String JournalOutcomeLine(uint32_t run, uint32_t seq, bool done);

JournalText ParseJournal(const String& text);

// The byte offset from which the text keeps the newest whole runs that fit
// both limits (the header is kept apart): 0 when everything fits. A run
// that alone is over the size is kept.
size_t JournalTrimOffset(const String& text, size_t maxRuns, size_t maxBytes);

// File times as the journal writes them; false for a text that is not one.
String JournalTimeText(uint64_t fileTime);
bool ParseJournalTime(const String& text, uint64_t& fileTime);

// The run of the last line of the text whose check sum holds (the text may
// begin in the middle of a line: a file's tail); 0 when there is none.
uint32_t JournalLastRunId(const String& text);

