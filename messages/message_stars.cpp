#include "messages/message_stars.h"

#include <cstring>

#include "events/time_events.h"
#include "messages/quill.h"
#include "messages/text_pixels.h"
#include "moon/phase.h"
#include "scene/saver_state.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {
constexpr int kInfo = 3;
constexpr int kWarning = 5;

int Frames(int milliseconds) { return milliseconds / (RealTickTime > 0 ? RealTickTime : 1); }

// Appends as much of `text` as fits, keeping the terminator inside `size`
// and every character whole.
void AppendCut(char* out, std::size_t size, const char* text) {
  const std::size_t used = std::strlen(out);
  if (used + 1 >= size) return;
  const std::size_t n = lvx::CutLength(text, size - 1 - used);
  std::memcpy(out + used, text, n);
  out[used + n] = '\0';
}

// The next target of a star; an unneeded parked star stays parked rather
// than dropping from the top edge to the bottom.
void GiveNextTarget(MSGSTAR& star) {
  GetNextXY(&star.targetX, &star.targetY);
  if (star.y == 0 && star.targetY == ScreenRect.bottom) {
    star.targetY = 0;
    star.targetX = star.x;
  }
}
}  // namespace

void ComposeBottomLine(char* out, std::size_t size, const char* bottomLine, const char* moonText) {
  if (size == 0) return;
  out[0] = '\0';
  if (bottomLine == nullptr) bottomLine = "";
  AppendCut(out, size, bottomLine);
  if (bottomLine[0] != '\0' && moonText != nullptr) AppendCut(out, size, moonText);
  // The blanks give the scrolling picture a black right margin: no trail.
  AppendCut(out, size, "  ");
}

BOTTOMLINE::BOTTOMLINE() : scrollOffset(0), nextMessagePending(0) {}

void BOTTOMLINE::Create() {
  // The old line disappears from the screen with its bitmap.
  if (bitmap.Used()) bitmap.Destroy();
  LogFile.Log(kInfo, "BOTTOMLINE::Create", Quill.BottomLine);
  char text[QUILL::BottomLineSize];
  ComposeBottomLine(text, sizeof text, Quill.BottomLine, MoonText());
  bitmap.CreateFromText(SaverDC, CLR_INVALID, 0, text);
  scrollOffset = 0;
  nextMessagePending = 0;
}

void BOTTOMLINE::Scroll() {
  bitmap.x = ScreenRect.right - scrollOffset;
  bitmap.y = ScreenRect.bottom - bitmap.height - 5;
  if (bitmap.Display() == 0) LogFile.Log(kWarning, "tBmp.Display", "FALSE");
  scrollOffset += 2;
  if (scrollOffset > bitmap.width + (ScreenRect.right - ScreenRect.left)) {
    scrollOffset = 0;
    nextMessagePending = 1;
  }
}

void BOTTOMLINE::Destroy() {
  if (bitmap.Used()) bitmap.Destroy();
}

void CreateMessageStars(MSGSTAR* stars, int count) {
  LogFile.Log(kInfo, "Universe", "Calling MSGSTAR::PrintMsg()");
  LogFile.Log(kInfo, "MSGSTAR::PrintMsg", "entering");
  Quill.GetNext();
  Project(Quill.Message);

  LogFile.Log(kInfo, "Universe", "Calling MStar[i].Create");
  for (int i = 0; i < count; ++i) {
    MSGSTAR& star = stars[i];
    star.Create(30, 45, Frames(40000), SaverDC, ScreenRect.left, ScreenRect.top, ScreenRect.right,
                ScreenRect.bottom, Frames(20000), Frames(2000));
    // Parked on the top edge; it appears at its random start spot when its
    // departure comes.
    star.x = RandomBelow(ScreenRect.right);
    star.y = 0;
    star.messageFlag = 1;
    star.moveCounter = Frames(20000);
    GiveNextTarget(star);
  }
  // The first flight is under way: no bottom line until it ends.
  if (count > 0) AnyStarMoving = 1;
}

void PrintMsg(MSGSTAR* stars, int count, BOTTOMLINE& line) {
  line.nextMessagePending = 0;
  StartMoving = 1;
  LogFile.Log(kInfo, "MSGSTAR::PrintMsg", "entering");
  Quill.GetNext();
  Project(Quill.Message);
  for (int i = 0; i < count; ++i) GiveNextTarget(stars[i]);
  line.Create();
}
