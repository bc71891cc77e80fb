#include "settings/log_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace {

// Both threads (window and mail worker) log; the byte count, the formatting
// and the append form one step. Defined before LogFile so it outlives it.
std::mutex gLogMutex;
// Counted bytes written in this run; never reset while the program runs.
int gLogBytes = 0;

constexpr int kLogLimit = 40000;
constexpr std::size_t kLineLimit = 299;
constexpr std::size_t kSettingsCopyLimit = 7999;
constexpr const char* kBuildDate = "Oct 16 2005";
constexpr const char* kSizeWarning = "WARNING> Maximum Log Size Reached!\n";
constexpr const char* kPromptCaption = "Possible Error Detected";

const char* OrEmpty(const char* s) { return s ? s : ""; }

const char* Prefix(int level) {
  switch (level & 14) {
    case 2: return "INFO>";
    case 4: return "WARNING>";
    case 8: return "ERROR>";
    default: return "UNKNOWN>";
  }
}

// "C:\lumivex-log.txt" and the like: the root of a drive is the log folder here.
std::string MapLogPath(const std::string& path) {
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
      path[2] == '\\') {
    std::string rest = path.substr(3);
    for (char& c : rest)
      if (c == '\\') c = '/';
    return lvx::LogFolder() + "/" + rest;
  }
  return path;
}

struct Contents {
  bool error = false;
  bool stopPrompt = false;
};

// Streams the file so that a huge foreign file costs no memory.
Contents ScanLog(const std::string& path) {
  Contents result;
  std::FILE* f = lvx::OpenRegularFile(path.c_str(), "rb");
  if (f == nullptr) return result;
  std::error_code ec;
  if (std::filesystem::file_size(path, ec) == static_cast<std::uintmax_t>(-1) || ec) {
    std::fclose(f);
    MessageBoxA(nullptr, path.c_str(), "Unknown Size", MB_OK);
    return result;
  }
  static constexpr const char* kError = "ERROR>";
  static constexpr const char* kStop = "StopUserPrompt";
  const std::size_t keep = std::strlen(kStop) - 1;
  std::string window;
  char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    window.append(chunk, n);
    if (window.find(kError) != std::string::npos) result.error = true;
    if (window.find(kStop) != std::string::npos) result.stopPrompt = true;
    if (window.size() > keep) window.erase(0, window.size() - keep);
  }
  std::fclose(f);
  return result;
}

std::string ReadSettingsCopy(const std::string& path) {
  std::string text;
  std::FILE* f = lvx::OpenRegularFile(path.c_str(), "r");
  if (f == nullptr) return text;
  // Three bytes beyond the limit tell whether its last character is whole.
  text.resize(kSettingsCopyLimit + 3);
  std::size_t n = std::fread(text.data(), 1, text.size(), f);
  std::fclose(f);
  text.resize(n);
  text.resize(lvx::CutLength(std::string_view(text), kSettingsCopyLimit));
  for (char& c : text)
    if (c == '\0') c = ' ';
  // The log is UTF-8 text; a settings file typed in the older code page is converted.
  return lvx::ToUtf8(text);
}

std::string Header() {
  return "\n\n"
         " This is the log file of the Lumivex screensaver.\n"
         " If Lumivex does not operate normally on your computer,\n"
         " you can send this file to support@lumivex.example\n"
         " and it will be examined to find a solution.\n";
}

}  // namespace

LogFileClass LogFile;

LogFileClass::LogFileClass() : state_(-1), stopPrompt_(0) {}

LogFileClass::~LogFileClass() {
  bool logging;
  {
    std::lock_guard<std::mutex> lock(gLogMutex);
    logging = state_ == 1;
  }
  if (logging) Log(2, "Freeing LogFileClass", lvx::LocalTimeText().c_str());
}

int LogFileClass::State() const {
  std::lock_guard<std::mutex> lock(gLogMutex);
  return state_;
}

std::string LogFileClass::Path() const {
  std::lock_guard<std::mutex> lock(gLogMutex);
  return logPath_;
}

