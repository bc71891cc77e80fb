// The bitmap resources as the program sees them, and the generator that
// draws them: its rasteriser, palettes and file writers.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/winapi.h"
#include "tests/support/test_support.h"
#include "tools/resgen/encode.h"
#include "tools/resgen/font.h"
#include "tools/resgen/motifs.h"
#include "tools/resgen/pictures.h"
#include "tools/resgen/raster.h"
#include "tools/resgen/sheet.h"

namespace fs = std::filesystem;
using namespace lvx::resgen;

namespace {

struct Listed {
  int id, w, h, bpp;
};

// The resource list the program is built against, written out independently
// of the generator's own table.
const Listed kListed[] = {
    {111, 216, 257, 8}, {113, 97, 96, 8},   {114, 216, 257, 8}, {116, 100, 100, 24},
    {118, 88, 55, 8},   {120, 131, 103, 4}, {121, 70, 55, 24},  {122, 100, 78, 8},
    {123, 61, 37, 8},   {124, 180, 196, 8}, {125, 180, 249, 8}, {126, 75, 101, 8},
    {127, 80, 77, 4},   {128, 96, 69, 4},   {129, 100, 138, 8}, {130, 120, 160, 8},
    {131, 66, 56, 1},   {132, 36, 41, 1},   {133, 100, 152, 8}, {138, 60, 91, 24},
    {139, 66, 76, 8},   {141, 70, 100, 8},  {142, 60, 64, 8},   {144, 80, 85, 24},
    {145, 80, 85, 8},   {149, 100, 100, 8}, {153, 90, 90, 8},   {154, 100, 85, 24},
    {155, 77, 100, 8},  {156, 100, 85, 24}, {157, 48, 100, 8},  {158, 92, 100, 8},
    {159, 150, 84, 8},  {160, 81, 90, 8},   {162, 100, 100, 8}, {163, 123, 219, 8},
    {164, 81, 75, 8},   {166, 160, 120, 8}, {169, 100, 117, 4}, {170, 100, 98, 8},
    {179, 55, 55, 1},   {184, 246, 268, 8}, {185, 155, 22, 1},  {189, 75, 73, 8},
    {190, 42, 32, 1},   {192, 100, 100, 8}, {193, 107, 87, 8},  {194, 110, 78, 8},
    {195, 100, 110, 8}, {196, 216, 257, 8}, {197, 216, 257, 8}, {198, 45, 58, 8},
    {199, 155, 22, 1},  {200, 180, 215, 8}, {201, 155, 22, 1},
};

// Pictures the Linux program adds: the shut-down joke's screen.
const Listed kOwn[] = {{300, 640, 400, 8}};

std::uint32_t Le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// A bitmap resource selected into its own memory DC, freed on scope exit.
class Loaded {
 public:
  explicit Loaded(int id) : bmp_(LoadBitmapA(nullptr, MAKEINTRESOURCEA(id))) {
    if (bmp_) {
      dc_ = CreateCompatibleDC(nullptr);
      old_ = SelectObject(dc_, bmp_);
    }
  }
  ~Loaded() {
    if (dc_) {
      SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
    if (bmp_) DeleteObject(bmp_);
  }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
  HBITMAP Bitmap() const { return bmp_; }
  COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HBITMAP bmp_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

}  // namespace

// ---------------------------------------------------------------------------
// The embedded pictures.

TEST(PictureResources, EveryListedBitmapIsEmbeddedWithItsSizeAndDepth) {
  std::vector<Listed> all(std::begin(kListed), std::end(kListed));
  all.insert(all.end(), std::begin(kOwn), std::end(kOwn));
  for (const Listed& l : all) {
    SCOPED_TRACE("bitmap " + std::to_string(l.id));
    lvx::ResourceBytes res = lvx::FindBitmapResource(l.id);
    ASSERT_TRUE(res);
    ASSERT_GE(res.size, 54u);
    EXPECT_EQ(res.data[0], 'B');
    EXPECT_EQ(res.data[1], 'M');
    EXPECT_EQ(Le32(res.data + 2), res.size);
    EXPECT_EQ(Le32(res.data + 14), 40u);
    EXPECT_EQ(static_cast<std::int32_t>(Le32(res.data + 18)), l.w);
    EXPECT_EQ(static_cast<std::int32_t>(Le32(res.data + 22)), l.h);  // positive: bottom-up
    EXPECT_EQ(Le16(res.data + 28), l.bpp);
    EXPECT_EQ(Le32(res.data + 30), 0u);  // BI_RGB
    std::uint32_t stride = ((static_cast<std::uint32_t>(l.w) * l.bpp + 31) / 32) * 4;
    std::uint32_t table = l.bpp <= 8 ? 4u << l.bpp : 0;
    EXPECT_EQ(Le32(res.data + 10), 54 + table);
    EXPECT_EQ(res.size, 54 + table + stride * static_cast<std::uint32_t>(l.h));

    Loaded pic(l.id);
    ASSERT_NE(pic.Bitmap(), nullptr);
    BITMAP bm{};
    ASSERT_NE(GetObjectA(pic.Bitmap(), sizeof bm, &bm), 0);
    EXPECT_EQ(bm.bmWidth, l.w);
    EXPECT_EQ(bm.bmHeight, l.h);
  }
}

TEST(PictureResources, NoOtherBitmapsAndNoChristmasTree) {
  std::set<int> listed;
  for (const Listed& l : kListed) listed.insert(l.id);
  EXPECT_FALSE(lvx::FindBitmapResource(178));
  EXPECT_EQ(LoadBitmapA(nullptr, MAKEINTRESOURCEA(178)), nullptr);
  for (int id = 100; id < 260; ++id) {
    if (listed.count(id)) continue;
    EXPECT_FALSE(lvx::FindBitmapResource(id)) << id;
  }
}

TEST(PictureResources, SymbolsAreWhiteOnBlackSymmetricAndSparse) {
  // id, columns and rows the sky samples, and a sensible number of stars.
  struct Symbol {
    int id, usedW, usedH, minLit, maxLit;
  };
  const Symbol symbols[] = {{131, 65, 55, 250, 900}, {132, 35, 40, 150, 600},
                            {190, 41, 31, 120, 500}, {179, 55, 55, 200, 900}};
  for (const Symbol& s : symbols) {
    SCOPED_TRACE("symbol " + std::to_string(s.id));
    Loaded pic(s.id);
    ASSERT_NE(pic.Bitmap(), nullptr);
    BITMAP bm{};
    ASSERT_NE(GetObjectA(pic.Bitmap(), sizeof bm, &bm), 0);
    int lit = 0, outside = 0, asymmetric = 0;
    int minX = bm.bmWidth, maxX = -1, minY = bm.bmHeight, maxY = -1;
    for (int y = 0; y < bm.bmHeight; ++y)
      for (int x = 0; x < bm.bmWidth; ++x) {
        COLORREF c = pic.Pixel(x, y);
        ASSERT_TRUE(c == 0 || c == 0xFFFFFF) << x << "," << y << " " << c;
        if (c == 0) continue;
        if (x >= s.usedW || y >= s.usedH) {
          ++outside;
          continue;
        }
        ++lit;
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
        if (pic.Pixel(s.usedW - 1 - x, y) != c) ++asymmetric;
      }
    EXPECT_EQ(outside, 0) << "lit pixels the sky never samples";
    EXPECT_EQ(asymmetric, 0);
    EXPECT_GE(lit, s.minLit);
    EXPECT_LE(lit, s.maxLit);
    // The shape fills its area rather than sitting small in a corner.
    int side = std::min(s.usedW, s.usedH) * 8 / 10;
    EXPECT_GE(maxX - minX + 1, side);
    EXPECT_GE(maxY - minY + 1, side);
  }
}

TEST(PictureResources, MoonIsAGreyDiscOnBlack) {
  Loaded moon(116);
  ASSERT_NE(moon.Bitmap(), nullptr);
  int inside = 0, dark = 0, bright = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      COLORREF c = moon.Pixel(x, y);
      int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
      int dx = x - 50, dy = y - 50;
      if (dx * dx + dy * dy > 2500) {
        EXPECT_EQ(c, 0u) << x << "," << y;
        continue;
      }
      if (dx * dx + dy * dy > 47 * 47) continue;  // the anti-aliased rim
      ++inside;
      EXPECT_GT(r + g + b, 3 * 60) << x << "," << y;
      // Grey: the channels stay close together.
      EXPECT_LE(std::abs(r - b), 24) << x << "," << y;
      EXPECT_LE(std::abs(r - g), 16) << x << "," << y;
      if (r < 150) ++dark;
      if (r > 185) ++bright;
    }
  // Maria and highlands both take a real share of the disc.
  EXPECT_GT(dark, inside / 8);
  EXPECT_GT(bright, inside / 4);
}

TEST(PictureResources, BlinkFramesDifferOnlyAroundTheEyes) {
  for (auto [open, shut] : {std::pair{111, 114}, std::pair{196, 197}}) {
    SCOPED_TRACE(open);
    Loaded a(open), b(shut);
    ASSERT_NE(a.Bitmap(), nullptr);
    ASSERT_NE(b.Bitmap(), nullptr);
    int differ = 0, minY = 1000, maxY = -1;
    for (int y = 0; y < 257; ++y)
      for (int x = 0; x < 216; ++x) {
        COLORREF p = a.Pixel(x, y), q = b.Pixel(x, y);
        int d = std::abs(GetRValue(p) - GetRValue(q)) + std::abs(GetGValue(p) - GetGValue(q)) +
                std::abs(GetBValue(p) - GetBValue(q));
        if (d <= 24) continue;  // palette rounding
        ++differ;
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
    EXPECT_GT(differ, 150);
    EXPECT_LT(differ, 216 * 257 / 10);
    EXPECT_LT(maxY - minY, 60);
  }
}

TEST(PictureResources, FlyingPicturesSitOnBlack) {
  // They cross the night sky; a light frame would show as a box.
  for (int id : {157, 123, 122, 128, 164, 139, 138, 141, 142, 127, 153, 160, 121, 118, 155, 189,
                 113, 195, 192}) {
    SCOPED_TRACE(id);
    Loaded pic(id);
    ASSERT_NE(pic.Bitmap(), nullptr);
    BITMAP bm{};
    ASSERT_NE(GetObjectA(pic.Bitmap(), sizeof bm, &bm), 0);
    int border = 0, blackish = 0;
    for (int x = 0; x < bm.bmWidth; ++x)
      for (int y : {0, static_cast<int>(bm.bmHeight) - 1}) {
        COLORREF c = pic.Pixel(x, y);
        ++border;
        if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 90) ++blackish;
      }
    EXPECT_GT(blackish * 10, border * 5);
  }
}

TEST(PictureResources, ShutDownPictureIsADarkScreenWithALitSymbol) {
  Loaded pic(300);
  ASSERT_NE(pic.Bitmap(), nullptr);
  // Sampled every 4 pixels: dark nearly everywhere, light in the middle.
  double sum = 0;
  int samples = 0, brightMiddle = 0, brightEdge = 0;
  for (int y = 0; y < 400; y += 4)
    for (int x = 0; x < 640; x += 4) {
      const COLORREF c = pic.Pixel(x, y);
      const int level = std::max({GetRValue(c), GetGValue(c), GetBValue(c)});
      sum += level;
      ++samples;
      const bool middle = x > 220 && x < 420 && y > 60 && y < 260;
      if (level > 180) ++(middle ? brightMiddle : brightEdge);
    }
  EXPECT_LT(sum / samples, 40.0);
  EXPECT_GT(brightMiddle, 150);
  // Only the caption below the symbol is light elsewhere.
  EXPECT_LT(brightEdge, brightMiddle);
}

TEST(PictureResources, GeneratorReproducesTheCommittedFiles) {
  const char* bin = std::getenv("LUMIVEX_BINARY_DIR");
  ASSERT_NE(bin, nullptr);
  fs::path tool = fs::path(bin) / "tools/resgen/lumivex_resgen";
  ASSERT_TRUE(fs::exists(tool)) << tool;
  std::string out = lvx::test::MakeTempDir("regen");
  std::string cmd = "'" + tool.string() + "' '" + out + "'";
  int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << cmd;
  fs::path committed = fs::path(lvx::test::SourceDir()) / "resources";
  for (const char* kind : {"bitmaps", "sounds"}) {
    std::set<std::string> made, kept;
    for (const auto& e : fs::directory_iterator(fs::path(out) / kind)) made.insert(e.path().filename());
    for (const auto& e : fs::directory_iterator(committed / kind)) kept.insert(e.path().filename());
    EXPECT_EQ(made, kept) << kind;
    for (const std::string& name : made) {
      std::string a = lvx::test::ReadFile((fs::path(out) / kind / name).string());
      std::string b = lvx::test::ReadFile((committed / kind / name).string());
      EXPECT_FALSE(a.empty()) << name;
      EXPECT_TRUE(a == b) << kind << "/" << name << " differs from the committed file";
    }
  }
}

// ---------------------------------------------------------------------------
// The generator's own pieces.

TEST(ResgenTable, MatchesTheResourceList) {
  std::map<int, Listed> want;
  for (const Listed& l : kListed) want[l.id] = l;
  for (const Listed& l : kOwn) want[l.id] = l;
  ASSERT_EQ(Pictures().size(), want.size());
  for (const PictureSpec& p : Pictures()) {
    SCOPED_TRACE(p.id);
    ASSERT_TRUE(want.count(p.id));
    EXPECT_EQ(p.w, want[p.id].w);
    EXPECT_EQ(p.h, want[p.id].h);
    EXPECT_EQ(p.bpp, want[p.id].bpp);
    EXPECT_EQ(p.bpp == 1, p.mono != nullptr);
    EXPECT_EQ(p.bpp != 1, p.colour != nullptr);
    EXPECT_NE(std::string(p.role), "");
  }
}

namespace {
double Coverage(const Canvas& cv) {
  Image img = cv.Resolve();
  double sum = 0;
  for (std::uint8_t v : img.rgb) sum += v;
  return sum / (3 * 255.0);
}
}  // namespace

TEST(ResgenRaster, FilledAreasMatchGeometry) {
  Canvas circle(40, 40, 4);
  Path p;
  p.Circle({20, 20}, 12);
  circle.Fill(p, Hex(0xFFFFFF));
  EXPECT_NEAR(Coverage(circle), 3.14159 * 144, 3.0);

  // A hole subtracts; the orientation the points came in does not matter.
  Canvas ring(40, 40, 4);
  Path r;
  r.Rect(5, 5, 30, 30);
  r.Poly({{10, 10}, {10, 30}, {30, 30}, {30, 10}}, true);
  ring.Fill(r, Hex(0xFFFFFF));
  EXPECT_NEAR(Coverage(ring), 900 - 400, 1.0);

  // A straight stroke covers length x width plus its round caps.
  Canvas line(60, 20, 4);
  Path l;
  l.Line({10, 10}, {50, 10}, 4);
  line.Fill(l, Hex(0xFFFFFF));
  EXPECT_NEAR(Coverage(line), 40 * 4 + 3.14159 * 4, 2.0);
}

TEST(ResgenRaster, OverlapsInOnePathBlendOnce) {
  // A stroke is many overlapping pieces; a translucent one must stay even.
  Canvas cv(30, 10, 4);
  Path p;
  p.Stroke({{2, 5}, {15, 5}, {28, 5}}, 4);
  cv.Fill(p, Hex(0xFFFFFF), 0.5f);
  Image img = cv.Resolve();
  EXPECT_EQ(img.At(8, 5)[0], img.At(15, 5)[0]);
  EXPECT_NEAR(img.At(15, 5)[0], 128, 1);
}

TEST(ResgenRaster, ShapesBeyondTheEdgesAreClipped) {
  Canvas cv(10, 10, 3);
  Path p;
  p.Circle({5, 5}, 40).Rect(-100, -100, 50, 500).Line({-20, 5}, {30, 5}, 3);
  cv.Fill(p, Hex(0xFF0000));
  Image img = cv.Resolve();
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(img.At(x, y)[0], 255);
  Path none;
  cv.Fill(none, Hex(0x00FF00));  // nothing to fill is fine
  Path degenerate;
  degenerate.Poly({{1, 1}, {1, 1}, {1, 1}});
  cv.Fill(degenerate, Hex(0x00FF00));
  EXPECT_EQ(cv.Resolve().rgb, img.rgb);
}

TEST(ResgenRaster, TransformsKeepShapes) {
  Path p;
  p.Poly({{0, 0}, {4, 0}, {4, 2}});
  Path m = p.Mirrored(10);
  EXPECT_FLOAT_EQ(m.Contours()[0].pts[1].x, 16);
  Path r = p.Rotated({0, 0}, 3.14159265f / 2);
  EXPECT_NEAR(r.Contours()[0].pts[1].x, 0, 1e-5);
  EXPECT_NEAR(r.Contours()[0].pts[1].y, 4, 1e-5);
  Path s = p.Scaled({4, 0}, 2);
  EXPECT_FLOAT_EQ(s.Contours()[0].pts[0].x, -4);
}

TEST(ResgenRandom, SequencesRepeatAndStayInRange) {
  Rng a(7), b(7), c(8);
  bool differs = false;
  for (int i = 0; i < 1000; ++i) {
    std::uint64_t x = a.Next();
    EXPECT_EQ(x, b.Next());
    if (x != c.Next()) differs = true;
  }
  EXPECT_TRUE(differs);
  Rng r(1);
  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) {
    int v = r.Below(6);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 6);
    seen.insert(v);
    float u = r.Unit();
    ASSERT_GE(u, 0.0f);
    ASSERT_LT(u, 1.0f);
  }
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_EQ(r.Below(0), 0);
  EXPECT_EQ(r.Below(-3), 0);
  for (float x = -5; x < 5; x += 0.37f) {
    float n = Fbm(x, x * 0.7f, 4, 3);
    EXPECT_GE(n, 0.0f);
    EXPECT_LE(n, 1.0f);
  }
}

