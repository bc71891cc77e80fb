// Pens, brushes and the shapes drawn with them.
//
// Pixel rules (right and bottom edges excluded, as GDI draws):
// - Rectangle(l, t, r, b) with a 1-pixel pen outlines columns l and r-1 and
//   rows t and b-1 and fills the inside with the brush. A wider pen of width p
//   is centred on that outline: it covers l-(p-1)/2 .. l+p/2 on the left and
//   likewise on every side. With the null pen the brush fills [l,r) x [t,b).
// - Ellipse(l, t, r, b): pixel (x, y) belongs to the ellipse when its centre
//   lies inside or on the ellipse inscribed in the box [l,r) x [t,b). The
//   test runs in integers on doubled coordinates, so the shape is exactly
//   symmetric. A 1-pixel pen draws the pixels of the shape that have a
//   4-neighbour outside it; the brush fills the rest. So a 1x1 box gives one
//   pixel, a 2x2 box a square of outline, a 3x3 box a square of outline
//   around one brush pixel, and a 4x4 box loses its four corners. The middle
//   row(s) and column(s) always reach the edges of the box, so a thin
//   ellipse still touches all four sides (pixel centres alone would cut off
//   its tips). A pen of
//   width p > 1 draws the ring between the ellipses grown by (p-1)/2 and
//   shrunk by (p+1)/2 pixels in radius.
// - LineTo draws from the current position towards the end point with
//   Bresenham's algorithm and leaves the end point out; wider pens stamp a
//   p x p square centred on each pixel of the line.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/gdi/gdi_internal.h"

using namespace lvx;
using namespace lvx::gdi;

namespace {

// Shapes beyond these sizes are refused: no real drawing needs them and they
// would only cost time.
constexpr long long kMaxShapeSide = 1LL << 24;

bool PenDraws(const PenObject* pen) { return pen && pen->style != PS_NULL; }
bool BrushPaints(const BrushObject* b) { return b && !b->hollow; }

// Grows a dirty bounding box.
struct Bounds {
  RECT r{0, 0, 0, 0};
  bool any = false;
  void Add(const RECT& a) {
    if (a.left >= a.right || a.top >= a.bottom) return;
    if (!any) {
      r = a;
      any = true;
      return;
    }
    r.left = std::min(r.left, a.left);
    r.top = std::min(r.top, a.top);
    r.right = std::max(r.right, a.right);
    r.bottom = std::max(r.bottom, a.bottom);
  }
};

// Fills the horizontal span [x0, x1] of row y within the clip rectangle.
void Span(Surface& s, const RECT& clip, long long y, long long x0, long long x1, std::uint32_t px,
          Bounds& bounds) {
  if (y < clip.top || y >= clip.bottom) return;
  x0 = std::max<long long>(x0, clip.left);
  x1 = std::min<long long>(x1, clip.right - 1);
  if (x0 > x1) return;
  std::uint32_t* row = s.Row(static_cast<int>(y));
  std::fill(row + x0, row + x1 + 1, px);
  bounds.Add(RECT{static_cast<LONG>(x0), static_cast<LONG>(y), static_cast<LONG>(x1 + 1),
                  static_cast<LONG>(y + 1)});
}

void Normalise(int& a, int& b) {
  if (a > b) std::swap(a, b);
}

// Horizontal extent [*lo, *hi] of row y of the ellipse with doubled diameters
// (a, b) centred on the box whose doubled-coordinate origin is sx = l+r-1,
// sy = t+b-1. False when the row misses it.
bool EllipseRow(long long y, long long sx, long long sy, long long a, long long b, long long* lo,
                long long* hi) {
  if (a <= 0 || b <= 0) return false;
  const __int128 Y = 2 * y - sy;
  const __int128 A2 = static_cast<__int128>(a) * a, B2 = static_cast<__int128>(b) * b;
  const __int128 rest = A2 * B2 - Y * Y * A2;  // room left for X*X*B2
  if (rest < 0) return false;
  const __int128 maxX2 = rest / B2;  // X*X <= maxX2
  long long xm = static_cast<long long>(std::sqrt(static_cast<long double>(maxX2)));
  while (static_cast<__int128>(xm) * xm > maxX2) --xm;
  while (static_cast<__int128>(xm + 1) * (xm + 1) <= maxX2) ++xm;
  // Pixel x has X = 2x - sx; keep those with |X| <= xm.
  const long long left = sx - xm, right = sx + xm;
  *lo = left >= 0 ? (left + 1) / 2 : -((-left) / 2);   // ceil(left / 2)
  *hi = right >= 0 ? right / 2 : -((-right + 1) / 2);  // floor(right / 2)
  return *lo <= *hi;
}

}  // namespace

