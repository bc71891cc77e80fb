// GDI object and device-context bookkeeping: handles, stock objects,
// selection, deletion, clipping and the DC's colour and mode state.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "platform/gdi/gdi_internal.h"

namespace lvx::gdi {

namespace {

constexpr int kMaxSide = 16384;
// 256 MiB of pixels: far beyond any screen, small enough to be refused early.
constexpr long long kMaxPixels = 1LL << 26;

struct Registry {
  std::unordered_map<HGDIOBJ, std::unique_ptr<Object>> objects;
  std::unordered_set<DC*> dcs;
  // DCs found lately, by their address: a frame asks for the window's DC and
  // the star sprites' thousands of times, and these answer without the set
  // lookup. A slot is cleared when its DC is freed.
  static constexpr std::size_t kRecent = 256;
  DC* recent[kRecent] = {};
  static std::size_t Slot(const DC* dc) {
    return (reinterpret_cast<std::uintptr_t>(dc) >> 4) % kRecent;
  }
  int liveObjects = 0;  // non-stock only
  int liveDCs = 0;
};

Registry& Reg() {
  static Registry* r = new Registry;  // never destroyed: handles may outlive static teardown
  return *r;
}

// Stock object indices used here beyond those of gdi.h.
constexpr int kStockBitmap = 21;
constexpr int kStockCount = 22;

Object* MakeStock(int index) {
  std::unique_ptr<Object> obj;
  auto brush = [&](COLORREF c, bool hollow) {
    auto b = std::make_unique<BrushObject>();
    b->color = c;
    b->hollow = hollow;
    obj = std::move(b);
  };
  auto pen = [&](COLORREF c, int style) {
    auto p = std::make_unique<PenObject>();
    p->color = c;
    p->style = style;
    obj = std::move(p);
  };
  auto font = [&](LONG height, LONG weight) {
    auto f = std::make_unique<FontObject>();
    f->logfont.lfHeight = height;
    f->logfont.lfWeight = weight;
    f->logfont.lfCharSet = ANSI_CHARSET;
    obj = std::move(f);
  };
  switch (index) {
    case WHITE_BRUSH: brush(RGB(255, 255, 255), false); break;
    case LTGRAY_BRUSH: brush(RGB(192, 192, 192), false); break;
    case GRAY_BRUSH: brush(RGB(128, 128, 128), false); break;
    case DKGRAY_BRUSH: brush(RGB(64, 64, 64), false); break;
    case BLACK_BRUSH: brush(RGB(0, 0, 0), false); break;
    case NULL_BRUSH: brush(0, true); break;
    case WHITE_PEN: pen(RGB(255, 255, 255), PS_SOLID); break;
    case BLACK_PEN: pen(RGB(0, 0, 0), PS_SOLID); break;
    case NULL_PEN: pen(0, PS_NULL); break;
    case SYSTEM_FONT: font(16, FW_BOLD); break;           // a 16-pixel cell, bold
    case DEFAULT_GUI_FONT: font(-11, FW_NORMAL); break;  // 8 points at 96 pixels per inch
    case kStockBitmap: {
      auto b = std::make_unique<BitmapObject>();
      b->surface.Resize(1, 1);
      obj = std::move(b);
      break;
    }
    default: return nullptr;
  }
  obj->stock = true;
  Object* raw = obj.get();
  Reg().objects.emplace(raw->Handle(), std::move(obj));
  return raw;
}

Object* Stock(int index) {
  static Object* table[kStockCount] = {};
  if (index < 0 || index >= kStockCount) return nullptr;
  if (!table[index]) table[index] = MakeStock(index);
  return table[index];
}

template <typename T>
T* StockAs(int index) {
  return static_cast<T*>(Stock(index));
}

void Retain(Object* o) {
  if (o) ++o->selectCount;
}
void Release(Object* o) {
  if (o && o->selectCount > 0) --o->selectCount;
}

DC* NewDC(bool memory, Surface* external) {
  auto* dc = new (std::nothrow) DC;
  if (!dc) return nullptr;
  dc->memory = memory;
  dc->external = external;
  if (memory) {
    dc->bitmap = StockAs<BitmapObject>(kStockBitmap);
    Retain(dc->bitmap);
  }
  dc->pen = StockAs<PenObject>(BLACK_PEN);
  dc->brush = StockAs<BrushObject>(WHITE_BRUSH);
  dc->font = StockAs<FontObject>(SYSTEM_FONT);
  Retain(dc->pen);
  Retain(dc->brush);
  Retain(dc->font);
  Reg().dcs.insert(dc);
  ++Reg().liveDCs;
  return dc;
}

void FreeDC(DC* dc) {
  Release(dc->bitmap);
  Release(dc->pen);
  Release(dc->brush);
  Release(dc->font);
  Registry& r = Reg();
  r.dcs.erase(dc);
  DC*& seen = r.recent[Registry::Slot(dc)];
  if (seen == dc) seen = nullptr;
  --r.liveDCs;
  delete dc;
}

int RegionType(DC* dc) {
  Target t;
  return TargetOf(dc, &t) ? SIMPLEREGION : NULLREGION;
}

}  // namespace

DC* FindDC(HDC hdc) {
  if (!hdc) return nullptr;
  auto* dc = reinterpret_cast<DC*>(hdc);
  Registry& r = Reg();
  DC*& seen = r.recent[Registry::Slot(dc)];
  if (dc == seen) return dc;
  if (r.dcs.count(dc) == 0) return nullptr;
  seen = dc;
  return dc;
}

Object* FindObject(HGDIOBJ obj) {
  if (!obj) return nullptr;
  auto& objects = Reg().objects;
  auto it = objects.find(obj);
  return it == objects.end() ? nullptr : it->second.get();
}

template <typename T>
static T* FindKind(HGDIOBJ obj, Kind kind) {
  Object* o = FindObject(obj);
  return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}

BitmapObject* FindBitmap(HGDIOBJ obj) { return FindKind<BitmapObject>(obj, Kind::Bitmap); }
PenObject* FindPen(HGDIOBJ obj) { return FindKind<PenObject>(obj, Kind::Pen); }
BrushObject* FindBrush(HGDIOBJ obj) { return FindKind<BrushObject>(obj, Kind::Brush); }
FontObject* FindFont(HGDIOBJ obj) { return FindKind<FontObject>(obj, Kind::Font); }

HGDIOBJ Register(std::unique_ptr<Object> obj) {
  HGDIOBJ h = obj->Handle();
  Reg().objects.emplace(h, std::move(obj));
  ++Reg().liveObjects;
  return h;
}

bool TargetOf(DC* dc, Target* out) {
  Surface* s = dc ? dc->surface() : nullptr;
  if (!s || s->width <= 0 || s->height <= 0) return false;
  out->surface = s;
  RECT bounds{0, 0, s->width, s->height};
  if (!dc->hasClip) {
    out->clip = bounds;
    return true;
  }
  return Intersect(bounds, dc->clip, &out->clip);
}

void FillClipped(Surface& s, const RECT& clip, RECT r, std::uint32_t pixel) {
  if (!Intersect(r, clip, &r)) return;
  const int w = r.right - r.left;
  for (int y = r.top; y < r.bottom; ++y) {
    std::uint32_t* p = s.Row(y) + r.left;
    if (s.trackDirty) {
      WriteRowTracked(s, y, r.left, p, w, pixel);
    } else {
      std::fill(p, p + w, pixel);
    }
  }
}

}  // namespace lvx::gdi

