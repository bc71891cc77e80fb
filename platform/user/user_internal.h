// Internal to platform/user: the window registry and the queue share this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/gdi/surface.h"
#include "platform/user/window_registry.h"
#include "platform/winapi.h"

namespace lvx::user {

struct Window {
  HWND hwnd = nullptr;
  std::string className;
  UINT classStyle = 0;
  WNDPROC proc = nullptr;
  HBRUSH classBrush = nullptr;
  std::string title;
  DWORD style = 0;  // WS_VISIBLE mirrors `visible`
  DWORD exStyle = 0;
  LONG_PTR userData = 0;
  LONG_PTR controlId = 0;                   // a child's id (the hMenu argument)
  std::vector<unsigned char> extra;         // the class's cbWndExtra bytes
  WindowHost* host = nullptr;               // nullptr: the display shows it
  int x = 0, y = 0, width = 0, height = 0;  // relative to the parent's client area
  HWND parent = nullptr;                    // ours or a foreign window
  HWND owner = nullptr;                     // a popup's owner (a non-child with our parent)
  bool parentIsOurs = false;
  bool visible = false;
  bool destroying = false;

  Surface surface;
  HDC dc = nullptr;

  bool invalid = false;  // needs WM_PAINT
  RECT invalidRect{};
  bool erasePending = false;
  bool lastEraseFailed = false;

  // Snapshots (top-level windows only, when LUMIVEX_SNAPSHOT is set).
  std::string snapshotDir;
  long snapshotEvery = 0;
  long timerDispatches = 0;
};

inline NativeId Id(HWND h) { return reinterpret_cast<NativeId>(h); }
inline HWND Handle(NativeId id) { return reinterpret_cast<HWND>(id); }

// Registry (window thread only).
Window* Find(HWND hwnd);
// Our windows in creation order.
std::vector<HWND> AllWindows();
// The same without a copy, for loops that create and destroy no window.
const std::vector<HWND>& WindowOrder();
// Our windows whose parent is not one of ours (the saver window, previews).
std::vector<HWND> TopLevelWindows();
// Screen position of a window's client origin.
POINT ClientOrigin(const Window& w);
// Where the window's native side lives: its host, else the display.
class NativeSide {
 public:
  explicit NativeSide(const Window& w) : w_(w) {}
  void Show(bool show);
  void Move(int x, int y, int width, int height);
  void SetTitle(const std::string& title);
  void Raise();
  void Present(Surface& surface, bool all);
  void Destroy();

 private:
  const Window& w_;
};

// Queue side, used by the registry.
void NoteWindowThread();
// Milliseconds of the monotonic clock, wrapping at 32 bits (MSG::time).
DWORD TickNow();
void AddLiveHandle(HWND hwnd);
void RemoveLiveHandle(HWND hwnd);  // also drops its posted messages
void KillWindowTimers(HWND hwnd);
void InstallSignalHandlers();
void ResetWindowsForTests();
void ResetQueueForTests();
void ResetCursorForTests();
// The cursor state a newly created window must take on.
void ApplyCursorToWindow(HWND hwnd);

// Calls a window procedure; an escaping exception is logged, never propagated.
LRESULT CallProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Snapshot support.
void WriteSnapshot(Window& w, const std::string& name);

}  // namespace lvx::user
