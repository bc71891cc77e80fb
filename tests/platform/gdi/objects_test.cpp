#include <gtest/gtest.h>

#include "tests/platform/gdi/canvas.h"

TEST(GdiObjects, MemoryDCStartsWithAOnePixelBitmapAndDefaults) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  BITMAP bm{};
  ASSERT_EQ(GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm),
            static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmHeight, 1);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));  // gone
  EXPECT_EQ(CreateCompatibleDC(reinterpret_cast<HDC>(&bm)), nullptr);
}

TEST(GdiObjects, SelectObjectReturnsThePreviousObjectOfEachKind) {
  lvx::test::Canvas c(4, 3);
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(1, 2, 3));
  HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
  HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  EXPECT_EQ(SelectObject(c.dc(), pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(c.dc(), brush), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(c.dc(), font), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(SelectObject(c.dc(), GetStockObject(NULL_PEN)), pen);
  EXPECT_EQ(SelectObject(c.dc(), GetStockObject(BLACK_BRUSH)), brush);
  EXPECT_EQ(SelectObject(c.dc(), GetStockObject(DEFAULT_GUI_FONT)), font);
  EXPECT_EQ(SelectObject(c.dc(), reinterpret_cast<HGDIOBJ>(&c)), nullptr);  // not an object
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_FALSE(DeleteObject(font));  // already gone
  LOGFONTA lf{};
  EXPECT_EQ(GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf),
            static_cast<int>(sizeof lf));
  EXPECT_EQ(lf.lfHeight, -11);
}

TEST(GdiObjects, DeleteObjectRefusesSelectedAndStockObjects) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 8, 8);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HGDIOBJ oldBmp = SelectObject(dc, bmp);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  EXPECT_FALSE(DeleteObject(bmp));
  EXPECT_FALSE(DeleteObject(pen));
  // Still alive and usable after the refusal.
  EXPECT_EQ(SetPixel(dc, 7, 7, RGB(1, 1, 1)), RGB(1, 1, 1));
  for (int i : {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH,
                WHITE_PEN, BLACK_PEN, NULL_PEN, SYSTEM_FONT, DEFAULT_GUI_FONT}) {
    ASSERT_NE(GetStockObject(i), nullptr) << i;
    EXPECT_FALSE(DeleteObject(GetStockObject(i))) << i;
  }
  EXPECT_EQ(GetStockObject(99), nullptr);
  // A bitmap sits in one DC at a time.
  HDC other = CreateCompatibleDC(dc);
  EXPECT_EQ(SelectObject(other, bmp), nullptr);
  SelectObject(dc, oldBmp);
  SelectObject(dc, oldPen);
  EXPECT_NE(SelectObject(other, bmp), nullptr);
  DeleteDC(other);  // deleting the DC lets go of its bitmap
  EXPECT_TRUE(DeleteObject(bmp));
  EXPECT_TRUE(DeleteObject(pen));
  DeleteDC(dc);
}

TEST(GdiObjects, CompatibleBitmapsAreBlack32BitAndSizesAreChecked) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 3, 2);
  ASSERT_NE(bmp, nullptr);
  BITMAP bm{};
  EXPECT_EQ(GetObjectA(bmp, 0, nullptr), static_cast<int>(sizeof bm));
  EXPECT_EQ(GetObjectA(bmp, 4, &bm), 0);  // too small a buffer
  ASSERT_EQ(GetObjectA(bmp, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmHeight, 2);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(bm.bmWidthBytes, 12);
  HGDIOBJ old = SelectObject(dc, bmp);
  EXPECT_EQ(GetPixel(dc, 2, 1), 0u);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 3);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 2);
  SelectObject(dc, old);
  DeleteObject(bmp);
  for (auto [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-1, 5}, std::pair{16385, 1},
                      std::pair{16384, 16384}, std::pair{1, 1 << 30},
                      std::pair{16384, 1 << 14}}) {
    EXPECT_EQ(CreateCompatibleBitmap(dc, w, h), nullptr) << w << "x" << h;
  }
  EXPECT_EQ(lvx::CreateBitmapFromPixels(2, 2, {1, 2, 3}), nullptr);
  HBITMAP fromPixels = lvx::CreateBitmapFromPixels(2, 1, {0x00112233u, 0xFF445566u});
  ASSERT_NE(fromPixels, nullptr);
  old = SelectObject(dc, fromPixels);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x11, 0x22, 0x33));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0x44, 0x55, 0x66));
  SelectObject(dc, old);
  DeleteObject(fromPixels);
  DeleteDC(dc);
}

TEST(GdiObjects, SurfaceDCsDrawIntoTheirSurfaceAndOnlyTheOwnerFreesThem) {
  lvx::Surface s;
  s.Resize(10, 6);
  HDC dc = lvx::CreateSurfaceDC(&s);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(lvx::SurfaceOfDC(dc), &s);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 10);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 6);
  SetPixel(dc, 9, 5, RGB(0, 0, 255));
  EXPECT_EQ(s.pixels[59], 0x0000FFu);  // stored as 0x00RRGGBB
  HBITMAP bmp = CreateCompatibleBitmap(dc, 2, 2);
  EXPECT_EQ(SelectObject(dc, bmp), nullptr);  // a window DC keeps its window
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(GetPixel(dc, 9, 5), RGB(0, 0, 255));
  lvx::DestroySurfaceDC(dc);
  EXPECT_EQ(lvx::SurfaceOfDC(dc), nullptr);
  DeleteObject(bmp);
  EXPECT_EQ(lvx::CreateSurfaceDC(nullptr), nullptr);
}

TEST(GdiObjects, LiveCountsReturnToTheStartAfterUse) {
  const int objects = lvx::LiveGdiObjectCount();
  const int dcs = lvx::LiveDCCount();
  {
    lvx::test::Canvas c(20, 20);
    HFONT f = CreateFontA(-14, 0, 0, 0, FW_BOLD, 1, 0, 0, 0, 0, 0, 0, 0, "Liberation Sans");
    HGDIOBJ old = SelectObject(c.dc(), f);
    TextOutA(c.dc(), 0, 0, "Hi", 2);
    HRGN r = CreateRectRgn(0, 0, 5, 5);
    SelectObject(c.dc(), r);
    EXPECT_EQ(lvx::LiveGdiObjectCount(), objects + 3);
    EXPECT_EQ(lvx::LiveDCCount(), dcs + 1);
    SelectObject(c.dc(), old);
    DeleteObject(f);
    DeleteObject(r);
  }
  EXPECT_EQ(lvx::LiveGdiObjectCount(), objects);
  EXPECT_EQ(lvx::LiveDCCount(), dcs);
}
