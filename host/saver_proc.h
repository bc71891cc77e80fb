// The saver's own window procedure: start-up, one frame of the sky per timer
// message, the opening effect, the end of a run.
#pragma once

#include <ctime>

#include "platform/winapi.h"

inline constexpr const char* SaverVersion = "v3.08";
inline constexpr const char* SaverBuildDate = "Oct 16 2005";
inline constexpr const char* SaverBuildTimestamp = "Sun Oct 16 14:14:04 2005";

// Id of the frame timer.
inline constexpr UINT_PTR FrameTimerNumber = 1;
// Pointer movement is ignored during the first frames of a run, so the jolt
// of a screen waking up does not end the saver at once.
inline constexpr int PointerWarmUpFrames = 66;

LRESULT ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Whole days from local midnight of the build date to `now`, truncated toward
// zero: negative when the clock stands a day or more before that midnight.
long DaysSinceBuildDate(std::time_t now);
// The clock warning box when DaysSinceBuildDate says the clock is wrong.
void CheckClock(HWND owner, std::time_t now);

// The frame timings as start-up reads them, forced into their ranges.
int ClampTickTime(int milliseconds);
int ClampRealTickTime(int milliseconds);
