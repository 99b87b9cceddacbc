// The standard controls: push buttons, check boxes, labels, group boxes,
// list boxes and edit boxes. The windowed ones superclass the system
// classes; labels are painted by their parent; group boxes are painted
// windows of our own.
#pragma once

#include "framework/Controls.h"

#include <windows.h>

#include <vector>

class TForm;

// The form a control sits on: the first TForm up its parents, or null.
TForm* ParentForm(const TControl* control);

// Text as controls draw it: in color when enabled, embossed grey (the
// platform's disabled look) when not.
void DrawControlText(TCanvas& canvas, RECT rect, const String& text, UINT flags, TColor color,
                     bool enabled);

// A push button. Enter presses the default button of its form, Escape the
// cancel button; a click with a ModalResult ends the form's ShowModal with it.
class TButton : public TWinControl {
public:
  explicit TButton(TComponent* owner);

  bool Default() const { return default_; }
  // Makes the button the one Enter presses on its form (one per form: the
  // previous default button stops being one).
  void SetDefault(bool isDefault);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool isCancel);
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }

  // Sets the form's ModalResult (unless mrNone), then fires OnClick.
  void Click() override;
  // Moves the default and cancel roles to the new parent's form.
  void SetParent(TWinControl* parent) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitializeWnd() override;
  void WndProc(TMessage& message) override;
  bool CNCommand(WORD code, LRESULT& result) override;
  // The heavy frame Enter presses; the focused button takes it while focused.
  virtual void ShowDefaultLook(bool look);

private:
  void RegisterWithForm();
  void LeaveForm();

  bool default_ = false;
  bool cancel_ = false;
  int modalResult_ = 0;
};

// A check box. Changing Checked, by the program or by the user, fires OnClick.
class TCheckBox : public TWinControl {
public:
  explicit TCheckBox(TComponent* owner);

  bool Checked() const;
  void SetChecked(bool checked);

protected:
  void CreateParams(TCreateParams& params) override;
  void InitializeWnd() override;
  void WndProc(TMessage& message) override;
  bool CNCommand(WORD code, LRESULT& result) override;

private:
  bool checked_ = false;
};

// Static text painted on its parent's background.
class TLabel : public TGraphicControl {
public:
  explicit TLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  // AutoSize, on for a label: it takes the size of its text (keeping its
  // width when WordWrap is on, its right edge when right-justified).
  // On: no background is painted.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);
  // On: "&" underlines the next character instead of showing.
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool show);

  void SetParent(TWinControl* parent) override;
  // With AutoSize the text decides the size (the height only, with WordWrap).
  void SetBounds(int left, int top, int width, int height) override;

protected:
  void Paint(TCanvas& canvas) override;
  void TextChanged() override;
  void FontChanged() override;
  void Loaded() override;
  void AdjustSize() override;

private:
  UINT DrawFlags() const;
  SIZE TextSize(int width);

  TAlignment alignment_ = taLeftJustify;
  bool transparent_ = true;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
};

// A frame with a caption around other controls; disabling it disables
// everything inside.
class TGroupBox : public TCustomControl {
public:
  explicit TGroupBox(TComponent* owner);

protected:
  void CreateParams(TCreateParams& params) override;
  void PaintWindow(HDC dc) override;
};

// A list of lines. Items talks to the window while there is one and keeps
// the lines (with their objects and selection) itself while there is not,
// so a recreated window loses nothing. A shown list repaints at every
// change: many changes go between Items().BeginUpdate() and EndUpdate().
class TListBox : public TWinControl {
public:
  explicit TListBox(TComponent* owner);

  TStrings& Items() { return items_; }
  const TStrings& Items() const { return items_; }
  // MultiSelect lets several lines be selected; ExtendedSelect (on by
  // default) makes that work with Shift and Ctrl rather than by single clicks.
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool multiSelect);
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool extendedSelect);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);

  // The selected line, or with MultiSelect the line with the focus; -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int index);
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  // The number of selected lines; -1 without MultiSelect, as the platform has it.
  int SelCount() const;
  int TopIndex() const;
  void SetTopIndex(int index);
  void Clear() { items_.Clear(); }

