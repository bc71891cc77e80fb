#include "moon/moon_display.h"

#include <algorithm>
#include <cmath>

#include "moon/phase.h"
#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {
constexpr int kInfo = 3;
constexpr int kWarning = 5;
constexpr int kMoonBitmap = 116;
// Degrees to the shading's argument: a little less than pi / 180, which
// widens the lit part so a quarter moon shows slightly more than half.
constexpr double kShadeFactor = 0.01689722220102946;
// 3.14 / 6 in single precision: one step of the hour and month cosines.
constexpr float kClockStep = 0.5233334f;

bool firstDisplay = true;
lvx::LocalTimeSource localTimeSource = nullptr;

int ScreenWidth() { return ScreenRect.right - ScreenRect.left; }

void ReadLocalTime(SYSTEMTIME* now) {
  if (localTimeSource != nullptr)
    localTimeSource(now);
  else
    GetLocalTime(now);
}

BYTE Scaled(BYTE channel, float factor) {
  return static_cast<BYTE>(std::clamp(static_cast<int>(channel * factor), 0, 255));
}
}  // namespace

MOON Moon;

MOON::MOON() : enabled(0), southern(0), pictureCreated(0) {}

COLORREF MOON::Shade(COLORREF colour, int X, int Y, int angle) {
  const int R = MoonRadius;
  const int dx = X - R;
  const int dy = Y - R;
  if (dx * dx + dy * dy > R * R) return 0;

  int p = angle;
  if (p > 180) p -= 360;
  const double half = std::sqrt(static_cast<double>(R * R - dy * dy) + 0.01);
  const double q = std::clamp(dx / half, -0.999999999999, 0.999999999999);
  // Longitude on the disc: 0 at the right edge, 180 at the left.
  const int lon = static_cast<int>(std::acos(q) * 180.0 / 3.1415);
  const double a = lon - p - 90;
  const double light = std::max(std::cos(a * kShadeFactor), 0.0);
  const float k = static_cast<float>(std::sqrt(std::sqrt(light)));
  // The night side keeps a fifth of its blue: earthshine.
  return RGB(Scaled(GetRValue(colour), k), Scaled(GetGValue(colour), k),
             Scaled(GetBValue(colour), std::max(k, 0.2f)));
}

float MOON::TintIntensity(int hour, int monthIndex, int southernFlag) {
  const float hourIntensity = 0.5f + 0.5f * std::cos(static_cast<float>(hour - 8) * kClockStep);
  // The shift makes July the warm month in the south.
  const int s = (monthIndex + (southernFlag != 0 ? 1 : 0)) == 7 ? 0 : 6;
  const float monthIntensity = 0.5f + 0.5f * std::cos(static_cast<float>(s) * kClockStep);
  LogFile.LogDouble(kInfo, "Moon-HourIntensity", hourIntensity);
  LogFile.LogDouble(kInfo, "Moon-MonthIntensity", monthIntensity);
  return 0.5f * hourIntensity + 0.5f * monthIntensity;
}

COLORREF MOON::Tint(COLORREF colour, float intensity) {
  const float red = 1.0f - 0.1f * intensity;
  const float green = 1.0f - 0.4f * intensity;
  const float blue = 1.0f - 0.5f * intensity;
  return RGB(Scaled(GetRValue(colour), red), Scaled(GetGValue(colour), green),
             Scaled(GetBValue(colour), blue));
}

