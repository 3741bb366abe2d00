// Pieces composed and rendered track by track from the built archives, heard as a listener
// would: every track sounds, in keys and at tempos the archives once lacked.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "compose/composer.h"
#include "render/harmony.h"
#include "render/render_codes.h"
#include "render/sample_catalog.h"
#include "render/sustained_tracks.h"
#include "session/track_mixer.h"
#include "tools/analysis/audio_analysis.h"
#include "support/fixtures.h"
#include "tools/built_archives.h"

namespace {

struct Track {
  const char* name;
  int (CComposer::*render)(const std::string&);
  const char* archive;
  std::vector<std::string> (*voices)(const CComposer&);
  double minShare;  // share of the piece's 100 ms windows in which the track must be heard
};

// Measured shares are about: melody and left-hand figures 98 %, drums 58-72 % (the calm loop
// leaves the time between its eighths quiet), rhythm figures 42-69 %, low notes 29-47 %, chords
// 13-31 % (only under long notes on chord degrees). Each must reach about half of that.
const Track kTracks[] = {
    {"TP", &CComposer::RenderTP, "Data0.dat", [](const CComposer& c) { return std::vector<std::string>(c.m_strTempTP, c.m_strTempTP + 2); }, 0.9},
    {"CH", &CComposer::RenderCH, "Data1.dat", [](const CComposer& c) { return std::vector<std::string>(c.m_strTempCH, c.m_strTempCH + 2); }, 0.06},
    {"TA", &CComposer::RenderTA, "Data3.dat", [](const CComposer& c) { return std::vector<std::string>(c.m_strTempTA, c.m_strTempTA + 2); }, 0.8},
    {"TF", &CComposer::RenderTF, "Data3.dat", [](const CComposer& c) { return std::vector<std::string>(c.m_strTempTF, c.m_strTempTF + 2); }, 0.2},
    {"PP", &CComposer::RenderPP, "Data3.dat", [](const CComposer& c) { return std::vector<std::string>{c.m_strTempPP}; }, 0.14},
    {"DL", &CComposer::RenderDL, "Data2.dat", [](const CComposer& c) { return std::vector<std::string>(c.m_strTempDL, c.m_strTempDL + 2); }, 0.3},
};

// Share of the 100 ms windows of the voices, played together, whose level is above -50 dBFS.
double HeardShare(const std::vector<std::string>& voices) {
  std::vector<double> sum;
  for (const std::string& voice : voices) {
    const std::vector<uint16_t> samples = fixtures::ReadSamples(voice);
    if (sum.size() < samples.size()) sum.resize(samples.size(), 0.0);
    for (size_t i = 0; i < samples.size(); ++i) sum[i] += static_cast<int16_t>(samples[i]);
  }
  constexpr size_t kWindow = 4410;
  const double threshold = 32767.0 * std::pow(10.0, -50.0 / 20.0);
  size_t windows = 0, heard = 0;
  for (size_t at = 0; at + kWindow <= sum.size(); at += kWindow, ++windows) {
    double energy = 0.0;
    for (size_t i = at; i < at + kWindow; ++i) energy += sum[i] * sum[i];
    if (std::sqrt(energy / kWindow) > threshold) ++heard;
  }
  return windows == 0 ? 0.0 : static_cast<double>(heard) / static_cast<double>(windows);
}

struct Piece {
  const char* note;
  const char* scale;
  const char* tempo;
  const char* playMode;
};

// A one-minute piece of piece's key, scale, play mode and tempo with session id 2027, its
// scratch files in dir.
void ComposeOneMinute(CComposer& c, const fixtures::ScratchDir& dir, const Piece& piece, const char* rhythm,
                      const char* layers) {
  c.m_bFixedSessionId = true;
  c.m_nFixedSessionId = 2027;
  c.m_strTempDir = dir.Path() + "/";
  ASSERT_GT(c.Compose(dir.File("s_"), piece.note, piece.scale, piece.playMode, rhythm, layers, "Reg", piece.tempo,
                      "1", "Com", "B", "F", "C", ""),
            1);
}

TEST(BuiltPieces, EveryTrackOfOneMinutePiecesIsHeardAtBothTemposAndInSharpKeys) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  for (const Piece& piece : {Piece{"C", "Maj", "90", "Clo"}, Piece{"FG", "PMaj", "60", "Ope"},
                             Piece{"E", "Maj", "60", "Ope"}, Piece{"DE", "PMin", "90", "Ope"}}) {
    SCOPED_TRACE(std::string(piece.note) + " " + piece.scale + " tempo " + piece.tempo);
    fixtures::ScratchDir dir;
    CComposer c;
    ASSERT_NO_FATAL_FAILURE(ComposeOneMinute(c, dir, piece, "D", ""));
    for (const Track& track : kTracks) {
      c.RewindPlan();
      ASSERT_EQ((c.*track.render)(built::ProgramFile(track.archive)), render::kRenderOk) << track.name;
      const double share = HeardShare(track.voices(c));
      EXPECT_GE(share, track.minShare) << track.name;
      std::printf("%s %s %s: %s heard %.0f %%\n", piece.note, piece.scale, piece.tempo, track.name, 100 * share);
    }
  }
}

}  // namespace

