#include "tools/resgen/raster.h"

#include <algorithm>
#include <cmath>

namespace lvx::resgen {

namespace {
constexpr float kPi = 3.14159265358979f;

float SignedArea(const std::vector<Vec>& p) {
  double a = 0;
  for (std::size_t i = 0, n = p.size(); i < n; ++i) {
    const Vec& u = p[i];
    const Vec& v = p[(i + 1) % n];
    a += static_cast<double>(u.x) * v.y - static_cast<double>(v.x) * u.y;
  }
  return static_cast<float>(a / 2);
}

std::uint32_t Hash(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x9E3779B1u;
  h ^= static_cast<std::uint32_t>(x) * 0x85EBCA77u;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE3Du;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}
}  // namespace

Rgb Hex(std::uint32_t v) {
  return {((v >> 16) & 255) / 255.0f, ((v >> 8) & 255) / 255.0f, (v & 255) / 255.0f};
}
Rgb Mix(Rgb a, Rgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scale(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
float SmoothStep(float e0, float e1, float x) {
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

std::uint64_t Rng::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}
float Rng::Unit() { return static_cast<float>(Next() >> 40) / 16777216.0f; }
float Rng::Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
int Rng::Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

float Noise(float x, float y, std::uint32_t seed) {
  float fx = std::floor(x), fy = std::floor(y);
  auto ix = static_cast<std::int32_t>(fx), iy = static_cast<std::int32_t>(fy);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto v = [&](std::int32_t a, std::int32_t b) { return (Hash(a, b, seed) >> 8) / 16777216.0f; };
  float top = v(ix, iy) + (v(ix + 1, iy) - v(ix, iy)) * tx;
  float bot = v(ix, iy + 1) + (v(ix + 1, iy + 1) - v(ix, iy + 1)) * tx;
  return top + (bot - top) * ty;
}

float Fbm(float x, float y, int octaves, std::uint32_t seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * Noise(x, y, seed + static_cast<std::uint32_t>(i) * 101u);
    norm += amp;
    x = x * 2.03f + 17.1f;
    y = y * 2.03f + 5.7f;
    amp *= 0.5f;
  }
  return sum / norm;
}

std::vector<Vec> ArcPoints(Vec c, float rx, float ry, float a0, float a1, int n) {
  std::vector<Vec> out;
  for (int i = 0; i <= n; ++i) {
    float a = a0 + (a1 - a0) * static_cast<float>(i) / static_cast<float>(n);
    out.push_back({c.x + rx * std::cos(a), c.y + ry * std::sin(a)});
  }
  return out;
}

std::vector<Vec> CubicPoints(Vec p0, Vec p1, Vec p2, Vec p3, int n) {
  std::vector<Vec> out;
  for (int i = 0; i <= n; ++i) {
    float t = static_cast<float>(i) / static_cast<float>(n), u = 1 - t;
    float a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    out.push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x,
                   a * p0.y + b * p1.y + c * p2.y + d * p3.y});
  }
  return out;
}

