// The stars, their 101 brightness sprites and the shooting star.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

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
  // True when Advance would change nothing and draw nothing but count a
  // flight down (moveCounter), or the twinkle of a star hidden on an edge
  // (twinkleCounter, with the brightness it gives), for as long as no flight
  // starts, no twinkle comes up and nothing draws over the star's place;
  // `place` is then that place on SaverDC (empty for a hidden star). A star
  // still to depart must advance again when moveCounter reaches `dueAt`
  // (0: never).
  bool AtRest(RECT& place, int& dueAt) const;

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

// What one array of stars looked like at its last turn, small enough to
// stay in the cache: most stars stand still and need no turn at all.
class StarRest {
 public:
  // Forgets every star (the stars were made anew).
  void Reset() {
    entries_.clear();
    started_ = false;
  }

 private:
  friend void AdvanceStars(STAR* stars, std::size_t count, StarRest& rest);
  friend void SettleStars(STAR* stars, std::size_t count, StarRest& rest);
  enum : std::uint8_t { kBusy, kParked, kStanding };
  // Which counts the entry holds ahead of the STAR's record.
  enum : std::uint8_t { kFlightAhead = 1, kTwinkleAhead = 2 };
  // A star at rest: its place and twinkle phase, while a flight runs its
  // moveCounter and when it is due again, and while a hidden star twinkles
  // unseen its twinkleCounter with what its brightness follows. A busy
  // one: where it stands (left, top), for fetching ahead.
  struct Entry {
    std::int16_t left = 0, top = 0;
    std::uint16_t phase = 0;
    std::uint8_t size = 0;
    std::uint8_t state = kBusy;
    std::uint16_t flight = 0, dueAt = 0;
    std::uint16_t twinkle = 0, twinkleLength = 0;
    std::uint8_t base = 0, peak = 0;
    std::uint8_t ahead = 0;
  };
  void Note(std::size_t i, const STAR& star);
  // Writes the counts the entry ran ahead into the star's record.
  static void CatchUp(STAR& star, Entry& e);

  std::vector<Entry> entries_;
  // SaverDC's change stamp when the previous turn of this array began.
  std::uint64_t since_ = 0;
  bool started_ = false;
};

// Advances count stars in order. A star at rest (STAR::AtRest) whose twinkle
// does not come up and whose place nothing changed since the array's
// previous turn began is passed over: its Advance would do nothing but count
// its flight or its unseen twinkle down, which the loop does in the star's
// entry without touching the STAR. During a flight most message stars wait
// like this: hidden on the top edge, or still to depart. The STAR's
// moveCounter, twinkleCounter and brightness catch up when the star next
// has a turn, when the count ends, or in SettleStars. After the sleep
// between frames none of the stars is in the cache: the loop fetches the
// busy stars ahead of the one it advances, with the pixels and the
// space-matrix cell where they stand.
void AdvanceStars(STAR* stars, std::size_t count, StarRest& rest);

// Brings the records of stars passed over up to date, for anyone reading
// them between frames (the frames themselves never need it).
void SettleStars(STAR* stars, std::size_t count, StarRest& rest);

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
// Whether AdvanceStars passes over stars at rest (on by default); tests turn
// it off to draw the same sky the long way.
void PassOverStarsAtRest(bool on);
// Tests: palette, shared star values and space matrix as at program start.
void ResetStarsForTests();
}  // namespace lvx
