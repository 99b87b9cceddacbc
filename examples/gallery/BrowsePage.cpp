#include "examples/gallery/BrowsePage.h"

#include "examples/gallery/EventLog.h"
#include "framework/Dialogs.h"
#include "framework/Format.h"
#include "framework/Forms.h"
#include "lib/core/File.h"

#include <algorithm>

namespace {

const char* const kSortNames[] = {"なし", "名前", "拡張子", "サイズ", "日付", "属性"};

bool MakeFile(const String& path, const String& text) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
  CloseHandle(file);
  return ok;
}

}  // namespace

String TBrowsePage::ScratchDirectory() {
  char temp[MAX_PATH + 1] = "";
  const DWORD n = GetTempPathA(sizeof temp, temp);
  String root = n > 0 && n < sizeof temp ? String(temp, n) : String("C:\\");
  AppendPath(root, "VEMTAR ギャラリー");
  return root;
}

void TBrowsePage::MakeScratch(const String& root) {
  if (FileExistsAttr(root.c_str(), 0)) return;
  CreateDirectoryA(root.c_str(), nullptr);
  for (const char* dir : {"写真", "文書", "文書\\2026年"}) {
    String path = root;
    CreateDirectoryA(AppendPath(path, dir), nullptr);
  }
  const struct {
    const char* name;
    const char* text;
  } files[] = {{"メモ.txt", "ギャラリーのメモ\r\n"},
               {"readme.txt", "A scratch folder of the gallery.\r\n"},
               {"data.bin", "0123456789ABCDEF0123456789ABCDEF"},
               {"文書\\予定表.txt", "12/23 平日\r\n"}};
  for (const auto& file : files) {
    String path = root;
    MakeFile(AppendPath(path, file.name), file.text);
  }
}

