#include "settings/ini_file.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "settings/log_file.h"
#include "settings/utilities.h"

IniFile MainSettings;

namespace {

constexpr const char* kCaption = "Error in IniFile";
// Values are escaped into a 1000-byte work buffer and read back through 999.
constexpr std::size_t kWorkSize = 1000;
constexpr DWORD kReadSize = 999;     // at most 998 characters
constexpr DWORD kNumberSize = 29;    // at most 28 characters

// Writes read the old value, write, and read back; two threads (the trace
// flush may come from the mail worker) must not interleave those steps.
std::recursive_mutex& WriteMutex() {
  static std::recursive_mutex m;
  return m;
}

// Boxes already shown in this run: the same box again tells nothing new
// (an unusable settings file would otherwise ask for one click per write).
std::mutex& ShownMutex() {
  static std::mutex m;
  return m;
}
std::set<std::string>& ShownBoxes() {
  static std::set<std::string> shown;
  return shown;
}

// Boxes raised inside a batch wait for its end: a box waiting for a click
// must not hold the settings lock that other savers wait for.
thread_local int tBatchDepth = 0;
thread_local std::vector<std::string> tDeferredBoxes;

void Complain(const std::string& text) {
  if (tBatchDepth > 0) {
    tDeferredBoxes.push_back(text);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(ShownMutex());
    if (!ShownBoxes().insert(text).second) return;
  }
  MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK);
}

// What a failed write of a value that then reads back differently has to
// say when the system gave no reason of its own.
constexpr const char* kReadBackDiffers = "the value read back differs from the one written";

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  int n = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), fmt, ap2);
    out.resize(static_cast<std::size_t>(n));
  }
  va_end(ap2);
  return out;
}

const char* OrEmpty(const char* s) { return s ? s : ""; }

// Length of the escape unit starting at text[i] in an encoded string.
std::size_t UnitLength(const std::string& text, std::size_t i) {
  return (text[i] == '\\' && i + 1 < text.size()) ? 2 : 1;
}

// Cuts an encoded text to at most `limit` characters without splitting an escape.
void CutEncoded(std::string& text, std::size_t limit) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t n = UnitLength(text, i);
    if (i + n > limit) break;
    i += n;
  }
  text.resize(i);
}

const char* OsName(DWORD packed) {
  switch (packed) {
    case 0x0A280105u: return "WinXP pro";
    case 0x08930005u: return "Win2000";
    case 0xC0000004u: return "Win95";
    case 0xC0000A04u: return "Win98 SE";
    default: return "not in list";
  }
}

}  // namespace

IniFile::IniFile() : FirstTime(0), userName_{}, initialised_(0), disabled_(0), multiUser_(0) {}

int IniFile::Encode(std::string& text) {
  int problem = 0;
  if (text.size() >= kWorkSize) {
    Complain("Encode: too long string");
    text.resize(kWorkSize - 1);
    problem = 1;
  }
  std::string out;
  out.reserve(text.size() + 16);
  for (char c : text) {
    const char* piece = nullptr;
    char single[2] = {c, 0};
    switch (c) {
      case '\r': piece = "\\r"; break;
      case '\n': piece = "\\n"; break;
      case '\\': piece = "\\\\"; break;
      default: piece = single; break;
    }
    std::size_t len = std::strlen(piece);
    // The encoded form plus its terminator must stay inside the work buffer.
    if (out.size() + len >= kWorkSize - 1) {
      Complain("Encode buffer problem");
      problem = 1;
      break;
    }
    out += piece;
  }
  text = std::move(out);
  return problem;
}

int IniFile::Encode(char* text, std::size_t size) {
  if (text == nullptr || size == 0) return 1;
  std::string s(text, strnlen(text, size));
  int problem = Encode(s);
  if (s.size() + 1 > size) {
    if (!problem) Complain("Encode buffer problem");
    CutEncoded(s, size - 1);
    problem = 1;
  }
  std::memcpy(text, s.c_str(), s.size() + 1);
  return problem;
}

void IniFile::Decode(std::string& text) {
  if (text.size() >= kWorkSize) {
    Complain("Decode size");
    text.resize(kWorkSize - 1);
  }
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= text.size()) break;  // a trailing backslash is dropped
    switch (text[i]) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      default: out += text[i]; break;
    }
  }
  text = std::move(out);
}

void IniFile::Decode(char* text) {
  if (text == nullptr) return;
  std::string s(text);
  Decode(s);
  // Decoding never lengthens a text, so this stays inside the caller's buffer.
  std::memcpy(text, s.c_str(), s.size() + 1);
}

std::string IniFile::UserSection(const char* section) const {
  std::string s = OrEmpty(section);
  if (multiUser_) s += std::string("-") + userName_;
  return s;
}

