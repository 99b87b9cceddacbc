#include "lib/imaging/Gifdecode.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes

// Interlaced rows: pass n starts at row kStart[n] and steps kStep[n].
constexpr int kStart[4] = {0, 4, 2, 1};
constexpr int kStep[4] = {8, 8, 4, 2};

}  // namespace

// A code's string is kept as chunks of up to 8 bytes: the code's own chunk
// holds the string's last (length - 1) % 8 + 1 bytes (the rest of the word
// 0), and its prefix is the code of the string's first whole chunks. A
// string is then written 8 bytes at a time, back to front, and a new entry
// (a string and one byte more) is its predecessor's chunk with one byte
// added, or a new chunk after it.
struct kxGifReader::Strings {
  uint64_t chunk[kMaxCodes];
  // The prefix code in the low 16 bits, the string's length less 1 above.
  uint32_t link[kMaxCodes];
  // Entries below this are roots: an image's codes made after its clear
  // code overwrite the roots a later image of a larger code size needs.
  int roots = 0;
  // Makes the roots below the clear code; the image makes entries from
  // clear + 2 up.
  void Prepare(int clear) {
    for (; roots < clear; ++roots) {
      chunk[roots] = uint64_t(roots);
      link[roots] = 0;
    }
    roots = std::min(roots, clear + 2);
  }
};

int GifInterlaceSpan(int y, int height) {
  int span = 1;
  if (y % 8 == 0) {
    span = 8;
  } else if (y % 8 == 4) {
    span = 4;
  } else if (y % 4 == 2) {
    span = 2;
  }
  return std::max(0, std::min(span, height - y));
}

kxGifReader::kxGifReader(const void* data, size_t size, kxGifSink& sink)
    : in_(static_cast<const uint8_t*>(data)), size_(data ? size : 0), sink_(sink) {}

kxGifReader::~kxGifReader() = default;

void kxGifReader::Fail(const char* why) const {
  throw EGifError(String("GIF: ") + why);
}

const uint8_t* kxGifReader::Take(size_t count) {
  if (count > size_ - pos_) Fail("the file ends inside a block");
  const uint8_t* p = in_ + pos_;
  pos_ += count;
  return p;
}

uint8_t kxGifReader::Byte() { return *Take(1); }

uint16_t kxGifReader::Word() {
  const uint8_t* p = Take(2);
  return uint16_t(p[0] | p[1] << 8);
}

kxGifColorTable kxGifReader::Table(uint8_t packed) {
  kxGifColorTable table;
  if (packed & 0x80) {
    table.Count = 2 << (packed & 7);
    table.Rgb = Take(size_t(table.Count) * 3);
  }
  return table;
}

bool kxGifReader::SubBlocks(std::vector<uint8_t>& buffer) {
  buffer.clear();
  for (;;) {
    if (pos_ >= size_) return false;
    const size_t n = in_[pos_++];
    if (n == 0) return true;
    const size_t there = std::min(n, size_ - pos_);
    buffer.insert(buffer.end(), in_ + pos_, in_ + pos_ + there);
    pos_ += there;
    if (there < n) return false;
  }
}

void kxGifReader::SkipSubBlocks() {
  for (;;) {
    const size_t n = Byte();
    if (n == 0) return;
    Take(n);
  }
}

bool kxGifReader::Stop() {
  stopped_ = true;
  return false;
}

bool kxGifReader::ReadHeader() {
  if (stopped_) return false;
  pos_ = 0;
  const uint8_t* sig = Take(6);
  if (std::memcmp(sig, "GIF", 3) != 0) Fail("no GIF signature");
  screen_ = kxGifScreen();
  std::memcpy(screen_.Version, sig + 3, 3);
  screen_.Width = Word();
  screen_.Height = Word();
  screen_.Packed = Byte();
  screen_.ColorResolution = ((screen_.Packed >> 4) & 7) + 1;
  screen_.BackgroundIndex = Byte();
  screen_.AspectRatio = Byte();
  screen_.Global = Table(screen_.Packed);
  header_ = true;
  ended_ = false;
  return sink_.Screen(screen_) || Stop();
}

