// Frame cost of the sky, frame by frame through the real message loop: a
// WM_TIMER is posted, GetMessageA takes it, DispatchMessageA runs
// Universe::Tick in the window procedure and presents what changed.
//
// Per size it prints the time of Tick and of the whole frame (with the
// present), the pixels that really changed per frame (the window surface
// compared with its copy from the frame before), the pixels presented per
// frame and in how many rectangles, the changed pixels that a present
// missed (must be 0), and the memory allocations per frame after the first
// second (malloc, calloc and realloc of the whole process are counted).
// Each size runs with the flying picture (and a 30-word banner) off and on,
// in turns, and the figures are those of the median run of each.
//
// Usage: lumivex_tick_bench [--x11] [--cold[=MB]] [--frames N] [--rounds N] [WxH ...]
//   headless by default (sizes default to 1024x768 1920x1080 3840x2160);
//   --x11 presents to $DISPLAY through shared memory, at the X screen's size
//   (pixel figures are then not available: only times and allocations);
//   --cold[=MB] sweeps 4 MB (or MB) of other memory before each frame, as
//   the running saver finds its caches after sleeping 40 ms between frames.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "messages/quill.h"
#include "platform/backend/headless/headless.h"
#include "platform/gdi/surface.h"
#include "platform/winapi.h"
#include "scene/saver_state.h"
#include "scene/stars.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "universe/universe.h"

// ---- Counting allocator: every malloc of the process goes through here ----
#if defined(__SANITIZE_ADDRESS__)
#define LUMIVEX_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMIVEX_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef LUMIVEX_COUNT_ALLOCATIONS
#define LUMIVEX_COUNT_ALLOCATIONS 1
#endif

namespace {
std::atomic<long> g_allocations{0};
// Set around the frames that count; a debugger can break on malloc when set.
std::atomic<bool> g_counting{false};
inline void Count() {
  if (g_counting.load(std::memory_order_relaxed))
    g_allocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

#if LUMIVEX_COUNT_ALLOCATIONS
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* p);

void* malloc(std::size_t size) {
  Count();
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  Count();
  return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
  Count();
  return __libc_realloc(p, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
  Count();
  return __libc_memalign(alignment, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
  Count();
  return __libc_memalign(alignment, size);
}
void free(void* p) { __libc_free(p); }
}
#endif

namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr int kRealTickTime = 50;
constexpr int kFirstSecond = 1000 / kRealTickTime;  // frames not counted for allocations

using Clock = std::chrono::steady_clock;
double g_tickMs = 0;  // time of the last Tick, set by the window procedure
bool g_cold = false;
std::size_t g_coldBytes = 4u << 20;

// Pushes the frame's working set out of the caches (not timed).
void EvictCaches() {
  static std::vector<std::uint64_t> other(g_coldBytes / sizeof(std::uint64_t));
  for (std::size_t i = 0; i < other.size(); i += 8) other[i] += i;
}

LRESULT CALLBACK BenchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kFrameTimer) {
    const auto start = Clock::now();
    Universe::Instance().Tick();
    g_tickMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

struct Figures {
  int frames = 0;
  double tickMs = 0, frameMs = 0, restTickMs = 0;
  int restFrames = 0;
  long long changed = 0, sent = 0, rects = 0, missed = 0;
  long long restSent = 0, restRects = 0;  // in frames with no star flying
  long allocations = 0;         // after the first second, in frames without a new message
  long messageAllocations = 0;  // in the frames that began a new message
  int messageFrames = 0;
  bool pixels = false;  // changed/sent known (headless)
  int pictureFrames = 0;  // frames with the flying picture on the screen
};

// Thirty words for the flying picture's banner.
constexpr const char* kThirtyWords =
    "Stars over the quiet town shine on every roof and on each dreamer who looks up "
    "tonight to find a small picture flying by with all its words trailing behind";

void FlyingPictureSettings(bool on) {
  // "Baby delivery" (a 100 x 78 picture) with the user's own text, or "Just
  // the sky"; no rest between passes, so that it flies through the whole run.
  MainSettings.UserWriteString("FPicture", "Category", on ? "3" : "11");
  MainSettings.UserWriteString("FPicture", "AutoText", "0");
  MainSettings.UserWriteString("FPicture", "BANNER", kThirtyWords);
  MainSettings.UserWriteString("FPicture", "ShowEvery", "0");
}

// The run with the median Tick time (the machine may be shared; runs vary).
Figures Median(std::vector<Figures> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const Figures& a, const Figures& b) { return a.tickMs < b.tickMs; });
  return runs[runs.size() / 2];
}

