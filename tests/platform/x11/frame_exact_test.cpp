// What the X server shows equals the window surface, pixel for pixel, after
// every present: the real sky (message stars flying, twinkling and erasing
// themselves, the bottom line, the shooting star) drawn through the real
// message loop into a full-screen window and into a preview, and windows
// repainted after an Expose.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "events/time_events.h"
#include "messages/quill.h"
#include "messages/text_pixels.h"
#include "moon/phase.h"
#include "platform/backend/backend.h"
#include "platform/user/window_registry.h"
#include "platform/winapi.h"
#include "scene/saver_state.h"
#include "scene/stars.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/support/test_support.h"
#include "universe/universe.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr UINT_PTR kFrameTimer = 1;

LRESULT CALLBACK SkyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kFrameTimer) {
    Universe::Instance().Tick();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class FrameExactTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lvx::test::UseTestXDisplay()) << "the test script starts Xvfb";
    dpy_ = XOpenDisplay(lvx::test::TestXDisplay().c_str());
    ASSERT_NE(dpy_, nullptr);
    lvx::ResetBackendForTests();
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    for (int i = 0; i < 2; ++i) {  // twice: a later start, not the first run
      lvx::ResetSettingsForTests();
      ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    }
    lvx::ResetSaverStateForTests();
    lvx::ResetStarsForTests();
    lvx::ResetMessageBookForTests();
    lvx::ResetTextPixelsForTests();
    lvx::ResetTimeEventsForTests();
    lvx::ResetMoonForTests();
    lvx::ResetUniverseForTests();
    lvx::SeedRandomForTests(11);
    Quill.Index = 0;
    std::strcpy(Quill.Message, "Pixel");
    std::strcpy(Quill.BottomLine, "exact");
    Quill.Password[0] = '\0';
    Quill.Write();

    WNDCLASSA wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = SkyProc;
    wc.lpszClassName = "LumivexFrameExact";
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  void TearDown() override {
    lvx::ResetUniverseForTests();
    if (dpy_) XCloseDisplay(dpy_);
  }

  // Makes `window` the saver window and builds the sky in it. A long frame
  // time makes flights and twinkles short, so a few hundred frames hold
  // whole flights, twinkles and the start of the bottom line.
  void StartSky(HWND window) {
    MainWindow = window;
    SaverDC = GetDC(window);
    ASSERT_NE(SaverDC, nullptr);
    GetClientRect(window, &ScreenRect);
    RealTickTime = 100;
    Universe::Instance().Create();
  }

  static void Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  }

  // One frame through the message loop (the present follows the dispatch).
  static void Frame(HWND window) {
    PostMessageA(window, WM_TIMER, kFrameTimer, 0);
    Pump();
  }

  // Waits until the server has carried out every request of the saver's
  // connection: one round trip on it.
  static void SyncSaver() {
    int timeout = 0;
    lvx::CurrentBackend().GetScreenSaverTimeout(&timeout);
  }

  // Pixels of the window on the server that differ from its surface; the
  // first one goes to `where`.
  long Differences(HWND window, std::string* where) {
    const lvx::Surface* s = lvx::WindowSurface(window);
    if (!s) return -1;
    XImage* img = XGetImage(dpy_, static_cast<Window>(reinterpret_cast<std::uintptr_t>(window)), 0,
                            0, static_cast<unsigned>(s->width), static_cast<unsigned>(s->height),
                            AllPlanes, ZPixmap);
    if (!img) return -1;
    long differ = 0;
    const bool raw = img->bits_per_pixel == 32 && img->byte_order == LSBFirst &&
                     img->red_mask == 0xFF0000 && img->blue_mask == 0xFF;
    for (int y = 0; y < s->height; ++y) {
      const std::uint32_t* row = s->Row(y);
      const auto* shown = reinterpret_cast<const std::uint32_t*>(
          img->data + static_cast<std::size_t>(y) * img->bytes_per_line);
      for (int x = 0; x < s->width; ++x) {
        const std::uint32_t on = (raw ? shown[x] : XGetPixel(img, x, y)) & 0xFFFFFFu;
        if (on == (row[x] & 0xFFFFFFu)) continue;
        if (differ++ == 0 && where) {
          char text[96];
          std::snprintf(text, sizeof text, "(%d,%d) shows %06X, surface %06X", x, y, on, row[x]);
          *where = text;
        }
      }
    }
    XDestroyImage(img);
    return differ;
  }

  // Runs frames and compares the whole window after each present.
  void RunAndCompare(HWND window, int frames, bool* flew) {
    for (int frame = 0; frame < frames; ++frame) {
      Frame(window);
      if (AnyStarMoving) *flew = true;
      SyncSaver();
      std::string where;
      const long differ = Differences(window, &where);
      ASSERT_EQ(differ, 0) << "frame " << frame << ": first at " << where;
    }
  }

  Display* dpy_ = nullptr;
};

