// Private profile files. A read takes its value from the file parsed once
// and kept while the file is unchanged; a write replaces the file
// atomically, under a lock that other processes sharing the file respect.
#include "platform/winapi/profile.h"

#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/profile/ini_cache.h"
#include "platform/profile/ini_lock.h"
#include "platform/profile/ini_text.h"
#include "platform/shell/errors.h"
#include "platform/winapi/kernel.h"

using namespace lvx::ini;

namespace {

bool InSection(const std::vector<Line>& lines, const Line& line, std::string_view section) {
  return line.section >= 0 &&
         EqualNoCase(lines[static_cast<std::size_t>(line.section)].name, section);
}

DWORD CopyText(std::string_view text, LPSTR out, DWORD size) {
  std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  if (n > 0) std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<DWORD>(n);
}

// Names separated by NUL with a second NUL at the end. When they do not fit,
// the last name is cut so that the double NUL still ends the buffer.
DWORD CopyList(const std::vector<std::string_view>& names, LPSTR out, DWORD size) {
  std::size_t total = 0;
  for (std::string_view n : names) total += n.size() + 1;
  if (total + 1 <= size) {
    char* p = out;
    for (std::string_view n : names) {
      std::memcpy(p, n.data(), n.size());
      p += n.size();
      *p++ = '\0';
    }
    *p = '\0';
    if (total == 0 && size >= 2) out[1] = '\0';
    return static_cast<DWORD>(total);
  }
  if (size < 2) {
    out[0] = '\0';
    return 0;
  }
  std::size_t room = size - 2;
  char* p = out;
  for (std::string_view n : names) {
    if (room == 0) break;
    std::size_t take = n.size() < room ? n.size() : room;
    std::memcpy(p, n.data(), take);
    p += take;
    room -= take;
    if (room == 0) break;
    *p++ = '\0';
    --room;
  }
  out[size - 2] = '\0';
  out[size - 1] = '\0';
  return size - 2;
}

std::vector<std::string_view> SectionNames(const std::vector<Line>& lines) {
  std::vector<std::string_view> names;
  std::unordered_set<std::string> seen;
  for (const Line& line : lines)
    // An empty name would end the list early, so "[]" is not listed.
    if (line.kind == LineKind::Section && !line.name.empty() &&
        seen.insert(LowerCopy(line.name)).second)
      names.push_back(line.name);
  return names;
}

std::vector<std::string_view> KeyNames(const std::vector<Line>& lines, std::string_view section) {
  std::vector<std::string_view> names;
  std::unordered_set<std::string> seen;
  for (const Line& line : lines)
    if (line.kind == LineKind::Entry && InSection(lines, line, section) &&
        seen.insert(LowerCopy(line.name)).second)
      names.push_back(line.name);
  return names;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// Names that would not read back as the same section or key are refused
// rather than written into a file that then means something else.
bool ValidSection(std::string_view s) {
  return !Trim(s).empty() && !HasLineBreak(s) && s.find(']') == std::string_view::npos;
}
bool ValidKey(std::string_view k) {
  std::string_view t = Trim(k);
  return !t.empty() && !HasLineBreak(k) && t.find('=') == std::string_view::npos && t[0] != '[' &&
         t[0] != ';';
}

// The file text after one write: set, delete a key, or delete a section.
// Lines that are neither sections nor entries are the text between listed
// lines and are kept, unless they belong to a deleted section.
std::string Edit(std::string_view text, std::string_view section, const char* key,
                 const char* value) {
  std::vector<Line> lines = Parse(text);
  std::string_view eol = PreferredEol(text);
  std::string out;
  out.reserve(text.size() + 64);
  std::size_t cursor = 0;  // text before it has been dealt with
  auto upTo = [&](std::size_t at, bool keepIt) {
    if (keepIt) out.append(text.substr(cursor, at - cursor));
    cursor = at;
  };
  auto keep = [&](const Line& l) {
    upTo(l.begin, true);
    upTo(l.next, true);
  };
  auto lineEnd = [&](const Line& l) { return text.substr(l.end, l.next - l.end); };

  if (key == nullptr) {  // delete every section of that name with its lines
    bool inDeleted = false;  // the text before the next line belongs to it
    for (const Line& l : lines) {
      upTo(l.begin, !inDeleted);
      inDeleted = InSection(lines, l, section);
      upTo(l.next, !inDeleted);
    }
    upTo(text.size(), !inDeleted);
    return out;
  }
  std::string_view k = Trim(key);
  if (value == nullptr) {  // delete the key wherever the section appears
    for (const Line& l : lines) {
      const bool drop =
          l.kind == LineKind::Entry && EqualNoCase(l.name, k) && InSection(lines, l, section);
      upTo(l.begin, true);
      upTo(l.next, !drop);
    }
    upTo(text.size(), true);
    return out;
  }

  long found = -1;        // the entry to replace
  long insertAfter = -1;  // last entry (or header) of the first matching section
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    if (!InSection(lines, l, section)) continue;
    if (l.kind == LineKind::Entry && EqualNoCase(l.name, k)) {
      found = static_cast<long>(i);
      break;
    }
    bool firstSection =
        insertAfter < 0 || l.section == lines[static_cast<std::size_t>(insertAfter)].section;
    if (firstSection) insertAfter = static_cast<long>(i);
  }

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    if (static_cast<long>(i) == found) {
      upTo(l.begin, true);
      out.append(l.name).append("=").append(value).append(lineEnd(l));
      upTo(l.next, false);
      continue;
    }
    keep(l);
    if (found < 0 && static_cast<long>(i) == insertAfter) {
      if (lineEnd(l).empty()) out.append(eol);
      out.append(k).append("=").append(value).append(eol);
    }
  }
  upTo(text.size(), true);
  if (found < 0 && insertAfter < 0) {  // a new section at the end
    if (!out.empty() && out.back() != '\n') out.append(eol);
    if (!EndsWithBlankLine(text)) out.append(eol);
    out.append("[").append(Trim(section)).append("]").append(eol);
    out.append(k).append("=").append(value).append(eol);
  }
  return out;
}