void LogFileClass::Init(const char* logPath, const char* settingsFileName) {
  if (State() != -1) MessageBoxA(nullptr, "Called twice", "LogFileClass::Init", MB_OK);
  std::string path = MapLogPath(OrEmpty(logPath));
  bool exists = false;
  // Opened without blocking: a pipe at the log's place would hold up the
  // start for good. Anything but a regular file counts as no log.
  if (std::FILE* f = lvx::OpenRegularFile(path.c_str(), "r")) {
    exists = true;
    std::fclose(f);
  } else if (errno == EINVAL || errno == EISDIR) {
    std::fprintf(stderr, "lumivex: %s is not a regular file; no log is written there\n",
                 path.c_str());
  }
  {
    std::lock_guard<std::mutex> lock(gLogMutex);
    logPath_ = path;
    state_ = exists ? 1 : 0;
    if (exists) {
      std::string name = OrEmpty(settingsFileName);
      while (!name.empty() && (name[0] == '\\' || name[0] == '/')) name.erase(0, 1);
      settingsPath_ = lvx::ConfigFolder() + "/" + name;
    }
  }
  if (!exists) return;
  Contents c = ScanLog(path);
  if (c.error && !c.stopPrompt) UserPrompt();
}

void LogFileClass::Clear() {
  std::lock_guard<std::mutex> lock(gLogMutex);
  ClearLocked();
}

void LogFileClass::ClearLocked() {
  if (state_ != 1) return;
  if (std::FILE* f = lvx::OpenRegularFile(logPath_.c_str(), "w")) std::fclose(f);
  WriteEntryLocked(3, "=======================================", Header().c_str());
  WriteEntryLocked(2, "Log Cleared", lvx::LocalTimeText().c_str());
  WriteEntryLocked(3, "Build date", kBuildDate);
  if (stopPrompt_) WriteEntryLocked(3, "Settings", "StopUserPrompt");
}

void LogFileClass::AppendLocked(std::string_view piece) {
  if (state_ != 1 || gLogBytes > kLogLimit) return;
  gLogBytes += static_cast<int>(piece.size()) + 2;
  lvx::AppendToRegularFile(logPath_.c_str(), piece.data(), piece.size());
  if (gLogBytes > kLogLimit) {
    const std::string_view warning = kSizeWarning;
    gLogBytes += static_cast<int>(warning.size()) + 2;
    lvx::AppendToRegularFile(logPath_.c_str(), warning.data(), warning.size());
  }
}

void LogFileClass::WriteEntryLocked(int level, const char* name, const char* value) {
  if ((level & 14) == 8 && state_ != 1) {
    state_ = 1;
    ClearLocked();
  }
  // Built on the stack: a log line written during a frame allocates nothing.
  // Every raw byte becomes at least one byte of UTF-8, so the first
  // kLineLimit + 3 of them (room for the character that crosses the limit)
  // give the same line as the whole entry would.
  constexpr std::size_t kRaw = kLineLimit + 3;
  char raw[kRaw];
  std::size_t rawSize = 0;
  for (const char* part : {Prefix(level), OrEmpty(name), "= ", OrEmpty(value)}) {
    for (; *part != '\0' && rawSize < kRaw; ++part) raw[rawSize++] = *part;
  }
  // Values in the older code page are converted, so the log reads as UTF-8;
  // the line limit counts bytes and never cuts a character in two.
  char line[3 * kRaw + 1];
  std::size_t size = lvx::ToUtf8Into(std::string_view(raw, rawSize), line, 3 * kRaw);
  size = lvx::CutLength(std::string_view(line, size), kLineLimit);
  if (level & 1) line[size++] = '\n';
  AppendLocked(std::string_view(line, size));
}

void LogFileClass::Log(int level, const char* name, const char* value) {
  std::unique_lock<std::mutex> lock(gLogMutex);
  if (state_ == -1) {
    lock.unlock();
    MessageBoxA(nullptr, "Init function must be called first", "LogFileClass", MB_OK);
    return;
  }
  WriteEntryLocked(level, name, value);
}

