#include "lib/imaging/Gif.h"

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Streams.h"
#include "lib/core/Memory.h"
#include "lib/imaging/Bitmap.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

// What a load shares with the code that may outlive its parts: the wait
// loop and the handler put into the target bitmap's OnChange slot.
struct kxGifLoadGuard {
  bool ComponentGone = false;
  bool BitmapGone = false;
  // Our own drawing: the bitmap's handler is told once per block instead.
  bool Quiet = false;
  // The load gives the bitmap its handler back: our handler going now is
  // not the bitmap's destruction.
  bool Restoring = false;
  bool Gone() const { return ComponentGone || BitmapGone; }
};

namespace {

const char kInvalid[] = "GIFイメージが不正です";
const char kTooLarge[] = "GIFイメージが大きすぎます";
const char kBusy[] = "GIFイメージを読み込み中です";

// The whole file is read into memory for the reader; larger files are
// refused rather than failing an allocation.
constexpr int64_t kMaxFileBytes = int64_t(256) << 20;
// The longest wait between two polls of a wait loop, in milliseconds.
constexpr DWORD kPollMs = 10;
// The longest time the window goes unanswered inside one image.
constexpr DWORD kAnswerMs = 100;

// Coordinates are kept where adding a 16-bit width cannot overflow.
int ClampCoordinate(int64_t value) {
  return int(std::clamp<int64_t>(value, -(int64_t(1) << 30), int64_t(1) << 30));
}

// Count RGB triples (at most 256) into palette, the other entries zero.
void FillPalette(LOGPALETTE* palette, const uint8_t* rgb, int count) {
  count = std::clamp(count, 0, 256);
  PALETTEENTRY* entries = palette->palPalEntry;
  for (int i = 0; i < count; ++i) {
    entries[i] = PALETTEENTRY{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 0};
  }
  std::memset(entries + count, 0, size_t(256 - count) * sizeof(PALETTEENTRY));
  palette->palNumEntries = WORD(count);
}

// Whether bitmap keeps its pixels as 32-bit 0x00RRGGBB words, the form
// rows are composed in.
bool HoldsWords(HBITMAP bitmap, DIBSECTION& ds) {
  if (!IsDib(bitmap, &ds) || ds.dsBmih.biBitCount != 32 || !ds.dsBm.bmBits) return false;
  if (ds.dsBmih.biCompression == BI_RGB) return true;
  uint32_t masks[3];
  DefaultBmpMasks(32, masks);
  return ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBitfields[0] == masks[0] &&
         ds.dsBitfields[1] == masks[1] && ds.dsBitfields[2] == masks[2];
}

TColor EntryColor(const LOGPALETTE* palette, int index) {
  if (!palette || index < 0 || index >= palette->palNumEntries) return clBlack;
  const PALETTEENTRY& e = palette->palPalEntry[index];
  return TColor(e.peRed | e.peGreen << 8 | e.peBlue << 16);
}

class QuietScope {
public:
  explicit QuietScope(kxGifLoadGuard& guard) : guard_(guard), old_(guard.Quiet) { guard.Quiet = true; }
  ~QuietScope() { guard_.Quiet = old_; }
  QuietScope(const QuietScope&) = delete;
  QuietScope& operator=(const QuietScope&) = delete;

private:
  kxGifLoadGuard& guard_;
  bool old_;
};

// Lives in the handler the load puts into the bitmap's OnChange: the slot
// goes with the bitmap, and so does this.
struct BitmapSentinel {
  std::shared_ptr<kxGifLoadGuard> guard;
  ~BitmapSentinel() {
    if (!guard->Restoring) guard->BitmapGone = true;
  }
};

// For the length of a load: forwards the bitmap's change notices to its
// own handler (except those of our drawing) and notices its destruction.
class BitmapWatch {
public:
  BitmapWatch(TBitmap* bitmap, const std::shared_ptr<kxGifLoadGuard>& guard)
      : bitmap_(bitmap), guard_(guard), original_(bitmap->OnChange) {
    auto sentinel = std::make_shared<BitmapSentinel>();
    sentinel->guard = guard;
    TNotifyEvent original = original_;
    bitmap->OnChange = [sentinel, original](TObject* sender) {
      if (!sentinel->guard->Quiet && original) original(sender);
    };
  }
  ~BitmapWatch() {
    if (guard_->BitmapGone) return;
    guard_->Restoring = true;
    bitmap_->OnChange = original_;
    guard_->Restoring = false;
  }
  BitmapWatch(const BitmapWatch&) = delete;
  BitmapWatch& operator=(const BitmapWatch&) = delete;

private:
  TBitmap* bitmap_;
  std::shared_ptr<kxGifLoadGuard> guard_;
  TNotifyEvent original_;
};

// The file in memory as a stream, for IsSupport.
class MemoryView : public TCustomMemoryStream {
public:
  MemoryView(const void* data, size_t size) {
    SetPointer(const_cast<void*>(data), int32_t(size));
  }
};

template <class F>
class Finally {
public:
  explicit Finally(F f) : f_(f) {}
  ~Finally() { f_(); }
  Finally(const Finally&) = delete;
  Finally& operator=(const Finally&) = delete;

private:
  F f_;
};

}  // namespace

