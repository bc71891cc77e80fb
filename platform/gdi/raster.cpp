// Blits and single pixels. Everything is clipped to the destination surface,
// the destination DC's clip rectangle and (when a source is read) the source
// surface, so no call can read or write outside a pixel buffer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "platform/gdi/gdi_internal.h"

namespace lvx::gdi {
namespace {

enum class Op { Copy, NotCopy, Or, And, Xor, DstInvert, Pattern, Black, White };

struct Rop {
  DWORD code;
  Op op;
  bool usesSource;
};

// Every raster operation this GDI knows. Anything else is refused loudly,
// never drawn approximately.
constexpr Rop kRops[] = {
    {SRCCOPY, Op::Copy, true},        {NOTSRCCOPY, Op::NotCopy, true},
    {SRCPAINT, Op::Or, true},         {SRCAND, Op::And, true},
    {SRCINVERT, Op::Xor, true},       {DSTINVERT, Op::DstInvert, false},
    {PATCOPY, Op::Pattern, false},    {BLACKNESS, Op::Black, false},
    {WHITENESS, Op::White, false},
};

// Whether two rows of `count` pixels share no pixel (addresses compared as
// numbers: the rows may lie in different buffers).
bool RowsApart(const std::uint32_t* a, const std::uint32_t* b, int count) {
  const auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
  const auto bytes = static_cast<std::uintptr_t>(count) * sizeof(std::uint32_t);
  return x + bytes <= y || y + bytes <= x;
}

const Rop* FindRop(DWORD code) {
  for (const Rop& r : kRops) {
    if (r.code == code) return &r;
  }
  static std::mutex m;
  static std::set<DWORD> reported;
  std::lock_guard<std::mutex> lock(m);
  if (reported.insert(code).second) {
    std::fprintf(stderr, "lumivex: raster operation 0x%08X is not supported\n",
                 static_cast<unsigned>(code));
  }
  return nullptr;
}

inline std::uint32_t Apply(Op op, std::uint32_t dst, std::uint32_t src, std::uint32_t pat) {
  switch (op) {
    case Op::Copy: return src;
    case Op::NotCopy: return ~src & 0xFFFFFFu;
    case Op::Or: return dst | src;
    case Op::And: return dst & src;
    case Op::Xor: return dst ^ src;
    case Op::DstInvert: return ~dst & 0xFFFFFFu;
    case Op::Pattern: return pat;
    case Op::Black: return 0;
    case Op::White: return 0xFFFFFFu;
  }
  return dst;
}

// Clamps a 64-bit coordinate into int range; callers intersect afterwards.
inline LONG Clamp32(long long v) {
  return static_cast<LONG>(std::clamp<long long>(v, -0x40000000LL, 0x40000000LL));
}

// Rows of a source-free operation over `r` (already clipped).
void FillOp(Surface& s, const RECT& r, Op op, std::uint32_t pat) {
  const int w = r.right - r.left;
  if (s.trackDirty && static_cast<long>(w) * (r.bottom - r.top) <= kSpriteArea) {
    // A star erasing itself: one box around what changes.
    ChangedBox box;
    for (int y = r.top; y < r.bottom; ++y) {
      std::uint32_t* p = s.Row(y) + r.left;
      int first = -1, last = -1;
      for (int i = 0; i < w; ++i) {
        const std::uint32_t v = Apply(op, p[i], 0, pat);
        if (v != p[i]) {
          p[i] = v;
          if (first < 0) first = i;
          last = i;
        }
      }
      if (first >= 0) box.Add(r.left + first, y, r.left + last + 1, y + 1);
    }
    box.MarkOn(s);
    return;
  }
  if (s.trackDirty) {
    // Window surfaces: write and mark only the pixels that change.
    for (int y = r.top; y < r.bottom; ++y) {
      std::uint32_t* p = s.Row(y) + r.left;
      if (op == Op::Black || op == Op::White || op == Op::Pattern) {
        WriteRowTracked(s, y, r.left, p, w, Apply(op, 0, 0, pat));
        continue;
      }
      RowMarks marks(s, y);
      for (int i = 0; i < w; ++i) {
        const std::uint32_t v = Apply(op, p[i], 0, pat);
        if (v != p[i]) {
          p[i] = v;
          marks.Changed(r.left + i);
        }
      }
    }
    return;
  }
  for (int y = r.top; y < r.bottom; ++y) {
    std::uint32_t* p = s.Row(y) + r.left;
    switch (op) {
      case Op::Black: std::fill(p, p + w, 0u); break;
      case Op::White: std::fill(p, p + w, 0xFFFFFFu); break;
      case Op::Pattern: std::fill(p, p + w, pat); break;
      default:
        for (int i = 0; i < w; ++i) p[i] = Apply(op, p[i], 0, pat);
        break;
    }
  }
  Touch(s, r);
}

// Pattern colour of a DC, or false when its brush paints nothing.
bool PatternOf(DC* dc, std::uint32_t* out) {
  if (!dc->brush || dc->brush->hollow) return false;
  *out = ColorRefToPixel(dc->brush->color);
  return true;
}

}  // namespace
}  // namespace lvx::gdi

