// Internal to platform/gdi: fonts found through fontconfig and rendered by
// FreeType, with their glyphs cached by code point.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/winapi.h"

struct FT_FaceRec_;

namespace lvx::gdi {

struct Glyph {
  int advance = 0;  // pixels to the next pen position
  int left = 0;     // bitmap origin relative to the pen position
  int top = 0;      // rows above the baseline
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;  // width * height, 0..255 (0 or 255 unless antialiased)
};

class RealizedFont {
 public:
  RealizedFont() = default;
  ~RealizedFont();
  RealizedFont(const RealizedFont&) = delete;
  RealizedFont& operator=(const RealizedFont&) = delete;

  // The glyph of a Unicode code point, rendered on first use.
  const Glyph& GlyphFor(std::uint32_t codePoint);

  int ascent = 0;
  int descent = 0;
  int em = 0;
  int externalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
  int weight = FW_NORMAL;
  bool antialias = false;
  std::string file;  // the face file, for diagnostics and tests

 private:
  friend std::shared_ptr<RealizedFont> Realize(const LOGFONTA& lf);
  FT_FaceRec_* face_ = nullptr;
  bool embolden_ = false;
  bool oblique_ = false;
  // Latin text stays in the array; other scripts go to the map.
  std::array<std::unique_ptr<Glyph>, 256> glyphs_;
  std::unordered_map<std::uint32_t, std::unique_ptr<Glyph>> otherGlyphs_;
};

// The font a LOGFONTA describes, shared with every other LOGFONTA that
// resolves to the same face and size. nullptr only when no font is installed.
std::shared_ptr<RealizedFont> Realize(const LOGFONTA& lf);

}  // namespace lvx::gdi
