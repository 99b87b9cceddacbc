#include "tests/helpers/GifEncode.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

void GifBits::Put(int code, int bits) {
  acc_ |= uint32_t(code & ((1 << bits) - 1)) << count_;
  count_ += bits;
  while (count_ >= 8) {
    bytes_.push_back(uint8_t(acc_));
    acc_ >>= 8;
    count_ -= 8;
  }
}

GifBytes GifBits::Bytes() const {
  GifBytes bytes = bytes_;
  if (count_ > 0) bytes.push_back(uint8_t(acc_));
  return bytes;
}

GifBytes GifLzw(const uint8_t* indices, size_t count, int minCodeSize,
                const GifLzwOptions& options) {
  const int clear = 1 << minCodeSize;
  const int limit = options.clearAt < 4096 ? options.clearAt : 4096;
  // child[(code << 8) | byte] names the entry for code's string plus byte;
  // an entry is only believed when it is live and really is that pair, so
  // the index needs no wiping at a clear.
  std::vector<uint16_t> child(4096 * 256, 0);
  std::vector<uint16_t> prefix(4096, 0);
  std::vector<uint8_t> suffix(4096, 0);
  GifBits bits;
  int size = minCodeSize + 1;
  int next = clear + 2;
  auto reset = [&] {
    size = minCodeSize + 1;
    next = clear + 2;
  };
  if (options.clearFirst) bits.Put(clear, size);
  if (count == 0) {
    if (options.endCode) bits.Put(clear + 1, size);
    return bits.Bytes();
  }
  for (size_t i = 0; i < count; ++i) {
    if (indices[i] >= clear) throw std::invalid_argument("index beyond the code size");
  }
  int current = indices[0];
  for (size_t i = 1; i < count; ++i) {
    const uint8_t byte = indices[i];
    const int e = child[size_t(current) << 8 | byte];
    if (e >= clear + 2 && e < next && prefix[e] == current && suffix[e] == byte) {
      current = e;
      continue;
    }
    bits.Put(current, size);
    if (next < limit) {
      prefix[next] = uint16_t(current);
      suffix[next] = byte;
      child[size_t(current) << 8 | byte] = uint16_t(next);
      ++next;
      // The decoder makes this entry one code later: it widens its codes
      // once this entry's number no longer fits.
      if (next > (1 << size) && size < 12) ++size;
    }
    if (next >= limit && options.clearWhenFull) {
      bits.Put(clear, size);
      reset();
    }
    current = byte;
  }
  bits.Put(current, size);
  if (options.endCode) {
    // The decoder made the entry of that last code too: its codes are
    // already wider when that entry filled the width.
    if (next == (1 << size) && size < 12) ++size;
    bits.Put(clear + 1, size);
  }
  return bits.Bytes();
}

void GifSubBlocks(GifBytes& out, const GifBytes& data, size_t blockSize) {
  for (size_t at = 0; at < data.size(); at += blockSize) {
    const size_t n = std::min(blockSize, data.size() - at);
    out.push_back(uint8_t(n));
    out.insert(out.end(), data.begin() + long(at), data.begin() + long(at + n));
  }
  out.push_back(0);
}

std::vector<int> GifInterlaceOrder(int height) {
  std::vector<int> order;
  const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = start[pass]; y < height; y += step[pass]) order.push_back(y);
  }
  return order;
}

namespace {

void Put16(GifBytes& out, int value) {
  out.push_back(uint8_t(value));
  out.push_back(uint8_t(value >> 8));
}

// The size field of a table of n entries (2 to 256, a power of two).
int TableBits(size_t n) {
  int bits = 0;
  while ((size_t(2) << bits) < n) ++bits;
  return bits;
}

}  // namespace

GifFile::GifFile(int width, int height, const std::vector<uint8_t>& globalTable, int background,
                 const char* version) {
  const std::string signature = std::string("GIF") + version;
  out_.assign(signature.begin(), signature.end());
  Put16(out_, width);
  Put16(out_, height);
  const size_t n = globalTable.size() / 3;
  out_.push_back(uint8_t(n ? 0x80 | 0x70 | TableBits(n) : 0x70));
  out_.push_back(uint8_t(background));
  out_.push_back(0);
  out_.insert(out_.end(), globalTable.begin(), globalTable.end());
}