// Runs one frame through the loop; returns false when the loop ended.
bool Frame(HWND window) {
  PostMessageA(window, WM_TIMER, kFrameTimer, 0);
  MSG msg;
  if (GetMessageA(&msg, nullptr, 0, 0) <= 0) return false;
  DispatchMessageA(&msg);
  return true;
}

bool Measure(int width, int height, int frames, Figures& out) {
  WNDCLASSA wc{};
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = BenchProc;
  wc.lpszClassName = "LumivexTickBench";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, "LumivexTickBench", "Screen Saver", WS_POPUP | WS_VISIBLE, 0, 0,
                                width, height, nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr) return false;
  MainWindow = window;
  SaverDC = GetDC(window);
  lvx::Surface* surface = lvx::SurfaceOfDC(SaverDC);
  if (SaverDC == nullptr || surface == nullptr) return false;
  GetClientRect(window, &ScreenRect);
  width = ScreenRect.right;
  height = ScreenRect.bottom;
  RealTickTime = kRealTickTime;
  Universe::Instance().Create();

  lvx::HeadlessBackend* headless = lvx::CurrentHeadless();
  const lvx::NativeId id = reinterpret_cast<lvx::NativeId>(window);
  out.pixels = headless != nullptr;
  std::vector<std::uint32_t> before(surface->pixels.begin(), surface->pixels.end());
  std::vector<std::uint8_t> covered(static_cast<std::size_t>(width) * height, 0);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * sizeof(std::uint32_t);
  long presented = headless ? headless->Stats(id).pixels : 0;

  out.frames = frames;
  for (int i = 0; i < frames; ++i) {
    const bool resting = AnyStarMoving == 0;
    const long allocationsBefore = g_allocations.load(std::memory_order_relaxed);
    if (g_cold) EvictCaches();
    g_counting.store(i >= kFirstSecond, std::memory_order_relaxed);
    const auto start = Clock::now();
    const bool ran = Frame(window);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    g_counting.store(false, std::memory_order_relaxed);
    if (!ran) return false;
    const long allocated = g_allocations.load(std::memory_order_relaxed) - allocationsBefore;
    if (StartMoving != 0) {
      // Reading the message book and laying out the new text.
      out.messageAllocations += allocated;
      if (i >= kFirstSecond) ++out.messageFrames;
    } else {
      out.allocations += allocated;
    }
    out.tickMs += g_tickMs;
    out.frameMs += ms;
    const FlyingPicture& fp = Universe::Instance().flyingPicture;
    if (fp.HasPicture() && fp.snooze == 0 && fp.x < width && fp.x + fp.shownWidth > 0)
      ++out.pictureFrames;
    if (resting) {
      out.restTickMs += g_tickMs;
      ++out.restFrames;
    }
    if (!headless) continue;

    // What the present sent, and what really changed since the last frame.
    const lvx::HeadlessBackend::PresentStats st = headless->Stats(id);
    const bool sentThisFrame = st.pixels != presented;
    out.sent += st.pixels - presented;
    if (resting) out.restSent += st.pixels - presented;
    presented = st.pixels;
    if (sentThisFrame) {
      out.rects += static_cast<long long>(st.lastRegions.size());
      if (resting) out.restRects += static_cast<long long>(st.lastRegions.size());
      for (const RECT& r : st.lastRegions)
        for (LONG y = r.top; y < r.bottom; ++y)
          std::memset(covered.data() + static_cast<std::size_t>(y) * width + r.left, 1,
                      static_cast<std::size_t>(r.right - r.left));
    }
    for (int y = 0; y < height; ++y) {
      const std::uint32_t* now = surface->Row(y);
      std::uint32_t* old = before.data() + static_cast<std::size_t>(y) * width;
      if (std::memcmp(now, old, rowBytes) == 0) continue;
      const std::uint8_t* cov = covered.data() + static_cast<std::size_t>(y) * width;
      for (int x = 0; x < width; ++x) {
        if (now[x] == old[x]) continue;
        ++out.changed;
        if (!cov[x]) ++out.missed;
      }
      std::memcpy(old, now, rowBytes);
    }
    if (sentThisFrame) {
      for (const RECT& r : st.lastRegions)
        for (LONG y = r.top; y < r.bottom; ++y)
          std::memset(covered.data() + static_cast<std::size_t>(y) * width + r.left, 0,
                      static_cast<std::size_t>(r.right - r.left));
    }
  }
  Universe::Instance().Destroy();
  ReleaseDC(window, SaverDC);
  SaverDC = nullptr;
  DestroyWindow(window);
  UnregisterClassA("LumivexTickBench", nullptr);
  return true;
}

