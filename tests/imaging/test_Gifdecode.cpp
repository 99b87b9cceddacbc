#include "lib/imaging/Gifdecode.h"

#include "tests/helpers/GifEncode.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

// Everything the reader hands over, and each image rebuilt from its rows.
// Pixels never delivered read 0xEE. It can stop at its n-th callback.
struct Recorder : kxGifSink {
  struct Picture {
    kxGifImage image;
    std::vector<uint8_t> local;  // the local table's bytes
    std::vector<uint8_t> pixels;
    std::vector<int> order;  // y of each row as delivered
    bool ended = false, complete = false;
  };
  std::vector<std::string> calls;
  kxGifScreen screen;
  std::vector<uint8_t> global;
  std::vector<kxGifControl> controls;
  std::vector<kxGifPlainText> texts;
  std::vector<std::string> plainTexts, comments, appIds, appData;
  std::vector<Picture> pictures;
  size_t stopAt = size_t(-1);

  bool Go(const std::string& call) {
    calls.push_back(call);
    return calls.size() != stopAt;
  }
  bool Screen(const kxGifScreen& s) override {
    screen = s;
    global.assign(s.Global.Rgb, s.Global.Rgb + s.Global.Count * 3);
    return Go("screen");
  }
  bool GraphicControl(const kxGifControl& c) override {
    controls.push_back(c);
    return Go("control");
  }
  bool PlainText(const kxGifPlainText& t) override {
    texts.push_back(t);
    plainTexts.emplace_back(t.Text, t.Text + t.Length);
    return Go("text");
  }
  bool Comment(const uint8_t* data, size_t length) override {
    comments.emplace_back(data, data + length);
    return Go("comment");
  }
  bool Application(const uint8_t* id, size_t idLength, const uint8_t* data,
                   size_t length) override {
    appIds.emplace_back(id, id + idLength);
    appData.emplace_back(data, data + length);
    return Go("application");
  }
  bool ImageStart(const kxGifImage& image) override {
    Picture p;
    p.image = image;
    p.local.assign(image.Local.Rgb, image.Local.Rgb + image.Local.Count * 3);
    p.pixels.assign(size_t(image.Width) * image.Height, 0xEE);
    pictures.push_back(p);
    return Go("image");
  }
  bool Row(int y, const uint8_t* indices) override {
    Picture& p = pictures.back();
    if (y < 0 || y >= p.image.Height) {
      ADD_FAILURE() << "row " << y << " outside an image of height " << p.image.Height;
      return false;
    }
    std::copy(indices, indices + p.image.Width, p.pixels.begin() + long(y) * p.image.Width);
    p.order.push_back(y);
    return Go("row");
  }
  bool ImageEnd(const kxGifImage&, bool complete) override {
    pictures.back().ended = true;
    pictures.back().complete = complete;
    return Go("end");
  }
};

// Decodes a whole file; true when it reached the trailer.
bool Decode(const GifBytes& file, Recorder& sink) {
  kxGifReader reader(file.data(), file.size(), sink);
  return reader.Decode();
}

GifFrame Frame(int width, int height, int colours, uint32_t seed) {
  GifFrame frame;
  frame.width = width;
  frame.height = height;
  frame.pixels = GifPicture(width, height, colours, seed);
  return frame;
}

GifBytes OneImage(const GifFrame& frame, int screenWidth = 0, int screenHeight = 0) {
  GifFile file(screenWidth ? screenWidth : frame.width, screenHeight ? screenHeight : frame.height,
               GifPalette(256));
  file.Image(frame);
  return file.Bytes();
}

// A file of one 4 x 2 image whose code stream is given code by code.
GifBytes HandMadeCodes(const GifBits& codes, int minCodeSize = 2, int width = 4, int height = 2) {
  GifFile file(width, height, GifPalette(4));
  file.Raw({0x2C, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8), uint8_t(height),
            uint8_t(height >> 8), 0, uint8_t(minCodeSize)});
  GifBytes data;
  GifSubBlocks(data, codes.Bytes());
  file.Raw(data);
  return file.Bytes();
}

std::vector<int> Rows(int from, int to) {
  std::vector<int> rows;
  for (int y = from; y < to; ++y) rows.push_back(y);
  return rows;
}

}  // namespace

// --- Files as a writer makes them: every pixel back -------------------------

