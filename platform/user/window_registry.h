// Internal to platform/: what other platform areas may ask the window layer.
#pragma once

#include "platform/gdi/surface.h"
#include "platform/winapi.h"

namespace lvx {

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
