// Internal to platform/: the pixel store behind every bitmap and window.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/winapi.h"

namespace lvx {

// Changed pixels on one row this close together are presented as one run:
// unchanged pixels cost the X server less than another box to clip, track
// and copy. At 16 (rows taken one by one) the sky sent about 2.1 times the
// pixels that changed, in a third fewer rectangles than at 4.
inline constexpr int kDirtyJoinGap = 16;
// Rows are taken this many at a time (groups start at multiples of it): a
// star that moves changes a few short runs, different on each of its rows,
// and as one band they cost the X server one box instead of one per row.
// At 2 a flight costs the server a seventh less than row by row, for about
// a tenth more pixels; 4 or 8 save no more and send more.
inline constexpr int kDirtyRowGroup = 2;

// Memory a display lends a window surface for its pixels: the shared-memory
// segment the X server reads, so presenting copies nothing on our side.
class PixelMemory {
 public:
  virtual ~PixelMemory() = default;
  virtual std::uint32_t* Pixels() = 0;
  virtual std::size_t Count() const = 0;  // pixels it holds
};

// The pixels of a surface: on the heap, or in lent memory. Reads like a
// vector of pixels; a copy always lands on the heap.
class PixelBuffer {
 public:
  PixelBuffer() = default;
  ~PixelBuffer();
  PixelBuffer(const PixelBuffer& other);
  PixelBuffer& operator=(const PixelBuffer& other);
  PixelBuffer(PixelBuffer&& other) noexcept;
  PixelBuffer& operator=(PixelBuffer&& other) noexcept;
  PixelBuffer& operator=(const std::vector<std::uint32_t>& values);
  PixelBuffer& operator=(std::initializer_list<std::uint32_t> values);

  std::uint32_t* data() { return data_; }
  const std::uint32_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::uint32_t& operator[](std::size_t i) { return data_[i]; }
  const std::uint32_t& operator[](std::size_t i) const { return data_[i]; }
  std::uint32_t* begin() { return data_; }
  std::uint32_t* end() { return data_ + size_; }
  const std::uint32_t* begin() const { return data_; }
  const std::uint32_t* end() const { return data_ + size_; }

  // `count` pixels of `value` on the heap. Black pixels are left to the
  // kernel's zero pages, so a large window costs memory only where drawn.
  void assign(std::size_t count, std::uint32_t value);
  // Moves the pixels into `memory`, which must hold at least size() of
  // them; false (and nothing changed) when it is too small.
  bool Adopt(std::shared_ptr<PixelMemory> memory);
  // The lent memory in use, nullptr on the heap.
  const PixelMemory* Lender() const { return lent_.get(); }

 private:
  void Drop();  // back to no pixels at all
  void CopyFrom(const std::uint32_t* values, std::size_t count);

  std::uint32_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::uint32_t* heap_ = nullptr;  // owned when the pixels live on the heap
  std::shared_ptr<PixelMemory> lent_;
};

// A 32-bit picture, 0x00RRGGBB per pixel (the X server's TrueColor layout),
// row-major with the top row first. COLORREF (0x00BBGGRR) is converted at
// the GDI boundary.
struct Surface {
  int width = 0;
  int height = 0;
  PixelBuffer pixels;

  // Window surfaces remember what GDI changed so the display pushes only
  // those pixels; bitmaps leave this off.
  bool trackDirty = false;

  // Contents cleared to black, all dirty. Lent memory of the same size is
  // kept; any other size goes back to the heap.
  void Resize(int w, int h);
  std::uint32_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width; }
  const std::uint32_t* Row(int y) const {
    return pixels.data() + static_cast<std::size_t>(y) * width;
  }

  // Marks [left, right) x [top, bottom), clipped to the surface.
  void MarkDirty(int left, int top, int right, int bottom);
  // Marks [left, right) of row y; the caller keeps it inside the surface.
  void MarkSpan(int y, int left, int right);
  void MarkAllDirty();
  bool HasDirty() const { return anyDirty_; }
  // What changed since the last call, as non-overlapping rectangles that
  // cover the marked pixels and little more (runs a few pixels apart become
  // one, and the rows of a group are presented together); clears the
  // record. The list lives until the next call.
  // It is in bands, as X clip lists are (YXBanded): sorted by top, then
  // left, and rectangles that share a row share their top and bottom.
  const std::vector<RECT>& TakeDirty();
  void ClearDirty() { TakeDirty(); }

