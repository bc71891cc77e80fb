#include "scene/stars.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "scene/saver_state.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {
constexpr int kInfo = 3;
constexpr int kWarning = 5;
constexpr int kError = 9;

int Cap255(int value) { return std::min(value, 255); }
}  // namespace

StarPaletteClass& StarPalette = *new StarPaletteClass();
int TwinkleDraw = 0;
int StartMoving = 0;
int AnyStarMoving = 0;
int ScreenBottom = 0;

StarBitmapClass::StarBitmapClass()
    : size(0),
      hDC(nullptr),
      centreColour(0),
      ring1Colour(0),
      ring2Colour(0),
      ring3Colour(0),
      diagonalColour(0),
      centre(0),
      created(0) {}

void StarBitmapClass::Create(HDC dc, int brightness) {
  if (created != 0) LogFile.Log(kWarning, "StarBitmapClass::Create", "Already created");
  hDC = dc;
  created = 1;
  const int b = std::clamp(brightness, 0, 100);
  const int c1 = Cap255(10 * b);
  const int c2 = Cap255(10 * std::max(b - 25, 0));
  const int c3 = Cap255(10 * std::max(b - 50, 0));
  const int c4 = Cap255(10 * std::max(b - 75, 0));
  const int cd = Cap255(4 * b);
  size = 1;
  if (c2 > 0) size = 3;
  if (c3 > 0) size = 5;
  if (c4 > 0) size = 7;
  centre = size / 2;
  centreColour = RGB(c1, c1, c1);
  ring1Colour = RGB(c2, c2, c2);
  ring2Colour = RGB(c3 * 4 / 5, c3 * 4 / 5, c3);
  ring3Colour = RGB(c4 * 3 / 4, c4 * 3 / 4, c4);
  diagonalColour = RGB(0, 0, cd);
  if (size == 1) return;

  bitmap.CreateBlack(dc, size, size);
  HDC m = bitmap.hMemDC;
  if (m == nullptr) return;
  const int c = centre;
  SetPixel(m, c - 1, c - 1, diagonalColour);
  SetPixel(m, c + 1, c - 1, diagonalColour);
  SetPixel(m, c - 1, c + 1, diagonalColour);
  SetPixel(m, c + 1, c + 1, diagonalColour);
  SetPixel(m, c, c, centreColour);
  const auto axes = [&](int distance, COLORREF colour) {
    SetPixel(m, c - distance, c, colour);
    SetPixel(m, c + distance, c, colour);
    SetPixel(m, c, c - distance, colour);
    SetPixel(m, c, c + distance, colour);
  };
  axes(1, ring1Colour);
  if (size >= 5) axes(2, ring2Colour);
  if (size == 7) axes(3, ring3Colour);
}

StarPaletteClass::StarPaletteClass() : nCreated(0) {}

void StarPaletteClass::Create(HDC dc) {
  if (nCreated < 0) {
    LogFile.Log(kWarning, "StarPaletteClass::Create", "nCreated<0");
    return;
  }
  if (nCreated == 0) {
    LogFile.Log(kInfo, "StarPaletteClass::Create", "Creating palette");
    for (int i = 0; i < Levels; ++i) sprite[static_cast<std::size_t>(i)].Create(dc, i);
  }
  ++nCreated;
}

void StarPaletteClass::Destroy() {
  --nCreated;
  if (nCreated < 0) {
    LogFile.Log(kWarning, "StarPaletteClass::Destroy", "nCreated<0");
    return;
  }
  if (nCreated != 0) return;
  LogFile.Log(kInfo, "StarPaletteClass::Destroy", "Destroying palette");
  for (StarBitmapClass& s : sprite) {
    if (s.created == 0) LogFile.Log(kWarning, "StarBitmapClass::Destroy", "not created");
    s.created = 0;
    if (s.size > 1 && s.bitmap.Used()) s.bitmap.Destroy();
  }
}

STAR::STAR()
    : messageFlag(0),
      x(0),
      y(0),
      baseBrightness(0),
      peakBrightness(0),
      brightness(0),
      startX(0),
      startY(0),
      targetX(0),
      targetY(0),
      twinklePhase(0),
      twinkleCounter(0),
      moveCounter(0),
      departTime(0),
      arriveTime(0),
      moveDuration(0),
      twinkleDuration(0),
      drawn(false),
      drawnX(0),
      drawnY(0),
      drawnBrightness(0),
      drawnStamp(0) {}

