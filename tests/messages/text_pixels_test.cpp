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

namespace {

using Points = std::vector<std::pair<int, int>>;

// A saver-like window whose own DC stands in for SaverDC, on a 1024 x 768
// drawing area, with the test font as the user's font.
class TextPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    if (LogFile.State() == -1) LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    lvx::ResetSettingsForTests();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    MainSettings.UserWriteString("Font", "Font", "Liberation Sans");
    lvx::ResetSaverStateForTests();
    lvx::ResetTextPixelsForTests();
    lvx::SeedRandomForTests(7);

    WNDCLASSA wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "TextPixelsTest";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, "TextPixelsTest", "", WS_POPUP, 0, 0, 1024, 768, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    SaverDC = GetDC(window_);
    ASSERT_NE(SaverDC, nullptr);
    ScreenRect = RECT{0, 0, 1024, 768};
  }

  void TearDown() override {
    lvx::ResetTextPixelsForTests();
    ReleaseDC(window_, SaverDC);
    SaverDC = nullptr;
    DestroyWindow(window_);
  }

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

  static int LitPixels(HDC dc, int w, int h) {
    int count = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (GetPixel(dc, x, y) != 0) ++count;
    return count;
  }

  HWND window_ = nullptr;
};

TEST_F(TextPixels, WideBoxIsCappedAtTenAndStaysInsideTheBorders) {
  // 60 x 12: 718 / 61 and 441 / 13 both exceed the cap.
  for (unsigned seed = 1; seed <= 40; ++seed) {
    lvx::SeedRandomForTests(seed);
    MakeBoxSource(4, 3, 60, 12);
    Text2Pixel();
    EXPECT_FLOAT_EQ(ScaleFactor, 10.0f);
    const Points points = DrainAll();
    ASSERT_EQ(points.size(), 720u);
    for (auto [x, y] : points) {
      EXPECT_GE(x, 102);
      EXPECT_LE(x, 922);
      EXPECT_GE(y, 109);
      EXPECT_LE(y, 659);
    }
  }
}

TEST_F(TextPixels, ScaleFollowsTheNarrowerBandAndPlacementVaries) {
  // 360 wide: the 718-pixel band allows 718 / 360.
  MakeBoxSource(0, 0, 360, 2);
  Text2Pixel();
  EXPECT_FLOAT_EQ(ScaleFactor, 718.0f / 360.0f);

  // 20 x 100: the 441-pixel band allows 441 / 100.
  MakeBoxSource(0, 0, 20, 100);
  Text2Pixel();
  EXPECT_FLOAT_EQ(ScaleFactor, 441.0f / 100.0f);

  // A single pixel is capped; its left edge lands anywhere from BLeft to
  // BRight, so over many runs both ends of the band are approached.
  int lowest = 10000, highest = -1;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    lvx::SeedRandomForTests(seed);
    MakeSource(10, 10, {{7, 4}});
    Text2Pixel();
    EXPECT_FLOAT_EQ(ScaleFactor, 10.0f);
    int x = 0, y = 0;
    ASSERT_EQ(GetNextXY(&x, &y), 1);
    EXPECT_EQ(x, BiasX + 70);
    EXPECT_EQ(y, BiasY + 40);
    EXPECT_GE(x, 102);
    EXPECT_LT(x, 922);
    EXPECT_GE(y, 109);
    EXPECT_LT(y, 659);
    lowest = std::min(lowest, x);
    highest = std::max(highest, x);
  }
  EXPECT_LT(lowest, 102 + 60);
  EXPECT_GT(highest, 922 - 60);
}

TEST_F(TextPixels, BandsFollowAnOffsetDrawingArea) {
  ScreenRect = RECT{100, 50, 600, 400};  // 500 x 350: borders 50 and 50
  for (unsigned seed = 1; seed <= 30; ++seed) {
    lvx::SeedRandomForTests(seed);
    MakeBoxSource(2, 2, 30, 8);
    Text2Pixel();
    for (auto [x, y] : DrainAll()) {
      EXPECT_GE(x, 150);
      EXPECT_LE(x, 550);
      EXPECT_GE(y, 100);
      EXPECT_LE(y, 350);
    }
  }
}

