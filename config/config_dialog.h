// The configuration dialog: the main page (dialog 2003) with the main
// message, the switches of the sky's extras and the doors to everything else,
// and the property sheet "Much More Options" with its pages.
#pragma once

#include "platform/winapi.h"

// The main page's dialog procedure; non-zero for a message it handled.
INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);

// Shows "Much More Options" owned by `owner`, opened at page `firstPage`
// (0 to 6), and returns when it closes: 1 after OK, 0 after Cancel, -1 when
// it could not be shown.
INT_PTR OpenMoreOptions(HWND owner, int firstPage);

inline constexpr const char* MoreOptionsTitle = "Lumivex v3.08 - Much More Options";

// What the main page keeps while it is open.
struct ConfigDialogState {
  HWND dialog;
  // The built-in picture and its blink frame (bitmap resources).
  int pictureId;
  int blinkId;
  // The picture the frame shows, loaded on the first paint after opening or
  // after a release; ownPicture tells that it came from "UPIC".
  HBITMAP picture;
  bool ownPicture;
  bool helpOpened;
  // The font or picture chooser, the e-mail dialog or the sheet is up; the
  // running button waits meanwhile.
  bool innerDialogOpen;
};

extern ConfigDialogState ConfigDialog;

// Longest main message and bottom line the main page stores.
inline constexpr int MainMessageLimit = 78;
inline constexpr int MainBottomLineLimit = 298;

namespace lvx {
// Tests: the main page's state as at program start (the jokes are reset
// separately).
void ResetConfigDialogForTests();
}  // namespace lvx
