// Hot corners: parking the pointer in a chosen corner keeps the saver from
// starting; the same per-user record holds the two opening effects.
#pragma once

#include "platform/winapi.h"

struct HotCornerRecord {
  int disableTopLeft;
  int disableTopRight;
  int disableBottomLeft;
  int disableBottomRight;
  int switchOffTV;
  int reachTheStars;

  // Reads the six per-user "Params" values with their defaults.
  void Load();
};

// Side of the square corner zone, in pixels.
inline constexpr int HotCornerSize = 64;

// The one record of the process, loaded by MouseInCorner and WM_ERASEBKGND.
extern HotCornerRecord HotCorners;

// 0 when starting is allowed, else the corner holding the pointer: 1 top-left,
// 2 top-right, 3 bottom-left, 4 bottom-right.
int MouseInCorner(HWND window);

// The corner test alone, for a pointer and a window rectangle in screen
// coordinates.
int CornerOf(const HotCornerRecord& record, const RECT& rect, POINT pointer);