// Hands what the reader finds to the component's steps. After anything
// that runs a handler it tells the reader to stop when the load must end.
class kxGifRenderer : public kxGifSink {
public:
  kxGifRenderer(kxvGIF& gif, kxGifLoadGuard& guard) : gif_(gif), guard_(guard) {}

  bool GraphicControl(const kxGifControl& control) override {
    gif_.LoadGraphicControlExtension(control);
    return true;
  }
  bool PlainText(const kxGifPlainText& text) override {
    gif_.LoadPlaneTextExtension(text);
    return !guard_.Gone();
  }
  bool Comment(const uint8_t* text, size_t length) override {
    gif_.LoadCommentExtension(text, length);
    return !guard_.Gone();
  }
  bool Application(const uint8_t* id, size_t idLength, const uint8_t* data,
                   size_t length) override {
    gif_.LoadApplicationExtension(id, idLength, data, length);
    return !guard_.Gone();
  }
  bool ImageStart(const kxGifImage& image) override {
    gif_.LoadImageDescriptor(image);
    return true;
  }
  bool Row(int y, const uint8_t* indices) override {
    gif_.DrawRow(y, indices);
    // A long image lets the window answer now and then, as the waits do.
    const DWORD now = GetTickCount();
    if (now - answered_ < kAnswerMs) return true;
    answered_ = now;
    ::Application().ProcessMessages();
    if (guard_.Gone()) return false;
    if (::Application().Terminated()) gif_.Stopped = true;
    // A handler may have resized or replaced the bitmap meanwhile.
    gif_.TargetReady();
    return !gif_.Stopped;
  }
  bool ImageEnd(const kxGifImage&, bool) override {
    gif_.FreeRowBitmaps();
    return true;
  }

private:
  kxvGIF& gif_;
  kxGifLoadGuard& guard_;
  DWORD answered_ = GetTickCount();
};

void kxvGIF::FreeDeleter::operator()(void* p) const { std::free(p); }

kxvGIF::kxvGIF(TComponent* owner) : TComponent(owner) {}

kxvGIF::~kxvGIF() {
  // A load waiting in a handler's message processing ends without us.
  if (guard_) guard_->ComponentGone = true;
  SetPalette(nullptr);
}

void kxvGIF::SetPalette(LOGPALETTE* palette) {
  if (palette == Palette) return;
  FreeLogPalette(Palette);
  Palette = palette;
}

RECT kxvGIF::Area() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }

// --- Palettes and row bitmaps ---------------------------------------------

LOGPALETTE* kxvGIF::MakePalette(const uint8_t* rgb, int count) {
  // Room for a whole table; the count is set below.
  LOGPALETTE* palette = NewLogPalette(256);
  if (!palette) throw std::bad_alloc();
  if (rgb) {
    FillPalette(palette, rgb, count);
    return palette;
  }
  PALETTEENTRY* entries = palette->palPalEntry;
  HDC screen = nullptr;
  HDC dc = nullptr;
  if (bitmap_ && !(guard_ && guard_->BitmapGone)) dc = bitmap_->Canvas().Handle();
  if (!dc) dc = screen = GetDC(nullptr);
  UINT n = GetSystemPaletteEntries(dc, 0, 256, entries);
  if (screen) ReleaseDC(nullptr, screen);
  // True-colour displays have no system palette.
  if (n == 0 || n > 256) {
    n = GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 256, entries);
  }
  for (UINT i = 0; i < n; ++i) entries[i].peFlags = 0;
  palette->palNumEntries = WORD(n);
  return palette;
}

