#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "platform/gdi/surface.h"

namespace {

// Memory lent by "a display": a plain block that counts its holders.
class TestMemory final : public lvx::PixelMemory {
 public:
  explicit TestMemory(std::size_t count) : pixels_(count, 0xABCDEFu) {}
  std::uint32_t* Pixels() override { return pixels_.data(); }
  std::size_t Count() const override { return pixels_.size(); }

 private:
  std::vector<std::uint32_t> pixels_;
};

// The pixels a list of rectangles covers, as a bitmap of the surface; fails
// the test when two rectangles overlap or one leaves the surface.
std::vector<char> Coverage(const std::vector<RECT>& rects, int w, int h) {
  std::vector<char> cover(static_cast<std::size_t>(w) * h, 0);
  for (const RECT& r : rects) {
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= w && r.bottom <= h && r.left < r.right &&
                r.top < r.bottom)
        << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
    for (LONG y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, h); ++y)
      for (LONG x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, w); ++x) {
        char& c = cover[static_cast<std::size_t>(y) * w + x];
        EXPECT_EQ(c, 0) << "overlap at " << x << "," << y;
        c = 1;
      }
  }
  return cover;
}

// X clip lists in bands: sorted by top then left, and rectangles that share
// a row share their top and bottom.
void ExpectBanded(const std::vector<RECT>& rects) {
  for (std::size_t i = 1; i < rects.size(); ++i) {
    const RECT& a = rects[i - 1];
    const RECT& b = rects[i];
    ASSERT_TRUE(a.top < b.top || (a.top == b.top && a.right <= b.left)) << "order at " << i;
  }
  for (std::size_t i = 0; i < rects.size(); ++i)
    for (std::size_t j = i + 1; j < rects.size() && rects[j].top < rects[i].bottom; ++j) {
      ASSERT_EQ(rects[j].top, rects[i].top) << i << " and " << j << " share rows";
      ASSERT_EQ(rects[j].bottom, rects[i].bottom) << i << " and " << j << " share rows";
    }
}

// Checks that `rects` cover every marked pixel and little more: each
// rectangle holds a marked pixel in every group of rows it spans, and every
// presented pixel has a marked one in its group of rows at most
// kDirtyJoinGap away, or lies in a rectangle widened over a neighbouring
// group's marks. Returns the area presented.
long ExpectCovering(const std::vector<RECT>& rects, const std::vector<char>& marked, int w, int h) {
  const std::vector<char> cover = Coverage(rects, w, h);
  for (std::size_t i = 0; i < marked.size(); ++i) {
    if (marked[i]) {
      EXPECT_TRUE(cover[i]) << "marked pixel " << i % w << "," << i / w << " not presented";
    }
  }
  const int g = lvx::kDirtyRowGroup;
  long area = 0;
  for (const RECT& r : rects) {
    area += (r.right - r.left) * (r.bottom - r.top);
    for (int group = r.top / g * g; group < r.bottom; group += g) {
      bool any = false;
      for (int y = std::max<int>(group, r.top); y < std::min<int>(group + g, r.bottom); ++y)
        for (int x = r.left; x < r.right && !any; ++x)
          any = marked[static_cast<std::size_t>(y) * w + x] != 0;
      EXPECT_TRUE(any) << "rectangle " << r.left << "," << r.top << "-" << r.right << ","
                       << r.bottom << " holds no mark in rows " << group << "+";
    }
  }
  return area;
}

void Mark(lvx::Surface& s, std::vector<char>& marked, int l, int t, int r, int b) {
  s.MarkDirty(l, t, r, b);
  for (int y = std::max(t, 0); y < std::min(b, s.height); ++y)
    for (int x = std::max(l, 0); x < std::min(r, s.width); ++x)
      marked[static_cast<std::size_t>(y) * s.width + x] = 1;
}

}  // namespace

TEST(GdiSurface, ResizeClearsToBlackAndMarksEverything) {
  lvx::Surface s;
  s.Resize(100, 50);
  EXPECT_EQ(s.pixels.size(), 5000u);
  for (std::uint32_t p : s.pixels) ASSERT_EQ(p, 0u);
  EXPECT_TRUE(s.HasDirty());
  std::vector<RECT> rects = s.TakeDirty();
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].left, 0);
  EXPECT_EQ(rects[0].top, 0);
  EXPECT_EQ(rects[0].right, 100);
  EXPECT_EQ(rects[0].bottom, 50);
  EXPECT_FALSE(s.HasDirty());
  EXPECT_TRUE(s.TakeDirty().empty());
  s.Resize(0, 0);
  EXPECT_TRUE(s.TakeDirty().empty());
  EXPECT_TRUE(s.pixels.empty());
}

