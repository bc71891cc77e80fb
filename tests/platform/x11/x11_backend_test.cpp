// The X11 display against the test script's Xvfb: pixels on screen, previews
// inside foreign windows, input, and windows of another process.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/user/window_registry.h"
#include "platform/winapi.h"
#include "tests/support/test_support.h"

using lvx::NativeEvent;
using lvx::NativeId;

namespace {
// Before Xlib's macros hide the enumerator.
constexpr NativeEvent::Kind kResized = NativeEvent::Kind::Resized;
constexpr NativeEvent::Kind kClosed = NativeEvent::Kind::Closed;
constexpr NativeEvent::Kind kInput = NativeEvent::Kind::Input;
constexpr NativeEvent::Kind kExpose = NativeEvent::Kind::Expose;
}  // namespace

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using Clock = std::chrono::steady_clock;

// The test's own connection: a different client, as another program would be.
class TestDisplay {
 public:
  TestDisplay() {
    // The server may be regenerating after its last client left.
    for (int attempt = 0; attempt < 10 && !dpy_; ++attempt) {
      if (attempt > 0) usleep(50 * 1000);
      dpy_ = XOpenDisplay(lvx::test::TestXDisplay().c_str());
    }
  }
  ~TestDisplay() {
    if (dpy_) XCloseDisplay(dpy_);
  }
  Display* get() const { return dpy_; }

 private:
  Display* dpy_ = nullptr;
};

bool PollUntil(const std::function<bool()>& done, int ms = 5000) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < deadline) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

// The pixel of the screen (root window) at x, y as 0x00RRGGBB.
unsigned long ScreenPixel(Display* d, int x, int y) {
  XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!img) return 0xFFFFFFFFul;
  const unsigned long p = XGetPixel(img, 0, 0) & 0xFFFFFF;
  XDestroyImage(img);
  return p;
}

class X11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lvx::test::UseTestXDisplay()) << "the test script starts Xvfb";
    ASSERT_NE(test_.get(), nullptr) << "cannot open " << lvx::test::TestXDisplay();
    lvx::ResetBackendForTests();
  }

  // Pumps the backend until an event satisfies `match`.
  bool WaitEvent(lvx::Backend& b, const std::function<bool(const NativeEvent&)>& match,
                 NativeEvent* found = nullptr, int ms = 5000) {
    return PollUntil(
        [&] {
          std::vector<NativeEvent> events;
          b.PollEvents(events);
          for (const NativeEvent& e : events) {
            if (match(e)) {
              if (found) *found = e;
              return true;
            }
          }
          return false;
        },
        ms);
  }

  void WaitViewable(Window w) {
    ASSERT_TRUE(PollUntil([&] {
      XWindowAttributes a{};
      return XGetWindowAttributes(test_.get(), w, &a) && a.map_state == IsViewable;
    }));
  }

  // A popup window of ours at x, y, shown and on the screen; its first
  // Expose is returned in *exposed. 0 when it could not be made.
  NativeId ShownWindow(lvx::Backend& b, const char* name, int x, int y, int w, int h,
                       NativeEvent* exposed) {
    lvx::NativeWindowDesc desc;
    desc.className = name;
    desc.title = name;
    desc.style = WS_POPUP | WS_VISIBLE;
    desc.x = x;
    desc.y = y;
    desc.width = w;
    desc.height = h;
    const NativeId id = b.CreateWindow(desc);
    if (id == 0) return 0;
    b.ShowWindow(id, true);
    WaitViewable(static_cast<Window>(id));
    // Mapping exposes the window: one repaint request inside it.
    if (!WaitEvent(b, [](const NativeEvent& e) { return e.kind == kExpose; }, exposed)) return 0;
    return id;
  }

  // Sends a synthetic input event straight to `w`: it reaches the window
  // whatever other tests on this display do with focus and pointer.
  void Send(Window w, XEvent ev) {
    ev.xany.window = w;
    ev.xany.display = test_.get();
    XSendEvent(test_.get(), w, False, 0, &ev);
    XFlush(test_.get());
  }

  TestDisplay test_;
};

