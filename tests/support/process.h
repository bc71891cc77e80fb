// Programs the tests start: the real saver, X tools, servers. Each runs as a
// child that is killed if the test ends while it still runs.
#pragma once

#include <sys/types.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lvx::test {

// Variables changed for a child: a value sets one, none removes it.
using Env = std::vector<std::pair<std::string, std::optional<std::string>>>;

// What Wait and Terminate report when the child has not ended in time ...
inline constexpr int kRunning = -1000;
// ... and when there is no child to wait for (never started or already reaped).
inline constexpr int kNoChild = -1001;

void SleepMs(int ms);

// How many times slower a program built with AddressSanitizer runs: waits
// for the program under test are stretched by it, so that a promise such as
// "ends within 2 s of SIGTERM" is judged by the program and not by the build.
int SanitizerSlowdown();

// The program under test, as built in LUMIVEX_BINARY_DIR.
std::string LumivexBinary();

// The output of a shell command line (standard output only).
std::string Shell(const std::string& command);
// Every one of these programs is on PATH.
bool HaveTools(std::initializer_list<const char*> tools);
// libfaketime's library for LD_PRELOAD, preloaded straight into a program so
// that signals reach it and not a wrapper; "" when it is not installed.
std::string FakeTimeLibrary();

// How a child starts.
struct SpawnOptions {
  SpawnOptions() = default;  // not an aggregate: Spawn(args, {{"NAME", "value"}}) takes an Env
  Env env;
  // Start from an empty environment, then `env`.
  bool clearEnv = false;
  // Where standard error goes; "" for a fresh file under Home().
  std::string errPath;
  // Standard output goes there as well, both appended; otherwise standard
  // output is dropped.
  bool withOutput = false;
  // Run in the child just before exec; false ends it with status 125.
  std::function<bool()> inChild;
};

class Child;
// argv[0] is looked up on PATH; "lumivex" names the program under test.
Child Spawn(std::vector<std::string> args, SpawnOptions options);
Child Spawn(std::vector<std::string> args, Env env = {});

// A started program; one still running when its Child goes is killed, so
// nothing outlives a failed test.
class Child {
 public:
  Child() = default;
  Child(Child&& other) noexcept;
  Child& operator=(Child&& other) noexcept;
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  const std::string& ErrPath() const { return errPath_; }
  // What it wrote to standard error so far.
  std::string Err() const;

  // The exit status (128 + signal for a killed one), or kRunning when it has
  // not ended within `ms` (times SanitizerSlowdown()).
  int Wait(int ms);
  // SIGTERM, then the exit status; kRunning when it did not end within `ms`,
  // and it is killed then.
  int Terminate(int ms = 10000);
  void Signal(int signal) const;
  // SIGKILL, and the child is reaped.
  void Kill();

 private:
  friend Child Spawn(std::vector<std::string> args, SpawnOptions options);
  pid_t pid_ = -1;
  std::string errPath_;
};

}  // namespace lvx::test
