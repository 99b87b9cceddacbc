// The program's one window: four pages and the shared run, close and help
// buttons.
#pragma once

#include "app/journal_file.h"
#include "app/rename_plan.h"
#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/FileCtrl.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "lib/browse/Dirtree.h"
#include "lib/browse/Filelist.h"
#include "lib/input/Edit.h"

class TMainForm : public TForm {
public:
  explicit TMainForm(TComponent* owner);

  // Bottom row.
  TLabel* LabelInfo = nullptr;
  TButton* ButtonExec = nullptr;
  TButton* ButtonClose = nullptr;
  TButton* ButtonHelp = nullptr;
  TPageControl* PageControl = nullptr;

  // Page 1: the entries and the changes of a batch run.
  TTabSheet* TabSheetAtrChange = nullptr;
  kxvDirTree* DirTree = nullptr;
  TSplitter* Splitter1 = nullptr;
  kxvFileList* FileList = nullptr;
  TCheckBox* CheckBoxFAtr = nullptr;
  TGroupBox* GroupBoxAtr = nullptr;
  TCheckBox* CheckBoxReadOnly = nullptr;
  TCheckBox* CheckBoxHidden = nullptr;
  TCheckBox* CheckBoxSystem = nullptr;
  TCheckBox* CheckBoxArchive = nullptr;
  TCheckBox* CheckBoxFTime = nullptr;
  TGroupBox* GroupBoxDate = nullptr;
  TEdit* EditDate = nullptr;
  TEdit* EditTime = nullptr;
  TCheckBox* CheckBoxFileName = nullptr;
  TGroupBox* GroupBoxFileName = nullptr;
  TEdit* EditFileName = nullptr;
  kxvEdit* EditIndex = nullptr;
  TCheckBox* CheckBoxSubDir = nullptr;

  // The file list's popup menu.
  TPopupMenu* PopupMenuFileList = nullptr;
  TMenuItem* KRen = nullptr;
  TMenuItem* KRenameUpper = nullptr;
  TMenuItem* KRenameLower = nullptr;
  TMenuItem* KRename = nullptr;
  TMenuItem* KDelete = nullptr;
  TMenuItem* N1 = nullptr;
  TMenuItem* KSelectClear = nullptr;
  TMenuItem* KSelectAll = nullptr;
  TMenuItem* KSelectChange = nullptr;
  TMenuItem* N3 = nullptr;
  TMenuItem* KSort = nullptr;
  TMenuItem* KSortNone = nullptr;
  TMenuItem* KSortName = nullptr;
  TMenuItem* KSortExt = nullptr;
  TMenuItem* KSortSize = nullptr;
  TMenuItem* KSortTime = nullptr;
  TMenuItem* KSortAttribute = nullptr;
  TMenuItem* N2 = nullptr;
  TMenuItem* KSortForward = nullptr;
  TMenuItem* KSortBackward = nullptr;
  TMenuItem* KRefresh = nullptr;

  // Page 2: system-attribute removal.
  TTabSheet* TabSheetSysFileChange = nullptr;
  TDriveComboBox* DriveComboBoxSysFile = nullptr;
  TPanel* PanelSearchDir = nullptr;
  TButton* ButtonSearch = nullptr;
  TButton* ButtonChangeDelete = nullptr;
  TListBox* ListBoxSysFileChange = nullptr;
  TButton* ButtonScanDisk = nullptr;
  TButton* ButtonDefrag = nullptr;

  // Page 3: system-attribute restore.
  TTabSheet* TabSheetSysFileRestore = nullptr;
  TButton* ButtonReload = nullptr;
  TButton* ButtonRestoreDelete = nullptr;
  TListBox* ListBoxSysFileRestore = nullptr;

  // Page 4: version.
  TTabSheet* TabSheetVersion = nullptr;

  // Page 5: the history of page 1's changes, from its journal.
  TTabSheet* TabSheetHistory = nullptr;
  TListBox* ListBoxHistory = nullptr;
  TLabel* LabelVer = nullptr;
  TLabel* LabelVerShadow = nullptr;

