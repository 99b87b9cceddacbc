// libFuzzer target: the window-free GIF decoder on arbitrary bytes. A
// malformed file may only end in EGifError; the sink checks what a drawer
// relies on: the screen first, rows inside their image and each row once,
// nothing after a stop. The input is decoded twice: whole, and stopping
// after the number of callbacks its first byte names.
#include "lib/imaging/Gifdecode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

#define CHECK(what) \
  do {              \
    if (!(what)) std::abort(); \
  } while (0)

struct Checker : kxGifSink {
  size_t calls = 0;
  size_t stopAt = 0;  // 0: never
  bool stopped = false, screen = false, inImage = false;
  int width = 0, height = 0, rows = 0, inside = 0;
  std::vector<uint8_t> seen;
  unsigned sum = 0;

  bool Call() {
    CHECK(!stopped);
    ++calls;
    if (calls == stopAt) stopped = true;
    return !stopped;
  }
  bool Screen(const kxGifScreen& s) override {
    CHECK(!screen && calls == 0);
    screen = true;
    for (int i = 0; i < s.Global.Count * 3; ++i) sum += s.Global.Rgb[i];
    return Call();
  }
  bool GraphicControl(const kxGifControl&) override { return Block(); }
  bool PlainText(const kxGifPlainText& t) override {
    for (size_t i = 0; i < t.Length; ++i) sum += t.Text[i];
    return Block();
  }
  bool Comment(const uint8_t* data, size_t length) override {
    for (size_t i = 0; i < length; ++i) sum += data[i];
    return Block();
  }
  bool Application(const uint8_t* id, size_t idLength, const uint8_t* data, size_t length) override {
    for (size_t i = 0; i < idLength; ++i) sum += id[i];
    for (size_t i = 0; i < length; ++i) sum += data[i];
    return Block();
  }
  bool Block() {
    CHECK(screen && !inImage);
    return Call();
  }
  bool ImageStart(const kxGifImage& image) override {
    CHECK(screen && !inImage);
    CHECK(image.MinCodeSize >= 2 && image.MinCodeSize <= 8);
    CHECK(image.InsideRight <= image.Width && image.InsideBottom <= image.Height);
    for (int i = 0; i < image.Local.Count * 3; ++i) sum += image.Local.Rgb[i];
    inImage = true;
    width = image.Width;
    height = image.Height;
    rows = 0;
    // Only the rows on the screen come.
    inside = image.InsideRight > 0 ? image.InsideBottom : 0;
    seen.assign(size_t(height), 0);
    return Call();
  }
  bool Row(int y, const uint8_t* indices) override {
    CHECK(inImage && y >= 0 && y < inside && !seen[size_t(y)]);
    seen[size_t(y)] = 1;
    ++rows;
    for (int x = 0; x < width; ++x) sum += indices[x];
    return Call();
  }
  bool ImageEnd(const kxGifImage& image, bool complete) override {
    CHECK(inImage && image.Width == width && image.Height == height);
    // Incomplete images may still have had all their rows, the last one
    // filled up with index 0.
    CHECK(!complete || rows == inside || width == 0 || height == 0);
    inImage = false;
    return Call();
  }
};

void Run(const uint8_t* data, size_t size, size_t stopAt) {
  Checker checker;
  checker.stopAt = stopAt;
  try {
    const bool finished = DecodeGif(data, size, checker);
    CHECK(finished == !checker.stopped);
  } catch (const EGifError&) {
    CHECK(!checker.stopped);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run(data, size, 0);
  if (size > 0) Run(data, size, data[0] % 16 + 1);
  return 0;
}
