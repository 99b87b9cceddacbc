#include "app/main_window.h"

#include "app/version.h"

#include "framework/Format.h"
#include "framework/Inifiles.h"
#include "lib/core/File.h"
#include "lib/core/Findfile.h"
#include "lib/core/Datetime.h"
#include "lib/core/Waitcur.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>

TMainForm* MainForm = nullptr;

namespace {

constexpr double kVersion = VEMTAR_VERSION;
// How long the scan's panel shows one directory at least.
constexpr DWORD kSearchShowMs = 40;
const char* const kSection = "Vemtar";
const char* const kRecordSection = "SystemFileList";

// The run's way into a directory: never through a link to one elsewhere.
bool Descends(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A directory's entries as the run goes into it, taken all first:
// renamed ones must not come round again.
std::vector<WIN32_FIND_DATAA> EntriesIn(const String& directory) {
  std::vector<WIN32_FIND_DATAA> entries;
  kxFindFile finder;
  finder.SubDirectory = false;
  String pattern = directory;
  finder.Find(AppendPath(pattern, "*.*"));
  while (finder.Next()) entries.push_back(finder);
  return entries;
}

// The platform's beep for each kind of box, then the box.
int Ask(const String& text, TMsgDlgType type, unsigned buttons) {
  static const UINT beeps[] = {MB_ICONEXCLAMATION, MB_OK, MB_ICONQUESTION};
  Application().Beep(beeps[type]);
  return MessageDlg(text, type, buttons);
}

// A path the INI file cannot hold as a key: it would come back changed.
bool FitsAsKey(const String& path) {
  if (path.empty() || path.front() == ';' || path.front() == '[') return false;
  if (path.front() == ' ' || path.back() == ' ' || path.front() == '\t' || path.back() == '\t') {
    return false;
  }
  return path.find('=') == String::npos;
}

// Deletes the selected lines of a list, last first.
void DeleteSelected(TListBox* list) {
  list->Items().BeginUpdate();
  for (int i = list->Items().Count() - 1; i >= 0; --i) {
    if (list->Selected(i)) list->Items().Delete(i);
  }
  list->Items().EndUpdate();
}

// --- the stored layout -------------------------------------------------------

TTabSheet* Sheet(TComponent* owner, TPageControl* pages, const char* name, const char* caption) {
  auto* sheet = new TTabSheet(owner);
  sheet->SetName(name);
  sheet->SetCaption(caption);
  sheet->SetPageControl(pages);
  return sheet;
}

// A panel with a warning icon and red text, at the top of pages 2 and 3.
void WarningPanel(TComponent* owner, TWinControl* sheet, const char* text) {
  auto* panel = Place<TPanel>(owner, sheet, "", 8, 8, 564, 60);
  panel->SetBevelOuter(bvLowered);
  auto* icon = Place<TImage>(owner, panel, "", 10, 14, 32, 32);
  icon->SetStockIcon(IDI_EXCLAMATION);
  auto* label = Place<TLabel>(owner, panel, "", 52, 6, 504, 48, text);
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->Font().SetColor(clRed);
}

// A line of the version page: white, and black one pixel up and left.
TLabel* EmbossedLine(TComponent* owner, TWinControl* panel, int top, int height, const char* text,
                     TLabel** shadow = nullptr) {
  auto* white = Place<TLabel>(owner, panel, "", 1, top + 1, 546, height, text);
  auto* black = Place<TLabel>(owner, panel, "", 0, top, 546, height, text);
  for (TLabel* label : {white, black}) {
    label->SetAutoSize(false);
    label->SetAlignment(taCenter);
  }
  white->Font().SetColor(clWhite);
  black->Font().SetColor(clBlack);
  if (shadow) *shadow = white;
  return black;
}

}  // namespace

void TMainForm::BuildLayout() {
  SetCaption("VEMTAR");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(poScreenCenter);
  SetClientSize(592, 441);
  Font().SetName("ＭＳ Ｐゴシック");
  Font().SetCharset(SHIFTJIS_CHARSET);
  Font().SetHeight(12);
  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  OnShortCut = [this](TObject* s, WORD key, TShiftState shift, bool& handled) {
    FormShortCut(s, key, shift, handled);
  };

  // The bottom row; ButtonExec first in tab order.
  ButtonExec = Place<TButton>(this, this, "ButtonExec", 346, 410, 75, 25, "実行");
  ButtonClose = Place<TButton>(this, this, "ButtonClose", 427, 410, 75, 25, "閉じる");
  ButtonClose->SetCancel(true);
  ButtonClose->OnClick = [this](TObject* s) { ButtonCloseClick(s); };
  ButtonHelp = Place<TButton>(this, this, "ButtonHelp", 508, 410, 75, 25, "ヘルプ");
  ButtonHelp->OnClick = [this](TObject* s) { ButtonHelpClick(s); };
  LabelInfo = Place<TLabel>(this, this, "LabelInfo", 8, 416, 330, 14, "");
  LabelInfo->SetAutoSize(false);
  LabelInfo->SetAlignment(taCenter);
  LabelInfo->SetVisible(false);

  PageControl = Place<TPageControl>(this, this, "PageControl", 4, 4, 584, 400);
  PageControl->OnChange = [this](TObject* s) { PageControlChange(s); };

  TabSheetAtrChange = Sheet(this, PageControl, "TabSheetAtrChange", "ファイル属性変更");
  BuildAtrChangePage();

  // Page 2.
  TabSheetSysFileChange =
      Sheet(this, PageControl, "TabSheetSysFileChange", "システムファイル属性解除");
  WarningPanel(this, TabSheetSysFileChange,
               "下記のファイルのシステムファイル属性を解除します。これには危険が伴います。"
               "最悪の場合にはWindowsを再インストールしなければならなくなるかもしれません。"
               "自信のない人や責任の持てない人は実行しないで下さい。");
  auto* group = Place<TGroupBox>(this, TabSheetSysFileChange, "", 8, 74, 564, 256, "システムファイル");
  DriveComboBoxSysFile = Place<TDriveComboBox>(this, group, "DriveComboBoxSysFile", 12, 20, 160, 20);
  DriveComboBoxSysFile->OnChange = [this](TObject* s) { DriveComboBoxSysFileChange(s); };
  ButtonSearch = Place<TButton>(this, group, "ButtonSearch", 180, 18, 75, 25, "検索");
  ButtonSearch->OnClick = [this](TObject* s) { ButtonSearchClick(s); };
  ButtonChangeDelete = Place<TButton>(this, group, "ButtonChangeDelete", 260, 18, 75, 25, "除外");
  ButtonChangeDelete->OnClick = [this](TObject* s) { ButtonChangeDeleteClick(s); };
  ButtonChangeDelete->SetEnabled(false);
  PanelSearchDir = Place<TPanel>(this, group, "PanelSearchDir", 12, 50, 540, 20);
  PanelSearchDir->SetBevelOuter(bvLowered);
  PanelSearchDir->SetAlignment(taLeftJustify);
  PanelSearchDir->SetVisible(false);
  ListBoxSysFileChange = Place<TListBox>(this, group, "ListBoxSysFileChange", 12, 74, 540, 170);
  ListBoxSysFileChange->SetMultiSelect(true);
  ListBoxSysFileChange->SetExtendedSelect(true);
  ListBoxSysFileChange->OnClick = [this](TObject* s) { ListBoxSysFileChangeClick(s); };
  ButtonScanDisk =
      Place<TButton>(this, TabSheetSysFileChange, "ButtonScanDisk", 8, 338, 110, 25, "スキャンディスク");
  ButtonScanDisk->OnClick = [this](TObject* s) { ButtonScanDiskClick(s); };
  ButtonDefrag = Place<TButton>(this, TabSheetSysFileChange, "ButtonDefrag", 124, 338, 110, 25, "デフラグ");
  ButtonDefrag->OnClick = [this](TObject* s) { ButtonDefragClick(s); };

  // Page 3.
  TabSheetSysFileRestore =
      Sheet(this, PageControl, "TabSheetSysFileRestore", "システムファイル属性復元");
  WarningPanel(this, TabSheetSysFileRestore,
               "システムファイル属性の解除を行ったファイルの属性を復元します。");
  group = Place<TGroupBox>(this, TabSheetSysFileRestore, "", 8, 74, 564, 290, "システムファイル");
  ButtonReload = Place<TButton>(this, group, "ButtonReload", 12, 18, 75, 25, "再読込み");
  ButtonReload->OnClick = [this](TObject* s) { ButtonReloadClick(s); };
  ButtonRestoreDelete = Place<TButton>(this, group, "ButtonRestoreDelete", 92, 18, 75, 25, "除外");
  ButtonRestoreDelete->OnClick = [this](TObject* s) { ButtonRestoreDeleteClick(s); };
  ButtonRestoreDelete->SetEnabled(false);
  ListBoxSysFileRestore = Place<TListBox>(this, group, "ListBoxSysFileRestore", 12, 50, 540, 228);
  ListBoxSysFileRestore->SetMultiSelect(true);
  ListBoxSysFileRestore->SetExtendedSelect(true);
  ListBoxSysFileRestore->OnClick = [this](TObject* s) { ListBoxSysFileRestoreClick(s); };

  // Page 4.
  TabSheetVersion = Sheet(this, PageControl, "TabSheetVersion", "バージョン");
  auto* panel = Place<TPanel>(this, TabSheetVersion, "", 8, 8, 564, 356);
  panel->SetBevelOuter(bvRaised);
  TLabel* titleShadow = nullptr;
  TLabel* title = EmbossedLine(this, panel, 60, 60, "VEMTAR", &titleShadow);
  for (TLabel* label : {title, titleShadow}) {
    label->Font().SetName("");
    label->Font().SetPitchAndFamily(VARIABLE_PITCH | FF_ROMAN);
    label->Font().SetHeight(48);
    label->Font().SetStyle(fsBold);
  }
  EmbossedLine(this, panel, 130, 20, "File Attribute Changer");
  LabelVer = EmbossedLine(this, panel, 170, 16, "", &LabelVerShadow);
  LabelVer->SetName("LabelVer");
  LabelVerShadow->SetName("LabelVerShadow");
  EmbossedLine(this, panel, 230, 16, "ファイルの属性・日付・名前をまとめて変更します");
  EmbossedLine(this, panel, 254, 16, "Win32 版");

  // Page 5, after the version page: the stored page numbers keep their
  // meaning.
  TabSheetHistory = Sheet(this, PageControl, "TabSheetHistory", "履歴");
  auto* history = Place<TGroupBox>(this, TabSheetHistory, "", 8, 8, 564, 356, "ページ 1 の変更 (新しい順)");
  ListBoxHistory = Place<TListBox>(this, history, "ListBoxHistory", 12, 20, 540, 324);
  ListBoxHistory->OnClick = [this](TObject*) { ApplyExecRule(); };
}

void TMainForm::BuildAtrChangePage() {
  TTabSheet* page = TabSheetAtrChange;
  DirTree = Place<kxvDirTree>(this, page, "DirTree", 4, 4, 108, 220);
  DirTree->SetReadOnly(true);
  DirTree->SetHideSelection(false);
  DirTree->SetSortType(stText);
  DirTree->SetIndent(19);
  DirTree->SetAutoUpdate(true);
  Splitter1 = Place<TSplitter>(this, page, "Splitter1", 112, 4, 4, 220);
  FileList = Place<kxvFileList>(this, page, "FileList", 116, 4, 456, 220);
  FileList->SetMultiSelect(true);
  FileList->SetHideSelection(false);
  FileList->SetSortType(fstName);
  FileList->SetAutoUpdate(true);
  FileList->OnChange = [this](TObject* s, int) { FileListChange(s); };
  FileList->OnEdited = [this](TObject* s, int row, String& text) { FileListEdited(s, row, text); };
  FileList->OnSortTypeChange = [this](TObject* s) { FileListSortTypeChange(s); };
  DirTree->SetFileList(FileList);

  CheckBoxFAtr = Place<TCheckBox>(this, page, "CheckBoxFAtr", 8, 232, 150, 17, "ファイル属性の変更");
  CheckBoxFAtr->OnClick = [this](TObject* s) { CheckBoxFAtrClick(s); };
  GroupBoxAtr = Place<TGroupBox>(this, page, "GroupBoxAtr", 8, 252, 150, 96, "ファイル属性");
  CheckBoxReadOnly =
      Place<TCheckBox>(this, GroupBoxAtr, "CheckBoxReadOnly", 10, 16, 132, 17, "R：リードオンリー");
  CheckBoxHidden = Place<TCheckBox>(this, GroupBoxAtr, "CheckBoxHidden", 10, 34, 132, 17, "H：非表示");
  CheckBoxSystem =
      Place<TCheckBox>(this, GroupBoxAtr, "CheckBoxSystem", 10, 52, 132, 17, "S：システムファイル");
  CheckBoxArchive =
      Place<TCheckBox>(this, GroupBoxAtr, "CheckBoxArchive", 10, 70, 132, 17, "A：アーカイブ");

  CheckBoxFTime = Place<TCheckBox>(this, page, "CheckBoxFTime", 166, 232, 150, 17, "ファイル日付の変更");
  CheckBoxFTime->OnClick = [this](TObject* s) { CheckBoxFTimeClick(s); };
  GroupBoxDate = Place<TGroupBox>(this, page, "GroupBoxDate", 166, 252, 150, 96, "ファイル日付");
  Place<TLabel>(this, GroupBoxDate, "", 10, 26, 40, 14, "年月日");
  EditDate = Place<TEdit>(this, GroupBoxDate, "EditDate", 52, 22, 88, 20);
  Place<TLabel>(this, GroupBoxDate, "", 10, 58, 40, 14, "時分秒");
  EditTime = Place<TEdit>(this, GroupBoxDate, "EditTime", 52, 54, 88, 20);

  CheckBoxFileName =
      Place<TCheckBox>(this, page, "CheckBoxFileName", 324, 232, 150, 17, "ファイル名の変更");
  CheckBoxFileName->OnClick = [this](TObject* s) { CheckBoxFileNameClick(s); };
  GroupBoxFileName =
      Place<TGroupBox>(this, page, "GroupBoxFileName", 324, 252, 248, 96, "ファイル名");
  auto* example = Place<TLabel>(this, GroupBoxFileName, "", 10, 18, 228, 14, "例：Sample%.2d.%2:s");
  EditFileName = Place<TEdit>(this, GroupBoxFileName, "EditFileName", 10, 36, 228, 20);
  for (TFont* font : {&example->Font(), &EditFileName->Font()}) {
    font->SetName("ＭＳ ゴシック");
    font->SetCharset(SHIFTJIS_CHARSET);
    font->SetHeight(12);
  }
  Place<TLabel>(this, GroupBoxFileName, "", 10, 68, 56, 14, "開始番号");
  EditIndex = Place<kxvEdit>(this, GroupBoxFileName, "EditIndex", 70, 64, 80, 20);
  EditIndex->SetDataType(dtLong);
  EditIndex->SetText("0");

  CheckBoxSubDir =
      Place<TCheckBox>(this, page, "CheckBoxSubDir", 8, 352, 200, 17, "ｻﾌﾞﾃﾞｨﾚｸﾄﾘも検索する");
  CheckBoxSubDir->SetChecked(true);

  // The preview follows every field it is made from. A timer's tick
  // comes only when no other message waits, so a burst of changes (a
  // drag over the rows, a pasted pattern) is worked out once.
  PreviewTimer = new TTimer(this);
  PreviewTimer->SetEnabled(false);
  PreviewTimer->SetInterval(10);
  PreviewTimer->OnTimer = [this](TObject*) { UpdatePreview(); };
  for (TCustomEdit* edit : {static_cast<TCustomEdit*>(EditFileName), static_cast<TCustomEdit*>(EditIndex),
                            static_cast<TCustomEdit*>(EditDate), static_cast<TCustomEdit*>(EditTime)}) {
    edit->OnChange = [this](TObject*) { PreviewChanged(false); };
  }
  for (TCheckBox* box : {CheckBoxReadOnly, CheckBoxHidden, CheckBoxSystem, CheckBoxArchive}) {
    box->OnClick = [this](TObject*) { PreviewChanged(false); };
  }
  CheckBoxSubDir->OnClick = [this](TObject*) { PreviewChanged(true); };
  FileList->OnColumnText = [this](int row, int column) -> const char* {
    if (column != PreviewColumn || row < 0 || static_cast<size_t>(row) >= PreviewTexts.size()) {
      return nullptr;
    }
    const auto& [caption, text] = PreviewTexts[row];
    return caption == FileList->Caption(row) ? text.c_str() : nullptr;
  };

  BuildFileListMenu();
}

void TMainForm::BuildFileListMenu() {
  PopupMenuFileList = new TPopupMenu(this);
  PopupMenuFileList->SetName("PopupMenuFileList");
  PopupMenuFileList->OnPopup = [this](TObject* s) { PopupMenuFileListPopup(s); };
  FileList->SetPopupMenu(PopupMenuFileList);
  auto item = [this](TMenuItem* parent, const char* name, const char* caption,
                     void (TMainForm::*handler)(TObject*) = nullptr, int radioGroup = 0) {
    auto* menuItem = new TMenuItem(this);
    menuItem->SetName(name);
    menuItem->SetCaption(caption);
    if (handler) menuItem->OnClick = [this, handler](TObject* s) { (this->*handler)(s); };
    if (radioGroup) {
      menuItem->SetRadioItem(true);
      menuItem->SetGroupIndex(radioGroup);
    }
    parent->Add(menuItem);
    return menuItem;
  };
  TMenuItem* root = PopupMenuFileList->Items();
  KRen = item(root, "KRen", "名前の変更");
  KRenameUpper = item(KRen, "KRenameUpper", "大文字にする", &TMainForm::KRenameUpperLowerClick);
  KRenameLower = item(KRen, "KRenameLower", "小文字にする", &TMainForm::KRenameUpperLowerClick);
  KRename = item(KRen, "KRename", "任意", &TMainForm::KRenameClick);
  KDelete = item(root, "KDelete", "削除...", &TMainForm::KDeleteClick);
  N1 = item(root, "N1", "-");
  KSelectClear = item(root, "KSelectClear", "選択解除", &TMainForm::KSelectClearClick);
  KSelectAll = item(root, "KSelectAll", "すべて選択", &TMainForm::KSelectAllClick);
  KSelectChange = item(root, "KSelectChange", "選択の切り替え", &TMainForm::KSelectChangeClick);
  N3 = item(root, "N3", "-");
  KSort = item(root, "KSort", "ソート");
  KSortNone = item(KSort, "KSortNone", "なし", &TMainForm::KSortNoneClick, 1);
  KSortName = item(KSort, "KSortName", "名前", &TMainForm::KSortNameClick, 1);
  KSortExt = item(KSort, "KSortExt", "拡張子", &TMainForm::KSortExtClick, 1);
  KSortSize = item(KSort, "KSortSize", "サイズ", &TMainForm::KSortSizeClick, 1);
  KSortTime = item(KSort, "KSortTime", "日付", &TMainForm::KSortTimeClick, 1);
  KSortAttribute = item(KSort, "KSortAttribute", "属性", &TMainForm::KSortAttributeClick, 1);
  N2 = item(KSort, "N2", "-");
  KSortForward = item(KSort, "KSortForward", "昇順", &TMainForm::KSortForwardClick, 2);
  KSortBackward = item(KSort, "KSortBackward", "降順", &TMainForm::KSortBackwardClick, 2);
  KRefresh = item(root, "KRefresh", "最新の情報に更新", &TMainForm::KRefreshClick);
  KSortNone->SetChecked(true);
  KSortForward->SetChecked(true);
}

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
  BeginLoad();
  BuildLayout();
  EndLoad();

