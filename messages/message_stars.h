// The message stars and the bottom line: how a message comes into the sky
// and how the next one follows.
#pragma once

#include <cstddef>

#include "scene/bitmap.h"
#include "scene/stars.h"

inline constexpr int MessageStarCount = 2723;

// The bottom line: the message's second text, scrolled from the right edge to
// the left along the bottom once the message has formed.
class BOTTOMLINE {
 public:
  BOTTOMLINE();
  // Rebuilds the bitmap from the message book's current bottom line (with the
  // moon notice appended to a non-empty line, then two blanks).
  void Create();
  // One frame of scrolling; the caller runs it only while no star moves.
  void Scroll();
  void Destroy();

  BitmapClass bitmap;
  int scrollOffset;
  int nextMessagePending;
};

// The displayed bottom line: bottomLine, then moonText when bottomLine is not
// empty, then two blanks, cut to fit `size` bytes (terminator included).
void ComposeBottomLine(char* out, std::size_t size, const char* bottomLine, const char* moonText);

// Scene creation: fetches and lays out the first message, then creates the
// message stars parked on the top edge with their first targets.
void CreateMessageStars(MSGSTAR* stars, int count);

// Starts the next message: every star flies from where it stands to its new
// target, and the bottom line is rebuilt.
void PrintMsg(MSGSTAR* stars, int count, BOTTOMLINE& line);