// Writes go to the file a symbolic link points at, not over the link.
std::string ResolvePath(const char* path) {
  if (char* real = ::realpath(path, nullptr)) {
    std::string r(real);
    std::free(real);
    return r;
  }
  return path;
}

// An update in progress on this thread: the file's lock is held and the
// writes wait in `changes` for one rewrite.
struct Update {
  std::string name;  // as the caller spells it
  std::string path;  // what it resolves to
  int depth = 1;
  bool discard = false;
  std::vector<Change> changes;
  ProfileLock lock;
};

thread_local std::vector<std::unique_ptr<Update>> tUpdates;

Update* OpenUpdate(const char* fileName) {
  for (auto& u : tUpdates)
    if (u->name == fileName) return u.get();
  return nullptr;
}

bool OnlySets(const std::vector<Change>& changes) {
  for (const Change& c : changes)
    if (!c.key || !c.value) return false;
  return true;
}

// The text after the changes, in order.
std::string Apply(const Parsed& file, const std::vector<Change>& changes) {
  if (OnlySets(changes)) return SetValues(file, changes);
  std::string text = file.Text();
  for (const Change& c : changes)
    text = Edit(text, c.section, c.key ? c.key->c_str() : nullptr,
                c.value ? c.value->c_str() : nullptr);
  return text;
}

DWORD ErrorOf(const Loaded& file) {
  switch (file.state) {
    case FileState::Ok:
      return ERROR_SUCCESS;
    case FileState::Missing:
      return ERROR_FILE_NOT_FOUND;
    case FileState::Failed:
      break;
  }
  return lvx::Win32ErrorFromErrno(file.error);
}

// What a read sees: the file, with this thread's pending changes on top.
struct View {
  Loaded file;
  const Update* update = nullptr;
  std::shared_ptr<const Parsed> merged;  // file plus changes, made for lists

  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const {
    if (update != nullptr) {
      for (auto c = update->changes.rbegin(); c != update->changes.rend(); ++c) {
        if (!EqualNoCase(c->section, section)) continue;
        if (!c->key) return std::nullopt;  // the section was deleted
        if (!EqualNoCase(Trim(*c->key), key)) continue;
        if (!c->value) return std::nullopt;
        return std::string_view(*c->value);
      }
    }
    const long line = file.parsed->Entry(section, key);
    if (line < 0) return std::nullopt;
    return file.parsed->Lines()[static_cast<std::size_t>(line)].value;
  }

  const std::vector<Line>& Lines() {
    if (update == nullptr || update->changes.empty()) return file.parsed->Lines();
    if (!merged) merged = std::make_shared<const Parsed>(Apply(*file.parsed, update->changes));
    return merged->Lines();
  }
};

View ViewOf(const char* fileName) {
  View v;
  v.update = OpenUpdate(fileName);
  v.file = Load(v.update != nullptr ? v.update->path : std::string(fileName));
  SetLastError(ErrorOf(v.file));
  return v;
}

// A file that is not to be written: one the process may not write, or one
// marked read-only (no write permission for anybody), which root could
// write but leaves alone as Windows does with a read-only file.
bool ReadOnly(const std::string& path, mode_t mode) {
  return ::access(path.c_str(), W_OK) != 0 || (mode & 0222) == 0;
}

