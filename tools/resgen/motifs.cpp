#include "tools/resgen/motifs.h"

#include <algorithm>
#include <cmath>

namespace lvx::resgen {

Path HeartPath(Vec c, float width, float angle) {
  // The classic parametric heart: 32 units wide, y up in the formula.
  float s = width / 32.0f;
  std::vector<Vec> pts;
  const int n = 160;
  for (int i = 0; i < n; ++i) {
    float t = 2 * kPi * static_cast<float>(i) / n;
    float x = 16 * std::pow(std::sin(t), 3.0f);
    float y = 13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t);
    pts.push_back({c.x + x * s, c.y - (y + 2.5f) * s});
  }
  Path p;
  p.Poly(pts);
  return angle == 0 ? p : p.Rotated(c, angle);
}

Path StarPath(Vec c, float ro, float ri, int points, float rotation) {
  std::vector<Vec> pts;
  for (int i = 0; i < points * 2; ++i) {
    float a = -kPi / 2 + rotation + kPi * static_cast<float>(i) / points;
    float r = i % 2 ? ri : ro;
    pts.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
  }
  Path p;
  p.Poly(pts);
  return p;
}

Path CrescentPath(Vec c, float r, float r2, float d, float angle) {
  Path p;
  if (d >= r + r2 || d <= 0) {
    p.Circle(c, r);
    return p;
  }
  float x0 = (d * d + r * r - r2 * r2) / (2 * d);
  if (x0 <= -r) return p;  // the cut swallows the disc
  if (x0 >= r) {
    p.Circle(c, r);
    return p;
  }
  float y0 = std::sqrt(r * r - x0 * x0);
  float a = std::atan2(y0, x0);
  std::vector<Vec> pts = ArcPoints({0, 0}, r, r, a, 2 * kPi - a, 64);
  float b = std::atan2(y0, x0 - d);
  Append(pts, ArcPoints({d, 0}, r2, r2, -b, b - 2 * kPi, 64));
  p.Poly(pts);
  float ca = std::cos(angle), sa = std::sin(angle);
  return p.Affine(ca, -sa, c.x, sa, ca, c.y);
}

Path DovePath(Vec c, float size) {
  // Drawn in a 100-unit box facing right, then scaled around its centre.
  Path p;
  p.Ellipse({54, 58}, 28, 12, -0.25f);                      // body
  p.Circle({80, 44}, 8.5f);                                  // head
  p.Poly({{87, 41}, {99, 45}, {87, 48}});                     // beak
  p.Poly({{34, 58}, {4, 52}, {0, 60}, {3, 68}, {8, 74}, {36, 66}});  // tail fan
  p.Poly({{40, 56}, {33, 40}, {24, 24}, {14, 8}, {22, 4}, {30, 12}, {33, 9}, {40, 18},
          {44, 14}, {50, 26}, {55, 22}, {59, 34}, {64, 32}, {66, 44}, {68, 52}});  // near wing
  float k = size / 100.0f;
  return p.Affine(k, 0, c.x - 50 * k, 0, k, c.y - 42 * k);
}

void Ink(Canvas& cv, const Path& p, Rgb fill, Rgb line, float width) {
  Path outline;
  for (const Path::Contour& k : p.Contours())
    if (!k.hole) outline.Stroke(k.pts, width, true);
  cv.Fill(outline, line);
  cv.Fill(p, fill);
}

void Ink(Canvas& cv, const Path& p, const Shader& fill, Rgb line, float width) {
  Path outline;
  for (const Path::Contour& k : p.Contours())
    if (!k.hole) outline.Stroke(k.pts, width, true);
  cv.Fill(outline, line);
  cv.Fill(p, fill);
}

void NightSky(Canvas& cv, std::uint32_t seed, Rgb top, Rgb bottom, int stars, float maxStar) {
  float w = static_cast<float>(cv.W()), h = static_cast<float>(cv.H());
  cv.Shade(Linear({0, 0}, top, {0, h}, bottom));
  Rng rng(seed);
  for (int i = 0; i < stars; ++i) {
    Vec p{rng.Range(1, w - 1), rng.Range(1, h - 1)};
    float r = rng.Range(0.25f, maxStar * 0.5f);
    float b = rng.Range(0.55f, 1.0f);
    Rgb col = Mix(Hex(0xFFFFFF), rng.Unit() < 0.5f ? Hex(0xBFD4FF) : Hex(0xFFF1C8), rng.Unit() * 0.6f);
    Path s;
    s.Circle(p, std::max(r, 0.35f));
    cv.Fill(s, col, b);
  }
}

