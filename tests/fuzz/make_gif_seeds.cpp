// Writes the GIF fuzzer's seed corpus, made by the project's own test
// writer: small files that reach every kind of block and code stream.
//   make_gif_seeds <directory>
#include "tests/helpers/GifEncode.h"

#include <cstdio>
#include <string>

namespace {

GifFrame Frame(int width, int height, int colours, uint32_t seed) {
  GifFrame frame;
  frame.width = width;
  frame.height = height;
  frame.pixels = GifPicture(width, height, colours, seed);
  return frame;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_gif_seeds <directory>\n");
    return 2;
  }
  const std::string dir = argv[1];
  int written = 0;
  auto write = [&](const char* name, const GifBytes& bytes) {
    const std::string path = dir + "/" + name + ".gif";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
      std::fprintf(stderr, "make_gif_seeds: cannot write %s\n", path.c_str());
      std::exit(1);
    }
    std::fclose(f);
    ++written;
  };

  GifFile still(16, 12, GifPalette(4), 1, "87a");
  still.Image(Frame(16, 12, 4, 1));
  write("still", still.Bytes());

  GifFile interlaced(20, 19, GifPalette(16));
  GifFrame rows = Frame(20, 19, 16, 2);
  rows.interlaced = true;
  interlaced.Image(rows);
  write("interlaced", interlaced.Bytes());

  GifFile animation(24, 24, GifPalette(8), 2);
  animation.Application("NETSCAPE2.0", {1, 0, 0});
  animation.Comment("seed");
  animation.Control(2, false, true, 3, 5);
  animation.Image(Frame(24, 24, 8, 3));
  GifFrame local = Frame(8, 6, 4, 4);
  local.left = 20;  // partly outside the screen
  local.top = 4;
  local.localTable = GifPalette(4);
  animation.Control(3, true, false, 0, 0);
  animation.Image(local);
  animation.PlainText(0, 0, 24, 8, 4, 8, 1, 0, "ab c");
  write("animation", animation.Bytes());

  GifFrame noisy = Frame(90, 60, 256, 5);
  for (size_t i = 0; i < noisy.pixels.size(); i += 2) noisy.pixels[i] = uint8_t(i * 131 >> 2);
  GifFile full(90, 60, GifPalette(256));
  noisy.lzw.clearWhenFull = false;
  full.Image(noisy);
  write("full-table", full.Bytes());

  GifFile early(30, 30, {});
  GifFrame clears = Frame(30, 30, 2, 6);
  clears.lzw.clearAt = 40;
  clears.lzw.clearFirst = false;
  clears.lzw.endCode = false;
  early.Image(clears);
  write("early-clears", early.Bytes(false));

  GifFile empty(3, 3, GifPalette(2));
  GifFrame none;
  none.minCodeSize = 2;
  empty.Control(0, false, false, 0, 0);
  empty.Image(none);
  write("empty-image", empty.Bytes());

  std::printf("make_gif_seeds: %d seeds in %s\n", written, dir.c_str());
  return 0;
}
