#include "lib/browse/Dirtree.h"

#include "framework/Forms.h"
#include "framework/Thread.h"
#include "lib/browse/Filelist.h"
#include "tests/helpers/MappedDrive.h"
#include "tests/helpers/Pump.h"
#include "tests/helpers/TempDir.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

std::vector<String> ChildTexts(const TTreeNode* node) {
  std::vector<String> texts;
  for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
    texts.push_back(child->Text());
  }
  return texts;
}

std::vector<String> Captions(const kxvFileList* list) {
  std::vector<String> captions;
  for (const TListItem& item : list->Items()) captions.push_back(list->Caption(item));
  return captions;
}

// A tree and a list side by side on a drive mapped to a fresh directory:
//   Data\Sub\Deep, Data\Empty, Other\Inner, top.txt
class DirTreeTest : public ::testing::Test {
protected:
  DirTreeTest() {
    dir.Dir("Data\\Sub\\Deep");
    dir.Dir("Data\\Empty");
    dir.Dir("Other\\Inner");
    dir.File("top.txt");
    dir.File("Data\\Sub\\file.txt");
    form.SetClientSize(500, 300);
    tree->SetParent(&form);
    tree->SetBounds(0, 0, 200, 300);
    list->SetParent(&form);
    list->SetBounds(200, 0, 300, 300);
    list->SetSortType(fstName);
    tree->OnChange = [this](TObject*, TTreeNode* node) { changes.push_back(node); };
  }

  String Root() const { return drive.Drive() + "\\"; }
  TTreeNode* DriveNode() { return tree->GetNode(Root()); }

  // A real click of the left button on node: the control tracks the
  // mouse until the button is up, so the release is queued first.
  void ClickNode(TTreeNode* node) {
    // The item goes in where the rectangle comes back.
    RECT rect{};
    HTREEITEM item = node->ItemId();
    std::memcpy(&rect, &item, sizeof item);
    ASSERT_TRUE(SendMessageA(tree->Handle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect)));
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PostMessageA(tree->Handle(), WM_LBUTTONUP, 0, at);
    SendMessageA(tree->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    Application().ProcessMessages();
  }

  // The notification of the drive's watcher, delivered at once.
  void NotifyDrive() {
    kxvDirNotifyChange sender(Root(), true, 0);
    tree->NotifyChange(&sender);
  }

  TempDir dir;
  MappedDrive drive{dir.Path()};
  TForm form{nullptr};
  kxvDirTree* tree = new kxvDirTree(&form);
  kxvFileList* list = new kxvFileList(&form);
  std::vector<TTreeNode*> changes;
};

}  // namespace

TEST_F(DirTreeTest, FollowsAPathAndFeedsTheLinkedList) {
  ASSERT_TRUE(drive.Ok());
  tree->SetFileList(list);
  EXPECT_EQ(list->DirTree(), tree);

  tree->SetDirectory(drive.Drive());
  ASSERT_NE(tree->GetSelected(), nullptr);
  EXPECT_EQ(tree->GetSelected()->Text(), drive.Drive());
  EXPECT_EQ(tree->Directory(), Root());
  EXPECT_EQ(list->Directory(), Root());
  EXPECT_EQ(ChildTexts(tree->GetSelected()), std::vector<String>{});  // nothing opened
  EXPECT_GE(list->FindName("top.txt"), 0);

  // Letter case does not matter; the levels on the way are read, not opened.
  tree->SetDirectory(LowerCase(Root()) + "data\\sub");
  EXPECT_EQ(tree->Directory(), Root() + "Data\\Sub\\");
  EXPECT_EQ(list->Directory(), Root() + "Data\\Sub\\");
  EXPECT_EQ(Captions(list), (std::vector<String>{"Deep", "file.txt"}));
  TTreeNode* data = tree->GetSelected()->Parent();
  EXPECT_EQ(ChildTexts(data), (std::vector<String>{"Empty", "Sub"}));
  EXPECT_FALSE(data->Expanded());
  EXPECT_FALSE(DriveNode()->Expanded());
  EXPECT_TRUE(tree->GetSelected()->HasChildren());
  EXPECT_FALSE(data->GetFirstChild()->HasChildren());  // Empty

  // A path that is not there changes nothing.
  tree->SetDirectory(Root() + "Data\\Missing");
  EXPECT_EQ(tree->Directory(), Root() + "Data\\Sub\\");
  EXPECT_EQ(tree->GetNode(""), nullptr);

  // Linking again from the other side is a no-op: no second listing.
  dir.File("Data\\Sub\\later.txt");
  list->SetDirTree(tree);
  tree->SetFileList(list);
  EXPECT_EQ(list->FindName("later.txt"), -1);

  // The list moves the tree.
  list->SetDirectory(Root() + "Other");
  EXPECT_EQ(tree->Directory(), Root() + "Other\\");
  EXPECT_EQ(tree->GetPath(tree->GetSelected()), Root() + "Other\\");

  tree->SetDirectory("");
  EXPECT_EQ(tree->GetSelected(), nullptr);
  EXPECT_EQ(tree->Directory(), "");
  EXPECT_EQ(list->Directory(), "");
}

