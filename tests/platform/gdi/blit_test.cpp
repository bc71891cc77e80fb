#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tests/platform/gdi/canvas.h"

using lvx::test::Canvas;

namespace {

// A distinct colour for every pixel, so a misplaced copy shows.
COLORREF Pattern(int x, int y) { return RGB(x * 7 + 1, y * 11 + 3, (x * 13 + y * 5) & 0xFF); }

void Paint(Canvas& c) {
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) SetPixelV(c.dc(), x, y, Pattern(x, y));
  }
}

// What a clipped copy must leave: destination pixel (x, y) comes from source
// (x - dx + sx, y - dy + sy) when both lie on their surfaces and inside the
// copied block; everything else keeps its old colour.
std::vector<COLORREF> ReferenceCopy(const Canvas& dst, COLORREF old, int dx, int dy, int w,
                                    int h, int sw, int sh, int sx, int sy) {
  std::vector<COLORREF> out;
  for (int y = 0; y < dst.height(); ++y) {
    for (int x = 0; x < dst.width(); ++x) {
      const int ix = x - dx, iy = y - dy;
      const int srcX = sx + ix, srcY = sy + iy;
      const bool copied = ix >= 0 && ix < w && iy >= 0 && iy < h && srcX >= 0 && srcX < sw &&
                          srcY >= 0 && srcY < sh;
      out.push_back(copied ? Pattern(srcX, srcY) : old);
    }
  }
  return out;
}

std::vector<COLORREF> Read(const Canvas& c) {
  std::vector<COLORREF> out;
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) out.push_back(c.At(x, y));
  }
  return out;
}

}  // namespace

TEST(GdiBitBlt, SrcCopyIsPixelExactAndClippedAtEveryEdge) {
  Canvas src(9, 7);
  Paint(src);
  const COLORREF old = RGB(1, 2, 3);
  // Destination positions and source offsets that cross every edge of both.
  const int dstPos[] = {-6, -1, 0, 2, 5, 9, 12};
  const int srcPos[] = {-4, -1, 0, 3, 8};
  for (int dx : dstPos) {
    for (int sx : srcPos) {
      for (int dy : {-3, 0, 4, 8}) {
        for (int sy : {-2, 0, 5}) {
          Canvas dst(10, 8, old);
          ASSERT_TRUE(BitBlt(dst.dc(), dx, dy, 6, 5, src.dc(), sx, sy, SRCCOPY));
          ASSERT_EQ(Read(dst), ReferenceCopy(dst, old, dx, dy, 6, 5, 9, 7, sx, sy))
              << "dst " << dx << "," << dy << " src " << sx << "," << sy;
        }
      }
    }
  }
}

TEST(GdiBitBlt, BlacknessAndWhitenessIgnoreTheSourceAndClip) {
  Canvas dst(6, 5, RGB(9, 9, 9));
  ASSERT_TRUE(BitBlt(dst.dc(), -2, 3, 4, 10, nullptr, 0, 0, BLACKNESS));
  ASSERT_TRUE(BitBlt(dst.dc(), 4, -1, 5, 2, nullptr, 0, 0, WHITENESS));
  EXPECT_EQ(dst.Map({{RGB(9, 9, 9), '.'}, {0, 'K'}, {RGB(255, 255, 255), 'W'}}),
            lvx::test::Rows({"....WW", "......", "......", "KK....", "KK...."}));
}

TEST(GdiBitBlt, HonoursTheDestinationClipRectangle) {
  Canvas src(8, 8);
  Paint(src);
  Canvas dst(8, 8);
  ASSERT_EQ(IntersectClipRect(dst.dc(), 2, 3, 6, 5), SIMPLEREGION);
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 8, 8, src.dc(), 0, 0, SRCCOPY));
  // Outside the clip rectangle reads fail too.
  EXPECT_EQ(dst.At(0, 0), CLR_INVALID);
  EXPECT_EQ(dst.At(2, 3), Pattern(2, 3));
  const auto px = dst.Pixels();
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 3 && y < 5;
      EXPECT_EQ(lvx::PixelToColorRef(px[y * 8 + x]), inside ? Pattern(x, y) : 0u) << x << "," << y;
    }
  }
  RECT box;
  EXPECT_EQ(GetClipBox(dst.dc(), &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.bottom, 5);
  // Clip regions restrict the same way and a null region lifts the clip.
  HRGN rgn = CreateRectRgn(0, 0, 1, 1);
  SelectClipRgn(dst.dc(), rgn);
  DeleteObject(rgn);  // the DC keeps its own copy
  EXPECT_EQ(SetPixel(dst.dc(), 3, 3, RGB(1, 1, 1)), CLR_INVALID);
  EXPECT_EQ(SetPixel(dst.dc(), 0, 0, RGB(1, 1, 1)), RGB(1, 1, 1));
  EXPECT_EQ(SelectClipRgn(dst.dc(), nullptr), SIMPLEREGION);
  EXPECT_EQ(SetPixel(dst.dc(), 3, 3, RGB(1, 1, 1)), RGB(1, 1, 1));
}