void MOON::Create() {
  LogFile.Log(kInfo, "MOON", "Create");
  MainSettings.UserReadInt("Params", "Moon", &enabled, 1);
  MainSettings.UserReadInt("Params", "SouthernHemisphere", &southern, 0);
  if (enabled == 0) return;

  if (pictureCreated != 0 || picture.Used()) {
    Trace("Moon - 3425");
    if (picture.Used()) picture.Destroy();
    pictureCreated = 0;
  }

  // The drift wraps at W - 100, so a sky no wider than the moon has none.
  const int W = ScreenWidth();
  if (W <= MoonDiameter) {
    LogFile.LogInt(kInfo, "MOON-NoRoom", W);
    enabled = 0;
    return;
  }
  pictureCreated = 1;

  const int w = (W - MoonDiameter) / 5;
  const int x = w + 4 * RandomBelow(w);
  const int y = 4;

  picture.CreateFromResource(SaverDC, kMoonBitmap);
  picture.x = x;
  picture.y = y;
  if (picture.width != MoonDiameter || picture.height != MoonDiameter)
    LogFile.LogInt(kWarning, "MOON-BitmapWidth", picture.width);

  int angle = CalcPhase();
  MainSettings.ReadInt("debug", "MoonPhase", &angle, angle);
  // A hand-edited entry may be any number; the shading expects 0..359.
  angle = ((angle % 360) + 360) % 360;

  // Only pixels the picture really has are touched.
  const int columns = std::min(MoonDiameter, picture.width);
  const int rows = std::min(MoonDiameter, picture.height);
  HDC dc = picture.hMemDC;
  for (int X = 0; X < columns; ++X) {
    for (int Y = 0; Y < rows; ++Y) {
      const COLORREF colour = GetPixel(dc, X, Y);
      if (colour == CLR_INVALID) continue;
      SetPixel(dc, X, Y, Shade(colour, X, Y, angle));
    }
  }

  if (southern != 0) picture.Mirror();

  SYSTEMTIME now{};
  ReadLocalTime(&now);
  const int hour = now.wHour;
  const int month = now.wMonth >= 1 ? now.wMonth - 1 : 0;
  LogFile.LogInt(kInfo, "Moon-LocalTime", hour);
  LogFile.LogInt(kInfo, "Moon-LocalMonth", month);
  const float intensity = TintIntensity(hour, month, southern);
  for (int X = 0; X < columns; ++X) {
    for (int Y = 0; Y < rows; ++Y) {
      const COLORREF colour = GetPixel(dc, X, Y);
      if (colour == 0 || colour == CLR_INVALID) continue;
      SetPixel(dc, X, Y, Tint(colour, intensity));
    }
  }

  picture.Rotate(static_cast<float>(RandomBelow(200)) * 0.01f - 0.8f);

  SpaceMatrix.FillArea(x - 1, y - 1, 101, 101, CellMoon);
}

void MOON::Drift() {
  if (enabled == 0 || pictureCreated == 0) return;
  const int W = ScreenWidth();
  if (W <= MoonDiameter) return;
  if (!firstDisplay) {
    const int n = std::max(5000 / std::max(RealTickTime, 1), 1);
    if ((FrameCounter + 10) % n != 0) return;
  }
  firstDisplay = false;

  picture.Clear();
  SpaceMatrix.FillArea(picture.x - 1, picture.y - 1, 104, 104, CellVacated);
  picture.x = (picture.x + 1) % (W - MoonDiameter);
  SpaceMatrix.FillArea(picture.x - 1, picture.y - 1, 104, 104, CellMoon);
  if (picture.Display() == 0) MainSettings.WriteString("Debug", "MoonBmp.Display", "FALSE");
}

void MOON::Destroy() {
  if (pictureCreated == 0) Trace("Moon - 3501");
  if (picture.Used()) picture.Destroy();
  pictureCreated = 0;
}

namespace lvx {
void SetMoonClockForTests(LocalTimeSource source) { localTimeSource = source; }

void ResetMoonDisplayForTests() {
  if (Moon.picture.Used()) Moon.picture.Destroy();
  Moon.enabled = 0;
  Moon.southern = 0;
  Moon.pictureCreated = 0;
  Moon.picture.x = 0;
  Moon.picture.y = 0;
  firstDisplay = true;
  localTimeSource = nullptr;
}
}  // namespace lvx
