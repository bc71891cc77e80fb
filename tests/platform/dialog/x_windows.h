// Top-level windows of the test display as a person meets them: found by
// their title once they are on the screen, and closed with the title bar's
// close button. Include it after every other header (Xlib's macros).
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <thread>

namespace lvx::test {

// The title of a top-level window: its WM_NAME, or the UTF-8 _NET_WM_NAME
// GTK sets when `utf8`; "" when it has none.
inline std::string WindowTitle(Display* d, Window w, bool utf8) {
  std::string title;
  if (!utf8) {
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name) {
      title = name;
      XFree(name);
    }
    return title;
  }
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 256, False,
                         XInternAtom(d, "UTF8_STRING", False), &type, &format, &items, &after,
                         &data) == Success &&
      data) {
    title.assign(reinterpret_cast<char*>(data), items);
    XFree(data);
  }
  return title;
}

// A viewable top-level window with this title, or 0.
inline Window FindViewable(Display* d, const std::string& title, bool utf8 = false) {
  Window root = 0, parent = 0, *kids = nullptr;
  unsigned int n = 0;
  Window found = 0;
  if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n)) return 0;
  for (unsigned int i = 0; i < n && !found; ++i) {
    XWindowAttributes a{};
    if (WindowTitle(d, kids[i], utf8) == title && XGetWindowAttributes(d, kids[i], &a) &&
        a.map_state == IsViewable)
      found = kids[i];
  }
  if (kids) XFree(kids);
  return found;
}

// The same, waiting up to `seconds` for it to appear.
inline Window WaitForViewable(Display* d, const std::string& title, int seconds,
                              bool utf8 = false) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    if (Window w = FindViewable(d, title, utf8)) return w;
    if (std::chrono::steady_clock::now() >= deadline) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// What a window manager sends for the title bar's close button, which needs
// no keyboard focus.
inline void SendCloseRequest(Display* d, Window w) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = w;
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &ev);
  XFlush(d);
}

}  // namespace lvx::test
