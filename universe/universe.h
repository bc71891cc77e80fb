// The scene: every star and animated extra of the sky, created on the first
// frame, advanced every frame and torn down with the saver window.
#pragma once

#include <array>

#include "events/airplanes.h"
#include "events/flying_picture.h"
#include "events/sounds.h"
#include "messages/message_stars.h"
#include "platform/winapi.h"
#include "scene/bitmap.h"
#include "scene/saver_state.h"
#include "scene/stars.h"

inline constexpr int SkyStarCount = 196;

namespace lvx {
void ResetUniverseForTests();
}

// The drawing area is a preview (400 pixels wide or less); set by Create.
extern bool SmallScreen;

class Universe {
 public:
  Universe();
  ~Universe();
  Universe(const Universe&) = delete;
  Universe& operator=(const Universe&) = delete;

  // The one scene of the process, constructed on first use.
  static Universe& Instance();

  void Create();
  void Tick();
  void Destroy();
  // TRUE when TickTime has just been recomputed (every 100th call from the
  // 200th on); the caller then restarts its timer.
  BOOL AdaptTickTime();
  // The opening effect; runs once per process, later calls draw nothing.
  void SwitchOffEffect(HWND window, HDC dc);

  // Brings every star's record up to date: the frames count some flights and
  // twinkles beside the stars. For anyone reading the stars between frames.
  void SettleStars();

  bool Created() const { return created_; }
  // The start picture is still up: frames draw nothing until it goes.
  bool ShowingStartPicture() const { return startPicture_.Used(); }

  std::array<STAR, SkyStarCount> stars;
  std::array<MSGSTAR, MessageStarCount> messageStars;
  BOTTOMLINE bottomLine;
  ShootingStar shootingStar;
  std::array<AIRPLANE, 2> airplanes;
  FlyingPicture flyingPicture;
  SoundClass sound;

 private:
  friend void lvx::ResetUniverseForTests();

  bool created_;
  // The stars at rest of each array, passed over by the frames.
  StarRest messageRest_;
  StarRest skyRest_;
  // "ReachTheStars": shown by Create, removed by the first frame after
  // kStartPictureMs.
  BitmapClass startPicture_;
  DWORD startPictureShownAt_ = 0;
  // Sound option read with the scene, for the sound step.
  int cuckoo_;
  // Tick-time adaptation.
  unsigned frameIndex_;
  Stopwatch stopwatch_;
  float previousElapsed_;
  int debugTickTime_;
};

namespace lvx {
// Tests: the scene destroyed and rebuilt as freshly constructed, the
// small-screen flag and the once-per-process switch-off effect cleared.
void ResetUniverseForTests();
}  // namespace lvx
