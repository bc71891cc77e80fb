// The saver's process-wide state: the window, its device context, the drawing
// area and the frame timings. The host fills them in; the scene and the text
// pipeline read them.
#pragma once

#include "platform/winapi.h"

// The saver window's own DC, fetched on the first frame and kept for the run.
extern HDC SaverDC;
// The saver window, stored during WM_CREATE.
extern HWND MainWindow;
// The drawing area: the client rectangle, or the "SmallWindowX/Y" override.
extern RECT ScreenRect;
// Frame timer messages handled, counted at the start of each one.
extern int FrameCounter;
// Period of the frame timer in milliseconds.
extern int TickTime;
// Measured real milliseconds per frame; every duration of the sky is
// milliseconds / RealTickTime frames.
extern int RealTickTime;
// What SetTimer returned for the frame timer (id 1); 0 when none.
extern UINT_PTR FrameTimerId;
// Set while start-up or a frame runs, so timer messages never nest.
extern bool FrameBusy;
// The start was refused (hot corner): the saver only closes.
extern bool StartAborted;
// The daily speed measurement has not been checked in this run.
extern bool DailyMeasurePending;

// Wall-clock stopwatch with millisecond resolution.
class Stopwatch {
 public:
  Stopwatch();
  void Start();
  // Seconds since Start (0 before it).
  float ElapsedSeconds() const;

 private:
  long long startSeconds_;
  int startMilliseconds_;
};

// The one shared stopwatch of the host's daily measurement.
extern Stopwatch SaverStopwatch;

namespace lvx {
// Tests: every variable above as at process start (TickTime 40,
// RealTickTime 60, DailyMeasurePending true, the rest cleared).
void ResetSaverStateForTests();
// Tests: move the clock every Stopwatch reads forward by `milliseconds`.
void AdvanceStopwatchClockForTests(int milliseconds);
}  // namespace lvx
