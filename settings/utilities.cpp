#include "settings/utilities.h"

#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <string>

#include "settings/ini_file.h"
#include "settings/log_file.h"

namespace {

// Set while a "PROBLEM" box is up; reports from either thread meanwhile are dropped.
std::atomic<bool> gProblemShowing{false};

std::mutex gTraceMutex;
std::string gTrace;  // at most 998 characters between flushes
unsigned gTraceCounter = 0;
bool gFirstFlush = true;
// Keeps one flush's two settings writes together when both threads flush.
std::mutex gFlushMutex;

constexpr std::size_t kTraceLimit = 999;
constexpr const char* kTraceOverflow = "*StrCat*";

// Caller holds gTraceMutex.
void TraceAppendLocked(const char* piece) {
  std::size_t n = std::strlen(piece);
  if (gTrace.size() + n < kTraceLimit) {
    gTrace += piece;
  } else if (gTrace.size() + std::strlen(kTraceOverflow) < kTraceLimit) {
    gTrace += kTraceOverflow;
  }
}

// One generator for the whole program: a 32-bit Mersenne Twister, seeded from
// the system's entropy source on first use (or by tests), mapped onto 0..n-1
// by multiply-and-shift, which gives the same sequence on every platform.
std::mutex gRandomMutex;
std::mt19937 gRandom;
bool gRandomSeeded = false;

constexpr std::size_t kFindLimit = 3999;

std::string LowerCopy(const char* text, bool& cut) {
  std::size_t n = strnlen(text, kFindLimit + 1);
  if (n > kFindLimit) {
    cut = true;
    n = kFindLimit;
  }
  std::string s(text, n);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

void ShowProblem(HWND owner, const char* text, int destroy) {
  if (gProblemShowing.exchange(true)) return;
  MessageBoxA(owner, text ? text : "", "PROBLEM", MB_OK);
  if (destroy && owner != nullptr) DestroyWindow(owner);
  gProblemShowing = false;
}

void InternalError(HWND owner, unsigned number, int destroy) {
  char text[48];
  std::snprintf(text, sizeof text, "Internal error #%u", number);
  ShowProblem(owner, text, destroy);
}

void Trace(const char* text) {
  std::lock_guard<std::mutex> lock(gTraceMutex);
  if (!gTrace.empty()) TraceAppendLocked(" , ");
  TraceAppendLocked(text ? text : "");
}

void TraceFlush() {
  std::lock_guard<std::mutex> flushLock(gFlushMutex);
  std::string text;
  unsigned counter;
  bool first;
  {
    std::lock_guard<std::mutex> lock(gTraceMutex);
    if (gTrace.empty()) return;
    if (++gTraceCounter > 1000) gTraceCounter = 1;
    counter = gTraceCounter;
    // Two blanks close the entry, but the value must stay short enough for the
    // settings store to read it back whole (998 characters).
    for (int i = 0; i < 2 && gTrace.size() < kTraceLimit - 1; ++i) gTrace += ' ';
    text.swap(gTrace);
    first = gFirstFlush;
    gFirstFlush = false;
    if (first) counter = ++gTraceCounter;
  }
  char key[24];
  if (first) {
    std::snprintf(key, sizeof key, "error%u", counter - 1);
    std::string value = "-----Start at :" + lvx::LocalTimeText();
    LogFile.Log(3, key, value.c_str());
  }
  std::snprintf(key, sizeof key, "error%u", counter);
  MainSettings.WriteString("Debug", key, text.c_str());
  std::snprintf(key, sizeof key, "error%u", counter + 1);
  MainSettings.WriteString("Debug", key, "---------END---------");
}

int SafeStrCpy(char* destination, const char* source, std::size_t size) {
  if (destination == nullptr) return 0;
  if (source == nullptr) source = "";
  const std::size_t full = strnlen(source, size);
  // A cut keeps whole characters: the byte limit may leave up to three unused.
  const std::size_t n = full == size ? lvx::CutLength(source, size) : full;
  std::memmove(destination, source, n);
  destination[n] = '\0';
  if (full == size) {
    LogFile.Log(5, "SafeStrCpy - lenght error", source);
    return 1;
  }
  return 0;
}

int FindText(const char* text, const char* pattern) {
  if (text == nullptr || pattern == nullptr) return -1;
  bool cut = false;
  std::string t = LowerCopy(text, cut);
  std::string p = LowerCopy(pattern, cut);
  if (cut) InternalError(nullptr, 4512);
  std::size_t pos = t.find(p);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int RandomBelow(int n) {
  if (n <= 0) return 0;
  std::lock_guard<std::mutex> lock(gRandomMutex);
  if (!gRandomSeeded) {
    std::random_device device;
    gRandom.seed(device());
    gRandomSeeded = true;
  }
  auto r = static_cast<std::uint64_t>(gRandom());
  return static_cast<int>((r * static_cast<std::uint64_t>(n)) >> 32);
}

TextFont::TextFont()
    : faceName_{},
      size_(0.0f),
      charSet_(0),
      selected_(0),
      logFont_{},
      font_(nullptr),
      oldFont_(nullptr),
      color_(-1),
      oldTextColor_(0),
      oldBkColor_(0),
      dc_(nullptr) {}

TextFont::~TextFont() {
  // The device context may be gone already, so nothing is restored here.
  if (selected_) InternalError(nullptr, 2123);
}

void TextFont::Load(const char* section) {
  MainSettings.UserReadString(section, "Font", faceName_, "Arial", sizeof faceName_);
  if (color_ == -1) {
    long color = 0xFFFF00;
    MainSettings.UserReadInt(section, "Color", &color, 0xFFFF00L);
    color_ = color;
  }
  if (size_ == 0.0f) MainSettings.UserReadFloat(section, "FontSize", &size_, 10.0f);
  if (size_ < 5.0f) size_ = 5.0f;
  if (size_ > 34.0f) size_ = 34.0f;
  MainSettings.UserReadInt(section, "FontCharSet", &charSet_, 1);

  int dpi = dc_ != nullptr ? GetDeviceCaps(dc_, LOGPIXELSY) : 0;
  if (dpi <= 0) dpi = 96;  // the platform's logical resolution
  logFont_ = LOGFONTA{};
  logFont_.lfHeight = -static_cast<LONG>(std::lround(static_cast<int>(size_) * dpi / 72.0));
  logFont_.lfWeight = 100;
  logFont_.lfCharSet = static_cast<BYTE>(charSet_);
  std::memcpy(logFont_.lfFaceName, faceName_, sizeof logFont_.lfFaceName);
  logFont_.lfFaceName[LF_FACESIZE - 1] = '\0';
}

void TextFont::Select(HDC dc, COLORREF textColor, COLORREF backColor) {
  if (dc == nullptr) {
    InternalError(nullptr, 2351);
    return;
  }
  if (selected_) {
    InternalError(nullptr, 2358);
    return;
  }
  dc_ = dc;
  if (textColor != CLR_INVALID) color_ = static_cast<long>(textColor);
  Load("Font");
  oldTextColor_ = SetTextColor(dc_, static_cast<COLORREF>(color_));
  oldBkColor_ = SetBkColor(dc_, backColor);
  font_ = CreateFontIndirectA(&logFont_);
  oldFont_ = font_ != nullptr ? SelectObject(dc_, font_) : nullptr;
  selected_ = 1;
}

void TextFont::Release() {
  if (!selected_) {
    InternalError(nullptr, 2352);
    return;
  }
  selected_ = 0;
  SetTextColor(dc_, oldTextColor_);
  SetBkColor(dc_, oldBkColor_);
  if (oldFont_ != nullptr) SelectObject(dc_, oldFont_);
  if (font_ != nullptr) DeleteObject(font_);
  font_ = nullptr;
  oldFont_ = nullptr;
}

PenClass::PenClass() : selected_(0), pen_(nullptr), oldPen_(nullptr) {}

PenClass::~PenClass() = default;

void PenClass::Select(HDC dc, COLORREF color) {
  if (selected_) {
    InternalError(nullptr, 821);
    return;
  }
  pen_ = CreatePen(PS_SOLID, 0, color);
  oldPen_ = SelectObject(dc, pen_);
  selected_ = 1;
}

void PenClass::Release(HDC dc) {
  if (!selected_) {
    InternalError(nullptr, 822);
    return;
  }
  selected_ = 0;
  if (oldPen_ != nullptr) SelectObject(dc, oldPen_);
  if (pen_ != nullptr) DeleteObject(pen_);
  pen_ = nullptr;
  oldPen_ = nullptr;
}

namespace lvx {

void SeedRandomForTests(unsigned seed) {
  std::lock_guard<std::mutex> lock(gRandomMutex);
  gRandom.seed(seed);
  gRandomSeeded = true;
}

std::string TraceBufferForTests() {
  std::lock_guard<std::mutex> lock(gTraceMutex);
  return gTrace;
}

void SetTraceCounterForTests(unsigned counter) {
  std::lock_guard<std::mutex> lock(gTraceMutex);
  gTraceCounter = counter;
}

void ResetUtilitiesForTests() {
  {
    std::lock_guard<std::mutex> lock(gTraceMutex);
    gTrace.clear();
    gTraceCounter = 0;
    gFirstFlush = true;
  }
  gProblemShowing = false;
  std::lock_guard<std::mutex> lock(gRandomMutex);
  gRandomSeeded = false;
}

}  // namespace lvx
