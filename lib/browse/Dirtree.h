// The directory tree: every drive as a top-level node and the directories
// below, read level by level as they are opened. A click makes the node's
// directory the current one and hands it to the linked file list. With
// AutoUpdate on it watches each drive whose part of the tree is open and
// rebuilds itself, keeping the same branches open, when directories come
// and go there.
#pragma once

#include "framework/Classes.h"
#include "framework/TreeView.h"
#include "lib/browse/Fchange.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class kxvFileList;

class kxvDirTree : public TCustomTreeView {
public:
  explicit kxvDirTree(TComponent* owner);
  ~kxvDirTree() override;

  // Empty, or ending in "\".
  const String& Directory() const { return directory_; }
  // Selects the node of path; a path that is not in the tree changes
  // nothing. An empty path selects nothing.
  void SetDirectory(const String& path);
  kxvFileList* FileList() const { return fileList_; }
  // Links the list (not owned) and pushes Directory into it; a list
  // linked before forgets this tree.
  void SetFileList(kxvFileList* list);
  bool AutoUpdate() const { return autoUpdate_; }
  void SetAutoUpdate(bool autoUpdate);

  TTreeNode* GetSelected() const { return Selected(); }
  // Selects node (may be none), takes its path as Directory and pushes it
  // into the file list.
  void SetSelected(TTreeNode* node);
  // The node's directory ending in "\" (C:\ for the drive node C:); empty
  // for none.
  String GetPath(const TTreeNode* node) const;
  // The node of path (a missing trailing "\" is added), loading the levels
  // on the way without opening them; null if there is none.
  TTreeNode* GetNode(String path);
  TTreeNode* GetNode(TTreeNode* node, const String& path);
  // The drive node above node (node itself for a drive node).
  TTreeNode* GetRootNode(TTreeNode* node) const;

  // Rebuilds the drive nodes.
  void MakeDirTree();
  // Re-reads the children of node; whether there is at least one.
  bool MakeDirTree(TTreeNode* node);
  // The paths of every visible node, in tree order.
  std::unique_ptr<TStringList> MakeDirList();
  void MakeDirList(TStringList& list, TTreeNode* node);
  // Rebuilds from the disk, keeping the open branches and the selection.
  void UpdateTree();

  // Makes sure the drive of node and every open drive are watched.
  void CheckCreateThread(TTreeNode* node);
  // Whether the disk no longer matches the visible part below node.
  bool CheckDirChange(TTreeNode* node);
  void ClearDirNotifyChange();
  // The watchers' notification.
  void NotifyChange(TObject* sender);
  int WatcherCount() const { return static_cast<int>(watchers_.size()); }

protected:
  void InitializeWnd() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Reads the level before it opens; fires OnExpanding after.
  bool CanExpand(TTreeNode* node) override;
  // A subdirectory's "+", probed when the node is first shown.
  bool DecideHasChildren(TTreeNode* node) override;
  // Takes the clicked node as the current directory; fires OnClick after.
  void Click() override;
  // Enter on a node does what a click does: the keyboard's way to a
  // directory (arrow keys only move the selection).
  void WndProc(TMessage& message) override;

private:
  bool Quiet() const;
  // The node of path below node, whose own path is path's first at bytes.
  TTreeNode* Descend(TTreeNode* node, const String& path, size_t at);
  void MakeDriveNodesOnce();

  String directory_;
  kxvFileList* fileList_ = nullptr;
  bool autoUpdate_ = false;
  std::vector<std::unique_ptr<kxvDirNotifyChange>> watchers_;
  // Inside UpdateTree: the level a lookup has just read, which opening it
  // next need not read again.
  bool rebuilding_ = false;
  TTreeNode* justRead_ = nullptr;
  // The last-write time of each shown directory when its "+" was last
  // decided: only one written since is looked into again.
  std::unordered_map<const TTreeNode*, uint64_t> decidedAt_;
};

namespace Dirtree {
// Puts kxvDirTree on the palette page "NORDA".
void Register();
}  // namespace Dirtree
