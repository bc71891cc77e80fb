#include <gtest/gtest.h>

#include "tests/platform/gdi/canvas.h"

using lvx::test::Canvas;
using lvx::test::Rows;

namespace {

constexpr COLORREF kPen = RGB(255, 0, 0);
constexpr COLORREF kBrush = RGB(0, 255, 0);
const std::vector<std::pair<COLORREF, char>> kLegend = {{0, '.'}, {kPen, 'P'}, {kBrush, 'B'}};

// Selects a red pen and a green brush for the life of the object.
class PenAndBrush {
 public:
  explicit PenAndBrush(HDC dc, int width = 0, int style = PS_SOLID) : dc_(dc) {
    pen_ = CreatePen(style, width, kPen);
    brush_ = CreateSolidBrush(kBrush);
    oldPen_ = SelectObject(dc, pen_);
    oldBrush_ = SelectObject(dc, brush_);
  }
  ~PenAndBrush() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
  }

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_, oldBrush_;
};

std::string EllipseMap(int w, int h) {
  Canvas c(w + 2, h + 2);
  PenAndBrush pb(c.dc());
  EXPECT_TRUE(Ellipse(c.dc(), 1, 1, 1 + w, 1 + h));
  return c.Map(kLegend);
}

}  // namespace

TEST(GdiEllipse, SmallBoxesFollowThePixelRule) {
  EXPECT_EQ(EllipseMap(1, 1), Rows({"...", ".P.", "..."}));
  EXPECT_EQ(EllipseMap(2, 2), Rows({"....", ".PP.", ".PP.", "...."}));
  EXPECT_EQ(EllipseMap(3, 3), Rows({".....", ".PPP.", ".PBP.", ".PPP.", "....."}));
  EXPECT_EQ(EllipseMap(4, 4), Rows({"......", "..PP..", ".PBBP.", ".PBBP.", "..PP..", "......"}));
  EXPECT_EQ(EllipseMap(5, 5),
            Rows({".......", "..PPP..", ".PBBBP.", ".PBBBP.", ".PBBBP.", "..PPP..", "......."}));
  EXPECT_EQ(EllipseMap(6, 3), Rows({"........", "..PPPP..", ".PBBBBP.", "..PPPP..", "........"}));
  // Empty boxes draw nothing; reversed corners are the same box.
  Canvas c(6, 6);
  PenAndBrush pb(c.dc());
  EXPECT_TRUE(Ellipse(c.dc(), 2, 2, 2, 5));
  EXPECT_EQ(c.BoundsNot(0).right, 0);
  EXPECT_TRUE(Ellipse(c.dc(), 5, 5, 1, 1));
  EXPECT_EQ(c.Map(kLegend), EllipseMap(4, 4));
}

TEST(GdiEllipse, LargerShapesAreSymmetricClosedAndInsideTheirBox) {
  for (auto [w, h] : {std::pair{31, 31}, std::pair{30, 17}, std::pair{9, 40}, std::pair{2, 25}}) {
    Canvas c(w + 4, h + 4);
    PenAndBrush pb(c.dc());
    ASSERT_TRUE(Ellipse(c.dc(), 2, 2, 2 + w, 2 + h));
    const RECT b = c.BoundsNot(0);
    EXPECT_EQ(b.left, 2);
    EXPECT_EQ(b.top, 2);
    EXPECT_EQ(b.right, 2 + w);
    EXPECT_EQ(b.bottom, 2 + h);
    for (int y = 0; y < h + 4; ++y) {
      for (int x = 0; x < w + 4; ++x) {
        const COLORREF v = c.At(x, y);
        ASSERT_EQ(v, c.At(w + 3 - x, y)) << "mirror " << w << "x" << h << " at " << x << "," << y;
        ASSERT_EQ(v, c.At(x, h + 3 - y)) << "flip " << w << "x" << h << " at " << x << "," << y;
        // The outline is closed: brush never touches the background.
        if (v == kBrush) {
          for (auto [nx, ny] : {std::pair{x - 1, y}, std::pair{x + 1, y}, std::pair{x, y - 1},
                                std::pair{x, y + 1}}) {
            ASSERT_NE(c.At(nx, ny), 0u) << "leak at " << x << "," << y;
          }
        }
      }
    }
  }
}

TEST(GdiEllipse, NullPenFillsTheWholeShape) {
  Canvas c(7, 7);
  PenAndBrush pb(c.dc());
  HGDIOBJ oldPen = SelectObject(c.dc(), GetStockObject(NULL_PEN));
  ASSERT_TRUE(Ellipse(c.dc(), 1, 1, 6, 6));
  EXPECT_EQ(c.Map(kLegend),
            Rows({".......", "..BBB..", ".BBBBB.", ".BBBBB.", ".BBBBB.", "..BBB..", "......."}));
  SelectObject(c.dc(), oldPen);
}

