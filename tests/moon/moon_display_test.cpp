#include "moon/moon_display.h"

#include <string>
#include <vector>

#include "tests/scene/scene_fixture.h"

namespace {

int fakeHour = 2;
int fakeMonth = 1;
void FakeClock(SYSTEMTIME* now) {
  *now = SYSTEMTIME{};
  now->wMonth = static_cast<WORD>(fakeMonth);
  now->wHour = static_cast<WORD>(fakeHour);
}

// The saver window of the scene tests, a sky-sized space matrix, and 02:00
// in January (no tint) unless a test says otherwise.
class MoonTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    lvx::ResetMoonDisplayForTests();
    lvx::SetMoonClockForTests(FakeClock);
    SpaceMatrix.Create(1024, 768);
  }
  void TearDown() override { lvx::ResetMoonDisplayForTests(); }

  static void ForcePhase(int angle) {
    MainSettings.WriteString("debug", "MoonPhase", std::to_string(angle).c_str());
  }
  static COLORREF MoonPixel(int X, int Y) { return GetPixel(Moon.picture.hMemDC, X, Y); }
  // Mean column of the drawn moon's red (sunlight only), from its centre.
  static double LitCentroid() {
    double sum = 0, weight = 0;
    for (int Y = 0; Y < MoonDiameter; ++Y)
      for (int X = 0; X < MoonDiameter; ++X) {
        sum += GetRValue(MoonPixel(X, Y)) * (X - MoonRadius);
        weight += GetRValue(MoonPixel(X, Y));
      }
    return sum / weight;
  }
};

bool InDisc(int X, int Y) { return (X - 50) * (X - 50) + (Y - 50) * (Y - 50) <= 2500; }

TEST_F(MoonTest, ShadingByPhase) {
  const COLORREF grey = RGB(200, 180, 160);
  int litFull = 0, rimNew = 0, litLast = 0, litFirst = 0, disc = 0;
  for (int Y = 0; Y < 100; ++Y)
    for (int X = 0; X < 100; ++X) {
      if (!InDisc(X, Y)) {
        ASSERT_EQ(MOON::Shade(grey, X, Y, 0), 0u) << X << "," << Y;
        continue;
      }
      ++disc;
      const int dx = X - 50;
      // Full: every pixel lit, at least (cos 1.52)^(1/4) even at the limb.
      const COLORREF full = MOON::Shade(grey, X, Y, 0);
      EXPECT_GE(GetRValue(full), 93) << X << "," << Y;
      litFull += GetRValue(full) > 0;
      // New: dark, a fifth of the blue kept, a faint rim at the left edge only.
      const COLORREF dark = MOON::Shade(grey, X, Y, 180);
      if (GetRValue(dark) == 0) {
        EXPECT_EQ(dark, RGB(0, 0, 32)) << X << "," << Y;
      } else {
        ++rimNew;
        EXPECT_TRUE(!InDisc(X - 2, Y)) << X << "," << Y;
        EXPECT_GE(GetRValue(dark), 70);
        EXPECT_LE(GetRValue(dark), 95);
      }
      // Last quarter lights about the left half, first quarter the right.
      const bool last = GetRValue(MOON::Shade(grey, X, Y, 90)) > 0;
      const bool first = GetRValue(MOON::Shade(grey, X, Y, 270)) > 0;
      litLast += last;
      litFirst += first;
      EXPECT_TRUE(last ? dx <= 2 : dx >= 0) << X << "," << Y;
      EXPECT_TRUE(first ? dx >= -3 : dx <= 0) << X << "," << Y;
    }
  EXPECT_EQ(litFull, disc);
  EXPECT_GT(rimNew, 5);
  EXPECT_LT(rimNew, 150);
  for (const int lit : {litLast, litFirst}) {
    EXPECT_GT(lit, disc * 45 / 100);
    EXPECT_LT(lit, disc * 58 / 100);
  }
  // The centre column faces the sun squarely at full moon: untouched.
  EXPECT_EQ(MOON::Shade(grey, 50, 20, 0), grey);
}

