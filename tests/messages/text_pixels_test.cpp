#include "messages/text_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/winapi.h"
#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/messages/saver_window.h"

namespace {

using Points = std::vector<std::pair<int, int>>;

// A saver-like window whose own DC stands in for SaverDC, on a 1024 x 768
// drawing area, with the test font as the user's font.
class TextPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(window_.Open());
  }
  void TearDown() override { window_.Close(); }

  // A w x h black source with the given pixels lit.
  static void MakeSource(int w, int h, const Points& lit) {
    NewPixelSource();
    HBITMAP bitmap = CreateCompatibleBitmap(SaverDC, w, h);
    ASSERT_NE(bitmap, nullptr);
    UsePictureAsSource(bitmap, w, h);
    RECT all{0, 0, w, h};
    FillRect(SourceDC, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    for (auto [x, y] : lit) SetPixel(SourceDC, x, y, RGB(255, 255, 255));
  }

  // A filled lit rectangle of w x h pixels at (x0, y0) in a larger source.
  static void MakeBoxSource(int x0, int y0, int w, int h) {
    Points lit;
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) lit.emplace_back(x, y);
    MakeSource(x0 + w + 9, y0 + h + 5, lit);
  }

  static Points DrainAll() {
    Points out;
    int x = 0, y = 0;
    while (GetNextXY(&x, &y) == 1) out.emplace_back(x, y);
    return out;
  }

  lvx::test::SaverWindow window_;
};

// Every handed-out point of the scaled box stays inside the bands.
void ExpectInside(const Points& points, int left, int top, int right, int bottom) {
  for (auto [x, y] : points) {
    EXPECT_TRUE(x >= left && x <= right && y >= top && y <= bottom) << x << "," << y;
  }
}

TEST_F(TextPixels, ScaleIsCappedAndPlacementStaysInsideTheBorders) {
  int lowest = 10000, highest = -1;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    lvx::SeedRandomForTests(seed);
    // 60 x 12: 718 / 61 and 441 / 13 both exceed the cap.
    MakeBoxSource(4, 3, 60, 12);
    Text2Pixel();
    EXPECT_FLOAT_EQ(ScaleFactor, 10.0f);
    const Points points = DrainAll();
    ASSERT_EQ(points.size(), 720u);
    ExpectInside(points, 102, 109, 922, 659);
    lowest = std::min(lowest, points.front().first);
    highest = std::max(highest, points.back().first);
  }
  // The room for chance is used at both ends.
  EXPECT_LT(lowest, 102 + 30);
  EXPECT_GT(highest, 922 - 30);

  ScreenRect = RECT{100, 50, 600, 400};  // borders of 50 on every side
  MakeBoxSource(2, 2, 30, 8);
  Text2Pixel();
  ExpectInside(DrainAll(), 150, 100, 550, 350);

  // Below the cap the tighter band decides.
  ScreenRect = RECT{0, 0, 1024, 768};
  MakeBoxSource(0, 0, 360, 2);
  Text2Pixel();
  EXPECT_FLOAT_EQ(ScaleFactor, 718.0f / 360.0f);
  MakeBoxSource(0, 0, 20, 100);
  Text2Pixel();
  EXPECT_FLOAT_EQ(ScaleFactor, 441.0f / 100.0f);
}

TEST_F(TextPixels, HandsOutLitPixelsRowByRowOnceEach) {
  MakeSource(12, 5, {{8, 1}, {5, 0}, {0, 3}, {2, 1}});
  Text2Pixel();
  for (auto [sx, sy] : Points{{5, 0}, {2, 1}, {8, 1}, {0, 3}}) {
    int x = -1, y = -1;
    ASSERT_EQ(GetNextXY(&x, &y), 1);
    EXPECT_EQ(x, BiasX + static_cast<int>(sx * static_cast<double>(ScaleFactor)));
    EXPECT_EQ(y, BiasY + static_cast<int>(sy * static_cast<double>(ScaleFactor)));
    EXPECT_EQ(GetPixel(SourceDC, sx, sy), 0u) << "handed-out pixel is blacked";
  }
  for (int i = 0; i < 20; ++i) {
    int x = -1, y = -1;
    EXPECT_EQ(GetNextXY(&x, &y), 0);
    EXPECT_TRUE(x >= 0 && x < 1024 && y == 768) << x << "," << y;
  }
  Text2Pixel();  // a new layout of the used-up source finds nothing
  EXPECT_EQ(GetNextXY(nullptr, nullptr), 0);
}

