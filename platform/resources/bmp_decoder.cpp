#include "platform/resources/bmp_decoder.h"

#include <bit>
#include <utility>

namespace lvx {
namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;

// Bounds-checked little-endian reads; every offset is checked before use.
struct Bytes {
  const unsigned char* p;
  std::size_t n;
  bool Has(std::uint64_t off, std::uint64_t len) const { return off <= n && len <= n - off; }
  std::uint32_t U16(std::size_t o) const { return p[o] | (std::uint32_t{p[o + 1]} << 8); }
  std::uint32_t U32(std::size_t o) const {
    return p[o] | (std::uint32_t{p[o + 1]} << 8) | (std::uint32_t{p[o + 2]} << 16) |
           (std::uint32_t{p[o + 3]} << 24);
  }
};

// One colour channel given by a bit mask, widened to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t max = 0;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  std::uint32_t Get(std::uint32_t v) const {
    if (max == 0) return 0;
    std::uint64_t c = (v & mask) >> shift;
    return static_cast<std::uint32_t>((c * 255 + max / 2) / max);
  }
};

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;  // always positive here
  bool topDown = false;
  unsigned bpp = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t masks[3] = {0, 0, 0};
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB, 1 << bpp entries for bpp <= 8
  std::size_t dataOffset = 0;
};

bool ReadHeader(const Bytes& f, Header& h) {
  if (!f.Has(0, 14 + 12) || f.p[0] != 'B' || f.p[1] != 'M') return false;
  const std::uint32_t offBits = f.U32(10);
  const std::uint32_t headerSize = f.U32(14);
  std::uint32_t colorsUsed = 0;
  std::size_t paletteEntry = 4;
  std::uint64_t paletteStart = 14 + std::uint64_t{headerSize};

  if (headerSize == 12) {  // the old core header: 16-bit sizes, 3-byte palette entries
    h.width = f.U16(18);
    h.height = f.U16(20);
    if (f.U16(22) != 1) return false;
    h.bpp = f.U16(24);
    paletteEntry = 3;
    if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 24) return false;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
             headerSize == 124) {
    if (!f.Has(14, headerSize)) return false;
    h.width = static_cast<std::int32_t>(f.U32(18));
    std::int64_t height = static_cast<std::int32_t>(f.U32(22));
    if (f.U16(26) != 1) return false;
    h.bpp = f.U16(28);
    h.compression = f.U32(30);
    colorsUsed = f.U32(46);
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
      return false;
  } else {
    return false;
  }

  if (h.width <= 0 || h.height <= 0 || h.width > kMaxBmpSide || h.height > kMaxBmpSide ||
      h.width * h.height > kMaxBmpPixels)
    return false;

  switch (h.compression) {
    case kRgb:
      if (h.bpp == 16) {
        h.masks[0] = 0x7C00;
        h.masks[1] = 0x03E0;
        h.masks[2] = 0x001F;
      } else if (h.bpp == 32) {
        h.masks[0] = 0xFF0000;
        h.masks[1] = 0x00FF00;
        h.masks[2] = 0x0000FF;
      }
      break;
    case kRle8:
    case kRle4:
      // Run-length pictures are bottom-up only.
      if (h.bpp != (h.compression == kRle8 ? 8u : 4u) || h.topDown) return false;
      break;
    case kBitfields:
      if (h.bpp != 16 && h.bpp != 32) return false;
      // The masks follow a 40-byte header and are part of the longer ones.
      if (!f.Has(54, 12)) return false;
      for (int i = 0; i < 3; ++i) h.masks[i] = f.U32(54 + 4 * static_cast<std::size_t>(i));
      if (headerSize == 40) paletteStart += 12;
      break;
    default:
      return false;
  }

  std::uint64_t paletteBytes = 0;
  if (h.bpp <= 8) {
    const std::uint32_t full = 1u << h.bpp;
    const std::uint32_t count = (colorsUsed == 0 || colorsUsed > full) ? full : colorsUsed;
    paletteBytes = std::uint64_t{count} * paletteEntry;
    if (!f.Has(paletteStart, paletteBytes)) return false;
    h.palette.assign(full, 0);  // indices past the stored entries are black
    for (std::uint32_t i = 0; i < count; ++i) {
      std::size_t o = static_cast<std::size_t>(paletteStart) + i * paletteEntry;
      h.palette[i] = (std::uint32_t{f.p[o + 2]} << 16) | (std::uint32_t{f.p[o + 1]} << 8) | f.p[o];
    }
  }

  const std::uint64_t start = offBits != 0 ? offBits : paletteStart + paletteBytes;
  if (start >= f.n) return false;
  h.dataOffset = static_cast<std::size_t>(start);
  return true;
}