TEST_F(MoonTest, TintByHourAndMonth) {
  EXPECT_LT(MOON::TintIntensity(2, 0, 0), 1e-5f);
  EXPECT_NEAR(MOON::TintIntensity(20, 7, 0), 1.0f, 1e-5f);
  EXPECT_NEAR(MOON::TintIntensity(2, 7, 0), 0.5f, 1e-5f);
  EXPECT_NEAR(MOON::TintIntensity(8, 0, 0), 0.5f, 1e-5f);
  // South of the equator July is the warm month.
  EXPECT_NEAR(MOON::TintIntensity(20, 6, 1), 1.0f, 1e-5f);
  EXPECT_NEAR(MOON::TintIntensity(20, 7, 1), 0.5f, 1e-5f);
  EXPECT_EQ(MOON::Tint(RGB(200, 100, 60), 1.0f), RGB(180, 60, 30));

  // The same moon (seed: place and tilt) at 02:00 in January and 20:00 in August.
  ForcePhase(0);
  long sums[2][3] = {};
  for (int run = 0; run < 2; ++run) {
    fakeHour = run ? 20 : 2;
    fakeMonth = run ? 8 : 1;
    lvx::SeedRandomForTests(5);
    Moon.Create();
    for (int Y = 0; Y < 100; ++Y)
      for (int X = 0; X < 100; ++X) {
        sums[run][0] += GetRValue(MoonPixel(X, Y));
        sums[run][1] += GetGValue(MoonPixel(X, Y));
        sums[run][2] += GetBValue(MoonPixel(X, Y));
      }
    Moon.Destroy();
  }
  EXPECT_TRUE(Logged("Moon-LocalTime= 20") && Logged("Moon-LocalMonth= 7"));
  ASSERT_GT(sums[0][0], 100000);
  EXPECT_NEAR(double(sums[1][0]) / sums[0][0], 0.9, 0.02);
  EXPECT_NEAR(double(sums[1][1]) / sums[0][1], 0.6, 0.02);
  EXPECT_NEAR(double(sums[1][2]) / sums[0][2], 0.5, 0.02);
}

TEST_F(MoonTest, CreatePlacesTiltsAndReservesTheMoon) {
  for (int run = 0; run < 30; ++run) {
    SpaceMatrix.Create(1024, 768);
    Moon.Create();
    const int x = Moon.picture.x;
    // (W - 100) / 5 = 184 up to W - 104, in steps of 4, four pixels down.
    ASSERT_TRUE(x >= 184 && x <= 920 && (x - 184) % 4 == 0) << x;
    ASSERT_EQ(Moon.picture.y, 4);
    BITMAP info{};
    ASSERT_NE(GetObjectA(Moon.picture.hBitmap, sizeof info, &info), 0);
    ASSERT_EQ(info.bmWidth, 100);
    ASSERT_EQ(info.bmHeight, 100);
    // 101 x 101 from (x - 1, y - 1).
    EXPECT_EQ(SpaceMatrix.GetData(x - 1, 3), CellMoon);
    EXPECT_EQ(SpaceMatrix.GetData(x + 99, 103), CellMoon);
    EXPECT_EQ(SpaceMatrix.GetData(x + 100, 50), CellFree);
    EXPECT_EQ(SpaceMatrix.GetData(x + 50, 104), CellFree);
    Moon.Destroy();
  }
  // A second Create replaces the picture and says so.
  Moon.Create();
  Moon.Create();
  EXPECT_TRUE(Moon.picture.Used());
  EXPECT_NE(lvx::TraceBufferForTests().find("Moon - 3425"), std::string::npos);
}

TEST_F(MoonTest, ForcedPhasesSurviveTheTiltAndTheSouthMirrors) {
  // Against the full moon of the same tilt, the red centroid shows the lit side.
  const struct {
    int angle, southern, side;
  } cases[] = {{90, 0, -1}, {270, 0, 1}, {240, 0, 1}, {240, 1, -1}, {120, 1, 1}};
  unsigned seed = 1;
  for (const auto& c : cases) {
    MainSettings.UserWriteString("Params", "SouthernHemisphere", c.southern ? "1" : "0");
    double centroid[2] = {};
    for (int run = 0; run < 2; ++run) {
      ForcePhase(run ? c.angle : 0);
      lvx::SeedRandomForTests(seed);
      Moon.Create();
      centroid[run] = LitCentroid();
      // Black outside the disc whatever the tilt.
      for (int Y = 0; Y < 100; ++Y)
        for (int X = 0; X < 100; ++X) {
          if ((X - 50) * (X - 50) + (Y - 50) * (Y - 50) > 52 * 52) {
            ASSERT_EQ(MoonPixel(X, Y), 0u);
          }
        }
      Moon.Destroy();
    }
    ++seed;
    EXPECT_GT((centroid[1] - centroid[0]) * c.side, 3.0) << c.angle << " south " << c.southern;
  }
  // New moon: the disc keeps only its faint blue; an angle past 359 is the same angle.
  for (const int angle : {180, 540}) {
    ForcePhase(angle);
    Moon.Create();
    int red = 0, blue = 0;
    for (int Y = 0; Y < 100; ++Y)
      for (int X = 0; X < 100; ++X) {
        red += GetRValue(MoonPixel(X, Y)) > 0;
        blue += GetBValue(MoonPixel(X, Y)) > 0;
      }
    EXPECT_LT(red, 600) << angle;
    EXPECT_GT(blue, 7000) << angle;
    Moon.Destroy();
  }
}

