// Off-screen pictures with their own memory DC, and the occupancy grid of
// the sky.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/winapi.h"

class BitmapClass {
 public:
  BitmapClass();
  ~BitmapClass();
  BitmapClass(const BitmapClass&) = delete;
  BitmapClass& operator=(const BitmapClass&) = delete;

  void CreateFromResource(HDC targetDC, int resourceId);
  void CreateFromFile(HDC targetDC, const char* path);
  void CreateBlack(HDC targetDC, int w, int h);
  // textColor CLR_INVALID (-1) takes the colour from the "Font" settings.
  void CreateFromText(HDC targetDC, COLORREF textColor, COLORREF backColor, const char* text);

  void CenterIn(int left, int top, int right, int bottom);
  void StretchTo(int left, int top, int right, int bottom);
  // 1 when drawn, 0 when nothing is attached.
  int Display();
  int Clear();
  void Mirror();
  void Rotate(float angle);
  COLORREF SampleInterpolated(float fx, float fy);
  void Destroy();

  bool Used() const { return used != 0; }

  int used;
  HDC hMemDC;
  int x;
  int y;
  int width;
  int height;
  HDC hTargetDC;
  HBITMAP hBitmap;
  HGDIOBJ hOldBitmap;
  int areaLeft, areaTop, areaRight, areaBottom;
  int stretch;

 private:
  void Attach(HDC targetDC, HBITMAP bitmap);
  bool RefuseSecondBitmap(const char* mark);
  int Blit(const char* name, DWORD rop);
};

// Cell values of the space matrix.
inline constexpr std::uint8_t CellFree = 0;
inline constexpr std::uint8_t CellPicture = 1;
inline constexpr std::uint8_t CellMoon = 2;
inline constexpr std::uint8_t CellVacated = 8;

class SpaceMatrixClass {
 public:
  SpaceMatrixClass();
  void Create(int width, int height);
  void Destroy();
  // Inline: every star reads its cell in every frame.
  std::uint8_t GetData(int x, int y) {
    if (static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
        static_cast<unsigned>(y) < static_cast<unsigned>(height_))
      return Cell(x, y);
    return OutOfRange(x, y);
  }
  void SetData(int x, int y, std::uint8_t setBits, std::uint8_t clearMask);
  void FillArea(int x, int y, int w, int h, std::uint8_t value);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Asks the cache for a cell that will be read soon; anything outside is ignored.
  void Prefetch(int x, int y) const {
    if (static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
        static_cast<unsigned>(y) < static_cast<unsigned>(height_))
      __builtin_prefetch(&cells_[static_cast<std::size_t>(x) * static_cast<std::size_t>(height_) +
                                 static_cast<std::size_t>(y)]);
  }
  // Unchecked read for the stars' hot path; the caller checked the range.
  std::uint8_t Cell(int x, int y) const {
    return cells_[static_cast<std::size_t>(x) * static_cast<std::size_t>(height_) +
                  static_cast<std::size_t>(y)];
  }

 private:
  std::uint8_t OutOfRange(int x, int y);  // logs which coordinate, returns 0

  int width_;
  int height_;
  // Column-major: all of column x, then column x + 1.
  std::vector<std::uint8_t> cells_;
};

// The one grid of the process, sized by the Universe.
extern SpaceMatrixClass SpaceMatrix;