using namespace lvx;
using namespace lvx::gdi;

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
            DWORD rop) {
  DC* d = FindDC(dst);
  if (!d) return FALSE;
  const Rop* r = FindRop(rop);
  if (!r) return FALSE;

  // A negative extent counts leftwards/upwards from the given edge.
  long long x0 = x, y0 = y, sx0 = srcX, sy0 = srcY, w = width, h = height;
  if (w < 0) {
    x0 += w;
    sx0 += w;
    w = -w;
  }
  if (h < 0) {
    y0 += h;
    sy0 += h;
    h = -h;
  }
  Target t;
  if (w == 0 || h == 0) return TRUE;
  DC* s = nullptr;
  Surface* ss = nullptr;
  if (r->usesSource) {
    s = FindDC(src);
    ss = s ? s->surface() : nullptr;
    if (!ss) return FALSE;
  }
  if (!TargetOf(d, &t)) return TRUE;

  RECT dr{Clamp32(x0), Clamp32(y0), Clamp32(x0 + w), Clamp32(y0 + h)};
  if (!Intersect(dr, t.clip, &dr)) return TRUE;
  const long long offX = sx0 - x0, offY = sy0 - y0;  // source = destination + offset
  if (r->usesSource) {
    RECT srcInDst{Clamp32(-offX), Clamp32(-offY), Clamp32(ss->width - offX),
                  Clamp32(ss->height - offY)};
    if (!Intersect(dr, srcInDst, &dr)) return TRUE;
  }
  Surface& ds = *t.surface;

  if (!r->usesSource) {
    std::uint32_t pat = 0;
    if (r->op == Op::Pattern && !PatternOf(d, &pat)) return TRUE;
    FillOp(ds, dr, r->op, pat);
    return TRUE;
  }

  const int cols = dr.right - dr.left;
  const int sx = static_cast<int>(dr.left + offX);
  const int syTop = static_cast<int>(dr.top + offY);
  // On one surface the rows must be visited away from the overlap.
  const bool upwards = (ss == &ds) && dr.top > syTop;
  const int rows = dr.bottom - dr.top;
  const bool sprite = static_cast<long>(rows) * cols <= kSpriteArea;
  ChangedBox box;
  for (int k = 0; k < rows; ++k) {
    const int row = upwards ? rows - 1 - k : k;
    const int y = dr.top + row;
    std::uint32_t* dp = ds.Row(y) + dr.left;
    const std::uint32_t* sp = ss->Row(syTop + row) + sx;
    if (r->op == Op::Copy && ds.trackDirty) {
      if (sprite) {
        // A standing star puts back what is there: a few compares settle
        // it. Otherwise copy the span that differs (pixels around it
        // already hold what the source has) and mark only what changes.
        int first = 0;
        while (first < cols && dp[first] == sp[first]) ++first;
        if (first == cols) continue;
        int last = cols - 1;
        while (dp[last] == sp[last]) --last;
        box.Add(dr.left + first, y, dr.left + last + 1, y + 1);
        std::memmove(dp + first, sp + first,
                     static_cast<std::size_t>(last - first + 1) * sizeof(std::uint32_t));
      } else if (RowsApart(dp, sp, cols)) {
        CopyRowTracked(ds, y, dr.left, dp, sp, cols);
      } else {
        // A row moved along itself: compare first, then move it whole.
        if (std::memcmp(dp, sp, static_cast<std::size_t>(cols) * sizeof(std::uint32_t)) == 0)
          continue;
        {
          RowMarks marks(ds, y);
          for (int i = 0; i < cols; ++i)
            if (dp[i] != sp[i]) marks.Changed(dr.left + i);
        }
        std::memmove(dp, sp, static_cast<std::size_t>(cols) * sizeof(std::uint32_t));
      }
      continue;
    }
    if (r->op == Op::Copy) {
      std::memmove(dp, sp, static_cast<std::size_t>(cols) * sizeof(std::uint32_t));
    } else if (ss == &ds && dp > sp) {
      for (int i = cols - 1; i >= 0; --i) dp[i] = Apply(r->op, dp[i], sp[i], 0);
    } else {
      for (int i = 0; i < cols; ++i) dp[i] = Apply(r->op, dp[i], sp[i], 0);
    }
    if (ds.trackDirty) ds.MarkSpan(y, dr.left, dr.right);
  }
  box.MarkOn(ds);
  return TRUE;
}