class FullScreenSky : public FrameExactTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FullScreenSky, EveryPresentLeavesTheScreenEqualToTheSurface) {
  const bool shm = GetParam();
  if (shm) {
    unsetenv("LUMIVEX_X11_NO_SHM");
  } else {
    setenv("LUMIVEX_X11_NO_SHM", "1", 1);
  }
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HWND window = CreateWindowExA(WS_EX_TOPMOST, "LumivexFrameExact", "Screen Saver",
                                WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr, nullptr, nullptr,
                                nullptr);
  ASSERT_NE(window, nullptr);
  SetForegroundWindow(window);
  StartSky(window);
  Frame(window);
  SyncSaver();
  Pump();  // the Expose of the mapped window
  // With shared memory the surface's pixels are the segment the server reads.
  EXPECT_EQ(lvx::WindowSurface(window)->pixels.Lender() != nullptr, shm);

  bool flew = false;
  RunAndCompare(window, 300, &flew);
  EXPECT_TRUE(flew) << "message stars flew during the frames compared";
  ReleaseDC(window, SaverDC);
  DestroyWindow(window);
}

INSTANTIATE_TEST_SUITE_P(SharedMemoryAndPlainPut, FullScreenSky, ::testing::Values(true, false));

TEST_F(FrameExactTest, PreviewAndExposedAreasAreExact) {
  unsetenv("LUMIVEX_X11_NO_SHM");
  // A settings program's preview area, with the saver inside it.
  Window parent = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 30, 30, 400, 300, 0, 0, 0);
  XMapRaised(dpy_, parent);
  XSync(dpy_, False);
  HWND preview = CreateWindowExA(0, "LumivexFrameExact", "Preview", WS_CHILD | WS_VISIBLE, 0, 0,
                                 152, 112, reinterpret_cast<HWND>(parent), nullptr, nullptr,
                                 nullptr);
  ASSERT_NE(preview, nullptr);
  // The preview learns the real size of the area it fills.
  for (int i = 0; i < 200; ++i) {
    SyncSaver();
    Pump();
    RECT r{};
    GetClientRect(preview, &r);
    if (r.right == 400 && r.bottom == 300) break;
  }
  RECT client{};
  GetClientRect(preview, &client);
  ASSERT_EQ(client.right, 400);
  StartSky(preview);
  bool flew = false;
  RunAndCompare(preview, 150, &flew);

  // Another window covers part of the preview and goes away: the server
  // asks for that part again. Only it is presented: a pixel changed behind
  // GDI's back outside it stays old on the screen, one inside it comes.
  lvx::Surface* s = lvx::WindowSurface(preview);
  ASSERT_NE(s, nullptr);
  SyncSaver();
  Window cover = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 30 + 100, 30 + 80, 120, 90, 0,
                                     0, 0xFFFFFF);
  XMapRaised(dpy_, cover);
  XSync(dpy_, False);
  const std::uint32_t inside = s->Row(80 + 40)[100 + 60], outside = s->Row(250)[350];
  s->Row(80 + 40)[100 + 60] = 0x00A0B0C0u;
  s->Row(250)[350] = 0x00C0B0A0u;
  XUnmapWindow(dpy_, cover);
  XSync(dpy_, False);
  const Window pw = static_cast<Window>(reinterpret_cast<std::uintptr_t>(preview));
  auto shown = [&](int x, int y) {
    XImage* img = XGetImage(dpy_, pw, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xFFFFFFFFul;
    const unsigned long p = XGetPixel(img, 0, 0) & 0xFFFFFF;
    XDestroyImage(img);
    return p;
  };
  bool repainted = false;
  for (int i = 0; i < 200 && !repainted; ++i) {
    SyncSaver();
    Pump();
    SyncSaver();
    repainted = shown(160, 120) == 0xA0B0C0u;
  }
  EXPECT_TRUE(repainted) << "the exposed area was repainted from the surface";
  EXPECT_EQ(shown(350, 250), outside & 0xFFFFFFu) << "nothing outside the exposed area was sent";
  s->Row(80 + 40)[100 + 60] = inside;
  s->Row(250)[350] = outside;
  const RECT all{0, 0, client.right, client.bottom};
  lvx::CurrentBackend().PresentArea(reinterpret_cast<lvx::NativeId>(preview), *s, all);
  RunAndCompare(preview, 50, &flew);
  XDestroyWindow(dpy_, cover);
  ReleaseDC(preview, SaverDC);
  DestroyWindow(preview);
  XDestroyWindow(dpy_, parent);
  XSync(dpy_, False);
}

}  // namespace