void STAR::Create(int minBrightness, int maxBrightness, int phaseRange, HDC dc, int /*left*/,
                  int /*top*/, int right, int bottom, int moveDuration_, int twinkleDuration_) {
  twinklePhase = RandomBelow(phaseRange);
  twinkleDuration = twinkleDuration_;
  moveDuration = moveDuration_;
  baseBrightness = brightness = minBrightness + RandomBelow(maxBrightness - minBrightness);
  peakBrightness = std::max(3 * baseBrightness, 100);
  ScreenBottom = bottom;
  messageFlag = 0;
  drawn = false;
  departTime = RandomBelow(moveDuration * 4 / 10) + moveDuration * 6 / 10;
  arriveTime = RandomBelow(departTime - moveDuration / 10) + 1;
  // Never born on the moon; a bounded search, so a sky that is all moon
  // cannot hang the frame.
  for (int attempt = 0;; ++attempt) {
    x = startX = targetX = RandomBelow(right);
    y = startY = targetY = RandomBelow(bottom);
    if (attempt >= 100000) break;
    if (x >= SpaceMatrix.Width() || y >= SpaceMatrix.Height()) break;
    if ((SpaceMatrix.Cell(x, y) & CellMoon) == 0) break;
  }
  StarPalette.Create(dc);
}

namespace {
// A twinkle rises from the base brightness towards the peak and falls back,
// `left` of its `length` frames still to come.
int TwinkleBrightness(int base, int peak, int length, int left) {
  const int rise = 2 * std::min(length - left, left) * (peak - base);
  return std::clamp(base + rise / length, 0, 100);
}
}  // namespace

void STAR::Advance() {
  if (StartMoving != 0 && messageFlag == 1) {
    startX = x;
    startY = y;
    moveCounter = moveDuration;
  }
  if (twinklePhase == TwinkleDraw && twinkleCounter == 0) twinkleCounter = twinkleDuration;
  if (moveCounter > 0 && messageFlag == 1) {
    if (arriveTime <= moveCounter && moveCounter <= departTime) {
      CleverClear();
      const double f = departTime == arriveTime ? 1.0
                                                : static_cast<double>(departTime - moveCounter) /
                                                      static_cast<double>(departTime - arriveTime);
      x = startX + static_cast<int>(static_cast<double>(targetX - startX) * f);
      y = startY + static_cast<int>(static_cast<double>(targetY - startY) * f);
    }
    AnyStarMoving = 1;
  }
  if (twinkleCounter != 0 && twinkleDuration != 0)
    brightness = TwinkleBrightness(baseBrightness, peakBrightness, twinkleDuration, twinkleCounter);
  CleverPlot();
  if (x == targetX) startX = x;
  if (y == targetY) {
    startY = y;
    if (y == ScreenBottom) y = startY = targetY = 0;
  }
  if (moveCounter > 0 && messageFlag == 1) --moveCounter;
  if (twinkleCounter != 0) --twinkleCounter;
}

namespace {
bool passOverStarsAtRest = true;
}  // namespace

bool STAR::AtRest(RECT& place, int& dueAt) const {
  dueAt = 0;
  // A hidden star is not drawn: its twinkle changes only its brightness.
  const bool hidden = y == 0 || y == ScreenBottom;
  if (twinkleCounter != 0 && !hidden) return false;
  if (moveCounter > 0 && messageFlag == 1) {
    // A hidden star whose flight leads nowhere (an unneeded one on the top
    // edge) is cleared and plotted as nothing: it waits the whole flight.
    const bool goesNowhere =
        hidden && x == startX && startX == targetX && y == startY && startY == targetY;
    if (!goesNowhere) {
      if (arriveTime <= moveCounter && moveCounter <= departTime) return false;  // moving
      if (moveCounter > departTime) dueAt = std::max(departTime, 0);
    }
  }
  // Advance would still move its start, or park it.
  if (x == targetX && startX != x) return false;
  if (y == targetY && (startY != y || y == ScreenBottom)) return false;
  if (hidden) {
    place = RECT{0, 0, 0, 0};
    return true;
  }
  if (x < 0 || y < 0 || !drawn || x != drawnX || y != drawnY || brightness != drawnBrightness ||
      brightness < 0 || brightness > 100 || StarPalette.nCreated == 0)
    return false;
  const StarBitmapClass& sprite = StarPalette.sprite[static_cast<std::size_t>(brightness)];
  if ((sprite.size <= 1 ? SaverDC : sprite.bitmap.hTargetDC) != SaverDC) return false;
  place = RECT{x - sprite.centre, y - sprite.centre, x - sprite.centre + sprite.size,
               y - sprite.centre + sprite.size};
  // A star whose place was drawn over, but which the moon or the picture
  // keeps from drawing again, asks at every turn until it can.
  return !lvx::ChangedSince(SaverDC, place, drawnStamp);
}

