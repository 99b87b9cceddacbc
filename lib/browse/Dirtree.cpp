#include "lib/browse/Dirtree.h"

#include "lib/browse/Filelist.h"
#include "lib/core/File.h"
#include "lib/core/Findfile.h"
#include "lib/core/Waitcur.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace {

// Everything but read-only, hidden, system and directory: the probe for a
// "+" looks at plain subdirectories only (no links).
constexpr int32_t kProbeExclude = static_cast<int32_t>(0xFFFFFFE8);

// The entries of one directory level, "." and ".." left out.
void FindLevel(kxFindFile& finder, String directory, int32_t excludeAttr) {
  finder.SubDirectory = false;
  finder.ShowDots = false;
  finder.ExcludeAttr = excludeAttr;
  finder.Find(AppendPath(directory, "*.*"));
}

// The path of the directory above a path ending in "\\" (C:\A\B\ gives
// C:\A\); empty for a drive.
String ParentPath(const String& path) {
  const String inner = path.substr(0, path.size() - 1);
  const int last = LastCharPos(inner.c_str(), '\\');
  return last < 0 ? String() : inner.substr(0, static_cast<size_t>(last) + 1);
}

uint64_t WriteTime(const WIN32_FIND_DATAA& entry) {
  return (uint64_t(entry.ftLastWriteTime.dwHighDateTime) << 32) | entry.ftLastWriteTime.dwLowDateTime;
}

bool HasSubdirectory(const String& directory) {
  kxFindFile probe;
  FindLevel(probe, directory, kProbeExclude);
  while (probe.Next()) {
    if (probe.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return true;
  }
  return false;
}

// Levels are rebuilt without a repaint in between, whatever happens.
class NodesUpdate {
public:
  explicit NodesUpdate(TTreeNodes& nodes) : nodes_(nodes) { nodes_.BeginUpdate(); }
  ~NodesUpdate() { nodes_.EndUpdate(); }
  NodesUpdate(const NodesUpdate&) = delete;
  NodesUpdate& operator=(const NodesUpdate&) = delete;

private:
  TTreeNodes& nodes_;
};

}  // namespace

kxvDirTree::kxvDirTree(TComponent* owner) : TCustomTreeView(owner) {
  SetBounds(Left(), Top(), 150, 97);
  SetHideSelection(false);
  SetReadOnly(false);
  // A level costs one read however many it holds: each subdirectory is
  // probed for its "+" only when it is shown.
  SetDeferHasChildren(true);
}

// The list learns of our end through its free notification.
kxvDirTree::~kxvDirTree() { ClearDirNotifyChange(); }

bool kxvDirTree::Quiet() const { return Loading() || Designing(); }

void kxvDirTree::InitializeWnd() {
  TCustomTreeView::InitializeWnd();
  MakeDriveNodesOnce();
}

// The nodes outlive the window, so a remade window keeps them; they are
// built when the first window is made or the first path is looked up.
void kxvDirTree::MakeDriveNodesOnce() {
  if (!Items().GetFirstNode() && !Quiet()) MakeDirTree();
}

// --- Paths and nodes --------------------------------------------------------

String kxvDirTree::GetPath(const TTreeNode* node) const {
  String path;
  for (; node; node = node->Parent()) path.insert(0, node->Text() + "\\");
  return path;
}

TTreeNode* kxvDirTree::GetRootNode(TTreeNode* node) const {
  while (node && node->Parent()) node = node->Parent();
  return node;
}

TTreeNode* kxvDirTree::GetNode(String path) {
  if (path.empty()) return nullptr;
  if (LastCharPos(path.c_str(), '\\') != static_cast<int>(path.size()) - 1) path += '\\';
  MakeDriveNodesOnce();
  for (TTreeNode* drive = Items().GetFirstNode(); drive; drive = drive->GetNextSibling()) {
    if (TTreeNode* node = GetNode(drive, path)) return node;
  }
  return nullptr;
}

TTreeNode* kxvDirTree::GetNode(TTreeNode* node, const String& path) {
  if (!node || path.empty()) return nullptr;
  const String own = GetPath(node);
  // Every path ends in "\", so a cut through a double-byte character of
  // path never matches.
  if (path.size() < own.size() || CompareText(own, path.substr(0, own.size())) != 0) {
    return nullptr;
  }
  return Descend(node, path, own.size());
}

TTreeNode* kxvDirTree::Descend(TTreeNode* node, const String& path, size_t at) {
  if (at == path.size()) return node;
  // The next name of path against each child's name: one comparison a
  // child, not a path built and compared for each.
  const int end = CharPos(path.c_str(), '\\', static_cast<int>(at));
  if (end < 0) return nullptr;
  const String name = UpperCase(path.substr(at, static_cast<size_t>(end) - at));
  // A deferred "+" is not probed for: reading the level answers it.
  if (node->Count() == 0 && (!node->HasChildrenKnown() || node->HasChildren())) {
    MakeDirTree(node);
    if (rebuilding_) justRead_ = node;
  }
  for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
    if (UpperCase(child->Text()) != name) continue;
    if (TTreeNode* found = Descend(child, path, static_cast<size_t>(end) + 1)) return found;
  }
  return nullptr;
}