TEST(ResgenPalette, FewColoursAreKeptExactly) {
  Image img(5, 3);
  const Rgb8 cols[] = {{0, 0, 0}, {255, 0, 0}, {10, 200, 30}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) std::copy(cols[(x + y) % 3].begin(), cols[(x + y) % 3].end(), img.At(x, y));
  Indexed ix = Quantize(img, 16);
  EXPECT_EQ(ix.palette.size(), 3u);
  EXPECT_EQ(Expand(ix).rgb, img.rgb);
}

TEST(ResgenPalette, ManyColoursStayClose) {
  // A smooth two-axis gradient has 4096 colours; 16 must still be close.
  Image img(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      std::uint8_t* p = img.At(x, y);
      p[0] = static_cast<std::uint8_t>(x * 4);
      p[1] = static_cast<std::uint8_t>(y * 4);
      p[2] = 90;
    }
  for (int colours : {16, 256}) {
    Indexed ix = Quantize(img, colours);
    ASSERT_LE(static_cast<int>(ix.palette.size()), colours);
    Image back = Expand(ix);
    double err = 0;
    for (std::size_t i = 0; i < img.rgb.size(); ++i) err += std::abs(img.rgb[i] - back.rgb[i]);
    err /= static_cast<double>(img.rgb.size());
    EXPECT_LT(err, colours == 16 ? 14.0 : 3.0);
    EXPECT_EQ(Quantize(img, colours).index, ix.index);  // deterministic
  }
}