kxGifBlock kxGifReader::ReadBlock() {
  if (stopped_) return gbStopped;
  if (!header_ && !ReadHeader()) return gbStopped;
  if (ended_) return gbTrailer;
  // Many files lack the trailer: the end where a block is due ends quietly.
  if (pos_ >= size_) {
    ended_ = true;
    return gbTrailer;
  }
  switch (Byte()) {
    case 0x3B:
      ended_ = true;
      return gbTrailer;
    case 0x21:
      return Extension();
    case 0x2C:
      return Image();
    default:
      Fail("unknown block introducer");
  }
}

bool kxGifReader::Decode() {
  if (!header_ && !ReadHeader()) return false;
  for (;;) {
    const kxGifBlock block = ReadBlock();
    if (block == gbTrailer) return true;
    if (block == gbStopped) return false;
  }
}

kxGifBlock kxGifReader::Extension() {
  const uint8_t label = Byte();
  switch (label) {
    case 0xF9: {
      kxGifControl control;
      control.Size = Byte();
      // Room for the four bytes of fields; more are skipped, fewer leave 0.
      uint8_t fields[4] = {};
      // A block of 0 bytes has its terminator after it all the same.
      if (control.Size != 0) std::memcpy(fields, Take(control.Size), std::min<size_t>(control.Size, 4));
      SkipSubBlocks();
      control.Packed = fields[0];
      control.Disposal = (fields[0] >> 2) & 7;
      control.UserInput = (fields[0] & 2) != 0;
      control.Transparent = (fields[0] & 1) != 0;
      control.Delay = uint16_t(fields[1] | fields[2] << 8);
      control.TransparentIndex = fields[3];
      return sink_.GraphicControl(control) ? gbGraphicControl : (Stop(), gbStopped);
    }
    case 0x01: {
      kxGifPlainText text;
      const size_t size = Byte();
      uint8_t fields[12] = {};
      data_.clear();
      if (size != 0) std::memcpy(fields, Take(size), std::min<size_t>(size, 12));
      if (!SubBlocks(data_)) Fail("the file ends inside a plain text extension");
      text.Left = uint16_t(fields[0] | fields[1] << 8);
      text.Top = uint16_t(fields[2] | fields[3] << 8);
      text.Width = uint16_t(fields[4] | fields[5] << 8);
      text.Height = uint16_t(fields[6] | fields[7] << 8);
      text.CellWidth = fields[8];
      text.CellHeight = fields[9];
      text.ForegroundIndex = fields[10];
      text.BackgroundIndex = fields[11];
      text.Text = data_.data();
      text.Length = data_.size();
      return sink_.PlainText(text) ? gbPlainText : (Stop(), gbStopped);
    }
    case 0xFE:
      if (!SubBlocks(data_)) Fail("the file ends inside a comment");
      return sink_.Comment(data_.data(), data_.size()) ? gbComment : (Stop(), gbStopped);
    case 0xFF: {
      const size_t idLength = Byte();
      const uint8_t* id = nullptr;
      data_.clear();
      if (idLength != 0) id = Take(idLength);
      if (!SubBlocks(data_)) Fail("the file ends inside an application extension");
      return sink_.Application(id, idLength, data_.data(), data_.size()) ? gbApplication
                                                                         : (Stop(), gbStopped);
    }
    default:
      Fail("unknown extension label");
  }
}