TEST_F(TextPixels, NothingLitOrOffScreenGivesNoTarget) {
  int x = -1, y = -1;
  Text2Pixel();  // no source at all
  EXPECT_EQ(GetNextXY(&x, &y), 0);
  MakeSource(30, 10, {});
  Text2Pixel();
  EXPECT_TRUE(ScaleFactor > 0.0f && ScaleFactor <= 10.0f);
  EXPECT_EQ(GetNextXY(&x, &y), 0);
  EXPECT_EQ(y, 768);

  MakeSource(4, 4, {{1, 1}, {2, 2}});
  Text2Pixel();
  BiasX = -500;
  EXPECT_EQ(GetNextXY(&x, &y), 0);
  EXPECT_LT(x, 0);
  BiasX = 10;
  BiasY = -500;
  EXPECT_EQ(GetNextXY(&x, &y), 0);
  EXPECT_LT(y, 0);
}

TEST_F(TextPixels, MeasuresLinesAtLineFeedsOnly) {
  HDC dc = CreateCompatibleDC(SaverDC);
  TextFont font;
  font.SetSize(12.0f);
  font.Select(dc, RGB(255, 255, 255), 0);
  SIZE a{}, b{}, ab{}, cut{};
  GetTextExtentPoint32A(dc, "A", 1, &a);
  GetTextExtentPoint32A(dc, "WWW", 3, &b);
  GetTextExtentPoint32A(dc, "A WWW", 5, &ab);
  const std::string longText(800, 'W');
  GetTextExtentPoint32A(dc, longText.c_str(), 500, &cut);

  int w = -1, h = -1;
  GetTextSize(dc, "A\rWWW", &w, &h);
  EXPECT_EQ(w, ab.cx) << "a CR measures as a blank";
  EXPECT_EQ(h, a.cy);
  GetTextSize(dc, "A\nWWW", &w, &h);
  EXPECT_EQ(w, b.cx);
  EXPECT_EQ(h, a.cy + b.cy);
  GetTextSize(dc, "WWW\n\nA", nullptr, &h);
  EXPECT_EQ(h, 3 * a.cy) << "an empty line counts";
  GetTextSize(dc, longText.c_str(), &w, nullptr);
  EXPECT_EQ(w, cut.cx) << "only 500 characters are measured";
  font.Release();
  DeleteDC(dc);
}

TEST_F(TextPixels, RendersWhiteTextAtTheGivenSize) {
  MainSettings.UserWriteFloat("Font", "FontSize", 30.0f);  // must not be used
  RenderTextSource("Hello", 10.0f);
  ASSERT_NE(SourceBitmap, nullptr);
  const int width = SourceWidth, height = SourceHeight;
  EXPECT_EQ(GetTextCharacterExtra(SourceDC), 0) << "spacing restored";
  int lit = 0, rightmost = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (const COLORREF c = GetPixel(SourceDC, x, y); c != 0) {
        EXPECT_EQ(c, 0xFFFFFFu);
        ++lit;
        rightmost = std::max(rightmost, x);
      }
  EXPECT_GT(lit, 40);
  EXPECT_LT(rightmost, width - 10) << "spare room on the right";
  Text2Pixel();
  EXPECT_EQ(static_cast<int>(DrainAll().size()), lit) << "one star per lit pixel";

  RenderTextSource("Hello", 20.0f);
  EXPECT_GT(SourceHeight, height + 8);

  // A long line (a message holds up to 79 characters) keeps its last letters:
  // the drawn spacing is a pixel per character wider than a plain measure.
  RenderTextSource("Happy birthday to you, my dear friend, from all of us MMWW", 10.0f);
  ASSERT_NE(SourceBitmap, nullptr);
  int last = -1;
  for (int y = 0; y < SourceHeight; ++y)
    for (int x = 0; x < SourceWidth; ++x)
      if (GetPixel(SourceDC, x, y) != 0) last = std::max(last, x);
  EXPECT_GT(last, 0);
  EXPECT_LT(last, SourceWidth - 10) << "the end of the line is cut off";
}

