// A small picture drifts across the sky from right to left, wandering up and
// down, and its quotation follows it word by word along the path it took.
// After the last word has left the screen it rests, then comes in again.
#pragma once

#include <array>
#include <cstddef>
#include <memory>

#include "messages/quotes.h"
#include "platform/winapi.h"
#include "scene/bitmap.h"
#include "scene/saver_state.h"

class FlyingPicture {
 public:
  static constexpr std::size_t BannerSize = 200;
  // The Quotes page stores a path of up to 298 characters; all of it is read.
  static constexpr std::size_t PathSize = 300;
  static constexpr int MaxWords = 30;
  // Larger pictures show only their centre this big.
  static constexpr int MaxShown = 230;
  // Pixels per second.
  static constexpr float Speed = 80.0f;

  // One past position of the picture's banner anchor.
  struct Position {
    int x;
    int y;
  };

  FlyingPicture();
  FlyingPicture(const FlyingPicture&) = delete;
  FlyingPicture& operator=(const FlyingPicture&) = delete;

  // Chooses the quote and the picture for this scene and places the picture
  // just beyond the right edge; nothing flies in a preview, a small window or
  // for "Just the sky".
  void Create();
  // One frame of motion, drawing and banner.
  void Fly();
  // Records (x, y) and draws each word where the path was a while ago.
  void PrintBanner(int x, int y);
  // Scene teardown: the picture, its DC, the word pictures and the register.
  void Release();

  bool HasPicture() const { return picture != nullptr; }
  // Stored positions in the register.
  int StoredPositions() const;
  // The position stored `age` frames before the newest one (age 0).
  Position StoredPosition(int age) const;

  char banner[BannerSize];  // split into words in place
  char ownPicturePath[PathSize];
  int wordStart[MaxWords];  // offsets into banner
  int wordCount;
  int x, y;  // top-left corner on the screen
  int shownWidth, shownHeight;
  int pictureWidth, pictureHeight;
  float dy, dx;   // pixels per second
  float heading;  // radians; 3.14 is straight left, y grows downwards
  HDC memoryDC;
  HBITMAP picture;
  HGDIOBJ replacedBitmap;
  std::array<BitmapClass, MaxWords> words;
  std::unique_ptr<Position[]> shiftRegister;
  int head, tail, registerSize;
  int snooze;  // seconds; 0 while flying
  Stopwatch snoozeClock;
  int showEvery;
  QuoteSelection selection;

 private:
  void Aim(float newHeading);
  bool TouchesMoon(int left, int top) const;
  void ParkWords();
  // The first banner step after Create sizes the register.
  bool registerPending_;
};

namespace lvx {
// Tests: the motion carry, the "Found same dx,dy" count and the banner's
// frame period as at program start.
void ResetFlyingPictureForTests();
}  // namespace lvx
