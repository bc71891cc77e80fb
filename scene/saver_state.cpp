#include "scene/saver_state.h"

#include <chrono>

HDC SaverDC = nullptr;
HWND MainWindow = nullptr;
RECT ScreenRect = {0, 0, 0, 0};
int FrameCounter = 0;
int TickTime = 40;
int RealTickTime = 60;
UINT_PTR FrameTimerId = 0;
bool FrameBusy = false;
bool StartAborted = false;
bool DailyMeasurePending = true;
Stopwatch SaverStopwatch;

namespace {
long long testClockOffsetMs = 0;

void NowSecondsAndMilliseconds(long long& seconds, int& milliseconds) {
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  const long long ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count() + testClockOffsetMs;
  seconds = ms / 1000;
  milliseconds = static_cast<int>(ms % 1000);
}
}  // namespace

Stopwatch::Stopwatch() : startSeconds_(0), startMilliseconds_(0) {}

void Stopwatch::Start() { NowSecondsAndMilliseconds(startSeconds_, startMilliseconds_); }

float Stopwatch::ElapsedSeconds() const {
  if (startSeconds_ == 0 && startMilliseconds_ == 0) return 0.0f;
  long long seconds = 0;
  int milliseconds = 0;
  NowSecondsAndMilliseconds(seconds, milliseconds);
  return static_cast<float>(static_cast<double>(seconds - startSeconds_) +
                            (milliseconds - startMilliseconds_) * 0.001);
}

namespace lvx {
void ResetSaverStateForTests() {
  SaverDC = nullptr;
  MainWindow = nullptr;
  ScreenRect = RECT{0, 0, 0, 0};
  FrameCounter = 0;
  TickTime = 40;
  RealTickTime = 60;
  FrameTimerId = 0;
  FrameBusy = false;
  StartAborted = false;
  DailyMeasurePending = true;
  SaverStopwatch = Stopwatch();
  testClockOffsetMs = 0;
}

void AdvanceStopwatchClockForTests(int milliseconds) { testClockOffsetMs += milliseconds; }
}  // namespace lvx
