// Windows: attributes, painting, hierarchy, previews, input, cursor, snapshots.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/backend/headless/headless.h"
#include "platform/user/window_registry.h"
#include "tests/platform/user/recorder.h"
#include "tests/support/test_support.h"

using namespace lvx::test;

namespace {

lvx::NativeId Native(HWND h) { return reinterpret_cast<lvx::NativeId>(h); }

lvx::NativeEvent InputEvent(HWND w, UINT msg, int x, int y, WPARAM wParam = 0) {
  lvx::NativeEvent ev;
  ev.window = Native(w);
  ev.message = msg;
  ev.wParam = wParam;
  ev.lParam = MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
  return ev;
}

// Decodes an RGB PNG into 0x00RRGGBB pixels; empty on failure.
std::vector<std::uint32_t> ReadPng(const std::string& path, int* w, int* h) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) return {};
  img.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr)) return {};
  *w = static_cast<int>(img.width);
  *h = static_cast<int>(img.height);
  std::vector<std::uint32_t> out(rgb.size() / 3);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = (rgb[3 * i] << 16) | (rgb[3 * i + 1] << 8) | rgb[3 * i + 2];
  }
  return out;
}

}  // namespace

TEST(Windows, ClassAndCreationMisuseFails) {
  WNDCLASSA wc{};
  wc.lpszClassName = "NoProc";
  EXPECT_EQ(RegisterClassA(&wc), 0);
  EXPECT_EQ(RegisterClassA(nullptr), 0);
  RegisterRecorder();
  WNDCLASSA again{};
  again.lpfnWndProc = DefWindowProcA;
  again.lpszClassName = "RECORDER";  // class names ignore case
  EXPECT_EQ(RegisterClassA(&again), 0);
  EXPECT_EQ(
      CreateWindowExA(0, "Unknown", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  EXPECT_EQ(MakeWindow(WS_CHILD), nullptr) << "a child needs a parent";
  EXPECT_EQ(MakeWindow(WS_CHILD, 0, 0, 5, 5, reinterpret_cast<HWND>(0x4242)), nullptr);
  HWND w = MakeWindow(WS_POPUP);
  EXPECT_FALSE(UnregisterClassA("Recorder", nullptr)) << "still in use";
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClassA("Recorder", nullptr));
  EXPECT_EQ(Log().size(), 3u) << "create, destroy, ncdestroy and nothing for the failures";
}

TEST(Windows, AttributesTextAndLookup) {
  RegisterRecorder();
  HWND w = CreateWindowExA(WS_EX_TOPMOST, "Recorder", "Screen Saver", WS_POPUP | WS_VISIBLE, 0, 0,
                           50, 40, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(SetWindowLongA(w, GWL_EXSTYLE, WS_EX_TOOLWINDOW), WS_EX_TOPMOST);
  EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE), WS_EX_TOOLWINDOW);

  EXPECT_EQ(FindWindowA("windowsScreenSaverClass", nullptr), nullptr);
  EXPECT_EQ(FindWindowA("RECORDER", "screen saver"), w);
  EXPECT_EQ(FindWindowA("Recorder", "Other"), nullptr);

  char buf[8];
  std::memset(buf, 'Z', sizeof buf);
  EXPECT_EQ(GetWindowTextA(w, buf, 4), 3);
  EXPECT_STREQ(buf, "Scr");
  EXPECT_EQ(buf[4], 'Z') << "nothing written past the given size";

  // A procedure that refuses WM_SETTEXT keeps its title.
  SetHook([](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m != WM_SETTEXT) return false;
    *r = 0;
    return true;
  });
  EXPECT_FALSE(SetWindowTextA(w, "Changed"));
  SetHook(nullptr);
  EXPECT_TRUE(SetWindowTextA(w, "Changed"));
  EXPECT_EQ(lvx::CurrentHeadless()->Title(Native(w)), "Changed");
}

TEST(Windows, EraseFillsWithClassBrushAndPaintValidates) {
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  RegisterRecorder(blue);
  HWND w = MakeWindow(WS_POPUP | WS_VISIBLE, 0, 0, 20, 10);
  lvx::Surface* s = lvx::WindowSurface(w);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->pixels[0], 0x0000FFu);
  EXPECT_EQ(s->pixels[20 * 10 - 1], 0x0000FFu);
  EXPECT_EQ(lvx::CurrentHeadless()->Stats(Native(w)).fullPresents, 1) << "shown at once";
  PumpPending();

  RECT a{1, 1, 3, 3}, b{5, 2, 8, 9};
  InvalidateRect(w, &a, FALSE);
  InvalidateRect(w, &b, FALSE);
  RECT painted{};
  SetHook([&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    EXPECT_EQ(BeginPaint(h, &ps), GetDC(h));
    painted = ps.rcPaint;
    EndPaint(h, &ps);
    return true;
  });
  Log().clear();
  PumpPending();
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_PAINT}));
  EXPECT_EQ(painted.left, 1);
  EXPECT_EQ(painted.top, 1);
  EXPECT_EQ(painted.right, 8);
  EXPECT_EQ(painted.bottom, 9);
}

