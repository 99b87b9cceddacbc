// The GIF animator drawing into a bitmap, beside a bare reference of the
// same run: the window-free decoder filling a whole raster per image and
// one SetDIBitsToDevice of each raster into the same kind of bitmap (a
// transparent frame's opaque pixels put over the raster of those before).
// A 2000 x 2000 picture with 256 colours, plain and interlaced, and a
// 100-frame 400 x 400 animation played without delays, and the same
// animation with every frame transparent (index 0), all made by the tests'
// GIF writer and held in memory. Both bitmaps are read back and checked
// against the writer's pixels (for transparent frames, the frames composed
// over each other), so a fast wrong drawer fails. Every figure has a target
// of 1.5x and is judged on pairs taken in turns (Timing.h). With a
// folder, also the files another encoder made there (tools/bench fills
// it: a photograph-like still, plain and interlaced, a screen recording of
// partial frames with local tables on some, a black-and-white image),
// where the two bitmaps are checked against each other.
//   bench_gif [folder [most pairs]]
#include "bench/Timing.h"
#include "framework/Streams.h"
#include "lib/imaging/Gif.h"
#include "tests/helpers/GifEncode.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Case {
  std::string name;
  GifBytes file;
  int width, height;
  std::vector<uint8_t> shown;  // what the bitmaps must show: the frames composed
  bool made = false;           // another encoder's: the bitmaps are compared
};

Case Made(const std::string& folder, const char* name, const std::string& what) {
  std::ifstream in(folder + "\\" + name, std::ios::binary);
  GifBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const int width = bytes.size() > 10 ? bytes[6] | bytes[7] << 8 : 0;
  const int height = bytes.size() > 10 ? bytes[8] | bytes[9] << 8 : 0;
  return {what, std::move(bytes), width, height, {}, true};
}

Case Still(bool interlaced) {
  GifFrame frame;
  frame.width = frame.height = 2000;
  frame.pixels = GifPicture(2000, 2000, 256, 7);
  frame.interlaced = interlaced;
  GifFile file(2000, 2000, GifPalette(256));
  file.Image(frame);
  return {std::string("2000x2000, 256 colours, ") + (interlaced ? "interlaced" : "plain"),
          file.Bytes(), 2000, 2000, frame.pixels};
}

// Transparent frames (index 0) show what was behind there: the earlier
// frames, or the background (index 0 of the table, the screen's
// background index).
Case Animation(bool transparent) {
  GifFile file(400, 400, GifPalette(256));
  file.Application("NETSCAPE2.0", {1, 0, 0});
  Case c{std::string("100 frames of 400x400, ") + (transparent ? "transparent" : "opaque"),
         {}, 400, 400, std::vector<uint8_t>(400 * 400, 0)};
  for (int i = 0; i < 100; ++i) {
    GifFrame frame;
    frame.width = frame.height = 400;
    frame.pixels = GifPicture(400, 400, 256, uint32_t(100 + i));
    file.Control(1, false, transparent, 0, 4);
    file.Image(frame);
    for (size_t p = 0; p < c.shown.size(); ++p) {
      if (!transparent || frame.pixels[p] != 0) c.shown[p] = frame.pixels[p];
    }
  }
  c.file = file.Bytes();
  return c;
}

// The reference: rasters in memory, one DIB call per image.
struct Rasters : kxGifSink {
  HDC dc = nullptr;
  struct Info {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  RGBQUAD global[256]{};
  std::vector<uint8_t> raster;
  int width = 0, height = 0, left = 0, top = 0;
  // A transparent image keeps the raster of the one before where its
  // pixels are of this index: the writer's frames share the screen and
  // the table.
  bool transparent = false;
  uint8_t transparentIndex = 0;

