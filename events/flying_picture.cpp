#include "events/flying_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "moon/moon_display.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {
constexpr int kInfo = 3;
constexpr const char* kSection = "FPicture";
constexpr int kWordGap = 15;

// The motion's fractions of a pixel, carried from frame to frame.
float carryX = 0.0f;
float carryY = 0.0f;
// Numbers the "Found same dx,dy" lines; a hundred of them are enough.
int sameStepReports = 1;
// The frame period the word lags are counted in, taken once: a lag that
// followed every new measurement would make the words jump along the path.
int bannerPeriod = 0;

int ScreenWidth() { return ScreenRect.right - ScreenRect.left; }
int ScreenHeight() { return ScreenRect.bottom - ScreenRect.top; }

bool OnScreen(const RECT& r) {
  return r.right > ScreenRect.left && r.left < ScreenRect.right && r.bottom > ScreenRect.top &&
         r.top < ScreenRect.bottom;
}

void Blacken(HDC dc, int left, int top, int right, int bottom) {
  if (right > left && bottom > top)
    BitBlt(dc, left, top, right - left, bottom - top, nullptr, 0, 0, BLACKNESS);
}

// Blackens what of `was` the picture about to be drawn at `now` will not
// cover. Drawing at `now` then leaves the same pixels as clearing all of
// `was` first, but a picture that moved a few pixels costs a few strips
// instead of its whole area, every frame.
void BlackenUncovered(HDC dc, const RECT& was, const RECT& now) {
  const RECT both{std::max(was.left, now.left), std::max(was.top, now.top),
                  std::min(was.right, now.right), std::min(was.bottom, now.bottom)};
  if (both.left >= both.right || both.top >= both.bottom) {
    Blacken(dc, was.left, was.top, was.right, was.bottom);
    return;
  }
  Blacken(dc, was.left, was.top, was.right, both.top);
  Blacken(dc, was.left, both.bottom, was.right, was.bottom);
  Blacken(dc, was.left, both.top, both.left, both.bottom);
  Blacken(dc, both.right, both.top, was.right, both.bottom);
}
}  // namespace

FlyingPicture::FlyingPicture()
    : banner{},
      ownPicturePath{},
      wordStart{},
      wordCount(0),
      x(0),
      y(0),
      shownWidth(0),
      shownHeight(0),
      pictureWidth(0),
      pictureHeight(0),
      dy(0.0f),
      dx(0.0f),
      heading(0.0f),
      memoryDC(nullptr),
      picture(nullptr),
      replacedBitmap(nullptr),
      head(0),
      tail(0),
      registerSize(0),
      snooze(0),
      showEvery(0),
      registerPending_(false) {}

void FlyingPicture::Aim(float newHeading) {
  heading = newHeading;
  dx = std::cos(heading) * Speed;
  dy = std::sin(heading) * Speed;
}