TEST_F(TextPixels, AccentedMessagesLightTheSameStarsInEitherEncoding) {
  struct Source {
    int width = 0, height = 0;
    Points lit;
    bool operator==(const Source&) const = default;
  };
  auto render = [](const char* text) {
    NewPixelSource();
    RenderTextSource(text, 10.0f);
    Source s{SourceWidth, SourceHeight, {}};
    for (int y = 0; y < SourceHeight; ++y)
      for (int x = 0; x < SourceWidth; ++x)
        if (GetPixel(SourceDC, x, y) != 0) s.lit.emplace_back(x, y);
    return s;
  };
  const Source utf8 = render("Bonne nuit Zo\xC3\xAB");
  const Source latin = render("Bonne nuit Zo\xEB");  // a settings file typed in Windows-1252
  const Source plain = render("Bonne nuit Zoe");
  EXPECT_TRUE(utf8 == latin);
  EXPECT_EQ(utf8.width, plain.width) << "one letter, not two";
  // The diaeresis lights stars of its own above the e.
  EXPECT_GT(utf8.lit.size(), plain.lit.size());
}

// "Lumivex" lit pixels at a size, drawn as the automatic search draws it.
int SampleLitAt(float points) {
  HDC dc = CreateCompatibleDC(SaverDC);
  TextFont font;
  font.SetSize(points);
  font.Select(dc, RGB(255, 255, 255), 0);
  int w = 0, h = 0;
  GetTextSize(dc, "Lumivex", &w, &h);
  w += 25;
  HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, w, h}, area = ScreenRect;
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  DrawTextA(dc, "Lumivex", -1, &area, DT_WORDBREAK);
  font.Release();
  int lit = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) lit += GetPixel(dc, x, y) != 0;
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return lit;
}

float StoredSize() {
  float stored = 0.0f;
  MainSettings.UserReadFloat("Font", "PreviousFontSize", &stored, 0.0f);
  return stored;
}

TEST_F(TextPixels, AutomaticSizeIsTheFirstThatLightsEnoughAndIsKept) {
  const float size = AFSize();
  ASSERT_GE(size, 5.0f);
  ASSERT_LT(size, 20.0f);
  EXPECT_GT(SampleLitAt(size), 230);
  if (size > 5.0f) {
    EXPECT_LE(SampleLitAt(size - 0.5f), 230);
  }
  EXPECT_FLOAT_EQ(StoredSize(), size);
  char name[40] = {};
  MainSettings.UserReadString("Font", "PreviousFontName", name, "", sizeof name);
  EXPECT_STREQ(name, "Liberation Sans");

  MainSettings.UserWriteFloat("Font", "PreviousFontSize", 7.5f);
  EXPECT_FLOAT_EQ(AFSize(), 7.5f) << "kept for the same face";
  MainSettings.UserWriteString("Font", "PreviousFontSize", "9999");
  EXPECT_FLOAT_EQ(AFSize(), size) << "a damaged value is searched again";
  MainSettings.UserWriteFloat("Font", "PreviousFontSize", 7.5f);
  MainSettings.UserWriteString("Font", "Font", "DejaVu Sans");
  AFSize();
  MainSettings.UserReadString("Font", "PreviousFontName", name, "", sizeof name);
  EXPECT_STREQ(name, "DejaVu Sans") << "another face is searched again";
}

TEST_F(TextPixels, AutomaticSizeFallsBackToTwenty) {
  ScreenRect = RECT{0, 0, 4, 4};  // clips every try
  EXPECT_FLOAT_EQ(AFSize(), 20.0f);
  EXPECT_FLOAT_EQ(StoredSize(), 20.0f);
}

}  // namespace
