#include "platform/gdi/font_engine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

namespace lvx::gdi {
namespace {

// Faces and glyph caches are shared by every DC; one lock keeps FreeType's
// library object and the caches consistent should another thread measure text.
std::mutex& EngineLock() {
  static std::mutex m;
  return m;
}

class FreeTypeLibrary {
 public:
  FreeTypeLibrary() {
    if (FT_Init_FreeType(&lib_) != 0) {
      std::fprintf(stderr, "lumivex: FreeType could not be initialised\n");
      lib_ = nullptr;
    }
  }
  ~FreeTypeLibrary() {
    if (lib_) FT_Done_FreeType(lib_);
  }
  FreeTypeLibrary(const FreeTypeLibrary&) = delete;
  FreeTypeLibrary& operator=(const FreeTypeLibrary&) = delete;
  FT_Library get() const { return lib_; }

 private:
  FT_Library lib_ = nullptr;
};

class FontConfig {
 public:
  FontConfig() : config_(FcInitLoadConfigAndFonts()) {}
  ~FontConfig() {
    if (config_) FcConfigDestroy(config_);
  }
  FontConfig(const FontConfig&) = delete;
  FontConfig& operator=(const FontConfig&) = delete;
  FcConfig* get() const { return config_; }

 private:
  FcConfig* config_;
};

// Owned fontconfig pattern.
struct PatternDeleter {
  void operator()(FcPattern* p) const {
    if (p) FcPatternDestroy(p);
  }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

// The library outlives every face: faces are released before it is, because
// the caches below are declared after it and destroyed first.
FT_Library Library() {
  static FreeTypeLibrary lib;
  return lib.get();
}

FcConfig* Config() {
  static FontConfig config;
  return config.get();
}

struct FaceFile {
  std::string path;
  int index = 0;
  int fcWeight = FC_WEIGHT_REGULAR;
  int fcSlant = FC_SLANT_ROMAN;
};

bool ResolveFace(const std::string& family, int weight, bool italic, FaceFile* out) {
  FcConfig* config = Config();
  if (!config) return false;
  Pattern pat(FcPatternCreate());
  if (!pat) return false;
  if (!family.empty()) {
    FcPatternAddString(pat.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  }
  // An unknown face falls back to the default sans face.
  FcPatternAddString(pat.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
  FcPatternAddInteger(pat.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pat.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat.get(), FC_OUTLINE, FcTrue);
  if (!FcConfigSubstitute(config, pat.get(), FcMatchPattern)) return false;
  FcDefaultSubstitute(pat.get());
  FcResult result = FcResultNoMatch;
  Pattern match(FcFontMatch(config, pat.get(), &result));
  if (!match) return false;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file) return false;
  out->path = reinterpret_cast<const char*>(file);
  int v = 0;
  if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &v) == FcResultMatch) out->index = v;
  if (FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &v) == FcResultMatch) out->fcWeight = v;
  if (FcPatternGetInteger(match.get(), FC_SLANT, 0, &v) == FcResultMatch) out->fcSlant = v;
  return true;
}

using FaceKey = std::tuple<std::string, int, bool>;  // lower-case family, weight, italic
using SizeKey = std::tuple<std::string, int, long, bool, bool, bool>;

struct Caches {
  std::map<FaceKey, FaceFile> faces;
  std::map<SizeKey, std::shared_ptr<RealizedFont>> sizes;
};

Caches& TheCaches() {
  Library();  // constructed first, so destroyed after the faces
  static Caches caches;
  return caches;
}

// Realised fonts kept while no font object uses them; enough for the saver's
// search over 30 sizes of one face.
constexpr std::size_t kKeepUnused = 48;

long RoundDiv(long long num, long long den) {
  return static_cast<long>((num >= 0 ? num + den / 2 : num - den / 2) / den);
}

}  // namespace

RealizedFont::~RealizedFont() {
  if (face_) FT_Done_Face(face_);
}

const Glyph& RealizedFont::GlyphFor(std::uint32_t codePoint) {
  std::lock_guard<std::mutex> lock(EngineLock());
  std::unique_ptr<Glyph>& slot =
      codePoint < glyphs_.size() ? glyphs_[codePoint] : otherGlyphs_[codePoint];
  if (slot) return *slot;
  slot = std::make_unique<Glyph>();
  Glyph& g = *slot;
  FT_UInt index = FT_Get_Char_Index(face_, codePoint);
  const FT_Int32 flags = antialias ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
  if (FT_Load_Glyph(face_, index, flags) != 0) return g;
  FT_GlyphSlot slotp = face_->glyph;
  if (slotp->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (oblique_) FT_GlyphSlot_Oblique(slotp);
    if (embolden_) FT_GlyphSlot_Embolden(slotp);
  }
  g.advance = static_cast<int>((slotp->advance.x + 32) >> 6);
  if (FT_Render_Glyph(slotp, antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) {
    return g;
  }
  const FT_Bitmap& bm = slotp->bitmap;
  g.left = slotp->bitmap_left;
  g.top = slotp->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.height = static_cast<int>(bm.rows);
  g.coverage.assign(static_cast<std::size_t>(g.width) * g.height, 0);
  for (int y = 0; y < g.height; ++y) {
    const unsigned char* row =
        bm.pitch >= 0 ? bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch
                      : bm.buffer + static_cast<std::ptrdiff_t>(g.height - 1 - y) * -bm.pitch;
    std::uint8_t* out = g.coverage.data() + static_cast<std::size_t>(y) * g.width;
    for (int x = 0; x < g.width; ++x) {
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
        const int grays = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
        out[x] = static_cast<std::uint8_t>(row[x] * 255 / grays);
      }
    }
  }
  return g;
}

