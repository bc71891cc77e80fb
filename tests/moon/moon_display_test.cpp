#include "moon/moon_display.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "scene/saver_state.h"
#include "scene/stars.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/support/test_support.h"

namespace {

int fakeHour = 2;
int fakeMonth = 1;  // 1..12
void FakeClock(SYSTEMTIME* now) {
  *now = SYSTEMTIME{};
  now->wYear = 2005;
  now->wMonth = static_cast<WORD>(fakeMonth);
  now->wDay = 14;
  now->wHour = static_cast<WORD>(fakeHour);
}

// A saver-like window on the headless display whose DC is SaverDC, fresh
// settings, an active log, a sky-sized space matrix, and 02:00 in January
// (no tint) unless a test says otherwise.
class MoonDisplay : public ::testing::Test {
 protected:
  void SetUp() override { Open(1024, 768); }
  void TearDown() override { lvx::ResetMoonDisplayForTests(); }

  void Open(int width, int height) {
    lvx::test::WriteFile(lvx::LogFilePath(), "");
    lvx::ResetLogForTests();
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    lvx::ResetSettingsForTests();
    // Switches written by an earlier test in the same process do not leak.
    std::remove((lvx::test::Home() + "/Lumivex.ini").c_str());
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    lvx::ResetSaverStateForTests();
    lvx::ResetStarsForTests();
    lvx::ResetMoonDisplayForTests();
    lvx::ResetUtilitiesForTests();
    lvx::SeedRandomForTests(11);
    fakeHour = 2;
    fakeMonth = 1;
    lvx::SetMoonClockForTests(FakeClock);

    WNDCLASSA wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "MoonTestWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "MoonTestWindow", "Screen Saver", WS_POPUP, 0, 0, width,
                                  height, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    MainWindow = window;
    SaverDC = GetDC(window);
    ASSERT_NE(SaverDC, nullptr);
    GetClientRect(window, &ScreenRect);
    RealTickTime = 50;
    SpaceMatrix.Create(width, height);
  }

  static void ForcePhase(int angle) {
    MainSettings.WriteString("debug", "MoonPhase", std::to_string(angle).c_str());
  }
  static COLORREF MoonPixel(int X, int Y) { return GetPixel(Moon.picture.hMemDC, X, Y); }
  static std::string Log() { return lvx::test::ReadFile(lvx::LogFilePath()); }
};

// The untouched picture 116, read once per test.
class RawMoon {
 public:
  RawMoon() {
    bitmap_.CreateFromResource(SaverDC, 116);
    for (int Y = 0; Y < MoonDiameter; ++Y)
      for (int X = 0; X < MoonDiameter; ++X) pixels_.push_back(GetPixel(bitmap_.hMemDC, X, Y));
    // Released by hand: Destroy would black out the window.
    SelectObject(bitmap_.hMemDC, bitmap_.hOldBitmap);
    DeleteObject(bitmap_.hBitmap);
    DeleteDC(bitmap_.hMemDC);
    bitmap_.hBitmap = nullptr;
    bitmap_.used = 0;
  }
  COLORREF At(int X, int Y) const { return pixels_[static_cast<std::size_t>(Y * MoonDiameter + X)]; }

