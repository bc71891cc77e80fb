#include "events/airplanes.h"

#include <algorithm>
#include <cmath>

#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/utilities.h"

int AirplanesOn = 0;

namespace {
// Milliseconds per frame, never 0 (it divides every duration).
int FrameMs() { return std::max(RealTickTime, 1); }
}  // namespace

AIRPLANE::AIRPLANE()
    : x(0),
      y(0),
      dy(0.0f),
      dx(0.0f),
      carryX(0.0f),
      carryY(0.0f),
      blinkCounter(0),
      savedLeft(0),
      savedRight(0) {}

void AIRPLANE::Create() {
  MainSettings.UserReadInt("Params", "Airplanes", &AirplanesOn, 1);
  if (AirplanesOn == 0) return;

  // Half a cycle of random start, so the two lights do not flash together.
  const int n = (1500 / FrameMs()) / 2;
  blinkCounter = RandomBelow(n) + n;

  x = RandomBelow(ScreenRect.right - ScreenRect.left - 20) + 10;
  y = RandomBelow(ScreenRect.bottom - ScreenRect.top);

  // Within 45 degrees of horizontal, to the right or to the left.
  float heading = static_cast<float>(RandomBelow(314)) * 0.02f;
  if ((0.785f < heading && heading < 2.355f) || (3.925f < heading && heading < 5.495f))
    heading -= 1.57f;
  dx = std::cos(heading) * 20.0f;
  dy = std::sin(heading) * 20.0f;
  carryX = carryY = 0.0f;
  savedLeft = savedRight = 0;
}

void AIRPLANE::Fly() {
  if (AirplanesOn == 0) return;
  const int frameMs = FrameMs();

  carryX += dx * static_cast<float>(frameMs) * 0.001f;
  carryY += dy * static_cast<float>(frameMs) * 0.001f;
  const int stepX = static_cast<int>(carryX);
  const int stepY = static_cast<int>(carryY);
  if (stepX != 0 || stepY != 0) {
    SetPixel(SaverDC, x, y, savedLeft);
    SetPixel(SaverDC, x + 1, y, savedRight);
    carryX -= static_cast<float>(stepX);
    carryY -= static_cast<float>(stepY);
    x += stepX;
    y += stepY;

    if (x < 1) x = ScreenRect.right - 1;
    if (x >= ScreenRect.right) x = 1;
    if (y < 3) y = ScreenRect.bottom - 3;
    if (y >= ScreenRect.bottom - 2) y = 3;

    savedLeft = GetPixel(SaverDC, x, y);
    savedRight = GetPixel(SaverDC, x + 1, y);
    // A pixel beyond the window edge has no colour to give back.
    if (savedLeft == CLR_INVALID) savedLeft = 0;
    if (savedRight == CLR_INVALID) savedRight = 0;
    SetPixel(SaverDC, x, y, AirplaneLightColour);
    SetPixel(SaverDC, x + 1, y, AirplaneLightColour);
  }

  const int redFrames = 1500 / frameMs;
  if (blinkCounter >= redFrames) {
    SetPixel(SaverDC, x, y, AirplaneFlashColour);
    SetPixel(SaverDC, x + 1, y, AirplaneFlashColour);
    if (blinkCounter >= redFrames + 150 / frameMs) blinkCounter = 0;
  }
  ++blinkCounter;
}

namespace lvx {
void ResetAirplanesForTests() { AirplanesOn = 0; }
}  // namespace lvx
