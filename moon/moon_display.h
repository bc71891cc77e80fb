// The moon in the sky: picture 116 shaded for the phase, tinted by the hour
// and month, tilted, and drifting slowly to the right.
#pragma once

#include "platform/winapi.h"
#include "scene/bitmap.h"

// Diameter of the moon picture (bitmap 116 is 100 x 100) and its radius.
inline constexpr int MoonDiameter = 100;
inline constexpr int MoonRadius = MoonDiameter / 2;

class MOON {
 public:
  MOON();
  MOON(const MOON&) = delete;
  MOON& operator=(const MOON&) = delete;

  // Builds the picture on SaverDC and reserves its cells in the SpaceMatrix.
  void Create();
  // One frame: about every five seconds the moon moves one pixel right.
  void Drift();
  // Scene teardown: releases the picture ("Moon - 3501" when there was none).
  void Destroy();

  // Colour of the picture's pixel (X, Y) after the shading for `angle`;
  // outside the disc it is black.
  static COLORREF Shade(COLORREF colour, int X, int Y, int angle);
  // The warm tint's strength I (0 .. 1) for an hour 0..23 and a month index
  // 0..11; logs the two intensities.
  static float TintIntensity(int hour, int monthIndex, int southern);
  static COLORREF Tint(COLORREF colour, float intensity);

  int enabled;
  int southern;
  int pictureCreated;
  // Position (x, y) is the moon's top-left corner on the screen.
  BitmapClass picture;
};

// The one moon of the process.
extern MOON Moon;

namespace lvx {
// Tests: the local time the tint reads; nullptr returns to GetLocalTime.
using LocalTimeSource = void (*)(SYSTEMTIME*);
void SetMoonClockForTests(LocalTimeSource source);
// Tests: the moon released and cleared, the first-display flag set again,
// the real clock.
void ResetMoonDisplayForTests();
}  // namespace lvx