 private:
  BitmapClass bitmap_;
  std::vector<COLORREF> pixels_;
};

bool InDisc(int X, int Y) {
  const int dx = X - MoonRadius, dy = Y - MoonRadius;
  return dx * dx + dy * dy <= MoonRadius * MoonRadius;
}

// The leftmost disc column of a row.
int RowLeft(int Y) {
  int X = 0;
  while (!InDisc(X, Y)) ++X;
  return X;
}

// Mean column of the red light of the moon as drawn, relative to its centre.
double LitCentroid() {
  double sum = 0, weight = 0;
  for (int Y = 0; Y < MoonDiameter; ++Y)
    for (int X = 0; X < MoonDiameter; ++X) {
      const double red = GetRValue(GetPixel(Moon.picture.hMemDC, X, Y));
      sum += red * (X - MoonRadius);
      weight += red;
    }
  return weight > 0 ? sum / weight : 0.0;
}

using Shading = MoonDisplay;
using Tinting = MoonDisplay;
using MoonCreate = MoonDisplay;
using MoonDrift = MoonDisplay;

TEST_F(Shading, FullMoonLightsTheWholeDiscAndTheOutsideIsBlack) {
  RawMoon raw;
  int lit = 0, disc = 0;
  for (int Y = 0; Y < MoonDiameter; ++Y)
    for (int X = 0; X < MoonDiameter; ++X) {
      const COLORREF before = raw.At(X, Y);
      const COLORREF after = MOON::Shade(before, X, Y, 0);
      if (!InDisc(X, Y)) {
        ASSERT_EQ(MOON::Shade(RGB(255, 255, 255), X, Y, 0), 0u) << X << "," << Y;
        continue;
      }
      ++disc;
      // Even at the limb at least (cos 1.52)^(1/4) of the light is left.
      EXPECT_GE(GetRValue(after), static_cast<int>(GetRValue(before) * 0.46)) << X << "," << Y;
      EXPECT_LE(GetRValue(after), GetRValue(before));
      if (GetRValue(after) > 0) ++lit;
    }
  EXPECT_EQ(lit, disc);
  // The centre column faces us squarely: untouched.
  for (int Y = 5; Y < 95; ++Y) EXPECT_EQ(MOON::Shade(raw.At(50, Y), 50, Y, 0), raw.At(50, Y));
}

TEST_F(Shading, NewMoonKeepsAFifthOfTheBlueAndAFaintRimOnTheLeft) {
  RawMoon raw;
  int rim = 0;
  for (int Y = 0; Y < MoonDiameter; ++Y)
    for (int X = 0; X < MoonDiameter; ++X) {
      if (!InDisc(X, Y)) continue;
      const COLORREF before = raw.At(X, Y);
      const COLORREF after = MOON::Shade(before, X, Y, 180);
      if (GetRValue(after) == 0 && GetGValue(after) == 0) {
        EXPECT_EQ(GetBValue(after), static_cast<int>(GetBValue(before) * 0.2f)) << X << "," << Y;
        continue;
      }
      // Lit: only the very left edge of its row, between 0.36 and 0.47 bright.
      ++rim;
      EXPECT_LE(X, RowLeft(Y) + 1) << X << "," << Y;
      EXPECT_GE(GetRValue(after), static_cast<int>(GetRValue(before) * 0.35));
      EXPECT_LE(GetRValue(after), static_cast<int>(GetRValue(before) * 0.48) + 1);
    }
  EXPECT_GT(rim, 5);
  EXPECT_LT(rim, 200);
}

TEST_F(Shading, QuartersLightTheLeftOrRightHalf) {
  RawMoon raw;
  for (const int angle : {90, 270}) {
    int lit = 0, disc = 0;
    for (int Y = 0; Y < MoonDiameter; ++Y)
      for (int X = 0; X < MoonDiameter; ++X) {
        if (!InDisc(X, Y) || GetRValue(raw.At(X, Y)) == 0) continue;
        ++disc;
        const int dx = X - MoonRadius;
        const bool isLit = GetRValue(MOON::Shade(raw.At(X, Y), X, Y, angle)) > 0;
        lit += isLit ? 1 : 0;
        // Last quarter lights the left half, first quarter the right.
        const int litLimit = angle == 90 ? 2 : 3;
        const int side = angle == 90 ? 1 : -1;
        if (isLit) {
          EXPECT_LE(dx * side, litLimit) << angle << ": " << X << "," << Y;
        } else {
          EXPECT_GE(dx * side, 0) << angle << ": " << X << "," << Y;
        }
      }
    EXPECT_GT(lit, disc * 45 / 100) << angle;
    EXPECT_LT(lit, disc * 58 / 100) << angle;
  }
}

TEST_F(Tinting, HourAndMonthIntensity) {
  EXPECT_LT(MOON::TintIntensity(2, 0, 0), 1e-5f);   // 02:00 in January
  EXPECT_LT(MOON::TintIntensity(14, 3, 0), 1e-5f);  // 14:00 in April
  EXPECT_NEAR(MOON::TintIntensity(20, 7, 0), 1.0f, 1e-5f);  // 20:00 in August
  EXPECT_NEAR(MOON::TintIntensity(8, 7, 0), 1.0f, 1e-5f);
  EXPECT_NEAR(MOON::TintIntensity(2, 7, 0), 0.5f, 1e-5f);  // the month alone
  EXPECT_NEAR(MOON::TintIntensity(20, 0, 0), 0.5f, 1e-5f);  // the hour alone
  // South of the equator July is the warm month, not August.
  EXPECT_NEAR(MOON::TintIntensity(20, 6, 1), 1.0f, 1e-5f);
  EXPECT_NEAR(MOON::TintIntensity(20, 7, 1), 0.5f, 1e-5f);

  EXPECT_EQ(MOON::Tint(RGB(200, 100, 60), 1.0f), RGB(180, 60, 30));
  EXPECT_EQ(MOON::Tint(RGB(200, 100, 60), 0.0f), RGB(200, 100, 60));
  EXPECT_EQ(MOON::Tint(0, 1.0f), 0u);
  EXPECT_TRUE(Log().find("Moon-HourIntensity= ") != std::string::npos);
}

// The same moon (same seed, so the same place and tilt) at two local times.
TEST_F(Tinting, AugustEveningMoonIsWarmAndAWinterNightMoonIsNot) {
  ForcePhase(0);
  auto channelSums = [](long sums[3]) {
    sums[0] = sums[1] = sums[2] = 0;
    for (int Y = 0; Y < MoonDiameter; ++Y)
      for (int X = 0; X < MoonDiameter; ++X) {
        const COLORREF c = GetPixel(Moon.picture.hMemDC, X, Y);
        sums[0] += GetRValue(c);
        sums[1] += GetGValue(c);
        sums[2] += GetBValue(c);
      }
  };
  long cold[3], warm[3];
  lvx::SeedRandomForTests(5);
  Moon.Create();
  channelSums(cold);
  EXPECT_TRUE(Log().find("Moon-LocalTime= 2") != std::string::npos);
  EXPECT_TRUE(Log().find("Moon-LocalMonth= 0") != std::string::npos);
  Moon.Destroy();

  fakeHour = 20;
  fakeMonth = 8;
  lvx::SeedRandomForTests(5);
  Moon.Create();
  channelSums(warm);
  ASSERT_GT(cold[0], 100000);
  EXPECT_NEAR(double(warm[0]) / cold[0], 0.9, 0.02);
  EXPECT_NEAR(double(warm[1]) / cold[1], 0.6, 0.02);
  EXPECT_NEAR(double(warm[2]) / cold[2], 0.5, 0.02);
}

TEST_F(MoonCreate, PlacedInTheTopBandWithItsCellsReserved) {
  ForcePhase(0);
  for (int run = 0; run < 40; ++run) {
    SpaceMatrix.Create(1024, 768);
    Moon.Create();
    const int x = Moon.picture.x;
    // (W - 100) / 5 = 184: never in the leftmost fifth, in steps of 4.
    ASSERT_GE(x, 184);
    ASSERT_LE(x, 1024 - 104);
    ASSERT_EQ((x - 184) % 4, 0);
    ASSERT_EQ(Moon.picture.y, 4);
    // The tilt keeps the picture 100 x 100.
    BITMAP info{};
    ASSERT_NE(GetObjectA(Moon.picture.hBitmap, sizeof info, &info), 0);
    ASSERT_EQ(info.bmWidth, 100);
    ASSERT_EQ(info.bmHeight, 100);
    ASSERT_EQ(Moon.picture.width, 100);
    // 101 x 101 from (x - 1, y - 1).
    EXPECT_EQ(SpaceMatrix.GetData(x - 1, 3), CellMoon);
    EXPECT_EQ(SpaceMatrix.GetData(x + 99, 103), CellMoon);
    EXPECT_EQ(SpaceMatrix.GetData(x + 100, 50), CellFree);
    EXPECT_EQ(SpaceMatrix.GetData(x - 2, 50), CellFree);
    EXPECT_EQ(SpaceMatrix.GetData(x + 50, 104), CellFree);
    EXPECT_EQ(SpaceMatrix.GetData(x + 50, 2), CellFree);
    Moon.Destroy();
  }
}

TEST_F(MoonCreate, ForcedPhasesSurviveTheTilt) {
  // Red light only exists where the sun shines. Against the full moon of the
  // same tilt (same seed) its centroid shows the lit side.
  const struct {
    int angle;
    int southern;
    int side;  // -1 left, +1 right
  } cases[] = {{90, 0, -1}, {270, 0, 1}, {120, 0, -1}, {240, 0, 1}, {240, 1, -1}, {270, 1, -1}};
  unsigned seed = 1;
  for (const auto& c : cases) {
    MainSettings.UserWriteString("Params", "SouthernHemisphere", c.southern ? "1" : "0");
    ForcePhase(0);
    lvx::SeedRandomForTests(++seed);
    Moon.Create();
    const double full = LitCentroid();
    Moon.Destroy();

    ForcePhase(c.angle);
    lvx::SeedRandomForTests(seed);
    Moon.Create();
    EXPECT_EQ(Moon.southern, c.southern);
    EXPECT_GT((LitCentroid() - full) * c.side, 3.0) << c.angle << " south " << c.southern;
    // Outside the disc stays black whatever the tilt.
    for (int Y = 0; Y < MoonDiameter; ++Y)
      for (int X = 0; X < MoonDiameter; ++X) {
        const double dx = X - MoonRadius, dy = Y - MoonRadius;
        if (dx * dx + dy * dy > 52.0 * 52.0) {
          ASSERT_EQ(MoonPixel(X, Y), 0u) << X << "," << Y;
        }
      }
    Moon.Destroy();
  }
}

TEST_F(MoonCreate, NewMoonIsDarkAndFullMoonBright) {
  auto redPixels = [] {
    int n = 0;
    for (int Y = 0; Y < MoonDiameter; ++Y)
      for (int X = 0; X < MoonDiameter; ++X) n += GetRValue(MoonPixel(X, Y)) > 0 ? 1 : 0;
    return n;
  };
  auto bluePixels = [] {
    int n = 0;
    for (int Y = 0; Y < MoonDiameter; ++Y)
      for (int X = 0; X < MoonDiameter; ++X) n += GetBValue(MoonPixel(X, Y)) > 0 ? 1 : 0;
    return n;
  };
  ForcePhase(0);
  Moon.Create();
  const int full = redPixels();
  EXPECT_GT(full, 7400);  // pi * 50^2 is 7854
  Moon.Destroy();
  ForcePhase(180);
  Moon.Create();
  EXPECT_LT(redPixels(), 600);
  EXPECT_GT(bluePixels(), 7000);  // the earthshine keeps the disc faintly blue
  Moon.Destroy();
  // A hand-edited angle out of range behaves as the same angle within 0..359.
  ForcePhase(540);
  Moon.Create();
  EXPECT_LT(redPixels(), 600);
}

TEST_F(MoonCreate, SwitchedOffOrNoRoomMeansNoMoon) {
  MainSettings.UserWriteString("Params", "Moon", "0");
  Moon.Create();
  EXPECT_EQ(Moon.enabled, 0);
  EXPECT_EQ(Moon.pictureCreated, 0);
  EXPECT_FALSE(Moon.picture.Used());
  for (int x = 0; x < 1024; x += 7) ASSERT_EQ(SpaceMatrix.GetData(x, 50), CellFree);
  Moon.Drift();
  EXPECT_EQ(GetPixel(SaverDC, 512, 50), 0u);
  Moon.Destroy();
  EXPECT_NE(lvx::TraceBufferForTests().find("Moon - 3501"), std::string::npos);
}

TEST_F(MoonCreate, NarrowSkyHasNoMoonAndOneJustWiderHasOne) {
  Open(100, 80);
  Moon.Create();
  EXPECT_EQ(Moon.enabled, 0);
  EXPECT_FALSE(Moon.picture.Used());
  Moon.Drift();
  Moon.Destroy();

  Open(101, 120);
  Moon.Create();
  ASSERT_TRUE(Moon.picture.Used());
  EXPECT_EQ(Moon.picture.x, 0);
  Moon.Drift();
  EXPECT_EQ(Moon.picture.x, 0);  // x modulo 1
  EXPECT_NE(GetPixel(SaverDC, 50, 54), 0u);
}

TEST_F(MoonCreate, SecondCreateReplacesThePictureWithABreadcrumb) {
  Moon.Create();
  ASSERT_TRUE(Moon.picture.Used());
  Moon.Create();
  EXPECT_TRUE(Moon.picture.Used());
  EXPECT_NE(lvx::TraceBufferForTests().find("Moon - 3425"), std::string::npos);
  Moon.Destroy();
  EXPECT_FALSE(Moon.picture.Used());
  EXPECT_EQ(lvx::TraceBufferForTests().find("Moon - 3501"), std::string::npos);
}

TEST_F(MoonDrift, FirstDisplayAtOnceThenEveryFiveSeconds) {
  Moon.Create();
  const int x0 = Moon.picture.x;
  FrameCounter = 1;
  Moon.Drift();  // the first moon of the process shows at once
  EXPECT_EQ(Moon.picture.x, x0 + 1);
  EXPECT_NE(GetPixel(SaverDC, x0 + 51, 54), 0u);

  // RealTickTime 50: every 100 frames, when FrameCounter + 10 is a multiple.
  std::vector<int> moves;
  for (FrameCounter = 2; FrameCounter <= 400; ++FrameCounter) {
    const int before = Moon.picture.x;
    Moon.Drift();
    if (Moon.picture.x != before) moves.push_back(FrameCounter);
  }
  EXPECT_EQ(moves, (std::vector<int>{90, 190, 290, 390}));

  RealTickTime = 100;  // every 50 frames
  moves.clear();
  for (FrameCounter = 1; FrameCounter <= 200; ++FrameCounter) {
    const int before = Moon.picture.x;
    Moon.Drift();
    if (Moon.picture.x != before) moves.push_back(FrameCounter);
  }
  EXPECT_EQ(moves, (std::vector<int>{40, 90, 140, 190}));

  // A later scene's moon waits for its first step.
  Moon.Destroy();
  Moon.Create();
  const int x1 = Moon.picture.x;
  FrameCounter = 1;
  Moon.Drift();
  EXPECT_EQ(Moon.picture.x, x1);
  EXPECT_EQ(GetPixel(SaverDC, x1 + 51, 54), 0u);
  FrameCounter = 40;
  Moon.Drift();
  EXPECT_EQ(Moon.picture.x, x1 + 1);
}

TEST_F(MoonDrift, CellsFollowTheMoonAndItWrapsAtTheRight) {
  Moon.Create();
  const int x = Moon.picture.x;
  Moon.Drift();
  // New 104 x 104 area from (x, 3); the old area's first column left vacated.
  EXPECT_EQ(SpaceMatrix.GetData(x - 1, 50), CellVacated);
  EXPECT_EQ(SpaceMatrix.GetData(x, 3), CellMoon);
  EXPECT_EQ(SpaceMatrix.GetData(x + 103, 106), CellMoon);
  EXPECT_EQ(SpaceMatrix.GetData(x + 104, 50), CellFree);
  EXPECT_EQ(SpaceMatrix.GetData(x + 50, 107), CellFree);

  // Screen: the old left column is black, the picture is at x + 1.
  const COLORREF centre = GetPixel(SaverDC, x + 1 + 50, 54);
  EXPECT_NE(centre, 0u);
  EXPECT_EQ(centre, MoonPixel(50, 50));
  for (int y = 0; y < 110; ++y) ASSERT_EQ(GetPixel(SaverDC, x, y), 0u);

  // From W - 101 the next step is x = 0.
  Moon.picture.x = 1024 - 101;
  Moon.picture.Display();
  SpaceMatrix.FillArea(Moon.picture.x - 1, 3, 104, 104, CellMoon);
  FrameCounter = 90;
  Moon.Drift();
  EXPECT_EQ(Moon.picture.x, 0);
  EXPECT_EQ(SpaceMatrix.GetData(0, 3), CellMoon);
  EXPECT_EQ(SpaceMatrix.GetData(102, 106), CellMoon);
  EXPECT_EQ(SpaceMatrix.GetData(1023, 50), CellVacated);
  EXPECT_EQ(SpaceMatrix.GetData(1024 - 102, 50), CellVacated);
  EXPECT_NE(GetPixel(SaverDC, 50, 54), 0u);
  for (int y = 0; y < 110; ++y) ASSERT_EQ(GetPixel(SaverDC, 1023, y), 0u);
}

TEST_F(MoonDrift, FailedDisplayLeavesAMark) {
  Moon.Create();
  // The picture lost behind the moon's back: drawing it fails.
  Moon.picture.Destroy();
  Moon.Drift();
  char mark[20] = {};
  GetPrivateProfileStringA("Debug", "MoonBmp.Display", "", mark, sizeof mark,
                           MainSettings.Path().c_str());
  EXPECT_STREQ(mark, "FALSE");
}

TEST_F(MoonDrift, StarsAreNeverBornOnTheMoonNorDrawnOverIt) {
  Moon.Create();
  Moon.Drift();
  const int x = Moon.picture.x;
  std::vector<STAR> stars(3000);
  for (STAR& s : stars) {
    s.Create(15, 30, 40000 / RealTickTime, SaverDC, 0, 0, 1024, 768, 20000 / RealTickTime,
             2000 / RealTickTime);
    ASSERT_EQ(SpaceMatrix.GetData(s.x, s.y) & CellMoon, 0) << s.x << "," << s.y;
  }

  // A star pushed onto the moon by hand draws nothing there, nor erases it.
  std::vector<COLORREF> before;
  for (int X = 0; X < MoonDiameter; ++X) before.push_back(GetPixel(SaverDC, x + X, 54));
  STAR& s = stars[0];
  s.x = x + 50;
  s.y = 54;
  s.brightness = 100;
  s.CleverPlot();
  s.CleverClear();
  for (int X = 0; X < MoonDiameter; ++X) ASSERT_EQ(GetPixel(SaverDC, x + X, 54), before[X]) << X;
  EXPECT_EQ(SpaceMatrix.GetData(x + 50, 54), CellMoon);
  for (std::size_t i = 0; i < stars.size(); ++i) StarPalette.Destroy();
}

}  // namespace