void kxvDirTree::SetSelected(TTreeNode* node) {
  TCustomTreeView::SetSelected(node);
  directory_ = GetPath(node);
  // The control opens the branches down to a node selected below a closed
  // drive without asking us: the drive is open now, so it is watched.
  if (node && node->Parent() && autoUpdate_ && !Quiet()) CheckCreateThread(node);
  if (fileList_) fileList_->SetDirectory(directory_);
}

void kxvDirTree::SetDirectory(const String& path) {
  if (path.empty()) {
    directory_.clear();
    SetSelected(nullptr);
    return;
  }
  if (TTreeNode* node = GetNode(path)) SetSelected(node);
}

void kxvDirTree::SetFileList(kxvFileList* list) {
  if (list == fileList_) return;
  kxvFileList* old = fileList_;
  fileList_ = list;
  // The list we leave forgets us, if it still points here.
  if (old) {
    RemoveFreeNotification(old);
    if (old->DirTree() == this) old->SetDirTree(nullptr);
  }
  if (list) {
    FreeNotification(list);
    list->SetDirTree(this);
    list->SetDirectory(directory_);
  }
}

void kxvDirTree::Notification(TComponent* component, TOperation operation) {
  TCustomTreeView::Notification(component, operation);
  if (operation == opRemove && component == static_cast<TComponent*>(fileList_)) fileList_ = nullptr;
}

// --- Levels -----------------------------------------------------------------

void kxvDirTree::MakeDirTree() {
  const DWORD drives = GetLogicalDrives();
  ClearDirNotifyChange();
  Items().Clear();
  decidedAt_.clear();
  for (int bit = 0; bit < 26; ++bit) {
    if (!(drives & (1u << bit))) continue;
    TTreeNode* drive = Items().Add(nullptr, String(1, static_cast<char>('A' + bit)) + ":");
    drive->SetHasChildren(true);
  }
  SetAutoUpdate(autoUpdate_);
}

bool kxvDirTree::MakeDirTree(TTreeNode* node) {
  if (Quiet()) return false;
  kxWaitCursor wait;
  if (!node) {
    MakeDirTree();
    return false;
  }
  NodesUpdate update(Items());
  for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
    decidedAt_.erase(child);
  }
  node->DeleteChildren();
  // The level in the tree's order (lstrcmpA, ties as they came) before a
  // node is made: each then goes in at the end of its level.
  struct Entry {
    String name;
    uint64_t written;
  };
  std::vector<Entry> level;
  kxFindFile finder;
  FindLevel(finder, GetPath(node), 0);
  while (finder.Next()) {
    if (finder.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      level.push_back({FileNamePart(finder.cFileName), WriteTime(finder)});
    }
  }
  std::stable_sort(level.begin(), level.end(), [](const Entry& a, const Entry& b) {
    return lstrcmpA(a.name.c_str(), b.name.c_str()) < 0;
  });
  for (const Entry& entry : level) {
    // The "+" is probed when shown. The time read now is older than the
    // probe, so a change between the two is looked into again, never
    // missed.
    decidedAt_[Items().AddChild(node, entry.name)] = entry.written;
  }
  // A level found empty loses its "+", so that it does not invite a
  // click that cannot open it; a drive keeps it (a medium may come).
  if (level.empty()) node->SetHasChildren(!node->Parent());
  return !level.empty();
}

bool kxvDirTree::DecideHasChildren(TTreeNode* node) {
  return !Quiet() && HasSubdirectory(GetPath(node));
}

bool kxvDirTree::CanExpand(TTreeNode* node) {
  bool allow = true;
  if (node->HasChildren()) {
    // Every opening reads the level afresh (but for one a rebuild has just
    // read to find a path in it); one with no subdirectories left stays
    // closed.
    allow = node == justRead_ ? node->Count() > 0 : MakeDirTree(node);
    justRead_ = nullptr;
    if (allow && autoUpdate_) CheckCreateThread(node);
  }
  if (OnExpanding) OnExpanding(this, node, allow);
  return allow;
}

void kxvDirTree::Click() {
  SetSelected(GetSelected());
  TCustomTreeView::Click();
}

void kxvDirTree::WndProc(TMessage& message) {
  if (message.Msg == WM_GETDLGCODE) {
    TCustomTreeView::WndProc(message);
    const auto* msg = reinterpret_cast<const MSG*>(message.LParam);
    if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) message.Result |= DLGC_WANTMESSAGE;
    return;
  }
  if (message.Msg == WM_KEYDOWN && message.WParam == VK_RETURN) {
    Click();
    message.Result = 0;
    return;
  }
  TCustomTreeView::WndProc(message);
}

