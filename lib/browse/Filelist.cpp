#include "lib/browse/Filelist.h"

#include "framework/Locale.h"
#include "lib/browse/Dirtree.h"
#include "lib/core/File.h"
#include "lib/core/Waitcur.h"

#include <cstdio>
#include <cstring>
#include <unordered_set>

namespace {

constexpr size_t kEntrySize = sizeof(kxvFileEntry);
// The attribute bit of a volume label, which has no name in the headers.
constexpr int32_t kVolumeLabel = 0x08;

// Heavier rows first in ascending order.
int AttributeWeight(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY ? 16 : 0) +
         (attributes & FILE_ATTRIBUTE_SYSTEM ? 8 : 0) +
         (attributes & FILE_ATTRIBUTE_HIDDEN ? 4 : 0) +
         (attributes & FILE_ATTRIBUTE_READONLY ? 2 : 0) +
         (attributes & FILE_ATTRIBUTE_ARCHIVE ? 1 : 0);
}

// The rows stay hidden until the list is complete, whatever happens.
class UpdateScope {
public:
  explicit UpdateScope(TCustomListView& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateScope() { list_.EndUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

private:
  TCustomListView& list_;
};

}  // namespace

String kxvNameSortKey(const char* name) {
  const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  // One call where the key fits the buffer, as every file name's does; a
  // list makes a key for each of its rows.
  char buffer[2048];
  int size = LCMapStringA(LOCALE_USER_DEFAULT, flags, name, -1, buffer, sizeof buffer);
  if (size > 0) return String(buffer, static_cast<size_t>(size));
  size = LCMapStringA(LOCALE_USER_DEFAULT, flags, name, -1, nullptr, 0);
  String key(size > 0 ? size : 0, '\0');
  if (size > 0) LCMapStringA(LOCALE_USER_DEFAULT, flags, name, -1, key.data(), size);
  return key;
}

int kxvCompareFiles(const kxvFileEntry& e1, const char* name1, const kxvFileEntry& e2,
                    const char* name2, kxvFileSortType sortType, bool descending,
                    const String* key1, const String* key2) {
  if (sortType == fstNone) return 0;
  int result = 0;
  if (e1.IsDirectory() != e2.IsDirectory()) {
    result = e1.IsDirectory() ? -1 : 1;
  } else {
    switch (sortType) {
      case fstExt:
        result = lstrcmpiA(ExtensionPart(name1), ExtensionPart(name2));
        break;
      case fstSize:
        result = e1.Size() < e2.Size() ? -1 : e1.Size() > e2.Size() ? 1 : 0;
        break;
      case fstTime:
        result = CompareFileTime(&e1.LastWriteTime, &e2.LastWriteTime);
        break;
      case fstAttribute:
        result = AttributeWeight(e2.Attributes) - AttributeWeight(e1.Attributes);
        break;
      default:
        break;
    }
    if (result == 0) {
      if (key1 && key2) {
        const int c = key1->compare(*key2);
        result = c < 0 ? -1 : c > 0 ? 1 : 0;
      } else {
        result = lstrcmpiA(name1, name2);
      }
    }
  }
  return descending ? -result : result;
}

kxvFileList::kxvFileList(TComponent* owner) : TCustomListView(owner) {
  SetBounds(Left(), Top(), 150, 97);
  entries_.reserve(9216 / kEntrySize);
  SetSortComparator(
      [this](const TListItem& a, const TListItem& b) { return CompareEvent(a, b, 0); });
  SetAutoSort(true);
}

// The tree learns of our end through its free notification.
kxvFileList::~kxvFileList() { watcher_.reset(); }

bool kxvFileList::Quiet() const {
  return (ComponentState() & (csLoading | csReading | csDesigning)) != 0;
}

void kxvFileList::InitializeWnd() {
  TCustomListView::InitializeWnd();
  SetColumnClick(true);
  CreateColumn();
}

void kxvFileList::CreateColumn() {
  // Columns an owner added after the list's own stay as they are.
  std::vector<TListColumn> added;
  for (int c = kOwnColumns; c < ColumnCount(); ++c) {
    added.push_back({ColumnCaption(c), ColumnWidth(c), ColumnAlignment(c)});
  }
  ClearColumns();
  AddColumn("名前", ColumnHeaderWidth, taLeftJustify);
  AddColumn("サイズ", ColumnHeaderWidth, taRightJustify);
  AddColumn("日付", ColumnHeaderWidth, taLeftJustify);
  AddColumn("属性", ColumnHeaderWidth, taRightJustify);
  for (const TListColumn& column : added) AddColumn(column.Caption, column.Width, column.Alignment);
}

// --- Rows ---------------------------------------------------------------------

namespace {

// The number as the picture "#,##0" shows it. Made by hand: the list makes
// three texts a row, and the general formatter would cost a third of a
// listing.
String GroupedDigits(uint64_t number) {
  char digits[24];
  const int length = std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(number));
  const char separator = ThousandSeparator();
  String text;
  text.reserve(static_cast<size_t>(length + length / 3 + 1));
  for (int i = 0; i < length; ++i) {
    if (i > 0 && (length - i) % 3 == 0) text += separator;
    text += digits[i];
  }
  return text;
}

// size / unit rounded to the nearest whole, halves up.
uint64_t Rounded(uint64_t size, uint64_t unit) { return size / unit + ((size % unit) * 2 >= unit); }

}  // namespace

