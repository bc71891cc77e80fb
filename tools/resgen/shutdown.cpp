// The shut-down joke's picture: a dark screen that looks like a computer
// switching itself off, shown stretched over the whole screen for a moment.
#include <cmath>
#include <string>

#include "tools/resgen/font.h"
#include "tools/resgen/motifs.h"
#include "tools/resgen/pictures.h"

namespace lvx::resgen {

namespace {

float F(int v) { return static_cast<float>(v); }

// Text of the 5x7 font as round dots on the canvas, so it stays soft when
// the picture is stretched; `cell` is the dot pitch, centred on cx.
Path DotText(const std::string& text, float cx, float top, float cell) {
  Path p;
  const float width = F(static_cast<int>(text.size()) * (kGlyphW + 1) - 1) * cell;
  float x0 = cx - width / 2;
  for (char ch : text) {
    if (const char* const* rows = Glyph(ch)) {
      for (int r = 0; r < kGlyphH; ++r)
        for (int c = 0; c < kGlyphW; ++c)
          if (rows[r][c] == '#')
            p.Circle({x0 + (F(c) + 0.5f) * cell, top + (F(r) + 0.5f) * cell}, cell * 0.46f);
    }
    x0 += F(kGlyphW + 1) * cell;
  }
  return p;
}

}  // namespace

Image DrawShutDown(int w, int h) {
  Canvas cv(w, h, 3);
  const float cx = F(w) / 2;
  // A screen losing its light: nearly black, a little brighter behind the symbol.
  cv.Shade(Linear({0, 0}, Hex(0x020308), {0, F(h)}, Hex(0x070B1A)));
  const Vec centre{cx, F(h) * 0.40f};
  cv.Shade(Glow(centre, F(h) * 0.55f, Hex(0x1A2C66), 0.55f));

  // The power symbol: a ring open at the top with a bar through the gap.
  const float ring = F(h) * 0.13f;
  const float stroke = ring * 0.2f;
  auto power = [&](float grow) {
    Path p;
    p.Stroke(ArcPoints(centre, ring, ring, -kPi / 2 + 0.62f, 3 * kPi / 2 - 0.62f, 64),
             stroke + grow);
    p.Line({centre.x, centre.y - ring * 1.22f}, {centre.x, centre.y - ring * 0.18f},
           stroke + grow);
    return p;
  };
  for (int i = 4; i >= 1; --i) cv.Fill(power(stroke * 0.9f * F(i)), Hex(0x3C6AE0), 0.07f);
  cv.Fill(power(0), Linear({0, centre.y - ring}, Hex(0xDCEBFF), {0, centre.y + ring},
                           Hex(0x8FB4F2)));

  // A row of dots, one of them lit, as if something were still at work.
  const float dotsY = F(h) * 0.66f;
  for (int i = 0; i < 5; ++i) {
    Path dot;
    const Vec at{cx + F(i - 2) * ring * 0.42f, dotsY};
    dot.Circle(at, ring * 0.075f);
    const bool lit = i == 2;
    if (lit) cv.Shade(Glow(at, ring * 0.4f, Hex(0x6E9CFF), 0.45f));
    cv.Fill(dot, lit ? Hex(0xE6F0FF) : Mix(Hex(0x2A3A66), Hex(0x6A84C0), 1 - std::fabs(F(i - 2)) / 3));
  }

  const float cell = F(h) / 110;
  cv.Fill(DotText("SHUTTING DOWN...", cx, F(h) * 0.74f, cell), Hex(0xC9D6F2));
  cv.Fill(DotText("PLEASE WAIT", cx, F(h) * 0.74f + cell * 11, cell * 0.7f), Hex(0x66739A));
  return cv.Resolve();
}

}  // namespace lvx::resgen