BITMAPINFO* kxvGIF::MakeBitmapInfo(int width, int bytesPerPixel, uint8_t** pixels,
                                   const LOGPALETTE* palette) {
  width = std::max(width, 0);
  const size_t table = bytesPerPixel == 1 ? 256 * sizeof(RGBQUAD) : 0;
  const size_t stride = (size_t(width) * size_t(bytesPerPixel) + 3) & ~size_t(3);
  auto* info = static_cast<BITMAPINFO*>(
      std::calloc(1, sizeof(BITMAPINFOHEADER) + table + std::max<size_t>(stride, 4)));
  if (!info) throw std::bad_alloc();
  BITMAPINFOHEADER& h = info->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = 1;
  h.biPlanes = 1;
  h.biBitCount = WORD(8 * bytesPerPixel);
  h.biCompression = BI_RGB;
  if (table && palette) {
    const int n = std::min<int>(palette->palNumEntries, 256);
    for (int i = 0; i < n; ++i) {
      const PALETTEENTRY& e = palette->palPalEntry[i];
      info->bmiColors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
    }
  }
  uint8_t* bits = reinterpret_cast<uint8_t*>(info) + sizeof(BITMAPINFOHEADER) + table;
  if (pixels) *pixels = bits;
  return info;
}

void kxvGIF::FreeRowBitmaps() { imageRow_.reset(); }

// --- Support check and loading -----------------------------------------------

bool kxvGIF::IsSupport(TStream* stream) {
  // The header's fields belong to the load running.
  if (guard_) throw EGifBusy(kBusy);
  return ReadScreen(stream);
}

bool kxvGIF::ReadScreen(TStream* stream) {
  if (!Enable || !stream) return false;
  uint8_t header[13];
  stream->ReadBuffer(header, 6);
  if (std::memcmp(header, "GIF", 3) != 0) return false;
  stream->ReadBuffer(header + 6, 7);
  ScreenWidth = header[6] | header[7] << 8;
  ScreenHeight = header[8] | header[9] << 8;
  const uint8_t packed = header[10];
  ColorResolution = ((packed >> 4) & 7) + 1;
  GlobalTable = (packed & 0x80) != 0;
  if (GlobalTable) {
    const int count = 2 << (packed & 7);
    std::vector<uint8_t> rgb(size_t(count) * 3);
    stream->ReadBuffer(rgb.data(), int32_t(rgb.size()));
    SetPalette(MakePalette(rgb.data(), count));
    BackgroundColor = EntryColor(Palette, header[11]);
  } else {
    SetPalette(MakePalette(nullptr, 0));
  }
  return true;
}

bool kxvGIF::IsSupport(const String& fileName) {
  if (!Enable) return false;
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  return IsSupport(&stream);
}

void kxvGIF::LoadFromFile(const String& fileName, TBitmap* bitmap) {
  if (guard_) throw EGifBusy(kBusy);
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream, bitmap);
}

