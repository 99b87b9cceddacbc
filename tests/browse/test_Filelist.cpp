#include "lib/browse/Filelist.h"

#include "framework/Forms.h"
#include "tests/helpers/Pump.h"
#include "tests/helpers/TempDir.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace {

constexpr uint64_t kSecond = 10000000;
// 2026-12-08 06:41:45 UTC as a platform file time.
constexpr uint64_t kSomeTime = 134411857050000000ull;

WIN32_FIND_DATAA Record(const char* name, DWORD attributes, uint64_t size = 0,
                        uint64_t time = kSomeTime) {
  WIN32_FIND_DATAA record{};
  record.dwFileAttributes = attributes;
  record.ftLastWriteTime = FILETIME{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  record.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  record.nFileSizeLow = static_cast<DWORD>(size);
  std::strcpy(record.cFileName, name);
  return record;
}

kxvFileEntry Entry(uint64_t size, uint64_t time = kSomeTime) {
  WIN32_FIND_DATAA record = Record("x", 0, size, time);
  kxvFileEntry entry;
  std::memcpy(&entry, &record, sizeof entry);
  return entry;
}

std::vector<String> Captions(const kxvFileList& list) {
  std::vector<String> captions;
  for (const TListItem& item : list.Items()) captions.push_back(list.Caption(item));
  return captions;
}

std::vector<String> SelectedCaptions(const kxvFileList& list) {
  std::vector<String> captions;
  for (int row = list.GetSelectedItem(-1); row >= 0; row = list.GetSelectedItem(row)) {
    captions.push_back(list.Caption(row));
  }
  return captions;
}

// The names of a directory in the platform's enumeration order.
std::vector<String> EnumerationOrder(const String& dir) {
  std::vector<String> names;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((dir + "\\*.*").c_str(), &data);
  for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &data)) {
    if (std::strcmp(data.cFileName, ".") && std::strcmp(data.cFileName, "..")) {
      names.push_back(data.cFileName);
    }
  }
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
  return names;
}

