// BMP decoding: every depth and layout to the expected pixels, and every
// kind of lying or cut-off file refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/resources/bmp_decoder.h"
#include "tests/platform/resources/bmp_builder.h"

using lvx::test::BmpSpec;
using lvx::test::Bytes;
using lvx::test::MakeBmp;
using lvx::test::PackRows;
using Grid = std::vector<std::vector<std::uint32_t>>;

namespace {

const std::vector<std::uint32_t> kPalette16 = {
    0x101010, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x008080, 0x800080, 0xC0C0C0, 0x404040};

bool Decode(const std::string& file, lvx::DecodedImage& img) {
  return lvx::DecodeBmp(reinterpret_cast<const unsigned char*>(file.data()), file.size(), img);
}

// The decoded picture as rows, top row first.
Grid Rows(const lvx::DecodedImage& img) {
  Grid g(static_cast<std::size_t>(img.height));
  for (int y = 0; y < img.height; ++y)
    g[static_cast<std::size_t>(y)].assign(img.pixels.begin() + y * img.width,
                                          img.pixels.begin() + (y + 1) * img.width);
  return g;
}

// A 5 x 3 picture (odd width, so rows need padding) in palette indices.
Grid Indices(int bpp) {
  Grid g(3, std::vector<std::uint32_t>(5));
  for (std::uint32_t y = 0; y < 3; ++y)
    for (std::uint32_t x = 0; x < 5; ++x) g[y][x] = (x + 3 * y) % (1u << bpp);
  return g;
}

Grid Colours() {
  Grid g(3, std::vector<std::uint32_t>(5));
  for (std::uint32_t y = 0; y < 3; ++y)
    for (std::uint32_t x = 0; x < 5; ++x) g[y][x] = ((x * 50 + 7) << 16) | ((y * 90 + 3) << 8) | (x * y + 1);
  return g;
}

Grid Lookup(const Grid& idx, const std::vector<std::uint32_t>& pal) {
  Grid g = idx;
  for (auto& row : g)
    for (auto& v : row) v = pal[v];
  return g;
}

std::string PaletteBmp(int bpp, bool topDown, std::uint32_t headerSize = 40) {
  BmpSpec b;
  b.headerSize = headerSize;
  b.width = 5;
  b.height = topDown ? -3 : 3;
  b.bpp = static_cast<std::uint16_t>(bpp);
  b.palette.assign(kPalette16.begin(), kPalette16.begin() + (std::size_t{1} << (bpp > 4 ? 4 : bpp)));
  if (bpp == 8) b.palette.resize(256, 0x123456);
  b.pixels = PackRows(Indices(bpp), bpp, topDown);
  return MakeBmp(b);
}

std::string TrueColourBmp(int bpp, bool topDown, std::uint32_t headerSize = 40) {
  BmpSpec b;
  b.headerSize = headerSize;
  b.width = 5;
  b.height = topDown ? -3 : 3;
  b.bpp = static_cast<std::uint16_t>(bpp);
  b.pixels = PackRows(Colours(), bpp, topDown);
  return MakeBmp(b);
}

TEST(BmpDecode, EveryDepthBothDirections) {
  for (bool topDown : {false, true}) {
    for (int bpp : {1, 4, 8}) {
      SCOPED_TRACE("bpp " + std::to_string(bpp) + (topDown ? " top-down" : " bottom-up"));
      std::vector<std::uint32_t> pal(kPalette16.begin(), kPalette16.begin() + (bpp == 1 ? 2 : 16));
      if (bpp == 8) pal.resize(256, 0x123456);
      lvx::DecodedImage img;
      ASSERT_TRUE(Decode(PaletteBmp(bpp, topDown), img));
      ASSERT_EQ(img.width, 5);
      ASSERT_EQ(img.height, 3);
      EXPECT_EQ(Rows(img), Lookup(Indices(bpp), pal));
    }
    for (int bpp : {24, 32}) {
      SCOPED_TRACE("bpp " + std::to_string(bpp) + (topDown ? " top-down" : " bottom-up"));
      lvx::DecodedImage img;
      ASSERT_TRUE(Decode(TrueColourBmp(bpp, topDown), img));
      EXPECT_EQ(Rows(img), Colours());
    }
  }
}

TEST(BmpDecode, OneBitPictureTakesItsPaletteColours) {
  BmpSpec b;
  b.width = 9;  // more than one byte per row
  b.height = 2;
  b.bpp = 1;
  b.palette = {0x000000, 0xFFFFFF};
  Grid idx = {{1, 0, 1, 0, 0, 0, 0, 1, 1}, {0, 0, 0, 0, 0, 0, 0, 0, 1}};
  b.pixels = PackRows(idx, 1, false);
  lvx::DecodedImage img;
  ASSERT_TRUE(Decode(MakeBmp(b), img));
  EXPECT_EQ(Rows(img), Lookup(idx, b.palette));

  b.palette = {0x00FF00, 0x0000FF};  // any two colours, not just black and white
  ASSERT_TRUE(Decode(MakeBmp(b), img));
  EXPECT_EQ(img.pixels[0], 0x0000FFu);
  EXPECT_EQ(img.pixels[1], 0x00FF00u);
}

TEST(BmpDecode, OtherHeaderVersions) {
  for (std::uint32_t hs : {108u, 124u}) {
    SCOPED_TRACE(hs);
    lvx::DecodedImage img;
    ASSERT_TRUE(Decode(TrueColourBmp(24, false, hs), img));
    EXPECT_EQ(Rows(img), Colours());
    ASSERT_TRUE(Decode(PaletteBmp(4, true, hs), img));
    EXPECT_EQ(Rows(img), Lookup(Indices(4), kPalette16));
  }
  // The old core header: 16-bit sizes and three-byte palette entries.
  lvx::DecodedImage img;
  ASSERT_TRUE(Decode(TrueColourBmp(24, false, 12), img));
  EXPECT_EQ(Rows(img), Colours());
  ASSERT_TRUE(Decode(PaletteBmp(8, false, 12), img));
  std::vector<std::uint32_t> pal = kPalette16;
  pal.resize(256, 0x123456);
  EXPECT_EQ(Rows(img), Lookup(Indices(8), pal));
}

TEST(BmpDecode, ShortPaletteAndPixelOffset) {
  // Three colours used; index 3 has no entry and comes out black.
  BmpSpec b;
  b.width = 4;
  b.height = 1;
  b.bpp = 8;
  b.colorsUsed = 3;
  b.palette = {0xAA0000, 0x00BB00, 0x0000CC};
  b.pixels = Bytes({2, 1, 0, 3});
  lvx::DecodedImage img;
  ASSERT_TRUE(Decode(MakeBmp(b), img));
  EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0x0000CC, 0x00BB00, 0xAA0000, 0}));

  // Pixel data placed after a gap, as the offset in the file header says.
  b.pixels = Bytes({9, 9, 9, 9, 0, 1, 2, 0});
  b.offBits = 14 + 40 + 12 + 4;
  ASSERT_TRUE(Decode(MakeBmp(b), img));
  EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0xAA0000, 0x00BB00, 0x0000CC, 0xAA0000}));
}

