// LoadImageA, LoadBitmapA, LoadStringA and the embedded resources, seen
// through GDI as the saver sees them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gdi/surface.h"
#include "platform/winapi.h"
#include "resources/resource_data.h"
#include "tests/platform/resources/bmp_builder.h"
#include "tests/support/test_support.h"

namespace {

// A loaded bitmap selected into a memory DC, read with GetPixel.
class Picture {
 public:
  explicit Picture(HANDLE h) : bitmap_(static_cast<HBITMAP>(h)) {
    if (bitmap_) old_ = SelectObject(dc_, bitmap_);
  }
  ~Picture() {
    if (bitmap_) SelectObject(dc_, old_), DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  explicit operator bool() const { return bitmap_ != nullptr; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  SIZE Size() const {
    BITMAP bm{};
    GetObjectA(bitmap_, sizeof bm, &bm);
    return {bm.bmWidth, bm.bmHeight};
  }

 private:
  HBITMAP bitmap_;
  HDC dc_ = CreateCompatibleDC(nullptr);
  HGDIOBJ old_ = nullptr;
};

HANDLE LoadFile(const std::string& path, int cx = 0, int cy = 0) {
  return LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, cx, cy, LR_LOADFROMFILE);
}

// 2 x 2 at one bit per pixel: top row one-zero, bottom row zero-one.
std::string Checker(std::uint32_t zero, std::uint32_t one) {
  lvx::test::BmpSpec b;
  b.width = 2;
  b.height = 2;
  b.bpp = 1;
  b.palette = {zero, one};
  b.pixels = lvx::test::Bytes({0x40, 0, 0, 0, 0x80, 0, 0, 0});
  return lvx::test::MakeBmp(b);
}

TEST(LoadImage, FileToBitmapThroughGetPixel) {
  std::string path = lvx::test::Home() + "/pic.bmp";
  lvx::test::WriteFile(path, Checker(0x000000, 0xFFFFFF));
  Picture p(LoadFile(path));
  ASSERT_TRUE(p);
  EXPECT_EQ(p.Size().cx, 2);
  EXPECT_EQ(p.Size().cy, 2);
  EXPECT_EQ(p.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(p.At(1, 0), 0u);
  EXPECT_EQ(p.At(1, 1), 0xFFFFFFu);

  // The file's 0x00RRGGBB palette comes back as COLORREF 0x00BBGGRR.
  lvx::test::WriteFile(path, Checker(0x112233, 0xAABBCC));
  Picture c(LoadFile(path));
  EXPECT_EQ(c.At(0, 0), RGB(0xAA, 0xBB, 0xCC));
  EXPECT_EQ(c.At(0, 1), RGB(0x11, 0x22, 0x33));

  Picture big(LoadFile(path, 4, 3));  // stretched to the size asked for
  EXPECT_EQ(big.Size().cx, 4);
  EXPECT_EQ(big.Size().cy, 3);
  EXPECT_EQ(big.At(1, 0), RGB(0xAA, 0xBB, 0xCC));
  EXPECT_EQ(big.At(3, 2), RGB(0xAA, 0xBB, 0xCC));
  EXPECT_EQ(big.At(0, 2), RGB(0x11, 0x22, 0x33));
}

TEST(LoadImage, BadFilesAndRequestsGiveNull) {
  const int before = lvx::LiveGdiObjectCount();
  std::string good = lvx::test::Home() + "/good.bmp", cut = lvx::test::Home() + "/cut.bmp";
  lvx::test::WriteFile(good, Checker(0, 0xFFFFFF));
  lvx::test::WriteFile(cut, Checker(0, 0xFFFFFF).substr(0, 60));
  EXPECT_EQ(LoadFile(cut), nullptr);
  EXPECT_EQ(LoadFile(lvx::test::Home() + "/missing.bmp"), nullptr);
  EXPECT_EQ(LoadFile(lvx::test::Home()), nullptr);  // a folder
  EXPECT_EQ(LoadFile(good, 20000, 20000), nullptr);
  EXPECT_EQ(LoadFile(good, -1, 2), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, good.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCE(5), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  for (LPCSTR name :
       {MAKEINTRESOURCE(65535), "#65535", "#99999999999", "#", "moon", (LPCSTR) nullptr})
    EXPECT_EQ(LoadBitmapA(nullptr, name), nullptr);
  EXPECT_EQ(lvx::CreateBitmapFromBmp(Checker(0, 1).data(), 20), nullptr);
  EXPECT_EQ(lvx::LiveGdiObjectCount(), before);  // nothing half-made stays behind
}

// Every picture and sound built into the program is usable: each bitmap
// decodes (by number and by "#number") and each wave is a RIFF file.
TEST(Resources, EveryEmbeddedResourceLoads) {
  if (lvx::resdata::kEntryCount == 0) GTEST_SKIP() << "no resources embedded in this build";
  for (std::size_t i = 0; i < lvx::resdata::kEntryCount; ++i) {
    const auto& e = lvx::resdata::kEntries[i];
    SCOPED_TRACE(e.id);
    if (e.kind == lvx::resdata::Kind::Wave) {
      lvx::ResourceBytes w = lvx::FindWaveResource(e.id);
      ASSERT_TRUE(w.size >= 12 && w.size == e.size);
      EXPECT_EQ(std::memcmp(w.data, "RIFF", 4), 0);
      continue;
    }
    Picture byId(LoadBitmapA(nullptr, MAKEINTRESOURCE(e.id)));
    std::string name = "#" + std::to_string(e.id);
    Picture byName(LoadImageA(nullptr, name.c_str(), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_TRUE(byId && byName);
    EXPECT_EQ(byId.Size().cx, byName.Size().cx);
  }
  EXPECT_FALSE(lvx::FindWaveResource(65535));
}

TEST(Resources, LoadStringCutsToTheBuffer) {
  char buf[16];
  EXPECT_EQ(LoadStringA(nullptr, 1, buf, sizeof buf), 7);
  EXPECT_STREQ(buf, "Lumivex");
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(LoadStringA(nullptr, 1, buf, 4), 3);
  EXPECT_EQ(std::string(buf, 5), std::string("Lum\0#", 5));
  EXPECT_EQ(LoadStringA(nullptr, 1, buf, 1), 0);
  EXPECT_EQ(buf[0], '\0');
  buf[0] = '#';
  EXPECT_EQ(LoadStringA(nullptr, 1, buf, 0), 0);
  EXPECT_EQ(buf[0], '#');
  EXPECT_EQ(LoadStringA(nullptr, 1, nullptr, 10), 0);
  EXPECT_EQ(LoadStringA(nullptr, 60000, buf, sizeof buf), 0);
  EXPECT_EQ(buf[0], '\0');
}

}  // namespace