String WindowText(kxvFileList* list, int row, int column) {
  char text[260] = "";
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list->Handle(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

String HeaderText(kxvFileList* list, int column) {
  char text[64] = "";
  LVCOLUMNA col{};
  col.mask = LVCF_TEXT;
  col.pszText = text;
  col.cchTextMax = sizeof text;
  SendMessageA(list->Handle(), LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
  return text;
}

class FileListTest : public ::testing::Test {
protected:
  FileListTest() {
    list->SetParent(&form);
    list->SetBounds(0, 0, 400, 300);
    list->SetMultiSelect(true);
  }

  void AddAll(std::initializer_list<WIN32_FIND_DATAA> records) {
    for (const WIN32_FIND_DATAA& record : records) list->Add(record);
  }

  // A click on a column header, as the window reports it to its parent.
  void ClickColumn(int column) {
    NMLISTVIEW info{};
    info.hdr = NMHDR{list->Handle(), static_cast<UINT_PTR>(list->ControlId()),
                     static_cast<UINT>(LVN_COLUMNCLICK)};
    info.iItem = -1;
    info.iSubItem = column;
    SendMessageA(form.Handle(), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
  }

  void Select(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      const int row = list->FindName(name);
      ASSERT_GE(row, 0) << name;
      list->SetSelected(row, true);
    }
  }

  TForm form{nullptr};
  kxvFileList* list = new kxvFileList(&form);
};

}  // namespace

TEST(kxvFileListTexts, SizeDateAndAttributeTexts) {
  EXPECT_EQ(kxvFileList::SizeText(Entry(0), afszAuto), "0 ");
  EXPECT_EQ(kxvFileList::SizeText(Entry(4095), afszAuto), "4,095 ");
  EXPECT_EQ(kxvFileList::SizeText(Entry(4096), afszAuto), "4K");
  EXPECT_EQ(kxvFileList::SizeText(Entry(4194303), afszAuto), "4,096K");
  EXPECT_EQ(kxvFileList::SizeText(Entry(4194304), afszAuto), "4M");
  EXPECT_EQ(kxvFileList::SizeText(Entry(5ull << 30), afszAuto), "5G");
  // Halves away from zero; fixed units whatever the size.
  EXPECT_EQ(kxvFileList::SizeText(Entry(1536), afszKByte), "2K");
  EXPECT_EQ(kxvFileList::SizeText(Entry(1535), afszKByte), "1K");
  EXPECT_EQ(kxvFileList::SizeText(Entry(1234567), afszByte), "1,234,567 ");
  EXPECT_EQ(kxvFileList::SizeText(Entry(3ull << 20), afszMByte), "3M");
  EXPECT_EQ(kxvFileList::SizeText(Entry(1ull << 29), afszGByte), "1G");
  EXPECT_EQ(kxvFileList::SizeText(Entry(~0ull), afszAuto), "17,179,869,184G");

  // Local time is UTC here unless TZ says otherwise.
  TIME_ZONE_INFORMATION zone;
  const DWORD kind = GetTimeZoneInformation(&zone);
  const long bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
  const uint64_t utc = kSomeTime + static_cast<int64_t>(bias) * 60 * kSecond;
  EXPECT_EQ(kxvFileList::DateText(Entry(0, utc)), "26/12/08 06:41:45");
  // A time the date values cannot hold gives no text rather than a failure.
  EXPECT_EQ(kxvFileList::DateText(Entry(0, 0x7FFFFFFFFFFFFFFFull)), "");

  EXPECT_EQ(kxvFileList::AttributeText(0), "");
  EXPECT_EQ(kxvFileList::AttributeText(0x01 | 0x20 | 0x10), "RAD");
  EXPECT_EQ(kxvFileList::AttributeText(0x3F), "RHSAD");
}

TEST_F(FileListTest, ListsADirectoryWithItsColumns) {
  TempDir dir;
  dir.File("a.txt", String(4096, 'x'));
  dir.File("漢字表.txt", "123");
  dir.File("hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  dir.Dir("sub");
  String big = dir.File("big.bin", "");
  ASSERT_TRUE(RunUnix("/usr/bin/truncate -s 5G \"" + UnixPath(big) + "\"", [&] {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(big.c_str(), GetFileExInfoStandard, &data) &&
           data.nFileSizeHigh == 1;
  }));
  list->SetSortType(fstName);
  list->HandleNeeded();  // the window first, the rows after: the program's order
  list->SetDirectory(dir.Path());
  EXPECT_EQ(list->Directory(), dir.Path() + "\\");

  EXPECT_EQ(Captions(*list), (std::vector<String>{"sub", "a.txt", "big.bin", "hidden.txt",
                                                  "漢字表.txt"}));
  EXPECT_EQ(String(list->SubItem(0, 2)), "D");
  EXPECT_TRUE(list->Entry(0).IsDirectory());
  EXPECT_EQ(String(list->SubItem(1, 0)), "4K");
  EXPECT_EQ(String(list->SubItem(2, 0)), "5G");
  EXPECT_EQ(list->Entry(2).Size(), 5ull << 30);
  EXPECT_EQ(String(list->SubItem(3, 2)), "HSA");  // Wine shows the archive bit on every file
  EXPECT_EQ(String(list->SubItem(4, 0)), "3 ");

  // What the window shows.
  EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETITEMCOUNT, 0, 0), 5);
  const char* headers[] = {"名前", "サイズ", "日付", "属性"};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(HeaderText(list, c), headers[c]);
  EXPECT_EQ(list->ColumnCount(), 4);
  // The first three columns fit their widest text and their caption, as
  // the control measures them; the last one takes the rest of the width.
  int right = 0;
  for (int c = 0; c < 4; ++c) {
    const int width = static_cast<int>(SendMessageA(list->Handle(), LVM_GETCOLUMNWIDTH, c, 0));
    right += width;
    if (c == 3) break;
    int widest = static_cast<int>(
        SendMessageA(list->Handle(), LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(headers[c])));
    for (int row = 0; row < list->Count(); ++row) {
      widest = std::max(widest, static_cast<int>(SendMessageA(list->Handle(), LVM_GETSTRINGWIDTHA, 0,
                                                             reinterpret_cast<LPARAM>(list->Text(row, c)))));
    }
    EXPECT_GE(width, widest + 10) << c;
    EXPECT_LE(width, widest + 20) << c;
  }
  EXPECT_LT(right - static_cast<int>(SendMessageA(list->Handle(), LVM_GETCOLUMNWIDTH, 3, 0)), 380);
  RECT client;
  GetClientRect(list->Handle(), &client);
  EXPECT_GE(right, client.right - 2);
  EXPECT_EQ(WindowText(list, 4, 0), "漢字表.txt");
  EXPECT_EQ(WindowText(list, 1, 1), "4K");
  EXPECT_EQ(WindowText(list, 0, 3), "D");

  // The same directory in other letters is not listed again.
  dir.File("later.txt");
  list->SetDirectory(LowerCase(dir.Path()) + "\\");
  EXPECT_EQ(list->Directory(), dir.Path() + "\\");
  EXPECT_EQ(list->FindName("later.txt"), -1);
  list->MakeFileList();
  EXPECT_GE(list->FindName("LATER.TXT"), 0);

  // A directory that is not there: no rows, the columns stay.
  list->SetDirectory(dir / "missing");
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->ColumnCount(), 4);
  // No directory (a refresh of the tree lost it): no rows, and the old
  // directory is not watched any more.
  list->SetDirectory(dir.Path());
  list->SetAutoUpdate(true);
  ASSERT_GT(list->Count(), 0);
  list->SetDirectory("");
  EXPECT_EQ(list->Directory(), "");
  EXPECT_EQ(list->Count(), 0);
  dir.File("after.txt");
  Pump(500);
  EXPECT_EQ(list->Count(), 0);
}

