// Window snapshots as PNG files.
#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/backend/backend.h"

namespace lvx {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};

// libpng reports errors by longjmp; nothing with a destructor may live in
// this frame, so the caller owns the file and the row buffer.
bool Encode(std::FILE* file, const Surface& surface, unsigned char* row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(surface.width),
               static_cast<png_uint_32>(surface.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < surface.height; ++y) {
    const std::uint32_t* src = surface.Row(y);
    for (int x = 0; x < surface.width; ++x) {
      row[3 * x + 0] = static_cast<unsigned char>(src[x] >> 16);
      row[3 * x + 1] = static_cast<unsigned char>(src[x] >> 8);
      row[3 * x + 2] = static_cast<unsigned char>(src[x]);
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WriteSurfacePng(const Surface& surface, const std::string& path) {
  if (surface.width <= 0 || surface.height <= 0 ||
      surface.pixels.size() != static_cast<std::size_t>(surface.width) * surface.height) {
    return false;
  }
  // Written beside the target and renamed, so a reader never sees half a file.
  std::string temp = path + ".part";
  bool ok;
  {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temp.c_str(), "wb"));
    if (!file) return false;
    std::vector<unsigned char> row(static_cast<std::size_t>(surface.width) * 3);
    ok = Encode(file.get(), surface, row.data());
    ok = std::fflush(file.get()) == 0 && ok;
  }
  if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return true;
  std::remove(temp.c_str());
  return false;
}

}  // namespace lvx