TEST(ResgenPalette, FewBrightStarsSurviveSixteenColours) {
  // A night-sky gradient with a handful of star pixels, as the 4-bit pictures have.
  Image sky(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      std::uint8_t* p = sky.At(x, y);
      p[0] = static_cast<std::uint8_t>(y / 4);
      p[1] = static_cast<std::uint8_t>(8 + y / 2);
      p[2] = static_cast<std::uint8_t>(30 + y + x / 8);
    }
  for (int i = 0; i < 6; ++i) std::fill(sky.At(10 * i + 3, 40), sky.At(10 * i + 3, 40) + 3, 255);
  Image back = Expand(Quantize(sky, 16));
  for (int i = 0; i < 6; ++i) EXPECT_GT(back.At(10 * i + 3, 40)[1], 220) << "star " << i;
  EXPECT_LT(back.At(0, 0)[2], 60);
}

TEST(ResgenPalette, SharedPaletteMapsBothFrames) {
  Image a(4, 1), b(4, 1);
  for (int x = 0; x < 4; ++x) {
    a.At(x, 0)[0] = static_cast<std::uint8_t>(x * 60);
    b.At(x, 0)[2] = static_cast<std::uint8_t>(x * 60);
  }
  std::vector<Rgb8> pal = MakePalette({&a, &b}, 16);
  EXPECT_EQ(pal.size(), 7u);  // black is shared
  EXPECT_EQ(Expand(MapToPalette(a, pal)).rgb, a.rgb);
  EXPECT_EQ(Expand(MapToPalette(b, pal)).rgb, b.rgb);
  EXPECT_EQ(MapToPalette(a, pal).palette, MapToPalette(b, pal).palette);
}

