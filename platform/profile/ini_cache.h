// Internal to platform/profile: files parsed once and kept while they stay
// the same, so that a program reading hundreds of values from a big file
// does not read and parse it hundreds of times.
#pragma once

#include <memory>
#include <string>

#include "platform/profile/ini_parsed.h"
#include "platform/profile/ini_text.h"

namespace lvx::ini {

struct Loaded {
  FileState state = FileState::Missing;
  int error = 0;    // errno of a failure (kErrnoNotRegularFile, EISDIR, EFBIG ...)
  FileStamp stamp;  // of the version read, when Ok
  std::shared_ptr<const Parsed> parsed;  // never null; empty unless Ok
};

// The file at `path`, parsed; from memory when its device, inode, size and
// times (to the nanosecond) are those of the version kept. A file changed
// so recently that a rewrite in place could keep all of them (file times
// advance in steps) is compared byte for byte until that time has passed.
// The first time a path is seen, temporary files of interrupted writes
// beside it that are over an hour old are removed.
Loaded Load(const std::string& path);

// What a write of this process left at `path`.
void Remember(const std::string& path, const FileStamp& stamp,
              std::shared_ptr<const Parsed> parsed);

}  // namespace lvx::ini

namespace lvx {
// Tests and benchmarks: forget every file kept.
void ForgetProfileFilesForTests();
}  // namespace lvx
