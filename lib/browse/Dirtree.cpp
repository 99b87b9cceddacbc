#include "lib/browse/Dirtree.h"

#include "lib/browse/Filelist.h"
#include "lib/core/File.h"
#include "lib/core/Findfile.h"
#include "lib/core/Waitcur.h"

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
}

kxvDirTree::~kxvDirTree() {
  ClearDirNotifyChange();
  if (fileList_) fileList_->SetDirTree(nullptr);
}

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
  if (path.size() == own.size()) return node;
  if (node->HasChildren() && node->Count() == 0) MakeDirTree(node);
  for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
    if (TTreeNode* found = GetNode(child, path)) return found;
  }
  return nullptr;
}

void kxvDirTree::SetSelected(TTreeNode* node) {
  TCustomTreeView::SetSelected(node);
  directory_ = GetPath(node);
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
  fileList_ = list;
  if (list) {
    list->SetDirTree(this);
    list->SetDirectory(directory_);
  }
}

// --- Levels -----------------------------------------------------------------

void kxvDirTree::MakeDirTree() {
  const DWORD drives = GetLogicalDrives();
  ClearDirNotifyChange();
  Items().Clear();
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
  bool found = false;
  NodesUpdate update(Items());
  while (TTreeNode* child = node->GetFirstChild()) child->Delete();
  kxFindFile finder;
  FindLevel(finder, GetPath(node), 0);
  while (finder.Next()) {
    if (!(finder.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    TTreeNode* child = Items().AddChild(node, FileNamePart(finder.cFileName));
    if (HasSubdirectory(finder.cFileName)) child->SetHasChildren(true);
    found = true;
  }
  // A level found empty loses its "+", so that it does not invite a
  // click that cannot open it.
  if (!found) node->SetHasChildren(false);
  node->AlphaSort();
  return found;
}

bool kxvDirTree::CanExpand(TTreeNode* node) {
  bool allow = true;
  if (node->HasChildren()) {
    // Every opening reads the level afresh; one with no subdirectories
    // left stays closed.
    allow = MakeDirTree(node);
    if (allow && autoUpdate_) CheckCreateThread(node);
  }
  if (OnExpanding) OnExpanding(this, node, allow);
  return allow;
}

void kxvDirTree::Click() {
  SetSelected(GetSelected());
  TCustomTreeView::Click();
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
    for (int i = 0; i < paths->Count(); ++i) {
      TTreeNode* node = GetNode(paths->Get(i));
      if (node && node->Parent() && !node->Parent()->Expanded()) node->Parent()->Expand(false);
    }
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
  for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
    String path = GetPath(child);
    path.pop_back();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (child->Expanded() && CheckDirChange(child))) {
      return true;
    }
  }
  kxFindFile finder;
  FindLevel(finder, GetPath(node), 0);
  while (finder.Next()) {
    if ((finder.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !GetNode(finder.cFileName)) {
      return true;
    }
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