TEST(ResgenBmp, RowsArePaddedBottomUpWithTheRightPalettes) {
  // 3 x 2: odd width forces padding at every depth.
  Image img(3, 2);
  const Rgb8 px[2][3] = {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) std::copy(px[y][x].begin(), px[y][x].end(), img.At(x, y));
  std::vector<std::uint8_t> b24 = EncodeBmp24(img);
  ASSERT_EQ(b24.size(), 54u + 12 * 2);
  // The first stored row is the bottom one, in B, G, R order, padded to 12.
  EXPECT_EQ(b24[54], 3);
  EXPECT_EQ(b24[55], 2);
  EXPECT_EQ(b24[56], 1);
  EXPECT_EQ(b24[63], 0);
  EXPECT_EQ(b24[66 + 2], 255);  // top-left red

  Indexed ix = Quantize(img, 16);
  std::vector<std::uint8_t> b4 = EncodeBmpIndexed(ix, 4);
  ASSERT_EQ(b4.size(), 54u + 64 + 4 * 2);
  // High nibble is the left pixel.
  int left = b4[54 + 64] >> 4, mid = b4[54 + 64] & 15, right = b4[54 + 64 + 1] >> 4;
  auto entry = [&](int i) { return Rgb8{b4[54 + 4 * i + 2], b4[54 + 4 * i + 1], b4[54 + 4 * i]}; };
  EXPECT_EQ(entry(left), (Rgb8{1, 2, 3}));
  EXPECT_EQ(entry(mid), (Rgb8{4, 5, 6}));
  EXPECT_EQ(entry(right), (Rgb8{7, 8, 9}));

  std::vector<std::uint8_t> b8 = EncodeBmpIndexed(ix, 8);
  ASSERT_EQ(b8.size(), 54u + 1024 + 4 * 2);

  Mono m(10, 2);
  m.At(0, 0) = 1;
  m.At(9, 1) = 1;
  std::vector<std::uint8_t> b1 = EncodeBmp1(m);
  ASSERT_EQ(b1.size(), 54u + 8 + 4 * 2);
  EXPECT_EQ(Le32(b1.data() + 54), 0u);         // index 0 black
  EXPECT_EQ(Le32(b1.data() + 58), 0xFFFFFFu);  // index 1 white
  EXPECT_EQ(b1[62], 0x00);                     // bottom row: x = 9 is in the second byte
  EXPECT_EQ(b1[63], 0x40);
  EXPECT_EQ(b1[66], 0x80);                     // top row: x = 0 is the first bit
}