TEST_F(DirTreeTest, EveryExpansionRereadsTheLevel) {
  ASSERT_TRUE(drive.Ok());
  std::vector<std::pair<TTreeNode*, bool>> expanding;
  tree->OnExpanding = [&](TObject*, TTreeNode* node, bool& allow) {
    expanding.push_back({node, allow});
  };
  TTreeNode* root = DriveNode();
  root->Expand();
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(ChildTexts(root), (std::vector<String>{"Data", "Other"}));
  ASSERT_EQ(expanding.size(), 1u);
  EXPECT_TRUE(expanding[0].second);

  // Everything below Other goes while the tree is not looking.
  TTreeNode* other = tree->GetNode(Root() + "Other");
  ASSERT_TRUE(other->HasChildren());
  RemoveDirectoryA((dir / "Other\\Inner").c_str());
  other->Expand();
  EXPECT_FALSE(other->Expanded());
  EXPECT_FALSE(other->HasChildren());
  EXPECT_FALSE(expanding.back().second);

  // A level that gained a directory shows it at the next opening.
  dir.Dir("Data\\New");
  TTreeNode* data = tree->GetNode(Root() + "Data");
  data->Expand();
  EXPECT_EQ(ChildTexts(data), (std::vector<String>{"Empty", "New", "Sub"}));

  // A link counts as a directory to list, but not as a reason for a "+".
  dir.Dir("Linked");
  ASSERT_TRUE(MakeLink(dir / "Data", dir / "Linked\\ToData"));
  root->Collapse();
  root->Expand();
  TTreeNode* linked = tree->GetNode(Root() + "Linked");
  ASSERT_NE(linked, nullptr);
  EXPECT_FALSE(linked->HasChildren());
  EXPECT_TRUE(tree->MakeDirTree(linked));
  EXPECT_EQ(ChildTexts(linked), std::vector<String>{"ToData"});
}

