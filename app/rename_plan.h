// The new names of a page-1 run, worked out before anything changes: what
// the preview shows as the pattern is typed, and what the run checks
// before its question. Window-free.
//
// The run renames its entries one after another, each with the platform's
// move call, so a name is free only if nothing holds it at that moment:
// an entry already there that the run renames away only later still
// blocks it, as does an earlier entry's new name. The plan replays the run
// in its order on the names of each directory and marks every entry whose
// new name would be taken, and the entry that took it.
#pragma once

#include "framework/Sysutils.h"

#include <cstdint>
#include <vector>

// An entry the run renames, in the run's order.
struct RenameItem {
  uint32_t directory = 0;  // index into the run's directories
  String name;             // as the disk spells it
};

struct RenameOutcome {
  String newName;  // what the pattern gives, as stored (it may hold a "\")
  bool collides = false;
};

struct RenamePlan {
  // One per item, up to the first the pattern cannot name.
  std::vector<RenameOutcome> items;
  size_t collisions = 0;
  // Why the pattern names no more items (the format's message, or the
  // numbers have run out); empty when it named them all.
  String error;
};

// The name as the file system keeps it: the platform's path calls drop
// trailing dots and blanks, so a pattern's "Sample00." is stored as
// "Sample00". Unchanged when nothing else would be left.
String StoredName(const String& name);

// present: every name in each directory before the run. A new name with
// a "\" leads into another directory and is not checked here; the move
// call's own refusal stays the last word for it, as for anything that
// changes on disk after the plan was made. Names compare with ASCII
// letter case ignored, as the file system does for them.
RenamePlan PlanRenames(const String& pattern, int32_t start, const std::vector<RenameItem>& items,
                       const std::vector<std::vector<String>>& present);
