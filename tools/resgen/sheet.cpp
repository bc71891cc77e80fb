#include "tools/resgen/sheet.h"

#include <algorithm>
#include <string>

#include "tools/resgen/font.h"

namespace lvx::resgen {

namespace {
constexpr int kGap = 16;
constexpr int kLabel = 12;  // label height below each picture
constexpr std::uint8_t kBack = 0x30;
}  // namespace

Image ContactSheet(const std::vector<SheetItem>& items, int width) {
  // Shelf packing, in list order, so the sheet reads by number.
  struct Place {
    int x, y;
  };
  std::vector<Place> places;
  // A picture wider than the sheet widens the sheet instead of spilling over.
  for (const SheetItem& it : items) width = std::max(width, it.picture->w * 2 + 2 * kGap);
  int x = kGap, y = kGap, shelf = 0;
  for (const SheetItem& it : items) {
    std::string label = std::to_string(it.id) + " " + it.role;
    int w = std::max(it.picture->w * 2, TextWidth(label, 1));
    int h = it.picture->h * 2 + kLabel;
    if (x + w + kGap > width && x > kGap) {
      x = kGap;
      y += shelf + kGap;
      shelf = 0;
    }
    places.push_back({x, y});
    x += w + kGap;
    shelf = std::max(shelf, h);
  }
  Image sheet(width, y + shelf + kGap);
  std::fill(sheet.rgb.begin(), sheet.rgb.end(), kBack);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Image& p = *items[i].picture;
    Place at = places[i];
    for (int py = 0; py < p.h * 2; ++py)
      for (int px = 0; px < p.w * 2; ++px) {
        const std::uint8_t* s = p.At(px / 2, py / 2);
        std::copy(s, s + 3, sheet.At(at.x + px, at.y + py));
      }
    std::string label = std::to_string(items[i].id) + " " + items[i].role;
    DrawText(sheet, at.x, at.y + p.h * 2 + 3, label, Rgb8{230, 230, 230}, 1);
  }
  return sheet;
}

}  // namespace lvx::resgen
