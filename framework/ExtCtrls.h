// Panels, images, splitters and timers.
#pragma once

#include "framework/Picture.h"
#include "framework/StdCtrls.h"

#include <windows.h>

enum TBevelCut { bvNone, bvLowered, bvRaised };

// A painted window with bevels and a caption, hosting other controls;
// labels and images on it are painted over its background.
class TPanel : public TCustomControl {
public:
  explicit TPanel(TComponent* owner);

  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut bevel);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut bevel);
  // The width in pixels of each bevel.
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  // Where the caption goes across; it is always centred from top to bottom.
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);

protected:
  void CreateParams(TCreateParams& params) override;
  void PaintWindow(HDC dc) override;

private:
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  TAlignment alignment_ = taCenter;
};

// A picture or an icon, painted by the parent. The picture is the
// image's own; the icon is borrowed (never destroyed) and, when set, is
// shown instead of the picture.
class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  TPicture& Picture() { return picture_; }
  // Drawing on it draws into the picture's bitmap (made when needed).
  TCanvas& Canvas() { return picture_.Bitmap().Canvas(); }
  HICON Icon() const { return icon_; }
  void SetIcon(HICON icon);
  // One of the platform's icons (IDI_EXCLAMATION, ...).
  void SetStockIcon(LPCSTR id);
  // On: the picture (or icon) sits in the middle of the image, else at its
  // top left.
  bool Center() const { return center_; }
  void SetCenter(bool center);
  // On: the picture fills the image.
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);

protected:
  void Paint(TCanvas& canvas) override;

private:
  TPicture picture_;
  HICON icon_ = nullptr;
  bool center_ = false;
  bool stretch_ = false;
};

// A bar between two controls side by side that the user drags to share
// the room between them: the control whose right edge touches the bar's
// left edge grows or shrinks, the one whose left edge touches its right
// edge moves with the bar and keeps its own right edge. Controls here are
// placed by their bounds alone, so the bar finds its neighbours by these
// edges as it moves; without a left neighbour it does not move.
class TSplitter : public TCustomControl {
public:
  explicit TSplitter(TComponent* owner);

  // Neither neighbour gets narrower than this many pixels (the room left
  // in the parent counts when there is no right neighbour).
  int MinSize() const { return minSize_; }
  void SetMinSize(int minSize);

  // After a drag that moved the bar.
  TNotifyEvent OnMoved;

protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& message) override;

private:
  // The bar's left edge to be, in the parent's coordinates.
  void DragTo(int left);
  void EndDrag();

  int minSize_ = 30;
  bool dragging_ = false;
  int grab_ = 0;       // where across the bar the mouse holds it
  int startLeft_ = 0;  // the bar's left edge when the drag began
};

// Fires OnTimer every Interval milliseconds while Enabled, through the
// message loop of the thread that made it. A timer switched off, given a
// new interval or deleted never fires for its old period again, even when
// that happens inside its own OnTimer or a tick was already due.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // 0 stops the timer as switching it off does.
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned interval);

  TNotifyEvent OnTimer;

protected:
  // One tick: fires OnTimer.
  virtual void Timer();

private:
  // Drops the running period and starts a new one when the timer should run.
  void UpdateTimer();
  static LRESULT CALLBACK TimerWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  bool enabled_ = true;
  unsigned interval_ = 1000;
  UINT_PTR id_ = 0;  // the running period, 0 for none
};
