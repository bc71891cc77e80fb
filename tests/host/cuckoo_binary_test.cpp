// The real program across a full hour, its clock moved by libfaketime: the
// cuckoo calls on the hour and says so in the program's log.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/winapi.h"
#include "settings/log_file.h"
#include "tests/support/test_support.h"

namespace {

std::string FakeTimeLibrary() {
  for (const char* path : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                           "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
                           "/usr/lib/faketime/libfaketime.so.1"})
    if (access(path, R_OK) == 0) return path;
  return "";
}

void SetIni(const char* section, const char* key, const char* value) {
  WritePrivateProfileStringA(section, key, value, (lvx::ConfigFolder() + "/Lumivex.ini").c_str());
}

// The saver, started directly with the library preloaded so that SIGTERM
// reaches it and not a wrapper; killed if the test ends while it runs.
class Saver {
 public:
  explicit Saver(const std::vector<std::pair<std::string, std::string>>& env) {
    std::string binary = std::string(std::getenv("LUMIVEX_BINARY_DIR")) + "/host/lumivex";
    std::string mode = "/s";
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
      char* argv[] = {binary.data(), mode.data(), nullptr};
      execv(argv[0], argv);
      _exit(127);
    }
  }
  ~Saver() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Saver(const Saver&) = delete;
  Saver& operator=(const Saver&) = delete;

  // SIGTERM, then the exit status (-1 when it did not end within 10 s).
  int Stop() {
    kill(pid_, SIGTERM);
    for (int waited = 0; waited < 10000; waited += 20) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
};

}  // namespace

TEST(CuckooBinary, CallsOnTheFullHourUnderAMovedClock) {
  const std::string library = FakeTimeLibrary();
  if (library.empty()) GTEST_SKIP() << "libfaketime is not installed";
  lvx::test::WriteFile(lvx::LogFilePath(), "");  // the program logs every entry
  SetIni("Sound", "Cuckoo", "1");
  SetIni("params", "TickTime", "20");
  SetIni("Params", "SwitchOffTV", "0");
  SetIni("params", "FirstTime", "0");
  SetIni("params", "Jokes", "0");  // a close that waits for no joke

  // Twelve seconds before seven in the morning (time enough for a slow start);
  // the clock runs on from there.
  Saver saver({{"LD_PRELOAD", library},
               {"FAKETIME", "@2024-03-05 06:59:48"},
               {"FAKETIME_DONT_FAKE_MONOTONIC", "1"},
               {"TZ", "UTC"},
               {"SDL_AUDIODRIVER", "dummy"},
               {"ASAN_OPTIONS", "verify_asan_link_order=0"}});
  std::string log;
  for (int i = 0; i < 450 && log.find("Cuckoo=") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    log = lvx::test::ReadFile(lvx::LogFilePath());
  }
  EXPECT_EQ(saver.Stop(), 0);
  EXPECT_NE(log.find("INFO>Cuckoo= 143"), std::string::npos) << log;
  EXPECT_EQ(log.find("Cuckoo= 110"), std::string::npos);
}
