// The headless display: everything a real display does, kept in memory.
#include "platform/backend/headless/headless.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace lvx {
namespace {

constexpr SIZE kDefaultScreen{1024, 768};
constexpr long kMaxScreenSide = 16384;

// "WxH" with both sides 1..16384; anything else is refused.
bool ParseScreen(const char* text, SIZE* out) {
  const char* p = text;
  long v[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    if (*p < '0' || *p > '9') return false;
    while (*p >= '0' && *p <= '9') {
      v[i] = v[i] * 10 + (*p - '0');
      if (v[i] > kMaxScreenSide) return false;
      ++p;
    }
    if (i == 0) {
      if (*p != 'x' && *p != 'X') return false;
      ++p;
    }
  }
  if (*p != '\0' || v[0] < 1 || v[1] < 1) return false;
  *out = SIZE{static_cast<LONG>(v[0]), static_cast<LONG>(v[1])};
  return true;
}

bool IsMouseMessage(UINT m) { return m >= WM_MOUSEFIRST && m <= WM_MOUSELAST; }

}  // namespace

HeadlessBackend::HeadlessBackend() {
  screen_ = kDefaultScreen;
  const char* s = std::getenv("LUMIVEX_SCREEN");
  if (s != nullptr && !ParseScreen(s, &screen_)) {
    std::fprintf(stderr, "lumivex: LUMIVEX_SCREEN=\"%s\" is not WIDTHxHEIGHT; using %ldx%ld\n", s,
                 static_cast<long>(kDefaultScreen.cx), static_cast<long>(kDefaultScreen.cy));
    screen_ = kDefaultScreen;
  }
  pointer_ = POINT{screen_.cx / 2, screen_.cy / 2};
  eventFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (eventFd_ < 0) std::perror("lumivex: eventfd");
}

HeadlessBackend::~HeadlessBackend() {
  if (eventFd_ >= 0) close(eventFd_);
}

NativeId HeadlessBackend::CreateWindow(const NativeWindowDesc& desc) {
  std::lock_guard<std::mutex> lock(mu_);
  if (desc.parent != 0 && windows_.count(desc.parent) == 0 && foreign_.count(desc.parent) == 0) {
    return 0;
  }
  NativeId id = nextId_++;
  Win& win = windows_[id];
  win.desc = desc;
  // Room for a busy frame's rectangles: presenting allocates nothing.
  win.stats.lastRegions.reserve(4096);
  return id;
}

void HeadlessBackend::DestroyWindow(NativeId id) {
  std::lock_guard<std::mutex> lock(mu_);
  windows_.erase(id);
  if (lastRaised_ == id) lastRaised_ = 0;
}

void HeadlessBackend::ShowWindow(NativeId id, bool show) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = windows_.find(id);
  if (it != windows_.end()) it->second.shown = show;
}

void HeadlessBackend::MoveWindow(NativeId id, int x, int y, int width, int height) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = windows_.find(id);
  if (it == windows_.end()) return;
  it->second.desc.x = x;
  it->second.desc.y = y;
  it->second.desc.width = width;
  it->second.desc.height = height;
}

void HeadlessBackend::SetTitle(NativeId id, const std::string& title) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = windows_.find(id);
  if (it != windows_.end()) it->second.desc.title = title;
}

void HeadlessBackend::Raise(NativeId id) {
  std::lock_guard<std::mutex> lock(mu_);
  lastRaised_ = id;
}

bool HeadlessBackend::IsForeignWindow(NativeId id) {
  std::lock_guard<std::mutex> lock(mu_);
  return foreign_.count(id) != 0;
}

bool HeadlessBackend::ForeignClientSize(NativeId id, SIZE* size) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = foreign_.find(id);
  if (it == foreign_.end() || size == nullptr) return false;
  *size = it->second;
  return true;
}

NativeId HeadlessBackend::FindForeignWindow(const std::string&, const std::string&) {
  return 0;  // no other program shares a headless display
}

void HeadlessBackend::Present(NativeId id, Surface& surface, bool all) {
  const std::vector<RECT>& dirty = surface.TakeDirty();
  const RECT whole{0, 0, surface.width, surface.height};
  std::lock_guard<std::mutex> lock(mu_);
  auto it = windows_.find(id);
  if (it == windows_.end()) return;
  PresentStats& st = it->second.stats;
  ++st.presents;
  if (all) {
    ++st.fullPresents;
    st.lastRegions.assign(1, whole);
  } else {
    st.lastRegions.assign(dirty.begin(), dirty.end());  // reuses its storage
  }
  for (const RECT& r : st.lastRegions) {
    st.pixels += static_cast<long>(r.right - r.left) * (r.bottom - r.top);
  }
}

void HeadlessBackend::PresentArea(NativeId id, Surface& surface, const RECT& area) {
  RECT r{std::max<LONG>(area.left, 0), std::max<LONG>(area.top, 0),
         std::min<LONG>(area.right, surface.width), std::min<LONG>(area.bottom, surface.height)};
  if (r.left >= r.right || r.top >= r.bottom) return;
  std::lock_guard<std::mutex> lock(mu_);
  auto it = windows_.find(id);
  if (it == windows_.end()) return;
  PresentStats& st = it->second.stats;
  ++st.presents;
  st.lastRegions.assign(1, r);
  st.pixels += static_cast<long>(r.right - r.left) * (r.bottom - r.top);
}

