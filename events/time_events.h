// Time events: the keywords a message may be (symbols, the clock, the world
// clock, a countdown, the day of the user's life) and the mail notice, turned
// into the pixel source that the message stars write.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

// MailCount: written by the mailbox worker thread, read here once per
// projection.
#include "mail/mail_count.h"

// Token kinds of a message text (no kind 3: a sad face is written as letters).
enum TokenKind {
  TokenText = 0,
  TokenHeart = 1,
  TokenHappyFace = 2,
  TokenPeace = 4,
  TokenTime = 5,
  TokenCountdown = 6,
  TokenBirthday = 7,
  TokenStar = 8,
  TokenXmasTree = 9,
};

// The kind of a whole message text.
TokenKind FindTokenKind(const char* text);

// Renders the message into the pixel source and lays it out (Text2Pixel).
// The buffer (size bytes) may be rewritten: the mail notice, or a blank for
// an empty text.
void Project(char* text, std::size_t size);
template <std::size_t N>
void Project(char (&text)[N]) {
  Project(text, N);
}

// "TIME <hours>": the local time moved by hours, as a time line over a date
// line.
std::string ClockText(const char* text);
// Time left until the "CDCounter" target.
std::string CountdownText();
// The number of the present day of a life that began on the given date.
std::string DayOfLifeText(int year, int month, int day);

struct TimeZoneRecord {
  float offset;  // hours from UTC
  const char* name;
};
inline constexpr int TimeZoneCount = 64;
// In the order of the world clock's lists; the index is what its token stores.
extern const TimeZoneRecord TimeZones[TimeZoneCount];

namespace lvx {
// Tests: the instant every time event takes as "now"; (time_t)-1 returns to
// the real clock.
void SetClockForTests(std::time_t now);
// Tests: no mail, the real clock.
void ResetTimeEventsForTests();
}  // namespace lvx
