#include "scene/bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {
constexpr int kInfo = 3;
constexpr int kWarning = 5;
constexpr int kError = 9;
}  // namespace

SpaceMatrixClass SpaceMatrix;

BitmapClass::BitmapClass()
    : used(0),
      hMemDC(nullptr),
      x(0),
      y(0),
      width(0),
      height(0),
      hTargetDC(nullptr),
      hBitmap(nullptr),
      hOldBitmap(nullptr),
      areaLeft(0),
      areaTop(0),
      areaRight(0),
      areaBottom(0),
      stretch(0) {}

BitmapClass::~BitmapClass() {
  // Releasing here could touch DCs that are already gone at process end.
  if (hBitmap != nullptr) LogFile.Log(kWarning, "~BitmapClass", "hBitmap!=NULL");
}

bool BitmapClass::RefuseSecondBitmap(const char* mark) {
  if (hBitmap == nullptr) return false;
  MainSettings.WriteString("Debug", "BitmapClass", mark);
  return true;
}

void BitmapClass::Attach(HDC targetDC, HBITMAP bitmap) {
  hBitmap = bitmap;
  if (used != 0) {
    LogFile.Log(kWarning, "BitmapClass::Create", "used");
    return;
  }
  if (bitmap == nullptr) LogFile.Log(kWarning, "BitmapClass.Create", "called with NULL hBitmap");
  used = 1;
  hTargetDC = targetDC;
  hMemDC = CreateCompatibleDC(targetDC);
  hOldBitmap = SelectObject(hMemDC, bitmap);
  BITMAP info{};
  if (bitmap != nullptr && GetObjectA(bitmap, sizeof(info), &info) != 0) {
    width = info.bmWidth;
    height = info.bmHeight;
  } else {
    width = 0;
    height = 0;
  }
}

void BitmapClass::CreateFromResource(HDC targetDC, int resourceId) {
  if (RefuseSecondBitmap("Load:hBitmap!=NULL")) return;
  Attach(targetDC, LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId & 0xFFFF)));
}

void BitmapClass::CreateFromFile(HDC targetDC, const char* path) {
  if (RefuseSecondBitmap("Load:hBitmap!=NULL")) return;
  HANDLE image = LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
  Attach(targetDC, static_cast<HBITMAP>(image));
}

