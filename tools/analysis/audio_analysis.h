// Measurements on rendered PCM for the archive builder, the sound report and the archive
// tests: peaks, pitch, spectra, pitch classes and onsets. Plain functions on sample vectors
// (mono, 44 100 Hz unless told).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace analysis {

constexpr int kRate = 44100;

// Largest absolute sample value in [from, to).
int PeakAbs(const std::vector<int16_t>& pcm, size_t from = 0, size_t to = SIZE_MAX);
// The samples in [from, from + count) as doubles (clipped to the end).
std::vector<double> Slice(const std::vector<int16_t>& pcm, size_t from, size_t count);

double MidiToHz(double midi);
// Distance of hz from reference in cents.
double Cents(double hz, double reference);
// Pitch class 0 (C) .. 11 (B) nearest to hz.
int PitchClassOf(double hz);

// Fundamental frequency by the YIN difference function over x, searched in [minHz, maxHz];
// 0 when x shows no periodicity.
double YinPitch(const std::vector<double>& x, double minHz, double maxHz);

// YIN's reading over the first 4096 samples of x made precise by the spectrum of all of x: the
// spectral peak within a semitone of it (decaying tones make the difference function read a
// little sharp). 0 when x shows no periodicity.
double RefinedPitch(const std::vector<double>& x, double minHz, double maxHz);

// Hann-windowed magnitude spectrum of x zero-padded (or cut) to fftSize, a power of two;
// fftSize / 2 + 1 bins of kRate / fftSize Hz.
std::vector<double> MagnitudeSpectrum(const std::vector<double>& x, size_t fftSize);
// Spectral energy folded into the twelve pitch classes, over [loHz, hiHz].
std::array<double, 12> Chroma(const std::vector<double>& spectrum, size_t fftSize, double loHz, double hiHz);
// Frequency of the lowest spectral peak in [loHz, hiHz] whose magnitude is within rangeDb of
// the strongest peak there (refined by parabolic interpolation); 0 when the band is empty.
double LowestStrongPeakHz(const std::vector<double>& spectrum, size_t fftSize, double loHz, double hiHz,
                          double rangeDb);

// Cents from the equal-tempered pitch of MIDI key (A = 440 Hz) to the spectral peak within
// +-60 cents of it in x, read from a spectrum of at least 32 768 points that holds all of x (up
// to 6 s); 0 when no peak stands there. When x is long enough to resolve detuned layers or a
// vibrato's swing, the power-weighted mean frequency within +-50 cents instead.
double KeyCents(const std::vector<double>& x, int key);

// Where a sound's attack falls: the first frame at which its magnitude has covered half of its
// rise, from silence to the largest magnitude within the first limit frames. 0 for silence.
// (The magnitude, not a short-time RMS: the RMS of a window shorter than a bass note's period
// ripples with the waveform.)
size_t HalfRiseFrame(const std::vector<double>& x, size_t limit);

// The level of x as the largest magnitude over the last window frames, frame by frame: it
// rises as soon as the signal does and does not ripple for periods shorter than the window.
std::vector<double> PeakEnvelope(const std::vector<double>& x, size_t window);

// The short-time level of gain x x from frame from on, in dBFS: the RMS of 10 ms windows
// (kLevelWindow) every 1 ms (kLevelHop), -200 for silence.
constexpr size_t kLevelWindow = 441, kLevelHop = 44;
std::vector<double> LevelsDb(const std::vector<double>& x, size_t from, double gain = 1.0);
// The largest fall of such levels within 50 ms (kLevelFallSpan hops), counted from any level
// above floorDb and down to no lower than -100 dBFS; at (when given) is the index of the level
// it falls from. 0 when none falls.
constexpr size_t kLevelFallSpan = 50;
double LargestFallDb(const std::vector<double>& levels, double floorDb, size_t* at = nullptr);

// Mean of x (the DC offset, full scale 1.0 for samples scaled to it).
double Mean(const std::vector<double>& x);

struct Onset {
  double seconds;
  double strength;  // rise of the short-time level, dB
};
// Attacks: moments where the level of the signal's first difference over 2.9 ms frames rises at
// least minRiseDb above everything it was 35 ms to 6 ms before, above a floor of floorDb
// (relative to the loudest frame); at least 60 ms apart.
std::vector<Onset> DetectOnsets(const std::vector<int16_t>& pcm, double minRiseDb, double floorDb);

}  // namespace analysis
