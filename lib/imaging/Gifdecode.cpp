#include "lib/imaging/Gifdecode.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes

// Interlaced rows: pass n starts at row kStart[n] and steps kStep[n].
constexpr int kStart[4] = {0, 4, 2, 1};
constexpr int kStep[4] = {8, 8, 4, 2};

}  // namespace

// The string of a code is its prefix code's string followed by its suffix;
// a root (a colour index) is its own one-byte string. Keeping each string's
// length and first byte lets a string be written straight into the row,
// back to front, and a new entry be made without walking the chain.
struct kxGifReader::Strings {
  uint16_t prefix[kMaxCodes];
  uint16_t length[kMaxCodes];
  uint8_t suffix[kMaxCodes];
  uint8_t first[kMaxCodes];
  uint8_t stack[kMaxCodes];  // a string that does not fit in the row
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
  row_.resize(size_t(width));
  uint8_t* const row = row_.data();

  // Codes are read least significant bit first; a code is at most 12 bits
  // and starts within a byte, so three bytes always hold it. Three bytes of
  // padding keep that read inside the buffer at the end.
  const size_t bytes = data_.size();
  data_.resize(bytes + 3, 0);
  const uint8_t* const in = data_.data();
  const uint64_t totalBits = uint64_t(bytes) * 8;
  uint64_t bit = 0;

  const int minSize = image.MinCodeSize;
  const int clear = 1 << minSize;
  const int end = clear + 1;
  for (int i = 0; i < clear; ++i) {
    s.prefix[i] = 0;
    s.length[i] = 1;
    s.suffix[i] = uint8_t(i);
    s.first[i] = uint8_t(i);
  }
  int size = minSize + 1;
  int mask = (1 << size) - 1;
  int next = clear + 2;
  int prev = -1;

  int x = 0;
  int y = 0;
  int pass = 0;
  int rows = 0;
  int seen = 0;  // rows within the screen delivered
  // Delivers the full row (when on the screen) and moves to the next one;
  // false when the sink stopped.
  auto flush = [&]() -> bool {
    x = 0;
    if (y < inside) {
      if (!sink_.Row(y, row)) return false;
      ++seen;
    }
    ++rows;
    if (!image.Interlaced) {
      ++y;
    } else {
      y += kStep[pass];
      while (y >= height && pass < 3) y = kStart[++pass];
    }
    return true;
  };

  for (;;) {
    if (bit + uint64_t(size) > totalBits) break;  // the data ran out
    const uint8_t* p = in + (bit >> 3);
    const int code = int((uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16) >> (bit & 7)) & mask;
    bit += uint64_t(size);

    if (code == clear) {
      size = minSize + 1;
      mask = (1 << size) - 1;
      next = clear + 2;
      prev = -1;
      continue;
    }
    if (code == end) break;

    // The new entry is the previous string and the first byte of this one;
    // for the code not yet in the table that is the previous string's own
    // first byte. Made before writing, so the new code writes like any other.
    uint8_t firstByte;
    if (code < next) {
      firstByte = s.first[code];
    } else if (code == next && prev >= 0) {
      firstByte = s.first[prev];
    } else {
      Fail("LZW code beyond the string table");
    }
    if (prev >= 0 && next < kMaxCodes) {
      s.prefix[next] = uint16_t(prev);
      s.suffix[next] = firstByte;
      s.first[next] = s.first[prev];
      s.length[next] = uint16_t(s.length[prev] + 1);
      ++next;
      // A full table stays at 12 bits until the file clears it.
      if (next == (1 << size) && size < 12) {
        ++size;
        mask = (1 << size) - 1;
      }
    }
    prev = code;

    int length = s.length[code];
    if (length <= width - x) {
      // The usual case: the string fits in the row.
      uint8_t* out = row + x + length;
      int c = code;
      for (int i = length; i > 0; --i) {
        *--out = s.suffix[c];
        c = s.prefix[c];
      }
      x += length;
      if (x == width) {
        if (!flush()) return false;
        if (rows == height || seen == inside) break;
      }
    } else {
      uint8_t* out = s.stack + length;
      int c = code;
      for (int i = length; i > 0; --i) {
        *--out = s.suffix[c];
        c = s.prefix[c];
      }
      const uint8_t* from = s.stack;
      while (length > 0) {
        const int n = std::min(length, width - x);
        std::memcpy(row + x, from, size_t(n));
        from += n;
        length -= n;
        x += n;
        if (x == width) {
          if (!flush()) return false;
          if (rows == height || seen == inside) break;
        }
      }
      if (rows == height || seen == inside) break;
    }
  }
  data_.resize(bytes);
  // Extra pixels after the last row are dropped; a short stream delivers
  // the row it was filling with index 0 in the rest.
  complete = rows == height || seen == inside;
  if (!complete && x > 0) {
    std::memset(row + x, 0, size_t(width - x));
    if (!flush()) return false;
  }
  return true;
}

bool DecodeGif(const void* data, size_t size, kxGifSink& sink) {
  kxGifReader reader(data, size, sink);
  return reader.Decode();
}