  IniFileName.clear();
  SetHelpFile("");
  IniFileName = Application().ExeName();
  ChangeExtension(IniFileName, "INI");
  JournalFileName = Application().ExeName();
  ChangeExtension(JournalFileName, "LOG");
  AtrChangeFieldStartUp();
  const String version = FormatFloat("Version ##.00", kVersion * 0.01);
  LabelVer->SetCaption(version);
  LabelVerShadow->SetCaption(version);
  AtrChangeStartDirectory();
  int page = TIniFile(IniFileName).ReadInteger(kSection, "Page", 0);
  PageControl->SetActivePage(page == 1 ? TabSheetSysFileChange : TabSheetAtrChange);
}

void TMainForm::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  params.ClassName = "TMainForm";
}

// --- The window ---------------------------------------------------------------

void TMainForm::FormCreate(TObject*) {
  SetVisible(true);
  PageControlChange(this);
}

void TMainForm::FormClose(TObject*, TCloseAction&) {
  const bool onPage2 = PageControl->ActivePage() == TabSheetSysFileChange;
  try {
    TIniFile(IniFileName).WriteInteger(kSection, "Page", onPage2 ? 1 : 0);
  } catch (const EIniFileException&) {
    // The start page is a convenience: losing it is no reason to stay open.
  }
}

