// Window classes, windows, painting and the default window procedure.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unordered_map>

#include "platform/user/user_internal.h"
#include "platform/user/window_registry.h"

namespace lvx::user {
namespace {

struct WindowClass {
  std::string name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HBRUSH brush = nullptr;
  int extraBytes = 0;
  lvx::WindowHost* host = nullptr;
};

// Extra window bytes are capped like Win32's (40 bytes is its documented
// limit for classes; dialogs need DLGWINDOWEXTRA).
constexpr int kMaxExtraBytes = 256;

// Window surfaces are capped so a bogus size (from a foreign parent or a
// caller's arithmetic) cannot ask for gigabytes.
constexpr int kMaxWindowSide = 16384;
constexpr long kMaxWindowPixels = 1L << 25;  // an 8K screen still fits

void ClampSize(int& width, int& height) {
  width = std::clamp(width, 0, kMaxWindowSide);
  height = std::clamp(height, 0, kMaxWindowSide);
  if (width > 0 && static_cast<long>(width) * height > kMaxWindowPixels) {
    height = static_cast<int>(kMaxWindowPixels / width);
  }
}
// Win32's desktop handle value; never a handle we or the headless display hand out.
constexpr NativeId kDesktopId = 0x10010;

struct Registry {
  std::vector<WindowClass> classes;
  ATOM nextAtom = 0xC000;
  std::unordered_map<NativeId, std::unique_ptr<Window>> windows;
  std::vector<HWND> order;  // creation order
  HWND foreground = nullptr;
  HWND focus = nullptr;
};

Registry& Reg() {
  static Registry r;
  return r;
}

WindowClass* FindClass(LPCSTR name) {
  if (name == nullptr) return nullptr;
  for (auto& c : Reg().classes) {
    if (IS_INTRESOURCE(name)) {
      if (c.atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name))) return &c;
    } else if (strcasecmp(c.name.c_str(), name) == 0) {
      return &c;
    }
  }
  return nullptr;
}

bool SameText(const std::string& a, LPCSTR b) { return strcasecmp(a.c_str(), b) == 0; }

RECT ClientRectOf(const Window& w) { return RECT{0, 0, w.width, w.height}; }

void UnionInto(RECT& into, const RECT& r) {
  into.left = std::min(into.left, r.left);
  into.top = std::min(into.top, r.top);
  into.right = std::max(into.right, r.right);
  into.bottom = std::max(into.bottom, r.bottom);
}

void Invalidate(Window& w, const RECT* rect, bool erase) {
  RECT r = ClientRectOf(w);
  if (rect != nullptr) {
    r.left = std::max(r.left, rect->left);
    r.top = std::max(r.top, rect->top);
    r.right = std::min(r.right, rect->right);
    r.bottom = std::min(r.bottom, rect->bottom);
    if (r.left >= r.right || r.top >= r.bottom) return;
  }
  if (w.invalid) {
    UnionInto(w.invalidRect, r);
  } else {
    w.invalid = true;
    w.invalidRect = r;
  }
  if (erase) w.erasePending = true;
}

long SnapshotEvery() {
  const char* s = std::getenv("LUMIVEX_SNAPSHOT_EVERY");
  if (s == nullptr || *s == '\0') return 100;
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (*end != '\0' || v <= 0) {
    std::fprintf(stderr,
                 "lumivex: LUMIVEX_SNAPSHOT_EVERY=\"%s\" is not a positive number; using 100\n", s);
    return 100;
  }
  return v;
}

void SetupSnapshots(Window& w) {
  const char* dir = std::getenv("LUMIVEX_SNAPSHOT");
  if (dir == nullptr || *dir == '\0') return;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  w.snapshotDir = dir;
  w.snapshotEvery = SnapshotEvery();
}