std::unique_ptr<lvx::Backend> OpenX11() {
  auto b = lvx::MakeX11Backend();
  EXPECT_NE(b, nullptr);
  if (b) {
    EXPECT_STREQ(b->Name(), "x11");
  }
  return b;
}

void DrawAndCheck(X11Test& t, Display* d, lvx::Backend& b) {
  (void)t;
  const SIZE screen = b.ScreenSize();
  EXPECT_EQ(screen.cx, DisplayWidth(d, DefaultScreen(d)));
  EXPECT_EQ(screen.cy, DisplayHeight(d, DefaultScreen(d)));
  lvx::NativeWindowDesc desc;
  desc.className = "LumivexPixelTest";
  desc.title = "Screen Saver";
  desc.style = WS_POPUP | WS_VISIBLE;
  desc.exStyle = WS_EX_TOPMOST;
  desc.width = screen.cx;
  desc.height = screen.cy;
  const NativeId id = b.CreateWindow(desc);
  ASSERT_NE(id, 0u);
  b.ShowWindow(id, true);

  lvx::Surface s;
  s.trackDirty = true;
  s.Resize(screen.cx, screen.cy);
  // A red block and a green one near the bottom-right corner.
  for (int y = 100; y < 150; ++y)
    for (int x = 200; x < 260; ++x) s.Row(y)[x] = 0xFF0000;
  s.MarkDirty(200, 100, 260, 150);
  s.Row(screen.cy - 1)[screen.cx - 1] = 0x00FF00;
  s.MarkDirty(screen.cx - 1, screen.cy - 1, screen.cx, screen.cy);
  b.Present(id, s, true);
  EXPECT_FALSE(s.HasDirty());

  // Other X tests may cover us for a moment: raise and present again.
  EXPECT_TRUE(PollUntil([&] {
    b.Raise(id);
    b.Present(id, s, true);
    std::vector<NativeEvent> ignored;
    b.PollEvents(ignored);
    return ScreenPixel(d, 230, 120) == 0xFF0000 && ScreenPixel(d, 199, 120) == 0 &&
           ScreenPixel(d, screen.cx - 1, screen.cy - 1) == 0x00FF00;
  }));

  // Only the dirty part is pushed: a pixel changed far away without marking
  // stays old on screen.
  s.Row(500)[700] = 0x0000FF;
  s.Row(20)[20] = 0xFFFFFF;
  s.MarkDirty(20, 20, 21, 21);
  b.Present(id, s, false);
  EXPECT_TRUE(PollUntil([&] { return ScreenPixel(d, 20, 20) == 0xFFFFFF; }));
  EXPECT_EQ(ScreenPixel(d, 700, 500), 0u);
  b.DestroyWindow(id);
}

TEST_F(X11Test, FullScreenWindowShowsDrawnPixelsThroughSharedMemory) {
  unsetenv("LUMIVEX_X11_NO_SHM");
  auto b = OpenX11();
  ASSERT_TRUE(b);
  DrawAndCheck(*this, test_.get(), *b);
}

TEST_F(X11Test, FullScreenWindowShowsDrawnPixelsWithoutSharedMemory) {
  setenv("LUMIVEX_X11_NO_SHM", "1", 1);
  auto b = OpenX11();
  ASSERT_TRUE(b);
  DrawAndCheck(*this, test_.get(), *b);
}