namespace {

// Nearest-neighbour map of one axis: destination pixel i (counted from the
// starting edge in the extent's direction) takes source pixel
// ((2i + 1) * |srcExtent|) / (2 * |dstExtent|), also counted in its extent's
// direction. Signed extents make mirroring fall out of the same formula.
struct AxisMap {
  int first = 0, last = 0;  // destination coordinates [first, last) that are drawn
  std::vector<int> source;  // source coordinate for each, -1 when outside the source
};

bool MapAxis(int d0, int dExt, int s0, int sExt, int clipLo, int clipHi, int srcSize,
             AxisMap* out) {
  const long long ad = dExt < 0 ? -static_cast<long long>(dExt) : dExt;
  const long long as = sExt < 0 ? -static_cast<long long>(sExt) : sExt;
  // Destination coordinate of pixel i: d0 + i, or d0 - 1 - i for a negative extent.
  long long lo = dExt > 0 ? d0 : static_cast<long long>(d0) - ad;
  long long hi = lo + ad;
  lo = std::max<long long>(lo, clipLo);
  hi = std::min<long long>(hi, clipHi);
  if (lo >= hi) return false;
  out->first = static_cast<int>(lo);
  out->last = static_cast<int>(hi);
  out->source.resize(static_cast<std::size_t>(hi - lo));
  bool any = false;
  for (long long c = lo; c < hi; ++c) {
    const long long i = dExt > 0 ? c - d0 : static_cast<long long>(d0) - 1 - c;
    // 128-bit: extents near the int limits would overflow the product.
    const long long j = static_cast<long long>((static_cast<__int128>(2 * i + 1) * as) / (2 * ad));
    const long long sc = sExt > 0 ? s0 + j : static_cast<long long>(s0) - 1 - j;
    const bool inside = sc >= 0 && sc < srcSize;
    out->source[static_cast<std::size_t>(c - lo)] = inside ? static_cast<int>(sc) : -1;
    any = any || inside;
  }
  return any;
}

}  // namespace

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop) {
  DC* d = FindDC(dst);
  if (!d) return FALSE;
  const Rop* r = FindRop(rop);
  if (!r) return FALSE;
  if (!r->usesSource || (width == srcWidth && height == srcHeight)) {
    return BitBlt(dst, x, y, width, height, src, srcX, srcY, rop);
  }
  DC* s = FindDC(src);
  Surface* ss = s ? s->surface() : nullptr;
  if (!ss) return FALSE;
  if (width == 0 || height == 0 || srcWidth == 0 || srcHeight == 0) return TRUE;
  Target t;
  if (!TargetOf(d, &t)) return TRUE;

  AxisMap mx, my;
  if (!MapAxis(x, width, srcX, srcWidth, t.clip.left, t.clip.right, ss->width, &mx) ||
      !MapAxis(y, height, srcY, srcHeight, t.clip.top, t.clip.bottom, ss->height, &my)) {
    return TRUE;
  }
  Surface& ds = *t.surface;

  // In place, the source must be read before any of it is overwritten.
  std::vector<std::uint32_t> copy;
  const std::uint32_t* base = ss->pixels.data();
  int stride = ss->width;
  int baseX = 0, baseY = 0;
  if (ss == &ds) {
    int minX = ss->width, maxX = -1, minY = ss->height, maxY = -1;
    for (int v : mx.source) {
      if (v >= 0) minX = std::min(minX, v), maxX = std::max(maxX, v);
    }
    for (int v : my.source) {
      if (v >= 0) minY = std::min(minY, v), maxY = std::max(maxY, v);
    }
    stride = maxX - minX + 1;
    copy.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(maxY - minY + 1));
    for (int yy = minY; yy <= maxY; ++yy) {
      std::memcpy(copy.data() + static_cast<std::size_t>(yy - minY) * stride, ss->Row(yy) + minX,
                  static_cast<std::size_t>(stride) * sizeof(std::uint32_t));
    }
    base = copy.data();
    baseX = minX;
    baseY = minY;
  }

  for (int dy = my.first; dy < my.last; ++dy) {
    const int sy = my.source[static_cast<std::size_t>(dy - my.first)];
    if (sy < 0) continue;
    const std::uint32_t* srow = base + static_cast<std::size_t>(sy - baseY) * stride;
    std::uint32_t* drow = ds.Row(dy);
    for (int dx = mx.first; dx < mx.last; ++dx) {
      const int sx = mx.source[static_cast<std::size_t>(dx - mx.first)];
      if (sx < 0) continue;
      drow[dx] = Apply(r->op, drow[dx], srow[sx - baseX], 0);
    }
  }
  Touch(ds, RECT{mx.first, my.first, mx.last, my.last});
  return TRUE;
}

