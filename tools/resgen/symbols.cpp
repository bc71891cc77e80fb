// The 1-bit pictures. The sky turns every lit pixel of a symbol into one
// star, so the symbols are line drawings: enough pixels to read clearly when
// scaled up about eight times, far fewer than the 2723 message stars.
#include <cmath>

#include "tools/resgen/font.h"
#include "tools/resgen/motifs.h"
#include "tools/resgen/pictures.h"

namespace lvx::resgen {

namespace {

// The sky samples only the first `usedW` columns, so the picture is made
// exactly symmetric about the middle of those columns.
void MirrorLeftToRight(Mono& m, int usedW) {
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < usedW / 2; ++x) m.At(usedW - 1 - x, y) = m.At(x, y);
}

// A sparse staggered grid of single pixels inside `shape`, at least `margin`
// pixels from any lit outline pixel: it reads as a field of stars.
void Sprinkle(Mono& m, const Mono& inside, int step, int margin) {
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      if (!inside.At(x, y) || (y % step) != 0 || ((x + (y / step % 2) * (step / 2)) % step) != 0) continue;
      bool clear = true;
      for (int j = -margin; j <= margin && clear; ++j)
        for (int i = -margin; i <= margin && clear; ++i) {
          int xx = x + i, yy = y + j;
          if (xx >= 0 && yy >= 0 && xx < m.w && yy < m.h && m.At(xx, yy)) clear = false;
        }
      if (clear) m.At(x, y) = 2;  // marked; turned into 1 below
    }
  for (std::uint8_t& b : m.bits) b = b ? 1 : 0;
}

Mono Draw(int w, int h, const Path& p) {
  Canvas cv(w, h, 8);
  cv.Fill(p, Hex(0xFFFFFF));
  return cv.Threshold();
}

}  // namespace

Mono DrawHeart(int w, int h) {
  // The sky reads 65 x 55 of the 66 x 56 picture.
  Vec c{32.5f, 27.5f};
  Path heart = HeartPath(c, 56);
  Path outline;
  for (const auto& k : heart.Contours()) outline.Stroke(k.pts, 2.4f, true);
  Mono m = Draw(w, h, outline);
  Mono fill = Draw(w, h, HeartPath(c, 48));
  Sprinkle(m, fill, 4, 2);
  MirrorLeftToRight(m, 65);
  return m;
}

Mono DrawHappyFace(int w, int h) {
  // The sky reads 35 x 40 of the 36 x 41 picture.
  Vec c{17.5f, 20};
  Path p;
  p.Stroke(ArcPoints(c, 16, 18.5f, 0, 2 * kPi, 96), 2.2f, true);
  p.Ellipse({11.5f, 14}, 2.2f, 3.4f);
  p.Stroke(ArcPoints({17.5f, 20}, 10, 9, 0.35f, kPi - 0.35f, 32), 2.2f);
  Mono m = Draw(w, h, p);
  MirrorLeftToRight(m, 35);
  return m;
}

Mono DrawPeace(int w, int h) {
  // The sky reads 41 x 31 of the 42 x 32 picture.
  Vec c{20.5f, 15.5f};
  float r = 14.2f;
  Path p;
  p.Stroke(ArcPoints(c, r, r, 0, 2 * kPi, 96), 2.2f, true);
  p.Line({c.x, c.y - r}, {c.x, c.y + r}, 2.2f);
  float d = r * 0.7071f;
  p.Line(c, {c.x - d, c.y + d}, 2.2f);
  Mono m = Draw(w, h, p);
  MirrorLeftToRight(m, 41);
  return m;
}

Mono DrawStar(int w, int h) {
  Vec c{27.5f, 29.5f};
  Path star = StarPath(c, 27, 11);
  Path outline;
  for (const auto& k : star.Contours()) outline.Stroke(k.pts, 2.2f, true);
  Mono m = Draw(w, h, outline);
  Mono fill = Draw(w, h, StarPath(c, 22, 8.5f));
  Sprinkle(m, fill, 4, 2);
  MirrorLeftToRight(m, 55);
  return m;
}

namespace {
Mono Banner(int w, int h, const std::string& text, bool stars) {
  Canvas cv(w, h, 8);
  if (stars) {
    cv.Fill(StarPath({7.5f, 11.5f}, 6.5f, 2.8f), Hex(0xFFFFFF));
    cv.Fill(StarPath({static_cast<float>(w) - 7.5f, 11.5f}, 6.5f, 2.8f), Hex(0xFFFFFF));
  }
  Mono m = cv.Threshold();
  DrawText(m, (w - TextWidth(text, 2)) / 2, (h - 14) / 2, text, 2);
  return m;
}
}  // namespace

Mono DrawBannerLumivex(int w, int h) { return Banner(w, h, "LUMIVEX", true); }
Mono DrawBannerGoodNight(int w, int h) { return Banner(w, h, "GOOD NIGHT", true); }
Mono DrawBannerSweetDreams(int w, int h) { return Banner(w, h, "SWEET DREAMS", false); }

}  // namespace lvx::resgen
