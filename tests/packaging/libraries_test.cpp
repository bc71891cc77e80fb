// What the running program maps: a saver on X maps none of the libraries it
// loads only when needed (GTK, SDL2_mixer, OpenSSL, GIO), the first sound
// loads the sound module, an installed program finds its modules beside its
// bin folder, and a program without them still runs, silent.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using lvx::test::MakeTempDir;
using lvx::test::ReadFile;
using lvx::test::WriteFile;

namespace {

using Env = std::vector<std::pair<std::string, std::string>>;

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The build folder as the program sees its own path (symbolic links resolved).
std::string BuildDir() {
  const char* dir = std::getenv("LUMIVEX_BINARY_DIR");
  return dir != nullptr ? fs::canonical(dir).string() : "";
}

// A private X server for one test; its display number comes back on a pipe.
class XServer {
 public:
  XServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(126);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~XServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// `program /s` with its own settings folder and `env`, its standard error
// in a file; killed if the test ends while it runs.
class Saver {
 public:
  Saver(const std::string& program, const std::string& home, const Env& env)
      : errors_(home + "/stderr.txt") {
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      setenv("LUMIVEX_HOME", home.c_str(), 1);
      for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
      if (std::freopen(errors_.c_str(), "w", stderr) == nullptr) _exit(126);
      execl(program.c_str(), program.c_str(), "/s", static_cast<char*>(nullptr));
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

  bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
  // The paths of the files it has mapped, one per line.
  std::string Maps() const { return ReadFile("/proc/" + std::to_string(pid_) + "/maps"); }
  // Waits up to `ms` until `path` is mapped; false if it never was.
  bool WaitForMapping(const std::string& path, int ms) const {
    for (int waited = 0; waited < ms; waited += 50) {
      if (Maps().find(path) != std::string::npos) return true;
      if (!Running()) return false;
      SleepMs(50);
    }
    return false;
  }
  std::string Errors() const { return ReadFile(errors_); }
  // SIGTERM, then the exit status (-1 when it did not end within 10 s).
  int Stop() {
    kill(pid_, SIGTERM);
    for (int waited = 0; waited < 10000; waited += 20) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      SleepMs(20);
    }
    return -1;
  }

 private:
  std::string errors_;
  pid_t pid_ = -1;
};

// A settings folder for a plain run: no first-time greeting, no joke at
// the end, and the mood sound `sound` (105 is silence).
std::string Home(const std::string& name, int sound) {
  const std::string home = MakeTempDir(name);
  WriteFile(home + "/Lumivex.ini",
            "[params]\nFirstTime=0\nJokes=0\n[Sound]\nSound=" + std::to_string(sound) + "\n");
  return home;
}

// The libraries behind the modules, and the modules themselves.
const char* const kOnDemand[] = {
    "libgtk-3.so",   "libgdk-3.so", "libcairo.so", "libpango-1.0.so", "libglib-2.0.so",
    "libgio-2.0.so", "libSDL2",     "libssl.so",   "libcrypto.so",    "liblumivex_"};

void ExpectNoneMapped(const std::string& maps, const std::vector<std::string>& except = {}) {
  for (const char* library : kOnDemand) {
    bool allowed = false;
    for (const std::string& e : except) allowed = allowed || e == library;
    if (!allowed) {
      EXPECT_EQ(maps.find(library), std::string::npos) << library << " is mapped";
    }
  }
}

// A staged install (prefix /usr) of the build; "" on failure.
std::string StagedInstall() {
  const std::string stage = MakeTempDir("stage");
  const std::string command =
      "DESTDIR='" + stage + "' cmake --install '" + BuildDir() + "' --prefix /usr >/dev/null 2>&1";
  return std::system(command.c_str()) == 0 ? stage : "";
}

TEST(ProgramLibraries, ASaverOnXMapsNoneOfTheLibrariesItLoadsWhenNeeded) {
  XServer x;
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  Saver saver(BuildDir() + "/host/lumivex", Home("plain", 105),
              {{"DISPLAY", x.Display()}, {"LUMIVEX_DISPLAY", "x11"}});
  // The sky is running on the X display once the program has drawn a while.
  ASSERT_TRUE(saver.WaitForMapping("libX11.so", 10000)) << saver.Errors();
  SleepMs(3000);
  ASSERT_TRUE(saver.Running()) << saver.Errors();
  const std::string maps = saver.Maps();
  EXPECT_NE(maps.find("SYSV"), std::string::npos) << "the frame buffer is shared with X";
  ExpectNoneMapped(maps);
  EXPECT_EQ(saver.Stop(), 0) << saver.Errors();
}

TEST(ProgramLibraries, TheFirstSoundLoadsTheSoundModuleOnly) {
  Saver saver(BuildDir() + "/host/lumivex", Home("sound", 124),
              {{"LUMIVEX_DISPLAY", "headless"}, {"SDL_AUDIODRIVER", "dummy"}});
  EXPECT_TRUE(saver.WaitForMapping(BuildDir() + "/host/liblumivex_sound.so", 15000))
      << saver.Errors();
  const std::string maps = saver.Maps();
  EXPECT_NE(maps.find("libSDL2"), std::string::npos);
  ExpectNoneMapped(maps, {"liblumivex_", "libSDL2", "libglib-2.0.so"});
  EXPECT_EQ(maps.find("liblumivex_gtk"), std::string::npos);
  EXPECT_EQ(saver.Stop(), 0) << saver.Errors();
}

TEST(ProgramLibraries, AnInstalledProgramFindsItsModulesBesideItsBinFolder) {
  const std::string stage = StagedInstall();
  ASSERT_FALSE(stage.empty());
  const std::string modules = stage + "/usr/lib/lumivex/";
  for (const char* module :
       {"liblumivex_gtk.so", "liblumivex_sound.so", "liblumivex_tls.so", "liblumivex_gio.so"})
    EXPECT_TRUE(fs::is_regular_file(modules + module)) << module;
  // Outside the build tree: only the installed modules can be found.
  Saver saver(stage + "/usr/bin/lumivex", Home("installed", 124),
              {{"LUMIVEX_DISPLAY", "headless"}, {"SDL_AUDIODRIVER", "dummy"}});
  EXPECT_TRUE(saver.WaitForMapping(modules + "liblumivex_sound.so", 15000)) << saver.Errors();
  EXPECT_EQ(saver.Stop(), 0) << saver.Errors();
}

TEST(ProgramLibraries, AProgramWithoutItsModulesRunsSilentAndSaysWhyOnce) {
  const std::string bin = fs::canonical(MakeTempDir("program-alone/bin")).string();
  fs::copy_file(BuildDir() + "/host/lumivex", bin + "/lumivex");
  Saver saver(bin + "/lumivex", Home("home-alone", 124),
              {{"LUMIVEX_DISPLAY", "headless"}, {"SDL_AUDIODRIVER", "dummy"}});
  std::string errors;
  for (int i = 0; i < 300 && errors.find("no sound") == std::string::npos; ++i) {
    SleepMs(50);
    errors = saver.Errors();
  }
  SleepMs(1000);
  ASSERT_TRUE(saver.Running()) << saver.Errors();
  ExpectNoneMapped(saver.Maps());
  EXPECT_EQ(saver.Stop(), 0) << saver.Errors();
  errors = saver.Errors();
  const std::string said = "lumivex: no sound: liblumivex_sound.so: not in " + bin;
  const std::size_t at = errors.find(said);
  ASSERT_NE(at, std::string::npos) << errors;
  EXPECT_EQ(errors.find("no sound", at + said.size()), std::string::npos) << errors;
}

}  // namespace