String kxvFileList::SizeText(const kxvFileEntry& entry, kxvAutoFileSize unit) {
  const uint64_t size = entry.Size();
  if (unit == afszAuto) {
    if (entry.SizeHigh != 0) unit = afszGByte;
    else if (size >= 4194304) unit = afszMByte;
    else if (size >= 4096) unit = afszKByte;
    else unit = afszByte;
  }
  switch (unit) {
    case afszKByte: return GroupedDigits(Rounded(size, 1024)) + 'K';
    case afszMByte: return GroupedDigits(Rounded(size, 1048576)) + 'M';
    case afszGByte: return GroupedDigits(Rounded(size, 1073741824)) + 'G';
    default: return GroupedDigits(size) + ' ';
  }
}

String kxvFileList::DateText(const kxvFileEntry& entry) {
  FILETIME local;
  SYSTEMTIME fields;
  if (!FileTimeToLocalFileTime(&entry.LastWriteTime, &local) ||
      !FileTimeToSystemTime(&local, &fields)) {
    return String();
  }
  // "yy/mm/dd hh:nn:ss" with the locale's separators, made by hand as the
  // sizes are; nothing for a time the date values cannot hold.
  if (fields.wYear > 9999) return String();
  const char date = DateSeparator(), time = TimeSeparator();
  char text[32];
  std::snprintf(text, sizeof text, "%02u%c%02u%c%02u %02u%c%02u%c%02u", fields.wYear % 100u, date,
                fields.wMonth, date, fields.wDay, fields.wHour, time, fields.wMinute, time,
                fields.wSecond);
  return text;
}

String kxvFileList::AttributeText(DWORD attributes) {
  String text;
  if (attributes & FILE_ATTRIBUTE_READONLY) text += 'R';
  if (attributes & FILE_ATTRIBUTE_HIDDEN) text += 'H';
  if (attributes & FILE_ATTRIBUTE_SYSTEM) text += 'S';
  if (attributes & FILE_ATTRIBUTE_ARCHIVE) text += 'A';
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) text += 'D';
  return text;
}

void kxvFileList::Add(const WIN32_FIND_DATAA& record) {
  kxvFileEntry entry;
  std::memcpy(&entry, &record, kEntrySize);
  const uintptr_t offset = entries_.size() * kEntrySize;
  entries_.push_back(entry);
  AddItem(FileNamePart(record.cFileName),
          {SizeText(entry, autoFileSize_), DateText(entry), AttributeText(entry.Attributes)},
          reinterpret_cast<void*>(offset));
}