TEST(ResgenPng, WritesAReadableImage) {
  Image img(7, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      std::uint8_t* p = img.At(x, y);
      p[0] = static_cast<std::uint8_t>(x * 30);
      p[1] = static_cast<std::uint8_t>(y * 50);
      p[2] = 7;
    }
  std::string path = lvx::test::MakeTempDir("png") + "/a.png";
  ASSERT_TRUE(WritePng(path, img));
  png_image read{};
  read.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&read, path.c_str()));
  read.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(read));
  ASSERT_TRUE(png_image_finish_read(&read, nullptr, pixels.data(), 0, nullptr));
  EXPECT_EQ(read.width, 7u);
  EXPECT_EQ(read.height, 5u);
  EXPECT_EQ(pixels, img.rgb);
  EXPECT_FALSE(WritePng("/nonexistent-folder/x.png", img));
}

TEST(ResgenFont, DrawsKnownGlyphsAndClipsTheRest) {
  ASSERT_NE(Glyph('a'), nullptr);
  EXPECT_EQ(Glyph('a'), Glyph('A'));
  EXPECT_EQ(Glyph('~'), nullptr);
  EXPECT_EQ(TextWidth("", 2), 0);
  EXPECT_EQ(TextWidth("AB", 1), 11);
  Mono m(8, 8);
  DrawText(m, 0, 0, "I~", 1);  // unknown characters leave a gap
  EXPECT_EQ(m.Lit(), 11);
  Mono small(3, 3);
  DrawText(small, -2, -3, "WWW", 2);  // far past every edge: clipped, no overrun
  Image img(4, 4);
  DrawText(img, 2, 2, "M", Rgb8{9, 9, 9}, 3);
  EXPECT_EQ(img.At(2, 2)[0], 9);
}