std::shared_ptr<RealizedFont> Realize(const LOGFONTA& lf) {
  FT_Library lib = Library();
  if (!lib) return nullptr;
  // Fontconfig speaks UTF-8; a face name typed in the older code page is converted.
  std::string family = ToUtf8(std::string_view(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE)));
  std::string lower = family;
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  const int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::min<int>(lf.lfWeight, 1000);
  const bool italic = lf.lfItalic != 0;
  const bool antialias = lf.lfQuality == ANTIALIASED_QUALITY;

  std::lock_guard<std::mutex> lock(EngineLock());
  Caches& caches = TheCaches();
  FaceKey faceKey{lower, weight, italic};
  auto fit = caches.faces.find(faceKey);
  if (fit == caches.faces.end()) {
    FaceFile file;
    if (!ResolveFace(family, weight, italic, &file)) {
      std::fprintf(stderr, "lumivex: no font found for \"%s\"\n", family.c_str());
      return nullptr;
    }
    fit = caches.faces.emplace(faceKey, file).first;
  }
  const FaceFile& file = fit->second;
  const bool embolden = weight >= 600 && file.fcWeight < FC_WEIGHT_DEMIBOLD;
  const bool oblique = italic && file.fcSlant == FC_SLANT_ROMAN;

  FT_Face face = nullptr;
  if (FT_New_Face(lib, file.path.c_str(), file.index, &face) != 0) {
    std::fprintf(stderr, "lumivex: cannot open font file %s\n", file.path.c_str());
    return nullptr;
  }
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);

  // Cell metrics in font units: the Windows ascent and descent of the OS/2
  // table when the font has them (that is what the cell means on Windows),
  // else the horizontal header's.
  long long ascUnits = face->ascender, descUnits = -face->descender;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascUnits = os2->usWinAscent;
    descUnits = os2->usWinDescent;
  }
  const long long upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;

  // Negative heights are the em size, positive ones the cell (ascent plus
  // descent), 0 a default size.
  long em64 = 16 * 64;
  if (lf.lfHeight < 0) {
    em64 = static_cast<long>(std::min<long long>(-static_cast<long long>(lf.lfHeight), 4096)) * 64;
  } else if (lf.lfHeight > 0) {
    const long long h = std::min<long long>(lf.lfHeight, 4096);
    em64 = ascUnits + descUnits > 0 ? RoundDiv(h * 64 * upem, ascUnits + descUnits) : h * 64;
  }
  if (em64 < 64) em64 = 64;

  SizeKey sizeKey{file.path, file.index, em64, embolden, oblique, antialias};
  auto sit = caches.sizes.find(sizeKey);
  if (sit != caches.sizes.end()) {
    FT_Done_Face(face);
    return sit->second;
  }

  if (FT_IS_SCALABLE(face)) {
    FT_Set_Char_Size(face, 0, em64, 72, 72);
  } else if (face->num_fixed_sizes > 0) {
    FT_Select_Size(face, 0);
  }
  auto font = std::make_shared<RealizedFont>();
  font->face_ = face;
  font->embolden_ = embolden;
  font->oblique_ = oblique;
  font->antialias = antialias;
  font->weight = weight;
  font->file = file.path;
  font->em = static_cast<int>((em64 + 32) >> 6);
  const FT_Size_Metrics& m = face->size->metrics;
  if (FT_IS_SCALABLE(face)) {
    // Rounded once for the whole cell, so a positive height comes out exact.
    const long long asc64 = RoundDiv(ascUnits * em64, upem);
    const long long cell64 = RoundDiv((ascUnits + descUnits) * em64, upem);
    font->ascent = static_cast<int>((asc64 + 32) >> 6);
    font->descent = static_cast<int>(((cell64 + 32) >> 6) - font->ascent);
  } else {
    font->ascent = static_cast<int>((m.ascender + 32) >> 6);
    font->descent = static_cast<int>((-m.descender + 32) >> 6);
  }
  font->externalLeading = std::max(
      0, static_cast<int>((m.height + 32) >> 6) - font->ascent - font->descent);
  font->maxCharWidth = static_cast<int>((m.max_advance + 32) >> 6);
  if (os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0) {
    font->aveCharWidth = static_cast<int>(
        RoundDiv(static_cast<long long>(os2->xAvgCharWidth) * em64, upem * 64));
  }

  // Drop realised fonts that nobody holds once there are too many of them.
  if (caches.sizes.size() >= kKeepUnused) {
    for (auto it = caches.sizes.begin(); it != caches.sizes.end();) {
      it = it->second.use_count() == 1 ? caches.sizes.erase(it) : std::next(it);
    }
  }
  caches.sizes.emplace(sizeKey, font);
  return font;
}

}  // namespace lvx::gdi
