// Quote category and quotation pictures. They fly across the black sky, so
// each is a small bright sprite on black.
#include <cmath>

#include "tools/resgen/font.h"
#include "tools/resgen/motifs.h"
#include "tools/resgen/pictures.h"

namespace lvx::resgen {

namespace {

float F(int v) { return static_cast<float>(v); }

void OliveBranch(Canvas& cv, Vec a, Vec b, float leaf) {
  Path stem;
  stem.Line(a, b, leaf * 0.18f);
  cv.Fill(stem, Hex(0x6B4E2A));
  float dx = b.x - a.x, dy = b.y - a.y, len = std::sqrt(dx * dx + dy * dy);
  float ang = std::atan2(dy, dx);
  for (int i = 1; i <= 4; ++i) {
    float t = F(i) / 4.6f;
    Vec p{a.x + dx * t, a.y + dy * t};
    for (int s = -1; s <= 1; s += 2) {
      float la = ang + s * 0.75f;
      Vec q{p.x + std::cos(la) * leaf * 0.55f, p.y + std::sin(la) * leaf * 0.55f};
      Path l;
      l.Ellipse(q, leaf * 0.55f, leaf * 0.2f, la);
      cv.Fill(l, Mix(Hex(0x4E8B2E), Hex(0x86B84A), F(i % 2) * 0.6f));
    }
  }
  (void)len;
  Path tip;
  tip.Ellipse({b.x + std::cos(ang) * leaf * 0.4f, b.y + std::sin(ang) * leaf * 0.4f}, leaf * 0.5f,
              leaf * 0.2f, ang);
  cv.Fill(tip, Hex(0x6FA83E));
}

void Dove(Canvas& cv, Vec c, float size, bool branch) {
  Path body = DovePath(c, size);
  float k = size / 100.0f;
  Path farWing;
  farWing.Poly({{48, 50}, {50, 30}, {58, 12}, {66, 6}, {66, 16}, {70, 14}, {70, 26}, {74, 26},
                {72, 38}, {70, 48}});
  farWing = farWing.Affine(k, 0, c.x - 50 * k, 0, k, c.y - 42 * k);
  cv.Fill(farWing, Hex(0xC9D3E0));
  Ink(cv, body, Linear({c.x, c.y - size * 0.4f}, Hex(0xFFFFFF), {c.x, c.y + size * 0.3f}, Hex(0xD8E2EE)),
      Hex(0x9AA8BA), std::max(1.0f, size * 0.02f));
  Path eye;
  eye.Circle({c.x + 32 * k, c.y + 0.5f * k}, std::max(0.8f, 1.6f * k));
  cv.Fill(eye, Hex(0x1A1A2A));
  Path wingLine;
  wingLine.Stroke({{c.x - 8 * k, c.y + 12 * k}, {c.x - 16 * k, c.y - 6 * k}, {c.x - 26 * k, c.y - 24 * k}},
                  std::max(0.7f, 1.2f * k));
  cv.Fill(wingLine, Hex(0xB8C4D4));
  if (branch)
    OliveBranch(cv, {c.x + 40 * k, c.y + 6 * k}, {c.x + 60 * k, c.y + 22 * k}, 12 * k);
}

void Figure(Canvas& cv, Vec hip, float s, float armUp, Rgb body, Rgb skin) {
  // A small person seen from the side, climbing: s is the body height.
  Vec neck{hip.x, hip.y - s * 0.45f};
  Path limbs;
  limbs.Stroke({hip, {hip.x - s * 0.12f, hip.y + s * 0.22f}, {hip.x - s * 0.05f, hip.y + s * 0.45f}},
               s * 0.11f);
  limbs.Stroke({hip, {hip.x + s * 0.14f, hip.y + s * 0.18f}, {hip.x + s * 0.12f, hip.y + s * 0.42f}},
               s * 0.11f);
  cv.Fill(limbs, Hex(0x2E4A7A));
  Path torso;
  torso.Stroke({hip, neck}, s * 0.2f);
  cv.Fill(torso, body);
  Path arms;
  arms.Stroke({{neck.x, neck.y + s * 0.05f}, {neck.x + s * 0.1f, neck.y - s * 0.2f * armUp},
               {neck.x + s * 0.16f, neck.y - s * 0.45f * armUp}},
              s * 0.09f);
  arms.Stroke({{neck.x, neck.y + s * 0.05f}, {neck.x + s * 0.18f, neck.y + s * 0.12f},
               {neck.x + s * 0.22f, neck.y + s * 0.0f}},
              s * 0.09f);
  cv.Fill(arms, body);
  Path head;
  head.Circle({neck.x + s * 0.03f, neck.y - s * 0.13f}, s * 0.12f);
  cv.Fill(head, skin);
}

}  // namespace

Image DrawFlower(int w, int h) {
  Canvas cv(w, h);
  float cx = F(w) / 2;
  Path stem;
  stem.Stroke(CubicPoints({cx + 2, F(h)}, {cx - 6, F(h) - 25}, {cx + 6, 55}, {cx, 30}, 24), 3);
  cv.Fill(stem, Hex(0x3C9A3A));
  Path leafL, leafR;
  leafL.Ellipse({cx - 9, 72}, 10, 3.6f, -0.55f);
  leafR.Ellipse({cx + 9, 60}, 10, 3.6f, 0.55f);
  cv.Fill(leafL, Linear({cx - 18, 72}, Hex(0x2F7D2E), {cx, 72}, Hex(0x69C25A)));
  cv.Fill(leafR, Linear({cx + 18, 60}, Hex(0x2F7D2E), {cx, 60}, Hex(0x69C25A)));
  Vec head{cx, 24};
  for (int i = 0; i < 10; ++i) {
    float a = 2 * kPi * F(i) / 10 + 0.15f;
    Vec p{head.x + std::cos(a) * 12, head.y + std::sin(a) * 12};
    Path petal;
    petal.Ellipse(p, 9.5f, 4.6f, a);
    cv.Fill(petal, Radial(head, 22, Hex(0xFF4F8B), Hex(0xFFC2DA)));
  }
  Path ring;
  ring.Circle(head, 7.5f);
  cv.Fill(ring, Radial({head.x - 2, head.y - 2}, 8, Hex(0xFFE066), Hex(0xE09A12)));
  for (int i = 0; i < 8; ++i) {
    float a = 2 * kPi * F(i) / 8;
    Path seed;
    seed.Circle({head.x + std::cos(a) * 4.2f, head.y + std::sin(a) * 4.2f}, 0.7f);
    cv.Fill(seed, Hex(0xB06A10));
  }
  return cv.Resolve();
}

Image DrawUfo(int w, int h) {
  Canvas cv(w, h, 6);
  Vec c{F(w) / 2, 20};
  Path beam;
  beam.Poly({{c.x - 8, c.y + 6}, {c.x + 8, c.y + 6}, {c.x + 16, F(h)}, {c.x - 16, F(h)}});
  cv.Fill(beam, Linear({0, c.y + 6}, Hex(0x9CFFB0), {0, F(h)}, Hex(0x000000)));
  Path dome;
  dome.Ellipse({c.x, c.y - 3}, 12, 11);
  cv.Fill(dome, Radial({c.x - 4, c.y - 9}, 16, Hex(0xC8F4FF), Hex(0x2A7FB8)));
  Path alien;
  alien.Ellipse({c.x, c.y - 4}, 4, 4.6f);
  cv.Fill(alien, Hex(0x5FD35A), 0.9f);
  Path eyes;
  eyes.Ellipse({c.x - 1.6f, c.y - 4.5f}, 1.1f, 1.5f, 0.4f).Ellipse({c.x + 1.6f, c.y - 4.5f}, 1.1f, 1.5f, -0.4f);
  cv.Fill(eyes, Hex(0x10200F));
  Path hull;
  hull.Ellipse(c, 29, 7.5f);
  cv.Fill(hull, Linear({0, c.y - 7}, Hex(0xF2F5FA), {0, c.y + 7}, Hex(0x6B7383)));
  Path rim;
  rim.Ellipse({c.x, c.y + 1.5f}, 29, 3);
  cv.Fill(rim, Hex(0x4A5262));
  const std::uint32_t lights[] = {0xFF5050, 0xFFE04A, 0x5CFF7A, 0x4AC8FF, 0xFF7AE6};
  for (int i = 0; i < 5; ++i) {
    Vec p{c.x - 20 + F(i) * 10, c.y + 2 - (i == 0 || i == 4 ? 0.6f : 0)};
    Path glow;
    glow.Circle(p, 3.5f);
    cv.Fill(glow, Glow(p, 3.5f, Hex(lights[i]), 0.8f));
    Path dot;
    dot.Circle(p, 1.6f);
    cv.Fill(dot, Hex(lights[i]));
  }
  return cv.Resolve();
}

Image DrawStork(int w, int h) {
  Canvas cv(w, h, 5);
  // Far wing, darker.
  Path far;
  far.Poly({{40, 30}, {58, 8}, {70, 2}, {64, 14}, {56, 30}});
  cv.Fill(far, Hex(0xCFD6E0));
  Path farTips;
  farTips.Poly({{58, 8}, {70, 2}, {64, 14}, {60, 16}});
  cv.Fill(farTips, Hex(0x22252C));
  // Legs trailing back.
  Path legs;
  legs.Stroke({{22, 36}, {4, 40}}, 1.6f).Stroke({{22, 38}, {5, 44}}, 1.6f);
  cv.Fill(legs, Hex(0xF0643A));
  // Body, neck, head.
  Path body;
  body.Ellipse({34, 34}, 16, 7, -0.08f);
  body.Stroke({{46, 31}, {56, 27}, {64, 25}}, 5);
  body.Circle({66, 24}, 4.6f);
  cv.Fill(body, Linear({0, 24}, Hex(0xFFFFFF), {0, 42}, Hex(0xD5DCE6)));
  Path tail;
  tail.Poly({{20, 31}, {12, 30}, {13, 36}, {20, 37}});
  cv.Fill(tail, Hex(0x22252C));
  Path eye;
  eye.Circle({67.5f, 23}, 0.9f);
  cv.Fill(eye, Hex(0x111111));
  Path beak;
  beak.Poly({{69, 22.5f}, {86, 27.5f}, {86, 28.5f}, {69, 26.5f}});
  cv.Fill(beak, Hex(0xF26B2E));
  // Near wing, raised, with black flight feathers.
  Path wing;
  wing.Poly({{28, 33}, {34, 18}, {42, 8}, {52, 2}, {50, 14}, {46, 24}, {44, 32}});
  cv.Fill(wing, Linear({40, 30}, Hex(0xF4F7FB), {48, 4}, Hex(0xDCE3EC)));
  Path tips;
  tips.Poly({{42, 8}, {52, 2}, {50, 14}, {47, 16}, {41, 12}});
  cv.Fill(tips, Hex(0x22252C));
  // The bundle hangs from the beak tip in a knotted cloth.
  Path sling;
  sling.Stroke({{85, 28}, {80, 40}}, 1.4f).Stroke({{85, 28}, {90, 40}}, 1.4f);
  cv.Fill(sling, Hex(0xF2F2F2));
  Path knot;
  knot.Circle({85, 28.5f}, 1.8f);
  cv.Fill(knot, Hex(0xFFFFFF));
  Path bundle;
  bundle.Ellipse({85, 54}, 12, 15);
  Ink(cv, bundle, Radial({81, 48}, 18, Hex(0xFFE3EE), Hex(0xF29BBE)), Hex(0xC8648E), 1.2f);
  Path fold;
  fold.Stroke(QuadPoints({74, 52}, {85, 60}, {96, 52}, 12), 1.0f);
  cv.Fill(fold, Hex(0xD97AA2));
  Path face;
  face.Circle({85, 47}, 6.5f);
  cv.Fill(face, Radial({83, 45}, 8, Hex(0xFFE2C6), Hex(0xF0B894)));
  Path cheeks;
  cheeks.Circle({81.8f, 49}, 1.3f).Circle({88.2f, 49}, 1.3f);
  cv.Fill(cheeks, Hex(0xF59A9A), 0.8f);
  Path eyes;
  eyes.Stroke(ArcPoints({82.5f, 46}, 1.2f, 0.8f, 0, kPi, 6), 0.7f)
      .Stroke(ArcPoints({87.5f, 46}, 1.2f, 0.8f, 0, kPi, 6), 0.7f);
  cv.Fill(eyes, Hex(0x5A3A2A));
  Path hairTuft;
  hairTuft.Stroke(QuadPoints({85, 40.8f}, {83, 38.5f}, {86, 38.5f}, 6), 0.9f);
  cv.Fill(hairTuft, Hex(0x8A5A3A));
  return cv.Resolve();
}

Image DrawLoveHearts(int w, int h) {
  // 16 colours: flat tones without soft gradients.
  Canvas cv(w, h, 4);
  Ink(cv, HeartPath({38, 36}, 50, -0.22f), Hex(0xE3263A), Hex(0x8E0E20), 2.4f);
  Ink(cv, HeartPath({64, 33}, 40, 0.25f), Hex(0xFF7FA6), Hex(0xB23A62), 2.2f);
  Path shine;
  shine.Ellipse({27, 25}, 5, 2.6f, -0.8f).Ellipse({56, 24}, 4, 2, -0.6f);
  cv.Fill(shine, Hex(0xFFFFFF), 0.85f);
  Twinkle(cv, {86, 12}, 6, Hex(0xFFE08A));
  Twinkle(cv, {12, 58}, 4.5f, Hex(0xFFE08A));
  return cv.Resolve();
}

Image DrawLoveArrow(int w, int h) {
  Canvas cv(w, h, 5);
  Vec c{F(w) / 2, 40};
  Vec a{6, 68}, b{76, 10};
  // Back half of the arrow, behind the heart.
  Path shaftBack;
  shaftBack.Line({c.x, c.y}, b, 2.2f);
  cv.Fill(shaftBack, Hex(0xC79A5A));
  Path feathers;
  for (int i = 0; i < 3; ++i) {
    float t = F(i) * 3.2f;
    feathers.Poly({{b.x - 9 + t, b.y + 7.5f - t * 0.8f}, {b.x - 3 + t, b.y + 2 - t * 0.8f},
                   {b.x + 2 + t, b.y - 6 - t * 0.8f}, {b.x - 5 + t, b.y + 1 - t * 0.8f}});
  }
  cv.Fill(feathers, Hex(0xF4F0E6));
  Path glow;
  glow.Circle(c, 40);
  cv.Fill(glow, Glow(c, 40, Hex(0xFF4060), 0.35f));
  Path heart = HeartPath(c, 58);
  Ink(cv, heart, Radial({c.x - 12, c.y - 14}, 50, Hex(0xFF6A80), Hex(0xB3122E)), Hex(0x7A0A1E), 1.6f);
  Path shine;
  shine.Ellipse({c.x - 15, c.y - 14}, 6, 3, -0.8f);
  cv.Fill(shine, Hex(0xFFFFFF), 0.7f);
  // Front half and head.
  Path shaft;
  shaft.Line(a, {c.x - 12, c.y + 12}, 2.2f);
  cv.Fill(shaft, Hex(0xC79A5A));
  float ang = std::atan2(a.y - b.y, a.x - b.x);
  Vec tip{a.x + std::cos(ang) * 3, a.y + std::sin(ang) * 3};
  Path head;
  head.Poly({tip, {a.x + std::cos(ang + 2.4f) * 6, a.y + std::sin(ang + 2.4f) * 6},
             {a.x + std::cos(ang - 2.4f) * 6, a.y + std::sin(ang - 2.4f) * 6}});
  cv.Fill(head, Hex(0xD8DDE6));
  return cv.Resolve();
}

Image DrawOwl(int w, int h) {
  Canvas cv(w, h, 5);
  float cx = F(w) / 2;
  // Book to sit on.
  Path book;
  book.Rect(8, 62, 50, 10, 2);
  cv.Fill(book, Hex(0x8E2B2B));
  Path pages;
  pages.Rect(10, 63.5f, 46, 4, 1);
  cv.Fill(pages, Hex(0xF6EED8));
  // Body.
  Path body;
  body.Ellipse({cx, 44}, 20, 21);
  Ink(cv, body, Radial({cx - 5, 36}, 30, Hex(0xB8865A), Hex(0x6E4A2C)), Hex(0x3E2816), 1.4f);
  Path belly;
  belly.Ellipse({cx, 50}, 12.5f, 13);
  cv.Fill(belly, Hex(0xE9D3AE));
  for (int r = 0; r < 3; ++r)
    for (int i = -1; i <= 1; ++i) {
      Path v;
      float x = cx + F(i) * 6 + (r % 2 ? 3 : 0), y = 45 + F(r) * 5;
      v.Stroke({{x - 2, y}, {x, y + 1.6f}, {x + 2, y}}, 0.9f);
      cv.Fill(v, Hex(0xA47E52));
    }
  // Ear tufts and head.
  Path ears;
  ears.Poly({{cx - 17, 20}, {cx - 20, 8}, {cx - 8, 16}});
  ears.Poly({{cx + 17, 20}, {cx + 20, 8}, {cx + 8, 16}});
  cv.Fill(ears, Hex(0x6E4A2C));
  Path head;
  head.Ellipse({cx, 25}, 18, 13);
  cv.Fill(head, Radial({cx - 4, 20}, 22, Hex(0xC39463), Hex(0x7A5232)));
  // Big eyes with spectacles.
  for (int s = -1; s <= 1; s += 2) {
    Vec e{cx + F(s) * 8, 25};
    Path white;
    white.Circle(e, 6.5f);
    cv.Fill(white, Hex(0xFFFDF2));
    Path iris;
    iris.Circle({e.x - F(s) * 0.5f, e.y + 0.5f}, 4);
    cv.Fill(iris, Hex(0xF4B41A));
    Path pupil;
    pupil.Circle({e.x - F(s) * 0.5f, e.y + 0.5f}, 2.3f);
    cv.Fill(pupil, Hex(0x14100C));
    Path glint;
    glint.Circle({e.x - F(s) * 0.5f - 1, e.y - 0.8f}, 0.8f);
    cv.Fill(glint, Hex(0xFFFFFF));
    Path rim;
    rim.Stroke(ArcPoints(e, 7.2f, 7.2f, 0, 2 * kPi, 40), 1.2f, true);
    cv.Fill(rim, Hex(0xD8B04A));
  }
  Path bridge;
  bridge.Stroke(QuadPoints({cx - 1.5f, 24}, {cx, 22.5f}, {cx + 1.5f, 24}, 6), 1.1f);
  cv.Fill(bridge, Hex(0xD8B04A));
  Path beak;
  beak.Poly({{cx - 2.5f, 31}, {cx + 2.5f, 31}, {cx, 36}});
  cv.Fill(beak, Hex(0xF0A020));
  // Mortarboard.
  Path cap;
  cap.Poly({{cx, 6}, {cx + 18, 11}, {cx, 16}, {cx - 18, 11}});
  cv.Fill(cap, Hex(0x22222E));
  Path capTop;
  capTop.Rect(cx - 8, 12, 16, 5, 1);
  cv.Fill(capTop, Hex(0x22222E));
  Path tassel;
  tassel.Stroke({{cx, 11}, {cx + 14, 12}, {cx + 15, 20}}, 1);
  cv.Fill(tassel, Hex(0xF2C230));
  // Feet.
  Path feet;
  feet.Ellipse({cx - 6, 63}, 3.5f, 1.8f).Ellipse({cx + 6, 63}, 3.5f, 1.8f);
  cv.Fill(feet, Hex(0xF0A020));
  return cv.Resolve();
}

namespace {
Path Bubble(float x, float y, float w, float h, Vec tail, bool tailLeft) {
  Path p;
  p.Rect(x, y, w, h, std::min(w, h) * 0.35f);
  float bx = tailLeft ? x + w * 0.25f : x + w * 0.75f;
  p.Poly({{bx - 5, y + h - 1}, {bx + 5, y + h - 1}, tail});
  return p;
}
void TextLines(Canvas& cv, float x, float y, float w, int lines, Rgb col) {
  Path p;
  for (int i = 0; i < lines; ++i) {
    float len = w * (i == lines - 1 ? 0.6f : 1.0f);
    p.Line({x, y + F(i) * 5}, {x + len, y + F(i) * 5}, 2);
  }
  cv.Fill(p, col);
}
void QuoteMarks(Canvas& cv, Vec at, float s, Rgb col, bool closing) {
  // A closing mark is a dot with a tail curling down to the left (a "9");
  // the opening mark is the same turned upside down (a "6").
  for (int i = 0; i < 2; ++i) {
    Vec c{at.x + F(i) * s * 1.15f, at.y};
    float r = s * 0.42f;
    Path q;
    q.Circle(c, r);
    std::vector<Vec> tail{{c.x + r * 0.98f, c.y - r * 0.1f}};
    Append(tail, QuadPoints({c.x + r * 0.98f, c.y - r * 0.1f}, {c.x + r * 1.1f, c.y + r * 1.9f},
                            {c.x - r * 0.9f, c.y + r * 2.5f}, 10));
    Append(tail, QuadPoints({c.x - r * 0.9f, c.y + r * 2.5f}, {c.x + r * 0.3f, c.y + r * 1.6f},
                            {c.x - r * 0.2f, c.y + r * 0.9f}, 10));
    q.Poly(tail);
    cv.Fill(closing ? q : q.Rotated({c.x, c.y + r * 0.8f}, kPi), col);
  }
}
}  // namespace

Image DrawQuoteQuill(int w, int h) {
  Canvas cv(w, h, 5);
  Ink(cv, Bubble(3, 3, 54, 40, {14, 54}, true), Hex(0xFFFFFF), Hex(0x7FA8E0), 2.4f);
  QuoteMarks(cv, {14, 16}, 8, Hex(0x3B6FC4), false);
  TextLines(cv, 12, 28, 36, 2, Hex(0x9DB3D3));
  // A quill writing on a strip of paper.
  Path paper;
  paper.Rect(6, 74, 48, 14, 2);
  cv.Fill(paper, Hex(0xF6EBCF));
  Path ink;
  ink.Stroke({{10, 82}, {14, 79}, {18, 84}, {22, 79}, {26, 83}, {30, 80}}, 1.2f);
  cv.Fill(ink, Hex(0x2A3A66));
  Path feather;
  feather.Poly({{31, 80}, {44, 58}, {56, 48}, {54, 56}, {46, 68}, {33, 81}});
  cv.Fill(feather, Linear({31, 80}, Hex(0xE8EEF8), {56, 48}, Hex(0xB8C8E8)));
  Path spine;
  spine.Stroke({{30, 82}, {42, 64}, {55, 49}}, 1);
  cv.Fill(spine, Hex(0x7A8AB0));
  return cv.Resolve();
}

Image DrawQuoteChat(int w, int h) {
  Canvas cv(w, h, 5);
  Ink(cv, Bubble(3, 4, 52, 36, {12, 50}, true), Hex(0x6FB6FF), Hex(0x2F6FC0), 2);
  TextLines(cv, 11, 15, 36, 3, Hex(0xFFFFFF));
  Ink(cv, Bubble(15, 52, 52, 34, {58, 97}, false), Hex(0xFFD45A), Hex(0xC08A10), 2);
  QuoteMarks(cv, {25, 64}, 7, Hex(0x8A5A00), false);
  TextLines(cv, 38, 64, 20, 3, Hex(0x9A6A10));
  return cv.Resolve();
}

Image DrawQuoteMarks(int w, int h) {
  Canvas cv(w, h, 5);
  Ink(cv, Bubble(2, 2, 56, 46, {16, 61}, true), Radial({20, 14}, 60, Hex(0xFFFFFF), Hex(0xDCE6F4)),
      Hex(0x8C6CD0), 2.6f);
  QuoteMarks(cv, {13, 20}, 9, Hex(0x6A44C0), false);
  QuoteMarks(cv, {35, 17}, 9, Hex(0x6A44C0), true);
  return cv.Resolve();
}

Image DrawKeepAway(int w, int h) {
  // 16 colours: flat red, white and skin tones.
  Canvas cv(w, h, 4);
  Vec c{F(w) / 2, F(h) / 2};
  std::vector<Vec> oct, inner;
  for (int i = 0; i < 8; ++i) {
    float a = kPi / 8 + F(i) * kPi / 4;
    oct.push_back({c.x + std::cos(a) * 38, c.y + std::sin(a) * 37});
    inner.push_back({c.x + std::cos(a) * 33.5f, c.y + std::sin(a) * 32.5f});
  }
  Path o, in;
  o.Poly(oct);
  in.Poly(inner);
  cv.Fill(o, Hex(0xFFFFFF));
  cv.Fill(in, Hex(0xD01C1C));
  // A raised open hand.
  Path palm;
  palm.Rect(c.x - 11, c.y - 4, 22, 22, 8);
  palm.Stroke({{c.x - 8.5f, c.y}, {c.x - 9, c.y - 17}}, 5.2f);
  palm.Stroke({{c.x - 2.8f, c.y - 2}, {c.x - 3, c.y - 22}}, 5.4f);
  palm.Stroke({{c.x + 2.8f, c.y - 2}, {c.x + 3, c.y - 21}}, 5.4f);
  palm.Stroke({{c.x + 8.5f, c.y}, {c.x + 8.8f, c.y - 15}}, 5.0f);
  palm.Stroke({{c.x - 10, c.y + 12}, {c.x - 16, c.y + 4}, {c.x - 18, c.y - 1}}, 5.4f);
  Ink(cv, palm, Hex(0xFFFFFF), Hex(0xFFFFFF), 1);
  return cv.Resolve();
}

Image DrawNoSmoking(int w, int h) {
  Canvas cv(w, h, 5);
  Vec c{F(w) / 2, F(h) / 2};
  Path disc;
  disc.Circle(c, 43);
  cv.Fill(disc, Hex(0xFFFFFF));
  // Cigarette with a glowing tip and a curl of smoke.
  Path filter;
  filter.Rect(c.x - 30, c.y + 4, 14, 9, 1.5f);
  cv.Fill(filter, Hex(0xE39A3C));
  Path paper;
  paper.Rect(c.x - 16, c.y + 4, 38, 9);
  cv.Fill(paper, Hex(0xF4F4F4));
  Path edge;
  edge.Stroke({{c.x - 30, c.y + 4}, {c.x + 22, c.y + 4}, {c.x + 22, c.y + 13}, {c.x - 30, c.y + 13}}, 0.8f, true);
  cv.Fill(edge, Hex(0x9A9A9A));
  Path ember;
  ember.Rect(c.x + 22, c.y + 4, 5, 9, 1);
  cv.Fill(ember, Linear({c.x + 22, 0}, Hex(0xFF5A1A), {c.x + 27, 0}, Hex(0x5A5A5A)));
  Path smoke;
  smoke.Stroke(CubicPoints({c.x + 25, c.y + 2}, {c.x + 18, c.y - 8}, {c.x + 32, c.y - 14}, {c.x + 22, c.y - 26}, 20),
               2.6f);
  cv.Fill(smoke, Hex(0x9CA3AE));
  // The red ring and the bar across it.
  Path ring;
  ring.Circle(c, 43).Circle(c, 35, true);
  cv.Fill(ring, Hex(0xD81E1E));
  Path bar;
  bar.Line({c.x - 26, c.y - 26}, {c.x + 26, c.y + 26}, 8);
  cv.Fill(bar, Hex(0xD81E1E));
  return cv.Resolve();
}

Image DrawYourPicture(int w, int h) {
  Canvas cv(w, h, 4);
  // A gilded frame around a little landscape: "put your picture here".
  Path frame;
  frame.Rect(4, 6, 92, 88, 3);
  cv.Fill(frame, Linear({4, 6}, Hex(0xF7D77A), {96, 94}, Hex(0x9C6A1E)));
  Path bevel;
  bevel.Rect(12, 14, 76, 72);
  cv.Fill(bevel, Linear({12, 14}, Hex(0x8A5A16), {88, 86}, Hex(0xE8C060)));
  Path view;
  view.Rect(15, 17, 70, 66);
  cv.Fill(view, Linear({0, 17}, Hex(0x6FB8F2), {0, 83}, Hex(0xCDE9FF)));
  Path sun;
  sun.Circle({68, 32}, 7);
  cv.Fill(sun, Hex(0xFFE15A));
  Path mount;
  mount.Poly({{15, 66}, {36, 38}, {48, 54}, {58, 44}, {85, 70}, {85, 83}, {15, 83}});
  cv.Fill(mount, Hex(0x7E8CA8));
  Path snow;
  snow.Poly({{31, 45}, {36, 38}, {41, 45}, {38, 43}, {35, 46}});
  cv.Fill(snow, Hex(0xFFFFFF));
  Path hill;
  hill.Poly({{15, 83}, {15, 70}, {40, 64}, {62, 68}, {85, 62}, {85, 83}});
  cv.Fill(hill, Hex(0x4FA84A));
  Path hook;
  hook.Stroke({{36, 6}, {50, 0.5f}, {64, 6}}, 1.2f);
  cv.Fill(hook, Hex(0xB0B4BC));
  return cv.Resolve();
}

Image DrawJustSky(int w, int h) {
  // 16 colours: a few bands of night blue, stars, a quiet hill line.
  Canvas cv(w, h, 4);
  NightSky(cv, 120, Hex(0x020514), Hex(0x102452), 0);
  Rng rng(1200);
  for (int i = 0; i < 26; ++i) {
    Vec p{rng.Range(3, F(w) - 3), rng.Range(3, F(h) - 28)};
    Path s;
    s.Circle(p, rng.Range(0.4f, 0.75f));
    cv.Fill(s, Hex(0xFFFFFF), rng.Range(0.7f, 1.0f));
  }
  Twinkle(cv, {28, 22}, 5, Hex(0xDDE8FF));
  Twinkle(cv, {98, 14}, 4, Hex(0xFFF0CC));
  Twinkle(cv, {70, 48}, 3.5f, Hex(0xDDE8FF));
  CrescentMoon(cv, {108, 38}, 9, -2.6f, Hex(0xFFF2C0));
  Hills(cv, F(h) - 14, 5, Hex(0x050A12), 4);
  return cv.Resolve();
}

Image DrawCake(int w, int h) {
  Canvas cv(w, h, 5);
  float cx = F(w) / 2;
  Path plate;
  plate.Ellipse({cx, 84}, 38, 5);
  cv.Fill(plate, Linear({0, 79}, Hex(0xF4F6FA), {0, 89}, Hex(0xA9B2C2)));
  auto tier = [&](float top, float bottom, float half, Rgb sponge, Rgb icing) {
    Path body;
    body.Rect(cx - half, top, half * 2, bottom - top);
    body.Ellipse({cx, bottom}, half, 4);
    cv.Fill(body, Linear({cx - half, 0}, sponge, {cx + half, 0}, Scale(sponge, 0.8f)));
    Path ice;
    ice.Ellipse({cx, top}, half, 4);
    std::vector<Vec> drip{{cx - half, top}};
    for (int i = 0; i <= 10; ++i) {
      float x = cx - half + half * 2 * F(i) / 10;
      drip.push_back({x, top + 4 + (i % 2 ? 6.0f : 2.5f) + (i % 3 == 0 ? 2 : 0)});
    }
    drip.push_back({cx + half, top});
    ice.Poly(drip);
    cv.Fill(ice, icing);
  };
  tier(56, 82, 32, Hex(0xC9874A), Hex(0xFF9EC4));
  tier(36, 56, 22, Hex(0xD6985A), Hex(0xFFF2F7));
  Rng rng(160);
  for (int i = 0; i < 12; ++i) {
    Path d;
    d.Circle({rng.Range(cx - 28, cx + 28), rng.Range(68, 78)}, 1.2f);
    const std::uint32_t cols[] = {0x4AC8FF, 0xFFE04A, 0x6BE36B, 0xFF6A6A};
    cv.Fill(d, Hex(cols[i % 4]));
  }
  const std::uint32_t candle[] = {0x5AA8FF, 0xFF6A9A, 0xFFD24A, 0x7ADB7A, 0xB08AFF};
  for (int i = 0; i < 5; ++i) {
    float x = cx - 16 + F(i) * 8, top = 22 + (i % 2 ? 2.0f : 0);
    Path c;
    c.Rect(x - 1.8f, top, 3.6f, 36 - top + 1);
    cv.Fill(c, Hex(candle[i]));
    Path stripe;
    stripe.Line({x - 1.8f, top + 4}, {x + 1.8f, top + 2}, 0.9f).Line({x - 1.8f, top + 9}, {x + 1.8f, top + 7}, 0.9f);
    cv.Fill(stripe, Hex(0xFFFFFF), 0.8f);
    Path glow;
    glow.Circle({x, top - 5}, 7);
    cv.Fill(glow, Glow({x, top - 5}, 7, Hex(0xFFC040), 0.6f));
    Path flame;
    flame.Poly(QuadPoints({x - 2.2f, top - 3}, {x, top - 13}, {x + 2.2f, top - 3}, 8));
    flame.Circle({x, top - 3.5f}, 2.2f);
    cv.Fill(flame, Linear({0, top - 12}, Hex(0xFFF6B0), {0, top - 1}, Hex(0xFF8A1A)));
  }
  return cv.Resolve();
}

Image DrawGhost(int w, int h) {
  Canvas cv(w, h, 5);
  float cx = 35;
  Path halo;
  halo.Circle({cx, 27}, 30);
  cv.Fill(halo, Glow({cx, 27}, 30, Hex(0x9FD0FF), 0.3f));
  std::vector<Vec> sheet;
  Append(sheet, ArcPoints({cx, 22}, 17, 17, kPi, 2 * kPi, 24));
  Append(sheet, CubicPoints({cx + 17, 22}, {cx + 18, 34}, {cx + 22, 42}, {cx + 20, 48}, 10));
  for (int i = 0; i < 5; ++i) {
    float x0 = cx + 20 - F(i) * 8, x1 = x0 - 8;
    Append(sheet, QuadPoints({x0, 48}, {x0 - 4, i % 2 ? 44.0f : 53.0f}, {x1, 48}, 6));
  }
  Append(sheet, CubicPoints({cx - 20, 48}, {cx - 22, 42}, {cx - 18, 34}, {cx - 17, 22}, 10));
  Path ghost;
  ghost.Poly(sheet);
  // Arms thrown up in fright.
  ghost.Stroke({{cx - 14, 28}, {cx - 22, 18}, {cx - 25, 10}}, 6);
  ghost.Stroke({{cx + 14, 28}, {cx + 22, 18}, {cx + 25, 10}}, 6);
  cv.Fill(ghost, Radial({cx - 6, 14}, 42, Hex(0xFFFFFF), Hex(0xC6D8EC)));
  Path eyes;
  eyes.Ellipse({cx - 6, 20}, 4, 5.5f).Ellipse({cx + 6, 20}, 4, 5.5f);
  cv.Fill(eyes, Hex(0x1B1F2E));
  Path pupils;
  pupils.Circle({cx - 6, 19}, 1.3f).Circle({cx + 6, 19}, 1.3f);
  cv.Fill(pupils, Hex(0xFFFFFF));
  Path mouth;
  mouth.Ellipse({cx, 33}, 3.6f, 5);
  cv.Fill(mouth, Hex(0x1B1F2E));
  Path brows;
  brows.Line({cx - 10, 11.5f}, {cx - 3, 13.5f}, 1.2f).Line({cx + 10, 11.5f}, {cx + 3, 13.5f}, 1.2f);
  cv.Fill(brows, Hex(0x1B1F2E));
  Path drops;
  drops.Poly(QuadPoints({cx + 24, 26}, {cx + 26, 20}, {cx + 28, 26}, 6)).Circle({cx + 26, 27}, 2);
  drops.Poly(QuadPoints({cx - 28, 30}, {cx - 26, 24}, {cx - 24, 30}, 6)).Circle({cx - 26, 31}, 2);
  cv.Fill(drops, Hex(0x7CC8FF));
  return cv.Resolve();
}

Image DrawWitch(int w, int h) {
  Canvas cv(w, h, 5);
  CrescentMoon(cv, {74, 14}, 10, -2.3f, Hex(0xFFE9A8));
  // Broom: handle and bristles, flying to the right.
  Path handle;
  handle.Line({20, 42}, {86, 30}, 2.4f);
  cv.Fill(handle, Hex(0x9A6432));
  Path bristles;
  bristles.Poly({{22, 41}, {4, 36}, {1, 44}, {3, 52}, {22, 46}});
  cv.Fill(bristles, Linear({2, 44}, Hex(0xE8A63A), {22, 44}, Hex(0xB8742A)));
  Path band;
  band.Line({21, 39.5f}, {22.5f, 47}, 2);
  cv.Fill(band, Hex(0x7A3A8A));
  // Cloak streaming behind.
  Path cloak;
  cloak.Poly({{40, 22}, {50, 24}, {54, 38}, {36, 41}, {22, 36}, {26, 32}});
  cv.Fill(cloak, Linear({22, 30}, Hex(0x4A2A7A), {54, 30}, Hex(0x8A4ED0)));
  Path leg;
  leg.Stroke({{48, 37}, {56, 42}, {60, 44}}, 3.4f);
  cv.Fill(leg, Hex(0x3A2A5A));
  Path boot;
  boot.Poly({{57, 41}, {64, 44}, {66, 42}, {62, 46}, {57, 46}});
  cv.Fill(boot, Hex(0x1E1E24));
  Path arm;
  arm.Stroke({{46, 26}, {54, 32}, {62, 33}}, 3);
  cv.Fill(arm, Hex(0x7040B0));
  Path hand;
  hand.Circle({63, 33}, 1.9f);
  cv.Fill(hand, Hex(0x7FD06A));
  // Head, hair, hat.
  Path hair;
  hair.Poly({{40, 15}, {32, 20}, {28, 27}, {36, 24}, {38, 26}, {42, 21}});
  cv.Fill(hair, Hex(0xF07A1A));
  Path face;
  face.Ellipse({45, 17}, 5, 5.5f);
  cv.Fill(face, Hex(0x86D66E));
  Path nose;
  nose.Poly({{49, 16}, {54, 19}, {49, 19}});
  cv.Fill(nose, Hex(0x6FBF58));
  Path eye;
  eye.Circle({47, 15.5f}, 0.8f);
  cv.Fill(eye, Hex(0x101010));
  Path grin;
  grin.Stroke(ArcPoints({47.5f, 19}, 2, 1.2f, 0.2f, 2.6f, 6), 0.7f);
  cv.Fill(grin, Hex(0x2A3A20));
  Path hat;
  hat.Ellipse({44, 12}, 10, 2.2f, -0.15f);
  hat.Poly({{37, 12}, {50, 10}, {36, 0.5f}, {40, 6}});
  cv.Fill(hat, Hex(0x2A1A44));
  Path hatBand;
  hatBand.Line({38.5f, 10.5f}, {48.5f, 9}, 1.4f);
  cv.Fill(hatBand, Hex(0xB070F0));
  Rng rng(118);
  for (int i = 0; i < 6; ++i) {
    Vec p{rng.Range(2, 16), rng.Range(30, 54)};
    Path s;
    s.Circle(p, rng.Range(0.5f, 1.0f));
    cv.Fill(s, Hex(0xFFE28A), rng.Range(0.5f, 1));
  }
  return cv.Resolve();
}

Image DrawTravel(int w, int h) {
  Canvas cv(w, h, 5);
  // Plane with a contrail above the suitcase.
  Path trail;
  trail.Stroke(QuadPoints({4, 30}, {24, 12}, {48, 14}, 16), 2.2f);
  cv.Fill(trail, Hex(0xBFD6EE), 0.7f);
  Vec p{58, 14};
  Path plane;
  plane.Ellipse(p, 12, 3, -0.15f);
  plane.Poly({{p.x - 2, p.y}, {p.x - 9, p.y - 10}, {p.x - 5, p.y - 10}, {p.x + 5, p.y - 1}});
  plane.Poly({{p.x - 1, p.y + 1}, {p.x - 6, p.y + 9}, {p.x - 2, p.y + 9}, {p.x + 5, p.y + 1}});
  plane.Poly({{p.x - 10, p.y + 1}, {p.x - 14, p.y - 6}, {p.x - 11, p.y - 6}, {p.x - 6, p.y}});
  cv.Fill(plane, Linear({0, p.y - 10}, Hex(0xFFFFFF), {0, p.y + 9}, Hex(0xB8C6D8)));
  Path windows;
  for (int i = 0; i < 4; ++i) windows.Circle({p.x - 2 + F(i) * 3, p.y - 1.2f + F(i) * -0.45f}, 0.7f);
  cv.Fill(windows, Hex(0x3A6AB0));
  // Suitcase.
  Path grip;
  grip.Rect(26, 38, 24, 12, 4).Rect(30, 42, 16, 8, 2, true);
  cv.Fill(grip, Hex(0x5A3A20));
  Path caseBody;
  caseBody.Rect(8, 46, 61, 48, 6);
  Ink(cv, caseBody, Linear({8, 46}, Hex(0xC9823E), {69, 94}, Hex(0x8A5420)), Hex(0x4A2C12), 1.6f);
  Path straps;
  straps.Rect(20, 46, 5, 48).Rect(52, 46, 5, 48);
  cv.Fill(straps, Hex(0x6A4020));
  Path buckles;
  buckles.Rect(19, 66, 7, 6, 1).Rect(51, 66, 7, 6, 1);
  cv.Fill(buckles, Hex(0xE8C860));
  // Travel stickers.
  Path s1;
  s1.Circle({38, 60}, 7);
  cv.Fill(s1, Hex(0x3AA0E0));
  Path s1star = StarPath({38, 60}, 5, 2);
  cv.Fill(s1star, Hex(0xFFFFFF));
  Path s2;
  s2.Rect(28, 74, 18, 11, 2);
  cv.Fill(s2, Hex(0xF2E6C8));
  Path s2p;
  s2p.Poly({{30, 83}, {36, 76}, {40, 81}, {44, 77}, {44, 83}});
  cv.Fill(s2p, Hex(0x4FA84A));
  Path s3;
  s3.Rect(58, 52, 9, 14, 2);
  cv.Fill(s3, Hex(0xE04A4A));
  Path wheels;
  wheels.Circle({16, 95}, 3).Circle({61, 95}, 3);
  cv.Fill(wheels, Hex(0x2A2A2A));
  return cv.Resolve();
}

Image DrawDove(int w, int h) {
  Canvas cv(w, h, 5);
  Path glow;
  glow.Circle({37, 37}, 36);
  cv.Fill(glow, Glow({37, 37}, 36, Hex(0x9FC8FF), 0.25f));
  Dove(cv, {33, 38}, 62, true);
  return cv.Resolve();
}

Image DrawGlobePeace(int w, int h) {
  Canvas cv(w, h, 4);
  Vec c{F(w) / 2, 54};
  Path atmo;
  atmo.Circle(c, 44);
  cv.Fill(atmo, Glow(c, 44, Hex(0x6FB8FF), 0.45f));
  Globe(cv, c, 38, 113);
  Dove(cv, {46, 18}, 46, true);
  return cv.Resolve();
}

Image DrawPeaceRainbow(int w, int h) {
  Canvas cv(w, h, 5);
  Vec c{F(w) / 2, 52};
  float r = 40;
  Path glow;
  glow.Circle(c, 50);
  cv.Fill(glow, Glow(c, 50, Hex(0xFFFFFF), 0.25f));
  auto rainbow = [=](float x, float) {
    float t = Clamp01((x - (c.x - r)) / (2 * r));
    const std::uint32_t stops[] = {0xFF3B3B, 0xFF9A2A, 0xFFE23A, 0x4AD65A, 0x3AA8FF, 0x8A5AF0};
    float f = t * 5;
    int i = std::min(4, static_cast<int>(f));
    return Rgba{Mix(Hex(stops[i]), Hex(stops[i + 1]), f - F(i)), 1};
  };
  Path sign;
  sign.Circle(c, r).Circle(c, r - 8, true);
  sign.Line({c.x, c.y - r + 2}, {c.x, c.y + r - 2}, 7);
  float d = (r - 4) * 0.7071f;
  sign.Line(c, {c.x - d, c.y + d}, 7).Line(c, {c.x + d, c.y + d}, 7);
  cv.Fill(sign, rainbow);
  // A little flower at the foot and a few sparkles.
  for (int i = 0; i < 6; ++i) {
    float a = F(i) * kPi / 3;
    Path petal;
    petal.Ellipse({c.x + std::cos(a) * 4.5f, 100 + std::sin(a) * 4.5f}, 4, 2.4f, a);
    cv.Fill(petal, Hex(0xFFFFFF));
  }
  Path mid;
  mid.Circle({c.x, 100}, 2.6f);
  cv.Fill(mid, Hex(0xFFD23A));
  Twinkle(cv, {12, 12}, 6, Hex(0xFFF0B0));
  Twinkle(cv, {88, 18}, 5, Hex(0xCFE4FF));
  Twinkle(cv, {90, 96}, 4, Hex(0xFFD0F0));
  return cv.Resolve();
}

Image DrawRandomQuote(int w, int h) {
  Canvas cv(w, h, 5);
  auto die = [&](Vec c, float s, float angle, int face) {
    Path body;
    body.Rect(c.x - s / 2, c.y - s / 2, s, s, s * 0.2f);
    Path rb = body.Rotated(c, angle);
    Ink(cv, rb, Linear({c.x - s / 2, c.y - s / 2}, Hex(0xFFFFFF), {c.x + s / 2, c.y + s / 2}, Hex(0xC8D0DC)),
        Hex(0x6A7488), 1.4f);
    const float q = s * 0.26f;
    Path dots;
    auto pip = [&](float dx, float dy) { dots.Circle({c.x + dx, c.y + dy}, s * 0.09f); };
    if (face % 2) pip(0, 0);
    if (face >= 2) pip(-q, -q), pip(q, q);
    if (face >= 4) pip(q, -q), pip(-q, q);
    if (face == 6) pip(-q, 0), pip(q, 0);
    cv.Fill(dots.Rotated(c, angle), Hex(0xC0182A));
  };
  die({30, 74}, 30, -0.3f, 5);
  die({70, 78}, 26, 0.35f, 3);
  // A big question mark.
  Path q;
  q.Stroke(ArcPoints({50, 26}, 13, 12, kPi * 1.05f, kPi * 2.35f, 30), 8);
  q.Stroke({{57.2f, 35}, {50, 40}, {50, 48}}, 8);
  q.Circle({50, 58}, 4.6f);
  Ink(cv, q, Linear({38, 10}, Hex(0xFFE46A), {60, 60}, Hex(0xF0A020)), Hex(0x8A5A00), 1.6f);
  Twinkle(cv, {14, 14}, 6, Hex(0xFFF0B0));
  Twinkle(cv, {86, 30}, 5, Hex(0xCFE4FF));
  return cv.Resolve();
}

Image DrawReachStars(int w, int h) {
  Canvas cv(w, h, 4);
  NightSky(cv, 163, Hex(0x000000), Hex(0x0A1630), 70);
  CrescentMoon(cv, {26, 30}, 13, -2.6f, Hex(0xFFF1C0));
  Twinkle(cv, {86, 16}, 11, Hex(0xFFF0A0));
  Twinkle(cv, {60, 14}, 5, Hex(0xDDE8FF));
  Twinkle(cv, {110, 62}, 4, Hex(0xDDE8FF));
  Hills(cv, F(h) - 32, 6, Hex(0x0D1A10), 163);
  // A tall ladder leaning into the sky.
  Vec b0{30, F(h) - 22}, b1{48, F(h) - 20}, t0{66, 70}, t1{78, 72};
  Path rails;
  rails.Line(b0, t0, 2.4f).Line(b1, t1, 2.4f);
  for (int i = 1; i < 14; ++i) {
    float t = F(i) / 14;
    rails.Line({b0.x + (t0.x - b0.x) * t, b0.y + (t0.y - b0.y) * t}, {b1.x + (t1.x - b1.x) * t, b1.y + (t1.y - b1.y) * t},
               1.6f);
  }
  cv.Fill(rails, Hex(0xB88A52));
  // Someone at the top stretching up to the star.
  Figure(cv, {72, 62}, 34, 1.3f, Hex(0xE0584A), Hex(0xF2C8A0));
  Rgb8 gold{255, 226, 140};
  Image img = cv.Resolve();
  DrawText(img, (w - TextWidth("TRYING TO", 1)) / 2, h - 19, "TRYING TO", gold, 1);
  DrawText(img, (w - TextWidth("REACH THE STARS", 1)) / 2, h - 10, "REACH THE STARS", gold, 1);
  return img;
}

}  // namespace lvx::resgen