TEST(GifDecode, StillImagesComeBackPixelForPixelAtEveryCodeSize) {
  struct Case {
    int width, height, colours, blockSize;
  };
  for (Case c : {Case{1, 1, 2, 255}, Case{7, 3, 4, 255}, Case{64, 64, 16, 1}, Case{300, 70, 256, 255},
                 Case{33, 200, 128, 17}, Case{513, 9, 64, 255}}) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " " << c.colours);
    GifFrame frame = Frame(c.width, c.height, c.colours, uint32_t(c.width));
    GifFile file(c.width, c.height, GifPalette(c.colours), 3);
    file.Raw({0x2C, 0, 0, 0, 0, uint8_t(c.width), uint8_t(c.width >> 8), uint8_t(c.height),
              uint8_t(c.height >> 8), 0});
    int minSize = 2;
    while ((1 << minSize) < c.colours) ++minSize;
    GifBytes data = {uint8_t(minSize)};
    GifSubBlocks(data, GifLzw(frame.pixels.data(), frame.pixels.size(), minSize), size_t(c.blockSize));
    file.Raw(data);
    Recorder sink;
    EXPECT_TRUE(Decode(file.Bytes(), sink));
    EXPECT_EQ(sink.screen.Width, c.width);
    EXPECT_EQ(sink.screen.BackgroundIndex, 3);
    EXPECT_EQ(sink.global, GifPalette(c.colours));
    ASSERT_EQ(sink.pictures.size(), 1u);
    EXPECT_EQ(sink.pictures[0].pixels, frame.pixels);
    EXPECT_EQ(sink.pictures[0].order, Rows(0, c.height));
    EXPECT_TRUE(sink.pictures[0].complete);
    EXPECT_EQ(sink.pictures[0].image.MinCodeSize, minSize);
  }
}

TEST(GifDecode, InterlacedRowsArriveInPassOrderWithTheirTrueRow) {
  for (int height : {1, 2, 3, 4, 5, 8, 9, 17, 100}) {
    SCOPED_TRACE(height);
    GifFrame frame = Frame(23, height, 32, uint32_t(height));
    frame.interlaced = true;
    Recorder sink;
    EXPECT_TRUE(Decode(OneImage(frame), sink));
    ASSERT_EQ(sink.pictures.size(), 1u);
    EXPECT_TRUE(sink.pictures[0].image.Interlaced);
    EXPECT_EQ(sink.pictures[0].pixels, frame.pixels);
    EXPECT_EQ(sink.pictures[0].order, GifInterlaceOrder(height));
  }
  Recorder five;
  GifFrame frame = Frame(4, 5, 4, 1);
  frame.interlaced = true;
  Decode(OneImage(frame), five);
  EXPECT_EQ(five.pictures[0].order, (std::vector<int>{0, 4, 2, 1, 3}));
}

TEST(GifDecode, InterlaceSpanCoversTheRowsLaterPassesFill) {
  EXPECT_EQ(GifInterlaceSpan(0, 100), 8);
  EXPECT_EQ(GifInterlaceSpan(4, 100), 4);
  EXPECT_EQ(GifInterlaceSpan(2, 100), 2);
  EXPECT_EQ(GifInterlaceSpan(6, 100), 2);
  EXPECT_EQ(GifInterlaceSpan(7, 100), 1);
  // Never past the image: a height of 5 has row 0 stand for rows 0 to 4.
  EXPECT_EQ(GifInterlaceSpan(0, 5), 5);
  EXPECT_EQ(GifInterlaceSpan(2, 3), 1);
}

