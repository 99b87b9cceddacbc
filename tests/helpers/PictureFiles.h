// Netpbm and TGA files written by the tests, from pictures whose every
// pixel the tests know. Window-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// width x height colours 0x00RRGGBB, row 0 at the top.
struct TestImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Rgb;
  uint32_t At(int x, int y) const { return Rgb[static_cast<size_t>(y) * Width + x]; }
};

// Distinct colours that differ in each channel, with runs of equal pixels
// along each row (for run-length encoding).
TestImage SampleImage(int width, int height);

// P1 to P6. Grey and bitmap files take the red channel (a bitmap's pixel
// is black, 1, below 128); samples are scaled to maxval. comment goes on
// a line after the magic.
std::string PnmFile(int kind, const TestImage& image, int maxval = 255,
                    const std::string& comment = "");

struct TgaOptions {
  int Type = 2;         // 1, 2, 3, 9, 10 or 11
  int Depth = 24;       // pixel bits: 8 (mapped, grey), 15, 16, 24, 32
  int MapEntry = 24;    // map entry bits of types 1 and 9
  int MapFirst = 0;     // first map index
  bool TopDown = false;
  bool RightToLeft = false;
  std::string Id;
  uint8_t Alpha = 0x80; // the alpha byte of 32-bit pixels
};
// The picture as a TGA file. Types 1 and 9 store index MapFirst + k for
// the k-th colour of the image (in order of first appearance; at most 256
// minus MapFirst colours); types 3 and 11 the red channel.
std::string TgaFile(const TestImage& image, const TgaOptions& options);
// The colour a 15 or 16-bit pixel gives back for rgb: 5 bits a channel,
// widened again.
uint32_t Through555(uint32_t rgb);
