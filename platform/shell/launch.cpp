// Starting other programs: ShellExecuteA and the helpers behind it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/shell/shell_internal.h"

extern char** environ;

namespace lvx::shell {
namespace {

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
  std::vector<char*> out;
  out.reserve(argv.size() + 1);
  for (const std::string& a : argv) out.push_back(const_cast<char*>(a.c_str()));
  out.push_back(nullptr);
  return out;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// "scheme:..." with a scheme of two or more letters (one letter would be a
// drive such as C:).
bool LooksLikeUrl(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '+' ||
                          s[i] == '-' || s[i] == '.'))
    ++i;
  return i >= 2 && i < s.size() && s[i] == ':' && std::isalpha(static_cast<unsigned char>(s[0]));
}

// Blank-separated parameters; double quotes group blanks into one.
std::vector<std::string> SplitParameters(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false, any = false;
  for (char c : s) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) out.push_back(cur);
      cur.clear();
      any = false;
    } else {
      cur += c;
      any = true;
    }
  }
  if (any) out.push_back(cur);
  return out;
}

bool EqualNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) !=
        std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

HINSTANCE ShellResult(int code) {
  return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(code));
}

}  // namespace

std::string FindProgram(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : "";
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

int RunAndWait(const std::vector<std::string>& argv, std::string* output, int timeoutMs) {
  if (argv.empty()) return -1;
  const std::string program = FindProgram(argv[0]);
  if (program.empty()) return -1;
  int fds[2] = {-1, -1};
  if (output && pipe2(fds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (output) {
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  std::vector<char*> args = ArgvPointers(argv);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (output) close(fds[1]);
  if (rc != 0) {
    if (output) close(fds[0]);
    return -1;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  bool timedOut = false;
  if (output) {
    char buf[4096];
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) {
        timedOut = true;
        break;
      }
      pollfd p{fds[0], POLLIN, 0};
      const int ready = poll(&p, 1, static_cast<int>(left));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) {
        timedOut = ready == 0;
        break;
      }
      const ssize_t n = read(fds[0], buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      // Enough for any listing we ask for; the rest is drained and dropped.
      if (output->size() < (1u << 20)) output->append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
  }
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return -1;
    if (timedOut || std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return -1;
    }
    usleep(2000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int SpawnDetached(const std::vector<std::string>& argv, const std::string& directory) {
  if (argv.empty()) return EINVAL;
  const std::string program = FindProgram(argv[0]);
  if (program.empty()) return ENOENT;
  std::vector<char*> args = ArgvPointers(argv);
  const char* dir = directory.empty() ? nullptr : directory.c_str();
  // The grandchild reports a failed exec through this pipe; a successful one
  // closes it (close-on-exec), so the read below sees end of file.
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return errno;
  const pid_t child = fork();
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    close(fds[0]);
    setsid();
    const pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    int err = 0;
    if (dir && chdir(dir) != 0) {
      err = errno;
    } else {
      const int in = open("/dev/null", O_RDONLY);
      if (in >= 0 && in != 0) {
        dup2(in, 0);
        close(in);
      }
      execve(program.c_str(), args.data(), environ);
      err = errno;
    }
    ssize_t ignored = write(fds[1], &err, sizeof err);
    (void)ignored;
    _exit(127);
  }
  const int forkErr = errno;
  close(fds[1]);
  if (child < 0) {
    close(fds[0]);
    return forkErr;
  }
  int err = 0;
  ssize_t n;
  do {
    n = read(fds[0], &err, sizeof err);
  } while (n < 0 && errno == EINTR);
  close(fds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (n == static_cast<ssize_t>(sizeof err)) return err != 0 ? err : EIO;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return ECHILD;
  return 0;
}

}  // namespace lvx::shell

// "open" (and "explore") of a URL, a mail link, a folder or a document goes
// to the desktop's opener; an executable file runs with the parameters.
HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        int) {
  using namespace lvx::shell;
  if (operation && *operation && !EqualNoCase(operation, "open") &&
      !EqualNoCase(operation, "explore"))
    return ShellResult(SE_ERR_NOASSOC);
  if (!file || !*file) return ShellResult(ERROR_FILE_NOT_FOUND);
  std::vector<std::string> argv;
  std::string target = file;
  if (!LooksLikeUrl(target)) {
    target = NativePath(file);
    struct stat st {};
    if (stat(target.c_str(), &st) != 0) return ShellResult(ERROR_FILE_NOT_FOUND);
    if (S_ISREG(st.st_mode) && access(target.c_str(), X_OK) == 0) {
      // Absolute, as the program may start in another folder.
      char resolved[PATH_MAX];
      argv.push_back(realpath(target.c_str(), resolved) ? std::string(resolved) : target);
      for (std::string& p : SplitParameters(parameters ? parameters : ""))
        argv.push_back(std::move(p));
    }
  }
  if (argv.empty()) {
    if (FindProgram("xdg-open").empty()) {
      std::fprintf(stderr, "lumivex: cannot open %s: xdg-open is not installed\n", file);
      return ShellResult(SE_ERR_NOASSOC);
    }
    argv = {"xdg-open", target};
  }
  const int err = SpawnDetached(argv, NativePath(directory));
  if (err == 0) return ShellResult(42);
  std::fprintf(stderr, "lumivex: cannot start %s: %s\n", argv[0].c_str(), std::strerror(err));
  if (err == EACCES) return ShellResult(SE_ERR_ACCESSDENIED);
  if (err == ENOENT) return ShellResult(ERROR_FILE_NOT_FOUND);
  return ShellResult(SE_ERR_NOASSOC);
}
