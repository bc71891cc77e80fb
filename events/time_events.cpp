#include "events/time_events.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "messages/text_pixels.h"
#include "platform/winapi.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {

constexpr int kInfo = 3;
constexpr std::time_t kRealClock = static_cast<std::time_t>(-1);

std::time_t clockForTests = kRealClock;

std::time_t Now() { return clockForTests != kRealClock ? clockForTests : std::time(nullptr); }

// Calendar fields that mktime could only overflow on; a date outside them
// cannot be converted, like any other failed conversion.
bool Convertible(long long year, long long month, long long day, long long hour, long long minute) {
  auto within = [](long long v, long long lo, long long hi) { return v >= lo && v <= hi; };
  return within(year, 1, 9999) && within(month, -100000, 100000) &&
         within(day, -1000000, 1000000) && within(hour, -1000000, 1000000) &&
         within(minute, -10000000, 10000000);
}

// A local date and time as an instant; -1 when it cannot be converted.
std::time_t LocalInstant(long long year, long long month, long long day, long long hour,
                         long long minute) {
  if (!Convertible(year, month, day, hour, minute)) return static_cast<std::time_t>(-1);
  std::tm tm{};
  tm.tm_year = static_cast<int>(year - 1900);
  tm.tm_mon = static_cast<int>(month - 1);
  tm.tm_mday = static_cast<int>(day);
  tm.tm_hour = static_cast<int>(hour);
  tm.tm_min = static_cast<int>(minute);
  tm.tm_sec = 0;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days from 1 January of `year` to 1 January 1970 when year is earlier, with
// every year divisible by four counted as 366 days.
long long DaysUpTo1970(long long year) {
  if (year >= 1970) return 0;
  const long long years = 1970 - year;
  const long long leap = FloorDiv(1969, 4) - FloorDiv(year - 1, 4);
  return years * 365 + leap;
}

std::string Format(const char* format, long long a) {
  char text[64];
  std::snprintf(text, sizeof text, format, a);
  return text;
}

// The hour difference of a clock token, 0 when the text holds none that is
// usable. Beyond a million hours (over a century) a difference is nonsense
// that the calendar conversion could not take.
double ClockDifference(const char* text) {
  float d = 0.0f;
  if (std::strlen(text) < 4 || std::sscanf(text + 4, "%f", &d) != 1) return 0.0;
  if (!std::isfinite(d) || std::fabs(d) > 1.0e6f) return 0.0;
  return d;
}

// text begins with word, in any letter case.
bool BeginsWith(const char* text, const char* word) {
  for (; *word != '\0'; ++text, ++word) {
    if (*text == '\0') return false;
    const auto a = static_cast<unsigned char>(*text);
    const auto b = static_cast<unsigned char>(*word);
    if (std::toupper(a) != std::toupper(b)) return false;
  }
  return true;
}

HBITMAP LoadPicture(int id) { return LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)); }

struct PictureToken {
  TokenKind kind;
  int resource;
  int width;
  int height;
};

// The scanned size is one pixel short of the picture where the pictures
// carry a blank last column or row.
constexpr PictureToken kPictures[] = {
    {TokenHeart, 131, 65, 55},
    {TokenHappyFace, 132, 35, 40},
    {TokenPeace, 190, 41, 31},
    {TokenStar, 179, 55, 55},
    {TokenXmasTree, 178, 0, 0},
};

}  // namespace