void StarRest::Note(std::size_t i, const STAR& star) {
  Entry& e = entries_[i];
  e.state = kBusy;
  e.size = 0;
  // A busy star keeps where it stands, for the loop to fetch ahead.
  const bool fits = star.x >= INT16_MIN && star.x <= INT16_MAX && star.y >= INT16_MIN &&
                    star.y <= INT16_MAX;
  e.left = fits ? static_cast<std::int16_t>(star.x) : 0;
  e.top = fits ? static_cast<std::int16_t>(star.y) : 0;
  RECT place{};
  int dueAt = 0;
  const int flight = star.moveCounter > 0 && star.messageFlag == 1 ? star.moveCounter : 0;
  // A twinkle the entry cannot follow exactly keeps the star busy.
  const auto byte = [](int v) { return v >= 0 && v <= 0xFF; };
  const bool twinkleFits =
      star.twinkleCounter == 0 ||
      (star.twinkleCounter > 0 && star.twinkleCounter <= 0xFFFF && star.twinkleDuration >= 0 &&
       star.twinkleDuration <= 0xFFFF && byte(star.baseBrightness) && byte(star.peakBrightness));
  if (!star.AtRest(place, dueAt) || !twinkleFits || star.twinklePhase < 0 ||
      star.twinklePhase > 0xFFFF || flight > 0xFFFF || dueAt > 0xFFFF ||
      place.left < INT16_MIN || place.left > INT16_MAX || place.top < INT16_MIN ||
      place.top > INT16_MAX)
    return;
  e.left = static_cast<std::int16_t>(place.left);
  e.top = static_cast<std::int16_t>(place.top);
  e.size = static_cast<std::uint8_t>(place.right - place.left);
  e.phase = static_cast<std::uint16_t>(star.twinklePhase);
  e.flight = static_cast<std::uint16_t>(flight);
  e.dueAt = static_cast<std::uint16_t>(dueAt);
  e.ahead = 0;
  e.twinkle = static_cast<std::uint16_t>(star.twinkleCounter);
  if (e.twinkle != 0) {
    e.twinkleLength = static_cast<std::uint16_t>(star.twinkleDuration);
    e.base = static_cast<std::uint8_t>(star.baseBrightness);
    e.peak = static_cast<std::uint8_t>(star.peakBrightness);
  }
  e.state = e.size == 0 ? kParked : kStanding;
}

void AdvanceStars(STAR* stars, std::size_t count, StarRest& rest) {
  // Busy stars fetched ahead of the one advanced: each draws, so a few
  // are enough to hide the memory's latency behind their work.
  constexpr int kBusyAhead = 8;
  if (rest.entries_.size() != count) {
    rest.entries_.assign(count, StarRest::Entry{});
    rest.started_ = false;
  }
  const std::uint64_t now = lvx::ChangeStamp(SaverDC);
  // A flight that starts moves every message star; without a change record
  // (stamp 0) nobody can tell whether a place was drawn over.
  const bool passOver = passOverStarsAtRest && rest.started_ && StartMoving == 0 && now != 0;
  const std::uint64_t since = rest.since_;
  StarRest::Entry* entries = rest.entries_.data();
  // Passes star i over when its Advance would change nothing but its flight
  // count, and does that counting.
  const auto skip = [&](std::size_t i) {
    StarRest::Entry& e = entries[i];
    if (!passOver || e.state == StarRest::kBusy || e.phase == TwinkleDraw) return false;
    if (e.flight > 0 && e.flight == e.dueAt) return false;  // it departs
    if (e.state == StarRest::kStanding &&
        lvx::ChangedSince(SaverDC, RECT{e.left, e.top, e.left + e.size, e.top + e.size}, since))
      return false;
    // The counts run in the entry: even a store into the STAR would wait
    // for its record to come from memory. The record catches up when a
    // count ends, at the star's next turn, or in SettleStars.
    if (e.flight > 0) {
      --e.flight;
      e.ahead |= StarRest::kFlightAhead;
      AnyStarMoving = 1;
      if (e.flight == 0) StarRest::CatchUp(stars[i], e);
    }
    if (e.twinkle > 0) {
      --e.twinkle;
      e.ahead |= StarRest::kTwinkleAhead;
      if (e.twinkle == 0) StarRest::CatchUp(stars[i], e);
    }
    return true;
  };
  std::size_t ahead = 0;  // the next star the look-ahead considers
  int fetched = 0;        // busy stars in [i, ahead)
  for (std::size_t i = 0; i < count; ++i) {
    for (; ahead < count && fetched < kBusyAhead; ++ahead) {
      const StarRest::Entry& e = entries[ahead];
      if (e.state != StarRest::kBusy) continue;
      ++fetched;
      const char* star = reinterpret_cast<const char*>(&stars[ahead]);
      __builtin_prefetch(star);
      __builtin_prefetch(star + sizeof(STAR) - 1);
      // It twinkles or flies, and draws near where it stood.
      if (e.top != 0 && e.top != ScreenBottom) {
        SpaceMatrix.Prefetch(e.left, e.top);
        lvx::PrefetchPixels(SaverDC, RECT{e.left - 3, e.top - 3, e.left + 4, e.top + 4});
      }
    }
    if (entries[i].state == StarRest::kBusy) --fetched;
    if (skip(i)) continue;
    if (entries[i].ahead != 0) StarRest::CatchUp(stars[i], entries[i]);
    stars[i].Advance();
    rest.Note(i, stars[i]);
  }
  rest.since_ = now;
  rest.started_ = true;
}