// Writes the changes into the file in one rewrite. The caller holds the lock.
BOOL Commit(const std::string& path, const std::string& name, const std::vector<Change>& changes) {
  Loaded current = Load(path);
  if (current.state == FileState::Failed) {
    SetLastError(ErrorOf(current));
    return FALSE;
  }
  bool onlyDeletes = true;
  for (const Change& c : changes) onlyDeletes = onlyDeletes && !c.value;
  SetLastError(ERROR_SUCCESS);
  if (current.state == FileState::Missing && onlyDeletes) return TRUE;
  std::string edited = Apply(*current.parsed, changes);
  if (current.state == FileState::Ok) {
    if (edited == current.parsed->Text()) return TRUE;
    if (ReadOnly(path, current.stamp.mode)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  FileStamp stamp;
  int error = 0;
  if (!lvx::ini::ReplaceFile(path, edited, &stamp, &error)) {
    SetLastError(lvx::Win32ErrorFromErrno(error));
    return FALSE;
  }
  auto parsed = std::make_shared<const Parsed>(std::move(edited));
  Remember(path, stamp, parsed);
  if (name != path) Remember(name, stamp, parsed);
  return TRUE;
}

BOOL Refuse() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR out,
                               DWORD size, LPCSTR fileName) {
  if (out == nullptr || size == 0) return 0;
  View v = ViewOf(fileName != nullptr ? fileName : "");
  if (section == nullptr) return CopyList(SectionNames(v.Lines()), out, size);
  std::string_view sec = Trim(section);
  if (key == nullptr) return CopyList(KeyNames(v.Lines(), sec), out, size);
  if (auto found = v.Find(sec, Trim(key))) return CopyText(Unquote(*found), out, size);
  return CopyText(defaultValue ? std::string_view(defaultValue) : std::string_view(), out, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
  if (section == nullptr || key == nullptr || fileName == nullptr)
    return static_cast<UINT>(defaultValue);
  View view = ViewOf(fileName);
  auto found = view.Find(Trim(section), Trim(key));
  if (!found) return static_cast<UINT>(defaultValue);
  std::string_view v = Unquote(*found);
  if (v.empty()) return static_cast<UINT>(defaultValue);

  std::size_t i = 0;
  while (i < v.size() && IsBlank(v[i])) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  unsigned base = 10;
  auto isHex = [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  };
  if (i + 2 < v.size() && v[i] == '0' && (v[i + 1] == 'x' || v[i + 1] == 'X') && isHex(v[i + 2])) {
    base = 16;
    i += 2;
  }
  // Saturate instead of overflowing: decimal to the int range, hex to 32 bits.
  const std::uint64_t limit =
      base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  std::uint64_t n = 0;
  for (; i < v.size(); ++i) {
    char c = v[i];
    unsigned d;
    if (c >= '0' && c <= '9')
      d = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = static_cast<unsigned>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = static_cast<unsigned>(c - 'A' + 10);
    else
      break;
    n = n * base + d;
    if (n > limit) n = limit;
  }
  std::uint32_t u = static_cast<std::uint32_t>(n);
  return negative ? static_cast<UINT>(0u - u) : static_cast<UINT>(u);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
  if (fileName == nullptr || *fileName == '\0') return Refuse();
  // All three null asks to flush a cache; what is kept is always current.
  if (section == nullptr) return key == nullptr && value == nullptr ? TRUE : Refuse();
  if (!ValidSection(section)) return Refuse();
  if (key != nullptr && !ValidKey(key)) return Refuse();
  if (key != nullptr && value != nullptr && HasLineBreak(value)) return Refuse();

  Change change;
  change.section = std::string(Trim(section));
  if (key != nullptr) change.key = key;
  if (key != nullptr && value != nullptr) change.value = value;
  if (Update* u = OpenUpdate(fileName)) {
    u->changes.push_back(std::move(change));
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  const std::string path = ResolvePath(fileName);
  ProfileLock lock;
  lock.Acquire(path);
  return Commit(path, fileName, {change});
}

HANDLE BeginUpdatePrivateProfileA(LPCSTR fileName) {
  if (fileName == nullptr || *fileName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (Update* u = OpenUpdate(fileName)) {
    ++u->depth;
    return u;
  }
  auto u = std::make_unique<Update>();
  u->name = fileName;
  u->path = ResolvePath(fileName);
  u->lock.Acquire(u->path);
  tUpdates.push_back(std::move(u));
  SetLastError(ERROR_SUCCESS);
  return tUpdates.back().get();
}

BOOL EndUpdatePrivateProfileA(HANDLE update, BOOL discard) {
  auto it = tUpdates.begin();
  while (it != tUpdates.end() && it->get() != update) ++it;
  if (update == nullptr || it == tUpdates.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Update& u = **it;
  if (discard) u.discard = true;
  SetLastError(ERROR_SUCCESS);
  if (--u.depth > 0) return TRUE;
  std::unique_ptr<Update> done = std::move(*it);
  tUpdates.erase(it);
  if (done->discard || done->changes.empty()) return TRUE;
  return Commit(done->path, done->name, done->changes);
}