void TMainForm::PageControlChange(TObject*) {
  TTabSheet* page = PageControl->ActivePage();
  if (page == TabSheetAtrChange) {
    ButtonExec->OnClick = [this](TObject* s) { ButtonFileAtrChangeClick(s); };
  } else if (page == TabSheetSysFileChange) {
    ButtonExec->OnClick = [this](TObject* s) { ButtonSysFileChangeClick(s); };
    if (!SysFileSearched) MakeSysFileChangeList();
  } else if (page == TabSheetSysFileRestore) {
    ButtonExec->OnClick = [this](TObject* s) { ButtonSysFileRestoreClick(s); };
    if (!RestoreListLoaded) MakeSysFileRestoreList();
  } else if (page == TabSheetHistory) {
    ButtonExec->OnClick = [this](TObject* s) { ButtonHistoryUndoClick(s); };
    MakeHistoryList();
  } else {
    ButtonExec->OnClick = nullptr;
  }
  ApplyExecRule();
}

void TMainForm::ApplyExecRule() {
  // Commands of one page may end while another is shown (the disk tools
  // let the window work while they run): the page shown decides.
  TTabSheet* page = PageControl->ActivePage();
  bool enabled = false;
  if (page == TabSheetAtrChange) {
    const bool change =
        CheckBoxFAtr->Checked() || CheckBoxFTime->Checked() || CheckBoxFileName->Checked();
    enabled = FileList->SelCount() > 0 && change;
  } else if (page == TabSheetSysFileChange) {
    enabled = ListBoxSysFileChange->Items().Count() > 0;
  } else if (page == TabSheetSysFileRestore) {
    enabled = ListBoxSysFileRestore->Items().Count() > 0;
  } else if (page == TabSheetHistory) {
    const int line = ListBoxHistory->ItemIndex();
    enabled = line >= 0 && static_cast<size_t>(line) < HistoryRuns.size() && !HistoryRuns[line].undone;
  }
  ButtonExec->SetEnabled(enabled);
}

namespace {

// An information box naming entries and why each was left, at most 20.
void TellEntries(const String& head, const std::vector<std::pair<String, String>>& entries,
                 TMsgDlgType type = mtInformation) {
  String text = head;
  const size_t shown = std::min<size_t>(entries.size(), 20);
  for (size_t i = 0; i < shown; ++i) text += "\n" + entries[i].first + "（" + entries[i].second + "）";
  if (entries.size() > shown) text += "\nほか " + IntToStr(static_cast<int>(entries.size() - shown)) + " 件";
  Ask(text, type, mbOK);
}

}  // namespace

void TMainForm::TellLeftAlone() {
  if (LeftAlone.empty()) return;
  std::vector<std::pair<String, String>> entries;
  for (const String& path : LeftAlone) {
    const char* why = "完全なパスで表せません";
    switch (PathProblem(path)) {
      case ppWildcard: why = "名前に表示できない文字があります"; break;
      case ppTrailingDotOrBlank: why = "名前が「.」か空白で終わっています"; break;
      case ppNone: why = "同じ名前の項目が見つかりません"; break;
      default: break;
    }
    entries.emplace_back(path, why);
  }
  LeftAlone.clear();
  TellEntries("次の項目は名前で正確に指定できないため、そのままにしました。", entries);
}

String TMainForm::ExactPath(const String& path) {
  if (PathProblem(path) == ppNone) return path;
  LeaveAlone(path);
  return String();
}

void TMainForm::ButtonCloseClick(TObject*) { Close(); }

void TMainForm::ButtonHelpClick(TObject*) { Application().HelpCommand(HELP_FINDER, 0); }

// --- Page 1: options ----------------------------------------------------------

void TMainForm::AtrChangeFieldStartUp() {
  const kxDateTime now;
  EditDate->SetText(now.Date.Format("yyyy/mm/dd"));
  EditTime->SetText(now.Time.Format("hh:nn:ss"));
  CheckBoxFAtrClick(this);
  CheckBoxFTimeClick(this);
  CheckBoxFileNameClick(this);
  CheckFileList();
}

void TMainForm::AtrChangeStartDirectory() {
  char current[MAX_PATH] = "";
  const DWORD length = GetCurrentDirectoryA(sizeof current, current);
  const String drive = length > 0 && length < sizeof current ? PathRoot(current) : String();
  DirTree->SetDirectory(drive);
}

namespace {

// A group's edits look usable only while the group is switched on.
void ShowEditUsable(TCustomEdit* edit, bool usable) { edit->SetColor(usable ? clWindow : clBtnFace); }

}  // namespace

void TMainForm::CheckBoxFAtrClick(TObject*) {
  GroupBoxAtr->SetEnabled(CheckBoxFAtr->Checked());
  CheckFileList();
  PreviewChanged(true);
  GroupBoxAtr->Invalidate();
}

void TMainForm::CheckBoxFTimeClick(TObject*) {
  const bool on = CheckBoxFTime->Checked();
  GroupBoxDate->SetEnabled(on);
  ShowEditUsable(EditDate, on);
  ShowEditUsable(EditTime, on);
  CheckFileList();
  PreviewChanged(true);
  GroupBoxDate->Invalidate();
}