// ---------------------------------------------------------------------------
// Shapes the pictures share.

namespace {
struct Box {
  float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
};
Box Bounds(const Path& p) {
  Box b;
  for (const auto& k : p.Contours())
    for (const Vec& v : k.pts) {
      b.x0 = std::min(b.x0, v.x);
      b.y0 = std::min(b.y0, v.y);
      b.x1 = std::max(b.x1, v.x);
      b.y1 = std::max(b.y1, v.y);
    }
  return b;
}
double Area(const Path& p, int w, int h) {
  Canvas cv(w, h, 4);
  cv.Fill(p, Hex(0xFFFFFF));
  return Coverage(cv);
}
}  // namespace

TEST(ResgenMotifs, HeartAndStarAreSymmetricAndSized) {
  Path heart = HeartPath({50, 50}, 64);
  Box b = Bounds(heart);
  EXPECT_NEAR(b.x1 - b.x0, 64, 0.5);
  EXPECT_NEAR((b.x0 + b.x1) / 2, 50, 0.01);
  EXPECT_NEAR(b.y1 - b.y0, 64 * 0.9, 64 * 0.05);
  // The heart's notch is at the top, its point at the bottom.
  Canvas cv(100, 100, 4);
  cv.Fill(heart, Hex(0xFFFFFF));
  Image img = cv.Resolve();
  EXPECT_EQ(img.At(50, static_cast<int>(b.y0) + 2)[0], 0);
  EXPECT_EQ(img.At(35, static_cast<int>(b.y0) + 4)[0], 255);
  EXPECT_EQ(img.At(50, static_cast<int>(b.y1) - 5)[0], 255);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_NEAR(img.At(x, y)[0], img.At(99 - x, y)[0], 2) << x << "," << y;

  Path star = StarPath({30, 30}, 20, 8);
  ASSERT_EQ(star.Contours()[0].pts.size(), 10u);
  EXPECT_NEAR(star.Contours()[0].pts[0].x, 30, 1e-4);
  EXPECT_NEAR(star.Contours()[0].pts[0].y, 10, 1e-4);  // first tip straight up
  Box sb = Bounds(star);
  EXPECT_NEAR(sb.x0 + sb.x1, 60, 1e-3);
}