TEST(GifDecode, AnimationHandsOverEveryBlockInFileOrder) {
  GifFile file(40, 30, GifPalette(16), 5);
  file.Application("NETSCAPE2.0", {1, 0, 0});
  file.Comment(std::string(600, 'c'));
  GifFrame first = Frame(40, 30, 16, 1);
  file.Control(1, false, false, 0, 10);
  file.Image(first);
  GifFrame second = Frame(10, 12, 4, 2);
  second.left = 20;
  second.top = 15;
  second.localTable = GifPalette(4);
  file.Control(2, true, true, 3, 25);
  file.Image(second);
  file.Control(3, false, false, 0, 0);
  file.PlainText(1, 2, 30, 8, 6, 8, 7, 0, "Hi there");
  Recorder sink;
  ASSERT_TRUE(Decode(file.Bytes(), sink));
  std::vector<std::string> blocks;
  for (const std::string& call : sink.calls) {
    if (call != "row") blocks.push_back(call);
  }
  EXPECT_EQ(blocks, (std::vector<std::string>{"screen", "application", "comment", "control", "image",
                                              "end", "control", "image", "end", "control", "text"}));
  EXPECT_EQ(sink.appIds[0], "NETSCAPE2.0");
  EXPECT_EQ(sink.appData[0], std::string("\1\0\0", 3));
  EXPECT_EQ(sink.comments[0], std::string(600, 'c'));
  ASSERT_EQ(sink.controls.size(), 3u);
  EXPECT_EQ(sink.controls[0].Disposal, 1);
  EXPECT_EQ(sink.controls[0].Delay, 10);
  EXPECT_FALSE(sink.controls[0].Transparent);
  EXPECT_EQ(sink.controls[1].Disposal, 2);
  EXPECT_TRUE(sink.controls[1].UserInput);
  EXPECT_TRUE(sink.controls[1].Transparent);
  EXPECT_EQ(sink.controls[1].TransparentIndex, 3);
  EXPECT_EQ(sink.controls[1].Delay, 25);
  EXPECT_EQ(sink.controls[1].Size, 4);
  ASSERT_EQ(sink.pictures.size(), 2u);
  EXPECT_EQ(sink.pictures[0].pixels, first.pixels);
  EXPECT_EQ(sink.pictures[1].pixels, second.pixels);
  EXPECT_EQ(sink.pictures[1].image.Left, 20);
  EXPECT_EQ(sink.pictures[1].image.Top, 15);
  EXPECT_EQ(sink.pictures[1].local, GifPalette(4));
  EXPECT_TRUE(sink.pictures[0].local.empty());
  const kxGifPlainText& text = sink.texts[0];
  EXPECT_EQ(sink.plainTexts[0], "Hi there");
  EXPECT_EQ(text.Left, 1);
  EXPECT_EQ(text.Top, 2);
  EXPECT_EQ(text.Width, 30);
  EXPECT_EQ(text.Height, 8);
  EXPECT_EQ(text.CellWidth, 6);
  EXPECT_EQ(text.CellHeight, 8);
  EXPECT_EQ(text.ForegroundIndex, 7);
  EXPECT_EQ(text.BackgroundIndex, 0);
}

// The decoder keeps one string table across images and writes strings
// into a buffer of several rows: an image of a larger code size after a
// smaller one, strings far longer than a row, and images whose rows
// outgrow the buffer all come back pixel for pixel.
TEST(GifDecode, EveryImageOfAFileComesBackWhateverCameBefore) {
  GifFile file(3000, 6000, GifPalette(256));
  std::vector<GifFrame> frames;
  for (const int colours : {4, 256, 2, 64, 256}) {
    frames.push_back(Frame(37, 23, colours, uint32_t(colours)));
  }
  GifFrame flat;  // runs of up to 2,000 pixels: strings of hundreds
  flat.width = 1;
  flat.height = 6000;
  for (int i = 0; i < 6000; ++i) flat.pixels.push_back(uint8_t(i / 2000 * 50 + (i % 97 == 0)));
  frames.push_back(flat);
  frames.push_back(Frame(3000, 60, 256, 9));  // 180,000 pixels
  frames.back().interlaced = true;
  GifFrame rows = flat;
  rows.width = 3000;
  rows.height = 2;
  frames.push_back(rows);
  for (const GifFrame& frame : frames) file.Image(frame);
  Recorder sink;
  ASSERT_TRUE(Decode(file.Bytes(), sink));
  ASSERT_EQ(sink.pictures.size(), frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(sink.pictures[i].pixels, frames[i].pixels) << "image " << i;
    EXPECT_TRUE(sink.pictures[i].complete) << "image " << i;
  }
}

TEST(GifDecode, ReadBlockTakesOneBlockAtATime) {
  GifFile file(8, 8, GifPalette(4));
  file.Control(0, false, true, 1, 5);
  file.Image(Frame(8, 8, 4, 3));
  file.Comment("x");
  const GifBytes bytes = file.Bytes();
  Recorder sink;
  kxGifReader reader(bytes.data(), bytes.size(), sink);
  ASSERT_TRUE(reader.ReadHeader());
  EXPECT_EQ(sink.calls, std::vector<std::string>{"screen"});
  EXPECT_EQ(std::string(reader.Screen().Version), "89a");
  EXPECT_EQ(reader.ReadBlock(), gbGraphicControl);
  EXPECT_EQ(sink.calls.size(), 2u);
  EXPECT_EQ(reader.ReadBlock(), gbImage);
  EXPECT_EQ(sink.calls.size(), 2u + 1 + 8 + 1);
  EXPECT_EQ(reader.ReadBlock(), gbComment);
  EXPECT_EQ(reader.ReadBlock(), gbTrailer);
  EXPECT_EQ(reader.Position(), bytes.size());
  EXPECT_EQ(reader.ReadBlock(), gbTrailer);
  EXPECT_EQ(sink.calls.size(), 13u);
}

