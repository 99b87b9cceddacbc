#include "tests/helpers/PictureFiles.h"

#include <algorithm>

namespace {

uint8_t Red(uint32_t c) { return static_cast<uint8_t>(c >> 16); }
uint8_t Green(uint32_t c) { return static_cast<uint8_t>(c >> 8); }
uint8_t Blue(uint32_t c) { return static_cast<uint8_t>(c); }

void Put16(std::string& out, int v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

uint16_t To555(uint32_t c) {
  return static_cast<uint16_t>((Red(c) >> 3) << 10 | (Green(c) >> 3) << 5 | (Blue(c) >> 3));
}

}  // namespace

uint32_t Through555(uint32_t rgb) {
  auto widen = [](uint32_t v) { v >>= 3; return (v << 3 | v >> 2) & 0xFF; };
  return widen(Red(rgb)) << 16 | widen(Green(rgb)) << 8 | widen(Blue(rgb));
}

TestImage SampleImage(int width, int height) {
  TestImage image;
  image.Width = width;
  image.Height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t k = static_cast<uint32_t>(y * 7 + x / 3);  // runs of three
      image.Rgb.push_back(((k * 37 + 11) & 0xFF) << 16 | ((k * 91 + 200) & 0xFF) << 8 |
                          ((255 - k * 53) & 0xFF));
    }
  }
  return image;
}

std::string PnmFile(int kind, const TestImage& image, int maxval, const std::string& comment) {
  std::string out = "P" + std::to_string(kind) + "\n";
  if (!comment.empty()) out += "# " + comment + "\n";
  out += std::to_string(image.Width) + " " + std::to_string(image.Height) + "\n";
  const bool bitmap = kind == 1 || kind == 4;
  if (!bitmap) out += std::to_string(maxval) + "\n";
  auto scaled = [&](uint8_t v) { return (v * maxval + 127) / 255; };
  for (int y = 0; y < image.Height; ++y) {
    uint8_t packed = 0;
    for (int x = 0; x < image.Width; ++x) {
      const uint32_t c = image.At(x, y);
      const uint8_t channels[3] = {Red(c), Green(c), Blue(c)};
      const int count = kind == 3 || kind == 6 ? 3 : 1;
      if (kind == 1) {
        out += Red(c) < 128 ? "1" : "0";
        out += (x % 5 == 4) ? "\n" : "";  // runs of digits with and without blanks
      } else if (kind == 4) {
        if (Red(c) < 128) packed |= static_cast<uint8_t>(0x80 >> (x % 8));
        if (x % 8 == 7 || x == image.Width - 1) {
          out += static_cast<char>(packed);
          packed = 0;
        }
      } else {
        for (int s = 0; s < count; ++s) {
          const int v = scaled(channels[s]);
          if (kind <= 3) {
            out += std::to_string(v) + " ";
          } else if (maxval > 255) {
            out += static_cast<char>(v >> 8);
            out += static_cast<char>(v & 0xFF);
          } else {
            out += static_cast<char>(v);
          }
        }
      }
    }
    if (kind <= 3) out += "\n";
  }
  return out;
}

std::string TgaFile(const TestImage& image, const TgaOptions& o) {
  const bool mapped = o.Type == 1 || o.Type == 9;
  const bool grey = o.Type == 3 || o.Type == 11;
  const bool rle = o.Type >= 9;
  std::vector<uint32_t> map;
  if (mapped) {
    for (uint32_t c : image.Rgb) {
      if (std::find(map.begin(), map.end(), c) == map.end()) map.push_back(c);
    }
  }
  std::string out;
  out += static_cast<char>(o.Id.size());
  out += static_cast<char>(mapped ? 1 : 0);
  out += static_cast<char>(o.Type);
  Put16(out, mapped ? o.MapFirst : 0);
  Put16(out, static_cast<int>(map.size()));
  out += static_cast<char>(mapped ? o.MapEntry : 0);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, image.Width);
  Put16(out, image.Height);
  out += static_cast<char>(o.Depth);
  out += static_cast<char>((o.TopDown ? 0x20 : 0) | (o.RightToLeft ? 0x10 : 0) |
                           (o.Depth == 32 ? 8 : 0));
  out += o.Id;

  auto colour = [&](uint32_t c, int bits) {
    std::string s;
    if (bits == 15 || bits == 16) {
      Put16(s, To555(c));
    } else {
      s += static_cast<char>(Blue(c));
      s += static_cast<char>(Green(c));
      s += static_cast<char>(Red(c));
      if (bits == 32) s += static_cast<char>(o.Alpha);
    }
    return s;
  };
  for (uint32_t c : map) out += colour(c, o.MapEntry);

  // The pixels in file order.
  std::vector<std::string> pixels;
  for (int row = 0; row < image.Height; ++row) {
    const int y = o.TopDown ? row : image.Height - 1 - row;
    for (int column = 0; column < image.Width; ++column) {
      const int x = o.RightToLeft ? image.Width - 1 - column : column;
      const uint32_t c = image.At(x, y);
      if (mapped) {
        const size_t k = std::find(map.begin(), map.end(), c) - map.begin();
        pixels.push_back(std::string(1, static_cast<char>(o.MapFirst + k)));
      } else if (grey) {
        pixels.push_back(std::string(1, static_cast<char>(Red(c))));
      } else {
        pixels.push_back(colour(c, o.Depth));
      }
    }
  }
  if (!rle) {
    for (const std::string& p : pixels) out += p;
    return out;
  }
  // Runs of equal pixels as repeat packets, the rest as raw packets; both
  // may run on from one row into the next.
  for (size_t i = 0; i < pixels.size();) {
    size_t run = 1;
    while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i]) ++run;
    if (run > 1) {
      out += static_cast<char>(0x80 | (run - 1));
      out += pixels[i];
      i += run;
      continue;
    }
    size_t raw = 1;
    while (i + raw < pixels.size() && raw < 128 &&
           !(i + raw + 1 < pixels.size() && pixels[i + raw] == pixels[i + raw + 1])) {
      ++raw;
    }
    out += static_cast<char>(raw - 1);
    for (size_t k = 0; k < raw; ++k) out += pixels[i + k];
    i += raw;
  }
  return out;
}
