// The GIF decoder and animator: reads a GIF file and renders it into a
// caller's bitmap block by block, in file order. The window-free reader
// (Gifdecode) parses the blocks and decodes the LZW data; this component
// composes each finished row straight into the bitmap's pixels, applies
// the graphic control extension (transparency, disposal, delay, user
// input), draws plain text with the bitmap canvas's font, and hands
// comments and application extensions to its events. An animation plays
// once: after each rendered block the component waits the block's delay
// while the application's messages are processed, so a control showing
// the bitmap repaints after each frame; loading returns after the last
// block or when told to stop.
//
// Decisions beyond the plain format:
// - Palettes (LOGPALETTE, version 0x300, room for 256 entries) come from
//   NewLogPalette and go with FreeLogPalette (lib/imaging/Bitmap.h); row
//   bitmaps are single blocks from std::malloc, released with std::free.
// - The target is drawn into as a 32-bit DIB section: one of another kind
//   (a device bitmap, another depth) is converted, its picture kept, when
//   a block begins. A GDI call a row costs more than a whole tiny frame, so
//   each row's colours (and, with transparency, only its opaque pixels) are
//   written into the section's memory. CopyMode other than SRCCOPY needs
//   GDI for the raster operation and its brush: one call a target row.
// - The target bitmap is made at most kxvGIF::MaxBitmapBytes large, counted
//   at four bytes a pixel; a larger logical screen (or a bitmap the system
//   cannot make) fails with EInvalidGraphic instead of a failed allocation.
// - Rows, fills and saved backgrounds are clipped to the target bitmap;
//   nothing is written outside it. An image of width or height 0 draws
//   nothing but is still a rendered block (notified, waited, disposed).
// - Colour indices beyond the colour table draw black: the colours a block
//   draws with are a 256-entry table padded with black.
// - A file shorter than its header, like any malformed file, fails with
//   EInvalidGraphic; only errors of the stream itself propagate as raised.
// - The logical screen is filled, and plain text drawn, where the screen
//   lies in the target, that is with OffsetX and OffsetY added.
// - A file without a global colour table takes the system palette; a
//   display without one (any true-colour display) gives the platform's
//   default palette of 20 colours instead.
// - One load at a time: LoadFromStream, LoadFromFile and IsSupport called
//   while a load of the same component waits raise EGifBusy.
// - When a handler destroys the component, or the target bitmap, during a
//   load (in an event or while a wait processes messages), the load ends
//   at once and returns without touching either. The bitmap's destruction
//   is noticed through its OnChange slot, which the load fills with a
//   forwarding handler and restores afterwards; a handler that assigns the
//   bitmap's OnChange during the load ends the load the same way.
#pragma once

#include "framework/Graphics.h"
#include "lib/core/Rect.h"
#include "lib/imaging/Gifdecode.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TStream;
class TTimer;

// A load asked for while another load of the same component is running.
class EGifBusy : public Exception {
public:
  using Exception::Exception;
};

// The graphic control extension as it applies to the next rendered block.
struct kxGifControlRecord {
  uint8_t Size = 0;              // the block size byte as found
  uint8_t Packed = 0;            // bit 0 transparency, bit 1 user input, bits 2-4 disposal
  uint16_t Delay = 0;            // hundredths of a second
  uint8_t TransparentIndex = 0;
  uint8_t Spare = 0;
  int Disposal() const { return (Packed >> 2) & 7; }
  bool UserInput() const { return (Packed & 2) != 0; }
  bool Transparency() const { return (Packed & 1) != 0; }
};

using kxGifPaintEvent = std::function<void(TObject* sender, kxRect* rect)>;
using kxGifCommentEvent = std::function<void(TObject* sender, char* text)>;
// block: byte 0 = 0x21, byte 1 = 0xFF, byte 2 = the identifier sub-block's
// size n, bytes 3 to 3 + n - 1 the identifier and authentication code,
// then the data sub-blocks joined (length bytes) and a NUL.
using kxGifApplicationEvent = std::function<void(TObject* sender, void* block, int32_t length)>;
// True ends the wait.
using kxGifUserInputEvent = std::function<bool(TObject* sender)>;

struct kxGifLoadGuard;

class kxvGIF : public TComponent {
public:
  // The largest target bitmap the component makes, at four bytes a pixel.
  static constexpr int64_t MaxBitmapBytes = int64_t(256) << 20;

  explicit kxvGIF(TComponent* owner);
  ~kxvGIF() override;

  // Decodes and renders the stream from its position into bitmap (see the
  // top of this file). EInvalidGraphic for a malformed file, EGifBusy
  // during another load.
  virtual void LoadFromStream(TStream* stream, TBitmap* bitmap);
  // The file opened read-only, others may read.
  virtual void LoadFromFile(const String& fileName, TBitmap* bitmap);
  // Reads the header and the logical screen descriptor with its global
  // colour table from the stream's position and sets the read values.
  // False when Enable is false or the signature is not "GIF"; read errors
  // propagate.
  virtual bool IsSupport(TStream* stream);
  virtual bool IsSupport(const String& fileName);

  // Frees the palette held and takes ownership of palette (null allowed).
  void SetPalette(LOGPALETTE* palette);