TEST_F(TextPixels, HandsOutLitPixelsRowByRowOnceEach) {
  MakeSource(12, 5, {{8, 1}, {5, 0}, {0, 3}, {2, 1}});
  Text2Pixel();
  const float f = ScaleFactor;
  const Points expected{{5, 0}, {2, 1}, {8, 1}, {0, 3}};
  for (auto [sx, sy] : expected) {
    int x = -1, y = -1;
    ASSERT_EQ(GetNextXY(&x, &y), 1);
    EXPECT_EQ(x, BiasX + static_cast<int>(sx * static_cast<double>(f)));
    EXPECT_EQ(y, BiasY + static_cast<int>(sy * static_cast<double>(f)));
    EXPECT_EQ(GetPixel(SourceDC, sx, sy), 0u) << "handed-out pixel is blacked";
  }
  // Exhausted: bottom-edge points, again and again.
  for (int i = 0; i < 50; ++i) {
    int x = -1, y = -1;
    EXPECT_EQ(GetNextXY(&x, &y), 0);
    EXPECT_EQ(y, 768);
    EXPECT_GE(x, 0);
    EXPECT_LT(x, 1024);
  }
  // A new layout of the consumed source finds nothing either.
  Text2Pixel();
  int x = 0, y = 0;
  EXPECT_EQ(GetNextXY(&x, &y), 0);
}

TEST_F(TextPixels, NothingToWriteSendsEveryStarToTheBottom) {
  // No source at all, then a source without a lit pixel.
  Text2Pixel();
  int x = -1, y = -1;
  EXPECT_EQ(GetNextXY(&x, &y), 0);
  EXPECT_EQ(y, 768);

  MakeSource(30, 10, {});
  Text2Pixel();
  EXPECT_GT(ScaleFactor, 0.0f);
  EXPECT_LE(ScaleFactor, 10.0f);
  EXPECT_EQ(GetNextXY(&x, &y), 0);
  EXPECT_EQ(y, 768);
  EXPECT_EQ(GetNextXY(nullptr, nullptr), 0) << "null outputs are allowed";
}

TEST_F(TextPixels, PointLeftOfTheScreenIsRefused) {
  MakeSource(4, 4, {{1, 1}, {2, 2}});
  Text2Pixel();
  BiasX = -500;
  int x = 0, y = 0;
  EXPECT_EQ(GetNextXY(&x, &y), 0);
  EXPECT_LT(x, 0);
  BiasX = 10;
  BiasY = -500;
  EXPECT_EQ(GetNextXY(&x, &y), 0);
  EXPECT_LT(y, 0);
  EXPECT_EQ(GetNextXY(&x, &y), 0) << "both pixels were used up";
  EXPECT_EQ(y, 768);
}

TEST_F(TextPixels, MeasuresLinesAtLineFeedsOnly) {
  HDC dc = CreateCompatibleDC(SaverDC);
  TextFont font;
  font.SetSize(12.0f);
  font.Select(dc, RGB(255, 255, 255), 0);

  SIZE a{}, b{}, ab{};
  ASSERT_TRUE(GetTextExtentPoint32A(dc, "A", 1, &a));
  ASSERT_TRUE(GetTextExtentPoint32A(dc, "WWW", 3, &b));
  ASSERT_TRUE(GetTextExtentPoint32A(dc, "A WWW", 5, &ab));

  int w = -1, h = -1;
  GetTextSize(dc, "A\rWWW", &w, &h);
  EXPECT_EQ(w, ab.cx) << "a CR measures as a blank";
  EXPECT_EQ(h, a.cy);

  GetTextSize(dc, "A\nWWW", &w, &h);
  EXPECT_EQ(w, b.cx) << "widest line";
  EXPECT_EQ(h, a.cy + b.cy);

  GetTextSize(dc, "WWW\n\nA", &w, nullptr);
  EXPECT_EQ(w, b.cx);
  GetTextSize(dc, "WWW\n\nA", nullptr, &h);
  EXPECT_EQ(h, 3 * a.cy) << "an empty line counts";

  // Only the first 500 characters are measured.
  const std::string longText(800, 'W');
  GetTextSize(dc, longText.c_str(), &w, &h);
  SIZE cut{};
  GetTextExtentPoint32A(dc, longText.c_str(), 500, &cut);
  EXPECT_EQ(w, cut.cx);

  font.Release();
  DeleteDC(dc);
}