std::unique_ptr<TStringList> kxvDirTree::MakeDirList() {
  auto list = std::make_unique<TStringList>();
  for (TTreeNode* drive = Items().GetFirstNode(); drive; drive = drive->GetNextSibling()) {
    MakeDirList(*list, drive);
  }
  return list;
}

void kxvDirTree::MakeDirList(TStringList& list, TTreeNode* node) {
  list.Add(GetPath(node));
  if (!node->Expanded()) return;
  for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
    MakeDirList(list, child);
  }
}

void kxvDirTree::UpdateTree() {
  std::unique_ptr<TStringList> paths = MakeDirList();
  {
    NodesUpdate update(Items());
    MakeDirTree();
    // Once a level is open again its other remembered children have
    // nothing left to open: they are not looked up one by one. A level
    // read to find a path is opened without reading it a second time.
    rebuilding_ = true;
    std::unordered_set<String> open;
    for (int i = 0; i < paths->Count(); ++i) {
      const String& path = paths->Get(i);
      const String parent = ParentPath(path);
      if (!parent.empty() && open.count(parent)) continue;
      TTreeNode* node = GetNode(path);
      // Opening reads the level again: node goes, its parent stays.
      TTreeNode* above = node ? node->Parent() : nullptr;
      if (!above) continue;
      if (!above->Expanded()) above->Expand(false);
      if (above->Expanded()) open.insert(parent);
      justRead_ = nullptr;
    }
    rebuilding_ = false;
  }
  SetDirectory(directory_);
}

// --- Watching ---------------------------------------------------------------

void kxvDirTree::SetAutoUpdate(bool autoUpdate) {
  autoUpdate_ = autoUpdate;
  if (Quiet()) return;
  ClearDirNotifyChange();
  if (autoUpdate) CheckCreateThread(nullptr);
}

void kxvDirTree::CheckCreateThread(TTreeNode* node) {
  const TTreeNode* root = GetRootNode(node);
  for (TTreeNode* drive = Items().GetFirstNode(); drive; drive = drive->GetNextSibling()) {
    if (drive != root && !drive->Expanded()) continue;
    const String path = GetPath(drive);
    bool watched = false;
    for (const auto& watcher : watchers_) watched = watched || watcher->Directory() == path;
    if (watched) continue;
    auto watcher = std::make_unique<kxvDirNotifyChange>(path, true, 0);
    watcher->OnNotify = [this](TObject* sender) { NotifyChange(sender); };
    watcher->Start();
    watchers_.push_back(std::move(watcher));
  }
}

bool kxvDirTree::CheckDirChange(TTreeNode* node) {
  // The level read once, both ways compared through sets of names (letter
  // case ignored as the lookup of a path ignores it): a shown directory
  // that is gone or became a file, or a directory not shown.
  // Each directory on disk with its last-write time.
  std::unordered_map<String, uint64_t> onDisk;
  kxFindFile finder;
  FindLevel(finder, GetPath(node), 0);
  while (finder.Next()) {
    if (finder.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      onDisk.emplace(UpperCase(FileNamePart(finder.cFileName)), WriteTime(finder));
    }
  }
  std::unordered_set<String> shown;
  for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
    String name = UpperCase(child->Text());
    const auto disk = onDisk.find(name);
    if (disk == onDisk.end()) return true;
    if (child->Expanded()) {
      if (CheckDirChange(child)) return true;
    } else if (child->HasChildrenKnown() && !child->HasChildren()) {
      // A directory shown without a "+" gets it when subdirectories came:
      // looked into only when it was written since it was last decided.
      // One not yet shown is probed afresh when it is.
      auto decided = decidedAt_.find(child);
      if (decided == decidedAt_.end() || decided->second != disk->second) {
        if (HasSubdirectory(GetPath(child))) child->SetHasChildren(true);
        decidedAt_[child] = disk->second;
      }
    }
    shown.insert(std::move(name));
  }
  for (const auto& entry : onDisk) {
    if (!shown.count(entry.first)) return true;
  }
  return false;
}

void kxvDirTree::ClearDirNotifyChange() { watchers_.clear(); }

void kxvDirTree::NotifyChange(TObject* sender) {
  const String watched = static_cast<kxvDirNotifyChange*>(sender)->Directory();
  for (TTreeNode* drive = Items().GetFirstNode(); drive; drive = drive->GetNextSibling()) {
    if (GetPath(drive) != watched) continue;
    // The rebuild destroys the watcher that is notifying: nothing of it is
    // used after this.
    if (drive->Expanded() && CheckDirChange(drive)) UpdateTree();
    return;
  }
}

namespace Dirtree {
void Register() { RegisterComponent<kxvDirTree>("NORDA", "kxvDirTree"); }
}  // namespace Dirtree
