// The file list: a report view of one directory's entries with name, size,
// date and attribute columns. Each row keeps the first 36 bytes of its
// find-data record, so sorting by size, time or attributes never goes back
// to the disk. It can follow a linked directory tree and refresh itself
// when the directory changes on disk, keeping the selection by name.
#pragma once

#include "framework/ListView.h"
#include "lib/browse/Fchange.h"
#include "lib/core/Findfile.h"

#include <cstdint>
#include <memory>
#include <vector>

class kxvDirTree;

enum kxvFileSortType { fstNone, fstName, fstExt, fstSize, fstTime, fstAttribute };
enum kxvAutoFileSize { afszAuto, afszByte, afszKByte, afszMByte, afszGByte };

// The leading fields of the platform's find-data record, as stored per row.
struct kxvFileEntry {
  DWORD Attributes;
  FILETIME CreationTime;
  FILETIME LastAccessTime;
  FILETIME LastWriteTime;
  DWORD SizeHigh;
  DWORD SizeLow;

  uint64_t Size() const { return (uint64_t(SizeHigh) << 32) | SizeLow; }
  bool IsDirectory() const { return (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};
static_assert(sizeof(kxvFileEntry) == 36);

// The file list's order of two rows: <0, 0 or >0. Directories come first
// (last when descending); ties go by name, letter case ignored (the
// platform's comparison, or the bytes of the names' sort keys when given:
// the same order).
int kxvCompareFiles(const kxvFileEntry& e1, const char* name1, const kxvFileEntry& e2,
                    const char* name2, kxvFileSortType sortType, bool descending,
                    const String* key1 = nullptr, const String* key2 = nullptr);
// The platform's sort key of a name, letter case ignored.
String kxvNameSortKey(const char* name);

// Replaces the list's own order: compare is <0, 0 or >0 as item1 goes
// before, with or after item2.
using kxvFileCompareEvent = std::function<void(TObject* sender, const TListItem& item1,
                                               const TListItem& item2, int data, int& compare)>;

class kxvFileList : public TCustomListView {
public:
  explicit kxvFileList(TComponent* owner);
  ~kxvFileList() override;

  // Name, size, date and attributes; an owner's columns come after them
  // and stay through every re-listing.
  static constexpr int kOwnColumns = 4;

  // Empty, or ending in "\".
  const String& Directory() const { return directory_; }
  // Lists dir unless it is the shown directory (letter case ignored).
  void SetDirectory(String dir);
  kxvAutoFileSize AutoFileSize() const { return autoFileSize_; }
  // Re-lists (the selection is not kept).
  void SetAutoFileSize(kxvAutoFileSize autoFileSize);
  bool AutoUpdate() const { return autoUpdate_; }
  // Starts or stops watching Directory; the rows stay.
  void SetAutoUpdate(bool autoUpdate);
  kxvFileSortType SortType() const { return sortType_; }
  // Re-sorts (fstNone re-lists in enumeration order), then fires
  // OnSortTypeChange, also when the value is unchanged.
  void SetSortType(kxvFileSortType sortType);
  // false ascending, true descending.
  bool SortDirection() const { return sortDirection_; }
  void SetSortDirection(bool descending);
  kxvDirTree* DirTree() const { return dirTree_; }
  // Links the tree (not owned), which then pushes its directory here; a
  // tree linked before forgets this list.
  void SetDirTree(kxvDirTree* tree);

  // Re-lists Directory and selects again the rows selected before.
  void UpdateList();
  // Re-lists Directory from scratch and watches it when AutoUpdate is on.
  void MakeFileList();
  // A row for every entry of one directory matching pattern (a directory
  // followed by a mask), volume labels left out.
  void Add(const String& pattern);
  // A row for the finder's current entry.
  void Add(const kxFindFile& finder);
  // A row for one record; its cFileName may be a full path or a name.
  void Add(const WIN32_FIND_DATAA& record);

  // The row's stored record.
  const kxvFileEntry& Entry(int row) const;
  const kxvFileEntry& Entry(const TListItem& item) const;
  // The first row whose caption is name, letter case ignored; -1 if none.
  int FindName(const String& name) const;
  // The next selected row after after (-1: from the first); -1 if none.
  int GetSelectedItem(int after) const;
  // SelectAll as every list view has it; these two are the same for the
  // file list's own callers.
  void SelectClear() { ClearSelection(); }
  void SelectChange() { InvertSelection(); }

  // The watcher's notification.
  void NotifyChange(TObject* sender);

  kxvFileCompareEvent OnCompare;
  TNotifyEvent OnSortTypeChange;

  // The texts of a row's columns, as shown.
  static String SizeText(const kxvFileEntry& entry, kxvAutoFileSize unit);
  static String DateText(const kxvFileEntry& entry);
  static String AttributeText(DWORD attributes);

  // Sorts with the names' sort keys made once, not compared afresh in
  // every comparison.
  void Sort() override;

protected:
  void InitializeWnd() override;
  void Notification(TComponent* component, TOperation operation) override;
  void ColumnClicked(int column) override;
  void DblClick() override;
  int CompareEvent(const TListItem& item1, const TListItem& item2, int data);

private:
  void CreateColumn();
  void StartWatch();
  bool Quiet() const;

  String directory_;
  kxvAutoFileSize autoFileSize_ = afszAuto;
  bool autoUpdate_ = false;
  kxvFileSortType sortType_ = fstNone;
  bool sortDirection_ = false;
  kxvDirTree* dirTree_ = nullptr;
  // One record per row, in the order the rows were added; a row's Data is
  // the byte offset of its record.
  std::vector<kxvFileEntry> entries_;
  std::unique_ptr<kxvDirNotifyChange> watcher_;
  // During Sort: the sort key of each record's name, by record.
  std::vector<String> sortKeys_;
};

namespace Filelist {
// Puts kxvFileList on the palette page "NORDA".
void Register();
}  // namespace Filelist
