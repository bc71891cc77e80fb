// BMP decoding: every depth and layout to the expected pixels, and every
// kind of lying or cut-off file refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/resources/bmp_decoder.h"
#include "tests/platform/resources/bmp_builder.h"

using lvx::test::BmpSpec;
using lvx::test::Bytes;
using lvx::test::MakeBmp;
using Grid = std::vector<std::vector<std::uint32_t>>;

namespace {

std::vector<std::uint32_t> Palette(int bpp) {
  std::vector<std::uint32_t> p(std::size_t{1} << bpp);
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = static_cast<std::uint32_t>(0x10203 * (i + 1));
  return p;
}

// Decodes and returns the rows top first; empty when refused.
Grid Decode(const std::string& file) {
  lvx::DecodedImage img;
  if (!lvx::DecodeBmp(reinterpret_cast<const unsigned char*>(file.data()), file.size(), img)) {
    EXPECT_TRUE(img.pixels.empty());
    return {};
  }
  Grid g(static_cast<std::size_t>(img.height));
  for (int y = 0; y < img.height; ++y)
    g[static_cast<std::size_t>(y)].assign(img.pixels.begin() + y * img.width,
                                          img.pixels.begin() + (y + 1) * img.width);
  return g;
}

// A 5 x 3 picture (odd width, so rows need padding) and the file holding it.
std::pair<std::string, Grid> Sample(int bpp, bool topDown, std::uint32_t headerSize) {
  BmpSpec b;
  b.headerSize = headerSize;
  b.width = 5;
  b.height = topDown ? -3 : 3;
  b.bpp = static_cast<std::uint16_t>(bpp);
  Grid stored(3, std::vector<std::uint32_t>(5)), want = stored;
  for (std::uint32_t y = 0; y < 3; ++y)
    for (std::uint32_t x = 0; x < 5; ++x) {
      stored[y][x] = bpp <= 8 ? (x + 3 * y) % (1u << bpp)
                              : ((x * 50 + 7) << 16) | ((y * 90) << 8) | (x * y + 1);
      want[y][x] = bpp <= 8 ? Palette(bpp)[stored[y][x]] : stored[y][x];
    }
  if (bpp <= 8) b.palette = Palette(bpp);
  b.pixels = lvx::test::PackRows(stored, bpp, topDown);
  return {MakeBmp(b), want};
}

TEST(BmpDecode, EveryDepthHeaderAndDirection) {
  for (std::uint32_t header : {12u, 40u, 108u, 124u})
    for (int bpp : {1, 4, 8, 24, 32})
      for (bool topDown : {false, true}) {
        if (header == 12 && (bpp == 32 || topDown)) continue;  // the core header has neither
        SCOPED_TRACE(testing::Message()
                     << "header " << header << " bpp " << bpp << " top-down " << topDown);
        auto [file, want] = Sample(bpp, topDown, header);
        EXPECT_EQ(Decode(file), want);
      }
}

TEST(BmpDecode, ShortPalettesOffsetsAndMasks) {
  BmpSpec b;  // three colours used; index 3 has no entry and comes out black
  b.width = 4;
  b.height = 1;
  b.bpp = 8;
  b.palette = {0xAA0000, 0x00BB00, 0x0000CC};
  b.pixels = Bytes({2, 1, 0, 3});
  EXPECT_EQ(Decode(MakeBmp(b)), (Grid{{0x0000CC, 0x00BB00, 0xAA0000, 0}}));
  b.pixels = Bytes({9, 9, 9, 9, 0, 1, 2, 0});  // pixels after a gap, where the offset says
  b.offBits = 14 + 40 + 12 + 4;
  EXPECT_EQ(Decode(MakeBmp(b)), (Grid{{0xAA0000, 0x00BB00, 0x0000CC, 0xAA0000}}));

  b = BmpSpec{};
  b.width = 4;
  b.height = 1;
  b.bpp = 16;  // no masks: 5-5-5
  b.pixels = Bytes({0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x00, 0x00});
  EXPECT_EQ(Decode(MakeBmp(b)), (Grid{{0xFF0000, 0x00FF00, 0x0000FF, 0}}));
  b.compression = 3;  // 5-6-5, after a short header and inside a long one
  b.masks = {0xF800, 0x07E0, 0x001F};
  b.pixels = Bytes({0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x10, 0x84});
  const Grid want565 = {{0xFF0000, 0x00FF00, 0x0000FF, 0x848284}};
  EXPECT_EQ(Decode(MakeBmp(b)), want565);
  b.headerSize = 124;
  EXPECT_EQ(Decode(MakeBmp(b)), want565);
  b.bpp = 32;  // bytes in R, G, B order
  b.width = 1;
  b.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
  b.pixels = Bytes({0x11, 0x22, 0x33, 0x44});
  EXPECT_EQ(Decode(MakeBmp(b)), (Grid{{0x112233}}));
}

BmpSpec Rle(int bpp, int width, int height, std::string data) {
  BmpSpec b;
  b.width = width;
  b.height = height;
  b.bpp = static_cast<std::uint16_t>(bpp);
  b.compression = bpp == 8 ? 1 : 2;
  b.palette = Palette(4);
  b.pixels = std::move(data);
  return b;
}

TEST(BmpDecode, RunLengthRunsAbsoluteDeltaAndLineEnds) {
  const auto p = Palette(4);
  const std::uint32_t k = 0;  // skipped pixels are black, not palette entry 0
  EXPECT_EQ(
      Decode(MakeBmp(Rle(8, 6, 4, Bytes({3, 1, 0, 3, 2, 3, 4, 0,  // run, odd absolute run, pad
                                         0, 0,                    // end of line
                                         2, 5, 0, 0,              // two pixels, rest skipped
                                         0, 2, 3, 1,              // delta to x 3 of the top row
                                         2, 6, 0, 1})))),
      (Grid{{k, k, k, p[6], p[6], k},
            {k, k, k, k, k, k},
            {p[5], p[5], k, k, k, k},
            {p[1], p[1], p[1], p[2], p[3], p[4]}}));
  EXPECT_EQ(Decode(MakeBmp(Rle(4, 7, 2,
                               Bytes({4, 0x12, 0, 3, 0x13, 0x40,        // 1 2 1 2, absolute 1 3 4
                                      0, 0, 0, 5, 0x56, 0x78, 0x90, 0,  // absolute 5..9, pad
                                      2, 0xAB, 0, 1})))),
            (Grid{{p[5], p[6], p[7], p[8], p[9], p[10], p[11]},
                  {p[1], p[2], p[1], p[2], p[1], p[3], p[4]}}));
}

TEST(BmpDecode, RunLengthDataOutsideThePictureIsRefused) {
  auto refused = [](int bpp, std::initializer_list<int> data) {
    return Decode(MakeBmp(Rle(bpp, 4, 2, Bytes(data)))).empty();
  };
  EXPECT_FALSE(refused(8, {4, 1, 0, 0, 4, 1, 0, 1}));
  EXPECT_TRUE(refused(8, {5, 1, 0, 1}));                    // run past the row
  EXPECT_TRUE(refused(8, {3, 1, 2, 1, 0, 1}));              // second run crosses the row end
  EXPECT_TRUE(refused(8, {0, 5, 1, 1, 1, 1, 1, 0, 0, 1}));  // absolute run past the row
  EXPECT_TRUE(refused(8, {0, 2, 0, 3, 0, 1}));              // delta past the top
  EXPECT_TRUE(refused(8, {0, 2, 5, 0, 0, 1}));              // delta past the right edge
  EXPECT_TRUE(refused(8, {0, 0, 0, 0, 1, 1, 0, 1}));        // pixels above the top row
  EXPECT_TRUE(refused(8, {2, 1, 0, 0}));                    // no end-of-picture mark
  EXPECT_TRUE(refused(8, {0, 4, 1, 1}));                    // absolute run cut off
  EXPECT_TRUE(refused(4, {5, 0x11, 0, 1}));
  EXPECT_TRUE(refused(4, {0, 5, 0x11, 0x11, 0x10, 0, 0, 1}));
  BmpSpec topDown = Rle(8, 4, -2, Bytes({4, 1, 0, 0, 4, 1, 0, 1}));
  EXPECT_TRUE(Decode(MakeBmp(topDown)).empty());  // run-length pictures are bottom-up only
}

// Every proper prefix of a good file is a truncated file.
TEST(BmpDecode, EveryTruncationIsRefused) {
  const std::string files[] = {Sample(1, false, 40).first,
                               Sample(4, true, 108).first,
                               Sample(8, false, 12).first,
                               Sample(24, false, 40).first,
                               Sample(32, true, 124).first,
                               MakeBmp(Rle(8, 3, 2, Bytes({3, 1, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1})))};
  for (const std::string& f : files) {
    ASSERT_FALSE(Decode(f).empty());
    for (std::size_t n = 0; n < f.size(); ++n)
      EXPECT_TRUE(Decode(f.substr(0, n)).empty()) << "prefix " << n << " of " << f.size();
  }
  lvx::DecodedImage img;
  EXPECT_FALSE(lvx::DecodeBmp(nullptr, 100, img));
}

TEST(BmpDecode, LyingHeadersAreRefused) {
  BmpSpec good;
  good.width = 2;
  good.height = 2;
  good.bpp = 24;
  good.pixels = std::string(16, '\x7F');
  ASSERT_FALSE(Decode(MakeBmp(good)).empty());
  const std::function<void(BmpSpec&)> lies[] = {
      [](BmpSpec& b) { b.width = 0; },
      [](BmpSpec& b) { b.height = 0; },
      [](BmpSpec& b) { b.width = -2; },
      [](BmpSpec& b) { b.height = INT32_MIN; },
      [](BmpSpec& b) { b.width = 16385, b.height = 1; },
      [](BmpSpec& b) { b.width = 8192, b.height = 8193; },   // too many pixels together
      [](BmpSpec& b) { b.width = 16384, b.height = 4096; },  // allowed size, no data behind it
      [](BmpSpec& b) { b.planes = 2; },
      [](BmpSpec& b) { b.bpp = 3; },
      [](BmpSpec& b) { b.compression = 4; },
      [](BmpSpec& b) { b.headerSize = 41; },
      [](BmpSpec& b) { b.offBits = 1000; },
      [](BmpSpec& b) { b.offBits = 0xFFFFFFFF; },
      [](BmpSpec& b) { b.compression = 1; },  // run-length needs 8 bits per pixel
      [](BmpSpec& b) {
        b.compression = 3, b.masks = {0xFF, 0xFF00, 0xFF0000};
      },  // masks need 16/32
      [](BmpSpec& b) {
        b.bpp = 8, b.colorsUsed = 200, b.palette = {1, 2}, b.pixels.resize(8);
      },
  };
  for (std::size_t i = 0; i < std::size(lies); ++i) {
    BmpSpec b = good;
    lies[i](b);
    EXPECT_TRUE(Decode(MakeBmp(b)).empty()) << "lie " << i;
  }
  std::string f = MakeBmp(good);
  f[0] = 'M';
  EXPECT_TRUE(Decode(f).empty());
}

}  // namespace
