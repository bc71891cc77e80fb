// A tiny 5x7 bitmap font for the contact sheet labels and the 1-bit banners.
#pragma once

#include <string>

#include "tools/resgen/encode.h"
#include "tools/resgen/raster.h"

namespace lvx::resgen {

constexpr int kGlyphW = 5, kGlyphH = 7;

// Seven rows of five characters ('#' lit) for c (lower case folds to upper);
// nullptr for characters the font does not have.
const char* const* Glyph(char c);
// Width in pixels of text at the given scale (one column of spacing per glyph).
int TextWidth(const std::string& text, int scale);
// Draws text with its top-left at (x, y); pixels outside the image are skipped.
void DrawText(Image& img, int x, int y, const std::string& text, Rgb8 colour, int scale);
void DrawText(Mono& m, int x, int y, const std::string& text, int scale);

}  // namespace lvx::resgen
