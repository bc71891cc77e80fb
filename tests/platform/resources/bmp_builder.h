// Writes small BMP files for the tests, field by field, so that each test
// can state exactly which header it means and which field lies.
#pragma once

#include <cstdint>
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
  std::uint32_t colorsUsed = 0;  // 0: the palette's own length when shorter than full
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::vector<std::uint32_t> masks;    // red, green, blue; written after a 40-byte header
  std::string pixels;                  // the pixel data exactly as stored
  std::int64_t offBits = -1;           // -1: right after the palette
};

inline void Put16(std::string& s, std::uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

inline std::string MakeBmp(const BmpSpec& b) {
  std::string h;
  Put32(h, b.headerSize);
  if (b.headerSize == 12) {
    Put16(h, static_cast<std::uint32_t>(b.width));
    Put16(h, static_cast<std::uint32_t>(b.height));
    Put16(h, b.planes);
    Put16(h, b.bpp);
  } else {
    Put32(h, static_cast<std::uint32_t>(b.width));
    Put32(h, static_cast<std::uint32_t>(b.height));
    Put16(h, b.planes);
    Put16(h, b.bpp);
    Put32(h, b.compression);
    Put32(h, static_cast<std::uint32_t>(b.pixels.size()));
    Put32(h, 2835);
    Put32(h, 2835);
    std::uint32_t used = b.colorsUsed;
    if (used == 0 && b.bpp <= 8 && b.palette.size() < (std::size_t{1} << b.bpp))
      used = static_cast<std::uint32_t>(b.palette.size());
    Put32(h, used);
    Put32(h, 0);
    if (b.headerSize > 40) {
      for (std::size_t i = 0; i < 3; ++i) Put32(h, i < b.masks.size() ? b.masks[i] : 0);
      while (h.size() < b.headerSize) h += '\0';
    } else {
      for (std::uint32_t m : b.masks) Put32(h, m);
    }
  }
  std::string pal;
  for (std::uint32_t c : b.palette) {
    pal += static_cast<char>(c & 0xFF);
    pal += static_cast<char>((c >> 8) & 0xFF);
    pal += static_cast<char>((c >> 16) & 0xFF);
    if (b.headerSize != 12) pal += '\0';
  }
  std::uint32_t off = static_cast<std::uint32_t>(14 + h.size() + pal.size());
  if (b.offBits >= 0) off = static_cast<std::uint32_t>(b.offBits);
  std::string f = "BM";
  Put32(f, static_cast<std::uint32_t>(14 + h.size() + pal.size() + b.pixels.size()));
  Put32(f, 0);
  Put32(f, off);
  return f + h + pal + b.pixels;
}

// Packs rows of palette indices or colours (top row first) as a BMP stores
// them: padded to 4 bytes, bottom row first unless top-down.
inline std::string PackRows(const std::vector<std::vector<std::uint32_t>>& rows, int bpp,
                            bool topDown) {
  std::string out;
  const std::size_t n = rows.size();
  for (std::size_t r = 0; r < n; ++r) {
    const auto& row = rows[topDown ? r : n - 1 - r];
    std::string bytes;
    if (bpp < 8) {
      bytes.assign((row.size() * bpp + 7) / 8, '\0');
      for (std::size_t x = 0; x < row.size(); ++x) {
        std::size_t bit = x * bpp;
        bytes[bit / 8] = static_cast<char>(static_cast<unsigned char>(bytes[bit / 8]) |
                                           (row[x] << (8 - bpp - bit % 8)));
      }
    } else {
      for (std::uint32_t v : row)
        for (int i = 0; i < bpp / 8; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    while (bytes.size() % 4) bytes += '\0';
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
