// Internal to platform/: the pixel store behind every bitmap and window.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/winapi.h"

namespace lvx {

// A 32-bit picture, 0x00RRGGBB per pixel (the X server's TrueColor layout),
// row-major with the top row first. COLORREF (0x00BBGGRR) is converted at
// the GDI boundary.
struct Surface {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  // Window surfaces remember what GDI touched so the display pushes only
  // those regions; bitmaps leave this off.
  bool trackDirty = false;

  void Resize(int w, int h);  // contents cleared to black, all dirty
  std::uint32_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width; }
  const std::uint32_t* Row(int y) const {
    return pixels.data() + static_cast<std::size_t>(y) * width;
  }

  // Marks [left, right) x [top, bottom), clipped to the surface.
  void MarkDirty(int left, int top, int right, int bottom);
  void MarkAllDirty();
  bool HasDirty() const;
  // The regions to present since the last call, as few non-overlapping
  // rectangles as is cheap; clears the record.
  std::vector<RECT> TakeDirty();

 private:
  // Dirty state is kept in tiles so thousands of tiny blits stay cheap.
  std::vector<std::uint8_t> dirtyTiles_;
  int tilesX_ = 0;
  int tilesY_ = 0;
  bool anyDirty_ = false;
};

inline std::uint32_t ColorRefToPixel(COLORREF c) {
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF PixelToColorRef(std::uint32_t p) {
  return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

// A device context that draws straight into `surface` (a window's own DC).
// The surface must outlive the DC.
HDC CreateSurfaceDC(Surface* surface);
// Frees a DC made by CreateSurfaceDC (DeleteDC refuses those).
void DestroySurfaceDC(HDC dc);
// The surface a DC draws into right now (its selected bitmap for memory DCs);
// nullptr for an invalid DC.
Surface* SurfaceOfDC(HDC dc);

// A bitmap owning the given pixels (used by the BMP loader). Returns nullptr
// when the size is not positive or the pixel count does not match.
HBITMAP CreateBitmapFromPixels(int width, int height, std::vector<std::uint32_t> pixels);
// The pixels of a bitmap (nullptr for anything else).
Surface* SurfaceOfBitmap(HBITMAP bitmap);

// Tests: counts of live GDI objects and DCs, to catch leaks.
int LiveGdiObjectCount();
int LiveDCCount();

}  // namespace lvx
