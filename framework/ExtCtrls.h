// Panels and images.
#pragma once

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

// An icon, painted by the parent. The icon is borrowed: the image never
// destroys it.
class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* owner);

  HICON Icon() const { return icon_; }
  void SetIcon(HICON icon);
  // One of the platform's icons (IDI_EXCLAMATION, ...).
  void SetStockIcon(LPCSTR id);
  // On: the icon sits in the middle of the image, else at its top left.
  bool Center() const { return center_; }
  void SetCenter(bool center);

protected:
  void Paint(TCanvas& canvas) override;

private:
  HICON icon_ = nullptr;
  bool center_ = false;
};