  static void Colours(const kxGifColorTable& table, RGBQUAD* colours) {
    for (int i = 0; i < table.Count; ++i) {
      const uint8_t* rgb = table.Rgb + 3 * i;
      colours[i] = RGBQUAD{rgb[2], rgb[1], rgb[0], 0};
    }
  }
  bool Screen(const kxGifScreen& screen) override {
    Colours(screen.Global, global);
    return true;
  }
  bool GraphicControl(const kxGifControl& control) override {
    transparent = control.Transparent;
    transparentIndex = control.TransparentIndex;
    return true;
  }
  bool ImageStart(const kxGifImage& image) override {
    std::memcpy(info.colors, global, sizeof global);
    Colours(image.Local, info.colors);
    width = image.Width, height = image.Height, left = image.Left, top = image.Top;
    const size_t size = size_t((width + 3) & ~3) * height;
    if (!transparent || raster.size() != size) raster.assign(size, 0);
    return true;
  }
  bool Row(int y, const uint8_t* indices) override {
    uint8_t* to = raster.data() + size_t(y) * size_t((width + 3) & ~3);
    if (!transparent) {
      std::memcpy(to, indices, size_t(width));
      return true;
    }
    for (int x = 0; x < width; ++x) {
      if (indices[x] != transparentIndex) to[x] = indices[x];
    }
    return true;
  }
  bool ImageEnd(const kxGifImage&, bool) override {
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = -height;  // top-down, as decoded
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    SetDIBitsToDevice(dc, left, top, DWORD(width), DWORD(height), 0, 0, 0, UINT(height),
                      raster.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    transparent = false;  // a control block is for the image after it
    return true;
  }
};

void Reference(const Case& c, TBitmap& bitmap) {
  bitmap.SetSize(c.width, c.height);
  Rasters sink;
  sink.dc = bitmap.Canvas().Handle();
  DecodeGif(c.file.data(), c.file.size(), sink);
}

struct Bytes : TCustomMemoryStream {
  explicit Bytes(const GifBytes& b) { SetPointer(const_cast<uint8_t*>(b.data()), int32_t(b.size())); }
};

void Ours(kxvGIF& gif, const Case& c, TBitmap& bitmap) {
  Bytes stream(c.file);
  gif.LoadFromStream(&stream, &bitmap);
}

std::vector<uint32_t> Pixels(TBitmap& bitmap, int width, int height) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = -height;
  h.biPlanes = 1;
  h.biBitCount = 32;
  std::vector<uint32_t> pixels(size_t(width) * height);
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bitmap.Handle(), 0, UINT(height), pixels.data(),
                              reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (lines != height) pixels.clear();
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

// Whether the bitmap shows the palette colours of the case's composed
// frames.
bool Shows(TBitmap& bitmap, const Case& c) {
  const std::vector<uint8_t> rgb = GifPalette(256);
  const std::vector<uint32_t> pixels = Pixels(bitmap, c.width, c.height);
  if (pixels.size() != c.shown.size()) return false;
  for (size_t i = 0; i < pixels.size(); ++i) {
    const uint8_t* p = rgb.data() + 3 * c.shown[i];
    if (pixels[i] != (uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2])) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int maxPairs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 51;
  Gate gate;
  std::printf("GIF drawing into a bitmap, in pairs taken in turns (reference: window-free decoding "
              "and one SetDIBitsToDevice per image)\n");
  std::vector<Case> cases = {Still(false), Still(true), Animation(false), Animation(true)};
  if (argc > 1) {
    const std::string folder = argv[1];
    cases.push_back(Made(folder, "photo.gif", "photograph-like 1200x900, plain"));
    cases.push_back(Made(folder, "photo-interlaced.gif", "the same, interlaced"));
    cases.push_back(Made(folder, "animation.gif", "401 partial frames on 480x360"));
    cases.push_back(Made(folder, "bilevel.gif", "black and white 1200x900"));
  }
  for (const Case& c : cases) {
    if (c.width == 0) {
      gate.Check(false, c.name + ": no file");
      continue;
    }
    kxvGIF gif(nullptr);
    gif.UseDelay = false;
    TBitmap mine, theirs;
    Pairs pairs;
    TakeTurns({&pairs}, maxPairs, [&](int) {
      const double ours = Seconds([&] { Ours(gif, c, mine); });
      pairs.Add(ours, Seconds([&] { Reference(c, theirs); }));
    });
    if (c.made) {
      const std::vector<uint32_t> ours = Pixels(mine, c.width, c.height);
      gate.Check(!ours.empty() && ours == Pixels(theirs, c.width, c.height),
                 c.name + ": the component's picture differs from the reference's");
    } else {
      gate.Check(Shows(mine, c), c.name + ": the component's picture is wrong");
      gate.Check(Shows(theirs, c), c.name + ": the reference's picture is wrong");
    }
    std::printf("%-40s %7.1f ms   reference %7.1f ms\n", c.name.c_str(), pairs.Ours() * 1e3,
                pairs.Reference() * 1e3);
    gate.Target(pairs, 1.5);
  }
  return gate.Exit();
}