TEST(GdiSurface, PresentedRectanglesFollowTheMarkedPixels) {
  // Shapes a frame really produces, with the rectangles expected for them.
  const struct {
    const char* what;
    std::vector<RECT> marks;
    std::vector<RECT> expected;
  } cases[] = {
      {"one pixel", {{10, 10, 11, 11}}, {{10, 10, 11, 11}}},
      {"a 3x3 sprite is one rectangle", {{20, 20, 23, 23}}, {{20, 20, 23, 23}}},
      {"a sprite across two groups of rows is still one", {{20, 22, 23, 25}}, {{20, 22, 23, 25}}},
      {"a star that moved a pixel: two rows, one box", {{10, 10, 11, 11}, {11, 11, 12, 12}},
       {{10, 10, 12, 12}}},
      {"runs a few pixels apart on a row join",
       {{40, 5, 42, 6}, {42 + lvx::kDirtyJoinGap, 5, 50 + lvx::kDirtyJoinGap, 6}},
       {{40, 5, 50 + lvx::kDirtyJoinGap, 6}}},
      {"runs further apart stay apart",
       {{40, 5, 42, 6}, {43 + lvx::kDirtyJoinGap, 5, 50 + lvx::kDirtyJoinGap, 6}},
       {{40, 5, 42, 6}, {43 + lvx::kDirtyJoinGap, 5, 50 + lvx::kDirtyJoinGap, 6}}},
      {"sprites a row apart share their groups' bands", {{10, 10, 13, 13}, {40, 11, 43, 14}},
       {{10, 10, 13, 14}, {40, 10, 43, 14}}},
      {"a band widens to take in a run that overlaps it",
       {{30, 26, 32, 28}, {29, 28, 33, 30}},
       {{29, 26, 33, 30}}},
      {"but not when that costs more than the run holds",
       {{30, 25, 31, 28}, {10, 28, 34, 29}},
       {{30, 25, 31, 28}, {10, 28, 34, 29}}},
      {"groups of rows with nothing between them stay apart", {{5, 0, 6, 1}, {5, 8, 6, 9}},
       {{5, 0, 6, 1}, {5, 8, 6, 9}}},
      {"marks across 64-pixel words", {{60, 1, 70, 2}, {127, 1, 129, 2}},
       {{60, 1, 70, 2}, {127, 1, 129, 2}}},
      {"marks outside the surface are clipped or dropped",
       {{-5, -5, 2, 2}, {190, 90, 260, 140}, {-50, -50, -1, -1}, {200, 0, 300, 10}},
       {{0, 0, 2, 2}, {190, 90, 200, 100}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    lvx::Surface s;
    s.Resize(200, 100);
    s.ClearDirty();
    for (const RECT& m : c.marks) s.MarkDirty(m.left, m.top, m.right, m.bottom);
    const std::vector<RECT> got = s.TakeDirty();
    ASSERT_EQ(got.size(), c.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].left, c.expected[i].left) << i;
      EXPECT_EQ(got[i].top, c.expected[i].top) << i;
      EXPECT_EQ(got[i].right, c.expected[i].right) << i;
      EXPECT_EQ(got[i].bottom, c.expected[i].bottom) << i;
    }
    EXPECT_FALSE(s.HasDirty());
  }
}

TEST(GdiSurface, ScatteredMarksArePresentedClosely) {
  std::mt19937 rng(7);
  lvx::Surface s;
  const int w = 1000, h = 700;
  s.Resize(w, h);
  s.ClearDirty();
  for (int frame = 0; frame < 5; ++frame) {
    std::vector<char> marked(static_cast<std::size_t>(w) * h, 0);
    for (int i = 0; i < 600; ++i) {
      const int x = static_cast<int>(rng() % 1010) - 5, y = static_cast<int>(rng() % 710) - 5;
      const int size = 1 + static_cast<int>(rng() % 7);
      Mark(s, marked, x, y, x + size, y + size);
      if (i % 50 == 0) {  // now and then a long run, as a scrolling text row gives
        const int row = std::clamp(y, 0, h - 1);
        s.MarkSpan(row, 300, 640);
        std::fill_n(marked.begin() + static_cast<std::ptrdiff_t>(row) * w + 300, 340, 1);
      }
    }
    const std::vector<RECT> rects = s.TakeDirty();
    const long marks = std::count(marked.begin(), marked.end(), 1);
    // Scattered sprites cost a few unchanged pixels each: a present sends
    // at most three times the pixels that changed.
    EXPECT_LE(ExpectCovering(rects, marked, w, h), 3 * marks);
    ExpectBanded(rects);
    EXPECT_TRUE(s.TakeDirty().empty()) << "the record starts empty again";
  }
}