TEST_F(MoonTest, NoMoonWhenSwitchedOffOrNoRoom) {
  MainSettings.UserWriteString("Params", "Moon", "0");
  Moon.Create();
  EXPECT_FALSE(Moon.picture.Used());
  EXPECT_EQ(SpaceMatrix.GetData(512, 50), CellFree);
  Moon.Drift();
  EXPECT_EQ(LitIn(0, 0, 1024, 110), 0);
  Moon.Destroy();
  EXPECT_NE(lvx::TraceBufferForTests().find("Moon - 3501"), std::string::npos);

  MainSettings.UserWriteString("Params", "Moon", "1");
  Open(100, 80);
  Moon.Create();
  EXPECT_FALSE(Moon.picture.Used());
  Moon.Drift();
  Open(101, 120);
  SpaceMatrix.Create(101, 120);
  Moon.Create();
  Moon.Drift();
  EXPECT_EQ(Moon.picture.x, 0);  // x modulo 1
  EXPECT_NE(Pixel(50, 54), 0u);
}

TEST_F(MoonTest, DriftFirstAtOnceThenEveryFiveSeconds) {
  Moon.Create();
  const int x0 = Moon.picture.x;
  FrameCounter = 1;
  Moon.Drift();
  EXPECT_EQ(Moon.picture.x, x0 + 1);
  EXPECT_EQ(Pixel(x0 + 51, 54), MoonPixel(50, 50));
  // RealTickTime 50: every 100 frames; 100: every 50.
  std::vector<int> moves;
  for (FrameCounter = 2; FrameCounter <= 400; ++FrameCounter) {
    if (FrameCounter == 300) RealTickTime = 100;
    const int before = Moon.picture.x;
    Moon.Drift();
    if (Moon.picture.x != before) moves.push_back(FrameCounter);
  }
  EXPECT_EQ(moves, (std::vector<int>{90, 190, 290, 340, 390}));
  // A later scene's moon waits for its first step.
  Moon.Destroy();
  Moon.Create();
  const int x1 = Moon.picture.x;
  FrameCounter = 1;
  Moon.Drift();
  EXPECT_EQ(Moon.picture.x, x1);
  EXPECT_EQ(LitIn(0, 0, 1024, 110), 0);
}

TEST_F(MoonTest, DriftMovesTheCellsAndWraps) {
  Moon.Create();
  const int x = Moon.picture.x;
  Moon.Drift();
  // The new 104 x 104 area from (x, 3); the old area's left column vacated.
  EXPECT_EQ(SpaceMatrix.GetData(x - 1, 50), CellVacated);
  EXPECT_EQ(SpaceMatrix.GetData(x, 3), CellMoon);
  EXPECT_EQ(SpaceMatrix.GetData(x + 103, 106), CellMoon);
  EXPECT_EQ(SpaceMatrix.GetData(x + 104, 50), CellFree);

  Moon.picture.Clear();
  Moon.picture.x = 1024 - 101;
  Moon.picture.Display();
  FrameCounter = 90;
  Moon.Drift();
  EXPECT_EQ(Moon.picture.x, 0);
  EXPECT_EQ(SpaceMatrix.GetData(0, 3), CellMoon);
  EXPECT_EQ(SpaceMatrix.GetData(1023, 50), CellVacated);
  EXPECT_EQ(LitIn(923, 0, 1024, 110), 0);
  EXPECT_EQ(Pixel(50, 54), MoonPixel(50, 50));

  // A picture that cannot be drawn leaves a mark.
  Moon.picture.Destroy();
  FrameCounter = 190;
  Moon.Drift();
  char mark[20] = {};
  GetPrivateProfileStringA("Debug", "MoonBmp.Display", "", mark, sizeof mark,
                           MainSettings.Path().c_str());
  EXPECT_STREQ(mark, "FALSE");
}

TEST_F(MoonTest, StarsAreNeverBornOnTheMoonNorDrawnOverIt) {
  Moon.Create();
  Moon.Drift();
  const int x = Moon.picture.x;
  std::vector<STAR> stars(3000);
  for (STAR& s : stars) {
    s.Create(15, 30, 800, SaverDC, 0, 0, 1024, 768, 400, 40);
    ASSERT_EQ(SpaceMatrix.GetData(s.x, s.y) & CellMoon, 0) << s.x << "," << s.y;
  }
  std::vector<COLORREF> row;
  for (int X = 0; X < 100; ++X) row.push_back(Pixel(x + X, 54));
  stars[0].x = x + 50;
  stars[0].y = 54;
  stars[0].brightness = 100;
  stars[0].CleverPlot();
  stars[0].CleverClear();
  for (int X = 0; X < 100; ++X) ASSERT_EQ(Pixel(x + X, 54), row[X]) << X;
  EXPECT_EQ(SpaceMatrix.GetData(x + 50, 54), CellMoon);
  for (std::size_t i = 0; i < stars.size(); ++i) StarPalette.Destroy();
}

}  // namespace
