#include "tools/resgen/encode.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace lvx::resgen {

namespace {

struct Weighted {
  Rgb8 c;
  std::uint32_t n;
};

std::uint32_t Key(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) | p[2];
}

int Dist2(const Rgb8& a, const Rgb8& b) {
  int dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
  // Green weighs most for the eye; the weights keep nearest-colour choices sensible.
  return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

struct Box {
  std::vector<Weighted> items;
  double sse = 0;
  int axis = 0;
};

void Measure(Box& b) {
  double n = 0, s[3] = {0, 0, 0}, q[3] = {0, 0, 0};
  for (const Weighted& w : b.items)
    for (int k = 0; k < 3; ++k) {
      s[k] += static_cast<double>(w.c[k]) * w.n;
      q[k] += static_cast<double>(w.c[k]) * w.c[k] * w.n;
    }
  for (const Weighted& w : b.items) n += w.n;
  b.sse = 0;
  double best = -1;
  for (int k = 0; k < 3; ++k) {
    double var = n > 0 ? q[k] - s[k] * s[k] / n : 0;
    b.sse += var;
    if (var > best) {
      best = var;
      b.axis = k;
    }
  }
  if (b.items.size() < 2) b.sse = 0;
}

Rgb8 Mean(const std::vector<Weighted>& items) {
  double n = 0, s[3] = {0, 0, 0};
  for (const Weighted& w : items) {
    n += w.n;
    for (int k = 0; k < 3; ++k) s[k] += static_cast<double>(w.c[k]) * w.n;
  }
  Rgb8 c{0, 0, 0};
  if (n > 0)
    for (int k = 0; k < 3; ++k) c[k] = static_cast<std::uint8_t>(s[k] / n + 0.5);
  return c;
}

int Nearest(const std::vector<Rgb8>& pal, const Rgb8& c) {
  int best = 0, bd = 1 << 30;
  for (std::size_t i = 0; i < pal.size(); ++i) {
    int d = Dist2(pal[i], c);
    if (d < bd) {
      bd = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

void Put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
  v.push_back(static_cast<std::uint8_t>(x & 255));
  v.push_back(static_cast<std::uint8_t>((x >> 8) & 255));
}
void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

std::vector<std::uint8_t> Header(int w, int h, int bpp, int paletteEntries) {
  std::uint32_t stride = ((static_cast<std::uint32_t>(w) * bpp + 31) / 32) * 4;
  std::uint32_t image = stride * static_cast<std::uint32_t>(h);
  std::uint32_t offset = 14 + 40 + 4 * static_cast<std::uint32_t>(paletteEntries);
  std::vector<std::uint8_t> v;
  v.push_back('B');
  v.push_back('M');
  Put32(v, offset + image);
  Put32(v, 0);
  Put32(v, offset);
  Put32(v, 40);
  Put32(v, static_cast<std::uint32_t>(w));
  Put32(v, static_cast<std::uint32_t>(h));  // positive: rows bottom-up
  Put16(v, 1);
  Put16(v, static_cast<std::uint32_t>(bpp));
  Put32(v, 0);  // BI_RGB
  Put32(v, image);
  Put32(v, 2835);  // 72 dpi
  Put32(v, 2835);
  Put32(v, 0);  // the whole colour table is present
  Put32(v, 0);
  return v;
}

}  // namespace

std::vector<Rgb8> MakePalette(const std::vector<const Image*>& imgs, int maxColors) {
  std::map<std::uint32_t, std::uint32_t> counts;
  for (const Image* img : imgs)
    for (int y = 0; y < img->h; ++y)
      for (int x = 0; x < img->w; ++x) ++counts[Key(img->At(x, y))];
  std::vector<Weighted> all;
  for (const auto& [k, n] : counts)
    all.push_back({Rgb8{static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 8),
                        static_cast<std::uint8_t>(k)},
                   n});

  std::vector<Rgb8> pal;
  if (static_cast<int>(all.size()) <= maxColors) {
    for (const Weighted& w : all) pal.push_back(w.c);
  } else {
    std::vector<Box> boxes(1);
    boxes[0].items = all;
    Measure(boxes[0]);
    while (static_cast<int>(boxes.size()) < maxColors) {
      auto it = std::max_element(boxes.begin(), boxes.end(),
                                 [](const Box& a, const Box& b) { return a.sse < b.sse; });
      if (it->sse <= 0) break;
      Box& b = *it;
      int ax = b.axis;
      std::sort(b.items.begin(), b.items.end(), [ax](const Weighted& p, const Weighted& q) {
        if (p.c[ax] != q.c[ax]) return p.c[ax] < q.c[ax];
        return p.c < q.c;
      });
      // Split at the weighted median, never leaving a side empty.
      std::uint64_t total = 0, run = 0;
      for (const Weighted& w : b.items) total += w.n;
      std::size_t cut = 1;
      for (std::size_t i = 0; i + 1 < b.items.size(); ++i) {
        run += b.items[i].n;
        cut = i + 1;
        if (run * 2 >= total) break;
      }
      Box other;
      other.items.assign(b.items.begin() + static_cast<std::ptrdiff_t>(cut), b.items.end());
      b.items.resize(cut);
      Measure(b);
      Measure(other);
      boxes.push_back(std::move(other));
    }
    for (const Box& b : boxes) pal.push_back(Mean(b.items));
    // A few k-means rounds pull the box means onto the actual colour clusters.
    for (int round = 0; round < 6; ++round) {
      std::vector<std::vector<Weighted>> groups(pal.size());
      for (const Weighted& w : all) groups[static_cast<std::size_t>(Nearest(pal, w.c))].push_back(w);
      for (std::size_t i = 0; i < pal.size(); ++i)
        if (!groups[i].empty()) pal[i] = Mean(groups[i]);
    }
    std::sort(pal.begin(), pal.end());
    pal.erase(std::unique(pal.begin(), pal.end()), pal.end());
  }
  std::sort(pal.begin(), pal.end(), [](const Rgb8& a, const Rgb8& b) {
    int la = 299 * a[0] + 587 * a[1] + 114 * a[2], lb = 299 * b[0] + 587 * b[1] + 114 * b[2];
    return la != lb ? la < lb : a < b;
  });
  return pal;
}

Indexed MapToPalette(const Image& img, const std::vector<Rgb8>& pal) {
  Indexed out;
  out.w = img.w;
  out.h = img.h;
  out.palette = pal;
  std::map<std::uint32_t, std::uint8_t> lookup;
  out.index.resize(static_cast<std::size_t>(img.w) * img.h);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      std::uint32_t k = Key(img.At(x, y));
      auto it = lookup.find(k);
      if (it == lookup.end())
        it = lookup.emplace(k, static_cast<std::uint8_t>(Nearest(pal, Rgb8{img.At(x, y)[0], img.At(x, y)[1], img.At(x, y)[2]}))).first;
      out.index[static_cast<std::size_t>(y) * img.w + x] = it->second;
    }
  return out;
}