TEST(GdiBitBlt, OverlappingCopiesOnOneSurfaceMoveTheOriginalPixels) {
  const std::pair<int, int> shifts[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {2, 3}, {-3, -2}, {3, -1}};
  for (auto [ox, oy] : shifts) {
    Canvas c(12, 10);
    Paint(c);
    ASSERT_TRUE(BitBlt(c.dc(), 3 + ox, 2 + oy, 6, 5, c.dc(), 3, 2, SRCCOPY));
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 12; ++x) {
        const int ix = x - 3 - ox, iy = y - 2 - oy;
        const COLORREF want = (ix >= 0 && ix < 6 && iy >= 0 && iy < 5) ? Pattern(3 + ix, 2 + iy)
                                                                        : Pattern(x, y);
        ASSERT_EQ(c.At(x, y), want) << "shift " << ox << "," << oy << " at " << x << "," << y;
      }
    }
  }
}

TEST(GdiBitBlt, UnsupportedRasterOperationFailsAndMissingSourceFails) {
  Canvas dst(4, 4, RGB(5, 5, 5));
  Canvas src(4, 4, RGB(200, 0, 0));
  EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 0x00BB0226u));  // MERGEPAINT
  EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(nullptr, 0, 0, 4, 4, src.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(dst.At(1, 1), RGB(5, 5, 5));
  // Source-combining operations read the destination too.
  SetPixelV(dst.dc(), 0, 0, RGB(0x0F, 0xF0, 0x33));
  SetPixelV(src.dc(), 0, 0, RGB(0x11, 0x11, 0xFF));
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, SRCINVERT));
  EXPECT_EQ(dst.At(0, 0), RGB(0x1E, 0xE1, 0xCC));
}

TEST(GdiStretchBlt, InPlaceMirrorMatchesAReferenceAndTwiceRestores) {
  for (auto [w, h] : {std::pair{7, 5}, std::pair{8, 3}, std::pair{1, 4}}) {
    Canvas c(w, h);
    Paint(c);
    const auto original = c.Pixels();
    ASSERT_TRUE(StretchBlt(c.dc(), w, 0, -w, h, c.dc(), 0, 0, w, h, SRCCOPY));
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) ASSERT_EQ(c.At(x, y), Pattern(w - 1 - x, y)) << x << "," << y;
    }
    ASSERT_TRUE(StretchBlt(c.dc(), w, 0, -w, h, c.dc(), 0, 0, w, h, SRCCOPY));
    EXPECT_EQ(c.Pixels(), original);
  }
}

TEST(GdiStretchBlt, ScalesFlipsAndClipsNearestNeighbour) {
  Canvas src(3, 2);
  Paint(src);
  Canvas big(8, 6, RGB(1, 1, 1));
  ASSERT_TRUE(StretchBlt(big.dc(), 1, 1, 6, 4, src.dc(), 0, 0, 3, 2, SRCCOPY));
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool in = x >= 1 && x < 7 && y >= 1 && y < 5;
      EXPECT_EQ(big.At(x, y), in ? Pattern((x - 1) / 2, (y - 1) / 2) : RGB(1, 1, 1));
    }
  }
  // Upside down through a negative source height, shrunk by two horizontally.
  Canvas src2(6, 3);
  Paint(src2);
  Canvas flip(3, 3);
  ASSERT_TRUE(StretchBlt(flip.dc(), 0, 0, 3, 3, src2.dc(), 0, 3, 6, -3, SRCCOPY));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(flip.At(x, y), Pattern(2 * x + 1, 2 - y));
  }
  // Far outside the destination: nothing is drawn, nothing breaks.
  EXPECT_TRUE(StretchBlt(flip.dc(), -100000, 5, 40000, 3, src2.dc(), 0, 0, 6, 3, SRCCOPY));
  EXPECT_TRUE(StretchBlt(flip.dc(), 0, 0, 3, 3, src2.dc(), 50, 50, 6, 3, SRCCOPY));
  EXPECT_EQ(flip.At(0, 0), Pattern(1, 2));
  EXPECT_EQ(SetStretchBltMode(flip.dc(), COLORONCOLOR), BLACKONWHITE);
  EXPECT_TRUE(StretchBlt(flip.dc(), 0, 0, 3, 3, src2.dc(), 0, 0, 6, 3, BLACKNESS));
  EXPECT_EQ(flip.At(2, 2), 0u);
}

