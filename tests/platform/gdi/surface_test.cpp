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

// Checks that `rects` cover every marked pixel and, beyond them, only gaps
// of at most kDirtyJoinGap pixels between marked pixels of the same row.
void ExpectExact(const std::vector<RECT>& rects, const std::vector<char>& marked, int w, int h) {
  const std::vector<char> cover = Coverage(rects, w, h);
  for (int y = 0; y < h; ++y) {
    int lastMarked = -1000;
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      if (marked[i]) {
        ASSERT_TRUE(cover[i]) << "marked pixel " << x << "," << y << " not presented";
        lastMarked = x;
        continue;
      }
      if (!cover[i]) continue;
      // An unmarked pixel presented: it must sit in a short gap of its row.
      int next = x;
      while (next < w && !marked[static_cast<std::size_t>(y) * w + next]) ++next;
      ASSERT_LT(next, w) << "presented beyond the last mark at " << x << "," << y;
      ASSERT_LE(next - lastMarked - 1, lvx::kDirtyJoinGap) << "wide gap at " << x << "," << y;
    }
  }
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
      {"a cross: one rectangle per distinct row span",
       {{30, 27, 31, 30}, {27, 30, 34, 31}, {30, 31, 31, 34}},
       {{30, 27, 31, 30}, {27, 30, 34, 31}, {30, 31, 31, 34}}},
      {"runs a few pixels apart on a row join",
       {{40, 5, 42, 6}, {42 + lvx::kDirtyJoinGap, 5, 50 + lvx::kDirtyJoinGap, 6}},
       {{40, 5, 50 + lvx::kDirtyJoinGap, 6}}},
      {"runs further apart stay apart",
       {{40, 5, 42, 6}, {43 + lvx::kDirtyJoinGap, 5, 50 + lvx::kDirtyJoinGap, 6}},
       {{40, 5, 42, 6}, {43 + lvx::kDirtyJoinGap, 5, 50 + lvx::kDirtyJoinGap, 6}}},
      {"overlapping marks become their union", {{0, 0, 8, 4}, {4, 2, 12, 6}},
       {{0, 0, 8, 2}, {0, 2, 12, 4}, {4, 4, 12, 6}}},
      {"sprites a row apart make bands", {{10, 10, 13, 13}, {40, 11, 43, 14}},
       {{10, 10, 13, 11}, {10, 11, 13, 13}, {40, 11, 43, 13}, {40, 13, 43, 14}}},
      {"a column of marks a row apart is not merged over the empty rows",
       {{5, 0, 6, 1}, {5, 2, 6, 3}},
       {{5, 0, 6, 1}, {5, 2, 6, 3}}},
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

TEST(GdiSurface, ScatteredMarksArePresentedExactlyFrameAfterFrame) {
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
    ExpectExact(rects, marked, w, h);
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
