// The window-free GIF decoder against giflib's DGifSlurp, on the same files
// in the same run: a 2000 x 2000 picture with 256 colours, plain and
// interlaced, and a 100-frame 400 x 400 animation, all made by the tests'
// GIF writer and held in memory. Both decoders fill a whole raster per
// image, as DGifSlurp does; every raster is checked against the writer's
// pixels, so a fast wrong decoder fails. Native only: giflib is the
// reference here and nowhere else.
// Each figure is judged on pairs taken in turns (Timing.h).
//   bench_gifdecode [most pairs]
#include "bench/Timing.h"
#include "lib/imaging/Gifdecode.h"
#include "tests/helpers/GifEncode.h"

#include <gif_lib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Raster = std::vector<uint8_t>;

// Each image's rows copied into its raster.
struct Rasters : kxGifSink {
  std::vector<Raster> images;
  int width = 0;
  bool ImageStart(const kxGifImage& image) override {
    width = image.Width;
    images.emplace_back(size_t(image.Width) * image.Height);
    return true;
  }
  bool Row(int y, const uint8_t* indices) override {
    std::memcpy(images.back().data() + size_t(y) * size_t(width), indices, size_t(width));
    return true;
  }
};

std::vector<Raster> Ours(const GifBytes& file) {
  Rasters sink;
  DecodeGif(file.data(), file.size(), sink);
  return std::move(sink.images);
}

struct Memory {
  const GifBytes* file;
  size_t at;
};

int ReadMemory(GifFileType* gif, GifByteType* into, int count) {
  Memory& m = *static_cast<Memory*>(gif->UserData);
  const size_t n = std::min(size_t(count), m.file->size() - m.at);
  std::memcpy(into, m.file->data() + m.at, n);
  m.at += n;
  return int(n);
}

std::vector<Raster> Giflib(const GifBytes& file) {
  Memory memory{&file, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&memory, ReadMemory, &error);
  std::vector<Raster> images;
  if (!gif) return images;
  if (DGifSlurp(gif) == GIF_OK) {
    for (int i = 0; i < gif->ImageCount; ++i) {
      const SavedImage& image = gif->SavedImages[i];
      const size_t n = size_t(image.ImageDesc.Width) * size_t(image.ImageDesc.Height);
      images.emplace_back(image.RasterBits, image.RasterBits + n);
    }
  }
  DGifCloseFile(gif, &error);
  return images;
}

struct Case {
  std::string name;
  GifBytes file;
  std::vector<Raster> expected;
};

Case Still(bool interlaced) {
  GifFrame frame;
  frame.width = frame.height = 2000;
  frame.pixels = GifPicture(2000, 2000, 256, 7);
  frame.interlaced = interlaced;
  GifFile file(2000, 2000, GifPalette(256));
  file.Image(frame);
  return {std::string("2000x2000, 256 colours, ") + (interlaced ? "interlaced" : "plain"),
          file.Bytes(), {frame.pixels}};
}

Case Animation() {
  GifFile file(400, 400, GifPalette(256));
  file.Application("NETSCAPE2.0", {1, 0, 0});
  Case c{"100 frames of 400x400", {}, {}};
  for (int i = 0; i < 100; ++i) {
    GifFrame frame;
    frame.width = frame.height = 400;
    frame.pixels = GifPicture(400, 400, 256, uint32_t(100 + i));
    file.Control(1, false, i % 2 == 1, 0, 4);
    file.Image(frame);
    c.expected.push_back(frame.pixels);
  }
  c.file = file.Bytes();
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  const int maxPairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 51;
  Gate gate;
  std::printf("GIF decoding, in pairs taken in turns (giflib %d.%d.%d DGifSlurp the reference)\n",
              GIFLIB_MAJOR, GIFLIB_MINOR, GIFLIB_RELEASE);
  for (const Case& c : {Still(false), Still(true), Animation()}) {
    gate.Check(Ours(c.file) == c.expected, c.name + ": our decoder's pixels differ");
    gate.Check(Giflib(c.file) == c.expected, c.name + ": giflib's pixels differ");
    Pairs pairs;
    TakeTurns({&pairs}, maxPairs, [&](int) {
      const double ours = Seconds([&] { Ours(c.file); });
      pairs.Add(ours, Seconds([&] { Giflib(c.file); }));
    });
    std::printf("%-36s %7.1f ms   giflib %7.1f ms   %zu bytes\n", c.name.c_str(), pairs.Ours() * 1e3,
                pairs.Reference() * 1e3, c.file.size());
    gate.Target(pairs, 1.0);
  }
  return gate.Exit();
}
