// The X11 display: every window is an X window whose id is its HWND value;
// window surfaces reach the screen through MIT-SHM (XPutImage when the
// server cannot share memory with us, e.g. over the network).
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/backend/backend.h"

namespace lvx {
namespace {
// Xlib defines Expose as a macro; name the event kinds before it arrives.
constexpr NativeEvent::Kind kKindInput = NativeEvent::Kind::Input;
constexpr NativeEvent::Kind kKindExpose = NativeEvent::Kind::Expose;
constexpr NativeEvent::Kind kKindResized = NativeEvent::Kind::Resized;
constexpr NativeEvent::Kind kKindClosed = NativeEvent::Kind::Closed;
}  // namespace
}  // namespace lvx

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/Xlib-xcb.h>
#include <X11/extensions/XShm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <X11/keysym.h>

namespace lvx {
namespace {

// Errors while a trap is active are recorded, not fatal.
int g_trappedError = 0;

int TrapErrors(Display*, XErrorEvent* e) {
  if (g_trappedError == 0) g_trappedError = e->error_code;
  return 0;
}

// Previews and their foreign parents: when the parent goes away, our child
// goes with it, and requests already on their way fail. Those errors are
// expected and not worth a line. Touched on the window thread only.
std::unordered_set<XID> g_vanishable;

// Outside traps, Xlib's default handler would end the process on any
// protocol error (a window that vanished under us, say): log it instead.
int LogErrors(Display* d, XErrorEvent* e) {
  if ((e->error_code == BadWindow || e->error_code == BadDrawable) &&
      g_vanishable.count(e->resourceid) != 0)
    return 0;
  char text[160] = {};
  XGetErrorText(d, e->error_code, text, sizeof text - 1);
  std::fprintf(stderr, "lumivex: X error: %s (request %d.%d, resource 0x%lx)\n", text,
               e->request_code, e->minor_code, e->resourceid);
  return 0;
}

// Catches the errors of the requests made during its lifetime.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* d) : d_(d) {
    XSync(d_, False);
    g_trappedError = 0;
    old_ = XSetErrorHandler(TrapErrors);
  }
  ~ErrorTrap() {
    XSync(d_, False);
    XSetErrorHandler(old_);
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // The first error since the trap was set, 0 for none.
  int Error() {
    XSync(d_, False);
    return g_trappedError;
  }

 private:
  Display* d_;
  XErrorHandler old_;
};

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// Virtual-key code of an unshifted keysym; 0xFF for keys without one.
WPARAM VirtualKey(KeySym k) {
  if (k >= XK_a && k <= XK_z) return 'A' + (k - XK_a);
  if (k >= XK_A && k <= XK_Z) return 'A' + (k - XK_A);
  if (k >= XK_0 && k <= XK_9) return '0' + (k - XK_0);
  if (k >= XK_F1 && k <= XK_F24) return 0x70 + (k - XK_F1);
  if (k >= XK_KP_0 && k <= XK_KP_9) return 0x60 + (k - XK_KP_0);
  switch (k) {
    case XK_BackSpace:
      return VK_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab:
      return VK_TAB;
    case XK_Return:
    case XK_KP_Enter:
      return VK_RETURN;
    case XK_Shift_L:
    case XK_Shift_R:
      return VK_SHIFT;
    case XK_Control_L:
    case XK_Control_R:
      return VK_CONTROL;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
      return VK_MENU;
    case XK_Pause:
      return 0x13;
    case XK_Caps_Lock:
      return 0x14;
    case XK_Escape:
      return VK_ESCAPE;
    case XK_space:
      return VK_SPACE;
    case XK_Prior:
    case XK_KP_Prior:
      return 0x21;
    case XK_Next:
    case XK_KP_Next:
      return 0x22;
    case XK_End:
    case XK_KP_End:
      return 0x23;
    case XK_Home:
    case XK_KP_Home:
      return 0x24;
    case XK_Left:
    case XK_KP_Left:
      return VK_LEFT;
    case XK_Up:
    case XK_KP_Up:
      return VK_UP;
    case XK_Right:
    case XK_KP_Right:
      return VK_RIGHT;
    case XK_Down:
    case XK_KP_Down:
      return VK_DOWN;
    case XK_Print:
      return 0x2C;
    case XK_Insert:
    case XK_KP_Insert:
      return 0x2D;
    case XK_Delete:
    case XK_KP_Delete:
      return 0x2E;
    case XK_Super_L:
      return 0x5B;
    case XK_Super_R:
      return 0x5C;
    case XK_Menu:
      return 0x5D;
    case XK_KP_Multiply:
      return 0x6A;
    case XK_KP_Add:
      return 0x6B;
    case XK_KP_Subtract:
      return 0x6D;
    case XK_KP_Decimal:
      return 0x6E;
    case XK_KP_Divide:
      return 0x6F;
    case XK_Num_Lock:
      return 0x90;
    case XK_Scroll_Lock:
      return 0x91;
    case XK_semicolon:
      return 0xBA;
    case XK_equal:
      return 0xBB;
    case XK_comma:
      return 0xBC;
    case XK_minus:
      return 0xBD;
    case XK_period:
      return 0xBE;
    case XK_slash:
      return 0xBF;
    case XK_grave:
      return 0xC0;
    case XK_bracketleft:
      return 0xDB;
    case XK_backslash:
      return 0xDC;
    case XK_bracketright:
      return 0xDD;
    case XK_apostrophe:
      return 0xDE;
    default:
      return 0xFF;
  }
}

WPARAM MouseKeyState(unsigned int state) {
  WPARAM mk = 0;
  if (state & Button1Mask) mk |= MK_LBUTTON;
  if (state & Button2Mask) mk |= MK_MBUTTON;
  if (state & Button3Mask) mk |= MK_RBUTTON;
  if (state & ShiftMask) mk |= MK_SHIFT;
  if (state & ControlMask) mk |= MK_CONTROL;
  return mk;
}

LPARAM ClientPoint(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)),
                    static_cast<WORD>(static_cast<SHORT>(y)));
}

