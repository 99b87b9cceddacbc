#include "lib/imaging/plugins/Pnm.h"

#include <algorithm>

namespace {

constexpr size_t kMaxText = 4096;

bool IsBlank(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

class Reader {
public:
  Reader(const uint8_t* data, size_t size, std::string& text) : p_(data), end_(data + size), text_(text) {}

  // Blanks and comments before a header number; comments go to the text.
  void SkipBlanks() {
    while (p_ < end_) {
      if (IsBlank(*p_)) {
        ++p_;
      } else if (*p_ == '#') {
        const uint8_t* start = ++p_;
        while (p_ < end_ && *p_ != '\n' && *p_ != '\r') ++p_;
        while (start < p_ && (*start == ' ' || *start == '\t')) ++start;
        if (text_.size() < kMaxText) {
          if (!text_.empty()) text_ += "\r\n";
          text_.append(start, p_);
          if (text_.size() > kMaxText) text_.resize(kMaxText);
        }
      } else {
        break;
      }
    }
  }
  // A decimal number up to max; false for anything else.
  bool Number(uint32_t max, uint32_t& value) {
    SkipBlanks();
    if (p_ == end_ || *p_ < '0' || *p_ > '9') return false;
    uint64_t v = 0;
    while (p_ < end_ && *p_ >= '0' && *p_ <= '9') {
      v = v * 10 + (*p_++ - '0');
      if (v > max) return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
  }
  // A plain bitmap's pixel: one digit, blanks and comments around it.
  bool Bit(uint8_t& bit) {
    SkipBlanks();
    if (p_ == end_ || (*p_ != '0' && *p_ != '1')) return false;
    bit = static_cast<uint8_t>(*p_++ - '0');
    return true;
  }
  // The one blank that ends the header of a raw file.
  bool EndOfHeader() {
    if (p_ == end_ || !IsBlank(*p_)) return false;
    ++p_;
    return true;
  }
  size_t Left() const { return static_cast<size_t>(end_ - p_); }
  const uint8_t* Here() const { return p_; }

private:
  const uint8_t* p_;
  const uint8_t* end_;
  std::string& text_;
};

uint8_t Scale(uint32_t sample, uint32_t maxval) {
  if (sample >= maxval) return 255;
  return static_cast<uint8_t>((sample * 255u + maxval / 2) / maxval);
}

}  // namespace

bool IsPnmHead(const uint8_t* head, size_t size) {
  return size >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' &&
         (IsBlank(head[2]) || head[2] == '#');
}

kxSpiStatus DecodePnm(const uint8_t* data, size_t size, kxSpiPicture& picture, bool infoOnly) {
  if (!IsPnmHead(data, size)) return psUnknownFormat;
  const int kind = data[1] - '0';
  const bool bitmap = kind == 1 || kind == 4;
  const bool colour = kind == 3 || kind == 6;
  const bool raw = kind >= 4;
  const uint32_t samples = colour ? 3 : 1;
  Reader r(data + 2, size - 2, picture.Text);

  uint32_t width, height, maxval = 1;
  if (!r.Number(0x7FFFFFFF, width) || !r.Number(0x7FFFFFFF, height)) return psBroken;
  if (!bitmap && !r.Number(65535, maxval)) return psBroken;
  if (width == 0 || height == 0 || maxval == 0) return psBroken;
  if (raw && !r.EndOfHeader()) return psBroken;

  picture.SourceDepth = static_cast<uint16_t>(bitmap ? 1 : (maxval > 255 ? 16 : 8) * samples);
  const uint16_t bitCount = static_cast<uint16_t>(bitmap ? 1 : 8 * samples);
  // The size first; rows only once the data for them is known to be there.
  kxSpiStatus status = picture.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height),
                                        bitCount, true);
  if (status != psOk) return status;
  if (bitmap) picture.Colors = {0xFFFFFF, 0x000000};
  if (kind == 2 || kind == 5) picture.Colors = GreyTable();

  // Every pixel takes at least a byte (a raw bitmap's row at least its
  // packed bytes): a file too short for that is refused before reading.
  const uint64_t pixels = uint64_t{width} * height;
  const uint64_t bytesPerSample = maxval > 255 ? 2 : 1;
  const uint64_t needed = kind == 4   ? (uint64_t{width} + 7) / 8 * height
                          : raw      ? pixels * samples * bytesPerSample
                                     : pixels * samples;
  if (needed > r.Left()) return psBroken;
  if (infoOnly) return psOk;
  status = picture.Allocate(picture.Width, picture.Height, bitCount, false);
  if (status != psOk) return status;

  if (kind == 4) {
    const size_t packed = (width + 7) / 8;
    const uint8_t* p = r.Here();
    for (uint32_t y = 0; y < height; ++y, p += packed) {
      uint8_t* row = picture.Row(static_cast<int32_t>(y));
      std::copy(p, p + packed, row);
      // Bits past the width are padding in the file: keep them index 0.
      if (width % 8) row[packed - 1] &= static_cast<uint8_t>(0xFF00 >> (width % 8));
    }
    return psOk;
  }
  if (kind == 1) {
    for (uint32_t y = 0; y < height; ++y) {
      uint8_t* row = picture.Row(static_cast<int32_t>(y));
      for (uint32_t x = 0; x < width; ++x) {
        uint8_t bit;
        if (!r.Bit(bit)) return psBroken;
        if (bit) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
    return psOk;
  }

  const uint8_t* p = r.Here();
  uint32_t sample[3];
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = picture.Row(static_cast<int32_t>(y));
    for (uint32_t x = 0; x < width; ++x) {
      for (uint32_t s = 0; s < samples; ++s) {
        if (raw) {
          sample[s] = bytesPerSample == 2 ? (uint32_t{p[0]} << 8 | p[1]) : *p;
          p += bytesPerSample;
        } else if (!r.Number(65535, sample[s])) {
          return psBroken;
        }
      }
      if (colour) {
        row[3 * x] = Scale(sample[2], maxval);
        row[3 * x + 1] = Scale(sample[1], maxval);
        row[3 * x + 2] = Scale(sample[0], maxval);
      } else {
        row[x] = Scale(sample[0], maxval);
      }
    }
  }
  return psOk;
}
