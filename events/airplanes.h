// Two far-away airplanes: a two-pixel red light each, flashing white about
// every 1.6 seconds, drifting roughly horizontally across the sky.
#pragma once

#include "platform/winapi.h"

class AIRPLANE {
 public:
  AIRPLANE();

  // Reads the "Airplanes" switch and, when on, places the light at random.
  void Create();
  // One frame: move, wrap at the edges, and flash.
  void Fly();

  int x, y;                        // the left pixel of the light
  float dy, dx;                    // pixels per second
  float carryX, carryY;            // motion not yet turned into whole pixels
  int blinkCounter;                // frames since the last flash ended
  COLORREF savedLeft, savedRight;  // what the light covers
};

// The "Airplanes" setting, shared by both airplanes.
extern int AirplanesOn;

inline constexpr COLORREF AirplaneLightColour = 0x000000FF;
inline constexpr COLORREF AirplaneFlashColour = 0x00FFFFFF;

namespace lvx {
// Tests: the switch cleared, as at program start.
void ResetAirplanesForTests();
}  // namespace lvx