void TMainForm::CheckBoxFileNameClick(TObject*) {
  const bool on = CheckBoxFileName->Checked();
  GroupBoxFileName->SetEnabled(on);
  ShowEditUsable(EditFileName, on);
  EditIndex->SetEnabled(on);
  ShowEditUsable(EditIndex, on);
  CheckFileList();
  PreviewChanged(true);
  GroupBoxFileName->Invalidate();
}

void TMainForm::FileListChange(TObject*) {
  CheckFileList();
  PreviewChanged(true);
}

void TMainForm::CheckFileList() {
  // The button belongs to the page shown: a refresh of the list behind
  // another page leaves that page's rule in force.
  ApplyExecRule();
}

// --- Page 1: the batch run -----------------------------------------------------

namespace {

// The list switched to the program's own changes for the length of a
// command: no refreshes in the middle, one at the end, whatever happens.
class ListChanges {
public:
  explicit ListChanges(kxvFileList* list) : list_(list) { list_->SetAutoUpdate(false); }
  // A destructor may run while an error unwinds: a failing refresh is
  // shown, never thrown.
  ~ListChanges() {
    try {
      list_->UpdateList();
    } catch (const std::exception& e) {
      Application().ShowException(e);
    }
    list_->SetAutoUpdate(true);
  }
  ListChanges(const ListChanges&) = delete;
  ListChanges& operator=(const ListChanges&) = delete;

private:
  kxvFileList* list_;
};


uint64_t Ticks(const FILETIME& time) {
  return uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// Sets only the entry's last-write time (creation and last-access times
// stay), read-only lifted while it is set; its attributes (INVALID when
// unknown) are the open's flags. opened: whether the entry could be opened.
bool SetLastWriteTime(const String& path, DWORD attributes, const FILETIME& time, bool& opened) {
  const bool known = attributes != INVALID_FILE_ATTRIBUTES;
  const bool readOnly = known && (attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly) SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                known ? attributes : 0, nullptr));
  opened = static_cast<bool>(file);
  const bool set = file && SetFileTime(file.get(), nullptr, nullptr, &time);
  file.reset();
  if (readOnly) SetFileAttributesA(path.c_str(), attributes);
  return set;
}

// The local time now, as a journal's run head gives it.
String NowText() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[32];
  wsprintfA(text, "%04u/%02u/%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
            now.wMinute, now.wSecond);
  return text;
}

// While a command records into its journal: the journal is the window's
// for that time, and closed when the command ends, however it ends.
class RecordingScope {
public:
  RecordingScope(TJournalFile*& slot, TJournalFile& journal) : slot_(slot) { slot_ = &journal; }
  ~RecordingScope() {
    slot_->End();
    slot_ = nullptr;
  }
  RecordingScope(const RecordingScope&) = delete;
  RecordingScope& operator=(const RecordingScope&) = delete;

private:
  TJournalFile*& slot_;
};

// The entry's directory: without a trailing "\" unless it is a root.
String DirectoryOf(const String& path) {
  String directory(path.c_str(), FileNamePart(path));
  const int last = static_cast<int>(directory.size()) - 1;
  if (last > 0 && LastCharPos(directory.c_str(), '\\') == last && directory[last - 1] != ':') {
    directory.pop_back();
  }
  return directory;
}

// The name as it is on disk, or empty when nothing is there.
String NameOnDisk(const String& path) {
  WIN32_FIND_DATAA data;
  UniqueFindHandle find(FindFirstFileA(path.c_str(), &data));
  return find ? String(data.cFileName) : String();
}

// Moves old to new. Where the platform's move call reports success for a
// change of letter case only but leaves the name as it was, the entry goes
// through a free temporary name; if the second step fails it goes back.
bool MoveEntry(const String& oldPath, const String& newPath) {
  if (!MoveFileA(oldPath.c_str(), newPath.c_str())) return false;
  const String wanted = FileNamePart(newPath);
  if (lstrcmpiA(oldPath.c_str(), newPath.c_str()) != 0 || NameOnDisk(newPath) == wanted) {
    return true;
  }
  for (int n = 0; n < 100; ++n) {
    const String temporary = oldPath + ".~" + IntToStr(GetCurrentProcessId()) + "_" + IntToStr(n);
    if (GetFileAttributesA(temporary.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    if (!MoveFileA(oldPath.c_str(), temporary.c_str())) return false;
    if (MoveFileA(temporary.c_str(), newPath.c_str())) return true;
    MoveFileA(temporary.c_str(), oldPath.c_str());
    return false;
  }
  return false;
}

}  // namespace

bool TMainForm::BatchFileTime(FILETIME& time) const {
  kxDateTime value;
  if (!value.Date.FromText(EditDate->Text()) || !value.Time.FromText(EditTime->Text())) {
    return false;
  }
  const SYSTEMTIME fields = value.ToSystemTime();
  FILETIME local;
  return SystemTimeToFileTime(&fields, &local) && LocalFileTimeToFileTime(&local, &time);
}

std::vector<String> TMainForm::SelectedPaths() const {
  std::vector<String> paths;
  // Rows without a directory would name entries of the current directory.
  if (FileList->Directory().empty()) return paths;
  for (int row = FileList->GetSelectedItem(-1); row >= 0; row = FileList->GetSelectedItem(row)) {
    String path = FileList->Directory();
    paths.push_back(AppendPath(path, FileList->Caption(row)));
  }
  return paths;
}

void TMainForm::ButtonFileAtrChangeClick(TObject*) {
  const bool attributes = CheckBoxFAtr->Checked();
  const bool date = CheckBoxFTime->Checked();
  const bool name = CheckBoxFileName->Checked();
  // What the run changes, as the question and the journal name it.
  String what;
  if (attributes) what += "属性";
  if (date) what += String(attributes ? "と" : "") + "日付";
  if (name) {
    if (EditFileName->Text().empty()) {
      Ask("ファイル名が指定されていません", mtError, mbOK);
      return;
    }
    try {
      NameIndex = StrToInt(EditIndex->Text());
    } catch (const EConvertError&) {
      Ask("ファイル名の開始番号が正しくありません", mtError, mbOK);
      return;
    }
    what += String(attributes || date ? "と" : "") + "名前";
  }
  const String question = "選択したファイルの" + what + "を変更します";
  FILETIME time{};
  if (date && !BatchFileTime(time)) {
    // Refused before anything changes: no file gets a time never set.
    Ask("ファイルの日付または時刻が正しくありません", mtError, mbOK);
    return;
  }
  if (name) {
    // Names the moves would find taken are refused before anything
    // changes: the run would otherwise stop half done.
    const RenameListing listing = ListRenames(RenamesBelow(), SIZE_MAX);
    const RenamePlan plan = PlanRenames(EditFileName->Text(), NameIndex, listing.items, listing.present);
    if (plan.collisions > 0) {
      std::vector<std::pair<String, String>> entries;
      for (size_t i = 0; i < plan.items.size(); ++i) {
        if (!plan.items[i].collides) continue;
        String path = listing.directories[listing.items[i].directory];
        AppendPath(path, listing.items[i].name);
        entries.emplace_back(path, "→ " + plan.items[i].newName);
      }
      TellEntries("次の項目の新しい名前が他の項目と重なるため、何も変更しませんでした。", entries,
                  mtError);
      return;
    }
  }
  if (Ask(question, mtConfirmation, mbOK | mbAbort) == mrAbort) return;
  Update();
  DirDateWarned = false;
  // Read once: no input reaches the page while the run goes on, and asking
  // the windows for every entry would cost as much as changing it.
  Choices = {name, attributes, date, CheckBoxSubDir->Checked(), EditFileName->Text()};
  NameIndexSpent = false;
  LeftAlone.clear();

  const DWORD word = AttributeWord();
  TJournalFile journal(JournalFileName);
  if (!BeginRecording(journal, FileList->Directory(), what)) return;
  {
    RecordingScope recording(Recording, journal);
    kxWaitCursor wait;
    ListChanges changes(FileList);
    for (const String& path : SelectedPaths()) {
      if (!ChangeFileItem(path, word, time)) break;
    }
  }
  TellLeftAlone();
}

bool TMainForm::BeginRecording(TJournalFile& journal, const String& directory, const String& what,
                               uint32_t undoes) {
  if (journal.Begin(NowText(), directory, what, undoes)) return true;
  Ask("履歴ファイル\"" + JournalFileName + "\"に書き込めないため、変更を中止しました。", mtError, mbOK);
  return false;
}

bool TMainForm::Record(JournalEntry& entry) {
  if (Recording && Recording->Intend(entry)) return true;
  Ask("履歴ファイル\"" + JournalFileName + "\"に書き込めないため、" + entry.oldPath +
          "から後の変更を中止しました。",
      mtError, mbOK);
  return false;
}

JournalEntry TMainForm::AsItIs(const String& path, DWORD attributes, const FILETIME& written) {
  JournalEntry entry;
  entry.oldPath = entry.newPath = path;
  entry.oldAttr = entry.newAttr = attributes;
  entry.oldTime = entry.newTime = Ticks(written);
  return entry;
}

bool TMainForm::ChangeFileItem(const String& requested, DWORD word, const FILETIME& time) {
  // A row's name is never a pattern, and never the name of another entry.
  if (ExactPath(requested).empty()) return true;
  kxFindFile finder(requested);
  if (!finder.Next()) return false;
  if (lstrcmpiA(FileNamePart(finder.cFileName), FileNamePart(requested)) != 0) {
    LeaveAlone(requested);  // found through another name (a short one)
    return true;
  }
  return ChangeFoundEntry(finder, word, time);
}

bool TMainForm::ChangeFoundEntry(const WIN32_FIND_DATAA& entry, DWORD word, const FILETIME& time) {
  // Only the entry found is acted on, under its own full name; one the
  // platform cannot name exactly is left alone.
  if (!IsExactEntry(entry)) {
    LeaveAlone(entry.cFileName);
    return true;
  }
  String path = entry.cFileName;
  const DWORD oldAttributes = entry.dwFileAttributes;
  bool haveAttributes = false;
  DWORD attributes = 0;
  // What the entry will be, in the journal before anything changes.
  JournalEntry record = AsItIs(path, oldAttributes, entry.ftLastWriteTime);
  if (Choices.Attributes) record.newAttr = (oldAttributes & ~static_cast<DWORD>(0x27)) | word;
  if (Choices.Date) record.newTime = Ticks(time);
  bool done = true;
  const auto outcome = [&](bool ok) {
    if (record.outcome != JournalEntry::Pending) return;
    Recording->Outcome(record, ok);
    record.outcome = ok ? JournalEntry::Done : JournalEntry::Failed;
  };

  if (Choices.Name) {
    if (NameIndexSpent) {
      Ask("ファイル名の番号が上限に達したため、残りのファイルは変更しません", mtError, mbOK);
      return false;
    }
    // Only the pattern is formatted: a "%" in a directory name is a name.
    String newPath = DirectoryOf(path);
    // Under the name the entry will have: the journal and undo find it.
    AppendPath(newPath, StoredName(Format(Choices.Pattern, {NameIndex, BaseNamePart(path),
                                                            String(ExtensionPart(path))})));
    record.newPath = newPath;
    if (!Record(record)) return false;
    const int answer = RenameWithMessage(path, newPath);
    if (answer != 0) outcome(false);
    if (answer == mrAbort) return false;
    // The number after the largest one does not exist: the run stops at
    // the next name instead of wrapping round.
    if (NameIndex == INT32_MAX) NameIndexSpent = true;
    else ++NameIndex;
    if (answer == 0) {
      path = newPath;
    } else if (Choices.Attributes || Choices.Date) {
      // The other changes go on under the old name: recorded anew.
      record.newPath = path;
      record.outcome = JournalEntry::Pending;
      if (!Record(record)) return false;
    }
  } else if (!Record(record)) {
    return false;
  }

  if (Choices.Attributes) {
    attributes = record.newAttr;
    done = SetFileAttributesA(path.c_str(), attributes) && done;
    haveAttributes = true;
  }

  if (Choices.Date) {
    attributes = GetFileAttributesA(path.c_str());
    haveAttributes = attributes != INVALID_FILE_ATTRIBUTES;
    bool opened = false;
    done = SetLastWriteTime(path, attributes, time, opened) && done;
    if (!opened && haveAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) && !DirDateWarned) {
      outcome(false);
      Ask(path + "\nディレクトリの日付は変更できません", mtError, mbOK);
      // Closed with the program: nothing more is changed.
      if (Application().Terminated()) return false;
      Update();
      DirDateWarned = true;
    }
  }
  outcome(done);

  if (haveAttributes && Descends(attributes) && Choices.SubDir) {
    // Each is changed from the record found here; looking every one up
    // again would cost as much as the change itself.
    for (const WIN32_FIND_DATAA& inner : EntriesIn(path)) {
      if (!ChangeFoundEntry(inner, word, time)) return false;
    }
  }
  return true;
}

