// The message queue: order, WM_QUIT, timers, signals, threads, idle cost.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "platform/backend/headless/headless.h"
#include "tests/platform/user/recorder.h"

using namespace lvx::test;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

namespace {

// Runs the ordinary loop until WM_QUIT; returns GetMessageA's quit code.
int RunLoop() {
  MSG m;
  BOOL r;
  while ((r = GetMessageA(&m, nullptr, 0, 0)) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  EXPECT_EQ(r, 0);
  return static_cast<int>(m.wParam);
}

}  // namespace

TEST(Queue, CreationSendsCreateShowEraseThenQueuedPaint) {
  RegisterRecorder();
  HWND w = MakeWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CREATE, WM_SHOWWINDOW, WM_ERASEBKGND}));
  EXPECT_EQ(Log()[1].wParam, static_cast<WPARAM>(TRUE));
  EXPECT_EQ(Log()[2].wParam, reinterpret_cast<WPARAM>(GetDC(w)));
  Log().clear();
  EXPECT_EQ(PumpPending(), 1);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_PAINT}));
  EXPECT_EQ(PumpPending(), 0) << "WM_PAINT must stop once DefWindowProcA validated";
}

TEST(Queue, CreateReturningMinusOneFailsAndDestroys) {
  RegisterRecorder();
  SetHook([](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m != WM_CREATE) return false;
    *r = -1;
    return true;
  });
  EXPECT_EQ(MakeWindow(), nullptr);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
  HWND failed = Log()[0].hwnd;
  EXPECT_FALSE(IsWindow(failed));
  EXPECT_EQ(FindWindowA("Recorder", nullptr), nullptr);
}

TEST(Queue, PostedAndSentMessagesArriveInOrder) {
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP);
  SetHook([w](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_USER + 1) {
      SendMessageA(w, WM_USER + 10, 0, 0);  // runs inside, before anything queued
      PostMessageA(w, WM_USER + 11, 0, 0);  // behind what is already queued
    } else if (m == WM_USER + 11) {
      PostQuitMessage(7);
      PostMessageA(w, WM_USER + 12, 0, 0);  // posted work still precedes WM_QUIT
    }
    return false;
  });
  Log().clear();
  PostMessageA(w, WM_USER + 1, 0, 0);
  PostMessageA(w, WM_USER + 2, 0, 0);
  EXPECT_EQ(RunLoop(), 7);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_USER + 1, WM_USER + 10, WM_USER + 2, WM_USER + 11,
                                           WM_USER + 12}));
}

TEST(Queue, PostedBeforeInputBeforePaintBeforeTimer) {
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP | WS_VISIBLE);
  PumpPending();
  SetTimer(w, 1, 50, nullptr);
  std::this_thread::sleep_for(milliseconds(60));
  InvalidateRect(w, nullptr, FALSE);
  lvx::NativeEvent key;
  key.window = reinterpret_cast<lvx::NativeId>(w);
  key.message = WM_KEYDOWN;
  key.wParam = VK_SPACE;
  lvx::CurrentHeadless()->Inject(key);
  PostMessageA(w, WM_USER, 0, 0);
  Log().clear();
  PumpPending();
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_USER, WM_KEYDOWN, WM_PAINT, WM_TIMER}));
}

TEST(Queue, LateTimerYieldsOneMessageNotABurst) {
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP);
  ASSERT_EQ(SetTimer(w, 5, 10, nullptr), 5u);
  SetHook([](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_USER) std::this_thread::sleep_for(milliseconds(100));  // a busy handler
    return false;
  });
  PostMessageA(w, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  DispatchMessageA(&m);
  auto late = Clock::now();
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(m.wParam, 5u);
  // The missed ticks merged: the next one is a whole period away.
  ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  EXPECT_GE(Clock::now() - late, milliseconds(9));
}

