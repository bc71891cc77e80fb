// A window class that records every message it receives, so tests can
// compare the sequence with an expected table.
#pragma once

#include <functional>
#include <vector>

#include "platform/winapi.h"

namespace lvx::test {

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Everything the recording procedure saw, in order.
std::vector<Seen>& Log();
// Only the message numbers, optionally for one window.
std::vector<UINT> Messages(HWND only = nullptr);
// Per-test behaviour: return true and set *result to answer a message
// instead of DefWindowProcA.
using Hook = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;
void SetHook(Hook hook);

// Registers "Recorder" (CS_OWNDC, the given background brush).
void RegisterRecorder(HBRUSH background = nullptr);
HWND MakeWindow(DWORD style = WS_POPUP | WS_VISIBLE, int x = 0, int y = 0, int w = 64, int h = 48,
                HWND parent = nullptr, const char* title = "Recorder");
// Dispatches everything already waiting (PeekMessageA), returns how many.
int PumpPending();

}  // namespace lvx::test
