#include "tools/resgen/sounds/synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lvx::resgen::snd {

namespace {
constexpr double kTwoPi = 2 * std::numbers::pi;
}

std::uint64_t Noise::Next() {
  // splitmix64: good spread from any seed, trivially reproducible.
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double Noise::Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

double Noise::Signed() { return Uniform() * 2 - 1; }

double MidiHz(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

Track::Track(int sampleRate, double seconds)
    : rate(sampleRate), s(static_cast<std::size_t>(std::lround(seconds * sampleRate)), 0.0) {}

void Track::Mix(const Track& other, double gain) {
  std::size_t n = std::min(s.size(), other.s.size());
  for (std::size_t i = 0; i < n; ++i) s[i] += gain * other.s[i];
}

void Note(Track& tr, const Voice& v, double t0, double dur, double hz, double level) {
  if (t0 < 0 || hz <= 0) return;
  const double rate = tr.rate;
  const double nyquistGuard = 0.45 * rate;
  double longest = 0;
  for (const Partial& p : v.partials) longest = std::max(longest, p.decay);
  double total = dur + v.release;
  if (longest > 0) total = std::max(total, std::min(v.maxRing, 6 * longest));
  const auto start = static_cast<std::size_t>(std::lround(t0 * rate));
  const auto count = static_cast<std::size_t>(total * rate);
  for (const Partial& p : v.partials) {
    double f = hz * p.ratio;
    if (f * (1 + v.vibratoDepth) >= nyquistGuard) continue;
    double phase = 0;
    for (std::size_t i = 0; i < count; ++i) {
      double t = i / rate;
      double env = v.attack > 0 ? std::min(1.0, t / v.attack) : 1.0;
      if (p.decay > 0) env *= std::exp(-t / p.decay);
      if (t > dur) {
        if (p.decay == 0 || v.release > 0) {
          double r = v.release > 0 ? 1 - (t - dur) / v.release : 0;
          if (r <= 0) break;
          env *= r * r;
        }
      }
      double vib = 0;
      if (v.vibratoDepth > 0 && t > v.vibratoDelay) {
        double fadeIn = std::min(1.0, (t - v.vibratoDelay) / 0.3);
        vib = v.vibratoDepth * fadeIn * std::sin(kTwoPi * v.vibratoHz * t);
      }
      phase += kTwoPi * f * (1 + vib) / rate;
      tr.Add(start + i, level * p.level * env * std::sin(phase));
    }
  }
  // A note cut off by the track's end is handled by Finish's fade-out.
}

void Glide(Track& tr, double t0, double dur, const std::function<double(double)>& hz,
           const std::function<double(double)>& level, const std::vector<double>& harmonics) {
  const double rate = tr.rate;
  const auto start = static_cast<std::size_t>(std::lround(t0 * rate));
  const auto count = static_cast<std::size_t>(dur * rate);
  double phase = 0;
  for (std::size_t i = 0; i < count; ++i) {
    double t = i / rate;
    double f = hz(t);
    phase += kTwoPi * f / rate;
    double a = level(t);
    double v = 0;
    for (std::size_t h = 0; h < harmonics.size(); ++h) {
      if (f * (h + 1) >= 0.45 * rate) break;  // keep every component below Nyquist
      v += harmonics[h] * std::sin((h + 1) * phase);
    }
    tr.Add(start + i, a * v);
  }
}

void Svf::Set(double cutoffHz, double q, int rate) {
  cutoffHz = std::clamp(cutoffHz, 10.0, 0.49 * rate);
  double g = std::tan(std::numbers::pi * cutoffHz / rate);
  k_ = 1.0 / std::max(q, 0.05);
  a1_ = 1.0 / (1.0 + g * (g + k_));
  a2_ = g * a1_;
  a3_ = g * a2_;
}

void Svf::Process(double in, double& low, double& band, double& high) {
  double v3 = in - ic2_;
  double v1 = a1_ * ic1_ + a2_ * v3;
  double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
  ic1_ = 2 * v1 - ic1_;
  ic2_ = 2 * v2 - ic2_;
  low = v2;
  band = v1;
  high = in - k_ * v1 - v2;
}

double Svf::Low(double in) {
  double l, b, h;
  Process(in, l, b, h);
  return l;
}
double Svf::Band(double in) {
  double l, b, h;
  Process(in, l, b, h);
  return b;
}
double Svf::High(double in) {
  double l, b, h;
  Process(in, l, b, h);
  return h;
}

namespace {

class Comb {
 public:
  Comb(std::size_t len, double feedback, double damp) : buf_(std::max<std::size_t>(len, 1)), fb_(feedback), damp_(damp) {}
  double Step(double in) {
    double out = buf_[pos_];
    store_ = out * (1 - damp_) + store_ * damp_;
    buf_[pos_] = in + store_ * fb_;
    pos_ = (pos_ + 1) % buf_.size();
    return out;
  }

 private:
  std::vector<double> buf_;
  double fb_, damp_, store_ = 0;
  std::size_t pos_ = 0;
};

class AllPass {
 public:
  AllPass(std::size_t len, double g) : buf_(std::max<std::size_t>(len, 1)), g_(g) {}
  double Step(double in) {
    double d = buf_[pos_];
    double out = d - g_ * in;
    buf_[pos_] = in + g_ * out;
    pos_ = (pos_ + 1) % buf_.size();
    return out;
  }

 private:
  std::vector<double> buf_;
  double g_;
  std::size_t pos_ = 0;
};

}  // namespace

void Reverb(Track& tr, double rt60, double wet, double damping) {
  const double rate = tr.rate;
  const double combMs[] = {29.7, 37.1, 41.1, 43.7};
  std::vector<Comb> combs;
  for (double ms : combMs) {
    double d = ms / 1000.0;
    double fb = std::pow(10.0, -3.0 * d / rt60);
    combs.emplace_back(static_cast<std::size_t>(d * rate), fb, damping);
  }
  AllPass ap1(static_cast<std::size_t>(0.005 * rate), 0.7);
  AllPass ap2(static_cast<std::size_t>(0.0017 * rate), 0.7);
  for (double& x : tr.s) {
    double sum = 0;
    for (Comb& c : combs) sum += c.Step(x);
    double r = ap2.Step(ap1.Step(sum * 0.25));
    x = x * (1 - 0.5 * wet) + r * wet;
  }
}

void Echo(Track& tr, double delay, double feedback, double wet) {
  auto d = static_cast<std::size_t>(delay * tr.rate);
  if (d == 0) return;
  std::vector<double> line(tr.s.size(), 0.0);
  for (std::size_t i = 0; i < tr.s.size(); ++i) {
    double fed = i >= d ? line[i - d] : 0;
    line[i] = tr.s[i] + feedback * fed;
    tr.s[i] += wet * fed;
  }
}

void Finish(Track& tr, double peak, double fadeIn, double fadeOut) {
  // DC blocker: 8-bit output has little room, an offset would waste it.
  double xPrev = 0, yPrev = 0;
  const double r = 1 - (kTwoPi * 15.0 / tr.rate);
  for (double& x : tr.s) {
    double y = x - xPrev + r * yPrev;
    xPrev = x;
    yPrev = y;
    x = y;
  }
  const std::size_t n = tr.s.size();
  auto in = static_cast<std::size_t>(fadeIn * tr.rate);
  auto out = static_cast<std::size_t>(fadeOut * tr.rate);
  for (std::size_t i = 0; i < std::min(in, n); ++i) tr.s[i] *= static_cast<double>(i) / in;
  for (std::size_t i = 0; i < std::min(out, n); ++i) tr.s[n - 1 - i] *= static_cast<double>(i) / out;
  double m = 0;
  for (double x : tr.s) m = std::max(m, std::fabs(x));
  if (m < 1e-12) {
    std::fill(tr.s.begin(), tr.s.end(), 0.0);
    return;
  }
  for (double& x : tr.s) x *= peak / m;
}

void FoldLoop(Track& longer, std::size_t length, std::size_t overlap) {
  if (longer.s.size() < length + overlap) longer.s.resize(length + overlap, 0.0);
  for (std::size_t i = 0; i < overlap; ++i) {
    // Equal-power cross-fade: the noise is uncorrelated on both sides.
    double a = std::sin(0.5 * std::numbers::pi * i / overlap);
    double b = std::cos(0.5 * std::numbers::pi * i / overlap);
    longer.s[i] = longer.s[i] * a + longer.s[length + i] * b;
  }
  longer.s.resize(length);
}

}  // namespace lvx::resgen::snd
