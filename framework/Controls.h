// The control classes: TControl (a rectangle on a parent), TGraphicControl
// (drawn by its parent, no window), TWinControl (a real window, made on
// demand) and TCustomControl (a window of our own class that paints itself
// and its graphic children).
//
// Every window is of a class registered by us (superclassing the system
// class where there is one), so one window procedure binds the object at
// WM_NCCREATE and unbinds it at WM_NCDESTROY. Notifications a child sends
// its parent (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_CTLCOLOR*) are reflected
// back to the child first.
#pragma once

#include "framework/Graphics.h"

#include <windows.h>

#include <functional>
#include <vector>

class TWinControl;
class TPopupMenu;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
// A window's frame: forms take any, other controls none or a single line
// (TBorderStyle).
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
using TBorderStyle = TFormBorderStyle;

// The modifier keys held down, as key events see them.
using TShiftState = unsigned;
enum TShiftStateFlag : unsigned {
  ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
enum TMouseButton { mbLeft, mbRight, mbMiddle };
// A mouse button pressed or released over the control, at client (x, y).
using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
// The modifier keys held down now, as the keyboard's state shows them.
TShiftState KeyboardShiftState();
// Key events may change the key; 0 swallows it.
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;

// One window message on its way through WndProc.
struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  virtual RECT ClientRect() const { return RECT{0, 0, width_, height_}; }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  const String& Caption() const { return caption_; }
  void SetCaption(const String& caption);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFont& Font() { return font_; }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool parentFont);
  // Visible, and every parent up to the top one too.
  bool Showing() const;

  // Marks the control for repainting; Update paints what is marked now;
  // Repaint does both.
  virtual void Invalidate();
  virtual void Update();
  void Repaint();

  // What a click of the user does: fires OnClick.
  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;

protected:
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}
  virtual void TextChanged() {}
  virtual void FontChanged() {}
  virtual void ColorChanged() { Invalidate(); }
  // The font every child with ParentFont takes.
  void ParentFontChanged();

  String caption_;

private:
  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  bool parentFont_ = true;
  TColor color_ = clBtnFace;
  TFont font_;

  friend class TWinControl;
};

// A control without a window of its own: its parent paints it.
class TGraphicControl : public TControl {
public:
  using TControl::TControl;
  void Invalidate() override;
  void Update() override;

protected:
  // Draws the control; the canvas origin is the control's top left corner.
  virtual void Paint(TCanvas& canvas) = 0;

  friend class TWinControl;
};

// Whether control and every parent above it are enabled. A control inside
// a disabled container shows and acts disabled while keeping its own
// Enabled flag.
bool ShowsEnabled(const TControl* control);

// Window creation parameters, filled by CreateParams.
struct TCreateParams {
  const char* BaseClass = nullptr;  // system class to superclass, or none
  String ClassName;                 // our class's name
  DWORD Style = 0;
  DWORD ExStyle = 0;
  UINT ClassStyle = CS_DBLCLKS;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
};

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The window, made (with its parents') when first asked for.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // Destroys the window; the next Handle() makes a new one from the
  // control's state.
  void RecreateWnd();

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(index); }
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool tabStop);
  void SetFocus();
  bool Focused() const;
  // The control identifier the window is created with.
  int ControlId() const { return id_; }

  void SetBounds(int left, int top, int width, int height) override;
  RECT ClientRect() const override;
  void Invalidate() override;
  void Update() override;

  // The object of one of our windows, or null.
  static TWinControl* FromHandle(HWND hwnd);

  // The menu a right click, Shift+F10 or the context-menu key opens on the
  // control; without one, the parent's opens.
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);

  // A key pressed while the control has the focus (virtual-key code).
  TKeyEvent OnKeyDown;
  // A character typed into the control; a double-byte character shows
  // only its lead byte, and its trail byte follows the lead byte's fate.
  TKeyPressEvent OnKeyPress;
  // The focus came to the control from elsewhere in its top-level window,
  // or left it for another control there; the window merely losing and
  // regaining the activation is neither.
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  // Mouse buttons and moves over the window, after the window's own
  // handling of them (a button has taken the capture and drawn itself
  // pushed when OnMouseDown comes).
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

protected:
  virtual void CreateParams(TCreateParams& params);
  // Creates the window from the parameters and pushes the cached state in.
  virtual void CreateWnd();
  // Reads back state the window owns, then destroys it.
  virtual void DestroyWnd();
  // Called once the window exists: subclasses push their cached state.
  virtual void InitializeWnd() {}

  // Every message of the window. Handle a message and set Result, or pass
  // it on to the inherited WndProc, which ends in DefaultHandler.
  virtual void WndProc(TMessage& message);
  // The system class's own handling.
  void DefaultHandler(TMessage& message);
  // Reflected notifications; true when handled (Result set).
  virtual bool CNCommand(WORD /*code*/, LRESULT& /*result*/) { return false; }
  virtual bool CNNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  // WM_DRAWITEM for an owner-drawn child control.
  virtual bool CNDrawItem(DRAWITEMSTRUCT* /*item*/, LRESULT& /*result*/) { return false; }
  // WM_HSCROLL or WM_VSCROLL a child control sent about itself.
  virtual bool CNScroll(UINT /*msg*/, WPARAM /*wparam*/, LRESULT& /*result*/) { return false; }
  // Brush for WM_CTLCOLOR*, or null for the default.
  virtual HBRUSH CtlColor(HDC dc);
  // Paints the window background and the graphic children (own classes).
  virtual void PaintWindow(HDC dc);
  // Key handling; each fires its event.
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // Mouse handling; each fires its event.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void DoEnter();
  virtual void DoExit();
  // True while the window goes because the control, or one it sits on, is
  // being deleted: state is then no longer anyone's to read back or report.
  bool Deleting() const;

  void VisibleChanged() override;
  void EnabledChanged() override;
  void TextChanged() override;
  void FontChanged() override;
  void ColorChanged() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void PaintControls(HDC dc);
  // Brings the windows below in line with ShowsEnabled and repaints the
  // graphic children.
  void SyncChildrenEnabled();
  void DestroyHandle();
  // WM_CONTEXTMENU at the screen point pos: opens PopupMenu; false when
  // there is none or the point is outside the client area.
  bool ContextPopup(LPARAM pos);
  // WM_CHAR through KeyPress; false when the character is swallowed.
  bool CharPasses(TMessage& message);
  // Button messages to MouseDown/MouseUp, moves to MouseMove, after the
  // window's own handling.
  void MouseMessage(TMessage& message);
  void FocusArrived();
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static WNDPROC RegisterClassFor(const TCreateParams& params);

  HWND handle_ = nullptr;
  WNDPROC baseProc_ = nullptr;
  std::vector<TControl*> controls_;
  bool tabStop_ = false;
  int id_;
  HBRUSH brush_ = nullptr;
  TPopupMenu* popupMenu_ = nullptr;
  bool deleting_ = false;
  // What happens to the trail byte of a double-byte character.
  enum class Trail : unsigned char { None, Pass, Drop } trail_ = Trail::None;

  friend class TControl;
  friend class TGraphicControl;
};

// A new control of owner's named name, placed on parent at the bounds given,
// with its caption when one is given: how a form lays out what it holds.
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

// A window of our own class that paints itself (forms, panels, pages).
class TCustomControl : public TWinControl {
public:
  using TWinControl::TWinControl;

protected:
  void CreateParams(TCreateParams& params) override;
};