TEST_F(DirTreeTest, ArrowKeysMoveTheSelectionAClickTakesIt) {
  ASSERT_TRUE(drive.Ok());
  tree->SetFileList(list);
  DriveNode()->Expand();
  tree->SetDirectory(Root() + "Data");
  changes.clear();
  int clicks = 0;
  tree->OnClick = [&](TObject*) {
    ++clicks;
    EXPECT_EQ(tree->Directory(), Root() + "Other\\");  // after the tree's own handling
  };

  SendMessageA(tree->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  TTreeNode* other = tree->GetNode(Root() + "Other");
  EXPECT_EQ(tree->GetSelected(), other);
  EXPECT_EQ(changes, std::vector<TTreeNode*>{other});
  EXPECT_EQ(tree->Directory(), Root() + "Data\\");
  EXPECT_EQ(list->Directory(), Root() + "Data\\");

  ClickNode(other);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(tree->Directory(), Root() + "Other\\");
  EXPECT_EQ(list->Directory(), Root() + "Other\\");
}

TEST_F(DirTreeTest, DoubleClickOnASubdirectoryRowOpensIt) {
  ASSERT_TRUE(drive.Ok());
  tree->SetFileList(list);
  tree->SetDirectory(Root() + "Data");
  int dblClicks = 0;
  list->OnDblClick = [&](TObject*) { ++dblClicks; };
  NMITEMACTIVATE info{};
  info.hdr = NMHDR{list->Handle(), static_cast<UINT_PTR>(list->ControlId()),
                   static_cast<UINT>(NM_DBLCLK)};
  auto dblClick = [&] {
    SendMessageA(form.Handle(), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
  };
  dblClick();  // nothing selected: nothing opens
  EXPECT_EQ(dblClicks, 1);
  EXPECT_EQ(list->Directory(), Root() + "Data\\");

  list->SetSelected(list->FindName("Sub"), true);
  dblClick();
  EXPECT_EQ(dblClicks, 2);
  EXPECT_EQ(list->Directory(), Root() + "Data\\Sub\\");
  EXPECT_EQ(tree->Directory(), Root() + "Data\\Sub\\");
  EXPECT_EQ(tree->GetSelected()->Text(), "Sub");

  list->SetSelected(list->FindName("file.txt"), true);
  dblClick();  // a file opens nothing
  EXPECT_EQ(list->Directory(), Root() + "Data\\Sub\\");
}

TEST_F(DirTreeTest, ANotificationRebuildsOnlyWhenTheOpenPartDiffers) {
  ASSERT_TRUE(drive.Ok());
  tree->SetFileList(list);
  DriveNode()->Expand();
  tree->GetNode(Root() + "Data")->Expand();
  tree->SetDirectory(Root() + "Data\\Sub");
  // A rebuild makes every node afresh, without this mark.
  int mark = 0;
  tree->GetSelected()->SetData(&mark);

  // Inside a closed branch: no rebuild, the nodes are the same.
  dir.Dir("Other\\Hidden");
  NotifyDrive();
  ASSERT_NE(tree->GetSelected(), nullptr);
  EXPECT_EQ(tree->GetSelected()->Data(), &mark);

  // Inside an open one: rebuilt, with the same branches open and the same
  // directory selected.
  dir.Dir("Data\\Fresh");
  list->SetSelected(list->FindName("file.txt"), true);
  NotifyDrive();
  TTreeNode* data = tree->GetNode(Root() + "Data");
  EXPECT_EQ(ChildTexts(data), (std::vector<String>{"Empty", "Fresh", "Sub"}));
  EXPECT_TRUE(data->Expanded());
  EXPECT_TRUE(DriveNode()->Expanded());
  EXPECT_FALSE(tree->GetNode(Root() + "Other")->Expanded());
  ASSERT_NE(tree->GetSelected(), nullptr);
  EXPECT_EQ(tree->GetPath(tree->GetSelected()), Root() + "Data\\Sub\\");
  EXPECT_EQ(tree->GetSelected()->Data(), nullptr);
  // The list was not listed again: its selection is untouched.
  EXPECT_EQ(list->SelCount(), 1);

  // The selected directory goes: nothing is selected, Directory stays.
  RemoveDirectoryA((dir / "Data\\Sub\\Deep").c_str());
  DeleteFileA((dir / "Data\\Sub\\file.txt").c_str());
  RemoveDirectoryA((dir / "Data\\Sub").c_str());
  NotifyDrive();
  EXPECT_EQ(tree->GetSelected(), nullptr);
  EXPECT_EQ(tree->Directory(), Root() + "Data\\Sub\\");
  EXPECT_EQ(ChildTexts(tree->GetNode(Root() + "Data")), (std::vector<String>{"Empty", "Fresh"}));
}

TEST_F(DirTreeTest, WatchesOpenDrivesAndFollowsTheDisk) {
  ASSERT_TRUE(drive.Ok());
  // Off: opening a drive starts no watcher.
  DriveNode()->Expand();
  EXPECT_EQ(tree->WatcherCount(), 0);
  DriveNode()->Collapse();

  tree->SetAutoUpdate(true);
  EXPECT_EQ(tree->WatcherCount(), 0);  // nothing open yet
  DriveNode()->Expand();
  EXPECT_EQ(tree->WatcherCount(), 1);
  tree->GetNode(Root() + "Data")->Expand();
  EXPECT_EQ(tree->WatcherCount(), 1);  // one per drive
  tree->SetDirectory(Root() + "Data\\Empty");

  String made = dir / "FromLinux";
  ASSERT_TRUE(RunUnix("/bin/mkdir \"" + UnixPath(made) + "\"", [&] { return Exists(made); }));
  EXPECT_TRUE(PumpUntil([&] {
    TTreeNode* node = tree->GetNode(Root() + "FromLinux");
    return node && node->Parent() && node->Parent()->Expanded();
  }));
  EXPECT_TRUE(tree->GetNode(Root() + "Data")->Expanded());
  EXPECT_EQ(tree->GetPath(tree->GetSelected()), Root() + "Data\\Empty\\");
  EXPECT_EQ(tree->WatcherCount(), 1);

  tree->SetAutoUpdate(false);
  EXPECT_EQ(tree->WatcherCount(), 0);
}

TEST_F(DirTreeTest, EitherSideMayGoFirst) {
  tree->SetFileList(list);
  delete list;
  EXPECT_EQ(tree->FileList(), nullptr);
  auto* other = new kxvFileList(&form);
  other->SetDirTree(tree);
  EXPECT_EQ(tree->FileList(), other);
  delete tree;
  EXPECT_EQ(other->DirTree(), nullptr);
  tree = nullptr;
}

TEST(kxvDirTreePalette, RegisteredOnTheLibraryPage) {
  Dirtree::Register();
  const TPaletteEntry* entry = FindRegisteredComponent("kxvDirTree");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->Page, "NORDA");
}

TEST_F(DirTreeTest, ADriveOpenedBySelectingBelowItIsWatched) {
  tree->SetFileList(list);
  tree->SetAutoUpdate(true);
  tree->HandleNeeded();
  ASSERT_EQ(tree->WatcherCount(), 0);
  // As a double-click on a directory row does with the drive closed.
  list->SetDirectory(Root() + "Data\\Sub");
  ASSERT_EQ(tree->Directory(), Root() + "Data\\Sub\\");
  EXPECT_TRUE(DriveNode()->Expanded());
  EXPECT_EQ(tree->WatcherCount(), 1);
  // And it follows the disk there.
  dir.Dir("Data\\New");
  NotifyDrive();
  EXPECT_NE(tree->GetNode(Root() + "Data\\New"), nullptr);
}

TEST_F(DirTreeTest, ADriveKeepsItsPlusAndADirectoryGetsItBack) {
  TempDir empty;
  MappedDrive bare(empty.Path());
  tree->SetFileList(list);
  tree->HandleNeeded();
  TTreeNode* node = tree->GetNode(bare.Drive() + "\\");
  ASSERT_NE(node, nullptr);
  node->Expand(false);  // nothing below: refused
  EXPECT_FALSE(node->Expanded());
  EXPECT_TRUE(node->HasChildren());
  // The list can still take the tree there once a directory exists.
  empty.Dir("Later");
  list->SetDirectory(bare.Drive() + "\\Later");
  EXPECT_EQ(tree->Directory(), bare.Drive() + "\\Later\\");

  // A shown directory without a "+" gets it at the next check once it
  // holds a directory.
  TTreeNode* drive = DriveNode();
  drive->Expand(false);
  TTreeNode* other = tree->GetNode(Root() + "Other\\Inner");
  ASSERT_NE(other, nullptr);
  ASSERT_FALSE(other->HasChildren());
  dir.Dir("Other\\Inner\\Below");
  tree->GetNode(Root() + "Other")->Expand(false);
  EXPECT_FALSE(tree->CheckDirChange(drive));
  EXPECT_TRUE(other->HasChildren());
}

TEST_F(DirTreeTest, LinksAreForgottenByTheSideLeftOrGone) {
  tree->SetFileList(list);
  auto* second = new kxvFileList(&form);
  tree->SetFileList(second);
  EXPECT_EQ(list->DirTree(), nullptr);
  EXPECT_EQ(second->DirTree(), tree);
  // The list links another tree: the first one lets go of the list.
  auto* other = new kxvDirTree(&form);
  second->SetDirTree(other);
  EXPECT_EQ(tree->FileList(), nullptr);
  EXPECT_EQ(other->FileList(), second);
  // Deleted: the partner holds nothing that dangles.
  delete other;
  EXPECT_EQ(second->DirTree(), nullptr);
  tree->SetFileList(second);
  delete second;
  EXPECT_EQ(tree->FileList(), nullptr);
}

TEST_F(DirTreeTest, ALevelOfManyIsCheckedAndRebuiltAsOne) {
  // Names that differ from the disk's only in letter case are the same.
  for (int i = 0; i < 300; ++i) dir.Dir("Many\\d" + std::to_string(i));
  TTreeNode* drive = DriveNode();
  drive->Expand(false);
  TTreeNode* many = tree->GetNode(Root() + "Many");
  many->Expand(false);
  ASSERT_EQ(many->Count(), 300);
  EXPECT_FALSE(tree->CheckDirChange(drive));
  EXPECT_EQ(tree->GetNode(Root() + "MANY\\D7"), tree->GetNode(Root() + "many\\d7"));
  dir.Dir("Many\\d300");
  EXPECT_TRUE(tree->CheckDirChange(drive));
  tree->SetSelected(tree->GetNode(Root() + "Many\\d5"));
  tree->UpdateTree();
  many = tree->GetNode(Root() + "Many");
  EXPECT_TRUE(many->Expanded());
  EXPECT_EQ(many->Count(), 301);
  EXPECT_EQ(tree->Directory(), Root() + "Many\\d5\\");
  RemoveDirectoryA((dir / "Many\\d42").c_str());
  EXPECT_TRUE(tree->CheckDirChange(drive));
}

namespace {
// Sends the window an empty message in turn from another thread and keeps
// the longest wait for its answer.
class Pinger : public TThread {
public:
  explicit Pinger(HWND window) : TThread(true), window_(window) {}
  ~Pinger() override {
    Terminate();
    WaitFor();
  }
  DWORD Longest() const { return longest_; }
  int Answers() const { return answers_; }

protected:
  void Execute() override {
    while (!Terminated()) {
      const DWORD start = GetTickCount();
      DWORD_PTR result = 0;
      if (SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &result)) ++answers_;
      longest_ = std::max(longest_.load(), GetTickCount() - start);
      Sleep(10);
    }
  }

private:
  HWND window_;
  std::atomic<DWORD> longest_{0};
  std::atomic<int> answers_{0};
};
}  // namespace

