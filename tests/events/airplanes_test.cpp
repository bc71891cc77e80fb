#include "events/airplanes.h"

#include <cmath>
#include <vector>

#include "tests/scene/scene_fixture.h"

namespace {

constexpr COLORREF kRed = 0x000000FF;
constexpr COLORREF kWhite = 0x00FFFFFF;

// The 1024 x 768 saver window of the scene tests, RealTickTime 50.
class AirplaneTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    lvx::ResetAirplanesForTests();
  }
  // A light switched on, then placed and aimed by hand.
  static AIRPLANE Aimed(int x, int y, float dx, float dy) {
    AIRPLANE a;
    a.Create();
    a.x = x;
    a.y = y;
    a.dx = dx;
    a.dy = dy;
    a.blinkCounter = 0;
    return a;
  }
};

TEST_F(AirplaneTest, SwitchedOffReadsOnlyTheFlagAndDrawsNothing) {
  MainSettings.UserWriteString("Params", "Airplanes", "0");
  lvx::SeedRandomForTests(9);
  AIRPLANE a;
  a.Create();
  EXPECT_EQ(AirplanesOn, 0);
  EXPECT_EQ(a.blinkCounter, 0);
  // The random source was not touched.
  const int next = RandomBelow(1000000);
  lvx::SeedRandomForTests(9);
  EXPECT_EQ(RandomBelow(1000000), next);

  a.x = a.y = 100;
  a.dx = 20.0f;
  for (int i = 0; i < 100; ++i) a.Fly();
  EXPECT_EQ(a.x, 100);
  EXPECT_EQ(LitIn(0, 0, 1024, 768), 0);
}

TEST_F(AirplaneTest, CreatedInsideTheSkyWithin45DegreesOfHorizontal) {
  int leftwards = 0;
  for (int i = 0; i < 2000; ++i) {
    AIRPLANE a;
    a.Create();
    ASSERT_TRUE(a.x >= 10 && a.x <= 1013 && a.y >= 0 && a.y < 768) << a.x << "," << a.y;
    ASSERT_NEAR(std::hypot(a.dx, a.dy), 20.0f, 1e-3f);
    ASSERT_LE(std::fabs(a.dy), std::fabs(a.dx) + 0.02f) << a.dx << "," << a.dy;
    // (1500 / 50) / 2 = 15: the counter starts in 15..29.
    ASSERT_TRUE(a.blinkCounter >= 15 && a.blinkCounter < 30) << a.blinkCounter;
    leftwards += a.dx < 0;
  }
  EXPECT_GT(leftwards, 600);
  EXPECT_LT(leftwards, 1400);
}

TEST_F(AirplaneTest, LightsWrapAtEveryEdge) {
  // 20 pixels a second at 50 ms a frame: one pixel per frame.
  AIRPLANE west = Aimed(1, 300, -20.0f, 0.0f);
  west.Fly();
  EXPECT_EQ(west.x, 1023);  // right edge - 1, same row
  EXPECT_EQ(west.y, 300);
  AIRPLANE east = Aimed(1023, 310, 20.0f, 0.0f);
  east.Fly();
  EXPECT_EQ(east.x, 1);
  AIRPLANE north = Aimed(400, 3, 0.0f, -20.0f);
  north.Fly();
  EXPECT_EQ(north.y, 765);  // bottom edge - 3
  AIRPLANE south = Aimed(500, 765, 0.0f, 20.0f);
  south.Fly();
  EXPECT_EQ(south.y, 3);
  EXPECT_EQ(Pixel(500, 3), kRed);
  EXPECT_EQ(Pixel(501, 3), kRed);
  AIRPLANE inside = Aimed(2, 4, -20.0f, -20.0f);
  inside.Fly();
  EXPECT_EQ(inside.x, 1);
  EXPECT_EQ(inside.y, 3);

  // Half of the west light was beyond the window; moving on leaves no trace.
  west.Fly();
  west.Fly();
  EXPECT_EQ(west.x, 1021);
  EXPECT_EQ(Pixel(1023, 300), 0u);
  EXPECT_EQ(Pixel(1022, 300), kRed);
}

TEST_F(AirplaneTest, FractionsOfAPixelAreCarried) {
  // A quarter pixel a frame: one step in four, both ways.
  AIRPLANE east = Aimed(100, 100, 5.0f, 0.0f);
  AIRPLANE west = Aimed(100, 120, -5.0f, 0.0f);
  std::vector<int> steps;
  for (int frame = 1; frame <= 20; ++frame) {
    const int before = east.x;
    east.Fly();
    west.Fly();
    if (east.x != before) steps.push_back(frame);
  }
  EXPECT_EQ(steps, (std::vector<int>{4, 8, 12, 16, 20}));
  EXPECT_EQ(east.x, 105);
  EXPECT_EQ(west.x, 95);
}

TEST_F(AirplaneTest, FlashesWhiteFourFramesInACycleOf33) {
  // Moving a pixel a frame, the light is repainted every frame.
  AIRPLANE a = Aimed(100, 200, 20.0f, 0.0f);
  std::vector<int> white;
  for (int frame = 0; frame < 100; ++frame) {
    a.Fly();
    const COLORREF c = Pixel(a.x, a.y);
    ASSERT_TRUE(c == kRed || c == kWhite) << frame;
    ASSERT_EQ(Pixel(a.x + 1, a.y), c);
    if (c == kWhite) white.push_back(frame);
  }
  EXPECT_EQ(white, (std::vector<int>{30, 31, 32, 33, 63, 64, 65, 66, 96, 97, 98, 99}));
}

TEST_F(AirplaneTest, TheLightRestoresWhatItCovered) {
  auto sky = [](int x, int y) { return RGB((x * 7) & 0xFF, (y * 5) & 0xFF, (x + y) & 0x7F); };
  for (int y = 80; y < 200; ++y)
    for (int x = 80; x < 260; ++x) SetPixel(SaverDC, x, y, sky(x, y));
  AIRPLANE a = Aimed(100, 100, 17.0f, 10.0f);
  for (int frame = 0; frame < 150; ++frame) a.Fly();
  ASSERT_TRUE(a.x > 200 && a.x < 250) << a.x;
  // The saved colours start black, so the start position turns black.
  EXPECT_EQ(Pixel(100, 100), 0u);
  int wrong = 0;
  for (int y = 80; y < 200; ++y)
    for (int x = 80; x < 260; ++x) {
      const bool start = y == 100 && (x == 100 || x == 101);
      const bool light = y == a.y && (x == a.x || x == a.x + 1);
      if (!start && !light && Pixel(x, y) != sky(x, y)) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
