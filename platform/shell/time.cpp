// Time: the tick count, pauses and the local time.
#include <sched.h>
#include <time.h>

#include <cerrno>

#include "platform/user/window_registry.h"
#include "platform/winapi.h"

// Milliseconds of the monotonic clock (time since boot), wrapping at 2^32
// like the Win32 tick count.
DWORD GetTickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const unsigned long long ms = static_cast<unsigned long long>(ts.tv_sec) * 1000ull +
                                static_cast<unsigned long long>(ts.tv_nsec) / 1000000ull;
  return static_cast<DWORD>(ms & 0xFFFFFFFFull);
}

// What was drawn before a pause is shown during it.
void Sleep(DWORD ms) {
  lvx::PresentDirtyWindows();
  if (ms == 0) {
    sched_yield();
    return;
  }
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

void GetLocalTime(SYSTEMTIME* st) {
  if (st == nullptr) return;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  const time_t secs = ts.tv_sec;
  localtime_r(&secs, &local);
  st->wYear = static_cast<WORD>(local.tm_year + 1900);
  st->wMonth = static_cast<WORD>(local.tm_mon + 1);
  st->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  st->wDay = static_cast<WORD>(local.tm_mday);
  st->wHour = static_cast<WORD>(local.tm_hour);
  st->wMinute = static_cast<WORD>(local.tm_min);
  // A leap second reads as the last ordinary one, as Win32 never shows 60.
  st->wSecond = static_cast<WORD>(local.tm_sec > 59 ? 59 : local.tm_sec);
  st->wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000L);
}
