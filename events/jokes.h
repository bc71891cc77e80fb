// Jokes, all switched by the per-user setting "Jokes": a fake shut-down
// screen that the saver sometimes shows when it is closed. (The button of the
// configuration dialog that runs away from the pointer, and the blink of the
// eyes in its picture, live with that dialog.)
#pragma once

#include "platform/winapi.h"

// Our own picture of a computer switching off, shown stretched over the screen.
inline constexpr int ShutDownPicture = 300;
// Orange, as 0x00BBGGRR.
inline constexpr COLORREF ShutDownTextColour = 0x3277E5;
inline constexpr const char* ShutDownText = "Did I scare you?\nIt was just a joke!";

// The shut-down joke: the system's exit sound, the shut-down picture for 1.5
// seconds, then the confession in orange on black for 3.5 seconds. Does
// nothing when "Jokes" is 0, in a preview, or before the saver has a screen.
void ShutDownJoke();

namespace lvx {
// Tests: the joke's pauses go to `pause` instead of Sleep (nullptr: Sleep).
void SetJokePauseForTests(void (*pause)(DWORD milliseconds));
}  // namespace lvx
