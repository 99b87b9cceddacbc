// The window-free GIF decoder against giflib's DGifSlurp, on the same files
// in the same run: a 2000 x 2000 picture with 256 colours, plain and
// interlaced, and a 100-frame 400 x 400 animation, made by the tests' GIF
// writer in memory; and the files another encoder (ImageMagick) made in
// the folder given, which tools/bench fills: a dithered photograph-like
// still, plain and interlaced, a long animation of small partial frames
// (some with a local table) and a black-and-white image. Both decoders
// fill a whole raster per image, as DGifSlurp does; every raster is
// checked against the writer's pixels or giflib's, so a fast wrong decoder
// fails. Native only: giflib is the reference here and nowhere else.
// Each figure is judged on pairs taken in turns (Timing.h).
//   bench_gifdecode [folder [most pairs]]
#include "bench/Timing.h"
#include "lib/imaging/Gifdecode.h"
#include "tests/helpers/GifEncode.h"

#include <gif_lib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
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
  std::vector<Raster> expected;  // empty: giflib's
  double target = 1.0;           // the most of giflib's time
};

Case Still(bool interlaced) {
  GifFrame frame;
  frame.width = frame.height = 2000;
  frame.pixels = GifPicture(2000, 2000, 256, 7);
  frame.interlaced = interlaced;
  GifFile file(2000, 2000, GifPalette(256));
  file.Image(frame);
  return {std::string("2000x2000, 256 colours, ") + (interlaced ? "interlaced" : "plain"),
          file.Bytes(), {frame.pixels}, 1.0};
}

// A file of the other encoder's; empty when it cannot be read.
Case Made(const std::string& folder, const char* name, const std::string& what, double target) {
  std::ifstream in(folder + "/" + name, std::ios::binary);
  GifBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return {what, std::move(bytes), {}, target};
}

Case Animation() {
  GifFile file(400, 400, GifPalette(256));
  file.Application("NETSCAPE2.0", {1, 0, 0});
  Case c{"100 frames of 400x400", {}, {}, 1.0};
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
  const int maxPairs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 51;
  Gate gate;
  std::printf("GIF decoding, in pairs taken in turns (giflib %d.%d.%d DGifSlurp the reference)\n",
              GIFLIB_MAJOR, GIFLIB_MINOR, GIFLIB_RELEASE);
  std::vector<Case> cases = {Still(false), Still(true), Animation()};
  if (argc > 1) {
    const std::string folder = argv[1];
    cases.push_back(Made(folder, "photo.gif", "photograph-like 1200x900, plain", 0.45));
    cases.push_back(Made(folder, "photo-interlaced.gif", "the same, interlaced", 0.45));
    cases.push_back(Made(folder, "animation.gif", "401 partial frames on 480x360", 0.15));
    cases.push_back(Made(folder, "bilevel.gif", "black and white 1200x900", 1.0));
  }
  for (Case& c : cases) {
    if (c.file.empty()) {
      gate.Check(false, c.name + ": no file");
      continue;
    }
    if (c.expected.empty()) {
      c.expected = Giflib(c.file);
      gate.Check(!c.expected.empty(), c.name + ": giflib read no image");
    } else {
      gate.Check(Giflib(c.file) == c.expected, c.name + ": giflib's pixels differ");
    }
    gate.Check(Ours(c.file) == c.expected, c.name + ": our decoder's pixels differ");
    Pairs pairs;
    TakeTurns({&pairs}, maxPairs, [&](int) {
      const double ours = Seconds([&] { Ours(c.file); });
      pairs.Add(ours, Seconds([&] { Giflib(c.file); }));
    });
    std::printf("%-36s %7.2f ms   giflib %7.2f ms   %zu bytes, %zu images\n", c.name.c_str(),
                pairs.Ours() * 1e3, pairs.Reference() * 1e3, c.file.size(), c.expected.size());
    gate.Target(pairs, c.target);
  }
  return gate.Exit();
}
