#include "tests/platform/user/recorder.h"

namespace lvx::test {
namespace {

Hook& CurrentHook() {
  static Hook hook;
  return hook;
}

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Log().push_back(Seen{hwnd, msg, wParam, lParam});
  LRESULT result = 0;
  if (CurrentHook() && CurrentHook()(hwnd, msg, wParam, lParam, &result)) return result;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

std::vector<Seen>& Log() {
  static std::vector<Seen> log;
  return log;
}

std::vector<UINT> Messages(HWND only) {
  std::vector<UINT> out;
  for (const Seen& s : Log()) {
    if (only == nullptr || s.hwnd == only) out.push_back(s.msg);
  }
  return out;
}

void SetHook(Hook hook) { CurrentHook() = std::move(hook); }

void RegisterRecorder(HBRUSH background) {
  WNDCLASSA wc{};
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = RecordingProc;
  wc.hbrBackground = background;
  wc.lpszClassName = "Recorder";
  RegisterClassA(&wc);
}

HWND MakeWindow(DWORD style, int x, int y, int w, int h, HWND parent, const char* title) {
  return CreateWindowExA(0, "Recorder", title, style, x, y, w, h, parent, nullptr, nullptr,
                         nullptr);
}

int PumpPending() {
  int n = 0;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageA(&m);
    ++n;
  }
  return n;
}

}  // namespace lvx::test