// Sends WM_ERASEBKGND now, as Win32 does when a window is shown.
void EraseNow(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr || !w->erasePending) return;
  w->erasePending = false;
  LRESULT erased = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(w->dc), 0);
  if ((w = Find(hwnd)) != nullptr) w->lastEraseFailed = erased == 0;
}

bool ShowInternal(HWND hwnd, bool show) {
  Window* w = Find(hwnd);
  if (w == nullptr) return false;
  bool was = w->visible;
  if (was == show) return was;
  SendMessageA(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  if ((w = Find(hwnd)) == nullptr) return was;
  w->visible = show;
  if (show) {
    w->style |= WS_VISIBLE;
  } else {
    w->style &= ~static_cast<DWORD>(WS_VISIBLE);
  }
  NativeSide(*w).Show(show);
  if (show) {
    Invalidate(*w, nullptr, true);
    EraseNow(hwnd);
    // The window reaches the screen whole once: here, or (X) when the
    // display reports it exposed and the exposed area is presented. What
    // the erase changed meanwhile goes out with the next dirty present.
    if ((w = Find(hwnd)) != nullptr && w->visible &&
        (w->host != nullptr || !CurrentBackend().ExposesWhenShown())) {
      NativeSide(*w).Present(w->surface, true);
      w->surface.TakeDirty();
    }
  } else if (Reg().foreground == hwnd) {
    Reg().foreground = nullptr;
  }
  return was;
}

void FreeWindow(HWND hwnd) {
  Registry& r = Reg();
  auto it = r.windows.find(Id(hwnd));
  if (it == r.windows.end()) return;
  std::unique_ptr<Window> w = std::move(it->second);
  r.windows.erase(it);
  r.order.erase(std::remove(r.order.begin(), r.order.end(), hwnd), r.order.end());
  if (r.foreground == hwnd) r.foreground = nullptr;
  if (r.focus == hwnd) r.focus = nullptr;
  RemoveLiveHandle(hwnd);
  if (w->dc != nullptr) DestroySurfaceDC(w->dc);
  NativeSide(*w).Destroy();
}

bool IsOurs(HWND hwnd) { return Find(hwnd) != nullptr; }

bool IsPointerAligned(int index) { return index % static_cast<int>(sizeof(LONG_PTR)) == 0; }

// Focus change with its messages; `tellHost` false when the host reported it.
HWND ChangeFocus(HWND hwnd, bool tellHost) {
  Registry& r = Reg();
  HWND old = r.focus;
  if (old == hwnd) return old;
  r.focus = hwnd;
  if (old != nullptr && Find(old) != nullptr) {
    SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  }
  if (hwnd != nullptr && r.focus == hwnd) {
    if (Window* w = Find(hwnd)) {
      if (tellHost && w->host != nullptr) w->host->SetFocus(Id(hwnd));
      SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    }
  }
  return old;
}

bool IsForeign(HWND hwnd) {
  return hwnd != nullptr && Id(hwnd) != kDesktopId && CurrentBackend().IsForeignWindow(Id(hwnd));
}

}  // namespace

Window* Find(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  auto& m = Reg().windows;
  auto it = m.find(Id(hwnd));
  return it == m.end() ? nullptr : it->second.get();
}

std::vector<HWND> AllWindows() { return Reg().order; }

const std::vector<HWND>& WindowOrder() { return Reg().order; }

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> out;
  for (HWND h : Reg().order) {
    Window* w = Find(h);
    if (w != nullptr && !w->parentIsOurs && !w->destroying) out.push_back(h);
  }
  return out;
}

void NativeSide::Show(bool show) {
  if (w_.host != nullptr) {
    w_.host->ShowWindow(Id(w_.hwnd), show);
  } else {
    CurrentBackend().ShowWindow(Id(w_.hwnd), show);
  }
}

void NativeSide::Move(int x, int y, int width, int height) {
  if (w_.host != nullptr) {
    w_.host->MoveWindow(Id(w_.hwnd), x, y, width, height);
  } else {
    CurrentBackend().MoveWindow(Id(w_.hwnd), x, y, width, height);
  }
}