void IniFile::ReadText(const char* section, const char* key, char* out, const char* defaultValue,
                       std::size_t size) {
  if (out == nullptr || size == 0) return;
  out[0] = '\0';
  if (size < 2) return;
  if (disabled_) {
    std::string d = OrEmpty(defaultValue);
    d.resize(lvx::CutLength(std::string_view(d), size - 2));
    std::memcpy(out, d.c_str(), d.size() + 1);
    return;
  }
  if (!initialised_) Complain("IniFile not initialized");
  // The default goes through the same decoding as a stored value, so hand it
  // over escaped: a default holding a backslash then comes back unchanged.
  std::string def = OrEmpty(defaultValue);
  Encode(def);
  // Three bytes more than the caller takes show whether the last character
  // kept would be split; the value is then cut before it, never inside.
  // No stored value comes near a mebibyte; the bound keeps the buffer sane.
  const std::size_t keep = std::min<std::size_t>(size - 2, std::size_t{1} << 20);
  std::string value(keep + 4, '\0');
  GetPrivateProfileStringA(OrEmpty(section), OrEmpty(key), def.c_str(), value.data(),
                           static_cast<DWORD>(value.size()), path_.c_str());
  const DWORD error = GetLastError();
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
    NoteReadProblem(error);
  const std::size_t n = lvx::CutLength(value.c_str(), keep);
  std::memcpy(out, value.data(), n);
  out[n] = '\0';
  Decode(out);
}

// A file that is there but cannot be read (a folder, a pipe, a device, no
// permission) reads as missing; the log says why, once.
void IniFile::NoteReadProblem(DWORD error) {
  const std::string problem = path_ + ": " + lvx::SystemReason(error);
  if (problem == lastReadProblem_) return;
  lastReadProblem_ = problem;
  if (LogFile.State() != -1) LogFile.Log(5, "IniFile::Read", problem.c_str());
}

void IniFile::ReportWriteProblem(const std::string& reason) {
  lastWriteProblem_ = reason.empty() ? kReadBackDiffers : reason;
  if (!holdWriteBoxes_) Complain("Read: too long string\n" + path_ + ": " + lastWriteProblem_);
}

IniFile::Batch::Batch(IniFile& file) : file_(file), lock_(WriteMutex()), update_(nullptr) {
  ++tBatchDepth;
  if (file_.initialised_ && !file_.disabled_ && !file_.path_.empty())
    update_ = BeginUpdatePrivateProfileA(file_.path_.c_str());
}

IniFile::Batch::~Batch() {
  const BOOL written = update_ == nullptr || EndUpdatePrivateProfileA(update_, FALSE);
  const DWORD error = GetLastError();
  // Outside every lock: other savers must not wait for a click.
  lock_.unlock();
  if (--tBatchDepth > 0) {
    if (!written) file_.ReportWriteProblem(lvx::SystemReason(error));
    return;
  }
  std::vector<std::string> boxes;
  boxes.swap(tDeferredBoxes);
  for (const std::string& text : boxes) Complain(text);
  if (!written) file_.ReportWriteProblem(lvx::SystemReason(error));
}

void IniFile::ReadNumber(const char* section, const char* key, const char* defaultText,
                         std::string& text) {
  char buffer[kNumberSize + 1] = {};
  ReadText(section, key, buffer, defaultText, sizeof buffer);
  text = buffer;
}