int TMainForm::RenameWithMessage(const String& oldPath, const String& newPath) {
  if (MoveEntry(oldPath, newPath)) return 0;
  const String text = FileExistsAttr(newPath.c_str(), 0)
                          ? oldPath + "は" + newPath + "が既にあるために名前を変更できません"
                          : oldPath + "を" + newPath + "に名前の変更ができません";
  return Ask(text, mtError, mbOK | mbAbort);
}

// --- Page 1: the preview -------------------------------------------------------

namespace {

// Entries a preview lists at most; beyond them it says it stops.
constexpr size_t kPreviewLimit = 50000;
constexpr int kPreviewWidth = 200;

}  // namespace

DWORD TMainForm::AttributeWord() const {
  DWORD word = FILE_ATTRIBUTE_NORMAL;
  if (CheckBoxReadOnly->Checked()) word |= FILE_ATTRIBUTE_READONLY;
  if (CheckBoxHidden->Checked()) word |= FILE_ATTRIBUTE_HIDDEN;
  if (CheckBoxSystem->Checked()) word |= FILE_ATTRIBUTE_SYSTEM;
  if (CheckBoxArchive->Checked()) word |= FILE_ATTRIBUTE_ARCHIVE;
  return word;
}

bool TMainForm::RenamesBelow() const {
  return CheckBoxFileName->Checked() && CheckBoxSubDir->Checked() &&
         (CheckBoxFAtr->Checked() || CheckBoxFTime->Checked());
}

TMainForm::RenameListing TMainForm::ListRenames(bool descend, size_t limit) const {
  RenameListing listing;
  const String& directory = FileList->Directory();
  if (directory.empty()) return listing;
  listing.directories.push_back(directory);
  listing.present.emplace_back();
  for (int row = 0; row < FileList->Count(); ++row) listing.present[0].push_back(FileList->Caption(row));
  // Below a directory as the run goes there: its entries as found, each
  // directory's own right after it.
  std::function<void(const String&)> below = [&](const String& path) {
    const std::vector<WIN32_FIND_DATAA> entries = EntriesIn(path);
    const auto index = static_cast<uint32_t>(listing.directories.size());
    listing.directories.push_back(path);
    std::vector<String> names;
    for (const WIN32_FIND_DATAA& entry : entries) names.push_back(FileNamePart(entry.cFileName));
    listing.present.push_back(std::move(names));
    for (const WIN32_FIND_DATAA& entry : entries) {
      if (listing.items.size() >= limit) listing.cut = true;
      if (listing.cut) return;
      if (!IsExactEntry(entry)) continue;  // the run leaves it alone: no number
      listing.items.push_back({index, FileNamePart(entry.cFileName)});
      listing.rows.push_back(-1);
      if (Descends(entry.dwFileAttributes)) below(entry.cFileName);
    }
  };
  for (int row = FileList->GetSelectedItem(-1); row >= 0 && !listing.cut;
       row = FileList->GetSelectedItem(row)) {
    String path = directory;
    AppendPath(path, FileList->Caption(row));
    if (PathProblem(path) != ppNone) continue;
    if (listing.items.size() >= limit) {
      listing.cut = true;
      break;
    }
    listing.items.push_back({0, FileList->Caption(row)});
    listing.rows.push_back(row);
    if (descend && Descends(FileList->Entry(row).Attributes)) below(path);
  }
  return listing;
}

void TMainForm::PreviewChanged(bool listing) {
  if (listing) PreviewListingStale = true;
  PreviewTimer->SetEnabled(true);
}