void kxvGIF::LoadFromStream(TStream* stream, TBitmap* bitmap) {
  // The waits run handlers; a load started from one would draw over this
  // one's state.
  if (guard_) throw EGifBusy(kBusy);
  if (!stream || !bitmap) throw EInvalidGraphic(kInvalid);
  Stopped = false;
  record_ = kxGifControlRecord();

  // The reader works on the file in memory.
  const int64_t start = stream->Position();
  const int64_t size = stream->Size() - start;
  if (size > kMaxFileBytes) throw EInvalidGraphic(kInvalid);
  std::vector<uint8_t> data(size_t(std::max<int64_t>(size, 0)));
  size_t got = 0;
  while (got < data.size()) {
    const int32_t n = stream->Read(data.data() + got, int32_t(data.size() - got));
    if (n <= 0) break;
    got += size_t(n);
  }
  data.resize(got);

  auto guard = std::make_shared<kxGifLoadGuard>();
  guard_ = guard;
  bitmap_ = bitmap;
  // Nothing of ours is touched once we are gone.
  Finally done([this, guard] {
    if (guard->ComponentGone) return;
    FreeRowBitmaps();
    saved_.clear();
    global_.reset();
    local_.reset();
    bitmap_ = nullptr;
    dc_ = nullptr;
    pixels_ = DIBSECTION{};
    guard_.reset();
  });
  BitmapWatch watch(bitmap, guard);

  bool gif = false;
  {
    // A file too short for its header is a malformed file, not a failed
    // read.
    MemoryView view(data.data(), data.size());
    try {
      gif = ReadScreen(&view);
    } catch (const EReadError&) {
      gif = false;
    }
  }
  if (guard->Gone()) return;
  if (!gif) throw EInvalidGraphic(kInvalid);
  // The load's own copy: a handler may take Palette away during a wait.
  global_.reset(MakePalette(nullptr, 0));
  if (Palette) {
    const int n = std::min<int>(Palette->palNumEntries, 256);
    std::memcpy(global_->palPalEntry, Palette->palPalEntry, size_t(n) * sizeof(PALETTEENTRY));
    std::memset(global_->palPalEntry + n, 0, size_t(256 - n) * sizeof(PALETTEENTRY));
    global_->palNumEntries = WORD(n);
  }

  if (!KeepSize || bitmap->Empty()) {
    const int64_t width = int64_t(ScreenWidth) + OffsetX;
    const int64_t height = int64_t(ScreenHeight) + OffsetY;
    if (width > 0 && height > 0 && width * height * 4 > MaxBitmapBytes) {
      throw EInvalidGraphic(kTooLarge);
    }
    QuietScope quiet(*guard);
    try {
      // Made as the section rows are composed into, not converted later.
      if (bitmap->Empty()) bitmap->SetPixelFormat(pf32bit);
      bitmap->SetSize(int(std::max<int64_t>(width, 0)), int(std::max<int64_t>(height, 0)));
    } catch (const EInvalidGraphic&) {
      throw;
    } catch (const Exception&) {
      // The system could not make a bitmap that large.
      throw EInvalidGraphic(kTooLarge);
    }
  }
  if (FillBackground && !bitmap->Empty()) {
    QuietScope quiet(*guard);
    const RECT screen{ClampCoordinate(OffsetX), ClampCoordinate(OffsetY),
                      ClampCoordinate(int64_t(OffsetX) + ScreenWidth),
                      ClampCoordinate(int64_t(OffsetY) + ScreenHeight)};
    bitmap->Canvas().FillRect(screen, BackgroundColor);
  }

  kxGifRenderer renderer(*this, *guard);
  kxGifReader reader(data.data(), data.size(), renderer);
  try {
    reader.ReadHeader();
    while (!Stopped) {
      const kxGifBlock block = reader.ReadBlock();
      if (guard->Gone()) return;
      if (block == gbImage || block == gbPlainText) {
        EndRendering();
        if (guard->Gone()) return;
      } else if (block == gbTrailer || block == gbStopped) {
        break;
      }
    }
  } catch (const EGifError&) {
    throw EInvalidGraphic(kInvalid);
  }
  stream->Seek(start + int64_t(reader.Position()), soBeginning);
}

// --- Blocks -------------------------------------------------------------------

void kxvGIF::LoadGraphicControlExtension(const kxGifControl& control) {
  record_.Size = control.Size;
  record_.Packed = control.Packed;
  record_.Delay = control.Delay;
  record_.TransparentIndex = control.TransparentIndex;
  HasTransparency = control.Transparent;
  if (!Transparent) record_.Packed &= ~1;
  if (!UseDelay) record_.Delay = 0;
}

void kxvGIF::LoadCommentExtension(const uint8_t* text, size_t length) {
  if (!OnComment) return;
  std::vector<char> joined(text, text + length);
  joined.push_back('\0');
  // A copy: the handler may destroy us, and the slot with us.
  kxGifCommentEvent handler = OnComment;
  handler(this, joined.data());
}

void kxvGIF::LoadApplicationExtension(const uint8_t* id, size_t idLength, const uint8_t* data,
                                      size_t length) {
  if (!OnApplication) return;
  std::vector<uint8_t> block(std::max<size_t>(256, 3 + idLength + length + 1), 0);
  block[0] = 0x21;
  block[1] = 0xFF;
  block[2] = uint8_t(idLength);
  if (idLength) std::memcpy(block.data() + 3, id, idLength);
  if (length) std::memcpy(block.data() + 3 + idLength, data, length);
  kxGifApplicationEvent handler = OnApplication;
  handler(this, block.data(), int32_t(length));
}

