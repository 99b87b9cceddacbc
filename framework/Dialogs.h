// The modal message dialog, and the platform's file dialogs.
#pragma once

#include "framework/Classes.h"
#include "framework/Sysutils.h"

// The three kinds, with the titles "ｴﾗｰ", "情報" and "確認".
enum TMsgDlgType { mtError, mtInformation, mtConfirmation };

// Buttons, shown in this order: "はい(&Y)", "いいえ(&N)", "OK", "中止(&A)".
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbAbort = 8 };

// Shows text and returns the button pressed: mrOk 1, mrAbort 3, mrYes 6 or
// mrNo 7. Enter presses OK if there is one, else Yes. Escape, the
// title-bar close and a box ended by the program's quit press No if there
// is one, else Abort (a refusal), else OK. With a test seam installed (TApplication::SetUserSeam) the seam
// answers and no window opens.
int MessageDlg(const String& text, TMsgDlgType type, unsigned buttons);

// The title of a kind, and the captions of a set of buttons joined by "|",
// as the seam sees them.
String MessageDlgTitle(TMsgDlgType type);
String MessageDlgButtons(unsigned buttons);

enum TOpenOption : unsigned {
  ofOverwritePrompt = 1,  // the save dialog asks before replacing a file
  ofHideReadOnly = 2,     // no read-only check box
  ofPathMustExist = 4,
  ofFileMustExist = 8,
};

// The platform's file dialog for opening a file. Filter holds
// "description|patterns" pairs separated by "|" (patterns joined by ";"),
// FilterIndex counts them from 1. With a test seam installed the seam
// answers and no window opens.
class TOpenDialog : public TComponent {
public:
  explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}

  const String& FileName() const { return fileName_; }
  void SetFileName(const String& fileName) { fileName_ = fileName; }
  const String& Filter() const { return filter_; }
  void SetFilter(const String& filter) { filter_ = filter; }
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int index) { filterIndex_ = index; }
  const String& InitialDir() const { return initialDir_; }
  void SetInitialDir(const String& dir) { initialDir_ = dir; }
  // Added to a name typed without an extension (without the dot).
  const String& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const String& ext) { defaultExt_ = ext; }
  // Empty: the platform's own title.
  const String& Title() const { return title_; }
  void SetTitle(const String& title) { title_ = title; }
  unsigned Options() const { return options_; }
  void SetOptions(unsigned options) { options_ = options; }

  // Shows the dialog; true with FileName and FilterIndex set when the user
  // chose a file, false when the dialog was cancelled.
  virtual bool Execute();

protected:
  bool Run(bool save);

private:
  String fileName_;
  String filter_;
  int filterIndex_ = 1;
  String initialDir_;
  String defaultExt_;
  String title_;
  unsigned options_ = ofHideReadOnly;
};

// The same for saving a file.
class TSaveDialog : public TOpenDialog {
public:
  using TOpenDialog::TOpenDialog;
  bool Execute() override;
};

// A filter as the platform's dialogs take it: each "|" a NUL (not one that
// is the second byte of a double-byte character), two NULs at the end.
String PlatformFilter(const String& filter);
