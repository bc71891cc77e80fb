// Internal to platform/gdi: the objects behind GDI handles and the device
// context record, shared by the drawing, blitting and text code.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/gdi/surface.h"
#include "platform/winapi.h"

namespace lvx::gdi {

class RealizedFont;

enum class Kind { Bitmap, Pen, Brush, Font, Region };

// Common part of every GDI object. Stock objects live for the whole process
// and are never counted as live objects.
struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual HGDIOBJ Handle() = 0;

  Kind kind;
  bool stock = false;
  int selectCount = 0;  // DCs holding it; a bitmap is in at most one
};

struct BitmapObject final : HBITMAP__, Object {
  BitmapObject() : Object(Kind::Bitmap) {}
  HGDIOBJ Handle() override { return static_cast<HBITMAP__*>(this); }
  Surface surface;
};

struct PenObject final : HPEN__, Object {
  PenObject() : Object(Kind::Pen) {}
  HGDIOBJ Handle() override { return static_cast<HPEN__*>(this); }
  int style = PS_SOLID;
  int width = 1;  // in pixels, at least 1
  COLORREF color = 0;
};

struct BrushObject final : HBRUSH__, Object {
  BrushObject() : Object(Kind::Brush) {}
  HGDIOBJ Handle() override { return static_cast<HBRUSH__*>(this); }
  bool hollow = false;
  COLORREF color = 0;
};

struct FontObject final : HFONT__, Object {
  FontObject() : Object(Kind::Font) {}
  HGDIOBJ Handle() override { return static_cast<HFONT__*>(this); }
  LOGFONTA logfont{};
  std::shared_ptr<RealizedFont> realized;  // resolved on first use
};

struct RegionObject final : HRGN__, Object {
  RegionObject() : Object(Kind::Region) {}
  HGDIOBJ Handle() override { return static_cast<HRGN__*>(this); }
  RECT rect{};  // normalised; empty when left >= right or top >= bottom
};

struct DC {
  bool memory = true;           // false: draws into a window's surface
  Surface* external = nullptr;  // the window surface of a surface DC
  BitmapObject* bitmap = nullptr;
  PenObject* pen = nullptr;
  BrushObject* brush = nullptr;
  FontObject* font = nullptr;
  bool hasClip = false;
  RECT clip{};  // device coordinates, only meaningful with hasClip
  COLORREF textColor = 0;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  int charExtra = 0;
  int stretchMode = 1;
  POINT current{0, 0};

  Surface* surface() { return memory ? (bitmap ? &bitmap->surface : nullptr) : external; }
};

// Handle lookups; nullptr when the handle is not a live object of that kind.
DC* FindDC(HDC hdc);
Object* FindObject(HGDIOBJ obj);
BitmapObject* FindBitmap(HGDIOBJ obj);
PenObject* FindPen(HGDIOBJ obj);
BrushObject* FindBrush(HGDIOBJ obj);
FontObject* FindFont(HGDIOBJ obj);

// Registers a freshly made object and returns its handle.
HGDIOBJ Register(std::unique_ptr<Object> obj);

// Where a DC may draw: its surface and the visible rectangle (surface bounds
// intersected with the DC's clip rectangle). False when there is nothing.
struct Target {
  Surface* surface = nullptr;
  RECT clip{};
};
bool TargetOf(DC* dc, Target* out);

inline bool Intersect(const RECT& a, const RECT& b, RECT* out) {
  out->left = a.left > b.left ? a.left : b.left;
  out->top = a.top > b.top ? a.top : b.top;
  out->right = a.right < b.right ? a.right : b.right;
  out->bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
  return out->left < out->right && out->top < out->bottom;
}

inline void Touch(Surface& s, const RECT& r) {
  if (s.trackDirty) s.MarkDirty(r.left, r.top, r.right, r.bottom);
}