TEST_F(X11Test, SaverWindowThroughWin32DrawsOnScreen) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "LumivexWin32PixelTest";
  wc.style = CS_OWNDC;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  ASSERT_NE(RegisterClassA(&wc), 0);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(w, DisplayWidth(test_.get(), DefaultScreen(test_.get())));
  HWND hwnd =
      CreateWindowExA(WS_EX_TOPMOST, "LumivexWin32PixelTest", "Screen Saver", WS_POPUP | WS_VISIBLE,
                      0, 0, w, h, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  // The HWND is the X window id.
  XWindowAttributes a{};
  ASSERT_TRUE(XGetWindowAttributes(test_.get(), reinterpret_cast<std::uintptr_t>(hwnd), &a));
  EXPECT_EQ(a.width, w);
  HDC dc = GetDC(hwnd);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  RECT r{300, 200, 340, 230};
  FillRect(dc, &r, blue);
  EXPECT_TRUE(PollUntil([&] {
    SetForegroundWindow(hwnd);
    FillRect(dc, &r, blue);
    lvx::PresentDirtyWindows();
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    return ScreenPixel(test_.get(), 320, 215) == 0x0000FF;
  }));
  DeleteObject(blue);
  ReleaseDC(hwnd, dc);
  DestroyWindow(hwnd);
}

TEST_F(X11Test, PreviewChildFillsForeignParentAndFollowsIt) {
  Display* d = test_.get();
  Window parent = XCreateSimpleWindow(d, DefaultRootWindow(d), 40, 40, 320, 200, 0, 0, 0);
  XMapWindow(d, parent);
  XSync(d, False);
  auto b = OpenX11();
  ASSERT_TRUE(b);
  EXPECT_TRUE(b->IsForeignWindow(parent));
  SIZE size{};
  ASSERT_TRUE(b->ForeignClientSize(parent, &size));
  EXPECT_EQ(size.cx, 320);
  EXPECT_EQ(size.cy, 200);

  lvx::NativeWindowDesc desc;
  desc.className = "LumivexPreviewTest";
  desc.title = "Preview";
  desc.style = WS_CHILD | WS_VISIBLE;
  desc.width = 152;  // what a caller might wrongly assume
  desc.height = 112;
  desc.parent = parent;
  const NativeId child = b->CreateWindow(desc);
  ASSERT_NE(child, 0u);
  EXPECT_FALSE(b->IsForeignWindow(child));
  b->ShowWindow(child, true);

  Window root = 0, childParent = 0, *kids = nullptr;
  unsigned int n = 0;
  ASSERT_TRUE(XQueryTree(d, static_cast<Window>(child), &root, &childParent, &kids, &n));
  if (kids) XFree(kids);
  EXPECT_EQ(childParent, parent);
  XWindowAttributes a{};
  ASSERT_TRUE(XGetWindowAttributes(d, static_cast<Window>(child), &a));
  EXPECT_EQ(a.width, 320);
  EXPECT_EQ(a.height, 200);
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(a.y, 0);
  // The window layer learns the real size.
  NativeEvent ev;
  ASSERT_TRUE(WaitEvent(
      *b, [&](const NativeEvent& e) { return e.kind == kResized && e.window == child; }, &ev));
  EXPECT_EQ(ev.area.right, 320);
  EXPECT_EQ(ev.area.bottom, 200);

  XResizeWindow(d, parent, 400, 300);
  XSync(d, False);
  ASSERT_TRUE(WaitEvent(
      *b, [&](const NativeEvent& e) { return e.kind == kResized && e.window == child; }, &ev));
  EXPECT_EQ(ev.area.right, 400);
  EXPECT_EQ(ev.area.bottom, 300);

  // The host program closes its window: the preview is told to end, and
  // destroying it afterwards is harmless.
  XDestroyWindow(d, parent);
  XSync(d, False);
  ASSERT_TRUE(
      WaitEvent(*b, [&](const NativeEvent& e) { return e.kind == kClosed && e.window == child; }));
  EXPECT_FALSE(b->IsForeignWindow(parent));
  EXPECT_FALSE(b->ForeignClientSize(parent, &size));
  lvx::Surface s;
  s.Resize(10, 10);
  b->Present(child, s, true);
  b->DestroyWindow(child);
  EXPECT_EQ(b->CreateWindow(desc), 0u) << "a vanished parent cannot take a child";
}

