// Start-up time of the real program against the size of its settings file
// and of its message book: from the start of `lumivex /s` (headless) to its
// first frame, seen as the first snapshot it writes. A plain program; prints
// one line per case.
//
//   startup_bench [path/to/lumivex]      (default: the build's host/lumivex)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/winapi.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 3;
constexpr auto kPatience = std::chrono::seconds(60);

struct Case {
  const char* name;
  long long fillerBytes;  // unrelated settings text, to make the file this big
  int messages;           // further messages in the book
};

pid_t Start(const std::string& binary, const std::string& home, const std::string& screen,
            const std::string& shots) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("LUMIVEX_HOME", home.c_str(), 1);
    setenv("TMPDIR", home.c_str(), 1);
    setenv("LUMIVEX_DISPLAY", "headless", 1);
    setenv("LUMIVEX_SCREEN", screen.c_str(), 1);
    if (!shots.empty()) {
      setenv("LUMIVEX_SNAPSHOT", shots.c_str(), 1);
      setenv("LUMIVEX_SNAPSHOT_EVERY", "1", 1);
    }
    if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(126);
    execl(binary.c_str(), binary.c_str(), "/s", static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

void Stop(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 500; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// A settled settings file: the first run is over (records, first messages).
// Its pointer-in-a-corner setting makes that run end by itself.
bool Settle(const std::string& binary, const std::string& home, const std::string& ini) {
  WritePrivateProfileStringA("Params", "DisableTL", "\"1\"", ini.c_str());
  const pid_t pid = Start(binary, home, "100x100", "");
  int status = 0;
  waitpid(pid, &status, 0);
  WritePrivateProfileStringA("Params", "DisableTL", nullptr, ini.c_str());
  WritePrivateProfileStringA("Params", "SwitchOffTV", "\"0\"", ini.c_str());
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The filler goes in front of the settings, where a reader that searches
// the text finds it in its way on every read; the book after them.
void Grow(const std::string& ini, const Case& c) {
  std::string settled;
  {
    std::ifstream in(ini, std::ios::binary);
    settled.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::ofstream out(ini, std::ios::trunc | std::ios::binary);
  if (c.fillerBytes > 0) {
    out << "[Notes]\n";
    const std::string text(80, 'n');
    long long written = 0;
    for (long long k = 0; written < c.fillerBytes; ++k) {
      const std::string line = "Note" + std::to_string(k) + "=\"" + text + "\"\n";
      out << line;
      written += static_cast<long long>(line.size());
    }
    out << "\n";
  }
  out << settled;
  if (c.messages > 0) {
    out << "\n[Messages]\n";
    for (int k = 3; k < 3 + c.messages; ++k)
      out << "Message___" << k << "=\"Message number " << k << "\"\nBottomLine" << k
          << "=\"The bottom line of message " << k << ", long enough to be a real one\"\n";
  }
}

// Milliseconds to the first frame, or -1 when none came in time.
double FirstFrame(const std::string& binary, const std::string& home) {
  const std::string shots = home + "/shots";
  fs::remove_all(shots);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = Start(binary, home, "1024x768", shots);
  double ms = -1;
  while (std::chrono::steady_clock::now() - start < kPatience) {
    if (fs::exists(shots + "/lumivex-000001.png")) {
      ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
               .count();
      break;
    }
    if (waitpid(pid, nullptr, WNOHANG) == pid) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  Stop(pid);
  return ms;
}

std::string DefaultBinary() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return (self.parent_path() / "../../host/lumivex").lexically_normal().string();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string binary = argc > 1 ? argv[1] : DefaultBinary();
  if (access(binary.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "startup_bench: %s is not a program\n", binary.c_str());
    return 2;
  }
  const Case cases[] = {
      {"plain settings (a few kB)", 0, 0},       {"settings file of 1 MB", 1LL << 20, 0},
      {"settings file of 10 MB", 10LL << 20, 0}, {"settings file of 20 MB", 20LL << 20, 0},
      {"book of 1000 messages", 0, 1000},        {"book of 5000 messages", 0, 5000},
  };
  std::printf("Start of %s /s (headless, 1024x768) to its first frame, best of %d:\n",
              binary.c_str(), kRuns);
  for (const Case& c : cases) {
    char home[] = "/tmp/lumivex-startup-bench-XXXXXX";
    if (mkdtemp(home) == nullptr) return 1;
    const std::string ini = std::string(home) + "/Lumivex.ini";
    if (!Settle(binary, home, ini)) {
      std::printf("%-28s  the first run failed\n", c.name);
      continue;
    }
    Grow(ini, c);
    double best = -1;
    for (int run = 0; run < kRuns; ++run) {
      const double ms = FirstFrame(binary, home);
      if (ms < 0) {
        best = -1;
        break;
      }
      if (best < 0 || ms < best) best = ms;
    }
    const double mb = static_cast<double>(fs::file_size(ini)) / (1 << 20);
    if (best < 0) {
      std::printf("%-28s  %6.2f MB  no first frame within %lld s\n", c.name, mb,
                  static_cast<long long>(kPatience.count()));
    } else {
      std::printf("%-28s  %6.2f MB  %8.0f ms\n", c.name, mb, best);
    }
    std::fflush(stdout);
    fs::remove_all(home);
  }
  return 0;
}