void FlyingPicture::Create() {
  LogFile.Log(kInfo, "FlyingPicture", "Create");
  if (picture != nullptr) {
    Trace("FlyingPicture - 2720");
    return;
  }

  MainSettings.UserReadInt(kSection, "ShowEvery", &showEvery, 20);
  int preview = 0;
  MainSettings.UserReadInt("Messages", "Preview", &preview, 0);
  if (preview != 0) {
    LogFile.Log(kInfo, "FlyingPicture", "Stopped by preview mode");
    return;
  }

  if (ScreenWidth() <= 460 || ScreenHeight() <= 460) {
    LogFile.LogInt(kInfo, "FlyingPicture-GlobalRect.right", ScreenRect.right);
    LogFile.LogInt(kInfo, "FlyingPicture-GlobalRect.left", ScreenRect.left);
    LogFile.LogInt(kInfo, "FlyingPicture-GlobalRect.bottom", ScreenRect.bottom);
    LogFile.LogInt(kInfo, "FlyingPicture-GlobalRect.top", ScreenRect.top);
    LogFile.Log(kInfo, "FlyingPicture", "Stopped:small window");
    return;
  }

  // A fresh selection: a category without quotes leaves no stale quote.
  selection = QuoteSelection();
  selection.ReadSelectedCategory();
  LogFile.LogInt(kInfo, "FPCreate Category", selection.categoryIndex);
  int autoText = 1;
  MainSettings.UserReadInt(kSection, "AutoText", &autoText, 1);

  if (selection.categoryPicture == RandomQuotePicture) {
    selection.RandomQuote();
    autoText = 1;
  }
  if (selection.categoryPicture == JustTheSkyPicture) return;
  selection.RandomPick();

  if (autoText != 0) {
    LogFile.Log(kInfo, "Lumivex", "point2");
    SafeStrCpy(banner, selection.quoteText);
  } else {
    MainSettings.UserReadString(kSection, "BANNER", banner, "", 199);
  }

  if (selection.categoryPicture == OwnPicturePicture) {
    LogFile.Log(kInfo, "Lumivex", "point194");
    MainSettings.UserReadString(kSection, "BMPFILE", ownPicturePath, "", sizeof ownPicturePath);
    if (ownPicturePath[0] != '\0') {
      // Shown as it is. A "transparent" load would paint the first pixel's
      // colour in the window colour, which the sky does not have; keying it
      // to black instead would hide dark drawings on a light ground.
      picture = static_cast<HBITMAP>(
          LoadImageA(nullptr, ownPicturePath, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    }
  }
  if (picture == nullptr && (selection.quotePicture & 0xFFFF) != 0) {
    picture =
        LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(selection.quotePicture & 0xFFFF));
  }
  if (picture == nullptr) {
    // Nothing to fly: no DC and no words are made, so nothing is left over.
    LogFile.Log(kInfo, "FlyingPicture", "no picture");
    return;
  }

  memoryDC = CreateCompatibleDC(SaverDC);
  if (memoryDC == nullptr) Trace("FlyingPic - 961");
  BITMAP info{};
  if (GetObjectA(picture, sizeof info, &info) != 0) {
    pictureWidth = info.bmWidth;
    pictureHeight = info.bmHeight;
  }
  shownWidth = std::min(pictureWidth, MaxShown);
  shownHeight = std::min(pictureHeight, MaxShown);
  replacedBitmap = memoryDC != nullptr ? SelectObject(memoryDC, picture) : nullptr;

  Aim(3.14f);
  x = ScreenWidth();
  y = RandomBelow(ScreenHeight() - shownHeight - 100) + 100;

  LogFile.Log(kInfo, "FlyingPicture-Banner", banner);

  wordCount = 0;
  std::size_t at = 0;
  while (wordCount < MaxWords) {
    while (banner[at] == ' ') ++at;
    if (banner[at] == '\0') break;
    wordStart[wordCount] = static_cast<int>(at);
    while (banner[at] != ' ' && banner[at] != '\0') ++at;
    ++wordCount;
    if (banner[at] == '\0') break;
    banner[at++] = '\0';
  }
  for (int i = 0; i < wordCount; ++i) {
    const char* word = banner + wordStart[i];
    words[i].CreateFromText(SaverDC, CLR_INVALID, 0, word);
    LogFile.Log(kInfo, "Creating subbanner", word);
  }
  ParkWords();

  snooze = 0;
  head = tail = 0;
  registerPending_ = true;
}

// Words not yet on the path wait beyond the right edge: drawing them there
// shows nothing, and they do not count as having left the screen.
void FlyingPicture::ParkWords() {
  for (int i = 0; i < wordCount; ++i) {
    words[i].x = ScreenWidth();
    words[i].y = 0;
  }
}

// The moon picture is 100 x 100; touching counts.
bool FlyingPicture::TouchesMoon(int left, int top) const {
  const long long mx = Moon.picture.x;
  const long long my = Moon.picture.y;
  return std::llabs(2 * (mx - left) + MoonDiameter - shownWidth) <= shownWidth + MoonDiameter &&
         std::llabs(2 * (my - top) + MoonDiameter - shownHeight) <= shownHeight + MoonDiameter;
}

void FlyingPicture::Fly() {
  if (picture == nullptr) return;
  if (snooze != 0) {
    if (static_cast<int>(snoozeClock.ElapsedSeconds()) < snooze) return;
    snooze = 0;
  }

  if ((FrameCounter + 1) % 50 == 0) {
    const int r = RandomBelow(3141) + 1570;
    Aim(0.9f * heading + 0.0001f * static_cast<float>(r));
  }

  const float frameMs = static_cast<float>(RealTickTime);
  carryX += dx * frameMs * 0.001f;
  carryY += dy * frameMs * 0.001f;
  const int stepX = static_cast<int>(carryX);
  const int stepY = static_cast<int>(carryY);
  if (stepX == 0 && stepY == 0 && sameStepReports < 100) {
    LogFile.LogInt(kInfo, "Found same dx,dy", sameStepReports);
    ++sameStepReports;
  }

  // Erased below, once the new place is known.
  const RECT was{x, y, x + shownWidth - 1, y + shownHeight - 1};
  SpaceMatrix.FillArea(x, y, shownWidth, shownHeight, CellVacated);

  // Only a moon that is drawn is avoided.
  const bool moonShows = Moon.enabled != 0 && Moon.pictureCreated != 0;
  const bool wasTouchingMoon = moonShows && TouchesMoon(x, y);

  x += stepX;
  y += stepY;
  carryX -= static_cast<float>(stepX);
  carryY -= static_cast<float>(stepY);

  const int trailingEnd =
      wordCount > 0 ? words[wordCount - 1].x + words[wordCount - 1].width : x + shownWidth;
  if (trailingEnd <= 0) {
    if (x < 0) {
      LogFile.LogInt(kInfo, "Banner just got out of screen. X was", x);
      snoozeClock.Start();
      snooze = showEvery;
      LogFile.LogInt(kInfo, "Snooze started for (sec)", snooze);
      // The next pass starts a new path: its words come in behind the
      // picture again, instead of holding it back until the old path is
      // used up.
      head = tail = 0;
      for (int i = 0; i < wordCount; ++i) words[i].Clear();
      ParkWords();
    }
    x = ScreenWidth();
  }

  if (moonShows && TouchesMoon(x, y)) {
    Aim(1.4f);
    // A picture that was already touching (the moon wrapped round onto it)
    // must be let out, not held where it is.
    if (!wasTouchingMoon) {
      x -= stepX;
      y -= stepY;
    }
  }

  if (y <= 0 || y + shownHeight >= ScreenHeight()) {
    Aim(6.28f - heading);
    x -= stepX;
    y -= stepY;
  }

  BlackenUncovered(SaverDC, was, RECT{x, y, x + shownWidth - 1, y + shownHeight - 1});
  BitBlt(SaverDC, x, y, shownWidth - 1, shownHeight - 1, memoryDC, (pictureWidth - shownWidth) / 2,
         (pictureHeight - shownHeight) / 2, SRCCOPY);
  SpaceMatrix.FillArea(x, y, shownWidth, shownHeight, CellPicture);

  PrintBanner(x + 10, y + shownHeight - (wordCount > 0 ? words[0].height : 0));
}

int FlyingPicture::StoredPositions() const {
  return registerSize > 0 ? (head - tail + registerSize) % registerSize : 0;
}

FlyingPicture::Position FlyingPicture::StoredPosition(int age) const {
  if (registerSize <= 0 || age < 0 || age >= StoredPositions()) return Position{0, 0};
  return shiftRegister[static_cast<std::size_t>((head - age + registerSize - 1) % registerSize)];
}

void FlyingPicture::PrintBanner(int bannerX, int bannerY) {
  if (picture == nullptr) return;
  if (bannerPeriod == 0) bannerPeriod = std::max(RealTickTime, 1);

  if (registerPending_) {
    registerPending_ = false;
    if (memoryDC == nullptr) Trace("FlyingPic - 961");
    long long total = shownWidth;
    for (int i = 0; i < wordCount; ++i) total += words[i].width + kWordGap;
    // Ten positions per pixel of banner hold the longest lag at any frame
    // period from 2 ms up; the cap only guards absurd word widths.
    const long long size = std::min(total * 10 + 1, 1LL << 24);
    if (shiftRegister) Trace("ShiftRegister - 4601");
    shiftRegister.reset(new (std::nothrow) Position[static_cast<std::size_t>(size)]);
    registerSize = shiftRegister ? static_cast<int>(size) : 0;
    if (!shiftRegister) Trace("ShiftRegister - 4602");
    head = tail = 0;
    LogFile.LogLong(kInfo, "PrintBanner - sum", static_cast<long>(total));
  }
  if (registerSize <= 0) return;

  shiftRegister[static_cast<std::size_t>(head)] = Position{bannerX, bannerY};
  head = (head + 1) % registerSize;
  if (head == tail) tail = (tail + 1) % registerSize;
  const int stored = StoredPositions();

  // A word d pixels behind the picture's left edge goes where the picture
  // was 1.2 * d / 80 seconds ago.
  const long long period = bannerPeriod;
  long long d = shownWidth;
  for (int i = 0; i < wordCount; ++i) {
    const long long lag = (2 * 1200 * d + period * 80) / (2 * period * 80);
    if (lag < registerSize && lag < stored) {
      const Position& at =
          shiftRegister[static_cast<std::size_t>((head - lag + registerSize - 1) % registerSize)];
      BitmapClass& word = words[i];
      const RECT was{word.x, word.y, word.x + word.width, word.y + word.height};
      const RECT now{at.x, at.y, at.x + word.width, at.y + word.height};
      // Beyond the screen at both places a word would draw nothing.
      const bool seen = OnScreen(was) || OnScreen(now);
      // Cleared at its old place: only what the new place leaves uncovered.
      if (!word.Used()) {
        MainSettings.WriteString("Debug", "tBmp[i].Clear", "FALSE");
      } else if (seen) {
        BlackenUncovered(SaverDC, was, now);
      }
      word.x = at.x;
      word.y = at.y;
      if (!word.Used() || (seen && word.Display() == 0))
        MainSettings.WriteString("Debug", "tBmp[i].Display", "FALSE");
    }
    d += words[i].width + kWordGap;
  }
}

void FlyingPicture::Release() {
  if (memoryDC == nullptr) Trace("FlyingPicture - 2122");
  if (picture != nullptr) {
    if (memoryDC != nullptr) SelectObject(memoryDC, replacedBitmap);
    DeleteObject(picture);
    if (!shiftRegister) Trace("ShiftRegister - 4609");
  }
  // Whatever exists is released, also after a failed step of Create.
  if (memoryDC != nullptr) DeleteDC(memoryDC);
  for (BitmapClass& word : words) {
    if (word.Used()) word.Destroy();
    word.x = word.y = 0;
  }
  shiftRegister.reset();
  memoryDC = nullptr;
  picture = nullptr;
  replacedBitmap = nullptr;
  banner[0] = '\0';
  ownPicturePath[0] = '\0';
  wordCount = 0;
  shownWidth = shownHeight = pictureWidth = pictureHeight = 0;
  head = tail = registerSize = 0;
  snooze = 0;
  registerPending_ = false;
}

namespace lvx {
void ResetFlyingPictureForTests() {
  carryX = 0.0f;
  carryY = 0.0f;
  sameStepReports = 1;
  bannerPeriod = 0;
}
}  // namespace lvx
