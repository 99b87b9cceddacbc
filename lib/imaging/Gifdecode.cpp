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
  // The prefix code in the low 12 bits, the string's first byte in the
  // next 8 and its length less 1 in the top 12: what a new entry needs
  // comes with the code's one load, not from the string written.
  uint32_t link[kMaxCodes];
  // Entries below this are roots: an image's codes made after its clear
  // code overwrite the roots a later image of a larger code size needs.
  int roots = 0;
  // Makes the roots below the clear code; the image makes entries from
  // clear + 1 up.
  void Prepare(int clear) {
    for (; roots < clear; ++roots) {
      chunk[roots] = uint64_t(roots);
      link[roots] = uint32_t(roots) << 12;
    }
    roots = std::min(roots, clear + 1);
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

bool kxGifReader::SkipData() {
  for (;;) {
    if (pos_ >= size_) return false;
    const size_t n = in_[pos_++];
    if (n == 0) return true;
    if (n > size_ - pos_) {
      pos_ = size_;
      return false;
    }
    pos_ += n;
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
  if (!sink_.ImageStart(image)) return Stop(), gbStopped;
  bool complete = false;
  // What a truncated file holds is still decoded and shown.
  if (!DecodeImage(image, complete)) return Stop(), gbStopped;
  if (!SkipData()) Fail("the file ends inside image data");
  if (!sink_.ImageEnd(image, complete)) return Stop(), gbStopped;
  return gbImage;
}

namespace {

constexpr uint32_t Prefix(uint32_t link) { return link & 0xFFF; }
constexpr uint8_t First(uint32_t link) { return uint8_t(link >> 12); }
constexpr uint32_t Length(uint32_t link) { return (link >> 20) + 1; }

// A code's string (own its chunk, link its link) written at out, in whole
// chunks of 8 bytes, so up to 7 bytes beyond its end. Strings of up to 16
// bytes, nearly all, take two stores and no branch: the prefix's chunk
// first at out, then the code's own at its place, which for a string of 8
// or fewer is out again.
inline void WriteString(uint8_t* out, uint64_t own, uint32_t link, const uint64_t* chunk,
                        const uint32_t* links) {
  uint8_t* o = out + (link >> 20 & ~7u);
  std::memcpy(out, &chunk[Prefix(link)], 8);
  std::memcpy(o, &own, 8);
  if (o - out > 8) {
    // Longer: the chunks from the second-to-last down, and the first one.
    do {
      const uint32_t code = Prefix(link);
      link = links[code];
      o -= 8;
      std::memcpy(o, &chunk[code], 8);
    } while (o - out > 8);
    std::memcpy(out, &chunk[Prefix(link)], 8);
  }
}

// How many rows of an image come before its last row on the screen has:
// the rest of the code stream is not decoded.
int RowsNeeded(int height, int inside, bool interlaced) {
  if (!interlaced || inside == 0) return inside;
  int before = 0;  // the rows of the passes before pass p
  int needed = 0;
  for (int p = 0; p < 4; ++p) {
    if (kStart[p] < inside) needed = before + (inside - 1 - kStart[p]) / kStep[p] + 1;
    if (kStart[p] < height) before += (height - 1 - kStart[p]) / kStep[p] + 1;
  }
  return needed;
}

}  // namespace

// The rows of an image as they fill: where the next one starts in the
// buffer, and which image row it is.
struct kxGifReader::RowState {
  uint8_t* start;
  int width, height, inside, needed;
  bool interlaced;
  int y = 0, pass = 0, rows = 0;
};

bool kxGifReader::DecodeImage(const kxGifImage& image, bool& complete) {
  const int width = image.Width;
  const int height = image.Height;
  // Rows below the screen, or of an image with no column on it, are never
  // seen: once the rows within it have come, the rest is not decoded.
  const int inside = image.InsideRight > 0 ? image.InsideBottom : 0;
  const int needed = RowsNeeded(height, inside, image.Interlaced);
  complete = width == 0 || needed == 0;
  if (complete) return true;
  if (!strings_) strings_ = std::make_unique_for_overwrite<Strings>();
  Strings& s = *strings_;
  uint64_t* const chunk = s.chunk;
  uint32_t* const links = s.link;

  // Strings are written one after another into a buffer of whole rows, and
  // the rows go to the sink when it is full: no string is split at a row's
  // end, and the code loop does not stop at each row of a narrow image.
  // The slack after the rows takes the longest string (less than the
  // table's size) begun just before their end, its last chunk and the byte
  // after it.
  constexpr size_t kSlack = kMaxCodes + 16;
  const size_t rowsHeld =
      std::min(size_t(needed), std::max<size_t>(2, (size_t(1) << 16) / size_t(width)));
  const size_t capacity = rowsHeld * size_t(width) + kSlack;
  if (rowCapacity_ < capacity) {
    row_ = std::make_unique_for_overwrite<uint8_t[]>(capacity);
    rowCapacity_ = capacity;
  }
  uint8_t* const buffer = row_.get();
  RowState r{buffer, width, height, inside, needed, image.Interlaced};
  uint8_t* out = buffer;
  // Where the rows held end, or the image's rows still needed.
  const auto rowsEnd = [&] {
    return buffer + size_t(width) * std::min(rowsHeld, size_t(needed - r.rows));
  };
  const uint8_t* flushAt = rowsEnd();

  // Codes are read least significant bit first; a code is at most 12 bits
  // and starts within a byte, so four bytes always hold it. The data
  // sub-blocks are read where they lie: a few at a time go into a small
  // staging area behind the bytes left of the ones before, so codes run on
  // across their joins, the check for the staged data's end is the only
  // one per code, and the input is never copied whole. Four bytes of
  // padding keep the last code's read inside the area.
  constexpr size_t kStage = 1024;
  uint8_t in[kStage + 4];
  size_t staged = 0;
  bool more = true;  // sub-blocks not yet staged
  ptrdiff_t bit = 0;
  ptrdiff_t safeBits = -1;  // past this a code may not be whole in the area
  const auto stage = [&] {
    const size_t used = size_t(bit) >> 3;
    staged -= used;
    std::memmove(in, in + used, staged);
    bit &= 7;
    // The terminator stays for SkipData; an input cut inside a sub-block
    // gives what it holds.
    while (staged + 255 <= kStage && pos_ < size_ && in_[pos_] != 0) {
      const size_t n = std::min<size_t>(in_[pos_], size_ - pos_ - 1);
      std::memcpy(in + staged, in_ + pos_ + 1, n);
      staged += n;
      pos_ += n + 1;
    }
    more = pos_ < size_ && in_[pos_] != 0;
    std::memset(in + staged, 0, 4);
    safeBits = ptrdiff_t(staged) * 8 - 12;
  };

  const int minSize = image.MinCodeSize;
  const uint32_t clear = 1u << minSize;
  const uint32_t end = clear + 1;
  s.Prepare(int(clear));
  uint32_t size = uint32_t(minSize) + 1;
  uint32_t mask = (1u << size) - 1;
  uint32_t grow = 1u << size;  // the next free code that widens the codes
  // The first code after a clear has no string before it: it makes an
  // entry of a root in the end code's place, which is never read, and the
  // loop needs no case for it.
  uint32_t next = end;
  uint32_t prev = 0;

  for (;;) {
    if (bit > safeBits) {
      if (more) stage();
      if (bit + ptrdiff_t(size) > ptrdiff_t(staged) * 8) break;  // the data ran out
    }
    uint32_t word;
    std::memcpy(&word, in + (bit >> 3), 4);
    const uint32_t code = (word >> (bit & 7)) & mask;
    bit += size;

    if (code - clear <= 1) {
      if (code == end) break;
      size = uint32_t(minSize) + 1;
      mask = (1u << size) - 1;
      grow = 1u << size;
      next = end;
      prev = 0;
      continue;
    }
    // The code not yet in the table can only be the next one: the previous
    // string and its own first byte. Both cases write a string from the
    // table and the byte after it.
    if (code > next) {
      // The rows before the fault are delivered first.
      if (!FullRows(r, out)) return false;
      Fail("LZW code beyond the string table");
    }
    const bool fresh = code == next;
    // A select, not a branch: which of the two comes cannot be foreseen.
    const uint32_t from = fresh ? prev : code;
    const uint32_t link = links[from];
    WriteString(out, chunk[from], link, chunk, links);
    const uint32_t length = Length(link);
    const uint8_t first = First(link);
    out[length] = first;  // the fresh string's end; else the next one's place

    // The new entry is the previous string and the first byte of this one:
    // within the predecessor's last chunk, or in a chunk of its own after
    // it, and one longer.
    if (next < kMaxCodes) {
      const uint32_t prevLink = links[prev];
      const uint32_t last = Length(prevLink) & 7;
      const uint64_t kept = chunk[prev] & (uint64_t(0) - (last != 0));
      chunk[next] = kept | uint64_t(first) << (8 * last);
      const uint32_t longer = prevLink + (1u << 20);
      links[next] = last != 0 ? longer : (longer & ~0xFFFu) | prev;
      // A full table stays at 12 bits until the file clears it.
      if (++next == grow && size < 12) {
        ++size;
        mask = (1u << size) - 1;
        grow <<= 1;
      }
    }
    prev = code;
    out += length + fresh;

    if (out >= flushAt) {
      if (!FullRows(r, out)) return false;
      if (r.rows == needed) break;
      // What is written of the next row moves to the buffer's start.
      const size_t part = size_t(out - r.start);
      std::memmove(buffer, r.start, part);
      r.start = buffer;
      out = buffer + part;
      flushAt = rowsEnd();
    }
  }
  // Extra pixels after the last row are dropped; a short stream delivers
  // the row it was filling with index 0 in the rest.
  if (!FullRows(r, out)) return false;
  complete = r.rows == needed;
  if (!complete && out > r.start) {
    std::memset(out, 0, size_t(r.start + width - out));
    if (!FullRows(r, r.start + width)) return false;
  }
  return true;
}

bool kxGifReader::FullRows(RowState& r, const uint8_t* out) {
  while (r.rows < r.needed && out - r.start >= r.width) {
    if (r.y < r.inside && !sink_.Row(r.y, r.start)) return false;
    ++r.rows;
    if (!r.interlaced) {
      ++r.y;
    } else {
      r.y += kStep[r.pass];
      while (r.y >= r.height && r.pass < 3) r.y = kStart[++r.pass];
    }
    r.start += r.width;
  }
  return true;
}

bool DecodeGif(const void* data, size_t size, kxGifSink& sink) {
  kxGifReader reader(data, size, sink);
  return reader.Decode();
}