void NativeSide::SetTitle(const std::string& title) {
  if (w_.host != nullptr) {
    w_.host->SetTitle(Id(w_.hwnd), title);
  } else {
    CurrentBackend().SetTitle(Id(w_.hwnd), title);
  }
}

void NativeSide::Raise() {
  if (w_.host != nullptr) {
    w_.host->Raise(Id(w_.hwnd));
  } else {
    CurrentBackend().Raise(Id(w_.hwnd));
  }
}

void NativeSide::Present(Surface& surface, bool all) {
  if (w_.host != nullptr) {
    w_.host->Present(Id(w_.hwnd), surface, all);
  } else {
    CurrentBackend().Present(Id(w_.hwnd), surface, all);
  }
}

void NativeSide::Destroy() {
  if (w_.host != nullptr) {
    w_.host->DestroyWindow(Id(w_.hwnd));
  } else {
    CurrentBackend().DestroyWindow(Id(w_.hwnd));
  }
}

POINT ClientOrigin(const Window& w) {
  POINT p{w.x, w.y};
  const Window* cur = &w;
  // Foreign parents are taken to sit at the screen origin: we cannot ask
  // where another program placed its window without a display round trip.
  while (cur->parentIsOurs) {
    cur = Find(cur->parent);
    if (cur == nullptr) break;
    p.x += cur->x;
    p.y += cur->y;
  }
  return p;
}

void WriteSnapshot(Window& w, const std::string& name) {
  std::string path = w.snapshotDir + "/" + name;
  if (!WriteSurfacePng(w.surface, path)) {
    std::fprintf(stderr, "lumivex: could not write snapshot %s\n", path.c_str());
  }
}

void ResetWindowsForTests() {
  Registry& r = Reg();
  for (auto& [id, w] : r.windows) {
    if (w->dc != nullptr) DestroySurfaceDC(w->dc);
    NativeSide(*w).Destroy();
  }
  r.windows.clear();
  r.order.clear();
  r.classes.clear();
  r.foreground = nullptr;
  r.focus = nullptr;
}

}  // namespace lvx::user

using namespace lvx::user;

namespace lvx {

Surface* WindowSurface(HWND hwnd) {
  Window* w = Find(hwnd);
  return w == nullptr ? nullptr : &w->surface;
}

HDC WindowDC(HWND hwnd) {
  Window* w = Find(hwnd);
  return w == nullptr ? nullptr : w->dc;
}

HWND TopLevelSaverWindow() {
  std::vector<HWND> tops = TopLevelWindows();
  return tops.empty() ? nullptr : tops.front();
}

void PresentDirtyWindows() {
  if (!OnWindowThread()) return;
  for (HWND h : Reg().order) {
    Window* w = Find(h);
    if (w != nullptr && w->visible && w->surface.HasDirty()) {
      NativeSide(*w).Present(w->surface, false);
    }
  }
}

}  // namespace lvx

BOOL GdiFlush() {
  lvx::PresentDirtyWindows();
  return TRUE;
}

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (wc == nullptr || wc->lpfnWndProc == nullptr || wc->lpszClassName == nullptr ||
      IS_INTRESOURCE(wc->lpszClassName) || *wc->lpszClassName == '\0') {
    return 0;
  }
  if (FindClass(wc->lpszClassName) != nullptr) return 0;  // already registered, as Win32
  if (wc->cbWndExtra < 0 || wc->cbWndExtra > kMaxExtraBytes) return 0;
  Registry& r = Reg();
  WindowClass c;
  c.name = wc->lpszClassName;
  c.atom = r.nextAtom++;
  c.style = wc->style;
  c.proc = wc->lpfnWndProc;
  c.instance = wc->hInstance;
  c.brush = wc->hbrBackground;
  c.extraBytes = wc->cbWndExtra;
  r.classes.push_back(c);
  return c.atom;
}

