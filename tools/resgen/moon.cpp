// The moon: a full disc as seen from the northern hemisphere, with the dark
// maria where they really are, a few bright ray craters and soft limb
// darkening. The sky darkens the unlit part itself, so no phase is drawn.
#include <algorithm>
#include <cmath>

#include "tools/resgen/motifs.h"
#include "tools/resgen/pictures.h"

namespace lvx::resgen {

namespace {

struct Blob {
  float u, v, rx, ry, depth;
};

// Maria in disc coordinates (u right, v down, radius 1).
const Blob kMaria[] = {
    {-0.28f, -0.45f, 0.32f, 0.26f, 1.0f},   // Imbrium
    {-0.58f, 0.00f, 0.30f, 0.50f, 0.85f},   // Procellarum
    {-0.62f, -0.35f, 0.20f, 0.20f, 0.75f},  // Procellarum, north
    {0.22f, -0.36f, 0.17f, 0.16f, 1.0f},    // Serenitatis
    {0.36f, -0.04f, 0.22f, 0.17f, 0.95f},   // Tranquillitatis
    {0.00f, -0.25f, 0.14f, 0.10f, 0.75f},   // Vaporum
    {0.72f, -0.28f, 0.12f, 0.10f, 1.0f},    // Crisium
    {0.58f, 0.15f, 0.15f, 0.20f, 0.85f},    // Fecunditatis
    {0.38f, 0.32f, 0.10f, 0.09f, 0.8f},     // Nectaris
    {-0.18f, 0.33f, 0.20f, 0.16f, 0.8f},    // Nubium
    {-0.36f, 0.14f, 0.16f, 0.15f, 0.7f},    // Cognitum
    {-0.50f, 0.42f, 0.11f, 0.10f, 0.85f},   // Humorum
    {0.00f, -0.05f, 0.08f, 0.07f, 0.5f},    // Sinus Medii
    {-0.10f, -0.76f, 0.35f, 0.08f, 0.7f},   // Frigoris
    {0.25f, -0.72f, 0.18f, 0.07f, 0.55f},   // Frigoris, east
};

struct Crater {
  float u, v, r, bright, rays;
};

const Crater kNamed[] = {
    {-0.14f, 0.72f, 0.035f, 1.0f, 1.0f},   // Tycho
    {-0.32f, -0.16f, 0.035f, 0.8f, 0.6f},  // Copernicus
    {-0.60f, -0.12f, 0.02f, 0.6f, 0.35f},  // Kepler
    {-0.73f, -0.37f, 0.018f, 1.0f, 0.2f},  // Aristarchus
    {0.53f, 0.02f, 0.02f, 0.5f, 0.2f},     // Langrenus' neighbourhood
};

float MariaField(float u, float v) {
  float f = 0;
  // Ragged shores: the distance to every blob is disturbed by noise at two scales.
  float wob = (Fbm(u * 3 + 3.1f, v * 3 + 1.7f, 5, 77) - 0.5f) * 1.0f +
              (Fbm(u * 11 + 7.3f, v * 11 + 2.9f, 3, 78) - 0.5f) * 0.35f;
  for (const Blob& b : kMaria) {
    float du = (u - b.u) / b.rx, dv = (v - b.v) / b.ry;
    float d = std::sqrt(du * du + dv * dv) + wob;
    f = std::max(f, b.depth * (1 - SmoothStep(0.7f, 1.15f, d)));
  }
  // The lava plains are not evenly dark.
  return f * (0.75f + 0.5f * Fbm(u * 6 + 1, v * 6 + 4, 4, 79));
}

}  // namespace

Image DrawMoon(int w, int h) {
  // The sky treats pixel (X, Y) as inside when (X-50)^2 + (Y-50)^2 <= 50^2,
  // so the disc is centred on the middle of pixel (50, 50).
  const float R = 50;
  const Vec c{50.5f, 50.5f};
  Canvas cv(w, h, 4);
  Rng rng(116);
  std::vector<Crater> craters(std::begin(kNamed), std::end(kNamed));
  for (int i = 0; i < 110; ++i) {
    float u = rng.Range(-0.95f, 0.95f), v = rng.Range(-0.95f, 0.95f);
    if (u * u + v * v > 0.88f) continue;
    // Highland craters are many, above all in the south; the maria have few.
    if (MariaField(u, v) > 0.3f && rng.Unit() < 0.85f) continue;
    if (v < 0 && rng.Unit() < 0.4f) continue;
    craters.push_back({u, v, rng.Range(0.015f, 0.05f), rng.Range(0.3f, 0.8f), 0});
  }
  Path disc;
  disc.Circle(c, R);
  cv.Fill(disc, [&](float x, float y) {
    float u = (x - c.x) / R, v = (y - c.y) / R;
    float r2 = u * u + v * v;
    float mu = std::sqrt(std::max(0.0f, 1 - r2));
    float mare = MariaField(u, v);
    float grain = Fbm(u * 16 + 5, v * 16 + 9, 4, 11);
    float high = 0.80f + 0.14f * (grain - 0.5f) + 0.10f * (Fbm(u * 3, v * 3, 3, 5) - 0.5f);
    float low = 0.50f + 0.08f * (grain - 0.5f);
    float albedo = high + (low - high) * mare;
    for (const Crater& k : craters) {
      float du = u - k.u, dv = v - k.v;
      float d = std::sqrt(du * du + dv * dv) / k.r;
      if (d < 1.3f) {
        // Under a high sun craters show mostly as bright rims and pale floors.
        float rim = std::exp(-(d - 0.95f) * (d - 0.95f) * 14) * 0.08f * k.bright;
        float floor = d < 0.9f ? (du + dv < 0 ? -0.05f : 0.03f) * (1 - d) : 0;
        albedo += rim + floor;
      }
      if (k.rays > 0) {
        float dist = std::sqrt(du * du + dv * dv);
        float ang = std::atan2(dv, du);
        float ray = std::pow(std::max(0.0f, std::sin(ang * 9 + 1.3f) * std::sin(ang * 5 + 0.4f)), 6.0f);
        float fade = std::exp(-dist / (0.35f * k.rays));
        albedo += 0.13f * k.rays * (ray * fade + std::exp(-dist * dist / (k.r * k.r * 9)) * 0.8f);
      }
    }
    float limb = 0.72f + 0.28f * std::pow(mu, 0.45f);
    float g = Clamp01(albedo * limb);
    // A faint warm-cool split: highlands slightly warm, maria slightly blue-grey.
    Rgb col{g * (1.0f + 0.02f * (1 - mare)), g * (0.99f + 0.005f * mare), g * (0.95f + 0.05f * mare)};
    return Rgba{col, 1};
  });
  Image img = cv.Resolve();
  // The sky blackens everything outside the disc anyway; make the file agree.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int dx = x - 50, dy = y - 50;
      if (dx * dx + dy * dy > 2500) std::fill(img.At(x, y), img.At(x, y) + 3, 0);
    }
  return img;
}

}  // namespace lvx::resgen