TEST(GifDecode, CodeStreamsOfEveryShapeAWriterMayChoose) {
  // A noisy picture fills the table many times over.
  GifFrame noisy = Frame(200, 150, 256, 9);
  for (size_t i = 0; i < noisy.pixels.size(); i += 3) noisy.pixels[i] = uint8_t(i * 7919 >> 3);
  struct Case {
    const char* what;
    GifLzwOptions options;
  };
  GifLzwOptions noClear;
  noClear.clearFirst = false;
  GifLzwOptions keepFull;  // deferred clear: 12-bit codes on a full table
  keepFull.clearWhenFull = false;
  GifLzwOptions early;
  early.clearAt = 300;
  GifLzwOptions noEnd;
  noEnd.endCode = false;
  for (const Case& c : {Case{"plain", GifLzwOptions()}, Case{"no first clear", noClear},
                        Case{"full table kept", keepFull}, Case{"early clears", early},
                        Case{"no end code", noEnd}}) {
    SCOPED_TRACE(c.what);
    GifFrame frame = noisy;
    frame.lzw = c.options;
    Recorder sink;
    EXPECT_TRUE(Decode(OneImage(frame), sink));
    ASSERT_EQ(sink.pictures.size(), 1u);
    EXPECT_EQ(sink.pictures[0].pixels, frame.pixels);
    EXPECT_TRUE(sink.pictures[0].complete);
  }
  // One colour: strings grow to thousands of pixels and run over many
  // narrow rows.
  GifFrame flat;
  flat.width = 3;
  flat.height = 5000;
  flat.pixels.assign(15000, 1);
  for (bool interlaced : {false, true}) {
    flat.interlaced = interlaced;
    Recorder sink;
    EXPECT_TRUE(Decode(OneImage(flat), sink));
    EXPECT_EQ(sink.pictures[0].pixels, flat.pixels);
  }
}

TEST(GifDecode, StringsOlderOrLongerThanTheRowBufferComeBackWhole) {
  // Each image is more than the rows held at a time: the strings the table
  // points into move with the rows, apart from them once a full table is
  // kept, or grow the buffer when one table's strings cover the image.
  GifFile file(1200, 1000, GifPalette(256));
  std::vector<GifFrame> frames;
  frames.push_back(Frame(640, 400, 256, 4));
  for (size_t i = 0; i < frames[0].pixels.size(); i += 5) frames[0].pixels[i] = uint8_t(i * 31 >> 2);
  frames[0].lzw.clearWhenFull = false;
  GifFrame flat;  // one table of strings up to 1,500 pixels long
  flat.width = 1200;
  flat.height = 1000;
  flat.pixels.assign(1200 * 1000, 3);
  frames.push_back(flat);
  // Then small images of other code sizes start from roots and codes of
  // their own.
  frames.push_back(Frame(9, 7, 4, 1));
  frames.push_back(Frame(9, 7, 256, 2));
  for (const GifFrame& frame : frames) file.Image(frame);
  Recorder sink;
  ASSERT_TRUE(Decode(file.Bytes(), sink));
  ASSERT_EQ(sink.pictures.size(), frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_TRUE(sink.pictures[i].pixels == frames[i].pixels) << "image " << i;
    EXPECT_TRUE(sink.pictures[i].complete) << "image " << i;
  }
}

TEST(GifDecode, ClearAndEndCodesRightAfterAClearOrAmongEntries) {
  // Minimum size 2: clear 4, end 5; the 4 x 2 image's row 0 only.
  const auto row0 = [](const GifBits& codes) {
    Recorder sink;
    EXPECT_TRUE(Decode(HandMadeCodes(codes), sink));
    EXPECT_FALSE(sink.pictures[0].complete);
    return std::vector<uint8_t>(sink.pictures[0].pixels.begin(), sink.pictures[0].pixels.begin() + 4);
  };
  GifBits endFirst;  // nothing decoded: no row
  endFirst.Put(4, 3);
  endFirst.Put(5, 3);
  EXPECT_EQ(row0(endFirst), std::vector<uint8_t>(4, 0xEE));
  GifBits twice;  // clear, clear, 1, 2, [1 2] (4-bit codes on), end
  for (int code : {4, 4, 1, 2, 6}) twice.Put(code, 3);
  twice.Put(5, 4);
  EXPECT_EQ(row0(twice), (std::vector<uint8_t>{1, 2, 1, 2}));
  GifBits endAfterClear;  // entries made, a clear, then the end
  for (int code : {4, 1, 2, 4, 5}) endAfterClear.Put(code, 3);
  EXPECT_EQ(row0(endAfterClear), (std::vector<uint8_t>{1, 2, 0, 0}));
}