TEST_F(DirTreeTest, ALevelOfTenThousandOpensWhileTheWindowAnswers) {
  // Made on the Linux side: one by one through the platform takes a minute.
  dir.Dir("Wide");
  ASSERT_TRUE(RunUnix("/bin/sh -c \"cd '" + UnixPath(dir / "Wide") +
                          "' && seq -f d%g 10000 19999 | xargs mkdir\"",
                      [&] { return Exists(dir / "Wide\\d19999"); }));
  dir.Dir("Wide\\d10000\\Below");
  dir.File("Wide\\d10001\\file.txt");
  tree->SetSortType(stText);
  form.Show();
  TTreeNode* drive = DriveNode();
  drive->Expand(false);
  TTreeNode* wide = tree->GetNode(Root() + "Wide");
  ASSERT_NE(wide, nullptr);
  {
    Pinger pinger(tree->Handle());
    // Each step is over once the window has answered the pinger again.
    const auto answered = [&] {
      const int before = pinger.Answers();
      return PumpUntil([&] { return pinger.Answers() > before; });
    };
    pinger.Start();
    ASSERT_TRUE(answered());
    wide->Expand(false);
    ASSERT_TRUE(answered());
    tree->UpdateTree();
    ASSERT_TRUE(answered());
    EXPECT_LT(pinger.Longest(), 1000u);
    EXPECT_GE(pinger.Answers(), 3);
  }
  // The rebuild made every node anew.
  drive = DriveNode();
  wide = tree->GetNode(Root() + "Wide");
  ASSERT_TRUE(wide && wide->Expanded());
  ASSERT_EQ(wide->Count(), 10000);
  // Every subdirectory was read, and probed for its "+" only if shown.
  const auto knownBelow = [](const TTreeNode* node) {
    int known = 0;
    for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
      known += child->HasChildrenKnown();
    }
    return known;
  };
  const int known = knownBelow(wide);
  EXPECT_LT(known, 100);
  EXPECT_TRUE(wide->Item(0)->HasChildren());
  EXPECT_FALSE(wide->Item(1)->HasChildren());  // a file is no "+"
  // Unshown nodes stay out of the change check, and a change is still seen.
  EXPECT_FALSE(tree->CheckDirChange(drive));
  EXPECT_EQ(knownBelow(wide), known);
  dir.Dir("Wide\\d10002\\New");
  dir.Dir("Wide\\zz");
  EXPECT_TRUE(tree->CheckDirChange(drive));
  EXPECT_TRUE(wide->Item(2)->HasChildren());
}
