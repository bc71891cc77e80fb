// Bitmaps, waves and strings embedded in the program, and BMP files loaded
// from disk.
#include "platform/winapi/resources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/gdi/surface.h"
#include "platform/resources/bmp_decoder.h"
#include "resources/resource_data.h"

namespace {

lvx::ResourceBytes Find(lvx::resdata::Kind kind, int id) {
  for (std::size_t i = 0; i < lvx::resdata::kEntryCount; ++i) {
    const lvx::resdata::Entry& e = lvx::resdata::kEntries[i];
    if (e.kind == kind && e.id == id && e.data != nullptr) return {e.data, e.size};
  }
  return {};
}

// A resource name is MAKEINTRESOURCE(id) or the text "#id"; -1 for anything else.
int ResourceId(LPCSTR name) {
  if (name == nullptr) return -1;
  if (IS_INTRESOURCE(name)) return static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
  if (name[0] != '#' || name[1] == '\0') return -1;
  long id = 0;
  for (const char* p = name + 1; *p; ++p) {
    if (*p < '0' || *p > '9') return -1;
    id = id * 10 + (*p - '0');
    if (id > 0xFFFF) return -1;
  }
  return static_cast<int>(id);
}

// The largest file a BMP within the pixel limits can need, with room for
// headers and a palette.
constexpr std::size_t kMaxBmpFileBytes =
    static_cast<std::size_t>(lvx::kMaxBmpPixels) * 4 + (std::size_t{1} << 20);

bool ReadBmpFile(const char* path, std::vector<unsigned char>& out) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            static_cast<unsigned long long>(st.st_size) <= kMaxBmpFileBytes;
  if (ok) {
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < out.size()) {
      ssize_t n = ::read(fd, out.data() + got, out.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    out.resize(got);  // a file that shrank meanwhile is decoded as it is now
  }
  ::close(fd);
  return ok;
}

// Nearest-neighbour resize for LoadImageA with an explicit size.
lvx::DecodedImage Resize(const lvx::DecodedImage& src, int w, int h) {
  lvx::DecodedImage dst;
  dst.width = w;
  dst.height = h;
  dst.pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    const int sy = static_cast<int>(static_cast<std::int64_t>(y) * src.height / h);
    for (int x = 0; x < w; ++x) {
      const int sx = static_cast<int>(static_cast<std::int64_t>(x) * src.width / w);
      dst.pixels[static_cast<std::size_t>(y) * w + x] =
          src.pixels[static_cast<std::size_t>(sy) * src.width + sx];
    }
  }
  return dst;
}

HBITMAP Decode(const unsigned char* data, std::size_t size, int cx, int cy) {
  lvx::DecodedImage img;
  if (!lvx::DecodeBmp(data, size, img)) return nullptr;
  if (cx < 0 || cy < 0) return nullptr;
  const int w = cx ? cx : img.width;
  const int h = cy ? cy : img.height;
  if (w != img.width || h != img.height) {
    if (w > lvx::kMaxBmpSide || h > lvx::kMaxBmpSide ||
        static_cast<std::int64_t>(w) * h > lvx::kMaxBmpPixels)
      return nullptr;
    img = Resize(img, w, h);
  }
  return lvx::CreateBitmapFromPixels(img.width, img.height, std::move(img.pixels));
}

}  // namespace

namespace lvx {

ResourceBytes FindWaveResource(int id) { return Find(resdata::Kind::Wave, id); }
ResourceBytes FindBitmapResource(int id) { return Find(resdata::Kind::Bitmap, id); }

HBITMAP CreateBitmapFromBmp(const void* data, std::size_t size) {
  return Decode(static_cast<const unsigned char*>(data), size, 0, 0);
}

}  // namespace lvx

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR name) {
  lvx::ResourceBytes res = lvx::FindBitmapResource(ResourceId(name));
  return res ? Decode(res.data, res.size, 0, 0) : nullptr;
}

HANDLE LoadImageA(HINSTANCE, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
  if (type != IMAGE_BITMAP || name == nullptr) return nullptr;
  if (flags & LR_LOADFROMFILE) {
    if (IS_INTRESOURCE(name)) return nullptr;
    std::vector<unsigned char> bytes;
    if (!ReadBmpFile(name, bytes)) return nullptr;
    return Decode(bytes.data(), bytes.size(), cx, cy);
  }
  lvx::ResourceBytes res = lvx::FindBitmapResource(ResourceId(name));
  return res ? Decode(res.data, res.size, cx, cy) : nullptr;
}

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  for (std::size_t i = 0; i < lvx::resdata::kStringCount; ++i) {
    if (lvx::resdata::kStrings[i].id != id) continue;
    const char* text = lvx::resdata::kStrings[i].text;
    std::size_t len = std::strlen(text);
    std::size_t n =
        len < static_cast<std::size_t>(size - 1) ? len : static_cast<std::size_t>(size - 1);
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
    return static_cast<int>(n);
  }
  buffer[0] = '\0';
  return 0;
}
