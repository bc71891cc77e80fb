#include "tests/support/process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/support/test_support.h"

namespace lvx::test {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string LumivexBinary() {
  const char* dir = std::getenv("LUMIVEX_BINARY_DIR");
  return std::string(dir != nullptr ? dir : ".") + "/host/lumivex";
}

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    pclose(p);
  }
  return out;
}

bool HaveTools(std::initializer_list<const char*> tools) {
  for (const char* t : tools)
    if (Shell(std::string("command -v ") + t).empty()) return false;
  return true;
}

std::string FakeTimeLibrary() {
  for (const char* path : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                           "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
                           "/usr/lib/faketime/libfaketime.so.1"})
    if (access(path, R_OK) == 0) return path;
  return "";
}

Child Spawn(std::vector<std::string> args, SpawnOptions options) {
  static int serial = 0;
  Child c;
  if (args.empty()) return c;
  c.errPath_ = !options.errPath.empty() ? options.errPath
                                        : Home() + "/stderr-" + std::to_string(++serial) + ".txt";
  if (args[0] == "lumivex") args[0] = LumivexBinary();
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  c.pid_ = fork();
  if (c.pid_ == 0) {
    if (options.inChild && !options.inChild()) _exit(125);
    if (options.clearEnv) clearenv();
    for (const auto& [name, value] : options.env) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    if (options.withOutput) {
      if (std::freopen(c.errPath_.c_str(), "a", stdout) == nullptr) _exit(126);
      if (dup2(fileno(stdout), fileno(stderr)) < 0) _exit(126);
    } else {
      if (std::freopen(c.errPath_.c_str(), "w", stderr) == nullptr) _exit(126);
      if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
    }
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return c;
}

Child Spawn(std::vector<std::string> args, Env env) {
  SpawnOptions options;
  options.env = std::move(env);
  return Spawn(std::move(args), std::move(options));
}

Child::Child(Child&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), errPath_(std::move(other.errPath_)) {}

Child& Child::operator=(Child&& other) noexcept {
  if (this != &other) {
    Kill();
    pid_ = std::exchange(other.pid_, -1);
    errPath_ = std::move(other.errPath_);
  }
  return *this;
}

Child::~Child() { Kill(); }

std::string Child::Err() const { return ReadFile(errPath_); }

int SanitizerSlowdown() {
#if defined(__SANITIZE_ADDRESS__)
  return 3;
#else
  return 1;
#endif
}

int Child::Wait(int ms) {
  if (pid_ <= 0) return kNoChild;
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<long long>(ms) * SanitizerSlowdown());
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return kRunning;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(5)));
  }
}

int Child::Terminate(int ms) {
  if (pid_ <= 0) return kNoChild;
  Signal(SIGTERM);
  const int code = Wait(ms);
  if (code == kRunning) Kill();
  return code;
}

void Child::Signal(int signal) const {
  if (pid_ > 0) kill(pid_, signal);
}

void Child::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

}  // namespace lvx::test
