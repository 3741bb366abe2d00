#include "tools/sound_report/piece_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "render/wave_format.h"
#include "tools/analysis/audio_analysis.h"
#include "tools/sound_report/sample_figures.h"

namespace report {

namespace {

constexpr double kRate = analysis::kRate;
constexpr int kTicksPerQuarter = 480;
constexpr size_t kMaxTunedNotes = 150;                  // per track, spread over the piece

using Signal = std::vector<double>;

struct MidiNote {
  long tick, length;
  int key;
};
using MidiParts = std::map<std::string, std::vector<MidiNote>>;

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool ReadWave(const std::string& path, Signal& out) {
  const std::vector<unsigned char> bytes = ReadBytes(path);
  if (bytes.size() < 44 || bytes[0] != 'R' || bytes[8] != 'W') return false;
  out.resize((bytes.size() - 44) / 2);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<int16_t>(bytes[44 + 2 * i] | (bytes[45 + 2 * i] << 8)) / 32768.0;
  return true;
}

// A Standard MIDI File's notes by track name, and its tempo (quarters per minute).
bool ReadMidi(const std::string& path, MidiParts& parts, double& bpm) {
  const std::vector<unsigned char> b = ReadBytes(path);
  if (b.size() < 14 || std::string(b.begin(), b.begin() + 4) != "MThd") return false;
  size_t p = 14;
  bpm = 60.0;
  while (p + 8 <= b.size()) {
    const size_t length = (b[p + 4] << 24) | (b[p + 5] << 16) | (b[p + 6] << 8) | b[p + 7];
    const size_t end = std::min(b.size(), p + 8 + length);
    const bool track = std::string(b.begin() + static_cast<long>(p), b.begin() + static_cast<long>(p) + 4) == "MTrk";
    size_t q = p + 8;
    p = end;
    if (!track) continue;
    std::string name;
    std::vector<MidiNote> notes;
    std::map<int, std::vector<long>> open;  // key -> starts
    long tick = 0;
    int status = 0;
    auto vlq = [&]() {
      long v = 0;
      while (q < end) {
        const unsigned char c = b[q++];
        v = (v << 7) | (c & 0x7F);
        if (!(c & 0x80)) break;
      }
      return v;
    };
    while (q < end) {
      tick += vlq();
      if (q >= end) break;
      if (b[q] & 0x80) status = b[q++];
      if (status == 0xFF) {
        const int type = q < end ? b[q++] : 0;
        const auto len = static_cast<size_t>(vlq());
        if (type == 0x03) name.assign(b.begin() + static_cast<long>(q), b.begin() + static_cast<long>(std::min(end, q + len)));
        if (type == 0x51 && len == 3 && q + 3 <= end) bpm = 60e6 / ((b[q] << 16) | (b[q + 1] << 8) | b[q + 2]);
        q += len;
        continue;
      }
      if (status == 0xF0 || status == 0xF7) {
        q += static_cast<size_t>(vlq());
        continue;
      }
      const int kind = status & 0xF0;
      const int data = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
      if (q + static_cast<size_t>(data) > end) break;
      if (kind == 0x90 && b[q + 1] > 0) {
        open[b[q]].push_back(tick);
      } else if (kind == 0x80 || kind == 0x90) {
        auto& starts = open[b[q]];
        if (!starts.empty()) {
          notes.push_back({starts.front(), tick - starts.front(), b[q]});
          starts.erase(starts.begin());
        }
      }
      q += static_cast<size_t>(data);
    }
    if (!notes.empty()) {
      std::sort(notes.begin(), notes.end(), [](const MidiNote& a, const MidiNote& c) { return a.tick < c.tick; });
      parts[name] = notes;
    }
  }
  return true;
}

// The attack near frame at, on the level env (PeakEnvelope over 10 ms): the point where the
// level has covered half of its rise from the quietest moment to the loudest within 50 ms before
// and 60 ms after at (the quietest taken before the loudest). False when there is no clear rise
// (under 6 dB) there.
bool AttackNear(const std::vector<double>& env, double at, double& attack) {
  const long from = static_cast<long>(at - 0.050 * kRate), to = static_cast<long>(at + 0.060 * kRate);
  if (from < 0 || to >= static_cast<long>(env.size())) return false;
  long top = from;
  for (long k = from; k <= to; ++k)
    if (env[static_cast<size_t>(k)] > env[static_cast<size_t>(top)]) top = k;
  long low = from;
  for (long k = from; k <= top; ++k)
    if (env[static_cast<size_t>(k)] < env[static_cast<size_t>(low)]) low = k;
  const double lowLevel = env[static_cast<size_t>(low)], topLevel = env[static_cast<size_t>(top)];
  if (topLevel < 2.0 * lowLevel || topLevel < 1e-4) return false;
  const double half = 0.5 * (lowLevel + topLevel);
  long k = low;
  while (k < top && env[static_cast<size_t>(k)] < half) ++k;
  attack = static_cast<double>(k);
  return true;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

double Db(double v) { return 20.0 * std::log10(std::max(v, 1e-10)); }

double Rms(const Signal& x, size_t from, size_t to) {
  to = std::min(to, x.size());
  if (from >= to) return 0.0;
  double sum = 0.0;
  for (size_t i = from; i < to; ++i) sum += x[i] * x[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

// The end: in the last seconds of x (scaled by gain), the largest fall of the 10 ms level
// within 50 ms, from any level above -50 dBFS; at says where it starts, in seconds before the end.
double EndStep(const Signal& x, double gain, double& at, double seconds = 2.0) {
  const auto last = static_cast<size_t>(seconds * kRate);
  const size_t from = x.size() > last ? x.size() - last : 0;
  size_t start = 0;
  const double worst = analysis::LargestFallDb(analysis::LevelsDb(x, from, gain), -50.0, &start);
  if (worst > 0.0) at = static_cast<double>(x.size() - (from + analysis::kLevelHop * start)) / kRate;
  return worst;
}

// Least-squares gains g with mix ~ sum g_k stems_k, over every 8th frame.
std::vector<double> FitGains(const std::vector<const Signal*>& stems, const Signal& mix) {
  const size_t n = stems.size();
  std::vector<std::vector<double>> a(n, std::vector<double>(n + 1, 0.0));
  for (size_t t = 0; t < mix.size(); t += 8) {
    for (size_t i = 0; i < n; ++i) {
      const double si = t < stems[i]->size() ? (*stems[i])[t] : 0.0;
      if (si == 0.0) continue;
      for (size_t j = 0; j < n; ++j) a[i][j] += si * (t < stems[j]->size() ? (*stems[j])[t] : 0.0);
      a[i][n] += si * mix[t];
    }
  }
  for (size_t c = 0; c < n; ++c) {
    size_t pivot = c;
    for (size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    std::swap(a[c], a[pivot]);
    if (std::fabs(a[c][c]) < 1e-12) continue;
    for (size_t r = 0; r < n; ++r) {
      if (r == c) continue;
      const double f = a[r][c] / a[c][c];
      for (size_t k = c; k <= n; ++k) a[r][k] -= f * a[c][k];
    }
  }
  std::vector<double> g(n, 0.0);
  for (size_t i = 0; i < n; ++i) g[i] = std::fabs(a[i][i]) < 1e-12 ? 0.0 : a[i][n] / a[i][i];
  return g;
}

// Energy of x's spectrum in the bands of the first four harmonics of key, +- a quarter tone.
double HarmonicEnergy(const std::vector<double>& spectrum, size_t fft, int key) {
  const double binHz = kRate / static_cast<double>(fft);
  const double f0 = analysis::MidiToHz(key), quarter = std::pow(2.0, 50.0 / 1200.0);
  double energy = 0.0;
  for (int h = 1; h <= 4; ++h) {
    const auto lo = static_cast<size_t>(h * f0 / quarter / binHz);
    const auto hi = std::min(spectrum.size() - 1, static_cast<size_t>(h * f0 * quarter / binHz) + 1);
    for (size_t k = lo; k <= hi; ++k) energy += spectrum[k] * spectrum[k];
  }
  return energy;
}

// Parts of the accompaniment in the MIDI export, and how much of each note is held (the rest
// of it rings out): chords ring one eighth into the next event, a low note sounds one eighth.
struct HeldRule {
  const char* part;
  bool judged;  // bass, strings and voices: their clashes count
};
constexpr HeldRule kHeldParts[] = {
    {"Chords", false}, {"Low notes", false}, {"Bass", true}, {"Strings", true}, {"Voices", true}};

}  // namespace

bool MeasurePiece(const std::string& session, const std::string& midiPath, PieceFigures& f, std::string& error) {
  f = PieceFigures{};
  Signal mix;
  if (!ReadWave(session + "Mix.wav", mix)) {
    error = "cannot read " + session + "Mix.wav";
    return false;
  }
  MidiParts parts;
  double bpm = 60.0;
  if (!ReadMidi(midiPath, parts, bpm) || parts.empty()) {
    error = "cannot read the MIDI file " + midiPath;
    return false;
  }
  f.tempo = static_cast<int>(std::lround(bpm));
  const double framesPerTick = 60.0 / bpm / kTicksPerQuarter * kRate;
  const double eighth = wave::EighthBytes(f.tempo) / 2.0;
  const double pad = wave::PadBytes(30000.0 / f.tempo) / 2.0;
  const double sixteenth = eighth / 2.0;

  static const char* const kStems[] = {"Melody", "Figures", "LowNotes", "Chords", "Drums",
                                       "RhythmFigures", "Bass", "Strings", "Voices"};
  static const std::map<std::string, std::string> kMidiPart = {
      {"Melody", "Melody"}, {"LowNotes", "Low notes"}, {"Chords", "Chords"}, {"Drums", "Drums"},
      {"Bass", "Bass"},     {"Strings", "Strings"},    {"Voices", "Voices"}};
  std::vector<Signal> stems;
  for (const char* name : kStems) {
    Signal s;
    if (!ReadWave(session + "Stem_" + name + ".wav", s)) continue;
    stems.push_back(std::move(s));
    f.tracks.push_back({name});
  }
  if (stems.empty()) {
    error = "no stems beside " + session + "Mix.wav (generate with --stems)";
    return false;
  }
  std::vector<const Signal*> stemPointers;
  for (const Signal& s : stems) stemPointers.push_back(&s);
  const std::vector<double> gains = FitGains(stemPointers, mix);
  f.mixDc = analysis::Mean(mix);

  std::map<long, double> melodyAttacks, bassAttacks;  // by tick
  size_t melody = stems.size();
  for (size_t t = 0; t < stems.size(); ++t) {
    TrackFigures& track = f.tracks[t];
    const Signal& s = stems[t];
    track.gain = gains[t];
    track.dc = analysis::Mean(s);
    if (track.name == "Melody") melody = t;
    const bool pad = track.name == "Strings" || track.name == "Voices";
    const auto part = kMidiPart.find(track.name);
    const std::vector<MidiNote>* notes =
        part != kMidiPart.end() && parts.count(part->second) ? &parts.at(part->second) : nullptr;
    // Attacks: at each MIDI note start, else at each onset, against the nearest sixteenth.
    const std::vector<double> env = analysis::PeakEnvelope(s, static_cast<size_t>(0.010 * kRate));
    std::vector<double> offsets;
    if (!pad) {
      std::vector<double> places;
      if (notes) {
        long last = -1;
        for (const MidiNote& n : *notes) {
          if (n.tick == last) continue;
          last = n.tick;
          places.push_back(static_cast<double>(n.tick) * framesPerTick);
        }
        // Against the grid, wherever the export put the note.
        for (double& place : places) place = pad + std::round((place - pad) / sixteenth) * sixteenth;
      } else {
        std::vector<int16_t> pcm(s.size());
        for (size_t i = 0; i < s.size(); ++i) pcm[i] = static_cast<int16_t>(std::lround(s[i] * 32767.0));
        for (const analysis::Onset& o : analysis::DetectOnsets(pcm, 9.0, -40.0)) {
          const double at = o.seconds * kRate;
          places.push_back(pad + std::round((at - pad) / sixteenth) * sixteenth);
        }
      }
      for (const double place : places) {
        double attack = 0.0;
        if (!AttackNear(env, place, attack)) continue;
        const double ms = 1000.0 * (attack - place) / kRate;
        offsets.push_back(ms);
        const long tick = std::lround(place / framesPerTick);
        if (track.name == "Melody") melodyAttacks[tick] = ms;
        if (track.name == "Bass") bassAttacks[tick] = ms;
      }
    }
    track.attacks = static_cast<int>(offsets.size());
    track.medianAttackMs = Median(offsets);
    // Tuning of the notes held two eighths or more, 100 to 400 ms after the attack (a pad's from
    // 100 ms after its entry eighth for up to 3.4 s, as its vibrato and drifting layers need).
    if (notes && track.name != "Drums") {
      std::vector<double> cents;
      std::vector<const MidiNote*> held;
      for (const MidiNote& n : *notes)
        if (n.length * framesPerTick >= 2 * eighth - 1) held.push_back(&n);
      const size_t step = std::max<size_t>(1, held.size() / kMaxTunedNotes);
      for (size_t i = 0; i < held.size(); i += step) {
        const double from = held[i]->tick * framesPerTick + (pad ? eighth : 0.0) + 0.100 * kRate;
        const double to = std::min(from + (pad ? 3.4 : 0.300) * kRate, (held[i]->tick + held[i]->length) * framesPerTick);
        if (to - from < 0.1 * kRate || to > static_cast<double>(s.size())) continue;
        const Signal x(s.begin() + static_cast<long>(from), s.begin() + static_cast<long>(to));
        const double c = analysis::KeyCents(x, held[i]->key);
        if (c != 0.0) cents.push_back(c);
      }
      track.tunedNotes = static_cast<int>(cents.size());
      track.medianCents = Median(cents);
      for (const double c : cents)
        if (std::fabs(c) > std::fabs(track.worstCents)) track.worstCents = c;
    }
  }
  std::vector<double> shared;
  for (const auto& [tick, ms] : melodyAttacks) {
    const auto bass = bassAttacks.find(tick);
    if (bass != bassAttacks.end()) shared.push_back(ms - bass->second);
  }
  f.sharedBeats = static_cast<int>(shared.size());
  f.melodyToBassMs = Median(shared);

  f.worstEndStepDb = EndStep(mix, 1.0, f.worstEndStepAt);
  double tailAt = 0.0;
  f.tailStepDb = EndStep(mix, 1.0, tailAt, (pad + eighth) / kRate);
  for (size_t t = 0; t < stems.size(); ++t) f.tracks[t].endStepDb = EndStep(stems[t], gains[t], f.tracks[t].endStepAt);

  // The melody against the rest, per bar and per note, as the stems sit in Mix.wav.
  if (melody < stems.size()) {
    Signal rest(mix.size(), 0.0), lead(mix.size(), 0.0);
    for (size_t t = 0; t < stems.size(); ++t) {
      Signal& into = t == melody ? lead : rest;
      for (size_t i = 0; i < std::min(into.size(), stems[t].size()); ++i) into[i] += gains[t] * stems[t][i];
    }
    std::vector<double> margins;
    int onTop = 0;
    const auto bar = static_cast<size_t>(8 * eighth);
    for (size_t at = static_cast<size_t>(pad); at + bar <= mix.size(); at += bar) {
      const double m = Rms(lead, at, at + bar), r = Rms(rest, at, at + bar);
      if (m < 1e-5 && r < 1e-5) continue;
      margins.push_back(Db(m) - Db(r));
      if (m >= r) ++onTop;
    }
    f.barsMelodyOnTop = margins.empty() ? 0.0 : static_cast<double>(onTop) / static_cast<double>(margins.size());
    f.medianMarginDb = Median(margins);
    f.medianAccompanimentDb = -f.medianMarginDb;
    int masked = 0;
    constexpr size_t kFft = 16384;
    if (parts.count("Melody")) {
      for (const MidiNote& n : parts.at("Melody")) {
        const auto from = static_cast<size_t>(n.tick * framesPerTick);
        const size_t to = from + static_cast<size_t>(0.250 * kRate);
        if (to > mix.size()) continue;
        const Signal a(lead.begin() + static_cast<long>(from), lead.begin() + static_cast<long>(to));
        const Signal r(rest.begin() + static_cast<long>(from), rest.begin() + static_cast<long>(to));
        const double em = HarmonicEnergy(analysis::MagnitudeSpectrum(a, kFft), kFft, n.key);
        const double er = HarmonicEnergy(analysis::MagnitudeSpectrum(r, kFft), kFft, n.key);
        ++f.melodyNotes;
        if (10.0 * std::log10((em + 1e-20) / (er + 1e-20)) < 6.0) ++masked;
      }
    }
    f.maskedShare = f.melodyNotes ? static_cast<double>(masked) / f.melodyNotes : 0.0;
  }

  // Clashes: on every beat, the pitch classes each accompaniment part holds there.
  long lastTick = 0;
  for (const auto& [name, notes] : parts)
    for (const MidiNote& n : notes) lastTick = std::max(lastTick, n.tick + n.length);
  const long eighthTicks = kTicksPerQuarter / 2;
  const long firstBeat = std::lround(pad / framesPerTick);
  for (long beat = firstBeat; beat < lastTick; beat += kTicksPerQuarter) {
    std::vector<std::pair<const HeldRule*, std::set<int>>> held;
    for (const HeldRule& rule : kHeldParts) {
      if (!parts.count(rule.part)) continue;
      std::set<int> classes;
      for (const MidiNote& n : parts.at(rule.part)) {
        long end = n.tick + n.length;
        if (std::string(rule.part) == "Chords") end -= eighthTicks;
        if (std::string(rule.part) == "Low notes") end = std::min(end, n.tick + eighthTicks);
        if (n.tick <= beat && beat < end) classes.insert(n.key % 12);
      }
      if (!classes.empty()) held.emplace_back(&rule, classes);
    }
    if (held.size() < 2) continue;
    ++f.heldBeats;
    bool judged = false, piano = false;
    for (size_t i = 0; i < held.size(); ++i)
      for (size_t j = i + 1; j < held.size(); ++j)
        for (const int a : held[i].second)
          for (const int b : held[j].second) {
            const int d = (a - b + 12) % 12;
            if (d != 1 && d != 11) continue;
            if (held[i].first->judged || held[j].first->judged) judged = true;
            else piano = true;
          }
    if (judged) ++f.clashBeats;
    else if (piano) ++f.pianoClashBeats;
  }
  return true;
}

std::string FormatPiece(const PieceFigures& f) {
  std::string out;
  char line[256];
  std::snprintf(line, sizeof line, "tempo %d\n%-14s %8s %10s %7s %10s %10s %10s %7s %9s\n", f.tempo, "track",
                "attacks", "median ms", "tuned", "median ct", "worst ct", "DC", "gain", "end fall");
  out += line;
  for (const TrackFigures& t : f.tracks) {
    std::snprintf(line, sizeof line, "%-14s %8d %+10.1f %7d %+10.1f %+10.1f %10.1e %7.3f %6.1f dB at -%.2f s\n",
                  t.name.c_str(), t.attacks, t.medianAttackMs, t.tunedNotes, t.medianCents, t.worstCents, t.dc, t.gain,
                  t.endStepDb, t.endStepAt);
    out += line;
  }
  std::snprintf(line, sizeof line,
                "melody - bass on shared beats: %+.1f ms median over %d beats\n"
                "Mix.wav DC: %.1e\n"
                "end: largest fall of the 10 ms level within 50 ms in the last 2 s: %.1f dB, %.2f s before the end; "
                "from the music's last eighth on: %.1f dB\n",
                f.melodyToBassMs, f.sharedBeats, f.mixDc, f.worstEndStepDb, f.worstEndStepAt, f.tailStepDb);
  out += line;
  std::snprintf(line, sizeof line,
                "melody at or over the rest in %.0f %% of bars, median margin %+.1f dB; masked notes %.1f %% of %d\n",
                100.0 * f.barsMelodyOnTop, f.medianMarginDb, 100.0 * f.maskedShare, f.melodyNotes);
  out += line;
  std::snprintf(line, sizeof line,
                "clashes a semitone apart with bass, strings or voices: %d of %d held beats (%.1f %%); "
                "chords against low notes alone: %d\n",
                f.clashBeats, f.heldBeats, f.heldBeats ? 100.0 * f.clashBeats / f.heldBeats : 0.0, f.pianoClashBeats);
  out += line;
  return out;
}

}  // namespace report
