#include "platform/backend/x11/root_background.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace lvx {
namespace {

// Errors of the server are collected, not fatal: a stale pixmap id left by
// another program must not end the saver.
int g_rootErrors = 0;
int CountError(Display*, XErrorEvent*) {
  ++g_rootErrors;
  return 0;
}

struct DisplayClose {
  void operator()(Display* d) const { XCloseDisplay(d); }
};

// Shift that puts the top bit of an 8-bit channel at the top of `mask`, and
// the channel's width in the mask.
struct Channel {
  int shift = 0;
  int bits = 0;
};
Channel ChannelOf(unsigned long mask) {
  Channel c;
  if (mask == 0) return c;
  while (((mask >> c.shift) & 1u) == 0) ++c.shift;
  while (((mask >> (c.shift + c.bits)) & 1u) != 0) ++c.bits;
  return c;
}
unsigned long Place(std::uint32_t value8, Channel c) {
  if (c.bits == 0) return 0;
  const std::uint32_t v = c.bits >= 8 ? value8 << (c.bits - 8) : value8 >> (8 - c.bits);
  return static_cast<unsigned long>(v) << c.shift;
}

// The value of a pixmap-id property of the root window, 0 when absent.
Pixmap RootPixmapProperty(Display* dpy, Window root, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  Pixmap id = 0;
  if (XGetWindowProperty(dpy, root, property, 0, 1, False, XA_PIXMAP, &type, &format, &count,
                         &after, &data) == Success &&
      type == XA_PIXMAP && format == 32 && count == 1 && data != nullptr) {
    id = static_cast<Pixmap>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data != nullptr) XFree(data);
  return id;
}

}  // namespace

bool SetRootWindowBackground(const Surface& picture) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() < static_cast<std::size_t>(picture.width) * picture.height)
    return false;
  // A connection of its own: its close-down mode keeps the pixmap alive after
  // we are gone, which must not happen to the saver's own windows.
  std::unique_ptr<Display, DisplayClose> owner(XOpenDisplay(nullptr));
  Display* dpy = owner.get();
  if (dpy == nullptr) return false;
  const int screen = DefaultScreen(dpy);
  const Window root = RootWindow(dpy, screen);
  const int width = DisplayWidth(dpy, screen);
  const int height = DisplayHeight(dpy, screen);
  const int depth = DefaultDepth(dpy, screen);
  Visual* visual = DefaultVisual(dpy, screen);
  if (width <= 0 || height <= 0 || visual->c_class != TrueColor) return false;

  XImage* image = XCreateImage(dpy, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
  if (image == nullptr) return false;
  image->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line),
                                               static_cast<std::size_t>(height)));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return false;
  }
  // Stretched over the whole screen, nearest neighbour.
  const Channel red = ChannelOf(visual->red_mask), green = ChannelOf(visual->green_mask),
                blue = ChannelOf(visual->blue_mask);
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* src =
        picture.Row(static_cast<int>(static_cast<long long>(y) * picture.height / height));
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = src[static_cast<long long>(x) * picture.width / width];
      XPutPixel(
          image, x, y,
          Place((p >> 16) & 0xFF, red) | Place((p >> 8) & 0xFF, green) | Place(p & 0xFF, blue));
    }
  }

  XSync(dpy, False);
  g_rootErrors = 0;
  XErrorHandler previous = XSetErrorHandler(CountError);

  const Pixmap pixmap = XCreatePixmap(dpy, root, static_cast<unsigned>(width),
                                      static_cast<unsigned>(height), static_cast<unsigned>(depth));
  GC gc = XCreateGC(dpy, pixmap, 0, nullptr);
  XPutImage(dpy, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width),
            static_cast<unsigned>(height));
  XFreeGC(dpy, gc);
  XDestroyImage(image);  // frees the pixel buffer too
  XSync(dpy, False);
  const bool drawn = g_rootErrors == 0;

  if (drawn) {
    const Atom rootId = XInternAtom(dpy, "_XROOTPMAP_ID", False);
    const Atom setRootId = XInternAtom(dpy, "ESETROOT_PMAP_ID", False);
    // The convention of background tools: when both properties name the
    // same pixmap, it was left behind by such a tool and is ours to free
    // (killing the client that retained it frees only its resources).
    const Pixmap old = RootPixmapProperty(dpy, root, rootId);
    if (old != 0 && old == RootPixmapProperty(dpy, root, setRootId)) XKillClient(dpy, old);
    XSync(dpy, False);
    g_rootErrors = 0;  // an id that is long gone is no failure of ours

    XSetWindowBackgroundPixmap(dpy, root, pixmap);
    XClearWindow(dpy, root);
    const unsigned long id = pixmap;
    XChangeProperty(dpy, root, rootId, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&id), 1);
    XChangeProperty(dpy, root, setRootId, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&id), 1);
    XSetCloseDownMode(dpy, RetainPermanent);
  } else {
    XFreePixmap(dpy, pixmap);
  }
  XSync(dpy, False);
  const bool ok = drawn && g_rootErrors == 0;
  XSetErrorHandler(previous);
  return ok;
}

}  // namespace lvx