TEST_F(X11Test, RequestsToAPreviewWhoseParentVanishedFailQuietly) {
  Display* d = test_.get();
  Window parent = XCreateSimpleWindow(d, DefaultRootWindow(d), 40, 40, 320, 200, 0, 0, 0);
  XMapWindow(d, parent);
  XSync(d, False);
  auto b = OpenX11();
  ASSERT_TRUE(b);
  lvx::NativeWindowDesc desc;
  desc.className = "LumivexPreviewTest";
  desc.title = "Preview";
  desc.style = WS_CHILD | WS_VISIBLE;
  desc.parent = parent;
  const NativeId child = b->CreateWindow(desc);
  ASSERT_NE(child, 0u);
  b->ShowWindow(child, true);
  lvx::Surface s;
  s.Resize(320, 200);
  b->Present(child, s, true);
  std::vector<NativeEvent> ignored;
  b->PollEvents(ignored);

  // The host program dies while the preview draws: its requests reach the
  // server after the windows are gone, before the preview hears of it.
  testing::internal::CaptureStderr();
  XDestroyWindow(d, parent);
  XSync(d, False);
  for (int i = 0; i < 5; ++i) {
    s.MarkDirty(0, 0, 320, 200);
    b->Present(child, s, false);
    b->SetCursorVisible(child, false);
  }
  EXPECT_TRUE(
      WaitEvent(*b, [&](const NativeEvent& e) { return e.kind == kClosed && e.window == child; }));
  b->DestroyWindow(child);
  b.reset();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "") << "expected errors were printed";
}

TEST_F(X11Test, FullScreenWindowFollowsTheScreenSize) {
  Display* d = test_.get();
  auto b = OpenX11();
  ASSERT_TRUE(b);
  const SIZE screen = b->ScreenSize();
  lvx::NativeWindowDesc desc;
  desc.className = "LumivexRandrTest";
  desc.title = "Screen Saver";
  desc.style = WS_POPUP | WS_VISIBLE;
  desc.width = screen.cx;
  desc.height = screen.cy;
  const NativeId id = b->CreateWindow(desc);
  ASSERT_NE(id, 0u);
  b->ShowWindow(id, true);

  // What the server tells every client after a RandR size change (Xvfb
  // cannot change its size, so the test announces one).
  auto announce = [&](int width, int height) {
    XEvent ev{};
    ev.xconfigure.type = ConfigureNotify;
    ev.xconfigure.event = DefaultRootWindow(d);
    ev.xconfigure.window = DefaultRootWindow(d);
    ev.xconfigure.width = width;
    ev.xconfigure.height = height;
    XSendEvent(d, DefaultRootWindow(d), False, StructureNotifyMask, &ev);
    XFlush(d);
  };
  const int width = screen.cx - 256, height = screen.cy - 100;
  announce(width, height);
  NativeEvent ev;
  ASSERT_TRUE(WaitEvent(
      *b, [&](const NativeEvent& e) { return e.kind == kResized && e.window == id; }, &ev));
  EXPECT_EQ(ev.area.right, width);
  EXPECT_EQ(ev.area.bottom, height);
  EXPECT_EQ(b->ScreenSize().cx, width);
  EXPECT_EQ(b->ScreenSize().cy, height);
  XWindowAttributes a{};
  ASSERT_TRUE(XGetWindowAttributes(d, static_cast<Window>(id), &a));
  EXPECT_EQ(a.width, width);
  EXPECT_EQ(a.height, height);

  // And back; a nonsensical size is ignored.
  announce(0, 0);
  announce(screen.cx, screen.cy);
  ASSERT_TRUE(WaitEvent(
      *b, [&](const NativeEvent& e) { return e.kind == kResized && e.window == id; }, &ev));
  EXPECT_EQ(ev.area.right, screen.cx);
  EXPECT_EQ(b->ScreenSize().cy, screen.cy);
  b->DestroyWindow(id);
}

