// The message queue, the loop's wait, timers and the SIGTERM/SIGINT bridge.
//
// Retrieval order follows Win32: posted messages (FIFO), WM_QUIT, input from
// the display, a generated WM_PAINT for an invalid window, then a generated
// WM_TIMER for the earliest due timer. Timer messages are never stored, so at
// most one is ever pending per timer and missed ticks merge into one.
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "platform/user/user_internal.h"
#include "platform/user/window_registry.h"

namespace lvx::user {
namespace {

using Clock = std::chrono::steady_clock;

// Win32 clamps periods to these bounds; the lower one keeps a 0 ms timer
// from spinning the loop.
constexpr UINT kMinTimerMs = 10;
constexpr UINT kMaxTimerMs = 0x7FFFFFFF;

struct Timer {
  HWND hwnd = nullptr;  // nullptr: a window-less timer
  UINT_PTR id = 0;
  Clock::duration period{};
  TIMERPROC proc = nullptr;
  Clock::time_point due{};
};

// The eventfd that wakes a waiting loop. It lives as long as the process
// because a signal handler may write to it at any moment.
class WakeFd {
 public:
  WakeFd() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (fd_ < 0) std::perror("lumivex: eventfd");
  }
  ~WakeFd() {
    if (fd_ >= 0) close(fd_);
  }
  WakeFd(const WakeFd&) = delete;
  WakeFd& operator=(const WakeFd&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

std::atomic<int> g_wakeFd{-1};
std::atomic<bool> g_signalPending{false};
// Sticky: once asked to end, the process never waits for a person again.
std::atomic<bool> g_terminationRequested{false};
std::atomic<bool> g_handlersInstalled{false};

int WakeFdValue() {
  static WakeFd wake;
  g_wakeFd.store(wake.fd());
  return wake.fd();
}

void Wake() {
  int fd = g_wakeFd.load();
  if (fd < 0) fd = WakeFdValue();
  if (fd < 0) return;
  std::uint64_t one = 1;
  ssize_t n = write(fd, &one, sizeof one);
  (void)n;  // EAGAIN: the counter is already non-zero, a wake is pending
}

void DrainWake() {
  int fd = WakeFdValue();
  if (fd < 0) return;
  std::uint64_t v = 0;
  ssize_t n = read(fd, &v, sizeof v);
  (void)n;
}

void OnTerminateSignal(int sig) {
  int savedErrno = errno;
  g_terminationRequested.store(true);
  if (g_signalPending.exchange(true)) {
    // A second signal while the loop has not reacted to the first: the
    // program is stuck somewhere, so end it the ordinary way.
    signal(sig, SIG_DFL);
    raise(sig);
  }
  int fd = g_wakeFd.load();
  if (fd >= 0) {
    std::uint64_t one = 1;
    ssize_t n = write(fd, &one, sizeof one);
    (void)n;
  }
  errno = savedErrno;
}

struct Queue {
  // Shared with other threads (PostMessageA).
  std::mutex mu;
  std::deque<MSG> posted;
  std::unordered_set<HWND> live;
  bool quit = false;
  int quitCode = 0;

  // Window thread only.
  std::deque<MSG> input;
  std::vector<Timer> timers;
  UINT_PTR nextThreadTimerId = 1;
  POINT lastCursor{};
  bool lastCursorKnown = false;
};

Queue& Q() {
  static Queue q;
  return q;
}

// What the last wait saw: data on the display's connection (so reading it
// is worth a system call) and a write to the wake-up descriptor.
bool g_displayReadable = true;
bool g_wakeReadable = true;

std::atomic<bool> g_haveWindowThread{false};
std::atomic<std::thread::id> g_windowThread{};

bool InRange(UINT msg, UINT lo, UINT hi) {
  if (lo == 0 && hi == 0) return true;
  return msg >= lo && msg <= hi;
}

bool IsDescendant(HWND h, HWND ancestor) {
  for (int depth = 0; h != nullptr && depth < 64; ++depth) {
    if (h == ancestor) return true;
    Window* w = Find(h);
    if (w == nullptr || !w->parentIsOurs) return false;
    h = w->parent;
  }
  return false;
}

// hwnd filter: nullptr = everything, (HWND)-1 = thread messages only, else
// that window and its children.
bool HwndMatches(HWND msgHwnd, HWND filter) {
  if (filter == nullptr) return true;
  if (filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) return msgHwnd == nullptr;
  return IsDescendant(msgHwnd, filter);
}

POINT CursorForMessage() {
  Queue& q = Q();
  if (!q.lastCursorKnown) {
    q.lastCursor = CurrentBackend().CursorPos();
    q.lastCursorKnown = true;
  }
  return q.lastCursor;
}

void HandleSignals() {
  if (!g_signalPending.exchange(false)) return;
  std::vector<HWND> tops = TopLevelWindows();
  for (HWND h : tops) PostMessageA(h, WM_CLOSE, 0, 0);
  // Nothing to close: end the loop directly.
  if (tops.empty()) PostQuitMessage(0);
}

void HandleNativeEvent(const NativeEvent& ev) {
  HWND hwnd = Handle(ev.window);
  Window* w = Find(hwnd);
  if (w == nullptr) return;
  switch (ev.kind) {
    case NativeEvent::Kind::Input: {
      MSG m{};
      m.hwnd = hwnd;
      m.message = ev.message;
      m.wParam = ev.wParam;
      m.lParam = ev.lParam;
      m.time = TickNow();
      if (ev.message >= WM_MOUSEFIRST && ev.message <= WM_MOUSELAST) {
        POINT o = ClientOrigin(*w);
        m.pt = POINT{o.x + GET_X_LPARAM(ev.lParam), o.y + GET_Y_LPARAM(ev.lParam)};
        Q().lastCursor = m.pt;
        Q().lastCursorKnown = true;
      } else {
        Q().lastCursorKnown = false;
        m.pt = CursorForMessage();
      }
      Q().input.push_back(m);
      break;
    }
    case NativeEvent::Kind::Expose:
      // Only what the display lost: the rest of the window is still right.
      if (w->visible) CurrentBackend().PresentArea(ev.window, w->surface, ev.area);
      break;
    case NativeEvent::Kind::Resized: {
      int width = ev.area.right, height = ev.area.bottom;
      if (width > 0 && height > 0 && (width != w->width || height != w->height)) {
        w->width = width;
        w->height = height;
        w->surface.Resize(width, height);
        SendMessageA(hwnd, WM_SIZE, 0,
                     MAKELPARAM(static_cast<WORD>(width), static_cast<WORD>(height)));
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      break;
    }
    case NativeEvent::Kind::Closed:
      PostMessageA(hwnd, WM_CLOSE, 0, 0);
      break;
  }
}

// Takes the display's events. `readAll` reads the connection whatever the
// last wait saw; otherwise it is read only when the wait saw data on it.
// Returns whether any event came.
bool PumpDisplay(bool readAll) {
  // Reused so that the frame path allocates nothing; a handler that pumps
  // again (a nested message loop) gets a list of its own.
  static std::vector<NativeEvent> reused;
  static int depth = 0;
  std::vector<NativeEvent> nested;
  std::vector<NativeEvent>& events = depth == 0 ? reused : nested;
  struct Depth {
    Depth() { ++depth; }
    ~Depth() { --depth; }
  } inside;
  bool any = false;
  bool read = readAll || g_displayReadable;
  g_displayReadable = false;
  // Drain until the display has nothing more, so no event sits in a client
  // side buffer while we block on the connection's descriptor.
  for (int round = 0; round < 64; ++round) {
    events.clear();
    CurrentBackend().TakeEvents(events, read);
    if (events.empty()) break;
    any = true;
    read = true;
    for (const NativeEvent& ev : events) HandleNativeEvent(ev);
  }
  HandleSignals();
  return any;
}

void AdvanceTimer(Timer& t, Clock::time_point now) {
  t.due += t.period;
  // Late: the missed ticks merge into this one.
  if (t.due <= now) t.due = now + t.period;
}

bool Retrieve(MSG* out, HWND filter, UINT lo, UINT hi, bool remove, bool readAll) {
  PumpDisplay(readAll);
  Queue& q = Q();
  bool found = false;
  {
    std::lock_guard<std::mutex> lock(q.mu);
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
      if (!InRange(it->message, lo, hi) || !HwndMatches(it->hwnd, filter)) continue;
      *out = *it;
      if (remove) q.posted.erase(it);
      found = true;
      break;
    }
    if (!found && q.quit && InRange(WM_QUIT, lo, hi)) {
      *out = MSG{};
      out->message = WM_QUIT;
      out->wParam = static_cast<WPARAM>(q.quitCode);
      out->time = TickNow();
      if (remove) q.quit = false;
      found = true;
    }
  }
  if (found) {
    out->pt = CursorForMessage();  // outside the lock: it may ask the display
    return true;
  }
  for (auto it = q.input.begin(); it != q.input.end(); ++it) {
    if (!InRange(it->message, lo, hi) || !HwndMatches(it->hwnd, filter)) continue;
    *out = *it;
    if (remove) q.input.erase(it);
    return true;
  }
  if (InRange(WM_PAINT, lo, hi)) {
    for (HWND h : WindowOrder()) {
      Window* w = Find(h);
      if (w == nullptr || !w->invalid || !w->visible || !HwndMatches(h, filter)) continue;
      *out = MSG{h, WM_PAINT, 0, 0, TickNow(), CursorForMessage()};
      return true;  // stays until the window is validated
    }
  }
  if (InRange(WM_TIMER, lo, hi)) {
    Clock::time_point now = Clock::now();
    Timer* best = nullptr;
    for (Timer& t : q.timers) {
      if (t.due > now || !HwndMatches(t.hwnd, filter)) continue;
      if (best == nullptr || t.due < best->due) best = &t;
    }
    if (best != nullptr) {
      *out = MSG{best->hwnd, WM_TIMER,          best->id, reinterpret_cast<LPARAM>(best->proc),
                 TickNow(),  CursorForMessage()};
      if (remove) AdvanceTimer(*best, now);
      return true;
    }
  }
  return false;
}

// Blocks until something may have arrived: a post, a display event, a
// signal, or the earliest timer this filter can receive.
void Wait(HWND filter, UINT lo, UINT hi) {
  Queue& q = Q();
  bool haveDue = false;
  Clock::time_point due{};
  if (InRange(WM_TIMER, lo, hi)) {
    for (const Timer& t : q.timers) {
      if (!HwndMatches(t.hwnd, filter)) continue;
      if (!haveDue || t.due < due) due = t.due;
      haveDue = true;
    }
  }
  pollfd fds[2];
  nfds_t n = 0;
  int wake = WakeFdValue();
  if (wake >= 0) fds[n++] = pollfd{wake, POLLIN, 0};
  int displayFd = CurrentBackend().EventFd();
  if (displayFd >= 0) fds[n++] = pollfd{displayFd, POLLIN, 0};

  timespec ts{};
  timespec* timeout = nullptr;
  if (haveDue) {
    auto left = std::max(Clock::duration::zero(), due - Clock::now());
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    ts.tv_sec = static_cast<time_t>(ns / 1000000000);
    ts.tv_nsec = static_cast<long>(ns % 1000000000);
    timeout = &ts;
  } else if (n == 0) {
    // No descriptor at all (eventfd failed): poll at a slow pace rather than hang.
    ts.tv_nsec = 50 * 1000000L;
    timeout = &ts;
  }
  int rc = ppoll(fds, n, timeout, nullptr);
  if (rc < 0 && errno != EINTR) std::perror("lumivex: ppoll");
  // Only what woke us is read: most waits end with a timer and nothing else.
  g_wakeReadable = rc != 0;
  g_displayReadable = rc != 0;
  for (nfds_t i = 0; rc > 0 && i < n; ++i) {
    const bool ready = fds[i].revents != 0;
    if (fds[i].fd == wake) g_wakeReadable = ready;
    if (fds[i].fd == displayFd) g_displayReadable = ready;
  }
  if (g_wakeReadable) DrainWake();
}

Timer* FindTimer(HWND hwnd, UINT_PTR id) {
  for (Timer& t : Q().timers) {
    if (t.hwnd == hwnd && t.id == id) return &t;
  }
  return nullptr;
}

}  // namespace

DWORD TickNow() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
  return static_cast<DWORD>(ms.count());
}

void NoteWindowThread() {
  if (g_haveWindowThread.load()) return;
  g_windowThread.store(std::this_thread::get_id());
  g_haveWindowThread.store(true);
}

void AddLiveHandle(HWND hwnd) {
  std::lock_guard<std::mutex> lock(Q().mu);
  Q().live.insert(hwnd);
}

void RemoveLiveHandle(HWND hwnd) {
  Queue& q = Q();
  {
    std::lock_guard<std::mutex> lock(q.mu);
    q.live.erase(hwnd);
    q.posted.erase(std::remove_if(q.posted.begin(), q.posted.end(),
                                  [hwnd](const MSG& m) { return m.hwnd == hwnd; }),
                   q.posted.end());
  }
  q.input.erase(std::remove_if(q.input.begin(), q.input.end(),
                               [hwnd](const MSG& m) { return m.hwnd == hwnd; }),
                q.input.end());
  KillWindowTimers(hwnd);
}

void KillWindowTimers(HWND hwnd) {
  auto& v = Q().timers;
  v.erase(std::remove_if(v.begin(), v.end(), [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
          v.end());
}

void InstallSignalHandlers() {
  if (g_handlersInstalled.exchange(true)) return;
  if (WakeFdValue() < 0) return;
  struct sigaction sa {};
  sa.sa_handler = OnTerminateSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

LRESULT CallProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    return proc(hwnd, msg, wParam, lParam);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumivex: window procedure failed on message 0x%X: %s\n", msg, e.what());
  } catch (...) {
    std::fprintf(stderr, "lumivex: window procedure failed on message 0x%X\n", msg);
  }
  return 0;
}

void ResetQueueForTests() {
  Queue& q = Q();
  {
    std::lock_guard<std::mutex> lock(q.mu);
    q.posted.clear();
    q.live.clear();
    q.quit = false;
    q.quitCode = 0;
  }
  q.input.clear();
  q.timers.clear();
  q.nextThreadTimerId = 1;
  q.lastCursorKnown = false;
  g_signalPending.store(false);
  g_terminationRequested.store(false);
  g_haveWindowThread.store(false);
  DrainWake();
}

}  // namespace lvx::user

using namespace lvx::user;

namespace lvx {

MessageWaitSources CurrentMessageWaitSources() {
  MessageWaitSources out;
  int wake = WakeFdValue();
  if (wake >= 0) out.fds[out.count++] = wake;
  int displayFd = CurrentBackend().EventFd();
  if (displayFd >= 0) out.fds[out.count++] = displayFd;
  bool haveDue = false;
  Clock::time_point due{};
  for (const Timer& t : Q().timers) {
    if (!haveDue || t.due < due) due = t.due;
    haveDue = true;
  }
  if (haveDue) {
    auto left = std::max(Clock::duration::zero(), due - Clock::now());
    // Rounded up, so the wait never ends just before the timer is due.
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left +
                                                                    std::chrono::microseconds(999));
    out.timeoutMs = static_cast<int>(std::min<long long>(ms.count(), 0x7FFFFFFF));
  }
  return out;
}

void ClearMessageWake() { DrainWake(); }

bool TimerPeriod(HWND hwnd, UINT_PTR id, UINT* periodMs) {
  Timer* t = FindTimer(hwnd, id);
  if (t == nullptr) return false;
  if (periodMs != nullptr) {
    *periodMs =
        static_cast<UINT>(std::chrono::duration_cast<std::chrono::milliseconds>(t->period).count());
  }
  return true;
}

bool FireTimerNow(HWND hwnd, UINT_PTR id) {
  Timer* t = FindTimer(hwnd, id);
  if (t == nullptr) return false;
  t->due = Clock::now() + t->period;
  MSG m{hwnd, WM_TIMER, id, reinterpret_cast<LPARAM>(t->proc), TickNow(), CursorForMessage()};
  DispatchMessageA(&m);
  return true;
}

bool OnWindowThread() {
  return !g_haveWindowThread.load() || g_windowThread.load() == std::this_thread::get_id();
}

bool TerminationRequested() { return lvx::user::g_terminationRequested.load(); }

void CatchTerminationSignals() { lvx::user::InstallSignalHandlers(); }

}  // namespace lvx

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hwnd);
  if (w == nullptr || w->proc == nullptr) return 0;
  return CallProc(w->proc, hwnd, msg, wParam, lParam);
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Queue& q = Q();
  {
    std::lock_guard<std::mutex> lock(q.mu);
    // Only our own windows (or the thread itself, hwnd nullptr) can receive:
    // a foreign window's messages cannot be delivered from here.
    if (hwnd != nullptr && q.live.count(hwnd) == 0) return FALSE;
    MSG m{};
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = TickNow();
    q.posted.push_back(m);
  }
  Wake();
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  Queue& q = Q();
  {
    std::lock_guard<std::mutex> lock(q.mu);
    q.quit = true;
    q.quitCode = exitCode;
  }
  Wake();
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
  if (msg == nullptr) return FALSE;
  NoteWindowThread();
  return Retrieve(msg, hwnd, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0, true) ? TRUE
                                                                                       : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (msg == nullptr) return -1;
  if (hwnd != nullptr && hwnd != reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) &&
      Find(hwnd) == nullptr) {
    return -1;  // Win32: an invalid window filter is an error, not an endless wait
  }
  NoteWindowThread();
  bool windowFilter = hwnd != nullptr && hwnd != reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));
  for (;;) {
    // The connection is read when the last wait saw data on it; a timer
    // tick alone costs no read.
    if (Retrieve(msg, hwnd, filterMin, filterMax, true, false))
      return msg->message == WM_QUIT ? FALSE : TRUE;
    // The filtered window went away meanwhile: nothing can ever match.
    if (windowFilter && Find(hwnd) == nullptr) return -1;
    lvx::PresentDirtyWindows();
    // Before sleeping, read the connection once if the frame's requests may
    // have brought events into the display library's buffers, where the
    // descriptor no longer shows them.
    if (PumpDisplay(lvx::CurrentBackend().MayHoldUnseenEvents())) continue;
    Wait(hwnd, filterMin, filterMax);
  }
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
  if (msg == nullptr) return 0;
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    // Only call a procedure that a live timer really registered, so a forged
    // lParam can never become a jump target.
    Timer* t = FindTimer(msg->hwnd, msg->wParam);
    if (t == nullptr || reinterpret_cast<LPARAM>(t->proc) != msg->lParam) return 0;
    TIMERPROC proc = t->proc;
    try {
      proc(msg->hwnd, WM_TIMER, msg->wParam, TickNow());
    } catch (...) {
      std::fprintf(stderr, "lumivex: timer procedure failed\n");
    }
    lvx::PresentDirtyWindows();
    return 0;
  }
  Window* w = Find(msg->hwnd);
  if (w == nullptr || w->proc == nullptr) return 0;
  LRESULT result = CallProc(w->proc, msg->hwnd, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_TIMER && (w = Find(msg->hwnd)) != nullptr && !w->parentIsOurs &&
      !w->snapshotDir.empty()) {
    ++w->timerDispatches;
    if (w->timerDispatches % w->snapshotEvery == 0) {
      char name[48];
      std::snprintf(name, sizeof name, "lumivex-%06ld.png", w->timerDispatches);
      WriteSnapshot(*w, name);
    }
  }
  lvx::PresentDirtyWindows();
  return result;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  if (hwnd != nullptr) {
    Window* w = Find(hwnd);
    if (w == nullptr || w->destroying) return 0;
  }
  NoteWindowThread();
  Queue& q = Q();
  if (hwnd == nullptr && (id == 0 || FindTimer(nullptr, id) == nullptr)) {
    // A fresh id that no window-less timer uses.
    do {
      id = q.nextThreadTimerId++;
      if (q.nextThreadTimerId == 0) q.nextThreadTimerId = 1;
    } while (id == 0 || FindTimer(nullptr, id) != nullptr);
  }
  UINT ms = std::clamp(elapseMs, kMinTimerMs, kMaxTimerMs);
  Timer* t = FindTimer(hwnd, id);
  if (t == nullptr) {
    q.timers.push_back(Timer{});
    t = &q.timers.back();
    t->hwnd = hwnd;
    t->id = id;
  }
  t->period = std::chrono::milliseconds(ms);
  t->proc = proc;
  t->due = Clock::now() + t->period;
  if (hwnd != nullptr) return id != 0 ? id : 1;
  return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& v = Q().timers;
  auto it = std::find_if(v.begin(), v.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == v.end()) return FALSE;
  v.erase(it);
  return TRUE;
}
