#include "messages/text_pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

HDC SourceDC = nullptr;
HBITMAP SourceBitmap = nullptr;
HGDIOBJ SourceOldBitmap = nullptr;
int SourceWidth = 0;
int SourceHeight = 0;

float ScaleFactor = 1.0f;
int BiasX = 0;
int BiasY = 0;

namespace {

constexpr int kInfo = 3;
constexpr int kWarning = 5;
constexpr int kError = 9;
constexpr int kErrorNoLineEnd = 8;

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0;

// Longest text that is measured; longer ones are cut (and reported).
constexpr std::size_t kMeasureLimit = 500;
// Face names of the "Font" section hold up to 20 characters.
constexpr std::size_t kFaceBuffer = 22;

int scanRow = 0;
int scanColumn = 0;

// The font of the pixel source, kept for the process like the source itself.
TextFont MessageFont;

// Lit pixels of a w x h area of dc.
int CountLit(HDC dc, int w, int h) {
  int count = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (GetPixel(dc, x, y) != kBlack) ++count;
  return count;
}

// Fills a fresh w x h bitmap of dc with black and draws text on it in white
// with the font already selected; one character of extra spacing keeps small
// glyphs from merging into one blob of stars.
void DrawWhiteOnBlack(HDC dc, const char* text, int w, int h) {
  RECT box{0, 0, w, h};
  FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetTextColor(dc, kWhite);
  SetBkColor(dc, kBlack);
  RECT area = ScreenRect;
  DrawTextA(dc, text, -1, &area, DT_WORDBREAK);
}

}  // namespace

void GetTextSize(HDC dc, const char* text, int* outWidth, int* outHeight) {
  LogFile.Log(kInfo, "Lumivex", "point1");
  if (text == nullptr) text = "";
  char work[kMeasureLimit + 1];
  SafeStrCpy(work, text, kMeasureLimit);

  long long width = 0;
  long long height = 0;
  std::size_t lineStart = 0;
  for (std::size_t i = 0;; ++i) {
    char c = work[i];
    if (c == '\r') {
      work[i] = ' ';
      continue;
    }
    if (c != '\n' && c != '\0') continue;
    SIZE size{0, 0};
    if (GetTextExtentPoint32A(dc, work + lineStart, static_cast<int>(i - lineStart), &size)) {
      width = std::max<long long>(width, size.cx);
      height += size.cy;
    } else {
      LogFile.Log(kErrorNoLineEnd, "Lumivex/GetTextSize", "!GetTextExtentPoint32a");
      LogFile.Log(kErrorNoLineEnd, "GetTextSize/txt", text);
    }
    if (c == '\0') break;
    lineStart = i + 1;
  }

  // 500 characters of at most a few hundred pixels each stay far below this.
  const int w = static_cast<int>(std::min<long long>(width, 1LL << 30));
  const int h = static_cast<int>(std::min<long long>(height, 1LL << 30));
  if (outWidth != nullptr) *outWidth = w;
  if (outHeight != nullptr) *outHeight = h;

  if (w < 1) LogFile.Log(kWarning, "lv-GetTextSize (x<=0)", text);
  if (h < 1) LogFile.Log(kWarning, "lv-GetTextSize (y<=0)", text);
  if (static_cast<long long>(w) * h > 150000) {
    LogFile.Log(kError, "Lumivex/GetTextSize", "x*y");
    LogFile.Log(kError, "text", text);
  }
  if (w > 5000) LogFile.LogInt(kError, "Lumivex/GetTextSize X", w);
  if (h > 400) LogFile.LogInt(kError, "Lumivex/GetTextSize Y", h);
}

void ReleasePixelSource() {
  if (SourceDC != nullptr) {
    if (SourceOldBitmap != nullptr) SelectObject(SourceDC, SourceOldBitmap);
    DeleteDC(SourceDC);
  }
  if (SourceBitmap != nullptr) DeleteObject(SourceBitmap);
  SourceDC = nullptr;
  SourceBitmap = nullptr;
  SourceOldBitmap = nullptr;
  SourceWidth = 0;
  SourceHeight = 0;
}

void NewPixelSource() {
  ReleasePixelSource();
  SourceDC = CreateCompatibleDC(SaverDC);
}

void UsePictureAsSource(HBITMAP picture, int width, int height) {
  if (SourceDC == nullptr || SourceBitmap != nullptr) NewPixelSource();
  if (picture == nullptr) return;
  SourceBitmap = picture;
  SourceOldBitmap = SelectObject(SourceDC, picture);
  SourceWidth = std::max(width, 0);
  SourceHeight = std::max(height, 0);
}