const TimeZoneRecord TimeZones[TimeZoneCount] = {
    {-12.0f, "(GMT-12:00) Eniwetok, Kwajalein"},
    {-11.0f, "(GMT-11:00) Midway Island, Samoa"},
    {-10.0f, "(GMT-10:00) Hawaii"},
    {-9.0f, "(GMT-09:00) Alaska"},
    {-8.0f, "(GMT-08:00) Pacific Time (US & Canada); Tijuana"},
    {-7.0f, "(GMT-07:00) Mountain Time (US & Canada)"},
    {-7.0f, "(GMT-07:00) Arizona"},
    {-6.0f, "(GMT-06:00) Central Time (US & Canada)"},
    {-6.0f, "(GMT-06:00) Saskatchewan"},
    {-6.0f, "(GMT-06:00) Mexico City, Tegucigalpa"},
    {-5.0f, "(GMT-05:00) Eastern Time (US & Canada)"},
    {-5.0f, "(GMT-05:00) Indiana (East)"},
    {-5.0f, "(GMT-05:00) Bogota, Lima, Quito"},
    {-4.0f, "(GMT-04:00) Atlantic Time (Canada)"},
    {-4.0f, "(GMT-04:00) Caracas, La Paz"},
    {-4.0f, "(GMT-04:00) Santiago"},
    {-3.5f, "(GMT-03:30) Newfoundland"},
    {-3.0f, "(GMT-03:00) Brasilia"},
    {-3.0f, "(GMT-03:00) Buenos Aires, Georgetown"},
    {-2.0f, "(GMT-02:00) Mid-Atlantic"},
    {-1.0f, "(GMT-01:00) Azores, Cape Verde Is."},
    {0.0f, "(GMT) Greenwich Mean Time : Dublin, Edinburgh, Lisbon, London"},
    {0.0f, "(GMT) Casablanca, Monrovia"},
    {1.0f, "(GMT+01:00) Belgrade, Bratislava, Budapest, Ljubljana, Prague"},
    {1.0f, "(GMT+01:00) Sarajevo, Skopje, Sofija, Warsaw, Zagreb"},
    {1.0f, "(GMT+01:00) Brussels, Copenhagen, Madrid, Paris, Vilnius"},
    {1.0f, "(GMT+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna"},
    {2.0f, "(GMT+02:00) Athens, Nicosia"},
    {2.0f, "(GMT+02:00) Bucharest"},
    {2.0f, "(GMT+02:00) Cairo"},
    {2.0f, "(GMT+02:00) Helsinki, Riga, Tallinn"},
    {2.0f, "(GMT+02:00) Istanbul, Minsk"},
    {2.0f, "(GMT+02:00) Jerusalem"},
    {2.0f, "(GMT+02:00) Harare, Pretoria"},
    {3.0f, "(GMT+03:00) Moscow, St. Petersburg, Volgograd"},
    {3.0f, "(GMT+03:00) Baghdad, Kuwait, Riyadh"},
    {3.0f, "(GMT+03:00) Nairobi"},
    {3.5f, "(GMT+03:30) Tehran"},
    {4.0f, "(GMT+04:00) Abu Dhabi, Muscat"},
    {4.0f, "(GMT+04:00) Baku, Tbilisi"},
    {4.5f, "(GMT+04:30) Kabul"},
    {5.0f, "(GMT+05:00) Ekaterinburg"},
    {5.0f, "(GMT+05:00) Islamabad, Karachi, Tashkent"},
    {5.5f, "(GMT+05:30) Bombay, Calcutta, Madras, New Delhi"},
    {6.0f, "(GMT+06:00) Astana, Almaty, Dhaka"},
    {6.0f, "(GMT+06:00) Colombo"},
    {7.0f, "(GMT+07:00) Bangkok, Hanoi, Jakarta"},
    {8.0f, "(GMT+08:00) Beijing, Chongqing, Hong Kong, Urumqi"},
    {8.0f, "(GMT+08:00) Singapore"},
    {8.0f, "(GMT+08:00) Taipei"},
    {8.0f, "(GMT+08:00) Perth"},
    {9.0f, "(GMT+09:00) Seoul"},
    {9.0f, "(GMT+09:00) Osaka, Sapporo, Tokyo"},
    {9.0f, "(GMT+09:00) Yakutsk"},
    {9.5f, "(GMT+09:30) Darwin"},
    {9.5f, "(GMT+09:30) Adelaide"},
    {10.0f, "(GMT+10:00) Canberra, Melbourne, Sydney"},
    {10.0f, "(GMT+10:00) Brisbane"},
    {10.0f, "(GMT+10:00) Hobart"},
    {10.0f, "(GMT+10:00) Vladivostok"},
    {10.0f, "(GMT+10:00) Guam, Port Moresby"},
    {11.0f, "(GMT+11:00) Magadan, Solomon Is., New Caledonia"},
    {12.0f, "(GMT+12:00) Fiji, Kamchatka, Marshall Is."},
    {12.0f, "(GMT+12:00) Auckland, Wellington"},
};

TokenKind FindTokenKind(const char* text) {
  if (text == nullptr) return TokenText;
  if (std::strcmp(text, "HEART") == 0) return TokenHeart;
  if (std::strcmp(text, "HAPPY_FACE") == 0) return TokenHappyFace;
  if (std::strcmp(text, "PEACE") == 0) return TokenPeace;
  if (BeginsWith(text, "TIME")) return TokenTime;
  if (std::strcmp(text, "COUNTDOWN") == 0) return TokenCountdown;
  if (BeginsWith(text, "BIRTHDAY")) return TokenBirthday;
  if (std::strcmp(text, "STAR") == 0) return TokenStar;
  if (std::strcmp(text, "XMASTREE") == 0) return TokenXmasTree;
  return TokenText;
}

