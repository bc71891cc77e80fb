// Folders and files: temporary and system folders, directory creation,
// copying, deleting, and the find-first/find-next directory search.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/shell/errors.h"
#include "platform/shell/shell_internal.h"

namespace lvx::shell {

std::string NativePath(LPCSTR path) {
  std::string out = path ? path : "";
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
  const DWORD needed = static_cast<DWORD>(text.size() + 1);
  if (buffer == nullptr || size < needed) return needed;
  std::memcpy(buffer, text.c_str(), needed);
  return needed - 1;
}

}  // namespace lvx::shell

namespace {

using lvx::shell::NativePath;

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return lvx::Win32ErrorFromErrno(err);
  }
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Closes a descriptor when it goes out of scope.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

bool WriteAll(int fd, const char* data, std::size_t n) {
  while (n > 0) {
    const ssize_t w = write(fd, data, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    data += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

// Win32 wildcard matching without regard to case: * any run, ? one character.
bool Matches(const char* pattern, const char* name) {
  const char* starP = nullptr;
  const char* starN = nullptr;
  while (*name) {
    if (*pattern == '*') {
      starP = pattern++;
      starN = name;
    } else if (*pattern == '?' || std::tolower(static_cast<unsigned char>(*pattern)) ==
                                      std::tolower(static_cast<unsigned char>(*name))) {
      ++pattern;
      ++name;
    } else if (starP) {
      pattern = starP + 1;
      name = ++starN;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

struct FoundEntry {
  std::string name;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  unsigned long long size = 0;
};

struct FindState {
  std::vector<FoundEntry> entries;
  std::size_t next = 0;
};

// Live search handles, so a stale or made-up handle is refused, not followed.
std::mutex g_findMu;
std::set<FindState*>& LiveFinds() {
  static std::set<FindState*> live;
  return live;
}

bool StatEntry(const std::string& path, const std::string& name, FoundEntry* out) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  out->name = name;
  out->attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  out->size = S_ISDIR(st.st_mode) ? 0 : static_cast<unsigned long long>(st.st_size);
  return true;
}

void Fill(const FoundEntry& e, WIN32_FIND_DATAA* data) {
  std::memset(data, 0, sizeof *data);
  data->dwFileAttributes = e.attributes;
  data->nFileSizeHigh = static_cast<DWORD>(e.size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(e.size & 0xFFFFFFFFu);
  std::memcpy(data->cFileName, e.name.c_str(), e.name.size() + 1);  // length checked when found
}

}  // namespace

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  const char* env = std::getenv("TMPDIR");
  std::string dir = env && *env ? env : "/tmp";
  if (dir.back() != '/') dir += '/';
  return lvx::shell::CopyOut(dir, buffer, size);
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  return lvx::shell::CopyOut(lvx::SystemFolder(), buffer, size);
}

BOOL CreateDirectoryA(LPCSTR path, LPVOID) {
  if (!path || !*path) return Fail(ERROR_PATH_NOT_FOUND);
  const std::string p = NativePath(path);
  if (mkdir(p.c_str(), 0777) == 0) return TRUE;
  return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
}

namespace {

// The file at `path` opened for reading without waiting on it: a pipe
// without a writer would block open() forever, a device may never end.
// Returns the descriptor of a regular file, else -1 with errno set
// (EISDIR for a folder, kErrnoNotRegularFile for anything else).
int OpenRegularForReading(const std::string& path, struct stat* st) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    const int err = S_ISDIR(st->st_mode) ? EISDIR : lvx::kErrnoNotRegularFile;
    close(fd);
    errno = err;
    return -1;
  }
  // Regular files never block; clear the flag so reads behave as usual.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

LARGE_INTEGER Large(long long v) {
  LARGE_INTEGER l{};
  l.QuadPart = v;
  return l;
}

}  // namespace

// Copies through a temporary file next to the target, so a failure never
// leaves a half-written target; with COPY_FILE_FAIL_IF_EXISTS an existing
// target stays.
BOOL CopyFileExA(LPCSTR from, LPCSTR to, LPPROGRESS_ROUTINE progress, LPVOID data, BOOL* cancel,
                 DWORD copyFlags) {
  if (!from || !to || !*from || !*to) return Fail(ERROR_INVALID_PARAMETER);
  const bool failIfExists = (copyFlags & COPY_FILE_FAIL_IF_EXISTS) != 0;
  const std::string src = NativePath(from);
  const std::string dst = NativePath(to);
  struct stat st {};
  Fd in(OpenRegularForReading(src, &st));
  if (in.fd < 0) {
    if (errno == EISDIR) return Fail(ERROR_ACCESS_DENIED);
    if (errno == lvx::kErrnoNotRegularFile) return Fail(ERROR_BAD_FILE_TYPE);
    return Fail(ErrorFromErrno(errno));
  }
  struct stat dstSt {};
  if (failIfExists && lstat(dst.c_str(), &dstSt) == 0) return Fail(ERROR_FILE_EXISTS);

  // Asks the caller's routine; false when it wants the copy to end.
  bool quiet = progress == nullptr;
  long long copied = 0;
  const auto goOn = [&](DWORD reason) {
    if (cancel != nullptr && *cancel) return false;
    if (quiet) return true;
    const DWORD answer = progress(Large(st.st_size), Large(copied), Large(st.st_size),
                                  Large(copied), 1, reason, nullptr, nullptr, data);
    if (answer == PROGRESS_QUIET) quiet = true;
    return answer == PROGRESS_CONTINUE || answer == PROGRESS_QUIET;
  };
  if (!goOn(CALLBACK_STREAM_SWITCH)) return Fail(ERROR_REQUEST_ABORTED);

  std::string tmp = dst + ".XXXXXX";
  Fd out(mkostemp(tmp.data(), O_CLOEXEC));
  if (out.fd < 0) return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
  DWORD error = ERROR_SUCCESS;
  std::vector<char> buf(1 << 16);
  for (;;) {
    const ssize_t n = read(in.fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = ErrorFromErrno(errno);
    if (n <= 0) break;
    if (!WriteAll(out.fd, buf.data(), static_cast<std::size_t>(n))) {
      error = ErrorFromErrno(errno);
      break;
    }
    copied += n;
    if (!goOn(CALLBACK_CHUNK_FINISHED)) {
      error = ERROR_REQUEST_ABORTED;
      break;
    }
  }
  if (error == ERROR_SUCCESS && fchmod(out.fd, st.st_mode & 07777) != 0)
    error = ErrorFromErrno(errno);
  const int closeRc = close(out.fd);
  out.fd = -1;
  if (error == ERROR_SUCCESS && closeRc != 0) error = ErrorFromErrno(errno);
  if (error != ERROR_SUCCESS) {
    unlink(tmp.c_str());
    return Fail(error);
  }
  if (failIfExists) {
    // link() refuses an existing target, closing the gap after the check above.
    if (link(tmp.c_str(), dst.c_str()) == 0) {
      unlink(tmp.c_str());
      return TRUE;
    }
    const int err = errno;
    if (err == EEXIST) {
      unlink(tmp.c_str());
      return Fail(ERROR_FILE_EXISTS);
    }
    // File systems without hard links: the check above has to do.
  }
  if (rename(tmp.c_str(), dst.c_str()) != 0) {
    const int err = errno;
    unlink(tmp.c_str());
    return Fail(ErrorFromErrno(err));
  }
  return TRUE;
}

BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  return CopyFileExA(from, to, nullptr, nullptr, nullptr,
                     failIfExists ? COPY_FILE_FAIL_IF_EXISTS : 0);
}

UINT GetTempFileNameA(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR out) {
  if (folder == nullptr || *folder == '\0' || out == nullptr || unique != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string path = NativePath(folder);
  if (path.back() != '/') path += '/';
  path += std::string(prefix != nullptr ? prefix : "").substr(0, 3) + "XXXXXX.tmp";
  if (path.size() >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  const int fd = mkostemps(path.data(), 4, O_CLOEXEC);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return 0;
  }
  close(fd);
  std::memcpy(out, path.c_str(), path.size() + 1);
  return 1;
}

BOOL RemoveDirectoryA(LPCSTR path) {
  if (!path || !*path) return Fail(ERROR_PATH_NOT_FOUND);
  if (rmdir(NativePath(path).c_str()) == 0) return TRUE;
  return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
  if (!path || !*path) return Fail(ERROR_INVALID_PARAMETER);
  const std::string p = NativePath(path);
  struct stat st {};
  if (stat(p.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno));
  mode_t mode = st.st_mode & 07777;
  mode =
      (attributes & FILE_ATTRIBUTE_READONLY) ? mode & ~static_cast<mode_t>(0222) : mode | S_IWUSR;
  if (chmod(p.c_str(), mode) != 0) return Fail(ErrorFromErrno(errno));
  return TRUE;
}

namespace lvx {

BOOL MakePrivateFolder(const char* path) {
  if (path == nullptr || *path == '\0') return Fail(ERROR_PATH_NOT_FOUND);
  const std::string p = NativePath(path);
  if (mkdir(p.c_str(), 0700) != 0 && errno != EEXIST)
    return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
  struct stat st {};
  if (lstat(p.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno));
  if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return Fail(ERROR_ACCESS_DENIED);
  if ((st.st_mode & 0077) != 0 && chmod(p.c_str(), st.st_mode & 0700) != 0)
    return Fail(ErrorFromErrno(errno));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

int OpenRegularFd(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr || *path == '\0') {
    errno = EINVAL;
    return -1;
  }
  const bool plus = std::strchr(mode, '+') != nullptr;
  int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  switch (mode[0]) {
    case 'r':
      flags |= plus ? O_RDWR : O_RDONLY;
      break;
    case 'w':
      flags |= (plus ? O_RDWR : O_WRONLY) | O_CREAT;
      break;
    case 'a':
      flags |= (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
      break;
    default:
      errno = EINVAL;
      return -1;
  }
  // Something that is there and not a regular file is not even opened: for
  // a device that alone may have effects.
  struct stat st {};
  if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return -1;
  }
  const int fd = open(path, flags, 0666);
  if (fd < 0) return -1;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (mode[0] == 'w' && ftruncate(fd, 0) != 0) {
    const int err = errno;
    close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

std::FILE* OpenRegularFile(const char* path, const char* mode) {
  const int fd = OpenRegularFd(path, mode);
  if (fd < 0) return nullptr;
  std::FILE* f = fdopen(fd, mode);
  if (f == nullptr) close(fd);
  return f;
}

bool AppendToRegularFile(const char* path, const char* data, std::size_t size) {
  const int fd = OpenRegularFd(path, "a");
  if (fd < 0) return false;
  bool ok = true;
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return close(fd) == 0 && ok;
}

}  // namespace lvx

BOOL DeleteFileA(LPCSTR path) {
  if (!path || !*path) return Fail(ERROR_FILE_NOT_FOUND);
  const std::string p = NativePath(path);
  struct stat st {};
  if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (unlink(p.c_str()) == 0) return TRUE;
  return Fail(ErrorFromErrno(errno));
}

// Names match without regard to case, as on Windows; "." and ".." are left
// out. Entries come sorted by name, without regard to case.
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
  if (!pattern || !*pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::string full = NativePath(pattern);
  const std::size_t slash = full.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : full.substr(0, slash);
  if (dir.empty()) dir = "/";
  std::string namePattern = slash == std::string::npos ? full : full.substr(slash + 1);
  if (namePattern == "*.*") namePattern = "*";
  if (namePattern.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }

  auto state = std::make_unique<FindState>();
  FoundEntry entry;
  const bool wild = namePattern.find_first_of("*?") != std::string::npos;
  // An exact name that exists as written needs no listing (and works in a
  // folder we may enter but not list).
  if (!wild && StatEntry(full, namePattern, &entry)) {
    state->entries.push_back(entry);
  } else {
    DIR* d = opendir(dir.c_str());
    if (!d) {
      SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                       : ErrorFromErrno(errno));
      return INVALID_HANDLE_VALUE;
    }
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      if (name.size() >= MAX_PATH) continue;  // cannot be reported in cFileName
      if (!Matches(namePattern.c_str(), name.c_str())) continue;
      if (StatEntry(dir + "/" + name, name, &entry)) state->entries.push_back(entry);
    }
    closedir(d);
    std::sort(state->entries.begin(), state->entries.end(),
              [](const FoundEntry& a, const FoundEntry& b) {
                const int c = strcasecmp(a.name.c_str(), b.name.c_str());
                return c != 0 ? c < 0 : a.name < b.name;
              });
  }
  if (state->entries.empty() || state->entries[0].name.size() >= MAX_PATH) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  Fill(state->entries[0], data);
  state->next = 1;
  std::lock_guard<std::mutex> lock(g_findMu);
  FindState* raw = state.release();
  LiveFinds().insert(raw);
  return raw;
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
  std::lock_guard<std::mutex> lock(g_findMu);
  auto* state = static_cast<FindState*>(find);
  if (!data || !LiveFinds().count(state)) return Fail(ERROR_INVALID_HANDLE);
  if (state->next >= state->entries.size()) return Fail(ERROR_NO_MORE_FILES);
  Fill(state->entries[state->next++], data);
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  std::lock_guard<std::mutex> lock(g_findMu);
  auto* state = static_cast<FindState*>(find);
  if (!LiveFinds().erase(state)) return Fail(ERROR_INVALID_HANDLE);
  delete state;
  return TRUE;
}
