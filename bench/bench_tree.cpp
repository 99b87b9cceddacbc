// The directory tree on one open level of many subdirectories, as page 1
// keeps it: opening the level, the change check with nothing changed and
// after one directory was added, and the rebuild. Each beside a bare
// reference of the same run that reads the same levels once with
// FindFirstFileA (and, for opening and rebuilding, puts their names in the
// tree's order into a plain tree-view window and opens them), each in
// pairs taken in turns. No reference probes a subdirectory for its "+":
// the tree may probe only the few it shows.
//   bench_tree <directory>   (holding "level" with the subdirectories)
#include "bench/Timing.h"
#include "framework/Forms.h"
#include "lib/browse/Dirtree.h"
#include "tests/helpers/MappedDrive.h"

#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The directories of one level.
std::vector<String> Directories(const String& dir) {
  std::vector<String> names;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((dir + "*.*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::strcmp(data.cFileName, ".") &&
        std::strcmp(data.cFileName, "..")) {
      names.push_back(data.cFileName);
    }
  } while (FindNextFileA(h, &data));
  FindClose(h);
  return names;
}


// A plain tree view of the system, for the references' items.
class PlainTree {
public:
  PlainTree() {
    hwnd_ = CreateWindowExA(0, WC_TREEVIEWA, "", WS_POPUP | TVS_HASBUTTONS | TVS_HASLINES, 0, 0,
                            200, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~PlainTree() { DestroyWindow(hwnd_); }
  PlainTree(const PlainTree&) = delete;
  PlainTree& operator=(const PlainTree&) = delete;

  // Empty but for one closed item, which the levels go under as the
  // tree's go under their closed node before it opens.
  HTREEITEM Clear() {
    SendMessageA(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    return Add(TVI_ROOT, "X:");
  }
  HTREEITEM Add(HTREEITEM parent, const String& text) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    insert.item.pszText = const_cast<char*>(text.c_str());
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(hwnd_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  // The names in the tree's order (lstrcmpA), added in that order under
  // parent, which then opens.
  void AddSorted(HTREEITEM parent, std::vector<String> names) {
    std::sort(names.begin(), names.end(),
              [](const String& a, const String& b) { return lstrcmpA(a.c_str(), b.c_str()) < 0; });
    for (const String& name : names) Add(parent, name);
    SendMessageA(hwnd_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
  }
  HWND Handle() const { return hwnd_; }

private:
  HWND hwnd_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_tree <directory>\n");
    return 2;
  }
  MappedDrive drive(argv[1]);
  if (!drive.Ok()) {
    std::fprintf(stderr, "bench_tree: cannot map %s\n", argv[1]);
    return 1;
  }
  const String root = drive.Drive() + "\\";
  const String level = root + "level\\";
  TForm form(nullptr);
  form.SetClientSize(300, 400);
  auto* tree = new kxvDirTree(&form);
  tree->SetParent(&form);
  tree->SetBounds(0, 0, 300, 400);
  tree->SetReadOnly(true);
  tree->SetSortType(stText);  // as page 1 has it
  tree->HandleNeeded();
  PlainTree plain;

  Gate gate;
  const size_t count = Directories(level).size();  // warms the caches
  TTreeNode* driveNode = tree->GetNode(root);
  driveNode->Expand(false);
  TTreeNode* levelNode = tree->GetNode(level);
  gate.Check(levelNode != nullptr, "the level's node");
  if (!levelNode) return gate.Exit();

  // Each figure's two sides one after the other, the four figures in turn
  // within a turn; every step leaves the tree as the next one expects it.
  Pairs open, check, added, rebuild;
  bool lost = false;
  const int turns = TakeTurns({&open, &check, &added, &rebuild}, 15, [&](int) {
    if (lost) return;
    levelNode->Collapse(false);
    const double openOurs = Seconds([&] { levelNode->Expand(false); });
    gate.Check(static_cast<size_t>(levelNode->Count()) == count && levelNode->Expanded(),
               "the level opened with a node per directory");
    open.Add(openOurs, Seconds([&] {
               const HTREEITEM top = plain.Clear();
               plain.AddSorted(top, Directories(level));
             }));

    // The check reads the drive's level and the open level (a directory
    // is looked into only when it was written since the last look).
    const auto readOpenLevels = [&] {
      Directories(root);
      Directories(level);
    };
    bool changed = true;
    const double checkOurs = Seconds([&] { changed = tree->CheckDirChange(driveNode); });
    gate.Check(!changed, "no change seen where there is none");
    check.Add(checkOurs, Seconds(readOpenLevels));

    gate.Check(CreateDirectoryA((level + "zz_new").c_str(), nullptr), "a directory added");
    changed = false;
    const double addedOurs = Seconds([&] { changed = tree->CheckDirChange(driveNode); });
    gate.Check(changed, "the added directory seen");
    added.Add(addedOurs, Seconds(readOpenLevels));

    const double rebuildOurs = Seconds([&] { tree->UpdateTree(); });
    levelNode = tree->GetNode(level);
    gate.Check(levelNode && levelNode->Expanded() && static_cast<size_t>(levelNode->Count()) == count + 1,
               "the rebuilt level open with the new directory");
    rebuild.Add(rebuildOurs, Seconds([&] {
                  const HTREEITEM top = plain.Clear();
                  plain.AddSorted(top, Directories(root));
                  const HTREEITEM inner = plain.Add(top, "level");
                  plain.AddSorted(inner, Directories(level));
                }));
    RemoveDirectoryA((level + "zz_new").c_str());
    tree->UpdateTree();
    driveNode = tree->GetNode(root);
    levelNode = tree->GetNode(level);
    lost = !levelNode;
  });
  gate.Check(!lost, "the level's node after a rebuild");
  std::printf("tree: one open level of %zu subdirectories (medians of %d pairs)\n", count, turns);
  std::printf("  open the level:        %8.3f s  (bare read, insert, open %.3f s)", open.Ours(),
              open.Reference());
  gate.Target(open, 1.5);
  std::printf("  check, nothing new:    %8.3f s  (bare read %.3f s)", check.Ours(), check.Reference());
  gate.Target(check, 1.5);
  std::printf("  check, one added:      %8.3f s  (bare read %.3f s)", added.Ours(), added.Reference());
  gate.Target(added, 1.5);
  std::printf("  UpdateTree:            %8.3f s  (bare read, insert, open %.3f s)", rebuild.Ours(),
              rebuild.Reference());
  gate.Target(rebuild, 1.5);
  return gate.Exit();
}
