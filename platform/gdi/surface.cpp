#include "platform/gdi/surface.h"

#include <algorithm>

namespace lvx {

namespace {

// 32-pixel tiles: a star sprite touches one to four tiles, and a full HD
// surface has about two thousand of them, so scanning the grid is cheap.
constexpr int kTileShift = 5;
constexpr int kTile = 1 << kTileShift;
// Runs in one tile row that are closer than this many tiles are presented
// together: one larger copy is cheaper than many small ones.
constexpr int kBridgeTiles = 3;
// Past this many runs in a tile row the whole span of the row is presented.
constexpr int kMaxRunsPerRow = 6;

}  // namespace

void Surface::Resize(int w, int h) {
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  width = w;
  height = h;
  pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0u);
  tilesX_ = (w + kTile - 1) >> kTileShift;
  tilesY_ = (h + kTile - 1) >> kTileShift;
  dirtyTiles_.assign(static_cast<std::size_t>(tilesX_) * tilesY_, 0);
  anyDirty_ = false;
  MarkAllDirty();
}

void Surface::MarkDirty(int left, int top, int right, int bottom) {
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  if (right > width) right = width;
  if (bottom > height) bottom = height;
  if (left >= right || top >= bottom) return;
  // A surface whose size was set directly (not through Resize) gets its grid here.
  std::size_t need = static_cast<std::size_t>((width + kTile - 1) >> kTileShift) *
                     static_cast<std::size_t>((height + kTile - 1) >> kTileShift);
  if (dirtyTiles_.size() != need) {
    tilesX_ = (width + kTile - 1) >> kTileShift;
    tilesY_ = (height + kTile - 1) >> kTileShift;
    dirtyTiles_.assign(need, 0);
  }
  const int tx0 = left >> kTileShift, tx1 = (right - 1) >> kTileShift;
  const int ty0 = top >> kTileShift, ty1 = (bottom - 1) >> kTileShift;
  for (int ty = ty0; ty <= ty1; ++ty) {
    std::uint8_t* row = dirtyTiles_.data() + static_cast<std::size_t>(ty) * tilesX_;
    for (int tx = tx0; tx <= tx1; ++tx) row[tx] = 1;
  }
  anyDirty_ = true;
}

void Surface::MarkAllDirty() { MarkDirty(0, 0, width, height); }

bool Surface::HasDirty() const { return anyDirty_; }

std::vector<RECT> Surface::TakeDirty() {
  std::vector<RECT> out;
  if (!anyDirty_) return out;
  anyDirty_ = false;

  // Rectangles still growing downwards, indexed into `out`.
  std::vector<std::size_t> open, nextOpen;
  std::vector<std::pair<int, int>> runs;
  const std::size_t rowTiles = static_cast<std::size_t>(std::max(tilesX_, 0));
  for (int ty = 0; ty < tilesY_; ++ty) {
    std::uint8_t* row = dirtyTiles_.data() + static_cast<std::size_t>(ty) * rowTiles;
    runs.clear();
    for (int tx = 0; tx < tilesX_;) {
      if (!row[tx]) {
        ++tx;
        continue;
      }
      int start = tx;
      while (tx < tilesX_ && row[tx]) ++tx;
      if (!runs.empty() && start - runs.back().second <= kBridgeTiles) {
        runs.back().second = tx;
      } else {
        runs.emplace_back(start, tx);
      }
    }
    std::fill(row, row + rowTiles, std::uint8_t{0});
    if (static_cast<int>(runs.size()) > kMaxRunsPerRow) {
      runs = {{runs.front().first, runs.back().second}};
    }

    const LONG top = ty << kTileShift;
    const LONG bottom = std::min(height, (ty + 1) << kTileShift);
    nextOpen.clear();
    for (const auto& run : runs) {
      const LONG left = run.first << kTileShift;
      const LONG right = std::min(width, run.second << kTileShift);
      bool extended = false;
      for (std::size_t idx : open) {
        RECT& r = out[idx];
        if (r.left == left && r.right == right && r.bottom == top) {
          r.bottom = bottom;
          nextOpen.push_back(idx);
          extended = true;
          break;
        }
      }
      if (!extended) {
        out.push_back(RECT{left, top, right, bottom});
        nextOpen.push_back(out.size() - 1);
      }
    }
    open.swap(nextOpen);
  }
  return out;
}

}  // namespace lvx