void kxvFileList::Add(const kxFindFile& finder) { Add(static_cast<const WIN32_FIND_DATAA&>(finder)); }

void kxvFileList::Add(const String& pattern) {
  kxFindFile finder;
  finder.SubDirectory = false;
  finder.ShowDots = false;
  finder.ExcludeAttr = kVolumeLabel;
  finder.Find(pattern);
  // One sort after the batch puts the rows in the order a sort after each
  // row would.
  const bool autoSort = AutoSort();
  SetAutoSort(false);
  try {
    while (finder.Next()) Add(finder);
  } catch (...) {
    SetAutoSort(autoSort);
    throw;
  }
  SetAutoSort(autoSort);
}

const kxvFileEntry& kxvFileList::Entry(int row) const { return Entry(Items(row)); }

const kxvFileEntry& kxvFileList::Entry(const TListItem& item) const {
  return entries_.at(reinterpret_cast<uintptr_t>(item.Data) / kEntrySize);
}

// --- Listing ----------------------------------------------------------------

void kxvFileList::MakeFileList() {
  kxWaitCursor wait;
  watcher_.reset();
  Clear();
  CreateColumn();
  entries_.clear();
  if (directory_.empty()) return;
  {
    UpdateScope update(*this);
    String pattern = directory_;
    Add(AppendPath(pattern, "*.*"));
  }
  if (autoUpdate_ && !Quiet()) StartWatch();
}

void kxvFileList::UpdateList() {
  std::vector<String> selected;
  for (int row = GetSelectedItem(-1); row >= 0; row = GetSelectedItem(row)) {
    selected.push_back(Caption(row));
  }
  MakeFileList();
  if (selected.empty()) return;
  // Exact names first: where two names differ only in letter case, the
  // row that was selected is the one selected again.
  std::unordered_set<String> wanted(selected.begin(), selected.end());
  std::unordered_set<String> found;
  std::vector<int> rows;
  for (int row = 0; row < Count(); ++row) {
    const String caption = Caption(row);
    if (wanted.count(caption)) {
      rows.push_back(row);
      found.insert(caption);
    }
  }
  for (const String& name : selected) {
    if (found.count(name)) continue;
    const int row = FindName(name);
    if (row >= 0) rows.push_back(row);
  }
  SelectRows(rows);
}

void kxvFileList::StartWatch() {
  watcher_ = std::make_unique<kxvDirNotifyChange>(directory_, false, 0);
  watcher_->OnNotify = [this](TObject* sender) { NotifyChange(sender); };
  watcher_->Start();
}

void kxvFileList::NotifyChange(TObject*) { UpdateList(); }

// --- Properties -------------------------------------------------------------

void kxvFileList::SetDirectory(String dir) {
  if (!dir.empty() && LastCharPos(dir.c_str(), '\\') != static_cast<int>(dir.size()) - 1) {
    dir += '\\';
  }
  if (lstrcmpiA(dir.c_str(), directory_.c_str()) == 0) return;
  directory_ = dir;
  if (dirTree_) dirTree_->SetDirectory(directory_);
  // No directory: no rows and no watch, never the old directory's.
  MakeFileList();
}

void kxvFileList::SetAutoFileSize(kxvAutoFileSize autoFileSize) {
  autoFileSize_ = autoFileSize;
  MakeFileList();
}

void kxvFileList::SetAutoUpdate(bool autoUpdate) {
  autoUpdate_ = autoUpdate;
  watcher_.reset();
  if (autoUpdate && !directory_.empty()) StartWatch();
}

void kxvFileList::SetSortType(kxvFileSortType sortType) {
  sortType_ = sortType;
  if (sortType != fstNone) Sort();
  else UpdateList();  // back to the order of the disk
  if (OnSortTypeChange) OnSortTypeChange(this);
}