TBrowsePage::TBrowsePage(TComponent* owner) : TTabSheet(owner), scratch_(ScratchDirectory()) {
  SetCaption("ファイル");
  MakeScratch(scratch_);

  Tree = Place<kxvDirTree>(this, this, "", 8, 8, 230, 250);
  Tree->SetHint("フォルダ: 一覧のファイルをここへドラッグすると移動します");
  Files = Place<kxvFileList>(this, this, "", 244, 8, 372, 250);
  Files->SetHint("ファイル: 選んでツリーのフォルダへドラッグできます");
  Tree->SetFileList(Files);
  Tree->SetDirectory(scratch_);
  // Its folders shown: the places files can be dragged to.
  if (TTreeNode* node = Tree->Selected()) node->Expand();
  Tree->OnChange = [this](TObject*, TTreeNode* node) {
    if (node) Log->Add("ツリー: " + Tree->GetPath(node));
  };
  Files->OnSortTypeChange = [this](TObject*) {
    Sorts->SetItemIndex(Files->SortType());
    Descending->SetChecked(Files->SortDirection());
    Log->Add(String("一覧: 並べ替え ") + kSortNames[Files->SortType()] +
             (Files->SortDirection() ? " 降順" : " 昇順"));
  };
  Files->OnDblClick = [this](TObject*) {
    Log->Add("一覧: ダブルクリック → " + Files->Directory());
  };
  // Files dragged from the list onto a folder of the tree move there.
  Files->SetDragMode(dmAutomatic);
  Files->OnStartDrag = [this](TObject*) {
    Log->Add(Format("一覧: OnStartDrag (%d 行)", {Files->SelCount()}));
  };
  Files->OnEndDrag = [this](TObject*, TObject* target, int, int) {
    Log->Add(String("一覧: OnEndDrag → ") + (target == Tree ? "ツリー" : "なし"));
  };
  Tree->OnDragOver = [this](TObject*, TObject* source, int x, int y, TDragState state,
                            bool& accept) {
    TTreeNode* folder = source == Files && state != dsDragLeave ? MoveTarget(x, y) : nullptr;
    accept = folder != nullptr;
    Tree->SetDropTarget(folder);
  };
  Tree->OnDragDrop = [this](TObject*, TObject*, int x, int y) {
    Tree->SetDropTarget(nullptr);
    if (TTreeNode* folder = MoveTarget(x, y)) MoveSelected(folder);
  };

  // Each change below the scratch directory, as the watcher reports it.
  watcher_ = std::make_unique<kxvDirNotifyChange>(
      scratch_, true,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
          FILE_NOTIFY_CHANGE_LAST_WRITE);
  watcher_->OnNotify = [this](TObject*) { Log->Add("監視: " + scratch_ + " の下が変わりました"); };
  watcher_->Start();

  TreeUpdate = Place<TCheckBox>(this, this, "", 8, 266, 190, 18, "ツリーを自動更新(&T)");
  TreeUpdate->OnClick = [this](TObject*) { Tree->SetAutoUpdate(TreeUpdate->Checked()); };
  ListUpdate = Place<TCheckBox>(this, this, "", 8, 286, 190, 18, "一覧を自動更新(&L)");
  ListUpdate->OnClick = [this](TObject*) { Files->SetAutoUpdate(ListUpdate->Checked()); };
  Descending = Place<TCheckBox>(this, this, "", 8, 306, 190, 18, "降順(&E)");
  Descending->OnClick = [this](TObject*) { Files->SetSortDirection(Descending->Checked()); };

  Place<TLabel>(this, this, "", 204, 266, 90, 14, "並べ替え:");
  Sorts = Place<TListBox>(this, this, "", 204, 282, 90, 56);
  for (const char* sort : kSortNames) Sorts->Items().Add(sort);
  Sorts->SetItemIndex(Files->SortType());
  Sorts->OnClick = [this](TObject*) {
    Files->SetSortType(static_cast<kxvFileSortType>(std::max(Sorts->ItemIndex(), 0)));
  };
  Place<TLabel>(this, this, "", 300, 266, 90, 14, "サイズの単位:");
  Sizes = Place<TListBox>(this, this, "", 300, 282, 90, 56);
  for (const char* size : {"自動", "バイト", "KB", "MB", "GB"}) Sizes->Items().Add(size);
  Sizes->SetItemIndex(Files->AutoFileSize());
  Sizes->OnClick = [this](TObject*) {
    Files->SetAutoFileSize(static_cast<kxvAutoFileSize>(std::max(Sizes->ItemIndex(), 0)));
  };

  NewFile = Place<TButton>(this, this, "", 400, 266, 104, 24, "ファイルを作る(&N)");
  NewFile->OnClick = [this](TObject*) { MakeNewFile(); };
  NewFolder = Place<TButton>(this, this, "", 512, 266, 104, 24, "フォルダを作る(&F)");
  NewFolder->OnClick = [this](TObject*) { MakeNewFolder(); };
  DeleteFiles = Place<TButton>(this, this, "", 400, 296, 216, 24, "選んだファイルを削除(&D)");
  DeleteFiles->OnClick = [this](TObject*) { DeleteSelected(); };

  Log = Place<TEventLog>(this, this, "", 8, 344, 608, 72);
}

TBrowsePage::~TBrowsePage() = default;

bool TBrowsePage::InScratch(const String& path) const {
  if (path.size() < scratch_.size()) return false;
  if (lstrcmpiA(path.substr(0, scratch_.size()).c_str(), scratch_.c_str()) != 0) return false;
  return path.size() == scratch_.size() || path[scratch_.size()] == '\\';
}

bool TBrowsePage::ChangeableDirectory(String& directory) {
  directory = Files->Directory();
  if (InScratch(directory)) return true;
  MessageDlg("このページは " + scratch_ + " の中だけを変更します。", mtInformation, mbOK);
  return false;
}