TEST(GdiPixels, SetAndGetRoundTripAndRefuseOutside) {
  Canvas c(5, 4);
  EXPECT_EQ(SetPixel(c.dc(), 4, 3, RGB(10, 20, 30)), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(c.dc(), 4, 3), RGB(10, 20, 30));
  EXPECT_TRUE(SetPixelV(c.dc(), 0, 0, RGB(255, 0, 128)));
  EXPECT_EQ(GetPixel(c.dc(), 0, 0), RGB(255, 0, 128));
  // The top byte of a COLORREF is not a colour.
  EXPECT_EQ(SetPixel(c.dc(), 1, 1, 0x01FFEEDDu), 0x00FFEEDDu);
  EXPECT_EQ(GetPixel(c.dc(), 1, 1), 0x00FFEEDDu);
  for (auto [x, y] : {std::pair{-1, 0}, std::pair{0, -1}, std::pair{5, 0}, std::pair{0, 4},
                      std::pair{-100000, 100000}}) {
    EXPECT_EQ(SetPixel(c.dc(), x, y, RGB(1, 2, 3)), CLR_INVALID);
    EXPECT_FALSE(SetPixelV(c.dc(), x, y, RGB(1, 2, 3)));
    EXPECT_EQ(GetPixel(c.dc(), x, y), CLR_INVALID);
  }
  EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(reinterpret_cast<HDC>(&c), 0, 0), CLR_INVALID);  // not a DC
}

TEST(GdiPixels, WindowSurfaceRecordsWhatBlitsTouched) {
  lvx::Surface win;
  win.Resize(256, 128);
  win.trackDirty = true;
  win.TakeDirty();
  HDC dc = lvx::CreateSurfaceDC(&win);
  Canvas sprite(3, 3, RGB(255, 255, 255));
  ASSERT_TRUE(BitBlt(dc, 100, 40, 3, 3, sprite.dc(), 0, 0, SRCCOPY));
  SetPixel(dc, 5, 120, RGB(9, 9, 9));
  ASSERT_TRUE(win.HasDirty());
  auto rects = win.TakeDirty();
  auto covers = [&](int x, int y) {
    return std::any_of(rects.begin(), rects.end(), [&](const RECT& r) {
      return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    });
  };
  EXPECT_TRUE(covers(100, 40));
  EXPECT_TRUE(covers(102, 42));
  EXPECT_TRUE(covers(5, 120));
  EXPECT_FALSE(covers(200, 10));
  EXPECT_FALSE(win.HasDirty());
  // A fully clipped blit touches nothing.
  ASSERT_TRUE(BitBlt(dc, 300, 40, 3, 3, sprite.dc(), 0, 0, SRCCOPY));
  EXPECT_FALSE(win.HasDirty());
  // Writing what is already there changes nothing on screen, so nothing is
  // left to present: the same sprite, the same pixel, black on black.
  ASSERT_TRUE(BitBlt(dc, 100, 40, 3, 3, sprite.dc(), 0, 0, SRCCOPY));
  SetPixel(dc, 5, 120, RGB(9, 9, 9));
  ASSERT_TRUE(BitBlt(dc, 10, 10, 20, 20, nullptr, 0, 0, BLACKNESS));
  EXPECT_FALSE(win.HasDirty());
  // A sprite that differs in one corner pixel marks that pixel, not the tile.
  SetPixel(sprite.dc(), 2, 2, RGB(1, 2, 3));
  ASSERT_TRUE(BitBlt(dc, 100, 40, 3, 3, sprite.dc(), 0, 0, SRCCOPY));
  rects = win.TakeDirty();
  EXPECT_TRUE(covers(102, 42));
  EXPECT_EQ(GetPixel(dc, 102, 42), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(dc, 100, 40), RGB(255, 255, 255));
  lvx::DestroySurfaceDC(dc);
}

