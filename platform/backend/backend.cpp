// Choosing the display of this process.
#include "platform/backend/backend.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lvx {
namespace {

std::unique_ptr<Backend>& Current() {
  static std::unique_ptr<Backend> current;
  return current;
}

std::unique_ptr<Backend> Choose() {
  const char* want = std::getenv("LUMIVEX_DISPLAY");
  const char* display = std::getenv("DISPLAY");
  bool x11 = display != nullptr && *display != '\0';
  if (want != nullptr && *want != '\0') {
    if (std::strcmp(want, "x11") == 0) {
      x11 = true;
    } else if (std::strcmp(want, "headless") == 0) {
      x11 = false;
    } else {
      std::fprintf(stderr, "lumivex: unknown LUMIVEX_DISPLAY \"%s\" (x11 or headless)\n", want);
    }
  }
  if (x11) {
    if (std::unique_ptr<Backend> b = MakeX11Backend()) return b;
    // Running headless instead would be a saver nobody sees and that never
    // ends; the display was meant, so say it cannot be had and stop.
    if (display == nullptr || *display == '\0') {
      std::fprintf(stderr, "lumivex: no X display to open (DISPLAY is not set)\n");
    } else {
      std::fprintf(stderr, "lumivex: cannot open the X display \"%s\"\n", display);
    }
    std::fflush(stderr);
    std::exit(1);
  }
  return MakeHeadlessBackend();
}

}  // namespace

Backend& CurrentBackend() {
  std::unique_ptr<Backend>& b = Current();
  if (!b) b = Choose();
  return *b;
}

void ResetBackendForTests() { Current().reset(); }

}  // namespace lvx