  // The steps of a load, public for those who drive or extend one.
  //
  // A palette of count RGB triples (at most 256), or from the system
  // when rgb is null.
  LOGPALETTE* MakePalette(const uint8_t* rgb, int count);
  // A one-row DIB: header, a 256-entry table for one byte a pixel (from
  // palette, black beyond its entries), and the row's pixel bytes, whose
  // address goes to *pixels.
  BITMAPINFO* MakeBitmapInfo(int width, int bytesPerPixel, uint8_t** pixels,
                             const LOGPALETTE* palette);
  // Sets FileTransparentColor and applies TransparentColor to the record.
  void SetTransparentColor(const LOGPALETTE* table);
  void LoadImageDescriptor(const kxGifImage& image);
  void LoadGraphicControlExtension(const kxGifControl& control);
  void LoadCommentExtension(const uint8_t* text, size_t length);
  void LoadApplicationExtension(const uint8_t* id, size_t idLength, const uint8_t* data,
                                size_t length);
  // Draws the text (PlainText true) in the current load's target.
  void LoadPlaneTextExtension(const kxGifPlainText& text);
  // Draws the image row into count target rows from the current row on.
  void DIBCopy(int count);
  // After a rendered block: notify, wait, dispose, clear the record.
  void EndRendering();
  void OnTimer(TObject* sender);

  // Settings.
  bool Enable = true;          // false: IsSupport answers false, loads fail
  bool Animate = true;         // false: stop after the first rendered block
  bool KeepSize = false;       // true: a target that is not empty keeps its size
  bool FillBackground = true;  // fill the logical screen with BackgroundColor first
  bool PlainText = true;       // draw plain text extensions
  bool UseDelay = true;        // false: every delay is 0
  bool Transparent = true;     // false: every transparency flag is cleared
  // Not clNone: the table entry of this colour is the transparent index.
  TColor TransparentColor = clNone;
  DWORD CopyMode = SRCCOPY;    // raster operation of opaque rows
  int32_t OffsetX = 0, OffsetY = 0;  // where the logical screen lies in the target

  // Read from the file.
  int32_t ScreenWidth = 0, ScreenHeight = 0;
  int32_t ColorResolution = 0;
  TColor BackgroundColor = clBlack;  // kept when the file has no global table
  LOGPALETTE* Palette = nullptr;     // owned: the global table, or the system's
  bool GlobalTable = false;          // the file has a global colour table
  bool HasTransparency = false;      // the last control extension's flag as read
  TColor FileTransparentColor = clBlack;

  kxGifPaintEvent OnPaint;
  kxGifCommentEvent OnComment;
  kxGifApplicationEvent OnApplication;
  kxGifUserInputEvent OnUserInput;

  // A handler sets it to end the playback after the current wait.
  bool Stopped = false;
  bool TimerFired = false;

  // The record of the next rendered block, and the current block's area in
  // the target.
  const kxGifControlRecord& Control() const { return record_; }
  RECT Area() const;
  // True while a load runs.
  bool Busy() const { return guard_ != nullptr; }

private:
  friend class kxGifRenderer;
  struct FreeDeleter {
    void operator()(void* p) const;
  };
  template <class T>
  using Block = std::unique_ptr<T, FreeDeleter>;

  // The target's context, size and pixels (converted to a 32-bit DIB
  // section if need be), read at each block and after messages were
  // processed: a handler may resize or replace the bitmap meanwhile.
  bool TargetReady();
  // Disposal 3: what the block covers in the target, kept and put back.
  void SaveBackground();
  void RestoreBackground();
  void FreeRowBitmaps();
  // A decoded row: image row y and its width_ indices.
  void DrawRow(int y, const uint8_t* indices);
  // Processes messages and waits a little; false when the load must end.
  bool Idle(const std::shared_ptr<kxGifLoadGuard>& guard);
  // IsSupport's work on the stream: the header read into the fields.
  bool ReadScreen(TStream* stream);

  TBitmap* bitmap_ = nullptr;  // the current target, not owned
  HDC dc_ = nullptr;
  int targetWidth_ = 0, targetHeight_ = 0;
  DIBSECTION pixels_{};  // the target's; bmBits null when there are none
  kxGifControlRecord record_;
  // The current block's area: left and top with the offsets added.
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int row_ = 0;
  bool interlaced_ = false;
  bool transparency_ = false;  // in force for the current image
  Block<LOGPALETTE> global_;   // the load's copy of the global table
  Block<LOGPALETTE> local_;    // the current local table, made once a load
  // The current table as target pixels (0x00RRGGBB), black beyond it.
  uint32_t colors_[256] = {};
  // The current row's indices, padded to whole words as a DIB row is.
  std::vector<uint8_t> indices_;
  // The row's header and table for GDI, only while CopyMode is not SRCCOPY.
  Block<BITMAPINFO> imageRow_;
  std::vector<uint32_t> kept_;   // a target row's pixels around a GDI call
  std::vector<uint32_t> saved_;  // disposal 3: the rows of savedArea_
  RECT savedArea_{};
  std::shared_ptr<kxGifLoadGuard> guard_;  // set while a load runs
};

namespace Gif {
// Puts kxvGIF on the design-time palette page "NORDA".
void Register();
}  // namespace Gif