// One mask channel of a TrueColor visual: where its bits sit and how many.
struct Channel {
  int shift = 0;
  int bits = 0;
  explicit Channel(unsigned long mask) {
    if (mask == 0) return;
    while (!(mask & 1)) {
      mask >>= 1;
      ++shift;
    }
    while (mask & 1) {
      mask >>= 1;
      ++bits;
    }
  }
  unsigned long Place(std::uint32_t v8) const {
    unsigned long v =
        bits >= 8 ? (static_cast<unsigned long>(v8) << (bits - 8)) : (v8 >> (8 - bits));
    return v << shift;
  }
};

// A shared-memory segment that is at once a window surface's pixels and
// what the X server copies to the window: presenting copies nothing here.
// The surface may outlive the window (or the display), so the mapping goes
// with the last holder; the server lets go when the window does.
class ShmFrameBuffer final : public PixelMemory {
 public:
  ShmFrameBuffer() = default;
  ~ShmFrameBuffer() override {
    if (attached) shmdt(info.shmaddr);
  }
  ShmFrameBuffer(const ShmFrameBuffer&) = delete;
  ShmFrameBuffer& operator=(const ShmFrameBuffer&) = delete;
  std::uint32_t* Pixels() override { return reinterpret_cast<std::uint32_t*>(info.shmaddr); }
  std::size_t Count() const override { return count; }

  XShmSegmentInfo info{};  // the image points at this record: fixed address
  std::size_t count = 0;
  bool attached = false;  // mapped here
};

struct XWin {
  Window xid = 0;
  Window parent = 0;
  bool foreignParent = false;
  bool fullScreen = false;
  bool goneOnServer = false;  // destroyed with its foreign parent
  int width = 0;
  int height = 0;
  RECT exposed{};  // exposure gathered until the end of a burst
  // The window surface's pixels when shared memory works: the segment is
  // lent to the surface and the image describes it to the server.
  XImage* image = nullptr;
  std::shared_ptr<ShmFrameBuffer> frame;
  // Without shared memory: a header that wraps the surface's own pixels
  // for XPutImage, kept so that presenting allocates nothing.
  XImage* wrap = nullptr;
};

class X11Backend final : public Backend {
 public:
  X11Backend() = default;
  ~X11Backend() override;

  bool Open();

  const char* Name() const override { return "x11"; }
  // Followed through the root window's ConfigureNotify (RandR), which Xlib's
  // own screen record does not see.
  SIZE ScreenSize() override { return screenSize_; }
  NativeId CreateWindow(const NativeWindowDesc& desc) override;
  void DestroyWindow(NativeId id) override;
  void ShowWindow(NativeId id, bool show) override;
  void MoveWindow(NativeId id, int x, int y, int width, int height) override;
  void SetTitle(NativeId id, const std::string& title) override;
  void Raise(NativeId id) override;
  bool IsForeignWindow(NativeId id) override;
  bool ForeignClientSize(NativeId id, SIZE* size) override;
  NativeId FindForeignWindow(const std::string& className, const std::string& title) override;
  void Present(NativeId id, Surface& surface, bool all) override;
  void PresentArea(NativeId id, Surface& surface, const RECT& area) override;
  bool ExposesWhenShown() const override { return true; }
  int EventFd() override { return ConnectionNumber(dpy_); }
  void PollEvents(std::vector<NativeEvent>& out) override;
  void NoteDrained();
  void TakeEvents(std::vector<NativeEvent>& out, bool readable) override;
  bool MayHoldUnseenEvents() override;
  POINT CursorPos() override;
  void SetCursorPos(int x, int y) override;
  void SetCursorVisible(NativeId id, bool visible) override;
  bool GetScreenSaverTimeout(int* seconds) override;
  bool SetScreenSaverTimeout(int seconds) override;

 private:
  XWin* Find(NativeId id) {
    auto it = windows_.find(static_cast<Window>(id));
    return it == windows_.end() ? nullptr : &it->second;
  }
  // X window ids are 29-bit; anything else cannot be a window.
  static bool PlausibleId(NativeId id) { return id != 0 && id <= 0x1FFFFFFFu; }
  void SetTextProperty(Window w, Atom property, Atom type, const std::string& value);
  std::string StringProperty(Window w, Atom property);
  void Translate(XEvent& ev, std::vector<NativeEvent>& out);
  bool EnsureFrameBuffer(XWin& win, Surface& surface);
  void FreeImage(XWin& win);
  void Send(XWin& win, Surface& surface, const RECT* rects, std::size_t count);
  void PutDirect(XWin& win, Surface& s, const RECT* rects, std::size_t count);
  void PutConverted(Drawable d, const Surface& s, const std::vector<RECT>& rects);
  unsigned long ConvertPixel(std::uint32_t p) const {
    return red_.Place((p >> 16) & 0xFF) | green_.Place((p >> 8) & 0xFF) | blue_.Place(p & 0xFF);
  }
  void FocusIfViewable(Window w);
  void FollowScreenSize(int width, int height);