kxGifBlock kxGifReader::Image() {
  kxGifImage image;
  image.Left = Word();
  image.Top = Word();
  image.Width = Word();
  image.Height = Word();
  image.Packed = Byte();
  image.Interlaced = (image.Packed & 0x40) != 0;
  image.Local = Table(image.Packed);
  image.MinCodeSize = Byte();
  if (image.MinCodeSize < 2 || image.MinCodeSize > 8) Fail("LZW minimum code size outside 2 to 8");
  image.InsideRight = std::clamp(int(screen_.Width) - int(image.Left), 0, int(image.Width));
  image.InsideBottom = std::clamp(int(screen_.Height) - int(image.Top), 0, int(image.Height));
  // The data is gathered first: one bounds check per sub-block instead of
  // one per code. What a truncated file holds is still decoded and shown.
  const bool whole = SubBlocks(data_);
  if (!sink_.ImageStart(image)) return Stop(), gbStopped;
  bool complete = false;
  if (!DecodeImage(image, complete)) return Stop(), gbStopped;
  if (!whole) Fail("the file ends inside image data");
  if (!sink_.ImageEnd(image, complete)) return Stop(), gbStopped;
  return gbImage;
}

namespace {

// A code's string (link its entry's link) written at out, in whole chunks
// of 8 bytes, so up to 7 bytes beyond its end; answers its first byte.
// Strings of up to 16 bytes, nearly all, take two stores and no branch:
// the prefix's chunk first at out, then the code's own at its place,
// which for a string of 8 or fewer is out again.
inline uint8_t WriteString(uint8_t* out, uint32_t code, uint32_t link, const uint64_t* chunk,
                           const uint32_t* links) {
  uint8_t* o = out + ((link >> 16) & ~7u);
  std::memcpy(out, &chunk[link & 0xFFFF], 8);
  std::memcpy(o, &chunk[code], 8);
  if (o - out > 8) {
    // Longer: the chunks from the second-to-last down, and the first one.
    do {
      code = link & 0xFFFF;
      link = links[code];
      o -= 8;
      std::memcpy(o, &chunk[code], 8);
    } while (o - out > 8);
    std::memcpy(out, &chunk[link & 0xFFFF], 8);
  }
  return *out;
}

}  // namespace

// The rows of an image as they fill: where each starts in the buffer, and
// which image row it is.
struct kxGifReader::RowState {
  uint8_t* start;
  uint8_t* end;
  int width, height, inside;
  bool interlaced;
  int y = 0, pass = 0, rows = 0, seen = 0;  // seen: rows within the screen delivered
  bool done = false;
};

