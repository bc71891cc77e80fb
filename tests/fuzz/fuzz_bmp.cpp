// Any bytes through the BMP decoder: either a refusal or a picture whose
// size agrees with its pixels and the limits.
#include <cstddef>
#include <cstdint>

#include "platform/resources/bmp_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lvx::DecodedImage img;
  if (lvx::DecodeBmp(data, size, img)) {
    if (img.width <= 0 || img.height <= 0 || img.width > lvx::kMaxBmpSide ||
        img.height > lvx::kMaxBmpSide ||
        img.pixels.size() != static_cast<std::size_t>(img.width) * img.height)
      __builtin_trap();
    for (std::uint32_t p : img.pixels)
      if (p > 0xFFFFFFu) __builtin_trap();
  } else if (!img.pixels.empty()) {
    __builtin_trap();
  }
  return 0;
}
