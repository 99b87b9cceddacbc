// The GIF animator drawing into a bitmap, beside a bare reference of the
// same run: the window-free decoder filling a whole raster per image and
// one SetDIBitsToDevice of each raster into the same kind of bitmap. A
// 2000 x 2000 picture with 256 colours, plain and interlaced, and a
// 100-frame 400 x 400 animation played without delays, all made by the
// tests' GIF writer and held in memory; the same animation with every
// frame transparent is shown too, without a target (its rows take five
// GDI calls each). Both bitmaps are read back and checked against the
// writer's pixels, so a fast wrong drawer fails. Each figure is judged
// on pairs taken in turns (Timing.h).
//   bench_gif [most pairs]
#include "bench/Timing.h"
#include "framework/Streams.h"
#include "lib/imaging/Gif.h"
#include "tests/helpers/GifEncode.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Case {
  std::string name;
  GifBytes file;
  int width, height;
  std::vector<uint8_t> last;  // the last frame's indices, what the bitmap must show
  bool transparent;           // no target: shown for information
};

Case Still(bool interlaced) {
  GifFrame frame;
  frame.width = frame.height = 2000;
  frame.pixels = GifPicture(2000, 2000, 256, 7);
  frame.interlaced = interlaced;
  GifFile file(2000, 2000, GifPalette(256));
  file.Image(frame);
  return {std::string("2000x2000, 256 colours, ") + (interlaced ? "interlaced" : "plain"),
          file.Bytes(), 2000, 2000, frame.pixels, false};
}

// Transparent frames (index 0) show what was behind there: only the
// opaque cases are checked pixel by pixel.
Case Animation(bool transparent) {
  GifFile file(400, 400, GifPalette(256));
  file.Application("NETSCAPE2.0", {1, 0, 0});
  Case c{std::string("100 frames of 400x400, ") + (transparent ? "transparent" : "opaque"),
         {}, 400, 400, {}, transparent};
  for (int i = 0; i < 100; ++i) {
    GifFrame frame;
    frame.width = frame.height = 400;
    frame.pixels = GifPicture(400, 400, 256, uint32_t(100 + i));
    file.Control(1, false, transparent, 0, 4);
    file.Image(frame);
    c.last = frame.pixels;
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
  std::vector<uint8_t> raster;
  int width = 0, height = 0, left = 0, top = 0;

  bool Screen(const kxGifScreen& screen) override {
    for (int i = 0; i < screen.Global.Count; ++i) {
      const uint8_t* rgb = screen.Global.Rgb + 3 * i;
      info.colors[i] = RGBQUAD{rgb[2], rgb[1], rgb[0], 0};
    }
    return true;
  }
  bool ImageStart(const kxGifImage& image) override {
    width = image.Width, height = image.Height, left = image.Left, top = image.Top;
    raster.assign(size_t((width + 3) & ~3) * height, 0);
    return true;
  }
  bool Row(int y, const uint8_t* indices) override {
    std::memcpy(raster.data() + size_t(y) * size_t((width + 3) & ~3), indices, size_t(width));
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

// Whether the bitmap shows the palette colours of indices.
bool Shows(TBitmap& bitmap, const Case& c) {
  const std::vector<uint8_t> rgb = GifPalette(256);
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = c.width;
  h.biHeight = -c.height;
  h.biPlanes = 1;
  h.biBitCount = 32;
  std::vector<uint32_t> pixels(size_t(c.width) * c.height);
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bitmap.Handle(), 0, UINT(c.height), pixels.data(),
                              reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (lines != c.height) return false;
  for (size_t i = 0; i < pixels.size(); ++i) {
    const uint8_t* p = rgb.data() + 3 * c.last[i];
    const uint32_t want = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    if ((pixels[i] & 0xFFFFFF) != want) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int maxPairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 51;
  Gate gate;
  std::printf("GIF drawing into a bitmap, in pairs taken in turns (reference: window-free decoding "
              "and one SetDIBitsToDevice per image)\n");
  for (const Case& c : {Still(false), Still(true), Animation(false), Animation(true)}) {
    kxvGIF gif(nullptr);
    gif.UseDelay = false;
    TBitmap mine, theirs;
    Pairs pairs;
    TakeTurns({&pairs}, maxPairs, [&](int) {
      const double ours = Seconds([&] { Ours(gif, c, mine); });
      pairs.Add(ours, Seconds([&] { Reference(c, theirs); }));
    });
    if (!c.transparent) {
      gate.Check(Shows(mine, c), c.name + ": the component's picture is wrong");
      gate.Check(Shows(theirs, c), c.name + ": the reference's picture is wrong");
    }
    std::printf("%-40s %7.1f ms   reference %7.1f ms\n", c.name.c_str(), pairs.Ours() * 1e3,
                pairs.Reference() * 1e3);
    if (c.transparent) {
      gate.Print(pairs);
    } else {
      gate.Target(pairs, 1.5);
    }
  }
  return gate.Exit();
}
