#include "lib/core/Findfile.h"

#include "lib/core/File.h"

#include <cstring>

namespace {

// Every bit but read-only, hidden, system and directory: what the listing
// of subdirectories leaves out (links among them).
constexpr int32_t kPlainDirectoriesOnly = -24;

// A mask naming a drive or a share cannot match anything below another
// directory, so walking the subdirectories for it would only cost time.
bool IsFullPathMask(const String& mask) {
  return LastCharPos(mask.c_str(), ':') >= 0 || mask.rfind("\\\\", 0) == 0;
}

bool IsDots(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Root and Mask joined, cut after the last "\" or ":".
String DirectoryOf(const String& root, const String& mask) {
  String pattern = root;
  AppendPath(pattern, mask);
  pattern.resize(FileNamePart(pattern) - pattern.c_str());
  return pattern;
}

}  // namespace

kxFindFile::kxFindFile() : WIN32_FIND_DATAA{} {}

kxFindFile::kxFindFile(const String& path) : kxFindFile() { Find(path); }

kxFindFile::~kxFindFile() = default;

void kxFindFile::SetRoot(const String& root) {
  if (root == root_ && !directory_.empty()) return;
  root_ = root;
  String dir = DirectoryOf(root_, mask_);
  // The platform's absolute form of the directory, once; entries are then
  // appended by name, which keeps names ending in "." or " " intact.
  directory_ = FullPath(dir.empty() ? String(".") : dir);
  if (!directory_.empty()) AppendPath(directory_, "");
}

bool kxFindFile::Find(const String& root, const String& mask) {
  Close();
  mask_ = mask;
  directory_.clear();
  SetRoot(root);
  pendingDirs_.clear();
  child_.reset();

  if (SubDirectory && !IsFullPathMask(mask_)) {
    kxFindFile dirs;
    dirs.ShowDots = false;
    dirs.SubDirectory = false;
    dirs.ExcludeAttr = kPlainDirectoriesOnly;
    String pattern = root_;
    dirs.Find(AppendPath(pattern, "*.*"));
    while (dirs.Next()) {
      if (dirs.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) pendingDirs_.push_back(dirs.cFileName);
    }
  }

  firstPending_ = false;
  String pattern = root_;
  AppendPath(pattern, mask_);
  if (!pattern.empty()) {
    handle_.reset(FindFirstFileA(pattern.c_str(), this));
    firstPending_ = IsOpen();
  }
  return IsOpen();
}

bool kxFindFile::Next(int32_t excludeAttr) {
  if (firstPending_) {
    firstPending_ = false;
    if (Examine(excludeAttr)) return true;
  }
  for (;;) {
    if (child_) {
      if (!NextInChild(excludeAttr)) return false;
    } else if (IsOpen() && FindNextFileA(handle_.get(), this)) {
      // the record holds the next entry
    } else {
      Close();
      if (pendingDirs_.empty()) return false;
      child_ = std::make_unique<kxFindFile>();
      continue;
    }
    if (Examine(excludeAttr)) return true;
  }
}

bool kxFindFile::Examine(int32_t excludeAttr) {
  if (dwFileAttributes & static_cast<DWORD>(excludeAttr)) return false;
  // For an entry copied up from the child this is the name part of its
  // full path; for our own it is the platform's bare name.
  const char* name = FileNamePart(cFileName);
  const size_t length = std::strlen(name);
  if (cAlternateFileName[0] == '\0' && length < 13) {
    std::memcpy(cAlternateFileName, name, length + 1);
  }
  if (!ShowDots && IsDots(cAlternateFileName)) return false;

  if (IsDots(name)) {
    String dotted = DirectoryOf(root_, mask_);
    const String full = FullPath(AppendPath(dotted, String(name)));
    std::memcpy(cFileName, full.c_str(), full.size() + 1);
  } else if (directory_.empty()) {
    cFileName[0] = '\0';
  } else if (directory_.size() + length < MAX_PATH) {
    // The name moves behind its directory in place: every listing passes
    // here once an entry, so no text is made for it.
    std::memmove(cFileName + directory_.size(), name, length + 1);
    std::memcpy(cFileName, directory_.data(), directory_.size());
  } else {
    std::memmove(cFileName, name, length + 1);  // too long: the bare name
  }
  return true;
}

String kxFindFile::PendingDirs() const {
  String list;
  for (const String& dir : pendingDirs_) {
    if (!list.empty()) list += ';';
    list += dir;
  }
  return list;
}

bool kxFindFile::NextInChild(int32_t excludeAttr) {
  if (!child_) return false;
  for (;;) {
    if (!child_->IsOpen() && !child_->child_) {
      if (pendingDirs_.empty() || pendingDirs_.front().empty()) {
        child_.reset();
        return false;
      }
      const String dir = std::move(pendingDirs_.front());
      pendingDirs_.pop_front();
      child_->SubDirectory = SubDirectory;
      child_->ShowDots = ShowDots;
      child_->ExcludeAttr = excludeAttr;
      child_->Find(dir, mask_);
    }
    if (child_->Next(excludeAttr)) {
      static_cast<WIN32_FIND_DATAA&>(*this) = *child_;
      SetRoot(child_->root_);
      return true;
    }
  }
}

bool IsExactEntry(const WIN32_FIND_DATAA& entry) { return PathProblem(entry.cFileName) == ppNone; }