bool kxGifReader::DecodeImage(const kxGifImage& image, bool& complete) {
  const int width = image.Width;
  const int height = image.Height;
  // Rows below the screen, or of an image with no column on it, are never
  // seen: once the rows within it have come, the rest is not decoded.
  const int inside = image.InsideRight > 0 ? image.InsideBottom : 0;
  complete = width == 0 || height == 0 || inside == 0;
  if (complete) return true;
  if (!strings_) strings_ = std::make_unique<Strings>();
  Strings& s = *strings_;
  uint64_t* const chunk = s.chunk;
  uint32_t* const links = s.link;

  // Strings are written one after another into a buffer of whole rows, and
  // each row goes to the sink once it is full: no string is split at a
  // row's end. The slack after the rows takes the longest string (less
  // than the table's size) begun near a row's end, and its last chunk.
  constexpr size_t kSlack = kMaxCodes + 16;
  const size_t rowsHeld = std::max<size_t>(2, (size_t(1) << 16) / size_t(width));
  const size_t capacity = rowsHeld * size_t(width) + kSlack;
  if (row_.size() < capacity) row_.resize(capacity);
  uint8_t* const buffer = row_.data();
  RowState r{buffer, buffer + width, width, height, inside, image.Interlaced};
  uint8_t* out = buffer;
  uint8_t* rowEnd = r.end;
  // Where a row may start and still leave the slack after it.
  const uint8_t* const lastStart = buffer + capacity - kSlack - size_t(width);

  // Codes are read least significant bit first; a code is at most 12 bits
  // and starts within a byte, so four bytes always hold it. Four bytes of
  // padding keep that read inside the buffer at the end.
  const size_t bytes = data_.size();
  data_.resize(bytes + 4, 0);
  const uint8_t* const in = data_.data();
  const uint64_t totalBits = uint64_t(bytes) * 8;
  uint64_t bit = 0;

  const int minSize = image.MinCodeSize;
  const uint32_t clear = 1u << minSize;
  const uint32_t end = clear + 1;
  s.Prepare(int(clear));
  uint32_t size = uint32_t(minSize) + 1;
  uint32_t mask = (1u << size) - 1;
  uint32_t next = clear + 2;
  uint32_t prev = 0;
  bool hasPrev = false;

  for (;;) {
    if (bit + size > totalBits) break;  // the data ran out
    uint32_t word;
    std::memcpy(&word, in + (bit >> 3), 4);
    const uint32_t code = (word >> (bit & 7)) & mask;
    bit += size;

    if (code - clear <= 1) {
      if (code == end) break;
      size = uint32_t(minSize) + 1;
      mask = (1u << size) - 1;
      next = clear + 2;
      hasPrev = false;
      continue;
    }

    // The new entry is the previous string and the first byte of this one;
    // for the code not yet in the table that is the previous string's own
    // first byte, which also ends this code's string.
    uint32_t length;
    uint8_t firstByte;
    if (code < next) {
      const uint32_t link = links[code];
      length = (link >> 16) + 1;
      firstByte = WriteString(out, code, link, chunk, links);
    } else if (code == next && hasPrev) {
      const uint32_t link = links[prev];
      length = (link >> 16) + 1;
      firstByte = WriteString(out, prev, link, chunk, links);
      out[length++] = firstByte;
    } else {
      Fail("LZW code beyond the string table");
    }
    if (hasPrev && next < kMaxCodes) {
      const uint32_t prevLink = links[prev];
      const uint32_t prevLength = (prevLink >> 16) + 1;
      const uint32_t last = prevLength & 7;
      // Within the predecessor's last chunk, or a chunk of its own after it.
      const uint64_t kept = last != 0 ? chunk[prev] : 0;
      chunk[next] = kept | uint64_t(firstByte) << (8 * last);
      links[next] = prevLength << 16 | (last != 0 ? prevLink & 0xFFFF : prev);
      ++next;
      // A full table stays at 12 bits until the file clears it.
      if (next == (1u << size) && size < 12) {
        ++size;
        mask = (1u << size) - 1;
      }
    }
    prev = code;
    hasPrev = true;
    out += length;

    if (out >= rowEnd) {
      if (!FullRows(r, out)) return false;
      if (r.done) break;
      if (r.start > lastStart) {
        // What is written of the next row moves to the buffer's start.
        const size_t part = size_t(out - r.start);
        std::memmove(buffer, r.start, part);
        r.start = buffer;
        r.end = buffer + width;
        out = buffer + part;
      }
      rowEnd = r.end;
    }
  }
  data_.resize(bytes);
  // Extra pixels after the last row are dropped; a short stream delivers
  // the row it was filling with index 0 in the rest.
  complete = r.done;
  if (!complete && out > r.start) {
    std::memset(out, 0, size_t(r.end - out));
    if (!FullRows(r, r.end)) return false;
  }
  return true;
}

bool kxGifReader::FullRows(RowState& r, const uint8_t* out) {
  while (out >= r.end) {
    if (r.y < r.inside) {
      if (!sink_.Row(r.y, r.start)) return false;
      ++r.seen;
    }
    ++r.rows;
    if (!r.interlaced) {
      ++r.y;
    } else {
      r.y += kStep[r.pass];
      while (r.y >= r.height && r.pass < 3) r.y = kStart[++r.pass];
    }
    r.start = r.end;
    r.end += r.width;
    r.done = r.rows == r.height || r.seen == r.inside;
    if (r.done) break;
  }
  return true;
}

bool DecodeGif(const void* data, size_t size, kxGifSink& sink) {
  kxGifReader reader(data, size, sink);
  return reader.Decode();
}
