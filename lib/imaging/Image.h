// The picture control of the imaging library: a TImage that fits the
// picture to the control (small ones enlarged, large ones shrunk, or
// both), aligns it on each axis or tiles it, paints a background colour,
// lets its owner paint over it, and loads and saves bitmap files with
// their palette and depth.
#pragma once

#include "framework/ExtCtrls.h"

#include <windows.h>

#include <cstdint>
#include <functional>

// Bits 0-1 across (none, left, right, centre), bits 2-3 down (none, top,
// bottom, centre), bit 4 tiling.
enum kxvAutoAlign : uint8_t {
  aaNone = 0, aaLeft = 1, aaRight = 2, aaCenterW = 3,
  aaTop = 4, aaTopLeft = 5, aaTopRight = 6, aaTopCenter = 7,
  aaBottom = 8, aaBottomLeft = 9, aaBottomRight = 10, aaBottomCenter = 11,
  aaCenterH = 12, aaCenterLeft = 13, aaCenterRight = 14, aaCenter = 15,
  aaTile = 16
};

// azSmall enlarges small pictures to fit and never shrinks, azLarge
// shrinks large ones and never enlarges, azAlways fits every picture.
enum kxvAutoZoom : uint8_t { azNone = 0, azSmall = 1, azLarge = 2, azAlways = 3 };

using kxvImagePaintEvent = std::function<void(TObject* sender, TCanvas* canvas)>;

// A picture's drawn size and the factor it was drawn at.
struct kxvDrawnSize {
  int Width = 0, Height = 0;
  double Zoom = 1.0;
};
// A w x h picture drawn at zoom in a box of boxWidth x boxHeight; fitted
// (autoZoom), the side that limits the factor fills the box exactly and
// the other is rounded. Sides stay within what GDI coordinates hold.
kxvDrawnSize kxvFitPicture(int w, int h, int boxWidth, int boxHeight, kxvAutoZoom autoZoom,
                           double zoom);

class kxvImage : public TImage {
public:
  // No background colour (Color is clNone): the parent shows around the
  // picture.
  explicit kxvImage(TComponent* owner);
  ~kxvImage() override;

  kxvAutoAlign AutoAlign() const { return autoAlign_; }
  virtual void SetAutoAlign(kxvAutoAlign align);
  // Back to azNone: Zoom is 1 again and Stretch off.
  kxvAutoZoom AutoZoom() const { return autoZoom_; }
  virtual void SetAutoZoom(kxvAutoZoom zoom);
  // With AutoZoom on, the factor the last paint used.
  double Zoom() const { return zoom_; }
  // A factor that is not a positive finite number is refused.
  virtual void SetZoom(double zoom);

  // What the open dialog offers: all files and bitmaps.
  virtual String GetFilter();
  // The palette held (owned), replaced by palette; a copy of palette.
  void SetPalette(LOGPALETTE* palette);
  void CopyPalette(const LOGPALETTE* palette);

  // Reads the depth and the colour table of a bitmap file, then lets the
  // picture load it. False when the file cannot be opened, its header not
  // read, or the picture cannot read it, and while a load runs (Busy).
  virtual bool LoadBitmapFile(const String& fileName);
  // A load is running and waiting (an animation between its frames): a
  // second one is refused, the running one left as it is.
  virtual bool Busy() const { return false; }
  // With the wait cursor: false for an empty name, a missing file or one
  // that cannot be read.
  virtual bool LoadFromFile(const String& fileName);
  // The picture as a bitmap file at BitCount bits with Palette.
  virtual bool SaveToFile(const String& fileName);

  // Where the picture was last drawn, in the control's coordinates.
  const RECT& PaintRect() const { return paintRect_; }
  // Bits per pixel of the picture loaded, 0 when not known.
  int32_t BitCount() const { return bitCount_; }
  void SetBitCount(int32_t bitCount) { bitCount_ = bitCount; }
  // The loaded picture's palette, or null.
  const LOGPALETTE* Palette() const { return palette_; }

  // After each paint, with the canvas painted on.
  kxvImagePaintEvent OnPaint;

protected:
  // LoadBitmapFile's work, for a load already running.
  bool ReadBitmapFile(const String& fileName);
  void Paint(TCanvas& canvas) override;
  // Places the picture drawn w by h: background, then aligned or tiled.
  virtual void PaintAlign(TCanvas& canvas, int w, int h);
  virtual void PaintTile(TCanvas& canvas, int w, int h);

private:
  kxvAutoAlign autoAlign_ = aaNone;
  kxvAutoZoom autoZoom_ = azNone;
  double zoom_ = 1.0;
  RECT paintRect_{};
  int32_t bitCount_ = 0;
  LOGPALETTE* palette_ = nullptr;
};

namespace Image {
// Puts kxvImage on the design-time palette page "NORDA".
void Register();
}  // namespace Image