TEST(GdiPixels, WindowSurfaceMarksOnlyThePixelsThatChange) {
  lvx::Surface win;
  win.Resize(300, 100);
  win.trackDirty = true;
  HDC dc = lvx::CreateSurfaceDC(&win);
  auto markedArea = [&win](RECT* box) {
    long area = 0;
    *box = RECT{1000, 1000, -1, -1};
    for (const RECT& r : win.TakeDirty()) {
      area += (r.right - r.left) * (r.bottom - r.top);
      box->left = std::min(box->left, r.left);
      box->top = std::min(box->top, r.top);
      box->right = std::max(box->right, r.right);
      box->bottom = std::max(box->bottom, r.bottom);
    }
    return area;
  };
  // Two pictures that differ on a plus-shaped set of pixels (a twinkle
  // step), once sprite-sized and once large.
  for (int side : {7, 21}) {
    SCOPED_TRACE(side);
    Canvas dim(side, side, RGB(0, 0, 90)), bright(side, side, RGB(0, 0, 90));
    const int c = side / 2;
    for (int i = 0; i < side; ++i) {
      SetPixel(dim.dc(), c, i, RGB(100, 100, 100));
      SetPixel(dim.dc(), i, c, RGB(100, 100, 100));
      SetPixel(bright.dc(), c, i, RGB(110, 110, 110));
      SetPixel(bright.dc(), i, c, RGB(110, 110, 110));
    }
    ASSERT_TRUE(BitBlt(dc, 50, 20, side, side, dim.dc(), 0, 0, SRCCOPY));
    win.ClearDirty();
    ASSERT_TRUE(BitBlt(dc, 50, 20, side, side, bright.dc(), 0, 0, SRCCOPY));
    RECT box;
    const long area = markedArea(&box);
    EXPECT_EQ(box.left, 50);
    EXPECT_EQ(box.top, 20);
    EXPECT_EQ(box.right, 50 + side);
    EXPECT_EQ(box.bottom, 20 + side);
    // A sprite is sent as the box around its changes; a large picture as
    // the arms, not the square: the column, and across it the group of rows
    // that holds the changed row.
    EXPECT_EQ(area, side == 7 ? 49 : (side - lvx::kDirtyRowGroup) + lvx::kDirtyRowGroup * side);
    // A sprite that changed in one corner only marks that corner.
    SetPixel(bright.dc(), side - 1, side - 1, RGB(1, 2, 3));
    ASSERT_TRUE(BitBlt(dc, 50, 20, side, side, bright.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(markedArea(&box), 1);
    EXPECT_EQ(box.left, 50 + side - 1);
    EXPECT_EQ(box.top, 20 + side - 1);
    RECT r{0, 0, 300, 100};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    win.ClearDirty();
  }

  // A black fill over two lit pixels far apart on one row marks the two.
  SetPixel(dc, 10, 60, RGB(255, 255, 255));
  SetPixel(dc, 250, 60, RGB(255, 255, 255));
  win.ClearDirty();
  RECT band{0, 40, 300, 100};
  FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  const std::vector<RECT> rects = win.TakeDirty();
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0].left, 10);
  EXPECT_EQ(rects[0].right, 11);
  EXPECT_EQ(rects[1].left, 250);
  EXPECT_EQ(rects[1].right, 251);
  lvx::DestroySurfaceDC(dc);
}