void StarRest::CatchUp(STAR& star, Entry& e) {
  if ((e.ahead & kFlightAhead) != 0) star.moveCounter = e.flight;
  if ((e.ahead & kTwinkleAhead) != 0) {
    star.twinkleCounter = e.twinkle;
    // The brightness of the twinkle's latest step, taken before its count.
    if (e.twinkleLength != 0)
      star.brightness = TwinkleBrightness(e.base, e.peak, e.twinkleLength, e.twinkle + 1);
  }
  e.ahead = 0;
}

void SettleStars(STAR* stars, std::size_t count, StarRest& rest) {
  if (rest.entries_.size() != count) return;  // none was passed over
  for (std::size_t i = 0; i < count; ++i) {
    if (rest.entries_[i].ahead != 0) StarRest::CatchUp(stars[i], rest.entries_[i]);
  }
}

namespace {
// The sprite for a star's brightness; an out-of-range value is reported and
// drawn with the nearest sprite rather than read past the palette.
StarBitmapClass& SpriteFor(int brightness) {
  if (brightness > 100 || brightness < 0) LogFile.LogInt(kWarning, "Brightness", brightness);
  return StarPalette.sprite[static_cast<std::size_t>(std::clamp(brightness, 0, 100))];
}
}  // namespace

void STAR::CleverPlot() {
  if (y == 0 || y == ScreenBottom) return;
  if (x < 0) {
    LogFile.LogInt(kError, "STAR::CleverPlot x", x);
    return;
  }
  if (y < 0) {
    LogFile.LogInt(kError, "STAR::CleverPlot y", y);
    return;
  }
  if (StarPalette.nCreated == 0) LogFile.Log(kWarning, "StarBitmapClass::Plot", "not created");
  StarBitmapClass& sprite = SpriteFor(brightness);
  // Drawing the same sprite over itself changes nothing: skip it while the
  // screen under it is as this star left it. Nothing is drawn either way,
  // so the space matrix (a cache miss per star) need not be asked first.
  const HDC target = sprite.size <= 1 ? SaverDC : sprite.bitmap.hTargetDC;
  const RECT place{x - sprite.centre, y - sprite.centre, x - sprite.centre + sprite.size,
                   y - sprite.centre + sprite.size};
  if (drawn && x == drawnX && y == drawnY && brightness == drawnBrightness &&
      lvx::StillUnchanged(target, place, drawnStamp))
    return;
  if ((SpaceMatrix.GetData(x, y) & (CellPicture | CellMoon)) != 0) return;
  drawn = false;
  if (sprite.size <= 1) {
    drawn = SetPixel(SaverDC, x, y, sprite.centreColour) != CLR_INVALID;
  } else {
    sprite.bitmap.x = x - sprite.centre;
    sprite.bitmap.y = y - sprite.centre;
    if (sprite.created == 0) {
      LogFile.Log(kWarning, "StarBitmapClass::Plot", "not created");
    } else if (sprite.bitmap.Display() == 0) {
      LogFile.Log(kWarning, "StarBitmapClass::Plot", "FALSE");
    } else {
      drawn = true;
    }
  }
  if (!drawn) return;
  drawnX = x;
  drawnY = y;
  drawnBrightness = brightness;
  drawnStamp = lvx::ChangeStamp(target);
}

