#include <cstring>

#include "platform/gdi/surface.h"
#include "scene_fixture.h"

namespace {

// Channels may lose one or two steps to truncation.
void ExpectNear(COLORREF actual, COLORREF expected) {
  EXPECT_NEAR(GetRValue(actual), GetRValue(expected), 2);
  EXPECT_NEAR(GetGValue(actual), GetGValue(expected), 2);
  EXPECT_NEAR(GetBValue(actual), GetBValue(expected), 2);
}

std::string DebugMark() {
  char out[200] = {};
  GetPrivateProfileStringA("Debug", "BitmapClass", "", out, sizeof out,
                           MainSettings.Path().c_str());
  return out;
}

using SpaceMatrixTest = SceneTest;
using BitmapTest = SceneTest;

TEST_F(SpaceMatrixTest, OutOfRangeAccessIsLoggedAndHarmless) {
  SpaceMatrix.Create(10, 8);
  EXPECT_EQ(SpaceMatrix.GetData(-1, 0), 0);
  EXPECT_TRUE(Logged("GetData-out of bounds X= -1"));
  EXPECT_EQ(SpaceMatrix.GetData(0, 8), 0);
  EXPECT_TRUE(Logged("GetData-out of bounds Y= 8"));
  SpaceMatrix.SetData(10, 0, 1, 0);
  EXPECT_TRUE(Logged("SetData-out of bounds X= 10"));
  SpaceMatrix.SetData(0, -3, 1, 0);
  EXPECT_TRUE(Logged("SetData-out of bounds Y= -3"));
  for (int x = 0; x < 10; ++x)
    for (int y = 0; y < 8; ++y) EXPECT_EQ(SpaceMatrix.GetData(x, y), CellFree);
}

TEST_F(SpaceMatrixTest, SetDataClearsThenSets) {
  SpaceMatrix.Create(4, 4);
  SpaceMatrix.SetData(1, 2, CellMoon, 0);
  SpaceMatrix.SetData(1, 2, 4, 0);
  EXPECT_EQ(SpaceMatrix.GetData(1, 2), 6);
  // A star leaving its pixel: bit 3 set, bit 2 cleared, the moon bit kept.
  SpaceMatrix.SetData(1, 2, CellVacated, 12);
  EXPECT_EQ(SpaceMatrix.GetData(1, 2), 10);
  EXPECT_EQ(SpaceMatrix.GetData(2, 1), 0);
}

TEST_F(SpaceMatrixTest, FillAreaClipsToTheGrid) {
  SpaceMatrix.Create(120, 110);
  SpaceMatrix.FillArea(-1, -1, 101, 101, CellMoon);
  EXPECT_EQ(SpaceMatrix.GetData(0, 0), CellMoon);
  EXPECT_EQ(SpaceMatrix.GetData(99, 99), CellMoon);
  EXPECT_EQ(SpaceMatrix.GetData(99, 0), CellMoon);
  EXPECT_EQ(SpaceMatrix.GetData(100, 50), 0);
  EXPECT_EQ(SpaceMatrix.GetData(50, 100), 0);
  // Far outside, huge or negative sizes: nothing written, nothing overrun.
  SpaceMatrix.FillArea(200, 0, 10, 10, CellPicture);
  SpaceMatrix.FillArea(0, 0, -5, 10, CellPicture);
  SpaceMatrix.FillArea(110, 100, 0x7fffffff, 0x7fffffff, CellPicture);
  EXPECT_EQ(SpaceMatrix.GetData(119, 109), CellPicture);
  EXPECT_EQ(SpaceMatrix.GetData(109, 99), 0);
  EXPECT_EQ(SpaceMatrix.GetData(0, 0), CellMoon);
}

TEST_F(BitmapTest, CreateBlackDisplayClearAndDestroy) {
  Blacken();
  BitmapClass b;
  EXPECT_EQ(b.Display(), 0);
  EXPECT_TRUE(Logged("BitmapClass::Display= !used"));
  b.CreateBlack(SaverDC, 20, 10);
  ASSERT_TRUE(b.Used());
  EXPECT_EQ(b.width, 20);
  EXPECT_EQ(b.height, 10);
  RECT r{0, 0, 20, 10};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(b.hMemDC, &r, red);
  DeleteObject(red);

  b.CenterIn(0, 0, 1024, 768);
  EXPECT_EQ(b.x, 502);
  EXPECT_EQ(b.y, 379);
  EXPECT_EQ(b.Display(), 1);
  EXPECT_EQ(Pixel(502, 379), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(521, 388), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(522, 388), 0u);
  EXPECT_EQ(LitIn(500, 370, 530, 400), 200);

  // A second creation is refused and marked in the settings.
  b.CreateBlack(SaverDC, 5, 5);
  EXPECT_EQ(DebugMark(), "CreateBlack.hBitmap!=NULL");
  EXPECT_EQ(b.width, 20);
  EXPECT_EQ(GetPixel(b.hMemDC, 19, 9), RGB(255, 0, 0));

  // Destroy erases the picture's rectangle on screen.
  b.Destroy();
  EXPECT_FALSE(b.Used());
  EXPECT_EQ(LitIn(500, 370, 530, 400), 0);
  b.Destroy();
  EXPECT_TRUE(Logged("BitmapClass::Destroy= not used"));
  // It may be created anew.
  b.CreateBlack(SaverDC, 3, 3);
  EXPECT_TRUE(b.Used());
  b.Destroy();
}

TEST_F(BitmapTest, MissingPictureIsReportedAndReleased) {
  const int dcs = lvx::LiveDCCount();
  BitmapClass b;
  b.CreateFromFile(SaverDC, (lvx::test::Home() + "/missing.bmp").c_str());
  EXPECT_TRUE(Logged("BitmapClass.Create= called with NULL hBitmap"));
  EXPECT_EQ(b.Display(), 1);  // draws nothing, but is attached
  b.Destroy();
  EXPECT_TRUE(Logged("BitmapClass::Destroy= hBitmap==NULL"));
  EXPECT_FALSE(b.Used());
  EXPECT_EQ(lvx::LiveDCCount(), dcs);
}

TEST_F(BitmapTest, MirrorTwiceAndRotateZeroKeepThePicture) {
  BitmapClass b;
  b.CreateBlack(SaverDC, 7, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) SetPixel(b.hMemDC, x, y, RGB(x * 30, y * 40, 9));
  b.Mirror();
  EXPECT_EQ(GetPixel(b.hMemDC, 0, 2), RGB(180, 80, 9));
  EXPECT_EQ(GetPixel(b.hMemDC, 6, 4), RGB(0, 160, 9));
  b.Mirror();
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(GetPixel(b.hMemDC, x, y), RGB(x * 30, y * 40, 9));
  b.Rotate(0.0f);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(GetPixel(b.hMemDC, x, y), RGB(x * 30, y * 40, 9));
  b.Destroy();
}

TEST_F(BitmapTest, RotateHalfTurnAndSampling) {
  BitmapClass b;
  b.CreateBlack(SaverDC, 9, 9);
  SetPixel(b.hMemDC, 6, 4, RGB(200, 100, 50));
  // Halfway between two pixels both count equally.
  EXPECT_EQ(b.SampleInterpolated(5.5f, 4.0f), RGB(100, 50, 25));
  EXPECT_EQ(b.SampleInterpolated(6.0f, 4.0f), RGB(200, 100, 50));
  // Just below a pixel edge the pixel still counts fully.
  ExpectNear(b.SampleInterpolated(6.0f, 3.9999998f), RGB(200, 100, 50));
  // Outside the picture samples are black.
  EXPECT_EQ(b.SampleInterpolated(-3.0f, 20.0f), 0u);
  b.Rotate(3.14159265f);
  // A half turn about the centre (4, 4) carries (6, 4) to (2, 4), whole.
  EXPECT_EQ(GetPixel(b.hMemDC, 6, 4), 0u);
  ExpectNear(GetPixel(b.hMemDC, 2, 4), RGB(200, 100, 50));
  // A quarter turn carries it onto the vertical axis.
  b.Rotate(1.57079633f);
  int lit = 0;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x)
      if (GetPixel(b.hMemDC, x, y) != 0) {
        ++lit;
        EXPECT_EQ(x, 4);
      }
  EXPECT_EQ(lit, 1);
  b.Destroy();
}