  // Handlers of the window.
  void FormCreate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void PageControlChange(TObject* sender);
  void ButtonCloseClick(TObject* sender);
  void ButtonHelpClick(TObject* sender);

  // Page 1: options and the run rule.
  void CheckBoxFAtrClick(TObject* sender);
  void CheckBoxFTimeClick(TObject* sender);
  void CheckBoxFileNameClick(TObject* sender);
  void FileListChange(TObject* sender);
  void CheckFileList();

  // Page 1: the batch run.
  void ButtonFileAtrChangeClick(TObject* sender);
  // Applies the ticked changes to one entry (and below it); false ends
  // the whole run.
  bool ChangeFileItem(const String& path, DWORD attributes, const FILETIME& time);
  // 0 when the entry was renamed, else the answer of the error box.
  int RenameWithMessage(const String& oldPath, const String& newPath);

  // Page 1's preview: while a change is ticked, the list's last column,
  // "変更後", shows each selected row as the run would leave it. Worked
  // out again once the window is idle after anything it depends on
  // changed; this does it at once.
  void UpdatePreview();

  // Page 1: the file list's commands.
  void PopupMenuFileListPopup(TObject* sender);
  void FileListSortTypeChange(TObject* sender);
  void KSortNoneClick(TObject* sender);
  void KSortNameClick(TObject* sender);
  void KSortExtClick(TObject* sender);
  void KSortSizeClick(TObject* sender);
  void KSortTimeClick(TObject* sender);
  void KSortAttributeClick(TObject* sender);
  void KSortForwardClick(TObject* sender);
  void KSortBackwardClick(TObject* sender);
  void KSelectClearClick(TObject* sender);
  void KSelectAllClick(TObject* sender);
  void KSelectChangeClick(TObject* sender);
  void KRefreshClick(TObject* sender);
  void KRenameUpperLowerClick(TObject* sender);
  void KRenameClick(TObject* sender);
  void FileListEdited(TObject* sender, int row, String& text);
  void KDeleteClick(TObject* sender);
  // Takes a run of the journal back, newest entry first, touching only
  // what is still exactly as the run left it; the rest is named in one
  // information box. Journaled itself. False (after an error box) when
  // the journal cannot be written.
  bool UndoRun(const JournalRun& run);

  // Page 5: the runs, newest first; 実行 takes the chosen one back after
  // a question.
  void MakeHistoryList();
  void ButtonHistoryUndoClick(TObject* sender);
  // Ctrl+Z on page 1 (outside the edit fields): offers to take back the
  // newest run not yet taken back.
  void FormShortCut(TObject* sender, WORD key, TShiftState shift, bool& handled);
  // Asks whether to take back the run (which: how the question names it)
  // and does so on OK; false when not asked to.
  bool OfferUndo(const String& which, const JournalRun& run);

  // Page 2.
  void MakeSysFileChangeList();
  void SearchSystemFile(const String& directory);
  void SaveSystemFileList();
  void ExecSysFileChange();
  void DriveComboBoxSysFileChange(TObject* sender);
  void ButtonSearchClick(TObject* sender);
  void ListBoxSysFileChangeClick(TObject* sender);
  void ButtonChangeDeleteClick(TObject* sender);
  void ButtonSysFileChangeClick(TObject* sender);
  void ButtonScanDiskClick(TObject* sender);
  void ButtonDefragClick(TObject* sender);

  // Page 3.
  void MakeSysFileRestoreList();
  void ExecSysFileRestore();
  void ButtonReloadClick(TObject* sender);
  void ListBoxSysFileRestoreClick(TObject* sender);
  void ButtonRestoreDeleteClick(TObject* sender);
  void ButtonSysFileRestoreClick(TObject* sender);

