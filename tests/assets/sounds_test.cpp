// Every wave resource of the program: present, in its rate, sample format and
// length, mono, and well formed down to the ADPCM blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/winapi.h"
#include "tools/resgen/sounds/wavfile.h"

namespace {

enum class Kind { Pcm8, Adpcm };

struct Expect {
  int id;
  int rate;
  Kind kind;
  double seconds;
};

const Expect kWaves[] = {
    {105, 8000, Kind::Pcm8, 0.19},   {106, 8000, Kind::Pcm8, 17.8},   {107, 8000, Kind::Pcm8, 19.6},
    {109, 8000, Kind::Pcm8, 4.1},    {110, 8000, Kind::Pcm8, 0.43},   {123, 11025, Kind::Adpcm, 6.1},
    {124, 11025, Kind::Adpcm, 9.2},  {130, 11025, Kind::Adpcm, 1.8},  {140, 8000, Kind::Pcm8, 1.1},
    {143, 11025, Kind::Pcm8, 2.4},   {144, 8000, Kind::Pcm8, 0.19},   {145, 8000, Kind::Pcm8, 0.19},
    {152, 22050, Kind::Pcm8, 0.05},  {167, 11025, Kind::Adpcm, 0.98}, {168, 11025, Kind::Adpcm, 9.4},
    {182, 11025, Kind::Pcm8, 0.15},  {183, 11025, Kind::Adpcm, 4.6},  {187, 22050, Kind::Pcm8, 1.6},
    {188, 11025, Kind::Pcm8, 0.32},  {191, 22050, Kind::Adpcm, 6.9},
};

// A RIFF/WAVE reader that trusts no size in the file.
struct Wav {
  unsigned format = 0, channels = 0, bits = 0, blockAlign = 0, extraSize = 0, samplesPerBlock = 0;
  std::uint32_t rate = 0, byteRate = 0;
  std::optional<std::uint32_t> factSamples;
  const std::uint8_t* data = nullptr;
  std::size_t dataSize = 0;
};

std::uint32_t Le(const std::uint8_t* p, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// Returns an error text, or "" with `out` filled.
std::string ParseWav(const std::uint8_t* b, std::size_t n, Wav& out) {
  if (n < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0)
    return "not RIFF/WAVE";
  if (Le(b + 4, 4) != n - 8) return "RIFF size " + std::to_string(Le(b + 4, 4)) + " for " + std::to_string(n);
  bool haveFmt = false;
  std::size_t pos = 12;
  while (pos + 8 <= n) {
    const std::uint8_t* c = b + pos;
    std::uint32_t size = Le(c + 4, 4);
    if (size > n - pos - 8) return "chunk runs past the end";
    const std::uint8_t* body = c + 8;
    if (std::memcmp(c, "fmt ", 4) == 0) {
      if (size < 16) return "short fmt";
      out.format = Le(body, 2);
      out.channels = Le(body + 2, 2);
      out.rate = Le(body + 4, 4);
      out.byteRate = Le(body + 8, 4);
      out.blockAlign = Le(body + 12, 2);
      out.bits = Le(body + 14, 2);
      if (size >= 18) out.extraSize = Le(body + 16, 2);
      if (size >= 20 && out.extraSize >= 2) out.samplesPerBlock = Le(body + 18, 2);
      if (size < 18 + std::min<std::uint32_t>(out.extraSize, 0xFFFF) && out.format != 1)
        return "fmt extension runs past its chunk";
      haveFmt = true;
    } else if (std::memcmp(c, "fact", 4) == 0) {
      if (size < 4) return "short fact";
      out.factSamples = Le(body, 4);
    } else if (std::memcmp(c, "data", 4) == 0) {
      if (!haveFmt) return "data before fmt";
      out.data = body;
      out.dataSize = size;
    }
    pos += 8 + size + (size & 1);
  }
  if (pos != n && pos != n + 1) return "trailing bytes";
  if (!haveFmt || out.data == nullptr) return "no fmt or no data";
  return "";
}

// Standard IMA ADPCM decoder, checking each block header on the way.
const int kIndex[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int kStep[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,
    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,
    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,
    408,   449,   494,   544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,
    1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,
    5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350,
    22385, 24623, 27086, 29794, 32767};

std::string DecodeIma(const Wav& w, std::vector<int>& pcm) {
  const std::size_t align = w.blockAlign;
  for (std::size_t off = 0; off + align <= w.dataSize; off += align) {
    const std::uint8_t* blk = w.data + off;
    int pred = static_cast<std::int16_t>(Le(blk, 2));
    int index = blk[2];
    if (index > 88) return "step index " + std::to_string(index) + " at block " + std::to_string(off / align);
    if (blk[3] != 0) return "reserved header byte set";
    pcm.push_back(pred);
    for (std::size_t i = 4; i < align; ++i) {
      for (int nib : {blk[i] & 0x0F, blk[i] >> 4}) {
        int step = kStep[index];
        int diff = step >> 3;
        if (nib & 4) diff += step;
        if (nib & 2) diff += step >> 1;
        if (nib & 1) diff += step >> 2;
        pred = std::clamp(pred + ((nib & 8) ? -diff : diff), -32768, 32767);
        index = std::clamp(index + kIndex[nib & 7], 0, 88);
        pcm.push_back(pred);
      }
    }
  }
  return "";
}

std::string ListName(int id) { return "wave " + std::to_string(id); }

TEST(SoundAssets, EveryWaveHasItsRateFormatAndLength) {
  for (const Expect& e : kWaves) {
    SCOPED_TRACE(ListName(e.id));
    lvx::ResourceBytes r = lvx::FindWaveResource(e.id);
    ASSERT_TRUE(r) << "missing";
    Wav w;
    ASSERT_EQ(ParseWav(r.data, r.size, w), "");
    EXPECT_EQ(w.channels, 1u);
    EXPECT_EQ(w.rate, static_cast<std::uint32_t>(e.rate));
    double seconds = 0;
    if (e.kind == Kind::Pcm8) {
      EXPECT_EQ(w.format, 1u);
      EXPECT_EQ(w.bits, 8u);
      EXPECT_EQ(w.blockAlign, 1u);
      EXPECT_EQ(w.byteRate, w.rate);
      seconds = static_cast<double>(w.dataSize) / w.rate;
    } else {
      EXPECT_EQ(w.format, 0x11u);
      EXPECT_EQ(w.bits, 4u);
      EXPECT_EQ(w.extraSize, 2u);
      EXPECT_EQ(w.blockAlign, e.rate >= 22050 ? 512u : 256u);
      ASSERT_GT(w.blockAlign, 4u);
      EXPECT_EQ(w.samplesPerBlock, (w.blockAlign - 4) * 2 + 1);
      ASSERT_TRUE(w.factSamples.has_value()) << "no fact chunk";
      ASSERT_GT(w.samplesPerBlock, 0u);
      EXPECT_EQ(w.dataSize % w.blockAlign, 0u) << "partial block";
      std::size_t blocks = w.dataSize / w.blockAlign;
      // The fact count must fit the blocks, without a whole spare block.
      EXPECT_LE(*w.factSamples, blocks * w.samplesPerBlock);
      EXPECT_GT(*w.factSamples, (blocks - 1) * w.samplesPerBlock);
      EXPECT_NEAR(w.byteRate, static_cast<double>(w.rate) * w.blockAlign / w.samplesPerBlock, 1.0);
      seconds = static_cast<double>(*w.factSamples) / w.rate;
    }
    EXPECT_NEAR(seconds, e.seconds, e.seconds * 0.05);
  }
}

TEST(SoundAssets, NoStrayWaveResources) {
  // Ids next to the listed ones stay free (178 is a bitmap number without a bitmap).
  for (int id : {100, 104, 108, 111, 125, 146, 178, 190, 192, 200})
    EXPECT_FALSE(lvx::FindWaveResource(id)) << id;
}

TEST(SoundAssets, PcmWavesHaveHeadroomAndNoOffset) {
  for (const Expect& e : kWaves) {
    if (e.kind != Kind::Pcm8) continue;
    SCOPED_TRACE(ListName(e.id));
    lvx::ResourceBytes r = lvx::FindWaveResource(e.id);
    ASSERT_TRUE(r);
    Wav w;
    ASSERT_EQ(ParseWav(r.data, r.size, w), "");
    ASSERT_GT(w.dataSize, 0u);
    double sum = 0, sq = 0;
    int lo = 255, hi = 0;
    for (std::size_t i = 0; i < w.dataSize; ++i) {
      int v = w.data[i];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      sum += v - 128;
      sq += (v - 128.0) * (v - 128.0);
    }
    double mean = sum / w.dataSize, rms = std::sqrt(sq / w.dataSize);
    if (e.id == 105) {
      EXPECT_EQ(lo, 128) << "silence must be silent";
      EXPECT_EQ(hi, 128);
      continue;
    }
    EXPECT_GT(lo, 5) << "clipped at the bottom";
    EXPECT_LT(hi, 250) << "clipped at the top";
    EXPECT_LT(std::fabs(mean), 1.5) << "DC offset";
    EXPECT_GT(rms, 4.0) << "too quiet to hear";
    // Fades at both ends: no click when a sound starts or is cut.
    EXPECT_LE(std::abs(w.data[0] - 128), 3);
    EXPECT_LE(std::abs(w.data[w.dataSize - 1] - 128), 3);
  }
}

TEST(SoundAssets, AdpcmWavesDecodeCleanly) {
  for (const Expect& e : kWaves) {
    if (e.kind != Kind::Adpcm) continue;
    SCOPED_TRACE(ListName(e.id));
    lvx::ResourceBytes r = lvx::FindWaveResource(e.id);
    ASSERT_TRUE(r);
    Wav w;
    ASSERT_EQ(ParseWav(r.data, r.size, w), "");
    ASSERT_GT(w.blockAlign, 4u);
    std::vector<int> pcm;
    ASSERT_EQ(DecodeIma(w, pcm), "");
    ASSERT_TRUE(w.factSamples.has_value());
    ASSERT_GE(pcm.size(), *w.factSamples);
    pcm.resize(*w.factSamples);
    int peak = 0, rails = 0;
    double sq = 0;
    for (int v : pcm) {
      peak = std::max(peak, std::abs(v));
      if (v <= -32760 || v >= 32760) ++rails;
      sq += static_cast<double>(v) * v;
    }
    double rms = std::sqrt(sq / pcm.size());
    EXPECT_EQ(rails, 0) << "decoded signal hits full scale";
    EXPECT_LT(peak, 32000);
    EXPECT_GT(rms, 1500) << "too quiet to hear";
    if (e.id == 123) {
      // The sea loops: its end must run into its start like any other step.
      double steps = 0;
      for (std::size_t i = 1; i < pcm.size(); ++i) steps += std::abs(pcm[i] - pcm[i - 1]);
      EXPECT_LT(std::abs(pcm.back() - pcm.front()), 4 * steps / (pcm.size() - 1)) << "seam click";
    } else {
      // Faded ends, and an encoder that tracks them.
      EXPECT_LT(std::abs(pcm.front()), 600);
      EXPECT_LT(std::abs(pcm.back()), 1500);
    }
  }
}

// The encoders themselves, on signals whose right answer is known.
TEST(SoundEncoders, ImaAdpcmRoundTripTracksTheSignal) {
  for (int rate : {11025, 22050}) {
    SCOPED_TRACE(rate);
    std::vector<double> in(rate / 2 + 123);  // not a whole number of blocks
    for (std::size_t i = 0; i < in.size(); ++i)
      in[i] = 0.6 * std::sin(2 * 3.141592653589793 * 440.0 * i / rate) *
              std::min(1.0, static_cast<double>(i) / 200);
    lvx::resgen::snd::Bytes bytes = lvx::resgen::snd::EncodeImaAdpcm(in, rate);
    Wav w;
    ASSERT_EQ(ParseWav(bytes.data(), bytes.size(), w), "");
    ASSERT_TRUE(w.factSamples.has_value());
    EXPECT_EQ(*w.factSamples, in.size());
    std::vector<int> pcm;
    ASSERT_EQ(DecodeIma(w, pcm), "");
    ASSERT_GE(pcm.size(), in.size());
    double err = 0, sig = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
      double want = in[i] * 32767;
      err += (pcm[i] - want) * (pcm[i] - want);
      sig += want * want;
    }
    EXPECT_GT(10 * std::log10(sig / err), 25.0) << "signal-to-noise in dB";
    // The padding after the signal decodes as silence.
    for (std::size_t i = in.size() + 64; i < pcm.size(); ++i) ASSERT_LT(std::abs(pcm[i]), 200) << i;
  }
}

TEST(SoundEncoders, Pcm8KeepsSilenceAndLevelsAndIsRepeatable) {
  std::vector<double> in = {0.0, 0.0, 1.0, -1.0, 0.5, -0.5, 0.0, 1.5, -1.5};
  lvx::resgen::snd::Bytes a = lvx::resgen::snd::EncodePcm8(in, 8000, 7);
  Wav w;
  ASSERT_EQ(ParseWav(a.data(), a.size(), w), "");
  ASSERT_EQ(w.dataSize, in.size());  // odd size: padded chunk, still parsed
  EXPECT_EQ(w.data[0], 128);
  EXPECT_EQ(w.data[1], 128);
  EXPECT_EQ(w.data[6], 128);
  EXPECT_GE(w.data[2], 253);  // full scale, a step of dither at most, never wrapped
  EXPECT_LE(w.data[3], 2);
  EXPECT_NEAR(w.data[4], 192, 2);
  EXPECT_NEAR(w.data[5], 64, 2);
  EXPECT_EQ(w.data[7], 255);  // beyond full scale: clamped, not wrapped
  EXPECT_EQ(w.data[8], 0);
  EXPECT_EQ(a, lvx::resgen::snd::EncodePcm8(in, 8000, 7));
}

}  // namespace