void TMainForm::UpdatePreview() {
  // A command going on changes the rows itself: the preview waits.
  if (Recording) return;
  PreviewTimer->SetEnabled(false);
  const bool name = CheckBoxFileName->Checked();
  const bool attributes = CheckBoxFAtr->Checked();
  const bool date = CheckBoxFTime->Checked();
  const bool shown = name || attributes || date;
  if (shown && PreviewColumn < 0) {
    PreviewColumn = FileList->AddColumn("変更後", kPreviewWidth);
  } else if (!shown && PreviewColumn >= 0) {
    FileList->DeleteColumn(PreviewColumn);
    PreviewColumn = -1;
  }
  PreviewTexts.assign(FileList->Count(), {});
  if (!name) {
    PreviewListing = {};
    PreviewListingStale = true;
  }
  if (!shown) return;

  RenamePlan plan;
  String nameError;
  std::vector<int> itemOfRow(FileList->Count(), -1);
  if (name) {
    if (PreviewListingStale) {
      PreviewListing = ListRenames(RenamesBelow(), kPreviewLimit);
      PreviewListingStale = false;
    }
    for (size_t i = 0; i < PreviewListing.rows.size(); ++i) {
      const int row = PreviewListing.rows[i];
      if (row >= 0 && row < FileList->Count()) itemOfRow[row] = static_cast<int>(i);
    }
    // The run's own refusals, as it would give them.
    if (EditFileName->Text().empty()) {
      nameError = "ファイル名が指定されていません";
    } else {
      try {
        plan = PlanRenames(EditFileName->Text(), StrToInt(EditIndex->Text()), PreviewListing.items,
                           PreviewListing.present);
        nameError = plan.error;
      } catch (const EConvertError&) {
        nameError = "ファイル名の開始番号が正しくありません";
      }
    }
  }
  const DWORD word = AttributeWord();
  FILETIME time{};
  const bool timeValid = date && BatchFileTime(time);

  for (int row = FileList->GetSelectedItem(-1); row >= 0; row = FileList->GetSelectedItem(row)) {
    String path = FileList->Directory();
    AppendPath(path, FileList->Caption(row));
    String text;
    if (FileList->Directory().empty() || PathProblem(path) != ppNone) {
      text = "（正確に指定できないため、変更しません）";
    } else {
      const kxvFileEntry& entry = FileList->Entry(row);
      const auto add = [&text](const String& part) { text += (text.empty() ? "" : "  ") + part; };
      if (name) {
        const int item = itemOfRow[row];
        if (item >= 0 && static_cast<size_t>(item) < plan.items.size()) {
          add((plan.items[item].collides ? "×重複 " : "") + plan.items[item].newName);
        } else {
          add(nameError.empty() ? "（多すぎるため表示しません）" : "×" + nameError);
        }
      }
      if (attributes) {
        const String shownBits = kxvFileList::AttributeText((entry.Attributes & ~0x27u) | word);
        add(shownBits.empty() ? "-" : shownBits);
      }
      if (date) {
        kxvFileEntry changed = entry;
        // A directory's date cannot be set: it stays.
        if (!entry.IsDirectory()) changed.LastWriteTime = time;
        add(timeValid ? kxvFileList::DateText(changed) : "×日付または時刻が正しくありません");
      }
    }
    PreviewTexts[row] = {FileList->Caption(row), text};
  }
  FileList->Invalidate();
}

// --- Page 1: the file list's commands ------------------------------------------

void TMainForm::PopupMenuFileListPopup(TObject*) {
  const int selected = FileList->SelCount();
  KRen->SetEnabled(selected > 0);
  KDelete->SetEnabled(selected > 0);
  KSelectClear->SetEnabled(selected > 0);
  if (selected > 0) KRename->SetEnabled(selected == 1);
  FileListSortTypeChange(this);
}

void TMainForm::FileListSortTypeChange(TObject*) {
  PreviewChanged(true);
  TMenuItem* const bySort[] = {KSortNone, KSortName, KSortExt, KSortSize, KSortTime, KSortAttribute};
  bySort[FileList->SortType()]->SetChecked(true);
  (FileList->SortDirection() ? KSortBackward : KSortForward)->SetChecked(true);
}

void TMainForm::KSortNoneClick(TObject*) { FileList->SetSortType(fstNone); }
void TMainForm::KSortNameClick(TObject*) { FileList->SetSortType(fstName); }
void TMainForm::KSortExtClick(TObject*) { FileList->SetSortType(fstExt); }
void TMainForm::KSortSizeClick(TObject*) { FileList->SetSortType(fstSize); }
void TMainForm::KSortTimeClick(TObject*) { FileList->SetSortType(fstTime); }
void TMainForm::KSortAttributeClick(TObject*) { FileList->SetSortType(fstAttribute); }
void TMainForm::KSortForwardClick(TObject*) { FileList->SetSortDirection(false); }
void TMainForm::KSortBackwardClick(TObject*) { FileList->SetSortDirection(true); }

void TMainForm::KSelectClearClick(TObject*) {
  FileList->SelectClear();
  CheckFileList();
}

void TMainForm::KSelectAllClick(TObject*) {
  FileList->SelectAll();
  CheckFileList();
}

void TMainForm::KSelectChangeClick(TObject*) {
  FileList->SelectChange();
  CheckFileList();
}

void TMainForm::KRefreshClick(TObject*) {
  DirTree->UpdateTree();
  FileList->UpdateList();
}

int TMainForm::RecordedRename(const String& oldPath, const String& newPath) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExA(oldPath.c_str(), GetFileExInfoStandard, &data);
  JournalEntry record = AsItIs(oldPath, data.dwFileAttributes, data.ftLastWriteTime);
  record.newPath = newPath;
  if (!Record(record)) return mrAbort;
  const int answer = RenameWithMessage(oldPath, newPath);
  Recording->Outcome(record, answer == 0);
  return answer;
}

void TMainForm::KRenameUpperLowerClick(TObject* sender) {
  const bool lower = sender == KRenameLower;
  LeftAlone.clear();
  TJournalFile journal(JournalFileName);
  if (!BeginRecording(journal, FileList->Directory(), lower ? "小文字" : "大文字")) return;
  {
    RecordingScope recording(Recording, journal);
    kxWaitCursor wait;
    ListChanges changes(FileList);
    for (const String& row : SelectedPaths()) {
      if (Application().Terminated()) break;
      const String oldPath = ExactPath(row);
      if (oldPath.empty()) continue;
      String newPath = oldPath;
      const DWORD length = static_cast<DWORD>(newPath.size());
      if (lower) CharLowerBuffA(newPath.data(), length);
      else CharUpperBuffA(newPath.data(), length);
      if (RecordedRename(oldPath, newPath) == mrAbort) break;
    }
  }
  TellLeftAlone();
}

void TMainForm::KRenameClick(TObject*) {
  const int row = FileList->GetSelectedItem(-1);
  if (row >= 0) FileList->EditCaption(row);
}

void TMainForm::FileListEdited(TObject*, int row, String& text) {
  const String caption = FileList->Caption(row);
  if (FileList->Directory().empty()) {
    text = caption;
    return;
  }
  String oldPath = FileList->Directory();
  String newPath = FileList->Directory();
  AppendPath(oldPath, caption);
  AppendPath(newPath, text);
  LeftAlone.clear();
  if (ExactPath(oldPath).empty()) {
    text = caption;
    TellLeftAlone();
    return;
  }
  TJournalFile journal(JournalFileName);
  if (!BeginRecording(journal, FileList->Directory(), "名前の変更")) {
    text = caption;
    return;
  }
  RecordingScope recording(Recording, journal);
  if (RecordedRename(oldPath, newPath) != 0) text = caption;
}

void TMainForm::KDeleteClick(TObject*) {
  const int first = FileList->GetSelectedItem(-1);
  if (first < 0) return;
  const String question = FileList->SelCount() == 1
                              ? String(FileList->Caption(first)) + "を削除します"
                              : String("選択したファイルを削除します");
  if (Ask(question, mtConfirmation, mbOK | mbAbort) == mrAbort) return;
  LeftAlone.clear();
  // A deletion is recorded entry by entry, though it cannot be taken back.
  TJournalFile journal(JournalFileName);
  if (!BeginRecording(journal, FileList->Directory(), "削除")) return;
  class Watch : public kxDeleteWatch {
  public:
    explicit Watch(TMainForm& form) : form_(form) {}
    bool Before(const WIN32_FIND_DATAA& entry) override {
      if (refused_) return false;
      JournalEntry record = AsItIs(entry.cFileName, entry.dwFileAttributes, entry.ftLastWriteTime);
      record.newPath.clear();
      refused_ = !form_.Record(record);
      if (!refused_) records_.push_back(record);
      return !refused_;
    }
    void After(const WIN32_FIND_DATAA& entry, bool deleted) override {
      // A directory's outcome comes after its contents'.
      for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
        if (it->oldPath == entry.cFileName) {
          form_.Recording->Outcome(*it, deleted);
          records_.erase(std::next(it).base());
          return;
        }
      }
    }
    bool Refused() const { return refused_; }

  private:
    TMainForm& form_;
    std::vector<JournalEntry> records_;
    bool refused_ = false;
  };
  {
    RecordingScope recording(Recording, journal);
    Watch watch(*this);
    kxWaitCursor wait;
    ListChanges changes(FileList);
    for (const String& row : SelectedPaths()) {
      // A row's name is never a pattern: only the entry itself goes.
      const String path = ExactPath(row);
      if (!path.empty()) DeleteTree(path, 0x08, &LeftAlone, &watch);
      if (watch.Refused()) break;
    }
  }
  TellLeftAlone();
}