// The changed pixels of one row of a window surface, gathered into runs and
// marked when the row is done. Most stars look the same from one frame to
// the next, so a write that puts back what is already there marks nothing.
class RowMarks {
 public:
  RowMarks(Surface& s, int y) : s_(s), y_(y) {}
  ~RowMarks() { Flush(); }
  RowMarks(const RowMarks&) = delete;
  RowMarks& operator=(const RowMarks&) = delete;
  void Changed(int x) {
    if (start_ >= 0 && x - end_ > kDirtyJoinGap) Flush();
    if (start_ < 0) start_ = x;
    end_ = x + 1;
  }

 private:
  void Flush() {
    if (start_ >= 0) s_.MarkSpan(y_, start_, end_);
    start_ = -1;
  }
  Surface& s_;
  int y_;
  int start_ = -1;
  int end_ = -1;
};

// Blits and fills up to this many pixels (star sprites are at most 7 x 7)
// mark the one box around what they changed: the X server copies one box
// faster than the handful of row pieces of a twinkling star.
inline constexpr long kSpriteArea = 64;

// The box around the changes of a sprite-sized write, marked at the end.
struct ChangedBox {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool any = false;
  void Add(int l, int t, int r, int b) {
    if (!any) {
      left = l, top = t, right = r, bottom = b;
      any = true;
      return;
    }
    left = l < left ? l : left;
    top = t < top ? t : top;
    right = r > right ? r : right;
    bottom = b > bottom ? b : bottom;
  }
  void MarkOn(Surface& s) const {
    if (any) s.MarkDirty(left, top, right, bottom);
  }
};

// Writes `value` over [p, p + count) of row y starting at column x, marking
// only the pixels that change.
inline void WriteRowTracked(Surface& s, int y, int x, std::uint32_t* p, int count,
                            std::uint32_t value) {
  RowMarks marks(s, y);
  for (int i = 0; i < count; ++i) {
    if (p[i] != value) {
      p[i] = value;
      marks.Changed(x + i);
    }
  }
}

// Which of the eight pixels at a and b differ: bit k for pixel k. One wide
// compare, no branch per pixel.
inline unsigned DiffEight(const std::uint32_t* a, const std::uint32_t* b) {
#if defined(__SSE2__)
  const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
  const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 4));
  const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
  const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 4));
  const int same = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a0, b0))) |
                   (_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a1, b1))) << 4);
  return ~static_cast<unsigned>(same) & 0xFFu;
#else
  unsigned m = 0;
  for (int k = 0; k < 8; ++k) m |= static_cast<unsigned>(a[k] != b[k]) << k;
  return m;
#endif
}

// Copies `count` pixels from sp to dp on row y starting at column x,
// marking only the pixels that change. Equal stretches, most of a scrolling
// line of text, are passed over eight pixels at a time; eight that differ
// are copied whole and marked from their first change to their last, which
// joins into the same runs as marking each change would (the changes of
// eight pixels lie closer than kDirtyJoinGap). The two rows must not overlap.
inline void CopyRowTracked(Surface& s, int y, int x, std::uint32_t* dp, const std::uint32_t* sp,
                           int count) {
  static_assert(kDirtyJoinGap >= 7, "eight pixels must join into one run");
  RowMarks marks(s, y);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const unsigned diff = DiffEight(dp + i, sp + i);
    if (diff == 0) continue;
    std::memcpy(dp + i, sp + i, 8 * sizeof(std::uint32_t));
    marks.Changed(x + i + std::countr_zero(diff));
    marks.Changed(x + i + 31 - std::countl_zero(diff));
  }
  for (; i < count; ++i) {
    if (dp[i] != sp[i]) {
      dp[i] = sp[i];
      marks.Changed(x + i);
    }
  }
}

// Fills [r] clipped to `clip` with a pixel value and marks it dirty.
void FillClipped(Surface& s, const RECT& clip, RECT r, std::uint32_t pixel);

}  // namespace lvx::gdi
