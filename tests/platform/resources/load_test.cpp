// LoadImageA, LoadBitmapA, LoadStringA and the embedded resource table, seen
// through GDI as the saver sees them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gdi/surface.h"
#include "platform/winapi.h"
#include "resources/resource_data.h"
#include "tests/platform/resources/bmp_builder.h"
#include "tests/support/test_support.h"

using lvx::test::BmpSpec;
using lvx::test::Bytes;
using lvx::test::MakeBmp;

namespace {

// What GetPixel reports for a loaded bitmap, selected into a memory DC.
class Picture {
 public:
  explicit Picture(HANDLE h) : bitmap_(static_cast<HBITMAP>(h)) {
    if (!bitmap_) return;
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Picture() {
    if (!bitmap_) return;
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  explicit operator bool() const { return bitmap_ != nullptr; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  SIZE Size() const {
    BITMAP bm{};
    GetObjectA(bitmap_, sizeof bm, &bm);
    return {bm.bmWidth, bm.bmHeight};
  }

 private:
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

std::string WriteBmp(const std::string& bytes, const char* name = "pic.bmp") {
  std::string path = lvx::test::Home() + "/" + name;
  lvx::test::WriteFile(path, bytes);
  return path;
}

HANDLE LoadFile(const std::string& path, int cx = 0, int cy = 0) {
  return LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, cx, cy, LR_LOADFROMFILE);
}

// 2 x 2, top row white-black, bottom row black-white, one bit per pixel.
std::string Checker(std::uint32_t zero = 0x000000, std::uint32_t one = 0xFFFFFF) {
  BmpSpec b;
  b.width = 2;
  b.height = 2;
  b.bpp = 1;
  b.palette = {zero, one};
  b.pixels = Bytes({0x40, 0, 0, 0, 0x80, 0, 0, 0});  // bottom row first
  return MakeBmp(b);
}

TEST(LoadImage, OneBitFileGivesPaletteColoursThroughGetPixel) {
  Picture p(LoadFile(WriteBmp(Checker())));
  ASSERT_TRUE(p);
  EXPECT_EQ(p.Size().cx, 2);
  EXPECT_EQ(p.Size().cy, 2);
  EXPECT_EQ(p.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(p.At(1, 0), 0u);
  EXPECT_EQ(p.At(0, 1), 0u);
  EXPECT_EQ(p.At(1, 1), 0xFFFFFFu);

  // Palette 0x00RRGGBB in the file comes back as a COLORREF 0x00BBGGRR.
  Picture q(LoadFile(WriteBmp(Checker(0x112233, 0xAABBCC), "c.bmp")));
  ASSERT_TRUE(q);
  EXPECT_EQ(q.At(0, 0), RGB(0xAA, 0xBB, 0xCC));
  EXPECT_EQ(q.At(1, 0), RGB(0x11, 0x22, 0x33));
}

TEST(LoadImage, TwentyFourBitPixelsAndStretchToARequestedSize) {
  BmpSpec b;
  b.width = 2;
  b.height = 1;
  b.bpp = 24;
  b.pixels = Bytes({0x30, 0x20, 0x10, 0x03, 0x02, 0x01, 0, 0});  // B G R per pixel
  std::string path = WriteBmp(MakeBmp(b));
  Picture p(LoadFile(path));
  ASSERT_TRUE(p);
  EXPECT_EQ(p.At(0, 0), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(p.At(1, 0), RGB(0x01, 0x02, 0x03));

  Picture big(LoadFile(path, 4, 3));
  ASSERT_TRUE(big);
  EXPECT_EQ(big.Size().cx, 4);
  EXPECT_EQ(big.Size().cy, 3);
  EXPECT_EQ(big.At(1, 2), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(big.At(2, 0), RGB(0x01, 0x02, 0x03));
  Picture wide(LoadFile(path, 6, 0));  // zero keeps the picture's own height
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide.Size().cy, 1);
  EXPECT_EQ(LoadFile(path, 20000, 20000), nullptr);
  EXPECT_EQ(LoadFile(path, -1, 2), nullptr);
}

TEST(LoadImage, BadFilesAndRequestsGiveNull) {
  const int before = lvx::LiveGdiObjectCount();
  std::string good = WriteBmp(Checker());
  EXPECT_EQ(LoadFile(lvx::test::Home() + "/missing.bmp"), nullptr);
  EXPECT_EQ(LoadFile(lvx::test::Home()), nullptr);  // a folder
  EXPECT_EQ(LoadFile(WriteBmp("", "empty.bmp")), nullptr);
  EXPECT_EQ(LoadFile(WriteBmp(Checker().substr(0, 60), "cut.bmp")), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, good.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCE(5), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, nullptr, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(lvx::LiveGdiObjectCount(), before);  // nothing half-made stays behind
}

TEST(LoadImage, DecodesFromMemory) {
  std::string bytes = Checker();
  Picture p(lvx::CreateBitmapFromBmp(bytes.data(), bytes.size()));
  ASSERT_TRUE(p);
  EXPECT_EQ(p.At(1, 1), 0xFFFFFFu);
  EXPECT_EQ(lvx::CreateBitmapFromBmp(bytes.data(), 20), nullptr);
  EXPECT_EQ(lvx::CreateBitmapFromBmp(nullptr, 0), nullptr);
}

TEST(Resources, UnknownIdsAndNamesGiveNothing) {
  EXPECT_EQ(LoadBitmapA(nullptr, MAKEINTRESOURCE(65535)), nullptr);
  EXPECT_EQ(LoadBitmapA(nullptr, "#65535"), nullptr);
  EXPECT_EQ(LoadBitmapA(nullptr, "#99999999999"), nullptr);
  EXPECT_EQ(LoadBitmapA(nullptr, "#"), nullptr);
  EXPECT_EQ(LoadBitmapA(nullptr, "moon"), nullptr);
  EXPECT_EQ(LoadBitmapA(nullptr, nullptr), nullptr);
  EXPECT_FALSE(lvx::FindWaveResource(65535));
  EXPECT_FALSE(lvx::FindBitmapResource(-1));
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
      ASSERT_TRUE(w);
      EXPECT_EQ(w.size, e.size);
      ASSERT_GE(w.size, 12u);
      EXPECT_EQ(std::memcmp(w.data, "RIFF", 4), 0);
      continue;
    }
    Picture byId(LoadBitmapA(nullptr, MAKEINTRESOURCE(e.id)));
    ASSERT_TRUE(byId);
    std::string name = "#" + std::to_string(e.id);
    Picture byName(LoadImageA(nullptr, name.c_str(), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_TRUE(byName);
    EXPECT_EQ(byId.Size().cx, byName.Size().cx);
    EXPECT_GT(byId.Size().cx, 0);
  }
}

TEST(Resources, LoadStringCutsToTheBuffer) {
  char buf[16];
  EXPECT_EQ(LoadStringA(nullptr, 1, buf, sizeof buf), 7);
  EXPECT_STREQ(buf, "Lumivex");
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(LoadStringA(nullptr, 1, buf, 4), 3);
  EXPECT_STREQ(buf, "Lum");
  EXPECT_EQ(buf[4], '#');
  EXPECT_EQ(LoadStringA(nullptr, 1, buf, 1), 0);
  EXPECT_EQ(buf[0], '\0');
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(LoadStringA(nullptr, 1, buf, 0), 0);
  EXPECT_EQ(buf[0], '#');
  EXPECT_EQ(LoadStringA(nullptr, 1, nullptr, 10), 0);
  EXPECT_EQ(LoadStringA(nullptr, 60000, buf, sizeof buf), 0);
  EXPECT_EQ(buf[0], '\0');
}

}  // namespace
