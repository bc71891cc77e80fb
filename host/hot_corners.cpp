#include "host/hot_corners.h"

#include "settings/ini_file.h"
#include "settings/log_file.h"

HotCornerRecord HotCorners = {0, 0, 0, 0, 1, 0};

void HotCornerRecord::Load() {
  MainSettings.UserReadInt("Params", "DisableTL", &disableTopLeft, 0);
  MainSettings.UserReadInt("Params", "DisableTR", &disableTopRight, 0);
  MainSettings.UserReadInt("Params", "DisableBL", &disableBottomLeft, 0);
  MainSettings.UserReadInt("Params", "DisableBR", &disableBottomRight, 0);
  MainSettings.UserReadInt("Params", "SwitchOffTV", &switchOffTV, 1);
  MainSettings.UserReadInt("Params", "ReachTheStars", &reachTheStars, 0);
}

int CornerOf(const HotCornerRecord& record, const RECT& rect, POINT p) {
  const bool left = p.x >= rect.left && p.x < rect.left + HotCornerSize;
  const bool right = p.x > rect.right - HotCornerSize && p.x <= rect.right;
  const bool top = p.y >= rect.top && p.y < rect.top + HotCornerSize;
  const bool bottom = p.y > rect.bottom - HotCornerSize && p.y <= rect.bottom;
  // A later match wins, so on a tiny window the bottom-right corner decides.
  int corner = 0;
  if (record.disableTopLeft && left && top) corner = 1;
  if (record.disableTopRight && right && top) corner = 2;
  if (record.disableBottomLeft && left && bottom) corner = 3;
  if (record.disableBottomRight && right && bottom) corner = 4;
  return corner;
}

int MouseInCorner(HWND window) {
  RECT rect{0, 0, 0, 0};
  GetWindowRect(window, &rect);
  HotCorners.Load();
  POINT p{0, 0};
  GetCursorPos(&p);
  LogFile.LogLong(3, "MouseX", p.x);
  LogFile.LogLong(3, "MouseY", p.y);
  LogFile.LogLong(3, "ScreenRectLeft", rect.left);
  LogFile.LogLong(3, "ScreenRectTop", rect.top);
  const int corner = CornerOf(HotCorners, rect, p);
  LogFile.LogInt(3, "MouseInCorner", corner);
  return corner;
}
