// Interim program: opens the full-screen saver window and draws a small sky
// through the platform layer until a key, a button or SIGTERM ends it. The
// saver's host replaces this file.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/winapi.h"

namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr int kStars = 400;

struct Star {
  int x, y, phase;
};
Star g_stars[kStars];
unsigned g_seed = 12345;
int g_frame = 0;

int Next(int n) {
  g_seed = g_seed * 1103515245u + 12345u;
  return n > 0 ? static_cast<int>((g_seed >> 8) % static_cast<unsigned>(n)) : 0;
}

void DrawFrame(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  RECT rc;
  GetClientRect(hwnd, &rc);
  for (Star& s : g_stars) {
    double t = (g_frame + s.phase) * 0.08;
    int level = 60 + static_cast<int>(80 * (1 + std::sin(t)));
    SetPixel(dc, s.x, s.y, RGB(level, level, level + 40 > 255 ? 255 : level + 40));
  }
  // A caption that says what this build is.
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(180, 200, 255));
  static HFONT font = CreateFontA(-28, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                                  "Arial");
  HGDIOBJ old = SelectObject(dc, font);
  const char* text = "Lumivex";
  SIZE sz{};
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &sz);
  TextOutA(dc, (rc.right - sz.cx) / 2, (rc.bottom - sz.cy) / 2, text,
           static_cast<int>(std::strlen(text)));
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      RECT rc;
      GetClientRect(hwnd, &rc);
      for (Star& s : g_stars) s = {Next(rc.right), Next(rc.bottom), Next(100)};
      SetTimer(hwnd, kFrameTimer, 40, nullptr);
      SetCursor(nullptr);
      return 0;
    }
    case WM_TIMER:
      ++g_frame;
      DrawFrame(hwnd);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      PostMessageA(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kFrameTimer);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  lvx::SetProcessArguments(argc, argv);
  WNDCLASSA wc{};
  wc.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "WindowsScreenSaverClass";
  if (!RegisterClassA(&wc)) return 1;
  HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Screen Saver",
                              WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                              GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, wc.hInstance,
                              nullptr);
  if (!hwnd) {
    std::fprintf(stderr, "lumivex: cannot create the saver window\n");
    return 1;
  }
  SetForegroundWindow(hwnd);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
