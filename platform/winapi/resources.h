// Resources embedded in the program: bitmaps, waves, the string table.
#pragma once

#include <cstddef>

#include "platform/winapi/types.h"

#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define LR_DEFAULTCOLOR 0x0000
#define LR_LOADFROMFILE 0x0010
#define LR_CREATEDIBSECTION 0x2000

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);

namespace lvx {
struct ResourceBytes {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  explicit operator bool() const { return data != nullptr; }
};
// The bytes of wave resource `id` (a whole RIFF file), or empty when absent.
ResourceBytes FindWaveResource(int id);
// The bytes of bitmap resource `id` (a whole BMP file), or empty when absent.
ResourceBytes FindBitmapResource(int id);
// A bitmap decoded from the bytes of a whole BMP file; nullptr when the data
// is malformed, truncated or too large.
HBITMAP CreateBitmapFromBmp(const void* data, std::size_t size);
}  // namespace lvx
