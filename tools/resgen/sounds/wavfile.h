// WAV encoders for the wave resources: 8-bit unsigned PCM and 4-bit IMA ADPCM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lvx::resgen::snd {

using Bytes = std::vector<std::uint8_t>;

// Samples in [-1, 1] as a mono 8-bit PCM RIFF file, with a little triangular
// dither whose error is shaped towards high frequencies (seeded, so the
// output is reproducible). Digital silence stays exactly 128.
Bytes EncodePcm8(const std::vector<double>& samples, int rate, std::uint64_t ditherSeed);

// Samples in [-1, 1] as a mono IMA ADPCM RIFF file (format 0x11) with the
// usual block size for the rate, a 'fact' chunk holding the true sample count
// and the last block padded with silence.
Bytes EncodeImaAdpcm(const std::vector<double>& samples, int rate);

// Block geometry for IMA ADPCM at `rate`: 256 bytes up to 11025 Hz, doubled
// for each doubling of the rate.
int ImaBlockAlign(int rate);
int ImaSamplesPerBlock(int blockAlign);

bool WriteBytes(const std::string& path, const Bytes& bytes);

}  // namespace lvx::resgen::snd