void HeadlessBackend::PollEvents(std::vector<NativeEvent>& out) {
  if (eventFd_ >= 0) {
    std::uint64_t v = 0;
    ssize_t n = read(eventFd_, &v, sizeof v);
    (void)n;
  }
  std::lock_guard<std::mutex> lock(mu_);
  out.insert(out.end(), pending_.begin(), pending_.end());
  pending_.clear();
}

POINT HeadlessBackend::CursorPos() {
  std::lock_guard<std::mutex> lock(mu_);
  return pointer_;
}

void HeadlessBackend::SetCursorPos(int x, int y) {
  // A warp moves the pointer as a hand would, motion event included (as X does).
  MovePointer(x, y);
}

void HeadlessBackend::SetCursorVisible(NativeId id, bool visible) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = windows_.find(id);
  if (it != windows_.end()) it->second.cursorVisible = visible;
}

bool HeadlessBackend::GetScreenSaverTimeout(int* seconds) {
  if (seconds == nullptr) return false;
  std::lock_guard<std::mutex> lock(mu_);
  *seconds = timeoutSeconds_;
  return true;
}

bool HeadlessBackend::SetScreenSaverTimeout(int seconds) {
  if (seconds < 0) return false;
  std::lock_guard<std::mutex> lock(mu_);
  timeoutSeconds_ = seconds;
  return true;
}

POINT HeadlessBackend::ScreenOrigin(NativeId id) const {
  POINT p{0, 0};
  for (int depth = 0; depth < 64; ++depth) {
    auto it = windows_.find(id);
    if (it == windows_.end()) break;  // foreign parents sit at the screen origin
    p.x += it->second.desc.x;
    p.y += it->second.desc.y;
    id = it->second.desc.parent;
    if (id == 0) break;
  }
  return p;
}

void HeadlessBackend::Inject(const NativeEvent& event) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (event.kind == NativeEvent::Kind::Input && IsMouseMessage(event.message)) {
      POINT o = ScreenOrigin(event.window);
      pointer_ = POINT{o.x + GET_X_LPARAM(event.lParam), o.y + GET_Y_LPARAM(event.lParam)};
    }
    pending_.push_back(event);
  }
  if (eventFd_ >= 0) {
    std::uint64_t one = 1;
    ssize_t n = write(eventFd_, &one, sizeof one);
    (void)n;
  }
}

void HeadlessBackend::MovePointerLocked(int x, int y) {
  x = std::clamp(x, 0, static_cast<int>(screen_.cx) - 1);
  y = std::clamp(y, 0, static_cast<int>(screen_.cy) - 1);
  pointer_ = POINT{x, y};
  // The newest shown window under the pointer gets the motion (children are
  // created after their parents, so they win).
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    const Win& w = it->second;
    if (!w.shown) continue;
    POINT o = ScreenOrigin(it->first);
    int cx = x - o.x, cy = y - o.y;
    if (cx < 0 || cy < 0 || cx >= w.desc.width || cy >= w.desc.height) continue;
    NativeEvent ev;
    ev.kind = NativeEvent::Kind::Input;
    ev.window = it->first;
    ev.message = WM_MOUSEMOVE;
    ev.lParam = MAKELPARAM(static_cast<WORD>(cx), static_cast<WORD>(cy));
    pending_.push_back(ev);
    break;
  }
}

void HeadlessBackend::MovePointer(int x, int y) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    MovePointerLocked(x, y);
  }
  if (eventFd_ >= 0) {
    std::uint64_t one = 1;
    ssize_t n = write(eventFd_, &one, sizeof one);
    (void)n;
  }
}

NativeId HeadlessBackend::AddForeignWindow(int width, int height) {
  std::lock_guard<std::mutex> lock(mu_);
  NativeId id = nextId_++;
  foreign_[id] = SIZE{std::max(0, width), std::max(0, height)};
  return id;
}

void HeadlessBackend::RemoveForeignWindow(NativeId id) {
  std::lock_guard<std::mutex> lock(mu_);
  foreign_.erase(id);
}

HeadlessBackend::PresentStats HeadlessBackend::Stats(NativeId id) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = windows_.find(id);
  return it == windows_.end() ? PresentStats{} : it->second.stats;
}

bool HeadlessBackend::IsShown(NativeId id) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = windows_.find(id);
  return it != windows_.end() && it->second.shown;
}

bool HeadlessBackend::CursorVisible(NativeId id) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = windows_.find(id);
  return it == windows_.end() || it->second.cursorVisible;
}

std::string HeadlessBackend::Title(NativeId id) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = windows_.find(id);
  return it == windows_.end() ? std::string() : it->second.desc.title;
}

NativeId HeadlessBackend::LastRaised() const {
  std::lock_guard<std::mutex> lock(mu_);
  return lastRaised_;
}

std::unique_ptr<Backend> MakeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

HeadlessBackend* CurrentHeadless() { return dynamic_cast<HeadlessBackend*>(&CurrentBackend()); }

}  // namespace lvx
