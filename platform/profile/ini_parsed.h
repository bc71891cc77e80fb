// Internal to platform/profile: one version of a file parsed once, with an
// index of its sections and keys, and the edit that sets several values in
// one pass over it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/profile/ini_text.h"

namespace lvx::ini {

// A million keys: far beyond any real settings or message file.
constexpr std::size_t kMaxLines = std::size_t{1} << 20;

class Parsed {
 public:
  explicit Parsed(std::string text);
  Parsed(const Parsed&) = delete;
  Parsed& operator=(const Parsed&) = delete;

  // More section and entry lines than a settings file can sensibly hold
  // (kMaxLines): the file is refused as too large.
  bool Overflowed() const { return overflowed_; }
  const std::string& Text() const { return text_; }
  const std::vector<Line>& Lines() const { return lines_; }
  // The line of the first entry of section/key in file order, or -1.
  long Entry(std::string_view section, std::string_view key) const;
  // The line a new key of `section` goes after: the last section or entry
  // line of the section's first appearance; -1 when the section is missing.
  long InsertAfter(std::string_view section) const;

 private:
  std::string text_;
  bool overflowed_ = false;
  std::vector<Line> lines_;
  std::unordered_map<std::string, long> entries_;   // "section\0key", lower case
  std::unordered_map<std::string, long> sections_;  // "section", lower case
};

// One change: set a value (value present), delete a key (value absent), or
// delete a section (key absent too).
struct Change {
  std::string section;  // trimmed
  std::optional<std::string> key;
  std::optional<std::string> value;
};

// The text after setting the values in order, exactly as writing them one
// after another would leave it, in one pass. Every change must set a value.
std::string SetValues(const Parsed& file, const std::vector<Change>& changes);

std::string LowerCopy(std::string_view s);

}  // namespace lvx::ini