TEST_F(X11Test, BogusWindowIdsAreNotWindows) {
  auto b = OpenX11();
  ASSERT_TRUE(b);
  SIZE size{};
  EXPECT_FALSE(b->IsForeignWindow(0));
  EXPECT_FALSE(b->IsForeignWindow(0x1FFFFFF0u));  // unused id: BadWindow, trapped
  EXPECT_FALSE(b->IsForeignWindow(0xFFFFFFFFFFull));
  EXPECT_FALSE(b->ForeignClientSize(0x1FFFFFF0u, &size));
  EXPECT_TRUE(b->IsForeignWindow(DefaultRootWindow(test_.get())));
  b->Raise(0x1FFFFFF0u);  // must not end the process
  // Still talking to the server afterwards.
  EXPECT_GT(b->ScreenSize().cx, 0);
}

// The loop reads the connection before it sleeps only when something may
// wait in a client-side buffer, where poll() no longer sees it: an event
// that came in with a reply must not be left there.
TEST_F(X11Test, AnEventReadWithAReplyIsNeverLeftUnseen) {
  auto b = OpenX11();
  ASSERT_TRUE(b);
  const NativeId id = ShownWindow(*b, "LumivexUnseenTest", 0, 0, 200, 100, nullptr);
  ASSERT_NE(id, 0u);
  const Window w = static_cast<Window>(id);
  std::vector<NativeEvent> events;
  b->PollEvents(events);
  EXPECT_FALSE(b->MayHoldUnseenEvents()) << "everything was just taken";

  XEvent ev{};
  ev.xkey.type = KeyPress;
  ev.xkey.keycode = XKeysymToKeycode(test_.get(), XK_b);
  ev.xkey.same_screen = True;
  Send(w, ev);
  XSync(test_.get(), False);  // the server queued it for us before the reply below
  b->CursorPos();  // a round trip: the key comes in with its reply
  pollfd fd{b->EventFd(), POLLIN, 0};
  ASSERT_EQ(poll(&fd, 1, 0), 0) << "the key must sit in our buffers, not on the connection";
  EXPECT_TRUE(b->MayHoldUnseenEvents());
  events.clear();
  b->TakeEvents(events, true);
  bool key = false;
  for (const NativeEvent& e : events) key |= e.kind == kInput && e.message == WM_KEYDOWN;
  EXPECT_TRUE(key);
  EXPECT_FALSE(b->MayHoldUnseenEvents());
  b->DestroyWindow(id);
}

