// The GIF decoder without a window: the block parser, the LZW code stream
// and deinterlacing. A reader walks a GIF file held in memory block by
// block and hands what it finds to a sink: the logical screen first, then
// each extension's content, and for each image its descriptor followed by
// its finished pixel rows as colour indices, in the file's order. The
// drawing component pauses between blocks (delays, message processing), so
// the reader decodes one block per call.
//
// The input is untrusted. Every read is checked against the end of the
// input, and a truncated or malformed file ends in EGifError, after the
// rows that could be decoded were delivered. Memory is bounded: the
// 4096-entry string table; a window that holds the rows being filled and
// the strings the table points into (about 64 KB, at least two rows of the
// image width, at most 65535 bytes each, and the longest string; twice
// what the strings written since the last clear code take when they take
// more, so about twice what the screen shows of the image at most, and
// under 17 MB whatever the input); and copies of an extension's data
// sub-blocks (never more than the input); an image's are read where they
// lie. Nothing is allocated for the logical screen.
//
// Decisions on inputs the published format does not allow or leaves open:
// - Any three version bytes after "GIF" are accepted ("87a" and "89a" are
//   the published ones); the version is reported.
// - The input ending where a block introducer is due ends the file quietly,
//   as a trailer would (a missing trailer is common); ending inside a block
//   is an error. An unknown block introducer or extension label is an error.
// - A graphic control extension's first sub-block is read up to its four
//   bytes of fields; a longer one has the rest skipped, a shorter one leaves
//   the missing fields 0. The plain text extension's 12 bytes likewise.
// - An image of width or height 0 delivers its descriptor and no rows; its
//   data is read and dropped.
// - Rows are delivered in image coordinates, whole, also where the image
//   lies partly outside the logical screen; kxGifImage::Inside gives the
//   part within the screen, which a drawer may clip to. Rows below the
//   screen, and every row of an image with no column on it, are not
//   delivered, and once the rows on the screen have come the rest of the
//   code stream is not decoded (the image then counts as complete): a
//   small file asking for a huge image costs what the screen shows.
// - Colour indices are delivered as the data holds them, also those beyond
//   the colour table's size; the drawer maps them (a 256-entry table padded
//   with black does it).
// - LZW minimum code sizes 2 to 8 are accepted (2 for bilevel images, as
//   the format requires); any other is an error, 1 too, whose code widths
//   the format leaves undefined.
// - A code beyond the next free table entry, or the next free entry with no
//   string before it, is an error. A full table (4096 entries) stays as it
//   is, at 12-bit codes, until the next clear code.
// - A code stream that ends before the image is full (an end code, or the
//   data sub-blocks running out) is not an error: the row being filled is
//   delivered with its remaining pixels set to index 0, and the later rows
//   are not delivered. Codes after the last pixel are ignored.
#pragma once

#include "framework/Sysutils.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A malformed or truncated GIF file. The drawing component turns it into
// the framework's invalid-graphic error.
class EGifError : public Exception {
public:
  using Exception::Exception;
};

// A colour table: Count RGB triples at Rgb (pointing into the input), or
// none (Count 0, Rgb null).
struct kxGifColorTable {
  const uint8_t* Rgb = nullptr;
  int Count = 0;
};

// The header and logical screen descriptor.
struct kxGifScreen {
  char Version[4] = {};       // "87a", "89a", ...
  uint16_t Width = 0, Height = 0;
  uint8_t Packed = 0;         // the descriptor's packed fields as read
  int ColorResolution = 0;    // ((packed >> 4) & 7) + 1
  uint8_t BackgroundIndex = 0;
  uint8_t AspectRatio = 0;
  kxGifColorTable Global;     // none when the global table flag is clear
};

// The graphic control extension: it applies to the next image or plain
// text block.
struct kxGifControl {
  uint8_t Size = 0;           // the block size byte as found (4 when valid)
  uint8_t Packed = 0;
  int Disposal = 0;           // (packed >> 2) & 7
  bool UserInput = false;     // packed bit 1
  bool Transparent = false;   // packed bit 0
  uint16_t Delay = 0;         // hundredths of a second
  uint8_t TransparentIndex = 0;
};

// The plain text extension, its text sub-blocks joined.
struct kxGifPlainText {
  uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  uint8_t CellWidth = 0, CellHeight = 0;
  uint8_t ForegroundIndex = 0, BackgroundIndex = 0;
  const uint8_t* Text = nullptr;
  size_t Length = 0;
};

// An image descriptor with its local colour table.
struct kxGifImage {
  uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  uint8_t Packed = 0;
  bool Interlaced = false;    // packed bit 6
  kxGifColorTable Local;      // none when the local table flag is clear
  int MinCodeSize = 0;        // read after the descriptor and table
  // The columns [InsideLeft, InsideRight) and rows [InsideTop, InsideBottom)
  // of the image, in image coordinates, that lie within the logical screen;
  // empty ranges when none does.
  int InsideLeft = 0, InsideTop = 0, InsideRight = 0, InsideBottom = 0;
};