TEST(ResgenMotifs, CrescentIsTheDiscMinusTheCut) {
  const float pi = 3.14159265f;
  // Cut covering the right part: the crescent opens to the right.
  Path c = CrescentPath({30, 30}, 20, 18, 12, 0);
  double area = Area(c, 60, 60);
  EXPECT_LT(area, pi * 400 * 0.6);
  EXPECT_GT(area, pi * 400 * 0.15);
  Canvas cv(60, 60, 4);
  cv.Fill(c, Hex(0xFFFFFF));
  Image img = cv.Resolve();
  EXPECT_EQ(img.At(13, 30)[0], 255);  // left rim lit
  EXPECT_EQ(img.At(40, 30)[0], 0);    // inside the cut
  // Far apart: the whole disc; swallowed: nothing.
  EXPECT_NEAR(Area(CrescentPath({30, 30}, 10, 5, 40, 0), 60, 60), pi * 100, 2);
  EXPECT_TRUE(CrescentPath({30, 30}, 5, 20, 1, 0).Empty());
}

TEST(ResgenMotifs, DoveFitsItsSize) {
  Box b = Bounds(DovePath({50, 50}, 80));
  EXPECT_NEAR(b.x1 - b.x0, 80, 4);
  EXPECT_LT(b.y1 - b.y0, 80);
  EXPECT_GT(b.x1, 85);  // the beak points right
}

TEST(ResgenRaster, ShadersBlendByTheirAlpha) {
  Canvas cv(20, 4, 4);
  cv.Shade(Linear({0, 0}, Hex(0x000000), {20, 0}, Hex(0xFFFFFF)));
  Image img = cv.Resolve();
  EXPECT_LT(img.At(0, 1)[0], 10);
  EXPECT_GT(img.At(19, 1)[0], 245);
  EXPECT_NEAR(img.At(10, 1)[0], 134, 4);  // the pixel centre is at 10.5
  Canvas glow(21, 21, 4);
  Path all;
  all.Rect(0, 0, 21, 21);
  glow.Fill(all, Glow({10.5f, 10.5f}, 10, Hex(0xFFFFFF), 1));
  Image g = glow.Resolve();
  EXPECT_GT(g.At(10, 10)[0], 200);
  EXPECT_EQ(g.At(0, 0)[0], 0);
  EXPECT_GT(g.At(10, 10)[0], g.At(14, 10)[0]);
}

TEST(ResgenRaster, ThresholdKeepsHalfCoveredPixels) {
  Canvas cv(10, 10, 8);
  Path p;
  p.Rect(2, 2, 4.6f, 3.4f);  // covers 0.6 of column 6 and 0.4 of row 5
  cv.Fill(p, Hex(0xFFFFFF));
  Mono m = cv.Threshold();
  EXPECT_EQ(m.Lit(), 5 * 3);
  EXPECT_EQ(m.At(6, 3), 1);
  EXPECT_EQ(m.At(3, 5), 0);
}

// ---------------------------------------------------------------------------
// The generated files through the program's own BMP loader.

