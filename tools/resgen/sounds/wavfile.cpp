#include "tools/resgen/sounds/wavfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "tools/resgen/sounds/synth.h"

namespace lvx::resgen::snd {

namespace {

const int kImaIndex[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int kImaStep[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
  b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}
void PutTag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(tag[i]));
}
void Patch32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

// RIFF header with a placeholder size, patched by CloseRiff.
Bytes OpenRiff() {
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, 0);
  PutTag(b, "WAVE");
  return b;
}
void CloseRiff(Bytes& b) { Patch32(b, 4, static_cast<std::uint32_t>(b.size() - 8)); }

void PutData(Bytes& b, const Bytes& data) {
  PutTag(b, "data");
  Put32(b, static_cast<std::uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  if (data.size() % 2) b.push_back(0);  // chunks are word aligned
}

std::int16_t ToPcm16(double x) {
  return static_cast<std::int16_t>(std::clamp(std::lround(x * 32767.0), -32768L, 32767L));
}

// One step of the standard IMA encoder; updates predictor and index exactly
// as a decoder will, so the two never drift apart.
int ImaEncode(int sample, int& predictor, int& index) {
  int step = kImaStep[index];
  int diff = sample - predictor;
  int code = 0;
  if (diff < 0) {
    code = 8;
    diff = -diff;
  }
  int delta = step >> 3;
  if (diff >= step) {
    code |= 4;
    diff -= step;
    delta += step;
  }
  step >>= 1;
  if (diff >= step) {
    code |= 2;
    diff -= step;
    delta += step;
  }
  step >>= 1;
  if (diff >= step) {
    code |= 1;
    delta += step;
  }
  predictor += (code & 8) ? -delta : delta;
  predictor = std::clamp(predictor, -32768, 32767);
  index = std::clamp(index + kImaIndex[code & 7], 0, 88);
  return code;
}

}  // namespace

int ImaBlockAlign(int rate) {
  int align = 256;
  for (int r = 11025; r * 2 <= rate + rate / 20; r *= 2) align *= 2;
  return align;
}

int ImaSamplesPerBlock(int blockAlign) { return (blockAlign - 4) * 2 + 1; }

Bytes EncodePcm8(const std::vector<double>& samples, int rate, std::uint64_t ditherSeed) {
  Bytes data;
  data.reserve(samples.size());
  Noise rng(ditherSeed);
  double err = 0;
  for (double x : samples) {
    if (x == 0.0) {
      // Leave true silence silent rather than filling it with dither hiss.
      data.push_back(128);
      err = 0;
      continue;
    }
    // Error feedback (1 - z^-1) pushes the requantisation noise up the
    // spectrum; the dither is a half-step triangular one to keep hiss low.
    double want = x * 127.0 - err;
    double d = 0.5 * (rng.Uniform() - rng.Uniform());
    double q = std::clamp(std::round(want + d), -128.0, 127.0);
    err = std::clamp(q - want, -1.0, 1.0);
    data.push_back(static_cast<std::uint8_t>(static_cast<int>(q) + 128));
  }
  Bytes b = OpenRiff();
  PutTag(b, "fmt ");
  Put32(b, 16);
  Put16(b, 1);  // PCM
  Put16(b, 1);  // mono
  Put32(b, static_cast<std::uint32_t>(rate));
  Put32(b, static_cast<std::uint32_t>(rate));  // bytes per second
  Put16(b, 1);                                 // block align
  Put16(b, 8);                                 // bits per sample
  PutData(b, data);
  CloseRiff(b);
  return b;
}

Bytes EncodeImaAdpcm(const std::vector<double>& samples, int rate) {
  const int align = ImaBlockAlign(rate);
  const int perBlock = ImaSamplesPerBlock(align);
  std::vector<int> pcm(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i) pcm[i] = ToPcm16(samples[i]);
  const std::size_t blocks = (pcm.size() + perBlock - 1) / perBlock;
  pcm.resize(blocks * perBlock, 0);

  Bytes data;
  data.reserve(blocks * align);
  int index = 0;
  for (std::size_t blk = 0; blk < blocks; ++blk) {
    const int* in = pcm.data() + blk * perBlock;
    int predictor = in[0];
    Put16(data, static_cast<unsigned>(static_cast<std::uint16_t>(predictor)));
    data.push_back(static_cast<std::uint8_t>(index));
    data.push_back(0);
    for (int i = 1; i < perBlock; i += 2) {
      int lo = ImaEncode(in[i], predictor, index);
      int hi = ImaEncode(in[i + 1], predictor, index);
      data.push_back(static_cast<std::uint8_t>(lo | (hi << 4)));
    }
  }

  Bytes b = OpenRiff();
  PutTag(b, "fmt ");
  Put32(b, 20);
  Put16(b, 0x11);  // IMA ADPCM
  Put16(b, 1);
  Put32(b, static_cast<std::uint32_t>(rate));
  Put32(b, static_cast<std::uint32_t>(
               (static_cast<std::uint64_t>(rate) * align + perBlock / 2) / perBlock));
  Put16(b, static_cast<unsigned>(align));
  Put16(b, 4);
  Put16(b, 2);  // extension size
  Put16(b, static_cast<unsigned>(perBlock));
  PutTag(b, "fact");
  Put32(b, 4);
  Put32(b, static_cast<std::uint32_t>(samples.size()));
  PutData(b, data);
  CloseRiff(b);
  return b;
}

bool WriteBytes(const std::string& path, const Bytes& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return false;
  return std::fflush(f.get()) == 0;
}

}  // namespace lvx::resgen::snd
