// Internal to platform/: what other platform areas may ask the window layer.
#pragma once

#include <string>

#include "platform/backend/backend.h"
#include "platform/gdi/surface.h"
#include "platform/winapi.h"

namespace lvx {

// Shows windows that the display does not: the dialogs and their controls.
// Their classes are registered with RegisterHostedClass; the registry keeps
// their state (and surfaces) like any other window's and tells the host
// what to show. Ids from a host never collide with the display's.
class WindowHost {
 public:
  virtual ~WindowHost() = default;
  virtual NativeId CreateWindow(const NativeWindowDesc& desc) = 0;
  virtual void DestroyWindow(NativeId id) = 0;
  virtual void ShowWindow(NativeId id, bool show) = 0;
  virtual void MoveWindow(NativeId id, int x, int y, int width, int height) = 0;
  virtual void SetTitle(NativeId id, const std::string& title) = 0;
  virtual void Raise(NativeId id) = 0;
  virtual void Present(NativeId id, Surface& surface, bool all) = 0;
  virtual void EnableWindow(NativeId id, bool enable) = 0;
  virtual void SetFocus(NativeId id) = 0;
};

// A window class whose windows `host` shows (0 when the name is taken).
ATOM RegisterHostedClass(const WNDCLASSA* wc, WindowHost* host);

// Changes a window's recorded position without telling its display (the
// display moved it: a dialog dragged on screen).
void NoteWindowMoved(HWND hwnd, int x, int y);
// Records the focus the display gave to one of our windows, sending
// WM_KILLFOCUS / WM_SETFOCUS as SetFocus does, without telling the display.
void NoteFocus(HWND hwnd);

// For a message loop that waits elsewhere (GTK's main loop): the descriptors
// that wake ours and the milliseconds until the next timer of ours is due
// (-1: none).
struct MessageWaitSources {
  int fds[2] = {-1, -1};
  int count = 0;
  int timeoutMs = -1;
};
MessageWaitSources CurrentMessageWaitSources();
// Empties the wake descriptor after such a wait.
void ClearMessageWake();

// A running timer's period in milliseconds; false when there is none.
bool TimerPeriod(HWND hwnd, UINT_PTR id, UINT* periodMs);
// Delivers one tick of a running timer now and starts its next period;
// false when there is none.
bool FireTimerNow(HWND hwnd, UINT_PTR id);

// Pushes the dirty regions of every visible window of ours to the display.
// Called after each dispatched message and by Sleep, so drawing done inside a
// handler that pauses becomes visible. Does nothing off the window thread.
void PresentDirtyWindows();

// The pixels of one of our windows; nullptr for anything else.
Surface* WindowSurface(HWND hwnd);

// The window's own DC (what GetDC returns); nullptr for anything else.
HDC WindowDC(HWND hwnd);

// Our first top-level window still alive (the saver window), or nullptr.
// Message boxes use it as their owner.
HWND TopLevelSaverWindow();

// True on the thread that runs the message loop (the first one that created
// a window or pumped messages), or when none has done so yet.
bool OnWindowThread();

}  // namespace lvx