// Receives what the reader finds. Every callback returns true to go on and
// false to stop: the reader then calls nothing more and reads no further.
// Pointers are valid during the call only.
class kxGifSink {
public:
  virtual ~kxGifSink() = default;
  // Before anything else.
  virtual bool Screen(const kxGifScreen&) { return true; }
  virtual bool GraphicControl(const kxGifControl&) { return true; }
  virtual bool PlainText(const kxGifPlainText&) { return true; }
  // The comment's sub-blocks joined.
  virtual bool Comment(const uint8_t* /*data*/, size_t /*length*/) { return true; }
  // The identifier sub-block (8 bytes of identifier and 3 of authentication
  // code when valid) and the data sub-blocks joined.
  virtual bool Application(const uint8_t* /*id*/, size_t /*idLength*/, const uint8_t* /*data*/,
                           size_t /*length*/) {
    return true;
  }
  // The descriptor, before the image's rows.
  virtual bool ImageStart(const kxGifImage&) { return true; }
  // A finished row: image row y (0 at the image's top) and image.Width
  // colour indices. Rows come in the file's order: an interlaced image's
  // in pass order, each with its true y.
  virtual bool Row(int /*y*/, const uint8_t* /*indices*/) { return true; }
  // After the image's last row; complete is false when its code stream
  // ended early.
  virtual bool ImageEnd(const kxGifImage&, bool /*complete*/) { return true; }
};

// What one ReadBlock call handled.
enum kxGifBlock : uint8_t {
  gbImage,           // an image descriptor and its data
  gbGraphicControl,  // extension 0xF9
  gbPlainText,       // extension 0x01
  gbComment,         // extension 0xFE
  gbApplication,     // extension 0xFF
  gbTrailer,         // the trailer, or the input's end where a block was due
  gbStopped,         // the sink asked to stop
};

// The rows an interlaced image's row y stands for while the later passes
// have not filled them: 8 for pass 1, 4, 2, 1 for passes 2 to 4, no further
// than the image height. Drawers that show an image while it arrives
// repeat the row over them.
int GifInterlaceSpan(int y, int height);

class kxGifReader {
public:
  // The input must stay in place while the reader is used.
  kxGifReader(const void* data, size_t size, kxGifSink& sink);
  ~kxGifReader();
  kxGifReader(const kxGifReader&) = delete;
  kxGifReader& operator=(const kxGifReader&) = delete;

  // Reads the header and the logical screen descriptor with its global
  // table, and hands them to Screen. False when the sink stopped. Raises
  // EGifError when the signature is not "GIF" or the input is too short.
  bool ReadHeader();
  // Reads the next block, calls the sink for it and tells which it was.
  // After the trailer it keeps answering gbTrailer, after a stop gbStopped,
  // reading nothing. ReadHeader must have been called.
  kxGifBlock ReadBlock();
  // ReadHeader, then ReadBlock up to the trailer or a stop. True when the
  // trailer (or the end) was reached.
  bool Decode();

  const kxGifScreen& Screen() const { return screen_; }
  // The offset of the next byte to be read.
  size_t Position() const { return pos_; }

private:
  uint8_t Byte();
  uint16_t Word();
  const uint8_t* Take(size_t count);
  kxGifColorTable Table(uint8_t packed);
  // Joins the data sub-blocks up to the terminator into buffer. False when
  // the input ended first (buffer then holds what was there).
  bool SubBlocks(std::vector<uint8_t>& buffer);
  void SkipSubBlocks();
  // Skips the data sub-blocks left up to the terminator; false when the
  // input ended first.
  bool SkipData();
  [[noreturn]] void Fail(const char* why) const;

  kxGifBlock Extension();
  kxGifBlock Image();
  // Decodes the LZW data from the next data sub-block on into rows, up to
  // the terminator at most; false when the sink stopped.
  bool DecodeImage(const kxGifImage& image, bool& complete);
  // Hands the rows filled up to out, as far as the image needs, to the
  // sink; false when it stopped.
  struct RowState;
  bool FullRows(RowState& rows, const uint8_t* out);
  bool Stop();

  const uint8_t* in_;
  size_t size_;
  size_t pos_ = 0;
  kxGifSink& sink_;
  kxGifScreen screen_;
  bool header_ = false;
  bool stopped_ = false;
  bool ended_ = false;
  std::vector<uint8_t> data_;  // an extension's sub-blocks joined
  std::unique_ptr<uint8_t[]> row_;  // the window: rows being filled, strings
  size_t rowCapacity_ = 0;
  struct Strings;
  std::unique_ptr<Strings> strings_;  // the LZW string table, made once
};

// Decodes a whole file into the sink; true when the trailer (or the end)
// was reached, false when the sink stopped. Raises EGifError.
bool DecodeGif(const void* data, size_t size, kxGifSink& sink);
