#include "app/main_window.h"

#include "framework/Format.h"
#include "framework/Inifiles.h"
#include "lib/core/File.h"
#include "lib/core/Findfile.h"
#include "lib/core/Waitcur.h"

#include <windows.h>

#include <cctype>

TMainForm* MainForm = nullptr;

namespace {

constexpr double kVersion = 110;
const char* const kSection = "Vemtar";
const char* const kRecordSection = "SystemFileList";

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

// Deletes the selected lines of a list, last first; true if lines remain.
bool DeleteSelected(TListBox* list) {
  list->Items().BeginUpdate();
  for (int i = list->Items().Count() - 1; i >= 0; --i) {
    if (list->Selected(i)) list->Items().Delete(i);
  }
  list->Items().EndUpdate();
  return list->Items().Count() > 0;
}

// --- the stored layout -------------------------------------------------------

template <class T>
T* Place(TComponent* owner, TWinControl* parent, const char* name, int left, int top, int width,
         int height, const char* caption = nullptr) {
  T* control = new T(owner);
  control->SetName(name);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  if (caption) control->SetCaption(caption);
  return control;
}

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
}

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
  BeginLoad();
  BuildLayout();
  EndLoad();

  IniFileName.clear();
  SetHelpFile("");
  IniFileName = Application().ExeName();
  ChangeExtension(IniFileName, "INI");
  CheckFileList();
  const String version = FormatFloat("Version ##.00", kVersion * 0.01);
  LabelVer->SetCaption(version);
  LabelVerShadow->SetCaption(version);
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
    ButtonExec->OnClick = nullptr;
    CheckFileList();
  } else if (page == TabSheetSysFileChange) {
    ButtonExec->OnClick = [this](TObject* s) { ButtonSysFileChangeClick(s); };
    if (!SysFileSearched) MakeSysFileChangeList();
    ButtonExec->SetEnabled(ListBoxSysFileChange->Items().Count() > 0);
  } else if (page == TabSheetSysFileRestore) {
    ButtonExec->OnClick = [this](TObject* s) { ButtonSysFileRestoreClick(s); };
    if (!RestoreListLoaded) MakeSysFileRestoreList();
    ButtonExec->SetEnabled(ListBoxSysFileRestore->Items().Count() > 0);
  } else {
    ButtonExec->OnClick = nullptr;
    ButtonExec->SetEnabled(false);
  }
}

void TMainForm::ButtonCloseClick(TObject*) { Close(); }

void TMainForm::ButtonHelpClick(TObject*) { Application().HelpCommand(HELP_FINDER, 0); }

// Page 1 lists nothing yet, so no row can be selected for a run.
void TMainForm::CheckFileList() { ButtonExec->SetEnabled(false); }

// --- Page 2: removal ---------------------------------------------------------

String TMainForm::SysFileDrive() const {
  return String(1, static_cast<char>(toupper(DriveComboBoxSysFile->Drive()))) + ":";
}

void TMainForm::MakeSysFileChangeList() {
  kxWaitCursor wait;
  LabelInfo->SetCaption("システムファイル検索中");
  LabelInfo->SetVisible(true);
  ListBoxSysFileChange->Items().Clear();
  PanelSearchDir->SetVisible(true);
  Repaint();
  // One repaint of the list at the end, not one per line.
  ListBoxSysFileChange->Items().BeginUpdate();
  SearchSystemFile(SysFileDrive());
  ListBoxSysFileChange->Items().EndUpdate();
  PanelSearchDir->SetVisible(false);
  SysFileSearched = true;
  ButtonExec->SetEnabled(ListBoxSysFileChange->Items().Count() > 0);
  ButtonChangeDelete->SetEnabled(false);
  ListBoxSysFileChange->Repaint();
  LabelInfo->SetCaption("");
  LabelInfo->SetVisible(false);
}

