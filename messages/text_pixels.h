// What the message stars write: a small white-on-black picture (the pixel
// source), laid out on the screen by Text2Pixel and handed out one lit pixel
// per star by GetNextXY.
#pragma once

#include "platform/winapi.h"

// The process-wide pixel source. A pixel counts as lit when it is not black.
extern HDC SourceDC;
extern HBITMAP SourceBitmap;
// What SourceBitmap replaced in SourceDC, put back before it is deleted.
extern HGDIOBJ SourceOldBitmap;
extern int SourceWidth;
extern int SourceHeight;

// Layout of the source on the screen, set by Text2Pixel: source pixel (x, y)
// goes to (BiasX + x * ScaleFactor, BiasY + y * ScaleFactor).
extern float ScaleFactor;
extern int BiasX;
extern int BiasY;

// Extent of a text whose lines end at LF (a CR counts as a blank) in the font
// selected in dc: the widest line and the sum of the line heights. Either out
// pointer may be null.
void GetTextSize(HDC dc, const char* text, int* outWidth, int* outHeight);

// Deletes the current pixel source (bitmap and DC) if there is one.
void ReleasePixelSource();
// Releases the current source and makes a fresh memory DC compatible with
// SaverDC, without a bitmap yet.
void NewPixelSource();
// Selects a picture into the fresh source DC and takes ownership of it; the
// width and height to scan are given, not taken from the picture.
void UsePictureAsSource(HBITMAP picture, int width, int height);

// Draws text in the user's font face at fontSize points, white on black, into
// a new bitmap of the source DC (made by NewPixelSource).
void RenderTextSource(const char* text, float fontSize);

// The font size (points) at which the product name lights more than 230
// pixels, 5.0 to 20.0; cached in the settings per font face.
float AFSize();

// Scales and places the lit box of the source at random inside the middle of
// ScreenRect, and restarts the hand-out from the top-left.
void Text2Pixel();

// The screen position of the next lit source pixel (which is then blacked
// out): 1. When none is left: a random point on the bottom edge and 0. Both
// outputs are always written.
int GetNextXY(int* outX, int* outY);

namespace lvx {
// Tests: no pixel source, layout and scan cursor cleared.
void ResetTextPixelsForTests();
}  // namespace lvx
