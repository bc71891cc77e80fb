// A memory DC with its own bitmap, and pixel-map helpers, for the drawing tests.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/surface.h"
#include "platform/winapi.h"

namespace lvx::test {

class Canvas {
 public:
  Canvas(int w, int h, COLORREF fill = 0) : w_(w), h_(h) {
    dc_ = CreateCompatibleDC(nullptr);
    bmp_ = CreateCompatibleBitmap(dc_, w, h);
    old_ = SelectObject(dc_, bmp_);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) SetPixelV(dc_, x, y, fill);
    }
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bmp_; }
  int width() const { return w_; }
  int height() const { return h_; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  std::vector<std::uint32_t> Pixels() const {
    const PixelBuffer& p = SurfaceOfBitmap(bmp_)->pixels;
    return {p.begin(), p.end()};
  }

  // One character per pixel: the legend maps colours to characters, '?' for others.
  std::string Map(const std::vector<std::pair<COLORREF, char>>& legend) const {
    std::string out;
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        char ch = '?';
        for (const auto& [c, l] : legend) {
          if (At(x, y) == c) ch = l;
        }
        out += ch;
      }
      out += '\n';
    }
    return out;
  }

  // Bounding box of the pixels that differ from `background`; empty when none.
  RECT BoundsNot(COLORREF background) const {
    RECT r{w_, h_, 0, 0};
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        if (At(x, y) != background) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1);
          r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
      }
    }
    return r;
  }

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
};

// Rows joined with newlines, for exact pixel maps in tests.
inline std::string Rows(std::initializer_list<const char*> rows) {
  std::string s;
  for (const char* r : rows) {
    s += r;
    s += '\n';
  }
  return s;
}

}  // namespace lvx::test