TEST_F(FileListTest, AnOwnersColumnStaysThroughEveryRelisting) {
  TempDir dir;
  dir.File("a.txt");
  list->HandleNeeded();
  list->SetDirectory(dir.Path());
  const int column = list->AddColumn("後", 80);
  EXPECT_EQ(column, kxvFileList::kOwnColumns);
  list->OnColumnText = [](int, int c) { return c == kxvFileList::kOwnColumns ? "x" : nullptr; };
  dir.File("b.txt");
  list->MakeFileList();
  ASSERT_EQ(list->ColumnCount(), kxvFileList::kOwnColumns + 1);
  EXPECT_EQ(HeaderText(list, column), "後");
  EXPECT_EQ(list->ColumnWidth(column), 80);
  EXPECT_EQ(WindowText(list, 1, column), "x");
  EXPECT_EQ(WindowText(list, 1, 0), "b.txt");
}

TEST_F(FileListTest, SortKeysInBothDirections) {
  list->SetSortType(fstSize);
  AddAll({Record("c.txt", 0x20, 100), Record("zeta", 0x10), Record("b.dat", 0x20, 5),
          Record("a.txt", 0x20, 100), Record("alpha", 0x10)});
  // Sorted as they come.
  const std::vector<String> bySize{"alpha", "zeta", "b.dat", "a.txt", "c.txt"};
  EXPECT_EQ(Captions(*list), bySize);
  list->SetSortDirection(true);
  EXPECT_EQ(Captions(*list), std::vector<String>(bySize.rbegin(), bySize.rend()));

  list->SetSortDirection(false);
  list->SetSortType(fstExt);
  EXPECT_EQ(Captions(*list), (std::vector<String>{"alpha", "zeta", "b.dat", "a.txt", "c.txt"}));
  list->SetSortType(fstName);
  EXPECT_EQ(Captions(*list), (std::vector<String>{"alpha", "zeta", "a.txt", "b.dat", "c.txt"}));

  list->Clear();
  AddAll({Record("n", 0x00), Record("a", 0x20), Record("r", 0x21), Record("h", 0x22),
          Record("s", 0x24), Record("d", 0x10)});
  list->SetSortType(fstAttribute);
  EXPECT_EQ(Captions(*list), (std::vector<String>{"d", "s", "h", "r", "a", "n"}));

  list->Clear();
  AddAll({Record("late", 0, 0, kSomeTime + kSecond), Record("early", 0, 0, kSomeTime - kSecond),
          Record("dir", 0x10, 0, kSomeTime + 9 * kSecond), Record("now", 0, 0, kSomeTime)});
  list->SetSortType(fstTime);
  EXPECT_EQ(Captions(*list), (std::vector<String>{"dir", "early", "now", "late"}));
  list->SetSortDirection(true);
  EXPECT_EQ(Captions(*list), (std::vector<String>{"late", "now", "early", "dir"}));

  // A caption changed by the user moves to its place.
  list->SetSortType(fstName);
  list->SetSortDirection(false);
  list->SetCaption(list->FindName("early"), "zzz");
  EXPECT_EQ(Captions(*list), (std::vector<String>{"dir", "late", "now", "zzz"}));

  // An OnCompare handler decides alone.
  list->OnCompare = [this](TObject*, const TListItem& a, const TListItem& b, int, int& compare) {
    compare = -std::strcmp(list->Caption(a), list->Caption(b));
  };
  list->SetSortType(fstSize);
  EXPECT_EQ(Captions(*list), (std::vector<String>{"zzz", "now", "late", "dir"}));
}