// --- Page 1: taking a run back ------------------------------------------------

bool TMainForm::UndoRun(const JournalRun& run) {
  TJournalFile journal(JournalFileName);
  if (!BeginRecording(journal, run.directory, "取り消し", run.id)) return false;
  std::vector<std::pair<String, String>> left;
  {
    RecordingScope recording(Recording, journal);
    kxWaitCursor wait;
    ListChanges changes(FileList);
    // Newest first: a directory renamed before its contents changed gets
    // its old name back after them.
    for (auto e = run.entries.rbegin(); e != run.entries.rend(); ++e) {
      if (e->newPath.empty()) {
        left.emplace_back(e->oldPath, "削除は元に戻せません");
        continue;
      }
      WIN32_FILE_ATTRIBUTE_DATA now{};
      const bool there = GetFileAttributesExA(e->newPath.c_str(), GetFileExInfoStandard, &now);
      // The bits page 1 sets, but for the archive bit: a write sets it,
      // and the write shows in the time already; some platforms (Wine)
      // set it on every file whatever was asked. It goes back all the same.
      const auto same = [](DWORD a, DWORD b) { return (a & 0x07) == (b & 0x07); };
      // A directory's time is the platform's: it moves with every change
      // inside, and page 1 never sets it.
      const auto sameTime = [](const WIN32_FILE_ATTRIBUTE_DATA& d, uint64_t time) {
        return (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || Ticks(d.ftLastWriteTime) == time;
      };
      // Never renamed (a run killed before, or a refused name): the old
      // entry is as recorded, and nothing is to be taken back here.
      const auto unmoved = [&] {
        WIN32_FILE_ATTRIBUTE_DATA old{};
        return e->newPath != e->oldPath &&
               GetFileAttributesExA(e->oldPath.c_str(), GetFileExInfoStandard, &old) &&
               same(old.dwFileAttributes, e->oldAttr) && sameTime(old, e->oldTime);
      };
      if (!there) {
        if (!unmoved()) left.emplace_back(e->newPath, "見つかりません");
        continue;
      }
      // Whatever holds the new name then is not the run's.
      if (e->outcome != JournalEntry::Done && unmoved()) continue;
      // Each change is either as the run made it, to be taken back, or
      // never made (a run killed before it, a date the platform refused);
      // anything else was changed since.
      const bool attrOld = same(now.dwFileAttributes, e->oldAttr);
      const bool timeOld = sameTime(now, e->oldTime);
      if (!(attrOld || same(now.dwFileAttributes, e->newAttr)) || !(timeOld || sameTime(now, e->newTime))) {
        left.emplace_back(e->newPath, "実行のあとで変更されています");
        continue;
      }
      if (e->newPath == e->oldPath && attrOld && timeOld) continue;
      const bool renamed = e->newPath != e->oldPath;
      if (renamed && lstrcmpiA(e->newPath.c_str(), e->oldPath.c_str()) != 0 &&
          GetFileAttributesA(e->oldPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        left.emplace_back(e->newPath, "元の名前が使われています");
        continue;
      }
      JournalEntry record = AsItIs(e->newPath, now.dwFileAttributes, now.ftLastWriteTime);
      record.newPath = e->oldPath;
      if (!attrOld) record.newAttr = (now.dwFileAttributes & ~0x27u) | (e->oldAttr & 0x27);
      if (!timeOld) record.newTime = e->oldTime;
      if (!Record(record)) break;
      String path = e->newPath;
      bool done = true;
      if (renamed) {
        done = MoveEntry(path, e->oldPath);
        if (done) path = e->oldPath;
      }
      if (done && record.newAttr != record.oldAttr) {
        done = SetFileAttributesA(path.c_str(), record.newAttr);
      }
      if (done && record.newTime != record.oldTime) {
        const FILETIME time{static_cast<DWORD>(e->oldTime), static_cast<DWORD>(e->oldTime >> 32)};
        bool opened = false;
        done = SetLastWriteTime(path, GetFileAttributesA(path.c_str()), time, opened);
      }
      Recording->Outcome(record, done);
      if (!done) left.emplace_back(e->newPath, "元に戻せませんでした");
    }
  }
  if (!left.empty()) TellEntries("次の項目は元に戻しませんでした。", left);
  return true;
}

void TMainForm::MakeHistoryList() {
  const JournalText journal = ParseJournal(TJournalFile::ReadAll(JournalFileName));
  HistoryRuns.clear();
  ListBoxHistory->Items().BeginUpdate();
  ListBoxHistory->Items().Clear();
  for (auto run = journal.runs.rbegin(); run != journal.runs.rend(); ++run) {
    // A run stopped before its first entry has nothing to show or take back.
    if (run->entries.empty()) continue;
    ListBoxHistory->Items().Add(run->started + "　" + run->what + "　" + run->directory + "　" +
                                IntToStr(static_cast<int>(run->entries.size())) + " 件" +
                                (run->undone ? "　(取り消し済み)" : ""));
    HistoryRuns.push_back(*run);
  }
  ListBoxHistory->Items().EndUpdate();
  ApplyExecRule();
  if (!journal.skipped.empty()) {
    String lines;
    for (size_t i = 0; i < journal.skipped.size() && i < 20; ++i) {
      lines += (i ? ", " : "") + IntToStr(static_cast<int>(journal.skipped[i]));
    }
    if (journal.skipped.size() > 20) lines += ", ...";
    Ask("履歴ファイル\"" + JournalFileName + "\"の次の行は壊れているか VEMTAR のものでないため、読み飛ばしました。\n" +
            lines,
        mtInformation, mbOK);
  }
}

void TMainForm::FormShortCut(TObject*, WORD key, TShiftState shift, bool& handled) {
  // Ctrl+Z in an edit field (one that keeps a selection) is the field's own.
  if (key != 'Z' || shift != ssCtrl || PageControl->ActivePage() != TabSheetAtrChange ||
      (SendMessageA(GetFocus(), WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)) {
    return;
  }
  handled = true;
  // The newest run of page 1 itself not yet taken back: one Ctrl+Z after
  // another goes back through them.
  const JournalText journal = ParseJournal(TJournalFile::ReadAll(JournalFileName));
  for (auto run = journal.runs.rbegin(); run != journal.runs.rend(); ++run) {
    if (run->undoes != 0 || run->undone || run->entries.empty()) continue;
    OfferUndo("直前の実行", *run);
    return;
  }
  Ask("元に戻せる実行はありません", mtInformation, mbOK);
}

void TMainForm::ButtonHistoryUndoClick(TObject*) {
  const int line = ListBoxHistory->ItemIndex();
  if (line < 0 || static_cast<size_t>(line) >= HistoryRuns.size() || HistoryRuns[line].undone) return;
  // The list is made again only after a run was taken back: an aborted
  // question keeps the choice.
  if (OfferUndo("選択した実行", HistoryRuns[line])) MakeHistoryList();
}

bool TMainForm::OfferUndo(const String& which, const JournalRun& run) {
  // Only OK goes on: a box closed otherwise is no answer.
  if (Ask(which + " (" + run.started + " " + run.what + ") を元に戻します", mtConfirmation, mbOK | mbAbort) !=
      mrOk) {
    return false;
  }
  Update();
  UndoRun(run);
  return true;
}

// --- Page 2: removal ---------------------------------------------------------

String TMainForm::SysFileDrive() const {
  return String(1, static_cast<char>(toupper(DriveComboBoxSysFile->Drive()))) + ":";
}

void TMainForm::MakeSysFileChangeList() {
  LeftAlone.clear();
  kxWaitCursor wait;
  LabelInfo->SetCaption("システムファイル検索中");
  LabelInfo->SetVisible(true);
  ListBoxSysFileChange->Items().Clear();
  PanelSearchDir->SetVisible(true);
  Repaint();
  SearchShownAt = GetTickCount() - kSearchShowMs;  // the drive itself shows at once
  // One repaint of the list at the end, not one per line.
  ListBoxSysFileChange->Items().BeginUpdate();
  SearchSystemFile(SysFileDrive());
  ListBoxSysFileChange->Items().EndUpdate();
  PanelSearchDir->SetVisible(false);
  SysFileSearched = true;
  ApplyExecRule();
  ButtonChangeDelete->SetEnabled(false);
  ListBoxSysFileChange->Repaint();
  LabelInfo->SetCaption("");
  LabelInfo->SetVisible(false);
  TellLeftAlone();
}

void TMainForm::SearchSystemFile(const String& directory) {
  // Where the scan is, as often as a screen can show it: painting every
  // directory would cost more than reading it.
  const DWORD now = GetTickCount();
  if (now - SearchShownAt >= kSearchShowMs) {
    PanelSearchDir->SetCaption(directory);
    PanelSearchDir->Repaint();
    SearchShownAt = now;
  }
  String pattern = directory;
  if (LastCharPos(pattern.c_str(), '\\') != static_cast<int>(pattern.size()) - 1) pattern += '\\';
  pattern += "*.*";
  kxFindFile finder(pattern);
  finder.SubDirectory = false;
  TStrings& lines = ListBoxSysFileChange->Items();
  while (finder.Next()) {
    // What cannot be named exactly is neither listed nor entered (the
    // user is told of such system entries); links are not entered either
    // (on Z: they lead back to the root).
    const DWORD attributes = finder.dwFileAttributes;
    if (!IsExactEntry(finder)) {
      if (attributes & FILE_ATTRIBUTE_SYSTEM) LeaveAlone(finder.FileName());
      continue;
    }
    if (attributes & FILE_ATTRIBUTE_SYSTEM) lines.Add(finder.FileName());
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      SearchSystemFile(finder.FileName());
    }
  }
}

void TMainForm::SaveSystemFileList() {
  TIniFile ini(IniFileName);
  ini.WriteInteger(kSection, "Version", static_cast<int32_t>(kVersion));
  TStrings& lines = ListBoxSysFileChange->Items();
  for (int i = 0; i < lines.Count(); ++i) ini.WriteBool(kRecordSection, lines.Get(i), false);
  ini.UpdateFile();
  // Nothing is changed unless every path can be found again in the record.
  TStringList recorded;
  ini.ReadSection(kRecordSection, recorded);
  for (int i = 0; i < lines.Count(); ++i) {
    if (recorded.IndexOf(lines.Get(i)) < 0) throw EIniFileException("Unable to write to " + IniFileName);
  }
}

void TMainForm::ExecSysFileChange() {
  TStrings& lines = ListBoxSysFileChange->Items();
  if (lines.Count() == 0) return;
  // A path the record cannot hold would have no way back, and one the
  // platform cannot reach exactly would change another entry: left alone.
  LeftAlone.clear();
  String unfit;
  std::vector<int> dropped;
  for (int i = 0; i < lines.Count(); ++i) {
    const String path = lines.Get(i);
    if (PathProblem(path) != ppNone) LeaveAlone(path);
    else if (!FitsAsKey(path)) unfit += path + "\n";
    else continue;
    dropped.push_back(i);
  }
  for (auto i = dropped.rbegin(); i != dropped.rend(); ++i) lines.Delete(*i);
  if (!unfit.empty()) {
    Ask("次のファイルは設定ファイルに記録できないため、システムファイル属性を解除しません。\n" + unfit,
        mtError, mbOK);
  }
  if (lines.Count() == 0) {
    TellLeftAlone();
    ApplyExecRule();
    return;
  }
  try {
    SaveSystemFileList();
  } catch (const EIniFileException&) {
    Ask("設定ファイル\"" + IniFileName +
            "\"に書き込めないため、システムファイル属性の解除を中止しました。",
        mtError, mbOK);
    return;
  }
  RestoreListLoaded = false;
  for (int i = 0; i < lines.Count(); ++i) {
    const String path = lines.Get(i);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_SYSTEM);
    }
  }
  Ask("システムファイル属性の解除を行いました。\n解除したファイルのリストは\"" + IniFileName +
          "\"に保存されています。\nこれによりシステムファイル属性の復元で元に戻すことができます。",
      mtInformation, mbOK);
  TellLeftAlone();
  MakeSysFileChangeList();
}