namespace {

// "%ld": leading blanks, a sign and digits; out of range saturates.
int ParseLong(const std::string& text, long* out) {
  const char* s = text.c_str();
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (end == s) return 0;
  *out = v;
  return 1;
}

int ParseFloat(const std::string& text, float* out) {
  const char* s = text.c_str();
  char* end = nullptr;
  float v = std::strtof(s, &end);
  // A non-finite value would poison every later computation: treat as no number.
  if (end == s || !std::isfinite(v)) return 0;
  *out = v;
  return 1;
}

int ToInt(long v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

}  // namespace

int IniFile::ReadInt(const char* section, const char* key, int* out, int defaultValue) {
  std::string text;
  ReadNumber(section, key, Format("%ld", static_cast<long>(defaultValue)).c_str(), text);
  long v = defaultValue;
  int parsed = ParseLong(text, &v);
  if (out) *out = parsed ? ToInt(v) : defaultValue;
  return parsed;
}

void IniFile::ReadString(const char* section, const char* key, char* out,
                         const char* defaultValue, std::size_t size) {
  ReadText(section, key, out, defaultValue, size);
}

int IniFile::UserReadInt(const char* section, const char* key, int* out, int defaultValue) {
  return ReadInt(UserSection(section).c_str(), key, out, defaultValue);
}

int IniFile::UserReadInt(const char* section, const char* key, long* out, long defaultValue) {
  std::string text;
  ReadNumber(UserSection(section).c_str(), key, Format("%ld", defaultValue).c_str(), text);
  long v = defaultValue;
  int parsed = ParseLong(text, &v);
  if (out) *out = parsed ? v : defaultValue;
  return parsed;
}

int IniFile::UserReadFloat(const char* section, const char* key, float* out, float defaultValue) {
  std::string text;
  ReadNumber(UserSection(section).c_str(), key,
             Format("%f", static_cast<double>(defaultValue)).c_str(), text);
  float v = defaultValue;
  int parsed = ParseFloat(text, &v);
  if (out) *out = parsed ? v : defaultValue;
  return parsed;
}

void IniFile::UserReadString(const char* section, const char* key, char* out,
                             const char* defaultValue, std::size_t size) {
  ReadText(UserSection(section).c_str(), key, out, defaultValue, size);
}

void IniFile::WriteString(const char* section, const char* key, const char* text) {
  if (disabled_) return;
  if (!initialised_) Complain("Attempt to write when not initialized");
  std::string value = OrEmpty(text);
  if (value.size() >= kWorkSize) {
    // Storing a cut value would lose the end silently; keep the old one.
    Complain("Write: too long string");
    return;
  }
  std::string encoded = value;
  if (Encode(encoded)) return;  // reported; a half-escaped value is worse than none
  bool differs;
  std::string reason;
  {
    std::lock_guard<std::recursive_mutex> lock(WriteMutex());
    char found[kReadSize] = {};
    GetPrivateProfileStringA(OrEmpty(section), OrEmpty(key), "", found, kReadSize, path_.c_str());
    Decode(found);
    if (value == found) return;

    LogFile.Log(3, "ini text Entry", OrEmpty(key));
    LogFile.Log(3, "ini text to write", value.c_str());
    LogFile.Log(3, "ini text found", found);

    std::string quoted = "\"" + encoded + "\"";
    if (!WritePrivateProfileStringA(OrEmpty(section), OrEmpty(key), quoted.c_str(), path_.c_str()))
      reason = lvx::SystemReason(GetLastError());

    char back[kReadSize] = {};
    GetPrivateProfileStringA(OrEmpty(section), OrEmpty(key), "", back, kReadSize, path_.c_str());
    Decode(back);
    differs = value != back;
  }
  // Outside the lock: a modal box must not hold up the other thread's writes.
  if (differs) ReportWriteProblem(reason);
}

void IniFile::WriteUInt(const char* section, const char* key, unsigned value) {
  WriteString(section, key, Format("%u", value).c_str());
}

void IniFile::UserWriteString(const char* section, const char* key, const char* text) {
  WriteString(UserSection(section).c_str(), key, text);
}

void IniFile::UserWriteUInt(const char* section, const char* key, unsigned value) {
  WriteString(UserSection(section).c_str(), key, Format("%u", value).c_str());
}

void IniFile::UserWriteLong(const char* section, const char* key, long value) {
  WriteString(UserSection(section).c_str(), key, Format("%ld", value).c_str());
}

void IniFile::UserWriteFloat(const char* section, const char* key, float value) {
  WriteString(UserSection(section).c_str(), key,
              Format("%f", static_cast<double>(value)).c_str());
}

void IniFile::WriteOsRecord() {
  WriteString("params", "LastUserName", userName_);
  DWORD v = GetVersion();
  unsigned hi = HIWORD(v), lo = LOWORD(v);
  WriteString("info", "OsVersionDetails",
              Format("%04X:%04X, (WinVer= %d.%d), (DOSVer= %d.%d)", hi, lo, v & 0xFF,
                     (v >> 8) & 0xFF, (v >> 24) & 0xFF, (v >> 16) & 0xFF)
                  .c_str());
  WriteString("info", "OsVersion", Format("%04X:%04X", hi, lo).c_str());
  WriteString("info", "OsVerHuman", OsName(v));
}

int IniFile::Init(const char* folder, const char* fileName) {
  std::string folderText = OrEmpty(folder);
  std::string name = OrEmpty(fileName);
  if (initialised_) {
    Complain("Already initialized");
    Complain(name.c_str());
  }
  initialised_ = 1;
  if (folderText == "$DISABLE" || name == "$DISABLE") {
    disabled_ = 1;
    return 0;
  }
  disabled_ = 0;

  // "$CURRENT" ends with a separator, "$SYSTEM" does not, as their Windows
  // counterparts do; the program's file names start with a backslash.
  if (folderText == "$SYSTEM") {
    folderText = lvx::SystemFolder();
  } else if (folderText == "$CURRENT") {
    folderText = lvx::ConfigFolder() + "/";
  }
  if (!name.empty() && name[0] == '\\') {
    name[0] = '/';
    if (!folderText.empty() && folderText.back() == '/') name.erase(0, 1);
  }
  path_ = folderText + name;

  DWORD size = sizeof userName_;
  std::memset(userName_, 0, sizeof userName_);
  if (!GetUserNameA(userName_, &size)) userName_[0] = '\0';
  userName_[sizeof userName_ - 1] = '\0';

  lastWriteProblem_.clear();
  holdWriteBoxes_ = true;
  {
    // One rewrite for all the records, under the file's lock: of two first
    // starts at once, only one finds no FirstTime.
    Batch records(*this);
    ReadInt("params", "FirstTime", &FirstTime, 1);
    if (FirstTime) WriteUInt("params", "FirstTime", 0);
    ReadInt("params", "MultiUser", &multiUser_, 0);

    WriteString("params", "LastUserName", userName_);
    WriteUInt("params", "MultiUser", static_cast<unsigned>(multiUser_));
    WriteString("info", "ini file", path_.c_str());
    WriteOsRecord();
  }

  // The self-test writes on its own, so that it reads back what the file
  // really holds.
  SYSTEMTIME now{};
  GetLocalTime(&now);
  WriteUInt("params", "loadmd", now.wDay);
  int back = 0;
  ReadInt("params", "loadmd", &back, 0);
  holdWriteBoxes_ = false;
  if (back != now.wDay) {
    Complain(std::string("Configuration Problem. Please reinstall\n") + path_ + ": " +
             (lastWriteProblem_.empty() ? kReadBackDiffers : lastWriteProblem_));
    return 1;
  }
  // The file works, but some record did not reach it.
  if (!lastWriteProblem_.empty())
    Complain("Read: too long string\n" + path_ + ": " + lastWriteProblem_);
  return 0;
}

namespace lvx {
void ResetSettingsForTests() {
  MainSettings = IniFile();
  std::lock_guard<std::mutex> lock(ShownMutex());
  ShownBoxes().clear();
}

std::string SystemReason(DWORD error) {
  char text[256] = {};
  if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                     text, sizeof text, nullptr) > 0)
    return text;
  return "error " + std::to_string(error);
}
}  // namespace lvx