void RenderTextSource(const char* text, float fontSize) {
  if (text == nullptr) text = "";
  if (SourceDC == nullptr || SourceBitmap != nullptr) NewPixelSource();
  if (SourceDC == nullptr) {
    LogFile.Log(kError, "RenderTextSource", "!CreateCompatibleDC");
    return;
  }

  MessageFont.SetSize(fontSize);
  MessageFont.Select(SourceDC, kWhite, kBlack);
  const int oldExtra = GetTextCharacterExtra(SourceDC);
  // Measure with the spacing the text is drawn with: every character is a
  // pixel wider, and the 25 spare columns alone would cut the end off any
  // line longer than about 25 characters.
  SetTextCharacterExtra(SourceDC, 1);
  int w = 0;
  int h = 0;
  GetTextSize(SourceDC, text, &w, &h);
  w += 25;
  SourceWidth = w;
  SourceHeight = std::max(h, 0);

  SourceBitmap = CreateCompatibleBitmap(SaverDC, SourceWidth, SourceHeight);
  if (SourceBitmap != nullptr) {
    SourceOldBitmap = SelectObject(SourceDC, SourceBitmap);
    SetTextCharacterExtra(SourceDC, 1);
    DrawWhiteOnBlack(SourceDC, text, SourceWidth, SourceHeight);
  } else {
    // Nothing to scan: every star goes to the bottom edge.
    SourceWidth = 0;
    SourceHeight = 0;
  }
  SetTextCharacterExtra(SourceDC, oldExtra);
  MessageFont.Release();
}

float AFSize() {
  char previousName[kFaceBuffer];
  char fontName[kFaceBuffer];
  float previousSize = 0.0f;
  MainSettings.UserReadString("Font", "PreviousFontName", previousName, "xx", sizeof previousName);
  MainSettings.UserReadString("Font", "Font", fontName, "xx", sizeof fontName);
  MainSettings.UserReadFloat("Font", "PreviousFontSize", &previousSize, 0.0f);
  // A cached size outside the searched range is a damaged file: search again.
  if (std::strcmp(previousName, fontName) == 0 && previousSize > 0.0f && previousSize <= 20.0f) {
    LogFile.LogTime("AFSize");
    LogFile.LogDouble(kInfo, "AFSize already calculated", previousSize);
    return previousSize;
  }

  const char* sample = "Lumivex";
  HDC dc = CreateCompatibleDC(SaverDC);
  float size = 5.0f;
  int count = 0;
  while (true) {
    LogFile.LogDouble(kInfo, "AFSize trying size", size);
    TextFont font;
    font.SetSize(size);
    font.Select(dc, kWhite, kBlack);
    int w = 0;
    int h = 0;
    GetTextSize(dc, sample, &w, &h);
    w += 25;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, w, std::max(h, 0));
    HGDIOBJ old = bitmap != nullptr ? SelectObject(dc, bitmap) : nullptr;
    if (bitmap != nullptr) DrawWhiteOnBlack(dc, sample, w, h);
    if (font.Selected()) font.Release();
    count = bitmap != nullptr ? CountLit(dc, w, h) : 0;
    LogFile.LogInt(kInfo, "AFSize count", count);
    if (old != nullptr) SelectObject(dc, old);
    if (bitmap != nullptr) DeleteObject(bitmap);

    if (count > 230) break;
    size += 0.5f;
    if (size >= 20.0f) break;
  }
  if (dc != nullptr) DeleteDC(dc);

  MainSettings.UserWriteString("Font", "PreviousFontName", fontName);
  MainSettings.UserWriteFloat("Font", "PreviousFontSize", size);
  LogFile.LogInt(kInfo, "AFSize return", count);
  return size;
}

