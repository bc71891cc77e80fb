#include "platform/gdi/surface.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

namespace lvx {

namespace {

// Past this many rectangles every dirty row is sent as one span: the list
// must stay a size the server handles in one go.
constexpr std::size_t kMaxRects = 8192;

// Epochs are unique in the process, so a stamp of one surface never
// matches another surface or an older grid of the same one.
std::uint32_t NewEpoch() {
  static std::atomic<std::uint32_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

// Bits [from, to] of a 64-bit word, 0 <= from <= to < 64.
inline std::uint64_t BitRange(int from, int to) { return (~0ull << from) & (~0ull >> (63 - to)); }

// Sets bits [left, right) of a row of words.
inline void SetRange(std::uint64_t* words, int left, int right) {
  const int w0 = left >> 6, w1 = (right - 1) >> 6;
  if (w0 == w1) {
    words[w0] |= BitRange(left & 63, (right - 1) & 63);
    return;
  }
  words[w0] |= ~0ull << (left & 63);
  for (int w = w0 + 1; w < w1; ++w) words[w] = ~0ull;
  words[w1] |= ~0ull >> (63 - ((right - 1) & 63));
}

}  // namespace

// ---- PixelBuffer ----

PixelBuffer::~PixelBuffer() { Drop(); }

PixelBuffer::PixelBuffer(const PixelBuffer& other) { CopyFrom(other.data_, other.size_); }

PixelBuffer& PixelBuffer::operator=(const PixelBuffer& other) {
  if (this != &other) CopyFrom(other.data_, other.size_);
  return *this;
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : data_(other.data_), size_(other.size_), heap_(other.heap_), lent_(std::move(other.lent_)) {
  other.data_ = other.heap_ = nullptr;
  other.size_ = 0;
}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept {
  if (this == &other) return *this;
  Drop();
  data_ = other.data_;
  size_ = other.size_;
  heap_ = other.heap_;
  lent_ = std::move(other.lent_);
  other.data_ = other.heap_ = nullptr;
  other.size_ = 0;
  return *this;
}

PixelBuffer& PixelBuffer::operator=(const std::vector<std::uint32_t>& values) {
  CopyFrom(values.data(), values.size());
  return *this;
}

PixelBuffer& PixelBuffer::operator=(std::initializer_list<std::uint32_t> values) {
  CopyFrom(values.begin(), values.size());
  return *this;
}

void PixelBuffer::Drop() {
  std::free(heap_);
  heap_ = nullptr;
  lent_.reset();
  data_ = nullptr;
  size_ = 0;
}

void PixelBuffer::CopyFrom(const std::uint32_t* values, std::size_t count) {
  std::uint32_t* fresh = nullptr;
  if (count > 0) {
    fresh = static_cast<std::uint32_t*>(std::malloc(count * sizeof(std::uint32_t)));
    if (!fresh) throw std::bad_alloc();
    std::memcpy(fresh, values, count * sizeof(std::uint32_t));
  }
  Drop();
  heap_ = data_ = fresh;
  size_ = count;
}

void PixelBuffer::assign(std::size_t count, std::uint32_t value) {
  Drop();
  if (count == 0) return;
  // calloc hands out fresh pages untouched, so black costs nothing yet.
  void* p = value == 0 ? std::calloc(count, sizeof(std::uint32_t))
                       : std::malloc(count * sizeof(std::uint32_t));
  if (!p) throw std::bad_alloc();
  heap_ = data_ = static_cast<std::uint32_t*>(p);
  size_ = count;
  if (value != 0) std::fill(data_, data_ + size_, value);
}

bool PixelBuffer::Adopt(std::shared_ptr<PixelMemory> memory) {
  if (!memory || memory->Count() < size_) return false;
  if (memory == lent_) return true;
  std::uint32_t* target = memory->Pixels();
  if (size_ > 0) std::memmove(target, data_, size_ * sizeof(std::uint32_t));
  const std::size_t count = size_;
  Drop();
  lent_ = std::move(memory);
  data_ = target;
  size_ = count;
  return true;
}

// ---- Surface ----

void Surface::Resize(int w, int h) {
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  if (pixels.Lender() != nullptr && pixels.size() == count && count > 0) {
    std::fill(pixels.begin(), pixels.end(), 0u);
  } else {
    pixels.assign(count, 0u);
  }
  width = w;
  height = h;
  Grid();
  MarkAllDirty();
}

void Surface::Grid() {
  if (gridWidth_ == width && gridHeight_ == height) return;
  gridWidth_ = width;
  gridHeight_ = height;
  const std::size_t rows = static_cast<std::size_t>(std::max(height, 0));
  words_ = (std::max(width, 0) + 63) >> 6;
  wordWords_ = (words_ + 63) >> 6;
  bits_.assign(rows * static_cast<std::size_t>(words_), 0);
  wordBits_.assign(rows * static_cast<std::size_t>(wordWords_), 0);
  rowBits_.assign((rows + 63) >> 6, 0);
  anyDirty_ = false;
  blocks_.Size(width, height);
  regions_.Size(width, height);
  // Stamps handed out for the old grid must not match the new one.
  epoch_ = NewEpoch();
  counter_ = 0;
  rowsSeen_.reserve(rows);
  out_.reserve(4096);
  runs_.reserve(static_cast<std::size_t>(words_) * 32 + 2);
  prevRuns_.reserve(static_cast<std::size_t>(words_) * 32 + 2);
  rowLeft_.assign(rows, 0);
  rowRight_.assign(rows, 0);
  scratch_.assign(static_cast<std::size_t>(words_), 0);
  scratchSummary_.assign(static_cast<std::size_t>(wordWords_), 0);
}

void Surface::StampGrid::Size(int width, int height) {
  const int side = 1 << shift;
  across = (std::max(width, 0) + side - 1) >> shift;
  const std::size_t down = static_cast<std::size_t>((std::max(height, 0) + side - 1) >> shift);
  stamps.assign(static_cast<std::size_t>(across) * down, 0);
}

void Surface::StampGrid::Set(int left, int top, int right, int bottom, std::uint32_t stamp) {
  const int x0 = left >> shift, x1 = (right - 1) >> shift;
  for (int gy = top >> shift; gy <= (bottom - 1) >> shift; ++gy) {
    std::uint32_t* row = stamps.data() + static_cast<std::size_t>(gy) * across;
    for (int x = x0; x <= x1; ++x) row[x] = stamp;
  }
}

bool Surface::StampGrid::AnyAfter(int left, int top, int right, int bottom,
                                  std::uint32_t since) const {
  const int x0 = left >> shift, x1 = (right - 1) >> shift;
  for (int gy = top >> shift; gy <= (bottom - 1) >> shift; ++gy) {
    const std::uint32_t* row = stamps.data() + static_cast<std::size_t>(gy) * across;
    for (int x = x0; x <= x1; ++x)
      if (row[x] > since) return true;
  }
  return false;
}

void Surface::Stamp(int left, int top, int right, int bottom) {
  if (counter_ == UINT32_MAX) {
    epoch_ = NewEpoch();
    counter_ = 0;
    blocks_.Clear();
    regions_.Clear();
  }
  const std::uint32_t stamp = ++counter_;
  blocks_.Set(left, top, right, bottom, stamp);
  regions_.Set(left, top, right, bottom, stamp);
}

void Surface::SetBits(int y, int left, int right) {
  SetRange(bits_.data() + static_cast<std::size_t>(y) * words_, left, right);
  SetRange(wordBits_.data() + static_cast<std::size_t>(y) * wordWords_, left >> 6,
           ((right - 1) >> 6) + 1);
  rowBits_[static_cast<std::size_t>(y) >> 6] |= 1ull << (y & 63);
}

void Surface::MarkDirty(int left, int top, int right, int bottom) {
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  if (right > width) right = width;
  if (bottom > height) bottom = height;
  if (left >= right || top >= bottom) return;
  Grid();
  for (int y = top; y < bottom; ++y) SetBits(y, left, right);
  Stamp(left, top, right, bottom);
  anyDirty_ = true;
}

void Surface::MarkSpan(int y, int left, int right) {
  if (left >= right) return;
  Grid();
  SetBits(y, left, right);
  Stamp(left, y, right, y + 1);
  anyDirty_ = true;
}

void Surface::MarkAllDirty() { MarkDirty(0, 0, width, height); }

bool Surface::ChangedSince(const RECT& area, std::uint64_t stamp) const {
  // A stamp of another grid or epoch says nothing about this one.
  if (static_cast<std::uint32_t>(stamp >> 32) != epoch_ || gridWidth_ != width ||
      gridHeight_ != height)
    return true;
  const int left = std::max<int>(area.left, 0), top = std::max<int>(area.top, 0);
  const int right = std::min<int>(area.right, width), bottom = std::min<int>(area.bottom, height);
  if (left >= right || top >= bottom) return false;
  const std::uint32_t since = static_cast<std::uint32_t>(stamp);
  return regions_.AnyAfter(left, top, right, bottom, since) &&
         blocks_.AnyAfter(left, top, right, bottom, since);
}

void Surface::PrefetchRecord(int left, int top, int right, int bottom) const {
  if (gridWidth_ != width || gridHeight_ != height || left >= right || top >= bottom) return;
  for (int y = top; y < bottom; ++y) {
    __builtin_prefetch(bits_.data() + static_cast<std::size_t>(y) * words_ + (left >> 6), 1);
    __builtin_prefetch(bits_.data() + static_cast<std::size_t>(y) * words_ + ((right - 1) >> 6), 1);
  }
  const int shift = blocks_.shift;
  for (int gy = top >> shift; gy <= (bottom - 1) >> shift; ++gy)
    __builtin_prefetch(blocks_.RowOf(gy << shift) + (left >> shift), 1);
}

// Ends the band of rows [top, bottom), whose runs are in runs_. It grows
// the band above when that one ends where it begins and has the same runs,
// or runs this one's overlap one for one and widening to take them in
// costs at most half the pixels this band holds itself. Anything else
// starts a band.
void Surface::EndBand(int top, int bottom) {
  if (top == lastBottom_ && (runs_ == prevRuns_ || Widen(top, bottom))) {
    for (std::size_t i = bandStart_; i < out_.size(); ++i) out_[i].bottom = bottom;
  } else {
    bandStart_ = out_.size();
    for (const auto& [left, right] : runs_) out_.push_back(RECT{left, top, right, bottom});
  }
  lastBottom_ = bottom;
  runs_.swap(prevRuns_);
  runs_.clear();
}

bool Surface::Widen(int top, int bottom) {
  const std::size_t n = runs_.size();
  if (n != prevRuns_.size()) return false;
  const long above = top - out_[bandStart_].top, rows = bottom - top;
  long extra = 0, own = 0;
  int lastRight = -1;
  for (std::size_t i = 0; i < n; ++i) {
    const RECT& r = out_[bandStart_ + i];
    const auto [left, right] = runs_[i];
    if (left >= r.right || r.left >= right) return false;
    const int unionLeft = std::min<int>(left, r.left), unionRight = std::max<int>(right, r.right);
    if (unionLeft <= lastRight) return false;  // would touch its neighbour
    lastRight = unionRight;
    extra += (unionRight - unionLeft - (r.right - r.left)) * above +
             (unionRight - unionLeft - (right - left)) * rows;
    own += (right - left) * rows;
  }
  if (2 * extra > own) return false;
  for (std::size_t i = 0; i < n; ++i) {
    RECT& r = out_[bandStart_ + i];
    r.left = std::min<LONG>(r.left, runs_[i].first);
    r.right = std::max<LONG>(r.right, runs_[i].second);
    runs_[i] = {r.left, r.right};
  }
  return true;
}

// Moves the marks of the rows in `group` (bits of row word rw) into the
// scratch row, clearing them.
void Surface::GatherRows(std::size_t rw, std::uint64_t group) {
  for (; group; group &= group - 1) {
    const std::size_t y = rw * 64 + static_cast<std::size_t>(std::countr_zero(group));
    std::uint64_t* row = bits_.data() + y * words_;
    std::uint64_t* summary = wordBits_.data() + y * wordWords_;
    for (int sw = 0; sw < wordWords_; ++sw) {
      std::uint64_t marked = summary[sw];
      summary[sw] = 0;
      scratchSummary_[static_cast<std::size_t>(sw)] |= marked;
      for (; marked; marked &= marked - 1) {
        const int wi = sw * 64 + std::countr_zero(marked);
        scratch_[static_cast<std::size_t>(wi)] |= row[wi];
        row[wi] = 0;
      }
    }
  }
}

// Turns the scratch row into runs_ (changes up to kDirtyJoinGap apart
// joined), clearing it.
void Surface::RunsOfScratch() {
  int runLeft = -1, runRight = -1;
  for (int sw = 0; sw < wordWords_; ++sw) {
    std::uint64_t marked = scratchSummary_[static_cast<std::size_t>(sw)];
    scratchSummary_[static_cast<std::size_t>(sw)] = 0;
    for (; marked; marked &= marked - 1) {
      const int wi = sw * 64 + std::countr_zero(marked);
      std::uint64_t word = scratch_[static_cast<std::size_t>(wi)];
      scratch_[static_cast<std::size_t>(wi)] = 0;
      const int base = wi * 64;
      while (word) {
        const int start = std::countr_zero(word);
        const int length = std::countr_one(word >> start);
        word = length == 64 ? 0 : word & ~(((1ull << length) - 1) << start);
        const int left = base + start, right = left + length;
        if (runLeft >= 0 && left - runRight <= kDirtyJoinGap) {
          runRight = right;
        } else {
          if (runLeft >= 0) runs_.emplace_back(runLeft, runRight);
          runLeft = left;
          runRight = right;
        }
      }
    }
  }
  if (runLeft >= 0) runs_.emplace_back(runLeft, runRight);
}

const std::vector<RECT>& Surface::TakeDirty() {
  out_.clear();
  if (!anyDirty_) return out_;
  anyDirty_ = false;
  rowsSeen_.clear();
  runs_.clear();
  prevRuns_.clear();
  lastBottom_ = -1;
  static_assert(64 % kDirtyRowGroup == 0, "row groups must not straddle a row word");
  constexpr std::uint64_t kGroupMask = (1ull << kDirtyRowGroup) - 1;
  const std::size_t rowWords = rowBits_.size();
  for (std::size_t rw = 0; rw < rowWords; ++rw) {
    std::uint64_t rows = rowBits_[rw];
    rowBits_[rw] = 0;
    while (rows) {
      const int first = std::countr_zero(rows);
      const std::uint64_t group = rows & (kGroupMask << (first / kDirtyRowGroup * kDirtyRowGroup));
      rows &= ~group;
      GatherRows(rw, group);
      RunsOfScratch();
      if (runs_.empty()) continue;
      const int top = static_cast<int>(rw * 64) + first;
      const int bottom = static_cast<int>(rw * 64) + 64 - std::countl_zero(group);
      for (int y = top; y < bottom; ++y) rowsSeen_.push_back(y);
      EndBand(top, bottom);
    }
  }
  if (out_.size() > kMaxRects) Coarsen();
  return out_;
}

// Too many pieces: each dirty row becomes one span from its first to its
// last marked pixel, and equal spans on consecutive rows one rectangle.
void Surface::Coarsen() {
  for (int y : rowsSeen_) {
    rowLeft_[static_cast<std::size_t>(y)] = width;
    rowRight_[static_cast<std::size_t>(y)] = 0;
  }
  for (const RECT& r : out_) {
    for (LONG y = r.top; y < r.bottom; ++y) {
      rowLeft_[static_cast<std::size_t>(y)] =
          std::min<int>(rowLeft_[static_cast<std::size_t>(y)], r.left);
      rowRight_[static_cast<std::size_t>(y)] =
          std::max<int>(rowRight_[static_cast<std::size_t>(y)], r.right);
    }
  }
  out_.clear();
  prevRuns_.clear();
  lastBottom_ = -1;
  for (int y : rowsSeen_) {
    runs_.assign(1, {rowLeft_[static_cast<std::size_t>(y)], rowRight_[static_cast<std::size_t>(y)]});
    EndBand(y, y + 1);
  }
}

}  // namespace lvx
