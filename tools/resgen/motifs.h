// Shapes and scenery that several pictures share.
#pragma once

#include <cstdint>

#include "tools/resgen/raster.h"

namespace lvx::resgen {

constexpr float kPi = 3.14159265358979f;

// Heart of the given width centred at c (its height is about 0.9 x width).
Path HeartPath(Vec c, float width, float angle = 0);
// A star with `points` tips; the first tip points up unless rotated.
Path StarPath(Vec c, float rOuter, float rInner, int points = 5, float rotation = 0);
// The part of circle (c, r) not covered by a circle of radius r2 whose centre
// lies `offset` away in direction `angle` (radians; 0 points right).
Path CrescentPath(Vec c, float r, float r2, float offset, float angle);
// A dove in flight facing right, wings up; `size` is its width.
Path DovePath(Vec c, float size);

// Strokes every contour of the path with `line` and fills it with `fill`:
// a cartoon outline of half the width shows outside the shape.
void Ink(Canvas& cv, const Path& p, Rgb fill, Rgb line, float width);
void Ink(Canvas& cv, const Path& p, const Shader& fill, Rgb line, float width);

// A night-sky gradient with scattered stars over the whole canvas.
void NightSky(Canvas& cv, std::uint32_t seed, Rgb top, Rgb bottom, int stars, float maxStar = 1.2f);
// A four-pointed twinkle with a soft halo.
void Twinkle(Canvas& cv, Vec c, float size, Rgb colour);
// A small full moon with soft maria, for scenes.
void SmallMoon(Canvas& cv, Vec c, float r, std::uint32_t seed);
// A crescent moon with a glow.
void CrescentMoon(Canvas& cv, Vec c, float r, float angle, Rgb colour);
// An earth globe: oceans, stylised continents, light from the upper left.
void Globe(Canvas& cv, Vec c, float r, std::uint32_t seed);
// Rolling hills silhouette from y (left) across the canvas.
void Hills(Canvas& cv, float y, float amplitude, Rgb colour, std::uint32_t seed);

}  // namespace lvx::resgen
