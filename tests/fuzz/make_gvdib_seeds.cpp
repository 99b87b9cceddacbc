// Writes the seed corpus of the GV DIB fuzzer: packed DIBs of every depth
// and compression the check takes, and a few it refuses.
//   make_gvdib_seeds <directory>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Dib(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                         uint32_t sizeImage, uint32_t clrUsed, size_t tableEntries, size_t pixels) {
  std::vector<uint8_t> out(40 + (compression == 3 ? 12 : 0) + 4 * tableEntries + pixels);
  auto put = [&](size_t at, uint32_t v) { std::memcpy(&out[at], &v, 4); };
  put(0, 40);
  put(4, static_cast<uint32_t>(width));
  put(8, static_cast<uint32_t>(height));
  out[12] = 1;
  out[14] = static_cast<uint8_t>(bits);
  put(16, compression);
  put(20, sizeImage);
  put(32, clrUsed);
  for (size_t i = 40; i < out.size(); ++i) out[i] = static_cast<uint8_t>(i * 13);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::vector<std::vector<uint8_t>> seeds = {
      Dib(3, 2, 8, 0, 8, 0, 256, 8),       Dib(8, 1, 4, 0, 4, 5, 5, 4),
      Dib(17, 4, 1, 0, 16, 0, 2, 16),      Dib(5, 3, 24, 0, 0, 0, 0, 48),
      Dib(5, -3, 24, 0, 48, 0, 0, 48),     Dib(2, 2, 16, 3, 8, 0, 0, 8),
      Dib(2, 2, 32, 3, 16, 0, 0, 16),      Dib(2, 2, 32, 0, 16, 0, 0, 16),
      Dib(4, 4, 8, 1, 8, 0, 256, 8),       Dib(4, 4, 4, 2, 6, 0, 16, 6),
      Dib(1, 1, 24, 0, 4, 2, 2, 4),        Dib(3, 2, 8, 0, 9, 0, 256, 8),
  };
  int n = 0;
  for (const auto& seed : seeds) {
    const std::string name = std::string(argv[1]) + "/seed" + std::to_string(n++);
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) return 1;
    std::fwrite(seed.data(), 1, seed.size(), f);
    std::fclose(f);
  }
  std::printf("%d seeds written to %s\n", n, argv[1]);
  return 0;
}