std::string ClockText(const char* text) {
  const double d = ClockDifference(text != nullptr ? text : "");
  LogFile.LogLong(kInfo, "WorldTime diff minutes", static_cast<long>(d * 60.0));

  // The local wall clock moved by whole seconds, without a second look at
  // daylight saving: timegm/gmtime_r treat the local fields as plain numbers.
  const std::time_t now = Now();
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return "";
  const std::time_t moved = timegm(&local) + static_cast<std::time_t>(std::trunc(d * 3600.0));
  std::tm shown{};
  if (gmtime_r(&moved, &shown) == nullptr) return "";

  // The day and month names of the user's language (LC_TIME, taken at start).
  char date[50];
  if (std::strftime(date, sizeof date, "%a, %b %d", &shown) == 0) date[0] = '\0';
  LogFile.Log(kInfo, "WorldTime date", date);

  int format24 = 0;
  MainSettings.UserReadInt("params", "FormatTime24H", &format24, 0);
  char time[32];
  if (format24 != 0) {
    std::snprintf(time, sizeof time, "%i:%02i", shown.tm_hour, shown.tm_min);
  } else {
    int hour = shown.tm_hour % 12;
    if (hour == 0) hour = 12;
    std::snprintf(time, sizeof time, "%i:%02i %s", hour, shown.tm_min,
                  shown.tm_hour < 12 ? "AM" : "PM");
  }

  // Centre the time line roughly over the date line.
  long k = (static_cast<long>(std::strlen(date)) - static_cast<long>(std::strlen(time))) / 2;
  k = std::clamp(k, 0L, 22L);
  return std::string(static_cast<std::size_t>(k), ' ') + "   " + time + "\n" + date;
}

std::string CountdownText() {
  int year = 2003, month = 1, day = 1, hour = 0, minute = 0;
  MainSettings.UserReadInt("CDCounter", "Year", &year, 2003);
  MainSettings.UserReadInt("CDCounter", "Month", &month, 1);
  MainSettings.UserReadInt("CDCounter", "Day", &day, 1);
  MainSettings.UserReadInt("CDCounter", "Hour", &hour, 0);
  MainSettings.UserReadInt("CDCounter", "Min", &minute, 0);
  const std::time_t target = LocalInstant(year, month, day, hour, minute);

  const long long m = (static_cast<long long>(target) - static_cast<long long>(Now())) / 60;
  if (m >= 2880) return Format("%lld days", m / 1440);
  std::string text;
  if (m >= 1440) text = Format("%lld day\n", m / 1440);
  // Any whole minute past is over, also an exact number of days past, where
  // the remainder alone would read 00:00.
  if (m < 0) return "Countdown\n   is over";
  const long long r = m % 1440;
  char hours[32];
  std::snprintf(hours, sizeof hours, "%02lli:%02lli hours", r / 60, r % 60);
  return text + hours;
}

std::string DayOfLifeText(int year, int month, int day) {
  const long long extra = DaysUpTo1970(year);
  const long long from = year < 1970 ? 1970 : year;
  const std::time_t birth = LocalInstant(from, month, day, 0, 0);
  if (birth == static_cast<std::time_t>(-1)) return "Wrong birthday";
  const long long days =
      extra + (static_cast<long long>(Now()) - static_cast<long long>(birth)) / 86400;
  if (days > 0) return Format("Day %lld\nof your life", days);
  return "Wrong birthday";
}

void Project(char* text, std::size_t size) {
  static char blank[] = " ";
  if (text == nullptr || size == 0) {
    text = blank;
    size = sizeof blank;
  }
  // The caller's buffer is expected to be terminated; make sure of it.
  text[size - 1] = '\0';
  LogFile.Log(kInfo, "Project-entering", text);

  const int mails = MailCount.load(std::memory_order_relaxed);
  if (mails > 0) {
    std::snprintf(text, size, "You've got\nmail (%i)", mails);
    char shown[40];
    std::snprintf(shown, sizeof shown, "You've got mail (%i)", mails);
    LogFile.Log(kInfo, "Project-mail", shown);
    PlaySoundA("MailBeep", nullptr, SND_ALIAS | SND_ASYNC);
  }
  if (text[0] == '\0' && size >= 2) {
    text[0] = ' ';
    text[1] = '\0';
  }

  const TokenKind kind = FindTokenKind(text);
  NewPixelSource();

  switch (kind) {
    case TokenHeart:
    case TokenHappyFace:
    case TokenPeace:
    case TokenStar:
    case TokenXmasTree:
      for (const PictureToken& token : kPictures) {
        if (token.kind != kind) continue;
        HBITMAP bitmap = LoadPicture(token.resource);
        if (bitmap != nullptr) UsePictureAsSource(bitmap, token.width, token.height);
      }
      break;
    case TokenTime:
      RenderTextSource(ClockText(text).c_str(), AFSize());
      break;
    case TokenCountdown:
      RenderTextSource(CountdownText().c_str(), AFSize());
      break;
    case TokenBirthday: {
      int year = 0, month = 0, day = 0;
      // Leading zeros are decimal here ("08" is August), not octal.
      const bool read = std::sscanf(text, "BIRTHDAY FROM %d%d%d", &year, &month, &day) == 3;
      RenderTextSource(read ? DayOfLifeText(year, month, day).c_str() : "Wrong birthday", AFSize());
      break;
    }
    case TokenText:
      RenderTextSource(text, 10.0f);
      break;
  }

  if (SourceBitmap == nullptr) Trace("TEXT2PIXEL - 7161");
  Text2Pixel();
}

namespace lvx {

void SetClockForTests(std::time_t now) { clockForTests = now; }

void ResetTimeEventsForTests() {
  MailCount.store(0);
  clockForTests = kRealClock;
}

}  // namespace lvx