Indexed Quantize(const Image& img, int maxColors) { return MapToPalette(img, MakePalette({&img}, maxColors)); }

Image Expand(const Indexed& ix) {
  Image img(ix.w, ix.h);
  for (int y = 0; y < ix.h; ++y)
    for (int x = 0; x < ix.w; ++x) {
      const Rgb8& c = ix.palette[ix.index[static_cast<std::size_t>(y) * ix.w + x]];
      std::copy(c.begin(), c.end(), img.At(x, y));
    }
  return img;
}

std::vector<std::uint8_t> EncodeBmp24(const Image& img) {
  std::vector<std::uint8_t> v = Header(img.w, img.h, 24, 0);
  std::size_t stride = ((static_cast<std::size_t>(img.w) * 24 + 31) / 32) * 4;
  for (int y = img.h - 1; y >= 0; --y) {
    std::size_t start = v.size();
    for (int x = 0; x < img.w; ++x) {
      const std::uint8_t* p = img.At(x, y);
      v.push_back(p[2]);
      v.push_back(p[1]);
      v.push_back(p[0]);
    }
    v.resize(start + stride, 0);
  }
  return v;
}

std::vector<std::uint8_t> EncodeBmpIndexed(const Indexed& ix, int bpp) {
  int entries = 1 << bpp;
  std::vector<std::uint8_t> v = Header(ix.w, ix.h, bpp, entries);
  for (int i = 0; i < entries; ++i) {
    Rgb8 c = i < static_cast<int>(ix.palette.size()) ? ix.palette[static_cast<std::size_t>(i)] : Rgb8{0, 0, 0};
    v.push_back(c[2]);
    v.push_back(c[1]);
    v.push_back(c[0]);
    v.push_back(0);
  }
  std::size_t stride = ((static_cast<std::size_t>(ix.w) * bpp + 31) / 32) * 4;
  for (int y = ix.h - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(stride, 0);
    for (int x = 0; x < ix.w; ++x) {
      std::uint8_t idx = ix.index[static_cast<std::size_t>(y) * ix.w + x];
      if (bpp == 8) {
        row[static_cast<std::size_t>(x)] = idx;
      } else if (bpp == 4) {
        row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>((idx & 15) << (x % 2 ? 0 : 4));
      } else {
        if (idx & 1) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
    v.insert(v.end(), row.begin(), row.end());
  }
  return v;
}

std::vector<std::uint8_t> EncodeBmp1(const Mono& m) {
  Indexed ix;
  ix.w = m.w;
  ix.h = m.h;
  ix.palette = {Rgb8{0, 0, 0}, Rgb8{255, 255, 255}};
  ix.index.assign(m.bits.begin(), m.bits.end());
  for (std::uint8_t& b : ix.index) b = b ? 1 : 0;
  return EncodeBmpIndexed(ix, 1);
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) return false;
  return std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
}

bool WritePng(const std::string& path, const Image& img) {
  std::FILE* raw = std::fopen(path.c_str(), "wb");
  if (!raw) return false;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(raw, &std::fclose);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  struct Guard {
    png_structp* p;
    png_infop* i;
    ~Guard() { png_destroy_write_struct(p, i); }
  } guard{&png, &info};
  if (!info) return false;
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, raw);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, static_cast<png_uint_32>(img.w), static_cast<png_uint_32>(img.h), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < img.h; ++y) png_write_row(png, const_cast<png_bytep>(img.At(0, y)));
  png_write_end(png, info);
  return true;
}

}  // namespace lvx::resgen
