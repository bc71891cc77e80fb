// A small deterministic rasteriser: shapes are filled on a supersampled
// colour buffer and averaged down, which gives anti-aliased edges without
// any analytic coverage code.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace lvx::resgen {

struct Rgb {
  float r = 0, g = 0, b = 0;
};
struct Rgba {
  Rgb c;
  float a = 1;
};
struct Vec {
  float x = 0, y = 0;
};

Rgb Hex(std::uint32_t rrggbb);
Rgb Mix(Rgb a, Rgb b, float t);
Rgb Scale(Rgb a, float k);
float Clamp01(float v);
float SmoothStep(float e0, float e1, float x);

// Deterministic pseudo-random numbers (splitmix64); no global state.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  float Unit();                 // [0, 1)
  float Range(float lo, float hi);
  int Below(int n);             // 0 for n <= 0
 private:
  std::uint64_t state_;
};

// Smooth value noise in about [0, 1] and its fractal sum.
float Noise(float x, float y, std::uint32_t seed);
float Fbm(float x, float y, int octaves, std::uint32_t seed);

// Point lists for building outlines.
std::vector<Vec> ArcPoints(Vec c, float rx, float ry, float a0, float a1, int n);
std::vector<Vec> CubicPoints(Vec p0, Vec p1, Vec p2, Vec p3, int n);
std::vector<Vec> QuadPoints(Vec p0, Vec p1, Vec p2, int n);
// Appends b to a, skipping b's first point when it repeats a's last.
void Append(std::vector<Vec>& a, const std::vector<Vec>& b);

// A set of closed contours filled with the non-zero rule. Solid contours
// add, hole contours subtract from what they overlap in the same path.
class Path {
 public:
  Path& Poly(std::vector<Vec> pts, bool hole = false);
  Path& Circle(Vec c, float r, bool hole = false);
  Path& Ellipse(Vec c, float rx, float ry, float angle = 0, bool hole = false);
  Path& Rect(float x, float y, float w, float h, float radius = 0, bool hole = false);
  // A stroke of the given width with round joins and caps.
  Path& Stroke(const std::vector<Vec>& pts, float width, bool closed = false);
  Path& Line(Vec a, Vec b, float width);
  Path& Add(const Path& other);

  // Affine copies: x' = a*x + b*y + c, y' = d*x + e*y + f.
  Path Affine(float a, float b, float c, float d, float e, float f) const;
  Path Mirrored(float axisX) const;  // reflected about the vertical line x = axisX
  Path Rotated(Vec centre, float angle) const;
  Path Moved(float dx, float dy) const;
  Path Scaled(Vec centre, float k) const;

  struct Contour {
    std::vector<Vec> pts;
    bool hole = false;
  };
  const std::vector<Contour>& Contours() const { return contours_; }
  bool Empty() const { return contours_.empty(); }

 private:
  std::vector<Contour> contours_;
};

using Shader = std::function<Rgba(float x, float y)>;

Shader Linear(Vec p0, Rgb c0, Vec p1, Rgb c1);
Shader Radial(Vec centre, float radius, Rgb inner, Rgb outer);
// A soft round glow: full alpha `a0` at the centre fading to 0 at `radius`.
Shader Glow(Vec centre, float radius, Rgb c, float a0);

// 8-bit RGB picture, rows top to bottom.
struct Image {
  int w = 0, h = 0;
  std::vector<std::uint8_t> rgb;
  Image() = default;
  Image(int width, int height);
  std::uint8_t* At(int x, int y) { return &rgb[(static_cast<std::size_t>(y) * w + x) * 3]; }
  const std::uint8_t* At(int x, int y) const {
    return &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
  }
};

// One bit per pixel, rows top to bottom; 1 is lit.
struct Mono {
  int w = 0, h = 0;
  std::vector<std::uint8_t> bits;
  Mono() = default;
  Mono(int width, int height) : w(width), h(height), bits(static_cast<std::size_t>(width) * height) {}
  std::uint8_t& At(int x, int y) { return bits[static_cast<std::size_t>(y) * w + x]; }
  std::uint8_t At(int x, int y) const { return bits[static_cast<std::size_t>(y) * w + x]; }
  int Lit() const;
};

class Canvas {
 public:
  Canvas(int w, int h, int ss = 4, Rgb background = {});
  int W() const { return w_; }
  int H() const { return h_; }

  void Fill(const Path& path, Rgb c, float alpha = 1);
  void Fill(const Path& path, const Shader& shader);
  // Runs the shader over every sample of the canvas.
  void Shade(const Shader& shader);
  // Per-sample access for effects that read what is drawn.
  void Map(const std::function<Rgb(Rgb, float x, float y)>& f);

  Image Resolve() const;
  // Coverage >= half of a pixel's samples counts as lit (for 1-bit symbols).
  Mono Threshold(float level = 0.5f) const;

 private:
  template <typename Blend>
  void Raster(const Path& path, Blend&& blend);
  int w_, h_, ss_;
  std::vector<Rgb> px_;  // (w*ss) x (h*ss)
};

}  // namespace lvx::resgen