// A wide copy (a scrolling line) compares eight pixels at a time: whatever
// the differences' places, at a group's edge or in the tail, the window ends
// up equal to the source and exactly the changed pixels are marked (with
// the short gaps between them that runs may join).
TEST(GdiPixels, WideCopiesMarkEveryChangedPixelAndNothingFarFromOne) {
  constexpr int kW = 203, kH = 4;
  lvx::Surface win;
  win.Resize(kW + 10, kH + 2);
  win.trackDirty = true;
  HDC dc = lvx::CreateSurfaceDC(&win);
  Canvas line(kW, kH, RGB(0, 0, 0));
  std::uint32_t seed = 7;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::vector<std::uint32_t> before(win.pixels.begin(), win.pixels.end());
    // A few changes, some at the edges of the groups of eight.
    for (int k = 0; k < 12; ++k) {
      seed = seed * 1103515245u + 12345u;
      const int x = (k < 4) ? (8 * static_cast<int>(seed % 25) + (k % 2 ? 7 : 0)) % kW
                            : static_cast<int>(seed % kW);
      SetPixel(line.dc(), x, static_cast<int>((seed >> 8) % kH), RGB(seed >> 16, round, 9));
    }
    SetPixel(line.dc(), kW - 1, round % kH, RGB(round, 1, 1));  // the tail
    win.ClearDirty();
    ASSERT_TRUE(BitBlt(dc, 5, 1, kW, kH, line.dc(), 0, 0, SRCCOPY));
    const std::vector<RECT> rects = win.TakeDirty();
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        const std::size_t at = static_cast<std::size_t>(y + 1) * win.width + x + 5;
        ASSERT_EQ(win.pixels[at], lvx::ColorRefToPixel(line.At(x, y))) << x << "," << y;
        const bool changed = win.pixels[at] != before[at];
        bool marked = false;
        for (const RECT& r : rects)
          marked |= x + 5 >= r.left && x + 5 < r.right && y + 1 >= r.top && y + 1 < r.bottom;
        if (changed) {
          ASSERT_TRUE(marked) << x << "," << y;
        }
        if (!marked) continue;
        // A marked pixel that did not change lies in a gap between changes
        // of the line's rows (which are presented a few rows at a time).
        bool nearChange = false;
        for (int ny = 0; ny < kH && !nearChange; ++ny)
          for (int d = -lvx::kDirtyJoinGap; d <= lvx::kDirtyJoinGap && !nearChange; ++d) {
            const int nx = x + d;
            if (nx < 0 || nx >= kW) continue;
            const std::size_t n = static_cast<std::size_t>(ny + 1) * win.width + nx + 5;
            nearChange = win.pixels[n] != before[n];
          }
        ASSERT_TRUE(nearChange) << x << "," << y;
      }
    }
  }
  lvx::DestroySurfaceDC(dc);
}

TEST(GdiPixels, ChangeStampsThroughTheDC) {
  lvx::Surface win;
  win.Resize(64, 64);
  win.trackDirty = true;
  HDC dc = lvx::CreateSurfaceDC(&win);
  const RECT spot{10, 10, 13, 13};
  const std::uint64_t stamp = lvx::ChangeStamp(dc);
  EXPECT_FALSE(lvx::ChangedSince(dc, spot, stamp));
  SetPixel(dc, 11, 11, RGB(0, 0, 0));  // black on black: nothing changes
  EXPECT_FALSE(lvx::ChangedSince(dc, spot, stamp));
  SetPixel(dc, 11, 11, RGB(5, 5, 5));
  EXPECT_TRUE(lvx::ChangedSince(dc, spot, stamp));
  // Bitmaps keep no record, and a bad DC knows nothing: always "changed".
  Canvas bitmap(8, 8, RGB(0, 0, 0));
  EXPECT_TRUE(lvx::ChangedSince(bitmap.dc(), RECT{0, 0, 2, 2}, lvx::ChangeStamp(bitmap.dc())));
  EXPECT_TRUE(lvx::ChangedSince(nullptr, spot, stamp));

  // Asked again and again, the stamp moves on while the spot stays as it
  // was, so a change elsewhere in between is never mistaken for one here,
  // and a change here is still seen however late it is asked about.
  std::uint64_t looked = lvx::ChangeStamp(dc);
  SetPixel(dc, 40, 40, RGB(9, 9, 9));
  EXPECT_TRUE(lvx::StillUnchanged(dc, spot, looked));
  EXPECT_EQ(looked, lvx::ChangeStamp(dc));
  SetPixel(dc, 12, 12, RGB(7, 7, 7));
  SetPixel(dc, 41, 40, RGB(9, 9, 9));
  const std::uint64_t kept = looked;
  EXPECT_FALSE(lvx::StillUnchanged(dc, spot, looked));
  EXPECT_EQ(looked, kept) << "a changed spot keeps its old stamp";
  EXPECT_FALSE(lvx::StillUnchanged(bitmap.dc(), RECT{0, 0, 2, 2}, looked));
  lvx::DestroySurfaceDC(dc);
}
