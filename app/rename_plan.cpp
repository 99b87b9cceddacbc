#include "app/rename_plan.h"

#include "framework/Format.h"
#include "lib/core/File.h"

#include <unordered_map>

namespace {

// Holder of a name in the replay: the entry whose new name it is, or
// nobody the run renamed there (it was on disk before).
constexpr size_t kOnDisk = SIZE_MAX;

bool LeavesItsDirectory(const String& name) {
  return CharPos(name.c_str(), '\\') >= 0 || CharPos(name.c_str(), '/') >= 0 ||
         CharPos(name.c_str(), ':') >= 0;
}

}  // namespace

String StoredName(const String& name) {
  // Neither byte is ever the trail byte of a double-byte character.
  const size_t end = name.find_last_not_of(". ");
  return end == String::npos ? name : name.substr(0, end + 1);
}

RenamePlan PlanRenames(const String& pattern, int32_t start, const std::vector<RenameItem>& items,
                       const std::vector<std::vector<String>>& present) {
  RenamePlan plan;
  plan.items.reserve(items.size());
  std::vector<std::unordered_map<String, size_t>> holders(present.size());
  for (size_t d = 0; d < present.size(); ++d) {
    holders[d].reserve(present[d].size() + items.size());
    for (const String& name : present[d]) holders[d].emplace(UpperCase(name), kOnDisk);
  }
  const auto mark = [&plan](size_t i) {
    if (plan.items[i].collides) return;
    plan.items[i].collides = true;
    ++plan.collisions;
  };
  int64_t number = start;
  for (const RenameItem& item : items) {
    if (number > INT32_MAX) {
      plan.error = "ファイル名の番号が上限に達しました";
      break;
    }
    String newName;
    try {
      newName = StoredName(Format(pattern, {static_cast<int32_t>(number), BaseNamePart(item.name),
                                            String(ExtensionPart(item.name))}));
    } catch (const EConvertError& error) {
      plan.error = error.Message();
      break;
    }
    ++number;  // spent whether or not the name can be had, as in the run
    const size_t index = plan.items.size();
    plan.items.push_back({newName, false});
    if (item.directory >= holders.size() || LeavesItsDirectory(newName)) continue;
    auto& names = holders[item.directory];
    const String from = UpperCase(item.name), to = UpperCase(newName);
    if (to == from) continue;  // its own name, perhaps in other letters
    const auto taken = names.find(to);
    if (taken == names.end()) {
      names.erase(from);
      names.emplace(to, index);
      continue;
    }
    // The move would fail: this entry keeps its name, so its old one
    // stays taken.
    mark(index);
    if (taken->second != kOnDisk) mark(taken->second);
  }
  return plan;
}
