// The diagnostic log: silent until the first ERROR entry, then one fresh file
// per run, offered to the user as an error report at the next start.
#pragma once

#include <string>
#include <string_view>

#include "platform/winapi.h"

namespace lvx {
void ResetLogForTests();
}

class LogFileClass {
 public:
  LogFileClass();
  ~LogFileClass();
  LogFileClass(const LogFileClass&) = delete;
  LogFileClass& operator=(const LogFileClass&) = delete;

  // logPath: a POSIX path, or a drive-root path such as "C:\lumivex-log.txt",
  // which is placed in lvx::LogFolder(). settingsFileName is looked up in
  // lvx::ConfigFolder().
  void Init(const char* logPath, const char* settingsFileName);
  void Clear();
  // Level bits 1..3 pick the prefix (2 INFO, 4 WARNING, 8 ERROR), bit 0 ends
  // the line. Safe to call from any thread.
  void Log(int level, const char* name, const char* value);
  void LogLong(int level, const char* name, long value);
  void LogInt(int level, const char* name, int value);
  void LogDouble(int level, const char* name, double value);
  void LogTime(const char* name);
  void UserPrompt();

  // -1 never initialised, 0 no log file yet, 1 logging.
  int State() const;
  std::string Path() const;

 private:
  friend void lvx::ResetLogForTests();
  // The caller holds the log's mutex.
  void ClearLocked();
  void WriteEntryLocked(int level, const char* name, const char* value);
  void AppendLocked(std::string_view piece);

  int state_;
  int stopPrompt_;
  std::string logPath_;
  std::string settingsPath_;
};

// The one log of the process.
extern LogFileClass LogFile;

namespace lvx {
// lvx::LogFolder() + "/lumivex-log.txt".
std::string LogFilePath();
// The local time as the log writes it: "Fri Oct 14 23:00:00 2005\n".
std::string LocalTimeText();
// Tests: LogFile as freshly constructed and the run's byte count back to 0,
// as at the start of a new run.
void ResetLogForTests();
}  // namespace lvx