void Twinkle(Canvas& cv, Vec c, float size, Rgb colour) {
  Path halo;
  halo.Circle(c, size * 0.55f);
  cv.Fill(halo, Glow(c, size * 0.55f, colour, 0.6f));
  float t = std::max(size * 0.09f, 0.35f);
  Path rays;
  rays.Poly({{c.x, c.y - size}, {c.x + t, c.y - t}, {c.x + size, c.y}, {c.x + t, c.y + t},
             {c.x, c.y + size}, {c.x - t, c.y + t}, {c.x - size, c.y}, {c.x - t, c.y - t}});
  cv.Fill(rays, colour);
  Path core;
  core.Circle(c, std::max(size * 0.14f, 0.4f));
  cv.Fill(core, Hex(0xFFFFFF));
}

void SmallMoon(Canvas& cv, Vec c, float r, std::uint32_t seed) {
  Path glow;
  glow.Circle(c, r * 1.8f);
  cv.Fill(glow, Glow(c, r * 1.8f, Hex(0xFFF6D8), 0.35f));
  Path disc;
  disc.Circle(c, r);
  cv.Fill(disc, [=](float x, float y) {
    float u = (x - c.x) / r, v = (y - c.y) / r;
    float n = Fbm(u * 2.2f + 3, v * 2.2f + 7, 4, seed);
    float mare = SmoothStep(0.52f, 0.62f, n) * 0.35f;
    float limb = 1 - 0.18f * (u * u + v * v);
    Rgb base = Mix(Hex(0xF6F1DE), Hex(0xB9B6A8), mare);
    return Rgba{Scale(base, limb), 1};
  });
}

void CrescentMoon(Canvas& cv, Vec c, float r, float angle, Rgb colour) {
  Path glow;
  glow.Circle(c, r * 1.7f);
  cv.Fill(glow, Glow(c, r * 1.7f, colour, 0.25f));
  cv.Fill(CrescentPath(c, r, r * 0.85f, r * 0.55f, angle), colour);
}

void Globe(Canvas& cv, Vec c, float r, std::uint32_t seed) {
  Path disc;
  disc.Circle(c, r);
  cv.Fill(disc, [=](float x, float y) {
    float u = (x - c.x) / r, v = (y - c.y) / r;
    float z2 = 1 - u * u - v * v;
    float z = z2 > 0 ? std::sqrt(z2) : 0;
    // Sample the noise on the sphere so the land bends with the surface.
    float lon = std::atan2(u, z), lat = std::asin(std::clamp(v, -1.0f, 1.0f));
    float n = Fbm(lon * 1.6f + 10, lat * 2.0f + 4, 5, seed);
    float land = SmoothStep(0.53f, 0.56f, n);
    Rgb sea = Mix(Hex(0x1E6FD0), Hex(0x57A8F0), Clamp01(0.4f - v * 0.4f));
    Rgb ground = Mix(Hex(0x3FA34D), Hex(0x8CBF4A), Clamp01(Fbm(u * 6, v * 6, 2, seed + 9)));
    if (std::fabs(lat) > 1.2f) ground = Hex(0xF2F6FA);
    Rgb col = Mix(sea, ground, land);
    float light = Clamp01(0.35f + 0.75f * (-0.5f * u - 0.55f * v + 0.67f * z));
    col = Scale(col, 0.45f + 0.7f * light);
    return Rgba{col, 1};
  });
  Path shine;
  shine.Ellipse({c.x - r * 0.38f, c.y - r * 0.42f}, r * 0.28f, r * 0.16f, -0.7f);
  cv.Fill(shine, Glow({c.x - r * 0.38f, c.y - r * 0.42f}, r * 0.3f, Hex(0xFFFFFF), 0.5f));
}

void Hills(Canvas& cv, float y, float amp, Rgb colour, std::uint32_t seed) {
  float w = static_cast<float>(cv.W()), h = static_cast<float>(cv.H());
  std::vector<Vec> pts{{-1, h + 1}};
  for (int i = 0; i <= 48; ++i) {
    float x = w * static_cast<float>(i) / 48.0f;
    float n = Fbm(x / w * 3.0f, 0.5f, 3, seed);
    pts.push_back({x, y + (1 - x / w) * 0 + amp * (n - 0.5f) * 2});
  }
  pts.push_back({w + 1, h + 1});
  Path p;
  p.Poly(pts);
  cv.Fill(p, colour);
}

}  // namespace lvx::resgen
