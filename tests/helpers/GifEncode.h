// A small GIF writer for the tests, the fuzzer's seeds and the benchmark:
// files built block by block, the LZW coder with the choices a decoder must
// cope with (no first clear code, a full table kept, early clears), and a
// bit writer for code streams made by hand. Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using GifBytes = std::vector<uint8_t>;

// Codes of given widths, least significant bit first, as GIF packs them.
class GifBits {
public:
  void Put(int code, int bits);
  // The bytes so far, the last one padded with zero bits.
  GifBytes Bytes() const;

private:
  GifBytes bytes_;
  uint32_t acc_ = 0;
  int count_ = 0;
};

struct GifLzwOptions {
  bool clearFirst = true;    // a clear code before the first pixel
  bool clearWhenFull = true; // clear at 4096 entries, else keep the table
  int clearAt = 4096;        // clear once this many entries exist
  bool endCode = true;       // the end-of-information code at the end
};

// The LZW code stream (before cutting into sub-blocks) of indices, each
// below 1 << minCodeSize.
GifBytes GifLzw(const uint8_t* indices, size_t count, int minCodeSize,
                const GifLzwOptions& options = GifLzwOptions());

// Data cut into sub-blocks of at most blockSize bytes, and the terminator.
void GifSubBlocks(GifBytes& out, const GifBytes& data, size_t blockSize = 255);

// The row order of an interlaced image: pass 1 rows 0, 8, ...; pass 2
// rows 4, 12, ...; pass 3 rows 2, 6, ...; pass 4 the odd rows.
std::vector<int> GifInterlaceOrder(int height);

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> pixels;  // width * height indices, top row first
  bool interlaced = false;
  std::vector<uint8_t> localTable;  // RGB triples (2 to 256 of them) or none
  int minCodeSize = 0;              // 0: the smallest that holds the indices
  GifLzwOptions lzw;
};

// A file built in order; Bytes() ends with the trailer unless told not to.
class GifFile {
public:
  // globalTable: RGB triples, a power of two from 2 to 256 of them, or none.
  GifFile(int width, int height, const std::vector<uint8_t>& globalTable, int background = 0,
          const char* version = "89a");
  void Control(int disposal, bool userInput, bool transparent, int transparentIndex, int delay);
  void Comment(const std::string& text);
  void Application(const std::string& id, const GifBytes& data);
  void PlainText(int left, int top, int width, int height, int cellWidth, int cellHeight,
                 int foreground, int background, const std::string& text);
  void Image(const GifFrame& frame);
  void Raw(const GifBytes& bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
  GifBytes Bytes(bool trailer = true) const;

private:
  GifBytes out_;
};

// A palette of n grey-to-colour entries, RGB triples.
std::vector<uint8_t> GifPalette(int n);
// width * height indices below colours, with runs and gradients that
// compress as pictures do (seeded, repeatable).
std::vector<uint8_t> GifPicture(int width, int height, int colours, uint32_t seed);
