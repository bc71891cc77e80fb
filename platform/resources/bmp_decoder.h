// Internal to platform/: BMP files to 32-bit pixels. Self-contained (no GDI),
// so it can be built alone for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lvx {

// Larger pictures are refused, so a lying header cannot ask for a huge buffer.
constexpr int kMaxBmpSide = 16384;
constexpr std::int64_t kMaxBmpPixels = std::int64_t{64} << 20;

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
};

// Decodes a whole BMP file (BITMAPFILEHEADER first). Returns false, leaving
// `out` empty, for anything malformed, truncated or unsupported.
bool DecodeBmp(const unsigned char* data, std::size_t size, DecodedImage& out);

}  // namespace lvx