void kxvGIF::SetTransparentColor(const LOGPALETTE* table) {
  if (HasTransparency) FileTransparentColor = EntryColor(table, record_.TransparentIndex);
  if (TransparentColor == clNone) return;
  const uint32_t* found = nullptr;
  if (table) {
    const auto* words = reinterpret_cast<const uint32_t*>(table->palPalEntry);
    found = FindLong(words, uint32_t(ColorToRGB(TransparentColor)), table->palNumEntries, false);
    if (found) {
      record_.TransparentIndex = uint8_t(found - words);
      // The colour is transparent whether or not the file asked for it.
      if (Transparent) record_.Packed |= 1;
      return;
    }
  }
  record_.Packed &= ~1;
}

bool kxvGIF::TargetReady() {
  dc_ = nullptr;
  targetWidth_ = targetHeight_ = 0;
  pixels_ = DIBSECTION{};
  // bitmap_ is set only while a load runs, and so is guard_.
  if (!bitmap_ || guard_->BitmapGone || bitmap_->Empty()) return false;
  if (!HoldsWords(bitmap_->Handle(), pixels_)) {
    QuietScope quiet(*guard_);
    try {
      bitmap_->SetPixelFormat(pf32bit);
    } catch (const Exception&) {
      // No room for the converted picture.
      throw EInvalidGraphic(kTooLarge);
    }
    if (!HoldsWords(bitmap_->Handle(), pixels_)) pixels_ = DIBSECTION{};
  }
  dc_ = bitmap_->Canvas().Handle();
  targetWidth_ = bitmap_->Width();
  targetHeight_ = bitmap_->Height();
  // What GDI drew (the background, a handler's drawing) is in the memory.
  GdiFlush();
  return true;
}

void kxvGIF::SaveBackground() {
  saved_.clear();
  if (!pixels_.dsBm.bmBits) return;
  const int x0 = std::max(left_, 0), y0 = std::max(top_, 0);
  const int x1 = std::min(left_ + width_, targetWidth_), y1 = std::min(top_ + height_, targetHeight_);
  if (x0 >= x1 || y0 >= y1) return;
  // Only what lies in the target: nothing else is drawn or restored.
  savedArea_ = RECT{x0, y0, x1, y1};
  saved_.reserve(size_t(x1 - x0) * size_t(y1 - y0));
  for (int y = y0; y < y1; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(DibRow(pixels_, y));
    saved_.insert(saved_.end(), row + x0, row + x1);
  }
}

void kxvGIF::RestoreBackground() {
  if (saved_.empty() || !TargetReady() || !pixels_.dsBm.bmBits) return;
  // A handler may have made the target smaller during the wait.
  const RECT& a = savedArea_;
  const int width = a.right - a.left;
  const int x1 = std::min<int>(a.right, targetWidth_), y1 = std::min<int>(a.bottom, targetHeight_);
  if (a.left >= x1) return;
  for (int y = a.top; y < y1; ++y) {
    const uint32_t* from = saved_.data() + size_t(y - a.top) * size_t(width);
    std::copy(from, from + (x1 - a.left), reinterpret_cast<uint32_t*>(DibRow(pixels_, y)) + a.left);
  }
}

void kxvGIF::LoadImageDescriptor(const kxGifImage& image) {
  left_ = ClampCoordinate(int64_t(image.Left) + OffsetX);
  top_ = ClampCoordinate(int64_t(image.Top) + OffsetY);
  width_ = image.Width;
  height_ = image.Height;
  row_ = 0;
  saved_.clear();
  FreeRowBitmaps();
  const LOGPALETTE* table = global_ ? global_.get() : Palette;
  if (image.Local.Count) {
    // One block for every local table of the load: many frames have one.
    if (!local_) local_.reset(MakePalette(nullptr, 0));
    FillPalette(local_.get(), image.Local.Rgb, image.Local.Count);
    table = local_.get();
  }
  const int entries = table ? std::min<int>(table->palNumEntries, 256) : 0;
  for (int i = 0; i < entries; ++i) {
    const PALETTEENTRY& e = table->palPalEntry[i];
    colors_[i] = uint32_t(e.peRed) << 16 | uint32_t(e.peGreen) << 8 | e.peBlue;
  }
  std::fill(colors_ + entries, colors_ + 256, 0u);
  indices_.resize((size_t(width_) + 3) & ~size_t(3));
  if (CopyMode != SRCCOPY) imageRow_.reset(MakeBitmapInfo(width_, 1, nullptr, table));
  SetTransparentColor(table);
  transparency_ = record_.Transparency();
  TargetReady();
  if (record_.Disposal() == 3) SaveBackground();
  interlaced_ = image.Interlaced;
}

