#include "host/timeout.h"

#include "platform/winapi.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"

namespace {
constexpr const char* kSection = "TimeoutCorrection";
constexpr const char* kName = "ScreenSaveTimeoutClass";
// Every 11th long run shortens the timeout by a minute.
constexpr int kLongRunsPerShortening = 10;
}  // namespace

ScreenSaveTimeoutClass ScreenSaveTimeout;

ScreenSaveTimeoutClass::ScreenSaveTimeoutClass() : armed_(0) {}

void ScreenSaveTimeoutClass::Start() {
  stopwatch_.Start();
  ReadStatus(&armed_);
}

void ScreenSaveTimeoutClass::ReadStatus(int* status) {
  MainSettings.UserReadInt(kSection, "Status", status, 0);
}

void ScreenSaveTimeoutClass::WriteStatus(int status) {
  MainSettings.UserWriteLong(kSection, "Status", status);
}

void ScreenSaveTimeoutClass::Stop() {
  if (!armed_) {
    LogFile.Log(3, kName, "Stop called, but ignored");
    return;
  }
  armed_ = 0;
  LogFile.Log(3, kName, "Stop called");

  int seconds = 0;
  if (!SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0) || seconds <= 0) {
    // Unreadable, or 0 (the display's saver is switched off): lengthening
    // it would switch the saver on behind the user's back.
    LogFile.LogInt(5, "ReadScreenSaveTimeout", seconds);
    return;
  }
  int minutes = seconds / 60;
  LogFile.LogInt(3, "ReadScreenSaveTimeout", minutes);

  const float elapsed = stopwatch_.ElapsedSeconds();
  if (elapsed < 20.0f) {
    minutes += 2;
  } else if (elapsed < 40.0f) {
    minutes += 1;
  } else if (elapsed < 300.0f) {
    return;
  } else {
    int runs = 0;
    MainSettings.UserReadInt(kSection, "Runs", &runs, 0);
    // A stored count past the limit still means "shorten now", without
    // overflowing on the increment.
    if (runs > kLongRunsPerShortening) runs = kLongRunsPerShortening;
    ++runs;
    if (runs > kLongRunsPerShortening) {
      runs = 0;
      --minutes;
    }
    MainSettings.UserWriteLong(kSection, "Runs", runs);
    if (runs > 0) return;
  }
  if (minutes >= 1) {
    SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, static_cast<UINT>(minutes * 60), nullptr, 0);
    LogFile.LogInt(3, "WriteScreenSaveTimeout", minutes);
  }
}

namespace lvx {
void ResetTimeoutTrackerForTests() { ScreenSaveTimeout = ScreenSaveTimeoutClass(); }
}  // namespace lvx