  Display* dpy_ = nullptr;
  SIZE screenSize_{0, 0};
  int screen_ = 0;
  Window root_ = 0;
  Visual* visual_ = nullptr;
  int depth_ = 0;
  Colormap colormap_ = 0;
  GC gc_ = nullptr;
  GC clipGc_ = nullptr;  // its clip is the frame's dirty rectangles
  Cursor blankCursor_ = 0;
  bool directLayout_ = false;  // the visual is our 0x00RRGGBB, 32 bits a pixel
  bool useShm_ = false;
  Channel red_{0}, green_{0}, blue_{0};
  std::unordered_map<Window, XWin> windows_;
  std::vector<NativeEvent> pending_;  // produced outside PollEvents
  // The frames go out through the XCB connection under Xlib: flushing it
  // writes without reading, where XFlush reads the connection every time.
  xcb_connection_t* xcb_ = nullptr;
  // Bytes read from the connection when Xlib last took everything it had
  // into its queue: while the count stays, no event can wait in a
  // client-side buffer unseen by poll().
  std::uint64_t drainedAt_ = 0;
  bool drained_ = false;
  // Kept between presents so that presenting allocates nothing.
  std::vector<XRectangle> clipRects_;
  std::vector<RECT> bands_;
  Atom atomClass_ = 0, atomProtocols_ = 0, atomDelete_ = 0, atomNetName_ = 0, atomUtf8_ = 0,
       atomState_ = 0, atomFullscreen_ = 0, atomAbove_ = 0, atomActive_ = 0, atomPid_ = 0;
};

X11Backend::~X11Backend() {
  if (!dpy_) return;
  {
    ErrorTrap trap(dpy_);
    for (auto& [xid, win] : windows_) {
      FreeImage(win);
      if (!win.goneOnServer) XDestroyWindow(dpy_, xid);
    }
  }
  windows_.clear();
  if (blankCursor_) XFreeCursor(dpy_, blankCursor_);
  if (clipGc_) XFreeGC(dpy_, clipGc_);
  if (gc_) XFreeGC(dpy_, gc_);
  XCloseDisplay(dpy_);
}

bool X11Backend::Open() {
  // An X server that regenerates after its last client left refuses
  // connections for a moment (Xvfb without -noreset): try a few times.
  for (int attempt = 0; attempt < 10 && !dpy_; ++attempt) {
    if (attempt > 0) usleep(50 * 1000);
    dpy_ = XOpenDisplay(nullptr);
  }
  if (!dpy_) return false;
  xcb_ = XGetXCBConnection(dpy_);
  XSetErrorHandler(LogErrors);
  screen_ = DefaultScreen(dpy_);
  root_ = RootWindow(dpy_, screen_);
  screenSize_ = SIZE{DisplayWidth(dpy_, screen_), DisplayHeight(dpy_, screen_)};
  // The root window's ConfigureNotify tells of a new screen size.
  XSelectInput(dpy_, root_, StructureNotifyMask);
  visual_ = DefaultVisual(dpy_, screen_);
  depth_ = DefaultDepth(dpy_, screen_);
  colormap_ = DefaultColormap(dpy_, screen_);
  if (visual_->c_class != TrueColor) {
    std::fprintf(stderr,
                 "lumivex: the X display's default visual is not TrueColor (depth %d); "
                 "run the X server with 24-bit colour\n",
                 depth_);
    XCloseDisplay(dpy_);
    dpy_ = nullptr;
    return false;
  }
  red_ = Channel(visual_->red_mask);
  green_ = Channel(visual_->green_mask);
  blue_ = Channel(visual_->blue_mask);

  int bitsPerPixel = 0;
  int count = 0;
  if (XPixmapFormatValues* formats = XListPixmapFormats(dpy_, &count)) {
    for (int i = 0; i < count; ++i)
      if (formats[i].depth == depth_) bitsPerPixel = formats[i].bits_per_pixel;
    XFree(formats);
  }
  const bool hostLsb = std::endian::native == std::endian::little;
  directLayout_ = (depth_ == 24 || depth_ == 32) && bitsPerPixel == 32 &&
                  visual_->red_mask == 0xFF0000 && visual_->green_mask == 0xFF00 &&
                  visual_->blue_mask == 0xFF &&
                  ImageByteOrder(dpy_) == (hostLsb ? LSBFirst : MSBFirst);
  if (!directLayout_) {
    std::fprintf(stderr,
                 "lumivex: X visual of depth %d is not 32-bit RGB; converting every pixel "
                 "(slow)\n",
                 depth_);
  }
  const char* noShm = std::getenv("LUMIVEX_X11_NO_SHM");
  useShm_ = directLayout_ && XShmQueryExtension(dpy_) && !(noShm && *noShm && *noShm != '0');

  gc_ = XCreateGC(dpy_, root_, 0, nullptr);
  clipGc_ = XCreateGC(dpy_, root_, 0, nullptr);
  clipRects_.reserve(4096);  // a busy frame's worth: presenting allocates nothing
  auto atom = [this](const char* name) { return XInternAtom(dpy_, name, False); };
  atomClass_ = atom("_LUMIVEX_CLASS");
  atomProtocols_ = atom("WM_PROTOCOLS");
  atomDelete_ = atom("WM_DELETE_WINDOW");
  atomNetName_ = atom("_NET_WM_NAME");
  atomUtf8_ = atom("UTF8_STRING");
  atomState_ = atom("_NET_WM_STATE");
  atomFullscreen_ = atom("_NET_WM_STATE_FULLSCREEN");
  atomAbove_ = atom("_NET_WM_STATE_ABOVE");
  atomActive_ = atom("_NET_ACTIVE_WINDOW");
  atomPid_ = atom("_NET_WM_PID");
  return true;
}

void X11Backend::SetTextProperty(Window w, Atom property, Atom type, const std::string& value) {
  XChangeProperty(dpy_, w, property, type, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(value.data()),
                  static_cast<int>(value.size()));
}