namespace {

// The voices of a rendered track played together, as doubles from the first bar's start.
std::vector<double> Together(const std::vector<std::string>& voices, size_t lead) {
  std::vector<double> sum;
  for (const std::string& voice : voices) {
    const std::vector<uint16_t> samples = fixtures::ReadSamples(voice);
    if (sum.size() < samples.size()) sum.resize(samples.size(), 0.0);
    for (size_t i = 0; i < samples.size(); ++i) sum[i] += static_cast<int16_t>(samples[i]);
  }
  sum.erase(sum.begin(), sum.begin() + static_cast<long>(std::min(lead, sum.size())));
  return sum;
}

// Pitch-class energy of x over [from, from + count), summed over windows of 0.74 s.
std::array<double, 12> ChromaOf(const std::vector<double>& x, size_t from, size_t count, double loHz, double hiHz) {
  constexpr size_t kFft = 32768;
  std::array<double, 12> sum{};
  for (size_t at = from; at < from + count && at < x.size(); at += kFft) {
    const std::vector<double> part(x.begin() + static_cast<long>(at),
                                   x.begin() + static_cast<long>(std::min({at + kFft, from + count, x.size()})));
    const auto chroma = analysis::Chroma(analysis::MagnitudeSpectrum(part, kFft), kFft, loHz, hiHz);
    for (size_t k = 0; k < 12; ++k) sum[k] += chroma[k];
  }
  return sum;
}

// The piece as the pipeline mixes it: the piano track, then every other track into it.
double MixPeakAndRms(const std::vector<std::vector<std::string>>& tracks, const std::string& folder, double& rmsDb) {
  const std::string piece = folder + "/Mix.wav", scratch = folder + "/tmp.wav", track = folder + "/track.wav";
  for (size_t t = 0; t < tracks.size(); ++t) {
    const std::string out = t == 0 ? piece : track;
    const std::string second = tracks[t].size() > 1 ? tracks[t][1] : tracks[t][0];
    if (tracks[t].size() > 1) {
      EXPECT_EQ(theMixer.MixTracks(out, tracks[t][0], second, scratch), 0);
    }
    if (t > 0) {
      EXPECT_EQ(theMixer.MixTracks(piece, piece, tracks[t].size() > 1 ? track : second, scratch), 0);
    }
  }
  const built::Wave mix = built::ReadWave(piece);
  double energy = 0.0;
  for (const int16_t v : mix.pcm) energy += static_cast<double>(v) * v;
  rmsDb = 10.0 * std::log10(energy / static_cast<double>(std::max<size_t>(mix.pcm.size(), 1)) / (32767.0 * 32767.0));
  return 20.0 * std::log10(analysis::PeakAbs(mix.pcm) / 32767.0);
}

}  // namespace