TEST_F(TextPixels, RendersWhiteTextAtTheGivenSizeWithRoomOnTheRight) {
  // The stored size must not be used: the caller's size wins.
  MainSettings.UserWriteFloat("Font", "FontSize", 30.0f);
  NewPixelSource();
  RenderTextSource("Hello", 10.0f);
  ASSERT_NE(SourceBitmap, nullptr);
  const int smallHeight = SourceHeight;
  const int smallWidth = SourceWidth;

  int textWidth = 0, textHeight = 0;
  GetTextSize(SourceDC, "Hello", &textWidth, &textHeight);
  EXPECT_EQ(GetTextCharacterExtra(SourceDC), 0) << "spacing restored";

  int lit = 0, rightmost = 0;
  for (int y = 0; y < SourceHeight; ++y)
    for (int x = 0; x < SourceWidth; ++x) {
      const COLORREF c = GetPixel(SourceDC, x, y);
      if (c == 0) continue;
      EXPECT_EQ(c, 0xFFFFFFu);
      ++lit;
      rightmost = std::max(rightmost, x);
    }
  EXPECT_GT(lit, 40);
  EXPECT_LT(rightmost, smallWidth - 10) << "25 spare pixels on the right";

  RenderTextSource("Hello", 20.0f);
  EXPECT_GT(SourceHeight, smallHeight + 8);
  EXPECT_GT(SourceWidth, smallWidth);
}

TEST_F(TextPixels, RenderedMessageBecomesOneStarPerLitPixel) {
  NewPixelSource();
  RenderTextSource("Hi there", 10.0f);
  const int lit = LitPixels(SourceDC, SourceWidth, SourceHeight);
  ASSERT_GT(lit, 0);
  Text2Pixel();
  EXPECT_EQ(static_cast<int>(DrainAll().size()), lit);
}

TEST_F(TextPixels, AutomaticSizeUsesTheStoredResultForTheSameFace) {
  MainSettings.UserWriteString("Font", "PreviousFontName", "Liberation Sans");
  MainSettings.UserWriteFloat("Font", "PreviousFontSize", 7.5f);
  EXPECT_FLOAT_EQ(AFSize(), 7.5f);

  // Another face: searched again and the new face remembered.
  MainSettings.UserWriteString("Font", "Font", "DejaVu Sans");
  const float size = AFSize();
  EXPECT_GE(size, 5.0f);
  EXPECT_LE(size, 20.0f);
  char name[40] = {};
  MainSettings.UserReadString("Font", "PreviousFontName", name, "", sizeof name);
  EXPECT_STREQ(name, "DejaVu Sans");
  float stored = 0.0f;
  MainSettings.UserReadFloat("Font", "PreviousFontSize", &stored, 0.0f);
  EXPECT_FLOAT_EQ(stored, size);
}

TEST_F(TextPixels, AutomaticSizeIsTheFirstThatLightsEnough) {
  const float size = AFSize();
  ASSERT_GE(size, 5.0f);
  ASSERT_LT(size, 20.0f) << "the test font lights enough well below 20 points";

  // The product name drawn as the search draws it.
  auto litAt = [](float points) {
    HDC dc = CreateCompatibleDC(SaverDC);
    TextFont font;
    font.SetSize(points);
    font.Select(dc, RGB(255, 255, 255), 0);
    int w = 0, h = 0;
    GetTextSize(dc, "Lumivex", &w, &h);
    w += 25;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, w, h};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT area = ScreenRect;
    DrawTextA(dc, "Lumivex", -1, &area, DT_WORDBREAK);
    font.Release();
    const int lit = LitPixels(dc, w, h);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return lit;
  };
  EXPECT_GT(litAt(size), 230);
  if (size > 5.0f) {
    EXPECT_LE(litAt(size - 0.5f), 230);
  }
}

TEST_F(TextPixels, AutomaticSizeFallsBackToTwentyAndStoresIt) {
  // A drawing area of a few pixels clips every try.
  ScreenRect = RECT{0, 0, 4, 4};
  EXPECT_FLOAT_EQ(AFSize(), 20.0f);
  float stored = 0.0f;
  MainSettings.UserReadFloat("Font", "PreviousFontSize", &stored, 0.0f);
  EXPECT_FLOAT_EQ(stored, 20.0f);
  // Found again without a search, even on a normal area.
  ScreenRect = RECT{0, 0, 1024, 768};
  EXPECT_FLOAT_EQ(AFSize(), 20.0f);
}

TEST_F(TextPixels, DamagedStoredSizeIsSearchedAgain) {
  MainSettings.UserWriteString("Font", "PreviousFontName", "Liberation Sans");
  MainSettings.UserWriteString("Font", "PreviousFontSize", "9999");
  const float size = AFSize();
  EXPECT_GE(size, 5.0f);
  EXPECT_LE(size, 20.0f);
}

}  // namespace