void GifFile::Control(int disposal, bool userInput, bool transparent, int transparentIndex,
                      int delay) {
  out_.insert(out_.end(), {0x21, 0xF9, 4});
  out_.push_back(uint8_t((disposal & 7) << 2 | (userInput ? 2 : 0) | (transparent ? 1 : 0)));
  Put16(out_, delay);
  out_.push_back(uint8_t(transparentIndex));
  out_.push_back(0);
}

void GifFile::Comment(const std::string& text) {
  out_.insert(out_.end(), {0x21, 0xFE});
  GifSubBlocks(out_, GifBytes(text.begin(), text.end()));
}

void GifFile::Application(const std::string& id, const GifBytes& data) {
  out_.insert(out_.end(), {0x21, 0xFF});
  out_.push_back(uint8_t(id.size()));
  out_.insert(out_.end(), id.begin(), id.end());
  GifSubBlocks(out_, data);
}

void GifFile::PlainText(int left, int top, int width, int height, int cellWidth, int cellHeight,
                        int foreground, int background, const std::string& text) {
  out_.insert(out_.end(), {0x21, 0x01, 12});
  Put16(out_, left);
  Put16(out_, top);
  Put16(out_, width);
  Put16(out_, height);
  out_.insert(out_.end(), {uint8_t(cellWidth), uint8_t(cellHeight), uint8_t(foreground),
                           uint8_t(background)});
  GifSubBlocks(out_, GifBytes(text.begin(), text.end()));
}

void GifFile::Image(const GifFrame& frame) {
  out_.push_back(0x2C);
  Put16(out_, frame.left);
  Put16(out_, frame.top);
  Put16(out_, frame.width);
  Put16(out_, frame.height);
  const size_t n = frame.localTable.size() / 3;
  out_.push_back(uint8_t((n ? 0x80 | TableBits(n) : 0) | (frame.interlaced ? 0x40 : 0)));
  out_.insert(out_.end(), frame.localTable.begin(), frame.localTable.end());
  int minCodeSize = frame.minCodeSize;
  if (minCodeSize == 0) {
    int top = 0;
    for (uint8_t p : frame.pixels) top = std::max<int>(top, p);
    minCodeSize = 2;
    while ((1 << minCodeSize) <= top) ++minCodeSize;
  }
  out_.push_back(uint8_t(minCodeSize));
  std::vector<uint8_t> ordered;
  const std::vector<uint8_t>* pixels = &frame.pixels;
  if (frame.interlaced) {
    for (int y : GifInterlaceOrder(frame.height)) {
      const auto row = frame.pixels.begin() + long(y) * frame.width;
      ordered.insert(ordered.end(), row, row + frame.width);
    }
    pixels = &ordered;
  }
  GifSubBlocks(out_, GifLzw(pixels->data(), pixels->size(), minCodeSize, frame.lzw));
}

GifBytes GifFile::Bytes(bool trailer) const {
  GifBytes bytes = out_;
  if (trailer) bytes.push_back(0x3B);
  return bytes;
}

std::vector<uint8_t> GifPalette(int n) {
  std::vector<uint8_t> rgb;
  for (int i = 0; i < n; ++i) {
    rgb.push_back(uint8_t(i * 255 / (n > 1 ? n - 1 : 1)));
    rgb.push_back(uint8_t(i * 37));
    rgb.push_back(uint8_t(255 - i * 91));
  }
  return rgb;
}

std::vector<uint8_t> GifPicture(int width, int height, int colours, uint32_t seed) {
  std::vector<uint8_t> pixels(size_t(width) * size_t(height));
  uint32_t r = seed * 2654435761u + 1;
  auto random = [&] {
    r ^= r << 13;
    r ^= r >> 17;
    r ^= r << 5;
    return r;
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Broad gradients with short runs of noise: neither flat nor random.
      int v = (x / 3 + y / 5 + int(seed)) + ((x * y) >> 10);
      if (random() % 4 == 0) v += int(random() % 3);
      pixels[size_t(y) * size_t(width) + size_t(x)] = uint8_t(v % colours);
    }
  }
  return pixels;
}