TEST_F(FileListTest, NamesSortAsThePlatformComparesThem) {
  // Names where word sorting, letter case, widths and kana matter.
  const std::vector<String> names{
      "co-op", "coop", "Coop", "co_op", "'quote", "a-b", "ab", "a b", "10", "9", "０", "ａ",
      "A", "z.txt", "Z-.txt", "ｱ", "ア", "あ", "漢字", "表", "~tilde", "#hash"};
  for (const String& name : names) list->Add(Record(name.c_str(), 0x20));
  list->SetSortType(fstName);
  const auto platformOrder = [](std::vector<String> rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const String& a, const String& b) {
      return lstrcmpiA(a.c_str(), b.c_str()) < 0;
    });
    return rows;
  };
  std::vector<String> expected = platformOrder(names);
  EXPECT_EQ(Captions(*list), expected);
  // A row added afterwards re-sorts the whole list, the new name's key
  // made with the others: it lands where the platform puts it.
  list->Add(Record("coopa", 0x20));
  expected.push_back("coopa");
  EXPECT_EQ(Captions(*list), platformOrder(expected));
}

TEST_F(FileListTest, ColumnClicksChooseTheKeyOrFlipTheDirection) {
  AddAll({Record("b", 0x20, 1), Record("a", 0x20, 2)});
  list->SetSortType(fstName);
  std::vector<String> events;
  list->OnSortTypeChange = [&](TObject* sender) {
    EXPECT_EQ(sender, list);
    events.push_back("sort " + std::to_string(list->SortType()) +
                     (list->SortDirection() ? " desc" : " asc"));
  };
  list->OnColumnClick = [&](TObject*, int column) {
    events.push_back("column " + std::to_string(column));
  };
  ClickColumn(0);
  EXPECT_EQ(events, (std::vector<String>{"sort 1 desc", "column 0"}));
  EXPECT_EQ(Captions(*list), (std::vector<String>{"b", "a"}));
  events.clear();
  ClickColumn(1);  // another key keeps the direction
  EXPECT_EQ(events, (std::vector<String>{"sort 3 desc", "column 1"}));
  EXPECT_EQ(Captions(*list), (std::vector<String>{"a", "b"}));
  events.clear();
  ClickColumn(2);
  ClickColumn(3);
  EXPECT_EQ(list->SortType(), fstAttribute);
  EXPECT_EQ(events.size(), 4u);
}

TEST_F(FileListTest, SelectionWalkAndCommands) {
  AddAll({Record("a", 0), Record("b", 0), Record("c", 0), Record("d", 0)});
  list->HandleNeeded();
  EXPECT_EQ(list->GetSelectedItem(-1), -1);
  Select({"b", "d"});
  EXPECT_EQ(list->GetSelectedItem(-1), 1);
  EXPECT_EQ(list->GetSelectedItem(1), 3);
  EXPECT_EQ(list->GetSelectedItem(3), -1);
  list->SelectChange();
  EXPECT_EQ(SelectedCaptions(*list), (std::vector<String>{"a", "c"}));
  EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETSELECTEDCOUNT, 0, 0), 2);
  list->SelectAll();
  EXPECT_EQ(list->SelCount(), 4);
  list->SelectClear();
  EXPECT_EQ(list->SelCount(), 0);
  EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETSELECTEDCOUNT, 0, 0), 0);
  EXPECT_EQ(list->FindName("C"), 2);
  EXPECT_EQ(list->FindName("e"), -1);
}

TEST_F(FileListTest, NoSortGivesTheDiskOrderBackAndKeepsTheSelection) {
  TempDir dir;
  for (const char* name : {"m", "q", "c", "x", "a", "k"}) dir.File(name);
  list->SetSortType(fstName);
  list->SetDirectory(dir.Path());
  Select({"c", "x"});
  list->SetSortType(fstNone);
  EXPECT_EQ(Captions(*list), EnumerationOrder(dir.Path()));
  std::vector<String> selected = SelectedCaptions(*list);
  std::sort(selected.begin(), selected.end());
  EXPECT_EQ(selected, (std::vector<String>{"c", "x"}));
}