TEST(GifDecode, TheSinkStopsTheReaderAtAnyCallback) {
  GifFile file(16, 16, GifPalette(4));
  file.Application("NETSCAPE2.0", {1});
  file.Comment("c");
  file.Control(0, false, false, 0, 0);
  file.Image(Frame(16, 16, 4, 1));
  file.PlainText(0, 0, 16, 16, 8, 8, 1, 0, "t");
  file.Image(Frame(16, 16, 4, 2));
  const GifBytes bytes = file.Bytes();
  Recorder all;
  Decode(bytes, all);
  for (size_t n = 1; n <= all.calls.size(); ++n) {
    SCOPED_TRACE(all.calls[n - 1]);
    Recorder sink;
    sink.stopAt = n;
    kxGifReader reader(bytes.data(), bytes.size(), sink);
    EXPECT_FALSE(reader.Decode());
    EXPECT_EQ(sink.calls.size(), n);
    EXPECT_EQ(reader.ReadBlock(), gbStopped);
    EXPECT_EQ(sink.calls.size(), n);
  }
}

// --- Fields at and past their limits -----------------------------------------

TEST(GifDecode, HeaderAcceptsAnyVersionButNotAnotherSignature) {
  for (const char* version : {"87a", "89a", "99z"}) {
    GifFile file(2, 2, {}, 0, version);
    Recorder sink;
    EXPECT_TRUE(Decode(file.Bytes(), sink));
    EXPECT_EQ(std::string(sink.screen.Version), version);
    EXPECT_EQ(sink.screen.Global.Count, 0);
    EXPECT_EQ(sink.screen.Global.Rgb, nullptr);
    EXPECT_EQ(sink.screen.ColorResolution, 8);
  }
  GifBytes bad = GifFile(2, 2, {}).Bytes();
  bad[0] = 'J';
  Recorder sink;
  EXPECT_THROW(Decode(bad, sink), EGifError);
  EXPECT_TRUE(sink.calls.empty());
  // The header alone, no block and no trailer: an empty picture.
  GifBytes bare = GifFile(5, 6, GifPalette(2)).Bytes(false);
  Recorder empty;
  EXPECT_TRUE(Decode(bare, empty));
  EXPECT_EQ(empty.calls, std::vector<std::string>{"screen"});
  EXPECT_EQ(empty.screen.Height, 6);
}

TEST(GifDecode, GraphicControlOfAnyBlockSize) {
  // Longer than 4: the four fields, the rest skipped; the next block reads.
  GifFile longer(2, 2, {});
  longer.Raw({0x21, 0xF9, 7, 0x09, 0x34, 0x12, 0x05, 0xAA, 0xBB, 0xCC, 0});
  longer.Comment("after");
  Recorder sink;
  ASSERT_TRUE(Decode(longer.Bytes(), sink));
  ASSERT_EQ(sink.controls.size(), 1u);
  EXPECT_EQ(sink.controls[0].Size, 7);
  EXPECT_EQ(sink.controls[0].Disposal, 2);
  EXPECT_TRUE(sink.controls[0].Transparent);
  EXPECT_EQ(sink.controls[0].Delay, 0x1234);
  EXPECT_EQ(sink.controls[0].TransparentIndex, 5);
  EXPECT_EQ(sink.comments, std::vector<std::string>{"after"});
  // Shorter, with stray sub-blocks after it, and empty: a size byte of 0,
  // no fields, then the terminator, like any other size.
  GifFile shorter(2, 2, {});
  shorter.Raw({0x21, 0xF9, 2, 0x01, 0x10, 3, 'a', 'b', 'c', 0});
  shorter.Raw({0x21, 0xF9, 0, 0});
  // The other extensions with a fixed block of 0 bytes, likewise.
  shorter.Raw({0x21, 0x01, 0, 0});
  shorter.Raw({0x21, 0xFF, 0, 0});
  shorter.Comment("after");
  Recorder two;
  ASSERT_TRUE(Decode(shorter.Bytes(), two));
  ASSERT_EQ(two.controls.size(), 2u);
  EXPECT_EQ(two.controls[0].Delay, 0x10);
  EXPECT_EQ(two.controls[0].TransparentIndex, 0);
  EXPECT_EQ(two.controls[1].Packed, 0);
  EXPECT_EQ(two.comments, std::vector<std::string>{"after"});
}