std::string X11Backend::StringProperty(Window w, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::string value;
  // Titles and class names are short; 1024 longs is plenty.
  if (XGetWindowProperty(dpy_, w, property, 0, 1024, False, AnyPropertyType, &type, &format, &items,
                         &after, &data) == Success &&
      data) {
    if (format == 8) value.assign(reinterpret_cast<const char*>(data), items);
    XFree(data);
  }
  return value;
}

NativeId X11Backend::CreateWindow(const NativeWindowDesc& desc) {
  Window parent = root_;
  bool foreignParent = false;
  int x = desc.x, y = desc.y, width = desc.width, height = desc.height;
  if (desc.parent != 0) {
    if (Find(desc.parent)) {
      parent = static_cast<Window>(desc.parent);
    } else {
      SIZE parentSize{};
      if (!ForeignClientSize(desc.parent, &parentSize)) return 0;
      parent = static_cast<Window>(desc.parent);
      foreignParent = true;
      // A preview fills the window it was given.
      x = 0;
      y = 0;
      width = parentSize.cx;
      height = parentSize.cy;
    }
  }
  const SIZE screen = ScreenSize();
  const bool topLevel = desc.parent == 0;
  const bool fullScreen = topLevel && (desc.style & WS_POPUP) && x <= 0 && y <= 0 &&
                          x + width >= screen.cx && y + height >= screen.cy;
  width = std::max(width, 1);
  height = std::max(height, 1);

  XSetWindowAttributes attrs{};
  attrs.background_pixel = BlackPixel(dpy_, screen_);
  attrs.border_pixel = 0;
  attrs.colormap = colormap_;
  attrs.event_mask =
      ExposureMask | KeyPressMask | ButtonPressMask | PointerMotionMask | StructureNotifyMask;
  attrs.bit_gravity = NorthWestGravity;
  Window xid = 0;
  {
    ErrorTrap trap(dpy_);
    xid = XCreateWindow(dpy_, parent, x, y, static_cast<unsigned>(width),
                        static_cast<unsigned>(height), 0, depth_, InputOutput, visual_,
                        CWBackPixel | CWBorderPixel | CWColormap | CWEventMask | CWBitGravity,
                        &attrs);
    if (trap.Error() != 0) return 0;  // the parent vanished meanwhile
  }

  SetTextProperty(xid, atomClass_, XA_STRING, desc.className);
  XStoreName(dpy_, xid, desc.title.c_str());
  SetTextProperty(xid, atomNetName_, atomUtf8_, ToUtf8(desc.title));
  if (topLevel) {
    XClassHint hint{};
    char resName[] = "lumivex";
    char resClass[] = "Lumivex";
    hint.res_name = resName;
    hint.res_class = resClass;
    XSetClassHint(dpy_, xid, &hint);
    XSetWMProtocols(dpy_, xid, &atomDelete_, 1);
    long pid = static_cast<long>(getpid());
    XChangeProperty(dpy_, xid, atomPid_, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    XSizeHints* hints = XAllocSizeHints();
    if (hints) {
      hints->flags = USPosition | USSize;
      hints->x = x;
      hints->y = y;
      hints->width = width;
      hints->height = height;
      XSetWMNormalHints(dpy_, xid, hints);
      XFree(hints);
    }
    // Window managers read the state when the window is mapped.
    Atom states[2];
    int n = 0;
    if (fullScreen) states[n++] = atomFullscreen_;
    if (fullScreen || (desc.exStyle & WS_EX_TOPMOST)) states[n++] = atomAbove_;
    if (n > 0)
      XChangeProperty(dpy_, xid, atomState_, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(states), n);
  }
  if (foreignParent) {
    g_vanishable.insert(xid);
    g_vanishable.insert(parent);
    // Follow the parent's size; keep whatever else this client selected on it.
    ErrorTrap trap(dpy_);
    XWindowAttributes pa{};
    if (XGetWindowAttributes(dpy_, parent, &pa))
      XSelectInput(dpy_, parent, pa.your_event_mask | StructureNotifyMask);
  }

  XWin& win = windows_[xid];
  win.xid = xid;
  win.parent = parent;
  win.foreignParent = foreignParent;
  win.fullScreen = fullScreen;
  win.width = width;
  win.height = height;
  if (width != desc.width || height != desc.height) {
    NativeEvent ev;
    ev.kind = kKindResized;
    ev.window = xid;
    ev.area = RECT{0, 0, width, height};
    pending_.push_back(ev);
  }
  XFlush(dpy_);
  return xid;
}

void X11Backend::FreeImage(XWin& win) {
  if (win.wrap) {
    win.wrap->data = nullptr;  // the surface's pixels, not ours
    XDestroyImage(win.wrap);
    win.wrap = nullptr;
  }
  if (!win.image) return;
  // The server keeps its own mapping until it has processed the detach; the
  // surface keeps ours for as long as it holds the segment.
  XShmDetach(dpy_, &win.frame->info);
  win.image->data = nullptr;
  XDestroyImage(win.image);
  win.image = nullptr;
  win.frame.reset();
}

void X11Backend::DestroyWindow(NativeId id) {
  XWin* win = Find(id);
  if (!win) return;
  FreeImage(*win);
  const bool gone = win->goneOnServer;
  const Window xid = win->xid;
  // Forget our children first: the server destroys them with their parent.
  for (auto it = windows_.begin(); it != windows_.end();) {
    if (it->second.parent == xid) {
      FreeImage(it->second);
      it = windows_.erase(it);
    } else {
      ++it;
    }
  }
  windows_.erase(xid);
  if (!gone) {
    ErrorTrap trap(dpy_);
    XDestroyWindow(dpy_, xid);
  }
}

void X11Backend::ShowWindow(NativeId id, bool show) {
  XWin* win = Find(id);
  if (!win || win->goneOnServer) return;
  if (show) {
    XMapRaised(dpy_, win->xid);
  } else {
    XUnmapWindow(dpy_, win->xid);
  }
  XFlush(dpy_);
}

void X11Backend::MoveWindow(NativeId id, int x, int y, int width, int height) {
  XWin* win = Find(id);
  if (!win || win->goneOnServer) return;
  width = std::max(width, 1);
  height = std::max(height, 1);
  win->width = width;
  win->height = height;
  XMoveResizeWindow(dpy_, win->xid, x, y, static_cast<unsigned>(width),
                    static_cast<unsigned>(height));
  XFlush(dpy_);
}

void X11Backend::SetTitle(NativeId id, const std::string& title) {
  XWin* win = Find(id);
  if (!win || win->goneOnServer) return;
  XStoreName(dpy_, win->xid, title.c_str());
  SetTextProperty(win->xid, atomNetName_, atomUtf8_, ToUtf8(title));
  XFlush(dpy_);
}

void X11Backend::FocusIfViewable(Window w) {
  ErrorTrap trap(dpy_);
  XWindowAttributes a{};
  if (XGetWindowAttributes(dpy_, w, &a) && a.map_state == IsViewable)
    XSetInputFocus(dpy_, w, RevertToParent, CurrentTime);
}

void X11Backend::Raise(NativeId id) {
  if (!PlausibleId(id)) return;
  const Window w = static_cast<Window>(id);
  {
    ErrorTrap trap(dpy_);
    XRaiseWindow(dpy_, w);
    // A window manager decides about activation; ask it politely.
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = atomActive_;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 1;  // from an application
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  }
  FocusIfViewable(w);
}

bool X11Backend::IsForeignWindow(NativeId id) {
  if (!PlausibleId(id) || Find(id)) return false;
  SIZE size{};
  return ForeignClientSize(id, &size);
}

bool X11Backend::ForeignClientSize(NativeId id, SIZE* size) {
  if (!PlausibleId(id)) return false;
  ErrorTrap trap(dpy_);
  XWindowAttributes a{};
  const Status ok = XGetWindowAttributes(dpy_, static_cast<Window>(id), &a);
  if (!ok || trap.Error() != 0) return false;
  if (size) *size = SIZE{a.width, a.height};
  return true;
}

NativeId X11Backend::FindForeignWindow(const std::string& className, const std::string& title) {
  if (className.empty() && title.empty()) return 0;
  ErrorTrap trap(dpy_);
  // Top-level windows are children of the root, or one level down under a
  // reparenting window manager. Search from the top of the stack, as Win32 does.
  std::vector<Window> level{root_};
  for (int depth = 0; depth < 2; ++depth) {
    std::vector<Window> next;
    for (Window parent : level) {
      Window rootRet = 0, parentRet = 0;
      Window* children = nullptr;
      unsigned int n = 0;
      if (!XQueryTree(dpy_, parent, &rootRet, &parentRet, &children, &n)) continue;
      std::vector<Window> list(children, children + n);
      if (children) XFree(children);
      for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const Window w = *it;
        if (windows_.count(w)) continue;
        const std::string cls = StringProperty(w, atomClass_);
        if (cls.empty()) {
          next.push_back(w);
          continue;
        }
        if (!className.empty() && !EqualNoCase(cls, className)) continue;
        if (!title.empty()) {
          char* name = nullptr;
          std::string wmName;
          if (XFetchName(dpy_, w, &name) && name) {
            wmName = name;
            XFree(name);
          }
          if (!EqualNoCase(wmName, title)) continue;
        }
        return w;
      }
    }
    level = std::move(next);
  }
  return 0;
}

