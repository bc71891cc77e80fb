// Palettes and file formats for the generated pictures.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/resgen/raster.h"

namespace lvx::resgen {

using Rgb8 = std::array<std::uint8_t, 3>;

struct Indexed {
  int w = 0, h = 0;
  std::vector<Rgb8> palette;        // at most the requested number of colours
  std::vector<std::uint8_t> index;  // one entry per pixel, rows top to bottom
};

// Picks at most maxColors colours (the exact set when the picture has no
// more than that; otherwise median cut refined by a few k-means rounds) and
// maps every pixel to its nearest palette entry, without dithering.
Indexed Quantize(const Image& img, int maxColors);
// The same in two steps, so several pictures can share one palette (a picture
// and its blink frame must differ only where they are drawn differently).
std::vector<Rgb8> MakePalette(const std::vector<const Image*>& imgs, int maxColors);
Indexed MapToPalette(const Image& img, const std::vector<Rgb8>& palette);
Image Expand(const Indexed& ix);

// Windows BMP files: BITMAPFILEHEADER + BITMAPINFOHEADER, BI_RGB, bottom-up
// rows padded to 4 bytes, a full colour table for the palette depths.
std::vector<std::uint8_t> EncodeBmp24(const Image& img);
std::vector<std::uint8_t> EncodeBmpIndexed(const Indexed& ix, int bitsPerPixel);
std::vector<std::uint8_t> EncodeBmp1(const Mono& m);  // index 0 black, 1 white

// Writes an 8-bit RGB PNG without time or text chunks, so it is reproducible.
bool WritePng(const std::string& path, const Image& img);
bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace lvx::resgen
