// The program's one window: four pages and the shared run, close and help
// buttons.
#pragma once

#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/FileCtrl.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

class TMainForm : public TForm {
public:
  explicit TMainForm(TComponent* owner);

  // Bottom row.
  TLabel* LabelInfo = nullptr;
  TButton* ButtonExec = nullptr;
  TButton* ButtonClose = nullptr;
  TButton* ButtonHelp = nullptr;
  TPageControl* PageControl = nullptr;

  // Page 1.
  TTabSheet* TabSheetAtrChange = nullptr;

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
  TLabel* LabelVer = nullptr;
  TLabel* LabelVerShadow = nullptr;

  // Handlers of the window.
  void FormCreate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void PageControlChange(TObject* sender);
  void ButtonCloseClick(TObject* sender);
  void ButtonHelpClick(TObject* sender);

  // Page 1.
  void CheckFileList();

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
  void FileAtrChangePage();
  // The drive letter of DriveComboBoxSysFile, upper-cased, with ":".
  String SysFileDrive() const;
  // Looks for program through the platform's program search and runs it
  // on the chosen drive; false (after an error box with notFound) when it
  // is not there.
  bool RunDiskTool(const char* program, const char* notFound);

  String IniFileName;
  bool SysFileSearched = false;
  bool RestoreListLoaded = false;
};

// The main window, set before its constructor runs.
extern TMainForm* MainForm;