TEST_F(FileListTest, RefreshKeepsTheRowThatWasSelectedAmongCaseTwins) {
  TempDir dir;
  dir.File("keep.txt");
  dir.File("gone.txt");
  // Two names that differ only in letter case, made where they can be.
  String unix = UnixPath(dir.Path());
  ASSERT_TRUE(RunUnix("/usr/bin/touch \"" + unix + "/Twin\" \"" + unix + "/twin\"",
                      [&] { return EnumerationOrder(dir.Path()).size() == 4; }));
  list->SetSortType(fstName);
  list->SetDirectory(dir.Path());
  const int upper = list->FindName("Twin");
  ASSERT_GE(upper, 0);
  const int lower = String(list->Caption(upper)) == "Twin" ? upper + 1 : upper;
  ASSERT_STREQ(list->Caption(lower), "twin");
  list->SetSelected(lower, true);
  Select({"keep.txt", "gone.txt"});
  DeleteFileA((dir / "gone.txt").c_str());
  list->UpdateList();
  EXPECT_EQ(SelectedCaptions(*list), (std::vector<String>{"keep.txt", "twin"}));
}

TEST_F(FileListTest, OutsideChangesRefreshTheListKeepingTheSelection) {
  TempDir dir;
  dir.File("a.txt");
  dir.File("b.txt");
  list->SetSortType(fstName);
  list->SetAutoUpdate(true);
  list->SetDirectory(dir.Path());
  Select({"b.txt"});
  String fromLinux = dir / "linux.txt";
  ASSERT_TRUE(RunUnix("/usr/bin/touch \"" + UnixPath(fromLinux) + "\"",
                      [&] { return Exists(fromLinux); }));
  EXPECT_TRUE(PumpUntil([&] { return list->FindName("linux.txt") >= 0; }));
  EXPECT_EQ(SelectedCaptions(*list), std::vector<String>{"b.txt"});
  EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETSELECTEDCOUNT, 0, 0), 1);

  // Another process deletes a row's file.
  String del = "cmd.exe /c del \"" + (dir / "a.txt") + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(nullptr, del.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &startup, &process));
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_TRUE(PumpUntil([&] { return list->FindName("a.txt") < 0; }));
  EXPECT_EQ(SelectedCaptions(*list), std::vector<String>{"b.txt"});

  // Switched off, the list stays as it is.
  list->SetAutoUpdate(false);
  dir.File("quiet.txt");
  Pump(1500);
  EXPECT_EQ(list->FindName("quiet.txt"), -1);
  // Switched on again, it watches without listing first.
  list->SetAutoUpdate(true);
  EXPECT_EQ(list->FindName("quiet.txt"), -1);
  dir.File("loud.txt");
  EXPECT_TRUE(PumpUntil([&] { return list->FindName("loud.txt") >= 0; }));
  EXPECT_GE(list->FindName("quiet.txt"), 0);
}

TEST_F(FileListTest, RelistingAWatchedDirectoryLeavesNoThreadsBehind) {
  TempDir dir;
  dir.File("a.txt");
  list->SetAutoUpdate(true);
  list->SetDirectory(dir.Path());
  Pump(200);
  const int before = ThreadCount();
  for (int i = 0; i < 2000; ++i) {
    list->MakeFileList();
    if (i % 100 == 0) dir.File("b.txt", std::to_string(i));
    if (i % 10 == 0) Application().ProcessMessages();
  }
  EXPECT_TRUE(PumpUntil([&] { return ThreadCount() <= before + 3; }, 20000))
      << before << " threads before, " << ThreadCount() << " after";
  // And the last watcher still works.
  dir.File("c.txt");
  EXPECT_TRUE(PumpUntil([&] { return list->FindName("c.txt") >= 0; }));
}

TEST(kxvFileListPalette, RegisteredOnTheLibraryPage) {
  Filelist::Register();
  const TPaletteEntry* entry = FindRegisteredComponent("kxvFileList");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->Page, "NORDA");
  TForm form(nullptr);
  TComponent* made = entry->Create(&form);
  EXPECT_NE(dynamic_cast<kxvFileList*>(made), nullptr);
  EXPECT_EQ(form.ComponentCount(), 1);
}

TEST_F(FileListTest, FindNameFoldsCaseAsThePlatformDoes) {
  list->Add(Record("ＡＢ.txt", 0x20));
  list->Add(Record("Readme", 0x20));
  EXPECT_EQ(list->FindName("ａｂ.TXT"), 0);  // wide letters too
  EXPECT_EQ(list->FindName("README"), 1);
  EXPECT_EQ(list->FindName("ＡＢ"), -1);
}
