#include "platform/profile/ini_cache.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <list>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "platform/shell/errors.h"

namespace lvx::ini {
namespace {

// A handful of files are read at a time (the two settings files, a message
// file); more than this and the least recently used is dropped.
constexpr std::size_t kKeptFiles = 8;
// File times advance in steps of a clock tick (a few milliseconds) on most
// file systems, of a second or two where they carry no nanoseconds.
constexpr std::int64_t kFineStepNs = 100'000'000;
constexpr std::int64_t kCoarseStepNs = 2'000'000'000;
constexpr std::int64_t kStaleTemporarySeconds = 3600;

struct Kept {
  std::string path;
  FileStamp stamp;
  std::shared_ptr<const Parsed> parsed;
  bool racy = false;
};

struct Cache {
  std::mutex mu;
  std::list<Kept> files;  // most recently used first
  std::unordered_map<std::string, std::list<Kept>::iterator> byPath;
  std::unordered_set<std::string> seen;
};

Cache& TheCache() {
  static Cache c;
  return c;
}

const std::shared_ptr<const Parsed>& Empty() {
  static const std::shared_ptr<const Parsed> empty = std::make_shared<const Parsed>("");
  return empty;
}

std::int64_t Ns(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// A version whose last change is within one time step of now: a rewrite in
// place with the same size would not show in its stamp.
bool Racy(const FileStamp& s) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const timespec& latest = Ns(s.modified) > Ns(s.changed) ? s.modified : s.changed;
  const std::int64_t step = latest.tv_nsec == 0 ? kCoarseStepNs : kFineStepNs;
  return Ns(now) - Ns(latest) < step;
}

// ".<name>.XXXXXX": what ReplaceFile leaves when the process dies mid-write.
bool IsTemporaryOf(const std::string& entry, const std::string& base) {
  const std::string prefix = "." + base + ".";
  if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0)
    return false;
  for (std::size_t i = prefix.size(); i < entry.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(entry[i]))) return false;
  return true;
}

void RemoveStaleTemporaries(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string dir =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.empty()) return;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return;
  const std::int64_t limit = static_cast<std::int64_t>(time(nullptr)) - kStaleTemporarySeconds;
  while (dirent* e = readdir(d)) {
    if (!IsTemporaryOf(e->d_name, base)) continue;
    const std::string full = dir + "/" + e->d_name;
    struct stat st {};
    if (lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime < limit)
      unlink(full.c_str());
  }
  closedir(d);
}

// Caller holds the cache's mutex.
void Keep(Cache& c, const std::string& path, const FileStamp& stamp,
          std::shared_ptr<const Parsed> parsed) {
  if (auto it = c.byPath.find(path); it != c.byPath.end()) {
    c.files.erase(it->second);
    c.byPath.erase(it);
  }
  c.files.push_front(Kept{path, stamp, std::move(parsed), Racy(stamp)});
  c.byPath[path] = c.files.begin();
  while (c.files.size() > kKeptFiles) {
    c.byPath.erase(c.files.back().path);
    c.files.pop_back();
  }
}

void Forget(Cache& c, const std::string& path) {
  if (auto it = c.byPath.find(path); it != c.byPath.end()) {
    c.files.erase(it->second);
    c.byPath.erase(it);
  }
}

Loaded Failure(FileState state, int error) {
  Loaded l;
  l.state = state;
  l.error = error;
  l.parsed = Empty();
  return l;
}

}  // namespace

Loaded Load(const std::string& path) {
  Cache& c = TheCache();
  std::lock_guard<std::mutex> lock(c.mu);
  if (c.seen.insert(path).second) RemoveStaleTemporaries(path);

  // A stat never blocks, whatever sits at the path.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    Forget(c, path);
    return Failure(err == ENOENT || err == ENOTDIR ? FileState::Missing : FileState::Failed, err);
  }
  if (!S_ISREG(st.st_mode)) {
    Forget(c, path);
    return Failure(FileState::Failed, S_ISDIR(st.st_mode) ? EISDIR : kErrnoNotRegularFile);
  }

  const FileStamp now = StampOf(st);
  auto it = c.byPath.find(path);
  if (it != c.byPath.end() && it->second->stamp == now && !it->second->racy) {
    c.files.splice(c.files.begin(), c.files, it->second);
    Loaded l;
    l.state = FileState::Ok;
    l.stamp = now;
    l.parsed = c.files.front().parsed;
    return l;
  }

  std::string text;
  Loaded l;
  l.state = ReadWholeFile(path.c_str(), text, &l.stamp, &l.error);
  if (l.state != FileState::Ok) {
    Forget(c, path);
    l.parsed = Empty();
    return l;
  }
  if (it != c.byPath.end() && it->second->stamp == l.stamp && it->second->parsed->Text() == text) {
    // The same bytes: keep the parse, and trust the stamp once it is old enough.
    it->second->racy = Racy(l.stamp);
    c.files.splice(c.files.begin(), c.files, it->second);
    l.parsed = c.files.front().parsed;
    return l;
  }
  l.parsed = std::make_shared<const Parsed>(std::move(text));
  if (l.parsed->Overflowed()) {
    Forget(c, path);
    return Failure(FileState::Failed, EFBIG);
  }
  Keep(c, path, l.stamp, l.parsed);
  return l;
}

void Remember(const std::string& path, const FileStamp& stamp,
              std::shared_ptr<const Parsed> parsed) {
  Cache& c = TheCache();
  std::lock_guard<std::mutex> lock(c.mu);
  c.seen.insert(path);
  Keep(c, path, stamp, std::move(parsed));
}

}  // namespace lvx::ini

namespace lvx {
void ForgetProfileFilesForTests() {
  ini::Cache& c = ini::TheCache();
  std::lock_guard<std::mutex> lock(c.mu);
  c.files.clear();
  c.byPath.clear();
  c.seen.clear();
}
}  // namespace lvx