void kxvGIF::DrawRow(int y, const uint8_t* indices) {
  row_ = y;
  std::memcpy(indices_.data(), indices, size_t(width_));
  DIBCopy(interlaced_ ? GifInterlaceSpan(y, height_) : 1);
}

void kxvGIF::DIBCopy(int count) {
  if (width_ <= 0 || height_ <= 0 || indices_.size() < size_t(width_)) return;
  const int rows = std::min(count, height_ - row_);
  if (rows <= 0) return;
  const int first = top_ + row_;
  row_ += rows;
  if (!pixels_.dsBm.bmBits) return;
  // Nothing is written outside the target.
  const int x0 = std::max(left_, 0), x1 = std::min(left_ + width_, targetWidth_);
  const int y0 = std::max(first, 0), y1 = std::min(first + rows, targetHeight_);
  if (x0 >= x1 || y0 >= y1) return;
  const int w = x1 - x0;
  const int sx = x0 - left_;
  const uint8_t* from = indices_.data() + sx;
  const uint8_t transparent = record_.TransparentIndex;
  if (imageRow_) {
    if (!transparency_) {
      // One call for the rows an early interlace pass stands for.
      StretchDIBits(dc_, x0, y0, w, y1 - y0, sx, 0, w, 1, indices_.data(), imageRow_.get(),
                    DIB_RGB_COLORS, CopyMode);
      return;
    }
    for (int y = y0; y < y1; ++y) {
      // The operation meets black where the image is opaque; where it is
      // transparent the old pixels are put back afterwards.
      uint32_t* to = reinterpret_cast<uint32_t*>(DibRow(pixels_, y)) + x0;
      kept_.assign(to, to + w);
      for (int i = 0; i < w; ++i) {
        if (from[i] != transparent) to[i] = 0;
      }
      StretchDIBits(dc_, x0, y, w, 1, sx, 0, w, 1, indices_.data(), imageRow_.get(),
                    DIB_RGB_COLORS, CopyMode);
      GdiFlush();
      for (int i = 0; i < w; ++i) {
        if (from[i] == transparent) to[i] = kept_[i];
      }
    }
    return;
  }
  uint32_t* firstRow = reinterpret_cast<uint32_t*>(DibRow(pixels_, y0)) + x0;
  for (int y = y0; y < y1; ++y) {
    uint32_t* to = reinterpret_cast<uint32_t*>(DibRow(pixels_, y)) + x0;
    if (transparency_) {
      // Each row keeps its own pixels behind the transparent ones.
      for (int i = 0; i < w; ++i) {
        if (from[i] != transparent) to[i] = colors_[from[i]];
      }
    } else if (y == y0) {
      for (int i = 0; i < w; ++i) to[i] = colors_[from[i]];
    } else {
      std::copy(firstRow, firstRow + w, to);
    }
  }
}