TEST(BmpDecode, SixteenAndThirtyTwoBitMasks) {
  BmpSpec b;
  b.width = 4;
  b.height = 1;
  b.bpp = 16;  // no masks: 5-5-5
  b.pixels = Bytes({0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x00, 0x00});
  lvx::DecodedImage img;
  ASSERT_TRUE(Decode(MakeBmp(b), img));
  EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0}));

  b.compression = 3;  // 5-6-5 masks after the header
  b.masks = {0xF800, 0x07E0, 0x001F};
  b.pixels = Bytes({0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x10, 0x84});
  ASSERT_TRUE(Decode(MakeBmp(b), img));
  EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0x848284}));

  b.headerSize = 124;  // the same masks inside a v5 header
  ASSERT_TRUE(Decode(MakeBmp(b), img));
  EXPECT_EQ(img.pixels[3], 0x848284u);

  b.headerSize = 40;
  b.bpp = 32;  // bytes in R, G, B order
  b.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
  b.pixels = Bytes({0x11, 0x22, 0x33, 0x44});
  b.width = 1;
  ASSERT_TRUE(Decode(MakeBmp(b), img));
  EXPECT_EQ(img.pixels[0], 0x112233u);
}

TEST(BmpDecode, Rle8RunsAbsoluteDeltaAndLineEnds) {
  BmpSpec b;
  b.width = 6;
  b.height = 4;
  b.bpp = 8;
  b.compression = 1;
  b.palette = {0x0A0A0A, 0x110000, 0x220000, 0x330000, 0x440000, 0x550000, 0x660000};
  b.pixels = Bytes({3, 1, 0, 3, 2, 3, 4, 0,  // bottom row: a run, an odd absolute run, pad
                    0, 0,                    // end of line
                    2, 5, 0, 0,              // second row: two pixels, rest skipped
                    0, 2, 3, 1,              // delta: skip row three, to x 3 of the top row
                    2, 6, 0, 1});
  lvx::DecodedImage img;
  ASSERT_TRUE(Decode(MakeBmp(b), img));
  const std::uint32_t k = 0;  // skipped pixels are black, not palette entry 0
  Grid want = {{k, k, k, 0x660000, 0x660000, k},
               {k, k, k, k, k, k},
               {0x550000, 0x550000, k, k, k, k},
               {0x110000, 0x110000, 0x110000, 0x220000, 0x330000, 0x440000}};
  EXPECT_EQ(Rows(img), want);
}

