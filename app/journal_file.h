// The journal file beside the program (its path with extension "LOG"):
// one run of page 1 at a time is written to it, ahead of each change.
#pragma once

#include "app/journal.h"
#include "framework/Handle.h"

class TJournalFile {
public:
  // Past this size a run's start drops the oldest whole runs down to
  // kTrimmedSize, so that trimming is not paid at every run.
  static constexpr size_t kMaxSize = 16u << 20;
  static constexpr size_t kTrimmedSize = 12u << 20;

  explicit TJournalFile(String path) : path_(std::move(path)) {}

  const String& Path() const { return path_; }
  // Opens the journal and writes the run's head; false when the file
  // cannot be written, and then nothing of the run may be changed.
  bool Begin(const String& started, const String& directory, const String& what, uint32_t undoes = 0);
  // Before an entry's change: writes what it will be (the entry gets its
  // number). False when that could not be written: the change must not
  // be made.
  bool Intend(JournalEntry& entry);
  // After it: what became of it.
  void Outcome(const JournalEntry& entry, bool done);
  // Closes the file; also on destruction.
  void End() { file_.reset(); }
  bool Open() const { return static_cast<bool>(file_); }
  uint32_t RunId() const { return run_; }

  // The whole file as text ("" when there is none).
  static String ReadAll(const String& path);

private:
  bool Write(const String& line);
  uint32_t NextRunId(size_t size);
  bool Trim(const String& text);

  String path_;
  UniqueHandle file_;
  uint32_t run_ = 0;
  uint32_t seq_ = 0;
};
