#include "events/airplanes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/support/test_support.h"

namespace {

constexpr COLORREF kRed = 0x000000FF;
constexpr COLORREF kWhite = 0x00FFFFFF;

// A 1024 x 768 saver-like window whose DC is SaverDC, RealTickTime 50.
class Airplanes : public ::testing::Test {
 protected:
  void SetUp() override {
    lvx::test::WriteFile(lvx::LogFilePath(), "");
    lvx::ResetLogForTests();
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    lvx::ResetSettingsForTests();
    std::remove((lvx::test::Home() + "/Lumivex.ini").c_str());
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    lvx::ResetSaverStateForTests();
    lvx::ResetAirplanesForTests();
    lvx::SeedRandomForTests(3);

    WNDCLASSA wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "AirplaneTestWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "AirplaneTestWindow", "Screen Saver", WS_POPUP, 0, 0, 1024,
                                  768, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    MainWindow = window;
    SaverDC = GetDC(window);
    ASSERT_NE(SaverDC, nullptr);
    GetClientRect(window, &ScreenRect);
    RealTickTime = 50;
  }

  // A light switched on and then placed and aimed by hand.
  static AIRPLANE Aimed(int x, int y, float dx, float dy, int blinkCounter = 0) {
    AIRPLANE a;
    a.Create();
    a.x = x;
    a.y = y;
    a.dx = dx;
    a.dy = dy;
    a.blinkCounter = blinkCounter;
    return a;
  }
  static COLORREF Pixel(int x, int y) { return GetPixel(SaverDC, x, y); }
  static int LitPixels() {
    int lit = 0;
    for (int y = 0; y < 768; ++y)
      for (int x = 0; x < 1024; ++x) lit += Pixel(x, y) != 0 ? 1 : 0;
    return lit;
  }
};

TEST_F(Airplanes, SwitchedOffReadsOnlyTheFlagAndDrawsNothing) {
  MainSettings.UserWriteString("Params", "Airplanes", "0");
  lvx::SeedRandomForTests(9);
  AIRPLANE a;
  a.Create();
  EXPECT_EQ(AirplanesOn, 0);
  // Nothing placed, and the random source untouched.
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(a.dx, 0.0f);
  EXPECT_EQ(a.blinkCounter, 0);
  const int next = RandomBelow(1000000);
  lvx::SeedRandomForTests(9);
  EXPECT_EQ(RandomBelow(1000000), next);

  a.x = 100;
  a.y = 100;
  a.dx = 20.0f;
  a.blinkCounter = 40;
  for (int i = 0; i < 100; ++i) a.Fly();
  EXPECT_EQ(a.x, 100);
  EXPECT_EQ(a.blinkCounter, 40);
  EXPECT_EQ(LitPixels(), 0);
}

TEST_F(Airplanes, CreatedWithinTheSkyFlyingWithin45DegreesOfHorizontal) {
  int left = 0, right = 0;
  for (int i = 0; i < 2000; ++i) {
    AIRPLANE a;
    a.Create();
    ASSERT_EQ(AirplanesOn, 1);
    ASSERT_GE(a.x, 10);
    ASSERT_LE(a.x, 1024 - 11);
    ASSERT_GE(a.y, 0);
    ASSERT_LT(a.y, 768);
    // 20 pixels a second, never steeper than 45 degrees.
    ASSERT_NEAR(std::hypot(a.dx, a.dy), 20.0f, 1e-3f);
    ASSERT_LE(std::fabs(a.dy), std::fabs(a.dx) + 0.02f) << a.dx << "," << a.dy;
    (a.dx > 0 ? right : left)++;
    // (1500 / 50) / 2 = 15: the counter starts in 15..29.
    ASSERT_GE(a.blinkCounter, 15);
    ASSERT_LT(a.blinkCounter, 30);
    ASSERT_EQ(a.carryX, 0.0f);
    ASSERT_EQ(a.savedLeft, 0u);
  }
  EXPECT_GT(left, 600);
  EXPECT_GT(right, 600);
}

TEST_F(Airplanes, LightsWrapAtEveryEdge) {
  // 20 pixels a second at 50 ms a frame: exactly one pixel per frame.
  AIRPLANE west = Aimed(1, 300, -20.0f, 0.0f);
  west.Fly();
  EXPECT_EQ(west.x, 1023);  // right edge - 1, same row
  EXPECT_EQ(west.y, 300);

  AIRPLANE east = Aimed(1023, 310, 20.0f, 0.0f);
  east.Fly();
  EXPECT_EQ(east.x, 1);
  EXPECT_EQ(east.y, 310);
  EXPECT_EQ(Pixel(1, 310), kRed);
  EXPECT_EQ(Pixel(2, 310), kRed);

  AIRPLANE north = Aimed(400, 3, 0.0f, -20.0f);
  north.Fly();
  EXPECT_EQ(north.y, 765);  // bottom edge - 3
  EXPECT_EQ(Pixel(400, 765), kRed);

  AIRPLANE south = Aimed(500, 765, 0.0f, 20.0f);
  south.Fly();
  EXPECT_EQ(south.y, 3);
  EXPECT_EQ(Pixel(500, 3), kRed);
  EXPECT_EQ(Pixel(501, 3), kRed);

  // Just inside every edge nothing wraps.
  AIRPLANE inside = Aimed(2, 4, -20.0f, -20.0f);
  inside.Fly();
  EXPECT_EQ(inside.x, 1);
  EXPECT_EQ(inside.y, 3);

  // The west light's right pixel lies beyond the window: nothing breaks, and
  // moving on restores only what is on screen.
  EXPECT_EQ(Pixel(1023, 300), kRed);
  west.Fly();
  west.Fly();
  EXPECT_EQ(west.x, 1021);
  EXPECT_EQ(Pixel(1023, 300), 0u);
  EXPECT_EQ(Pixel(1022, 300), kRed);
  EXPECT_EQ(Pixel(1021, 300), kRed);
}

TEST_F(Airplanes, FractionalMotionIsCarried) {
  // 5 pixels a second at 50 ms: a quarter pixel a frame, one step in four,
  // leftwards as well as rightwards.
  AIRPLANE east = Aimed(100, 100, 5.0f, 0.0f);
  AIRPLANE west = Aimed(100, 120, -5.0f, 0.0f);
  std::vector<int> eastSteps, westSteps;
  for (int frame = 1; frame <= 20; ++frame) {
    const int e = east.x, w = west.x;
    east.Fly();
    west.Fly();
    if (east.x != e) eastSteps.push_back(frame);
    if (west.x != w) westSteps.push_back(frame);
  }
  EXPECT_EQ(eastSteps, (std::vector<int>{4, 8, 12, 16, 20}));
  EXPECT_EQ(westSteps, eastSteps);
  EXPECT_EQ(east.x, 105);
  EXPECT_EQ(west.x, 95);
  EXPECT_EQ(east.y, 100);
}

TEST_F(Airplanes, FlashesWhiteFourFramesInACycleOf33) {
  // Moving one pixel a frame, the light is repainted every frame: red, or
  // white while it flashes.
  AIRPLANE a = Aimed(100, 200, 20.0f, 0.0f, 0);
  std::vector<int> white;
  for (int frame = 0; frame < 100; ++frame) {
    a.Fly();
    const COLORREF c = Pixel(a.x, a.y);
    ASSERT_TRUE(c == kRed || c == kWhite) << frame;
    ASSERT_EQ(Pixel(a.x + 1, a.y), c);
    if (c == kWhite) white.push_back(frame);
  }
  // Counter 30..33 flashes; after 33 it starts again from 1.
  EXPECT_EQ(white, (std::vector<int>{30, 31, 32, 33, 63, 64, 65, 66, 96, 97, 98, 99}));

  // At 100 ms a frame: red 15 frames, white at 15 and 16.
  RealTickTime = 100;
  AIRPLANE slow = Aimed(100, 300, 10.0f, 0.0f, 0);
  white.clear();
  for (int frame = 0; frame < 40; ++frame) {
    slow.Fly();
    if (Pixel(slow.x, slow.y) == kWhite) white.push_back(frame);
  }
  EXPECT_EQ(white, (std::vector<int>{15, 16, 31, 32}));
}

TEST_F(Airplanes, TheLightRestoresWhatItCovered) {
  // A patterned sky; the light crosses it diagonally and must leave it as it was.
  auto sky = [](int x, int y) { return RGB((x * 7) & 0xFF, (y * 5) & 0xFF, (x + y) & 0x7F); };
  for (int y = 80; y < 200; ++y)
    for (int x = 80; x < 260; ++x) SetPixel(SaverDC, x, y, sky(x, y));

  AIRPLANE a = Aimed(100, 100, 17.0f, 10.0f, 0);
  // The saved colours start as black: the first move paints the start black.
  for (int frame = 0; frame < 150; ++frame) a.Fly();
  ASSERT_GT(a.x, 200);
  ASSERT_LT(a.x, 250);
  EXPECT_EQ(Pixel(100, 100), 0u);
  EXPECT_EQ(Pixel(101, 100), 0u);
  int wrong = 0;
  for (int y = 80; y < 200; ++y)
    for (int x = 80; x < 260; ++x) {
      if (y == 100 && (x == 100 || x == 101)) continue;
      if (y == a.y && (x == a.x || x == a.x + 1)) continue;
      if (Pixel(x, y) != sky(x, y)) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
  // The light itself is showing where it is now.
  const COLORREF light = Pixel(a.x, a.y);
  EXPECT_TRUE(light == kRed || light == kWhite);
}

TEST_F(Airplanes, ZeroFrameTimeDoesNotDivideByZero) {
  RealTickTime = 0;
  AIRPLANE a;
  a.Create();
  a.x = 50;
  a.y = 50;
  a.dx = 20.0f;
  for (int i = 0; i < 2000; ++i) a.Fly();
  EXPECT_NEAR(a.x, 90, 1);  // 2000 frames of 1 ms at 20 pixels a second
}

}  // namespace