using namespace lvx;
using namespace lvx::gdi;

namespace lvx {

HDC CreateSurfaceDC(Surface* surface) {
  if (!surface) return nullptr;
  return reinterpret_cast<HDC>(NewDC(false, surface));
}

void DestroySurfaceDC(HDC hdc) {
  DC* dc = FindDC(hdc);
  if (dc && !dc->memory) FreeDC(dc);
}

Surface* SurfaceOfDC(HDC hdc) {
  DC* dc = FindDC(hdc);
  return dc ? dc->surface() : nullptr;
}

HBITMAP CreateBitmapFromPixels(int width, int height, std::vector<std::uint32_t> pixels) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
  if (static_cast<long long>(width) * height > kMaxPixels) return nullptr;
  if (pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return nullptr;
  }
  auto b = std::make_unique<BitmapObject>();
  b->surface.width = width;
  b->surface.height = height;
  for (auto& p : pixels) p &= 0xFFFFFFu;  // XRGB: the top byte carries nothing
  b->surface.pixels = std::move(pixels);
  HBITMAP handle = b.get();
  Register(std::move(b));
  return handle;
}

Surface* SurfaceOfBitmap(HBITMAP bitmap) {
  BitmapObject* b = FindBitmap(bitmap);
  return b ? &b->surface : nullptr;
}

