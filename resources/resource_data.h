// The embedded resource table generated at build time.
#pragma once

#include <cstddef>

namespace lvx::resdata {

enum class Kind { Bitmap, Wave };

struct Entry {
  Kind kind;
  int id;
  const unsigned char* data;
  std::size_t size;
};

extern const Entry kEntries[];
extern const std::size_t kEntryCount;

// The string table: id and text.
struct String {
  unsigned id;
  const char* text;
};
extern const String kStrings[];
extern const std::size_t kStringCount;

}  // namespace lvx::resdata
