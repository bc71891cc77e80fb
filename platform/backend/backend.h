// Internal to platform/: the display behind the windows. One small table of
// operations, implemented by the X11 display and by the headless display.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/surface.h"
#include "platform/winapi.h"

namespace lvx {

using NativeId = std::uintptr_t;  // the HWND value: an X window id, or a small integer headless

struct NativeWindowDesc {
  std::string className;
  std::string title;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, width = 0, height = 0;
  NativeId parent = 0;  // 0: top level; else our own or a foreign window
};

// What the display reports; the window manager turns these into messages.
struct NativeEvent {
  enum class Kind { Input, Expose, Resized, Closed };
  Kind kind = Kind::Input;
  NativeId window = 0;
  UINT message = 0;  // Input: WM_KEYDOWN, WM_SYSKEYDOWN, WM_MOUSEMOVE, WM_xBUTTONDOWN ...
  WPARAM wParam = 0;
  LPARAM lParam = 0;  // client coordinates for mouse messages
  RECT area{};        // Expose: what to repaint; Resized: new client size in right/bottom
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* Name() const = 0;

  virtual SIZE ScreenSize() = 0;

  // Creates the native side of a window; returns its id, 0 on failure.
  virtual NativeId CreateWindow(const NativeWindowDesc& desc) = 0;
  virtual void DestroyWindow(NativeId id) = 0;
  virtual void ShowWindow(NativeId id, bool show) = 0;
  virtual void MoveWindow(NativeId id, int x, int y, int width, int height) = 0;
  virtual void SetTitle(NativeId id, const std::string& title) = 0;
  // Brings a window to the front and gives it the input focus.
  virtual void Raise(NativeId id) = 0;
  // A live window that this process did not create (for previews and FindWindowA).
  virtual bool IsForeignWindow(NativeId id) = 0;
  // Client size of a foreign window; false if it is not a live window.
  virtual bool ForeignClientSize(NativeId id, SIZE* size) = 0;
  // A window of another process on the same display with this class and title.
  virtual NativeId FindForeignWindow(const std::string& className, const std::string& title) = 0;

  // Pushes the surface's dirty regions (or everything when `all`) to the
  // screen and clears the record.
  virtual void Present(NativeId id, Surface& surface, bool all) = 0;
  // Pushes one area of the surface (an exposure) whatever is dirty; the
  // dirty record stays as it is.
  virtual void PresentArea(NativeId id, Surface& surface, const RECT& area) = 0;
  // True when a window that becomes visible is followed by an Expose of
  // what shows, so presenting it at once would only be done twice.
  virtual bool ExposesWhenShown() const { return false; }

  // File descriptor to poll() for events, -1 when events only come from tests.
  virtual int EventFd() = 0;
  // Moves pending display events into `out` without blocking.
  virtual void PollEvents(std::vector<NativeEvent>& out) = 0;
  // The same, but reads the connection only when `readable` (poll() saw
  // data on EventFd()); events the display library already holds are taken
  // either way. Saves a system call per wake-up that brought no event.
  virtual void TakeEvents(std::vector<NativeEvent>& out, bool readable) {
    (void)readable;
    PollEvents(out);
  }

  // Whether the display library may hold events read from the connection
  // that poll() on EventFd() can no longer see (then the loop reads before
  // it sleeps). False only when nothing was asked of the display since the
  // library last read everything the connection had.
  virtual bool MayHoldUnseenEvents() { return true; }

  virtual POINT CursorPos() = 0;
  virtual void SetCursorPos(int x, int y) = 0;
  virtual void SetCursorVisible(NativeId id, bool visible) = 0;

  // The display's screen-saver timeout in seconds; false when unavailable.
  virtual bool GetScreenSaverTimeout(int* seconds) = 0;
  virtual bool SetScreenSaverTimeout(int seconds) = 0;
};

// The display of this process, chosen on first use by LUMIVEX_DISPLAY
// (x11 | headless), else x11 when DISPLAY is set, else headless. An X11
// display that cannot be opened ends the program (exit code 1) with one line
// on standard error.
Backend& CurrentBackend();
// Tests: drop the current display so the next use chooses again.
void ResetBackendForTests();

// Constructors of the two displays.
std::unique_ptr<Backend> MakeHeadlessBackend();
std::unique_ptr<Backend> MakeX11Backend();  // nullptr when X cannot be opened

// Writes the surface as an RGB PNG file; false on failure.
bool WriteSurfacePng(const Surface& surface, const std::string& path);

}  // namespace lvx