void TMainForm::DriveComboBoxSysFileChange(TObject*) { MakeSysFileChangeList(); }

void TMainForm::ButtonSearchClick(TObject*) { MakeSysFileChangeList(); }

void TMainForm::ListBoxSysFileChangeClick(TObject*) {
  ButtonChangeDelete->SetEnabled(ListBoxSysFileChange->SelCount() > 0);
}

void TMainForm::ButtonChangeDeleteClick(TObject*) {
  DeleteSelected(ListBoxSysFileChange);
  ApplyExecRule();
}

void TMainForm::ButtonSysFileChangeClick(TObject*) {
  if (Ask("システムファイル属性の解除を行います", mtConfirmation, mbOK | mbAbort) != mrAbort) {
    ExecSysFileChange();
  }
}

bool TMainForm::RunDiskTool(const char* program, const char* notFound) {
  char found[MAX_PATH];
  DWORD n = SearchPathA(nullptr, program, nullptr, sizeof found, found, nullptr);
  if (n == 0 || n >= sizeof found) {
    Ask(notFound, mtError, mbOK);
    return false;
  }
  const String line = String(found) + " " + SysFileDrive();
  RunAndWait(found, line.c_str(), 1000);
  return true;
}

void TMainForm::ButtonScanDiskClick(TObject*) {
  RunDiskTool("SCANDSKW.EXE", "スキャンディスクのプログラムが見つかりません。");
}

void TMainForm::ButtonDefragClick(TObject*) {
  // The window works while the tools run; once it is being closed, the
  // sequence ends where it is.
  const auto ending = [] { return Application().Terminated(); };
  const unsigned yesNoAbort = mbYes | mbNo | mbAbort;
  int answer = Ask("デフラグを実行する前にスキャンディスクを実行しますか？", mtConfirmation, yesNoAbort);
  if (answer == mrAbort || ending()) return;
  if (answer == mrYes &&
      !RunDiskTool("SCANDSKW.EXE", "スキャンディスクのプログラムが見つかりません。")) {
    return;
  }
  if (ending()) return;
  if (ListBoxSysFileChange->Items().Count() > 0) {
    answer = Ask("リストにあるファイルのシステムファイル属性の解除を実行しますか？", mtConfirmation,
                 yesNoAbort);
    if (answer == mrAbort || ending()) return;
    if (answer == mrYes) ExecSysFileChange();
  }
  answer = Ask("デフラグを実行しますか？", mtConfirmation, yesNoAbort);
  if (answer == mrAbort || ending()) return;
  if (answer == mrYes) RunDiskTool("DEFRAG.EXE", "デフラグのプログラムが見つかりません。");
  if (ending()) return;
  MakeSysFileRestoreList();
  if (ListBoxSysFileRestore->Items().Count() > 0 &&
      Ask("システムファイル属性の復元を実行しますか？", mtConfirmation, mbYes | mbNo) == mrYes &&
      !ending()) {
    ExecSysFileRestore();
  }
  if (ending()) return;
  MakeSysFileChangeList();
}

// --- Page 3: restore ---------------------------------------------------------

namespace {

// Whether the platform's search finds the path (an exact one) as an entry.
bool FoundAsFile(const String& path) {
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(path.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return true;
}

}  // namespace

void TMainForm::MakeSysFileRestoreList() {
  TStrings& lines = ListBoxSysFileRestore->Items();
  lines.BeginUpdate();
  lines.Clear();
  TIniFile ini(IniFileName);
  TStringList keys;
  ini.ReadSection(kRecordSection, keys);
  lines.Assign(keys);
  for (int i = lines.Count() - 1; i >= 0; --i) {
    const String path = lines.Get(i);
    // A record the platform cannot reach exactly would be judged by
    // another entry: it stays, and the restore leaves it alone.
    if (PathProblem(path) != ppNone) continue;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool restored =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM);
    const bool gone = attributes == INVALID_FILE_ATTRIBUTES && !FoundAsFile(path);
    if (restored || gone) {
      ini.DeleteKey(kRecordSection, path);
      lines.Delete(i);
    }
  }
  lines.EndUpdate();
  ApplyExecRule();
  ButtonRestoreDelete->SetEnabled(false);
  RestoreListLoaded = true;
}

void TMainForm::ExecSysFileRestore() {
  TStrings& lines = ListBoxSysFileRestore->Items();
  LeftAlone.clear();
  for (int i = 0; i < lines.Count(); ++i) {
    const String path = ExactPath(lines.Get(i));
    if (path.empty()) continue;
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_SYSTEM);
    }
  }
  Ask("システムファイル属性の復元を行いました。", mtInformation, mbOK);
  TellLeftAlone();
  MakeSysFileRestoreList();
  SysFileSearched = false;
}

void TMainForm::ButtonReloadClick(TObject*) { MakeSysFileRestoreList(); }

void TMainForm::ListBoxSysFileRestoreClick(TObject*) {
  ButtonRestoreDelete->SetEnabled(ListBoxSysFileRestore->SelCount() > 0);
}

void TMainForm::ButtonRestoreDeleteClick(TObject*) {
  DeleteSelected(ListBoxSysFileRestore);
  ApplyExecRule();
}

void TMainForm::ButtonSysFileRestoreClick(TObject*) {
  if (Ask("システムファイル属性の復元を行います", mtConfirmation, mbOK | mbAbort) != mrAbort) {
    ExecSysFileRestore();
  }
}