void STAR::CleverClear() {
  if (y == 0 || y == ScreenBottom) return;
  if (x < 0) {
    LogFile.LogInt(kError, "STAR::CleverClear x", x);
    return;
  }
  if (y < 0) {
    LogFile.LogInt(kError, "STAR::CleverClear y", y);
    return;
  }
  if ((SpaceMatrix.GetData(x, y) & (CellPicture | CellMoon)) != 0) return;
  drawn = false;
  if (StarPalette.nCreated == 0) LogFile.Log(kWarning, "StarBitmapClass::Clear", "not created");
  StarBitmapClass& sprite = SpriteFor(brightness);
  if (sprite.size <= 1) {
    SetPixel(SaverDC, x, y, 0);
  } else {
    sprite.bitmap.x = x - sprite.centre;
    sprite.bitmap.y = y - sprite.centre;
    if (sprite.created == 0) {
      LogFile.Log(kWarning, "StarBitmapClass::Clear", "not created");
    } else if (sprite.bitmap.Clear() == 0) {
      LogFile.Log(kWarning, "StarBitmapClass::Clear", "FALSE");
    }
  }
  SpaceMatrix.SetData(x, y, CellVacated, 12);
}

ShootingStar::ShootingStar() : x(0), y(0), vy(0), vx(0), waitCounter(0), saved{0, 0, 0} {}

void ShootingStar::Step() {
  const int frameMs = std::max(RealTickTime, 1);
  if (waitCounter > 30000 / frameMs) {
    const int oldX = static_cast<int>(x);
    const int oldY = static_cast<int>(y);
    x += vx * 0.001f;
    y += vy * 0.001f;
    const int newX = static_cast<int>(x);
    const int newY = static_cast<int>(y);
    if (newX != oldX || newY != oldY) {
      for (int i = 0; i < 3; ++i) {
        if (saved[i] != CLR_INVALID) SetPixel(SaverDC, oldX, oldY - i, saved[i]);
      }
      for (int i = 0; i < 3; ++i) saved[i] = GetPixel(SaverDC, newX, newY - i);
      SetPixel(SaverDC, newX, newY, RGB(255, 255, 255));
      SetPixel(SaverDC, newX, newY - 1, RGB(200, 200, 255));
      SetPixel(SaverDC, newX, newY - 2, RGB(150, 150, 255));
    }
  }
  ++waitCounter;
  const float screenWidth = static_cast<float>(ScreenRect.right - ScreenRect.left);
  const float screenHeight = static_cast<float>(ScreenRect.bottom - ScreenRect.top);
  if (x < 0.0f || x > screenWidth || y >= screenHeight) Reset();
}

void ShootingStar::Reset() {
  // The trail left where the star stood is wiped, not restored.
  const int oldX = static_cast<int>(x);
  const int oldY = static_cast<int>(y);
  for (int i = 0; i < 3; ++i) SetPixel(SaverDC, oldX, oldY - i, 0);
  const int frameMs = std::max(RealTickTime, 1);
  x = static_cast<float>(RandomBelow(ScreenRect.right - ScreenRect.left));
  y = 0.0f;
  waitCounter = RandomBelow((30000 / frameMs) / 2);
  vx = static_cast<float>(RandomBelow(500 * frameMs) - (500 * frameMs) / 2);
  vy = static_cast<float>(500 * frameMs);
  saved[0] = saved[1] = saved[2] = 0;
}

namespace lvx {
void PassOverStarsAtRest(bool on) { passOverStarsAtRest = on; }

void ResetStarsForTests() {
  passOverStarsAtRest = true;
  StarPalette.nCreated = 0;
  for (StarBitmapClass& s : StarPalette.sprite) {
    if (s.bitmap.Used()) s.bitmap.Destroy();
    s.size = 0;
    s.hDC = nullptr;
    s.centreColour = s.ring1Colour = s.ring2Colour = s.ring3Colour = s.diagonalColour = 0;
    s.centre = 0;
    s.created = 0;
  }
  TwinkleDraw = 0;
  StartMoving = 0;
  AnyStarMoving = 0;
  ScreenBottom = 0;
  SpaceMatrix.Destroy();
}
}  // namespace lvx