void kxvFileList::SetSortDirection(bool descending) {
  sortDirection_ = descending;
  Sort();
  if (OnSortTypeChange) OnSortTypeChange(this);
}

void kxvFileList::SetDirTree(kxvDirTree* tree) {
  if (tree == dirTree_) return;
  kxvDirTree* old = dirTree_;
  dirTree_ = tree;
  // The tree we leave forgets us, if it still points here.
  if (old) {
    RemoveFreeNotification(old);
    if (old->FileList() == this) old->SetFileList(nullptr);
  }
  if (tree) {
    FreeNotification(tree);
    tree->SetFileList(this);
  }
}

void kxvFileList::Notification(TComponent* component, TOperation operation) {
  TCustomListView::Notification(component, operation);
  if (operation == opRemove && component == static_cast<TComponent*>(dirTree_)) dirTree_ = nullptr;
}

// --- Sorting and the user ---------------------------------------------------

int kxvFileList::CompareEvent(const TListItem& item1, const TListItem& item2, int data) {
  if (OnCompare) {
    int compare = 0;
    OnCompare(this, item1, item2, data, compare);
    return compare;
  }
  const size_t r1 = reinterpret_cast<uintptr_t>(item1.Data) / kEntrySize;
  const size_t r2 = reinterpret_cast<uintptr_t>(item2.Data) / kEntrySize;
  const bool keyed = r1 < sortKeys_.size() && r2 < sortKeys_.size();
  return kxvCompareFiles(entries_.at(r1), Caption(item1), entries_.at(r2), Caption(item2),
                         sortType_, sortDirection_, keyed ? &sortKeys_[r1] : nullptr,
                         keyed ? &sortKeys_[r2] : nullptr);
}

void kxvFileList::Sort() {
  // Only where names decide often: sizes and times seldom tie.
  const bool byName = sortType_ == fstName || sortType_ == fstExt || sortType_ == fstAttribute;
  if (byName && !OnCompare && Count() > 1) {
    sortKeys_.assign(entries_.size(), String());
    for (const TListItem& item : Items()) {
      sortKeys_[reinterpret_cast<uintptr_t>(item.Data) / kEntrySize] = kxvNameSortKey(Caption(item));
    }
  }
  try {
    TCustomListView::Sort();
  } catch (...) {
    sortKeys_.clear();
    throw;
  }
  sortKeys_.clear();
}

void kxvFileList::ColumnClicked(int column) {
  static const kxvFileSortType byColumn[] = {fstName, fstSize, fstTime, fstAttribute};
  if (column >= 0 && column < 4) {
    const kxvFileSortType sortType = byColumn[column];
    if (sortType == sortType_) SetSortDirection(!sortDirection_);
    else SetSortType(sortType);
  }
  TCustomListView::ColumnClicked(column);
}

void kxvFileList::DblClick() {
  const int row = GetSelectedItem(-1);
  if (row >= 0 && Entry(row).IsDirectory()) {
    String dir = directory_;
    SetDirectory(AppendPath(dir, Caption(row)));
  }
  TCustomListView::DblClick();
}

// --- Selection --------------------------------------------------------------

int kxvFileList::FindName(const String& name) const {
  // The platform's comparison, as for directories: names the disk holds
  // apart by case are still the same name to look up.
  for (int row = 0; row < Count(); ++row) {
    if (lstrcmpiA(Caption(row), name.c_str()) == 0) return row;
  }
  return -1;
}

int kxvFileList::GetSelectedItem(int after) const {
  for (int row = after < 0 ? 0 : after + 1; row < Count(); ++row) {
    if (Selected(row)) return row;
  }
  return -1;
}

namespace Filelist {
void Register() { RegisterComponent<kxvFileList>("NORDA", "kxvFileList"); }
}  // namespace Filelist