  const String& SettingsFileName() const { return IniFileName; }

protected:
  void CreateParams(TCreateParams& params) override;

private:
  void BuildLayout();
  void BuildAtrChangePage();
  void BuildFileListMenu();
  // Start-up of page 1: the fields, then the tree on the current drive.
  void AtrChangeFieldStartUp();
  void AtrChangeStartDirectory();
  // The date and time fields as one UTC file time; false if a field is
  // refused by its reader or the platform cannot turn them into one.
  bool BatchFileTime(FILETIME& time) const;
  // ChangeFileItem's work on an entry already found (cFileName its full
  // path).
  bool ChangeFoundEntry(const WIN32_FIND_DATAA& entry, DWORD word, const FILETIME& time);
  // Every selected row's path, in row order.
  std::vector<String> SelectedPaths() const;
  // The drive letter of DriveComboBoxSysFile, upper-cased, with ":".
  String SysFileDrive() const;
  // Looks for program through the platform's program search and runs it
  // on the chosen drive; false (after an error box with notFound) when it
  // is not there.
  bool RunDiskTool(const char* program, const char* notFound);
  // ButtonExec by the rule of the page shown, whoever changed what.
  void ApplyExecRule();
  // An entry a command leaves alone because it cannot be named exactly;
  // TellLeftAlone says which and why, once, at the command's end.
  void LeaveAlone(const String& path) { LeftAlone.push_back(path); }
  void TellLeftAlone();
  // A row's path when it names its entry exactly; else the path is left
  // alone and the result empty.
  String ExactPath(const String& path);

  // Opens the journal for a command that changes entries, its head
  // written; false (after an error box) when it cannot be written, and
  // then nothing may change.
  bool BeginRecording(TJournalFile& journal, const String& directory, const String& what,
                      uint32_t undoes = 0);
  // Writes an entry's change ahead of it; false (after an error box)
  // when that failed: the entry and the rest of the command stay as they
  // are.
  bool Record(JournalEntry& entry);
  // The entry as it is now, to record: its path, attributes and
  // last-write time before and (until the change says otherwise) after.
  static JournalEntry AsItIs(const String& path, DWORD attributes, const FILETIME& written);
  // RenameWithMessage, recorded in the journal of the command going on.
  int RecordedRename(const String& oldPath, const String& newPath);

  // The attribute word of the ticked attribute boxes.
  DWORD AttributeWord() const;
  // What a name change reaches, in the run's order: the selected rows
  // the run can name exactly and, when descend, everything below their
  // directories; at most limit entries (then cut).
  struct RenameListing {
    std::vector<String> directories;
    std::vector<std::vector<String>> present;  // the names in each, before
    std::vector<RenameItem> items;
    std::vector<int> rows;  // each item's row; -1 below one
    bool cut = false;
  };
  RenameListing ListRenames(bool descend, size_t limit) const;
  // Whether the run renames what is below its directories.
  bool RenamesBelow() const;
  // listing: the rows or what lies below them changed, not only a field.
  void PreviewChanged(bool listing);

  TTimer* PreviewTimer = nullptr;
  int PreviewColumn = -1;
  // Per row: its caption when the text was made (a row that has changed
  // since shows nothing), and the text.
  std::vector<std::pair<String, String>> PreviewTexts;
  RenameListing PreviewListing;
  bool PreviewListingStale = true;

  String IniFileName;
  // The journal of page 1's changes, beside the program like the settings.
  String JournalFileName;
  // The journal of the command going on; null between commands.
  TJournalFile* Recording = nullptr;
  // The runs of the history page's lines.
  std::vector<JournalRun> HistoryRuns;
  bool SysFileSearched = false;
  bool RestoreListLoaded = false;
  bool DirDateWarned = false;
  int32_t NameIndex = 0;
  // What a batch run changes, as the page showed it when the run began.
  struct BatchChoices {
    bool Name = false, Attributes = false, Date = false, SubDir = false;
    String Pattern;
  };
  BatchChoices Choices;
  // NameIndex was the largest number there is and has been used.
  bool NameIndexSpent = false;
  // When the scan last showed its directory (the platform's tick count).
  DWORD SearchShownAt = 0;
  std::vector<String> LeftAlone;
};

// The main window, set before its constructor runs.
extern TMainForm* MainForm;
