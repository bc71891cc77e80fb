#include "platform/profile/ini_parsed.h"

#include <deque>

namespace lvx::ini {

std::string LowerCopy(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

namespace {
std::string EntryKey(std::string_view section, std::string_view key) {
  std::string k = LowerCopy(section);
  k += '\0';
  k += LowerCopy(key);
  return k;
}
}  // namespace

Parsed::Parsed(std::string text) : text_(std::move(text)) {
  lines_ = Parse(text_, kMaxLines, &overflowed_);
  if (overflowed_) {
    lines_.clear();
    return;
  }
  entries_.reserve(lines_.size());
  std::string current;
  bool currentIsFirst = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& l = lines_[i];
    const long index = static_cast<long>(i);
    if (l.kind == LineKind::Section) {
      current = LowerCopy(l.name);
      currentIsFirst = sections_.emplace(current, index).second;
    } else if (l.kind == LineKind::Entry && l.section >= 0) {
      if (currentIsFirst) sections_[current] = index;
      entries_.emplace(EntryKey(lines_[static_cast<std::size_t>(l.section)].name, l.name), index);
    }
  }
}

long Parsed::Entry(std::string_view section, std::string_view key) const {
  auto it = entries_.find(EntryKey(section, key));
  return it == entries_.end() ? -1 : it->second;
}

long Parsed::InsertAfter(std::string_view section) const {
  auto it = sections_.find(LowerCopy(section));
  return it == sections_.end() ? -1 : it->second;
}

std::string SetValues(const Parsed& file, const std::vector<Change>& changes) {
  const std::string& text = file.Text();
  const std::vector<Line>& lines = file.Lines();
  const std::string_view eol = PreferredEol(text);

  struct NewKey {
    std::string key;
    std::string value;
  };
  std::deque<NewKey> added;                                  // every new key, in order
  std::unordered_map<std::string, std::size_t> addedAt;      // its index by "section\0key"
  std::unordered_map<long, std::vector<std::size_t>> after;  // keys after an existing line
  std::vector<std::pair<std::string, std::vector<std::size_t>>> sections;  // new sections
  std::unordered_map<std::string, std::size_t> sectionAt;
  std::unordered_map<long, std::string> replaced;  // existing entry line -> new value

  for (const Change& c : changes) {
    const std::string_view key = Trim(*c.key);
    const std::string id = EntryKey(c.section, key);
    if (auto it = addedAt.find(id); it != addedAt.end()) {
      added[it->second].value = *c.value;
      continue;
    }
    if (long line = file.Entry(c.section, key); line >= 0) {
      replaced[line] = *c.value;
      continue;
    }
    const std::size_t index = added.size();
    added.push_back({std::string(key), *c.value});
    addedAt.emplace(id, index);
    if (long anchor = file.InsertAfter(c.section); anchor >= 0) {
      after[anchor].push_back(index);
      continue;
    }
    auto [at, isNew] = sectionAt.emplace(LowerCopy(c.section), sections.size());
    if (isNew) sections.push_back({c.section, {}});
    sections[at->second].second.push_back(index);
  }

  std::string out;
  out.reserve(text.size() + 64 * changes.size());
  // Lines other than sections and entries are the text between listed lines.
  const std::string_view all(text);
  std::size_t cursor = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    const std::string_view lineEnd = all.substr(l.end, l.next - l.end);
    const long index = static_cast<long>(i);
    out.append(all.substr(cursor, l.begin - cursor));
    if (auto r = replaced.find(index); r != replaced.end()) {
      out.append(l.name).append("=").append(r->second).append(lineEnd);
    } else {
      out.append(all.substr(l.begin, l.next - l.begin));
    }
    cursor = l.next;
    if (auto a = after.find(index); a != after.end()) {
      if (lineEnd.empty()) out.append(eol);
      for (std::size_t k : a->second)
        out.append(added[k].key).append("=").append(added[k].value).append(eol);
    }
  }
  out.append(all.substr(cursor));
  bool blankBefore = EndsWithBlankLine(all);
  for (const auto& [name, keys] : sections) {
    if (!out.empty() && out.back() != '\n') out.append(eol);
    if (!blankBefore) out.append(eol);
    out.append("[").append(name).append("]").append(eol);
    for (std::size_t k : keys)
      out.append(added[k].key).append("=").append(added[k].value).append(eol);
    blankBefore = false;
  }
  return out;
}

}  // namespace lvx::ini