bool X11Backend::EnsureFrameBuffer(XWin& win, Surface& surface) {
  const int width = surface.width, height = surface.height;
  if (!win.image || win.image->width != width || win.image->height != height) {
    FreeImage(win);
    auto frame = std::make_shared<ShmFrameBuffer>();
    XImage* image =
        XShmCreateImage(dpy_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr,
                        &frame->info, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!image) return false;
    // The surface's rows are the image's rows.
    if (image->bytes_per_line != width * 4 || image->bits_per_pixel != 32) {
      XDestroyImage(image);
      return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * height;
    frame->info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (frame->info.shmid < 0) {
      XDestroyImage(image);
      return false;
    }
    frame->info.shmaddr = static_cast<char*>(shmat(frame->info.shmid, nullptr, 0));
    if (frame->info.shmaddr == reinterpret_cast<char*>(-1)) {
      shmctl(frame->info.shmid, IPC_RMID, nullptr);
      XDestroyImage(image);
      return false;
    }
    frame->attached = true;
    frame->count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    frame->info.readOnly = False;
    image->data = frame->info.shmaddr;
    bool ok = false;
    {
      ErrorTrap trap(dpy_);
      ok = XShmAttach(dpy_, &frame->info) && trap.Error() == 0;
    }
    // Once both sides are attached the segment goes away with its last user.
    shmctl(frame->info.shmid, IPC_RMID, nullptr);
    if (!ok) {
      image->data = nullptr;
      XDestroyImage(image);
      return false;  // the frame's destructor unmaps the segment
    }
    win.image = image;
    win.frame = std::move(frame);
  }
  // The first present (and any after a resize) moves the pixels over once.
  return surface.pixels.Lender() == win.frame.get() || surface.pixels.Adopt(win.frame);
}

void X11Backend::PutDirect(XWin& win, Surface& s, const RECT* rects, std::size_t count) {
  // XPutImage copies the pixels into the request, so the surface is
  // wrapped in place.
  if (win.wrap && (win.wrap->width != s.width || win.wrap->height != s.height)) {
    win.wrap->data = nullptr;
    XDestroyImage(win.wrap);
    win.wrap = nullptr;
  }
  if (!win.wrap) {
    win.wrap = XCreateImage(dpy_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                            static_cast<unsigned>(s.width), static_cast<unsigned>(s.height), 32,
                            s.width * 4);
    if (!win.wrap) return;
  }
  win.wrap->data = reinterpret_cast<char*>(s.pixels.data());
  // Each rectangle is a request carrying its pixels: many small ones become
  // one per band of rows, from the band's leftmost to its rightmost change.
  constexpr std::size_t kMaxPuts = 64;
  constexpr int kBand = 32;
  if (count > kMaxPuts) {
    bands_.assign(static_cast<std::size_t>((s.height + kBand - 1) / kBand), RECT{s.width, 0, 0, 0});
    for (std::size_t i = 0; i < count; ++i) {
      const RECT& r = rects[i];
      for (LONG b = r.top / kBand; b <= (r.bottom - 1) / kBand; ++b) {
        RECT& band = bands_[static_cast<std::size_t>(b)];
        band.left = std::min(band.left, r.left);
        band.right = std::max(band.right, r.right);
      }
    }
    for (std::size_t b = 0; b < bands_.size(); ++b) {
      RECT& band = bands_[b];
      band.top = static_cast<LONG>(b) * kBand;
      band.bottom = std::min<LONG>(band.top + kBand, s.height);
    }
    rects = bands_.data();
    count = bands_.size();
  }
  for (std::size_t i = 0; i < count; ++i) {
    const RECT& r = rects[i];
    if (r.left >= r.right) continue;
    XPutImage(dpy_, win.xid, gc_, win.wrap, r.left, r.top, r.left, r.top,
              static_cast<unsigned>(r.right - r.left), static_cast<unsigned>(r.bottom - r.top));
  }
}

void X11Backend::PutConverted(Drawable d, const Surface& s, const std::vector<RECT>& rects) {
  for (const RECT& r : rects) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    XImage* image = XCreateImage(dpy_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(w), static_cast<unsigned>(h), 32, 0);
    if (!image) continue;
    image->data =
        static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) * h));
    if (!image->data) {
      XDestroyImage(image);
      continue;
    }
    for (int y = 0; y < h; ++y) {
      const std::uint32_t* row = s.Row(r.top + y) + r.left;
      for (int x = 0; x < w; ++x) XPutPixel(image, x, y, ConvertPixel(row[x]));
    }
    XPutImage(dpy_, d, gc_, image, 0, 0, r.left, r.top, static_cast<unsigned>(w),
              static_cast<unsigned>(h));
    XDestroyImage(image);  // frees the pixels too
  }
}