TEST(Windows, DrawingInAHandlerIsPresentedAfterDispatch) {
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP | WS_VISIBLE, 0, 0, 200, 100);
  PumpPending();
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SetHook([red](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m != WM_USER) return false;
    RECT r{10, 20, 14, 23};
    FillRect(GetDC(h), &r, red);
    return true;
  });
  int before = lvx::CurrentHeadless()->Stats(Native(w)).presents;
  PostMessageA(w, WM_USER, 0, 0);
  PumpPending();
  auto stats = lvx::CurrentHeadless()->Stats(Native(w));
  EXPECT_EQ(stats.presents, before + 1);
  ASSERT_FALSE(stats.lastRegions.empty());
  bool covered = false;
  for (const RECT& r : stats.lastRegions) {
    covered |= r.left <= 10 && r.top <= 20 && r.right >= 14 && r.bottom >= 23;
  }
  EXPECT_TRUE(covered);
  EXPECT_FALSE(lvx::WindowSurface(w)->HasDirty());
  DeleteObject(red);
}

TEST(Windows, ChildrenGeometryAndDestructionOrder) {
  RegisterRecorder();
  HWND parent = MakeWindow(WS_POPUP | WS_VISIBLE, 100, 50, 300, 200);
  HWND child = MakeWindow(WS_CHILD | WS_VISIBLE, 10, 20, 30, 40, parent);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), parent);
  POINT p{1, 2};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 111);
  EXPECT_EQ(p.y, 72);
  EXPECT_EQ(FindWindowA(nullptr, "Recorder"), parent) << "only top-level windows are found";

  ShowWindow(parent, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(child)) << "hidden with its parent";
  EXPECT_FALSE(lvx::CurrentHeadless()->IsShown(Native(parent)));

  Log().clear();
  SetTimer(child, 1, 10, nullptr);
  DestroyWindow(parent);
  std::vector<std::pair<HWND, UINT>> want{
      {parent, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {parent, WM_NCDESTROY}};
  ASSERT_EQ(Log().size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(Log()[i].hwnd, want[i].first) << i;
    EXPECT_EQ(Log()[i].msg, want[i].second) << i;
  }
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(KillTimer(child, 1));
}

TEST(Windows, PreviewInsideForeignWindowTakesItsSize) {
  lvx::NativeId foreign = lvx::CurrentHeadless()->AddForeignWindow(152, 112);
  HWND fh = reinterpret_cast<HWND>(foreign);
  EXPECT_TRUE(IsWindow(fh));
  RECT pr{};
  ASSERT_TRUE(GetClientRect(fh, &pr));
  EXPECT_EQ(pr.right, 152);
  EXPECT_EQ(pr.bottom, 112);
  RegisterRecorder();
  HWND preview = MakeWindow(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, pr.right, pr.bottom, fh);
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(lvx::WindowSurface(preview)->width, 152);
  EXPECT_EQ(GetParent(preview), fh);
  EXPECT_EQ(lvx::TopLevelSaverWindow(), preview) << "the preview is our outermost window";
  EXPECT_FALSE(PostMessageA(fh, WM_HELP, 0, 0)) << "another program's queue is out of reach";
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(foreign + 100)));
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
}

TEST(Windows, MoveWindowResizesTheSurface) {
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP, 0, 0, 10, 10);
  Log().clear();
  MoveWindow(w, 5, 6, 70, 30, TRUE);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_MOVE, WM_SIZE}));
  EXPECT_EQ(Log()[1].lParam, MAKELPARAM(70, 30));
  EXPECT_EQ(lvx::WindowSurface(w)->width, 70);
  EXPECT_EQ(lvx::WindowSurface(w)->height, 30);
  EXPECT_TRUE(MoveWindow(w, 0, 0, 1 << 30, 2, FALSE)) << "absurd sizes are capped, not allocated";
  EXPECT_EQ(lvx::WindowSurface(w)->width, 16384);
  MoveWindow(w, 0, 0, 4, -7, FALSE);
  EXPECT_EQ(lvx::WindowSurface(w)->height, 0);
}