void Text2Pixel() {
  int minX = SourceWidth;
  int maxX = 0;
  int minY = SourceHeight;
  int maxY = 0;
  bool anyLit = false;
  if (SourceDC != nullptr) {
    for (int y = 0; y < SourceHeight; ++y)
      for (int x = 0; x < SourceWidth; ++x)
        if (GetPixel(SourceDC, x, y) != kBlack) {
          anyLit = true;
          minX = std::min(minX, x);
          maxX = std::max(maxX, x);
          minY = std::min(minY, y);
          maxY = std::max(maxY, y);
        }
  }
  // Nothing lit: no box to scale. Any finite layout does, since GetNextXY
  // finds nothing; without this the factor would come from a zero or
  // negative box size.
  if (!anyLit) minX = maxX = minY = maxY = 0;

  const int width = ScreenRect.right - ScreenRect.left;
  const int height = ScreenRect.bottom - ScreenRect.top;

  const int borderX = width / 10;
  const int bLeft = ScreenRect.left + borderX;
  const int bRight = ScreenRect.right - borderX;
  const float scaleX = static_cast<float>(width - 3 * borderX) / static_cast<float>(maxX - minX + 1);
  LogFile.LogInt(kInfo, "origMinX", minX);
  LogFile.LogInt(kInfo, "origMaxX", maxX);
  LogFile.LogInt(kInfo, "Text2Pixel-borderX", borderX);
  LogFile.LogInt(kInfo, "Text2Pixel-BLeft", bLeft);
  LogFile.LogInt(kInfo, "Text2Pixel-BRight", bRight);
  LogFile.LogDouble(kInfo, "Text2Pixel-ScaleFactorX", scaleX);

  const int borderY = height / 7;
  const int bTop = ScreenRect.top + borderY;
  const int bBottom = ScreenRect.bottom - borderY;
  LogFile.LogInt(kInfo, "origMinY", minY);
  LogFile.LogInt(kInfo, "origMaxY", maxY);
  LogFile.LogInt(kInfo, "Text2Pixel-borderY", borderY);
  LogFile.LogInt(kInfo, "Text2Pixel-BTop", bTop);
  LogFile.LogInt(kInfo, "Text2Pixel-BBottom", bBottom);
  const float scaleY = static_cast<float>(height - 3 * borderY) / static_cast<float>(maxY - minY + 1);
  LogFile.LogInt(kInfo, "Text2Pixel-ScaleFactorY", (height - 3 * borderY) / (maxY - minY + 1));

  ScaleFactor = std::min({scaleX, scaleY, 10.0f});

  BiasX = bLeft +
          RandomBelow(bRight - static_cast<int>((maxX - minX) * ScaleFactor) - bLeft) -
          static_cast<int>(minX * ScaleFactor);
  BiasY = bTop +
          RandomBelow(bBottom - static_cast<int>((maxY - minY) * ScaleFactor) - bTop) -
          static_cast<int>(minY * ScaleFactor);

  LogFile.LogDouble(kInfo, "Text2Pixel-ScaleFactor", ScaleFactor);
  LogFile.LogInt(kInfo, "Text2Pixel-BiasX", BiasX);
  LogFile.LogInt(kInfo, "Text2Pixel-BiasY", BiasY);
  scanRow = 0;
  scanColumn = 0;
}

int GetNextXY(int* outX, int* outY) {
  int x = 0;
  int y = 0;
  bool found = false;
  if (SourceDC != nullptr && scanRow < SourceHeight) {
    int column = scanColumn;
    for (int row = scanRow; row < SourceHeight && !found; ++row, column = 0) {
      for (; column < SourceWidth; ++column) {
        scanRow = row;
        scanColumn = column;
        if (GetPixel(SourceDC, column, row) != kBlack) {
          x = column;
          y = row;
          found = true;
          break;
        }
      }
    }
    // Every pixel has been looked at: later calls skip the scan.
    if (!found) scanRow = SourceHeight;
  }

  if (!found) {
    if (outX != nullptr) *outX = RandomBelow(ScreenRect.right);
    if (outY != nullptr) *outY = ScreenRect.bottom;
    return 0;
  }

  SetPixelV(SourceDC, x, y, kBlack);
  const double screenX = BiasX + std::trunc(x * static_cast<double>(ScaleFactor));
  const double screenY = BiasY + std::trunc(y * static_cast<double>(ScaleFactor));
  const int sx = static_cast<int>(screenX);
  const int sy = static_cast<int>(screenY);
  if (outX != nullptr) *outX = sx;
  if (outY != nullptr) *outY = sy;
  if (sx < 0) {
    LogFile.LogInt(kError, "GetNextXY x", sx);
    return 0;
  }
  if (sy < 0) {
    LogFile.LogInt(kError, "GetNextXY y", sy);
    return 0;
  }
  return 1;
}

namespace lvx {

void ResetTextPixelsForTests() {
  ReleasePixelSource();
  ScaleFactor = 1.0f;
  BiasX = 0;
  BiasY = 0;
  scanRow = 0;
  scanColumn = 0;
}

}  // namespace lvx