void TMainForm::SearchSystemFile(const String& directory) {
  PanelSearchDir->SetCaption(directory);
  PanelSearchDir->Repaint();
  String pattern = directory;
  if (LastCharPos(pattern.c_str(), '\\') != static_cast<int>(pattern.size()) - 1) pattern += '\\';
  pattern += "*.*";
  kxFindFile finder(pattern);
  finder.SubDirectory = false;
  TStrings& lines = ListBoxSysFileChange->Items();
  while (finder.Next()) {
    // What cannot be named exactly is neither listed nor entered; links
    // are not entered either (on Z: they lead back to the root).
    if (!IsExactEntry(finder)) continue;
    const DWORD attributes = finder.dwFileAttributes;
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
  // A path the record cannot hold would have no way back: left alone.
  String unfit;
  for (int i = lines.Count() - 1; i >= 0; --i) {
    if (FitsAsKey(lines.Get(i))) continue;
    unfit = lines.Get(i) + "\n" + unfit;
    lines.Delete(i);
  }
  if (!unfit.empty()) {
    Ask("次のファイルは設定ファイルに記録できないため、システムファイル属性を解除しません。\n" + unfit,
        mtError, mbOK);
  }
  if (lines.Count() == 0) return;
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
  MakeSysFileChangeList();
}

void TMainForm::DriveComboBoxSysFileChange(TObject*) { MakeSysFileChangeList(); }

void TMainForm::ButtonSearchClick(TObject*) { MakeSysFileChangeList(); }

void TMainForm::ListBoxSysFileChangeClick(TObject*) {
  ButtonChangeDelete->SetEnabled(ListBoxSysFileChange->SelCount() > 0);
}

void TMainForm::ButtonChangeDeleteClick(TObject*) {
  ButtonExec->SetEnabled(DeleteSelected(ListBoxSysFileChange));
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
  const unsigned yesNoAbort = mbYes | mbNo | mbAbort;
  int answer = Ask("デフラグを実行する前にスキャンディスクを実行しますか？", mtConfirmation, yesNoAbort);
  if (answer == mrAbort) return;
  if (answer == mrYes &&
      !RunDiskTool("SCANDSKW.EXE", "スキャンディスクのプログラムが見つかりません。")) {
    return;
  }
  if (ListBoxSysFileChange->Items().Count() > 0) {
    answer = Ask("リストにあるファイルのシステムファイル属性の解除を実行しますか？", mtConfirmation,
                 yesNoAbort);
    if (answer == mrAbort) return;
    if (answer == mrYes) ExecSysFileChange();
  }
  answer = Ask("デフラグを実行しますか？", mtConfirmation, yesNoAbort);
  if (answer == mrAbort) return;
  if (answer == mrYes) RunDiskTool("DEFRAG.EXE", "デフラグのプログラムが見つかりません。");
  MakeSysFileRestoreList();
  if (ListBoxSysFileRestore->Items().Count() > 0 &&
      Ask("システムファイル属性の復元を実行しますか？", mtConfirmation, mbYes | mbNo) == mrYes) {
    ExecSysFileRestore();
  }
  MakeSysFileChangeList();
}

// --- Page 3: restore ---------------------------------------------------------

namespace {

// Whether the platform's search finds the path as an entry.
bool FoundAsFile(const String& path) {
  if (path.find_first_of("?*") != String::npos) return false;  // would be a pattern
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
  ButtonExec->SetEnabled(lines.Count() > 0);
  ButtonRestoreDelete->SetEnabled(false);
  RestoreListLoaded = true;
}

void TMainForm::ExecSysFileRestore() {
  TStrings& lines = ListBoxSysFileRestore->Items();
  for (int i = 0; i < lines.Count(); ++i) {
    const String path = lines.Get(i);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_SYSTEM);
    }
  }
  Ask("システムファイル属性の復元を行いました。", mtInformation, mbOK);
  MakeSysFileRestoreList();
  SysFileSearched = false;
}

void TMainForm::ButtonReloadClick(TObject*) { MakeSysFileRestoreList(); }

void TMainForm::ListBoxSysFileRestoreClick(TObject*) {
  ButtonRestoreDelete->SetEnabled(ListBoxSysFileRestore->SelCount() > 0);
}

void TMainForm::ButtonRestoreDeleteClick(TObject*) {
  ButtonExec->SetEnabled(DeleteSelected(ListBoxSysFileRestore));
}

void TMainForm::ButtonSysFileRestoreClick(TObject*) {
  if (Ask("システムファイル属性の復元を行います", mtConfirmation, mbOK | mbAbort) != mrAbort) {
    ExecSysFileRestore();
  }
}
