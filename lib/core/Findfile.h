// The directory-entry finder. It is the platform's find-data record itself,
// so it can be passed wherever that record is expected; after a true Next()
// cFileName holds the entry's full path and cAlternateFileName a short name.
#pragma once

#include "framework/Handle.h"
#include "framework/Sysutils.h"

#include <cstdint>
#include <deque>
#include <memory>

class kxFindFile : public WIN32_FIND_DATAA {
public:
  kxFindFile();
  // The defaults, then Find(path).
  explicit kxFindFile(const String& path);
  virtual ~kxFindFile();
  kxFindFile(const kxFindFile&) = delete;
  kxFindFile& operator=(const kxFindFile&) = delete;

  // Options, read by the following Find and Next calls.
  int32_t ExcludeAttr = 0;   // entries sharing a bit with it are skipped
  bool ShowDots = false;     // deliver "." and ".."
  bool SubDirectory = true;  // then search Mask in every subdirectory of Root

  bool Find(const String& path) { return Find(String(), path); }
  // Starts over; true when the first platform call found an entry.
  bool Find(const String& root, const String& mask);
  // The next entry that passes the filters; false when there is none.
  bool Next() { return Next(ExcludeAttr); }
  bool Next(int32_t excludeAttr);

  String FileName() const { return cFileName; }
  void GetFileName(String& name) const { name = cFileName; }
  const String& Root() const { return root_; }
  const String& Mask() const { return mask_; }
  // The directories still to be searched, separated by ";".
  String PendingDirs() const;
  bool IsOpen() const { return static_cast<bool>(handle_); }
  void Close() { handle_.reset(); }

private:
  void SetRoot(const String& root);
  // Completes the entry in the record; false if it is to be skipped.
  bool Examine(int32_t excludeAttr);
  bool NextInChild(int32_t excludeAttr);

  String root_;
  String mask_;
  // Kept apart, not in one ";"-separated text: a directory name may hold
  // ";" itself.
  std::deque<String> pendingDirs_;
  std::unique_ptr<kxFindFile> child_;
  bool firstPending_ = false;
  UniqueFindHandle handle_;
  // The absolute directory of Root joined with Mask, ending in "\\", for
  // the full paths; empty when it could not be formed.
  String directory_;
};

// Whether an entry delivered by a finder can be acted on through its
// cFileName (PathProblem): a bare name (its full path did not fit) would
// resolve against the current directory, a name holding "?" or "*" would
// reach other entries, and so would one ending in "." or " ".
bool IsExactEntry(const WIN32_FIND_DATAA& entry);