TEST(BmpDecode, Rle4RunsAndAbsoluteNibbles) {
  BmpSpec b;
  b.width = 7;
  b.height = 2;
  b.bpp = 4;
  b.compression = 2;
  b.palette = kPalette16;
  b.pixels = Bytes({4, 0x12, 0, 3, 0x13, 0x40,    // 1 2 1 2, then absolute 1 3 4
                    0, 0,                         // end of line
                    0, 5, 0x56, 0x78, 0x90, 0,    // absolute 5 6 7 8 9 (padded)
                    2, 0xAB, 0, 1});
  lvx::DecodedImage img;
  ASSERT_TRUE(Decode(MakeBmp(b), img));
  Grid want = Lookup({{5, 6, 7, 8, 9, 10, 11}, {1, 2, 1, 2, 1, 3, 4}}, kPalette16);
  EXPECT_EQ(Rows(img), want);
}

// Every proper prefix of a good file is a truncated file.
TEST(BmpDecode, EveryTruncationIsRefused) {
  BmpSpec rle;
  rle.width = 3;
  rle.height = 2;
  rle.bpp = 8;
  rle.compression = 1;
  rle.palette = {0x111111, 0x222222};
  rle.pixels = Bytes({3, 1, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1});
  const std::string files[] = {PaletteBmp(1, false), PaletteBmp(4, true), PaletteBmp(8, false, 12),
                               TrueColourBmp(24, false), TrueColourBmp(32, true, 124),
                               MakeBmp(rle)};
  for (const std::string& f : files) {
    lvx::DecodedImage img;
    ASSERT_TRUE(Decode(f, img));
    for (std::size_t n = 0; n < f.size(); ++n) {
      EXPECT_FALSE(Decode(f.substr(0, n), img)) << "prefix " << n << " of " << f.size();
      EXPECT_TRUE(img.pixels.empty());
    }
  }
  lvx::DecodedImage img;
  EXPECT_FALSE(lvx::DecodeBmp(nullptr, 100, img));
}

