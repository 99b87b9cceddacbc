// The gallery's page of the browsing controls: the directory tree, the
// file list it drives and a change watcher, on a scratch directory of the
// gallery's own that the page's buttons change and files dragged from the
// list onto a folder of the tree move in, with what each reported in the
// log below.
#pragma once

#include "framework/ComCtrls.h"
#include "framework/StdCtrls.h"
#include "lib/browse/Dirtree.h"
#include "lib/browse/Fchange.h"
#include "lib/browse/Filelist.h"

#include <memory>
#include <vector>

class TEventLog;

class TBrowsePage : public TTabSheet {
public:
  // The scratch directory is made (with a few entries) when missing.
  explicit TBrowsePage(TComponent* owner);
  ~TBrowsePage() override;

  // "VEMTAR ギャラリー" in the user's temporary directory.
  static String ScratchDirectory();

  kxvDirTree* Tree = nullptr;
  kxvFileList* Files = nullptr;
  TCheckBox* TreeUpdate = nullptr;
  TCheckBox* ListUpdate = nullptr;
  TListBox* Sorts = nullptr;
  TCheckBox* Descending = nullptr;
  TListBox* Sizes = nullptr;
  TButton* NewFile = nullptr;
  TButton* NewFolder = nullptr;
  TButton* DeleteFiles = nullptr;
  TEventLog* Log = nullptr;

protected:
  // Shown: the selected folder's subfolders scrolled into view.
  void VisibleChanged() override;

private:
  static void MakeScratch(const String& root);
  // Whether path is the scratch directory or lies below it: the page
  // changes nothing anywhere else.
  bool InScratch(const String& path) const;
  // The list's directory when the page may change it; else it says why.
  bool ChangeableDirectory(String& directory);
  void MakeNewFile();
  void MakeNewFolder();
  void DeleteSelected();
  // The names of the list's selected files; its folders are left out.
  std::vector<String> SelectedFiles() const;
  // The scratch folder of the tree's node at the client point (x, y) that
  // the list's files could move to, or null.
  TTreeNode* MoveTarget(int x, int y) const;
  void MoveSelected(TTreeNode* folder);

  String scratch_;
  std::unique_ptr<kxvDirNotifyChange> watcher_;
  int made_ = 0;
};
