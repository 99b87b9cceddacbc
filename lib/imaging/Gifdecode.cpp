#include "lib/imaging/Gifdecode.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes

constexpr uint64_t kOneLonger = uint64_t(1) << 32;  // an entry's length 1
constexpr uint32_t Place(uint64_t entry) { return uint32_t(entry); }
constexpr uint32_t Length(uint64_t entry) { return uint32_t(entry >> 32); }
// The entry of the clear and end codes: a length no string has.
constexpr uint64_t kMark = ~uint64_t(0) << 32;
// The string before the first code after a clear: the entry that code
// makes of it, in the end code's place, is the mark again.
constexpr uint64_t kNoString = kMark - kOneLonger;
// Every root's entry: its byte at the window's start, of length 1.
constexpr auto kRootEntries = [] {
  std::array<uint64_t, 256> roots{};
  for (uint32_t i = 0; i < 256; ++i) roots[i] = i | kOneLonger;
  return roots;
}();

// Interlaced rows: pass n starts at row kStart[n] and steps kStep[n].
constexpr int kStart[4] = {0, 4, 2, 1};
constexpr int kStep[4] = {8, 8, 4, 2};

}  // namespace

// A code's string is kept as its place in the output: the strings of an
// image are written one after another, and a new entry, the previous
// string and the first byte of the one after it, is the previous string's
// place and one byte more. An entry is the place's offset in the window
// (below) in its low 32 bits and the string's length in the high 32; a
// root's place is its byte among the 256 at the window's start.
struct kxGifReader::Strings {
  // One more: a full table's entries go to the last, unread.
  uint64_t entry[kMaxCodes + 1];
  // Entries below this are roots: an image's clear and end codes and the
  // codes made after them overwrite the roots a later image of a larger
  // code size needs.
  int roots = 0;
  // Makes the roots below the clear code and marks the clear and end
  // codes; the image makes entries from clear + 2 up.
  void Prepare(int clear) {
    if (roots < clear) {
      std::memcpy(entry + roots, kRootEntries.data() + roots, size_t(clear - roots) * sizeof *entry);
    }
    roots = clear;
    entry[clear] = entry[clear + 1] = kMark;
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

// Why the code loop paused.
enum class Pause : uint8_t { Stage, Rows, Clear, End, Beyond };

// The code loop's state between its pauses.
struct Lzw {
  uint64_t* entry;
  uint8_t* window;
  const uint8_t* in;       // the staged data
  ptrdiff_t bit;           // the next code's first bit in it
  ptrdiff_t safeBits;      // past this a code may not be whole in it
  size_t out;              // where in the window the next string goes
  size_t flushAt;          // rows are handed over once out reaches this
  uint32_t clear, size, mask, next;
  uint64_t prev;           // the previous code's string where it was written
};

// Copies what follows the first 16 bytes of a string of length bytes from
// an earlier place of the window, 16 bytes at a time, so up to 15 bytes
// beyond its end. No store of the copy changes a byte of the string it
// still reads: the string ends before out, where the stores begin.
inline void CopyRest(uint8_t* out, const uint8_t* from, uint32_t length) {
  for (uint32_t done = 16; done < length; done += 16) {
    uint8_t part[16];
    std::memcpy(part, from + done, 16);
    std::memcpy(out + done, part, 16);
  }
}

// Decodes codes into strings at out and makes their entries until one
// needs what the loop leaves to its caller: more data, rows handed over, a
// clear or end code, or a code beyond the table (bit is then still on it).
// A function of its own that calls nothing, so that the compiler keeps its
// state in registers.
[[gnu::noinline]] Pause RunCodes(Lzw& z) {
  uint64_t* const entry = z.entry;
  uint8_t* const window = z.window;
  const uint8_t* const in = z.in;
  const ptrdiff_t safeBits = z.safeBits;
  const size_t flushAt = z.flushAt;
  const uint32_t clear = z.clear;
  ptrdiff_t bit = z.bit;
  size_t out = z.out;
  uint32_t size = z.size, mask = z.mask, next = z.next;
  uint64_t prev = z.prev;
  Pause pause;
  for (;;) {
    if (bit > safeBits) {
      pause = Pause::Stage;
      break;
    }
    uint32_t word;
    std::memcpy(&word, in + (bit >> 3), 4);
    const uint32_t code = (word >> (bit & 7)) & mask;
    // The code not yet in the table can only be the next one: the previous
    // string and its own first byte.
    if (code > next) {
      pause = Pause::Beyond;
      break;
    }
    bit += size;
    const bool fresh = code == next;
    // A branch, not a select: a fresh code then waits for no load.
    const uint64_t string = fresh ? prev : entry[code];
    const uint8_t* const from = window + Place(string);
    const uint32_t length = Length(string);
    // Strings of up to 16 bytes, nearly all, are one load and one store;
    // what a clear or end code copies is overwritten later. Their mark is
    // a length beyond any string's, so the long strings' check finds them.
    uint8_t part[16];
    std::memcpy(part, from, 16);
    uint8_t* const to = window + out;
    std::memcpy(to, part, 16);
    if (length > 16) {
      if (length > kMaxCodes) {
        pause = code == clear ? Pause::Clear : Pause::End;
        break;
      }
      CopyRest(to, from, length);
    }
    to[length] = *from;  // the fresh string's end; else the next one's place
    // The new entry ends with the first byte of what was just written
    // after the previous string. The codes widen when the next entry needs
    // another bit; a full table stays at 12 bits, its entries made where
    // none is read, until the file clears it.
    entry[next] = prev + kOneLonger;
    if (++next > mask) {
      if (size < 12) {
        ++size;
        mask = mask << 1 | 1;
      } else {
        next = kMaxCodes;
      }
    }
    const uint32_t written = length + fresh;
    prev = out | uint64_t(written) << 32;
    out += written;
    if (out >= flushAt) {
      pause = Pause::Rows;
      break;
    }
  }
  z.bit = bit;
  z.out = out;
  z.size = size;
  z.mask = mask;
  z.next = next;
  z.prev = prev;
  return pause;
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

  // The window: the 256 roots' bytes, then the strings written one after
  // another, whole rows of them going to the sink when it is full, so that
  // no string is split at a row's end and the code loop does not stop at
  // each row of a narrow image. The slack after it takes the longest
  // string (less than the table's size) begun just before its end, with
  // the 16 bytes a copy may write beyond it.
  constexpr size_t kRoots = 256;
  constexpr size_t kSlack = kMaxCodes + 16;
  constexpr size_t kRowBytes = size_t(1) << 16;  // rows held at a time, about
  const size_t w = size_t(width);
  const size_t capacity =
      kRoots + std::min(size_t(needed), std::max<size_t>(2, kRowBytes / w)) * w + kSlack;
  if (rowCapacity_ < capacity) {
    row_ = std::make_unique_for_overwrite<uint8_t[]>(capacity);
    rowCapacity_ = capacity;
    for (size_t i = 0; i < kRoots; ++i) row_[i] = uint8_t(i);
  }
  RowState r{row_.get() + kRoots, width, height, inside, needed, image.Interlaced};
  // The rows the window holds from the row being filled on, or the
  // image's rows still needed.
  const auto rowsEnd = [&] {
    const size_t start = size_t(r.start - row_.get());
    return start + w * std::min((rowCapacity_ - kSlack - start) / w, size_t(needed - r.rows));
  };

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
  const int minSize = image.MinCodeSize;
  const uint32_t clear = 1u << minSize;
  s.Prepare(int(clear));
  // The first code after a clear has no string before it: the entry it
  // makes goes to the end code's place and keeps its mark, so the loop
  // needs no case for it.
  Lzw z{s.entry, row_.get(), in, 0, -1, kRoots, rowsEnd(), clear, uint32_t(minSize) + 1,
        (2u << minSize) - 1, clear + 1, kNoString};
  const auto stage = [&] {
    const size_t used = size_t(z.bit) >> 3;
    staged -= used;
    std::memmove(in, in + used, staged);
    z.bit &= 7;
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
    z.safeBits = ptrdiff_t(staged) * 8 - 12;
  };
  // After the full rows went to the sink, what is still needed moves to
  // the window's start: the strings the entries made since the clear code
  // point into, and the row being filled with the previous string, which
  // the next entry extends (apart when a full table left output between
  // them). The window grows when they would fill more than half of it, so
  // that moving them costs less than the output between two moves. It is
  // bounded all the same: the entries point into what the codes wrote up to
  // the table's end, at most the sum of 4096 strings' lengths of up to 4096.
  const auto makeRoom = [&] {
    uint8_t* const base = row_.get();
    uint32_t lo = UINT32_MAX, hi = 0;
    for (uint32_t c = clear + 2; c < z.next; ++c) {
      lo = std::min(lo, Place(s.entry[c]));
      hi = std::max(hi, Place(s.entry[c]) + Length(s.entry[c]));
    }
    const uint32_t tail = std::min(uint32_t(r.start - base), Place(z.prev));
    const uint32_t end = uint32_t(z.out);
    if (lo >= hi || hi >= tail) {  // one piece
      lo = std::min(lo, tail);
      hi = tail;
    }
    const size_t strings = hi - lo;
    const size_t kept = strings + (end - tail);
    const size_t wanted = kRoots + kept + std::max({kept, 2 * w, kRowBytes}) + kSlack;
    std::unique_ptr<uint8_t[]> grown;
    uint8_t* to = base;
    if (rowCapacity_ < wanted) {
      grown = std::make_unique_for_overwrite<uint8_t[]>(wanted);
      to = grown.get();
      std::memcpy(to, base, kRoots);
    }
    std::memmove(to + kRoots, base + lo, strings);
    std::memmove(to + kRoots + strings, base + tail, end - tail);
    if (grown) {
      row_ = std::move(grown);
      rowCapacity_ = wanted;
    }
    // The places move with their bytes.
    const uint32_t stringsBy = lo - uint32_t(kRoots);
    const uint32_t tailBy = tail - uint32_t(kRoots + strings);
    for (uint32_t c = clear + 2; c < z.next; ++c) s.entry[c] -= stringsBy;
    z.prev -= tailBy;
    r.start = row_.get() + (uint32_t(r.start - base) - tailBy);
    z.out = end - tailBy;
    z.window = row_.get();
    z.flushAt = rowsEnd();
  };

  for (;;) {
    const Pause pause = RunCodes(z);
    if (pause == Pause::Rows) {
      if (!FullRows(r, z.window + z.out)) return false;
      if (r.rows == needed) break;
      makeRoom();
    } else if (pause == Pause::Stage) {
      if (more) stage();
      if (z.bit + ptrdiff_t(z.size) > ptrdiff_t(staged) * 8) break;  // the data ran out
      // At the data's end the codes left are taken one at a time.
      z.safeBits = std::max(z.safeBits, z.bit);
    } else if (pause == Pause::Clear) {
      z.size = uint32_t(minSize) + 1;
      z.mask = (2u << minSize) - 1;
      z.next = clear + 1;
      z.prev = kNoString;
    } else if (pause == Pause::End) {
      break;
    } else {
      // The rows before the fault are delivered first.
      if (!FullRows(r, z.window + z.out)) return false;
      Fail("LZW code beyond the string table");
    }
  }
  // Extra pixels after the last row are dropped; a short stream delivers
  // the row it was filling with index 0 in the rest.
  uint8_t* const out = z.window + z.out;
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
