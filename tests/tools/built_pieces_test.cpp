// Pieces composed and rendered track by track from the built archives, heard as a listener
// would: every track sounds, in keys and at tempos the archives once lacked.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "compose/composer.h"
#include "render/render_codes.h"
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

TEST(BuiltPieces, EveryTrackOfOneMinutePiecesIsHeardAtBothTemposAndInSharpKeys) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  for (const Piece& piece : {Piece{"C", "Maj", "90", "Clo"}, Piece{"FG", "PMaj", "60", "Ope"},
                             Piece{"E", "Maj", "60", "Ope"}, Piece{"DE", "PMin", "90", "Ope"}}) {
    SCOPED_TRACE(std::string(piece.note) + " " + piece.scale + " tempo " + piece.tempo);
    fixtures::ScratchDir dir;
    CComposer c;
    c.m_bFixedSessionId = true;
    c.m_nFixedSessionId = 2027;
    c.m_strTempDir = dir.Path() + "/";
    ASSERT_GT(c.Compose(dir.File("s_"), piece.note, piece.scale, piece.playMode, "D", "", "Reg", piece.tempo,
                        "1", "Com", "B", "F", "C", ""),
              1);
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
