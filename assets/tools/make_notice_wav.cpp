// Writes the notice chime: two soft bell tones, a fifth apart, 16-bit PCM,
// mono, 44.1 kHz. Usage: make_notice_wav OUTPUT.wav
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr double kLength = 0.9;  // seconds

// One struck tone: a fundamental with two quiet partials, a 6 ms attack and
// an exponential decay, cut to silence with a short cosine fade at its end.
double Tone(double t, double start, double frequency, double decay, double end) {
  const double u = t - start;
  if (u < 0.0 || t >= end) return 0.0;
  constexpr double kAttack = 0.006;
  double envelope = u < kAttack ? std::sin(0.5 * std::numbers::pi * u / kAttack) : 1.0;
  envelope *= std::exp(-u / decay);
  constexpr double kFade = 0.05;
  if (end - t < kFade) envelope *= 0.5 - 0.5 * std::cos(std::numbers::pi * (end - t) / kFade);
  const double w = 2.0 * std::numbers::pi * frequency * u;
  return envelope * (std::sin(w) + 0.25 * std::sin(2.0 * w) * std::exp(-u / 0.08) +
                     0.08 * std::sin(3.0 * w) * std::exp(-u / 0.05));
}

void PutLe(std::vector<char>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
    return 2;
  }
  const int frames = static_cast<int>(kLength * kSampleRate);
  std::vector<std::int16_t> samples(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    // E6 then A5, a falling fifth; the lower tone rings longer.
    const double v =
        0.55 * Tone(t, 0.0, 1318.51, 0.14, kLength) + 0.60 * Tone(t, 0.16, 880.0, 0.22, kLength);
    const double clipped = std::fmax(-1.0, std::fmin(1.0, 0.8 * v));
    samples[static_cast<std::size_t>(i)] =
        static_cast<std::int16_t>(std::lround(clipped * 32767.0));
  }

  const std::uint32_t data_bytes = static_cast<std::uint32_t>(frames) * 2;
  std::vector<char> file;
  file.reserve(44 + data_bytes);
  file.insert(file.end(), {'R', 'I', 'F', 'F'});
  PutLe(file, 36 + data_bytes, 4);
  file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLe(file, 16, 4);  // format chunk size
  PutLe(file, 1, 2);   // PCM
  PutLe(file, 1, 2);   // mono
  PutLe(file, kSampleRate, 4);
  PutLe(file, kSampleRate * 2, 4);  // bytes per second
  PutLe(file, 2, 2);                // bytes per frame
  PutLe(file, 16, 2);               // bits per sample
  file.insert(file.end(), {'d', 'a', 't', 'a'});
  PutLe(file, data_bytes, 4);
  for (std::int16_t s : samples) PutLe(file, static_cast<std::uint16_t>(s), 2);

  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
