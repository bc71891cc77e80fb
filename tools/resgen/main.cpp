// lumivex_resgen OUTDIR: draws every bitmap resource into OUTDIR/bitmaps,
// synthesises every wave into OUTDIR/sounds and writes OUTDIR/contact-sheet.png.
// The output depends on nothing but this code, so reruns give the same bytes.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/resgen/pictures.h"
#include "tools/resgen/sheet.h"
#include "tools/resgen/sounds/sounds.h"

namespace fs = std::filesystem;
using namespace lvx::resgen;

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argc > 0 ? argv[0] : "lumivex_resgen");
    return 2;
  }
  fs::path out = argv[1];
  std::error_code ec;
  fs::create_directories(out / "bitmaps", ec);
  fs::create_directories(out / "sounds", ec);
  if (!fs::is_directory(out / "bitmaps") || !fs::is_directory(out / "sounds")) {
    std::fprintf(stderr, "lumivex_resgen: cannot create folders under %s\n", out.c_str());
    return 1;
  }
  std::vector<Rendered> rendered;
  rendered.reserve(Pictures().size());
  for (const PictureSpec& desc : Pictures()) {
    rendered.push_back(Render(desc));
    char name[16];
    std::snprintf(name, sizeof name, "%d.bmp", desc.id);
    fs::path file = out / "bitmaps" / name;
    if (!WriteBytes(file.string(), rendered.back().bmp)) {
      std::fprintf(stderr, "lumivex_resgen: cannot write %s\n", file.c_str());
      return 1;
    }
  }
  GenerateSounds((out / "sounds").string());
  std::vector<SheetItem> items;
  for (std::size_t i = 0; i < rendered.size(); ++i)
    items.push_back({Pictures()[i].id, Pictures()[i].role, &rendered[i].preview});
  fs::path sheet = out / "contact-sheet.png";
  if (!WritePng(sheet.string(), ContactSheet(items))) {
    std::fprintf(stderr, "lumivex_resgen: cannot write %s\n", sheet.c_str());
    return 1;
  }
  return 0;
}
