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
      return ERROR_ACCESS_DENIED;
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

// Copies through a temporary file next to the target, so a failure never
// leaves a half-written target; with failIfExists an existing target stays.
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  if (!from || !to || !*from || !*to) return Fail(ERROR_INVALID_PARAMETER);
  const std::string src = NativePath(from);
  const std::string dst = NativePath(to);
  Fd in(open(src.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.fd < 0) return Fail(ErrorFromErrno(errno));
  struct stat st {};
  if (fstat(in.fd, &st) != 0 || S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  struct stat dstSt {};
  if (failIfExists && lstat(dst.c_str(), &dstSt) == 0) return Fail(ERROR_FILE_EXISTS);

  std::string tmp = dst + ".XXXXXX";
  Fd out(mkostemp(tmp.data(), O_CLOEXEC));
  if (out.fd < 0) return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
  bool ok = true;
  std::vector<char> buf(1 << 16);
  for (;;) {
    const ssize_t n = read(in.fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (!WriteAll(out.fd, buf.data(), static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
  }
  ok = ok && fchmod(out.fd, st.st_mode & 07777) == 0;
  const int closeRc = close(out.fd);
  out.fd = -1;
  ok = ok && closeRc == 0;
  if (!ok) {
    unlink(tmp.c_str());
    return Fail(ERROR_ACCESS_DENIED);
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