TEST(GifDecode, EmptyImagesDeliverTheirDescriptorAndNoRows) {
  for (auto [width, height] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
    GifFile file(8, 8, GifPalette(4));
    GifFrame empty;
    empty.width = width;
    empty.height = height;
    empty.minCodeSize = 2;
    file.Image(empty);
    // Stray codes in an empty image's data are dropped.
    file.Raw({0x2C, 0, 0, 0, 0, uint8_t(width), 0, uint8_t(height), 0, 0, 2, 2, 0x4C, 0x01, 0});
    file.Image(Frame(8, 8, 4, 1));
    Recorder sink;
    ASSERT_TRUE(Decode(file.Bytes(), sink));
    ASSERT_EQ(sink.pictures.size(), 3u);
    EXPECT_TRUE(sink.pictures[0].order.empty());
    EXPECT_TRUE(sink.pictures[1].order.empty());
    EXPECT_TRUE(sink.pictures[1].complete);
    EXPECT_EQ(sink.pictures[2].pixels, Frame(8, 8, 4, 1).pixels);
  }
}

TEST(GifDecode, OnlyTheRowsOnTheScreenComeAndTheyComeWhole) {
  GifFrame frame = Frame(10, 6, 4, 2);
  frame.left = 15;
  frame.top = 17;
  GifFile file(20, 20, GifPalette(4));
  file.Image(frame);
  frame.left = 30;  // wholly outside
  file.Image(frame);
  Recorder sink;
  ASSERT_TRUE(Decode(file.Bytes(), sink));
  const kxGifImage& part = sink.pictures[0].image;
  EXPECT_EQ(part.InsideLeft, 0);
  EXPECT_EQ(part.InsideRight, 5);
  EXPECT_EQ(part.InsideTop, 0);
  EXPECT_EQ(part.InsideBottom, 3);
  const auto first = [](const std::vector<uint8_t>& pixels, size_t n) {
    return std::vector<uint8_t>(pixels.begin(), pixels.begin() + long(n));
  };
  EXPECT_EQ(sink.pictures[0].order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(first(sink.pictures[0].pixels, 30), first(frame.pixels, 30));
  EXPECT_TRUE(sink.pictures[0].complete);
  const kxGifImage& outside = sink.pictures[1].image;
  EXPECT_EQ(outside.InsideRight, 0);
  EXPECT_EQ(outside.InsideBottom, 3);
  EXPECT_TRUE(sink.pictures[1].order.empty());
  EXPECT_TRUE(sink.pictures[1].complete);
  // Interlaced, the passes' rows on the screen, each once.
  GifFrame tall = Frame(4, 40, 4, 3);
  tall.interlaced = true;
  GifFile interlaced(4, 11, GifPalette(4));
  interlaced.Image(tall);
  Recorder rows;
  ASSERT_TRUE(Decode(interlaced.Bytes(), rows));
  std::vector<int> order = rows.pictures[0].order;
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(first(rows.pictures[0].pixels, 44), first(tall.pixels, 44));
}

TEST(GifDecode, AnImageFarLargerThanTheScreenIsDecodedOnlyAsFarAsTheScreen) {
  const GifFrame big = Frame(1000, 1000, 256, 5);
  struct RowCount : kxGifSink {
    int rows = 0;
    bool complete = false;
    bool Row(int, const uint8_t*) override { return ++rows, true; }
    bool ImageEnd(const kxGifImage&, bool done) override { return complete = done, true; }
  } count;
  const GifBytes bytes = OneImage(big, 16, 16);
  EXPECT_TRUE(DecodeGif(bytes.data(), bytes.size(), count));
  EXPECT_EQ(count.rows, 16);
  EXPECT_TRUE(count.complete);
}

TEST(GifDecode, HugeScreensAndRowsCostOnlyARow) {
  // A screen of 65535 x 65535 with a small image: nothing is made for the
  // screen.
  GifFrame small = Frame(3, 3, 4, 1);
  Recorder sink;
  EXPECT_TRUE(Decode(OneImage(small, 65535, 65535), sink));
  EXPECT_EQ(sink.screen.Width, 65535);
  EXPECT_EQ(sink.screen.Height, 65535);
  EXPECT_EQ(sink.pictures[0].pixels, small.pixels);
  // An image claiming 65535 x 65535 with a few bytes of data: one row is
  // delivered, the rest is missing.
  GifBits codes;
  codes.Put(4, 3);
  codes.Put(1, 3);
  codes.Put(1, 3);
  struct RowCount : kxGifSink {
    int rows = 0, y = -1, first = -1, last = -1;
    bool complete = true;
    bool Row(int row, const uint8_t* indices) override {
      ++rows;
      y = row;
      first = indices[0];
      last = indices[65534];
      return true;
    }
    bool ImageEnd(const kxGifImage&, bool done) override {
      complete = done;
      return true;
    }
  } count;
  const GifBytes bytes = HandMadeCodes(codes, 2, 65535, 65535);
  EXPECT_TRUE(DecodeGif(bytes.data(), bytes.size(), count));
  EXPECT_EQ(count.rows, 1);
  EXPECT_EQ(count.y, 0);
  EXPECT_EQ(count.first, 1);
  EXPECT_EQ(count.last, 0);
  EXPECT_FALSE(count.complete);
}

TEST(GifDecode, IndicesBeyondTheColourTableAreDeliveredAsTheyAre) {
  GifFrame frame;
  frame.width = 4;
  frame.height = 1;
  frame.pixels = {0, 1, 200, 255};
  GifFile file(4, 1, GifPalette(2));
  file.Image(frame);
  Recorder sink;
  ASSERT_TRUE(Decode(file.Bytes(), sink));
  EXPECT_EQ(sink.pictures[0].pixels, frame.pixels);
}

// --- Broken code streams -------------------------------------------------------

TEST(GifDecode, CodesBeyondTheTableAreErrors) {
  // Minimum size 2: clear 4, end 5, first free 6, 3-bit codes.
  GifBits beyond;  // 7 while 6 is the next free entry
  beyond.Put(4, 3);
  beyond.Put(1, 3);
  beyond.Put(7, 3);
  Recorder sink;
  EXPECT_THROW(Decode(HandMadeCodes(beyond), sink), EGifError);
  GifBits nothingBefore;  // the next free entry right after a clear
  nothingBefore.Put(4, 3);
  nothingBefore.Put(6, 3);
  EXPECT_THROW(Decode(HandMadeCodes(nothingBefore), sink), EGifError);
  // Rows are handed over several at a time: those before the fault still
  // come, before the error.
  GifBits late;
  late.Put(4, 3);
  late.Put(1, 3);
  late.Put(2, 3);
  late.Put(3, 3);  // the table reaches 8: 4-bit codes
  late.Put(2, 4);
  late.Put(15, 4);
  Recorder rows;
  EXPECT_THROW(Decode(HandMadeCodes(late, 2, 2, 3), rows), EGifError);
  ASSERT_EQ(rows.pictures.size(), 1u);
  EXPECT_EQ(rows.pictures[0].order, (std::vector<int>{0, 1}));
  EXPECT_EQ(std::vector<uint8_t>(rows.pictures[0].pixels.begin(), rows.pictures[0].pixels.begin() + 4),
            (std::vector<uint8_t>{1, 2, 3, 2}));
  // The next free entry after a string is that string plus its first pixel.
  GifBits repeat;
  repeat.Put(4, 3);
  repeat.Put(2, 3);
  repeat.Put(6, 3);  // 2 2
  repeat.Put(7, 3);  // 2 2 2
  repeat.Put(3, 4);
  repeat.Put(3, 4);
  repeat.Put(5, 4);
  Recorder good;
  ASSERT_TRUE(Decode(HandMadeCodes(repeat), good));
  EXPECT_EQ(good.pictures[0].pixels, (std::vector<uint8_t>{2, 2, 2, 2, 2, 2, 3, 3}));
}

TEST(GifDecode, MinimumCodeSizesOutsideTwoToEightAreErrors) {
  GifBits codes;
  codes.Put(2, 2);
  for (int size : {0, 1, 9, 12, 255}) {
    SCOPED_TRACE(size);
    Recorder sink;
    EXPECT_THROW(Decode(HandMadeCodes(codes, size), sink), EGifError);
    EXPECT_TRUE(sink.pictures.empty());
  }
}

TEST(GifDecode, ShortCodeStreamsFillTheirRowWithZeroAndLongOnesAreCut) {
  GifFrame frame = Frame(10, 4, 4, 5);
  for (uint8_t& p : frame.pixels) p = uint8_t(p | 1);  // no zero, to see the fill
  // An end code after 25 pixels: rows 0 and 1, row 2 half, row 3 never.
  GifFile file(10, 4, GifPalette(4));
  file.Raw({0x2C, 0, 0, 0, 0, 10, 0, 4, 0, 0, 2});
  GifBytes data;
  GifSubBlocks(data, GifLzw(frame.pixels.data(), 25, 2));
  file.Raw(data);
  Recorder sink;
  ASSERT_TRUE(Decode(file.Bytes(), sink));
  const Recorder::Picture& p = sink.pictures[0];
  EXPECT_EQ(p.order, (std::vector<int>{0, 1, 2}));
  EXPECT_FALSE(p.complete);
  EXPECT_TRUE(std::equal(p.pixels.begin(), p.pixels.begin() + 25, frame.pixels.begin()));
  EXPECT_EQ(std::vector<uint8_t>(p.pixels.begin() + 25, p.pixels.begin() + 30),
            std::vector<uint8_t>(5, 0));
  EXPECT_EQ(std::vector<uint8_t>(p.pixels.begin() + 30, p.pixels.end()),
            std::vector<uint8_t>(10, 0xEE));
  // Twice the pixels: the image takes its own and the next block reads.
  GifFile twice(10, 4, GifPalette(4));
  twice.Raw({0x2C, 0, 0, 0, 0, 10, 0, 2, 0, 0, 2});
  GifBytes more;
  GifSubBlocks(more, GifLzw(frame.pixels.data(), 40, 2));
  twice.Raw(more);
  twice.Comment("next");
  Recorder cut;
  ASSERT_TRUE(Decode(twice.Bytes(), cut));
  EXPECT_EQ(cut.pictures[0].pixels, std::vector<uint8_t>(frame.pixels.begin(), frame.pixels.begin() + 20));
  EXPECT_TRUE(cut.pictures[0].complete);
  EXPECT_EQ(cut.comments, std::vector<std::string>{"next"});
}

// --- Truncated and malformed files --------------------------------------------

TEST(GifDecode, EveryCutOfAFileEndsQuietlyAtABlockOrInOneError) {
  GifFile file(12, 9, GifPalette(8));
  file.Application("NETSCAPE2.0", {1, 0, 0});
  file.Control(2, false, true, 1, 7);
  GifFrame frame = Frame(12, 9, 8, 4);
  frame.interlaced = true;
  file.Image(frame);
  file.Comment("end");
  file.PlainText(0, 0, 12, 9, 4, 4, 1, 2, "ab");
  const GifBytes whole = file.Bytes();
  // The offsets where a block starts: a cut there ends the file quietly.
  std::vector<size_t> boundaries;
  {
    struct At : kxGifSink {} quiet;
    kxGifReader reader(whole.data(), whole.size(), quiet);
    reader.ReadHeader();
    boundaries.push_back(reader.Position());
    while (reader.ReadBlock() != gbTrailer) boundaries.push_back(reader.Position());
  }
  for (size_t n = 0; n < whole.size(); ++n) {
    SCOPED_TRACE(n);
    const GifBytes cut(whole.begin(), whole.begin() + long(n));
    Recorder sink;
    bool quiet = std::find(boundaries.begin(), boundaries.end(), n) != boundaries.end();
    if (quiet) {
      EXPECT_TRUE(Decode(cut, sink));
    } else {
      EXPECT_THROW(Decode(cut, sink), EGifError);
    }
    // Whatever rows came are right.
    for (const Recorder::Picture& p : sink.pictures) {
      for (int y : p.order) {
        EXPECT_TRUE(std::equal(frame.pixels.begin() + y * 12, frame.pixels.begin() + y * 12 + 12,
                               p.pixels.begin() + y * 12) ||
                    y == p.order.back());
      }
    }
  }
}

TEST(GifDecode, UnknownBlocksAndLabelsAreErrors) {
  for (GifBytes tail : {GifBytes{0x00}, GifBytes{0x2D}, GifBytes{0x21, 0x02, 0}, GifBytes{0x21, 0xFA, 0}}) {
    GifFile file(2, 2, {});
    file.Raw(tail);
    Recorder sink;
    EXPECT_THROW(Decode(file.Bytes(), sink), EGifError);
  }
}

TEST(GifDecode, SubBlocksRunningPastTheEndAreErrors) {
  GifFile comment(2, 2, {});
  comment.Raw({0x21, 0xFE, 200, 'a', 'b'});
  Recorder sink;
  EXPECT_THROW(Decode(comment.Bytes(false), sink), EGifError);
  EXPECT_TRUE(sink.comments.empty());
  // Image data cut inside a sub-block: the rows the bytes held come first.
  GifFrame frame = Frame(120, 100, 16, 3);
  GifBytes image = OneImage(frame);
  ASSERT_GT(image.size(), 768u + 1200);
  image.resize(image.size() - 600);
  Recorder rows;
  EXPECT_THROW(Decode(image, rows), EGifError);
  ASSERT_EQ(rows.pictures.size(), 1u);
  ASSERT_GT(rows.pictures[0].order.size(), 5u);
  EXPECT_FALSE(rows.pictures[0].ended);
  const int full = int(rows.pictures[0].order.size()) - 1;
  EXPECT_TRUE(std::equal(frame.pixels.begin(), frame.pixels.begin() + full * 120,
                         rows.pictures[0].pixels.begin()));
}
