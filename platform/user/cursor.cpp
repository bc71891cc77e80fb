// Cursor, system metrics and the display's name.
#include "platform/backend/backend.h"
#include "platform/user/user_internal.h"

namespace lvx::user {
namespace {

// LoadCursorA/LoadIconA hand out tokens: the display draws its own arrow and
// the saver never draws an icon itself.
char g_cursorToken;
char g_iconToken;

struct CursorState {
  HCURSOR current = reinterpret_cast<HCURSOR>(&g_cursorToken);
  int showCount = 0;
  bool shown = true;  // what the windows were last told
};

CursorState& State() {
  static CursorState s;
  return s;
}

bool WantVisible() {
  const CursorState& s = State();
  return s.current != nullptr && s.showCount >= 0;
}

void Apply() {
  bool visible = WantVisible();
  if (visible == State().shown) return;
  State().shown = visible;
  for (HWND h : AllWindows()) CurrentBackend().SetCursorVisible(Id(h), visible);
}

}  // namespace

void ApplyCursorToWindow(HWND hwnd) {
  if (!State().shown) CurrentBackend().SetCursorVisible(Id(hwnd), false);
}

void ResetCursorForTests() { State() = CursorState{}; }

}  // namespace lvx::user

using namespace lvx::user;

BOOL GetCursorPos(LPPOINT pt) {
  if (pt == nullptr) return FALSE;
  *pt = lvx::CurrentBackend().CursorPos();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  lvx::CurrentBackend().SetCursorPos(x, y);
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR previous = State().current;
  State().current = cursor;
  Apply();
  return previous;
}

int ShowCursor(BOOL show) {
  State().showCount += show ? 1 : -1;
  Apply();
  return State().showCount;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return reinterpret_cast<HCURSOR>(&g_cursorToken); }

HICON LoadIconA(HINSTANCE, LPCSTR) { return reinterpret_cast<HICON>(&g_iconToken); }

int GetSystemMetrics(int index) {
  SIZE s = lvx::CurrentBackend().ScreenSize();
  switch (index) {
    case SM_CXSCREEN:
      return s.cx;
    case SM_CYSCREEN:
      return s.cy;
    default:
      return 0;
  }
}

namespace lvx {

const char* DisplayName() { return CurrentBackend().Name(); }

void ResetUserStateForTests() {
  user::ResetWindowsForTests();
  user::ResetQueueForTests();
  user::ResetCursorForTests();
}

}  // namespace lvx