HPEN CreatePen(int style, int width, COLORREF color) {
  auto p = std::make_unique<PenObject>();
  // Dashed styles are drawn solid; only the null pen draws nothing.
  p->style = (style & 0x0F) == PS_NULL ? PS_NULL : PS_SOLID;
  p->width = std::clamp(width, 1, 1024);
  p->color = color & 0xFFFFFFu;
  HPEN h = p.get();
  Register(std::move(p));
  return h;
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = std::make_unique<BrushObject>();
  b->color = color & 0xFFFFFFu;
  HBRUSH h = b.get();
  Register(std::move(b));
  return h;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  DC* dc = FindDC(hdc);
  BrushObject* b = FindBrush(brush);
  if (!dc || !rect || !b) return 0;
  if (b->hollow) return 1;
  Target t;
  if (TargetOf(dc, &t)) FillClipped(*t.surface, t.clip, *rect, ColorRefToPixel(b->color));
  return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  DC* dc = FindDC(hdc);
  if (!dc) return FALSE;
  Normalise(left, right);
  Normalise(top, bottom);
  if (left == right || top == bottom) return TRUE;
  Target t;
  if (!TargetOf(dc, &t)) return TRUE;
  Surface& s = *t.surface;
  const bool pen = PenDraws(dc->pen);
  const bool brush = BrushPaints(dc->brush);
  if (!pen) {
    if (brush) FillClipped(s, t.clip, RECT{left, top, right, bottom}, ColorRefToPixel(dc->brush->color));
    return TRUE;
  }
  const int p = dc->pen->width;
  const RECT outer{left - (p - 1) / 2, top - (p - 1) / 2, right + p / 2, bottom + p / 2};
  const RECT inner{left + p / 2 + 1, top + p / 2 + 1, right - 1 - (p - 1) / 2,
                   bottom - 1 - (p - 1) / 2};
  const std::uint32_t penPx = ColorRefToPixel(dc->pen->color);
  if (inner.left >= inner.right || inner.top >= inner.bottom) {
    FillClipped(s, t.clip, outer, penPx);
    return TRUE;
  }
  if (brush) FillClipped(s, t.clip, inner, ColorRefToPixel(dc->brush->color));
  FillClipped(s, t.clip, RECT{outer.left, outer.top, outer.right, inner.top}, penPx);
  FillClipped(s, t.clip, RECT{outer.left, inner.bottom, outer.right, outer.bottom}, penPx);
  FillClipped(s, t.clip, RECT{outer.left, inner.top, inner.left, inner.bottom}, penPx);
  FillClipped(s, t.clip, RECT{inner.right, inner.top, outer.right, inner.bottom}, penPx);
  return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  DC* dc = FindDC(hdc);
  if (!dc) return FALSE;
  Normalise(left, right);
  Normalise(top, bottom);
  const long long w = static_cast<long long>(right) - left, h = static_cast<long long>(bottom) - top;
  if (w == 0 || h == 0) return TRUE;
  if (w > kMaxShapeSide || h > kMaxShapeSide) return FALSE;
  Target t;
  if (!TargetOf(dc, &t)) return TRUE;
  Surface& s = *t.surface;
  const bool pen = PenDraws(dc->pen);
  const bool brush = BrushPaints(dc->brush);
  const int p = pen ? dc->pen->width : 0;
  const long long sx = static_cast<long long>(left) + right - 1;
  const long long sy = static_cast<long long>(top) + bottom - 1;
  const std::uint32_t penPx = pen ? ColorRefToPixel(dc->pen->color) : 0;
  const std::uint32_t brushPx = brush ? ColorRefToPixel(dc->brush->color) : 0;

  // The outer shape and the inside the brush fills, per row.
  const long long oa = pen ? w + p - 1 : w, ob = pen ? h + p - 1 : h;
  // Row y of the shape: pixel centres inside the ellipse, and for the box of
  // a thin pen the middle rows and columns stretched to its edges.
  auto shapeRow = [&](long long y, long long* lo, long long* hi) {
    if (p > 1) return EllipseRow(y, sx, sy, oa, ob, lo, hi);
    if (y < top || y >= bottom) return false;
    const long long Y = 2 * y - sy;
    if (Y >= -1 && Y <= 1) {
      *lo = left;
      *hi = right - 1;
      return true;
    }
    const long long midLo = sx >= 0 ? sx / 2 : -((-sx + 1) / 2);  // floor(sx / 2)
    const long long midHi = sx - midLo;
    if (!EllipseRow(y, sx, sy, oa, ob, lo, hi)) {
      *lo = midLo;
      *hi = midHi;
    } else {
      *lo = std::min(*lo, midLo);
      *hi = std::max(*hi, midHi);
    }
    return true;
  };
  const long long y0 = std::max<long long>(top - p, t.clip.top);
  const long long y1 = std::min<long long>(static_cast<long long>(bottom) + p, t.clip.bottom);
  Bounds bounds;
  for (long long y = y0; y < y1; ++y) {
    long long ol, oh;
    if (!shapeRow(y, &ol, &oh)) continue;
    if (!pen) {
      if (brush) Span(s, t.clip, y, ol, oh, brushPx, bounds);
      continue;
    }
    long long il = 0, ih = -1;
    if (p == 1) {
      // Inside = own row shrunk by one, limited to the rows above and below.
      long long al, ah, bl, bh;
      if (shapeRow(y - 1, &al, &ah) && shapeRow(y + 1, &bl, &bh)) {
        il = std::max({ol + 1, al, bl});
        ih = std::min({oh - 1, ah, bh});
      }
    } else if (!EllipseRow(y, sx, sy, w - p - 1, h - p - 1, &il, &ih)) {
      il = 0;
      ih = -1;
    }
    if (il > ih) {
      Span(s, t.clip, y, ol, oh, penPx, bounds);
      continue;
    }
    if (brush) Span(s, t.clip, y, il, ih, brushPx, bounds);
    Span(s, t.clip, y, ol, il - 1, penPx, bounds);
    Span(s, t.clip, y, ih + 1, oh, penPx, bounds);
  }
  if (bounds.any) Touch(s, bounds.r);
  return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
  DC* dc = FindDC(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->current;
  dc->current = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  DC* dc = FindDC(hdc);
  if (!dc) return FALSE;
  const POINT from = dc->current;
  dc->current = POINT{x, y};
  if (!PenDraws(dc->pen)) return TRUE;
  long long dx = std::llabs(static_cast<long long>(x) - from.x);
  long long dy = -std::llabs(static_cast<long long>(y) - from.y);
  if (dx > kMaxShapeSide || -dy > kMaxShapeSide) return FALSE;
  Target t;
  if (!TargetOf(dc, &t)) return TRUE;
  Surface& s = *t.surface;
  const std::uint32_t px = ColorRefToPixel(dc->pen->color);
  const int p = dc->pen->width;
  const int sxStep = from.x < x ? 1 : -1, syStep = from.y < y ? 1 : -1;
  long long cx = from.x, cy = from.y, err = dx + dy;
  Bounds bounds;
  while (cx != x || cy != y) {
    if (p == 1) {
      if (cx >= t.clip.left && cx < t.clip.right && cy >= t.clip.top && cy < t.clip.bottom) {
        s.Row(static_cast<int>(cy))[cx] = px;
        bounds.Add(RECT{static_cast<LONG>(cx), static_cast<LONG>(cy), static_cast<LONG>(cx + 1),
                        static_cast<LONG>(cy + 1)});
      }
    } else {
      for (long long yy = cy - (p - 1) / 2; yy <= cy + p / 2; ++yy) {
        Span(s, t.clip, yy, cx - (p - 1) / 2, cx + p / 2, px, bounds);
      }
    }
    const long long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      cx += sxStep;
    }
    if (e2 <= dx) {
      err += dx;
      cy += syStep;
    }
  }
  if (bounds.any) Touch(s, bounds.r);
  return TRUE;
}