namespace lvx {

ATOM RegisterHostedClass(const WNDCLASSA* wc, WindowHost* host) {
  if (host == nullptr) return 0;
  ATOM atom = RegisterClassA(wc);
  if (atom != 0) Reg().classes.back().host = host;
  return atom;
}

void NoteWindowMoved(HWND hwnd, int x, int y) {
  if (Window* w = Find(hwnd)) {
    w->x = x;
    w->y = y;
  }
}

void NoteFocus(HWND hwnd) {
  if (hwnd == nullptr || Find(hwnd) != nullptr) ChangeFocus(hwnd, false);
}

}  // namespace lvx

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  WindowClass* c = FindClass(className);
  if (c == nullptr) return FALSE;
  for (auto& [id, w] : Reg().windows) {
    if (SameText(w->className, c->name.c_str())) return FALSE;  // still in use
  }
  auto& v = Reg().classes;
  v.erase(v.begin() + (c - v.data()));
  return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
  WindowClass* cls = FindClass(className);
  if (cls == nullptr) return nullptr;
  bool parentIsOurs = IsOurs(parent);
  if (parent != nullptr && !parentIsOurs && !IsForeign(parent)) return nullptr;
  if ((style & WS_CHILD) && parent == nullptr) return nullptr;
  // A window of a host lives among our own windows only.
  if (cls->host != nullptr && parent != nullptr && !parentIsOurs) return nullptr;
  // A top-level window given one of ours as parent is owned by it, as on
  // Win32: it is not placed inside it.
  HWND owner = nullptr;
  if (parentIsOurs && !(style & WS_CHILD)) {
    // The owner is always a top-level window: a child's top-level ancestor.
    owner = parent;
    for (Window* o = Find(owner); o != nullptr && o->parentIsOurs; o = Find(owner))
      owner = o->parent;
    parent = nullptr;
    parentIsOurs = false;
  }

  NoteWindowThread();
  InstallSignalHandlers();

  ClampSize(width, height);

  lvx::NativeWindowDesc desc;
  desc.className = cls->name;
  desc.title = windowName != nullptr ? windowName : "";
  desc.style = style & ~static_cast<DWORD>(WS_VISIBLE);
  desc.exStyle = exStyle;
  desc.x = x;
  desc.y = y;
  desc.width = width;
  desc.height = height;
  desc.parent = Id(parent);
  lvx::NativeId id = cls->host != nullptr ? cls->host->CreateWindow(desc)
                                          : lvx::CurrentBackend().CreateWindow(desc);
  if (id == 0) return nullptr;
  if (Find(Handle(id)) != nullptr || id == kDesktopId) {
    std::fprintf(stderr, "lumivex: the display reused a live window id\n");
    return nullptr;
  }

  auto w = std::make_unique<Window>();
  HWND hwnd = Handle(id);
  w->hwnd = hwnd;
  w->className = cls->name;
  w->classStyle = cls->style;
  w->proc = cls->proc;
  w->classBrush = cls->brush;
  w->title = desc.title;
  w->style = desc.style;
  w->exStyle = exStyle;
  w->x = x;
  w->y = y;
  w->width = width;
  w->height = height;
  w->parent = parent;
  w->parentIsOurs = parentIsOurs;
  w->owner = owner;
  w->host = cls->host;
  w->extra.assign(static_cast<std::size_t>(cls->extraBytes), 0);
  if (style & WS_CHILD) w->controlId = static_cast<LONG_PTR>(reinterpret_cast<ULONG_PTR>(menu));
  w->surface.trackDirty = true;
  w->surface.Resize(width, height);
  // Every window has exactly one DC on its surface. With CS_OWNDC that is
  // Win32's behaviour; without it GetDC hands out the same DC too, which is
  // indistinguishable for callers that release what they get.
  w->dc = lvx::CreateSurfaceDC(&w->surface);
  if (!parentIsOurs) SetupSnapshots(*w);
  Reg().windows.emplace(id, std::move(w));
  Reg().order.push_back(hwnd);
  AddLiveHandle(hwnd);
  ApplyCursorToWindow(hwnd);

  CREATESTRUCTA cs{};
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.cx = width;
  cs.cy = height;
  cs.x = x;
  cs.y = y;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (Find(hwnd) == nullptr) return nullptr;  // destroyed itself during WM_CREATE

  if (style & WS_VISIBLE) {
    ShowInternal(hwnd, true);
    Window* nw = Find(hwnd);
    if (nw == nullptr) return nullptr;
    if (!nw->parentIsOurs && !(style & WS_CHILD) && Reg().foreground == nullptr) {
      Reg().foreground = hwnd;
    }
  }
  return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr || w->destroying) return FALSE;
  w->destroying = true;
  if (w->visible) {
    w->visible = false;
    NativeSide(*w).Show(false);
  }
  if (Reg().focus == hwnd) Reg().focus = nullptr;
  KillWindowTimers(hwnd);
  // The last picture is the one on screen now, before WM_DESTROY tears the
  // scene down.
  if (!w->snapshotDir.empty()) WriteSnapshot(*w, "lumivex-final.png");
  // Win32 order: the window hears WM_DESTROY first, then its children go.
  SendMessageA(hwnd, WM_DESTROY, 0, 0);
  for (HWND child : AllWindows()) {
    Window* c = Find(child);
    if (c != nullptr && ((c->parentIsOurs && c->parent == hwnd) || c->owner == hwnd))
      DestroyWindow(child);
  }
  KillWindowTimers(hwnd);  // WM_DESTROY handlers sometimes start one
  if ((w = Find(hwnd)) != nullptr) {
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
  }
  FreeWindow(hwnd);
  return TRUE;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  return ShowInternal(hwnd, cmdShow != SW_HIDE) ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  if (w->invalid && w->visible) SendMessageA(hwnd, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  if (hwnd == nullptr) return FALSE;
  if (Find(hwnd) != nullptr || Id(hwnd) == kDesktopId) return TRUE;
  return IsForeign(hwnd) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr) return IsForeign(hwnd) ? TRUE : FALSE;
  for (;;) {
    if (!w->visible) return FALSE;
    if (!w->parentIsOurs) return TRUE;
    w = Find(w->parent);
    if (w == nullptr) return FALSE;
  }
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  for (HWND h : Reg().order) {
    Window* w = Find(h);
    if (w == nullptr || w->parent != nullptr || w->destroying) continue;
    if (className != nullptr && !IS_INTRESOURCE(className) && !SameText(w->className, className))
      continue;
    if (windowName != nullptr && !SameText(w->title, windowName)) continue;
    return h;
  }
  // The display can only search by both names.
  if (className == nullptr || windowName == nullptr || IS_INTRESOURCE(className)) return nullptr;
  lvx::NativeId id = lvx::CurrentBackend().FindForeignWindow(className, windowName);
  return id == 0 ? nullptr : Handle(id);
}