TEST(GdiEllipse, WidePenRingIsCentredOnTheOutline) {
  Canvas c(13, 13);
  PenAndBrush pb(c.dc(), 3);
  ASSERT_TRUE(Ellipse(c.dc(), 2, 2, 11, 11));
  const RECT b = c.BoundsNot(0);
  // One pixel beyond the box on every side.
  EXPECT_EQ(b.left, 1);
  EXPECT_EQ(b.top, 1);
  EXPECT_EQ(b.right, 12);
  EXPECT_EQ(b.bottom, 12);
  EXPECT_EQ(c.At(6, 6), kBrush);
  for (int x = 1; x <= 3; ++x) EXPECT_EQ(c.At(x, 6), kPen) << x;
  EXPECT_EQ(c.At(4, 6), kBrush);
}

TEST(GdiLineTo, BresenhamWithoutTheEndPoint) {
  Canvas c(7, 4);
  PenAndBrush pb(c.dc());
  POINT prev{-1, -1};
  ASSERT_TRUE(MoveToEx(c.dc(), 0, 0, &prev));
  EXPECT_EQ(prev.x, 0);  // a fresh DC starts at the origin
  ASSERT_TRUE(LineTo(c.dc(), 5, 2));
  EXPECT_EQ(c.Map(kLegend), Rows({"PP.....", "..PP...", "....P..", "......."}));
  // The current position moved to the end point; the next line starts there.
  ASSERT_TRUE(LineTo(c.dc(), 5, 3));
  EXPECT_EQ(c.Map(kLegend), Rows({"PP.....", "..PP...", "....PP.", "......."}));
  MoveToEx(c.dc(), 0, 0, &prev);
  EXPECT_EQ(prev.x, 5);
  EXPECT_EQ(prev.y, 3);
}

TEST(GdiLineTo, EveryDirectionAndClipping) {
  Canvas c(5, 5);
  PenAndBrush pb(c.dc());
  MoveToEx(c.dc(), 4, 4, nullptr);
  LineTo(c.dc(), 0, 0);  // diagonal back to the origin, origin excluded
  MoveToEx(c.dc(), 4, 0, nullptr);
  LineTo(c.dc(), 4, 3);  // vertical down
  EXPECT_EQ(c.Map(kLegend), Rows({"....P", ".P..P", "..P.P", "...P.", "....P"}));
  // A long line through the canvas is clipped; one entirely outside draws nothing.
  Canvas d(5, 5);
  PenAndBrush pb2(d.dc());
  MoveToEx(d.dc(), -1000, 2, nullptr);
  EXPECT_TRUE(LineTo(d.dc(), 1000, 2));
  EXPECT_EQ(d.Map(kLegend), Rows({".....", ".....", "PPPPP", ".....", "....."}));
  MoveToEx(d.dc(), -50, -50, nullptr);
  EXPECT_TRUE(LineTo(d.dc(), -10, -60));
  EXPECT_EQ(d.BoundsNot(0).top, 2);
  // A null pen moves without drawing.
  SelectObject(d.dc(), GetStockObject(NULL_PEN));
  MoveToEx(d.dc(), 0, 0, nullptr);
  EXPECT_TRUE(LineTo(d.dc(), 4, 0));
  EXPECT_EQ(d.At(1, 0), 0u);
}

TEST(GdiRectangle, OutlineWithPenFillWithBrushRightAndBottomExcluded) {
  Canvas c(6, 5);
  PenAndBrush pb(c.dc());
  ASSERT_TRUE(Rectangle(c.dc(), 1, 1, 5, 4));
  EXPECT_EQ(c.Map(kLegend), Rows({"......", ".PPPP.", ".PBBP.", ".PPPP.", "......"}));
  // A pen of width 3 straddles the outline.
  Canvas w(9, 9);
  PenAndBrush wide(w.dc(), 3);
  ASSERT_TRUE(Rectangle(w.dc(), 2, 2, 7, 7));
  EXPECT_EQ(w.Map(kLegend), Rows({".........", ".PPPPPPP.", ".PPPPPPP.", ".PPPPPPP.", ".PPPBPPP.",
                                  ".PPPPPPP.", ".PPPPPPP.", ".PPPPPPP.", "........."}));
  ASSERT_TRUE(Rectangle(w.dc(), 0, 0, 9, 9));
  EXPECT_EQ(w.At(4, 4), kBrush);
  EXPECT_EQ(w.At(2, 4), kBrush);
  EXPECT_EQ(w.At(1, 4), kPen);
  EXPECT_EQ(w.At(0, 0), kPen);
}

TEST(GdiFillRect, UsesTheGivenBrushAndTheClip) {
  Canvas c(6, 4);
  HBRUSH b = CreateSolidBrush(kBrush);
  RECT r{-3, 1, 4, 10};
  EXPECT_NE(FillRect(c.dc(), &r, b), 0);
  EXPECT_EQ(c.Map(kLegend), Rows({"......", "BBBB..", "BBBB..", "BBBB.."}));
  IntersectClipRect(c.dc(), 5, 0, 6, 1);
  RECT all{0, 0, 6, 4};
  FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SelectClipRgn(c.dc(), nullptr);
  EXPECT_EQ(c.At(5, 0), RGB(255, 255, 255));
  EXPECT_EQ(c.At(4, 0), 0u);
  EXPECT_EQ(FillRect(c.dc(), &all, nullptr), 0);
  EXPECT_EQ(FillRect(c.dc(), nullptr, b), 0);
  DeleteObject(b);
}
