// Pictures of the configuration dialog and its pages, and the spare
// numbers given night-sky roles. These sit on dialog pages, so most are
// small scenes with their own background.
#include <cmath>

#include "tools/resgen/font.h"
#include "tools/resgen/motifs.h"
#include "tools/resgen/pictures.h"

namespace lvx::resgen {

namespace {

float F(int v) { return static_cast<float>(v); }

void Face(Canvas& cv, Vec c, float s, bool smile = true) {
  Path eyes;
  eyes.Ellipse({c.x - s * 0.3f, c.y - s * 0.1f}, s * 0.09f, s * 0.13f)
      .Ellipse({c.x + s * 0.3f, c.y - s * 0.1f}, s * 0.09f, s * 0.13f);
  cv.Fill(eyes, Hex(0x2A1A10));
  Path mouth;
  if (smile)
    mouth.Stroke(ArcPoints({c.x, c.y + s * 0.05f}, s * 0.28f, s * 0.22f, 0.3f, kPi - 0.3f, 12), s * 0.07f);
  else
    mouth.Stroke(ArcPoints({c.x, c.y + s * 0.4f}, s * 0.22f, s * 0.14f, kPi + 0.4f, 2 * kPi - 0.4f, 12), s * 0.07f);
  cv.Fill(mouth, Hex(0x2A1A10));
  Path cheeks;
  cheeks.Circle({c.x - s * 0.45f, c.y + s * 0.15f}, s * 0.1f).Circle({c.x + s * 0.45f, c.y + s * 0.15f}, s * 0.1f);
  cv.Fill(cheeks, Hex(0xFF8A8A), 0.6f);
}

void Cloud(Canvas& cv, Vec c, float s, Rgb col, float alpha) {
  Path p;
  p.Ellipse({c.x, c.y}, s, s * 0.35f).Circle({c.x - s * 0.35f, c.y - s * 0.12f}, s * 0.35f);
  p.Circle({c.x + s * 0.2f, c.y - s * 0.25f}, s * 0.45f).Circle({c.x + s * 0.65f, c.y - s * 0.02f}, s * 0.3f);
  cv.Fill(p, col, alpha);
}

// A big friendly owl on a branch in front of the full moon.
Image DialogOwl(int w, int h, bool shut) {
  Canvas cv(w, h, 3);
  NightSky(cv, 111, Hex(0x050A24), Hex(0x1B3570), 90, 1.6f);
  SmallMoon(cv, {150, 78}, 46, 111);
  float cx = 104;
  Path branch;
  branch.Stroke({{-4, 214}, {60, 206}, {130, 210}, {220, 198}}, 11);
  branch.Stroke({{170, 203}, {196, 186}, {212, 182}}, 5);
  cv.Fill(branch, Hex(0x4A2E18));
  Path leaves;
  leaves.Ellipse({200, 180}, 9, 4, -0.5f).Ellipse({186, 190}, 8, 3.5f, 0.4f).Ellipse({28, 202}, 9, 4, 0.3f);
  cv.Fill(leaves, Hex(0x2F6A34));
  Path body;
  body.Ellipse({cx, 150}, 54, 62);
  Ink(cv, body, Radial({cx - 18, 120}, 90, Hex(0xC0915F), Hex(0x5E3C22)), Hex(0x2E1C0E), 3);
  Path belly;
  belly.Ellipse({cx, 166}, 34, 40);
  cv.Fill(belly, Radial({cx, 150}, 50, Hex(0xF4E2C0), Hex(0xD8BC8C)));
  for (int r = 0; r < 5; ++r)
    for (int i = -2; i <= 2; ++i) {
      float x = cx + F(i) * 11 + (r % 2 ? 5.5f : 0), y = 140 + F(r) * 12;
      if (std::fabs(x - cx) > 30 - F(r) * 2) continue;
      Path v;
      v.Stroke({{x - 4, y}, {x, y + 3.5f}, {x + 4, y}}, 1.8f);
      cv.Fill(v, Hex(0xA88052));
    }
  Path wings;
  wings.Ellipse({cx - 46, 158}, 14, 40, 0.2f).Ellipse({cx + 46, 158}, 14, 40, -0.2f);
  cv.Fill(wings, Hex(0x6A4428));
  Path ears;
  ears.Poly({{cx - 44, 80}, {cx - 52, 40}, {cx - 22, 66}}).Poly({{cx + 44, 80}, {cx + 52, 40}, {cx + 22, 66}});
  cv.Fill(ears, Hex(0x6A4428));
  Path head;
  head.Ellipse({cx, 88}, 50, 38);
  cv.Fill(head, Radial({cx - 12, 72}, 64, Hex(0xC99A66), Hex(0x7A5232)));
  Path disc;
  disc.Ellipse({cx - 22, 88}, 21, 20).Ellipse({cx + 22, 88}, 21, 20);
  cv.Fill(disc, Hex(0xEAD5AE));
  for (int s = -1; s <= 1; s += 2) {
    Vec e{cx + F(s) * 22, 88};
    if (shut) {
      Path lid;
      lid.Circle(e, 14.5f);
      cv.Fill(lid, Radial({e.x, e.y - 8}, 18, Hex(0xC99A66), Hex(0x8A6038)));
      Path lash;
      lash.Stroke(ArcPoints({e.x, e.y - 2}, 12, 7, 0.15f, kPi - 0.15f, 16), 2.6f);
      cv.Fill(lash, Hex(0x2E1C0E));
    } else {
      Path white;
      white.Circle(e, 14.5f);
      cv.Fill(white, Hex(0xFFFDF4));
      Path iris;
      iris.Circle({e.x - F(s) * 1.5f, e.y + 1}, 10);
      cv.Fill(iris, Radial({e.x, e.y}, 10, Hex(0xFFD24A), Hex(0xE08A10)));
      Path pupil;
      pupil.Circle({e.x - F(s) * 1.5f, e.y + 1}, 5.8f);
      cv.Fill(pupil, Hex(0x120C08));
      Path glint;
      glint.Circle({e.x - F(s) * 1.5f - 2.5f, e.y - 2}, 2);
      cv.Fill(glint, Hex(0xFFFFFF));
    }
  }
  Path beak;
  beak.Poly({{cx - 6, 104}, {cx + 6, 104}, {cx, 118}});
  cv.Fill(beak, Hex(0xF0A020));
  Path feet;
  for (int s = -1; s <= 1; s += 2)
    for (int t = -1; t <= 1; ++t) feet.Ellipse({cx + F(s) * 20 + F(t) * 5, 208}, 3, 6);
  cv.Fill(feet, Hex(0xF0A020));
  return cv.Resolve();
}

// A black cat on a moonlit roof ridge, looking at the viewer.
Image DialogCat(int w, int h, bool shut) {
  Canvas cv(w, h, 3);
  NightSky(cv, 196, Hex(0x0A0820), Hex(0x3A2A6A), 110, 1.6f);
  CrescentMoon(cv, {168, 52}, 30, -2.4f, Hex(0xFFF0B8));
  Twinkle(cv, {40, 40}, 9, Hex(0xFFF4C8));
  Twinkle(cv, {98, 22}, 6, Hex(0xDDE8FF));
  // Roof and chimney.
  Path roof;
  roof.Poly({{-2, 200}, {216, 176}, {218, 259}, {-2, 259}});
  cv.Fill(roof, Linear({0, 180}, Hex(0x5A2E2E), {0, 257}, Hex(0x2A1416)));
  Path tiles;
  for (int r = 0; r < 6; ++r) tiles.Line({-2, 212 + F(r) * 10 - 2}, {218, 188 + F(r) * 10 - 2}, 1.2f);
  cv.Fill(tiles, Hex(0x1E0E10));
  Path chimney;
  chimney.Rect(22, 150, 28, 52);
  cv.Fill(chimney, Hex(0x6A3A30));
  Path cap;
  cap.Rect(18, 146, 36, 8, 1);
  cv.Fill(cap, Hex(0x4A2620));
  for (int i = 0; i < 3; ++i) Cloud(cv, {34 + F(i) * 6, 130 - F(i) * 16}, 8 + F(i) * 2, Hex(0x9A98B8), 0.35f);
  // The cat.
  float cx = 120;
  Rgb fur = Hex(0x1C1A24), rim = Hex(0x6A6890);
  Path tail;
  tail.Stroke(CubicPoints({cx + 30, 182}, {cx + 70, 182}, {cx + 60, 150}, {cx + 76, 130}, 24), 10);
  Ink(cv, tail, fur, rim, 2);
  Path body;
  body.Ellipse({cx, 150}, 36, 42);
  Ink(cv, body, fur, rim, 2.4f);
  Path ears;
  ears.Poly({{cx - 32, 88}, {cx - 30, 50}, {cx - 8, 76}}).Poly({{cx + 32, 88}, {cx + 30, 50}, {cx + 8, 76}});
  Ink(cv, ears, fur, rim, 2.4f);
  Path inner;
  inner.Poly({{cx - 27, 80}, {cx - 26, 60}, {cx - 14, 75}}).Poly({{cx + 27, 80}, {cx + 26, 60}, {cx + 14, 75}});
  cv.Fill(inner, Hex(0x7A4A6A));
  Path head;
  head.Ellipse({cx, 96}, 38, 32);
  Ink(cv, head, fur, rim, 2.4f);
  Path paws;
  paws.Ellipse({cx - 14, 190}, 10, 6).Ellipse({cx + 14, 190}, 10, 6);
  Ink(cv, paws, fur, rim, 2);
  for (int s = -1; s <= 1; s += 2) {
    Vec e{cx + F(s) * 15, 92};
    if (shut) {
      Path lid;
      lid.Stroke(ArcPoints({e.x, e.y - 3}, 9, 6, 0.2f, kPi - 0.2f, 14), 2.4f);
      cv.Fill(lid, Hex(0x9A98C0));
    } else {
      Path eye;
      eye.Ellipse(e, 10, 8);
      cv.Fill(eye, Radial(e, 10, Hex(0xE8FF7A), Hex(0x6AC02A)));
      Path slit;
      slit.Ellipse(e, 2.2f, 7);
      cv.Fill(slit, Hex(0x08080C));
      Path glint;
      glint.Circle({e.x - 3.5f, e.y - 3}, 1.8f);
      cv.Fill(glint, Hex(0xFFFFFF));
    }
  }
  Path nose;
  nose.Poly({{cx - 4, 104}, {cx + 4, 104}, {cx, 109}});
  cv.Fill(nose, Hex(0xE07A9A));
  Path mouth;
  mouth.Stroke(ArcPoints({cx - 3.5f, 109}, 3.5f, 3, 0, kPi, 8), 1.4f)
      .Stroke(ArcPoints({cx + 3.5f, 109}, 3.5f, 3, 0, kPi, 8), 1.4f);
  cv.Fill(mouth, Hex(0x8A88B0));
  Path whiskers;
  for (int s = -1; s <= 1; s += 2)
    for (int i = 0; i < 3; ++i)
      whiskers.Line({cx + F(s) * 12, 106 + F(i) * 3}, {cx + F(s) * 44, 100 + F(i) * 7}, 1.1f);
  cv.Fill(whiskers, Hex(0xD8D6F0), 0.85f);
  return cv.Resolve();
}

}  // namespace

Image DrawDialogOwl(int w, int h) { return DialogOwl(w, h, false); }
Image DrawDialogOwlBlink(int w, int h) { return DialogOwl(w, h, true); }
Image DrawDialogCat(int w, int h) { return DialogCat(w, h, false); }
Image DrawDialogCatBlink(int w, int h) { return DialogCat(w, h, true); }

Image DrawFriendsStars(int w, int h) {
  // 16 colours: two star friends holding hands.
  Canvas cv(w, h, 4);
  cv.Shade([](float, float) { return Rgba{Hex(0x12245E), 1}; });
  Rng rng(169);
  for (int i = 0; i < 14; ++i) {
    Path s;
    s.Circle({rng.Range(2, F(w) - 2), rng.Range(2, F(h) - 2)}, 0.7f);
    cv.Fill(s, Hex(0xFFFFFF));
  }
  Path arms;
  arms.Stroke(QuadPoints({36, 64}, {50, 74}, {64, 64}, 10), 4);
  cv.Fill(arms, Hex(0xFFC83A));
  Ink(cv, StarPath({30, 60}, 26, 12, 5, -0.15f), Hex(0xFFD84A), Hex(0xC88A10), 2);
  Ink(cv, StarPath({70, 62}, 24, 11, 5, 0.15f), Hex(0x8AD8FF), Hex(0x3A8AC8), 2);
  Face(cv, {30, 62}, 12);
  Face(cv, {70, 64}, 11);
  Path hand;
  hand.Circle({50, 73}, 3.6f);
  cv.Fill(hand, Hex(0xFFE8A0));
  Path heart = HeartPath({50, 18}, 16);
  cv.Fill(heart, Hex(0xFF4A6A));
  Image img = cv.Resolve();
  DrawText(img, (w - TextWidth("FRIENDS", 1)) / 2, h - 12, "FRIENDS", Rgb8{255, 230, 150}, 1);
  return img;
}

Image DrawFriendsWeb(int w, int h) {
  Canvas cv(w, h, 4);
  cv.Shade(Radial({50, 49}, 70, Hex(0x18306A), Hex(0x050A1E)));
  Globe(cv, {50, 52}, 30, 170);
  // Orbiting links with little letters travelling along them.
  Path orbit;
  orbit.Stroke(ArcPoints({50, 52}, 46, 14, 0, 2 * kPi, 80), 1.2f, true);
  cv.Fill(orbit.Rotated({50, 52}, -0.4f), Hex(0xFFE08A), 0.8f);
  Path orbit2;
  orbit2.Stroke(ArcPoints({50, 52}, 44, 12, 0, 2 * kPi, 80), 1.2f, true);
  cv.Fill(orbit2.Rotated({50, 52}, 0.6f), Hex(0x9AE0FF), 0.8f);
  auto letter = [&](Vec c, float a) {
    Path env;
    env.Rect(c.x - 7, c.y - 5, 14, 10, 1);
    Path r = env.Rotated(c, a);
    Ink(cv, r, Hex(0xFFFFFF), Hex(0x6A7AA0), 1);
    Path flap;
    flap.Stroke({{c.x - 6.5f, c.y - 4.5f}, {c.x, c.y + 1}, {c.x + 6.5f, c.y - 4.5f}}, 0.9f);
    cv.Fill(flap.Rotated(c, a), Hex(0x6A7AA0));
  };
  letter({12, 30}, -0.3f);
  letter({88, 72}, 0.2f);
  letter({84, 20}, 0.5f);
  return cv.Resolve();
}

Image DrawIdeaBulb(int w, int h) {
  Canvas cv(w, h, 4);
  cv.Shade(Linear({0, 0}, Hex(0x0A1030), {0, F(h)}, Hex(0x1A2A5A)));
  Vec c{60, 62};
  Path glow;
  glow.Circle(c, 58);
  cv.Fill(glow, Glow(c, 58, Hex(0xFFE890), 0.7f));
  for (int i = 0; i < 12; ++i) {
    float a = F(i) * kPi / 6;
    Path ray;
    ray.Line({c.x + std::cos(a) * 42, c.y + std::sin(a) * 42}, {c.x + std::cos(a) * 54, c.y + std::sin(a) * 54}, 3);
    if (std::sin(a) < 0.6f) cv.Fill(ray, Hex(0xFFE36A));
  }
  std::vector<Vec> bulb;
  Append(bulb, ArcPoints(c, 34, 34, 0.75f, kPi * 2 + 0.4f - 0.0f, 60));
  Path glass;
  glass.Circle(c, 34);
  glass.Poly({{c.x - 22, c.y + 24}, {c.x + 22, c.y + 24}, {c.x + 15, c.y + 50}, {c.x - 15, c.y + 50}});
  cv.Fill(glass, Radial({c.x - 10, c.y - 12}, 50, Hex(0xFFFDE8), Hex(0xFFD84A)));
  Path filament;
  filament.Stroke({{c.x - 10, c.y + 44}, {c.x - 8, c.y + 20}, {c.x - 4, c.y + 26}, {c.x, c.y + 18},
                   {c.x + 4, c.y + 26}, {c.x + 8, c.y + 20}, {c.x + 10, c.y + 44}},
                  1.6f);
  cv.Fill(filament, Hex(0xE07A10));
  Path star = StarPath({c.x, c.y - 6}, 14, 6);
  cv.Fill(star, Hex(0xFFFFFF));
  Path base;
  for (int i = 0; i < 4; ++i) base.Rect(c.x - 16 + F(i), c.y + 50 + F(i) * 7, 32 - F(i) * 2, 6, 3);
  cv.Fill(base, Linear({c.x - 16, 0}, Hex(0xD8DCE4), {c.x + 16, 0}, Hex(0x7A8090)));
  Path tip;
  tip.Ellipse({c.x, c.y + 80}, 8, 5);
  cv.Fill(tip, Hex(0x3A3E48));
  return cv.Resolve();
}

Image DrawWisdomScroll(int w, int h) {
  Canvas cv(w, h, 4);
  cv.Shade(Linear({0, 0}, Hex(0x0E1436), {0, F(h)}, Hex(0x2A2050)));
  Path sheet;
  sheet.Rect(18, 16, 64, 118);
  cv.Fill(sheet, Linear({18, 0}, Hex(0xE8D8AE), {82, 0}, Hex(0xF8EED4)));
  Path rolls;
  rolls.Rect(10, 8, 80, 14, 7).Rect(10, 128, 80, 14, 7);
  cv.Fill(rolls, Linear({0, 8}, Hex(0xF6E8C4), {0, 22}, Hex(0xB8A070)));
  Path ends;
  ends.Circle({10, 15}, 7).Circle({90, 15}, 7).Circle({10, 135}, 7).Circle({90, 135}, 7);
  cv.Fill(ends, Hex(0x8A6A3A));
  Path lines;
  for (int i = 0; i < 11; ++i) {
    float len = (i % 4 == 3) ? 28.0f : 48.0f;
    lines.Line({26, 34 + F(i) * 8.5f}, {26 + len, 34 + F(i) * 8.5f}, 1.8f);
  }
  cv.Fill(lines, Hex(0x5A4A3A), 0.75f);
  Path feather;
  feather.Poly({{62, 118}, {84, 84}, {98, 70}, {96, 82}, {84, 100}, {64, 120}});
  cv.Fill(feather, Linear({62, 118}, Hex(0xFFFFFF), {98, 70}, Hex(0x9AB8E8)));
  Path spine;
  spine.Stroke({{60, 122}, {82, 92}, {97, 71}}, 1.2f);
  cv.Fill(spine, Hex(0x4A5A8A));
  return cv.Resolve();
}

Image DrawLaughingMoon(int w, int h) {
  // Humour: a face laughing so hard it cries.
  Canvas cv(w, h, 4);
  cv.Shade(Linear({0, 0}, Hex(0x101840), {0, F(h)}, Hex(0x2A3A7A)));
  Vec c{50, 66};
  Path face;
  face.Circle(c, 42);
  Ink(cv, face, Radial({c.x - 14, c.y - 16}, 60, Hex(0xFFF08A), Hex(0xF0B020)), Hex(0xB07A10), 2);
  Path eyes;
  eyes.Stroke({{c.x - 26, c.y - 18}, {c.x - 14, c.y - 12}, {c.x - 26, c.y - 6}}, 3.4f);
  eyes.Stroke({{c.x + 26, c.y - 18}, {c.x + 14, c.y - 12}, {c.x + 26, c.y - 6}}, 3.4f);
  cv.Fill(eyes, Hex(0x4A2A10));
  std::vector<Vec> m{{c.x - 28, c.y + 2}, {c.x + 28, c.y + 2}};
  Append(m, ArcPoints({c.x, c.y + 2}, 28, 26, 0, kPi, 24));
  Path mouth;
  mouth.Poly(m);
  cv.Fill(mouth, Hex(0x6A1A1A));
  Path teeth;
  teeth.Rect(c.x - 24, c.y + 2, 48, 6);
  cv.Fill(teeth, Hex(0xFFFFFF));
  Path tongue;
  tongue.Ellipse({c.x, c.y + 22}, 13, 6);
  cv.Fill(tongue, Hex(0xF0707A));
  for (int s = -1; s <= 1; s += 2) {
    Path tear;
    Vec t{c.x + F(s) * 38, c.y - 2};
    tear.Poly(QuadPoints({t.x - 5, t.y + 4}, {t.x + F(s) * 6, t.y - 14}, {t.x + 5, t.y + 4}, 8)).Circle({t.x, t.y + 5}, 6);
    cv.Fill(tear, Radial({t.x - 2, t.y}, 10, Hex(0xDDF4FF), Hex(0x4AA8F0)));
  }
  Image img = cv.Resolve();
  DrawText(img, (w - TextWidth("HA HA!", 2)) / 2, h - 24 + 6, "HA HA!", Rgb8{255, 226, 120}, 2);
  return img;
}

Image DrawAboutLogo(int w, int h) {
  Canvas cv(w, h, 4);
  Path badge;
  badge.Rect(2, 2, F(w) - 4, F(h) - 4, 14);
  cv.Fill(badge, Radial({30, 24}, 80, Hex(0x243C8C), Hex(0x060A24)));
  Rng rng(145);
  for (int i = 0; i < 24; ++i) {
    Path s;
    s.Circle({rng.Range(8, F(w) - 8), rng.Range(8, F(h) - 8)}, rng.Range(0.4f, 0.8f));
    cv.Fill(s, Hex(0xFFFFFF), rng.Range(0.5f, 1));
  }
  CrescentMoon(cv, {36, 42}, 24, -2.7f, Hex(0xFFEDB0));
  Twinkle(cv, {60, 22}, 9, Hex(0xFFF4C8));
  Twinkle(cv, {62, 56}, 6, Hex(0xDDE8FF));
  Path ring;
  ring.Stroke({{2, 16}, {2, 16}}, 0);
  Path border;
  border.Rect(2, 2, F(w) - 4, F(h) - 4, 14).Rect(4.5f, 4.5f, F(w) - 9, F(h) - 9, 12, true);
  cv.Fill(border, Hex(0xE8C060));
  Image img = cv.Resolve();
  DrawText(img, (w - TextWidth("LUMIVEX", 1)) / 2, h - 16, "LUMIVEX", Rgb8{255, 226, 140}, 1);
  return img;
}

Image DrawAboutUpdate(int w, int h) {
  // A rocket lifting off: a newer version is out there.
  Canvas cv(w, h, 4);
  NightSky(cv, 156, Hex(0x040820), Hex(0x1A2E66), 30);
  Vec c{56, 38};
  float a = 0.6f;  // leaning to the upper right
  Path trail;
  trail.Poly({{c.x - 6, c.y + 14}, {c.x + 2, c.y + 18}, {c.x - 40, c.y + 60}, {c.x - 54, c.y + 52}});
  cv.Fill(trail, Linear({c.x, c.y + 16}, Hex(0xFFE0A0), {c.x - 50, c.y + 58}, Hex(0x1A2E66)));
  Path flame;
  flame.Poly({{c.x - 4, 22}, {c.x + 4, 22}, {c.x, 40}});
  cv.Fill(flame.Moved(0, 0).Rotated(c, a).Moved(0, 18), Hex(0xFF8A2A));
  Path rocket;
  rocket.Ellipse(c, 7, 20);
  rocket.Poly({{c.x - 7, c.y + 8}, {c.x - 14, c.y + 20}, {c.x - 5, c.y + 16}});
  rocket.Poly({{c.x + 7, c.y + 8}, {c.x + 14, c.y + 20}, {c.x + 5, c.y + 16}});
  Ink(cv, rocket.Rotated(c, a), Linear({c.x - 7, 0}, Hex(0xFFFFFF), {c.x + 10, 0}, Hex(0xA8B4C8)), Hex(0x4A5468), 1.2f);
  Path nose;
  nose.Poly(ArcPoints({c.x, c.y - 8}, 7, 12, kPi, 2 * kPi, 12));
  cv.Fill(nose.Rotated(c, a), Hex(0xE03A3A));
  Path window;
  window.Circle({c.x, c.y - 2}, 3.4f);
  cv.Fill(window.Rotated(c, a), Hex(0x4AB8FF));
  Path fins;
  fins.Poly({{c.x - 7, c.y + 8}, {c.x - 14, c.y + 20}, {c.x - 5, c.y + 16}})
      .Poly({{c.x + 7, c.y + 8}, {c.x + 14, c.y + 20}, {c.x + 5, c.y + 16}});
  cv.Fill(fins.Rotated(c, a), Hex(0xE03A3A));
  Path arrow;
  arrow.Poly({{86, 6}, {96, 18}, {90, 18}, {90, 30}, {82, 30}, {82, 18}, {76, 18}});
  cv.Fill(arrow, Hex(0x5AE05A));
  return cv.Resolve();
}

namespace {
void Envelope(Canvas& cv, float x, float y, float w, float h, bool stamp) {
  Path body;
  body.Rect(x, y, w, h, 2);
  Ink(cv, body, Linear({x, y}, Hex(0xFFFFFF), {x, y + h}, Hex(0xDDE4EE)), Hex(0x6A7890), 1.6f);
  Path flap;
  flap.Poly({{x + 1, y + 1}, {x + w - 1, y + 1}, {x + w / 2, y + h * 0.58f}});
  cv.Fill(flap, Linear({x, y}, Hex(0xF0F4FA), {x, y + h * 0.6f}, Hex(0xC8D2E0)));
  Path folds;
  folds.Stroke({{x + 1, y + 1}, {x + w / 2, y + h * 0.58f}, {x + w - 1, y + 1}}, 1.2f);
  folds.Line({x + 1, y + h - 1}, {x + w * 0.4f, y + h * 0.5f}, 1.0f);
  folds.Line({x + w - 1, y + h - 1}, {x + w * 0.6f, y + h * 0.5f}, 1.0f);
  cv.Fill(folds, Hex(0x8A98B0));
  if (stamp) {
    Path st;
    st.Rect(x + w - w * 0.26f, y + h * 0.08f, w * 0.18f, h * 0.26f, 1);
    cv.Fill(st, Hex(0x3A7AD0));
    cv.Fill(StarPath({x + w - w * 0.17f, y + h * 0.22f}, w * 0.065f, w * 0.028f), Hex(0xFFE04A));
  }
}
}  // namespace

Image DrawAboutContact(int w, int h) {
  Canvas cv(w, h, 4);
  cv.Shade(Linear({0, 0}, Hex(0x0E1A46), {0, F(h)}, Hex(0x24408A)));
  Envelope(cv, 8, 34, 62, 42, false);
  Path seal = HeartPath({39, 58}, 14);
  cv.Fill(seal, Hex(0xE0283A));
  Path bubble;
  bubble.Rect(54, 4, 42, 26, 10);
  bubble.Poly({{62, 28}, {70, 28}, {58, 40}});
  Ink(cv, bubble, Hex(0xFFE46A), Hex(0xC08A10), 1.6f);
  Image img = cv.Resolve();
  DrawText(img, 75 - TextWidth("HI!", 2) / 2, 10, "HI!", Rgb8{120, 60, 0}, 2);
  return img;
}

Image DrawAboutGoodbye(int w, int h) {
  // A star walking off with its bundle, waving goodbye.
  Canvas cv(w, h, 4);
  cv.Shade(Linear({0, 0}, Hex(0x070B26), {0, F(h)}, Hex(0x20306A)));
  Hills(cv, 86, 3, Hex(0x0E1A14), 158);
  Vec c{40, 52};
  Path stick;
  stick.Line({c.x + 14, c.y + 4}, {c.x + 40, c.y - 30}, 2);
  cv.Fill(stick, Hex(0x9A6432));
  Path bundle;
  bundle.Circle({c.x + 40, c.y - 30}, 8);
  Ink(cv, bundle, Hex(0xD8403A), Hex(0x8A1A1A), 1.2f);
  Path dots;
  dots.Circle({c.x + 37, c.y - 32}, 1.3f).Circle({c.x + 43, c.y - 28}, 1.3f).Circle({c.x + 41, c.y - 35}, 1.3f);
  cv.Fill(dots, Hex(0xFFFFFF));
  Path legs;
  legs.Stroke({{c.x - 6, c.y + 22}, {c.x - 10, c.y + 34}}, 4).Stroke({{c.x + 6, c.y + 22}, {c.x + 12, c.y + 33}}, 4);
  cv.Fill(legs, Hex(0xE0A820));
  Ink(cv, StarPath(c, 30, 14), Radial({c.x - 8, c.y - 10}, 40, Hex(0xFFF2A0), Hex(0xF0B820)), Hex(0xB07A10), 1.6f);
  Face(cv, {c.x, c.y + 2}, 13, false);
  Path tear;
  tear.Circle({c.x - 5, c.y + 5}, 1.6f);
  cv.Fill(tear, Hex(0x6AC8FF));
  Image img = cv.Resolve();
  DrawText(img, (w - TextWidth("BYE!", 1)) / 2 + 26, 88, "BYE!", Rgb8{255, 230, 160}, 1);
  return img;
}

Image DrawTelescope(int w, int h) {
  Canvas cv(w, h, 3);
  NightSky(cv, 124, Hex(0x030616), Hex(0x1A2C5E), 120, 1.4f);
  SmallMoon(cv, {140, 40}, 18, 124);
  Twinkle(cv, {40, 30}, 8, Hex(0xFFF4C8));
  Twinkle(cv, {96, 18}, 5, Hex(0xDDE8FF));
  Hills(cv, 160, 8, Hex(0x0C1A10), 124);
  Vec pivot{92, 120};
  Path legs;
  legs.Line(pivot, {66, 172}, 3.5f).Line(pivot, {118, 172}, 3.5f).Line(pivot, {94, 176}, 3.5f);
  cv.Fill(legs, Hex(0x8A6A4A));
  Path tube;
  tube.Rect(pivot.x - 44, pivot.y - 10, 96, 18, 3);
  Path t = tube.Rotated(pivot, -0.55f);
  Ink(cv, t, Linear({0, pivot.y - 40}, Hex(0xE8ECF4), {0, pivot.y + 30}, Hex(0x7A8498)), Hex(0x2A3040), 2);
  Path bands;
  bands.Rect(pivot.x + 38, pivot.y - 12, 10, 22, 2).Rect(pivot.x - 8, pivot.y - 11, 6, 20, 1);
  cv.Fill(bands.Rotated(pivot, -0.55f), Hex(0xC89A3A));
  Path eyepiece;
  eyepiece.Rect(pivot.x - 54, pivot.y - 5, 12, 8, 2);
  cv.Fill(eyepiece.Rotated(pivot, -0.55f), Hex(0x2A3040));
  return cv.Resolve();
}

Image DrawHouseAtNight(int w, int h) {
  Canvas cv(w, h, 3);
  NightSky(cv, 125, Hex(0x02040F), Hex(0x1C2E66), 140, 1.4f);
  SmallMoon(cv, {128, 52}, 26, 125);
  Hills(cv, 196, 10, Hex(0x0A1A12), 125);
  // A tall tree.
  Path trunk;
  trunk.Poly({{30, 230}, {36, 140}, {42, 140}, {48, 230}});
  cv.Fill(trunk, Hex(0x2A1A10));
  Path crown;
  crown.Circle({39, 128}, 26).Circle({24, 146}, 18).Circle({56, 146}, 18).Circle({40, 100}, 20);
  cv.Fill(crown, Hex(0x0E2A1A));
  // The house with one warm window.
  Path house;
  house.Rect(78, 176, 76, 58);
  cv.Fill(house, Hex(0x3A2E4A));
  Path roof;
  roof.Poly({{70, 178}, {116, 140}, {162, 178}});
  cv.Fill(roof, Hex(0x5A2A2A));
  Path chimney;
  chimney.Rect(136, 146, 10, 22);
  cv.Fill(chimney, Hex(0x4A2222));
  Path glow;
  glow.Circle({98, 198}, 24);
  cv.Fill(glow, Glow({98, 198}, 24, Hex(0xFFC860), 0.5f));
  Path window;
  window.Rect(88, 188, 20, 20);
  cv.Fill(window, Radial({98, 198}, 16, Hex(0xFFF0A0), Hex(0xF0A030)));
  Path cross;
  cross.Line({98, 188}, {98, 208}, 1.6f).Line({88, 198}, {108, 198}, 1.6f);
  cv.Fill(cross, Hex(0x3A2E4A));
  Path dark;
  dark.Rect(126, 188, 18, 18);
  cv.Fill(dark, Hex(0x1A1628));
  Path door;
  door.Rect(116, 208, 12, 26, 2);
  cv.Fill(door, Hex(0x22182E));
  Path ground;
  ground.Rect(0, 232, F(w), F(h) - 232);
  cv.Fill(ground, Hex(0x081208));
  return cv.Resolve();
}

Image DrawAlarmClock(int w, int h) {
  Canvas cv(w, h, 4);
  cv.Shade(Linear({0, 0}, Hex(0x0A1036), {0, F(h)}, Hex(0x26306A)));
  Vec c{37.5f, 56};
  Path bells;
  bells.Circle({c.x - 22, c.y - 30}, 10).Circle({c.x + 22, c.y - 30}, 10);
  cv.Fill(bells, Linear({0, c.y - 40}, Hex(0xFFE07A), {0, c.y - 20}, Hex(0xC08A20)));
  Path hammer;
  hammer.Line({c.x, c.y - 34}, {c.x, c.y - 42}, 2).Circle({c.x, c.y - 43}, 2.4f);
  cv.Fill(hammer, Hex(0xC08A20));
  Path feet;
  feet.Line({c.x - 18, c.y + 26}, {c.x - 26, c.y + 40}, 4).Line({c.x + 18, c.y + 26}, {c.x + 26, c.y + 40}, 4);
  cv.Fill(feet, Hex(0xC08A20));
  Path body;
  body.Circle(c, 32);
  cv.Fill(body, Linear({0, c.y - 32}, Hex(0xFF6A5A), {0, c.y + 32}, Hex(0xB02A2A)));
  Path dial;
  dial.Circle(c, 26);
  cv.Fill(dial, Hex(0x101838));
  Rng rng(126);
  for (int i = 0; i < 10; ++i) {
    Path s;
    float a = rng.Range(0, 2 * kPi), r = rng.Range(6, 22);
    s.Circle({c.x + std::cos(a) * r, c.y + std::sin(a) * r}, 0.6f);
    cv.Fill(s, Hex(0xFFFFFF), 0.8f);
  }
  CrescentMoon(cv, {c.x + 9, c.y + 10}, 6, -2.6f, Hex(0xFFEDB0));
  Path ticks;
  for (int i = 0; i < 12; ++i) {
    float a = F(i) * kPi / 6;
    float r0 = i % 3 ? 22.5f : 20.0f;
    ticks.Line({c.x + std::cos(a) * r0, c.y + std::sin(a) * r0}, {c.x + std::cos(a) * 24.5f, c.y + std::sin(a) * 24.5f},
               i % 3 ? 1.0f : 1.8f);
  }
  cv.Fill(ticks, Hex(0xFFE8A0));
  Path hands;
  hands.Line(c, {c.x - 9, c.y - 9}, 2.4f).Line(c, {c.x, c.y - 19}, 1.6f);
  cv.Fill(hands, Hex(0xFFFFFF));
  Path hub;
  hub.Circle(c, 2);
  cv.Fill(hub, Hex(0xFFE8A0));
  return cv.Resolve();
}

Image DrawEnvelope(int w, int h) {
  Canvas cv(w, h, 4);
  cv.Shade(Radial({40, 42}, 60, Hex(0x24408A), Hex(0x080E2A)));
  Envelope(cv, 6, 24, 68, 46, true);
  Path badge;
  badge.Circle({64, 22}, 11);
  Ink(cv, badge, Hex(0xE8283A), Hex(0xFFFFFF), 2);
  Image img = cv.Resolve();
  DrawText(img, 64 - TextWidth("1", 2) / 2 + 1, 15, "1", Rgb8{255, 255, 255}, 2);
  return img;
}

Image DrawAirplaneNight(int w, int h) {
  Canvas cv(w, h, 4);
  NightSky(cv, 159, Hex(0x02040E), Hex(0x162650), 60);
  Cloud(cv, {36, 74}, 30, Hex(0x2A3A66), 0.8f);
  Cloud(cv, {118, 80}, 36, Hex(0x26345C), 0.8f);
  Vec p{76, 40};
  Path body;
  body.Ellipse(p, 42, 6.5f);
  body.Poly({{p.x - 34, p.y - 2}, {p.x - 44, p.y - 22}, {p.x - 36, p.y - 22}, {p.x - 22, p.y - 3}});
  body.Poly({{p.x - 4, p.y + 2}, {p.x - 22, p.y + 26}, {p.x - 12, p.y + 26}, {p.x + 14, p.y + 2}});
  body.Poly({{p.x - 6, p.y - 2}, {p.x - 16, p.y - 14}, {p.x - 10, p.y - 14}, {p.x + 8, p.y - 2}});
  cv.Fill(body, Linear({0, p.y - 20}, Hex(0xC8D0E0), {0, p.y + 20}, Hex(0x5A6480)));
  Path windows;
  for (int i = 0; i < 12; ++i) windows.Circle({p.x - 22 + F(i) * 4.5f, p.y - 1.5f}, 1);
  cv.Fill(windows, Hex(0xFFE6A0));
  Path cockpit;
  cockpit.Ellipse({p.x + 36, p.y - 2}, 4, 2, 0.3f);
  cv.Fill(cockpit, Hex(0x2A3A5A));
  Path red, green, white;
  red.Circle({p.x - 17, p.y + 25}, 4);
  green.Circle({p.x - 15, p.y - 14}, 3);
  white.Circle({p.x - 44, p.y - 22}, 3);
  cv.Fill(red, Glow({p.x - 17, p.y + 25}, 4, Hex(0xFF3030), 1));
  cv.Fill(green, Glow({p.x - 15, p.y - 14}, 3, Hex(0x40FF60), 1));
  cv.Fill(white, Glow({p.x - 44, p.y - 22}, 3, Hex(0xFFFFFF), 1));
  return cv.Resolve();
}

Image DrawCuckooClock(int w, int h) {
  Canvas cv(w, h, 4);
  cv.Shade(Linear({0, 0}, Hex(0x0C1236), {0, F(h)}, Hex(0x24306A)));
  float cx = 50;
  Path roof;
  roof.Poly({{cx - 40, 34}, {cx, 4}, {cx + 40, 34}, {cx + 34, 38}, {cx, 12}, {cx - 34, 38}});
  cv.Fill(roof, Hex(0x3A6A2A));
  Path house;
  house.Poly({{cx - 30, 34}, {cx, 12}, {cx + 30, 34}, {cx + 30, 82}, {cx - 30, 82}});
  cv.Fill(house, Linear({cx - 30, 0}, Hex(0xA86A3A), {cx + 30, 0}, Hex(0x6A4020)));
  Path door;
  door.Rect(cx - 8, 20, 16, 14, 6);
  cv.Fill(door, Hex(0x2A1A10));
  // The bird, popping out to call the hour.
  Path bird;
  bird.Ellipse({cx + 6, 27}, 9, 5).Circle({cx + 13, 23}, 4.2f);
  cv.Fill(bird, Hex(0x4AA8E0));
  Path beak;
  beak.Poly({{cx + 16.5f, 22}, {cx + 23, 23.5f}, {cx + 16.5f, 25}});
  cv.Fill(beak, Hex(0xF0A020));
  Path eye;
  eye.Circle({cx + 14, 22}, 0.9f);
  cv.Fill(eye, Hex(0x101010));
  Path dial;
  dial.Circle({cx, 56}, 17);
  cv.Fill(dial, Hex(0xFFF6DC));
  Path ticks;
  for (int i = 0; i < 12; ++i) {
    float a = F(i) * kPi / 6;
    ticks.Line({cx + std::cos(a) * 13, 56 + std::sin(a) * 13}, {cx + std::cos(a) * 15.5f, 56 + std::sin(a) * 15.5f}, 1.2f);
  }
  ticks.Line({cx, 56}, {cx, 44}, 1.8f).Line({cx, 56}, {cx + 8, 56}, 2.2f);
  cv.Fill(ticks, Hex(0x3A2A1A));
  Path chains;
  chains.Line({cx - 12, 82}, {cx - 12, 92}, 1).Line({cx + 12, 82}, {cx + 12, 88}, 1);
  cv.Fill(chains, Hex(0xC8A050));
  Path weights;
  weights.Ellipse({cx - 12, 95}, 3, 4.5f).Ellipse({cx + 12, 91}, 3, 4.5f);
  cv.Fill(weights, Hex(0xC8A050));
  Path pend;
  pend.Line({cx, 82}, {cx + 4, 94}, 1).Circle({cx + 4, 95}, 3.5f);
  cv.Fill(pend, Hex(0xE8C060));
  Path notes;
  notes.Circle({cx + 32, 12}, 2.4f).Line({cx + 34, 12}, {cx + 34, 3}, 1);
  notes.Circle({cx + 40, 20}, 2.4f).Line({cx + 42, 20}, {cx + 42, 11}, 1);
  cv.Fill(notes, Hex(0xFFE46A));
  return cv.Resolve();
}

Image DrawSeaMusic(int w, int h) {
  Canvas cv(w, h, 4);
  NightSky(cv, 166, Hex(0x03061A), Hex(0x1E3470), 50);
  SmallMoon(cv, {112, 34}, 16, 166);
  Path sea;
  sea.Rect(0, 78, F(w), F(h) - 78);
  cv.Fill(sea, Linear({0, 78}, Hex(0x0E2450), {0, F(h)}, Hex(0x040A1C)));
  Path path;
  for (int i = 0; i < 9; ++i) {
    float y = 82 + F(i) * 4.5f, half = 6 + F(i) * 2.5f;
    path.Line({112 - half, y}, {112 + half, y}, 1.4f);
  }
  cv.Fill(path, Hex(0xFFF0C0), 0.6f);
  Path waves;
  for (int r = 0; r < 4; ++r) {
    std::vector<Vec> wv;
    for (int i = 0; i <= 40; ++i)
      wv.push_back({F(i) * 4, 86 + F(r) * 9 + std::sin(F(i) * 0.9f + F(r)) * 1.5f});
    waves.Stroke(wv, 1);
  }
  cv.Fill(waves, Hex(0x5A8AD0), 0.5f);
  auto note = [&](Vec p, float s, bool pair) {
    Path n;
    n.Ellipse(p, s * 0.5f, s * 0.36f, -0.4f);
    n.Line({p.x + s * 0.42f, p.y - s * 0.1f}, {p.x + s * 0.42f, p.y - s * 2}, s * 0.16f);
    if (pair) {
      n.Ellipse({p.x + s * 1.4f, p.y + s * 0.2f}, s * 0.5f, s * 0.36f, -0.4f);
      n.Line({p.x + s * 1.82f, p.y + s * 0.1f}, {p.x + s * 1.82f, p.y - s * 1.8f}, s * 0.16f);
      n.Line({p.x + s * 0.42f, p.y - s * 2}, {p.x + s * 1.82f, p.y - s * 1.8f}, s * 0.4f);
    } else {
      n.Stroke({{p.x + s * 0.42f, p.y - s * 2}, {p.x + s * 0.9f, p.y - s * 1.4f}, {p.x + s * 0.8f, p.y - s}}, s * 0.16f);
    }
    cv.Fill(n, Hex(0xFFE08A));
  };
  note({22, 50}, 9, true);
  note({60, 30}, 8, false);
  note({78, 60}, 7, false);
  return cv.Resolve();
}

Image DrawMilkyWay(int w, int h) {
  Canvas cv(w, h, 3);
  NightSky(cv, 184, Hex(0x010210), Hex(0x14224C), 260, 1.2f);
  // A diagonal band of faint light with dark lanes.
  cv.Map([](Rgb p, float x, float y) {
    float d = (y - (215 - 0.8f * x)) / 36.0f;
    float band = std::exp(-d * d) * (0.55f + 0.7f * (Fbm(x / 18, y / 18, 5, 184) - 0.5f));
    float lane = SmoothStep(0.55f, 0.7f, Fbm(x / 9 + 3, y / 9, 4, 185)) * std::exp(-d * d * 4);
    float k = Clamp01(band - lane * 0.6f) * 0.75f;
    return Rgb{p.r + k * 0.85f, p.g + k * 0.8f, p.b + k * 0.9f};
  });
  Rng rng(1840);
  for (int i = 0; i < 6; ++i) Twinkle(cv, {rng.Range(10, 236), rng.Range(10, 150)}, rng.Range(3, 6), Hex(0xEEF2FF));
  // Mountains and their reflection in a still lake.
  Path far;
  far.Poly({{0, 190}, {40, 150}, {70, 170}, {110, 128}, {150, 168}, {190, 140}, {246, 182}, {246, 200}, {0, 200}});
  cv.Fill(far, Hex(0x18203A));
  Path snow;
  snow.Poly({{100, 139}, {110, 128}, {121, 140}, {114, 137}, {108, 141}});
  cv.Fill(snow, Hex(0x8A96B8));
  Path near;
  near.Poly({{0, 200}, {30, 176}, {60, 190}, {96, 170}, {140, 196}, {180, 178}, {246, 200}});
  cv.Fill(near, Hex(0x0C1222));
  Path lake;
  lake.Rect(0, 200, 246, 68);
  cv.Fill(lake, Linear({0, 200}, Hex(0x101C3E), {0, 268}, Hex(0x02040C)));
  Path shine;
  for (int i = 0; i < 14; ++i) {
    float y = 206 + F(i) * 4.4f;
    float x = 40 + std::fmod(F(i) * 47.0f, 170.0f);
    shine.Line({x, y}, {x + 10 + F(i % 4) * 4, y}, 0.9f);
  }
  cv.Fill(shine, Hex(0xB8C8F0), 0.35f);
  Path reflect;
  reflect.Poly({{0, 200}, {30, 224}, {60, 210}, {96, 230}, {140, 204}, {180, 222}, {246, 200}});
  cv.Fill(reflect, Hex(0x0A1020), 0.8f);
  return cv.Resolve();
}

Image DrawShootingStar(int w, int h) {
  Canvas cv(w, h, 4);
  NightSky(cv, 193, Hex(0x02030C), Hex(0x121E46), 45);
  Vec head{84, 22};
  Path tail;
  tail.Poly({{head.x - 2, head.y - 3}, {head.x + 2, head.y + 3}, {8, 78}, {4, 74}});
  cv.Fill(tail, Linear(head, Hex(0xFFF4C8), {6, 76}, Hex(0x121E46)));
  Path tail2;
  tail2.Line({head.x - 4, head.y + 4}, {30, 70}, 1);
  cv.Fill(tail2, Hex(0xCFE0FF), 0.4f);
  Path glow;
  glow.Circle(head, 14);
  cv.Fill(glow, Glow(head, 14, Hex(0xFFF0C0), 0.7f));
  cv.Fill(StarPath(head, 9, 3.8f, 5, 0.3f), Hex(0xFFFFFF));
  return cv.Resolve();
}

Image DrawSleepyMoon(int w, int h) {
  // The sleep reminder: a crescent moon in a nightcap, dozing on a cloud.
  Canvas cv(w, h, 4);
  NightSky(cv, 194, Hex(0x050826), Hex(0x22306A), 30);
  Cloud(cv, {52, 64}, 34, Hex(0xC8D2F0), 0.95f);
  Vec c{48, 36};
  cv.Fill(CrescentPath(c, 26, 22, 14, -0.6f), Radial({c.x - 10, c.y}, 30, Hex(0xFFF4C0), Hex(0xF0C850)));
  Path eye;
  eye.Stroke(ArcPoints({35, 34}, 3.4f, 2.2f, 0.2f, kPi - 0.2f, 8), 1.4f);
  cv.Fill(eye, Hex(0x6A4A10));
  Path cap;
  cap.Poly({{30, 16}, {50, 6}, {74, 10}, {84, 22}, {60, 14}, {38, 22}});
  cv.Fill(cap, Hex(0x4A7AE0));
  Path pompom;
  pompom.Circle({85, 24}, 4);
  cv.Fill(pompom, Hex(0xFFFFFF));
  Image img = cv.Resolve();
  DrawText(img, 80, 34, "Z", Rgb8{220, 230, 255}, 2);
  DrawText(img, 94, 22, "Z", Rgb8{200, 210, 255}, 1);
  DrawText(img, 100, 12, "Z", Rgb8{180, 190, 240}, 1);
  return img;
}

Image DrawMailbox(int w, int h) {
  Canvas cv(w, h, 5);
  cv.Shade(Linear({0, 0}, Hex(0x0A1030), {0, F(h)}, Hex(0x24306A)));
  Path post;
  post.Rect(19, 30, 7, 28);
  cv.Fill(post, Hex(0x7A5230));
  Path box;
  box.Rect(5, 14, 34, 20, 3);
  box.Ellipse({22, 14}, 17, 9);
  Ink(cv, box, Linear({0, 6}, Hex(0x5A9AE8), {0, 34}, Hex(0x2A5AA8)), Hex(0x16305A), 1.4f);
  Path slot;
  slot.Rect(10, 20, 16, 3, 1);
  cv.Fill(slot, Hex(0x10203A));
  Path flag;
  flag.Line({38, 26}, {38, 6}, 1.8f).Rect(38, 5, 6, 6);
  cv.Fill(flag, Hex(0xE83A3A));
  Path letter;
  letter.Rect(12, 15, 11, 6);
  cv.Fill(letter, Hex(0xFFFFFF));
  return cv.Resolve();
}

Image DrawSaturn(int w, int h) {
  Canvas cv(w, h, 3);
  NightSky(cv, 200, Hex(0x010208), Hex(0x0C1434), 110, 1.3f);
  Vec c{90, 104};
  float tilt = -0.35f;
  auto ring = [&](bool back) {
    for (int i = 0; i < 4; ++i) {
      float r = 62 + F(i) * 6;
      std::vector<Vec> arc = ArcPoints(c, r, r * 0.28f, back ? kPi : 0, back ? 2 * kPi : kPi, 48);
      Path p;
      p.Stroke(arc, i == 1 ? 2.0f : 4.5f);
      const std::uint32_t cols[] = {0xD8C49A, 0x8A7A5A, 0xE8D8B0, 0xB8A47A};
      cv.Fill(p.Rotated(c, tilt), Hex(cols[i]), back ? 0.7f : 0.95f);
    }
  };
  ring(true);
  Path planet;
  planet.Circle(c, 44);
  cv.Fill(planet, [=](float x, float y) {
    float u = (x - c.x) / 44, v = (y - c.y) / 44;
    float bandV = v * std::cos(tilt) - u * std::sin(tilt);
    float bands = 0.5f + 0.5f * std::sin(bandV * 14 + Fbm(u * 3, v * 3, 3, 200) * 2);
    Rgb col = Mix(Hex(0xE8C890), Hex(0xB88A50), bands * 0.6f);
    float light = Clamp01(0.3f + 0.8f * (-0.55f * u - 0.45f * v + 0.7f * std::sqrt(std::max(0.0f, 1 - u * u - v * v))));
    return Rgba{Scale(col, 0.35f + 0.75f * light), 1};
  });
  ring(false);
  SmallMoon(cv, {160, 40}, 7, 201);
  SmallMoon(cv, {24, 176}, 5, 202);
  return cv.Resolve();
}

}  // namespace lvx::resgen
