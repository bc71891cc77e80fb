// The contact sheet: every picture at twice its size with its number and role.
#pragma once

#include <vector>

#include "tools/resgen/pictures.h"

namespace lvx::resgen {

struct SheetItem {
  int id;
  const char* role;
  const Image* picture;
};

Image ContactSheet(const std::vector<SheetItem>& items, int width = 1400);

}  // namespace lvx::resgen
