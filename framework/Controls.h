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
#include "framework/Handle.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
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

// The mouse cursor, by the cr values; crDefault lets each window show its
// own.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crIBeam = -4;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHandPoint = -21;

// A hint "short|long": the part before the first "|" (the whole hint
// without one), and the part after it (the whole hint without one).
String GetShortHint(const String& hint);
String GetLongHint(const String& hint);

// Drag and drop between controls. dmAutomatic: a left press on the control
// begins a drag once the mouse moves a few pixels with the button held.
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// The drag is over sender at its client (x, y); clear accept to refuse the
// drop (accept starts true).
using TDragOverEvent = std::function<void(TObject* sender, TObject* source, int x, int y,
                                          TDragState state, bool& accept)>;
// Source was dropped on sender, at its client (x, y).
using TDragDropEvent = std::function<void(TObject* sender, TObject* source, int x, int y)>;
// The drag of sender ended on target at its client (x, y); target is null
// when the drop was refused, made where no control is, or cancelled, and
// (x, y) are then in sender's client coordinates.
using TEndDragEvent = std::function<void(TObject* sender, TObject* target, int x, int y)>;
// A message taken from the queue while a drag goes on: Escape cancels the
// drag. The message loops offer each message here before the dialog keys;
// true when it was taken.
bool DragKey(const MSG& msg);

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

  // The tooltip shown while the mouse rests on the control: the short part
  // of Hint, when ShowHint and the control is visible. ShowHint is the
  // parent's while ParentShowHint (on by default); setting ShowHint turns
  // ParentShowHint off.
  const String& Hint() const { return hint_; }
  void SetHint(const String& hint);
  bool ShowHint() const;
  void SetShowHint(bool showHint);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool parentShowHint);

  // On: the control keeps its natural size, for controls that have one
  // (the text of a label, the height of a line in an edit box); off here.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);

  // The drag: BeginDrag takes the mouse; the drag begins at once with
  // immediate, else once the mouse has moved threshold pixels (-1: the
  // platform's distance) with a button held, and is dropped silently when
  // the button comes up before. Once it begins, OnStartDrag fires, the
  // control's picture follows the mouse, each control under it hears
  // OnDragOver, the cursor is DragCursor over one that accepts and crNoDrop
  // elsewhere; releasing the button drops (OnDragDrop on an accepting
  // target), Escape or another button cancels, and OnEndDrag ends it.
  TDragMode DragMode() const { return dragMode_; }
  void SetDragMode(TDragMode mode) { dragMode_ = mode; }
  TCursor DragCursor() const { return dragCursor_; }
  void SetDragCursor(TCursor cursor) { dragCursor_ = cursor; }
  void BeginDrag(bool immediate, int threshold = -1);
  // Ends the control's drag: dropped where it is with drop, else cancelled.
  void EndDrag(bool drop);
  // From OnStartDrag until the drag ends (OnEndDrag sees it ended).
  bool Dragging() const;

  // Marks the control for repainting; Update paints what is marked now;
  // Repaint does both.
  virtual void Invalidate();
  virtual void Update();
  void Repaint();

  // What a click of the user does: fires OnClick.
  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnStartDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;

protected:
  // Brings the size in line with AutoSize; nothing here.
  virtual void AdjustSize() {}
  // Hint, ShowHint or ParentShowHint was set.
  virtual void HintChanged() {}
  // The drag's steps; each fires its event. A control without OnDragOver
  // refuses every drop.
  virtual void DoStartDrag();
  virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
  virtual void DragDrop(TObject* source, int x, int y);
  virtual void DoEndDrag(TObject* target, int x, int y);
  // The picture a drag carries, grabbed at the client point grab: a new
  // image list (the drag destroys it) and the point of its image under the
  // mouse; null for none. Here a picture of the whole control.
  virtual HIMAGELIST CreateDragImage(POINT grab, POINT& hotspot);
  // A left press on a dmAutomatic control: BeginDrag(false). Controls that
  // detect a drag themselves (the tree and list views) begin it there.
  virtual void BeginAutoDrag() { BeginDrag(false); }
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}
  virtual void TextChanged() {}
  virtual void FontChanged() {}
  virtual void ColorChanged() { Invalidate(); }
  // The font every child with ParentFont takes.
  void ParentFontChanged();

  String caption_;

private:
  // Puts the control's tool into its top window's tooltips as its state
  // wants it, or (want false) takes it out.
  void UpdateHintTool(bool want = true);
  // ShowHint changed here: so it did for every child that takes it.
  void ShowHintChanged();
  // The drag, while the mouse is held: a mouse message of the window that
  // holds it, true when the drag took it.
  static bool DragMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  void StartDragging();
  static void DragTo(POINT screen);
  static void FinishDrag(bool drop);
  // A control going: a drag it is in forgets it.
  void LeaveDrag();

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  bool parentFont_ = true;
  TColor color_ = clBtnFace;
  TFont font_;
  String hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  bool autoSize_ = false;
  TDragMode dragMode_ = dmManual;
  TCursor dragCursor_ = crDrag;

  friend class TWinControl;
  friend bool DragKey(const MSG& msg);
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
  // The control's place among its parent's windowed controls, from 0, in
  // the order Tab takes them (and their windows' z-order, which the
  // platform's dialog functions follow); -1 without a parent. Setting it
  // moves the control there and the others after it on by one; a place
  // out of range puts it last.
  int TabOrder() const;
  void SetTabOrder(int order);
  // A frame the control has is sunken (the 3-D client edge) when on, the
  // default, or a single flat line when off; a new window when it changes.
  bool Ctl3D() const { return ctl3D_; }
  virtual void SetCtl3D(bool ctl3D);
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
  // The nearest of our windows at or above hwnd (a system control's own
  // child, such as a list view's header, is its control's), or null.
  static TWinControl* FindControl(HWND hwnd);

  // The menu a right click, Shift+F10 or the context-menu key opens on the
  // control; without one, the parent's opens.
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);

  // A window that lies over a sibling as a part of it rather than beside
  // the others (arrows inside their edit box): it stays just above that
  // sibling in the z-order, whatever the order of Tab, and a drag over it
  // is over that sibling. Null here.
  virtual TWinControl* StackedOn() const { return nullptr; }

  // A key pressed while the control has the focus (virtual-key code).
  TKeyEvent OnKeyDown;
  // A key released while the control has the focus.
  TKeyEvent OnKeyUp;
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
  virtual void KeyUp(WORD& key, TShiftState shift);
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
  // The frame of a framed control, as Ctl3D wants it.
  void AddFrame(TCreateParams& params) const;
  // A picture of part of the client area (a drag's), as the window paints
  // it; null without a window.
  HIMAGELIST ClientPicture(const RECT& part);

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
  // The child windows' z-order made the order of Tab.
  void ArrangeWindows();
  // The tooltip window of a top control, made when first needed.
  HWND ToolTips();
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static WNDPROC RegisterClassFor(const TCreateParams& params);

  HWND handle_ = nullptr;
  WNDPROC baseProc_ = nullptr;
  std::vector<TControl*> controls_;
  UniqueWindow toolTips_;
  bool tabStop_ = false;
  bool ctl3D_ = true;
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