void kxvGIF::LoadPlaneTextExtension(const kxGifPlainText& text) {
  left_ = ClampCoordinate(int64_t(text.Left) + OffsetX);
  top_ = ClampCoordinate(int64_t(text.Top) + OffsetY);
  width_ = text.Width;
  height_ = text.Height;
  row_ = 0;
  saved_.clear();
  const LOGPALETTE* table = global_ ? global_.get() : Palette;
  SetTransparentColor(table);
  TargetReady();
  if (record_.Disposal() == 3) SaveBackground();
  if (!PlainText || !dc_) return;
  const int cellWidth = text.CellWidth, cellHeight = text.CellHeight;
  // A zero cell would ask for the font's default size.
  if (cellWidth == 0 || cellHeight == 0) return;

  std::shared_ptr<kxGifLoadGuard> guard = guard_ ? guard_ : std::make_shared<kxGifLoadGuard>();
  QuietScope quiet(*guard);
  TCanvas& canvas = bitmap_->Canvas();
  canvas.Font().SetColor(EntryColor(table, text.ForegroundIndex));
  canvas.Font().SetHeight(std::min(cellWidth, cellHeight));
  canvas.Brush().SetColor(EntryColor(table, text.BackgroundIndex));
  canvas.Brush().SetStyle(bsSolid);
  canvas.Pen().SetStyle(psSolid);
  bool glyphs = true;
  if (record_.Transparency()) {
    if (record_.TransparentIndex == text.BackgroundIndex) {
      canvas.Brush().SetStyle(bsClear);
    } else if (record_.TransparentIndex == text.ForegroundIndex) {
      // The pen plays no part in text: a transparent foreground leaves the
      // glyphs out and paints the cells' background alone.
      glyphs = false;
    }
  }
  int x = 0, y = 0;
  for (size_t i = 0; i < text.Length; ++i) {
    if (y + cellHeight > height_) break;  // the grid is full
    const char c = char(text.Text[i]);
    if (c != ' ') {
      if (glyphs) {
        canvas.TextOut(left_ + x, top_ + y, String(1, c));
      } else {
        canvas.FillRect(RECT{left_ + x, top_ + y, left_ + x + cellWidth, top_ + y + cellHeight});
      }
    }
    x += cellWidth;
    if (x + cellWidth > width_) {
      x = 0;
      y += cellHeight;
    }
  }
}

// --- The end of a block: notice, wait, disposal -----------------------------

void kxvGIF::OnTimer(TObject*) { TimerFired = true; }

bool kxvGIF::Idle(const std::shared_ptr<kxGifLoadGuard>& guard) {
  // Sleeps until a message comes (the timer's among them), at most a poll
  // period: OnUserInput is polled, not told.
  MsgWaitForMultipleObjectsEx(0, nullptr, kPollMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  Application().ProcessMessages();
  if (guard->Gone()) return false;
  // The program is ending: so does the playback.
  if (Application().Terminated()) {
    Stopped = true;
    return false;
  }
  return true;
}

void kxvGIF::EndRendering() {
  std::shared_ptr<kxGifLoadGuard> guard = guard_ ? guard_ : std::make_shared<kxGifLoadGuard>();
  kxRect rect(left_, top_, left_ + width_, top_ + height_);
  if (bitmap_ && !guard->BitmapGone && bitmap_->OnChange) {
    // A copy, gone before the check: the bitmap's destruction in the
    // handler is noticed when the last copy of our handler goes.
    {
      TNotifyEvent change = bitmap_->OnChange;
      change(this);
    }
    if (guard->Gone()) return;
  }
  if (OnPaint) {
    {
      kxGifPaintEvent paint = OnPaint;
      paint(this, &rect);
    }
    if (guard->Gone()) return;
  }
  if (!Animate) Stopped = true;

  const kxGifControlRecord record = record_;
  if (record.Delay != 0) {
    // Owned by us: it goes with us if a handler destroys us meanwhile.
    TTimer* timer = new TTimer(this);
    timer->OnTimer = [this](TObject* sender) { OnTimer(sender); };
    TimerFired = false;
    timer->SetInterval(unsigned(record.Delay) * 10u);
    while (!TimerFired && !Stopped) {
      if (!Idle(guard)) break;
      if (TimerFired) break;
      if (record.UserInput() && OnUserInput) {
        bool done;
        {
          kxGifUserInputEvent input = OnUserInput;
          done = input(this);
        }
        if (guard->Gone() || done) break;
      }
    }
    if (guard->ComponentGone) return;
    delete timer;
  } else if (record.UserInput() && OnUserInput) {
    for (;;) {
      bool done;
      {
        kxGifUserInputEvent input = OnUserInput;
        done = input(this);
      }
      if (guard->Gone() || done || Stopped) break;
      if (!Idle(guard)) break;
    }
  }
  if (guard->ComponentGone) return;

  if (bitmap_ && !guard->BitmapGone && !bitmap_->Empty()) {
    QuietScope quiet(*guard);
    if (record.Disposal() == 2) {
      bitmap_->Canvas().FillRect(Area(), BackgroundColor);
    } else if (record.Disposal() == 3) {
      RestoreBackground();
    }
  }
  saved_.clear();
  record_ = kxGifControlRecord();
}

namespace Gif {
void Register() { RegisterComponent<kxvGIF>("NORDA", "kxvGIF"); }
}  // namespace Gif
