// Writes the Susie fuzzer's seed corpus: DIBs as plug-ins hand them over,
// netpbm and TGA files of every kind, each behind the byte that chooses
// its part (see fuzz_susie.cpp).
//   make_susie_seeds <directory>
#include "tests/helpers/PictureFiles.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string Dib(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                uint32_t sizeImage, uint32_t colors, size_t tableBytes, const std::string& pixels) {
  std::string info(40 + tableBytes, '\0');
  auto put = [&](size_t at, uint32_t v) { std::memcpy(&info[at], &v, 4); };
  put(0, 40);
  put(4, static_cast<uint32_t>(width));
  put(8, static_cast<uint32_t>(height));
  info[12] = 1;
  info[14] = static_cast<char>(bits);
  put(16, compression);
  put(20, sizeImage);
  put(32, colors);
  for (size_t i = 40; i < info.size(); ++i) info[i] = static_cast<char>(i * 7);
  std::string out(1, '\0');
  out += static_cast<char>(info.size() & 0xFF);
  out += static_cast<char>(info.size() >> 8);
  return out + info + pixels;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_susie_seeds <directory>\n");
    return 2;
  }
  const std::string dir = argv[1];
  int written = 0;
  auto write = [&](const std::string& name, const std::string& bytes) {
    FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    ++written;
  };
  write("dib8", Dib(4, 2, 8, 0, 8, 0, 1024, std::string(8, '\1')));
  write("dib24zero", Dib(3, -2, 24, 0, 0, 0, 0, std::string(24, '\x7F')));
  write("dib16bf", Dib(2, 1, 16, 3, 4, 0, 12, std::string(4, '\x1F')));
  write("dib4used", Dib(5, 3, 4, 0, 0, 5, 20, std::string(12, '\x21')));
  write("dibrle8", Dib(4, 2, 8, 1, 0, 3, 12, std::string("\4\1\0\0\4\2\0\1", 8)));
  write("dib1", Dib(9, 2, 1, 0, 8, 2, 8, std::string(8, '\x55')));

  const TestImage image = SampleImage(9, 4);
  for (int kind = 1; kind <= 6; ++kind) {
    write("pnm" + std::to_string(kind), "\1" + PnmFile(kind, image, 255, "seed"));
  }
  write("pnm16", "\1" + PnmFile(6, image, 65535));
  const int types[] = {1, 2, 3, 9, 10, 11};
  for (int type : types) {
    for (int depth : {8, 16, 24, 32}) {
      const bool eight = type == 1 || type == 9 || type == 3 || type == 11;
      if (eight != (depth == 8)) continue;
      TgaOptions o;
      o.Type = type, o.Depth = depth, o.TopDown = depth == 24, o.Id = type == 9 ? "id" : "";
      write("tga" + std::to_string(type) + "_" + std::to_string(depth), "\2" + TgaFile(image, o));
    }
  }
  std::printf("%d seeds written to %s\n", written, dir.c_str());
  return 0;
}
