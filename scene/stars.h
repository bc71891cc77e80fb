// The stars, their 101 brightness sprites and the shooting star.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/winapi.h"
#include "scene/bitmap.h"

class StarBitmapClass {
 public:
  StarBitmapClass();
  void Create(HDC dc, int brightness);

  int size;
  BitmapClass bitmap;
  HDC hDC;
  COLORREF centreColour;
  COLORREF ring1Colour;
  COLORREF ring2Colour;
  COLORREF ring3Colour;
  COLORREF diagonalColour;
  int centre;
  int created;
};

class StarPaletteClass {
 public:
  static constexpr int Levels = 101;
  StarPaletteClass();
  // Counts one live star; builds the sprites on dc for the first.
  void Create(HDC dc);
  // Called once for every star released; frees the sprites with the last.
  void Destroy();

  std::array<StarBitmapClass, Levels> sprite;
  int nCreated;
};

// Never destroyed: its sprites may still be attached at exit, and their
// destructors must not write to a log that static destruction already ended.
extern StarPaletteClass& StarPalette;

// Per-frame values shared by every star (set by the Universe's frame).
extern int TwinkleDraw;
extern int StartMoving;
extern int AnyStarMoving;
// Bottom edge of the ScreenRect; a star at y 0 or here is parked (invisible).
extern int ScreenBottom;

class STAR {
 public:
  STAR();
  void Create(int minBrightness, int maxBrightness, int phaseRange, HDC dc, int left, int top,
              int right, int bottom, int moveDuration, int twinkleDuration);
  void Advance();
  void CleverPlot();
  void CleverClear();

  int messageFlag;
  int x, y;
  int baseBrightness;
  int peakBrightness;
  int brightness;
  int startX, startY;
  int targetX, targetY;
  int twinklePhase;
  int twinkleCounter;
  int moveCounter;
  int departTime;
  int arriveTime;
  int moveDuration;
  int twinkleDuration;

 private:
  // What the last CleverPlot put on the screen and the screen's change
  // stamp right after: a star that stands still at the same brightness is
  // not drawn again while nothing has changed its place.
  bool drawn;
  int drawnX, drawnY, drawnBrightness;
  std::uint64_t drawnStamp;
};

// A STAR with messageFlag 1: it flies to the points of the message.
using MSGSTAR = STAR;

// Advances count stars in order. After the sleep between frames none of
// them is in the cache: the loop fetches the stars ahead of the one it
// advances, and the space-matrix cell of those that will draw.
void AdvanceStars(STAR* stars, std::size_t count);

class ShootingStar {
 public:
  ShootingStar();
  void Step();
  void Reset();

  float x, y;
  float vy, vx;
  int waitCounter;
  COLORREF saved[3];
};

namespace lvx {
// Tests: palette, shared star values and space matrix as at program start.
void ResetStarsForTests();
}  // namespace lvx