HWND GetParent(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr) return nullptr;
  // Win32: a child's parent, a popup's owner.
  if (w->owner != nullptr) return (w->style & WS_POPUP) ? w->owner : nullptr;
  return w->parent;
}

BOOL SetForegroundWindow(HWND hwnd) {
  if (Window* w = Find(hwnd)) {
    NativeSide(*w).Raise();
    Reg().foreground = hwnd;
    return TRUE;
  }
  if (IsForeign(hwnd)) {
    lvx::CurrentBackend().Raise(Id(hwnd));
    return TRUE;
  }
  return FALSE;
}

HWND GetForegroundWindow() { return Reg().foreground; }

HWND GetDesktopWindow() { return Handle(kDesktopId); }

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  if (rect == nullptr) return FALSE;
  if (Window* w = Find(hwnd)) {
    *rect = ClientRectOf(*w);
    return TRUE;
  }
  if (hwnd != nullptr && Id(hwnd) == kDesktopId) {
    SIZE s = lvx::CurrentBackend().ScreenSize();
    *rect = RECT{0, 0, s.cx, s.cy};
    return TRUE;
  }
  SIZE s{};
  if (hwnd != nullptr && lvx::CurrentBackend().ForeignClientSize(Id(hwnd), &s)) {
    *rect = RECT{0, 0, s.cx, s.cy};
    return TRUE;
  }
  return FALSE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  if (rect == nullptr) return FALSE;
  Window* w = Find(hwnd);
  if (w == nullptr) return GetClientRect(hwnd, rect);  // desktop and foreign: no frame known
  POINT o = ClientOrigin(*w);
  *rect = RECT{o.x, o.y, o.x + w->width, o.y + w->height};
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  ClampSize(width, height);
  bool moved = w->x != x || w->y != y;
  bool resized = w->width != width || w->height != height;
  w->x = x;
  w->y = y;
  NativeSide(*w).Move(x, y, width, height);
  if (resized) {
    w->width = width;
    w->height = height;
    w->surface.Resize(width, height);
    w->invalid = false;
  }
  if (moved) SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  if (resized && Find(hwnd) != nullptr) {
    SendMessageA(hwnd, WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(width), static_cast<WORD>(height)));
  }
  if (repaint && (w = Find(hwnd)) != nullptr) Invalidate(*w, nullptr, true);
  return TRUE;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  Window* w = Find(hwnd);
  if (w == nullptr) return 0;
  if (index >= 0) {
    if (static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) return 0;
    LONG_PTR v = 0;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA:
      return w->userData;
    case GWLP_ID:
      return w->controlId;
    default:
      return 0;
  }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  Window* w = Find(hwnd);
  if (w == nullptr) return 0;
  LONG_PTR old = 0;
  if (index >= 0) {
    if (static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) return 0;
    std::memcpy(&old, w->extra.data() + index, sizeof old);
    std::memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  switch (index) {
    case GWL_STYLE:
      old = static_cast<LONG>(w->style);
      // Visibility changes go through ShowWindow; keep the bit truthful.
      w->style = (static_cast<DWORD>(value) & ~static_cast<DWORD>(WS_VISIBLE)) |
                 (w->visible ? static_cast<DWORD>(WS_VISIBLE) : 0u);
      break;
    case GWL_EXSTYLE:
      old = static_cast<LONG>(w->exStyle);
      w->exStyle = static_cast<DWORD>(value);
      break;
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = value;
      break;
    case GWLP_ID:
      old = w->controlId;
      w->controlId = value;
      break;
    default:
      return 0;
  }
  return old;
}