void TBrowsePage::MakeNewFile() {
  String path;
  if (!ChangeableDirectory(path)) return;
  AppendPath(path, Format("新しいファイル %d.txt", {++made_}));
  if (!MakeFile(path, "ギャラリーで作ったファイル\r\n")) {
    MessageDlg(path + " を作れません。", mtError, mbOK);
    return;
  }
  Log->Add("作成: " + path);
  if (!Files->AutoUpdate()) Files->UpdateList();
}

void TBrowsePage::VisibleChanged() {
  TTabSheet::VisibleChanged();
  TTreeNode* node = Tree->Selected();
  if (!Visible() || !node || !node->GetLastChild()) return;
  node->GetLastChild()->MakeVisible();
  node->MakeVisible();
}

void TBrowsePage::MakeNewFolder() {
  String path;
  if (!ChangeableDirectory(path)) return;
  AppendPath(path, Format("新しいフォルダ %d", {++made_}));
  if (!CreateDirectoryA(path.c_str(), nullptr)) {
    MessageDlg(path + " を作れません。", mtError, mbOK);
    return;
  }
  Log->Add("作成: " + path);
  if (!Files->AutoUpdate()) Files->UpdateList();
  if (!Tree->AutoUpdate()) Tree->UpdateTree();
}

std::vector<String> TBrowsePage::SelectedFiles() const {
  std::vector<String> chosen;
  for (int row = Files->GetSelectedItem(-1); row >= 0; row = Files->GetSelectedItem(row)) {
    if (!Files->Entry(row).IsDirectory()) chosen.push_back(Files->Caption(row));
  }
  return chosen;
}

TTreeNode* TBrowsePage::MoveTarget(int x, int y) const {
  TTreeNode* node = Tree->GetNodeAt(x, y);
  if (!node || !InScratch(Files->Directory())) return nullptr;
  const String folder = Tree->GetPath(node);
  if (!InScratch(folder) || lstrcmpiA(folder.c_str(), Files->Directory().c_str()) == 0) {
    return nullptr;
  }
  return SelectedFiles().empty() ? nullptr : node;
}

void TBrowsePage::MoveSelected(TTreeNode* folder) {
  const String target = Tree->GetPath(folder);
  Log->Add("ツリー: OnDragDrop → " + target);
  for (const String& name : SelectedFiles()) {
    String path = Files->Directory(), moved = target;
    AppendPath(path, name);
    AppendPath(moved, name);
    // MoveFile never replaces: a file of that name there stays as it is.
    if (PathProblem(path) != ppNone || PathProblem(moved) != ppNone) {
      Log->Add("正確に指せない名前のため移動しません: " + path);
    } else if (MoveFileA(path.c_str(), moved.c_str())) {
      Log->Add("移動: " + path + " → " + target);
    } else {
      Log->Add("移動できません: " + path);
    }
  }
  if (!Files->AutoUpdate()) Files->UpdateList();
}

void TBrowsePage::DeleteSelected() {
  String directory;
  if (!ChangeableDirectory(directory)) return;
  std::vector<String> chosen = SelectedFiles();
  for (String& name : chosen) {
    String path = directory;
    name = AppendPath(path, name);
  }
  if (chosen.empty()) {
    MessageDlg("削除するファイルを一覧で選んでください (フォルダは削除しません)。", mtInformation,
               mbOK);
    return;
  }
  if (MessageDlg(Format("選んだ %d 個のファイルを削除しますか?", {int(chosen.size())}),
                 mtConfirmation, mbYes | mbNo) != mrYes) {
    return;
  }
  for (const String& path : chosen) {
    // A name the platform would reach another entry by is left alone.
    if (PathProblem(path) != ppNone) {
      Log->Add("正確に指せない名前のため削除しません: " + path);
    } else {
      Log->Add((DeleteFileA(path.c_str()) ? "削除: " : "削除できません: ") + path);
    }
  }
  if (!Files->AutoUpdate()) Files->UpdateList();
}