protected:
  void CreateParams(TCreateParams& params) override;
  void InitializeWnd() override;
  void WndProc(TMessage& message) override;
  bool CNCommand(WORD code, LRESULT& result) override;

private:
  class TListBoxStrings : public TStrings {
  public:
    explicit TListBoxStrings(TListBox* list) : list_(list) {}
    int Count() const override;
    String Get(int index) const override;
    void Put(int index, const String& text) override;
    TObject* Objects(int index) const override;
    void SetObjects(int index, TObject* object) override;
    int Add(const String& text) override;
    void Insert(int index, const String& text) override;
    void Delete(int index) override;
    void Clear() override;

  protected:
    void SetUpdateState(bool updating) override;

  private:
    struct Item {
      String text;
      TObject* object = nullptr;
      bool selected = false;
    };
    HWND Window() const;
    void CheckIndex(int index) const;
    void SortCache();

    TListBox* list_;
    std::vector<Item> cache_;  // the lines while there is no window

    friend class TListBox;
  };

  HWND Window() const;
  void SaveState();

  TListBoxStrings items_{this};
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  bool sorted_ = false;
  int caret_ = -1;     // MultiSelect's ItemIndex while there is no window
  int topIndex_ = 0;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// An edit box. The window owns the text, the selection and the modified
// flag while it exists; they are read back before it goes, so a new window
// (after a style change, say) loses none of them. Single-line unless
// MultiLine; word wrap and scroll bars apply to multi-line boxes only.
// Enter and Tab reach the box only when it wants them (WantReturns,
// WantTabs), and Enter also when its form has no default button to press.
// AutoSize is on: the box is as high as a line of its font and its frame
// (Ctl3D's) want, whatever height it is given.
class TCustomEdit : public TWinControl {
public:
  explicit TCustomEdit(TComponent* owner);

  void SetBounds(int left, int top, int width, int height) override;

  String Text() const;
  // Afterwards the box counts as unmodified.
  void SetText(const String& text);
  // The most the user can type, as the window counts; 0: no limit.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int length);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  // Whether the user edited the text since the program last set it.
  bool Modified() const;
  void SetModified(bool modified);
  // Positions as the window counts them.
  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  void SelectAll();
  // On: the whole text is selected when the focus arrives.
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }

  // These four make a new window.
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool multiLine);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle scrollBars);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);
  // Tab is typed into the box instead of moving the focus.
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool wantTabs) { wantTabs_ = wantTabs; }
  // Enter is typed into the box.
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool wantReturns) { wantReturns_ = wantReturns; }

  // The window reports an edit: the user's, or on a single-line box the
  // program's too.
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitializeWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& message) override;
  bool CNCommand(WORD code, LRESULT& result) override;
  void DoEnter() override;
  void FontChanged() override;
  void AdjustSize() override;
  void Loaded() override;
  // Fires OnChange.
  virtual void Change();

private:
  // A line of the font, the room the box leaves round it and the frame.
  int NaturalHeight();
  // Stores a style the window is created with, and makes a new window.
  template <class T>
  void ChangeStyle(T& field, T value);
  void PushSelection();

  int maxLength_ = 0;
  bool readOnly_ = false;
  bool modified_ = false;
  int selStart_ = 0;
  int selLength_ = 0;
  bool autoSelect_ = true;
  TAlignment alignment_ = taLeftJustify;
  bool multiLine_ = false;
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = false;
  bool wantTabs_ = false;
  bool wantReturns_ = false;
};

// The single-line edit box as placed on a form.
class TEdit : public TCustomEdit {
public:
  using TCustomEdit::TCustomEdit;
};

// A multi-line edit box: Enter starts a new line, long lines wrap, and the
// focus arriving leaves the selection alone; AutoSize is off.
class TMemo : public TCustomEdit {
public:
  explicit TMemo(TComponent* owner);

protected:
  void CreateParams(TCreateParams& params) override;
};
