// Writes small BMP files for the tests, field by field, so that each test
// can state exactly which header it means and which field lies.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace lvx::test {

struct BmpSpec {
  std::uint32_t headerSize = 40;  // 12 core, 40 info, 108 v4, 124 v5
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: top-down
  std::uint16_t planes = 1;
  std::uint16_t bpp = 24;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;        // 0: the palette's length when shorter than full
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::vector<std::uint32_t> masks;    // red, green, blue
  std::string pixels;                  // the pixel data exactly as stored
  std::int64_t offBits = -1;           // -1: right after the palette
};

inline void PutLE(std::string& s, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::string MakeBmp(const BmpSpec& b) {
  const bool core = b.headerSize == 12;
  std::string h;
  PutLE(h, b.headerSize, 4);
  PutLE(h, static_cast<std::uint32_t>(b.width), core ? 2 : 4);
  PutLE(h, static_cast<std::uint32_t>(b.height), core ? 2 : 4);
  PutLE(h, b.planes, 2);
  PutLE(h, b.bpp, 2);
  if (!core) {
    std::uint32_t used = b.colorsUsed;
    if (used == 0 && b.bpp <= 8 && b.palette.size() < (std::size_t{1} << b.bpp))
      used = static_cast<std::uint32_t>(b.palette.size());
    for (std::uint32_t v :
         {b.compression, static_cast<std::uint32_t>(b.pixels.size()), 2835u, 2835u, used, 0u})
      PutLE(h, v, 4);
    for (std::uint32_t m : b.masks) PutLE(h, m, 4);  // inside longer headers, after a short one
    while (h.size() < b.headerSize) h += '\0';
  }
  for (std::uint32_t c : b.palette) PutLE(h, c, core ? 3 : 4);
  std::string f = "BM";
  PutLE(f, static_cast<std::uint32_t>(14 + h.size() + b.pixels.size()), 4);
  PutLE(f, 0, 4);
  PutLE(f,
        b.offBits >= 0 ? static_cast<std::uint32_t>(b.offBits)
                       : static_cast<std::uint32_t>(14 + h.size()),
        4);
  return f + h + b.pixels;
}

// Packs rows of palette indices or colours (top row first) as a BMP stores
// them: padded to 4 bytes, bottom row first unless top-down.
inline std::string PackRows(const std::vector<std::vector<std::uint32_t>>& rows, int bpp,
                            bool topDown) {
  std::string out;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const auto& row = rows[topDown ? r : rows.size() - 1 - r];
    std::string bytes((row.size() * bpp + 31) / 32 * 4, '\0');
    for (std::size_t x = 0; x < row.size(); ++x) {
      if (bpp < 8)
        bytes[x * bpp / 8] =
            static_cast<char>(bytes[x * bpp / 8] | (row[x] << (8 - bpp - x * bpp % 8)));
      else
        for (int i = 0; i < bpp / 8; ++i)
          bytes[x * bpp / 8 + i] = static_cast<char>(row[x] >> (8 * i));
    }
    out += bytes;
  }
  return out;
}

inline std::string Bytes(std::initializer_list<int> v) {
  std::string s;
  for (int c : v) s += static_cast<char>(c);
  return s;
}

}  // namespace lvx::test