TEST(Windows, HeadlessInputArrivesWithClientCoordinates) {
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP | WS_VISIBLE, 100, 50, 300, 200);
  HWND child = MakeWindow(WS_CHILD | WS_VISIBLE, 200, 100, 50, 50, w);
  PumpPending();
  lvx::HeadlessBackend* hb = lvx::CurrentHeadless();
  hb->Inject(InputEvent(w, WM_LBUTTONDOWN, 30, 40, MK_LBUTTON));
  hb->Inject(InputEvent(w, WM_KEYDOWN, 0, 0, VK_ESCAPE));
  hb->MovePointer(110, 60);   // over w
  hb->MovePointer(305, 155);  // over the child
  hb->MovePointer(5, 5);      // over nothing of ours
  MSG m;
  ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.hwnd, w);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(GET_X_LPARAM(m.lParam), 30);
  EXPECT_EQ(GET_Y_LPARAM(m.lParam), 40);
  EXPECT_EQ(m.pt.x, 130);
  EXPECT_EQ(m.pt.y, 90);
  ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(m.wParam, static_cast<WPARAM>(VK_ESCAPE));
  ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(m.lParam, MAKELPARAM(10, 10));
  ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.hwnd, child);
  EXPECT_EQ(m.lParam, MAKELPARAM(5, 5));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  POINT cur{};
  GetCursorPos(&cur);
  EXPECT_EQ(cur.x, 5);
  SetCursorPos(101, 52);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "a warp moves like a hand";
  EXPECT_EQ(m.lParam, MAKELPARAM(1, 2));
}

TEST(Windows, CursorHidingReachesEveryWindow) {
  RegisterRecorder();
  HWND a = MakeWindow();
  lvx::HeadlessBackend* hb = lvx::CurrentHeadless();
  EXPECT_TRUE(hb->CursorVisible(Native(a)));
  HCURSOR arrow = SetCursor(nullptr);
  EXPECT_NE(arrow, nullptr);
  EXPECT_FALSE(hb->CursorVisible(Native(a)));
  HWND b = MakeWindow();
  EXPECT_FALSE(hb->CursorVisible(Native(b))) << "new windows inherit the hidden cursor";
  EXPECT_EQ(SetCursor(arrow), nullptr);
  EXPECT_TRUE(hb->CursorVisible(Native(a)));
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_FALSE(hb->CursorVisible(Native(b)));
  EXPECT_EQ(ShowCursor(TRUE), 0);
  EXPECT_TRUE(hb->CursorVisible(Native(b)));
}

TEST(Windows, ProcedureExceptionsStayInside) {
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP);
  SetHook([](HWND, UINT m, WPARAM, LPARAM, LRESULT*) -> bool {
    if (m == WM_USER) throw std::runtime_error("boom");
    return false;
  });
  testing::internal::CaptureStderr();
  EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("boom"), std::string::npos);
  EXPECT_TRUE(IsWindow(w));
}

TEST(Windows, SnapshotsHoldTheDrawnPixels) {
  std::string dir = MakeTempDir("snaps");
  setenv("LUMIVEX_SNAPSHOT", dir.c_str(), 1);
  setenv("LUMIVEX_SNAPSHOT_EVERY", "2", 1);
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP | WS_VISIBLE, 0, 0, 40, 30);
  int frame = 0;
  SetHook([&frame](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_TIMER) {
      lvx::Surface* s = lvx::WindowSurface(h);
      s->Row(5)[7 + frame] = 0x00FF8000u;  // one more orange pixel each frame
      s->MarkDirty(7 + frame, 5, 8 + frame, 6);
      if (++frame == 3) DestroyWindow(h);
    }
    if (m == WM_DESTROY) {
      // Teardown draws black; the final picture is the one before it.
      lvx::WindowSurface(h)->Row(5)[9] = 0;
      PostQuitMessage(0);
    }
    return false;
  });
  SetTimer(w, 1, 10, nullptr);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);

  int pw = 0, ph = 0;
  std::vector<std::uint32_t> px = ReadPng(dir + "/lumivex-000002.png", &pw, &ph);
  ASSERT_EQ(px.size(), 40u * 30u);
  EXPECT_EQ(pw, 40);
  EXPECT_EQ(px[5 * 40 + 7], 0xFF8000u);
  EXPECT_EQ(px[5 * 40 + 8], 0xFF8000u);
  EXPECT_EQ(px[5 * 40 + 9], 0u) << "frame 3 came after this snapshot";
  px = ReadPng(dir + "/lumivex-final.png", &pw, &ph);
  ASSERT_EQ(px.size(), 40u * 30u);
  EXPECT_EQ(px[5 * 40 + 9], 0xFF8000u);
  EXPECT_FALSE(FileExists(dir + "/lumivex-000004.png"));
}