void X11Backend::Present(NativeId id, Surface& surface, bool all) {
  const std::vector<RECT>& dirty = surface.TakeDirty();
  XWin* win = Find(id);
  if (!win || win->goneOnServer || surface.width <= 0 || surface.height <= 0) return;
  if (all) {
    const RECT whole{0, 0, surface.width, surface.height};
    Send(*win, surface, &whole, 1);
  } else {
    Send(*win, surface, dirty.data(), dirty.size());
  }
}

void X11Backend::PresentArea(NativeId id, Surface& surface, const RECT& area) {
  XWin* win = Find(id);
  if (!win || win->goneOnServer) return;
  const RECT r{std::max<LONG>(area.left, 0), std::max<LONG>(area.top, 0),
               std::min<LONG>(area.right, surface.width),
               std::min<LONG>(area.bottom, surface.height)};
  if (r.left >= r.right || r.top >= r.bottom) return;
  Send(*win, surface, &r, 1);
}

// `rects` lie inside the surface, do not overlap and come in bands
// (Surface::TakeDirty), so the server takes the clip list as it is.
void X11Backend::Send(XWin& win, Surface& surface, const RECT* rects, std::size_t count) {
  if (count == 0) return;
  if (surface.pixels.size() < static_cast<std::size_t>(surface.width) * surface.height) return;
  if (useShm_ && EnsureFrameBuffer(win, surface)) {
    // No XSync here: it would pull events off the connection right before
    // the message loop blocks on it. The server may read a pixel after a
    // later frame changed it; that change is marked, so the next present
    // sends it again and the screen ends up exact.
    XImage* image = win.image;
    constexpr std::size_t kSeparatePuts = 2;
    if (count <= kSeparatePuts) {
      for (std::size_t i = 0; i < count; ++i) {
        const RECT& r = rects[i];
        XShmPutImage(dpy_, win.xid, gc_, image, r.left, r.top, r.left, r.top,
                     static_cast<unsigned>(r.right - r.left),
                     static_cast<unsigned>(r.bottom - r.top), False);
      }
    } else {
      // One copy of the bounding box, clipped to the changed rectangles:
      // two requests however scattered the changes are.
      clipRects_.resize(count);
      RECT box = rects[0];
      for (std::size_t i = 0; i < count; ++i) {
        const RECT& r = rects[i];
        clipRects_[i] = XRectangle{static_cast<short>(r.left), static_cast<short>(r.top),
                                   static_cast<unsigned short>(r.right - r.left),
                                   static_cast<unsigned short>(r.bottom - r.top)};
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
      }
      if (xcb_ != nullptr) {
        // Only these two requests ever use clipGc_, so Xlib's record of the
        // GC stays true; requests Xlib still holds go out first.
        static_assert(sizeof(XRectangle) == sizeof(xcb_rectangle_t));
        xcb_set_clip_rectangles(xcb_, XCB_CLIP_ORDERING_YX_BANDED, XGContextFromGC(clipGc_), 0, 0,
                                static_cast<std::uint32_t>(count),
                                reinterpret_cast<const xcb_rectangle_t*>(clipRects_.data()));
        xcb_shm_put_image(xcb_, static_cast<xcb_drawable_t>(win.xid), XGContextFromGC(clipGc_),
                          static_cast<std::uint16_t>(image->width),
                          static_cast<std::uint16_t>(image->height),
                          static_cast<std::uint16_t>(box.left), static_cast<std::uint16_t>(box.top),
                          static_cast<std::uint16_t>(box.right - box.left),
                          static_cast<std::uint16_t>(box.bottom - box.top),
                          static_cast<std::int16_t>(box.left), static_cast<std::int16_t>(box.top),
                          static_cast<std::uint8_t>(image->depth), XCB_IMAGE_FORMAT_Z_PIXMAP, 0,
                          static_cast<xcb_shm_seg_t>(win.frame->info.shmseg), 0);
        xcb_flush(xcb_);
        return;
      }
      XSetClipRectangles(dpy_, clipGc_, 0, 0, clipRects_.data(), static_cast<int>(count),
                         YXBanded);
      XShmPutImage(dpy_, win.xid, clipGc_, image, box.left, box.top, box.left, box.top,
                   static_cast<unsigned>(box.right - box.left),
                   static_cast<unsigned>(box.bottom - box.top), False);
    }
  } else if (directLayout_) {
    if (useShm_) {
      std::fprintf(stderr, "lumivex: X shared memory unavailable, using XPutImage\n");
      useShm_ = false;
    }
    PutDirect(win, surface, rects, count);
  } else {
    std::vector<RECT> list(rects, rects + count);
    PutConverted(win.xid, surface, list);
  }
  XFlush(dpy_);  // also reads what the connection has into Xlib's queue
  NoteDrained();
}