void BitmapClass::CreateBlack(HDC targetDC, int w, int h) {
  if (RefuseSecondBitmap("CreateBlack.hBitmap!=NULL")) return;
  const bool wasUsed = used != 0;
  Attach(targetDC, CreateCompatibleBitmap(targetDC, w, h));
  if (wasUsed) return;
  width = w;
  height = h;
  RECT all{0, 0, w, h};
  FillRect(hMemDC, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void BitmapClass::CreateFromText(HDC targetDC, COLORREF textColor, COLORREF backColor,
                                 const char* text) {
  if (RefuseSecondBitmap("CreateFromText:hBitmap!=NULL")) return;
  if (text == nullptr) text = "";

  HDC measureDC = CreateCompatibleDC(targetDC);
  TextFont font;
  font.Load("Font");
  font.Select(measureDC, textColor, backColor);
  if (text[0] == '\0') LogFile.LogInt(kWarning, "CreateFromText", 7271);

  char copy[501];
  SafeStrCpy(copy, text);
  int w = 0;
  int h = 0;
  const char* lineStart = copy;
  for (const char* p = copy;; ++p) {
    if (*p == '\r' || *p == '\n' || *p == '\0') {
      SIZE extent{0, 0};
      if (GetTextExtentPoint32A(measureDC, lineStart, static_cast<int>(p - lineStart), &extent)) {
        w = std::max(w, static_cast<int>(extent.cx));
        h += extent.cy;
      } else {
        LogFile.Log(kError, "BitmapClass/GetTextSize for text", text);
      }
      if (*p == '\0') break;
      lineStart = p + 1;
    }
  }
  if (static_cast<long long>(w) * h > 150000) {
    LogFile.Log(kWarning, "BitmapClass/GetTextSize", "x*y");
    LogFile.Log(kWarning, "BitmapClass/text", text);
  }
  if (w > 5000) LogFile.LogInt(kError, "GetTextSize X", w);
  if (h > 400) LogFile.LogInt(kError, "GetTextSize Y", h);
  font.Release();
  DeleteDC(measureDC);

  CreateBlack(targetDC, w, h);
  if (hMemDC == nullptr) return;
  font.Select(hMemDC, textColor, backColor);
  TextOutA(hMemDC, 0, 0, text, static_cast<int>(std::strlen(text)));
  font.Release();
}

void BitmapClass::CenterIn(int left, int top, int right, int bottom) {
  areaLeft = left;
  areaTop = top;
  areaRight = right;
  areaBottom = bottom;
  stretch = 0;
  x = (right - width - left) / 2;
  y = (bottom - height - top) / 2;
}

void BitmapClass::StretchTo(int left, int top, int right, int bottom) {
  areaLeft = left;
  areaTop = top;
  areaRight = right;
  areaBottom = bottom;
  x = 0;
  y = 0;
  stretch = 1;
}

// Display and Clear draw the same rectangle, with the picture or with black.
int BitmapClass::Blit(const char* name, DWORD rop) {
  if (used == 0) {
    LogFile.Log(kWarning, name, "!used");
    return 0;
  }
  if (stretch != 0)
    StretchBlt(hTargetDC, 0, 0, areaRight, areaBottom, hMemDC, 0, 0, width, height, rop);
  else
    BitBlt(hTargetDC, x, y, width, height, hMemDC, 0, 0, rop);
  return 1;
}

int BitmapClass::Display() { return Blit("BitmapClass::Display", SRCCOPY); }

int BitmapClass::Clear() { return Blit("BitmapClass::Clear", BLACKNESS); }

void BitmapClass::Mirror() {
  if (used == 0) {
    LogFile.Log(kWarning, "BitmapClass::Mirror", "!used");
    return;
  }
  StretchBlt(hMemDC, width, 0, -width, height, hMemDC, 0, 0, width, height, SRCCOPY);
}

COLORREF BitmapClass::SampleInterpolated(float fx, float fy) {
  COLORREF colour[2][2];
  float weight[2][2];
  float sum = 0.0f;
  // Each weight belongs to the corner that is sampled: both come from the
  // same floor, so a float rounding at a pixel edge cannot pair a colour with
  // another pixel's weight (which lost pixels in a half turn).
  const double baseX = std::floor(static_cast<double>(fx));
  const double baseY = std::floor(static_cast<double>(fy));
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      const double cornerX = baseX + i;
      const double cornerY = baseY + j;
      const bool inside = cornerX >= 0 && cornerX < width && cornerY >= 0 && cornerY < height;
      colour[i][j] = (inside && hMemDC != nullptr)
                         ? GetPixel(hMemDC, static_cast<int>(cornerX), static_cast<int>(cornerY))
                         : 0;
      const double dx = static_cast<double>(fx) - cornerX;
      const double dy = static_cast<double>(fy) - cornerY;
      const float d = static_cast<float>(std::sqrt(dx * dx + dy * dy));
      weight[i][j] = std::max(0.0f, 1.0f - d);
      sum += weight[i][j];
    }
  }
  if (sum <= 0.0f) return 0;
  float red = 0.0f, green = 0.0f, blue = 0.0f;
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      const float share = weight[i][j] / sum;
      red += share * static_cast<float>(GetRValue(colour[i][j]));
      green += share * static_cast<float>(GetGValue(colour[i][j]));
      blue += share * static_cast<float>(GetBValue(colour[i][j]));
    }
  }
  return RGB(static_cast<BYTE>(red), static_cast<BYTE>(green), static_cast<BYTE>(blue));
}