// Rows are padded to 32 bits.
std::uint64_t RowStride(const Header& h) {
  return (static_cast<std::uint64_t>(h.width) * h.bpp + 31) / 32 * 4;
}

void DecodeRows(const Bytes& f, const Header& h, DecodedImage& img) {
  const std::uint64_t stride = RowStride(h);
  const Channel r(h.masks[0]), g(h.masks[1]), b(h.masks[2]);
  const int w = img.width;
  for (int row = 0; row < img.height; ++row) {
    const unsigned char* src = f.p + h.dataOffset + stride * static_cast<std::uint64_t>(row);
    const int y = h.topDown ? row : img.height - 1 - row;
    std::uint32_t* dst = img.pixels.data() + static_cast<std::size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      switch (h.bpp) {
        case 1:
          dst[x] = h.palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
          break;
        case 4:
          dst[x] = h.palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
          break;
        case 8:
          dst[x] = h.palette[src[x]];
          break;
        case 16: {
          std::uint32_t v = src[2 * x] | (std::uint32_t{src[2 * x + 1]} << 8);
          dst[x] = (r.Get(v) << 16) | (g.Get(v) << 8) | b.Get(v);
          break;
        }
        case 24:
          dst[x] = (std::uint32_t{src[3 * x + 2]} << 16) | (std::uint32_t{src[3 * x + 1]} << 8) |
                   src[3 * x];
          break;
        default: {
          const unsigned char* q = src + 4 * x;
          std::uint32_t v = q[0] | (std::uint32_t{q[1]} << 8) | (std::uint32_t{q[2]} << 16) |
                            (std::uint32_t{q[3]} << 24);
          dst[x] = (r.Get(v) << 16) | (g.Get(v) << 8) | b.Get(v);
        }
      }
    }
  }
}

// Run-length data: runs, absolute runs, end of line, delta and end of picture.
// Anything that would write outside its row or the picture is refused, as is
// data that ends before the end-of-picture mark. Skipped pixels stay black.
bool DecodeRle(const Bytes& f, const Header& h, DecodedImage& img) {
  const bool four = h.compression == kRle4;
  const std::int64_t w = img.width;
  const std::int64_t height = img.height;
  std::int64_t x = 0;
  std::int64_t row = 0;  // counted from the bottom
  std::size_t p = h.dataOffset;
  auto put = [&](std::int64_t col, unsigned index) {
    img.pixels[static_cast<std::size_t>((height - 1 - row) * w + col)] = h.palette[index];
  };
  for (;;) {
    if (!f.Has(p, 2)) return false;
    const unsigned a = f.p[p];
    const unsigned b = f.p[p + 1];
    p += 2;
    if (a > 0) {  // a pixels from the colour(s) in b
      if (row >= height || x + a > w) return false;
      for (unsigned i = 0; i < a; ++i) put(x + i, four ? ((i & 1) ? (b & 0xF) : (b >> 4)) : b);
      x += a;
      continue;
    }
    switch (b) {
      case 0:
        x = 0;
        ++row;
        break;
      case 1:
        return true;
      case 2:
        if (!f.Has(p, 2)) return false;
        x += f.p[p];
        row += f.p[p + 1];
        p += 2;
        if (x > w || row > height) return false;
        break;
      default: {  // b literal pixels, padded to a 16-bit boundary
        const std::size_t bytes = four ? (b + 1) / 2 : b;
        const std::size_t padded = bytes + (bytes & 1);
        if (!f.Has(p, padded) || row >= height || x + b > w) return false;
        for (unsigned i = 0; i < b; ++i) {
          unsigned v = four ? ((f.p[p + i / 2] >> ((i & 1) ? 0 : 4)) & 0xF) : f.p[p + i];
          put(x + i, v);
        }
        x += b;
        p += padded;
      }
    }
  }
}

}  // namespace

bool DecodeBmp(const unsigned char* data, std::size_t size, DecodedImage& out) {
  out = DecodedImage{};
  if (data == nullptr) return false;
  const Bytes f{data, size};
  Header h;
  if (!ReadHeader(f, h)) return false;
  const bool rle = h.compression == kRle8 || h.compression == kRle4;
  // Uncompressed data must be all there before anything is allocated.
  if (!rle && !f.Has(h.dataOffset, RowStride(h) * static_cast<std::uint64_t>(h.height)))
    return false;
  DecodedImage img;
  img.width = static_cast<int>(h.width);
  img.height = static_cast<int>(h.height);
  img.pixels.assign(static_cast<std::size_t>(h.width * h.height), 0);
  if (rle) {
    if (!DecodeRle(f, h, img)) return false;
  } else {
    DecodeRows(f, h, img);
  }
  out = std::move(img);
  return true;
}

}  // namespace lvx
