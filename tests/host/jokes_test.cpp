// The shut-down joke that one close in 25 gets: what the screen shows during
// its two pauses, when it never runs, and that the saver still ends normally.
#include "events/jokes.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "platform/backend/backend.h"
#include "platform/backend/headless/headless.h"
#include "platform/gdi/surface.h"

namespace {

struct Shot {
  DWORD pause;
  lvx::Surface screen;
};
std::vector<Shot> shots;
HWND shotWindow = nullptr;

// Stands in for the joke's pauses: the screen as it stands at each of them,
// also written as PNG files into LUMIVEX_KEEP_SNAPSHOTS when that is set.
void TakeShot(DWORD milliseconds) {
  HDC dc = GetDC(shotWindow);
  const lvx::Surface* surface = lvx::SurfaceOfDC(dc);
  ASSERT_NE(surface, nullptr);
  Shot shot{milliseconds, lvx::Surface{}};
  shot.screen.width = surface->width;
  shot.screen.height = surface->height;
  shot.screen.pixels = surface->pixels;
  ReleaseDC(shotWindow, dc);
  if (const char* keep = std::getenv("LUMIVEX_KEEP_SNAPSHOTS")) {
    const std::string path =
        std::string(keep) + "/joke-" + std::to_string(shots.size() + 1) + ".png";
    lvx::WriteSurfacePng(shot.screen, path);
  }
  shots.push_back(std::move(shot));
}

// Seeds the random source so that the next RandomBelow(25) gives `wanted`.
void NextJokeDrawGives(int wanted) {
  for (unsigned seed = 1;; ++seed) {
    lvx::SeedRandomForTests(seed);
    if (RandomBelow(25) == wanted) {
      lvx::SeedRandomForTests(seed);
      return;
    }
  }
}

class Jokes : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    shots.clear();
    lvx::SetJokePauseForTests(TakeShot);
    SetIni("Params", "SwitchOffTV", "0");
  }
  void TearDown() override {
    lvx::SetJokePauseForTests(nullptr);
    HostTest::TearDown();
  }
  // A running saver: the scene is built and a few frames are drawn.
  void Run(HWND parent = nullptr, int frames = 3) {
    ASSERT_NE(OpenSaver(parent), nullptr);
    shotWindow = window_;
    for (int i = 0; i < frames; ++i) Frame();
  }
};

std::uint32_t PictureAt(HDC picture, int x, int y) {
  return lvx::ColorRefToPixel(GetPixel(picture, x, y));
}

}  // namespace

TEST_F(Jokes, ShutDownPictureThenTheConfessionThenTheSaverCloses) {
  Run();
  NextJokeDrawGives(1);
  SendMessageA(window_, WM_CLOSE, 0, 0);

  ASSERT_EQ(shots.size(), 2u);
  EXPECT_EQ(shots[0].pause, 1500u);
  EXPECT_EQ(shots[1].pause, 3500u);

  // First the picture, stretched over the whole screen: every sampled pixel
  // is the picture's pixel there (or a neighbour's, for rounding).
  HBITMAP bitmap = LoadBitmapA(nullptr, MAKEINTRESOURCEA(ShutDownPicture));
  ASSERT_NE(bitmap, nullptr);
  HDC picture = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(picture, bitmap);
  const lvx::Surface& first = shots[0].screen;
  ASSERT_EQ(first.width, 1024);
  ASSERT_EQ(first.height, 768);
  int mismatches = 0;
  for (int y = 5; y < 768; y += 23)
    for (int x = 7; x < 1024; x += 31) {
      const int px = x * 640 / 1024, py = y * 400 / 768;
      bool found = false;
      for (int dy = -1; dy <= 1 && !found; ++dy)
        for (int dx = -1; dx <= 1 && !found; ++dx)
          found = first.Row(y)[x] == PictureAt(picture, px + dx, py + dy);
      mismatches += found ? 0 : 1;
    }
  EXPECT_EQ(mismatches, 0);
  SelectObject(picture, old);
  DeleteDC(picture);
  DeleteObject(bitmap);

  // Then two lines of orange on black, centred in the lower two thirds.
  const lvx::Surface& second = shots[1].screen;
  const std::uint32_t orange = lvx::ColorRefToPixel(ShutDownTextColour);
  int lit = 0, other = 0, left = 1024, right = -1, top = 768, bottom = -1;
  std::vector<bool> litRow(768, false);
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x) {
      const std::uint32_t p = second.Row(y)[x];
      if (p == 0) continue;
      if (p != orange) {
        ++other;
        continue;
      }
      ++lit;
      litRow[static_cast<std::size_t>(y)] = true;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  EXPECT_EQ(other, 0) << "only orange on black";
  EXPECT_GT(lit, 300);
  EXPECT_GE(top, 768 / 3);
  EXPECT_NEAR((left + right) / 2.0, 512.0, 10.0);
  int bands = 0;
  for (int y = 1; y < 768; ++y) bands += litRow[y] && !litRow[y - 1] ? 1 : 0;
  EXPECT_EQ(bands, 2) << "two lines of text";

  // The saver still ends as always.
  EXPECT_FALSE(IsWindow(window_));
  const std::string log = Log();
  EXPECT_NE(log.find("Joke= shut down"), std::string::npos) << log;
  EXPECT_NE(log.find("Screensaver= WM_DESTROY received"), std::string::npos) << log;
  EXPECT_NE(GetIni("params", "oncepd_rtt"), "<none>");
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 0u);
}

TEST_F(Jokes, NeverWhenSwitchedOffInAPreviewTooEarlyOrOnASignal) {
  struct Case {
    const char* what;
    const char* jokes;   // the "Jokes" setting, nullptr: absent
    int draw;            // what RandomBelow(25) gives at the close
    int parentWidth;     // 0: full screen
    const char* smallX;  // "SmallWindowX"
    int frames;
    bool signalled = false;  // SIGTERM came first
  } const cases[] = {
      {"switched off", "0", 1, 0, nullptr, 3},
      {"not this close", nullptr, 2, 0, nullptr, 3},
      {"preview", nullptr, 1, 152, nullptr, 3},
      {"window of a saver framework", nullptr, 1, 1024, nullptr, 3},
      {"drawing area 400 wide", nullptr, 1, 0, "400", 3},
      {"closed before the first frame", nullptr, 1, 0, nullptr, 0},
      {"told to end by a signal", nullptr, 1, 0, nullptr, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetProcess();
    shots.clear();
    SetIni("params", "Jokes", c.jokes);
    SetIni("params", "SmallWindowX", c.smallX);
    HWND parent = nullptr;
    if (c.parentWidth != 0) {
      parent = reinterpret_cast<HWND>(lvx::CurrentHeadless()->AddForeignWindow(c.parentWidth, 600));
    }
    Run(parent, c.frames);
    NextJokeDrawGives(c.draw);
    if (c.signalled) {
      lvx::CatchTerminationSignals();
      ASSERT_EQ(raise(SIGTERM), 0);
    }
    SendMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(shots.empty());
    EXPECT_EQ(Log().find("Joke="), std::string::npos);
    CloseSaver();
  }
}
