// The settings store: INI files of quoted, escaped values, optional per-user
// sections, and the scrambling of stored secrets.
//
// Paths on Linux: the folder "$CURRENT" is lvx::ConfigFolder() and "$SYSTEM" is
// lvx::SystemFolder(); a file name that starts with a backslash ("\Lumivex.ini")
// is joined to the folder with a '/'. Any other folder (including "") is used
// as given, so a message file passes "" and its full POSIX path.
#pragma once

#include <cstddef>
#include <string>

#include "platform/winapi.h"

class IniFile {
 public:
  // Non-zero in the one run that found no params FirstTime (the first start
  // with this settings file).
  int FirstTime;

  IniFile();

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

  std::string path_;
  char userName_[79];
  int initialised_;
  int disabled_;
  int multiUser_;
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
// Tests: MainSettings as freshly constructed.
void ResetSettingsForTests();
}  // namespace lvx