// Stored secrets: each byte c becomes ((c XOR kScrambleMask) - kScrambleOffset)
// mod 256; a result below 34 is written as 0xFF followed by result + 34, so the
// output has no control character, blank or '!' (a '"' can occur; only the
// outer quotes of a stored value are stripped). The pair is chosen so
// that only the terminator (0) maps to 0xFF: no text byte can be confused with
// the marker. Files written by earlier runs depend on these two values.
namespace {
constexpr unsigned char kScrambleMask = 0x12;
constexpr unsigned char kScrambleOffset = 0x13;
constexpr unsigned char kScrambleMarker = 0xFF;
constexpr unsigned char kScrambleLowest = 34;
constexpr std::size_t kScrambleLimit = 499;
// A 499-character secret scrambles to at most twice its length.
constexpr std::size_t kUnscrambleLimit = 2 * kScrambleLimit;
}  // namespace

void Scramble(char* text, std::size_t size) {
  if (text == nullptr || size == 0) return;
  std::string in(text, strnlen(text, size));
  if (in.size() > kScrambleLimit) {
    InternalError(nullptr, 4810);
    in.resize(kScrambleLimit);
  }
  std::string out;
  bool cut = false;
  for (char ch : in) {
    auto b = static_cast<unsigned char>((static_cast<unsigned char>(ch) ^ kScrambleMask) -
                                        kScrambleOffset);
    std::size_t need = b < kScrambleLowest ? 2 : 1;
    if (out.size() + need + 1 > size) {
      cut = true;
      break;
    }
    if (b < kScrambleLowest) {
      out += static_cast<char>(kScrambleMarker);
      out += static_cast<char>(b + kScrambleLowest);
    } else {
      out += static_cast<char>(b);
    }
  }
  if (cut) InternalError(nullptr, 4811);
  std::memcpy(text, out.c_str(), out.size() + 1);
}

void Unscramble(char* text) {
  if (text == nullptr) return;
  std::string in(text);
  if (in.size() > kUnscrambleLimit) {
    InternalError(nullptr, 4820);
    in.resize(kUnscrambleLimit);
  }
  std::string out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    auto b = static_cast<unsigned char>(in[i]);
    if (b == kScrambleMarker) {
      if (++i >= in.size()) break;
      b = static_cast<unsigned char>(static_cast<unsigned char>(in[i]) - kScrambleLowest);
    }
    auto c = static_cast<unsigned char>(static_cast<unsigned char>(b + kScrambleOffset) ^
                                        kScrambleMask);
    if (c == 0) break;  // only damaged input decodes to a terminator
    out += static_cast<char>(c);
  }
  std::memcpy(text, out.c_str(), out.size() + 1);
}
