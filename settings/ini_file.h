// The settings store: INI files of quoted, escaped values, optional per-user
// sections, and the scrambling of stored secrets.
//
// Paths on Linux: the folder "$CURRENT" is lvx::ConfigFolder() and "$SYSTEM" is
// lvx::SystemFolder(); a file name that starts with a backslash ("\Lumivex.ini")
// is joined to the folder with a '/'. Any other folder (including "") is used
// as given, so a message file passes "" and its full POSIX path.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

#include "platform/winapi.h"

class IniFile {
 public:
  // Non-zero in the one run that found no params FirstTime (the first start
  // with this settings file).
  int FirstTime;

  IniFile();

  // Writes made while a Batch lives reach the file together, in one rewrite
  // at its end, and other processes sharing the file wait for the whole
  // group (so a message slot or the first run's records are never half
  // written, nor mixed with another saver's). Reads meanwhile see the
  // writes. A failed rewrite is reported once, at the end. A batch inside
  // another of the same file joins it.
  class Batch {
   public:
    explicit Batch(IniFile& file);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    IniFile& file_;
    std::unique_lock<std::recursive_mutex> lock_;
    HANDLE update_;
  };

  // 0 on success, 1 when the file cannot be written back (self-test failed).
  int Init(const char* folder, const char* fileName);

  // Plain sections. The number reads return how many numbers were parsed (0 or
  // 1); when none was, *out receives the default.
  int ReadInt(const char* section, const char* key, int* out, int defaultValue);
  // Copies at most size - 2 characters of the decoded value into out.
  void ReadString(const char* section, const char* key, char* out, const char* defaultValue,
                  std::size_t size);
  void WriteString(const char* section, const char* key, const char* text);
  void WriteUInt(const char* section, const char* key, unsigned value);

  // Per-user sections ("Section-User" when params MultiUser is set).
  int UserReadInt(const char* section, const char* key, int* out, int defaultValue);
  int UserReadInt(const char* section, const char* key, long* out, long defaultValue);
  int UserReadFloat(const char* section, const char* key, float* out, float defaultValue);
  void UserReadString(const char* section, const char* key, char* out, const char* defaultValue,
                      std::size_t size);
  void UserWriteString(const char* section, const char* key, const char* text);
  void UserWriteUInt(const char* section, const char* key, unsigned value);
  void UserWriteLong(const char* section, const char* key, long value);
  void UserWriteFloat(const char* section, const char* key, float value);

  // The value escaping, in place. Encode needs room for the escaped form in a
  // buffer of `size` bytes; it returns 0, or 1 after reporting a text that
  // cannot be encoded whole (the result is then cut at a whole escape).
  static int Encode(char* text, std::size_t size);
  static void Decode(char* text);
  // The same on std::string; the limits and messages are those above.
  static int Encode(std::string& text);
  static void Decode(std::string& text);

  // The file this object reads and writes ("" before Init).
  const std::string& Path() const { return path_; }
  const char* UserName() const { return userName_; }
  bool MultiUser() const { return multiUser_ != 0; }
  bool Disabled() const { return disabled_ != 0; }

 private:
  std::string UserSection(const char* section) const;
  void ReadNumber(const char* section, const char* key, const char* defaultText, std::string& text);
  void ReadText(const char* section, const char* key, char* out, const char* defaultValue,
                std::size_t size);
  void WriteOsRecord();
  // A write that did not reach the file: the box names the file and why.
  void ReportWriteProblem(const std::string& reason);
  void NoteReadProblem(DWORD error);

  std::string path_;
  char userName_[79];
  int initialised_;
  int disabled_;
  int multiUser_;
  // Why the last write failed ("" when none did), for the self-test's box.
  std::string lastWriteProblem_;
  // While Init tests the file, failed writes wait for its verdict: a file
  // that cannot be used gets one box, not one per record.
  bool holdWriteBoxes_ = false;
  // The last read problem logged, so that it is logged once.
  std::string lastReadProblem_;
};

// Scrambling of stored secrets (e-mail password, protected messages). Output
// holds no byte below 34 and fits in `size` bytes (terminator included).
void Scramble(char* text, std::size_t size);
// In place; the result is never longer than the input.
void Unscramble(char* text);

// The main settings file ("$CURRENT" "\Lumivex.ini"), shared by the saver
// window, the configuration dialog and the utilities.
extern IniFile MainSettings;

namespace lvx {
// Tests: MainSettings as freshly constructed, and no box shown yet.
void ResetSettingsForTests();
// The system's reason for an error code, as FormatMessageA words it.
std::string SystemReason(DWORD error);
}  // namespace lvx
