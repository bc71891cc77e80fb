// The moon: the full near side as seen from the northern hemisphere (north up,
// Mare Crisium near the right limb). The maria are outlined in selenographic
// latitude and longitude and projected orthographically, so they sit where
// they really are; their shores are roughened by warped value noise and their
// lava plains mottled. Ray craters, a few old walled plains and soft limb
// darkening finish it. The sky darkens the unlit part itself, so no phase is
// drawn here.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/resgen/motifs.h"
#include "tools/resgen/pictures.h"

namespace lvx::resgen {

namespace {

constexpr float kDeg = kPi / 180;

struct V3 {
  float x = 0, y = 0, z = 0;
};
V3 Sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 Mul(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
V3 Add(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Unit(V3 a) {
  float n = std::sqrt(Dot(a, a));
  return n > 0 ? Mul(a, 1 / n) : V3{0, 0, 1};
}

// A point of the surface: x to the right (east), y up (north), z towards us.
V3 Surface(float latDeg, float lonDeg) {
  float la = latDeg * kDeg, lo = lonDeg * kDeg;
  return {std::cos(la) * std::sin(lo), std::sin(la), std::cos(la) * std::cos(lo)};
}
// Disc coordinates: u right, v down, radius 1.
Vec Disc(float latDeg, float lonDeg) {
  V3 p = Surface(latDeg, lonDeg);
  return {p.x, -p.y};
}
// Angle in radians between two surface points.
float Arc(V3 a, V3 b) { return std::acos(std::clamp(Dot(a, b), -1.0f, 1.0f)); }

// ---------------------------------------------------------------------------
// The maria, outlined as (longitude east, latitude north) in degrees.

struct LonLat {
  float lon, lat;
};

struct MareShape {
  std::vector<LonLat> shore;
  float tone;     // how dark: 1 is the darkest lava plain
  float soft;     // width of the shore in disc units
  float rimDark;  // extra darkening along the inside of the shore
  float blue;     // a faint blue (titanium-rich) cast
};

const std::vector<MareShape>& Maria() {
  static const std::vector<MareShape> maria = {
      // Imbrium: the Apennines in the south-east, the Carpathians in the south,
      // Sinus Iridum in the north-west; open to Procellarum in the west.
      {{{-38, 44},  {-35, 48}, {-30, 48.5}, {-26, 46}, {-20, 47.5}, {-12, 48.5}, {-4, 47},
        {2, 45},    {5, 41},   {4, 36},     {3, 30},   {1, 26},     {-3, 22},    {-8, 19},
        {-11, 17},  {-16, 16}, {-22, 15.5}, {-28, 16}, {-33, 19},   {-38, 25},   {-41, 33},
        {-41, 40}},
       0.90f, 0.030f, 0.0f, 0.2f},
      // Oceanus Procellarum with Sinus Roris, Mare Insularum and Sinus Aestuum.
      {{{-62, 57},  {-52, 58},  {-45, 55}, {-41, 49},  {-39, 40},  {-37, 30},  {-33, 21},
        {-28, 16},  {-22, 14},  {-15, 13}, {-9, 13},   {-5, 12},   {-6, 8},    {-11, 6},
        {-15, 3},   {-17, -2},  {-20, -4}, {-25, -5},  {-31, -8},  {-37, -9},  {-42, -13},
        {-47, -11}, {-53, -8},  {-59, -5}, {-64, 0},   {-67, 8},   {-70, 17},  {-72, 26},
        {-70, 34},  {-67, 42},  {-65, 50}},
       0.74f, 0.040f, 0.0f, 0.5f},
      // Serenitatis: round, with a darker border.
      {{{9, 35},   {11, 40},  {17, 40.5}, {23, 38.5}, {28, 35},  {30.5, 29}, {29.5, 23},
        {27, 18},  {23, 15.5}, {18, 15.5}, {13, 18},  {9, 23},   {7.5, 29}},
       0.78f, 0.022f, 0.35f, 0.1f},
      // Tranquillitatis, the bluest and darkest of the eastern maria.
      {{{19, 11},  {22, 14}, {26, 17},  {31, 18.5}, {36, 19.5}, {40, 18},  {44, 13},  {44, 7},
        {41, 3},   {37, 1},  {34, -2},  {30, -5},   {26, -7},   {24, -3},  {21, 0},   {17, 2},
        {18, 6}},
       1.0f, 0.030f, 0.0f, 1.0f},
      // Crisium: a crisp oval close to the limb.
      {{{50, 17},  {52, 22},  {56, 25.5}, {62, 25.5}, {66, 22},  {68, 17},  {67, 12},
        {63, 8.5}, {57, 8.5}, {52, 12}},
       0.95f, 0.016f, 0.15f, 0.3f},
      // Fecunditatis, joined to Tranquillitatis near Taruntius.
      {{{42, 6},   {46, 5},   {50, 4},   {55, 1},    {58, -4},  {60, -10},  {57, -16},
        {53, -21}, {49, -19}, {47, -13}, {44, -9},   {41, -5},  {40, 0}},
       0.78f, 0.030f, 0.0f, 0.4f},
      // Nectaris with the bay of Fracastorius.
      {{{31, -11}, {35, -9.5}, {39, -11}, {41, -15}, {39.5, -19}, {36, -22}, {32, -21.5},
        {29.5, -17}},
       0.78f, 0.022f, 0.0f, 0.2f},
      // Nubium, paler where rays cross it.
      {{{-10, -11}, {-7, -15}, {-6, -20}, {-9, -26}, {-14, -30}, {-21, -30}, {-27, -27},
        {-30, -22}, {-29, -16}, {-24, -12}, {-17, -9}},
       0.66f, 0.035f, 0.0f, 0.2f},
      // Cognitum, between Procellarum and Nubium.
      {{{-30, -4}, {-21, -5}, {-17, -9}, {-20, -14}, {-27, -15}, {-33, -11}},
       0.66f, 0.035f, 0.0f, 0.2f},
      // Humorum: small, round and dark.
      {{{-44, -20}, {-40, -16.5}, {-35, -18}, {-32, -22}, {-33, -28}, {-37, -31},
        {-42, -30}, {-45.5, -25}},
       0.92f, 0.020f, 0.1f, 0.3f},
      // Vaporum and Sinus Medii in the middle of the disc.
      {{{-2, 14}, {0, 17.5}, {5, 17}, {9, 15}, {8, 11}, {4, 9.5}, {0, 10.5}},
       0.82f, 0.022f, 0.0f, 0.2f},
      {{{-5, 4}, {0, 6}, {6, 5}, {8, 1}, {4, -2}, {-2, -1.5}}, 0.40f, 0.030f, 0.0f, 0.1f},
      // Frigoris, a long thin band in the north.
      {{{-60, 58}, {-45, 61}, {-30, 62}, {-10, 63.5}, {10, 64}, {30, 63}, {45, 60}, {50, 57},
        {42, 54}, {30, 55}, {15, 55.5}, {0, 54}, {-10, 53.5}, {-20, 52}, {-32, 50}, {-42, 51},
        {-52, 53}},
       0.62f, 0.025f, 0.0f, 0.1f},
      // Lacus Somniorum: a pale plain beside Serenitatis.
      {{{29, 33}, {33, 39}, {38, 38}, {39, 33}, {34, 30}}, 0.45f, 0.03f, 0.0f, 0.0f},
      // Marginis, Smythii and Undarum near the right limb.
      {{{82, 8}, {86, 16}, {90, 12}, {88, 6}}, 0.7f, 0.02f, 0.0f, 0.2f},
      {{{82, -6}, {85, 3}, {92, 2}, {90, -6}}, 0.7f, 0.02f, 0.0f, 0.2f},
      {{{66, 5}, {68, 9}, {71, 7}, {69, 3}}, 0.6f, 0.015f, 0.0f, 0.2f},
      // Australe, low on the south-east limb.
      {{{80, -38}, {84, -44}, {92, -42}, {88, -36}}, 0.5f, 0.02f, 0.0f, 0.1f},
  };
  return maria;
}

// Highland islands inside the maria (the Aristarchus plateau, the Carpathian
// and Apennine ridges, the Montes Riphaeus) are pale: they lift the plains.
struct Island {
  float lat, lon, r, lift;
};
const Island kIslands[] = {
    {25.5f, -50.5f, 4.0f, 0.9f},  // Aristarchus plateau
    {14.5f, -20.0f, 2.2f, 0.5f},  // Carpathians
    {15.0f, -26.0f, 2.0f, 0.4f},
    {19.0f, -6.0f, 2.0f, 0.55f},  // Apennines
    {23.0f, -2.0f, 2.0f, 0.55f},
    {-7.0f, -28.0f, 2.2f, 0.45f},  // Riphaeus
    {0.0f, -10.0f, 3.5f, 0.6f},    // Fra Mauro highlands
    {15.0f, -40.0f, 2.5f, 0.3f},   // round Kepler and Marius
    {6.0f, -26.0f, 6.0f, 0.25f},   // Mare Insularum, paled by the rays
    {-2.0f, -52.0f, 5.0f, 0.15f},  // Flamsteed
    {36.0f, -12.0f, 1.8f, 0.35f},  // the Spitzbergen and La Hire peaks
};

struct Poly {
  std::vector<Vec> pts;
  float minU, maxU, minV, maxV;
};

// Signed distance from (x, y) to the polygon: negative inside.
float SignedDistance(const Poly& p, float x, float y) {
  const auto& v = p.pts;
  float d = 1e9f;
  bool inside = false;
  for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
    float ex = v[j].x - v[i].x, ey = v[j].y - v[i].y;
    float wx = x - v[i].x, wy = y - v[i].y;
    float t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
    float bx = wx - ex * t, by = wy - ey * t;
    d = std::min(d, bx * bx + by * by);
    bool c1 = y >= v[i].y, c2 = y < v[j].y, c3 = ex * wy > ey * wx;
    if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) inside = !inside;
  }
  return (inside ? -1.0f : 1.0f) * std::sqrt(d);
}

// ---------------------------------------------------------------------------
// Craters.

struct Ray {
  V3 dir;      // unit tangent at the crater, along the ray
  float len;   // e-folding length in radians
  float width; // half width in radians at the crater
  float gain;
  std::uint32_t seed;
};

struct Crater {
  V3 at;
  float r;       // radius in radians
  float bright;  // bright floor and rim (fresh craters)
  float ring;    // visible rim of an old walled plain
  float dark;    // dark floor (Plato, Grimaldi)
  float nimbus;  // bright ejecta blanket, in crater radii
  float collar;  // dark halo just outside (Tycho)
  std::vector<Ray> rays;
};

struct Named {
  float lat, lon, km;
  float bright, ring, dark, nimbus, collar;
  int rays;
  float rayLen, rayGain;
};

constexpr float kMoonKm = 1737.4f;

const Named kNamed[] = {
    // lat, lon, km, bright, ring, dark, nimbus, collar, rays, length (rad), gain
    {-43.3f, -11.2f, 85, 0.95f, 0, 0, 2.4f, 0.25f, 10, 0.25f, 0.12f},  // Tycho
    {9.6f, -20.1f, 93, 0.60f, 0, 0, 2.4f, 0, 18, 0.15f, 0.20f},          // Copernicus
    {8.1f, -38.0f, 31, 0.60f, 0, 0, 3.5f, 0, 12, 0.10f, 0.14f},          // Kepler
    {23.7f, -47.4f, 40, 0.75f, 0, 0, 2.2f, 0, 7, 0.07f, 0.08f},          // Aristarchus
    {16.1f, 46.8f, 28, 0.40f, 0, 0, 2.5f, 0, 8, 0.12f, 0.08f},           // Proclus
    {-32.5f, 54.2f, 75, 0.20f, 0, 0, 1.8f, 0, 8, 0.12f, 0.07f},          // Stevinus and Furnerius
    {16.3f, 16.0f, 26, 0.40f, 0, 0, 2.0f, 0, 0, 0, 0},                   // Menelaus
    {-0.4f, 32.7f, 4, 0.9f, 0, 0, 4.0f, 0, 0, 0, 0},                     // Censorinus
    {14.5f, 9.1f, 39, 0.25f, 0, 0, 1.6f, 0, 0, 0, 0},                    // Manilius
    {2.8f, 17.3f, 18, 0.35f, 0, 0, 2.0f, 0, 0, 0, 0},                    // Dionysius
    {-20.7f, -22.2f, 61, 0.25f, 0, 0, 1.6f, 0, 0, 0, 0},                 // Bullialdus
    {-8.9f, 61.0f, 132, 0.15f, 0.35f, 0, 1.4f, 0, 0, 0, 0},              // Langrenus
    {-24.7f, -63.7f, 19, 0.45f, 0, 0, 3.0f, 0, 5, 0.10f, 0.07f},         // Byrgius A
    {8.1f, -77.6f, 43, 0.35f, 0, 0, 2.5f, 0, 5, 0.10f, 0.06f},           // Olbers A
    {73.4f, -10.1f, 51, 0.30f, 0, 0, 2.0f, 0, 5, 0.10f, 0.06f},          // Anaxagoras
    {-11.4f, 26.4f, 100, 0.10f, 0.55f, 0, 1.0f, 0, 0, 0, 0},             // Theophilus
    {-25.3f, 60.4f, 177, 0.05f, 0.45f, 0, 0, 0, 0, 0, 0},                // Petavius
    {-58.4f, -14.4f, 225, 0, 0.55f, 0, 0, 0, 0, 0, 0},                   // Clavius
    {-50.0f, -6.2f, 194, 0, 0.35f, 0, 0, 0, 0, 0, 0},                    // Maginus
    {-9.3f, -1.9f, 154, 0, 0.45f, 0.10f, 0, 0, 0, 0, 0},                 // Ptolemaeus
    {-13.4f, -3.2f, 108, 0, 0.40f, 0.05f, 0, 0, 0, 0, 0},                // Alphonsus
    {-18.2f, -1.9f, 97, 0.05f, 0.40f, 0, 0, 0, 0, 0, 0},                 // Arzachel
    {-17.5f, -39.9f, 110, 0, 0.35f, 0, 0, 0, 0, 0, 0},                   // Gassendi
    {-44.4f, -54.6f, 227, 0, 0.35f, 0.20f, 0, 0, 0, 0, 0},               // Schickard
    {-5.2f, -68.3f, 173, 0, 0.20f, 0.95f, 0, 0, 0, 0, 0},                // Grimaldi
    {-3.0f, -74.3f, 139, 0, 0.10f, 0.55f, 0, 0, 0, 0, 0},                // Riccioli
    {51.6f, -9.4f, 101, 0, 0.35f, 0.85f, 0, 0, 0, 0, 0},                 // Plato
    {-33.1f, 0.7f, 134, 0, 0.35f, 0, 0, 0, 0, 0, 0},                     // Walther
    {-41.8f, 14.0f, 114, 0, 0.30f, 0, 0, 0, 0, 0, 0},                    // Maurolycus
    {-49.6f, -21.7f, 145, 0, 0.30f, 0, 0, 0, 0, 0, 0},                   // Longomontanus
    {31.8f, 29.9f, 95, 0, 0.35f, 0, 0, 0, 0, 0, 0},                      // Posidonius
    {-5.1f, 5.5f, 138, 0, 0.30f, 0, 0, 0, 0, 0, 0},                      // Hipparchus
    {-11.2f, 4.0f, 114, 0, 0.30f, 0, 0, 0, 0, 0, 0},                     // Albategnius
};

// A tangent direction at `at` pointing along bearing `b` (0 north, pi/2 east).
V3 Bearing(V3 at, float b) {
  V3 north = Unit(Sub(V3{0, 1, 0}, Mul(at, at.y)));
  V3 east = Unit(Cross(north, at));
  return Unit(Add(Mul(north, std::cos(b)), Mul(east, std::sin(b))));
}

std::vector<Crater> MakeCraters() {
  std::vector<Crater> out;
  Rng rng(116);
  for (const Named& n : kNamed) {
    Crater k;
    k.at = Surface(n.lat, n.lon);
    k.r = n.km / 2 / kMoonKm;
    k.bright = n.bright;
    k.ring = n.ring;
    k.dark = n.dark;
    k.nimbus = n.nimbus;
    k.collar = n.collar;
    float start = rng.Range(0, 2 * kPi);
    for (int i = 0; i < n.rays; ++i) {
      Ray ray;
      // Bearings bunch up and leave gaps, as real ray systems do.
      float b = start + 2 * kPi * (static_cast<float>(i) + rng.Range(-0.9f, 0.9f)) / static_cast<float>(n.rays);
      ray.dir = Bearing(k.at, b);
      float longRay = rng.Unit();
      ray.len = n.rayLen * (0.35f + 1.1f * longRay * longRay);
      ray.width = k.r * rng.Range(0.3f, 0.7f) + 0.006f;
      float g = rng.Range(0.35f, 1.15f);
      ray.gain = n.rayGain * g * g;
      ray.seed = static_cast<std::uint32_t>(rng.Next() & 0xFFFF) + 500u;
      k.rays.push_back(ray);
    }
    out.push_back(std::move(k));
  }
  // Tycho's main rays, laid out by hand: the long one that crosses Mare
  // Serenitatis, the fan over Nubium and the south, and the ray-free wedge
  // to the west.
  struct Main {
    float bearingDeg, len, gain;
  };
  const Main kTycho[] = {{28, 1.10f, 1.0f},  {40, 0.70f, 0.75f}, {58, 0.55f, 0.65f},
                         {92, 0.40f, 0.5f},  {128, 0.35f, 0.6f}, {165, 0.30f, 0.55f},
                         {198, 0.30f, 0.5f}, {228, 0.45f, 0.6f}, {318, 0.45f, 0.55f},
                         {338, 0.65f, 0.8f}, {356, 0.45f, 0.6f}};
  for (const Main& m : kTycho) {
    Ray ray;
    ray.dir = Bearing(out[0].at, m.bearingDeg * kDeg);
    ray.len = m.len;
    ray.width = 0.010f + rng.Range(0.0f, 0.006f);
    ray.gain = 0.30f * m.gain;
    ray.seed = static_cast<std::uint32_t>(rng.Next() & 0xFFFF) + 500u;
    out[0].rays.push_back(ray);
  }
  // Small fresh craters: bright specks, most of them in the southern highlands.
  for (int i = 0; i < 160; ++i) {
    float lat = std::asin(rng.Range(-0.97f, 0.97f)) / kDeg;
    float lon = std::asin(rng.Range(-0.97f, 0.97f)) / kDeg;
    bool south = lat < -15;
    if (!south && rng.Unit() < 0.45f) continue;
    Crater k;
    k.at = Surface(lat, lon);
    if (k.at.z < 0.15f) continue;
    k.r = rng.Range(4, 22) / kMoonKm;
    float fresh = rng.Unit();
    k.bright = fresh * fresh * 0.32f;
    k.ring = rng.Range(0.0f, 0.25f);
    k.dark = 0;
    k.nimbus = fresh > 0.85f ? 2.0f : 0;
    k.collar = 0;
    out.push_back(std::move(k));
  }
  return out;
}

// How much a crater lifts (or lowers) the albedo at surface point p.
float CraterAlbedo(const Crater& k, V3 p) {
  float reach = k.r * std::max(1.6f, k.nimbus + 0.5f);
  float cosReach = std::cos(std::min(reach, 1.5f));
  float a = 0;
  float cosAng = Dot(p, k.at);
  if (cosAng > cosReach) {
    float d = Arc(p, k.at) / k.r;
    // Fresh floors and rims are bright under a high sun.
    a += k.bright * (1 - SmoothStep(0.7f, 1.25f, d));
    // Old walled plains show only as a faint bright ring and a darker floor.
    a += k.ring * 0.17f * std::exp(-(d - 1.0f) * (d - 1.0f) * 10);
    a -= k.ring * 0.07f * (1 - SmoothStep(0.5f, 0.95f, d));
    a -= k.dark * 0.30f * (1 - SmoothStep(0.75f, 1.0f, d));
    if (k.collar > 0) a -= k.collar * std::exp(-(d - 1.45f) * (d - 1.45f) * 8);
    if (k.nimbus > 0) {
      float n = d / k.nimbus;
      a += k.bright * 0.45f * std::exp(-n * n * 2.5f) * SmoothStep(1.1f, 2.0f, d);
    }
  }
  for (const Ray& ray : k.rays) {
    // Distance across the ray's great circle and along it from the crater.
    V3 normal = Unit(Cross(k.at, ray.dir));
    float across = std::asin(std::clamp(Dot(p, normal), -1.0f, 1.0f));
    float along = std::atan2(Dot(p, ray.dir), Dot(p, k.at));
    if (along <= k.r * 0.8f) continue;
    float w = ray.width * (1 + along * 1.5f);
    float x = across / w;
    if (x * x > 9) continue;
    float fade = std::exp(-along / ray.len) * SmoothStep(k.r * 1.2f, k.r * 3.5f, along);
    // Rays break up into streaks and knots.
    float streak = 0.15f + 1.7f * SmoothStep(0.35f, 0.7f, Fbm(along * 18, across * 30 + static_cast<float>(ray.seed % 97), 3, ray.seed));
    a += ray.gain * fade * std::exp(-x * x) * streak;
  }
  return a;
}

}  // namespace

Image DrawMoon(int w, int h) {
  // The sky treats pixel (X, Y) as inside when (X-50)^2 + (Y-50)^2 <= 50^2,
  // so the disc is centred on the middle of pixel (50, 50).
  const float R = 50;
  const Vec c{50.5f, 50.5f};
  Canvas cv(w, h, 4);

  std::vector<Poly> polys;
  for (const MareShape& m : Maria()) {
    Poly p;
    for (LonLat q : m.shore) p.pts.push_back(Disc(q.lat, q.lon));
    p.minU = p.maxU = p.pts[0].x;
    p.minV = p.maxV = p.pts[0].y;
    for (Vec v : p.pts) {
      p.minU = std::min(p.minU, v.x);
      p.maxU = std::max(p.maxU, v.x);
      p.minV = std::min(p.minV, v.y);
      p.maxV = std::max(p.maxV, v.y);
    }
    polys.push_back(std::move(p));
  }
  const std::vector<Crater> craters = MakeCraters();

  Path disc;
  disc.Circle(c, R);
  cv.Fill(disc, [&](float x, float y) {
    float u = (x - c.x) / R, v = (y - c.y) / R;
    float r2 = u * u + v * v;
    float mu = std::sqrt(std::max(0.0f, 1 - r2));
    V3 p{u, -v, mu};

    // Shores: the sample point is pushed about by warped noise at two scales,
    // so coasts get bays, capes and islands instead of straight edges.
    float wu = u + 0.10f * (Fbm(u * 3.5f + 3.1f, v * 3.5f + 1.7f, 4, 77) - 0.5f) +
               0.035f * (Fbm(u * 12 + 7.3f, v * 12 + 2.9f, 3, 78) - 0.5f);
    float wv = v + 0.10f * (Fbm(u * 3.5f + 9.4f, v * 3.5f + 5.2f, 4, 87) - 0.5f) +
               0.035f * (Fbm(u * 12 + 1.8f, v * 12 + 6.6f, 3, 88) - 0.5f);
    float ragged = 0.05f * (Fbm(u * 22 + 4.4f, v * 22 + 8.8f, 3, 79) - 0.5f);

    float cover = 0, toneSum = 0, weight = 0, blue = 0;
    const auto& maria = Maria();
    for (std::size_t i = 0; i < polys.size(); ++i) {
      const Poly& pg = polys[i];
      const MareShape& m = maria[i];
      float margin = m.soft + 0.08f;
      if (wu < pg.minU - margin || wu > pg.maxU + margin || wv < pg.minV - margin ||
          wv > pg.maxV + margin)
        continue;
      float sd = SignedDistance(pg, wu, wv) + ragged;
      float k = 1 - SmoothStep(-m.soft, m.soft, sd);
      if (k <= 0) continue;
      float tone = m.tone;
      if (m.rimDark > 0) tone += m.rimDark * std::exp(-(sd + 0.04f) * (sd + 0.04f) / 0.0012f) * 0.35f;
      cover = std::max(cover, k);
      toneSum += tone * k;
      weight += k;
      blue += m.blue * k;
    }
    float tone = weight > 0 ? toneSum / weight : 0;
    blue = weight > 0 ? blue / weight : 0;
    for (const Island& is : kIslands) {
      float d = Arc(p, Surface(is.lat, is.lon)) / (is.r * kDeg);
      cover *= 1 - is.lift * std::exp(-d * d) * (0.6f + 0.8f * Fbm(u * 30, v * 30, 2, 91));
    }

    // Lava plains are not evenly dark: flows of different age make patches.
    float flows = Fbm(u * 6 + 1, v * 6 + 4, 4, 80);
    float patches = SmoothStep(0.42f, 0.62f, Fbm(u * 9 + 2.5f, v * 9 + 7.5f, 3, 81));
    float grain = Fbm(u * 24 + 5, v * 24 + 9, 3, 11);
    float mareDark = tone * (0.84f + 0.80f * (flows - 0.5f) + 0.30f * (0.5f - patches));
    float lowAlbedo = 0.84f - 0.46f * mareDark + 0.06f * (grain - 0.5f);

    // Highlands: bright, brightest in the south, with a coarse and a fine texture.
    float highAlbedo = 0.82f + 0.05f * std::max(0.0f, v) + 0.12f * (Fbm(u * 5, v * 5, 4, 5) - 0.5f) +
                       0.12f * (grain - 0.5f);
    float albedo = highAlbedo + (lowAlbedo - highAlbedo) * cover;

    float lift = 0;
    for (const Crater& k : craters) lift += CraterAlbedo(k, p);
    albedo += lift * (1 - 0.25f * cover);

    // Little limb darkening: the full moon is nearly flat to the edge.
    float limb = 0.80f + 0.20f * std::pow(mu, 0.5f);
    float g = Clamp01(albedo * limb * 0.90f);
    // Natural grey, a touch warm; the titanium-rich maria lean a little blue.
    float bl = blue * cover;
    Rgb col{g * (1.015f - 0.02f * bl), g * (0.995f - 0.005f * bl), g * (0.962f + 0.03f * bl)};
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