void Print(int width, int height, const char* label, const Figures& f) {
  const double n = f.frames;
  std::printf("%4dx%-4d %-11s Tick %.3f ms (at rest %.3f)  frame with present %.3f ms\n", width,
              height, label, f.tickMs / n, f.restFrames ? f.restTickMs / f.restFrames : 0.0,
              f.frameMs / n);
  if (f.pixels) {
    std::printf(
        "           changed %.0f px/frame  sent %.0f px/frame in %.1f rectangles  "
        "sent/changed %.2f  missed %lld px\n",
        f.changed / n, f.sent / n, f.rects / n,
        f.changed ? static_cast<double>(f.sent) / static_cast<double>(f.changed) : 0.0, f.missed);
    const double rest = std::max(f.restFrames, 1);
    std::printf("           at rest: sent %.0f px/frame in %.1f rectangles\n", f.restSent / rest,
                f.restRects / rest);
  }
#if LUMIVEX_COUNT_ALLOCATIONS
  const int ordinary = f.frames - kFirstSecond - f.messageFrames;
  std::printf(
      "           allocations after the first second: %ld in %d frames; "
      "%ld in %d frame(s) that began a new message\n",
      f.allocations, ordinary, f.messageAllocations, f.messageFrames);
#else
  std::printf("           allocations not counted (sanitizer build)\n");
#endif
}

}  // namespace

int main(int argc, char** argv) {
  bool x11 = false;
  int frames = 1500;
  int rounds = 3;
  std::vector<std::pair<int, int>> sizes;
  for (int i = 1; i < argc; ++i) {
    int w = 0, h = 0;
    if (std::strcmp(argv[i], "--x11") == 0) {
      x11 = true;
    } else if (std::strcmp(argv[i], "--cold") == 0) {
      g_cold = true;
    } else if (std::strncmp(argv[i], "--cold=", 7) == 0) {
      g_cold = true;
      g_coldBytes = static_cast<std::size_t>(std::max(1, std::atoi(argv[i] + 7))) << 20;
    } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      frames = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (std::sscanf(argv[i], "%dx%d", &w, &h) == 2 && w > 0 && h > 0) {
      sizes.emplace_back(w, h);
    } else {
      std::fprintf(stderr, "usage: %s [--x11] [--cold[=MB]] [--frames N] [--rounds N] [WxH ...]\n", argv[0]);
      return 2;
    }
  }
  if (frames <= kFirstSecond) frames = kFirstSecond + 1;
  if (sizes.empty()) sizes = {{1024, 768}, {1920, 1080}, {3840, 2160}};

  // A private settings folder, whatever the caller has.
  char home[] = "/tmp/lumivex-tick-bench-XXXXXX";
  if (mkdtemp(home) == nullptr) return 1;
  setenv("LUMIVEX_HOME", home, 1);
  if (x11) {
    if (std::getenv("DISPLAY") == nullptr) {
      std::fprintf(stderr, "--x11 needs DISPLAY\n");
      return 2;
    }
    setenv("LUMIVEX_DISPLAY", "x11", 1);
    sizes.resize(1);
    sizes[0] = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  } else {
    setenv("LUMIVEX_DISPLAY", "headless", 1);
    int w = 0, h = 0;
    for (const auto& s : sizes) w = std::max(w, s.first), h = std::max(h, s.second);
    const std::string screen = std::to_string(w) + "x" + std::to_string(h);
    setenv("LUMIVEX_SCREEN", screen.c_str(), 1);
  }

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

  std::printf("%d frames of %d message stars and %d sky stars at RealTickTime %d, %s display;\n",
              frames, MessageStarCount, SkyStarCount, kRealTickTime, x11 ? "X11" : "headless");
  std::printf("the median of %d runs with the flying picture off and %d with it on, in turns:\n",
              rounds, rounds);
  for (const auto& [w, h] : sizes) {
    std::vector<Figures> offRuns, onRuns;
    for (int round = 0; round < 2 * rounds; ++round) {
      // Alternating which goes first, so that a drift in the machine's load
      // falls on both alike.
      const bool on = (round % 2 == 0) == ((round / 2) % 2 == 0);
      FlyingPictureSettings(on);
      Figures f;
      if (!Measure(w, h, frames, f)) {
        std::printf("%dx%d: no window\n", w, h);
        return 1;
      }
      (on ? onRuns : offRuns).push_back(f);
    }
    const Figures off = Median(offRuns);
    const Figures on = Median(onRuns);
    Print(w, h, "picture off", off);
    Print(w, h, "picture on", on);
    std::printf("           picture + 30 words on the screen in %.0f%% of frames, Tick %+.1f%%\n",
                100.0 * on.pictureFrames / on.frames, 100.0 * (on.tickMs / off.tickMs - 1.0));
  }
  return 0;
}