TEST(BmpDecode, LyingHeadersAreRefused) {
  auto refused = [](BmpSpec b) {
    lvx::DecodedImage img;
    return !Decode(MakeBmp(b), img);
  };
  BmpSpec good;
  good.width = 2;
  good.height = 2;
  good.bpp = 24;
  good.pixels = std::string(16, '\x7F');
  ASSERT_FALSE(refused(good));

  BmpSpec b = good;
  b.width = 0;
  EXPECT_TRUE(refused(b));
  b = good;
  b.height = 0;
  EXPECT_TRUE(refused(b));
  b = good;
  b.width = -2;
  EXPECT_TRUE(refused(b));
  b = good;
  b.height = INT32_MIN;
  EXPECT_TRUE(refused(b));
  b = good;
  b.width = 16385;
  b.height = 1;
  EXPECT_TRUE(refused(b));
  b = good;
  b.width = 8192;  // each side allowed, but too many pixels together
  b.height = 8193;
  EXPECT_TRUE(refused(b));
  b = good;
  b.width = 16384;  // a size within the limits with almost no data behind it
  b.height = 4096;
  EXPECT_TRUE(refused(b));
  b = good;
  b.planes = 2;
  EXPECT_TRUE(refused(b));
  b = good;
  b.bpp = 3;
  EXPECT_TRUE(refused(b));
  b = good;
  b.compression = 4;  // JPEG inside is not ours to decode
  EXPECT_TRUE(refused(b));
  b = good;
  b.headerSize = 41;
  EXPECT_TRUE(refused(b));
  b = good;
  b.offBits = 1000;  // pixel data past the end
  EXPECT_TRUE(refused(b));
  b = good;
  b.offBits = 0xFFFFFFFF;
  EXPECT_TRUE(refused(b));
  b = good;
  b.compression = 1;  // run-length data needs 8 bits per pixel
  EXPECT_TRUE(refused(b));
  b = good;
  b.compression = 3;  // masks need 16 or 32 bits
  b.masks = {0xFF, 0xFF00, 0xFF0000};
  EXPECT_TRUE(refused(b));
  b = good;
  b.bpp = 8;
  b.colorsUsed = 200;  // the palette runs past the end of the file
  b.palette = {0x1, 0x2};
  b.pixels = std::string(8, '\0');
  EXPECT_TRUE(refused(b));

  std::string f = MakeBmp(good);
  f[0] = 'M';
  lvx::DecodedImage img;
  EXPECT_FALSE(Decode(f, img));
}

TEST(BmpDecode, RunLengthDataOutsideThePictureIsRefused) {
  BmpSpec base;
  base.width = 4;
  base.height = 2;
  base.bpp = 8;
  base.compression = 1;
  base.palette = {0x111111, 0x222222};
  auto refused = [&](std::initializer_list<int> data, std::uint32_t compression = 1) {
    BmpSpec b = base;
    b.compression = compression;
    if (compression == 2) b.bpp = 4;
    b.pixels = Bytes(data);
    lvx::DecodedImage img;
    return !Decode(MakeBmp(b), img);
  };
  EXPECT_FALSE(refused({4, 1, 0, 0, 4, 1, 0, 1}));
  EXPECT_TRUE(refused({5, 1, 0, 1}));                    // run past the row
  EXPECT_TRUE(refused({3, 1, 2, 1, 0, 1}));              // second run crosses the row end
  EXPECT_TRUE(refused({0, 5, 1, 1, 1, 1, 1, 0, 0, 1}));  // absolute run past the row
  EXPECT_TRUE(refused({0, 2, 0, 3, 0, 1}));              // delta past the top
  EXPECT_TRUE(refused({0, 2, 5, 0, 0, 1}));              // delta past the right edge
  EXPECT_TRUE(refused({0, 0, 0, 0, 1, 1, 0, 1}));        // pixels above the top row
  EXPECT_TRUE(refused({2, 1, 0, 0}));                    // no end-of-picture mark
  EXPECT_TRUE(refused({0, 4, 1, 1}));                    // absolute run cut off
  EXPECT_TRUE(refused({0, 2, 1}));                       // delta cut off
  EXPECT_TRUE(refused({5, 0x11, 0, 1}, 2));              // four-bit run past the row
  EXPECT_TRUE(refused({0, 5, 0x11, 0x11, 0x10, 0, 0, 1}, 2));

  BmpSpec topDown = base;  // run-length pictures cannot be top-down
  topDown.height = -2;
  topDown.pixels = Bytes({4, 1, 0, 0, 4, 1, 0, 1});
  lvx::DecodedImage img;
  EXPECT_FALSE(Decode(MakeBmp(topDown), img));
}

}  // namespace