TEST_F(BitmapTest, TextBitmapHasTheTextExtent) {
  BitmapClass b;
  b.CreateFromText(SaverDC, RGB(255, 255, 255), 0, "AB");
  ASSERT_TRUE(b.Used());

  TextFont font;
  HDC dc = CreateCompatibleDC(SaverDC);
  font.Load("Font");
  font.Select(dc, RGB(255, 255, 255), 0);
  SIZE extent{};
  ASSERT_TRUE(GetTextExtentPoint32A(dc, "AB", 2, &extent));
  font.Release();
  DeleteDC(dc);
  EXPECT_EQ(b.width, extent.cx);
  EXPECT_EQ(b.height, extent.cy);
  int lit = 0;
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x)
      if (GetPixel(b.hMemDC, x, y) != 0) ++lit;
  EXPECT_GT(lit, 10);

  b.CreateFromText(SaverDC, RGB(255, 255, 255), 0, "other");
  EXPECT_EQ(DebugMark(), "CreateFromText:hBitmap!=NULL");
  b.Destroy();

  // CR and LF each end a line: two lines are twice as high as one.
  b.CreateFromText(SaverDC, RGB(255, 255, 255), 0, "A\rB");
  EXPECT_EQ(b.height, 2 * extent.cy);
  b.Destroy();
}

TEST_F(BitmapTest, EmptyAndOverlongTexts) {
  BitmapClass b;
  b.CreateFromText(SaverDC, CLR_INVALID, 0, "");
  EXPECT_TRUE(Logged("CreateFromText= 7271"));
  if (b.Used()) b.Destroy();
  // Longer than the 500-character work copy: measured cut, never overrun.
  std::string longText(2000, 'W');
  b.CreateFromText(SaverDC, CLR_INVALID, 0, longText.c_str());
  EXPECT_TRUE(b.Used());
  EXPECT_TRUE(Logged("GetTextSize X"));
  b.Destroy();
}

}  // namespace