void X11Backend::Translate(XEvent& ev, std::vector<NativeEvent>& out) {
  NativeEvent ne;
  switch (ev.type) {
    case KeyPress: {
      if (!Find(ev.xkey.window)) return;
      const KeySym sym = XLookupKeysym(&ev.xkey, 0);
      const WPARAM vk = VirtualKey(sym);
      const bool alt = (ev.xkey.state & Mod1Mask) || vk == VK_MENU;
      ne.kind = kKindInput;
      ne.window = ev.xkey.window;
      // Alt combinations and F10 are system keys, as on Win32.
      ne.message = (alt || vk == 0x79) ? WM_SYSKEYDOWN : WM_KEYDOWN;
      ne.wParam = vk;
      ne.lParam = static_cast<LPARAM>(1 | ((ev.xkey.keycode & 0xFF) << 16) | (alt ? 1u << 29 : 0));
      out.push_back(ne);
      return;
    }
    case ButtonPress: {
      if (!Find(ev.xbutton.window)) return;
      UINT msg = 0;
      WPARAM button = 0;
      switch (ev.xbutton.button) {
        case Button1:
          msg = WM_LBUTTONDOWN;
          button = MK_LBUTTON;
          break;
        case Button2:
          msg = WM_MBUTTONDOWN;
          button = MK_MBUTTON;
          break;
        case Button3:
          msg = WM_RBUTTONDOWN;
          button = MK_RBUTTON;
          break;
        default:
          return;  // wheel and extra buttons have no message here
      }
      ne.kind = kKindInput;
      ne.window = ev.xbutton.window;
      ne.message = msg;
      ne.wParam = MouseKeyState(ev.xbutton.state) | button;
      ne.lParam = ClientPoint(ev.xbutton.x, ev.xbutton.y);
      out.push_back(ne);
      return;
    }
    case MotionNotify: {
      if (!Find(ev.xmotion.window)) return;
      ne.kind = kKindInput;
      ne.window = ev.xmotion.window;
      ne.message = WM_MOUSEMOVE;
      ne.wParam = MouseKeyState(ev.xmotion.state);
      ne.lParam = ClientPoint(ev.xmotion.x, ev.xmotion.y);
      // Consecutive moves merge into the latest, as Win32 coalesces them.
      if (!out.empty() && out.back().kind == kKindInput && out.back().message == WM_MOUSEMOVE &&
          out.back().window == ne.window) {
        out.back() = ne;
      } else {
        out.push_back(ne);
      }
      return;
    }
    case Expose: {
      XWin* win = Find(ev.xexpose.window);
      if (!win) return;
      // The server sends an exposure as a burst of rectangles; the window
      // is repainted once, when the last one arrives.
      const RECT r{ev.xexpose.x, ev.xexpose.y, ev.xexpose.x + ev.xexpose.width,
                   ev.xexpose.y + ev.xexpose.height};
      if (win->exposed.right <= win->exposed.left) {
        win->exposed = r;
      } else {
        win->exposed.left = std::min(win->exposed.left, r.left);
        win->exposed.top = std::min(win->exposed.top, r.top);
        win->exposed.right = std::max(win->exposed.right, r.right);
        win->exposed.bottom = std::max(win->exposed.bottom, r.bottom);
      }
      if (ev.xexpose.count > 0) return;
      ne.kind = kKindExpose;
      ne.window = ev.xexpose.window;
      ne.area = win->exposed;
      win->exposed = RECT{};
      out.push_back(ne);
      return;
    }
    case ConfigureNotify: {
      const Window w = ev.xconfigure.window;
      if (w == root_) {
        FollowScreenSize(ev.xconfigure.width, ev.xconfigure.height);
        return;
      }
      if (XWin* win = Find(w)) {
        if (ev.xconfigure.width == win->width && ev.xconfigure.height == win->height) return;
        win->width = ev.xconfigure.width;
        win->height = ev.xconfigure.height;
        ne.kind = kKindResized;
        ne.window = w;
        ne.area = RECT{0, 0, win->width, win->height};
        out.push_back(ne);
        return;
      }
      // A foreign parent changed size: our previews inside follow it.
      for (auto& [xid, child] : windows_) {
        if (child.foreignParent && child.parent == w && !child.goneOnServer)
          XResizeWindow(dpy_, xid, static_cast<unsigned>(std::max(ev.xconfigure.width, 1)),
                        static_cast<unsigned>(std::max(ev.xconfigure.height, 1)));
      }
      return;
    }
    case DestroyNotify: {
      XWin* win = Find(ev.xdestroywindow.window);
      if (!win || win->goneOnServer) return;
      FreeImage(*win);
      win->goneOnServer = true;
      ne.kind = kKindClosed;
      ne.window = ev.xdestroywindow.window;
      out.push_back(ne);
      return;
    }
    case ClientMessage: {
      if (!Find(ev.xclient.window)) return;
      if (ev.xclient.message_type == atomProtocols_ && ev.xclient.format == 32 &&
          static_cast<Atom>(ev.xclient.data.l[0]) == atomDelete_) {
        ne.kind = kKindClosed;
        ne.window = ev.xclient.window;
        out.push_back(ne);
      }
      return;
    }
    case MapNotify: {
      // The saver's full-screen window takes the keyboard once it is visible.
      XWin* win = Find(ev.xmap.window);
      if (win && win->fullScreen) FocusIfViewable(win->xid);
      return;
    }
    default:
      return;
  }
}