LONG GetWindowLongA(HWND hwnd, int index) {
  Window* w = Find(hwnd);
  if (w == nullptr) return 0;
  if (index >= 0) {
    if (static_cast<std::size_t>(index) + sizeof(LONG) > w->extra.size()) return 0;
    LONG v = 0;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  Window* w = Find(hwnd);
  if (w == nullptr) return 0;
  if (index >= 0) {
    if (static_cast<std::size_t>(index) + sizeof(LONG) > w->extra.size()) return 0;
    LONG old = 0;
    std::memcpy(&old, w->extra.data() + index, sizeof old);
    if (IsPointerAligned(index) &&
        static_cast<std::size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
      // The whole slot, so a result written as LONG reads back as LONG_PTR.
      const LONG_PTR wide = value;
      std::memcpy(w->extra.data() + index, &wide, sizeof wide);
    } else {
      std::memcpy(w->extra.data() + index, &value, sizeof value);
    }
    return old;
  }
  return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

int GetWindowTextLengthA(HWND hwnd) {
  if (Find(hwnd) == nullptr) return 0;
  return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  const bool wasDisabled = (w->style & WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
  if (enable) {
    w->style &= ~static_cast<DWORD>(WS_DISABLED);
  } else {
    w->style |= WS_DISABLED;
    // A disabled window cannot keep the keyboard.
    if (Reg().focus == hwnd) ChangeFocus(nullptr, true);
  }
  if ((w = Find(hwnd)) != nullptr && w->host != nullptr)
    w->host->EnableWindow(Id(hwnd), enable != 0);
  SendMessageA(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = Find(hwnd);
  return (w != nullptr && !(w->style & WS_DISABLED)) ? TRUE : FALSE;
}

HWND SetFocus(HWND hwnd) {
  if (hwnd != nullptr) {
    Window* w = Find(hwnd);
    if (w == nullptr || (w->style & WS_DISABLED)) return nullptr;
  }
  return ChangeFocus(hwnd, true);
}

HWND GetFocus() { return Reg().focus; }

int GetWindowTextA(HWND hwnd, LPSTR text, int maxCount) {
  if (text == nullptr || maxCount <= 0) return 0;
  text[0] = '\0';
  if (Find(hwnd) == nullptr) return 0;
  return static_cast<int>(SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                       reinterpret_cast<LPARAM>(text)));
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  if (Find(hwnd) == nullptr) return FALSE;
  return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (hwnd == nullptr) {  // Win32: every window
    for (HWND h : AllWindows()) {
      if (Window* w = Find(h)) Invalidate(*w, nullptr, erase != FALSE);
    }
    return TRUE;
  }
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  Invalidate(*w, rect, erase != FALSE);
  return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = Find(hwnd);
  if (w == nullptr || ps == nullptr) return nullptr;
  std::memset(ps, 0, sizeof(*ps));
  if (w->erasePending) {
    EraseNow(hwnd);
    if ((w = Find(hwnd)) == nullptr) return nullptr;
  }
  ps->hdc = w->dc;
  ps->fErase = w->lastEraseFailed ? TRUE : FALSE;
  ps->rcPaint = w->invalid ? w->invalidRect : RECT{0, 0, 0, 0};
  w->invalid = false;
  w->lastEraseFailed = false;
  return w->dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT*) { return Find(hwnd) != nullptr ? TRUE : FALSE; }

HDC GetDC(HWND hwnd) {
  // There is no screen DC: callers wanting a scratch DC use CreateCompatibleDC.
  Window* w = Find(hwnd);
  return w == nullptr ? nullptr : w->dc;
}

int ReleaseDC(HWND hwnd, HDC hdc) {
  // The window keeps its one DC until it is destroyed.
  Window* w = Find(hwnd);
  return (w != nullptr && w->dc == hdc) ? 1 : 0;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT pt) {
  Window* w = Find(hwnd);
  if (w == nullptr || pt == nullptr) return FALSE;
  POINT o = ClientOrigin(*w);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT pt) {
  Window* w = Find(hwnd);
  if (w == nullptr || pt == nullptr) return FALSE;
  POINT o = ClientOrigin(*w);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hwnd);
  if (w == nullptr) return 0;
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      // Small values are Win32's "system colour + 1" brushes; we have no
      // system colours, so such a class leaves its background alone.
      if (dc == nullptr || reinterpret_cast<ULONG_PTR>(w->classBrush) <= 0x100) return 0;
      RECT r = ClientRectOf(*w);
      FillRect(dc, &r, w->classBrush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETTEXT: {
      LPCSTR text = reinterpret_cast<LPCSTR>(lParam);
      w->title = text != nullptr ? text : "";
      NativeSide(*w).SetTitle(w->title);
      return TRUE;
    }
    case WM_GETTEXT: {
      char* out = reinterpret_cast<char*>(lParam);
      if (out == nullptr || wParam == 0) return 0;
      std::size_t n = std::min<std::size_t>(w->title.size(), wParam - 1);
      std::memcpy(out, w->title.data(), n);
      out[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->title.size());
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) PostMessageA(hwnd, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}
