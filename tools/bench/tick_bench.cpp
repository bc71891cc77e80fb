// Frame cost of the sky: the average Universe::Tick time with all message and
// sky stars on a headless window surface, and the pixels the display would be
// asked to present per frame. A plain program; prints one line per size, and
// the same again with the flying picture and a 30-word banner on.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "messages/quill.h"
#include "platform/gdi/surface.h"
#include "platform/winapi.h"
#include "scene/saver_state.h"
#include "scene/stars.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "universe/universe.h"

namespace {

constexpr int kWarmUp = 50;
constexpr int kFrames = 1500;
constexpr int kRounds = 7;

struct Figures {
  double tickMs = 0;
  double flightTickMs = 0;
  double restTickMs = 0;
  double pixelsPerFrame = 0;
  double restPixelsPerFrame = 0;
  double pictureShownShare = 0;  // frames with the flying picture on screen
};

// Thirty words for the flying picture's banner.
constexpr const char* kThirtyWords =
    "Stars over the quiet town shine on every roof and on each dreamer who looks up "
    "tonight to find a small picture flying by with all its words trailing behind";

// The run with the median Tick time (the machine is shared; single runs vary).
Figures Median(std::vector<Figures> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const Figures& a, const Figures& b) { return a.tickMs < b.tickMs; });
  return runs[runs.size() / 2];
}

void FlyingPictureSettings(bool on) {
  // "Baby delivery" (a 100 x 78 picture) with the user's own text; no rest
  // between passes, so that it flies through the whole run.
  MainSettings.UserWriteString("FPicture", "Category", on ? "3" : "11");
  MainSettings.UserWriteString("FPicture", "AutoText", "0");
  MainSettings.UserWriteString("FPicture", "BANNER", kThirtyWords);
  MainSettings.UserWriteString("FPicture", "ShowEvery", "0");
}

long long TakeDirtyPixels(lvx::Surface* surface) {
  long long pixels = 0;
  for (const RECT& r : surface->TakeDirty())
    pixels += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
  return pixels;
}

bool Measure(int width, int height, Figures& out) {
  WNDCLASSA wc{};
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "LumivexTickBench";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, "LumivexTickBench", "Screen Saver", WS_POPUP, 0, 0, width,
                                height, nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr) return false;
  MainWindow = window;
  SaverDC = GetDC(window);
  lvx::Surface* surface = lvx::SurfaceOfDC(SaverDC);
  if (SaverDC == nullptr || surface == nullptr) return false;
  GetClientRect(window, &ScreenRect);
  RealTickTime = 50;

  Universe& universe = Universe::Instance();
  universe.Create();
  using Clock = std::chrono::steady_clock;
  for (int i = 0; i < kWarmUp; ++i) universe.Tick();
  TakeDirtyPixels(surface);

  double total = 0, flight = 0, rest = 0;
  int flightFrames = 0, restFrames = 0;
  long long pixels = 0, restPixels = 0;
  int pictureShown = 0;
  for (int i = 0; i < kFrames; ++i) {
    const bool moving = AnyStarMoving != 0;
    const auto start = Clock::now();
    universe.Tick();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const long long dirty = TakeDirtyPixels(surface);
    const FlyingPicture& fp = universe.flyingPicture;
    if (fp.HasPicture() && fp.snooze == 0 && fp.x < width && fp.x + fp.shownWidth > 0)
      ++pictureShown;
    total += ms;
    pixels += dirty;
    if (moving) {
      flight += ms;
      ++flightFrames;
    } else {
      rest += ms;
      restPixels += dirty;
      ++restFrames;
    }
  }
  universe.Destroy();
  ReleaseDC(window, SaverDC);
  SaverDC = nullptr;
  DestroyWindow(window);

  out.tickMs = total / kFrames;
  out.flightTickMs = flightFrames ? flight / flightFrames : 0;
  out.restTickMs = restFrames ? rest / restFrames : 0;
  out.pixelsPerFrame = static_cast<double>(pixels) / kFrames;
  out.restPixelsPerFrame = restFrames ? static_cast<double>(restPixels) / restFrames : 0;
  out.pictureShownShare = static_cast<double>(pictureShown) / kFrames;
  return true;
}

}  // namespace

int main() {
  // A private settings folder and the headless display, whatever the caller has.
  char home[] = "/tmp/lumivex-tick-bench-XXXXXX";
  if (mkdtemp(home) == nullptr) return 1;
  setenv("LUMIVEX_HOME", home, 1);
  setenv("LUMIVEX_DISPLAY", "headless", 1);
  setenv("LUMIVEX_SCREEN", "1920x1080", 1);

  LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
  for (int i = 0; i < 2; ++i) {
    lvx::ResetSettingsForTests();
    if (MainSettings.Init("$CURRENT", "\\Lumivex.ini") != 0) return 1;
  }
  Quill.Index = 0;
  std::strcpy(Quill.Message, "Lumivex");
  std::strcpy(Quill.BottomLine, "A bottom line of ordinary length for the benchmark");
  Quill.Password[0] = '\0';
  Quill.Write();

  std::printf("Tick with %d message stars and %d sky stars, %d frames at RealTickTime 50:\n",
              MessageStarCount, SkyStarCount, kFrames);
  std::printf(
      "(each the median of %d runs with the flying picture off and %d with it on, "
      "taken in turns)\n",
      kRounds, kRounds);
  const int sizes[][2] = {{1024, 768}, {1920, 1080}};
  for (const auto& size : sizes) {
    std::vector<Figures> offRuns, onRuns;
    for (int round = 0; round < 2 * kRounds; ++round) {
      // Alternating which goes first, so that a drift in the machine's load
      // falls on both alike.
      const bool on = (round % 2 == 0) == ((round / 2) % 2 == 0);
      FlyingPictureSettings(on);
      Figures f;
      if (!Measure(size[0], size[1], f)) {
        std::printf("%dx%d: no window\n", size[0], size[1]);
        return 1;
      }
      (on ? onRuns : offRuns).push_back(f);
    }
    const Figures off = Median(offRuns);
    const Figures on = Median(onRuns);
    for (const Figures* f : {&off, &on}) {
      std::printf(
          "%4dx%-4d %-11s Tick %.3f ms (flight %.3f, rest %.3f)  presented %.0f px/frame "
          "(rest %.0f, screen %d)",
          size[0], size[1], f == &on ? "picture on" : "picture off", f->tickMs, f->flightTickMs,
          f->restTickMs, f->pixelsPerFrame, f->restPixelsPerFrame, size[0] * size[1]);
      if (f == &on)
        std::printf("  picture + 30 words on screen in %.0f%% of frames, Tick %+.1f%%",
                    100.0 * f->pictureShownShare, 100.0 * (on.tickMs / off.tickMs - 1.0));
      std::printf("\n");
    }
  }
  return 0;
}