void BitmapClass::Rotate(float angle) {
  LogFile.Log(kInfo, "Entering", "Rotate");
  if (used == 0) return;
  const double c = std::cos(static_cast<double>(angle));
  const double s = std::sin(static_cast<double>(angle));
  const int cx = width / 2;
  const int cy = height / 2;
  BitmapClass rotated;
  rotated.CreateBlack(hMemDC, width, height);
  if (rotated.hMemDC == nullptr) return;
  for (int yy = -cy; yy <= height - cy - 1; ++yy) {
    for (int xx = -cx; xx <= width - cx - 1; ++xx) {
      const float fx = static_cast<float>(c * xx + s * yy + cx);
      const float fy = static_cast<float>(-s * xx + c * yy + cy);
      SetPixel(rotated.hMemDC, xx + cx, yy + cy, SampleInterpolated(fx, fy));
    }
  }
  BitBlt(hMemDC, 0, 0, width, height, rotated.hMemDC, 0, 0, SRCCOPY);
  // Released by hand: Destroy would black out the picture just rotated.
  SelectObject(rotated.hMemDC, rotated.hOldBitmap);
  DeleteObject(rotated.hBitmap);
  DeleteDC(rotated.hMemDC);
  rotated.hBitmap = nullptr;
  rotated.hMemDC = nullptr;
  rotated.used = 0;
}

void BitmapClass::Destroy() {
  if (used == 0) {
    LogFile.Log(kWarning, "BitmapClass::Destroy", "not used");
    return;
  }
  if (hBitmap == nullptr) {
    // A failed load still made a memory DC: release it, or every missing
    // picture would leak one.
    LogFile.Log(kWarning, "BitmapClass::Destroy", "hBitmap==NULL");
    if (hMemDC != nullptr) {
      SelectObject(hMemDC, hOldBitmap);
      DeleteDC(hMemDC);
    }
    hMemDC = nullptr;
    hOldBitmap = nullptr;
    stretch = 0;
    used = 0;
    return;
  }
  Clear();
  SelectObject(hMemDC, hOldBitmap);
  DeleteObject(hBitmap);
  DeleteDC(hMemDC);
  hMemDC = nullptr;
  hOldBitmap = nullptr;
  stretch = 0;
  hBitmap = nullptr;
  used = 0;
}

SpaceMatrixClass::SpaceMatrixClass() : width_(0), height_(0) {}

void SpaceMatrixClass::Create(int width, int height) {
  LogFile.LogInt(kInfo, "SpaceMatrixClass-Create-width_in", width);
  LogFile.LogInt(kInfo, "SpaceMatrixClass-Create-height_in", height);
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  cells_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), CellFree);
}

void SpaceMatrixClass::Destroy() {
  LogFile.Log(kInfo, "SpaceMatrixClass-Destroy", "called");
  cells_.clear();
  cells_.shrink_to_fit();
  width_ = 0;
  height_ = 0;
}

std::uint8_t SpaceMatrixClass::OutOfRange(int x, int y) {
  if (x < 0 || x >= width_) {
    LogFile.LogInt(kError, "GetData-out of bounds X", x);
  } else {
    LogFile.LogInt(kError, "GetData-out of bounds Y", y);
  }
  return 0;
}

void SpaceMatrixClass::SetData(int x, int y, std::uint8_t setBits, std::uint8_t clearMask) {
  if (x < 0 || x >= width_) {
    LogFile.LogInt(kError, "SetData-out of bounds X", x);
    return;
  }
  if (y < 0 || y >= height_) {
    LogFile.LogInt(kError, "SetData-out of bounds Y", y);
    return;
  }
  std::uint8_t& cell = cells_[static_cast<std::size_t>(x) * static_cast<std::size_t>(height_) +
                              static_cast<std::size_t>(y)];
  cell = static_cast<std::uint8_t>((cell & ~clearMask) | setBits);
}

void SpaceMatrixClass::FillArea(int x, int y, int w, int h, std::uint8_t value) {
  // 64-bit edges: x + w must not overflow for any caller's values.
  const long long x0 = std::max<long long>(x, 0);
  const long long y0 = std::max<long long>(y, 0);
  const long long x1 = std::min<long long>(static_cast<long long>(x) + w, width_);
  const long long y1 = std::min<long long>(static_cast<long long>(y) + h, height_);
  if (x0 >= x1 || y0 >= y1) return;
  for (long long column = x0; column < x1; ++column) {
    auto first = cells_.begin() + static_cast<std::ptrdiff_t>(column * height_ + y0);
    std::fill(first, first + static_cast<std::ptrdiff_t>(y1 - y0), value);
  }
}