int LiveGdiObjectCount() { return Reg().liveObjects; }
int LiveDCCount() { return Reg().liveDCs; }

}  // namespace lvx

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !FindDC(hdc)) return nullptr;
  return reinterpret_cast<HDC>(NewDC(true, nullptr));
}

BOOL DeleteDC(HDC hdc) {
  DC* dc = FindDC(hdc);
  if (!dc) return FALSE;
  if (!dc->memory) {
    std::fprintf(stderr, "lumivex: DeleteDC refused for a window's own DC\n");
    return FALSE;
  }
  FreeDC(dc);
  return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  DC* dc = FindDC(hdc);
  Object* o = FindObject(obj);
  if (!dc || !o) return nullptr;
  auto swap = [](auto*& slot, auto* next) -> HGDIOBJ {
    auto* prev = slot;
    if (prev != next) {
      Retain(next);
      Release(prev);
      slot = next;
    }
    return prev ? prev->Handle() : nullptr;
  };
  switch (o->kind) {
    case Kind::Bitmap: {
      auto* b = static_cast<BitmapObject*>(o);
      if (!dc->memory) return nullptr;  // a window DC draws into its window only
      // A bitmap lives in one memory DC at a time (the 1x1 stock one is shared).
      if (!b->stock && b->selectCount > 0 && dc->bitmap != b) return nullptr;
      return swap(dc->bitmap, b);
    }
    case Kind::Pen: return swap(dc->pen, static_cast<PenObject*>(o));
    case Kind::Brush: return swap(dc->brush, static_cast<BrushObject*>(o));
    case Kind::Font: return swap(dc->font, static_cast<FontObject*>(o));
    case Kind::Region: {
      // Win32 answers with the region type, cast to a handle.
      int type = SelectClipRgn(hdc, static_cast<HRGN>(static_cast<RegionObject*>(o)));
      return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(type));
    }
  }
  return nullptr;
}

BOOL DeleteObject(HGDIOBJ obj) {
  Object* o = FindObject(obj);
  if (!o || o->stock || o->selectCount > 0) return FALSE;
  Reg().objects.erase(obj);
  --Reg().liveObjects;
  return TRUE;
}

HGDIOBJ GetStockObject(int index) {
  if (index == kStockBitmap) return nullptr;  // internal only
  Object* o = Stock(index);
  return o ? o->Handle() : nullptr;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  DC* dc = FindDC(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->pen->Handle();
    case OBJ_BRUSH: return dc->brush->Handle();
    case OBJ_FONT: return dc->font->Handle();
    case OBJ_BITMAP: return dc->bitmap ? dc->bitmap->Handle() : nullptr;
    default: return nullptr;
  }
}

int GetObjectA(HGDIOBJ obj, int size, LPVOID out) {
  Object* o = FindObject(obj);
  if (!o) return 0;
  if (o->kind == Kind::Bitmap) {
    if (!out) return static_cast<int>(sizeof(BITMAP));
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    const Surface& s = static_cast<BitmapObject*>(o)->surface;
    BITMAP bm{};
    bm.bmType = 0;
    bm.bmWidth = s.width;
    bm.bmHeight = s.height;
    bm.bmWidthBytes = s.width * 4;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = 32;
    bm.bmBits = nullptr;
    std::memcpy(out, &bm, sizeof bm);
    return static_cast<int>(sizeof(BITMAP));
  }
  if (o->kind == Kind::Font) {
    if (!out) return static_cast<int>(sizeof(LOGFONTA));
    if (size < static_cast<int>(sizeof(LOGFONTA))) return 0;
    std::memcpy(out, &static_cast<FontObject*>(o)->logfont, sizeof(LOGFONTA));
    return static_cast<int>(sizeof(LOGFONTA));
  }
  return 0;
}