  // Change stamps: every mark takes a new stamp, and each 16 x 16 block (and
  // each 64 x 64 region above them) keeps the stamp of its latest change. ChangedSince tells whether anything in
  // `area` changed after `stamp` was current.
  std::uint64_t CurrentStamp() const {
    return (static_cast<std::uint64_t>(epoch_) << 32) | counter_;
  }
  bool ChangedSince(const RECT& area, std::uint64_t stamp) const;
  // Asks the cache for the change record of an area inside the surface,
  // which a write will mark soon.
  void PrefetchRecord(int left, int top, int right, int bottom) const;

 private:
  void Grid();  // sizes the records to the surface
  void Stamp(int left, int top, int right, int bottom);
  void SetBits(int y, int left, int right);
  void GatherRows(std::size_t rw, std::uint64_t group);
  void RunsOfScratch();
  void EndBand(int top, int bottom);
  bool Widen(int top, int bottom);
  void Coarsen();

  // One bit per changed pixel, with a bit per 64-pixel word of each row and
  // a bit per row above it, so finding the few marked pixels never scans the
  // whole grid.
  std::vector<std::uint64_t> bits_;
  std::vector<std::uint64_t> wordBits_;
  std::vector<std::uint64_t> rowBits_;
  int gridWidth_ = -1;
  int gridHeight_ = -1;
  int words_ = 0;
  int wordWords_ = 0;
  bool anyDirty_ = false;

  // The latest change stamp of each square of 2^shift pixels; stamps are
  // 32-bit within an epoch, and a new epoch clears them.
  struct StampGrid {
    explicit StampGrid(int squareShift) : shift(squareShift) {}
    int shift;
    int across = 0;  // squares per row
    std::vector<std::uint32_t> stamps;
    void Size(int width, int height);
    void Clear() { std::fill(stamps.begin(), stamps.end(), 0u); }
    // The stamps of the squares on pixel row y.
    const std::uint32_t* RowOf(int y) const {
      return stamps.data() + static_cast<std::size_t>(y >> shift) * across;
    }
    // Both take an area already clipped to the grid and not empty.
    void Set(int left, int top, int right, int bottom, std::uint32_t stamp);
    bool AnyAfter(int left, int top, int right, int bottom, std::uint32_t since) const;
  };
  StampGrid blocks_{4};   // 16 x 16: a twinkle seldom makes its neighbours draw again
  StampGrid regions_{6};  // 64 x 64 above them, 2 KB at 1920 x 1080: most questions end here
  std::uint32_t counter_ = 0;
  std::uint32_t epoch_ = 0;

  // Kept between calls so that presenting allocates nothing.
  std::vector<RECT> out_;
  std::vector<std::pair<int, int>> runs_, prevRuns_;  // this band's and the last one's
  std::vector<std::uint64_t> scratch_, scratchSummary_;  // a row group's marks together
  std::size_t bandStart_ = 0;  // first rectangle of the band still growing
  int lastBottom_ = -1;        // where the last band ended
  std::vector<int> rowsSeen_, rowLeft_, rowRight_;
};

inline std::uint32_t ColorRefToPixel(COLORREF c) {
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF PixelToColorRef(std::uint32_t p) {
  return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

// A device context that draws straight into `surface` (a window's own DC).
// The surface must outlive the DC.
HDC CreateSurfaceDC(Surface* surface);
// Frees a DC made by CreateSurfaceDC (DeleteDC refuses those).
void DestroySurfaceDC(HDC dc);
// The surface a DC draws into right now (its selected bitmap for memory DCs);
// nullptr for an invalid DC.
Surface* SurfaceOfDC(HDC dc);

// A bitmap owning the given pixels (used by the BMP loader). Returns nullptr
// when the size is not positive or the pixel count does not match.
HBITMAP CreateBitmapFromPixels(int width, int height, std::vector<std::uint32_t> pixels);
// The pixels of a bitmap (nullptr for anything else).
Surface* SurfaceOfBitmap(HBITMAP bitmap);

// Tests: counts of live GDI objects and DCs, to catch leaks.
int LiveGdiObjectCount();
int LiveDCCount();

}  // namespace lvx
