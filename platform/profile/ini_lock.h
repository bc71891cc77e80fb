// Internal to platform/profile: the lock around a read-modify-write of a
// profile file. Several savers (one per monitor) and the configuration
// dialog may share one settings file; without it two of them can read the
// same old text and the second rename drops the first one's change.
#pragma once

#include <string>

namespace lvx::ini {

// Holds a process-wide mutex and an flock() on ".<name>.lock" beside the
// file. A thread may take the lock of a file it already holds again (the
// inner one is free). The file lock is given up after a long wait (another
// program stuck with it) rather than hanging: the write then goes ahead.
class ProfileLock {
 public:
  ProfileLock() = default;
  ~ProfileLock() { Release(); }
  ProfileLock(const ProfileLock&) = delete;
  ProfileLock& operator=(const ProfileLock&) = delete;

  void Acquire(const std::string& path);
  void Release();

 private:
  std::string lockPath_;
  bool held_ = false;
};

// ".<name>.lock" in the folder of `path`.
std::string LockPathFor(const std::string& path);

}  // namespace lvx::ini