TEST_F(X11Test, KeyButtonAndMotionArriveWithClientCoordinates) {
  auto b = OpenX11();
  ASSERT_TRUE(b);
  NativeEvent exposed;
  const NativeId id = ShownWindow(*b, "LumivexInputTest", 50, 60, 300, 200, &exposed);
  ASSERT_NE(id, 0u);
  const Window w = static_cast<Window>(id);
  Display* d = test_.get();
  EXPECT_EQ(exposed.window, id);
  EXPECT_LT(exposed.area.left, exposed.area.right);
  EXPECT_LE(exposed.area.right, 300);
  EXPECT_LE(exposed.area.bottom, 200);

  XEvent ev{};
  ev.xkey.type = KeyPress;
  ev.xkey.keycode = XKeysymToKeycode(d, XK_a);
  ev.xkey.same_screen = True;
  Send(w, ev);
  NativeEvent got;
  ASSERT_TRUE(WaitEvent(
      *b, [](const NativeEvent& e) { return e.kind == kInput; }, &got));
  EXPECT_EQ(got.window, id);
  EXPECT_EQ(got.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(got.wParam, static_cast<WPARAM>('A'));

  ev.xkey.keycode = XKeysymToKeycode(d, XK_Escape);
  ev.xkey.state = Mod1Mask;  // Alt held
  Send(w, ev);
  ASSERT_TRUE(WaitEvent(
      *b, [](const NativeEvent& e) { return e.kind == kInput; }, &got));
  EXPECT_EQ(got.message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(got.wParam, static_cast<WPARAM>(VK_ESCAPE));

  const struct {
    unsigned int button;
    UINT message;
  } buttons[] = {{Button1, WM_LBUTTONDOWN}, {Button2, WM_MBUTTONDOWN}, {Button3, WM_RBUTTONDOWN}};
  for (const auto& bt : buttons) {
    XEvent be{};
    be.xbutton.type = ButtonPress;
    be.xbutton.button = bt.button;
    be.xbutton.x = 12;
    be.xbutton.y = 34;
    be.xbutton.x_root = 62;
    be.xbutton.y_root = 94;
    be.xbutton.same_screen = True;
    Send(w, be);
    ASSERT_TRUE(WaitEvent(
        *b, [](const NativeEvent& e) { return e.kind == kInput; }, &got));
    EXPECT_EQ(got.message, bt.message);
    EXPECT_EQ(GET_X_LPARAM(got.lParam), 12);
    EXPECT_EQ(GET_Y_LPARAM(got.lParam), 34);
  }

  // Real pointer motion through the server gives client coordinates.
  EXPECT_TRUE(PollUntil([&] {
    b->Raise(id);
    b->SetCursorPos(50 + 100, 60 + 70);
    std::vector<NativeEvent> events;
    b->PollEvents(events);
    for (const NativeEvent& e : events)
      if (e.kind == kInput && e.message == WM_MOUSEMOVE && GET_X_LPARAM(e.lParam) == 100 &&
          GET_Y_LPARAM(e.lParam) == 70)
        return true;
    return false;
  }));
  const POINT p = b->CursorPos();
  EXPECT_EQ(p.x, 150);
  EXPECT_EQ(p.y, 130);
  b->SetCursorVisible(id, false);
  b->SetCursorVisible(id, true);
  b->DestroyWindow(id);
}

TEST_F(X11Test, FindWindowAFindsTheWindowOfAnotherProcess) {
  const std::string cls = "LumivexFindTest" + std::to_string(getpid());
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Another process: its own connection and its own window.
    close(ready[0]);
    close(done[1]);
    auto other = lvx::MakeX11Backend();
    lvx::NativeWindowDesc desc;
    desc.className = cls;
    desc.title = "Screen Saver";
    desc.width = 64;
    desc.height = 48;
    NativeId id = other ? other->CreateWindow(desc) : 0;
    if (other) {
      other->ShowWindow(id, true);
      int timeout = 0;
      other->GetScreenSaverTimeout(&timeout);  // a round trip: the window exists now
    }
    unsigned long long value = id;
    if (write(ready[1], &value, sizeof value) != sizeof value) _exit(2);
    char c;
    while (read(done[0], &c, 1) > 0) {
    }
    other.reset();
    _exit(0);
  }
  close(ready[1]);
  close(done[0]);
  unsigned long long otherId = 0;
  ASSERT_EQ(read(ready[0], &otherId, sizeof otherId), static_cast<ssize_t>(sizeof otherId));
  ASSERT_NE(otherId, 0u);

  HWND found = nullptr;
  EXPECT_TRUE(
      PollUntil([&] { return (found = FindWindowA(cls.c_str(), "Screen Saver")) != nullptr; }));
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(found), otherId);
  // Names match without regard to case, as Win32 does.
  auto& b = lvx::CurrentBackend();
  EXPECT_EQ(b.FindForeignWindow(cls, "SCREEN SAVER"), otherId);
  EXPECT_EQ(b.FindForeignWindow(cls, "Preview"), 0u);
  EXPECT_EQ(b.FindForeignWindow(cls + "X", "Screen Saver"), 0u);
  EXPECT_TRUE(IsWindow(found));

  close(done[1]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  close(ready[0]);
  EXPECT_TRUE(PollUntil([&] { return b.FindForeignWindow(cls, "Screen Saver") == 0; }));
}

TEST_F(X11Test, ScreenSaverTimeoutIsTheServers) {
  int original = 0;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &original, 0));
  ASSERT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, 420, nullptr, 0));
  int timeout = 0, interval = 0, blanking = 0, exposures = 0;
  XGetScreenSaver(test_.get(), &timeout, &interval, &blanking, &exposures);
  EXPECT_EQ(timeout, 420);
  int readBack = 0;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &readBack, 0));
  EXPECT_EQ(readBack, 420);
  EXPECT_TRUE(
      SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, static_cast<UINT>(original), nullptr, 0));
}

}  // namespace
