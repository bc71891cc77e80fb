#include "universe/universe.h"

#include <cstdio>

#include "events/wallpaper.h"
#include "mail/new_mail.h"
#include "messages/quill.h"
#include "moon/moon_display.h"
#include "scene/bitmap.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {
constexpr int kInfo = 3;
// The start picture stays at least this long: the scene is built in a blink
// on today's machines, too short to see the picture.
constexpr DWORD kStartPictureMs = 1500;

bool switchOffDone = false;

void LogUniverse(const char* value) { LogFile.Log(kInfo, "Universe", value); }

// Every duration of the sky is this many milliseconds in frames.
int Frames(int milliseconds) { return milliseconds / (RealTickTime > 0 ? RealTickTime : 1); }
}  // namespace

bool SmallScreen = false;

Universe::Universe()
    : created_(false), cuckoo_(0), frameIndex_(0), previousElapsed_(0.0f), debugTickTime_(0) {}

Universe::~Universe() = default;

Universe& Universe::Instance() {
  static Universe universe;
  return universe;
}

void Universe::Create() {
  LogUniverse("Create");
  if (created_) Destroy();
  created_ = true;

  if (ScreenRect.right <= 400) {
    SmallScreen = true;
  } else {
    int reachTheStars = 0;
    MainSettings.UserReadInt("Params", "ReachTheStars", &reachTheStars, 0);
    if (reachTheStars != 0) {
      LogFile.Log(kInfo, "SplashScreen", "Create");
      startPicture_.CreateFromResource(SaverDC, 163);
      startPicture_.CenterIn(ScreenRect.left, ScreenRect.top, ScreenRect.right, ScreenRect.bottom);
      startPicture_.Display();
      // On the screen now, while the rest of the scene is built.
      GdiFlush();
      startPictureShownAt_ = GetTickCount();
    }
  }

  SpaceMatrix.Create(ScreenRect.right - ScreenRect.left, ScreenRect.bottom - ScreenRect.top);

  Quill.LoadOptions();
  MainSettings.UserReadInt("Sound", "cuckoo", &cuckoo_, 0);

  LogFile.Log(kInfo, "TimeEvents", "Create");
  sound.PlayMood(MainWindow);
  Moon.Create();

  CreateMessageStars(messageStars.data(), MessageStarCount);
  messageRest_.Reset();

  LogUniverse("Calling BottomLine.Create");
  bottomLine.Create();

  LogUniverse("Calling Star[i].Create");
  for (STAR& star : stars) {
    star.Create(15, 30, Frames(40000), SaverDC, ScreenRect.left, ScreenRect.top, ScreenRect.right,
                ScreenRect.bottom, Frames(20000), Frames(2000));
  }
  skyRest_.Reset();

  LogUniverse("Calling Airplane[i].Create");
  for (AIRPLANE& plane : airplanes) plane.Create();
  flyingPicture.Create();
  shootingStar.Reset();
  ChangeWallpaper();

  // The scene appears on a black sky; a start picture keeps the screen
  // until its time is up (Tick).
  if (!startPicture_.Used())
    FillRect(SaverDC, &ScreenRect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  // Mailbox check: initialise it and start its timer unless SmallScreen.
  if (SmallScreen) NewMail.offForThisRun = 1;
  NewMail.StartTimer();
  LogUniverse("Create-exit");
}

void Universe::Tick() {
  if (!created_) {
    Create();
    Trace("universe - 160");
  }
  if (startPicture_.Used()) {
    if (GetTickCount() - startPictureShownAt_ < kStartPictureMs) return;
    startPicture_.Destroy();
    FillRect(SaverDC, &ScreenRect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  TraceFlush();
  Moon.Drift();
  shootingStar.Step();

  // AnyStarMoving still holds the previous frame's value here.
  if (AnyStarMoving == 0 && bottomLine.bitmap.Used() && bottomLine.nextMessagePending == 0)
    bottomLine.Scroll();

  StartMoving = 0;
  AnyStarMoving = 0;
  TwinkleDraw = RandomBelow(Frames(40000));
  if (bottomLine.nextMessagePending != 0)
    PrintMsg(messageStars.data(), MessageStarCount, bottomLine);

  AdvanceStars(messageStars.data(), messageStars.size(), messageRest_);
  TwinkleDraw = RandomBelow(Frames(40000));
  AdvanceStars(stars.data(), stars.size(), skyRest_);

  for (AIRPLANE& plane : airplanes) plane.Fly();
  flyingPicture.Fly();
  sound.CuckooTick(cuckoo_);
}

void Universe::SettleStars() {
  ::SettleStars(messageStars.data(), messageStars.size(), messageRest_);
  ::SettleStars(stars.data(), stars.size(), skyRest_);
}

void Universe::Destroy() {
  if (!created_) {
    LogUniverse("Destroy !Created");
    return;
  }
  LogUniverse("Destroy");
  if (startPicture_.Used()) startPicture_.Destroy();
  // Mailbox check: free the dial-up library and kill its timer when it ran.
  NewMail.StopTimer();

  SpaceMatrix.Destroy();

  LogUniverse("Destroing stars");
  for (std::size_t i = 0; i < stars.size(); ++i) StarPalette.Destroy();
  LogUniverse("Destroing MStars");
  for (std::size_t i = 0; i < messageStars.size(); ++i) StarPalette.Destroy();

  LogUniverse("Destroing TEvents");
  StopSound();

  LogUniverse("Destroing Moon");
  Moon.Destroy();

  LogUniverse("Destroing BottomLine");
  bottomLine.Destroy();

  LogUniverse("Destroing FlyPic");
  flyingPicture.Release();

  created_ = false;
}

BOOL Universe::AdaptTickTime() {
  if (frameIndex_ == 0) {
    stopwatch_.Start();
    MainSettings.ReadInt("params", "DebugTickTime", &debugTickTime_, 0);
  }
  ++frameIndex_;
  if (frameIndex_ % 100 != 0) return FALSE;

  const float current = stopwatch_.ElapsedSeconds();
  const float previous = previousElapsed_;
  previousElapsed_ = current;
  if (previous == 0.0f) return FALSE;

  RealTickTime = static_cast<int>((current - previous) * 10.0f);
  if (RealTickTime <= 30) RealTickTime = 30;
  if (RealTickTime >= 100) RealTickTime = 100;

  int processMs = 10;
  MainSettings.ReadInt("params", "TickProcess_mSec", &processMs, 10);
  // 64-bit: the stored processing time may be any int, and the difference
  // must not overflow.
  long long wanted = (static_cast<long long>(RealTickTime) - processMs) / 2;
  if (wanted <= 40) wanted = 40;
  if (wanted >= 80) wanted = 80;
  const int computed = static_cast<int>(wanted);
  int fixed = computed;
  MainSettings.ReadInt("params", "FixedTickTime", &fixed, computed);
  TickTime = fixed;

  if (debugTickTime_ != 0 && SaverDC != nullptr) {
    char line[80];
    std::snprintf(line, sizeof line, "ite=%u, tt=%u, rtt=%u  ", frameIndex_ / 100,
                  static_cast<unsigned>(TickTime), static_cast<unsigned>(RealTickTime));
    TextOutA(SaverDC, 1, 200, line, static_cast<int>(std::char_traits<char>::length(line)));
  }
  return TRUE;
}

void Universe::SwitchOffEffect(HWND window, HDC dc) {
  if (switchOffDone) return;
  switchOffDone = true;

  LogFile.Log(kInfo, "SwitchOffEffect", "entering");
  RECT client{0, 0, 0, 0};
  GetClientRect(window, &client);
  const int h = client.bottom - client.top;
  LogFile.LogInt(kInfo, "SwitchOffEffect-Screen Height", h);
  const int band = static_cast<int>(h * 0.0625);
  LogFile.LogInt(kInfo, "SwitchOffEffect-height", band);

  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  const auto clearBand = [&](int from, int to) {
    LogFile.LogInt(kInfo, "Clearing from", from);
    LogFile.LogInt(kInfo, " to", to);
    RECT r{client.left, from, client.right, to};
    FillRect(dc, &r, black);
  };
  for (int i = 0; i < 8; ++i) {
    clearBand(client.top + i * band, client.top + (i + 1) * band);
    clearBand(client.bottom - (i + 1) * band, client.bottom - i * band);
  }

  const int cy = (client.top + client.bottom) / 2;
  const int cx = (client.left + client.right) / 2;
  HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HPEN dark = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, white);
  MoveToEx(dc, client.left, cy, nullptr);
  LineTo(dc, client.right, cy);
  Sleep(15);

  SelectObject(dc, dark);
  const int step = (client.right - client.left + 1) / 8;
  for (int i = 1; i <= 8; ++i) {
    MoveToEx(dc, client.left, cy, nullptr);
    LineTo(dc, client.left + i * step, cy);
    MoveToEx(dc, client.right - i * step, cy, nullptr);
    LineTo(dc, client.right, cy);
    Sleep(15);
  }

  HBRUSH whiteBrush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  HGDIOBJ oldBrush = SelectObject(dc, whiteBrush);
  const auto circle = [&](int radius, HPEN pen, HBRUSH brush) {
    SelectObject(dc, pen);
    SelectObject(dc, brush);
    Ellipse(dc, cx - radius, cy - radius, cx + radius, cy + radius);
    Sleep(15);
  };
  circle(15, white, whiteBrush);
  circle(15, dark, black);
  circle(5, white, whiteBrush);
  circle(5, dark, black);

  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(white);
  DeleteObject(dark);
  Sleep(50);
}

namespace lvx {
void ResetUniverseForTests() {
  Universe& u = Universe::Instance();
  if (u.created_) u.Destroy();
  if (u.startPicture_.Used()) u.startPicture_.Destroy();
  u.startPictureShownAt_ = 0;
  u.frameIndex_ = 0;
  u.previousElapsed_ = 0.0f;
  u.debugTickTime_ = 0;
  u.cuckoo_ = 0;
  u.stopwatch_ = Stopwatch();
  u.stars.fill(STAR());
  u.messageStars.fill(STAR());
  u.messageRest_.Reset();
  u.skyRest_.Reset();
  u.shootingStar = ShootingStar();
  u.airplanes.fill(AIRPLANE());
  u.sound = SoundClass();
  u.bottomLine.scrollOffset = 0;
  u.bottomLine.nextMessagePending = 0;
  SmallScreen = false;
  switchOffDone = false;
}
}  // namespace lvx