void LogFileClass::LogLong(int level, const char* name, long value) {
  char text[32];
  std::snprintf(text, sizeof text, "%li", value);
  Log(level, name, text);
}

void LogFileClass::LogInt(int level, const char* name, int value) {
  char text[32];
  std::snprintf(text, sizeof text, "%i", value);
  Log(level, name, text);
}

void LogFileClass::LogDouble(int level, const char* name, double value) {
  // "%.3lf" of a huge double has over 300 digits; the entry is cut at 299 anyway.
  char text[400];
  std::snprintf(text, sizeof text, "%.3lf", value);
  Log(level, name, text);
}

void LogFileClass::LogTime(const char* name) { Log(2, name, lvx::LocalTimeText().c_str()); }

void LogFileClass::UserPrompt() {
  if (State() != 1) {
    MessageBoxA(nullptr, "Called before init", "UserPrompt", MB_OK);
    return;
  }
  int answer = MessageBoxA(nullptr,
                           "Lumivex detected that it did not\noperate normally in its previous "
                           "run.\nIf you also noticed some malfunction\nin the program, you can "
                           "ask the author\nto take a look at it. Do you want to\nget help from "
                           "the author?",
                           kPromptCaption, MB_YESNO);
  if (answer != IDYES) {
    int stop = MessageBoxA(nullptr, "Do you want to disable the\nautomatic error detection?",
                           kPromptCaption, MB_YESNO);
    std::lock_guard<std::mutex> lock(gLogMutex);
    stopPrompt_ = stop == IDYES ? 1 : 0;
    return;
  }

  std::string logPath;
  {
    std::lock_guard<std::mutex> lock(gLogMutex);
    AppendLocked("--- Lumivex.ini --------------------------------\n");
    AppendLocked(ReadSettingsCopy(settingsPath_));
    AppendLocked("\n------------------------------------------------");
    logPath = logPath_;
  }

  std::string desktop = lvx::DesktopFolder();
  std::size_t slash = logPath.find_last_of('/');
  if (slash == std::string::npos) {
    MessageBoxA(nullptr, "LogFilename does not contain a '\\'", "Error in LogFileClass", MB_OK);
    return;
  }
  // Without a desktop folder there is nowhere to put the report; claiming it
  // was stored would send the user looking for a file that does not exist.
  bool copied = false;
  if (!desktop.empty()) {
    std::string destination = desktop + logPath.substr(slash);
    copied = CopyFileA(logPath.c_str(), destination.c_str(), FALSE) != FALSE;
  }
  if (copied) {
    MessageBoxA(nullptr,
                "The log information was stored on your\ndesktop in a file called "
                "lumivex-log.txt\nPlease send this file to the author.",
                "Log recorded!", MB_OK);
  }
  std::lock_guard<std::mutex> lock(gLogMutex);
  ClearLocked();
  if (!copied) {
    WriteEntryLocked(5, "LogFileClass::UserPrompt",
                     desktop.empty() ? "no desktop folder" : "copy to desktop failed");
  }
}

namespace lvx {

std::string LogFilePath() { return LogFolder() + "/lumivex-log.txt"; }

std::string LocalTimeText() {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  SYSTEMTIME t{};
  GetLocalTime(&t);
  char text[64];
  std::snprintf(text, sizeof text, "%s %s %2u %02u:%02u:%02u %u\n", kDays[t.wDayOfWeek % 7],
                kMonths[(t.wMonth + 11) % 12], t.wDay, t.wHour, t.wMinute, t.wSecond, t.wYear);
  return text;
}

void ResetLogForTests() {
  std::lock_guard<std::mutex> lock(gLogMutex);
  LogFile.state_ = -1;
  LogFile.stopPrompt_ = 0;
  LogFile.logPath_.clear();
  LogFile.settingsPath_.clear();
  gLogBytes = 0;
}

}  // namespace lvx