TEST(Queue, PeekWithTimerRangeRemovesOnlyTimers) {
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP);
  PostMessageA(w, WM_USER, 0, 0);
  SetTimer(w, 1, 50, nullptr);
  std::this_thread::sleep_for(milliseconds(60));
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, w, WM_TIMER, WM_TIMER, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageA(&m, w, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  EXPECT_FALSE(PeekMessageA(&m, w, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST(Queue, CloseThroughDefWindowProcDestroysAndEndsLoop) {
  RegisterRecorder();
  HWND w = MakeWindow();
  SetHook([](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_DESTROY) PostQuitMessage(0);
    return false;
  });
  SetTimer(w, 1, 10, nullptr);
  Log().clear();
  PostMessageA(w, WM_CLOSE, 0, 0);
  EXPECT_EQ(RunLoop(), 0);
  std::vector<UINT> seen = Messages();
  std::vector<UINT> tail(seen.end() - 3, seen.end());
  EXPECT_EQ(tail, (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0)) << "a destroyed window takes no posts";
}

TEST(Queue, DestroyedWindowsTimersStop) {
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP);
  HWND other = MakeWindow(WS_POPUP);
  SetTimer(w, 1, 10, nullptr);
  SetTimer(other, 1, 40, nullptr);
  PostMessageA(w, WM_USER, 0, 0);
  DestroyWindow(w);
  EXPECT_FALSE(KillTimer(w, 1));
  EXPECT_EQ(SetTimer(w, 2, 10, nullptr), 0u);
  std::this_thread::sleep_for(milliseconds(50));
  Log().clear();
  PumpPending();
  EXPECT_EQ(Messages(w), std::vector<UINT>{}) << "neither its timer nor its posts arrive";
  EXPECT_EQ(Messages(other), (std::vector<UINT>{WM_TIMER}));
}

namespace {
std::atomic<int> g_procCalls{0};
UINT_PTR g_procId = 0;
void CALLBACK CountingTimerProc(HWND hwnd, UINT msg, UINT_PTR id, DWORD) {
  EXPECT_EQ(hwnd, nullptr);
  EXPECT_EQ(msg, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(id, g_procId);
  if (++g_procCalls == 3) {
    KillTimer(nullptr, id);
    PostQuitMessage(0);
  }
}
void CALLBACK NeverTimerProc(HWND, UINT, UINT_PTR, DWORD) { ADD_FAILURE() << "forged proc called"; }
}  // namespace

TEST(Queue, WindowlessTimerCallsItsProcedure) {
  g_procId = SetTimer(nullptr, 0, 10, CountingTimerProc);
  ASSERT_NE(g_procId, 0u);
  UINT_PTR second = SetTimer(nullptr, 0, 1000, CountingTimerProc);
  EXPECT_NE(second, g_procId) << "each window-less timer gets a fresh id";
  KillTimer(nullptr, second);
  RunLoop();
  EXPECT_EQ(g_procCalls.load(), 3);
}

TEST(Queue, TimerProcFromAPostedMessageIsNotTrusted) {
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP);
  Log().clear();
  MSG m{w, WM_TIMER, 9, reinterpret_cast<LPARAM>(NeverTimerProc), 0, {}};
  DispatchMessageA(&m);
  m.lParam = 0;
  DispatchMessageA(&m);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_TIMER}));
}

TEST(Queue, SigtermClosesTheWindowAndEndsTheLoop) {
  RegisterRecorder();
  HWND w = MakeWindow();
  SetHook([](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_DESTROY) PostQuitMessage(3);
    return false;
  });
  std::raise(SIGTERM);
  EXPECT_EQ(RunLoop(), 3);
  std::vector<UINT> seen = Messages(w);
  EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_CLOSE)), seen.end());
  EXPECT_FALSE(IsWindow(w));
}

TEST(Queue, PostsFromAnotherThreadArriveInOrderAndWakeTheLoop) {
  RegisterRecorder();
  HWND w = MakeWindow(WS_POPUP);
  constexpr int kCount = 2000;
  std::thread poster([w] {
    std::this_thread::sleep_for(milliseconds(30));  // the loop is blocked by now
    for (int i = 0; i < kCount; ++i) PostMessageA(w, WM_USER, static_cast<WPARAM>(i), 0);
    PostMessageA(w, WM_USER + 1, 0, 0);
  });
  SetHook([](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_USER + 1) PostQuitMessage(0);
    return false;
  });
  Log().clear();
  RunLoop();
  poster.join();
  ASSERT_EQ(Log().size(), static_cast<size_t>(kCount + 1));
  for (int i = 0; i < kCount; ++i) ASSERT_EQ(Log()[i].wParam, static_cast<WPARAM>(i));
}

TEST(Queue, GetMessageRejectsBadArguments) {
  MSG m;
  EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
  EXPECT_EQ(GetMessageA(&m, reinterpret_cast<HWND>(0x7777), 0, 0), -1);
  EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x7777), WM_USER, 0, 0));
}

TEST(Queue, IdleLoopWithFortyMillisecondTimerUsesAlmostNoCpu) {
  RegisterRecorder();
  HWND w = MakeWindow();
  PumpPending();
  SetTimer(w, 1, 40, nullptr);
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  auto start = Clock::now();
  int ticks = 0;
  MSG m;
  while (Clock::now() - start < milliseconds(1000) && GetMessageA(&m, nullptr, 0, 0) > 0) {
    if (m.message == WM_TIMER) ++ticks;
    DispatchMessageA(&m);
  }
  getrusage(RUSAGE_SELF, &after);
  auto cpuUs = [](const rusage& r) {
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000.0 + r.ru_utime.tv_usec +
           r.ru_stime.tv_usec;
  };
  double wallUs = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
  double share = (cpuUs(after) - cpuUs(before)) / wallUs;
  std::printf("idle loop: %d ticks, CPU %.2f%% of wall time\n", ticks, share * 100.0);
  EXPECT_LT(share, 0.20);
  EXPECT_GE(ticks, 10);
  EXPECT_LE(ticks, 26);
}
