#include "platform/profile/ini_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <unordered_map>

namespace lvx::ini {
namespace {

// Writers hold the lock for milliseconds; this long means something is stuck.
constexpr auto kLongestWait = std::chrono::seconds(10);

struct Held {
  int fd = -1;
  int count = 0;
};

std::recursive_mutex& ProcessMutex() {
  static std::recursive_mutex m;
  return m;
}

// Only touched by the thread that holds ProcessMutex().
std::unordered_map<std::string, Held>& HeldLocks() {
  static std::unordered_map<std::string, Held> held;
  return held;
}

// The lock file, opened and locked; -1 when there can be no lock (a folder
// we may not write, a lock file that is not a regular file, no flock).
int TakeFileLock(const std::string& lockPath) {
  const int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
  int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | flags, 0666);
  if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = open(lockPath.c_str(), O_RDONLY | flags);
  if (fd < 0) return -1;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return -1;
  }
  const auto deadline = std::chrono::steady_clock::now() + kLongestWait;
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    if (errno != EWOULDBLOCK && errno != EINTR) break;  // no locks on this file system
    if (std::chrono::steady_clock::now() >= deadline) {
      std::fprintf(stderr, "lumivex: %s stays locked by another program; writing without it\n",
                   lockPath.c_str());
      break;
    }
    const timespec pause{0, 2'000'000};
    nanosleep(&pause, nullptr);
  }
  close(fd);
  return -1;
}

}  // namespace

std::string LockPathFor(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string dir =
      slash == std::string::npos ? "." : (slash == 0 ? "" : path.substr(0, slash));
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return dir + "/." + base + ".lock";
}

void ProfileLock::Acquire(const std::string& path) {
  Release();
  ProcessMutex().lock();
  held_ = true;
  lockPath_ = LockPathFor(path);
  Held& h = HeldLocks()[lockPath_];
  if (h.count++ > 0) return;
  // A device or pipe is never written, so it needs no lock file beside it
  // (and /dev is no place for one).
  struct stat st {};
  const bool special = stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
  h.fd = special ? -1 : TakeFileLock(lockPath_);
}

void ProfileLock::Release() {
  if (!held_) return;
  auto it = HeldLocks().find(lockPath_);
  if (it != HeldLocks().end() && --it->second.count == 0) {
    if (it->second.fd >= 0) {
      flock(it->second.fd, LOCK_UN);
      close(it->second.fd);
    }
    HeldLocks().erase(it);
  }
  held_ = false;
  ProcessMutex().unlock();
}

}  // namespace lvx::ini
