// The program's sounds, each composed here from sine partials and filtered
// noise. Roles and the musical material are described in README.md.
#include "tools/resgen/sounds/sounds.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "tools/resgen/sounds/synth.h"
#include "tools/resgen/sounds/wavfile.h"

namespace lvx::resgen {

namespace {

using namespace snd;
constexpr double kPi = std::numbers::pi;

// ---- voices --------------------------------------------------------------

Voice MusicBox() {
  Voice v;
  v.partials = {{1.0, 1.0, 1.3}, {2.0, 0.22, 0.45}, {3.0, 0.06, 0.2}, {5.4, 0.10, 0.05},
                {8.9, 0.04, 0.025}};
  v.attack = 0.002;
  v.release = 0;
  v.maxRing = 2.5;
  return v;
}

Voice Bell() {
  // Inharmonic ratios of a small struck bar: soft and clearly "bell".
  Voice v;
  v.partials = {{1.0, 1.0, 1.6}, {2.76, 0.35, 0.6}, {5.40, 0.12, 0.25}, {0.5, 0.15, 1.2}};
  v.attack = 0.002;
  v.release = 0;
  v.maxRing = 4;
  return v;
}

Voice Flute() {
  Voice v;
  v.partials = {{1, 1.0, 0}, {2, 0.32, 0}, {3, 0.12, 0}, {4, 0.05, 0}};
  v.attack = 0.09;
  v.release = 0.35;
  v.vibratoHz = 5.0;
  v.vibratoDepth = 0.005;
  v.vibratoDelay = 0.25;
  return v;
}

Voice Pad() {
  Voice v;
  v.partials = {{1, 1.0, 0}, {2, 0.25, 0}, {3, 0.08, 0}, {1.003, 0.5, 0}};
  v.attack = 0.45;
  v.release = 0.9;
  return v;
}

Voice Harp() {
  Voice v;
  v.partials = {{1, 1.0, 0.9}, {2, 0.4, 0.4}, {3, 0.18, 0.22}, {4, 0.08, 0.12}, {5, 0.04, 0.08}};
  v.attack = 0.003;
  v.release = 0;
  v.maxRing = 2.2;
  return v;
}

Voice Lead() {
  Voice v;
  v.partials = {{1, 1.0, 0}, {2, 0.18, 0}, {3, 0.07, 0}};
  v.attack = 0.06;
  v.release = 0.3;
  v.vibratoHz = 5.5;
  v.vibratoDepth = 0.006;
  v.vibratoDelay = 0.2;
  return v;
}

Voice Pipe() {
  // The cuckoo's little organ pipe: almost a sine, a touch of octave.
  Voice v;
  v.partials = {{1, 1.0, 0}, {2, 0.14, 0}, {3, 0.05, 0}};
  v.attack = 0.018;
  v.release = 0.05;
  return v;
}

struct Step {
  double beat;  // start, in beats
  double len;   // length, in beats
  double note;  // MIDI note number
};

void Play(Track& tr, const Voice& v, const std::vector<Step>& steps, double beatSec,
          double offset, double level, double transpose = 0) {
  for (const Step& s : steps)
    Note(tr, v, offset + s.beat * beatSec, s.len * beatSec, MidiHz(s.note + transpose), level);
}

// Coloured noise for ambiences: white noise smoothed by a one-pole filter.
double Brownish(Noise& rng, double& state, double k) {
  state += k * (rng.Signed() - state);
  return state;
}

// Breath of air around a pipe note: band-passed noise that follows its envelope.
void Breath(Track& tr, Noise& rng, double t0, double dur, double hz, double level) {
  Svf f;
  f.Set(hz, 6, tr.rate);
  auto start = static_cast<std::size_t>(t0 * tr.rate);
  auto n = static_cast<std::size_t>(dur * tr.rate);
  for (std::size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / n;
    double env = std::sin(kPi * t);
    tr.Add(start + i, level * env * f.Band(rng.Signed()));
  }
}

// ---- the sounds ------------------------------------------------------------

Track Silence() { return Track(8000, 0.19); }

void CuckooCall(Track& tr, Noise& rng, double t0, double level, double bright) {
  Voice v = Pipe();
  v.partials[1].level *= bright;
  v.partials[2].level *= bright;
  const double hi = 784.0, lo = 659.3;  // a falling minor third
  Note(tr, v, t0, 0.13, hi, level);
  Note(tr, v, t0 + 0.18, 0.17, lo, level * 0.95);
  Breath(tr, rng, t0, 0.17, hi, level * 0.05);
  Breath(tr, rng, t0 + 0.18, 0.22, lo, level * 0.05);
}

Track CuckooOnce() {
  Track tr(8000, 0.43);
  Noise rng(110);
  CuckooCall(tr, rng, 0.01, 1.0, 1.0);
  Reverb(tr, 0.5, 0.18);
  Finish(tr, 0.78);
  return tr;
}

Track CuckooMorning() {
  Track tr(11025, 2.4);
  Noise rng(143);
  // Three calls, the last a little softer, as a clock winding down.
  CuckooCall(tr, rng, 0.01, 1.0, 1.3);
  CuckooCall(tr, rng, 0.76, 0.95, 1.3);
  CuckooCall(tr, rng, 1.51, 0.85, 1.3);
  Reverb(tr, 0.7, 0.2);
  Finish(tr, 0.78, 0.002, 0.25);
  return tr;
}

Track Lullaby() {
  Track tr(11025, 9.2);
  // A gentle 3/4 tune of our own, played by a music box in the sixth octave.
  const std::vector<Step> melody = {
      {0, 2, 76},  {2, 1, 79},  {3, 1, 77},  {4, 1, 76},  {5, 1, 74},  {6, 2, 72},
      {8, 1, 76},  {9, 3, 74},  {12, 2, 76}, {14, 1, 79}, {15, 1, 81}, {16, 1, 79},
      {17, 1, 77}, {18, 1, 76}, {19, 1, 74}, {20, 1, 71}, {21, 3, 72}};
  const std::vector<Step> bass = {
      {0, 3, 60},  {3, 3, 55},  {6, 3, 57},  {9, 3, 55},
      {12, 3, 60}, {15, 3, 53}, {18, 3, 55}, {21, 3, 48}};
  const std::vector<Step> inner = {
      {1, 1, 64},  {2, 1, 67},  {4, 1, 62},  {5, 1, 65},  {7, 1, 64},  {8, 1, 69},
      {10, 1, 62}, {11, 1, 67}, {13, 1, 64}, {14, 1, 67}, {16, 1, 65}, {17, 1, 69},
      {19, 1, 62}, {20, 1, 65}, {22, 1, 64}, {23, 1, 67}};
  const double beat = 0.335;
  Voice box = MusicBox();
  Play(tr, box, melody, beat, 0.05, 1.0, 12);
  Play(tr, box, bass, beat, 0.05, 0.55, 12);
  Play(tr, box, inner, beat, 0.05, 0.28, 12);
  Reverb(tr, 1.6, 0.28, 0.4);
  Finish(tr, 0.8, 0.002, 0.6);
  return tr;
}

Track SleepReminder() {
  Track tr(11025, 9.4);
  Noise rng(168);
  Voice bell = Bell();
  // Three soft falling chimes ...
  Note(tr, bell, 0.05, 3, MidiHz(79), 0.9);
  Note(tr, bell, 0.65, 3, MidiHz(76), 0.8);
  Note(tr, bell, 1.25, 3, MidiHz(72), 0.75);

  // ... a long, breathy yawn: a sung "aah" whose pitch rises and sinks while
  // the vowel darkens towards "oh" ...
  {
    const double t0 = 2.6, dur = 3.0;
    const int rate = tr.rate;
    auto n = static_cast<std::size_t>(dur * rate);
    auto start = static_cast<std::size_t>(t0 * rate);
    double phase = 0;
    Svf b1, b2;
    for (std::size_t i = 0; i < n; ++i) {
      double t = static_cast<double>(i) / rate;
      double x = t / dur;
      double f0 = x < 0.25 ? 210 + 130 * std::sin(kPi / 2 * x / 0.25)
                           : 340 - 200 * std::pow((x - 0.25) / 0.75, 0.8);
      double env = std::pow(std::sin(kPi * std::min(1.0, x * 1.05)), 1.4);
      double f1 = 780 - 330 * x, f2 = 1250 - 450 * x;
      phase += 2 * kPi * f0 / rate;
      double v = 0;
      for (int h = 1; h * f0 < 0.45 * rate; ++h) {
        double f = h * f0;
        double g = 1.0 / (1 + std::pow((f - f1) / 130, 2)) +
                   0.5 / (1 + std::pow((f - f2) / 170, 2)) +
                   0.12 / (1 + std::pow((f - 2600) / 300, 2));
        v += g / h * std::sin(h * phase);
      }
      b1.Set(f1, 3, rate);
      b2.Set(f2, 3, rate);
      double air = rng.Signed();
      double breath = 0.3 * b1.Band(air) + 0.18 * b2.Band(air);
      tr.Add(start + i, 0.55 * env * (v + breath));
    }
  }

  // ... then a clock whose tick-tock slows down and fades away, with one
  // last low chime: the opposite of an alarm.
  Note(tr, bell, 6.0, 3, MidiHz(67), 0.55);
  double t = 6.1, gap = 0.38;
  for (int i = 0; i < 9 && t < 9.2; ++i) {
    double level = 0.22 * std::pow(0.82, i);
    double hz = (i % 2 == 0) ? 1900 : 1500;
    Voice tick;
    tick.partials = {{1, 1, 0.012}, {2.3, 0.5, 0.006}};
    tick.attack = 0.0005;
    tick.release = 0;
    Note(tr, tick, t, 0.05, hz, level);
    t += gap;
    gap *= 1.13;
  }
  Reverb(tr, 1.5, 0.3, 0.4);
  Finish(tr, 0.8, 0.002, 0.5);
  return tr;
}

Track Sea() {
  // One wave per loop: it gathers, breaks, hisses up the sand and draws back.
  // Rendered past the end and folded, so the sound loops without a seam.
  const int rate = 11025;
  const double len = 6.1, overlap = 0.6;
  Track tr(rate, len + overlap);
  Noise rng(123);
  Svf body, bed, fizz;
  double brown = 0;
  fizz.Set(3200, 0.7, rate);
  bed.Set(260, 0.7, rate);
  auto bump = [len](double t, double centre, double rise, double fall) {
    double d = std::fmod(t - centre + 1.5 * len, len) - 0.5 * len;  // wrapped distance
    double w = d < 0 ? rise : fall;
    return std::exp(-(d * d) / (w * w));
  };
  for (std::size_t i = 0; i < tr.s.size(); ++i) {
    double t = static_cast<double>(i) / rate;
    double surge = bump(t, 2.4, 1.1, 1.5) + 0.35 * bump(t, 5.3, 0.6, 0.8);
    double foam = bump(t, 3.1, 0.35, 1.4);
    body.Set(280 + 2100 * surge * surge, 0.6, rate);
    double w = rng.Signed();
    double crack = rng.Uniform() < 0.02 ? rng.Signed() * 2.5 : 0;  // bubbles bursting
    double v = 0.12 * bed.Low(Brownish(rng, brown, 0.08) * 6) +
               0.55 * surge * body.Low(w) +
               0.22 * foam * fizz.High(0.7 * w + crack);
    tr.s[i] = v;
  }
  FoldLoop(tr, static_cast<std::size_t>(std::lround(len * rate)),
           static_cast<std::size_t>(overlap * rate));
  Finish(tr, 0.7, 0, 0);
  return tr;
}

// ---- birds -----------------------------------------------------------------

void Chirp(Track& tr, double t0, double dur, double f0, double f1, double curve, double level) {
  Glide(
      tr, t0, dur,
      [=](double t) {
        double x = t / dur;
        return f0 + (f1 - f0) * std::pow(x, curve);
      },
      [=](double t) {
        double x = t / dur;
        return level * std::pow(std::sin(kPi * x), 1.5);
      },
      {1.0, 0.06});
}

void Warble(Track& tr, Noise& rng, double t0, double level) {
  // A blackbird-like phrase of a few fluting notes.
  int notes = 3 + rng.Below(4);
  double t = t0;
  for (int i = 0; i < notes; ++i) {
    double f = rng.Range(1700, 3000);
    double d = rng.Range(0.07, 0.19);
    Chirp(tr, t, d, f, f * rng.Range(0.85, 1.2), rng.Range(0.5, 2), level * rng.Range(0.7, 1));
    t += d + rng.Range(0.02, 0.07);
  }
}

void Trill(Track& tr, Noise& rng, double t0, double level) {
  int n = 8 + rng.Below(9);
  double f = rng.Range(2900, 3400);
  double gap = rng.Range(0.045, 0.065);
  for (int i = 0; i < n; ++i)
    Chirp(tr, t0 + i * gap, 0.032, f, f - 600, 0.7, level * (0.6 + 0.4 * std::sin(kPi * i / n)));
}

void TeeYoo(Track& tr, Noise& rng, double t0, double level) {
  double top = rng.Range(2900, 3400);
  Chirp(tr, t0, 0.16, top - 700, top, 0.6, level);
  Chirp(tr, t0 + 0.19, 0.26, top, top - 1100, 1.4, level * 0.9);
}

void Chips(Track& tr, Noise& rng, double t0, double level) {
  int n = 2 + rng.Below(3);
  for (int i = 0; i < n; ++i)
    Chirp(tr, t0 + i * rng.Range(0.11, 0.2), 0.045, 3500, 2500, 1, level);
}

Track Birds() {
  const int rate = 8000;
  const double len = 17.8, overlap = 0.5;
  Track amb(rate, len + overlap);
  Noise rng(106);
  // Leaves in a light breeze: soft low noise that slowly breathes.
  Svf leaves;
  leaves.Set(900, 0.5, rate);
  for (std::size_t i = 0; i < amb.s.size(); ++i) {
    double t = static_cast<double>(i) / rate;
    double sway = 0.6 + 0.4 * std::sin(2 * kPi * t / (len / 3)) * std::sin(2 * kPi * t / len);
    amb.s[i] = 0.05 * sway * leaves.Low(rng.Signed());
  }
  FoldLoop(amb, static_cast<std::size_t>(std::lround(len * rate)),
           static_cast<std::size_t>(overlap * rate));

  // Near birds, then distant ones muffled by a low-pass.
  Track near(rate, len), far(rate, len);
  double t = 0.3;
  int k = 0;
  while (t < len - 1.2) {
    bool distant = rng.Uniform() < 0.35;
    Track& dst = distant ? far : near;
    double level = distant ? rng.Range(0.4, 0.7) : rng.Range(0.6, 1.0);
    switch ((k + rng.Below(2)) % 4) {
      case 0: Warble(dst, rng, t, level); break;
      case 1: Trill(dst, rng, t, level * 0.8); break;
      case 2: TeeYoo(dst, rng, t, level); break;
      default: Chips(dst, rng, t, level * 0.8); break;
    }
    ++k;
    t += rng.Range(0.7, 1.6);
  }
  Svf muffle;
  muffle.Set(2000, 0.6, rate);
  for (double& x : far.s) x = muffle.Low(x);
  Echo(far, 0.13, 0.3, 0.35);

  Track tr(rate, len);
  tr.Mix(amb, 1.0);
  tr.Mix(near, 0.32);
  tr.Mix(far, 0.22);
  Reverb(tr, 0.9, 0.2, 0.5);
  Finish(tr, 0.7, 0.05, 0.3);
  return tr;
}

Track SadTune() {
  Track tr(8000, 19.6);
  // Eight slow bars in A minor: Am Dm G C F Dm E Am.
  const std::vector<Step> melody = {
      {0, 2, 76},    {2, 1, 72},    {3, 1, 69},  {4, 1.5, 74}, {5.5, 0.5, 77}, {6, 1, 76},
      {7, 1, 74},    {8, 2, 74},    {10, 1, 71}, {11, 1, 67},  {12, 3, 72},    {15, 1, 76},
      {16, 2, 77},   {18, 1, 76},   {19, 1, 74}, {20, 1.5, 74}, {21.5, 0.5, 72}, {22, 2, 69},
      {24, 2, 71},   {26, 1, 68},   {27, 1, 71}, {28, 4, 69}};
  const std::vector<std::vector<double>> chords = {
      {45, 57, 60, 64}, {38, 57, 62, 65}, {43, 55, 59, 62}, {48, 55, 60, 64},
      {41, 57, 60, 65}, {38, 53, 57, 62}, {40, 56, 59, 64}, {45, 57, 60, 64}};
  const double beat = 0.57;
  const double start = 0.2;
  Play(tr, Flute(), melody, beat, start, 1.0);
  Voice pad = Pad();
  for (std::size_t bar = 0; bar < chords.size(); ++bar) {
    for (double n : chords[bar])
      Note(tr, pad, start + bar * 4 * beat, 4 * beat - 0.1, MidiHz(n), n < 50 ? 0.28 : 0.14);
  }
  Reverb(tr, 1.8, 0.3, 0.45);
  Finish(tr, 0.75, 0.01, 0.8);
  return tr;
}

Track WindChimes() {
  Track tr(8000, 4.1);
  Noise rng(109);
  Voice bell = Bell();
  bell.partials[2].level = 0.06;
  const double scale[] = {79, 81, 84, 86, 88, 91};  // pentatonic: never a wrong note
  double t = 0.02;
  for (int i = 0; i < 9 && t < 3.0; ++i) {
    double n = scale[rng.Below(6)];
    Note(tr, bell, t, 3, MidiHz(n), rng.Range(0.45, 0.9));
    t += rng.Range(0.18, 0.45);
  }
  Svf breeze;
  breeze.Set(600, 0.5, tr.rate);
  for (std::size_t i = 0; i < tr.s.size(); ++i) {
    double x = static_cast<double>(i) / tr.s.size();
    tr.s[i] += 0.03 * std::sin(kPi * x) * breeze.Low(rng.Signed());
  }
  Reverb(tr, 1.4, 0.25);
  Finish(tr, 0.75, 0.002, 0.6);
  return tr;
}

Track Sparkle() {
  Track tr(11025, 1.8);
  Noise rng(130);
  Voice bell = Bell();
  bell.partials = {{1.0, 1.0, 0.7}, {2.76, 0.3, 0.25}, {5.4, 0.1, 0.08}};
  const double run[] = {72, 76, 79, 81, 84, 88, 91, 93, 96};
  for (int i = 0; i < 9; ++i) Note(tr, bell, 0.02 + i * 0.07, 1, MidiHz(run[i]), 0.55 + 0.04 * i);
  // Glitter: tiny high pings thinning out as the magic settles.
  Voice ping;
  ping.partials = {{1, 1, 0.06}};
  ping.attack = 0.001;
  ping.release = 0;
  for (int i = 0; i < 38; ++i) {
    double t = 0.1 + 1.3 * std::pow(rng.Uniform(), 1.6);
    Note(tr, ping, t, 0.2, rng.Range(2600, 4800), rng.Range(0.1, 0.3));
  }
  // A soft rising breath under it.
  Svf sweep;
  for (std::size_t i = 0; i < tr.s.size(); ++i) {
    double t = static_cast<double>(i) / tr.rate;
    sweep.Set(800 + 2500 * std::min(1.0, t / 0.8), 2, tr.rate);
    double env = std::exp(-std::pow((t - 0.5) / 0.35, 2));
    tr.s[i] += 0.15 * env * sweep.Band(rng.Signed());
  }
  Reverb(tr, 1.2, 0.3);
  Finish(tr, 0.8, 0.002, 0.3);
  return tr;
}

Track PlaneFlyBy() {
  Track tr(8000, 1.1);
  Noise rng(140);
  // Engine drone with a Doppler fall as the plane passes at 0.5 s,
  // wrapped in a whoosh of air.
  auto pass = [](double t) { return std::exp(-std::pow((t - 0.5) / 0.28, 2)); };
  Glide(
      tr, 0, 1.1, [](double t) { return 150 * (1.08 - 0.16 / (1 + std::exp(-(t - 0.5) * 9))); },
      [&](double t) { return 0.35 * pass(t); }, {1.0, 0.6, 0.4, 0.25, 0.15, 0.1});
  Svf air;
  for (std::size_t i = 0; i < tr.s.size(); ++i) {
    double t = static_cast<double>(i) / tr.rate;
    air.Set(1400 - 700 * t, 1.2, tr.rate);
    tr.s[i] += 0.7 * pass(t) * air.Band(rng.Signed());
  }
  // A bright little "done" ping at the end makes it read as a confirmation.
  Voice bell = Bell();
  Note(tr, bell, 0.78, 0.3, MidiHz(84), 0.35);
  Reverb(tr, 0.6, 0.15);
  Finish(tr, 0.75, 0.01, 0.1);
  return tr;
}

void Boing(Track& tr, double t0, double dur, double base, double rise, double level) {
  // A plucked spring: the pitch shoots up from below, overshoots and settles
  // while a deep, fast wobble dies away ("doyoyoing").
  Glide(
      tr, t0, dur,
      [=](double t) {
        double jump = 1 + rise * (1 - std::exp(-t / 0.03)) * std::exp(-t / (0.5 * dur)) -
                      0.4 * std::exp(-t / 0.02);
        double wobble = 0.22 * std::exp(-t / (0.4 * dur)) * std::sin(2 * kPi * 17 * t);
        return base * jump * (1 + wobble);
      },
      [=](double t) { return level * std::min(1.0, t / 0.004) * std::exp(-t / (0.3 * dur)); },
      {1.0, 0.35, 0.12});
}

Track JokesOn() {
  Track tr(22050, 1.6);
  Boing(tr, 0.01, 0.7, 170, 1.0, 1.0);
  Boing(tr, 0.5, 0.55, 230, 0.9, 0.8);
  Boing(tr, 0.9, 0.65, 320, 0.8, 0.75);
  Reverb(tr, 0.5, 0.12);
  Finish(tr, 0.75, 0.002, 0.15);
  return tr;
}

Track ButtonJump() {
  Track tr(11025, 0.32);
  Boing(tr, 0.0, 0.31, 260, 1.1, 1.0);
  Finish(tr, 0.75, 0.001, 0.03);
  return tr;
}

Track Click() {
  Track tr(22050, 0.05);
  Noise rng(152);
  Voice v;
  v.partials = {{1, 1, 0.004}, {1.9, 0.4, 0.002}};
  v.attack = 0.0002;
  v.release = 0;
  Note(tr, v, 0.001, 0.01, 2300, 1.0);
  Svf f;
  f.Set(3500, 2.5, tr.rate);
  for (std::size_t i = 0; i < 60; ++i) tr.Add(20 + i, 0.8 * std::exp(-static_cast<double>(i) / 12.0) * f.Band(rng.Signed()));
  Finish(tr, 0.6, 0.0005, 0.01);
  return tr;
}

Track Tick() {
  Track tr(11025, 0.15);
  Voice wood;
  wood.partials = {{1, 1, 0.022}, {2.72, 0.45, 0.009}, {4.1, 0.2, 0.004}};
  wood.attack = 0.0006;
  wood.release = 0;
  Note(tr, wood, 0.002, 0.05, 1150, 1.0);
  Reverb(tr, 0.3, 0.1);
  Finish(tr, 0.6, 0.001, 0.03);
  return tr;
}

Track MidiChoice() {
  // Two quick keyboard notes: "synth".
  Track tr(8000, 0.19);
  Voice organ;
  organ.partials = {{1, 1, 0}, {3, 0.3, 0}, {5, 0.15, 0}, {2, 0.2, 0}};
  organ.attack = 0.004;
  organ.release = 0.02;
  Note(tr, organ, 0.005, 0.065, MidiHz(72), 0.8);
  Note(tr, organ, 0.09, 0.07, MidiHz(79), 0.8);
  Finish(tr, 0.7, 0.001, 0.02);
  return tr;
}

Track WavChoice() {
  // A short swish that lands on a soft ping: "a recording".
  Track tr(8000, 0.19);
  Noise rng(145);
  Svf f;
  for (std::size_t i = 0; i < tr.s.size(); ++i) {
    double t = static_cast<double>(i) / tr.rate;
    f.Set(500 + 12000 * t, 1.5, tr.rate);
    double env = std::sin(kPi * std::min(1.0, t / 0.12));
    tr.s[i] += 0.5 * env * f.Band(rng.Signed());
  }
  Voice bell = Bell();
  Note(tr, bell, 0.1, 0.1, MidiHz(81), 0.5);
  Finish(tr, 0.7, 0.001, 0.03);
  return tr;
}

Track ShootingStar() {
  Track tr(11025, 0.98);
  Noise rng(167);
  Svf f;
  for (std::size_t i = 0; i < tr.s.size(); ++i) {
    double t = static_cast<double>(i) / tr.rate;
    f.Set(3600 * std::exp(-t * 1.9) + 300, 3, tr.rate);
    double env = std::min(1.0, t / 0.08) * std::exp(-t / 0.35);
    tr.s[i] += 0.8 * env * f.Band(rng.Signed());
  }
  Glide(
      tr, 0, 0.9, [](double t) { return 2600 * std::exp(-t * 1.2); },
      [](double t) { return 0.18 * std::min(1.0, t / 0.05) * std::exp(-t / 0.3); }, {1.0});
  Voice ping;
  ping.partials = {{1, 1, 0.05}};
  ping.attack = 0.001;
  ping.release = 0;
  for (int i = 0; i < 10; ++i)
    Note(tr, ping, 0.05 + i * 0.06 + rng.Range(0, 0.03), 0.1, rng.Range(3000, 4800), 0.12);
  Reverb(tr, 0.8, 0.2);
  Finish(tr, 0.75, 0.002, 0.2);
  return tr;
}

void Brass(Track& tr, double t0, double dur, double hz, double level) {
  // Brightness swells in the attack then settles, which is what makes it
  // read as a horn rather than an organ.
  const double rate = tr.rate;
  auto start = static_cast<std::size_t>(t0 * rate);
  auto n = static_cast<std::size_t>((dur + 0.12) * rate);
  double phase = 0;
  for (std::size_t i = 0; i < n; ++i) {
    double t = i / rate;
    double amp = std::min(1.0, t / 0.03) * (t > dur ? std::max(0.0, 1 - (t - dur) / 0.12) : 1.0);
    double bright = 0.35 + 0.35 * std::exp(-t / 0.08) * std::min(1.0, t / 0.02);
    double vib = 1 + 0.004 * std::sin(2 * kPi * 5.2 * t) * std::min(1.0, t / 0.4);
    phase += 2 * kPi * hz * vib / rate;
    double v = 0, g = 1;
    for (int h = 1; h * hz < 0.45 * rate && h <= 12; ++h) {
      v += g * std::sin(h * phase);
      g *= bright;
    }
    tr.Add(start + i, level * amp * v);
  }
}

Track Fanfare() {
  Track tr(11025, 4.6);
  Noise rng(183);
  const double tri = 0.11;
  double t = 0.02;
  for (int i = 0; i < 3; ++i) Brass(tr, t + i * tri, tri * 0.8, MidiHz(67), 0.5);
  t += 3 * tri;
  Brass(tr, t, 0.36, MidiHz(72), 0.55);
  t += 0.42;
  for (int i = 0; i < 3; ++i) Brass(tr, t + i * tri, tri * 0.8, MidiHz(72), 0.5);
  t += 3 * tri;
  Brass(tr, t, 0.36, MidiHz(76), 0.55);
  t += 0.42;
  Brass(tr, t, 0.18, MidiHz(72), 0.5);
  Brass(tr, t + 0.2, 0.18, MidiHz(76), 0.5);
  t += 0.42;
  // The final chord, held, with a cymbal shimmer and a drum roll.
  const double hold = 1.7;
  Brass(tr, t, hold, MidiHz(79), 0.55);
  Brass(tr, t, hold, MidiHz(76), 0.35);
  Brass(tr, t, hold, MidiHz(72), 0.35);
  Brass(tr, t, hold, MidiHz(60), 0.3);
  Svf cym, drum;
  cym.Set(4200, 0.8, tr.rate);
  drum.Set(90, 4, tr.rate);
  auto c0 = static_cast<std::size_t>(t * tr.rate);
  for (std::size_t i = c0; i < tr.s.size(); ++i) {
    double u = static_cast<double>(i - c0) / tr.rate;
    double w = rng.Signed();
    tr.s[i] += 0.25 * std::exp(-u / 0.7) * cym.High(w);
    double roll = 0.6 + 0.4 * std::sin(2 * kPi * 16 * u);
    tr.s[i] += 1.4 * roll * std::exp(-u / 0.9) * drum.Band(w);
  }
  Reverb(tr, 1.4, 0.25);
  Finish(tr, 0.8, 0.002, 0.6);
  return tr;
}

Track LoveSong() {
  Track tr(22050, 6.9);
  // F major: F Dm Bb C, resolving on F; a sweet lead over a harp.
  const std::vector<Step> melody = {
      {0, 1.5, 72}, {1.5, 0.5, 69}, {2, 1, 72},  {3, 1, 74},    {4, 1, 77},   {5, 1, 81},
      {6, 1.5, 79}, {7.5, 0.5, 77}, {8, 1, 74},  {9, 1, 76},    {10, 1, 79},  {11, 0.5, 76},
      {11.5, 0.5, 74}, {12, 1.6, 77}};
  const std::vector<std::vector<double>> chords = {
      {53, 60, 65, 69}, {50, 57, 62, 65}, {46, 53, 58, 62}, {48, 55, 60, 64}, {41, 53, 60, 65}};
  const double beat = 0.5, start = 0.05;
  Voice harp = Harp();
  for (std::size_t bar = 0; bar < chords.size(); ++bar) {
    const auto& c = chords[bar];
    double b0 = start + bar * 3 * beat;
    if (bar + 1 == chords.size()) {
      for (std::size_t i = 0; i < c.size(); ++i) Note(tr, harp, b0 + i * 0.04, 2, MidiHz(c[i]), 0.4);
      break;
    }
    const int order[] = {0, 1, 2, 3, 2, 1};
    for (int k = 0; k < 6; ++k) Note(tr, harp, b0 + k * beat / 2, 1, MidiHz(c[order[k]]), 0.32);
  }
  Play(tr, Lead(), melody, beat, start, 0.8);
  Reverb(tr, 1.6, 0.28, 0.35);
  Finish(tr, 0.8, 0.002, 0.5);
  return tr;
}

enum class Format { Pcm8, Adpcm };

struct Wave {
  int id;
  Format format;
  Track (*make)();
};

const Wave kWaves[] = {
    {105, Format::Pcm8, Silence},       {106, Format::Pcm8, Birds},
    {107, Format::Pcm8, SadTune},       {109, Format::Pcm8, WindChimes},
    {110, Format::Pcm8, CuckooOnce},    {123, Format::Adpcm, Sea},
    {124, Format::Adpcm, Lullaby},      {130, Format::Adpcm, Sparkle},
    {140, Format::Pcm8, PlaneFlyBy},    {143, Format::Pcm8, CuckooMorning},
    {144, Format::Pcm8, MidiChoice},    {145, Format::Pcm8, WavChoice},
    {152, Format::Pcm8, Click},         {167, Format::Adpcm, ShootingStar},
    {168, Format::Adpcm, SleepReminder}, {182, Format::Pcm8, Tick},
    {183, Format::Adpcm, Fanfare},      {187, Format::Pcm8, JokesOn},
    {188, Format::Pcm8, ButtonJump},    {191, Format::Adpcm, LoveSong},
};

}  // namespace

void GenerateSounds(const std::string& soundDir) {
  for (const Wave& w : kWaves) {
    Track tr = w.make();
    Bytes bytes = w.format == Format::Pcm8 ? EncodePcm8(tr.s, tr.rate, 0x5EED0000u + w.id)
                                           : EncodeImaAdpcm(tr.s, tr.rate);
    char name[16];
    std::snprintf(name, sizeof name, "/%03d.wav", w.id);
    if (!WriteBytes(soundDir + name, bytes)) std::fprintf(stderr, "cannot write %s%s\n", soundDir.c_str(), name);
  }
}

}  // namespace lvx::resgen