int GetDeviceCaps(HDC hdc, int index) {
  DC* dc = FindDC(hdc);
  if (!dc) return 0;
  Surface* s = dc->surface();
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case BITSPIXEL: return 32;
    case HORZRES: return s ? s->width : 0;
    case VERTRES: return s ? s->height : 0;
    default: return 0;
  }
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  if (hdc && !FindDC(hdc)) return nullptr;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
  if (static_cast<long long>(width) * height > kMaxPixels) return nullptr;
  auto b = std::make_unique<BitmapObject>();
  try {
    b->surface.Resize(width, height);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  HBITMAP handle = b.get();
  Register(std::move(b));
  return handle;
}

// --- Clipping ---

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto r = std::make_unique<RegionObject>();
  r->rect = RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                 std::max(top, bottom)};
  HRGN handle = r.get();
  Register(std::move(r));
  return handle;
}

int SelectClipRgn(HDC hdc, HRGN rgn) {
  DC* dc = FindDC(hdc);
  if (!dc) return ERROR;
  if (!rgn) {
    dc->hasClip = false;
    return RegionType(dc);
  }
  Object* o = FindObject(rgn);
  if (!o || o->kind != Kind::Region) return ERROR;
  // The DC keeps a copy: the region may be deleted right after.
  dc->clip = static_cast<RegionObject*>(o)->rect;
  dc->hasClip = true;
  return RegionType(dc);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  DC* dc = FindDC(hdc);
  if (!dc) return ERROR;
  RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right),
         std::max(top, bottom)};
  if (dc->hasClip) {
    if (!Intersect(dc->clip, r, &dc->clip)) dc->clip = RECT{0, 0, 0, 0};
  } else {
    dc->clip = r;
    dc->hasClip = true;
  }
  return RegionType(dc);
}

int GetClipBox(HDC hdc, LPRECT rect) {
  DC* dc = FindDC(hdc);
  if (!dc || !rect) return ERROR;
  Target t;
  if (!TargetOf(dc, &t)) {
    *rect = RECT{0, 0, 0, 0};
    return NULLREGION;
  }
  *rect = t.clip;
  return SIMPLEREGION;
}

// --- Colours and modes ---

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  DC* dc = FindDC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF prev = dc->textColor;
  dc->textColor = color & 0xFFFFFFu;
  return prev;
}

COLORREF GetTextColor(HDC hdc) {
  DC* dc = FindDC(hdc);
  return dc ? dc->textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  DC* dc = FindDC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF prev = dc->bkColor;
  dc->bkColor = color & 0xFFFFFFu;
  return prev;
}

COLORREF GetBkColor(HDC hdc) {
  DC* dc = FindDC(hdc);
  return dc ? dc->bkColor : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode) {
  DC* dc = FindDC(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int prev = dc->bkMode;
  dc->bkMode = mode;
  return prev;
}

int GetBkMode(HDC hdc) {
  DC* dc = FindDC(hdc);
  return dc ? dc->bkMode : 0;
}

int SetStretchBltMode(HDC hdc, int mode) {
  // Every stretch is nearest-neighbour; the mode is only remembered.
  DC* dc = FindDC(hdc);
  if (!dc || mode <= 0) return 0;
  int prev = dc->stretchMode;
  dc->stretchMode = mode;
  return prev;
}

int SetTextCharacterExtra(HDC hdc, int extra) {
  DC* dc = FindDC(hdc);
  if (!dc) return static_cast<int>(0x80000000u);
  int prev = dc->charExtra;
  dc->charExtra = extra;
  return prev;
}

int GetTextCharacterExtra(HDC hdc) {
  DC* dc = FindDC(hdc);
  return dc ? dc->charExtra : static_cast<int>(0x80000000u);
}