// Bass, strings and voices from the built archives: the bass's strongest pitch class in each
// bar is a root of the bar's harmony (in most bars of its longest), the strings' three strongest pitch classes lie in
// the triad they hold, and the piece with them neither clips nor buries the melody.
TEST(BuiltPieces, SustainedTracksSoundTheHarmonyUnderTheMelodyWithoutClipping) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  for (const Piece& piece : {Piece{"C", "Maj", "60", "Ope"}, Piece{"DE", "Min", "90", "Clo"}}) {
    SCOPED_TRACE(std::string(piece.note) + " " + piece.scale + " tempo " + piece.tempo);
    fixtures::ScratchDir dir;
    CComposer c;
    ASSERT_NO_FATAL_FAILURE(ComposeOneMinute(c, dir, piece, "DB", "SV"));
    const size_t eighth = c.m_nTempo == 60 ? 22050 : 14700;
    const size_t lead = c.m_nTempo == 60 ? 22050 : 14685;
    const CSampleCatalog catalog;
    c.RewindPlan();
    std::vector<render::PlanBar> bars;
    for (int b = 0; b < c.m_nBars; ++b) bars.push_back(render::NextPlanBar(c, 100));
    const std::vector<harmony::Span> spans = render::PieceHarmony(c, bars, true, catalog);

    std::vector<std::vector<std::string>> tracks;
    for (const Track& track : kTracks) {
      c.RewindPlan();
      ASSERT_EQ((c.*track.render)(built::ProgramFile(track.archive)), render::kRenderOk) << track.name;
      tracks.push_back(track.voices(c));
    }
    double rmsBefore = 0.0, rmsAfter = 0.0;
    const double peakBefore = MixPeakAndRms(tracks, dir.Path(), rmsBefore);

    c.RewindPlan();
    ASSERT_EQ(c.RenderBS(built::ProgramFile("Data2.dat")), render::kRenderOk);
    const std::vector<double> bass = Together({c.m_strTempBS[0], c.m_strTempBS[1]}, lead);
    int bassBars = 0;
    for (int b = 0; b < c.m_nBars; ++b) {
      std::map<int, int> heard;  // root: eighths of the bar
      for (const harmony::Span& s : spans)
        heard[s.triad.root] += std::max(0, std::min(8 * b + 8, s.start + s.length) - std::max(8 * b, s.start));
      int longest = 0;
      for (const auto& [root, eighths] : heard) longest = std::max(longest, eighths);
      const auto chroma = ChromaOf(bass, static_cast<size_t>(b) * 8 * eighth, 8 * eighth, 35.0, 260.0);
      const int strongest = static_cast<int>(std::max_element(chroma.begin(), chroma.end()) - chroma.begin()) + 1;
      // A bar may change harmony where a long melody note asks for it; the bass strikes the new
      // root there, so its strongest pitch class is a root of the bar, most often the longest.
      EXPECT_GT(heard[strongest], 0) << "bar " << b << ": pitch class " << strongest;
      bassBars += heard[strongest] == longest;
    }
    EXPECT_GE(bassBars, c.m_nBars / 2);

    c.RewindPlan();
    ASSERT_EQ(c.RenderST(built::ProgramFile("data4.dat")), render::kRenderOk);
    const std::vector<double> strings = Together({c.m_strTempST[0], c.m_strTempST[1]}, lead);
    int chordsHeard = 0, chordsInTriad = 0;
    for (const harmony::Span& s : spans) {
      if (s.length < 4) continue;  // the crossfade and the entry take the first eighth
      const auto chroma = ChromaOf(strings, static_cast<size_t>(s.start + 1) * eighth,
                                   static_cast<size_t>(std::min(s.length, 16) - 1) * eighth, 120.0, 1000.0);
      std::array<int, 12> order{};
      for (int i = 0; i < 12; ++i) order[static_cast<size_t>(i)] = i;
      std::sort(order.begin(), order.end(), [&](int x, int y) { return chroma[static_cast<size_t>(x)] > chroma[static_cast<size_t>(y)]; });
      ++chordsHeard;
      chordsInTriad += s.triad.Contains(order[0] + 1) && s.triad.Contains(order[1] + 1) && s.triad.Contains(order[2] + 1);
    }
    EXPECT_EQ(chordsInTriad, chordsHeard);

    c.RewindPlan();
    ASSERT_EQ(c.RenderVO(built::ProgramFile("data4.dat")), render::kRenderOk);
    tracks.push_back({c.m_strTempBS[0], c.m_strTempBS[1]});
    tracks.push_back({c.m_strTempST[0], c.m_strTempST[1]});
    tracks.push_back({c.m_strTempVO[0], c.m_strTempVO[1]});
    const double peakAfter = MixPeakAndRms(tracks, dir.Path(), rmsAfter);
    // Listening levels of the melody and the three tracks (RMS over the piece, dBFS).
    auto rmsOf = [&](const std::vector<std::string>& voices) {
      const std::vector<double> x = Together(voices, lead);
      double energy = 0.0;
      for (const double v : x) energy += v * v;
      return 10.0 * std::log10(energy / static_cast<double>(std::max<size_t>(x.size(), 1)) / (32767.0 * 32767.0));
    };
    const double melody = rmsOf(tracks[0]);
    std::printf("%s %s %s: RMS melody %.1f, chords %.1f, bass %.1f, strings %.1f, voices %.1f dBFS\n", piece.note,
                piece.scale, piece.tempo, melody, rmsOf(tracks[1]), rmsOf(tracks[tracks.size() - 3]),
                rmsOf(tracks[tracks.size() - 2]), rmsOf(tracks.back()));
    for (size_t t = tracks.size() - 3; t < tracks.size(); ++t) EXPECT_LT(rmsOf(tracks[t]), melody - 6.0);
    EXPECT_LT(peakAfter, -0.1);  // no sample at full scale
    EXPECT_LT(rmsAfter - rmsBefore, 3.0);
    std::printf("%s %s %s: bass root in %d/%d bars, strings on the triad in %d/%d spans; mix peak %.1f -> %.1f dBFS, "
                "RMS %.1f -> %.1f dBFS\n",
                piece.note, piece.scale, piece.tempo, bassBars, c.m_nBars, chordsInTriad, chordsHeard, peakBefore,
                peakAfter, rmsBefore, rmsAfter);
  }
}