TEST(GdiSurface, TooManyPiecesBecomeOneSpanPerRow) {
  const int w = 1200, h = 400;
  lvx::Surface s;
  s.Resize(w, h);
  s.ClearDirty();
  std::vector<char> marked(static_cast<std::size_t>(w) * h, 0);
  // Single pixels with wide gaps: far more runs than one list may hold.
  for (int y = 0; y < h; ++y)
    for (int x = (y * 7) % 13; x < w; x += 13) Mark(s, marked, x, y, x + 1, y + 1);
  const std::vector<RECT> rects = s.TakeDirty();
  EXPECT_LE(rects.size(), static_cast<std::size_t>(h));
  ExpectBanded(rects);
  const std::vector<char> cover = Coverage(rects, w, h);
  for (std::size_t i = 0; i < marked.size(); ++i) {
    if (marked[i]) {
      ASSERT_TRUE(cover[i]) << i % w << "," << i / w;
    }
  }
}

TEST(GdiSurface, ChangeStampsTellWhetherAnAreaChanged) {
  lvx::Surface s;
  s.Resize(320, 200);
  const RECT star{100, 100, 107, 107};
  const std::uint64_t drawn = s.CurrentStamp();
  EXPECT_FALSE(s.ChangedSince(star, drawn)) << "nothing happened since";
  s.MarkDirty(250, 20, 260, 30);  // far away
  EXPECT_FALSE(s.ChangedSince(star, drawn));
  s.MarkDirty(120, 120, 124, 124);  // the same 64 x 64 region, another block
  EXPECT_FALSE(s.ChangedSince(star, drawn));
  s.MarkSpan(104, 90, 101);  // touches the star's left edge
  EXPECT_TRUE(s.ChangedSince(star, drawn));
  // A star across the edge of two regions sees a change in either.
  const RECT across{126, 60, 133, 67};
  const std::uint64_t acrossDrawn = s.CurrentStamp();
  s.MarkDirty(130, 66, 131, 67);
  EXPECT_TRUE(s.ChangedSince(across, acrossDrawn));
  const std::uint64_t again = s.CurrentStamp();
  EXPECT_FALSE(s.ChangedSince(star, again));
  // Areas outside the surface never changed; a stamp of another surface or
  // of this one before a resize says nothing.
  EXPECT_FALSE(s.ChangedSince(RECT{-20, -20, -10, -10}, again));
  lvx::Surface other;
  other.Resize(320, 200);
  EXPECT_TRUE(other.ChangedSince(star, again));
  s.Resize(320, 200);
  EXPECT_TRUE(s.ChangedSince(star, again));
  s.Resize(300, 200);
  EXPECT_TRUE(s.ChangedSince(star, again));
}

TEST(GdiSurface, PixelsMoveIntoLentMemoryAndCopiesStayOnTheHeap) {
  lvx::Surface s;
  s.Resize(4, 3);
  s.Row(1)[2] = 0x123456u;
  auto memory = std::make_shared<TestMemory>(12);
  ASSERT_TRUE(s.pixels.Adopt(memory));
  EXPECT_EQ(s.pixels.Lender(), memory.get());
  EXPECT_EQ(s.pixels.data(), memory->Pixels());
  EXPECT_EQ(memory->Pixels()[1 * 4 + 2], 0x123456u) << "contents moved along";
  EXPECT_EQ(memory->Pixels()[0], 0u);
  EXPECT_FALSE(s.pixels.Adopt(std::make_shared<TestMemory>(11))) << "too small";
  EXPECT_EQ(s.pixels.Lender(), memory.get());

  lvx::Surface copy = s;
  EXPECT_EQ(copy.pixels.Lender(), nullptr);
  EXPECT_EQ(copy.Row(1)[2], 0x123456u);
  copy.Row(1)[2] = 1;
  EXPECT_EQ(s.Row(1)[2], 0x123456u) << "a copy has pixels of its own";

  // The same size keeps the memory (cleared); another size goes back to the heap.
  s.Resize(4, 3);
  EXPECT_EQ(s.pixels.Lender(), memory.get());
  EXPECT_EQ(memory->Pixels()[1 * 4 + 2], 0u);
  s.Resize(5, 3);
  EXPECT_EQ(s.pixels.Lender(), nullptr);
  EXPECT_EQ(s.pixels.size(), 15u);
  EXPECT_EQ(memory.use_count(), 1) << "the surface let go";
}