namespace {

// The pixel (x, y) of a DC's surface when it lies inside the surface and the
// DC's clip rectangle, else nullptr.
std::uint32_t* PixelAt(HDC hdc, int x, int y, Surface** surface) {
  DC* d = FindDC(hdc);
  if (!d) return nullptr;
  Surface* s = d->surface();
  if (!s || x < 0 || y < 0 || x >= s->width || y >= s->height) return nullptr;
  if (d->hasClip &&
      (x < d->clip.left || x >= d->clip.right || y < d->clip.top || y >= d->clip.bottom)) {
    return nullptr;
  }
  *surface = s;
  return s->Row(y) + x;
}

}  // namespace

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  Surface* s = nullptr;
  std::uint32_t* at = PixelAt(hdc, x, y, &s);
  if (!at) return CLR_INVALID;
  const std::uint32_t v = ColorRefToPixel(color);
  if (*at != v) {
    *at = v;
    if (s->trackDirty) s->MarkSpan(y, x, x + 1);
  }
  return color & 0xFFFFFFu;
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) {
  return SetPixel(hdc, x, y, color) != CLR_INVALID ? TRUE : FALSE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  Surface* s = nullptr;
  const std::uint32_t* at = PixelAt(hdc, x, y, &s);
  return at ? PixelToColorRef(*at) : CLR_INVALID;
}

namespace lvx {

std::uint64_t ChangeStamp(HDC dc) {
  Surface* s = SurfaceOfDC(dc);
  return s != nullptr && s->trackDirty ? s->CurrentStamp() : 0;
}

bool ChangedSince(HDC dc, const RECT& area, std::uint64_t stamp) {
  Surface* s = SurfaceOfDC(dc);
  return s == nullptr || !s->trackDirty || s->ChangedSince(area, stamp);
}

void PrefetchPixels(HDC dc, const RECT& area) {
  Surface* s = SurfaceOfDC(dc);
  if (s == nullptr || s->pixels.empty()) return;
  const int left = std::max<int>(area.left, 0), top = std::max<int>(area.top, 0);
  const int right = std::min<int>(area.right, s->width), bottom = std::min<int>(area.bottom, s->height);
  if (left >= right || top >= bottom) return;
  for (int y = top; y < bottom; ++y) {
    const std::uint32_t* row = s->Row(y);
    __builtin_prefetch(row + left, 1);
    __builtin_prefetch(row + right - 1, 1);
  }
  if (s->trackDirty) s->PrefetchRecord(left, top, right, bottom);
}

bool StillUnchanged(HDC dc, const RECT& area, std::uint64_t& stamp) {
  Surface* s = SurfaceOfDC(dc);
  if (s == nullptr || !s->trackDirty || s->ChangedSince(area, stamp)) return false;
  stamp = s->CurrentStamp();
  return true;
}

}  // namespace lvx