std::vector<Vec> QuadPoints(Vec p0, Vec p1, Vec p2, int n) {
  std::vector<Vec> out;
  for (int i = 0; i <= n; ++i) {
    float t = static_cast<float>(i) / static_cast<float>(n), u = 1 - t;
    out.push_back({u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
                   u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
  }
  return out;
}

void Append(std::vector<Vec>& a, const std::vector<Vec>& b) {
  std::size_t start = 0;
  if (!a.empty() && !b.empty() && a.back().x == b.front().x && a.back().y == b.front().y) start = 1;
  a.insert(a.end(), b.begin() + static_cast<std::ptrdiff_t>(start), b.end());
}

Path& Path::Poly(std::vector<Vec> pts, bool hole) {
  if (pts.size() >= 3) contours_.push_back({std::move(pts), hole});
  return *this;
}

Path& Path::Circle(Vec c, float r, bool hole) { return Ellipse(c, r, r, 0, hole); }

Path& Path::Ellipse(Vec c, float rx, float ry, float angle, bool hole) {
  int n = std::clamp(static_cast<int>(std::max(rx, ry) * 3), 16, 256);
  std::vector<Vec> pts;
  float ca = std::cos(angle), sa = std::sin(angle);
  for (int i = 0; i < n; ++i) {
    float t = 2 * kPi * static_cast<float>(i) / static_cast<float>(n);
    float x = rx * std::cos(t), y = ry * std::sin(t);
    pts.push_back({c.x + x * ca - y * sa, c.y + x * sa + y * ca});
  }
  return Poly(std::move(pts), hole);
}

Path& Path::Rect(float x, float y, float w, float h, float radius, bool hole) {
  if (radius <= 0) return Poly({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}, hole);
  radius = std::min({radius, w / 2, h / 2});
  std::vector<Vec> pts;
  Append(pts, ArcPoints({x + w - radius, y + radius}, radius, radius, -kPi / 2, 0, 8));
  Append(pts, ArcPoints({x + w - radius, y + h - radius}, radius, radius, 0, kPi / 2, 8));
  Append(pts, ArcPoints({x + radius, y + h - radius}, radius, radius, kPi / 2, kPi, 8));
  Append(pts, ArcPoints({x + radius, y + radius}, radius, radius, kPi, 3 * kPi / 2, 8));
  return Poly(std::move(pts), hole);
}

Path& Path::Line(Vec a, Vec b, float width) { return Stroke({a, b}, width); }

Path& Path::Stroke(const std::vector<Vec>& pts, float width, bool closed) {
  float r = width / 2;
  std::size_t n = pts.size();
  if (n == 0) return *this;
  std::size_t segs = closed ? n : n - 1;
  for (std::size_t i = 0; i < segs; ++i) {
    Vec a = pts[i], b = pts[(i + 1) % n];
    float dx = b.x - a.x, dy = b.y - a.y, len = std::sqrt(dx * dx + dy * dy);
    if (len < 1e-6f) continue;
    float nx = -dy / len * r, ny = dx / len * r;
    Poly({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
  }
  // Round joins and caps; small joins need few points.
  for (std::size_t i = 0; i < n; ++i) {
    int k = std::clamp(static_cast<int>(r * 4), 8, 48);
    std::vector<Vec> c;
    for (int j = 0; j < k; ++j) {
      float t = 2 * kPi * static_cast<float>(j) / static_cast<float>(k);
      c.push_back({pts[i].x + r * std::cos(t), pts[i].y + r * std::sin(t)});
    }
    Poly(std::move(c));
  }
  return *this;
}

Path& Path::Add(const Path& other) {
  contours_.insert(contours_.end(), other.contours_.begin(), other.contours_.end());
  return *this;
}

Path Path::Affine(float a, float b, float c, float d, float e, float f) const {
  Path out;
  for (const Contour& k : contours_) {
    Contour m{{}, k.hole};
    for (const Vec& p : k.pts) m.pts.push_back({a * p.x + b * p.y + c, d * p.x + e * p.y + f});
    out.contours_.push_back(std::move(m));
  }
  return out;
}
Path Path::Mirrored(float axisX) const { return Affine(-1, 0, 2 * axisX, 0, 1, 0); }
Path Path::Rotated(Vec o, float angle) const {
  float c = std::cos(angle), s = std::sin(angle);
  return Affine(c, -s, o.x - c * o.x + s * o.y, s, c, o.y - s * o.x - c * o.y);
}
Path Path::Moved(float dx, float dy) const { return Affine(1, 0, dx, 0, 1, dy); }
Path Path::Scaled(Vec o, float k) const { return Affine(k, 0, o.x * (1 - k), 0, k, o.y * (1 - k)); }

Shader Linear(Vec p0, Rgb c0, Vec p1, Rgb c1) {
  float dx = p1.x - p0.x, dy = p1.y - p0.y, len2 = dx * dx + dy * dy;
  if (len2 < 1e-9f) len2 = 1e-9f;
  return [=](float x, float y) {
    float t = Clamp01(((x - p0.x) * dx + (y - p0.y) * dy) / len2);
    return Rgba{Mix(c0, c1, t), 1};
  };
}

Shader Radial(Vec o, float radius, Rgb inner, Rgb outer) {
  return [=](float x, float y) {
    float d = std::sqrt((x - o.x) * (x - o.x) + (y - o.y) * (y - o.y)) / radius;
    return Rgba{Mix(inner, outer, Clamp01(d)), 1};
  };
}

Shader Glow(Vec o, float radius, Rgb c, float a0) {
  return [=](float x, float y) {
    float d = std::sqrt((x - o.x) * (x - o.x) + (y - o.y) * (y - o.y)) / radius;
    float t = Clamp01(1 - d);
    return Rgba{c, a0 * t * t};
  };
}

Image::Image(int width, int height)
    : w(width), h(height), rgb(static_cast<std::size_t>(width) * height * 3) {}

int Mono::Lit() const {
  int n = 0;
  for (std::uint8_t b : bits) n += b ? 1 : 0;
  return n;
}

Canvas::Canvas(int w, int h, int ss, Rgb background)
    : w_(w), h_(h), ss_(ss), px_(static_cast<std::size_t>(w) * ss * h * ss, background) {}

template <typename Blend>
void Canvas::Raster(const Path& path, Blend&& blend) {
  struct Edge {
    float x0, y0, x1, y1;
    int dir;
  };
  std::vector<Edge> edges;
  float ymin = 1e30f, ymax = -1e30f;
  for (const Path::Contour& k : path.Contours()) {
    float area = SignedArea(k.pts);
    // Solid contours wind one way, holes the other, whatever order they came in.
    bool flip = k.hole ? area > 0 : area < 0;
    std::size_t n = k.pts.size();
    for (std::size_t i = 0; i < n; ++i) {
      Vec a = k.pts[i], b = k.pts[(i + 1) % n];
      if (flip) std::swap(a, b);
      if (a.y == b.y) continue;
      int dir = b.y > a.y ? 1 : -1;
      if (dir < 0) std::swap(a, b);
      edges.push_back({a.x, a.y, b.x, b.y, dir});
      ymin = std::min(ymin, a.y);
      ymax = std::max(ymax, b.y);
    }
  }
  if (edges.empty()) return;
  const int sw = w_ * ss_, sh = h_ * ss_;
  const float inv = 1.0f / static_cast<float>(ss_);
  int r0 = std::max(0, static_cast<int>(std::floor(ymin * ss_ - 0.5f)));
  int r1 = std::min(sh - 1, static_cast<int>(std::ceil(ymax * ss_)));
  std::vector<std::pair<float, int>> xs;
  for (int row = r0; row <= r1; ++row) {
    float yc = (static_cast<float>(row) + 0.5f) * inv;
    xs.clear();
    for (const Edge& e : edges) {
      if (yc < e.y0 || yc >= e.y1) continue;
      float t = (yc - e.y0) / (e.y1 - e.y0);
      xs.push_back({e.x0 + (e.x1 - e.x0) * t, e.dir});
    }
    if (xs.size() < 2) continue;
    std::sort(xs.begin(), xs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    int wind = 0;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
      wind += xs[i].second;
      if (wind == 0) continue;
      int c0 = std::max(0, static_cast<int>(std::ceil(xs[i].first * ss_ - 0.5f)));
      int c1 = std::min(sw, static_cast<int>(std::ceil(xs[i + 1].first * ss_ - 0.5f)));
      Rgb* line = &px_[static_cast<std::size_t>(row) * sw];
      for (int c = c0; c < c1; ++c) blend(line[c], (static_cast<float>(c) + 0.5f) * inv, yc);
    }
  }
}

void Canvas::Fill(const Path& path, Rgb col, float alpha) {
  Raster(path, [&](Rgb& p, float, float) { p = Mix(p, col, alpha); });
}

void Canvas::Fill(const Path& path, const Shader& shader) {
  Raster(path, [&](Rgb& p, float x, float y) {
    Rgba s = shader(x, y);
    p = Mix(p, s.c, Clamp01(s.a));
  });
}

void Canvas::Shade(const Shader& shader) {
  Path all;
  all.Rect(0, 0, static_cast<float>(w_), static_cast<float>(h_));
  Fill(all, shader);
}

void Canvas::Map(const std::function<Rgb(Rgb, float, float)>& f) {
  const int sw = w_ * ss_, sh = h_ * ss_;
  const float inv = 1.0f / static_cast<float>(ss_);
  for (int r = 0; r < sh; ++r)
    for (int c = 0; c < sw; ++c) {
      Rgb& p = px_[static_cast<std::size_t>(r) * sw + c];
      p = f(p, (static_cast<float>(c) + 0.5f) * inv, (static_cast<float>(r) + 0.5f) * inv);
    }
}

Image Canvas::Resolve() const {
  Image img(w_, h_);
  const int sw = w_ * ss_;
  const float norm = 1.0f / static_cast<float>(ss_ * ss_);
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      float r = 0, g = 0, b = 0;
      for (int j = 0; j < ss_; ++j)
        for (int i = 0; i < ss_; ++i) {
          const Rgb& p = px_[static_cast<std::size_t>(y * ss_ + j) * sw + x * ss_ + i];
          r += p.r;
          g += p.g;
          b += p.b;
        }
      std::uint8_t* o = img.At(x, y);
      o[0] = static_cast<std::uint8_t>(std::lround(Clamp01(r * norm) * 255));
      o[1] = static_cast<std::uint8_t>(std::lround(Clamp01(g * norm) * 255));
      o[2] = static_cast<std::uint8_t>(std::lround(Clamp01(b * norm) * 255));
    }
  return img;
}

Mono Canvas::Threshold(float level) const {
  Image img = Resolve();
  Mono m(w_, h_);
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      const std::uint8_t* p = img.At(x, y);
      float lum = (0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]) / 255.0f;
      m.At(x, y) = lum >= level ? 1 : 0;
    }
  return m;
}

}  // namespace lvx::resgen
