// Forms, the application object and the screen.
#pragma once

#include "framework/Controls.h"

#include <windows.h>

#include <cstdint>
#include <new>

// The cursor shown over every window of the program. crDefault lets each
// window show its own.
class TScreen : public TObject {
public:
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  // The platform cursor for one of the cr values (arrow for unknown ones).
  static HCURSOR CursorHandle(TCursor cursor);

private:
  TCursor cursor_ = crDefault;
};

// Dialog results: the platform's codes.
constexpr int mrNone = 0;
constexpr int mrOk = IDOK;
constexpr int mrCancel = IDCANCEL;
constexpr int mrAbort = IDABORT;
constexpr int mrYes = IDYES;
constexpr int mrNo = IDNO;

enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
enum TPosition { poDesigned, poScreenCenter };
enum TCloseAction { caNone, caHide, caFree };

class TMenuItem;
class TPopupMenu;

// A top-level window. Its create event fires once the constructor of the
// most derived class has run (through TApplication::CreateForm or
// AfterConstruction).
class TForm : public TCustomControl {
public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style) { borderStyle_ = style; }
  unsigned BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(unsigned icons) { borderIcons_ = icons; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  // Sizes the window so that its client area is width x height.
  void SetClientSize(int width, int height);
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }

  // Fires OnCreate; called once, after construction.
  void AfterConstruction();
  // Asks OnClose; a main form's close ends the application.
  void Close();
  // Shows the form modally until ModalResult is set; returns it.
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  // The control the keyboard starts on.
  void SetActiveControl(TWinControl* control);
  // Focuses the next (or previous) control that Tab reaches from current:
  // every visible, enabled tab stop in the order the controls were placed,
  // a container's own stop (a page control's tabs) before what it holds,
  // round the end.
  void SelectNext(TWinControl* current, bool forward);
  // A window this form stays in front of, without a taskbar button of its
  // own; set before the window is made.
  void SetOwnerWindow(HWND owner) { ownerWindow_ = owner; }

  // The buttons Enter and Escape press (set by TButton).
  TControl* DefaultButton() const { return defaultButton_; }
  TControl* CancelButton() const { return cancelButton_; }
  void SetDefaultButton(TControl* button);
  void SetCancelButton(TControl* button);

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  std::function<void(TObject* sender, TCloseAction& action)> OnClose;
  // A key pressed anywhere in the form, before the focused control and
  // the dialog keys see it; handled true takes it.
  std::function<void(TObject* sender, WORD key, TShiftState shift, bool& handled)> OnShortCut;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitializeWnd() override;
  void WndProc(TMessage& message) override;
  void VisibleChanged() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  TFormBorderStyle borderStyle_ = bsSizeable;
  unsigned borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TPosition position_ = poDesigned;
  int clientWidth_ = 0, clientHeight_ = 0;
  int modalResult_ = mrNone;
  bool created_ = false;
  bool modal_ = false;
  TWinControl* activeControl_ = nullptr;
  HWND ownerWindow_ = nullptr;
  TControl* defaultButton_ = nullptr;
  TControl* cancelButton_ = nullptr;
};

// Test hook for every modal interaction with the user or the platform's
// helpers: when installed, message boxes, beeps, help requests and popup
// menus reach it instead of the screen, the speaker and the help viewer.
class TUserSeam {
public:
  virtual ~TUserSeam() = default;
  // Answers a message box: its kind (the box's title), text and buttons
  // (captions joined by "|"); returns the result code.
  virtual int Answer(const String& title, const String& text, const String& buttons) = 0;
  virtual void Beep(UINT type) = 0;
  virtual void Help(const String& file, UINT command, ULONG_PTR data) = 0;
  // Chooses from a popup menu opening at the screen point x, y (its
  // OnPopup has run): the item to click, or null to close it unused, which
  // is all a seam that does not expect menus does.
  virtual TMenuItem* ChooseMenuItem(TPopupMenu& /*menu*/, int /*x*/, int /*y*/) { return nullptr; }
  // Answers a file dialog (the open one, or with save the save one) with
  // its title and filter ("description|patterns|..."): true with the file
  // chosen in fileName and the filter used in filterIndex (from 1), false
  // for a cancelled dialog, which is all a seam that does not expect file
  // dialogs does.
  virtual bool ChooseFile(bool /*save*/, const String& /*title*/, const String& /*filter*/,
                          int& /*filterIndex*/, String& /*fileName*/) {
    return false;
  }
};

class TForm;

class TApplication : public TComponent {
public:
  TApplication() : TComponent(nullptr) {}

  const String& Title() const { return title_; }
  void SetTitle(const String& title) { title_ = title; }
  // The executable's full path.
  String ExeName() const;
  const String& HelpFile() const { return helpFile_; }
  void SetHelpFile(const String& helpFile) { helpFile_ = helpFile; }
  // The platform's help for HelpFile (WinHelp command and data). Where the
  // system has no WinHelp viewer (Windows Vista and later ship a stub of
  // its name that only says WinHelp is gone), the page of the same name
  // with ".HTM" beside it opens in the user's browser instead, when there
  // is one.
  void HelpCommand(UINT command, ULONG_PTR data);
  // The WinHelp viewer's program: winhlp32.exe of the system directory,
  // else of the Windows directory, as WinHelp runs it.
  const String& WinHelpViewer();
  void SetWinHelpViewer(const String& path) { winHelpViewer_ = path; }
  // Whether the viewer's program is there and not the stub (its version
  // resource's description names it a stub).
  bool WinHelpViewerUsable();
  // The platform's beep of the given MessageBeep type.
  void Beep(UINT type);

  void Initialize() {}
  // Creates the form as one of ours; ref points at it from before its
  // constructor runs, so handlers run during construction can use it.
  // The first form created is the main form.
  template <class T>
  void CreateForm(T*& ref);
  TForm* MainForm() const { return mainForm_; }
  // The message loop, until the main form closes or Terminate.
  void Run();
  // Dispatches every message waiting in this thread's queue, then returns.
  void ProcessMessages();
  // Ends the message loop after the current message.
  void Terminate();
  // True once the quit message was read, or while one waits in this
  // thread's queue (Terminate, or the system ending the program): a
  // command then stops and a question is answered as refused.
  bool Terminated() const;
  // Tab, Shift+Tab, Ctrl+Tab and Ctrl+Shift+Tab in a form of ours; true
  // when the key was taken.
  static bool TabKey(const MSG& msg);
  // A key pressed in a form of ours offered to its OnShortCut; true when
  // the form took it.
  static bool ShortCut(const MSG& msg);
  // The standard display of an exception that escaped a handler.
  void ShowException(const std::exception& e);

  TUserSeam* UserSeam() const { return seam_; }
  void SetUserSeam(TUserSeam* seam) { seam_ = seam; }

private:
  // One message, if there is one; false when the queue was empty.
  bool ProcessMessage();
  // The platform's dialog keys, after ours.
  static bool DialogMessage(MSG& msg);
  void FormCreated(TForm* form);

  String title_;
  String helpFile_;
  String winHelpViewer_;
  bool terminated_ = false;
  TForm* mainForm_ = nullptr;
  TUserSeam* seam_ = nullptr;
};

// The program's one application object and screen.
TApplication& Application();
TScreen& Screen();

template <class T>
void TApplication::CreateForm(T*& ref) {
  void* memory = ::operator new(sizeof(T));
  ref = static_cast<T*>(memory);
  try {
    new (memory) T(this);
  } catch (...) {
    ref = nullptr;
    ::operator delete(memory);
    throw;
  }
  FormCreated(ref);
}
