#include <gtest/gtest.h>

#include <random>

#include "platform/gdi/surface.h"

namespace {

bool Covered(const std::vector<RECT>& rects, int x, int y) {
  for (const RECT& r : rects) {
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  }
  return false;
}

}  // namespace

TEST(GdiSurface, ResizeClearsToBlackAndMarksEverything) {
  lvx::Surface s;
  s.Resize(100, 50);
  EXPECT_EQ(s.pixels.size(), 5000u);
  EXPECT_TRUE(s.HasDirty());
  auto rects = s.TakeDirty();
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].left, 0);
  EXPECT_EQ(rects[0].top, 0);
  EXPECT_EQ(rects[0].right, 100);
  EXPECT_EQ(rects[0].bottom, 50);
  EXPECT_FALSE(s.HasDirty());
  EXPECT_TRUE(s.TakeDirty().empty());
  s.Resize(0, 0);
  EXPECT_TRUE(s.TakeDirty().empty());
}

TEST(GdiSurface, DirtyRectanglesCoverEveryMarkAndStayInside) {
  std::mt19937 rng(7);
  lvx::Surface s;
  s.Resize(1000, 700);
  s.TakeDirty();
  std::vector<std::pair<int, int>> marks;
  for (int i = 0; i < 400; ++i) {
    const int x = static_cast<int>(rng() % 1010) - 5, y = static_cast<int>(rng() % 710) - 5;
    s.MarkDirty(x, y, x + 7, y + 7);
    marks.emplace_back(x, y);
  }
  const auto rects = s.TakeDirty();
  EXPECT_LT(rects.size(), 200u);  // merged into far fewer than the marks
  for (auto [x, y] : marks) {
    for (int py : {y, y + 6}) {
      for (int px : {x, x + 6}) {
        if (px >= 0 && py >= 0 && px < 1000 && py < 700) {
          ASSERT_TRUE(Covered(rects, px, py)) << px << "," << py;
        }
      }
    }
  }
  for (size_t i = 0; i < rects.size(); ++i) {
    const RECT& a = rects[i];
    EXPECT_GE(a.left, 0);
    EXPECT_GE(a.top, 0);
    EXPECT_LE(a.right, 1000);
    EXPECT_LE(a.bottom, 700);
    for (size_t j = i + 1; j < rects.size(); ++j) {
      const RECT& b = rects[j];
      const bool overlap = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
      ASSERT_FALSE(overlap) << i << " and " << j;
    }
  }
}

TEST(GdiSurface, NeighbouringMarksMergeAndDistantOnesStayApart) {
  lvx::Surface s;
  s.Resize(2000, 1000);
  s.TakeDirty();
  // A vertical stripe over many tile rows becomes one rectangle.
  for (int y = 100; y < 600; y += 10) s.MarkDirty(500, y, 503, y + 3);
  auto rects = s.TakeDirty();
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_LE(rects[0].left, 500);
  EXPECT_GE(rects[0].right, 503);
  EXPECT_LE(rects[0].top, 100);
  EXPECT_GE(rects[0].bottom, 593);
  // Two points far apart on one row are two small rectangles, not one long one.
  s.MarkDirty(10, 10, 11, 11);
  s.MarkDirty(1900, 12, 1901, 13);
  rects = s.TakeDirty();
  ASSERT_EQ(rects.size(), 2u);
  for (const RECT& r : rects) {
    EXPECT_LE(r.right - r.left, 64);
    EXPECT_LE(r.bottom - r.top, 64);
  }
  // Marks outside the surface are ignored.
  s.MarkDirty(-50, -50, -1, -1);
  s.MarkDirty(2000, 0, 2100, 10);
  EXPECT_FALSE(s.HasDirty());
}
