// Tunes the display's screen-saver idle timeout to how soon the user comes
// back: early returns lengthen it, long runs shorten it now and then.
#pragma once

#include "scene/saver_state.h"

class ScreenSaveTimeoutClass {
 public:
  ScreenSaveTimeoutClass();

  // Starts timing this run; armed when the user switched the feature on.
  void Start();
  // The first call after Start adjusts the timeout; later ones are ignored.
  void Stop();

  // The "Status" switch of the feature.
  void ReadStatus(int* status);
  void WriteStatus(int status);

  bool Armed() const { return armed_ != 0; }

 private:
  int armed_;
  Stopwatch stopwatch_;
};

// The tracker of the process.
extern ScreenSaveTimeoutClass ScreenSaveTimeout;

namespace lvx {
// Tests: the tracker as at program start.
void ResetTimeoutTrackerForTests();
}  // namespace lvx