TEST(ResgenBmp, ProgramLoaderReadsEveryDepthBack) {
  Image img(13, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) {
      std::uint8_t* p = img.At(x, y);
      p[0] = static_cast<std::uint8_t>((x * 37 + y * 11) % 4 * 80);
      p[1] = static_cast<std::uint8_t>(y * 36);
      p[2] = static_cast<std::uint8_t>(x < 6 ? 0 : 200);
    }
  Mono mono(13, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) mono.At(x, y) = (x + 2 * y) % 3 == 0;
  std::string dir = lvx::test::MakeTempDir("bmp");
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    Image expect;
  };
  Image monoRgb(13, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) std::fill(monoRgb.At(x, y), monoRgb.At(x, y) + 3, mono.At(x, y) ? 255 : 0);
  std::vector<Case> cases;
  cases.push_back({"24.bmp", EncodeBmp24(img), img});
  cases.push_back({"8.bmp", EncodeBmpIndexed(Quantize(img, 256), 8), Expand(Quantize(img, 256))});
  cases.push_back({"4.bmp", EncodeBmpIndexed(Quantize(img, 16), 4), Expand(Quantize(img, 16))});
  cases.push_back({"1.bmp", EncodeBmp1(mono), monoRgb});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir + "/" + c.name;
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    HBITMAP bmp = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(bmp, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) {
        const std::uint8_t* p = c.expect.At(x, y);
        ASSERT_EQ(GetPixel(dc, x, y), RGB(p[0], p[1], p[2])) << x << "," << y;
      }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
  EXPECT_FALSE(WriteBytes(dir + "/missing-folder/x.bmp", {1, 2, 3}));
}

// ---------------------------------------------------------------------------
// The pictures themselves: content where it belongs.

TEST(ResgenPictures, FlyingSpritesAreNotCutAtTheirSides) {
  // A sprite that runs into its left or right edge looks chopped off in flight.
  for (int id : {157, 123, 122, 128, 164, 139, 138, 141, 142, 127, 153, 160, 121, 118, 155, 189,
                 113, 195, 192}) {
    SCOPED_TRACE(id);
    const PictureSpec* desc = nullptr;
    for (const PictureSpec& p : Pictures())
      if (p.id == id) desc = &p;
    ASSERT_NE(desc, nullptr);
    Image img = Render(*desc).preview;
    int lit = 0, edge = 0;
    for (int y = 0; y < img.h; ++y)
      for (int x = 0; x < img.w; ++x) {
        const std::uint8_t* p = img.At(x, y);
        if (p[0] + p[1] + p[2] < 120) continue;
        ++lit;
        if (x == 0 || x == img.w - 1) ++edge;
      }
    EXPECT_GT(lit, img.w * img.h / 6) << "too little to see";
    EXPECT_LT(edge, img.h / 3) << "runs into a side";
  }
}

TEST(ResgenPictures, BannersAreCentredTextInOneRow) {
  for (int id : {185, 199, 201}) {
    SCOPED_TRACE(id);
    const PictureSpec* desc = nullptr;
    for (const PictureSpec& p : Pictures())
      if (p.id == id) desc = &p;
    ASSERT_NE(desc, nullptr);
    Mono m = desc->mono(desc->w, desc->h);
    int x0 = m.w, x1 = -1, y0 = m.h, y1 = -1;
    for (int y = 0; y < m.h; ++y)
      for (int x = 0; x < m.w; ++x)
        if (m.At(x, y)) {
          x0 = std::min(x0, x);
          x1 = std::max(x1, x);
          y0 = std::min(y0, y);
          y1 = std::max(y1, y);
        }
    EXPECT_GT(m.Lit(), 150);
    EXPECT_LE(std::abs(x0 - (m.w - 1 - x1)), 2);  // centred across
    EXPECT_GE(y0, 1);                             // nothing touches the top or bottom
    EXPECT_LE(y1, m.h - 2);
  }
}

TEST(ResgenSheet, ShowsEveryPictureDoubledWithItsLabel) {
  Image red(3, 2), blue(300, 10);
  for (std::size_t i = 0; i < red.rgb.size(); i += 3) red.rgb[i] = 255;
  for (std::size_t i = 2; i < blue.rgb.size(); i += 3) blue.rgb[i] = 255;
  Image sheet = ContactSheet({{1, "red", &red}, {2, "blue", &blue}, {3, "again", &red}}, 500);
  EXPECT_GE(sheet.w, 600);  // widened for the blue one
  // Each picture is drawn at twice its size; count its pixels on the sheet.
  int reds = 0, blues = 0, light = 0;
  for (int y = 0; y < sheet.h; ++y)
    for (int x = 0; x < sheet.w; ++x) {
      const std::uint8_t* p = sheet.At(x, y);
      if (p[0] == 255 && p[1] == 0 && p[2] == 0) ++reds;
      if (p[0] == 0 && p[1] == 0 && p[2] == 255) ++blues;
      if (p[0] == 230 && p[1] == 230 && p[2] == 230) ++light;
    }
  EXPECT_EQ(reds, 2 * 3 * 2 * 4);
  EXPECT_EQ(blues, 300 * 10 * 4);
  EXPECT_GT(light, 40);  // the labels
  // The blue one does not fit beside anything: three rows.
  EXPECT_GT(sheet.h, 3 * 16 + 20 + 4 + 4);
}
