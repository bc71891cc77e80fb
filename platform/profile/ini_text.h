// Internal to platform/profile: the line model of an INI text, shared by
// the reads and the writes.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace lvx::ini {

enum class LineKind { Other, Section, Entry };

struct Line {
  std::size_t begin = 0;  // first byte of the line
  std::size_t end = 0;    // past its content, before "\r\n" or "\n"
  std::size_t next = 0;   // first byte of the following line
  LineKind kind = LineKind::Other;
  std::string_view name;   // section name or key, trimmed
  std::string_view value;  // entry value, trimmed, cut at a NUL byte, quotes kept
  long section = -1;       // index of the governing section line, -1 before any
};

bool IsBlank(char c);
std::string_view Trim(std::string_view s);
bool EqualNoCase(std::string_view a, std::string_view b);
// A value in a matching pair of double quotes loses them.
std::string_view Unquote(std::string_view v);

// The section and entry lines of `text`, in one pass; the views point into
// `text`. Other lines (blank, comments, anything else) are not listed: they
// are the text between listed lines. More than `limit` listed lines set
// *overflow and end the list there (a file of millions of one-letter keys
// would otherwise cost gigabytes).
std::vector<Line> Parse(std::string_view text, std::size_t limit = static_cast<std::size_t>(-1),
                        bool* overflow = nullptr);

// The text has no line at all, or its last line is blank.
bool EndsWithBlankLine(std::string_view text);

// The line ending a new line should get: the first one the text uses, "\n"
// for a text without any.
std::string_view PreferredEol(std::string_view text);

enum class FileState { Ok, Missing, Failed };

// What tells one version of a file from another without reading it. Writes
// replace the file (a new inode), editors may rewrite it in place (new size
// or times); times carry nanoseconds.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};
  mode_t mode = 0;
  bool operator==(const FileStamp& o) const;
};
FileStamp StampOf(const struct stat& st);

// Reads a whole regular file of at most kMaxFileBytes without ever blocking:
// a pipe, device or socket is refused (Failed, *error kErrnoNotRegularFile), so
// is a folder (EISDIR) and a larger file (EFBIG). *stamp describes what was
// read; *error is the errno of a failure.
FileState ReadWholeFile(const char* path, std::string& out, FileStamp* stamp = nullptr,
                        int* error = nullptr);
constexpr std::size_t kMaxFileBytes = std::size_t{32} << 20;

// Replaces `path` by `bytes` through a temporary file in the same folder and
// a rename, so readers see either the old or the new file, never half of one.
// *stamp then describes the new file; *error is the errno of a failure.
bool ReplaceFile(const std::string& path, std::string_view bytes, FileStamp* stamp = nullptr,
                 int* error = nullptr);

}  // namespace lvx::ini
