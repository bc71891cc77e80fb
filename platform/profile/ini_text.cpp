#include "platform/profile/ini_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/shell/errors.h"

namespace lvx::ini {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

static char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
  return v;
}

static void Classify(std::string_view text, Line& line, long& section, long index) {
  std::string_view t = Trim(text.substr(line.begin, line.end - line.begin));
  line.section = section;
  if (t.empty() || t[0] == ';') return;
  if (t[0] == '[') {
    std::size_t close = t.find(']');
    if (close == std::string_view::npos) return;
    line.kind = LineKind::Section;
    line.name = Trim(t.substr(1, close - 1));
    section = index;
    line.section = index;
    return;
  }
  std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) return;
  std::string_view key = Trim(t.substr(0, eq));
  if (key.empty()) return;
  std::string_view value = t.substr(eq + 1);
  value = value.substr(0, value.find('\0'));
  line.kind = LineKind::Entry;
  line.name = key;
  line.value = Trim(value);
}

std::vector<Line> Parse(std::string_view text, std::size_t limit, bool* overflow) {
  std::vector<Line> lines;
  if (overflow != nullptr) *overflow = false;
  std::size_t pos = 0;
  // A byte-order mark some editors put in front is not part of the first line.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;
  long section = -1;
  while (pos < text.size()) {
    Line line;
    line.begin = pos;
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) {
      line.end = text.size();
      line.next = text.size();
    } else {
      line.end = (nl > pos && text[nl - 1] == '\r') ? nl - 1 : nl;
      line.next = nl + 1;
    }
    Classify(text, line, section, static_cast<long>(lines.size()));
    pos = line.next;
    if (line.kind == LineKind::Other) continue;
    if (lines.size() == limit) {
      if (overflow != nullptr) *overflow = true;
      break;
    }
    lines.push_back(line);
  }
  return lines;
}

bool EndsWithBlankLine(std::string_view text) {
  const std::size_t first = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  if (text.size() <= first) return true;
  std::size_t end = text.size();
  if (text[end - 1] == '\n') --end;  // the last line ends there
  const std::size_t nl = end == 0 ? std::string_view::npos : text.rfind('\n', end - 1);
  std::size_t begin = nl == std::string_view::npos ? 0 : nl + 1;
  if (begin < first) begin = first;
  return begin >= end || Trim(text.substr(begin, end - begin)).empty();
}

std::string_view PreferredEol(std::string_view text) {
  std::size_t nl = text.find('\n');
  if (nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r') return "\r\n";
  return "\n";
}

bool FileStamp::operator==(const FileStamp& o) const {
  return device == o.device && inode == o.inode && size == o.size &&
         modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
         changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec &&
         mode == o.mode;
}

FileStamp StampOf(const struct stat& st) {
  FileStamp s;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = st.st_size;
  s.modified = st.st_mtim;
  s.changed = st.st_ctim;
  s.mode = st.st_mode;
  return s;
}

FileState ReadWholeFile(const char* path, std::string& out, FileStamp* stamp, int* error) {
  out.clear();
  int ignored = 0;
  int& err = error != nullptr ? *error : ignored;
  err = 0;
  // Without O_NONBLOCK, opening a pipe that nobody writes waits forever.
  int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    err = errno;
    return (errno == ENOENT || errno == ENOTDIR) ? FileState::Missing : FileState::Failed;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    err = errno;
  } else if (S_ISDIR(st.st_mode)) {
    err = EISDIR;
  } else if (!S_ISREG(st.st_mode)) {
    err = lvx::kErrnoNotRegularFile;
  } else if (static_cast<unsigned long long>(st.st_size) > kMaxFileBytes) {
    err = EFBIG;
  }
  if (err != 0) {
    ::close(fd);
    return FileState::Failed;
  }
  if (stamp != nullptr) *stamp = StampOf(st);
  out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || out.size() + static_cast<std::size_t>(n) > kMaxFileBytes) {
      err = n < 0 ? errno : EFBIG;
      ::close(fd);
      out.clear();
      return FileState::Failed;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return FileState::Ok;
}

// The mode a newly created file would get from open(..., 0666). Read from
// /proc so that the process-wide umask is never changed, even for a moment.
static mode_t NewFileMode() {
  mode_t mask = 022;
  if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      unsigned m = 0;
      if (std::sscanf(line, "Umask: %o", &m) == 1) {
        mask = static_cast<mode_t>(m & 0777);
        break;
      }
    }
    std::fclose(f);
  }
  return 0666 & ~mask;
}

static bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool ReplaceFile(const std::string& path, std::string_view bytes, FileStamp* stamp, int* error) {
  int ignored = 0;
  int& err = error != nullptr ? *error : ignored;
  err = 0;
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.empty()) {
    err = EISDIR;
    return false;
  }
  std::string tmp = (dir == "/" ? "" : dir) + "/." + base + ".XXXXXX";

  struct stat old {};
  mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();

  int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return false;
  }
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  if (!ok) err = errno;
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
    err = errno;
    ok = false;
  }
  // Stamped after the rename, which may touch the file's change time.
  struct stat now {};
  if (ok && stamp != nullptr) *stamp = ::fstat(fd, &now) == 0 ? StampOf(now) : FileStamp{};
  ::close(fd);  // after fsync a failing close has lost nothing
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  // Make the rename itself durable; failing here loses nothing already written.
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace lvx::ini