// The screen changed size: full-screen windows take the new size, and their
// own ConfigureNotify then reports it as usual.
void X11Backend::FollowScreenSize(int width, int height) {
  if (width <= 0 || height <= 0 || (width == screenSize_.cx && height == screenSize_.cy)) return;
  screenSize_ = SIZE{width, height};
  for (auto& [xid, win] : windows_) {
    if (!win.fullScreen || win.goneOnServer) continue;
    XMoveResizeWindow(dpy_, xid, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
  }
  XFlush(dpy_);
}

void X11Backend::TakeEvents(std::vector<NativeEvent>& out, bool readable) {
  if (readable) {
    PollEvents(out);
    return;
  }
  // Nothing new on the connection: only what Xlib read during other calls.
  out.insert(out.end(), pending_.begin(), pending_.end());
  pending_.clear();
  while (XEventsQueued(dpy_, QueuedAlready) > 0) {
    XEvent ev;
    XNextEvent(dpy_, &ev);
    Translate(ev, out);
  }
}

void X11Backend::PollEvents(std::vector<NativeEvent>& out) {
  out.insert(out.end(), pending_.begin(), pending_.end());
  pending_.clear();
  while (XPending(dpy_) > 0) {
    XEvent ev;
    XNextEvent(dpy_, &ev);
    Translate(ev, out);
  }
  NoteDrained();
}

void X11Backend::NoteDrained() {
  if (xcb_ == nullptr) return;
  drainedAt_ = xcb_total_read(xcb_);
  drained_ = true;
}

bool X11Backend::MayHoldUnseenEvents() {
  return xcb_ == nullptr || !drained_ || xcb_total_read(xcb_) != drainedAt_;
}

POINT X11Backend::CursorPos() {
  Window rootRet = 0, childRet = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned int mask = 0;
  XQueryPointer(dpy_, root_, &rootRet, &childRet, &rootX, &rootY, &winX, &winY, &mask);
  return POINT{rootX, rootY};
}

void X11Backend::SetCursorPos(int x, int y) {
  XWarpPointer(dpy_, None, root_, 0, 0, 0, 0, x, y);
  XFlush(dpy_);
}

void X11Backend::SetCursorVisible(NativeId id, bool visible) {
  XWin* win = Find(id);
  if (!win || win->goneOnServer) return;
  if (visible) {
    XUndefineCursor(dpy_, win->xid);
  } else {
    if (!blankCursor_) {
      static const char kEmpty[1] = {0};
      Pixmap pix = XCreateBitmapFromData(dpy_, root_, kEmpty, 1, 1);
      XColor black{};
      blankCursor_ = XCreatePixmapCursor(dpy_, pix, pix, &black, &black, 0, 0);
      XFreePixmap(dpy_, pix);
    }
    XDefineCursor(dpy_, win->xid, blankCursor_);
  }
  XFlush(dpy_);
}

bool X11Backend::GetScreenSaverTimeout(int* seconds) {
  int timeout = 0, interval = 0, blanking = 0, exposures = 0;
  XGetScreenSaver(dpy_, &timeout, &interval, &blanking, &exposures);
  if (seconds) *seconds = timeout;
  return true;
}

bool X11Backend::SetScreenSaverTimeout(int seconds) {
  if (seconds < 0) return false;
  int timeout = 0, interval = 0, blanking = 0, exposures = 0;
  XGetScreenSaver(dpy_, &timeout, &interval, &blanking, &exposures);
  ErrorTrap trap(dpy_);
  XSetScreenSaver(dpy_, seconds, interval, blanking, exposures);
  return trap.Error() == 0;
}

}  // namespace

std::unique_ptr<Backend> MakeX11Backend() {
  auto backend = std::make_unique<X11Backend>();
  if (!backend->Open()) return nullptr;
  return backend;
}

}  // namespace lvx
