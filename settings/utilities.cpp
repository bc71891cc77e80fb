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
  std::size_t n = strnlen(source, size);
  std::memmove(destination, source, n);
  destination[n] = '\0';
  if (n == size) {
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

void TextFont::Choose(HWND window) {
  HDC dc = GetDC(window);
  HDC previous = dc_;
  dc_ = dc;  // Load takes the resolution from it
  Load("Font");
  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = nullptr;
  cf.hDC = dc;
  cf.lpLogFont = &logFont_;
  cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
  cf.rgbColors = static_cast<COLORREF>(color_);
  // Cancel leaves the record as it was, so the same values are stored again.
  ChooseFontA(&cf);
  int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dpi <= 0) dpi = 96;
  size_ = -(static_cast<float>(logFont_.lfHeight) * 72.0f / static_cast<float>(dpi));
  SafeStrCpy(faceName_, logFont_.lfFaceName, sizeof faceName_ - 1);
  charSet_ = logFont_.lfCharSet;
  color_ = static_cast<long>(cf.rgbColors);
  MainSettings.UserWriteString("Font", "Font", faceName_);
  MainSettings.UserWriteFloat("Font", "FontSize", size_);
  MainSettings.UserWriteUInt("Font", "FontCharSet", static_cast<unsigned>(charSet_));
  MainSettings.UserWriteLong("Font", "Color", color_);
  dc_ = previous;
  if (dc != nullptr) ReleaseDC(window, dc);
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

namespace {

constexpr std::size_t kMailLinkLimit = 5000;

}  // namespace

int OpenMailLink(const char* recipient, const char* copyRecipient, const char* subject,
                 const char* body) {
  std::string to = recipient ? recipient : "";
  std::string cc = copyRecipient ? copyRecipient : "";
  std::string about = subject ? subject : "";
  std::string text = body ? body : "";
  const std::size_t total = to.size() + cc.size() + about.size() + text.size();
  if (total >= kMailLinkLimit) {
    InternalError(nullptr, 4112);
    // The link still goes out, with as much of the body as fits.
    const std::size_t others = to.size() + cc.size() + about.size();
    text.resize(others < kMailLinkLimit - 1 ? std::min(text.size(), kMailLinkLimit - 1 - others)
                                            : 0);
  }
  const std::string link = "mailto:" + to + "?subject=" + about + "&cc=" + cc + "&body=" + text;
  HINSTANCE result = ShellExecuteA(nullptr, "open", link.c_str(), nullptr, nullptr, SW_RESTORE);
  return reinterpret_cast<std::intptr_t>(result) > 32 ? 1 : 0;
}

int BrowseForFolder(HWND owner, const char* title, char* path, int size) {
  if (path == nullptr || size < MAX_PATH) {
    InternalError(owner, 7724);
    return 0;
  }
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.lpszTitle = title;
  info.ulFlags = 0;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info);
  if (item == nullptr) return 0;
  char chosen[MAX_PATH];
  const BOOL ok = SHGetPathFromIDListA(item, chosen);
  CoTaskMemFree(item);
  if (!ok) return 0;
  SafeStrCpy(path, chosen, static_cast<std::size_t>(size) - 1);
  return 1;
}

int OpenFileDialog(HWND owner, const char* title, const char* kind, char* path, int size) {
  // The filters are NUL-separated pairs ended by an empty string.
  static const char kWav[] = "WAV files (*.WAV)\0*.WAV\0All files (*.*)\0*.*\0";
  static const char kMid[] = "MIDI files (*.MID)\0*.MID\0All files (*.*)\0*.*\0";
  static const char kBmp[] = "BMP files (*.BMP)\0*.BMP\0";
  // One record for the program, as the platform's dialog remembers its last folder.
  static OPENFILENAMEA ofn;
  if (path == nullptr || size < MAX_PATH + 1) {
    InternalError(owner, 2394);
    return 0;
  }
  const std::string k = kind ? kind : "";
  ofn = OPENFILENAMEA{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = k == "WAV" ? kWav : k == "MID" ? kMid : kBmp;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = static_cast<DWORD>(size);
  ofn.lpstrInitialDir = nullptr;
  ofn.lpstrTitle = title;
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  const BOOL chosen = GetOpenFileNameA(&ofn);
  if (!chosen) LogCommDlgError();
  return chosen;
}

void LogCommDlgError() {
  const char* name = "UNKNOWN";
  switch (CommDlgExtendedError()) {
    case CDERR_STRUCTSIZE:
      name = "CDERR_STRUCTSIZE";
      break;
    case CDERR_INITIALIZATION:
      name = "CDERR_INITIALIZATION";
      break;
    case CDERR_NOTEMPLATE:
      name = "CDERR_NOTEMPLATE";
      break;
    case CDERR_NOHINSTANCE:
      name = "CDERR_NOHINSTANCE";
      break;
    case CDERR_LOADSTRFAILURE:
      name = "CDERR_LOADSTRFAILURE";
      break;
    case CDERR_FINDRESFAILURE:
      name = "CDERR_FINDRESFAILURE";
      break;
    case CDERR_LOADRESFAILURE:
      name = "CDERR_LOADRESFAILURE";
      break;
    case CDERR_LOCKRESFAILURE:
      name = "CDERR_LOCKRESFAILURE";
      break;
    case CDERR_MEMALLOCFAILURE:
      name = "CDERR_MEMALLOCFAILURE";
      break;
    case CDERR_MEMLOCKFAILURE:
      name = "CDERR_MEMLOCKFAILURE";
      break;
    case CDERR_NOHOOK:
      name = "CDERR_NOHOOK";
      break;
    case FNERR_SUBCLASSFAILURE:
      name = "FNERR_SUBCLASSFAILURE";
      break;
    case FNERR_INVALIDFILENAME:
      name = "FNERR_INVALIDFILENAME";
      break;
    case FNERR_BUFFERTOOSMALL:
      name = "FNERR_BUFFERTOOSMALL";
      break;
    default:
      break;
  }
  LogFile.Log(3, "CommDlgError", name);
}

INT_PTR RunDialog(HINSTANCE instance, int dialogId, HWND parent, DLGPROC proc, LPARAM param) {
  const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(dialogId), parent, proc, param);
  // The same guard as every problem box: never two at once.
  if (result == -1) ShowProblem(parent, "Dialog Box returned -1");
  return result;
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
