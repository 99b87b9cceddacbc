#include "app/journal_file.h"

#include <algorithm>
#include <cstdint>

namespace {

// The last bytes read for the newest run's number: any line of a run
// carries it.
constexpr DWORD kTail = 64 * 1024;

String ReadRange(HANDLE file, uint64_t from, size_t size) {
  String text(size, '\0');
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(from);
  DWORD read = 0;
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
      !ReadFile(file, text.data(), static_cast<DWORD>(size), &read, nullptr)) {
    return String();
  }
  text.resize(read);
  return text;
}

uint64_t SizeOf(HANDLE file) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(file, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

}  // namespace

String TJournalFile::ReadAll(const String& path) {
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return String();
  const uint64_t size = SizeOf(file.get());
  // A journal is trimmed long before this; a larger file is not ours.
  if (size > 4 * kMaxSize) return String();
  return ReadRange(file.get(), 0, static_cast<size_t>(size));
}

bool TJournalFile::Begin(const String& started, const String& directory, const String& what,
                         uint32_t undoes) {
  file_.reset(CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) return false;
  uint64_t size = SizeOf(file_.get());
  if (size > kMaxSize) {
    if (!Trim(ReadRange(file_.get(), 0, static_cast<size_t>(std::min<uint64_t>(size, 4 * kMaxSize))))) {
      file_.reset();
      return false;
    }
    size = SizeOf(file_.get());
  }
  run_ = NextRunId(static_cast<size_t>(size));
  seq_ = 0;
  JournalRun run;
  run.id = run_;
  run.started = started;
  run.directory = directory;
  run.what = what;
  run.undoes = undoes;
  LARGE_INTEGER end{};
  if (!SetFilePointerEx(file_.get(), end, nullptr, FILE_END) ||
      !Write((size == 0 ? String(kJournalHeader) : String()) + JournalRunLine(run))) {
    file_.reset();
    return false;
  }
  return true;
}

uint32_t TJournalFile::NextRunId(size_t size) {
  const size_t tail = std::min<size_t>(size, kTail);
  uint32_t last = JournalLastRunId(ReadRange(file_.get(), size - tail, tail));
  if (last == 0 && size > tail) {
    // The tail holds no whole line: the whole file decides.
    for (const JournalRun& run : ParseJournal(ReadRange(file_.get(), 0, size)).runs) {
      last = std::max(last, run.id);
    }
  }
  return last + 1;
}

bool TJournalFile::Trim(const String& text) {
  const size_t from = JournalTrimOffset(text, SIZE_MAX, kTrimmedSize);
  if (from == 0) return true;
  // The kept runs go to a file of their own first, which then replaces
  // the journal: a failure on the way leaves the old journal whole.
  const String kept = kJournalHeader + text.substr(from);
  const String temporary = path_ + ".new";
  {
    UniqueHandle out(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!out || !WriteFile(out.get(), kept.data(), static_cast<DWORD>(kept.size()), &written, nullptr) ||
        written != kept.size()) {
      out.reset();
      DeleteFileA(temporary.c_str());
      return false;
    }
  }
  file_.reset();
  if (!MoveFileExA(temporary.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temporary.c_str());
    return false;
  }
  file_.reset(CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file_);
}

bool TJournalFile::Intend(JournalEntry& entry) {
  entry.seq = ++seq_;
  return Write(JournalEntryLine(run_, entry));
}

void TJournalFile::Outcome(const JournalEntry& entry, bool done) {
  Write(JournalOutcomeLine(run_, entry.seq, done));
}

bool TJournalFile::Write(const String& line) {
  if (!file_) return false;
  DWORD written = 0;
  // Straight to the system: a program killed after this keeps the line.
  return WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
         written == line.size();
}
